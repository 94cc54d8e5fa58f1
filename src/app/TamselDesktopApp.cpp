#include "app/TamselDesktopApp.h"

#include "app/AppResources.h"
#include "app/LegalAgreementGate.h"
#include "app/ui/LegalAgreementView.h"
#include "app/ui/MenuController.h"
#include "app/ui/MenuWindow.h"
#include "app/ui/TrayMenu.h"
#include "app/ui/WindowRouter.h"
#include "device/DorvelDeviceManager.h"
#include "device/HidBus.h"
#include "device/SystemSleep.h"
#include "device/ui/ApplicationKeyEventMonitor.h"
#include "device/ui/CustomShortcutRecorderView.h"
#include "firmware/TarnFirmwareUpdater.h"
#include "firmware/ui/TarnUpdateProgressView.h"
#include "rules/StatusLightPause.h"
#include "rules/StatusRulesEngine.h"
#include "rules/ui/StatusRulesSettingsView.h"
#include "settings/ui/RGBSettingsView.h"
#include "signals/AudioInput.h"
#include "signals/CalendarStore.h"
#include "signals/CalendarWatcher.h"
#include "signals/CameraDevices.h"
#include "signals/CameraInUseWatcher.h"
#include "signals/DoNotDisturbWatcher.h"
#include "signals/ExternalTriggerServer.h"
#include "signals/MicMuteWatcher.h"
#include "signals/NetworkInterfaces.h"
#include "signals/ScreenLockWatcher.h"
#include "signals/ScreenShareWatcher.h"
#include "signals/TriggerListener.h"
#include "signals/VPNStatusWatcher.h"
#include "timers/TimerManager.h"
#include "timers/ui/TimerView.h"
#include "ui/TrayPresence.h"
#include "update/AppUpdater.h"
#include "update/BundleTools.h"
#include "update/DetachedShell.h"
#include "update/PackageDatabase.h"
#include "update/Uninstaller.h"
#include "update/ui/AppUpdateProgressView.h"
#include "util/Clock.h"

#include <QApplication>
#include <QCursor>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>

#include <cstdio>

