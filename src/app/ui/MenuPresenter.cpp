#include "app/ui/MenuPresenter.h"

#include "device/PresetAction.h"
#include "firmware/TarnUpdatePresenter.h"
#include "rules/StatusRulesPresenter.h"
#include "timers/TimerPresenter.h"
#include "update/ui/AppUpdatePresenter.h"

#include <QCoreApplication>
#include <QHash>
#include <QUrlQuery>

namespace MenuPresenter {

namespace {

// The preset actions' display names come from the protocol layer, which has no Qt; they are
// listed here for the translation tools and translated where shown.
[[maybe_unused]] constexpr const char *presetActionNames[] = {
    QT_TRANSLATE_NOOP("PresetAction", "Lock Screen"),
    QT_TRANSLATE_NOOP("PresetAction", "Mute"),
    QT_TRANSLATE_NOOP("PresetAction", "Volume Up"),
    QT_TRANSLATE_NOOP("PresetAction", "Volume Down"),
    QT_TRANSLATE_NOOP("PresetAction", "Play / Pause"),
    QT_TRANSLATE_NOOP("PresetAction", "Power Off (Linux & Windows only)"),
    QT_TRANSLATE_NOOP("PresetAction", "Screenshot"),
    QT_TRANSLATE_NOOP("PresetAction", "Next Track"),
    QT_TRANSLATE_NOOP("PresetAction", "Prev Track"),
    QT_TRANSLATE_NOOP("PresetAction", "Brightness Up"),
    QT_TRANSLATE_NOOP("PresetAction", "Brightness Down"),
    QT_TRANSLATE_NOOP("PresetAction", "Sleep"),
    QT_TRANSLATE_NOOP("PresetAction", "Show Desktop (Linux & Windows only)"),
    QT_TRANSLATE_NOOP("PresetAction", "AI Interrupt"),
};

MenuItem text(QString label, bool visible = true)
{
    return {std::move(label), MenuAction::none, visible, false, 0, 0};
}

MenuItem button(QString label, MenuAction action, bool visible = true)
{
    return {std::move(label), action, visible, true, 0, 0};
}

std::vector<MenuItem> pauseItems(bool paused)
{
    std::vector<MenuItem> items;
    // The sources are the English forms for these counts, so English needs no translation file.
    const std::pair<QString, int> choices[] = {
        {QCoreApplication::translate("MenuPresenter", "%n Minutes", nullptr, 15), 15},
        {QCoreApplication::translate("MenuPresenter", "%n Hour", nullptr, 1), 60},
        {QCoreApplication::translate("MenuPresenter", "Until Tomorrow"), 0},
    };
    for (const auto &[label, minutes] : choices) {
        MenuItem item = button(label, MenuAction::pauseStatusLight);
        item.pauseMinutes = minutes;
        items.push_back(std::move(item));
    }
    items.push_back(
        button(QCoreApplication::translate("MenuPresenter", "Resume"), MenuAction::resumeStatusLight, paused));
    return items;
}

std::vector<MenuItem> presetItems(const std::vector<std::uint8_t> &codes,
                                  const std::optional<DeviceQueryResponse> &lastQuery)
{
    std::vector<MenuItem> items;
    items.reserve(codes.size());
    for (std::uint8_t code : codes) {
        MenuItem item = button(presetLabel(code, lastQuery), MenuAction::setPreset);
        item.presetCode = code;
        items.push_back(std::move(item));
    }
    return items;
}

MenuItem appUpdateItem(const AppUpdater::State &state)
{
    const AppUpdatePresenter::MenuEntry entry = AppUpdatePresenter::menuEntry(state);
    switch (entry.action) {
    case AppUpdatePresenter::MenuEntry::Action::checkNow:
        return button(entry.text, MenuAction::checkAppUpdate);
    case AppUpdatePresenter::MenuEntry::Action::openWindowAndStartInstall:
        return button(entry.text, MenuAction::startAppInstall);
    case AppUpdatePresenter::MenuEntry::Action::confirmInstall:
        return button(entry.text, MenuAction::confirmAppInstall);
    case AppUpdatePresenter::MenuEntry::Action::none:
        break;
    }
    return text(entry.text);
}

MenuItem firmwareItem(const TarnUpdateState &state)
{
    const TarnUpdatePresenter::MenuItem item = TarnUpdatePresenter::menuItem(state);
    switch (item.action) {
    case TarnUpdatePresenter::MenuItem::Action::checkForUpdate:
        return button(item.text, MenuAction::checkFirmwareUpdate);
    case TarnUpdatePresenter::MenuItem::Action::startUpdate:
        return button(item.text, MenuAction::startFirmwareUpdate);
    case TarnUpdatePresenter::MenuItem::Action::none:
        break;
    }
    return text(item.text);
}

} // namespace

MenuView menuView(const MenuState &state)
{
    const bool platformKnown = isDevicePlatformKnown(state.lastQuery);
    MenuView view;
    view.micLine = text(micLine(state.micMuted));
    view.toggleMicMute =
        button(QCoreApplication::translate("MenuPresenter", "Toggle Mic Mute"), MenuAction::toggleMicMute);
    view.toggleMicMute.enabled = state.micMuted.has_value();
    view.presetVisible = state.isConnected;
    view.systemPresets = presetItems(systemPresetCodes(), state.lastQuery);
    view.mediaPresets = presetItems(mediaPresetCodes(), state.lastQuery);
    // A binding written now would reach the device between the update's own reports.
    for (auto *items : {&view.systemPresets, &view.mediaPresets}) {
        for (MenuItem &item : *items) {
            item.enabled = !state.isLinkHeld;
        }
    }
    view.presetNotice = text(QCoreApplication::translate("MenuPresenter", "Presets unavailable during the update"),
                             state.isConnected && state.isLinkHeld);
    view.customShortcut =
        button(customShortcutMenuLabel(state.lastQuery), MenuAction::openCustomShortcut, state.isConnected);
    view.rgbSettings = button(QCoreApplication::translate("MenuPresenter", "RGB Settings…"),
                              MenuAction::openRGBSettings, platformKnown);
    view.statusRules = button(QCoreApplication::translate("MenuPresenter", "Status Rules…"),
                              MenuAction::openStatusRules, platformKnown);
    view.pauseMenu = button(pauseMenuTitle(state.statusLightPausedUntil), MenuAction::none, platformKnown);
    view.pauseItems = pauseItems(state.statusLightPausedUntil.has_value());
    view.timer = button(
        TimerPresenter::menuLabel(state.timerKind, state.pomodoroPhase, state.remainingSeconds, state.timerExpired),
        MenuAction::openTimer, platformKnown);
    view.advancedSetup = button(QCoreApplication::translate("MenuPresenter", "Advanced Setup…"),
                                MenuAction::openAdvancedSetup, state.hasSetupGuide);
    view.featureRequest =
        button(QCoreApplication::translate("MenuPresenter", "Feature Request…"), MenuAction::sendFeatureRequest);
    view.deviceStatus = text(deviceStatusLabel(state.isConnected, state.lastQuery, state.hasInaccessibleDevice));
    const QString hint = deviceAccessHint(state.isConnected, state.hasInaccessibleDevice);
    view.accessHint = text(hint, !hint.isEmpty());
    view.appVersion = text(appVersionLabel(state.appVersion));
    view.appUpdate = appUpdateItem(state.appUpdate);
    view.firmwareSectionVisible =
        state.isConnected && state.lastQuery && state.lastQuery->hwPlatform == HardwarePlatform::rp2350;
    view.firmwareUpdate = firmwareItem(state.firmware);
    view.firmwareUpdate.visible = view.firmwareSectionVisible;
    view.uninstall = button(QCoreApplication::translate("MenuPresenter", "Uninstall Kestrix…"), MenuAction::uninstall);
    view.terms = button(QCoreApplication::translate("MenuPresenter", "Terms…"), MenuAction::openTerms);
    view.quit = button(QCoreApplication::translate("MenuPresenter", "Quit Kestrix"), MenuAction::quit);
    view.toolTip = trayToolTip(state);

    if (!state.termsAccepted) {
        // Everything above "Terms…" is greyed and inert until the terms are accepted.
        view.presetEnabled = false;
        for (MenuItem *item : {&view.micLine, &view.toggleMicMute, &view.presetNotice, &view.customShortcut,
                               &view.rgbSettings, &view.statusRules, &view.pauseMenu, &view.timer, &view.advancedSetup,
                               &view.featureRequest, &view.deviceStatus, &view.accessHint, &view.appVersion,
                               &view.appUpdate, &view.firmwareUpdate, &view.uninstall}) {
            item->enabled = false;
        }
        for (auto *items : {&view.systemPresets, &view.mediaPresets, &view.pauseItems}) {
            for (MenuItem &item : *items) {
                item.enabled = false;
            }
        }
    }
    return view;
}

QString shownTime(const QDateTime &time)
{
    // The user's own clock format ("14:30", "2:30 PM"); English keeps the 24-hour form it has
    // always shown.
    const QLocale locale;
    if (locale.language() == QLocale::English || locale.language() == QLocale::C) {
        return time.toLocalTime().toString(QStringLiteral("HH:mm"));
    }
    return locale.toString(time.toLocalTime().time(), QLocale::ShortFormat);
}

QString pauseMenuTitle(const std::optional<QDateTime> &pausedUntil)
{
    if (!pausedUntil) {
        return QCoreApplication::translate("MenuPresenter", "Pause Status Light");
    }
    return QCoreApplication::translate("MenuPresenter", "Paused until %1").arg(shownTime(*pausedUntil));
}

QString trayToolTip(const MenuState &state)
{
    const auto said = [](const QString &words) -> QString {
        return QCoreApplication::translate("MenuPresenter", "Kestrix — %1").arg(words);
    };
    if (!state.isConnected) {
        return said(state.hasInaccessibleDevice
                        ? QCoreApplication::translate("MenuPresenter", "Dorvel found, no access")
                        : QCoreApplication::translate("MenuPresenter", "No Dorvel connected"));
    }
    if (state.timerKind) {
        if (*state.timerKind == TimerKind::pomodoro && state.pomodoroPhase) {
            return said(QCoreApplication::translate("MenuPresenter", "Pomodoro %1 %2")
                            .arg(TimerPresenter::phaseName(*state.pomodoroPhase),
                                 TimerPresenter::formatRemaining(state.remainingSeconds)));
        }
        if (state.timerExpired) {
            return said(QCoreApplication::translate("MenuPresenter", "Timer: Time's up!"));
        }
        return said(QCoreApplication::translate("MenuPresenter", "Timer %1")
                        .arg(TimerPresenter::formatRemaining(state.remainingSeconds)));
    }
    if (state.statusLightPausedUntil) {
        return said(QCoreApplication::translate("MenuPresenter", "Status light paused until %1")
                        .arg(shownTime(*state.statusLightPausedUntil)));
    }
    using Kind = LedShowing::Kind;
    switch (state.ledShowing.kind) {
    case Kind::rule:
        return said(StatusRulesPresenter::shownRuleName(state.ledShowing.ruleID, state.ledShowing.ruleName));
    case Kind::finishStep:
        return said(QCoreApplication::translate("MenuPresenter", "%1 (finishing)")
                        .arg(StatusRulesPresenter::shownRuleName(state.ledShowing.ruleID, state.ledShowing.ruleName)));
    case Kind::fallback:
        return said(QCoreApplication::translate("MenuPresenter", "No status active, fallback color"));
    case Kind::off:
        return said(QCoreApplication::translate("MenuPresenter", "No status active, LED off"));
    case Kind::nothing:
        break;
    }
    return said(QCoreApplication::translate("MenuPresenter", "Connected"));
}

QString micLine(const std::optional<bool> &muted)
{
    if (!muted) {
        return QCoreApplication::translate("MenuPresenter", "Mic: —");
    }
    return *muted ? QCoreApplication::translate("MenuPresenter", "Mic: Muted")
                  : QCoreApplication::translate("MenuPresenter", "Mic: Live");
}

QString customShortcutMenuLabel(const std::optional<DeviceQueryResponse> &lastQuery)
{
    if (lastQuery && lastQuery->bindType == BindType::custom) {
        return QCoreApplication::translate("MenuPresenter", "✓ Custom Shortcut…");
    }
    return QCoreApplication::translate("MenuPresenter", "Custom Shortcut…");
}

QString presetLabel(std::uint8_t code, const std::optional<DeviceQueryResponse> &lastQuery)
{
    const auto action = fromRaw<PresetAction>(code);
    // The protocol layer's names are string literals (so null-terminated), listed above for the
    // translation tools.
    QString label = action ? QCoreApplication::translate("PresetAction", displayName(*action).data()) : QString();
    if (lastQuery && lastQuery->bindType == BindType::preset && lastQuery->currentPresetID == code) {
        return QCoreApplication::translate("MenuPresenter", "✓ %1").arg(label);
    }
    return label;
}

const std::vector<std::uint8_t> &systemPresetCodes()
{
    static const std::vector<std::uint8_t> codes{
        static_cast<std::uint8_t>(PresetAction::lockScreen),
        static_cast<std::uint8_t>(PresetAction::screenshot),
        static_cast<std::uint8_t>(PresetAction::sleep),
    };
    return codes;
}

const std::vector<std::uint8_t> &mediaPresetCodes()
{
    static const std::vector<std::uint8_t> codes{
        static_cast<std::uint8_t>(PresetAction::mute),         static_cast<std::uint8_t>(PresetAction::volumeUp),
        static_cast<std::uint8_t>(PresetAction::volumeDown),   static_cast<std::uint8_t>(PresetAction::playPause),
        static_cast<std::uint8_t>(PresetAction::nextTrack),    static_cast<std::uint8_t>(PresetAction::prevTrack),
        static_cast<std::uint8_t>(PresetAction::brightnessUp), static_cast<std::uint8_t>(PresetAction::brightnessDown),
        static_cast<std::uint8_t>(PresetAction::aiInterrupt),
    };
    return codes;
}

bool isFirmwareUpdateBusy(const TarnUpdateState &state)
{
    using Kind = TarnUpdateState::Kind;
    switch (state.kind) {
    case Kind::downloading:
    case Kind::transferring:
    case Kind::verifying:
    case Kind::waitingForReboot:
    case Kind::confirmingVersion:
        return true;
    case Kind::idle:
    case Kind::checkingForUpdate:
    case Kind::upToDate:
    case Kind::updateAvailable:
    case Kind::succeeded:
    case Kind::failed:
        break;
    }
    return false;
}

bool isDevicePlatformKnown(const std::optional<DeviceQueryResponse> &lastQuery)
{
    return lastQuery && lastQuery->hwPlatform != HardwarePlatform::unknown;
}

QString platformName(HardwarePlatform platform)
{
    switch (platform) {
    case HardwarePlatform::rp2040:
        return QStringLiteral("TARN (RP2040)"); // a model name
    case HardwarePlatform::rp2350:
        return QStringLiteral("TARN"); // a model name
    case HardwarePlatform::unknown:
        break;
    }
    return QCoreApplication::translate("MenuPresenter", "Standard");
}

QString deviceStatusLabel(bool isConnected, const std::optional<DeviceQueryResponse> &lastQuery,
                          bool hasInaccessibleDevice)
{
    if (!isConnected) {
        return hasInaccessibleDevice ? QCoreApplication::translate("MenuPresenter", "Device: Found, No Access")
                                     : QCoreApplication::translate("MenuPresenter", "Device: Not Found");
    }
    if (!lastQuery) {
        return QCoreApplication::translate("MenuPresenter", "Device: Connected");
    }
    return QCoreApplication::translate("MenuPresenter", "Device: %1 v%2")
        .arg(platformName(lastQuery->hwPlatform), QString::fromStdString(lastQuery->version.description()));
}

QString deviceAccessHint(bool isConnected, bool hasInaccessibleDevice)
{
    if (isConnected || !hasInaccessibleDevice) {
        return {};
    }
    return QCoreApplication::translate("MenuPresenter",
                                       "Install the device access rule (70-dorvel.rules), then replug");
}

QString appVersionLabel(const std::optional<QString> &shortVersion)
{
    return QCoreApplication::translate("MenuPresenter", "Kestrix v%1").arg(shortVersion.value_or(QStringLiteral("?")));
}

QString operatingSystemText(const QString &osRelease)
{
    QHash<QString, QString> fields;
    const QStringList lines = osRelease.split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0 || line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        QString value = line.mid(equals + 1).trimmed();
        if (value.size() >= 2 && (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')) &&
            value.back() == value.front()) {
            value = value.mid(1, value.size() - 2);
        }
        fields.insert(line.left(equals).trimmed(), value);
    }
    const QString name = fields.value(QStringLiteral("NAME"));
    const QString version = fields.value(QStringLiteral("VERSION_ID"));
    if (!name.isEmpty()) {
        return version.isEmpty() ? name : name + QLatin1Char(' ') + version;
    }
    const QString pretty = fields.value(QStringLiteral("PRETTY_NAME"));
    return pretty.isEmpty() ? QStringLiteral("Linux") : pretty;
}

QUrl featureRequestURL(const QString &supportEmail, const QString &appVersionLine, const QString &deviceStatusLine,
                       const QString &operatingSystem)
{
    const QString subject = QStringLiteral("Kestrix Feature Request");
    const QString body = QCoreApplication::translate("MenuPresenter", "What would you like to see added or changed?") +
                         QStringLiteral("\n\n\n---\n") + appVersionLine + QLatin1Char('\n') + deviceStatusLine +
                         QLatin1Char('\n') + operatingSystem;
    // Every reserved character of the query is encoded, "&", "=" and "+" included, so the body
    // arrives exactly as written.
    const auto encode = [](const QString &value) {
        return QString::fromLatin1(QUrl::toPercentEncoding(value));
    };
    QUrl url(QStringLiteral("mailto:") + supportEmail + QStringLiteral("?subject=") + encode(subject) +
                 QStringLiteral("&body=") + encode(body),
             QUrl::StrictMode);
    return url.isValid() ? url : QUrl();
}

Alert quitDuringFirmwareUpdateAlert()
{
    Alert alert;
    alert.message = QCoreApplication::translate("MenuPresenter", "TARN Firmware Update In Progress");
    alert.informativeText = QCoreApplication::translate(
        "MenuPresenter", "Quitting now won't damage the device, but you'll lose track of whether the update finished.");
    alert.buttons = {QCoreApplication::translate("MenuPresenter", "Cancel"),
                     QCoreApplication::translate("MenuPresenter", "Quit Anyway")};
    alert.destructiveButton = 1;
    alert.confirmingButton = 1;
    return alert;
}

} // namespace MenuPresenter
