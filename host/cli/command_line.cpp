// The command line of zorvan-host: the mode, its options and files; usage errors exit with 2.
#include <cstdio>
#include <string>
#include <vector>

#include "host/cli/check.h"
#include "host/cli/guide.h"
#include "host/cli/scenario_files.h"
#include "version/version_info.h"

namespace zvhost {

namespace {

const char* kUsage =
    "usage: zorvan-host run [options] FILE...    run scenarios, print the transcript\n"
    "       zorvan-host shell [options]          type scenario steps interactively\n"
    "       zorvan-host guide [options] --output FILE DIR   the guide for writers\n"
    "       zorvan-host check MODULE [options]   run the checks of a client module\n"
    "       zorvan-host help                     the scenario language\n"
    "       zorvan-host --version                the version of this program\n"
    "options:\n"
    "  --module PATH   the module to load (default: the one beside this program)\n"
    "  --trace         add every call between host and module to the transcript\n"
    "  --svg DIR       write an SVG of the page after each changing command, for the\n"
    "                  first 150\n"
    "  --svg-all       with --svg: an SVG for every changing command, however many\n"
    "  --html FILE     write one HTML report of the run (steps, transcript, pictures\n"
    "                  of 150 changing steps: changes of shape first, then selection)\n"
    "  --html-all      with --html: pictures of every changing step, however many\n"
    "  --quiet         print only failures and the summary\n"
    "  --help          this text\n"
    "exit status: 0 every scenario ran and every expectation held; 1 an expectation\n"
    "or a step failed, the host noticed a problem (a problem: line), a scenario\n"
    "stopped at an error, or a file could not be read, was not a scenario or had no\n"
    "steps; 2 a usage error, the module could not be started, or an output cannot\n"
    "be written; 3 the module crashed (standard error names the step, the event and\n"
    "the module's last host call); 130 Ctrl-C stopped the run after a step (a\n"
    "second Ctrl-C ends it at once)\n";

}  // namespace

std::string Usage() {
  return kUsage;
}

int RunCommandLine(const std::vector<std::string>& args, std::FILE* in, const Output& out, const Output& err) {
  if (args.empty()) {
    err(kUsage);
    return 2;
  }
  const std::string& mode = args[0];
  if (mode == "help" || mode == "--help" || mode == "-h") {
    out(std::string(kUsage) + "\n" + LanguageHelp());
    return 0;
  }
  if (mode == "--version" || mode == "version") {
    out("zorvan-host " ZV_STR_PRODUCT_VERSION ", the reference host of " ZV_STR_PRODUCT_NAME " " ZV_STR_PRODUCT_VERSION
        "\n");
    return 0;
  }
  if (mode == "guide") return RunGuide(args, out, err);
  if (mode == "check") return RunCheck(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
  if (mode != "run" && mode != "shell") {
    err("zorvan-host: unknown mode '" + mode + "'\n" + kUsage);
    return 2;
  }
  CliOptions opt;
  std::vector<std::string> files;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    bool valued = a == "--module" || a == "--svg" || a == "--html";
    if (valued && i + 1 >= args.size()) {
      err("zorvan-host: " + a + " needs a value\n");
      return 2;
    }
    if (a == "--help" || a == "-h") {
      out(kUsage);
      return 0;
    } else if (a == "--module") {
      opt.run.modulePath = args[++i];
    } else if (a == "--trace") {
      opt.run.trace = true;
    } else if (a == "--svg") {
      opt.svgDir = args[++i];
    } else if (a == "--html") {
      opt.htmlFile = args[++i];
    } else if (a == "--svg-all") {
      opt.svgAll = true;
    } else if (a == "--html-all") {
      opt.htmlAll = true;
    } else if (a == "--quiet") {
      opt.quiet = true;
    } else if (a.size() > 1 && a[0] == '-') {
      err("zorvan-host: unknown option '" + a + "'\n" + kUsage);
      return 2;
    } else {
      files.push_back(a);
    }
  }
  if (opt.svgAll && opt.svgDir.empty()) {
    err(std::string("zorvan-host: --svg-all needs --svg DIR, the folder to write in\n") + kUsage);
    return 2;
  }
  if (opt.htmlAll && opt.htmlFile.empty()) {
    err(std::string("zorvan-host: --html-all needs --html FILE, the report to write\n") + kUsage);
    return 2;
  }
  if (mode == "shell") {
    if (!files.empty()) {
      err("zorvan-host: shell takes no files\n");
      return 2;
    }
    return RunShell(opt, in, out, err);
  }
  if (files.empty()) {
    err(std::string("zorvan-host: run needs at least one scenario file\n") + kUsage);
    return 2;
  }
  return RunScenarioFiles(opt, files, out, err);
}

}  // namespace zvhost
