// High memory for Win64: one address range reserved top-down, committed as it fills, handed out
// in power-of-two size classes with a free list per class (blocks are small and short-lived:
// returned lists, texts, the host object).
#include "host/binding/high_memory.h"

#include <cstdint>
#include <new>

#if defined(_WIN32)
#include <objbase.h>
#else
#include <cstdlib>
#endif
#if defined(_WIN64)
#include <windows.h>
#endif

namespace zvhost {

void* TaskAlloc(size_t size) {
#if defined(_WIN32)
  return CoTaskMemAlloc(size);
#else
  return std::malloc(size);
#endif
}

void TaskFree(void* block) {
#if defined(_WIN32)
  if (IsHighBlock(block)) return HighFree(block);
  CoTaskMemFree(block);
#else
  std::free(block);
#endif
}

#if defined(_WIN64)

namespace {

constexpr uintptr_t kFourGiB = uintptr_t(1) << 32;
constexpr size_t kRange = size_t(1) << 32;  // addresses reserved; committed as used
constexpr size_t kCommitStep = size_t(1) << 20;
constexpr size_t kHeader = 16;  // keeps blocks 16-byte aligned, as the heap's are
constexpr int kClasses = 28;    // 16 bytes to 2 GiB

struct Arena {
  char* base = nullptr;
  size_t committed = 0;
  size_t used = 0;
  bool tried = false;
  void* freeList[kClasses] = {};
};

Arena& TheArena() {
  static Arena arena;
  return arena;
}

bool Reserve(Arena& a) {
  if (a.tried) return a.base != nullptr;
  a.tried = true;
  void* p = VirtualAlloc(nullptr, kRange, MEM_RESERVE | MEM_TOP_DOWN, PAGE_NOACCESS);
  if (p && reinterpret_cast<uintptr_t>(p) < kFourGiB) {
    VirtualFree(p, 0, MEM_RELEASE);  // no use: the point is an address no 32-bit value reaches
    p = nullptr;
  }
  a.base = static_cast<char*>(p);
  return p != nullptr;
}

int ClassOf(size_t size) {
  int c = 0;
  while (c < kClasses && (size_t(16) << c) < size + kHeader) ++c;
  return c;
}

void* Carve(Arena& a, int c) {
  size_t need = size_t(16) << c;
  if (need > kRange - a.used) return nullptr;
  if (a.used + need > a.committed) {
    size_t grow = (a.used + need - a.committed + kCommitStep - 1) / kCommitStep * kCommitStep;
    if (grow > kRange - a.committed) grow = kRange - a.committed;
    if (!VirtualAlloc(a.base + a.committed, grow, MEM_COMMIT, PAGE_READWRITE)) return nullptr;
    a.committed += grow;
  }
  void* p = a.base + a.used;
  a.used += need;
  return p;
}

}  // namespace

void* HighAlloc(size_t size) {
  Arena& a = TheArena();
  if (!Reserve(a)) return TaskAlloc(size);  // TaskFree tells such a block by its address
  int c = ClassOf(size);
  if (c >= kClasses) return nullptr;
  char* block = static_cast<char*>(a.freeList[c]);
  if (block)
    a.freeList[c] = *reinterpret_cast<void**>(block);
  else if (!(block = static_cast<char*>(Carve(a, c))))
    return nullptr;
  *reinterpret_cast<int*>(block) = c;
  return block + kHeader;
}

void HighFree(void* block) {
  if (!block) return;
  if (!IsHighBlock(block)) return TaskFree(block);
  Arena& a = TheArena();
  char* start = static_cast<char*>(block) - kHeader;
  int c = *reinterpret_cast<int*>(start);
  *reinterpret_cast<void**>(start) = a.freeList[c];
  a.freeList[c] = start;
}

bool IsHighBlock(const void* block) {
  const Arena& a = TheArena();
  auto p = static_cast<const char*>(block);
  return a.base && p >= a.base + kHeader && p < a.base + a.used;
}

#else

void* HighAlloc(size_t size) {
  return TaskAlloc(size);
}
void HighFree(void* block) {
  TaskFree(block);
}
bool IsHighBlock(const void*) {
  return false;
}

#endif

}  // namespace zvhost
