#include "rules/StatusRulesEngine.h"

#include "device/DorvelDeviceManager.h"
#include "rules/RuleStore.h"
#include "signals/ExternalTriggerServer.h"
#include "signals/SignalSources.h"

#include <QTimer>

#include <algorithm>
#include <chrono>
#include <limits>
#include <utility>

namespace {

template <typename Appearance>
std::vector<Bytes> appearanceReports(const Appearance &appearance)
{
    return {Dorvel::ledEnabledReport(true), appearance.modeReport(),
            Dorvel::ledColorReport(appearance.hue, appearance.saturation, appearance.value)};
}

// QTimer counts in int milliseconds; a stored duration may be any finite number of seconds.
std::chrono::milliseconds timerInterval(double seconds)
{
    constexpr double longest = std::numeric_limits<int>::max();
    return std::chrono::milliseconds(static_cast<int>(std::min(seconds * 1000.0, longest)));
}

} // namespace

StatusRulesEngine::StatusRulesEngine(DorvelDeviceManager &hid, QObject *parent)
    : QObject(parent), m_hid(hid), m_activeDefaultsKey(RuleStore::globalKey())
{
    m_rules = RuleStore::loadRules(m_activeDefaultsKey);
    setFallbackEnabled(RuleStore::loadFallbackEnabled(RuleStore::fallbackEnabledKey(m_activeDefaultsKey)));
    setFallbackState(RuleStore::loadFallbackState(RuleStore::fallbackStateKey(m_activeDefaultsKey)));

    const auto followDeviceID = [this] {
        const std::optional<std::string> &id = m_hid.deviceID();
        if (m_seenDeviceID == id) {
            return;
        }
        m_seenDeviceID = id;
        switchProfile(id);
    };
    connect(&m_hid, &DorvelDeviceManager::deviceIDChanged, this, followDeviceID);
    followDeviceID();
}

StatusRulesEngine::~StatusRulesEngine() = default;

void StatusRulesEngine::setRules(std::vector<StatusRule> rules)
{
    const bool changed = rules != m_rules;
    m_rules = std::move(rules);
    endFinishStepsSwitchedOff();
    if (changed) {
        Q_EMIT rulesChanged();
    }
    persist();
    applyWinningRule();
}

void StatusRulesEngine::setPaused(bool paused)
{
    if (std::exchange(m_isPaused, paused) != paused) {
        Q_EMIT isPausedChanged(paused);
    }
}

void StatusRulesEngine::setOnHold(bool onHold)
{
    if (std::exchange(m_isOnHold, onHold) != onHold) {
        Q_EMIT isOnHoldChanged(onHold);
    }
    applyWinningRule();
}

void StatusRulesEngine::setFallbackEnabled(bool enabled)
{
    if (std::exchange(m_fallbackEnabled, enabled) != enabled) {
        Q_EMIT fallbackEnabledChanged(enabled);
    }
    RuleStore::saveFallbackEnabled(RuleStore::fallbackEnabledKey(m_activeDefaultsKey), enabled);
    applyWinningRule();
}

void StatusRulesEngine::setFallbackState(std::optional<FallbackRGBState> state)
{
    const bool changed = state != m_fallbackState;
    m_fallbackState = std::move(state);
    if (changed) {
        Q_EMIT fallbackStateChanged();
    }
    RuleStore::saveFallbackState(RuleStore::fallbackStateKey(m_activeDefaultsKey), m_fallbackState);
    applyWinningRule();
}

void StatusRulesEngine::persist()
{
    RuleStore::saveRules(m_activeDefaultsKey, m_rules);
}

