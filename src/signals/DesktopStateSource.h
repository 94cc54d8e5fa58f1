#pragma once

#include <QObject>

#include <memory>
#include <optional>
#include <vector>

// One source of a yes/no state of the desktop session, such as the screen locker's or the
// notification server's. It follows the state through the source's own change notifications (no
// polling) and never starts a service to ask it. Reports on the main thread.
class DesktopStateSource : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts following; called once. The first value follows from the event loop once known.
    virtual void start() = 0;

Q_SIGNALS:
    // A new value; absent while the source is not there (not running, or it left) or cannot tell.
    void stateChanged(std::optional<bool> state);
};

// Several sources of the same state seen as one: true while any present source says true, false
// while every present source says false. Absent until some source first tells its value; after
// that, a source that leaves stops counting, and with none left the state is false: a screen saver,
// notification server or media server that is gone holds nothing locked, silenced or shared, and
// keeping its last value would leave a rule lit until it returns. Owns its sources; signals only
// changes. Main thread only.
class CombinedDesktopState : public QObject {
    Q_OBJECT
public:
    explicit CombinedDesktopState(std::vector<std::unique_ptr<DesktopStateSource>> sources, QObject *parent = nullptr);
    ~CombinedDesktopState() override;

    // Starts every source; later calls do nothing.
    void start();
    std::optional<bool> value() const { return m_value; }

Q_SIGNALS:
    void valueChanged(std::optional<bool> value);

private:
    void update(std::size_t index, std::optional<bool> state);

    std::vector<std::unique_ptr<DesktopStateSource>> m_sources;
    std::vector<std::optional<bool>> m_states;
    std::optional<bool> m_value;
    bool m_everKnown = false; // some source has told its value at least once
    bool m_started = false;
};
