#pragma once

#include "device/HidBus.h"

#include <optional>
#include <string_view>

// Packs a USB device's port path as the kernel names it in sysfs ("1-2.3": bus 1, then ports 2
// and 3 from the root hub down) into a LocationID: the bus number in bits 24..31, then one
// nibble per port from bits 20..23 downward, so "1-2.3" is 0x01230000.
// Absent when the name is not such a path (a root hub "usb1", an interface "1-2:1.0"), the bus
// is 0 or above 255, a port is 0 or above 15, or there are more than six ports: such a location
// could not be told apart from another.
std::optional<LocationID> packUsbLocation(std::string_view portPath);
