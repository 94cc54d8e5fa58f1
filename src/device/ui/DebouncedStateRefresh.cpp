#include "device/ui/DebouncedStateRefresh.h"

#include "device/DorvelDeviceManager.h"

#include <QCoroTask>
#include <QPointer>

DebouncedStateRefresh::DebouncedStateRefresh(DorvelDeviceManager &hid, Timings timings, QObject *parent)
    : QObject(parent), m_hid(hid), m_timings(timings)
{
    m_wait.setSingleShot(true);
    m_wait.setInterval(m_timings.delay);
    connect(&m_wait, &QTimer::timeout, this, &DebouncedStateRefresh::query);
}

DebouncedStateRefresh::DebouncedStateRefresh(DorvelDeviceManager &hid, QObject *parent)
    : DebouncedStateRefresh(hid, Timings{}, parent)
{}

void DebouncedStateRefresh::schedule()
{
    m_wait.start();
}

void DebouncedStateRefresh::refreshNow()
{
    m_wait.stop();
    query();
}

void DebouncedStateRefresh::cancel()
{
    m_wait.stop();
}

void DebouncedStateRefresh::query()
{
    // The callback's context is the manager, so a result arriving after this object (the window)
    // is gone is still stored, and one arriving after the manager is gone is dropped.
    QCoro::connect(m_hid.queryDevice(m_timings.timeout), &m_hid,
                   [hid = QPointer<DorvelDeviceManager>(&m_hid)](
                       const DorvelDeviceManager::RequestResult<DeviceQueryResponse> &result) {
                       if (hid && result.ok()) {
                           hid->setLastQuery(result.value());
                       }
                   });
}
