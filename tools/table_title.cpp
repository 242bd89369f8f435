// "Trim Table Title": the indents of the title's first paragraph are set so that the title
// runs over the table's own horizontal extent.
#include "hostapi/host_constants.h"
#include "hostapi/host_ops.h"
#include "tools/tools_internal.h"

namespace zv {

namespace {

constexpr const char* TextSelectTable = "First select a table. Then try again.";
constexpr const char* TextNoTitle = "Table has no title.";

bool TrimmableAlignment(int32_t alignment) {
  return alignment == 1 || alignment == 4;
}

}  // namespace

void TrimTableTitle() {
  ObjectId doc = GetIdProp(SessionId, SessionId, PropActiveDocument);
  ObjectId table = GetIdProp(SessionId, doc, PropSelectedTable);
  if (table == 0) {
    ShowRefusal(TextSelectTable);
    return;
  }
  ObjectId title = GetIdProp(doc, table, PropTblTitleParagraph);
  if (title == 0) {
    ShowRefusal(TextNoTitle);
    return;
  }
  MetricValue tableIndent = GetMetricProp(doc, table, PropTblLeftIndent);
  MetricValue tableWidth = GetMetricProp(doc, table, PropTblWidth);
  ObjectId container = GetIdProp(doc, title, PropTextContainer);
  ObjectId row = GetIdProp(doc, container, PropCellRow);
  MetricValue available = GetMetricProp(doc, row, PropWidth);
  int32_t placement = GetIntProp(doc, table, PropTblPlacement);

  MetricValue left;
  MetricValue right;
  if (placement == 0) {
    if (!TrimmableAlignment(GetIntProp(doc, title, PropParaAlignment))) return;
    left = tableIndent;
    right = MetricSub(MetricSub(available, tableWidth), tableIndent);
  } else if (placement == 1) {
    if (!TrimmableAlignment(GetIntProp(doc, title, PropParaAlignment))) return;
    left = 0;
    right = MetricSub(available, tableWidth);
  } else {
    return;
  }

  ScreenUpdates(0);
  TakePropertySnapshot(doc, title);
  SetMetricProp(doc, title, PropParaLeftIndent, left);
  SetMetricProp(doc, title, PropParaFirstIndent, left);
  SetMetricProp(doc, title, PropParaRightIndent, right);
  ScreenUpdates(1);
  RefreshDocument(doc);
}

}  // namespace zv
