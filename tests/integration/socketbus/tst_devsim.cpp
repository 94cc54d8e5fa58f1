// The kestrix-devsim program as scripts and the end-to-end tests use it: a separate process on a
// temporary bus folder, driven through its options, standard input and signals.
#include "device/DorvelDeviceManager.h"
#include "firmware/TarnFirmwareUpdater.h"
#include "platform/sim/SocketHidBus.h"
#include "support/BuildPaths.h"
#include "support/DeviceTestSupport.h"
#include "support/LocalHttpServer.h"
#include "support/TestMain.h"

#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <memory>

#include <signal.h>

using namespace std::chrono_literals;

namespace {
DorvelDeviceManager::Timings devsimTimings()
{
    return {.attachQueryTimeout = 2s,
            .attachIdentityTimeout = 2s,
            .ledRefreshTimeout = 2s,
            .rebootIdentityDelay = 20ms,
            .rebootIdentityTimeout = 2s};
}

QByteArray compactHex(const Bytes &bytes)
{
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size())).toHex();
}
} // namespace

class DevsimTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<QProcess> devsim;
    QByteArray output;
    std::unique_ptr<SocketHidBus> bus;
    std::unique_ptr<DorvelDeviceManager> manager;

    QString path(const char *name) const { return dir->filePath(QString::fromLatin1(name)); }
    bool onBus(const char *file) const { return QFile::exists(QDir(path("bus")).filePath(QString::fromLatin1(file))); }

    void startDevsim(const QStringList &extra)
    {
        devsim->setArguments(QStringList{QStringLiteral("--bus"), path("bus"), QStringLiteral("--state-file"),
                                         path("state.json"), QStringLiteral("--report-log"), path("reports.log")} +
                             extra);
        devsim->start();
        QVERIFY(devsim->waitForStarted());
        KESTRIX_WAIT_FOR(onBus("dorvel.json"));
    }

    QJsonObject state() const
    {
        QFile file(path("state.json"));
        return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object() : QJsonObject();
    }

    QList<QByteArray> logLines() const
    {
        QFile file(path("reports.log"));
        return file.open(QIODevice::ReadOnly) ? file.readAll().split('\n') : QList<QByteArray>();
    }

