// The report and the pictures as a reader meets them: the story from the scenario's comments,
// folded set-up steps, pictures cropped to what a step is about with the whole page a click
// away, the changed object on top and outlined with its previous place dashed, a magnified view
// of changes too small to see, and picture files that never overwrite each other.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/cli/scenario_files.h"

namespace zvhost {
namespace {

PageItem Box(const std::string& name, uint32_t id, double x, double y, double w, double h) {
  PageItem it;
  it.id = id;
  it.name = name;
  it.kind = "rect";
  it.type = 12;
  it.x = x, it.y = y, it.w = w, it.h = h;
  return it;
}

size_t Count(const std::string& s, const std::string& what) {
  size_t n = 0;
  for (size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + 1)) ++n;
  return n;
}

// What an XML parser (python3's expat) says of each file: empty when all are well-formed.
// Sets `skipped` where there is no python3 to ask (Windows, or a machine without it).
std::string XmlErrors(const std::vector<std::string>& files, bool* skipped) {
  *skipped = true;
#ifndef _WIN32
  if (std::system("python3 -c 1 >/dev/null 2>&1") != 0) return "";
  *skipped = false;
  std::string cmd = "python3 -c 'import sys, xml.dom.minidom as m\nfor f in sys.argv[1:]: m.parse(f)' 2>&1";
  for (const std::string& f : files) cmd += " '" + f + "'";
  std::string said;
  if (std::FILE* p = popen(cmd.c_str(), "r")) {
    char buf[512];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) said.append(buf, n);
    if (pclose(p) != 0 && said.empty()) said = "the parser failed";
  }
  return said;
#else
  (void)files;
  return "";
#endif
}

