#include "platform/linux/desktop/DBusDesktopState.h"
#include "platform/linux/desktop/GSettingsDesktopState.h"
#include "platform/linux/network/NetworkManagerVPNLinks.h"
#include "signals/VPNStatusWatcher.h"
#include "support/FakeNetworkInterfaces.h"
#include "support/PrivateBus.h"
#include "support/TestMain.h"
#include "support/TestTime.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>
#include <memory>

using namespace std::chrono_literals;

namespace {

// The screen saver's interface as desktops serve it.
class FakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    bool active = true;
public Q_SLOTS:
    bool GetActive() const { return active; }
Q_SIGNALS:
    void ActiveChanged(bool active);
};

// A notification server with the Inhibited property (Plasma's, and others').
class FakeNotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
    Q_PROPERTY(bool Inhibited READ inhibited)
public:
    bool inhibited() const { return m_inhibited; }
    void setInhibited(QDBusConnection bus, bool inhibited)
    {
        m_inhibited = inhibited;
        QDBusMessage changed = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                                          QStringLiteral("org.freedesktop.DBus.Properties"),
                                                          QStringLiteral("PropertiesChanged"));
        changed << QStringLiteral("org.freedesktop.Notifications")
                << QVariantMap{{QStringLiteral("Inhibited"), inhibited}} << QStringList();
        bus.send(changed);
    }

private:
    bool m_inhibited = false;
};

// The last state a source reported; "none" before any report.
struct Reported {
    explicit Reported(DesktopStateSource &source)
    {
        QObject::connect(&source, &DesktopStateSource::stateChanged, &source, [this](std::optional<bool> state) {
            value = state ? (*state ? "true" : "false") : "absent";
            ++count;
        });
    }
    QByteArray value = "none";
    int count = 0;
};

bool hasDbusMock()
{
    return !QStandardPaths::findExecutable(QStringLiteral("python3"), {QStringLiteral("/usr/bin")}).isEmpty() &&
           QProcess::execute(QStringLiteral("/usr/bin/python3"),
                             {QStringLiteral("-c"), QStringLiteral("import dbusmock")}) == 0;
}

// Runs python3 with dbusmock's modules on `bus` as the system bus: a template's service, or a
// script of the test's own.
void startPython(QProcess &process, const PrivateBus &bus, const QStringList &arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), bus.address());
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process.start(QStringLiteral("/usr/bin/python3"), arguments);
}

QDBusMessage call(QDBusConnection bus, const QString &service, const QString &path, const QString &interface,
                  const QString &method, const QVariantList &arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    return bus.call(message, QDBus::Block, 10000);
}

} // namespace

class DesktopStateTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    const int m_wait = int(TestTime::scaled(10s).count());

