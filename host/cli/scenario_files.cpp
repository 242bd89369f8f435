// Running scenario files and the interactive shell.
#include "host/cli/scenario_files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>

#include "host/binding/file_names.h"
#include "host/cli/crash_report.h"
#include "host/cli/interrupt.h"
#include "host/model/text_lines.h"
#include "host/view/report_html.h"

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
  std::FILE* f = OpenFile(path, "wb");
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
                        PageFigures* figures) {
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
    rs.pictures = RenderStepPictures(outcome.viewBefore, outcome.viewAfter, id, figures);
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
  if (std::filesystem::is_directory(FsPath(path), ec)) {
    *why = std::strerror(EISDIR);
    return false;
  }
  errno = 0;
  std::FILE* f = OpenFile(path, "rb");
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
  if (std::filesystem::is_directory(FsPath(path), ec)) {
    *why = std::strerror(EISDIR);
    return false;
  }
  bool existed = std::filesystem::exists(FsPath(path), ec);
  errno = 0;
  std::FILE* f = OpenFile(path, "ab");
  if (!f) {
    *why = std::strerror(errno ? errno : EACCES);
    return false;
  }
  std::fclose(f);
  if (!existed) std::remove(path.c_str());
  return true;
}

// At most this many changing steps of a run get pictures, in the HTML report (unless --html-all:
// those that change shapes first, then selection moves) and in --svg (unless --svg-all: the
// first), so that a long scenario's pictures stay small; the transcript of every step is kept.
constexpr int kPictureSteps = 150;

// One run of scenario files: each file in its own freshly started host, the transcript as it
// goes, pictures and the report kept as asked, and the summary at the end.
class FilesRun {
 public:
  FilesRun(const CliOptions& options, const std::vector<std::string>& files, const Output& out, const Output& err)
      : options_(options), files_(files), out_(out), err_(err), ro_(options.run) {
    ro_.pictures = ro_.pictures || !options.svgDir.empty() || !options.htmlFile.empty();
    picturesOn_ = ro_.pictures;
  }

  int Run() {
    // Outputs are checked first: a run is not wasted on a report that cannot be written.
    if (!OutputsWritable()) return 2;
    stems_ = SvgStems(files_);
    InterruptWatch ctrlC;
    for (size_t i = 0; i < files_.size(); ++i) RunFile(i);
    return Summary();
  }

 private:
  // What one scenario file counted.
  struct FileCounts {
    int expectations = 0, failedExpect = 0, failedSteps = 0, stoppedAt = 0, interruptedAfter = 0, problems = 0;
    void Account(const Step* st, const StepOutcome& o) {
      bool failed = o.failures > 0;
      if (st && IsExpectation(st->kind)) {
        ++expectations;
        failedExpect += failed ? 1 : 0;
      } else {
        failedSteps += failed ? 1 : 0;
      }
    }
  };

  bool OutputsWritable() {
    std::string why;
    if (!options_.svgDir.empty()) {
      std::error_code ec;
      std::filesystem::create_directories(FsPath(options_.svgDir), ec);
      if (ec) {
        err_("error: cannot create " + options_.svgDir + ": " + ec.message() + "\n");
        return false;
      }
      if (!CanWrite(options_.svgDir + "/.zorvan-host-check", &why)) {
        err_("error: cannot write in " + options_.svgDir + ": " + why + "\n");
        return false;
      }
    }
    if (!options_.htmlFile.empty() && !CanWrite(options_.htmlFile, &why)) {
      err_("error: cannot write " + options_.htmlFile + ": " + why + "\n");
      return false;
    }
    return true;
  }

  // A Ctrl-C is said once, where the run stands.
  bool StopNow() {
    if (!interrupted_ && InterruptWatch::Interrupted()) err_("interrupted at " + lastAt_ + "\n");
    return interrupted_ = interrupted_ || InterruptWatch::Interrupted();
  }

  void NotRunBecause(ReportScenario& rep, const std::string& why, const std::string& diagnostic) {
    rep.error = why;
    err_("error: " + diagnostic + "\n");
    out_(rep.file + ": not run: " + why + "\n\n");
    report_.push_back(rep);
    ++notRun_;
    status_ = std::max(status_, 1);
  }

