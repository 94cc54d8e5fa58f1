#pragma once

#include "device/HSVColor.h"

#include <QColor>

#include <optional>

// A picker color on the device's scale: hue, saturation and value (HSV of the sRGB color), each
// multiplied by 255 and truncated. Opacity is dropped; an achromatic color (white, grey, black) has
// hue 0. Absent for an invalid color and for an extended-range color outside sRGB, which the device
// cannot show.
std::optional<HSVColor> hsv255(const QColor &color);

// The opaque color of device bytes: hue / 255 of a full turn, saturation / 255, value / 255.
// hsv255 of the result gives the same bytes back.
QColor colorFromHsv255(HSVColor hsv);
