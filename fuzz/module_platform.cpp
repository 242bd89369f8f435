// The task allocator and the tick count of platform/posix/task_memory.cpp, for the module
// linked into the whole-module target: blocks given back are reported to the host (as its
// watch on a module file's free import does), the allocator refuses on demand, and the clock
// is virtual, so an input replays identically.
#include "fuzz/module_platform.h"

#include <cstdlib>

#include "host/binding/host_impl.h"
#include "platform/platform.h"

namespace zv {

void* PlatformTaskAlloc(size_t size) {
  return fuzzplatform::g_refuseTaskAlloc ? nullptr : std::malloc(size);
}

void PlatformTaskFree(void* block) {
  if (fuzzplatform::g_watcher != nullptr && block != nullptr) fuzzplatform::g_watcher->OnClientFree(block);
  std::free(block);
}

uint32_t PlatformTickCount() {
  return ++fuzzplatform::g_ticks;
}

}  // namespace zv
