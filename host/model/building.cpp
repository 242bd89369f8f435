// Building documents: pages, frames, graphics, text frames, paragraphs and tables, given in points.
#include <algorithm>

#include "host/model/model.h"

namespace zvhost {

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
  // The graphic goes on top of its frame: of the others only the graphic just below it changes
  // (the one above it), so a watch need not copy the whole model.
  for (auto c = f->children.rbegin(); c != f->children.rend(); ++c)
    if (const Object* below = Find(*c); below && IsGraphicType(below->type)) {
      Touch(*c);
      break;
    }
  ObjectId id = MakeObject(type, doc, frame);
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

}  // namespace zvhost
