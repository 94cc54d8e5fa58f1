#include "platform/linux/network/NetlinkInterfaces.h"

#include <QLoggingCategory>
#include <QTimer>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>

#include <sys/socket.h>
#include <unistd.h>

#include <linux/netlink.h>
#include <linux/rtnetlink.h>

namespace {
// Off unless enabled through QT_LOGGING_RULES: the application keeps no log.
Q_LOGGING_CATEGORY(lcNetlink, "kestrix.signals.vpn", QtCriticalMsg)

// The kernel sends at most 32 KiB in one datagram to a reader; twice that leaves room for any
// change of that limit to show as truncation rather than as a crash.
constexpr std::size_t datagramCapacity = std::size_t{64} * 1024;
// Room for bursts of events (many interfaces appearing at once) before the kernel drops any.
constexpr int receiveBufferSize = 1024 * 1024;
// A refused dump request is tried again after this long.
constexpr std::chrono::seconds dumpRetryDelay{1};
} // namespace

NetlinkInterfaces::NetlinkInterfaces(QObject *parent) : NetworkInterfaces(parent), m_buffer(datagramCapacity) {}

NetlinkInterfaces::~NetlinkInterfaces()
{
    m_notifier.reset();
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

void NetlinkInterfaces::start()
{
    if (m_started) {
        return;
    }
    m_started = true;

    m_fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
    if (m_fd < 0) {
        qCWarning(lcNetlink, "cannot open a routing netlink socket: %s; VPN status stays unknown",
                  std::strerror(errno));
        return;
    }
    // Best effort: without it the default queue is used and overruns only come sooner.
    ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &receiveBufferSize, sizeof receiveBufferSize);

    sockaddr_nl local{};
    local.nl_family = AF_NETLINK;
    local.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV6_IFADDR;
    if (::bind(m_fd, reinterpret_cast<const sockaddr *>(&local), sizeof local) < 0) {
        qCWarning(lcNetlink, "cannot join the link and address groups: %s; VPN status stays unknown",
                  std::strerror(errno));
        ::close(m_fd);
        m_fd = -1;
        return;
    }
    m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &NetlinkInterfaces::onReadable);

    // The groups are joined before the dump is asked for, so a change in between is read twice
    // rather than missed.
    requestDump();
}

void NetlinkInterfaces::requestDump()
{
    if (m_dumping) {
        // The kernel runs one dump per socket at a time; another follows this one.
        m_redumpWanted = true;
        return;
    }
    struct {
        nlmsghdr header;
        ifinfomsg link;
    } request{};
    request.header.nlmsg_len = sizeof request;
    request.header.nlmsg_type = RTM_GETLINK;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.header.nlmsg_seq = ++m_sequence;
    request.link.ifi_family = AF_UNSPEC;

    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    ssize_t sent = -1;
    do {
        sent = ::sendto(m_fd, &request, sizeof request, 0, reinterpret_cast<const sockaddr *>(&kernel), sizeof kernel);
    } while (sent < 0 && errno == EINTR);
    if (sent < 0) {
        qCWarning(lcNetlink, "cannot ask for the interface list: %s", std::strerror(errno));
        QTimer::singleShot(dumpRetryDelay, this, &NetlinkInterfaces::requestDump);
        return;
    }
    m_dumping.emplace();
    m_dumpInconsistent = false;
}

void NetlinkInterfaces::onReadable()
{
    bool changed = false;
    for (;;) {
        sockaddr_nl from{};
        iovec vector{m_buffer.data(), m_buffer.size()};
        msghdr message{};
        message.msg_name = &from;
        message.msg_namelen = sizeof from;
        message.msg_iov = &vector;
        message.msg_iovlen = 1;
        const ssize_t received = ::recvmsg(m_fd, &message, 0);
        if (received < 0) {
            const int error = errno;
            if (error == EINTR) {
                continue;
            }
            if (error == ENOBUFS) {
                // Events were dropped: the table can no longer be trusted.
                qCInfo(lcNetlink, "interface events were lost; reading the interface list again");
                requestDump();
                continue;
            }
            if (error != EAGAIN && error != EWOULDBLOCK) {
                qCWarning(lcNetlink, "cannot read interface events: %s", std::strerror(error));
            }
            break;
        }
        if (message.msg_flags & MSG_TRUNC) {
            requestDump();
            continue;
        }
        if (from.nl_pid != 0) {
            continue; // only the kernel speaks for the interfaces
        }
        const auto messages =
            parseNetlinkMessages(std::span(m_buffer.data(), static_cast<std::size_t>(received)), m_sequence);
        changed = changed || !messages.links.empty() || messages.addressesChanged || messages.dumpDone;
        apply(messages);
    }
    if (changed && m_haveTable && !m_dumping) {
        report();
    }
}

void NetlinkInterfaces::apply(const NetlinkMessages &messages)
{
    auto &table = m_dumping ? *m_dumping : m_links;
    for (const auto &change : messages.links) {
        if (change.removed) {
            table.erase(change.link.index);
        } else {
            table[change.link.index] = change.link;
        }
    }
    if (!m_dumping) {
        return;
    }
    m_dumpInconsistent = m_dumpInconsistent || messages.dumpInterrupted;
    if (messages.dumpError) {
        qCWarning(lcNetlink, "the interface list was refused: %s", std::strerror(*messages.dumpError));
        m_dumping.reset();
        m_redumpWanted = false;
        QTimer::singleShot(dumpRetryDelay, this, &NetlinkInterfaces::requestDump);
        return;
    }
    if (!messages.dumpDone) {
        return;
    }
    if (m_dumpInconsistent || m_redumpWanted) {
        m_dumping.reset();
        m_redumpWanted = false;
        requestDump();
        return;
    }
    m_links = std::move(*m_dumping);
    m_dumping.reset();
    m_haveTable = true;
}

void NetlinkInterfaces::report()
{
    QList<NetworkInterface> available;
    for (const auto &[index, link] : m_links) {
        if (isAvailable(link)) {
            available.append(describeLink(link));
        }
    }
    Q_EMIT interfacesChanged(available);
}
