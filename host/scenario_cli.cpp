// Running scenario files and the interactive shell.
#include "host/scenario_cli.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>

#include "host/interrupt.h"
#include "host/report_html.h"
#include "host/text_lines.h"

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

// Appends each line of `text` to `o`, after `pad`.
void AppendIndented(std::string& o, const std::string& text, const char* pad) {
  size_t start = 0;
  while (start < text.size()) {
    size_t nl = text.find('\n', start);
    size_t end = nl == std::string::npos ? text.size() : nl;
    o.append(pad).append(text, start, end - start).push_back('\n');
    start = end + 1;
  }
}

std::string Indent(const std::string& text, const char* pad) {
  std::string o;
  AppendIndented(o, text, pad);
  return o;
}

// The scenario's own comment lines (whole lines starting with '#') just before each step's line,
// by that line: the story the report tells between the steps. Leading '#'s and one space go.
std::map<int, std::string> StoryComments(const std::string& text) {
  std::map<int, std::string> story;
  std::string pending;
  int lineNo = 0;
  ForEachLine(text, [&](std::string& line) {
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos) {
      if (!pending.empty() && pending.back() != '\n') pending += "\n";  // a blank line ends a paragraph
      return true;
    }
    if (line[first] == '#') {
      size_t textAt = line.find_first_not_of('#', first);
      std::string said = textAt == std::string::npos ? "" : line.substr(textAt);
      if (!said.empty() && said[0] == ' ') said.erase(0, 1);
      if (!pending.empty() && pending.back() != '\n') pending += ' ';
      pending += said;
      return true;
    }
    while (!pending.empty() && pending.back() == '\n') pending.pop_back();
    if (!pending.empty()) story[lineNo] = pending;
    pending.clear();
    return true;
  });
  return story;
}

