// kestrix-soak: the application object of kestrix under weeks of compressed use. See
// tools/soak/CMakeLists.txt and scripts/soak.sh. Exit status 0 only when no invariant broke, no
// warning was printed and no resource grew past its limit after warm-up.
#include "ResourceSampler.h"
#include "SoakOracle.h"

#include "app/LegalAgreementGate.h"
#include "app/TamselDesktopApp.h"
#include "app/ui/MenuController.h"
#include "app/ui/TrayMenu.h"
#include "app/ui/WindowRouter.h"
#include "device/DorvelDeviceManager.h"
#include "device/HidBus.h"
#include "firmware/TarnFirmwareUpdater.h"
#include "platform/linux/calendar/ICalendarStore.h"
#include "platform/linux/desktop/DBusDesktopState.h"
#include "platform/linux/desktop/LogindSystemSleep.h"
#include "platform/linux/trigger/UnixTriggerListener.h"
#include "platform/sim/SocketDeviceServer.h"
#include "platform/sim/SocketHidBus.h"
#include "rules/RuleStore.h"
#include "rules/StatusLightPause.h"
#include "rules/StatusRulesEngine.h"
#include "signals/AudioInput.h"
#include "signals/CalendarStore.h"
#include "signals/CalendarWatcher.h"
#include "signals/CameraDevices.h"
#include "signals/ExternalTriggerServer.h"
#include "signals/NetworkInterfaces.h"
#include "signals/TriggerListener.h"
#include "support/BundleTestSupport.h"
#include "support/FakeAudioInput.h"
#include "support/FakeCameraDevices.h"
#include "support/FakeDesktopState.h"
#include "support/FakeNetworkInterfaces.h"
#include "support/LocalHttpServer.h"
#include "support/PrivateBus.h"
#include "timers/TimerManager.h"
#include "ui/TrayPresence.h"
#include "update/AppUpdater.h"
#include "update/BundleTools.h"
#include "update/DetachedShell.h"
#include "update/PackageDatabase.h"
#include "util/Clock.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QPointer>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>
#include <QWidget>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <random>
#include <set>
#include <thread>

#include <signal.h>
#include <sys/prctl.h>

using namespace std::chrono_literals;

namespace {

struct Options {
    int days = 7;
    int eventsPerDay = 400;
    unsigned seed = 1;
    int sampleEvery = 200; // events
    double warmUpDays = 1.0;
    double memoryLimitMiBPerWeek = 1.0;
    bool judgeMemory = true;
    QString outFolder;        // samples.csv goes here when set
    int timeLimitSeconds = 0; // 0: no limit
};

// What the soak is doing, for the watchdog's message.
std::atomic<const char *> doing{"starting"};
std::atomic<std::int64_t> eventsDone{0};

// Gives up the whole run when it takes longer than its limit: a wait that never ends (a daemon that
// never answers, a loop that never quits) becomes a clear failure instead of a silent hang. The
// soak's helper processes die with it (see dieWithSoak).
class Watchdog {
public:
    explicit Watchdog(int seconds)
    {
        if (seconds <= 0) {
            return;
        }
        m_thread = std::thread([this, seconds] {
            std::unique_lock lock(m_mutex);
            if (!m_stop.wait_for(lock, std::chrono::seconds(seconds), [this] { return m_done; })) {
                std::fprintf(stderr, "kestrix-soak: no end after %d s (at event %lld, %s); soak FAILED\n", seconds,
                             static_cast<long long>(eventsDone.load()), doing.load());
                std::fflush(stderr);
                std::_Exit(3);
            }
        });
    }
    ~Watchdog()
    {
        if (m_thread.joinable()) {
            {
                const std::lock_guard lock(m_mutex);
                m_done = true;
            }
            m_stop.notify_all();
            m_thread.join();
        }
    }
    Watchdog(const Watchdog &) = delete;
    Watchdog &operator=(const Watchdog &) = delete;

private:
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_stop;
    bool m_done = false;
};

// A helper process must not outlive the soak: an orphaned bus daemon or mock keeps the soak's
// output open, and whoever reads it (CTest, a pipe) waits forever.
void dieWithSoak(QProcess &process)
{
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

int warnings = 0;
int broken = 0;
// The application's own messages (its categories at info level) and the soak's events, the newest
// last: printed when an invariant breaks, to tell how it came about.
std::deque<std::string> recentMessages;
constexpr std::size_t recentMessagesKept = 300;

void remember(std::string message)
{
    if (recentMessages.size() == recentMessagesKept) {
        recentMessages.pop_front();
    }
    recentMessages.push_back(std::move(message));
}

void messageHandler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    // The offscreen platform says what a real window system would do; that is no fault of Kestrix.
    if (type == QtDebugMsg || type == QtInfoMsg || message.startsWith(QLatin1String("This plugin does not support"))) {
        remember("  " + message.toStdString());
        return;
    }
    ++warnings;
    std::fprintf(stderr, "soak: warning printed: %s\n", qUtf8Printable(message));
}

// The monotonic clock the timers read; moved along with the soak's wall clock.
class SoakClock : public Clock {
public:
    time_point now() const override { return m_now; }
    void advance(duration by) { m_now += by; }

private:
    time_point m_now{std::chrono::hours(1)};
};

// The session's screen saver as the soak plays it on its own connection to the private session bus.
class ScreenSaverService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    bool active = false;
    Q_SCRIPTABLE bool GetActive() const { return active; }
    void setActive(bool value)
    {
        active = value;
        Q_EMIT ActiveChanged(value);
    }
Q_SIGNALS:
    Q_SCRIPTABLE void ActiveChanged(bool active);
};

struct Device {
    QString name;
    LocationID location;
    std::unique_ptr<SimulatedDorvel> sim;
    std::unique_ptr<SocketDeviceServer> server;

    QString idText() const
    {
        QString text;
        for (const std::uint8_t byte : sim->config().deviceId) {
            text += QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0'));
        }
        return text;
    }
};

struct Meeting {
    QDateTime start;
    QDateTime end;
    bool allDay = false;
};

QString icsTime(const QDateTime &time)
{
    return time.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
}

QString versionText(FirmwareVersion version)
{
    return QString::fromStdString(version.description());
}

