#pragma once

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string_view>

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

} // namespace BenchMode
