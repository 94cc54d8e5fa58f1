#include "data/hid/Descriptors.h"
#include "device/DeviceQueryResponse.h"
#include "device/DorvelDeviceManager.h"
#include "platform/linux/hid/HidrawBus.h"
#include "platform/sim/SimulatedDorvel.h"
#include "support/DeviceTestSupport.h"
#include "support/TestMain.h"

#include <QCoroTask>
#include <QDir>
#include <QPointer>
#include <QSignalSpy>
#include <QSocketNotifier>

#include <umockdev.h>

#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include <fcntl.h>
#include <linux/capability.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

// HidrawBus against fake hidraw nodes: umockdev redirects /sys, /dev and the udev monitor of this
// process into a testbed, and backs every fake node with a pseudo-terminal whose other end is the
// device side here. The pseudo-terminal is raw, so each write on one side is one read on the other.

namespace {
constexpr std::size_t frameSize = 33; // report ID 0, then the 32-byte report
const HidMatching dorvel = DorvelDeviceManager::matching;

Bytes rawReportsDescriptor()
{
    return Bytes(HidDescriptors::rawReports.begin(), HidDescriptors::rawReports.end());
}

// What one fake hidraw node is made of. The defaults make a Dorvel on USB port 1-2.3.
struct FakeHid {
    int number = 0;             // /dev/hidrawN
    std::string port = "1-2.3"; // USB port path; empty for a device on no USB bus
    std::string vendor = "1209";
    std::string product = "0001";
    bool hasHidId = true; // else only the USB device names the ids
    Bytes descriptor = rawReportsDescriptor();
};

// The device end of a fake node: collects what the application writes as 33-byte frames and
// writes input reports back.
class DeviceEnd {
public:
    explicit DeviceEnd(int fd) : m_fd(fd)
    {
        ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);
        m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { drain(); });
    }

    bool send(ByteView report)
    {
        return ::write(m_fd, report.data(), report.size()) == static_cast<ssize_t>(report.size());
    }

    // Closes the device end as an unplugged device does: the application's next read sees the end
    // of the node and its next write fails with EIO. The testbed still owns the descriptor number,
    // so it is pointed at /dev/null rather than closed.
    void hangUp()
    {
        m_notifier.reset();
        const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
        ::dup2(null, m_fd);
        ::close(null);
    }

    std::vector<Bytes> frames;
    std::function<void(const Bytes &)> onFrame;

private:
    void drain()
    {
        std::array<std::uint8_t, 512> buffer{};
        ssize_t n = 0;
        while ((n = ::read(m_fd, buffer.data(), buffer.size())) > 0) {
            m_pending.insert(m_pending.end(), buffer.begin(), buffer.begin() + n);
        }
        while (m_pending.size() >= frameSize) {
            frames.emplace_back(m_pending.begin(), m_pending.begin() + frameSize);
            m_pending.erase(m_pending.begin(), m_pending.begin() + frameSize);
            if (onFrame) {
                onFrame(frames.back());
            }
        }
    }

    int m_fd;
    std::unique_ptr<QSocketNotifier> m_notifier;
    Bytes m_pending;
};

// Takes away the calling thread's power to open files regardless of their mode, so that a node
// with mode 0000 refuses this process even when it runs as root. Restored on destruction.
class WithoutFileAccessOverride {
public:
    WithoutFileAccessOverride()
    {
        ::syscall(SYS_capget, &m_header, m_saved.data());
        auto reduced = m_saved;
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        ::syscall(SYS_capset, &m_header, reduced.data());
    }
    ~WithoutFileAccessOverride() { ::syscall(SYS_capset, &m_header, m_saved.data()); }
    WithoutFileAccessOverride(const WithoutFileAccessOverride &) = delete;
    WithoutFileAccessOverride &operator=(const WithoutFileAccessOverride &) = delete;

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    std::array<__user_cap_data_struct, _LINUX_CAPABILITY_U32S_3> m_saved{};
};

std::string nodePath(int number)
{
    return "/dev/hidraw" + std::to_string(number);
}

