// SVG and text pictures of a page.
#include "host/view/svg_page.h"

#include <cmath>
#include <cstdio>

namespace zvhost {

namespace {

std::string Num(double v) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.4f", v);
  std::string s = buf;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  if (s == "-0") s = "0";
  return s;
}

}  // namespace

std::string XmlEscape(const std::string& s) {
  std::string o;
  for (char c : s) {
    switch (c) {
      case '&':
        o += "&amp;";
        break;
      case '<':
        o += "&lt;";
        break;
      case '>':
        o += "&gt;";
        break;
      case '"':
        o += "&quot;";
        break;
      default:
        // Control bytes are not allowed in XML text.
        if (static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\t')
          o += '?';
        else
          o += c;
    }
  }
  return o;
}

namespace {

bool IsFrame(const PageItem& it) {
  return it.type == 9 || it.type == 23;
}

// Labels already placed on the page, so that a new one moves right instead of covering one.
struct LabelBox {
  double x, y, w;
};
thread_local std::vector<LabelBox>* placedLabels = nullptr;
// Sizes of names and paragraph text in points: larger when the picture is drawn small, so that
// they stay legible.
thread_local double labelSize = 7, textSize = 8;
// Names are written here and drawn after every shape, so that no shape covers a name.
thread_local std::string* labelLayer = nullptr;

void Label(std::string& o, const PageItem& it, double x, double y) {
  const double w = 3.9 * labelSize / 7 * static_cast<double>(it.name.size()) + 3;
  if (placedLabels) {
    // Each move goes past one label, so there are at most as many moves as labels; the margin
    // keeps x87 extended precision from seeing a label it was just moved past.
    for (size_t moves = 0; moves <= placedLabels->size(); ++moves) {
      bool moved = false;
      for (const LabelBox& b : *placedLabels)
        if (std::fabs(b.y - y) < labelSize && x + 0.01 < b.x + b.w && b.x < x + w - 0.01) {
          x = b.x + b.w;
          moved = true;
        }
      if (!moved) break;
    }
    placedLabels->push_back({x, y, w});
  }
  // A white edge keeps a name readable over the lines and shapes below it.
  (labelLayer ? *labelLayer : o) += "<text x=\"" + Num(x) + "\" y=\"" + Num(y) +
                                    "\" font-family=\"sans-serif\" font-size=\"" + Num(labelSize) + "\" fill=\"" +
                                    (it.changed ? std::string(kSvgChangedColor) : std::string("#444444")) +
                                    "\" stroke=\"#ffffff\" stroke-width=\"" + Num(labelSize / 4) +
                                    "\" paint-order=\"stroke\">" + XmlEscape(it.name) + "</text>\n";
}

void Handles(std::string& o, const PageItem& it) {
  const double s = 3;
  double xs[2] = {it.x, it.x + it.w}, ys[2] = {it.y, it.y + it.h};
  for (double hx : xs)
    for (double hy : ys)
      o += "<rect x=\"" + Num(hx - s / 2) + "\" y=\"" + Num(hy - s / 2) + "\" width=\"" + Num(s) + "\" height=\"" +
           Num(s) + "\" fill=\"" + kSvgSelectedColor + "\"/>\n";
}

void Shape(std::string& o, const PageItem& it) {
  std::string stroke = it.selected ? kSvgSelectedColor : it.changed ? kSvgChangedColor : kSvgInkColor;
  std::string fill = it.filled ? kSvgFillColor : "none";
  std::string style = " fill=\"" + fill + "\" stroke=\"" + stroke + "\" stroke-width=\"" + Num(it.outline) + "\"";
  if (it.outline <= 0) style = " fill=\"" + fill + "\" stroke=\"none\"";
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
  Label(o, it, it.x + 1, it.y + it.h + 8);
}

void Paragraph(std::string& o, const PageItem& it) {
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

}  // namespace

namespace {

PageBox BoxOf(const PageItem& it) {
  PageBox b{it.x, it.y, it.w, it.h};
  if (b.w < 0) b.x += b.w, b.w = -b.w;
  if (b.h < 0) b.y += b.h, b.h = -b.h;
  return b;
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
  // Room for the names above the objects and for what lies next to them.
  const double margin = 24, minW = 220, minH = 140;
  box.x -= margin, box.y -= margin, box.w += 2 * margin, box.h += 2 * margin;
  if (box.w < minW) box.x -= (minW - box.w) / 2, box.w = minW;
  if (box.h < minH) box.y -= (minH - box.h) / 2, box.h = minH;
  box.w = std::fmin(box.w, page.width);
  box.h = std::fmin(box.h, page.height);
  box.x = std::fmax(0.0, std::fmin(box.x, page.width - box.w));
  box.y = std::fmax(0.0, std::fmin(box.y, page.height - box.h));
  return box;
}

std::string RenderSvg(const PageView& page, const SvgOptions& opt) {
  const PageBox view = opt.view.Empty() ? PageBox{0, 0, page.width, page.height} : opt.view;
  const double scale = opt.scale > 0 ? opt.scale : 1;
  labelSize = std::fmax(7, 10.5 / scale);
  textSize = std::fmax(8, 11 / scale);
  SmallChange small;
  const bool inset = FindSmallChange(page, scale, &small);
  const double insetSide = 150 / scale, gap = 8 / scale;  // the magnified view, 150 pixels square
  const double insetH = inset ? insetSide + 2 * gap + 14 / scale : 0;
  const double captionH = opt.title.empty() ? 0 : 16;
  const double fullH = view.h + insetH + captionH;
  std::string o;
  if (opt.standalone) o += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  o += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Num(view.w * scale) + "\" height=\"" +
       Num(fullH * scale) + "\" viewBox=\"" + Num(view.x) + " " + Num(view.y) + " " + Num(view.w) + " " + Num(fullH) +
       "\">\n";
  if (!opt.id.empty()) o += "<g id=\"" + XmlEscape(opt.id) + "\">\n";
  o += "<rect x=\"0\" y=\"0\" width=\"" + Num(page.width) + "\" height=\"" + Num(page.height) +
       "\" fill=\"#ffffff\" stroke=\"#999999\" stroke-width=\"0.5\"/>\n";
  std::vector<LabelBox> labels;
  std::string names;
  placedLabels = &labels;
  labelLayer = &names;
  for (const PageItem& it : page.items) {
    if (it.kind == "table") {
      Table(o, it);
    } else if (it.kind == "paragraph") {
      Paragraph(o, it);
    } else if (IsFrame(it)) {
      o += "<rect x=\"" + Num(it.x) + "\" y=\"" + Num(it.y) + "\" width=\"" + Num(std::fabs(it.w)) + "\" height=\"" +
           Num(std::fabs(it.h)) + "\" fill=\"none\" stroke=\"" + (it.selected ? kSvgSelectedColor : "#888888") +
           "\" stroke-width=\"0.5\" stroke-dasharray=\"4 2\"/>\n";
      Label(o, it, it.x + 2, it.y + 2 + labelSize);
    } else if (it.kind == "text") {
      o += "<rect x=\"" + Num(it.x) + "\" y=\"" + Num(it.y) + "\" width=\"" + Num(std::fabs(it.w)) + "\" height=\"" +
           Num(std::fabs(it.h)) + "\" fill=\"#fffff4\" stroke=\"" + (it.selected ? kSvgSelectedColor : "#aaaa66") +
           "\" stroke-width=\"0.5\"/>\n";
      Label(o, it, it.x + 1, it.y - 1.5);
    } else {
      Shape(o, it);
      Label(o, it, it.x, it.y - 1.5);
    }
    if (it.selected) Handles(o, it);
  }
  placedLabels = nullptr;
  labelLayer = nullptr;
  // What the command changed, on top of everything: where it was (dashed), the object itself
  // again, and an outline around it.
  for (const PageItem& p : page.previous) o += RectOutline(BoxOf(p), kSvgChangedColor, 1.2, 1 / scale, true);
  for (const PageItem& it : page.items) {
    if (!it.changed) continue;
    if (it.kind != "table" && it.kind != "paragraph" && it.kind != "text" && !IsFrame(it)) Shape(o, it);
    PageBox b = BoxOf(it);
    const double out = 2.5 / scale;  // just outside its own outline, so the edge stays visible
    o += RectOutline({b.x - out, b.y - out, b.w + 2 * out, b.h + 2 * out}, kSvgChangedColor, 1.5, 1 / scale);
  }
  o += names;
  if (!opt.id.empty()) o += "</g>\n";
  if (inset) {
    // The corner where the change is, magnified so that the distance is at least 12 pixels.
    const double zoom = std::fmin(64, std::fmax(4, 12 / (small.distance * scale)));
    const double region = insetSide / zoom;
    const bool atStart =
        std::fabs(small.changed.x - small.reference.x) + std::fabs(small.changed.y - small.reference.y) > 0;
    const double cx = atStart ? small.changed.x : small.changed.x + small.changed.w;
    const double cy = atStart ? small.changed.y : small.changed.y + small.changed.h;
    const double ix = view.x + gap, iy = view.y + view.h + gap;
    // A panel of its own below the picture: the page that goes on below the view is covered.
    o += "<rect x=\"" + Num(view.x) + "\" y=\"" + Num(view.y + view.h) + "\" width=\"" + Num(view.w) + "\" height=\"" +
         Num(insetH) + "\" fill=\"#f6f8fa\"/>\n";
    o += "<svg x=\"" + Num(ix) + "\" y=\"" + Num(iy) + "\" width=\"" + Num(insetSide) + "\" height=\"" +
         Num(insetSide) + "\" viewBox=\"" + Num(cx - region / 2) + " " + Num(cy - region / 2) + " " + Num(region) +
         " " + Num(region) + "\">\n";
    o += "<rect x=\"" + Num(cx - region) + "\" y=\"" + Num(cy - region) + "\" width=\"" + Num(2 * region) +
         "\" height=\"" + Num(2 * region) + "\" fill=\"#ffffff\"/>\n";
    o += RectOutline(small.reference, kSvgInkColor, 2, 1 / (scale * zoom));
    o += RectOutline(small.changed, kSvgChangedColor, 2, 1 / (scale * zoom));
    o += "</svg>\n";
    o += "<rect x=\"" + Num(ix) + "\" y=\"" + Num(iy) + "\" width=\"" + Num(insetSide) + "\" height=\"" +
         Num(insetSide) + "\" fill=\"none\" stroke=\"#999999\" stroke-width=\"" + Num(1 / scale) + "\"/>\n";
    char caption[160];
    std::snprintf(caption, sizeof caption, "%s, magnified %.0fx: edges %s pt apart", small.name.c_str(), zoom,
                  Num(small.distance).c_str());
    o += "<text x=\"" + Num(ix) + "\" y=\"" + Num(iy + insetSide + 12 / scale) +
         "\" font-family=\"sans-serif\" font-size=\"" + Num(11 / scale) + "\" fill=\"" + kSvgChangedColor + "\">" +
         XmlEscape(caption) + "</text>\n";
  }
  if (!opt.title.empty())
    o += "<text x=\"" + Num(view.x + 4) + "\" y=\"" + Num(view.y + view.h + insetH + 12) +
         "\" font-family=\"sans-serif\" font-size=\"10\">" + XmlEscape(opt.title) + "</text>\n";
  o += "</svg>\n";
  return o;
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
      std::snprintf(line, sizeof line, "  %-10s table %d row(s), columns %s%s\n", it.name.c_str(), it.rows,
                    cols.c_str(), it.selRow0 >= 0 ? "  [cells selected]" : "");
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
