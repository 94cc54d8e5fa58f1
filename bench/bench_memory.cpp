// Kestrix's idle memory beside a bare Qt tray application (bare_tray.cpp), both started in the
// same run under the same conditions: an X server (Xvfb) and a private session bus on which this
// program plays the panel's StatusNotifierWatcher, with a host registered, so both show a tray
// icon. Measured from /proc/PID/smaps_rollup once both have settled: resident (Rss), proportional
// (Pss) and private (Private_Clean + Private_Dirty) memory, and Kestrix's ratios to the bare app.
//
// Twice: with neither optional service running (the calendar server is installed on the bus but
// not started, and no PipeWire daemon), and with both (the calendar server's registry started, a
// private PipeWire daemon with an idle camera node).
#include "BenchMode.h"
#include "integration/camera/PipeWireTestSupport.h"
#include "support/BuildPaths.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <csignal>

#include <sys/prctl.h>
#include <unistd.h>

namespace {

// The panel's StatusNotifierWatcher, with a host registered from the start.
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
    QStringList items;

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString &service)
    {
        items << service;
        Q_EMIT StatusNotifierItemRegistered(service);
    }
    void RegisterStatusNotifierHost(const QString &) {}

Q_SIGNALS:
    void StatusNotifierItemRegistered(const QString &service);
    void StatusNotifierItemUnregistered(const QString &service);
    void StatusNotifierHostRegistered();
};

void endWithParent()
{
    ::setsid();
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
}

// What a desktop session offers: an X server, a session bus (which can start the calendar server)
// and a panel.
struct Session {
    QTemporaryDir dir;
    QProcess xserver;
    QProcess bus;
    QString display;
    QString busAddress;
    QObject watcherObject;
    bool ready = false;

    Session()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        const QString dbusDaemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (xvfb.isEmpty() || dbusDaemon.isEmpty()) {
            return;
        }
        // The bus starts the calendar server in the session's own temporary home.
        QDir().mkpath(dir.filePath(QStringLiteral("run")));
        bus.setProcessEnvironment(environment(dir.filePath(QStringLiteral("run"))));
        bus.setChildProcessModifier(endWithParent);
        bus.start(dbusDaemon,
                  {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        xserver.setChildProcessModifier(endWithParent);
        xserver.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                             QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                             QStringLiteral("800x600x24")});
        if (!bus.waitForStarted(10000) || !bus.waitForReadyRead(10000) || !xserver.waitForStarted(10000) ||
            !xserver.waitForReadyRead(10000)) {
            return;
        }
        busAddress = QString::fromUtf8(bus.readLine().trimmed());
        display = QLatin1Char(':') + QString::fromUtf8(xserver.readLine().trimmed());
        // A returning user: the terms are accepted, so Kestrix sits in the tray with no window.
        QSettings settings(dir.filePath(QStringLiteral("config/io.tamsel.desktop.conf")), QSettings::IniFormat);
        settings.setValue(QStringLiteral("legalAgreement.acceptedVersion"), 2);
        settings.sync();
        QDBusConnection panel = QDBusConnection::connectToBus(busAddress, QStringLiteral("panel"));
        new WatcherAdaptor(&watcherObject);
        ready = panel.isConnected() && panel.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcherObject) &&
                panel.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"));
    }
    ~Session()
    {
        // Connection names are the process's: the next session makes its own under the same names.
        QDBusConnection::disconnectFromBus(QStringLiteral("panel"));
        QDBusConnection::disconnectFromBus(QStringLiteral("services"));
        for (QProcess *process : {&bus, &xserver}) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(5000);
            }
        }
    }

    QProcessEnvironment environment(const QString &runtime) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("DISPLAY"), display);
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
        env.insert(QStringLiteral("HOME"), dir.filePath(QStringLiteral("home")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), dir.filePath(QStringLiteral("cache")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        env.insert(QStringLiteral("PIPEWIRE_RUNTIME_DIR"), runtime);
        env.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("memory"));
        env.insert(QStringLiteral("KESTRIX_DEVICE_BUS"), dir.filePath(QStringLiteral("devices")));
        env.insert(QStringLiteral("KESTRIX_UPDATE_BASE_URL"), QStringLiteral("http://127.0.0.1:9/"));
        return env;
    }
};

struct Memory {
    double rssMiB = 0;
    double pssMiB = 0;
    double privateMiB = 0;
    double anonymousMiB = 0; // heap and other memory backed by no file
};

