// The tray menu as a desktop panel sees it: kestrix on an X server (Xvfb) and a private session
// bus, where this test plays the panel: it runs the StatusNotifierWatcher (with a host registered,
// started after Kestrix) and the notification server, reads the exported menu over
// com.canonical.dbusmenu and clicks it, reads the item's tooltip and activates it as a left click
// does. The simulated device's report log shows what a click did; the X server shows the windows
// (their icons, the popped-up menu) and takes the keys. Last, Kestrix starts again with two
// simulated Dorvels and new firmware published on a local update server.
#include "DbusMenu.h"
#include "ReportLog.h"
#include "support/BuildPaths.h"
#include "support/ChildProcesses.h"
#include "support/LocalHttpServer.h"
#include "support/TestMain.h"

#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <optional>

namespace {

// The X server as a test sees it: the top-level windows and their properties, and keys sent to a
// window as the server would deliver them.
class XDisplay {
public:
    explicit XDisplay(const QString &display) : m_connection(xcb_connect(display.toLatin1().constData(), nullptr)) {}
    ~XDisplay() { xcb_disconnect(m_connection); }
    XDisplay(const XDisplay &) = delete;
    XDisplay &operator=(const XDisplay &) = delete;

    bool isValid() const { return xcb_connection_has_error(m_connection) == 0; }

    struct Window {
        xcb_window_t id = XCB_WINDOW_NONE;
        QRect geometry;
        bool overrideRedirect = false; // popups: menus, tooltips
    };

    // The mapped children of the root window, bottom to top.
    QList<Window> mappedWindows()
    {
        QList<Window> windows;
        const xcb_window_t root = screen()->root;
        const auto tree = reply(xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, root), nullptr));
        if (!tree) {
            return windows;
        }
        const xcb_window_t *children = xcb_query_tree_children(tree.get());
        for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
            const auto attributes = reply(xcb_get_window_attributes_reply(
                m_connection, xcb_get_window_attributes(m_connection, children[i]), nullptr));
            const auto geometry =
                reply(xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, children[i]), nullptr));
            if (!attributes || !geometry || attributes->map_state != XCB_MAP_STATE_VIEWABLE) {
                continue;
            }
            windows.append({children[i], QRect(geometry->x, geometry->y, geometry->width, geometry->height),
                            attributes->override_redirect != 0});
        }
        return windows;
    }

    QByteArray property(xcb_window_t window, const char *name)
    {
        const auto value = reply(xcb_get_property_reply(
            m_connection, xcb_get_property(m_connection, 0, window, atom(name), XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 20),
            nullptr));
        if (!value) {
            return {};
        }
        return QByteArray(static_cast<const char *>(xcb_get_property_value(value.get())),
                          xcb_get_property_value_length(value.get())); // in bytes
    }

    // The mapped top-level window titled `title`.
    std::optional<Window> windowTitled(const QString &title)
    {
        for (const Window &window : mappedWindows()) {
            if (QString::fromUtf8(property(window.id, "_NET_WM_NAME")) == title) {
                return window;
            }
        }
        return std::nullopt;
    }

    void movePointer(QPoint to)
    {
        xcb_warp_pointer(m_connection, XCB_WINDOW_NONE, screen()->root, 0, 0, 0, 0, static_cast<int16_t>(to.x()),
                         static_cast<int16_t>(to.y()));
        xcb_flush(m_connection);
    }

    // A press and release of the key with this X keycode, delivered to `window`.
    void sendKey(xcb_window_t window, xcb_keycode_t keycode)
    {
        for (const std::uint8_t type : {XCB_KEY_PRESS, XCB_KEY_RELEASE}) {
            xcb_key_press_event_t event{};
            event.response_type = type;
            event.detail = keycode;
            event.root = screen()->root;
            event.event = window;
            event.child = XCB_WINDOW_NONE;
            event.same_screen = 1;
            event.time = XCB_CURRENT_TIME;
            xcb_send_event(m_connection, 0, window,
                           type == XCB_KEY_PRESS ? XCB_EVENT_MASK_KEY_PRESS : XCB_EVENT_MASK_KEY_RELEASE,
                           reinterpret_cast<const char *>(&event));
        }
        xcb_flush(m_connection);
    }

