#include "device/DeviceQueryResponse.h"
#include "platform/sim/SimulatedDorvel.h"

#include <QTest>

namespace {
Bytes report(std::initializer_list<std::uint8_t> head)
{
    return Dorvel::padded(Bytes(head));
}

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
};

QTEST_GUILESS_MAIN(SimulatedDorvelTest)
#include "tst_simulateddorvel.moc"