// A simulated Dorvel behind a fake node, answering what the application writes while `answering`.
struct NodeDorvel {
    NodeDorvel(std::unique_ptr<DeviceEnd> deviceEnd, SimulatedDorvel::Config config = {})
        : end(std::move(deviceEnd)), dorvel(config)
    {
        end->onFrame = [this](const Bytes &frame) {
            if (answering && frame[0] == 0) {
                if (auto reply = dorvel.handleReport(ByteView(frame).subspan(1))) {
                    end->send(*reply);
                }
            }
        };
    }
    std::string identity() const { return DeviceIDResponse::fromBytes(dorvel.identityReply())->identifier; }

    std::unique_ptr<DeviceEnd> end;
    SimulatedDorvel dorvel;
    bool answering = true;
};

SimulatedDorvel::Config withIdentity(std::uint8_t first)
{
    SimulatedDorvel::Config config;
    config.deviceId[0] = first;
    return config;
}
} // namespace

class HidrawBusTest : public QObject {
    Q_OBJECT

    UMockdevTestbed *testbed = nullptr;
    std::unique_ptr<HidrawBus> bus;
    std::unique_ptr<QSignalSpy> matched;
    std::unique_ptr<QSignalSpy> removed;
    std::unique_ptr<QSignalSpy> inaccessible;
    std::map<int, std::string> hidrawSyspaths;

    // Adds the USB device, its interface, the HID device and its hidraw node; the testbed
    // announces the node with an "add" event.
    void plug(const FakeHid &fake)
    {
        gchar *parent = nullptr;
        if (!fake.port.empty()) {
            const std::string busnum = fake.port.substr(0, fake.port.find('-'));
            gchar *usb = umockdev_testbed_add_device(testbed, "usb", fake.port.c_str(), nullptr, "busnum",
                                                     busnum.c_str(), "devnum", std::to_string(fake.number + 2).c_str(),
                                                     "idVendor", fake.vendor.c_str(), "idProduct", fake.product.c_str(),
                                                     nullptr, "DEVTYPE", "usb_device", nullptr);
            parent = umockdev_testbed_add_device(testbed, "usb", (fake.port + ":1.0").c_str(), usb, "bInterfaceClass",
                                                 "03", nullptr, "DEVTYPE", "usb_interface", nullptr);
            g_free(usb);
        }
        const std::string hidName = "0003:" + fake.vendor + ":" + fake.product + "." + std::to_string(fake.number);
        const std::string hidId = "0003:0000" + fake.vendor + ":0000" + fake.product;
        gchar *hid = fake.hasHidId
                         ? umockdev_testbed_add_device(testbed, "hid", hidName.c_str(), parent, nullptr, "HID_ID",
                                                       hidId.c_str(), nullptr)
                         : umockdev_testbed_add_device(testbed, "hid", hidName.c_str(), parent, nullptr, nullptr);
        g_free(parent);
        Bytes descriptor = fake.descriptor;
        umockdev_testbed_set_attribute_binary(testbed, hid, "report_descriptor", descriptor.data(),
                                              static_cast<gint>(descriptor.size()));

        // A node line without contents makes the node a pseudo-terminal.
        const std::string name = "hidraw" + std::to_string(fake.number);
        const std::string syspath = std::string(hid) + "/hidraw/" + name;
        const std::string record = "P: " + syspath.substr(std::string("/sys").size()) + "\nN: " + name +
                                   "\nE: SUBSYSTEM=hidraw\nE: DEVNAME=" + nodePath(fake.number) +
                                   "\nA: dev=245:" + std::to_string(fake.number) + "\n";
        g_free(hid);
        GError *error = nullptr;
        QVERIFY2(umockdev_testbed_add_from_string(testbed, record.c_str(), &error), error ? error->message : "");
        hidrawSyspaths[fake.number] = syspath;
    }

    void uevent(int number, const char *action)
    {
        umockdev_testbed_uevent(testbed, hidrawSyspaths.at(number).c_str(), action);
    }

