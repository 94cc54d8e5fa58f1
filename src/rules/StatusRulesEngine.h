#pragma once

#include "rules/StatusRule.h"

#include <QObject>
#include <QString>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

class CalendarSignals;
class CameraInUseSignals;
class DoNotDisturbSignals;
class DorvelDeviceManager;
class ExternalTriggerServer;
class MicMuteSignals;
class QTimer;
class ScreenLockSignals;
class ScreenShareSignals;
class VPNStatusSignals;

// What the engine last sent to the LED, and why: for saying it in words where colour alone would
// not tell (the tray icon's tooltip).
struct LedShowing {
    enum class Kind {
        nothing,    // nothing sent yet: the LED keeps what the user last set on it
        rule,       // the rule's signal is on
        finishStep, // the rule's signal fell and its finish step runs
        fallback,   // no rule active, the fallback appearance
        off,        // no rule active, no fallback: LED off
    };
    Kind kind = Kind::nothing;
    QString ruleID;   // rule and finishStep only
    QString ruleName; // its display name

    friend bool operator==(const LedShowing &, const LedShowing &) = default;
};

// Turns the on/off signals of the system watchers into the LED's colour: the first enabled rule
// (in list order) whose signal is on, or whose finish step is still running, decides what the
// device shows. The rule list and the fallback are kept per device profile in the settings file and
// follow the attached device. Main thread only.
//
// Signal names are rule ids. A name no rule uses is remembered like any other, so once any signal
// has been reported "no rule active" turns the LED off instead of leaving it as it was.
class StatusRulesEngine : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::vector<StatusRule> rules READ rules WRITE setRules NOTIFY rulesChanged)
    Q_PROPERTY(bool isPaused READ isPaused WRITE setPaused NOTIFY isPausedChanged)
    Q_PROPERTY(bool isOnHold READ isOnHold WRITE setOnHold NOTIFY isOnHoldChanged)
    Q_PROPERTY(bool fallbackEnabled READ fallbackEnabled WRITE setFallbackEnabled NOTIFY fallbackEnabledChanged)
    Q_PROPERTY(std::optional<FallbackRGBState> fallbackState READ fallbackState WRITE setFallbackState NOTIFY
                   fallbackStateChanged)

public:
    // Loads the global profile, then follows the manager's device identity (which must outlive the
    // engine): each identity has its own profile, seeded from the global one when first seen.
    explicit StatusRulesEngine(DorvelDeviceManager &hid, QObject *parent = nullptr);
    ~StatusRulesEngine() override;

    // Every setter saves (where there is something to save) and re-evaluates, even when the value
    // is unchanged, so a UI can re-assert its state; the change signals fire only on real changes.
    const std::vector<StatusRule> &rules() const { return m_rules; }
    void setRules(std::vector<StatusRule> rules);
    // While paused nothing is sent; whoever resumes calls applyWinningRule().
    bool isPaused() const { return m_isPaused; }
    void setPaused(bool paused);
    // The user has paused the status light: while on hold the rules decide nothing and the LED
    // shows the fallback, else off; signals and finish steps keep being followed, so the winner
    // of the moment shows as soon as the hold ends. A timer's pause (above) still comes first.
    // Setting it re-evaluates.
    bool isOnHold() const { return m_isOnHold; }
    void setOnHold(bool onHold);
    bool fallbackEnabled() const { return m_fallbackEnabled; }
    void setFallbackEnabled(bool enabled);
    const std::optional<FallbackRGBState> &fallbackState() const { return m_fallbackState; }
    void setFallbackState(std::optional<FallbackRGBState> state);

    // What the last evaluation sent; unchanged while paused.
    const LedShowing &showing() const { return m_showing; }

    // The settings key of the profile in use.
    const QString &activeProfileKey() const { return m_activeDefaultsKey; }

    // Sends the winner's LED state (also when it has not changed); with no winner the fallback,
    // else "LED off" once any signal has been reported, else nothing.
    void applyWinningRule();
    // Records a signal and re-evaluates; a repeated value changes nothing. A signal turning off
    // starts its rule's finish step, if enabled; turning on again cancels it. A first report of
    // off starts none.
    void updateSignal(const QString &name, bool value);

    // Follow a watcher: present values now and each later change; absent values are ignored. The
    // connections end with either object.
    void bind(MicMuteSignals &source);      // mic_muted, mic_live (its inverse), mic_in_use
    void bind(CameraInUseSignals &source);  // camera_in_use
    void bind(VPNStatusSignals &source);    // vpn_disconnected (the inverse of connected)
    void bind(CalendarSignals &source);     // meeting_soon, in_meeting
    void bind(ScreenLockSignals &source);   // screen_locked
    void bind(DoNotDisturbSignals &source); // do_not_disturb
    void bind(ScreenShareSignals &source);  // screen_shared
    // Each line a script reports is one update of that name alone: the latest report of a name,
    // from a script or a watcher, is the one that counts.
    void bind(ExternalTriggerServer &source);

Q_SIGNALS:
    void rulesChanged();
    void isPausedChanged(bool isPaused);
    void isOnHoldChanged(bool isOnHold);
    void fallbackEnabledChanged(bool fallbackEnabled);
    void fallbackStateChanged();
    void showingChanged();

private:
    void persist();
    void switchProfile(const std::optional<std::string> &deviceID);
    void beginFinishOverlayIfConfigured(const QString &id);
    void stopFinishTimer(const QString &id);
    void endFinishStepsSwitchedOff();
    void onFinishTimeout(const QString &id, QTimer *timer);
    void updateMicMuted(std::optional<bool> muted);
    void showRestingState();
    void show(const std::vector<Bytes> &reports, LedShowing showing);

    DorvelDeviceManager &m_hid;
    std::vector<StatusRule> m_rules;
    bool m_isPaused = false;
    bool m_isOnHold = false;
    bool m_fallbackEnabled = false;
    std::optional<FallbackRGBState> m_fallbackState;
    LedShowing m_showing;

    std::map<QString, bool> m_currentSignalStates;
    std::set<QString> m_finishingRuleIDs;
    std::map<QString, QTimer *> m_finishTimers; // children of the engine, at most one per rule id
    QString m_activeDefaultsKey;
    // The identity last acted on; the manager may re-announce an unchanged one.
    std::optional<std::optional<std::string>> m_seenDeviceID;
};
