#pragma once

#include "device/Bytes.h"
#include "device/Dorvel.h"
#include "device/FirmwareVersion.h"
#include "device/PresetAction.h"

#include <optional>
#include <string>

// The device state decoded from a state reply (first byte 0xFF, at least 21 bytes).
struct DeviceQueryResponse {
    BindType bindType = BindType::unknown;
    std::optional<std::uint8_t> currentPresetID;      // only when bound to a preset
    std::optional<std::uint8_t> currentCustomMods;    // only when bound to a custom combination
    std::optional<std::uint8_t> currentCustomKeycode; // only when bound to a custom combination
    FirmwareVersion version;
    HardwarePlatform hwPlatform = HardwarePlatform::unknown;
    std::optional<Dorvel::BreatheSweepMode> breatheSweepMode; // replies of 30 bytes or more
    std::optional<std::uint8_t> flashStyleCount;              // replies of 31 bytes or more
    std::optional<std::uint8_t> customRepeatGapIndex;         // replies of 32 bytes or more
    std::optional<Dorvel::RGBMode> rgbMode;
    std::uint8_t hue = 0;
    std::uint8_t saturation = 0;
    std::uint8_t value = 0;
    bool isRGBEnabled = false;
    std::uint8_t whiteChannel = 0;

    // No value unless the reply has at least 21 bytes and starts with 0xFF. Unknown enumeration
    // bytes become absent fields or `unknown`; they never reject the reply.
    static std::optional<DeviceQueryResponse> fromBytes(ByteView bytes);

    friend bool operator==(const DeviceQueryResponse &, const DeviceQueryResponse &) = default;
};

// Byte offsets of the state reply.
namespace StateReply {
inline constexpr std::size_t minimumLength = 21;
inline constexpr std::size_t rgbMode = 3;
inline constexpr std::size_t hue = 4;
inline constexpr std::size_t saturation = 5;
inline constexpr std::size_t value = 6;
inline constexpr std::size_t rgbEnabled = 7;
inline constexpr std::size_t white = 8;
inline constexpr std::size_t bindType = 9;
inline constexpr std::size_t bindArg1 = 10;
inline constexpr std::size_t bindArg2 = 11;
inline constexpr std::size_t versionMajor = 16;
inline constexpr std::size_t hwPlatform = 20;
inline constexpr std::size_t breatheSweep = 29;
inline constexpr std::size_t flashStyleCount = 30;
inline constexpr std::size_t repeatGapIndex = 31;
} // namespace StateReply

// The device identity decoded from an identity reply (first byte 0x04, at least 9 bytes).
struct DeviceIDResponse {
    std::string identifier; // bytes 1 to 8 as 16 lower-case hexadecimal digits

    static std::optional<DeviceIDResponse> fromBytes(ByteView bytes);

    friend bool operator==(const DeviceIDResponse &, const DeviceIDResponse &) = default;
};