// Text from anywhere (a name, a paragraph, a transcript) becomes XML text: markup as entities,
// control bytes as '?', bytes that are not UTF-8 as U+FFFD, UTF-8 kept as it is.
TEST(Pictures, TextOfAnyBytesBecomesXmlText) {
  const std::string u = "\xEF\xBF\xBD";
  struct Row {
    const char* what;
    std::string in, out;
    bool markupOnly;
  } rows[] = {
      {"markup", "a<b&c\"d>", "a&lt;b&amp;c&quot;d&gt;", false},
      {"transcript: only what text needs", "x -> \"y\" < z & ]]>", "x -> \"y\" &lt; z &amp; ]]&gt;", true},
      {"control bytes", "a\x01\rb\tc\n\x7f", "a??b\tc\n\x7f", false},
      {"UTF-8 kept", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", false},
      {"a Latin-1 byte", "caf\xE9!", "caf" + u + "!", true},
      {"overlong form", "\xC0\xAF", u + u, false},
      {"surrogate", "\xED\xA0\x80", u + u + u, false},
      {"U+FFFF", "\xEF\xBF\xBF", u + u + u, false},
      {"cut short at the end", "a\xE2\x82", "a" + u + u, false},
      {"past U+10FFFF", "\xF4\x90\x80\x80", u + u + u + u, false},
      {"lone continuation bytes", "\x80\xBF", u + u, true},
  };
  for (const Row& r : rows) {
    std::string o;
    AppendXmlText(o, r.in, r.markupOnly);
    EXPECT_EQ(o, r.out) << r.what;
  }
}

// A report and a picture stay well-formed XML whatever bytes the names, texts and transcripts
// hold, as an XML parser reads them.
TEST(Pictures, ReportAndPicturesOfHostileTextAreWellFormed) {
  const std::string hostile = "caf\xE9 \xFF\xFE ]]> <b>&amp; \x01\x1b[0m \xC3\xA9 \"q\"";
  PageView page;
  PageItem g = Box("g" + hostile, 1, 20, 20, 40, 30);
  g.changed = true;
  PageItem para = Box("p", 2, 20, 80, 200, 14);
  para.kind = "paragraph";
  para.text = hostile;
  page.items = {g, para};
  PageView before = page;
  before.items[0].changed = false;
  ReportScenario run;
  run.file = "s" + hostile + ".zvs";
  run.module = hostile;
  run.preamble = hostile;
  run.error = hostile;
  ReportStep step;
  step.source = "set g.x = 20 # " + hostile;
  step.transcript = hostile;
  step.story = hostile;
  step.changed = true;
  step.pictures = RenderStepPictures(before, page, "x");
  ReportStep plain = step;
  plain.pictures.clear();
  run.steps = {step, plain, plain, step};
  run.steps[3].failed = true;
  const std::string dir = ::testing::TempDir();
  const std::vector<std::string> files = {dir + "zv_hostile.svg", dir + "zv_hostile.html"};
  std::ofstream(files[0], std::ios::binary) << RenderSvg(page, {2, true, hostile});
  std::ofstream(files[1], std::ios::binary) << RenderHtmlReport({run}, hostile);
  bool skipped = false;
  EXPECT_EQ(XmlErrors(files, &skipped), "");
  for (const std::string& f : files) std::remove(f.c_str());
  if (skipped) GTEST_SKIP() << "no python3 to parse the output";
}

TEST(Pictures, ChangedObjectOnTopOutlinedWithItsPreviousPlaceDashed) {
  PageView page;
  PageItem moved = Box("moved", 1, 100, 100, 50, 40);
  moved.changed = true;
  page.items = {moved, Box("cover", 2, 90, 90, 80, 60)};
  page.previous = {Box("moved", 1, 10, 10, 50, 40)};
  std::string svg = RenderSvg(page, {2});
  // Drawn a second time after the object that covers it, then outlined in the change colour.
  size_t cover = svg.find("width=\"80\" height=\"60\"");
  size_t again = svg.rfind("x=\"100\" y=\"100\" width=\"50\" height=\"40\"");
  ASSERT_NE(cover, std::string::npos);
  EXPECT_GT(again, cover) << svg;
  EXPECT_NE(svg.find("stroke=\"" + std::string(kSvgChangedColor), again), std::string::npos);
  EXPECT_NE(
      svg.find("x=\"10\" y=\"10\" width=\"50\" height=\"40\" fill=\"none\" stroke=\"" + std::string(kSvgChangedColor)),
      std::string::npos);
  EXPECT_NE(svg.find("stroke-dasharray"), std::string::npos);
  EXPECT_EQ(svg.find("magnified"), std::string::npos) << "a move of 90 pt is plain to see";

  // A change of a quarter point (under 2 pixels at 2 pixels per point) gets a magnified view
  // below the page; at 20 pixels per point it is plain to see.
  page.previous = {Box("moved", 1, 100.25, 100, 50, 40)};
  svg = RenderSvg(page, {2});
  EXPECT_NE(svg.find("moved, magnified 24x: edges 0.25 pt apart"), std::string::npos) << svg;
  EXPECT_EQ(RenderSvg(page, {20}).find("magnified"), std::string::npos);
}

// The insertion point in a table cell is drawn as a caret at the cell's start.
TEST(Pictures, CursorInATableCellIsDrawn) {
  PageView page;
  PageItem t = Box("t", 1, 10, 10, 150, 48);
  t.kind = "table";
  t.rows = 3;
  t.columns = {50, 60, 40};
  t.cursorRow = 2;
  t.cursorCol = 1;
  page.items = {t};
  EXPECT_NE(
      RenderSvg(page).find("<line x1=\"62\" y1=\"44\" x2=\"62\" y2=\"56\" stroke=\"" + std::string(kSvgSelectedColor)),
      std::string::npos)
      << RenderSvg(page);
  PageView quiet;
  quiet.items = {Box("far", 2, 500, 700, 5, 5)};
  PageView withCursor = quiet;
  withCursor.items.push_back(t);
  EXPECT_LT(FocusOf(withCursor, withCursor).w, 300);  // the cursor is what the step is about
}

TEST(Pictures, FocusHoldsSelectionAndChangesWithRoomAroundAndStaysOnThePage) {
  PageView before, after;
  before.items = {Box("a", 1, 300, 400, 20, 10), Box("far", 2, 10, 10, 5, 5)};
  after.items = before.items;
  before.items[0].selected = true;
  PageBox f = FocusOf(before, after);
  EXPECT_LE(f.x, 300 - 24);
  EXPECT_GE(f.x + f.w, 320 + 24);
  EXPECT_LT(f.w, 300);  // far away and unselected: left out
  after.items[1].changed = true;
  after.items[1].x = 0;
  f = FocusOf(before, after);
  EXPECT_EQ(f.x, 0);  // reaches the changed one, never past the page's edge
  EXPECT_EQ(f.y, 0);
  // A line of text the region would cut is taken in from its start; a frame around all is not.
  PageItem para = Box("para", 5, 20, 300, 400, 14), frame = Box("f", 7, 0, 0, 612, 792);
  para.kind = "paragraph";
  frame.kind = "frame", frame.type = 9;
  before.items = {frame, para, Box("s", 6, 380, 290, 20, 20)};
  before.items[2].selected = true;
  f = FocusOf(before, before);
  EXPECT_LE(f.x, 20);
  EXPECT_LT(f.w, 600) << "the frame around all is not taken in";
  PageView quiet;
  quiet.items = {Box("b", 3, 1, 1, 1, 1)};
  f = FocusOf(quiet, quiet);
  EXPECT_EQ(f.w, quiet.width);  // nothing to look at: the whole page
  EXPECT_EQ(f.h, quiet.height);
}

// A cropped picture holds what lies in its crop and what the step changed, nothing else; a name
// the crop's edge would cut stands inside it.
TEST(Pictures, CropHoldsWhatLiesInItWithNamesInside) {
  PageView page;
  page.items = {Box("inside", 1, 100, 100, 20, 20), Box("far", 2, 500, 700, 20, 20), Box("leftcut", 3, 40, 150, 30, 20),
                Box("moved", 4, 400, 400, 10, 10)};
  page.items[3].changed = true;
  const std::string crop = RenderSvg(page, {2, false, "", {50, 50, 200, 200}}), whole = RenderSvg(page, {2});
  struct Row {
    const char* what;
    bool inCrop;
  } rows[] = {{">inside<", true},
              {">far<", false},
              {"x=\"500\"", false},
              {">moved<", true},
              {"<text x=\"51\" y=\"148.5\"", true},
              {"<text x=\"40\"", false}};
  for (const Row& r : rows) EXPECT_EQ(crop.find(r.what) != std::string::npos, r.inCrop) << r.what << "\n" << crop;
  for (const char* w : {">far<", "<text x=\"40\" y=\"148.5\""}) EXPECT_NE(whole.find(w), std::string::npos) << w;
}

TEST(Pictures, SvgFilesOfScenariosWithOneBaseNameNeverCollide) {
  struct Case {
    std::vector<std::string> files;
    std::vector<std::string> stems;
  } cases[] = {
      {{"a/s.zvs", "b/s.zvs"}, {"s", "s-2"}},
      {{"s.zvs", "s.zvs", "s.zvs"}, {"s", "s-2", "s-3"}},
      {{"s-2.zvs", "x/s.zvs", "y\\s.zvs"}, {"s-2", "s", "s-3"}},
      {{"tour.zvs", "nav.zvs"}, {"tour", "nav"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SvgStems(c.files), c.stems);
}

class Report : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::ifstream(Host::DefaultModulePath())) GTEST_SKIP() << "no module beside the test program";
  }
  static std::string Read(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
  }
  // A scenario of a page with a frame (lines 1 and 2), `graphics` (one line each) and `steps`,
  // written into `dir`, and the options of a quiet run with a report there.
  static std::string Scenario(const std::string& dir, const std::string& graphics, const std::string& steps,
                              CliOptions* opt) {
    std::filesystem::create_directories(dir);
    const std::string file = dir + "/s.zvs";
    std::ofstream(file) << "document d\nframe f at 0 0 size 500 500\n" + graphics + steps;
    opt->quiet = true;
    opt->htmlFile = dir + "/r.html";
    return file;
  }
};

