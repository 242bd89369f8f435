// One conversion rendered by the system C library (msvcrt), the formatter every Win32 host
// process already has loaded.
#include <cstdarg>
#include <cstdio>

#include "platform/platform.h"

namespace zv {

int PlatformFormat(char* buffer, size_t size, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int n = _vsnprintf(buffer, size, format, args);
  va_end(args);
  // It answers -1, or exactly `size` without a terminator, when the text does not fit.
  if (size > 0 && (n < 0 || static_cast<size_t>(n) >= size)) {
    buffer[size - 1] = '\0';
    return static_cast<int>(size);
  }
  return n;
}

}  // namespace zv
