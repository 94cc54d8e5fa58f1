// The device manager over the socket bus against an in-process device server: the transport the
// device simulator program and the end-to-end tests rely on.
#include "device/DorvelDeviceManager.h"
#include "platform/sim/SocketBus.h"
#include "platform/sim/SocketDeviceServer.h"
#include "platform/sim/SocketHidBus.h"
#include "support/DeviceTestSupport.h"
#include "support/TestMain.h"

#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTemporaryDir>

#include <memory>

#include <sys/socket.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {
constexpr LocationID homePort = 0x14200000;
constexpr LocationID otherPort = 0x14300000;

DorvelDeviceManager::Timings shortTimings()
{
    return {.attachQueryTimeout = 1s,
            .attachIdentityTimeout = 1s,
            .ledRefreshTimeout = 1s,
            .rebootIdentityDelay = 20ms,
            .rebootIdentityTimeout = 1s};
}

std::vector<Bytes> greenLED()
{
    return {Dorvel::ledEnabledReport(true), Dorvel::ledModeReport(Dorvel::RGBMode::breatheFast),
            Dorvel::ledColorReport(85, 255, 200)};
}

bool plugAt(SocketDeviceServer &server, std::optional<LocationID> location)
{
    SocketBusDevice description = server.description();
    description.locationId = location;
    server.setDescription(description);
    QString error;
    if (!server.plug(&error)) {
        qWarning("%s", qPrintable(error));
        return false;
    }
    return true;
}

void writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(contents);
}
} // namespace

class SocketBusTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    QString folder;
    std::unique_ptr<SimulatedDorvel> device;
    std::unique_ptr<SocketDeviceServer> server;
    std::unique_ptr<SocketHidBus> bus;
    std::unique_ptr<DorvelDeviceManager> manager;

    QString inFolder(const char *file) const { return QDir(folder).filePath(QString::fromLatin1(file)); }

    void attachAt(std::optional<LocationID> location)
    {
        manager->start();
        QVERIFY(plugAt(*server, location));
        KESTRIX_WAIT_FOR(manager->deviceID().has_value());
    }

