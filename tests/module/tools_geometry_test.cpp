// The geometry clipboard through the host: copy, the eight pastes, the two proportional
// resizes, "Paste Graphic Width" on table columns, the refusals and the dispatcher.
#include <algorithm>
#include <iterator>

#include "tests/module/tools_test_support.h"

namespace zvtest {
namespace {

class GeometryTest : public ToolsTest {
 protected:
  void SetUp() override {
    ToolsTest::SetUp();
    source = model().AddRectangle(frame, {30, 40, 50, 60});
  }
  ObjectId NewTarget() { return model().AddRectangle(frame, {10, 20, 200, 100}); }
  void CopySource() {
    Select({source});
    Choose(Cmd::CopyGraphicProps);
  }
  std::vector<double> GeometryOf(ObjectId g) {
    return {model().ReadPt(g, prop::PosX), model().ReadPt(g, prop::PosY), model().ReadPt(g, prop::Width),
            model().ReadPt(g, prop::Height)};
  }

  ObjectId source = 0;
};

TEST_F(GeometryTest, CopyReadsTheFourValuesAndChangesNothing) {
  Select({source});
  Mark before = MarkNow();
  Choose(Cmd::CopyGraphicProps);
  EXPECT_TRUE(Actions(before).empty()) << Join(Actions(before));
  std::vector<std::string> reads;
  for (const auto& r : host().log().Named("GetMetricProp", before)) reads.push_back(r.args);
  std::vector<std::string> expected;
  for (const char* key : {"PosX", "PosY", "Width", "Height"})
    expected.push_back("doc=" + Id(doc) + " obj=" + Id(source) + " key=" + key);
  EXPECT_EQ(reads, expected);
}

// The values each paste and resize writes, in order (the calls around them are the steps'
// own: tests/support/commands.h).
TEST_F(GeometryTest, PastesWriteTheCopiedValuesInTheFixedOrder) {
  CopySource();  // x 30, y 40, width 50, height 60, pasted onto 10, 20, 200 x 100
  const std::pair<int32_t, std::vector<std::pair<const char*, double>>> cases[] = {
      {Cmd::PasteGraphicPos, {{"PosX", 30}, {"PosY", 40}}},
      {Cmd::PasteGraphicLeftPos, {{"PosX", 30}}},
      {Cmd::PasteGraphicTopPos, {{"PosY", 40}}},
      {Cmd::PasteGraphicRightPos, {{"PosX", -120}}},
      {Cmd::PasteGraphicBottomPos, {{"PosY", 0}}},
      {Cmd::PasteGraphicSize, {{"Width", 50}, {"Height", 60}}},
      {Cmd::PasteGraphicWidth, {{"Width", 50}}},
      {Cmd::PasteGraphicHeight, {{"Height", 60}}},
      {Cmd::ResizeGraphicToCopiedWidth, {{"Width", 50}, {"Height", 25}}},  // 200 x 100 to the copied width 50
      {Cmd::ResizeGraphicToCopiedHeight, {{"Width", 120}, {"Height", 60}}},
  };
  for (const auto& [command, writes] : cases) {
    ObjectId g = NewTarget();
    Select({g});
    Mark before = MarkNow();
    Choose(command);
    std::vector<std::string> expected, made;
    for (const auto& [key, points] : writes) expected.push_back(SetMetric(g, key, Pt(points)));
    for (const std::string& w : Writes(before))
      if (w.rfind("SetMetricProp", 0) == 0) made.push_back(w);
    EXPECT_EQ(made, expected) << "command " << command;
  }
}

constexpr const char* kCopyFirst = "First copy a graphic with Copy Graphic Props. Then try again.";

// Until the first copy the clipboard holds no graphic's geometry: applying its zeros would
// shrink the graphic to nothing or move it to the frame's corner.
TEST_F(GeometryTest, PastesBeforeAnyCopyAreRefusedAndChangeNothing) {
  ObjectId g = NewTarget();
  Select({g});
  Choose(Cmd::AddFrameToGraphic);  // an undo record the refusals must leave alone
  ObjectId added = model().Contents(frame).back();
  ObjectId table = model().AddTable(model().AddParagraph(model().AddTextFrame(frame, {0, 100, 400, 200}), "a"), {});
  std::vector<int32_t> applying, onGraphics;  // every command that applies the clipboard; all but the width
  for (int32_t c = Cmd::PasteGraphicPos; c <= Cmd::ResizeGraphicToCopiedHeight; ++c) applying.push_back(c);
  std::remove_copy(applying.begin(), applying.end(), std::back_inserter(onGraphics), Cmd::PasteGraphicWidth);
  struct Case {
    const char* selection;
    std::vector<int32_t> commands;
    std::string alert;
  };
  const Case cases[] = {
      {"a graphic", applying, kCopyFirst},
      {"table cells", {Cmd::PasteGraphicWidth}, kCopyFirst},
      {"nothing: the selection is asked for first", onGraphics, kSelectObject},
      {"nothing", {Cmd::PasteGraphicWidth}, "First select an object or table cell(s). Then try again."},
  };
  for (const Case& c : cases) {
    if (c.alert != kCopyFirst)
      host().ClearSelection(doc);
    else if (c.commands.size() == 1)
      ASSERT_TRUE(host().SelectCells(doc, table, 0, 0, 0, 0));
    else
      Select({g});
    for (int32_t command : c.commands) {
      std::vector<double> was = GeometryOf(g);
      Mark before = MarkNow();
      Choose(command);
      EXPECT_EQ(Actions(before), (std::vector<std::string>{"ShowAlert \"" + c.alert + "\" kind=3"}))
          << c.selection << ", command " << command;
      EXPECT_EQ(GeometryOf(g), was) << c.selection << ", command " << command;
    }
  }
  Choose(Cmd::UndoOperation);  // still the added frame's record
  EXPECT_FALSE(model().Exists(added));
}

TEST_F(GeometryTest, ACopyOfZerosIsACopy) {
  ObjectId dot = model().AddRectangle(frame, {0, 0, 0, 0});
  Select({dot});
  Choose(Cmd::CopyGraphicProps);
  ObjectId g = NewTarget();
  Select({g});
  Choose(Cmd::PasteGraphicPos);
  EXPECT_EQ(GeometryOf(g), (std::vector<double>{0, 0, 200, 100}));
  EXPECT_EQ(AlertCount(), 0u);
}

TEST_F(GeometryTest, ProportionalResizeOfAZeroSizeGraphicWritesNothing) {
  CopySource();
  ObjectId line = model().AddRectangle(frame, {1, 2, 0, 30});  // no width
  ObjectId rule = model().AddRectangle(frame, {1, 2, 80, 0});  // no height
  for (auto [g, command] : {std::pair<ObjectId, int32_t>{line, Cmd::ResizeGraphicToCopiedWidth},
                            {rule, Cmd::ResizeGraphicToCopiedHeight}}) {
    Select({g});
    std::vector<double> was = GeometryOf(g);
    Mark before = MarkNow();
    Choose(command);
    EXPECT_TRUE(Writes(before).empty()) << Join(Writes(before));
    EXPECT_EQ(GeometryOf(g), was);
    EXPECT_EQ(AlertCount(), 0u);
  }
  // The other direction still works: a zero height scales by the width.
  Select({rule});
  Choose(Cmd::ResizeGraphicToCopiedWidth);
  EXPECT_EQ(GeometryOf(rule), (std::vector<double>{1, 2, 50, 0}));
}

TEST_F(GeometryTest, NumbersOutsideTheCommandsAreIgnored) {
  Select({NewTarget()});
  for (int32_t number : {0, -1, Cmd::Last + 1, Cmd::Last + 2, 1000, INT32_MIN, INT32_MAX}) {
    Mark before = MarkNow();
    EXPECT_EQ(host().Command(number), 0) << number;
    EXPECT_TRUE(host().log().OpsSince(before).empty()) << number;
  }
  EXPECT_EQ(AlertCount(), 0u);
}

// "Paste Graphic Width" with table cells instead of a graphic.
class ColumnWidthTest : public GeometryTest {
 protected:
  void SetUp() override {
    GeometryTest::SetUp();
    ObjectId text = model().AddTextFrame(frame, {0, 100, 400, 200});
    ObjectId anchor = model().AddParagraph(text, "anchor");
    zvhost::TableSpec spec;
    spec.columnWidths = {100, 110, 120, 130};
    spec.rows = 3;
    spec.marginA = 4;
    spec.marginB = 2;
    table = model().AddTable(anchor, spec);
    CopySource();  // copied width 50: a fitted column is 50 + 4 + 2
  }
  std::vector<double> Widths() {
    std::vector<double> out;
    for (Metric w : ReadList(table, prop::TblColWidths)) out.push_back(zvhost::ToPt(w));
    return out;
  }
  ObjectId table = 0;
};

TEST_F(ColumnWidthTest, SelectedCellsGetTheCopiedWidthPlusMargins) {
  ASSERT_TRUE(host().SelectCells(doc, table, 0, 1, 1, 2));
  Mark before = MarkNow();
  Choose(Cmd::PasteGraphicWidth);
  EXPECT_EQ(Widths(), (std::vector<double>{100, 56, 56, 130}));
  EXPECT_EQ(Actions(before),
            (std::vector<std::string>{Snapshot(table), "SetMetricListProp obj=" + Id(table) +
                                                           " key=TblColWidths value=[100pt, 56pt, 56pt, 130pt]"}));
  Choose(Cmd::UndoOperation);  // the snapshot was of the table with its old widths
  EXPECT_EQ(Widths(), (std::vector<double>{100, 110, 120, 130}));
  Choose(Cmd::UndoOperation);
  EXPECT_EQ(Widths(), (std::vector<double>{100, 56, 56, 130}));
}

TEST_F(ColumnWidthTest, AnInsertionPointInACellWidensOnlyItsColumn) {
  ObjectId cellText = model().AddParagraph(model().Cell(table, 1, 3), "in a cell");
  host().PlaceCursor(doc, cellText, 2);
  model().ForceAnswer(table, prop::TblSelFirstCol, Value::Int(0));  // no column range: the cell decides
  model().ForceAnswer(table, prop::TblSelLastCol, Value::Int(2));
  Choose(Cmd::PasteGraphicWidth);
  EXPECT_EQ(Widths(), (std::vector<double>{100, 110, 120, 56}));
  // The cursor outside a cell leaves the range the table gave.
  host().PlaceCursor(doc, model().AddParagraph(model().AddTextFrame(frame, {0, 0, 50, 50}), "outside"), 1);
  model().ForceAnswer(doc, prop::SelectedTable, Value::Id(table));
  Choose(Cmd::PasteGraphicWidth);
  EXPECT_EQ(Widths(), (std::vector<double>{56, 56, 56, 56}));
}

TEST_F(ColumnWidthTest, AGraphicSelectedTooIsPreferred) {
  ASSERT_TRUE(host().SelectCells(doc, table, 0, 0, 0, 3));
  ObjectId g = NewTarget();
  model().SetSelected(g, true);
  Choose(Cmd::PasteGraphicWidth);
  EXPECT_EQ(model().ReadPt(g, prop::Width), 50);
  EXPECT_EQ(Widths(), (std::vector<double>{100, 110, 120, 130}));
}

TEST_F(ColumnWidthTest, NothingSelectedIsRefusedWithItsOwnText) {
  host().ClearSelection(doc);
  Mark before = MarkNow();
  Choose(Cmd::PasteGraphicWidth);
  ExpectLastAlert("First select an object or table cell(s). Then try again.", kAlertError);
  EXPECT_TRUE(Writes(before).empty());
  EXPECT_EQ(Count(before, "ReadAllProps"), 0u);
}

TEST_F(ColumnWidthTest, AColumnRangeOutsideTheListWritesOnlyExistingEntries) {
  ASSERT_TRUE(host().SelectCells(doc, table, 0, 0, 0, 0));
  struct Case {
    int32_t first, last;
    std::vector<double> widths;
  };
  const Case cases[] = {
      {1, 3, {100, 56, 56, 56}},     // last = count - 1: up to the last column
      {3, 4, {100, 110, 120, 56}},   // last = count: cut at the last column
      {2, 5, {100, 110, 56, 56}},    // last = count + 1
      {2, 9, {100, 110, 56, 56}},    // last = count + 5
      {-3, 0, {56, 110, 120, 130}},  // before the start: cut at the first
      {4, 4, {100, 110, 120, 130}},  // first past the end: nothing
      {4, 7, {100, 110, 120, 130}},  // wholly outside: nothing
      {INT32_MIN, INT32_MAX, {56, 56, 56, 56}},
      {3, 1, {100, 110, 120, 130}},  // reversed: nothing
  };
  for (const Case& c : cases) {
    model().FindMutable(table)->props[prop::TblColWidths] = Value::List({Pt(100), Pt(110), Pt(120), Pt(130)});
    model().ForceAnswer(table, prop::TblSelFirstCol, Value::Int(c.first));
    model().ForceAnswer(table, prop::TblSelLastCol, Value::Int(c.last));
    Choose(Cmd::PasteGraphicWidth);
    EXPECT_EQ(Widths(), c.widths) << c.first << ".." << c.last;
  }
  // A table of a single column is changed like any other.
  model().FindMutable(table)->props[prop::TblColWidths] = Value::List({Pt(100)});
  model().ForceAnswer(table, prop::TblSelFirstCol, Value::Int(0));
  model().ForceAnswer(table, prop::TblSelLastCol, Value::Int(3));
  Choose(Cmd::PasteGraphicWidth);
  EXPECT_EQ(Widths(), (std::vector<double>{56}));
}

TEST_F(ColumnWidthTest, AnEmptyWidthListIsNotWrittenBack) {
  ASSERT_TRUE(host().SelectCells(doc, table, 0, 0, 1, 1));
  ObjectId g = NewTarget();
  Select({g});
  Choose(Cmd::PasteGraphicLeftPos);  // an undo record to keep
  ASSERT_TRUE(host().SelectCells(doc, table, 0, 0, 1, 1));
  host().faults().FailOperation("GetMetricListProp", zvhost::Fault::Status(7), 1);
  Mark before = MarkNow();
  Choose(Cmd::PasteGraphicWidth);
  EXPECT_TRUE(Writes(before).empty()) << Join(Writes(before));
  EXPECT_EQ(Count(before, "ReadAllProps"), 0u);
  EXPECT_EQ(Widths(), (std::vector<double>{100, 110, 120, 130}));
  Choose(Cmd::UndoOperation);  // still undoes the left paste
  EXPECT_EQ(model().ReadPt(g, prop::PosX), 10);
}

}  // namespace
}  // namespace zvtest
