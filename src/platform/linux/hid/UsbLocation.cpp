#include "platform/linux/hid/UsbLocation.h"

#include <charconv>

namespace {
constexpr int maxPorts = 6;
constexpr unsigned maxPort = 15;
constexpr unsigned maxBus = 255;

// A decimal number made of digits only (no sign, no space), or absent.
std::optional<unsigned> decimal(std::string_view text)
{
    if (text.empty() || text.size() > 3) {
        return std::nullopt;
    }
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}
} // namespace

std::optional<LocationID> packUsbLocation(std::string_view portPath)
{
    const auto dash = portPath.find('-');
    if (dash == std::string_view::npos) {
        return std::nullopt;
    }
    const auto bus = decimal(portPath.substr(0, dash));
    if (!bus || *bus == 0 || *bus > maxBus) {
        return std::nullopt;
    }

    LocationID location = static_cast<LocationID>(*bus) << 24;
    std::string_view ports = portPath.substr(dash + 1);
    int shift = 20;
    for (int count = 0;; ++count) {
        if (count == maxPorts) {
            return std::nullopt;
        }
        const auto dot = ports.find('.');
        const auto port = decimal(ports.substr(0, dot));
        if (!port || *port == 0 || *port > maxPort) {
            return std::nullopt;
        }
        location |= static_cast<LocationID>(*port) << shift;
        shift -= 4;
        if (dot == std::string_view::npos) {
            return location;
        }
        ports.remove_prefix(dot + 1);
    }
}
