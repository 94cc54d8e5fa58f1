#pragma once

#include "device/Bytes.h"
#include "device/DeviceQueryResponse.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

// What the "Custom Shortcut" window shows, as pure functions of the recorder, the device link and
// the window's own choices.
namespace CustomShortcutPresenter {

// Pause between repeats by gap index, in milliseconds; the index is what the device stores.
inline constexpr std::array<std::uint16_t, 7> gapTableMs{50, 100, 250, 500, 1000, 2000, 5000};
inline constexpr int minimumRepeatCount = 1;
inline constexpr int maximumRepeatCount = 5;

// How key combinations are written: as the Linux desktops name them ("Ctrl+Alt+Shift+Super+K"), or
// in the symbols of macOS menus ("⌃⌥⇧⌘K"). The device stores the same bits either way.
enum class KeyNames { desktop, macSymbols };
// The style of the platform the application is built for.
KeyNames runningKeyNames();

// A HID keyboard usage as a key cap: letters, digits, the editing keys ("Return", "Esc",
// "Backspace", "Tab", "Space", "Del" or their macOS symbols), F1 to F12, the arrows ("Left" or
// "←"); any other usage as "0x%02X".
QString keyGlyph(std::uint8_t usage, KeyNames names = runningKeyNames());
// The set HidModifier bits in the order Control, Alt/Option, Shift, Super/Command, then the key:
// joined by "+" as "Ctrl", "Alt", "Shift", "Super"; or as the symbols "⌃⌥⇧⌘" without separators.
QString formatCombo(std::uint8_t mods, std::uint8_t keycode, KeyNames names = runningKeyNames());
// Whole seconds with "s" from 1000 ms on, else milliseconds with "ms".
QString formatGap(std::uint16_t ms);

// "Repeat: " followed by the count.
QString repeatLabel(int repeatCount);

// The device's stored gap index when the state carries one below 7, else 0.
int initialGapIndex(const std::optional<DeviceQueryResponse> &state);

// The custom-binding command: 0x01, mods, usage, repeat count, gap index, zero-filled to 32 bytes.
Bytes bindCustomReport(std::uint8_t mods, std::uint8_t keycode, int repeatCount, int gapIndex);

struct State {
    bool isRecording = false;
    std::optional<std::uint8_t> capturedMods;
    std::optional<std::uint8_t> capturedKeycode;
    int repeatCount = 1;
    int gapIndex = 0;
    bool isConnected = false;
    bool isLinkHeld = false; // a firmware update holds the device link
    std::optional<DeviceQueryResponse> lastQuery;
    KeyNames keyNames = runningKeyNames();
};

struct View {
    QString title;
    QString recorderLabel;
    QString repeatLabel;
    QString gapCaption;
    // Off while a firmware update holds the link; the combination may still be recorded then.
    bool applyEnabled = false;
    // Why Apply is off while a firmware update holds the link, else empty.
    QString applyToolTip;
    // The recorder, repeat and gap controls; off while no device is held.
    bool controlsEnabled = false;
    // Why Apply is off while a firmware update holds the link, else "No Dorvel connected" while no
    // device is held, else absent.
    std::optional<QString> deviceNotice;
    // Absent unless the device is bound to a custom combination.
    std::optional<QString> currentlyBound;

    friend bool operator==(const View &, const View &) = default;
};

View customShortcutView(const State &state);

} // namespace CustomShortcutPresenter
