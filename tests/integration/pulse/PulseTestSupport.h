#pragma once

#include "support/TestMain.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>

#include <pulse/pulseaudio.h>

#include <vector>

// A private PulseAudio server in a temporary folder, reachable only through its own unix socket,
// with an output (s1, whose monitor is a source) and two inputs (src1, src2). Nothing of the
// user's session is touched: home, runtime and state folders all live in the temporary folder,
// and the server neither spawns helpers nor persists device state, so each start is fresh.
class PulseServer {
public:
    PulseServer()
    {
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.remove(QStringLiteral("DISPLAY"));
        m_env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        m_env.insert(QStringLiteral("HOME"), path(QStringLiteral("home")));
        m_env.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("home/config")));
        m_env.insert(QStringLiteral("XDG_RUNTIME_DIR"), path(QStringLiteral("xdg")));
        m_env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), path(QStringLiteral("runtime")));
        m_env.insert(QStringLiteral("PULSE_STATE_PATH"), path(QStringLiteral("state")));
        m_env.insert(QStringLiteral("PULSE_CLIENTCONFIG"), path(QStringLiteral("client.conf")));
        m_env.insert(QStringLiteral("PULSE_SERVER"), serverAddress());
        // No session bus to find: the server must not try to start one.
        m_env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                     QStringLiteral("unix:path=") + path(QStringLiteral("no-bus")));
        QFile conf(path(QStringLiteral("client.conf")));
        if (conf.open(QIODevice::WriteOnly)) {
            conf.write("autospawn = no\n");
        }
    }

    ~PulseServer() { stop(); }

    static QString executable() { return QStandardPaths::findExecutable(QStringLiteral("pulseaudio")); }

    QString serverAddress() const { return QStringLiteral("unix:") + path(QStringLiteral("native")); }
    const QProcessEnvironment &environment() const { return m_env; }

    // Starts the server and waits until it answers; on failure the reason is in error().
    bool start()
    {
        m_server.setProcessEnvironment(m_env);
        m_server.setProcessChannelMode(QProcess::MergedChannels);
        // As root the server only warns that it is meant for a user session; it runs all the same.
        m_server.start(executable(), {QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                                      QStringLiteral("--disable-shm=yes"), QStringLiteral("--use-pid-file=no"),
                                      QStringLiteral("--realtime=no"), QStringLiteral("--high-priority=no"),
                                      QStringLiteral("--log-target=stderr"), QStringLiteral("-n"),
                                      QStringLiteral("--load=module-native-protocol-unix auth-anonymous=1 socket=") +
                                          path(QStringLiteral("native")),
                                      QStringLiteral("--load=module-null-sink sink_name=s1"),
                                      QStringLiteral("--load=module-null-source source_name=src1"),
                                      QStringLiteral("--load=module-null-source source_name=src2")});
        if (!m_server.waitForStarted(10000)) {
            m_error = m_server.errorString();
            return false;
        }
        const bool answers = QTest::qWaitFor(
            [&] { return m_server.state() != QProcess::Running || pactl({QStringLiteral("info")}); }, 30000);
        if (!answers || m_server.state() != QProcess::Running) {
            m_error = QString::fromLocal8Bit(m_server.readAll());
            stop();
            return false;
        }
        return true;
    }

    // Ends the server at once, as a crash would.
    void stop()
    {
        if (m_server.state() != QProcess::NotRunning) {
            m_server.kill();
            m_server.waitForFinished(10000);
        }
    }

    QString error() const { return m_error; }

    // Runs a client tool against the server; true when it succeeded.
    bool run(const QString &program, const QStringList &arguments) const
    {
        QProcess process;
        process.setProcessEnvironment(m_env);
        process.start(program, arguments);
        return process.waitForFinished(15000) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0;
    }
    bool pactl(const QStringList &arguments) const { return run(QStringLiteral("pactl"), arguments); }

    QString path(const QString &name) const { return m_dir.path() + QLatin1Char('/') + name; }

