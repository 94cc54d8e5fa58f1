#include "app/AppInfo.h"
#include "app/LegalAgreementGate.h"
#include "app/SingleInstanceGuard.h"
#include "app/TamselDesktopApp.h"
#include "app/ui/MenuController.h"
#include "app/ui/TrayMenu.h"
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
#include "support/FakePorts.h"
#include "support/FakeTriggerListener.h"
#include "support/LocalHttpServer.h"
#include "support/TestMain.h"
#include "update/AppUpdater.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace std::chrono_literals;

namespace {

// Each attach starts a firmware check against the test's dead update server; it must have ended
// before the application goes, or its pending request would outlive the updater.
void waitForFirmwareCheck(TamselDesktopApp &app)
{
    KESTRIX_WAIT_FOR(app.tarnUpdater().state().kind != TarnUpdateState::Kind::checkingForUpdate);
}

// The action of the tray menu (submenus included) with this text, or null.
QAction *menuAction(QMenu &menu, const QString &text)
{
    for (QAction *action : menu.actions()) {
        if (action->text() == text) {
            return action;
        }
        if (QMenu *submenu = action->menu()) {
            if (QAction *found = menuAction(*submenu, text)) {
                return found;
            }
        }
    }
    return nullptr;
}

// Records the questions the menu asks and gives a fixed answer, yes to those in `agreed`.
struct RecordedQuestions {
    QStringList messages;
    bool answer = false;
    QStringList agreed;
    void install(MenuController &controller)
    {
        controller.environment().ask = [this](const MenuPresenter::Alert &alert) {
            messages << alert.message;
            return answer || agreed.contains(alert.message);
        };
    }
};

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
    // A home of its own for each test function: nothing one stores (the terms accepted, rules,
    // bindings) reaches the next.
    std::unique_ptr<QTemporaryDir> m_home;

private Q_SLOTS:
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        qputenv("XDG_DATA_HOME", m_home->filePath(QStringLiteral("data")).toUtf8());
        qputenv("XDG_CONFIG_HOME", m_home->filePath(QStringLiteral("config")).toUtf8());
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
        QVERIFY(menuTexts().contains(QStringLiteral("Kestrix v") + QLatin1String(AppInfo::shortVersion)));

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

