// The module's commands as its tests, benchmarks and fuzz targets know them: one row per
// command, in menu order. Written here apart from the module's own command table, so that a
// command changed there fails the tests instead of agreeing with itself. Every list of
// commands outside the module is read from these rows; counts are derived from them.
#pragma once

#include <cstdint>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

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
}  // namespace Cmd

namespace zvspec {

// The groups of the "Zorvan" menu in menu order: a submenu (name and label), or commands set
// apart by the separator of that name (no label).
enum class Group { Select, Table, Copy, Position, Size, Layout, Undo };
struct GroupSpec {
  Group group;
  const char* name;
  const char* label;
};
inline const std::vector<GroupSpec>& Groups() {
  static const std::vector<GroupSpec> groups = {
      {Group::Select, "ZorvanSelMenu", "Select"}, {Group::Table, "ZorvanTblMenu", "Table"},
      {Group::Copy, "Separator2", nullptr},       {Group::Position, "Separator3", nullptr},
      {Group::Size, "Separator4", nullptr},       {Group::Layout, "Separator5", nullptr},
      {Group::Undo, "Separator6", nullptr},
  };
  return groups;
}

// What a page must hold for the command to act: the graphic selected (in a frame, or in an
// anchored frame), a figure and its title selected, a whole table with a title selected, or an
// undo record of a paste.
enum class Page { Graphic, AnchoredGraphic, FigureAndTitle, WholeTable, UndoRecord };
// What "Undo Operation" does after the command: nothing new (the old record stays), undo the
// properties recorded before the change, delete the rectangle it added; or it is the undo.
enum class Undo { None, Properties, AddedRectangle, IsUndo };
// What a benchmark does between two runs, with the clock stopped: nothing, the selection made
// again, or the change undone and the selection made again.
enum class Restore { None, Select, UndoAndSelect };

constexpr int32_t EnableObjects = 15, EnableTable = 9, EnableWidth = 8, EnableUndo = 26;
constexpr const char* kSelectObject = "First select an object. Then try again.";

struct CommandSpec {
  int32_t number;        // what the host's command event carries
  const char* label;     // the menu item's text
  const char* tag;       // the host's name of the command object
  const char* shortcut;  // as the host writes it
  Group group;
  int32_t enable;  // the enabling rule the menu shows
  Page page;
  bool copyFirst;  // the page needs a geometry copied first
  int32_t answer;  // the answer its prompt gets (0: it asks nothing)
  // The host operations of a run on the typical page, in order, with the abbreviations of
  // Expand(), and why; those with nothing selected and the alert they end in (nullptr: none).
  const char* steps;
  const char* why;
  const char* refusal;
  const char* refusalAlert;
  const char* otherOps;  // operations only its other paths make (for the fuzz oracle)
  Undo undo;
  Restore restore;
};

namespace rows {
using G = Group;
using P = Page;
using U = Undo;
using R = Restore;
inline constexpr CommandSpec kCommands[] = {
    {Cmd::SelectParentObject, "Select Parent Object", "SELECT_PARENT_OBJECT_SelMenu", "\\!spo", G::Select,
     EnableObjects, P::AnchoredGraphic, false, 0, "S GetIdProp X1 SetIntProp",
     "find, containing frame; deselect the one graphic; select the frame", "S GetIdProp GetTextRangeProp",
     nullptr,  // no graphic, no table, no text: silent
     "GetIntProp SetTextRangeProp SelectTableCells GetTextLocProp", U::None, R::Select},
    {Cmd::SelectNextObjectAbove, "Select Next Object Above", "SELECT_NEXT_OBJECT_SelMenu", "\\!sao", G::Select,
     EnableObjects, P::Graphic, false, 0, "S GetIdProp X1 SetIntProp",
     "find, graphic above; deselect the one graphic; select the one above", "S ShowAlert", kSelectObject,
     "GetIntProp SetTextRangeProp SelectTableCells GetTextLocProp", U::None, R::Select},
    {Cmd::SelectNextObjectBelow, "Select Next Object Below", "SELECT_PREV_OBJECT_SelMenu", "\\!sbo", G::Select,
     EnableObjects, P::Graphic, false, 0, "S GetIdProp X1 SetIntProp",
     "find, graphic below; deselect the one graphic; select the one below", "S ShowAlert", kSelectObject,
     "GetIntProp SetTextRangeProp SelectTableCells GetTextLocProp", U::None, R::Select},
    {Cmd::TrimTableTitle, "Trim Table Title", "TRIM_TABLE_TITLE_TblMenu", "\\!ttt", G::Table, EnableTable,
     P::WholeTable, false, 0,
     "GetIdProp GetIdProp GetIdProp GetMetricProp GetMetricProp GetIdProp GetIdProp GetMetricProp GetIntProp "
     "GetIntProp D0 U SetMetricProp SetMetricProp SetMetricProp D1 R",
     "document, table, title; indent, width, container, row, row width, rule, alignment; off; snapshot; 3 indents",
     "GetIdProp GetIdProp ShowAlert", "First select a table. Then try again.", "", U::Properties, R::UndoAndSelect},
    {Cmd::CopyGraphicProps, "Copy Graphic Props", "COPY_GRAPHIC_PROPS_DocMenu", "\\!cgs", G::Copy, EnableObjects,
     P::Graphic, false, 0, "S GetMetricProp GetMetricProp GetMetricProp GetMetricProp",
     "find the graphic; read x, y, width, height", "S ShowAlert", kSelectObject, "", U::None, R::None},
    {Cmd::PasteGraphicPos, "Paste Graphic Pos", "PASTE_GRAPHIC_POS_DocMenu", "\\!pgp", G::Position, EnableObjects,
     P::Graphic, true, 0, "S U D0 SetMetricProp SetMetricProp D1 R",
     "find, snapshot, display off, write x and y, display on, redraw", "S ShowAlert", kSelectObject, "", U::Properties,
     R::UndoAndSelect},
    {Cmd::PasteGraphicLeftPos, "Paste Graphic Left Pos", "PASTE_GRAPHIC_X_DocMenu", "\\!pgl", G::Position,
     EnableObjects, P::Graphic, true, 0, "S U D0 SetMetricProp D1 R",
     "find, snapshot, display off, write x, display on, redraw", "S ShowAlert", kSelectObject, "", U::Properties,
     R::UndoAndSelect},
    {Cmd::PasteGraphicRightPos, "Paste Graphic Right Pos", "PASTE_GRAPHIC_X2_DocMenu", "\\!pgr", G::Position,
     EnableObjects, P::Graphic, true, 0, "S U GetMetricProp D0 SetMetricProp D1 R",
     "find, snapshot, read the width, display off, write x, on, redraw", "S ShowAlert", kSelectObject, "",
     U::Properties, R::UndoAndSelect},
    {Cmd::PasteGraphicTopPos, "Paste Graphic Top Pos", "PASTE_GRAPHIC_Y_DocMenu", "\\!pgt", G::Position, EnableObjects,
     P::Graphic, true, 0, "S U D0 SetMetricProp D1 R", "find, snapshot, display off, write y, display on, redraw",
     "S ShowAlert", kSelectObject, "", U::Properties, R::UndoAndSelect},
    {Cmd::PasteGraphicBottomPos, "Paste Graphic Bottom Pos", "PASTE_GRAPHIC_Y2_DocMenu", "\\!pgb", G::Position,
     EnableObjects, P::Graphic, true, 0, "S U GetMetricProp D0 SetMetricProp D1 R",
     "find, snapshot, read the height, display off, write y, on, redraw", "S ShowAlert", kSelectObject, "",
     U::Properties, R::UndoAndSelect},
    {Cmd::PasteGraphicSize, "Paste Graphic Size", "PASTE_GRAPHIC_SIZE_DocMenu", "\\!pgs", G::Size, EnableObjects,
     P::Graphic, true, 0, "S U D0 SetMetricProp SetMetricProp D1 R",
     "find, snapshot, display off, write width and height, on, redraw", "S ShowAlert", kSelectObject, "", U::Properties,
     R::UndoAndSelect},
    {Cmd::PasteGraphicWidth, "Paste Graphic Width", "PASTE_GRAPHIC_WIDTH_DocMenu", "\\!pgw", G::Size, EnableWidth,
     P::Graphic, true, 0, "S U SetMetricProp",
     "a graphic is selected: find, snapshot, write the width; no display change",
     "S GetIdProp ShowAlert",  // no graphic, then no table
     "First select an object or table cell(s). Then try again.",
     "GetIntProp GetTextRangeProp GetMetricProp GetMetricListProp SetMetricListProp",  // table columns
     U::Properties, R::UndoAndSelect},
    {Cmd::PasteGraphicHeight, "Paste Graphic Height", "PASTE_GRAPHIC_HEIGHT_DocMenu", "\\!pgh", G::Size, EnableObjects,
     P::Graphic, true, 0, "S U SetMetricProp", "find, snapshot, write the height; no display change", "S ShowAlert",
     kSelectObject, "", U::Properties, R::UndoAndSelect},
    {Cmd::ResizeGraphicToCopiedWidth, "Resize Graphic to Copied Width", "MAKE_GRAPHIC_SAME_WIDTH_AS_COPIED_DocMenu",
     "\\!rgw", G::Size, EnableObjects, P::Graphic, true, 0,
     "S U GetMetricProp GetMetricProp D0 SetMetricProp SetMetricProp D1 R",
     "find, snapshot, read width and height, display off, write both, on, redraw", "S ShowAlert", kSelectObject, "",
     U::Properties, R::UndoAndSelect},
    {Cmd::ResizeGraphicToCopiedHeight, "Resize Graphic to Copied Height", "MAKE_GRAPHIC_SAME_HEIGHT_AS_COPIED_DocMenu",
     "\\!rgh", G::Size, EnableObjects, P::Graphic, true, 0,
     "S U GetMetricProp GetMetricProp D0 SetMetricProp SetMetricProp D1 R",
     "find, snapshot, read width and height, display off, write both, on, redraw", "S ShowAlert", kSelectObject, "",
     U::Properties, R::UndoAndSelect},
    {Cmd::ResizeGraphicToGridHeight, "Resize Graphic To Grid Height...", "RESIZE_GRAPHIC_HEIGHT_DocMenu", "\\!rggh",
     G::Layout, EnableObjects, P::Graphic, false, 3,
     "S GetMetricProp GetMetricProp GetMetricProp AskForInteger U D0 SetMetricProp SetMetricProp D1 R",
     "find; read grid, width, height; ask; snapshot; display off, write both, on, redraw", "S ShowAlert", kSelectObject,
     "", U::Properties, R::UndoAndSelect},
    {Cmd::MakeFigureTitleRight, "Make Figure Title Right", "MAKE_FIGURE_TITLE_RIGHT_DocMenu", "\\!mftr", G::Layout,
     EnableObjects, P::FigureAndTitle, false, 0,
     "GetIdProp GetIdProp GetIdProp GetIdProp GetIdProp U GetMetricProp GetMetricProp GetMetricProp "
     "D0 SetMetricProp SetMetricProp D1 R",
     "document and two graphics, both frames; snapshot; read x, width, frame width; write x, width",
     "GetIdProp GetIdProp GetIdProp ShowAlert",  // all three ids are read before the test
     "First select two objects. Then try again.", "", U::Properties, R::UndoAndSelect},
    {Cmd::AddFrameToGraphic, "Add Frame To Graphic", "FRAME_GRAPHIC_DocMenu", "\\!af", G::Layout, EnableObjects,
     P::Graphic, false, 0,
     "S GetIdProp GetMetricProp GetMetricProp GetMetricProp GetMetricProp CreateGraphic D0 "
     "SetMetricProp SetMetricProp SetMetricProp SetMetricProp SetMetricProp SetIntProp X1 SetIntProp D1 R",
     "find, frame; read w, h, x, y; create; off; 4 sizes, outline, fill; deselect one, select; on, redraw",
     "S ShowAlert", kSelectObject, "GetIntProp SetTextRangeProp SelectTableCells GetTextLocProp", U::AddedRectangle,
     R::UndoAndSelect},
    {Cmd::UndoOperation, "Undo Operation", "UNDO_GRAPHIC_OP_DocMenu", "\\!uo", G::Undo, EnableUndo, P::UndoRecord,
     false, 0, "ReadAllProps WriteAllProps", "after a paste: read the current state, write the saved one",
     "ShowAlert",  // nothing recorded yet: the undo reads nothing
     "Nothing to undo.", "DeleteObject CreateGraphic", U::IsUndo, R::None},
};
}  // namespace rows

inline constexpr const auto& kCommands = rows::kCommands;
constexpr int32_t kCount = static_cast<int32_t>(std::size(kCommands));

// Every number from 1 to the count has exactly one row.
constexpr bool EveryNumberOnce() {
  for (int32_t n = 1; n <= kCount; ++n) {
    int found = 0;
    for (const CommandSpec& c : kCommands) found += c.number == n ? 1 : 0;
    if (found != 1) return false;
  }
  return true;
}
static_assert(EveryNumberOnce(), "one row for each command number, 1 to the count");

inline const CommandSpec& SpecOf(int32_t number) {
  for (const CommandSpec& c : kCommands)
    if (c.number == number) return c;
  static const CommandSpec none{};
  return none;
}

// The steps' abbreviations for operations the commands share:
//   S       the active document and its first selected graphic   GetIdProp GetIdProp
//   U       the undo snapshot                                    ReadAllProps
//   D0, D1  screen updates off, on                               SetIntProp
//   R       the redraw                                           RefreshDocument
//   X1      deselect all, one graphic selected                   GetIdProp SetIntProp GetIdProp
inline std::vector<std::string> Expand(const std::string& steps) {
  std::vector<std::string> ops;
  std::istringstream in(steps);
  for (std::string token; in >> token;) {
    if (token == "S")
      ops.insert(ops.end(), {"GetIdProp", "GetIdProp"});
    else if (token == "U")
      ops.push_back("ReadAllProps");
    else if (token == "D0" || token == "D1")
      ops.push_back("SetIntProp");
    else if (token == "R")
      ops.push_back("RefreshDocument");
    else if (token == "X1")
      ops.insert(ops.end(), {"GetIdProp", "SetIntProp", "GetIdProp"});
    else
      ops.push_back(token);
  }
  return ops;
}

inline std::string Join(const std::vector<std::string>& ops) {
  std::string s;
  for (const std::string& op : ops) s += (s.empty() ? "" : " ") + op;
  return s;
}

// Every operation any path of the command may make: its steps, its refusal and its other paths.
inline std::set<std::string> AllowedOperations(const CommandSpec& c) {
  std::set<std::string> ops;
  for (const char* list : {c.steps, c.refusal, c.otherOps})
    if (list != nullptr)  // the empty row of a number that is no command
      for (const std::string& op : Expand(list)) ops.insert(op);
  return ops;
}

// True when the command's run on its page changes the document (writes or creates something).
inline bool ChangesThePage(const CommandSpec& c) {
  if (c.steps == nullptr) return false;
  for (const std::string& op : Expand(c.steps))
    if (op.rfind("Set", 0) == 0 || op == "CreateGraphic" || op == "WriteAllProps") return true;
  return false;
}

// The session operations of Initialize(1): the banner; the Zorvan menu looked up and made in
// the main menu; the shared menu's separator looked for; each group's submenu or separator
// with its commands (each defined, then given its enabling rule); the four notifications.
inline std::vector<std::string> InitializeOps() {
  std::vector<std::string> ops = {"PrintToConsole", "LookupNamedObject", "LookupNamedObject",
                                  "DefineSubmenu",  "LookupNamedObject", "FindItemInMenu"};
  for (const GroupSpec& g : Groups()) {
    if (g.label != nullptr)
      ops.push_back("DefineSubmenu");
    else
      ops.insert(ops.end(), {"LookupNamedObject", "AddItemToMenu"});
    for (const CommandSpec& c : kCommands)
      if (c.group == g.group) ops.insert(ops.end(), {"DefineMenuCommand", "SetIntProp"});
  }
  ops.insert(ops.end(), 4, "RequestNotification");
  return ops;
}

// The calls of binding: six interfaces asked, the memory policy, the registration, the link.
constexpr int kBindingCalls = 9;

}  // namespace zvspec

namespace Cmd {
constexpr int32_t First = 1;
constexpr int32_t Count = zvspec::kCount;
constexpr int32_t Last = Count;
}  // namespace Cmd
