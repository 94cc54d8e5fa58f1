#pragma once

// Clients and stand-in endpoints for the trigger socket, in plain POSIX so they share nothing with
// the code under test, and a recorder of what a server publishes.
#include "platform/linux/trigger/UnixTriggerListener.h"
#include "signals/ExternalTriggerServer.h"
#include "support/DeviceTestSupport.h"

#include <QFile>

#include <cstring>
#include <utility>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

struct SocketFd {
    explicit SocketFd(int descriptor = -1) : fd(descriptor) {}
    SocketFd(SocketFd &&other) noexcept : fd(std::exchange(other.fd, -1)) {}
    SocketFd &operator=(SocketFd &&other) noexcept
    {
        std::swap(fd, other.fd);
        return *this;
    }
    ~SocketFd()
    {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    explicit operator bool() const { return fd >= 0; }
    int fd;
};

enum class SocketRole {
    client,            // connected, blocking
    nonBlockingClient, // connected, or empty when the backlog is full
    listener,          // listening and never accepting, like another live instance
    stale,             // bound only: once closed, its file is what a crashed instance leaves behind
};

inline SocketFd openSocket(const QString &path, SocketRole role, int backlog = 8)
{
    const int nonBlocking = role == SocketRole::nonBlockingClient ? SOCK_NONBLOCK : 0;
    SocketFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | nonBlocking, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray encoded = QFile::encodeName(path);
    std::strncpy(address.sun_path, encoded.constData(), sizeof address.sun_path - 1);
    const auto *generic = reinterpret_cast<const sockaddr *>(&address);
    const bool ok = role == SocketRole::client || role == SocketRole::nonBlockingClient
                        ? ::connect(socket.fd, generic, sizeof address) == 0
                        : ::bind(socket.fd, generic, sizeof address) == 0 &&
                              (role == SocketRole::stale || ::listen(socket.fd, backlog) == 0);
    return ok ? std::move(socket) : SocketFd();
}

inline bool sendAll(const SocketFd &socket, QByteArrayView data)
{
    for (ssize_t sent = 0; !data.isEmpty(); data = data.sliced(sent)) {
        sent = ::send(socket.fd, data.data(), std::size_t(data.size()), MSG_NOSIGNAL);
        if (sent <= 0) {
            return false;
        }
    }
    return true;
}

// One whole connection: connect, send everything, close. False when any of it failed.
inline bool sendConnection(const QString &path, QByteArrayView data)
{
    const SocketFd socket = openSocket(path, SocketRole::client);
    return socket && sendAll(socket, data);
}

inline std::unique_ptr<ExternalTriggerServer> makeServer(const TriggerListener::Options &options)
{
    return std::make_unique<ExternalTriggerServer>(std::make_unique<UnixTriggerListener>(), options);
}

// Everything a server published, as "[name=on] [name=off] ".
struct TriggerRecorder {
    explicit TriggerRecorder(ExternalTriggerServer &server)
    {
        QObject::connect(&server, &ExternalTriggerServer::signalReported, &server,
                         [this](const QString &name, bool on) {
                             reports += '[' + name.toUtf8() + (on ? "=on] " : "=off] ");
                             ++count;
                         });
        QObject::connect(&server, &ExternalTriggerServer::signalValuesChanged, &server, [this] { ++changes; });
    }
    QByteArray reports;
    int count = 0;
    int changes = 0;
};
