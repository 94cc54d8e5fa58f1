#pragma once

#include "device/Bytes.h"
#include "device/Dorvel.h"
#include "device/HSVColor.h"
#include "util/Clock.h"

#include <QMetaType>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

class DorvelDeviceManager;
class StatusRulesEngine;

enum class TimerKind { simple, pomodoro };
enum class PomodoroPhase { work, shortBreak, longBreak };

Q_DECLARE_METATYPE(std::optional<TimerKind>)
Q_DECLARE_METATYPE(std::optional<PomodoroPhase>)

// What a pomodoro session runs with. Minutes are clamped to 0 or more and the cycles before a long
// break to 1 or more when a session starts.
struct PomodoroSettings {
    int workMinutes = 25;
    int breakMinutes = 5;
    int longBreakMinutes = 15;
    int cyclesBeforeLongBreak = 4;   // a long break follows every this many work phases
    std::optional<int> sessionLimit; // work phases after which the session ends; absent: no limit
    HSVColor workColor{0, 255, 255};
    HSVColor breakColor{85, 255, 255};
    HSVColor longBreakColor{170, 255, 255};
    Dorvel::RGBMode workEffect = Dorvel::RGBMode::solid;
    Dorvel::RGBMode breakEffect = Dorvel::RGBMode::solid;
    Dorvel::RGBMode longBreakEffect = Dorvel::RGBMode::solid;

    friend bool operator==(const PomodoroSettings &, const PomodoroSettings &) = default;
};

// Runs at most one timer: a simple countdown that ends in an LED alert, or a pomodoro session of
// work and break phases, each with its own LED color and animation. While a timer exists (running,
// or a simple timer showing its alert) the rules engine is paused and the manager writes LED reports
// to the held device, unacknowledged and without touching the device manager's remembered LED
// state; cancelling hands the LED back to the engine. The timer's look is the device manager's LED
// override meanwhile, so every device attached while a timer exists (a replug, a switch to another
// present device, a wake-up) shows it after the engine's state, and a firmware run that holds the
// link keeps all of it back until it lets go. Main thread only.
//
// Countdowns follow a deadline on the injected clock, not the number of ticks: a late or missed tick
// (a busy event loop, a suspended machine) shortens nothing, the next tick shows the true remainder.
class TimerManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::optional<TimerKind> kind READ kind NOTIFY kindChanged)
    Q_PROPERTY(int remainingSeconds READ remainingSeconds NOTIFY remainingSecondsChanged)
    Q_PROPERTY(bool isExpired READ isExpired NOTIFY isExpiredChanged)
    Q_PROPERTY(std::optional<PomodoroPhase> pomodoroPhase READ pomodoroPhase NOTIFY pomodoroPhaseChanged)
    Q_PROPERTY(int pomodoroCycleCount READ pomodoroCycleCount NOTIFY pomodoroCycleCountChanged)

public:
    struct Timings {
        // How often the remainder is recomputed; tests shorten it.
        std::chrono::milliseconds tickInterval{1000};
    };

    // The device manager, the engine and the clock must outlive the manager.
    TimerManager(DorvelDeviceManager &hid, StatusRulesEngine &rulesEngine, const Clock &clock, Timings timings,
                 QObject *parent = nullptr);
    TimerManager(DorvelDeviceManager &hid, StatusRulesEngine &rulesEngine, const Clock &clock,
                 QObject *parent = nullptr);
    ~TimerManager() override;

    // Absent while no timer exists; stays `simple` after expiry until cancelled.
    const std::optional<TimerKind> &kind() const { return m_kind; }
    // Whole seconds left, rounded up, never negative. Keeps its last value after a cancel.
    int remainingSeconds() const { return m_remainingSeconds; }
    bool isExpired() const { return m_isExpired; }
    const std::optional<PomodoroPhase> &pomodoroPhase() const { return m_pomodoroPhase; }
    // Work phases completed in the current (or last) session.
    int pomodoroCycleCount() const { return m_pomodoroCycleCount; }

    // The settings of the current or last session (the defaults before the first).
    const PomodoroSettings &pomodoroSettings() const { return m_pomodoro; }

    // Starts a countdown of `minutes` that ends with the LED showing `alertColor` in `alertEffect`
    // until cancelled. Until then the LED is only switched on and keeps its look. Ignored while a
    // timer exists.
    void startSimple(int minutes, HSVColor alertColor, Dorvel::RGBMode alertEffect);
    // Starts a session with a work phase. Ignored while a timer exists.
    void startPomodoro(const PomodoroSettings &settings);
    // Ends whatever timer exists and gives the LED back to the rules engine. Without a timer it does
    // nothing, and the engine is not touched.
    void cancelIfRunning();

Q_SIGNALS:
    void kindChanged();
    void remainingSecondsChanged(int remainingSeconds);
    void isExpiredChanged(bool isExpired);
    void pomodoroPhaseChanged();
    void pomodoroCycleCountChanged(int pomodoroCycleCount);

private:
    void takeOverLED();
    void beginCountdown(int seconds);
    void tick();
    void expireSimple();
    void enterPomodoroPhase(PomodoroPhase phase);
    void advancePomodoroPhase();
    void stopCountdown();
    void showAppearance(Dorvel::RGBMode mode, HSVColor color);

    void setKind(std::optional<TimerKind> kind);
    void setRemainingSeconds(int seconds);
    void setExpired(bool expired);
    void setPomodoroPhase(std::optional<PomodoroPhase> phase);
    void setPomodoroCycleCount(int count);

    DorvelDeviceManager &m_hid;
    StatusRulesEngine &m_rulesEngine;
    const Clock &m_clock;

    std::optional<TimerKind> m_kind;
    int m_remainingSeconds = 0;
    bool m_isExpired = false;
    std::optional<PomodoroPhase> m_pomodoroPhase;
    int m_pomodoroCycleCount = 0;

    std::optional<Clock::time_point> m_deadline;
    QTimer m_tickTimer;

    HSVColor m_simpleAlertColor;
    Dorvel::RGBMode m_simpleAlertEffect = Dorvel::RGBMode::breatheFast;
    PomodoroSettings m_pomodoro;

    // The device's own LED look when the timer took over, written back on cancel for an engine that
    // has never set an LED state (it would otherwise leave the timer's colour on for good).
    std::vector<Bytes> m_ledBeforeTimer;
};
