// The module's file path on Linux: the loaded object behind a dlopen handle, or the program
// itself for a null handle (as the system's module-name call answers).
#include <dlfcn.h>
#include <limits.h>
#include <link.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>

#include "platform/platform.h"

namespace zv {

static uint32_t CopyPath(const char* path, char* buffer, uint32_t size) {
  size_t length = std::strlen(path);
  if (buffer == nullptr || length >= size) return 0;  // a cut path is no path; paths are never empty here
  std::memcpy(buffer, path, length + 1);
  return static_cast<uint32_t>(length);
}

// The full path of the module's file in `resolved`, or null.
static const char* ModulePath(void* module, char (&resolved)[PATH_MAX]) {
  const char* name = nullptr;
  link_map* map = nullptr;
  // A handle from dlopen always has a link map with a name (empty for the program itself).
  if (module != nullptr && dlinfo(module, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr &&  // GCOVR_EXCL_BR_LINE
      map->l_name != nullptr)                                                               // GCOVR_EXCL_BR_LINE
    name = map->l_name;
  if (name == nullptr || name[0] == '\0') {  // the program itself
    ssize_t n = readlink("/proc/self/exe", resolved, sizeof resolved - 1);
    if (n <= 0) return nullptr;  // GCOVR_EXCL_BR_LINE: only a system without /proc refuses the link
    resolved[n] = '\0';
    return resolved;
  }
  return realpath(name, resolved) == nullptr ? name : resolved;
}

uint32_t PlatformModuleFileName(void* module, char* buffer, uint32_t size) {
  char resolved[PATH_MAX];
  const char* path = ModulePath(module, resolved);
  return path == nullptr ? 0 : CopyPath(path, buffer, size);  // GCOVR_EXCL_BR_LINE: see ModulePath
}

int PlatformModuleVersionInfo(void* module, uint32_t size, void* block) {
  char resolved[PATH_MAX];
  const char* path = ModulePath(module, resolved);
  return path == nullptr ? 0 : PlatformFileVersionInfo(path, size, block);  // GCOVR_EXCL_BR_LINE: see ModulePath
}

}  // namespace zv
