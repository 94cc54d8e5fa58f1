// Start-up and attach costs of the application:
//  - launch of the kestrix process to the device's first report (bus started, device attached);
//  - device attach to the LED state re-sent, inside the device manager;
//  - resident memory of an idle kestrix attached to a simulated device;
//  - CPU time of an idle kestrix with every watcher running (a private sound server, a private
//    session bus with the desktop's calendar server, and a private PipeWire daemon with an idle
//    camera node included, each where it is installed).
#include "BenchMode.h"
#include "device/DorvelDeviceManager.h"
#include "integration/camera/PipeWireTestSupport.h"
#include "integration/pulse/PulseTestSupport.h"
#include "platform/sim/SimulatedHidBus.h"
#include "support/BuildPaths.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <csignal>

#include <sys/prctl.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// The app measured: this build's, or another build's named by $KESTRIX_BENCH_APP (to compare builds
// under the same conditions).
QString appPath()
{
    return qEnvironmentVariable("KESTRIX_BENCH_APP", kestrix::buildpaths::app());
}

qint64 fileSize(const QString &path)
{
    return QFileInfo(path).size();
}

struct DevsimFixture {
    QTemporaryDir dir;
    QProcess devsim;
    QString bus = dir.filePath(QStringLiteral("bus"));
    QString log = dir.filePath(QStringLiteral("reports.log"));

    DevsimFixture()
    {
        devsim.start(kestrix::buildpaths::devsim(),
                     {QStringLiteral("--bus"), bus, QStringLiteral("--report-log"), log, QStringLiteral("--quiet")});
        devsim.waitForStarted();
        while (!QFile::exists(bus + QStringLiteral("/dorvel.json"))) {
            QThread::msleep(1);
        }
    }
    ~DevsimFixture()
    {
        devsim.terminate();
        devsim.waitForFinished(5000);
    }

    QProcessEnvironment environment(const QString &home) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
        env.insert(QStringLiteral("KESTRIX_DEVICE_BUS"), bus);
        env.insert(QStringLiteral("KESTRIX_UPDATE_BASE_URL"), QStringLiteral("http://127.0.0.1:9/"));
        return env;
    }
};

// What a desktop session offers the app besides the sound server: a session bus with the calendar
// server running, and a PipeWire daemon with a camera's node (idle). Each one only where
// it is installed; the folders of the calendar server are the given home's.
struct DesktopServices {
    QProcess bus;
    QString busAddress;
    PipeWireDaemon pipewire;
    std::unique_ptr<VideoClient> camera;
    bool havePipeWire = false;

    explicit DesktopServices(const QProcessEnvironment &appEnvironment)
    {
        if (!QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty()) {
            bus.setProcessEnvironment(appEnvironment);
            bus.setChildProcessModifier([] {
                ::setsid();
                ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            });
            bus.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
            if (bus.waitForStarted(10000) && bus.waitForReadyRead(10000)) {
                busAddress = QString::fromLatin1(bus.readLine().trimmed());
                // Running, as in a session whose user keeps calendars there: Kestrix only watches for it.
                QDBusConnection desktop = QDBusConnection::connectToBus(busAddress, QStringLiteral("desktop"));
                if (desktop.isConnected()) {
                    desktop.interface()->startService(QStringLiteral("org.gnome.evolution.dataserver.Sources5"));
                }
            }
        }
        if (!PipeWireDaemon::executable().isEmpty() && pipewire.start()) {
            qputenv("PIPEWIRE_RUNTIME_DIR", QFile::encodeName(pipewire.runtimeFolder()));
            camera = std::make_unique<VideoClient>();
            havePipeWire = camera->isConnected() && camera->addStream("bench-camera", true, "Camera") >= 0;
        }
    }
    ~DesktopServices()
    {
        camera.reset();
        if (bus.state() != QProcess::NotRunning) {
            bus.kill();
            bus.waitForFinished(5000);
        }
    }

    void addTo(QProcessEnvironment &env) const
    {
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                   busAddress.isEmpty() ? QStringLiteral("unix:path=/nonexistent") : busAddress);
        env.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("memory"));
        if (havePipeWire) {
            env.insert(QStringLiteral("PIPEWIRE_RUNTIME_DIR"), pipewire.runtimeFolder());
        }
    }
};

// From process launch until the simulated device receives the first report of the attach.
void BM_LaunchToDeviceAttached(benchmark::State &state)
{
    DevsimFixture fixture;
    for (auto _ : state) {
        QTemporaryDir home;
        QProcess app;
        app.setProcessEnvironment(fixture.environment(home.path()));
        const qint64 before = fileSize(fixture.log);
        QElapsedTimer timer;
        timer.start();
        app.start(appPath(), QStringList{});
        while (fileSize(fixture.log) == before && timer.elapsed() < 10000) {
            QThread::usleep(200);
        }
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        app.terminate();
        app.waitForFinished(5000);
    }
}
BENCHMARK(BM_LaunchToDeviceAttached)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(BenchMode::iterations(10));

