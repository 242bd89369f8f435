// The document object model the reference host serves: documents, frames holding graphics in
// stacking order, text frames, paragraphs, tables with rows and cells, the selections, and the
// session's menus and commands. Lengths are stored as metric values (65536 per point); the
// building helpers take points. This room uses nothing of the host above it, only the
// interface's own numbers (hostapi/abi.h through numbers.h). Its files, one family each:
// values (units, ids, values), objects, building, selection, properties and computed (the
// properties worked out from structure, one handler each), menus, journal (snapshots, changes).
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/model/numbers.h"

namespace zvhost {

constexpr int32_t kUnitsPerPoint = 65536;
// Points to a metric value, rounded to the nearest unit.
Metric Pt(double points);
double ToPt(Metric value);
// "10.25pt" (up to seven decimals, no trailing zeros).
std::string FormatPt(Metric value);
// Metric units (65536 per point) as points, without trailing zeros: "10.25", "124.1730957".
std::string FormatPoints(int64_t metric);
// "12:3": the type and the counter of an id; "0" for none.
std::string FormatId(ObjectId id);

struct Geometry {  // in points, relative to the containing frame (or the page)
  double x = 0;
  double y = 0;
  double w = 0;
  double h = 0;
};

struct TextLoc {
  ObjectId object = 0;
  int32_t offset = 0;
};
struct TextRange {
  TextLoc begin;
  TextLoc end;
};

enum class ValueKind : uint8_t { None, Int, Metric, Id, TextLoc, TextRange, MetricList, Text };

// One property value of the model.
struct Value {
  ValueKind kind = ValueKind::None;
  int32_t word = 0;          // Int, Metric, Id
  TextRange range;           // TextLoc uses range.begin
  std::vector<Metric> list;  // MetricList
  std::string text;          // Text

