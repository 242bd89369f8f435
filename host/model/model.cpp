#include "host/model/model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

namespace zvhost {

Metric Pt(double points) {
  return static_cast<Metric>(std::llround(points * kUnitsPerPoint));
}

double ToPt(Metric value) {
  return static_cast<double>(value) / kUnitsPerPoint;
}

std::string FormatPoints(int64_t metric) {
  // 7 decimals tell every unit apart. A unit is 1/65536 pt = 152587890625e-16 pt exactly, so
  // the decimals are worked out in integers, rounded half to even as printf("%.7f") rounds.
  uint64_t a = metric < 0 ? 0 - static_cast<uint64_t>(metric) : static_cast<uint64_t>(metric);
  if (a >= (uint64_t{1} << 53)) {  // beyond what a double holds exactly: as printf says it
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.7f", static_cast<double>(metric) / kUnitsPerPoint);
    std::string s = buf;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s;
  }
  uint64_t whole = a >> 16;
  uint64_t scaled = (a & 0xFFFFu) * 152587890625u;  // the fraction in units of 1e-16
  uint64_t frac = scaled / 1000000000u, rest = scaled % 1000000000u;
  if (rest > 500000000u || (rest == 500000000u && (frac & 1u))) ++frac;
  if (frac == 10000000u) frac = 0, ++whole;
  char buf[40];
  char* end = buf + sizeof buf;
  char* p = end;
  int digits = 7;
  while (digits > 0 && frac % 10 == 0) frac /= 10, --digits;  // no trailing zeros
  if (digits > 0) {
    for (int i = 0; i < digits; ++i, frac /= 10) *--p = static_cast<char>('0' + frac % 10);
    *--p = '.';
  }
  do *--p = static_cast<char>('0' + whole % 10);
  while (whole /= 10);
  if (metric < 0 && (digits > 0 || p[0] != '0')) *--p = '-';
  return std::string(p, end);
}

std::string FormatPt(Metric value) {
  return FormatPoints(value) + "pt";
}

std::string FormatId(ObjectId id) {
  if (id == 0) return "0";
  return std::to_string(id >> 24) + ":" + std::to_string(id & 0xFFFFFFu);
}

Value Value::Int(int32_t v) {
  Value x;
  x.kind = ValueKind::Int;
  x.word = v;
  return x;
}
Value Value::OfMetric(Metric v) {
  Value x;
  x.kind = ValueKind::Metric;
  x.word = v;
  return x;
}
Value Value::Id(ObjectId v) {
  Value x;
  x.kind = ValueKind::Id;
  x.word = static_cast<int32_t>(v);
  return x;
}
Value Value::Loc(TextLoc v) {
  Value x;
  x.kind = ValueKind::TextLoc;
  x.range.begin = v;
  x.range.end = v;
  return x;
}
Value Value::Range(TextRange v) {
  Value x;
  x.kind = ValueKind::TextRange;
  x.range = v;
  return x;
}
Value Value::List(std::vector<Metric> v) {
  Value x;
  x.kind = ValueKind::MetricList;
  x.list = std::move(v);
  return x;
}
Value Value::Text(std::string v) {
  Value x;
  x.kind = ValueKind::Text;
  x.text = std::move(v);
  return x;
}

static std::string FormatLoc(const TextLoc& l) {
  return FormatId(l.object) + "@" + std::to_string(l.offset);
}

std::string Value::Format() const {
  switch (kind) {
    case ValueKind::None:
      return "-";
    case ValueKind::Int:
      return std::to_string(word);
    case ValueKind::Metric:
      return FormatPt(word);
    case ValueKind::Id:
      return FormatId(static_cast<ObjectId>(word));
    case ValueKind::TextLoc:
      return "{" + FormatLoc(range.begin) + "}";
    case ValueKind::TextRange:
      return "{" + FormatLoc(range.begin) + " .. " + FormatLoc(range.end) + "}";
    case ValueKind::MetricList: {
      std::string s = "[";
      for (size_t i = 0; i < list.size(); ++i) s += (i ? ", " : "") + FormatPt(list[i]);
      return s + "]";
    }
    case ValueKind::Text:
      return "\"" + text + "\"";
  }
  return "?";
}

bool operator==(const Value& a, const Value& b) {
  if (a.kind != b.kind) return false;
  switch (a.kind) {
    case ValueKind::None:
      return true;
    case ValueKind::Int:
    case ValueKind::Metric:
    case ValueKind::Id:
      return a.word == b.word;
    case ValueKind::TextLoc:
      return a.range.begin.object == b.range.begin.object && a.range.begin.offset == b.range.begin.offset;
    case ValueKind::TextRange:
      return a.range.begin.object == b.range.begin.object && a.range.begin.offset == b.range.begin.offset &&
             a.range.end.object == b.range.end.object && a.range.end.offset == b.range.end.offset;
    case ValueKind::MetricList:
      return a.list == b.list;
    case ValueKind::Text:
      return a.text == b.text;
  }
  return false;
}

std::string Change::ToString() const {
  if (prop < 0) return FormatId(object) + (after.empty() ? " deleted" : " created");
  return FormatId(object) + " " + PropName(prop) + ": " + (before.empty() ? "-" : before) + " -> " +
         (after.empty() ? "-" : after);
}

std::vector<Change> Diff(const Snapshot& before, const Snapshot& after) {
  std::vector<Change> out;
  auto b = before.objects.begin();
  auto a = after.objects.begin();
  using Props = std::vector<std::pair<int32_t, Value>>;
  auto propsDiff = [&out](ObjectId id, const Props& x, const Props& y) {
    auto i = x.begin();
    auto j = y.begin();
    while (i != x.end() || j != y.end()) {
      if (j == y.end() || (i != x.end() && i->first < j->first)) {
        out.push_back({id, i->first, i->second.Format(), ""});
        ++i;
      } else if (i == x.end() || j->first < i->first) {
        out.push_back({id, j->first, "", j->second.Format()});
        ++j;
      } else {
        if (i->second != j->second) out.push_back({id, i->first, i->second.Format(), j->second.Format()});
        ++i;
        ++j;
      }
    }
  };
  static const Props kNone;
  while (b != before.objects.end() || a != after.objects.end()) {
    if (a == after.objects.end() || (b != before.objects.end() && b->first < a->first)) {
      out.push_back({b->first, -1, "exists", ""});
      ++b;
    } else if (b == before.objects.end() || a->first < b->first) {
      out.push_back({a->first, -1, "", "exists"});
      propsDiff(a->first, kNone, a->second);
      ++a;
    } else {
      propsDiff(a->first, b->second, a->second);
      ++a;
      ++b;
    }
  }
  return out;
}

std::string FormatChanges(const std::vector<Change>& changes) {
  std::string s;
  for (const Change& c : changes) s += c.ToString() + "\n";
  return s;
}

// ---- Model ----

Model::Model(ModelOptions options) : options_(options) {
  mainMenu_ = NewObject(obj::Menu, 0, 0);
  objects_[mainMenu_].name = "!MakerMainMenu";
  objects_[mainMenu_].label = "Main Menu";
  for (int i = 1; i <= 6; ++i) {
    ObjectId s = NewObject(obj::Separator, 0, 0);
    objects_[s].name = "Separator" + std::to_string(i);
  }
}

ObjectId Model::NewObject(int type, ObjectId doc, ObjectId parent) {
  TouchAll();
  counter_ = (counter_ + 1) & 0xFFFFFFu;
  if (counter_ == 0) counter_ = 1;
  ObjectId id = (static_cast<ObjectId>(type) << 24) | counter_;
  Object& o = objects_[id];
  o.id = id;
  o.type = type;
  o.doc = doc;
  o.parent = parent;
  return id;
}

const Object* Model::Find(ObjectId id) const {
  return const_cast<Model*>(this)->FindMutable(id);
}

Object* Model::FindMutable(ObjectId id) {
  if (id == lastFound_.id && id != 0) return lastFound_.object;
  auto it = objects_.find(id);
  if (it == objects_.end()) return nullptr;
  lastFound_.id = id;
  lastFound_.object = &it->second;
  return &it->second;
}

DocState* Model::Doc(ObjectId doc) {
  auto it = docs_.find(doc);
  return it == docs_.end() ? nullptr : &it->second;
}
const DocState* Model::Doc(ObjectId doc) const {
  auto it = docs_.find(doc);
  return it == docs_.end() ? nullptr : &it->second;
}

std::vector<ObjectId> Model::Documents() const {
  std::vector<ObjectId> out;
  for (const auto& d : docs_) out.push_back(d.first);
  return out;
}

std::vector<ObjectId> Model::ObjectsOf(ObjectId doc) const {
  std::vector<ObjectId> out;
  for (const auto& o : objects_)
    if (o.second.doc == doc && doc != 0) out.push_back(o.first);
  return out;
}

ObjectId Model::NewDocument(const std::string& name, double pageWidth, double pageHeight) {
  ObjectId d = NewObject(obj::Document, 0, 0);
  Object& o = objects_[d];
  o.name = name;
  o.props[prop::Width] = Value::OfMetric(Pt(pageWidth));
  o.props[prop::Height] = Value::OfMetric(Pt(pageHeight));
  o.props[prop::Name] = Value::Text(name);
  docs_[d] = DocState{};
  if (active_ == 0) active_ = d;
  return d;
}

void Model::SetActiveDocument(ObjectId doc) {
  Touch(0);
  active_ = docs_.count(doc) ? doc : 0;
}

void Model::SetGridSpacing(ObjectId doc, double points) {
  Touch(doc);
  if (DocState* d = Doc(doc)) d->grid = Pt(points);
}

static void PutGeometry(Object& o, Geometry g) {
  o.props[prop::PosX] = Value::OfMetric(Pt(g.x));
  o.props[prop::PosY] = Value::OfMetric(Pt(g.y));
  o.props[prop::Width] = Value::OfMetric(Pt(g.w));
  o.props[prop::Height] = Value::OfMetric(Pt(g.h));
  o.props[prop::OutlineWidth] = Value::OfMetric(Pt(1));
  o.props[prop::FillPattern] = Value::Int(7);
}

ObjectId Model::AddFrame(ObjectId doc, Geometry g) {
  if (!Doc(doc)) return 0;
  ObjectId f = NewObject(obj::UnanchoredFrame, doc, 0);
  PutGeometry(objects_[f], g);
  objects_[doc].children.push_back(f);
  return f;
}

ObjectId Model::AddAnchoredFrame(ObjectId paragraph, int32_t offset, Geometry g) {
  Object* p = FindMutable(paragraph);
  if (!p || p->type != obj::Paragraph) return 0;
  ObjectId doc = p->doc;
  ObjectId f = NewObject(obj::AnchoredFrame, doc, paragraph);
  Object& o = objects_[f];
  PutGeometry(o, g);
  o.props[prop::AnchorLocation] = Value::Loc({paragraph, offset});
  objects_[paragraph].children.push_back(f);
  return f;
}

ObjectId Model::AddGraphic(ObjectId frame, int type, Geometry g) {
  Object* f = FindMutable(frame);
  if (!f || !IsFrameType(f->type) || !IsGraphicType(type) || type == obj::AnchoredFrame) return 0;
  ObjectId doc = f->doc;
  ObjectId id = NewObject(type, doc, frame);
  PutGeometry(objects_[id], g);
  objects_[frame].children.push_back(id);
  return id;
}

ObjectId Model::AddFrameContent(ObjectId frame) {
  Object* f = FindMutable(frame);
  if (!f || !IsFrameType(f->type)) return 0;
  ObjectId doc = f->doc;
  ObjectId id = NewObject(obj::FrameContent, doc, frame);
  objects_[frame].children.push_back(id);
  return id;
}

ObjectId Model::AddParagraph(ObjectId container, const std::string& text, int32_t alignment) {
  Object* c = FindMutable(container);
  if (!c || (c->type != obj::TextFrame && c->type != obj::Cell)) return 0;
  ObjectId doc = c->doc;
  ObjectId p = NewObject(obj::Paragraph, doc, container);
  Object& o = objects_[p];
  o.name = text;
  o.props[prop::ParaAlignment] = Value::Int(alignment);
  o.props[prop::ParaFirstIndent] = Value::OfMetric(0);
  o.props[prop::ParaLeftIndent] = Value::OfMetric(0);
  o.props[prop::ParaRightIndent] = Value::OfMetric(0);
  o.props[prop::Name] = Value::Text(text);
  objects_[container].children.push_back(p);
  return p;
}

// The width of the text frame whose text holds `paragraph` (0 when it is not in a text frame).
static Metric ContainerWidth(const Model& m, ObjectId paragraph) {
  const Object* p = m.Find(paragraph);
  if (!p) return 0;
  const Object* c = m.Find(p->parent);
  if (!c || c->type != obj::TextFrame) return 0;
  auto it = c->props.find(prop::Width);
  return it == c->props.end() ? 0 : it->second.word;
}

ObjectId Model::AddTable(ObjectId anchorParagraph, const TableSpec& spec) {
  Object* a = FindMutable(anchorParagraph);
  if (!a || a->type != obj::Paragraph || spec.rows < 1 || spec.columnWidths.empty()) return 0;
  ObjectId doc = a->doc;
  ObjectId t = NewObject(obj::Table, doc, anchorParagraph);
  objects_[anchorParagraph].children.push_back(t);
  std::vector<Metric> widths;
  for (double w : spec.columnWidths) widths.push_back(Pt(w));
  for (int r = 0; r < spec.rows; ++r) {
    ObjectId row = NewObject(obj::Row, doc, t);
    objects_[t].children.push_back(row);
    for (size_t c = 0; c < widths.size(); ++c) {
      ObjectId cell = NewObject(obj::Cell, doc, row);
      objects_[cell].props[prop::CellColumn] = Value::Int(static_cast<int32_t>(c));
      objects_[row].children.push_back(cell);
    }
  }
  Object& o = objects_[t];
  o.props[prop::AnchorLocation] = Value::Loc({anchorParagraph, 0});
  o.props[prop::TblLeftIndent] = Value::OfMetric(Pt(spec.leftIndent));
  o.props[prop::TblPlacement] = Value::Int(spec.placement);
  o.props[prop::TblCellMarginA] = Value::OfMetric(Pt(spec.marginA));
  o.props[prop::TblCellMarginB] = Value::OfMetric(Pt(spec.marginB));
  o.props[prop::TblColWidths] = Value::List(widths);
  int first = std::clamp(spec.firstRow, 0, spec.rows - 1);
  o.props[prop::TblFirstRow] = Value::Int(static_cast<int32_t>(o.children[static_cast<size_t>(first)]));
  o.props[prop::TblTitleParagraph] = Value::Id(0);
  if (spec.title) {
    // The title sits in a cell of a title row that spans the text column holding the table.
    ObjectId titleRow = NewObject(obj::Row, doc, t);
    Metric w = spec.titleRowWidth >= 0 ? Pt(spec.titleRowWidth) : ContainerWidth(*this, anchorParagraph);
    objects_[titleRow].props[prop::Width] = Value::OfMetric(w);
    ObjectId titleCell = NewObject(obj::Cell, doc, titleRow);
    objects_[titleCell].props[prop::CellColumn] = Value::Int(0);
    objects_[titleRow].children.push_back(titleCell);
    ObjectId para = AddParagraph(titleCell, spec.titleText, spec.titleAlignment);
    objects_[t].props[prop::TblTitleParagraph] = Value::Id(para);
  }
  return t;
}

ObjectId Model::Row(ObjectId table, int index) const {
  const Object* t = Find(table);
  if (!t || t->type != obj::Table || index < 0 || static_cast<size_t>(index) >= t->children.size()) return 0;
  return t->children[static_cast<size_t>(index)];
}

ObjectId Model::Cell(ObjectId table, int row, int column) const {
  const Object* r = Find(Row(table, row));
  if (!r || column < 0 || static_cast<size_t>(column) >= r->children.size()) return 0;
  return r->children[static_cast<size_t>(column)];
}

void Model::RemoveTree(ObjectId id) {
  auto it = objects_.find(id);
  if (it == objects_.end()) return;
  std::vector<ObjectId> children = it->second.children;
  for (ObjectId c : children) RemoveTree(c);
  if (it->second.type == obj::Table) {
    // The title row is not among the table's rows.
    auto tp = it->second.props.find(prop::TblTitleParagraph);
    if (tp != it->second.props.end() && tp->second.word != 0) {
      const Object* para = Find(static_cast<ObjectId>(tp->second.word));
      const Object* cell = para ? Find(para->parent) : nullptr;
      if (cell) RemoveTree(cell->parent);
    }
  }
  it = objects_.find(id);
  ObjectId doc = it->second.doc;
  if (DocState* d = Doc(doc)) {
    auto& sel = d->selection;
    sel.erase(std::remove(sel.begin(), sel.end(), id), sel.end());
    d->selectionIndex.clear();
    if (d->cells.table == id) d->cells = {};
    if (d->textSelection.begin.object == id || d->textSelection.end.object == id) d->textSelection = {};
  }
  if (active_ == id) active_ = 0;
  lastFound_ = {};
  objects_.erase(it);
}

bool Model::RemoveDocument(ObjectId doc) {
  if (!Doc(doc)) return false;
  TouchAll();
  RemoveTree(doc);
  // Objects of the document that hang off no tree (none expected) go too.
  lastFound_ = {};
  for (auto it = objects_.begin(); it != objects_.end();)
    it = it->second.doc == doc ? objects_.erase(it) : std::next(it);
  docs_.erase(doc);
  if (active_ == doc || active_ == 0) active_ = docs_.empty() ? 0 : docs_.begin()->first;
  return true;
}

ObjectId Model::CreateGraphic(ObjectId doc, int type, ObjectId frame, int32_t* status) {
  int32_t ignored = 0;
  if (!status) status = &ignored;
  *status = status::Ok;
  if (!Doc(doc)) return *status = status::BadDocument, 0;
  const Object* f = Find(frame);
  if (!f) return *status = status::BadObject, 0;
  if (f->doc != doc) return *status = status::BadDocument, 0;
  if (!IsFrameType(f->type)) return *status = status::BadObject, 0;
  if (!IsGraphicType(type) || type == obj::AnchoredFrame) return *status = status::Unsupported, 0;
  ObjectId id = AddGraphic(frame, type, {});
  return id;
}

int32_t Model::DeleteObject(ObjectId doc, ObjectId id) {
  if (!Doc(doc)) return status::BadDocument;
  const Object* o = Find(id);
  if (!o) return status::BadObject;
  if (o->doc != doc) return status::BadDocument;
  if (!IsGraphicType(o->type)) return status::Unsupported;
  TouchAll();
  ObjectId parent = o->parent ? o->parent : doc;
  if (Object* p = FindMutable(parent)) {
    auto& ch = p->children;
    ch.erase(std::remove(ch.begin(), ch.end(), id), ch.end());
    p->childIndex.clear();
  }
  RemoveTree(id);
  return status::Ok;
}

Geometry Model::GeometryOf(ObjectId graphic) const {
  return {ReadPt(graphic, prop::PosX), ReadPt(graphic, prop::PosY), ReadPt(graphic, prop::Width),
          ReadPt(graphic, prop::Height)};
}

std::vector<ObjectId> Model::PageFrames(ObjectId doc) const {
  const Object* d = Find(doc);
  std::vector<ObjectId> out;
  if (!d || d->type != obj::Document) return out;
  for (ObjectId c : d->children)
    if (Find(c)) out.push_back(c);
  return out;
}

void Model::SetName(ObjectId id, const std::string& name) {
  Object* o = FindMutable(id);
  if (!o || o->type == obj::Menu || o->type == obj::Command || o->type == obj::Separator) return;
  Touch(id);
  o->name = name;
  if (o->props.count(prop::Name)) o->props[prop::Name] = Value::Text(name);
}

ObjectId Model::FindByName(ObjectId doc, const std::string& name) const {
  if (name.empty()) return 0;
  for (const auto& o : objects_)
    if (o.second.doc == doc && o.second.name == name && o.second.type != obj::Paragraph) return o.first;
  for (const auto& o : objects_)
    if (o.second.doc == doc && o.second.name == name) return o.first;
  return 0;
}

std::string Model::Describe(ObjectId id) const {
  const Object* o = Find(id);
  if (!o) return FormatId(id) + " (absent)";
  std::string s = std::string(TypeName(o->type)) + " " + FormatId(id);
  if (!o->name.empty()) s += " \"" + o->name + "\"";
  return s;
}

std::vector<ObjectId> Model::Contents(ObjectId frame) const {
  const Object* f = Find(frame);
  std::vector<ObjectId> out;
  if (!f || !IsFrameType(f->type)) return out;
  for (ObjectId c : f->children)
    if (const Object* g = Find(c); g && IsGraphicType(g->type)) out.push_back(c);
  return out;
}

// ---- Selection ----

void Model::SetSelected(ObjectId graphic, bool selected) {
  Object* g = FindMutable(graphic);
  if (!g || !IsGraphicType(g->type)) return;
  DocState* d = Doc(g->doc);
  if (!d) return;
  auto& sel = d->selection;
  auto it = std::find(sel.begin(), sel.end(), graphic);
  TouchSelection(*d, *g, it);
  d->selectionIndex.clear();
  if (selected) {
    if (it == sel.end()) sel.push_back(graphic);
    ForgetStale(*d, *g);
    g->staleNext = 0;
  } else if (it != sel.end()) {
    ForgetStale(*d, *g);
    g->staleNext = (it + 1) != sel.end() ? *(it + 1) : 0;
    if (g->staleNext) d->staleFrom.emplace(g->staleNext, graphic);
    sel.erase(it);
  }
}

void Model::TouchSelection(const DocState& d, const Object& graphic, std::vector<ObjectId>::const_iterator at) {
  if (!watching_ || watchingAll_) return;
  Touch(graphic.doc);
  Touch(graphic.id);
  // The graphic before it in the selection: its successor changes either way.
  if (at != d.selection.end() && at != d.selection.begin()) Touch(*(at - 1));
  if (at == d.selection.end() && !d.selection.empty()) Touch(d.selection.back());
  auto named = d.staleFrom.equal_range(graphic.id);
  for (auto n = named.first; n != named.second; ++n)
    if (const Object* x = Find(n->second); x && x->staleNext == graphic.id) Touch(x->id);
}

void Model::ForgetStale(DocState& d, const Object& graphic) {
  auto named = d.staleFrom.equal_range(graphic.staleNext);
  for (auto n = named.first; n != named.second; ++n)
    if (n->second == graphic.id) {
      d.staleFrom.erase(n);
      return;
    }
}

std::vector<ObjectId> Model::SelectedGraphics(ObjectId doc) const {
  const DocState* d = Doc(doc);
  return d ? d->selection : std::vector<ObjectId>{};
}

void Model::ClearGraphicSelection(ObjectId doc) {
  DocState* d = Doc(doc);
  if (!d) return;
  while (!d->selection.empty()) SetSelected(d->selection.front(), false);
}

int32_t Model::SelectTableCells(ObjectId doc, ObjectId table, int32_t top, int32_t bottom, int32_t left,
                                int32_t right) {
  DocState* d = Doc(doc);
  if (!d) return status::BadDocument;
  const Object* t = Find(table);
  if (!t || t->type != obj::Table) return status::BadObject;
  if (t->doc != doc) return status::BadDocument;
  int32_t rows = static_cast<int32_t>(t->children.size());
  int32_t cols = static_cast<int32_t>(t->props.at(prop::TblColWidths).list.size());
  TouchAll();
  if (top == WholeTable) {
    d->cells = {table, 0, rows - 1, 0, cols - 1};
    return status::Ok;
  }
  if (top < 0 || bottom < top || bottom >= rows || left < 0 || right < left || right >= cols) return status::BadValue;
  d->cells = {table, top, bottom, left, right};
  return status::Ok;
}

void Model::ClearCellSelection(ObjectId doc) {
  DocState* d = Doc(doc);
  if (!d) return;
  if (d->cells.table != 0) TouchAll();  // without a table no property shows the cells
  d->cells = {};
}

void Model::SetTextSelection(ObjectId doc, TextRange range) {
  DocState* d = Doc(doc);
  if (!d) return;
  const TextRange& now = d->textSelection;
  bool same = now.begin.object == range.begin.object && now.begin.offset == range.begin.offset &&
              now.end.object == range.end.object && now.end.offset == range.end.offset;
  if (!same || (range.begin.object != 0 && d->cells.table != 0)) TouchAll();
  d->textSelection = range;
  if (range.begin.object != 0) d->cells = {};
}

// The table whose cell holds `paragraph`, or 0.
static ObjectId TableOfParagraph(const Model& m, ObjectId paragraph) {
  const Object* p = m.Find(paragraph);
  if (!p || p->type != obj::Paragraph) return 0;
  const Object* cell = m.Find(p->parent);
  if (!cell || cell->type != obj::Cell) return 0;
  const Object* row = m.Find(cell->parent);
  return row ? row->parent : 0;
}

ObjectId Model::SelectedTable(ObjectId doc) const {
  const DocState* d = Doc(doc);
  if (!d) return 0;
  if (d->cells.table) return d->cells.table;
  if (options_.tableSelectedByTextCursor) return TableOfParagraph(*this, d->textSelection.begin.object);
  return 0;
}

// ---- Properties ----

namespace {

bool IsSessionObjectType(int type) {
  return type == obj::Menu || type == obj::Command || type == obj::Separator || type == obj::Document;
}

bool ReadOnlyStored(int32_t p) {
  return p == prop::AnchorLocation || p == prop::TblTitleParagraph || p == prop::CellColumn || p == prop::TblFirstRow ||
         p == prop::Name;
}

}  // namespace

// Properties the model computes from its structure, by object type, in number order (ending
// with 0): they are merged with the stored ones as they come.
namespace {
constexpr int32_t kDocumentComputed[] = {prop::TextSelection, prop::FirstSelectedGraphic, prop::SelectedTable,
                                         prop::GridSpacing, 0};
constexpr int32_t kGraphicComputed[] = {prop::SelectedFlag, prop::ContainingFrame,     prop::GraphicBelow,
                                        prop::GraphicAbove, prop::NextSelectedGraphic, 0};
constexpr int32_t kTableComputed[] = {prop::TblColumnCount, prop::TblWidth,      prop::TblSelTop,
                                      prop::TblSelFirstCol, prop::TblSelLastCol, 0};
constexpr int32_t kRowComputed[] = {prop::Width, prop::PreviousRow, prop::RowTable, 0};
template <size_t N>
constexpr bool InNumberOrder(const int32_t (&list)[N]) {
  for (size_t i = 1; i + 1 < N; ++i)
    if (list[i] <= list[i - 1]) return false;
  return true;
}
static_assert(InNumberOrder(kDocumentComputed) && InNumberOrder(kGraphicComputed) && InNumberOrder(kTableComputed) &&
                  InNumberOrder(kRowComputed),
              "computed properties are listed in number order");
}  // namespace

static const int32_t* ComputedProps(int type) {
  static const int32_t* const document = kDocumentComputed;
  static const int32_t* const graphic = kGraphicComputed;
  static const int32_t frameContent[] = {prop::ContainingFrame, 0};
  static const int32_t paragraph[] = {prop::TextContainer, 0};
  static const int32_t* const table = kTableComputed;
  static const int32_t* const row = kRowComputed;
  static const int32_t cell[] = {prop::CellRow, 0};
  static const int32_t command[] = {prop::EnableCondition, 0};
  static const int32_t none[] = {0};
  if (type == obj::Document) return document;
  if (IsGraphicType(type)) return graphic;
  switch (type) {
    case obj::FrameContent:
      return frameContent;
    case obj::Paragraph:
      return paragraph;
    case obj::Table:
      return table;
    case obj::Row:
      return row;
    case obj::Cell:
      return cell;
    case obj::Command:
      return command;
    default:
      return none;
  }
}

// Where `id` stands among the holder's children (end when it is not one of them).
static std::vector<ObjectId>::const_iterator ChildAt(const Object& holder, ObjectId id) {
  auto& index = holder.childIndex;
  for (size_t i = index.size(); i < holder.children.size(); ++i) index[holder.children[i]] = i;
  auto found = index.find(id);
  return found == index.end() ? holder.children.end() : holder.children.begin() + found->second;
}

// Where `id` stands in the document's selection (end when it is not selected).
static std::vector<ObjectId>::const_iterator SelectionAt(const DocState& d, ObjectId id) {
  if (d.selectionIndex.size() != d.selection.size()) {
    d.selectionIndex.clear();
    for (size_t i = 0; i < d.selection.size(); ++i) d.selectionIndex[d.selection[i]] = i;
  }
  auto found = d.selectionIndex.find(id);
  return found == d.selectionIndex.end() ? d.selection.end() : d.selection.begin() + found->second;
}

// Sets a one-word value in place: cheaper than assigning a new Value, and reads are many.
static bool Put(Value* out, ValueKind kind, int32_t word) {
  out->kind = kind;
  out->word = word;
  out->range = {};
  out->list.clear();
  out->text.clear();
  return true;
}

static bool Computed(const Model& m, const ModelOptions& opt, const Object& o, int32_t p, Value* out) {
  const int t = o.type;
  if (t == obj::Document) {
    const DocState* d = m.Doc(o.id);
    switch (p) {
      case prop::TextSelection:
        *out = Value::Range(d->textSelection);
        return true;
      case prop::FirstSelectedGraphic:
        Put(out, ValueKind::Id, static_cast<int32_t>(d->selection.empty() ? 0 : d->selection.front()));
        return true;
      case prop::SelectedTable:
        Put(out, ValueKind::Id, static_cast<int32_t>(m.SelectedTable(o.id)));
        return true;
      case prop::GridSpacing:
        Put(out, ValueKind::Metric, d->grid);
        return true;
    }
    return false;
  }
  if (IsGraphicType(t)) {
    static const std::vector<ObjectId> none;
    const DocState* d = nullptr;
    auto at = none.end();  // where the graphic stands in the selection (SelectedFlag, NextSelectedGraphic)
    if (p == prop::SelectedFlag || p == prop::NextSelectedGraphic) {
      d = m.Doc(o.doc);
      at = d ? SelectionAt(*d, o.id) : none.end();
    }
    const auto& sel = d ? d->selection : none;
    switch (p) {
      case prop::SelectedFlag:
        Put(out, ValueKind::Int, at != sel.end() ? 1 : 0);
        return true;
      case prop::ContainingFrame: {
        const Object* f = m.Find(o.parent);
        Put(out, ValueKind::Id, static_cast<int32_t>(f && IsFrameType(f->type) ? f->id : 0));
        return true;
      }
      case prop::GraphicBelow:
      case prop::GraphicAbove: {
        ObjectId result = 0;
        const Object* holder = m.Find(o.parent ? o.parent : o.doc);
        if (holder && (IsFrameType(holder->type) || holder->type == obj::Document)) {
          // The nearest graphic above or below in the holder's stacking order.
          const auto& ch = holder->children;
          auto isGraphic = [&m](ObjectId c) {
            const Object* g = m.Find(c);
            return g && IsGraphicType(g->type);
          };
          auto it = ChildAt(*holder, o.id);
          if (it != ch.end()) {
            if (p == prop::GraphicAbove) {
              for (auto j = it + 1; j != ch.end() && !result; ++j)
                if (isGraphic(*j)) result = *j;
            } else {
              for (auto j = it; j != ch.begin() && !result;)
                if (isGraphic(*--j)) result = *j;
            }
          }
        }
        Put(out, ValueKind::Id, static_cast<int32_t>(result));
        return true;
      }
      case prop::NextSelectedGraphic: {
        ObjectId next = 0;
        if (at != sel.end()) {
          if (at + 1 != sel.end()) next = *(at + 1);
        } else if (opt.successorAfterDeselect && o.staleNext &&
                   std::find(sel.begin(), sel.end(), o.staleNext) != sel.end()) {
          next = o.staleNext;
        }
        Put(out, ValueKind::Id, static_cast<int32_t>(next));
        return true;
      }
    }
    return false;
  }
  switch (t) {
    case obj::FrameContent:
      if (p == prop::ContainingFrame) return Put(out, ValueKind::Id, static_cast<int32_t>(o.parent));
      return false;
    case obj::Paragraph:
      if (p == prop::TextContainer) return Put(out, ValueKind::Id, static_cast<int32_t>(o.parent));
      return false;
    case obj::Table: {
      const auto& widths = o.props.at(prop::TblColWidths).list;
      const DocState* d = m.Doc(o.doc);
      bool cellsHere = d && d->cells.table == o.id;
      int32_t cursorColumn = -1;
      if (!cellsHere && d && TableOfParagraph(m, d->textSelection.begin.object) == o.id) {
        const Object* para = m.Find(d->textSelection.begin.object);
        const Object* cell = m.Find(para->parent);
        cursorColumn = cell->props.at(prop::CellColumn).word;
      }
      switch (p) {
        case prop::TblColumnCount:
          Put(out, ValueKind::Int, static_cast<int32_t>(widths.size()));
          return true;
        case prop::TblWidth: {
          Metric sum = 0;
          for (Metric w : widths) sum = static_cast<Metric>(static_cast<uint32_t>(sum) + static_cast<uint32_t>(w));
          Put(out, ValueKind::Metric, sum);
          return true;
        }
        case prop::TblSelTop:
          // The id of the top selected row while cells are selected, else 0.
          Put(out, ValueKind::Int, cellsHere ? static_cast<int32_t>(m.Row(o.id, d->cells.top)) : 0);
          return true;
        case prop::TblSelFirstCol:
          Put(out, ValueKind::Int, cellsHere ? d->cells.left : cursorColumn);
          return true;
        case prop::TblSelLastCol:
          Put(out, ValueKind::Int, cellsHere ? d->cells.right : cursorColumn);
          return true;
      }
      return false;
    }
    case obj::Row: {
      const Object* table = m.Find(o.parent);
      if (!table) return false;
      switch (p) {
        case prop::RowTable:
          Put(out, ValueKind::Id, static_cast<int32_t>(o.parent));
          return true;
        case prop::PreviousRow: {
          ObjectId prev = 0;
          if (table) {
            auto it = std::find(table->children.begin(), table->children.end(), o.id);
            if (it != table->children.end() && it != table->children.begin()) prev = *(it - 1);
          }
          Put(out, ValueKind::Int, static_cast<int32_t>(prev));
          return true;
        }
        case prop::Width: {
          auto own = o.props.find(prop::Width);
          if (own != o.props.end()) return *out = own->second, true;
          Value w;
          Computed(m, opt, *table, prop::TblWidth, &w);
          *out = w;
          return true;
        }
      }
      return false;
    }
    case obj::Cell:
      if (p == prop::CellRow) return Put(out, ValueKind::Id, static_cast<int32_t>(o.parent));
      return false;
    case obj::Command:
      if (p == prop::EnableCondition) {
        auto it = o.props.find(prop::EnableCondition);
        *out = it == o.props.end() ? Value::Int(0) : it->second;
        return true;
      }
      return false;
  }
  return false;
}

int32_t Model::Get(ObjectId doc, ObjectId object, int32_t p, Value* out) const {
  // Emptied in place: reads are many (a whole-object write reads every property it is given).
  out->kind = ValueKind::None;
  out->word = 0;
  out->range = {};
  out->list.clear();
  out->text.clear();
  if (object == 0) {
    if (doc != 0) return status::BadDocument;
    if (p == prop::ActiveDocument) return *out = Value::Id(active_), status::Ok;
    if (p == prop::ScreenUpdates) return *out = Value::Int(screenUpdates), status::Ok;
    return status::BadProperty;
  }
  const Object* o = Find(object);
  if (!o) return status::BadObject;
  ObjectId expectedDoc = IsSessionObjectType(o->type) ? 0 : o->doc;
  if (doc != expectedDoc) return status::BadDocument;
  if (!forced_.empty())
    if (auto f = forced_.find({object, p}); f != forced_.end()) return *out = f->second, status::Ok;
  if (Computed(*this, options_, *o, p, out)) return status::Ok;
  auto it = o->props.find(p);
  if (it == o->props.end()) return status::BadProperty;
  *out = it->second;
  return status::Ok;
}

int32_t Model::Set(ObjectId doc, ObjectId object, int32_t p, const Value& v) {
  if (object == 0) {
    if (doc != 0) return status::BadDocument;
    if (p == prop::ScreenUpdates) {
      if (v.kind != ValueKind::Int) return status::WrongKind;
      Touch(0);
      screenUpdates = v.word;
      return status::Ok;
    }
    if (p == prop::ActiveDocument) return status::ReadOnly;
    return status::BadProperty;
  }
  Object* o = FindMutable(object);
  if (!o) return status::BadObject;
  ObjectId expectedDoc = IsSessionObjectType(o->type) ? 0 : o->doc;
  if (doc != expectedDoc) return status::BadDocument;
  if (o->type == obj::Document && p == prop::TextSelection) {
    if (v.kind != ValueKind::TextRange) return status::WrongKind;
    for (ObjectId t : {v.range.begin.object, v.range.end.object}) {
      const Object* x = Find(t);
      if (t != 0 && (!x || x->type != obj::Paragraph || x->doc != object)) return status::BadValue;
    }
    SetTextSelection(object, v.range);
    return status::Ok;
  }
  if (o->type == obj::Document && p == prop::GridSpacing) {
    if (v.kind != ValueKind::Metric) return status::WrongKind;
    Touch(object);
    Doc(object)->grid = v.word;
    return status::Ok;
  }
  if (IsGraphicType(o->type) && p == prop::SelectedFlag) {
    if (v.kind != ValueKind::Int) return status::WrongKind;
    SetSelected(object, v.word != 0);
    return status::Ok;
  }
  if (o->type == obj::Command && p == prop::EnableCondition) {
    if (v.kind != ValueKind::Int) return status::WrongKind;
    Touch(object);
    o->props[p] = v;
    return status::Ok;
  }
  Value current;
  if (Computed(*this, options_, *o, p, &current)) return status::ReadOnly;
  auto it = o->props.find(p);
  if (it == o->props.end()) return status::BadProperty;
  if (ReadOnlyStored(p) || (o->type == obj::Row && p == prop::Width)) return status::ReadOnly;
  if (it->second.kind != v.kind) return status::WrongKind;
  if (p == prop::TblColWidths && v.list.size() != it->second.list.size()) return status::BadValue;
  // A table's widths are also the width of its rows.
  if (o->type == obj::Table)
    TouchAll();
  else
    Touch(object);
  it->second = v;
  return status::Ok;
}

Value Model::Read(ObjectId object, int32_t p) const {
  const Object* o = object ? Find(object) : nullptr;
  ObjectId doc = (!o || IsSessionObjectType(o->type)) ? 0 : o->doc;
  Value v;
  Get(doc, object, p, &v);
  return v;
}

std::vector<std::pair<int32_t, Value>> Model::Properties(ObjectId object) const {
  std::vector<std::pair<int32_t, Value>> out;
  if (object == 0) {
    out.push_back({prop::ActiveDocument, Value::Id(active_)});
    out.push_back({prop::ScreenUpdates, Value::Int(screenUpdates)});
    return out;
  }
  const Object* o = Find(object);
  if (!o) return out;
  // The stored properties in order, with the computed ones merged in (they win); each computed
  // value is worked out in its place in the list.
  const int32_t* computed = ComputedProps(o->type);
  out.reserve(o->props.size() + 5);
  auto stored = o->props.begin();
  for (const int32_t* c = computed; *c; ++c) {
    for (; stored != o->props.end() && stored->first < *c; ++stored) out.emplace_back(stored->first, stored->second);
    out.emplace_back(*c, Value());
    if (!Computed(*this, options_, *o, *c, &out.back().second))
      out.pop_back();  // a stored value of that number, if any, follows in its turn
    else if (stored != o->props.end() && stored->first == *c)
      ++stored;
  }
  for (; stored != o->props.end(); ++stored) out.emplace_back(stored->first, stored->second);
  return out;
}

// ---- Menus and commands ----

ObjectId Model::LookupNamed(int type, const std::string& name) const {
  if (type != obj::Menu && type != obj::Command && type != obj::Separator) return 0;
  for (const auto& o : objects_)
    if (o.second.type == type && o.second.doc == 0 && o.second.name == name) return o.first;
  return 0;
}

static bool Holds(const Object& menu, ObjectId item) {
  return std::find(menu.children.begin(), menu.children.end(), item) != menu.children.end();
}

ObjectId Model::DefineMenu(ObjectId parent, const std::string& tag, const std::string& label, int32_t* status) {
  int32_t ignored = 0;
  if (!status) status = &ignored;
  *status = status::Ok;
  const Object* p = Find(parent);
  if (!p || p->type != obj::Menu) return *status = status::BadObject, 0;
  if (tag.empty()) return *status = status::BadValue, 0;
  ObjectId m = LookupNamed(obj::Menu, tag);
  if (m == 0) {
    m = NewObject(obj::Menu, 0, 0);
    objects_[m].name = tag;
  }
  objects_[m].label = label;
  if (!Holds(objects_[parent], m)) objects_[parent].children.push_back(m);
  return m;
}

ObjectId Model::DefineCommand(int32_t number, ObjectId menu, const std::string& tag, const std::string& label,
                              const std::string& shortcut, int32_t* status) {
  int32_t ignored = 0;
  if (!status) status = &ignored;
  *status = status::Ok;
  const Object* p = Find(menu);
  if (!p || p->type != obj::Menu) return *status = status::BadObject, 0;
  if (tag.empty()) return *status = status::BadValue, 0;
  ObjectId c = LookupNamed(obj::Command, tag);
  if (c == 0) {
    c = NewObject(obj::Command, 0, 0);
    objects_[c].name = tag;
    commands_.insert(c);
  }
  Object& o = objects_[c];
  o.number = number;
  o.label = label;
  o.shortcut = shortcut;
  if (!Holds(objects_[menu], c)) objects_[menu].children.push_back(c);
  return c;
}

int32_t Model::AddToMenu(ObjectId menu, ObjectId item) {
  const Object* m = Find(menu);
  const Object* i = Find(item);
  if (!m || m->type != obj::Menu) return status::BadObject;
  if (!i || (i->type != obj::Menu && i->type != obj::Command && i->type != obj::Separator)) return status::BadObject;
  if (item == menu) return status::BadValue;
  objects_[menu].children.push_back(item);
  return status::Ok;
}

ObjectId Model::CommandByNumber(int32_t number) const {
  for (ObjectId c : commands_)
    if (const Object* o = Find(c); o && o->number == number) return c;
  return 0;
}

ObjectId Model::CommandByShortcut(const std::string& shortcut) const {
  for (ObjectId c : commands_)
    if (const Object* o = Find(c); o && !shortcut.empty() && o->shortcut == shortcut) return c;
  return 0;
}

static std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  size_t e = s.find_last_not_of(" \t");
  return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

ObjectId Model::CommandByPath(const std::string& path) const {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    size_t gt = path.find('>', start);
    parts.push_back(Trim(path.substr(start, gt == std::string::npos ? std::string::npos : gt - start)));
    if (gt == std::string::npos) break;
    start = gt + 1;
  }
  ObjectId current = mainMenu_;
  for (size_t i = 0; i < parts.size(); ++i) {
    const Object* m = Find(current);
    ObjectId next = 0;
    bool last = i + 1 == parts.size();
    for (ObjectId c : m->children) {
      const Object* x = Find(c);
      if (!x || (x->label != parts[i] && x->name != parts[i])) continue;
      if ((last && x->type == obj::Command) || (!last && x->type == obj::Menu)) {
        next = c;
        break;
      }
    }
    if (next == 0) return 0;
    current = next;
  }
  return current;
}

