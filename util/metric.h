// Fixed-point metric arithmetic: 65536 = 1.0. Both integer operations truncate toward zero;
// undefined cases saturate in the direction of the sign.
#pragma once

#include <cstdint>

namespace zv {

double MetricToReal(int32_t v);
int32_t MetricDiv(int32_t a, int32_t b);
int32_t MetricMulDiv(int32_t a, int32_t b, int32_t c);

}  // namespace zv
