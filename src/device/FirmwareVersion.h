#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A firmware (or application) version: three bytes, ordered field by field.
struct FirmwareVersion {
    std::uint8_t major = 0;
    std::uint8_t minor = 0;
    std::uint8_t patch = 0;

    // Splits at "." and drops empty pieces, keeps the pieces that are decimal numbers up to 255;
    // exactly three must remain. "1..2.3" gives 1.2.3, "1.2.300" gives nothing.
    static std::optional<FirmwareVersion> fromString(std::string_view text);

    // "major.minor.patch" in decimal, no prefix.
    std::string description() const;

    // clang-tidy 14 reads the synthesized comparison with 0 as a null pointer constant.
    // NOLINTBEGIN(modernize-use-nullptr)
    friend auto operator<=>(const FirmwareVersion &, const FirmwareVersion &) = default;
    // NOLINTEND(modernize-use-nullptr)
};
