// The host's resource requests: the module path for type 0, the version block by its type
// and name, and refusals that leave the host's record as it was.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "client/client.h"
#include "platform/platform.h"
#include "version/version_block.h"

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#define NOGDI
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

using namespace zv;

class Resources : public ::testing::Test {
 protected:
  void SetUp() override {
    saved = ClientModule;
#if defined(_WIN32)
    ClientModule = LoadLibraryA("ZorvanShapes.dll");
#else
    ClientModule = dlopen(nullptr, RTLD_NOW);
#endif
    ASSERT_NE(ClientModule, nullptr);
  }
  void TearDown() override {
    ClientModule = saved;
  }
  ModuleHandle saved = nullptr;
  uint8_t sentinel = 0;
  ByteBlock untouched{77, &sentinel};
};

TEST_F(Resources, TypeZeroGivesTheModulePathWithItsTerminator) {
  char path[260];
  uint32_t length = PlatformModuleFileName(ClientModule, path, sizeof path);
  ASSERT_GT(length, 0u);
  ByteBlock out = untouched;
  ASSERT_EQ(ClientGetResource(0, nullptr, &out), HrOk);
  ASSERT_EQ(out.count, length + 1);
  EXPECT_EQ(out.bytes[length], 0);
  EXPECT_STREQ(reinterpret_cast<char*>(out.bytes), path);
  PlatformTaskFree(out.bytes);
}

TEST_F(Resources, VersionResourceIsGivenWhole) {
  constexpr ModuleVersionBytes module = BuildModuleVersionBlock();
  ByteBlock out = untouched;
  ASSERT_EQ(ClientGetResource(16, "#1", &out), HrOk);
  ASSERT_EQ(out.count, sizeof module.bytes);
  EXPECT_EQ(std::memcmp(out.bytes, module.bytes, out.count), 0);
  PlatformTaskFree(out.bytes);
  // Only the low 16 bits name the type.
  ASSERT_EQ(ClientGetResource(0x10010, "#1", &out), HrOk);
  PlatformTaskFree(out.bytes);
}

TEST_F(Resources, UnknownOrMalformedRequestsLeaveTheRecordAlone) {
  ByteBlock out = untouched;
  EXPECT_EQ(ClientGetResource(16, "#2", &out), HrFail);
  EXPECT_EQ(ClientGetResource(6, "#1", &out), HrFail);
  EXPECT_EQ(ClientGetResource(0x10000, "#1", &out), HrFail);
  EXPECT_EQ(ClientGetResource(16, nullptr, &out), HrFail);
  EXPECT_EQ(out.count, 77u);
  EXPECT_EQ(out.bytes, &sentinel);
  EXPECT_EQ(ClientGetResource(16, "#1", nullptr), HrPointer);
  EXPECT_EQ(ClientGetResource(0, nullptr, nullptr), HrPointer);
}

}  // namespace
