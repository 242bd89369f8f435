#include <gtest/gtest.h>

#include "host/host.h"
TEST(Placeholder, Builds) {
  zvhost::Host h;
  EXPECT_FALSE(h.Bound());
}
