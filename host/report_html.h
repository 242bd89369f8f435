// One self-contained HTML page for a run of scenarios: each step with its transcript, and the
// page before and after each changing command, side by side (SVG inlined).
#pragma once

#include <string>
#include <vector>

namespace zvhost {

struct ReportStep {
  std::string source;  // the scenario line
  int line = 0;
  std::string transcript;  // what the step printed
  bool failed = false;     // an expectation of this step failed
  std::string svgBefore;   // inlined pictures, empty when the step changed nothing
  std::string svgAfter;
};

struct ReportScenario {
  std::string file;
  std::string module;
  std::string preamble;  // banner and menu as the host shows them
  std::vector<ReportStep> steps;
  int failures = 0;
  std::string error;  // a scenario that could not run (bad line, module not loaded)
};

std::string RenderHtmlReport(const std::vector<ReportScenario>& runs, const std::string& title);

}  // namespace zvhost
