#include "device/DeviceQueryResponse.h"
#include "device/Dorvel.h"
#include "device/FirmwareVersion.h"
#include "device/PresetAction.h"
#include "device/UpdateResponse.h"
#include "support/TestMain.h"

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>

using OptionalQuery = std::optional<DeviceQueryResponse>;

namespace {

Bytes fromHex(const char *hex)
{
    const QByteArray raw = QByteArray::fromHex(hex); // spaces are skipped
    return Bytes(raw.begin(), raw.end());
}

QByteArray toHex(const Bytes &bytes)
{
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size())).toHex(' ');
}

// The given leading bytes, then zeros up to a full 32-byte report.
Bytes report32(const char *headHex)
{
    Bytes out = fromHex(headHex);
    out.resize(32, 0);
    return out;
}

// Every decoded field on one line, for failure messages.
std::string describe(const DeviceQueryResponse &r)
{
    const auto num = [](auto v) {
        return std::to_string(int(v));
    };
    const auto opt = [&](const auto &v) {
        return v ? num(*v) : std::string("-");
    };
    return "bind=" + num(r.bindType) + " preset=" + opt(r.currentPresetID) + " mods=" + opt(r.currentCustomMods) +
           " key=" + opt(r.currentCustomKeycode) + " v=" + r.version.description() + " hw=" + num(r.hwPlatform) +
           " sweep=" + opt(r.breatheSweepMode) + " styles=" + opt(r.flashStyleCount) +
           " gap=" + opt(r.customRepeatGapIndex) + " mode=" + opt(r.rgbMode) + " hsv=" + num(r.hue) + "," +
           num(r.saturation) + "," + num(r.value) + " on=" + num(r.isRGBEnabled) + " white=" + num(r.whiteChannel);
}

template <typename E>
QList<int> raws(const auto &cases)
{
    QList<int> out;
    for (E c : cases) {
        out.append(rawValue(c));
    }
    return out;
}

// For every byte 0..255: the raw value of the decoded case, or -1.
template <typename E>
QList<int> decodeEveryByte()
{
    QList<int> out;
    for (int b = 0; b < 256; ++b) {
        const auto decoded = fromRaw<E>(std::uint8_t(b));
        out.append(decoded ? rawValue(*decoded) : -1);
    }
    return out;
}

template <typename E>
void addEnumRow(const char *name, std::initializer_list<E> namedCases, QList<int> expectedRaws)
{
    QTest::newRow(name) << raws<E>(allCases<E>()) << raws<E>(namedCases) << decodeEveryByte<E>() << expectedRaws;
}

} // namespace

// QCOMPARE finds this through the global namespace of DeviceQueryResponse.
char *toString(const OptionalQuery &r)
{
    return qstrdup(r ? describe(*r).c_str() : "no reply");
}

