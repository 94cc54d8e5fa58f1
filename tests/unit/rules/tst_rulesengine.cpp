#include "RulesTestSupport.h"

#include "device/DorvelDeviceManager.h"
#include "platform/sim/SimulatedHidBus.h"
#include "rules/RuleJson.h"
#include "rules/RuleStore.h"
#include "rules/StatusLightPause.h"
#include "rules/StatusRulesEngine.h"
#include "signals/DoNotDisturbWatcher.h"
#include "signals/ExternalTriggerServer.h"
#include "signals/ScreenLockWatcher.h"
#include "signals/ScreenShareWatcher.h"
#include "signals/SignalSources.h"
#include "support/DeviceTestSupport.h"
#include "support/FakeDesktopState.h"
#include "support/FakeTriggerListener.h"
#include "support/TestMain.h"
#include "support/TestTime.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>

#include <memory>

using namespace std::chrono_literals;

namespace {

const QString deviceProfile = QStringLiteral("statusRules.v1.0123456789abcdef");
const QString globalProfile = QStringLiteral("statusRules.v1");

// One LED update as hex, one report after another.
QString describe(const std::vector<Bytes> &reports)
{
    QStringList hex;
    for (const Bytes &report : reports) {
        hex.append(QString::fromLatin1(
            QByteArray(reinterpret_cast<const char *>(report.data()), qsizetype(report.size())).toHex()));
    }
    return hex.join(QLatin1Char(' '));
}
QString shows(int mode, int hue, int saturation = 255, int value = 255)
{
    return describe({Dorvel::ledEnabledReport(true), Dorvel::ledModeReport(Dorvel::RGBMode(mode)),
                     Dorvel::ledColorReport(std::uint8_t(hue), std::uint8_t(saturation), std::uint8_t(value))});
}
const QString off = describe({Dorvel::ledEnabledReport(false)});

class FakeMic : public MicMuteSignals {
public:
    std::optional<bool> muted, inUse;
    std::optional<bool> isMuted() const override { return muted; }
    std::optional<bool> isInUse() const override { return inUse; }
    void setMuted(std::optional<bool> value) { Q_EMIT isMutedChanged(muted = value); }
    void setInUse(std::optional<bool> value) { Q_EMIT isInUseChanged(inUse = value); }
};
class FakeCamera : public CameraInUseSignals {
public:
    std::optional<bool> isInUse() const override { return std::nullopt; }
};
class FakeVPN : public VPNStatusSignals {
public:
    std::optional<bool> isConnected() const override { return true; }
};
class FakeCalendar : public CalendarSignals {
public:
    std::optional<bool> isMeetingSoon() const override { return std::nullopt; }
    std::optional<bool> isInMeeting() const override { return std::nullopt; }
};

} // namespace

class RulesEngineTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TemporaryConfigHome> home;
    std::unique_ptr<SimulatedHidBus> bus;
    std::unique_ptr<SimulatedDorvel> device;
    std::unique_ptr<ReportRecorder> recorder;
    std::unique_ptr<DorvelDeviceManager> manager;
    std::unique_ptr<StatusRulesEngine> engine;
    SimulatedHidBus::PlugId plugId = 0;

    void plug()
    {
        plugId = bus->plug(*device, 0x14200000);
        KESTRIX_WAIT_FOR(engine->activeProfileKey() == deviceProfile);
        recorder->reports.clear(); // the attach queries
    }
    // An engine whose LED updates reach the attached device.
    void startAttached()
    {
        engine = std::make_unique<StatusRulesEngine>(*manager);
        plug();
    }
    // Each LED update the device received, in order: the manager follows every update with a state
    // query, which ends the update's run of LED reports.
    QStringList sends() const
    {
        QStringList out;
        std::vector<Bytes> current;
        for (const Bytes &report : recorder->reports) {
            if (report.at(0) == Dorvel::ledCommand) {
                current.push_back(report);
            } else if (!current.empty()) {
                out.append(describe(std::exchange(current, {})));
            }
        }
        if (!current.empty()) {
            out.append(describe(current));
        }
        return out;
    }
    void setFinishStep(const char *id, FinishStepConfig finish)
    {
        auto rules = engine->rules();
        ruleIn(rules, id).finishStep = finish;
        engine->setRules(rules);
        recorder->reports.clear();
    }

