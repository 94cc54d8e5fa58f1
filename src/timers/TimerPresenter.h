#pragma once

#include "timers/TimerManager.h"

#include <QString>

#include <optional>

// Texts about the running timer, computed from the manager's published values only.
namespace TimerPresenter {

// Whole minutes, a colon, then the seconds left over with two digits: "25:00", "0:07", "90:00".
QString formatRemaining(int seconds);

// "Work", "Break" or "Long break".
QString phaseName(PomodoroPhase phase);

// The tray menu's timer item: "Timer…" without a timer, "Timer: Time's up!" once a simple timer has
// expired, else "Timer: " with the phase name (pomodoro) and the remaining time.
QString menuLabel(const std::optional<TimerKind> &kind, const std::optional<PomodoroPhase> &phase, int remainingSeconds,
                  bool isExpired);

// The cycle line of a running pomodoro: "cycle n" for the work phase in progress or the break after
// work phase n - 1 (n = completed work phases + 1), then " / " and the session's total when it has
// one.
QString cycleLine(int pomodoroCycleCount, std::optional<int> sessionLimit);

// What the timer window shows. Each section has a set-up form (no timer) and a running form (its
// own kind of timer, an expired simple timer included); the other kind's section is hidden.
struct TimerWindow {
    bool showsSimpleSection = true;
    bool showsSimpleSetup = true;
    // The running form: the countdown (shown in the monospaced title font) and "Stop", or after
    // expiry "Time's up!" and "Dismiss".
    QString simpleStatus;
    bool simpleStatusIsCountdown = false;
    QString simpleButton;

    bool showsPomodoroSection = true;
    bool showsPomodoroSetup = true;
    QString phaseName;
    QString pomodoroRemaining;
    QString cycleLine;

    // The set-up forms' "Start" buttons: off while a firmware update holds the device link, with
    // the reason in startNotice (a line above the sections and the buttons' tooltip), else empty.
    bool startEnabled = true;
    QString startNotice;

    friend bool operator==(const TimerWindow &, const TimerWindow &) = default;
};
TimerWindow timerWindow(const std::optional<TimerKind> &kind, bool isExpired, const std::optional<PomodoroPhase> &phase,
                        int remainingSeconds, int pomodoroCycleCount, std::optional<int> sessionLimit, bool isLinkHeld);

// A stepper of the set-up forms: it shows prefix, number, suffix ("Duration: 5 min").
struct Stepper {
    QString name; // its accessible name
    QString prefix;
    QString suffix;
    int minimum = 1;
    int maximum = 1;
    int initial = 1;
};
Stepper simpleMinutesStepper();
Stepper workMinutesStepper();
Stepper breakMinutesStepper();
Stepper longBreakMinutesStepper();
Stepper cyclesBeforeLongBreakStepper();
Stepper totalCyclesStepper();

} // namespace TimerPresenter
