#include "platform/linux/audio/PulseAudioInput.h"

#include <QLoggingCategory>

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/introspect.h>
#include <pulse/operation.h>
#include <pulse/proplist.h>
#include <pulse/subscribe.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace {
// Off unless enabled through QT_LOGGING_RULES: the application keeps no log.
Q_LOGGING_CATEGORY(lcPulse, "kestrix.signals.mic", QtCriticalMsg)

constexpr auto subscriptionMask = pa_subscription_mask_t(
    PA_SUBSCRIPTION_MASK_SOURCE | PA_SUBSCRIPTION_MASK_SOURCE_OUTPUT | PA_SUBSCRIPTION_MASK_SERVER);

// The placeholder some servers report instead of a real default.
constexpr std::string_view defaultSourcePlaceholder = "@DEFAULT_SOURCE@";

void release(pa_operation *operation)
{
    if (operation) {
        pa_operation_unref(operation);
    }
}

bool equals(const char *text, std::string_view expected)
{
    return text && std::string_view(text) == expected;
}

// A mixer's level meter records with PA_STREAM_PEAK_DETECT, which pa_source_output_info does not
// carry as a flag. PulseAudio serves such a stream with its "peaks" resampler and reports that as
// the resample method; PipeWire's server marks the stream as a monitor in its properties instead.
bool isLevelMeter(const pa_source_output_info &info)
{
    return equals(info.resample_method, "peaks") ||
           (info.proplist && equals(pa_proplist_gets(info.proplist, "stream.monitor"), "true"));
}
} // namespace

struct PulseAudioInput::Callbacks {
    static PulseAudioInput *owner(pa_context *c, void *userdata)
    {
        auto *self = static_cast<PulseAudioInput *>(userdata);
        return c == self->m_context.get() ? self : nullptr;
    }

    static void state(pa_context *c, void *userdata)
    {
        auto *self = owner(c, userdata);
        if (!self) {
            return;
        }
        switch (pa_context_get_state(c)) {
        case PA_CONTEXT_READY:
            self->onReady();
            break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            qCDebug(lcPulse) << "no sound server connection:" << pa_strerror(pa_context_errno(c));
            self->onLost();
            break;
        default:
            break;
        }
    }

