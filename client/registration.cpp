// The registration list, from the strings of the module's own version information.
#include <cstdint>

#include "client/client.h"
#include "hostapi/prop_list.h"
#include "platform/platform.h"
#include "util/text.h"

namespace zv {
namespace {

constexpr uint32_t PathSize = 260;
constexpr uint32_t VersionBlockSize = 4096;
constexpr size_t QuerySize = 512;
constexpr const char* StringTablePath = "\\StringFileInfo\\040904b0\\";

struct RegistrationKey {
  int32_t index;
  const char* key;
};

// In lookup order.
constexpr RegistrationKey RegistrationKeys[] = {{2, "ClientName"},      {3, "ClientType"},   {4, "FileDescription"},
                                                {5, "ClientProducts"},  {6, "ClientFacet"},  {7, "ClientFormatId"},
                                                {8, "ClientVendor"},    {9, "ClientSuffix"}, {10, "ClientInFormat"},
                                                {11, "ClientOutFormat"}};

}  // namespace

int RegistrationFromVersionBlock(const void* block, PropList* list) {
  for (const RegistrationKey& entry : RegistrationKeys) {
    char query[QuerySize];
    TextCopyBounded(query, StringTablePath, QuerySize);
    TextAppendBounded(query, entry.key, QuerySize);
    const void* value = nullptr;
    uint32_t length = 0;
    // A query that succeeds always points at its value; the null test is a guard only.
    if (!PlatformVersionQuery(block, query, &value, &length) || value == nullptr) continue;  // GCOVR_EXCL_BR_LINE
    PropListPutString(list, entry.index, static_cast<const char*>(value));                   // up to its NUL
  }
  return 1;
}

int ReadClientRegistration(ModuleHandle module, PropList* list) {
  if (list == nullptr) return 0;
  char path[PathSize];
  alignas(4) static uint8_t block[VersionBlockSize];  // too big for a host thread's stack to take lightly
  // The file by its 8-bit path where that names it; otherwise by its full path in any letters,
  // so that the folder's name never empties the list.
  bool read =
      PlatformModuleFileName(module, path, PathSize) != 0 && PlatformFileVersionInfo(path, VersionBlockSize, block);
  if (!read && !PlatformModuleVersionInfo(module, VersionBlockSize, block)) return 0;
  return RegistrationFromVersionBlock(block, list);
}

}  // namespace zv
