// Every number the module passes to the host or compares with what the host returns,
// grouped by kind. The numbers are the host's; the names are ours.
#pragma once

#include <cstdint>

namespace zv {

// Object types (the top 8 bits of an ObjectId).
enum ObjType : int32_t {
  ObjUnanchoredFrame = 9,
  ObjRectangle = 12,
  ObjTextFrame = 19,
  ObjAnchoredFrame = 23,
  ObjParagraph = 31,
  ObjTable = 36,
  ObjRow = 38,
  ObjCell = 39,
  ObjMenu = 55,
  ObjCommand = 56,
  ObjSeparator = 57,
  ObjFrameContent = 65,
};
constexpr int32_t ObjFirstGraphic = 9;  // graphic kinds: 9 to 21, and 23
constexpr int32_t ObjLastGraphic = 21;

// Property numbers.
enum Prop : int32_t {
  PropActiveDocument = 51,
  PropScreenUpdates = 92,
  PropTextSelection = 109,
  PropFirstSelectedGraphic = 128,
  PropSelectedTable = 129,
  PropGridSpacing = 393,
  PropParaAlignment = 547,
  PropParaFirstIndent = 555,
  PropParaLeftIndent = 556,
  PropParaRightIndent = 570,
  PropOutlineWidth = 740,
  PropFillPattern = 741,
  PropSelectedFlag = 771,
  PropContainingFrame = 774,
  PropGraphicBelow = 775,
  PropGraphicAbove = 776,
  PropPosX = 781,
  PropPosY = 782,
  PropWidth = 783,
  PropHeight = 784,
  PropNextSelectedGraphic = 785,
  PropAnchorLocation = 879,
  PropTblTitleParagraph = 972,
  PropTextContainer = 1000,
  PropCellRow = 1198,
  PropCellColumn = 1205,
  PropPreviousRow = 1245,
  PropRowTable = 1246,
  PropTblLeftIndent = 1278,
  PropTblPlacement = 1282,
  PropTblCellMarginA = 1317,
  PropTblCellMarginB = 1318,
  PropTblColumnCount = 1335,
  PropTblFirstRow = 1339,
  PropTblWidth = 1340,
  PropTblSelTop = 1341,
  PropTblSelFirstCol = 1343,
  PropTblSelLastCol = 1344,
  PropTblColWidths = 1345,
  PropEnableCondition = 1935,
};

// Notifications.
enum Note : int32_t {
  NoteDocClosing = 11,
  NoteDocClosed = 40,
  NoteBeforeFunction = 44,
  NoteAfterFunction = 45,
  NoteSeparatedText = 75,
};

// Enabling conditions of commands.
enum Enable : int32_t {
  EnableForWidthCommand = 8,
  EnableForTableCommand = 9,
  EnableForObjectCommands = 15,
  EnableForUndoCommand = 26,
};

// Alert kinds and other values.
enum Val : int32_t {
  ValAlertNote = 2,
  ValAlertError = 3,
  ValFillNone = 15,
};
constexpr uint32_t SessionId = 0;
constexpr int32_t ValWholeTable = static_cast<int32_t>(0x80000000u);
constexpr uint32_t ValClientVersion = 0x06000000u;  // passed to RegisterClient

}  // namespace zv
