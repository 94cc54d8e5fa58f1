#include "platform/linux/desktop/DBusDesktopState.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QLoggingCategory>

namespace {
// Off unless enabled through QT_LOGGING_RULES: the application keeps no log.
Q_LOGGING_CATEGORY(lcDesktop, "kestrix.signals.desktop", QtCriticalMsg)

const QString busService = QStringLiteral("org.freedesktop.DBus");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
constexpr int callTimeoutMs = 5000;

QDBusMessage call(const QString &service, const QString &path, const QString &interface, const QString &method)
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    // Asking must never start the service.
    message.setAutoStartService(false);
    return message;
}
} // namespace

DBusDesktopState::DBusDesktopState(QDBusConnection bus, Endpoint endpoint, QObject *parent)
    : DesktopStateSource(parent), m_bus(std::move(bus)), m_endpoint(std::move(endpoint))
{}

DBusDesktopState::~DBusDesktopState()
{
    unfollow();
}

void DBusDesktopState::start()
{
    if (m_started || !m_bus.isConnected()) {
        return;
    }
    m_started = true;
    m_watcher =
        std::make_unique<QDBusServiceWatcher>(m_endpoint.service, m_bus, QDBusServiceWatcher::WatchForOwnerChange);
    connect(m_watcher.get(), &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &, const QString &, const QString &newOwner) { onOwnerChanged(newOwner); });
    QDBusMessage hasOwner = QDBusMessage::createMethodCall(busService, QStringLiteral("/org/freedesktop/DBus"),
                                                           busService, QStringLiteral("NameHasOwner"));
    hasOwner << m_endpoint.service;
    const quint64 generation = m_generation;
    send(hasOwner, [this, generation](const QDBusMessage &reply) {
        if (generation == m_generation && !reply.arguments().isEmpty() && reply.arguments().constFirst().toBool()) {
            appeared();
        }
    });
}

void DBusDesktopState::send(const QDBusMessage &message, std::function<void(const QDBusMessage &)> onReply)
{
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message, callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [watcher, onReply = std::move(onReply)](QDBusPendingCallWatcher *) {
                watcher->deleteLater();
                const QDBusMessage reply = watcher->reply();
                if (reply.type() == QDBusMessage::ErrorMessage) {
                    qCDebug(lcDesktop) << "D-Bus call failed:" << reply.errorName() << reply.errorMessage();
                }
                onReply(reply);
            });
}

void DBusDesktopState::onOwnerChanged(const QString &newOwner)
{
    ++m_generation;
    unfollow();
    setState(std::nullopt);
    if (!newOwner.isEmpty()) {
        appeared();
    }
}

void DBusDesktopState::appeared()
{
    if (!m_endpoint.path.isEmpty()) {
        follow(m_endpoint.path);
        return;
    }
    if (!m_endpoint.locate) {
        return;
    }
    const quint64 generation = m_generation;
    send(m_endpoint.locate(), [this, generation](const QDBusMessage &reply) {
        if (generation != m_generation || reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            return;
        }
        const QString path = reply.arguments().constFirst().value<QDBusObjectPath>().path();
        if (!path.isEmpty()) {
            follow(path);
        }
    });
}

void DBusDesktopState::follow(const QString &path)
{
    unfollow();
    m_followedPath = path;
    if (m_endpoint.property.isEmpty()) {
        m_bus.connect(m_endpoint.service, path, m_endpoint.interface, m_endpoint.changedSignal, this,
                      SLOT(onStateSignal(bool)));
    } else {
        m_bus.connect(m_endpoint.service, path, propertiesInterface, QStringLiteral("PropertiesChanged"), this,
                      SLOT(onPropertiesChanged(QString, QVariantMap, QStringList)));
    }
    read();
}

void DBusDesktopState::unfollow()
{
    if (m_followedPath.isEmpty()) {
        return;
    }
    if (m_endpoint.property.isEmpty()) {
        m_bus.disconnect(m_endpoint.service, m_followedPath, m_endpoint.interface, m_endpoint.changedSignal, this,
                         SLOT(onStateSignal(bool)));
    } else {
        m_bus.disconnect(m_endpoint.service, m_followedPath, propertiesInterface, QStringLiteral("PropertiesChanged"),
                         this, SLOT(onPropertiesChanged(QString, QVariantMap, QStringList)));
    }
    m_followedPath.clear();
}

