// SVG and text pictures of a page.
#include "host/view/svg_page.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>

#include "host/model/numbers.h"
#include "host/model/text_lines.h"

namespace zvhost {

namespace {

// A length with at most 4 decimals and no trailing zeros. Pictures of crowded pages write
// hundreds of thousands of them, so the usual ones are written without printf.
std::string Num(double v) {
  if (!(std::fabs(v) < 1e12)) {  // NaN and the very large, as printf writes them
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.4f", v);
    return buf;
  }
  long long n = std::llround(v * 10000);
  std::string s = n < 0 ? "-" : "";
  const unsigned long long a = static_cast<unsigned long long>(n < 0 ? -n : n);
  s += std::to_string(a / 10000);
  unsigned frac = static_cast<unsigned>(a % 10000);
  if (frac) {
    char digits[6] = {
        '.', char('0' + frac / 1000), char('0' + frac / 100 % 10), char('0' + frac / 10 % 10), char('0' + frac % 10),
        0};
    int len = 5;
    while (digits[len - 1] == '0') --len;
    s.append(digits, static_cast<size_t>(len));
  }
  return s == "-0" ? "0" : s;
}

}  // namespace

PageBox BoxOf(const PageItem& it) {
  PageBox b{it.x, it.y, it.w, it.h};
  if (b.w < 0) b.x += b.w, b.w = -b.w;
  if (b.h < 0) b.y += b.h, b.h = -b.h;
  return b;
}

bool Meets(const PageBox& a, const PageBox& b) {
  return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

std::string SvgNumber(double v) {
  return Num(v);
}

namespace {

bool IsFrame(const PageItem& it) {
  return IsFrameType(it.type);
}

// The names of one picture. Each is placed so that a later one moves right instead of covering
// an earlier one, inside the view when the picture shows part of the page, and drawn after every
// shape so that no shape covers a name.
struct Names {
  double size = 7, textSize = 8;  // of names and of paragraph text, in points: larger when the
                                  // picture is drawn small, so that they stay legible
  PageBox view;
  bool cropped = false;
  bool crowded = false;  // a name that would have to move is left out, but for what the step is about
  std::map<long, std::vector<PageBox>> rows;  // the names placed, by line (y / size)
  size_t placed = 0;
  std::vector<std::string> pieces;

  // Wide enough for digits in the usual sans-serif faces, with the white edge around the letters.
  double Width(const std::string& name) const { return 0.64 * size * static_cast<double>(name.size()) + 3; }
  void Add(const PageItem& it, double x, double y);
};

void Names::Add(const PageItem& it, double x, double y) {
  // The whole of a crowded page is a map of where things are: names only for the step's own.
  if (crowded && !cropped && !it.selected && !it.changed) return;
  const double w = Width(it.name);
  if (cropped) {  // a name cut by the picture's edge reads as another name
    x = std::fmax(view.x + 1, std::fmin(x, view.x + view.w - w - 1));
    y = std::fmax(view.y + size, std::fmin(y, view.y + view.h - 2));
  }
  const double line = std::floor(y / size);
  const long row = std::fabs(line) < 1e9 ? static_cast<long>(line) : 0;  // NaN too: one line for all
  // Each move goes past one name, so there are at most as many moves as names; the margin
  // keeps x87 extended precision from seeing a name it was just moved past.
  for (size_t moves = 0; moves <= placed; ++moves) {
    bool moved = false;
    for (long r = row - 1; r <= row + 1; ++r) {
      auto line = rows.find(r);
      if (line == rows.end()) continue;
      for (const PageBox& b : line->second)
        if (std::fabs(b.y - y) < size && x + 0.01 < b.x + b.w && b.x < x + w - 0.01) {
          x = b.x + b.w;
          moved = true;
        }
    }
    if (!moved) break;
    if (crowded && !it.selected && !it.changed) return;  // a cascade of names helps nobody
  }
  rows[row].push_back({x, y, w, size});
  ++placed;
  // The rest of a name's style is the names' group's (see RenderSvg), so that a name costs little.
  pieces.push_back("<text x=\"" + Num(x) + "\" y=\"" + Num(y) + "\" font-size=\"" + Num(size) + "\"" +
                   (it.changed ? std::string(" fill=\"") + kSvgChangedColor + "\"" : std::string()) + ">" +
                   XmlEscape(it.name) + "</text>\n");
}

void Handles(std::string& o, const PageItem& it) {
  const double s = 3;
  double xs[2] = {it.x, it.x + it.w}, ys[2] = {it.y, it.y + it.h};
  for (double hx : xs)
    for (double hy : ys)
      o += "<rect x=\"" + Num(hx - s / 2) + "\" y=\"" + Num(hy - s / 2) + "\" width=\"" + Num(s) + "\" height=\"" +
           Num(s) + "\" fill=\"" + kSvgSelectedColor + "\"/>\n";
}

bool IsLine(const PageItem& it) {
  return it.kind == "line" || it.kind == "polyline";
}

// A shape's paint: fill, stroke and its width (a line is only stroked).
std::string ShapeStyle(const PageItem& it) {
  std::string stroke = it.selected ? kSvgSelectedColor : it.changed ? kSvgChangedColor : kSvgInkColor;
  if (IsLine(it))
    return " fill=\"none\" stroke=\"" + stroke + "\" stroke-width=\"" + Num(it.outline > 0 ? it.outline : 1) + "\"";
  std::string fill = it.filled ? kSvgFillColor : "none";
  if (it.outline <= 0) return " fill=\"" + fill + "\" stroke=\"none\"";
  return " fill=\"" + fill + "\" stroke=\"" + stroke + "\" stroke-width=\"" + Num(it.outline) + "\"";
}

// The shape as path data, drawn clockwise (so that shapes merged into one path never cut holes
// in one another).
void ShapePath(std::string& d, const PageItem& it) {
  const PageBox b = BoxOf(it);
  const std::string w = Num(b.w), h = Num(b.h);
  if (it.kind == "oval" || it.kind == "arc") {
    const std::string arc = "a" + Num(b.w / 2) + " " + Num(b.h / 2) + " 0 1 1 ";
    d += "M" + Num(b.x) + " " + Num(b.y + b.h / 2) + arc + w + " 0" + arc + "-" + w + " 0z";
  } else if (IsLine(it)) {
    d += "M" + Num(b.x) + " " + Num(b.y + b.h) + "l" + w + " -" + h;
  } else if (it.kind == "polygon") {
    d += "M" + Num(b.x + b.w / 2) + " " + Num(b.y) + "L" + Num(b.x + b.w) + " " + Num(b.y + b.h) + "h-" + w + "z";
  } else if (it.kind == "roundrect") {  // corners of a sixth of the shorter side, as Shape draws them
    const double r = std::fmin(b.w, b.h) / 6;
    const std::string a = "a" + Num(r) + " " + Num(r) + " 0 0 1 ", sw = Num(b.w - 2 * r), sh = Num(b.h - 2 * r);
    d += "M" + Num(b.x + r) + " " + Num(b.y) + "h" + sw + a + Num(r) + " " + Num(r) + "v" + sh + a + "-" + Num(r) +
         " " + Num(r) + "h-" + sw + a + "-" + Num(r) + " -" + Num(r) + "v-" + sh + a + Num(r) + " -" + Num(r) + "z";
  } else {
    d += "M" + Num(b.x) + " " + Num(b.y) + "h" + w + "v" + h + "h-" + w + "z";
  }
}

void Shape(std::string& o, const PageItem& it) {
  std::string stroke = it.selected ? kSvgSelectedColor : it.changed ? kSvgChangedColor : kSvgInkColor;
  std::string style = ShapeStyle(it);
  double x = it.x, y = it.y, w = it.w, h = it.h;
  // Negative sizes are legal in the model; draw them as the rectangle they span.
  if (w < 0) x += w, w = -w;
  if (h < 0) y += h, h = -h;
  if (it.kind == "oval" || it.kind == "arc") {
    o += "<ellipse cx=\"" + Num(x + w / 2) + "\" cy=\"" + Num(y + h / 2) + "\" rx=\"" + Num(w / 2) + "\" ry=\"" +
         Num(h / 2) + "\"" + style + "/>\n";
  } else if (it.kind == "line" || it.kind == "polyline") {
    o += "<line x1=\"" + Num(x) + "\" y1=\"" + Num(y + h) + "\" x2=\"" + Num(x + w) + "\" y2=\"" + Num(y) +
         "\" stroke=\"" + stroke + "\" stroke-width=\"" + Num(it.outline > 0 ? it.outline : 1) + "\"/>\n";
  } else if (it.kind == "polygon") {
    o += "<polygon points=\"" + Num(x + w / 2) + "," + Num(y) + " " + Num(x + w) + "," + Num(y + h) + " " + Num(x) +
         "," + Num(y + h) + "\"" + style + "/>\n";
  } else {
    std::string rx = it.kind == "roundrect" ? " rx=\"" + Num(std::fmin(w, h) / 6) + "\"" : "";
    o += "<rect x=\"" + Num(x) + "\" y=\"" + Num(y) + "\" width=\"" + Num(w) + "\" height=\"" + Num(h) + "\"" + rx +
         style + "/>\n";
  }
}

void Table(std::string& o, const PageItem& it) {
  const double rowH = it.rows > 0 ? it.h / it.rows : it.h;
  if (it.selRow0 >= 0) {
    double cx = it.x;
    for (int c = 0; c < static_cast<int>(it.columns.size()); ++c) {
      for (int r = it.selRow0; r <= it.selRow1 && r < it.rows; ++r)
        if (c >= it.selCol0 && c <= it.selCol1)
          o += "<rect x=\"" + Num(cx) + "\" y=\"" + Num(it.y + r * rowH) + "\" width=\"" + Num(it.columns[c]) +
               "\" height=\"" + Num(rowH) + "\" fill=\"" + kSvgSelectedColor + "\" fill-opacity=\"0.3\"/>\n";
      cx += it.columns[c];
    }
  }
  if (it.cursorRow >= 0 && it.cursorCol >= 0 && it.cursorCol < static_cast<int>(it.columns.size())) {
    // The insertion point: a caret at the start of its cell.
    double cx = it.x;
    for (int c = 0; c < it.cursorCol; ++c) cx += it.columns[c];
    const double cy = it.y + it.cursorRow * rowH;
    o += "<line x1=\"" + Num(cx + 2) + "\" y1=\"" + Num(cy + 2) + "\" x2=\"" + Num(cx + 2) + "\" y2=\"" +
         Num(cy + rowH - 2) + "\" stroke=\"" + kSvgSelectedColor + "\" stroke-width=\"1.5\"/>\n";
  }
  std::string stroke = it.changed ? kSvgChangedColor : "#333333";
  o += "<rect x=\"" + Num(it.x) + "\" y=\"" + Num(it.y) + "\" width=\"" + Num(it.w) + "\" height=\"" + Num(it.h) +
       "\" fill=\"none\" stroke=\"" + stroke + "\" stroke-width=\"0.5\"/>\n";
  double cx = it.x;
  for (size_t c = 0; c + 1 < it.columns.size(); ++c) {
    cx += it.columns[c];
    o += "<line x1=\"" + Num(cx) + "\" y1=\"" + Num(it.y) + "\" x2=\"" + Num(cx) + "\" y2=\"" + Num(it.y + it.h) +
         "\" stroke=\"" + stroke + "\" stroke-width=\"0.5\"/>\n";
  }
  for (int r = 1; r < it.rows; ++r)
    o += "<line x1=\"" + Num(it.x) + "\" y1=\"" + Num(it.y + r * rowH) + "\" x2=\"" + Num(it.x + it.w) + "\" y2=\"" +
         Num(it.y + r * rowH) + "\" stroke=\"#333333\" stroke-width=\"0.25\"/>\n";
}

void Paragraph(std::string& o, const PageItem& it, double textSize) {
  // The text column between the indents; its box shows where the indents put the text.
  o += "<rect x=\"" + Num(it.x) + "\" y=\"" + Num(it.y) + "\" width=\"" + Num(it.w > 0 ? it.w : 0) + "\" height=\"" +
       Num(it.h) + "\" fill=\"" + (it.changed ? "#fde2d4" : "#f4f4e8") + "\" stroke=\"" +
       (it.changed ? kSvgChangedColor : "#cccc99") + "\" stroke-width=\"0.25\"/>\n";
  o += "<text x=\"" + Num(it.x + 1) + "\" y=\"" + Num(it.y + it.h - 3) + "\" font-family=\"serif\" font-size=\"" +
       Num(textSize) + "\" fill=\"#222222\">" + XmlEscape(it.text) + "</text>\n";
  if (it.cursor)
    o += "<line x1=\"" + Num(it.x + 0.5) + "\" y1=\"" + Num(it.y + 1) + "\" x2=\"" + Num(it.x + 0.5) + "\" y2=\"" +
         Num(it.y + it.h - 1) + "\" stroke=\"" + kSvgSelectedColor + "\" stroke-width=\"1\"/>\n";
}

// One object's drawing: its shape, and handles when it is selected.
void Item(std::string& o, const PageItem& it, double textSize) {
  if (it.kind == "table") {
    Table(o, it);
  } else if (it.kind == "paragraph") {
    Paragraph(o, it, textSize);
  } else if (IsFrame(it)) {
    o += "<rect x=\"" + Num(it.x) + "\" y=\"" + Num(it.y) + "\" width=\"" + Num(std::fabs(it.w)) + "\" height=\"" +
         Num(std::fabs(it.h)) + "\" fill=\"none\" stroke=\"" + (it.selected ? kSvgSelectedColor : "#888888") +
         "\" stroke-width=\"0.5\" stroke-dasharray=\"4 2\"/>\n";
  } else if (it.kind == "text") {
    o += "<rect x=\"" + Num(it.x) + "\" y=\"" + Num(it.y) + "\" width=\"" + Num(std::fabs(it.w)) + "\" height=\"" +
         Num(std::fabs(it.h)) + "\" fill=\"#fffff4\" stroke=\"" + (it.selected ? kSvgSelectedColor : "#aaaa66") +
         "\" stroke-width=\"0.5\"/>\n";
  } else {
    Shape(o, it);
  }
  if (it.selected) Handles(o, it);
}

// An object's name where its kind puts it: inside a frame's corner, below a table, above the rest.
void Name(const PageItem& it, Names& names) {
  if (it.kind == "table") {
    names.Add(it, it.x + 1, it.y + it.h + 8);
  } else if (IsFrame(it)) {
    names.Add(it, it.x + 2, it.y + 2 + names.size);
  } else if (it.kind == "text") {
    names.Add(it, it.x + 1, it.y - 1.5);
  } else if (it.kind != "paragraph") {
    names.Add(it, it.x, it.y - 1.5);
  }
}

// The objects a picture shows: a cropped one leaves out those whose drawing and name (when it is
// named) lie outside it, but for what the step changed.
std::vector<const PageItem*> Visible(const PageView& page, const Names& names, const std::set<uint32_t>* named) {
  std::vector<const PageItem*> shown;
  for (const PageItem& it : page.items) {
    if (names.cropped && !it.changed) {
      PageBox reach = BoxOf(it);  // with its name, above it or below a table
      if (!named || named->count(it.id))
        reach = {reach.x - 2, reach.y - names.size - 2, reach.w + names.Width(it.name) + 4,
                 reach.h + 2 * names.size + 12};
      else  // with its outline
        reach = {reach.x - it.outline, reach.y - it.outline, reach.w + 2 * it.outline, reach.h + 2 * it.outline};
      if (!Meets(reach, names.view)) continue;
    }
    shown.push_back(&it);
  }
  return shown;
}

void Include(PageBox& into, const PageBox& b) {
  double x1 = std::fmax(into.x + into.w, b.x + b.w), y1 = std::fmax(into.y + into.h, b.y + b.h);
  into.x = std::fmin(into.x, b.x);
  into.y = std::fmin(into.y, b.y);
  into.w = x1 - into.x;
  into.h = y1 - into.y;
}

// The largest distance between matching edges of two boxes.
double EdgeDistance(const PageBox& a, const PageBox& b) {
  return std::fmax(std::fmax(std::fabs(a.x - b.x), std::fabs(a.y - b.y)),
                   std::fmax(std::fabs(a.x + a.w - b.x - b.w), std::fabs(a.y + a.h - b.y - b.h)));
}

// An outline `px` pixels wide whatever the scale (`perPx`: user units per pixel); not every
// renderer knows non-scaling strokes, so the width is worked out here.
std::string RectOutline(const PageBox& b, const char* color, double px, double perPx, bool dashed = false) {
  return "<rect x=\"" + Num(b.x) + "\" y=\"" + Num(b.y) + "\" width=\"" + Num(b.w) + "\" height=\"" + Num(b.h) +
         "\" fill=\"none\" stroke=\"" + color + "\" stroke-width=\"" + Num(px * perPx) + "\"" +
         (dashed ? " stroke-dasharray=\"" + Num(4 * perPx) + " " + Num(3 * perPx) + "\"" : std::string()) + "/>\n";
}

// A change too small to see at this scale: the changed box, the box it is measured against (its
// previous place, or the object it was made on) and how far apart their edges are.
struct SmallChange {
  PageBox changed, reference;
  std::string name;
  double distance = 0;
};

bool FindSmallChange(const PageView& page, double scale, SmallChange* found) {
  const double limit = 2 / scale;  // 2 pixels, in points
  for (const PageItem& it : page.items) {
    if (!it.changed || it.kind == "paragraph" || it.kind == "table") continue;
    PageBox now = BoxOf(it);
    const PageItem* ref = nullptr;
    for (const PageItem& p : page.previous)
      if (p.id == it.id) ref = &p;
    if (!ref) {  // made by the command: measured against the object it lies on
      double best = limit;
      for (const PageItem& other : page.items) {
        if (&other == &it || other.kind == "paragraph" || other.kind == "table") continue;
        double d = EdgeDistance(now, BoxOf(other));
        if (d > 0 && d < best) best = d, ref = &other;
      }
    }
    if (!ref) continue;
    double d = EdgeDistance(now, BoxOf(*ref));
    if (d > 0 && d < limit) {
      *found = {now, BoxOf(*ref), it.name, d};
      return true;
    }
  }
  return false;
}

}  // namespace

PageBox FocusOf(const PageView& before, const PageView& after) {
  PageBox box;
  bool any = false;
  auto add = [&](const PageItem& it) {
    if (any)
      Include(box, BoxOf(it));
    else
      box = BoxOf(it);
    any = true;
  };
  for (const PageView* v : {&before, &after})
    for (const PageItem& it : v->items)
      if (it.selected || it.cursor || it.cursorRow >= 0 || it.selRow0 >= 0 || (v == &after && it.changed)) add(it);
  for (const PageItem& it : after.previous) add(it);
  const PageView& page = after.items.empty() ? before : after;
  if (!any) return {0, 0, page.width, page.height};
  // Room for the names above the objects and for what lies next to them: on a crowded page the
  // room around is cut down until it holds about a hundred objects, so that the step's own
  // shapes and names are drawn large enough to read.
  const double margin = 24;
  box.x -= margin, box.y -= margin, box.w += 2 * margin, box.h += 2 * margin;
  auto grown = [&box](double minW, double minH) {
    PageBox g = box;
    if (g.w < minW) g.x -= (minW - g.w) / 2, g.w = minW;
    if (g.h < minH) g.y -= (minH - g.h) / 2, g.h = minH;
    return g;
  };
  double minW = 220, minH = 140;
  for (int k = 0; k < 8 && (minW > box.w || minH > box.h); ++k, minW *= 0.8, minH *= 0.8) {
    size_t around = 0;
    const PageBox g = grown(minW, minH);
    for (const PageItem& it : page.items) around += !IsFrame(it) && Meets(BoxOf(it), g) ? 1 : 0;
    if (around <= 100) break;
  }
  box = grown(minW, minH);
  // What the edge would cut is taken in whole: a line of text (cut at its start it reads as other
  // words) unless it is far wider than the region, and a small shape (half an ellipse reads as
  // another shape). Large shapes and frames plainly go on past the edge.
  const PageBox cut = box;
  for (const PageItem& it : page.items) {
    const PageBox b = BoxOf(it);
    const bool text = it.kind == "paragraph" || it.kind == "table";
    if (IsFrame(it) || it.kind == "text" || !Meets(b, cut)) continue;
    if (text ? b.w <= 2 * cut.w && b.h <= cut.h : b.w <= cut.w / 2 && b.h <= cut.h / 2)
      Include(box, {b.x - 3, b.y - 3, b.w + 6, b.h + 6});
  }
  box.w = std::fmin(box.w, page.width);
  box.h = std::fmin(box.h, page.height);
  box.x = std::fmax(0.0, std::fmin(box.x, page.width - box.w));
  box.y = std::fmax(0.0, std::fmin(box.y, page.height - box.h));
  return box;
}

namespace {

// The magnified view of a small change, in a panel of its own below the picture (`insetH` high).
std::string Inset(const SmallChange& small, const PageBox& view, double scale, double insetH) {
  const double insetSide = 150 / scale, gap = 8 / scale;  // 150 pixels square
  // The corner where the change is, magnified so that the distance is at least 12 pixels.
  const double zoom = std::fmin(64, std::fmax(4, 12 / (small.distance * scale)));
  const double region = insetSide / zoom;
  const bool atStart =
      std::fabs(small.changed.x - small.reference.x) + std::fabs(small.changed.y - small.reference.y) > 0;
  const double cx = atStart ? small.changed.x : small.changed.x + small.changed.w;
  const double cy = atStart ? small.changed.y : small.changed.y + small.changed.h;
  const double ix = view.x + gap, iy = view.y + view.h + gap;
  // The panel covers the page that goes on below the view.
  std::string o = "<rect x=\"" + Num(view.x) + "\" y=\"" + Num(view.y + view.h) + "\" width=\"" + Num(view.w) +
                  "\" height=\"" + Num(insetH) + "\" fill=\"#f6f8fa\"/>\n";
  o += "<svg x=\"" + Num(ix) + "\" y=\"" + Num(iy) + "\" width=\"" + Num(insetSide) + "\" height=\"" + Num(insetSide) +
       "\" viewBox=\"" + Num(cx - region / 2) + " " + Num(cy - region / 2) + " " + Num(region) + " " + Num(region) +
       "\">\n";
  o += "<rect x=\"" + Num(cx - region) + "\" y=\"" + Num(cy - region) + "\" width=\"" + Num(2 * region) +
       "\" height=\"" + Num(2 * region) + "\" fill=\"#ffffff\"/>\n";
  o += RectOutline(small.reference, kSvgInkColor, 2, 1 / (scale * zoom));
  o += RectOutline(small.changed, kSvgChangedColor, 2, 1 / (scale * zoom));
  o += "</svg>\n";
  o += "<rect x=\"" + Num(ix) + "\" y=\"" + Num(iy) + "\" width=\"" + Num(insetSide) + "\" height=\"" + Num(insetSide) +
       "\" fill=\"none\" stroke=\"#999999\" stroke-width=\"" + Num(1 / scale) + "\"/>\n";
  char caption[80];
  std::snprintf(caption, sizeof caption, ", magnified %.0fx: edges %s pt apart", zoom, Num(small.distance).c_str());
  return o + "<text x=\"" + Num(ix) + "\" y=\"" + Num(iy + insetSide + 12 / scale) +
         "\" font-family=\"sans-serif\" font-size=\"" + Num(11 / scale) + "\" fill=\"" + kSvgChangedColor + "\">" +
         XmlEscape(small.name + caption) + "</text>\n";
}

// What the command changed, on top of everything: where it was (dashed), the object itself
// again, and an outline around it.
std::string Changes(const PageView& page, double scale) {
  std::string o;
  for (const PageItem& p : page.previous) o += RectOutline(BoxOf(p), kSvgChangedColor, 1.2, 1 / scale, true);
  for (const PageItem& it : page.items) {
    if (!it.changed) continue;
    if (it.kind != "table" && it.kind != "paragraph" && it.kind != "text" && !IsFrame(it)) Shape(o, it);
    PageBox b = BoxOf(it);
    const double out = 2.5 / scale;  // just outside its own outline, so the edge stays visible
    o += RectOutline({b.x - out, b.y - out, b.w + 2 * out, b.h + 2 * out}, kSvgChangedColor, 1.5, 1 / scale);
  }
  return o;
}

}  // namespace

std::string DrawItems(const PageView& page, const std::vector<const PageItem*>& items, bool merged, double textSize) {
  std::string o = "<rect x=\"0\" y=\"0\" width=\"" + Num(page.width) + "\" height=\"" + Num(page.height) +
                  "\" fill=\"#ffffff\" stroke=\"#999999\" stroke-width=\"0.5\"/>\n";
  // A run of plain shapes with one paint, drawn as one path when it holds more than one.
  std::string runStyle, runPath;
  const PageItem* runFirst = nullptr;
  size_t runLength = 0;
  auto flush = [&] {
    if (runLength == 1) Shape(o, *runFirst);
    if (runLength > 1) o += "<path d=\"" + runPath + "\"" + runStyle + "/>\n";
    runPath.clear(), runLength = 0;
  };
  for (const PageItem* it : items) {
    const bool plain = merged && !it->selected && !it->changed && !IsFrame(*it) && it->kind != "table" &&
                       it->kind != "paragraph" && it->kind != "text";
    if (!plain) {
      flush();
      Item(o, *it, textSize);
      continue;
    }
    std::string style = ShapeStyle(*it);
    if (runLength && style != runStyle) flush();
    if (!runLength) runStyle = std::move(style), runFirst = it;
    ShapePath(runPath, *it);
    ++runLength;
  }
  flush();
  return o;
}

std::string RenderSvg(const PageView& page, const SvgOptions& opt) {
  const PageBox view = opt.view.Empty() ? PageBox{0, 0, page.width, page.height} : opt.view;
  const double scale = opt.scale > 0 ? opt.scale : 1;
  Names names;
  names.size = std::fmax(7, 10.5 / scale);
  names.textSize = std::fmax(8, 11 / scale);
  names.view = view;
  names.cropped = view.x > 0 || view.y > 0 || view.w < page.width || view.h < page.height;
  names.crowded = page.items.size() > 150 && !opt.named;  // what is named is what the step is about
  SmallChange small;
  const bool inset = FindSmallChange(page, scale, &small);
  const double insetH = inset ? (150 + 2 * 8 + 14) / scale : 0;
  const double captionH = opt.title.empty() ? 0 : 16;
  const double fullH = view.h + insetH + captionH;
  std::string o;
  if (opt.standalone) o += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  o += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Num(view.w * scale) + "\" height=\"" +
       Num(fullH * scale) + "\" viewBox=\"" + Num(view.x) + " " + Num(view.y) + " " + Num(view.w) + " " + Num(fullH) +
       "\">\n";
  const std::vector<const PageItem*> shown = Visible(page, names, opt.named);
  if (opt.body) {
    o += opt.body(page, view);
  } else {
    o += DrawItems(page, shown, opt.named != nullptr, names.textSize);
  }
  o += Changes(page, scale);
  for (const PageItem* it : shown)
    if (!opt.named || opt.named->count(it->id)) Name(*it, names);
  // A white edge keeps a name readable over the lines and shapes below it.
  o += "<g font-family=\"sans-serif\" fill=\"#444444\" stroke=\"#ffffff\" stroke-width=\"" + Num(names.size / 4) +
       "\" paint-order=\"stroke\">\n";
  for (const std::string& n : names.pieces) o += n;
  o += "</g>\n";
  if (inset) o += Inset(small, view, scale, insetH);
  if (!opt.title.empty())
    o += "<text x=\"" + Num(view.x + 4) + "\" y=\"" + Num(view.y + view.h + insetH + 12) +
         "\" font-family=\"sans-serif\" font-size=\"10\">" + XmlEscape(opt.title) + "</text>\n";
  return o + "</svg>\n";
}

std::string PageText(const PageView& page) {
  std::string o = "document " + page.document + ", page " + Num(page.width) + " x " + Num(page.height) + " pt\n";
  for (const PageItem& it : page.items) {
    char line[512];
    if (it.kind == "paragraph") {
      std::snprintf(line, sizeof line, "  %-10s paragraph \"%s\"%s\n", it.name.c_str(), it.text.c_str(),
                    it.cursor ? "  [cursor]" : "");
    } else if (it.kind == "table") {
      std::string cols;
      for (double c : it.columns) cols += (cols.empty() ? "" : " ") + Num(c);
      std::snprintf(line, sizeof line, "  %-10s table %s, columns %s%s\n", it.name.c_str(),
                    Plural(it.rows, "row").c_str(), cols.c_str(), it.selRow0 >= 0 ? "  [cells selected]" : "");
    } else {
      std::snprintf(line, sizeof line, "  %-10s %-9s at %s %s  size %s x %s%s\n", it.name.c_str(), it.kind.c_str(),
                    Num(it.x).c_str(), Num(it.y).c_str(), Num(it.w).c_str(), Num(it.h).c_str(),
                    it.selected ? "  [selected]" : "");
    }
    o += line;
  }
  return o;
}

}  // namespace zvhost
