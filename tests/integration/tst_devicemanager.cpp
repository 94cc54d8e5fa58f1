#include "device/DorvelDeviceManager.h"
#include "platform/sim/SimulatedHidBus.h"
#include "support/DeviceTestSupport.h"
#include "support/TestMain.h"
#include "support/TestTime.h"

#include <QCoroTask>
#include <QElapsedTimer>
#include <QSignalSpy>

#include <algorithm>
#include <memory>

using namespace std::chrono_literals;
using RequestError = DorvelDeviceManager::RequestError;

namespace {
constexpr LocationID homePort = 0x14200000;
constexpr LocationID otherPort = 0x14300000;

DorvelDeviceManager::Timings shortTimings()
{
    using TestTime::scaled;
    return {.attachQueryTimeout = scaled(200ms),
            .attachIdentityTimeout = scaled(200ms),
            .ledRefreshTimeout = scaled(200ms),
            .rebootIdentityDelay = 20ms,
            .rebootIdentityTimeout = scaled(200ms)};
}

bool isFirstByte(ByteView bytes, std::uint8_t b)
{
    return !bytes.empty() && bytes[0] == b;
}
auto stateMatch = [](ByteView bytes) {
    return isFirstByte(bytes, 0xFF);
};
Bytes stateQuery()
{
    return Dorvel::padded(Bytes{0xFF});
}

std::vector<Bytes> greenLED()
{
    return {Dorvel::ledEnabledReport(true), Dorvel::ledModeReport(Dorvel::RGBMode::breatheFast),
            Dorvel::ledColorReport(85, 255, 200)};
}

template <typename T>
bool isDone(const QCoro::Task<T> &task)
{
    return task.isReady();
}
} // namespace

class DeviceManagerTest : public QObject {
    Q_OBJECT

    std::unique_ptr<SimulatedHidBus> bus;
    std::unique_ptr<SimulatedDorvel> device;
    std::unique_ptr<DorvelDeviceManager> manager;

    // An attached device whose attach queries have finished.
    void attachQuietly(std::optional<LocationID> location = homePort)
    {
        bus->plug(*device, location);
        KESTRIX_WAIT_FOR(manager->deviceID().has_value());
    }

private Q_SLOTS:
    void init()
    {
        bus = std::make_unique<SimulatedHidBus>();
        device = std::make_unique<SimulatedDorvel>();
        manager = std::make_unique<DorvelDeviceManager>(*bus, shortTimings());
    }
    void cleanup()
    {
        manager.reset();
        bus.reset();
        device.reset();
    }

    void startsTheBusOnceWithTheDorvelCriteria()
    {
        manager->start();
        manager->start();
        QCOMPARE(bus->startCount(), 1);
        QVERIFY(bus->hasStarted());
    }

    void requestWithoutDeviceFailsAtOnceAndSendsNothing()
    {
        ReportRecorder recorder(*device);
        // A foreign device on the bus must not receive the report either.
        bus->plug(*device, homePort, {0x1209, 0x0001, 0xFF60, 0x62, {}, {}});
        manager->start();
        QVERIFY(runUntilIdle());
        auto task = manager->sendAndWait(stateQuery(), 1s, stateMatch);
        QVERIFY(isDone(task));
        auto result = QCoro::waitFor(task);
        QCOMPARE(result.error(), RequestError::notConnected);
        QCOMPARE(QCoro::waitFor(manager->queryDevice(1s)).error(), RequestError::notConnected);
        QCOMPARE(QCoro::waitFor(manager->queryDeviceID(1s)).error(), RequestError::notConnected);
        QVERIFY(recorder.reports.empty());
    }

