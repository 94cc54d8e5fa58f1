#pragma once

#include <memory>

struct pa_mainloop_api;

// libpulse's main loop interface on top of the Qt event loop of the creating thread: io events
// are socket notifiers, time and deferred events are timers. It needs no particular event
// dispatcher, so it works the same whether Qt runs on GLib's loop or on its own, and every libpulse
// callback arrives on this thread like any other Qt event.
//
// Every context made with api() must be freed before the main loop. quit() is ignored: the loop
// belongs to Qt.
class QtPulseMainloop {
public:
    QtPulseMainloop();
    ~QtPulseMainloop();
    QtPulseMainloop(const QtPulseMainloop &) = delete;
    QtPulseMainloop &operator=(const QtPulseMainloop &) = delete;

    pa_mainloop_api *api();

    struct State;

private:
    std::unique_ptr<State> d;
};
