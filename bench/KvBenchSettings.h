#pragma once

#include <benchmark/benchmark.h>

// Every benchmark reports the median of three short runs, in microseconds.
inline void kvBenchDefaults(benchmark::internal::Benchmark *benchmark)
{
    benchmark->Unit(benchmark::kMicrosecond)
        ->MinTime(0.1)
        ->Repetitions(3)
        ->ReportAggregatesOnly(true);
}
