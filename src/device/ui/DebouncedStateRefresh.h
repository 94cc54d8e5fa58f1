#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>

class DorvelDeviceManager;

// Refreshes the device manager's lastQuery after a burst of changes: every schedule() restarts the
// wait, so the state query goes out once, `delay` after the last change. A query that succeeds is
// stored as lastQuery; a failed one (no device, time-out) changes nothing. A query already sent is
// not called back by a later schedule() or by destroying this object: its result is still stored.
// Main thread only.
class DebouncedStateRefresh : public QObject {
    Q_OBJECT
public:
    struct Timings {
        std::chrono::milliseconds delay{400};
        std::chrono::milliseconds timeout{3000};
    };

    // The manager must outlive the queries this sends (the application's manager lives for the run).
    DebouncedStateRefresh(DorvelDeviceManager &hid, Timings timings, QObject *parent = nullptr);
    explicit DebouncedStateRefresh(DorvelDeviceManager &hid, QObject *parent = nullptr);

    // Cancels the pending wait, if any, and starts a new one.
    void schedule();
    // Cancels the pending wait, if any, and queries at once.
    void refreshNow();
    // Cancels the pending wait; nothing is sent for it.
    void cancel();
    // A wait is running.
    bool isPending() const { return m_wait.isActive(); }

    const Timings &timings() const { return m_timings; }

private:
    void query();

    DorvelDeviceManager &m_hid;
    Timings m_timings;
    QTimer m_wait;
};
