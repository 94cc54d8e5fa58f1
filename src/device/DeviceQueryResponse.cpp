#include "device/DeviceQueryResponse.h"

std::optional<DeviceQueryResponse> DeviceQueryResponse::fromBytes(ByteView bytes)
{
    if (bytes.size() < StateReply::minimumLength || bytes[0] != Dorvel::stateQueryCommand) {
        return std::nullopt;
    }
    DeviceQueryResponse r;
    switch (bytes[StateReply::bindType]) {
    case 1:
        r.bindType = BindType::preset;
        r.currentPresetID = bytes[StateReply::bindArg1];
        break;
    case 2:
        r.bindType = BindType::custom;
        r.currentCustomMods = bytes[StateReply::bindArg1];
        r.currentCustomKeycode = bytes[StateReply::bindArg2];
        break;
    default:
        r.bindType = BindType::unknown;
        break;
    }
    r.version = {bytes[StateReply::versionMajor], bytes[StateReply::versionMajor + 1],
                 bytes[StateReply::versionMajor + 2]};
    r.hwPlatform = fromRaw<HardwarePlatform>(bytes[StateReply::hwPlatform]).value_or(HardwarePlatform::unknown);
    r.rgbMode = fromRaw<Dorvel::RGBMode>(bytes[StateReply::rgbMode]);
    r.hue = bytes[StateReply::hue];
    r.saturation = bytes[StateReply::saturation];
    r.value = bytes[StateReply::value];
    r.isRGBEnabled = bytes[StateReply::rgbEnabled] != 0;
    r.whiteChannel = bytes[StateReply::white];
    if (bytes.size() > StateReply::breatheSweep) {
        r.breatheSweepMode = fromRaw<Dorvel::BreatheSweepMode>(bytes[StateReply::breatheSweep]);
    }
    if (bytes.size() > StateReply::flashStyleCount) {
        r.flashStyleCount = bytes[StateReply::flashStyleCount];
    }
    if (bytes.size() > StateReply::repeatGapIndex) {
        r.customRepeatGapIndex = bytes[StateReply::repeatGapIndex];
    }
    return r;
}

std::optional<DeviceIDResponse> DeviceIDResponse::fromBytes(ByteView bytes)
{
    if (bytes.size() < 9 || bytes[0] != Dorvel::identityQueryCommand) {
        return std::nullopt;
    }
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(16);
    for (std::size_t i = 1; i <= 8; ++i) {
        text.push_back(digits[bytes[i] >> 4]);
        text.push_back(digits[bytes[i] & 0x0F]);
    }
    return DeviceIDResponse{std::move(text)};
}
