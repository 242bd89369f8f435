// One self-contained HTML page for a run of scenarios: the scenario's own comments as the story,
// each step with its transcript, and the page before and after each changing command, cropped
// to what the step is about (SVG inlined; no scripts, no external resources). Runs of steps that
// passed without pictures are written as one text block, the steps that changed the document
// in bold; a run that changed nothing is folded.
#pragma once

#include <string>
#include <vector>

#include "host/view/report_pictures.h"

namespace zvhost {

struct ReportStep {
  std::string source;  // the scenario line
  int line = 0;
  std::string transcript;        // what the step printed; "error: ..." when it could not be carried out
  bool failed = false;           // an expectation of this step failed
  bool expectation = false;      // an expect step: counted among the expectations, as the run counts
  std::string story;             // the scenario's comment lines just before the step
  bool setup = false;            // builds the page: runs of such steps are folded
  bool changed = false;          // changed the document (its selection included)
  std::string pictures;          // RenderStepPictures, empty when the step changed nothing
  bool picturesLeftOut = false;  // it changed the page, but the run's pictures went to other steps
};

struct ReportScenario {
  std::string file;
  std::string module;
  std::string preamble;  // banner and menu as the host shows them
  std::vector<ReportStep> steps;
  int failures = 0;         // as the caller counted them; the report counts from the steps, as the run does
  std::string error;        // a scenario that could not run (bad line, module not loaded)
  std::string definitions;  // the page drawings its steps' pictures share (PageFigures)
  int pictureLimit = 0;     // how many changing steps of a run get pictures (for the report's note)
};

std::string RenderHtmlReport(const std::vector<ReportScenario>& runs, const std::string& title);

}  // namespace zvhost
