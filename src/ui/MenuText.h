#pragma once

#include <QString>

// Menus, buttons and group titles read "&" as the mark of a keyboard accelerator; a label that
// comes from data (a calendar's title) or from a presenter means it literally.
namespace MenuText {

inline QString literal(const QString &label)
{
    QString text = label;
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

} // namespace MenuText
