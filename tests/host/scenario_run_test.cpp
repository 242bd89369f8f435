// zorvan-host's run and shell with the real module: transcripts, exit status, errors that name
// the line, the shell through a pipe, and the HTML report.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "host/scenario_cli.h"

namespace zvhost {
namespace {

bool ModulePresent() {
  std::ifstream f(Host::DefaultModulePath(), std::ios::binary);
  return static_cast<bool>(f);
}

std::string TempPath(const std::string& name) {
  static int counter = 0;
  return "zv_scenario_test_" + std::to_string(++counter) + "_" + name;
}

std::string WriteTemp(const std::string& name, const std::string& text) {
  std::string p = TempPath(name);
  std::ofstream(p, std::ios::binary) << text;
  return p;
}

struct RunResult {
  int status;
  std::string out;
};

RunResult RunFiles(const std::vector<std::string>& files, CliOptions opt = {}) {
  RunResult r;
  r.status = RunScenarioFiles(opt, files, [&](const std::string& s) { r.out += s; });
  return r;
}

RunResult RunText(const std::string& text, CliOptions opt = {}) {
  std::string f = WriteTemp("s.zvs", text);
  RunResult r = RunFiles({f}, opt);
  std::remove(f.c_str());
  return r;
}

RunResult Shell(const std::string& input) {
  RunResult r;
  std::FILE* in = std::tmpfile();
  std::fwrite(input.data(), 1, input.size(), in);
  std::rewind(in);
  r.status = RunShell({}, in, [&](const std::string& s) { r.out += s; });
  std::fclose(in);
  return r;
}

class ScenarioRun : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ModulePresent()) GTEST_SKIP() << "no module beside the test program";
  }
};

const char* kPage =
    "document d\n"
    "frame f1 at 36 36 size 400 300\n"
    "graphic fig rect at 10 20 size 100 50 in f1\n"
    "graphic chip oval at 200 200 size 60 30 in f1\n";

