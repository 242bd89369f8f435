// The typical page on which the host calls of the nineteen commands are counted, and the host
// operations each command's steps ask for there, in order. The host-call test and the
// benchmark share this one list, so the module is held to the same numbers in both.
#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "host/binding/host.h"
#include "tests/command_numbers.h"

namespace zvsteps {

using zvhost::ObjectId;

// Abbreviations of the steps the commands share:
//   S       the active document and its first selected graphic   GetIdProp GetIdProp
//   U       the undo snapshot                                    ReadAllProps
//   D0, D1  screen updates off, on                               SetIntProp
//   R       the redraw                                           RefreshDocument
//   X1      deselect all, one graphic selected                   GetIdProp SetIntProp GetIdProp
inline std::vector<std::string> Expand(const std::string& steps) {
  std::vector<std::string> ops;
  std::istringstream in(steps);
  std::string token;
  while (in >> token) {
    if (token == "S") {
      ops.insert(ops.end(), {"GetIdProp", "GetIdProp"});
    } else if (token == "U") {
      ops.push_back("ReadAllProps");
    } else if (token == "D0" || token == "D1") {
      ops.push_back("SetIntProp");
    } else if (token == "R") {
      ops.push_back("RefreshDocument");
    } else if (token == "X1") {
      ops.insert(ops.end(), {"GetIdProp", "SetIntProp", "GetIdProp"});
    } else {
      ops.push_back(token);
    }
  }
  return ops;
}

inline std::string Join(const std::vector<std::string>& ops) {
  std::string s;
  for (const std::string& op : ops) s += (s.empty() ? "" : " ") + op;
  return s;
}

struct CommandSteps {
  int32_t number;
  const char* steps;  // the host operations in order, with the abbreviations above
  const char* why;    // the steps in words
};

// What each command asks of the host on the typical page, with the selection Prepare() makes.
inline const std::vector<CommandSteps>& TypicalSteps() {
  static const std::vector<CommandSteps> steps = {
      {Cmd::CopyGraphicProps, "S GetMetricProp GetMetricProp GetMetricProp GetMetricProp",
       "find the graphic; read x, y, width, height"},
      {Cmd::PasteGraphicPos, "S U D0 SetMetricProp SetMetricProp D1 R",
       "find, snapshot, display off, write x and y, display on, redraw"},
      {Cmd::PasteGraphicLeftPos, "S U D0 SetMetricProp D1 R",
       "find, snapshot, display off, write x, display on, redraw"},
      {Cmd::PasteGraphicTopPos, "S U D0 SetMetricProp D1 R",
       "find, snapshot, display off, write y, display on, redraw"},
      {Cmd::PasteGraphicRightPos, "S U GetMetricProp D0 SetMetricProp D1 R",
       "find, snapshot, read the width, display off, write x, on, redraw"},
      {Cmd::PasteGraphicBottomPos, "S U GetMetricProp D0 SetMetricProp D1 R",
       "find, snapshot, read the height, display off, write y, on, redraw"},
      {Cmd::PasteGraphicSize, "S U D0 SetMetricProp SetMetricProp D1 R",
       "find, snapshot, display off, write width and height, on, redraw"},
      {Cmd::PasteGraphicWidth, "S U SetMetricProp",
       "a graphic is selected: find, snapshot, write the width; no display change"},
      {Cmd::PasteGraphicHeight, "S U SetMetricProp", "find, snapshot, write the height; no display change"},
      {Cmd::ResizeGraphicToCopiedWidth, "S U GetMetricProp GetMetricProp D0 SetMetricProp SetMetricProp D1 R",
       "find, snapshot, read width and height, display off, write both, on, redraw"},
      {Cmd::ResizeGraphicToCopiedHeight, "S U GetMetricProp GetMetricProp D0 SetMetricProp SetMetricProp D1 R",
       "find, snapshot, read width and height, display off, write both, on, redraw"},
      {Cmd::ResizeGraphicToGridHeight,
       "S GetMetricProp GetMetricProp GetMetricProp AskForInteger U D0 SetMetricProp SetMetricProp D1 R",
       "find; read grid, width, height; ask; snapshot; display off, write both, on, redraw"},
      {Cmd::MakeFigureTitleRight,
       "GetIdProp GetIdProp GetIdProp GetIdProp GetIdProp U GetMetricProp GetMetricProp GetMetricProp "
       "D0 SetMetricProp SetMetricProp D1 R",
       "document and two graphics, both frames; snapshot; read x, width, frame width; write x, width"},
      {Cmd::AddFrameToGraphic,
       "S GetIdProp GetMetricProp GetMetricProp GetMetricProp GetMetricProp CreateGraphic D0 "
       "SetMetricProp SetMetricProp SetMetricProp SetMetricProp SetMetricProp SetIntProp X1 SetIntProp D1 R",
       "find, frame; read w, h, x, y; create; off; 4 sizes, outline, fill; deselect one, select; on, redraw"},
      {Cmd::SelectParentObject, "S GetIdProp X1 SetIntProp",
       "find, containing frame; deselect the one graphic; select the frame"},
      {Cmd::SelectNextObjectAbove, "S GetIdProp X1 SetIntProp",
       "find, graphic above; deselect the one graphic; select the one above"},
      {Cmd::SelectNextObjectBelow, "S GetIdProp X1 SetIntProp",
       "find, graphic below; deselect the one graphic; select the one below"},
      {Cmd::TrimTableTitle,
       "GetIdProp GetIdProp GetIdProp GetMetricProp GetMetricProp GetIdProp GetIdProp GetMetricProp GetIntProp "
       "GetIntProp D0 U SetMetricProp SetMetricProp SetMetricProp D1 R",
       "document, table, title; indent, width, container, row, row width, rule, alignment; off; snapshot; 3 indents"},
      {Cmd::UndoOperation, "ReadAllProps WriteAllProps", "after a paste: read the current state, write the saved one"},
  };
  return steps;
}

// The page: one frame holding, bottom to top, a rectangle, the figure, a rectangle, a title
// text frame and a text frame whose paragraph anchors a table with a title.
struct TypicalPage {
  ObjectId doc = 0;
  ObjectId frame = 0;
  ObjectId below = 0;
  ObjectId figure = 0;
  ObjectId above = 0;
  ObjectId title = 0;
  ObjectId body = 0;
  ObjectId table = 0;
};

inline TypicalPage BuildTypicalPage(zvhost::Model& m) {
  TypicalPage p;
  p.doc = m.NewDocument("typical");
  m.SetActiveDocument(p.doc);
  m.SetGridSpacing(p.doc, 12);
  p.frame = m.AddFrame(p.doc, {36, 36, 468, 400});
  p.below = m.AddRectangle(p.frame, {10, 10, 60, 40});
  p.figure = m.AddRectangle(p.frame, {20, 30, 200, 100});
  p.above = m.AddRectangle(p.frame, {40, 50, 80, 30});
  p.title = m.AddTextFrame(p.frame, {230, 30, 120, 24});
  m.AddParagraph(p.title, "Figure 1: Typical");
  p.body = m.AddTextFrame(p.frame, {10, 200, 440, 150});
  zvhost::ObjectId anchor = m.AddParagraph(p.body, "");
  zvhost::TableSpec spec;
  spec.columnWidths = {100, 100, 100};
  spec.rows = 3;
  spec.leftIndent = 36;
  spec.title = true;
  p.table = m.AddTable(anchor, spec);
  return p;
}

// Selects exactly `graphics` (nothing else), without notifications.
inline void SelectOnly(zvhost::Model& m, ObjectId doc, const std::vector<ObjectId>& graphics) {
  m.ClearGraphicSelection(doc);
  m.SetTextSelection(doc, {});
  m.ClearCellSelection(doc);
  for (ObjectId g : graphics) m.SetSelected(g, true);
}

// Puts the page into the state in which command `number` runs in TypicalSteps(): the figure
// selected; figure and title for the figure title; the whole table for the table title; an
// answer queued for the grid resize; the figure copied for the pastes; a paste to undo for the
// undo.
inline void Prepare(zvhost::Host& host, const TypicalPage& p, int32_t number) {
  zvhost::Model& m = host.model();
  if (number == Cmd::MakeFigureTitleRight) {
    SelectOnly(m, p.doc, {p.figure, p.title});
  } else if (number == Cmd::TrimTableTitle) {
    SelectOnly(m, p.doc, {});
    m.SelectTableCells(p.doc, p.table, zvhost::WholeTable, 0, 0, 0);
  } else {
    SelectOnly(m, p.doc, {p.figure});
  }
  if (number == Cmd::ResizeGraphicToGridHeight) host.AnswerNextPrompt(3);
  // The pastes and resizes refuse an empty clipboard: the figure's own geometry is copied.
  bool pastes = number >= Cmd::PasteGraphicPos && number <= Cmd::ResizeGraphicToCopiedHeight;
  if (pastes || number == Cmd::UndoOperation) host.ChooseCommand(Cmd::CopyGraphicProps);
  if (number == Cmd::UndoOperation) host.ChooseCommand(Cmd::PasteGraphicPos);
}

}  // namespace zvsteps