std::string Model::MenuTree(ObjectId menu) const {
  std::string out;
  std::vector<ObjectId> path;
  std::function<void(ObjectId, int)> walk = [&](ObjectId id, int depth) {
    const Object* m = Find(id);
    if (!m) return;
    for (ObjectId c : m->children) {
      const Object* x = Find(c);
      std::string indent(static_cast<size_t>(depth) * 2, ' ');
      if (!x) {
        out += indent + "(missing " + FormatId(c) + ")\n";
        continue;
      }
      if (x->type == obj::Separator) {
        out += indent + "---- " + x->name + "\n";
      } else if (x->type == obj::Command) {
        Value e = Read(c, prop::EnableCondition);
        out += indent + x->label + " [" + x->name + "] " + x->shortcut + " #" + std::to_string(x->number) +
               " enable=" + std::to_string(e.word) + "\n";
      } else {
        out += indent + x->label + " [" + x->name + "] >\n";
        if (std::find(path.begin(), path.end(), c) == path.end()) {
          path.push_back(c);
          walk(c, depth + 1);
          path.pop_back();
        }
      }
    }
  };
  walk(menu ? menu : mainMenu_, 0);
  return out;
}

// Session properties (object 0), documents and what they hold; not menus and commands.
bool Model::InSnapshot(ObjectId id) const {
  if (id == 0) return true;
  const Object* o = Find(id);
  return o && (o->doc != 0 || o->type == obj::Document);
}

