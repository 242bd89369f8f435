// zorvan-host: the reference host as a program. "run" plays scenario files against the module
// and prints what each step did; "shell" takes the same steps interactively.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/binding/file_names.h"
#include "host/cli/crash_report.h"
#include "host/cli/scenario_files.h"

#if defined(_WIN32)
#include <windows.h>
#endif

#if !defined(_WIN32)
#include <unistd.h>

namespace {

// "run" prints a line or more for every step of what may be a very long scenario: its
// transcript is gathered here and written in large pieces. Should the module crash the host,
// what is gathered is written before the host goes down, so the transcript still ends at the
// step that crashed.
char gPending[1 << 16];
size_t gPendingSize = 0;

void WriteAll(const char* p, size_t n) {
  while (n > 0) {
    ssize_t w = write(1, p, n);
    if (w <= 0) return;
    p += w;
    n -= static_cast<size_t>(w);
  }
}

void FlushPending() {
  WriteAll(gPending, gPendingSize);
  gPendingSize = 0;
}

void Gather(const std::string& s) {
  if (gPendingSize + s.size() > sizeof gPending) FlushPending();
  if (s.size() > sizeof gPending) {
    WriteAll(s.data(), s.size());
    return;
  }
  std::memcpy(gPending + gPendingSize, s.data(), s.size());
  gPendingSize += s.size();
}

}  // namespace
#endif

namespace {

// The module crashed during "run": what was gathered of the transcript comes first, then where
// and in what (run --help and README give the exit status).
constexpr int kModuleCrashed = 3;

void RunCrashed(const zvhost::crash::Report& r) {
#if !defined(_WIN32)
  WriteAll(gPending, gPendingSize);  // write(2) only: safe in a signal handler
#endif
  zvhost::crash::Text t;
  t.Add("error: ").Add(r.where).Add(": the module crashed (").Add(r.cause).Add(")");
  if (*r.event) t.Add(" in ").Add(r.event);
  t.Add(", at ").Add(r.step);
  if (*r.lastCall)
    t.Add("; its last host call: ").Add(r.lastCall);
  else if (r.callsInStep == 0)
    t.Add("; it made no host call in the step");
  else
    t.Add("; it had made ").Number(r.callsInStep).Add(r.callsInStep == 1 ? " host call" : " host calls");
  if (!*r.lastCall && r.callsInStep > 0) t.Add(" in the step (--trace names them)");
  t.Add("\n");
  zvhost::crash::WriteErr(t.c_str(), t.size());
#if defined(_WIN32)
  TerminateProcess(GetCurrentProcess(), kModuleCrashed);
#else
  _exit(kModuleCrashed);
#endif
}

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
  // Paths in any letters: the arguments as the command line holds them, printed in UTF-8.
  (void)argc, (void)argv;
  std::vector<std::string> args = zvhost::CommandLineArguments();
  SetConsoleOutputCP(CP_UTF8);
#else
  std::vector<std::string> args(argv + 1, argv + argc);
#endif
  auto show = [](const std::string& s) {
    std::fwrite(s.data(), 1, s.size(), stdout);
    std::fflush(stdout);
  };
  auto err = [](const std::string& s) {
#if !defined(_WIN32)
    FlushPending();  // what went before comes first
#endif
    std::fwrite(s.data(), 1, s.size(), stderr);
    std::fflush(stderr);
  };
  if (!args.empty() && args[0] == "run") zvhost::crash::Install(RunCrashed);
#if !defined(_WIN32)
  if (!args.empty() && args[0] == "run") {
    // A person at a terminal sees each step as it is done; a file or pipe takes large pieces.
    int status = zvhost::RunCommandLine(args, stdin, isatty(STDOUT_FILENO) ? zvhost::Output(show) : Gather, err);
    FlushPending();
    return status;
  }
#endif
  return zvhost::RunCommandLine(args, stdin, show, err);
}
