#include "platform/sim/SocketDeviceServer.h"

#include "device/DorvelDeviceManager.h"

#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/socket.h>
#include <unistd.h>

// One connected program.
class SocketDeviceServer::Client : public QObject {
public:
    Client(SocketDeviceServer &server, int fd)
        : QObject(&server), m_server(server), m_fd(fd), m_notifier(fd, QSocketNotifier::Read)
    {
        connect(&m_notifier, &QSocketNotifier::activated, this, &Client::readReports);
    }
    ~Client() override { close(); }

    // A failed send means the program is gone; its end of stream removes it.
    void send(ByteView reply)
    {
        if (m_fd >= 0) {
            SocketBus::sendMessage(m_fd, reply);
        }
    }

    void close()
    {
        if (m_fd >= 0) {
            m_notifier.setEnabled(false);
            ::close(m_fd);
            m_fd = -1;
        }
    }

private:
    void readReports()
    {
        QPointer<Client> alive(this);
        for (int i = 0; i < SocketBus::maximumReportsPerWakeup && alive && m_fd >= 0; ++i) {
            Bytes report;
            switch (SocketBus::receiveMessage(m_fd, report)) {
            case SocketBus::Receive::message:
                m_server.handleReport(this, report);
                break;
            case SocketBus::Receive::wouldBlock:
                return;
            case SocketBus::Receive::peerGone:
                m_server.dropClient(this);
                return;
            }
        }
    }

    SocketDeviceServer &m_server;
    int m_fd;
    QSocketNotifier m_notifier;
};

SocketDeviceServer::SocketDeviceServer(SimulatedDorvel &device, QString folder, QString name, QObject *parent)
    : QObject(parent), m_device(device), m_folder(std::move(folder)), m_name(std::move(name))
{
    const HidMatching &dorvel = DorvelDeviceManager::matching;
    m_description = {dorvel.vendorId, dorvel.productId, dorvel.usagePage, dorvel.usage, std::nullopt, {}};
    m_device.setHost(this);
}

SocketDeviceServer::~SocketDeviceServer()
{
    const QSignalBlocker quiet(this);
    m_replugContext.reset();
    unplug();
    if (m_device.host() == this) {
        m_device.setHost(nullptr);
    }
}

void SocketDeviceServer::requestReplug(SimulatedDorvel &device, std::optional<Replug> back)
{
    if (&device == &m_device) {
        m_replugRequest = back;
    }
}

void SocketDeviceServer::forgetDevice(SimulatedDorvel &) {}

void SocketDeviceServer::carryOutReplug(std::optional<Replug> back)
{
    unplug();
    if (!back) {
        return;
    }
    m_replugContext = std::make_unique<QObject>();
    QTimer::singleShot(back->delay, Qt::PreciseTimer, m_replugContext.get(), [this, moveTo = back->moveTo] {
        if (moveTo) {
            m_description.locationId = moveTo;
        }
        QString error;
        if (!plug(&error)) {
            Q_EMIT replugFailed(error);
        }
    });
}

QString SocketDeviceServer::descriptionPath() const
{
    return SocketBus::descriptionPath(m_folder, m_name);
}

QString SocketDeviceServer::socketPath() const
{
    return SocketBus::socketPath(m_folder, m_name);
}

bool SocketDeviceServer::plug(QString *error)
{
    if (isPlugged()) {
        return true;
    }
    auto fail = [&](const QString &reason) {
        if (error) {
            *error = reason;
        }
        return false;
    };
    if (!SocketBus::isValidName(m_name)) {
        return fail(QStringLiteral("invalid device name \"%1\"").arg(m_name));
    }
    QString reason;
    if (!SocketBus::ensureFolder(m_folder, &reason)) {
        return fail(reason);
    }
    const QString socket = socketPath();
    // A socket left by a program that was killed refuses connections and is replaced; one that
    // answers belongs to a running program.
    if (const int probe = SocketBus::connectTo(socket); probe >= 0) {
        ::close(probe);
        return fail(QStringLiteral("a device named \"%1\" is already plugged into %2").arg(m_name, m_folder));
    }
    ::unlink(QFile::encodeName(socket).constData());
    const int fd = SocketBus::listenAt(socket);
    if (fd < 0) {
        return fail(
            QStringLiteral("cannot listen at %1: %2").arg(socket, QString::fromLocal8Bit(std::strerror(errno))));
    }
    if (!SocketBus::writeFileAtomically(descriptionPath(), m_description.toJson(), &reason)) {
        ::close(fd);
        ::unlink(QFile::encodeName(socket).constData());
        return fail(reason);
    }
    m_listenFd = fd;
    m_listenNotifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(m_listenNotifier.get(), &QSocketNotifier::activated, this, &SocketDeviceServer::acceptClients);
    Q_EMIT pluggedChanged(true);
    return true;
}

void SocketDeviceServer::unplug()
{
    if (!isPlugged()) {
        return;
    }
    QFile::remove(descriptionPath());
    ::unlink(QFile::encodeName(socketPath()).constData());
    closeAll();
    m_device.unplugged();
    Q_EMIT pluggedChanged(false);
}

void SocketDeviceServer::abandon()
{
    if (!isPlugged()) {
        return;
    }
    closeAll();
    Q_EMIT pluggedChanged(false);
}

void SocketDeviceServer::closeAll()
{
    m_listenNotifier.reset();
    ::close(m_listenFd);
    m_listenFd = -1;
    const bool hadClients = !m_clients.empty();
    for (const QPointer<Client> &client : std::exchange(m_clients, {})) {
        if (client) {
            client->close();
            client->deleteLater();
        }
    }
    if (hadClients) {
        Q_EMIT connectionCountChanged(0);
    }
}

void SocketDeviceServer::acceptClients()
{
    for (;;) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) {
                continue;
            }
            return;
        }
        m_clients.emplace_back(new Client(*this, fd));
        Q_EMIT connectionCountChanged(connectionCount());
    }
}

void SocketDeviceServer::handleReport(Client *client, ByteView report)
{
    ++m_reportsReceived;
    auto reply = m_device.handleReport(report);
    auto replug = std::exchange(m_replugRequest, std::nullopt);
    if (reply) {
        if (m_device.replyLatency.count() <= 0) {
            client->send(*reply);
        } else {
            QTimer::singleShot(m_device.replyLatency, Qt::PreciseTimer, client,
                               [client, bytes = std::move(*reply)] { client->send(bytes); });
        }
    }
    Q_EMIT reportHandled(report);
    if (replug) {
        // After the reply's own timer, and never inside the client's read loop.
        QTimer::singleShot(m_device.replyLatency, Qt::PreciseTimer, this,
                           [this, back = *replug] { carryOutReplug(back); });
    }
}

void SocketDeviceServer::dropClient(Client *client)
{
    auto it = std::find(m_clients.begin(), m_clients.end(), client);
    if (it == m_clients.end()) {
        return;
    }
    m_clients.erase(it);
    client->close();
    client->deleteLater();
    Q_EMIT connectionCountChanged(connectionCount());
}