  // The file's text when it can run: readable, every line a step, at least one step.
  bool Runnable(ReportScenario& rep, std::string* text) {
    const std::string& file = rep.file;
    if (moduleDown_ || StopNow()) {
      rep.error = moduleDown_ ? "not run: the module could not be started" : "not run: the run was interrupted";
      out_(file + ": " + rep.error + "\n\n");
      report_.push_back(rep);
      ++notRun_;
      return false;
    }
    std::string why;
    if (!ReadFile(file, text, &why)) {
      NotRunBecause(rep, "cannot read it: " + why, "cannot read " + file + ": " + why);
      return false;
    }
    // The whole file is checked before any step runs; the steps are parsed again as they run,
    // so a long scenario is never held in memory as steps.
    size_t stepCount = 0;
    try {
      stepCount = CheckScenario(*text, file);
    } catch (const ScenarioError& e) {
      NotRunBecause(rep, std::string("line ") + std::to_string(e.line) + " is not a scenario step", e.what());
      return false;
    }
    if (stepCount == 0) {
      NotRunBecause(rep, "it has no steps", file + ": no steps: the file is empty or holds only comments");
      return false;
    }
    return true;
  }

  bool Started(ScenarioRunner& runner, ReportScenario& rep) {
    std::string startError;
    if (!runner.Start(&startError)) {
      err_("error: " + startError + "\n");
      rep.error = startError;
      out_(rep.file + ": not run: the module could not be started\n\n");
      report_.push_back(rep);
      ++notRun_;
      status_ = 2;
      moduleDown_ = true;
      return false;
    }
    rep.module = runner.host().ModulePath();
    // The banner and the menu are the same for every file: shown once per run.
    if (!preambleShown_) {
      rep.preamble = runner.Preamble();
      if (!options_.quiet) out_("module: " + rep.module + "\n" + rep.preamble + "\n");
      preambleShown_ = true;
    }
    return true;
  }

  void RunFile(size_t fileIndex) {
    const std::string& file = files_[fileIndex];
    ReportScenario rep;
    rep.file = lastAt_ = file;
    out_("== " + file + "\n");
    std::string text;
    if (!Runnable(rep, &text)) return;
    ScenarioRunner runner(ro_);
    runner.SetPictures(picturesOn_);  // as the run's last file left it
    runner.SetPictureMoves(movesOn_);
    crash::SetStep(file, "the module's start-up");
    if (!Started(runner, rep)) return;
    story_ = StoryComments(text);                                // the report's words between the steps
    PageFigures figures("s" + std::to_string(fileIndex) + "-");  // the file's pictures share its page drawings
    figures_ = &figures;
    current_ = &rep;
    FileCounts counts;
    ForEachStep(text, file, [&](Step& st) { return RunStep(runner, rep, counts, fileIndex, st); });
    rep.definitions = figures.TakeDefinitions();
    rep.pictureLimit = kPictureSteps;
    figures_ = nullptr;
    if (counts.interruptedAfter) rep.error = "interrupted after line " + std::to_string(counts.interruptedAfter);
    if (!counts.stoppedAt && !counts.interruptedAfter) FinishScenario(runner, rep, counts);
    crash::SetStep(file, "the module's teardown");
    runner.host().Unload();  // what the host noticed counts with the file's summary
    counts.problems = ReportProblems(runner.host(), rep);
    EndFile(rep, counts);
  }

  // Every problem the host noticed, a line each and a step of the report; how many.
  int ReportProblems(const Host& host, ReportScenario& rep) {
    const std::vector<std::string> problems = host.Problems();
    if (problems.empty()) return 0;
    ReportStep rs;
    rs.source = "(what the host noticed)";
    rs.failed = true;
    for (const std::string& p : problems) {
      out_("problem: " + p + "\n");
      rs.transcript += "problem: " + p + "\n";
    }
    rep.steps.push_back(rs);
    return static_cast<int>(problems.size());
  }

  std::string StoryAt(int line) const {
    auto told = story_.find(line);
    return told == story_.end() ? std::string() : told->second;
  }

