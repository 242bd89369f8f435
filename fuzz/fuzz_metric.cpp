// MetricDiv and MetricMulDiv against exact wide-integer arithmetic.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "tests/unit/metric_reference.h"
#include "util/metric.h"

using metricref::ExactDiv;
using metricref::ExactMulDiv;

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