    static void event(pa_context *c, pa_subscription_event_type_t type, std::uint32_t index, void *userdata)
    {
        auto *self = owner(c, userdata);
        if (!self) {
            return;
        }
        const auto facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
        const bool removed = (type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_REMOVE;
        switch (facility) {
        case PA_SUBSCRIPTION_EVENT_SOURCE:
            if (removed) {
                self->sourceRemoved(index);
            } else {
                release(pa_context_get_source_info_by_index(c, index, &Callbacks::source, self));
            }
            break;
        case PA_SUBSCRIPTION_EVENT_SOURCE_OUTPUT:
            if (removed) {
                self->recordingRemoved(index);
            } else {
                release(pa_context_get_source_output_info(c, index, &Callbacks::recording, self));
            }
            break;
        case PA_SUBSCRIPTION_EVENT_SERVER:
            release(pa_context_get_server_info(c, &Callbacks::server, self));
            break;
        default:
            break;
        }
    }

    static void server(pa_context *c, const pa_server_info *info, void *userdata)
    {
        auto *self = owner(c, userdata);
        if (self && info) {
            self->serverDefaultUpdated(info->default_source_name ? info->default_source_name : "");
        }
    }

    // eol < 0: the source vanished before the answer; its removal event follows or came first.
    static void source(pa_context *c, const pa_source_info *info, int eol, void *userdata)
    {
        auto *self = owner(c, userdata);
        if (self && eol == 0 && info) {
            self->sourceUpdated(info->index, Source{info->name ? info->name : "", info->mute != 0,
                                                    info->monitor_of_sink != PA_INVALID_INDEX});
        }
    }

    static void recording(pa_context *c, const pa_source_output_info *info, int eol, void *userdata)
    {
        auto *self = owner(c, userdata);
        if (self && eol == 0 && info) {
            const bool counts = !info->corked && info->client != self->m_ownClient && !isLevelMeter(*info);
            self->recordingUpdated(info->index, Recording{info->source, counts});
        }
    }

    static void initialServer(pa_context *c, const pa_server_info *info, void *userdata)
    {
        server(c, info, userdata);
        if (auto *self = owner(c, userdata)) {
            self->initialReadDone();
        }
    }

    static void initialSource(pa_context *c, const pa_source_info *info, int eol, void *userdata)
    {
        source(c, info, eol, userdata);
        auto *self = owner(c, userdata);
        if (self && eol != 0) {
            self->initialReadDone();
        }
    }

    static void initialRecording(pa_context *c, const pa_source_output_info *info, int eol, void *userdata)
    {
        recording(c, info, eol, userdata);
        auto *self = owner(c, userdata);
        if (self && eol != 0) {
            self->initialReadDone();
        }
    }
};

void PulseAudioInput::ContextDeleter::operator()(pa_context *c) const
{
    // No callback may reach the owner while it lets go; pending operations are cancelled with the
    // context.
    pa_context_set_state_callback(c, nullptr, nullptr);
    pa_context_set_subscribe_callback(c, nullptr, nullptr);
    pa_context_disconnect(c);
    pa_context_unref(c);
}

PulseAudioInput::PulseAudioInput(QObject *parent) : PulseAudioInput(ReconnectDelays{}, parent) {}

PulseAudioInput::PulseAudioInput(ReconnectDelays delays, QObject *parent)
    : AudioInput(parent), m_delays(delays), m_nextDelay(delays.first)
{
    m_reconnectTimer.setSingleShot(true);
    connect(&m_reconnectTimer, &QTimer::timeout, this, &PulseAudioInput::connectToServer);
}

PulseAudioInput::~PulseAudioInput()
{
    m_context.reset();
}

void PulseAudioInput::start()
{
    if (m_started) {
        return;
    }
    m_started = true;
    connectToServer();
}

void PulseAudioInput::connectToServer()
{
    // The previous context, if any, has failed; it is let go here rather than in its own callback.
    m_context.reset();
    pa_context *c = pa_context_new(m_mainloop.api(), "Kestrix");
    if (!c) {
        scheduleReconnect();
        return;
    }
    m_context.reset(c);
    pa_context_set_state_callback(c, &Callbacks::state, this);
    // A failure here may also have passed through the state callback; a try is scheduled once.
    if (pa_context_connect(c, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        scheduleReconnect();
    }
}

void PulseAudioInput::scheduleReconnect()
{
    if (m_reconnectTimer.isActive()) {
        return;
    }
    m_reconnectTimer.start(m_nextDelay);
    m_nextDelay = std::min(m_nextDelay * 2, std::max(m_delays.max, m_delays.first));
}

void PulseAudioInput::onReady()
{
    pa_context *c = m_context.get();
    m_nextDelay = m_delays.first;
    m_ownClient = pa_context_get_index(c);
    pa_context_set_subscribe_callback(c, &Callbacks::event, this);
    // Subscribing first: a change between the reads below and the subscription is not lost, it is
    // merely read twice.
    release(pa_context_subscribe(c, subscriptionMask, nullptr, nullptr));
    m_pendingInitialReads = 3;
    pa_operation *reads[] = {pa_context_get_server_info(c, &Callbacks::initialServer, this),
                             pa_context_get_source_info_list(c, &Callbacks::initialSource, this),
                             pa_context_get_source_output_info_list(c, &Callbacks::initialRecording, this)};
    for (pa_operation *op : reads) {
        if (op) {
            pa_operation_unref(op);
        } else {
            initialReadDone();
        }
    }
}

void PulseAudioInput::initialReadDone()
{
    if (m_synced || m_pendingInitialReads == 0 || --m_pendingInitialReads > 0) {
        return;
    }
    updateDefault();
    updateRunning();
    m_synced = true;
    qCInfo(lcPulse) << "following the sound server; default input:" << m_default;
    Q_EMIT connectedChanged(true);
    Q_EMIT defaultInputDeviceChanged();
}

void PulseAudioInput::onLost()
{
    const bool wasSynced = m_synced;
    m_synced = false;
    m_pendingInitialReads = 0;
    m_sources.clear();
    m_recordings.clear();
    m_serverDefault.clear();
    m_default.clear();
    m_running.clear();
    if (wasSynced) {
        qCInfo(lcPulse) << "lost the sound server; trying again";
        Q_EMIT connectedChanged(false);
    }
    scheduleReconnect();
}

void PulseAudioInput::sourceUpdated(std::uint32_t index, Source source)
{
    auto it = m_sources.find(index);
    const bool muteFlipped =
        it != m_sources.end() && it->second.name == source.name && it->second.muted != source.muted;
    const QString name = QString::fromStdString(source.name);
    m_sources[index] = std::move(source);
    if (!m_synced) {
        return;
    }
    if (muteFlipped) {
        Q_EMIT muteChanged(name);
    }
    updateDefault();
    updateRunning();
}

void PulseAudioInput::sourceRemoved(std::uint32_t index)
{
    if (m_sources.erase(index) > 0 && m_synced) {
        updateDefault();
        updateRunning();
    }
}

void PulseAudioInput::recordingUpdated(std::uint32_t index, Recording recording)
{
    m_recordings[index] = recording;
    if (m_synced) {
        updateRunning();
    }
}

void PulseAudioInput::recordingRemoved(std::uint32_t index)
{
    if (m_recordings.erase(index) > 0 && m_synced) {
        updateRunning();
    }
}

void PulseAudioInput::serverDefaultUpdated(std::string name)
{
    m_serverDefault = std::move(name);
    if (m_synced) {
        updateDefault();
    }
}

void PulseAudioInput::updateDefault()
{
    QString current;
    if (!m_serverDefault.empty() && m_serverDefault != defaultSourcePlaceholder) {
        const auto it = std::find_if(m_sources.begin(), m_sources.end(),
                                     [&](const auto &entry) { return entry.second.name == m_serverDefault; });
        if (it != m_sources.end() && !it->second.isMonitor) {
            current = QString::fromStdString(m_serverDefault);
        }
    }
    if (current == m_default) {
        return;
    }
    m_default = current;
    if (m_synced) {
        Q_EMIT defaultInputDeviceChanged();
    }
}

void PulseAudioInput::updateRunning()
{
    std::map<std::string, bool> running;
    for (const auto &[index, source] : m_sources) {
        running[source.name] = isSourceRunning(index);
    }
    std::vector<QString> changed;
    if (m_synced) {
        for (const auto &[name, isRunning] : running) {
            const auto before = m_running.find(name);
            if ((before != m_running.end() && before->second) != isRunning) {
                changed.push_back(QString::fromStdString(name));
            }
        }
    }
    m_running = std::move(running);
    for (const QString &name : changed) {
        Q_EMIT runningChanged(name);
    }
}

const PulseAudioInput::Source *PulseAudioInput::sourceNamed(const QString &name) const
{
    const std::string wanted = name.toStdString();
    for (const auto &[index, source] : m_sources) {
        if (source.name == wanted) {
            return &source;
        }
    }
    return nullptr;
}

bool PulseAudioInput::isSourceRunning(std::uint32_t index) const
{
    return std::any_of(m_recordings.begin(), m_recordings.end(),
                       [index](const auto &entry) { return entry.second.counts && entry.second.source == index; });
}

QString PulseAudioInput::defaultInputDevice() const
{
    return m_synced ? m_default : QString();
}

std::optional<bool> PulseAudioInput::isMuted(const QString &device) const
{
    const Source *source = m_synced ? sourceNamed(device) : nullptr;
    if (!source) {
        return std::nullopt;
    }
    return source->muted;
}

std::optional<bool> PulseAudioInput::isRunning(const QString &device) const
{
    const std::string wanted = device.toStdString();
    const auto it = std::find_if(m_sources.begin(), m_sources.end(),
                                 [&](const auto &entry) { return entry.second.name == wanted; });
    if (!m_synced || it == m_sources.end()) {
        return std::nullopt;
    }
    return isSourceRunning(it->first);
}

void PulseAudioInput::setMuted(const QString &device, bool muted)
{
    if (!m_synced || !sourceNamed(device)) {
        return;
    }
    release(pa_context_set_source_mute_by_name(m_context.get(), device.toUtf8().constData(), muted ? 1 : 0, nullptr,
                                               nullptr));
}
