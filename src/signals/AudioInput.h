#pragma once

#include <QObject>
#include <QString>

#include <optional>

// The machine's audio input devices as the sound server knows them. A device is named by an id
// that stays the same for as long as the device exists (and across reconnections to the server
// where the server keeps its names). Reads answer at once from what the port already knows; they
// never block. Lives on the main thread and reports there.
class AudioInput : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Begins following the sound server. Called once; what is known is reported by the signals
    // below from the event loop.
    virtual void start() = 0;

    // The default input device; empty when there is none or it cannot be read (e.g. no server).
    virtual QString defaultInputDevice() const = 0;
    // Whether the device is muted; absent when it has no mute control or cannot be read.
    virtual std::optional<bool> isMuted(const QString &device) const = 0;
    // Whether some other program records from the device; absent when it cannot be read.
    virtual std::optional<bool> isRunning(const QString &device) const = 0;
    // Asks the server to mute or unmute the device. Takes effect later, if at all: the change is
    // seen through muteChanged like any other.
    virtual void setMuted(const QString &device, bool muted) = 0;

Q_SIGNALS:
    // The default input device may have changed, or what is known about it was re-read (after a
    // reconnection to the server).
    void defaultInputDeviceChanged();
    // The mute state of this device changed.
    void muteChanged(const QString &device);
    // Whether this device is recorded from changed.
    void runningChanged(const QString &device);
};
