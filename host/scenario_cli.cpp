// Running scenario files and the interactive shell.
#include "host/scenario_cli.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "host/report_html.h"

namespace zvhost {

namespace {

std::string Stem(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  size_t dot = base.rfind('.');
  return dot == std::string::npos || dot == 0 ? base : base.substr(0, dot);
}

bool WriteFile(const std::string& path, const std::string& text, const Output& out) {
  std::ofstream f(path, std::ios::binary);
  f << text;
  f.close();
  if (!f) {
    out("error: cannot write " + path + "\n");
    return false;
  }
  return true;
}

std::string Indent(const std::string& text, const std::string& pad) {
  std::string o;
  size_t start = 0;
  while (start < text.size()) {
    size_t nl = text.find('\n', start);
    std::string line = text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
    o += pad + line + "\n";
    if (nl == std::string::npos) break;
    start = nl + 1;
  }
  return o;
}

// The scenario's own comment lines (whole lines starting with '#') just before each step's line,
// by that line: the story the report tells between the steps. Leading '#'s and one space go.
std::map<int, std::string> StoryComments(const std::string& text) {
  std::map<int, std::string> story;
  std::string pending;
  int lineNo = 0;
  size_t start = 0;
  while (start < text.size()) {
    size_t nl = text.find('\n', start);
    std::string line = text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
    start = nl == std::string::npos ? text.size() : nl + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos) {
      if (!pending.empty() && pending.back() != '\n') pending += "\n";  // a blank line ends a paragraph
      continue;
    }
    if (line[first] == '#') {
      size_t textAt = line.find_first_not_of('#', first);
      std::string said = textAt == std::string::npos ? "" : line.substr(textAt);
      if (!said.empty() && said[0] == ' ') said.erase(0, 1);
      if (!pending.empty() && pending.back() != '\n') pending += ' ';
      pending += said;
      continue;
    }
    while (!pending.empty() && pending.back() == '\n') pending.pop_back();
    if (!pending.empty()) story[lineNo] = pending;
    pending.clear();
  }
  return story;
}

// Long lines of a help text wrapped at spaces into 80 columns, continued further indented.
std::string Wrap80(const std::string& text) {
  std::string o;
  size_t start = 0;
  while (start < text.size()) {
    size_t nl = text.find('\n', start);
    std::string line = text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
    start = nl == std::string::npos ? text.size() : nl + 1;
    std::string pad(line.find_first_not_of(' ') == std::string::npos ? 0 : line.find_first_not_of(' ') + 4, ' ');
    while (line.size() > 80) {
      size_t cut = line.rfind(' ', 80);
      if (cut == std::string::npos || cut <= pad.size()) break;
      o += line.substr(0, cut) + "\n";
      line = pad + line.substr(line.find_first_not_of(' ', cut));
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    o += line + "\n";
  }
  return o;
}

std::string SvgName(const std::string& dir, const std::string& stem, int line) {
  char num[16];
  std::snprintf(num, sizeof num, "%04d", line);
  return dir + "/" + stem + "-" + num + ".svg";
}

}  // namespace

std::vector<std::string> SvgStems(const std::vector<std::string>& files) {
  std::vector<std::string> stems;
  std::set<std::string> used;
  for (const std::string& f : files) {
    std::string stem = Stem(f), name = stem;
    for (int n = 2; used.count(name); ++n) name = stem + "-" + std::to_string(n);
    used.insert(name);
    stems.push_back(name);
  }
  return stems;
}

ReportStep ReportStepOf(const Step& step, const StepOutcome& outcome, const std::string& id) {
  ReportStep rs;
  rs.source = step.source;
  rs.line = step.line;
  rs.transcript = outcome.transcript;
  rs.failed = outcome.failures > 0;
  rs.setup = step.kind == StepKind::Document || step.kind == StepKind::Grid || step.kind == StepKind::Frame ||
             step.kind == StepKind::Graphic || step.kind == StepKind::Paragraph || step.kind == StepKind::Anchored ||
             step.kind == StepKind::Table;
  if (outcome.changed && !outcome.viewAfter.items.empty())
    rs.pictures = RenderStepPictures(outcome.viewBefore, outcome.viewAfter, id);
  return rs;
}

std::string FormatStep(const Step& step, const StepOutcome& outcome) {
  char head[32];
  std::snprintf(head, sizeof head, "%4d  ", step.line);
  return head + step.source + "\n" + Indent(outcome.transcript, "        ");
}

int RunScenarioFiles(const CliOptions& options, const std::vector<std::string>& files, const Output& out) {
  std::vector<ReportScenario> report;
  int status = 0;
  int totalExpect = 0, totalFailed = 0;
  RunOptions ro = options.run;
  ro.pictures = ro.pictures || !options.svgDir.empty() || !options.htmlFile.empty();
  if (!options.svgDir.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(options.svgDir, ec);
    if (ec) {
      out("error: cannot create " + options.svgDir + ": " + ec.message() + "\n");
      return 1;
    }
  }
  const std::vector<std::string> stems = SvgStems(files);
  for (const std::string& file : files) {
    const size_t fileIndex = static_cast<size_t>(&file - files.data());
    ReportScenario rep;
    rep.file = file;
    out("== " + file + "\n");
    std::ifstream in(file, std::ios::binary);
    if (!in) {
      rep.error = "cannot read " + file;
      out("error: " + rep.error + "\n");
      report.push_back(rep);
      status = 1;
      continue;
    }
    std::stringstream ss;
    ss << in.rdbuf();
    std::vector<Step> steps;
    std::map<int, std::string> story = StoryComments(ss.str());
    try {
      steps = ParseScenario(ss.str(), file);
    } catch (const ScenarioError& e) {
      rep.error = e.what();
      out(std::string("error: ") + e.what() + "\n");
      report.push_back(rep);
      status = 1;
      continue;
    }
    ScenarioRunner runner(ro);
    std::string err;
    if (!runner.Start(&err)) {
      out("error: " + err + "\n");
      rep.error = err;
      report.push_back(rep);
      status = 2;
      break;
    }
    rep.module = runner.host().ModulePath();
    rep.preamble = runner.Preamble();
    if (!options.quiet) out("module: " + rep.module + "\n" + rep.preamble + "\n");
    int expectations = 0, failed = 0;
    for (const Step& st : steps) {
      ReportStep rs;
      rs.source = st.source;
      rs.line = st.line;
      rs.story = story[st.line];
      StepOutcome o;
      try {
        o = runner.Run(st);
      } catch (const ScenarioError& e) {
        rep.error = e.what();
        out(FormatStep(st, o) + "error: " + e.what() + "\n");
        rs.transcript = std::string("error: ") + e.what();
        rs.failed = true;
        rep.steps.push_back(rs);
        break;
      }
      if (IsExpectation(st.kind)) ++expectations;
      failed += o.failures;
      if (!options.quiet || o.failures) out(FormatStep(st, o));
      rs = ReportStepOf(st, o, "s" + std::to_string(fileIndex) + "-" + std::to_string(st.line));
      rs.story = story[st.line];
      if (o.changed && !o.svgAfter.empty()) {
        if (!options.svgDir.empty()) {
          std::string path = SvgName(options.svgDir, stems[fileIndex], st.line);
          if (WriteFile(path, o.svgAfter, out) && !options.quiet) out("        picture: " + path + "\n");
        }
      }
      rep.steps.push_back(rs);
    }
    rep.failures = failed;
    totalExpect += expectations;
    totalFailed += failed;
    char line[256];
    std::snprintf(line, sizeof line, "%s: %d expectation(s), %d failed%s\n\n", file.c_str(), expectations, failed,
                  rep.error.empty() ? "" : ", stopped by an error");
    out(line);
    if (failed || !rep.error.empty()) status = status ? status : 1;
    report.push_back(rep);
    runner.host().Stop();
  }
  if (files.size() > 1) {
    char line[128];
    std::snprintf(line, sizeof line, "%zu scenario(s), %d expectation(s), %d failed\n", files.size(), totalExpect,
                  totalFailed);
    out(line);
  }
  if (!options.htmlFile.empty()) {
    if (WriteFile(options.htmlFile, RenderHtmlReport(report, "ZorvanShapes scenarios"), out))
      out("report: " + options.htmlFile + "\n");
    else
      status = status ? status : 1;
  }
  return status;
}

std::string LanguageHelp() {
  return Wrap80(R"(Steps, one per line ('#' starts a comment).
Lengths in points, "12u" in metric units (65536u = 1 pt):
  document NAME [page W H]                    a new document, the active one
  grid SPACING                                the document's grid spacing
  frame NAME at X Y size W H [in FRAME]       an unanchored frame
  graphic NAME KIND at X Y size W H in FRAME  a graphic: )" +
                GraphicKindNames() + R"(
  textframe NAME at X Y size W H in FRAME     a text frame
  paragraph NAME in TEXTFRAME|T[r,c] ["text"] [align N] [indent L F R]
  anchored NAME size W H in PARAGRAPH         a frame anchored in text
  table NAME in PARAGRAPH columns W... [rows N] [margins A B] [indent I]
        [placement K] [title NAME ["text"] [align N]]
  select A B ...      one selection action each (A+B: in one action)
  select cells T[r,c] [to T[r,c]] | select table T | select row T[r] | deselect
  cursor in PARAGRAPH|TEXTFRAME|T[r,c] [at OFFSET]
  choose Zorvan > Paste Graphic Pos | choose \!pgp | command N
  answer N | answer cancel                    the answer to the next prompt
  set OBJ.PROP = VALUE                        change a property by hand
  name NAME = selection | created   name the selected graphic, or what the last
                                    command made
  close [DOC]                                 close a document (the active one)
  fault busy|fail|status N [OPERATION [TIMES]] | fault off
  show                                        the page as text
  expect OBJ.PROP = VALUE... [within TOL]     properties: )" +
                ScenarioPropertyNames() + R"(
  expect selection A B | none      expect cells T[r,c] [to T[r,c]] | none
  expect cursor in P | none        expect no alert
  expect alert [error|note] "text"            expect console "text"
  expect prompt "text" [default "text"]
  expect menu Zorvan > Select [= Item | Item | - | ...]
)");
}

}  // namespace zvhost
