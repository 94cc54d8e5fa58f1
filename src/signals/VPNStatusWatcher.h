#pragma once

#include "signals/NetworkInterfaces.h"
#include "signals/SignalSources.h"

#include <memory>
#include <optional>

// Whether a VPN is connected, judged from the available network interfaces: one whose name starts
// with "utun", a tunnel of a kind VPN software makes, or a link that the system's network manager
// carries a VPN connection on. The value is absent until the interfaces are first reported, then
// assigned, and signalled, on every report, even when it is unchanged. Main thread only.
class VPNStatusWatcher : public VPNStatusSignals {
    Q_OBJECT
public:
    explicit VPNStatusWatcher(std::unique_ptr<NetworkInterfaces> interfaces, QObject *parent = nullptr);
    ~VPNStatusWatcher() override;

    // Starts the interface watch; later calls do nothing.
    void start();

    std::optional<bool> isConnected() const override { return m_isConnected; }

    // Whether this interface, being available, means a VPN is connected.
    static bool isVPNInterface(const NetworkInterface &interface);

private:
    void update(const QList<NetworkInterface> &available);

    std::unique_ptr<NetworkInterfaces> m_interfaces;
    std::optional<bool> m_isConnected;
    bool m_started = false;
};
