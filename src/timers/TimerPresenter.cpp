#include "timers/TimerPresenter.h"

#include <QCoreApplication>

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
        return QCoreApplication::translate("TimerPresenter", "Work");
    case PomodoroPhase::shortBreak:
        return QCoreApplication::translate("TimerPresenter", "Break");
    case PomodoroPhase::longBreak:
        return QCoreApplication::translate("TimerPresenter", "Long break");
    }
    return {};
}

QString menuLabel(const std::optional<TimerKind> &kind, const std::optional<PomodoroPhase> &phase, int remainingSeconds,
                  bool isExpired)
{
    if (!kind) {
        return QCoreApplication::translate("TimerPresenter", "Timer…");
    }
    if (*kind == TimerKind::simple && isExpired) {
        return QCoreApplication::translate("TimerPresenter", "Timer: Time's up!");
    }
    if (*kind == TimerKind::pomodoro && phase) {
        return QCoreApplication::translate("TimerPresenter", "Timer: %1 %2")
            .arg(phaseName(*phase), formatRemaining(remainingSeconds));
    }
    return QCoreApplication::translate("TimerPresenter", "Timer: %1").arg(formatRemaining(remainingSeconds));
}

QString cycleLine(int pomodoroCycleCount, std::optional<int> sessionLimit)
{
    if (sessionLimit) {
        return QCoreApplication::translate("TimerPresenter", "cycle %1 / %2")
            .arg(pomodoroCycleCount + 1)
            .arg(*sessionLimit);
    }
    return QCoreApplication::translate("TimerPresenter", "cycle %1").arg(pomodoroCycleCount + 1);
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
        window.simpleStatus =
            isExpired ? QCoreApplication::translate("TimerPresenter", "Time's up!") : formatRemaining(remainingSeconds);
        window.simpleButton = isExpired ? QCoreApplication::translate("TimerPresenter", "Dismiss")
                                        : QCoreApplication::translate("TimerPresenter", "Stop");
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
    return {QCoreApplication::translate("TimerPresenter", "Duration"),
            QCoreApplication::translate("TimerPresenter", "Duration: "),
            QCoreApplication::translate("TimerPresenter", " min"),
            1,
            180,
            5};
}

Stepper workMinutesStepper()
{
    return {QCoreApplication::translate("TimerPresenter", "Work"),
            QCoreApplication::translate("TimerPresenter", "Work: "),
            QCoreApplication::translate("TimerPresenter", " min"),
            1,
            180,
            25};
}

Stepper breakMinutesStepper()
{
    return {QCoreApplication::translate("TimerPresenter", "Break"),
            QCoreApplication::translate("TimerPresenter", "Break: "),
            QCoreApplication::translate("TimerPresenter", " min"),
            1,
            60,
            5};
}

Stepper longBreakMinutesStepper()
{
    return {QCoreApplication::translate("TimerPresenter", "Long break"),
            QCoreApplication::translate("TimerPresenter", "Long break: "),
            QCoreApplication::translate("TimerPresenter", " min"),
            1,
            120,
            15};
}

Stepper cyclesBeforeLongBreakStepper()
{
    return {QCoreApplication::translate("TimerPresenter", "Long break every"),
            QCoreApplication::translate("TimerPresenter", "Long break every: "),
            QCoreApplication::translate("TimerPresenter", " cycles"),
            1,
            12,
            4};
}

Stepper totalCyclesStepper()
{
    return {QCoreApplication::translate("TimerPresenter", "Total cycles"),
            QCoreApplication::translate("TimerPresenter", "Total cycles: "),
            QString(),
            1,
            20,
            8};
}

} // namespace TimerPresenter
