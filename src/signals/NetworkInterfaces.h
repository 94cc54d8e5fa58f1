#pragma once

#include <QList>
#include <QObject>
#include <QString>

// One network interface that is available: administratively up and able to carry traffic.
struct NetworkInterface {
    QString name;
    // A layer-3 tunnel of a kind that VPN software makes and little else does: a userspace tunnel,
    // WireGuard, a route-based IPsec link. Layer-2 devices (taps, bridges, Ethernet) never are,
    // since virtual machines and containers use those too; nor are links that carry a VPN only
    // sometimes (PPP, which DSL lines and modems use as well).
    bool isTunnel = false;
    // The system's network manager carries one of its active VPN connections on this link: the
    // VPN's own link (a PPP link of a dial-up VPN) or the one it runs over.
    bool carriesManagedVPN = false;

    friend bool operator==(const NetworkInterface &, const NetworkInterface &) = default;
};

// The machine's network interfaces, as the list of the available ones. Reports on the main thread.
class NetworkInterfaces : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts watching; the first list follows from the event loop once the interfaces are known,
    // and another after every change. Called once. A backend that cannot watch reports nothing.
    virtual void start() = 0;

Q_SIGNALS:
    // The complete list of available interfaces. Sent after every change that may matter to a
    // reader, including changes of addresses, so a list may equal the previous one.
    void interfacesChanged(const QList<NetworkInterface> &available);
};
