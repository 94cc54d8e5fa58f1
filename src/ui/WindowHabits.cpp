#include "ui/WindowHabits.h"

#include <QKeyEvent>
#include <QLayout>
#include <QPushButton>
#include <QWidget>

#include <algorithm>

namespace {

// Sees the key presses the window's controls passed on to their window.
class KeyHabits : public QObject {
public:
    explicit KeyHabits(QWidget *window) : QObject(window), m_window(window) { window->installEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_window || event->type() != QEvent::KeyPress) {
            return false;
        }
        const auto *key = static_cast<QKeyEvent *>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if (key->key() == Qt::Key_Escape && modifiers == Qt::NoModifier) {
            m_window->close();
            return true;
        }
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && modifiers == Qt::NoModifier) {
            // Push buttons outside dialogs leave Return to their window; the focused one is meant.
            auto *button = qobject_cast<QPushButton *>(m_window->focusWidget());
            if (button && button->isEnabled() && button->isVisible()) {
                button->click();
                return true;
            }
        }
        return false;
    }

private:
    QWidget *m_window;
};

} // namespace

namespace WindowHabits {

void apply(QWidget *window)
{
    new KeyHabits(window);
}

} // namespace WindowHabits

void WindowHabits::fitToContent(QWidget *window, int minimumWidth)
{
    if (QLayout *layout = window->layout()) {
        layout->activate();
    }
    const bool hasSize = window->testAttribute(Qt::WA_Resized);
    const int width = hasSize ? std::max(minimumWidth, window->width()) : minimumWidth;
    const int wanted = window->hasHeightForWidth() ? window->heightForWidth(width) : window->sizeHint().height();
    const QSize target(width, hasSize ? std::max(wanted, window->height()) : wanted);
    if (target != window->size() || !hasSize) {
        window->resize(target);
    }
}
