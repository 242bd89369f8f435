#include "util/format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "util/memory.h"

namespace {

std::vector<std::string> g_console;
int32_t RecordingWriter(const char* text) {
  g_console.push_back(text);
  return 0;
}

long g_allocations = 0;
long g_live = 0;
long g_grantsLeft = -1;
void* CountingAlloc(size_t n) {
  if (g_grantsLeft == 0) return nullptr;
  if (g_grantsLeft > 0) --g_grantsLeft;
  ++g_allocations;
  ++g_live;
  return std::malloc(n);
}
void* CountingRealloc(void* p, size_t n) {
  if (g_grantsLeft == 0) return nullptr;
  if (g_grantsLeft > 0) --g_grantsLeft;
  ++g_allocations;
  if (p == nullptr) ++g_live;
  return std::realloc(p, n);
}
void CountingFree(void* p) {
  --g_live;
  std::free(p);
}

class FormatTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_console.clear();
    g_allocations = g_live = 0;
    g_grantsLeft = -1;
    zv::ClientAllocator counting = {CountingAlloc, nullptr, CountingRealloc, CountingFree};
    previousHeap_ = zv::SetClientAllocator(&counting);
    previousWriter_ = zv::CurrentConsoleWriter();
    zv::SetConsoleWriter(RecordingWriter);
  }
  void TearDown() override {
    zv::SetConsoleWriter(previousWriter_);
    zv::SetClientAllocator(&previousHeap_);
    EXPECT_EQ(g_live, 0) << "heap blocks left behind";
  }
  zv::ClientAllocator previousHeap_{};
  zv::ConsoleWriter previousWriter_ = nullptr;
};

using Calls = std::vector<std::string>;

TEST_F(FormatTest, ConsoleReceivesRunsAndConversionsAsSeparateCalls) {
  EXPECT_EQ(zv::ConsolePrintf(nullptr, "plain text"), 10);
  EXPECT_EQ(g_console, Calls({"plain text"}));

  g_console.clear();
  EXPECT_EQ(zv::ConsolePrintf(nullptr, "n=%d items", 42), 10);
  EXPECT_EQ(g_console, Calls({"n=", "42", " items"}));

  // A leading conversion sends nothing for the empty run before it; a trailing one is
  // followed by a call with the empty last run.
  g_console.clear();
  EXPECT_EQ(zv::ConsolePrintf(nullptr, "%d", 7), 1);
  EXPECT_EQ(g_console, Calls({"7", ""}));

  g_console.clear();
  EXPECT_EQ(zv::ConsolePrintf(nullptr, ""), 0);
  EXPECT_EQ(g_console, Calls({""}));

  // An unusable specification goes out whole, as one piece, like a conversion.
  g_console.clear();
  EXPECT_EQ(zv::ConsolePrintf(nullptr, "a%Ldb%5%"), 8);
  EXPECT_EQ(g_console, Calls({"a", "%Ld", "b", "%5%", ""}));
  EXPECT_EQ(zv::ConsolePrintf(nullptr, "%5d|", 1), 6);  // a conversion with a width counts too
}

TEST_F(FormatTest, ConsoleSplitsLongRunsBeforeAConversionInto255Chunks) {
  std::string run(600, 'r');
  std::string format = run + "%d" + run;
  EXPECT_EQ(zv::ConsolePrintf(nullptr, format.c_str(), 1), 1201);
  ASSERT_EQ(g_console.size(), 5u);
  EXPECT_EQ(g_console[0], std::string(255, 'r'));
  EXPECT_EQ(g_console[1], std::string(255, 'r'));
  EXPECT_EQ(g_console[2], std::string(90, 'r'));
  EXPECT_EQ(g_console[3], "1");
  EXPECT_EQ(g_console[4], run);  // the last run goes whole
}

TEST_F(FormatTest, ConsoleWithoutWriterDropsTextButCounts) {
  EXPECT_EQ(zv::CurrentConsoleWriter(), &RecordingWriter);
  zv::SetConsoleWriter(nullptr);
  EXPECT_EQ(zv::ConsolePrintf(nullptr, "abc%sdef", "xy"), 8);
  EXPECT_TRUE(g_console.empty());
  zv::SetConsoleWriter(RecordingWriter);
  int target = 0;
  EXPECT_EQ(zv::ConsolePrintf(&target, "abc"), 0);  // only the console is served
  EXPECT_TRUE(g_console.empty());
}