TEST_F(Report, TellsTheStoryFoldsTheSetUpAndCropsThePictures) {
  namespace fs = std::filesystem;
  fs::path dir = fs::path("zv_report_test");
  fs::remove_all(dir);
  fs::create_directories(dir / "a");
  fs::create_directories(dir / "b");
  const std::string text =
      "# The page: a frame and a logo.\n"
      "document d\n"
      "frame f1 at 36 36 size 500 700\n"
      "graphic logo rect at 400 600 size 60 30 in f1\n"
      "graphic far oval at 10 10 size 20 20 in f1\n"
      "\n"
      "# A thin border around the logo,\n"
      "# a quarter point inside it.\n"
      "select logo\n"
      "choose Zorvan > Add Frame To Graphic # <the border>\n";
  std::ofstream((dir / "a" / "s.zvs").string()) << text;
  std::ofstream((dir / "b" / "s.zvs").string()) << text;
  CliOptions opt;
  opt.htmlFile = (dir / "r.html").string();
  opt.svgDir = (dir / "pics").string();
  std::string out;
  int status = RunScenarioFiles(
      opt, {(dir / "a" / "s.zvs").string(), (dir / "b" / "s.zvs").string()}, [&](const std::string& s) { out += s; },
      [&](const std::string& s) { out += s; });
  ASSERT_EQ(status, 0) << out;
  EXPECT_TRUE(fs::exists(dir / "pics" / "s-0010.svg")) << out;
  EXPECT_TRUE(fs::exists(dir / "pics" / "s-2-0010.svg")) << out;
  std::string html = Read(opt.htmlFile);
  EXPECT_NE(html.find("<p class=\"story\">The page: a frame and a logo.</p>"), std::string::npos) << html;
  EXPECT_NE(html.find("<p class=\"story\">A thin border around the logo, a quarter point inside it.</p>"),
            std::string::npos);
  EXPECT_EQ(html.find("the border&gt;"), std::string::npos) << "a comment after a step is not story";
  EXPECT_EQ(Count(html, "<summary>setting up: 4 steps, lines 2 to 5</summary>"), 2u);
  // The logo's corner of the page, not the whole page; the whole page by reference.
  size_t step = html.find("choose Zorvan &gt; Add Frame To Graphic");
  size_t svg = html.find("<svg", html.find("<div class=\"pics\">", step));
  ASSERT_NE(svg, std::string::npos);
  std::string head = html.substr(svg, html.find('>', svg) - svg);
  EXPECT_EQ(head.find("viewBox=\"0 0 612"), std::string::npos) << head;
  EXPECT_NE(html.find("<summary>whole page</summary>", step), std::string::npos);
  EXPECT_EQ(Count(html, ">logo</text>"), 8u) << "before and after, cropped and whole, in each scenario";
  EXPECT_EQ(Count(html, ">far</text>"), 0u) << "what the step is not about is drawn without its name";
  EXPECT_NE(html.find("magnified", step), std::string::npos) << "the quarter-point border is shown magnified";
  for (const char* outside : {"src=", "href=\"http", "<link", "<script", "url("}) EXPECT_EQ(Count(html, outside), 0u);
  fs::remove_all(dir);
}

