// The document model on its own: ids, addressing, stacking order, selections, tables, menus
// and snapshots.
#include "host/model/model.h"

#include <gtest/gtest.h>

#include <functional>

using namespace zvhost;

namespace {

struct Page {
  Model m;
  ObjectId doc = m.NewDocument("page");
  ObjectId frame = m.AddFrame(doc, {36, 36, 400, 300});
  ObjectId a = m.AddRectangle(frame, {10, 20, 100, 50});
  ObjectId b = m.AddRectangle(frame, {120, 20, 80, 40});
  ObjectId c = m.AddTextFrame(frame, {10, 100, 200, 30});
};

Value Get(const Model& m, ObjectId doc, ObjectId obj, int32_t p, int32_t expectStatus = status::Ok) {
  Value v;
  EXPECT_EQ(m.Get(doc, obj, p, &v), expectStatus) << PropName(p);
  return v;
}

TEST(Units, PointsAndMetricsConvertBothWays) {
  EXPECT_EQ(Pt(1), 65536);
  EXPECT_EQ(Pt(0.25), 16384);
  EXPECT_EQ(Pt(-10.5), -688128);
  EXPECT_DOUBLE_EQ(ToPt(32768), 0.5);
  EXPECT_EQ(FormatPt(Pt(10.25)), "10.25pt");
  EXPECT_EQ(FormatPt(928856), "14.1732178pt");
  EXPECT_EQ(FormatPt(-Pt(3)), "-3pt");
  EXPECT_EQ(FormatPt(1), "0.0000153pt");
  // Halfway between two last digits: to the even one, as printf rounds.
  EXPECT_EQ(FormatPt(256), "0.0039062pt");
  EXPECT_EQ(FormatPt(768), "0.0117188pt");
  EXPECT_EQ(FormatPt(-1), "-0.0000153pt");
  EXPECT_EQ(FormatPoints(9007199254740993LL), "137438953472");  // beyond a double's exact range
  EXPECT_EQ(FormatId(0), "0");
  EXPECT_EQ(FormatId((12u << 24) | 7u), "12:7");
}

TEST(Model, IdsCarryTheirTypeAndAreUnique) {
  Page p;
  EXPECT_EQ(TypeOf(p.doc), obj::Document);
  EXPECT_EQ(TypeOf(p.frame), obj::UnanchoredFrame);
  EXPECT_EQ(TypeOf(p.a), obj::Rectangle);
  EXPECT_EQ(TypeOf(p.c), obj::TextFrame);
  EXPECT_NE(p.a & 0xFFFFFFu, p.b & 0xFFFFFFu);
  EXPECT_EQ(p.m.ActiveDocument(), p.doc);
  EXPECT_EQ(p.m.AddGraphic(p.a, obj::Rectangle, {}), 0u) << "a rectangle holds no graphics";
  EXPECT_EQ(p.m.AddGraphic(p.frame, obj::Paragraph, {}), 0u);
}

TEST(Model, AddressingRulesAndStatusesOfAbsentThings) {
  Page p;
  // Session properties: document argument 0, object 0.
  EXPECT_EQ(Get(p.m, 0, 0, prop::ActiveDocument).word, static_cast<int32_t>(p.doc));
  Get(p.m, p.doc, 0, prop::ActiveDocument, status::BadDocument);
  // Document properties: the session as document, the document as object.
  EXPECT_EQ(Get(p.m, 0, p.doc, prop::GridSpacing).word, Pt(12));
  Get(p.m, p.doc, p.doc, prop::GridSpacing, status::BadDocument);
  // Objects in a document take their document.
  EXPECT_EQ(Get(p.m, p.doc, p.a, prop::PosX).word, Pt(10));
  Get(p.m, 0, p.a, prop::PosX, status::BadDocument);
  Get(p.m, p.doc, p.a, prop::ParaAlignment, status::BadProperty);
  Value none = Get(p.m, p.doc, (12u << 24) | 0xFFFFFu, prop::PosX, status::BadObject);
  EXPECT_EQ(none.kind, ValueKind::None);
  // Writes follow the same rules and check the kind and writability.
  EXPECT_EQ(p.m.Set(p.doc, p.a, prop::PosX, Value::Int(5)), status::WrongKind);
  EXPECT_EQ(p.m.Set(p.doc, p.a, prop::ContainingFrame, Value::Id(0)), status::ReadOnly);
}

TEST(Model, LengthsOutsideTheHostsRangeAreRefusedAndNothingChanges) {
  Page p;
  ObjectId table = p.m.AddTable(p.m.AddParagraph(p.c, "t"), TableSpec{});
  const Metric most = 32767 * 65536;
  struct Row {
    ObjectId object;
    int32_t prop;
    Value value;
    int32_t status;
  } rows[] = {
      {p.a, prop::Width, Value::OfMetric(-1), status::BadValue},
      {p.a, prop::Height, Value::OfMetric(most + 1), status::BadValue},
      {p.a, prop::OutlineWidth, Value::OfMetric(-Pt(1)), status::BadValue},
      {p.a, prop::PosX, Value::OfMetric(most + 1), status::BadValue},
      {p.doc, prop::GridSpacing, Value::OfMetric(-Pt(12)), status::BadValue},
      {table, prop::TblColWidths, Value::List({Pt(5), -1}), status::BadValue},
      {p.a, prop::Width, Value::OfMetric(0), status::Ok},  // both ends belong to the range
      {p.b, prop::Height, Value::OfMetric(most), status::Ok},
      {p.a, prop::PosX, Value::OfMetric(INT32_MIN), status::Ok},
      {p.b, prop::PosY, Value::OfMetric(-Pt(5)), status::Ok},
  };
  for (const Row& r : rows) {
    ObjectId doc = r.object == p.doc ? 0 : p.doc;
    Value before = Get(p.m, doc, r.object, r.prop);
    EXPECT_EQ(p.m.Set(doc, r.object, r.prop, r.value), r.status) << PropName(r.prop);
    EXPECT_EQ(Get(p.m, doc, r.object, r.prop) == before, r.status != status::Ok) << PropName(r.prop);
  }
  // A host that takes any metric stores what the client wrote.
  p.m.options().refuseLengthsOutOfRange = false;
  EXPECT_EQ(p.m.Set(p.doc, p.a, prop::Width, Value::OfMetric(-Pt(4))), status::Ok);
  EXPECT_EQ(p.m.ReadMetric(p.a, prop::Width), -Pt(4));
}

TEST(Model, StackingOrderAndContainingFrame) {
  Page p;
  EXPECT_EQ(p.m.Read(p.a, prop::GraphicBelow).word, 0);
  EXPECT_EQ(p.m.Read(p.a, prop::GraphicAbove).word, static_cast<int32_t>(p.b));
  EXPECT_EQ(p.m.Read(p.b, prop::GraphicBelow).word, static_cast<int32_t>(p.a));
  EXPECT_EQ(p.m.Read(p.c, prop::GraphicAbove).word, 0);
  EXPECT_EQ(p.m.Read(p.b, prop::ContainingFrame).word, static_cast<int32_t>(p.frame));
  EXPECT_EQ(p.m.Read(p.frame, prop::ContainingFrame).word, 0) << "a page frame has no selectable parent";
  ObjectId second = p.m.AddFrame(p.doc, {0, 400, 100, 100});
  EXPECT_EQ(p.m.Read(p.frame, prop::GraphicAbove).word, static_cast<int32_t>(second));
  ObjectId content = p.m.AddFrameContent(p.frame);
  EXPECT_EQ(p.m.Read(content, prop::ContainingFrame).word, static_cast<int32_t>(p.frame));
  EXPECT_EQ(p.m.Contents(p.frame), (std::vector<ObjectId>{p.a, p.b, p.c})) << "frame contents are not graphics";

  int32_t st = -1;
  ObjectId r = p.m.CreateGraphic(p.doc, obj::Rectangle, p.frame, &st);
  EXPECT_EQ(st, status::Ok);
  EXPECT_EQ(p.m.Read(p.c, prop::GraphicAbove).word, static_cast<int32_t>(r)) << "new graphics go on top";
  EXPECT_EQ(p.m.Read(r, prop::Width).word, 0);
  p.m.CreateGraphic(p.doc, obj::Rectangle, p.a, &st);
  EXPECT_EQ(st, status::BadObject);
  EXPECT_EQ(p.m.DeleteObject(p.doc, p.b), status::Ok);
  EXPECT_EQ(p.m.Read(p.a, prop::GraphicAbove).word, static_cast<int32_t>(p.c));
  EXPECT_EQ(p.m.DeleteObject(p.doc, p.b), status::BadObject);
}

TEST(Model, SelectionKeepsOrderAndNamesSuccessorsOfDeselectedGraphics) {
  Page p;
  p.m.SetSelected(p.b, true);
  p.m.SetSelected(p.a, true);
  p.m.SetSelected(p.c, true);
  p.m.SetSelected(p.a, true);  // already selected: no change of order
  EXPECT_EQ(p.m.SelectedGraphics(p.doc), (std::vector<ObjectId>{p.b, p.a, p.c}));
  EXPECT_EQ(p.m.Read(p.doc, prop::FirstSelectedGraphic).word, static_cast<int32_t>(p.b));
  EXPECT_EQ(p.m.Read(p.a, prop::NextSelectedGraphic).word, static_cast<int32_t>(p.c));
  EXPECT_EQ(p.m.Read(p.c, prop::NextSelectedGraphic).word, 0);
  EXPECT_EQ(p.m.Read(p.a, prop::SelectedFlag).word, 1);

  // The client's "deselect, then ask the successor" walk reaches every selected graphic.
  ObjectId g = static_cast<ObjectId>(p.m.Read(p.doc, prop::FirstSelectedGraphic).word);
  int steps = 0;
  while (g && steps++ < 10) {
    ASSERT_EQ(p.m.Set(p.doc, g, prop::SelectedFlag, Value::Int(0)), status::Ok);
    g = static_cast<ObjectId>(p.m.Read(g, prop::NextSelectedGraphic).word);
  }
  EXPECT_EQ(steps, 3);
  EXPECT_TRUE(p.m.SelectedGraphics(p.doc).empty());

  p.m.options().successorAfterDeselect = false;
  p.m.SetSelected(p.a, true);
  p.m.SetSelected(p.b, true);
  p.m.SetSelected(p.a, false);
  EXPECT_EQ(p.m.Read(p.a, prop::NextSelectedGraphic).word, 0);
}

struct TablePage {
  Model m;
  ObjectId doc = m.NewDocument("tables");
  ObjectId frame = m.AddFrame(doc, {0, 0, 500, 700});
  ObjectId text = m.AddTextFrame(frame, {36, 36, 468, 600});
  ObjectId anchor = m.AddParagraph(text, "Table anchor");
  ObjectId table;
  TablePage(TableSpec spec = {}) {
    if (spec.columnWidths.size() == 2) spec.columnWidths = {100, 120, 80};
    spec.rows = 4;
    spec.title = true;
    spec.leftIndent = 36;
    table = m.AddTable(anchor, spec);
  }
};

TEST(Model, TableRowsCellsAndTitle) {
  TablePage t;
  const Model& m = t.m;
  EXPECT_EQ(TypeOf(t.table), obj::Table);
  EXPECT_EQ(m.Read(t.table, prop::TblColumnCount).word, 3);
  EXPECT_EQ(m.Read(t.table, prop::TblWidth).word, Pt(300));
  EXPECT_EQ(m.Read(t.table, prop::TblColWidths).list, (std::vector<Metric>{Pt(100), Pt(120), Pt(80)}));
  Value anchor = m.Read(t.table, prop::AnchorLocation);
  EXPECT_EQ(anchor.kind, ValueKind::TextLoc);
  EXPECT_EQ(anchor.range.begin.object, t.anchor);
  // Rows: previous-row chain and first row, read as integers.
  ObjectId r0 = m.Row(t.table, 0), r2 = m.Row(t.table, 2);
  EXPECT_EQ(m.Read(t.table, prop::TblFirstRow), Value::Int(static_cast<int32_t>(r0)));
  EXPECT_EQ(m.Read(r0, prop::PreviousRow), Value::Int(0));
  EXPECT_EQ(m.Read(r2, prop::PreviousRow), Value::Int(static_cast<int32_t>(m.Row(t.table, 1))));
  EXPECT_EQ(m.Read(r2, prop::RowTable).word, static_cast<int32_t>(t.table));
  ObjectId cell = m.Cell(t.table, 2, 1);
  EXPECT_EQ(m.Read(cell, prop::CellColumn), Value::Int(1));
  EXPECT_EQ(m.Read(cell, prop::CellRow).word, static_cast<int32_t>(r2));
  // The title: first paragraph, its container's row reports the text column's width.
  ObjectId title = static_cast<ObjectId>(m.Read(t.table, prop::TblTitleParagraph).word);
  ASSERT_NE(title, 0u);
  ObjectId container = static_cast<ObjectId>(m.Read(title, prop::TextContainer).word);
  ObjectId row = static_cast<ObjectId>(m.Read(container, prop::CellRow).word);
  EXPECT_EQ(m.Read(row, prop::Width).word, Pt(468));
  EXPECT_EQ(m.Read(title, prop::ParaAlignment), Value::Int(1));

  TableSpec untitled;
  untitled.firstRow = 2;
  untitled.rows = 4;
  ObjectId plain = t.m.AddTable(t.anchor, untitled);
  EXPECT_EQ(m.Read(plain, prop::TblTitleParagraph).word, 0);
  EXPECT_EQ(m.Read(plain, prop::TblFirstRow).word, static_cast<int32_t>(m.Row(plain, 2)));
}

TEST(Model, CellSelectionAndTextCursorSelectTheTable) {
  TablePage t;
  Model& m = t.m;
  EXPECT_EQ(m.SelectedTable(t.doc), 0u);
  EXPECT_EQ(m.SelectTableCells(t.doc, t.table, 1, 2, 1, 2), status::Ok);
  EXPECT_EQ(m.Read(t.doc, prop::SelectedTable).word, static_cast<int32_t>(t.table));
  EXPECT_NE(m.Read(t.table, prop::TblSelTop).word, 0);
  EXPECT_EQ(m.Read(t.table, prop::TblSelFirstCol).word, 1);
  EXPECT_EQ(m.Read(t.table, prop::TblSelLastCol).word, 2);
  EXPECT_EQ(m.SelectTableCells(t.doc, t.table, 0, 9, 0, 0), status::BadValue);
  EXPECT_EQ(m.SelectTableCells(t.doc, t.table, WholeTable, 0, 0, 0), status::Ok);
  EXPECT_EQ(m.Read(t.table, prop::TblSelLastCol).word, 2);

  // An insertion point in a cell: the table is selected, no cell block (sel top 0).
  ObjectId para = m.AddParagraph(m.Cell(t.table, 3, 2), "cell text");
  m.SetTextSelection(t.doc, {{para, 2}, {para, 2}});
  EXPECT_EQ(m.SelectedTable(t.doc), t.table);
  EXPECT_EQ(m.Read(t.table, prop::TblSelTop).word, 0);
  EXPECT_EQ(m.Read(t.table, prop::TblSelFirstCol).word, 2);
  m.options().tableSelectedByTextCursor = false;
  EXPECT_EQ(m.SelectedTable(t.doc), 0u);
  // Setting the text selection checks the paragraphs.
  EXPECT_EQ(m.Set(0, t.doc, prop::TextSelection, Value::Range({{t.table, 0}, {t.table, 0}})), status::BadValue);
  EXPECT_EQ(m.Set(0, t.doc, prop::TextSelection, Value::Range({})), status::Ok);
}

TEST(Model, ColumnWidthsKeepTheirCount) {
  TablePage t;
  EXPECT_EQ(t.m.Set(t.doc, t.table, prop::TblColWidths, Value::List({Pt(1), Pt(2)})), status::BadValue);
  EXPECT_EQ(t.m.Set(t.doc, t.table, prop::TblColWidths, Value::List({Pt(1), Pt(2), Pt(3)})), status::Ok);
  EXPECT_EQ(t.m.Read(t.table, prop::TblWidth).word, Pt(6));
}

TEST(Model, MenusAppendInCallOrderAndAreFoundByName) {
  Model m;
  int32_t st = -1;
  EXPECT_NE(m.LookupNamed(obj::Menu, "!MakerMainMenu"), 0u);
  EXPECT_NE(m.LookupNamed(obj::Separator, "Separator6"), 0u);
  EXPECT_EQ(m.LookupNamed(obj::Separator, "Separator7"), 0u);
  ObjectId zorvan = m.DefineMenu(m.MainMenu(), "ZorvanDocMenu", "Zorvan", &st);
  ObjectId select = m.DefineMenu(zorvan, "ZorvanSelMenu", "Select", &st);
  ObjectId parent = m.DefineCommand(15, select, "SELECT_PARENT_OBJECT_SelMenu", "Select Parent Object", "\\!spo", &st);
  EXPECT_EQ(m.AddToMenu(zorvan, m.LookupNamed(obj::Separator, "Separator2")), status::Ok);
  ObjectId copy = m.DefineCommand(1, zorvan, "COPY_GRAPHIC_PROPS_DocMenu", "Copy Graphic Props", "\\!cgs", &st);
  m.Set(0, copy, prop::EnableCondition, Value::Int(15));
  EXPECT_EQ(m.AddToMenu(zorvan, 0), status::BadObject);
  m.DefineMenu(copy, "X", "X", &st);
  EXPECT_EQ(st, status::BadObject) << "a command holds no menu";

  EXPECT_EQ(m.LookupNamed(obj::Command, "COPY_GRAPHIC_PROPS_DocMenu"), copy);
  EXPECT_EQ(m.LookupNamed(obj::Menu, "COPY_GRAPHIC_PROPS_DocMenu"), 0u) << "lookups are by type";
  EXPECT_EQ(m.CommandByPath("Zorvan > Select > Select Parent Object"), parent);
  EXPECT_EQ(m.CommandByPath("Zorvan > Copy Graphic Props"), copy);
  EXPECT_EQ(m.CommandByPath("Zorvan > Select"), 0u) << "a menu is not a command";
  EXPECT_EQ(m.CommandByShortcut("\\!cgs"), copy);
  EXPECT_EQ(m.CommandByNumber(15), parent);
  EXPECT_EQ(m.MenuTree(),
            "Zorvan [ZorvanDocMenu] >\n"
            "  Select [ZorvanSelMenu] >\n"
            "    Select Parent Object [SELECT_PARENT_OBJECT_SelMenu] \\!spo #15 enable=0\n"
            "  ---- Separator2\n"
            "  Copy Graphic Props [COPY_GRAPHIC_PROPS_DocMenu] \\!cgs #1 enable=15\n");
  // Defining an existing tag again reuses it and does not append it twice.
  EXPECT_EQ(m.DefineMenu(m.MainMenu(), "ZorvanDocMenu", "Zorvan", &st), zorvan);
  EXPECT_EQ(m.Find(m.MainMenu())->children.size(), 1u);
}

TEST(Snapshot, DiffListsChangedPropertiesInPointsAndObjectsMadeOrRemoved) {
  Page p;
  Snapshot before = p.m.TakeSnapshot();
  EXPECT_TRUE(Diff(before, p.m.TakeSnapshot()).empty());
  p.m.Set(p.doc, p.a, prop::PosX, Value::OfMetric(Pt(110.5)));
  p.m.SetSelected(p.b, true);
  int32_t st;
  ObjectId r = p.m.CreateGraphic(p.doc, obj::Rectangle, p.frame, &st);
  p.m.DeleteObject(p.doc, p.c);
  std::string text = FormatChanges(Diff(before, p.m.TakeSnapshot()));
  EXPECT_NE(text.find(FormatId(p.a) + " PosX: 10pt -> 110.5pt\n"), std::string::npos) << text;
  EXPECT_NE(text.find(FormatId(p.b) + " SelectedFlag: 0 -> 1\n"), std::string::npos) << text;
  EXPECT_NE(text.find(FormatId(p.doc) + " FirstSelectedGraphic: 0 -> " + FormatId(p.b)), std::string::npos) << text;
  EXPECT_NE(text.find(FormatId(r) + " created\n"), std::string::npos) << text;
  EXPECT_NE(text.find(FormatId(r) + " Width: - -> 0pt\n"), std::string::npos) << text;
  EXPECT_NE(text.find(FormatId(p.c) + " deleted\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("Separator"), std::string::npos) << "menus are not part of document snapshots";
}

TEST(Snapshot, WatchedChangesTellWhatWholeSnapshotsTell) {
  // {what is done, objects the watch copies (0: the whole model)}
  const std::vector<std::pair<std::function<void(TablePage&, ObjectId)>, size_t>> cases = {
      {[](TablePage&, ObjectId) {}, 0u},
      {[](TablePage& t, ObjectId g) {
         t.m.Set(t.doc, g, prop::PosX, Value::OfMetric(Pt(5)));
         t.m.Set(t.doc, g, prop::PosX, Value::OfMetric(Pt(7)));  // the value before the first write counts
         t.m.Set(0, 0, prop::ScreenUpdates, Value::Int(0));
         t.m.SetName(t.anchor, "renamed");
       },
       3u},
      {[](TablePage& t, ObjectId g) {
         t.m.Set(t.doc, g, prop::Width, Value::OfMetric(Pt(9)));
         t.m.SetSelected(g, true);  // after a write: the written object keeps its first value
         t.m.Set(t.doc, g, prop::Width, Value::OfMetric(Pt(3)));
       },
       2u},                          // a selection copies its document and graphics, not the whole model
      {[](TablePage& t, ObjectId) {  // the rows take their width from the table
         t.m.Set(t.doc, t.table, prop::TblColWidths, Value::List({Pt(10), Pt(20), Pt(30)}));
       },
       5u},
      {[](TablePage& t, ObjectId g) {
         t.m.Set(0, t.doc, prop::GridSpacing, Value::OfMetric(Pt(6)));
         t.m.DeleteObject(t.doc, g);
         t.m.CreateGraphic(t.doc, obj::Rectangle, t.frame);
       },
       0u},
      {[](TablePage& t, ObjectId) {  // a new graphic copies the one below it; selecting it, the document
         ObjectId n = t.m.CreateGraphic(t.doc, obj::Rectangle, t.frame);
         t.m.Set(t.doc, n, prop::PosX, Value::OfMetric(Pt(4)));
         t.m.SetSelected(n, true);
       },
       2u},
      {[](TablePage& t, ObjectId g) {  // the whole model copied after a graphic is made: without it
         t.m.CreateGraphic(t.doc, obj::Rectangle, t.frame);
         t.m.DeleteObject(t.doc, g);
       },
       0u},
      {[](TablePage& t, ObjectId) {
         t.m.SetTextSelection(t.doc, {{t.anchor, 2}, {t.anchor, 2}});
       },
       1u},
      {[](TablePage& t, ObjectId) { t.m.SelectTableCells(t.doc, t.table, 1, 2, 0, 1); }, 2u},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    TablePage t;
    ObjectId g = t.m.AddRectangle(t.frame, {1, 2, 3, 4});
    t.m.AddRectangle(t.frame, {5, 6, 7, 8});
    Snapshot whole = t.m.TakeSnapshot(), before, after;
    std::map<ObjectId, std::map<int32_t, Value>> stored;  // what an undo would have to put back
    for (ObjectId id : t.m.ObjectsOf(t.doc)) stored[id] = t.m.Find(id)->props;
    t.m.BeginChanges();
    cases[i].first(t, g);
    t.m.EndChanges(&before, &after);
    for (ObjectId id : t.m.ObjectsOf(t.doc)) {
      const std::map<int32_t, Value>* kept = t.m.StoredBefore(id);
      auto was = stored.find(id);  // none for an object made in the watch
      EXPECT_TRUE(was == stored.end() ? kept == nullptr : kept && *kept == was->second)
          << "case " << i << ", stored properties of " << FormatId(id) << " before the changes";
    }
    std::string expected = FormatChanges(Diff(whole, t.m.TakeSnapshot()));
    EXPECT_EQ(FormatChanges(Diff(before, after)), expected) << "case " << i;
    EXPECT_EQ(i == 0, expected.empty()) << "case " << i;
    size_t copied = i == 0 ? 0 : cases[i].second ? cases[i].second : whole.objects.size();
    EXPECT_EQ(before.objects.size(), copied) << "case " << i;
  }
}

// A graphic deselected before the watch still names its successor; when that one is
// deselected in the watch, the first graphic's successor changes too and must be seen.
TEST(Snapshot, ASuccessorRememberedBeforeTheWatchIsSeen) {
  TablePage t;
  ObjectId g = t.m.AddRectangle(t.frame, {1, 2, 3, 4}), h = t.m.AddRectangle(t.frame, {5, 6, 7, 8});
  t.m.SetSelected(g, true);
  t.m.SetSelected(h, true);
  t.m.SetSelected(g, false);
  Snapshot whole = t.m.TakeSnapshot(), before, after;
  t.m.BeginChanges();
  t.m.SetSelected(h, false);
  t.m.EndChanges(&before, &after);
  std::string expected = FormatChanges(Diff(whole, t.m.TakeSnapshot()));
  EXPECT_NE(expected.find(FormatId(g)), std::string::npos) << expected;
  EXPECT_EQ(FormatChanges(Diff(before, after)), expected);
}

// A table that showed the cells or the text cursor before the watch changes when they leave it.
TEST(Snapshot, ASelectionLeavingATableIsSeen) {
  using Act = std::function<void(TablePage&, ObjectId)>;
  const Act cells = [](TablePage& t, ObjectId) { t.m.SelectTableCells(t.doc, t.table, 1, 2, 0, 1); };
  const Act cursor = [](TablePage& t, ObjectId cell) { t.m.SetTextSelection(t.doc, {{cell, 1}, {cell, 1}}); };
  const Act out = [](TablePage& t, ObjectId) { t.m.SetTextSelection(t.doc, {{t.anchor, 2}, {t.anchor, 2}}); };
  const Act clear = [](TablePage& t, ObjectId) { t.m.ClearCellSelection(t.doc); };
  const std::vector<std::pair<Act, Act>> cases = {{cells, out}, {cursor, out}, {cells, clear}, {out, cursor}};
  for (size_t i = 0; i < cases.size(); ++i) {
    TablePage t;
    ObjectId cell = t.m.AddParagraph(t.m.Cell(t.table, 1, 1), "in a cell");
    cases[i].first(t, cell);
    Snapshot whole = t.m.TakeSnapshot(), before, after;
    t.m.BeginChanges();
    cases[i].second(t, cell);
    t.m.EndChanges(&before, &after);
    std::string expected = FormatChanges(Diff(whole, t.m.TakeSnapshot()));
    EXPECT_NE(expected.find(FormatId(t.table)), std::string::npos) << "case " << i << "\n" << expected;
    EXPECT_EQ(FormatChanges(Diff(before, after)), expected) << "case " << i;
  }
}

TEST(Model, RemovingADocumentTakesEverythingInIt) {
  TablePage t;
  ObjectId other = t.m.NewDocument("other");
  t.m.SetActiveDocument(t.doc);
  EXPECT_TRUE(t.m.RemoveDocument(t.doc));
  EXPECT_FALSE(t.m.Exists(t.table));
  EXPECT_FALSE(t.m.Exists(t.anchor));
  EXPECT_TRUE(t.m.ObjectsOf(t.doc).empty());
  EXPECT_EQ(t.m.ActiveDocument(), other);
  EXPECT_FALSE(t.m.RemoveDocument(t.doc));
}

}  // namespace

namespace {

TEST(Model, NamesFindObjectsForPeopleAndScenarios) {
  Page p;
  p.m.SetName(p.a, "fig");
  ObjectId para = p.m.AddParagraph(p.c, "fig");
  EXPECT_EQ(p.m.FindByName(p.doc, "fig"), p.a) << "a graphic wins over a paragraph's text";
  EXPECT_EQ(p.m.FindByName(p.doc, "nothing"), 0u);
  EXPECT_EQ(p.m.Describe(p.a), "Rectangle " + FormatId(p.a) + " \"fig\"");
  EXPECT_EQ(p.m.Describe(para), "Paragraph " + FormatId(para) + " \"fig\"");
  EXPECT_EQ(p.m.PageFrames(p.doc), std::vector<ObjectId>{p.frame});
}

}  // namespace
