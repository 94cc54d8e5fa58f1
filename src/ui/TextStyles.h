#pragma once

#include <QFont>

// Type sizes relative to body text, as the platform's text styles scale them.
namespace TextStyles {

inline constexpr double titleScale = 22.0 / 13.0;
inline constexpr double captionScale = 10.0 / 13.0;

inline QFont scaled(QFont font, double factor)
{
    font.setPointSizeF(font.pointSizeF() * factor);
    return font;
}

} // namespace TextStyles
