// Formats generated from the input: each single conversion (flags, width, precision, '*',
// length modifiers, every conversion) against the platform's own snprintf; whole formats of
// integer conversions and text runs through the buffer and console sinks; formats whose
// every '%' starts an unusable specification, which must come out unchanged.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "util/format.h"

namespace {

constexpr size_t OutputRoom = 255;  // a conversion other than s renders at most this much

struct Conversion {
  std::string format;    // as the formatter gets it
  std::string expanded;  // every '*' written out, for the platform
  std::vector<int> stars;
  char conversion = 'd';
  std::string length;
};

// Width or precision: absent, digits or '*'.
void Field(FuzzedDataProvider& in, bool precision, int max, Conversion* c) {
  switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0:
      return;
    case 1:
      if (precision) c->format += ".", c->expanded += ".";
      return;
    case 2: {
      std::string d = (precision ? "." : "") + (precision ? std::to_string(in.ConsumeIntegralInRange(0, max))
                                                          : std::to_string(in.ConsumeIntegralInRange(1, max)));
      c->format += d;
      c->expanded += d;
      return;
    }
    default: {
      int v = in.ConsumeIntegralInRange(-max, max);
      c->stars.push_back(v);
      c->format += precision ? ".*" : "*";
      if (!precision)
        c->expanded += std::to_string(v);
      else if (v >= 0)
        c->expanded += "." + std::to_string(v);
      return;
    }
  }
}

// A well-defined specification for `conversion`: flags, width and precision only where
// the language defines them for it.
Conversion Make(FuzzedDataProvider& in, const char* conversions, int maxField) {
  Conversion c;
  const size_t n = std::strlen(conversions);
  c.conversion = conversions[in.ConsumeIntegralInRange<size_t>(0, n - 1)];
  const bool text = c.conversion == 'c' || c.conversion == 's' || c.conversion == 'p';
  const bool signedInt = c.conversion == 'd' || c.conversion == 'i' || c.conversion == 'u';
  std::string allowed = text ? "-" : signedInt ? "-+ 0" : "-+ #0";
  c.format = c.expanded = "%";
  for (int i = in.ConsumeIntegralInRange(0, 4); i > 0; --i) {
    char f = allowed[in.ConsumeIntegralInRange<size_t>(0, allowed.size() - 1)];
    c.format += f;
    c.expanded += f;
  }
  Field(in, false, maxField, &c);
  if (c.conversion != 'c' && c.conversion != 'p') Field(in, true, maxField, &c);
  if (std::strchr("diouxX", c.conversion)) {
    const char* lengths[] = {"", "h", "hh", "l", "ll", "j", "z", "t"};
    c.length = lengths[in.ConsumeIntegralInRange(0, 7)];
  } else if (std::strchr("eEfgG", c.conversion)) {
    const char* lengths[] = {"", "l", "L"};
    c.length = lengths[in.ConsumeIntegralInRange(0, 2)];
  }
  c.format += c.length + c.conversion;
  c.expanded += c.length + c.conversion;
  return c;
}

// `shown` is what the platform is given: the same value, except "" for a null text, which
// the formatter renders as the empty text.
template <typename T>
void Compare(const Conversion& c, T value, T shown) {
  char platform[2048];
  int expected = std::snprintf(platform, sizeof platform, c.expanded.c_str(), shown);
  Check(expected >= 0 && static_cast<size_t>(expected) < sizeof platform);
  size_t want = static_cast<size_t>(expected);
  if (c.conversion != 's' && want > OutputRoom) want = OutputRoom;

  char ours[2048];
  int32_t stored = 0;
  switch (c.stars.size()) {
    case 0:
      stored = zv::FormatToBuffer(ours, c.format.c_str(), value);
      break;
    case 1:
      stored = zv::FormatToBuffer(ours, c.format.c_str(), c.stars[0], value);
      break;
    default:
      stored = zv::FormatToBuffer(ours, c.format.c_str(), c.stars[0], c.stars[1], value);
      break;
  }
  if (static_cast<size_t>(stored) != want || std::memcmp(ours, platform, want) != 0 || ours[want] != '\0') {
    std::fprintf(stderr, "format \"%s\" as \"%s\": ours \"%.*s\", platform \"%.*s\"\n", c.format.c_str(),
                 c.expanded.c_str(), static_cast<int>(stored), ours, static_cast<int>(want), platform);
    std::abort();
  }
}

