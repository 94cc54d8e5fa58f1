#pragma once

#include "device/Dorvel.h"

#include <QString>

#include <optional>

class QComboBox;

// Picker labels of the device's animation modes, and the combo boxes that offer them. Each item's
// data is the mode's raw value (an int), so a picker reads back the mode whatever order its items
// are in.
namespace LedLabels {

// "Solid", "Breathe (slow)", "Breathe (fast)", "Hue Cycle", "Rainbow Swirl", "Gradient", "Twinkle",
// "Twinkle (Random)", "Knight".
QString rgbModeLabel(Dorvel::RGBMode mode);

// Replaces the items with every mode in declaration order.
void fillRgbModes(QComboBox &picker);

// The mode of the current item; absent when nothing is selected.
std::optional<Dorvel::RGBMode> currentRgbMode(const QComboBox &picker);

// Selects the item of that mode, without emitting the picker's user signal (activated); the index
// signals fire as usual.
void selectRgbMode(QComboBox &picker, Dorvel::RGBMode mode);

} // namespace LedLabels