  static Value Int(int32_t v);
  static Value OfMetric(Metric v);
  static Value Id(ObjectId v);
  static Value Loc(TextLoc v);
  static Value Range(TextRange v);
  static Value List(std::vector<Metric> v);
  static Value Text(std::string v);
  // Readable form: ints as numbers, metrics in points, ids as type:number, lists in brackets.
  std::string Format() const;
};
bool operator==(const Value& a, const Value& b);
inline bool operator!=(const Value& a, const Value& b) {
  return !(a == b);
}

struct Object {
  ObjectId id = 0;
  int type = 0;
  ObjectId doc = 0;                // the document that holds it; 0 for documents and session objects
  ObjectId parent = 0;             // graphic: frame (0 for a frame on the page); paragraph: text container;
                                   // row: table; cell: row; anchored frame: its anchor paragraph
  std::vector<ObjectId> children;  // frame: graphics bottom to top; text frame, cell: paragraphs;
                                   // table: rows; row: cells; menu: items; document: page frames
  // Where each of the first childIndex.size() children stands, so a read of the stacking order
  // does not walk a crowded frame: children are only appended (the index catches up on demand)
  // or removed (the index is cleared).
  mutable std::unordered_map<ObjectId, size_t> childIndex;
  std::map<int32_t, Value> props;  // stored properties (geometry, flags, indents, widths, ...)
  std::string name;                // document name, menu/command tag, separator name, paragraph text
  std::string label;               // menu and command label
  std::string shortcut;            // command shortcut
  int32_t number = 0;              // command number
  ObjectId staleNext = 0;          // graphic: its successor in the selection when it was deselected
};

struct TableSpec {
  std::vector<double> columnWidths = {100, 100};  // points
  int rows = 2;
  double marginA = 6;  // points
  double marginB = 6;
  double leftIndent = 0;
  int32_t placement = 0;
  int firstRow = 0;  // index of the row the table reports as its first row
  bool title = false;
  std::string titleText = "Table 1: Title";
  int32_t titleAlignment = 1;
  double titleRowWidth = -1;  // width the title's row reports; < 0: the anchor's text frame width
};

// Behaviour switches where hosts may differ.
struct ModelOptions {
  // A deselected graphic still names the graphic that followed it in the selection, so a client
  // that walks "deselect, then ask the successor" reaches every selected graphic.
  bool successorAfterDeselect = true;
  // An insertion point in a table cell makes the document report that table as selected.
  bool tableSelectedByTextCursor = true;
  // A length written outside the host's range (a negative size, a position past its ends) is
  // refused with BadValue and the object keeps its value, as the DTP host refuses it. Tests of
  // the client's arithmetic at the metric's ends turn it off to see what the client wrote.
  bool refuseLengthsOutOfRange = true;
};

// A write the model refused because the length lay outside the host's range.
struct RefusedWrite {
  ObjectId object = 0;
  int32_t prop = 0;
  Value value;
};

struct CellSelection {
  ObjectId table = 0;
  int32_t top = 0, bottom = 0, left = 0, right = 0;  // rows and columns from 0
};

struct DocState {
  std::vector<ObjectId> selection;  // selected graphics, in the order they were selected
  // Position of each selected graphic, built on demand so a walk along the selection reads
  // each step in constant time; cleared whenever the selection changes.
  mutable std::unordered_map<ObjectId, size_t> selectionIndex;
  // Deselected graphics by the successor each remembers (Object::staleNext): whose successor
  // in the selection changes when that one is selected or deselected, found without a walk.
  std::unordered_multimap<ObjectId, ObjectId> staleFrom;
  TextRange textSelection;
  CellSelection cells;
  Metric grid = 12 * 65536;
  int refreshes = 0;
};

// A copy of every client-visible property of every object, for comparing two moments.
struct Snapshot {
  std::map<ObjectId, std::vector<std::pair<int32_t, Value>>> objects;  // properties in number order
};

struct Change {
  ObjectId object = 0;
  int32_t prop = 0;    // -1: the object itself (created or deleted)
  std::string before;  // "" when absent
  std::string after;
  // "12:3 PosX: 10pt -> 20pt", "12:7 created", "12:7 deleted".
  std::string ToString() const;
};
std::vector<Change> Diff(const Snapshot& before, const Snapshot& after);
std::string FormatChanges(const std::vector<Change>& changes);  // one change per line

class Model {
 public:
  explicit Model(ModelOptions options = {});
  ModelOptions& options() { return options_; }
  // Writes refused for their range since the last ClearRefusedWrites, oldest first.
  const std::vector<RefusedWrite>& RefusedWrites() const { return refused_; }
  void ClearRefusedWrites() { refused_.clear(); }

  // ---- Building ----
  ObjectId NewDocument(const std::string& name = "Untitled", double pageWidth = 612, double pageHeight = 792);
  ObjectId AddFrame(ObjectId doc, Geometry g);  // unanchored frame on the page, on top
  // A frame anchored at `offset` in `paragraph`; graphics inside it are relative to it.
  ObjectId AddAnchoredFrame(ObjectId paragraph, int32_t offset, Geometry g);
  // A graphic of type 9..21 on top of `frame`'s stacking order (a frame, anchored or not).
  ObjectId AddGraphic(ObjectId frame, int type, Geometry g);
  ObjectId AddRectangle(ObjectId frame, Geometry g) { return AddGraphic(frame, obj::Rectangle, g); }
  ObjectId AddTextFrame(ObjectId frame, Geometry g) { return AddGraphic(frame, obj::TextFrame, g); }
  ObjectId AddFrameContent(ObjectId frame);  // an object selected through its frame (type 65)
  // A paragraph at the end of a text frame or a table cell.
  ObjectId AddParagraph(ObjectId container, const std::string& text = "", int32_t alignment = 0);
  // A table anchored at the start of `anchorParagraph`.
  ObjectId AddTable(ObjectId anchorParagraph, const TableSpec& spec);
  ObjectId Row(ObjectId table, int index) const;  // 0 when absent
  ObjectId Cell(ObjectId table, int row, int column) const;
  void SetGridSpacing(ObjectId doc, double points);
  void SetActiveDocument(ObjectId doc);

