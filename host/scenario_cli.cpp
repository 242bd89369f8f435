// Running scenario files and the interactive shell.
#include "host/scenario_cli.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/report_html.h"
#include "host/shell_input.h"

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

std::string SvgName(const std::string& dir, const std::string& stem, int line) {
  char num[16];
  std::snprintf(num, sizeof num, "%04d", line);
  return dir + "/" + stem + "-" + num + ".svg";
}

}  // namespace

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
  for (const std::string& file : files) {
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
      rs.transcript = o.transcript;
      rs.failed = o.failures > 0;
      if (o.changed && !o.svgAfter.empty()) {
        rs.svgBefore = o.svgBefore;
        rs.svgAfter = o.svgAfter;
        if (!options.svgDir.empty()) {
          std::string path = SvgName(options.svgDir, Stem(file), st.line);
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
  return R"(Steps (one per line; '#' starts a comment; lengths in points, "12u" in metric units, 65536u = 1 pt):
  document NAME [page W H]                    a new document, the active one
  grid SPACING                                the document's grid spacing
  frame NAME at X Y size W H [in FRAME]       an unanchored frame
  graphic NAME KIND at X Y size W H in FRAME  a graphic: )" +
         GraphicKindNames() + R"(
  textframe NAME at X Y size W H in FRAME     a text frame
  paragraph NAME in TEXTFRAME|T[r,c] ["text"] [align N] [indent L F R]
  anchored NAME size W H in PARAGRAPH         a frame anchored in text
  table NAME in PARAGRAPH columns W... [rows N] [margins A B] [indent I] [placement K]
        [title NAME ["text"] [align N]]
  select A B ...      one selection action each (A+B: in one action)
  select cells T[r,c] [to T[r,c]] | select table T | select row T[r] | deselect
  cursor in PARAGRAPH|TEXTFRAME|T[r,c] [at OFFSET]
  choose Zorvan > Paste Graphic Pos | choose \!pgp | command N
  answer N | answer cancel                    the answer to the next prompt
  set OBJ.PROP = VALUE                        change a property by hand
  name NAME = selection | created            name the selected graphic, or what the last command made
  close [DOC]   fault busy|fail|status N [OPERATION [TIMES]] | fault off   show
  expect OBJ.PROP = VALUE... [within TOL]     properties: )" +
         ScenarioPropertyNames() + R"(
  expect selection A B | none     expect cells T[r,c] [to T[r,c]] | none     expect cursor in P | none
  expect alert [error|note] "text" | expect no alert    expect prompt "text" [default "text"]
  expect console "text"           expect menu Zorvan > Select [= Item | Item | - | ...]
)";
}

int RunShell(const CliOptions& options, std::FILE* in, const Output& out) {
  RunOptions ro = options.run;
  ro.pictures = !options.svgDir.empty();
  ScenarioRunner runner(ro);
  std::string err;
  if (!runner.Start(&err)) {
    out("error: " + err + "\n");
    return 2;
  }
  LineInput input(in);
  out("ZorvanShapes reference host, module " + runner.host().ModulePath() + "\n" + runner.Preamble() +
      "\nType help for the steps, show for the page, menu for the menu, quit to leave.\n");
  int failures = 0, lineNo = 0;
  bool trace = options.run.trace;
  std::string line;
  while (input.Read("zorvan> ", &line)) {
    ++lineNo;
    if (!input.Interactive()) out("zorvan> " + line + "\n");
    std::string word = line.substr(0, line.find_first_of(" \t"));
    std::string rest = line.size() > word.size() ? line.substr(word.size() + 1) : "";
    if (word == "quit" || word == "exit") break;
    if (word == "help" || word == "?") {
      out(LanguageHelp() + "Shell only: show, menu, svg FILE, trace on|off, help, quit\n");
      continue;
    }
    if (word == "menu" && rest.empty()) {
      out(runner.MenuText());
      continue;
    }
    if (word == "trace") {
      trace = rest != "off";
      out(std::string("trace ") + (trace ? "on" : "off") + "\n");
      continue;
    }
    if (word == "svg") {
      if (rest.empty()) {
        out("error: svg FILE\n");
        continue;
      }
      if (WriteFile(rest, RenderSvg(runner.View(), {ro.svgScale, true, ""}), out)) out("wrote " + rest + "\n");
      continue;
    }
    try {
      for (Step& st : ParseScenarioLine(line, "<shell>", lineNo)) {
        runner.SetTrace(trace);
        StepOutcome o = runner.Run(st);
        failures += o.failures;
        if (!o.transcript.empty()) out(Indent(o.transcript, "  "));
        if (o.changed && !options.svgDir.empty()) {
          std::string path = SvgName(options.svgDir, "shell", lineNo);
          if (WriteFile(path, o.svgAfter, out)) out("  picture: " + path + "\n");
        }
      }
    } catch (const ScenarioError& e) {
      out("error: line " + std::to_string(e.line) + ": " + e.detail + "\n");
    }
  }
  runner.host().Stop();
  return failures ? 1 : 0;
}

}  // namespace zvhost
