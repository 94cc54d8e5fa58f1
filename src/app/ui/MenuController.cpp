#include "app/ui/MenuController.h"

#include "app/AppInfo.h"
#include "app/AppResources.h"
#include "app/LegalAgreementGate.h"
#include "app/ui/LegalAgreementPresenter.h"
#include "app/ui/WindowRouter.h"
#include "device/Dorvel.h"
#include "device/DorvelDeviceManager.h"
#include "firmware/TarnFirmwareUpdater.h"
#include "rules/StatusLightPause.h"
#include "rules/StatusRulesEngine.h"
#include "signals/MicMuteWatcher.h"
#include "timers/TimerManager.h"
#include "update/AppUpdater.h"
#include "update/Uninstaller.h"
#include "update/ui/UninstallConfirmation.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <chrono>

using namespace std::chrono_literals;
using MenuPresenter::MenuAction;
using MenuPresenter::MenuItem;

namespace {

// How long a preset choice waits for the device to confirm its new binding.
constexpr auto presetConfirmationTimeout = 3s;

QString readOsRelease()
{
    for (const char *path : {"/etc/os-release", "/usr/lib/os-release"}) {
        QFile file(QString::fromLatin1(path));
        if (file.open(QIODevice::ReadOnly)) {
            return QString::fromUtf8(file.readAll());
        }
    }
    return {};
}

} // namespace

MenuController::Environment MenuController::Environment::running()
{
    Environment environment;
    environment.appVersion = QString::fromLatin1(AppInfo::shortVersion);
    environment.setupGuide = AppResources::advancedSetupPDFURL();
    environment.supportEmail = LegalAgreementPresenter::supportEmail();
    environment.operatingSystem = MenuPresenter::operatingSystemText(readOsRelease());
    environment.openUrl = [](const QUrl &url) {
        return QDesktopServices::openUrl(url);
    };
    environment.quit = [] {
        QCoreApplication::quit();
    };
    environment.ask = [](const MenuPresenter::Alert &alert) {
        return confirm(alert);
    };
    return environment;
}

MenuController::MenuController(Objects objects, Environment environment, QObject *parent)
    : QObject(parent), m_objects(objects), m_environment(std::move(environment))
{
    DorvelDeviceManager *hid = &m_objects.hid;
    connect(hid, &DorvelDeviceManager::isConnectedChanged, this, &MenuController::refresh);
    connect(hid, &DorvelDeviceManager::lastQueryChanged, this, &MenuController::refresh);
    connect(hid, &DorvelDeviceManager::hasInaccessibleDeviceChanged, this, &MenuController::refresh);
    connect(hid, &DorvelDeviceManager::isLinkExclusiveChanged, this, &MenuController::refresh);
    connect(&m_objects.mic, &MicMuteWatcher::isMutedChanged, this, &MenuController::refresh);
    connect(&m_objects.appUpdater, &AppUpdater::stateChanged, this, &MenuController::refresh);
    connect(&m_objects.tarnUpdater, &TarnFirmwareUpdater::stateChanged, this, &MenuController::followFirmwareState);
    TimerManager *timer = &m_objects.timerManager;
    connect(timer, &TimerManager::kindChanged, this, &MenuController::refresh);
    connect(timer, &TimerManager::remainingSecondsChanged, this, &MenuController::refresh);
    connect(timer, &TimerManager::isExpiredChanged, this, &MenuController::refresh);
    connect(timer, &TimerManager::pomodoroPhaseChanged, this, &MenuController::refresh);
    connect(&m_objects.legalGate, &LegalAgreementGate::hasAcceptedChanged, this, &MenuController::refresh);
    connect(&m_objects.statusLightPause, &StatusLightPause::pausedUntilChanged, this, &MenuController::refresh);
    connect(&m_objects.rulesEngine, &StatusRulesEngine::showingChanged, this, &MenuController::refresh);
    m_firmwareBusy = MenuPresenter::isFirmwareUpdateBusy(m_objects.tarnUpdater.state());
    m_view = MenuPresenter::menuView(state());
}

