#include "util/metric.h"

namespace zv {

namespace {

constexpr int32_t Largest = 0x7FFFFFFF;
constexpr int32_t Smallest = -0x7FFFFFFF - 1;

uint32_t Magnitude(int32_t v) {
  return v < 0 ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
}

// Only called with v > 65536.
int BitLength(uint32_t v) {
  return 32 - __builtin_clz(v);
}

}  // namespace

double MetricToReal(int32_t v) {
  return static_cast<double>(v) * (1.0 / 65536.0);
}

// The bitwise long division of the magnitudes yields exactly the truncated quotient
// |a| * 65536 / |b|, and the whole-number and 1.0 cases agree with it, so one wide division
// gives every case; out-of-range quotients saturate.
int32_t MetricDiv(int32_t a, int32_t b) {
  if (b == 0) return a > 0 ? Largest : Smallest;
  if (b == 65536) return a;
  const int64_t q = static_cast<int64_t>(a) * 65536 / b;
  if (q > Largest) return Largest;
  if (q < Smallest) return Smallest;
  return static_cast<int32_t>(q);
}

// The ratio b : c is cut to at most 17 significant bits (both terms shifted right together
// until each is 65536 or less), then |a| * B / D is formed exactly. A zero divisor, also one
// cut down to zero, or a magnitude of 2^30 or more saturates in the direction of the sign;
// a zero dividend over a zero divisor gives 0.
int32_t MetricMulDiv(int32_t a, int32_t b, int32_t c) {
  const bool negative = (a < 0) != ((b < 0) != (c < 0));
  const uint32_t A = Magnitude(a);
  uint32_t B = Magnitude(b);
  uint32_t D = Magnitude(c);

  const uint32_t larger = B > D ? B : D;
  if (larger > 65536) {
    int shift = BitLength(larger) - 17;
    if ((larger >> shift) > 65536) ++shift;
    B >>= shift;
    D >>= shift;
  }

  const uint64_t product = static_cast<uint64_t>(A) * B;
  if (D == 0) {
    if (product == 0) return 0;
    return negative ? Smallest : Largest;
  }
  const uint64_t q = product / D;
  if (q >= (1u << 30)) return negative ? Smallest : Largest;
  return negative ? -static_cast<int32_t>(q) : static_cast<int32_t>(q);
}

}  // namespace zv