private:
    template <typename T>
    static std::unique_ptr<T, decltype(&std::free)> reply(T *value)
    {
        return {value, &std::free};
    }
    xcb_screen_t *screen() const { return xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data; }
    xcb_atom_t atom(const char *name)
    {
        const auto value = reply(xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, static_cast<std::uint16_t>(qstrlen(name)), name), nullptr));
        return value ? value->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    }

    xcb_connection_t *m_connection;
};

// The X keycode of Escape: its evdev code plus 8, as Xvfb's keymap has it.
constexpr xcb_keycode_t escapeKeycode = 9;

} // namespace

// The panel's StatusNotifierWatcher: a host is registered from the start; items register here.
class WatcherAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredItems)

public:
    explicit WatcherAdaptor(QObject *parent) : QDBusAbstractAdaptor(parent) {}
    bool isHostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList registeredItems() const { return items; }

    // Where each item lives: its bus name and object path.
    QList<std::pair<QString, QString>> itemAddresses;
    QStringList items;

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString &serviceOrPath, const QDBusMessage &message)
    {
        // Items name either their own bus name (the object is then /StatusNotifierItem) or a path on
        // the connection they call from.
        if (serviceOrPath.startsWith(QLatin1Char('/'))) {
            itemAddresses.append({message.service(), serviceOrPath});
        } else {
            itemAddresses.append({serviceOrPath, QStringLiteral("/StatusNotifierItem")});
        }
        items << serviceOrPath;
        Q_EMIT StatusNotifierItemRegistered(serviceOrPath);
    }
    void RegisterStatusNotifierHost(const QString &) {}

Q_SIGNALS:
    void StatusNotifierItemRegistered(const QString &service);
    void StatusNotifierItemUnregistered(const QString &service);
    void StatusNotifierHostRegistered();
};

// The desktop's notification server, where tray messages end up.
class NotificationsAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    explicit NotificationsAdaptor(QObject *parent) : QDBusAbstractAdaptor(parent) {}
    QStringList bodies;

public Q_SLOTS:
    uint Notify(const QString &, uint, const QString &, const QString &summary, const QString &body,
                const QStringList &, const QVariantMap &, int)
    {
        bodies << summary + QStringLiteral(": ") + body;
        return static_cast<uint>(bodies.size());
    }
    QStringList GetCapabilities() { return {QStringLiteral("body")}; }
    void CloseNotification(uint) {}
};

