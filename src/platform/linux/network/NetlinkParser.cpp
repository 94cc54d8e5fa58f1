#include "platform/linux/network/NetlinkParser.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include <net/if.h>

#include <linux/if_arp.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>

// The walk below does by hand what NLMSG_OK/NLMSG_NEXT and RTA_OK/RTA_NEXT do, with every length
// checked against the bytes that are really there, and every header copied out with memcpy: the
// bytes of a test need not be aligned, and the macros' casts are not allowed here.

namespace {
constexpr std::size_t align4(std::size_t length)
{
    return (length + 3) & ~std::size_t(3);
}

template <typename T>
T readAt(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    T value{};
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

// Calls visit(type, payload) for every well-formed attribute; stops at the first whose length is
// impossible, as nothing after it can be found reliably.
template <typename Visit>
void forEachAttribute(std::span<const std::uint8_t> bytes, Visit &&visit)
{
    std::size_t offset = 0;
    while (bytes.size() - offset >= sizeof(rtattr)) {
        const auto attribute = readAt<rtattr>(bytes, offset);
        if (attribute.rta_len < sizeof(rtattr) || attribute.rta_len > bytes.size() - offset) {
            return;
        }
        const auto payload = bytes.subspan(offset + sizeof(rtattr), attribute.rta_len - sizeof(rtattr));
        visit(static_cast<std::uint16_t>(attribute.rta_type & NLA_TYPE_MASK), payload);
        const std::size_t next = align4(attribute.rta_len);
        if (next >= bytes.size() - offset) {
            return;
        }
        offset += next;
    }
}

// A string attribute: up to its first NUL, or all of it when the NUL is missing.
std::string attributeString(std::span<const std::uint8_t> payload)
{
    const std::string_view text(reinterpret_cast<const char *>(payload.data()), payload.size());
    return std::string(text.substr(0, text.find('\0')));
}

std::optional<NetlinkLink> parseLink(std::span<const std::uint8_t> body)
{
    if (body.size() < sizeof(ifinfomsg)) {
        return std::nullopt;
    }
    const auto header = readAt<ifinfomsg>(body, 0);
    NetlinkLink link;
    link.index = header.ifi_index;
    link.type = header.ifi_type;
    link.flags = header.ifi_flags;
    const std::size_t attributesAt = align4(sizeof(ifinfomsg));
    if (attributesAt < body.size()) {
        forEachAttribute(
            body.subspan(attributesAt), [&link](std::uint16_t type, std::span<const std::uint8_t> payload) {
                if (type == IFLA_IFNAME) {
                    link.name = attributeString(payload);
                } else if (type == IFLA_LINKINFO) {
                    forEachAttribute(payload, [&link](std::uint16_t infoType, std::span<const std::uint8_t> info) {
                        if (infoType == IFLA_INFO_KIND) {
                            link.kind = attributeString(info);
                        }
                    });
                }
            });
    }
    if (link.index <= 0) {
        return std::nullopt;
    }
    return link;
}
} // namespace

NetlinkMessages parseNetlinkMessages(std::span<const std::uint8_t> datagram, std::uint32_t dumpSequence)
{
    NetlinkMessages result;
    std::size_t offset = 0;
    while (datagram.size() - offset >= sizeof(nlmsghdr)) {
        const auto header = readAt<nlmsghdr>(datagram, offset);
        if (header.nlmsg_len < sizeof(nlmsghdr) || header.nlmsg_len > datagram.size() - offset) {
            break;
        }
        const auto body = datagram.subspan(offset + align4(sizeof(nlmsghdr)), header.nlmsg_len - sizeof(nlmsghdr));
        const bool ofDump = header.nlmsg_seq == dumpSequence;
        switch (header.nlmsg_type) {
        case RTM_NEWLINK:
        case RTM_DELLINK:
            if (auto link = parseLink(body)) {
                const bool removed = header.nlmsg_type == RTM_DELLINK;
                // A removal is known by its index alone; anything else must say what it describes.
                if (removed || !link->name.empty()) {
                    result.links.push_back({removed, std::move(*link)});
                }
            }
            if (ofDump && (header.nlmsg_flags & NLM_F_DUMP_INTR)) {
                result.dumpInterrupted = true;
            }
            break;
        case RTM_NEWADDR:
        case RTM_DELADDR:
            result.addressesChanged = true;
            break;
        case NLMSG_DONE:
            if (ofDump) {
                result.dumpDone = true;
                result.dumpInterrupted = result.dumpInterrupted || (header.nlmsg_flags & NLM_F_DUMP_INTR);
            }
            break;
        case NLMSG_ERROR:
            if (ofDump && body.size() >= sizeof(int)) {
                const int error = readAt<int>(body, 0);
                if (error < 0) {
                    result.dumpError = -error;
                }
            }
            break;
        default:
            break;
        }
        const std::size_t next = align4(header.nlmsg_len);
        if (next >= datagram.size() - offset) {
            break;
        }
        offset += next;
    }
    return result;
}

bool isAvailable(const NetlinkLink &link)
{
    return (link.flags & IFF_UP) && (link.flags & IFF_RUNNING);
}

NetworkInterface describeLink(const NetlinkLink &link)
{
    // The kinds (IFLA_INFO_KIND) that VPN software makes for its traffic and little else does:
    // "tun" in tun mode (no hardware type; a tap is Ethernet), the device of userspace VPN clients;
    // "wireguard"; "ovpn" and "ovpn-dco", the kernel data channel of SSL VPN clients; "vti", "vti6"
    // and "xfrm", route-based IPsec.
    // Not counted: plain encapsulation ("gre", "ipip", "sit", "ip6tnl", "vxlan", ...), which
    // container networks, IPv6 transition and site links use without any VPN, and of which the
    // kernel makes fallback devices (gre0, tunl0) as soon as the module loads; and PPP and raw-IP
    // point-to-point links without a kind, which are DSL lines (PPPoE) and mobile-broadband modems
    // as often as VPNs. Only the network manager that made such a link can tell.
    static constexpr std::array<std::string_view, 6> vpnKinds{"wireguard", "ovpn", "ovpn-dco", "vti", "vti6", "xfrm"};
    const bool tunnel = link.kind == "tun" ? link.type == ARPHRD_NONE
                                           : std::find(vpnKinds.begin(), vpnKinds.end(), link.kind) != vpnKinds.end();
    return {QString::fromStdString(link.name), tunnel};
}
