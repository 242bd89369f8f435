// Running scenario files and the interactive shell.
#include "host/scenario_cli.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

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

bool WriteFile(const std::string& path, const std::string& text, const Output& err) {
  errno = 0;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  bool ok = f && std::fwrite(text.data(), 1, text.size(), f) == text.size();
  int e = errno;
  if (f && std::fclose(f) != 0) ok = false;
  if (!ok) err("error: cannot write " + path + ": " + std::strerror(e ? e : EIO) + "\n");
  return ok;
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

namespace {

// Reads a whole file; on failure `why` holds the system's reason.
bool ReadFile(const std::string& path, std::string* text, std::string* why) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    *why = std::strerror(EISDIR);
    return false;
  }
  errno = 0;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    *why = std::strerror(errno ? errno : ENOENT);
    return false;
  }
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text->append(buf, n);
  bool bad = std::ferror(f) != 0;
  int e = errno;
  std::fclose(f);
  if (bad) *why = std::strerror(e ? e : EIO);
  return !bad;
}

// Checks that a file can be written, before any scenario runs; a file made here is removed.
bool CanWrite(const std::string& path, std::string* why) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    *why = std::strerror(EISDIR);
    return false;
  }
  bool existed = std::filesystem::exists(path, ec);
  errno = 0;
  std::FILE* f = std::fopen(path.c_str(), "ab");
  if (!f) {
    *why = std::strerror(errno ? errno : EACCES);
    return false;
  }
  std::fclose(f);
  if (!existed) std::remove(path.c_str());
  return true;
}

std::string Plural(int n, const char* word) {
  return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

// At most this many steps of a run keep their pictures in the HTML report, so that the report
// of a long scenario stays small; the transcript of every step is kept.
constexpr int kReportPictureSteps = 150;

}  // namespace