MenuPresenter::MenuState MenuController::state() const
{
    MenuPresenter::MenuState state;
    state.termsAccepted = m_objects.legalGate.hasAccepted();
    state.micMuted = m_objects.mic.isMuted();
    state.isConnected = m_objects.hid.isConnected();
    state.isLinkHeld = m_objects.hid.isLinkExclusive();
    state.hasInaccessibleDevice = m_objects.hid.hasInaccessibleDevice();
    state.lastQuery = m_objects.hid.lastQuery();
    state.timerKind = m_objects.timerManager.kind();
    state.pomodoroPhase = m_objects.timerManager.pomodoroPhase();
    state.remainingSeconds = m_objects.timerManager.remainingSeconds();
    state.timerExpired = m_objects.timerManager.isExpired();
    state.hasSetupGuide = m_environment.setupGuide.has_value();
    state.appVersion = m_environment.appVersion;
    state.appUpdate = m_objects.appUpdater.state();
    state.firmware = m_objects.tarnUpdater.state();
    state.statusLightPausedUntil = m_objects.statusLightPause.pausedUntil();
    state.ledShowing = m_objects.rulesEngine.showing();
    return state;
}

void MenuController::refresh()
{
    MenuPresenter::MenuView view = MenuPresenter::menuView(state());
    if (view == m_view) {
        return;
    }
    m_view = std::move(view);
    Q_EMIT viewChanged();
}

// The progress window comes up by itself when a firmware update gets under way; it stays when
// the update ends, until the user closes it.
void MenuController::followFirmwareState()
{
    const bool busy = MenuPresenter::isFirmwareUpdateBusy(m_objects.tarnUpdater.state());
    const bool becameBusy = busy && !m_firmwareBusy;
    m_firmwareBusy = busy;
    refresh();
    if (becameBusy) {
        openWindow(MenuPresenter::WindowIds::tarnUpdateProgress);
    }
}

bool MenuController::isShown(const MenuItem &item) const
{
    // A stale view (a click that raced a change) must not act on an entry that is gone or greyed.
    const auto matches = [&item](const MenuItem &shown) {
        return shown.action == item.action && shown.presetCode == item.presetCode &&
               shown.pauseMinutes == item.pauseMinutes && shown.visible && shown.enabled;
    };
    const MenuPresenter::MenuView &v = m_view;
    if (item.action == MenuAction::setPreset) {
        if (!v.presetVisible || !v.presetEnabled) {
            return false;
        }
        for (const auto *items : {&v.systemPresets, &v.mediaPresets}) {
            for (const MenuItem &shown : *items) {
                if (matches(shown)) {
                    return true;
                }
            }
        }
        return false;
    }
    if (item.action == MenuAction::pauseStatusLight || item.action == MenuAction::resumeStatusLight) {
        return v.pauseMenu.visible && v.pauseMenu.enabled &&
               std::any_of(v.pauseItems.begin(), v.pauseItems.end(), matches);
    }
    for (const MenuItem *shown :
         {&v.toggleMicMute, &v.customShortcut, &v.rgbSettings, &v.statusRules, &v.timer, &v.advancedSetup,
          &v.featureRequest, &v.appUpdate, &v.firmwareUpdate, &v.uninstall, &v.terms, &v.quit}) {
        if (matches(*shown)) {
            return true;
        }
    }
    return false;
}