    // Announces the node's removal, then removes it from sysfs.
    void unplug(int number)
    {
        uevent(number, "remove");
        umockdev_testbed_remove_device(testbed, hidrawSyspaths.at(number).c_str());
    }

    std::unique_ptr<DeviceEnd> deviceEnd(int number)
    {
        const int fd = umockdev_testbed_get_dev_fd(testbed, nodePath(number).c_str());
        return fd < 0 ? nullptr : std::make_unique<DeviceEnd>(fd);
    }

    void setNodeMode(int number, mode_t mode)
    {
        gchar *root = umockdev_testbed_get_root_dir(testbed);
        const std::string path = std::string(root) + nodePath(number); // a link to the terminal
        g_free(root);
        QCOMPARE(::chmod(path.c_str(), mode), 0);
    }

    // Blocks, without running the event loop, until the application's end of the node has input
    // queued; false when none comes within the bound.
    bool waitForQueuedInput(int number)
    {
        gchar *root = umockdev_testbed_get_root_dir(testbed);
        const std::string link = std::string(root) + nodePath(number);
        g_free(root);
        std::array<char, 256> target{};
        if (::readlink(link.c_str(), target.data(), target.size() - 1) <= 0) {
            return false;
        }
        // The application's descriptor is the one of this process open on the terminal itself.
        for (const QString &fd : QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System)) {
            std::array<char, 256> opened{};
            const std::string entry = "/proc/self/fd/" + fd.toStdString();
            if (::readlink(entry.c_str(), opened.data(), opened.size() - 1) > 0 &&
                std::string_view(opened.data()) == std::string_view(target.data())) {
                pollfd input{fd.toInt(), POLLIN, 0};
                return ::poll(&input, 1, 5000) == 1;
            }
        }
        return false;
    }

    void startBus() { bus->start(dorvel); }

    HidConnection *matchedAt(qsizetype index) const { return qvariant_cast<HidConnection *>(matched->at(index).at(0)); }
    // Only an address: the connection may be deleted by now.
    const void *removedAt(qsizetype index) const { return qvariant_cast<HidConnection *>(removed->at(index).at(0)); }

    // Hot-plugs a Dorvel and waits for it: udev events arrive in order, so every earlier event has
    // been handled once it is reported.
    void plugSentinelAndWait(int number)
    {
        const auto before = matched->count();
        plug(FakeHid{.number = number, .port = "2-" + std::to_string(number)});
        KESTRIX_WAIT_FOR(matched->count() == before + 1);
        QCOMPARE(matchedAt(before)->info().name, QString::fromStdString(nodePath(number)));
    }

