// One conversion rendered by the C library.
#include <cstdarg>
#include <cstdio>

#include "platform/platform.h"

namespace zv {

int PlatformFormat(char* buffer, size_t size, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(buffer, size, format, args);
  va_end(args);
  return n;
}

}  // namespace zv
