// The COM task allocator and the tick count, from the system.
#define WIN32_LEAN_AND_MEAN
#define NOGDI
#include <objbase.h>
#include <windows.h>

#include "platform/platform.h"

namespace zv {

void* PlatformTaskAlloc(size_t size) {
  return CoTaskMemAlloc(size);
}

void PlatformTaskFree(void* block) {
  CoTaskMemFree(block);
}

uint32_t PlatformTickCount() {
  return GetTickCount();
}

}  // namespace zv