// Steps that passed without pictures read as text: a run that changed nothing folded, the
// changes (past the pictures' limit) in bold; a failure stands apart. --svg keeps the same limit
// and says so when it is reached; --svg-all lifts it.
TEST_F(Report, RunsOfStepsWithoutPicturesBecomeText) {
  namespace fs = std::filesystem;
  fs::path dir = fs::path("zv_report_runs");
  std::string text = "expect g.x < 20\nselect g\n";
  for (int x = 11; x <= 160; ++x) text += "set g.x = " + std::to_string(x) + "\n";  // lines 6 to 155
  text += "set g.x = 200\nexpect g.x = 200\nexpect g.x = 1\nexpect g.y = 10\n";
  CliOptions opt;
  const std::string file = Scenario(dir.string(), "graphic g rect at 10 10 size 20 20 in f\n", text, &opt);
  opt.svgDir = (dir / "pics").string();
  std::string out, err;
  auto keep = [&](const std::string& s) { out += s; };
  auto keepErr = [&](const std::string& s) { err += s; };
  for (bool all : {true, false}) {
    fs::remove_all(opt.svgDir);
    out.clear(), err.clear();
    opt.svgAll = all;
    EXPECT_EQ(RunScenarioFiles(opt, {file}, keep, keepErr), 1) << out;
    auto files = std::distance(fs::directory_iterator(opt.svgDir), fs::directory_iterator());
    EXPECT_EQ(files, all ? 151 : 150) << all;
    EXPECT_EQ(Count(err, "note: --svg wrote pictures of the first 150 changing steps, and writes no more"),
              all ? 0u : 1u);
    EXPECT_EQ(Count(out, "svg: pictures of the first 150 changing steps only (of 151)"), all ? 0u : 1u) << out;
    EXPECT_NE(out.find("report: pictures of 150 of the 151 changing steps (changes of shape first, then selection "
                       "moves; --html-all draws them all)"),
              std::string::npos)
        << out;
  }
  std::string html = Read(opt.htmlFile);
  EXPECT_NE(html.find("<details class=\"run\"><summary>2 steps that changed nothing, lines 4 to 5</summary>"
                      "<pre class=\"run\">4 expect g.x &lt; 20\n  ok: g.x is 10pt (655360u), &lt; 20pt (1310720u)\n"
                      "5 select g\n  selected g\n</pre></details>"),
            std::string::npos)
      << html.substr(0, 4000);
  EXPECT_NE(html.find("<pre class=\"run\"><b>156 set g.x = 200</b>\n  g.x: 160pt -> 200pt\n"
                      "157 expect g.x = 200\n  ok: g.x = 200pt (13107200u)\n</pre>"),
            std::string::npos);
  size_t failed = html.find("<div class=\"step failed\">");
  EXPECT_NE(html.find("expect g.x = 1</span>", failed), std::string::npos);
  EXPECT_NE(html.find("159</span> <span class=\"src\">expect g.y = 10", failed), std::string::npos);
  fs::remove_all(dir);
}

