// The notification handler and the selection history, seen through the host calls a refresh
// makes and through the choice "Make Figure Title Right" takes.
#include "tests/module/tools_test_support.h"

namespace zvtest {
namespace {

constexpr int32_t kDocClosing = 11, kDocClosed = 40, kBefore = 44, kAfter = 45;

class HistoryTest : public ToolsTest {
 protected:
  // Each reading of the client's clock is a new tick: the order of two selection actions never
  // rests on the system's tick having moved between them.
  void Configure(HostOptions& options) override { options.virtualClock = true; }
  void SetUp() override {
    ToolsTest::SetUp();
    figure = model().AddRectangle(frame, {10, 30, 100, 80});
    title = model().AddRectangle(frame, {0, 120, 60, 20});
  }
  // Whether a notification 45 now makes the module read the document's selection again.
  bool AfterFunctionRefreshes() {
    Mark before = MarkNow();
    host().Notify(kAfter, doc, "", 0);
    return !host().log().OpsSince(before).empty();
  }
  // Reorders the host's selection to figure, title without telling the module.
  void HostOrderFigureFirst() {
    model().ClearGraphicSelection(doc);
    model().SetSelected(figure, true);
    model().SetSelected(title, true);
  }
  // Runs "Make Figure Title Right" and tells which of the two was moved.
  ObjectId Moved() {
    Metric figureX = Read(figure, prop::PosX), titleX = Read(title, prop::PosX);
    Choose(Cmd::MakeFigureTitleRight);
    ObjectId moved = 0;
    if (Read(figure, prop::PosX) != figureX) moved = figure;
    if (Read(title, prop::PosX) != titleX) moved = moved ? ObjectId{1} : title;
    Choose(Cmd::UndoOperation);  // put it back for the next question
    return moved;
  }

  ObjectId figure = 0;
  ObjectId title = 0;
};

TEST_F(HistoryTest, RefreshFollowsTheSelectionFunctionCodes) {
  EXPECT_TRUE(AfterFunctionRefreshes());  // no function seen yet: code 0
  for (int32_t code : {0x0000, 0x003E, 0x003F, 0x0047, 0x0048, 0x7FFF003E, static_cast<int32_t>(0x80010047u)}) {
    host().Notify(kBefore, doc, "", code);
    EXPECT_TRUE(AfterFunctionRefreshes()) << std::hex << code;
    EXPECT_TRUE(AfterFunctionRefreshes()) << "the code stays: " << std::hex << code;
  }
  for (int32_t code : {0x0040, 0x0001, 0x003D, 0x0049, 0x00013E00, -1}) {
    host().Notify(kBefore, doc, "", code);
    EXPECT_FALSE(AfterFunctionRefreshes()) << std::hex << code;
  }
  for (int32_t code : {1, 2, 12, 39, 41, 43, 46, 75, -45}) {
    Mark before = MarkNow();
    host().Notify(code, doc,
                  "a\x1e"
                  "b",
                  0x3E);
    EXPECT_TRUE(host().log().OpsSince(before).empty()) << code;
  }
}

TEST_F(HistoryTest, ARefreshWalksTheSelectionOfTheNotifiedDocument) {
  ObjectId other = model().NewDocument("other");
  ObjectId otherFrame = model().AddFrame(other, {0, 0, 100, 100});
  ObjectId g = model().AddRectangle(otherFrame, {0, 0, 1, 1});
  model().SetSelected(g, true);
  model().SetSelected(figure, true);
  model().SetSelected(title, true);
  Mark before = MarkNow();
  host().Notify(kAfter, other, "", 0);
  std::vector<std::string> walk;
  for (const auto& r : host().log().Since(before))
    if (r.direction == zvhost::Direction::ToHost) walk.push_back(r.op + " " + r.args);
  EXPECT_EQ(walk,
            (std::vector<std::string>{"GetIdProp doc=0 obj=" + Id(other) + " key=FirstSelectedGraphic",
                                      "GetIdProp doc=" + Id(other) + " obj=" + Id(g) + " key=NextSelectedGraphic"}));
}

TEST_F(HistoryTest, TheGraphicSelectedFirstIsTheTitle) {
  host().SelectInOrder(doc, {title, figure});
  HostOrderFigureFirst();
  EXPECT_EQ(Moved(), title);
  host().SelectInOrder(doc, {figure, title});
  model().ClearGraphicSelection(doc);
  model().SetSelected(title, true);
  model().SetSelected(figure, true);
  EXPECT_EQ(Moved(), figure);
}

TEST_F(HistoryTest, OneActionGivesOneStampAndTheHostOrderDecides) {
  Select({figure, title});
  EXPECT_EQ(Moved(), figure);
  Select({title, figure});
  EXPECT_EQ(Moved(), title);
}

TEST_F(HistoryTest, AnEmptySelectionDropsTheStamps) {
  host().SelectInOrder(doc, {title, figure});
  host().ClearSelection(doc);
  host().SelectInOrder(doc, {figure, title});  // the title's first stamp is gone
  model().ClearGraphicSelection(doc);
  model().SetSelected(title, true);
  model().SetSelected(figure, true);
  EXPECT_EQ(Moved(), figure);
}

TEST_F(HistoryTest, AGraphicThatStaysSelectedKeepsItsFirstStamp) {
  host().SelectInOrder(doc, {title, figure});
  host().SelectGraphics(doc, {figure, title});  // both again in one action: stamps kept
  EXPECT_EQ(Moved(), title);
}

TEST_F(HistoryTest, ClosingForgetsTheDocumentNamedAtClosing) {
  ObjectId other = model().NewDocument("other");
  host().SelectInOrder(doc, {title, figure});
  HostOrderFigureFirst();

  host().Notify(kDocClosed, doc, "", 0);  // no closing seen: forgets document 0, nothing else
  EXPECT_EQ(Moved(), title);
  host().Notify(kDocClosing, other, "", 0);
  host().Notify(kDocClosed, doc, "", 0);  // the closed document is the one named at closing
  EXPECT_EQ(Moved(), title);
  host().Notify(kDocClosing, doc, "", 0);
  host().Notify(kDocClosed, other, "", 0);
  EXPECT_EQ(Moved(), figure);  // no history left: the host's order

  host().SelectInOrder(doc, {title, figure});
  HostOrderFigureFirst();
  host().Notify(kDocClosed, other, "", 0);  // the pending document is still this one
  EXPECT_EQ(Moved(), figure);
  EXPECT_TRUE(host().CloseDocument(other));
}

TEST_F(HistoryTest, ARefreshAlongACycleEnds) {
  host().log().enabled = false;
  model().SetSelected(figure, true);
  model().SetSelected(title, true);
  model().ForceAnswer(title, prop::NextSelectedGraphic, Value::Id(figure));
  host().Notify(kAfter, doc, "", 0);
  host().log().enabled = true;
  EXPECT_EQ(Moved(), figure);
}

}  // namespace
}  // namespace zvtest
