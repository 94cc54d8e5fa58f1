#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <optional>

class StatusRulesEngine;

// The user's pause of the status light: until a chosen time the rules engine is on hold (the LED
// shows the fallback, else off, while signals keep being followed); at that time it ends by itself.
// The end is a wall-clock time kept in the settings file under pausedUntilKey() (ISO 8601, UTC), so
// a pause outlives a restart; one found over at start is removed. A timer started during a pause
// runs as usual and hands the LED back to the paused light. Main thread only.
class StatusLightPause : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::optional<QDateTime> pausedUntil READ pausedUntil NOTIFY pausedUntilChanged)
public:
    struct Options {
        std::function<QDateTime()> now; // the current time when empty
        // The longest the wait for the end runs before the clock is read again: the machine may
        // sleep through the end, or its clock be set, while a timer counts on.
        std::chrono::milliseconds recheckInterval{60000};
    };
    // The local time of day "until tomorrow" ends at.
    static constexpr int morningHour = 8;
    static QString pausedUntilKey();

    // Restores a stored pause that is not over yet. The engine must outlive the pause.
    explicit StatusLightPause(StatusRulesEngine &engine, QObject *parent = nullptr);
    StatusLightPause(StatusRulesEngine &engine, Options options, QObject *parent = nullptr);
    ~StatusLightPause() override;

    // When the pause ends; absent while not paused.
    const std::optional<QDateTime> &pausedUntil() const { return m_pausedUntil; }

    // Pauses from now on for that long, or until the next morningHour o'clock local time; a pause
    // under way is replaced.
    void pauseFor(std::chrono::minutes duration);
    void pauseUntilTomorrow();
    // Ends the pause now; nothing happens when there is none.
    void resume();

    // The first morningHour o'clock local time after `now`: later today, else tomorrow.
    static QDateTime nextMorning(const QDateTime &now);

Q_SIGNALS:
    void pausedUntilChanged();

private:
    QDateTime now() const;
    void pauseUntil(const QDateTime &end);
    void set(std::optional<QDateTime> end);
    void armTimer();
    void checkEnd();

    StatusRulesEngine &m_engine;
    Options m_options;
    std::optional<QDateTime> m_pausedUntil;
    QTimer m_timer;
};