// The report's 150 pictures go first to changes of shape, taken from the latest selection moves;
// it says where pictures stop and how many changing steps have none. --html-all draws them all.
TEST_F(Report, ChangesOfShapeTakeThePicturesOfSelectionMoves) {
  std::string text = "select a\n";
  for (int k = 0; k < 150; ++k)  // lines 6 to 155
    text += k % 2 ? "choose Zorvan > Select > Select Next Object Below\n"
                  : "choose Zorvan > Select > Select Next Object Above\n";
  text += "set a.x = 11\nset a.x = 12\n";
  CliOptions opt;
  const std::string file =
      Scenario("zv_report_budget", "graphic a rect at 10 10 size 20 20 in f\ngraphic b rect at 40 10 size 20 20 in f\n",
               text, &opt);
  std::string out;
  auto keep = [&](const std::string& s) { out += s; };
  for (bool all : {false, true}) {
    opt.htmlAll = all;
    ASSERT_EQ(RunScenarioFiles(opt, {file}, keep, keep), 0) << out;
    const std::string html = Read(opt.htmlFile);
    EXPECT_EQ(Count(html, "<figcaption>before</figcaption>"), all ? 152u : 150u);
    const size_t twelve = html.find("set a.x = 12</span>");
    EXPECT_NE(html.find("<figcaption>before</figcaption>", twelve), std::string::npos) << "a change of shape is drawn";
    EXPECT_EQ(Count(html, "2 changing steps of this scenario have none, from <a href=\"#s0-stop\">line 154</a>"),
              all ? 0u : 1u);
    const size_t stop = html.find("<p class=\"note\" id=\"s0-stop\">Pictures stop here.");
    EXPECT_EQ(stop == std::string::npos, all);
    if (!all) {
      EXPECT_EQ(html.find("154 choose Zorvan", stop), html.find("154 choose Zorvan")) << "the note stands at 154";
    }
  }
  std::filesystem::remove_all("zv_report_budget");
}