Snapshot Model::TakeSnapshot() const {
  Snapshot s;
  s.objects.emplace(0, Properties(0));
  for (const auto& o : objects_)
    if (o.second.doc != 0 || o.second.type == obj::Document)
      s.objects.emplace_hint(s.objects.end(), o.first, Properties(o.first));
  return s;
}

void Model::BeginChanges() {
  watching_ = true;
  watchingAll_ = false;
  watched_.objects.clear();
}

void Model::Touch(ObjectId id) {
  if (!watching_ || watchingAll_ || watched_.objects.count(id) || !InSnapshot(id)) return;
  watched_.objects.emplace(id, Properties(id));
}

void Model::TouchAll() {
  if (!watching_ || watchingAll_) return;
  // Objects written so far are taken as they were before their first write.
  Snapshot whole = TakeSnapshot();
  for (auto& o : watched_.objects) whole.objects[o.first] = std::move(o.second);
  watched_ = std::move(whole);
  watchingAll_ = true;
}

void Model::EndChanges(Snapshot* before, Snapshot* after) {
  after->objects.clear();
  if (watching_ && watchingAll_) {
    *after = TakeSnapshot();
  } else if (watching_) {
    for (const auto& o : watched_.objects)
      after->objects.emplace_hint(after->objects.end(), o.first, Properties(o.first));
  }
  *before = std::move(watched_);
  watched_.objects.clear();
  watching_ = false;
}

}  // namespace zvhost
