// Version information and resources on Linux. The module carries the same version block as
// the Windows DLL, in its own ELF section; reading a file's version information finds that
// section, and the version lookup walks the block by the query paths of the Windows API.
#include <fcntl.h>
#include <link.h>
#include <unistd.h>

#include <cstring>

#include "platform/platform.h"
#include "version/version_block.h"

namespace zv {
namespace {

constexpr const char* VersionSectionName = ".zv_version";
constexpr unsigned char NativeClass = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;

__attribute__((used, section(".zv_version"))) constexpr ModuleVersionBytes ModuleVersionBlock =
    BuildModuleVersionBlock();

// The module's resources: typed, named blocks. Its only one is the version block.
struct Resource {
  uint32_t type;
  const char* name;
  const uint8_t* bytes;
  uint32_t size;
};
constexpr Resource Resources[] = {{16, "#1", ModuleVersionBlock.bytes, sizeof ModuleVersionBlock.bytes}};

bool ReadAt(int fd, uint64_t offset, void* out, size_t size) {
  auto* p = static_cast<uint8_t*>(out);
  while (size > 0) {
    ssize_t n = pread(fd, p, size, static_cast<off_t>(offset));
    if (n <= 0) return false;
    p += n;
    offset += static_cast<uint64_t>(n);
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Finds the version section of an ELF file of this machine's class; its offset and size.
bool FindVersionSection(int fd, uint64_t* offset, uint64_t* size) {
  ElfW(Ehdr) header;
  if (!ReadAt(fd, 0, &header, sizeof header)) return false;
  if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != NativeClass) return false;
  if (header.e_shentsize != sizeof(ElfW(Shdr)) || header.e_shnum == 0 || header.e_shstrndx >= header.e_shnum)
    return false;
  ElfW(Shdr) names;
  if (!ReadAt(fd, header.e_shoff + uint64_t{header.e_shstrndx} * sizeof names, &names, sizeof names)) return false;
  const size_t wanted = std::strlen(VersionSectionName) + 1;
  for (uint32_t i = 0; i < header.e_shnum; ++i) {
    ElfW(Shdr) section;
    if (!ReadAt(fd, header.e_shoff + uint64_t{i} * sizeof section, &section, sizeof section)) return false;
    char name[16] = {};
    if (section.sh_name + wanted > names.sh_size) continue;
    if (!ReadAt(fd, names.sh_offset + section.sh_name, name, wanted)) continue;
    if (std::memcmp(name, VersionSectionName, wanted) != 0 || section.sh_type == SHT_NOBITS) continue;
    *offset = section.sh_offset;
    *size = section.sh_size;
    return true;
  }
  return false;
}

uint16_t Word(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

// One node of the block: its extent, key, value and children.
struct Node {
  const uint8_t* start;
  uint16_t length;
  uint16_t valueLength;
  uint16_t type;
  const uint8_t* key;  // UTF-16, terminated
  const uint8_t* value;
  size_t valueBytes;
  const uint8_t* children;
};

size_t AlignUp(size_t n) {
  return (n + 3) & ~size_t{3};
}

// Reads the node at `offset` of the block, within `end`; false when it does not fit.
bool ReadNode(const uint8_t* block, size_t offset, size_t end, Node* node) {
  if (offset + 6 > end) return false;
  const uint8_t* p = block + offset;
  node->start = p;
  node->length = Word(p);
  node->valueLength = Word(p + 2);
  node->type = Word(p + 4);
  if (node->length < 6 || offset + node->length > end) return false;
  size_t nodeEnd = offset + node->length;
  size_t at = offset + 6;
  node->key = block + at;
  while (at + 2 <= nodeEnd && Word(block + at) != 0) at += 2;
  if (at + 2 > nodeEnd) return false;
  at = AlignUp(at + 2);
  node->valueBytes = node->type == 1 ? size_t{node->valueLength} * 2 : node->valueLength;
  if (at + node->valueBytes > nodeEnd) node->valueBytes = at > nodeEnd ? 0 : nodeEnd - at;
  node->value = block + (at > nodeEnd ? nodeEnd : at);
  node->children = block + AlignUp(at + node->valueBytes);
  return true;
}

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Compares a UTF-16 key with the 8-bit segment [name, name + length), ignoring case.
bool KeyIs(const uint8_t* key, const char* name, size_t length) {
  for (size_t i = 0; i < length; ++i, key += 2) {
    uint16_t unit = Word(key);
    if (unit == 0 || unit > 0x7F || Lower(static_cast<char>(unit)) != Lower(name[i])) return false;
  }
  return Word(key) == 0;
}

}  // namespace

int PlatformFileVersionInfo(const char* path, uint32_t size, void* block) {
  if (path == nullptr || block == nullptr) return 0;
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  uint64_t offset = 0;
  uint64_t length = 0;
  bool ok = FindVersionSection(fd, &offset, &length) && length >= 6 && length <= 0xFFFF;
  uint8_t head[2] = {};
  ok = ok && ReadAt(fd, offset, head, 2);
  uint16_t blockLength = Word(head);
  // Like the system's, the block needs room after it for the 8-bit copies of its texts.
  ok = ok && blockLength >= 6 && blockLength <= length && size >= 2u * blockLength + 8u;
  ok = ok && ReadAt(fd, offset, block, blockLength);
  close(fd);
  if (ok) std::memset(static_cast<uint8_t*>(block) + blockLength, 0, size - blockLength);
  return ok ? 1 : 0;
}

int PlatformVersionQuery(const void* block, const char* query, const void** value, uint32_t* length) {
  if (block == nullptr || query == nullptr || value == nullptr || length == nullptr) return 0;
  const auto* bytes = static_cast<const uint8_t*>(block);
  Node node;
  if (!ReadNode(bytes, 0, Word(bytes), &node)) return 0;
  const char* segment = query;
  while (true) {
    while (*segment == '\\') ++segment;
    if (*segment == '\0') break;
    size_t segmentLength = 0;
    while (segment[segmentLength] != '\0' && segment[segmentLength] != '\\') ++segmentLength;
    size_t end = static_cast<size_t>(node.start - bytes) + node.length;
    size_t at = static_cast<size_t>(node.children - bytes);
    Node child;
    bool found = false;
    while (at < end && ReadNode(bytes, at, end, &child)) {
      if (KeyIs(child.key, segment, segmentLength)) {
        found = true;
        break;
      }
      at = AlignUp(at + child.length);
    }
    if (!found) return 0;
    node = child;
    segment += segmentLength;
  }
  if (node.type != 1) {
    *value = node.value;
    *length = static_cast<uint32_t>(node.valueBytes);
    return 1;
  }
  // Texts are answered in 8 bits, written into the room after the block at the place that
  // mirrors the UTF-16 value, as the system's version lookup does.
  size_t position = static_cast<size_t>(node.value - bytes);
  char* text = const_cast<char*>(reinterpret_cast<const char*>(bytes)) + Word(bytes) + 4 + position;
  size_t units = node.valueBytes / 2;
  size_t n = 0;
  for (; n < units; ++n) {
    uint16_t unit = Word(node.value + 2 * n);
    if (unit == 0) break;
    text[n] = unit < 0x100 ? static_cast<char>(unit) : '?';
  }
  text[n] = '\0';
  *value = text;
  *length = static_cast<uint32_t>(n);
  return 1;
}

// A null module names the program, which has no resources of its own (as on Windows).
int PlatformFindResource(void* module, const char* name, uint32_t type, const void** bytes, uint32_t* size) {
  if (module == nullptr || name == nullptr || bytes == nullptr || size == nullptr || (type & 0xFFFF) == 0) return 0;
  for (const Resource& resource : Resources) {
    if (resource.type != (type & 0xFFFF)) continue;
    size_t i = 0;
    while (resource.name[i] != '\0' && Lower(resource.name[i]) == Lower(name[i])) ++i;
    if (resource.name[i] != '\0' || name[i] != '\0') continue;
    *bytes = resource.bytes;
    *size = resource.size;
    return 1;
  }
  return 0;
}

}  // namespace zv
