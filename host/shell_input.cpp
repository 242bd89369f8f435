// Line input with or without libedit.
#include "host/shell_input.h"

#include <cstdlib>

#if defined(ZV_HAVE_LIBEDIT)
#include <editline/readline.h>
#endif
#if defined(_WIN32)
#include <io.h>
#define ZV_ISATTY(f) _isatty(_fileno(f))
#else
#include <unistd.h>
#define ZV_ISATTY(f) isatty(fileno(f))
#endif

namespace zvhost {

LineInput::LineInput(std::FILE* in) : in_(in) {
#if defined(ZV_HAVE_LIBEDIT)
  editing_ = in == stdin && ZV_ISATTY(stdin) && ZV_ISATTY(stdout);
  if (editing_) {
    using_history();
    stifle_history(500);
  }
#endif
}

LineInput::~LineInput() = default;

bool LineInput::Interactive() const {
  return ZV_ISATTY(in_) != 0;
}

bool LineInput::LineEditingBuiltIn() {
#if defined(ZV_HAVE_LIBEDIT)
  return true;
#else
  return false;
#endif
}

bool LineInput::Read(const std::string& prompt, std::string* line) {
#if defined(ZV_HAVE_LIBEDIT)
  if (editing_) {
    char* got = readline(prompt.c_str());
    if (!got) return false;
    *line = got;
    if (!line->empty()) add_history(got);
    std::free(got);
    return true;
  }
#endif
  // Plain reading: a prompt only for a person at a terminal; the shell echoes piped lines itself.
  if (!prompt.empty() && ZV_ISATTY(in_)) {
    std::fputs(prompt.c_str(), stdout);
    std::fflush(stdout);
  }
  line->clear();
  int c;
  bool any = false;
  while ((c = std::fgetc(in_)) != EOF) {
    any = true;
    if (c == '\n') break;
    line->push_back(static_cast<char>(c));
    if (line->size() > (1u << 20)) break;  // a runaway line is cut, never grown without bound
  }
  if (!line->empty() && line->back() == '\r') line->pop_back();
  return any;
}

}  // namespace zvhost
