// Reads the built modules as files: the DLLs' export, import, unwind data and version resource
// through a small PE reader (PE32 and PE32+), and the Linux module's dynamic symbols and version
// section through a small ELF reader. Each target reads its own module beside the test and,
// when they have been built, the other targets' modules from out/<target>/.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "version/version_block.h"

namespace {

using Bytes = std::vector<uint8_t>;

bool ReadFile(const std::string& path, Bytes* out) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  out->clear();
  uint8_t chunk[4096];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) out->insert(out->end(), chunk, chunk + n);
  std::fclose(f);
  return true;
}

std::string ExeDir() {
  char path[260];
  uint32_t n = zv::PlatformModuleFileName(nullptr, path, sizeof path);
  std::string s(path, n);
  size_t slash = s.find_last_of("/\\");
  return slash == std::string::npos ? "." : s.substr(0, slash);
}

// out/<target>/ of this source tree, where each build ships its module.
std::string ShippedModule(const char* target, const char* file) {
  return std::string(ZV_SOURCE_DIR) + "/out/" + target + "/" + file;
}

// What each Windows target's DLL must be, written here and not taken from the code under test.
struct DllKind {
  const char* target;
  uint16_t machine;     // file header
  uint16_t magic;       // optional header: PE32 or PE32+
  const char* entry;    // the one export
  uint16_t mustFlags;   // DllCharacteristics
  size_t minUnwindPct;  // share of the code that unwind data covers
};
constexpr uint16_t kDynamicBase = 0x40, kNxCompat = 0x100, kHighEntropy = 0x20;
const DllKind kWin32 = {"win32", 0x14C, 0x10B, "_F_ApiClientInit@16", kDynamicBase | kNxCompat, 0};
// x86-64 unwinds every frame by its data: all of the module's code is covered.
const DllKind kWin64 = {"win64", 0x8664, 0x20B, "F_ApiClientInit", kDynamicBase | kNxCompat | kHighEntropy, 90};

#if defined(_WIN64)
const DllKind& OwnDll = kWin64;
#elif defined(_WIN32)
const DllKind& OwnDll = kWin32;
#endif

// A target's own DLL is the one beside the test; the others are read from out/<target>/.
std::string DllPathOf(const DllKind& kind) {
#if defined(_WIN32)
  if (&kind == &OwnDll) return ExeDir() + "/ZorvanShapes.dll";
#endif
  return ShippedModule(kind.target, "ZorvanShapes.dll");
}
#if defined(_WIN32)
const std::string SoPath = ShippedModule("linux", "ZorvanShapes.so");
#else
const std::string SoPath = ExeDir() + "/ZorvanShapes.so";
#endif

uint16_t U16(const Bytes& b, size_t at) {
  return at + 2 <= b.size() ? uint16_t(b[at] | b[at + 1] << 8) : 0;
}
uint32_t U32(const Bytes& b, size_t at) {
  return at + 4 <= b.size() ? uint32_t(U16(b, at) | U16(b, at + 2) << 16) : 0;
}
uint64_t U64(const Bytes& b, size_t at) {
  return U32(b, at) | uint64_t(U32(b, at + 4)) << 32;
}

struct Pe {
  Bytes file;
  struct Section {
    uint32_t va, size, raw;
  };
  std::vector<Section> sections;
  uint32_t dir[16][2] = {};
  uint32_t linkTime = 0;  // file header's TimeDateStamp
  uint16_t dllFlags = 0;  // DllCharacteristics
  uint16_t machine = 0, magic = 0;
  uint32_t codeSize = 0;  // SizeOfCode

