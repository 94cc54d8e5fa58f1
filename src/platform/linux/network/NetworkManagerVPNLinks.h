#pragma once

#include "signals/NetworkInterfaces.h"

#include <QDBusConnection>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

#include <memory>
#include <optional>

class QDBusMessage;
class BusNameOwner;

// Another backend's interface lists, with the links that NetworkManager carries its active VPN
// connections on marked (`carriesManagedVPN`): the kernel cannot tell the PPP link of a VPN from
// that of a DSL line, the network manager that made it can. An active connection counts when it is
// activated and is a VPN (its Vpn flag, or type "vpn" or "wireguard"); its links are the Interface
// and IpInterface of its Devices.
//
// NetworkManager is only observed, never started: nothing is sent to it before the system bus has
// said that its name has an owner, and every call carries the no-auto-start flag. Its view is read
// in one call (GetManagedObjects) when it appears and after each change of its active connections;
// while it is away, or its answer cannot be read, no link is marked. Main thread only.
class NetworkManagerVPNLinks : public NetworkInterfaces {
    Q_OBJECT
public:
    NetworkManagerVPNLinks(std::unique_ptr<NetworkInterfaces> links, QDBusConnection systemBus,
                           QObject *parent = nullptr);
    ~NetworkManagerVPNLinks() override;

    // Starts the other backend and the observation; later calls do nothing.
    void start() override;

private Q_SLOTS:
    void onPropertiesChanged(const QString &interface, const QVariantMap &changed, const QStringList &invalidated);

private:
    void setPresent(bool present);
    void read();
    void setVPNLinks(const QSet<QString> &links);
    void report();

    std::unique_ptr<NetworkInterfaces> m_links;
    QDBusConnection m_bus;
    std::unique_ptr<BusNameOwner> m_owner;
    std::optional<QList<NetworkInterface>> m_latest; // the other backend's last list
    QSet<QString> m_vpnLinks;
    QTimer m_readSoon; // one read for a burst of changes
    // Bumped by every read and owner change: only the answer to the latest read counts.
    quint64 m_generation = 0;
    bool m_present = false;
    bool m_started = false;
};
