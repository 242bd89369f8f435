// What the fuzz targets share: a check that aborts with its place (libFuzzer then keeps the
// input), and a counted client heap that refuses once its grants are spent.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "util/memory.h"

#define Check(ok)                                                                   \
  do {                                                                              \
    if (!(ok)) {                                                                    \
      std::fprintf(stderr, "check failed at %s:%d: %s\n", __FILE__, __LINE__, #ok); \
      std::abort();                                                                 \
    }                                                                               \
  } while (0)

namespace fuzzheap {

inline long g_live = 0;     // client blocks not yet freed
inline long g_grants = -1;  // allocations still granted; -1: no limit

inline bool Grant() {
  if (g_grants == 0) return false;
  if (g_grants > 0) --g_grants;
  return true;
}
inline void* Alloc(size_t n) {
  if (!Grant()) return nullptr;
  ++g_live;
  return std::malloc(n == 0 ? 1 : n);
}
inline void* AllocZeroed(size_t count, size_t size) {
  if (!Grant()) return nullptr;
  ++g_live;
  return std::calloc(count == 0 ? 1 : count, size == 0 ? 1 : size);
}
inline void* Realloc(void* p, size_t n) {
  if (!Grant()) return nullptr;
  if (p == nullptr) ++g_live;
  return std::realloc(p, n == 0 ? 1 : n);
}
inline void Free(void* p) {
  --g_live;
  std::free(p);
}
inline zv::ClientAllocator Counted() {
  return {Alloc, AllocZeroed, Realloc, Free};
}

}  // namespace fuzzheap
