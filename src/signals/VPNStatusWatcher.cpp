#include "signals/VPNStatusWatcher.h"

#include <algorithm>
#include <utility>

VPNStatusWatcher::VPNStatusWatcher(std::unique_ptr<NetworkInterfaces> interfaces, QObject *parent)
    : VPNStatusSignals(parent), m_interfaces(std::move(interfaces))
{
    connect(m_interfaces.get(), &NetworkInterfaces::interfacesChanged, this, &VPNStatusWatcher::update);
}

VPNStatusWatcher::~VPNStatusWatcher() = default;

void VPNStatusWatcher::start()
{
    if (m_started) {
        return;
    }
    m_started = true;
    m_interfaces->start();
}

bool VPNStatusWatcher::isVPNInterface(const NetworkInterface &interface)
{
    // "utun" is what VPN clients on some other systems name their tunnels, and some Linux clients
    // copy it; the prefix is matched exactly as they write it.
    return interface.name.startsWith(QStringLiteral("utun"), Qt::CaseSensitive) || interface.isTunnel ||
           interface.carriesManagedVPN;
}

void VPNStatusWatcher::update(const QList<NetworkInterface> &available)
{
    m_isConnected = std::any_of(available.begin(), available.end(), &VPNStatusWatcher::isVPNInterface);
    Q_EMIT isConnectedChanged(m_isConnected);
}
