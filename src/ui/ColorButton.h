#pragma once

#include <QColor>
#include <QColorDialog>
#include <QPointer>
#include <QPushButton>

// A push button showing a color swatch; clicking it (or Space/Enter while focused) opens a color
// dialog on the current color, without blocking the event loop. Confirming another color there sets
// it and emits colorPicked. The dialog is window-modal and deleted when it closes.
// The owner gives the button its accessible name; its description names the color.
class ColorButton : public QPushButton {
    Q_OBJECT
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged USER true)

public:
    explicit ColorButton(QWidget *parent = nullptr);
    explicit ColorButton(const QColor &color, QWidget *parent = nullptr);

    QColor color() const { return m_color; }
    // Shows the color; emits colorChanged when it differs from the current one (compared as
    // opaque-or-not 16-bit RGBA, so the same color in another colour model is no change). Never colorPicked.
    void setColor(const QColor &color);

    // The open dialog, or null.
    QColorDialog *dialog() const { return m_dialog.data(); }

    QSize sizeHint() const override;

    // The color in words for those who cannot see the swatch ("Red", "Dark Blue", "White"); the
    // button's accessible description.
    static QString colorName(const QColor &color);

Q_SIGNALS:
    // Any change of the color, by the user or by setColor.
    void colorChanged(const QColor &color);
    // The user confirmed a color in the dialog that differs from the current one; follows the
    // colorChanged of that change. Confirming the unchanged color emits nothing.
    void colorPicked(const QColor &color);
    // While the dialog is open: the color the user is trying, for a live preview; color() is
    // unchanged until they confirm.
    void colorPreviewed(const QColor &color);
    // The dialog was cancelled after a preview: color() is what the preview should return to.
    void previewCancelled();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void openDialog();

    QColor m_color;
    QPointer<QColorDialog> m_dialog;
    bool m_previewed = false; // the open dialog has shown a color other than color()
};
