#include "app/LegalAgreementGate.h"
#include "app/SingleInstanceGuard.h"
#include "app/TamselDesktopApp.h"
#include "app/ui/WindowRouter.h"
#include "device/DorvelDeviceManager.h"
#include "firmware/TarnFirmwareUpdater.h"
#include "platform/sim/SimulatedHidBus.h"
#include "rules/StatusRulesEngine.h"
#include "signals/ExternalTriggerServer.h"
#include "support/BundleTestSupport.h"
#include "support/DeviceTestSupport.h"
#include "support/FakeAudioInput.h"
#include "support/FakeCalendarStore.h"
#include "support/FakeCameraDevices.h"
#include "support/FakeClock.h"
#include "support/FakeNetworkInterfaces.h"
#include "support/FakeTriggerListener.h"
#include "update/AppUpdater.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {
TamselDesktopApp::Ports fakePorts(std::unique_ptr<HidBus> bus, std::unique_ptr<TriggerListener> listener)
{
    return {std::move(bus),
            std::move(listener),
            std::make_unique<FakeAudioInput>(),
            std::make_unique<FakeCameraDevices>(),
            std::make_unique<FakeNetworkInterfaces>(),
            std::make_unique<FakeCalendarStore>(),
            std::make_unique<FakeClock>(),
            std::make_unique<BundleTestSupport::InertBundleTools>(),
            std::make_unique<BundleTestSupport::FakePackageDatabase>(),
            std::make_unique<BundleTestSupport::RecordingShell>()};
}

// Each attach starts a firmware check against the test's dead update server; it must have ended
// before the application goes, or its pending request would outlive the updater.
void waitForFirmwareCheck(TamselDesktopApp &app)
{
    KESTRIX_WAIT_FOR(app.tarnUpdater().state().kind != TarnUpdateState::Kind::checkingForUpdate);
}

QStringList menuTexts()
{
    QStringList texts;
    for (QWidget *w : QApplication::allWidgets()) {
        if (auto *menu = qobject_cast<QMenu *>(w)) {
            for (QAction *a : menu->actions()) {
                if (a->isVisible() && !a->isSeparator()) {
                    texts << a->text();
                }
            }
        }
    }
    return texts;
}
} // namespace

class TrayAppTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("XDG_DATA_HOME", m_home.filePath(QStringLiteral("data")).toUtf8());
        qputenv("XDG_CONFIG_HOME", m_home.filePath(QStringLiteral("config")).toUtf8());
    }

    void startsTheDeviceLinkOnceAndFollowsTheDevice()
    {
        auto bus = std::make_unique<SimulatedHidBus>();
        auto *simBus = bus.get();
        SimulatedDorvel device;
        TamselDesktopApp app(fakePorts(std::move(bus), std::make_unique<FakeTriggerListener>()));
        QSignalSpy started(&app, &TamselDesktopApp::started);
        app.launch();
        // Offscreen there is no tray; the app keeps running regardless.
        QVERIFY(!app.hasTrayIcon());
        QVERIFY(!simBus->hasStarted()); // the bus starts from the event loop, not inside launch()
        QVERIFY(started.wait());
        QCOMPARE(simBus->startCount(), 1);
        QVERIFY(menuTexts().contains(QStringLiteral("Device: Not Found")));
        QVERIFY(menuTexts().contains(QStringLiteral("Quit Kestrix")));
        QVERIFY(menuTexts().contains(QStringLiteral("Kestrix v0.2.7")));

        simBus->plug(device, 0x14200000);
        KESTRIX_WAIT_FOR(menuTexts().contains(QStringLiteral("Device: TARN v1.0.0")));
        simBus->unplugAll();
        QVERIFY(menuTexts().contains(QStringLiteral("Device: Not Found")));

        auto locked = simBus->plugWithoutPermission(device, 0x14200000);
        KESTRIX_WAIT_FOR(menuTexts().contains(QStringLiteral("Device: Found, No Access")));
        simBus->unplug(locked);
        waitForFirmwareCheck(app);
    }

    // Script signals reach the LED: the trigger server feeds the rules engine, which drives the device.
    void triggerSignalsDriveTheLED()
    {
        auto bus = std::make_unique<SimulatedHidBus>();
        auto *simBus = bus.get();
        auto listener = std::make_unique<FakeTriggerListener>();
        auto *script = listener.get();
        SimulatedDorvel device;
        ReportRecorder recorder(device);
        TamselDesktopApp app(fakePorts(std::move(bus), std::move(listener)));
        QSignalSpy started(&app, &TamselDesktopApp::started);
        app.launch();
        QVERIFY(started.wait());
        QCOMPARE(script->startCount, 1);
        simBus->plug(device, 0x14200000);
        KESTRIX_WAIT_FOR(app.hid().deviceID().has_value());
        recorder.reports.clear();

        script->deliver("ai_execution 1\n");
        KESTRIX_WAIT_FOR(device.led().mode == Dorvel::RGBMode::breatheFast);
        QCOMPARE(recorder.reports.at(0), Dorvel::ledEnabledReport(true));
        QCOMPARE(recorder.reports.at(1), Dorvel::ledModeReport(Dorvel::RGBMode::breatheFast));
        QCOMPARE(recorder.reports.at(2), Dorvel::ledColorReport(0, 255, 255));
        QVERIFY(device.led().on);

        script->deliver("ai_execution 0\n");
        KESTRIX_WAIT_FOR(!device.led().on);
        simBus->unplugAll();
        waitForFirmwareCheck(app);
    }

    // Start-up undoes what an earlier app update left behind, before anything else is prepared.
    void startUpClearsWhatAnEarlierUpdateLeftBehind()
    {
        QTemporaryDir temporary;
        const QString leftover = temporary.filePath(QStringLiteral("Kestrix-update-0A1B.tar.gz"));
        QVERIFY(BundleTestSupport::writeFile(leftover, "partial image"));
        const QByteArray savedTemporary = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(temporary.path()));
        TamselDesktopApp app(fakePorts(std::make_unique<SimulatedHidBus>(), std::make_unique<FakeTriggerListener>()));
        savedTemporary.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", savedTemporary);
        QSignalSpy recovered(&app.appUpdater(), &AppUpdater::recoveryFinished);
        app.launch();
        QVERIFY(recovered.wait());
        QVERIFY(!QFileInfo::exists(leftover));
    }

    // The terms window opens by itself at launch until the terms are accepted.
    void termsWindowOpensAtLaunchUntilAccepted()
    {
        const QString id = QStringLiteral("legal-agreement");
        {
            TamselDesktopApp app(
                fakePorts(std::make_unique<SimulatedHidBus>(), std::make_unique<FakeTriggerListener>()));
            app.launch();
            QWidget *terms = app.windows().window(id);
            QVERIFY(terms && terms->isVisible());
            QCOMPARE(terms->windowTitle(), QStringLiteral("Legal Agreement"));
            app.legalGate().accept();
            terms->close();
        }
        TamselDesktopApp app(fakePorts(std::make_unique<SimulatedHidBus>(), std::make_unique<FakeTriggerListener>()));
        app.launch();
        QVERIFY(app.legalGate().hasAccepted());
        QCOMPARE(app.windows().window(id), nullptr);
    }

    // The device's own windows open by their ids, each with its title.
    void deviceWindowsOpenById()
    {
        TamselDesktopApp app(fakePorts(std::make_unique<SimulatedHidBus>(), std::make_unique<FakeTriggerListener>()));
        QWidget *shortcut = app.windows().openWindow(QStringLiteral("custom-shortcut"));
        QVERIFY(shortcut && shortcut->isVisible());
        QCOMPARE(shortcut->windowTitle(), QStringLiteral("Custom Shortcut"));
        QWidget *rgb = app.windows().openWindow(QStringLiteral("rgb-settings"));
        QVERIFY(rgb && rgb->isVisible());
        QCOMPARE(rgb->windowTitle(), QStringLiteral("RGB Settings"));
    }

    void secondInstanceIsRefused()
    {
        SingleInstanceGuard first;
        QVERIFY(first.tryAcquire());
        SingleInstanceGuard second;
        QVERIFY(!second.tryAcquire());
        QVERIFY(first.tryAcquire()); // still held by the first
    }
};

QTEST_MAIN(TrayAppTest)
#include "tst_trayapp.moc"
