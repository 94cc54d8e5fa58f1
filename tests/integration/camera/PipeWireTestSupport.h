#pragma once

#include "support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <csignal>
#include <deque>
#include <vector>

#include <sys/prctl.h>

#include <pipewire/pipewire.h>
#include <spa/param/buffers.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>

// PipeWire's and SPA's macros cast in C style where they are expanded.
#pragma GCC diagnostic ignored "-Wold-style-cast"

// A private PipeWire daemon in a temporary runtime folder, with only what clients that stream
// video need: the native protocol, client nodes, links, and a dummy driver that runs a graph
// without any device. Nothing of the user's session is touched.
class PipeWireDaemon {
public:
    static QString executable() { return QStandardPaths::findExecutable(QStringLiteral("pipewire")); }

    // The runtime folder is there from the start, as a session's always is, daemon or not.
    PipeWireDaemon()
    {
        QDir().mkpath(runtimeFolder());
        QFile::setPermissions(runtimeFolder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QString runtimeFolder() const { return m_dir.filePath(QStringLiteral("run")); }

    bool start()
    {
        QFile config(m_dir.filePath(QStringLiteral("pipewire.conf")));
        if (!config.open(QIODevice::WriteOnly)) {
            return false;
        }
        config.write("context.properties = { support.dbus = false log.level = 1 core.daemon = true "
                     "core.name = pipewire-0 mem.allow-mlock = false }\n"
                     "context.spa-libs = { support.* = support/libspa-support }\n"
                     "context.modules = [\n"
                     "  { name = libpipewire-module-protocol-native }\n"
                     "  { name = libpipewire-module-access }\n"
                     "  { name = libpipewire-module-client-node }\n"
                     "  { name = libpipewire-module-adapter }\n"
                     "  { name = libpipewire-module-link-factory }\n"
                     "  { name = libpipewire-module-spa-node-factory }\n"
                     "]\n"
                     "context.objects = [\n"
                     "  { factory = spa-node-factory args = { factory.name = support.node.driver "
                     "node.name = Dummy-Driver priority.driver = 20000 } }\n"
                     "]\n");
        config.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PIPEWIRE_RUNTIME_DIR"), runtimeFolder());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeFolder());
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        m_daemon.setProcessEnvironment(env);
        m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // Ends with the test however the test ends.
        m_daemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        m_daemon.start(executable(), {QStringLiteral("-c"), config.fileName()});
        if (!m_daemon.waitForStarted(10000)) {
            return false;
        }
        return QTest::qWaitFor(
                   [&] {
                       return m_daemon.state() != QProcess::Running ||
                              QFile::exists(runtimeFolder() + QStringLiteral("/pipewire-0"));
                   },
                   10000) &&
               m_daemon.state() == QProcess::Running;
    }

    // Ends the daemon at once, as a crash would; its socket file stays behind.
    void stop()
    {
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.kill();
            m_daemon.waitForFinished(10000);
        }
        QFile::remove(runtimeFolder() + QStringLiteral("/pipewire-0"));
        QFile::remove(runtimeFolder() + QStringLiteral("/pipewire-0.lock"));
    }

    ~PipeWireDaemon() { stop(); }

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
};

// Another PipeWire client, on PipeWire's own thread: video streams that stand for a camera (or a
// screen being shared) and for an app viewing it, and the links between them that make the graph
// run. Every call waits for the daemon's answer.
class VideoClient {
public:
    VideoClient()
    {
        pw_init(nullptr, nullptr);
        m_loop = pw_thread_loop_new("tst-video-client", nullptr);
        m_context = pw_context_new(pw_thread_loop_get_loop(m_loop), nullptr, 0);
        pw_thread_loop_start(m_loop);
        Lock lock(m_loop);
        m_core = pw_context_connect(m_context, nullptr, 0);
    }

    ~VideoClient()
    {
        {
            Lock lock(m_loop);
            for (Stream &stream : m_streams) {
                if (stream.stream) {
                    pw_stream_destroy(stream.stream);
                }
            }
            for (pw_proxy *link : m_links) {
                if (link) {
                    pw_proxy_destroy(link);
                }
            }
            if (m_core) {
                pw_core_disconnect(m_core);
            }
        }
        pw_thread_loop_stop(m_loop);
        pw_context_destroy(m_context);
        pw_thread_loop_destroy(m_loop);
    }

    bool isConnected() const { return m_core != nullptr; }

