// "Resize Graphic To Grid Height...": makes the selected graphic's height a whole number of
// grid spacings, asked of the user, and scales its width by the same factor.
#include "hostapi/host_constants.h"
#include "hostapi/host_ops.h"
#include "tools/tools_internal.h"
#include "util/memory.h"
#include "util/metric.h"
#include "util/text.h"

namespace zv {

namespace {

constexpr const char* TextHeightFactor = "Height Factor? (x * Grid Spacing)";
constexpr size_t DefaultChars = 15;

// The current height in grid spacings, rounded to the nearest whole number.
int32_t DefaultFactor(MetricValue height, MetricValue grid) {
  double spacings = MetricToReal(MetricDiv(height, grid));
  return static_cast<int32_t>(spacings + 0.5);  // |spacings| < 32768: always in range
}

}  // namespace

void ResizeGraphicToGridHeight() {
  GraphicSelection sel;
  if (!FindSelectedGraphic(&sel)) return;
  MetricValue grid = GetMetricProp(SessionId, sel.doc, PropGridSpacing);
  MetricValue w = GetMetricProp(sel.doc, sel.graphic, PropWidth);
  MetricValue h = GetMetricProp(sel.doc, sel.graphic, PropHeight);
  // A graphic without height (a horizontal line) has no proportion to scale by: it stays.
  if (h == 0) return;

  char* defaultText = TextNew(DefaultChars);
  TextAppendInt(defaultText, DefaultFactor(h, grid), DefaultChars);
  int32_t n = 0;
  int32_t answer = AskForInteger(&n, TextHeightFactor, defaultText != nullptr ? defaultText : "");
  if (answer == 0) {
    TakePropertySnapshot(sel.doc, sel.graphic);
    MetricValue newHeight = MetricMulDiv(grid, n, 1);
    MetricValue newWidth = MetricMulDiv(newHeight, w, h);
    ScreenUpdates(0);
    SetMetricProp(sel.doc, sel.graphic, PropWidth, newWidth);
    SetMetricProp(sel.doc, sel.graphic, PropHeight, newHeight);
    ScreenUpdates(1);
    RefreshDocument(sel.doc);
  }
  ClientFree(defaultText);
}

}  // namespace zv
