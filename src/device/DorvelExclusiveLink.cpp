#include "device/DorvelDeviceManager.h"

#include <utility>

// The holder of the manager's link: while one exists, only its requests reach the device.

std::optional<DorvelDeviceManager::ExclusiveLink> DorvelDeviceManager::acquireExclusiveLink()
{
    if (m_linkOwner != noOwner) {
        return std::nullopt;
    }
    m_linkOwner = ++m_lastLinkToken;
    if (m_device) {
        m_pin = Pin{m_device, m_currentLocationID};
    }
    Q_EMIT isLinkExclusiveChanged(true);
    return ExclusiveLink(*this, m_linkOwner);
}

DorvelDeviceManager::ExclusiveLink::ExclusiveLink(DorvelDeviceManager &manager, std::uint64_t token)
    : m_manager(&manager), m_token(token)
{}

DorvelDeviceManager::ExclusiveLink::ExclusiveLink(ExclusiveLink &&other) noexcept
    : m_manager(std::move(other.m_manager)), m_token(std::exchange(other.m_token, noOwner))
{
    other.m_manager = nullptr;
}

DorvelDeviceManager::ExclusiveLink &DorvelDeviceManager::ExclusiveLink::operator=(ExclusiveLink &&other) noexcept
{
    if (this != &other) {
        release();
        m_manager = std::move(other.m_manager);
        other.m_manager = nullptr;
        m_token = std::exchange(other.m_token, noOwner);
    }
    return *this;
}

DorvelDeviceManager::ExclusiveLink::~ExclusiveLink()
{
    release();
}

void DorvelDeviceManager::ExclusiveLink::release()
{
    if (m_manager && m_token != noOwner && m_manager->m_linkOwner == m_token) {
        m_manager->m_linkOwner = noOwner;
        m_manager->onLinkReleased();
        Q_EMIT m_manager->isLinkExclusiveChanged(false);
    }
    m_token = noOwner;
}

namespace {
template <typename T>
QCoro::Task<T> failedAtOnce(T error)
{
    co_return error;
}
} // namespace

QCoro::Task<DorvelDeviceManager::RequestResult<Bytes>>
DorvelDeviceManager::ExclusiveLink::sendAndWait(Bytes report, std::chrono::milliseconds timeout, ReplyMatch match) const
{
    // The manager's coroutines hold the token by value, so the holder may move meanwhile.
    if (!m_manager || m_token == noOwner) {
        return failedAtOnce(RequestResult<Bytes>(RequestError::notConnected));
    }
    return m_manager->sendAndWaitAs(m_token, std::move(report), timeout, std::move(match));
}

QCoro::Task<DorvelDeviceManager::RequestResult<DeviceQueryResponse>>
DorvelDeviceManager::ExclusiveLink::queryDevice(std::chrono::milliseconds timeout) const
{
    if (!m_manager || m_token == noOwner) {
        return failedAtOnce(RequestResult<DeviceQueryResponse>(RequestError::notConnected));
    }
    return m_manager->queryDeviceAs(m_token, timeout);
}

QCoro::Task<> DorvelDeviceManager::ExclusiveLink::refreshDeviceIDAfterReboot() const
{
    if (!m_manager || m_token == noOwner) {
        return []() -> QCoro::Task<> {
            co_return;
        }();
    }
    return m_manager->refreshDeviceIDAfterRebootAs(m_token);
}