std::optional<Options> parse(const QStringList &arguments)
{
    Options options;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        const auto next = [&] {
            return i + 1 < arguments.size() ? arguments[++i] : QString();
        };
        if (a == QLatin1String("--days")) {
            options.days = next().toInt();
        } else if (a == QLatin1String("--events-per-day")) {
            options.eventsPerDay = next().toInt();
        } else if (a == QLatin1String("--seed")) {
            options.seed = next().toUInt();
        } else if (a == QLatin1String("--sample-every")) {
            options.sampleEvery = next().toInt();
        } else if (a == QLatin1String("--warm-up-days")) {
            options.warmUpDays = next().toDouble();
        } else if (a == QLatin1String("--out")) {
            options.outFolder = next();
        } else if (a == QLatin1String("--time-limit")) {
            options.timeLimitSeconds = next().toInt();
        } else if (a == QLatin1String("--no-memory-limit")) {
            options.judgeMemory = false;
        } else {
            std::fprintf(stderr, "usage: kestrix-soak [--days N] [--events-per-day N] [--seed N] [--sample-every N] "
                                 "[--warm-up-days D] [--out FOLDER] [--time-limit SECONDS] [--no-memory-limit]\n");
            return std::nullopt;
        }
    }
    if (options.days < 1 || options.eventsPerDay < 10 || options.sampleEvery < 1) {
        std::fprintf(stderr, "kestrix-soak: days >= 1, events per day >= 10 and sample interval >= 1\n");
        return std::nullopt;
    }
    return options;
}

class Soak {
public:
    Soak(Options options, const QString &root) : m_options(options), m_root(root), m_random(options.seed) {}

    int run();

private:
    void setUpBuses();
    void setUpApp();
    void event();
    void advanceClock(std::chrono::seconds by);
    void flapSignal();
    void writeCalendar();
    void replug(Device &device, bool plugged);
    void editRules();
    // `kind`: -1 the generator's choice, else the one named where it is defined.
    void timerEvent(int kind = -1);
    void pauseEvent(int kind = -1);
    void windowEvent();
    void firmwareEvent(int kind = -1);
    void sleepAndWake(std::chrono::seconds night);
    void quietPoint();
    void settleForSample();
    void takeSample();
    void dailyHabits(int event);
    int verdict();

    QString check();
    Device *heldDevice();
    SoakOracle::Profile &profile() { return m_profiles[m_activeKey]; }
    void setSignal(const QString &name, bool value) { m_signals[name] = value; }
    bool chance(double p) { return std::uniform_real_distribution<>(0, 1)(m_random) < p; }
    int pick(int from, int to) { return std::uniform_int_distribution<>(from, to)(m_random); }
    double simulatedDays() const { return static_cast<double>(m_start.secsTo(m_now)) / 86400.0; }

    Options m_options;
    QString m_root;
    std::mt19937 m_random;
    std::int64_t m_events = 0;
    QDateTime m_start{QDate(2025, 3, 3), QTime(7, 0), Qt::UTC};
    QDateTime m_now = m_start;

    std::unique_ptr<PrivateBus> m_sessionBus;
    std::unique_ptr<PrivateBus> m_systemBus;
    QProcess m_logind;
    bool m_hasLogind = false;
    ScreenSaverService m_screenSaver;
    LocalHttpServer m_releases;
    FirmwareVersion m_published{1, 0, 0};
    std::function<void(FirmwareVersion)> m_publish;

    // The fakes behind the ports, owned by the app.
    FakeAudioInput *m_audio = nullptr;
    FakeCameraDevices *m_cameras = nullptr;
    FakeNetworkInterfaces *m_network = nullptr;
    FakeDesktopState *m_doNotDisturb = nullptr;
    FakeDesktopState *m_screenShare = nullptr;
    SoakClock *m_clock = nullptr;
    std::map<QString, int> m_classesAfterWarmUp; // live objects by class at the first sample after warm-up
    // For each sample, the classes whose live count differs from m_classesAfterWarmUp, by how much
    // (empty before warm-up). Kept sparse: most samples differ in a class or two.
    std::vector<std::map<QString, int>> m_classDiffs;
    bool m_brokenBefore = false;
    std::unique_ptr<TamselDesktopApp> m_app;
    std::vector<Device> m_devices;

    // The oracle's inputs, from what the soak did.
    std::map<QString, bool> m_signals;
    std::map<QString, SoakOracle::Profile> m_profiles;
    QString m_activeKey = RuleStore::globalKey();
    std::optional<QDateTime> m_pausedUntil;
    bool m_pauseIsUntilTomorrow = false;
    std::vector<Meeting> m_meetings;
    struct SimpleTimer {
        QDateTime end;
        SoakOracle::Look alert;
    };
    std::optional<SimpleTimer> m_simpleTimer;
    std::optional<PomodoroSettings> m_pomodoro;

    std::vector<ResourceSample> m_samples;
    struct Counts {
        int signalChanges = 0, triggerClients = 0, replugs = 0, secondDevice = 0, wakeUps = 0, windows = 0, menus = 0,
            ruleEdits = 0, timers = 0, pauses = 0, calendarEdits = 0, firmwareChecks = 0, firmwareRuns = 0,
            updateChecks = 0, quietPoints = 0, slowStretches = 0, pomodoroPhases = 0, pausesUntilTomorrowEnded = 0;
    } m_counts;
    // The events of today at which the day's habits come: a pomodoro session, a pause until
    // tomorrow in the evening, a new firmware published, fetched and installed.
    int m_pomodoroAt = -1, m_pauseAt = -1, m_firmwareAt = -1;
};

void Soak::setUpBuses()
{
    doing = "starting the private buses";
    if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty()) {
        std::fprintf(stderr, "kestrix-soak: needs dbus-daemon\n");
        return;
    }
    QDir().mkpath(m_root + QStringLiteral("/session"));
    QDir().mkpath(m_root + QStringLiteral("/system"));
    m_sessionBus = std::make_unique<PrivateBus>(m_root + QStringLiteral("/session"), QStringLiteral("session"), false);
    m_systemBus = std::make_unique<PrivateBus>(m_root + QStringLiteral("/system"), QStringLiteral("system"), false);
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_sessionBus->address().toUtf8());
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_systemBus->address().toUtf8());

    // The screen saver, served on a connection of its own as another program would.
    QDBusConnection service = QDBusConnection::connectToBus(m_sessionBus->address(), QStringLiteral("soak-service"));
    service.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), &m_screenSaver,
                           QDBusConnection::ExportScriptableContents);
    service.registerService(QStringLiteral("org.freedesktop.ScreenSaver"));

    // python3-dbusmock's logind for sleep and wake-up.
    const QString python = QStringLiteral("/usr/bin/python3");
    QProcess probe;
    dieWithSoak(probe);
    probe.start(python, {QStringLiteral("-c"), QStringLiteral("import dbusmock")});
    if (!probe.waitForFinished(20000) || probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0) {
        probe.kill();
        probe.waitForFinished(1000);
        std::fprintf(stderr, "kestrix-soak: no python3-dbusmock: sleep and wake-up are left out\n");
        return;
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), m_systemBus->address());
    m_logind.setProcessEnvironment(environment);
    m_logind.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    dieWithSoak(m_logind);
    doing = "starting the logind mock";
    m_logind.start(python, {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--template"),
                            QStringLiteral("logind"), QStringLiteral("--system")});
    m_hasLogind = QTest::qWaitFor(
        [] {
            return QDBusConnection::systemBus()
                .interface()
                ->isServiceRegistered(QStringLiteral("org.freedesktop.login1"))
                .value();
        },
        20000);
}

