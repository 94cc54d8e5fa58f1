#include "device/ui/Hsv255.h"

#include <algorithm>
#include <cmath>

namespace {

// QColor keeps hue in hundredths of a degree and the other components in 16 bits, so a byte that
// went through colorFromHsv255 comes back a few thousandths of a unit below itself, where plain
// truncation would lose one. The allowance is far below a step of the device's scale.
constexpr float truncationAllowance = 0.01F;

std::uint8_t toByte(float fraction)
{
    const float scaled = std::floor(fraction * 255.0F + truncationAllowance);
    return static_cast<std::uint8_t>(std::clamp(scaled, 0.0F, 255.0F));
}

bool isUnitInterval(float component)
{
    return component >= 0.0F && component <= 1.0F;
}

} // namespace

std::optional<HSVColor> hsv255(const QColor &color)
{
    if (!color.isValid()) {
        return std::nullopt;
    }
    // Extended-range colors may lie outside sRGB; those the device cannot show.
    const QColor rgb = color.toRgb();
    if (color.spec() == QColor::ExtendedRgb) {
        const QColor extended = color.toExtendedRgb();
        if (!isUnitInterval(extended.redF()) || !isUnitInterval(extended.greenF()) ||
            !isUnitInterval(extended.blueF())) {
            return std::nullopt;
        }
    }
    const QColor hsv = color.spec() == QColor::Hsv ? color : rgb.toHsv();
    // Qt reports hue -1 for achromatic colors; its hue fraction is of a full turn.
    const float hue = hsv.hsvHueF();
    return HSVColor{hue < 0.0F ? std::uint8_t{0} : toByte(hue), toByte(hsv.hsvSaturationF()), toByte(hsv.valueF())};
}

QColor colorFromHsv255(HSVColor hsv)
{
    return QColor::fromHsvF(static_cast<float>(hsv.hue) / 255.0F, static_cast<float>(hsv.saturation) / 255.0F,
                            static_cast<float>(hsv.value) / 255.0F, 1.0F);
}