// From the bus reporting the device to the last LED state report written to it.
void BM_AttachToLEDStateResent(benchmark::State &state)
{
    SimulatedHidBus bus;
    SimulatedDorvel device;
    DorvelDeviceManager manager(bus);
    manager.start();
    manager.updateLEDState({Dorvel::ledEnabledReport(true), Dorvel::ledModeReport(Dorvel::RGBMode::solid),
                            Dorvel::ledColorReport(10, 20, 30)});
    int ledReports = 0;
    device.onReportReceived = [&](ByteView report) {
        ledReports += report[0] == Dorvel::ledCommand ? 1 : 0;
    };
    QElapsedTimer timer;
    for (auto _ : state) {
        ledReports = 0;
        timer.start();
        const auto plug = bus.plug(device, 0x14200000);
        while (ledReports < 3) {
            QCoreApplication::processEvents();
        }
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        state.PauseTiming();
        while (!manager.deviceID()) { // let the attach queries finish
            QCoreApplication::processEvents();
        }
        bus.unplug(plug);
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AttachToLEDStateResent)->UseManualTime()->Unit(benchmark::kMicrosecond);

// Resident memory of kestrix after it attached and went idle.
void BM_IdleResidentMemory(benchmark::State &state)
{
    DevsimFixture fixture;
    for (auto _ : state) {
        QTemporaryDir home;
        QProcess app;
        QProcessEnvironment env = fixture.environment(home.path());
        DesktopServices services(env);
        services.addTo(env);
        app.setProcessEnvironment(env);
        app.start(appPath(), QStringList{});
        app.waitForStarted();
        QThread::sleep(BenchMode::choose(3, 1)); // settling after start-up
        QFile status(QStringLiteral("/proc/%1/status").arg(app.processId()));
        double rssMiB = 0;
        if (status.open(QIODevice::ReadOnly)) {
            for (const QByteArray &line : status.readAll().split('\n')) {
                if (line.startsWith("VmRSS:")) {
                    rssMiB = line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
                }
            }
        }
        state.counters["rss_MiB"] = rssMiB;
        state.counters["calendar_server"] = services.busAddress.isEmpty() ? 0 : 1;
        state.counters["pipewire"] = services.havePipeWire ? 1 : 0;
        app.terminate();
        app.waitForFinished(5000);
    }
}
BENCHMARK(BM_IdleResidentMemory)->Iterations(BenchMode::iterations(1))->Unit(benchmark::kMillisecond);

double cpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return 0;
    }
    // Fields after the command name (which may hold spaces) start after the last ')'.
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    const double ticks = fields.value(11).toDouble() + fields.value(12).toDouble(); // utime, stime
    return ticks / double(sysconf(_SC_CLK_TCK));
}

// Idle load: CPU seconds used per minute by kestrix after start-up, over a 60 s window, with the
// device attached, a sound server to follow and every watcher started.
void BM_IdleCPU(benchmark::State &state)
{
    DevsimFixture fixture;
    PulseServer pulse;
    const bool havePulse = !PulseServer::executable().isEmpty() && pulse.start();
    for (auto _ : state) {
        QTemporaryDir home;
        QProcess app;
        QProcessEnvironment env = fixture.environment(home.path());
        if (havePulse) {
            env.insert(QStringLiteral("PULSE_SERVER"), pulse.serverAddress());
        }
        DesktopServices services(env);
        services.addTo(env);
        app.setProcessEnvironment(env);
        app.start(appPath(), QStringList{});
        app.waitForStarted();
        QThread::sleep(BenchMode::choose(3, 1)); // settling after start-up
        const double before = cpuSeconds(app.processId());
        const int window = BenchMode::choose(60, 1);
        QThread::sleep(window);
        const double used = cpuSeconds(app.processId()) - before;
        state.counters["cpu_s_per_min"] = used * 60.0 / window;
        state.counters["percent_of_core"] = 100.0 * used / window;
        state.counters["sound_server"] = havePulse ? 1 : 0;
        state.counters["calendar_server"] = services.busAddress.isEmpty() ? 0 : 1;
        state.counters["pipewire"] = services.havePipeWire ? 1 : 0;
        app.terminate();
        app.waitForFinished(5000);
    }
}
BENCHMARK(BM_IdleCPU)->Iterations(BenchMode::iterations(1))->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    return BenchMode::runAll(argc, argv);
}
