// Builds the module's version-information block in the layout that the Windows version API
// reads (VS_VERSIONINFO: UTF-16 keys and values, 32-bit alignment, the fixed file info, a
// StringFileInfo table and the VarFileInfo translation), at compile time from version_info.h.
// The Linux module carries these bytes as its version resource; tests build other blocks.
#pragma once

#include <cstddef>
#include <cstdint>

#include "version/version_info.h"

namespace zv {

struct VersionString {
  const char* key;
  const char* value;
};

struct VersionBlockSpec {
  uint16_t version[4];  // file and product version
  const char* table;    // "040904b0"
  uint16_t language;
  uint16_t codepage;
  const VersionString* strings;
  size_t count;
};

namespace version_block_detail {

// Writes little-endian words; counts without writing when out is null.
struct Writer {
  uint8_t* out;
  size_t cap;
  size_t pos = 0;

  constexpr void Byte(uint8_t v) {
    if (out != nullptr && pos < cap) out[pos] = v;
    ++pos;
  }
  constexpr void U16(uint16_t v) {
    Byte(static_cast<uint8_t>(v & 0xFF));
    Byte(static_cast<uint8_t>(v >> 8));
  }
  constexpr void U32(uint32_t v) {
    U16(static_cast<uint16_t>(v & 0xFFFF));
    U16(static_cast<uint16_t>(v >> 16));
  }
  // An 8-bit text widened to UTF-16, with its terminator.
  constexpr void Text(const char* s) {
    for (; *s != '\0'; ++s) U16(static_cast<uint8_t>(*s));
    U16(0);
  }
  constexpr void Align() {
    while (pos % 4 != 0) Byte(0);
  }
  // Starts a node: length (patched by End), value length, type, key; returns its offset.
  constexpr size_t Begin(const char* key, uint16_t valueLength, uint16_t type) {
    Align();
    size_t start = pos;
    U16(0);
    U16(valueLength);
    U16(type);
    Text(key);
    Align();
    return start;
  }
  constexpr void End(size_t start) {
    if (out != nullptr && start + 1 < cap) {
      out[start] = static_cast<uint8_t>((pos - start) & 0xFF);
      out[start + 1] = static_cast<uint8_t>((pos - start) >> 8);
    }
  }
};

constexpr uint16_t TextUnits(const char* s) {
  uint16_t n = 1;
  while (*s++ != '\0') ++n;
  return n;
}

}  // namespace version_block_detail

// Writes the block into out (at most cap bytes; null only measures) and returns its size.
constexpr size_t WriteVersionBlock(const VersionBlockSpec& spec, uint8_t* out, size_t cap) {
  version_block_detail::Writer w{out, cap};
  const uint32_t ms = (uint32_t{spec.version[0]} << 16) | spec.version[1];
  const uint32_t ls = (uint32_t{spec.version[2]} << 16) | spec.version[3];
  size_t root = w.Begin("VS_VERSION_INFO", 52, 0);
  const uint32_t fixed[13] = {0xFEEF04BD, 0x00010000, ms, ls, ms, ls, 0x3F, ZV_FILE_FLAGS, 0x40004, 2, 0, 0, 0};
  for (uint32_t word : fixed) w.U32(word);

  size_t strings = w.Begin("StringFileInfo", 0, 1);
  size_t table = w.Begin(spec.table, 0, 1);
  for (size_t i = 0; i < spec.count; ++i) {
    size_t entry = w.Begin(spec.strings[i].key, version_block_detail::TextUnits(spec.strings[i].value), 1);
    w.Text(spec.strings[i].value);
    w.End(entry);
  }
  w.End(table);
  w.End(strings);

  size_t vars = w.Begin("VarFileInfo", 0, 1);
  size_t translation = w.Begin("Translation", 4, 0);
  w.U16(spec.language);
  w.U16(spec.codepage);
  w.End(translation);
  w.End(vars);
  w.End(root);
  return w.pos;
}

#define ZV_VERSION_STRING_ENTRY(key, text) VersionString{key, text},
constexpr VersionString ModuleVersionStrings[] = {ZV_VERSION_STRINGS(ZV_VERSION_STRING_ENTRY)};
#undef ZV_VERSION_STRING_ENTRY

constexpr VersionBlockSpec ModuleVersionSpec = {
    {ZV_VERSION_BINARY}, ZV_STRING_TABLE,      ZV_LANGUAGE,
    ZV_CODEPAGE,         ModuleVersionStrings, sizeof(ModuleVersionStrings) / sizeof(ModuleVersionStrings[0])};

constexpr size_t ModuleVersionBlockSize = WriteVersionBlock(ModuleVersionSpec, nullptr, 0);

struct ModuleVersionBytes {
  alignas(4) uint8_t bytes[ModuleVersionBlockSize];
};

constexpr ModuleVersionBytes BuildModuleVersionBlock() {
  ModuleVersionBytes block{};
  WriteVersionBlock(ModuleVersionSpec, block.bytes, ModuleVersionBlockSize);
  return block;
}

}  // namespace zv
