#pragma once

#include "signals/CameraDevices.h"
#include "signals/SignalSources.h"

#include <QTimer>

#include <chrono>
#include <optional>

// Publishes whether some program uses a camera, by asking the machine's cameras at a fixed
// interval. Absent while there is no camera. Every refresh assigns and signals the value, repeated
// values included. Main thread only.
class CameraInUseWatcher : public CameraInUseSignals {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds defaultInterval{1000};

    // The cameras must outlive the watcher.
    explicit CameraInUseWatcher(CameraDevices &cameras, QObject *parent = nullptr);
    CameraInUseWatcher(CameraDevices &cameras, std::chrono::milliseconds interval, QObject *parent = nullptr);

    // Refreshes at once, then at every interval. A second call does nothing.
    void start();
    bool hasStarted() const { return m_hasStarted; }

    std::optional<bool> isInUse() const override { return m_isInUse; }

    // Asks the cameras now.
    void refresh();

private:
    CameraDevices &m_cameras;
    QTimer m_timer;
    bool m_hasStarted = false;
    std::optional<bool> m_isInUse;
};
