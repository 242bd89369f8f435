// Moving the selection through the object hierarchy and the stacking order of a frame, and
// the two selection routines the commands share.
#include "hostapi/host_constants.h"
#include "hostapi/host_ops.h"
#include "tools/tools_internal.h"

namespace zv {

namespace {

bool IsGraphicType(int type) {
  return (type >= ObjFirstGraphic && type <= ObjLastGraphic) || type == ObjAnchoredFrame;
}

// Steps from `row` back to the table's first row: 0 for the first row, -1 for row 0.
int32_t RowIndex(ObjectId doc, ObjectId table, ObjectId row) {
  ObjectId first = static_cast<ObjectId>(GetIntProp(doc, table, PropTblFirstRow));
  int32_t index = -1;
  for (uint32_t steps = 0; row != 0 && steps < HostWalkLimit; ++steps) {
    ++index;
    if (row == first) break;
    row = static_cast<ObjectId>(GetIntProp(doc, row, PropPreviousRow));
  }
  return index;
}

void SelectRow(ObjectId doc, ObjectId row) {
  ObjectId table = GetIdProp(doc, row, PropRowTable);
  int32_t index = RowIndex(doc, table, row);
  int32_t columns = GetIntProp(doc, table, PropTblColumnCount);
  int32_t lastColumn = static_cast<int32_t>(static_cast<uint32_t>(columns) - 1u);
  SelectTableCells(doc, table, index, index, 0, lastColumn);
}

void SelectCell(ObjectId doc, ObjectId cell) {
  int32_t column = GetIntProp(doc, cell, PropCellColumn);
  ObjectId row = GetIdProp(doc, cell, PropCellRow);
  ObjectId table = GetIdProp(doc, row, PropRowTable);
  int32_t index = RowIndex(doc, table, row);
  SelectTableCells(doc, table, index, index, column, column);
}

// The text frame or table cell whose text holds the anchor of `object`.
ObjectId AnchorContainer(ObjectId doc, ObjectId object) {
  TextLoc anchor = GetTextLocProp(doc, object, PropAnchorLocation);
  return GetIdProp(doc, anchor.object, PropTextContainer);
}

void SelectNeighbour(int32_t prop) {
  GraphicSelection sel;
  if (!FindSelectedGraphic(&sel)) return;
  ObjectId next = GetIdProp(sel.doc, sel.graphic, prop);
  if (next == 0) return;  // already at the end of the stacking order
  DeselectAll(sel.doc);
  SelectObject(sel.doc, next);
}

}  // namespace

void DeselectAll(ObjectId doc) {
  ObjectId g = GetIdProp(SessionId, doc, PropFirstSelectedGraphic);
  for (uint32_t steps = 0; g != 0 && steps < HostWalkLimit; ++steps) {
    SetIntProp(doc, g, PropSelectedFlag, 0);
    g = GetIdProp(doc, g, PropNextSelectedGraphic);
  }
}

void SelectObject(ObjectId doc, ObjectId object) {
  // Objects that cannot be selected by themselves stand for their frame.
  for (uint32_t steps = 0; object != 0 && steps < HostWalkLimit; ++steps) {
    int type = ObjectType(object);
    if (IsGraphicType(type)) {
      SetIntProp(doc, object, PropSelectedFlag, 1);
    } else if (type == ObjParagraph) {
      TextRange start = {{object, 0}, {object, 0}};
      SetTextRangeProp(SessionId, doc, PropTextSelection, &start);
    } else if (type == ObjTable) {
      SelectTableCells(doc, object, ValWholeTable, 0, 0, 0);
    } else if (type == ObjRow) {
      SelectRow(doc, object);
    } else if (type == ObjCell) {
      SelectCell(doc, object);
    } else if (type == ObjFrameContent) {
      object = GetIdProp(doc, object, PropContainingFrame);
      continue;
    }
    return;
  }
}

void SelectParentObject() {
  GraphicSelection sel = ReadGraphicSelection();
  ObjectId doc = sel.doc;
  if (sel.graphic != 0) {
    int type = ObjectType(sel.graphic);
    if (type == ObjUnanchoredFrame) return;  // no parent that can be selected
    ObjectId parent =
        type == ObjAnchoredFrame ? AnchorContainer(doc, sel.graphic) : GetIdProp(doc, sel.graphic, PropContainingFrame);
    if (parent == 0) return;
    DeselectAll(doc);
    SelectObject(doc, parent);
    return;
  }
  ObjectId table = GetIdProp(SessionId, doc, PropSelectedTable);
  if (table != 0) {
    SelectObject(doc, AnchorContainer(doc, table));
    return;
  }
  TextRange text = GetTextRangeProp(SessionId, doc, PropTextSelection);
  if (text.begin.object == 0 || text.end.object == 0) return;
  ObjectId parent = GetIdProp(doc, text.begin.object, PropTextContainer);
  TextRange none = {{0, 0}, {0, 0}};
  SetTextRangeProp(SessionId, doc, PropTextSelection, &none);
  SelectObject(doc, parent);
}

void SelectNextObjectAbove() {
  SelectNeighbour(PropGraphicAbove);
}

void SelectNextObjectBelow() {
  SelectNeighbour(PropGraphicBelow);
}

}  // namespace zv
