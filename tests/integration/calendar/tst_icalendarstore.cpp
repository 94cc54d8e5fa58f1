// ICalendarStore on calendars written into temporary folders, alone and under CalendarWatcher.
#include "CalendarTestSupport.h"
#include "platform/linux/calendar/ICalendarStore.h"
#include "signals/CalendarWatcher.h"
#include "support/TestMain.h"
#include "util/AppSettings.h"

#include <QDir>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cstdio>

namespace {
const QStringList user{QStringLiteral("mailto:me@example.org")};

QByteArray calendar(const QByteArray &body, const QByteArray &header = {})
{
    return "BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//Kestrix tests//EN\n" + header + body + "END:VCALENDAR\n";
}

QByteArray vevent(const QByteArray &lines, const QByteArray &uid = "event@test")
{
    return "BEGIN:VEVENT\nUID:" + uid + "\nDTSTAMP:20240101T000000Z\nSUMMARY:Private\n" + lines + "END:VEVENT\n";
}

ICalendarStore::Options collectionAt(const QString &path)
{
    ICalendarStore::Options options;
    options.roots = {{path, ICalendarStore::Root::Kind::Collection}};
    options.changeDelay = std::chrono::milliseconds(10);
    return options;
}

// A store that asked for access; null when no answer came.
std::unique_ptr<ICalendarStore> openStore(const ICalendarStore::Options &options, bool *granted = nullptr)
{
    auto store = std::make_unique<ICalendarStore>(options);
    QSignalSpy resolved(store.get(), &CalendarStore::accessResolved);
    store->requestAccess();
    if (!resolved.wait(5000)) {
        return nullptr;
    }
    if (granted) {
        *granted = resolved.first().at(0).toBool();
    }
    return store;
}

std::unique_ptr<CalendarWatcher> makeWatcher(const QString &root)
{
    CalendarWatcher::Options options;
    options.now = [] {
        return now;
    };
    options.refreshInterval = std::chrono::hours(1); // only changes refresh here
    return std::make_unique<CalendarWatcher>(std::make_unique<ICalendarStore>(collectionAt(root)), options);
}
} // namespace

class ICalendarStoreTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_config;