  bool Load(const std::string& path) {
    if (!ReadFile(path, &file) || U16(file, 0) != 0x5A4D) return false;
    size_t pe = U32(file, 0x3C);
    if (U32(file, pe) != 0x4550) return false;
    machine = U16(file, pe + 4);
    uint16_t count = U16(file, pe + 6);
    uint16_t optSize = U16(file, pe + 20);
    size_t opt = pe + 24;
    magic = U16(file, opt);
    if (magic != 0x10B && magic != 0x20B) return false;  // PE32, PE32+
    size_t dirsAt = opt + (magic == 0x20B ? 108 : 92);   // PE32+ has a 64-bit image base
    linkTime = U32(file, pe + 8);
    codeSize = U32(file, opt + 4);
    dllFlags = U16(file, opt + 70);
    uint32_t dirs = U32(file, dirsAt);
    for (uint32_t i = 0; i < dirs && i < 16; ++i) {
      dir[i][0] = U32(file, dirsAt + 4 + 8 * i);
      dir[i][1] = U32(file, dirsAt + 8 + 8 * i);
    }
    for (size_t s = opt + optSize, i = 0; i < count; ++i, s += 40)
      sections.push_back({U32(file, s + 12), U32(file, s + 8), U32(file, s + 20)});
    return true;
  }
  size_t Offset(uint32_t rva) const {
    for (const Section& s : sections)
      if (rva >= s.va && rva < s.va + s.size) return rva - s.va + s.raw;
    return file.size();
  }
  std::string Text(uint32_t rva) const {
    std::string s;
    for (size_t at = Offset(rva); at < file.size() && file[at] != 0; ++at) s += char(file[at]);
    return s;
  }
  std::vector<std::string> Exports(std::string* dllName) const {
    std::vector<std::string> names;
    if (dir[0][0] == 0) return names;
    size_t e = Offset(dir[0][0]);
    *dllName = Text(U32(file, e + 12));
    uint32_t count = U32(file, e + 24);
    size_t table = Offset(U32(file, e + 32));
    for (uint32_t i = 0; i < count; ++i) names.push_back(Text(U32(file, table + 4 * i)));
    return names;
  }
  std::vector<std::string> Imports() const {
    std::vector<std::string> names;
    for (size_t d = Offset(dir[1][0]); dir[1][0] != 0 && U32(file, d + 12) != 0; d += 20)
      names.push_back(Text(U32(file, d + 12)));
    return names;
  }
  // Bytes of code that the exception directory's entries (begin, end, unwind info) cover.
  uint64_t UnwindCovered() const {
    uint64_t covered = 0;
    for (size_t at = Offset(dir[3][0]), end = at + dir[3][1]; dir[3][0] != 0 && at + 12 <= end; at += 12)
      covered += U32(file, at + 4) - U32(file, at);
    return covered;
  }
  // The bytes of resource (type, id), first language.
  Bytes Resource(uint32_t type, uint32_t id) const {
    size_t base = Offset(dir[2][0]);
    auto find = [&](size_t directory, uint32_t wanted, bool any) -> uint32_t {
      uint32_t entries = U16(file, directory + 12) + U16(file, directory + 14);
      for (uint32_t i = 0; i < entries; ++i) {
        size_t entry = directory + 16 + 8 * i;
        if (any || U32(file, entry) == wanted) return U32(file, entry + 4);
      }
      return 0;
    };
    uint32_t level = find(base, type, false);
    if (!(level & 0x80000000u)) return {};
    level = find(base + (level & 0x7FFFFFFF), id, false);
    if (!(level & 0x80000000u)) return {};
    uint32_t data = find(base + (level & 0x7FFFFFFF), 0, true);
    if (data == 0 || (data & 0x80000000u)) return {};
    size_t at = Offset(U32(file, base + data));
    uint32_t size = U32(file, base + data + 4);
    if (at + size > file.size()) return {};
    return Bytes(file.begin() + at, file.begin() + at + size);
  }
};

// Walks a version block independently of the module's lookup: every text by its path, every
// binary value by its path as bytes.
void WalkVersion(const Bytes& b, size_t at, size_t end, const std::string& parent, std::map<std::string, Bytes>* out) {
  while (at + 6 <= end) {
    uint16_t length = U16(b, at), valueLength = U16(b, at + 2), type = U16(b, at + 4);
    if (length < 6 || at + length > end) return;
    std::string key;
    size_t p = at + 6;
    for (; U16(b, p) != 0 && p < at + length; p += 2) key += char(U16(b, p));
    p = (p + 2 + 3) & ~size_t(3);
    size_t valueBytes = type == 1 ? valueLength * 2u : valueLength;
    std::string path = parent + "\\" + key;
    Bytes value;
    if (type == 1) {
      for (size_t i = 0; i + 2 <= valueBytes && U16(b, p + i) != 0; i += 2) value.push_back(uint8_t(U16(b, p + i)));
    } else {
      value.assign(b.begin() + p, b.begin() + p + valueBytes);
    }
    (*out)[path] = value;
    WalkVersion(b, (p + valueBytes + 3) & ~size_t(3), at + length, path, out);
    at = (at + length + 3) & ~size_t(3);
  }
}

