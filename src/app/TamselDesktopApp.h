#pragma once

#include <QObject>

#include <memory>

class DorvelDeviceManager;
class ExternalTriggerServer;
class HidBus;
class StatusRulesEngine;
class TriggerListener;
class QSystemTrayIcon;
class TrayMenu;

// The composition root: creates every long-lived object once, wires them and runs the start-up
// sequence once per launch. Lives for the whole run on the main thread.
class TamselDesktopApp : public QObject {
    Q_OBJECT
public:
    // The backends of the ports; Backends picks the real ones.
    struct Ports {
        std::unique_ptr<HidBus> hidBus;
        std::unique_ptr<TriggerListener> triggerListener;
    };

    explicit TamselDesktopApp(Ports ports, QObject *parent = nullptr);
    ~TamselDesktopApp() override;

    DorvelDeviceManager &hid() { return *m_hid; }
    StatusRulesEngine &rulesEngine() { return *m_rulesEngine; }
    ExternalTriggerServer &trigger() { return *m_trigger; }
    bool hasTrayIcon() const { return m_tray != nullptr; }

    // Shows the tray icon (when the session has a tray) and schedules start() on the event loop.
    void launch();

Q_SIGNALS:
    // start() has run.
    void started();

private:
    void start();

    std::unique_ptr<HidBus> m_bus;
    std::unique_ptr<DorvelDeviceManager> m_hid;
    std::unique_ptr<StatusRulesEngine> m_rulesEngine;
    std::unique_ptr<ExternalTriggerServer> m_trigger;
    std::unique_ptr<TrayMenu> m_menu;
    QSystemTrayIcon *m_tray = nullptr;
    bool m_hasStarted = false;
};
