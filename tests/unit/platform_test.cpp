// The platform's clock: the module stamps selections with it, so it must be the system's
// millisecond tick (GetTickCount on Win32, the monotonic clock on Linux), wrapping at 32 bits.
#include "platform/platform.h"

#include <gtest/gtest.h>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#define NOGDI
#include <windows.h>
#else
#include <ctime>
#endif

namespace {

uint32_t SystemTick() {
#if defined(_WIN32)
  return GetTickCount();
#else
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u + now.tv_nsec / 1000000);
#endif
}

TEST(Platform, TickCountIsTheSystemsMillisecondTick) {
  // Read between two readings of the system's tick, it lies between them (modulo 2^32).
  for (int i = 0; i < 100; ++i) {
    uint32_t before = SystemTick();
    uint32_t tick = zv::PlatformTickCount();
    uint32_t after = SystemTick();
    ASSERT_LE(static_cast<uint32_t>(tick - before), static_cast<uint32_t>(after - before))
        << "before " << before << ", tick " << tick << ", after " << after;
  }
}

}  // namespace

#if defined(_WIN32)
namespace {

// A width the system's formatter cannot count: it gives up and answers -1, and the text is
// then empty, not what the buffer held before. (The C library on Linux counts such a width
// out, which takes seconds: the formatter above holds widths far below it.)
TEST(Platform, FormatOfAWidthTooLargeToCountIsEmpty) {
  char buf[8] = "garbage";
  EXPECT_EQ(zv::PlatformFormat(buf, sizeof buf, "%2147483647d", 1), 0);
  EXPECT_STREQ(buf, "");
}

}  // namespace
#endif