// One desktop session, as a user has it: a session bus, an X server and Kestrix started once, and
// a panel that comes up in the first step. The test functions are the session's steps, in the
// order declared (Qt Test's order); each checks the state it starts from instead of assuming it.
class TrayPanelTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QProcess m_bus;
    QProcess m_xserver;
    QProcess m_devsim; // the Dorvel named "dorvel"
    QProcess m_second; // "second", plugged in for the cases with two
    QProcess m_app;
    LocalHttpServer m_releases;
    QString m_updateBase = QStringLiteral("http://127.0.0.1:9/");
    QString m_busAddress;
    QString m_display;
    QObject m_watcherObject;
    QObject m_notificationsObject;
    WatcherAdaptor *m_watcher = nullptr;
    NotificationsAdaptor *m_notifications = nullptr;

    QString path(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    QDBusConnection bus() const { return QDBusConnection(QStringLiteral("panel")); }

    QProcessEnvironment appEnvironment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("DISPLAY"), m_display);
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_busAddress);
        env.remove(QStringLiteral("XDG_CURRENT_DESKTOP"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path("config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), path("data"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.path());
        env.insert(QStringLiteral("KESTRIX_DEVICE_BUS"), path("bus"));
        env.insert(QStringLiteral("KESTRIX_UPDATE_BASE_URL"), m_updateBase);
        return env;
    }

    // A simulated Dorvel on the bus, with its report log and state file named after it. A firmware
    // update on it goes quiet once at chunk 100, which holds the transfer open for Kestrix's 3 s
    // chunk time-out, and it is back 0.2 s after its reboot.
    QStringList devsimArguments(const QString &name) const
    {
        QStringList arguments{QStringLiteral("--bus"), path("bus"), QStringLiteral("--name"), name};
        arguments << QStringLiteral("--report-log") << m_dir.filePath(name + QStringLiteral(".log"));
        arguments << QStringLiteral("--state-file") << m_dir.filePath(name + QStringLiteral("-state.json"));
        arguments << QStringLiteral("--ignore-chunk") << QStringLiteral("100");
        arguments << QStringLiteral("--reboot-delay-ms") << QStringLiteral("200") << QStringLiteral("--quiet");
        return arguments;
    }
    QList<QByteArray> reportsTo(const QString &name) const
    {
        return receivedReports(m_dir.filePath(name + QStringLiteral(".log")));
    }
    QJsonObject stateOf(const QString &name) const
    {
        QFile file(m_dir.filePath(name + QStringLiteral("-state.json")));
        return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object() : QJsonObject();
    }
    QString updatePhaseOf(const QString &name) const
    {
        return stateOf(name).value(QStringLiteral("update")).toObject().value(QStringLiteral("phase")).toString();
    }

    QDBusMessage call(const QString &service, const QString &objectPath, const QString &interface,
                      const QString &method, const QVariantList &arguments)
    {
        QDBusMessage message = QDBusMessage::createMethodCall(service, objectPath, interface, method);
        message.setArguments(arguments);
        return bus().call(message, QDBus::Block, 5000);
    }

    // The exported menu, read as a panel does when it opens it.
    MenuNode layout()
    {
        if (!m_watcher || m_watcher->itemAddresses.isEmpty()) {
            return {};
        }
        const auto [service, itemPath] = m_watcher->itemAddresses.constLast();
        const QDBusMessage menuPath =
            call(service, itemPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                 {QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Menu")});
        if (menuPath.type() != QDBusMessage::ReplyMessage) {
            return {};
        }
        const QString menu =
            qvariant_cast<QDBusObjectPath>(menuPath.arguments().value(0).value<QDBusVariant>().variant()).path();
        const QDBusMessage reply = call(service, menu, QStringLiteral("com.canonical.dbusmenu"),
                                        QStringLiteral("GetLayout"), {0, -1, QStringList()});
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() < 2) {
            return {};
        }
        m_menuService = service;
        m_menuPath = menu;
        return readNode(reply.arguments().at(1).value<QDBusArgument>());
    }

    QStringList visibleTopLevelLabels()
    {
        QStringList labels;
        for (const MenuNode &node : layout().children) {
            if (node.isVisible()) {
                labels << (node.isSeparator() ? QStringLiteral("—") : node.label());
            }
        }
        return labels;
    }

    QString m_menuService;
    QString m_menuPath;
    // Everything the app has printed so far, on each channel.
    QByteArray m_appErrors;
    QByteArray m_appOutput;
    std::unique_ptr<XDisplay> m_x;

    QByteArray appErrors()
    {
        m_appErrors += m_app.readAllStandardError();
        m_appOutput += m_app.readAllStandardOutput();
        return m_appErrors;
    }

    QDBusMessage callItem(const QString &method, const QVariantList &arguments)
    {
        const auto [service, itemPath] = m_watcher->itemAddresses.constLast();
        return call(service, itemPath, QStringLiteral("org.kde.StatusNotifierItem"), method, arguments);
    }

    // The item's tooltip title, (s a(iiay) s s), as a panel shows it on hovering.
    QString toolTip()
    {
        const auto [service, itemPath] = m_watcher->itemAddresses.constLast();
        const QDBusMessage reply =
            call(service, itemPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                 {QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("ToolTip")});
        if (reply.type() != QDBusMessage::ReplyMessage) {
            return {};
        }
        const QDBusArgument argument =
            reply.arguments().value(0).value<QDBusVariant>().variant().value<QDBusArgument>();
        QString iconName;
        QString title;
        argument.beginStructure();
        argument >> iconName;
        argument.beginArray();
        while (!argument.atEnd()) {
            int width = 0;
            int height = 0;
            QByteArray pixels;
            argument.beginStructure();
            argument >> width >> height >> pixels;
            argument.endStructure();
        }
        argument.endArray();
        argument >> title;
        argument.endStructure(); // releases the reader of the structure (the description stays unread)
        return title;
    }

    // Popups (menus) on screen whose top-left corner is where the pointer is.
    int popupsAt(QPoint pointer)
    {
        int found = 0;
        for (const XDisplay::Window &window : m_x->mappedWindows()) {
            if (window.overrideRedirect && window.geometry.height() > 100 &&
                (window.geometry.topLeft() - pointer).manhattanLength() <= 4) {
                ++found;
            }
        }
        return found;
    }

private Q_SLOTS:
    void initTestCase()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        const QString dbusDaemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (xvfb.isEmpty() || dbusDaemon.isEmpty()) {
            QSKIP("Xvfb and dbus-daemon are needed (packages xvfb and dbus-daemon)");
        }
        QVERIFY(m_dir.isValid());

        m_bus.start(dbusDaemon,
                    {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        QVERIFY(m_bus.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(m_bus.canReadLine(), 10000);
        m_busAddress = QString::fromUtf8(m_bus.readLine().trimmed());

        m_xserver.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                               QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                               QStringLiteral("800x600x24")});
        QVERIFY(m_xserver.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(m_xserver.canReadLine(), 10000);
        m_display = QLatin1Char(':') + QString::fromUtf8(m_xserver.readLine().trimmed());

        QDBusConnection panel = QDBusConnection::connectToBus(m_busAddress, QStringLiteral("panel"));
        QVERIFY(panel.isConnected());
        m_notifications = new NotificationsAdaptor(&m_notificationsObject);
        QVERIFY(panel.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &m_notificationsObject));
        QVERIFY(panel.registerService(QStringLiteral("org.freedesktop.Notifications")));

        // The terms are accepted already, so the whole menu is live.
        QSettings settings(path("config/io.tamsel.desktop.conf"), QSettings::IniFormat);
        settings.setValue(QStringLiteral("legalAgreement.acceptedVersion"), 2);
        settings.sync();

        m_devsim.setProgram(kestrix::buildpaths::devsim());
        m_devsim.setArguments(devsimArguments(QStringLiteral("dorvel")));
        m_devsim.start();
        QVERIFY(m_devsim.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(path("bus/dorvel.json")), 10000);

        m_app.setProgram(kestrix::buildpaths::app());
        m_app.setProcessEnvironment(appEnvironment());
        m_app.setProcessChannelMode(QProcess::SeparateChannels);
        m_app.start();
        QVERIFY(m_app.waitForStarted());
        m_x = std::make_unique<XDisplay>(m_display);
        QVERIFY(m_x->isValid());
    }

    // The panel comes up after Kestrix (a session whose panel starts late): Kestrix first offers
    // its window, then shows its icon as soon as the panel's watcher has a host.
    void theIconFollowsAPanelThatStartsLater()
    {
        QTRY_VERIFY_WITH_TIMEOUT(appErrors().contains("no system tray"), 20000);
        QVERIFY(m_watcher == nullptr);
        m_watcher = new WatcherAdaptor(&m_watcherObject);
        QDBusConnection panel = bus();
        QVERIFY(panel.registerObject(QStringLiteral("/StatusNotifierWatcher"), &m_watcherObject));
        QVERIFY(panel.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")));
        QTRY_VERIFY_WITH_TIMEOUT(!m_watcher->itemAddresses.isEmpty(), 20000);
    }

    void theMenuIsExportedToThePanel()
    {
        QVERIFY(m_watcher && !m_watcher->itemAddresses.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(layout().find(QStringLiteral("Device: TARN v1.0.0")) != nullptr, 20000);
        const QStringList expected{QStringLiteral("Mic: —"),
                                   QStringLiteral("Toggle Mic Mute"),
                                   QStringLiteral("—"),
                                   QStringLiteral("Preset"),
                                   QStringLiteral("Custom Shortcut…"),
                                   QStringLiteral("RGB Settings…"),
                                   QStringLiteral("Status Rules…"),
                                   QStringLiteral("Pause Status Light"),
                                   QStringLiteral("Timer…"),
                                   QStringLiteral("Advanced Setup…"),
                                   QStringLiteral("Feature Request…"),
                                   QStringLiteral("—"),
                                   QStringLiteral("Device: TARN v1.0.0"),
                                   QStringLiteral("—"),
                                   QStringLiteral("Kestrix v" KESTRIX_VERSION),
                                   QStringLiteral("Check for Updates…"),
                                   QStringLiteral("—"),
                                   QStringLiteral("Check for TARN Update…"),
                                   QStringLiteral("—"),
                                   QStringLiteral("Uninstall Kestrix…"),
                                   QStringLiteral("Terms…"),
                                   QStringLiteral("Quit Kestrix")};
        // The firmware check after the attach may still be running against the dead update server.
        QTRY_COMPARE_WITH_TIMEOUT(visibleTopLevelLabels(), expected, 20000);
        const MenuNode menu = layout();
        QVERIFY(!menu.find(QStringLiteral("Mic: —"))->isEnabled()); // text lines are inert
        QVERIFY(menu.find(QStringLiteral("Terms…"))->isEnabled());
        const MenuNode *preset = menu.find(QStringLiteral("Preset"));
        QCOMPARE(preset->properties.value(QStringLiteral("children-display")).toString(), QStringLiteral("submenu"));
        QCOMPARE(preset->children.size(), 2);
        QCOMPARE(preset->children.at(1).label(), QStringLiteral("Media"));
    }

    // A click from the panel binds the preset on the device; the label then carries the mark.
    void aPresetClickedInThePanelReachesTheDevice()
    {
        const MenuNode *volumeUp = nullptr;
        MenuNode menu = layout();
        volumeUp = menu.find(QStringLiteral("Volume Up"));
        QVERIFY(volumeUp);
        const auto before = reportsTo(QStringLiteral("dorvel")).size();
        const QDBusMessage clicked =
            call(m_menuService, m_menuPath, QStringLiteral("com.canonical.dbusmenu"), QStringLiteral("Event"),
                 {volumeUp->id, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u});
        QCOMPARE(clicked.type(), QDBusMessage::ReplyMessage);
        QTRY_VERIFY_WITH_TIMEOUT(reportsTo(QStringLiteral("dorvel")).mid(before).contains(hexReport("0002")), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(layout().find(QStringLiteral("✓ Volume Up")) != nullptr, 10000);
    }

    // The icon says in words what the LED shows: a script's signal, then the device's absence.
    void theToolTipSaysWhatTheLedShows()
    {
        QVERIFY(m_watcher && !m_watcher->itemAddresses.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(toolTip().startsWith(QStringLiteral("Kestrix — ")), 10000);
        QVERIFY(toolTip() != QStringLiteral("Kestrix — No Dorvel connected"));
        QProcess signal;
        signal.setProcessEnvironment(appEnvironment());
        signal.start(kestrix::buildpaths::signalTool(), {QStringLiteral("ai_execution"), QStringLiteral("1")});
        QVERIFY(signal.waitForFinished(10000));
        QCOMPARE(signal.exitCode(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(toolTip(), QStringLiteral("Kestrix — AI Execution"), 10000);
        signal.start(kestrix::buildpaths::signalTool(), {QStringLiteral("ai_execution"), QStringLiteral("0")});
        QVERIFY(signal.waitForFinished(10000));
        QTRY_VERIFY_WITH_TIMEOUT(toolTip() != QStringLiteral("Kestrix — AI Execution"), 10000);
    }

    // A left click: the panel asks the item to activate (Qt's item does not call itself a menu), and
    // the same menu comes up where the pointer is; activating again closes it. A middle click opens
    // nothing.
    void aLeftClickOpensTheMenuAtThePointer()
    {
        QVERIFY(m_watcher && !m_watcher->itemAddresses.isEmpty());
        const QPoint pointer(300, 200);
        m_x->movePointer(pointer);
        QCOMPARE(popupsAt(pointer), 0);
        QCOMPARE(callItem(QStringLiteral("SecondaryActivate"), {pointer.x(), pointer.y()}).type(),
                 QDBusMessage::ReplyMessage);
        QCOMPARE(callItem(QStringLiteral("Activate"), {pointer.x(), pointer.y()}).type(), QDBusMessage::ReplyMessage);
        QTRY_COMPARE_WITH_TIMEOUT(popupsAt(pointer), 1, 10000);
        QCOMPARE(callItem(QStringLiteral("Activate"), {pointer.x(), pointer.y()}).type(), QDBusMessage::ReplyMessage);
        QTRY_COMPARE_WITH_TIMEOUT(popupsAt(pointer), 0, 10000);
        QCOMPARE(m_app.state(), QProcess::Running);
    }

    // A window opened from the panel's menu carries the application's icon and closes on Escape.
    void aSettingsWindowHasTheIconAndClosesOnEscape()
    {
        const MenuNode *rgb = nullptr;
        MenuNode menu = layout();
        rgb = menu.find(QStringLiteral("RGB Settings…"));
        QVERIFY(rgb);
        QCOMPARE(call(m_menuService, m_menuPath, QStringLiteral("com.canonical.dbusmenu"), QStringLiteral("Event"),
                      {rgb->id, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u})
                     .type(),
                 QDBusMessage::ReplyMessage);
        std::optional<XDisplay::Window> window;
        QTRY_VERIFY_WITH_TIMEOUT((window = m_x->windowTitled(QStringLiteral("RGB Settings"))).has_value(), 10000);
        // _NET_WM_ICON: width, height, then that many ARGB pixels, for each size.
        const QByteArray icon = m_x->property(window->id, "_NET_WM_ICON");
        QVERIFY2(icon.size() >= 8 + 16 * 16 * 4, qPrintable(QString::number(icon.size())));
        // X11 desktops match a window to its desktop entry by the class in WM_CLASS (instance and
        // class, each ending in a zero byte).
        QFile entry(kestrix::buildpaths::desktopEntryFile());
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QByteArray entryText = entry.readAll();
        const qsizetype wmClassLine = entryText.indexOf("\nStartupWMClass=");
        QVERIFY(wmClassLine >= 0);
        const QByteArray wmClass = m_x->property(window->id, "WM_CLASS");
        QCOMPARE(wmClass.split('\0').value(1), entryText.mid(wmClassLine + 16).split('\n').constFirst());
        // The window has the input focus once shown; Escape closes it.
        QTest::qWait(200);
        m_x->sendKey(window->id, escapeKeycode);
        QTRY_VERIFY_WITH_TIMEOUT(!m_x->windowTitled(QStringLiteral("RGB Settings")).has_value(), 10000);
        QCOMPARE(m_app.state(), QProcess::Running);
    }

    // A second start hands over to the running one, which says so through the tray.
    void aSecondStartShowsTheRunningOne()
    {
        QProcess second;
        second.setProcessEnvironment(appEnvironment());
        second.start(kestrix::buildpaths::app(), QStringList{});
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(
            m_notifications->bodies.contains(QStringLiteral("Kestrix: Kestrix is already running.")), 10000);
        QCOMPARE(m_app.state(), QProcess::Running);
    }

    // Started without --verbose, Kestrix has said only that there was no tray at first: nothing of
    // Qt's, the libraries' (PipeWire, D-Bus) or its own diagnostics, on either channel.
    void aStartWithoutVerbosePrintsNothingElse()
    {
        QCOMPARE(m_app.state(), QProcess::Running);
        QCOMPARE(QString::fromLocal8Bit(appErrors()),
                 QStringLiteral("Kestrix: no system tray is available; showing the Kestrix window instead.\n"));
        QCOMPARE(QString::fromLocal8Bit(m_appOutput), QString());
    }

    // Two Dorvels present when Kestrix starts are matched in one go: the one it holds still gets its
    // state query answered, so the firmware check runs and offers the update published meanwhile.
    // Then a Dorvel plugged in while the firmware goes to the held one gets none of it; the update
    // completes on the held one, and the newcomer is attached once the update lets go of the link.
    void twoDorvelsAtStartThenOnePluggedInDuringTheUpdate()
    {
        QVERIFY(m_watcher);
        QProcess image;
        image.start(kestrix::buildpaths::devsim(), {QStringLiteral("--make-image"), path("tarn.bin"),
                                                    QStringLiteral("--version"), QStringLiteral("1.1.0")});
        QVERIFY(image.waitForFinished(10000) && image.exitCode() == 0);
        QFile imageFile(path("tarn.bin"));
        QVERIFY(imageFile.open(QIODevice::ReadOnly));
        m_releases.serve(QStringLiteral("/releases/tarn-rp2350/tarn.bin"), imageFile.readAll());
        m_releases.serve(QStringLiteral("/releases/tarn-rp2350/latest.json"),
                         QByteArray(R"({"version": "1.1.0", "asset": "tarn.bin"})"));
        m_updateBase = m_releases.url(QString()).toString();

        m_app.terminate();
        QVERIFY(m_app.waitForFinished(10000));
        m_second.start(kestrix::buildpaths::devsim(),
                       devsimArguments(QStringLiteral("second")) +
                           QStringList{QStringLiteral("--location"), QStringLiteral("0x14300000"),
                                       QStringLiteral("--device-id"), QStringLiteral("5ec0d5ec0d5ec0d0")});
        QVERIFY(m_second.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(path("bus/second.json")), 10000);
        const auto dorvelBefore = reportsTo(QStringLiteral("dorvel")).size();
        const auto items = m_watcher->itemAddresses.size();
        m_app.setProcessEnvironment(appEnvironment());
        m_app.start();
        QVERIFY(m_app.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(m_watcher->itemAddresses.size() > items, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(layout().find(QStringLiteral("TARN Update Available: v1.0.0 → v1.1.0")), 20000);

        // Only the held one gets the identity query that ends an attach.
        const auto identityQueried = [&](const QString &name, qsizetype before) {
            return reportsTo(name).mid(before).contains(hexReport("04"));
        };
        QTRY_VERIFY_WITH_TIMEOUT(identityQueried(QStringLiteral("dorvel"), dorvelBefore) ||
                                     identityQueried(QStringLiteral("second"), 0),
                                 10000);
        const bool dorvelHeld = identityQueried(QStringLiteral("dorvel"), dorvelBefore);
        QCOMPARE(identityQueried(QStringLiteral("second"), 0), !dorvelHeld);
        const QString held = dorvelHeld ? QStringLiteral("dorvel") : QStringLiteral("second");

        const QString other = dorvelHeld ? QStringLiteral("second") : QStringLiteral("dorvel");
        QProcess &otherDevice = dorvelHeld ? m_second : m_devsim;
        otherDevice.write("unplug\n");
        QTRY_VERIFY_WITH_TIMEOUT(stateOf(other).value(QStringLiteral("appConnections")).toInt(-1) == 0, 10000);

        const MenuNode menu = layout();
        const MenuNode *update = menu.find(QStringLiteral("TARN Update Available: v1.0.0 → v1.1.0"));
        QVERIFY(update);
        QCOMPARE(call(m_menuService, m_menuPath, QStringLiteral("com.canonical.dbusmenu"), QStringLiteral("Event"),
                      {update->id, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u})
                     .type(),
                 QDBusMessage::ReplyMessage);
        QTRY_COMPARE_WITH_TIMEOUT(updatePhaseOf(held), QStringLiteral("receiving"), 20000);

        const auto otherBefore = reportsTo(other).size();
        otherDevice.write("plug\n");
        QTRY_VERIFY_WITH_TIMEOUT(stateOf(other).value(QStringLiteral("appConnections")).toInt() == 1, 10000);
        QCOMPARE(updatePhaseOf(held), QStringLiteral("receiving")); // Kestrix found it mid-transfer

        QTRY_COMPARE_WITH_TIMEOUT(stateOf(held).value(QStringLiteral("version")).toString(), QStringLiteral("1.1.0"),
                                  30000);
        // Attached: the LED state first, then the attach's queries.
        QTRY_VERIFY_WITH_TIMEOUT(reportsTo(other).mid(otherBefore).contains(hexReport("ff")), 20000);
        QVERIFY(reportsTo(other).at(otherBefore).startsWith("02"));
        for (const QByteArray &report : reportsTo(other)) {
            QVERIFY2(!report.startsWith("03"), report.constData());
        }
    }

    void cleanupTestCase() { stopProcesses({&m_app, &m_devsim, &m_second, &m_xserver, &m_bus}); }
};

QTEST_GUILESS_MAIN(TrayPanelTest)
#include "tst_traypanel.moc"
