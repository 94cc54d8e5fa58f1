#pragma once

#include <Qt>

#include <cstdint>
#include <optional>

// Bits of the modifier byte of a USB boot keyboard report. Only the left-hand bits are produced:
// the right-hand modifier keys record as their left-hand twins.
namespace HidModifier {
inline constexpr std::uint8_t control = 0x01;
inline constexpr std::uint8_t shift = 0x02;
inline constexpr std::uint8_t option = 0x04;  // Alt
inline constexpr std::uint8_t command = 0x08; // Super, the Windows key
} // namespace HidModifier

// Mac virtual key codes of the recordable keys to their HID keyboard usages (page 0x07). Keys with
// no usage here (Caps Lock, the modifiers themselves, keypad keys, F13 and above, the extra ISO key)
// cannot be recorded.
namespace MacKeycodeMapping {
std::optional<std::uint8_t> hidUsage(std::uint16_t macKeyCode);
} // namespace MacKeycodeMapping

// The same 74 keys by Linux input event code (KEY_* of linux/input-event-codes.h), the physical key
// whatever the keyboard layout.
namespace LinuxKeycodeMapping {
// X11 and Wayland report a key's evdev code plus this offset as its native scan code.
inline constexpr std::uint32_t xkbKeycodeOffset = 8;

std::optional<std::uint8_t> hidUsage(std::uint32_t evdevCode);
} // namespace LinuxKeycodeMapping

// How a platform's key events describe the key and the modifiers.
struct KeyboardConventions {
    enum class KeyCodes {
        macVirtualKey,   // the event's native virtual key is a Mac virtual key code
        linuxXkbKeycode, // the event's native scan code is an evdev code plus 8
    };
    KeyCodes keyCodes = KeyCodes::linuxXkbKeycode;
    // Qt on macOS reports Command as Qt::ControlModifier and Control as Qt::MetaModifier, unless
    // the application opts out with Qt::AA_MacDontSwapCtrlAndMeta.
    bool controlModifierIsCommand = false;

    // The conventions of the platform the application runs on.
    static KeyboardConventions running();

    friend bool operator==(const KeyboardConventions &, const KeyboardConventions &) = default;
};

// A key press as the device would type it.
struct HidKeyPress {
    std::optional<std::uint8_t> usage; // absent: the key cannot be recorded
    std::uint8_t modifiers = 0;        // HidModifier bits

    friend bool operator==(const HidKeyPress &, const HidKeyPress &) = default;
};

namespace KeyTranslation {

// Control, Shift, Alt/Option and Meta/Command as HID bits; Keypad, group switch and every other
// flag are ignored.
std::uint8_t hidModifiers(Qt::KeyboardModifiers modifiers, const KeyboardConventions &conventions);

HidKeyPress translate(const KeyboardConventions &conventions, std::uint32_t nativeScanCode,
                      std::uint32_t nativeVirtualKey, Qt::KeyboardModifiers modifiers);

} // namespace KeyTranslation
