#include "util/metric.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "tests/unit/metric_reference.h"

namespace {

using metricref::ExactDiv;
using metricref::Largest;
using metricref::Smallest;

// The bit-by-bit long division on 32-bit unsigned values, step by step as documented.
int32_t BitwiseDiv(int32_t a, int32_t b) {
  if (b == 0) return a > 0 ? Largest : Smallest;
  bool negative = (a < 0) != (b < 0);
  uint32_t n = a < 0 ? 0u - static_cast<uint32_t>(a) : static_cast<uint32_t>(a);
  uint32_t d = b < 0 ? 0u - static_cast<uint32_t>(b) : static_cast<uint32_t>(b);
  uint32_t bit = 65536, q = 0;
  int doublings = 0;
  while (d < n) {
    d <<= 1;
    bit <<= 1;
    if (++doublings == 16) return negative ? Smallest : Largest;
  }
  if (d & 0x80000000u) {
    if (n >= d) {
      n -= d;
      q = bit;
    }
    d >>= 1;
    bit >>= 1;
  }
  while (n != 0 && bit != 0) {
    if (n >= d) {
      n -= d;
      q += bit;
    }
    n <<= 1;
    bit >>= 1;
  }
  if (!negative) return q > 0x7FFFFFFFu ? Largest : static_cast<int32_t>(q);
  return q >= 0x80000000u ? Smallest : -static_cast<int32_t>(q);
}

struct Random {
  uint64_t state = 0x9E3779B97F4A7C15ull;
  uint32_t Next() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return static_cast<uint32_t>(state >> 11);
  }
  // Values of every magnitude, not only huge ones: a random number of low bits kept.
  int32_t Value() {
    uint32_t v = Next();
    uint32_t bits = Next() % 33;
    if (bits < 32) v &= (1u << bits) - 1;
    if (Next() & 1) v = 0u - v;
    return static_cast<int32_t>(v);
  }
};

TEST(MetricTest, ToRealIsExact) {
  EXPECT_EQ(zv::MetricToReal(98304), 1.5);
  EXPECT_EQ(zv::MetricToReal(-32768), -0.5);
  EXPECT_EQ(zv::MetricToReal(Smallest), -32768.0);
  EXPECT_EQ(zv::MetricToReal(Largest), 2147483647.0 / 65536.0);
}

TEST(MetricTest, DivKnownValues) {
  EXPECT_EQ(zv::MetricDiv(1, 3), 21845);
  EXPECT_EQ(zv::MetricDiv(131074, 65537), 131072);  // just above 1.0
  EXPECT_EQ(zv::MetricDiv(131074, 65536), 131074);
  EXPECT_EQ(zv::MetricDiv(-1, 3), -21845);
  EXPECT_EQ(zv::MetricDiv(100, -3), -2184533);
  EXPECT_EQ(zv::MetricDiv(98304, 3), Largest);  // exactly +32768.0
  EXPECT_EQ(zv::MetricDiv(-98304, 3), Smallest);
  EXPECT_EQ(zv::MetricDiv(98303, 3), 2147461802);
  EXPECT_EQ(zv::MetricDiv(655360, 131072), 327680);
  EXPECT_EQ(zv::MetricDiv(5, 0), Largest);
  EXPECT_EQ(zv::MetricDiv(0, 0), Smallest);
  EXPECT_EQ(zv::MetricDiv(-5, 0), Smallest);
  EXPECT_EQ(zv::MetricDiv(Smallest, -65536), Largest);
  EXPECT_EQ(zv::MetricDiv(Smallest, Smallest), 65536);
  EXPECT_EQ(zv::MetricDiv(0, -7), 0);
  for (int32_t a : {0, 1, -1, 12345, Largest, Smallest}) EXPECT_EQ(zv::MetricDiv(a, 65536), a);
}

TEST(MetricTest, MulDivKnownValues) {
  EXPECT_EQ(zv::MetricMulDiv(6553600, 3276800, 1638400), 13107200);
  EXPECT_EQ(zv::MetricMulDiv(655360, 196608, 458752), 280868);
  EXPECT_EQ(zv::MetricMulDiv(786432, 3, 1), 2359296);
  EXPECT_EQ(zv::MetricMulDiv(-655360, 196608, 458752), -280868);
  EXPECT_EQ(zv::MetricMulDiv(655360, -196608, -458752), 280868);
  // Results of 2^30 or more in magnitude saturate toward their sign.
  EXPECT_EQ(zv::MetricMulDiv(1310720000, 65536, 65536), Largest);
  EXPECT_EQ(zv::MetricMulDiv(-1310720000, 65536, 65536), Smallest);
  EXPECT_EQ(zv::MetricMulDiv(1 << 30, 1, 1), Largest);
  EXPECT_EQ(zv::MetricMulDiv((1 << 30) - 1, 1, 1), (1 << 30) - 1);
  EXPECT_EQ(zv::MetricMulDiv(-(1 << 30), 1, 1), Smallest);
  // Zero divisors, given or reached by cutting the ratio, never trap.
  EXPECT_EQ(zv::MetricMulDiv(5, 7, 0), Largest);
  EXPECT_EQ(zv::MetricMulDiv(5, -7, 0), Smallest);
  EXPECT_EQ(zv::MetricMulDiv(5, 131072, 1), Largest);
  EXPECT_EQ(zv::MetricMulDiv(-5, 131072, 1), Smallest);
  EXPECT_EQ(zv::MetricMulDiv(0, 7, 0), 0);
  EXPECT_EQ(zv::MetricMulDiv(7, 0, 0), 0);
  EXPECT_EQ(zv::MetricMulDiv(0, 131072, 1), 0);
  // The ratio is cut to 17 bits: 200000 : 100001 becomes 50000 : 25000.
  EXPECT_EQ(zv::MetricMulDiv(1000, 200000, 100001), 2000);
  // The cut starts just above 65536: 65537 : 3 becomes 32768 : 1; 65536 is kept whole.
  EXPECT_EQ(zv::MetricMulDiv(1000, 65537, 3), 32768000);
  EXPECT_EQ(zv::MetricMulDiv(1000, 65536, 3), 21845333);
  EXPECT_EQ(zv::MetricMulDiv(Smallest, Smallest, Smallest), Smallest);
}

TEST(MetricTest, RandomInputsMatchWideReference) {
  Random rng;
  for (int i = 0; i < 1000000; ++i) {
    int32_t a = rng.Value(), b = rng.Value(), c = rng.Value();
    int32_t div = zv::MetricDiv(a, b);
    ASSERT_EQ(div, ExactDiv(a, b)) << a << " / " << b;
    ASSERT_EQ(div, BitwiseDiv(a, b)) << a << " / " << b;
    ASSERT_EQ(zv::MetricMulDiv(a, b, c), metricref::ExactMulDiv(a, b, c)) << a << " * " << b << " / " << c;
  }
}

}  // namespace
