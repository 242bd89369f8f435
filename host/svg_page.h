// A picture of one page: what the scenario runner reads from the document model, laid out in
// page coordinates (points), and its rendering as SVG.
#pragma once

#include <string>
#include <vector>

namespace zvhost {

struct PageItem {
  std::string name;                   // scenario name, or "#<id>" for an object the scenario did not name
  int type = 0;                       // object type code (top 8 bits of the id)
  std::string kind;                   // "frame", "rect", "text", "anchored", "table", "paragraph" ...
  double x = 0, y = 0, w = 0, h = 0;  // on the page, in points
  bool selected = false;
  double outline = 1;  // outline width in points
  bool filled = true;
  std::string text;  // paragraph text, table title
  // Tables: column widths in points, rows, the left indent, and the selected cell block.
  std::vector<double> columns;
  int rows = 0;
  int selRow0 = -1, selRow1 = -1, selCol0 = -1, selCol1 = -1;
  bool cursor = false;   // paragraphs: the insertion point stands here
  bool changed = false;  // the last command changed it
};

struct PageView {
  std::string document;
  double width = 612, height = 792;
  std::vector<PageItem> items;  // in drawing order: later items are drawn on top
};

struct SvgOptions {
  double scale = 1;        // pixels per point of the width/height attributes
  bool standalone = true;  // XML declaration (for a file) or not (inlined in HTML)
  std::string title;       // caption under the page
};

std::string RenderSvg(const PageView& page, const SvgOptions& opt = {});
// Text made safe inside XML and HTML: markup characters as entities, control bytes as '?'.
std::string XmlEscape(const std::string& s);
// The page as text, one object per line: "fig  rect  at 10 20  size 100 x 50  [selected]".
std::string PageText(const PageView& page);

// Colours the pictures use, so tests can look for them.
constexpr const char* kSvgSelectedColor = "#1f6feb";
constexpr const char* kSvgChangedColor = "#d93f0b";
constexpr const char* kSvgInkColor = "#000000";
constexpr const char* kSvgFillColor = "#e8eef5";

}  // namespace zvhost
