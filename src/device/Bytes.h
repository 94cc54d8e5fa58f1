#pragma once

#include <cstdint>
#include <span>
#include <vector>

// An ordered list of unsigned bytes: a report sent to the device or a reply read from it.
using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;
