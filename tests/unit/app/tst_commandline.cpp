#include "app/AppInfo.h"
#include "app/CommandLine.h"
#include "support/BuildPaths.h"
#include "support/TestMain.h"
#include "util/Logging.h"

#include <QProcess>
#include <QTemporaryDir>

using CommandLine::DisplayEnvironment;
using CommandLine::Options;

namespace {
CommandLine::Parsed parse(QStringList arguments)
{
    arguments.prepend(QStringLiteral("kestrix"));
    return CommandLine::parse(arguments);
}

// The installed program as a user starts it from a terminal without a desktop session: no
// display, no platform asked for, private settings and a loopback update server.
QProcessEnvironment terminalWithoutDisplay(const QTemporaryDir &home)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "QT_LOGGING_RULES"}) {
        environment.remove(QString::fromLatin1(name));
    }
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
    environment.insert(QStringLiteral("KESTRIX_UPDATE_BASE_URL"), QStringLiteral("http://127.0.0.1:9/"));
    return environment;
}

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

Run runKestrix(const QStringList &arguments, const QProcessEnvironment &environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(kestrix::buildpaths::app(), arguments);
    Run run;
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}
} // namespace

class CommandLineTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parsesTheOptions()
    {
        const auto help = parse({QStringLiteral("--help")});
        QVERIFY(!help.run);
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.text.startsWith(QStringLiteral("Usage: kestrix [options]")));
        QVERIFY(help.text.contains(QStringLiteral("--verbose")));
        QVERIFY(help.text.contains(QStringLiteral("QT_QPA_PLATFORM=offscreen")));
        // Qt's own options are accepted but not advertised.
        QVERIFY(!help.text.contains(QStringLiteral("platform <")));

        const auto version = parse({QStringLiteral("-v")});
        QVERIFY(!version.run);
        QCOMPARE(version.text, QStringLiteral("Kestrix ") + QLatin1String(AppInfo::shortVersion) + QLatin1Char('\n'));

        const auto verbose = parse({QStringLiteral("--verbose")});
        QVERIFY(verbose.run);
        QVERIFY(verbose.options.verbose);
        QVERIFY(!parse({}).options.verbose);

        // Qt reads -platform and -display itself once the application exists; they must not be
        // usage errors, and they decide whether a display is needed.
        const auto qtOptions = parse({QStringLiteral("-platform"), QStringLiteral("offscreen"),
                                      QStringLiteral("-display"), QStringLiteral(":3"), QStringLiteral("-reverse")});
        QVERIFY(qtOptions.run);
        QCOMPARE(qtOptions.options.platform, QStringLiteral("offscreen"));
        QCOMPARE(qtOptions.options.display, QStringLiteral(":3"));

        for (const QStringList &wrong : {QStringList{QStringLiteral("--bogus")}, QStringList{QStringLiteral("stray")},
                                         QStringList{QStringLiteral("-platform")}}) {
            const auto parsed = parse(wrong);
            QVERIFY2(!parsed.run, qPrintable(wrong.join(QLatin1Char(' '))));
            QCOMPARE(parsed.exitCode, 2);
            QCOMPARE(parsed.text.count(QLatin1Char('\n')), 1);
            QVERIFY(parsed.text.contains(QStringLiteral("kestrix --help")));
        }
    }

    void decidesWhetherADisplayIsThere_data()
    {
        QTest::addColumn<QString>("platformOption");
        QTest::addColumn<QString>("qpaPlatform");
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("wayland");
        QTest::addColumn<bool>("canStart");

        QTest::newRow("nothing") << QString() << QString() << QString() << QString() << false;
        QTest::newRow("X11") << QString() << QString() << QStringLiteral(":0") << QString() << true;
        QTest::newRow("Wayland") << QString() << QString() << QString() << QStringLiteral("wayland-0") << true;
        QTest::newRow("offscreen asked") << QString() << QStringLiteral("offscreen") << QString() << QString() << true;
        QTest::newRow("xcb without X") << QString() << QStringLiteral("xcb") << QString() << QStringLiteral("w-0")
                                       << false;
        QTest::newRow("fallback list") << QString() << QStringLiteral("wayland;xcb") << QStringLiteral(":1")
                                       << QString() << true;
        QTest::newRow("fallbacks all missing")
            << QString() << QStringLiteral("wayland;xcb:foo") << QString() << QString() << false;
        QTest::newRow("-platform wins") << QStringLiteral("offscreen") << QStringLiteral("xcb") << QString()
                                        << QString() << true;
        QTest::newRow("-platform xcb without X")
            << QStringLiteral("xcb") << QStringLiteral("offscreen") << QString() << QString() << false;
    }

    void decidesWhetherADisplayIsThere()
    {
        QFETCH(QString, platformOption);
        QFETCH(QString, qpaPlatform);
        QFETCH(QString, display);
        QFETCH(QString, wayland);
        QFETCH(bool, canStart);
        Options options;
        if (!platformOption.isEmpty()) {
            options.platform = platformOption;
        }
        const auto why = CommandLine::missingDisplay(options, DisplayEnvironment{qpaPlatform, display, wayland});
        QCOMPARE(!why.has_value(), canStart);
        if (why) {
            QVERIFY(!why->contains(QLatin1Char('\n')));
            QVERIFY(why->contains(QStringLiteral("QT_QPA_PLATFORM=offscreen")));
        }
        // Qt's -display option is a display too.
        options.display = QStringLiteral(":5");
        if (platformOption.isEmpty() && qpaPlatform.isEmpty()) {
            QVERIFY(!CommandLine::missingDisplay(options, DisplayEnvironment{qpaPlatform, {}, {}}));
        }
    }

    void verboseTurnsOnEverySubsystem()
    {
        // Quiet by default: not even a failure is printed.
        CommandLine::applyDiagnostics(Options{});
        for (const QLoggingCategory *category :
             {&lcDevice(), &lcSignals(), &lcRules(), &lcTimers(), &lcFirmware(), &lcUpdate()}) {
            QVERIFY2(!category->isWarningEnabled(), category->categoryName());
        }
        // Nor are Qt's own warnings, the platform plugin's or uncategorised ones; a fatal error still is.
        QVERIFY(!QLoggingCategory("qt.qpa.xcb").isWarningEnabled());
        QVERIFY(!QLoggingCategory("default").isWarningEnabled());
        QVERIFY(QLoggingCategory("qt.qpa.xcb").isCriticalEnabled());
        Options verbose;
        verbose.verbose = true;
        CommandLine::applyDiagnostics(verbose);
        for (const QLoggingCategory *category :
             {&lcDevice(), &lcSignals(), &lcRules(), &lcTimers(), &lcFirmware(), &lcUpdate()}) {
            QVERIFY2(category->isInfoEnabled(), category->categoryName());
        }
        // The backends' categories sit below their subsystem's.
        QVERIFY(QLoggingCategory("kestrix.signals.calendar", QtCriticalMsg).isInfoEnabled());
        QVERIFY(QLoggingCategory("qt.qpa.xcb").isWarningEnabled());
        QLoggingCategory::setFilterRules({});
    }

    // The real program, as a terminal without a desktop session starts it: help and version work,
    // and starting Kestrix itself ends with one line instead of Qt's platform-plugin abort.
    void answersInATerminalWithoutDisplay()
    {
        QTemporaryDir home;
        QVERIFY(home.isValid());
        const QProcessEnvironment environment = terminalWithoutDisplay(home);

        const Run version = runKestrix({QStringLiteral("--version")}, environment);
        QCOMPARE(version.exitCode, 0);
        QCOMPARE(version.out.trimmed(), QStringLiteral("Kestrix ") + QLatin1String(AppInfo::shortVersion));
        QCOMPARE(version.err, QString());

        const Run help = runKestrix({QStringLiteral("--help")}, environment);
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.contains(QStringLiteral("--verbose")));

        const Run start = runKestrix({QStringLiteral("--verbose")}, environment);
        QVERIFY2(start.exitCode > 0, qPrintable(start.err));
        QCOMPARE(start.err.count(QLatin1Char('\n')), 1);
        QVERIFY2(start.err.contains(QStringLiteral("desktop session")), qPrintable(start.err));
        QCOMPARE(start.out, QString());

        const Run wrong = runKestrix({QStringLiteral("--frobnicate")}, environment);
        QCOMPARE(wrong.exitCode, 2);
        QVERIFY(wrong.err.contains(QStringLiteral("frobnicate")));
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "tst_commandline.moc"
