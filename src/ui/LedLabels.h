#pragma once

#include "device/Dorvel.h"
#include "rules/LEDEffect.h"

#include <QString>

#include <optional>

class QComboBox;

// Picker labels of the device's animation modes and of the rule effects, and the combo boxes that
// offer them. Each item's data is the case's raw value (an int), so a picker reads back the case
// whatever order its items are in.
namespace LedLabels {

// "Solid", "Breathe (slow)", "Breathe (fast)", "Hue Cycle", "Rainbow Swirl", "Gradient", "Twinkle",
// "Twinkle (Random)", "Knight".
QString rgbModeLabel(Dorvel::RGBMode mode);
// The rule effect's display label (LEDEffects::label).
QString ledEffectLabel(LEDEffect effect);

// Replaces the items with every mode (or effect) in declaration order.
void fillRgbModes(QComboBox &picker);
void fillLedEffects(QComboBox &picker);

// The case of the current item; absent when nothing is selected.
std::optional<Dorvel::RGBMode> currentRgbMode(const QComboBox &picker);
std::optional<LEDEffect> currentLedEffect(const QComboBox &picker);

// Selects the item of that case, without emitting the picker's user signal (activated); the index
// signals fire as usual.
void selectRgbMode(QComboBox &picker, Dorvel::RGBMode mode);
void selectLedEffect(QComboBox &picker, LEDEffect effect);

} // namespace LedLabels
