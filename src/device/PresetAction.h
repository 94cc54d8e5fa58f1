#pragma once

#include "device/RawEnum.h"

#include <array>
#include <cstdint>
#include <string_view>

// The preset actions the button can be bound to (command 0x00); raw value = declaration index.
enum class PresetAction : std::uint8_t {
    lockScreen = 0,
    mute = 1,
    volumeUp = 2,
    volumeDown = 3,
    playPause = 4,
    powerOff = 5,
    screenshot = 6,
    nextTrack = 7,
    prevTrack = 8,
    brightnessUp = 9,
    brightnessDown = 10,
    sleep = 11,
    showDesktop = 12,
    aiInterrupt = 13,
};

template <>
struct RawEnumTraits<PresetAction> {
    using enum PresetAction;
    static constexpr std::array allCases{lockScreen,     mute,       volumeUp,    volumeDown, playPause,
                                         powerOff,       screenshot, nextTrack,   prevTrack,  brightnessUp,
                                         brightnessDown, sleep,      showDesktop, aiInterrupt};
};

// The name the menu shows for the action.
std::string_view displayName(PresetAction action);

// What the button is bound to, as the state reply reports it.
enum class BindType : std::uint8_t { unknown = 0, preset = 1, custom = 2 };

template <>
struct RawEnumTraits<BindType> {
    using enum BindType;
    static constexpr std::array allCases{unknown, preset, custom};
};

// The device's microcontroller family.
enum class HardwarePlatform : std::uint8_t { unknown = 0, rp2040 = 1, rp2350 = 2 };

template <>
struct RawEnumTraits<HardwarePlatform> {
    using enum HardwarePlatform;
    static constexpr std::array allCases{unknown, rp2040, rp2350};
};
