// The selections of a document: graphics in the order they were selected, table cells, the text
// selection, and which table counts as selected.
#include <algorithm>

#include "host/model/computed.h"

namespace zvhost {

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

void Model::TouchTextSelection(ObjectId doc, const DocState& d) {
  if (!watching_ || watchingAll_) return;
  Touch(doc);
  if (d.cells.table != 0) Touch(d.cells.table);
  if (ObjectId table = TableOfParagraph(*this, d.textSelection.begin.object)) Touch(table);
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
  TouchTextSelection(doc, *d);
  Touch(table);
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
  if (d->cells.table != 0) TouchTextSelection(doc, *d);  // without a table no property shows the cells
  d->cells = {};
}

void Model::SetTextSelection(ObjectId doc, TextRange range) {
  DocState* d = Doc(doc);
  if (!d) return;
  const TextRange& now = d->textSelection;
  bool same = now.begin.object == range.begin.object && now.begin.offset == range.begin.offset &&
              now.end.object == range.end.object && now.end.offset == range.end.offset;
  if (!same || (range.begin.object != 0 && d->cells.table != 0)) {
    TouchTextSelection(doc, *d);
    if (ObjectId table = TableOfParagraph(*this, range.begin.object)) Touch(table);
  }
  d->textSelection = range;
  if (range.begin.object != 0) d->cells = {};
}

ObjectId Model::SelectedTable(ObjectId doc) const {
  const DocState* d = Doc(doc);
  if (!d) return 0;
  if (d->cells.table) return d->cells.table;
  if (options_.tableSelectedByTextCursor) return TableOfParagraph(*this, d->textSelection.begin.object);
  return 0;
}

}  // namespace zvhost
