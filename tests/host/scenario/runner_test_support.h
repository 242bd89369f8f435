// What the scenario runner tests share: temporary scenario files, running them through the
// command line, the shell or the runner directly, and a small page.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "host/cli/scenario_files.h"

namespace zvhost {

inline bool ModulePresent() {
  std::ifstream f(Host::DefaultModulePath(), std::ios::binary);
  return static_cast<bool>(f);
}

inline std::string TempPath(const std::string& name) {
  static int counter = 0;
  return "zv_scenario_test_" + std::to_string(++counter) + "_" + name;
}

inline std::string WriteTemp(const std::string& name, const std::string& text) {
  std::string p = TempPath(name);
  std::ofstream(p, std::ios::binary) << text;
  return p;
}

struct RunResult {
  int status;
  std::string out;  // standard output: the transcript and the summaries
  std::string err;  // standard error: the diagnostics
};

inline RunResult RunFiles(const std::vector<std::string>& files, CliOptions opt = {}) {
  RunResult r;
  r.status = RunScenarioFiles(
      opt, files, [&](const std::string& s) { r.out += s; }, [&](const std::string& s) { r.err += s; });
  return r;
}

inline RunResult Program(const std::vector<std::string>& args) {
  RunResult r;
  r.status = RunCommandLine(
      args, stdin, [&](const std::string& s) { r.out += s; }, [&](const std::string& s) { r.err += s; });
  return r;
}

inline RunResult RunText(const std::string& text, CliOptions opt = {}) {
  std::string f = WriteTemp("s.zvs", text);
  RunResult r = RunFiles({f}, opt);
  std::remove(f.c_str());
  return r;
}

inline RunResult Shell(const std::string& input) {
  RunResult r;
  std::FILE* in = std::tmpfile();
  std::fwrite(input.data(), 1, input.size(), in);
  std::rewind(in);
  auto both = [&](const std::string& s) { r.out += s; };
  r.status = RunShell({}, in, both, both);
  std::fclose(in);
  return r;
}

class ScenarioRun : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ModulePresent()) GTEST_SKIP() << "no module beside the test program";
  }
};

inline const char* kPage =
    "document d\n"
    "frame f1 at 36 36 size 400 300\n"
    "graphic fig rect at 10 20 size 100 50 in f1\n"
    "graphic chip oval at 200 200 size 60 30 in f1\n";

}  // namespace zvhost