TEST_F(FormatTest, BufferSinkCutsAndAlwaysTerminates) {
  char buf[16];
  std::memset(buf, '#', sizeof buf);
  auto formatN = [&](char* b, int32_t size, const char* f, ...) {
    va_list args;
    va_start(args, f);
    int32_t r = zv::FormatToBufferN(b, size, f, args);
    va_end(args);
    return r;
  };
  EXPECT_EQ(formatN(buf, 4, "abcdef"), 3);
  EXPECT_STREQ(buf, "abc");
  EXPECT_EQ(buf[4], '#');
  EXPECT_EQ(formatN(buf, 6, "%d|%s", 12345, "zz"), 5);
  EXPECT_STREQ(buf, "12345");
  EXPECT_EQ(formatN(buf, 1, "abc"), 0);
  EXPECT_STREQ(buf, "");
  buf[0] = '#';
  EXPECT_EQ(formatN(buf, 0, "abc"), 0);  // no room even for the terminator
  EXPECT_EQ(formatN(buf, -5, "abc"), 0);
  EXPECT_EQ(buf[0], '#');
  EXPECT_EQ(formatN(nullptr, 10, "abc"), 0);
  EXPECT_EQ(zv::FormatToBuffer(buf, nullptr), 0);
  EXPECT_STREQ(buf, "");
}

int32_t EngineWithoutSink(const char* format, ...) {
  va_list args;
  va_start(args, format);
  int32_t n = zv::FormatEngine(nullptr, nullptr, format, args);
  va_end(args);
  return n;
}

TEST_F(FormatTest, TextConversions) {
  char buf[1024];
  EXPECT_EQ(zv::FormatToBuffer(buf, "[%s]", static_cast<const char*>(nullptr)), 2);
  EXPECT_STREQ(buf, "[]");
  EXPECT_EQ(zv::FormatToBuffer(buf, "[%-2s]", static_cast<const char*>(nullptr)), 4);
  EXPECT_STREQ(buf, "[  ]");
  EXPECT_EQ(zv::FormatToBuffer(buf, "%.99999999999s", "abc"), 3);  // the precision saturates
  EXPECT_EQ(EngineWithoutSink("abc%d", 1), 0);
  EXPECT_EQ(zv::FormatToBuffer(buf, "%-20s|", "abc"), 21);
  EXPECT_EQ(std::string(buf), "abc" + std::string(17, ' ') + "|");
  EXPECT_EQ(zv::FormatToBuffer(buf, "%.2s", "abc"), 2);
  EXPECT_STREQ(buf, "ab");
  // A precision bounds the read: the argument need not be terminated.
  const char unterminated[3] = {'x', 'y', 'z'};
  EXPECT_EQ(zv::FormatToBuffer(buf, "%.3s", unterminated), 3);
  EXPECT_STREQ(buf, "xyz");
  // 255 characters and the terminator fill the output buffer exactly.
  EXPECT_EQ(zv::FormatToBuffer(buf, "%255s", "w"), 255);
  EXPECT_EQ(g_allocations, 0);

  // A plain text is handed on as it is, however long; one with a width or precision is
  // rendered whole in an output buffer grown to fit.
  std::string longText(700, 'L');
  EXPECT_EQ(zv::FormatToBuffer(buf, "<%s>", longText.c_str()), 702);
  EXPECT_EQ(std::string(buf), "<" + longText + ">");
  EXPECT_EQ(g_allocations, 0);
  EXPECT_EQ(zv::FormatToBuffer(buf, "%300s%.800s%s", "a", longText.c_str(), "b"), 1001);
  EXPECT_EQ(std::string(buf), std::string(299, ' ') + "a" + longText + "b");
  EXPECT_EQ(g_allocations, 2);  // a block for the width, grown once for the long text
}

TEST_F(FormatTest, RefusedGrowthStopsWithTheTotalSoFar) {
  std::string longText(300, 'L');
  g_grantsLeft = 0;
  char buf[512];
  EXPECT_EQ(zv::FormatToBuffer(buf, "ab%dcd%-9s tail", 5, longText.c_str()), 5);
  EXPECT_STREQ(buf, "ab5cd");
  g_console.clear();
  EXPECT_EQ(zv::ConsolePrintf(nullptr, "x%.300sy", longText.c_str()), 1);
  EXPECT_EQ(g_console, Calls({"x"}));
}

