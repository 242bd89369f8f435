// The Initialize handling: the banner, the "Zorvan" menu with its submenus and its
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

// The groups of the "Zorvan" menu in menu order: a submenu (name and label), or commands set
// apart by the separator of that name (no label).
struct GroupDef {
  MenuGroup group;
  const char* name;
  const char* label;
};

constexpr GroupDef Groups[] = {
    {MenuGroup::Select, "ZorvanSelMenu", "Select"},  // submenu
    {MenuGroup::Table, "ZorvanTblMenu", "Table"},    // submenu
    {MenuGroup::Copy, "Separator2", nullptr},        // the clipboard: copy
    {MenuGroup::Position, "Separator3", nullptr},    // the clipboard: positions
    {MenuGroup::Size, "Separator4", nullptr},        // the clipboard: sizes
    {MenuGroup::Layout, "Separator5", nullptr},      // grid, figure title, frame
    {MenuGroup::Undo, "Separator6", nullptr},        // undo
};

constexpr int32_t RequestedNotes[] = {NoteBeforeFunction, NoteAfterFunction, NoteDocClosing, NoteDocClosed};

void DefineCommand(ObjectId menu, const CommandRow& row) {
  ObjectId command = DefineMenuCommand(row.number, menu, row.tag, row.label, row.shortcut);
  SetIntProp(SessionId, command, PropEnableCondition, row.enable);
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

  for (const GroupDef& g : Groups) {
    ObjectId target = menu;
    if (g.label != nullptr)
      target = DefineSubmenu(menu, g.name, g.label);
    else
      AddSeparator(menu, g.name);
    if (target == 0) continue;
    for (const CommandRow& row : CommandTable)
      if (row.group == g.group) DefineCommand(target, row);
  }
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
