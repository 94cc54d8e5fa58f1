#include "app/LegalAgreementGate.h"
#include "app/TamselDesktopApp.h"
#include "app/Translations.h"
#include "app/ui/LegalAgreementView.h"
#include "app/ui/MenuPresenter.h"
#include "app/ui/TrayMenu.h"
#include "app/ui/WindowRouter.h"
#include "device/DorvelDeviceManager.h"
#include "device/KeyRecorder.h"
#include "device/ui/ApplicationKeyEventMonitor.h"
#include "device/ui/CustomShortcutPresenter.h"
#include "device/ui/CustomShortcutRecorderView.h"
#include "firmware/TarnFirmwareUpdater.h"
#include "platform/sim/SimulatedHidBus.h"
#include "rules/StatusLightPause.h"
#include "rules/StatusRulesEngine.h"
#include "rules/ui/StatusRulesSettingsView.h"
#include "settings/ui/RGBSettingsPresenter.h"
#include "settings/ui/RGBSettingsView.h"
#include "signals/CalendarWatcher.h"
#include "support/BuildPaths.h"
#include "support/BundleTestSupport.h"
#include "support/DeviceTestSupport.h"
#include "support/FakeCalendarStore.h"
#include "support/FakeClock.h"
#include "support/FakePorts.h"
#include "support/FakeTriggerListener.h"
#include "support/LocalHttpServer.h"
#include "support/TestMain.h"
#include "timers/TimerManager.h"
#include "timers/ui/TimerView.h"
#include "unit/rules/RulesTestSupport.h"
#include "update/AppUpdater.h"
#include "update/ui/AppUpdateProgressView.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleFactory>
#include <QTemporaryDir>

#include <memory>

// Renders every window of the application to PNG files in the build folder, for people to look
// at. The style, palette and font are fixed here so the pictures come out the same on every
// machine; the font comes from the Debian package fonts-dejavu-core. KESTRIX_SCREENSHOT_FONT_SCALE
// enlarges the font (1.5 for a desktop's large-text setting) and QT_SCALE_FACTOR the whole
// picture, to check that nothing clips; KESTRIX_SCREENSHOT_LANGUAGE ("de", "fr", "es") shows the
// windows in that language and its locale.
class ScreenshotTest : public QObject {
    Q_OBJECT

    QDir m_output{kestrix::buildpaths::screenshotDir()};

