#include "device/ui/LedLabels.h"

#include "ui/EnumComboBox.h"

#include <QComboBox>

namespace LedLabels {

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

void fillRgbModes(QComboBox &picker)
{
    picker.clear();
    for (Dorvel::RGBMode mode : allCases<Dorvel::RGBMode>()) {
        picker.addItem(rgbModeLabel(mode), static_cast<int>(mode));
    }
}

std::optional<Dorvel::RGBMode> currentRgbMode(const QComboBox &picker)
{
    return EnumComboBox::current<Dorvel::RGBMode>(picker, [](int raw) -> std::optional<Dorvel::RGBMode> {
        if (raw < 0 || raw > 255) {
            return std::nullopt;
        }
        return fromRaw<Dorvel::RGBMode>(static_cast<std::uint8_t>(raw));
    });
}

void selectRgbMode(QComboBox &picker, Dorvel::RGBMode mode)
{
    EnumComboBox::select(picker, mode);
}

} // namespace LedLabels
