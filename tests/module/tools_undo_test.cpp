// "Undo Operation": one level of undo and redo after each recording command, the record kept
// across commands that do not record, and the added-rectangle record of "Add Frame To Graphic".
#include "tests/module/tools_test_support.h"

namespace zvtest {
namespace {

constexpr const char* kNothingToUndo = "Nothing to undo.";

class UndoTest : public ToolsTest {
 protected:
  zvhost::Snapshot State() { return model().TakeSnapshot(); }
  // The changes between two states, one per line; empty when they are the same.
  std::string Changes(const zvhost::Snapshot& a, const zvhost::Snapshot& b) {
    return zvhost::FormatChanges(zvhost::Diff(a, b));
  }
  // Runs `change`, then undoes, redoes and undoes again, checking each state.
  void ExpectUndoRedo(const char* what, const std::function<void()>& change) {
    zvhost::Snapshot before = State();
    change();
    zvhost::Snapshot after = State();
    ASSERT_NE(Changes(before, after), "") << what << " changed nothing";
    size_t alerts = AlertCount();
    Mark undo = MarkNow();
    Choose(19);
    EXPECT_EQ(Changes(before, State()), "") << what << ": undo";
    // Undo acts on the recorded object only: no display change, no refresh.
    EXPECT_EQ(host().log().OpsSince(undo), (std::vector<std::string>{"ReadAllProps", "WriteAllProps"})) << what;
    Choose(19);
    EXPECT_EQ(Changes(after, State()), "") << what << ": redo";
    Choose(19);
    EXPECT_EQ(Changes(before, State()), "") << what << ": undo again";
    EXPECT_EQ(AlertCount(), alerts) << what;
  }
};

TEST_F(UndoTest, NothingRecordedYet) {
  Mark before = MarkNow();
  Choose(19);
  ExpectLastAlert(kNothingToUndo, kAlertNote);
  EXPECT_EQ(Actions(before), (std::vector<std::string>{"ShowAlert \"Nothing to undo.\" kind=2"}));
}

TEST_F(UndoTest, EveryPropertyRecordingCommandUndoesAndRedoes) {
  ObjectId source = model().AddRectangle(frame, {30, 40, 50, 60});
  Select({source});
  Choose(1);
  for (int32_t command : {2, 3, 4, 5, 6, 7, 8, 9, 10, 11}) {
    ObjectId g = model().AddRectangle(frame, {10, 20, 200, 100});
    Select({g});
    ExpectUndoRedo(("command " + std::to_string(command)).c_str(), [&] { Choose(command); });
  }
  ObjectId g = model().AddRectangle(frame, {10, 20, 100, 50});
  Select({g});
  ExpectUndoRedo("grid height", [&] {
    host().AnswerNextPrompt(3);
    Choose(12);
  });
  ObjectId figure = model().AddRectangle(frame, {10, 10, 100, 80});
  ObjectId title = model().AddTextFrame(frame, {0, 100, 50, 20});
  Select({figure, title});
  ExpectUndoRedo("figure title", [&] { Choose(13); });
}

TEST_F(UndoTest, TableColumnsAndTableTitleUndo) {
  ObjectId text = model().AddTextFrame(frame, {0, 0, 400, 200});
  ObjectId anchor = model().AddParagraph(text, "anchor");
  zvhost::TableSpec spec;
  spec.title = true;
  spec.titleRowWidth = 468;
  spec.leftIndent = 36;
  ObjectId table = model().AddTable(anchor, spec);
  ASSERT_TRUE(host().SelectCells(doc, table, 0, 0, 0, 1));
  ExpectUndoRedo("column widths", [&] { Choose(8); });
  ASSERT_TRUE(host().SelectTable(doc, table));
  ExpectUndoRedo("table title", [&] { Choose(18); });
}

TEST_F(UndoTest, AddedRectangleIsDeletedAndMadeAgain) {
  ObjectId g = model().AddRectangle(frame, {10, 20, 100, 50});
  Select({g});
  Choose(14);
  std::vector<ObjectId> contents = model().Contents(frame);
  ASSERT_EQ(contents.size(), 2u);
  ObjectId rect = contents.back();
  auto props = model().Properties(rect);
  ASSERT_FALSE(props.empty());

  Mark undo = MarkNow();
  Choose(19);
  EXPECT_EQ(Actions(undo), (std::vector<std::string>{Snapshot(rect), "DeleteObject obj=" + Id(rect)}));
  EXPECT_FALSE(model().Exists(rect));
  EXPECT_EQ(model().Contents(frame), (std::vector<ObjectId>{g}));

  Choose(19);
  contents = model().Contents(frame);
  ASSERT_EQ(contents.size(), 2u);
  ObjectId again = contents.back();
  EXPECT_NE(again, rect);
  EXPECT_EQ(zvhost::TypeOf(again), obj::Rectangle);
  // The rectangle comes back with the properties it had (its selection is the host's).
  for (const auto& [number, value] : props) {
    if (number == prop::SelectedFlag || number == prop::NextSelectedGraphic || number == prop::GraphicBelow ||
        number == prop::GraphicAbove)
      continue;
    EXPECT_EQ(model().Read(again, number), value) << zvhost::PropName(number);
  }

  Choose(19);
  EXPECT_FALSE(model().Exists(again));
  EXPECT_EQ(model().Contents(frame), (std::vector<ObjectId>{g}));
  EXPECT_EQ(AlertCount(), 0u);
}

TEST_F(UndoTest, CommandsThatDoNotRecordLeaveTheRecord) {
  ObjectId a = model().AddRectangle(frame, {10, 20, 100, 50});
  ObjectId b = model().AddRectangle(frame, {50, 60, 10, 10});
  Select({b});
  Choose(1);
  Select({a});
  Choose(2);   // a moves to 50, 60
  Choose(1);   // copy
  Choose(16);  // select the next object above (b), with no record
  Choose(17);  // and back below
  Choose(15);  // parent frame
  host().ClearSelection(doc);
  Choose(3);  // refused
  Choose(19);
  EXPECT_EQ(model().ReadPt(a, prop::PosX), 10);
  EXPECT_EQ(model().ReadPt(a, prop::PosY), 20);
}

TEST_F(UndoTest, ANewRecordReplacesTheOldOne) {
  ObjectId a = model().AddRectangle(frame, {10, 20, 100, 50});
  ObjectId b = model().AddRectangle(frame, {50, 60, 10, 10});
  Select({a});
  Choose(2);   // a to 0, 0
  Choose(19);  // back to 10, 20
  Select({b});
  Choose(3);  // b to x 0
  Choose(19);
  Choose(19);
  EXPECT_EQ(model().ReadPt(a, prop::PosX), 10);
  EXPECT_EQ(model().ReadPt(b, prop::PosX), 0);
  Choose(14);  // the frame record replaces b's snapshot
  Choose(19);
  Choose(19);
  Choose(19);
  EXPECT_EQ(model().ReadPt(b, prop::PosX), 0);
}

TEST_F(UndoTest, InitializeEmptiesThePropertyRecord) {
  ObjectId g = model().AddRectangle(frame, {10, 20, 100, 50});
  Select({g});
  Choose(2);
  host().Initialize(1);
  Mark before = MarkNow();
  Choose(19);
  ExpectLastAlert(kNothingToUndo, kAlertNote);
  EXPECT_TRUE(Writes(before).empty());
  EXPECT_EQ(model().ReadPt(g, prop::PosX), 0);
  Choose(3);  // a new record after the emptied one (the leak checkers watch the old list)
  Choose(19);
  EXPECT_EQ(model().ReadPt(g, prop::PosX), 0);
}

TEST_F(UndoTest, AVanishedObjectLeavesNothingToUndo) {
  ObjectId g = model().AddRectangle(frame, {10, 20, 100, 50});
  Select({g});
  Choose(2);
  ASSERT_EQ(model().DeleteObject(doc, g), 0);
  Choose(19);  // the host refuses the read and the write
  EXPECT_EQ(AlertCount(), 0u);
  Choose(19);
  ExpectLastAlert(kNothingToUndo, kAlertNote);
}

TEST_F(UndoTest, ARectangleTheHostCannotMakeAgainKeepsItsProperties) {
  ObjectId g = model().AddRectangle(frame, {10, 20, 100, 50});
  Select({g});
  Choose(14);
  ObjectId rect = model().Contents(frame).back();
  Geometry was = model().GeometryOf(rect);
  Choose(19);  // deleted
  host().faults().FailOperation("CreateGraphic", zvhost::Fault::Status(7), 1);
  Mark failed = MarkNow();
  Choose(19);
  EXPECT_TRUE(Count(failed, "WriteAllProps") == 0u);
  EXPECT_EQ(model().Contents(frame).size(), 1u);
  Choose(19);  // the saved properties are still there
  ASSERT_EQ(model().Contents(frame).size(), 2u);
  Geometry now = model().GeometryOf(model().Contents(frame).back());
  EXPECT_EQ(now.x, was.x);
  EXPECT_EQ(now.w, was.w);
  EXPECT_EQ(AlertCount(), 0u);
  // Deleted again while its properties cannot be read: nothing to make it from.
  host().faults().FailOperation("ReadAllProps", zvhost::Fault::Status(7), 1);
  Choose(19);
  EXPECT_EQ(model().Contents(frame).size(), 1u);
  Mark empty = MarkNow();
  Choose(19);
  EXPECT_EQ(Count(empty, "CreateGraphic"), 0u);
  ExpectLastAlert(kNothingToUndo, kAlertNote);
}

}  // namespace
}  // namespace zvtest
