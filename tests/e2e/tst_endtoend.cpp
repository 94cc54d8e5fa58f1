// The real programs against each other: kestrix-devsim serving a simulated Dorvel on a socket bus,
// and kestrix (offscreen, private XDG folders) using it.
#include "ReportLog.h"
#include "support/BuildPaths.h"
#include "support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

// Command bytes of the queries (state 0xFF, identity 0x04) the device received, in order. LED
// reports from the rules come in between and are not looked at here.
QList<QByteArray> receivedQueries(const QString &logPath)
{
    QList<QByteArray> commands;
    for (const QByteArray &report : receivedReports(logPath)) {
        if (report.startsWith("ff") || report.startsWith("04")) {
            commands << report.left(2);
        }
    }
    return commands;
}

} // namespace

class EndToEndTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QProcess m_devsim;
    QProcess m_app;

    QString path(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    QProcessEnvironment appEnvironment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path("config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), path("data"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.path());
        env.insert(QStringLiteral("KESTRIX_DEVICE_BUS"), path("bus"));
        env.insert(QStringLiteral("KESTRIX_UPDATE_BASE_URL"), QStringLiteral("http://127.0.0.1:9/"));
        return env;
    }

    // Starts kestrix unless it runs already, and waits for its attach (the identity query reaching
    // the device), so every function can run alone as well as after the others.
    void ensureAppRunning()
    {
        if (m_app.state() == QProcess::Running) {
            return;
        }
        const auto before = receivedQueries(path("reports.log")).size();
        m_app.setProgram(kestrix::buildpaths::app());
        m_app.setProcessEnvironment(appEnvironment());
        m_app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_app.start();
        QVERIFY(m_app.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(receivedQueries(path("reports.log")).mid(before).contains("04"), 10000);
    }
    void stopApp()
    {
        if (m_app.state() != QProcess::NotRunning) {
            m_app.terminate();
            m_app.waitForFinished(5000);
        }
    }

    // The attach sequence: the state query first, the identity query after it. A rule change at the
    // same moment may add its own state query (the refresh after an LED change) in between.
    static void expectStateThenIdentity(const QList<QByteArray> &queries)
    {
        QVERIFY(!queries.isEmpty());
        QCOMPARE(queries.first(), QByteArray("ff"));
        QVERIFY(queries.indexOf("04") > 0);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_devsim.setProgram(kestrix::buildpaths::devsim());
        m_devsim.setArguments({QStringLiteral("--bus"), path("bus"), QStringLiteral("--report-log"),
                               path("reports.log"), QStringLiteral("--quiet")});
        m_devsim.start();
        QVERIFY(m_devsim.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(path("bus/dorvel.json")), 10000);
    }

    // A fresh start against the device already on the bus.
    void attachQueriesStateThenIdentity()
    {
        stopApp();
        const auto before = receivedQueries(path("reports.log")).size();
        ensureAppRunning();
        expectStateThenIdentity(receivedQueries(path("reports.log")).mid(before));
    }

    void replugRepeatsTheQueries()
    {
        ensureAppRunning();
        const auto before = receivedQueries(path("reports.log")).size();
        m_devsim.write("unplug\n");
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(path("bus/dorvel.json")), 10000);
        m_devsim.write("plug\n");
        QTRY_VERIFY_WITH_TIMEOUT(receivedQueries(path("reports.log")).mid(before).contains("04"), 10000);
        expectStateThenIdentity(receivedQueries(path("reports.log")).mid(before));
    }

    // A script's signal lights the LED through the rules: "ai_execution" is the top rule (fast
    // breathing, red); when it ends and nothing else is active, with no fallback, the LED goes off.
    void scriptSignalDrivesTheLED()
    {
        ensureAppRunning();
        const auto before = receivedReports(path("reports.log")).size();
        QProcess signal;
        signal.setProcessEnvironment(appEnvironment());
        signal.start(kestrix::buildpaths::signalTool(), {QStringLiteral("ai_execution"), QStringLiteral("1")});
        QVERIFY(signal.waitForFinished(10000));
        QCOMPARE(signal.exitCode(), 0);
        const QList<QByteArray> lit{hexReport("020301"), hexReport("020102"), hexReport("020000ffff")};
        // Other signals may re-send the current look meanwhile, so the three reports are looked for in
        // a row anywhere after the signal.
        QTRY_VERIFY_WITH_TIMEOUT(containsInARow(receivedReports(path("reports.log")).mid(before), lit), 10000);

        const auto afterOn = receivedReports(path("reports.log")).size();
        signal.start(kestrix::buildpaths::signalTool(), {QStringLiteral("ai_execution"), QStringLiteral("0")});
        QVERIFY(signal.waitForFinished(10000));
        QCOMPARE(signal.exitCode(), 0);
        const QByteArray off = hexReport("020300");
        QTRY_VERIFY_WITH_TIMEOUT(receivedReports(path("reports.log")).mid(afterOn).contains(off), 10000);
    }

    void secondInstanceExitsAtOnce()
    {
        ensureAppRunning();
        QProcess second;
        second.setProcessEnvironment(appEnvironment());
        second.start(kestrix::buildpaths::app(), QStringList{});
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(second.readAllStandardError().contains("already running"));
        QCOMPARE(m_app.state(), QProcess::Running);
    }

    // Only a live Kestrix means "already running". A support folder or lock file that cannot be
    // made (here something in the way, which stops root too) is named, and the start fails.
    void aLockThatCannotBeTakenIsNamed_data()
    {
        QTest::addColumn<QString>("dataHome");
        QTest::addColumn<QString>("inTheWay");
        QVERIFY(QDir().mkpath(path("lock-is-a-folder/Kestrix/kestrix.lock")));
        QFile file(path("data-home-is-a-file"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QTest::newRow("no support folder") << path("data-home-is-a-file") << path("data-home-is-a-file");
        QTest::newRow("no lock file") << path("lock-is-a-folder") << path("lock-is-a-folder/Kestrix/kestrix.lock");
    }
    void aLockThatCannotBeTakenIsNamed()
    {
        QFETCH(QString, dataHome);
        QFETCH(QString, inTheWay);
        QProcessEnvironment env = appEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
        QProcess start;
        start.setProcessEnvironment(env);
        start.start(kestrix::buildpaths::app(), QStringList{});
        QVERIFY(start.waitForFinished(10000));
        QCOMPARE(start.exitStatus(), QProcess::NormalExit);
        QCOMPARE(start.exitCode(), 1);
        const QString said = QString::fromUtf8(start.readAllStandardError());
        QVERIFY2(said.startsWith(QStringLiteral("Kestrix can't start: ")) && said.contains(inTheWay), qPrintable(said));
    }

    void cleanupTestCase()
    {
        stopApp();
        m_devsim.terminate();
        QVERIFY(m_devsim.waitForFinished(5000));
        QVERIFY(!QFile::exists(path("bus/dorvel.sock")));
    }
};

QTEST_GUILESS_MAIN(EndToEndTest)
#include "tst_endtoend.moc"
