// Memory the host hands to the client: on Win64 it lies above 4 GiB, so that a pointer the
// client cuts to 32 bits points at nothing and fails at once instead of working by luck (a
// 64-bit process's heap often lies below 4 GiB). Elsewhere it is the COM task allocator
// (Linux x86-64 puts its heap above 4 GiB already).
//
// Blocks come from a reserved range that is never given back to the system; they are freed
// with HighFree, or with TaskFree, which tells them by address. The host's one thread only.
#pragma once

#include <cstddef>
#include <cstring>

namespace zvhost {

// The COM task allocator (CoTaskMemAlloc/CoTaskMemFree on Windows, malloc/free elsewhere);
// TaskFree also takes blocks of high memory.
void* TaskAlloc(size_t size);
void TaskFree(void* block);

void* HighAlloc(size_t size);         // null when out of memory
void HighFree(void* block);           // a block of HighAlloc, or null
bool IsHighBlock(const void* block);  // whether HighAlloc's range holds it (never off Win64)

// A text the host passes to the client for the length of one call, in high memory on Win64.
class HighText {
 public:
  explicit HighText(const char* text) : text_(const_cast<char*>(text)) {
#if defined(_WIN64)
    if (!text) return;
    size_t size = std::strlen(text) + 1;
    owned_ = static_cast<char*>(HighAlloc(size));
    if (owned_) text_ = static_cast<char*>(std::memcpy(owned_, text, size));
#endif
  }
  ~HighText() {
    HighFree(owned_);
  }
  HighText(const HighText&) = delete;
  HighText& operator=(const HighText&) = delete;
  char* get() const {
    return text_;
  }

 private:
  char* text_;
  char* owned_ = nullptr;
};

}  // namespace zvhost
