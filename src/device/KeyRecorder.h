#pragma once

#include "device/KeyEventMonitor.h"

#include <QMetaType>
#include <QObject>

#include <cstdint>
#include <memory>
#include <optional>

Q_DECLARE_METATYPE(std::optional<std::uint8_t>)

// Records one key combination for the device to type: the first recordable key pressed in the
// application while recording, with the modifiers held at that moment. Every key press made while
// recording is consumed, so none reaches a window; modifier keys alone change nothing, and Escape
// is recorded like any other key rather than cancelling. Main thread only.
class KeyRecorder : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isRecording READ isRecording NOTIFY isRecordingChanged)
    Q_PROPERTY(std::optional<std::uint8_t> capturedMods READ capturedMods NOTIFY capturedChanged)
    Q_PROPERTY(std::optional<std::uint8_t> capturedKeycode READ capturedKeycode NOTIFY capturedChanged)

public:
    // The monitor must outlive the recorder.
    explicit KeyRecorder(KeyEventMonitor &keyEvents, QObject *parent = nullptr);
    // Removes the monitor if still installed.
    ~KeyRecorder() override;

    bool isRecording() const { return m_isRecording; }
    // HidModifier bits and HID usage of the recorded combination; both present or both absent.
    const std::optional<std::uint8_t> &capturedMods() const { return m_capturedMods; }
    const std::optional<std::uint8_t> &capturedKeycode() const { return m_capturedKeycode; }

    // Clears the previous capture and waits for a key. Does nothing while already recording.
    void startRecording();
    // Stops waiting and keeps whatever was captured. Does nothing while not recording.
    void stopRecording();

Q_SIGNALS:
    void isRecordingChanged(bool isRecording);
    // Both captured fields changed together.
    void capturedChanged();

private:
    void handleKeyDown(const HidKeyPress &press);

    KeyEventMonitor &m_keyEvents;
    bool m_isRecording = false;
    std::optional<std::uint8_t> m_capturedMods;
    std::optional<std::uint8_t> m_capturedKeycode;
    std::unique_ptr<KeyEventMonitor::Installation> m_monitor;
};
