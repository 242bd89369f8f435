// The command dispatcher and the steps that every command routine is built from.
#include "hostapi/host_constants.h"
#include "hostapi/host_ops.h"
#include "tools/tools.h"
#include "tools/tools_internal.h"

namespace zv {

void ToolsCommand(int32_t number) {
  for (const CommandRow& command : CommandTable)
    if (command.number == number) return command.run();
}

GraphicSelection ReadGraphicSelection() {
  GraphicSelection sel;
  sel.doc = GetIdProp(SessionId, SessionId, PropActiveDocument);
  sel.graphic = GetIdProp(SessionId, sel.doc, PropFirstSelectedGraphic);
  return sel;
}

bool FindSelectedGraphic(GraphicSelection* sel) {
  *sel = ReadGraphicSelection();
  if (sel->graphic != 0) return true;
  ShowRefusal(TextSelectObject);
  return false;
}

void ShowRefusal(const char* text) {
  ShowAlert(text, ValAlertError);
}

void ScreenUpdates(int32_t on) {
  SetIntProp(SessionId, SessionId, PropScreenUpdates, on);
}

MetricValue MetricFromReal(double value) {
  // Out-of-range conversions are undefined in C++; hold them to the nearest end instead.
  if (!(value == value)) return 0;  // GCOVR_EXCL_BR_LINE: callers pass sums of metrics, never NaN
  if (value >= 2147483647.0) return INT32_MAX;
  if (value <= -2147483648.0) return INT32_MIN;
  return static_cast<MetricValue>(value);
}

}  // namespace zv