// The report counts as the command line does: expectations passed and failed, and apart from
// them the other steps that failed, each named (an answer no prompt took is no expectation).
TEST_F(Report, CountsAsTheCommandLineDoes) {
  namespace fs = std::filesystem;
  fs::path dir = fs::path("zv_report_counts");
  fs::create_directories(dir);
  const std::string file = (dir / "c.zvs").string();
  std::ofstream(file) << "document d\nframe f at 0 0 size 99 99\ngraphic g rect at 1 1 size 9 9 in f\n"
                         "expect g.x = 1\nexpect g.x = 2\nselect g\nanswer 2\nchoose Zorvan > Copy Graphic Props\n"
                         "expect g.y = 1\n";
  CliOptions opt;
  opt.quiet = true;
  opt.htmlFile = (dir / "r.html").string();
  std::string out;
  auto keep = [&](const std::string& s) { out += s; };
  EXPECT_EQ(RunScenarioFiles(opt, {file}, keep, keep), 1);
  EXPECT_NE(out.find(file + ": 3 expectations, 1 failed, 1 other step failed"), std::string::npos) << out;
  const std::string html = Read(opt.htmlFile);
  EXPECT_EQ(Count(html, "3 expectations, 2 passed, 1 failed, 1 other step failed</"), 2u) << "index and end";
  EXPECT_NE(html.find("<li>line 8: answer 2 (line 7) was not used: the command asked nothing</li>"), std::string::npos);
  EXPECT_EQ(html.find("expectation(s)"), std::string::npos);
  fs::remove_all(dir);
}

// A crowded page (3,000 graphics) gives a small report: each cropped picture holds what lies in
// its crop, and the whole pages a click away are drawings the report already holds, not copies.
// It stays well-formed XML, markup and "]]>" in the page's text included.
TEST_F(Report, CrowdedPageGivesASmallWellFormedReport) {
  namespace fs = std::filesystem;
  fs::path dir = fs::path("zv_report_crowded");
  fs::create_directories(dir);
  std::string text =
      "document d\nframe f at 0 0 size 612 792\ntextframe tf at 300 760 size 300 30 in f\n"
      "paragraph p in tf \"x < y & ]]> caf\xC3\xA9\"\n";
  for (int i = 0; i < 3000; ++i)
    text += "graphic g" + std::to_string(i) + " rect at " + std::to_string(i % 60 * 10) + " " +
            std::to_string(i / 60 * 15) + " size 8 8 in f\n";
  for (int k = 0; k < 60; ++k) {  // 60 changing steps, scattered over the page
    const int g = k * 397 % 3000;
    text += "select g" + std::to_string(g) + "\nset g" + std::to_string(g) + ".x = " + std::to_string(g % 60 * 10 + 1) +
            "\n";
  }
  const std::string file = (dir / "crowded.zvs").string();
  std::ofstream(file) << text;
  CliOptions opt;
  opt.quiet = true;
  opt.htmlFile = (dir / "crowded.html").string();
  std::string out;
  auto keep = [&](const std::string& s) { out += s; };
  ASSERT_EQ(RunScenarioFiles(opt, {file}, keep, keep), 0) << out;
  const std::string html = Read(opt.htmlFile);
  // 5 MB for the 150 pictured steps of a run, in proportion; a crop holding the whole page made
  // 750 kB a step.
  EXPECT_LT(html.size(), (5u << 20) / 150 * 60);
  EXPECT_EQ(Count(html, "<summary>whole page</summary>"), 60u);
  bool skipped = false;
  EXPECT_EQ(XmlErrors({opt.htmlFile}, &skipped), "");
  fs::remove_all(dir);
}

