// Kestrix's windows as a screen reader meets them: kestrix on an X server (Xvfb) with Qt's
// accessibility bridge switched on, its private session bus carrying the accessibility bus of
// at-spi2-core (bus launcher and registry). This test plays the screen reader: it reads each
// window's tree over org.a11y.atspi, presses buttons through their actions, moves the focus with
// Tab as the keyboard would and listens to the events a reader announces.
#include "support/BuildPaths.h"
#include "support/ChildProcesses.h"
#include "support/LocalHttpServer.h"
#include "support/TestMain.h"
#include "support/TestTime.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>

namespace {

// The X keycodes of the keys used in Xvfb's keymap (evdev codes plus 8).
constexpr xcb_keycode_t tabKeycode = 23;
constexpr xcb_keycode_t escapeKey = 9;
constexpr xcb_keycode_t spaceKeycode = 65;
constexpr xcb_keycode_t returnKeycode = 36;

// A wait of `seconds`, scaled for slow builds, in milliseconds.
int limit(int seconds)
{
    return static_cast<int>(TestTime::scaled(std::chrono::seconds(seconds)).count());
}

// AT-SPI states (bit numbers in GetState's two words).
enum State : int { checked = 4, focusable = 11, focused = 12, sensitive = 24, showing = 25, isDefault = 39 };

// One object of the accessibility tree: the application's bus name and the object's path.
struct Node {
    QString service;
    QString path;
    bool operator==(const Node &) const = default;
    bool isNull() const { return path.isEmpty() || path == QLatin1String("/org/a11y/atspi/null"); }
};

// An object reference, (so), read from `argument`.
Node readAccessibleNode(const QDBusArgument &argument)
{
    Node node;
    QDBusObjectPath path;
    argument.beginStructure();
    argument >> node.service >> path;
    argument.endStructure();
    node.path = path.path();
    return node;
}

// An event a screen reader hears: what changed (`kind`: "PropertyChange", "StateChanged",
// "TextChanged", ...), its detail ("accessible-name", "focused", ...), on which object.
struct Event {
    QString kind;
    QString detail;
    Node source;
};

// AT-SPI's relation "labelled by".
constexpr uint labelledBy = 2;

} // namespace

// The accessibility bus as a screen reader uses it.
class ScreenReader : public QObject {
    Q_OBJECT
public:
    explicit ScreenReader(const QString &address)
        : m_bus(QDBusConnection::connectToBus(address, QStringLiteral("reader")))
    {}
    ~ScreenReader() override { QDBusConnection::disconnectFromBus(QStringLiteral("reader")); }

    bool isConnected() const { return m_bus.isConnected(); }

    // Asks the registry for the events this reader announces, as a reader does before it listens
    // (Qt's bridge sends only events someone registered for).
    bool listen()
    {
        for (const char *kind : {"PropertyChange", "StateChanged", "TextChanged"}) {
            if (!m_bus.connect(QString(), QString(), QStringLiteral("org.a11y.atspi.Event.Object"),
                               QString::fromLatin1(kind), this, SLOT(heard(QDBusMessage)))) {
                return false;
            }
        }
        for (const char *event : {"object:property-change", "object:property-change:accessible-value",
                                  "object:state-changed", "object:text-changed"}) {
            QDBusMessage message = QDBusMessage::createMethodCall(
                QStringLiteral("org.a11y.atspi.Registry"), QStringLiteral("/org/a11y/atspi/registry"),
                QStringLiteral("org.a11y.atspi.Registry"), QStringLiteral("RegisterEvent"));
            message << QString::fromLatin1(event) << QStringList() << QString();
            if (m_bus.call(message).type() != QDBusMessage::ReplyMessage) {
                return false;
            }
        }
        return true;
    }

    QList<Event> events;
    Node focus; // the object that gained the focus last, as its events said