private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty()) {
            QSKIP("needs dbus-daemon (scripts/setup.sh installs it)");
        }
        QVERIFY(m_dir.isValid());
        // Nothing here may reach the user's own buses or settings.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + QFile::encodeName(m_dir.filePath(QStringLiteral("none"))));
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + QFile::encodeName(m_dir.filePath(QStringLiteral("none"))));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("config"))));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_dir.filePath(QStringLiteral("runtime"))));
        QDir().mkpath(m_dir.filePath(QStringLiteral("runtime")));
        QFile::setPermissions(m_dir.filePath(QStringLiteral("runtime")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // Screen saver and notification server: nothing is known (and nothing started) while they are
    // away; their values once they come, each change they announce, and nothing again once gone.
    void sessionServicesComeAndGo()
    {
        PrivateBus bus(m_dir.path(), QStringLiteral("session"), false);
        QVERIFY(!bus.address().isEmpty());
        const QString marker = m_dir.filePath(QStringLiteral("activated"));
        bus.addActivatableService(QStringLiteral("org.freedesktop.ScreenSaver"), marker);
        bus.addActivatableService(QStringLiteral("org.freedesktop.Notifications"), marker);

        auto screenSaver =
            DBusDesktopState::screenSaverActive(bus.client(), QStringLiteral("org.freedesktop.ScreenSaver"));
        auto notifications = DBusDesktopState::notificationsInhibited(bus.client());
        Reported locked(*screenSaver);
        Reported inhibited(*notifications);
        screenSaver->start();
        notifications->start();

        QDBusConnection service = bus.service();
        FakeScreenSaver saver;
        FakeNotificationServer server;
        QVERIFY(service.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), &saver,
                                       QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals));
        QVERIFY(service.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &server,
                                       QDBusConnection::ExportAllProperties));
        QVERIFY(service.registerService(QStringLiteral("org.freedesktop.ScreenSaver")));
        QVERIFY(service.registerService(QStringLiteral("org.freedesktop.Notifications")));
        QTRY_COMPARE_WITH_TIMEOUT(locked.value, QByteArray("true"), m_wait);
        QTRY_COMPARE_WITH_TIMEOUT(inhibited.value, QByteArray("false"), m_wait);

        Q_EMIT saver.ActiveChanged(false);
        server.setInhibited(service, true);
        QTRY_COMPARE_WITH_TIMEOUT(locked.value, QByteArray("false"), m_wait);
        QTRY_COMPARE_WITH_TIMEOUT(inhibited.value, QByteArray("true"), m_wait);

        QVERIFY(service.unregisterService(QStringLiteral("org.freedesktop.ScreenSaver")));
        QVERIFY(service.unregisterService(QStringLiteral("org.freedesktop.Notifications")));
        QTRY_COMPARE_WITH_TIMEOUT(locked.value, QByteArray("absent"), m_wait);
        QTRY_COMPARE_WITH_TIMEOUT(inhibited.value, QByteArray("absent"), m_wait);
        QCOMPARE(locked.count, 3);
        // Had anything asked the absent services, the bus would have started them by now.
        QVERIFY(service.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.DBus")));
        QVERIFY2(!QFile::exists(marker), "a service was started to be asked");
    }

    // logind's session lock hint, for the session $XDG_SESSION_ID names, through the session's
    // PropertiesChanged; gone with logind.
    void logindLockedHint()
    {
        if (!hasDbusMock()) {
            QSKIP("needs python3-dbusmock (scripts/setup.sh installs it)");
        }
        PrivateBus bus(m_dir.path(), QStringLiteral("system"), false);
        QVERIFY(!bus.address().isEmpty());
        QProcess logind;
        startPython(logind, bus,
                    {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--system"),
                     QStringLiteral("--template"), QStringLiteral("logind")});
        QDBusConnection client = bus.client();
        const QString login1 = QStringLiteral("org.freedesktop.login1");
        QTRY_VERIFY_WITH_TIMEOUT(client.interface()->isServiceRegistered(login1), m_wait);
        const QDBusMessage added =
            call(client, login1, QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.freedesktop.DBus.Mock"),
                 QStringLiteral("AddSession"),
                 {QStringLiteral("c7"), QStringLiteral("seat0"), quint32(::getuid()), QStringLiteral("tester"), true});
        QCOMPARE(added.type(), QDBusMessage::ReplyMessage);

        qputenv("XDG_SESSION_ID", "c7");
        auto source = DBusDesktopState::logindLockedHint(client);
        Reported locked(*source);
        source->start();
        QTRY_COMPARE_WITH_TIMEOUT(locked.value, QByteArray("false"), m_wait);
        const QString session = QStringLiteral("/org/freedesktop/login1/session/c7");
        QCOMPARE(call(client, login1, session, QStringLiteral("org.freedesktop.login1.Session"),
                      QStringLiteral("SetLockedHint"), {true})
                     .type(),
                 QDBusMessage::ReplyMessage);
        QTRY_COMPARE_WITH_TIMEOUT(locked.value, QByteArray("true"), m_wait);

        logind.kill();
        logind.waitForFinished(10000);
        QTRY_COMPARE_WITH_TIMEOUT(locked.value, QByteArray("absent"), m_wait);
        qunsetenv("XDG_SESSION_ID");
    }

    // NetworkManager's view of its VPN connections: the PPP link of one that is activated counts,
    // not before, not after, and not once NetworkManager is gone; it is never started to be asked.
    void networkManagerVPNLinks()
    {
        if (!hasDbusMock()) {
            QSKIP("needs python3-dbusmock (scripts/setup.sh installs it)");
        }
        PrivateBus bus(m_dir.path(), QStringLiteral("nm"), false);
        QVERIFY(!bus.address().isEmpty());
        const QString marker = m_dir.filePath(QStringLiteral("nm-activated"));
        bus.addActivatableService(QStringLiteral("org.freedesktop.NetworkManager"), marker);
        auto *kernel = new FakeNetworkInterfaces;
        VPNStatusWatcher watcher{
            std::make_unique<NetworkManagerVPNLinks>(std::unique_ptr<NetworkInterfaces>(kernel), bus.client())};
        watcher.start();
        kernel->deliver({NetworkInterface{QStringLiteral("eth0")}, NetworkInterface{QStringLiteral("ppp0")}});
        QCOMPARE(watcher.isConnected(), std::optional(false));

        QProcess networkManager;
        startPython(networkManager, bus,
                    {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--system"),
                     QStringLiteral("--template"), QStringLiteral("networkmanager")});
        // Steps of the test's own, through dbusmock's control interface.
        const auto step = [&bus](const char *code) {
            QProcess script;
            startPython(script, bus,
                        {QStringLiteral("-c"),
                         QStringLiteral("import dbus\nb = dbus.SystemBus()\nnm = 'org.freedesktop.NetworkManager'\n"
                                        "mock = dbus.Interface(b.get_object(nm, '/org/freedesktop'), "
                                        "'org.freedesktop.DBus.Mock')\n") +
                             QString::fromLatin1(code)});
            return script.waitForFinished(30000) && script.exitCode() == 0;
        };
        const auto setState = [&step](int state) {
            return step(QByteArray("mock.SetProperty('/org/freedesktop/NetworkManager/ActiveConnection/office', "
                                   "'org.freedesktop.NetworkManager.Connection.Active', 'State', dbus.UInt32(" +
                                   QByteArray::number(state) + ", variant_level=1))")
                            .constData());
        };
        QTRY_VERIFY_WITH_TIMEOUT(
            bus.client().interface()->isServiceRegistered(QStringLiteral("org.freedesktop.NetworkManager")), m_wait);
        QVERIFY(step("s = dbus.Interface(b.get_object(nm, '/org/freedesktop/NetworkManager/Settings'), "
                     "'org.freedesktop.NetworkManager.Settings')\n"
                     "c = s.AddConnection(dbus.Dictionary({'connection': dbus.Dictionary({'id': 'office', "
                     "'type': 'vpn'}, signature='sv')}, signature='sa{sv}'))\n"
                     "mock.AddActiveConnection([mock.AddEthernetDevice('ppp', 'ppp0', 100)], c, '/', 'office', 2)"));
        QTRY_COMPARE_WITH_TIMEOUT(watcher.isConnected(), std::optional(true), m_wait);
        QVERIFY(setState(3)); // deactivating
        QTRY_COMPARE_WITH_TIMEOUT(watcher.isConnected(), std::optional(false), m_wait);
        QVERIFY(setState(2));
        QTRY_COMPARE_WITH_TIMEOUT(watcher.isConnected(), std::optional(true), m_wait);

        networkManager.kill();
        networkManager.waitForFinished(10000);
        QTRY_COMPARE_WITH_TIMEOUT(watcher.isConnected(), std::optional(false), m_wait);
        kernel->deliver({NetworkInterface{QStringLiteral("ppp0")}});
        QCOMPARE(watcher.isConnected(), std::optional(false));
        QVERIFY2(!QFile::exists(marker), "NetworkManager was started to be asked");
    }

    // GNOME's notification banners, read with the gsettings tool and again after each write the
    // dconf service announces: banners off is do not disturb, while GNOME's shell is on the bus.
    void gnomeShowBanners()
    {
        const QString gsettings = QStandardPaths::findExecutable(QStringLiteral("gsettings"));
        if (gsettings.isEmpty() ||
            !GSettingsDesktopState::isSchemaInstalled(QStringLiteral("org.gnome.desktop.notifications")) ||
            !QFile::exists(QStringLiteral("/usr/share/dbus-1/services/ca.desrt.dconf.service"))) {
            QSKIP("needs libglib2.0-bin, gsettings-desktop-schemas and dconf-service (scripts/setup.sh installs them)");
        }
        QVERIFY(!GSettingsDesktopState::isSchemaInstalled(QStringLiteral("org.example.kestrix.none")));
        PrivateBus bus(m_dir.path(), QStringLiteral("dconf"), true);
        QVERIFY(!bus.address().isEmpty());
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toUtf8());
        qputenv("GSETTINGS_BACKEND", "dconf");

        const QString shellName = QStringLiteral("org.gnome.Shell");
        QDBusConnection shell = bus.service();
        QVERIFY(shell.registerService(shellName));
        auto source = GSettingsDesktopState::gnomeDoNotDisturb(bus.client());
        Reported doNotDisturb(*source);
        source->start();
        QTRY_COMPARE_WITH_TIMEOUT(doNotDisturb.value, QByteArray("false"), m_wait);
        QCOMPARE(QProcess::execute(gsettings, {QStringLiteral("set"), QStringLiteral("org.gnome.desktop.notifications"),
                                               QStringLiteral("show-banners"), QStringLiteral("false")}),
                 0);
        QTRY_COMPARE_WITH_TIMEOUT(doNotDisturb.value, QByteArray("true"), m_wait);
        QVERIFY(shell.unregisterService(shellName)); // the setting stays, the shell obeying it goes
        QTRY_COMPARE_WITH_TIMEOUT(doNotDisturb.value, QByteArray("absent"), m_wait);
        QVERIFY(shell.registerService(shellName));
        QTRY_COMPARE_WITH_TIMEOUT(doNotDisturb.value, QByteArray("true"), m_wait);
        QCOMPARE(
            QProcess::execute(gsettings, {QStringLiteral("reset"), QStringLiteral("org.gnome.desktop.notifications"),
                                          QStringLiteral("show-banners")}),
            0);
        QTRY_COMPARE_WITH_TIMEOUT(doNotDisturb.value, QByteArray("false"), m_wait);
        source.reset();
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + QFile::encodeName(m_dir.filePath(QStringLiteral("none"))));
    }
};

QTEST_GUILESS_MAIN(DesktopStateTest)
#include "tst_desktopstate.moc"
