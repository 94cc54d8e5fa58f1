#include "device/DorvelDeviceManager.h"

#include "device/Dorvel.h"
#include "util/Logging.h"
#include "util/Sleep.h"

#include <algorithm>
#include <array>
#include <utility>

using namespace std::chrono_literals;

namespace {
// The clock of a manager given none: monotonic, from the standard library.
class SteadyClock : public Clock {
public:
    time_point now() const override
    {
        return time_point(std::chrono::duration_cast<duration>(std::chrono::steady_clock::now().time_since_epoch()));
    }
};

const Clock &steadyClock()
{
    static const SteadyClock clock;
    return clock;
}

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

DorvelDeviceManager::DorvelDeviceManager(HidBus &bus, Timings timings, const Clock &clock, QObject *parent)
    : QObject(parent), m_bus(bus), m_timings(timings), m_clock(clock), m_slot(timings.replyGrace)
{
    m_wakeTimer.setSingleShot(true);
    m_wakeTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_wakeTimer, &QTimer::timeout, this, &DorvelDeviceManager::checkDeadlines);
}

DorvelDeviceManager::DorvelDeviceManager(HidBus &bus, Timings timings, QObject *parent)
    : DorvelDeviceManager(bus, timings, steadyClock(), parent)
{}

DorvelDeviceManager::DorvelDeviceManager(HidBus &bus, QObject *parent) : DorvelDeviceManager(bus, Timings{}, parent) {}

DorvelDeviceManager::~DorvelDeviceManager()
{
    m_lifetime.reset();
    // Callers resumed below that ask again are refused at once.
    m_device = nullptr;
    m_isConnected = false;
    disconnect(&m_bus, nullptr, this, nullptr);
    for (const auto &present : m_present) {
        if (present) {
            disconnect(present, nullptr, this, nullptr);
        }
    }
    // Nothing may stay suspended forever: end every waiter before the manager goes.
    endDeferred();
    if (auto pending = m_slot.cancel(RequestError::notConnected)) {
        (*pending)();
    }
    if (auto pending = std::exchange(m_pendingReconnect, std::nullopt)) {
        *pending->result = RequestError::notConnected;
        pending->continuation.resume();
    }
}

void DorvelDeviceManager::start()
{
    if (m_hasStarted) {
        return;
    }
    m_hasStarted = true;
    connect(&m_bus, &HidBus::deviceMatched, this, &DorvelDeviceManager::onDeviceMatched);
    connect(&m_bus, &HidBus::deviceRemoved, this, &DorvelDeviceManager::onDeviceRemoved);
    connect(&m_bus, &HidBus::inaccessibleDeviceCountChanged, this, [this](int count) {
        if (m_hasInaccessibleDevice != (count > 0)) {
            m_hasInaccessibleDevice = count > 0;
            Q_EMIT hasInaccessibleDeviceChanged(m_hasInaccessibleDevice);
        }
    });
    m_bus.start(matching);
}

void DorvelDeviceManager::setLastQuery(std::optional<DeviceQueryResponse> query)
{
    if (m_lastQuery == query) {
        return;
    }
    m_lastQuery = std::move(query);
    Q_EMIT lastQueryChanged();
}

void DorvelDeviceManager::setDeviceID(std::optional<std::string> id)
{
    if (m_deviceID == id) {
        return;
    }
    m_deviceID = std::move(id);
    Q_EMIT deviceIDChanged();
}

void DorvelDeviceManager::setConnected(bool connected)
{
    if (m_isConnected == connected) {
        return;
    }
    m_isConnected = connected;
    Q_EMIT isConnectedChanged(connected);
}

void DorvelDeviceManager::onDeviceMatched(HidConnection *connection)
{
    if (!connection || !matching.matches(connection->info())) {
        return;
    }
    std::erase_if(m_present,
                  [connection](const QPointer<HidConnection> &present) { return !present || present == connection; });
    m_present.emplace_back(connection);
    // Every present device is heard: a request belongs to the device it was written to, which need
    // not be the held one any more.
    disconnect(connection, &HidConnection::inputReport, this, nullptr);
    connect(connection, &HidConnection::inputReport, this,
            [this, connection](ByteView bytes) { onInputReport(connection, bytes); });
    if (m_pin && !mayAttachWhilePinned(connection)) {
        m_keptOut = connection;
        qCInfo(lcDevice, "Dorvel found during a firmware update, attached once it ends: %s",
               qUtf8Printable(connection->info().name));
        return;
    }
    attach(connection);
}

bool DorvelDeviceManager::mayAttachWhilePinned(const HidConnection *connection) const
{
    // Only the pinned device itself, back at its location after a reboot.
    return !m_device && connection->info().locationId == m_pin->locationID;
}

