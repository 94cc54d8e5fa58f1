#pragma once

#include "device/HidBus.h"
#include "platform/sim/SimulatedDorvel.h"

#include <QPointer>

#include <map>
#include <memory>

// An in-process HID bus for tests and demos: simulated devices are plugged in and pulled out by
// calls, and their replies arrive from the event loop after the device's latency, as from a real
// device. A device that reboots is pulled out right after its reply and plugged in again under a
// new plug id when its delay is over.
class SimulatedHidBus : public HidBus, public SimulatedDeviceHost {
    Q_OBJECT
public:
    using PlugId = int;

    using HidBus::HidBus;
    ~SimulatedHidBus() override;

    void requestReplug(SimulatedDorvel &device, std::optional<Replug> back) override;
    void forgetDevice(SimulatedDorvel &device) override;

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
    // Detaches every device; those on their way back from a reboot stay out.
    void unplugAll();

    // The connection of an attached device, null when unplugged or not matched.
    HidConnection *connection(PlugId id) const;

    // Replies wait out their device's latency on the clock, blocking the thread, instead of on a
    // timer: exact to the microsecond. For benchmarks that measure what the application adds to a
    // device's round trip, which a timer's wake-up delay (tens of microseconds on a loaded machine)
    // would drown; the application is waiting for the reply meanwhile anyway. Off by default.
    void setExactLatency(bool exact) { m_exactLatency = exact; }

private:
    class Connection;
    struct Attachment {
        SimulatedDorvel *device = nullptr;
        HidDeviceInfo info;
        QPointer<Connection> connection;
        bool accessible = true;
    };
    struct ReplugRequest {
        SimulatedDorvel *device = nullptr;
        std::optional<Replug> back;
    };
    struct Returning {
        SimulatedDorvel *device = nullptr;
        HidDeviceInfo info;
        bool accessible = true;
    };
    void announce(PlugId id);
    void updateInaccessibleCount();
    std::optional<ReplugRequest> takeReplugRequest(const SimulatedDorvel &device);
    void carryOutReplug(PlugId id, std::optional<Replug> back);
    void plugBack(int returnId);
    void releaseHost(SimulatedDorvel *device);

    bool m_started = false;
    bool m_exactLatency = false;
    int m_startCount = 0;
    HidMatching m_matching;
    PlugId m_nextId = 1;
    int m_inaccessibleCount = 0;
    std::map<PlugId, Attachment> m_attachments;
    std::optional<ReplugRequest> m_replugRequest; // made during the write being handled
    int m_nextReturnId = 1;
    std::map<int, Returning> m_returning;
};