class TestProtocol : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void reports_data()
    {
        QTest::addColumn<Bytes>("report");
        QTest::addColumn<Bytes>("expected");

        const Bytes exact = fromHex("FF 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F "
                                    "10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F");
        Bytes longer = exact;
        longer.insert(longer.end(), 8, 0xEE);
        QTest::newRow("padded empty") << Dorvel::padded({}) << Bytes(32, 0);
        QTest::newRow("padded short") << Dorvel::padded(fromHex("01 02 03")) << report32("01 02 03");
        QTest::newRow("padded 32") << Dorvel::padded(exact) << exact;
        QTest::newRow("padded 40") << Dorvel::padded(longer) << exact;

        QTest::newRow("flash duration 1500") << Dorvel::flashDurationReport(1500) << report32("02 06 DC 05");
        QTest::newRow("update start") << Dorvel::buildUpdateStartReport(0x12345, 0x89ABCDEF)
                                      << report32("03 00 45 23 01 00 EF CD AB 89");
        // Bytes counting up and wrapping at 256; CRC-32 0x74E3FB41, sent low byte first.
        Bytes image(1000);
        for (std::size_t i = 0; i < image.size(); ++i) {
            image[i] = std::uint8_t(i);
        }
        QTest::newRow("update start for image")
            << Dorvel::buildUpdateStartReport(std::uint32_t(image.size()), Dorvel::crc32(image))
            << report32("03 00 E8 03 00 00 41 FB E3 74");
    }
    void reports()
    {
        QFETCH(Bytes, report);
        QFETCH(Bytes, expected);
        QCOMPARE(toHex(report), toHex(expected));
    }

    void crc32_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<uint>("expected");
        QTest::newRow("check string") << QByteArray("123456789") << 0xCBF43926U;
        QTest::newRow("empty") << QByteArray() << 0x00000000U;
        QTest::newRow("a") << QByteArray("a") << 0xE8B7BE43U;
        QTest::newRow("32 zeros") << QByteArray(32, '\0') << 0x190A55ADU;
        QTest::newRow("four 0xFF") << QByteArray(4, '\xFF') << 0xFFFFFFFFU;
        QTest::newRow("fox") << QByteArray("The quick brown fox jumps over the lazy dog") << 0x414FA339U;
    }
    void crc32()
    {
        QFETCH(QByteArray, input);
        QFETCH(uint, expected);
        const Bytes bytes(input.begin(), input.end());
        QCOMPARE(Dorvel::crc32(bytes), expected);
    }

    void rawEnums_data()
    {
        QTest::addColumn<QList<int>>("listed");
        QTest::addColumn<QList<int>>("named");
        QTest::addColumn<QList<int>>("decoded");
        QTest::addColumn<QList<int>>("expected");
        using namespace Dorvel;
        using enum RGBMode;
        using enum FlashStyle;
        using enum SuspendMode;
        using enum BreatheSweepMode;
        using enum PresetAction;
        using enum UpdateStatus;
        addEnumRow<RGBMode>("RGBMode",
                            {solid, breatheSlow, breatheFast, hueCycle, rainbowSwirl, staticGradient, twinkleSameHue,
                             twinkleRandomHue, knightScanner},
                            {0, 1, 2, 3, 4, 5, 6, 7, 8});
        addEnumRow<FlashStyle>("FlashStyle", {single, strobe, wipe, breatheOnce}, {0, 1, 2, 3});
        addEnumRow<SuspendMode>("SuspendMode", {keepAnimating, freeze, goDark}, {0, 1, 2});
        addEnumRow<BreatheSweepMode>("BreatheSweepMode", {scaled, fullSweep}, {1, 2});
        addEnumRow<PresetAction>("PresetAction",
                                 {lockScreen, mute, volumeUp, volumeDown, playPause, powerOff, screenshot, nextTrack,
                                  prevTrack, brightnessUp, brightnessDown, sleep, showDesktop, aiInterrupt},
                                 {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13});
        addEnumRow<BindType>("BindType", {BindType::unknown, BindType::preset, BindType::custom}, {0, 1, 2});
        addEnumRow<HardwarePlatform>("HardwarePlatform",
                                     {HardwarePlatform::unknown, HardwarePlatform::rp2040, HardwarePlatform::rp2350},
                                     {0, 1, 2});
        addEnumRow<UpdateStatus>(
            "UpdateStatus",
            {ok, tooLarge, badSequence, crcMismatch, flashWriteFailed, notStarted, busy, noPartitionTable},
            {0, 1, 2, 3, 4, 5, 6, 7});
    }
    void rawEnums()
    {
        QFETCH(QList<int>, listed);
        QFETCH(QList<int>, named);
        QFETCH(QList<int>, decoded);
        QFETCH(QList<int>, expected);
        QCOMPARE(named, expected);
        QCOMPARE(listed, expected);
        for (int b = 0; b < 256; ++b) {
            QCOMPARE(decoded[b], expected.contains(b) ? b : -1);
        }
    }

    void presetActionNames()
    {
        QStringList names;
        for (PresetAction action : allCases<PresetAction>()) {
            names.append(QString::fromUtf8(displayName(action)));
        }
        QCOMPARE(names.join(u'|'), QStringLiteral("Lock Screen|Mute|Volume Up|Volume Down|Play / Pause|"
                                                  "Power Off (Linux & Windows only)|Screenshot|Next Track|Prev Track|"
                                                  "Brightness Up|Brightness Down|Sleep|"
                                                  "Show Desktop (Linux & Windows only)|AI Interrupt"));
    }

    void versionFromString_data()
    {
        QTest::addColumn<QByteArray>("text");
        // The parsed version's description, empty for none.
        QTest::addColumn<QByteArray>("expected");
        const std::pair<const char *, const char *> rows[] = {{"1.2.3", "1.2.3"},
                                                              {"1..2.3", "1.2.3"},
                                                              {".1.2.3.", "1.2.3"},
                                                              {"1.4.0", "1.4.0"},
                                                              {"255.255.255", "255.255.255"},
                                                              {"1.2", ""},
                                                              {"1.2.3.4", ""},
                                                              {"1.2.300", ""},
                                                              {"", ""},
                                                              {"...", ""},
                                                              {"a.b.c", ""},
                                                              {"+1.2.3", ""},
                                                              {"-1.2.3", ""},
                                                              {"1.2.3 ", ""},
                                                              {" 1.2.3", ""},
                                                              // Pieces that do not convert are skipped, not rejected.
                                                              {"1.x.2.3", "1.2.3"},
                                                              {"256.1.1.1", "1.1.1"},
                                                              {"99999999999.1.2.3", "1.2.3"}};
        for (const auto &[text, expected] : rows) {
            QTest::newRow(text[0] ? text : "(empty)") << QByteArray(text) << QByteArray(expected);
        }
    }
    void versionFromString()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, expected);
        const auto version = FirmwareVersion::fromString(std::string_view(text.constData(), text.size()));
        QCOMPARE(version ? QByteArray::fromStdString(version->description()) : QByteArray(), expected);
    }

    void versionOrdering()
    {
        const std::pair<FirmwareVersion, FirmwareVersion> ascending[] = {
            {{1, 9, 9}, {1, 10, 0}}, {{1, 255, 255}, {2, 0, 0}}, {{1, 4, 0}, {1, 4, 1}}};
        for (const auto &[lower, higher] : ascending) {
            QVERIFY(lower < higher && higher > lower && lower != higher);
            QVERIFY(FirmwareVersion::fromString(lower.description()) == lower);
        }
    }

    void deviceQuery_data()
    {
        QTest::addColumn<Bytes>("reply");
        QTest::addColumn<OptionalQuery>("expected");
        // Unused bytes hold 0xAA so that a read from a wrong offset shows.
        const Bytes full = fromHex("FF AA AA 04 0A 14 1E 01 40 01 05 77 AA AA AA AA "
                                   "01 04 00 AA 02 AA AA AA AA AA AA AA AA 02 04 03");
        const DeviceQueryResponse base{.bindType = BindType::preset,
                                       .currentPresetID = 5,
                                       .currentCustomMods = {},
                                       .currentCustomKeycode = {},
                                       .version = {1, 4, 0},
                                       .hwPlatform = HardwarePlatform::rp2350,
                                       .breatheSweepMode = Dorvel::BreatheSweepMode::fullSweep,
                                       .flashStyleCount = 4,
                                       .customRepeatGapIndex = 3,
                                       .rgbMode = Dorvel::RGBMode::rainbowSwirl,
                                       .hue = 10,
                                       .saturation = 20,
                                       .value = 30,
                                       .isRGBEnabled = true,
                                       .whiteChannel = 0x40};

        const auto patched = [&](std::initializer_list<std::pair<std::size_t, std::uint8_t>> changes) {
            Bytes reply = full;
            for (auto [index, byte] : changes) {
                reply[index] = byte;
            }
            return reply;
        };
        const auto cut = [&](std::size_t size) {
            return Bytes(full.begin(), full.begin() + size);
        };
        const auto with = [&](const std::function<void(DeviceQueryResponse &)> &change) {
            DeviceQueryResponse r = base;
            change(r);
            return OptionalQuery(r);
        };
        const auto noTail = [](DeviceQueryResponse &r) {
            r.breatheSweepMode.reset();
            r.flashStyleCount.reset();
            r.customRepeatGapIndex.reset();
        };

        QTest::newRow("32 bytes") << full << OptionalQuery(base);
        Bytes longer = full;
        longer.insert(longer.end(), 8, 0x55);
        QTest::newRow("40 bytes") << longer << OptionalQuery(base);
        QTest::newRow("31 bytes") << cut(31) << with([](auto &r) { r.customRepeatGapIndex.reset(); });
        QTest::newRow("30 bytes") << cut(30) << with([](auto &r) {
            r.customRepeatGapIndex.reset();
            r.flashStyleCount.reset();
        });
        QTest::newRow("29 bytes") << cut(29) << with(noTail);
        QTest::newRow("21 bytes") << cut(21) << with(noTail);
        QTest::newRow("20 bytes") << cut(20) << OptionalQuery();
        QTest::newRow("empty") << Bytes() << OptionalQuery();
        QTest::newRow("wrong command") << patched({{0, 0xFE}}) << OptionalQuery();

        QTest::newRow("custom bind") << patched({{9, 2}}) << with([](auto &r) {
            r.bindType = BindType::custom;
            r.currentPresetID.reset();
            r.currentCustomMods = 0x05;
            r.currentCustomKeycode = 0x77;
        });
        for (std::uint8_t bind : {0, 7}) {
            QTest::addRow("bind byte %d", bind) << patched({{9, bind}}) << with([](auto &r) {
                r.bindType = BindType::unknown;
                r.currentPresetID.reset();
            });
        }
        QTest::newRow("unknown rgb mode") << patched({{3, 9}}) << with([](auto &r) { r.rgbMode.reset(); });
        for (std::uint8_t sweep : {0, 3}) {
            QTest::addRow("sweep byte %d", sweep)
                << patched({{29, sweep}}) << with([](auto &r) { r.breatheSweepMode.reset(); });
        }
        QTest::newRow("sweep scaled") << patched({{29, 1}})
                                      << with([](auto &r) { r.breatheSweepMode = Dorvel::BreatheSweepMode::scaled; });
        QTest::newRow("rp2040") << patched({{20, 1}}) << with([](auto &r) { r.hwPlatform = HardwarePlatform::rp2040; });
        for (std::uint8_t platform : {0, 3, 0xFF}) {
            QTest::addRow("platform byte %d", platform)
                << patched({{20, platform}}) << with([](auto &r) { r.hwPlatform = HardwarePlatform::unknown; });
        }
        QTest::newRow("enabled 0x80") << patched({{7, 0x80}}) << OptionalQuery(base);
        QTest::newRow("disabled") << patched({{7, 0}}) << with([](auto &r) { r.isRGBEnabled = false; });
    }
    void deviceQuery()
    {
        QFETCH(Bytes, reply);
        QFETCH(OptionalQuery, expected);
        QCOMPARE(DeviceQueryResponse::fromBytes(reply), expected);
    }

    void deviceID_data()
    {
        QTest::addColumn<Bytes>("reply");
        QTest::addColumn<QString>("expected"); // null for none
        QTest::newRow("identity") << fromHex("04 01 23 45 67 89 AB CD EF") << QStringLiteral("0123456789abcdef");
        QTest::newRow("extra bytes ignored")
            << fromHex("04 FF 00 FF 00 10 20 30 40 99 99") << QStringLiteral("ff00ff0010203040");
        QTest::newRow("8 bytes") << fromHex("04 01 23 45 67 89 AB CD") << QString();
        QTest::newRow("wrong command") << fromHex("05 01 23 45 67 89 AB CD EF") << QString();
        QTest::newRow("empty") << Bytes() << QString();
    }
    void deviceID()
    {
        QFETCH(Bytes, reply);
        QFETCH(QString, expected);
        const auto id = DeviceIDResponse::fromBytes(reply);
        QCOMPARE(id ? QString::fromStdString(id->identifier) : QString(), expected);
    }

    void updateResponse_data()
    {
        QTest::addColumn<Bytes>("reply");
        // "subCommand status expectedSequence", empty for none.
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("4 bytes") << fromHex("03 01 02 07") << QByteArray();
        QTest::newRow("empty") << Bytes() << QByteArray();
        QTest::newRow("wrong command") << fromHex("02 01 00 00 00") << QByteArray();
        QTest::newRow("status 8") << fromHex("03 01 08 00 00") << QByteArray();
        QTest::newRow("status 0xFF") << fromHex("03 01 FF 00 00") << QByteArray();
        QTest::newRow("bad sequence 7") << fromHex("03 01 02 07 00") << QByteArray("1 2 7");
        QTest::newRow("bad sequence max") << fromHex("03 01 02 FF FF") << QByteArray("1 2 65535");
        QTest::newRow("bad sequence order") << fromHex("03 01 02 34 12") << QByteArray("1 2 4660");
        QTest::newRow("ok ignores sequence") << fromHex("03 02 00 07 00") << QByteArray("2 0 0");
        QTest::newRow("crc mismatch ignores sequence") << fromHex("03 02 03 FF FF") << QByteArray("2 3 0");
        QTest::newRow("no partition table") << fromHex("03 00 07 00 00") << QByteArray("0 7 0");
        QTest::newRow("padded report") << Dorvel::padded(fromHex("03 03 06 01 00")) << QByteArray("3 6 0");
    }
    void updateResponse()
    {
        QFETCH(Bytes, reply);
        QFETCH(QByteArray, expected);
        const auto r = UpdateResponse::fromBytes(reply);
        QCOMPARE(r ? QByteArray::number(r->subCommand) + ' ' + QByteArray::number(rawValue(r->status)) + ' ' +
                         QByteArray::number(r->expectedSequence)
                   : QByteArray(),
                 expected);
    }
};

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