// The whole attach sequence for `connection`, which becomes the held device.
void DorvelDeviceManager::attach(HidConnection *connection)
{
    m_device = connection;
    ++m_attachCount;
    m_currentLocationID = connection->info().locationId;
    if (m_pin) {
        m_pin->connection = connection;
    }
    qCInfo(lcDevice, "Dorvel attached: %s, location 0x%08x", qUtf8Printable(connection->info().name),
           unsigned(m_currentLocationID.value_or(0)));
    setConnected(true);
    writeLEDState();

    if (m_pendingReconnect && m_pendingReconnect->locationID == m_currentLocationID) {
        auto wait = *std::exchange(m_pendingReconnect, std::nullopt);
        armWakeTimer();
        *wait.result = Done{};
        wait.continuation.resume();
    }
    runAttachQueries(m_attachCount);
}

// The rules engine answers an attach with its LED state at once, and the refresh that follows takes
// the one request slot from the attach's query, which then ends early with `timeout`. So each attach
// query is asked again while its time lasts: only a device that stays silent that long, or a link
// that is not ours, ends it. Without this the first attach after start-up often got no state, and
// no firmware check.
QCoro::Task<> DorvelDeviceManager::runAttachQueries(std::uint64_t attach, bool onlyMissing)
{
    std::weak_ptr<int> alive = m_lifetime;
    auto stillThisAttach = [&] {
        return !alive.expired() && m_attachCount == attach && m_isConnected;
    };
    auto askAgain = [&](const auto &result, Clock::time_point deadline) {
        return !result.ok() && result.error() == RequestError::timeout && stillThisAttach() && m_clock.now() < deadline;
    };
    auto remaining = [&](Clock::time_point deadline) {
        return std::max(1ms, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - m_clock.now()));
    };
    // A query that failed while someone holds the link exclusively was refused (or displaced by the
    // holder): the queries of this attach are run again once the holder lets go.
    auto keptOut = [&] {
        if (m_linkOwner == noOwner) {
            return false;
        }
        m_deferredAttachQueries = attach;
        return true;
    };

    if (!onlyMissing || !m_lastQuery) {
        const auto stateDeadline = m_clock.now() + m_timings.attachQueryTimeout;
        auto state = co_await queryDevice(m_timings.attachQueryTimeout);
        while (askAgain(state, stateDeadline)) {
            const auto timeLeft = remaining(stateDeadline);
            state = co_await queryDevice(timeLeft);
        }
        if (!stillThisAttach()) {
            co_return;
        }
        if (state.ok()) {
            const auto &version = state.value().version;
            qCInfo(lcDevice, "Dorvel firmware %s on %s", version.description().c_str(),
                   state.value().hwPlatform == HardwarePlatform::rp2350   ? "RP2350"
                   : state.value().hwPlatform == HardwarePlatform::rp2040 ? "RP2040"
                                                                          : "an unknown platform");
            setLastQuery(state.value());
            if (onDeviceQueried) {
                onDeviceQueried(state.value());
            }
            if (!stillThisAttach()) {
                co_return;
            }
        } else if (keptOut()) {
            qCInfo(lcDevice, "the attach queries wait until the exclusive holder lets go of the device link");
            co_return;
        } else {
            qCWarning(lcDevice, "the attached Dorvel did not answer the state query; no firmware check this time");
        }
    }
    if (!onlyMissing || !m_deviceID) {
        const auto identityDeadline = m_clock.now() + m_timings.attachIdentityTimeout;
        auto identity = co_await queryDeviceID(m_timings.attachIdentityTimeout);
        while (askAgain(identity, identityDeadline)) {
            const auto timeLeft = remaining(identityDeadline);
            identity = co_await queryDeviceID(timeLeft);
        }
        if (!stillThisAttach()) {
            co_return;
        }
        if (identity.ok()) {
            setDeviceID(identity->identifier);
        } else {
            keptOut();
        }
    }
}

void DorvelDeviceManager::handleResume()
{
    if (!m_device) {
        return;
    }
    qCInfo(lcDevice, "after wake-up: the LED state again, and the device's state and identity");
    writeLEDState();
    if (m_linkOwner != noOwner) {
        m_deferredAttachQueries = m_attachCount;
        return;
    }
    runAttachQueries(m_attachCount);
}

void DorvelDeviceManager::onLinkReleased()
{
    m_pin.reset();
    // From the event loop: the holder lets go from wherever it ends, a coroutine's frame included.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_linkOwner != noOwner) {
                return; // a new holder's release comes back here
            }
            // A device that appeared while the holder kept it out is held now, as a newly matched
            // device always is; its own attach runs every query.
            const QPointer<HidConnection> keptOut = std::exchange(m_keptOut, nullptr);
            if (keptOut && keptOut != m_device) {
                m_deferredAttachQueries = 0;
                attach(keptOut);
                return;
            }
            const std::uint64_t attach = std::exchange(m_deferredAttachQueries, 0);
            if (attach != 0 && attach == m_attachCount && m_isConnected) {
                runAttachQueries(attach, true);
            }
        },
        Qt::QueuedConnection);
}

