#include "PulseTestSupport.h"
#include "support/DeviceTestSupport.h"
#include "support/TestMain.h"

#include "platform/linux/audio/PulseAudioInput.h"
#include "signals/MicMuteWatcher.h"

#include <QSignalSpy>

#include <memory>

using namespace std::chrono_literals;

namespace {
const QString src1 = QStringLiteral("src1");
const QString src2 = QStringLiteral("src2");
} // namespace

// The watcher on the libpulse backend against a real PulseAudio server started by the test. Each
// function gets a fresh server (sources src1, the default, and src2, neither muted) and a watcher
// that has read it, and sets up whatever else it needs, so none depends on another having run.
class PulseAudioInputTest : public QObject {
    Q_OBJECT

    std::unique_ptr<PulseServer> server;
    std::unique_ptr<PulseAudioInput> input;
    std::unique_ptr<MicMuteWatcher> watcher;

    QProcess *startRecorder(const QString &source)
    {
        auto *recorder = new QProcess(this);
        recorder->setProcessEnvironment(server->environment());
        recorder->start(QStringLiteral("parecord"),
                        {QStringLiteral("--device=") + source, QStringLiteral("--raw"), QStringLiteral("/dev/null")});
        return recorder;
    }

    static void stopRecorder(QProcess *recorder)
    {
        recorder->kill();
        recorder->waitForFinished(10000);
        delete recorder;
    }

    // Makes `source` the default input, muted or not, and waits until the watcher follows it.
    void useInput(const QString &source, bool muted)
    {
        QVERIFY(server->pactl(
            {QStringLiteral("set-source-mute"), source, muted ? QStringLiteral("1") : QStringLiteral("0")}));
        QVERIFY(server->pactl({QStringLiteral("set-default-source"), source}));
        KESTRIX_WAIT_FOR(watcher->currentInputDevice() == source && watcher->isMuted() == muted);
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (PulseServer::executable().isEmpty()) {
            QSKIP("pulseaudio is not installed (Debian package pulseaudio)");
        }
        for (const char *tool : {"pactl", "parecord"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
                QSKIP("pactl or parecord is not installed (Debian package pulseaudio-utils)");
            }
        }
    }

    void init()
    {
        server = std::make_unique<PulseServer>();
        // This process's own clients find the private server the same way the tools do.
        qputenv("PULSE_SERVER", server->serverAddress().toLocal8Bit());
        qputenv("PULSE_CLIENTCONFIG", server->path(QStringLiteral("client.conf")).toLocal8Bit());
        if (!server->start()) {
            QSKIP(qPrintable(QStringLiteral("pulseaudio does not run here: ") + server->error()));
        }
        input = std::make_unique<PulseAudioInput>(PulseAudioInput::ReconnectDelays{50ms, 200ms});
        watcher = std::make_unique<MicMuteWatcher>(*input);
        watcher->start();
        KESTRIX_WAIT_FOR(input->isConnected());
        KESTRIX_WAIT_FOR(watcher->isInUse().has_value());
    }

    void cleanup()
    {
        watcher.reset();
        input.reset();
        server.reset();
    }

    void readsTheDefaultInputOnceConnected()
    {
        QCOMPARE(watcher->currentInputDevice(), src1);
        QCOMPARE(watcher->isMuted(), std::optional<bool>(false));
        QCOMPARE(watcher->isInUse(), std::optional<bool>(false));
    }

    void followsMuteSetElsewhere()
    {
        QVERIFY(server->pactl({QStringLiteral("set-source-mute"), src1, QStringLiteral("1")}));
        KESTRIX_WAIT_FOR(watcher->isMuted() == true);
        QVERIFY(server->pactl({QStringLiteral("set-source-mute"), src1, QStringLiteral("0")}));
        KESTRIX_WAIT_FOR(watcher->isMuted() == false);
    }

    void toggleMuteReachesTheServer()
    {
        watcher->toggleMute();
        KESTRIX_WAIT_FOR(watcher->isMuted() == true);
        watcher->toggleMute();
        KESTRIX_WAIT_FOR(watcher->isMuted() == false);
    }

    void aRecordingProgramMakesItInUse()
    {
        QProcess *recorder = startRecorder(src1);
        KESTRIX_WAIT_FOR(watcher->isInUse() == true);
        stopRecorder(recorder);
        KESTRIX_WAIT_FOR(watcher->isInUse() == false);
    }