void DBusDesktopState::read()
{
    QDBusMessage message;
    if (m_endpoint.property.isEmpty()) {
        message = call(m_endpoint.service, m_followedPath, m_endpoint.interface, m_endpoint.getter);
    } else {
        message = call(m_endpoint.service, m_followedPath, propertiesInterface, QStringLiteral("Get"));
        message << m_endpoint.interface << m_endpoint.property;
    }
    const quint64 generation = m_generation;
    send(message, [this, generation](const QDBusMessage &reply) {
        if (generation != m_generation) {
            return;
        }
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            // A service without this state (a notification server without Inhibited) cannot tell.
            setState(std::nullopt);
            return;
        }
        QVariant value = reply.arguments().constFirst();
        if (value.canConvert<QDBusVariant>()) {
            value = value.value<QDBusVariant>().variant();
        }
        if (value.typeId() == QMetaType::Bool) {
            setState(value.toBool());
        } else {
            setState(std::nullopt);
        }
    });
}

void DBusDesktopState::onPropertiesChanged(const QString &interface, const QVariantMap &changed,
                                           const QStringList &invalidated)
{
    if (interface != m_endpoint.interface) {
        return;
    }
    const auto value = changed.constFind(m_endpoint.property);
    if (value != changed.constEnd() && value->typeId() == QMetaType::Bool) {
        ++m_generation;
        setState(value->toBool());
    } else if (invalidated.contains(m_endpoint.property)) {
        ++m_generation;
        read();
    }
}

void DBusDesktopState::onStateSignal(bool state)
{
    ++m_generation;
    setState(state);
}

void DBusDesktopState::setState(std::optional<bool> state)
{
    if (state == m_state) {
        return;
    }
    m_state = state;
    qCInfo(lcDesktop) << m_endpoint.service << (state ? (*state ? "on" : "off") : "unknown");
    Q_EMIT stateChanged(state);
}

std::unique_ptr<DesktopStateSource> DBusDesktopState::logindLockedHint(QDBusConnection systemBus)
{
    Endpoint endpoint;
    endpoint.service = QStringLiteral("org.freedesktop.login1");
    endpoint.interface = QStringLiteral("org.freedesktop.login1.Session");
    endpoint.property = QStringLiteral("LockedHint");
    endpoint.locate = [] {
        QString session = qEnvironmentVariable("XDG_SESSION_ID");
        if (session.isEmpty()) {
            session = QStringLiteral("auto");
        }
        QDBusMessage message = call(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                                    QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("GetSession"));
        message << session;
        return message;
    };
    return std::make_unique<DBusDesktopState>(std::move(systemBus), std::move(endpoint));
}

std::unique_ptr<DesktopStateSource> DBusDesktopState::screenSaverActive(QDBusConnection sessionBus,
                                                                        const QString &service)
{
    Endpoint endpoint;
    endpoint.service = service;
    endpoint.path = QLatin1Char('/') + QString(service).replace(QLatin1Char('.'), QLatin1Char('/'));
    endpoint.interface = service;
    endpoint.getter = QStringLiteral("GetActive");
    endpoint.changedSignal = QStringLiteral("ActiveChanged");
    return std::make_unique<DBusDesktopState>(std::move(sessionBus), std::move(endpoint));
}

std::unique_ptr<DesktopStateSource> DBusDesktopState::notificationsInhibited(QDBusConnection sessionBus)
{
    Endpoint endpoint;
    endpoint.service = QStringLiteral("org.freedesktop.Notifications");
    endpoint.path = QStringLiteral("/org/freedesktop/Notifications");
    endpoint.interface = QStringLiteral("org.freedesktop.Notifications");
    endpoint.property = QStringLiteral("Inhibited");
    return std::make_unique<DBusDesktopState>(std::move(sessionBus), std::move(endpoint));
}
