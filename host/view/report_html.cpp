// The HTML report of a run.
#include "host/view/report_html.h"

#include <algorithm>
#include <cstdio>

#include "host/model/text_lines.h"

namespace zvhost {

namespace {

// Pictures never need a horizontal scroll bar: they shrink to the column and stack when the
// window is narrow, and stand side by side from 1240 pixels (a 1280-pixel window with its scroll
// bar), shrinking a little to fit; the steps wrap long lines. No '<' or '&' here: the report is
// well-formed XML too.
const char* kStyle = R"(
body { font-family: sans-serif; margin: 1.5em auto; padding: 0 1em; color: #222; max-width: 1320px; }
h1 { font-size: 1.4em; } h2 { font-size: 1.15em; margin-top: 2em; border-bottom: 1px solid #ccc; }
pre { background: #f6f8fa; padding: 0.5em; margin: 0.2em 0; white-space: pre-wrap; overflow-wrap: anywhere; }
.step { margin: 0.8em 0; padding-left: 0.6em; border-left: 4px solid #d0d7de; overflow-wrap: anywhere; }
.step.failed { border-left-color: #cf222e; }
.story { margin: 1.4em 0 0.4em; font-style: italic; color: #333; max-width: 60em; }
.src { font-family: monospace; font-weight: bold; }
.line { color: #888; font-family: monospace; }
.pics { display: flex; flex-wrap: wrap; gap: 1em; align-items: flex-start; }
.pics figure { margin: 0; min-width: 0; max-width: 100%; }
@media (min-width: 1240px) { .pics { flex-wrap: nowrap; } }
.pics svg { border: 1px solid #ddd; max-width: 100%; height: auto; display: block; }
details.whole > summary, details.setup > summary, details.run > summary { cursor: pointer; color: #0969da; font-size: 0.9em; }
details.setup, details.run { margin: 0.8em 0; }
pre.run { border-left: 4px solid #d0d7de; margin: 0.8em 0; }
pre.run b { color: #0550ae; }
figcaption { font-size: 0.85em; color: #555; }
.note { border-left: 4px solid #bf8700; padding-left: 0.6em; max-width: 60em; }
.ok { color: #1a7f37; } .bad { color: #cf222e; font-weight: bold; }
)";

std::string Story(const std::string& text) {
  std::string o;
  ForEachLine(text, [&](const std::string& para) {
    if (!para.empty()) o += "<p class=\"story\">" + XmlEscape(para) + "</p>\n";
    return true;
  });
  return o;
}

void AppendText(std::string& o, const std::string& s) {
  AppendXmlText(o, s, true);  // only what text content needs: transcripts are long
}

// Steps that passed without pictures, as one text block: each step's line number and line, its
// transcript below, indented; the steps that changed the document in bold. A run that changed
// nothing is folded under one line.
std::string Run(std::vector<ReportStep>::const_iterator begin, std::vector<ReportStep>::const_iterator end) {
  bool changes = std::any_of(begin, end, [](const ReportStep& s) { return s.changed; });
  std::string o;
  if (!changes)
    o += "<details class=\"run\"><summary>" + std::to_string(end - begin) + " steps that changed nothing, lines " +
         std::to_string(begin->line) + " to " + std::to_string((end - 1)->line) + "</summary>";
  o += "<pre class=\"run\">";
  for (auto s = begin; s != end; ++s) {
    if (s->changed) o += "<b>";
    o += std::to_string(s->line);
    o += ' ';
    AppendText(o, s->source);
    if (s->changed) o += "</b>";
    o += '\n';
    size_t start = 0;
    while (start < s->transcript.size()) {
      size_t nl = s->transcript.find('\n', start);
      size_t stop = nl == std::string::npos ? s->transcript.size() : nl;
      o += "  ";
      AppendText(o, s->transcript.substr(start, stop - start));
      o += '\n';
      start = stop + 1;
    }
  }
  o += changes ? "</pre>\n" : "</pre></details>\n";
  return o;
}

std::string Step(const ReportStep& s) {
  std::string o = Story(s.story);
  o += std::string("<div class=\"step") + (s.failed ? " failed" : "") + "\"><span class=\"line\">" +
       std::to_string(s.line) + "</span> <span class=\"src\">" + XmlEscape(s.source) + "</span>\n";
  if (!s.transcript.empty()) o += "<pre>" + XmlEscape(s.transcript) + "</pre>\n";
  o += s.pictures;
  return o + "</div>\n";
}

// A scenario's outcome counted as the run counts it on the command line: the expectations, how
// many passed and failed, and apart from them the other steps that failed (a command that left
// an answer unused, the scenario's end with answers left over). A step that could not be carried
// out stopped the scenario: it is said, not counted.
struct Outcome {
  int expectations = 0, failedExpectations = 0;
  std::vector<const ReportStep*> otherFailures;
  bool bad = false;
  std::string text;
};

Outcome OutcomeOf(const ReportScenario& r) {
  Outcome c;
  for (const ReportStep& s : r.steps) {
    if (s.expectation) {
      ++c.expectations;
      c.failedExpectations += s.failed ? 1 : 0;
    } else if (s.failed && s.transcript.rfind("error: ", 0) != 0) {
      c.otherFailures.push_back(&s);
    }
  }
  const int others = static_cast<int>(c.otherFailures.size());
  c.bad = c.failedExpectations > 0 || others > 0 || !r.error.empty();
  if (r.steps.empty() && !r.error.empty()) {
    c.text = r.error.rfind("not run", 0) == 0 ? r.error : "not run: " + r.error;
    return c;
  }
  c.text = Plural(c.expectations, "expectation") + ", " + std::to_string(c.expectations - c.failedExpectations) +
           " passed, " + std::to_string(c.failedExpectations) + " failed";
  if (others) c.text += ", " + Plural(others, "other step") + " failed";
  if (!r.error.empty()) c.text += "; stopped: " + r.error;
  return c;
}

// The other steps that failed, each with what it said first, so that an unused answer is not
// taken for a failed expectation.
std::string OtherFailures(const Outcome& c) {
  if (c.otherFailures.empty()) return "";
  std::string o = "<p class=\"bad\">Other steps that failed:</p>\n<ul>\n";
  for (const ReportStep* s : c.otherFailures) {
    size_t at = s->transcript.find("FAILED: ");
    size_t end = at == std::string::npos ? 0 : s->transcript.find('\n', at);
    std::string what = at == std::string::npos ? s->transcript : s->transcript.substr(at + 8, end - at - 8);
    o += "<li>" + (s->line ? "line " + std::to_string(s->line) : std::string("the end")) + ": " + XmlEscape(what) +
         "</li>\n";
  }
  return o + "</ul>\n";
}

}  // namespace

std::string RenderHtmlReport(const std::vector<ReportScenario>& runs, const std::string& title) {
  std::string o =
      "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"/>"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"/><title>" +
      XmlEscape(title) + "</title><style>" + kStyle + "</style></head><body>\n";
  o += "<h1>" + XmlEscape(title) + "</h1>\n<ul>\n";
  for (size_t i = 0; i < runs.size(); ++i) {
    const Outcome c = OutcomeOf(runs[i]);
    o += "<li><a href=\"#s" + std::to_string(i) + "\">" + XmlEscape(runs[i].file) + "</a> <span class=\"" +
         (c.bad ? "bad" : "ok") + "\">" + XmlEscape(c.text) + "</span></li>\n";
  }
  o += "</ul>\n";
  for (size_t i = 0; i < runs.size(); ++i) {
    const ReportScenario& r = runs[i];
    o += "<h2 id=\"s" + std::to_string(i) + "\">" + XmlEscape(r.file) + "</h2>\n";
    if (!r.module.empty()) o += "<p>Module: <code>" + XmlEscape(r.module) + "</code></p>\n";
    o += r.definitions;
    // Where the pictures stop, said at the top and at the step, and how to have them all.
    const auto leftOut =
        std::find_if(r.steps.begin(), r.steps.end(), [](const ReportStep& s) { return s.picturesLeftOut; });
    const size_t stop = static_cast<size_t>(leftOut - r.steps.begin());
    if (leftOut != r.steps.end()) {
      const long none =
          std::count_if(r.steps.begin(), r.steps.end(), [](const ReportStep& s) { return s.picturesLeftOut; });
      o +=
          "<p class=\"note\">Not every changing step has pictures: " + Plural(static_cast<int>(none), "changing step") +
          " of this scenario " + (none == 1 ? "has" : "have") + " none, from <a href=\"#s" + std::to_string(i) +
          "-stop\">line " + std::to_string(leftOut->line) + "</a> on.</p>\n";
    }
    if (!r.preamble.empty())
      o += "<details class=\"setup\"><summary>console and menu at start-up</summary><pre>" + XmlEscape(r.preamble) +
           "</pre></details>\n";
    for (size_t k = 0; k < r.steps.size();) {
      if (k == stop)
        o +=
            "<p class=\"note\" id=\"s" + std::to_string(i) + "-stop\">Pictures stop here. A run draws the " +
            "pictures of at most " + std::to_string(r.pictureLimit) + " changing steps: those that change shapes " +
            "first (pastes, resizes, undo and redo, new objects), then those that only move the selection. From this " +
            "step on, not every changing step has them (zorvan-host run --html-all draws every one).</p>\n";
      // Steps that build the page are folded together under one line, opened on a click; a
      // failed one keeps its group open.
      size_t end = k;
      while (end < r.steps.size() && r.steps[end].setup) ++end;
      if (end - k < 2) {
        // Other steps that passed and have no pictures go together as text, up to the next
        // part of the story.
        end = k;
        auto plain = [&](const ReportStep& s) {
          return !s.failed && s.pictures.empty() && !s.setup && (end == k || (s.story.empty() && end != stop));
        };
        while (end < r.steps.size() && plain(r.steps[end])) ++end;
        if (end - k < 2) {
          o += Step(r.steps[k++]);
        } else {
          o += Story(r.steps[k].story);
          o += Run(r.steps.begin() + static_cast<long>(k), r.steps.begin() + static_cast<long>(end));
          k = end;
        }
        continue;
      }
      bool failed = std::any_of(r.steps.begin() + static_cast<long>(k), r.steps.begin() + static_cast<long>(end),
                                [](const ReportStep& s) { return s.failed; });
      o += Story(r.steps[k].story);
      o += std::string("<details class=\"setup\"") + (failed ? " open=\"open\"" : "") +
           "><summary>setting up: " + std::to_string(end - k) + " steps, lines " + std::to_string(r.steps[k].line) +
           " to " + std::to_string(r.steps[end - 1].line) + "</summary>\n";
      for (size_t j = k; j < end; ++j) {
        ReportStep s = r.steps[j];
        if (j == k) s.story.clear();
        o += Step(s);
      }
      o += "</details>\n";
      k = end;
    }
    const Outcome c = OutcomeOf(r);
    o += std::string("<p class=\"") + (c.bad ? "bad" : "ok") + "\">" + XmlEscape(c.text) + "</p>\n" + OtherFailures(c);
  }
  o += "</body></html>\n";
  return o;
}

}  // namespace zvhost