private Q_SLOTS:
    void init()
    {
        testbed = umockdev_testbed_new();
        // Without the preload library the bus would see this machine's real devices.
        QVERIFY2(umockdev_in_mock_environment(), "run this test under umockdev-wrapper");
        bus = std::make_unique<HidrawBus>();
        matched = std::make_unique<QSignalSpy>(bus.get(), &HidBus::deviceMatched);
        removed = std::make_unique<QSignalSpy>(bus.get(), &HidBus::deviceRemoved);
        inaccessible = std::make_unique<QSignalSpy>(bus.get(), &HidBus::inaccessibleDeviceCountChanged);
    }

    void cleanup()
    {
        matched.reset();
        removed.reset();
        inaccessible.reset();
        bus.reset();
        hidrawSyspaths.clear();
        g_object_unref(testbed);
        testbed = nullptr;
    }

    void presentDevicesAreFilteredAndLocated()
    {
        plug({.number = 0});
        plug({.number = 1,
              .port = "1-4",
              .descriptor = Bytes(HidDescriptors::bootKeyboard.begin(), HidDescriptors::bootKeyboard.end())});
        plug({.number = 2, .port = "1-5", .vendor = "046d"});
        plug({.number = 3, .port = "3-1", .hasHidId = false});
        plug({.number = 4, .port = ""});
        plug({.number = 5, .port = "1-6", .descriptor = Bytes{0x06, 0x60, 0xFF, 0x09}}); // cut short

        startBus();
        QCOMPARE(matched->count(), 0); // reported from the event loop, never inside start()
        // All present nodes are looked at in one pass: once one is reported, all are.
        KESTRIX_WAIT_FOR(matched->count() > 0);
        std::map<QString, std::optional<LocationID>> found;
        for (qsizetype i = 0; i < matched->count(); ++i) {
            const auto &info = matchedAt(i)->info();
            QVERIFY(dorvel.matches(info));
            found[info.name] = info.locationId;
        }
        const std::map<QString, std::optional<LocationID>> expected{
            {QStringLiteral("/dev/hidraw0"), 0x01230000},
            {QStringLiteral("/dev/hidraw3"), 0x03100000}, // ids from the USB device
            {QStringLiteral("/dev/hidraw4"), std::nullopt},
        };
        QCOMPARE(found, expected);
        QCOMPARE(inaccessible->count(), 0);
    }

    void reportsTravelAsSingleWritesAndReads()
    {
        plug({.number = 0});
        auto device = deviceEnd(0);
        QVERIFY(device);
        startBus();
        KESTRIX_WAIT_FOR(matched->count() == 1);
        HidConnection *connection = matchedAt(0);

        QVERIFY(connection->writeReport(Bytes{0x02, 0x00, 0x11, 0x22, 0x33}));
        Bytes tooLong(40);
        for (std::size_t i = 0; i < tooLong.size(); ++i) {
            tooLong[i] = static_cast<std::uint8_t>(0x80 + i);
        }
        QVERIFY(connection->writeReport(tooLong));
        KESTRIX_WAIT_FOR(device->frames.size() == 2);
        Bytes padded(frameSize, 0);
        padded[1] = 0x02;
        padded[3] = 0x11;
        padded[4] = 0x22;
        padded[5] = 0x33;
        QCOMPARE(device->frames[0], padded);
        Bytes cut(frameSize, 0);
        std::copy_n(tooLong.begin(), 32, cut.begin() + 1);
        QCOMPARE(device->frames[1], cut);

        std::vector<Bytes> received;
        connect(connection, &HidConnection::inputReport, this,
                [&](ByteView bytes) { received.emplace_back(bytes.begin(), bytes.end()); });
        Bytes full(32);
        for (std::size_t i = 0; i < full.size(); ++i) {
            full[i] = static_cast<std::uint8_t>(0xFF - i);
        }
        QVERIFY(device->send(full));
        KESTRIX_WAIT_FOR(received.size() == 1);
        const Bytes shortReply{0x04, 0x0A, 0x0D, 0x00, 0x7F}; // bytes a terminal would translate
        QVERIFY(device->send(shortReply));
        KESTRIX_WAIT_FOR(received.size() == 2);
        QCOMPARE(received[0], full);
        QCOMPARE(received[1], shortReply);
    }

    void hotPlugAndRemovalAreReportedOnce()
    {
        startBus();
        plug({.number = 7,
              .port = "1-4",
              .descriptor = Bytes(HidDescriptors::bootKeyboard.begin(), HidDescriptors::bootKeyboard.end())});
        plug({.number = 0});
        KESTRIX_WAIT_FOR(matched->count() == 1);
        HidConnection *reported = matchedAt(0);
        QPointer<HidConnection> connection = reported;
        QCOMPARE(connection->info().name, QStringLiteral("/dev/hidraw0"));
        QCOMPARE(connection->info().locationId, std::optional<LocationID>(0x01230000));

        uevent(0, "change"); // an already held node is not reported again
        unplug(0);
        KESTRIX_WAIT_FOR(removed->count() == 1);
        QCOMPARE(removedAt(0), static_cast<const void *>(reported));
        KESTRIX_WAIT_FOR(connection.isNull()); // deleted once control is back in the event loop

        plugSentinelAndWait(1);
        QCOMPARE(matched->count(), 2);
        QCOMPARE(removed->count(), 1);
    }

    // A node that fails as an unplugged one does is reported removed, and the udev event that
    // follows does not report it again. (No node is added after the failure: the freed terminal's
    // number would be handed out again, which the testbed cannot take.)
    void failingNodeIsRemovedOnce_data()
    {
        QTest::addColumn<bool>("noticedByWrite");
        QTest::newRow("read sees the end") << false;
        QTest::newRow("write fails with EIO") << true;
    }

    void failingNodeIsRemovedOnce()
    {
        QFETCH(bool, noticedByWrite);
        plug({.number = 0});
        plug({.number = 1, .port = "1-4"});
        auto device = deviceEnd(0);
        QVERIFY(device);
        startBus();
        KESTRIX_WAIT_FOR(matched->count() == 2);
        const auto byName = [this](const QString &name) -> HidConnection * {
            for (qsizetype i = 0; i < matched->count(); ++i) {
                if (matchedAt(i)->info().name == name) {
                    return matchedAt(i);
                }
            }
            return nullptr;
        };
        HidConnection *failing = byName(QStringLiteral("/dev/hidraw0"));
        HidConnection *other = byName(QStringLiteral("/dev/hidraw1"));
        QVERIFY(failing && other);

        device->hangUp();
        if (noticedByWrite) {
            QVERIFY(!failing->writeReport(Bytes{0xFF}));
            QCOMPARE(removed->count(), 0); // never inside the caller's write
        } else {
            KESTRIX_WAIT_FOR(removed->count() == 1); // before udev says anything
        }
        // Then udev's word on it, and a removal of the other node: once that one is reported,
        // everything about the first has been handled.
        unplug(0);
        unplug(1);
        KESTRIX_WAIT_FOR(removed->count() >= 2);
        QCOMPARE(removed->count(), 2);
        QCOMPARE(removedAt(0), static_cast<const void *>(failing));
        QCOMPARE(removedAt(1), static_cast<const void *>(other));
    }

    void nodeWithoutPermissionIsCountedUntilUsable()
    {
        plug({.number = 0});
        plug({.number = 1, .port = "1-4"});
        setNodeMode(0, 0);
        setNodeMode(1, 0);
        WithoutFileAccessOverride restricted;
        if (const int fd = ::open(nodePath(0).c_str(), O_RDWR); fd >= 0) {
            ::close(fd);
            QSKIP("this process opens files whatever their mode");
        }

        startBus();
        KESTRIX_WAIT_FOR(!inaccessible->isEmpty() && inaccessible->last().at(0).toInt() == 2);
        QCOMPARE(matched->count(), 0);

        // The access rule applying shows as a change event.
        setNodeMode(0, 0600);
        uevent(0, "change");
        KESTRIX_WAIT_FOR(matched->count() == 1);
        QCOMPARE(matchedAt(0)->info().name, QStringLiteral("/dev/hidraw0"));
        QCOMPARE(inaccessible->last().at(0).toInt(), 1);

        unplug(1);
        KESTRIX_WAIT_FOR(inaccessible->last().at(0).toInt() == 0);
        QList<int> counts;
        for (const auto &arguments : *inaccessible) {
            counts.append(arguments.at(0).toInt());
        }
        QCOMPARE(counts, QList<int>({1, 2, 1, 0})); // every change, and only changes
        QCOMPARE(matched->count(), 1);
    }

    void deviceManagerTalksToTheNode()
    {
        plug({.number = 0});
        auto deviceEndpoint = deviceEnd(0);
        QVERIFY(deviceEndpoint);
        SimulatedDorvel dorvelDevice;
        deviceEndpoint->onFrame = [&](const Bytes &frame) {
            if (frame[0] != 0) {
                return; // not a report-ID-0 frame: left unanswered, and the test times out
            }
            if (auto reply = dorvelDevice.handleReport(ByteView(frame).subspan(1))) {
                deviceEndpoint->send(*reply);
            }
        };

        DorvelDeviceManager manager(*bus);
        manager.start();
        KESTRIX_WAIT_FOR(manager.deviceID().has_value());
        QVERIFY(manager.isConnected());
        QCOMPARE(manager.currentLocationID(), std::optional<LocationID>(0x01230000));
        QCOMPARE(manager.lastQuery(), DeviceQueryResponse::fromBytes(dorvelDevice.stateReply()));
        QCOMPARE(*manager.deviceID(), DeviceIDResponse::fromBytes(dorvelDevice.identityReply())->identifier);
        for (const auto &frame : deviceEndpoint->frames) {
            QCOMPARE(frame[0], std::uint8_t{0});
        }

        unplug(0);
        KESTRIX_WAIT_FOR(!manager.isConnected());
        QVERIFY(!manager.deviceID());
    }

    // Removing a node the manager does not use changes nothing; removing the one it uses moves it to
    // the newest one left, which gets the LED state and the attach queries.
    void managerKeepsOrMovesBetweenNodes()
    {
        plug({.number = 0});
        NodeDorvel first(deviceEnd(0), withIdentity(0x10));
        DorvelDeviceManager manager(*bus);
        manager.start();
        KESTRIX_WAIT_FOR(manager.deviceID() == first.identity());
        plug({.number = 1, .port = "1-4"});
        NodeDorvel second(deviceEnd(1), withIdentity(0x20));
        KESTRIX_WAIT_FOR(manager.deviceID() == second.identity()); // the newest is held

        unplug(0);
        KESTRIX_WAIT_FOR(removed->count() == 1);
        QVERIFY(manager.isConnected());
        QCOMPARE(manager.deviceID(), second.identity());
        manager.updateLEDState({Dorvel::ledEnabledReport(true), Dorvel::ledColorReport(85, 255, 200)});
        KESTRIX_WAIT_FOR(second.dorvel.led().hue == 85);

        plug({.number = 2, .port = "1-5"});
        NodeDorvel third(deviceEnd(2), withIdentity(0x30));
        KESTRIX_WAIT_FOR(manager.deviceID() == third.identity());
        manager.updateLEDState({Dorvel::ledEnabledReport(true), Dorvel::ledColorReport(170, 255, 200)});
        KESTRIX_WAIT_FOR(third.dorvel.led().hue == 170);
        QCOMPARE(second.dorvel.led().hue, 85);
        third.end.reset();
        unplug(2);
        KESTRIX_WAIT_FOR(manager.deviceID() == second.identity());
        QVERIFY(manager.isConnected());
        QCOMPARE(manager.currentLocationID(), std::optional<LocationID>(0x01400000));
        QCOMPARE(second.dorvel.led().hue, 170); // the LED state went to it first
        QVERIFY(manager.lastQuery().has_value());
    }

    // A device that answers and is gone at once: its answer, queued on the node when udev reports
    // the removal, still reaches the request waiting for it.
    void answerQueuedOnARemovedNodeIsDelivered()
    {
        plug({.number = 0});
        NodeDorvel node(deviceEnd(0));
        DorvelDeviceManager manager(*bus);
        manager.start();
        KESTRIX_WAIT_FOR(manager.deviceID().has_value());
        node.answering = false;
        node.end->frames.clear();

        auto request = manager.sendAndWait(Dorvel::padded(Bytes{0x03, 0x02}), std::chrono::seconds(5),
                                           [](ByteView bytes) { return !bytes.empty() && bytes[0] == 0x03; });
        KESTRIX_WAIT_FOR(node.end->frames.size() == 1);
        QVERIFY(node.end->send(Dorvel::padded(Bytes{0x03, 0x02, 0x00})));
        QVERIFY(waitForQueuedInput(0));
        uevent(0, "remove");
        KESTRIX_WAIT_FOR(!manager.isConnected());
        KESTRIX_WAIT_FOR(request.isReady());
        auto reply = QCoro::waitFor(request);
        QVERIFY(reply.ok());
        QCOMPARE(reply.value(), Dorvel::padded(Bytes{0x03, 0x02, 0x00}));
    }
};

QTEST_GUILESS_MAIN(HidrawBusTest)
#include "tst_hidrawbus.moc"
