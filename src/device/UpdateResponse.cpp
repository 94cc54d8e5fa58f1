#include "device/UpdateResponse.h"

#include "device/Dorvel.h"

std::optional<UpdateResponse> UpdateResponse::fromBytes(ByteView bytes)
{
    if (bytes.size() < 5 || bytes[0] != Dorvel::firmwareUpdateCommand) {
        return std::nullopt;
    }
    const auto status = fromRaw<UpdateStatus>(bytes[2]);
    if (!status) {
        return std::nullopt;
    }
    UpdateResponse r{bytes[1], *status, 0};
    if (*status == UpdateStatus::badSequence) {
        r.expectedSequence = static_cast<std::uint16_t>(bytes[3] | (bytes[4] << 8));
    }
    return r;
}
