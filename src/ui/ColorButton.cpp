#include "ui/ColorButton.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QPainter>
#include <QStyleOptionButton>

#include <utility>

namespace {

constexpr int swatchInset = 5;

bool sameColor(const QColor &a, const QColor &b)
{
    if (a.isValid() != b.isValid()) {
        return false;
    }
    return !a.isValid() || a.rgba64() == b.rgba64();
}

} // namespace

ColorButton::ColorButton(QWidget *parent) : ColorButton(QColor(Qt::white), parent) {}

ColorButton::ColorButton(const QColor &color, QWidget *parent) : QPushButton(parent), m_color(color)
{
    setAccessibleDescription(colorName(m_color));
    connect(this, &QPushButton::clicked, this, &ColorButton::openDialog);
}

void ColorButton::setColor(const QColor &color)
{
    if (sameColor(color, m_color)) {
        return;
    }
    m_color = color;
    setAccessibleDescription(colorName(m_color));
    update();
    Q_EMIT colorChanged(m_color);
}

QString ColorButton::colorName(const QColor &color)
{
    if (!color.isValid()) {
        return QCoreApplication::translate("ColorButton", "No color");
    }
    const QColor hsv = color.toHsv();
    constexpr int black = 40;
    constexpr int gray = 40;
    constexpr int white = 215;
    constexpr int dark = 128;
    if (hsv.value() < black) {
        return QCoreApplication::translate("ColorButton", "Black");
    }
    if (hsv.hsvSaturation() < gray) {
        return hsv.value() > white ? QCoreApplication::translate("ColorButton", "White")
                                   : QCoreApplication::translate("ColorButton", "Gray");
    }
    // Upper hue bounds (degrees) of the names of the color wheel, each with its dark shade (named
    // as one word pair so that languages can inflect it).
    struct Band {
        int below;
        const char *name;
        const char *darkName;
    };
    static constexpr Band bands[] = {
        {15, QT_TRANSLATE_NOOP("ColorButton", "Red"), QT_TRANSLATE_NOOP("ColorButton", "Dark Red")},
        {45, QT_TRANSLATE_NOOP("ColorButton", "Orange"), QT_TRANSLATE_NOOP("ColorButton", "Dark Orange")},
        {70, QT_TRANSLATE_NOOP("ColorButton", "Yellow"), QT_TRANSLATE_NOOP("ColorButton", "Dark Yellow")},
        {160, QT_TRANSLATE_NOOP("ColorButton", "Green"), QT_TRANSLATE_NOOP("ColorButton", "Dark Green")},
        {200, QT_TRANSLATE_NOOP("ColorButton", "Cyan"), QT_TRANSLATE_NOOP("ColorButton", "Dark Cyan")},
        {260, QT_TRANSLATE_NOOP("ColorButton", "Blue"), QT_TRANSLATE_NOOP("ColorButton", "Dark Blue")},
        {290, QT_TRANSLATE_NOOP("ColorButton", "Purple"), QT_TRANSLATE_NOOP("ColorButton", "Dark Purple")},
        {335, QT_TRANSLATE_NOOP("ColorButton", "Pink"), QT_TRANSLATE_NOOP("ColorButton", "Dark Pink")},
        {361, QT_TRANSLATE_NOOP("ColorButton", "Red"), QT_TRANSLATE_NOOP("ColorButton", "Dark Red")},
    };
    for (const Band &band : bands) {
        if (hsv.hsvHue() < band.below) {
            return QCoreApplication::translate("ColorButton", hsv.value() < dark ? band.darkName : band.name);
        }
    }
    return {};
}

QSize ColorButton::sizeHint() const
{
    const QSize text = fontMetrics().size(Qt::TextSingleLine, QStringLiteral("MMMM"));
    QStyleOptionButton option;
    initStyleOption(&option);
    return style()->sizeFromContents(QStyle::CT_PushButton, &option, text, this);
}

void ColorButton::paintEvent(QPaintEvent *event)
{
    QPushButton::paintEvent(event);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QRect contents = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    const QRect swatch = contents.adjusted(swatchInset - 2, swatchInset - 2, 2 - swatchInset, 2 - swatchInset);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Mid), 1));
    // Disabled, a known colour stays recognisable, faded halfway into the button like the greyed
    // text around it; no colour shows the button's own.
    const QColor button = palette().color(QPalette::Disabled, QPalette::Button);
    QColor fill = m_color.isValid() ? m_color : button;
    fill.setAlpha(255);
    if (!isEnabled() && m_color.isValid()) {
        fill = QColor::fromRgbF((fill.redF() + button.redF()) / 2, (fill.greenF() + button.greenF()) / 2,
                                (fill.blueF() + button.blueF()) / 2);
    }
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(swatch).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
}

void ColorButton::openDialog()
{
    if (m_dialog) {
        m_dialog->raise();
        m_dialog->activateWindow();
        return;
    }
    auto *dialog = new QColorDialog(m_color.isValid() ? m_color : QColor(Qt::white), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    if (!accessibleName().isEmpty()) {
        dialog->setWindowTitle(accessibleName());
    }
    connect(dialog, &QColorDialog::colorSelected, this, [this](const QColor &picked) {
        if (!picked.isValid() || sameColor(picked, m_color)) {
            return;
        }
        setColor(picked);
        Q_EMIT colorPicked(m_color);
    });
    connect(dialog, &QColorDialog::currentColorChanged, this, [this](const QColor &trying) {
        if (trying.isValid()) {
            m_previewed = true;
            Q_EMIT colorPreviewed(trying);
        }
    });
    connect(dialog, &QColorDialog::rejected, this, [this] {
        if (std::exchange(m_previewed, false)) {
            Q_EMIT previewCancelled();
        }
    });
    connect(dialog, &QColorDialog::accepted, this, [this] { m_previewed = false; });
    m_previewed = false;
    m_dialog = dialog;
    // open() is window-modal and returns at once; exec() would run a nested event loop.
    dialog->open();
}
