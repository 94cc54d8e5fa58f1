#pragma once

#include "device/DeviceQueryResponse.h"
#include "firmware/TarnUpdateState.h"
#include "rules/StatusRulesEngine.h"
#include "timers/TimerManager.h"
#include "ui/Alert.h"
#include "update/AppUpdater.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <cstdint>
#include <optional>
#include <vector>

// Texts, kinds and states of the tray menu (and of the window that stands in for it where the
// desktop has no tray), computed from the observed state only.
namespace MenuPresenter {

// The windows the menu opens, by id.
namespace WindowIds {
inline constexpr char legalAgreement[] = "legal-agreement";
inline constexpr char rgbSettings[] = "rgb-settings";
inline constexpr char statusRules[] = "status-rules-settings";
inline constexpr char timer[] = "timer";
inline constexpr char customShortcut[] = "custom-shortcut";
inline constexpr char appUpdateProgress[] = "app-update-progress";
inline constexpr char tarnUpdateProgress[] = "tarn-update-progress";
} // namespace WindowIds

// Everything the menu shows, as read from the long-lived objects.
struct MenuState {
    bool termsAccepted = false;
    std::optional<bool> micMuted;
    bool isConnected = false;
    bool isLinkHeld = false; // a firmware update holds the device link
    bool hasInaccessibleDevice = false;
    std::optional<DeviceQueryResponse> lastQuery;
    std::optional<TimerKind> timerKind;
    std::optional<PomodoroPhase> pomodoroPhase;
    int remainingSeconds = 0;
    bool timerExpired = false;
    bool hasSetupGuide = false;
    std::optional<QString> appVersion;
    AppUpdater::State appUpdate;
    TarnUpdateState firmware;
    std::optional<QDateTime> statusLightPausedUntil;
    LedShowing ledShowing;
};

// What choosing an entry does.
enum class MenuAction {
    none, // a text line
    toggleMicMute,
    setPreset,
    openCustomShortcut,
    openRGBSettings,
    openStatusRules,
    pauseStatusLight, // for pauseMinutes, or until tomorrow morning when 0
    resumeStatusLight,
    openTimer,
    openAdvancedSetup,
    sendFeatureRequest,
    checkAppUpdate,
    startAppInstall,
    confirmAppInstall,
    checkFirmwareUpdate,
    startFirmwareUpdate,
    uninstall,
    openTerms,
    quit,
};

struct MenuItem {
    QString text;
    MenuAction action = MenuAction::none; // none: a text line, shown greyed
    bool visible = true;
    bool enabled = true;         // false for text lines and for every entry of the gated group
    std::uint8_t presetCode = 0; // setPreset only
    int pauseMinutes = 0;        // pauseStatusLight only

    bool isButton() const { return action != MenuAction::none; }
    friend bool operator==(const MenuItem &, const MenuItem &) = default;
};

// The menu, top to bottom. Dividers that are always shown are left to the views.
struct MenuView {
    MenuItem micLine;
    MenuItem toggleMicMute;
    // "Preset" with its two submenus "System" and "Media".
    bool presetVisible = false;
    bool presetEnabled = true;
    std::vector<MenuItem> systemPresets;
    std::vector<MenuItem> mediaPresets;
    // Under "Preset" while a firmware update holds the device link and the presets are greyed: why.
    MenuItem presetNotice;
    MenuItem customShortcut;
    MenuItem rgbSettings;
    MenuItem statusRules;
    // The "Pause Status Light" submenu: its own line (which reads "Paused until HH:MM" while
    // paused; visible and enabled as a whole) and its entries, "Resume" shown while paused.
    MenuItem pauseMenu;
    std::vector<MenuItem> pauseItems;
    MenuItem timer;
    MenuItem advancedSetup;
    MenuItem featureRequest;
    MenuItem deviceStatus;
    MenuItem accessHint; // visible only while a plugged-in device cannot be opened
    MenuItem appVersion;
    MenuItem appUpdate;
    bool firmwareSectionVisible = false; // its divider and firmwareUpdate
    MenuItem firmwareUpdate;
    MenuItem uninstall;
    MenuItem terms;
    MenuItem quit;
    // The tray icon's tooltip: what the LED shows and why, in words.
    QString toolTip;

    friend bool operator==(const MenuView &, const MenuView &) = default;
};

MenuView menuView(const MenuState &state);

// "Pause Status Light", or "Paused until HH:MM" (local time) while paused.
QString pauseMenuTitle(const std::optional<QDateTime> &pausedUntil);

// "Kestrix — " and what the LED shows, in words: the device's absence, the running timer, the
// status light's pause, else the rules engine's choice ("Kestrix — Mic Muted"), so no state is
// told by the LED's colour alone.
QString trayToolTip(const MenuState &state);

// "Mic: Muted", "Mic: Live" or "Mic: —".
QString micLine(const std::optional<bool> &muted);

// "✓ Custom Shortcut…" while the device reports a custom binding, else "Custom Shortcut…".
QString customShortcutMenuLabel(const std::optional<DeviceQueryResponse> &lastQuery);

// The action's display name, after "✓ " when the device reports it as the bound preset.
QString presetLabel(std::uint8_t code, const std::optional<DeviceQueryResponse> &lastQuery);

// The preset actions of the two submenus, in order.
const std::vector<std::uint8_t> &systemPresetCodes();
const std::vector<std::uint8_t> &mediaPresetCodes();

// A firmware update is under way: from the download until the version is confirmed.
bool isFirmwareUpdateBusy(const TarnUpdateState &state);

// The device reported a known hardware platform.
bool isDevicePlatformKnown(const std::optional<DeviceQueryResponse> &lastQuery);

// "Device: Not Found", "Device: Connected", or "Device: <platform> v<version>". A device that is
// plugged in but may not be opened by this user gets its own line, so it never reads as absent.
QString deviceStatusLabel(bool isConnected, const std::optional<DeviceQueryResponse> &lastQuery,
                          bool hasInaccessibleDevice = false);

// The hint shown under the status line while a plugged-in device cannot be opened; empty otherwise.
QString deviceAccessHint(bool isConnected, bool hasInaccessibleDevice);

// "Kestrix v<version>", or "Kestrix v?" when the running version is unknown.
QString appVersionLabel(const std::optional<QString> &shortVersion);

// The name of the platform in the status line: "Standard", "TARN (RP2040)" or "TARN".
QString platformName(HardwarePlatform platform);

// The system's name and version from the text of an os-release file ("Debian GNU/Linux 12"):
// NAME and VERSION_ID, else PRETTY_NAME, else "Linux".
QString operatingSystemText(const QString &osRelease);

// The mailto URL of a feature request, its body naming the app version, device and system lines.
QUrl featureRequestURL(const QString &supportEmail, const QString &appVersionLine, const QString &deviceStatusLine,
                       const QString &operatingSystem);

using Alert = ::Alert;

// Asked before quitting while a firmware update is under way.
Alert quitDuringFirmwareUpdateAlert();

} // namespace MenuPresenter
