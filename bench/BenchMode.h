#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

// Short mode, when $KESTRIX_BENCH_SHORT is set and not "0": every benchmark runs once with its
// smallest workload, so CI notices one that no longer builds, starts or ends. Its figures mean
// nothing then; scripts/bench.sh runs the full measurements.
namespace BenchMode {

inline bool isShort()
{
    static const bool value = [] {
        const char *setting = std::getenv("KESTRIX_BENCH_SHORT");
        return setting && *setting && std::string_view(setting) != "0";
    }();
    return value;
}

// `full` iterations, or one in short mode.
inline benchmark::IterationCount iterations(benchmark::IterationCount full)
{
    return isShort() ? 1 : full;
}

// `full`, or `brief` in short mode (windows measured over, settling times).
template <typename T>
T choose(T full, T brief)
{
    return isShort() ? brief : full;
}

// Runs the benchmarks the command line selects, reported on the console (and to
// --benchmark_out), and returns the program's exit status: 1 when any benchmark stopped with an
// error (SkipWithError, which the library reports as a skip and exits 0 for), when none ran, or when
// an argument was not understood.
inline int runAll(int &argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    class FailureReporter : public benchmark::ConsoleReporter {
    public:
        void ReportRuns(const std::vector<Run> &runs) override
        {
            for (const Run &run : runs) {
                if (run.error_occurred) {
                    failures.push_back(run.benchmark_name() + ": " + run.error_message);
                }
            }
            ConsoleReporter::ReportRuns(runs);
        }
        std::vector<std::string> failures;
    } reporter;
    const std::size_t ran = benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    for (const std::string &failure : reporter.failures) {
        std::fprintf(stderr, "benchmark failed: %s\n", failure.c_str());
    }
    if (ran == 0) {
        std::fprintf(stderr, "no benchmark ran\n");
    }
    return reporter.failures.empty() && ran > 0 ? 0 : 1;
}

} // namespace BenchMode
