#pragma once

#include <QString>

#include <memory>

class HidBus;
class TriggerListener;

// The concrete backends of the ports, chosen once at start-up. Only the composition root uses this.
namespace Backends {

// The socket bus in $KESTRIX_DEVICE_BUS when it names a folder, else hidraw through udev.
std::unique_ptr<HidBus> makeHidBus();

// The Unix-domain socket the trigger server listens on.
std::unique_ptr<TriggerListener> makeTriggerListener();

} // namespace Backends
