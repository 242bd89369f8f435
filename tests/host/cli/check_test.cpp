// zorvan-host check and run on the planted modules (tests/planted/): the sound one passes every
// check; each planted fault fails the check that names it, with the host alive to say so; run
// says what the host noticed, and a crash during run ends it with status 3, naming the step.
// Each case starts zorvan-host as a child process, as a person would.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "host/binding/file_names.h"
#include "host/cli/child_process.h"

namespace {

#if defined(_WIN32)
constexpr const char* kSuffix = ".dll";
constexpr const char* kHost = "zorvan-host.exe";
#else
constexpr const char* kSuffix = ".so";
constexpr const char* kHost = "zorvan-host";
#endif

const std::string kHello = std::string(ZV_SOURCE_DIR) + "/tests/planted/say_hello.zvs";

std::string HostProgram() {
  std::string self = zvhost::ProgramPath();
  return self.substr(0, self.find_last_of("/\\") + 1) + kHost;
}

std::string Planted(const std::string& fault) {
  return "planted_" + fault + kSuffix;
}

struct Case {
  const char* what;
  std::vector<std::string> args;
  int status;
  std::vector<std::string> said;  // each in the output (standard output and error), in this order
};

void Expect(const Case& c) {
  SCOPED_TRACE(c.what);
  zvhost::ChildResult r = zvhost::RunChild(HostProgram(), c.args, nullptr, true);
  r.output.erase(std::remove(r.output.begin(), r.output.end(), '\r'), r.output.end());  // Windows' line ends
  ASSERT_TRUE(r.started) << r.error;
  EXPECT_FALSE(r.crashed) << "zorvan-host itself died: " << r.cause << "\n" << r.output;
  EXPECT_EQ(r.status, c.status) << r.output;
  size_t at = 0;
  for (const std::string& s : c.said) {
    size_t found = r.output.find(s, at);
    EXPECT_NE(found, std::string::npos) << "missing: " << s << "\n" << r.output;
    if (found != std::string::npos) at = found + s.size();
  }
}

TEST(Check, PlantedFaultsFailTheirChecksAndTheHostStaysUp) {
  const Case cases[] = {
      {"the sound module passes every check",
       {"check", Planted("sound"), "--level", "2", "--seed", "7"},
       0,
       {"level 2, seed 7", "PASS binding.export", "PASS notifications.storm", "22 passed, 0 failed"}},
      {"a session never given back",
       {"check", Planted("leak"), "--seed", "1"},
       1,
       {"FAIL teardown.references: after the teardown: expected every reference given back, found Session at 2 "
        "(the host's own is 1)",
        "20 passed, 2 failed\n"}},
      {"an old registration version",
       {"check", Planted("old_version"), "--only", "binding"},
       1,
       {"FAIL binding.version: expected RegisterClient with version 0x06000000, found 0x05000000",
        "PASS binding.registration", "4 passed, 1 failed"}},
      {"a crash in Initialize",
       {"check", Planted("crash_init"), "--only", "startup.*"},
       1,
       {"FAIL startup.menus: expected the module to survive, found it crashed (", ") at step \"start-up",
        "in Initialize(1); its last host call: PrintToConsole(", "FAIL startup.console", "0 passed, 2 failed"}},
      {"a crash in a command",
       {"check", Planted("crash_command"), "--only", "commands.empty-session"},
       1,
       {"FAIL commands.empty-session: expected the module to survive, found it crashed (",
        "at step \"Command(1) Planted > Say Hello with no document open\" in Command(1); its last host call: ",
        "0 passed, 1 failed"}},
      {"a call after the teardown",
       {"check", Planted("late_call"), "--only", "teardown.no-calls-after"},
       1,
       {"FAIL teardown.no-calls-after: at the unloading: expected no call to the host after the teardown, found 1 "
        "(the first: Session.PrintToConsole)"}},
  };
  for (const Case& c : cases) Expect(c);
}

TEST(Check, UsageErrorsExitWithTwo) {
  const Case cases[] = {
      {"no check matches", {"check", Planted("sound"), "--only", "nothing*"}, 2, {"--only nothing* matches no check"}},
      {"a level out of range", {"check", Planted("sound"), "--level", "6"}, 2, {"--level takes a level from 1 to 5"}},
      {"no module file", {"check", "no-such-module.so"}, 2, {"cannot read no-such-module.so"}},
      {"no module at all", {"check", "--level", "2"}, 2, {"the module to check is missing"}},
  };
  for (const Case& c : cases) Expect(c);
}

TEST(Check, JunitReportHoldsEveryCheckRun) {
  const std::string report = "check_test_report.xml";
  std::remove(report.c_str());
  Expect({"the report", {"check", Planted("old_version"), "--only", "binding.v*", "--junit", report}, 1, {}});
  std::string xml;
  if (std::FILE* f = zvhost::OpenFile(report, "rb")) {
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) xml.append(buf, n);
    std::fclose(f);
  }
  EXPECT_NE(xml.find("<testsuites name=\"zorvan-host check\" tests=\"1\" failures=\"1\">"), std::string::npos) << xml;
  EXPECT_NE(xml.find("<testcase classname=\"check.binding\" name=\"binding.version\">\n      <failure message=\""
                     "expected RegisterClient with version 0x06000000, found 0x05000000\"/>"),
            std::string::npos)
      << xml;
}

TEST(Run, SaysWhatTheHostNoticedAndNamesACrash) {
  const Case cases[] = {
      {"the sound module",
       {"run", "--module", Planted("sound"), kHello},
       0,
       {"menu:\nPlanted\n  Say Hello", "1 expectation, 0 failed\n"}},
      {"a session never given back",
       {"run", "--module", Planted("leak"), kHello},
       1,
       {"problem: the client never gave back 1 reference to Session", "1 problem noticed by the host"}},
      {"an old registration version",
       {"run", "--module", Planted("old_version"), kHello},
       1,
       {"problem: RegisterClient with an unexpected version"}},
      {"a crash in a command",
       {"run", "--module", Planted("crash_command"), kHello},
       3,
       {"say_hello.zvs:3: the module crashed (",
        ") in Command(1), at the step 'choose Planted > Say Hello'; it had "
        "made 1 host call in the step (--trace names them)"}},
      {"a crash in a command, traced",
       {"run", "--trace", "--module", Planted("crash_command"), kHello},
       3,
       {"say_hello.zvs:3: the module crashed (", "; its last host call: PrintToConsole("}},
      {"a crash in Initialize",
       {"run", "--module", Planted("crash_init"), kHello},
       3,
       {"say_hello.zvs: the module crashed (", ") in Initialize(1), at the module's start-up"}},
  };
  for (const Case& c : cases) Expect(c);
}

}  // namespace
