#pragma once

#include "device/KeycodeMapping.h"

#include <functional>
#include <memory>

// The application-local key-down monitor. While an installation exists, every key press addressed
// to the application (any of its windows, menus or controls) is handed to its handler and goes no
// further, whether or not the key has a HID usage; presses in other applications are never seen.
// Main thread only.
class KeyEventMonitor {
public:
    // One installed handler; destroying it removes the monitor. May be destroyed from inside the
    // handler.
    class Installation {
    public:
        virtual ~Installation() = default;
    };
    using Handler = std::function<void(const HidKeyPress &)>;

    virtual ~KeyEventMonitor() = default;

    virtual std::unique_ptr<Installation> install(Handler handler) = 0;
};