    QDBusMessage call(const Node &node, const QString &interface, const QString &method,
                      const QVariantList &arguments = {}) const
    {
        QDBusMessage message = QDBusMessage::createMethodCall(node.service, node.path, interface, method);
        message.setArguments(arguments);
        return m_bus.call(message, QDBus::Block, limit(5));
    }
    // The first value a method of org.a11y.atspi.Accessible returns; invalid when the object is gone.
    QVariant ask(const Node &node, const char *method) const
    {
        return call(node, QStringLiteral("org.a11y.atspi.Accessible"), QString::fromLatin1(method))
            .arguments()
            .value(0);
    }
    QVariant property(const Node &node, const char *interface, const char *name) const
    {
        const QDBusMessage reply = call(node, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                                        {QString::fromLatin1(interface), QString::fromLatin1(name)});
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }
    // A structured value as its reader; null for an object that has gone meanwhile.
    static std::optional<QDBusArgument> structured(const QVariant &value)
    {
        if (value.userType() != qMetaTypeId<QDBusArgument>()) {
            return std::nullopt;
        }
        return value.value<QDBusArgument>();
    }

    QString name(const Node &node) const { return property(node, "org.a11y.atspi.Accessible", "Name").toString(); }
    QString description(const Node &node) const
    {
        return property(node, "org.a11y.atspi.Accessible", "Description").toString();
    }
    QString role(const Node &node) const { return ask(node, "GetRoleName").toString(); }
    bool has(const Node &node, State state) const
    {
        QList<uint> words;
        if (const auto argument = structured(ask(node, "GetState"))) {
            *argument >> words;
        }
        const int word = state / 32;
        return word < words.size() && (words.at(word) & (1u << (state % 32))) != 0;
    }
    Node parent(const Node &node) const
    {
        const auto argument = structured(property(node, "org.a11y.atspi.Accessible", "Parent"));
        return argument ? readAccessibleNode(*argument) : Node{};
    }
    QList<Node> children(const Node &node) const
    {
        QList<Node> nodes;
        if (const auto argument = structured(ask(node, "GetChildren"))) {
            argument->beginArray();
            while (!argument->atEnd()) {
                nodes << readAccessibleNode(*argument);
            }
            argument->endArray();
        }
        return nodes;
    }
    // The objects related to `node` by relation `type` (AtspiRelationType).
    QList<Node> related(const Node &node, uint type) const
    {
        QList<Node> found;
        const auto argument = structured(ask(node, "GetRelationSet"));
        if (!argument) {
            return found;
        }
        argument->beginArray();
        while (!argument->atEnd()) {
            uint kind = 0;
            argument->beginStructure();
            *argument >> kind;
            argument->beginArray();
            while (!argument->atEnd()) {
                const Node target = readAccessibleNode(*argument);
                if (kind == type) {
                    found << target;
                }
            }
            argument->endArray();
            argument->endStructure();
        }
        argument->endArray();
        return found;
    }
    QStringList actions(const Node &node) const
    {
        QStringList names;
        const auto argument = structured(
            call(node, QStringLiteral("org.a11y.atspi.Action"), QStringLiteral("GetActions")).arguments().value(0));
        if (!argument) {
            return names;
        }
        argument->beginArray();
        while (!argument->atEnd()) {
            QString actionName, description, keys;
            argument->beginStructure();
            *argument >> actionName >> description >> keys;
            argument->endStructure();
            names << actionName;
        }
        argument->endArray();
        return names;
    }
    bool act(const Node &node, const QString &action) const
    {
        const qsizetype index = actions(node).indexOf(action);
        return index >= 0 && call(node, QStringLiteral("org.a11y.atspi.Action"), QStringLiteral("DoAction"),
                                  {static_cast<int>(index)})
                                 .arguments()
                                 .value(0)
                                 .toBool();
    }

    // The showing objects under `node`, depth first (the window's reading order).
    QList<Node> descendants(const Node &node) const
    {
        QList<Node> found;
        for (const Node &child : children(node)) {
            if (!has(child, showing)) {
                continue;
            }
            found << child;
            found << descendants(child);
        }
        return found;
    }

