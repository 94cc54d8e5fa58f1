#include "timers/TimerManager.h"

#include "device/DorvelDeviceManager.h"
#include "rules/StatusRulesEngine.h"
#include "util/Logging.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace {

// Keeps minutes × 60 inside an int, whatever a caller hands over.
int countdownSeconds(int minutes)
{
    constexpr int longest = std::numeric_limits<int>::max() / 60;
    return std::clamp(minutes, 0, longest) * 60;
}

// The LED look a state reply describes, as the reports that bring it back.
std::vector<Bytes> appearanceReports(const std::optional<DeviceQueryResponse> &state)
{
    if (!state) {
        return {};
    }
    std::vector<Bytes> reports;
    if (state->isRGBEnabled) {
        reports.push_back(Dorvel::ledEnabledReport(true));
    }
    if (state->rgbMode) {
        reports.push_back(Dorvel::ledModeReport(*state->rgbMode));
    }
    reports.push_back(Dorvel::ledColorReport(state->hue, state->saturation, state->value));
    if (!state->isRGBEnabled) {
        reports.push_back(Dorvel::ledEnabledReport(false));
    }
    return reports;
}

} // namespace

TimerManager::TimerManager(DorvelDeviceManager &hid, StatusRulesEngine &rulesEngine, const Clock &clock,
                           Timings timings, QObject *parent)
    : QObject(parent), m_hid(hid), m_rulesEngine(rulesEngine), m_clock(clock)
{
    // A precise timer never fires early; a coarse one may, by up to 5 %, and every early tick would
    // show the previous second again.
    m_tickTimer.setTimerType(Qt::PreciseTimer);
    m_tickTimer.setInterval(timings.tickInterval);
    connect(&m_tickTimer, &QTimer::timeout, this, &TimerManager::tick);
}

TimerManager::TimerManager(DorvelDeviceManager &hid, StatusRulesEngine &rulesEngine, const Clock &clock,
                           QObject *parent)
    : TimerManager(hid, rulesEngine, clock, Timings{}, parent)
{}

TimerManager::~TimerManager()
{
    // The device manager outlives the timer; the look of a timer gone must not follow its LED state.
    if (m_kind) {
        m_hid.setLEDOverride({});
    }
}

void TimerManager::startSimple(int minutes, HSVColor alertColor, Dorvel::RGBMode alertEffect)
{
    if (m_kind) {
        return;
    }
    m_simpleAlertColor = alertColor;
    m_simpleAlertEffect = alertEffect;
    qCInfo(lcTimers, "%d-minute timer started; it drives the LED until it ends", minutes);
    setKind(TimerKind::simple);
    setExpired(false);
    takeOverLED();
    beginCountdown(countdownSeconds(minutes));
}

void TimerManager::startPomodoro(const PomodoroSettings &settings)
{
    if (m_kind) {
        return;
    }
    m_pomodoro = settings;
    m_pomodoro.cyclesBeforeLongBreak = std::max(1, m_pomodoro.cyclesBeforeLongBreak);
    qCInfo(lcTimers, "pomodoro started; it drives the LED until it is stopped");
    setPomodoroCycleCount(0);
    setKind(TimerKind::pomodoro);
    takeOverLED();
    enterPomodoroPhase(PomodoroPhase::work);
}

void TimerManager::takeOverLED()
{
    m_ledBeforeTimer = appearanceReports(m_hid.lastQuery());
    m_rulesEngine.setPaused(true);
    // The device manager re-sends the timer's look after the engine's state wherever it writes
    // that state again, and holds both back while a firmware run holds the link.
    const std::vector<Bytes> on{Dorvel::ledEnabledReport(true)};
    m_hid.setLEDOverride(on);
    m_hid.writeLEDReports(on);
}

void TimerManager::beginCountdown(int seconds)
{
    m_deadline = m_clock.now() + std::chrono::seconds(seconds);
    setRemainingSeconds(seconds);
    m_tickTimer.start();
}

void TimerManager::tick()
{
    if (!m_deadline) {
        return;
    }
    // Never more than the countdown's start value, which fits an int.
    const auto left = std::chrono::ceil<std::chrono::seconds>(*m_deadline - m_clock.now()).count();
    setRemainingSeconds(left < 0 ? 0 : static_cast<int>(left));
    if (left >= 1) {
        return;
    }
    if (m_kind == TimerKind::pomodoro) {
        advancePomodoroPhase();
    } else if (m_kind == TimerKind::simple) {
        expireSimple();
    }
}

