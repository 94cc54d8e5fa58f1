#include "platform/linux/hid/HidrawConnection.h"

#include "device/Dorvel.h"

#include <QLoggingCategory>
#include <QPointer>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include <unistd.h>

Q_LOGGING_CATEGORY(lcHidraw, "kestrix.device.hidraw", QtCriticalMsg)

namespace {

// hidraw hands out at most one report per read(), and no report is larger than the kernel's HID
// buffer.
constexpr std::size_t maxReportSize = 16384;

// The kernel queues at most this many input reports per open node.
constexpr int maxQueuedReports = 64;

bool meansUnplugged(int error)
{
    return error == EIO || error == ENODEV;
}
} // namespace

HidrawConnection::HidrawConnection(int fd, HidDeviceInfo info, QObject *parent)
    : HidConnection(parent), m_fd(fd), m_info(std::move(info)),
      m_readNotifier(std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read))
{
    connect(m_readNotifier.get(), &QSocketNotifier::activated, this, &HidrawConnection::onReadable);
}

HidrawConnection::~HidrawConnection()
{
    close();
}

void HidrawConnection::close()
{
    // The notifier goes first: it must never watch a closed (and perhaps reused) descriptor.
    m_readNotifier.reset();
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

void HidrawConnection::onReadable()
{
    if (m_fd < 0) {
        return;
    }
    // One read per activation: the notifier fires again while more reports are queued. The buffer
    // is local so that a receiver spinning a nested event loop cannot have its view overwritten.
    std::array<std::uint8_t, maxReportSize> buffer{};
    const ssize_t n = ::read(m_fd, buffer.data(), buffer.size());
    if (n > 0) {
        Q_EMIT inputReport(ByteView(buffer.data(), static_cast<std::size_t>(n)));
        return;
    }
    const int error = n == 0 ? 0 : errno;
    if (error == EAGAIN || error == EWOULDBLOCK || error == EINTR) {
        return;
    }
    // End of file, EIO and ENODEV are how a node ends when its device goes. Any other failure
    // would repeat on every activation, so the node is given up the same way.
    if (error != 0 && !meansUnplugged(error)) {
        qCWarning(lcHidraw, "read from %s failed: %s", qUtf8Printable(m_info.name), std::strerror(error));
    }
    close();
    Q_EMIT lost();
}

void HidrawConnection::deliverPending()
{
    const QPointer<HidrawConnection> alive(this);
    std::array<std::uint8_t, maxReportSize> buffer{};
    for (int reports = 0; reports < maxQueuedReports && alive && m_fd >= 0;) {
        const ssize_t n = ::read(m_fd, buffer.data(), buffer.size());
        if (n > 0) {
            ++reports;
            Q_EMIT inputReport(ByteView(buffer.data(), static_cast<std::size_t>(n)));
        } else if (n == 0 || errno != EINTR) {
            return; // drained, or the node has ended
        }
    }
}

bool HidrawConnection::writeReport(ByteView report)
{
    if (m_fd < 0) {
        return false;
    }
    std::array<std::uint8_t, 1 + Dorvel::reportLength> frame{}; // report ID 0, then the report
    std::copy_n(report.begin(), std::min(report.size(), Dorvel::reportLength), frame.begin() + 1);
    ssize_t n = 0;
    do {
        n = ::write(m_fd, frame.data(), frame.size());
    } while (n < 0 && errno == EINTR);
    if (n == static_cast<ssize_t>(frame.size())) {
        return true;
    }
    const int error = n < 0 ? errno : 0;
    if (meansUnplugged(error)) {
        close();
        // The caller is inside its own write; it learns of the removal from the event loop.
        QMetaObject::invokeMethod(this, &HidrawConnection::lost, Qt::QueuedConnection);
    } else {
        qCWarning(lcHidraw, "write to %s failed: %s", qUtf8Printable(m_info.name),
                  n < 0 ? std::strerror(error) : "short write");
    }
    return false;
}
