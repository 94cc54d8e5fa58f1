#include "device/DorvelDeviceManager.h"

#include "device/Dorvel.h"
#include "util/Logging.h"
#include "util/Sleep.h"

#include <QScopeGuard>

#include <algorithm>
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
} // namespace

DorvelDeviceManager::DorvelDeviceManager(HidBus &bus, Timings timings, const Clock &clock, QObject *parent)
    : QObject(parent), m_bus(bus), m_timings(timings), m_clock(clock), m_slot(timings.replyGrace)
{
    m_wakeTimer.setSingleShot(true);
    m_wakeTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_wakeTimer, &QTimer::timeout, this, &DorvelDeviceManager::checkDeadlines);
    m_identityRetryTimer.setSingleShot(true);
    connect(&m_identityRetryTimer, &QTimer::timeout, this, &DorvelDeviceManager::onIdentityRetryDue);
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
    m_attachRetriesLeft = m_timings.attachRetries;
    runAttachQueries(m_attachCount);
}

// Another request (a window reading the device, a user's write) may take the one request slot from
// an attach's query, which then ends early with `timeout`. So each attach query is asked again while
// its time lasts: only a device that stays silent that long, or a link that is not ours, ends it.
// The LED refreshes, which come with every change of the LED state, wait instead until the task
// ends: a quickly changing state took the slot again and again until the identity's time ran out.
//
// One such task runs at a time: a newer one (a wake-up, the end of an exclusive hold) replaces it,
// and the older one stops at its next step. Two of them would take the slot from each other once
// per event-loop pass, each asking again at once, until both ran out of time: a slow device was
// flooded with queries and neither got its state.
QCoro::Task<> DorvelDeviceManager::runAttachQueries(std::uint64_t attach, bool onlyMissing)
{
    std::weak_ptr<int> alive = m_lifetime;
    const std::uint64_t run = ++m_attachQueryRun;
    m_askingAttachQueryRun = run;
    const auto endAsking = qScopeGuard([this, alive, run] {
        if (alive.expired() || m_askingAttachQueryRun != run) {
            return;
        }
        m_askingAttachQueryRun = 0;
        if (std::exchange(m_refreshOwed, false)) {
            refreshLastQuery();
        }
    });
    auto stillThisAttach = [&] {
        return !alive.expired() && m_attachQueryRun == run && m_attachCount == attach && m_isConnected;
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
        m_refreshOwed = false; // the state query asked now reads every LED write made so far
        auto state = co_await queryDevice(m_timings.attachQueryTimeout);
        while (askAgain(state, stateDeadline)) {
            const auto timeLeft = remaining(stateDeadline);
            m_refreshOwed = false;
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
        } else if (!keptOut()) {
            retryMissingIdentity(attach);
        }
    }
}

// A device that did not tell its identity in time (busy, or slow just after it enumerated) is asked
// again a few times, further apart each time: without it the rules of that device do not apply until
// it is plugged in again.
void DorvelDeviceManager::retryMissingIdentity(std::uint64_t attach)
{
    if (m_attachRetriesLeft <= 0) {
        qCWarning(lcDevice, "the attached Dorvel did not tell its identity");
        return;
    }
    const int asked = m_timings.attachRetries - m_attachRetriesLeft;
    --m_attachRetriesLeft;
    m_identityRetryAttach = attach;
    m_identityRetryTimer.start(m_timings.attachRetryDelay * (1 << asked));
}

void DorvelDeviceManager::onIdentityRetryDue()
{
    const std::uint64_t attach = m_identityRetryAttach;
    if (attach != m_attachCount || !m_isConnected || m_deviceID) {
        return;
    }
    if (m_linkOwner != noOwner) {
        m_deferredAttachQueries = attach;
        return;
    }
    runAttachQueries(attach, true);
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
    m_attachRetriesLeft = m_timings.attachRetries;
    runAttachQueries(m_attachCount);
}

void DorvelDeviceManager::onLinkReleased()
{
    m_pin.reset();
    // Every LED write of the hold was kept back: the device held now gets the current state once (a
    // device kept out meanwhile gets it from its attach below).
    writeLEDState();
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

void DorvelDeviceManager::setLEDOverride(std::vector<Bytes> reports)
{
    m_ledOverride = std::move(reports);
}

// The one way LED reports reach a device, so that an exclusive holder's device gets none of them.
void DorvelDeviceManager::writeLEDReports(const std::vector<Bytes> &reports)
{
    if (isLinkExclusive()) {
        return;
    }
    // Checked before each write: a backend may report the device gone from inside a failed write.
    for (const auto &report : reports) {
        if (!m_device) {
            return;
        }
        if (report.size() == Dorvel::reportLength) {
            m_device->writeReport(report);
        } else {
            m_device->writeReport(Dorvel::padded(report));
        }
    }
}

// The current LED state: the rules engine's, then the look of whoever overrides it.
void DorvelDeviceManager::writeLEDState()
{
    writeLEDReports(m_lastLEDStateReports);
    writeLEDReports(m_ledOverride);
}

QCoro::Task<> DorvelDeviceManager::refreshLastQuery()
{
    if (m_askingAttachQueryRun != 0) {
        m_refreshOwed = true; // runs once the attach's queries end
        co_return;
    }
    std::weak_ptr<int> alive = m_lifetime;
    auto state = co_await queryDevice(m_timings.ledRefreshTimeout);
    if (!alive.expired() && state.ok()) {
        setLastQuery(state.value());
    }
}
