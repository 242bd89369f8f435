#include "util/memory.h"

#include <cstdint>
#include <cstdlib>

namespace zv {

namespace {

void* HeapAlloc(size_t size) {
  return std::malloc(size);
}
void* HeapAllocZeroed(size_t count, size_t size) {
  return std::calloc(count, size);
}
void* HeapRealloc(void* block, size_t size) {
  return std::realloc(block, size);
}
void HeapFree(void* block) {
  std::free(block);
}

constexpr ClientAllocator ProcessHeap = {HeapAlloc, HeapAllocZeroed, HeapRealloc, HeapFree};
ClientAllocator g_heap = ProcessHeap;

}  // namespace

void* ClientAlloc(size_t size) {
  return g_heap.alloc(size);
}
void* ClientAllocZeroed(size_t count, size_t size) {
  size_t bytes = 0;
  if (!ArrayBytes(count, size, &bytes)) return nullptr;
  return g_heap.allocZeroed(count, size);
}
void* ClientRealloc(void* block, size_t size) {
  return g_heap.realloc(block, size);
}
void ClientFree(void* block) {
  if (block != nullptr) g_heap.free(block);
}
void ClientFreeAndClear(void** block) {
  if (block == nullptr) return;
  ClientFree(*block);
  *block = nullptr;
}

const ClientAllocator& ClientHeap() {
  return g_heap;
}

ClientAllocator SetClientAllocator(const ClientAllocator* allocator) {
  ClientAllocator old = g_heap;
  g_heap = ProcessHeap;
  if (allocator != nullptr) {
    if (allocator->alloc != nullptr) g_heap.alloc = allocator->alloc;
    if (allocator->allocZeroed != nullptr) g_heap.allocZeroed = allocator->allocZeroed;
    if (allocator->realloc != nullptr) g_heap.realloc = allocator->realloc;
    if (allocator->free != nullptr) g_heap.free = allocator->free;
  }
  return old;
}

}  // namespace zv