void DorvelDeviceManager::onDeviceRemoved(HidConnection *connection)
{
    if (!connection || !matching.matches(connection->info())) {
        return;
    }
    std::erase_if(m_present,
                  [connection](const QPointer<HidConnection> &present) { return !present || present == connection; });
    disconnect(connection, &HidConnection::inputReport, this, nullptr);
    if (m_keptOut == connection) {
        m_keptOut = nullptr;
    }
    // Its request cannot be answered any more, whether or not it is the held device.
    if (auto ended = m_slot.forget(connection)) {
        armWakeTimer();
        endLater(std::move(*ended));
    }
    // Another device going away changes nothing for the held one.
    if (connection != m_device) {
        qCInfo(lcDevice, "another Dorvel detached: %s", qUtf8Printable(connection->info().name));
        return;
    }
    m_device = nullptr;
    m_currentLocationID.reset();
    qCInfo(lcDevice, "Dorvel detached: %s", qUtf8Printable(connection->info().name));
    // Another matching device still plugged in is held in place of the one that went, through the
    // whole attach sequence, and the manager never reads disconnected meanwhile; not while an
    // exclusive holder is pinned to the one that went.
    const QPointer<HidConnection> next = m_present.empty() || m_pin ? nullptr : m_present.back();
    if (!next) {
        setConnected(false);
    }
    setLastQuery(std::nullopt);
    setDeviceID(std::nullopt);
    if (next && !m_device) { // a receiver of the signals above may have attached one meanwhile
        attach(next);
    }
}

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

QCoro::Task<DorvelDeviceManager::RequestResult<DeviceQueryResponse>>
DorvelDeviceManager::queryDevice(std::chrono::milliseconds timeout)
{
    return queryDeviceAs(noOwner, timeout);
}

QCoro::Task<DorvelDeviceManager::RequestResult<DeviceQueryResponse>>
DorvelDeviceManager::queryDeviceAs(std::uint64_t owner, std::chrono::milliseconds timeout)
{
    const std::array<std::uint8_t, 1> query{Dorvel::stateQueryCommand};
    auto reply = co_await sendAndWaitAs(owner, Dorvel::padded(query), timeout,
                                        [](ByteView bytes) { return firstByteIs(bytes, Dorvel::stateQueryCommand); });
    if (!reply.ok()) {
        co_return reply.error();
    }
    if (auto decoded = DeviceQueryResponse::fromBytes(reply.value())) {
        co_return std::move(*decoded);
    }
    co_return RequestError::malformedResponse;
}

QCoro::Task<DorvelDeviceManager::RequestResult<DeviceIDResponse>>
DorvelDeviceManager::queryDeviceID(std::chrono::milliseconds timeout)
{
    return queryDeviceIDAs(noOwner, timeout);
}

QCoro::Task<DorvelDeviceManager::RequestResult<DeviceIDResponse>>
DorvelDeviceManager::queryDeviceIDAs(std::uint64_t owner, std::chrono::milliseconds timeout)
{
    const std::array<std::uint8_t, 1> query{Dorvel::identityQueryCommand};
    auto reply = co_await sendAndWaitAs(owner, Dorvel::padded(query), timeout, [](ByteView bytes) {
        return firstByteIs(bytes, Dorvel::identityQueryCommand);
    });
    if (!reply.ok()) {
        co_return reply.error();
    }
    if (auto decoded = DeviceIDResponse::fromBytes(reply.value())) {
        co_return std::move(*decoded);
    }
    co_return RequestError::malformedResponse;
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

QCoro::Task<> DorvelDeviceManager::refreshDeviceIDAfterReboot()
{
    return refreshDeviceIDAfterRebootAs(noOwner);
}

QCoro::Task<> DorvelDeviceManager::refreshDeviceIDAfterRebootAs(std::uint64_t owner)
{
    if (!m_isConnected) {
        co_return;
    }
    std::weak_ptr<int> alive = m_lifetime;
    co_await Sleep(m_timings.rebootIdentityDelay);
    if (alive.expired() || !m_isConnected) {
        co_return;
    }
    auto identity = co_await queryDeviceIDAs(owner, m_timings.rebootIdentityTimeout);
    if (!alive.expired() && identity.ok()) {
        setDeviceID(identity->identifier);
    }
}

void DorvelDeviceManager::updateLEDState(std::vector<Bytes> reports)
{
    m_lastLEDStateReports = std::move(reports);
    writeLEDState();
    refreshLastQuery();
}

void DorvelDeviceManager::writeLEDState()
{
    if (!m_device) {
        return;
    }
    for (const auto &report : m_lastLEDStateReports) {
        m_device->writeReport(report);
    }
}

QCoro::Task<> DorvelDeviceManager::refreshLastQuery()
{
    std::weak_ptr<int> alive = m_lifetime;
    auto state = co_await queryDevice(m_timings.ledRefreshTimeout);
    if (!alive.expired() && state.ok()) {
        setLastQuery(state.value());
    }
}

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
