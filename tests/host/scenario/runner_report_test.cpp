// zorvan-host's shell through a pipe, the pages a changing step gives for its pictures, and the
// HTML report, with the real module.
#include "runner_test_support.h"

namespace zvhost {
namespace {

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
  EXPECT_EQ(r.status, 1) << r.out;  // two lines were refused
  EXPECT_NE(r.out.find("zorvan> choose \\!af"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("created new1 (rect) in f at 10.25 10.25 size 49.5 x 39.5"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("    new1         rect      at 10.25 10.25  size 49.5 x 39.5"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Select Parent Object"), std::string::npos);
  EXPECT_NE(r.out.find("error: line 9: expected a graphic kind"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("error: line 10: unknown object 'nobody'"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("ok: g.x = 10pt"), std::string::npos);
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
                          "expect alert \"x\"",
                          "expect clipboard = 1 2 3 4",
                          "expect undo a",
                          "expect undo none",
                          "expect unchanged a zz",
                          "expect p.text != \"x\"",
                          "expect t[1,0].kind = cell",
                          "expect a.x < 2mm",
                          "set a.x = 1in",
                          "set tt.align = 4"};
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

// The pages a changing step gives for its pictures hold the selection and the places before and
// after it, also where the page is kept from step to step instead of read again (selection
// moves, selects); a selection move gives none when they are not asked for.
TEST_F(ScenarioRun, PicturePagesFollowEveryKindOfStep) {
  ScenarioRunner runner{RunOptions{}};
  std::string err;
  ASSERT_TRUE(runner.Start(&err)) << err;
  runner.SetPictures(true);
  for (const Step& st : ParseScenario("document d\nframe f at 0 0 size 300 200\ngraphic a rect at 10 10 size 5 5 in f\n"
                                      "graphic b rect at 20 10 size 5 5 in f\ngraphic c rect at 30 10 size 5 5 in f\n"
                                      "textframe t at 100 100 size 90 40 in f\nparagraph p in t \"x\"\n",
                                      "page.zvs"))
    runner.Run(st);
  auto marks = [](const PageView& v) {
    std::string s;
    for (const PageItem& it : v.items) s += it.selected ? it.name + (it.changed ? "*" : "") + " " : "";
    for (const PageItem& it : v.items) s += it.cursor ? "|" + it.name + " " : "";
    for (const PageItem& it : v.items) s += it.name == "a" ? "a.x=" + std::to_string(static_cast<int>(it.x)) : "";
    return s;
  };
  const char* above = "choose Zorvan > Select > Select Next Object Above";
  struct Row {
    const char* step;
    bool moves;  // pages of selection moves asked for
    const char* before;
    const char* after;  // "" with `before`: no pages
  } rows[] = {
      {"select a", true, "", ""},
      {above, true, "a a.x=10", "b a.x=10"},
      {above, false, "", ""},                 // b to c, its pages not asked for
      {above, true, "c a.x=10", "t a.x=10"},  // the text frame was made after c
      {"select a", true, "", ""},
      {"set a.x = 12", false, "a a.x=10", "a* a.x=12"},
      {"set a.x = 12", true, "", ""},
      {above, true, "a a.x=12", "b a.x=12"},
      {"cursor in p", true, "", ""},
      {"select c", true, "", ""},
      {"choose Zorvan > Select > Select Next Object Below", true, "c a.x=12", "b a.x=12"},
      {"cursor in p", true, "", ""},
      {"choose Zorvan > Select > Select Parent Object", true, "|p a.x=12", "t a.x=12"},
  };
  for (const Row& r : rows) {
    runner.SetPictureMoves(r.moves);
    StepOutcome o;
    for (const Step& st : ParseScenarioLine(r.step, "page.zvs", 9)) o = runner.Run(st);
    const bool pages = !o.viewAfter.items.empty();
    EXPECT_EQ(pages ? marks(o.viewBefore) : "", std::string(pages ? r.before : "")) << r.step;
    EXPECT_EQ(pages ? marks(o.viewAfter) : "", r.after) << r.step << "\n" << o.transcript;
  }
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
