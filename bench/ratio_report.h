// Every figure of the run as a ratio to the floor measured in the same run.
#pragma once
#include <benchmark/benchmark.h>

#include <cstddef>

namespace kbench {

inline constexpr const char* kFloorName = "floor/sin+cos of gravity angle";

// Per iteration the benchmark made `count` steps (or routine calls); the
// ratio table divides by it.
void markStep(benchmark::State& state, size_t count);
void markCalls(benchmark::State& state, size_t count);

// Runs every registered benchmark, then prints the ratio table.
int runWithRatios(int argc, char** argv);

}  // namespace kbench