TEST_F(FormatTest, CountConversionsStoreWithTheirWidth) {
  char buf[64];
  short halves[2] = {-1, -1};
  int whole[2] = {-1, -1};
  signed char tiny[2] = {-1, -1};
  long long wide = -1;
  long along[2] = {-1, -1};
  EXPECT_EQ(
      zv::FormatToBuffer(buf, "abc%hn%sde%n%hhn%lln%ln!", &halves[0], "xyz", &whole[0], &tiny[0], &wide, &along[0]), 9);
  EXPECT_EQ(along[0], 8);
  EXPECT_EQ(along[1], -1);
  EXPECT_STREQ(buf, "abcxyzde!");
  EXPECT_EQ(halves[0], 3);
  EXPECT_EQ(halves[1], -1);
  EXPECT_EQ(whole[0], 8);
  EXPECT_EQ(whole[1], -1);
  EXPECT_EQ(tiny[0], 8);
  EXPECT_EQ(tiny[1], -1);
  EXPECT_EQ(wide, 8);
  EXPECT_EQ(zv::FormatToBuffer(buf, "ab%n", static_cast<int*>(nullptr)), 2);  // null target ignored
  // j, z and t store with their own types: on i686 a 64-bit intmax_t beside 32-bit size_t and
  // ptrdiff_t, so a store of the wrong width leaves half a value or writes past it.
  intmax_t maxes[2] = {-1, -1};
  size_t sizes[2] = {SIZE_MAX, SIZE_MAX};
  ptrdiff_t diffs[2] = {-1, -1};
  EXPECT_EQ(zv::FormatToBuffer(buf, "%jn12%zn3%tn|%d", &maxes[0], &sizes[0], &diffs[0], 5), 5);
  EXPECT_STREQ(buf, "123|5");
  EXPECT_EQ(maxes[0], 0);
  EXPECT_EQ(sizes[0], 2u);
  EXPECT_EQ(diffs[0], 3);
  EXPECT_EQ(maxes[1], -1);
  EXPECT_EQ(sizes[1], SIZE_MAX);
  EXPECT_EQ(diffs[1], -1);
}

// The argument of each length modifier is taken with its own width: the conversion after it
// gets its own argument on both targets.
TEST_F(FormatTest, LengthModifiersTakeTheirArgumentsWidth) {
  char buf[128];
  auto format = [&buf](int32_t stored) { return std::string(buf, static_cast<size_t>(stored)); };
  EXPECT_EQ(format(zv::FormatToBuffer(buf, "%jd|%d", INTMAX_MIN, 7)), "-9223372036854775808|7");
  EXPECT_EQ(format(zv::FormatToBuffer(buf, "%+5jd|%zu|%d", intmax_t{-1}, SIZE_MAX, 8)),
            "   -1|" + std::to_string(SIZE_MAX) + "|8");
  EXPECT_EQ(format(zv::FormatToBuffer(buf, "%.3td|%zx|%jx|%d", ptrdiff_t{-5}, size_t{0xAB}, UINTMAX_MAX, 9)),
            "-005|ab|ffffffffffffffff|9");
  EXPECT_EQ(format(zv::FormatToBuffer(buf, "%td|%d", PTRDIFF_MIN, 1)), std::to_string(PTRDIFF_MIN) + "|1");
}

