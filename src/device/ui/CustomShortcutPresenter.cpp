#include "device/ui/CustomShortcutPresenter.h"

#include "device/Dorvel.h"
#include "device/KeycodeMapping.h"
#include "device/LinkNotices.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>

namespace CustomShortcutPresenter {

KeyNames runningKeyNames()
{
#ifdef Q_OS_MACOS
    return KeyNames::macSymbols;
#else
    return KeyNames::desktop;
#endif
}

namespace {
// A key's name as the user's desktop writes it on screen ("Strg" for "Ctrl" in German).
QString keyName(const char *english)
{
    return QCoreApplication::translate("CustomShortcutPresenter", english);
}
} // namespace

QString keyGlyph(std::uint8_t usage, KeyNames names)
{
    if (usage >= 0x04 && usage <= 0x1D) {
        return QString(QChar(u'A' + (usage - 0x04)));
    }
    if (usage >= 0x1E && usage <= 0x26) {
        return QString::number(usage - 29);
    }
    if (usage >= 0x3A && usage <= 0x45) {
        return QStringLiteral("F") + QString::number(usage - 57);
    }
    const bool mac = names == KeyNames::macSymbols;
    switch (usage) {
    case 0x27:
        return QStringLiteral("0");
    case 0x28:
        return mac ? QStringLiteral("⏎") : keyName(QT_TRANSLATE_NOOP("CustomShortcutPresenter", "Return"));
    case 0x29:
        return mac ? QStringLiteral("⎋") : keyName(QT_TRANSLATE_NOOP("CustomShortcutPresenter", "Esc"));
    case 0x2A:
        return mac ? QStringLiteral("⌫") : keyName(QT_TRANSLATE_NOOP("CustomShortcutPresenter", "Backspace"));
    case 0x2B:
        return mac ? QStringLiteral("⇥") : keyName(QT_TRANSLATE_NOOP("CustomShortcutPresenter", "Tab"));
    case 0x2C:
        return keyName(QT_TRANSLATE_NOOP("CustomShortcutPresenter", "Space"));
    case 0x4C:
        return mac ? QStringLiteral("⌦") : keyName(QT_TRANSLATE_NOOP("CustomShortcutPresenter", "Del"));
    case 0x4F:
        return mac ? QStringLiteral("→") : keyName(QT_TRANSLATE_NOOP("CustomShortcutPresenter", "Right"));
    case 0x50:
        return mac ? QStringLiteral("←") : keyName(QT_TRANSLATE_NOOP("CustomShortcutPresenter", "Left"));
    case 0x51:
        return mac ? QStringLiteral("↓") : keyName(QT_TRANSLATE_NOOP("CustomShortcutPresenter", "Down"));
    case 0x52:
        return mac ? QStringLiteral("↑") : keyName(QT_TRANSLATE_NOOP("CustomShortcutPresenter", "Up"));
    default:
        return QStringLiteral("0x") + QStringLiteral("%1").arg(usage, 2, 16, QLatin1Char('0')).toUpper();
    }
}

QString formatCombo(std::uint8_t mods, std::uint8_t keycode, KeyNames names)
{
    struct Modifier {
        std::uint8_t bit;
        const char *desktop;
        const char16_t *mac;
    };
    static constexpr Modifier order[] = {
        {HidModifier::control, QT_TRANSLATE_NOOP("CustomShortcutPresenter", "Ctrl"), u"⌃"},
        {HidModifier::option, QT_TRANSLATE_NOOP("CustomShortcutPresenter", "Alt"), u"⌥"},
        {HidModifier::shift, QT_TRANSLATE_NOOP("CustomShortcutPresenter", "Shift"), u"⇧"},
        {HidModifier::command, QT_TRANSLATE_NOOP("CustomShortcutPresenter", "Super"), u"⌘"},
    };
    const bool mac = names == KeyNames::macSymbols;
    QStringList parts;
    for (const Modifier &modifier : order) {
        if (mods & modifier.bit) {
            parts << (mac ? QString::fromUtf16(modifier.mac) : keyName(modifier.desktop));
        }
    }
    parts << keyGlyph(keycode, names);
    return parts.join(mac ? QString() : QStringLiteral("+"));
}

QString formatGap(std::uint16_t ms)
{
    if (ms > 999) {
        //: whole seconds
        return QCoreApplication::translate("CustomShortcutPresenter", "%1s").arg(ms / 1000);
    }
    //: milliseconds
    return QCoreApplication::translate("CustomShortcutPresenter", "%1ms").arg(ms);
}

QString repeatLabel(int repeatCount)
{
    return QCoreApplication::translate("CustomShortcutPresenter", "Repeat: %1").arg(repeatCount);
}

int initialGapIndex(const std::optional<DeviceQueryResponse> &state)
{
    if (state && state->customRepeatGapIndex && *state->customRepeatGapIndex < gapTableMs.size()) {
        return *state->customRepeatGapIndex;
    }
    return 0;
}

Bytes bindCustomReport(std::uint8_t mods, std::uint8_t keycode, int repeatCount, int gapIndex)
{
    const std::array<std::uint8_t, 5> head{
        Dorvel::bindCustomCommand, mods, keycode,
        static_cast<std::uint8_t>(std::clamp(repeatCount, minimumRepeatCount, maximumRepeatCount)),
        static_cast<std::uint8_t>(std::clamp(gapIndex, 0, static_cast<int>(gapTableMs.size()) - 1))};
    return Dorvel::padded(head);
}

View customShortcutView(const State &state)
{
    View view;
    view.title = QCoreApplication::translate("CustomShortcutPresenter", "Custom Shortcut");
    const bool captured = state.capturedMods.has_value() && state.capturedKeycode.has_value();
    if (state.isRecording) {
        view.recorderLabel = QCoreApplication::translate("CustomShortcutPresenter", "Press your key combination…");
    } else if (captured) {
        view.recorderLabel = formatCombo(*state.capturedMods, *state.capturedKeycode, state.keyNames);
    } else {
        view.recorderLabel = QCoreApplication::translate("CustomShortcutPresenter", "Click to record key combo");
    }
    view.repeatLabel = repeatLabel(state.repeatCount);
    const auto gapIndex =
        static_cast<std::size_t>(std::clamp(state.gapIndex, 0, static_cast<int>(gapTableMs.size()) - 1));
    view.gapCaption =
        QCoreApplication::translate("CustomShortcutPresenter", "Repeat gap: %1").arg(formatGap(gapTableMs[gapIndex]));
    view.applyEnabled = captured && state.isConnected && !state.isLinkHeld;
    view.controlsEnabled = state.isConnected;
    // The update may have the device off the bus for its reboot: the update is the reason then.
    if (state.isLinkHeld) {
        view.deviceNotice = view.applyToolTip = LinkNotices::heldByFirmwareUpdate();
    } else if (!state.isConnected) {
        view.deviceNotice = LinkNotices::noDevice();
    }
    if (state.lastQuery && state.lastQuery->bindType == BindType::custom) {
        const auto &query = *state.lastQuery;
        view.currentlyBound =
            QCoreApplication::translate("CustomShortcutPresenter", "Currently bound: %1")
                .arg(query.currentCustomMods && query.currentCustomKeycode
                         ? formatCombo(*query.currentCustomMods, *query.currentCustomKeycode, state.keyNames)
                         : QStringLiteral("—"));
    }
    return view;
}

} // namespace CustomShortcutPresenter
