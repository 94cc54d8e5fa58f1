// Start-up and attach costs of the application:
//  - launch of the kestrix process to the device's first report (bus started, device attached);
//  - device attach to the LED state re-sent, inside the device manager;
//  - resident memory of an idle kestrix attached to a simulated device;
//  - CPU time of an idle kestrix with every watcher running (a private sound server included).
#include "device/DorvelDeviceManager.h"
#include "integration/pulse/PulseTestSupport.h"
#include "platform/sim/SimulatedHidBus.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <unistd.h>

using namespace std::chrono_literals;

namespace {

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
        devsim.start(QStringLiteral(KESTRIX_DEVSIM_PATH),
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
        app.start(QStringLiteral(KESTRIX_APP_PATH), QStringList{});
        while (fileSize(fixture.log) == before && timer.elapsed() < 10000) {
            QThread::usleep(200);
        }
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        app.terminate();
        app.waitForFinished(5000);
    }
}
BENCHMARK(BM_LaunchToDeviceAttached)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

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
        app.setProcessEnvironment(fixture.environment(home.path()));
        app.start(QStringLiteral(KESTRIX_APP_PATH), QStringList{});
        app.waitForStarted();
        QThread::sleep(2);
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
        app.terminate();
        app.waitForFinished(5000);
    }
}
BENCHMARK(BM_IdleResidentMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

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
        app.setProcessEnvironment(env);
        app.start(QStringLiteral(KESTRIX_APP_PATH), QStringList{});
        app.waitForStarted();
        QThread::sleep(3);
        const double before = cpuSeconds(app.processId());
        const int window = 60;
        QThread::sleep(window);
        const double used = cpuSeconds(app.processId()) - before;
        state.counters["cpu_s_per_min"] = used * 60.0 / window;
        state.counters["percent_of_core"] = 100.0 * used / window;
        state.counters["sound_server"] = havePulse ? 1 : 0;
        app.terminate();
        app.waitForFinished(5000);
    }
}
BENCHMARK(BM_IdleCPU)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
