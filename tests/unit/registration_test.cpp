// The registration list from version information, and the version lookup itself: the same
// expectations hold for the system's lookup on Win32 and for ours on Linux.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

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
#include <fcntl.h>
#include <link.h>
#include <unistd.h>
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
  return v.value.type == zv::VtText && v.value.u.text ? v.value.u.text : "<none>";
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

TEST(Registration, EveryKeyGoesToItsIndexInLookupOrder) {
  // Stored in reverse order, among a key the registration does not read.
  static const VersionString strings[] = {{"ClientOutFormat", "11"}, {"ClientInFormat", "10"}, {"ClientSuffix", "9"},
                                          {"ClientVendor", "8"},     {"ClientFormatId", "7"},  {"ClientFacet", "6"},
                                          {"ClientProducts", "5"},   {"FileDescription", "4"}, {"ProductName", "no"},
                                          {"ClientType", "3"},       {"ClientName", "2"}};
  VersionBlockSpec spec = {{1, 0, 0, 0}, "040904b0", 0x0409, 0x04B0, strings, 11};
  Block block;
  WriteVersionBlock(spec, block.bytes, sizeof block.bytes);
  PropList list{0, nullptr};
  EXPECT_EQ(RegistrationFromVersionBlock(block.bytes, &list), 1);
  ASSERT_EQ(list.count, 10u);
  for (uint32_t i = 0; i < 10; ++i) {
    EXPECT_EQ(list.vals[i].key.number, int32_t(i + 2));
    EXPECT_EQ(TextOf(list.vals[i]), std::to_string(i + 2));
  }
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
  EXPECT_EQ(ReadClientRegistration(OwnModule(), nullptr), 0);  // no list to add to
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

TEST(ModuleFile, APathThatDoesNotFitIsNoPathOrTheShortPath) {
  char path[4096];
  uint32_t n = PlatformModuleFileName(OwnModule(), path, sizeof path);
  ASSERT_GT(n, 0u);
  EXPECT_EQ(PlatformModuleFileName(OwnModule(), path, n + 1), n);
#if defined(_WIN32)
  // No room for the path itself: the short path, where the volume keeps one, names the file.
  char full[4096];
  std::memcpy(full, path, n + 1);
  uint32_t cut = PlatformModuleFileName(OwnModule(), path, n);
  EXPECT_LT(cut, n);
  std::error_code error;
  EXPECT_TRUE(cut == 0 || std::filesystem::equivalent(path, full, error)) << path;
#else
  EXPECT_EQ(PlatformModuleFileName(OwnModule(), path, n), 0u);  // no room for the terminator
#endif
  EXPECT_EQ(PlatformModuleFileName(OwnModule(), nullptr, n + 1), 0u);
#if !defined(_WIN32)
  char program[4096];  // the program's own handle names the program, as a null handle does
  EXPECT_EQ(std::string(path, PlatformModuleFileName(OwnModule(), path, sizeof path)),
            std::string(program, PlatformModuleFileName(nullptr, program, sizeof program)));
#endif
}

// Both ways to a module's version information hold in a folder named in letters the 8-bit code
// page lacks, and at a path of 260 characters and more: the 8-bit path where it names the file
// (or its short path), and the full path in any letters.
TEST(ModuleFile, VersionInformationFromAnyFolder) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path temp = fs::temp_directory_path(error) / "zv-any-folder";
#if defined(_WIN32)
  wchar_t own[MAX_PATH];
  const fs::path built(std::wstring(own, GetModuleFileNameW(static_cast<HMODULE>(OwnModule()), own, MAX_PATH)));
#else
  char own[4096];
  const fs::path built =
      fs::path(std::string(own, PlatformModuleFileName(nullptr, own, sizeof own))).parent_path() / "ZorvanShapes.so";
#endif
  for (const fs::path& dir : {temp / fs::u8path("\u041f\u0440\u043e\u0433\u0440\u0430\u043c\u043c\u044b"),
                              temp / std::string(150, 'l') / std::string(150, 'm')}) {
    SCOPED_TRACE(dir.u8string());
    fs::create_directories(dir, error);
    fs::copy_file(built, dir / built.filename(), fs::copy_options::overwrite_existing, error);
    ASSERT_FALSE(error) << error.message();
#if defined(_WIN32)
    ModuleHandle copy = LoadLibraryW((L"\\\\?\\" + (dir / built.filename()).wstring()).c_str());
#else
    ModuleHandle copy = dlopen((dir / built.filename()).c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
    ASSERT_NE(copy, nullptr);
    alignas(4) static uint8_t block[4096];
    const void* value = nullptr;
    uint32_t length = 0;
    ASSERT_EQ(PlatformModuleVersionInfo(copy, sizeof block, block), 1);
    ASSERT_EQ(PlatformVersionQuery(block, "\\StringFileInfo\\040904b0\\ClientName", &value, &length), 1);
    EXPECT_STREQ(static_cast<const char*>(value), "ZorvanShapes");
    EXPECT_EQ(PlatformModuleVersionInfo(copy, sizeof block, nullptr), 0);
    char path[260];
    if (PlatformModuleFileName(copy, path, sizeof path) != 0) {  // Linux: none past 259 bytes
      std::memset(block, 0, sizeof block);
      ASSERT_EQ(PlatformFileVersionInfo(path, sizeof block, block), 1) << path;
      ASSERT_EQ(PlatformVersionQuery(block, "\\StringFileInfo\\040904b0\\ClientName", &value, &length), 1);
    }
#if defined(_WIN32)
    FreeLibrary(static_cast<HMODULE>(copy));
#else
    dlclose(copy);
#endif
  }
  fs::remove_all(temp, error);
}

#if !defined(_WIN32)
// ---- The Linux reader on its own: module files and blocks that are not as written ----

// A copy of the Linux module beside the test, with its version block (at `at`) edited.
struct ModuleCopy {
  std::vector<uint8_t> file;
  size_t at = 0;
  std::string path;
  ModuleCopy() {
    char self[4096];
    std::string program(self, PlatformModuleFileName(nullptr, self, sizeof self));
    FILE* f = std::fopen((program.substr(0, program.rfind('/')) + "/ZorvanShapes.so").c_str(), "rb");
    if (f == nullptr) return;
    uint8_t chunk[4096];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) file.insert(file.end(), chunk, chunk + n);
    std::fclose(f);
    constexpr ModuleVersionBytes block = BuildModuleVersionBlock();
    at = static_cast<size_t>(std::search(file.begin(), file.end(), block.bytes, block.bytes + sizeof block.bytes) -
                             file.begin());
    path = program + ".version-copy";
  }
  ~ModuleCopy() { std::remove(path.c_str()); }
  // Writes the first `length` bytes of the edited copy and reads its version information.
  int Read(size_t length, uint32_t size, uint8_t* block) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return -1;
    std::fwrite(file.data(), 1, length, f);
    std::fclose(f);
    return PlatformFileVersionInfo(path.c_str(), size, block);
  }
};

