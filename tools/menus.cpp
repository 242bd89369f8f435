// The Initialize handling: the banner, the "Zorvan" menu with its submenus and nineteen
// commands, and the notifications the selection history lives on.
#include "hostapi/host_constants.h"
#include "hostapi/host_ops.h"
#include "tools/tools.h"
#include "tools/tools_internal.h"
#include "util/format.h"
#include "version/version_info.h"

namespace zv {

namespace {

constexpr const char* Banner =
    "\n" ZV_STR_PRODUCT_NAME " " ZV_STR_BANNER_VERSION "  (" ZV_STR_BANNER_BUILD ")\n" ZV_STR_LEGAL_COPYRIGHT
    "\n"
    "There is NO warranty, not even for merchantability or fitness for a\n"
    "particular purpose.\n" ZV_STR_MAKER_ADDRESS
    "\n"
    "\n";

struct CommandDef {
  int32_t number;
  const char* tag;
  const char* label;
  const char* shortcut;
  int32_t enable;
};

constexpr CommandDef SelectCommands[] = {
    {15, "SELECT_PARENT_OBJECT_SelMenu", "Select Parent Object", "\\!spo", EnableForObjectCommands},
    {16, "SELECT_NEXT_OBJECT_SelMenu", "Select Next Object Above", "\\!sao", EnableForObjectCommands},
    {17, "SELECT_PREV_OBJECT_SelMenu", "Select Next Object Below", "\\!sbo", EnableForObjectCommands},
};
constexpr CommandDef TableCommand = {18, "TRIM_TABLE_TITLE_TblMenu", "Trim Table Title", "\\!ttt",
                                     EnableForTableCommand};
constexpr CommandDef CopyCommand = {1, "COPY_GRAPHIC_PROPS_DocMenu", "Copy Graphic Props", "\\!cgs",
                                    EnableForObjectCommands};
constexpr CommandDef PositionCommands[] = {
    {2, "PASTE_GRAPHIC_POS_DocMenu", "Paste Graphic Pos", "\\!pgp", EnableForObjectCommands},
    {3, "PASTE_GRAPHIC_X_DocMenu", "Paste Graphic Left Pos", "\\!pgl", EnableForObjectCommands},
    {5, "PASTE_GRAPHIC_X2_DocMenu", "Paste Graphic Right Pos", "\\!pgr", EnableForObjectCommands},
    {4, "PASTE_GRAPHIC_Y_DocMenu", "Paste Graphic Top Pos", "\\!pgt", EnableForObjectCommands},
    {6, "PASTE_GRAPHIC_Y2_DocMenu", "Paste Graphic Bottom Pos", "\\!pgb", EnableForObjectCommands},
};
constexpr CommandDef SizeCommands[] = {
    {7, "PASTE_GRAPHIC_SIZE_DocMenu", "Paste Graphic Size", "\\!pgs", EnableForObjectCommands},
    {8, "PASTE_GRAPHIC_WIDTH_DocMenu", "Paste Graphic Width", "\\!pgw", EnableForWidthCommand},
    {9, "PASTE_GRAPHIC_HEIGHT_DocMenu", "Paste Graphic Height", "\\!pgh", EnableForObjectCommands},
    {10, "MAKE_GRAPHIC_SAME_WIDTH_AS_COPIED_DocMenu", "Resize Graphic to Copied Width", "\\!rgw",
     EnableForObjectCommands},
    {11, "MAKE_GRAPHIC_SAME_HEIGHT_AS_COPIED_DocMenu", "Resize Graphic to Copied Height", "\\!rgh",
     EnableForObjectCommands},
};
constexpr CommandDef LayoutCommands[] = {
    {12, "RESIZE_GRAPHIC_HEIGHT_DocMenu", "Resize Graphic To Grid Height...", "\\!rggh", EnableForObjectCommands},
    {13, "MAKE_FIGURE_TITLE_RIGHT_DocMenu", "Make Figure Title Right", "\\!mftr", EnableForObjectCommands},
    {14, "FRAME_GRAPHIC_DocMenu", "Add Frame To Graphic", "\\!af", EnableForObjectCommands},
};
constexpr CommandDef UndoCommand = {19, "UNDO_GRAPHIC_OP_DocMenu", "Undo Operation", "\\!uo", EnableForUndoCommand};

constexpr int32_t RequestedNotes[] = {NoteBeforeFunction, NoteAfterFunction, NoteDocClosing, NoteDocClosed};

void DefineCommand(ObjectId menu, const CommandDef& def) {
  ObjectId command = DefineMenuCommand(def.number, menu, def.tag, def.label, def.shortcut);
  SetIntProp(SessionId, command, PropEnableCondition, def.enable);
}

template <size_t N>
void DefineCommands(ObjectId menu, const CommandDef (&defs)[N]) {
  for (const CommandDef& def : defs) DefineCommand(menu, def);
}

void AddSeparator(ObjectId menu, const char* name) {
  AddItemToMenu(menu, LookupNamedObject(SessionId, ObjSeparator, name));
}

// The Zorvan menu, found by name or made in the main menu bar; 0 when neither works.
ObjectId FindOrMakeZorvanMenu() {
  ObjectId menu = LookupNamedObject(SessionId, ObjMenu, "ZorvanDocMenu");
  if (menu != 0) return menu;
  ObjectId mainMenu = LookupNamedObject(SessionId, ObjMenu, "!MakerMainMenu");
  if (mainMenu == 0) return 0;
  return DefineSubmenu(mainMenu, "ZorvanDocMenu", "Zorvan");
}

void BuildMenus(ObjectId menu) {
  // Another client's items already in a shared menu are set apart from ours.
  ObjectId searchBook = LookupNamedObject(SessionId, ObjCommand, "SEARCH_BOOK_DocMenu");
  if (FindItemInMenu(menu, searchBook, 0) != 0) AddSeparator(menu, "Separator1");

  ObjectId selectMenu = DefineSubmenu(menu, "ZorvanSelMenu", "Select");
  if (selectMenu != 0) DefineCommands(selectMenu, SelectCommands);
  ObjectId tableMenu = DefineSubmenu(menu, "ZorvanTblMenu", "Table");
  if (tableMenu != 0) DefineCommand(tableMenu, TableCommand);

  AddSeparator(menu, "Separator2");
  DefineCommand(menu, CopyCommand);
  AddSeparator(menu, "Separator3");
  DefineCommands(menu, PositionCommands);
  AddSeparator(menu, "Separator4");
  DefineCommands(menu, SizeCommands);
  AddSeparator(menu, "Separator5");
  DefineCommands(menu, LayoutCommands);
  AddSeparator(menu, "Separator6");
  DefineCommand(menu, UndoCommand);
}

}  // namespace

void ToolsInitialize(int32_t kind) {
  if (kind != 1) return;
  ConsolePrintf(nullptr, Banner);
  UndoEmptyProps();
  ObjectId menu = FindOrMakeZorvanMenu();
  if (menu == 0) return;
  BuildMenus(menu);
  for (int32_t code : RequestedNotes) RequestNotification(code, 1);
}

}  // namespace zv
