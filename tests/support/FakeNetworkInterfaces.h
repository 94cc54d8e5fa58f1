#pragma once

#include "signals/NetworkInterfaces.h"

// A NetworkInterfaces whose lists the test sends with deliver().
class FakeNetworkInterfaces : public NetworkInterfaces {
public:
    using NetworkInterfaces::NetworkInterfaces;

    void start() override { ++startCount; }
    void deliver(const QList<NetworkInterface> &available) { Q_EMIT interfacesChanged(available); }

    int startCount = 0;
};