  bool RunStep(ScenarioRunner& runner, ReportScenario& rep, FileCounts& counts, size_t fileIndex, const Step& st) {
    StepOutcome o;
    crash::SetStep(rep.file, st.line, st.source);
    try {
      o = runner.Run(st);
    } catch (const ScenarioError& e) {
      rep.error = e.what();
      out_(FormatStep(st, o));
      err_(std::string("error: ") + e.what() + "\n");
      ReportStep rs;
      rs.source = st.source;
      rs.line = st.line;
      rs.story = StoryAt(st.line);
      rs.transcript = std::string("error: ") + e.detail;
      rs.failed = true;
      rep.steps.push_back(rs);
      counts.stoppedAt = st.line;
      return false;
    }
    counts.Account(&st, o);
    if (!options_.quiet || o.failures) {
      FormatStepInto(stepText_, st, o);
      out_(stepText_);
    }
    WriteSvg(st, o, fileIndex);
    if (!options_.htmlFile.empty()) {  // the report needs every step; nothing else does
      const std::string id = "s" + std::to_string(fileIndex) + "-" + std::to_string(st.line);
      ReportStep shown = ReportStepOf(st, o, id, false);
      shown.story = StoryAt(st.line);
      if (o.changed) ++changingSteps_;
      // A step whose pages were asked for and that has none has no page to draw (no document).
      const bool asked = picturesOn_ && (movesOn_ || o.reshaped);
      if (o.changed && !o.viewAfter.items.empty() && KeepPictures(o.reshaped, rep.steps.size()))
        shown.pictures = RenderStepPictures(o.viewBefore, o.viewAfter, id, figures_);
      else
        shown.picturesLeftOut = o.changed && !(asked && o.viewAfter.items.empty());
      rep.steps.push_back(std::move(shown));
    }
    // The pages are read and kept for pictures only while one may still be drawn.
    const bool svg = !options_.svgDir.empty() && (options_.svgAll || svgSteps_ < kPictureSteps);
    const bool html = !options_.htmlFile.empty() && (options_.htmlAll || shapesPictured_ < kPictureSteps);
    const bool moves = options_.htmlAll || shapesPictured_ + static_cast<int>(movesPictured_.size()) < kPictureSteps;
    picturesOn_ = svg || html || options_.run.pictures;
    movesOn_ = svg || (html && moves) || options_.run.pictures;
    runner.SetPictures(picturesOn_);
    runner.SetPictureMoves(movesOn_);
    lastAt_ = rep.file + ":" + std::to_string(st.line);
    if (StopNow()) counts.interruptedAfter = st.line;
    return !interrupted_;
  }

  // Writes the step's --svg picture while under the cap (the first changing steps of the run).
  void WriteSvg(const Step& st, const StepOutcome& o, size_t fileIndex) {
    if (options_.svgDir.empty()) return;
    if (o.changed) ++svgChanging_;
    if (!o.changed || (picturesOn_ && movesOn_ && o.viewAfter.items.empty())) return;  // nothing to draw
    if (svgSteps_++ < kPictureSteps || options_.svgAll) {
      std::string path = SvgName(options_.svgDir, stems_[fileIndex], st.line);
      if (!WriteFile(path, RenderSvg(o.viewAfter, {options_.run.svgScale, true, ""}), err_))
        status_ = 2;
      else if (!options_.quiet)
        out_("        picture: " + path + "\n");
    } else if (svgSteps_ == kPictureSteps + 1) {
      err_("note: --svg wrote pictures of the first " + std::to_string(kPictureSteps) +
           " changing steps, and writes no more (--svg-all writes one for each)\n");
    }
  }

  // Whether the report draws this changing step (the `index`th of the current scenario): changes
  // of shape take the first place, up to the limit, from the latest selection move that had one.
  bool KeepPictures(bool reshaped, size_t index) {
    if (options_.htmlAll) return true;
    if (reshaped) {
      if (shapesPictured_ >= kPictureSteps) return false;
      ++shapesPictured_;
      if (shapesPictured_ + static_cast<int>(movesPictured_.size()) > kPictureSteps) {
        const auto [scenario, step] = movesPictured_.back();
        ReportStep& given = scenario == report_.size() ? current_->steps[step] : report_[scenario].steps[step];
        given.pictures.clear();
        given.picturesLeftOut = true;
        movesPictured_.pop_back();
      }
      return true;
    }
    if (shapesPictured_ + static_cast<int>(movesPictured_.size()) >= kPictureSteps) return false;
    movesPictured_.push_back({report_.size(), index});  // the current scenario goes next into report_
    return true;
  }

  // The end of a scenario: answers no prompt took are failures.
  void FinishScenario(ScenarioRunner& runner, ReportScenario& rep, FileCounts& counts) {
    StepOutcome o = runner.Finish();
    if (!o.failures) return;
    ReportStep rs;
    rs.source = "(end of the scenario)";
    rs.transcript = o.transcript;
    rs.failed = true;
    counts.Account(nullptr, o);
    out_("  end\n" + Indent(o.transcript, "        "));
    rep.steps.push_back(rs);
  }

