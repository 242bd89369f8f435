// The module's commands by name, with the numbers the host's command event carries for them.
// Written here apart from the module's command table, so that a command renumbered there fails
// the tests instead of agreeing with itself; the menu test pins each number to its label.
#pragma once

#include <cstdint>

namespace Cmd {
enum : int32_t {
  CopyGraphicProps = 1,
  PasteGraphicPos = 2,
  PasteGraphicLeftPos = 3,
  PasteGraphicTopPos = 4,
  PasteGraphicRightPos = 5,
  PasteGraphicBottomPos = 6,
  PasteGraphicSize = 7,
  PasteGraphicWidth = 8,
  PasteGraphicHeight = 9,
  ResizeGraphicToCopiedWidth = 10,
  ResizeGraphicToCopiedHeight = 11,
  ResizeGraphicToGridHeight = 12,
  MakeFigureTitleRight = 13,
  AddFrameToGraphic = 14,
  SelectParentObject = 15,
  SelectNextObjectAbove = 16,
  SelectNextObjectBelow = 17,
  TrimTableTitle = 18,
  UndoOperation = 19,
};
constexpr int32_t First = CopyGraphicProps;
constexpr int32_t Last = UndoOperation;
constexpr int32_t Count = Last - First + 1;
}  // namespace Cmd