    // The application's showing top-level window with this name.
    std::optional<Node> window(const Node &application, const QString &title) const
    {
        for (const Node &child : children(application)) {
            if (has(child, showing) && name(child) == title) {
                return child;
            }
        }
        return std::nullopt;
    }
    std::optional<Node> find(const Node &within, const QString &role, const QString &name) const
    {
        for (const Node &node : descendants(within)) {
            if (this->name(node) == name && this->role(node) == role) {
                return node;
            }
        }
        return std::nullopt;
    }
    // What a reader says for an object: its role, the labels it is labelled by, its name and its
    // description where that says more than the name.
    QString spoken(const Node &node) const
    {
        QStringList parts;
        for (const Node &label : related(node, labelledBy)) {
            if (role(label) == QLatin1String("label")) {
                parts << name(label);
            }
        }
        const QString ownName = name(node);
        if (!parts.contains(ownName)) {
            parts << ownName;
        }
        const QString more = description(node);
        if (!more.isEmpty() && !ownName.contains(more)) {
            parts << more;
        }
        return role(node) + QStringLiteral(": ") + parts.join(QStringLiteral(", "));
    }

private Q_SLOTS:
    void heard(const QDBusMessage &message)
    {
        const QVariantList arguments = message.arguments();
        events << Event{message.member(), arguments.value(0).toString(), Node{message.service(), message.path()}};
        if (events.constLast().kind == QLatin1String("StateChanged") &&
            events.constLast().detail == QLatin1String("focused") && arguments.value(1).toInt() == 1) {
            focus = events.constLast().source;
        }
    }

private:
    QDBusConnection m_bus;
};

class AccessibilityTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QProcess m_bus;
    QProcess m_xserver;
    QProcess m_launcher;
    QProcess m_devsim;
    QProcess m_app;
    LocalHttpServer m_releases;
    QString m_busAddress;
    QString m_display;
    xcb_connection_t *m_x = nullptr;
    std::unique_ptr<ScreenReader> m_reader;
    Node m_application;

    QString path(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    QProcessEnvironment environment() const
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
        env.insert(QStringLiteral("KESTRIX_UPDATE_BASE_URL"), m_releases.url(QString()).toString());
        // The texts below are the English ones.
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        env.remove(QStringLiteral("LANGUAGE"));
        // As a screen reader running in the session switches it on.
        env.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
        return env;
    }

    // A press and release of a key, delivered to the X window that has the input focus.
    void sendKey(xcb_keycode_t keycode)
    {
        const auto focus = std::unique_ptr<xcb_get_input_focus_reply_t, decltype(&std::free)>(
            xcb_get_input_focus_reply(m_x, xcb_get_input_focus(m_x), nullptr), &std::free);
        QVERIFY(focus);
        for (const std::uint8_t type : {XCB_KEY_PRESS, XCB_KEY_RELEASE}) {
            xcb_key_press_event_t event{};
            event.response_type = type;
            event.detail = keycode;
            event.root = xcb_setup_roots_iterator(xcb_get_setup(m_x)).data->root;
            event.event = focus->focus;
            event.child = XCB_WINDOW_NONE;
            event.same_screen = 1;
            event.time = XCB_CURRENT_TIME;
            xcb_send_event(m_x, 0, focus->focus,
                           type == XCB_KEY_PRESS ? XCB_EVENT_MASK_KEY_PRESS : XCB_EVENT_MASK_KEY_RELEASE,
                           reinterpret_cast<const char *>(&event));
        }
        xcb_flush(m_x);
    }

    // True when a reader has heard a name or text change of an object whose name now contains
    // `text` (the event carries no value a reader relies on; it reads the object again).
    bool heard(const QString &text) const
    {
        return std::any_of(m_reader->events.cbegin(), m_reader->events.cend(), [&](const Event &event) {
            return (event.kind == QLatin1String("PropertyChange") || event.kind == QLatin1String("TextChanged")) &&
                   m_reader->name(event.source).contains(text);
        });
    }

    // Waits for the showing window titled `title`.
    std::optional<Node> waitForWindow(const QString &title)
    {
        std::optional<Node> window;
        (void)QTest::qWaitFor([&] { return (window = m_reader->window(m_application, title)).has_value(); },
                              limit(20)); // empty when it never shows
        return window;
    }

    // Started again from the launcher, the running Kestrix shows its window and activates it.
    bool launchAgain()
    {
        QProcess again;
        again.setProcessEnvironment(environment());
        again.start(kestrix::buildpaths::app(), QStringList{});
        return again.waitForFinished(limit(20)) && again.exitCode() == 0;
    }

    // Presses the button named `name` in the window titled `windowTitle` through its action, as a
    // reader's user does.
    bool press(const QString &windowTitle, const QString &name)
    {
        if (windowTitle == QLatin1String("Kestrix") && !m_reader->window(m_application, windowTitle) &&
            !launchAgain()) {
            return false;
        }
        return QTest::qWaitFor(
            [&] {
                const auto window = m_reader->window(m_application, windowTitle);
                const auto button =
                    window ? m_reader->find(*window, QStringLiteral("push button"), name) : std::nullopt;
                return button && m_reader->act(*button, QStringLiteral("Press"));
            },
            limit(20));
    }

    // The object in `window` that has the keyboard focus: the last to say it gained it.
    std::optional<Node> focusIn(const Node &window)
    {
        const Node &focus = m_reader->focus;
        if (focus.isNull() || !m_reader->has(focus, focused)) {
            return std::nullopt;
        }
        Node up = focus;
        for (int depth = 0; depth < 64 && !up.isNull(); ++depth, up = m_reader->parent(up)) {
            if (up == window) {
                return focus;
            }
        }
        return std::nullopt;
    }