std::string AsText(const Bytes& b) {
  return std::string(b.begin(), b.end());
}

// The build named in PrivateBuild: the package's number from release/VERSION, then a commit of
// seven hex digits ("unknown" for a tree outside git).
void ExpectBuildIdentity(const std::string& text) {
  Bytes number;
  ASSERT_TRUE(ReadFile(std::string(ZV_SOURCE_DIR) + "/release/VERSION", &number));
  std::string package(number.begin(), number.end());
  while (!package.empty() && (package.back() == '\n' || package.back() == '\r')) package.pop_back();
  const std::string head = "package " + package + ", commit ";
  ASSERT_EQ(text.substr(0, head.size()), head) << text;
  const std::string commit = text.substr(head.size());
  EXPECT_TRUE(commit == "unknown" ||
              (commit.size() == 7 && commit.find_first_not_of("0123456789abcdef") == std::string::npos))
      << text;
}

void ExpectModuleVersion(const Bytes& block) {
  std::map<std::string, Bytes> values;
  WalkVersion(block, 0, block.size(), "", &values);
  const char* table = "\\VS_VERSION_INFO\\StringFileInfo\\040904b0\\";
  const std::map<std::string, std::string> expected = {
      {"ClientName", "ZorvanShapes"},        {"ClientType", "Standard"},
      {"ClientProducts", "Maker MakerSGML"}, {"FileDescription", "ZorvanShapes"},
      {"ProductName", "ZorvanShapes"},       {"OriginalFilename", "ZorvanShapes.dll"},
      {"ProductVersion", "1.2.1"},           {"FileVersion", "1, 2, 1, 0"},
      {"CompanyName", "Zorvan Software"},    {"LegalCopyright", "Copyright (C) 2004-2026 Zorvan Software"},
      {"PrivateBuild", ZV_STR_PRIVATE_BUILD}};
  for (const auto& [key, text] : expected) EXPECT_EQ(AsText(values[table + key]), text) << key;
  ExpectBuildIdentity(AsText(values[std::string(table) + "PrivateBuild"]));
  EXPECT_EQ(values["\\VS_VERSION_INFO\\VarFileInfo\\Translation"], (Bytes{0x09, 0x04, 0xB0, 0x04}));
  // The fixed part: signature, structure version, file and product version 1.2.1.0, flags
  // mask, flags (a private build), 32-bit Windows, a DLL, no subtype, no date.
  const Bytes& fixed = values["\\VS_VERSION_INFO"];
  const uint32_t words[13] = {0xFEEF04BD, 0x00010000, 0x00010002, 0x00010000, 0x00010002, 0x00010000, 0x3F,
                              8,          0x00040004, 2,          0,          0,          0};
  ASSERT_EQ(fixed.size(), 52u);
  for (size_t i = 0; i < 13; ++i) EXPECT_EQ(U32(fixed, 4 * i), words[i]) << "word " << i;
  EXPECT_EQ(U16(block, 0), block.size());
}

// The build a version block names (its PrivateBuild text).
std::string IdentityOf(const Bytes& block) {
  std::map<std::string, Bytes> values;
  WalkVersion(block, 0, block.size(), "", &values);
  return AsText(values["\\VS_VERSION_INFO\\StringFileInfo\\040904b0\\PrivateBuild"]);
}

// The module's block with PrivateBuild set to `identity`.
Bytes BlockWithIdentity(const char* identity) {
  std::vector<zv::VersionString> strings(std::begin(zv::ModuleVersionStrings), std::end(zv::ModuleVersionStrings));
  for (zv::VersionString& s : strings)
    if (std::string(s.key) == "PrivateBuild") s.value = identity;
  zv::VersionBlockSpec spec = zv::ModuleVersionSpec;
  spec.strings = strings.data();
  Bytes block(zv::WriteVersionBlock(spec, nullptr, 0));
  zv::WriteVersionBlock(spec, block.data(), block.size());
  return block;
}

Bytes BuiltBlock() {
  constexpr zv::ModuleVersionBytes block = zv::BuildModuleVersionBlock();
  return Bytes(block.bytes, block.bytes + sizeof block.bytes);
}

// Every Windows target checks its own DLL and, when they are built, the others'.
class Dll : public ::testing::TestWithParam<const DllKind*> {
 protected:
  void SetUp() override {
    const DllKind& kind = *GetParam();
    path = DllPathOf(kind);
    if (pe.Load(path)) return;
#if defined(_WIN32)
    if (&kind == &OwnDll) FAIL() << "cannot read " << path;
#endif
    GTEST_SKIP() << "no " << kind.target << " build at " << path;
  }
  std::string path;
  Pe pe;
};

