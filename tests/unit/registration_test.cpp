// The registration list from version information, and the version lookup itself: the same
// expectations hold for the system's lookup on Win32 and for ours on Linux.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "client/client.h"
#include "hostapi/prop_list.h"
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

// The module as loaded in this process (Win32: the DLL beside the test; Linux: the test
// program, which carries the module's version block through the linked module code).
ModuleHandle OwnModule() {
#if defined(_WIN32)
  static HMODULE dll = LoadLibraryA("ZorvanShapes.dll");
  return dll;
#else
  static void* self = dlopen(nullptr, RTLD_NOW);
  return self;
#endif
}

// A module without version information.
ModuleHandle ForeignModule() {
#if defined(_WIN32)
  return GetModuleHandleA(nullptr);
#else
  static void* libc = dlopen("libc.so.6", RTLD_NOW | RTLD_NOLOAD);
  return libc;
#endif
}

// A version block in a buffer with room for the lookup's 8-bit copies.
struct Block {
  alignas(4) uint8_t bytes[4096] = {};
};

Block BuildBlock(const char* table, uint16_t language) {
  static const VersionString strings[] = {{"ClientName", "Other"}, {"ClientType", "Standard"}};
  VersionBlockSpec spec = {{1, 0, 0, 0}, table, language, 0x04B0, strings, 2};
  Block block;
  WriteVersionBlock(spec, block.bytes, sizeof block.bytes);
  return block;
}

std::string TextOf(const PropVal& v) {
  return v.value.type == 3 && v.value.u.text ? v.value.u.text : "<none>";
}

TEST(Registration, ThisModuleGivesFourEntriesInOrder) {
  ASSERT_NE(OwnModule(), nullptr);
  PropList list{0, nullptr};
  EXPECT_EQ(ReadClientRegistration(OwnModule(), &list), 1);
  ASSERT_EQ(list.count, 4u);
  const int32_t indices[] = {2, 3, 4, 5};
  const char* texts[] = {"ZorvanShapes", "Standard", "ZorvanShapes", "Maker MakerSGML"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(list.vals[i].key.number, indices[i]);
    EXPECT_EQ(list.vals[i].key.name, nullptr);
    EXPECT_EQ(TextOf(list.vals[i]), texts[i]);
  }
  PropListFree(&list);
}

TEST(Registration, ExistingIndexIsReplacedNotDuplicated) {
  PropList list{0, nullptr};
  PropListPutString(&list, 3, "Old");
  PropListPutString(&list, 40, "Kept");
  EXPECT_EQ(ReadClientRegistration(OwnModule(), &list), 1);
  ASSERT_EQ(list.count, 5u);
  EXPECT_EQ(list.vals[0].key.number, 3);
  EXPECT_EQ(TextOf(list.vals[0]), "Standard");
  EXPECT_EQ(TextOf(list.vals[1]), "Kept");
  EXPECT_EQ(list.vals[2].key.number, 2);
  PropListFree(&list);
}

TEST(Registration, StringsUnderAnotherLanguageAreNotRead) {
  Block block = BuildBlock("040704b0", 0x0407);
  PropList list{0, nullptr};
  EXPECT_EQ(RegistrationFromVersionBlock(block.bytes, &list), 1);
  EXPECT_EQ(list.count, 0u);
  Block english = BuildBlock("040904b0", 0x0409);
  EXPECT_EQ(RegistrationFromVersionBlock(english.bytes, &list), 1);
  ASSERT_EQ(list.count, 2u);
  EXPECT_EQ(TextOf(list.vals[0]), "Other");
  PropListFree(&list);
}

TEST(Registration, ModuleWithoutVersionInformationAddsNothing) {
  ASSERT_NE(ForeignModule(), nullptr);
  PropList list{0, nullptr};
  EXPECT_EQ(ReadClientRegistration(ForeignModule(), &list), 0);
  EXPECT_EQ(list.count, 0u);
  EXPECT_EQ(list.vals, nullptr);
}

TEST(VersionQuery, AnswersByTheSystemsQueryPaths) {
  Block block;
  constexpr ModuleVersionBytes module = BuildModuleVersionBlock();
  std::memcpy(block.bytes, module.bytes, sizeof module.bytes);
  const void* value = nullptr;
  uint32_t length = 0;
  ASSERT_EQ(PlatformVersionQuery(block.bytes, "\\StringFileInfo\\040904b0\\ClientProducts", &value, &length), 1);
  EXPECT_STREQ(static_cast<const char*>(value), "Maker MakerSGML");
  ASSERT_EQ(PlatformVersionQuery(block.bytes, "\\StringFileInfo\\040904B0\\originalfilename", &value, &length), 1);
  EXPECT_STREQ(static_cast<const char*>(value), "ZorvanShapes.dll");
  ASSERT_EQ(PlatformVersionQuery(block.bytes, "\\VarFileInfo\\Translation", &value, &length), 1);
  ASSERT_EQ(length, 4u);
  EXPECT_EQ(std::memcmp(value, "\x09\x04\xB0\x04", 4), 0);
  ASSERT_EQ(PlatformVersionQuery(block.bytes, "\\", &value, &length), 1);
  ASSERT_EQ(length, 52u);
  uint32_t signature;
  std::memcpy(&signature, value, 4);
  EXPECT_EQ(signature, 0xFEEF04BDu);
  EXPECT_EQ(PlatformVersionQuery(block.bytes, "\\StringFileInfo\\040904b0\\ClientVendor", &value, &length), 0);
  EXPECT_EQ(PlatformVersionQuery(block.bytes, "\\StringFileInfo\\040704b0\\ClientName", &value, &length), 0);
  // The block itself is left as it was.
  EXPECT_EQ(std::memcmp(block.bytes, module.bytes, sizeof module.bytes), 0);
}

}  // namespace