TEST_F(ScenarioRun, TranscriptShowsBannerMenuAndChangesByName) {
  RunResult r = RunText(std::string(kPage) +
                        "select fig\n"
                        "choose Zorvan > Copy Graphic Props\n"
                        "select chip\n"
                        "choose Zorvan > Paste Graphic Pos\n"
                        "expect chip.x = 10\n"
                        "expect chip.y = 20\n");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("ZorvanShapes v1.3"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Paste Graphic Pos"), std::string::npos);
  EXPECT_NE(r.out.find("\\!pgp"), std::string::npos);
  EXPECT_NE(r.out.find("chip.x: 200"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("ok: chip.x = 10 pt"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("2 expectation(s), 0 failed"), std::string::npos) << r.out;
}

TEST_F(ScenarioRun, FailedExpectationsSayWhatWasFoundAndSetTheExitStatus) {
  RunResult r = RunText(std::string(kPage) +
                        "expect fig.x = 11\n"
                        "expect fig.width = 100.001 within 0.01\n"
                        "choose Zorvan > Paste Graphic Pos\n"
                        "expect alert error \"Something else.\"\n"
                        "expect no alert\n"
                        "expect selection chip\n"
                        "expect menu Zorvan > Nothing Here\n"
                        "choose Zorvan > Does Not Exist\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("FAILED: fig.x is 10 pt (655360u), expected 11 pt (720896u)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("ok: fig.width"), std::string::npos);
  EXPECT_NE(r.out.find("the last command showed (error) \"First select an object. Then try again.\""),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("FAILED: selection chip: selected is nothing"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("FAILED: menu: no item Zorvan > Nothing Here"), std::string::npos);
  EXPECT_NE(r.out.find("no command Zorvan > Does Not Exist"), std::string::npos);
  EXPECT_NE(r.out.find("6 failed"), std::string::npos) << r.out;
}

// A line that cannot be carried out stops its scenario with the file and line; the next file
// still runs.
TEST_F(ScenarioRun, StepsThatCannotBeCarriedOutNameFileAndLine) {
  struct Case {
    const char* text;
    const char* says;
  } cases[] = {
      {"frame f at 0 0 size 10 10\n", ":1: no open document"},
      {"document d\ngraphic g rect at 0 0 size 5 5 in nowhere\n", ":2: unknown object 'nowhere'"},
      {"document d\nframe f at 0 0 size 9 9\ngraphic g rect at 0 0 size 5 5 in f\ngraphic h rect at 0 0 size 1 1 in "
       "g\n",
       ":4: 'g' is not a frame"},
      {"document d\ndocument d\n", ":2: the name 'd' is already used"},
      {"document d\nframe f at 0 0 size 9 9\nexpect f.colour = 3\n", ":3: unknown property 'colour'"},
      {"document d\nframe f at 0 0 size 9 9\nparagraph p in f\n", ":3: 'f' is not a text frame or a table cell"},
      {"document d\nframe f at 0 0 size 9 9\nselect f[1,2]\n", ":3: 'f' is not a table"},
      {"document d\nframe f at 0 0 size 40000 9\n", ":2: positions and sizes lie between"},
      {"document d\nname x = selection\n", ":2: nothing is selected to name"},
      {"document d\nclose\nframe f at 0 0 size 9 9\n", ":3: no open document"},
      {"document d\nfault sideways\n", ":2: expected a fault"},
      {"document d\nframe f at 0 0 size 1 1\ngraphic g rect at 0 0 size 5 5 in f oops\n",
       ":3: expected the end of the line"},
  };
  for (const Case& c : cases) {
    std::string bad = WriteTemp("bad.zvs", c.text);
    std::string good = WriteTemp("good.zvs", "document ok\nexpect ok.grid = 12\n");
    RunResult r = RunFiles({bad, good});
    EXPECT_EQ(r.status, 1) << c.text;
    EXPECT_NE(r.out.find(bad + c.says), std::string::npos) << c.text << "\n" << r.out;
    EXPECT_NE(r.out.find(good + ": 1 expectation(s), 0 failed"), std::string::npos) << r.out;
    std::remove(bad.c_str());
    std::remove(good.c_str());
  }
}

TEST_F(ScenarioRun, ModuleThatCannotBeLoadedIsReported) {
  CliOptions opt;
  opt.run.modulePath = "no/such/module.bin";
  RunResult r = RunText("document d\n", opt);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.out.find("cannot start the module no/such/module.bin"), std::string::npos) << r.out;
}

// Faults injected by the scenario reach the module; it falls back without crashing the host.
TEST_F(ScenarioRun, InjectedFaultsLeaveTheDocumentAlone) {
  RunResult r = RunText(std::string(kPage) +
                        "select fig\n"
                        "fault busy\n"
                        "choose Zorvan > Add Frame To Graphic\n"
                        "fault off\n"
                        "expect selection fig\n"
                        "expect fig.x = 10\n"
                        "fault status 7 GetIdProp 1\n"
                        "choose Zorvan > Paste Graphic Pos\n"
                        "expect fig.x = 10\n");
  EXPECT_EQ(r.status, 0) << r.out;
}

TEST_F(ScenarioRun, ShellWorksThroughAPipe) {
  RunResult r = Shell(
      "help\n"
      "document d\n"
      "frame f at 0 0 size 300 200\n"
      "graphic g rect at 10 10 size 50 40 in f\n"
      "select g\n"
      "choose \\!af\n"
      "show\n"
      "menu\n"
      "graphic broken at\n"
      "select nobody\n"
      "expect g.x = 10\n"
      "quit\n"
      "show\n");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("zorvan> choose \\!af"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("created new1 (rect) in f at 10.25 10.25 size 49.5 x 39.5"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("new1       rect"), std::string::npos) << r.out;  // show
  EXPECT_NE(r.out.find("Select Parent Object"), std::string::npos);
  EXPECT_NE(r.out.find("error: line 9: expected a graphic kind"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("error: line 10: unknown object 'nobody'"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("ok: g.x = 10 pt"), std::string::npos);
  EXPECT_EQ(r.out.find("zorvan> show\n", r.out.find("zorvan> quit")), std::string::npos);  // stopped at quit
  EXPECT_EQ(Shell("document d\nexpect d.grid = 13\n").status, 1);
}

// Random lines typed into the shell, from the language's words, names that exist and names
// that do not: every line is carried out or refused with an error; the host never crashes.
TEST_F(ScenarioRun, RandomShellLinesAreCarriedOutOrRefused) {
  const char* pieces[] = {"select a",
                          "select b c",
                          "select t[0,1]",
                          "select cells t[0,0] to t[1,1]",
                          "deselect",
                          "cursor in p",
                          "cursor in t[1,0]",
                          "choose Zorvan > Paste Graphic Pos",
                          "choose \\!af",
                          "choose \\!sao",
                          "choose \\!spo",
                          "choose \\!rggh",
                          "choose \\!ttt",
                          "choose \\!uo",
                          "command 8",
                          "command 0",
                          "command 99",
                          "answer 3",
                          "answer cancel",
                          "answer -4",
                          "set a.x = -5",
                          "set a.width = 0",
                          "set t.columns = 1 2",
                          "set a.fill = 15",
                          "expect a.x = 1",
                          "expect selection a",
                          "name n = created",
                          "show",
                          "fault fail GetIdProp 2",
                          "fault off",
                          "graphic",
                          "t[9,9]",
                          "select zz",
                          "expect alert \"x\""};
  std::string input =
      "document d\nframe f at 0 0 size 400 400\ngraphic a rect at 10 10 size 50 50 in f\n"
      "graphic b oval at 20 20 size 0 0 in f\ngraphic c line at 0 0 size 100 0 in f\n"
      "textframe tf at 0 100 size 300 200 in f\nparagraph p in tf \"x\"\ntable t in p columns 10 20 rows 2 title tt\n";
  std::mt19937 rng(7);
  for (int i = 0; i < 300; ++i) input += std::string(pieces[rng() % (sizeof pieces / sizeof *pieces)]) + "\n";
  input += "close\nshow\nselect a\nchoose \\!uo\n";
  RunResult r = Shell(input);
  EXPECT_NE(r.status, 2);
  EXPECT_NE(r.out.find("zorvan> "), std::string::npos);
}

TEST_F(ScenarioRun, HtmlReportHoldsStepsAndPicturesBeforeAndAfter) {
  CliOptions opt;
  opt.htmlFile = TempPath("report.html");
  RunResult r =
      RunText(std::string(kPage) + "select fig\nchoose Zorvan > Add Frame To Graphic\nexpect fig.x = 10 # <b>\n", opt);
  EXPECT_EQ(r.status, 0) << r.out;
  std::ifstream f(opt.htmlFile);
  std::stringstream ss;
  ss << f.rdbuf();
  std::string html = ss.str();
  std::remove(opt.htmlFile.c_str());
  EXPECT_EQ(html.rfind("<!DOCTYPE html>", 0), 0u);
  EXPECT_EQ(html.find("<?xml"), std::string::npos);  // pictures are inlined without declarations
  size_t step = html.find("choose Zorvan &gt; Add Frame To Graphic");
  ASSERT_NE(step, std::string::npos);
  size_t first = html.find("<svg", step);
  ASSERT_NE(first, std::string::npos);
  EXPECT_NE(html.find("<svg", first + 4), std::string::npos);  // before and after
  EXPECT_NE(html.find(">before<"), std::string::npos);
  EXPECT_NE(html.find("passed"), std::string::npos);
}

}  // namespace
}  // namespace zvhost