    // A stream of 320x240 frames. A source gets media class "Video/Source" and the given role
    // (empty: none); a viewer reads. Returns the stream's index, or -1.
    int addStream(const char *name, bool source, const char *role)
    {
        Lock lock(m_loop);
        pw_properties *props = pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY,
                                                 source ? "Source" : "Capture", PW_KEY_NODE_NAME, name, nullptr);
        if (source) {
            pw_properties_set(props, PW_KEY_MEDIA_CLASS, "Video/Source");
        }
        if (role && *role) {
            pw_properties_set(props, PW_KEY_MEDIA_ROLE, role);
        }
        m_streams.push_back({});
        Stream &stream = m_streams.back();
        stream.loop = m_loop;
        stream.stream = pw_stream_new(m_core, name, props);
        if (!stream.stream) {
            return -1;
        }
        static const pw_stream_events events = [] {
            pw_stream_events e{};
            e.version = PW_VERSION_STREAM_EVENTS;
            e.state_changed = &VideoClient::onState;
            e.param_changed = &VideoClient::onParam;
            e.process = &VideoClient::onProcess;
            return e;
        }();
        pw_stream_add_listener(stream.stream, &stream.listener, &events, &stream);
        std::uint8_t buffer[1024];
        spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer, sizeof(buffer));
        spa_video_info_raw info{};
        info.format = SPA_VIDEO_FORMAT_RGB;
        info.size = SPA_RECTANGLE(320, 240);
        info.framerate = SPA_FRACTION(25, 1);
        const spa_pod *params[1] = {spa_format_video_raw_build(&builder, SPA_PARAM_EnumFormat, &info)};
        const auto flags = pw_stream_flags(PW_STREAM_FLAG_MAP_BUFFERS);
        if (pw_stream_connect(stream.stream, source ? PW_DIRECTION_OUTPUT : PW_DIRECTION_INPUT, PW_ID_ANY, flags,
                              params, 1) < 0) {
            return -1;
        }
        while (stream.state != PW_STREAM_STATE_PAUSED && stream.state != PW_STREAM_STATE_ERROR) {
            pw_thread_loop_wait(m_loop);
        }
        return stream.state == PW_STREAM_STATE_PAUSED ? int(m_streams.size() - 1) : -1;
    }

    std::uint32_t nodeId(int stream)
    {
        Lock lock(m_loop);
        return pw_stream_get_node_id(m_streams[std::size_t(stream)].stream);
    }

    bool isStreaming(int stream)
    {
        Lock lock(m_loop);
        return m_streams[std::size_t(stream)].state == PW_STREAM_STATE_STREAMING;
    }

    void removeStream(int stream)
    {
        Lock lock(m_loop);
        pw_stream_destroy(m_streams[std::size_t(stream)].stream);
        m_streams[std::size_t(stream)].stream = nullptr;
    }

    // Links every port of the source's node to the viewer's node, as a session manager would.
    // Returns the link's index.
    int link(int source, int viewer)
    {
        const std::uint32_t out = nodeId(source);
        const std::uint32_t in = nodeId(viewer);
        Lock lock(m_loop);
        pw_properties *props = pw_properties_new(nullptr, nullptr);
        pw_properties_setf(props, PW_KEY_LINK_OUTPUT_NODE, "%u", out);
        pw_properties_setf(props, PW_KEY_LINK_INPUT_NODE, "%u", in);
        auto *proxy = static_cast<pw_proxy *>(
            pw_core_create_object(m_core, "link-factory", PW_TYPE_INTERFACE_Link, PW_VERSION_LINK, &props->dict, 0));
        pw_properties_free(props);
        m_links.push_back(proxy);
        return int(m_links.size() - 1);
    }

    void unlink(int link)
    {
        Lock lock(m_loop);
        pw_proxy_destroy(m_links[std::size_t(link)]);
        m_links[std::size_t(link)] = nullptr;
    }

private:
    struct Lock {
        explicit Lock(pw_thread_loop *l) : loop(l) { pw_thread_loop_lock(loop); }
        ~Lock() { pw_thread_loop_unlock(loop); }
        pw_thread_loop *loop;
    };
    struct Stream {
        pw_thread_loop *loop = nullptr;
        pw_stream *stream = nullptr;
        spa_hook listener{};
        pw_stream_state state = PW_STREAM_STATE_UNCONNECTED;
    };

    static void onState(void *data, pw_stream_state, pw_stream_state state, const char *)
    {
        auto *stream = static_cast<Stream *>(data);
        stream->state = state;
        pw_thread_loop_signal(stream->loop, false);
    }

    // Once a format is chosen, the buffers a frame needs.
    static void onParam(void *data, std::uint32_t id, const spa_pod *param)
    {
        auto *stream = static_cast<Stream *>(data);
        if (id != SPA_PARAM_Format || !param) {
            return;
        }
        std::uint8_t buffer[256];
        spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer, sizeof(buffer));
        const int stride = 320 * 3;
        const spa_pod *params[1] = {static_cast<const spa_pod *>(spa_pod_builder_add_object(
            &builder, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_buffers,
            SPA_POD_CHOICE_RANGE_Int(4, 2, 8), SPA_PARAM_BUFFERS_blocks, SPA_POD_Int(1), SPA_PARAM_BUFFERS_size,
            SPA_POD_Int(stride * 240), SPA_PARAM_BUFFERS_stride, SPA_POD_Int(stride)))};
        pw_stream_update_params(stream->stream, params, 1);
    }

    // Frames are passed on untouched: that they flow is all that matters here.
    static void onProcess(void *data)
    {
        auto *stream = static_cast<Stream *>(data);
        if (pw_buffer *buffer = pw_stream_dequeue_buffer(stream->stream)) {
            pw_stream_queue_buffer(stream->stream, buffer);
        }
    }

    pw_thread_loop *m_loop = nullptr;
    pw_context *m_context = nullptr;
    pw_core *m_core = nullptr;
    std::deque<Stream> m_streams; // stable addresses: the streams' listeners point into them
    std::vector<pw_proxy *> m_links;
};
