// Null-tolerant helpers for NUL-terminated texts. Sizes are destination sizes in bytes,
// terminator included.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zv {

char* TextNew(size_t n);                // zero-filled n + 1 bytes, or null; release with ClientFree
char* TextDuplicate(const char* text);  // a client-heap copy; null gives a new "", null when out of memory
size_t TextLength(const char* text);
void TextCopy(char* dest, const char* src);
size_t TextCopyBounded(char* dest, const char* src, size_t size);
size_t TextAppendBounded(char* dest, const char* src, size_t size);
size_t TextAppendInt(char* dest, int32_t value, size_t size);
const char* TextFindChar(const char* text, int ch);
int BytesCopy(const void* src, void* dest, size_t count);

}  // namespace zv
