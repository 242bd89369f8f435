// Shared by the benchmark programs. A benchmark named X is compared with its floor, named
// X_Floor, measured in the same run; the goal is the largest time ratio X / X_Floor that is
// still acceptable, recorded as the counter "max_ratio" on X.
#pragma once

#include <benchmark/benchmark.h>

namespace zvbench {

inline void Goal(benchmark::State& state, double maxRatio) {
  state.counters["max_ratio"] = maxRatio;
}

}  // namespace zvbench
