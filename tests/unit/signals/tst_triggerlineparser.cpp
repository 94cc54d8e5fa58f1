// The trigger line protocol, one connection's input at a time.
#include "signals/TriggerLineParser.h"
#include "support/TestMain.h"

namespace {

// Every report on one line, for failure messages.
QByteArray describe(const TriggerReports &reports)
{
    QByteArray out;
    for (const TriggerReport &report : reports) {
        out += '[' + report.name.toUtf8().toPercentEncoding(" ") + (report.value ? "=on] " : "=off] ");
    }
    return out.isEmpty() ? QByteArray("(none)") : out;
}

TriggerReports on(const char *name)
{
    return {{QString::fromUtf8(name), true}};
}

TriggerReports off(const char *name)
{
    return {{QString::fromUtf8(name), false}};
}

} // namespace

class TriggerLineParserTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsConnections_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<TriggerReports>("expected");

        // Names and values.
        QTest::newRow("on") << QByteArray("mic_muted 1") << on("mic_muted");
        QTest::newRow("padded") << QByteArray("  build_failed    7  ") << on("build_failed");
        QTest::newRow("negative") << QByteArray("build_failed -1") << on("build_failed");
        QTest::newRow("zero") << QByteArray("build_failed 0") << off("build_failed");
        QTest::newRow("plus zero") << QByteArray("build_failed +0") << off("build_failed");
        QTest::newRow("minus zero") << QByteArray("x -0") << off("x");
        QTest::newRow("plus") << QByteArray("x +5") << on("x");
        QTest::newRow("leading zeros") << QByteArray("x 000000000000000000000000000001") << on("x");
        QTest::newRow("trailing space") << QByteArray("x 1 ") << on("x");
        QTest::newRow("largest") << QByteArray("x 9223372036854775807") << on("x");
        QTest::newRow("smallest") << QByteArray("x -9223372036854775808") << on("x");
        QTest::newRow("non-ASCII name") << QByteArray("caf\xc3\xa9 1") << on("caf\xc3\xa9");
        QTest::newRow("case kept") << QByteArray("Mic 1\nmic 0")
                                   << TriggerReports{{QStringLiteral("Mic"), true}, {QStringLiteral("mic"), false}};

        // Invalid lines.
        for (const char *line :
             {"build_failed true", "build_failed 1.0", "build_failed", "a b c", "x 9223372036854775808",
              "x -9223372036854775809", "x +-5", "x -", "x +", "x 0x1", "x 1e3", "1", " ",
              "x \xd9\xa1" /* ARABIC-INDIC DIGIT ONE */, "x \xef\xbc\x91" /* FULLWIDTH DIGIT ONE */}) {
            QTest::newRow(line) << QByteArray(line) << TriggerReports{};
        }

        // Blanks: tabs and space separators are trimmed, but only U+0020 splits.
        QTest::newRow("tabs around") << QByteArray("\t x 1\t") << on("x");
        QTest::newRow("tab between") << QByteArray("x\t1") << TriggerReports{};
        QTest::newRow("tab in name") << QByteArray("a\tb 1") << on("a\tb");
        QTest::newRow("tab in value") << QByteArray("x 1\t2") << TriggerReports{};
        QTest::newRow("space separators around")
            << QByteArray("\xc2\xa0x 1\xe3\x80\x80") /* NO-BREAK SPACE, IDEOGRAPHIC SPACE */ << on("x");
        QTest::newRow("no-break space between") << QByteArray("x\xc2\xa0") + "1" << TriggerReports{};
        QTest::newRow("vertical tab is not trimmed") << QByteArray("x 1\v") << TriggerReports{};

        // Lines.
        QTest::newRow("in order") << QByteArray("a 1\nb 0\na 0\n")
                                  << TriggerReports{{QStringLiteral("a"), true},
                                                    {QStringLiteral("b"), false},
                                                    {QStringLiteral("a"), false}};
        QTest::newRow("empty lines") << QByteArray("\n\n a 1 \n\n") << on("a");
        QTest::newRow("after an invalid line") << QByteArray("garbage\nb 1\n") << on("b");
        QTest::newRow("line feed first") << QByteArray("\na 1") << on("a");

        // CR LF is no line break: the text around it is one invalid line.
        QTest::newRow("CR LF lines") << QByteArray("a 1\r\nb 0\r\n") << TriggerReports{};
        QTest::newRow("CR LF at the end") << QByteArray("a 1\r\n") << TriggerReports{};
        QTest::newRow("CR LF joins two pieces") << QByteArray("\r\nb 1") << TriggerReports{};
        QTest::newRow("CR LF then LF") << QByteArray("a 1\r\n\nb 0") << off("b");
        QTest::newRow("lone CR") << QByteArray("a 1\r") << TriggerReports{};
        // A lone CR is no line break, and not trimmed either: it belongs to the name.
        QTest::newRow("LF CR") << QByteArray("a 1\n\rb 0\n")
                               << TriggerReports{{QStringLiteral("a"), true}, {QStringLiteral("\rb"), false}};

        // UTF-8 is checked over the whole connection.
        QTest::newRow("invalid byte later") << QByteArray("a 1\nb \xff\nc 1\n") << TriggerReports{};
        QTest::newRow("truncated sequence") << QByteArray("a 1\n\xc3") << TriggerReports{};
        QTest::newRow("encoded surrogate") << QByteArray("a 1\n\xed\xa0\x80 1\n") << TriggerReports{};
        QTest::newRow("overlong space") << QByteArray("a\xc0\xa0") + "1" << TriggerReports{};
    }
    void readsConnections()
    {
        QFETCH(QByteArray, input);
        QFETCH(TriggerReports, expected);
        const TriggerReports reports = parseTriggerInput(input);
        QVERIFY2(reports == expected, describe(reports).constData());
    }

    // The first bytes of an oversized connection: only lines ended inside them count.
    void cutInputDropsItsLastLine_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<TriggerReports>("expected");
        QTest::newRow("cut line") << QByteArray("a 1\nb 1\nc 1")
                                  << TriggerReports{{QStringLiteral("a"), true}, {QStringLiteral("b"), true}};
        QTest::newRow("cut at a line feed") << QByteArray("a 1\n") << on("a");
        QTest::newRow("no line feed") << QByteArray("a 1") << TriggerReports{};
        QTest::newRow("cut after CR LF") << QByteArray("a 1\nb 1\r\n") << on("a");
        // The limit may fall inside a character; the dropped part is not checked.
        QTest::newRow("cut inside a character") << QByteArray("a 1\n\xe2\x82") << on("a");
        QTest::newRow("invalid kept line") << QByteArray("a \xff\nb 1\nc") << TriggerReports{};
    }
    void cutInputDropsItsLastLine()
    {
        QFETCH(QByteArray, input);
        QFETCH(TriggerReports, expected);
        const TriggerReports reports = parseTriggerInput(input, TriggerInputEnd::cut);
        QVERIFY2(reports == expected, describe(reports).constData());
    }

    // The single-line reading scripts' argument checks rely on.
    void singleLines()
    {
        QCOMPARE(parseTriggerLine("x 1").value_or(TriggerReport{}).name, QStringLiteral("x"));
        QVERIFY(!parseTriggerLine("x \xff"));
        QVERIFY(!parseTriggerLine("x 1\r\ny 1"));
    }
};

QTEST_APPLESS_MAIN(TriggerLineParserTest)
#include "tst_triggerlineparser.moc"
