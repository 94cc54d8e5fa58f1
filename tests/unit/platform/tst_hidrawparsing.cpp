#include "data/hid/Descriptors.h"
#include "platform/linux/hid/HidReportDescriptor.h"
#include "platform/linux/hid/UsbLocation.h"
#include "support/TestMain.h"

#include <random>

Q_DECLARE_METATYPE(std::optional<HidTopLevelUsage>)
Q_DECLARE_METATYPE(std::optional<LocationID>)

namespace {
template <std::size_t N>
Bytes bytes(const std::array<std::uint8_t, N> &array)
{
    return Bytes(array.begin(), array.end());
}

// The offset just past the first Collection item and its data byte.
std::size_t endOfFirstCollectionItem(const Bytes &descriptor)
{
    for (std::size_t i = 0; i + 1 < descriptor.size(); ++i) {
        if (descriptor[i] == 0xA1) {
            return i + 2;
        }
    }
    return descriptor.size();
}
} // namespace

class HidrawParsingTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void topLevelUsage_data()
    {
        QTest::addColumn<Bytes>("descriptor");
        QTest::addColumn<std::optional<HidTopLevelUsage>>("expected");
        using U = HidTopLevelUsage;

        QTest::newRow("raw reports") << bytes(HidDescriptors::rawReports) << std::optional(U{0xFF60, 0x61});
        QTest::newRow("boot keyboard") << bytes(HidDescriptors::bootKeyboard) << std::optional(U{0x01, 0x06});
        QTest::newRow("last of several pages counts")
            << Bytes{0x05, 0x01, 0x05, 0x0C, 0x06, 0x60, 0xFF, 0x09, 0x61, 0xA1, 0x01, 0xC0}
            << std::optional(U{0xFF60, 0x61});
        // The page is joined to the usage at the main item, not where the usage was declared.
        QTest::newRow("page after usage")
            << Bytes{0x05, 0x01, 0x09, 0x06, 0x05, 0x0C, 0xA1, 0x01, 0xC0} << std::optional(U{0x0C, 0x06});
        QTest::newRow("extended usage brings its page")
            << Bytes{0x05, 0x01, 0x0B, 0x01, 0x00, 0x0C, 0x00, 0xA1, 0x01, 0xC0} << std::optional(U{0x0C, 0x01});
        QTest::newRow("pop restores the pushed page")
            << Bytes{0x05, 0x01, 0xA4, 0x05, 0x0C, 0xB4, 0x09, 0x02, 0xA1, 0x01} << std::optional(U{0x01, 0x02});
        QTest::newRow("long item skipped")
            << Bytes{0xFE, 0x02, 0x10, 0xA1, 0x09, 0x06, 0x60, 0xFF, 0x09, 0x61, 0xA1, 0x01}
            << std::optional(U{0xFF60, 0x61});
        QTest::newRow("no collection") << Bytes{0x05, 0x01, 0x09, 0x06, 0x81, 0x02} << std::optional<U>();
        QTest::newRow("empty") << Bytes{} << std::optional<U>();
        QTest::newRow("long item past the end") << Bytes{0xFE, 0xFF, 0x00, 0x01} << std::optional<U>();
    }

    void topLevelUsage()
    {
        QFETCH(Bytes, descriptor);
        QFETCH(std::optional<HidTopLevelUsage>, expected);
        QCOMPARE(parseTopLevelUsage(descriptor), expected);
    }

    // Every cut of a real descriptor: no result until its collection item is whole, then the
    // collection's usage, and never a read past the cut (the sanitizer build checks that).
    void truncatedDescriptors()
    {
        for (const Bytes &whole : {bytes(HidDescriptors::rawReports), bytes(HidDescriptors::bootKeyboard)}) {
            const auto complete = parseTopLevelUsage(whole);
            QVERIFY(complete);
            const auto needed = endOfFirstCollectionItem(whole);
            for (std::size_t length = 0; length <= whole.size(); ++length) {
                // A copy of exactly `length` bytes, so that reading past it is a heap overflow.
                const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
                const auto result = parseTopLevelUsage(cut);
                if (length < needed) {
                    QVERIFY2(!result, qPrintable(QStringLiteral("length %1").arg(length)));
                } else {
                    QCOMPARE(result, complete);
                }
            }
        }
    }

    void garbageNeverReadsPastTheEnd()
    {
        std::mt19937 random(20240601);
        std::uniform_int_distribution<int> byte(0, 255);
        std::uniform_int_distribution<std::size_t> length(0, 64);
        for (int round = 0; round < 20000; ++round) {
            Bytes garbage(length(random));
            for (auto &b : garbage) {
                b = static_cast<std::uint8_t>(byte(random));
            }
            (void)parseTopLevelUsage(garbage);
        }
        const Bytes deepPushes(200, 0xA4);
        QVERIFY(!parseTopLevelUsage(deepPushes));
    }

    void usbLocation_data()
    {
        QTest::addColumn<QString>("portPath");
        QTest::addColumn<std::optional<LocationID>>("expected");
        const auto row = [](const char *path, std::optional<LocationID> expected) {
            QTest::newRow(path) << QString::fromLatin1(path) << expected;
        };
        row("1-2.3", 0x01230000);
        row("3-1", 0x03100000);
        row("2-15", 0x02F00000);
        row("255-1", 0xFF100000);
        row("1-1.2.3.4.5.6", 0x01123456);
        row("1-1.2.3.4.5.6.7", std::nullopt);
        row("2-16", std::nullopt);
        row("1-0", std::nullopt);
        row("0-1", std::nullopt);
        row("256-1", std::nullopt);
        row("usb1", std::nullopt);
        row("1-2:1.0", std::nullopt);
        row("1-2.", std::nullopt);
        row("1-2.3 ", std::nullopt);
    }

    void usbLocation()
    {
        QFETCH(QString, portPath);
        QFETCH(std::optional<LocationID>, expected);
        QCOMPARE(packUsbLocation(portPath.toStdString()), expected);
    }
};

QTEST_GUILESS_MAIN(HidrawParsingTest)
#include "tst_hidrawparsing.moc"
