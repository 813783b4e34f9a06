#pragma once

#include <benchmark/benchmark.h>

// Every benchmark reports the median of five short runs, in microseconds.
inline void kvBenchDefaults(benchmark::internal::Benchmark *benchmark)
{
    benchmark->Unit(benchmark::kMicrosecond)
        ->MinTime(0.1)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
}
