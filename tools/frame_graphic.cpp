// "Add Frame To Graphic": a thin unfilled rectangle a quarter point inside the selected
// graphic, left as the only selected graphic.
#include "hostapi/host_constants.h"
#include "hostapi/host_ops.h"
#include "tools/tools_internal.h"

namespace zv {

namespace {

constexpr const char* TextUnsupported = "Unsupported object selected. Try again.";
constexpr double Inset = 16384.0;       // 0.25 pt on each side
constexpr MetricValue Outline = 32768;  // 0.5 pt

bool IsFrame(ObjectId id) {
  int type = ObjectType(id);
  return type == ObjUnanchoredFrame || type == ObjAnchoredFrame;
}

}  // namespace

void AddFrameToGraphic() {
  GraphicSelection sel;
  if (!FindSelectedGraphic(&sel)) return;
  ObjectId doc = sel.doc;
  ObjectId g = sel.graphic;
  // A selected frame gets the rectangle inside itself, in its own coordinates.
  ObjectId frame = IsFrame(g) ? g : GetIdProp(doc, g, PropContainingFrame);
  if (frame == 0) {
    ShowRefusal(TextUnsupported);
    return;
  }
  MetricValue w = GetMetricProp(doc, g, PropWidth);
  MetricValue h = GetMetricProp(doc, g, PropHeight);
  MetricValue x = 0;
  MetricValue y = 0;
  if (frame != g) {
    x = GetMetricProp(doc, g, PropPosX);
    y = GetMetricProp(doc, g, PropPosY);
  }
  ObjectId rect = CreateGraphic(doc, ObjRectangle, frame);
  // Without a rectangle there is nothing to place: the selection and the undo record stay.
  if (rect == 0) return;

  ScreenUpdates(0);
  SetMetricProp(doc, rect, PropWidth, MetricFromReal(w - 2 * Inset));
  SetMetricProp(doc, rect, PropHeight, MetricFromReal(h - 2 * Inset));
  SetMetricProp(doc, rect, PropPosX, MetricFromReal(x + Inset));
  SetMetricProp(doc, rect, PropPosY, MetricFromReal(y + Inset));
  SetMetricProp(doc, rect, PropOutlineWidth, Outline);
  SetIntProp(doc, rect, PropFillPattern, ValFillNone);
  DeselectAll(doc);
  SelectObject(doc, rect);
  ScreenUpdates(1);
  RefreshDocument(doc);
  RecordAddedRectangle(doc, rect, frame);
}

}  // namespace zv