private Q_SLOTS:
    void initTestCase()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        const QString dbusDaemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        const QString launcher = QStringLiteral("/usr/libexec/at-spi-bus-launcher");
        if (xvfb.isEmpty() || dbusDaemon.isEmpty() || !QFile::exists(launcher)) {
            QSKIP("Xvfb, dbus-daemon and at-spi2-core are needed (packages xvfb, dbus-daemon, at-spi2-core)");
        }
        QVERIFY(m_dir.isValid());

        m_bus.start(dbusDaemon,
                    {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        QVERIFY(m_bus.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(m_bus.canReadLine(), limit(10));
        m_busAddress = QString::fromUtf8(m_bus.readLine().trimmed());

        m_xserver.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                               QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                               QStringLiteral("800x600x24")});
        QVERIFY(m_xserver.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(m_xserver.canReadLine(), limit(10));
        m_display = QLatin1Char(':') + QString::fromUtf8(m_xserver.readLine().trimmed());
        m_x = xcb_connect(m_display.toLatin1().constData(), nullptr);
        QVERIFY(xcb_connection_has_error(m_x) == 0);

        // The accessibility bus of the session: found through org.a11y.Bus on the session bus.
        m_launcher.setProcessEnvironment(environment());
        m_launcher.start(launcher, {QStringLiteral("--launch-immediately")});
        QVERIFY(m_launcher.waitForStarted());
        QDBusConnection session = QDBusConnection::connectToBus(m_busAddress, QStringLiteral("session"));
        QString a11yAddress;
        QTRY_VERIFY_WITH_TIMEOUT(
            !(a11yAddress = session
                                .call(QDBusMessage::createMethodCall(
                                    QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                                    QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress")))
                                .arguments()
                                .value(0)
                                .toString())
                 .isEmpty(),
            limit(10));
        m_reader = std::make_unique<ScreenReader>(a11yAddress);
        QVERIFY(m_reader->isConnected());
        QVERIFY(m_reader->listen());

        m_devsim.start(kestrix::buildpaths::devsim(),
                       {QStringLiteral("--bus"), path("bus"), QStringLiteral("--name"), QStringLiteral("dorvel"),
                        QStringLiteral("--reboot-delay-ms"), QStringLiteral("200"), QStringLiteral("--quiet")});
        QVERIFY(m_devsim.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(path("bus/dorvel.json")), limit(10));

        m_app.setProgram(kestrix::buildpaths::app());
        m_app.setProcessEnvironment(environment());
        m_app.start();
        QVERIFY(m_app.waitForStarted());

        // The application under the registry's root, named as the desktop entry names it.
        const Node root{QStringLiteral("org.a11y.atspi.Registry"), QStringLiteral("/org/a11y/atspi/accessible/root")};
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                for (const Node &application : m_reader->children(root)) {
                    if (m_reader->name(application) == QLatin1String("Kestrix")) {
                        m_application = application;
                        return true;
                    }
                }
                return false;
            }(),
            limit(20));
    }

    // Each window as the Kestrix window's button opens it: every control a person can act on has a
    // role and says what it does (with its colour, its value and unit, or its label), Tab visits
    // them all in the window's order, the default button is marked, and Escape closes the window.
    void everyWindowReadsAndTabsInOrder_data()
    {
        QTest::addColumn<QString>("opener"); // a button of the Kestrix window; empty: open already
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("tabOrder"); // what a reader says for each control, from the first
        QTest::addColumn<QString>("defaultButton");

        const auto row = [](const char *opener, const char *title, std::initializer_list<const char *> order,
                            const char *defaultButton = "") {
            QStringList spoken;
            for (const char *text : order) {
                spoken << QString::fromUtf8(text);
            }
            QTest::newRow(title) << QString::fromUtf8(opener) << QString::fromUtf8(title) << spoken
                                 << QString::fromUtf8(defaultButton);
        };
        // At the first start, before anything else works: accepted from the keyboard at the end.
        row("", "Legal Agreement",
            {"filler: Kestrix Terms of Use", "check box: I have read and agree to the terms above",
             "push button: Decline"},
            "Accept");
        // Opened from the launcher. "Toggle Mic Mute" is greyed: there is no microphone.
        row("", "Kestrix",
            {"button menu: Preset", "push button: Custom Shortcut…", "push button: RGB Settings…",
             "push button: Status Rules…", "button menu: Pause Status Light", "push button: Timer…",
             "push button: Advanced Setup…", "push button: Feature Request…", "push button: Check for Updates…",
             "push button: Check for TARN Update…", "push button: Uninstall Kestrix…", "push button: Terms…",
             "push button: Quit Kestrix"});
        // "Apply" is greyed until a combination is recorded.
        row("Custom Shortcut…", "Custom Shortcut",
            {"push button: Click to record key combo, Key combination to bind", "spin box: Repeat",
             "slider: Repeat gap, Repeat gap: 50ms"});
        // The device's state query has set the brightness to its 50%.
        row("RGB Settings…", "RGB Settings",
            {"check box: LED On", "combo box: Mode, Solid", "push button: Color, Red", "slider: Brightness, 50%",
             "check box: Use as fallback when no rule is active", "slider: White, 0%", "check box: Flash when off",
             "push button: Flash Color, White", "slider: Duration, 800 ms", "combo box: Style, Single Flash",
             "combo box: When host sleeps, Keep animating", "combo box: Breathing style, Scale with slider"});
        // The rules' rows, each control named after its rule; the table stops at the second rule.
        row("Status Rules…", "Status Rules",
            {"list: Status Rules, Drag a rule by its handle, or press Ctrl+Shift+Up or Ctrl+Shift+Down to move "
             "the focused rule.",
             "check box: AI Execution enabled", "combo box: Pulsing, AI Execution effect",
             "push button: AI Execution color, Red", "check box: Finish effect for AI Execution",
             "check box: Meeting Soon enabled"});
        row("Timer…", "Timer",
            {"spin box: Duration", "push button: Alert color, Red", "combo box: Alert effect, Breathe (fast)",
             "push button: Start timer", "spin box: Work", "push button: Work color, Blue",
             "combo box: Work effect, Solid", "spin box: Break", "push button: Break color, Green",
             "combo box: Break effect, Solid", "spin box: Long break", "push button: Long break color, Purple",
             "combo box: Long break effect, Solid", "spin box: Long break every", "check box: Limit session",
             "push button: Start pomodoro"});
        row("Terms…", "Legal Agreement", {"filler: Kestrix Terms of Use"});
    }

    void everyWindowReadsAndTabsInOrder()
    {
        QFETCH(QString, opener);
        QFETCH(QString, title);
        QFETCH(QStringList, tabOrder);
        QFETCH(QString, defaultButton);
        if (title == QLatin1String("Kestrix")) {
            QVERIFY(launchAgain());
        } else if (!opener.isEmpty()) {
            QVERIFY(press(QStringLiteral("Kestrix"), opener));
        }
        const std::optional<Node> window = waitForWindow(title);
        QVERIFY2(window, qPrintable(title));
        QCOMPARE(m_reader->role(*window), QStringLiteral("frame")); // read out as a window with its title

        // The controls, in reading order: showing, enabled and taking the focus.
        QStringList controls;
        QStringList defaults;
        for (const Node &node : m_reader->descendants(*window)) {
            if (m_reader->has(node, isDefault)) {
                defaults << m_reader->name(node);
            }
            if (!m_reader->has(node, focusable) || !m_reader->has(node, sensitive) ||
                m_reader->role(node) == QLatin1String("label") || m_reader->role(node) == QLatin1String("list item")) {
                continue;
            }
            controls << m_reader->spoken(node);
        }
        QCOMPARE(defaults, defaultButton.isEmpty() ? QStringList() : QStringList{defaultButton});

        // Tab from the first control round the window: each stop as the reader announces it.
        QTRY_VERIFY_WITH_TIMEOUT(focusIn(*window).has_value(), limit(10));
        QStringList stops;
        std::optional<Node> first = focusIn(*window);
        for (int i = 0; i <= controls.size() + 1; ++i) {
            const std::optional<Node> now = focusIn(*window);
            QVERIFY(now);
            stops << m_reader->spoken(*now);
            sendKey(tabKeycode);
            // A window with one control keeps the focus where it is.
            (void)QTest::qWaitFor(
                [&] {
                    const auto next = focusIn(*window);
                    return next && next != now;
                },
                controls.size() > 1 ? limit(10) : limit(1));
            if (focusIn(*window) == first) {
                break;
            }
        }
        // The cycle starts wherever the window put the focus; the table starts at the first control.
        const qsizetype start = stops.indexOf(tabOrder.value(0));
        QVERIFY2(start >= 0, qPrintable(stops.join(QLatin1Char('\n')) + QStringLiteral("\n--\n") +
                                        controls.join(QLatin1Char('\n'))));
        const QStringList cycle = stops.mid(start) + stops.mid(0, start);
        QCOMPARE(cycle.mid(0, tabOrder.size()), tabOrder); // the table may stop after the first rows
        QStringList sortedControls = controls;
        QStringList sortedCycle = cycle;
        sortedControls.sort();
        sortedCycle.sort();
        QCOMPARE(sortedCycle, sortedControls); // no control is left out of the Tab order

        if (defaultButton == QLatin1String("Accept")) {
            // The terms at the first start: agreed to and accepted with Space and Return.
            const auto agree = m_reader->find(*window, QStringLiteral("check box"),
                                              QStringLiteral("I have read and agree to the terms above"));
            QVERIFY(agree);
            QVERIFY(m_reader->act(*agree, QStringLiteral("SetFocus")));
            QTRY_VERIFY(m_reader->has(*agree, focused));
            sendKey(spaceKeycode);
            QTRY_VERIFY(m_reader->has(*agree, checked));
            sendKey(returnKeycode);
        } else {
            sendKey(escapeKey);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!m_reader->window(m_application, title), limit(10));
    }

    // What a sighted user sees change is announced: the recorder's new label, the notice that the
    // device is gone, a progress bar's value and an error.
    void changesAreAnnounced()
    {
        QVERIFY(press(QStringLiteral("Kestrix"), QStringLiteral("Custom Shortcut…")));
        const std::optional<Node> window = waitForWindow(QStringLiteral("Custom Shortcut"));
        QVERIFY(window);
        m_reader->events.clear();
        QVERIFY(press(QStringLiteral("Custom Shortcut"), QStringLiteral("Click to record key combo")));
        QTRY_VERIFY_WITH_TIMEOUT(heard(QStringLiteral("Press your key combination…")), limit(10));

        m_devsim.write("unplug\n");
        QTRY_VERIFY_WITH_TIMEOUT(heard(QStringLiteral("No Dorvel connected")), limit(10));
        // New firmware, found when the device is back: the update's bar says what it measures, and
        // its value moves as the bytes go.
        QProcess image;
        image.start(kestrix::buildpaths::devsim(), {QStringLiteral("--make-image"), path("tarn.bin"),
                                                    QStringLiteral("--version"), QStringLiteral("1.1.0")});
        QVERIFY(image.waitForFinished(limit(10)) && image.exitCode() == 0);
        QFile imageFile(path("tarn.bin"));
        QVERIFY(imageFile.open(QIODevice::ReadOnly));
        m_releases.serve(QStringLiteral("/releases/tarn-rp2350/tarn.bin"), imageFile.readAll());
        m_releases.serve(QStringLiteral("/releases/tarn-rp2350/latest.json"),
                         QByteArray(R"({"version": "1.1.0", "asset": "tarn.bin"})"));
        m_devsim.write("plug\n");
        sendKey(escapeKey);
        QTRY_VERIFY_WITH_TIMEOUT(!m_reader->window(m_application, QStringLiteral("Custom Shortcut")), limit(10));

        m_reader->events.clear();
        QVERIFY(press(QStringLiteral("Kestrix"), QStringLiteral("TARN Update Available: v1.0.0 → v1.1.0")));
        QVERIFY(waitForWindow(QStringLiteral("TARN Firmware Update")));
        QTRY_VERIFY_WITH_TIMEOUT(heard(QStringLiteral("Succeeded. Now running v1.1.0.")), limit(30));
        const auto barMoved = [&](const Event &event) {
            return event.detail == QLatin1String("accessible-value") &&
                   m_reader->role(event.source) == QLatin1String("progress bar") &&
                   m_reader->name(event.source) == QLatin1String("Firmware transfer");
        };
        QVERIFY(std::any_of(m_reader->events.cbegin(), m_reader->events.cend(), barMoved));
        sendKey(escapeKey);
        QTRY_VERIFY_WITH_TIMEOUT(!m_reader->window(m_application, QStringLiteral("TARN Firmware Update")), limit(10));

        // An app update that this copy cannot install (it runs from the build, not from a bundle): the
        // error is announced, and the way on is a named button.
        m_releases.serve(QStringLiteral("/releases/linux/latest.json"),
                         QByteArray(R"({"version": "99.0.0", "asset": "kestrix_99.0.0.tar.gz"})"));
        QVERIFY(press(QStringLiteral("Kestrix"), QStringLiteral("Check for Updates…")));
        m_reader->events.clear();
        QVERIFY(press(QStringLiteral("Kestrix"), QStringLiteral("Update Available: v99.0.0")));
        const std::optional<Node> update = waitForWindow(QStringLiteral("Kestrix Update"));
        QVERIFY(update);
        QTRY_VERIFY_WITH_TIMEOUT(heard(QStringLiteral("This copy of Kestrix can't replace itself")), limit(10));
        QTRY_VERIFY(m_reader->find(*update, QStringLiteral("push button"), QStringLiteral("Open in Browser Instead")));
        sendKey(escapeKey);
        QTRY_VERIFY_WITH_TIMEOUT(!m_reader->window(m_application, QStringLiteral("Kestrix Update")), limit(10));
    }

    void cleanupTestCase()
    {
        m_reader.reset();
        if (m_x) {
            xcb_disconnect(m_x);
        }
        stopProcesses({&m_app, &m_devsim, &m_launcher, &m_xserver, &m_bus});
    }
};

QTEST_GUILESS_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
