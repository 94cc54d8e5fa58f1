#include "device/DorvelDeviceManager.h"
#include "platform/sim/SimulatedHidBus.h"
#include "rules/StatusRulesEngine.h"
#include "support/DeviceTestSupport.h"
#include "support/FakeClock.h"
#include "support/TestMain.h"
#include "timers/TimerManager.h"
#include "timers/TimerPresenter.h"
#include "unit/rules/RulesTestSupport.h"

#include <QSignalSpy>

#include <map>
#include <memory>

using namespace std::chrono_literals;
using Dorvel::RGBMode;

namespace {

QString ledOn()
{
    return hex(Dorvel::ledEnabledReport(true));
}
QString mode(RGBMode m)
{
    return hex(Dorvel::ledModeReport(m));
}
QString color(HSVColor c)
{
    return hex(Dorvel::ledColorReport(c.hue, c.saturation, c.value));
}

const HSVColor alertColor{10, 20, 30};

} // namespace

class TimerManagerTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TemporaryConfigHome> home;
    std::unique_ptr<SimulatedHidBus> bus;
    std::unique_ptr<SimulatedDorvel> device;
    std::unique_ptr<ReportRecorder> recorder;
    std::unique_ptr<DorvelDeviceManager> hid;
    std::unique_ptr<StatusRulesEngine> engine;
    std::unique_ptr<FakeClock> clock;
    std::unique_ptr<TimerManager> timer;
    SimulatedHidBus::PlugId plugId = 0;

    void plug()
    {
        plugId = bus->plug(*device, 0x14200000);
        KESTRIX_WAIT_FOR(hid->deviceID().has_value() && hid->lastQuery().has_value());
        recorder->reports.clear();
    }
    // The LED reports the device received since the last clear, as hex; queries are left out.
    QStringList ledReports() const
    {
        QStringList out;
        for (const Bytes &report : recorder->reports) {
            if (report.at(0) == Dorvel::ledCommand) {
                out.append(hex(report));
            }
        }
        return out;
    }
    // Moves the clock and waits until the manager shows `remaining`.
    void pass(Clock::duration by, int remaining)
    {
        clock->advance(by);
        KESTRIX_WAIT_FOR(timer->remainingSeconds() == remaining);
    }
    // Waits for at least one whole tick, for checks that nothing changes.
    void letItTick()
    {
        const int reads = clock->reads();
        KESTRIX_WAIT_FOR(clock->reads() >= reads + 2);
    }
    QString menuLabel() const
    {
        return TimerPresenter::menuLabel(timer->kind(), timer->pomodoroPhase(), timer->remainingSeconds(),
                                         timer->isExpired());
    }

