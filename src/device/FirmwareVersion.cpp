#include "device/FirmwareVersion.h"

#include <array>
#include <charconv>

std::optional<FirmwareVersion> FirmwareVersion::fromString(std::string_view text)
{
    std::array<std::uint8_t, 3> numbers{};
    std::size_t count = 0;
    while (true) {
        const std::size_t dot = text.find('.');
        const std::string_view piece = text.substr(0, dot);
        if (!piece.empty()) {
            unsigned value = 0;
            const auto [end, error] = std::from_chars(piece.data(), piece.data() + piece.size(), value);
            const bool converts = error == std::errc{} && end == piece.data() + piece.size() && value <= 255;
            if (converts) {
                if (count == numbers.size()) {
                    return std::nullopt; // a fourth number
                }
                numbers[count++] = static_cast<std::uint8_t>(value);
            }
        }
        if (dot == std::string_view::npos) {
            break;
        }
        text.remove_prefix(dot + 1);
    }
    if (count != numbers.size()) {
        return std::nullopt;
    }
    return FirmwareVersion{numbers[0], numbers[1], numbers[2]};
}

std::string FirmwareVersion::description() const
{
    return std::to_string(major) + '.' + std::to_string(minor) + '.' + std::to_string(patch);
}
