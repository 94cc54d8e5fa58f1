// Latency from a trigger line written by a script to the LED reports written to the device: the real
// socket server and its worker thread, the rules engine, the device manager and an in-process
// simulated device. Each iteration sends one line over a fresh connection and stops the clock when
// the device has received the last report of the new LED state. p50 and p99 are reported as counters.
#include "BenchMode.h"
#include "device/DorvelDeviceManager.h"
#include "platform/linux/trigger/UnixTriggerListener.h"
#include "platform/sim/SimulatedHidBus.h"
#include "rules/StatusRulesEngine.h"
#include "signals/ExternalTriggerServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

bool sendLine(const sockaddr_un &address, const char *line)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    bool sent = fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0 &&
                ::send(fd, line, std::strlen(line), MSG_NOSIGNAL) == ssize_t(std::strlen(line));
    if (fd >= 0) {
        ::close(fd);
    }
    return sent;
}

void BM_TriggerLineToLEDReport(benchmark::State &state)
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    SimulatedHidBus bus;
    SimulatedDorvel device;
    DorvelDeviceManager manager(bus);
    StatusRulesEngine engine(manager);
    TriggerListener::Options options = ExternalTriggerServer::defaultOptions();
    options.socketPath = home.filePath(QStringLiteral("control.sock"));
    ExternalTriggerServer server(std::make_unique<UnixTriggerListener>(), options);
    engine.bind(server);
    manager.start();
    server.start();
    bus.plug(device, 0x14200000);
    while (!server.isListening() || !manager.deviceID()) {
        QCoreApplication::processEvents();
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(options.socketPath);
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));

    // "on" lights the LED with three reports (on, mode, colour); "off" sends one (LED off).
    int expected = 0;
    int received = 0;
    device.onReportReceived = [&](ByteView report) {
        received += report[0] == Dorvel::ledCommand ? 1 : 0;
    };
    std::vector<double> samples;
    bool on = false;
    QElapsedTimer timer;
    for (auto _ : state) {
        on = !on;
        received = 0;
        expected = on ? 3 : 1;
        timer.start();
        if (!sendLine(address, on ? "ai_execution 1\n" : "ai_execution 0\n")) {
            state.SkipWithError("cannot reach the trigger socket");
            break;
        }
        while (received < expected) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        samples.push_back(seconds * 1e6);
        QCoreApplication::processEvents(); // let the refresh query after the LED change finish
    }
    if (!samples.empty()) {
        std::sort(samples.begin(), samples.end());
        state.counters["p50_us"] = samples[samples.size() / 2];
        state.counters["p99_us"] = samples[std::min(samples.size() - 1, samples.size() * 99 / 100)];
    }
}
BENCHMARK(BM_TriggerLineToLEDReport)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(BenchMode::iterations(5000));

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    return BenchMode::runAll(argc, argv);
}