private Q_SLOTS:
    void init()
    {
        home = std::make_unique<TemporaryConfigHome>();
        bus = std::make_unique<SimulatedHidBus>();
        device = std::make_unique<SimulatedDorvel>();
        recorder = std::make_unique<ReportRecorder>(*device);
        hid =
            std::make_unique<DorvelDeviceManager>(*bus, DorvelDeviceManager::Timings{200ms, 200ms, 200ms, 20ms, 200ms});
        engine = std::make_unique<StatusRulesEngine>(*hid);
        clock = std::make_unique<FakeClock>();
        timer = std::make_unique<TimerManager>(*hid, *engine, *clock, TimerManager::Timings{1ms});
        hid->start();
    }
    void cleanup()
    {
        timer.reset();
        engine.reset();
        hid.reset();
        bus.reset();
        recorder.reset();
        device.reset();
        home.reset();
    }

    void simpleTimerCountsDownThenHoldsItsAlertUntilCancelled()
    {
        plug();
        QSignalSpy remaining(timer.get(), &TimerManager::remainingSecondsChanged);
        timer->startSimple(1, alertColor, RGBMode::knightScanner);
        QCOMPARE(timer->kind(), TimerKind::simple);
        QCOMPARE(timer->remainingSeconds(), 60);
        QVERIFY(engine->isPaused());
        QCOMPARE(ledReports(), QStringList{ledOn()}); // the LED keeps its look until expiry
        QCOMPARE(menuLabel(), QStringLiteral("Timer: 1:00"));

        for (int left = 59; left >= 1; --left) {
            pass(1s, left);
            if (left == 30) { // a start while running changes nothing
                timer->startPomodoro({});
                timer->startSimple(5, {}, RGBMode::solid);
                QCOMPARE(timer->remainingSeconds(), 30);
            }
        }
        QCOMPARE(menuLabel(), QStringLiteral("Timer: 0:01"));
        QVERIFY(!timer->isExpired());
        clock->advance(1s);
        KESTRIX_WAIT_FOR(timer->isExpired());
        QList<int> expected;
        for (int left = 60; left >= 0; --left) {
            expected.append(left);
        }
        QList<int> seen;
        for (const QList<QVariant> &change : remaining) {
            seen.append(change.at(0).toInt());
        }
        QCOMPARE(seen, expected); // one step per second, none skipped or repeated
        QCOMPARE(ledReports(), (QStringList{ledOn(), mode(RGBMode::knightScanner), color(alertColor)}));
        QCOMPARE(device->led().mode, RGBMode::knightScanner);
        QCOMPARE(menuLabel(), QStringLiteral("Timer: Time's up!"));

        // The alert stays: no ticks, no writes, the engine still paused, new starts ignored.
        recorder->reports.clear();
        clock->advance(10min);
        timer->startSimple(5, {}, RGBMode::solid);
        timer->startPomodoro({});
        QCOMPARE(timer->kind(), TimerKind::simple);
        QVERIFY(timer->isExpired());
        QCOMPARE(timer->remainingSeconds(), 0);
        QVERIFY(engine->isPaused());
        QVERIFY(ledReports().isEmpty());

        timer->cancelIfRunning();
        QCOMPARE(timer->kind(), std::nullopt);
        QVERIFY(!timer->isExpired());
        QVERIFY(!engine->isPaused());
        QCOMPARE(menuLabel(), QStringLiteral("Timer\u2026"));
    }

    // The remainder follows the deadline on the clock, whatever the ticks did meanwhile.
    void lateTicksShortenNothing()
    {
        timer->startSimple(1, alertColor, RGBMode::solid);
        clock->advance(500ms);
        letItTick();
        QCOMPARE(timer->remainingSeconds(), 60); // rounded up
        pass(58s, 2);                            // a jump shows the true remainder at once
        timer->cancelIfRunning();
        QCOMPARE(timer->remainingSeconds(), 2); // kept after a cancel

        // After a long sleep a pomodoro phase ends, and the next one runs its full length.
        timer->startPomodoro({});
        QCOMPARE(timer->remainingSeconds(), 25 * 60);
        clock->advance(3h);
        KESTRIX_WAIT_FOR(timer->pomodoroPhase() == PomodoroPhase::shortBreak);
        QCOMPARE(timer->remainingSeconds(), 5 * 60);
        QCOMPARE(timer->pomodoroCycleCount(), 1);
    }

    // Defaults with a limit of 8: work and short breaks, a long break after every fourth work phase,
    // and the end after the eighth work phase with no break after it.
    void pomodoroSessionRunsItsPhasesThenEnds()
    {
        plug();
        PomodoroSettings settings;
        settings.sessionLimit = 8;
        settings.breakEffect = RGBMode::breatheSlow;
        settings.longBreakEffect = RGBMode::hueCycle;
        timer->startPomodoro(settings);

        struct Phase {
            int minutes;
            HSVColor color;
            RGBMode effect;
            QString label;
        };
        const std::map<PomodoroPhase, Phase> phases{
            {PomodoroPhase::work, {25, settings.workColor, settings.workEffect, QStringLiteral("Timer: Work 25:00")}},
            {PomodoroPhase::shortBreak,
             {5, settings.breakColor, settings.breakEffect, QStringLiteral("Timer: Break 5:00")}},
            {PomodoroPhase::longBreak,
             {15, settings.longBreakColor, settings.longBreakEffect, QStringLiteral("Timer: Long break 15:00")}},
        };
        const auto W = PomodoroPhase::work, S = PomodoroPhase::shortBreak, L = PomodoroPhase::longBreak;
        const QList<PomodoroPhase> expected{W, S, W, S, W, S, W, L, W, S, W, S, W, S, W};
        QList<PomodoroPhase> seen;
        QStringList entered{ledOn()}; // the LED is switched on once, at the start
        while (timer->kind()) {
            const PomodoroPhase phase = *timer->pomodoroPhase();
            const Phase &look = phases.at(phase);
            seen.append(phase);
            QCOMPARE(timer->remainingSeconds(), look.minutes * 60);
            QCOMPARE(menuLabel(), look.label);
            entered << mode(look.effect) << color(look.color); // mode first, then colour
            QCOMPARE(ledReports(), entered);
            recorder->reports.clear();
            entered.clear();
            const int count = timer->pomodoroCycleCount();
            clock->advance(std::chrono::minutes(look.minutes));
            KESTRIX_WAIT_FOR(!timer->kind() || timer->pomodoroPhase() != phase || timer->pomodoroCycleCount() != count);
        }
        QCOMPARE(seen, expected);
        QCOMPARE(timer->pomodoroCycleCount(), 8);
        QCOMPARE(timer->pomodoroPhase(), std::nullopt);
        QVERIFY(!engine->isPaused());
    }

    // A limit of 1 ends the session after the first work phase: no break, and the status rules take
    // the LED back with what they decided meanwhile.
    void sessionLimitOfOneHandsTheLEDBack()
    {
        plug();
        engine->updateSignal(QStringLiteral("mic_muted"), true);
        PomodoroSettings settings;
        settings.sessionLimit = 1;
        timer->startPomodoro(settings);
        engine->updateSignal(QStringLiteral("mic_muted"), false);
        engine->updateSignal(QStringLiteral("in_meeting"), true);
        recorder->reports.clear();

        clock->advance(25min);
        KESTRIX_WAIT_FOR(!timer->kind());
        QCOMPARE(timer->pomodoroCycleCount(), 1);
        QCOMPARE(timer->pomodoroPhase(), std::nullopt);
        QVERIFY(!engine->isPaused());
        QVERIFY(!ledReports().contains(color(settings.breakColor)));
        // In Meeting: hue 140, solid.
        QCOMPARE(ledReports(), (QStringList{ledOn(), mode(RGBMode::solid), color({140, 255, 255})}));
    }

    void oneCycleBeforeALongBreakMakesEveryBreakLong_data()
    {
        QTest::addColumn<int>("cycles");
        QTest::newRow("one") << 1;
        QTest::newRow("zero, taken as one") << 0;
    }
    void oneCycleBeforeALongBreakMakesEveryBreakLong()
    {
        QFETCH(int, cycles);
        PomodoroSettings settings;
        settings.workMinutes = 1;
        settings.longBreakMinutes = 2;
        settings.cyclesBeforeLongBreak = cycles;
        timer->startPomodoro(settings);
        for (int round = 1; round <= 3; ++round) {
            clock->advance(1min);
            KESTRIX_WAIT_FOR(timer->pomodoroPhase() == PomodoroPhase::longBreak);
            QCOMPARE(timer->pomodoroCycleCount(), round);
            QCOMPARE(timer->remainingSeconds(), 120);
            clock->advance(2min);
            KESTRIX_WAIT_FOR(timer->pomodoroPhase() == PomodoroPhase::work);
        }
    }

    void cancelWithoutATimerLeavesTheEngineAlone()
    {
        plug();
        engine->updateSignal(QStringLiteral("mic_muted"), true);
        engine->setPaused(true); // so any call to the engine would show
        recorder->reports.clear();
        timer->cancelIfRunning();
        QVERIFY(engine->isPaused());
        QVERIFY(recorder->reports.empty());
    }

    // The device manager re-sends the (paused) engine's LED state on every attach; the timer's look
    // must win, also for a device that was absent when the timer started.
    void aDeviceAttachedDuringATimerShowsTheTimer()
    {
        timer->startSimple(1, alertColor, RGBMode::solid); // no device: nothing written, counting goes on
        pass(2s, 58);
        plugId = bus->plug(*device, 0x14200000);
        KESTRIX_WAIT_FOR(ledReports() == QStringList{ledOn()});
        KESTRIX_WAIT_FOR(hid->deviceID().has_value());

        timer->cancelIfRunning();
        engine->updateSignal(QStringLiteral("mic_muted"), true); // the engine now has a state to re-send
        PomodoroSettings settings;
        settings.workColor = {42, 200, 100};
        settings.workEffect = RGBMode::twinkleRandomHue;
        timer->startPomodoro(settings);
        bus->unplug(plugId);
        recorder->reports.clear();
        plugId = bus->plug(*device, 0x14200000);
        KESTRIX_WAIT_FOR(ledReports().size() >= 6);
        QCOMPARE(ledReports(), (QStringList{ledOn(), mode(RGBMode::solid), color({0, 255, 255}), ledOn(),
                                            mode(RGBMode::twinkleRandomHue), color(settings.workColor)}));
        QCOMPARE(device->led().mode, RGBMode::twinkleRandomHue);

        // Another present device held in its place, and the first one again when that one goes (the
        // manager never reads disconnected on the way): each shows the timer.
        SimulatedDorvel other;
        const auto otherId = bus->plug(other, 0x14300000);
        KESTRIX_WAIT_FOR(hid->currentLocationID() == std::optional<LocationID>(0x14300000));
        QCOMPARE(other.led().mode, RGBMode::twinkleRandomHue);
        bus->unplug(otherId);
        QCOMPARE(hid->currentLocationID(), std::optional<LocationID>(0x14200000));
        QCOMPARE(device->led().mode, RGBMode::twinkleRandomHue);
    }

    // While a firmware run holds the link no LED report reaches the device, neither the engine's nor
    // a phase change. When the run lets go the device gets the current state once: the engine's,
    // then the timer's look.
    void aHeldLinkKeepsEveryLEDWriteBack()
    {
        plug();
        auto link = hid->acquireExclusiveLink();
        engine->updateSignal(QStringLiteral("in_meeting"), true);
        PomodoroSettings settings;
        settings.workMinutes = 1;
        timer->startPomodoro(settings);
        clock->advance(1min);
        KESTRIX_WAIT_FOR(timer->pomodoroPhase() == PomodoroPhase::shortBreak);
        QVERIFY(ledReports().isEmpty());
        link.reset();
        QCOMPARE(ledReports(), (QStringList{ledOn(), mode(RGBMode::solid), color({140, 255, 255}), ledOn(),
                                            mode(settings.breakEffect), color(settings.breakColor)}));
    }

    // An LED the user had switched off is off again once the timer is cancelled.
    void cancelRestoresAnLEDThatWasOff()
    {
        device->handleReport(Dorvel::ledEnabledReport(false));
        plug();
        const SimulatedDorvel::Led before = device->led();
        QVERIFY(!before.on);
        timer->startSimple(0, alertColor, RGBMode::knightScanner);
        KESTRIX_WAIT_FOR(timer->isExpired());
        QVERIFY(device->led().on);
        timer->cancelIfRunning();
        QCOMPARE(device->led(), before);
    }

    // With no rule state ever sent, the engine has nothing to restore: the device gets back the look
    // it had before the timer instead of keeping the alert for good.
    void cancelRestoresTheDevicesOwnLookWhenTheEngineHasNone()
    {
        plug();
        const SimulatedDorvel::Led before = device->led();
        timer->startSimple(0, alertColor, RGBMode::knightScanner);
        KESTRIX_WAIT_FOR(timer->isExpired());
        QCOMPARE(device->led().mode, RGBMode::knightScanner);
        timer->cancelIfRunning();
        QCOMPARE(device->led(), before);

        // Once the engine has a state, it alone decides.
        engine->updateSignal(QStringLiteral("in_meeting"), true);
        timer->startSimple(0, alertColor, RGBMode::knightScanner);
        KESTRIX_WAIT_FOR(timer->isExpired());
        recorder->reports.clear();
        timer->cancelIfRunning();
        QCOMPARE(ledReports(), (QStringList{ledOn(), mode(RGBMode::solid), color({140, 255, 255})}));
    }
};

QTEST_GUILESS_MAIN(TimerManagerTest)
#include "tst_timermanager.moc"
