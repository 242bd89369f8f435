// The formatter against the platform's snprintf of the same format (goal: at least 0.8 times
// its speed, that is at most 1.25 times its time).
#include "util/format.h"

#include <cstdio>

#include "bench/bench_goal.h"

namespace {

const int Values[8] = {0, 7, -42, 1234, 65536, -2147483647, 99999, 31};
const char* const Texts[4] = {"hello", "Zorvan", "grid", "x"};

void BM_FormatInt(benchmark::State& state) {
  char buf[64];
  unsigned i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(zv::FormatToBuffer(buf, "%d", Values[i++ & 7]));
    benchmark::ClobberMemory();
  }
  zvbench::Goal(state, 1.25);
}
void BM_FormatInt_Floor(benchmark::State& state) {
  char buf[64];
  unsigned i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::snprintf(buf, sizeof buf, "%d", Values[i++ & 7]));
    benchmark::ClobberMemory();
  }
}

void BM_FormatText(benchmark::State& state) {
  char buf[64];
  unsigned i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(zv::FormatToBuffer(buf, "%s", Texts[i++ & 3]));
    benchmark::ClobberMemory();
  }
  zvbench::Goal(state, 1.25);
}
void BM_FormatText_Floor(benchmark::State& state) {
  char buf[64];
  unsigned i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::snprintf(buf, sizeof buf, "%s", Texts[i++ & 3]));
    benchmark::ClobberMemory();
  }
}

// A conversion with a width goes through the platform's snprintf: shown for information.
void BM_FormatWidth(benchmark::State& state) {
  char buf[64];
  unsigned i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(zv::FormatToBuffer(buf, "x=%8d", Values[i++ & 7]));
    benchmark::ClobberMemory();
  }
}
void BM_FormatWidth_Floor(benchmark::State& state) {
  char buf[64];
  unsigned i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::snprintf(buf, sizeof buf, "x=%8d", Values[i++ & 7]));
    benchmark::ClobberMemory();
  }
}

BENCHMARK(BM_FormatInt);
BENCHMARK(BM_FormatInt_Floor);
BENCHMARK(BM_FormatText);
BENCHMARK(BM_FormatText_Floor);
BENCHMARK(BM_FormatWidth);
BENCHMARK(BM_FormatWidth_Floor);

}  // namespace
