// The HTML report of a run.
#include "host/report_html.h"

#include "host/svg_page.h"

namespace zvhost {

namespace {

// An inlined SVG without its XML declaration, which is not allowed inside HTML.
std::string Inline(const std::string& svg) {
  size_t p = svg.find("<svg");
  return p == std::string::npos ? svg : svg.substr(p);
}

const char* kStyle = R"(
body { font-family: sans-serif; margin: 2em; color: #222; }
h1 { font-size: 1.4em; } h2 { font-size: 1.15em; margin-top: 2em; border-bottom: 1px solid #ccc; }
pre { background: #f6f8fa; padding: 0.5em; margin: 0.2em 0; white-space: pre-wrap; }
.step { margin: 0.8em 0; padding-left: 0.6em; border-left: 4px solid #d0d7de; }
.step.failed { border-left-color: #cf222e; }
.src { font-family: monospace; font-weight: bold; }
.line { color: #888; font-family: monospace; }
.pics { display: flex; gap: 1.5em; align-items: flex-start; }
.pics figure { margin: 0; } .pics svg { border: 1px solid #ddd; max-width: 46vw; height: auto; }
figcaption { font-size: 0.85em; color: #555; }
.ok { color: #1a7f37; } .bad { color: #cf222e; font-weight: bold; }
)";

}  // namespace

std::string RenderHtmlReport(const std::vector<ReportScenario>& runs, const std::string& title) {
  std::string o = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>" + XmlEscape(title) +
                  "</title><style>" + kStyle + "</style></head><body>\n";
  o += "<h1>" + XmlEscape(title) + "</h1>\n<ul>\n";
  for (size_t i = 0; i < runs.size(); ++i) {
    const ReportScenario& r = runs[i];
    bool bad = r.failures > 0 || !r.error.empty();
    o += "<li><a href=\"#s" + std::to_string(i) + "\">" + XmlEscape(r.file) + "</a> <span class=\"" +
         (bad ? "bad\">" : "ok\">") +
         (bad ? (r.error.empty() ? std::to_string(r.failures) + " expectation(s) failed" : std::string("error"))
              : std::string("passed")) +
         "</span></li>\n";
  }
  o += "</ul>\n";
  for (size_t i = 0; i < runs.size(); ++i) {
    const ReportScenario& r = runs[i];
    o += "<h2 id=\"s" + std::to_string(i) + "\">" + XmlEscape(r.file) + "</h2>\n";
    if (!r.module.empty()) o += "<p>Module: <code>" + XmlEscape(r.module) + "</code></p>\n";
    if (!r.preamble.empty()) o += "<pre>" + XmlEscape(r.preamble) + "</pre>\n";
    for (const ReportStep& s : r.steps) {
      o += std::string("<div class=\"step") + (s.failed ? " failed" : "") + "\"><span class=\"line\">" +
           std::to_string(s.line) + "</span> <span class=\"src\">" + XmlEscape(s.source) + "</span>\n";
      if (!s.transcript.empty()) o += "<pre>" + XmlEscape(s.transcript) + "</pre>\n";
      if (!s.svgAfter.empty()) {
        o += "<div class=\"pics\">";
        if (!s.svgBefore.empty()) o += "<figure>" + Inline(s.svgBefore) + "<figcaption>before</figcaption></figure>";
        o += "<figure>" + Inline(s.svgAfter) + "<figcaption>after</figcaption></figure></div>\n";
      }
      o += "</div>\n";
    }
    if (!r.error.empty()) o += "<p class=\"bad\">" + XmlEscape(r.error) + "</p>\n";
    o += std::string("<p class=\"") + (r.failures || !r.error.empty() ? "bad\">" : "ok\">") +
         (r.error.empty() ? std::to_string(r.failures) + " expectation(s) failed" : "stopped") + "</p>\n";
  }
  o += "</body></html>\n";
  return o;
}

}  // namespace zvhost
