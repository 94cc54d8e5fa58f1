#include "platform/linux/pipewire/PipeWireGraphConnection.h"

#include "platform/linux/pipewire/PipeWireSocket.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QLoggingCategory>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <functional>
#include <map>
#include <string>

#include <pipewire/impl-module.h>
#include <pipewire/pipewire.h>

// PipeWire's interface macros (pw_core_add_listener and the like) cast in C style where they are
// expanded.
#pragma GCC diagnostic ignored "-Wold-style-cast"

namespace {
// Off unless enabled through QT_LOGGING_RULES: the application keeps no log.
Q_LOGGING_CATEGORY(lcPipeWire, "kestrix.platform.pipewire", QtCriticalMsg)

std::string lookup(const spa_dict *props, const char *key)
{
    const char *value = props ? spa_dict_lookup(props, key) : nullptr;
    return value ? value : std::string();
}

} // namespace

struct PipeWireGraphConnection::Private {
    struct Node {
        Private *owner = nullptr;
        std::uint32_t id = 0;
        pw_proxy *proxy = nullptr;
        spa_hook listener{};
        PipeWireVideoSource source;
    };

    pw_loop *loop = nullptr;
    pw_context *context = nullptr;
    pw_core *core = nullptr;
    pw_registry *registry = nullptr;
    spa_hook coreListener{};
    spa_hook registryListener{};
    std::map<std::uint32_t, std::unique_ptr<Node>> nodes; // video source nodes, by global id
    std::unique_ptr<QSocketNotifier> notifier;
    QFileSystemWatcher socketWatcher;
    QTimer reconnectTimer; // a zero-time hop out of PipeWire's callbacks
    QString socket;
    std::function<void()> changeHandler;

    Private()
    {
        initialiseLibrary();
        loop = pw_loop_new(nullptr);
        if (!loop) {
            qCWarning(lcPipeWire) << "cannot make a PipeWire loop:" << std::strerror(errno);
            return;
        }
        // No configuration file: of the modules a client's configuration loads, following the
        // registry needs only the native protocol, and the others cost memory for nothing.
        context = pw_context_new(loop, pw_properties_new(PW_KEY_CONFIG_NAME, "null", nullptr), 0);
        if (context && !pw_context_load_module(context, "libpipewire-module-protocol-native", nullptr, nullptr)) {
            qCWarning(lcPipeWire) << "cannot load PipeWire's native protocol:" << std::strerror(errno);
            pw_context_destroy(context);
            context = nullptr;
        }
        notifier = std::make_unique<QSocketNotifier>(pw_loop_get_fd(loop), QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, [this] { dispatch(); });
        reconnectTimer.setSingleShot(true);
        reconnectTimer.setInterval(0);
        QObject::connect(&reconnectTimer, &QTimer::timeout, [this] {
            const bool hadSources = !nodes.empty();
            disconnect();
            connect();
            if (hadSources) {
                changed();
            }
        });
        QObject::connect(&socketWatcher, &QFileSystemWatcher::directoryChanged, [this] {
            if (!core && QFileInfo::exists(socket)) {
                connect();
            }
        });
        socket = pipeWireSocketPath();
        connect();
    }

    // The library keeps its set-up for the life of the process (clients in one process share it).
    // PipeWire's own log level is set here, before its first message.
    static void initialiseLibrary()
    {
        static const bool initialised = [] {
            pw_init(nullptr, nullptr);
            // The library prints its own warnings (no modules from the configuration, no real-time
            // scheduling) to standard error, into the session's log at every login. Quiet unless
            // diagnostics are on or the user asked the library itself (PIPEWIRE_DEBUG).
            if (!lcPipeWire().isWarningEnabled() && !qEnvironmentVariableIsSet("PIPEWIRE_DEBUG")) {
                pw_log_set_level(SPA_LOG_LEVEL_NONE);
            }
            return true;
        }();
        Q_UNUSED(initialised);
    }

    ~Private()
    {
        disconnect();
        notifier.reset();
        if (context) {
            pw_context_destroy(context);
        }
        if (loop) {
            pw_loop_destroy(loop);
        }
    }

    Private(const Private &) = delete;
    Private &operator=(const Private &) = delete;

    void changed() const
    {
        if (changeHandler) {
            changeHandler();
        }
    }

    void dispatch()
    {
        pw_loop_enter(loop);
        pw_loop_iterate(loop, 0);
        pw_loop_leave(loop);
    }

    void connect()
    {
        if (!context || core) {
            return;
        }
        core = pw_context_connect(context, nullptr, 0);
        if (!core) {
            qCInfo(lcPipeWire) << "no PipeWire daemon:" << std::strerror(errno);
            watchForSocket();
            return;
        }
        if (!socketWatcher.directories().isEmpty()) {
            socketWatcher.removePaths(socketWatcher.directories());
        }
        static const pw_core_events coreEvents = [] {
            pw_core_events events{};
            events.version = PW_VERSION_CORE_EVENTS;
            events.error = &Private::onCoreError;
            return events;
        }();
        pw_core_add_listener(core, &coreListener, &coreEvents, this);
        registry = pw_core_get_registry(core, PW_VERSION_REGISTRY, 0);
        static const pw_registry_events registryEvents = [] {
            pw_registry_events events{};
            events.version = PW_VERSION_REGISTRY_EVENTS;
            events.global = &Private::onGlobal;
            events.global_remove = &Private::onGlobalRemove;
            return events;
        }();
        pw_registry_add_listener(registry, &registryListener, &registryEvents, this);
        qCInfo(lcPipeWire) << "following the PipeWire graph";
    }