void Soak::setUpApp()
{
    doing = "starting the application";
    const QString dataHome = m_root + QStringLiteral("/data");
    QDir().mkpath(dataHome + QStringLiteral("/Kestrix/Calendars"));
    const QString busFolder = m_root + QStringLiteral("/bus");
    QDir().mkpath(busFolder);

    // Firmware on the loopback server: the devices' own version to begin with.
    const auto publish = [this](FirmwareVersion version) {
        m_published = version;
        const QString asset = QStringLiteral("tarn-%1.bin").arg(versionText(version));
        const Bytes image = SimulatedDorvel::makeFirmwareImage(version, 4096, version.patch);
        m_releases.serve(
            QStringLiteral("/releases/tarn-rp2350/") + asset,
            QByteArray(reinterpret_cast<const char *>(image.data()), static_cast<qsizetype>(image.size())));
        m_releases.serve(
            QString::fromLatin1(TarnFirmwareUpdater::manifestPath),
            QStringLiteral(R"({"version": "%1", "asset": "%2"})").arg(versionText(version), asset).toUtf8());
    };
    publish({1, 0, 0});
    qputenv("KESTRIX_UPDATE_BASE_URL", m_releases.url(QString()).toString().toUtf8());

    TamselDesktopApp::Ports ports;
    ports.hidBus = std::make_unique<SocketHidBus>(busFolder);
    ports.triggerListener = std::make_unique<UnixTriggerListener>();
    auto audio = std::make_unique<FakeAudioInput>();
    audio->defaultDevice = QStringLiteral("mic");
    audio->devices[QStringLiteral("mic")] = {false, false};
    m_audio = audio.get();
    ports.audioInput = std::move(audio);
    auto cameras = std::make_unique<FakeCameraDevices>();
    m_cameras = cameras.get();
    ports.cameraDevices = std::move(cameras);
    ports.cameraPollInterval = 20ms;
    auto network = std::make_unique<FakeNetworkInterfaces>();
    m_network = network.get();
    ports.networkInterfaces = std::move(network);
    ports.calendarStore = std::make_unique<ICalendarStore>();
    auto clock = std::make_unique<SoakClock>();
    m_clock = clock.get();
    ports.clock = std::move(clock);
    ports.bundleTools = std::make_unique<BundleTestSupport::InertBundleTools>();
    ports.packageDatabase = std::make_unique<BundleTestSupport::FakePackageDatabase>();
    ports.detachedShell = std::make_unique<BundleTestSupport::RecordingShell>();
    ports.screenLockSources.push_back(DBusDesktopState::screenSaverActive(
        QDBusConnection::sessionBus(), QStringLiteral("org.freedesktop.ScreenSaver")));
    auto doNotDisturb = std::make_unique<FakeDesktopState>();
    m_doNotDisturb = doNotDisturb.get();
    ports.doNotDisturbSources.push_back(std::move(doNotDisturb));
    auto screenShare = std::make_unique<FakeDesktopState>();
    m_screenShare = screenShare.get();
    ports.screenShareSources.push_back(std::move(screenShare));
    if (m_hasLogind) {
        ports.systemSleep = std::make_unique<LogindSystemSleep>();
    }
    ports.wallClock = [this] {
        return m_now;
    };
    ports.wallClockRecheck = 20ms;
    m_app = std::make_unique<TamselDesktopApp>(std::move(ports));

    // The oracle follows which profile the engine must be using: the held device's, else the global.
    QObject::connect(&m_app->hid(), &DorvelDeviceManager::deviceIDChanged, m_app.get(), [this] {
        const auto &id = m_app->hid().deviceID();
        m_activeKey = id ? RuleStore::deviceKey(*id) : RuleStore::globalKey();
        if (!m_profiles.contains(m_activeKey)) {
            m_profiles[m_activeKey] = {m_profiles[RuleStore::globalKey()].rules, false, std::nullopt};
        }
    });

    QObject::connect(&m_app->timerManager(), &TimerManager::pomodoroPhaseChanged, m_app.get(), [this] {
        if (m_app->timerManager().pomodoroPhase()) {
            ++m_counts.pomodoroPhases;
        }
    });

    m_app->legalGate().accept();
    // Finish steps short enough for a quiet point to see them end.
    std::vector<StatusRule> rules = defaultStatusRules();
    for (StatusRule &rule : rules) {
        if (rule.finishStep) {
            rule.finishStep->durationSeconds = 0.1;
        }
    }
    rules.push_back({QStringLiteral("build_failed"), QStringLiteral("Build Failed"), true, 0, 255, 255,
                     LEDEffect::knightScanner, FinishStepConfig{true, 0.05, 85, 255, 255, LEDEffect::solid}});
    m_app->rulesEngine().setRules(rules);
    m_profiles[RuleStore::globalKey()] = {rules, false, std::nullopt};

    bool started = false;
    QObject::connect(m_app.get(), &TamselDesktopApp::started, [&started] { started = true; });
    m_app->launch();
    if (!QTest::qWaitFor([&] { return started && m_app->trigger().isListening(); }, 10000)) {
        ++broken;
        std::fprintf(stderr, "soak: the app did not start its trigger socket\n");
    }
    m_network->deliver({});
    setSignal(QStringLiteral("vpn_disconnected"), true);
    setSignal(QStringLiteral("mic_muted"), false);
    setSignal(QStringLiteral("mic_live"), true);
    setSignal(QStringLiteral("mic_in_use"), false);
    m_cameras->present = {CameraDevice{QStringLiteral("video0"), false}};
    setSignal(QStringLiteral("camera_in_use"), false);
    setSignal(QStringLiteral("screen_locked"), false);
    writeCalendar();

    for (const auto &[name, location, id] : {std::tuple{"dorvel", LocationID{0x14200000}, std::uint8_t{0x01}},
                                             std::tuple{"second", LocationID{0x14300000}, std::uint8_t{0x5e}}}) {
        SimulatedDorvel::Config config;
        config.deviceId[0] = id;
        config.rebootDelay = 100ms;
        Device device{QString::fromLatin1(name), location, std::make_unique<SimulatedDorvel>(config), nullptr};
        device.server = std::make_unique<SocketDeviceServer>(*device.sim, busFolder, device.name);
        SocketBusDevice description = device.server->description();
        description.locationId = location;
        device.server->setDescription(description);
        m_devices.push_back(std::move(device));
    }
    replug(m_devices[0], true);
    m_publish = publish;
}

