#pragma once

#include "device/Bytes.h"
#include "device/HidBus.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

// The socket bus: a folder through which a device program and the application talk as over USB
// HID. A device named NAME is NAME.json (its description, below) beside NAME.sock, an AF_UNIX
// SOCK_SEQPACKET listening socket; one message is one report in either direction. The device
// program creates the socket before it publishes the description, so a description on the bus
// always names a socket that was listening when it appeared.

// The contents of NAME.json.
struct SocketBusDevice {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    std::optional<LocationID> locationId; // null or absent in the file
    QString serial;

    // A JSON object with the four ids as integers in 0..65535, "locationId" an integer in
    // 0..0xFFFFFFFF, null or absent, and "serial" a string or absent. Anything else: no value.
    static std::optional<SocketBusDevice> fromJson(const QByteArray &json);
    QByteArray toJson() const;

    // The bus entry as a HID bus reports it; `name` is for diagnostics.
    HidDeviceInfo info(const QString &name) const;

    friend bool operator==(const SocketBusDevice &, const SocketBusDevice &) = default;
};

namespace SocketBus {

// Messages handled per wake-up of a socket, so one chatty peer cannot starve the event loop.
inline constexpr int maximumReportsPerWakeup = 64;

QString descriptionPath(const QString &folder, const QString &name);
QString socketPath(const QString &folder, const QString &name);

// A device name is a plain, visible file name stem: not empty, no '/', no leading '.'.
bool isValidName(const QString &name);

// Creates the folder, owner-only, with its parents when it is missing. False, with the reason,
// when it is missing and cannot be made.
bool ensureFolder(const QString &folder, QString *error);

// Replaces the file with `data` in one rename, so a reader sees the old or the new contents,
// never a part. The temporary file sits beside it and never ends in ".json".
bool writeFileAtomically(const QString &path, const QByteArray &data, QString *error);

// Non-blocking, close-on-exec SOCK_SEQPACKET sockets. -1 with errno set on failure.
int connectTo(const QString &socketPath);
int listenAt(const QString &socketPath);

enum class Receive { message, wouldBlock, peerGone };
// Reads the next non-empty message whole, whatever its length. peerGone on end of stream and on
// a socket error.
Receive receiveMessage(int fd, Bytes &message);

// Sends one message without blocking and without SIGPIPE. False with errno set when it was not
// sent whole.
bool sendMessage(int fd, ByteView message);

} // namespace SocketBus
