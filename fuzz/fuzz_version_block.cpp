// The version block reader of the Linux module file: a file (ELF, with the block in its own
// section) or a block as the section holds it, then the registration queries and a query from
// the input. The block lives in a buffer of exactly the size the module gives it, so a read or
// a text written past it is a sanitizer report; every answer must lie inside the buffer.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "client/client.h"
#include "fuzz/fuzz_support.h"
#include "hostapi/prop_list.h"
#include "platform/platform.h"

namespace {

constexpr uint32_t kBlockSize = 4096;  // the module's buffer for its version block

uint16_t Word(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

// The block as PlatformFileVersionInfo leaves it, from the bytes of a version section.
bool BlockFromSection(const uint8_t* section, size_t length, uint8_t* block) {
  if (length < 6 || length > 0xFFFF) return false;
  uint16_t blockLength = Word(section);
  if (blockLength < 6 || blockLength > length || kBlockSize < 2u * blockLength + 8u) return false;
  std::memcpy(block, section, blockLength);
  std::memset(block + blockLength, 0, kBlockSize - blockLength);
  return true;
}

// The file in memory, read through its /proc path as the module reads its own file.
bool BlockFromFile(const uint8_t* data, size_t size, uint8_t* block) {
  int fd = memfd_create("fuzz-module-file", MFD_CLOEXEC);
  Check(fd >= 0);
  Check(write(fd, data, size) == static_cast<ssize_t>(size));
  const std::string path = "/proc/self/fd/" + std::to_string(fd);
  int ok = zv::PlatformFileVersionInfo(path.c_str(), kBlockSize, block);
  close(fd);
  return ok != 0;
}

void CheckAnswer(const uint8_t* block, const void* value, uint32_t length) {
  auto* v = static_cast<const uint8_t*>(value);
  Check(v >= block && v <= block + kBlockSize && length <= kBlockSize - static_cast<size_t>(v - block));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // First byte: the query's length and whether the rest is a file or a section.
  const bool file = (data[0] & 0x80) != 0;
  size_t queryLength = data[0] & 0x3F;
  if (queryLength > size - 1) queryLength = size - 1;
  std::string query(reinterpret_cast<const char*>(data + 1), queryLength);
  const uint8_t* rest = data + 1 + queryLength;
  const size_t restSize = size - 1 - queryLength;

  auto* block = static_cast<uint8_t*>(std::malloc(kBlockSize));
  bool ok = file ? BlockFromFile(rest, restSize, block) : BlockFromSection(rest, restSize, block);
  if (ok) {
    zv::PropList list{0, nullptr};
    Check(zv::RegistrationFromVersionBlock(block, &list) == 1);
    zv::PropListFree(&list);
    const char* queries[] = {"\\", "\\VarFileInfo\\Translation", "\\StringFileInfo\\040904b0\\FileVersion",
                             query.c_str()};
    for (const char* q : queries) {
      const void* value = nullptr;
      uint32_t length = 0;
      if (zv::PlatformVersionQuery(block, q, &value, &length)) CheckAnswer(block, value, length);
    }
  }
  std::free(block);
  return 0;
}
