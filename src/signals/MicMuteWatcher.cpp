#include "signals/MicMuteWatcher.h"

MicMuteWatcher::MicMuteWatcher(AudioInput &input, QObject *parent) : MicMuteSignals(parent), m_input(input) {}

void MicMuteWatcher::start()
{
    if (m_hasStarted) {
        return;
    }
    m_hasStarted = true;
    // Reports about any other device (one that was the default before) are of no interest.
    connect(&m_input, &AudioInput::defaultInputDeviceChanged, this, &MicMuteWatcher::refreshDefaultInputDevice);
    connect(&m_input, &AudioInput::muteChanged, this, [this](const QString &device) {
        if (!device.isEmpty() && device == m_currentInputDevice) {
            readMuteState();
        }
    });
    connect(&m_input, &AudioInput::runningChanged, this, [this](const QString &device) {
        if (!device.isEmpty() && device == m_currentInputDevice) {
            readRunningState();
        }
    });
    m_input.start();
    refreshDefaultInputDevice();
}

void MicMuteWatcher::refreshDefaultInputDevice()
{
    const QString device = m_input.defaultInputDevice();
    if (device.isEmpty()) {
        return;
    }
    m_currentInputDevice = device;
    readMuteState();
    readRunningState();
}

void MicMuteWatcher::readMuteState()
{
    const std::optional<bool> muted = m_input.isMuted(m_currentInputDevice);
    if (!muted || muted == m_isMuted) {
        return;
    }
    m_isMuted = muted;
    Q_EMIT isMutedChanged(m_isMuted);
}

void MicMuteWatcher::readRunningState()
{
    const std::optional<bool> running = m_input.isRunning(m_currentInputDevice);
    if (!running) {
        return;
    }
    // Signalled even when unchanged: every report of the input counts as a fresh reading.
    m_isInUse = running;
    Q_EMIT isInUseChanged(m_isInUse);
}

void MicMuteWatcher::setMuted(bool muted)
{
    if (m_currentInputDevice.isEmpty()) {
        return;
    }
    m_input.setMuted(m_currentInputDevice, muted);
}

void MicMuteWatcher::toggleMute()
{
    if (!m_isMuted) {
        return;
    }
    setMuted(!*m_isMuted);
}
