// The routing netlink reader on messages built here byte by byte, including link kinds the kernel
// running the tests may not have (WireGuard, PPP).
#include "platform/linux/network/NetlinkParser.h"
#include "signals/VPNStatusWatcher.h"
#include "support/TestMain.h"

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <net/if.h>

#include <linux/if_arp.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>

using Bytes = std::vector<std::uint8_t>;

namespace {
constexpr std::uint32_t dumpSequence = 7;

template <typename T>
Bytes &operator<<(Bytes &bytes, const T &value)
{
    const auto *raw = reinterpret_cast<const std::uint8_t *>(&value);
    bytes.insert(bytes.end(), raw, raw + sizeof value);
    return bytes;
}

Bytes &operator<<(Bytes &bytes, const Bytes &more)
{
    bytes.insert(bytes.end(), more.begin(), more.end());
    bytes.resize((bytes.size() + 3) & ~std::size_t(3));
    return bytes;
}

Bytes attribute(std::uint16_t type, const Bytes &payload)
{
    Bytes bytes;
    return bytes << rtattr{static_cast<unsigned short>(sizeof(rtattr) + payload.size()), type} << payload;
}

Bytes text(const std::string &value, bool terminated = true)
{
    return Bytes(value.c_str(), value.c_str() + value.size() + (terminated ? 1 : 0));
}

Bytes message(std::uint16_t type, const Bytes &body, std::uint32_t sequence = 0, std::uint16_t flags = 0)
{
    Bytes bytes;
    return bytes << nlmsghdr{static_cast<std::uint32_t>(sizeof(nlmsghdr) + body.size()), type, flags, sequence, 0}
                 << body;
}

struct Link {
    int index = 1;
    std::uint16_t type = ARPHRD_ETHER;
    std::uint32_t flags = IFF_UP | IFF_RUNNING;
    std::string name = "eth0";
    std::string kind{}; // no link info when empty
};

Bytes linkBody(const Link &link)
{
    ifinfomsg header{};
    header.ifi_type = link.type;
    header.ifi_index = link.index;
    header.ifi_flags = link.flags;
    Bytes body;
    body << header << attribute(IFLA_MTU, {0xDC, 0x05, 0, 0}) << attribute(IFLA_IFNAME, text(link.name));
    if (!link.kind.empty()) {
        // As the kernel sends it: nested, with the nested flag on the outer type.
        body << attribute(IFLA_LINKINFO | NLA_F_NESTED, attribute(IFLA_INFO_KIND, text(link.kind)));
    }
    return body;
}

Bytes linkMessage(const Link &link, std::uint16_t type = RTM_NEWLINK, std::uint32_t sequence = 0,
                  std::uint16_t flags = 0)
{
    return message(type, linkBody(link), sequence, flags);
}

NetlinkMessages parse(const Bytes &datagram)
{
    // An exactly-sized heap copy: a read past the end is a heap overflow in the sanitizer build.
    auto copy = std::make_unique<std::uint8_t[]>(datagram.size());
    std::copy(datagram.begin(), datagram.end(), copy.get());
    return parseNetlinkMessages(std::span<const std::uint8_t>(copy.get(), datagram.size()), dumpSequence);
}

Bytes control(std::uint16_t type, int value, std::uint32_t sequence, std::uint16_t flags = 0)
{
    Bytes body;
    return message(type, body << nlmsgerr{value, nlmsghdr{}}, sequence, flags);
}
} // namespace

Q_DECLARE_METATYPE(Link)

class NetlinkParserTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void dumpAndEvents()
    {
        const Link wg{4, ARPHRD_NONE, IFF_UP | IFF_RUNNING | IFF_POINTOPOINT, "wg0", "wireguard"};
        Bytes dump;
        dump << linkMessage(Link{}, RTM_NEWLINK, dumpSequence, NLM_F_MULTI)
             << linkMessage(wg, RTM_NEWLINK, dumpSequence, NLM_F_MULTI) << control(NLMSG_DONE, 0, dumpSequence);
        const auto parsed = parse(dump);
        QCOMPARE(parsed.links.size(), std::size_t(2));
        QCOMPARE(parsed.links[0], (NetlinkLinkChange{false, {1, "eth0", ARPHRD_ETHER, IFF_UP | IFF_RUNNING, ""}}));
        QCOMPARE(parsed.links[1], (NetlinkLinkChange{false, {4, "wg0", wg.type, wg.flags, "wireguard"}}));
        QVERIFY(parsed.dumpDone && !parsed.dumpInterrupted && !parsed.addressesChanged);

        Bytes events;
        events << linkMessage(wg, RTM_DELLINK) << message(RTM_NEWADDR, Bytes(8, 0));
        const auto changes = parse(events);
        QCOMPARE(changes.links.size(), std::size_t(1));
        QVERIFY(changes.links[0].removed);
        QVERIFY(changes.addressesChanged && !changes.dumpDone);

        QVERIFY(!parse(control(NLMSG_DONE, 0, dumpSequence + 1)).dumpDone); // another request's
        QVERIFY(parse(control(NLMSG_DONE, 0, dumpSequence, NLM_F_DUMP_INTR)).dumpInterrupted);
        QCOMPARE(parse(control(NLMSG_ERROR, -EBUSY, dumpSequence)).dumpError, std::optional(EBUSY));
        QCOMPARE(parse(control(NLMSG_ERROR, 0, dumpSequence)).dumpError, std::nullopt); // an acknowledgement
    }

    void malformedMessages()
    {
        // A name without its NUL is taken to the attribute's end.
        ifinfomsg header{};
        header.ifi_index = 3;
        Bytes unterminated;
        unterminated << header << attribute(IFLA_IFNAME, text("ppp0", false));
        QCOMPARE(parse(message(RTM_NEWLINK, unterminated)).links.at(0).link.name, std::string("ppp0"));

        // An attribute longer than its message hides the name after it; a new link without a name
        // is dropped, and the next message is still read.
        Bytes overrun;
        overrun << header << rtattr{200, IFLA_MTU};
        Bytes datagram;
        datagram << message(RTM_NEWLINK, overrun) << linkMessage(Link{});
        QCOMPARE(parse(datagram).links.size(), std::size_t(1));

        // A header length below the header's own size ends the walk.
        Bytes broken;
        broken << nlmsghdr{4, RTM_NEWLINK, 0, 0, 0} << linkMessage(Link{});
        QVERIFY(parse(broken).links.empty());

        // Every cut of a datagram: the whole messages are read, the cut one is not.
        const Bytes first = linkMessage(Link{1, ARPHRD_NONE, IFF_UP, "tun0", "tun"});
        const Bytes second = linkMessage(Link{2, ARPHRD_PPP, IFF_UP, "ppp0"});
        Bytes whole;
        whole << first << second << control(NLMSG_DONE, 0, dumpSequence);
        for (std::size_t length = 0; length <= whole.size(); ++length) {
            const auto result = parse(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length)));
            QCOMPARE(result.links.size(),
                     std::size_t(length >= first.size()) + std::size_t(length >= first.size() + second.size()));
            QCOMPARE(result.dumpDone, length == whole.size());
        }
    }

    // The whole Linux rule, from what the kernel says to whether the watcher calls it a VPN: the
    // link's kind decides (a tun only in tun mode), never its hardware type or point-to-point flag,
    // so that a DSL line's PPP link or a modem's raw-IP link is no VPN by itself.
    void countsAsVPN_data()
    {
        QTest::addColumn<Link>("link");
        QTest::addColumn<bool>("available");
        QTest::addColumn<bool>("vpn");
        constexpr std::uint32_t up = IFF_UP | IFF_RUNNING;
        constexpr std::uint32_t tun = IFF_POINTOPOINT | IFF_NOARP | IFF_MULTICAST;

        const std::set<std::string_view> vpnKinds{"tun", "wireguard", "ovpn", "ovpn-dco", "vti", "vti6", "xfrm"};
        for (const char *kind : {"", "tun", "wireguard", "ovpn", "ovpn-dco", "vti", "vti6", "xfrm", "gre", "ipip",
                                 "sit", "ip6tnl", "ip6gre", "vxlan", "veth", "ppp"}) {
            for (const std::uint16_t type : {ARPHRD_NONE, ARPHRD_PPP, ARPHRD_ETHER, ARPHRD_TUNNEL, ARPHRD_RAWIP}) {
                for (const std::uint32_t shape : {0U, tun}) {
                    const bool tapMode = kind == std::string_view("tun") && type != ARPHRD_NONE;
                    QTest::addRow("kind '%s', type %d%s", kind, type, shape ? ", point-to-point" : "")
                        << Link{1, type, up | shape, "link0", kind} << true << (vpnKinds.contains(kind) && !tapMode);
                }
            }
        }
        QTest::newRow("tun, no process attached")
            << Link{1, ARPHRD_NONE, IFF_UP | tun, "tun0", "tun"} << false << false;
        QTest::newRow("tun down") << Link{1, ARPHRD_NONE, tun, "tun0", "tun"} << false << false;
        QTest::newRow("loopback") << Link{1, ARPHRD_LOOPBACK, up | IFF_LOOPBACK, "lo"} << true << false;
        QTest::newRow("utun by name") << Link{1, ARPHRD_ETHER, up, "utun2", "veth"} << true << true;
    }

    void countsAsVPN()
    {
        QFETCH(Link, link);
        QFETCH(bool, available);
        QFETCH(bool, vpn);
        const auto parsed = parse(linkMessage(link)).links.at(0).link;
        QCOMPARE(isAvailable(parsed), available);
        QCOMPARE(available && VPNStatusWatcher::isVPNInterface(describeLink(parsed)), vpn);
    }
};

QTEST_GUILESS_MAIN(NetlinkParserTest)
#include "tst_netlinkparser.moc"
