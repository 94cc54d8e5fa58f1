// The composed application's start-up wiring, end to end inside one process: every watcher's
// signal reaches the simulated device's LED through the rules engine, the silent app-update check
// asks the update server at start, and an attach whose state query succeeds asks for the firmware
// release, while one whose state query times out does not.
#include "app/TamselDesktopApp.h"
#include "device/Dorvel.h"
#include "device/DorvelDeviceManager.h"
#include "firmware/TarnFirmwareUpdater.h"
#include "platform/sim/SimulatedHidBus.h"
#include "rules/StatusRulesEngine.h"
#include "support/DeviceTestSupport.h"
#include "support/FakePorts.h"
#include "support/FakeTriggerListener.h"
#include "support/LocalHttpServer.h"
#include "support/TestMain.h"
#include "update/AppUpdater.h"

#include <QDateTime>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

const QString appManifest = QStringLiteral("/releases/linux/latest.json");
const QString firmwareManifest = QString::fromLatin1(TarnFirmwareUpdater::manifestPath);

// The fakes behind every port, kept reachable by the test.
struct Rig {
    SimulatedHidBus *bus = nullptr;
    FakeAudioInput *audio = nullptr;
    FakeCameraDevices *cameras = nullptr;
    FakeNetworkInterfaces *network = nullptr;
    FakeCalendarStore *calendars = nullptr;
    FakeDesktopState *screenLock = nullptr;
    FakeDesktopState *doNotDisturb = nullptr;
    FakeDesktopState *screenShare = nullptr;
    std::unique_ptr<TamselDesktopApp> app;

    Rig()
    {
        auto busPort = std::make_unique<SimulatedHidBus>();
        bus = busPort.get();
        TamselDesktopApp::Ports ports = fakePorts(std::move(busPort), std::make_unique<FakeTriggerListener>());
        audio = static_cast<FakeAudioInput *>(ports.audioInput.get());
        cameras = static_cast<FakeCameraDevices *>(ports.cameraDevices.get());
        network = static_cast<FakeNetworkInterfaces *>(ports.networkInterfaces.get());
        calendars = static_cast<FakeCalendarStore *>(ports.calendarStore.get());
        screenLock = static_cast<FakeDesktopState *>(ports.screenLockSources.front().get());
        doNotDisturb = static_cast<FakeDesktopState *>(ports.doNotDisturbSources.front().get());
        screenShare = static_cast<FakeDesktopState *>(ports.screenShareSources.front().get());
        audio->defaultDevice = QStringLiteral("built-in");
        audio->devices[audio->defaultDevice].muted = false;
        app = std::make_unique<TamselDesktopApp>(std::move(ports));
    }
    // Launches and waits for the start-up sequence and its silent app-update check to end.
    bool launch()
    {
        QSignalSpy started(app.get(), &TamselDesktopApp::started);
        QSignalSpy checked(&app->appUpdater(), &AppUpdater::checkFinished);
        app->launch();
        return started.wait() && (checked.count() > 0 || checked.wait());
    }
    // The firmware check an attach starts must be over before the application goes.
    bool firmwareCheckEnded() const
    {
        return QTest::qWaitFor(
            [this] { return app->tarnUpdater().state().kind != TarnUpdateState::Kind::checkingForUpdate; },
            int(TestTime::scaled(std::chrono::seconds(5)).count()));
    }
};

bool ledShows(const SimulatedDorvel &device, std::uint8_t hue, Dorvel::RGBMode mode)
{
    const auto &led = device.led();
    return led.on && led.hue == hue && led.saturation == 255 && led.value == 255 && led.mode == mode;
}

} // namespace

class StartupWiringTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    LocalHttpServer m_http;
    QByteArray m_savedBaseURL;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_http.isListening());
        qputenv("XDG_DATA_HOME", m_home.filePath(QStringLiteral("data")).toUtf8());
        qputenv("XDG_CONFIG_HOME", m_home.filePath(QStringLiteral("config")).toUtf8());
        // Every update request of this process goes to the test's own server; the app updater reads
        // the base once per process, so it is set before any application object exists.
        m_savedBaseURL = qgetenv("KESTRIX_UPDATE_BASE_URL");
        qputenv("KESTRIX_UPDATE_BASE_URL", m_http.url(QString()).toEncoded());
    }
    void cleanupTestCase() { qputenv("KESTRIX_UPDATE_BASE_URL", m_savedBaseURL); }

    // Lowest rule first, so each signal takes the LED over from the one before.
    void everyWatcherDrivesTheLED()
    {
        Rig rig;
        SimulatedDorvel device;
        QVERIFY(rig.launch());
        rig.bus->plug(device, 0x14200000);
        KESTRIX_WAIT_FOR(rig.app->hid().deviceID().has_value());
        QVERIFY(rig.firmwareCheckEnded());
        auto rules = rig.app->rulesEngine().rules();
        for (StatusRule &rule : rules) {
            for (const char *id : {"vpn_disconnected", "screen_locked", "do_not_disturb", "screen_shared"}) {
                rule.isEnabled = rule.isEnabled || rule.id == QLatin1String(id);
            }
        }
        rig.app->rulesEngine().setRules(rules);
        rig.network->deliver({NetworkInterface{QStringLiteral("wg0"), true, true}});

        rig.doNotDisturb->deliver(true);
        KESTRIX_WAIT_FOR(ledShows(device, 191, Dorvel::RGBMode::solid)); // Do Not Disturb
        rig.screenLock->deliver(true);
        KESTRIX_WAIT_FOR(device.led().on && device.led().hue == 28 && device.led().value == 40); // Screen Locked

        rig.audio->setDeviceMuted(rig.audio->defaultDevice, true);
        KESTRIX_WAIT_FOR(ledShows(device, 0, Dorvel::RGBMode::solid)); // Mic Muted

        rig.network->deliver({NetworkInterface{QStringLiteral("eth0"), false, false}});
        KESTRIX_WAIT_FOR(ledShows(device, 20, Dorvel::RGBMode::breatheFast)); // VPN Disconnected, pulsing

        const QDateTime now = QDateTime::currentDateTime();
        rig.calendars->calendarList = {CalendarInfo{QStringLiteral("work"), QStringLiteral("Work")}};
        rig.calendars->eventsByCalendar[QStringLiteral("work")] = {
            CalendarEvent{now.addSecs(-600), now.addSecs(3000), false, false}};
        rig.calendars->notifyChanged();
        KESTRIX_WAIT_FOR(ledShows(device, 140, Dorvel::RGBMode::solid)); // In Meeting

        rig.cameras->present = {CameraDevice{QStringLiteral("video0"), true}};
        KESTRIX_WAIT_FOR(
            ledShows(device, 60, Dorvel::RGBMode::breatheFast)); // Camera In Use, pulsing, at the next refresh
        rig.audio->setDeviceRunning(rig.audio->defaultDevice, true);
        KESTRIX_WAIT_FOR(ledShows(device, 170, Dorvel::RGBMode::breatheFast)); // Mic In Use, pulsing

        // Shown above every rule of the call it is shared in.
        rig.screenShare->deliver(true);
        KESTRIX_WAIT_FOR(ledShows(device, 228, Dorvel::RGBMode::breatheSlow)); // Screen Shared
    }

    void updateServerAskedAtStartAndAfterAnAttach()
    {
        const int appChecks = m_http.requestCount(appManifest);
        const int firmwareChecks = m_http.requestCount(firmwareManifest);
        Rig rig;
        QVERIFY(rig.launch());
        QCOMPARE(m_http.requestCount(appManifest), appChecks + 1);
        QCOMPARE(m_http.requestCount(firmwareManifest), firmwareChecks);

        SimulatedDorvel device;
        rig.bus->plug(device, 0x14200000);
        KESTRIX_WAIT_FOR(m_http.requestCount(firmwareManifest) == firmwareChecks + 1);
        QVERIFY(rig.firmwareCheckEnded());
    }

    // The state query tells the platform; without its answer there is nothing to check for. A check
    // would have started before the identity query that follows (the state query's answer schedules
    // it), and firmwareCheckEnded() waits for a started check to be answered by the server.
    void noFirmwareCheckWhenTheAttachQueryTimesOut()
    {
        const int firmwareChecks = m_http.requestCount(firmwareManifest);
        Rig rig;
        QVERIFY(rig.launch());
        SimulatedDorvel device;
        device.addFault({SimulatedDorvel::ReplyFault::Kind::drop, 1, Dorvel::stateQueryCommand, 0});
        rig.bus->plug(device, 0x14200000);
        // The identity query follows the state query's time-out.
        KESTRIX_WAIT_FOR(rig.app->hid().deviceID().has_value());
        QVERIFY(rig.firmwareCheckEnded());
        QCOMPARE(m_http.requestCount(firmwareManifest), firmwareChecks);
    }
};

QTEST_MAIN(StartupWiringTest)
#include "tst_startupwiring.moc"
