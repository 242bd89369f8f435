// zorvan-host: the reference host as a program. "run" plays scenario files against the module
// and prints what each step did; "shell" takes the same steps interactively.
#include <cstdio>
#include <string>
#include <vector>

#include "host/scenario_cli.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  // "run" leaves its transcript to the stream's buffer (a long scenario prints a line a step);
  // the shell shows every answer at once. What goes to stderr comes after what went before it.
  const bool buffered = !args.empty() && args[0] == "run";
  auto out = [buffered](const std::string& s) {
    std::fwrite(s.data(), 1, s.size(), stdout);
    if (!buffered) std::fflush(stdout);
  };
  auto err = [](const std::string& s) {
    std::fflush(stdout);
    std::fwrite(s.data(), 1, s.size(), stderr);
    std::fflush(stderr);
  };
  return zvhost::RunCommandLine(args, stdin, out, err);
}
