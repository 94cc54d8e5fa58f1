#include "platform/linux/desktop/DesktopTrayPresence.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace {

const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString watcherPath = QStringLiteral("/StatusNotifierWatcher");
constexpr int busCallTimeoutMs = 1000;
constexpr int xembedPollMs = 3000;

// The X screen of $DISPLAY (":0.1" is screen 1), which names the tray selection.
int displayScreen()
{
    const QByteArray display = qgetenv("DISPLAY");
    const qsizetype colon = display.lastIndexOf(':');
    const qsizetype dot = display.lastIndexOf('.');
    if (colon < 0 || dot < colon) {
        return 0;
    }
    bool ok = false;
    const int screen = display.mid(dot + 1).toInt(&ok);
    return ok && screen >= 0 ? screen : 0;
}

} // namespace

DesktopTrayPresence::DesktopTrayPresence(QObject *parent) : TrayPresence(parent)
{
    m_poll.setInterval(xembedPollMs);
    connect(&m_poll, &QTimer::timeout, this, &DesktopTrayPresence::check);
}

DesktopTrayPresence::~DesktopTrayPresence() = default;

bool DesktopTrayPresence::hasStatusNotifierHost()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return false;
    }
    QDBusMessage get = QDBusMessage::createMethodCall(
        watcherService, watcherPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << watcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    get.setAutoStartService(false); // a tray host is looked for, never started
    const QDBusMessage reply = bus.call(get, QDBus::Block, busCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return false;
    }
    return reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
}

bool DesktopTrayPresence::hasXEmbedTray()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection) {
        return false;
    }
    const QByteArray selection = "_NET_SYSTEM_TRAY_S" + QByteArray::number(displayScreen());
    const xcb_intern_atom_cookie_t atomCookie =
        xcb_intern_atom(connection, 1, static_cast<std::uint16_t>(selection.size()), selection.constData());
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(connection, atomCookie, nullptr), &std::free);
    if (!atom || atom->atom == XCB_ATOM_NONE) {
        return false; // nobody ever made the atom, so nobody owns it
    }
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom), nullptr),
        &std::free);
    return owner && owner->owner != XCB_WINDOW_NONE;
}

bool DesktopTrayPresence::isTrayAvailable()
{
    return hasStatusNotifierHost() || hasXEmbedTray();
}

void DesktopTrayPresence::watch()
{
    if (m_watching) {
        return;
    }
    m_watching = true;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        m_serviceWatcher =
            new QDBusServiceWatcher(watcherService, bus, QDBusServiceWatcher::WatchForRegistration, this);
        connect(m_serviceWatcher, &QDBusServiceWatcher::serviceRegistered, this, &DesktopTrayPresence::check);
        bus.connect(QString(), watcherPath, watcherService, QStringLiteral("StatusNotifierHostRegistered"), this,
                    SLOT(check()));
    }
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        m_poll.start();
    }
}

void DesktopTrayPresence::check()
{
    if (!m_watching || !isTrayAvailable()) {
        return;
    }
    m_watching = false;
    m_poll.stop();
    if (m_serviceWatcher) {
        QDBusConnection::sessionBus().disconnect(QString(), watcherPath, watcherService,
                                                 QStringLiteral("StatusNotifierHostRegistered"), this, SLOT(check()));
        m_serviceWatcher->deleteLater();
        m_serviceWatcher = nullptr;
    }
    Q_EMIT trayAppeared();
}