TamselDesktopApp::TamselDesktopApp(Ports ports, QObject *parent)
    : QObject(parent), m_bus(std::move(ports.hidBus)), m_clock(std::move(ports.clock)),
      m_audioInput(std::move(ports.audioInput)), m_cameraDevices(std::move(ports.cameraDevices)),
      m_hid(std::make_unique<DorvelDeviceManager>(*m_bus)),
      m_tarnUpdater(std::make_unique<TarnFirmwareUpdater>(*m_hid)),
      m_mic(std::make_unique<MicMuteWatcher>(*m_audioInput)),
      m_vpn(std::make_unique<VPNStatusWatcher>(std::move(ports.networkInterfaces))),
      m_camera(std::make_unique<CameraInUseWatcher>(*m_cameraDevices, ports.cameraPollInterval)),
      m_calendar(std::make_unique<CalendarWatcher>(std::move(ports.calendarStore),
                                                   CalendarWatcher::Options{.now = ports.wallClock})),
      m_screenLock(std::make_unique<ScreenLockWatcher>(std::move(ports.screenLockSources))),
      m_doNotDisturb(std::make_unique<DoNotDisturbWatcher>(std::move(ports.doNotDisturbSources))),
      m_screenShare(std::make_unique<ScreenShareWatcher>(std::move(ports.screenShareSources))),
      m_rulesEngine(std::make_unique<StatusRulesEngine>(*m_hid)),
      m_statusLightPause(std::make_unique<StatusLightPause>(
          *m_rulesEngine, StatusLightPause::Options{ports.wallClock, ports.wallClockRecheck})),
      m_trigger(std::make_unique<ExternalTriggerServer>(std::move(ports.triggerListener))),
      m_bundleTools(std::move(ports.bundleTools)), m_packages(std::move(ports.packageDatabase)),
      m_shell(std::move(ports.detachedShell)),
      m_appUpdater(
          std::make_unique<AppUpdater>(*m_bundleTools, *m_packages, *m_shell, AppUpdater::Environment::running())),
      m_uninstaller(std::make_unique<Uninstaller>(*m_packages, *m_shell, Uninstaller::Environment::running()))
{
    m_legalGate = std::make_unique<LegalAgreementGate>();
    m_timerManager = std::make_unique<TimerManager>(*m_hid, *m_rulesEngine, *m_clock);
    m_windows = std::make_unique<WindowRouter>();
    m_windows->registerWindow(QString::fromLatin1(TarnUpdateProgressView::windowId),
                              [this] { return new TarnUpdateProgressView(*m_tarnUpdater); });
    m_windows->registerWindow(QStringLiteral("app-update-progress"),
                              [this] { return new AppUpdateProgressView(*m_appUpdater); });
    m_windows->registerWindow(QString::fromLatin1(StatusRulesSettingsView::windowId),
                              [this] { return new StatusRulesSettingsView(*m_rulesEngine, *m_calendar); });
    m_windows->registerWindow(QString::fromLatin1(TimerView::windowId),
                              [this] { return new TimerView(*m_timerManager, *m_hid); });
    m_windows->registerWindow(QStringLiteral("legal-agreement"), [this] {
        auto *view = new LegalAgreementView(*m_legalGate, AppResources::appIconDisplay());
        connect(view, &LegalAgreementView::quitRequested, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        return view;
    });
    m_keyEvents = std::make_unique<ApplicationKeyEventMonitor>();
    m_windows->registerWindow(QString::fromLatin1(CustomShortcutRecorderView::windowId),
                              [this] { return new CustomShortcutRecorderView(*m_hid, *m_keyEvents); });
    m_windows->registerWindow(QString::fromLatin1(RGBSettingsView::windowId),
                              [this] { return new RGBSettingsView(*m_hid, *m_timerManager, *m_rulesEngine); });
    m_trayPresence = std::move(ports.trayPresence);
    m_systemSleep = std::move(ports.systemSleep);
    if (m_systemSleep) {
        connect(m_systemSleep.get(), &SystemSleep::resumed, m_hid.get(), &DorvelDeviceManager::handleResume);
    }
    m_menuController = std::make_unique<MenuController>(
        MenuController::Objects{*m_hid, *m_mic, *m_appUpdater, *m_tarnUpdater, *m_timerManager, *m_rulesEngine,
                                *m_legalGate, *m_uninstaller, *m_windows, *m_statusLightPause},
        MenuController::Environment::running());
    // "Install and Relaunch" quits too, so it asks what "Quit Kestrix" asks.
    m_appUpdater->environment().confirmQuit = [controller = m_menuController.get()] {
        return controller->confirmQuit();
    };
    m_menu = std::make_unique<TrayMenu>(*m_menuController);
    m_windows->registerWindow(QString::fromLatin1(menuWindowId), [this] { return new MenuWindow(*m_menuController); });
}

TamselDesktopApp::~TamselDesktopApp()
{
    // The tray icon refers to the menu; drop it first.
    delete m_tray;
    m_tray = nullptr;
}

bool TamselDesktopApp::isTrayAvailable()
{
    return m_trayPresence ? m_trayPresence->isTrayAvailable() : QSystemTrayIcon::isSystemTrayAvailable();
}

void TamselDesktopApp::showTrayIcon()
{
    if (m_tray) {
        return;
    }
    m_tray = new QSystemTrayIcon(AppResources::menuBarIcon(), this);
    const auto followToolTip = [this] {
        m_tray->setToolTip(m_menuController->view().toolTip);
    };
    followToolTip();
    connect(m_menuController.get(), &MenuController::viewChanged, m_tray, followToolTip);
    m_tray->setContextMenu(m_menu.get());
    // Right clicks open the menu by themselves. A left click arrives as an activation (XEmbed trays,
    // and StatusNotifierItem hosts, which ask Qt's item to activate since it does not call itself a
    // menu): it opens the same menu. A middle click or a double click does nothing.
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) {
            openMenuAtPointer();
        }
    });
    m_tray->show();
}

