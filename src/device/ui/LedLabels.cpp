#include "device/ui/LedLabels.h"

#include <QCoreApplication>

#include "ui/EnumComboBox.h"

#include <QComboBox>

namespace LedLabels {

QString rgbModeLabel(Dorvel::RGBMode mode)
{
    using Mode = Dorvel::RGBMode;
    switch (mode) {
    case Mode::solid:
        return QCoreApplication::translate("LedLabels", "Solid");
    case Mode::breatheSlow:
        return QCoreApplication::translate("LedLabels", "Breathe (slow)");
    case Mode::breatheFast:
        return QCoreApplication::translate("LedLabels", "Breathe (fast)");
    case Mode::hueCycle:
        return QCoreApplication::translate("LedLabels", "Hue Cycle");
    case Mode::rainbowSwirl:
        return QCoreApplication::translate("LedLabels", "Rainbow Swirl");
    case Mode::staticGradient:
        return QCoreApplication::translate("LedLabels", "Gradient");
    case Mode::twinkleSameHue:
        return QCoreApplication::translate("LedLabels", "Twinkle");
    case Mode::twinkleRandomHue:
        return QCoreApplication::translate("LedLabels", "Twinkle (Random)");
    case Mode::knightScanner:
        return QCoreApplication::translate("LedLabels", "Knight");
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
