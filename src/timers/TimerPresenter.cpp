#include "timers/TimerPresenter.h"

#include <algorithm>

namespace TimerPresenter {

QString formatRemaining(int seconds)
{
    const int shown = std::max(0, seconds);
    return QString::asprintf("%d:%02d", shown / 60, shown % 60);
}

QString phaseName(PomodoroPhase phase)
{
    switch (phase) {
    case PomodoroPhase::work:
        return QStringLiteral("Work");
    case PomodoroPhase::shortBreak:
        return QStringLiteral("Break");
    case PomodoroPhase::longBreak:
        return QStringLiteral("Long break");
    }
    return {};
}

QString menuLabel(const std::optional<TimerKind> &kind, const std::optional<PomodoroPhase> &phase, int remainingSeconds,
                  bool isExpired)
{
    if (!kind) {
        return QStringLiteral("Timer\u2026");
    }
    if (*kind == TimerKind::simple && isExpired) {
        return QStringLiteral("Timer: Time's up!");
    }
    if (*kind == TimerKind::pomodoro && phase) {
        return QStringLiteral("Timer: ") + phaseName(*phase) + QLatin1Char(' ') + formatRemaining(remainingSeconds);
    }
    return QStringLiteral("Timer: ") + formatRemaining(remainingSeconds);
}

} // namespace TimerPresenter
