// The crash handler of run and of check's children: signals on Linux, the unhandled-exception
// filter on Windows; what it reports comes from fixed buffers and the host's call log.
#include "host/cli/crash_report.h"

#include <algorithm>
#include <csignal>
#include <cstring>

#include "host/binding/host.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace zvhost {
namespace crash {

namespace {

char gWhere[512] = "";
char gStep[512] = "";
uint64_t gStepCalls = 0;
Handler gHandler = nullptr;
volatile std::sig_atomic_t gReported = 0;

// The module's last call into the host, while the log records calls: "GetIdProp(doc=0 ...) -> 4:1".
void LastCall(Text& t) {
  const Host* host = Host::Current();
  if (!host || !host->log().enabled) return;
  const std::vector<CallRecord>& records = host->log().Records();
  for (size_t i = records.size(); i-- > 0;) {
    const CallRecord& r = records[i];
    if (r.direction != Direction::ToHost) continue;
    if (r.iface != "Session") t.Add(r.iface).Add(".");
    t.Add(r.op).Add("(").Add(r.args).Add(")");
    if (!r.result.empty()) t.Add(" -> ").Add(r.result);
    return;
  }
}

void Report(const char* cause) {
  if (gReported || !gHandler) return;
  gReported = 1;
  static Text last;  // static: the handler's stack may be the small alternate one
  LastCall(last);
  const Host* host = Host::Current();
  crash::Report r{cause,        gWhere,
                  gStep,        host ? host->EventInProgress() : "",
                  last.c_str(), host ? host->log().SessionOps() - gStepCalls : 0};
  gHandler(r);
}

#if defined(_WIN32)
const char* ExceptionText(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
      return ", an access violation";
    case EXCEPTION_ILLEGAL_INSTRUCTION:
      return ", an illegal instruction";
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
      return ", a division by zero";
    case EXCEPTION_STACK_OVERFLOW:
      return ", a stack overflow";
    default:
      return "";
  }
}

LONG WINAPI OnException(EXCEPTION_POINTERS* e) {
  const DWORD code = e->ExceptionRecord->ExceptionCode;
  static Text cause;
  cause.Add("exception ").Hex(code).Add(ExceptionText(code));
  Report(cause.c_str());
  return EXCEPTION_EXECUTE_HANDLER;  // the process ends with the exception's code
}

void OnAbort(int) {
  Report("abort(), the module gave up");
}

void Write(HANDLE h, const char* text, size_t size) {
  DWORD written = 0;
  while (size > 0 && WriteFile(h, text, static_cast<DWORD>(size), &written, nullptr) && written > 0) {
    text += written;
    size -= written;
  }
}
#else
const char* SignalText(int sig) {
  switch (sig) {
    case SIGSEGV:
      return "SIGSEGV, a bad memory access";
    case SIGBUS:
      return "SIGBUS, a bad memory access";
    case SIGILL:
      return "SIGILL, an illegal instruction";
    case SIGFPE:
      return "SIGFPE, an arithmetic fault";
    default:
      return "SIGABRT, the module gave up";
  }
}

void OnSignal(int sig) {
  Report(SignalText(sig));
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

void Write(int fd, const char* text, size_t size) {
  while (size > 0) {
    ssize_t w = write(fd, text, size);
    if (w <= 0) return;
    text += w;
    size -= static_cast<size_t>(w);
  }
}
#endif

}  // namespace

Text& Text::Add(const char* s) {
  while (s && *s && size_ + 1 < sizeof buf_) buf_[size_++] = *s++;
  buf_[size_] = '\0';
  return *this;
}

Text& Text::Number(uint64_t n) {
  char digits[24];
  int k = 0;
  do {
    digits[k++] = static_cast<char>('0' + n % 10);
    n /= 10;
  } while (n > 0);
  char out[24];
  for (int i = 0; i < k; ++i) out[i] = digits[k - 1 - i];
  out[k] = '\0';
  return Add(out);
}

Text& Text::Hex(uint32_t n) {
  char out[11] = "0x";
  for (int i = 0; i < 8; ++i) out[2 + i] = "0123456789ABCDEF"[(n >> (28 - 4 * i)) & 0xF];
  out[10] = '\0';
  return Add(out);
}

namespace {
template <size_t N>
void Keep(char (&buf)[N], const std::string& text) {
  const size_t n = std::min(text.size(), N - 1);
  std::memcpy(buf, text.data(), n);
  buf[n] = '\0';
}
}  // namespace

void SetStep(const std::string& where, const std::string& what) {
  Keep(gWhere, where);
  Keep(gStep, what);
  const Host* host = Host::Current();
  gStepCalls = host ? host->log().SessionOps() : 0;
}

void SetStep(const std::string& file, int line, const std::string& source) {
  Text where, what;
  where.Add(file).Add(":").Number(line > 0 ? static_cast<uint64_t>(line) : 0);
  what.Add("the step '").Add(source).Add("'");
  std::memcpy(gWhere, where.c_str(), std::min(where.size() + 1, sizeof gWhere));
  gWhere[sizeof gWhere - 1] = '\0';
  std::memcpy(gStep, what.c_str(), std::min(what.size() + 1, sizeof gStep));
  gStep[sizeof gStep - 1] = '\0';
  const Host* host = Host::Current();
  gStepCalls = host ? host->log().SessionOps() : 0;
}

void Install(Handler handler) {
  gHandler = handler;
#if defined(_WIN32)
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  SetUnhandledExceptionFilter(OnException);
  std::signal(SIGABRT, OnAbort);
#else
  // A stack of its own, so that a module that overflows its stack is still reported.
  static char altStack[1 << 16];
  stack_t ss{};
  ss.ss_sp = altStack;
  ss.ss_size = sizeof altStack;
  sigaltstack(&ss, nullptr);
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sa.sa_flags = SA_ONSTACK;
  sigemptyset(&sa.sa_mask);
  for (int sig : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT}) sigaction(sig, &sa, nullptr);
#endif
}

void WriteOut(const char* text, size_t size) {
#if defined(_WIN32)
  Write(GetStdHandle(STD_OUTPUT_HANDLE), text, size);
#else
  Write(1, text, size);
#endif
}

void WriteErr(const char* text, size_t size) {
#if defined(_WIN32)
  Write(GetStdHandle(STD_ERROR_HANDLE), text, size);
#else
  Write(2, text, size);
#endif
}

}  // namespace crash
}  // namespace zvhost
