// Metric arithmetic per operation on random inputs against the native 64-bit multiply and
// divide (goal: at least half their speed, that is at most twice their time).
#include "util/metric.h"

#include <cstdint>
#include <vector>

#include "bench/bench_goal.h"

namespace {

constexpr size_t Count = 4096;

struct Inputs {
  std::vector<int32_t> a, b, c;
  Inputs() {
    uint64_t s = 0x243F6A8885A308D3ull;
    auto next = [&s] {
      s ^= s << 13;
      s ^= s >> 7;
      s ^= s << 17;
      return static_cast<uint32_t>(s >> 17);
    };
    for (size_t i = 0; i < Count; ++i) {
      // Lengths of every size up to a few thousand points; divisors never 0.
      auto value = [&] {
        int32_t v = static_cast<int32_t>(next() >> (next() % 16));
        return (next() & 1) ? -v : v;
      };
      a.push_back(value());
      b.push_back(value() | 1);
      c.push_back(value() | 1);
    }
  }
};
const Inputs& Data() {
  static const Inputs inputs;
  return inputs;
}

void BM_MetricDiv(benchmark::State& state) {
  const Inputs& in = Data();
  for (auto _ : state)
    for (size_t i = 0; i < Count; ++i) benchmark::DoNotOptimize(zv::MetricDiv(in.a[i], in.b[i]));
  state.SetItemsProcessed(state.iterations() * Count);
  zvbench::Goal(state, 2.0);
}
void BM_MetricDiv_Floor(benchmark::State& state) {
  const Inputs& in = Data();
  for (auto _ : state)
    for (size_t i = 0; i < Count; ++i)
      benchmark::DoNotOptimize(static_cast<int32_t>(static_cast<int64_t>(in.a[i]) * 65536 / in.b[i]));
  state.SetItemsProcessed(state.iterations() * Count);
}

void BM_MetricMulDiv(benchmark::State& state) {
  const Inputs& in = Data();
  for (auto _ : state)
    for (size_t i = 0; i < Count; ++i) benchmark::DoNotOptimize(zv::MetricMulDiv(in.a[i], in.b[i], in.c[i]));
  state.SetItemsProcessed(state.iterations() * Count);
  zvbench::Goal(state, 2.0);
}
void BM_MetricMulDiv_Floor(benchmark::State& state) {
  const Inputs& in = Data();
  for (auto _ : state)
    for (size_t i = 0; i < Count; ++i)
      benchmark::DoNotOptimize(static_cast<int32_t>(static_cast<int64_t>(in.a[i]) * in.b[i] / in.c[i]));
  state.SetItemsProcessed(state.iterations() * Count);
}

// Two partial floors show where MetricMulDiv's time goes beyond the native expression: the
// sign-and-magnitude form of the same division, then that form with the ratio cut to 17 bits
// (MetricMulDiv adds the saturation on top).
uint32_t Magnitude(int32_t v) {
  return v < 0 ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
}
int32_t Signed(uint64_t q, int32_t a, int32_t b, int32_t c) {
  return (a ^ b ^ c) < 0 ? -static_cast<int32_t>(q) : static_cast<int32_t>(q);
}
void BM_MetricMulDiv_FloorSigned(benchmark::State& state) {
  const Inputs& in = Data();
  for (auto _ : state)
    for (size_t i = 0; i < Count; ++i) {
      uint64_t q = uint64_t(Magnitude(in.a[i])) * Magnitude(in.b[i]) / Magnitude(in.c[i]);
      benchmark::DoNotOptimize(Signed(q, in.a[i], in.b[i], in.c[i]));
    }
  state.SetItemsProcessed(state.iterations() * Count);
}
void BM_MetricMulDiv_FloorSignedCut(benchmark::State& state) {
  const Inputs& in = Data();
  for (auto _ : state)
    for (size_t i = 0; i < Count; ++i) {
      uint32_t b = Magnitude(in.b[i]), c = Magnitude(in.c[i]), larger = b > c ? b : c;
      int shift = larger > 65536 ? 15 - __builtin_clz(larger) : 0;
      shift += (larger >> shift) > 65536;
      uint64_t q = uint64_t(Magnitude(in.a[i])) * (b >> shift) / ((c >> shift) | 1);
      benchmark::DoNotOptimize(Signed(q, in.a[i], in.b[i], in.c[i]));
    }
  state.SetItemsProcessed(state.iterations() * Count);
}

BENCHMARK(BM_MetricDiv);
BENCHMARK(BM_MetricDiv_Floor);
BENCHMARK(BM_MetricMulDiv);
BENCHMARK(BM_MetricMulDiv_Floor);
BENCHMARK(BM_MetricMulDiv_FloorSigned);
BENCHMARK(BM_MetricMulDiv_FloorSignedCut);

}  // namespace
