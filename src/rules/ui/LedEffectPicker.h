#pragma once

#include "rules/LEDEffect.h"

#include <optional>

class QComboBox;

// The combo box that offers the rule effects, labelled with LEDEffects::label. Each item's data is
// the effect's value (an int), so a picker reads back the effect whatever order its items are in.
namespace LedEffectPicker {

// Replaces the items with every effect in menu order.
void fill(QComboBox &picker);
// The effect of the current item; absent when nothing is selected.
std::optional<LEDEffect> current(const QComboBox &picker);
// Selects the item of that effect, without emitting the picker's user signal (activated); the
// index signals fire as usual.
void select(QComboBox &picker, LEDEffect effect);

} // namespace LedEffectPicker
