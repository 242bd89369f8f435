// One conversion rendered by the system C library (msvcrt), the formatter every Win32 host
// process already has loaded.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace zv {

int PlatformFormat(char* buffer, size_t size, const char* format, ...) {
  if (size > 0) buffer[0] = '\0';
  va_list args;
  va_start(args, format);
  int n = _vsnprintf(buffer, size, format, args);
  va_end(args);
  // It answers exactly `size` without a terminator, or -1, when the text does not fit; -1 also
  // when it gives up on a conversion, having written no text (the buffer starts empty for
  // that). What it wrote is measured rather than assumed.
  if (size > 0 && (n < 0 || static_cast<size_t>(n) >= size)) {
    buffer[size - 1] = '\0';
    return n < 0 ? static_cast<int>(std::strlen(buffer)) : static_cast<int>(size);
  }
  return n;
}

}  // namespace zv
