#pragma once

#include "platform/linux/network/NetlinkParser.h"
#include "signals/NetworkInterfaces.h"

#include <QSocketNotifier>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

// The network interfaces of the network namespace the object is started in, read from the
// kernel's routing netlink: one dump of the links at start, then the link and address events (no
// polling). A table of the links by index is kept up to date and the available ones are reported
// after each batch of messages read.
//
// When the kernel had to drop events because the socket's queue was full, the table is rebuilt
// from a new dump; nothing is reported between the overrun and the dump's end. Main thread only.
class NetlinkInterfaces : public NetworkInterfaces {
    Q_OBJECT
public:
    explicit NetlinkInterfaces(QObject *parent = nullptr);
    ~NetlinkInterfaces() override;

    void start() override;

private:
    void onReadable();
    void requestDump();
    void apply(const NetlinkMessages &messages);
    void report();

    int m_fd = -1;
    bool m_started = false;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::map<int, NetlinkLink> m_links; // by index; complete once the first dump ended
    // While a dump runs: the table it is building. Events read meanwhile apply to it as well, so
    // the order in which the kernel queued them decides.
    std::optional<std::map<int, NetlinkLink>> m_dumping;
    bool m_redumpWanted = false;     // events were lost while a dump ran
    bool m_dumpInconsistent = false; // the running dump saw the table change under it
    bool m_haveTable = false;
    std::uint32_t m_sequence = 0;
    std::vector<std::uint8_t> m_buffer;
};
