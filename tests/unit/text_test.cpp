#include "util/text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "util/memory.h"

namespace {

// A destination of `size` bytes between guard bytes that must never change.
struct Guarded {
  static constexpr size_t Guard = 16;
  explicit Guarded(size_t size, const char* text = "") : size(size) {
    std::memset(bytes, 0x5A, sizeof bytes);
    if (size > 0) std::strcpy(dest(), text);
  }
  char* dest() { return bytes + Guard; }
  bool GuardsIntact() const {
    for (size_t i = 0; i < Guard; ++i)
      if (bytes[i] != 0x5A || bytes[Guard + size + i] != 0x5A) return false;
    return true;
  }
  size_t size;
  char bytes[2 * Guard + 64];
};

TEST(TextTest, NullTolerantBasics) {
  EXPECT_EQ(zv::TextLength(nullptr), 0u);
  EXPECT_EQ(zv::TextLength("abc"), 3u);

  char buf[8] = "xyz";
  zv::TextCopy(buf, nullptr);
  EXPECT_STREQ(buf, "");
  zv::TextCopy(buf, "hello");
  EXPECT_STREQ(buf, "hello");
  zv::TextCopy(nullptr, "hello");  // nothing to do, nothing breaks

  EXPECT_EQ(zv::TextCopyBounded(nullptr, "abc", 4), 0u);
  EXPECT_EQ(zv::TextAppendBounded(nullptr, "abc", 4), 0u);
  EXPECT_EQ(zv::TextAppendInt(nullptr, 5, 4), 0u);
}

TEST(TextTest, CopyBoundedNeverPassesTheSize) {
  for (size_t size = 0; size <= 8; ++size) {
    Guarded g(size, "");
    size_t n = zv::TextCopyBounded(g.dest(), "abcdef", size);
    EXPECT_TRUE(g.GuardsIntact()) << "size " << size;
    EXPECT_EQ(n, size == 0 ? 0u : std::min<size_t>(size - 1, 6)) << "size " << size;
    if (size > 0) {
      EXPECT_EQ(std::string(g.dest()), std::string("abcdef").substr(0, n));
    }
  }
  Guarded g(1);
  EXPECT_EQ(zv::TextCopyBounded(g.dest(), "abc", 1), 0u);  // size 1: the empty text
  EXPECT_STREQ(g.dest(), "");
  Guarded h(5, "zz");
  EXPECT_EQ(zv::TextCopyBounded(h.dest(), nullptr, 5), 0u);
  EXPECT_STREQ(h.dest(), "");
}

TEST(TextTest, AppendBoundedStopsAtSizeMinusOne) {
  Guarded a(5, "ab");
  EXPECT_EQ(zv::TextAppendBounded(a.dest(), "cdef", 5), 4u);
  EXPECT_STREQ(a.dest(), "abcd");
  EXPECT_TRUE(a.GuardsIntact());

  Guarded full(5, "abcd");  // already size - 1 characters
  EXPECT_EQ(zv::TextAppendBounded(full.dest(), "xy", 5), 4u);
  EXPECT_STREQ(full.dest(), "abcd");
  EXPECT_TRUE(full.GuardsIntact());

  // A destination longer than the size allows is left as it is.
  Guarded over(10, "abcdefgh");
  EXPECT_EQ(zv::TextAppendBounded(over.dest(), "xy", 4), 8u);
  EXPECT_STREQ(over.dest(), "abcdefgh");
  EXPECT_TRUE(over.GuardsIntact());

  Guarded none(6, "abc");
  EXPECT_EQ(zv::TextAppendBounded(none.dest(), nullptr, 6), 3u);
  EXPECT_EQ(zv::TextAppendBounded(none.dest(), "", 6), 3u);
  EXPECT_EQ(zv::TextAppendBounded(none.dest(), "x", 0), 3u);
  EXPECT_STREQ(none.dest(), "abc");
  EXPECT_TRUE(none.GuardsIntact());
}

TEST(TextTest, AppendIntRendersEveryValueWithinTheSize) {
  char* text = zv::TextNew(15);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(zv::TextAppendInt(text, 3, 15), 1u);
  EXPECT_STREQ(text, "3");
  zv::ClientFree(text);

  Guarded g(15);
  EXPECT_EQ(zv::TextAppendInt(g.dest(), -2147483647 - 1, 15), 11u);
  EXPECT_STREQ(g.dest(), "-2147483648");

  Guarded cut(5, "x=");
  EXPECT_EQ(zv::TextAppendInt(cut.dest(), 123456, 5), 4u);
  EXPECT_STREQ(cut.dest(), "x=12");
  EXPECT_TRUE(cut.GuardsIntact());
}

TEST(TextTest, TextNewIsZeroFilledAndFindCharNeverFindsTheTerminator) {
  char* text = zv::TextNew(7);
  ASSERT_NE(text, nullptr);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(text[i], '\0');
  zv::ClientFree(text);
  EXPECT_EQ(zv::TextNew(SIZE_MAX), nullptr);

  const char* s = "a:b\xE9:";
  EXPECT_EQ(zv::TextFindChar(s, ':'), s + 1);
  EXPECT_EQ(zv::TextFindChar(s, 0xE9), s + 3);  // compared as unsigned 8-bit
  EXPECT_EQ(zv::TextFindChar(s, 0), nullptr);
  EXPECT_EQ(zv::TextFindChar(s, 'z'), nullptr);
  EXPECT_EQ(zv::TextFindChar("", 'a'), nullptr);
  EXPECT_EQ(zv::TextFindChar(nullptr, 'a'), nullptr);
}

TEST(TextTest, BytesCopyTakesTheSourceFirst) {
  char src[4] = {1, 2, 3, 4};
  char dest[4] = {0, 0, 0, 0};
  EXPECT_EQ(zv::BytesCopy(src, dest, 4), 0);
  EXPECT_EQ(std::memcmp(src, dest, 4), 0);
  EXPECT_EQ(zv::BytesCopy(nullptr, dest, 4), 1);
  EXPECT_EQ(zv::BytesCopy(src, nullptr, 4), 1);
  char overlap[6] = {1, 2, 3, 4, 5, 6};
  EXPECT_EQ(zv::BytesCopy(overlap, overlap + 2, 4), 0);
  EXPECT_EQ(std::memcmp(overlap, "\1\2\1\2\3\4", 6), 0);
}

}  // namespace
