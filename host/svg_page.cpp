// SVG and text pictures of a page.
#include "host/svg_page.h"

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

void Label(std::string& o, const PageItem& it, double x, double y) {
  const double w = 3.9 * static_cast<double>(it.name.size()) + 3;
  if (placedLabels) {
    // Each move goes past one label, so there are at most as many moves as labels; the margin
    // keeps x87 extended precision from seeing a label it was just moved past.
    for (size_t moves = 0; moves <= placedLabels->size(); ++moves) {
      bool moved = false;
      for (const LabelBox& b : *placedLabels)
        if (std::fabs(b.y - y) < 7 && x + 0.01 < b.x + b.w && b.x < x + w - 0.01) {
          x = b.x + b.w;
          moved = true;
        }
      if (!moved) break;
    }
    placedLabels->push_back({x, y, w});
  }
  o += "<text x=\"" + Num(x) + "\" y=\"" + Num(y) + "\" font-family=\"sans-serif\" font-size=\"7\" fill=\"" +
       (it.changed ? std::string(kSvgChangedColor) : std::string("#555555")) + "\">" + XmlEscape(it.name) + "</text>\n";
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
  o += "<text x=\"" + Num(it.x + 1) + "\" y=\"" + Num(it.y + it.h - 3) +
       "\" font-family=\"serif\" font-size=\"8\" fill=\"#222222\">" + XmlEscape(it.text) + "</text>\n";
  if (it.cursor)
    o += "<line x1=\"" + Num(it.x + 0.5) + "\" y1=\"" + Num(it.y + 1) + "\" x2=\"" + Num(it.x + 0.5) + "\" y2=\"" +
         Num(it.y + it.h - 1) + "\" stroke=\"" + kSvgSelectedColor + "\" stroke-width=\"1\"/>\n";
}

}  // namespace

std::string RenderSvg(const PageView& page, const SvgOptions& opt) {
  const double captionH = opt.title.empty() ? 0 : 16;
  std::string o;
  if (opt.standalone) o += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  o += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Num(page.width * opt.scale) + "\" height=\"" +
       Num((page.height + captionH) * opt.scale) + "\" viewBox=\"0 0 " + Num(page.width) + " " +
       Num(page.height + captionH) + "\">\n";
  o += "<rect x=\"0\" y=\"0\" width=\"" + Num(page.width) + "\" height=\"" + Num(page.height) +
       "\" fill=\"#ffffff\" stroke=\"#999999\" stroke-width=\"0.5\"/>\n";
  std::vector<LabelBox> labels;
  placedLabels = &labels;
  for (const PageItem& it : page.items) {
    if (it.kind == "table") {
      Table(o, it);
    } else if (it.kind == "paragraph") {
      Paragraph(o, it);
    } else if (IsFrame(it)) {
      o += "<rect x=\"" + Num(it.x) + "\" y=\"" + Num(it.y) + "\" width=\"" + Num(std::fabs(it.w)) + "\" height=\"" +
           Num(std::fabs(it.h)) + "\" fill=\"none\" stroke=\"" + (it.selected ? kSvgSelectedColor : "#888888") +
           "\" stroke-width=\"0.5\" stroke-dasharray=\"4 2\"/>\n";
      Label(o, it, it.x + 2, it.y + 8);
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
  if (!opt.title.empty())
    o += "<text x=\"4\" y=\"" + Num(page.height + 12) + "\" font-family=\"sans-serif\" font-size=\"10\">" +
         XmlEscape(opt.title) + "</text>\n";
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
