#pragma once

#include "platform/linux/audio/QtPulseMainloop.h"
#include "signals/AudioInput.h"

#include <QTimer>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

struct pa_context;

// Audio inputs through libpulse, which speaks to PulseAudio and to PipeWire's PulseAudio server
// alike. A device is a source, named by its source name.
//
// The backend keeps a copy of the server's sources, recording streams and default source, filled
// when the connection comes up and kept current by the server's change events (no polling), so
// that every read is answered from memory. It connects to the server libpulse finds by itself
// (PULSE_SERVER included) without ever spawning one, and when there is none or it goes away it
// tries again after a delay that doubles up to a limit. While disconnected every read fails and
// nothing is signalled, so that watchers keep what they last saw; once the copy is filled again
// defaultInputDeviceChanged is signalled.
//
// The default input is the server's default source, unless that is the monitor of an output or
// the server names none. A source is running while some recording stream of another client
// captures from it uncorked; the level meters of mixers (peak-detecting streams) do not count.
// Main thread only.
class PulseAudioInput : public AudioInput {
    Q_OBJECT
public:
    struct ReconnectDelays {
        std::chrono::milliseconds first{1000};
        std::chrono::milliseconds max{10000};
    };

    explicit PulseAudioInput(QObject *parent = nullptr);
    explicit PulseAudioInput(ReconnectDelays delays, QObject *parent = nullptr);
    ~PulseAudioInput() override;

    void start() override;
    QString defaultInputDevice() const override;
    std::optional<bool> isMuted(const QString &device) const override;
    std::optional<bool> isRunning(const QString &device) const override;
    void setMuted(const QString &device, bool muted) override;

    // Whether the server's state has been read since the last (re)connection.
    bool isConnected() const { return m_synced; }

Q_SIGNALS:
    void connectedChanged(bool connected);

private:
    struct Callbacks;
    struct Source {
        std::string name;
        bool muted = false;
        bool isMonitor = false;
    };
    struct Recording {
        std::uint32_t source = 0;
        bool counts = false; // captures for a program, as opposed to a level meter, a paused or our own stream
    };
    struct ContextDeleter {
        void operator()(pa_context *c) const;
    };

    void connectToServer();
    void scheduleReconnect();
    void onReady();
    void onLost();
    void initialReadDone();
    void sourceUpdated(std::uint32_t index, Source source);
    void sourceRemoved(std::uint32_t index);
    void recordingUpdated(std::uint32_t index, Recording recording);
    void recordingRemoved(std::uint32_t index);
    void serverDefaultUpdated(std::string name);
    void updateDefault();
    void updateRunning();
    const Source *sourceNamed(const QString &name) const;
    bool isSourceRunning(std::uint32_t index) const;

    ReconnectDelays m_delays;
    std::chrono::milliseconds m_nextDelay;
    bool m_started = false;
    QtPulseMainloop m_mainloop; // declared before the context, which must go first
    std::unique_ptr<pa_context, ContextDeleter> m_context;
    QTimer m_reconnectTimer;

    std::uint32_t m_ownClient = UINT32_MAX; // our client index on the server, whose streams never count
    int m_pendingInitialReads = 0;
    bool m_synced = false;
    std::map<std::uint32_t, Source> m_sources;       // by source index
    std::map<std::uint32_t, Recording> m_recordings; // by source output index
    std::string m_serverDefault;
    QString m_default;                     // the default input as last signalled
    std::map<std::string, bool> m_running; // by source name, as last signalled
};