Memory memoryOf(qint64 pid)
{
    Memory memory;
    QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (!rollup.open(QIODevice::ReadOnly)) {
        return memory;
    }
    for (const QByteArray &line : rollup.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 2) {
            continue;
        }
        const double mib = fields.at(1).toDouble() / 1024.0;
        if (fields.first() == "Rss:") {
            memory.rssMiB = mib;
        } else if (fields.first() == "Pss:") {
            memory.pssMiB = mib;
        } else if (fields.first() == "Private_Clean:" || fields.first() == "Private_Dirty:") {
            memory.privateMiB += mib;
        } else if (fields.first() == "Anonymous:") {
            memory.anonymousMiB = mib;
        }
    }
    return memory;
}

void stop(QProcess &process)
{
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

void measure(benchmark::State &state, bool withServices)
{
    Session session;
    if (!session.ready) {
        state.SkipWithError("needs Xvfb and dbus-daemon (scripts/setup.sh installs them)");
        return;
    }
    QTemporaryDir runtime;
    QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    PipeWireDaemon pipewire;
    std::unique_ptr<VideoClient> camera;
    bool calendarServer = false;
    bool havePipeWire = false;
    if (withServices) {
        QDBusConnection bus = QDBusConnection::connectToBus(session.busAddress, QStringLiteral("services"));
        calendarServer =
            bus.interface()->startService(QStringLiteral("org.gnome.evolution.dataserver.Sources5")).isValid();
        if (!PipeWireDaemon::executable().isEmpty() && pipewire.start()) {
            qputenv("PIPEWIRE_RUNTIME_DIR", QFile::encodeName(pipewire.runtimeFolder()));
            camera = std::make_unique<VideoClient>();
            havePipeWire = camera->isConnected() && camera->addStream("bench-camera", true, "Camera") >= 0;
        }
    }
    QProcessEnvironment env =
        session.environment(withServices && havePipeWire ? pipewire.runtimeFolder() : runtime.path());
    for (auto _ : state) {
        QProcess bare;
        QProcess kestrix;
        for (QProcess *process : {&bare, &kestrix}) {
            process->setProcessEnvironment(env);
            process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            process->setChildProcessModifier(endWithParent);
        }
        bare.start(kestrix::buildpaths::bareTray(), QStringList{});
        kestrix.start(qEnvironmentVariable("KESTRIX_BENCH_APP", kestrix::buildpaths::app()), QStringList{});
        bare.waitForStarted();
        kestrix.waitForStarted();
        // Idle, after start-up has settled, in the event loop as it is between events.
        const qint64 until = QDateTime::currentMSecsSinceEpoch() + BenchMode::choose(8000, 1500);
        while (QDateTime::currentMSecsSinceEpoch() < until) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            QThread::msleep(20);
        }
        const Memory app = memoryOf(kestrix.processId());
        const Memory yardstick = memoryOf(bare.processId());
        state.counters["kestrix_rss_MiB"] = app.rssMiB;
        state.counters["kestrix_pss_MiB"] = app.pssMiB;
        state.counters["kestrix_private_MiB"] = app.privateMiB;
        state.counters["kestrix_anonymous_MiB"] = app.anonymousMiB;
        state.counters["bare_anonymous_MiB"] = yardstick.anonymousMiB;
        state.counters["bare_rss_MiB"] = yardstick.rssMiB;
        state.counters["bare_pss_MiB"] = yardstick.pssMiB;
        state.counters["bare_private_MiB"] = yardstick.privateMiB;
        state.counters["rss_ratio"] = yardstick.rssMiB > 0 ? app.rssMiB / yardstick.rssMiB : 0;
        state.counters["private_ratio"] = yardstick.privateMiB > 0 ? app.privateMiB / yardstick.privateMiB : 0;
        state.counters["calendar_server"] = calendarServer ? 1 : 0;
        state.counters["pipewire"] = havePipeWire ? 1 : 0;
        stop(kestrix);
        stop(bare);
    }
    camera.reset();
}

void BM_MemoryBesideBareTrayNoServices(benchmark::State &state)
{
    measure(state, false);
}
BENCHMARK(BM_MemoryBesideBareTrayNoServices)->Iterations(1)->Unit(benchmark::kSecond);

void BM_MemoryBesideBareTrayBothServices(benchmark::State &state)
{
    measure(state, true);
}
BENCHMARK(BM_MemoryBesideBareTrayBothServices)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

#include "bench_memory.moc"
