// zorvan-host: the reference host as a program. "run" plays scenario files against the module
// and prints what each step did; "shell" takes the same steps interactively.
#include <cstdio>
#include <string>
#include <vector>

#include "host/scenario_cli.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  auto to = [](std::FILE* f) {
    return [f](const std::string& s) {
      std::fwrite(s.data(), 1, s.size(), f);
      std::fflush(f);
    };
  };
  return zvhost::RunCommandLine(args, stdin, to(stdout), to(stderr));
}
