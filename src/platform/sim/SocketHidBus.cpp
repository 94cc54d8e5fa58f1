#include "platform/sim/SocketHidBus.h"

#include "device/Dorvel.h"
#include "platform/sim/SocketBus.h"

#include <QDir>
#include <QFile>
#include <QSocketNotifier>

#include <cstdint>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {
// Descriptions are a few hundred bytes; a larger file is not one.
constexpr qint64 maximumDescriptionSize = qint64{64} * 1024;

// Which socket file is at `path`: a program plugged in again, or started again, makes a new one.
// The file system may give the new file the number of the one just removed, never its change time.
using FileIdentity = std::tuple<dev_t, ino_t, std::int64_t, std::int64_t>;
std::optional<FileIdentity> fileIdentity(const QString &path)
{
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0) {
        return std::nullopt;
    }
    return FileIdentity{status.st_dev, status.st_ino, status.st_ctim.tv_sec, status.st_ctim.tv_nsec};
}
} // namespace

class SocketHidBus::Connection : public HidConnection {
public:
    Connection(SocketHidBus &bus, QString name, int fd, HidDeviceInfo info, bool openedAfterPeerGone,
               std::optional<FileIdentity> socketFile)
        : HidConnection(&bus), m_bus(bus), m_name(std::move(name)), m_fd(fd), m_info(std::move(info)),
          m_openedAfterPeerGone(openedAfterPeerGone), m_socketFile(socketFile), m_notifier(fd, QSocketNotifier::Read)
    {
        connect(&m_notifier, &QSocketNotifier::activated, this, &Connection::readReports);
    }
    ~Connection() override { close(); }

    const HidDeviceInfo &info() const override { return m_info; }

    bool writeReport(ByteView report) override
    {
        if (m_fd < 0) {
            return false;
        }
        // A peer that is gone also reads as end of stream; its removal is reported from the read
        // side, never from inside a caller's write.
        return SocketBus::sendMessage(m_fd, Dorvel::padded(report));
    }

    void close()
    {
        if (m_fd >= 0) {
            m_notifier.setEnabled(false);
            ::close(m_fd);
            m_fd = -1;
        }
    }

    const QString &name() const { return m_name; }
    bool openedAfterPeerGone() const { return m_openedAfterPeerGone; }
    // Whether the socket file it was opened through is still the one at its path.
    bool socketFileIsStillThere() const { return m_socketFile && fileIdentity(m_info.name) == m_socketFile; }

    // Delivers the reports the device sent before it left, so that a reply written just before
    // an unplug (a device that reboots) is not lost to the order in which the folder change and
    // the socket wake the event loop.
    void deliverPending()
    {
        QPointer<Connection> alive(this);
        for (int i = 0; i < SocketBus::maximumReportsPerWakeup && alive && m_fd >= 0; ++i) {
            Bytes report;
            if (SocketBus::receiveMessage(m_fd, report) != SocketBus::Receive::message) {
                return;
            }
            Q_EMIT inputReport(report);
        }
    }

private:
    void readReports()
    {
        QPointer<Connection> alive(this);
        for (int i = 0; i < SocketBus::maximumReportsPerWakeup && alive && m_fd >= 0; ++i) {
            Bytes report;
            switch (SocketBus::receiveMessage(m_fd, report)) {
            case SocketBus::Receive::message:
                Q_EMIT inputReport(report);
                break;
            case SocketBus::Receive::wouldBlock:
                return;
            case SocketBus::Receive::peerGone:
                m_bus.peerGone(this);
                return;
            }
        }
    }

    SocketHidBus &m_bus;
    QString m_name;
    int m_fd;
    HidDeviceInfo m_info;
    bool m_openedAfterPeerGone;
    std::optional<FileIdentity> m_socketFile;
    QSocketNotifier m_notifier;
};

SocketHidBus::SocketHidBus(QString folder, QObject *parent) : HidBus(parent), m_folder(std::move(folder)) {}

SocketHidBus::~SocketHidBus() = default;