private Q_SLOTS:
    void initTestCase()
    {
        // Floating times are local times: a zone without summer time makes them predictable.
        qputenv("TZ", "Asia/Tokyo");
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    }

    void init() { QFile::remove(AppSettings::filePath()); }

    void occurrences_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("expected"); // start/end in UTC, space-separated, by start

        const QByteArray weekly = "DTSTART:20240102T143000Z\nDTEND:20240102T153000Z\nRRULE:FREQ=WEEKLY;BYDAY=TU\n";
        const QString thisWeek = QStringLiteral("2024-03-12T14:30:00Z/2024-03-12T15:30:00Z");
        const auto row = [](const char *name, const QByteArray &text, const QString &expected) {
            QTest::newRow(name) << text << expected;
        };
        row("utc", calendar(vevent("DTSTART:20240312T143000Z\nDTEND:20240312T153000Z\n")), thisWeek);
        row("duration", calendar(vevent("DTSTART:20240312T143000Z\nDURATION:PT1H\n")), thisWeek);
        row("all-day", calendar(vevent("DTSTART;VALUE=DATE:20240312\nDTEND;VALUE=DATE:20240313\n")), {});
        row("cancelled", calendar(vevent("DTSTART:20240312T143000Z\nDURATION:PT1H\nSTATUS:CANCELLED\n")), {});
        row("declined", calendar(vevent(weekly + "ATTENDEE;PARTSTAT=DECLINED:MAILTO:Me@Example.ORG\n")),
            thisWeek + QStringLiteral(" declined"));
        row("accepted, another declined",
            calendar(vevent(weekly + "ATTENDEE;PARTSTAT=ACCEPTED:mailto:me@example.org\n"
                                     "ATTENDEE;PARTSTAT=DECLINED:mailto:boss@example.org\n")),
            thisWeek);
        row("tentative", calendar(vevent(weekly + "ATTENDEE;PARTSTAT=TENTATIVE:mailto:me@example.org\n")), thisWeek);
        row("iana zone",
            calendar(vevent("DTSTART;TZID=America/New_York:20240312T090000\n"
                            "DTEND;TZID=America/New_York:20240312T100000\n")),
            QStringLiteral("2024-03-12T13:00:00Z/2024-03-12T14:00:00Z"));
        row("windows zone", calendar(vevent("DTSTART;TZID=Pacific Standard Time:20240312T090000\nDURATION:PT30M\n")),
            QStringLiteral("2024-03-12T16:00:00Z/2024-03-12T16:30:00Z"));
        row("prefixed zone",
            calendar(vevent("DTSTART;TZID=/example.org/20050126_1/Europe/Berlin:20240312T090000\nDURATION:PT1H\n")),
            QStringLiteral("2024-03-12T08:00:00Z/2024-03-12T09:00:00Z"));
        row("zone of the file",
            calendar(vevent("DTSTART;TZID=Office:20240312T090000\nDTEND;TZID=Office:20240312T100000\n"),
                     "BEGIN:VTIMEZONE\nTZID:Office\nBEGIN:STANDARD\nDTSTART:19700101T000000\n"
                     "TZOFFSETFROM:+0300\nTZOFFSETTO:+0300\nEND:STANDARD\nEND:VTIMEZONE\n"),
            QStringLiteral("2024-03-12T06:00:00Z/2024-03-12T07:00:00Z"));
        row("floating", calendar(vevent("DTSTART:20240312T090000\nDTEND:20240312T100000\n")),
            QStringLiteral("2024-03-12T00:00:00Z/2024-03-12T01:00:00Z"));
        // Exported calendars name the zone their floating times are meant in.
        row("floating in the calendar's zone",
            calendar(vevent("DTSTART:20240311T090000\nDTEND:20240311T100000\nRRULE:FREQ=DAILY\n"),
                     "X-WR-TIMEZONE:America/New_York\n"),
            QStringLiteral("2024-03-11T13:00:00Z/2024-03-11T14:00:00Z 2024-03-12T13:00:00Z/2024-03-12T14:00:00Z "
                           "2024-03-13T13:00:00Z/2024-03-13T14:00:00Z"));
        row("floating, unknown calendar zone",
            calendar(vevent("DTSTART:20240312T090000\nDTEND:20240312T100000\n"), "X-WR-TIMEZONE:Mars/Olympus\n"),
            QStringLiteral("2024-03-12T00:00:00Z/2024-03-12T01:00:00Z"));
        row("weekly", calendar(vevent(weekly)), thisWeek);
        row("weekly, this week excepted", calendar(vevent(weekly + "EXDATE:20240305T143000Z,20240312T143000Z\n")), {});
        row("weekly, excepted in another zone",
            calendar(vevent(weekly + "EXDATE;TZID=Europe/Berlin:20240312T153000\n")), {});
        // Wall-clock time is kept across the change to summer time.
        row("weekly across summer time",
            calendar(vevent("DTSTART;TZID=America/New_York:20240102T093000\nDURATION:PT30M\nRRULE:FREQ=WEEKLY\n")),
            QStringLiteral("2024-03-12T13:30:00Z/2024-03-12T14:00:00Z"));
        row("moved occurrence",
            calendar(vevent(weekly) + vevent("RECURRENCE-ID:20240312T143000Z\nDTSTART:20240313T090000Z\n"
                                             "DTEND:20240313T100000Z\n")),
            QStringLiteral("2024-03-13T09:00:00Z/2024-03-13T10:00:00Z"));
        row("cancelled occurrence",
            calendar(vevent(weekly) + vevent("RECURRENCE-ID:20240312T143000Z\nDTSTART:20240312T143000Z\n"
                                             "STATUS:CANCELLED\n")),
            {});
        row("count used up", calendar(vevent("DTSTART:20240301T143000Z\nDURATION:PT1H\nRRULE:FREQ=DAILY;COUNT=3\n")),
            {});
        // 12:00 UTC is 08:00 in New York: that day's 09:00 occurrence is past the end.
        row("until in utc",
            calendar(vevent("DTSTART;TZID=America/New_York:20240310T090000\nDURATION:PT1H\n"
                            "RRULE:FREQ=DAILY;UNTIL=20240312T120000Z\n")),
            QStringLiteral("2024-03-11T13:00:00Z/2024-03-11T14:00:00Z"));
        row("extra dates",
            calendar(vevent("DTSTART:20240101T100000Z\nDURATION:PT1H\nRDATE:20240312T150000Z\n"
                            "RDATE;VALUE=PERIOD:20240313T080000Z/PT2H\n")),
            QStringLiteral("2024-03-12T15:00:00Z/2024-03-12T16:00:00Z 2024-03-13T08:00:00Z/2024-03-13T10:00:00Z"));
        row("monthly for years",
            calendar(vevent("DTSTART:20190108T144500Z\nDURATION:PT30M\nRRULE:FREQ=MONTHLY;BYDAY=2TU\n")),
            QStringLiteral("2024-03-12T14:45:00Z/2024-03-12T15:15:00Z"));
    }

    // The occurrences from Monday to Thursday, as the current user sees them.
    void occurrences()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, expected);
        QTemporaryDir root;
        QVERIFY(write(root.filePath(QStringLiteral("cal.ics")), text));
        auto store = openStore(collectionAt(root.path()));
        QVERIFY(store);
        const QDateTime monday(QDate(2024, 3, 11), QTime(0, 0), Qt::UTC);
        auto found = store->events({monday, monday.addDays(3), std::nullopt, user});
        std::sort(found.begin(), found.end(), [](const auto &a, const auto &b) { return a.start < b.start; });
        QStringList spans;
        for (const auto &occurrence : found) {
            spans.append(occurrence.start.toString(Qt::ISODate) + QLatin1Char('/') +
                         occurrence.end.toString(Qt::ISODate) +
                         (occurrence.isDeclined ? QStringLiteral(" declined") : QString()));
        }
        QCOMPARE(spans.join(QLatin1Char(' ')), expected);
    }

    // From the settings to the published values: the user declined one meeting, has another soon,
    // and an all-day event in a second calendar covers now; a broken file costs only itself.
    void watcherEndToEnd()
    {
        QTemporaryDir root;
        QVERIFY(write(root.filePath(QStringLiteral("work/declined.ics")),
                      calendar(vevent("DTSTART:20240312T143000Z\nDTEND:20240312T153000Z\n"
                                      "ATTENDEE;PARTSTAT=DECLINED:mailto:ME@example.org\n",
                                      "a@test"))));
        QVERIFY(write(root.filePath(QStringLiteral("work/soon.ics")),
                      calendar(vevent("DTSTART:20240312T150400Z\nDTEND:20240312T153000Z\n", "b@test"))));
        QVERIFY(write(root.filePath(QStringLiteral("work/broken.ics")), "BEGIN:VCALENDAR\n\x01\x02garbage\n"));
        QVERIFY(write(root.filePath(QStringLiteral("home.ics")),
                      calendar(vevent("DTSTART;VALUE=DATE:20240312\nDTEND;VALUE=DATE:20240313\n"))));
        AppSettings::open()->setValue(CalendarWatcher::userAddressesKey(),
                                      QStringList{QStringLiteral("me@example.org")});

        auto watcher = makeWatcher(root.path());
        watcher->start();
        QVERIFY(QTest::qWaitFor([&] { return watcher->isInMeeting().has_value(); }, 5000));
        QCOMPARE(watcher->isInMeeting(), std::optional(false));
        QCOMPARE(watcher->isMeetingSoon(), std::optional(true));
        QCOMPARE(watcher->availableCalendars().size(), 2);
    }

    void calendarsFound()
    {
        QTemporaryDir root;
        QTemporaryDir elsewhere;
        QTemporaryDir desktop;
        const QByteArray empty = calendar({});
        QVERIFY(write(root.filePath(QStringLiteral("team/displayname")), "Team Calendar\n"));
        QVERIFY(write(root.filePath(QStringLiteral("plain/a.ics")), empty));
        QVERIFY(write(root.filePath(QStringLiteral("named.ics")), calendar({}, "X-WR-CALNAME:Holidays\n")));
        QVERIFY(write(root.filePath(QStringLiteral("unnamed.ics")), "not iCalendar at all"));
        QVERIFY(write(root.filePath(QStringLiteral("account/nested/b.ics")), empty));
        QVERIFY(write(root.filePath(QStringLiteral("readme.txt")), "not a calendar"));
        // Reached through two links: one calendar.
        QVERIFY(write(elsewhere.filePath(QStringLiteral("linked/c.ics")), empty));
        QVERIFY(QFile::link(elsewhere.filePath(QStringLiteral("linked")), root.filePath(QStringLiteral("link1"))));
        QVERIFY(QFile::link(elsewhere.filePath(QStringLiteral("linked")), root.filePath(QStringLiteral("link2"))));
        QVERIFY(write(desktop.filePath(QStringLiteral("local/system/calendar.ics")), empty));
        QVERIFY(write(desktop.filePath(QStringLiteral("local/other/calendar.ics")), empty));
        QVERIFY(write(desktop.filePath(QStringLiteral("sources/system.source")),
                      "[Data Source]\nDisplayName=Personal\nEnabled=true\n"));
        QVERIFY(write(desktop.filePath(QStringLiteral("sources/other.source")), "[Data Source]\nEnabled=true\n"));
        // Left behind by a calendar removed on the desktop: no source file.
        QVERIFY(write(desktop.filePath(QStringLiteral("local/removed/calendar.ics")), empty));

        ICalendarStore::Options options = collectionAt(root.path());
        options.roots.append({desktop.filePath(QStringLiteral("local")), ICalendarStore::Root::Kind::DesktopLocal});
        options.desktopSources = desktop.filePath(QStringLiteral("sources"));
        const auto listed = [&options] {
            auto store = openStore(options);
            QStringList result;
            for (const auto &calendar : store ? store->calendars() : QList<CalendarInfo>{}) {
                result.append(calendar.title + QLatin1Char('=') + calendar.id);
            }
            result.sort();
            return result;
        };
        const QStringList found = listed();
        QStringList titles;
        for (const QString &entry : found) {
            titles.append(entry.section(QLatin1Char('='), 0, 0));
        }
        QCOMPARE(titles.join(QLatin1Char(',')),
                 QStringLiteral("Holidays,Personal,Team Calendar,link1,nested,other,plain,unnamed"));
        // Another store, as after a restart, gives every calendar the same id.
        QCOMPARE(listed(), found);
    }

    // The desktop's own local calendars where it keeps them, by the names its source files give,
    // with the user found by the desktop's mail identity; a calendar file replaced the way the
    // desktop saves it is followed.
    void desktopCalendars()
    {
        QTemporaryDir data;
        const QByteArray oldData = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
        const auto restore = qScopeGuard([&] { qputenv("XDG_DATA_HOME", oldData); });
        const QString calendars = data.filePath(QStringLiteral("evolution/calendar/"));
        const QString sources = m_config.filePath(QStringLiteral("evolution/sources/"));
        const QString teamId = QStringLiteral("a4d1c0ffee42");
        QVERIFY(write(calendars + QStringLiteral("system/calendar.ics"),
                      calendar(vevent("DTSTART:20240312T143000Z\nDTEND:20240312T153000Z\n"
                                      "ATTENDEE;PARTSTAT=DECLINED:mailto:Me@Work.example\n"))));
        QVERIFY(write(calendars + teamId + QStringLiteral("/calendar.ics"),
                      calendar(vevent("DTSTART:20240312T150300Z\nDURATION:PT1H\n"))));
        QVERIFY(write(sources + teamId + QStringLiteral(".source"),
                      "[Data Source]\nDisplayName=Team\nEnabled=true\nParent=local-stub\n\n[Calendar]\n"
                      "BackendName=local\nColor=#62a0ea\n"));
        QVERIFY(write(sources + QStringLiteral("f00.source"),
                      "[Data Source]\nDisplayName=me@work.example\n\n[Mail Identity]\nName=Me\n"
                      "Address=me@work.example\nReplyTo=\n"));

        CalendarWatcher::Options options;
        options.now = [] {
            return now;
        };
        options.refreshInterval = std::chrono::hours(1);
        CalendarWatcher watcher(std::make_unique<ICalendarStore>(), options);
        watcher.start();
        QVERIFY(QTest::qWaitFor([&] { return watcher.isInMeeting().has_value(); }, 5000));
        QStringList titles;
        for (const CalendarInfo &info : watcher.availableCalendars()) {
            titles.append(info.title);
        }
        QCOMPARE(titles.join(QLatin1Char(',')), QStringLiteral("Personal,Team"));
        QVERIFY(watcher.userAddresses().contains(QStringLiteral("me@work.example")));
        QCOMPARE(watcher.isInMeeting(), std::optional(false));
        QCOMPARE(watcher.isMeetingSoon(), std::optional(true));

        const QString replacement = calendars + teamId + QStringLiteral("/calendar.ics~");
        QVERIFY(write(replacement, calendar(vevent("DTSTART:20240312T145000Z\nDURATION:PT1H\n"))));
        QVERIFY(::rename(QFile::encodeName(replacement).constData(),
                         QFile::encodeName(calendars + teamId + QStringLiteral("/calendar.ics")).constData()) == 0);
        QVERIFY(QTest::qWaitFor([&] { return watcher.isInMeeting() == std::optional(true); }, 5000));
    }

    // A missing root holds no calendar yet; a root that cannot be listed refuses access.
    void access_data()
    {
        QTest::addColumn<bool>("rootIsFile");
        QTest::newRow("missing root") << false;
        QTest::newRow("root that is no folder") << true;
    }

    void access()
    {
        QFETCH(bool, rootIsFile);
        QTemporaryDir base;
        const QString path = base.filePath(QStringLiteral("Calendars"));
        QVERIFY(!rootIsFile || write(path, "x"));
        bool granted = rootIsFile;
        auto store = openStore(collectionAt(path), &granted);
        QVERIFY(store);
        QCOMPARE(granted, !rootIsFile);
        QVERIFY(store->calendars().isEmpty());

        auto watcher = makeWatcher(path);
        QSignalSpy inMeeting(watcher.get(), &CalendarWatcher::isInMeetingChanged);
        watcher->start();
        QVERIFY(inMeeting.wait(5000));
        QCOMPARE(watcher->isInMeeting(), std::optional(false));
        QCOMPARE(watcher->isMeetingSoon(), std::optional(false));
    }

    // The root appearing, an event added to a calendar folder, a calendar file rewritten: each
    // reaches the published values without waiting for the periodic refresh.
    void followsChanges()
    {
        QTemporaryDir base;
        const QString root = base.filePath(QStringLiteral("Calendars"));
        auto watcher = makeWatcher(root);
        watcher->start();
        QVERIFY(QTest::qWaitFor([&] { return watcher->isInMeeting().has_value(); }, 5000));

        QVERIFY(write(root + QStringLiteral("/team/displayname"), "Team"));
        QVERIFY(QTest::qWaitFor([&] { return watcher->availableCalendars().size() == 1; }, 5000));
        QVERIFY(write(root + QStringLiteral("/team/standup.ics"),
                      calendar(vevent("DTSTART:20240312T145000Z\nDTEND:20240312T151000Z\n"))));
        QVERIFY(QTest::qWaitFor([&] { return watcher->isInMeeting() == std::optional(true); }, 5000));

        const QString single = root + QStringLiteral("/review.ics");
        QVERIFY(write(single, calendar(vevent("DTSTART:20240312T150200Z\nDURATION:PT1H\n"))));
        QVERIFY(QTest::qWaitFor([&] { return watcher->isMeetingSoon() == std::optional(true); }, 5000));
        QVERIFY(write(single, calendar(vevent("DTSTART:20240313T150200Z\nDURATION:PT1H\n"))));
        QVERIFY(QTest::qWaitFor([&] { return watcher->isMeetingSoon() == std::optional(false); }, 5000));
    }

    // Parsed files are kept, but one rewritten with the same size is read again.
    void rereadsChangedFiles()
    {
        QTemporaryDir root;
        const QString path = root.filePath(QStringLiteral("cal.ics"));
        QVERIFY(write(path, calendar(vevent("DTSTART:20240312T143000Z\nDURATION:PT1H\n"))));
        auto store = openStore(collectionAt(root.path()));
        QVERIFY(store);
        const CalendarEventQuery query{now, now, std::nullopt, {}};
        QCOMPARE(store->events(query).size(), 1);
        QVERIFY(write(path, calendar(vevent("DTSTART:20240313T143000Z\nDURATION:PT1H\n"))));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(60), QFileDevice::FileModificationTime));
        file.close();
        QCOMPARE(store->events(query).size(), 0);
    }
};

QTEST_GUILESS_MAIN(ICalendarStoreTest)
#include "tst_icalendarstore.moc"
