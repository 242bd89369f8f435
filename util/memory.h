// The client heap: every block the module owns comes from here and goes back here. Tests may
// swap the allocator for one that refuses or counts.
#pragma once

#include <cstddef>

namespace zv {

void* ClientAlloc(size_t size);
// count * size bytes, zero-filled; null when the product does not fit in size_t.
void* ClientAllocZeroed(size_t count, size_t size);
void* ClientRealloc(void* block, size_t size);
void ClientFree(void* block);  // null is ignored
void ClientFreeAndClear(void** block);

// count * size in *bytes, or false when it does not fit in size_t (*bytes is then
// undefined). Inline and without a division: the list copies call it for every block.
inline bool ArrayBytes(size_t count, size_t size, size_t* bytes) {
  return !__builtin_mul_overflow(count, size, bytes);
}

struct ClientAllocator {
  void* (*alloc)(size_t);
  void* (*allocZeroed)(size_t, size_t);
  void* (*realloc)(void*, size_t);
  void (*free)(void*);
};
// The client heap functions in use, for loops over many blocks that call them directly.
const ClientAllocator& ClientHeap();
// Replaces the client heap functions (null, or a null member, restores the process heap's);
// returns the old set.
ClientAllocator SetClientAllocator(const ClientAllocator* allocator);

}  // namespace zv
