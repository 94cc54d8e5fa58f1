#pragma once

#include "device/Bytes.h"
#include "device/RawEnum.h"

#include <array>
#include <cstdint>
#include <optional>

// The status a device gives to a firmware-update report.
enum class UpdateStatus : std::uint8_t {
    ok = 0,
    tooLarge = 1,
    badSequence = 2,
    crcMismatch = 3,
    flashWriteFailed = 4,
    notStarted = 5,
    busy = 6,
    noPartitionTable = 7,
};

template <>
struct RawEnumTraits<UpdateStatus> {
    using enum UpdateStatus;
    static constexpr std::array allCases{ok,         tooLarge, badSequence,     crcMismatch, flashWriteFailed,
                                         notStarted, busy,     noPartitionTable};
};

// The reply to a firmware-update report: 0x03, sub-command, status, expected sequence (LE).
struct UpdateResponse {
    std::uint8_t subCommand = 0;
    UpdateStatus status = UpdateStatus::ok;
    std::uint16_t expectedSequence = 0; // read only when status is badSequence, else 0

    // No value when shorter than 5 bytes, byte 0 is not 0x03 or the status byte is 8 or more.
    static std::optional<UpdateResponse> fromBytes(ByteView bytes);

    friend bool operator==(const UpdateResponse &, const UpdateResponse &) = default;
};