// Long lines of a help text wrapped at spaces into 80 columns, continued further indented.
std::string Wrap80(const std::string& text) {
  std::string o;
  ForEachLine(text, [&](std::string& line) {
    std::string pad(line.find_first_not_of(' ') == std::string::npos ? 0 : line.find_first_not_of(' ') + 4, ' ');
    while (line.size() > 80) {
      size_t cut = line.rfind(' ', 80);
      if (cut == std::string::npos || cut <= pad.size()) break;
      o += line.substr(0, cut) + "\n";
      line = pad + line.substr(line.find_first_not_of(' ', cut));
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    o += line + "\n";
    return true;
  });
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

ReportStep ReportStepOf(const Step& step, const StepOutcome& outcome, const std::string& id, bool pictures,
                        PictureBook* book) {
  ReportStep rs;
  rs.source = step.source;
  rs.line = step.line;
  rs.transcript = outcome.transcript;
  rs.failed = outcome.failures > 0;
  rs.expectation = IsExpectation(step.kind);
  rs.changed = outcome.changed;
  rs.setup = step.kind == StepKind::Document || step.kind == StepKind::Grid || step.kind == StepKind::Frame ||
             step.kind == StepKind::Graphic || step.kind == StepKind::Paragraph || step.kind == StepKind::Anchored ||
             step.kind == StepKind::Table;
  if (pictures && outcome.changed && !outcome.viewAfter.items.empty())
    rs.pictures = RenderStepPictures(outcome.viewBefore, outcome.viewAfter, id, book);
  return rs;
}

namespace {

// FormatStep into `o`, replacing what it held (a run reuses one string for all its steps).
void FormatStepInto(std::string& o, const Step& step, const StepOutcome& outcome) {
  char head[32];
  int n = std::snprintf(head, sizeof head, "%4d  ", step.line);
  o.assign(head, static_cast<size_t>(n)).append(step.source).push_back('\n');
  AppendIndented(o, outcome.transcript, "        ");
}

}  // namespace

std::string FormatStep(const Step& step, const StepOutcome& outcome) {
  std::string o;
  FormatStepInto(o, step, outcome);
  return o;
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

// At most this many changing steps of a run get pictures, in the HTML report and in --svg (unless
// --svg-all), so that a long scenario's pictures stay small; the transcript of every step is kept.
constexpr int kPictureSteps = 150;

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
  const std::vector<std::string> stems = SvgStems(files);
  if (!options.htmlFile.empty()) {
    std::string why;
    if (!CanWrite(options.htmlFile, &why)) {
      err("error: cannot write " + options.htmlFile + ": " + why + "\n");
      return 2;
    }
  }
  int passed = 0, failedFiles = 0, notRun = 0, totalExpect = 0, totalFailed = 0, status = 0, pictureSteps = 0;
  int changingSteps = 0;  // all of them, also those drawn no more
  bool moduleDown = false, preambleShown = false, interrupted = false;
  InterruptWatch ctrlC;
  std::string lastAt;   // FILE:LINE of the last step carried out
  auto stopNow = [&] {  // a Ctrl-C is said once, where the run stands
    if (!interrupted && InterruptWatch::Interrupted()) err("interrupted at " + lastAt + "\n");
    return interrupted = interrupted || InterruptWatch::Interrupted();
  };
  for (const std::string& file : files) {
    const size_t fileIndex = static_cast<size_t>(&file - files.data());
    ReportScenario rep;
    rep.file = lastAt = file;
    out("== " + file + "\n");
    auto notRunBecause = [&](const std::string& why, const std::string& diagnostic) {
      rep.error = why;
      err("error: " + diagnostic + "\n");
      out(file + ": not run: " + why + "\n\n");
      report.push_back(rep);
      ++notRun;
      status = std::max(status, 1);
    };
    if (moduleDown || stopNow()) {
      rep.error = moduleDown ? "not run: the module could not be started" : "not run: the run was interrupted";
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
    std::map<int, std::string> story = StoryComments(text);  // the report's words between the steps
    // The whole file is checked before any step runs; the steps are parsed again as they run,
    // so a long scenario is never held in memory as steps.
    size_t stepCount = 0;
    try {
      stepCount = CheckScenario(text, file);
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
    int expectations = 0, failedExpect = 0, failedSteps = 0, stoppedAt = 0, interruptedAfter = 0;
    auto account = [&](const Step* st, const StepOutcome& o) {
      bool failed = o.failures > 0;
      if (st && IsExpectation(st->kind)) {
        ++expectations;
        failedExpect += failed ? 1 : 0;
      } else {
        failedSteps += failed ? 1 : 0;
      }
    };
    auto storyAt = [&story](int line) {
      auto told = story.find(line);
      return told == story.end() ? std::string() : told->second;
    };
    bool keepSteps = !options.htmlFile.empty();  // the report needs every step; nothing else does
    std::string stepText;                        // the step as the transcript shows it
    // The file's pictures share their drawings.
    PictureBook book("s" + std::to_string(fileIndex) + "-");
    ForEachStep(text, file, [&](Step& st) {
      StepOutcome o;
      try {
        o = runner.Run(st);
      } catch (const ScenarioError& e) {
        rep.error = e.what();
        out(FormatStep(st, o));
        err(std::string("error: ") + e.what() + "\n");
        ReportStep rs;
        rs.source = st.source;
        rs.line = st.line;
        rs.story = storyAt(st.line);
        rs.transcript = std::string("error: ") + e.detail;
        rs.failed = true;
        rep.steps.push_back(rs);
        stoppedAt = st.line;
        return false;
      }
      account(&st, o);
      if (!options.quiet || o.failures) {
        FormatStepInto(stepText, st, o);
        out(stepText);
      }
      bool keepPictures = false;
      if (o.changed) ++changingSteps;
      if (o.changed && !o.svgAfter.empty()) {
        bool underCap = pictureSteps++ < kPictureSteps;
        keepPictures = underCap && keepSteps;
        bool svg = !options.svgDir.empty() && (underCap || options.svgAll);
        if (!underCap && !svg && !options.run.pictures) runner.SetPictures(false);  // none are kept: none drawn
        if (svg) {
          std::string path = SvgName(options.svgDir, stems[fileIndex], st.line);
          if (WriteFile(path, o.svgAfter, err) && !options.quiet) out("        picture: " + path + "\n");
        } else if (!options.svgDir.empty() && pictureSteps == kPictureSteps + 1) {
          err("note: --svg wrote pictures of the first " + std::to_string(kPictureSteps) +
              " changing steps, and writes no more (--svg-all writes one for each)\n");
        }
      }
      if (keepSteps) {
        ReportStep shown =
            ReportStepOf(st, o, "s" + std::to_string(fileIndex) + "-" + std::to_string(st.line), keepPictures, &book);
        shown.story = storyAt(st.line);
        rep.steps.push_back(std::move(shown));
      }
      lastAt = file + ":" + std::to_string(st.line);
      if (stopNow()) interruptedAfter = st.line;
      return !interrupted;
    });
    if (interruptedAfter) rep.error = "interrupted after line " + std::to_string(interruptedAfter);
    if (!stoppedAt && !interruptedAfter) {
      StepOutcome o = runner.Finish();
      if (o.failures) {
        ReportStep rs;
        rs.source = "(end of the scenario)";
        rs.transcript = o.transcript;
        rs.failed = true;
        account(nullptr, o);
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
    if (interruptedAfter) line += ", interrupted after line " + std::to_string(interruptedAfter);
    out(line + "\n\n");
    if (failedExpect || failedSteps || stoppedAt || interruptedAfter) {
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
  const std::string firstOnly = "pictures of the first " + std::to_string(kPictureSteps) + " changing steps only (of " +
                                std::to_string(changingSteps) + ")\n";
  if (!options.svgDir.empty() && !options.svgAll && pictureSteps > kPictureSteps) out("svg: " + firstOnly);
  if (!options.htmlFile.empty()) {
    if (pictureSteps > kPictureSteps) out("report: " + firstOnly);
    if (WriteFile(options.htmlFile, RenderHtmlReport(report, "ZorvanShapes scenarios"), err))
      out("report: " + options.htmlFile + "\n");
    else
      status = std::max(status, 1);
  }
  return stopNow() ? 130 : status;  // the shell's status for a program ended by Ctrl-C
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
