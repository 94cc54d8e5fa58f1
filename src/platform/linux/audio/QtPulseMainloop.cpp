#include "platform/linux/audio/QtPulseMainloop.h"

#include <QLoggingCategory>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <pulse/mainloop-api.h>
#include <pulse/rtclock.h>
#include <pulse/timeval.h>

#include <algorithm>
#include <limits>
#include <vector>

namespace {
// Off unless enabled through QT_LOGGING_RULES: the application keeps no log.
Q_LOGGING_CATEGORY(lcPulseLoop, "kestrix.signals.mic.mainloop", QtCriticalMsg)

// libpulse marks a timeval that holds monotonic (pa_rtclock) time rather than wall-clock time by
// setting this bit in tv_usec; every main loop implementation has to honour it.
constexpr suseconds_t rtclockFlag = suseconds_t(1) << 30;

// How long from now until `when`, rounded up to whole milliseconds so that a timer never fires
// before its time and has to be re-armed.
int millisecondsUntil(const timeval &when)
{
    timeval target = when;
    pa_usec_t now = 0;
    if (target.tv_usec & rtclockFlag) {
        target.tv_usec &= ~rtclockFlag;
        now = pa_rtclock_now();
    } else {
        timeval wall{};
        pa_gettimeofday(&wall);
        now = pa_timeval_load(&wall);
    }
    const pa_usec_t due = pa_timeval_load(&target);
    if (due <= now) {
        return 0;
    }
    const pa_usec_t ms = (due - now + PA_USEC_PER_MSEC - 1) / PA_USEC_PER_MSEC;
    return static_cast<int>(std::min<pa_usec_t>(ms, std::numeric_limits<int>::max()));
}
} // namespace

struct QtPulseMainloop::State {
    pa_mainloop_api api{};
    QObject context; // receiver of the notifiers' and timers' connections, and of queued clean-ups
    std::vector<std::unique_ptr<pa_io_event>> ioEvents;
    std::vector<std::unique_ptr<pa_time_event>> timeEvents;
    std::vector<std::unique_ptr<pa_defer_event>> deferEvents;
    // Events freed by libpulse, perhaps from within their own callback: they are deleted once
    // control is back in the event loop, never while Qt may still be delivering to them.
    std::vector<std::unique_ptr<pa_io_event>> freedIo;
    std::vector<std::unique_ptr<pa_time_event>> freedTime;
    std::vector<std::unique_ptr<pa_defer_event>> freedDefer;
    bool collectQueued = false;

    template <typename Event>
    void retire(std::vector<std::unique_ptr<Event>> &live, std::vector<std::unique_ptr<Event>> &freed, Event *e)
    {
        const auto it =
            std::find_if(live.begin(), live.end(), [e](const std::unique_ptr<Event> &p) { return p.get() == e; });
        if (it == live.end()) {
            return;
        }
        freed.push_back(std::move(*it));
        live.erase(it);
        if (!collectQueued) {
            collectQueued = true;
            QMetaObject::invokeMethod(
                &context, [this] { collect(); }, Qt::QueuedConnection);
        }
    }

    void collect();
};

struct pa_io_event {
    QtPulseMainloop::State *state = nullptr;
    int fd = -1;
    pa_io_event_cb_t callback = nullptr;
    pa_io_event_destroy_cb_t destroy = nullptr;
    void *userdata = nullptr;
    bool freed = false;
    QSocketNotifier read{QSocketNotifier::Read};
    QSocketNotifier write{QSocketNotifier::Write};

    void deliver(pa_io_event_flags_t what)
    {
        if (!freed) {
            callback(&state->api, this, fd, what, userdata);
        }
    }
};

struct pa_time_event {
    QtPulseMainloop::State *state = nullptr;
    pa_time_event_cb_t callback = nullptr;
    pa_time_event_destroy_cb_t destroy = nullptr;
    void *userdata = nullptr;
    bool freed = false;
    timeval when{};
    QTimer timer;

    void arm(const timeval *tv)
    {
        if (!tv) {
            timer.stop();
            return;
        }
        when = *tv;
        timer.start(millisecondsUntil(when));
    }
};

struct pa_defer_event {
    QtPulseMainloop::State *state = nullptr;
    pa_defer_event_cb_t callback = nullptr;
    pa_defer_event_destroy_cb_t destroy = nullptr;
    void *userdata = nullptr;
    bool freed = false;
    // Zero-interval: runs once per pass of the event loop while enabled, as libpulse expects.
    QTimer timer;
};

void QtPulseMainloop::State::collect()
{
    collectQueued = false;
    freedIo.clear();
    freedTime.clear();
    freedDefer.clear();
}