    void onlyTheDorvelInterfaceIsHeld_data()
    {
        QTest::addColumn<int>("vendor");
        QTest::addColumn<int>("product");
        QTest::addColumn<int>("usagePage");
        QTest::addColumn<int>("usage");
        QTest::newRow("other vendor") << 0x1208 << 0x0001 << 0xFF60 << 0x61;
        QTest::newRow("other product") << 0x1209 << 0x0002 << 0xFF60 << 0x61;
        QTest::newRow("keyboard interface") << 0x1209 << 0x0001 << 0x0001 << 0x06;
        QTest::newRow("other usage") << 0x1209 << 0x0001 << 0xFF60 << 0x62;
    }
    void onlyTheDorvelInterfaceIsHeld()
    {
        QFETCH(int, vendor);
        QFETCH(int, product);
        QFETCH(int, usagePage);
        QFETCH(int, usage);
        SimulatedDorvel foreign;
        ReportRecorder recorder(foreign);
        bus->plug(
            foreign, homePort,
            {std::uint16_t(vendor), std::uint16_t(product), std::uint16_t(usagePage), std::uint16_t(usage), {}, {}});
        manager->start();
        bus->plug(*device, otherPort);
        KESTRIX_WAIT_FOR(manager->deviceID().has_value());
        QCOMPARE(manager->currentLocationID(), std::optional<LocationID>(otherPort));
        QVERIFY(recorder.reports.empty());
        bus->unplugAll();
    }

    void attachResendsLEDStateThenQueriesStateThenIdentity()
    {
        ReportRecorder recorder(*device);
        manager->updateLEDState(greenLED()); // no device yet: only remembered
        QVERIFY(recorder.reports.empty());
        int queried = 0;
        manager->onDeviceQueried = [&](const DeviceQueryResponse &q) {
            ++queried;
            QCOMPARE(q.hue, 85); // the LED state reached the device before the query
        };
        QSignalSpy connected(manager.get(), &DorvelDeviceManager::isConnectedChanged);
        manager->start();
        bus->plug(*device, homePort);
        KESTRIX_WAIT_FOR(manager->deviceID().has_value());

        QCOMPARE(connected.count(), 1);
        QVERIFY(manager->isConnected());
        QCOMPARE(manager->currentLocationID(), std::optional<LocationID>(homePort));
        QCOMPARE(*manager->deviceID(), std::string("0123456789abcdef"));
        QVERIFY(manager->lastQuery().has_value());
        QCOMPARE(manager->lastQuery()->version, (FirmwareVersion{1, 0, 0}));
        QCOMPARE(queried, 1);
        const std::vector<Bytes> expectedHead = greenLED();
        QCOMPARE(recorder.reports.size(), std::size_t(5));
        QVERIFY(std::equal(expectedHead.begin(), expectedHead.end(), recorder.reports.begin()));
        QCOMPARE(recorder.commands()[3], std::uint8_t(0xFF));
        QCOMPARE(recorder.commands()[4], std::uint8_t(0x04));
    }

    void identityIsQueriedEvenWhenStateQueryFails()
    {
        device->addFault({SimulatedDorvel::ReplyFault::Kind::drop, 1, std::uint8_t(0xFF), 0});
        int queried = 0;
        manager->onDeviceQueried = [&](const DeviceQueryResponse &) {
            ++queried;
        };
        manager->start();
        bus->plug(*device, homePort);
        KESTRIX_WAIT_FOR(manager->deviceID().has_value());
        QVERIFY(!manager->lastQuery().has_value());
        QCOMPARE(queried, 0);
    }

    // The rules engine answers an attach with its LED state at once, and the refresh after it takes
    // the request slot from the attach's state query; a wake-up (a device that re-enumerates on it)
    // starts the attach queries over. The attach still reads the state once (so the firmware check
    // runs) and the identity, asking the device a few times, not flooding it.
    void ledStateOrWakeUpRightAfterAttachCostTheAttachNothing()
    {
        device->replyLatency = 20ms;
        int queried = 0;
        manager->onDeviceQueried = [&](const DeviceQueryResponse &) {
            ++queried;
        };
        ReportRecorder recorder(*device);
        manager->start();
        bus->plug(*device, homePort);
        KESTRIX_WAIT_FOR(manager->isConnected()); // the attach's state query now waits for its reply
        manager->updateLEDState(greenLED());
        manager->handleResume();
        KESTRIX_WAIT_FOR(manager->deviceID().has_value());
        QCOMPARE(queried, 1);
        QVERIFY(manager->lastQuery().has_value());
        QVERIFY(std::count_if(recorder.reports.begin(), recorder.reports.end(),
                              [](const Bytes &r) { return r[0] != Dorvel::ledCommand; }) <= 5);
    }

