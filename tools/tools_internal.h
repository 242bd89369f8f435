// What the command families of the graphic tools share: the steps every command is built
// from, the geometry clipboard, the undo record, the two selection routines and the
// selection history.
#pragma once

#include "hostapi/abi.h"

namespace zv {

// Every walk along a chain the host reports stops after this many steps, so a host that
// reports a cycle cannot hang the module. A sane host never comes near it.
constexpr uint32_t HostWalkLimit = 1000000;

constexpr const char* TextSelectObject = "First select an object. Then try again.";

// ---- Shared steps ----

struct GraphicSelection {
  ObjectId doc;
  ObjectId graphic;  // the first selected graphic, 0 when none
};

GraphicSelection ReadGraphicSelection();  // step S without the alert
// Step S: the selection, or an alert and false when no graphic is selected.
bool FindSelectedGraphic(GraphicSelection* sel);
void ShowRefusal(const char* text);  // kind ValAlertError
void ScreenUpdates(int32_t on);      // steps D0 / D1
// A length computed in double precision, truncated toward zero and held to the 32-bit range.
MetricValue MetricFromReal(double value);
// Plain 32-bit sums and differences, wrapping instead of overflowing.
inline MetricValue MetricAdd(MetricValue a, MetricValue b) {
  return static_cast<MetricValue>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline MetricValue MetricSub(MetricValue a, MetricValue b) {
  return static_cast<MetricValue>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

// ---- Geometry clipboard ----

struct CopiedGeometry {
  MetricValue x;
  MetricValue y;
  MetricValue width;
  MetricValue height;
};
extern CopiedGeometry Copied;
// False until the first "Copy Graphic Props" of this load of the module: the pastes and
// resizes refuse to apply a clipboard that was never filled (it would shrink a graphic to
// nothing or move it to the frame's corner).
extern bool GeometryCopied;

void CopyGraphicProps();
void PasteGraphicPos();
void PasteGraphicLeftPos();
void PasteGraphicTopPos();
void PasteGraphicRightPos();
void PasteGraphicBottomPos();
void PasteGraphicSize();
void PasteGraphicWidth();
void PasteGraphicHeight();
void ResizeGraphicToCopiedWidth();
void ResizeGraphicToCopiedHeight();
// Sets entries `first` to `last` of `list` to `width`; a range reaching outside the list is cut
// to the entries the list has (the columns of "Paste Graphic Width" on a table).
void SetColumnWidths(MetricList* list, int32_t first, int32_t last, MetricValue width);

// ---- Undo record ----

enum UndoKind : int32_t { UndoNothing = 0, UndoProperties = 1, UndoAddedRectangle = 2 };

struct UndoSnapshot {
  int32_t kind;
  PropList props;
  ObjectId document;
  ObjectId object;
  ObjectId parent;
};
extern UndoSnapshot Undo;

void UndoEmptyProps();  // the list released; kind, document and object stay
void TakePropertySnapshot(ObjectId doc, ObjectId object);
void RecordAddedRectangle(ObjectId doc, ObjectId rectangle, ObjectId parent);
void UndoOperation();

// ---- The other commands ----

void ResizeGraphicToGridHeight();
void MakeFigureTitleRight();
void AddFrameToGraphic();
void SelectParentObject();
void SelectNextObjectAbove();
void SelectNextObjectBelow();
void TrimTableTitle();

// ---- The command table ----

// Where a command stands in the "Zorvan" menu: a submenu of its own, or a group of the menu
// set apart by a separator. The menu builder lists the groups in menu order.
enum class MenuGroup : int32_t { Select, Table, Copy, Position, Size, Layout, Undo };

struct CommandRow {
  int32_t number;        // what the host's command event carries
  const char* tag;       // the host's name of the command object
  const char* label;     // the menu item's text
  const char* shortcut;  // the keyboard shortcut, as the host writes it
  MenuGroup group;
  int32_t enable;  // the host's enabling rule (Enable...)
  void (*run)();
};

constexpr int32_t CommandCount = 19;
// One row per command, numbers 1 to CommandCount, in the order the menus show them.
extern const CommandRow CommandTable[CommandCount];

// ---- Selection routines ----

void DeselectAll(ObjectId doc);
void SelectObject(ObjectId doc, ObjectId object);

// ---- Selection history ----

struct SelectionStamp {
  double selectedSince;  // tick count of the first refresh that saw it selected; 0.0 = not yet
  int32_t generation;    // the last refresh pass that saw it selected
};

// The record of `graphic` in the history of `doc`, inserting {0.0, 0} when there is none.
SelectionStamp SelectionLookup(ObjectId doc, ObjectId graphic);
void SelectionRefresh(ObjectId doc);
void SelectionForget(ObjectId doc);
void SelectionHistoryRelease();  // frees every record (module unload)

}  // namespace zv
