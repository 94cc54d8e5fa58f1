#pragma once

#include "device/Bytes.h"

#include <cstdint>
#include <optional>

// The usage page and usage of a HID interface's first top-level collection: what the interface
// is for (a keyboard is 0x01/0x06, the Dorvel's raw report channel 0xFF60/0x61).
struct HidTopLevelUsage {
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;

    friend bool operator==(const HidTopLevelUsage &, const HidTopLevelUsage &) = default;
};

// Reads a report descriptor as the kernel exposes it and returns the usage in effect at its first
// Collection item. Absent when the descriptor has no collection, the collection carries no usage,
// or an item runs past the end or pops more global state than it pushed. Never reads outside
// `descriptor`, whatever its contents.
std::optional<HidTopLevelUsage> parseTopLevelUsage(ByteView descriptor);