    void save(QWidget &window, const QString &name)
    {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QImage image = window.grab().toImage();
        QVERIFY(!image.isNull());
        QCOMPARE(image.size(), window.size() * window.devicePixelRatio());
        const QString path = m_output.filePath(name + QStringLiteral(".png"));
        QVERIFY2(image.save(path, "PNG"), qPrintable(path));
        qInfo("%s", qPrintable(path));
    }

private Q_SLOTS:
    void initTestCase()
    {
        const QString fonts = QStringLiteral("/usr/share/fonts/truetype/dejavu/");
        for (const char *file : {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf", "DejaVuSansMono.ttf"}) {
            QVERIFY2(QFontDatabase::addApplicationFont(fonts + QLatin1String(file)) >= 0,
                     "DejaVu Sans is missing: install fonts-dejavu-core");
        }
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QApplication::setPalette(QApplication::style()->standardPalette());
        QFont font(QStringLiteral("DejaVu Sans"));
        const double fontScale = qEnvironmentVariableIsSet("KESTRIX_SCREENSHOT_FONT_SCALE")
                                     ? qEnvironmentVariable("KESTRIX_SCREENSHOT_FONT_SCALE").toDouble()
                                     : 1.0;
        font.setPointSizeF(10 * (fontScale > 0 ? fontScale : 1.0));
        font.setHintingPreference(QFont::PreferNoHinting);
        QApplication::setFont(font);
        QVERIFY(m_output.mkpath(QStringLiteral(".")));
        const QString language = qEnvironmentVariable("KESTRIX_SCREENSHOT_LANGUAGE");
        if (!language.isEmpty()) {
            QLocale::setDefault(QLocale(language));
            QCOMPARE(Translations::install({language}, kestrix::buildpaths::translationsDir()), language);
        }
    }

    void legalAgreementWindow()
    {
        TemporaryConfigHome home;
        const QImage icon(kestrix::buildpaths::sourceDir() + QStringLiteral("/resources/AppIconDisplay.png"));
        QVERIFY(!icon.isNull());
        {
            LegalAgreementGate gate;
            LegalAgreementView view(gate, icon);
            save(view, QStringLiteral("legal-agreement"));
            view.findChild<QCheckBox *>()->setChecked(true);
            save(view, QStringLiteral("legal-agreement-agreed"));
            QScrollBar *scroll = view.findChild<QScrollArea *>()->verticalScrollBar();
            scroll->setValue(scroll->maximum());
            save(view, QStringLiteral("legal-agreement-end"));
            gate.accept();
        }
        LegalAgreementGate gate;
        LegalAgreementView view(gate, icon);
        save(view, QStringLiteral("legal-agreement-accepted"));
    }

    void appUpdateWindow()
    {
        using namespace std::chrono_literals;
        QTemporaryDir dir;
        const QString bundle = dir.filePath(QStringLiteral("apps/Kestrix.app"));
        QVERIFY(BundleTestSupport::makeBundle(bundle, "old"));
        // The image drips in for as long as the pictures take.
        LocalHttpServer server;
        LocalHttpServer::Response image(QByteArray(1 << 20, 'x'));
        image.dripInterval = 50ms;
        server.serve(AppUpdater::manifestPath(), "{\"version\": \"0.3.0\", \"asset\": \"/K.tar.gz\"}");
        server.serve(QStringLiteral("/K.tar.gz"), image);
        BundleTestSupport::InertBundleTools tools;
        BundleTestSupport::FakePackageDatabase packages;
        BundleTestSupport::RecordingShell shell;
        AppUpdater::Environment environment;
        environment.manifestURL = server.url(AppUpdater::manifestPath());
        environment.runningVersion = QStringLiteral("0.2.7");
        environment.runningBundlePath = bundle;
        environment.temporaryDirectory = dir.path();
        AppUpdater updater(tools, packages, shell, environment);
        AppUpdateProgressView view(updater, [](const QUrl &) {});
        QSignalSpy checked(&updater, &AppUpdater::checkFinished);
        updater.checkNow();
        QVERIFY(checked.wait());
        save(view, QStringLiteral("app-update-available"));
        QSignalSpy prepared(&updater, &AppUpdater::preparationFinished);
        updater.startInstall();
        save(view, QStringLiteral("app-update-downloading"));
        updater.cancelDownload();
        QVERIFY(prepared.wait());
        QVERIFY(QFile::remove(bundle + QStringLiteral("/bin/kestrix"))); // no longer a bundle it can replace
        updater.startInstall();
        QVERIFY(prepared.wait());
        save(view, QStringLiteral("app-update-failed"));
    }

    // The whole menu with an RP2350 device attached and the terms accepted, its "Preset" submenus,
    // and the window that offers the same entries where the desktop has no tray.
    void trayMenu()
    {
        TemporaryConfigHome home;
        QTemporaryDir data;
        qputenv("XDG_DATA_HOME", data.path().toUtf8());
        auto bus = std::make_unique<SimulatedHidBus>();
        auto *simBus = bus.get();
        SimulatedDorvel device;
        TamselDesktopApp app(fakePorts(std::move(bus), std::make_unique<FakeTriggerListener>()));
        app.legalGate().accept();
        QSignalSpy started(&app, &TamselDesktopApp::started);
        app.launch();
        QVERIFY(started.wait());
        simBus->plug(device, 0x14200000);
        KESTRIX_WAIT_FOR(app.hid().deviceID().has_value() && app.hid().lastQuery().has_value());
        // The firmware check against the dead update server settles first.
        KESTRIX_WAIT_FOR(app.tarnUpdater().state().kind != TarnUpdateState::Kind::checkingForUpdate);
        TrayMenu &menu = app.trayMenu();
        save(menu, QStringLiteral("tray-menu"));
        menu.hide();
        for (QAction *action : menu.actions()) {
            if (action->menu() && action->text() == QCoreApplication::translate("TrayMenu", "Preset")) {
                QMenu *media = action->menu()->actions().at(1)->menu();
                save(*media, QStringLiteral("tray-menu-preset-media"));
                media->hide();
            }
        }
        app.statusLightPause().pauseFor(std::chrono::minutes(15));
        for (QAction *action : menu.actions()) {
            if (action->menu() &&
                action->text() == MenuPresenter::pauseMenuTitle(app.statusLightPause().pausedUntil())) {
                save(*action->menu(), QStringLiteral("tray-menu-paused"));
                action->menu()->hide();
            }
        }
        QWidget *window = app.windows().window(QString::fromLatin1(TamselDesktopApp::menuWindowId));
        QVERIFY(window);
        save(*window, QStringLiteral("menu-window"));
        simBus->unplugAll();
    }

    void statusRulesWindow()
    {
        TemporaryConfigHome home;
        SimulatedHidBus bus;
        SimulatedDorvel device;
        DorvelDeviceManager hid(bus);
        StatusRulesEngine engine(hid);
        hid.start();
        bus.plug(device, 0x14200000);
        KESTRIX_WAIT_FOR(hid.lastQuery().has_value());
        // One finish step switched on, so both forms of the finish line show.
        std::vector<StatusRule> rules = engine.rules();
        ruleIn(rules, "terminal_active").finishStep->isEnabled = true;
        engine.setRules(rules);
        auto store = std::make_unique<FakeCalendarStore>();
        for (const char *title : {"Work", "Family", "Holidays", "Team", "Birthdays"}) {
            store->calendarList.append({QString::fromLatin1(title).toLower(), QString::fromLatin1(title)});
        }
        CalendarWatcher calendar(std::move(store));
        calendar.start();
        calendar.setExcludedCalendarIDs({QStringLiteral("holidays"), QStringLiteral("birthdays")});
        calendar.setUserAddresses({QStringLiteral("ana@example.org"), QStringLiteral("ana.b@work.example")});
        StatusRulesSettingsView view(engine, calendar);
        save(view, QStringLiteral("status-rules"));
    }

    void timerWindow()
    {
        TemporaryConfigHome home;
        SimulatedHidBus bus;
        SimulatedDorvel device;
        DorvelDeviceManager hid(bus);
        StatusRulesEngine engine(hid);
        FakeClock clock;
        TimerManager timer(hid, engine, clock);
        {
            TimerView view(timer, hid);
            save(view, QStringLiteral("timer"));
        }
        timer.startSimple(5, HSVColor{0, 255, 255}, Dorvel::RGBMode::breatheFast);
        {
            TimerView view(timer, hid);
            save(view, QStringLiteral("timer-running"));
        }
        timer.cancelIfRunning();
        PomodoroSettings session;
        session.sessionLimit = 8;
        timer.startPomodoro(session);
        TimerView view(timer, hid);
        save(view, QStringLiteral("timer-pomodoro-running"));
    }

    void customShortcutWindow()
    {
        TemporaryConfigHome home;
        SimulatedHidBus bus;
        SimulatedDorvel device;
        // The device is already bound to Command+K, twice with a 250 ms gap.
        device.handleReport(CustomShortcutPresenter::bindCustomReport(0x08, 0x0E, 2, 2));
        DorvelDeviceManager hid(bus);
        hid.start();
        bus.plug(device, 0x14200000);
        KESTRIX_WAIT_FOR(hid.lastQuery().has_value());
        ApplicationKeyEventMonitor keys({KeyboardConventions::KeyCodes::linuxXkbKeycode, false});
        CustomShortcutRecorderView view(hid, keys);
        save(view, QStringLiteral("custom-shortcut"));
        view.recorder().startRecording();
        save(view, QStringLiteral("custom-shortcut-recording"));
        // Control+Shift+A as X11 delivers it: evdev code 30 plus 8.
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier, 30 + 8, 0, 0);
        QApplication::sendEvent(&view, &press);
        QVERIFY(view.recorder().capturedKeycode().has_value());
        save(view, QStringLiteral("custom-shortcut-captured"));
    }

