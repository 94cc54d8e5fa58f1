#pragma once

#include <QColor>
#include <QPalette>

class QLabel;

// Error sentences in a red that stays legible with the desktop's colour scheme: its lightness is
// chosen against the palette's window colour (dark red on light windows, light red on dark ones),
// darkened or lightened until it has the contrast body text needs, so a dark theme never gets dark
// red on near-black. The sentences say the error in words too.
namespace ErrorText {

QColor color(const QPalette &palette);

// The contrast ratio of two colours as WCAG defines it: 1 (same) to 21 (black on white).
double contrast(const QColor &a, const QColor &b);

// Shows the label's text in the error colour, or in the palette's own text colour.
void show(QLabel &label, bool isError);

} // namespace ErrorText