TEST_F(FormatTest, StarsAndUnusableSpecifications) {
  char buf[600];
  EXPECT_EQ(zv::FormatToBuffer(buf, "%*d", 5, 42), 5);
  EXPECT_STREQ(buf, "   42");
  EXPECT_EQ(zv::FormatToBuffer(buf, "%*d|", -5, 42), 6);
  EXPECT_STREQ(buf, "42   |");
  EXPECT_EQ(zv::FormatToBuffer(buf, "%.*d", -3, 7), 1);  // negative precision: none
  EXPECT_STREQ(buf, "7");
  // Unusable specifications pass through as text and take no argument.
  EXPECT_EQ(zv::FormatToBuffer(buf, "%ls|%hf|%d", 7), 9);  // a floating conversion takes only l or L
  EXPECT_STREQ(buf, "%ls|%hf|7");
  EXPECT_EQ(zv::FormatToBuffer(buf, "%5%|%Ld|%d", 9), 9);
  EXPECT_STREQ(buf, "%5%|%Ld|9");
  EXPECT_EQ(zv::FormatToBuffer(buf, "100%%"), 4);
  EXPECT_STREQ(buf, "100%");
  EXPECT_EQ(zv::FormatToBuffer(buf, "tail %"), 6);
  EXPECT_STREQ(buf, "tail %");
  EXPECT_EQ(zv::FormatToBuffer(buf, "%-+ #0*.*x", 8, 4, 0xab), 8);
  // A long specification is fine: it is rewritten in its short form.
  std::string spec = "%" + std::string(80, '0') + "5d";
  EXPECT_EQ(zv::FormatToBuffer(buf, spec.c_str(), 42), 5);
  EXPECT_STREQ(buf, "00042");
  // A conversion other than s is cut to the 255 characters of the output buffer.
  EXPECT_EQ(zv::FormatToBuffer(buf, "%400d", 1), 255);
  EXPECT_EQ(zv::FormatToBuffer(buf, "%256d", 1), 255);
  EXPECT_EQ(std::string(buf), std::string(255, ' '));
  // A width too large for an int saturates, from the format or from '*' (left-aligned).
  EXPECT_EQ(zv::FormatToBuffer(buf, "%99999999999d", 1), 255);
  EXPECT_EQ(std::string(buf), std::string(255, ' '));
  EXPECT_EQ(zv::FormatToBuffer(buf, "%*d", INT32_MIN, 1), 255);
  EXPECT_EQ(std::string(buf), "1" + std::string(254, ' '));
  EXPECT_EQ(zv::FormatToBuffer(buf, "%lf|%Lf", 1.5, 2.5L), 17);  // l and L with a floating conversion
  EXPECT_STREQ(buf, "1.500000|2.500000");
  EXPECT_EQ(g_allocations, 0);
  // Only conversions other than s are held: a text's precision and width count in full
  // (a heap block holds them).
  std::vector<char> large(8000);
  const std::string text(3000, 't');
  EXPECT_EQ(zv::FormatToBuffer(large.data(), "%.2000s|%5000s", text.c_str(), "x"), 7001);
}

// ---- Single conversions against the platform's own rendering ----

void ExpectSame(const std::string& format, const std::string& expanded, const char* ours, int32_t stored,
                const char* platform, int expected) {
  ASSERT_GE(expected, 0) << format;
  ASSERT_EQ(std::string(ours, static_cast<size_t>(stored)), std::string(platform, static_cast<size_t>(expected)))
      << "format \"" << format << "\" as \"" << expanded << "\"";
}

std::string Expand(const std::string& format, const std::vector<int>& stars) {
  std::string out;
  size_t next = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '*') {
      out += format[i];
    } else if (!out.empty() && out.back() == '.' && stars[next] < 0) {
      out.pop_back();
      ++next;
    } else {
      out += std::to_string(stars[next++]);
    }
  }
  return out;
}

struct Generator {
  unsigned state = 12345;
  unsigned Next(unsigned n) {
    state = state * 1103515245u + 12345u;
    return (state >> 16) % n;
  }
  std::string Flags(const char* allowed) {
    std::string f;
    for (const char* c = allowed; *c; ++c)
      if (Next(3) == 0) f += *c;
    return f;
  }
};

// Width and precision: absent, digits, or '*' (then the argument comes from `stars`).
std::string Field(Generator& g, bool precision, std::vector<int>& stars) {
  switch (g.Next(4)) {
    case 0:
      return "";
    case 1:
      return precision ? "." : "";
    case 2:
      return (precision ? "." : "") + std::to_string(g.Next(40));
    default:
      stars.push_back(static_cast<int>(g.Next(60)) - 20);
      return precision ? ".*" : "*";
  }
}

// The formatter gets the '*' arguments; the platform gets the specification with each '*'
// written out (a negative precision meaning none) and the value alone.
template <typename T>
void CheckWithStars(const std::string& format, const std::vector<int>& stars, T value) {
  char ours[512], platform[512];
  std::string expanded = Expand(format, stars);
  int32_t stored = 0;
  switch (stars.size()) {
    case 0:
      stored = zv::FormatToBuffer(ours, format.c_str(), value);
      break;
    case 1:
      stored = zv::FormatToBuffer(ours, format.c_str(), stars[0], value);
      break;
    default:
      stored = zv::FormatToBuffer(ours, format.c_str(), stars[0], stars[1], value);
      break;
  }
  int expected = zv::PlatformFormat(platform, sizeof platform, expanded.c_str(), value);
  ExpectSame(format, expanded, ours, stored, platform, expected);
}