// Cut to an exact-size heap buffer: at most size - 1 characters, always terminated.
template <typename T>
void CompareCut(const Conversion& c, T value, int32_t size) {
  char full[2048];
  int32_t whole = 0;
  char* cut = static_cast<char*>(std::malloc(static_cast<size_t>(size)));
  int32_t stored = 0;
  auto run = [&](char* b, int32_t n, ...) {
    va_list args;
    va_start(args, n);
    int32_t r = zv::FormatToBufferN(b, n, c.format.c_str(), args);
    va_end(args);
    return r;
  };
  switch (c.stars.size()) {
    case 0:
      whole = run(full, sizeof full, value);
      stored = run(cut, size, value);
      break;
    case 1:
      whole = run(full, sizeof full, c.stars[0], value);
      stored = run(cut, size, c.stars[0], value);
      break;
    default:
      whole = run(full, sizeof full, c.stars[0], c.stars[1], value);
      stored = run(cut, size, c.stars[0], c.stars[1], value);
      break;
  }
  int32_t want = whole < size - 1 ? whole : size - 1;
  Check(stored == want && std::memcmp(cut, full, static_cast<size_t>(want)) == 0 && cut[want] == '\0');
  std::free(cut);
}

template <typename T>
void CheckSingle(FuzzedDataProvider& in, const Conversion& c, T value, T shown) {
  Compare(c, value, shown);
  CompareCut(c, value, in.ConsumeIntegralInRange<int32_t>(1, 80));
}

template <typename T>
void CheckSingle(FuzzedDataProvider& in, const Conversion& c, T value) {
  CheckSingle(in, c, value, value);
}

void SingleConversion(FuzzedDataProvider& in) {
  Conversion c = Make(in, "diouxXcsfeEgGp", 300);
  const std::string& l = c.length;
  switch (c.conversion) {
    case 'c':
      return CheckSingle(in, c, static_cast<int>(in.ConsumeIntegral<uint8_t>()));
    case 'p':
      return CheckSingle(in, c, reinterpret_cast<void*>(in.ConsumeIntegral<uintptr_t>()));
    case 's': {
      std::string text = in.ConsumeRandomLengthString(400);
      if (in.ConsumeIntegralInRange(0, 9) == 0) return CheckSingle<const char*>(in, c, nullptr, "");
      return CheckSingle(in, c, text.c_str(), text.c_str());
    }
    case 'e':
    case 'E':
    case 'f':
    case 'g':
    case 'G': {
      double v = in.ConsumeBool() ? in.ConsumeFloatingPoint<double>() : in.ConsumeFloatingPointInRange(-1e6, 1e6);
      if (l == "L") return CheckSingle(in, c, static_cast<long double>(v));
      return CheckSingle(in, c, v);
    }
    default:
      if (l == "l") return CheckSingle(in, c, in.ConsumeIntegral<long>());
      if (l == "ll") return CheckSingle(in, c, in.ConsumeIntegral<long long>());
      if (l == "j") return CheckSingle(in, c, in.ConsumeIntegral<intmax_t>());
      if (l == "z") return CheckSingle(in, c, in.ConsumeIntegral<size_t>());
      if (l == "t") return CheckSingle(in, c, in.ConsumeIntegral<ptrdiff_t>());
      return CheckSingle(in, c, in.ConsumeIntegral<int>());
  }
}

// The count conversion stores what was stored so far, with the width its modifier names.
void CountConversion(FuzzedDataProvider& in) {
  std::string before = in.ConsumeRandomLengthString(20);
  for (char& ch : before)
    if (ch == '%' || ch == '\0') ch = '.';
  const char* lengths[] = {"", "h", "hh", "l", "ll"};
  int which = in.ConsumeIntegralInRange(0, 4);
  std::string format = before + "%" + lengths[which] + "n|";
  char out[64];
  const long long want = static_cast<long long>(before.size());
  switch (which) {
    case 0: {
      int v = -1;
      zv::FormatToBuffer(out, format.c_str(), &v);
      Check(v == want);
      break;
    }
    case 1: {
      short v[2] = {-1, -1};
      zv::FormatToBuffer(out, format.c_str(), &v[0]);
      Check(v[0] == want && v[1] == -1);
      break;
    }
    case 2: {
      signed char v[2] = {-1, -1};
      zv::FormatToBuffer(out, format.c_str(), &v[0]);
      Check(v[0] == want && v[1] == -1);
      break;
    }
    case 3: {
      long v = -1;
      zv::FormatToBuffer(out, format.c_str(), &v);
      Check(v == want);
      break;
    }
    default: {
      long long v = -1;
      zv::FormatToBuffer(out, format.c_str(), &v);
      Check(v == want);
      break;
    }
  }
  Check(std::string(out) == before + "|");
}