    // "Pause Status Light" holds the rules (the LED goes off while a script's signal stays on), the
    // menu says until when, and "Resume" brings the rule back.
    void pauseFromTheMenu()
    {
        QTemporaryDir config; // the terms accepted here stay here
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        auto bus = std::make_unique<SimulatedHidBus>();
        auto *simBus = bus.get();
        auto listener = std::make_unique<FakeTriggerListener>();
        auto *script = listener.get();
        SimulatedDorvel device;
        TamselDesktopApp app(fakePorts(std::move(bus), std::move(listener)));
        app.legalGate().accept();
        QSignalSpy started(&app, &TamselDesktopApp::started);
        app.launch();
        QVERIFY(started.wait());
        simBus->plug(device, 0x14200000);
        KESTRIX_WAIT_FOR(app.hid().lastQuery().has_value());
        script->deliver("ai_execution 1\n");
        KESTRIX_WAIT_FOR(device.led().on);

        TrayMenu &menu = app.trayMenu();
        QVERIFY(!menuAction(menu, QStringLiteral("Resume"))->isVisible());
        menuAction(menu, QStringLiteral("15 Minutes"))->trigger();
        KESTRIX_WAIT_FOR(!device.led().on);
        QVERIFY(app.rulesEngine().isOnHold());
        QCOMPARE(menuTexts().filter(QStringLiteral("Paused until ")).size(), 1);
        QAction *resume = menuAction(menu, QStringLiteral("Resume"));
        QVERIFY(resume->isVisible() && resume->isEnabled());
        resume->trigger();
        KESTRIX_WAIT_FOR(device.led().on && device.led().mode == Dorvel::RGBMode::breatheFast);
        QVERIFY(menuTexts().contains(QStringLiteral("Pause Status Light")));
        simBus->unplugAll();
        waitForFirmwareCheck(app);
        qputenv("XDG_CONFIG_HOME", m_home->filePath(QStringLiteral("config")).toUtf8());
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

    // Choosing a preset writes the binding straight to the device; the check mark moves only once
    // the confirming query has read the new binding back.
    void presetChoiceWritesTheBindingAndTheMarkFollows()
    {
        auto bus = std::make_unique<SimulatedHidBus>();
        auto *simBus = bus.get();
        SimulatedDorvel device;
        ReportRecorder recorder(device);
        TamselDesktopApp app(fakePorts(std::move(bus), std::make_unique<FakeTriggerListener>()));
        app.legalGate().accept();
        QSignalSpy started(&app, &TamselDesktopApp::started);
        app.launch();
        QVERIFY(started.wait());
        TrayMenu &menu = app.trayMenu();
        QAction *preset = menuAction(menu, QStringLiteral("Preset"));
        QVERIFY(preset && !preset->isVisible()); // no device yet

        simBus->plug(device, 0x14200000);
        KESTRIX_WAIT_FOR(app.hid().deviceID().has_value());
        QVERIFY(preset->isVisible() && preset->isEnabled());
        QAction *volumeUp = menuAction(menu, QStringLiteral("Volume Up"));
        QVERIFY(volumeUp);
        recorder.reports.clear();
        volumeUp->trigger();
        QVERIFY(!recorder.reports.empty());
        QCOMPARE(recorder.reports.front(), Dorvel::padded(std::vector<std::uint8_t>{0x00, 0x02}));
        KESTRIX_WAIT_FOR(volumeUp->text() == QStringLiteral("✓ Volume Up"));
        QCOMPARE(recorder.reports.at(1).at(0), std::uint8_t(0xFF)); // the confirming query
        QCOMPARE(menuAction(menu, QStringLiteral("Lock Screen"))->text(), QStringLiteral("Lock Screen"));

        simBus->unplugAll();
        waitForFirmwareCheck(app);
    }

    // Before the terms are accepted only "Terms…" and "Quit Kestrix" act; the rest is greyed.
    void menuWaitsForTheTerms()
    {
        QTemporaryDir config; // terms accepted by earlier tests are not seen here
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        auto bus = std::make_unique<SimulatedHidBus>();
        auto *simBus = bus.get();
        SimulatedDorvel device;
        ReportRecorder recorder(device);
        TamselDesktopApp app(fakePorts(std::move(bus), std::make_unique<FakeTriggerListener>()));
        QSignalSpy started(&app, &TamselDesktopApp::started);
        app.launch();
        QVERIFY(started.wait());
        simBus->plug(device, 0x14200000);
        KESTRIX_WAIT_FOR(app.hid().deviceID().has_value());
        TrayMenu &menu = app.trayMenu();
        for (const char *text : {"Preset", "Toggle Mic Mute", "RGB Settings…", "Feature Request…", "Uninstall Kestrix…",
                                 "Device: TARN v1.0.0"}) {
            QAction *action = menuAction(menu, QString::fromUtf8(text));
            QVERIFY2(action && action->isVisible() && !action->isEnabled(), text);
        }
        // A stale click that still reaches the controller is ignored as well.
        recorder.reports.clear();
        app.menuController().perform(
            {QStringLiteral("Mute"), MenuPresenter::MenuAction::setPreset, true, true, std::uint8_t(1)});
        QTest::qWait(int(TestTime::scaled(50ms).count()));
        QVERIFY(recorder.reports.empty());

        app.windows().window(QStringLiteral("legal-agreement"))->close();
        QAction *terms = menuAction(menu, QStringLiteral("Terms…"));
        QVERIFY(terms->isEnabled() && menuAction(menu, QStringLiteral("Quit Kestrix"))->isEnabled());
        terms->trigger();
        QVERIFY(app.windows().window(QStringLiteral("legal-agreement")));

        app.legalGate().accept();
        QVERIFY(menuAction(menu, QStringLiteral("Preset"))->isEnabled());
        QVERIFY(menuAction(menu, QStringLiteral("RGB Settings…"))->isEnabled());
        simBus->unplugAll();
        waitForFirmwareCheck(app);
        qputenv("XDG_CONFIG_HOME", m_home->filePath(QStringLiteral("config")).toUtf8());
    }

    // A firmware update under way opens its progress window by itself, quitting (uninstalling too)
    // asks first, and the writers to the device wait while the update holds the device link. A
    // Dorvel plugged in meanwhile is checked once the run ends, and the window keeps how it ended.
    void quitAsksWhileTheFirmwareUpdates()
    {
        LocalHttpServer server;
        QVERIFY(server.isListening());
        const QByteArray previousBase = qgetenv("KESTRIX_UPDATE_BASE_URL");
        qputenv("KESTRIX_UPDATE_BASE_URL", server.url(QString()).toString().toUtf8());
        server.serve(QStringLiteral("/releases/tarn-rp2350/latest.json"),
                     QJsonDocument(QJsonObject{{QStringLiteral("version"), QStringLiteral("1.1.0")},
                                               {QStringLiteral("asset"), QStringLiteral("tarn.bin")}})
                         .toJson());
        // The image is held back, so the run stays in its download until the test lets it go.
        server.serve(QStringLiteral("/releases/tarn-rp2350/tarn.bin"), QByteArray(1024, 'x'));
        server.hold(QStringLiteral("/releases/tarn-rp2350/tarn.bin"));

        auto bus = std::make_unique<SimulatedHidBus>();
        auto *simBus = bus.get();
        SimulatedDorvel device;
        SimulatedDorvel second;
        second.config().version = {1, 0, 5};
        TamselDesktopApp app(fakePorts(std::move(bus), std::make_unique<FakeTriggerListener>()));
        qputenv("KESTRIX_UPDATE_BASE_URL", previousBase);
        app.legalGate().accept();
        RecordedQuestions questions;
        questions.install(app.menuController());
        int quits = 0;
        app.menuController().environment().quit = [&quits] {
            ++quits;
        };
        QSignalSpy started(&app, &TamselDesktopApp::started);
        app.launch();
        QVERIFY(started.wait());

        // Not busy: quits at once.
        app.menuController().requestQuit();
        QCOMPARE(quits, 1);
        QVERIFY(questions.messages.isEmpty());

        simBus->plug(device, 0x14200000);
        QAction *update = nullptr;
        KESTRIX_WAIT_FOR(
            (update = menuAction(app.trayMenu(), QStringLiteral("TARN Update Available: v1.0.0 → v1.1.0"))));
        QCOMPARE(app.windows().window(QStringLiteral("tarn-update-progress")), nullptr);
        update->trigger();
        KESTRIX_WAIT_FOR(app.tarnUpdater().state().kind == TarnUpdateState::Kind::downloading);
        QVERIFY(app.windows().window(QStringLiteral("tarn-update-progress")));

        menuAction(app.trayMenu(), QStringLiteral("Quit Kestrix"))->trigger();
        QCOMPARE(questions.messages, QStringList{QStringLiteral("TARN Firmware Update In Progress")});
        QCOMPARE(quits, 1); // cancelled
        // Installing an app update quits as well, and asks the same.
        QVERIFY(!app.appUpdater().environment().confirmQuit());
        QCOMPARE(questions.messages.size(), 2);
        QCOMPARE(questions.messages.last(), QStringLiteral("TARN Firmware Update In Progress"));
        // So does uninstalling, after its own question; "Cancel" there keeps everything.
        const QString support = m_home->filePath(QStringLiteral("data/Kestrix"));
        QVERIFY(QDir().mkpath(support));
        questions.agreed = QStringList{QStringLiteral("Uninstall Kestrix?")};
        menuAction(app.trayMenu(), QStringLiteral("Uninstall Kestrix…"))->trigger();
        QCOMPARE(questions.messages.mid(2), (QStringList{QStringLiteral("Uninstall Kestrix?"),
                                                         QStringLiteral("TARN Firmware Update In Progress")}));
        QVERIFY(QDir(support).exists());
        questions.answer = true;
        app.menuController().requestQuit();
        QCOMPARE(quits, 2);

        // Once the run holds the device link (not during its download), what writes to the device
        // is greyed and says why, until the run lets go: here the device refuses the update.
        QWidget *shortcut = app.windows().openWindow(QStringLiteral("custom-shortcut"));
        shortcut->findChildren<QPushButton *>().at(0)->click(); // record Super+K
        QKeyEvent superK(QEvent::KeyPress, Qt::Key_K, Qt::MetaModifier, 37 + 8, 0, 0);
        QApplication::sendEvent(shortcut, &superK);
        QPushButton *apply = shortcut->findChildren<QPushButton *>().at(1);
        QWidget *rgb = app.windows().openWindow(QStringLiteral("rgb-settings"));
        QWidget *timer = app.windows().openWindow(QStringLiteral("timer"));
        const QList<QPushButton *> buttons = timer->findChildren<QPushButton *>();
        QPushButton *start = *std::find_if(buttons.begin(), buttons.end(),
                                           [](auto *b) { return b->accessibleName() == QLatin1String("Start timer"); });
        const QString reason = QStringLiteral("Unavailable while the firmware update is running");
        const auto says = [&reason](const QWidget *window) {
            const QList<QLabel *> labels = window->findChildren<QLabel *>();
            return std::any_of(labels.begin(), labels.end(),
                               [&](auto *l) { return l->isVisible() && l->text() == reason; });
        };
        const auto places = [&] {
            return QList<bool>{menuAction(app.trayMenu(), QStringLiteral("Mute"))->isEnabled(),
                               apply->isEnabled(),
                               rgb->findChild<QCheckBox *>(QStringLiteral("ledOn"))->isEnabled(),
                               start->isEnabled(),
                               menuTexts().contains(QStringLiteral("Presets unavailable during the update")),
                               says(shortcut) && apply->toolTip() == reason,
                               says(rgb),
                               says(timer) && start->toolTip() == reason};
        };
        const QList<bool> usable{true, true, true, true, false, false, false, false};
        QCOMPARE(places(), usable);
        QList<QList<bool>> whileHeld;
        connect(&app.hid(), &DorvelDeviceManager::isLinkExclusiveChanged, this, [&](bool held) {
            if (held && whileHeld.isEmpty()) {
                simBus->plug(second, 0x14300000);
            }
            whileHeld << (held ? places() : QList<bool>{});
        });
        device.updateFaults.startStatus = UpdateStatus::busy;
        server.releaseAll();
        KESTRIX_WAIT_FOR(!app.tarnUpdater().isRunning()); // the newcomer's check may follow at once
        QCOMPARE(whileHeld, (QList<QList<bool>>{{false, false, false, false, true, true, true, true}, {}}));
        QCOMPARE(places(), usable);

        // The newcomer is held now: the menu offers its update, the window still tells how the run
        // ended.
        KESTRIX_WAIT_FOR(menuAction(app.trayMenu(), QStringLiteral("TARN Update Available: v1.0.5 → v1.1.0")));
        const QWidget *progress = app.windows().window(QStringLiteral("tarn-update-progress"));
        QCOMPARE(progress->findChildren<QLabel *>().at(1)->text(),
                 QStringLiteral("TARN Update Failed: Another Update Already In Progress, Retry"));
        simBus->unplugAll();
        waitForFirmwareCheck(app);
    }

    // The menu's own entries reach what they name: the windows, the setup guide, the feature request
    // mail, the app update found at start-up, and the firmware check and its retry.
    void menuEntriesOpenTheirWindowsLinksAndUpdates()
    {
        LocalHttpServer server;
        QVERIFY(server.isListening());
        const QString firmwareManifest = QStringLiteral("/releases/tarn-rp2350/latest.json");
        const QByteArray previousBase = qgetenv("KESTRIX_UPDATE_BASE_URL");
        qputenv("KESTRIX_UPDATE_BASE_URL", server.url(QString()).toString().toUtf8());
        auto bus = std::make_unique<SimulatedHidBus>();
        auto *simBus = bus.get();
        SimulatedDorvel device;
        TamselDesktopApp app(fakePorts(std::move(bus), std::make_unique<FakeTriggerListener>()));
        qputenv("KESTRIX_UPDATE_BASE_URL", previousBase);
        app.legalGate().accept();
        QList<QUrl> opened;
        MenuController::Environment &environment = app.menuController().environment();
        environment.openUrl = [&opened](const QUrl &url) {
            opened << url;
            return true;
        };
        environment.setupGuide = QUrl(QStringLiteral("file:///guide/advanced-setup.pdf"));
        environment.supportEmail = QStringLiteral("help@example.org");
        app.appUpdater().environment().runningVersion = QStringLiteral("1.0.0");
        // The app manifest's address is fixed at the process's first use; point this app at the server.
        app.appUpdater().environment().manifestURL = server.url(QStringLiteral("/releases/linux/latest.json"));
        server.serve(QStringLiteral("/releases/linux/latest.json"),
                     QByteArray(R"({"version": "1.2.0", "asset": "kestrix_1.2.0.deb"})"));
        QSignalSpy started(&app, &TamselDesktopApp::started);
        app.launch();
        QVERIFY(started.wait());
        simBus->plug(device, 0x14200000);
        KESTRIX_WAIT_FOR(app.hid().deviceID().has_value());
        waitForFirmwareCheck(app); // nothing published yet
        TrayMenu &menu = app.trayMenu();

        const std::pair<const char *, const char *> windows[] = {{"Custom Shortcut…", "custom-shortcut"},
                                                                 {"RGB Settings…", "rgb-settings"},
                                                                 {"Status Rules…", "status-rules-settings"},
                                                                 {"Timer…", "timer"}};
        for (const auto &[text, id] : windows) {
            QAction *entry = menuAction(menu, QString::fromUtf8(text));
            QVERIFY2(entry && entry->isEnabled(), text);
            entry->trigger();
            QWidget *window = app.windows().window(QString::fromLatin1(id));
            QVERIFY2(window && window->isVisible(), id);
            window->close();
        }

        menuAction(menu, QStringLiteral("Advanced Setup…"))->trigger();
        menuAction(menu, QStringLiteral("Feature Request…"))->trigger();
        QCOMPARE(opened.size(), 2);
        QCOMPARE(opened[0], QUrl(QStringLiteral("file:///guide/advanced-setup.pdf")));
        QCOMPARE(opened[1].scheme(), QStringLiteral("mailto"));
        QCOMPARE(opened[1].path(), QStringLiteral("help@example.org"));

        // The start-up check found a newer Kestrix: its entry opens the progress window and starts
        // the install at once, which finds that a test program is no copy it may replace.
        QAction *appUpdate = nullptr;
        KESTRIX_WAIT_FOR((appUpdate = menuAction(menu, QStringLiteral("Update Available: v1.2.0"))));
        QCOMPARE(app.appUpdater().state().kind, AppUpdater::State::Kind::available);
        appUpdate->trigger();
        QWidget *progress = app.windows().window(QStringLiteral("app-update-progress"));
        QVERIFY(progress && progress->isVisible());
        KESTRIX_WAIT_FOR(app.appUpdater().state().kind == AppUpdater::State::Kind::installFailed);
        QCOMPARE(app.appUpdater().state().error, AppUpdateError::bundleNotReplaceable);
        progress->close();

        // The firmware: a check finds the release published meanwhile; its image is missing, and
        // the retry checks again.
        server.serve(firmwareManifest, QByteArray(R"({"version": "1.1.0", "asset": "tarn.bin"})"));
        menuAction(menu, QStringLiteral("Check for TARN Update…"))->trigger();
        QAction *available = nullptr;
        KESTRIX_WAIT_FOR((available = menuAction(menu, QStringLiteral("TARN Update Available: v1.0.0 → v1.1.0"))));
        available->trigger();
        KESTRIX_WAIT_FOR(app.tarnUpdater().state().kind == TarnUpdateState::Kind::failed);
        QAction *retry = menuAction(menu, QStringLiteral("TARN Update Failed: Couldn't Download, Retry"));
        QVERIFY(retry && retry->isEnabled());
        const int checks = server.requestCount(firmwareManifest);
        retry->trigger();
        KESTRIX_WAIT_FOR(menuAction(menu, QStringLiteral("TARN Update Available: v1.0.0 → v1.1.0")));
        QCOMPARE(server.requestCount(firmwareManifest), checks + 1);

        simBus->unplugAll();
        waitForFirmwareCheck(app);
    }

    // Uninstalling asks first; only "Uninstall" removes Kestrix's data.
    void uninstallAsksFirst()
    {
        const QString support = m_home->filePath(QStringLiteral("data/Kestrix"));
        QVERIFY(QDir().mkpath(support));
        TamselDesktopApp app(fakePorts(std::make_unique<SimulatedHidBus>(), std::make_unique<FakeTriggerListener>()));
        app.legalGate().accept();
        RecordedQuestions questions;
        questions.install(app.menuController());
        menuAction(app.trayMenu(), QStringLiteral("Uninstall Kestrix…"))->trigger();
        QCOMPARE(questions.messages, QStringList{QStringLiteral("Uninstall Kestrix?")});
        QVERIFY(QDir(support).exists());
        questions.answer = true;
        menuAction(app.trayMenu(), QStringLiteral("Uninstall Kestrix…"))->trigger();
        QVERIFY(!QDir(support).exists());
        // The uninstaller has asked the application to quit; that request lands here, where no
        // event loop runs, rather than in a later test's wait.
        QCoreApplication::processEvents();
    }

    void secondInstanceIsRefused()
    {
        using Outcome = SingleInstanceGuard::Outcome;
        SingleInstanceGuard first;
        QCOMPARE(first.tryAcquire(), Outcome::acquired);
        SingleInstanceGuard second;
        QCOMPARE(second.tryAcquire(), Outcome::heldByRunningInstance);
        QVERIFY(second.failure().isEmpty());
        QCOMPARE(first.tryAcquire(), Outcome::acquired); // still held by the first
    }
};

QTEST_MAIN(TrayAppTest)
#include "tst_trayapp.moc"
