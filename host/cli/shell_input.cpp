// Line input with or without libedit.
#include "host/cli/shell_input.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>

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

#if defined(ZV_HAVE_LIBEDIT)
namespace {

volatile std::sig_atomic_t interrupted = 0;
void OnInterrupt(int) {
  interrupted = 1;
}

// libedit's callbacks carry no context: the input being read and the text to start a line with.
LineInput::Completer* activeCompleter = nullptr;
const char* initialText = nullptr;
bool asking = false;

// Keys as libedit reads them. The answer's default comes first, as if typed: text placed in the
// line before reading starts would be cleared when the reading begins. Ctrl-C ends the read.
int ReadKey(FILE* f) {
  if (initialText && *initialText) return static_cast<unsigned char>(*initialText++);
  unsigned char c;
  for (;;) {
    ssize_t n = read(fileno(f), &c, 1);
    if (n == 1) {
      if (c == 4 && asking) {  // Ctrl-D cancels an answer even when something is typed
        interrupted = 1;
        return -1;
      }
      return c;
    }
    if (n < 0 && errno == EINTR && !interrupted) continue;
    return -1;
  }
}

std::vector<std::string> completions;
char* NextCompletion(const char* /*text*/, int state) {
  static size_t next;
  if (state == 0) next = 0;
  return next < completions.size() ? strdup(completions[next++].c_str()) : nullptr;
}

char** Complete(const char* text, int start, int end) {
  rl_attempted_completion_over = 1;  // never file names
  completions.clear();
  if (activeCompleter && *activeCompleter) {
    std::string before(rl_line_buffer, static_cast<size_t>(end));
    (void)start;
    completions = (*activeCompleter)(before);
  }
  if (completions.empty()) return nullptr;
  return rl_completion_matches(text, NextCompletion);
}

// Reads one line from the terminal; Ctrl-C gives back whatever was typed with `*cancelled` set.
char* ReadEdited(const char* prompt, bool* cancelled) {
  struct sigaction mine = {}, old = {};
  mine.sa_handler = OnInterrupt;  // no SA_RESTART: the read inside libedit returns at once
  sigemptyset(&mine.sa_mask);
  sigaction(SIGINT, &mine, &old);
  interrupted = 0;
  char* got = readline(prompt);
  sigaction(SIGINT, &old, nullptr);
  *cancelled = interrupted != 0;
  if (*cancelled) {
    std::free(got);
    got = nullptr;
  }
  return got;
}

}  // namespace
#endif

LineInput::LineInput(std::FILE* in, std::string historyFile) : in_(in), historyFile_(std::move(historyFile)) {
#if defined(ZV_HAVE_LIBEDIT)
  editing_ = in == stdin && ZV_ISATTY(stdin) && ZV_ISATTY(stdout);
  if (editing_) {
    rl_catch_signals = 0;  // Ctrl-C is the shell's own: it discards the line
    rl_basic_word_break_characters = " \t\n";
    rl_attempted_completion_function = Complete;
    rl_getc_function = ReadKey;
    using_history();
    stifle_history(500);
    if (!historyFile_.empty()) read_history(historyFile_.c_str());
  }
#endif
}

LineInput::~LineInput() {
#if defined(ZV_HAVE_LIBEDIT)
  if (editing_ && !historyFile_.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(historyFile_).parent_path(), ec);
    if (write_history(historyFile_.c_str()) != 0)
      std::fprintf(stderr, "zorvan-host: cannot keep the history in %s: %s\n", historyFile_.c_str(),
                   ec ? ec.message().c_str() : std::strerror(errno));
    activeCompleter = nullptr;
  }
#endif
}

void LineInput::SetCompleter(Completer completer) {
  completer_ = std::move(completer);
#if defined(ZV_HAVE_LIBEDIT)
  if (editing_) activeCompleter = &completer_;
#endif
}

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

std::string LineInput::DefaultHistoryFile() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state && *state) return std::string(state) + "/zorvan-host/history";
  const char* home = std::getenv("HOME");
  if (home && *home) return std::string(home) + "/.local/state/zorvan-host/history";
  return "";
}

bool LineInput::Read(const std::string& prompt, std::string* line) {
#if defined(ZV_HAVE_LIBEDIT)
  if (editing_) {
    for (;;) {
      bool cancelled = false;
      char* got = ReadEdited(prompt.c_str(), &cancelled);
      if (cancelled) {
        std::fputs("\n", stdout);  // Ctrl-C: the line is dropped, the session goes on
        std::fflush(stdout);
        continue;
      }
      if (!got) {
        std::fputs("\n", stdout);  // Ctrl-D: end on a line of its own
        std::fflush(stdout);
        return false;
      }
      *line = got;
      if (!line->empty()) add_history(got);
      std::free(got);
      return true;
    }
  }
#endif
  // Plain reading: a prompt only for a person at a terminal; the shell echoes piped lines itself.
  bool person = ZV_ISATTY(in_) != 0;
  if (!prompt.empty() && person) {
    std::fputs(prompt.c_str(), stdout);
    std::fflush(stdout);
  }
  bool got = ReadPlain(line);
  if (!got && person) {
    std::fputs("\n", stdout);
    std::fflush(stdout);
  }
  return got;
}

bool LineInput::Ask(const std::string& question, const std::string& initial, std::string* answer) {
#if defined(ZV_HAVE_LIBEDIT)
  if (editing_) {
    initialText = initial.c_str();
    asking = true;
    Completer* completer = activeCompleter;
    activeCompleter = nullptr;  // an answer is not a step
    bool cancelled = false;
    char* got = ReadEdited((question + " ").c_str(), &cancelled);
    initialText = nullptr;
    asking = false;
    activeCompleter = completer;
    if (!got) {
      std::fputs("\n", stdout);  // a cancelled answer ends its line too
      std::fflush(stdout);
      return false;
    }
    *answer = got;
    std::free(got);
    return true;
  }
#endif
  std::fputs((question + " [" + initial + "] ").c_str(), stdout);
  std::fflush(stdout);
  if (!ReadPlain(answer)) {
    std::clearerr(in_);  // Ctrl-D at a terminal cancels the answer, not the session
    std::fputs("\n", stdout);
    std::fflush(stdout);
    return false;
  }
  if (answer->find_first_not_of(" \t") == std::string::npos) *answer = initial;
  return true;
}

bool LineInput::ReadPlain(std::string* line) {
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