std::string g_console;
int32_t Record(const char* text) {
  g_console += text;
  return 0;
}

// Text runs and integer conversions (every argument an int), through both sinks.
void WholeFormat(FuzzedDataProvider& in) {
  std::string format, expected;
  std::vector<int> args;
  for (int pieces = in.ConsumeIntegralInRange(1, 8); pieces > 0; --pieces) {
    int kind = in.ConsumeIntegralInRange(0, 3);
    if (kind == 0) {
      std::string run = in.ConsumeRandomLengthString(in.ConsumeBool() ? 20 : 700);
      for (char& ch : run)
        if (ch == '%' || ch == '\0') ch = '_';
      format += run;
      expected += run;
    } else if (kind == 1) {
      format += "%%";
      expected += "%";
    } else {
      Conversion c = Make(in, "diouxXc", 300);
      if (c.length != "" && c.length != "h" && c.length != "hh") continue;
      int value = c.conversion == 'c' ? in.ConsumeIntegralInRange(1, 255) : in.ConsumeIntegral<int>();
      char rendered[1024];
      int n = std::snprintf(rendered, sizeof rendered, c.expanded.c_str(), value);
      Check(n >= 0);
      expected.append(rendered, std::min<size_t>(static_cast<size_t>(n), OutputRoom));
      format += c.format;
      args.insert(args.end(), c.stars.begin(), c.stars.end());
      args.push_back(value);
    }
  }
  args.resize(24, 0);
#define ZV_ARGS                                                                                                     \
  args[0], args[1], args[2], args[3], args[4], args[5], args[6], args[7], args[8], args[9], args[10], args[11],     \
      args[12], args[13], args[14], args[15], args[16], args[17], args[18], args[19], args[20], args[21], args[22], \
      args[23]
  std::vector<char> out(expected.size() + 1);
  Check(zv::FormatToBuffer(out.data(), format.c_str(), ZV_ARGS) == static_cast<int32_t>(expected.size()));
  Check(std::string(out.data(), expected.size()) == expected);

  g_console.clear();
  zv::SetConsoleWriter(Record);
  Check(zv::ConsolePrintf(nullptr, format.c_str(), ZV_ARGS) == static_cast<int32_t>(expected.size()));
  zv::SetConsoleWriter(nullptr);
  Check(g_console == expected);
#undef ZV_ARGS
}

// Every '%' followed by a character that no specification may hold: the text comes out as it is.
void UnusableSpecifications(FuzzedDataProvider& in) {
  std::string format = in.ConsumeRandomLengthString(300);
  const char* unusable = "!&(),/:;<=>?@[]^_`{|}~abkmqrvwyABCDFHIJKMNOPQRSTUVWYZ";
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '\0') format[i] = ' ';
    if (format[i] == '%') {
      char u = unusable[static_cast<unsigned char>(i < format.size() - 1 ? format[i + 1] : 0) % std::strlen(unusable)];
      if (i + 1 < format.size())
        format[++i] = u;
      else
        format += u, ++i;
    }
  }
  std::vector<char> out(format.size() + 1);
  Check(zv::FormatToBuffer(out.data(), format.c_str()) == static_cast<int32_t>(format.size()));
  Check(format == out.data());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  while (in.remaining_bytes() > 0) {
    switch (in.ConsumeIntegralInRange(0, 5)) {
      case 0:
      case 1:
      case 2:
        SingleConversion(in);
        break;
      case 3:
        CountConversion(in);
        break;
      case 4:
        WholeFormat(in);
        break;
      default:
        UnusableSpecifications(in);
        break;
    }
  }
  return 0;
}
