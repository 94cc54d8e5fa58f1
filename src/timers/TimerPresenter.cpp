#include "timers/TimerPresenter.h"

#include "device/LinkNotices.h"

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

QString cycleLine(int pomodoroCycleCount, std::optional<int> sessionLimit)
{
    QString line = QStringLiteral("cycle ") + QString::number(pomodoroCycleCount + 1);
    if (sessionLimit) {
        line += QStringLiteral(" / ") + QString::number(*sessionLimit);
    }
    return line;
}

TimerWindow timerWindow(const std::optional<TimerKind> &kind, bool isExpired, const std::optional<PomodoroPhase> &phase,
                        int remainingSeconds, int pomodoroCycleCount, std::optional<int> sessionLimit, bool isLinkHeld)
{
    TimerWindow window;
    // A timer writes the LED itself from its first second.
    window.startEnabled = !isLinkHeld;
    if (isLinkHeld) {
        window.startNotice = LinkNotices::heldByFirmwareUpdate();
    }
    window.showsSimpleSection = kind != TimerKind::pomodoro;
    window.showsSimpleSetup = !kind;
    window.showsPomodoroSection = kind != TimerKind::simple;
    window.showsPomodoroSetup = !kind;
    if (kind == TimerKind::simple) {
        window.simpleStatusIsCountdown = !isExpired;
        window.simpleStatus = isExpired ? QStringLiteral("Time's up!") : formatRemaining(remainingSeconds);
        window.simpleButton = isExpired ? QStringLiteral("Dismiss") : QStringLiteral("Stop");
    }
    if (kind == TimerKind::pomodoro) {
        window.phaseName = phase ? phaseName(*phase) : QString();
        window.pomodoroRemaining = formatRemaining(remainingSeconds);
        window.cycleLine = cycleLine(pomodoroCycleCount, sessionLimit);
    }
    return window;
}

Stepper simpleMinutesStepper()
{
    return {QStringLiteral("Duration"), QStringLiteral("Duration: "), QStringLiteral(" min"), 1, 180, 5};
}

Stepper workMinutesStepper()
{
    return {QStringLiteral("Work"), QStringLiteral("Work: "), QStringLiteral(" min"), 1, 180, 25};
}

Stepper breakMinutesStepper()
{
    return {QStringLiteral("Break"), QStringLiteral("Break: "), QStringLiteral(" min"), 1, 60, 5};
}

Stepper longBreakMinutesStepper()
{
    return {QStringLiteral("Long break"), QStringLiteral("Long break: "), QStringLiteral(" min"), 1, 120, 15};
}

Stepper cyclesBeforeLongBreakStepper()
{
    return {
        QStringLiteral("Long break every"), QStringLiteral("Long break every: "), QStringLiteral(" cycles"), 1, 12, 4};
}

Stepper totalCyclesStepper()
{
    return {QStringLiteral("Total cycles"), QStringLiteral("Total cycles: "), QString(), 1, 20, 8};
}

} // namespace TimerPresenter
