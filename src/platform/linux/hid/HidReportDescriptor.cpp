#include "platform/linux/hid/HidReportDescriptor.h"

#include <cstddef>
#include <vector>

namespace {
// Item types of a short item (bits 2..3 of its prefix).
constexpr unsigned mainItem = 0;
constexpr unsigned globalItem = 1;
constexpr unsigned localItem = 2;

// Tags (bits 4..7 of the prefix) of the items that matter here.
constexpr unsigned collectionTag = 0xA;
constexpr unsigned usagePageTag = 0x0;
constexpr unsigned pushTag = 0xA;
constexpr unsigned popTag = 0xB;
constexpr unsigned usageTag = 0x0;

constexpr std::uint8_t longItemPrefix = 0xFE;

// More nesting than any real descriptor uses; bounds the memory a hostile one can take.
constexpr std::size_t maxPushDepth = 32;

std::uint32_t littleEndian(ByteView data)
{
    std::uint32_t value = 0;
    for (std::size_t i = data.size(); i > 0; --i) {
        value = (value << 8) | data[i - 1];
    }
    return value;
}
} // namespace

std::optional<HidTopLevelUsage> parseTopLevelUsage(ByteView descriptor)
{
    std::uint16_t usagePage = 0;
    std::vector<std::uint16_t> pushedPages;
    // The first Usage item since the last main item: the one a Collection takes. Extended usages
    // bring their own page; others take the page in effect at the main item.
    std::optional<std::uint32_t> usage;
    bool usageIsExtended = false;

    std::size_t pos = 0;
    while (pos < descriptor.size()) {
        const std::uint8_t prefix = descriptor[pos];
        if (prefix == longItemPrefix) {
            // Long items: prefix, data size, tag, data. No standard item is long; skip them whole.
            if (descriptor.size() - pos < 3) {
                return std::nullopt;
            }
            const std::size_t size = descriptor[pos + 1];
            if (descriptor.size() - pos - 3 < size) {
                return std::nullopt;
            }
            pos += 3 + size;
            continue;
        }

        const std::size_t sizeCode = prefix & 0x3u;
        const std::size_t size = sizeCode == 3 ? 4 : sizeCode;
        if (descriptor.size() - pos - 1 < size) {
            return std::nullopt;
        }
        const ByteView data = descriptor.subspan(pos + 1, size);
        const unsigned type = (prefix >> 2) & 0x3u;
        const unsigned tag = prefix >> 4;
        pos += 1 + size;

        switch (type) {
        case mainItem:
            if (tag == collectionTag) {
                if (!usage) {
                    return std::nullopt;
                }
                const auto page = usageIsExtended ? static_cast<std::uint16_t>(*usage >> 16) : usagePage;
                return HidTopLevelUsage{page, static_cast<std::uint16_t>(*usage & 0xFFFFu)};
            }
            // Every main item ends the local state it consumed.
            usage.reset();
            usageIsExtended = false;
            break;
        case globalItem:
            if (tag == usagePageTag) {
                usagePage = static_cast<std::uint16_t>(littleEndian(data));
            } else if (tag == pushTag) {
                if (pushedPages.size() == maxPushDepth) {
                    return std::nullopt;
                }
                pushedPages.push_back(usagePage);
            } else if (tag == popTag) {
                if (pushedPages.empty()) {
                    return std::nullopt;
                }
                usagePage = pushedPages.back();
                pushedPages.pop_back();
            }
            break;
        case localItem:
            if (tag == usageTag && !usage) {
                usage = littleEndian(data);
                usageIsExtended = size == 4;
            }
            break;
        default: // reserved item type: skipped like any item whose meaning does not matter here
            break;
        }
    }
    return std::nullopt;
}
