// "Select Parent Object", "Select Next Object Above/Below" and the select routine for each kind
// of object, and walks along host chains that never end.
#include "tests/module/tools_test_support.h"

namespace zvtest {
namespace {

class NavigationTest : public ToolsTest {
 protected:
  void SetUp() override {
    ToolsTest::SetUp();
    bottom = model().AddRectangle(frame, {0, 0, 10, 10});
    middle = model().AddRectangle(frame, {20, 0, 10, 10});
    top = model().AddRectangle(frame, {40, 0, 10, 10});
  }
  std::vector<ObjectId> Selected() { return model().SelectedGraphics(doc); }
  // A text frame in the main frame with a paragraph, and a table anchored in it.
  ObjectId MakeTable(int rows = 5, int firstRow = 0) {
    textFrame = model().AddTextFrame(frame, {0, 100, 300, 200});
    anchor = model().AddParagraph(textFrame, "anchor");
    zvhost::TableSpec spec;
    spec.columnWidths = {50, 60, 70};
    spec.rows = rows;
    spec.firstRow = firstRow;
    return model().AddTable(anchor, spec);
  }
  // "Select Parent Object" on a graphic whose parent the host reports as `target`; gives that graphic.
  ObjectId ChooseParentOf(ObjectId target) {
    ObjectId g = model().AddRectangle(frame, {0, 0, 1, 1});
    model().ForceAnswer(g, prop::ContainingFrame, Value::Id(target));
    Select({g});
    Choose(Cmd::SelectParentObject);
    return g;
  }
  // The writes that select `target` that way, after the graphic's own deselection.
  std::vector<std::string> SelectThroughParent(ObjectId target) {
    Mark before = MarkNow();
    ObjectId g = ChooseParentOf(target);
    std::vector<std::string> writes = Writes(before);
    if (writes.empty() || writes.front() != SetInt(g, "SelectedFlag", 0)) {
      ADD_FAILURE() << "the graphic was not deselected first:\n" << Join(writes);
      return writes;
    }
    writes.erase(writes.begin());
    return writes;
  }
  static std::string Cells(ObjectId table, int32_t top, int32_t bottom, int32_t left, int32_t right) {
    std::string rows = top == INT32_MIN ? "whole" : std::to_string(top) + ".." + std::to_string(bottom);
    return "SelectTableCells table=" + Id(table) + " rows=" + rows + " cols=" + std::to_string(left) + ".." +
           std::to_string(right);
  }

  ObjectId bottom = 0, middle = 0, top = 0;
  ObjectId textFrame = 0, anchor = 0;
};

TEST_F(NavigationTest, StepThroughTheStackingOrder) {
  Select({middle});
  Mark before = MarkNow();
  Choose(Cmd::SelectNextObjectAbove);
  EXPECT_EQ(Writes(before),
            (std::vector<std::string>{SetInt(middle, "SelectedFlag", 0), SetInt(top, "SelectedFlag", 1)}));
  EXPECT_EQ(Selected(), (std::vector<ObjectId>{top}));
  Mark atTop = MarkNow();
  Choose(Cmd::SelectNextObjectAbove);  // already the top: nothing, silently
  EXPECT_TRUE(Writes(atTop).empty());
  EXPECT_EQ(Selected(), (std::vector<ObjectId>{top}));
  Choose(Cmd::SelectNextObjectBelow);
  EXPECT_EQ(Selected(), (std::vector<ObjectId>{middle}));
  Choose(Cmd::SelectNextObjectBelow);
  EXPECT_EQ(Selected(), (std::vector<ObjectId>{bottom}));
  Mark atBottom = MarkNow();
  Choose(Cmd::SelectNextObjectBelow);
  EXPECT_TRUE(Writes(atBottom).empty());
  EXPECT_EQ(AlertCount(), 0u);
  EXPECT_EQ(Count(before, "RefreshDocument"), 0u);
}

TEST_F(NavigationTest, StepsStartFromTheFirstSelectedAndLeaveOnlyTheNext) {
  host().SelectInOrder(doc, {bottom, top});
  Choose(Cmd::SelectNextObjectAbove);
  EXPECT_EQ(Selected(), (std::vector<ObjectId>{middle}));
  host().ClearSelection(doc);
  for (int32_t command : {Cmd::SelectNextObjectAbove, Cmd::SelectNextObjectBelow}) {
    Mark before = MarkNow();
    Choose(command);
    ExpectLastAlert(kSelectObject, kAlertError);
    EXPECT_TRUE(Writes(before).empty());
  }
}

TEST_F(NavigationTest, ParentsOfGraphicsUpToTheUnanchoredFrame) {
  MakeTable();
  ObjectId anchored = model().AddAnchoredFrame(anchor, 3, {0, 0, 100, 50});
  ObjectId inside = model().AddRectangle(anchored, {1, 1, 5, 5});
  Select({inside});
  Choose(Cmd::SelectParentObject);
  EXPECT_EQ(Selected(), (std::vector<ObjectId>{anchored}));
  Choose(Cmd::SelectParentObject);  // the text frame that holds the anchor
  EXPECT_EQ(Selected(), (std::vector<ObjectId>{textFrame}));
  Choose(Cmd::SelectParentObject);
  EXPECT_EQ(Selected(), (std::vector<ObjectId>{frame}));
  Mark before = MarkNow();
  Choose(Cmd::SelectParentObject);  // an unanchored frame has no parent to select
  EXPECT_TRUE(Writes(before).empty());
  EXPECT_EQ(Selected(), (std::vector<ObjectId>{frame}));
  EXPECT_EQ(AlertCount(), 0u);
  // A parent the host cannot tell: the selection stays as it was.
  ObjectId g = model().AddRectangle(frame, {1, 1, 5, 5});
  Select({g});
  host().faults().FailNth(3, zvhost::Fault::Status(7), MarkNow().ops);  // its containing frame
  Choose(Cmd::SelectParentObject);
  EXPECT_EQ(Selected(), (std::vector<ObjectId>{g}));
}

TEST_F(NavigationTest, ParentOfTextAndOfCells) {
  ObjectId table = MakeTable();
  host().PlaceCursor(doc, anchor, 2);
  Mark cursor = MarkNow();
  Choose(Cmd::SelectParentObject);
  EXPECT_EQ(Writes(cursor),
            (std::vector<std::string>{"SetTextRangeProp obj=" + Id(doc) + " key=TextSelection value={0@0 .. 0@0}",
                                      SetInt(textFrame, "SelectedFlag", 1)}));

  ASSERT_TRUE(host().SelectCells(doc, table, 1, 2, 0, 1));
  Mark cells = MarkNow();
  Choose(Cmd::SelectParentObject);  // the container of the table's anchor, nothing deselected first
  EXPECT_EQ(Writes(cells), (std::vector<std::string>{SetInt(textFrame, "SelectedFlag", 1)}));

  model().options().tableSelectedByTextCursor = false;
  ObjectId inCell = model().AddParagraph(model().Cell(table, 3, 2), "cell text");
  host().PlaceCursor(doc, inCell, 1);
  Mark cell = MarkNow();
  Choose(Cmd::SelectParentObject);
  std::vector<std::string> writes = Writes(cell);
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[1], Cells(table, 3, 3, 2, 2));

