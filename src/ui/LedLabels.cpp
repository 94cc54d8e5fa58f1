#include "ui/LedLabels.h"

#include <QComboBox>

namespace LedLabels {
namespace {

template <typename E>
void select(QComboBox &picker, E value)
{
    const int index = picker.findData(static_cast<int>(value));
    if (index >= 0) {
        picker.setCurrentIndex(index);
    }
}

template <typename E, typename FromInt>
std::optional<E> current(const QComboBox &picker, FromInt fromInt)
{
    const QVariant data = picker.currentData();
    bool ok = false;
    const int raw = data.toInt(&ok);
    if (!data.isValid() || !ok) {
        return std::nullopt;
    }
    return fromInt(raw);
}

} // namespace

QString rgbModeLabel(Dorvel::RGBMode mode)
{
    using Mode = Dorvel::RGBMode;
    switch (mode) {
    case Mode::solid:
        return QStringLiteral("Solid");
    case Mode::breatheSlow:
        return QStringLiteral("Breathe (slow)");
    case Mode::breatheFast:
        return QStringLiteral("Breathe (fast)");
    case Mode::hueCycle:
        return QStringLiteral("Hue Cycle");
    case Mode::rainbowSwirl:
        return QStringLiteral("Rainbow Swirl");
    case Mode::staticGradient:
        return QStringLiteral("Gradient");
    case Mode::twinkleSameHue:
        return QStringLiteral("Twinkle");
    case Mode::twinkleRandomHue:
        return QStringLiteral("Twinkle (Random)");
    case Mode::knightScanner:
        return QStringLiteral("Knight");
    }
    return {};
}

QString ledEffectLabel(LEDEffect effect)
{
    return LEDEffects::label(effect);
}

void fillRgbModes(QComboBox &picker)
{
    picker.clear();
    for (Dorvel::RGBMode mode : allCases<Dorvel::RGBMode>()) {
        picker.addItem(rgbModeLabel(mode), static_cast<int>(mode));
    }
}

void fillLedEffects(QComboBox &picker)
{
    picker.clear();
    for (LEDEffect effect : LEDEffects::allCases) {
        picker.addItem(ledEffectLabel(effect), static_cast<int>(effect));
    }
}

std::optional<Dorvel::RGBMode> currentRgbMode(const QComboBox &picker)
{
    return current<Dorvel::RGBMode>(picker, [](int raw) -> std::optional<Dorvel::RGBMode> {
        if (raw < 0 || raw > 255) {
            return std::nullopt;
        }
        return fromRaw<Dorvel::RGBMode>(static_cast<std::uint8_t>(raw));
    });
}

std::optional<LEDEffect> currentLedEffect(const QComboBox &picker)
{
    return current<LEDEffect>(picker, [](int raw) -> std::optional<LEDEffect> {
        for (LEDEffect effect : LEDEffects::allCases) {
            if (static_cast<int>(effect) == raw) {
                return effect;
            }
        }
        return std::nullopt;
    });
}

void selectRgbMode(QComboBox &picker, Dorvel::RGBMode mode)
{
    select(picker, mode);
}

void selectLedEffect(QComboBox &picker, LEDEffect effect)
{
    select(picker, effect);
}

} // namespace LedLabels