void Soak::advanceClock(std::chrono::seconds by)
{
    m_now = m_now.addSecs(by.count());
    m_clock->advance(by);
    if (m_pausedUntil && m_now >= *m_pausedUntil) {
        if (std::exchange(m_pauseIsUntilTomorrow, false)) {
            ++m_counts.pausesUntilTomorrowEnded;
        }
        m_pausedUntil.reset();
    }
    // The calendar's periodic look at the time, compressed like everything else.
    m_app->calendar().refresh();
}

void Soak::writeCalendar()
{
    ++m_counts.calendarEdits;
    // Today's meetings between 08:00 and 18:00, and one all-day event that is no meeting.
    const QDate today = m_now.date();
    m_meetings.clear();
    const int count = pick(3, 7);
    for (int i = 0; i < count; ++i) {
        const QDateTime start(today, QTime(pick(8, 17), pick(0, 3) * 15), Qt::UTC);
        m_meetings.push_back({start, start.addSecs(qint64{60} * pick(1, 4) * 15), false});
    }
    m_meetings.push_back(
        {QDateTime(today, QTime(0, 0), Qt::UTC), QDateTime(today.addDays(1), QTime(0, 0), Qt::UTC), true});
    QString text = QStringLiteral("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Kestrix soak//EN\r\n");
    int uid = 0;
    for (const Meeting &meeting : m_meetings) {
        text += QStringLiteral("BEGIN:VEVENT\r\nUID:soak-%1\r\nDTSTAMP:20250101T000000Z\r\n").arg(++uid);
        if (meeting.allDay) {
            text += QStringLiteral("DTSTART;VALUE=DATE:%1\r\nDTEND;VALUE=DATE:%2\r\n")
                        .arg(meeting.start.toString(QStringLiteral("yyyyMMdd")),
                             meeting.end.toString(QStringLiteral("yyyyMMdd")));
        } else {
            text += QStringLiteral("DTSTART:%1\r\nDTEND:%2\r\n").arg(icsTime(meeting.start), icsTime(meeting.end));
        }
        text += QStringLiteral("SUMMARY:Meeting %1\r\nEND:VEVENT\r\n").arg(uid);
    }
    text += QStringLiteral("END:VCALENDAR\r\n");
    QSaveFile file(m_root + QStringLiteral("/data/Kestrix/Calendars/work.ics"));
    if (file.open(QIODevice::WriteOnly)) {
        file.write(text.toUtf8());
        file.commit();
    }
    m_app->calendar().refresh();
}

void Soak::replug(Device &device, bool plugged)
{
    if (plugged == device.server->isPlugged()) {
        return;
    }
    if (plugged) {
        device.server->plug();
    } else {
        device.server->unplug();
    }
}

void Soak::flapSignal()
{
    ++m_counts.signalChanges;
    switch (pick(0, 8)) {
    case 0: {
        const bool muted = chance(0.5);
        m_audio->setDeviceMuted(QStringLiteral("mic"), muted);
        setSignal(QStringLiteral("mic_muted"), muted);
        setSignal(QStringLiteral("mic_live"), !muted);
        break;
    }
    case 1: {
        const bool running = chance(0.5);
        m_audio->setDeviceRunning(QStringLiteral("mic"), running);
        setSignal(QStringLiteral("mic_in_use"), running);
        break;
    }
    case 2: {
        const bool connected = chance(0.3);
        QList<NetworkInterface> links{{QStringLiteral("eth0"), false, false}};
        if (connected) {
            links.append({QStringLiteral("wg0"), true, false});
        }
        m_network->deliver(links);
        setSignal(QStringLiteral("vpn_disconnected"), !connected);
        break;
    }
    case 3: {
        const bool locked = chance(0.3);
        m_screenSaver.setActive(locked);
        setSignal(QStringLiteral("screen_locked"), locked);
        break;
    }
    case 4: {
        const bool on = chance(0.4);
        m_doNotDisturb->deliver(on);
        setSignal(QStringLiteral("do_not_disturb"), on);
        break;
    }
    case 5: {
        const bool sharing = chance(0.3);
        m_screenShare->deliver(sharing);
        setSignal(QStringLiteral("screen_shared"), sharing);
        break;
    }
    case 6: {
        // Another program opens or closes the camera; the watcher sees it at its next poll.
        const bool inUse = chance(0.4);
        m_cameras->present = {CameraDevice{QStringLiteral("video0"), inUse}};
        setSignal(QStringLiteral("camera_in_use"), inUse);
        break;
    }
    default: {
        // Scripts: several clients, one line or a few each.
        static const QStringList names{QStringLiteral("terminal_active"), QStringLiteral("ai_execution"),
                                       QStringLiteral("build_failed")};
        const int clients = pick(1, 4);
        for (int c = 0; c < clients; ++c) {
            QByteArray lines;
            const int count = pick(1, 3);
            for (int l = 0; l < count; ++l) {
                const QString &name = names[pick(0, static_cast<int>(names.size()) - 1)];
                const bool on = chance(0.5);
                lines += name.toUtf8() + (on ? " 1\n" : " 0\n");
                setSignal(name, on);
            }
            QLocalSocket socket;
            socket.connectToServer(m_app->trigger().socketPath());
            if (!socket.waitForConnected(2000)) {
                ++broken;
                std::fprintf(stderr, "soak: the trigger socket refused a client\n");
                continue;
            }
            socket.write(lines);
            socket.flush();
            socket.disconnectFromServer();
            if (socket.state() != QLocalSocket::UnconnectedState) {
                socket.waitForDisconnected(2000);
            }
            ++m_counts.triggerClients;
        }
        break;
    }
    }
}

void Soak::editRules()
{
    ++m_counts.ruleEdits;
    SoakOracle::Profile &stored = profile();
    if (chance(0.2)) {
        const bool enabled = chance(0.5);
        const FallbackRGBState state{static_cast<std::uint8_t>(pick(0, 255)), 255,
                                     static_cast<std::uint8_t>(pick(20, 255)),
                                     chance(0.5) ? LEDEffect::solid : LEDEffect::pulsing};
        m_app->rulesEngine().setFallbackState(state);
        m_app->rulesEngine().setFallbackEnabled(enabled);
        stored.fallback = state;
        stored.fallbackEnabled = enabled;
        return;
    }
    std::vector<StatusRule> rules = stored.rules;
    const int count = static_cast<int>(rules.size());
    StatusRule &rule = rules[static_cast<std::size_t>(pick(0, count - 1))];
    switch (pick(0, 3)) {
    case 0:
        rule.isEnabled = !rule.isEnabled;
        break;
    case 1:
        rule.hue = static_cast<std::uint8_t>(pick(0, 255));
        rule.value = static_cast<std::uint8_t>(pick(10, 255));
        break;
    case 2:
        rule.effect = static_cast<LEDEffect>(pick(0, static_cast<int>(LEDEffect::knightScanner)));
        break;
    default:
        std::swap(rules[static_cast<std::size_t>(pick(0, count - 1))],
                  rules[static_cast<std::size_t>(pick(0, count - 1))]);
        break;
    }
    m_app->rulesEngine().setRules(rules);
    stored.rules = rules;
}

