#include "platform/linux/hid/HidrawBus.h"

#include "platform/linux/hid/HidReportDescriptor.h"
#include "platform/linux/hid/HidrawConnection.h"
#include "platform/linux/hid/UsbLocation.h"

#include <QLoggingCategory>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <string_view>

#include <fcntl.h>
#include <libudev.h>
#include <unistd.h>

namespace {
// The kernel refuses report descriptors larger than this.
constexpr std::size_t maxDescriptorSize = 4096;

struct DeviceUnref {
    void operator()(udev_device *d) const { udev_device_unref(d); }
};
using DevicePtr = std::unique_ptr<udev_device, DeviceUnref>;

std::optional<std::uint32_t> hexNumber(std::string_view text)
{
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::uint16_t> hexId(const char *text)
{
    if (!text) {
        return std::nullopt;
    }
    auto value = hexNumber(text);
    if (!value || *value > 0xFFFFu) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(*value);
}

// HID_ID is "bus:vendor:product" in hex, e.g. "0003:00001209:00000001". It names the ids of the
// HID device itself, which holds for Bluetooth and virtual devices too.
bool idsFromHidId(const char *hidId, HidDeviceInfo &info)
{
    if (!hidId) {
        return false;
    }
    const std::string_view text(hidId);
    const auto first = text.find(':');
    const auto second = first == std::string_view::npos ? first : text.find(':', first + 1);
    if (second == std::string_view::npos) {
        return false;
    }
    const auto vendor = hexNumber(text.substr(first + 1, second - first - 1));
    const auto product = hexNumber(text.substr(second + 1));
    if (!vendor || !product || *vendor > 0xFFFFu || *product > 0xFFFFu) {
        return false;
    }
    info.vendorId = static_cast<std::uint16_t>(*vendor);
    info.productId = static_cast<std::uint16_t>(*product);
    return true;
}

std::optional<Bytes> readReportDescriptor(udev_device *hid)
{
    const char *syspath = udev_device_get_syspath(hid);
    if (!syspath) {
        return std::nullopt;
    }
    // Read as a file: the descriptor holds zero bytes, which libudev's string attributes cut.
    const std::string path = std::string(syspath) + "/report_descriptor";
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    Bytes descriptor(maxDescriptorSize);
    std::size_t filled = 0;
    while (filled < descriptor.size()) {
        const ssize_t n = ::read(fd, descriptor.data() + filled, descriptor.size() - filled);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        filled += static_cast<std::size_t>(n);
    }
    ::close(fd);
    descriptor.resize(filled);
    return descriptor;
}
} // namespace

void HidrawBus::UdevDeleter::operator()(udev *u) const
{
    udev_unref(u);
}
void HidrawBus::UdevDeleter::operator()(udev_monitor *m) const
{
    udev_monitor_unref(m);
}

HidrawBus::HidrawBus(QObject *parent) : HidBus(parent) {}

HidrawBus::~HidrawBus() = default;

std::optional<HidDeviceInfo> HidrawBus::describe(udev_device *hidraw)
{
    const char *node = udev_device_get_devnode(hidraw);
    udev_device *hid = udev_device_get_parent_with_subsystem_devtype(hidraw, "hid", nullptr);
    if (!node || !hid) {
        return std::nullopt;
    }
    udev_device *usb = udev_device_get_parent_with_subsystem_devtype(hidraw, "usb", "usb_device");

    HidDeviceInfo info;
    info.name = QString::fromLocal8Bit(node);
    if (!idsFromHidId(udev_device_get_property_value(hid, "HID_ID"), info)) {
        const auto vendor = usb ? hexId(udev_device_get_sysattr_value(usb, "idVendor")) : std::nullopt;
        const auto product = usb ? hexId(udev_device_get_sysattr_value(usb, "idProduct")) : std::nullopt;
        if (!vendor || !product) {
            return std::nullopt;
        }
        info.vendorId = *vendor;
        info.productId = *product;
    }

    const auto descriptor = readReportDescriptor(hid);
    const auto usage = descriptor ? parseTopLevelUsage(*descriptor) : std::nullopt;
    if (!usage) {
        return std::nullopt;
    }
    info.usagePage = usage->usagePage;
    info.usage = usage->usage;

    if (usb) {
        if (const char *portPath = udev_device_get_sysname(usb)) {
            info.locationId = packUsbLocation(portPath);
        }
    }
    return info;
}

void HidrawBus::start(const HidMatching &matching)
{
    if (m_started) {
        return;
    }
    m_started = true;
    m_matching = matching;

    m_udev.reset(udev_new());
    if (!m_udev) {
        qCWarning(lcHidraw, "libudev is unavailable; no HID device will be found");
        return;
    }

    // Listen before enumerating: a device that appears in between is then seen twice, never
    // missed, and consider() ignores the node it already holds.
    m_monitor.reset(udev_monitor_new_from_netlink(m_udev.get(), "udev"));
    if (m_monitor && udev_monitor_filter_add_match_subsystem_devtype(m_monitor.get(), "hidraw", nullptr) >= 0 &&
        udev_monitor_enable_receiving(m_monitor.get()) >= 0) {
        m_monitorNotifier =
            std::make_unique<QSocketNotifier>(udev_monitor_get_fd(m_monitor.get()), QSocketNotifier::Read);
        connect(m_monitorNotifier.get(), &QSocketNotifier::activated, this, &HidrawBus::onMonitorReadable);
    } else {
        m_monitor.reset();
        qCWarning(lcHidraw, "cannot watch udev events; devices plugged in later will not be seen");
    }

    QMetaObject::invokeMethod(this, &HidrawBus::enumerate, Qt::QueuedConnection);
}

void HidrawBus::enumerate()
{
    struct EnumerateUnref {
        void operator()(udev_enumerate *e) const { udev_enumerate_unref(e); }
    };
    std::unique_ptr<udev_enumerate, EnumerateUnref> enumeration(udev_enumerate_new(m_udev.get()));
    if (!enumeration || udev_enumerate_add_match_subsystem(enumeration.get(), "hidraw") < 0 ||
        udev_enumerate_scan_devices(enumeration.get()) < 0) {
        qCWarning(lcHidraw, "cannot list hidraw devices");
        return;
    }
    udev_list_entry *entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumeration.get()))
    {
        DevicePtr device(udev_device_new_from_syspath(m_udev.get(), udev_list_entry_get_name(entry)));
        if (device) {
            consider(device.get());
        }
    }
}

