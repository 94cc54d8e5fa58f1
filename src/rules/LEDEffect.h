#pragma once

#include "device/Dorvel.h"

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

// The light patterns a status rule can show. Stored by their raw names, never by position, so the
// list may be reordered or extended without breaking saved rules.
enum class LEDEffect {
    solid,
    pulsing,
    breatheSlow,
    hueCycle,
    rainbowSwirl,
    staticGradient,
    twinkleSameHue,
    twinkleRandomHue,
    knightScanner,
};

namespace LEDEffects {

// In menu order.
inline constexpr std::array allCases{
    LEDEffect::solid,          LEDEffect::pulsing,          LEDEffect::breatheSlow,
    LEDEffect::hueCycle,       LEDEffect::rainbowSwirl,     LEDEffect::staticGradient,
    LEDEffect::twinkleSameHue, LEDEffect::twinkleRandomHue, LEDEffect::knightScanner,
};

// The name saved in settings.
QString rawValue(LEDEffect effect);
// Exact, case-sensitive match of a saved name.
std::optional<LEDEffect> fromRaw(QStringView raw);
// The name shown to the user.
QString label(LEDEffect effect);
// The firmware mode that draws the effect. "Pulsing" is the firmware's fast breathe.
Dorvel::RGBMode rgbMode(LEDEffect effect);

} // namespace LEDEffects