// kind: 0 a simple timer, 1 a pomodoro session.
void Soak::timerEvent(int kind)
{
    TimerManager &timers = m_app->timerManager();
    if (kind < 0 && timers.kind()) {
        timers.cancelIfRunning();
        m_simpleTimer.reset();
        m_pomodoro.reset();
        return;
    }
    ++m_counts.timers;
    if (kind < 0) {
        kind = chance(0.5) ? 0 : 1;
    }
    if (kind == 0) {
        const int minutes = pick(1, 30);
        const HSVColor color{static_cast<std::uint8_t>(pick(0, 255)), 255, 255};
        const auto mode = chance(0.5) ? Dorvel::RGBMode::solid : Dorvel::RGBMode::breatheFast;
        timers.startSimple(minutes, color, mode);
        m_simpleTimer =
            SimpleTimer{m_now.addSecs(qint64{60} * minutes), {mode, color.hue, color.saturation, color.value}};
    } else {
        PomodoroSettings settings;
        settings.workMinutes = pick(5, 25);
        settings.breakMinutes = pick(1, 5);
        settings.longBreakMinutes = pick(5, 15);
        settings.workEffect = Dorvel::RGBMode::breatheSlow;
        timers.startPomodoro(settings);
        m_pomodoro = settings;
    }
}

// kind: 0 for a while, 1 until tomorrow, 2 resumed.
void Soak::pauseEvent(int kind)
{
    ++m_counts.pauses;
    StatusLightPause &pause = m_app->statusLightPause();
    switch (kind < 0 ? pick(0, 2) : kind) {
    case 0: {
        const int minutes = pick(15, 120);
        pause.pauseFor(std::chrono::minutes(minutes));
        m_pausedUntil = m_now.addSecs(qint64{60} * minutes);
        m_pauseIsUntilTomorrow = false;
        break;
    }
    case 1:
        pause.pauseUntilTomorrow();
        m_pausedUntil = SoakOracle::nextMorning(m_now);
        m_pauseIsUntilTomorrow = true;
        break;
    default:
        pause.resume();
        m_pausedUntil.reset();
        m_pauseIsUntilTomorrow = false;
        break;
    }
}

const QStringList &windowIds()
{
    static const QStringList ids{QStringLiteral("status-rules-settings"),
                                 QStringLiteral("timer"),
                                 QStringLiteral("rgb-settings"),
                                 QStringLiteral("tarn-update-progress"),
                                 QStringLiteral("custom-shortcut"),
                                 QStringLiteral("app-update-progress"),
                                 QString::fromLatin1(TamselDesktopApp::menuWindowId)};
    return ids;
}

void Soak::windowEvent()
{
    const QStringList &ids = windowIds();
    if (chance(0.3)) {
        ++m_counts.menus;
        TrayMenu &menu = m_app->trayMenu();
        menu.popup(QPoint(10, 10));
        QCoreApplication::processEvents();
        menu.hide();
        return;
    }
    ++m_counts.windows;
    const QString &id = ids[pick(0, static_cast<int>(ids.size()) - 1)];
    const QPointer<QWidget> window = m_app->windows().openWindow(id);
    if (!window) {
        ++broken;
        std::fprintf(stderr, "soak: no window %s\n", qUtf8Printable(id));
        return;
    }
    QCoreApplication::processEvents();
    if (!window) {
        ++broken;
        std::fprintf(stderr, "soak: the window %s went away as it opened\n", qUtf8Printable(id));
        return;
    }
    window->close();
    // Back in the event loop a closed window is deleted before the user can ask for it again; the
    // soak runs outside that loop, so it lets the deletion happen here.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// kind: 1 a check, 2 a run when one is available.
void Soak::firmwareEvent(int kind)
{
    TarnFirmwareUpdater &updater = m_app->tarnUpdater();
    if (updater.isRunning()) {
        return;
    }
    const bool available = updater.state().kind == TarnUpdateState::Kind::updateAvailable;
    if (kind == 2 && !available) {
        return;
    }
    if (available && (kind == 2 || (kind < 0 && chance(0.5)))) {
        ++m_counts.firmwareRuns;
        doing = "waiting for a firmware run";
        updater.startUpdate();
        if (!QTest::qWaitFor([&] { return !updater.isRunning(); }, 30000)) {
            ++broken;
            std::fprintf(stderr, "soak: a firmware run did not end\n");
        }
        return;
    }
    if (kind < 0 && chance(0.2)) {
        FirmwareVersion next = m_published;
        ++next.patch;
        m_publish(next);
    }
    ++m_counts.firmwareChecks;
    doing = "waiting for a firmware check";
    QCoro::waitFor(updater.checkForUpdate());
}

void Soak::sleepAndWake(std::chrono::seconds night)
{
    const auto prepare = [](bool start) {
        auto call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("EmitSignal"));
        const QList<QDBusVariant> arguments{QDBusVariant(start)};
        call << QStringLiteral("org.freedesktop.login1.Manager") << QStringLiteral("PrepareForSleep")
             << QStringLiteral("b") << QVariant::fromValue(arguments);
        QDBusConnection::systemBus().call(call);
    };
    if (m_hasLogind) {
        prepare(true);
        QTest::qWait(5);
    }
    advanceClock(night);
    if (m_hasLogind) {
        prepare(false);
        ++m_counts.wakeUps;
    }
}

Device *Soak::heldDevice()
{
    const auto &id = m_app->hid().deviceID();
    if (!id) {
        return nullptr;
    }
    for (Device &device : m_devices) {
        if (device.idText().compare(QString::fromStdString(*id), Qt::CaseInsensitive) == 0) {
            return &device;
        }
    }
    return nullptr;
}