    // Signals that flap while a slow device attaches change the LED state many times a second. The
    // refresh after each change must not take the request slot from the attach's queries again and
    // again until their time runs out: the device would stay unidentified (no retries here).
    void aQuicklyChangingLEDStateLeavesTheAttachItsAnswers()
    {
        auto timings = shortTimings();
        timings.attachRetries = 0;
        manager = std::make_unique<DorvelDeviceManager>(*bus, timings);
        device->replyLatency = 30ms;
        manager->start();
        bus->plug(*device, homePort);
        KESTRIX_WAIT_FOR(manager->isConnected());
        QElapsedTimer flapping;
        flapping.start();
        while (flapping.elapsed() < (timings.attachQueryTimeout + timings.attachIdentityTimeout).count() + 100) {
            manager->updateLEDState(greenLED());
            QTest::qWait(2);
        }
        KESTRIX_WAIT_FOR(manager->deviceID().has_value());
        QVERIFY(manager->lastQuery().has_value());
    }

    // An identity that did not come in time is asked for again a few times, then no more.
    void unansweredIdentityIsAskedAgainAFewTimes_data()
    {
        QTest::addColumn<int>("dropped");
        QTest::newRow("answered on the first retry") << 1;
        QTest::newRow("never answered") << -1;
    }
    void unansweredIdentityIsAskedAgainAFewTimes()
    {
        QFETCH(int, dropped);
        auto timings = shortTimings();
        timings.attachRetryDelay = 10ms;
        timings.attachRetries = 2;
        manager = std::make_unique<DorvelDeviceManager>(*bus, timings);
        device->addFault({SimulatedDorvel::ReplyFault::Kind::drop, dropped, Dorvel::identityQueryCommand, 0});
        ReportRecorder recorder(*device);
        auto identityQueries = [&] {
            const auto commands = recorder.commands();
            return std::count(commands.begin(), commands.end(), Dorvel::identityQueryCommand);
        };
        manager->start();
        bus->plug(*device, homePort);
        if (dropped > 0) {
            KESTRIX_WAIT_FOR(manager->deviceID().has_value());
            QCOMPARE(identityQueries(), 2);
            return;
        }
        KESTRIX_WAIT_FOR(identityQueries() == 3);
        QTest::qWait(int(TestTime::scaled(200ms).count())); // the retries' delays have passed twice over
        QCOMPARE(identityQueries(), 3);
        QVERIFY(!manager->deviceID());
    }

    // The reply to a timed-out query still comes, late, and tells the state from before a binding
    // written since; the next query of the same kind must get its own reply, not that one.
    void lateReplyIsNotTakenForTheNextRequest()
    {
        manager->start();
        attachQuietly();
        device->replyLatency = 80ms;
        auto result = QCoro::waitFor(manager->sendAndWait(stateQuery(), 20ms, stateMatch));
        QCOMPARE(result.error(), RequestError::timeout);
        const std::uint8_t bind[] = {Dorvel::bindPresetCommand, 0x02};
        QVERIFY(manager->device()->writeReport(Dorvel::padded(bind)));
        const auto next = QCoro::waitFor(manager->queryDevice(TestTime::scaled(1s)));
        QVERIFY(next.ok());
        QCOMPARE(next->currentPresetID, std::optional<std::uint8_t>(2));
    }

