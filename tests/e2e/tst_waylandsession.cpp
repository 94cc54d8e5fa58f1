// Kestrix in a Wayland session, as a user there has it: sway without a screen (headless, drawn in
// software) with swaybar hosting the tray, a private session bus and Qt's Wayland platform. The
// test plays the user's hands: it clicks the tray item over D-Bus as swaybar does on a click (there
// is no pointer), types with wtype (a virtual keyboard), reads the windows and their app ids from
// sway's tree, and asks sway for an activation token as a launcher does before a second start. Run
// as root (as CI does), everything of the session runs as an ordinary user that the test makes,
// since sway refuses to run as root.
#include "DbusMenu.h"
#include "support/BuildPaths.h"
#include "support/ChildProcesses.h"
#include "support/TestMain.h"
#include "support/TestTime.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLibraryInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <wayland-client.h>
#include <xdg-activation-v1-client.h>

#include <pwd.h>
#include <unistd.h>

#include <chrono>
#include <optional>

using namespace std::chrono_literals;

namespace {

// A real-time limit for waiting on the session, scaled for slow builds.
int waitMs(std::chrono::milliseconds limit)
{
    return static_cast<int>(TestTime::scaled(limit).count());
}

// A window as sway's tree shows it.
struct View {
    QString title;
    QString appId;
    bool focused = false;
};

void collectViews(const QJsonObject &node, QList<View> &views)
{
    if (node.contains(QStringLiteral("app_id"))) {
        views.append({node.value(QStringLiteral("name")).toString(), node.value(QStringLiteral("app_id")).toString(),
                      node.value(QStringLiteral("focused")).toBool()});
    }
    for (const char *children : {"nodes", "floating_nodes"}) {
        for (const QJsonValue child : node.value(QLatin1String(children)).toArray()) {
            collectViews(child.toObject(), views);
        }
    }
}

// Asks the compositor for an activation token, as a launcher does for the program it starts. Empty
// when the compositor gives none.
QString requestActivationToken(const QString &waylandSocket)
{
    struct Request {
        xdg_activation_v1 *activation = nullptr;
        std::optional<QString> token;
    } request;
    static const wl_registry_listener registryListener{
        [](void *data, wl_registry *registry, std::uint32_t name, const char *interface, std::uint32_t) {
            if (qstrcmp(interface, xdg_activation_v1_interface.name) == 0) {
                static_cast<Request *>(data)->activation =
                    static_cast<xdg_activation_v1 *>(wl_registry_bind(registry, name, &xdg_activation_v1_interface, 1));
            }
        },
        [](void *, wl_registry *, std::uint32_t) {
        }};
    static const xdg_activation_token_v1_listener tokenListener{
        [](void *data, xdg_activation_token_v1 *, const char *token) {
            static_cast<Request *>(data)->token = QString::fromUtf8(token);
        }};

    wl_display *display = wl_display_connect(QFile::encodeName(waylandSocket).constData());
    if (!display) {
        return {};
    }
    wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, &request);
    wl_display_roundtrip(display);
    if (request.activation) {
        xdg_activation_token_v1 *token = xdg_activation_v1_get_activation_token(request.activation);
        xdg_activation_token_v1_add_listener(token, &tokenListener, &request);
        xdg_activation_token_v1_commit(token);
        while (!request.token && wl_display_dispatch(display) != -1) {
        }
        xdg_activation_token_v1_destroy(token);
        xdg_activation_v1_destroy(request.activation);
    }
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return request.token.value_or(QString());
}

// The session's user when the test runs as root; made by the test unless it exists already.
constexpr char sessionUserName[] = "kestrix-wayland-test";

} // namespace

