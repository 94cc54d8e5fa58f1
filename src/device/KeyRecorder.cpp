#include "device/KeyRecorder.h"

#include <QPointer>

KeyRecorder::KeyRecorder(KeyEventMonitor &keyEvents, QObject *parent) : QObject(parent), m_keyEvents(keyEvents) {}

KeyRecorder::~KeyRecorder() = default;

void KeyRecorder::startRecording()
{
    if (m_isRecording) {
        return;
    }
    // State first, signals last: an observer may stop the recording from its slot.
    m_isRecording = true;
    m_monitor = m_keyEvents.install([recorder = QPointer<KeyRecorder>(this)](const HidKeyPress &press) {
        if (recorder) {
            recorder->handleKeyDown(press);
        }
    });
    const bool hadCapture = m_capturedKeycode.has_value() || m_capturedMods.has_value();
    m_capturedMods.reset();
    m_capturedKeycode.reset();
    Q_EMIT isRecordingChanged(true);
    if (hadCapture) {
        Q_EMIT capturedChanged();
    }
}

void KeyRecorder::stopRecording()
{
    if (!m_isRecording) {
        return;
    }
    m_isRecording = false;
    m_monitor.reset();
    Q_EMIT isRecordingChanged(false);
}

void KeyRecorder::handleKeyDown(const HidKeyPress &press)
{
    if (!press.usage) {
        return;
    }
    m_capturedMods = press.modifiers;
    m_capturedKeycode = press.usage;
    stopRecording();
    Q_EMIT capturedChanged();
}
