// The page for people: as text, objects nested with frame-relative positions ("show"), and as
// a picture's model, every object at its place on the page.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <set>

#include "host/model/text_lines.h"
#include "host/scenario/runner.h"

namespace zvhost {

std::string ScenarioRunner::ShowText() const {
  const Model& m = host_->model();
  const Object* d = m.Find(doc_);
  if (!d) return "no open document\n";
  Value pw = m.Read(doc_, prop::Width), ph = m.Read(doc_, prop::Height);
  std::string o = "document " + NameOf(doc_) + ", page " + FormatPoints(pw.word) + " x " + FormatPoints(ph.word) +
                  " pt (at X Y: from the top left of the enclosing frame, or of the page)\n";
  std::vector<ObjectId> all = m.ObjectsOf(doc_);
  std::vector<ObjectId> selected = m.SelectedGraphics(doc_);
  const DocState* ds = m.Doc(doc_);
  auto pad = [](int depth) { return std::string(static_cast<size_t>(depth) * 2 + 2, ' '); };
  std::function<void(ObjectId, int)> item = [&](ObjectId id, int depth) {
    const Object* x = m.Find(id);
    if (!x) return;
    char line[512];
    if (x->type == obj::Paragraph) {
      bool cursor = ds && ds->textSelection.begin.object == id;
      std::snprintf(line, sizeof line, "%s%-12s paragraph \"%s\"%s\n", pad(depth).c_str(), NameOf(id).c_str(),
                    x->name.c_str(), cursor ? "  [cursor]" : "");
      o += line;
      for (ObjectId a : all) {
        const Object* ao = m.Find(a);
        if (ao && ao->parent == id && (ao->type == obj::AnchoredFrame || ao->type == obj::Table)) item(a, depth + 1);
      }
      return;
    }
    if (x->type == obj::Table) {
      std::string cols;
      for (Metric c : m.Read(id, prop::TblColWidths).list) cols += (cols.empty() ? "" : " ") + FormatPoints(c);
      std::string cells;
      if (ds && ds->cells.table == id)
        cells = ds->cells.top == WholeTable
                    ? "  [table selected]"
                    : "  [cells [" + std::to_string(ds->cells.top) + "," + std::to_string(ds->cells.left) + "] to [" +
                          std::to_string(ds->cells.bottom) + "," + std::to_string(ds->cells.right) + "] selected]";
      int rows = 0;
      for (ObjectId r : x->children) rows += TypeOf(r) == obj::Row ? 1 : 0;
      std::snprintf(line, sizeof line, "%s%-12s table     %s, columns %s%s\n", pad(depth).c_str(), NameOf(id).c_str(),
                    Plural(rows, "row").c_str(), cols.c_str(), cells.c_str());
      o += line;
      ObjectId title = static_cast<ObjectId>(m.Read(id, prop::TblTitleParagraph).word);
      if (title) item(title, depth + 1);
      for (ObjectId r : x->children)
        for (ObjectId c : m.Find(r) ? m.Find(r)->children : std::vector<ObjectId>{})
          for (ObjectId p : m.Find(c) ? m.Find(c)->children : std::vector<ObjectId>{}) item(p, depth + 1);
      return;
    }
    Geometry g = m.GeometryOf(id);
    bool sel = std::find(selected.begin(), selected.end(), id) != selected.end();
    std::snprintf(line, sizeof line, "%s%-12s %-9s at %s %s  size %s x %s%s\n", pad(depth).c_str(), NameOf(id).c_str(),
                  GraphicKindName(x->type).c_str(), FormatPoints(Pt(g.x)).c_str(), FormatPoints(Pt(g.y)).c_str(),
                  FormatPoints(Pt(g.w)).c_str(), FormatPoints(Pt(g.h)).c_str(), sel ? "  [selected]" : "");
    o += line;
    if (IsFrameType(x->type))
      for (ObjectId c : m.Contents(id)) item(c, depth + 1);
    if (x->type == obj::TextFrame)
      for (ObjectId p : x->children)
        if (TypeOf(p) == obj::Paragraph) item(p, depth + 1);
  };
  for (ObjectId f : d->children) item(f, 0);
  return o;
}

namespace {

// The page as a picture reads it: every graphic at its place on the page, text laid out
// schematically (one 14 pt line per paragraph, anchored frames and tables below the paragraph
// that holds their anchor).
class PageViewBuilder {
 public:
  PageViewBuilder(const ScenarioRunner& runner, const Model& m, ObjectId doc, const std::set<ObjectId>& changed)
      : r_(runner), m_(m), changed_(changed), all_(m.ObjectsOf(doc)), ds_(m.Doc(doc)) {
    for (ObjectId id : m.SelectedGraphics(doc)) selected_.insert(id);
  }

  void Graphic(ObjectId id, double ox, double oy) {
    const Object* o = m_.Find(id);
    if (!o) return;
    Geometry g = m_.GeometryOf(id);
    PageItem it = Item(id, o->type, GraphicKindName(o->type));
    it.x = ox + g.x;
    it.y = oy + g.y;
    it.w = g.w;
    it.h = g.h;
    it.selected = selected_.count(id) > 0;
    Value ow = m_.Read(id, prop::OutlineWidth);
    it.outline = ow.kind == ValueKind::Metric ? ToPt(ow.word) : 1;
    it.filled = m_.Read(id, prop::FillPattern).word != FillNone;
    view.items.push_back(it);
    if (IsFrameType(o->type))
      for (ObjectId c : m_.Contents(id)) Graphic(c, it.x, it.y);
    if (o->type == obj::TextFrame) Text(id, it);
  }