TEST_P(Dll, IsForItsMachineAndExportsOnlyTheEntryPoint) {
  const DllKind& kind = *GetParam();
  EXPECT_EQ(pe.machine, kind.machine) << path;
  EXPECT_EQ(pe.magic, kind.magic) << path;
  std::string name;
  EXPECT_EQ(pe.Exports(&name), std::vector<std::string>{kind.entry});
  EXPECT_EQ(name, "ZorvanShapes.dll");
}

TEST_P(Dll, ImportsOnlySystemLibraries) {
  std::vector<std::string> imports = pe.Imports();
  EXPECT_FALSE(imports.empty());
  for (std::string dll : imports) {
    for (char& c : dll) c = char(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_TRUE(dll == "kernel32.dll" || dll == "version.dll" || dll == "ole32.dll" || dll == "msvcrt.dll") << dll;
  }
}

TEST_P(Dll, VersionResourceHoldsTheStringsAndIsTheBlockTheLinuxModuleCarries) {
  Bytes resource = pe.Resource(16, 1);
  ASSERT_FALSE(resource.empty());
  // Read from another target's build, a DLL of another commit names another build.
  if (IdentityOf(resource) != ZV_STR_PRIVATE_BUILD)
    GTEST_SKIP() << DllPathOf(*GetParam()) << " is of another build ('" << IdentityOf(resource)
                 << "'): build it again to compare";
  ExpectModuleVersion(resource);
  EXPECT_EQ(resource, BuiltBlock());
}

// A host may load the DLL anywhere: it carries base relocations and says it can move (on
// x86-64 anywhere in 64 bits), and its data is not executable. Two builds of one commit are
// byte-identical: no link time in the file or export headers.
TEST_P(Dll, IsRelocatableAndCarriesNoLinkTime) {
  EXPECT_NE(pe.dir[5][0], 0u);
  EXPECT_GT(pe.dir[5][1], 8u);  // more than an empty block header
  EXPECT_EQ(pe.dllFlags & GetParam()->mustFlags, GetParam()->mustFlags)
      << "DllCharacteristics 0x" << std::hex << pe.dllFlags;
  EXPECT_EQ(pe.linkTime, 0u);
  EXPECT_EQ(U32(pe.file, pe.Offset(pe.dir[0][0]) + 4), 0u);  // export directory's TimeDateStamp
}

// On x86-64 the system unwinds through a frame only by its unwind data: an exception or a
// crash report in the host passing through the module's code needs it for every function.
TEST_P(Dll, UnwindDataCoversTheCode) {
  ASSERT_GT(pe.codeSize, 0u);
  EXPECT_GE(pe.UnwindCovered() * 100, uint64_t(pe.codeSize) * GetParam()->minUnwindPct)
      << pe.UnwindCovered() << " of " << pe.codeSize << " bytes of code";
}

INSTANTIATE_TEST_SUITE_P(Targets, Dll, ::testing::Values(&kWin32, &kWin64),
                         [](const ::testing::TestParamInfo<const DllKind*>& info) {
                           return std::string(info.param->target);
                         });

TEST(VersionBlock, BuiltBlockHoldsTheStrings) {
  ExpectModuleVersion(BuiltBlock());
  // The whole block, byte for byte, for one identity: its size and a checksum (FNV-1a).
  const Bytes pinned = BlockWithIdentity("package 0.0.0, commit 0000000");
  uint32_t hash = 2166136261u;
  for (uint8_t byte : pinned) hash = (hash ^ byte) * 16777619u;
  EXPECT_EQ(pinned.size(), 972u);
  EXPECT_EQ(hash, 0x38556F61u);
  EXPECT_EQ(BlockWithIdentity(ZV_STR_PRIVATE_BUILD), BuiltBlock());
  // Written into less room, the block is cut there and still measured whole.
  const Bytes built = BuiltBlock();
  Bytes cut(40, 0xEE);
  EXPECT_EQ(zv::WriteVersionBlock(zv::ModuleVersionSpec, cut.data(), 32), built.size());
  EXPECT_EQ(Bytes(cut.begin(), cut.begin() + 32), Bytes(built.begin(), built.begin() + 32));
  EXPECT_EQ(Bytes(cut.begin() + 32, cut.end()), Bytes(8, 0xEE));
  EXPECT_EQ(zv::WriteVersionBlock(zv::ModuleVersionSpec, cut.data(), 1), built.size());  // no room for a length
  uint8_t* none = nullptr;
  EXPECT_EQ(zv::WriteVersionBlock(zv::ModuleVersionSpec, none, 0), built.size());  // measured only
}

// ELF64 little-endian, read by offsets so that this runs on both targets.
struct Elf {
  Bytes file;
  struct Section {
    std::string name;
    uint32_t type, link;
    uint64_t offset, size;
  };
  std::vector<Section> sections;
  bool Load(const std::string& path) {
    if (!ReadFile(path, &file) || file.size() < 64 ||
        std::memcmp(file.data(),
                    "\x7F"
                    "ELF\x02\x01",
                    6) != 0)
      return false;
    uint64_t shoff = U64(file, 0x28);
    uint16_t count = U16(file, 0x3C), names = U16(file, 0x3E);
    for (uint16_t i = 0; i < count; ++i) {
      size_t s = shoff + 64u * i;
      sections.push_back({"", U32(file, s + 4), U32(file, s + 0x28), U64(file, s + 0x18), U64(file, s + 0x20)});
    }
    if (names >= sections.size()) return false;
    for (uint16_t i = 0; i < count; ++i) sections[i].name = Text(sections[names].offset + U32(file, shoff + 64u * i));
    return true;
  }
  std::string Text(size_t at) const {
    std::string s;
    for (; at < file.size() && file[at] != 0; ++at) s += char(file[at]);
    return s;
  }
  const Section* Find(const std::string& name) const {
    for (const Section& s : sections)
      if (s.name == name) return &s;
    return nullptr;
  }
  // Defined functions and objects with global or weak binding in the dynamic symbol table.
  std::vector<std::string> DynamicExports() const {
    std::vector<std::string> names;
    for (const Section& s : sections) {
      if (s.type != 11) continue;  // SHT_DYNSYM
      const Section& strings = sections.at(s.link);
      for (uint64_t at = s.offset + 24; at + 24 <= s.offset + s.size; at += 24) {
        uint8_t info = file[at + 4];
        uint16_t index = U16(file, at + 6);
        int bind = info >> 4, type = info & 15;
        if (index != 0 && (bind == 1 || bind == 2) && (type == 1 || type == 2))
          names.push_back(Text(strings.offset + U32(file, at)));
      }
    }
    return names;
  }
};

bool LoadSo(Elf* elf) {
  if (elf->Load(SoPath)) return true;
#if !defined(_WIN32)
  ADD_FAILURE() << "cannot read " << SoPath;
#endif
  return false;
}

TEST(SharedObject, ExportsOnlyTheEntryPoint) {
  Elf elf;
  if (!LoadSo(&elf)) GTEST_SKIP() << "no Linux build at " << SoPath;
  EXPECT_EQ(elf.DynamicExports(), std::vector<std::string>{"F_ApiClientInit"});
}

TEST(SharedObject, CarriesTheVersionBlockOfTheDll) {
  Elf elf;
  if (!LoadSo(&elf)) GTEST_SKIP() << "no Linux build at " << SoPath;
  const Elf::Section* section = elf.Find(".zv_version");
  ASSERT_NE(section, nullptr);
  Bytes block(elf.file.begin() + section->offset, elf.file.begin() + section->offset + section->size);
  // Read from another target's build, a module of another commit names another build.
  if (IdentityOf(block) != ZV_STR_PRIVATE_BUILD)
    GTEST_SKIP() << SoPath << " is of another build ('" << IdentityOf(block) << "'): build it again to compare";
  EXPECT_EQ(block, BuiltBlock());
  for (const DllKind* kind : {&kWin32, &kWin64}) {
    Pe pe;
    if (!pe.Load(DllPathOf(*kind))) continue;
    // A DLL built from another commit names another build: there is nothing to compare (the
    // DLL's own tests compare it with the block of its build).
    const std::string other = IdentityOf(pe.Resource(16, 1));
    if (other != ZV_STR_PRIVATE_BUILD) {
      std::printf("note: %s is of another build ('%s'): not compared\n", DllPathOf(*kind).c_str(), other.c_str());
      continue;
    }
    EXPECT_EQ(block, pe.Resource(16, 1)) << kind->target;
  }
}

}  // namespace
