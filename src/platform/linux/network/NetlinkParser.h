#pragma once

#include "signals/NetworkInterfaces.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// What an rtnetlink link message says about one interface.
struct NetlinkLink {
    int index = 0;
    std::string name;        // IFLA_IFNAME
    std::uint16_t type = 0;  // ARPHRD_*
    std::uint32_t flags = 0; // IFF_*, as the kernel reports them (IFF_RUNNING included)
    std::string kind;        // IFLA_INFO_KIND of the link's driver; empty when not given

    friend bool operator==(const NetlinkLink &, const NetlinkLink &) = default;
};

struct NetlinkLinkChange {
    bool removed = false; // RTM_DELLINK; otherwise RTM_NEWLINK (a dump entry or an event)
    NetlinkLink link;

    friend bool operator==(const NetlinkLinkChange &, const NetlinkLinkChange &) = default;
};

// What one datagram read from an rtnetlink socket holds, in order. Messages that are malformed
// (lengths that overrun the datagram or their own header, link messages without a name) are
// skipped; a length that makes further walking impossible ends the walk. Never reads outside the
// given bytes.
struct NetlinkMessages {
    std::vector<NetlinkLinkChange> links;
    bool addressesChanged = false;
    // The dump answering the request with the given sequence number ended (NLMSG_DONE).
    bool dumpDone = false;
    // A part of that dump was marked inconsistent (NLM_F_DUMP_INTR): the table changed during it.
    bool dumpInterrupted = false;
    // The request was refused: the positive errno of its NLMSG_ERROR. An acknowledgement (error 0)
    // is not reported.
    std::optional<int> dumpError;
};

NetlinkMessages parseNetlinkMessages(std::span<const std::uint8_t> datagram, std::uint32_t dumpSequence);

// An interface is available when it is administratively up (IFF_UP) and running (IFF_RUNNING). The
// kernel sets IFF_RUNNING only while the operational state is up or unknown, which means the
// carrier is on: a tunnel whose device no VPN process holds open has no carrier and does not
// count, however it was configured.
bool isAvailable(const NetlinkLink &link);

// The port's view of a link: a tunnel when its kind is one that VPN software makes (see the
// definition for which and why). The network manager's view is not here (NetworkManagerVPNLinks).
NetworkInterface describeLink(const NetlinkLink &link);
