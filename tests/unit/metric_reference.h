// Exact wide-integer answers for the metric arithmetic, saturated where the module saturates;
// the unit tests and the fuzz target hold MetricDiv and MetricMulDiv to them.
#pragma once

#include <cstdint>

namespace metricref {

constexpr int32_t Largest = 0x7FFFFFFF;
constexpr int32_t Smallest = -0x7FFFFFFF - 1;

// Exact truncated a * 65536 / b in 64 bits, saturated; a zero divisor gives the sign of a.
inline int32_t ExactDiv(int32_t a, int32_t b) {
  if (b == 0) return a > 0 ? Largest : Smallest;
  int64_t q = static_cast<int64_t>(a) * 65536 / b;
  return q > Largest ? Largest : q < Smallest ? Smallest : static_cast<int32_t>(q);
}

// The ratio is cut one bit at a time until both terms are 65536 or less; then the exact
// product and quotient. Zero divisors and magnitudes of 2^30 or more saturate.
inline int32_t ExactMulDiv(int32_t a, int32_t b, int32_t c) {
  bool negative = ((a < 0) + (b < 0) + (c < 0)) % 2 == 1;
  uint64_t A = a < 0 ? -static_cast<int64_t>(a) : a;
  uint64_t B = b < 0 ? -static_cast<int64_t>(b) : b;
  uint64_t D = c < 0 ? -static_cast<int64_t>(c) : c;
  while (B > 65536 || D > 65536) {
    B >>= 1;
    D >>= 1;
  }
  if (D == 0) return A * B == 0 ? 0 : negative ? Smallest : Largest;
  uint64_t q = A * B / D;
  if (q >= (uint64_t{1} << 30)) return negative ? Smallest : Largest;
  return negative ? -static_cast<int32_t>(q) : static_cast<int32_t>(q);
}

}  // namespace metricref
