#include "signals/CalendarWatcher.h"
#include "support/FakeCalendarStore.h"
#include "support/TestMain.h"
#include "util/AppSettings.h"

#include <QSignalSpy>
#include <QSize>
#include <QTemporaryDir>

using namespace std::chrono_literals;

namespace {
struct Span {
    qint64 start; // seconds from now
    qint64 end;
    bool allDay = false;
    bool declined = false;
};
} // namespace

Q_DECLARE_METATYPE(QList<Span>)

class CalendarWatcherTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_config;
    QDateTime m_now = QDateTime(QDate(2024, 3, 12), QTime(10, 0), Qt::UTC);

    CalendarEvent event(const Span &span) const
    {
        return {m_now.addSecs(span.start), m_now.addSecs(span.end), span.allDay, span.declined};
    }

    // A store with calendars "Work" (A) and "Home" (B), A holding the given events.
    std::unique_ptr<CalendarWatcher> makeWatcher(FakeCalendarStore *&store, const QList<Span> &spans = {},
                                                 std::chrono::milliseconds interval = 30s)
    {
        store = new FakeCalendarStore;
        store->calendarList = {{QStringLiteral("A"), QStringLiteral("Work")},
                               {QStringLiteral("B"), QStringLiteral("Home")}};
        for (const Span &span : spans) {
            store->eventsByCalendar[QStringLiteral("A")].append(event(span));
        }
        return std::make_unique<CalendarWatcher>(std::unique_ptr<CalendarStore>(store),
                                                 CalendarWatcher::Options{interval, [this] {
                                                                              return m_now;
                                                                          }});
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    }

    void init() { QFile::remove(AppSettings::filePath()); }

    void evaluation_data()
    {
        QTest::addColumn<QList<Span>>("spans");
        QTest::addColumn<bool>("inMeeting");
        QTest::addColumn<bool>("soon");

        QTest::newRow("in progress") << QList<Span>{{-600, 600}} << true << false;
        QTest::newRow("starts in 4 min") << QList<Span>{{240, 1800}} << false << true;
        QTest::newRow("starts in 6 min") << QList<Span>{{360, 1800}} << false << false;
        QTest::newRow("starts exactly now") << QList<Span>{{0, 1800}} << true << false;
        QTest::newRow("starts in exactly 300 s") << QList<Span>{{300, 1800}} << false << true;
        QTest::newRow("ends exactly now") << QList<Span>{{-1800, 0}} << false << false;
        QTest::newRow("all-day covering now") << QList<Span>{{-36000, 50000, true}} << false << false;
        QTest::newRow("declined in progress") << QList<Span>{{-600, 600, false, true}} << false << false;
        QTest::newRow("in one, the next soon") << QList<Span>{{-600, 60}, {60, 600}} << true << true;
    }

    void evaluation()
    {
        QFETCH(QList<Span>, spans);
        QFETCH(bool, inMeeting);
        QFETCH(bool, soon);
        FakeCalendarStore *store = nullptr;
        auto watcher = makeWatcher(store, spans);
        watcher->start();
        QCOMPARE(watcher->isInMeeting(), std::optional(inMeeting));
        QCOMPARE(watcher->isMeetingSoon(), std::optional(soon));
        const CalendarEventQuery &query = store->queries.at(0);
        QCOMPARE(query.from, m_now.addSecs(-86400));
        QCOMPARE(query.to, m_now.addSecs(300));
        QCOMPARE(query.calendarIds, std::nullopt);
    }

    void access()
    {
        FakeCalendarStore *store = nullptr;
        auto watcher = makeWatcher(store, {{-60, 60}}, 1ms);
        store->access.reset();
        QSignalSpy inMeeting(watcher.get(), &CalendarWatcher::isInMeetingChanged);
        watcher->start();
        watcher->start();
        QCOMPARE(store->accessRequests, 1);
        QCOMPARE(watcher->isInMeeting(), std::nullopt);

        // Refused: false once, and neither the timer nor a change notification reads anything.
        store->resolveAccess(false);
        QCOMPARE(watcher->isInMeeting(), std::optional(false));
        QCOMPARE(watcher->isMeetingSoon(), std::optional(false));
        store->notifyChanged();
        QTest::qWait(20);
        QCOMPARE(inMeeting.count(), 1);
        QVERIFY(store->queries.isEmpty());
    }

    void followsTimeAndChanges()
    {
        FakeCalendarStore *store = nullptr;
        auto watcher = makeWatcher(store, {{600, 1800}}, 5ms);
        QSignalSpy soon(watcher.get(), &CalendarWatcher::isMeetingSoonChanged);
        watcher->start();
        QCOMPARE(watcher->isMeetingSoon(), std::optional(false));
        // The timer evaluates again, and every evaluation is signalled.
        QVERIFY(QTest::qWaitFor([&] { return soon.count() >= 3; }));
        m_now = m_now.addSecs(360);
        QVERIFY(QTest::qWaitFor([&] { return watcher->isMeetingSoon() == std::optional(true); }));

        store->calendarList.append({QStringLiteral("C"), QStringLiteral("Team")});
        store->eventsByCalendar[QStringLiteral("C")] = {event({-60, 60})};
        store->notifyChanged();
        QCOMPARE(watcher->availableCalendars().size(), 3);
        QCOMPARE(watcher->isInMeeting(), std::optional(true));
    }

    void exclusions()
    {
        FakeCalendarStore *store = nullptr;
        auto watcher = makeWatcher(store, {{-60, 600}});
        store->eventsByCalendar[QStringLiteral("B")] = {event({120, 600})};
        watcher->start();
        QCOMPARE(watcher->isInMeeting(), std::optional(true));

        // Saved at once, and the values follow without waiting for the timer.
        watcher->setExcludedCalendarIDs({QStringLiteral("A")});
        QCOMPARE(AppSettings::open()->value(CalendarWatcher::excludedCalendarIDsKey()).toString(), QStringLiteral("A"));
        QCOMPARE(store->queries.last().calendarIds, std::optional(QStringList{QStringLiteral("B")}));
        QCOMPARE(watcher->isInMeeting(), std::optional(false));
        QCOMPARE(watcher->isMeetingSoon(), std::optional(true));

        // Everything excluded: nothing is read at all, rather than everything.
        const auto queries = store->queries.size();
        watcher->setExcludedCalendarIDs({QStringLiteral("A"), QStringLiteral("B")});
        QCOMPARE(store->queries.size(), queries);
        QCOMPARE(watcher->isMeetingSoon(), std::optional(false));

        watcher->setExcludedCalendarIDs({});
        QCOMPARE(store->queries.last().calendarIds, std::nullopt);
        QCOMPARE(watcher->isInMeeting(), std::optional(true));
    }

    void settingsAtCreation_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QStringList>("excluded");

        QTest::newRow("missing") << QVariant() << QStringList{};
        QTest::newRow("list") << QVariant(QStringList{QStringLiteral("x"), QStringLiteral("y, z")})
                              << QStringList{QStringLiteral("x"), QStringLiteral("y, z")};
        // Stored as a plain string by the INI format.
        QTest::newRow("list of one") << QVariant(QStringList{QStringLiteral("/a")})
                                     << QStringList{QStringLiteral("/a")};
        QTest::newRow("not a list") << QVariant(QSize(3, 4)) << QStringList{};
    }

    void settingsAtCreation()
    {
        QFETCH(QVariant, stored);
        QFETCH(QStringList, excluded);
        if (stored.isValid()) {
            AppSettings::open()->setValue(CalendarWatcher::excludedCalendarIDsKey(), stored);
        }
        FakeCalendarStore *store = nullptr;
        QCOMPARE(makeWatcher(store)->excludedCalendarIDs(), QSet<QString>(excluded.begin(), excluded.end()));
    }

    // The store's addresses (the desktop's mail identities, the accounts') find the user beside
    // the configured ones; they come with access and with later changes, and each change of the
    // whole list is announced.
    void storeAddresses()
    {
        AppSettings::open()->setValue(CalendarWatcher::userAddressesKey(),
                                      QStringList{QStringLiteral("me@home.example")});
        FakeCalendarStore *store = nullptr;
        auto watcher = makeWatcher(store, {{-60, 60}});
        store->knownAddresses = {QStringLiteral("me@work.example")};
        QSignalSpy announced(watcher.get(), &CalendarWatcher::userAddressesChanged);
        watcher->start();
        QVERIFY(!store->queries.isEmpty());
        QVERIFY(store->queries.last().userAddresses.contains(QStringLiteral("me@home.example")));
        QVERIFY(store->queries.last().userAddresses.contains(QStringLiteral("me@work.example")));
        QCOMPARE(announced.size(), 1);

        store->knownAddresses = {QStringLiteral("me@new.example")};
        store->notifyChanged();
        QVERIFY(store->queries.last().userAddresses.contains(QStringLiteral("me@new.example")));
        QVERIFY(!store->queries.last().userAddresses.contains(QStringLiteral("me@work.example")));
        QCOMPARE(announced.size(), 2);
        store->notifyChanged();
        QCOMPARE(announced.size(), 2);
    }

    void calendarsSortedByTitle()
    {
        FakeCalendarStore *store = nullptr;
        auto watcher = makeWatcher(store);
        store->calendarList.clear();
        for (const char *title : {"beta", "Alpha", "alpha", "Zed", "Beta"}) {
            store->calendarList.append({QString::fromLatin1(title) + QLatin1Char('#'), QString::fromLatin1(title)});
        }
        watcher->start();
        QStringList titles;
        for (const CalendarInfo &calendar : watcher->availableCalendars()) {
            titles.append(calendar.title);
        }
        QCOMPARE(titles, QStringLiteral("Alpha Beta Zed alpha beta").split(QLatin1Char(' ')));
    }
};

QTEST_GUILESS_MAIN(CalendarWatcherTest)
#include "tst_calendarwatcher.moc"
