#include "app/ui/WindowRouter.h"

#include "ui/WindowHabits.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>

#include <algorithm>
#include <utility>

namespace {

// The application's own top-level widgets are windows to screen readers (Qt calls a plain
// top-level QWidget a client area, which readers do not present as a window with a title). Qt's
// own windows (dialogs, menus, tooltips) keep theirs.
QAccessibleInterface *windowFactory(const QString &className, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget || !widget->isWindow() || widget->parentWidget() ||
        className != QLatin1String(object->metaObject()->className()) || className.startsWith(QLatin1Char('Q'))) {
        return nullptr;
    }
    return new QAccessibleWidget(widget, QAccessible::Window);
}

} // namespace

WindowRouter::WindowRouter(QObject *parent) : QObject(parent)
{
    // Before any window exists, so that none is met as anything else.
    static const bool installed = [] {
        QAccessible::installFactory(windowFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

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
        window->installEventFilter(this);
        m_windows.insert(id, window);
        Q_EMIT windowCreated(id, window);
    }
    // A tray application has no window of its own to come forward with: activating the window is
    // what brings the application to the front.
    markRecent(id);
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

QWidget *WindowRouter::raiseRecentWindow()
{
    const auto recent =
        std::find_if(m_recent.cbegin(), m_recent.cend(), [this](const QString &id) { return window(id) != nullptr; });
    return recent == m_recent.cend() ? nullptr : openWindow(*recent);
}

bool WindowRouter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::WindowActivate) {
        for (auto it = m_windows.cbegin(); it != m_windows.cend(); ++it) {
            if (it.value() == watched) {
                markRecent(it.key());
                break;
            }
        }
    }
    return false;
}

void WindowRouter::markRecent(const QString &id)
{
    // Moved, never removed and added again: `id` may be one of the list's own.
    const qsizetype at = m_recent.indexOf(id);
    if (at < 0) {
        m_recent.prepend(id);
    } else {
        m_recent.move(at, 0);
    }
}
