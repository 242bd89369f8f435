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

uint32_t PlatformModuleFileName(ModuleHandle module, char* buffer, uint32_t size) {
  char resolved[PATH_MAX];
  const char* name = nullptr;
  link_map* map = nullptr;
  // A handle from dlopen always has a link map with a name (empty for the program itself).
  if (module != nullptr && dlinfo(module, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr &&  // GCOVR_EXCL_BR_LINE
      map->l_name != nullptr)                                                               // GCOVR_EXCL_BR_LINE
    name = map->l_name;
  if (name == nullptr || name[0] == '\0') {  // the program itself
    ssize_t n = readlink("/proc/self/exe", resolved, sizeof resolved - 1);
    if (n <= 0) return 0;  // GCOVR_EXCL_BR_LINE: only a system without /proc refuses the link
    resolved[n] = '\0';
    return CopyPath(resolved, buffer, size);
  }
  if (realpath(name, resolved) == nullptr) return CopyPath(name, buffer, size);
  return CopyPath(resolved, buffer, size);
}

}  // namespace zv
