#pragma once

#include <QString>

#include <memory>

class HidBus;

// The concrete backends of the ports, chosen once at start-up. Only the composition root uses this.
namespace Backends {

// The socket bus in $KESTRIX_DEVICE_BUS when it names a folder, else hidraw through udev.
std::unique_ptr<HidBus> makeHidBus();

} // namespace Backends