namespace {
QtPulseMainloop::State *stateOf(pa_mainloop_api *api)
{
    return static_cast<QtPulseMainloop::State *>(api->userdata);
}

void applyIoFlags(pa_io_event *e, pa_io_event_flags_t events)
{
    e->read.setEnabled(!e->freed && (events & PA_IO_EVENT_INPUT));
    e->write.setEnabled(!e->freed && (events & PA_IO_EVENT_OUTPUT));
}

pa_io_event *ioNew(pa_mainloop_api *api, int fd, pa_io_event_flags_t events, pa_io_event_cb_t cb, void *userdata)
{
    auto *state = stateOf(api);
    auto e = std::make_unique<pa_io_event>();
    e->state = state;
    e->fd = fd;
    e->callback = cb;
    e->userdata = userdata;
    e->read.setSocket(fd);
    e->write.setSocket(fd);
    pa_io_event *raw = e.get();
    // A hang-up or error wakes the read notifier; libpulse learns of it from the read that follows.
    QObject::connect(&e->read, &QSocketNotifier::activated, &state->context,
                     [raw] { raw->deliver(PA_IO_EVENT_INPUT); });
    QObject::connect(&e->write, &QSocketNotifier::activated, &state->context,
                     [raw] { raw->deliver(PA_IO_EVENT_OUTPUT); });
    applyIoFlags(raw, events);
    state->ioEvents.push_back(std::move(e));
    return raw;
}

void ioEnable(pa_io_event *e, pa_io_event_flags_t events)
{
    applyIoFlags(e, events);
}

void ioFree(pa_io_event *e)
{
    if (e->freed) {
        return;
    }
    e->freed = true;
    e->read.setEnabled(false);
    e->write.setEnabled(false);
    if (e->destroy) {
        e->destroy(&e->state->api, e, e->userdata);
    }
    e->state->retire(e->state->ioEvents, e->state->freedIo, e);
}

void ioSetDestroy(pa_io_event *e, pa_io_event_destroy_cb_t cb)
{
    e->destroy = cb;
}

pa_time_event *timeNew(pa_mainloop_api *api, const timeval *tv, pa_time_event_cb_t cb, void *userdata)
{
    auto *state = stateOf(api);
    auto e = std::make_unique<pa_time_event>();
    e->state = state;
    e->callback = cb;
    e->userdata = userdata;
    e->timer.setSingleShot(true);
    e->timer.setTimerType(Qt::PreciseTimer);
    pa_time_event *raw = e.get();
    QObject::connect(&e->timer, &QTimer::timeout, &state->context, [raw] {
        if (!raw->freed) {
            const timeval when = raw->when;
            raw->callback(&raw->state->api, raw, &when, raw->userdata);
        }
    });
    raw->arm(tv);
    state->timeEvents.push_back(std::move(e));
    return raw;
}

void timeRestart(pa_time_event *e, const timeval *tv)
{
    if (!e->freed) {
        e->arm(tv);
    }
}

void timeFree(pa_time_event *e)
{
    if (e->freed) {
        return;
    }
    e->freed = true;
    e->timer.stop();
    if (e->destroy) {
        e->destroy(&e->state->api, e, e->userdata);
    }
    e->state->retire(e->state->timeEvents, e->state->freedTime, e);
}

void timeSetDestroy(pa_time_event *e, pa_time_event_destroy_cb_t cb)
{
    e->destroy = cb;
}

pa_defer_event *deferNew(pa_mainloop_api *api, pa_defer_event_cb_t cb, void *userdata)
{
    auto *state = stateOf(api);
    auto e = std::make_unique<pa_defer_event>();
    e->state = state;
    e->callback = cb;
    e->userdata = userdata;
    e->timer.setInterval(0);
    pa_defer_event *raw = e.get();
    QObject::connect(&e->timer, &QTimer::timeout, &state->context, [raw] {
        if (!raw->freed) {
            raw->callback(&raw->state->api, raw, raw->userdata);
        }
    });
    // A new deferred event starts enabled.
    e->timer.start();
    state->deferEvents.push_back(std::move(e));
    return raw;
}

void deferEnable(pa_defer_event *e, int enable)
{
    if (e->freed || !enable) {
        e->timer.stop();
    } else if (!e->timer.isActive()) {
        e->timer.start();
    }
}

void deferFree(pa_defer_event *e)
{
    if (e->freed) {
        return;
    }
    e->freed = true;
    e->timer.stop();
    if (e->destroy) {
        e->destroy(&e->state->api, e, e->userdata);
    }
    e->state->retire(e->state->deferEvents, e->state->freedDefer, e);
}

void deferSetDestroy(pa_defer_event *e, pa_defer_event_destroy_cb_t cb)
{
    e->destroy = cb;
}

void quit(pa_mainloop_api *, int retval)
{
    qCDebug(lcPulseLoop) << "libpulse asked the main loop to quit with" << retval << "- ignored";
}
} // namespace

QtPulseMainloop::QtPulseMainloop() : d(std::make_unique<State>())
{
    d->api.userdata = d.get();
    d->api.io_new = ioNew;
    d->api.io_enable = ioEnable;
    d->api.io_free = ioFree;
    d->api.io_set_destroy = ioSetDestroy;
    d->api.time_new = timeNew;
    d->api.time_restart = timeRestart;
    d->api.time_free = timeFree;
    d->api.time_set_destroy = timeSetDestroy;
    d->api.defer_new = deferNew;
    d->api.defer_enable = deferEnable;
    d->api.defer_free = deferFree;
    d->api.defer_set_destroy = deferSetDestroy;
    d->api.quit = quit;
}

QtPulseMainloop::~QtPulseMainloop()
{
    if (!d->ioEvents.empty() || !d->timeEvents.empty() || !d->deferEvents.empty()) {
        qCWarning(lcPulseLoop) << "main loop destroyed while libpulse still holds events";
    }
}

pa_mainloop_api *QtPulseMainloop::api()
{
    return &d->api;
}