void StatusRulesEngine::applyWinningRule()
{
    if (m_isPaused) {
        return;
    }
    if (m_isOnHold) {
        showRestingState();
        return;
    }
    for (const StatusRule &rule : m_rules) {
        if (!rule.isEnabled) {
            continue;
        }
        const auto state = m_currentSignalStates.find(rule.id);
        const bool isOn = state != m_currentSignalStates.end() && state->second;
        if (isOn) {
            show(appearanceReports(rule), {LedShowing::Kind::rule, rule.id, rule.displayName});
            return;
        }
        // Only a rule whose signal fell is finishing, and it shows nothing but its finish step.
        if (m_finishingRuleIDs.contains(rule.id) && rule.finishStep && rule.finishStep->isEnabled) {
            show(appearanceReports(*rule.finishStep), {LedShowing::Kind::finishStep, rule.id, rule.displayName});
            return;
        }
    }
    if (m_fallbackEnabled && m_fallbackState) {
        show(appearanceReports(*m_fallbackState), {LedShowing::Kind::fallback, {}, {}});
    } else if (!m_currentSignalStates.empty()) {
        // Until some watcher has spoken the LED keeps whatever the user last set on it.
        show({Dorvel::ledEnabledReport(false)}, {LedShowing::Kind::off, {}, {}});
    }
}

void StatusRulesEngine::show(const std::vector<Bytes> &reports, LedShowing showing)
{
    m_hid.updateLEDState(reports);
    if (showing != m_showing) {
        m_showing = std::move(showing);
        Q_EMIT showingChanged();
    }
}

// A hold is the user's own choice, so it shows at once, signals reported or not.
void StatusRulesEngine::showRestingState()
{
    if (m_fallbackEnabled && m_fallbackState) {
        show(appearanceReports(*m_fallbackState), {LedShowing::Kind::fallback, {}, {}});
    } else {
        show({Dorvel::ledEnabledReport(false)}, {LedShowing::Kind::off, {}, {}});
    }
}

void StatusRulesEngine::updateSignal(const QString &name, bool value)
{
    const auto stored = m_currentSignalStates.find(name);
    if (stored != m_currentSignalStates.end() && stored->second == value) {
        return;
    }
    const bool previous = stored != m_currentSignalStates.end() && stored->second;
    m_currentSignalStates[name] = value;
    if (!value && previous) {
        beginFinishOverlayIfConfigured(name);
    }
    if (value && m_finishingRuleIDs.erase(name) > 0) {
        stopFinishTimer(name);
    }
    applyWinningRule();
}

void StatusRulesEngine::beginFinishOverlayIfConfigured(const QString &id)
{
    const auto rule =
        std::find_if(m_rules.begin(), m_rules.end(), [&](const StatusRule &candidate) { return candidate.id == id; });
    // The rule's own isEnabled is not consulted: a disabled rule never wins, so its overlay is inert.
    if (rule == m_rules.end() || !rule->finishStep || !rule->finishStep->isEnabled) {
        return;
    }
    m_finishingRuleIDs.insert(id);
    stopFinishTimer(id);
    auto *timer = new QTimer(this);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, [this, id, timer] { onFinishTimeout(id, timer); });
    timer->start(timerInterval(rule->finishStep->durationSeconds));
    m_finishTimers[id] = timer;
}

void StatusRulesEngine::stopFinishTimer(const QString &id)
{
    const auto entry = m_finishTimers.find(id);
    if (entry == m_finishTimers.end()) {
        return;
    }
    entry->second->stop();
    entry->second->deleteLater();
    m_finishTimers.erase(entry);
}

// A finish step switched off (or whose rule is gone) ends at once: showing the rule's own look
// instead would light a signal that has already fallen.
void StatusRulesEngine::endFinishStepsSwitchedOff()
{
    for (auto id = m_finishingRuleIDs.begin(); id != m_finishingRuleIDs.end();) {
        const auto rule = std::find_if(m_rules.begin(), m_rules.end(),
                                       [&](const StatusRule &candidate) { return candidate.id == *id; });
        if (rule != m_rules.end() && rule->finishStep && rule->finishStep->isEnabled) {
            ++id;
            continue;
        }
        stopFinishTimer(*id);
        id = m_finishingRuleIDs.erase(id);
    }
}

void StatusRulesEngine::onFinishTimeout(const QString &id, QTimer *timer)
{
    const auto entry = m_finishTimers.find(id);
    if (entry == m_finishTimers.end() || entry->second != timer) {
        return; // superseded by a newer overlay for the same rule
    }
    m_finishTimers.erase(entry);
    timer->deleteLater();
    m_finishingRuleIDs.erase(id);
    applyWinningRule();
}

