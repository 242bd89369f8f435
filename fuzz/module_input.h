// How the whole-module target reads its input: bytes taken from the front, one step at a time,
// each step an action byte and the few bytes it needs, so that most inputs are meaningful and
// a mutation of one byte changes one step. A read past the end gives 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/model/numbers.h"

namespace fuzzmodule {

class Bytes {
 public:
  Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool More() const { return at_ < size_; }
  uint8_t U8() { return at_ < size_ ? data_[at_++] : 0; }
  uint32_t Below(uint32_t n) { return U8() % n; }
  bool Bit() { return (U8() & 1) != 0; }
  int32_t I32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(U8()) << (8 * i);
    return static_cast<int32_t>(v);
  }
  // A length in points: mostly on a page, now and then 0 or an end of the metric range, where
  // sums and scalings overflow 32 bits.
  double Length() {
    uint8_t b = U8();
    if (b == 255) return 32767.99;
    if (b == 254) return -32768;
    if (b == 253) return 0;
    return (static_cast<int>(b) - 40) * 2.5;
  }
  // A text of up to `max` bytes; in texts 0x1E is the field separator of notification 75.
  std::string Text(size_t max) {
    size_t n = Below(static_cast<uint32_t>(max + 1));
    std::string s;
    for (size_t i = 0; i < n && More(); ++i) {
      char c = static_cast<char>(U8());
      s += c == 0 ? '\x1E' : c;
    }
    return s;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

// One of `ids`, or 0 when there is none.
inline zvhost::ObjectId Pick(const std::vector<zvhost::ObjectId>& ids, uint8_t b) {
  return ids.empty() ? 0 : ids[b % ids.size()];
}

// The steps an input is made of: the first byte of each, modulo the count. The dictionary
// (fuzz/fuzz_module.dict) spells the common ones with their arguments.
enum Step : uint8_t {
  StepNewDocument = 0,
  StepAddFrame,
  StepAddGraphic,
  StepAddTextFrame,
  StepAddAnchoredFrame,
  StepAddTable,
  StepAddCellParagraph,
  StepAddFrameContent,
  StepActivate,
  StepSelectGraphics,
  StepSelectText,
  StepCommand,  // three codes, so that commands are a fifth of the steps
  StepCommand2,
  StepCommand3,
  StepNotify,
  StepFault,
  StepRefuseMemory,
  StepCloseDocument,
  StepOtherEvent,
  StepForceAnswer,
  StepCount
};

}  // namespace fuzzmodule
