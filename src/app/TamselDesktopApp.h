#pragma once

#include "device/SystemSleep.h"
#include "signals/CameraInUseWatcher.h"
#include "signals/DesktopStateSource.h"

#include <QDateTime>
#include <QObject>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

class AppUpdater;
class AudioInput;
class BundleTools;
class DetachedShell;
class PackageDatabase;
class Uninstaller;
class CalendarStore;
class CalendarWatcher;
class CameraDevices;
class CameraInUseWatcher;
class Clock;
class DoNotDisturbWatcher;
class ScreenLockWatcher;
class ScreenShareWatcher;
class StatusLightPause;
class DorvelDeviceManager;
class ExternalTriggerServer;
class HidBus;
class KeyEventMonitor;
class LegalAgreementGate;
class MicMuteWatcher;
class NetworkInterfaces;
class StatusRulesEngine;
class TarnFirmwareUpdater;
class TimerManager;
class TriggerListener;
class TrayPresence;
class MenuController;
class VPNStatusWatcher;
class QSystemTrayIcon;
class TrayMenu;
class WindowRouter;

// The composition root: creates every long-lived object once, wires them and runs the start-up
// sequence once per launch. Lives for the whole run on the main thread.
class TamselDesktopApp : public QObject {
    Q_OBJECT
public:
    // The backends of the ports; Backends picks the real ones.
    struct Ports {
        std::unique_ptr<HidBus> hidBus;
        std::unique_ptr<TriggerListener> triggerListener;
        std::unique_ptr<AudioInput> audioInput;
        std::unique_ptr<CameraDevices> cameraDevices;
        std::unique_ptr<NetworkInterfaces> networkInterfaces;
        std::unique_ptr<CalendarStore> calendarStore;
        std::unique_ptr<Clock> clock;
        std::unique_ptr<BundleTools> bundleTools;
        std::unique_ptr<PackageDatabase> packageDatabase;
        std::unique_ptr<DetachedShell> detachedShell;
        // Absent: Qt's own tray check, once at launch.
        std::unique_ptr<TrayPresence> trayPresence;
        // Sources of the desktop's presence; none: the signal stays unknown.
        std::vector<std::unique_ptr<DesktopStateSource>> screenLockSources;
        std::vector<std::unique_ptr<DesktopStateSource>> doNotDisturbSources;
        std::vector<std::unique_ptr<DesktopStateSource>> screenShareSources;
        // Absent: the device link does not follow sleep and wake-up.
        std::unique_ptr<SystemSleep> systemSleep;
        // The time of day the calendar and the status light's pause go by; empty: the system's.
        std::function<QDateTime()> wallClock;
        // The longest the pause waits for its end before reading that clock again.
        std::chrono::milliseconds wallClockRecheck{60000};
        // How often the cameras are asked whether one is in use.
        std::chrono::milliseconds cameraPollInterval{CameraInUseWatcher::defaultInterval};
    };

    // The window that stands in for the tray menu where the desktop has no tray.
    static constexpr char menuWindowId[] = "kestrix";

    explicit TamselDesktopApp(Ports ports, QObject *parent = nullptr);
    ~TamselDesktopApp() override;

    DorvelDeviceManager &hid() { return *m_hid; }
    TarnFirmwareUpdater &tarnUpdater() { return *m_tarnUpdater; }
    StatusRulesEngine &rulesEngine() { return *m_rulesEngine; }
    ExternalTriggerServer &trigger() { return *m_trigger; }
    MicMuteWatcher &mic() { return *m_mic; }
    VPNStatusWatcher &vpn() { return *m_vpn; }
    CameraInUseWatcher &camera() { return *m_camera; }
    CalendarWatcher &calendar() { return *m_calendar; }
    ScreenLockWatcher &screenLock() { return *m_screenLock; }
    DoNotDisturbWatcher &doNotDisturb() { return *m_doNotDisturb; }
    ScreenShareWatcher &screenShare() { return *m_screenShare; }
    StatusLightPause &statusLightPause() { return *m_statusLightPause; }
    LegalAgreementGate &legalGate() { return *m_legalGate; }
    TimerManager &timerManager() { return *m_timerManager; }
    WindowRouter &windows() { return *m_windows; }
    AppUpdater &appUpdater() { return *m_appUpdater; }
    Uninstaller &uninstaller() { return *m_uninstaller; }
    MenuController &menuController() { return *m_menuController; }
    TrayMenu &trayMenu() { return *m_menu; }
    bool hasTrayIcon() const { return m_tray != nullptr; }
    QSystemTrayIcon *trayIcon() const { return m_tray; }

    // Shows the tray icon when the session has a tray, else the Kestrix window (and the icon once a
    // tray appears); opens the terms window while the terms are not accepted; schedules start() on
    // the event loop.
    void launch();

    // Another start of Kestrix asked this one to show itself: with a tray, a message that Kestrix
    // is already running, the open window last in use brought forward (and the terms window while
    // they are not accepted); without one, the Kestrix window comes forward.
    void showRunningInstance();

Q_SIGNALS:
    // start() has run.
    void started();

private:
    void start();
    bool isTrayAvailable();
    void showTrayIcon();
    void openMenuAtPointer();

    std::unique_ptr<HidBus> m_bus;
    std::unique_ptr<Clock> m_clock;
    std::unique_ptr<SystemSleep> m_systemSleep;
    std::unique_ptr<AudioInput> m_audioInput;
    std::unique_ptr<CameraDevices> m_cameraDevices;
    std::unique_ptr<DorvelDeviceManager> m_hid;
    std::unique_ptr<TarnFirmwareUpdater> m_tarnUpdater; // destroyed before the manager it holds
    std::unique_ptr<MicMuteWatcher> m_mic;
    std::unique_ptr<VPNStatusWatcher> m_vpn;
    std::unique_ptr<CameraInUseWatcher> m_camera;
    std::unique_ptr<CalendarWatcher> m_calendar;
    std::unique_ptr<ScreenLockWatcher> m_screenLock;
    std::unique_ptr<DoNotDisturbWatcher> m_doNotDisturb;
    std::unique_ptr<ScreenShareWatcher> m_screenShare;
    std::unique_ptr<StatusRulesEngine> m_rulesEngine;
    std::unique_ptr<StatusLightPause> m_statusLightPause;
    std::unique_ptr<ExternalTriggerServer> m_trigger;
    std::unique_ptr<BundleTools> m_bundleTools;
    std::unique_ptr<PackageDatabase> m_packages;
    std::unique_ptr<DetachedShell> m_shell;
    std::unique_ptr<AppUpdater> m_appUpdater;
    std::unique_ptr<Uninstaller> m_uninstaller;
    std::unique_ptr<LegalAgreementGate> m_legalGate;
    std::unique_ptr<TimerManager> m_timerManager;
    std::unique_ptr<KeyEventMonitor> m_keyEvents; // the custom shortcut window's key recorders
    std::unique_ptr<WindowRouter> m_windows;      // its windows refer to the objects above
    std::unique_ptr<TrayPresence> m_trayPresence;
    std::unique_ptr<MenuController> m_menuController;
    std::unique_ptr<TrayMenu> m_menu;
    QSystemTrayIcon *m_tray = nullptr;
    bool m_hasStarted = false;
};
