#include "device/Dorvel.h"

#include <algorithm>

namespace Dorvel {

Bytes padded(ByteView bytes)
{
    Bytes report(reportLength, 0);
    std::copy_n(bytes.begin(), std::min(bytes.size(), reportLength), report.begin());
    return report;
}

Bytes flashDurationReport(std::uint16_t ms)
{
    const std::array<std::uint8_t, 4> head{ledCommand, Led::flashDuration, static_cast<std::uint8_t>(ms & 0xFF),
                                           static_cast<std::uint8_t>(ms >> 8)};
    return padded(head);
}

namespace {
void putLittleEndian32(std::uint8_t *out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}
} // namespace

Bytes buildUpdateStartReport(std::uint32_t totalSize, std::uint32_t crc32)
{
    std::array<std::uint8_t, 10> head{firmwareUpdateCommand, Update::start};
    putLittleEndian32(&head[2], totalSize);
    putLittleEndian32(&head[6], crc32);
    return padded(head);
}

namespace {
constexpr std::array<std::uint32_t, 256> makeCrcTable()
{
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) {
            c = (c & 1U) ? (0xEDB88320U ^ (c >> 1)) : (c >> 1);
        }
        table[n] = c;
    }
    return table;
}
constexpr auto crcTable = makeCrcTable();
} // namespace

std::uint32_t crc32(ByteView bytes)
{
    // Table-driven form of the bitwise algorithm; same results, eight times fewer steps.
    std::uint32_t crc = 0xFFFFFFFFU;
    for (std::uint8_t byte : bytes) {
        crc = crcTable[(crc ^ byte) & 0xFFU] ^ (crc >> 8);
    }
    return crc ^ 0xFFFFFFFFU;
}

Bytes ledEnabledReport(bool on)
{
    const std::array<std::uint8_t, 3> head{ledCommand, Led::enabled, on ? std::uint8_t{1} : std::uint8_t{0}};
    return padded(head);
}

Bytes ledModeReport(RGBMode mode)
{
    const std::array<std::uint8_t, 3> head{ledCommand, Led::mode, rawValue(mode)};
    return padded(head);
}

Bytes ledColorReport(std::uint8_t hue, std::uint8_t saturation, std::uint8_t value)
{
    const std::array<std::uint8_t, 5> head{ledCommand, Led::color, hue, saturation, value};
    return padded(head);
}

} // namespace Dorvel