  PageView view;

 private:
  PageItem Item(ObjectId id, int type, const std::string& kind) const {
    PageItem it;
    it.id = id;
    it.name = r_.NameOf(id);
    it.changed = changed_.count(id) > 0;
    it.type = type;
    it.kind = kind;
    return it;
  }

  std::vector<ObjectId> AnchoredIn(ObjectId para, int type) const {
    std::vector<ObjectId> r;
    for (ObjectId id : all_) {
      const Object* o = m_.Find(id);
      if (o && o->type == type && o->parent == para) r.push_back(id);
    }
    return r;
  }

  // One line of text at y across the text frame `box`, within the paragraph's indents.
  PageItem Line(ObjectId p, const PageItem& box, double y) const {
    const Object* po = m_.Find(p);
    PageItem pi = Item(p, obj::Paragraph, "paragraph");
    pi.text = po ? po->name : "";
    double li = m_.ReadPt(p, prop::ParaLeftIndent), ri = m_.ReadPt(p, prop::ParaRightIndent);
    pi.x = box.x + li;
    pi.w = box.w - li - ri;
    pi.y = y;
    pi.h = 14;
    return pi;
  }

  void Text(ObjectId tf, const PageItem& box) {
    double y = box.y + 2;
    const Object* o = m_.Find(tf);
    for (ObjectId p : o->children) {
      if (TypeOf(p) != obj::Paragraph) continue;
      PageItem pi = Line(p, box, y);
      pi.cursor = ds_ && ds_->textSelection.begin.object == p;
      view.items.push_back(pi);
      y += 16;
      for (ObjectId a : AnchoredIn(p, obj::AnchoredFrame)) {
        Geometry g = m_.GeometryOf(a);
        Graphic(a, box.x + 4 - g.x, y - g.y);
        y += g.h + 4;
      }
      for (ObjectId t : AnchoredIn(p, obj::Table)) {
        ObjectId title = static_cast<ObjectId>(m_.Read(t, prop::TblTitleParagraph).word);
        if (title) {
          view.items.push_back(Line(title, box, y));
          y += 16;
        }
        PageItem ti = Table(t, box, y);
        view.items.push_back(ti);
        y += ti.h + 12;
      }
    }
  }

  PageItem Table(ObjectId t, const PageItem& box, double y) const {
    PageItem ti = Item(t, obj::Table, "table");
    Value cols = m_.Read(t, prop::TblColWidths);
    for (Metric c : cols.list) ti.columns.push_back(ToPt(c));
    const Object* to = m_.Find(t);
    ti.rows = 0;
    if (to)
      for (ObjectId r : to->children)
        if (TypeOf(r) == obj::Row) ti.rows++;
    ti.x = box.x + m_.ReadPt(t, prop::TblLeftIndent);
    ti.y = y;
    ti.h = 16.0 * std::max(ti.rows, 1);
    for (double c : ti.columns) ti.w += c;
    if (ds_ && ds_->textSelection.begin.object)
      for (int r = 0; r < ti.rows && ti.cursorRow < 0; ++r)
        for (int c = 0; c < static_cast<int>(ti.columns.size()); ++c) {
          const Object* cell = m_.Find(m_.Cell(t, r, c));
          if (cell && std::count(cell->children.begin(), cell->children.end(), ds_->textSelection.begin.object))
            ti.cursorRow = r, ti.cursorCol = c;
        }
    if (ds_ && ds_->cells.table == t) {
      if (ds_->cells.top == WholeTable) {
        ti.selRow0 = 0, ti.selRow1 = ti.rows - 1, ti.selCol0 = 0, ti.selCol1 = static_cast<int>(ti.columns.size());
      } else {
        ti.selRow0 = ds_->cells.top, ti.selRow1 = ds_->cells.bottom;
        ti.selCol0 = ds_->cells.left, ti.selCol1 = ds_->cells.right;
      }
    }
    return ti;
  }

  const ScenarioRunner& r_;
  const Model& m_;
  const std::set<ObjectId>& changed_;
  std::vector<ObjectId> all_;
  std::set<ObjectId> selected_;
  const DocState* ds_;
};

}  // namespace

bool ScenarioRunner::Reselect(PageView& view) const {
  const Model& m = host_->model();
  const DocState* ds = m.Doc(doc_);
  if (!ds || ds->textSelection.begin.object || ds->cells.table || view.document != NameOf(doc_)) return false;
  const std::vector<ObjectId> chosen = m.SelectedGraphics(doc_);
  const std::set<ObjectId> selected(chosen.begin(), chosen.end());
  for (PageItem& it : view.items) {
    it.selected = selected.count(it.id) > 0;
    it.changed = it.cursor = false;
    it.cursorRow = it.cursorCol = it.selRow0 = it.selRow1 = it.selCol0 = it.selCol1 = -1;
  }
  view.previous.clear();
  return true;
}

PageView ScenarioRunner::View() const {
  const Model& m = host_->model();
  const Object* d = m.Find(doc_);
  if (!d) return PageView{};
  PageViewBuilder b(*this, m, doc_, changed_);
  b.view.document = NameOf(doc_);
  Value pw = m.Read(doc_, prop::Width), ph = m.Read(doc_, prop::Height);
  if (pw.kind == ValueKind::Metric && pw.word > 0) b.view.width = ToPt(pw.word);
  if (ph.kind == ValueKind::Metric && ph.word > 0) b.view.height = ToPt(ph.word);
  for (ObjectId f : d->children) b.Graphic(f, 0, 0);
  return std::move(b.view);
}

}  // namespace zvhost
