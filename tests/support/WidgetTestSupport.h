#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QStringList>
#include <QWidget>

#include <initializer_list>

inline QStringList names(std::initializer_list<const char *> items)
{
    QStringList out;
    for (const char *item : items) {
        out.append(QString::fromUtf8(item));
    }
    return out;
}

// Sends a key press as the X11 and Wayland platforms deliver it: the evdev code plus 8 as the
// native scan code.
inline void pressLinux(QWidget *target, int key, quint32 evdev, Qt::KeyboardModifiers modifiers = {})
{
    QKeyEvent event(QEvent::KeyPress, key, modifiers, evdev + 8, 0, 0);
    QApplication::sendEvent(target, &event);
}
