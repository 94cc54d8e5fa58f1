#include "device/DorvelDeviceManager.h"

#include "device/Dorvel.h"

#include <algorithm>
#include <array>
#include <utility>

// The manager's requests: the one request slot's begin, replies, time-outs and deferred ends, the
// wait for a device back after its reboot, and the typed queries built on them.

using namespace std::chrono_literals;

namespace {
bool firstByteIs(ByteView bytes, std::uint8_t command)
{
    return !bytes.empty() && bytes[0] == command;
}
} // namespace

// Suspends a request until its reply, its time-out, its displacement by a newer request or the
// removal of its device; the manager resumes it exactly once. The result lives in the awaiter,
// inside the suspended frame.
class DorvelDeviceManager::ReplyAwaiter {
public:
    ReplyAwaiter(DorvelDeviceManager &manager, Bytes report, std::chrono::milliseconds timeout, ReplyMatch match)
        : m_manager(manager), m_report(std::move(report)), m_timeout(timeout), m_match(std::move(match))
    {}
    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> handle)
    {
        m_manager.beginRequest(handle, &m_result, std::move(m_match), std::move(m_report), m_timeout);
    }
    RequestResult<Bytes> await_resume() { return std::move(*m_result); }

private:
    DorvelDeviceManager &m_manager;
    Bytes m_report;
    std::chrono::milliseconds m_timeout;
    ReplyMatch m_match;
    std::optional<RequestResult<Bytes>> m_result;
};

class DorvelDeviceManager::ReconnectAwaiter {
public:
    ReconnectAwaiter(DorvelDeviceManager &manager, std::optional<LocationID> location,
                     std::chrono::milliseconds timeout)
        : m_manager(manager), m_location(location), m_timeout(timeout)
    {}
    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> handle)
    {
        m_manager.beginReconnectWait(PendingReconnect{m_location, handle, &m_result, {}}, m_timeout);
    }
    RequestResult<Done> await_resume() { return std::move(*m_result); }

private:
    DorvelDeviceManager &m_manager;
    std::optional<LocationID> m_location;
    std::chrono::milliseconds m_timeout;
    std::optional<RequestResult<Done>> m_result;
};

void DorvelDeviceManager::onInputReport(const HidConnection *from, ByteView bytes)
{
    if (!m_slot.isWaiting()) {
        return; // nobody asked; owed entries need no care until the next request
    }
    auto ended = m_slot.offer(from, bytes, m_clock.now());
    armWakeTimer();
    if (ended) {
        (*ended)();
    }
}

void DorvelDeviceManager::beginRequest(std::coroutine_handle<> continuation,
                                       std::optional<RequestResult<Bytes>> *result, ReplyMatch match, Bytes report,
                                       std::chrono::milliseconds timeout)
{
    HidConnection *device = m_device.data();
    std::optional<RequestSlot::Ended> displaced;
    const std::uint64_t serial = m_slot.begin(
        device, std::move(match), m_clock.now() + timeout,
        [continuation, result](RequestSlot::Outcome outcome) {
            *result = std::move(outcome);
            continuation.resume();
        },
        displaced);
    if (displaced) {
        endLater(std::move(*displaced));
    }
    // Arm the time-out before writing: a device that answers inside the write call must find the
    // request complete. The awaiter may be gone once the write returns.
    armWakeTimer();
    if (device && device->writeReport(report)) {
        m_slot.markWritten(serial);
    }
}

void DorvelDeviceManager::beginReconnectWait(PendingReconnect wait, std::chrono::milliseconds timeout)
{
    wait.deadline = m_clock.now() + timeout;
    if (auto previous = std::exchange(m_pendingReconnect, std::move(wait))) {
        auto *result = previous->result;
        auto continuation = previous->continuation;
        endLater({[result, continuation](const RequestSlot::Outcome &) {
                      *result = RequestError::timeout;
                      continuation.resume();
                  },
                  RequestError::timeout});
    }
    armWakeTimer();
}

void DorvelDeviceManager::checkDeadlines()
{
    const auto now = m_clock.now();
    auto ended = m_slot.expire(now);
    std::optional<PendingReconnect> reconnect;
    if (m_pendingReconnect && now >= m_pendingReconnect->deadline) {
        reconnect = std::exchange(m_pendingReconnect, std::nullopt);
    }
    armWakeTimer();
    if (ended) {
        (*ended)();
    }
    if (reconnect) {
        *reconnect->result = RequestError::timeout;
        reconnect->continuation.resume();
    }
}