TEST_F(FormatTest, IntegerConversionsMatchThePlatform) {
  Generator g;
  const int values[] = {0, 1, -1, 42, -42, 255, 65535, -32768, 0x7FFFFFFF, -0x7FFFFFFF - 1, 123456789};
  for (int i = 0; i < 4000; ++i) {
    char conversion = "diouxX"[g.Next(6)];
    bool isSigned = conversion == 'd' || conversion == 'i';
    std::vector<int> stars;
    std::string format = "<%" + g.Flags(isSigned ? "-+ 0" : "-+ #0");
    format += Field(g, false, stars);
    format += Field(g, true, stars);
    const char* lengths[] = {"", "h", "hh", "l", "ll"};
    std::string length = lengths[g.Next(5)];
    format += length + conversion + ">";
    int v = values[g.Next(sizeof values / sizeof values[0])];
    if (length == "l")
      CheckWithStars(format, stars, static_cast<long>(v));
    else if (length == "ll")
      CheckWithStars(format, stars, static_cast<long long>(v) * (g.Next(2) ? 1 : 3000000000LL));
    else
      CheckWithStars(format, stars, v);
  }
  EXPECT_EQ(g_allocations, 0);
}

// The formatter gets a long double; the system C library on Win32 reads %Lf as a double.
void CheckLongDouble(const std::string& format, const std::vector<int>& stars, double v) {
  char ours[512], platform[512];
  std::string expanded = Expand(format, stars);
  int32_t stored = 0;
  long double value = v;
  if (stars.empty())
    stored = zv::FormatToBuffer(ours, format.c_str(), value);
  else if (stars.size() == 1)
    stored = zv::FormatToBuffer(ours, format.c_str(), stars[0], value);
  else
    stored = zv::FormatToBuffer(ours, format.c_str(), stars[0], stars[1], value);
#if defined(_WIN32)
  int expected = zv::PlatformFormat(platform, sizeof platform, expanded.c_str(), v);
#else
  int expected = zv::PlatformFormat(platform, sizeof platform, expanded.c_str(), value);
#endif
  ExpectSame(format, expanded, ours, stored, platform, expected);
}

TEST_F(FormatTest, FloatingConversionsMatchThePlatform) {
  Generator g;
  const double values[] = {0.0, -0.0, 1.0, -1.5, 3.14159265358979, 1e-7, 6.02e23, -2.5e-300, 1e20, 0.1};
  for (int i = 0; i < 3000; ++i) {
    char conversion = "eEfgG"[g.Next(5)];
    std::vector<int> stars;
    std::string format = "%" + g.Flags("-+ #0");
    format += Field(g, false, stars);
    format += Field(g, true, stars);
    double v = values[g.Next(sizeof values / sizeof values[0])];
    if (g.Next(4) == 0)
      CheckLongDouble(format + "L" + conversion + "|", stars, v);
    else
      CheckWithStars(format + conversion + "|", stars, v);
  }
  EXPECT_EQ(g_allocations, 0);
}

TEST_F(FormatTest, CharTextAndPointerConversionsMatchThePlatform) {
  Generator g;
  const char* texts[] = {"", "a", "hello", "with space", "0123456789012345678901234567890123456789"};
  int local = 0;
  for (int i = 0; i < 3000; ++i) {
    std::vector<int> stars;
    std::string format = "(%" + g.Flags("-");
    format += Field(g, false, stars);
    switch (g.Next(3)) {
      case 0:
        CheckWithStars(format + "c)", stars, static_cast<int>("az%Z 0"[g.Next(6)]));
        break;
      case 1:
        format += Field(g, true, stars);
        CheckWithStars(format + "s)", stars, texts[g.Next(5)]);
        break;
      default:
        CheckWithStars(format + "p)", stars, g.Next(2) ? static_cast<void*>(&local) : static_cast<void*>(&g));
        break;
    }
  }
  char ours[64], platform[64];
  int32_t stored = zv::FormatToBuffer(ours, "%s%%%c%d%s", "mix", 'q', 17, "end");
  ExpectSame("mixed", "", ours, stored, platform,
             zv::PlatformFormat(platform, 64, "%s%%%c%d%s", "mix", 'q', 17, "end"));
  EXPECT_EQ(g_allocations, 0);
}

}  // namespace