    void nonMatchingReportLeavesRequestWaiting()
    {
        manager->start();
        attachQuietly();
        device->addFault({SimulatedDorvel::ReplyFault::Kind::drop, 1, std::uint8_t(0xFF), 0});
        auto task = manager->sendAndWait(stateQuery(), 2s, stateMatch);
        auto *connection = manager->device();
        Q_EMIT connection->inputReport(Bytes{0x04, 1, 2, 3});
        Q_EMIT connection->inputReport(Bytes{});
        QVERIFY(runUntilIdle());
        QVERIFY(!isDone(task));
        Bytes answer{0xFF, 0xAA};
        Q_EMIT connection->inputReport(answer);
        auto result = QCoro::waitFor(task);
        QVERIFY(result.ok());
        QCOMPARE(result.value(), answer);
    }

    void undecodableRepliesAreMalformed_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("length");
        using K = SimulatedDorvel::ReplyFault::Kind;
        QTest::newRow("20-byte state reply") << 0xFF << int(K::truncate) << 20;
        QTest::newRow("1-byte state reply") << 0xFF << int(K::truncate) << 1;
        QTest::newRow("8-byte identity reply") << 0x04 << int(K::truncate) << 8;
    }
    void undecodableRepliesAreMalformed()
    {
        QFETCH(int, command);
        QFETCH(int, kind);
        QFETCH(int, length);
        manager->start();
        attachQuietly();
        device->addFault({SimulatedDorvel::ReplyFault::Kind(kind), 1, std::uint8_t(command), std::size_t(length)});
        if (command == 0xFF) {
            QCOMPARE(QCoro::waitFor(manager->queryDevice(500ms)).error(), RequestError::malformedResponse);
        } else {
            QCOMPARE(QCoro::waitFor(manager->queryDeviceID(500ms)).error(), RequestError::malformedResponse);
        }
    }

    void replyWithWrongFirstByteIsNotAnAnswer()
    {
        manager->start();
        attachQuietly();
        device->addFault({SimulatedDorvel::ReplyFault::Kind::wrongFirstByte, 1, std::uint8_t(0xFF), 0});
        QCOMPARE(QCoro::waitFor(manager->queryDevice(50ms)).error(), RequestError::timeout);
        QVERIFY(QCoro::waitFor(manager->queryDevice(200ms)).ok());
    }

    void unplugWhileWaitingEndsTheRequestAtOnce()
    {
        manager->start();
        attachQuietly();
        device->replyLatency = 30ms;
        QSignalSpy idChanged(manager.get(), &DorvelDeviceManager::deviceIDChanged);
        // Far above the wait below, however slow the machine: the manager ends it when it goes.
        auto task = manager->queryDevice(TestTime::scaled(2s));
        bus->unplugAll();
        QVERIFY(!manager->isConnected());
        QVERIFY(!manager->lastQuery().has_value());
        QVERIFY(!manager->deviceID().has_value());
        QVERIFY(!manager->currentLocationID().has_value());
        QCOMPARE(idChanged.count(), 1);
        QCOMPARE(QCoro::waitFor(task).error(), RequestError::notConnected);
    }

    void replugResendsLEDStateBeforeAnyQuery()
    {
        manager->start();
        attachQuietly();
        manager->updateLEDState(greenLED());
        KESTRIX_WAIT_FOR(manager->lastQuery() && manager->lastQuery()->hue == 85);
        int queried = 0;
        manager->onDeviceQueried = [&](const DeviceQueryResponse &) {
            ++queried;
        };
        bus->unplugAll();
        ReportRecorder recorder(*device);
        bus->plug(*device, otherPort);
        KESTRIX_WAIT_FOR(manager->deviceID().has_value());
        QVERIFY(runUntilIdle());
        QCOMPARE(queried, 1);
        const auto commands = recorder.commands();
        QCOMPARE(commands, (std::vector<std::uint8_t>{0x02, 0x02, 0x02, 0xFF, 0x04}));
        QCOMPARE(manager->lastLEDStateReports(), greenLED());
    }

    void reconnectWait()
    {
        manager->start();
        attachQuietly();
        // Already attached at the location: returns without waiting.
        auto immediate = manager->waitForReconnect(homePort, 1s);
        QVERIFY(isDone(immediate));
        QVERIFY(QCoro::waitFor(immediate).ok());

        // Back at the same location: the wait ends with success.
        bus->unplugAll();
        auto same = manager->waitForReconnect(homePort, 2s);
        QVERIFY(!isDone(same));
        bus->plug(*device, homePort);
        QVERIFY(QCoro::waitFor(same).ok());

        // Back at another location: the wait keeps waiting and times out.
        bus->unplugAll();
        auto other = manager->waitForReconnect(homePort, 100ms);
        bus->plug(*device, otherPort);
        KESTRIX_WAIT_FOR(manager->isConnected());
        QVERIFY(!isDone(other));
        QCOMPARE(QCoro::waitFor(other).error(), RequestError::timeout);

        // An absent location matches only a device without one.
        bus->unplugAll();
        auto none = manager->waitForReconnect(std::nullopt, 2s);
        bus->plug(*device, std::nullopt);
        QVERIFY(QCoro::waitFor(none).ok());
        QVERIFY(!manager->currentLocationID().has_value());
    }

    void displacedRequestAndWaitEndAtOnce()
    {
        manager->start();
        attachQuietly();
        device->addFault({SimulatedDorvel::ReplyFault::Kind::drop, 1, std::uint8_t(0xFF), 0});
        auto first = manager->sendAndWait(stateQuery(), 10s, stateMatch);
        auto second = manager->queryDeviceID(1s);
        auto secondResult = QCoro::waitFor(second);
        QVERIFY(secondResult.ok());
        QVERIFY(isDone(first));
        QCOMPARE(QCoro::waitFor(first).error(), RequestError::timeout);

        bus->unplugAll();
        auto waitA = manager->waitForReconnect(homePort, 10s);
        auto waitB = manager->waitForReconnect(otherPort, 10s);
        QCOMPARE(QCoro::waitFor(waitA).error(), RequestError::timeout);
        QVERIFY(!isDone(waitB));
        bus->plug(*device, otherPort);
        QVERIFY(QCoro::waitFor(waitB).ok());
    }

    // The device answers in order: the reply to a displaced query comes first and tells the state
    // from before a binding written in between; the newer query must get its own reply.
    void aDisplacedQuerysReplyIsNotTakenForTheNewerOne()
    {
        manager->start();
        attachQuietly();
        device->replyLatency = 30ms;
        auto first = manager->queryDevice(1s);
        const std::uint8_t bind[] = {Dorvel::bindPresetCommand, 0x02};
        QVERIFY(manager->device()->writeReport(Dorvel::padded(bind)));
        auto second = manager->queryDevice(1s);
        const auto result = QCoro::waitFor(second);
        QVERIFY(result.ok());
        QCOMPARE(result->currentPresetID, std::optional<std::uint8_t>(2));
        QCOMPARE(QCoro::waitFor(first).error(), RequestError::timeout);
    }

    // The manager talks to the device matched last. Removing another one changes nothing; removing
    // the held one moves to the newest one left, with the whole attach sequence.
    void twoDevicesTalkToTheLastMatched()
    {
        SimulatedDorvel second({.platform = HardwarePlatform::rp2040,
                                .version = {2, 1, 0},
                                .deviceId = {0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10},
                                .replyLength = 32,
                                .flashStyleCount = 4});
        int queried = 0;
        manager->onDeviceQueried = [&](const DeviceQueryResponse &) {
            ++queried;
        };
        QSignalSpy connectedChanges(manager.get(), &DorvelDeviceManager::isConnectedChanged);
        manager->start();
        manager->updateLEDState(greenLED());
        auto firstId = bus->plug(*device, homePort);
        KESTRIX_WAIT_FOR(manager->deviceID() == std::optional<std::string>("0123456789abcdef"));
        auto secondId = bus->plug(second, otherPort);
        KESTRIX_WAIT_FOR(manager->deviceID() == std::optional<std::string>("fedcba9876543210"));
        QCOMPARE(manager->currentLocationID(), std::optional<LocationID>(otherPort));
        QCOMPARE(QCoro::waitFor(manager->queryDevice(200ms))->hwPlatform, HardwarePlatform::rp2040);

        bus->unplug(firstId);
        QVERIFY(manager->isConnected());
        QCOMPARE(manager->deviceID(), std::optional<std::string>("fedcba9876543210"));
        QCOMPARE(manager->lastQuery()->hwPlatform, HardwarePlatform::rp2040);
        QCOMPARE(QCoro::waitFor(manager->queryDevice(200ms))->hwPlatform, HardwarePlatform::rp2040);

        firstId = bus->plug(*device, homePort);
        KESTRIX_WAIT_FOR(manager->deviceID() == std::optional<std::string>("0123456789abcdef"));
        ReportRecorder toSecond(second);
        queried = 0;
        bus->unplug(firstId);
        QVERIFY(manager->isConnected());
        QCOMPARE(manager->currentLocationID(), std::optional<LocationID>(otherPort));
        KESTRIX_WAIT_FOR(manager->deviceID() == std::optional<std::string>("fedcba9876543210"));
        QCOMPARE(manager->lastQuery()->hwPlatform, HardwarePlatform::rp2040);
        QCOMPARE(queried, 1);
        // The LED state first, then the state and identity queries.
        QCOMPARE(toSecond.commands(), (std::vector<std::uint8_t>{0x02, 0x02, 0x02, 0xFF, 0x04}));
        QCOMPARE(connectedChanges.count(), 1); // never read disconnected on the way

        bus->unplug(secondId);
        QVERIFY(!manager->isConnected());
        QVERIFY(!manager->device());
        QVERIFY(!manager->deviceID());
    }

    void updateLEDStateWritesEveryCallAndRefreshes()
    {
        manager->start();
        attachQuietly();
        ReportRecorder recorder(*device);
        manager->updateLEDState(greenLED());
        manager->updateLEDState(greenLED());
        QCOMPARE(recorder.commands(), (std::vector<std::uint8_t>{0x02, 0x02, 0x02, 0xFF, 0x02, 0x02, 0x02, 0xFF}));
        KESTRIX_WAIT_FOR(manager->lastQuery() && manager->lastQuery()->hue == 85);
        QCOMPARE(manager->lastQuery()->rgbMode, std::optional(Dorvel::RGBMode::breatheFast));
        const Bytes off = Dorvel::ledEnabledReport(false);
        manager->updateLEDState({off});
        KESTRIX_WAIT_FOR(manager->lastQuery() && !manager->lastQuery()->isRGBEnabled);
    }

    void deviceWithoutPermissionIsReportedNotConnected()
    {
        QSignalSpy spy(manager.get(), &DorvelDeviceManager::hasInaccessibleDeviceChanged);
        manager->start();
        auto locked = bus->plugWithoutPermission(*device, homePort);
        KESTRIX_WAIT_FOR(manager->hasInaccessibleDevice());
        QVERIFY(!manager->isConnected());
        bus->unplug(locked);
        QVERIFY(!manager->hasInaccessibleDevice());
        QCOMPARE(spy.count(), 2);
    }

    void identityRefreshAfterReboot()
    {
        // Not connected: returns at once.
        QVERIFY(isDone(manager->refreshDeviceIDAfterReboot()));
        manager->start();
        attachQuietly();
        device->config().deviceId = {0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF, 0x00, 0x11};
        QCoro::waitFor(manager->refreshDeviceIDAfterReboot());
        QCOMPARE(*manager->deviceID(), std::string("aabbccddeeff0011"));
        // A failing query keeps the identity.
        device->addFault({SimulatedDorvel::ReplyFault::Kind::drop, 1, std::uint8_t(0x04), 0});
        device->config().deviceId = {};
        QCoro::waitFor(manager->refreshDeviceIDAfterReboot());
        QCOMPARE(*manager->deviceID(), std::string("aabbccddeeff0011"));
    }

    // While a holder owns the link nobody else gets the request slot: other requests fail at once
    // without sending, LED writes are kept back, and the holder's pending request is not displaced.
    void exclusiveLinkKeepsTheSlotForItsHolder()
    {
        manager->start();
        attachQuietly();
        auto link = manager->acquireExclusiveLink();
        QVERIFY(link.has_value());
        QVERIFY(manager->isLinkExclusive());
        QVERIFY(!manager->acquireExclusiveLink().has_value());

        device->replyLatency = 30ms;
        ReportRecorder recorder(*device);
        auto held = link->queryDevice(1s);
        auto other = manager->queryDevice(1s);
        QVERIFY(isDone(other));
        QCOMPARE(QCoro::waitFor(other).error(), RequestError::notConnected);
        QCOMPARE(QCoro::waitFor(manager->sendAndWait(stateQuery(), 1s, stateMatch)).error(),
                 RequestError::notConnected);
        manager->updateLEDState(greenLED()); // kept back, and its refresh must not take the slot
        QVERIFY(!isDone(held));
        QVERIFY(QCoro::waitFor(held).ok());
        QCOMPARE(recorder.commands(), (std::vector<std::uint8_t>{0xFF}));

        // A new attach while held: its queries are refused, so no callback and no identity.
        int queried = 0;
        manager->onDeviceQueried = [&](const DeviceQueryResponse &) {
            ++queried;
        };
        bus->unplugAll();
        bus->plug(*device, homePort);
        KESTRIX_WAIT_FOR(manager->isConnected());
        QVERIFY(runUntilIdle());
        QCOMPARE(queried, 0);
        QVERIFY(!manager->deviceID().has_value());

        auto moved = std::move(link);
        link.reset(); // a moved-from holder owns nothing
        QVERIFY(manager->isLinkExclusive());
        moved.reset();
        QVERIFY(!manager->isLinkExclusive());
        // The queries the holder kept out run once it lets go.
        KESTRIX_WAIT_FOR(manager->deviceID().has_value());
        QCOMPARE(queried, 1);
        QVERIFY(QCoro::waitFor(manager->queryDevice(1s)).ok());

        // A holder that outlives the manager fails its requests instead of touching it.
        auto late = manager->acquireExclusiveLink();
        manager.reset();
        QCOMPARE(QCoro::waitFor(late->queryDevice(1s)).error(), RequestError::notConnected);
    }

    void reconnectWaitCanIgnoreTheCurrentAttach()
    {
        manager->start();
        attachQuietly();
        const std::uint64_t before = manager->attachCount();
        auto wait = manager->waitForReconnect(homePort, 2s, before);
        QVERIFY(!isDone(wait)); // still attached from before: not back yet
        bus->unplugAll();
        bus->plug(*device, homePort);
        QVERIFY(QCoro::waitFor(wait).ok());
        QCOMPARE(manager->attachCount(), before + 1);
        QVERIFY(isDone(manager->waitForReconnect(homePort, 2s, before)));
    }

    void destroyingTheManagerEndsItsWaiters()
    {
        manager->start();
        attachQuietly();
        device->addFault({SimulatedDorvel::ReplyFault::Kind::drop, -1, std::nullopt, 0});
        auto request = manager->queryDevice(10s);
        auto wait = manager->waitForReconnect(otherPort, 10s);
        manager.reset();
        QVERIFY(isDone(request));
        QVERIFY(isDone(wait));
        QCOMPARE(QCoro::waitFor(request).error(), RequestError::notConnected);
    }
};

QTEST_GUILESS_MAIN(DeviceManagerTest)
#include "tst_devicemanager.moc"
