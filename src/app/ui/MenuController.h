#pragma once

#include "app/ui/MenuPresenter.h"

#include <QCoroTask>
#include <QObject>
#include <QUrl>

#include <functional>
#include <optional>

class AppUpdater;
class DorvelDeviceManager;
class LegalAgreementGate;
class MicMuteWatcher;
class StatusLightPause;
class StatusRulesEngine;
class TarnFirmwareUpdater;
class TimerManager;
class Uninstaller;
class WindowRouter;
class QWidget;

// What the tray menu and its stand-in window show and do. Observes the long-lived objects,
// publishes the menu's view whenever one of them changes, and carries out the entries' actions.
// Both views render view() and hand chosen entries to perform(), so they never differ. Main thread.
class MenuController : public QObject {
    Q_OBJECT
public:
    // The objects the menu observes and drives; each must outlive the controller.
    struct Objects {
        DorvelDeviceManager &hid;
        MicMuteWatcher &mic;
        AppUpdater &appUpdater;
        TarnFirmwareUpdater &tarnUpdater;
        TimerManager &timerManager;
        StatusRulesEngine &rulesEngine;
        LegalAgreementGate &legalGate;
        Uninstaller &uninstaller;
        WindowRouter &windows;
        StatusLightPause &statusLightPause;
    };

    // How the menu reaches the desktop; the defaults are the real ones, tests replace them.
    struct Environment {
        std::optional<QString> appVersion;
        std::optional<QUrl> setupGuide;
        QString supportEmail;
        QString operatingSystem;                               // as the feature request names it
        std::function<bool(const QUrl &)> openUrl;             // hands a URL to the desktop
        std::function<void()> quit;                            // ends the application
        std::function<bool(const MenuPresenter::Alert &)> ask; // a modal question; true to go ahead

        static Environment running();
    };

    MenuController(Objects objects, Environment environment, QObject *parent = nullptr);

    const MenuPresenter::MenuView &view() const { return m_view; }
    // Replaceable by tests before the menu is used.
    Environment &environment() { return m_environment; }
    MenuPresenter::MenuState state() const;

    // Carries out a chosen entry; entries that are hidden or disabled in the current view do nothing.
    void perform(const MenuPresenter::MenuItem &item);

    // Quits at once, unless a firmware update is under way: then only when the user confirms.
    void requestQuit();
    // True when quitting may go ahead: no firmware update under way, or the user said so. Every way
    // out of the application asks this (the app update's install and relaunch and the uninstallation
    // too).
    bool confirmQuit();

Q_SIGNALS:
    // view() has changed.
    void viewChanged();

private:
    void refresh();
    void followFirmwareState();
    bool isShown(const MenuPresenter::MenuItem &item) const;
    void openWindow(const char *id);
    QCoro::Task<> choosePreset(std::uint8_t code);
    void sendFeatureRequest();
    void confirmUninstall();

    Objects m_objects;
    Environment m_environment;
    MenuPresenter::MenuView m_view;
    bool m_firmwareBusy = false;
};
