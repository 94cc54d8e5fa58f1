#pragma once

#include <cstdint>

// A color on the device's own scale: hue, saturation and value, each 0 to 255 (hue 255 is a full
// turn of 360 degrees).
struct HSVColor {
    std::uint8_t hue = 0;
    std::uint8_t saturation = 0;
    std::uint8_t value = 0;

    friend bool operator==(const HSVColor &, const HSVColor &) = default;
};
