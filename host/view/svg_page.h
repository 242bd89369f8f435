// A picture of one page: what the scenario runner reads from the document model, laid out in
// page coordinates (points), and its rendering as SVG.
#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace zvhost {

struct PageItem {
  uint32_t id = 0;                    // the object, to find it again in another picture of the page
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
  int cursorRow = -1, cursorCol = -1;  // the cell that holds the insertion point
  bool cursor = false;                 // paragraphs: the insertion point stands here
  bool changed = false;                // the last command changed it
};

struct PageView {
  std::string document;
  double width = 612, height = 792;
  std::vector<PageItem> items;  // in drawing order: later items are drawn on top
  // Where the objects the last command moved or resized were before it (drawn dashed).
  std::vector<PageItem> previous;
};

// A region of the page, in points.
struct PageBox {
  double x = 0, y = 0, w = 0, h = 0;
  bool Empty() const { return w <= 0 || h <= 0; }
};

struct SvgOptions {
  SvgOptions(double scale_ = 1, bool standalone_ = true, std::string title_ = "", PageBox view_ = {})
      : scale(scale_), standalone(standalone_), title(std::move(title_)), view(view_) {}
  double scale;       // pixels per point of the width/height attributes
  bool standalone;    // XML declaration (for a file) or not (inlined in HTML)
  std::string title;  // caption under the page
  PageBox view;       // the part of the page drawn; empty: the whole page
  // Only these objects are named (for a report: what the step is about); the others, drawn
  // without names, go in runs of one path per style. Null: every object is named, as it fits.
  const std::set<uint32_t>* named = nullptr;
  // Draws the page and its objects in place of the picture's own drawing (for a report that
  // holds a drawing of the page once); the changes, names and captions still follow.
  std::function<std::string(const PageView& page, const PageBox& view)> body;
};

// Draws the page, or the part `opt.view` names: then only the objects whose shape or name lies in
// it, names near its edge moved inside. Names that would cover one another move right; on a
// crowded page (over 150 objects) they are left out instead, and from the whole page
// altogether, but for what is selected or changed: no cascade of names hides the page. The
// objects the last command changed are drawn again on top, outlined, with their previous
// outlines dashed; when a change is smaller than 2 pixels at this scale (a quarter-point inset,
// a nudge), a magnified view of it is added below the picture.
std::string RenderSvg(const PageView& page, const SvgOptions& opt = {});
// The page's sheet and `items` in order, without names; with `merged`, runs of plain shapes of
// one style that nothing marks (selected, changed) are one path each: a crowded page is then a
// few elements, whatever its size.
std::string DrawItems(const PageView& page, const std::vector<const PageItem*>& items, bool merged,
                      double textSize = 8);
// The region an object covers, with a negative width or height turned into the rectangle it spans.
PageBox BoxOf(const PageItem& it);
bool Meets(const PageBox& a, const PageBox& b);
// A length with at most 4 decimals and no trailing zeros, as the pictures write them.
std::string SvgNumber(double v);
// The region a reader needs to see a step: what is selected and what changed, in either picture,
// with room for the names around it, and whole what its edge would cut of a line of text or a
// small shape; the whole page when nothing is selected or changed.
PageBox FocusOf(const PageView& before, const PageView& after);
// Text made safe inside XML and HTML, whatever its bytes: markup characters as entities, control
// bytes as '?', bytes that are not UTF-8 as U+FFFD.
std::string XmlEscape(const std::string& s);
// The same appended to `o`; with `markupOnly`, only what text content needs ('&', '<', and the
// '>' of "]]>"), for long transcripts.
void AppendXmlText(std::string& o, const std::string& s, bool markupOnly = false);
// The page as text, one object per line: "fig  rect  at 10 20  size 100 x 50  [selected]".
std::string PageText(const PageView& page);

// Colours the pictures use, so tests can look for them.
constexpr const char* kSvgSelectedColor = "#1f6feb";
constexpr const char* kSvgChangedColor = "#d93f0b";
constexpr const char* kSvgInkColor = "#000000";
constexpr const char* kSvgFillColor = "#e8eef5";

}  // namespace zvhost
