// The host's range of lengths, in metric units (65536 per point): a position or an indent lies
// between -32768 and 32767 pt, a size (width, height, outline, margin, column width, grid)
// between 0 and 32767 pt. The scenario's building and "set" steps and the model's own writes
// hold to the same range.
#pragma once

#include <cstdint>

#include "host/model/numbers.h"

namespace zvhost {

constexpr int64_t kLengthMost = 32767LL * 65536;
constexpr int64_t kPositionLeast = -32768LL * 65536;

constexpr bool LengthInRange(int64_t metric, bool size) {
  return metric <= kLengthMost && metric >= (size ? 0 : kPositionLeast);
}

// Positions and indents may be negative; every other length property is a size.
constexpr bool IsSizeProp(int32_t p) {
  return p != prop::PosX && p != prop::PosY && p != prop::ParaFirstIndent && p != prop::ParaLeftIndent &&
         p != prop::ParaRightIndent && p != prop::TblLeftIndent;
}

constexpr const char* LengthRangeText(bool size) {
  return size ? "between 0 and 32767 pt" : "between -32768 and 32767 pt";
}

}  // namespace zvhost
