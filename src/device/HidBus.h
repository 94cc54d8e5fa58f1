#pragma once

#include "device/Bytes.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>

// A USB location ("LocationID"): bus number in the top byte, then one nibble per hub port.
using LocationID = std::uint32_t;

// What a HID bus reports about one device interface.
struct HidDeviceInfo {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t usagePage = 0; // of the interface's top-level collection
    std::uint16_t usage = 0;
    std::optional<LocationID> locationId; // absent when the port path cannot be read
    QString name;                         // node path or bus entry, for diagnostics only

    friend bool operator==(const HidDeviceInfo &, const HidDeviceInfo &) = default;
};

// The criteria a bus uses to pick the device interfaces it reports.
struct HidMatching {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;

    bool matches(const HidDeviceInfo &info) const
    {
        return info.vendorId == vendorId && info.productId == productId && info.usagePage == usagePage &&
               info.usage == usage;
    }
};

// One opened device interface. Owned by its bus, which deletes it (later) after reporting its
// removal; holders keep a QPointer. Lives on the main thread and reports there.
class HidConnection : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual const HidDeviceInfo &info() const = 0;

    // Writes one output report with report ID 0: the device's 32-byte report, the given bytes
    // zero-filled or cut to 32. False when the write failed; callers that wait for a reply see a
    // failed write only as a missing reply.
    virtual bool writeReport(ByteView report) = 0;

Q_SIGNALS:
    // One input report, as many bytes as the device sent. The view is valid during the call only,
    // so connect directly (same thread); the span is not meant for queued delivery.
    void inputReport(ByteView bytes);
};

// The HID devices of the machine, filtered by matching criteria. Reports on the main thread.
class HidBus : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts watching; devices already present are reported from the event loop soon after.
    // Called once.
    virtual void start(const HidMatching &matching) = 0;

Q_SIGNALS:
    // A matching device appeared and was opened. The connection stays valid until deviceRemoved.
    void deviceMatched(HidConnection *connection);
    // The device went away; the connection is deleted once control returns to the event loop.
    void deviceRemoved(HidConnection *connection);
    // How many matching devices are present but could not be opened (no permission on the node).
    void inaccessibleDeviceCountChanged(int count);
};