void MenuController::perform(const MenuItem &item)
{
    if (!isShown(item)) {
        return;
    }
    switch (item.action) {
    case MenuAction::none:
        return;
    case MenuAction::toggleMicMute:
        // The line follows when the watcher sees the new mute state, not here.
        m_objects.mic.toggleMute();
        return;
    case MenuAction::setPreset:
        choosePreset(item.presetCode);
        return;
    case MenuAction::openCustomShortcut:
        openWindow(MenuPresenter::WindowIds::customShortcut);
        return;
    case MenuAction::openRGBSettings:
        openWindow(MenuPresenter::WindowIds::rgbSettings);
        return;
    case MenuAction::openStatusRules:
        openWindow(MenuPresenter::WindowIds::statusRules);
        return;
    case MenuAction::pauseStatusLight:
        if (item.pauseMinutes > 0) {
            m_objects.statusLightPause.pauseFor(std::chrono::minutes(item.pauseMinutes));
        } else {
            m_objects.statusLightPause.pauseUntilTomorrow();
        }
        return;
    case MenuAction::resumeStatusLight:
        m_objects.statusLightPause.resume();
        return;
    case MenuAction::openTimer:
        openWindow(MenuPresenter::WindowIds::timer);
        return;
    case MenuAction::openAdvancedSetup:
        if (m_environment.setupGuide) {
            m_environment.openUrl(*m_environment.setupGuide);
        }
        return;
    case MenuAction::sendFeatureRequest:
        sendFeatureRequest();
        return;
    case MenuAction::checkAppUpdate:
        m_objects.appUpdater.checkNow();
        return;
    case MenuAction::startAppInstall:
        openWindow(MenuPresenter::WindowIds::appUpdateProgress);
        if (m_objects.appUpdater.pendingUpdate()) {
            m_objects.appUpdater.startInstall();
        }
        return;
    case MenuAction::confirmAppInstall:
        m_objects.appUpdater.confirmInstall();
        return;
    case MenuAction::checkFirmwareUpdate:
        m_objects.tarnUpdater.checkForUpdate();
        return;
    case MenuAction::startFirmwareUpdate:
        m_objects.tarnUpdater.startUpdate();
        return;
    case MenuAction::uninstall:
        confirmUninstall();
        return;
    case MenuAction::openTerms:
        openWindow(MenuPresenter::WindowIds::legalAgreement);
        return;
    case MenuAction::quit:
        requestQuit();
        return;
    }
}

void MenuController::openWindow(const char *id)
{
    m_objects.windows.openWindow(QString::fromLatin1(id));
}

// Writes the binding straight to the held device (no reply comes for it), then reads the device's
// state back so the check mark moves only once the device has taken the new binding. The query
// runs even when nothing could be written; a failed query leaves the last state in place.
QCoro::Task<> MenuController::choosePreset(std::uint8_t code)
{
    QPointer<DorvelDeviceManager> hid = &m_objects.hid;
    if (HidConnection *device = hid->device()) {
        const std::uint8_t payload[] = {Dorvel::bindPresetCommand, code};
        device->writeReport(Dorvel::padded(payload));
    }
    auto result = co_await hid->queryDevice(presetConfirmationTimeout);
    if (hid && result) {
        hid->setLastQuery(*result);
    }
}

void MenuController::sendFeatureRequest()
{
    const QUrl url = MenuPresenter::featureRequestURL(m_environment.supportEmail, m_view.appVersion.text,
                                                      m_view.deviceStatus.text, m_environment.operatingSystem);
    if (url.isValid()) {
        m_environment.openUrl(url);
    }
}

void MenuController::confirmUninstall()
{
    const Uninstaller::Plan plan = m_objects.uninstaller.plan();
    // Uninstalling ends the application as well. The firmware question comes last, so it is asked
    // about the update as it stands once the user has agreed to uninstall.
    if (m_environment.ask(UninstallConfirmation::alert(plan)) && confirmQuit()) {
        m_objects.uninstaller.run();
    }
}

bool MenuController::confirmQuit()
{
    return !MenuPresenter::isFirmwareUpdateBusy(m_objects.tarnUpdater.state()) ||
           m_environment.ask(MenuPresenter::quitDuringFirmwareUpdateAlert());
}

void MenuController::requestQuit()
{
    if (confirmQuit()) {
        m_environment.quit();
    }
}
