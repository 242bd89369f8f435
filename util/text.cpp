#include "util/text.h"

#include <cstring>

#include "util/format.h"
#include "util/memory.h"

namespace zv {

char* TextNew(size_t n) {
  if (n == SIZE_MAX) return nullptr;
  return static_cast<char*>(ClientAllocZeroed(n + 1, 1));
}

char* TextDuplicate(const char* text) {
  if (text == nullptr) text = "";
  size_t size = std::strlen(text) + 1;
  char* copy = static_cast<char*>(ClientAlloc(size));
  if (copy != nullptr) std::memcpy(copy, text, size);
  return copy;
}

size_t TextLength(const char* text) {
  return text == nullptr ? 0 : std::strlen(text);
}

void TextCopy(char* dest, const char* src) {
  if (dest == nullptr) return;
  if (src == nullptr) src = "";
  std::memmove(dest, src, std::strlen(src) + 1);
}

// A size of 0 leaves no room even for the terminator: nothing is written.
size_t TextCopyBounded(char* dest, const char* src, size_t size) {
  if (dest == nullptr || size == 0) return 0;
  size_t n = 0;
  if (src != nullptr)
    while (n < size - 1 && src[n] != '\0') {
      dest[n] = src[n];
      ++n;
    }
  dest[n] = '\0';
  return n;
}

size_t TextAppendBounded(char* dest, const char* src, size_t size) {
  if (dest == nullptr) return 0;
  size_t length = std::strlen(dest);
  if (src == nullptr || *src == '\0' || size == 0 || length >= size - 1) return length;
  while (length < size - 1 && *src != '\0') dest[length++] = *src++;
  dest[length] = '\0';
  return length;
}

size_t TextAppendInt(char* dest, int32_t value, size_t size) {
  if (dest == nullptr) return 0;
  char digits[16];
  FormatToBuffer(digits, "%d", static_cast<int>(value));
  return TextAppendBounded(dest, digits, size);
}

const char* TextFindChar(const char* text, int ch) {
  if (text == nullptr) return nullptr;
  // The terminator is never found: the walk stops before it.
  const unsigned char code = static_cast<unsigned char>(ch);
  for (; *text != '\0'; ++text)
    if (static_cast<unsigned char>(*text) == code) return text;
  return nullptr;
}

int BytesCopy(const void* src, void* dest, size_t count) {
  if (src == nullptr || dest == nullptr) return 1;
  if (count != 0) std::memmove(dest, src, count);
  return 0;
}

}  // namespace zv
