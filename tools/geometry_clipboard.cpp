// The geometry clipboard: "Copy Graphic Props" remembers where the selected graphic is and
// how big it is; the paste and resize commands apply that to another graphic.
#include "hostapi/host_constants.h"
#include "hostapi/host_ops.h"
#include "hostapi/prop_list.h"
#include "tools/tools_internal.h"
#include "util/metric.h"

namespace zv {

CopiedGeometry Copied = {0, 0, 0, 0};
bool GeometryCopied = false;

void SetColumnWidths(MetricList* list, int32_t first, int32_t last, MetricValue width) {
  int64_t from = first < 0 ? 0 : first;
  int64_t to = last;
  if (to > static_cast<int64_t>(list->count) - 1) to = static_cast<int64_t>(list->count) - 1;
  for (int64_t i = from; i <= to; ++i) list->items[i] = width;
}

namespace {

constexpr const char* TextSelectObjectOrCells = "First select an object or table cell(s). Then try again.";
constexpr const char* TextCopyFirst = "First copy a graphic with Copy Graphic Props. Then try again.";

// True when the clipboard holds a copy; otherwise the refusal is shown and nothing changes.
bool HaveCopiedGeometry() {
  if (!GeometryCopied) ShowRefusal(TextCopyFirst);
  return GeometryCopied;
}

// Steps S and U: the selected graphic with its snapshot taken, or false after the alert
// (nothing selected, or nothing copied yet).
bool BeginGraphicChange(GraphicSelection* sel) {
  if (!FindSelectedGraphic(sel) || !HaveCopiedGeometry()) return false;
  TakePropertySnapshot(sel->doc, sel->graphic);
  return true;
}

// Steps D1 and R after writes made with screen updates suspended.
void EndGraphicChange(const GraphicSelection& sel) {
  ScreenUpdates(1);
  RefreshDocument(sel.doc);
}

void SetMetric(const GraphicSelection& sel, int32_t prop, MetricValue value) {
  SetMetricProp(sel.doc, sel.graphic, prop, value);
}

MetricValue GetMetric(const GraphicSelection& sel, int32_t prop) {
  return GetMetricProp(sel.doc, sel.graphic, prop);
}

// "Paste Graphic Width" on the columns of the selected table.
void PasteColumnWidth(ObjectId doc) {
  ObjectId table = GetIdProp(SessionId, doc, PropSelectedTable);
  if (table == 0) {
    ShowRefusal(TextSelectObjectOrCells);
    return;
  }
  if (!HaveCopiedGeometry()) return;
  int32_t first = GetIntProp(doc, table, PropTblSelFirstCol);
  int32_t last = GetIntProp(doc, table, PropTblSelLastCol);
  if (GetIntProp(doc, table, PropTblSelTop) == 0) {
    // The selection does not give the columns: take the cell that holds the text selection.
    TextRange range = GetTextRangeProp(SessionId, doc, PropTextSelection);
    ObjectId container = GetIdProp(doc, range.begin.object, PropTextContainer);
    if (ObjectType(container) == ObjCell) first = last = GetIntProp(doc, container, PropCellColumn);
  }
  MetricValue marginB = GetMetricProp(doc, table, PropTblCellMarginB);
  MetricValue marginA = GetMetricProp(doc, table, PropTblCellMarginA);
  MetricValue pad = MetricAdd(marginB, marginA);
  MetricList widths = GetMetricListProp(doc, table, PropTblColWidths);
  // An empty list (none, or the read failed) has nothing to change; writing it back could
  // only wipe the table's widths.
  if (widths.count == 0 || widths.items == nullptr) {  // GCOVR_EXCL_BR_LINE: nonzero counts come with items
    MetricListFree(&widths);
    return;
  }
  SetColumnWidths(&widths, first, last, MetricAdd(Copied.width, pad));
  TakePropertySnapshot(doc, table);  // the table still has its old widths here
  SetMetricListProp(doc, table, PropTblColWidths, &widths);
  MetricListFree(&widths);
}

}  // namespace

void CopyGraphicProps() {
  GraphicSelection sel;
  if (!FindSelectedGraphic(&sel)) return;
  Copied.x = GetMetric(sel, PropPosX);
  Copied.y = GetMetric(sel, PropPosY);
  Copied.width = GetMetric(sel, PropWidth);
  Copied.height = GetMetric(sel, PropHeight);
  GeometryCopied = true;  // zeros copied from a graphic are a copy too
}

void PasteGraphicPos() {
  GraphicSelection sel;
  if (!BeginGraphicChange(&sel)) return;
  ScreenUpdates(0);
  SetMetric(sel, PropPosX, Copied.x);
  SetMetric(sel, PropPosY, Copied.y);
  EndGraphicChange(sel);
}

void PasteGraphicLeftPos() {
  GraphicSelection sel;
  if (!BeginGraphicChange(&sel)) return;
  ScreenUpdates(0);
  SetMetric(sel, PropPosX, Copied.x);
  EndGraphicChange(sel);
}

void PasteGraphicTopPos() {
  GraphicSelection sel;
  if (!BeginGraphicChange(&sel)) return;
  ScreenUpdates(0);
  SetMetric(sel, PropPosY, Copied.y);
  EndGraphicChange(sel);
}

void PasteGraphicRightPos() {
  GraphicSelection sel;
  if (!BeginGraphicChange(&sel)) return;
  MetricValue w = GetMetric(sel, PropWidth);
  ScreenUpdates(0);
  SetMetric(sel, PropPosX, MetricAdd(MetricSub(Copied.width, w), Copied.x));
  EndGraphicChange(sel);
}

void PasteGraphicBottomPos() {
  GraphicSelection sel;
  if (!BeginGraphicChange(&sel)) return;
  MetricValue h = GetMetric(sel, PropHeight);
  ScreenUpdates(0);
  SetMetric(sel, PropPosY, MetricAdd(MetricSub(Copied.height, h), Copied.y));
  EndGraphicChange(sel);
}

void PasteGraphicSize() {
  GraphicSelection sel;
  if (!BeginGraphicChange(&sel)) return;
  ScreenUpdates(0);
  SetMetric(sel, PropWidth, Copied.width);
  SetMetric(sel, PropHeight, Copied.height);
  EndGraphicChange(sel);
}

void PasteGraphicWidth() {
  GraphicSelection sel = ReadGraphicSelection();
  if (sel.graphic == 0) {
    PasteColumnWidth(sel.doc);
    return;
  }
  if (!HaveCopiedGeometry()) return;
  TakePropertySnapshot(sel.doc, sel.graphic);
  SetMetric(sel, PropWidth, Copied.width);
}

void PasteGraphicHeight() {
  GraphicSelection sel;
  if (!BeginGraphicChange(&sel)) return;
  SetMetric(sel, PropHeight, Copied.height);
}

void ResizeGraphicToCopiedWidth() {
  GraphicSelection sel;
  if (!BeginGraphicChange(&sel)) return;
  MetricValue w = GetMetric(sel, PropWidth);
  MetricValue h = GetMetric(sel, PropHeight);
  if (w == 0) return;  // no proportion to keep: the graphic stays as it is
  MetricValue newHeight = MetricMulDiv(Copied.width, h, w);
  ScreenUpdates(0);
  SetMetric(sel, PropWidth, Copied.width);
  SetMetric(sel, PropHeight, newHeight);
  EndGraphicChange(sel);
}

void ResizeGraphicToCopiedHeight() {
  GraphicSelection sel;
  if (!BeginGraphicChange(&sel)) return;
  MetricValue w = GetMetric(sel, PropWidth);
  MetricValue h = GetMetric(sel, PropHeight);
  if (h == 0) return;  // no proportion to keep: the graphic stays as it is
  MetricValue newWidth = MetricMulDiv(Copied.height, w, h);
  ScreenUpdates(0);
  SetMetric(sel, PropWidth, newWidth);
  SetMetric(sel, PropHeight, Copied.height);
  EndGraphicChange(sel);
}

}  // namespace zv