// Empty when everything agrees, else the first disagreement.
QString Soak::check()
{
    TarnFirmwareUpdater &updater = m_app->tarnUpdater();
    if (updater.isRunning() || updater.state().kind == TarnUpdateState::Kind::checkingForUpdate) {
        return QStringLiteral("a firmware check or run is still going");
    }
    const bool anyPlugged =
        std::any_of(m_devices.begin(), m_devices.end(), [](const Device &d) { return d.server->isPlugged(); });
    Device *held = heldDevice();
    const MenuPresenter::MenuView &menu = m_app->menuController().view();
    if (!held) {
        if (anyPlugged) {
            return QStringLiteral("a device is plugged in but none is held");
        }
        return menu.deviceStatus.text == QLatin1String("Device: Not Found")
                   ? QString()
                   : QStringLiteral("menu says %1 with no device").arg(menu.deviceStatus.text);
    }
    if (!held->server->isPlugged()) {
        return QStringLiteral("the held device %1 is unplugged").arg(held->name);
    }
    // The menu's device and firmware lines name the held device's firmware.
    const FirmwareVersion version = held->sim->config().version;
    const QString deviceLine = QStringLiteral("Device: TARN v") + versionText(version);
    if (menu.deviceStatus.text != deviceLine) {
        return QStringLiteral("menu says \"%1\", held device %2 runs %3")
            .arg(menu.deviceStatus.text, held->name, versionText(version));
    }
    QStringList firmwareLines{QStringLiteral("Check for TARN Update…"),
                              QStringLiteral("TARN Update Succeeded: v") + versionText(version)};
    if (version == m_published) {
        firmwareLines << QStringLiteral("Check for TARN Update (Up to Date, v%1)").arg(versionText(version));
    }
    if (version < m_published) {
        firmwareLines
            << QStringLiteral("TARN Update Available: v%1 → v%2").arg(versionText(version), versionText(m_published));
    }
    if (!menu.firmwareSectionVisible || !firmwareLines.contains(menu.firmwareUpdate.text)) {
        return QStringLiteral("firmware line \"%1\" for %2 at %3 (published %4)")
            .arg(menu.firmwareUpdate.text, held->name, versionText(version), versionText(m_published));
    }

    SoakOracle::Inputs inputs;
    inputs.signalValues = m_signals;
    bool inMeeting = false;
    bool soon = false;
    for (const Meeting &meeting : m_meetings) {
        if (meeting.allDay) {
            continue;
        }
        inMeeting = inMeeting || (meeting.start <= m_now && m_now < meeting.end);
        soon = soon || (m_now < meeting.start && meeting.start <= m_now.addSecs(300));
    }
    inputs.signalValues[QStringLiteral("in_meeting")] = inMeeting;
    inputs.signalValues[QStringLiteral("meeting_soon")] = soon;
    inputs.profile = profile();
    inputs.onHold = m_pausedUntil.has_value();
    if (m_simpleTimer) {
        inputs.timerExists = true;
        if (m_now >= m_simpleTimer->end) {
            inputs.timerLook = m_simpleTimer->alert;
        }
    } else if (m_pomodoro) {
        inputs.timerExists = true;
        const auto phase = m_app->timerManager().pomodoroPhase();
        const auto look = [](Dorvel::RGBMode mode, HSVColor color) {
            return SoakOracle::Look{mode, color.hue, color.saturation, color.value};
        };
        if (phase == PomodoroPhase::work) {
            inputs.timerLook = look(m_pomodoro->workEffect, m_pomodoro->workColor);
        } else if (phase == PomodoroPhase::shortBreak) {
            inputs.timerLook = look(m_pomodoro->breakEffect, m_pomodoro->breakColor);
        } else if (phase == PomodoroPhase::longBreak) {
            inputs.timerLook = look(m_pomodoro->longBreakEffect, m_pomodoro->longBreakColor);
        }
    }
    const QString wrong = SoakOracle::mismatch(SoakOracle::expectedLed(inputs), held->sim->led());
    if (!wrong.isEmpty()) {
        return held->name + QStringLiteral(": ") + wrong;
    }
    // Nothing stored was lost.
    for (const auto &[key, stored] : m_profiles) {
        if (RuleStore::loadRules(key) != stored.rules) {
            return QStringLiteral("the rules stored under %1 read back different").arg(key);
        }
    }
    return {};
}

void Soak::quietPoint()
{
    ++m_counts.quietPoints;
    doing = "waiting for a quiet point";
    QString wrong;
    QElapsedTimer waited;
    waited.start();
    // Everything the soak set in motion settles within this (timer ticks, the camera refresh and
    // the pause's recheck are the slowest, at a second).
    while (!(wrong = check()).isEmpty() && waited.elapsed() < 4000) {
        QTest::qWait(5);
    }
    if (!wrong.isEmpty()) {
        ++broken;
        std::fprintf(stderr, "soak: invariant broken at event %lld (day %.2f, %s): %s\n",
                     static_cast<long long>(m_events), simulatedDays(), qUtf8Printable(m_now.toString(Qt::ISODate)),
                     qUtf8Printable(wrong));
        // What led there, once per stretch of broken quiet points.
        if (!m_brokenBefore) {
            std::fprintf(stderr, "soak: what happened before it:\n");
            for (const std::string &line : recentMessages) {
                std::fprintf(stderr, "  %s\n", line.c_str());
            }
        }
    }
    m_brokenBefore = !wrong.isEmpty();
}