TEST(VersionFile, BlocksThatAreNotAsWritten) {
  ModuleCopy copy;
  ASSERT_LT(copy.at, copy.file.size()) << "no version block in the module";
  const uint32_t blockLength = sizeof(ModuleVersionBytes::bytes);
  const size_t whole = copy.file.size();
  uint8_t block[8192];
  // As written, with exactly the room the 8-bit copies need; the rest of the room is zeroed.
  std::memset(block, 0xAA, sizeof block);
  ASSERT_EQ(copy.Read(whole, 2 * blockLength + 8, block), 1);
  EXPECT_EQ(std::memcmp(block, copy.file.data() + copy.at, blockLength), 0);
  EXPECT_EQ(block[blockLength], 0);
  EXPECT_EQ(block[2 * blockLength + 7], 0);
  EXPECT_EQ(block[2 * blockLength + 8], 0xAA);
  EXPECT_EQ(copy.Read(whole, 2 * blockLength + 7, block), 0);
  EXPECT_EQ(copy.Read(copy.at + 10, sizeof block, block), 0);  // cut inside the block
  EXPECT_EQ(copy.Read(40, sizeof block, block), 0);            // cut inside the header
  // A block length of 6 (a bare header) fits; 5 and one past the section do not.
  struct Case {
    uint16_t length;
    int answer;
  } cases[] = {{6, 1}, {5, 0}, {static_cast<uint16_t>(blockLength + 2), 0}};
  for (const Case& c : cases) {
    copy.file[copy.at] = static_cast<uint8_t>(c.length);
    copy.file[copy.at + 1] = static_cast<uint8_t>(c.length >> 8);
    EXPECT_EQ(copy.Read(whole, sizeof block, block), c.answer) << "block length " << c.length;
  }
  EXPECT_EQ(PlatformFileVersionInfo((copy.path + ".none").c_str(), sizeof block, block), 0);  // no file
}

