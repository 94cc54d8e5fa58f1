#include "platform/sim/SocketBus.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QTemporaryFile>

#include <cerrno>
#include <cmath>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const QLatin1String vendorKey("vendorId");
const QLatin1String productKey("productId");
const QLatin1String usagePageKey("usagePage");
const QLatin1String usageKey("usage");
const QLatin1String locationKey("locationId");
const QLatin1String serialKey("serial");

std::optional<std::uint32_t> integerIn(const QJsonValue &value, double maximum)
{
    if (!value.isDouble()) {
        return std::nullopt;
    }
    const double number = value.toDouble();
    if (number < 0 || number > maximum || number != std::trunc(number)) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(number);
}

bool fillAddress(sockaddr_un &address, const QString &path)
{
    const QByteArray encoded = QFile::encodeName(path);
    address = {};
    if (encoded.isEmpty() || encoded.contains('\0') ||
        static_cast<std::size_t>(encoded.size()) >= sizeof(address.sun_path)) {
        errno = ENAMETOOLONG;
        return false;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, encoded.constData(), static_cast<std::size_t>(encoded.size()));
    return true;
}

int seqpacketSocket()
{
    return ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
}

void closeKeepingErrno(int fd)
{
    const int saved = errno;
    ::close(fd);
    errno = saved;
}

} // namespace

std::optional<SocketBusDevice> SocketBusDevice::fromJson(const QByteArray &json)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return std::nullopt;
    }
    const QJsonObject object = document.object();
    const auto vendor = integerIn(object.value(vendorKey), 0xFFFF);
    const auto product = integerIn(object.value(productKey), 0xFFFF);
    const auto usagePage = integerIn(object.value(usagePageKey), 0xFFFF);
    const auto usage = integerIn(object.value(usageKey), 0xFFFF);
    if (!vendor || !product || !usagePage || !usage) {
        return std::nullopt;
    }
    SocketBusDevice device;
    device.vendorId = static_cast<std::uint16_t>(*vendor);
    device.productId = static_cast<std::uint16_t>(*product);
    device.usagePage = static_cast<std::uint16_t>(*usagePage);
    device.usage = static_cast<std::uint16_t>(*usage);

    const QJsonValue location = object.value(locationKey);
    if (!location.isNull() && !location.isUndefined()) {
        const auto number = integerIn(location, 0xFFFFFFFFu);
        if (!number) {
            return std::nullopt;
        }
        device.locationId = *number;
    }
    const QJsonValue serial = object.value(serialKey);
    if (!serial.isUndefined()) {
        if (!serial.isString()) {
            return std::nullopt;
        }
        device.serial = serial.toString();
    }
    return device;
}

QByteArray SocketBusDevice::toJson() const
{
    QJsonObject object{
        {vendorKey, vendorId},
        {productKey, productId},
        {usagePageKey, usagePage},
        {usageKey, usage},
        {locationKey, locationId ? QJsonValue(static_cast<qint64>(*locationId)) : QJsonValue()},
        {serialKey, serial},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

HidDeviceInfo SocketBusDevice::info(const QString &name) const
{
    return {vendorId, productId, usagePage, usage, locationId, name};
}

namespace SocketBus {

QString descriptionPath(const QString &folder, const QString &name)
{
    return QDir(folder).filePath(name + QLatin1String(".json"));
}

QString socketPath(const QString &folder, const QString &name)
{
    return QDir(folder).filePath(name + QLatin1String(".sock"));
}

bool isValidName(const QString &name)
{
    return !name.isEmpty() && !name.startsWith(QLatin1Char('.')) && !name.contains(QLatin1Char('/')) &&
           !name.contains(QChar(0));
}

bool ensureFolder(const QString &folder, QString *error)
{
    if (QFileInfo(folder).isDir()) {
        return true;
    }
    const QString absolute = QFileInfo(folder).absoluteFilePath();
    const QString parent = QFileInfo(absolute).path();
    if (!QDir().mkpath(parent)) {
        if (error) {
            *error = QStringLiteral("cannot create the folder %1").arg(parent);
        }
        return false;
    }
    if (::mkdir(QFile::encodeName(absolute).constData(), 0700) != 0 && !QFileInfo(absolute).isDir()) {
        if (error) {
            *error = QStringLiteral("cannot create the bus folder %1: %2")
                         .arg(absolute, QString::fromLocal8Bit(std::strerror(errno)));
        }
        return false;
    }
    return true;
}

bool writeFileAtomically(const QString &path, const QByteArray &data, QString *error)
{
    QTemporaryFile temporary(path + QLatin1String(".XXXXXX"));
    temporary.setAutoRemove(false);
    auto fail = [&](const QString &reason) {
        if (error) {
            *error = QStringLiteral("cannot write %1: %2").arg(path, reason);
        }
        if (!temporary.fileName().isEmpty()) {
            QFile::remove(temporary.fileName());
        }
        return false;
    };
    if (!temporary.open()) {
        return fail(temporary.errorString());
    }
    if (temporary.write(data) != data.size() || !temporary.flush()) {
        return fail(temporary.errorString());
    }
    temporary.close();
    if (::rename(QFile::encodeName(temporary.fileName()).constData(), QFile::encodeName(path).constData()) != 0) {
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    }
    return true;
}

int connectTo(const QString &socketPath)
{
    sockaddr_un address{};
    if (!fillAddress(address, socketPath)) {
        return -1;
    }
    const int fd = seqpacketSocket();
    if (fd < 0) {
        return -1;
    }
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
        closeKeepingErrno(fd);
        return -1;
    }
    return fd;
}

int listenAt(const QString &socketPath)
{
    sockaddr_un address{};
    if (!fillAddress(address, socketPath)) {
        return -1;
    }
    const int fd = seqpacketSocket();
    if (fd < 0) {
        return -1;
    }
    if (::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0 || ::listen(fd, SOMAXCONN) != 0) {
        closeKeepingErrno(fd);
        return -1;
    }
    return fd;
}

Receive receiveMessage(int fd, Bytes &message)
{
    auto failure = [] {
        return errno == EAGAIN || errno == EWOULDBLOCK ? Receive::wouldBlock : Receive::peerGone;
    };
    for (;;) {
        // MSG_TRUNC makes a peek return the whole message's length, so no report is ever cut.
        const ssize_t length = ::recv(fd, nullptr, 0, MSG_PEEK | MSG_TRUNC | MSG_DONTWAIT);
        if (length < 0) {
            if (errno == EINTR) {
                continue;
            }
            return failure();
        }
        if (length == 0) {
            // An empty message and the end of the stream both read as 0 bytes; only a peer that
            // hung up raises POLLRDHUP. Empty messages carry no report and are dropped.
            pollfd state{fd, POLLRDHUP, 0};
            if (::poll(&state, 1, 0) < 0 || (state.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0) {
                return Receive::peerGone;
            }
            ::recv(fd, nullptr, 0, MSG_DONTWAIT);
            continue;
        }
        message.resize(static_cast<std::size_t>(length));
        const ssize_t received = ::recv(fd, message.data(), message.size(), MSG_DONTWAIT);
        if (received < 0) {
            if (errno == EINTR) {
                continue;
            }
            return failure();
        }
        message.resize(static_cast<std::size_t>(received));
        if (!message.empty()) {
            return Receive::message;
        }
    }
}

bool sendMessage(int fd, ByteView message)
{
    for (;;) {
        const ssize_t sent = ::send(fd, message.data(), message.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        return sent == static_cast<ssize_t>(message.size());
    }
}

} // namespace SocketBus