void HidrawBus::onMonitorReadable()
{
    while (DevicePtr device{udev_monitor_receive_device(m_monitor.get())}) {
        const char *action = udev_device_get_action(device.get());
        const char *subsystem = udev_device_get_subsystem(device.get());
        if (!action || !subsystem || std::string_view(subsystem) != "hidraw") {
            continue;
        }
        const std::string_view what(action);
        if (what == "remove") {
            if (const char *node = udev_device_get_devnode(device.get())) {
                forget(node);
            }
        } else if (what == "add" || what == "change") {
            // A change may be the access rule applying to a node this user could not open.
            consider(device.get());
        }
    }
}

void HidrawBus::consider(udev_device *hidraw)
{
    const char *devnode = udev_device_get_devnode(hidraw);
    if (!devnode) {
        return;
    }
    const std::string node(devnode);
    if (auto held = m_connections.find(node); held != m_connections.end()) {
        if (held->second && held->second->isOpen()) {
            return;
        }
        // The node failed and its removal is still on its way: this is a new device on the node.
        retire(held->second);
        m_connections.erase(node);
    }

    auto info = describe(hidraw);
    if (!info || !m_matching.matches(*info)) {
        setInaccessible(node, false);
        return;
    }
    const int fd = ::open(devnode, O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == EACCES || error == EPERM) {
            setInaccessible(node, true);
        } else {
            qCWarning(lcHidraw, "cannot open %s: %s", devnode, std::strerror(error));
            setInaccessible(node, false);
        }
        return;
    }
    setInaccessible(node, false);

    auto *connection = new HidrawConnection(fd, std::move(*info), this);
    m_connections[node] = connection;
    connect(connection, &HidrawConnection::lost, this, [this, connection] { retire(connection); });
    Q_EMIT deviceMatched(connection);
}

void HidrawBus::forget(const std::string &node)
{
    if (auto held = m_connections.find(node); held != m_connections.end()) {
        retire(held->second);
    }
    setInaccessible(node, false);
}

void HidrawBus::retire(HidrawConnection *connection)
{
    auto held = std::find_if(m_connections.begin(), m_connections.end(),
                             [connection](const auto &entry) { return entry.second == connection; });
    if (!connection || held == m_connections.end()) {
        return; // reported already
    }
    // A node udev has removed may still hold reports the device sent just before it went (an
    // answer, then a reboot): they are delivered before the node is closed.
    const QPointer<HidrawConnection> alive(connection);
    connection->deliverPending();
    held = std::find_if(m_connections.begin(), m_connections.end(),
                        [connection](const auto &entry) { return entry.second == connection; });
    if (!alive || held == m_connections.end()) {
        return; // a receiver of those reports retired it meanwhile
    }
    m_connections.erase(held);
    connection->close();
    Q_EMIT deviceRemoved(connection);
    connection->deleteLater();
}

void HidrawBus::setInaccessible(const std::string &node, bool inaccessible)
{
    if (inaccessible) {
        m_inaccessible.insert(node);
    } else {
        m_inaccessible.erase(node);
    }
    const int count = inaccessibleDeviceCount();
    if (count != m_reportedInaccessible) {
        m_reportedInaccessible = count;
        Q_EMIT inaccessibleDeviceCountChanged(count);
    }
}