private Q_SLOTS:
    void init()
    {
        home = std::make_unique<TemporaryConfigHome>();
        bus = std::make_unique<SimulatedHidBus>();
        device = std::make_unique<SimulatedDorvel>();
        recorder = std::make_unique<ReportRecorder>(*device);
        manager =
            std::make_unique<DorvelDeviceManager>(*bus, DorvelDeviceManager::Timings{200ms, 200ms, 200ms, 20ms, 200ms});
        manager->start();
    }
    void cleanup()
    {
        engine.reset();
        manager.reset();
        bus.reset();
        recorder.reset();
        device.reset();
        home.reset();
    }

    void signalsPickTheFirstActiveEnabledRule()
    {
        startAttached();
        engine->applyWinningRule();
        QVERIFY(sends().isEmpty()); // no signal known yet: the LED is left alone
        FakeMic mic;
        mic.muted = false;
        engine->bind(mic);
        // mic_muted off, then mic_live on, but that rule is disabled by default.
        QCOMPARE(sends(), (QStringList{off, off}));
        recorder->reports.clear();

        mic.setMuted(true);
        engine->updateSignal(QStringLiteral("meeting_soon"), true);
        engine->updateSignal(QStringLiteral("meeting_soon"), true); // a repeat sends nothing
        QCOMPARE(sends(), (QStringList{shows(0, 0), shows(0, 0), shows(2, 45)}));
        recorder->reports.clear();

        mic.setMuted(std::nullopt); // unknown: the last known state stays
        mic.setInUse(true);
        QCOMPARE(sends(), (QStringList{shows(2, 45)})); // meeting_soon still outranks mic_in_use
    }

    // Switched on, "Mic Live" shows while the microphone is not muted, and hands over to "Mic Muted"
    // when it is.
    void micLiveShowsWhileTheMicrophoneIsOpen()
    {
        startAttached();
        auto rules = engine->rules();
        ruleIn(rules, "mic_live").isEnabled = true;
        engine->setRules(rules);
        FakeMic mic;
        mic.muted = false;
        engine->bind(mic);
        QCOMPARE(sends().last(), shows(0, 85));
        recorder->reports.clear();
        mic.setMuted(true);
        QCOMPARE(sends().last(), shows(0, 0));
        recorder->reports.clear();
        mic.setMuted(false);
        QCOMPARE(sends().last(), shows(0, 85));
    }

    void watchersFeedTheirSignals()
    {
        startAttached();
        auto rules = engine->rules();
        ruleIn(rules, "vpn_disconnected").isEnabled = true;
        engine->setRules(rules);
        FakeVPN vpn;
        FakeCamera camera;
        FakeCalendar calendar;
        engine->bind(vpn); // connected now: vpn_disconnected off
        engine->bind(camera);
        engine->bind(calendar);
        QCOMPARE(sends(), (QStringList{off}));
        recorder->reports.clear();

        Q_EMIT vpn.isConnectedChanged(false);
        Q_EMIT camera.isInUseChanged(true);
        Q_EMIT calendar.isInMeetingChanged(true);
        Q_EMIT calendar.isMeetingSoonChanged(true);
        QCOMPARE(sends(), (QStringList{shows(2, 20), shows(2, 60), shows(2, 60), shows(2, 45)}));

        // A watcher outliving the engine signals into nothing.
        engine.reset();
        Q_EMIT calendar.isMeetingSoonChanged(false);
    }

    void unknownSignalNamesOnlyMarkSignalsAsKnown()
    {
        startAttached();
        engine->updateSignal(QStringLiteral("build_broken"), true);
        QCOMPARE(sends(), (QStringList{off}));
        recorder->reports.clear();
        engine->updateSignal(QStringLiteral("ai_execution"), true);
        engine->updateSignal(QStringLiteral("in_meeting"), true);
        QCOMPARE(sends(), (QStringList{shows(2, 0), shows(2, 0)}));
    }

    // A script and the microphone watcher both report "mic_muted": whichever spoke last counts, and
    // a script's line about another name does not bring its older "mic_muted" back.
    void latestReportWinsBetweenScriptsAndWatchers()
    {
        startAttached();
        auto *listener = new FakeTriggerListener;
        ExternalTriggerServer server{std::unique_ptr<TriggerListener>(listener)};
        engine->bind(server);
        server.start();
        FakeMic mic;
        engine->bind(mic);

        listener->deliver("mic_muted 1\n");
        mic.setMuted(true);
        mic.setMuted(false);
        QCOMPARE(sends().last(), off);
        recorder->reports.clear();

        listener->deliver("build_status 1\n");
        listener->deliver("build_status 0\nterminal_active 0\n");
        QCOMPARE(sends(), (QStringList{off, off, off}));

        listener->deliver("mic_muted 1\nmic_muted 1\n"); // a repeat is no new report
        QCOMPARE(sends().size(), 4);
        QCOMPARE(sends().last(), shows(0, 0));
    }

    void finishStepShowsThenHandsOver_data()
    {
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("showingAfter"); // LedShowing::Kind
        QTest::newRow("next rule") << QStringLiteral("in_meeting") << shows(0, 140) << int(LedShowing::Kind::rule);
        QTest::newRow("fallback") << QStringLiteral("fallback") << shows(3, 30, 200, 100)
                                  << int(LedShowing::Kind::fallback);
        QTest::newRow("nothing") << QString() << off << int(LedShowing::Kind::off);
    }
    void finishStepShowsThenHandsOver()
    {
        QFETCH(QString, after);
        QFETCH(QString, expected);
        QFETCH(int, showingAfter);
        startAttached();
        QCOMPARE(engine->showing(), LedShowing{});
        setFinishStep("ai_execution", {.isEnabled = true, .durationSeconds = 0.05});
        if (after == QLatin1String("fallback")) {
            engine->setFallbackState(FallbackRGBState{30, 200, 100, LEDEffect::hueCycle});
            engine->setFallbackEnabled(true);
        } else if (!after.isEmpty()) {
            engine->updateSignal(after, true);
        }
        recorder->reports.clear();

        QSignalSpy showingChanged(engine.get(), &StatusRulesEngine::showingChanged);
        engine->updateSignal(QStringLiteral("ai_execution"), true);
        auto rules = engine->rules();
        const QString name = ruleIn(rules, "ai_execution").displayName;
        QCOMPARE(engine->showing(), (LedShowing{LedShowing::Kind::rule, QStringLiteral("ai_execution"), name}));
        engine->updateSignal(QStringLiteral("ai_execution"), false);
        QCOMPARE(engine->showing(), (LedShowing{LedShowing::Kind::finishStep, QStringLiteral("ai_execution"), name}));
        QCOMPARE(sends(), (QStringList{shows(2, 0), shows(1, 85)}));
        KESTRIX_WAIT_FOR(sends().size() == 3);
        QCOMPARE(sends().last(), expected);
        QCOMPARE(int(engine->showing().kind), showingAfter);
        QCOMPARE(showingChanged.count(), 3);
    }

    void disabledFinishStepEndsAtOnce()
    {
        startAttached();
        engine->updateSignal(QStringLiteral("terminal_active"), true);
        engine->updateSignal(QStringLiteral("terminal_active"), false);
        QCOMPARE(sends(), (QStringList{shows(0, 200), off}));
    }

    // Switching a running finish step off (in the editor, or by a profile without it) ends it at
    // once; the rule's own look never shows for a signal that has fallen. A first report of off
    // has nothing to finish.
    void finishStepSwitchedOffWhileRunningEndsAtOnce()
    {
        startAttached();
        setFinishStep("ai_execution", {.isEnabled = true, .durationSeconds = 60}); // outlasts the test
        engine->updateSignal(QStringLiteral("ai_execution"), false);
        QCOMPARE(sends(), (QStringList{off}));

        engine->updateSignal(QStringLiteral("ai_execution"), true);
        engine->updateSignal(QStringLiteral("ai_execution"), false);
        recorder->reports.clear();
        setFinishStep("ai_execution", {.isEnabled = false, .durationSeconds = 60});
        QCOMPARE(engine->rules().front().id, QStringLiteral("ai_execution"));
        engine->setFallbackEnabled(false); // any re-evaluation
        QCOMPARE(sends(), QStringList{off});
        recorder->reports.clear();
        // Switched on again, it does not come back for the signal that already fell.
        setFinishStep("ai_execution", {.isEnabled = true, .durationSeconds = 60});
        engine->applyWinningRule();
        QCOMPARE(sends(), QStringList{off});
    }

    void finishStepResumesWhenAHigherRuleEnds()
    {
        startAttached();
        setFinishStep("terminal_active", {.isEnabled = true, .durationSeconds = 60}); // outlasts the test
        engine->updateSignal(QStringLiteral("terminal_active"), true);
        engine->updateSignal(QStringLiteral("terminal_active"), false);
        engine->updateSignal(QStringLiteral("meeting_soon"), true);
        engine->updateSignal(QStringLiteral("meeting_soon"), false);
        QCOMPARE(sends(), (QStringList{shows(0, 200), shows(1, 85), shows(2, 45), shows(1, 85)}));
    }

    void signalReturningDuringFinishStepCancelsIt()
    {
        startAttached();
        setFinishStep("ai_execution", {.isEnabled = true, .durationSeconds = 0.05});
        engine->updateSignal(QStringLiteral("ai_execution"), true);
        engine->updateSignal(QStringLiteral("ai_execution"), false);
        engine->updateSignal(QStringLiteral("ai_execution"), true);
        QTest::qWait(300); // several times the finish step: a timer left running would have fired
        QCOMPARE(sends(), (QStringList{shows(2, 0), shows(1, 85), shows(2, 0)}));

        // Ending again starts a fresh finish step, which then runs out.
        engine->updateSignal(QStringLiteral("ai_execution"), false);
        KESTRIX_WAIT_FOR(sends().size() == 5);
        QCOMPARE(sends().mid(3), (QStringList{shows(1, 85), off}));
    }

    void pauseHoldsEveryUpdate()
    {
        startAttached();
        engine->updateSignal(QStringLiteral("mic_muted"), true);
        engine->setPaused(true);
        engine->updateSignal(QStringLiteral("meeting_soon"), true);
        engine->setFallbackEnabled(true);
        engine->setRules(engine->rules());
        engine->setPaused(false);
        QCOMPARE(sends(), (QStringList{shows(0, 0)}));
        engine->applyWinningRule();
        QCOMPARE(sends(), (QStringList{shows(0, 0), shows(2, 45)}));
    }

    // The desktop's presence reaches its rules through watchers that combine their sources: any
    // present source saying yes is enough; a source that leaves stops counting, and with none left
    // the signal is off.
    void desktopWatchersFeedTheirSignals()
    {
        startAttached();
        auto rules = engine->rules();
        for (const char *id : {"screen_locked", "do_not_disturb", "screen_shared"}) {
            ruleIn(rules, id).isEnabled = true;
        }
        engine->setRules(rules);
        recorder->reports.clear();
        auto *logind = new FakeDesktopState;
        auto *screenSaver = new FakeDesktopState;
        auto *notifications = new FakeDesktopState;
        auto *cast = new FakeDesktopState;
        std::vector<std::unique_ptr<DesktopStateSource>> lockSources, dndSources, castSources;
        lockSources.emplace_back(logind);
        lockSources.emplace_back(screenSaver);
        dndSources.emplace_back(notifications);
        castSources.emplace_back(cast);
        ScreenLockWatcher lock(std::move(lockSources));
        DoNotDisturbWatcher dnd(std::move(dndSources));
        ScreenShareWatcher share(std::move(castSources));
        engine->bind(lock);
        engine->bind(dnd);
        engine->bind(share);
        lock.start();
        lock.start();
        QCOMPARE(logind->startCount, 1);
        QCOMPARE(screenSaver->startCount, 1);
        QVERIFY(sends().isEmpty()); // nothing known yet

        logind->deliver(false);
        screenSaver->deliver(true);
        logind->deliver(std::nullopt); // the screen saver still says locked
        screenSaver->deliver(std::nullopt);
        QCOMPARE(lock.isLocked(), std::optional(false));
        notifications->deliver(true);
        notifications->deliver(std::nullopt);
        cast->deliver(true);
        cast->deliver(std::nullopt);
        QCOMPARE(sends(), (QStringList{off, shows(0, 28, 255, 40), off, shows(0, 191), off, shows(1, 228), off}));
    }

    // While the user has paused the light the fallback (or nothing) shows, signals still count, and
    // a timer's pause still takes the LED.
    void holdShowsTheFallbackWhileSignalsMoveOn()
    {
        startAttached();
        engine->setOnHold(true); // on hold before any signal: off at once
        engine->updateSignal(QStringLiteral("mic_muted"), true);
        engine->setFallbackState(FallbackRGBState{7, 8, 9, LEDEffect::solid});
        engine->setFallbackEnabled(true);
        engine->updateSignal(QStringLiteral("meeting_soon"), true);
        engine->setPaused(true); // a timer starts during the hold
        engine->updateSignal(QStringLiteral("meeting_soon"), false);
        engine->setPaused(false);
        engine->applyWinningRule(); // the timer ends: back to the hold
        engine->setOnHold(false);
        QCOMPARE(sends(),
                 (QStringList{off, off, off, shows(0, 7, 8, 9), shows(0, 7, 8, 9), shows(0, 7, 8, 9), shows(0, 0)}));
    }

    // A pause is kept as a wall-clock end in the settings: a restart before it resumes the hold, a
    // restart after it (or an unreadable end) starts unpaused and drops the stored end.
    void pauseSurvivesARestartAndEndsByItself()
    {
        QDateTime now = QDateTime(QDate(2026, 5, 6), QTime(23, 50));
        StatusLightPause::Options options;
        options.now = [&now] {
            return now;
        };
        options.recheckInterval = TestTime::scaled(20ms);
        engine = std::make_unique<StatusRulesEngine>(*manager);
        auto pause = std::make_unique<StatusLightPause>(*engine, options);
        QCOMPARE(pause->pausedUntil(), std::nullopt);
        pause->pauseFor(std::chrono::minutes(15));
        QVERIFY(engine->isOnHold());
        QCOMPARE(pause->pausedUntil(), std::optional(QDateTime(QDate(2026, 5, 7), QTime(0, 5))));

        pause.reset();
        engine = std::make_unique<StatusRulesEngine>(*manager);
        now = now.addSecs(10 * 60);
        pause = std::make_unique<StatusLightPause>(*engine, options);
        QVERIFY(engine->isOnHold());
        QCOMPARE(pause->pausedUntil(), std::optional(QDateTime(QDate(2026, 5, 7), QTime(0, 5))));
        now = now.addSecs(5 * 60); // the machine's clock reaches the end; the pause ends by itself
        KESTRIX_WAIT_FOR(!engine->isOnHold());
        QCOMPARE(pause->pausedUntil(), std::nullopt);
        QVERIFY(!home->stored(StatusLightPause::pausedUntilKey()).isValid());

        pause->pauseUntilTomorrow();
        QCOMPARE(pause->pausedUntil(), std::optional(QDateTime(QDate(2026, 5, 7), QTime(8, 0))));
        pause->resume();
        QVERIFY(!engine->isOnHold());
        pause->pauseFor(std::chrono::minutes(60));
        pause.reset();
        engine = std::make_unique<StatusRulesEngine>(*manager);
        now = now.addSecs(2 * 3600);
        pause = std::make_unique<StatusLightPause>(*engine, options);
        QVERIFY(!engine->isOnHold());
        QVERIFY(!home->stored(StatusLightPause::pausedUntilKey()).isValid());

        home->store(StatusLightPause::pausedUntilKey(), QStringLiteral("tomorrow-ish"));
        pause = std::make_unique<StatusLightPause>(*engine, options);
        QCOMPARE(pause->pausedUntil(), std::nullopt);
    }

    void untilTomorrowMeansTheNextMorning_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDateTime>("end");
        const QDate day(2026, 11, 3);
        QTest::newRow("evening") << QDateTime(day, QTime(21, 0)) << QDateTime(day.addDays(1), QTime(8, 0));
        QTest::newRow("small hours") << QDateTime(day, QTime(2, 30)) << QDateTime(day, QTime(8, 0));
        QTest::newRow("at eight") << QDateTime(day, QTime(8, 0)) << QDateTime(day.addDays(1), QTime(8, 0));
        QTest::newRow("year's end") << QDateTime(QDate(2026, 12, 31), QTime(9, 0))
                                    << QDateTime(QDate(2027, 1, 1), QTime(8, 0));
    }
    void untilTomorrowMeansTheNextMorning()
    {
        QFETCH(QDateTime, now);
        QFETCH(QDateTime, end);
        QCOMPARE(StatusLightPause::nextMorning(now), end);
    }

    void disablingTheWinnerSavesAndShowsTheNext()
    {
        startAttached();
        engine->updateSignal(QStringLiteral("meeting_soon"), true);
        engine->updateSignal(QStringLiteral("mic_muted"), true);
        auto rules = engine->rules();
        ruleIn(rules, "meeting_soon").isEnabled = false;
        engine->setRules(rules);
        QCOMPARE(sends(), (QStringList{shows(2, 45), shows(2, 45), shows(0, 0)}));
        QCOMPARE(RuleStore::loadRules(deviceProfile), rules);
    }

    void settingsPersistAcrossRestarts()
    {
        engine = std::make_unique<StatusRulesEngine>(*manager);
        QCOMPARE(engine->rules(), defaultStatusRules());
        QCOMPARE(engine->activeProfileKey(), globalProfile);
        // Creation writes back the fallback settings but not the rule list.
        const QByteArray fresh = home->fileText();
        QVERIFY(fresh.contains("\nstatusRules.v1.fallbackEnabled=false\n"));
        QVERIFY(fresh.contains("\nstatusRules.v1.fallbackState=@ByteArray(null)\n"));
        QVERIFY(!fresh.contains("\nstatusRules.v1="));

        auto rules = engine->rules();
        std::swap(rules[0], rules[8]);
        rules[0].hue = 99;
        const FallbackRGBState fallback{1, 2, 3, LEDEffect::twinkleSameHue};
        engine->setRules(rules);
        engine->setFallbackState(fallback);
        engine->setFallbackEnabled(true);
        QVERIFY(home->fileText().contains("\nstatusRules.v1=\"@ByteArray([{"));

        engine.reset();
        engine = std::make_unique<StatusRulesEngine>(*manager);
        QCOMPARE(engine->rules(), rules);
        QCOMPARE(engine->fallbackState(), std::optional(fallback));
        QVERIFY(engine->fallbackEnabled());
    }

    void undecodableListIsLeftInPlace()
    {
        QJsonObject broken = QJsonDocument::fromJson(RuleJson::encodeRules(defaultStatusRules())).array()[7].toObject();
        broken.insert(QLatin1String("effect"), QStringLiteral("strobe"));
        const QByteArray stored = QJsonDocument(QJsonArray{broken}).toJson(QJsonDocument::Compact);
        home->store(globalProfile, stored);
        engine = std::make_unique<StatusRulesEngine>(*manager);
        QCOMPARE(engine->rules(), defaultStatusRules());
        QCOMPARE(home->stored(globalProfile), QVariant(stored));
        QVERIFY(home->fileText().contains("strobe"));
    }

    void eachDeviceHasItsOwnProfile()
    {
        auto globalRules = defaultStatusRules();
        ruleIn(globalRules, "mic_live").isEnabled = true;
        RuleStore::saveRules(globalProfile, globalRules);
        RuleStore::saveFallbackEnabled(RuleStore::fallbackEnabledKey(globalProfile), true);
        const FallbackRGBState globalFallback{5, 6, 7, LEDEffect::solid};
        RuleStore::saveFallbackState(RuleStore::fallbackStateKey(globalProfile), globalFallback);
        startAttached();

        // First sight of the device: the global list, copied; no fallback.
        QCOMPARE(engine->rules(), globalRules);
        QCOMPARE(RuleStore::loadRules(deviceProfile), globalRules);
        QVERIFY(!engine->fallbackEnabled());
        QCOMPARE(engine->fallbackState(), std::nullopt);
        QVERIFY(home->fileText().contains("\nstatusRules.v1.0123456789abcdef.fallbackEnabled=false\n"));

        auto deviceRules = globalRules;
        ruleIn(deviceRules, "mic_muted").hue = 33;
        engine->setRules(deviceRules);
        QCOMPARE(RuleStore::loadRules(globalProfile), globalRules);

        bus->unplug(plugId);
        KESTRIX_WAIT_FOR(engine->activeProfileKey() == globalProfile);
        QCOMPARE(engine->rules(), globalRules);
        QVERIFY(engine->fallbackEnabled());
        QCOMPARE(engine->fallbackState(), std::optional(globalFallback));

        plug();
        QCOMPARE(engine->rules(), deviceRules);
        QVERIFY(!engine->fallbackEnabled());
    }
};

QTEST_GUILESS_MAIN(RulesEngineTest)
#include "tst_rulesengine.moc"
