// The properties the model computes, one handler each: a document's selections and grid, a
// graphic's selection and stacking neighbours, a table's columns and selected cells, a row's
// table, predecessor and width, and the parents that paragraphs, cells and frame contents name.
// Adding a computed property is one handler and one row of its type's table below.
#include "host/model/computed.h"

#include <algorithm>

namespace zvhost {

ObjectId TableOfParagraph(const Model& m, ObjectId paragraph) {
  const Object* p = m.Find(paragraph);
  if (!p || p->type != obj::Paragraph) return 0;
  const Object* cell = m.Find(p->parent);
  if (!cell || cell->type != obj::Cell) return 0;
  const Object* row = m.Find(cell->parent);
  return row ? row->parent : 0;
}

namespace {

// Sets a one-word value in place: cheaper than assigning a new Value, and reads are many.
bool Put(Value* out, ValueKind kind, int32_t word) {
  out->kind = kind;
  out->word = word;
  out->range = {};
  out->list.clear();
  out->text.clear();
  return true;
}

bool PutId(Value* out, ObjectId id) {
  return Put(out, ValueKind::Id, static_cast<int32_t>(id));
}

// Where `id` stands among the holder's children (end when it is not one of them).
std::vector<ObjectId>::const_iterator ChildAt(const Object& holder, ObjectId id) {
  auto& index = holder.childIndex;
  for (size_t i = index.size(); i < holder.children.size(); ++i) index[holder.children[i]] = i;
  auto found = index.find(id);
  return found == index.end() ? holder.children.end() : holder.children.begin() + found->second;
}

// Where `id` stands in the document's selection (end when it is not selected).
std::vector<ObjectId>::const_iterator SelectionAt(const DocState& d, ObjectId id) {
  if (d.selectionIndex.size() != d.selection.size()) {
    d.selectionIndex.clear();
    for (size_t i = 0; i < d.selection.size(); ++i) d.selectionIndex[d.selection[i]] = i;
  }
  auto found = d.selectionIndex.find(id);
  return found == d.selectionIndex.end() ? d.selection.end() : d.selection.begin() + found->second;
}

// The parent an object names: a frame content's frame, a paragraph's text container, a cell's row.
bool ParentOf(const Model&, const ModelOptions&, const Object& o, Value* out) {
  return PutId(out, o.parent);
}

// ---- Documents ----

bool DocTextSelection(const Model& m, const ModelOptions&, const Object& o, Value* out) {
  *out = Value::Range(m.Doc(o.id)->textSelection);
  return true;
}

bool DocFirstSelectedGraphic(const Model& m, const ModelOptions&, const Object& o, Value* out) {
  const DocState* d = m.Doc(o.id);
  return PutId(out, d->selection.empty() ? 0 : d->selection.front());
}

bool DocSelectedTable(const Model& m, const ModelOptions&, const Object& o, Value* out) {
  return PutId(out, m.SelectedTable(o.id));
}

bool DocGridSpacing(const Model& m, const ModelOptions&, const Object& o, Value* out) {
  return Put(out, ValueKind::Metric, m.Doc(o.id)->grid);
}

// ---- Graphics ----

// The graphic's document's selection (empty without a document) and where the graphic stands
// in it (its end when the graphic is not selected).
const std::vector<ObjectId>& SelectionOf(const Model& m, const Object& o, std::vector<ObjectId>::const_iterator* at) {
  static const std::vector<ObjectId> none;
  const DocState* d = m.Doc(o.doc);
  *at = d ? SelectionAt(*d, o.id) : none.end();
  return d ? d->selection : none;
}

bool GraphicSelectedFlag(const Model& m, const ModelOptions&, const Object& o, Value* out) {
  std::vector<ObjectId>::const_iterator at;
  const auto& sel = SelectionOf(m, o, &at);
  return Put(out, ValueKind::Int, at != sel.end() ? 1 : 0);
}

bool GraphicContainingFrame(const Model& m, const ModelOptions&, const Object& o, Value* out) {
  const Object* f = m.Find(o.parent);
  return PutId(out, f && IsFrameType(f->type) ? f->id : 0);
}

// The nearest graphic above or below `o` in its holder's stacking order, or 0.
ObjectId StackNeighbour(const Model& m, const Object& o, bool above) {
  ObjectId result = 0;
  const Object* holder = m.Find(o.parent ? o.parent : o.doc);
  if (!holder || !(IsFrameType(holder->type) || holder->type == obj::Document)) return result;
  const auto& ch = holder->children;
  auto isGraphic = [&m](ObjectId c) {
    const Object* g = m.Find(c);
    return g && IsGraphicType(g->type);
  };
  auto it = ChildAt(*holder, o.id);
  if (it == ch.end()) return result;
  if (above) {
    for (auto j = it + 1; j != ch.end() && !result; ++j)
      if (isGraphic(*j)) result = *j;
  } else {
    for (auto j = it; j != ch.begin() && !result;)
      if (isGraphic(*--j)) result = *j;
  }
  return result;
}

bool GraphicBelow(const Model& m, const ModelOptions&, const Object& o, Value* out) {
  return PutId(out, StackNeighbour(m, o, false));
}

bool GraphicAbove(const Model& m, const ModelOptions&, const Object& o, Value* out) {
  return PutId(out, StackNeighbour(m, o, true));
}

bool GraphicNextSelected(const Model& m, const ModelOptions& opt, const Object& o, Value* out) {
  std::vector<ObjectId>::const_iterator at;
  const auto& sel = SelectionOf(m, o, &at);
  ObjectId next = 0;
  if (at != sel.end()) {
    if (at + 1 != sel.end()) next = *(at + 1);
  } else if (opt.successorAfterDeselect && o.staleNext && std::find(sel.begin(), sel.end(), o.staleNext) != sel.end()) {
    next = o.staleNext;
  }
  return PutId(out, next);
}

// ---- Tables ----

const std::vector<Metric>& ColumnWidths(const Object& table) {
  return table.props.at(prop::TblColWidths).list;
}

// What of a table is selected: its cells, or else the column of an insertion point in one of
// its cells (-1 when there is none).
struct TableSelection {
  const DocState* d = nullptr;
  bool cellsHere = false;
  int32_t cursorColumn = -1;
};

TableSelection TableSelectionOf(const Model& m, const Object& o) {
  TableSelection s;
  s.d = m.Doc(o.doc);
  s.cellsHere = s.d && s.d->cells.table == o.id;
  if (!s.cellsHere && s.d && TableOfParagraph(m, s.d->textSelection.begin.object) == o.id) {
    const Object* para = m.Find(s.d->textSelection.begin.object);
    const Object* cell = m.Find(para->parent);
    s.cursorColumn = cell->props.at(prop::CellColumn).word;
  }
  return s;
}

bool TableColumnCount(const Model&, const ModelOptions&, const Object& o, Value* out) {
  return Put(out, ValueKind::Int, static_cast<int32_t>(ColumnWidths(o).size()));
}

bool TableWidth(const Model&, const ModelOptions&, const Object& o, Value* out) {
  Metric sum = 0;
  for (Metric w : ColumnWidths(o)) sum = static_cast<Metric>(static_cast<uint32_t>(sum) + static_cast<uint32_t>(w));
  return Put(out, ValueKind::Metric, sum);
}

// The id of the top selected row while cells are selected, else 0.
bool TableSelTop(const Model& m, const ModelOptions&, const Object& o, Value* out) {
  TableSelection s = TableSelectionOf(m, o);
  return Put(out, ValueKind::Int, s.cellsHere ? static_cast<int32_t>(m.Row(o.id, s.d->cells.top)) : 0);
}

bool TableSelFirstCol(const Model& m, const ModelOptions&, const Object& o, Value* out) {
  TableSelection s = TableSelectionOf(m, o);
  return Put(out, ValueKind::Int, s.cellsHere ? s.d->cells.left : s.cursorColumn);
}

bool TableSelLastCol(const Model& m, const ModelOptions&, const Object& o, Value* out) {
  TableSelection s = TableSelectionOf(m, o);
  return Put(out, ValueKind::Int, s.cellsHere ? s.d->cells.right : s.cursorColumn);
}

// ---- Rows: no value while the row's table is missing ----

bool RowWidth(const Model& m, const ModelOptions& opt, const Object& o, Value* out) {
  const Object* table = m.Find(o.parent);
  if (!table) return false;
  auto own = o.props.find(prop::Width);
  if (own != o.props.end()) return *out = own->second, true;
  Value w;
  Computed(m, opt, *table, prop::TblWidth, &w);
  *out = w;
  return true;
}

bool RowPrevious(const Model& m, const ModelOptions&, const Object& o, Value* out) {
  const Object* table = m.Find(o.parent);
  if (!table) return false;
  ObjectId prev = 0;
  auto it = std::find(table->children.begin(), table->children.end(), o.id);
  if (it != table->children.end() && it != table->children.begin()) prev = *(it - 1);
  return Put(out, ValueKind::Int, static_cast<int32_t>(prev));
}

bool RowTable(const Model& m, const ModelOptions&, const Object& o, Value* out) {
  if (!m.Find(o.parent)) return false;
  return PutId(out, o.parent);
}

// ---- Commands ----

bool CommandEnableCondition(const Model&, const ModelOptions&, const Object& o, Value* out) {
  auto it = o.props.find(prop::EnableCondition);
  *out = it == o.props.end() ? Value::Int(0) : it->second;
  return true;
}

// ---- The table: per object type, its computed properties in number order ----

constexpr ComputedProp kDocument[] = {{prop::TextSelection, DocTextSelection},
                                      {prop::FirstSelectedGraphic, DocFirstSelectedGraphic},
                                      {prop::SelectedTable, DocSelectedTable},
                                      {prop::GridSpacing, DocGridSpacing}};
constexpr ComputedProp kGraphic[] = {{prop::SelectedFlag, GraphicSelectedFlag},
                                     {prop::ContainingFrame, GraphicContainingFrame},
                                     {prop::GraphicBelow, GraphicBelow},
                                     {prop::GraphicAbove, GraphicAbove},
                                     {prop::NextSelectedGraphic, GraphicNextSelected}};
constexpr ComputedProp kFrameContent[] = {{prop::ContainingFrame, ParentOf}};
constexpr ComputedProp kParagraph[] = {{prop::TextContainer, ParentOf}};
constexpr ComputedProp kTable[] = {{prop::TblColumnCount, TableColumnCount},
                                   {prop::TblWidth, TableWidth},
                                   {prop::TblSelTop, TableSelTop},
                                   {prop::TblSelFirstCol, TableSelFirstCol},
                                   {prop::TblSelLastCol, TableSelLastCol}};
constexpr ComputedProp kRow[] = {{prop::Width, RowWidth}, {prop::PreviousRow, RowPrevious}, {prop::RowTable, RowTable}};
constexpr ComputedProp kCell[] = {{prop::CellRow, ParentOf}};
constexpr ComputedProp kCommand[] = {{prop::EnableCondition, CommandEnableCondition}};

template <size_t N>
constexpr ComputedList List(const ComputedProp (&props)[N]) {
  return {props, props + N};
}

template <size_t N>
constexpr bool InNumberOrder(const ComputedProp (&props)[N]) {
  for (size_t i = 1; i < N; ++i)
    if (props[i].prop <= props[i - 1].prop) return false;
  return true;
}
static_assert(InNumberOrder(kDocument) && InNumberOrder(kGraphic) && InNumberOrder(kTable) && InNumberOrder(kRow),
              "computed properties are listed in number order");

struct TypeProps {
  int type;
  ComputedList props;
};
// Graphic types (all of them) are found by IsGraphicType, not listed here.
constexpr TypeProps kByType[] = {{obj::Document, List(kDocument)},
                                 {obj::FrameContent, List(kFrameContent)},
                                 {obj::Paragraph, List(kParagraph)},
                                 {obj::Table, List(kTable)},
                                 {obj::Row, List(kRow)},
                                 {obj::Cell, List(kCell)},
                                 {obj::Command, List(kCommand)}};

}  // namespace

ComputedList ComputedProps(int type) {
  if (IsGraphicType(type)) return List(kGraphic);
  for (const TypeProps& t : kByType)
    if (t.type == type) return t.props;
  return {};
}

bool Computed(const Model& m, const ModelOptions& opt, const Object& o, int32_t p, Value* out) {
  ComputedList list = ComputedProps(o.type);
  for (const ComputedProp* c = list.begin; c != list.end; ++c)
    if (c->prop == p) return c->get(m, opt, o, out);
  return false;
}

}  // namespace zvhost