private Q_SLOTS:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        folder = dir->filePath(QStringLiteral("bus")); // made by whichever side starts first
        device = std::make_unique<SimulatedDorvel>();
        server = std::make_unique<SocketDeviceServer>(*device, folder, QStringLiteral("dorvel"));
        bus = std::make_unique<SocketHidBus>(folder);
        manager = std::make_unique<DorvelDeviceManager>(*bus, shortTimings());
    }
    void cleanup()
    {
        manager.reset();
        bus.reset();
        server.reset();
        device.reset();
        dir.reset();
    }

    void attachQueriesStateThenIdentity_data()
    {
        QTest::addColumn<bool>("pluggedBeforeStart");
        QTest::newRow("device appears later") << false;
        QTest::newRow("device already there") << true;
    }
    void attachQueriesStateThenIdentity()
    {
        QFETCH(bool, pluggedBeforeStart);
        ReportRecorder recorder(*device);
        QSignalSpy matched(bus.get(), &HidBus::deviceMatched);
        if (pluggedBeforeStart) {
            QVERIFY(plugAt(*server, homePort));
        }
        manager->start();
        const QFileInfo busFolder(folder);
        QVERIFY(busFolder.isDir());
        QCOMPARE(busFolder.permissions() & (QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther),
                 QFile::Permissions());
        if (!pluggedBeforeStart) {
            QCoreApplication::processEvents(); // the bus's first scan finds an empty folder
            QVERIFY(plugAt(*server, homePort));
        }
        KESTRIX_WAIT_FOR(manager->deviceID().has_value());

        QCOMPARE(*manager->deviceID(), std::string("0123456789abcdef"));
        QVERIFY(manager->lastQuery().has_value());
        QCOMPARE(manager->lastQuery()->version, (FirmwareVersion{1, 0, 0}));
        QCOMPARE(manager->currentLocationID(), std::optional<LocationID>(homePort));
        QCOMPARE(manager->device()->info().name, server->socketPath());
        QCOMPARE(recorder.commands(), (std::vector<std::uint8_t>{0xFF, 0x04}));
        QCOMPARE(matched.count(), 1);
        QCOMPARE(server->connectionCount(), 1);
    }

    void reportsTravelWholeAndInOrder()
    {
        attachAt(homePort);
        ReportRecorder recorder(*device);
        manager->updateLEDState(greenLED());
        KESTRIX_WAIT_FOR(manager->lastQuery() && manager->lastQuery()->hue == 85);
        std::vector<Bytes> expected = greenLED();
        expected.push_back(Dorvel::padded(Bytes{0xFF}));
        QCOMPARE(recorder.reports, expected);

        // Output reports are exactly 32 bytes on the wire: short ones zero-filled, long ones cut.
        recorder.reports.clear();
        QVERIFY(manager->device()->writeReport(Bytes{0x02, 0x07, 9}));
        QVERIFY(manager->device()->writeReport(Bytes(40, 0x04)));
        KESTRIX_WAIT_FOR(recorder.reports.size() == 2);
        QCOMPARE(recorder.reports[0], Dorvel::padded(Bytes{0x02, 0x07, 9}));
        QCOMPARE(recorder.reports[1], Bytes(32, 0x04));

        // Input reports keep their own length, and come late when the device is slow.
        device->config().replyLength = 21;
        device->replyLatency = 30ms;
        auto reply = QCoro::waitFor(manager->sendAndWait(Dorvel::padded(Bytes{0xFF}), 2s,
                                                         [](ByteView b) { return !b.empty() && b[0] == 0xFF; }));
        QVERIFY(reply.ok());
        QCOMPARE(reply.value().size(), std::size_t(21));
    }

    void unplugClearsAndPlugAtAnotherPortReattaches()
    {
        attachAt(homePort);
        QSignalSpy matched(bus.get(), &HidBus::deviceMatched);
        QSignalSpy removed(bus.get(), &HidBus::deviceRemoved);
        server->unplug();
        QVERIFY(!QFile::exists(server->descriptionPath()));
        QVERIFY(!QFile::exists(server->socketPath()));
        KESTRIX_WAIT_FOR(!manager->isConnected());
        QVERIFY(!manager->lastQuery().has_value());
        QVERIFY(!manager->deviceID().has_value());

        QVERIFY(plugAt(*server, otherPort));
        KESTRIX_WAIT_FOR(manager->deviceID().has_value());
        QCOMPARE(manager->currentLocationID(), std::optional<LocationID>(otherPort));
        QCOMPARE(removed.count(), 1);
        QCOMPARE(matched.count(), 1);
    }

    void replugWithinOneTurnIsRemovalThenAttach_data()
    {
        QTest::addColumn<std::optional<LocationID>>("location");
        QTest::newRow("same port") << std::optional<LocationID>(homePort);
        QTest::newRow("other port") << std::optional<LocationID>(otherPort);
        QTest::newRow("no location") << std::optional<LocationID>();
    }
    // Again and again: a connection made after such a replug is as good as any.
    void replugWithinOneTurnIsRemovalThenAttach()
    {
        QFETCH(std::optional<LocationID>, location);
        attachAt(homePort);
        QSignalSpy matched(bus.get(), &HidBus::deviceMatched);
        QSignalSpy removed(bus.get(), &HidBus::deviceRemoved);
        for (int replug = 1; replug <= 3; ++replug) {
            // The bus may never see the folder without the device.
            server->unplug();
            QVERIFY(plugAt(*server, location));
            KESTRIX_WAIT_FOR(removed.count() == replug && manager->deviceID().has_value());
            QCOMPARE(matched.count(), replug);
            QCOMPARE(manager->currentLocationID(), location);
            QVERIFY(QCoro::waitFor(manager->queryDevice(2s)).ok());
            QCOMPARE(server->connectionCount(), 1);
        }
    }

    void foreignAndBrokenDescriptionsAreIgnored()
    {
        manager->start();
        SimulatedDorvel foreignDevice;
        ReportRecorder foreignRecorder(foreignDevice);
        SocketDeviceServer foreign(foreignDevice, folder, QStringLiteral("keyboard"));
        foreign.setDescription({0x1209, 0x0002, 0xFF60, 0x61, homePort, QStringLiteral("k")});
        QVERIFY(foreign.plug());
        writeFile(inFolder("garbage.json"), "{not json");
        writeFile(inFolder("empty.json"), "");
        writeFile(inFolder("array.json"), "[4617, 1, 65376, 97]");
        writeFile(inFolder("text-ids.json"), R"({"vendorId":"4617","productId":1,"usagePage":65376,"usage":97})");
        writeFile(inFolder("huge-id.json"), R"({"vendorId":70000,"productId":1,"usagePage":65376,"usage":97})");
        writeFile(inFolder("no-socket.json"), R"({"vendorId":4617,"productId":1,"usagePage":65376,"usage":97})");
        writeFile(inFolder("not-a-socket.json"), R"({"vendorId":4617,"productId":1,"usagePage":65376,"usage":97})");
        writeFile(inFolder("not-a-socket.sock"), "plain file");
        QSignalSpy matched(bus.get(), &HidBus::deviceMatched);

        QVERIFY(plugAt(*server, otherPort));
        KESTRIX_WAIT_FOR(manager->deviceID().has_value());
        QCOMPARE(matched.count(), 1);
        QCOMPARE(manager->currentLocationID(), std::optional<LocationID>(otherPort));
        QCOMPARE(foreign.connectionCount(), 0);
        QVERIFY(foreignRecorder.reports.empty());
    }

    void killedProgramIsRemovedOnceAndItsLeftoversIgnored()
    {
        attachAt(homePort);
        QSignalSpy matched(bus.get(), &HidBus::deviceMatched);
        QSignalSpy removed(bus.get(), &HidBus::deviceRemoved);
        server->abandon();
        KESTRIX_WAIT_FOR(!manager->isConnected());
        QVERIFY(QFile::exists(server->descriptionPath()));

        // Another device changes the folder; the dead one's socket refuses and stays ignored.
        SimulatedDorvel secondDevice;
        SocketDeviceServer second(secondDevice, folder, QStringLiteral("second"));
        QVERIFY(plugAt(second, otherPort));
        KESTRIX_WAIT_FOR(manager->deviceID().has_value());
        QCOMPARE(manager->currentLocationID(), std::optional<LocationID>(otherPort));
        QCOMPARE(removed.count(), 1);
        QCOMPARE(matched.count(), 1);

        // Started again under the same name, it replaces the leftovers and attaches.
        QVERIFY(plugAt(*server, homePort));
        KESTRIX_WAIT_FOR(manager->currentLocationID() == std::optional<LocationID>(homePort));
        QCOMPARE(matched.count(), 2);
    }

    void programThatDropsEveryConnectionDoesNotSpinTheBus()
    {
        const QString socket = SocketBus::socketPath(folder, QStringLiteral("rude"));
        QVERIFY(SocketBus::ensureFolder(folder, nullptr));
        const int listener = SocketBus::listenAt(socket);
        QVERIFY(listener >= 0);
        QSocketNotifier accepting(listener, QSocketNotifier::Read);
        connect(&accepting, &QSocketNotifier::activated, this, [listener] {
            const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) {
                ::close(fd);
            }
        });
        QVERIFY(SocketBus::writeFileAtomically(SocketBus::descriptionPath(folder, QStringLiteral("rude")),
                                               server->description().toJson(), nullptr));
        QSignalSpy matched(bus.get(), &HidBus::deviceMatched);
        QSignalSpy removed(bus.get(), &HidBus::deviceRemoved);
        manager->start(); // after the files, so no folder change is pending

        // Dropped once, the device is tried again (it may have been re-plugged under its name);
        // dropped again, it waits for the folder to change.
        KESTRIX_WAIT_FOR(removed.count() == 2);
        for (int i = 0; i < 100; ++i) {
            QCoreApplication::processEvents();
        }
        QCOMPARE(matched.count(), 2);
        QCOMPARE(removed.count(), 2);
        accepting.setEnabled(false);
        ::close(listener);
    }

    // Removing the device the manager does not use changes nothing; removing the one it uses moves
    // it to the other, with the LED state and the attach queries.
    void managerKeepsOrMovesBetweenTwoDevices()
    {
        attachAt(homePort);
        SimulatedDorvel otherDevice({.deviceId = {0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF, 0x00, 0x11}});
        SocketDeviceServer other(otherDevice, folder, QStringLiteral("other"));
        QSignalSpy removed(bus.get(), &HidBus::deviceRemoved);
        QVERIFY(plugAt(other, otherPort));
        KESTRIX_WAIT_FOR(manager->deviceID() == std::optional<std::string>("aabbccddeeff0011"));

        server->unplug();
        KESTRIX_WAIT_FOR(removed.count() == 1);
        QVERIFY(manager->isConnected());
        QCOMPARE(manager->deviceID(), std::optional<std::string>("aabbccddeeff0011"));
        manager->updateLEDState(greenLED());
        KESTRIX_WAIT_FOR(otherDevice.led().hue == 85);

        QVERIFY(plugAt(*server, homePort));
        KESTRIX_WAIT_FOR(manager->deviceID() == std::optional<std::string>("0123456789abcdef"));
        std::vector<Bytes> blue = greenLED();
        blue.back() = Dorvel::ledColorReport(170, 255, 200);
        manager->updateLEDState(blue);
        KESTRIX_WAIT_FOR(device->led().hue == 170);
        ReportRecorder toOther(otherDevice);
        server->unplug();
        KESTRIX_WAIT_FOR(manager->deviceID() == std::optional<std::string>("aabbccddeeff0011"));
        QVERIFY(manager->isConnected());
        QCOMPARE(manager->currentLocationID(), std::optional<LocationID>(otherPort));
        QVERIFY(manager->lastQuery().has_value());
        // The LED state first, then the state and identity queries.
        QCOMPARE(toOther.commands(), (std::vector<std::uint8_t>{0x02, 0x02, 0x02, 0xFF, 0x04}));
        QCOMPARE(otherDevice.led().hue, 170);
    }

    void severalProgramsShareTheDevice()
    {
        attachAt(homePort);
        SocketHidBus otherBus(folder);
        DorvelDeviceManager otherManager(otherBus, shortTimings());
        otherManager.start();
        KESTRIX_WAIT_FOR(otherManager.deviceID().has_value());
        QCOMPARE(server->connectionCount(), 2);
        // Each reply goes back on the connection its query came in on.
        device->config().deviceId = {0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF, 0x00, 0x11};
        auto first = manager->queryDeviceID(2s);
        auto second = otherManager.queryDeviceID(2s);
        QCOMPARE(QCoro::waitFor(first)->identifier, std::string("aabbccddeeff0011"));
        QCOMPARE(QCoro::waitFor(second)->identifier, std::string("aabbccddeeff0011"));
    }
};

QTEST_GUILESS_MAIN(SocketBusTest)
#include "tst_socketbus.moc"
