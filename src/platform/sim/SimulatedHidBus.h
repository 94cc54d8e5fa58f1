#pragma once

#include "platform/HidBus.h"
#include "platform/sim/SimulatedDorvel.h"

#include <QPointer>

#include <map>
#include <memory>

// An in-process HID bus for tests and demos: simulated devices are plugged in and pulled out by
// calls, and their replies arrive from the event loop after the device's latency, as from a real
// device.
class SimulatedHidBus : public HidBus {
    Q_OBJECT
public:
    using PlugId = int;

    using HidBus::HidBus;
    ~SimulatedHidBus() override;

    void start(const HidMatching &matching) override;
    bool hasStarted() const { return m_started; }
    int startCount() const { return m_startCount; }

    // Attaches a device (which must outlive its attachment). The ids default to the Dorvel's;
    // other ids simulate foreign HID devices. Reported from the event loop once started.
    PlugId plug(SimulatedDorvel &device, std::optional<LocationID> location,
                HidDeviceInfo ids = {0x1209, 0x0001, 0xFF60, 0x61, {}, {}});
    // Attaches a device whose node this user may not open: it is counted, never connected.
    PlugId plugWithoutPermission(SimulatedDorvel &device, std::optional<LocationID> location);
    // Detaches a device: its removal is reported at once and replies still in flight are lost.
    void unplug(PlugId id);
    void unplugAll();

    // The connection of an attached device, null when unplugged or not matched.
    HidConnection *connection(PlugId id) const;

private:
    class Connection;
    struct Attachment {
        SimulatedDorvel *device = nullptr;
        HidDeviceInfo info;
        QPointer<Connection> connection;
        bool accessible = true;
    };
    void announce(PlugId id);
    void updateInaccessibleCount();

    bool m_started = false;
    int m_startCount = 0;
    HidMatching m_matching;
    PlugId m_nextId = 1;
    int m_inaccessibleCount = 0;
    std::map<PlugId, Attachment> m_attachments;
};
