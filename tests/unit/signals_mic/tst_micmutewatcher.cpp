#include "support/FakeAudioInput.h"
#include "support/TestMain.h"

#include "signals/MicMuteWatcher.h"

#include <QSignalSpy>

namespace {
const QString builtIn = QStringLiteral("builtin-mic");
const QString headset = QStringLiteral("headset-mic");
constexpr std::optional<bool> yes = true;
constexpr std::optional<bool> no = false;

// The built-in microphone is the default, unmuted and idle; the headset is muted and recording.
struct Rig {
    FakeAudioInput input;
    MicMuteWatcher watcher{input};
    QSignalSpy muted{&watcher, &MicMuteWatcher::isMutedChanged};
    QSignalSpy inUse{&watcher, &MicMuteWatcher::isInUseChanged};
    Rig()
    {
        input.devices[builtIn] = {false, false};
        input.devices[headset] = {true, true};
        input.defaultDevice = builtIn;
    }
    void startAndForget()
    {
        watcher.start();
        muted.clear();
        inUse.clear();
    }
};
} // namespace

class MicMuteWatcherTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startReadsTheDefaultOnceAndOnlyOnce()
    {
        Rig rig;
        QCOMPARE(rig.watcher.isMuted(), std::nullopt);
        QCOMPARE(rig.watcher.isInUse(), std::nullopt);

        rig.watcher.start();
        QCOMPARE(rig.input.startCount, 1);
        QCOMPARE(rig.watcher.currentInputDevice(), builtIn);
        QCOMPARE(rig.watcher.isMuted(), no);
        QCOMPARE(rig.watcher.isInUse(), no);
        QCOMPARE(rig.muted.count(), 1);
        QCOMPARE(rig.inUse.count(), 1);

        rig.watcher.start();
        QCOMPARE(rig.input.startCount, 1);
        QCOMPARE(rig.muted.count(), 1);
        QCOMPARE(rig.inUse.count(), 1);
    }

    void muteIsSignalledOnChangeButInUseOnEveryReport()
    {
        Rig rig;
        rig.startAndForget();

        rig.input.setDeviceMuted(builtIn, false);
        QCOMPARE(rig.muted.count(), 0);
        rig.input.setDeviceMuted(builtIn, true);
        QCOMPARE(rig.muted.count(), 1);
        QCOMPARE(rig.muted.last().at(0).value<std::optional<bool>>(), yes);

        rig.input.setDeviceRunning(builtIn, false);
        rig.input.setDeviceRunning(builtIn, false);
        QCOMPARE(rig.inUse.count(), 2);
        rig.input.setDeviceRunning(builtIn, true);
        QCOMPARE(rig.inUse.count(), 3);
        QCOMPARE(rig.watcher.isInUse(), yes);

        // Refreshing the same default re-reads it: in use is signalled again, mute is not.
        rig.watcher.refreshDefaultInputDevice();
        QCOMPARE(rig.inUse.count(), 4);
        QCOMPARE(rig.muted.count(), 1);
    }

    void switchingDevicesFollowsOnlyTheNewDefault()
    {
        Rig rig;
        rig.watcher.start();
        rig.input.switchDefault(headset);
        QCOMPARE(rig.watcher.currentInputDevice(), headset);
        QCOMPARE(rig.watcher.isMuted(), yes);
        QCOMPARE(rig.watcher.isInUse(), yes);

        rig.muted.clear();
        rig.inUse.clear();
        rig.input.setDeviceMuted(builtIn, true);
        rig.input.setDeviceMuted(builtIn, false);
        rig.input.setDeviceRunning(builtIn, false);
        QCOMPARE(rig.muted.count(), 0);
        QCOMPARE(rig.inUse.count(), 0);

        rig.input.setDeviceMuted(headset, false);
        QCOMPARE(rig.watcher.isMuted(), no);
    }

    void unreadableOrMissingDefaultKeepsTheWatchedDevice_data()
    {
        QTest::addColumn<bool>("readsFail");
        QTest::newRow("no default device") << false;
        QTest::newRow("reads fail") << true;
    }

    void unreadableOrMissingDefaultKeepsTheWatchedDevice()
    {
        QFETCH(bool, readsFail);
        Rig rig;
        rig.startAndForget();

        rig.input.readsFail = readsFail;
        rig.input.switchDefault(readsFail ? headset : QString());
        QCOMPARE(rig.watcher.currentInputDevice(), builtIn);
        QCOMPARE(rig.watcher.isMuted(), no);
        QCOMPARE(rig.watcher.isInUse(), no);
        QCOMPARE(rig.muted.count(), 0);
        QCOMPARE(rig.inUse.count(), 0);

        // The old device is still followed; failed reads of it change nothing either.
        rig.input.setDeviceMuted(builtIn, true);
        rig.input.setDeviceRunning(builtIn, true);
        QCOMPARE(rig.muted.count(), readsFail ? 0 : 1);
        QCOMPARE(rig.inUse.count(), readsFail ? 0 : 1);
    }

    void deviceWithoutMuteControlKeepsMuteButFollowsUse()
    {
        Rig rig;
        rig.input.devices[headset] = {std::nullopt, true};
        rig.watcher.start();
        rig.input.setDeviceMuted(builtIn, true);
        rig.muted.clear();

        rig.input.switchDefault(headset);
        QCOMPARE(rig.watcher.currentInputDevice(), headset);
        QCOMPARE(rig.watcher.isMuted(), yes);
        QCOMPARE(rig.muted.count(), 0);
        QCOMPARE(rig.watcher.isInUse(), yes);
    }

    void nothingIsPublishedUntilADefaultAppears()
    {
        Rig rig;
        rig.input.defaultDevice.clear();
        rig.watcher.start();
        QCOMPARE(rig.watcher.currentInputDevice(), QString());
        QCOMPARE(rig.muted.count(), 0);
        QCOMPARE(rig.inUse.count(), 0);

        rig.input.switchDefault(headset);
        QCOMPARE(rig.watcher.isMuted(), yes);
        QCOMPARE(rig.inUse.count(), 1);
    }

    void toggleMuteAsksForTheOppositeWithoutPublishing()
    {
        Rig rig;
        // Before any read there is neither a device nor a mute state.
        rig.watcher.toggleMute();
        rig.watcher.setMuted(true);
        QVERIFY(rig.input.muteRequests.empty());

        rig.input.devices[builtIn].muted = true;
        rig.startAndForget();
        rig.watcher.toggleMute();
        QCOMPARE(rig.input.muteRequests.size(), 1u);
        QCOMPARE(rig.input.muteRequests.back(), std::make_pair(builtIn, false));
        QCOMPARE(rig.watcher.isMuted(), yes);
        QCOMPARE(rig.muted.count(), 0);

        // Without a mute control isMuted stays absent: toggling has nothing to invert.
        Rig noControl;
        noControl.input.devices[builtIn].muted = std::nullopt;
        noControl.watcher.start();
        noControl.watcher.toggleMute();
        QVERIFY(noControl.input.muteRequests.empty());
        noControl.watcher.setMuted(true);
        QCOMPARE(noControl.input.muteRequests.back(), std::make_pair(builtIn, true));
    }
};

QTEST_GUILESS_MAIN(MicMuteWatcherTest)
#include "tst_micmutewatcher.moc"
