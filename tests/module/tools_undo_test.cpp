// "Undo Operation": one level of undo and redo after each recording command, the record kept
// across commands that do not record, and the added-rectangle record of "Add Frame To Graphic".
#include "tests/module/tools_test_support.h"
#include "tests/support/pages.h"

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
  // Copies a graphic at the frame's corner: the pastes below move to 0, 0.
  void CopyCorner() {
    Select({model().AddRectangle(frame, {0, 0, 1, 1})});
    Choose(Cmd::CopyGraphicProps);
  }
  // Runs `change`, then undoes, redoes and undoes again, checking each state.
  void ExpectUndoRedo(const char* what, const std::function<void()>& change) {
    zvhost::Snapshot before = State();
    change();
    zvhost::Snapshot after = State();
    ASSERT_NE(Changes(before, after), "") << what << " changed nothing";
    size_t alerts = AlertCount();
    Mark undo = MarkNow();
    Choose(Cmd::UndoOperation);
    EXPECT_EQ(Changes(before, State()), "") << what << ": undo";
    // Undo acts on the recorded object only: no display change, no refresh.
    EXPECT_EQ(host().log().OpsSince(undo), (std::vector<std::string>{"ReadAllProps", "WriteAllProps"})) << what;
    Choose(Cmd::UndoOperation);
    EXPECT_EQ(Changes(after, State()), "") << what << ": redo";
    Choose(Cmd::UndoOperation);
    EXPECT_EQ(Changes(before, State()), "") << what << ": undo again";
    EXPECT_EQ(AlertCount(), alerts) << what;
  }
};

TEST_F(UndoTest, NothingRecordedYet) {
  Mark before = MarkNow();
  Choose(Cmd::UndoOperation);
  ExpectLastAlert(kNothingToUndo, kAlertNote);
  EXPECT_EQ(Actions(before), (std::vector<std::string>{"ShowAlert \"Nothing to undo.\" kind=2"}));
}

TEST_F(UndoTest, EveryPropertyRecordingCommandUndoesAndRedoes) {
  for (const zvspec::CommandSpec& c : zvspec::kCommands) {
    if (c.undo != zvspec::Undo::Properties) continue;
    zvpages::BuildPage(host(), c);
    ExpectUndoRedo(c.label, [&] { Choose(c.number); });
  }
}

TEST_F(UndoTest, TableColumnsUndo) {
  ObjectId text = model().AddTextFrame(frame, {0, 0, 400, 200});
  ObjectId anchor = model().AddParagraph(text, "anchor");
  zvhost::TableSpec spec;
  spec.title = true;
  spec.titleRowWidth = 468;
  spec.leftIndent = 36;
  ObjectId table = model().AddTable(anchor, spec);
  CopyCorner();
  ASSERT_TRUE(host().SelectCells(doc, table, 0, 0, 0, 1));
  ExpectUndoRedo("column widths", [&] { Choose(Cmd::PasteGraphicWidth); });
}

TEST_F(UndoTest, AddedRectangleIsDeletedAndMadeAgain) {
  ObjectId g = model().AddRectangle(frame, {10, 20, 100, 50});
  Select({g});
  Choose(Cmd::AddFrameToGraphic);
  std::vector<ObjectId> contents = model().Contents(frame);
  ASSERT_EQ(contents.size(), 2u);
  ObjectId rect = contents.back();
  auto props = model().Properties(rect);
  ASSERT_FALSE(props.empty());

  Mark undo = MarkNow();
  Choose(Cmd::UndoOperation);
  EXPECT_EQ(Actions(undo), (std::vector<std::string>{Snapshot(rect), "DeleteObject obj=" + Id(rect)}));
  EXPECT_FALSE(model().Exists(rect));
  EXPECT_EQ(model().Contents(frame), (std::vector<ObjectId>{g}));

  Choose(Cmd::UndoOperation);
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

  Choose(Cmd::UndoOperation);
  EXPECT_FALSE(model().Exists(again));
  EXPECT_EQ(model().Contents(frame), (std::vector<ObjectId>{g}));
  EXPECT_EQ(AlertCount(), 0u);
}

TEST_F(UndoTest, CommandsThatDoNotRecordLeaveTheRecord) {
  ObjectId a = model().AddRectangle(frame, {10, 20, 100, 50});
  for (const zvspec::CommandSpec& c : zvspec::kCommands) {
    if (c.undo != zvspec::Undo::None) continue;
    model().SetActiveDocument(doc);
    CopyCorner();
    Select({a});
    Choose(Cmd::PasteGraphicPos);  // a recorded at 10, 20 and moved to the copied 0, 0
    zvpages::BuildPage(host(), c);
    Choose(c.number);
    host().ClearSelection(model().ActiveDocument());
    Choose(Cmd::PasteGraphicLeftPos);  // refused
    Choose(Cmd::UndoOperation);
    EXPECT_EQ(model().GeometryOf(a).x, 10) << c.label;
    EXPECT_EQ(model().GeometryOf(a).y, 20) << c.label;
  }
}

