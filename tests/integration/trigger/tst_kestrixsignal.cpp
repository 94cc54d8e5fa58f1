// The kestrix-signal program against a real trigger server, as shell and AI tool hooks run it.
#include "TriggerTestSupport.h"
#include "support/BuildPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <vector>

class KestrixSignalTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> home;
    QByteArray errors;

    QString socketPath() const { return ExternalTriggerServer::defaultOptions().socketPath; }

    // Runs the program to its end: its exit code, or -1 when it did not end within 10 s.
    int run(const QStringList &arguments, const QByteArray &input = {})
    {
        QProcess process;
        process.start(kestrix::buildpaths::signalTool(), arguments);
        process.write(input);
        process.closeWriteChannel();
        if (!process.waitForFinished(10000)) {
            process.kill();
            process.waitForFinished();
            return -1;
        }
        errors = process.readAllStandardError();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

private Q_SLOTS:
    void init()
    {
        home = std::make_unique<QTemporaryDir>();
        QVERIFY(home->isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(home->filePath(QStringLiteral("data"))));
        QVERIFY(QDir().mkpath(QFileInfo(socketPath()).absolutePath()));
    }
    void cleanup() { home.reset(); }

    void sendsPairsInOneConnection()
    {
        TriggerListener::Options options = ExternalTriggerServer::defaultOptions();
        options.socketPath = home->filePath(QStringLiteral("other.sock"));
        const auto server = makeServer(options);
        TriggerRecorder recorder(*server);
        server->start();
        KESTRIX_WAIT_FOR(server->isListening());

        QCOMPARE(run({QStringLiteral("--socket"), options.socketPath, QStringLiteral("a"), QStringLiteral("1"),
                      QStringLiteral("b"), QStringLiteral("0"), QStringLiteral("build"), QStringLiteral("-7")}),
                 0);
        KESTRIX_WAIT_FOR(recorder.count == 3);
        QCOMPARE(recorder.reports, QByteArray("[a=on] [b=off] [build=on] "));
        QVERIFY(errors.isEmpty());
    }

    // Standard input goes as it is, all of it, beyond what the server keeps of a connection too.
    void forwardsStandardInput()
    {
        const auto server = makeServer(ExternalTriggerServer::defaultOptions());
        TriggerRecorder recorder(*server);
        server->start();
        KESTRIX_WAIT_FOR(server->isListening());

        QCOMPARE(run({}, "x 1\nnot valid\ny 0\n"), 0);
        KESTRIX_WAIT_FOR(recorder.count == 2);
        QCOMPARE(recorder.reports, QByteArray("[x=on] [y=off] "));
        QCOMPARE(run({}, QByteArray("p 1\n").repeated(64 * 1024)), 0); // 256 KiB
        KESTRIX_WAIT_FOR(recorder.count == 2 + 16 * 1024);             // the lines of the first 64 KiB
    }

    // Checked before connecting: no server runs, yet the status is 2, not 1.
    void rejectsBadArguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        const QString one = QStringLiteral("1");
        QTest::newRow("no value") << QStringList{QStringLiteral("a")};
        QTest::newRow("fraction") << QStringList{QStringLiteral("a"), QStringLiteral("1.0")};
        QTest::newRow("word") << QStringList{QStringLiteral("a"), QStringLiteral("true")};
        QTest::newRow("overflow") << QStringList{QStringLiteral("a"), QStringLiteral("9223372036854775808")};
        QTest::newRow("space in name") << QStringList{QStringLiteral("a b"), one};
        QTest::newRow("tab in name") << QStringList{QStringLiteral("a\tb"), one};
        QTest::newRow("line feed in name") << QStringList{QStringLiteral("a\nb"), one};
        QTest::newRow("empty name") << QStringList{QString(), one};
        QTest::newRow("name trimmed by Kestrix") << QStringList{QStringLiteral("\u00a0a"), one};
        QTest::newRow("second pair") << QStringList{QStringLiteral("a"), one, QStringLiteral("b"), QStringLiteral("x")};
        QTest::newRow("unknown option") << QStringList{QStringLiteral("--bogus")};
        QTest::newRow("socket without path") << QStringList{QStringLiteral("--socket")};
    }
    void rejectsBadArguments()
    {
        QFETCH(QStringList, arguments);
        QCOMPARE(run(arguments), 2);
        QVERIFY2(errors.startsWith("kestrix-signal: "), errors.constData());
    }

    void reportsKestrixNotRunning_data()
    {
        QTest::addColumn<bool>("staleSocket");
        QTest::newRow("no socket") << false;
        QTest::newRow("stale socket") << true;
    }
    void reportsKestrixNotRunning()
    {
        QFETCH(bool, staleSocket);
        QVERIFY(!staleSocket || openSocket(socketPath(), SocketRole::stale));
        QCOMPARE(run({QStringLiteral("a"), QStringLiteral("1")}), 1);
        QVERIFY2(errors.contains("Kestrix is not running"), errors.constData());
        QVERIFY2(errors.contains(QFile::encodeName(socketPath())), errors.constData());
    }

    // An endpoint that never accepts, with its backlog full: the program gives up on its own.
    void givesUpOnAnEndpointThatDoesNotAccept()
    {
        const SocketFd busy = openSocket(socketPath(), SocketRole::listener, 0);
        QVERIFY(busy);
        std::vector<SocketFd> waiting;
        while (SocketFd client = openSocket(socketPath(), SocketRole::nonBlockingClient)) {
            waiting.push_back(std::move(client));
            QVERIFY(waiting.size() < 64);
        }
        QCOMPARE(run({QStringLiteral("a"), QStringLiteral("1")}), 1);
        QVERIFY2(errors.contains("busy"), errors.constData());
    }
};

QTEST_GUILESS_MAIN(KestrixSignalTest)
#include "tst_kestrixsignal.moc"
