// The firmware transfer's own cost: the largest image (65,536 chunks) against a simulated device
// that answers at once (target: under 1.5 s, about 20 us per chunk for everything on the
// application's side), and 1,000 chunks against a device with a 1 ms round trip (target: within
// 2 % of 1.0 s). The simulated round trip is exact (the bus waits the latency out on the clock), so
// what lies above 1.0 s is the application's own cost. Each run ends with an abort instead of
// update-end, so the device stays attached between runs.
#include "BenchMode.h"
#include "device/DorvelDeviceManager.h"
#include "firmware/TarnFirmwareTransfer.h"
#include "platform/sim/SimulatedHidBus.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

using namespace std::chrono_literals;

namespace {

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

QCoro::Task<bool> sendChunks(TarnFirmwareTransfer &t, const Bytes &image)
{
    std::uint16_t sequence = 0;
    for (std::size_t offset = 0; offset < image.size(); offset += TarnFirmwareTransfer::chunkPayload) {
        const std::size_t end = std::min(offset + TarnFirmwareTransfer::chunkPayload, image.size());
        auto next = co_await t.sendChunk(sequence, Bytes(image.begin() + static_cast<std::ptrdiff_t>(offset),
                                                         image.begin() + static_cast<std::ptrdiff_t>(end)));
        if (!next.ok()) {
            co_return false;
        }
        sequence = next.value();
    }
    co_return true;
}

// Times the checksum and the chunks; update-start and the closing abort are one round trip each
// and stay out of the figure.
void runTransfers(benchmark::State &state, std::size_t imageSize, std::chrono::milliseconds latency)
{
    Rig rig;
    rig.bus.setExactLatency(true);
    rig.device.replyLatency = latency;
    const Bytes image = SimulatedDorvel::makeFirmwareImage({1, 4, 0}, imageSize);
    auto link = rig.manager.acquireExclusiveLink();
    // The updater publishes a state per chunk; the same assignment and comparison happen here.
    TarnUpdateState published;
    TarnFirmwareTransfer t(*link, {}, [&](const TarnUpdateState &s) {
        if (!(published == s)) {
            published = s;
        }
    });
    for (auto _ : state) {
        const std::uint32_t crc = Dorvel::crc32(image);
        state.PauseTiming();
        const bool started = QCoro::waitFor(t.sendStart(static_cast<std::uint32_t>(image.size()), crc)).ok();
        state.ResumeTiming();
        if (!started || !QCoro::waitFor(sendChunks(t, image))) {
            state.SkipWithError("transfer failed");
            break;
        }
        state.PauseTiming();
        QCoro::waitFor(t.abortBestEffort());
        state.ResumeTiming();
    }
    const double chunks = static_cast<double>((imageSize + 27) / 28);
    state.counters["chunks"] = chunks;
    state.counters["per_chunk"] =
        benchmark::Counter(chunks, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_LargestImageZeroLatency(benchmark::State &state)
{
    runTransfers(state, TarnFirmwareTransfer::largestImage, 0ms);
}
BENCHMARK(BM_LargestImageZeroLatency)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(BenchMode::iterations(3));

void BM_ThousandChunksOneMillisecond(benchmark::State &state)
{
    runTransfers(state, 1000 * TarnFirmwareTransfer::chunkPayload, 1ms);
}
BENCHMARK(BM_ThousandChunksOneMillisecond)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(BenchMode::iterations(3));

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    return BenchMode::runAll(argc, argv);
}
