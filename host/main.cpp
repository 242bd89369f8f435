// zorvan-host: the reference host as a program. "run" plays scenario files against the module
// and prints what each step did; "shell" takes the same steps interactively.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/scenario_cli.h"

namespace {

const char* kUsage =
    "usage: zorvan-host run [options] FILE...    run scenarios, print the transcript\n"
    "       zorvan-host shell [options]          type scenario steps interactively\n"
    "       zorvan-host help                     the scenario language\n"
    "options:\n"
    "  --module PATH   the module to load (default: the one beside this program)\n"
    "  --trace         add every call between host and module to the transcript\n"
    "  --svg DIR       write an SVG of the page after each changing command\n"
    "  --html FILE     write one HTML report of the run (steps, transcript, pictures)\n"
    "  --quiet         print only failures and the summary\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string mode = argv[1];
  if (mode == "help" || mode == "--help" || mode == "-h") {
    std::fputs(kUsage, stdout);
    std::fputs("\n", stdout);
    std::fputs(zvhost::LanguageHelp().c_str(), stdout);
    return 0;
  }
  if (mode != "run" && mode != "shell") {
    std::fprintf(stderr, "zorvan-host: unknown mode '%s'\n%s", mode.c_str(), kUsage);
    return 2;
  }
  zvhost::CliOptions opt;
  std::vector<std::string> files;
  for (int i = 2; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](const char* name) -> std::string {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "zorvan-host: %s needs a value\n", name);
        std::exit(2);
      }
      return argv[++i];
    };
    if (a == "--module")
      opt.run.modulePath = value("--module");
    else if (a == "--trace")
      opt.run.trace = true;
    else if (a == "--svg")
      opt.svgDir = value("--svg");
    else if (a == "--html")
      opt.htmlFile = value("--html");
    else if (a == "--quiet")
      opt.quiet = true;
    else if (a.size() > 1 && a[0] == '-') {
      std::fprintf(stderr, "zorvan-host: unknown option '%s'\n%s", a.c_str(), kUsage);
      return 2;
    } else
      files.push_back(a);
  }
  auto out = [](const std::string& s) {
    std::fwrite(s.data(), 1, s.size(), stdout);
    std::fflush(stdout);
  };
  if (mode == "shell") {
    if (!files.empty()) {
      std::fprintf(stderr, "zorvan-host: shell takes no files\n");
      return 2;
    }
    return zvhost::RunShell(opt, stdin, out);
  }
  if (files.empty()) {
    std::fprintf(stderr, "zorvan-host: run needs at least one scenario file\n%s", kUsage);
    return 2;
  }
  return zvhost::RunScenarioFiles(opt, files, out);
}
