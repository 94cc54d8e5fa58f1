#pragma once

#include "device/Bytes.h"
#include "device/RawEnum.h"

#include <array>
#include <cstdint>

// The Dorvel report protocol: every report is 32 bytes, byte 0 is the command.
namespace Dorvel {

inline constexpr std::size_t reportLength = 32;

// Command bytes of the reports the application sends.
inline constexpr std::uint8_t bindPresetCommand = 0x00;
inline constexpr std::uint8_t bindCustomCommand = 0x01;
inline constexpr std::uint8_t ledCommand = 0x02;
inline constexpr std::uint8_t firmwareUpdateCommand = 0x03;
inline constexpr std::uint8_t identityQueryCommand = 0x04;
inline constexpr std::uint8_t stateQueryCommand = 0xFF;

// Sub-commands of the LED command 0x02.
namespace Led {
inline constexpr std::uint8_t color = 0x00;
inline constexpr std::uint8_t mode = 0x01;
inline constexpr std::uint8_t brightness = 0x02;
inline constexpr std::uint8_t enabled = 0x03;
inline constexpr std::uint8_t flashWhenOff = 0x04;
inline constexpr std::uint8_t flashColor = 0x05;
inline constexpr std::uint8_t flashDuration = 0x06;
inline constexpr std::uint8_t white = 0x07;
inline constexpr std::uint8_t flashStyle = 0x08;
inline constexpr std::uint8_t suspendMode = 0x0A;
inline constexpr std::uint8_t breatheSweep = 0x0B;
} // namespace Led

// Sub-commands of the firmware-update command 0x03.
namespace Update {
inline constexpr std::uint8_t start = 0x00;
inline constexpr std::uint8_t chunk = 0x01;
inline constexpr std::uint8_t end = 0x02;
inline constexpr std::uint8_t abort = 0x03;
} // namespace Update

enum class RGBMode : std::uint8_t {
    solid = 0,
    breatheSlow = 1,
    breatheFast = 2,
    hueCycle = 3,
    rainbowSwirl = 4,
    staticGradient = 5,
    twinkleSameHue = 6,
    twinkleRandomHue = 7,
    knightScanner = 8,
};

enum class FlashStyle : std::uint8_t { single = 0, strobe = 1, wipe = 2, breatheOnce = 3 };

enum class SuspendMode : std::uint8_t { keepAnimating = 0, freeze = 1, goDark = 2 };

// Raw values start at 1: 0 is not a valid sweep byte.
enum class BreatheSweepMode : std::uint8_t { scaled = 1, fullSweep = 2 };

// Zero-fills a report to 32 bytes, or cuts it to its first 32.
Bytes padded(ByteView bytes);

// 0x02 0x06 with the duration in milliseconds, low byte first.
Bytes flashDurationReport(std::uint16_t ms);

// 0x03 0x00, the image size and its CRC-32, both little-endian.
Bytes buildUpdateStartReport(std::uint32_t totalSize, std::uint32_t crc32);

// The standard CRC-32 (ISO-HDLC, as zlib): reflected 0xEDB88320, initial and final inversion.
std::uint32_t crc32(ByteView bytes);

// The LED state the rules engine hands to the device manager.
Bytes ledEnabledReport(bool on);
Bytes ledModeReport(RGBMode mode);
Bytes ledColorReport(std::uint8_t hue, std::uint8_t saturation, std::uint8_t value);

} // namespace Dorvel

template <>
struct RawEnumTraits<Dorvel::RGBMode> {
    using enum Dorvel::RGBMode;
    static constexpr std::array allCases{solid,          breatheSlow,    breatheFast,      hueCycle,     rainbowSwirl,
                                         staticGradient, twinkleSameHue, twinkleRandomHue, knightScanner};
};

template <>
struct RawEnumTraits<Dorvel::FlashStyle> {
    using enum Dorvel::FlashStyle;
    static constexpr std::array allCases{single, strobe, wipe, breatheOnce};
};

template <>
struct RawEnumTraits<Dorvel::SuspendMode> {
    using enum Dorvel::SuspendMode;
    static constexpr std::array allCases{keepAnimating, freeze, goDark};
};

template <>
struct RawEnumTraits<Dorvel::BreatheSweepMode> {
    using enum Dorvel::BreatheSweepMode;
    static constexpr std::array allCases{scaled, fullSweep};
};
