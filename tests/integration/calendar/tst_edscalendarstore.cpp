// EdsCalendarStore against a real calendar server (evolution-data-server), which a private session
// bus started here activates with every folder of the user in a temporary home; alone, beside the
// calendar files, under CalendarWatcher, and through its module as the application loads it: only
// while the server runs, never starting it. Every function starts with the server stopped and the
// home as the fixture writes it, whatever ran before.
#include "CalendarTestSupport.h"
#include "platform/linux/calendar/EdsCalendarStore.h"
#include "platform/linux/calendar/ICalendarStore.h"
#include "platform/linux/calendar/OnDemandCalendarStore.h"
#include "signals/CalendarWatcher.h"
#include "signals/CombinedCalendarStore.h"
#include "support/BuildPaths.h"
#include "support/TestMain.h"
#include "support/TestTime.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QDir>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>

#include <sys/prctl.h>
#include <unistd.h>

#include <libecal/libecal.h>

namespace {
const QString testSource = QStringLiteral("kestrix-test");
const QString registryName = QStringLiteral("org.gnome.evolution.dataserver.Sources5");
// The server's services, its backends' helper processes included.
const QString serverPrefix = QStringLiteral("org.gnome.evolution.dataserver.");
const QStringList moduleFolders{kestrix::buildpaths::moduleDir()};

QByteArray edsEvent(const QByteArray &uid, const QByteArray &lines)
{
    return "BEGIN:VEVENT\nUID:" + uid + "\nDTSTAMP:20240101T000000Z\nSUMMARY:Private\n" + lines + "END:VEVENT\n";
}

QString spans(QList<CalendarEvent> events)
{
    std::sort(events.begin(), events.end(), [](const auto &a, const auto &b) { return a.start < b.start; });
    QStringList result;
    for (const CalendarEvent &event : events) {
        result.append(event.start.toString(Qt::ISODate) + QLatin1Char('/') + event.end.toString(Qt::ISODate) +
                      (event.isDeclined ? QStringLiteral(" declined") : QString()));
    }
    return result.join(QLatin1Char(' '));
}

std::unique_ptr<CalendarStore> granted(std::unique_ptr<CalendarStore> store, bool expected = true)
{
    QSignalSpy resolved(store.get(), &CalendarStore::accessResolved);
    store->requestAccess();
    if (!resolved.wait(30000) || resolved.first().at(0).toBool() != expected) {
        return nullptr;
    }
    return store;
}

QStringList titles(const QList<CalendarInfo> &calendars)
{
    QStringList result;
    for (const CalendarInfo &calendar : calendars) {
        result.append(calendar.title);
    }
    result.sort();
    return result;
}
} // namespace

class EdsCalendarStoreTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;
    QProcess m_bus;
    QString m_address;

    QString home(const QString &path) const { return m_home.filePath(path); }

    QDBusConnection bus() const { return QDBusConnection::connectToBus(m_address, QStringLiteral("private-session")); }

    // Ends every process of the server (as a crash would) and waits until they are all gone.
    bool stopServer() const
    {
        const QDBusConnection connection = bus();
        QSet<uint> pids;
        const auto running = [&] {
            bool any = false;
            for (const QString &name : connection.interface()->registeredServiceNames().value()) {
                const QDBusReply<uint> pid = connection.interface()->servicePid(name);
                if (name.startsWith(serverPrefix) && pid.isValid()) {
                    any = true;
                    pids.insert(pid.value());
                    ::kill(pid.value(), SIGTERM);
                }
            }
            return any || std::any_of(pids.cbegin(), pids.cend(),
                                      [](uint pid) { return ::kill(pid, 0) == 0 || errno != ESRCH; });
        };
        return connection.isConnected() && QTest::qWaitFor([&] { return !running(); }, 30000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty() ||
            !QFileInfo::exists(QStringLiteral("/usr/share/dbus-1/services/") + registryName +
                               QStringLiteral(".service"))) {
            QSKIP("needs dbus-daemon and evolution-data-server (scripts/setup.sh installs them)");
        }
        QVERIFY(m_home.isValid());
        // Floating times are local times: a zone without summer time makes them predictable.
        qputenv("TZ", "Asia/Tokyo");
        qputenv("HOME", QFile::encodeName(home(QStringLiteral("home"))));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home(QStringLiteral("config"))));
        qputenv("XDG_DATA_HOME", QFile::encodeName(home(QStringLiteral("data"))));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(home(QStringLiteral("cache"))));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(home(QStringLiteral("runtime"))));
        qputenv("GSETTINGS_BACKEND", "memory");
        qunsetenv("DISPLAY");
        qunsetenv("WAYLAND_DISPLAY");
        QDir().mkpath(home(QStringLiteral("runtime")));
        QFile::setPermissions(home(QStringLiteral("runtime")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        m_bus.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
        // In a session of its own, so that nothing the bus starts can signal the test's process
        // group, and ended with the test however the test ends.
        m_bus.setChildProcessModifier([] {
            ::setsid();
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        });
        m_bus.start(QStringLiteral("dbus-daemon"),
                    {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        QVERIFY(m_bus.waitForStarted(10000));
        QVERIFY(QTest::qWaitFor([&] { return m_bus.canReadLine(); }, 10000));
        m_address = QString::fromUtf8(m_bus.readLine().trimmed());
        QVERIFY(!m_address.isEmpty());
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_address.toUtf8());
        QVERIFY(bus().isConnected());
    }

    // The server stopped, and the home as it was at first: a local calendar of the server's and a
    // mail identity, nothing else.
    void init()
    {
        QVERIFY(stopServer());
        for (const QString &folder : {QStringLiteral("home"), QStringLiteral("config"), QStringLiteral("data"),
                                      QStringLiteral("cache"), QStringLiteral("files")}) {
            QVERIFY(QDir(home(folder)).removeRecursively());
        }
        const QString sources = home(QStringLiteral("config/evolution/sources/"));
        QVERIFY(write(sources + testSource + QStringLiteral(".source"),
                      "[Data Source]\nDisplayName=Standups\nEnabled=true\nParent=local-stub\n\n"
                      "[Calendar]\nBackendName=local\n"));
        QVERIFY(write(sources + QStringLiteral("kestrix-identity.source"),
                      "[Data Source]\nDisplayName=Work\nEnabled=true\n\n[Mail Identity]\n"
                      "Address=me@work.example\nName=Me\n"));
        const QByteArray weekly = edsEvent("weekly@test", "DTSTART;TZID=America/New_York:20240102T093000\n"
                                                          "DURATION:PT30M\nRRULE:FREQ=WEEKLY\n");
        const QByteArray moved = edsEvent("weekly@test", "RECURRENCE-ID;TZID=America/New_York:20240312T093000\n"
                                                         "DTSTART;TZID=America/New_York:20240313T100000\n"
                                                         "DURATION:PT30M\n");
        const QByteArray allDay = edsEvent("day@test", "DTSTART;VALUE=DATE:20240312\nDTEND;VALUE=DATE:20240313\n");
        const QByteArray declined = edsEvent("declined@test", "DTSTART:20240312T150000Z\nDTEND:20240312T160000Z\n"
                                                              "ORGANIZER:mailto:boss@work.example\n"
                                                              "ATTENDEE;PARTSTAT=DECLINED:mailto:Me@Work.example\n");
        QVERIFY(write(home(QStringLiteral("data/evolution/calendar/")) + testSource + QStringLiteral("/calendar.ics"),
                      "BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//Kestrix tests//EN\n" + weekly + moved + allDay +
                          declined + "END:VCALENDAR\n"));
    }

    void cleanupTestCase()
    {
        if (m_bus.state() != QProcess::NotRunning) {
            stopServer();
            m_bus.kill();
            m_bus.waitForFinished(10000);
        }
    }

    // Without a calendar server the store refuses access, and beside calendar files the files
    // alone are served, without any error.
    void withoutServer()
    {
        // No session bus: the process's connection to the test's bus went with the stores of the
        // functions before, so the client library meets this address alone.
        const QByteArray noBus = "unix:path=" + QFile::encodeName(home(QStringLiteral("no-bus")));
        qputenv("DBUS_SESSION_BUS_ADDRESS", noBus);
        const auto restore = qScopeGuard([this] { qputenv("DBUS_SESSION_BUS_ADDRESS", m_address.toUtf8()); });
        GError *error = nullptr;
        GDBusConnection *session = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
        g_clear_error(&error);
        if (session) {
            g_object_unref(session);
        }
        QVERIFY2(!session, "the session bus connection outlived the functions before");
        QVERIFY(granted(std::make_unique<EdsCalendarStore>(), false));

        ICalendarStore::Options files;
        files.roots = {{home(QStringLiteral("files")), ICalendarStore::Root::Kind::Collection}};
        QVERIFY(write(home(QStringLiteral("files/team.ics")), "BEGIN:VCALENDAR\nVERSION:2.0\nEND:VCALENDAR\n"));
        std::vector<std::unique_ptr<CalendarStore>> stores;
        stores.push_back(std::make_unique<EdsCalendarStore>());
        stores.push_back(std::make_unique<ICalendarStore>(files));
        auto combined = granted(std::make_unique<CombinedCalendarStore>(std::move(stores)));
        QVERIFY(combined);
        QCOMPARE(titles(combined->calendars()), QStringList{QStringLiteral("team")});

        // Through the module: no bus, nothing to watch, no calendars, and no error.
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
        auto onDemand = granted(OnDemandCalendarStore::forCalendarServer(
            moduleFolders, QDBusConnection::connectToBus(QString::fromUtf8(noBus), QStringLiteral("no-bus"))));
        QVERIFY(onDemand);
        QCOMPARE(onDemand->calendars(), QList<CalendarInfo>());
    }

    // Under the watcher beside the calendar files, on a bus that could start the server: watching
    // for it does not start it, it is picked up once it runs, dropped when it goes (the files still
    // served), and picked up again. A module that is missing or does not load leaves the files
    // alone at work, without a word.
    void serverOnlyWhileItRuns()
    {
        const QDBusConnection bus = this->bus();
        QVERIFY(bus.isConnected());
        QVERIFY(!bus.interface()->isServiceRegistered(registryName));
        QVERIFY(write(home(QStringLiteral("data/Kestrix/Calendars/team.ics")),
                      "BEGIN:VCALENDAR\nVERSION:2.0\nEND:VCALENDAR\n"));
        QTemporaryDir broken;
        QFile junk(broken.filePath(QStringLiteral("kestrix-calendar-server.so")));
        QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write("not a module") > 0);
        junk.close();

        const auto watch = [&bus](const QStringList &folders, OnDemandCalendarStore *&server) {
            std::vector<std::unique_ptr<CalendarStore>> stores;
            auto onDemand = OnDemandCalendarStore::forCalendarServer(folders, bus);
            server = onDemand.get();
            stores.push_back(std::move(onDemand));
            stores.push_back(std::make_unique<ICalendarStore>());
            CalendarWatcher::Options options;
            options.now = [] {
                return now;
            };
            options.refreshInterval = std::chrono::hours(1); // only changes refresh here
            auto watcher =
                std::make_unique<CalendarWatcher>(std::make_unique<CombinedCalendarStore>(std::move(stores)), options);
            watcher->start();
            return watcher;
        };
        OnDemandCalendarStore *server = nullptr;
        auto watcher = watch(moduleFolders, server);
        QTRY_VERIFY_WITH_TIMEOUT(titles(watcher->availableCalendars()).contains(QStringLiteral("team")), 30000);
        // A client that asked for the server would have it starting by now.
        QTest::qWait(int(1000 * TestTime::factor()));
        QVERIFY(!bus.interface()->isServiceRegistered(registryName));
        QVERIFY(!server->isServing());

        // The server's calendars reach the watcher through the store's change alone.
        QVERIFY(bus.interface()->startService(registryName).isValid());
        QTRY_VERIFY_WITH_TIMEOUT(titles(server->calendars()).contains(QStringLiteral("Personal")), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(titles(watcher->availableCalendars()).contains(QStringLiteral("Personal")), 30000);
        QVERIFY(titles(watcher->availableCalendars()).contains(QStringLiteral("team")));

        QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
        for (const QString &folder : {QStringLiteral("/nonexistent"), broken.path()}) {
            OnDemandCalendarStore *unavailable = nullptr;
            auto alone = watch({folder}, unavailable);
            QTRY_VERIFY_WITH_TIMEOUT(titles(alone->availableCalendars()).contains(QStringLiteral("team")), 30000);
            QCOMPARE(alone->isInMeeting(), std::optional(false));
            QVERIFY(!unavailable->isServing());
            QCOMPARE(unavailable->calendars(), QList<CalendarInfo>());
        }

        const QDBusReply<uint> pid = bus.interface()->servicePid(registryName);
        QVERIFY(pid.isValid());
        QCOMPARE(::kill(pid.value(), SIGTERM), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!server->isServing(), 30000);
        QCOMPARE(server->calendars(), QList<CalendarInfo>());
        QVERIFY(titles(watcher->availableCalendars()).contains(QStringLiteral("team")));

        QVERIFY(bus.interface()->startService(registryName).isValid());
        QTRY_VERIFY_WITH_TIMEOUT(titles(server->calendars()).contains(QStringLiteral("Personal")), 30000);
        watcher.reset(); // with the server's store loaded: a clean teardown
    }

    // The server's calendars by their names and UIDs; the events of the test's calendar with the
    // series expanded by the server's library, the moved occurrence at its own time, the all-day
    // event left out, and the meeting the user declined (found by the desktop's mail identity)
    // marked.
    void calendarsAndEvents()
    {
        auto store = granted(std::make_unique<EdsCalendarStore>());
        QVERIFY(store);
        QTRY_VERIFY_WITH_TIMEOUT(!store->calendars().isEmpty(), 30000);
        const QList<CalendarInfo> calendars = store->calendars();
        QVERIFY(calendars.contains(CalendarInfo{testSource, QStringLiteral("Standups")}));
        QVERIFY(calendars.contains(CalendarInfo{QStringLiteral("system-calendar"), QStringLiteral("Personal")}));
        QVERIFY(store->knownUserAddresses().contains(QStringLiteral("me@work.example")));

        const QDateTime monday(QDate(2024, 3, 11), QTime(0, 0), Qt::UTC);
        const CalendarEventQuery query{monday, monday.addDays(3), QStringList{testSource}, {}};
        QTRY_COMPARE_WITH_TIMEOUT(spans(store->events(query)),
                                  QStringLiteral("2024-03-12T15:00:00Z/2024-03-12T16:00:00Z declined "
                                                 "2024-03-13T14:00:00Z/2024-03-13T14:30:00Z"),
                                  30000);
        // Another window, a month on: the view follows it.
        const CalendarEventQuery later{monday.addDays(28), monday.addDays(30), QStringList{testSource}, {}};
        QTRY_COMPARE_WITH_TIMEOUT(spans(store->events(later)),
                                  QStringLiteral("2024-04-09T13:30:00Z/2024-04-09T14:00:00Z"), 30000);
    }

    // A calendar another client adds is listed and opened, and one it removes goes, with its
    // events, while the store keeps answering.
    void sourcesComeAndGo()
    {
        auto store = granted(std::make_unique<EdsCalendarStore>());
        QVERIFY(store);
        GError *error = nullptr;
        ESourceRegistry *registry = e_source_registry_new_sync(nullptr, &error);
        QVERIFY2(registry, error ? error->message : "");
        const auto release = qScopeGuard([&] { g_object_unref(registry); });
        ESource *added = e_source_new_with_uid("kestrix-added", nullptr, &error);
        QVERIFY(added);
        e_source_set_parent(added, "local-stub");
        e_source_set_display_name(added, "Added");
        e_source_backend_set_backend_name(E_SOURCE_BACKEND(e_source_get_extension(added, E_SOURCE_EXTENSION_CALENDAR)),
                                          "local");
        const bool committed = e_source_registry_commit_source_sync(registry, added, nullptr, &error);
        g_object_unref(added);
        QVERIFY2(committed, error ? error->message : "");
        QTRY_VERIFY_WITH_TIMEOUT(titles(store->calendars()).contains(QStringLiteral("Added")), 30000);

        // Its events once its view is open: a meeting another client puts there.
        ESource *source = e_source_registry_ref_source(registry, "kestrix-added");
        QVERIFY(source);
        EClient *client = e_cal_client_connect_sync(source, E_CAL_CLIENT_SOURCE_TYPE_EVENTS, 10, nullptr, &error);
        QVERIFY2(client, error ? error->message : "");
        ICalComponent *event = i_cal_component_new_from_string(
            edsEvent("added@test", "DTSTART:20240312T143000Z\nDTEND:20240312T153000Z\n").constData());
        QVERIFY(e_cal_client_create_object_sync(E_CAL_CLIENT(client), event, E_CAL_OPERATION_FLAG_NONE, nullptr,
                                                nullptr, &error));
        g_object_unref(event);
        const auto releaseClient = qScopeGuard([&] { g_object_unref(client); });
        const CalendarEventQuery query{
            now.addDays(-1), now.addSecs(300), QStringList{QStringLiteral("kestrix-added")}, {}};
        QTRY_COMPARE_WITH_TIMEOUT(store->events(query).size(), 1, 30000);

        // A once-a-minute rule from the start of three weeks asked for: its expansion is bounded as
        // the files' is (20,000 steps), where the weeks hold over 30,000 occurrences.
        ICalComponent *flood = i_cal_component_new_from_string(
            edsEvent("flood@test", "DTSTART:20240311T150000Z\nDURATION:PT1M\nRRULE:FREQ=MINUTELY\n").constData());
        QVERIFY(e_cal_client_create_object_sync(E_CAL_CLIENT(client), flood, E_CAL_OPERATION_FLAG_NONE, nullptr,
                                                nullptr, &error));
        g_object_unref(flood);
        const CalendarEventQuery weeks{now.addDays(-1), now.addDays(20), query.calendarIds, {}};
        qsizetype answered = 0; // asked once more only when the flood is in
        QTRY_VERIFY_WITH_TIMEOUT((answered = store->events(weeks).size()) > 1, 30000);
        QCOMPARE(answered, 20001);

        QVERIFY(e_source_remove_sync(source, nullptr, &error));
        g_object_unref(source);
        QTRY_VERIFY_WITH_TIMEOUT(!titles(store->calendars()).contains(QStringLiteral("Added")), 30000);
        QCOMPARE(store->events(query).size(), 0);
        QVERIFY(titles(store->calendars()).contains(QStringLiteral("Standups")));
    }

    // Under the watcher, beside calendar files that also reach the server's local calendars: each
    // calendar is listed once (one removed from the server, whose folder the server leaves behind,
    // not at all), an event another client adds reaches the values through the server's
    // notifications alone, and exclusion works on both stores' calendars.
    void watcherWithBothStores()
    {
        // Were the removed calendar's meeting counted, exclusion below would leave a meeting.
        QVERIFY(write(home(QStringLiteral("data/evolution/calendar/kestrix-removed/calendar.ics")),
                      "BEGIN:VCALENDAR\nVERSION:2.0\n" +
                          edsEvent("removed@test", "DTSTART:20240312T140000Z\nDTEND:20240312T160000Z\n") +
                          "END:VCALENDAR\n"));
        QVERIFY(write(home(QStringLiteral("data/Kestrix/Calendars/team.ics")),
                      "BEGIN:VCALENDAR\nVERSION:2.0\n" +
                          edsEvent("team@test", "DTSTART:20240312T143000Z\nDTEND:20240312T153000Z\n") +
                          "END:VCALENDAR\n"));
        std::vector<std::unique_ptr<CalendarStore>> stores;
        stores.push_back(std::make_unique<EdsCalendarStore>());
        stores.push_back(std::make_unique<ICalendarStore>());
        CalendarWatcher::Options options;
        options.now = [] {
            return now;
        };
        options.refreshInterval = std::chrono::hours(1); // only changes refresh here
        CalendarWatcher watcher(std::make_unique<CombinedCalendarStore>(std::move(stores)), options);
        watcher.start();
        // The files answer first; the server's calendars follow.
        QTRY_VERIFY_WITH_TIMEOUT(titles(watcher.availableCalendars()).contains(QStringLiteral("Personal")), 30000);
        const QStringList listed = titles(watcher.availableCalendars());
        QCOMPARE(listed.count(QStringLiteral("Standups")), 1);
        QCOMPARE(listed.count(QStringLiteral("Personal")), 1);
        QVERIFY(listed.contains(QStringLiteral("team")));
        QCOMPARE(watcher.isInMeeting(), std::optional(true));
        QTRY_COMPARE_WITH_TIMEOUT(watcher.isMeetingSoon(), std::optional(false), 30000);

        // Another client of the server adds a meeting three minutes from now.
        GError *error = nullptr;
        ESourceRegistry *registry = e_source_registry_new_sync(nullptr, &error);
        QVERIFY2(registry, error ? error->message : "");
        ESource *source = e_source_registry_ref_source(registry, testSource.toUtf8().constData());
        QVERIFY(source);
        EClient *client = e_cal_client_connect_sync(source, E_CAL_CLIENT_SOURCE_TYPE_EVENTS, 10, nullptr, &error);
        QVERIFY2(client, error ? error->message : "");
        ICalComponent *event = i_cal_component_new_from_string(
            edsEvent("soon@test", "DTSTART:20240312T150300Z\nDTEND:20240312T153000Z\n").constData());
        QVERIFY(e_cal_client_create_object_sync(E_CAL_CLIENT(client), event, E_CAL_OPERATION_FLAG_NONE, nullptr,
                                                nullptr, &error));
        g_object_unref(event);
        g_object_unref(client);
        g_object_unref(source);
        g_object_unref(registry);
        QTRY_COMPARE_WITH_TIMEOUT(watcher.isMeetingSoon(), std::optional(true), 30000);

        QString teamId;
        for (const CalendarInfo &calendar : watcher.availableCalendars()) {
            if (calendar.title == QStringLiteral("team")) {
                teamId = calendar.id;
            }
        }
        watcher.setExcludedCalendarIDs({testSource, teamId});
        QCOMPARE(watcher.isMeetingSoon(), std::optional(false));
        QCOMPARE(watcher.isInMeeting(), std::optional(false));
        watcher.setExcludedCalendarIDs({teamId});
        QCOMPARE(watcher.isMeetingSoon(), std::optional(true));
        QCOMPARE(watcher.isInMeeting(), std::optional(false));
    }
};

QTEST_GUILESS_MAIN(EdsCalendarStoreTest)
#include "tst_edscalendarstore.moc"