    void disconnect()
    {
        for (auto &[id, node] : nodes) {
            spa_hook_remove(&node->listener);
            pw_proxy_destroy(node->proxy);
        }
        nodes.clear();
        if (registry) {
            spa_hook_remove(&registryListener);
            pw_proxy_destroy(reinterpret_cast<pw_proxy *>(registry));
            registry = nullptr;
        }
        if (core) {
            spa_hook_remove(&coreListener);
            pw_core_disconnect(core);
            core = nullptr;
        }
    }

    // Waits for the daemon's socket to appear: the folder that holds it raises a notification.
    void watchForSocket()
    {
        const QString folder = QFileInfo(socket).absolutePath();
        if (!socket.isEmpty() && QFileInfo(folder).isDir() && !socketWatcher.directories().contains(folder)) {
            socketWatcher.addPath(folder);
        }
    }

    static void onCoreError(void *data, std::uint32_t id, int, int res, const char *message)
    {
        auto *self = static_cast<Private *>(data);
        if (id == PW_ID_CORE && res == -EPIPE) {
            // The daemon went away. Tearing the connection down from inside its own callback is
            // not allowed; the timer does it next, and connects again if a daemon is there.
            qCInfo(lcPipeWire) << "lost the PipeWire daemon:" << message;
            self->reconnectTimer.start();
            self->watchForSocket();
        }
    }

    static void onGlobal(void *data, std::uint32_t id, std::uint32_t, const char *type, std::uint32_t,
                         const spa_dict *props)
    {
        auto *self = static_cast<Private *>(data);
        if (std::strcmp(type, PW_TYPE_INTERFACE_Node) != 0 || !props) {
            return;
        }
        const char *mediaClass = spa_dict_lookup(props, PW_KEY_MEDIA_CLASS);
        if (!mediaClass || std::strcmp(mediaClass, "Video/Source") != 0) {
            return;
        }
        auto node = std::make_unique<Node>();
        node->owner = self;
        node->id = id;
        node->proxy = static_cast<pw_proxy *>(pw_registry_bind(self->registry, id, type, PW_VERSION_NODE, 0));
        if (!node->proxy) {
            return;
        }
        node->source.name = lookup(props, PW_KEY_NODE_NAME);
        if (node->source.name.empty()) {
            node->source.name = std::to_string(id);
        }
        node->source.mediaRole = lookup(props, PW_KEY_MEDIA_ROLE);
        node->source.deviceApi = lookup(props, PW_KEY_DEVICE_API);
        static const pw_node_events nodeEvents = [] {
            pw_node_events events{};
            events.version = PW_VERSION_NODE_EVENTS;
            events.info = &Private::onNodeInfo;
            return events;
        }();
        pw_node_add_listener(reinterpret_cast<pw_node *>(node->proxy), &node->listener, &nodeEvents, node.get());
        if (auto old = self->nodes.find(id); old != self->nodes.end()) {
            spa_hook_remove(&old->second->listener);
            pw_proxy_destroy(old->second->proxy);
        }
        self->nodes[id] = std::move(node);
        self->changed();
    }

    static void onGlobalRemove(void *data, std::uint32_t id)
    {
        auto *self = static_cast<Private *>(data);
        if (auto found = self->nodes.find(id); found != self->nodes.end()) {
            spa_hook_remove(&found->second->listener);
            pw_proxy_destroy(found->second->proxy);
            self->nodes.erase(found);
            self->changed();
        }
    }

    // The node's full properties arrive with its first info, its state with every change.
    static void onNodeInfo(void *data, const pw_node_info *info)
    {
        auto *node = static_cast<Node *>(data);
        if (info->change_mask & PW_NODE_CHANGE_MASK_PROPS) {
            // The registry's announcement carries only some properties; the full set fills gaps.
            for (auto [key, field] : {std::pair(PW_KEY_MEDIA_ROLE, &PipeWireVideoSource::mediaRole),
                                      std::pair(PW_KEY_DEVICE_API, &PipeWireVideoSource::deviceApi)}) {
                if (std::string value = lookup(info->props, key); !value.empty()) {
                    node->source.*field = std::move(value);
                }
            }
        }
        if (info->change_mask & PW_NODE_CHANGE_MASK_STATE) {
            node->source.running = info->state == PW_NODE_STATE_RUNNING;
        }
        if (info->change_mask & (PW_NODE_CHANGE_MASK_PROPS | PW_NODE_CHANGE_MASK_STATE)) {
            node->owner->changed();
        }
    }
};

PipeWireGraphConnection::PipeWireGraphConnection() : d(std::make_unique<Private>()) {}

PipeWireGraphConnection::~PipeWireGraphConnection() = default;

std::vector<PipeWireVideoSource> PipeWireGraphConnection::videoSources() const
{
    std::vector<PipeWireVideoSource> result;
    result.reserve(d->nodes.size());
    for (const auto &[id, node] : d->nodes) {
        result.push_back(node->source);
    }
    return result;
}

bool PipeWireGraphConnection::isConnected() const
{
    return d->core != nullptr;
}

void PipeWireGraphConnection::setChangeHandler(std::function<void()> handler)
{
    d->changeHandler = std::move(handler);
}
