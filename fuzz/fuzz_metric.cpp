// MetricDiv and MetricMulDiv against exact wide-integer arithmetic.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "util/metric.h"

namespace {

constexpr int32_t Largest = 0x7FFFFFFF;
constexpr int32_t Smallest = -0x7FFFFFFF - 1;

int32_t ExactDiv(int32_t a, int32_t b) {
  if (b == 0) return a > 0 ? Largest : Smallest;
  int64_t q = static_cast<int64_t>(a) * 65536 / b;
  return q > Largest ? Largest : q < Smallest ? Smallest : static_cast<int32_t>(q);
}

// The ratio is cut one bit at a time until both terms are 65536 or less; then the exact
// product and quotient. Zero divisors and magnitudes of 2^30 or more saturate.
int32_t ExactMulDiv(int32_t a, int32_t b, int32_t c) {
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (; size >= 12; data += 12, size -= 12) {
    int32_t v[3];
    std::memcpy(v, data, sizeof v);
    if (zv::MetricDiv(v[0], v[1]) != ExactDiv(v[0], v[1])) std::abort();
    if (zv::MetricMulDiv(v[0], v[1], v[2]) != ExactMulDiv(v[0], v[1], v[2])) std::abort();
    // MetricToReal is exact, so it recovers the value.
    if (static_cast<int32_t>(zv::MetricToReal(v[2]) * 65536.0) != v[2]) std::abort();
  }
  return 0;
}
