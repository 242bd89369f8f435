// The guide for writers as one HTML page.
#include "host/view/guide_html.h"

#include <algorithm>

#include "host/model/text_lines.h"

namespace zvhost {

namespace {

// Readable at 800 pixels and wider without a horizontal scroll bar: pictures shrink to the
// column and stand one above the other in a narrow window; a shortcut never wraps inside.
// Printed, the table of all commands fills a page of its own, the contents list stays on the
// first page, and a section, a heading and its text, and the pictures stay together where they
// fit. No '<' or '&' here: the page is well-formed XML too.
const char* kGuideStyle = R"(
body { font-family: sans-serif; margin: 1.5em auto; padding: 0 1em; color: #222; max-width: 62em; line-height: 1.45; }
h1 { font-size: 1.6em; } h2 { font-size: 1.3em; margin-top: 2.2em; border-bottom: 1px solid #ccc; }
h3 { font-size: 1em; margin-bottom: 0.2em; }
p, li { max-width: 44em; }
.menu { background: #f6f8fa; padding: 0.4em 0.6em; border-left: 4px solid #0969da; }
.keys { white-space: nowrap; }
kbd { font-family: monospace; border: 1px solid #aaa; border-radius: 3px; padding: 0 0.3em; background: #fff; }
code { font-family: monospace; }
.pics { display: flex; flex-wrap: wrap; gap: 1em; align-items: flex-start; margin: 0.6em 0 0.2em; }
.pics figure { margin: 0; min-width: 0; max-width: 100%; }
.pics svg { border: 1px solid #ddd; max-width: 100%; height: auto; display: block; }
.pics figcaption { font-size: 0.85em; color: #555; }
p.caption { font-style: italic; margin-top: 0.2em; }
blockquote { margin: 0.3em 0 0.3em 1em; padding: 0.3em 0.6em; border-left: 4px solid #cf222e; background: #fff8f8; white-space: pre-line; }
blockquote.asks { border-left-color: #1a7f37; background: #f6fff8; }
table { border-collapse: collapse; width: 100%; font-size: 0.9em; }
th, td { border: 1px solid #ccc; padding: 0.25em 0.4em; text-align: left; vertical-align: top; }
th { background: #f0f0f0; }
td { overflow-wrap: anywhere; }
@media print {
  body { max-width: none; margin: 0; font-size: 10pt; }
  section { break-inside: avoid-page; }
  section.glance { break-before: page; break-after: page; font-size: 8.5pt; }
  h2, h3 { break-after: avoid-page; }
  .pics { flex-wrap: nowrap; break-inside: avoid-page; }
  .pics figure { flex: 1 1 0; }
  p, li, blockquote { orphans: 3; widows: 3; }
}
)";

std::string Paragraphs(const std::string& text) {
  std::string o;
  ForEachLine(text, [&](const std::string& para) {
    if (para.compare(0, 4, "### ") == 0)  // a heading within the section
      o += "<h3>" + XmlEscape(para.substr(4)) + "</h3>\n";
    else if (!para.empty())
      o += "<p>" + XmlEscape(para) + "</p>\n";
    return true;
  });
  return o;
}

// An SVG inlined as a picture with a text alternative: no XML declaration, role and label added.
std::string Labelled(const std::string& svg, const std::string& label) {
  size_t p = svg.find("<svg");
  if (p == std::string::npos) return svg;
  return "<svg role=\"img\" aria-label=\"" + XmlEscape(label) + "\"" + svg.substr(p + 4);
}

std::string Keys(const std::string& shortcut) {
  std::string o;
  const std::string keys = ShortcutKeys(shortcut);
  size_t start = 0;
  while (start < keys.size()) {
    size_t space = keys.find(' ', start);
    if (space == std::string::npos) space = keys.size();
    o += (o.empty() ? "" : " ") + std::string("<kbd>") + XmlEscape(keys.substr(start, space - start)) + "</kbd>";
    start = space + 1;
  }
  return "<span class=\"keys\">" + o + "</span>";  // one shortcut never wraps inside
}

std::string MenuLine(const GuideCommand& c) {
  std::string path;
  size_t start = 0;
  while (start <= c.path.size()) {
    size_t gt = c.path.find(" > ", start);
    std::string part = c.path.substr(start, gt == std::string::npos ? std::string::npos : gt - start);
    path += (path.empty() ? "" : " \u203A ") + XmlEscape(part);
    if (gt == std::string::npos) break;
    start = gt + 3;
  }
  return "<p class=\"menu\">Menu: <b>" + path + "</b><br/>Shortcut: " + Keys(c.shortcut) + " (typed as <code>" +
         XmlEscape(c.shortcut) + "</code> in FrameMaker's notation)</p>\n";
}

std::string Section(const GuideSection& s) {
  std::string o = "<section id=\"" + s.anchor + "\">\n<h2>" + XmlEscape(s.title) + "</h2>\n";
  if (s.command) o += MenuLine(*s.command);
  for (const GuideBlock& b : s.blocks) o += b.pictures.empty() ? Paragraphs(b.prose) : b.pictures;
  if (s.command) {
    o += "<h3>What it asks</h3>\n";
    if (s.asks.empty()) o += "<p>Nothing: it asks no questions.</p>\n";
    for (const std::string& a : s.asks) o += "<blockquote class=\"asks\">" + XmlEscape(a) + "</blockquote>\n";
    o += "<h3>What it refuses</h3>\n";
    if (s.refuses.empty()) o += "<p>Nothing: when there is nothing to do, it leaves the page as it is.</p>\n";
    if (!s.refuses.empty()) o += "<p>It shows one of these messages and changes nothing:</p>\n";
    for (const std::string& r : s.refuses) o += "<blockquote>" + XmlEscape(r) + "</blockquote>\n";
  }
  return o + "</section>\n";
}

std::string Glance(const Guide& g) {
  std::string o =
      "<section class=\"glance\" id=\"all-commands\">\n<h2>All commands at a glance</h2>\n"
      "<p>Print this page and keep it beside the keyboard.</p>\n<table>\n"
      "<thead><tr><th scope=\"col\">Command (menu)</th><th scope=\"col\">Shortcut</th>"
      "<th scope=\"col\">What it does</th></tr></thead>\n<tbody>\n";
  for (const GuideCommand& c : g.commands) {
    o += "<tr><td><a href=\"#" + c.anchor + "\">" + XmlEscape(c.path) + "</a></td><td>" + Keys(c.shortcut) +
         "</td><td>" + XmlEscape(c.summary) + "</td></tr>\n";
  }
  return o + "</tbody></table>\n</section>\n";
}

// Only the objects that reach into the picture's region: a writer sees no names of objects the
// crop left out.
PageView Within(PageView page, const PageBox& box) {
  auto outside = [&](const PageItem& it) {
    return it.x > box.x + box.w || it.x + it.w < box.x || it.y > box.y + box.h || it.y + it.h < box.y;
  };
  page.items.erase(std::remove_if(page.items.begin(), page.items.end(), outside), page.items.end());
  page.previous.erase(std::remove_if(page.previous.begin(), page.previous.end(), outside), page.previous.end());
  return page;
}

}  // namespace

std::string ShortcutKeys(const std::string& shortcut) {
  std::string o;
  size_t i = 0;
  if (shortcut.compare(0, 2, "\\!") == 0) {
    o = "Esc";
    i = 2;
  }
  for (; i < shortcut.size(); ++i) o += (o.empty() ? "" : " ") + std::string(1, shortcut[i]);
  return o;
}

std::string GuidePictures(const PageView& before, const PageView& after, const std::string& caption,
                          const std::string& alt, const std::vector<std::string>& show) {
  PageBox box = FocusOf(before, after);
  for (const PageItem& it : after.items) {
    if (std::find(show.begin(), show.end(), it.name) == show.end()) continue;
    // The object with room for its name above it, within the page.
    const double x0 = std::max(0.0, std::min(box.x, it.x - 12)), y0 = std::max(0.0, std::min(box.y, it.y - 18));
    const double x1 = std::min(after.width, std::max(box.x + box.w, it.x + it.w + 12));
    const double y1 = std::min(after.height, std::max(box.y + box.h, it.y + it.h + 12));
    box = {x0, y0, x1 - x0, y1 - y0};
  }
  // Two pictures side by side in a 62em column, or one above the other at its whole width when
  // the region is a wide band (a table and its title), so that its text stays readable.
  const double scale = std::clamp((box.w > 3 * box.h ? 880 : 440) / box.w, 0.5, 2.5);
  return "<div class=\"pics\"><figure>" +
         Labelled(RenderSvg(Within(before, box), {scale, false, "", box}), "Before: " + alt) +
         "<figcaption>before</figcaption></figure><figure>" +
         Labelled(RenderSvg(Within(after, box), {scale, false, "", box}), "After: " + alt) +
         "<figcaption>after</figcaption></figure></div>\n<p class=\"caption\">" + XmlEscape(caption) + "</p>\n";
}

std::string RenderGuideHtml(const Guide& g) {
  std::string o =
      "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"/>"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"/>"
      "<title>ZorvanShapes guide</title><style>" +
      std::string(kGuideStyle) + "</style></head><body>\n<header><h1>ZorvanShapes: a guide for writers</h1>\n";
  o += "<p>Every picture here was drawn from a run of the plug-in itself, " + XmlEscape(g.console) +
       ": what you see is what the command does.</p></header>\n<nav aria-label=\"Contents\"><h2>Contents</h2><ul>\n";
  bool glanceListed = false;
  for (const GuideSection& s : g.sections) {
    if (s.command && !glanceListed) {
      o += "<li><a href=\"#all-commands\">All commands at a glance</a></li>\n";
      glanceListed = true;
    }
    o += "<li><a href=\"#" + s.anchor + "\">" + XmlEscape(s.title) + "</a></li>\n";
  }
  o += "</ul></nav>\n<main>\n";
  bool glanceShown = false;
  for (const GuideSection& s : g.sections) {
    if (s.command && !glanceShown) {
      o += Glance(g);
      glanceShown = true;
    }
    o += Section(s);
  }
  return o + "</main>\n</body></html>\n";
}

}  // namespace zvhost
