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

} // namespace TimerPresenter
