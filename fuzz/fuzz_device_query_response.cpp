// Invariants of the state-reply decoder that hold for any input.
#include "device/DeviceQueryResponse.h"

#include <cstdio>

#define FUZZ_REQUIRE(condition)                                                                                        \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fputs("invariant broken: " #condition "\n", stderr);                                                  \
            __builtin_trap();                                                                                          \
        }                                                                                                              \
    } while (false)

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const ByteView bytes(data, size);
    const auto reply = DeviceQueryResponse::fromBytes(bytes);
    FUZZ_REQUIRE(reply.has_value() == (size >= 21 && data[0] == 0xFF));
    if (!reply) {
        return 0;
    }
    const DeviceQueryResponse &r = *reply;

    // Only the first 32 bytes carry anything.
    if (size > Dorvel::reportLength) {
        FUZZ_REQUIRE(DeviceQueryResponse::fromBytes(bytes.first(Dorvel::reportLength)) == reply);
    }

    // Trailing fields exist exactly when the reply is long enough to hold them.
    if (size >= 30) {
        FUZZ_REQUIRE(r.breatheSweepMode == fromRaw<Dorvel::BreatheSweepMode>(data[29]));
    } else {
        FUZZ_REQUIRE(!r.breatheSweepMode);
    }
    FUZZ_REQUIRE(r.flashStyleCount.has_value() == (size >= 31));
    FUZZ_REQUIRE(!r.flashStyleCount || *r.flashStyleCount == data[30]);
    FUZZ_REQUIRE(r.customRepeatGapIndex.has_value() == (size >= 32));
    FUZZ_REQUIRE(!r.customRepeatGapIndex || *r.customRepeatGapIndex == data[31]);

    // The binding arguments that exist are the ones of the binding type.
    switch (r.bindType) {
    case BindType::preset:
        FUZZ_REQUIRE(data[9] == 1);
        FUZZ_REQUIRE(r.currentPresetID == data[10]);
        FUZZ_REQUIRE(!r.currentCustomMods && !r.currentCustomKeycode);
        break;
    case BindType::custom:
        FUZZ_REQUIRE(data[9] == 2);
        FUZZ_REQUIRE(!r.currentPresetID);
        FUZZ_REQUIRE(r.currentCustomMods == data[10] && r.currentCustomKeycode == data[11]);
        break;
    case BindType::unknown:
        FUZZ_REQUIRE(data[9] != 1 && data[9] != 2);
        FUZZ_REQUIRE(!r.currentPresetID && !r.currentCustomMods && !r.currentCustomKeycode);
        break;
    }

    FUZZ_REQUIRE(r.version == (FirmwareVersion{data[16], data[17], data[18]}));
    FUZZ_REQUIRE(rawValue(r.hwPlatform) == ((data[20] == 1 || data[20] == 2) ? data[20] : 0));
    FUZZ_REQUIRE(r.rgbMode.has_value() == (data[3] <= 8));
    FUZZ_REQUIRE(!r.rgbMode || rawValue(*r.rgbMode) == data[3]);
    FUZZ_REQUIRE(r.hue == data[4] && r.saturation == data[5] && r.value == data[6]);
    FUZZ_REQUIRE(r.isRGBEnabled == (data[7] != 0));
    FUZZ_REQUIRE(r.whiteChannel == data[8]);
    return 0;
}