  // ---- Objects ----
  const Object* Find(ObjectId id) const;
  Object* FindMutable(ObjectId id);
  bool Exists(ObjectId id) const { return Find(id) != nullptr; }
  std::vector<ObjectId> Documents() const;
  std::vector<ObjectId> ObjectsOf(ObjectId doc) const;  // every object of a document, by id
  ObjectId ActiveDocument() const { return active_; }
  DocState* Doc(ObjectId doc);
  const DocState* Doc(ObjectId doc) const;
  // Removes a document and everything in it (no notifications; see Host::CloseDocument).
  bool RemoveDocument(ObjectId doc);
  // A new graphic of `type` with zero geometry on top of `frame`; status through `status`.
  ObjectId CreateGraphic(ObjectId doc, int type, ObjectId frame, int32_t* status = nullptr);
  int32_t DeleteObject(ObjectId doc, ObjectId id);       // a host status
  Geometry GeometryOf(ObjectId graphic) const;           // points
  std::vector<ObjectId> PageFrames(ObjectId doc) const;  // unanchored frames, bottom to top
  // A name people and scenarios use for an object ("fig", "title").
  void SetName(ObjectId id, const std::string& name);
  ObjectId FindByName(ObjectId doc, const std::string& name) const;  // 0 when absent
  std::string Describe(ObjectId id) const;                           // "Rectangle 12:3 \"fig\"
  std::vector<ObjectId> Contents(ObjectId frame) const;              // graphics bottom to top

  // ---- Properties, with the host's addressing rules ----
  // Session and document properties take document argument 0; objects in a document take
  // their document. Returns a host status; `out` is left None on failure.
  int32_t Get(ObjectId doc, ObjectId object, int32_t prop, Value* out) const;
  int32_t Set(ObjectId doc, ObjectId object, int32_t prop, const Value& value);
  // Convenience reads without the addressing rules (tests, pictures); 0 / None when absent.
  Value Read(ObjectId object, int32_t prop) const;
  Metric ReadMetric(ObjectId object, int32_t prop) const { return Read(object, prop).word; }
  double ReadPt(ObjectId object, int32_t prop) const { return ToPt(Read(object, prop).word); }
  // Every client-visible property of an object, in property-number order.
  std::vector<std::pair<int32_t, Value>> Properties(ObjectId object) const;

  // ---- Selection (raw: no notifications; see Host for the user's way) ----
  void SetSelected(ObjectId graphic, bool selected);  // appends to / removes from the order
  std::vector<ObjectId> SelectedGraphics(ObjectId doc) const;
  void ClearGraphicSelection(ObjectId doc);
  int32_t SelectTableCells(ObjectId doc, ObjectId table, int32_t top, int32_t bottom, int32_t left,
                           int32_t right);  // a host status
  void ClearCellSelection(ObjectId doc);
  void SetTextSelection(ObjectId doc, TextRange range);
  ObjectId SelectedTable(ObjectId doc) const;

  // ---- Session ----
  int32_t screenUpdates = 1;

  // ---- Menus and commands ----
  ObjectId MainMenu() const { return mainMenu_; }
  ObjectId LookupNamed(int type, const std::string& name) const;  // 0 when absent
  ObjectId DefineMenu(ObjectId parent, const std::string& tag, const std::string& label, int32_t* status = nullptr);
  ObjectId DefineCommand(int32_t number, ObjectId menu, const std::string& tag, const std::string& label,
                         const std::string& shortcut, int32_t* status = nullptr);
  int32_t AddToMenu(ObjectId menu, ObjectId item);  // a host status
  ObjectId CommandByNumber(int32_t number) const;
  ObjectId CommandByShortcut(const std::string& shortcut) const;
  // "Zorvan > Select > Select Parent Object": labels from the main menu bar down.
  ObjectId CommandByPath(const std::string& path) const;
  // The menu tree below `menu` (default: the main menu bar), one item per line, indented.
  std::string MenuTree(ObjectId menu = 0) const;

