#include "device/KeycodeMapping.h"
#include "support/BuildPaths.h"
#include "support/TestMain.h"

#include <QFile>

#include <map>

#include <set>

Q_DECLARE_METATYPE(KeyboardConventions)

namespace {
constexpr KeyboardConventions linuxKeys{KeyboardConventions::KeyCodes::linuxXkbKeycode, false};
constexpr KeyboardConventions macKeys{KeyboardConventions::KeyCodes::macVirtualKey, true};
constexpr KeyboardConventions macKeysUnswapped{KeyboardConventions::KeyCodes::macVirtualKey, false};
constexpr int none = -1;
} // namespace

class KeycodeMappingTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Both tables hold the same 74 keys, each key once.
    void tablesCoverTheSameKeys()
    {
        std::multiset<std::uint8_t> mac, evdev;
        for (std::uint32_t code = 0; code <= 0xFFFF; ++code) {
            if (auto usage = MacKeycodeMapping::hidUsage(static_cast<std::uint16_t>(code))) {
                mac.insert(*usage);
            }
            if (auto usage = LinuxKeycodeMapping::hidUsage(code)) {
                evdev.insert(*usage);
            }
        }
        QCOMPARE(mac.size(), 74u);
        QCOMPARE(std::set<std::uint8_t>(mac.begin(), mac.end()).size(), 74u);
        QVERIFY(mac == evdev);
    }

    // Every key of the literal table in the test data, by both codes, and nothing else: a swapped
    // pair, a wrong code or an extra key fails here.
    void tablesMatchTheWrittenTable()
    {
        QFile file(kestrix::buildpaths::sourceDir() + QStringLiteral("/tests/data/keycodes/recordable-keys.txt"));
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        std::map<std::uint32_t, std::uint8_t> mac, evdev;
        while (!file.atEnd()) {
            const QByteArray line = file.readLine().trimmed();
            if (line.isEmpty() || line.startsWith('#')) {
                continue;
            }
            const QList<QByteArray> fields = line.split('\t');
            QCOMPARE(fields.size(), 4);
            bool ok[3] = {};
            const auto usage = static_cast<std::uint8_t>(fields[3].toUInt(&ok[2], 16));
            QVERIFY(mac.emplace(fields[1].toUInt(&ok[0]), usage).second);
            QVERIFY(evdev.emplace(fields[2].toUInt(&ok[1]), usage).second);
            QVERIFY2(ok[0] && ok[1] && ok[2], line.constData());
        }
        QCOMPARE(mac.size(), std::size_t(74));
        for (std::uint32_t code = 0; code <= 0xFFFF; ++code) {
            const auto m = mac.find(code);
            const auto e = evdev.find(code);
            QCOMPARE(MacKeycodeMapping::hidUsage(std::uint16_t(code)),
                     m == mac.end() ? std::nullopt : std::optional(m->second));
            QCOMPARE(LinuxKeycodeMapping::hidUsage(code), e == evdev.end() ? std::nullopt : std::optional(e->second));
        }
    }

    void keys_data()
    {
        QTest::addColumn<int>("macCode");
        QTest::addColumn<int>("evdevCode");
        QTest::addColumn<int>("usage");
        QTest::newRow("A") << 0 << 30 << 0x04;
        QTest::newRow("K") << 40 << 37 << 0x0E;
        QTest::newRow("1") << 18 << 2 << 0x1E;
        QTest::newRow("Return") << 36 << 28 << 0x28;
        QTest::newRow("Escape") << 53 << 1 << 0x29;
        QTest::newRow("Space") << 49 << 57 << 0x2C;
        QTest::newRow("grave") << 50 << 41 << 0x35;
        QTest::newRow("F1") << 122 << 59 << 0x3A;
        QTest::newRow("F12") << 111 << 88 << 0x45;
        QTest::newRow("Help / Insert") << 114 << 110 << 0x49;
        QTest::newRow("Forward Delete") << 117 << 111 << 0x4C;
        QTest::newRow("Up Arrow") << 126 << 103 << 0x52;
        QTest::newRow("Caps Lock") << 57 << 58 << none;
        QTest::newRow("Right Shift") << 60 << 54 << none;
        QTest::newRow("Command / Super") << 55 << 125 << none;
        QTest::newRow("keypad 1") << 83 << 79 << none;
        QTest::newRow("F13") << 105 << 183 << none;
        QTest::newRow("ISO extra key") << 10 << 86 << none;
    }
    void keys()
    {
        QFETCH(int, macCode);
        QFETCH(int, evdevCode);
        QFETCH(int, usage);
        const std::optional<std::uint8_t> expected =
            usage == none ? std::nullopt : std::optional(static_cast<std::uint8_t>(usage));
        QCOMPARE(MacKeycodeMapping::hidUsage(static_cast<std::uint16_t>(macCode)), expected);
        QCOMPARE(LinuxKeycodeMapping::hidUsage(static_cast<std::uint32_t>(evdevCode)), expected);
        // As key events carry them.
        QCOMPARE(KeyTranslation::translate(macKeys, 0, static_cast<std::uint32_t>(macCode), {}).usage, expected);
        QCOMPARE(KeyTranslation::translate(linuxKeys, static_cast<std::uint32_t>(evdevCode) + 8, 0, {}).usage,
                 expected);
    }

    void eventsWithoutAPhysicalKey()
    {
        // Synthesized events carry scan code 0, which must not read as evdev code -8 or as Escape.
        QCOMPARE(KeyTranslation::translate(linuxKeys, 0, 0x61, {}).usage, std::nullopt);
        QCOMPARE(KeyTranslation::translate(linuxKeys, 8, 0, {}).usage, std::nullopt);
        QCOMPARE(KeyTranslation::translate(macKeys, 30, 0x10000, {}).usage, std::nullopt);
    }

    void modifiers_data()
    {
        QTest::addColumn<KeyboardConventions>("conventions");
        QTest::addColumn<Qt::KeyboardModifiers>("qt");
        QTest::addColumn<int>("hid");
        QTest::newRow("none") << linuxKeys << Qt::KeyboardModifiers() << 0x00;
        QTest::newRow("Ctrl") << linuxKeys << Qt::KeyboardModifiers(Qt::ControlModifier) << 0x01;
        QTest::newRow("Shift") << linuxKeys << Qt::KeyboardModifiers(Qt::ShiftModifier) << 0x02;
        QTest::newRow("Alt") << linuxKeys << Qt::KeyboardModifiers(Qt::AltModifier) << 0x04;
        QTest::newRow("Super") << linuxKeys << Qt::KeyboardModifiers(Qt::MetaModifier) << 0x08;
        QTest::newRow("Super+Shift") << linuxKeys << (Qt::MetaModifier | Qt::ShiftModifier) << 0x0A;
        QTest::newRow("all four") << linuxKeys
                                  << (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier | Qt::MetaModifier)
                                  << 0x0F;
        QTest::newRow("keypad, AltGr") << linuxKeys << (Qt::KeypadModifier | Qt::GroupSwitchModifier) << 0x00;
        // Qt on macOS: ControlModifier is the Command key, MetaModifier the Control key.
        QTest::newRow("mac Command+Shift") << macKeys << (Qt::ControlModifier | Qt::ShiftModifier) << 0x0A;
        QTest::newRow("mac Control") << macKeys << Qt::KeyboardModifiers(Qt::MetaModifier) << 0x01;
        QTest::newRow("mac Option") << macKeys << Qt::KeyboardModifiers(Qt::AltModifier) << 0x04;
        QTest::newRow("mac arrow flags") << macKeys << Qt::KeyboardModifiers(Qt::KeypadModifier) << 0x00;
        QTest::newRow("mac, swap turned off") << macKeysUnswapped << (Qt::ControlModifier | Qt::MetaModifier) << 0x09;
    }
    void modifiers()
    {
        QFETCH(KeyboardConventions, conventions);
        QFETCH(Qt::KeyboardModifiers, qt);
        QFETCH(int, hid);
        QCOMPARE(int(KeyTranslation::hidModifiers(qt, conventions)), hid);
    }
};

QTEST_GUILESS_MAIN(KeycodeMappingTest)
#include "tst_keycodemapping.moc"
