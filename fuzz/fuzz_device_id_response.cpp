// Invariants of the identity-reply decoder that hold for any input.
#include "device/DeviceQueryResponse.h"

#include <cstdio>

#define FUZZ_REQUIRE(condition)                                                                                        \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fputs("invariant broken: " #condition "\n", stderr);                                                  \
            __builtin_trap();                                                                                          \
        }                                                                                                              \
    } while (false)

namespace {
// The value of a lower-case hexadecimal digit, or -1.
int hexDigit(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const ByteView bytes(data, size);
    const auto id = DeviceIDResponse::fromBytes(bytes);
    FUZZ_REQUIRE(id.has_value() == (size >= 9 && data[0] == 0x04));
    if (!id) {
        return 0;
    }
    // Sixteen lower-case digits that read back as bytes 1 to 8; later bytes play no part.
    FUZZ_REQUIRE(id->identifier.size() == 16);
    for (std::size_t i = 0; i < 8; ++i) {
        const int high = hexDigit(id->identifier[2 * i]);
        const int low = hexDigit(id->identifier[2 * i + 1]);
        FUZZ_REQUIRE(high >= 0 && low >= 0);
        FUZZ_REQUIRE(high * 16 + low == data[i + 1]);
    }
    if (size > 9) {
        FUZZ_REQUIRE(DeviceIDResponse::fromBytes(bytes.first(9)) == id);
    }
    return 0;
}