// One session, as a user has it: the test functions are its steps, in the order declared.
class WaylandSessionTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QProcess m_bus;
    QProcess m_sway;
    QProcess m_devsim;
    QProcess m_app;
    QProcess m_keyboard;
    std::optional<std::pair<uid_t, gid_t>> m_user; // set when running as root
    bool m_madeUser = false;
    QString m_appPath = kestrix::buildpaths::app();
    QString m_devsimPath = kestrix::buildpaths::devsim();
    QString m_busAddress;
    QString m_waylandSocket; // absolute path
    QString m_itemService;
    QString m_itemPath;
    QByteArray m_appOutput; // everything the app printed so far, on either channel

    QByteArray appOutput()
    {
        m_appOutput += m_app.readAllStandardError() + m_app.readAllStandardOutput();
        return m_appOutput;
    }

    QString path(const QString &name) const { return m_dir.filePath(name); }
    QString runtimeDir() const { return path(QStringLiteral("run")); }
    QDBusConnection bus() const { return QDBusConnection(QStringLiteral("session")); }

    // Makes a folder of the session user's own.
    bool makeUserDir(const QString &name)
    {
        const QString dir = path(name);
        return QDir().mkpath(dir) &&
               QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) && giveToUser(dir);
    }
    bool giveToUser(const QString &file) const
    {
        return !m_user || ::chown(QFile::encodeName(file).constData(), m_user->first, m_user->second) == 0;
    }

    // Starts a program of the session: as the session's user when the test runs as root.
    void startInSession(QProcess &process, const QString &program, const QStringList &arguments,
                        const QProcessEnvironment &environment)
    {
        process.setProcessEnvironment(environment);
        if (m_user) {
            process.start(QStringLiteral("setpriv"),
                          QStringList{QStringLiteral("--reuid=%1").arg(m_user->first),
                                      QStringLiteral("--regid=%1").arg(m_user->second),
                                      QStringLiteral("--clear-groups"), QStringLiteral("--"), program} +
                              arguments);
        } else {
            process.start(program, arguments);
        }
    }

    QProcessEnvironment sessionEnvironment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "XDG_CURRENT_DESKTOP", "XDG_SESSION_TYPE",
                                 "XDG_ACTIVATION_TOKEN", "DESKTOP_STARTUP_ID"}) {
            env.remove(QLatin1String(name));
        }
        env.insert(QStringLiteral("HOME"), path(QStringLiteral("home")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("home/config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("home/data")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), path(QStringLiteral("home/cache")));
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_busAddress);
        if (!m_waylandSocket.isEmpty()) {
            env.insert(QStringLiteral("WAYLAND_DISPLAY"), m_waylandSocket);
        }
        return env;
    }
    QProcessEnvironment appEnvironment() const
    {
        QProcessEnvironment env = sessionEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        env.insert(QStringLiteral("KESTRIX_DEVICE_BUS"), path(QStringLiteral("devices")));
        env.insert(QStringLiteral("KESTRIX_UPDATE_BASE_URL"), QStringLiteral("http://127.0.0.1:9/"));
        return env;
    }

    // Runs a tool of the test's own against the session and returns what it printed; empty when it
    // failed.
    QByteArray run(const QString &program, const QStringList &arguments)
    {
        QProcess tool;
        tool.setProcessEnvironment(sessionEnvironment());
        tool.start(program, arguments);
        const bool ran =
            tool.waitForFinished(waitMs(10s)) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
        return ran ? tool.readAllStandardOutput() : QByteArray();
    }
    QByteArray swaymsg(const QStringList &arguments)
    {
        return run(QStringLiteral("swaymsg"),
                   QStringList{QStringLiteral("-s"), path(QStringLiteral("run/sway.sock"))} + arguments);
    }
    QList<View> views()
    {
        QList<View> found;
        collectViews(
            QJsonDocument::fromJson(swaymsg({QStringLiteral("-r"), QStringLiteral("-t"), QStringLiteral("get_tree")}))
                .object(),
            found);
        return found;
    }
    std::optional<View> view(const QString &title)
    {
        for (const View &view : views()) {
            if (view.title == title) {
                return view;
            }
        }
        return std::nullopt;
    }
    bool isFocused(const QString &title)
    {
        const auto found = view(title);
        return found && found->focused;
    }
    // Types on the virtual keyboard into the focused window. Each call brings a keymap of its own,
    // and the first key after a new keymap may go missing, so a lone Shift leads.
    bool type(const QStringList &arguments)
    {
        QProcess wtype;
        wtype.setProcessEnvironment(sessionEnvironment());
        wtype.start(QStringLiteral("wtype"), QStringList{QStringLiteral("-k"), QStringLiteral("Shift_L")} + arguments);
        return wtype.waitForFinished(waitMs(10s)) && wtype.exitCode() == 0;
    }

    QDBusMessage call(const QString &service, const QString &objectPath, const QString &interface,
                      const QString &method, const QVariantList &arguments)
    {
        QDBusMessage message = QDBusMessage::createMethodCall(service, objectPath, interface, method);
        message.setArguments(arguments);
        return bus().call(message, QDBus::Block, waitMs(5s));
    }
    // The items registered with the bar's watcher, each as "service/path" or a bare service.
    QStringList registeredItems()
    {
        const QDBusMessage reply =
            call(QStringLiteral("org.kde.StatusNotifierWatcher"), QStringLiteral("/StatusNotifierWatcher"),
                 QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                 {QStringLiteral("org.kde.StatusNotifierWatcher"), QStringLiteral("RegisteredStatusNotifierItems")});
        return reply.arguments().value(0).value<QDBusVariant>().variant().toStringList();
    }
    QDBusMessage callItem(const QString &method, const QVariantList &arguments)
    {
        return call(m_itemService, m_itemPath, QStringLiteral("org.kde.StatusNotifierItem"), method, arguments);
    }
    // Clicks the entry with this label in the item's exported menu, as the bar does.
    bool clickMenuEntry(const QString &label)
    {
        const QDBusMessage menuPath =
            call(m_itemService, m_itemPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                 {QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Menu")});
        const QString menu =
            qvariant_cast<QDBusObjectPath>(menuPath.arguments().value(0).value<QDBusVariant>().variant()).path();
        const QDBusMessage layout = call(m_itemService, menu, QStringLiteral("com.canonical.dbusmenu"),
                                         QStringLiteral("GetLayout"), {0, -1, QStringList()});
        if (layout.arguments().size() < 2) {
            return false;
        }
        const MenuNode root = readNode(layout.arguments().at(1).value<QDBusArgument>());
        const MenuNode *entry = root.find(label);
        return entry && entry->isVisible() && entry->isEnabled() &&
               call(m_itemService, menu, QStringLiteral("com.canonical.dbusmenu"), QStringLiteral("Event"),
                    {entry->id, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u})
                       .type() == QDBusMessage::ReplyMessage;
    }
    QJsonObject deviceBinding() const
    {
        QFile file(path(QStringLiteral("home/dorvel-state.json")));
        return file.open(QIODevice::ReadOnly)
                   ? QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("binding")).toObject()
                   : QJsonObject();
    }

    // Where the session's user may run the build's programs: a build below a folder closed to
    // others (a checkout in root's home) cannot be run from where it is.
    bool copyProgramsForTheUser()
    {
        const QString bin = path(QStringLiteral("bin"));
        if (!QDir().mkpath(bin + QStringLiteral("/resources"))) {
            return false;
        }
        // The app's resources sit beside it in the build.
        const QDir resources(QFileInfo(m_appPath).dir().filePath(QStringLiteral("resources")));
        for (const QString &name : resources.entryList(QDir::Files)) {
            if (!QFile::copy(resources.filePath(name), bin + QStringLiteral("/resources/") + name)) {
                return false;
            }
        }
        for (QString *program : {&m_appPath, &m_devsimPath}) {
            const QString copy = bin + QLatin1Char('/') + QFileInfo(*program).fileName();
            if (!QFile::copy(*program, copy)) {
                return false;
            }
            *program = copy;
        }
        return true;
    }

    bool haveSessionUser()
    {
        if (::geteuid() != 0) {
            return true;
        }
        if (!::getpwnam(sessionUserName)) {
            QProcess useradd;
            useradd.start(QStringLiteral("useradd"),
                          {QStringLiteral("--system"), QStringLiteral("--user-group"),
                           QStringLiteral("--no-create-home"), QStringLiteral("--home-dir"),
                           QStringLiteral("/nonexistent"), QStringLiteral("--shell"),
                           QStringLiteral("/usr/sbin/nologin"), QLatin1String(sessionUserName)});
            if (!useradd.waitForFinished(waitMs(30s)) || useradd.exitCode() != 0) {
                return false;
            }
            m_madeUser = true;
        }
        const passwd *user = ::getpwnam(sessionUserName);
        if (!user) {
            return false;
        }
        m_user = std::pair{user->pw_uid, user->pw_gid};
        return true;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QStringList needed{QStringLiteral("sway"), QStringLiteral("swaybar"), QStringLiteral("swaymsg"),
                           QStringLiteral("wtype"), QStringLiteral("dbus-daemon")};
        if (::geteuid() == 0) {
            needed << QStringLiteral("setpriv") << QStringLiteral("useradd");
        }
        QStringList missing;
        for (const QString &program : std::as_const(needed)) {
            if (QStandardPaths::findExecutable(program).isEmpty()) {
                missing << program;
            }
        }
        if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                           QStringLiteral("/platforms/libqwayland-generic.so"))) {
            missing << QStringLiteral("Qt's Wayland platform");
        }
        if (!missing.isEmpty()) {
            QSKIP(qPrintable(QStringLiteral("missing: %1 (packages sway, wtype, dbus-daemon, util-linux, passwd, "
                                            "qt6-wayland)")
                                 .arg(missing.join(QStringLiteral(", ")))));
        }
        QVERIFY(m_dir.isValid());
        QVERIFY(haveSessionUser());
        // The session's user finds its way into the test's folder, and owns its part of it.
        QVERIFY(QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                        QFile::ExeGroup | QFile::ExeOther));
        QVERIFY(makeUserDir(QStringLiteral("run")));
        QVERIFY(makeUserDir(QStringLiteral("home")));
        for (const char *dir : {"home/config", "home/data", "home/cache", "devices"}) {
            QVERIFY(makeUserDir(QLatin1String(dir)));
        }
        if (m_user) {
            QVERIFY(copyProgramsForTheUser());
        }

        // A session bus that lets in the test too, which runs as another user.
        QFile busConfig(path(QStringLiteral("bus.conf")));
        QVERIFY(busConfig.open(QIODevice::WriteOnly));
        busConfig.write("<busconfig>\n"
                        "  <type>session</type>\n"
                        "  <listen>unix:path=" +
                        QFile::encodeName(runtimeDir()) +
                        "/bus</listen>\n"
                        "  <auth>EXTERNAL</auth>\n"
                        "  <policy context=\"default\">\n"
                        "    <allow user=\"*\"/>\n"
                        "    <allow own=\"*\"/>\n"
                        "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                        "    <allow eavesdrop=\"true\"/>\n"
                        "  </policy>\n"
                        "</busconfig>\n");
        busConfig.close();
        // The session's own talk goes to files beside it, where a failed run leaves them.
        m_bus.setStandardErrorFile(path(QStringLiteral("bus.log")));
        m_sway.setStandardOutputFile(path(QStringLiteral("sway.log")));
        m_sway.setStandardErrorFile(path(QStringLiteral("sway.log")), QIODevice::Append);
        m_devsim.setStandardErrorFile(path(QStringLiteral("devsim.log")));
        startInSession(m_bus, QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--config-file=") + busConfig.fileName(), QStringLiteral("--nofork"),
                        QStringLiteral("--print-address=1")},
                       sessionEnvironment());
        QVERIFY(m_bus.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(m_bus.canReadLine(), waitMs(10s));
        m_busAddress = QString::fromUtf8(m_bus.readLine().trimmed());
        QVERIFY(QDBusConnection::connectToBus(m_busAddress, QStringLiteral("session")).isConnected());

        // sway with one headless output; its bar shows every tray item, and a window that asks to
        // be activated (with a valid token) gets the focus.
        QFile swayConfig(path(QStringLiteral("sway.conf")));
        QVERIFY(swayConfig.open(QIODevice::WriteOnly));
        swayConfig.write("xwayland disable\n"
                         "focus_on_window_activation focus\n"
                         "bar {\n    tray_output *\n}\n");
        swayConfig.close();
        QProcessEnvironment swayEnv = sessionEnvironment();
        swayEnv.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
        swayEnv.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
        swayEnv.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
        swayEnv.insert(QStringLiteral("SWAYSOCK"), path(QStringLiteral("run/sway.sock")));
        startInSession(m_sway, QStringLiteral("sway"), {QStringLiteral("-c"), swayConfig.fileName()}, swayEnv);
        QVERIFY(m_sway.waitForStarted());
        const auto waylandSocket = [this] {
            const QStringList sockets = QDir(runtimeDir()).entryList({QStringLiteral("wayland-*")}, QDir::System);
            for (const QString &name : sockets) {
                if (!name.endsWith(QLatin1String(".lock"))) {
                    return QDir(runtimeDir()).filePath(name);
                }
            }
            return QString();
        };
        QTRY_VERIFY_WITH_TIMEOUT(!(m_waylandSocket = waylandSocket()).isEmpty(), waitMs(20s));
        QTRY_VERIFY_WITH_TIMEOUT(!swaymsg({QStringLiteral("-t"), QStringLiteral("get_version")}).isEmpty(),
                                 waitMs(20s));
        // A headless seat has no keyboard. One that stays (a wtype that only waits) keeps the seat's
        // keyboard from coming and going with each typing, which loses the keys that arrive while
        // the app takes up the new keyboard.
        m_keyboard.setProcessEnvironment(sessionEnvironment());
        m_keyboard.start(QStringLiteral("wtype"), {QStringLiteral("-s"), QStringLiteral("3600000")});
        QTRY_VERIFY_WITH_TIMEOUT(swaymsg({QStringLiteral("-t"), QStringLiteral("get_inputs")}).contains("\"keyboard\""),
                                 waitMs(10s));

        // The terms are accepted already, so the whole menu is live.
        const QString settings = path(QStringLiteral("home/config/io.tamsel.desktop.conf"));
        QFile settingsFile(settings);
        QVERIFY(settingsFile.open(QIODevice::WriteOnly));
        settingsFile.write("[General]\nlegalAgreement.acceptedVersion=2\n");
        settingsFile.close();
        QVERIFY(giveToUser(settings));

        startInSession(m_devsim, m_devsimPath,
                       {QStringLiteral("--bus"), path(QStringLiteral("devices")), QStringLiteral("--name"),
                        QStringLiteral("dorvel"), QStringLiteral("--state-file"),
                        path(QStringLiteral("home/dorvel-state.json")), QStringLiteral("--quiet")},
                       sessionEnvironment());
        QVERIFY(m_devsim.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(path(QStringLiteral("devices/dorvel.json"))), waitMs(10s));

        startInSession(m_app, m_appPath, {}, appEnvironment());
        QVERIFY(m_app.waitForStarted());
    }

    void theItemRegistersWithTheBarsWatcher()
    {
        QTRY_VERIFY_WITH_TIMEOUT(!registeredItems().isEmpty(), waitMs(20s));
        const QString item = registeredItems().constFirst();
        const qsizetype slash = item.indexOf(QLatin1Char('/'));
        m_itemService = slash < 0 ? item : item.left(slash);
        m_itemPath = slash < 0 ? QStringLiteral("/StatusNotifierItem") : item.mid(slash);
    }

    // A click on the icon activates the item; with no pointer position to pop a menu at, the menu
    // comes as a window, known to the compositor by the app id of the installed desktop entry.
    void activatingTheItemOpensTheWindowUnderTheEntrysId()
    {
        QVERIFY(!m_itemService.isEmpty());
        QCOMPARE(callItem(QStringLiteral("Activate"), {0, 0}).type(), QDBusMessage::ReplyMessage);
        QTRY_VERIFY_WITH_TIMEOUT(view(QStringLiteral("Kestrix")).has_value(), waitMs(10s));
        const QFileInfo entry(kestrix::buildpaths::desktopEntryFile());
        QVERIFY(entry.isFile());
        QCOMPARE(view(QStringLiteral("Kestrix"))->appId, entry.completeBaseName());
    }

    void escapeClosesTheWindow()
    {
        QTRY_VERIFY_WITH_TIMEOUT(isFocused(QStringLiteral("Kestrix")), waitMs(10s));
        QVERIFY(type({QStringLiteral("-k"), QStringLiteral("Escape")}));
        QTRY_VERIFY_WITH_TIMEOUT(!view(QStringLiteral("Kestrix")).has_value(), waitMs(10s));
        QCOMPARE(m_app.state(), QProcess::Running);
    }

    // From the menu, the shortcut window: its recorder takes Ctrl+Alt+2 from the keyboard, and
    // Apply (reached with Tab, pressed with Return) binds it on the device.
    void theRecorderTakesAChordFromTheKeyboard()
    {
        QTRY_VERIFY_WITH_TIMEOUT(clickMenuEntry(QStringLiteral("Custom Shortcut…")), waitMs(20s));
        QTRY_VERIFY_WITH_TIMEOUT(isFocused(QStringLiteral("Custom Shortcut")), waitMs(10s));
        // Space presses the recorder button, which has the focus; the chord follows, then the Tab
        // order leads over the repeat count and the gap to Apply. The recorder takes the place of a
        // key, and wtype gives the keys of its keymap the places of evdev codes 1, 2, 3, ... in the
        // order they first appear (Shift, space, the chord's key): the third is where 2 sits.
        QVERIFY(type({QStringLiteral("-k"), QStringLiteral("space"), QStringLiteral("-M"), QStringLiteral("ctrl"),
                      QStringLiteral("-M"), QStringLiteral("alt"),   QStringLiteral("-k"), QStringLiteral("2"),
                      QStringLiteral("-m"), QStringLiteral("alt"),   QStringLiteral("-m"), QStringLiteral("ctrl"),
                      QStringLiteral("-k"), QStringLiteral("Tab"),   QStringLiteral("-k"), QStringLiteral("Tab"),
                      QStringLiteral("-k"), QStringLiteral("Tab"),   QStringLiteral("-k"), QStringLiteral("Return")}));
        // Control (bit 0) and Alt (bit 2) with the usage of 2, once.
        const QJsonObject bound{{QStringLiteral("type"), QStringLiteral("custom")},
                                {QStringLiteral("mods"), 0x05},
                                {QStringLiteral("keycode"), 0x1F},
                                {QStringLiteral("repeat"), 1},
                                {QStringLiteral("gap"), 0}};
        QTRY_COMPARE_WITH_TIMEOUT(deviceBinding(), bound, waitMs(10s));
    }

    // Started again from a launcher while its window is on another workspace, Kestrix hands the
    // launcher's activation token to the running one, whose window comes forward with it.
    void aSecondStartRaisesTheOpenWindow()
    {
        QVERIFY(view(QStringLiteral("Custom Shortcut")).has_value());
        QVERIFY(!swaymsg({QStringLiteral("workspace"), QStringLiteral("elsewhere")}).isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(!isFocused(QStringLiteral("Custom Shortcut")), waitMs(10s));
        const QString token = requestActivationToken(m_waylandSocket);
        QVERIFY(!token.isEmpty());
        QProcess second;
        QProcessEnvironment env = appEnvironment();
        env.insert(QStringLiteral("XDG_ACTIVATION_TOKEN"), token);
        startInSession(second, m_appPath, {}, env);
        QVERIFY(second.waitForFinished(waitMs(20s)));
        QVERIFY2(second.exitCode() == 0, second.readAllStandardError().constData());
        QTRY_VERIFY_WITH_TIMEOUT(isFocused(QStringLiteral("Custom Shortcut")), waitMs(10s));
        QCOMPARE(m_app.state(), QProcess::Running);
    }

    // Without --verbose, nothing of Qt's Wayland platform or of Kestrix reached either channel.
    void nothingWasPrinted()
    {
        QCOMPARE(m_app.state(), QProcess::Running);
        QCOMPARE(QString::fromLocal8Bit(appOutput()), QString());
    }

    // A failed step leaves a picture of the screen behind (where grim is installed), and the
    // session's folder with it.
    void cleanup()
    {
        if (QTest::currentTestFailed() && m_sway.state() == QProcess::Running) {
            const QString screenshot = path(QString::fromLatin1(QTest::currentTestFunction()) + QStringLiteral(".png"));
            run(QStringLiteral("grim"), {screenshot});
            m_dir.setAutoRemove(false);
            qInfo().noquote() << "screen:" << screenshot << "app said:" << appOutput();
        }
    }

    void cleanupTestCase()
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("session"));
        stopProcesses({&m_app, &m_devsim, &m_keyboard, &m_sway, &m_bus}, waitMs(5s));
        if (m_madeUser) {
            QProcess::execute(QStringLiteral("userdel"), {QLatin1String(sessionUserName)});
        }
    }
};

QTEST_GUILESS_MAIN(WaylandSessionTest)
#include "tst_waylandsession.moc"
