// The pictures of a report's steps, and the page drawings they share.
#include "host/view/report_pictures.h"

#include <algorithm>
#include <cmath>

namespace zvhost {

namespace {

// A view holding more objects than this is drawn from the base.
constexpr size_t kDirect = 200;
// A page that differs from the base in more places than this gets a base of its own.
constexpr size_t kMostRegions = 48;

bool Marked(const PageItem& it) {
  return it.selected || it.changed || it.cursor || it.cursorRow >= 0 || it.selRow0 >= 0;
}

// The same drawing, marks aside.
bool SameDrawing(const PageItem& a, const PageItem& b) {
  return a.kind == b.kind && a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h && a.outline == b.outline &&
         a.filled == b.filled && a.text == b.text && a.columns == b.columns && a.rows == b.rows;
}

// The box with room for the object's outline and handles.
PageBox Padded(const PageItem& it) {
  const PageBox b = BoxOf(it);
  const double pad = std::fmax(it.outline, 1) / 2 + 2.5;
  return {b.x - pad, b.y - pad, b.w + 2 * pad, b.h + 2 * pad};
}

}  // namespace

bool PageFigures::Differences(const PageView& page, std::vector<PageBox>* regions) const {
  if (baseId_.empty() || page.document != base_.document || page.width != base_.width || page.height != base_.height)
    return false;
  std::vector<bool> seen(base_.items.size(), false);
  size_t last = 0;
  for (const PageItem& it : page.items) {
    auto found = baseIndex_.find(it.id);
    if (found == baseIndex_.end()) {  // made since
      regions->push_back(Padded(it));
    } else {
      const PageItem& was = base_.items[found->second];
      if (found->second < last) return false;  // the stacking order changed
      last = found->second;
      seen[found->second] = true;
      if (!SameDrawing(was, it)) regions->push_back(Padded(was));
      if (!SameDrawing(was, it) || Marked(it)) regions->push_back(Padded(it));
    }
    if (regions->size() > kMostRegions) return false;
  }
  for (size_t i = 0; i < seen.size(); ++i)
    if (!seen[i]) regions->push_back(Padded(base_.items[i]));  // deleted since
  return regions->size() <= kMostRegions;
}

void PageFigures::Rebase(const PageView& page) {
  base_ = page;
  base_.previous.clear();
  baseIndex_.clear();
  std::vector<const PageItem*> all;
  for (size_t i = 0; i < base_.items.size(); ++i) {
    PageItem& it = base_.items[i];
    it.selected = it.changed = it.cursor = false;
    it.cursorRow = it.cursorCol = it.selRow0 = it.selRow1 = it.selCol0 = it.selCol1 = -1;
    baseIndex_[it.id] = i;
    all.push_back(&it);
  }
  baseId_ = prefix_ + "b" + std::to_string(made_++);
  pending_ += "<g id=\"" + baseId_ + "\">\n" + DrawItems(base_, all, true) + "</g>\n";
}

std::string PageFigures::Overlay(const PageView& page, const std::vector<PageBox>& regions) {
  if (regions.empty()) return "";
  const std::string id = prefix_ + "c" + std::to_string(clips_++);
  std::string o = "<defs><clipPath id=\"" + id + "\">";
  PageBox all = regions[0];
  for (const PageBox& r : regions) {
    o += "<rect x=\"" + SvgNumber(r.x) + "\" y=\"" + SvgNumber(r.y) + "\" width=\"" + SvgNumber(r.w) + "\" height=\"" +
         SvgNumber(r.h) + "\"/>";
    const double x1 = std::fmax(all.x + all.w, r.x + r.w), y1 = std::fmax(all.y + all.h, r.y + r.h);
    all = {std::fmin(all.x, r.x), std::fmin(all.y, r.y), 0, 0};
    all.w = x1 - all.x, all.h = y1 - all.y;
  }
  // Within the regions the page is drawn anew (its white sheet first): whatever lies there now.
  std::vector<const PageItem*> there;
  for (const PageItem& it : page.items) {
    const PageBox b = Padded(it);
    if (Meets(b, all) && std::any_of(regions.begin(), regions.end(), [&](const PageBox& r) { return Meets(b, r); }))
      there.push_back(&it);
  }
  return o + "</clipPath></defs>\n<g clip-path=\"url(#" + id + ")\">\n" + DrawItems(page, there, true) + "</g>\n";
}

std::string PageFigures::Draw(const PageView& page, SvgOptions opt) {
  const PageBox view = opt.view.Empty() ? PageBox{0, 0, page.width, page.height} : opt.view;
  size_t inView = 0;
  for (const PageItem& it : page.items) inView += Meets(BoxOf(it), view) ? 1 : 0;
  if (inView <= kDirect) return RenderSvg(page, opt);
  std::vector<PageBox> regions;
  if (!Differences(page, &regions)) {
    Rebase(page);
    regions.clear();
    Differences(page, &regions);  // what is marked
  }
  opt.body = [&](const PageView& p, const PageBox&) {
    return "<use href=\"#" + baseId_ + "\"/>\n" + Overlay(p, regions);
  };
  return RenderSvg(page, opt);
}

std::string PageFigures::TakeDefinitions() {
  if (pending_.empty()) return "";
  std::string o =
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"0\" height=\"0\" style=\"position:absolute\" "
      "aria-hidden=\"true\"><defs>\n" +
      pending_ + "</defs></svg>\n";
  pending_.clear();
  return o;
}

namespace {

// An inlined SVG without its XML declaration, which is not allowed inside HTML.
std::string Inline(const std::string& svg) {
  size_t p = svg.find("<svg");
  return p == std::string::npos ? svg : svg.substr(p);
}

std::string Figure(const std::string& svg, const std::string& caption) {
  return "<figure>" + Inline(svg) + "<figcaption>" + XmlEscape(caption) + "</figcaption></figure>";
}

bool Cropped(const PageBox& b, const PageView& page) {
  return b.x > 0.5 || b.y > 0.5 || b.w < page.width - 1 || b.h < page.height - 1;
}

// What the step is about: the objects selected before or after it, those it changed, and where
// they were.
std::set<uint32_t> Concerned(const PageView& before, const PageView& after) {
  std::set<uint32_t> ids;
  for (const PageView* v : {&before, &after}) {
    for (const PageItem& it : v->items)
      if (it.selected || it.cursor || it.cursorRow >= 0 || it.selRow0 >= 0 || (v == &after && it.changed))
        ids.insert(it.id);
  }
  for (const PageItem& it : after.previous) ids.insert(it.id);
  return ids;
}

}  // namespace

std::string RenderStepPictures(const PageView& before, const PageView& after, const std::string& id,
                               PageFigures* figures) {
  PageFigures own(id + "-");
  PageFigures& f = figures ? *figures : own;
  const PageBox box = FocusOf(before, after);
  const std::set<uint32_t> named = Concerned(before, after);
  // At most 600 pixels wide, so that two fit side by side in a wide window; names stay at
  // 10 pixels or more because the pictures draw them larger when the scale is small.
  SvgOptions crop(std::clamp(600 / box.w, 0.5, 3.0), false, "", box);
  crop.named = &named;
  std::string o = "<div class=\"pics\">" + Figure(f.Draw(before, crop), "before") +
                  Figure(f.Draw(after, crop), "after") + "</div>\n";
  if (Cropped(box, after)) {
    SvgOptions whole(std::min(1.0, 600 / after.width), false);
    whole.named = &named;
    o += "<details class=\"whole\"><summary>whole page</summary><div class=\"pics\">" +
         Figure(f.Draw(before, whole), "before, whole page") + Figure(f.Draw(after, whole), "after, whole page") +
         "</div></details>\n";
  }
  return figures ? o : own.TakeDefinitions() + o;
}

}  // namespace zvhost