    void rgbSettingsWindow()
    {
        TemporaryConfigHome home;
        SimulatedHidBus bus;
        SimulatedDorvel device;
        DorvelDeviceManager hid(bus);
        StatusRulesEngine engine(hid);
        FakeClock clock;
        TimerManager timers(hid, engine, clock);
        hid.start();
        bus.plug(device, 0x14200000);
        KESTRIX_WAIT_FOR(hid.lastQuery().has_value());
        {
            RGBSettingsView view(hid, timers, engine);
            save(view, QStringLiteral("rgb-settings"));
            auto *style = view.findChild<QComboBox *>(QStringLiteral("flashStyle"));
            style->setCurrentIndex(style->findText(RGBSettingsPresenter::flashStyleLabel(Dorvel::FlashStyle::strobe)));
            save(view, QStringLiteral("rgb-settings-strobe"));
            // Gone: the sections grey out, the colours they had stay faded in their buttons.
            bus.unplugAll();
            KESTRIX_WAIT_FOR(!hid.isConnected());
            save(view, QStringLiteral("rgb-settings-no-device"));
        }
        // A device whose state reply is too short to carry a sweep mode or flash styles.
        SimulatedDorvel older({.replyLength = 29});
        bus.plug(older, 0x14200000);
        KESTRIX_WAIT_FOR(hid.lastQuery().has_value());
        RGBSettingsView view(hid, timers, engine);
        save(view, QStringLiteral("rgb-settings-older-device"));
    }
};

QTEST_MAIN(ScreenshotTest)
#include "screenshots.moc"
