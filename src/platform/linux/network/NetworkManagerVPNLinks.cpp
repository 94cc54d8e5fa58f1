#include "platform/linux/network/NetworkManagerVPNLinks.h"

#include "platform/linux/dbus/BusNameOwner.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QLoggingCategory>

#include <map>

namespace {
// Off unless enabled through QT_LOGGING_RULES: the application keeps no log.
Q_LOGGING_CATEGORY(lcNetworkManager, "kestrix.signals.vpn.networkmanager", QtCriticalMsg)

const QString service = QStringLiteral("org.freedesktop.NetworkManager");
const QString managerInterface = QStringLiteral("org.freedesktop.NetworkManager");
const QString activeInterface = QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
const QString deviceInterface = QStringLiteral("org.freedesktop.NetworkManager.Device");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
constexpr uint activatedState = 2; // NM_ACTIVE_CONNECTION_STATE_ACTIVATED
constexpr int callTimeoutMs = 5000;

using Interfaces = QMap<QString, QVariantMap>; // interface name -> its properties

// A property holding object paths ("ao"), as Qt hands it over: demarshalled or not yet.
QList<QDBusObjectPath> objectPaths(const QVariant &value)
{
    if (value.metaType() == QMetaType::fromType<QList<QDBusObjectPath>>()) {
        return value.value<QList<QDBusObjectPath>>();
    }
    QList<QDBusObjectPath> paths;
    if (value.metaType() == QMetaType::fromType<QDBusArgument>()) {
        const auto argument = value.value<QDBusArgument>();
        if (argument.currentSignature() == QLatin1String("ao")) {
            argument >> paths;
        }
    }
    return paths;
}

// The links of the activated VPN connections in an answer to GetManagedObjects; none when the
// answer is not one.
QSet<QString> vpnLinksOf(const QDBusMessage &reply)
{
    QSet<QString> links;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty() ||
        reply.arguments().constFirst().metaType() != QMetaType::fromType<QDBusArgument>()) {
        return links;
    }
    const auto argument = reply.arguments().constFirst().value<QDBusArgument>();
    if (argument.currentSignature() != QLatin1String("a{oa{sa{sv}}}")) {
        return links;
    }
    std::map<QString, Interfaces> objects;
    argument.beginMap();
    while (!argument.atEnd()) {
        QDBusObjectPath path;
        Interfaces interfaces;
        argument.beginMapEntry();
        argument >> path >> interfaces;
        argument.endMapEntry();
        objects.emplace(path.path(), std::move(interfaces));
    }
    argument.endMap();

    for (const auto &[path, interfaces] : objects) {
        const QVariantMap active = interfaces.value(activeInterface);
        const QString type = active.value(QStringLiteral("Type")).toString();
        const bool vpn = active.value(QStringLiteral("Vpn")).toBool() || type == QLatin1String("vpn") ||
                         type == QLatin1String("wireguard");
        if (!vpn || active.value(QStringLiteral("State")).toUInt() != activatedState) {
            continue;
        }
        for (const QDBusObjectPath &device : objectPaths(active.value(QStringLiteral("Devices")))) {
            const auto found = objects.find(device.path());
            if (found == objects.end()) {
                continue;
            }
            const QVariantMap properties = found->second.value(deviceInterface);
            for (const QString &key : {QStringLiteral("Interface"), QStringLiteral("IpInterface")}) {
                const QString name = properties.value(key).toString();
                if (!name.isEmpty()) {
                    links.insert(name);
                }
            }
        }
    }
    return links;
}
} // namespace

NetworkManagerVPNLinks::NetworkManagerVPNLinks(std::unique_ptr<NetworkInterfaces> links, QDBusConnection systemBus,
                                               QObject *parent)
    : NetworkInterfaces(parent), m_links(std::move(links)), m_bus(std::move(systemBus))
{
    connect(m_links.get(), &NetworkInterfaces::interfacesChanged, this, [this](const QList<NetworkInterface> &list) {
        m_latest = list;
        report();
    });
    m_readSoon.setSingleShot(true);
    m_readSoon.setInterval(0);
    connect(&m_readSoon, &QTimer::timeout, this, &NetworkManagerVPNLinks::read);
}

NetworkManagerVPNLinks::~NetworkManagerVPNLinks() = default;

void NetworkManagerVPNLinks::start()
{
    if (m_started) {
        return;
    }
    m_started = true;
    m_links->start();
    if (!m_bus.isConnected()) {
        return;
    }
    // Only what changes the active connections: the manager's list of them, and each one's own
    // properties (its state above all). Matched by the bus on the interface argument, so that the
    // chatter of access points and statistics never reaches the process.
    const QString signature = QStringLiteral("sa{sv}as");
    const char *slot = SLOT(onPropertiesChanged(QString, QVariantMap, QStringList));
    m_bus.connect(service, QStringLiteral("/org/freedesktop/NetworkManager"), propertiesInterface,
                  QStringLiteral("PropertiesChanged"), {managerInterface}, signature, this, slot);
    m_bus.connect(service, QString(), propertiesInterface, QStringLiteral("PropertiesChanged"), {activeInterface},
                  signature, this, slot);

    m_owner = std::make_unique<BusNameOwner>(m_bus, service);
    connect(m_owner.get(), &BusNameOwner::presenceChanged, this, &NetworkManagerVPNLinks::setPresent);
}

void NetworkManagerVPNLinks::onPropertiesChanged(const QString &interface, const QVariantMap &changed,
                                                 const QStringList &invalidated)
{
    if (interface == activeInterface || changed.contains(QStringLiteral("ActiveConnections")) ||
        invalidated.contains(QStringLiteral("ActiveConnections"))) {
        m_readSoon.start();
    }
}

void NetworkManagerVPNLinks::setPresent(bool present)
{
    ++m_generation;
    m_present = present;
    qCInfo(lcNetworkManager) << (present ? "NetworkManager is there" : "NetworkManager is gone");
    setVPNLinks({});
    if (present) {
        read();
    }
}

void NetworkManagerVPNLinks::read()
{
    if (!m_present) {
        return;
    }
    QDBusMessage message = QDBusMessage::createMethodCall(service, QStringLiteral("/org/freedesktop"),
                                                          QStringLiteral("org.freedesktop.DBus.ObjectManager"),
                                                          QStringLiteral("GetManagedObjects"));
    // Asking must never start the service.
    message.setAutoStartService(false);
    auto *pending = new QDBusPendingCallWatcher(m_bus.asyncCall(message, callTimeoutMs), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, pending, generation = ++m_generation](QDBusPendingCallWatcher *) {
                pending->deleteLater();
                if (generation != m_generation) {
                    return;
                }
                const QDBusMessage reply = pending->reply();
                if (reply.type() == QDBusMessage::ErrorMessage) {
                    qCDebug(lcNetworkManager) << "cannot read NetworkManager's connections:" << reply.errorMessage();
                }
                setVPNLinks(vpnLinksOf(reply));
            });
}

void NetworkManagerVPNLinks::setVPNLinks(const QSet<QString> &links)
{
    if (links == m_vpnLinks) {
        return;
    }
    m_vpnLinks = links;
    qCInfo(lcNetworkManager) << "links of VPN connections:" << QStringList(links.begin(), links.end());
    report();
}

void NetworkManagerVPNLinks::report()
{
    if (!m_latest) {
        return;
    }
    QList<NetworkInterface> list = *m_latest;
    for (NetworkInterface &interface : list) {
        interface.carriesManagedVPN = m_vpnLinks.contains(interface.name);
    }
    Q_EMIT interfacesChanged(list);
}
