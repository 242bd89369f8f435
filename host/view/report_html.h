// One self-contained HTML page for a run of scenarios: the scenario's own comments as the story,
// each step with its transcript, and the page before and after each changing command, cropped
// to what the step is about (SVG inlined; no scripts, no external resources). Runs of steps that
// passed without pictures are written as one text block, the steps that changed the document
// in bold; a run that changed nothing is folded.
#pragma once

#include <string>
#include <vector>

#include "host/view/svg_page.h"

namespace zvhost {

struct ReportStep {
  std::string source;  // the scenario line
  int line = 0;
  std::string transcript;    // what the step printed; "error: ..." when it could not be carried out
  bool failed = false;       // an expectation of this step failed
  bool expectation = false;  // an expect step: counted among the expectations, as the run counts
  std::string story;         // the scenario's comment lines just before the step
  bool setup = false;        // builds the page: runs of such steps are folded
  bool changed = false;      // changed the document (its selection included)
  std::string pictures;      // RenderStepPictures, empty when the step changed nothing
};

struct ReportScenario {
  std::string file;
  std::string module;
  std::string preamble;  // banner and menu as the host shows them
  std::vector<ReportStep> steps;
  int failures = 0;   // as the caller counted them; the report counts from the steps, as the run does
  std::string error;  // a scenario that could not run (bad line, module not loaded)
};

// The pictures of one step: before and after side by side (stacked on a narrow window), both
// showing the region of the selection and the changes, and the whole pages one click away. The
// drawings go through `book`, which one report's steps share so that a page is written once; the
// definitions the pictures need come first in what is returned. Without a book the step has its
// own, named after `id`, which must then differ for every step of a report.
std::string RenderStepPictures(const PageView& before, const PageView& after, const std::string& id,
                               PictureBook* book = nullptr);

std::string RenderHtmlReport(const std::vector<ReportScenario>& runs, const std::string& title);

}  // namespace zvhost
