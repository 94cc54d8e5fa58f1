#include "device/DeviceQueryResponse.h"
#include "platform/sim/SimulatedDorvel.h"
#include "support/TestMain.h"

namespace {
Bytes report(std::initializer_list<std::uint8_t> head)
{
    return Dorvel::padded(Bytes(head));
}

// The status of an update reply, or none when the device stayed silent.
std::optional<UpdateStatus> statusOf(const std::optional<Bytes> &reply)
{
    if (!reply) {
        return std::nullopt;
    }
    return UpdateResponse::fromBytes(*reply).value().status;
}

Bytes chunkReport(std::uint16_t sequence, const Bytes &image, std::size_t index)
{
    Bytes r = report({0x03, 0x01, std::uint8_t(sequence & 0xFF), std::uint8_t(sequence >> 8)});
    const std::size_t from = index * 28;
    std::copy_n(image.begin() + from, std::min<std::size_t>(28, image.size() - from), r.begin() + 4);
    return r;
}

// Records what the device asks of its bus.
struct RecordingHost : SimulatedDeviceHost {
    std::vector<std::optional<Replug>> requests;
    void requestReplug(SimulatedDorvel &, std::optional<Replug> back) override { requests.push_back(back); }
    void forgetDevice(SimulatedDorvel &) override {}
};

DeviceQueryResponse queryOf(SimulatedDorvel &device)
{
    auto reply = device.handleReport(report({0xFF}));
    return DeviceQueryResponse::fromBytes(*reply).value();
}
} // namespace

