#pragma once

#include <QMetaType>
#include <QObject>

#include <optional>

Q_DECLARE_METATYPE(std::optional<bool>)

// What the system watchers publish, as the rules engine sees them. Each watcher derives from one
// of these classes; a value is absent until the watcher knows it (not started, source
// unavailable), and every change of a value, including to or from absent, is signalled with the
// new value. Main thread only.

class MicMuteSignals : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::optional<bool> isMuted READ isMuted NOTIFY isMutedChanged)
    Q_PROPERTY(std::optional<bool> isInUse READ isInUse NOTIFY isInUseChanged)
public:
    using QObject::QObject;
    // Whether the default input device is muted.
    virtual std::optional<bool> isMuted() const = 0;
    // Whether any program is recording from an input device.
    virtual std::optional<bool> isInUse() const = 0;
Q_SIGNALS:
    void isMutedChanged(std::optional<bool> isMuted);
    void isInUseChanged(std::optional<bool> isInUse);
};

class CameraInUseSignals : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::optional<bool> isInUse READ isInUse NOTIFY isInUseChanged)
public:
    using QObject::QObject;
    // Whether any program has a camera open.
    virtual std::optional<bool> isInUse() const = 0;
Q_SIGNALS:
    void isInUseChanged(std::optional<bool> isInUse);
};

class VPNStatusSignals : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::optional<bool> isConnected READ isConnected NOTIFY isConnectedChanged)
public:
    using QObject::QObject;
    // Whether a VPN tunnel is up.
    virtual std::optional<bool> isConnected() const = 0;
Q_SIGNALS:
    void isConnectedChanged(std::optional<bool> isConnected);
};

class CalendarSignals : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::optional<bool> isMeetingSoon READ isMeetingSoon NOTIFY isMeetingSoonChanged)
    Q_PROPERTY(std::optional<bool> isInMeeting READ isInMeeting NOTIFY isInMeetingChanged)
public:
    using QObject::QObject;
    // Whether a meeting starts within the warning period.
    virtual std::optional<bool> isMeetingSoon() const = 0;
    // Whether a meeting is under way.
    virtual std::optional<bool> isInMeeting() const = 0;
Q_SIGNALS:
    void isMeetingSoonChanged(std::optional<bool> isMeetingSoon);
    void isInMeetingChanged(std::optional<bool> isInMeeting);
};

class ScreenLockSignals : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::optional<bool> isLocked READ isLocked NOTIFY isLockedChanged)
public:
    using QObject::QObject;
    // Whether the session is locked (or its screen saver is showing).
    virtual std::optional<bool> isLocked() const = 0;
Q_SIGNALS:
    void isLockedChanged(std::optional<bool> isLocked);
};

class DoNotDisturbSignals : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::optional<bool> isOn READ isOn NOTIFY isOnChanged)
public:
    using QObject::QObject;
    // Whether the desktop holds notifications back.
    virtual std::optional<bool> isOn() const = 0;
Q_SIGNALS:
    void isOnChanged(std::optional<bool> isOn);
};

class ScreenShareSignals : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::optional<bool> isSharing READ isSharing NOTIFY isSharingChanged)
public:
    using QObject::QObject;
    // Whether a screen-cast stream is running.
    virtual std::optional<bool> isSharing() const = 0;
Q_SIGNALS:
    void isSharingChanged(std::optional<bool> isSharing);
};