  void EndFile(ReportScenario& rep, const FileCounts& c) {
    rep.failures = c.failedExpect + c.failedSteps;
    totalExpect_ += c.expectations;
    totalFailed_ += c.failedExpect;
    std::string line =
        rep.file + ": " + Plural(c.expectations, "expectation") + ", " + std::to_string(c.failedExpect) + " failed";
    if (c.failedSteps) line += ", " + Plural(c.failedSteps, "other step") + " failed";
    if (c.stoppedAt) line += ", stopped at line " + std::to_string(c.stoppedAt) + " by an error";
    if (c.interruptedAfter) line += ", interrupted after line " + std::to_string(c.interruptedAfter);
    if (c.problems) line += ", " + Plural(c.problems, "problem") + " noticed by the host";
    totalProblems_ += c.problems;
    out_(line + "\n\n");
    if (c.failedExpect || c.failedSteps || c.stoppedAt || c.interruptedAfter || c.problems) {
      ++failedFiles_;
      status_ = std::max(status_, 1);
    } else {
      ++passed_;
    }
    report_.push_back(rep);
  }

  int Summary() {
    if (files_.size() > 1) {
      out_(Plural(static_cast<int>(files_.size()), "scenario") + ": " + std::to_string(passed_) + " passed, " +
           std::to_string(failedFiles_) + " failed, " + std::to_string(notRun_) + " not run; " +
           Plural(totalExpect_, "expectation") + ", " + std::to_string(totalFailed_) + " failed" +
           (totalProblems_ ? "; " + Plural(totalProblems_, "problem") + " noticed by the host" : "") + "\n");
    }
    if (!options_.svgDir.empty() && !options_.svgAll && svgSteps_ > kPictureSteps)
      out_("svg: pictures of the first " + std::to_string(kPictureSteps) + " changing steps only (of " +
           std::to_string(svgChanging_) + ")\n");
    if (!options_.htmlFile.empty()) {
      const int drawn = shapesPictured_ + static_cast<int>(movesPictured_.size());
      if (!options_.htmlAll && drawn < changingSteps_)
        out_("report: pictures of " + std::to_string(drawn) + " of the " + std::to_string(changingSteps_) +
             " changing steps (changes of shape first, then selection moves; --html-all draws them all)\n");
      if (WriteFile(options_.htmlFile, RenderHtmlReport(report_, "ZorvanShapes scenarios"), err_))
        out_("report: " + options_.htmlFile + "\n");
      else
        status_ = 2;  // an output that cannot be written, as when it is refused before the run
    }
    return StopNow() ? 130 : status_;  // the shell's status for a program ended by Ctrl-C
  }

  const CliOptions& options_;
  const std::vector<std::string>& files_;
  const Output& out_;
  const Output& err_;
  RunOptions ro_;
  std::vector<std::string> stems_;
  std::vector<ReportScenario> report_;
  std::map<int, std::string> story_;   // the current file's comments before its steps
  PageFigures* figures_ = nullptr;     // the current file's shared page drawings
  ReportScenario* current_ = nullptr;  // the scenario being run, not yet in report_
  std::string stepText_;               // the step as the transcript shows it
  std::string lastAt_;                 // FILE:LINE of the last step carried out
  int passed_ = 0, failedFiles_ = 0, notRun_ = 0, totalExpect_ = 0, totalFailed_ = 0, totalProblems_ = 0, status_ = 0;
  int svgSteps_ = 0, svgChanging_ = 0;                    // changing steps --svg could draw; all of them
  int changingSteps_ = 0;                                 // for the report: all changing steps
  int shapesPictured_ = 0;                                // ... the pictured ones that changed shapes
  std::vector<std::pair<size_t, size_t>> movesPictured_;  // ... the pictured selection moves (scenario, step)
  bool picturesOn_ = true, movesOn_ = true;  // the runner keeps the pages for pictures; of selection moves too
  bool moduleDown_ = false, preambleShown_ = false, interrupted_ = false;
};

}  // namespace

int RunScenarioFiles(const CliOptions& options, const std::vector<std::string>& files, const Output& out,
                     const Output& err) {
  return FilesRun(options, files, out, err).Run();
}

}  // namespace zvhost
