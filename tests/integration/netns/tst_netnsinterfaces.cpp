// NetlinkInterfaces and VPNStatusWatcher against the kernel, in a network namespace that only this
// process's main thread is in. The namespace has no name, so it goes away with the process however
// the test ends, and concurrent runs never see each other's interfaces.
#include "platform/linux/network/NetlinkInterfaces.h"
#include "signals/VPNStatusWatcher.h"
#include "support/TestMain.h"

#include <QProcess>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <linux/if.h>
#include <linux/if_tun.h>

namespace {
bool waitFor(const std::function<bool()> &condition)
{
    return QTest::qWaitFor(condition, 10000);
}

// Opens the tunnel device as a VPN client would; the device carries traffic while the descriptor
// is open.
int attachTun(const char *name)
{
    const int fd = ::open("/dev/net/tun", O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    ifreq request{};
    request.ifr_flags = IFF_TUN | IFF_NO_PI;
    std::strncpy(request.ifr_name, name, IFNAMSIZ - 1);
    if (::ioctl(fd, TUNSETIFF, &request) < 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool hasInterface(const QList<NetworkInterface> &list, const QString &name)
{
    return std::any_of(list.begin(), list.end(), [&](const NetworkInterface &i) { return i.name == name; });
}
} // namespace

class NetnsInterfacesTest : public QObject {
    Q_OBJECT

    QString m_ip;

    // Runs iproute2 in the namespace: a child process starts in its parent thread's namespace.
    bool ip(const QString &command)
    {
        const QStringList arguments = command.split(QLatin1Char(' '));
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(m_ip, arguments);
        return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0;
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (::geteuid() != 0) {
            QSKIP("a network namespace with a tun device needs root; CI runs this as root");
        }
        m_ip = QStandardPaths::findExecutable(QStringLiteral("ip"));
        if (m_ip.isEmpty()) {
            QSKIP("iproute2's ip is not installed");
        }
        if (::access("/dev/net/tun", R_OK | W_OK) != 0) {
            QSKIP("/dev/net/tun is missing or not usable: the kernel has no tun support here");
        }
        if (::unshare(CLONE_NEWNET) != 0) {
            const QByteArray reason =
                "cannot create a network namespace (unshare(CLONE_NEWNET): " + QByteArray(std::strerror(errno)) +
                "); this needs root, or CAP_SYS_ADMIN, outside a sandbox that forbids namespaces";
            QSKIP(reason.constData());
        }
    }

    void tunnelLifecycle()
    {
        auto *interfaces = new NetlinkInterfaces;
        QList<NetworkInterface> latest;
        connect(interfaces, &NetworkInterfaces::interfacesChanged, this,
                [&latest](const QList<NetworkInterface> &available) { latest = available; });
        VPNStatusWatcher watcher{std::unique_ptr<NetworkInterfaces>(interfaces)};
        watcher.start();

        // A new namespace holds only a loopback interface that is down.
        QVERIFY(waitFor([&] { return watcher.isConnected().has_value(); }));
        QCOMPARE(watcher.isConnected(), std::optional(false));
        QVERIFY(latest.isEmpty());

        QVERIFY(ip(QStringLiteral("tuntap add dev tun0 mode tun")));
        QVERIFY(ip(QStringLiteral("link set tun0 up")));
        // Events arrive in order, so once the loopback's is seen the tunnel's have been read too:
        // up but without a process attached, it has no carrier and does not count.
        QVERIFY(ip(QStringLiteral("link set lo up")));
        QVERIFY(waitFor([&] { return hasInterface(latest, QStringLiteral("lo")); }));
        QVERIFY(!hasInterface(latest, QStringLiteral("tun0")));
        QCOMPARE(watcher.isConnected(), std::optional(false));

        int fd = attachTun("tun0");
        QVERIFY2(fd >= 0, std::strerror(errno));
        QVERIFY(waitFor([&] { return watcher.isConnected() == std::optional(true); }));
        QVERIFY(hasInterface(latest, QStringLiteral("tun0")));

        // The client goes away: no carrier.
        ::close(fd);
        QVERIFY(waitFor([&] { return watcher.isConnected() == std::optional(false); }));

        fd = attachTun("tun0");
        QVERIFY2(fd >= 0, std::strerror(errno));
        QVERIFY(waitFor([&] { return watcher.isConnected() == std::optional(true); }));
        QVERIFY(ip(QStringLiteral("link delete tun0")));
        QVERIFY(waitFor([&] { return watcher.isConnected() == std::optional(false); }));
        ::close(fd);
    }
};

QTEST_GUILESS_MAIN(NetnsInterfacesTest)
#include "tst_netnsinterfaces.moc"
