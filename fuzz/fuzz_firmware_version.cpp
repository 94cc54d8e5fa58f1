// Invariants of the version-string parser that hold for any input, checked against a plain
// reading of its rule: split at ".", keep the pieces made only of decimal digits whose value is at
// most 255, and accept exactly three of them.
#include "device/FirmwareVersion.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#define FUZZ_REQUIRE(condition)                                                                                        \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fputs("invariant broken: " #condition "\n", stderr);                                                  \
            __builtin_trap();                                                                                          \
        }                                                                                                              \
    } while (false)

namespace {
std::optional<FirmwareVersion> plainReading(std::string_view text)
{
    std::vector<std::uint8_t> numbers;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t dot = std::min(text.find('.', start), text.size());
        const std::string_view piece = text.substr(start, dot - start);
        const bool digits =
            !piece.empty() && std::all_of(piece.begin(), piece.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (digits) {
            unsigned value = 0;
            for (char c : piece) {
                value = std::min(value * 10 + unsigned(c - '0'),
                                 256U); // saturates: only <= 255 matters
            }
            if (value <= 255) {
                numbers.push_back(std::uint8_t(value));
            }
        }
        start = dot + 1;
    }
    if (numbers.size() != 3) {
        return std::nullopt;
    }
    return FirmwareVersion{numbers[0], numbers[1], numbers[2]};
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const auto version = FirmwareVersion::fromString(text);
    FUZZ_REQUIRE(version == plainReading(text));
    if (version) {
        FUZZ_REQUIRE(FirmwareVersion::fromString(version->description()) == version);
    }
    // Empty pieces are dropped, so dots around the text change nothing.
    FUZZ_REQUIRE(FirmwareVersion::fromString("." + std::string(text) + ".") == version);
    return 0;
}