void TimerManager::expireSimple()
{
    qCInfo(lcTimers, "timer ended");
    stopCountdown();
    setExpired(true);
    showAppearance(m_simpleAlertEffect, m_simpleAlertColor);
}

void TimerManager::enterPomodoroPhase(PomodoroPhase phase)
{
    setPomodoroPhase(phase);
    switch (phase) {
    case PomodoroPhase::work:
        showAppearance(m_pomodoro.workEffect, m_pomodoro.workColor);
        beginCountdown(countdownSeconds(m_pomodoro.workMinutes));
        break;
    case PomodoroPhase::shortBreak:
        showAppearance(m_pomodoro.breakEffect, m_pomodoro.breakColor);
        beginCountdown(countdownSeconds(m_pomodoro.breakMinutes));
        break;
    case PomodoroPhase::longBreak:
        showAppearance(m_pomodoro.longBreakEffect, m_pomodoro.longBreakColor);
        beginCountdown(countdownSeconds(m_pomodoro.longBreakMinutes));
        break;
    }
}

void TimerManager::advancePomodoroPhase()
{
    if (!m_pomodoroPhase) {
        return;
    }
    PomodoroPhase next = PomodoroPhase::work;
    if (*m_pomodoroPhase == PomodoroPhase::work) {
        setPomodoroCycleCount(m_pomodoroCycleCount + 1);
        if (m_pomodoro.sessionLimit && m_pomodoroCycleCount >= *m_pomodoro.sessionLimit) {
            // The session ends after its last work phase, with no break after it.
            cancelIfRunning();
            return;
        }
        next = m_pomodoroCycleCount % m_pomodoro.cyclesBeforeLongBreak == 0 ? PomodoroPhase::longBreak
                                                                            : PomodoroPhase::shortBreak;
    }
    enterPomodoroPhase(next);
}

void TimerManager::cancelIfRunning()
{
    if (!m_kind) {
        return;
    }
    qCInfo(lcTimers, "timer stopped; the status rules drive the LED again");
    stopCountdown();
    setKind(std::nullopt);
    setExpired(false);
    setPomodoroPhase(std::nullopt);
    m_hid.setLEDOverride({});
    // An engine that has never set an LED state restores nothing, so put back what the device
    // showed before; an engine with a state overwrites this at once.
    const std::vector<Bytes> before = std::exchange(m_ledBeforeTimer, {});
    if (m_hid.lastLEDStateReports().empty()) {
        m_hid.writeLEDReports(before);
    }
    m_rulesEngine.setPaused(false);
    m_rulesEngine.applyWinningRule();
}

void TimerManager::stopCountdown()
{
    m_tickTimer.stop();
    m_deadline.reset();
}

void TimerManager::showAppearance(Dorvel::RGBMode mode, HSVColor color)
{
    const std::vector<Bytes> shown{Dorvel::ledModeReport(mode),
                                   Dorvel::ledColorReport(color.hue, color.saturation, color.value)};
    std::vector<Bytes> look{Dorvel::ledEnabledReport(true)};
    look.insert(look.end(), shown.begin(), shown.end());
    m_hid.setLEDOverride(std::move(look));
    m_hid.writeLEDReports(shown);
}

void TimerManager::setKind(std::optional<TimerKind> kind)
{
    if (std::exchange(m_kind, kind) != kind) {
        Q_EMIT kindChanged();
    }
}

void TimerManager::setRemainingSeconds(int seconds)
{
    if (std::exchange(m_remainingSeconds, seconds) != seconds) {
        Q_EMIT remainingSecondsChanged(seconds);
    }
}

void TimerManager::setExpired(bool expired)
{
    if (std::exchange(m_isExpired, expired) != expired) {
        Q_EMIT isExpiredChanged(expired);
    }
}

void TimerManager::setPomodoroPhase(std::optional<PomodoroPhase> phase)
{
    if (std::exchange(m_pomodoroPhase, phase) != phase) {
        Q_EMIT pomodoroPhaseChanged();
    }
}

void TimerManager::setPomodoroCycleCount(int count)
{
    if (std::exchange(m_pomodoroCycleCount, count) != count) {
        Q_EMIT pomodoroCycleCountChanged(count);
    }
}
