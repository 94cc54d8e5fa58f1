#include "platform/sim/SimulatedHidBus.h"

#include <QTimer>

class SimulatedHidBus::Connection : public HidConnection {
public:
    Connection(SimulatedDorvel &device, HidDeviceInfo info, QObject *parent)
        : HidConnection(parent), m_device(&device), m_info(std::move(info))
    {}

    const HidDeviceInfo &info() const override { return m_info; }

    bool writeReport(ByteView report) override
    {
        if (!m_device) {
            return false;
        }
        auto reply = m_device->handleReport(report);
        if (!reply) {
            return true;
        }
        // Replies travel back through the event loop, never inside the write.
        auto deliver = [this, bytes = std::move(*reply)] {
            if (m_device) {
                Q_EMIT inputReport(bytes);
            }
        };
        if (m_device->replyLatency.count() > 0) {
            QTimer::singleShot(m_device->replyLatency, Qt::PreciseTimer, this, std::move(deliver));
        } else {
            QMetaObject::invokeMethod(this, std::move(deliver), Qt::QueuedConnection);
        }
        return true;
    }

    void detach() { m_device = nullptr; }

private:
    SimulatedDorvel *m_device;
    HidDeviceInfo m_info;
};

SimulatedHidBus::~SimulatedHidBus() = default;

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
    auto *connection = new Connection(*it->second.device, it->second.info, this);
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
    m_attachments.erase(it);
    if (connection) {
        connection->detach();
        Q_EMIT deviceRemoved(connection);
        connection->deleteLater();
    }
    updateInaccessibleCount();
}

void SimulatedHidBus::unplugAll()
{
    while (!m_attachments.empty()) {
        unplug(m_attachments.begin()->first);
    }
}

HidConnection *SimulatedHidBus::connection(PlugId id) const
{
    auto it = m_attachments.find(id);
    return it == m_attachments.end() ? nullptr : it->second.connection.data();
}
