// App-side cost of one request/reply round trip through the device manager, against a simulated
// device that answers with no latency (the reply still travels through the event loop).
#include "BenchMode.h"
#include "device/DorvelDeviceManager.h"
#include "platform/sim/SimulatedHidBus.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

using namespace std::chrono_literals;

namespace {

template <typename T>
void runUntilReady(const QCoro::Task<T> &task)
{
    while (!task.isReady()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

struct Rig {
    SimulatedHidBus bus;
    SimulatedDorvel device;
    DorvelDeviceManager manager{bus};
    Rig()
    {
        manager.start();
        bus.plug(device, 0x14200000);
        while (!manager.deviceID()) {
            QCoreApplication::processEvents();
        }
    }
};

void BM_StateQueryRoundTrip(benchmark::State &state)
{
    Rig rig;
    for (auto _ : state) {
        auto task = rig.manager.queryDevice(3s);
        runUntilReady(task);
        auto result = QCoro::waitFor(task);
        if (!result.ok()) {
            state.SkipWithError("query failed");
            break;
        }
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_StateQueryRoundTrip)->Unit(benchmark::kMicrosecond);

void BM_RawSendAndWait(benchmark::State &state)
{
    Rig rig;
    const Bytes query = Dorvel::padded(Bytes{0xFF});
    for (auto _ : state) {
        auto task = rig.manager.sendAndWait(query, 3s, [](ByteView b) { return !b.empty() && b[0] == 0xFF; });
        runUntilReady(task);
        benchmark::DoNotOptimize(task);
    }
}
BENCHMARK(BM_RawSendAndWait)->Unit(benchmark::kMicrosecond);

void BM_UpdateLEDState(benchmark::State &state)
{
    Rig rig;
    const std::vector<Bytes> reports{Dorvel::ledEnabledReport(true), Dorvel::ledModeReport(Dorvel::RGBMode::solid),
                                     Dorvel::ledColorReport(1, 2, 3)};
    for (auto _ : state) {
        rig.manager.updateLEDState(reports);
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_UpdateLEDState)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    return BenchMode::runAll(argc, argv);
}
