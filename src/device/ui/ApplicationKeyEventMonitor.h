#pragma once

#include "device/KeyEventMonitor.h"
#include "device/KeycodeMapping.h"

// The key-down monitor as an event filter on the application object, which sees every event sent
// to the application's objects on the main thread before their receivers do. Needs a
// QGuiApplication.
class ApplicationKeyEventMonitor : public KeyEventMonitor {
public:
    explicit ApplicationKeyEventMonitor(KeyboardConventions conventions = KeyboardConventions::running());

    std::unique_ptr<Installation> install(Handler handler) override;

private:
    KeyboardConventions m_conventions;
};
