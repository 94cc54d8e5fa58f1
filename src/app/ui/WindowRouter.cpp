#include "app/ui/WindowRouter.h"

#include "ui/WindowHabits.h"

#include <utility>

WindowRouter::WindowRouter(QObject *parent) : QObject(parent) {}

WindowRouter::~WindowRouter()
{
    for (const QPointer<QWidget> &window : std::as_const(m_windows)) {
        delete window.data();
    }
}

void WindowRouter::registerWindow(const QString &id, Factory factory)
{
    m_factories.emplace(id, std::move(factory));
}

QWidget *WindowRouter::openWindow(const QString &id)
{
    QWidget *window = m_windows.value(id).data();
    if (!window) {
        const auto factory = m_factories.constFind(id);
        if (factory == m_factories.cend()) {
            return nullptr;
        }
        window = (*factory)();
        if (!window) {
            return nullptr;
        }
        window->setAttribute(Qt::WA_DeleteOnClose);
        WindowHabits::apply(window);
        m_windows.insert(id, window);
        Q_EMIT windowCreated(id, window);
    }
    // A tray application has no window of its own to come forward with: activating the window is
    // what brings the application to the front.
    window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

QWidget *WindowRouter::window(const QString &id) const
{
    return m_windows.value(id).data();
}
