// "Make Figure Title Right": of two selected graphics in one frame, the title is moved half a
// centimetre to the right of the figure and stretched to the frame's right edge.
#include "hostapi/host_constants.h"
#include "hostapi/host_ops.h"
#include "tools/tools_internal.h"

namespace zv {

namespace {

constexpr const char* TextSelectTwo = "First select two objects. Then try again.";
constexpr const char* TextSameFrame = "Both objects must share the same frame.";
constexpr double TitleGap = 928856.5;  // half a centimetre in 1/65536 pt

void Swap(ObjectId* a, ObjectId* b) {
  ObjectId t = *a;
  *a = *b;
  *b = t;
}

}  // namespace

void MakeFigureTitleRight() {
  // a: the title, moved; b: the figure, which stays.
  ObjectId doc = GetIdProp(SessionId, SessionId, PropActiveDocument);
  ObjectId a = GetIdProp(SessionId, doc, PropFirstSelectedGraphic);
  ObjectId b = GetIdProp(doc, a, PropNextSelectedGraphic);
  if (a == 0 || b == 0) {
    ShowRefusal(TextSelectTwo);
    return;
  }
  // The graphic the user selected first comes first; equal times keep the host's order.
  double timeA = SelectionLookup(doc, a).selectedSince;
  double timeB = SelectionLookup(doc, b).selectedSince;
  if (timeB < timeA) Swap(&a, &b);

  ObjectId frame = GetIdProp(doc, a, PropContainingFrame);
  if (frame == 0 || GetIdProp(doc, b, PropContainingFrame) != frame) {
    ShowRefusal(TextSameFrame);
    return;
  }
  if (ObjectType(b) == ObjTextFrame) Swap(&a, &b);  // a text frame is the title

  TakePropertySnapshot(doc, a);
  MetricValue figureX = GetMetricProp(doc, b, PropPosX);
  MetricValue figureWidth = GetMetricProp(doc, b, PropWidth);
  MetricValue frameWidth = GetMetricProp(doc, frame, PropWidth);
  MetricValue newX = MetricFromReal(static_cast<double>(MetricAdd(figureX, figureWidth)) + TitleGap);

  ScreenUpdates(0);
  SetMetricProp(doc, a, PropPosX, newX);
  SetMetricProp(doc, a, PropWidth, MetricSub(frameWidth, newX));
  ScreenUpdates(1);
  RefreshDocument(doc);
}

}  // namespace zv
