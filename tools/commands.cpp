// The command table: everything about each command in one row, in the order the menus show
// them. The menu builder defines the menus from it and the dispatcher finds routines in it.
#include "hostapi/host_constants.h"
#include "tools/tools_internal.h"

namespace zv {

constexpr CommandRow CommandTable[CommandCount] = {
    // number, tag, label, shortcut, group, enabling rule, routine
    {15, "SELECT_PARENT_OBJECT_SelMenu", "Select Parent Object", "\\!spo", MenuGroup::Select, EnableForObjectCommands,
     SelectParentObject},
    {16, "SELECT_NEXT_OBJECT_SelMenu", "Select Next Object Above", "\\!sao", MenuGroup::Select, EnableForObjectCommands,
     SelectNextObjectAbove},
    {17, "SELECT_PREV_OBJECT_SelMenu", "Select Next Object Below", "\\!sbo", MenuGroup::Select, EnableForObjectCommands,
     SelectNextObjectBelow},
    {18, "TRIM_TABLE_TITLE_TblMenu", "Trim Table Title", "\\!ttt", MenuGroup::Table, EnableForTableCommand,
     TrimTableTitle},
    {1, "COPY_GRAPHIC_PROPS_DocMenu", "Copy Graphic Props", "\\!cgs", MenuGroup::Copy, EnableForObjectCommands,
     CopyGraphicProps},
    {2, "PASTE_GRAPHIC_POS_DocMenu", "Paste Graphic Pos", "\\!pgp", MenuGroup::Position, EnableForObjectCommands,
     PasteGraphicPos},
    {3, "PASTE_GRAPHIC_X_DocMenu", "Paste Graphic Left Pos", "\\!pgl", MenuGroup::Position, EnableForObjectCommands,
     PasteGraphicLeftPos},
    {5, "PASTE_GRAPHIC_X2_DocMenu", "Paste Graphic Right Pos", "\\!pgr", MenuGroup::Position, EnableForObjectCommands,
     PasteGraphicRightPos},
    {4, "PASTE_GRAPHIC_Y_DocMenu", "Paste Graphic Top Pos", "\\!pgt", MenuGroup::Position, EnableForObjectCommands,
     PasteGraphicTopPos},
    {6, "PASTE_GRAPHIC_Y2_DocMenu", "Paste Graphic Bottom Pos", "\\!pgb", MenuGroup::Position, EnableForObjectCommands,
     PasteGraphicBottomPos},
    {7, "PASTE_GRAPHIC_SIZE_DocMenu", "Paste Graphic Size", "\\!pgs", MenuGroup::Size, EnableForObjectCommands,
     PasteGraphicSize},
    {8, "PASTE_GRAPHIC_WIDTH_DocMenu", "Paste Graphic Width", "\\!pgw", MenuGroup::Size, EnableForWidthCommand,
     PasteGraphicWidth},
    {9, "PASTE_GRAPHIC_HEIGHT_DocMenu", "Paste Graphic Height", "\\!pgh", MenuGroup::Size, EnableForObjectCommands,
     PasteGraphicHeight},
    {10, "MAKE_GRAPHIC_SAME_WIDTH_AS_COPIED_DocMenu", "Resize Graphic to Copied Width", "\\!rgw", MenuGroup::Size,
     EnableForObjectCommands, ResizeGraphicToCopiedWidth},
    {11, "MAKE_GRAPHIC_SAME_HEIGHT_AS_COPIED_DocMenu", "Resize Graphic to Copied Height", "\\!rgh", MenuGroup::Size,
     EnableForObjectCommands, ResizeGraphicToCopiedHeight},
    {12, "RESIZE_GRAPHIC_HEIGHT_DocMenu", "Resize Graphic To Grid Height...", "\\!rggh", MenuGroup::Layout,
     EnableForObjectCommands, ResizeGraphicToGridHeight},
    {13, "MAKE_FIGURE_TITLE_RIGHT_DocMenu", "Make Figure Title Right", "\\!mftr", MenuGroup::Layout,
     EnableForObjectCommands, MakeFigureTitleRight},
    {14, "FRAME_GRAPHIC_DocMenu", "Add Frame To Graphic", "\\!af", MenuGroup::Layout, EnableForObjectCommands,
     AddFrameToGraphic},
    {19, "UNDO_GRAPHIC_OP_DocMenu", "Undo Operation", "\\!uo", MenuGroup::Undo, EnableForUndoCommand, UndoOperation},
};

namespace {

// Every number from 1 to CommandCount has exactly one row. (A row without its routine does not
// compile: -Wextra refuses a missing initializer.)
constexpr bool EveryNumberOnce() {
  for (int32_t n = 1; n <= CommandCount; ++n) {
    int rows = 0;
    for (const CommandRow& c : CommandTable) rows += c.number == n ? 1 : 0;
    if (rows != 1) return false;
  }
  return true;
}
static_assert(EveryNumberOnce(), "one row for each command number");

}  // namespace

}  // namespace zv
