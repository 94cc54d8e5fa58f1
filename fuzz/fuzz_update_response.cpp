// Invariants of the firmware-update reply decoder that hold for any input.
#include "device/UpdateResponse.h"

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
    const auto response = UpdateResponse::fromBytes(bytes);
    FUZZ_REQUIRE(response.has_value() == (size >= 5 && data[0] == 0x03 && data[2] < 8));
    if (!response) {
        return 0;
    }
    FUZZ_REQUIRE(response->subCommand == data[1]);
    FUZZ_REQUIRE(rawValue(response->status) == data[2]);
    const unsigned sequence = data[3] | (unsigned{data[4]} << 8);
    FUZZ_REQUIRE(response->expectedSequence == (response->status == UpdateStatus::badSequence ? sequence : 0U));
    if (size > 5) {
        FUZZ_REQUIRE(UpdateResponse::fromBytes(bytes.first(5)) == response);
    }
    return 0;
}
