#include "rules/ui/LedEffectPicker.h"

#include "ui/EnumComboBox.h"

#include <QComboBox>

namespace LedEffectPicker {

void fill(QComboBox &picker)
{
    picker.clear();
    for (LEDEffect effect : LEDEffects::allCases) {
        picker.addItem(LEDEffects::label(effect), static_cast<int>(effect));
    }
}

std::optional<LEDEffect> current(const QComboBox &picker)
{
    return EnumComboBox::current<LEDEffect>(picker, [](int raw) -> std::optional<LEDEffect> {
        for (LEDEffect effect : LEDEffects::allCases) {
            if (static_cast<int>(effect) == raw) {
                return effect;
            }
        }
        return std::nullopt;
    });
}

void select(QComboBox &picker, LEDEffect effect)
{
    EnumComboBox::select(picker, effect);
}

} // namespace LedEffectPicker
