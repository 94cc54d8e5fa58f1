#pragma once

#include "device/HidBus.h"

#include <QPointer>
#include <QSocketNotifier>

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

struct udev;
struct udev_device;
struct udev_monitor;
class HidrawConnection;

// The machine's HID interfaces as Linux hidraw nodes, found with libudev and followed through its
// event monitor (no polling). A node is reported when the vendor and product of its HID device
// and the top-level usage of its report descriptor match; its location is the port path of the
// USB device above it.
//
// Ownership: the bus owns every HidrawConnection it opens (they are its QObject children). It
// reports a connection's removal once, whether udev said so or the node failed, and then deletes
// it with deleteLater. Main thread only.
class HidrawBus : public HidBus {
    Q_OBJECT
public:
    explicit HidrawBus(QObject *parent = nullptr);
    ~HidrawBus() override;

    // Begins listening to udev at once, then reports the nodes already present from the event
    // loop, so that no device plugged in between is missed.
    void start(const HidMatching &matching) override;

    // Matching nodes present that could not be opened for lack of permission.
    int inaccessibleDeviceCount() const { return static_cast<int>(m_inaccessible.size()); }

private:
    // Describes a hidraw device from its HID parent (ids, report descriptor) and its USB device
    // ancestor (location); absent when the device has no HID parent or its descriptor cannot be
    // read or parsed.
    static std::optional<HidDeviceInfo> describe(udev_device *hidraw);

    struct UdevDeleter {
        void operator()(udev *u) const;
        void operator()(udev_monitor *m) const;
    };

    void enumerate();
    void onMonitorReadable();
    void consider(udev_device *hidraw);
    void forget(const std::string &node);
    void retire(HidrawConnection *connection);
    void setInaccessible(const std::string &node, bool inaccessible);

    HidMatching m_matching;
    bool m_started = false;
    std::unique_ptr<udev, UdevDeleter> m_udev;
    std::unique_ptr<udev_monitor, UdevDeleter> m_monitor;
    std::unique_ptr<QSocketNotifier> m_monitorNotifier;              // declared after the monitor: goes first
    std::map<std::string, QPointer<HidrawConnection>> m_connections; // by node path
    std::set<std::string> m_inaccessible;                            // node paths
    int m_reportedInaccessible = 0;
};
