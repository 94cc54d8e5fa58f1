// The trigger server over real sockets in a temporary support folder.
#include "TriggerTestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace std::chrono_literals;

namespace {

mode_t modeOf(const QString &path)
{
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode : 0;
}

int openDescriptorCount()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

TriggerListener::Options withSilence(std::chrono::milliseconds silence)
{
    TriggerListener::Options options = ExternalTriggerServer::defaultOptions();
    options.readSilence = silence;
    return options;
}

// Starts the server and waits for its set-up, which must give `listening`.
bool started(ExternalTriggerServer &server, bool listening = true)
{
    QSignalSpy finished(&server, &ExternalTriggerServer::setUpFinished);
    server.start();
    return QTest::qWaitFor([&] { return !finished.isEmpty(); }, 5000) && finished.at(0).at(0).toBool() == listening &&
           server.isListening() == listening;
}

} // namespace

class TriggerServerTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> home;
    QString socketPath() const { return ExternalTriggerServer::defaultOptions().socketPath; }

private Q_SLOTS:
    void init()
    {
        home = std::make_unique<QTemporaryDir>();
        QVERIFY(home->isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(home->filePath(QStringLiteral("data"))));
    }
    void cleanup() { home.reset(); }

    void publishesEveryValidLineInOrder()
    {
        const auto server = makeServer(withSilence(200ms));
        TriggerRecorder recorder(*server);
        QVERIFY(started(*server));
        server->start(); // a second start changes nothing

        QVERIFY(sendConnection(socketPath(), "a 1\nb 0\nnot a line\n  a 0\nb\n"));
        QVERIFY(sendConnection(socketPath(), "c 1"));   // the last line needs no line feed
        QVERIFY(sendConnection(socketPath(), "a 0\n")); // a repeated value is a change all the same
        KESTRIX_WAIT_FOR(recorder.count == 5);
        QCOMPARE(recorder.reports, QByteArray("[a=on] [b=off] [a=off] [c=on] [a=off] "));
        QCOMPARE(recorder.changes, 5);
        const std::map<QString, bool> values{
            {QStringLiteral("a"), false}, {QStringLiteral("b"), false}, {QStringLiteral("c"), true}};
        QVERIFY(server->signalValues() == values);
    }

    // Neither the umask nor the moment between bind and chmod ever opens the socket to others.
    void socketAndFolderAreOwnerOnly()
    {
        const mode_t previousUmask = ::umask(0);
        const auto server = makeServer(withSilence(200ms));
        const bool listening = started(*server);
        const SocketFd bare(UnixTriggerListener::bindOwnerOnly(QFile::encodeName(home->filePath(QStringLiteral("b")))));
        ::umask(previousUmask);

        QVERIFY(listening && bare);
        QCOMPARE(modeOf(QFileInfo(socketPath()).absolutePath()) & 07777, mode_t(0700));
        QCOMPARE(modeOf(socketPath()) & 07777, mode_t(0600));
        // As bind() created it, without the chmod that follows in the server.
        QCOMPARE(modeOf(home->filePath(QStringLiteral("b"))) & 07777, mode_t(0600));
    }

    // Connections are read one at a time, each to its end or its silence.
    void stalledConnectionHoldsTheNextUntilItsSilence()
    {
        const auto server = makeServer(withSilence(150ms));
        TriggerRecorder recorder(*server);
        QVERIFY(started(*server));
        const SocketFd stalled = openSocket(socketPath(), SocketRole::client);
        QVERIFY(sendAll(stalled, "a 1")); // then nothing, without closing
        QVERIFY(sendConnection(socketPath(), "b 1\n"));
        KESTRIX_WAIT_FOR(recorder.count == 2);
        QCOMPARE(recorder.reports, QByteArray("[a=on] [b=on] "));
    }

    // A client that never falls silent long enough is cut off at the end of its connection's
    // lifetime: its complete lines count, its unfinished one does not, and the next connection is
    // served. (Before the bound, such a client held the server for as long as it kept trickling.)
    void tricklingClientIsCutOffAfterItsLifetime()
    {
        TriggerListener::Options options = withSilence(10s);
        options.connectionLifetime = 300ms;
        const auto server = makeServer(options);
        TriggerRecorder recorder(*server);
        QVERIFY(started(*server));

        const SocketFd trickling = openSocket(socketPath(), SocketRole::client);
        QVERIFY(sendAll(trickling, "early 1\nlate 0"));
        QVERIFY(sendConnection(socketPath(), "next 1\n"));
        // A byte now and then, far inside the silence, until the next connection has been served.
        bool cutOff = false; // the server closed the trickling connection
        const bool served = QTest::qWaitFor(
            [&] {
                cutOff = cutOff || !sendAll(trickling, "0");
                return recorder.reports.contains("[next=on]");
            },
            20000);
        QVERIFY(served);
        QCOMPARE(recorder.reports, QByteArray("[early=on] [next=on] "));
        QVERIFY(!server->signalValues().contains(QStringLiteral("late")));
    }

    // 1 MiB in one connection: the lines inside the first 64 KiB count, the line across the limit
    // and all after it do not, the client can still write all of it, and the server goes on.
    void oversizedConnectionKeepsItsFirstLines()
    {
        const auto server = makeServer(withSilence(2s));
        TriggerRecorder recorder(*server);
        QVERIFY(started(*server));

        constexpr qsizetype limit = 64 * 1024;
        QByteArray input("first 1\n");
        while (input.size() + 6 <= limit - 6) {
            input += "pad 0\n";
        }
        const int keptLines = int(input.count('\n'));
        input += "cut 00000000000001\n"; // starts before the limit, ends after it
        QVERIFY(input.size() > limit);
        input += QByteArray("after 1\n").repeated(128 * 1024);
        QVERIFY(sendConnection(socketPath(), input));
        QVERIFY(sendConnection(socketPath(), "next 1\n"));

        KESTRIX_WAIT_FOR(recorder.reports.endsWith("[next=on] "));
        QCOMPARE(recorder.count, keptLines + 1);
        QVERIFY(!server->signalValues().contains(QStringLiteral("cut")));
        QVERIFY(!server->signalValues().contains(QStringLiteral("after")));
    }

    // Another instance's live socket stays where it is, be it a bare listener or a second server.
    void liveEndpointIsNotTaken()
    {
        QVERIFY(QDir().mkpath(QFileInfo(socketPath()).absolutePath()));
        {
            const SocketFd other = openSocket(socketPath(), SocketRole::listener);
            const auto server = makeServer(withSilence(200ms));
            QVERIFY(other && started(*server, false));
            QVERIFY(openSocket(socketPath(), SocketRole::client)); // still the other endpoint's
        }
        QVERIFY(QFile::remove(socketPath()));

        auto first = makeServer(withSilence(200ms));
        TriggerRecorder recorder(*first);
        QVERIFY(started(*first));
        QVERIFY(started(*makeServer(withSilence(200ms)), false)); // and gone again, removing nothing
        QVERIFY(sendConnection(socketPath(), "x 1\n"));
        KESTRIX_WAIT_FOR(recorder.count == 1);
        first.reset();
        QVERIFY(!QFileInfo::exists(socketPath())); // the first removes its own
    }

    void staleFileIsReplaced_data()
    {
        QTest::addColumn<bool>("socketFile");
        QTest::newRow("socket left by a crash") << true;
        QTest::newRow("regular file") << false;
    }
    void staleFileIsReplaced()
    {
        QFETCH(bool, socketFile);
        QVERIFY(QDir().mkpath(QFileInfo(socketPath()).absolutePath()));
        QFile file(socketPath());
        QVERIFY(socketFile ? bool(openSocket(socketPath(), SocketRole::stale)) : file.open(QIODevice::WriteOnly));
        const auto server = makeServer(withSilence(200ms));
        TriggerRecorder recorder(*server);
        QVERIFY(started(*server));
        QVERIFY(sendConnection(socketPath(), "x 1\n"));
        KESTRIX_WAIT_FOR(recorder.count == 1);
    }

    // A socket address holds 107 bytes of path and its terminating NUL.
    void pathLengthIsBoundedBySocketAddresses_data()
    {
        QTest::addColumn<int>("length");
        QTest::newRow("107 bytes") << 107;
        QTest::newRow("108 bytes") << 108;
        QTest::newRow("300 bytes") << 300;
    }
    void pathLengthIsBoundedBySocketAddresses()
    {
        QFETCH(int, length);
        const qsizetype tail = QStringLiteral("/Kestrix/control.sock").size();
        QString dataHome = home->path();
        while (dataHome.size() + tail < length) {
            dataHome += u'/' + QString(std::min<qsizetype>(100, length - tail - dataHome.size() - 1), u'd');
        }
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome));
        QCOMPARE(socketPath().size(), length);

        const bool fits = length < 108;
        QVERIFY(started(*makeServer(withSilence(200ms)), fits));
        QVERIFY(!QFileInfo::exists(socketPath())); // removed again, or never made
    }

    // Destruction wakes the worker wherever it waits: before its set-up ends, for a connection, or
    // inside one that would otherwise hold it for an hour. Nothing stays open or behind.
    void destructionStopsTheWorkerAndLeavesNothing()
    {
        const int descriptorsBefore = openDescriptorCount();
        for (int round = 0; round < 30; ++round) {
            SocketFd client; // outlives the server
            const auto server = makeServer(withSilence(std::chrono::hours(1)));
            server->start();
            if (round % 3 != 0) {
                KESTRIX_WAIT_FOR(server->isListening());
            }
            if (round % 3 == 2) {
                client = openSocket(socketPath(), SocketRole::client);
                QVERIFY(sendAll(client, "x 1\n"));
            }
        }
        QVERIFY(!QFileInfo::exists(socketPath()));
        QCOMPARE(openDescriptorCount(), descriptorsBefore);
    }
};

QTEST_GUILESS_MAIN(TriggerServerTest)
#include "tst_triggerserver.moc"
