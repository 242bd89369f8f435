// Child processes: posix_spawn and a pipe on Linux, CreateProcessW and a pipe on Windows.
#include "host/cli/child_process.h"

#include <cstring>
#include <mutex>

#include "host/binding/file_names.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace zvhost {

namespace {

// Hands each complete line of what has come so far to `onLine`, keeping the rest.
void TakeLines(std::string& pending, const std::function<void(const std::string&)>& onLine) {
  size_t start = 0;
  for (size_t nl; (nl = pending.find('\n', start)) != std::string::npos; start = nl + 1) {
    size_t end = nl > start && pending[nl - 1] == '\r' ? nl - 1 : nl;
    if (onLine) onLine(pending.substr(start, end - start));
  }
  pending.erase(0, start);
}

#if defined(_WIN32)
// One argument as the C runtime splits a command line: quoted when it holds a space, a tab or a
// quote, with the backslashes before a quote doubled.
std::wstring Quoted(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  size_t slashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++slashes;
      continue;
    }
    out.append(c == L'"' ? 2 * slashes + 1 : slashes, L'\\');
    slashes = 0;
    out.push_back(c);
  }
  out.append(2 * slashes, L'\\');
  return out + L"\"";
}

std::string SystemError(DWORD code) {
  char text[256] = "";
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text, sizeof text,
                 nullptr);
  std::string why = text;
  while (!why.empty() && (why.back() == '\n' || why.back() == '\r' || why.back() == ' ')) why.pop_back();
  return why + " (error " + std::to_string(code) + ")";
}
#else
const char* SignalName(int sig) {
  switch (sig) {
    case SIGSEGV:
      return "SIGSEGV";
    case SIGBUS:
      return "SIGBUS";
    case SIGILL:
      return "SIGILL";
    case SIGFPE:
      return "SIGFPE";
    case SIGABRT:
      return "SIGABRT";
    case SIGKILL:
      return "SIGKILL";
    default:
      return nullptr;
  }
}
#endif

}  // namespace

#if defined(_WIN32)

std::string ProgramPath() {
  std::wstring buf(32768, L'\0');
  DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
  return Narrow(buf.substr(0, n < buf.size() ? n : 0));
}

ChildResult RunChild(const std::string& program, const std::vector<std::string>& args,
                     const std::function<void(const std::string&)>& onLine, bool withErrors) {
  ChildResult r;
  std::wstring line = Quoted(Widen(program));
  for (const std::string& a : args) line += L" " + Quoted(Widen(a));
  HANDLE readEnd = nullptr, writeEnd = nullptr, errCopy = nullptr;
  PROCESS_INFORMATION pi{};
  BOOL made = FALSE;
  DWORD madeError = 0;
  {
    // The handles a child inherits exist only while it is made: a child made at the same time
    // by another thread must not hold this one's pipe open.
    static std::mutex making;
    std::lock_guard<std::mutex> lock(making);
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) {
      r.error = "cannot make a pipe: " + SystemError(GetLastError());
      return r;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    // The child's standard error is this program's, passed on as a handle it may inherit.
    DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_ERROR_HANDLE), GetCurrentProcess(), &errCopy, 0, TRUE,
                    DUPLICATE_SAME_ACCESS);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    si.hStdError = withErrors ? writeEnd : errCopy;
    made = CreateProcessW(Widen(program).c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    madeError = GetLastError();
    CloseHandle(writeEnd);
    if (errCopy) CloseHandle(errCopy);
  }
  if (!made) {
    CloseHandle(readEnd);
    r.error = "cannot run " + program + ": " + SystemError(madeError);
    return r;
  }
  r.started = true;
  std::string pending;
  char buf[4096];
  DWORD n = 0;
  while (ReadFile(readEnd, buf, sizeof buf, &n, nullptr) && n > 0) {
    r.output.append(buf, n);
    pending.append(buf, n);
    TakeLines(pending, onLine);
  }
  CloseHandle(readEnd);
  if (!pending.empty() && onLine) onLine(pending);
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  r.status = static_cast<int>(code);
  // An exception's code (NTSTATUS, severity "error") is what a process that crashed ends with.
  if (code >= 0xC0000000u) {
    char text[32];
    std::snprintf(text, sizeof text, "exception 0x%08lX", static_cast<unsigned long>(code));
    r.crashed = true;
    r.cause = text;
  }
  return r;
}

#else

std::string ProgramPath() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  return std::string(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

ChildResult RunChild(const std::string& program, const std::vector<std::string>& args,
                     const std::function<void(const std::string&)>& onLine, bool withErrors) {
  ChildResult r;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    r.error = std::string("cannot make a pipe: ") + std::strerror(errno);
    return r;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  if (withErrors) posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  int made = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (made != 0) {
    close(fds[0]);
    r.error = "cannot run " + program + ": " + std::strerror(made);
    return r;
  }
  r.started = true;
  std::string pending;
  char buf[4096];
  for (;;) {
    ssize_t n = read(fds[0], buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    r.output.append(buf, static_cast<size_t>(n));
    pending.append(buf, static_cast<size_t>(n));
    TakeLines(pending, onLine);
  }
  close(fds[0]);
  if (!pending.empty() && onLine) onLine(pending);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFSIGNALED(status)) {
    const char* name = SignalName(WTERMSIG(status));
    r.crashed = true;
    r.cause = name ? name : "signal " + std::to_string(WTERMSIG(status));
  } else {
    r.status = WEXITSTATUS(status);
  }
  return r;
}

#endif

}  // namespace zvhost