  // ---- Snapshots ----
  Snapshot TakeSnapshot() const;
  // What a command changes, told without copying the whole model twice: from BeginChanges()
  // on, the model keeps each object's properties as they were just before its first write or
  // before a change that shows on it (a new graphic on the graphic below it, a table's widths
  // on its rows, a selection on its document and the objects that show it); at the first
  // deletion or any other new object, the whole model as it was. EndChanges() gives that and
  // the same objects now, with the objects made since. Diff of the two gives what Diff of two
  // whole snapshots would. Writes made through FindMutable() or Doc() are not seen.
  void BeginChanges();
  void EndChanges(Snapshot* before, Snapshot* after);
  void CancelChanges() { watching_ = false; }
  // The stored properties `id` had at BeginChanges(), kept at its first write since (also after
  // EndChanges, until the next BeginChanges): what an undo of the changes must put back. Null for
  // an object made since, or gone.
  const std::map<int32_t, Value>* StoredBefore(ObjectId id) const;

  // ---- Odd hosts ----
  // From now on a read of `prop` on `object` answers `value`, whatever the model holds: a host
  // that reports out-of-range columns or chains that run in a cycle.
  void ForceAnswer(ObjectId object, int32_t prop, const Value& value) { forced_[{object, prop}] = value; }
  bool HasForcedAnswers() const { return !forced_.empty(); }
  void ClearForcedAnswers() { forced_.clear(); }

 private:
  int32_t Refuse(ObjectId object, int32_t prop, const Value& value);  // records it, answers BadValue
  ObjectId NewObject(int type, ObjectId doc, ObjectId parent);
  ObjectId MakeObject(int type, ObjectId doc, ObjectId parent);  // without TouchAll(): the caller touches
  void RemoveTree(ObjectId id);
  bool InSnapshot(ObjectId id) const;
  void Touch(ObjectId id);  // a property of `id` alone is about to change
  void TouchAll();          // anything may be about to change
  // The selection of `graphic` is about to change: the objects whose selection properties
  // follow (its document, itself, its neighbour in the selection, those that name it as their
  // successor).
  void TouchSelection(const DocState& d, const Object& graphic, std::vector<ObjectId>::const_iterator at);
  // The text or cell selection of `doc` is about to change: the objects that show it (the
  // document, the table whose cells are selected, the table that holds the text cursor).
  void TouchTextSelection(ObjectId doc, const DocState& d);
  void ForgetStale(DocState& d, const Object& graphic);

  // The object the last lookup found: a command's calls mostly address one object in a row.
  // A copied model starts without it.
  struct LastFound {
    ObjectId id = 0;
    Object* object = nullptr;
    LastFound() = default;
    LastFound(const LastFound&) {}
    LastFound& operator=(const LastFound&) {
      id = 0, object = nullptr;
      return *this;
    }
  };
  mutable LastFound lastFound_;

  bool watching_ = false;
  bool watchingAll_ = false;  // watched_ holds the whole model as it was
  Snapshot watched_;
  std::map<ObjectId, std::map<int32_t, Value>> storedBefore_;  // at each object's first write
  std::set<ObjectId> madeSince_;                               // objects made while watching

  ModelOptions options_;
  std::vector<RefusedWrite> refused_;
  std::map<ObjectId, Object> objects_;
  std::set<ObjectId> commands_;  // the commands among them, in the same order: found without a walk
  std::map<ObjectId, DocState> docs_;
  ObjectId active_ = 0;
  ObjectId mainMenu_ = 0;
  std::map<std::pair<ObjectId, int32_t>, Value> forced_;
  uint32_t counter_ = 0;
};

}  // namespace zvhost