private:
    QTemporaryDir m_dir;
    QProcessEnvironment m_env;
    QProcess m_server;
    QString m_error;
};

// A second client in the test process, on libpulse's own threaded loop, for the recording streams
// no command-line tool makes: level meters (peak detection) and paused (corked) streams.
class StreamClient {
public:
    StreamClient()
    {
        m_loop = pa_threaded_mainloop_new();
        pa_threaded_mainloop_start(m_loop);
        Lock lock(m_loop);
        m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), "tst-stream-client");
        pa_context_set_state_callback(m_context, &StreamClient::signal, m_loop);
        if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            return;
        }
        while (PA_CONTEXT_IS_GOOD(pa_context_get_state(m_context)) &&
               pa_context_get_state(m_context) != PA_CONTEXT_READY) {
            pa_threaded_mainloop_wait(m_loop);
        }
    }

    ~StreamClient()
    {
        {
            Lock lock(m_loop);
            for (pa_stream *stream : m_streams) {
                pa_stream_set_state_callback(stream, nullptr, nullptr);
                pa_stream_disconnect(stream);
                pa_stream_unref(stream);
            }
            pa_context_set_state_callback(m_context, nullptr, nullptr);
            pa_context_disconnect(m_context);
            pa_context_unref(m_context);
        }
        pa_threaded_mainloop_stop(m_loop);
        pa_threaded_mainloop_free(m_loop);
    }

    bool isConnected()
    {
        Lock lock(m_loop);
        return pa_context_get_state(m_context) == PA_CONTEXT_READY;
    }

    // Records from the source with the given flags, the way a mixer's level meter does when they
    // include PA_STREAM_PEAK_DETECT; true once the stream is up.
    bool record(const char *source, pa_stream_flags_t flags)
    {
        Lock lock(m_loop);
        const pa_sample_spec sampleFormat{PA_SAMPLE_FLOAT32NE, 25, 1};
        pa_stream *stream = pa_stream_new(m_context, "tst-stream", &sampleFormat, nullptr);
        if (!stream) {
            return false;
        }
        m_streams.push_back(stream);
        pa_stream_set_state_callback(stream, &StreamClient::signalStream, m_loop);
        pa_stream_set_read_callback(stream, &StreamClient::discard, nullptr);
        pa_buffer_attr attr{};
        attr.maxlength = std::uint32_t(-1);
        attr.fragsize = sizeof(float);
        if (pa_stream_connect_record(stream, source, &attr, pa_stream_flags_t(flags | PA_STREAM_ADJUST_LATENCY)) < 0) {
            return false;
        }
        while (PA_STREAM_IS_GOOD(pa_stream_get_state(stream)) && pa_stream_get_state(stream) != PA_STREAM_READY) {
            pa_threaded_mainloop_wait(m_loop);
        }
        return pa_stream_get_state(stream) == PA_STREAM_READY;
    }

private:
    struct Lock {
        explicit Lock(pa_threaded_mainloop *l) : loop(l) { pa_threaded_mainloop_lock(loop); }
        ~Lock() { pa_threaded_mainloop_unlock(loop); }
        pa_threaded_mainloop *loop;
    };

    static void signal(pa_context *, void *loop)
    {
        pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop *>(loop), 0);
    }
    static void signalStream(pa_stream *, void *loop)
    {
        pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop *>(loop), 0);
    }
    static void discard(pa_stream *stream, size_t, void *)
    {
        const void *data = nullptr;
        size_t size = 0;
        while (pa_stream_readable_size(stream) > 0 && pa_stream_peek(stream, &data, &size) == 0 && size > 0) {
            pa_stream_drop(stream);
        }
    }

    pa_threaded_mainloop *m_loop = nullptr;
    pa_context *m_context = nullptr;
    std::vector<pa_stream *> m_streams;
};
