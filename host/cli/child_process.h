// Running a program as a child process and reading what it writes on standard output, line by
// line as it comes: check runs each check in a child of its own (this same program), so that a
// module that crashes takes down only that child, and the parent says which check it was.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace zvhost {

struct ChildResult {
  bool started = false;  // false: `error` says why it could not be started
  std::string error;
  bool crashed = false;  // ended by a signal (Linux) or an exception's code (Windows)
  std::string cause;     // "SIGSEGV", "exception 0xC0000005"
  int status = 0;        // the exit status when it ended by itself
  std::string output;    // everything it wrote on standard output
};

// The running program's own file.
std::string ProgramPath();

// Runs `program` with `args`; its standard output comes back (and to `onLine`, a line at a time,
// without the line end), its standard error goes where this program's goes, or (`withErrors`)
// comes back with the output. Waits for its end.
ChildResult RunChild(const std::string& program, const std::vector<std::string>& args,
                     const std::function<void(const std::string&)>& onLine = nullptr, bool withErrors = false);

}  // namespace zvhost
