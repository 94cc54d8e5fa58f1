#include "ui/ErrorText.h"

#include <QLabel>

#include <algorithm>
#include <cmath>

namespace ErrorText {

namespace {

constexpr int redHue = 0;
constexpr int saturation = 200;
constexpr int darkLightness = 95;   // the red to start from on light windows
constexpr int lightLightness = 185; // and on dark ones
constexpr int darkWindowBelow = 128;
constexpr double legibleContrast = 4.5; // for body text

double linear(double channel)
{
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double luminance(const QColor &color)
{
    return 0.2126 * linear(color.redF()) + 0.7152 * linear(color.greenF()) + 0.0722 * linear(color.blueF());
}

} // namespace

double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor color(const QPalette &palette)
{
    const QColor window = palette.color(QPalette::Active, QPalette::Window);
    const bool darkWindow = window.lightness() < darkWindowBelow;
    // From a plain red away from the window's lightness, until it reads well on it.
    const int step = darkWindow ? 5 : -5;
    int lightness = darkWindow ? lightLightness : darkLightness;
    QColor red = QColor::fromHsl(redHue, saturation, lightness);
    while (contrast(red, window) < legibleContrast && lightness + step >= 0 && lightness + step <= 255) {
        lightness += step;
        red = QColor::fromHsl(redHue, saturation, lightness);
    }
    return red;
}

void show(QLabel &label, bool isError)
{
    // Start from the inherited palette each time, so a theme change after an error still applies.
    QPalette palette = label.parentWidget() ? label.parentWidget()->palette() : QPalette();
    if (isError) {
        palette.setColor(QPalette::WindowText, color(palette));
    }
    label.setPalette(palette);
}

} // namespace ErrorText
