// The two ways a person uses the reference host: running scenario files (with a transcript,
// pictures and an HTML report) and the interactive shell. main.cpp only reads the command line.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "host/scenario/runner.h"
#include "host/view/report_html.h"

namespace zvhost {

struct CliOptions {
  RunOptions run;
  std::string svgDir;    // write an SVG of the page after each changing command (the first 150)
  bool svgAll = false;   // --svg-all: an SVG for every changing command, however many
  std::string htmlFile;  // write one HTML report of the whole run
  bool htmlAll = false;  // --html-all: pictures of every changing step in the report
  bool quiet = false;    // only failures and the summary
};

using Output = std::function<void(const std::string&)>;

// Runs every file in its own freshly started host; prints the transcript on `out` and the
// diagnostics (error: ...) on `err`; after each file, every problem the host noticed ("problem:
// ..."). Returns the process exit status: 0 when every scenario ran to its end and every
// expectation held; 1 when an expectation or a step failed, the host noticed a problem, a
// scenario stopped at an error, or a file could not be read, was not a scenario or had no
// steps; 2 when the module could not be started or an output (--svg, --html) cannot be
// written; 130 when a Ctrl-C (SIGINT) stopped the run after the step it came in (what ran is
// summed up and reported). A crash of the module ends the program (main.cpp: status 3).
int RunScenarioFiles(const CliOptions& options, const std::vector<std::string>& files, const Output& out,
                     const Output& err);

// The interactive shell: the same language, one line at a time, plus help, show, menu, svg
// and quit. Reads `in` (a terminal with line editing, or a pipe); the transcript goes to `out`,
// the lines that could not be carried out to `err` (error: ...), at the end what the host
// noticed (problem: ...). Returns 0; 1 when an expectation failed, a line could not be carried
// out during the session or the host noticed a problem; 2 when the module
// could not be started or the --html file cannot be written.
int RunShell(const CliOptions& options, std::FILE* in, const Output& out, const Output& err);

// The program's command line (without the program name): "run [options] FILE...", "shell",
// "help". Returns the exit status; usage errors give 2.
int RunCommandLine(const std::vector<std::string>& args, std::FILE* in, const Output& out, const Output& err);
std::string Usage();

// The transcript of one step: its line and what it printed, indented.
std::string FormatStep(const Step& step, const StepOutcome& outcome);

// The help text of the language (shell "help TOPIC", "zorvan-host help"), in lines of at most 80
// columns: one topic ("build", "act", "expect") or, for any other, all of them.
std::string LanguageHelp(const std::string& topic = "");

// Words that can end the shell line `before` (the line up to the cursor): step and shell words
// first, then object names, properties after "NAME.", menu labels after "choose" (one word at a
// time), kinds of graphic, the keywords of the language.
std::vector<std::string> CompleteShellLine(ScenarioRunner& runner, const std::string& before);

// A step as the report shows it, with its pictures when `pictures` is set; `id` tells them apart
// from every other step's. With `figures`, the pictures share the page drawings of the other
// steps of the scenario.
ReportStep ReportStepOf(const Step& step, const StepOutcome& outcome, const std::string& id, bool pictures = true,
                        PageFigures* figures = nullptr);

// The --svg file of each scenario, by its base name; scenarios of the same base name (in two
// directories, or given twice) get "-2", "-3" ... so that no picture overwrites another.
std::vector<std::string> SvgStems(const std::vector<std::string>& files);

}  // namespace zvhost
