#include "signals/CameraInUseWatcher.h"

#include <algorithm>

CameraInUseWatcher::CameraInUseWatcher(CameraDevices &cameras, QObject *parent)
    : CameraInUseWatcher(cameras, defaultInterval, parent)
{}

CameraInUseWatcher::CameraInUseWatcher(CameraDevices &cameras, std::chrono::milliseconds interval, QObject *parent)
    : CameraInUseSignals(parent), m_cameras(cameras)
{
    m_timer.setInterval(interval);
    connect(&m_timer, &QTimer::timeout, this, &CameraInUseWatcher::refresh);
}

void CameraInUseWatcher::start()
{
    if (m_hasStarted) {
        return;
    }
    m_hasStarted = true;
    refresh();
    m_timer.start();
}

void CameraInUseWatcher::refresh()
{
    const std::vector<CameraDevice> cameras = m_cameras.cameras();
    if (cameras.empty()) {
        m_isInUse.reset();
    } else {
        m_isInUse = std::any_of(cameras.begin(), cameras.end(), [](const CameraDevice &c) { return c.inUse; });
    }
    Q_EMIT isInUseChanged(m_isInUse);
}
