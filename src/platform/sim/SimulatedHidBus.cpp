#include "platform/sim/SimulatedHidBus.h"

#include <QTimer>

#include <chrono>
#include <thread>

#include <utility>
#include <vector>

class SimulatedHidBus::Connection : public HidConnection {
public:
    Connection(SimulatedDorvel &device, HidDeviceInfo info, PlugId id, SimulatedHidBus &bus)
        : HidConnection(&bus), m_device(&device), m_info(std::move(info)), m_id(id), m_bus(bus)
    {}

    const HidDeviceInfo &info() const override { return m_info; }

    bool writeReport(ByteView report) override
    {
        if (!m_device) {
            return false;
        }
        auto reply = m_device->handleReport(report);
        auto replug = m_bus.takeReplugRequest(*m_device);
        if (!reply && !replug) {
            return true;
        }
        // Replies travel back through the event loop, never inside the write; a device that asked
        // to be pulled out goes once its reply is out.
        auto deliver = [this, reply = std::move(reply), replug = std::move(replug)] {
            if (!m_device) {
                return;
            }
            QPointer<Connection> alive(this);
            if (reply) {
                Q_EMIT inputReport(*reply);
            }
            if (alive && m_device && replug) {
                m_bus.carryOutReplug(m_id, replug->back);
            }
        };
        const auto latency = m_device->replyLatency;
        if (latency.count() > 0 && m_bus.m_exactLatency) {
            const auto due = std::chrono::steady_clock::now() + latency;
            QMetaObject::invokeMethod(
                this,
                [due, deliver = std::move(deliver)] {
                    // Sleep most of it, spin the rest: the thread's wake-up delay falls inside the
                    // spin, and a thread that spins a whole millisecond is first to be preempted.
                    std::this_thread::sleep_until(due - std::chrono::microseconds(500));
                    while (std::chrono::steady_clock::now() < due) {
                    }
                    deliver();
                },
                Qt::QueuedConnection);
        } else if (latency.count() > 0) {
            QTimer::singleShot(latency, Qt::PreciseTimer, this, std::move(deliver));
        } else {
            QMetaObject::invokeMethod(this, std::move(deliver), Qt::QueuedConnection);
        }
        return true;
    }

    void detach() { m_device = nullptr; }

private:
    SimulatedDorvel *m_device;
    HidDeviceInfo m_info;
    PlugId m_id;
    SimulatedHidBus &m_bus;
};

SimulatedHidBus::~SimulatedHidBus()
{
    for (const auto &[id, attachment] : m_attachments) {
        if (attachment.device->host() == this) {
            attachment.device->setHost(nullptr);
        }
    }
    for (const auto &[id, returning] : m_returning) {
        if (returning.device->host() == this) {
            returning.device->setHost(nullptr);
        }
    }
}

void SimulatedHidBus::requestReplug(SimulatedDorvel &device, std::optional<Replug> back)
{
    m_replugRequest = ReplugRequest{&device, back};
}

std::optional<SimulatedHidBus::ReplugRequest> SimulatedHidBus::takeReplugRequest(const SimulatedDorvel &device)
{
    if (!m_replugRequest || m_replugRequest->device != &device) {
        return std::nullopt;
    }
    return std::exchange(m_replugRequest, std::nullopt);
}

void SimulatedHidBus::carryOutReplug(PlugId id, std::optional<Replug> back)
{
    auto it = m_attachments.find(id);
    if (it == m_attachments.end()) {
        return;
    }
    if (back) {
        Returning returning{it->second.device, it->second.info, it->second.accessible};
        if (back->moveTo) {
            returning.info.locationId = back->moveTo;
        }
        const int returnId = m_nextReturnId++;
        m_returning.emplace(returnId, std::move(returning));
        QTimer::singleShot(back->delay, Qt::PreciseTimer, this, [this, returnId] { plugBack(returnId); });
    }
    unplug(id);
}

void SimulatedHidBus::plugBack(int returnId)
{
    auto it = m_returning.find(returnId);
    if (it == m_returning.end()) {
        return;
    }
    Returning returning = it->second;
    m_returning.erase(it);
    returning.info.name.clear();
    const PlugId id = plug(*returning.device, returning.info.locationId, returning.info);
    m_attachments[id].accessible = returning.accessible;
}

