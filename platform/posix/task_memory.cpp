// The COM task allocator and the tick count on Linux: the process heap and the monotonic clock.
#include <cstdlib>
#include <ctime>

#include "platform/platform.h"

namespace zv {

void* PlatformTaskAlloc(size_t size) {
  return std::malloc(size);
}

void PlatformTaskFree(void* block) {
  std::free(block);
}

uint32_t PlatformTickCount() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(ms);  // wraps like GetTickCount
}

}  // namespace zv
