// What is said when the module brings the host's process down: the step the program was at,
// the event the host was delivering and the module's last host call. `run` and each of
// `check`'s children set the step as they go and install a handler; the handler runs on the
// crashing thread (a signal handler on Linux, the unhandled-exception filter on Windows), so
// everything it reads sits in fixed buffers and it writes with the system's own calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zvhost {
namespace crash {

// The step in progress: where it is ("tour.zvs:12", or "") and what it is ("choose Zorvan >
// Undo Operation"). Also notes how many host calls the module had made when it began.
void SetStep(const std::string& where, const std::string& what);
// The same for a scenario's step: "FILE:LINE" and "the step 'SOURCE'", kept without allocating.
void SetStep(const std::string& file, int line, const std::string& source);

// A fixed-size text built without allocating, for the handler.
class Text {
 public:
  Text& Add(const char* s);
  Text& Add(const std::string& s) { return Add(s.c_str()); }
  Text& Number(uint64_t n);
  Text& Hex(uint32_t n);
  const char* c_str() const { return buf_; }
  size_t size() const { return size_; }

 private:
  char buf_[1024] = {};
  size_t size_ = 0;
};

// What a handler is told: the cause ("SIGSEGV, a bad memory access"; "exception 0xC0000005, an
// access violation"), the step and where it is, the event in progress and the last host call ("" when unknown),
// and how many host calls the module made in the step.
struct Report {
  const char* cause;
  const char* where;
  const char* step;
  const char* event;
  const char* lastCall;
  uint64_t callsInStep;
};
using Handler = void (*)(const Report& report);

// From now on a crash calls `handler` (once); when it returns, the process ends as the crash
// would have ended it (the signal, or the exception's code).
void Install(Handler handler);

// Writes all of `text` to standard output or standard error, without buffering.
void WriteOut(const char* text, size_t size);
void WriteErr(const char* text, size_t size);

}  // namespace crash
}  // namespace zvhost