void TamselDesktopApp::openMenuAtPointer()
{
    if (m_menu->isVisible()) {
        m_menu->hide();
        return;
    }
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        // A Wayland client can neither learn where the pointer is nor place a popup without a
        // window of its own under it: the menu comes as its window instead.
        m_windows->openWindow(QString::fromLatin1(menuWindowId));
        return;
    }
    m_menu->popup(QCursor::pos());
    m_menu->activateWindow();
}

void TamselDesktopApp::launch()
{
    // Every window carries the application's icon (title bars, task switchers, _NET_WM_ICON).
    QApplication::setWindowIcon(AppResources::appIcon());
    if (isTrayAvailable()) {
        showTrayIcon();
    } else {
        // Without a tray the menu would be out of reach: its entries come in a window instead, and
        // the icon follows as soon as a tray appears.
        std::fputs("Kestrix: no system tray is available; showing the Kestrix window instead.\n", stderr);
        m_windows->openWindow(QString::fromLatin1(menuWindowId));
        if (m_trayPresence) {
            connect(m_trayPresence.get(), &TrayPresence::trayAppeared, this, &TamselDesktopApp::showTrayIcon);
            m_trayPresence->watch();
        }
    }
    // Nothing is offered before the user has agreed to the current terms.
    if (!m_legalGate->hasAccepted()) {
        m_windows->openWindow(QStringLiteral("legal-agreement"));
    }
    QTimer::singleShot(0, this, &TamselDesktopApp::start);
}

void TamselDesktopApp::showRunningInstance()
{
    if (!m_tray) {
        m_windows->openWindow(QString::fromLatin1(menuWindowId));
        return;
    }
    m_tray->showMessage(QStringLiteral("Kestrix"),
                        QCoreApplication::translate("TamselDesktopApp", "Kestrix is already running."),
                        QSystemTrayIcon::Information);
    // One window comes forward, on Wayland with the activation token of the start that asked (a
    // token serves once): the terms while they wait, else the open window last in use.
    if (!m_legalGate->hasAccepted()) {
        m_windows->openWindow(QStringLiteral("legal-agreement"));
    } else {
        m_windows->raiseRecentWindow();
    }
}

// The start-up sequence, once per launch: the device link; each watcher bound to the rules engine,
// then started; the trigger server's signals into the engine, then the server. The silent
// app-update check and the firmware check on each attach join here in that order.
void TamselDesktopApp::start()
{
    if (m_hasStarted) {
        return;
    }
    m_hasStarted = true;
    m_hid->start();

    // Each watcher is bound before it starts, so its first value reaches the rules.
    m_rulesEngine->bind(*m_mic);
    m_mic->start();
    m_rulesEngine->bind(*m_vpn);
    m_vpn->start();
    m_rulesEngine->bind(*m_camera);
    m_camera->start();
    m_rulesEngine->bind(*m_calendar);
    m_calendar->start();
    m_rulesEngine->bind(*m_screenLock);
    m_screenLock->start();
    m_rulesEngine->bind(*m_doNotDisturb);
    m_doNotDisturb->start();
    m_rulesEngine->bind(*m_screenShare);
    m_screenShare->start();

    m_rulesEngine->bind(*m_trigger);
    m_trigger->start();
    // Before the silent check: an update swap cut short in an earlier run is undone first.
    m_appUpdater->recoverInterruptedUpdate();
    m_appUpdater->checkSilently();

    // Every attach whose first state query succeeds checks for new firmware.
    m_hid->onDeviceQueried = [updater =
                                  QPointer<TarnFirmwareUpdater>(m_tarnUpdater.get())](const DeviceQueryResponse &) {
        if (updater) {
            QTimer::singleShot(0, updater, [updater] { updater->checkForUpdate(); });
        }
    };
    Q_EMIT started();
}