int RunScenarioFiles(const CliOptions& options, const std::vector<std::string>& files, const Output& out,
                     const Output& err) {
  std::vector<ReportScenario> report;
  RunOptions ro = options.run;
  ro.pictures = ro.pictures || !options.svgDir.empty() || !options.htmlFile.empty();
  // Outputs are checked first: a run is not wasted on a report that cannot be written.
  if (!options.svgDir.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(options.svgDir, ec);
    std::string why;
    if (ec) {
      err("error: cannot create " + options.svgDir + ": " + ec.message() + "\n");
      return 2;
    }
    if (!CanWrite(options.svgDir + "/.zorvan-host-check", &why)) {
      err("error: cannot write in " + options.svgDir + ": " + why + "\n");
      return 2;
    }
  }
  if (!options.htmlFile.empty()) {
    std::string why;
    if (!CanWrite(options.htmlFile, &why)) {
      err("error: cannot write " + options.htmlFile + ": " + why + "\n");
      return 2;
    }
  }
  int passed = 0, failedFiles = 0, notRun = 0, totalExpect = 0, totalFailed = 0, status = 0, pictureSteps = 0;
  bool moduleDown = false, preambleShown = false;
  for (const std::string& file : files) {
    ReportScenario rep;
    rep.file = file;
    out("== " + file + "\n");
    auto notRunBecause = [&](const std::string& why, const std::string& diagnostic) {
      rep.error = why;
      err("error: " + diagnostic + "\n");
      out(file + ": not run: " + why + "\n\n");
      report.push_back(rep);
      ++notRun;
      status = std::max(status, 1);
    };
    if (moduleDown) {
      rep.error = "not run: the module could not be started";
      out(file + ": " + rep.error + "\n\n");
      report.push_back(rep);
      ++notRun;
      continue;
    }
    std::string text, why;
    if (!ReadFile(file, &text, &why)) {
      notRunBecause("cannot read it: " + why, "cannot read " + file + ": " + why);
      continue;
    }
    // The whole file is checked before any step runs; the steps are parsed again as they run,
    // so a long scenario is never held in memory as steps.
    size_t stepCount = 0;
    try {
      ForEachStep(text, file, [&](Step&) { return ++stepCount > 0; });
    } catch (const ScenarioError& e) {
      notRunBecause(std::string("line ") + std::to_string(e.line) + " is not a scenario step", e.what());
      continue;
    }
    if (stepCount == 0) {
      notRunBecause("it has no steps", file + ": no steps: the file is empty or holds only comments");
      continue;
    }
    ScenarioRunner runner(ro);
    std::string startError;
    if (!runner.Start(&startError)) {
      err("error: " + startError + "\n");
      rep.error = startError;
      out(file + ": not run: the module could not be started\n\n");
      report.push_back(rep);
      ++notRun;
      status = 2;
      moduleDown = true;
      continue;
    }
    rep.module = runner.host().ModulePath();
    // The banner and the menu are the same for every file: shown once per run.
    if (!preambleShown) {
      rep.preamble = runner.Preamble();
      if (!options.quiet) out("module: " + rep.module + "\n" + rep.preamble + "\n");
      preambleShown = true;
    }
    int expectations = 0, failedExpect = 0, failedSteps = 0, stoppedAt = 0;
    auto account = [&](const Step* st, const StepOutcome& o, ReportStep& rs) {
      bool failed = o.failures > 0;
      if (st && IsExpectation(st->kind)) {
        ++expectations;
        failedExpect += failed ? 1 : 0;
      } else {
        failedSteps += failed ? 1 : 0;
      }
      rs.transcript = o.transcript;
      rs.failed = failed;
    };
    bool keepSteps = !options.htmlFile.empty();  // the report needs every step; nothing else does
    ForEachStep(text, file, [&](Step& st) {
      ReportStep rs;
      rs.source = st.source;
      rs.line = st.line;
      StepOutcome o;
      try {
        o = runner.Run(st);
      } catch (const ScenarioError& e) {
        rep.error = e.what();
        out(FormatStep(st, o));
        err(std::string("error: ") + e.what() + "\n");
        rs.transcript = std::string("error: ") + e.detail;
        rs.failed = true;
        rep.steps.push_back(rs);
        stoppedAt = st.line;
        return false;
      }
      account(&st, o, rs);
      if (!options.quiet || o.failures) out(FormatStep(st, o));
      if (o.changed && !o.svgAfter.empty()) {
        if (pictureSteps++ < kReportPictureSteps) {
          rs.svgBefore = o.svgBefore;
          rs.svgAfter = o.svgAfter;
        } else if (options.svgDir.empty() && !options.run.pictures) {
          runner.SetPictures(false);  // no more pictures are kept: none are drawn
        }
        if (!options.svgDir.empty()) {
          std::string path = SvgName(options.svgDir, Stem(file), st.line);
          if (WriteFile(path, o.svgAfter, err) && !options.quiet) out("        picture: " + path + "\n");
        }
      }
      if (keepSteps) rep.steps.push_back(std::move(rs));
      return true;
    });
    if (!stoppedAt) {
      StepOutcome o = runner.Finish();
      if (o.failures) {
        ReportStep rs;
        rs.source = "(end of the scenario)";
        account(nullptr, o, rs);
        out("  end\n" + Indent(o.transcript, "        "));
        rep.steps.push_back(rs);
      }
    }
    rep.failures = failedExpect + failedSteps;
    totalExpect += expectations;
    totalFailed += failedExpect;
    std::string line =
        file + ": " + Plural(expectations, "expectation") + ", " + std::to_string(failedExpect) + " failed";
    if (failedSteps) line += ", " + Plural(failedSteps, "other step") + " failed";
    if (stoppedAt) line += ", stopped at line " + std::to_string(stoppedAt) + " by an error";
    out(line + "\n\n");
    if (failedExpect || failedSteps || stoppedAt) {
      ++failedFiles;
      status = std::max(status, 1);
    } else {
      ++passed;
    }
    report.push_back(rep);
    runner.host().Stop();
  }
  if (files.size() > 1) {
    out(Plural(static_cast<int>(files.size()), "scenario") + ": " + std::to_string(passed) + " passed, " +
        std::to_string(failedFiles) + " failed, " + std::to_string(notRun) + " not run; " +
        Plural(totalExpect, "expectation") + ", " + std::to_string(totalFailed) + " failed\n");
  }
  if (!options.htmlFile.empty()) {
    if (pictureSteps > kReportPictureSteps)
      out("report: pictures of the first " + std::to_string(kReportPictureSteps) + " changing steps only (of " +
          std::to_string(pictureSteps) + ")\n");
    if (WriteFile(options.htmlFile, RenderHtmlReport(report, "ZorvanShapes scenarios"), err))
      out("report: " + options.htmlFile + "\n");
    else
      status = std::max(status, 1);
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