  host().ClearSelection(doc);
  Mark nothing = MarkNow();
  Choose(Cmd::SelectParentObject);
  model().ForceAnswer(doc, prop::TextSelection, Value::Range({{anchor, 2}, {0, 0}}));  // a range without its end
  Choose(Cmd::SelectParentObject);
  model().ForceAnswer(doc, prop::TextSelection, Value::Range({{0, 0}, {anchor, 2}}));  // ... or its beginning
  Choose(Cmd::SelectParentObject);
  EXPECT_TRUE(Writes(nothing).empty());
  EXPECT_EQ(AlertCount(), 0u);
}

TEST_F(NavigationTest, SelectingEachKindOfObject) {
  ObjectId table = MakeTable(5, 2);  // the table reports its third row as the first
  EXPECT_EQ(SelectThroughParent(table), (std::vector<std::string>{Cells(table, INT32_MIN, 0, 0, 0)}));
  EXPECT_EQ(SelectThroughParent(anchor),
            (std::vector<std::string>{"SetTextRangeProp obj=" + Id(doc) + " key=TextSelection value={" + Id(anchor) +
                                      "@0 .. " + Id(anchor) + "@0}"}));
  EXPECT_EQ(SelectThroughParent(model().Row(table, 4)), (std::vector<std::string>{Cells(table, 2, 2, 0, 2)}));
  EXPECT_EQ(SelectThroughParent(model().Row(table, 2)), (std::vector<std::string>{Cells(table, 0, 0, 0, 2)}));
  // A row before the reported first row: the count runs out at the table's start.
  EXPECT_EQ(SelectThroughParent(model().Row(table, 1)), (std::vector<std::string>{Cells(table, 1, 1, 0, 2)}));
  EXPECT_EQ(SelectThroughParent(model().Cell(table, 3, 1)), (std::vector<std::string>{Cells(table, 1, 1, 1, 1)}));
  ObjectId content = model().AddFrameContent(frame);
  EXPECT_EQ(SelectThroughParent(content), (std::vector<std::string>{SetInt(frame, "SelectedFlag", 1)}));
  model().ForceAnswer(content, prop::ContainingFrame, Value::Id(0));  // content whose frame is unknown
  EXPECT_TRUE(SelectThroughParent(content).empty());
  // Graphic type codes run from 9 (the unanchored frame) to 21, and 23 (the anchored frame).
  for (ObjectId graphic : {frame, ObjectId{0x15000001u}})
    EXPECT_EQ(SelectThroughParent(graphic), (std::vector<std::string>{SetInt(graphic, "SelectedFlag", 1)}));
  for (ObjectId other : {doc, model().MainMenu(), ObjectId{0x08000001u}, ObjectId{0x16000001u}, ObjectId{0x42000001u}})
    EXPECT_TRUE(SelectThroughParent(other).empty()) << Id(other);
}

TEST_F(NavigationTest, ChainsThatRunInACycleEnd) {
  host().log().enabled = false;  // a million steps are not worth recording
  // Selected graphics that name each other as the next one.
  host().SelectInOrder(doc, {bottom, middle});
  model().ForceAnswer(bottom, prop::NextSelectedGraphic, Value::Id(middle));
  model().ForceAnswer(middle, prop::NextSelectedGraphic, Value::Id(bottom));
  Choose(Cmd::SelectNextObjectAbove);
  EXPECT_EQ(Selected(), (std::vector<ObjectId>{middle}));

  // Rows whose previous row is themselves.
  ObjectId table = MakeTable(3, 0);
  ObjectId row = model().Row(table, 2);
  model().ForceAnswer(row, prop::PreviousRow, Value::Int(static_cast<int32_t>(row)));
  ChooseParentOf(row);

  // Objects selected through their frame whose frames are each other.
  ObjectId a = model().AddFrameContent(frame);
  ObjectId b = model().AddFrameContent(frame);
  model().ForceAnswer(a, prop::ContainingFrame, Value::Id(b));
  model().ForceAnswer(b, prop::ContainingFrame, Value::Id(a));
  ChooseParentOf(a);
  EXPECT_EQ(AlertCount(), 0u);
}

}  // namespace
}  // namespace zvtest