// Samples are compared with one another, so each is taken in the same state: the first device
// plugged and held, the second unplugged, no window open, everything settled.
void Soak::settleForSample()
{
    doing = "settling for a sample";
    for (const QString &id : windowIds()) {
        if (const QPointer<QWidget> window = m_app->windows().window(id)) {
            window->close();
        }
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_app->trayMenu().hide();
    replug(m_devices[0], true);
    replug(m_devices[1], false);
    quietPoint();
}

void Soak::takeSample()
{
    doing = "taking a sample";
    // Windows closed and objects let go are gone before counting.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    ResourceSample s = ResourceSampler::sample({QDBusConnection::sessionBus(), QDBusConnection::systemBus()});
    s.event = m_events;
    s.simulatedDays = simulatedDays();
    for (const Device &device : m_devices) {
        s.socketClients += device.server->connectionCount();
    }
    std::map<QString, int> diff;
    if (s.simulatedDays >= m_options.warmUpDays) {
        std::map<QString, int> classes = ResourceSampler::objectsByClass();
        if (m_classesAfterWarmUp.empty()) {
            m_classesAfterWarmUp = classes;
        }
        for (const auto &[name, was] : m_classesAfterWarmUp) {
            classes.try_emplace(name, 0);
        }
        for (const auto &[name, count] : classes) {
            const auto before = m_classesAfterWarmUp.find(name);
            const int change = count - (before == m_classesAfterWarmUp.end() ? 0 : before->second);
            if (change != 0) {
                diff.emplace(name, change);
            }
        }
    }
    m_samples.push_back(s);
    m_classDiffs.push_back(std::move(diff));
    std::printf("%8lld %6.2f %9lld %9lld %5d %5d %7d %5d %6d %5d %6d %7d\n", static_cast<long long>(s.event),
                s.simulatedDays, static_cast<long long>(s.rssKiB), static_cast<long long>(s.privateKiB), s.fds,
                s.threads, s.objects, s.httpObjects, s.timers, s.dbusConnections, s.dbusMatchRules, s.socketClients);
    std::fflush(stdout);
}

// The day's habits, each at its own seeded event of the day, so that even a short run of a few
// days goes through every one of them.
void Soak::dailyHabits(int event)
{
    if (event == m_pomodoroAt) {
        m_app->timerManager().cancelIfRunning();
        m_simpleTimer.reset();
        m_pomodoro.reset();
        timerEvent(/*pomodoro*/ 1);
    }
    if (event == m_pauseAt) {
        pauseEvent(/*until tomorrow*/ 1);
    }
    if (event == m_firmwareAt) {
        replug(m_devices[0], true);
        quietPoint();
        FirmwareVersion next = m_published;
        ++next.patch;
        m_publish(next);
        firmwareEvent(/*check*/ 1);
        firmwareEvent(/*run*/ 2);
    }
}

void Soak::event()
{
    ++m_events;
    eventsDone = m_events;
    doing = "an event";
    const int roll = pick(0, 999);
    remember("event " + std::to_string(m_events) + ", roll " + std::to_string(roll));
    if (roll < 600) {
        flapSignal();
    } else if (roll < 700) {
        windowEvent();
    } else if (roll < 740) {
        editRules();
    } else if (roll < 770) {
        timerEvent();
    } else if (roll < 790) {
        pauseEvent();
    } else if (roll < 820) {
        ++m_counts.replugs;
        replug(m_devices[0], !m_devices[0].server->isPlugged());
    } else if (roll < 840) {
        ++m_counts.secondDevice;
        replug(m_devices[1], !m_devices[1].server->isPlugged());
    } else if (roll < 850) {
        // A slow device for a while: replies take 20 ms.
        ++m_counts.slowStretches;
        m_devices[0].sim->replyLatency = m_devices[0].sim->replyLatency.count() ? 0ms : 20ms;
    } else if (roll < 865) {
        writeCalendar();
    } else if (roll < 885) {
        firmwareEvent();
    } else if (roll < 895) {
        ++m_counts.updateChecks;
        m_app->appUpdater().checkSilently();
    } else if (roll < 905) {
        sleepAndWake(std::chrono::minutes(pick(5, 90)));
    }
}

int Soak::verdict()
{
    int failures = broken;
    // The event mix must have gone through every habit of a day.
    for (const auto &[what, count] : {std::pair{"pomodoro phases", m_counts.pomodoroPhases},
                                      std::pair{"pauses until tomorrow that ended", m_counts.pausesUntilTomorrowEnded},
                                      std::pair{"firmware runs", m_counts.firmwareRuns}}) {
        if (count == 0) {
            ++failures;
            std::printf("the event mix never reached %s\n", what);
        }
    }
    const auto after = std::find_if(m_samples.begin(), m_samples.end(), [this](const ResourceSample &s) {
        return s.simulatedDays >= m_options.warmUpDays;
    });
    const auto n = std::distance(after, m_samples.end());
    // Like is compared with like. Every sample is taken in the same plug state with no window
    // open, but a timer or a pause still adds a few objects now and then. So the first day after
    // warm-up gives its most common count (the quiet state), and the last day's least count must
    // not exceed it: anything kept for good raises every later sample, while a sample caught with
    // something in flight counts for nothing.
    const double lastDays = m_samples.empty() ? 0 : m_samples.back().simulatedDays;
    const double span = lastDays - (n > 0 ? after->simulatedDays : lastDays);
    if (n < 4 || span < 1.0) {
        ++failures;
        std::printf("too few samples after warm-up to judge growth (%lld over %.1f days)\n", static_cast<long long>(n),
                    span);
        return failures + warnings;
    }
    const double firstEnd = after->simulatedDays + 1.0;
    const double lastStart = lastDays - 1.0;
    const auto leastOf = [&](auto field, bool first) {
        std::int64_t least = std::numeric_limits<std::int64_t>::max();
        for (auto s = after; s != m_samples.end(); ++s) {
            if (first ? s->simulatedDays <= firstEnd : s->simulatedDays >= lastStart) {
                least = std::min<std::int64_t>(least, field(*s));
            }
        }
        return least;
    };
    const auto mostCommonOfFirstDay = [&](auto field) {
        std::map<std::int64_t, int> seen;
        for (auto s = after; s != m_samples.end() && s->simulatedDays <= firstEnd; ++s) {
            ++seen[field(*s)];
        }
        return std::max_element(seen.begin(), seen.end(),
                                [](const auto &a, const auto &b) { return a.second < b.second; })
            ->first;
    };
    const auto grew = [&](const char *what, auto field) {
        const std::int64_t first = mostCommonOfFirstDay(field);
        const std::int64_t last = leastOf(field, false);
        std::printf("%-20s after warm-up %lld, at the end %lld%s\n", what, static_cast<long long>(first),
                    static_cast<long long>(last), last > first ? "  GREW" : "");
        if (last > first) {
            ++failures;
        }
    };
    grew("descriptors", [](const ResourceSample &s) { return s.fds; });
    grew("threads", [](const ResourceSample &s) { return s.threads; });
    const int failedBeforeObjects = failures;
    grew("objects", [](const ResourceSample &s) { return s.objects; });
    if (failures > failedBeforeObjects) {
        // Which kinds of object grew, each judged by the same rule as the total.
        std::set<QString> changed;
        for (const auto &diff : m_classDiffs) {
            for (const auto &[name, change] : diff) {
                changed.insert(name);
            }
        }
        for (const QString &name : changed) {
            if (name.endsWith(QLatin1String(ResourceSampler::httpThreadName))) {
                continue;
            }
            const auto change = [&](const ResourceSample &s) {
                const auto &diff = m_classDiffs[static_cast<std::size_t>(&s - m_samples.data())];
                const auto found = diff.find(name);
                return found == diff.end() ? 0 : found->second;
            };
            const std::int64_t first = mostCommonOfFirstDay(change);
            const std::int64_t last = leastOf(change, false);
            if (last > first) {
                const auto was = m_classesAfterWarmUp.find(name);
                const int base = was == m_classesAfterWarmUp.end() ? 0 : was->second;
                std::printf("  of which %s: after warm-up %lld, at the end %lld\n", qUtf8Printable(name),
                            static_cast<long long>(base + first), static_cast<long long>(base + last));
            }
        }
    }
    // Qt drops a connection two minutes of real time after its last request. A compressed day has
    // a request every few seconds, so the cache never empties here, and keeps a socket for each
    // channel that requests running side by side ever opened (at most six per manager and server).
    // In a real day it empties between checks; the count is shown, not judged.
    std::int64_t httpMost = 0;
    for (auto s = after; s != m_samples.end(); ++s) {
        httpMost = std::max<std::int64_t>(httpMost, s->httpObjects);
    }
    std::printf("%-20s after warm-up %lld, at the end %lld, at most %lld (Qt's idle HTTP connections, not judged)\n",
                "HTTP thread objects",
                static_cast<long long>(mostCommonOfFirstDay([](const ResourceSample &s) { return s.httpObjects; })),
                static_cast<long long>(m_samples.back().httpObjects), static_cast<long long>(httpMost));
    grew("timers", [](const ResourceSample &s) { return s.timers; });
    grew("D-Bus match rules", [](const ResourceSample &s) { return s.dbusMatchRules; });
    // Memory settles slowly (allocator arenas, caches filling), so a trend is judged only over at
    // least a week after warm-up; a short run leaves leaks to LeakSanitizer.
    const auto privateKiB = [](const ResourceSample &s) {
        return s.privateKiB;
    };
    const double mibPerWeek = static_cast<double>(leastOf(privateKiB, false) - leastOf(privateKiB, true)) / 1024.0 /
                              std::max(span - 1.0, 1.0) * 7.0;
    const bool judged = m_options.judgeMemory && span >= 8.0;
    std::printf("%-20s %.3f MiB per simulated week over %.1f days (limit %.1f%s)\n", "private memory", mibPerWeek, span,
                m_options.memoryLimitMiBPerWeek, judged ? "" : ", not judged: a week after warm-up is needed");
    if (judged && mibPerWeek >= m_options.memoryLimitMiBPerWeek) {
        ++failures;
    }
    return failures + warnings;
}

int Soak::run()
{
    setUpBuses();
    setUpApp();
    std::printf("kestrix-soak: seed %u, %d days of %d events, sleep %s\n", m_options.seed, m_options.days,
                m_options.eventsPerDay, m_hasLogind ? "through logind" : "left out");
    std::printf("%8s %6s %9s %9s %5s %5s %7s %5s %6s %5s %6s %7s\n", "event", "days", "rss_KiB", "priv_KiB", "fds",
                "thr", "objects", "http", "timers", "dbus", "match", "clients");
    QElapsedTimer elapsed;
    elapsed.start();
    // Sixteen waking hours a day, spread over the day's events; then the night's sleep.
    const auto step = std::chrono::seconds(16 * 3600 / m_options.eventsPerDay);
    for (int day = 0; day < m_options.days; ++day) {
        writeCalendar();
        const int perDay = m_options.eventsPerDay;
        m_pomodoroAt = pick(0, perDay / 2);
        m_pauseAt = pick(perDay * 3 / 4, perDay - 1);
        m_firmwareAt = day % 2 == 0 ? pick(0, perDay - 1) : -1;
        for (int e = 0; e < perDay; ++e) {
            event();
            dailyHabits(e);
            advanceClock(step);
            if (m_events % 5 == 0) {
                quietPoint();
            }
            if (m_events % m_options.sampleEvery == 0) {
                settleForSample();
                takeSample();
            }
        }
        sleepAndWake(std::chrono::seconds(std::max<qint64>(0, m_now.secsTo(m_start.addDays(day + 1)))));
        quietPoint();
    }
    settleForSample();
    takeSample();
    const double seconds = static_cast<double>(elapsed.elapsed()) / 1000.0;
    const Counts &c = m_counts;
    std::printf("\n%.1f s for %.1f simulated days (%.1f days per minute): %d signal changes, %d trigger clients, "
                "%d replugs, %d second-device changes, %d slow stretches, %d wake-ups, %d windows, %d menus, "
                "%d rule edits, %d timers, %d pauses, %d calendar edits, %d firmware checks, %d firmware runs, "
                "%d update checks, %d quiet points, %d pomodoro phases, %d pauses until tomorrow ended\n",
                seconds, simulatedDays(), simulatedDays() * 60 / std::max(seconds, 0.001), c.signalChanges,
                c.triggerClients, c.replugs, c.secondDevice, c.slowStretches, c.wakeUps, c.windows, c.menus,
                c.ruleEdits, c.timers, c.pauses, c.calendarEdits, c.firmwareChecks, c.firmwareRuns, c.updateChecks,
                c.quietPoints, c.pomodoroPhases, c.pausesUntilTomorrowEnded);
    if (!m_options.outFolder.isEmpty()) {
        QDir().mkpath(m_options.outFolder);
        QFile csv(QDir(m_options.outFolder).filePath(QStringLiteral("samples.csv")));
        if (csv.open(QIODevice::WriteOnly)) {
            csv.write("event,days,rss_kib,private_kib,fds,threads,objects,http_objects,timers,dbus_connections,"
                      "dbus_match_rules,socket_clients\n");
            for (const ResourceSample &s : m_samples) {
                csv.write(QStringLiteral("%1,%2,%3,%4,%5,%6,%7,%8,%9,%10,%11,%12\n")
                              .arg(s.event)
                              .arg(s.simulatedDays, 0, 'f', 3)
                              .arg(s.rssKiB)
                              .arg(s.privateKiB)
                              .arg(s.fds)
                              .arg(s.threads)
                              .arg(s.objects)
                              .arg(s.httpObjects)
                              .arg(s.timers)
                              .arg(s.dbusConnections)
                              .arg(s.dbusMatchRules)
                              .arg(s.socketClients)
                              .toUtf8());
            }
        }
        // The classes whose live count differed from the first sample after warm-up.
        QFile classes(QDir(m_options.outFolder).filePath(QStringLiteral("classes.csv")));
        if (classes.open(QIODevice::WriteOnly)) {
            classes.write("event,days,class,change\n");
            for (std::size_t i = 0; i < m_samples.size(); ++i) {
                for (const auto &[name, change] : m_classDiffs[i]) {
                    classes.write(QStringLiteral("%1,%2,%3,%4\n")
                                      .arg(m_samples[i].event)
                                      .arg(m_samples[i].simulatedDays, 0, 'f', 3)
                                      .arg(name)
                                      .arg(change)
                                      .toUtf8());
                }
            }
        }
    }
    const int failures = verdict();
    std::printf("invariants broken: %d, warnings printed: %d\n%s\n", broken, warnings,
                failures == 0 ? "soak passed" : "soak FAILED");
    m_app.reset();
    m_devices.clear();
    if (m_logind.state() != QProcess::NotRunning) {
        m_logind.kill();
        m_logind.waitForFinished(5000);
    }
    return failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    ResourceSampler::installObjectCounter();
    qputenv("TZ", "UTC");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QTemporaryDir root;
    if (!root.isValid()) {
        return 1;
    }
    // Settings and the support folder of the soak's own.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(root.filePath(QStringLiteral("data"))));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(root.filePath(QStringLiteral("cache"))));
    QApplication app(argc, argv);
    const auto options = parse(QCoreApplication::arguments());
    if (!options) {
        return 2;
    }
    qDBusRegisterMetaType<QList<QDBusVariant>>();
    qInstallMessageHandler(messageHandler);
    QLoggingCategory::setFilterRules(QStringLiteral("kestrix.*.info=true"));
    const Watchdog watchdog(options->timeLimitSeconds);
    Soak soak(*options, root.path());
    return soak.run();
}

#include "soak.moc"
