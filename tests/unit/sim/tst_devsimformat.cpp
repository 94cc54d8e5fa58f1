// What kestrix-devsim writes for scripts and people (state file, report log, terminal lines), how
// it reads its command line, and the socket bus's device description.
#include "DevsimFormat.h"
#include "DevsimOptions.h"
#include "platform/sim/SocketBus.h"
#include "support/TestMain.h"

#include <QJsonDocument>

namespace {
Bytes report(std::initializer_list<std::uint8_t> head)
{
    return Dorvel::padded(Bytes(head));
}

QStringList strings(std::initializer_list<const char *> texts)
{
    QStringList list;
    for (const char *text : texts) {
        list << QString::fromLatin1(text);
    }
    return list;
}

Result<DevsimOptions, QString> parse(QStringList arguments)
{
    QCommandLineParser parser;
    setUpDevsimParser(parser);
    arguments.prepend(QStringLiteral("kestrix-devsim"));
    if (!parser.parse(arguments)) {
        return parser.errorText();
    }
    return readDevsimOptions(parser);
}
} // namespace

class DevsimFormatTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void stateJsonHoldsTheWholeDeviceState()
    {
        SimulatedDorvel device({.platform = HardwarePlatform::rp2040,
                                .version = {2, 1, 0},
                                .deviceId = {0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10},
                                .replyLength = 32,
                                .flashStyleCount = 4});
        for (const Bytes &r : {report({0x02, 0x01, 3}), report({0x02, 0x00, 85, 255, 200}), report({0x02, 0x03, 0}),
                               report({0x02, 0x07, 9}), report({0x02, 0x04, 1}), report({0x02, 0x05, 10, 20, 30}),
                               Dorvel::flashDurationReport(1500), report({0x02, 0x08, 1, 5}), report({0x02, 0x0A, 1}),
                               report({0x02, 0x0B, 2}), report({0x01, 0x05, 0x04, 2, 3})}) {
            device.handleReport(r);
        }
        const QJsonObject expected = QJsonDocument::fromJson(R"({
            "attached": true, "version": "2.1.0", "platform": "rp2040", "deviceId": "fedcba9876543210",
            "locationId": 337641472,
            "led": {"on": false, "mode": "hueCycle", "hue": 85, "saturation": 255, "value": 200, "white": 9},
            "flash": {"on": true, "hue": 10, "saturation": 20, "value": 30, "durationMs": 1500,
                      "style": "strobe", "pulses": 5},
            "suspendMode": "freeze", "breatheSweep": "fullSweep",
            "binding": {"type": "custom", "mods": 5, "keycode": 4, "repeat": 2, "gap": 3},
            "update": {"phase": "idle", "totalSize": 0, "receivedBytes": 0, "crc32": "0x00000000",
                       "expectedSequence": 0, "lastStatus": null, "bootVersion": null, "updatesApplied": 0},
            "reportsReceived": 11, "appConnections": 2
        })")
                                         .object();
        QCOMPARE(Devsim::stateJson(device, {true, 0x14200000, 11, 2}), expected);

        device.handleReport(report({0x00, 3}));
        const QJsonObject detached = Devsim::stateJson(device, {false, std::nullopt, 12});
        QCOMPARE(detached.value(QStringLiteral("binding")).toObject(),
                 (QJsonObject{{QStringLiteral("type"), QStringLiteral("preset")}, {QStringLiteral("preset"), 3}}));
        QVERIFY(detached.value(QStringLiteral("locationId")).isNull());
        QCOMPARE(detached.value(QStringLiteral("attached")), QJsonValue(false));
    }

    void reportLogLineIsTheFrameAsTheDeviceReadsIt()
    {
        QCOMPARE(Devsim::reportLogLine(1234, Bytes{0xFF}), QByteArray("1234 ff") + QByteArray(62, '0') + '\n');
        Bytes tooLong(40, 0xAB);
        tooLong[0] = 0x02;
        QCOMPARE(Devsim::reportLogLine(0, tooLong), "0 02" + QByteArray("ab").repeated(31) + '\n');
    }

    void describeReport_data()
    {
        QTest::addColumn<Bytes>("bytes");
        QTest::addColumn<QString>("line");
        QTest::newRow("state") << Bytes{0xFF} << QStringLiteral("state query");
        QTest::newRow("identity") << Bytes{0x04} << QStringLiteral("identity query");
        QTest::newRow("preset") << Bytes{0x00, 3} << QStringLiteral("bind preset 3 (Volume Down)");
        QTest::newRow("unknown preset") << Bytes{0x00, 99} << QStringLiteral("bind preset 99 (unknown)");
        QTest::newRow("custom") << Bytes{0x01, 0x05, 0x04, 2, 3}
                                << QStringLiteral("bind custom mods 0x05 keycode 0x04 repeat 2 gap 3");
        QTest::newRow("color") << Bytes{0x02, 0x00, 85, 255, 200} << QStringLiteral("LED color 85/255/200");
        QTest::newRow("mode") << Bytes{0x02, 0x01, 2} << QStringLiteral("LED mode Breathe (fast)");
        QTest::newRow("bad mode") << Bytes{0x02, 0x01, 9} << QStringLiteral("LED mode 0x09 (unknown)");
        QTest::newRow("off") << Bytes{0x02, 0x03, 0} << QStringLiteral("LED off");
        QTest::newRow("duration") << Bytes(Dorvel::flashDurationReport(1500))
                                  << QStringLiteral("flash duration 1500 ms");
        QTest::newRow("strobe") << Bytes{0x02, 0x08, 1, 5} << QStringLiteral("flash style strobe, 5 pulses");
        QTest::newRow("update") << Dorvel::buildUpdateStartReport(10, 20) << QStringLiteral("firmware update start");
        QTest::newRow("unknown") << Bytes{0x42} << QStringLiteral("unknown command 0x42");
    }
    void describeReport()
    {
        QFETCH(Bytes, bytes);
        QFETCH(QString, line);
        QCOMPARE(Devsim::describeReport(bytes), line);
    }

    void ledLineShowsTheColour()
    {
        QCOMPARE(Devsim::hsvToRgb(0, 255, 255), (Devsim::Rgb{255, 0, 0}));
        QCOMPARE(Devsim::hsvToRgb(123, 0, 200), (Devsim::Rgb{200, 200, 200}));
        QCOMPARE(Devsim::hsvToRgb(200, 255, 0), (Devsim::Rgb{0, 0, 0}));
        const Devsim::Rgb green = Devsim::hsvToRgb(85, 255, 255);
        QVERIFY(green.green == 255 && green.red < 8 && green.blue == 0);
        const Devsim::Rgb blue = Devsim::hsvToRgb(170, 255, 255);
        QVERIFY(blue.blue == 255 && blue.red == 0 && blue.green < 8);

        SimulatedDorvel::Led led;
        led.hue = 0;
        led.saturation = 255;
        led.value = 255;
        led.mode = Dorvel::RGBMode::knightScanner;
        QCOMPARE(Devsim::ledLine(led, false), QStringLiteral("LED [#ff0000] on   Knight  hsv 0/255/255  white 0"));
        QVERIFY(Devsim::ledLine(led, true).startsWith(QStringLiteral("LED \x1b[48;2;255;0;0m")));
        led.on = false;
        QVERIFY(Devsim::ledLine(led, false).startsWith(QStringLiteral("LED [#000000] off")));
    }

    void busDescriptionJson()
    {
        const SocketBusDevice device{0x1209, 0x0001, 0xFF60, 0x61, 0x14200000, QStringLiteral("0123")};
        QCOMPARE(SocketBusDevice::fromJson(device.toJson()), std::optional(device));
        SocketBusDevice unplaced = device;
        unplaced.locationId.reset();
        QCOMPARE(SocketBusDevice::fromJson(unplaced.toJson()), std::optional(unplaced));
        QCOMPARE(SocketBusDevice::fromJson(R"({"vendorId":1,"productId":2,"usagePage":3,"usage":4})"),
                 std::optional(SocketBusDevice{1, 2, 3, 4, std::nullopt, {}}));
        for (const char *bad : {"", "{", "[]", R"({"vendorId":1,"productId":2,"usagePage":3})",
                                R"({"vendorId":-1,"productId":2,"usagePage":3,"usage":4})",
                                R"({"vendorId":1.5,"productId":2,"usagePage":3,"usage":4})",
                                R"({"vendorId":65536,"productId":2,"usagePage":3,"usage":4})",
                                R"({"vendorId":1,"productId":2,"usagePage":3,"usage":4,"locationId":"0x1"})",
                                R"({"vendorId":1,"productId":2,"usagePage":3,"usage":4,"locationId":4294967296})",
                                R"({"vendorId":1,"productId":2,"usagePage":3,"usage":4,"serial":7})"}) {
            QVERIFY2(!SocketBusDevice::fromJson(bad), bad);
        }
    }

    void optionsDefaultsAndValues()
    {
        const auto defaults = parse({QStringLiteral("--bus"), QStringLiteral("/b")});
        QVERIFY(defaults.ok());
        QCOMPARE(defaults->name, QStringLiteral("dorvel"));
        QCOMPARE(defaults->location, std::optional<LocationID>(0x14200000));
        QCOMPARE(defaults->device.platform, HardwarePlatform::rp2350);
        QCOMPARE(defaults->device.version, (FirmwareVersion{1, 0, 0}));
        QCOMPARE(defaults->device.deviceId, SimulatedDorvel::Config{}.deviceId);
        QCOMPARE(defaults->device.replyLength, std::size_t(32));
        QCOMPARE(defaults->device.flashStyleCount, 4);
        QVERIFY(!defaults->quiet);

        const auto set =
            parse(strings({"--bus", "/b", "--name", "desk", "--location", "337641472", "--platform", "unknown",
                           "--version", "3.2.1", "--device-id", "00112233445566FF", "--reply-length", "21",
                           "--flash-styles", "2", "--latency-ms", "0x10", "--quiet"}));
        QVERIFY2(set.ok(), set.ok() ? "" : qPrintable(set.error()));
        QCOMPARE(set->name, QStringLiteral("desk"));
        QCOMPARE(set->location, std::optional<LocationID>(0x14200000));
        QCOMPARE(set->device.platform, HardwarePlatform::unknown);
        QCOMPARE(set->device.version, (FirmwareVersion{3, 2, 1}));
        QCOMPARE(set->device.deviceId[7], 0xFF);
        QCOMPARE(set->device.replyLength, std::size_t(21));
        QCOMPARE(set->device.flashStyleCount, 2);
        QCOMPARE(set->latency, std::chrono::milliseconds(16));
        QVERIFY(set->quiet);
        QVERIFY(!parse(strings({"--bus", "/b", "--location", "none"}))->location.has_value());
    }

    void updateFaultOptions()
    {
        using Kind = SimulatedDorvel::ChunkFault::Kind;
        const auto set = parse(strings({"--bus",
                                        "/b",
                                        "--reboot-delay-ms",
                                        "50",
                                        "--after-reboot",
                                        "0x14300000",
                                        "--no-partition-table",
                                        "--flash-size",
                                        "1000",
                                        "--update-status",
                                        "start=busy",
                                        "--update-status",
                                        "chunk:3=flashWriteFailed",
                                        "--update-status",
                                        "end=crcMismatch",
                                        "--ignore-chunk",
                                        "4:always",
                                        "--ignore-chunk",
                                        "5:2",
                                        "--lose-ack",
                                        "6",
                                        "--unplug-at-chunk",
                                        "7"}));
        QVERIFY2(set.ok(), set.ok() ? "" : qPrintable(set.error()));
        QCOMPARE(set->device.rebootDelay, std::chrono::milliseconds(50));
        QVERIFY(!set->device.hasPartitionTable);
        QCOMPARE(set->device.flashCapacity, 1000U);
        const auto &faults = set->updateFaults;
        QCOMPARE(faults.afterReboot, SimulatedDorvel::UpdateFaults::AfterReboot::otherLocation);
        QCOMPARE(faults.otherLocation, LocationID(0x14300000));
        QCOMPARE(faults.startStatus, std::optional(UpdateStatus::busy));
        QCOMPARE(faults.endStatus, std::optional(UpdateStatus::crcMismatch));
        QCOMPARE(faults.chunks.size(), std::size_t(5));
        QCOMPARE(faults.chunks[0].kind, Kind::forceStatus);
        QCOMPARE(faults.chunks[0].status, UpdateStatus::flashWriteFailed);
        QCOMPARE(faults.chunks[1].count, -1);
        QCOMPARE(faults.chunks[2].count, 2);
        QCOMPARE(faults.chunks[3].kind, Kind::loseAcknowledgement);
        QCOMPARE(faults.chunks[4].kind, Kind::unplug);
        QCOMPARE(faults.chunks[4].chunk, 7U);

        const auto defaults = parse(strings({"--bus", "/b"}));
        QCOMPARE(defaults->device.rebootDelay, std::chrono::milliseconds(2000));
        QCOMPARE(defaults->updateFaults.afterReboot, SimulatedDorvel::UpdateFaults::AfterReboot::sameLocation);
        QCOMPARE(parse(strings({"--bus", "/b", "--after-reboot", "never"}))->updateFaults.afterReboot,
                 SimulatedDorvel::UpdateFaults::AfterReboot::never);
    }

    void optionErrorsNameTheOption_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("option");
        QTest::newRow("location text") << strings({"--location", "12abc"}) << QStringLiteral("--location");
        QTest::newRow("negative") << strings({"--location", "-1"}) << QStringLiteral("--location");
        QTest::newRow("platform") << strings({"--platform", "rp9999"}) << QStringLiteral("--platform");
        QTest::newRow("version") << strings({"--version", "1.2"}) << QStringLiteral("--version");
        QTest::newRow("device id short") << strings({"--device-id", "0123"}) << QStringLiteral("--device-id");
        QTest::newRow("reply too short") << strings({"--reply-length", "20"}) << QStringLiteral("--reply-length");
        QTest::newRow("latency") << strings({"--latency-ms", "60001"}) << QStringLiteral("--latency-ms");
        QTest::newRow("hidden name") << strings({"--name", ".x"}) << QStringLiteral("--name");
        QTest::newRow("positional") << strings({"extra"}) << QStringLiteral("extra");
        QTest::newRow("status name") << strings({"--update-status", "start=fine"}) << QStringLiteral("--update-status");
        QTest::newRow("status place") << strings({"--update-status", "middle=ok"}) << QStringLiteral("--update-status");
        QTest::newRow("ignore count") << strings({"--ignore-chunk", "3:0"}) << QStringLiteral("--ignore-chunk");
        QTest::newRow("after reboot") << strings({"--after-reboot", "later"}) << QStringLiteral("--after-reboot");
    }
    void optionErrorsNameTheOption()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, option);
        const auto result = parse(QStringList{QStringLiteral("--bus"), QStringLiteral("/b")} + arguments);
        QVERIFY(!result.ok());
        QVERIFY2(result.error().contains(option), qPrintable(result.error()));
    }
};

QTEST_GUILESS_MAIN(DevsimFormatTest)
#include "tst_devsimformat.moc"
