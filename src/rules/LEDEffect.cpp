#include "rules/LEDEffect.h"

#include <QCoreApplication>

namespace LEDEffects {
namespace {

struct Entry {
    LEDEffect effect;
    const char *raw;
    const char *label;
    Dorvel::RGBMode mode;
};

using Mode = Dorvel::RGBMode;
constexpr std::array<Entry, allCases.size()> entries{{
    {LEDEffect::solid, "solid", QT_TRANSLATE_NOOP("LEDEffects", "Solid"), Mode::solid},
    {LEDEffect::pulsing, "pulsing", QT_TRANSLATE_NOOP("LEDEffects", "Pulsing"), Mode::breatheFast},
    {LEDEffect::breatheSlow, "breatheSlow", QT_TRANSLATE_NOOP("LEDEffects", "Breathe (slow)"), Mode::breatheSlow},
    {LEDEffect::hueCycle, "hueCycle", QT_TRANSLATE_NOOP("LEDEffects", "Hue Cycle"), Mode::hueCycle},
    {LEDEffect::rainbowSwirl, "rainbowSwirl", QT_TRANSLATE_NOOP("LEDEffects", "Rainbow Swirl"), Mode::rainbowSwirl},
    {LEDEffect::staticGradient, "staticGradient", QT_TRANSLATE_NOOP("LEDEffects", "Gradient"), Mode::staticGradient},
    {LEDEffect::twinkleSameHue, "twinkleSameHue", QT_TRANSLATE_NOOP("LEDEffects", "Twinkle"), Mode::twinkleSameHue},
    {LEDEffect::twinkleRandomHue, "twinkleRandomHue", QT_TRANSLATE_NOOP("LEDEffects", "Twinkle (Random)"),
     Mode::twinkleRandomHue},
    {LEDEffect::knightScanner, "knightScanner", QT_TRANSLATE_NOOP("LEDEffects", "Knight (Rotating Scanner)"),
     Mode::knightScanner},
}};

// The table is indexed by the enumerator, so it must list them in declaration order.
constexpr bool entriesFollowDeclarationOrder()
{
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (static_cast<std::size_t>(entries[i].effect) != i || allCases[i] != entries[i].effect) {
            return false;
        }
    }
    return true;
}
static_assert(entriesFollowDeclarationOrder());

const Entry &entry(LEDEffect effect)
{
    return entries[static_cast<std::size_t>(effect)];
}

} // namespace

QString rawValue(LEDEffect effect)
{
    return QLatin1String(entry(effect).raw);
}

std::optional<LEDEffect> fromRaw(QStringView raw)
{
    for (const Entry &candidate : entries) {
        if (raw == QLatin1String(candidate.raw)) {
            return candidate.effect;
        }
    }
    return std::nullopt;
}

QString label(LEDEffect effect)
{
    return QCoreApplication::translate("LEDEffects", entry(effect).label);
}

Dorvel::RGBMode rgbMode(LEDEffect effect)
{
    return entry(effect).mode;
}

} // namespace LEDEffects