void StatusRulesEngine::switchProfile(const std::optional<std::string> &deviceID)
{
    const QString key = deviceID ? RuleStore::deviceKey(*deviceID) : RuleStore::globalKey();
    if (key == m_activeDefaultsKey) {
        return;
    }
    m_activeDefaultsKey = key;
    // A device seen for the first time starts from the global list; its fallback starts off.
    const QString source = key == RuleStore::globalKey() || RuleStore::hasData(key) ? key : RuleStore::globalKey();
    setRules(RuleStore::loadRules(source));
    setFallbackEnabled(RuleStore::loadFallbackEnabled(RuleStore::fallbackEnabledKey(key)));
    setFallbackState(RuleStore::loadFallbackState(RuleStore::fallbackStateKey(key)));
}

void StatusRulesEngine::updateMicMuted(std::optional<bool> muted)
{
    if (muted) {
        updateSignal(QStringLiteral("mic_muted"), *muted);
        updateSignal(QStringLiteral("mic_live"), !*muted);
    }
}

namespace {
// Forwards a present value to a signal name; absent means "not known", which changes nothing.
auto forwardTo(StatusRulesEngine *engine, QString name, bool invert = false)
{
    return [engine, name = std::move(name), invert](std::optional<bool> value) {
        if (value) {
            engine->updateSignal(name, *value != invert);
        }
    };
}
} // namespace

void StatusRulesEngine::bind(MicMuteSignals &source)
{
    const auto inUse = forwardTo(this, QStringLiteral("mic_in_use"));
    connect(&source, &MicMuteSignals::isMutedChanged, this, &StatusRulesEngine::updateMicMuted);
    connect(&source, &MicMuteSignals::isInUseChanged, this, inUse);
    updateMicMuted(source.isMuted());
    inUse(source.isInUse());
}

void StatusRulesEngine::bind(CameraInUseSignals &source)
{
    const auto inUse = forwardTo(this, QStringLiteral("camera_in_use"));
    connect(&source, &CameraInUseSignals::isInUseChanged, this, inUse);
    inUse(source.isInUse());
}

void StatusRulesEngine::bind(VPNStatusSignals &source)
{
    const auto disconnected = forwardTo(this, QStringLiteral("vpn_disconnected"), true);
    connect(&source, &VPNStatusSignals::isConnectedChanged, this, disconnected);
    disconnected(source.isConnected());
}

void StatusRulesEngine::bind(CalendarSignals &source)
{
    const auto soon = forwardTo(this, QStringLiteral("meeting_soon"));
    const auto inMeeting = forwardTo(this, QStringLiteral("in_meeting"));
    connect(&source, &CalendarSignals::isMeetingSoonChanged, this, soon);
    connect(&source, &CalendarSignals::isInMeetingChanged, this, inMeeting);
    soon(source.isMeetingSoon());
    inMeeting(source.isInMeeting());
}

void StatusRulesEngine::bind(ScreenLockSignals &source)
{
    const auto locked = forwardTo(this, QStringLiteral("screen_locked"));
    connect(&source, &ScreenLockSignals::isLockedChanged, this, locked);
    locked(source.isLocked());
}

void StatusRulesEngine::bind(DoNotDisturbSignals &source)
{
    const auto doNotDisturb = forwardTo(this, QStringLiteral("do_not_disturb"));
    connect(&source, &DoNotDisturbSignals::isOnChanged, this, doNotDisturb);
    doNotDisturb(source.isOn());
}

void StatusRulesEngine::bind(ScreenShareSignals &source)
{
    const auto shared = forwardTo(this, QStringLiteral("screen_shared"));
    connect(&source, &ScreenShareSignals::isSharingChanged, this, shared);
    shared(source.isSharing());
}

void StatusRulesEngine::bind(ExternalTriggerServer &source)
{
    connect(&source, &ExternalTriggerServer::signalReported, this, &StatusRulesEngine::updateSignal);
}