// The simulated device must answer as the firmware does, or every test against it lies.
class SimulatedDorvelTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void settingsRoundTripThroughTheStateReply()
    {
        SimulatedDorvel device;
        QVERIFY(!device.handleReport(report({0x02, 0x00, 10, 20, 30})));
        device.handleReport(report({0x02, 0x01, 7}));
        device.handleReport(report({0x02, 0x03, 0}));
        device.handleReport(report({0x02, 0x07, 99}));
        device.handleReport(report({0x02, 0x0B, 2}));
        auto q = queryOf(device);
        QCOMPARE(q.hue, 10);
        QCOMPARE(q.saturation, 20);
        QCOMPARE(q.value, 30);
        QCOMPARE(q.rgbMode, std::optional(Dorvel::RGBMode::twinkleRandomHue));
        QVERIFY(!q.isRGBEnabled);
        QCOMPARE(q.whiteChannel, 99);
        QCOMPARE(q.breatheSweepMode, std::optional(Dorvel::BreatheSweepMode::fullSweep));

        // Brightness is the value byte.
        device.handleReport(report({0x02, 0x02, 201}));
        QCOMPARE(queryOf(device).value, 201);
        QCOMPARE(queryOf(device).hue, 10);

        // Out-of-range enumeration bytes leave the setting alone.
        device.handleReport(report({0x02, 0x01, 9}));
        device.handleReport(report({0x02, 0x0B, 0}));
        QCOMPARE(queryOf(device).rgbMode, std::optional(Dorvel::RGBMode::twinkleRandomHue));
        QCOMPARE(queryOf(device).breatheSweepMode, std::optional(Dorvel::BreatheSweepMode::fullSweep));

        device.handleReport(Dorvel::flashDurationReport(1500));
        device.handleReport(report({0x02, 0x08, 1, 5}));
        device.handleReport(report({0x02, 0x0A, 2}));
        QCOMPARE(device.led().flashDurationMs, 1500);
        QCOMPARE(device.led().flashStyle, Dorvel::FlashStyle::strobe);
        QCOMPARE(device.led().strobePulses, 5);
        QCOMPARE(device.led().suspendMode, Dorvel::SuspendMode::goDark);
        // A style beyond what the firmware offers is refused.
        device.config().flashStyleCount = 2;
        device.handleReport(report({0x02, 0x08, 3, 0}));
        QCOMPARE(device.led().flashStyle, Dorvel::FlashStyle::strobe);
    }

    void bindings()
    {
        SimulatedDorvel device;
        device.handleReport(report({0x00, 13}));
        auto q = queryOf(device);
        QCOMPARE(q.bindType, BindType::preset);
        QCOMPARE(q.currentPresetID, std::optional<std::uint8_t>(13));
        device.handleReport(report({0x00, 14})); // not an action: ignored
        QCOMPARE(queryOf(device).currentPresetID, std::optional<std::uint8_t>(13));

        device.handleReport(report({0x01, 0x05, 0x2C, 3, 6}));
        q = queryOf(device);
        QCOMPARE(q.bindType, BindType::custom);
        QCOMPARE(q.currentCustomMods, std::optional<std::uint8_t>(0x05));
        QCOMPARE(q.currentCustomKeycode, std::optional<std::uint8_t>(0x2C));
        QCOMPARE(q.customRepeatGapIndex, std::optional<std::uint8_t>(6));
        QCOMPARE(device.binding().repeat, 3);
    }

    void replyLengthAndIdentity_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("hasSweep");
        QTest::addColumn<bool>("hasStyles");
        QTest::addColumn<bool>("hasGap");
        QTest::newRow("21") << 21 << false << false << false;
        QTest::newRow("30") << 30 << true << false << false;
        QTest::newRow("31") << 31 << true << true << false;
        QTest::newRow("32") << 32 << true << true << true;
    }
    void replyLengthAndIdentity()
    {
        QFETCH(int, length);
        QFETCH(bool, hasSweep);
        QFETCH(bool, hasStyles);
        QFETCH(bool, hasGap);
        SimulatedDorvel device({.platform = HardwarePlatform::rp2040,
                                .version = {3, 2, 1},
                                .deviceId = {0xDE, 0xAD, 0xBE, 0xEF, 0, 1, 2, 3},
                                .replyLength = std::size_t(length),
                                .flashStyleCount = 3});
        auto reply = device.handleReport(report({0xFF}));
        QCOMPARE(int(reply->size()), length);
        auto q = DeviceQueryResponse::fromBytes(*reply).value();
        QCOMPARE(q.version, (FirmwareVersion{3, 2, 1}));
        QCOMPARE(q.hwPlatform, HardwarePlatform::rp2040);
        QCOMPARE(q.breatheSweepMode.has_value(), hasSweep);
        QCOMPARE(q.flashStyleCount.has_value(), hasStyles);
        QCOMPARE(q.customRepeatGapIndex.has_value(), hasGap);
        auto id = DeviceIDResponse::fromBytes(*device.handleReport(report({0x04})));
        QCOMPARE(id->identifier, std::string("deadbeef00010203"));
    }

    void faultsApplyToTheirCommandAndCount()
    {
        using Fault = SimulatedDorvel::ReplyFault;
        SimulatedDorvel device;
        device.addFault({Fault::Kind::drop, 2, std::uint8_t(0x04), 0});
        device.addFault({Fault::Kind::truncate, 1, std::uint8_t(0xFF), 5});
        QCOMPARE(device.handleReport(report({0xFF}))->size(), std::size_t(5));
        QCOMPARE(device.handleReport(report({0xFF}))->size(), std::size_t(32));
        QVERIFY(!device.handleReport(report({0x04})));
        QVERIFY(!device.handleReport(report({0x04})));
        QVERIFY(device.handleReport(report({0x04})));
        device.addFault({Fault::Kind::wrongFirstByte, -1, std::nullopt, 0});
        for (int i = 0; i < 3; ++i) {
            QCOMPARE((*device.handleReport(report({0xFF})))[0], std::uint8_t(0xFE));
        }
        // Commands that get no reply are never answered, whatever the faults.
        QVERIFY(!device.handleReport(report({0x02, 0x03, 1})));
        QVERIFY(!device.handleReport(Bytes{}));
    }

    // The firmware-update side: what each report is answered with, and what the device runs after
    // the reboot that a verified image causes.
    void updateSideAnswersAsTheFirmware()
    {
        using S = UpdateStatus;
        SimulatedDorvel device(
            {.version = {1, 0, 0}, .flashCapacity = 100, .rebootDelay = std::chrono::milliseconds(7)});
        RecordingHost host;
        device.setHost(&host);
        const Bytes image = SimulatedDorvel::makeFirmwareImage({1, 4, 0}, 60);
        const Bytes start = Dorvel::buildUpdateStartReport(60, Dorvel::crc32(image));

        QCOMPARE(statusOf(device.handleReport(chunkReport(0, image, 0))), std::optional(S::notStarted));
        QCOMPARE(statusOf(device.handleReport(report({0x03, 0x02}))), std::optional(S::notStarted));
        QCOMPARE(statusOf(device.handleReport(Dorvel::buildUpdateStartReport(101, 0))), std::optional(S::tooLarge));
        QCOMPARE(statusOf(device.handleReport(start)), std::optional(S::ok));
        QCOMPARE(statusOf(device.handleReport(start)), std::optional(S::busy));
        const Bytes bad = *device.handleReport(chunkReport(4, image, 0));
        QCOMPARE(UpdateResponse::fromBytes(bad)->expectedSequence, 0);
        for (std::uint16_t n = 0; n < 3; ++n) {
            QCOMPARE(statusOf(device.handleReport(chunkReport(n, image, n))), std::optional(S::ok));
        }
        QCOMPARE(device.receivedImage(), image);
        // A chunk past the announced size is refused.
        QCOMPARE(statusOf(device.handleReport(chunkReport(3, image, 0))), std::optional(S::tooLarge));
        QVERIFY(host.requests.empty());
        QCOMPARE(statusOf(device.handleReport(report({0x03, 0x02}))), std::optional(S::ok));
        QCOMPARE(host.requests.size(), std::size_t(1));
        QCOMPARE(host.requests[0]->delay, std::chrono::milliseconds(7));
        QVERIFY(!host.requests[0]->moveTo);
        // Going down: nothing is answered until the power is gone.
        QVERIFY(!device.handleReport(report({0xFF})));
        QCOMPARE(device.config().version, (FirmwareVersion{1, 0, 0}));
        device.unplugged();
        QCOMPARE(device.config().version, (FirmwareVersion{1, 4, 0}));
        QCOMPARE(device.updateProgress().updatesApplied, 1U);

        // An image that does not boot: the watchdog keeps the running version.
        const Bytes junk(30, 0x5A);
        device.handleReport(Dorvel::buildUpdateStartReport(30, Dorvel::crc32(junk)));
        device.handleReport(chunkReport(0, junk, 0));
        device.handleReport(chunkReport(1, junk, 1));
        QCOMPARE(statusOf(device.handleReport(report({0x03, 0x02}))), std::optional(S::ok));
        device.unplugged();
        QCOMPARE(device.config().version, (FirmwareVersion{1, 4, 0}));

        // A wrong checksum ends the session; abort ends one too.
        device.handleReport(Dorvel::buildUpdateStartReport(30, 1234));
        device.handleReport(chunkReport(0, junk, 0));
        device.handleReport(chunkReport(1, junk, 1));
        QCOMPARE(statusOf(device.handleReport(report({0x03, 0x02}))), std::optional(S::crcMismatch));
        QCOMPARE(statusOf(device.handleReport(chunkReport(2, junk, 0))), std::optional(S::notStarted));
        device.handleReport(start);
        QCOMPARE(statusOf(device.handleReport(report({0x03, 0x03}))), std::optional(S::ok));
        QCOMPARE(statusOf(device.handleReport(chunkReport(0, image, 0))), std::optional(S::notStarted));

        device.config().hasPartitionTable = false;
        QCOMPARE(statusOf(device.handleReport(start)), std::optional(S::noPartitionTable));
        QCOMPARE(host.requests.size(), std::size_t(2));
        device.setHost(nullptr);
    }

    void updateChunkFaults()
    {
        using S = UpdateStatus;
        using K = SimulatedDorvel::ChunkFault::Kind;
        SimulatedDorvel device;
        RecordingHost host;
        device.setHost(&host);
        const Bytes image = SimulatedDorvel::makeFirmwareImage({2, 0, 0}, 28 * 5);
        // Faults name the chunk the device waits for when a report arrives.
        device.updateFaults.chunks = {
            {K::ignore, 0, 2}, {K::loseAcknowledgement, 1}, {K::forceStatus, 3, 1, S::badSequence, 3}, {K::unplug, 4}};
        device.handleReport(Dorvel::buildUpdateStartReport(140, Dorvel::crc32(image)));
        // Ignored twice, then stored.
        QVERIFY(!device.handleReport(chunkReport(0, image, 0)));
        QVERIFY(!device.handleReport(chunkReport(0, image, 0)));
        QCOMPARE(statusOf(device.handleReport(chunkReport(0, image, 0))), std::optional(S::ok));
        // Stored without a reply; the resend meets the next number.
        QVERIFY(!device.handleReport(chunkReport(1, image, 1)));
        const auto resend = UpdateResponse::fromBytes(*device.handleReport(chunkReport(1, image, 1)));
        QCOMPARE(resend->status, S::badSequence);
        QCOMPARE(resend->expectedSequence, 2);
        QCOMPARE(statusOf(device.handleReport(chunkReport(2, image, 2))), std::optional(S::ok));
        // Forced: reported three ahead of what it waits for, and nothing stored.
        const auto forced = UpdateResponse::fromBytes(*device.handleReport(chunkReport(3, image, 3)));
        QCOMPARE(forced->expectedSequence, 6);
        QCOMPARE(device.updateProgress().receivedBytes, 84U);
        device.updateFaults.chunks.erase(device.updateFaults.chunks.begin() + 1);
        QCOMPARE(statusOf(device.handleReport(chunkReport(3, image, 3))), std::optional(S::ok));
        // Pulled out, for good.
        QVERIFY(!device.handleReport(chunkReport(4, image, 4)));
        QCOMPARE(host.requests.size(), std::size_t(1));
        QVERIFY(!host.requests[0].has_value());
        device.unplugged();
        QCOMPARE(device.updateProgress().phase, SimulatedDorvel::UpdateProgress::Phase::idle);
        device.setHost(nullptr);
    }
};

QTEST_GUILESS_MAIN(SimulatedDorvelTest)
#include "tst_simulateddorvel.moc"
