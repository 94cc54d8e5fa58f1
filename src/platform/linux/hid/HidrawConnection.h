#pragma once

#include "device/HidBus.h"

#include <QLoggingCategory>
#include <QSocketNotifier>

#include <memory>

// The hidraw backend's messages, off unless enabled through QT_LOGGING_RULES: the application keeps
// no log.
Q_DECLARE_LOGGING_CATEGORY(lcHidraw)

// One opened /dev/hidrawN node. Owned by the HidrawBus that opened it, which deletes it (later)
// after reporting its removal. Owns the node's descriptor and closes it when lost or destroyed.
// Main thread only.
class HidrawConnection : public HidConnection {
    Q_OBJECT
public:
    // Takes ownership of `fd`, an open, non-blocking descriptor of the node `info` describes.
    HidrawConnection(int fd, HidDeviceInfo info, QObject *parent = nullptr);
    ~HidrawConnection() override;

    const HidDeviceInfo &info() const override { return m_info; }

    // One write() of the report ID 0 and the report zero-filled or cut to 32 bytes, which is what
    // the device's output report holds.
    bool writeReport(ByteView report) override;

    // False once the node failed as an unplugged device does or was closed; nothing is read or
    // written after.
    bool isOpen() const { return m_fd >= 0; }
    // Stops reading and closes the node, without reporting it lost. For the bus, once the device
    // is known to be gone.
    void close();
    // Reads and reports, as inputReport, the reports still queued on the node, without waiting for
    // more and without reporting the node lost when it ends. For the bus before it closes a removed
    // node: a device that answers and goes at once (a reboot) must not lose its answer.
    void deliverPending();

Q_SIGNALS:
    // The node failed as an unplugged device's does (end of file, EIO or ENODEV; on reading, any
    // error that would only repeat). Emitted at most once, always from the event loop (never
    // inside writeReport), after the descriptor was closed.
    void lost();

private:
    void onReadable();

    int m_fd;
    HidDeviceInfo m_info;
    std::unique_ptr<QSocketNotifier> m_readNotifier;
};
