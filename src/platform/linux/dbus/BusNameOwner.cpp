#include "platform/linux/dbus/BusNameOwner.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>

namespace {
constexpr int callTimeoutMs = 5000;
}

BusNameOwner::BusNameOwner(QDBusConnection bus, const QString &name, QObject *parent) : QObject(parent)
{
    if (!bus.isConnected()) {
        return;
    }
    m_watcher = new QDBusServiceWatcher(name, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &, const QString &, const QString &newOwner) {
                m_ownerChangeSeen = true;
                Q_EMIT presenceChanged(!newOwner.isEmpty());
            });
    QDBusMessage hasOwner =
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                                       QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    hasOwner << name;
    auto *pending = new QDBusPendingCallWatcher(bus.asyncCall(hasOwner, callTimeoutMs), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        const QDBusMessage reply = call->reply();
        if (!m_ownerChangeSeen && !reply.arguments().isEmpty()) {
            Q_EMIT presenceChanged(reply.arguments().constFirst().toBool());
        }
    });
}
