#include "signals/VPNStatusWatcher.h"
#include "support/FakeNetworkInterfaces.h"
#include "support/TestMain.h"

#include <QSignalSpy>

namespace {
NetworkInterface plain(const char *name)
{
    return {QString::fromLatin1(name), false, false};
}
NetworkInterface tunnel(const char *name)
{
    return {QString::fromLatin1(name), true, false};
}
} // namespace

class VPNStatusWatcherTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void connectedFromInterfaces_data()
    {
        QTest::addColumn<QList<NetworkInterface>>("available");
        QTest::addColumn<bool>("connected");

        QTest::newRow("utun next to ethernet") << QList{plain("en0"), plain("utun3")} << true;
        QTest::newRow("ethernet and loopback") << QList{plain("en0"), plain("lo")} << false;
        QTest::newRow("prefix is case-sensitive") << QList{plain("UTUN0")} << false;
        QTest::newRow("wireguard") << QList{plain("eth0"), tunnel("wg0")} << true;
        QTest::newRow("link of the network manager's VPN")
            << QList{NetworkInterface{QStringLiteral("ppp0"), false, true}} << true;
        // A tun that is down is not among the available interfaces at all.
        QTest::newRow("tun down") << QList{plain("eth0")} << false;
        QTest::newRow("PPP alone") << QList{plain("ppp0")} << false;
    }

    void connectedFromInterfaces()
    {
        QFETCH(QList<NetworkInterface>, available);
        QFETCH(bool, connected);
        auto *interfaces = new FakeNetworkInterfaces;
        VPNStatusWatcher watcher{std::unique_ptr<NetworkInterfaces>(interfaces)};
        watcher.start();
        interfaces->deliver(available);
        QCOMPARE(watcher.isConnected(), std::optional(connected));
    }

    // Absent until the first list; then every list is an assignment the rules see, even when it
    // changes nothing.
    void everyListAssigns()
    {
        auto *interfaces = new FakeNetworkInterfaces;
        VPNStatusWatcher watcher{std::unique_ptr<NetworkInterfaces>(interfaces)};
        QSignalSpy changes(&watcher, &VPNStatusWatcher::isConnectedChanged);
        watcher.start();
        watcher.start();
        QCOMPARE(interfaces->startCount, 1);
        QCOMPARE(watcher.isConnected(), std::nullopt);

        const QList available{plain("eth0"), tunnel("tun0")};
        interfaces->deliver(available);
        interfaces->deliver(available);
        QCOMPARE(changes.count(), 2);
        QCOMPARE(changes.at(1).at(0).value<std::optional<bool>>(), std::optional(true));
    }
};

QTEST_GUILESS_MAIN(VPNStatusWatcherTest)
#include "tst_vpnstatuswatcher.moc"