// Not ELF, another class, section headers that do not add up, no version section.
TEST(VersionFile, SectionHeadersThatDoNotAddUp) {
  ModuleCopy copy;
  ASSERT_LT(copy.at, copy.file.size()) << "no version block in the module";
  const size_t whole = copy.file.size();
  uint8_t block[8192];
  const std::vector<uint8_t> asWritten = copy.file;
  // Where the section headers, the version section's header and its name are in the file.
  ElfW(Ehdr) header;
  std::memcpy(&header, asWritten.data(), sizeof header);
  auto headerAt = [&](size_t i) { return static_cast<size_t>(header.e_shoff) + i * sizeof(ElfW(Shdr)); };
  auto sectionAt = [&](size_t i) {
    ElfW(Shdr) section;
    std::memcpy(&section, &asWritten[headerAt(i)], sizeof section);
    return section;
  };
  const ElfW(Shdr) names = sectionAt(header.e_shstrndx);
  size_t version = 0;
  while (version < header.e_shnum && sectionAt(version).sh_offset != copy.at) ++version;
  ASSERT_LT(version, header.e_shnum);
  const size_t versionHeader = headerAt(version);
  const size_t name = static_cast<size_t>(names.sh_offset + sectionAt(version).sh_name);
  auto field = [](uint64_t value, size_t bytes) {  // little-endian
    std::vector<uint8_t> out;
    for (size_t i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    return out;
  };
  const size_t wordSize = sizeof(ElfW(Off));
  struct Patch {
    size_t at;
    std::vector<uint8_t> bytes;
  };
  struct FileCase {
    const char* what;
    std::vector<Patch> patches;
    int answer;
  } files[] = {
      {"as written", {}, 1},
      {"not ELF", {{1, {'X'}}}, 0},
      {"another class", {{EI_CLASS, {1}}}, 0},
      {"another header size", {{offsetof(ElfW(Ehdr), e_shentsize), {0}}}, 0},
      {"no sections", {{offsetof(ElfW(Ehdr), e_shnum), {0, 0}}}, 0},
      {"no name table", {{offsetof(ElfW(Ehdr), e_shstrndx), {0xFF, 0xFF}}}, 0},
      {"name table past the end",
       {{headerAt(header.e_shstrndx) + offsetof(ElfW(Shdr), sh_offset), field(whole, wordSize)}},
       0},
      {"another name", {{name + 3, {'X'}}}, 0},
      {"a longer name that begins alike", {{name + 11, {'X'}}}, 0},
      {"a name past the end of its table", {{versionHeader, field(names.sh_size - 5, 4)}}, 0},
      {"a name table that ends with the name",
       {{headerAt(header.e_shstrndx) + offsetof(ElfW(Shdr), sh_size), field(name + 12 - names.sh_offset, wordSize)}},
       1},
      {"a name table that ends just before the name's terminator",
       {{headerAt(header.e_shstrndx) + offsetof(ElfW(Shdr), sh_size), field(name + 11 - names.sh_offset, wordSize)}},
       0},
      {"no bytes in the file", {{versionHeader + offsetof(ElfW(Shdr), sh_type), field(SHT_NOBITS, 4)}}, 0},
      {"more headers than the file holds, none named so",
       {{name + 3, {'X'}}, {offsetof(ElfW(Ehdr), e_shnum), field(header.e_shnum + 10u, 2)}},
       0},
      {"section of 5 bytes", {{versionHeader + offsetof(ElfW(Shdr), sh_size), field(5, wordSize)}}, 0},
      {"section of 64 KiB", {{versionHeader + offsetof(ElfW(Shdr), sh_size), field(0x10000, wordSize)}}, 0},
      {"section of 64 KiB less a byte", {{versionHeader + offsetof(ElfW(Shdr), sh_size), field(0xFFFF, wordSize)}}, 1},
      {"section at the last byte", {{versionHeader + offsetof(ElfW(Shdr), sh_offset), field(whole - 1, wordSize)}}, 0},
      {"bare header in a section of 6 bytes",
       {{versionHeader + offsetof(ElfW(Shdr), sh_size), field(6, wordSize)}, {copy.at, {6, 0}}},
       1},
  };
  for (const FileCase& c : files) {
    copy.file = asWritten;
    for (const Patch& p : c.patches)
      std::copy(p.bytes.begin(), p.bytes.end(), copy.file.begin() + static_cast<std::ptrdiff_t>(p.at));
    EXPECT_EQ(copy.Read(whole, sizeof block, block), c.answer) << c.what;
  }
}

TEST(VersionFile, TheFileIsClosedAgainAndDescriptorZeroServes) {
  ModuleCopy copy;
  ASSERT_LT(copy.at, copy.file.size()) << "no version block in the module";
  const size_t whole = copy.file.size();
  uint8_t block[8192];
  // The file is closed again: the next descriptor opened is the one opened before.
  int before = open("/dev/null", O_RDONLY);
  close(before);
  EXPECT_EQ(copy.Read(whole, sizeof block, block), 1);
  int after = open("/dev/null", O_RDONLY);
  close(after);
  EXPECT_EQ(after, before);
  // A process without standard input gets descriptor 0 for the file, and reads it all the same.
  int input = dup(0);
  close(0);
  EXPECT_EQ(copy.Read(whole, sizeof block, block), 1);
  dup2(input, 0);
  close(input);
  EXPECT_EQ(PlatformFileVersionInfo(copy.path.c_str(), sizeof block, nullptr), 0);
  EXPECT_EQ(PlatformFileVersionInfo(nullptr, sizeof block, block), 0);
}

// One node of a block: length, value length, type, UTF-16 key, padding, text value, children.
void Put16(std::vector<uint8_t>* b, uint16_t v) {
  b->push_back(static_cast<uint8_t>(v));
  b->push_back(static_cast<uint8_t>(v >> 8));
}
std::vector<uint8_t> VersionNode(const std::u16string& key, bool terminated, const std::u16string& text,
                                 const std::vector<uint8_t>& children = {}) {
  std::vector<uint8_t> b(6, 0);
  for (char16_t c : key) Put16(&b, c);
  if (!terminated) {
    b[0] = static_cast<uint8_t>(b.size());
    return b;  // the node ends inside its key
  }
  Put16(&b, 0);
  while (b.size() % 4 != 0) b.push_back(0);
  for (char16_t c : text) Put16(&b, c);
  if (!text.empty()) Put16(&b, 0);
  while (b.size() % 4 != 0) b.push_back(0);
  b.insert(b.end(), children.begin(), children.end());
  b[0] = static_cast<uint8_t>(b.size());
  b[2] = static_cast<uint8_t>(text.empty() ? 0 : text.size() + 1);
  b[4] = text.empty() ? 0 : 1;
  return b;
}

TEST(VersionQuery, KeysAndTextsOutsideSevenBitsOrTheirNode) {
  std::vector<uint8_t> children = VersionNode(u"AB", false, u"");
  // U's text fills its value without a terminator; LN claims more bytes than its parent has
  // (so nothing after it is reached); K ends before the padding after its key; BIN claims a
  // binary value past its end.
  std::vector<uint8_t> ln = VersionNode(u"LN", true, u"x");
  ln[0] = static_cast<uint8_t>(ln[0] + 200);
  std::vector<uint8_t> u = VersionNode(u"U", true, u"abc", VersionNode(u"C", true, u"xy"));
  u[18] = 'd';
  std::vector<uint8_t> k = VersionNode(u"K", true, u"");
  k[0] = 10;  // header, "K" and its terminator: the value would start past the end
  k[2] = 4;
  std::vector<uint8_t> bin = VersionNode(u"BIN", true, u"");
  bin.insert(bin.end(), {1, 2, 3, 4});
  bin[0] = static_cast<uint8_t>(bin.size());
  bin[2] = 40;
  const std::vector<uint8_t> others[] = {ln,
                                         VersionNode(u"\u0080", true, u"x"),
                                         VersionNode(u"AT", true, u"A\u0100\u00e9"),
                                         VersionNode(u"CD", true, u""),  // ends with its key
                                         VersionNode(u"T", true, u"ab", VersionNode(u"C", true, u"xy")),
                                         u,
                                         VersionNode(u"Z\u007f", true, u"z"),
                                         k,
                                         bin};
  for (const auto& node : others) {
    std::vector<uint8_t> unterminated = children;
    children = node;
    children.insert(children.end(), unterminated.begin(), unterminated.end());
  }
  Block block;
  std::vector<uint8_t> root = VersionNode(u"R", true, u"", children);
  std::memcpy(block.bytes, root.data(), root.size());
  const void* value = nullptr;
  uint32_t length = 0;
  EXPECT_EQ(PlatformVersionQuery(block.bytes, "\\AT", &value, &length), 1);
  ASSERT_EQ(PlatformVersionQuery(block.bytes, "\\at", &value, &length), 1);  // in any case
  EXPECT_STREQ(static_cast<const char*>(value), "A?\xe9");                   // 8 bits: what does not fit is '?'
  EXPECT_EQ(length, 3u);
  ASSERT_EQ(PlatformVersionQuery(block.bytes, "\\CD", &value, &length), 1);
  EXPECT_EQ(length, 0u);
  ASSERT_EQ(PlatformVersionQuery(block.bytes, "\\T\\C", &value, &length), 1);  // a text node's child
  EXPECT_STREQ(static_cast<const char*>(value), "xy");
  ASSERT_EQ(PlatformVersionQuery(block.bytes, "\\T", &value, &length), 1);
  EXPECT_STREQ(static_cast<const char*>(value), "ab");
  ASSERT_EQ(PlatformVersionQuery(block.bytes, "\\U", &value, &length), 1);  // the text ends with its value
  EXPECT_STREQ(static_cast<const char*>(value), "abcd");
  EXPECT_EQ(length, 4u);
  EXPECT_EQ(PlatformVersionQuery(block.bytes, "\\z\x7f", &value, &length), 1);  // Z and DEL are 7 bits
  EXPECT_EQ(PlatformVersionQuery(block.bytes, "\\LN", &value, &length), 0);     // longer than its parent
  ASSERT_EQ(PlatformVersionQuery(block.bytes, "\\K", &value, &length), 1);
  EXPECT_EQ(length, 0u);
  ASSERT_EQ(PlatformVersionQuery(block.bytes, "\\BIN", &value, &length), 1);  // cut at its node's end
  EXPECT_EQ(length, 4u);
  EXPECT_EQ(std::memcmp(value, "\1\2\3\4", 4), 0);
  EXPECT_EQ(PlatformVersionQuery(block.bytes, "\\\x80", &value, &length), 0);  // keys match in 7 bits only
  EXPECT_EQ(PlatformVersionQuery(block.bytes, "\\AB", &value, &length), 0);    // key without its end
  EXPECT_EQ(PlatformVersionQuery(nullptr, "\\AT", &value, &length), 0);
  EXPECT_EQ(PlatformVersionQuery(block.bytes, nullptr, &value, &length), 0);
  EXPECT_EQ(PlatformVersionQuery(block.bytes, "\\AT", nullptr, &length), 0);
  EXPECT_EQ(PlatformVersionQuery(block.bytes, "\\AT", &value, nullptr), 0);
  Block empty;  // a root node shorter than its header
  EXPECT_EQ(PlatformVersionQuery(empty.bytes, "\\", &value, &length), 0);
  // The module's resources: the version block as type 16 (higher bits ignored), name "#1".
  const void* bytes = nullptr;
  uint32_t size = 0;
  EXPECT_EQ(PlatformFindResource(OwnModule(), "#1", 0x10010, &bytes, &size), 1);
  EXPECT_EQ(size, sizeof(ModuleVersionBytes::bytes));
  for (const char* other : {"#12", "#", "1", "x1"})
    EXPECT_EQ(PlatformFindResource(OwnModule(), other, 16, &bytes, &size), 0);
  EXPECT_EQ(PlatformFindResource(OwnModule(), "#1", 0x10000, &bytes, &size), 0);
  EXPECT_EQ(PlatformFindResource(OwnModule(), nullptr, 16, &bytes, &size), 0);
  EXPECT_EQ(PlatformFindResource(OwnModule(), "#1", 16, nullptr, &size), 0);
  EXPECT_EQ(PlatformFindResource(OwnModule(), "#1", 16, &bytes, nullptr), 0);
}
#endif

}  // namespace