TEST_F(UndoTest, ANewRecordReplacesTheOldOne) {
  CopyCorner();
  ObjectId a = model().AddRectangle(frame, {10, 20, 100, 50});
  ObjectId b = model().AddRectangle(frame, {50, 60, 10, 10});
  Select({a});
  Choose(Cmd::PasteGraphicPos);  // a to 0, 0
  Choose(Cmd::UndoOperation);    // back to 10, 20
  Select({b});
  Choose(Cmd::PasteGraphicLeftPos);  // b to x 0
  Choose(Cmd::UndoOperation);
  Choose(Cmd::UndoOperation);
  EXPECT_EQ(model().ReadPt(a, prop::PosX), 10);
  EXPECT_EQ(model().ReadPt(b, prop::PosX), 0);
  Choose(Cmd::AddFrameToGraphic);  // the frame record replaces b's snapshot
  Choose(Cmd::UndoOperation);
  Choose(Cmd::UndoOperation);
  Choose(Cmd::UndoOperation);
  EXPECT_EQ(model().ReadPt(b, prop::PosX), 0);
}

TEST_F(UndoTest, InitializeEmptiesThePropertyRecord) {
  CopyCorner();
  ObjectId g = model().AddRectangle(frame, {10, 20, 100, 50});
  Select({g});
  Choose(Cmd::PasteGraphicPos);
  host().Initialize(1);
  Mark before = MarkNow();
  Choose(Cmd::UndoOperation);
  ExpectLastAlert(kNothingToUndo, kAlertNote);
  EXPECT_TRUE(Writes(before).empty());
  EXPECT_EQ(model().ReadPt(g, prop::PosX), 0);
  Choose(Cmd::PasteGraphicLeftPos);  // a new record after the emptied one (the leak checkers watch the old list)
  Choose(Cmd::UndoOperation);
  EXPECT_EQ(model().ReadPt(g, prop::PosX), 0);
}

TEST_F(UndoTest, AVanishedObjectLeavesNothingToUndo) {
  CopyCorner();
  ObjectId g = model().AddRectangle(frame, {10, 20, 100, 50});
  Select({g});
  Choose(Cmd::PasteGraphicPos);
  ASSERT_EQ(model().DeleteObject(doc, g), 0);
  Choose(Cmd::UndoOperation);  // the host refuses the read and the write
  EXPECT_EQ(AlertCount(), 0u);
  Choose(Cmd::UndoOperation);
  ExpectLastAlert(kNothingToUndo, kAlertNote);
}

TEST_F(UndoTest, ARectangleTheHostCannotMakeAgainKeepsItsProperties) {
  ObjectId g = model().AddRectangle(frame, {10, 20, 100, 50});
  Select({g});
  Choose(Cmd::AddFrameToGraphic);
  ObjectId rect = model().Contents(frame).back();
  Geometry was = model().GeometryOf(rect);
  Choose(Cmd::UndoOperation);  // deleted
  host().faults().FailOperation("CreateGraphic", zvhost::Fault::Status(7), 1);
  Mark failed = MarkNow();
  Choose(Cmd::UndoOperation);
  EXPECT_TRUE(Count(failed, "WriteAllProps") == 0u);
  EXPECT_EQ(model().Contents(frame).size(), 1u);
  Choose(Cmd::UndoOperation);  // the saved properties are still there
  ASSERT_EQ(model().Contents(frame).size(), 2u);
  Geometry now = model().GeometryOf(model().Contents(frame).back());
  EXPECT_EQ(now.x, was.x);
  EXPECT_EQ(now.w, was.w);
  EXPECT_EQ(AlertCount(), 0u);
  // Deleted again while its properties cannot be read: nothing to make it from.
  host().faults().FailOperation("ReadAllProps", zvhost::Fault::Status(7), 1);
  Choose(Cmd::UndoOperation);
  EXPECT_EQ(model().Contents(frame).size(), 1u);
  Mark empty = MarkNow();
  Choose(Cmd::UndoOperation);
  EXPECT_EQ(Count(empty, "CreateGraphic"), 0u);
  ExpectLastAlert(kNothingToUndo, kAlertNote);
}

}  // namespace
}  // namespace zvtest