void DorvelDeviceManager::armWakeTimer()
{
    auto wake = m_slot.nextWake();
    if (m_pendingReconnect) {
        wake = wake ? std::min(*wake, m_pendingReconnect->deadline) : m_pendingReconnect->deadline;
    }
    if (!wake) {
        m_wakeTimer.stop();
        return;
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*wake - m_clock.now());
    m_wakeTimer.start(std::max(0ms, left));
}

void DorvelDeviceManager::endLater(RequestSlot::Ended ended)
{
    m_deferred.push_back(std::move(ended));
    if (m_deferred.size() == 1) {
        QMetaObject::invokeMethod(this, &DorvelDeviceManager::endDeferred, Qt::QueuedConnection);
    }
}

void DorvelDeviceManager::endDeferred()
{
    auto deferred = std::exchange(m_deferred, {});
    for (auto &ended : deferred) {
        ended();
    }
}

QCoro::Task<DorvelDeviceManager::RequestResult<Bytes>>
DorvelDeviceManager::sendAndWait(Bytes report, std::chrono::milliseconds timeout, ReplyMatch match)
{
    return sendAndWaitAs(noOwner, std::move(report), timeout, std::move(match));
}

QCoro::Task<DorvelDeviceManager::RequestResult<Bytes>>
DorvelDeviceManager::sendAndWaitAs(std::uint64_t owner, Bytes report, std::chrono::milliseconds timeout,
                                   ReplyMatch match)
{
    if (!m_device || (m_linkOwner != noOwner && m_linkOwner != owner)) {
        co_return RequestError::notConnected;
    }
    co_return co_await ReplyAwaiter(*this, std::move(report), timeout, std::move(match));
}

template <typename Response>
QCoro::Task<DorvelDeviceManager::RequestResult<Response>>
DorvelDeviceManager::askAs(std::uint64_t owner, std::uint8_t command, std::chrono::milliseconds timeout)
{
    const std::array<std::uint8_t, 1> query{command};
    // A named task: GCC 12 mishandles a lambda's captures that live across the suspension of a
    // co_await expression.
    auto sending = sendAndWaitAs(owner, Dorvel::padded(query), timeout,
                                 [command](ByteView bytes) { return firstByteIs(bytes, command); });
    auto reply = co_await sending;
    if (!reply.ok()) {
        co_return reply.error();
    }
    if (auto decoded = Response::fromBytes(reply.value())) {
        co_return std::move(*decoded);
    }
    co_return RequestError::malformedResponse;
}

QCoro::Task<DorvelDeviceManager::RequestResult<DeviceQueryResponse>>
DorvelDeviceManager::queryDevice(std::chrono::milliseconds timeout)
{
    return queryDeviceAs(noOwner, timeout);
}

QCoro::Task<DorvelDeviceManager::RequestResult<DeviceQueryResponse>>
DorvelDeviceManager::queryDeviceAs(std::uint64_t owner, std::chrono::milliseconds timeout)
{
    return askAs<DeviceQueryResponse>(owner, Dorvel::stateQueryCommand, timeout);
}

QCoro::Task<DorvelDeviceManager::RequestResult<DeviceIDResponse>>
DorvelDeviceManager::queryDeviceID(std::chrono::milliseconds timeout)
{
    return queryDeviceIDAs(noOwner, timeout);
}

QCoro::Task<DorvelDeviceManager::RequestResult<DeviceIDResponse>>
DorvelDeviceManager::queryDeviceIDAs(std::uint64_t owner, std::chrono::milliseconds timeout)
{
    return askAs<DeviceIDResponse>(owner, Dorvel::identityQueryCommand, timeout);
}

QCoro::Task<DorvelDeviceManager::RequestResult<Done>>
DorvelDeviceManager::waitForReconnect(std::optional<LocationID> locationID, std::chrono::milliseconds timeout,
                                      std::uint64_t afterAttach)
{
    // Every attach from here on counts more than afterAttach, so only the one already held needs
    // the check.
    if (m_isConnected && m_currentLocationID == locationID && m_attachCount > afterAttach) {
        co_return Done{};
    }
    co_return co_await ReconnectAwaiter(*this, locationID, timeout);
}