private Q_SLOTS:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        output.clear();
        devsim = std::make_unique<QProcess>();
        devsim->setProgram(kestrix::buildpaths::devsim());
        connect(devsim.get(), &QProcess::readyReadStandardOutput, this,
                [this] { output += devsim->readAllStandardOutput(); });
        bus = std::make_unique<SocketHidBus>(path("bus"));
        manager = std::make_unique<DorvelDeviceManager>(*bus, devsimTimings());
    }
    void cleanup()
    {
        manager.reset();
        bus.reset();
        if (devsim->state() != QProcess::NotRunning) {
            devsim->kill();
            devsim->waitForFinished();
        }
        devsim.reset();
        dir.reset();
    }

    void stateFileAndReportLogFollowTheApp()
    {
        startDevsim({QStringLiteral("--location"), QStringLiteral("0x14300000"), QStringLiteral("--platform"),
                     QStringLiteral("rp2040"), QStringLiteral("--version"), QStringLiteral("2.1.0"),
                     QStringLiteral("--device-id"), QStringLiteral("FEDCBA9876543210")});
        // The state file follows the bus files.
        KESTRIX_WAIT_FOR(state().value(QStringLiteral("attached")) == QJsonValue(true));
        manager->start();
        KESTRIX_WAIT_FOR(manager->deviceID().has_value());
        QCOMPARE(*manager->deviceID(), std::string("fedcba9876543210"));
        QCOMPARE(manager->lastQuery()->version, (FirmwareVersion{2, 1, 0}));
        QCOMPARE(manager->lastQuery()->hwPlatform, HardwarePlatform::rp2040);
        QCOMPARE(manager->currentLocationID(), std::optional<LocationID>(0x14300000));

        manager->updateLEDState({Dorvel::ledEnabledReport(true), Dorvel::ledModeReport(Dorvel::RGBMode::breatheFast),
                                 Dorvel::ledColorReport(85, 255, 200)});
        QVERIFY(manager->device()->writeReport(Bytes{Dorvel::bindPresetCommand, 3}));
        KESTRIX_WAIT_FOR(state().value(QStringLiteral("reportsReceived")).toInt() == 7);

        const QJsonObject s = state();
        QCOMPARE(s.value(QStringLiteral("attached")), QJsonValue(true));
        QCOMPARE(s.value(QStringLiteral("version")), QJsonValue(QStringLiteral("2.1.0")));
        QCOMPARE(s.value(QStringLiteral("platform")), QJsonValue(QStringLiteral("rp2040")));
        QCOMPARE(s.value(QStringLiteral("deviceId")), QJsonValue(QStringLiteral("fedcba9876543210")));
        QCOMPARE(s.value(QStringLiteral("locationId")).toInteger(), 0x14300000);
        const QJsonObject led = s.value(QStringLiteral("led")).toObject();
        QCOMPARE(led.value(QStringLiteral("mode")), QJsonValue(QStringLiteral("breatheFast")));
        QCOMPARE(led.value(QStringLiteral("hue")).toInt(), 85);
        const QJsonObject binding = s.value(QStringLiteral("binding")).toObject();
        QCOMPARE(binding.value(QStringLiteral("preset")).toInt(), 3);

        QList<QByteArray> lines = logLines();
        QCOMPARE(lines.size(), 8); // and the empty piece after the last newline
        QVERIFY(lines.takeLast().isEmpty());
        QList<QByteArray> commands;
        qint64 previous = 0;
        for (const QByteArray &line : lines) {
            const QList<QByteArray> fields = line.split(' ');
            QCOMPARE(fields.size(), 2);
            bool isNumber = false;
            const qint64 ms = fields[0].toLongLong(&isNumber);
            QVERIFY(isNumber && ms >= previous);
            previous = ms;
            QCOMPARE(fields[1].size(), 64);
            QCOMPARE(fields[1], fields[1].toLower());
            commands << fields[1].left(2);
        }
        QCOMPARE(commands, (QList<QByteArray>{"ff", "04", "02", "02", "02", "ff", "00"}));
        QCOMPARE(lines[4].split(' ')[1], compactHex(Dorvel::ledColorReport(85, 255, 200)));

        // What a person watching the terminal sees (stdout is a pipe here: no colour codes).
        KESTRIX_WAIT_FOR(output.contains("bind preset 3"));
        for (const char *shown : {"app connected", "<- state query", "<- identity query", "<- LED color 85/255/200",
                                  "Breathe (fast)  hsv 85/255/200"}) {
            QVERIFY2(output.contains(shown), shown);
        }
        QVERIFY(!output.contains('\x1b'));
    }

    // A whole firmware update against the program, through a lost acknowledgement and an ignored
    // chunk; the terminal shows the progress and the reboot, the state file the new version.
    void firmwareUpdateWithFaults()
    {
        LocalHttpServer http;
        const QString manifestPath = QStringLiteral("/releases/tarn-rp2350/latest.json");
        http.serve(manifestPath, QByteArray(R"({"version":"1.2.0","asset":"tarn.bin"})"));
        const Bytes image = SimulatedDorvel::makeFirmwareImage({1, 2, 0}, 300);
        http.serve(QStringLiteral("/releases/tarn-rp2350/tarn.bin"),
                   QByteArray(reinterpret_cast<const char *>(image.data()), qsizetype(image.size())));
        startDevsim({QStringLiteral("--reboot-delay-ms"), QStringLiteral("50"), QStringLiteral("--lose-ack"),
                     QStringLiteral("3"), QStringLiteral("--ignore-chunk"), QStringLiteral("5")});
        manager->start();
        KESTRIX_WAIT_FOR(manager->lastQuery().has_value());
        TarnFirmwareUpdater::Config config;
        config.manifestURL = http.url(manifestPath);
        config.transfer = {.startTimeout = 500ms,
                           .chunkTimeout = 500ms,
                           .endTimeout = 500ms,
                           .abortTimeout = 500ms,
                           .rebootWait = 5s,
                           .confirmTimeout = 2s};
        TarnFirmwareUpdater updater(*manager, config);
        QCoro::waitFor(updater.checkForUpdate());
        QCOMPARE(updater.state(), TarnUpdateState::updateAvailable({1, 0, 0}, {1, 2, 0}));
        updater.startUpdate();
        QVERIFY(QTest::qWaitFor([&] { return !updater.isRunning(); }, 20000));
        QCOMPARE(updater.state(), TarnUpdateState::succeeded({1, 2, 0}));

        KESTRIX_WAIT_FOR(state().value(QStringLiteral("version")) == QJsonValue(QStringLiteral("1.2.0")));
        const QJsonObject update = state().value(QStringLiteral("update")).toObject();
        QCOMPARE(update.value(QStringLiteral("updatesApplied")).toInt(), 1);
        QCOMPARE(update.value(QStringLiteral("phase")), QJsonValue(QStringLiteral("idle")));
        for (const char *shown : {"update started: 300 bytes", "update chunk 3: no reply (stored)",
                                  "update chunk 3: badSequence (expects 4)", "update chunk 5: no reply",
                                  "update progress: 100% (300 of 300 bytes)",
                                  "update verified: rebooting into v1.2.0 (off the bus for 50 ms)", "unplugged"}) {
            QVERIFY2(output.contains(shown), shown);
        }
        QCOMPARE(output.count("plugged in as"), 2);
    }

    void standardInputPlugsUnplugsAndQuits()
    {
        startDevsim({});
        manager->start();
        KESTRIX_WAIT_FOR(manager->deviceID().has_value());

        devsim->write("unplug\n");
        KESTRIX_WAIT_FOR(!manager->isConnected());
        QVERIFY(!onBus("dorvel.json"));
        QVERIFY(!onBus("dorvel.sock"));
        KESTRIX_WAIT_FOR(state().value(QStringLiteral("attached")) == QJsonValue(false));

        devsim->write("plug\n");
        KESTRIX_WAIT_FOR(manager->deviceID().has_value());
        QCOMPARE(state().value(QStringLiteral("attached")), QJsonValue(true));

        devsim->write("quit\n");
        QVERIFY(devsim->waitForFinished(10000));
        QCOMPARE(devsim->exitStatus(), QProcess::NormalExit);
        QCOMPARE(devsim->exitCode(), 0);
        QVERIFY(!onBus("dorvel.json"));
        QVERIFY(!onBus("dorvel.sock"));
    }

    void signalsQuitCleanlyAndEndOfInputDoesNot_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void signalsQuitCleanlyAndEndOfInputDoesNot()
    {
        QFETCH(int, signal);
        startDevsim({QStringLiteral("--quiet")});
        devsim->closeWriteChannel();
        manager->start();
        KESTRIX_WAIT_FOR(manager->deviceID().has_value());
        QVERIFY(QCoro::waitFor(manager->queryDevice(2s)).ok());

        QCOMPARE(::kill(pid_t(devsim->processId()), signal), 0);
        QVERIFY(devsim->waitForFinished(10000));
        QCOMPARE(devsim->exitStatus(), QProcess::NormalExit);
        QCOMPARE(devsim->exitCode(), 0);
        QVERIFY(!onBus("dorvel.json"));
        QVERIFY(!onBus("dorvel.sock"));
        QCOMPARE(state().value(QStringLiteral("attached")), QJsonValue(false));
        QVERIFY(output.isEmpty());
        KESTRIX_WAIT_FOR(!manager->isConnected());
    }

    void badOptionsExitWithCode2_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("named");
        QTest::newRow("no bus") << QStringList{} << QStringLiteral("--bus");
        QTest::newRow("unknown option") << QStringList{QStringLiteral("--colour")} << QStringLiteral("colour");
        QTest::newRow("bad value") << QStringList{QStringLiteral("--reply-length"), QStringLiteral("33")}
                                   << QStringLiteral("--reply-length");
    }
    void badOptionsExitWithCode2()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, named);
        if (!arguments.isEmpty()) {
            arguments.prepend(path("bus"));
            arguments.prepend(QStringLiteral("--bus"));
        }
        devsim->setArguments(arguments);
        devsim->start();
        QVERIFY(devsim->waitForFinished(10000));
        QCOMPARE(devsim->exitCode(), 2);
        QVERIFY(QString::fromLocal8Bit(devsim->readAllStandardError()).contains(named));
        QVERIFY(!QFileInfo::exists(path("bus")));
    }

    void secondProgramUnderTheSameNameIsRefused()
    {
        startDevsim({QStringLiteral("--quiet")});
        QProcess second;
        second.start(kestrix::buildpaths::devsim(), {QStringLiteral("--bus"), path("bus")});
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitCode(), 1);
        QVERIFY(second.readAllStandardError().contains("already plugged"));
        QVERIFY(onBus("dorvel.json"));
        QVERIFY(onBus("dorvel.sock"));
    }
};

QTEST_GUILESS_MAIN(DevsimTest)
#include "tst_devsim.moc"