void SimulatedHidBus::forgetDevice(SimulatedDorvel &device)
{
    std::erase_if(m_returning, [&](const auto &entry) { return entry.second.device == &device; });
    if (m_replugRequest && m_replugRequest->device == &device) {
        m_replugRequest.reset();
    }
    std::vector<PlugId> ids;
    for (const auto &[id, attachment] : m_attachments) {
        if (attachment.device == &device) {
            ids.push_back(id);
        }
    }
    for (PlugId id : ids) {
        unplug(id);
    }
}

// A device neither attached nor on its way back no longer belongs to this bus.
void SimulatedHidBus::releaseHost(SimulatedDorvel *device)
{
    if (device->host() != this) {
        return;
    }
    for (const auto &[id, attachment] : m_attachments) {
        if (attachment.device == device) {
            return;
        }
    }
    for (const auto &[id, returning] : m_returning) {
        if (returning.device == device) {
            return;
        }
    }
    device->setHost(nullptr);
}

void SimulatedHidBus::start(const HidMatching &matching)
{
    ++m_startCount;
    if (m_started) {
        return;
    }
    m_started = true;
    m_matching = matching;
    for (const auto &[id, attachment] : m_attachments) {
        QMetaObject::invokeMethod(
            this, [this, plugId = id] { announce(plugId); }, Qt::QueuedConnection);
    }
}

SimulatedHidBus::PlugId SimulatedHidBus::plug(SimulatedDorvel &device, std::optional<LocationID> location,
                                              HidDeviceInfo ids)
{
    const PlugId id = m_nextId++;
    ids.locationId = location;
    if (ids.name.isEmpty()) {
        ids.name = QStringLiteral("sim:%1").arg(id);
    }
    m_attachments[id] = Attachment{&device, std::move(ids), nullptr, true};
    device.setHost(this);
    if (m_started) {
        QMetaObject::invokeMethod(
            this, [this, id] { announce(id); }, Qt::QueuedConnection);
    }
    return id;
}

SimulatedHidBus::PlugId SimulatedHidBus::plugWithoutPermission(SimulatedDorvel &device,
                                                               std::optional<LocationID> location)
{
    const PlugId id = plug(device, location);
    m_attachments[id].accessible = false;
    return id;
}

void SimulatedHidBus::updateInaccessibleCount()
{
    int count = 0;
    for (const auto &[id, attachment] : m_attachments) {
        count += (m_started && !attachment.accessible && m_matching.matches(attachment.info)) ? 1 : 0;
    }
    if (count != m_inaccessibleCount) {
        m_inaccessibleCount = count;
        Q_EMIT inaccessibleDeviceCountChanged(count);
    }
}

void SimulatedHidBus::announce(PlugId id)
{
    auto it = m_attachments.find(id);
    if (it == m_attachments.end() || it->second.connection || !m_matching.matches(it->second.info)) {
        return;
    }
    if (!it->second.accessible) {
        updateInaccessibleCount();
        return;
    }
    auto *connection = new Connection(*it->second.device, it->second.info, id, *this);
    it->second.connection = connection;
    Q_EMIT deviceMatched(connection);
}

void SimulatedHidBus::unplug(PlugId id)
{
    auto it = m_attachments.find(id);
    if (it == m_attachments.end()) {
        return;
    }
    QPointer<Connection> connection = it->second.connection;
    SimulatedDorvel *device = it->second.device;
    m_attachments.erase(it);
    device->unplugged();
    releaseHost(device);
    if (connection) {
        connection->detach();
        Q_EMIT deviceRemoved(connection);
        connection->deleteLater();
    }
    updateInaccessibleCount();
}

void SimulatedHidBus::unplugAll()
{
    for (const auto &[id, returning] : std::exchange(m_returning, {})) {
        releaseHost(returning.device);
    }
    while (!m_attachments.empty()) {
        unplug(m_attachments.begin()->first);
    }
}

HidConnection *SimulatedHidBus::connection(PlugId id) const
{
    auto it = m_attachments.find(id);
    return it == m_attachments.end() ? nullptr : it->second.connection.data();
}