void SocketHidBus::start(const HidMatching &matching)
{
    if (m_started) {
        return;
    }
    m_started = true;
    m_matching = matching;
    QString error;
    if (!SocketBus::ensureFolder(m_folder, &error)) {
        qWarning("socket bus: %s", qPrintable(error));
    }
    if (!m_watcher.addPath(m_folder)) {
        qWarning("socket bus: cannot watch %s", qPrintable(m_folder));
    }
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] { scan(ScanReason::folderChanged); });
    QMetaObject::invokeMethod(
        this, [this] { scan(ScanReason::folderChanged); }, Qt::QueuedConnection);
}

void SocketHidBus::scan(ScanReason reason)
{
    if (reason == ScanReason::folderChanged) {
        m_heldBack.clear();
    } else {
        m_peerGoneScanQueued = false;
    }
    std::set<QString> present;
    const QStringList files = QDir(m_folder).entryList({QStringLiteral("*.json")}, QDir::Files | QDir::NoDotAndDotDot);
    for (const QString &file : files) {
        present.insert(file.chopped(5));
    }

    std::vector<Connection *> gone;
    for (auto it = m_connections.begin(); it != m_connections.end();) {
        if (!it->second) {
            it = m_connections.erase(it);
            continue;
        }
        if (!present.contains(it->first)) {
            gone.push_back(it->second);
        }
        ++it;
    }
    for (Connection *connection : gone) {
        QPointer<Connection> alive(connection);
        connection->deliverPending();
        if (alive) {
            remove(connection);
        }
    }
    for (const QString &name : present) {
        if (!m_connections.contains(name) && !m_heldBack.contains(name)) {
            openDevice(name, reason);
        }
    }
}

void SocketHidBus::scheduleScan(ScanReason reason)
{
    if (reason == ScanReason::peerGone) {
        if (m_peerGoneScanQueued) {
            return;
        }
        m_peerGoneScanQueued = true;
    }
    QMetaObject::invokeMethod(
        this, [this, reason] { scan(reason); }, Qt::QueuedConnection);
}

// A description that cannot be read or parsed, a foreign device and a socket that refuses the
// connection are all left alone until the folder changes again.
void SocketHidBus::openDevice(const QString &name, ScanReason reason)
{
    QFile description(SocketBus::descriptionPath(m_folder, name));
    if (!description.open(QIODevice::ReadOnly)) {
        return;
    }
    const auto device = SocketBusDevice::fromJson(description.read(maximumDescriptionSize));
    if (!device) {
        return;
    }
    const QString socketPath = SocketBus::socketPath(m_folder, name);
    HidDeviceInfo info = device->info(socketPath);
    if (!m_matching.matches(info)) {
        return;
    }
    const auto socketFile = fileIdentity(socketPath);
    const int fd = SocketBus::connectTo(socketPath);
    if (fd < 0) {
        return;
    }
    auto *connection = new Connection(*this, name, fd, std::move(info), reason == ScanReason::peerGone, socketFile);
    m_connections[name] = connection;
    Q_EMIT deviceMatched(connection);
}

void SocketHidBus::remove(Connection *connection)
{
    auto it = m_connections.find(connection->name());
    if (it != m_connections.end() && it->second == connection) {
        m_connections.erase(it);
    }
    connection->close();
    Q_EMIT deviceRemoved(connection);
    connection->deleteLater();
}

// The program closed the connection: unplugged (its description goes too, or is already back
// for a re-plug under the same name) or killed (its description stays, its socket refuses). A
// scan after the loss tells these apart. A program that drops every connection on the socket it
// listens on is tried once more, then left alone until the folder changes; one that was plugged
// in again meanwhile has a new socket and is opened again.
void SocketHidBus::peerGone(Connection *connection)
{
    if (connection->openedAfterPeerGone() && connection->socketFileIsStillThere()) {
        m_heldBack.insert(connection->name());
    }
    remove(connection);
    scheduleScan(ScanReason::peerGone);
}