// Ctrl-C stops the run after the step it came in: said on stderr, the summary so far, the
// report of what ran, the files after it not run, exit status 130.
TEST_F(Report, InterruptedRunSumsUpWhatRanAndWritesItsReport) {
  namespace fs = std::filesystem;
  fs::path dir = fs::path("zv_report_interrupted");
  fs::create_directories(dir);
  std::string a = (dir / "a.zvs").string(), b = (dir / "b.zvs").string();
  std::ofstream(a) << "document d\nframe f at 0 0 size 99 99\nexpect f.x = 0\nset f.x = 5\nset f.x = 6\n";
  std::ofstream(b) << "document e\n";
  CliOptions opt;
  opt.htmlFile = (dir / "r.html").string();
  std::string out, err;
  // The signal comes while line 4's transcript is written, as a Ctrl-C may come during a step.
  auto keep = [&](const std::string& s) {
    out += s;
    if (s.find("   4  set f.x = 5") != std::string::npos) std::raise(SIGINT);
  };
  auto before = std::signal(SIGINT, SIG_IGN);
  EXPECT_EQ(RunScenarioFiles(opt, {a, b}, keep, [&](const std::string& s) { err += s; }), 130) << out << err;
  EXPECT_EQ(std::signal(SIGINT, before), SIG_IGN) << "the run gives Ctrl-C back as it found it";
  EXPECT_EQ(err, "interrupted at " + a + ":4\n");
  for (const std::string& says :
       {a + ": 1 expectation, 0 failed, interrupted after line 4\n", b + ": not run: the run was interrupted\n",
        std::string("2 scenarios: 0 passed, 1 failed, 1 not run; 1 expectation, 0 failed\n")})
    EXPECT_NE(out.find(says), std::string::npos) << says << "\n" << out;
  EXPECT_EQ(out.find("set f.x = 6"), std::string::npos) << out;
  std::string html = Read(opt.htmlFile);
  EXPECT_NE(html.find("set f.x = 5"), std::string::npos);
  EXPECT_NE(html.find("interrupted after line 4"), std::string::npos);
  EXPECT_EQ(html.find("set f.x = 6"), std::string::npos);
  fs::remove_all(dir);
}

// The tour is laid out so that no shape lies over a text frame (the figure's caption once hid
// behind the sun and the cloud), after any of its steps.
TEST_F(Report, NoShapeOfTheTourCoversItsText) {
  std::ifstream f(std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "examples" / "tour.zvs");
  if (!f) GTEST_SKIP() << "examples/tour.zvs is not where the test's source says";
  std::stringstream ss;
  ss << f.rdbuf();
  RunOptions ro;
  ro.pictures = true;
  ScenarioRunner runner(ro);
  std::string err;
  ASSERT_TRUE(runner.Start(&err)) << err;
  int checked = 0;
  for (const Step& st : ParseScenario(ss.str(), "tour.zvs")) {
    StepOutcome o = runner.Run(st);
    ASSERT_EQ(o.failures, 0) << st.source;
    if (!o.changed) continue;
    ++checked;
    for (const PageItem& text : o.viewAfter.items) {
      if (text.kind != "text") continue;
      for (const PageItem& g : o.viewAfter.items) {
        if (g.kind == "text" || g.kind == "paragraph" || g.kind == "table" || g.kind == "frame" || g.kind == "anchored")
          continue;
        bool apart = g.x + g.w <= text.x || text.x + text.w <= g.x || g.y + g.h <= text.y || text.y + text.h <= g.y;
        EXPECT_TRUE(apart) << "after line " << st.line << " " << g.name << " lies over " << text.name;
      }
    }
  }
  EXPECT_GE(checked, 15) << "steps that changed the page";
  runner.host().Stop();
}

}  // namespace
}  // namespace zvhost
