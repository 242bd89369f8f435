// The text helpers on exact-size heap buffers: nothing is written outside the destination,
// and every helper agrees with a plain model of what it should do.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "util/memory.h"
#include "util/text.h"

namespace {

std::string Text(FuzzedDataProvider& in, size_t max) {
  std::string s = in.ConsumeRandomLengthString(max);
  s.erase(std::remove(s.begin(), s.end(), '\0'), s.end());
  return s;
}

// A heap block of exactly `cap` bytes holding `text` (cut to fit) and filler after it; the
// model is a copy that the expected writes are applied to.
struct Dest {
  Dest(size_t cap, const std::string& text, uint8_t filler) : cap(cap) {
    block = static_cast<char*>(std::malloc(cap == 0 ? 1 : cap));
    model.assign(cap, static_cast<char>(filler));
    if (cap > 0) {
      size_t n = std::min(text.size(), cap - 1);
      std::memcpy(model.data(), text.data(), n);
      model[n] = '\0';
    }
    if (cap > 0) std::memcpy(block, model.data(), cap);
  }
  ~Dest() { std::free(block); }
  bool Matches() const { return cap == 0 || std::memcmp(block, model.data(), cap) == 0; }
  char* block;
  size_t cap;
  std::vector<char> model;
};

size_t ModelAppend(std::vector<char>& m, const char* src, size_t size) {
  size_t length = std::strlen(m.data());
  if (src == nullptr || *src == '\0' || size == 0 || length >= size - 1) return length;
  while (length < size - 1 && *src != '\0') m[length++] = *src++;
  m[length] = '\0';
  return length;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  while (in.remaining_bytes() > 0) {
    const int op = in.ConsumeIntegralInRange(0, 6);
    const size_t cap = in.ConsumeIntegralInRange<size_t>(0, 48);
    const size_t bound = in.ConsumeIntegralInRange<size_t>(0, cap);
    const std::string initial = Text(in, 48);
    const bool nullSource = in.ConsumeIntegralInRange(0, 7) == 0;
    const std::string source = Text(in, 64);
    const char* src = nullSource ? nullptr : source.c_str();
    const uint8_t filler = in.ConsumeIntegral<uint8_t>();

    switch (op) {
      case 0: {
        Dest d(cap, initial, filler);
        size_t n = zv::TextCopyBounded(cap == 0 ? nullptr : d.block, src, bound);
        size_t expected = 0;
        if (cap > 0 && bound > 0) {
          while (src != nullptr && expected < bound - 1 && src[expected] != '\0') {
            d.model[expected] = src[expected];
            ++expected;
          }
          d.model[expected] = '\0';
        }
        Check(n == expected && d.Matches());
        break;
      }
      case 1: {
        if (cap == 0) break;
        Dest d(cap, initial, filler);
        size_t n = zv::TextAppendBounded(d.block, src, bound);
        Check(n == ModelAppend(d.model, src, bound) && d.Matches());
        break;
      }
      case 2: {
        if (cap == 0) break;
        Dest d(cap, initial, filler);
        int32_t value = in.ConsumeIntegral<int32_t>();
        size_t n = zv::TextAppendInt(d.block, value, bound);
        Check(n == ModelAppend(d.model, std::to_string(value).c_str(), bound) && d.Matches());
        break;
      }
      case 3: {
        // An unbounded copy needs room for the source: give it exactly that.
        Dest d(source.size() + 1, initial, filler);
        zv::TextCopy(d.block, src);
        const std::string expected = src == nullptr ? "" : source;
        std::memcpy(d.model.data(), expected.c_str(), expected.size() + 1);
        Check(d.Matches());
        Check(zv::TextLength(d.block) == expected.size());
        break;
      }
      case 4: {
        int code = in.ConsumeIntegralInRange(-300, 300);
        const char* found = zv::TextFindChar(src, code);
        const char* expected = nullptr;
        const unsigned char c = static_cast<unsigned char>(code);
        if (src != nullptr && c != 0) expected = std::strchr(src, static_cast<char>(c));
        Check(found == expected);
        break;
      }
      case 5: {
        char* from = static_cast<char*>(std::malloc(source.size() + 1));
        std::memcpy(from, source.data(), source.size());
        char* to = static_cast<char*>(std::malloc(source.size() + 1));
        Check(zv::BytesCopy(from, to, source.size()) == 0);
        Check(std::memcmp(from, to, source.size()) == 0);
        Check(zv::BytesCopy(nullptr, to, source.size()) == 1 && zv::BytesCopy(from, nullptr, 1) == 1);
        std::free(to);
        std::free(from);
        break;
      }
      default: {
        char* text = zv::TextNew(cap);
        Check(text != nullptr);
        for (size_t i = 0; i <= cap; ++i) Check(text[i] == '\0');
        std::memset(text, 'x', cap);  // all n + 1 bytes belong to the text
        zv::ClientFree(text);
        break;
      }
    }
  }
  return 0;
}
