#pragma once

#include "signals/AudioInput.h"
#include "signals/SignalSources.h"

#include <QString>

#include <optional>

// Publishes whether the default audio input is muted and whether it is recorded from, following
// the default as the user switches it.
//
// The watched device only changes when a new default can be read: while the default is unknown
// (no device, server gone) the last device and its values stay. isMuted changes only when a read
// gives a different value; isInUse is signalled on every successful read, repeated values
// included. Main thread only.
class MicMuteWatcher : public MicMuteSignals {
    Q_OBJECT
public:
    // The input must outlive the watcher.
    explicit MicMuteWatcher(AudioInput &input, QObject *parent = nullptr);

    // Starts following the input's default device. A second call does nothing.
    void start();
    bool hasStarted() const { return m_hasStarted; }

    std::optional<bool> isMuted() const override { return m_isMuted; }
    std::optional<bool> isInUse() const override { return m_isInUse; }
    // The watched device; empty until a default input was first read.
    const QString &currentInputDevice() const { return m_currentInputDevice; }

    // Asks for the watched device to be muted or unmuted; nothing without a device. isMuted follows
    // once the input reports the change.
    void setMuted(bool muted);
    // Asks for the opposite of isMuted; nothing while isMuted is absent or there is no device.
    void toggleMute();

    // Watches the input's current default device afresh, even when it is the one already watched.
    void refreshDefaultInputDevice();

private:
    void readMuteState();
    void readRunningState();

    AudioInput &m_input;
    bool m_hasStarted = false;
    QString m_currentInputDevice;
    std::optional<bool> m_isMuted;
    std::optional<bool> m_isInUse;
};