    void levelMetersAndPausedStreamsDoNotCount()
    {
        StreamClient client;
        QVERIFY(client.isConnected());
        QVERIFY(client.record("src1", PA_STREAM_PEAK_DETECT));
        QVERIFY(client.record("src1", PA_STREAM_START_CORKED));

        // A program records alongside them and stops: the streams left over keep nothing in use.
        // (Everything the server reported before the program's stream has been read once its
        // start shows, as the server answers in order.)
        QProcess *recorder = startRecorder(src1);
        KESTRIX_WAIT_FOR(watcher->isInUse() == true);
        stopRecorder(recorder);
        KESTRIX_WAIT_FOR(watcher->isInUse() == false);

        // The same client recording plainly does count.
        QVERIFY(client.record("src1", PA_STREAM_NOFLAGS));
        KESTRIX_WAIT_FOR(watcher->isInUse() == true);
    }

    void followsTheDefaultToAnotherInput()
    {
        KESTRIX_WAIT_FOR(watcher->isInUse() == false);
        QVERIFY(server->pactl({QStringLiteral("set-source-mute"), src1, QStringLiteral("0")}));
        KESTRIX_WAIT_FOR(watcher->isMuted() == false);

        QVERIFY(server->pactl({QStringLiteral("set-source-mute"), src2, QStringLiteral("1")}));
        QVERIFY(server->pactl({QStringLiteral("set-default-source"), src2}));
        KESTRIX_WAIT_FOR(watcher->currentInputDevice() == src2);
        QCOMPARE(watcher->isMuted(), std::optional<bool>(true));

        // The former default is no longer followed; a recording on the new one is the barrier.
        QSignalSpy muted(watcher.get(), &MicMuteWatcher::isMutedChanged);
        QVERIFY(server->pactl({QStringLiteral("set-source-mute"), src1, QStringLiteral("1")}));
        QVERIFY(server->pactl({QStringLiteral("set-source-mute"), src1, QStringLiteral("0")}));
        QProcess *recorder = startRecorder(src2);
        KESTRIX_WAIT_FOR(watcher->isInUse() == true);
        QCOMPARE(muted.count(), 0);
        QCOMPARE(watcher->isMuted(), std::optional<bool>(true));
        stopRecorder(recorder);
        KESTRIX_WAIT_FOR(watcher->isInUse() == false);
    }

    void aMonitorAsDefaultChangesNothing()
    {
        useInput(src2, true);
        QSignalSpy muted(watcher.get(), &MicMuteWatcher::isMutedChanged);
        QVERIFY(server->pactl({QStringLiteral("set-default-source"), QStringLiteral("s1.monitor")}));
        // Still watching src2: its recording shows, its mute stays.
        QProcess *recorder = startRecorder(src2);
        KESTRIX_WAIT_FOR(watcher->isInUse() == true);
        QCOMPARE(watcher->currentInputDevice(), src2);
        QCOMPARE(muted.count(), 0);
        stopRecorder(recorder);
        KESTRIX_WAIT_FOR(watcher->isInUse() == false);
        QVERIFY(server->pactl({QStringLiteral("set-default-source"), src2}));
    }

    void keepsValuesWhileTheServerIsAwayAndRereadsOnReturn()
    {
        useInput(src2, true);
        QSignalSpy muted(watcher.get(), &MicMuteWatcher::isMutedChanged);
        QSignalSpy inUse(watcher.get(), &MicMuteWatcher::isInUseChanged);

        server->stop();
        KESTRIX_WAIT_FOR(!input->isConnected());
        QCOMPARE(watcher->currentInputDevice(), src2);
        QCOMPARE(watcher->isMuted(), std::optional<bool>(true));
        QCOMPARE(watcher->isInUse(), std::optional<bool>(false));
        QCOMPARE(muted.count(), 0);
        QCOMPARE(inUse.count(), 0);

        // A fresh server has forgotten the mute and the default switch.
        QVERIFY2(server->start(), qPrintable(server->error()));
        KESTRIX_WAIT_FOR(input->isConnected());
        KESTRIX_WAIT_FOR(watcher->currentInputDevice() == src1);
        QCOMPARE(watcher->isMuted(), std::optional<bool>(false));
        QCOMPARE(watcher->isInUse(), std::optional<bool>(false));
    }
};

QTEST_GUILESS_MAIN(PulseAudioInputTest)
#include "tst_pulseaudioinput.moc"
