// The command dispatcher and the steps that every command routine is built from.
#include "hostapi/host_constants.h"
#include "hostapi/host_ops.h"
#include "tools/tools.h"
#include "tools/tools_internal.h"

namespace zv {

namespace {

using CommandRoutine = void (*)();

// Index = command number - 1, as the menus give the numbers to the host.
constexpr CommandRoutine CommandTable[] = {
    CopyGraphicProps,             // 1
    PasteGraphicPos,              // 2
    PasteGraphicLeftPos,          // 3
    PasteGraphicTopPos,           // 4
    PasteGraphicRightPos,         // 5
    PasteGraphicBottomPos,        // 6
    PasteGraphicSize,             // 7
    PasteGraphicWidth,            // 8
    PasteGraphicHeight,           // 9
    ResizeGraphicToCopiedWidth,   // 10
    ResizeGraphicToCopiedHeight,  // 11
    ResizeGraphicToGridHeight,    // 12
    MakeFigureTitleRight,         // 13
    AddFrameToGraphic,            // 14
    SelectParentObject,           // 15
    SelectNextObjectAbove,        // 16
    SelectNextObjectBelow,        // 17
    TrimTableTitle,               // 18
    UndoOperation,                // 19
};
constexpr int32_t CommandCount = static_cast<int32_t>(sizeof(CommandTable) / sizeof(CommandTable[0]));
static_assert(CommandCount == 19, "one routine per command number");

}  // namespace

void ToolsCommand(int32_t number) {
  if (number < 1 || number > CommandCount) return;
  CommandTable[number - 1]();
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
