// "Resize Graphic To Grid Height...", "Make Figure Title Right", "Add Frame To Graphic" and
// "Trim Table Title" through the host, with the values a user would see.
#include "tests/module/tools_test_support.h"

namespace zvtest {
namespace {

constexpr const char* kHeightPrompt = "Height Factor? (x * Grid Spacing)";

// ---- Resize Graphic To Grid Height... ----

class GridHeightTest : public ToolsTest {};

TEST_F(GridHeightTest, AnswerThreeOnTwelvePointGrid) {
  model().SetGridSpacing(doc, 12);
  ObjectId g = model().AddRectangle(frame, {5, 6, 100, 50});
  Select({g});
  host().AnswerNextPrompt(3);
  Mark before = MarkNow();
  Choose(Cmd::ResizeGraphicToGridHeight);
  ASSERT_EQ(host().Prompts().size(), 1u);
  EXPECT_EQ(host().Prompts()[0].prompt, kHeightPrompt);
  EXPECT_EQ(host().Prompts()[0].defaultText, "4");  // 50 / 12 = 4.17
  EXPECT_EQ(Actions(before),
            (std::vector<std::string>{"AskForInteger \"" + std::string(kHeightPrompt) + "\" default=\"4\"", Snapshot(g),
                                      ScreenUpdates(0), SetMetric(g, "Width", Pt(72)), SetMetric(g, "Height", Pt(36)),
                                      ScreenUpdates(1), Refresh()}));
  EXPECT_EQ(model().GeometryOf(g).x, 5);
  EXPECT_EQ(model().GeometryOf(g).y, 6);
}

TEST_F(GridHeightTest, TheDefaultIsTheHeightInSpacingsRounded) {
  model().SetGridSpacing(doc, 10);
  const std::pair<double, const char*> cases[] = {{30, "3"}, {25, "3"}, {24.9, "2"}, {0.1, "0"}, {4.99, "0"}};
  for (const auto& [height, expected] : cases) {
    ObjectId g = model().AddRectangle(frame, {0, 0, 10, height});
    Select({g});
    host().CancelNextPrompt();
    Choose(Cmd::ResizeGraphicToGridHeight);
    EXPECT_EQ(host().Prompts().back().defaultText, expected) << height;
  }
  model().SetGridSpacing(doc, 0);  // no grid: the division saturates
  Select({model().AddRectangle(frame, {0, 0, 10, 10})});
  host().CancelNextPrompt();
  Choose(Cmd::ResizeGraphicToGridHeight);
  EXPECT_EQ(host().Prompts().back().defaultText, "32768");
}

TEST_F(GridHeightTest, CancelAndRefusalChangeNothing) {
  ObjectId g = model().AddRectangle(frame, {10, 20, 100, 50});
  Select({g});
  Choose(Cmd::PasteGraphicLeftPos);  // a record to keep: x 0
  host().CancelNextPrompt();
  Mark before = MarkNow();
  Choose(Cmd::ResizeGraphicToGridHeight);
  EXPECT_EQ(Actions(before).size(), 1u);  // only the prompt
  EXPECT_TRUE(Writes(before).empty());
  host().ClearSelection(doc);
  Mark refused = MarkNow();
  Choose(Cmd::ResizeGraphicToGridHeight);
  ExpectLastAlert(kSelectObject, kAlertError);
  EXPECT_EQ(host().log().OpsSince(refused), (std::vector<std::string>{"GetIdProp", "GetIdProp", "ShowAlert"}));
  Choose(Cmd::UndoOperation);
  EXPECT_EQ(model().ReadPt(g, prop::PosX), 10);
}

TEST_F(GridHeightTest, AGraphicWithoutHeightStaysAsItIs) {
  ObjectId line = model().AddRectangle(frame, {10, 20, 100, 0});
  Select({line});
  host().AnswerNextPrompt(2);
  Mark before = MarkNow();
  Choose(Cmd::ResizeGraphicToGridHeight);
  EXPECT_TRUE(Writes(before).empty()) << Join(Writes(before));
  EXPECT_EQ(model().GeometryOf(line).w, 100);
  EXPECT_EQ(AlertCount(), 0u);
}

// ---- Make Figure Title Right ----

class FigureTitleTest : public ToolsTest {
 protected:
  void SetUp() override {
    ToolsTest::SetUp();
    figure = model().AddRectangle(frame, {10, 30, 100, 80});  // the frame is 400 pt wide
    title = model().AddRectangle(frame, {0, 120, 60, 20});
  }
  Metric TitleX() const { return Pt(110) + 928856; }
  ObjectId figure = 0;
  ObjectId title = 0;
};

TEST_F(FigureTitleTest, TheFirstSelectedIsPlacedRightOfTheOther) {
  host().SelectInOrder(doc, {title, figure});
  Mark before = MarkNow();
  Choose(Cmd::MakeFigureTitleRight);
  EXPECT_EQ(Actions(before),
            (std::vector<std::string>{Snapshot(title), ScreenUpdates(0), SetMetric(title, "PosX", TitleX()),
                                      SetMetric(title, "Width", Pt(400) - TitleX()), ScreenUpdates(1), Refresh()}));
  EXPECT_EQ(Read(title, prop::PosX), TitleX());
  EXPECT_EQ(Read(title, prop::Width), Pt(400) - TitleX());
  EXPECT_EQ(model().ReadPt(title, prop::PosY), 120);
  EXPECT_EQ(model().GeometryOf(figure).x, 10);

  ObjectId a = model().AddRectangle(frame, {10, 30, 100, 80});
  ObjectId b = model().AddRectangle(frame, {0, 120, 60, 20});
  host().SelectInOrder(doc, {a, b});  // a first: a is the title now
  Choose(Cmd::MakeFigureTitleRight);
  EXPECT_EQ(Read(a, prop::PosX), Pt(60) + 928856);
  EXPECT_EQ(model().GeometryOf(b).x, 0);
}

TEST_F(FigureTitleTest, ATextFrameIsAlwaysTheTitle) {
  ObjectId text = model().AddTextFrame(frame, {0, 120, 60, 20});
  host().SelectInOrder(doc, {figure, text});
  Choose(Cmd::MakeFigureTitleRight);
  EXPECT_EQ(Read(text, prop::PosX), TitleX());
  EXPECT_EQ(model().GeometryOf(figure).x, 10);
  ObjectId first = model().AddTextFrame(frame, {10, 30, 100, 80});
  ObjectId later = model().AddTextFrame(frame, {0, 120, 60, 20});
  host().SelectInOrder(doc, {first, later});  // both text frames: the later one moves
  Choose(Cmd::MakeFigureTitleRight);
  EXPECT_EQ(Read(later, prop::PosX), TitleX());
  EXPECT_EQ(model().GeometryOf(first).x, 10);
}

TEST_F(FigureTitleTest, WithoutHistoryTheHostOrderDecides) {
  // Selected without notifications: the history has no stamps.
  model().SetSelected(figure, true);
  model().SetSelected(title, true);
  Choose(Cmd::MakeFigureTitleRight);
  EXPECT_EQ(Read(figure, prop::PosX), Pt(60) + 928856);  // the first in the host's order moves
  model().ClearGraphicSelection(doc);
  ObjectId text = model().AddTextFrame(frame, {0, 0, 10, 10});
  model().SetSelected(title, true);
  model().SetSelected(text, true);
  Choose(Cmd::MakeFigureTitleRight);
  EXPECT_EQ(model().GeometryOf(title).x, 0);  // unless the second is a text frame
  EXPECT_EQ(Read(text, prop::PosX), Pt(60) + 928856);
}

TEST_F(FigureTitleTest, AThirdSelectedGraphicIsIgnored) {
  ObjectId third = model().AddRectangle(frame, {300, 0, 10, 10});
  host().SelectInOrder(doc, {title, figure, third});
  Choose(Cmd::MakeFigureTitleRight);
  EXPECT_EQ(Read(title, prop::PosX), TitleX());
  EXPECT_EQ(model().GeometryOf(third).x, 300);
}

TEST_F(FigureTitleTest, Refusals) {
  Choose(Cmd::PasteGraphicPos);  // nothing selected: refused too, and no record
  Select({title});
  Mark one = MarkNow();
  Choose(Cmd::MakeFigureTitleRight);
  ExpectLastAlert("First select two objects. Then try again.", kAlertError);
  EXPECT_TRUE(Writes(one).empty());
  ObjectId otherFrame = model().AddFrame(doc, {0, 400, 300, 200});
  ObjectId elsewhere = model().AddRectangle(otherFrame, {0, 0, 10, 10});
  host().SelectInOrder(doc, {title, elsewhere});
  Mark two = MarkNow();
  Choose(Cmd::MakeFigureTitleRight);
  ExpectLastAlert("Both objects must share the same frame.", kAlertError);
  EXPECT_TRUE(Writes(two).empty());
  EXPECT_EQ(Count(two, "ReadAllProps"), 0u);
  Choose(Cmd::UndoOperation);
  ExpectLastAlert("Nothing to undo.", kAlertNote);
}

// ---- Add Frame To Graphic ----

class FrameGraphicTest : public ToolsTest {};

TEST_F(FrameGraphicTest, ARectangleAQuarterPointInside) {
  ObjectId g = model().AddRectangle(frame, {10, 20, 100, 50});
  Select({g});
  Mark before = MarkNow();
  Choose(Cmd::AddFrameToGraphic);
  std::vector<ObjectId> contents = model().Contents(frame);
  ASSERT_EQ(contents.size(), 2u);
  ObjectId r = contents.back();
  EXPECT_EQ(zvhost::TypeOf(r), obj::Rectangle);
  EXPECT_EQ(Actions(before),
            (std::vector<std::string>{
                "CreateGraphic type=Rectangle parent=" + Id(frame), ScreenUpdates(0), SetMetric(r, "Width", Pt(99.5)),
                SetMetric(r, "Height", Pt(49.5)), SetMetric(r, "PosX", Pt(10.25)), SetMetric(r, "PosY", Pt(20.25)),
                SetMetric(r, "OutlineWidth", Pt(0.5)), SetInt(r, "FillPattern", 15), SetInt(g, "SelectedFlag", 0),
                SetInt(r, "SelectedFlag", 1), ScreenUpdates(1), Refresh()}));
  EXPECT_EQ(model().SelectedGraphics(doc), (std::vector<ObjectId>{r}));
  EXPECT_EQ(model().GeometryOf(g).w, 100);

  Choose(Cmd::AddFrameToGraphic);  // the new rectangle is selected: framing again nests inside it
  ObjectId inner = model().Contents(frame).back();
  Geometry in = model().GeometryOf(inner);
  EXPECT_EQ(in.x, 10.5);
  EXPECT_EQ(in.y, 20.5);
  EXPECT_EQ(in.w, 99);
  EXPECT_EQ(in.h, 49);
}

TEST_F(FrameGraphicTest, AtTheEndsOfTheMetricRangeTheFrameIsHeldThere) {
  // Inset and shrunk sizes beyond what a metric holds stop at its ends instead of wrapping.
  model().options().refuseLengthsOutOfRange = false;  // to see what the module wrote
  ObjectId g = model().AddRectangle(frame, {10, 20, 100, 50});
  auto& props = model().FindMutable(g)->props;
  props[prop::PosX] = Value::OfMetric(INT32_MAX);
  props[prop::PosY] = Value::OfMetric(INT32_MAX - 16384);  // exactly at the end once inset
  props[prop::Width] = Value::OfMetric(INT32_MIN);
  props[prop::Height] = Value::OfMetric(INT32_MIN + 32767);  // 1 above the end once shrunk
  Select({g});
  Choose(Cmd::AddFrameToGraphic);
  ObjectId r = model().Contents(frame).back();
  EXPECT_EQ(model().ReadMetric(r, prop::PosX), INT32_MAX);
  EXPECT_EQ(model().ReadMetric(r, prop::PosY), INT32_MAX);
  EXPECT_EQ(model().ReadMetric(r, prop::Width), INT32_MIN);
  EXPECT_EQ(model().ReadMetric(r, prop::Height), INT32_MIN);
}

TEST_F(FrameGraphicTest, ASelectedFrameIsFramedFromInside) {
  ObjectId inner = model().AddFrame(doc, {50, 50, 200, 100});
  ObjectId text = model().AddTextFrame(frame, {0, 0, 300, 100});
  ObjectId anchored = model().AddAnchoredFrame(model().AddParagraph(text, "x"), 0, {0, 0, 200, 100});
  for (ObjectId f : {inner, anchored}) {
    Select({f});
    Choose(Cmd::AddFrameToGraphic);
    ASSERT_EQ(model().Contents(f).size(), 1u);
    Geometry r = model().GeometryOf(model().Contents(f)[0]);
    EXPECT_EQ(r.x, 0.25);
    EXPECT_EQ(r.y, 0.25);
    EXPECT_EQ(r.w, 199.5);
    EXPECT_EQ(r.h, 99.5);
  }
}

TEST_F(FrameGraphicTest, OnlyTheFirstSelectedGetsAFrameAndTheRectangleIsTheSelection) {
  ObjectId a = model().AddRectangle(frame, {10, 20, 100, 50});
  ObjectId b = model().AddRectangle(frame, {200, 20, 100, 50});
  ObjectId c = model().AddRectangle(frame, {300, 20, 10, 10});
  host().SelectInOrder(doc, {a, b, c});
  Choose(Cmd::AddFrameToGraphic);
  ObjectId r = model().Contents(frame).back();
  EXPECT_EQ(model().Contents(frame).size(), 4u);
  EXPECT_EQ(model().GeometryOf(r).x, 10.25);
  EXPECT_EQ(model().SelectedGraphics(doc), (std::vector<ObjectId>{r}));
}

TEST_F(FrameGraphicTest, RefusalsAndAHostThatCannotMakeTheRectangle) {
  Mark none = MarkNow();
  Choose(Cmd::AddFrameToGraphic);
  ExpectLastAlert(kSelectObject, kAlertError);
  EXPECT_TRUE(Writes(none).empty());

  ObjectId g = model().AddRectangle(frame, {10, 20, 100, 50});
  model().ForceAnswer(g, prop::ContainingFrame, Value::Id(0));
  Select({g});
  Mark loose = MarkNow();
  Choose(Cmd::AddFrameToGraphic);
  ExpectLastAlert("Unsupported object selected. Try again.", kAlertError);
  EXPECT_TRUE(Writes(loose).empty());

  ObjectId h = model().AddRectangle(frame, {10, 20, 100, 50});
  Select({h});
  Choose(Cmd::PasteGraphicLeftPos);  // a record to keep: x 0
  host().faults().FailOperation("CreateGraphic", zvhost::Fault::Status(7), 1);
  size_t alerts = AlertCount();
  Mark failed = MarkNow();
  Choose(Cmd::AddFrameToGraphic);
  EXPECT_EQ(Writes(failed), (std::vector<std::string>{"CreateGraphic type=Rectangle parent=" + Id(frame)}));
  EXPECT_EQ(model().SelectedGraphics(doc), (std::vector<ObjectId>{h}));
  EXPECT_EQ(AlertCount(), alerts);
  Choose(Cmd::UndoOperation);
  EXPECT_EQ(model().GeometryOf(h).x, 10);
}

// ---- Trim Table Title ----

class TableTitleTest : public ToolsTest {
 protected:
  ObjectId MakeTable(int32_t placement, int32_t alignment = 1, double rowWidth = 468) {
    ObjectId text = model().AddTextFrame(frame, {0, 0, 400, 200});
    ObjectId anchor = model().AddParagraph(text, "anchor");
    zvhost::TableSpec spec;
    spec.columnWidths = {100, 200};  // 300 pt wide
    spec.leftIndent = 36;
    spec.placement = placement;
    spec.title = true;
    spec.titleAlignment = alignment;
    spec.titleRowWidth = rowWidth;
    ObjectId t = model().AddTable(anchor, spec);
    title = static_cast<ObjectId>(model().Read(t, prop::TblTitleParagraph).word);
    return t;
  }
  std::vector<double> Indents() {
    return {model().ReadPt(title, prop::ParaLeftIndent), model().ReadPt(title, prop::ParaFirstIndent),
            model().ReadPt(title, prop::ParaRightIndent)};
  }
  ObjectId title = 0;
};

TEST_F(TableTitleTest, TheTwoIndentRules) {
  ObjectId t = MakeTable(0);
  ASSERT_TRUE(host().SelectTable(doc, t));
  Mark before = MarkNow();
  Choose(Cmd::TrimTableTitle);
  EXPECT_EQ(Indents(), (std::vector<double>{36, 36, 132}));
  EXPECT_EQ(Actions(before),
            (std::vector<std::string>{ScreenUpdates(0), Snapshot(title), SetMetric(title, "ParaLeftIndent", Pt(36)),
                                      SetMetric(title, "ParaFirstIndent", Pt(36)),
                                      SetMetric(title, "ParaRightIndent", Pt(132)), ScreenUpdates(1), Refresh()}));
  Choose(Cmd::TrimTableTitle);  // the same again
  EXPECT_EQ(Indents(), (std::vector<double>{36, 36, 132}));

  t = MakeTable(1);
  ASSERT_TRUE(host().SelectTable(doc, t));
  Choose(Cmd::TrimTableTitle);
  EXPECT_EQ(Indents(), (std::vector<double>{0, 0, 168}));

  t = MakeTable(0, 4, 200);  // wider than the text column: a negative right indent
  ASSERT_TRUE(host().SelectTable(doc, t));
  Choose(Cmd::TrimTableTitle);
  EXPECT_EQ(Indents(), (std::vector<double>{36, 36, -136}));
}

TEST_F(TableTitleTest, OtherAlignmentsAndRulesAreLeftSilently) {
  for (auto [placement, alignment] : {std::pair<int32_t, int32_t>{0, 2}, {1, 3}, {0, 0}, {2, 1}, {-1, 1}}) {
    ObjectId t = MakeTable(placement, alignment);
    ASSERT_TRUE(host().SelectTable(doc, t));
    Mark before = MarkNow();
    Choose(Cmd::TrimTableTitle);
    EXPECT_TRUE(Actions(before).empty()) << placement << "/" << alignment << "\n" << Join(Actions(before));
    EXPECT_EQ(Indents(), (std::vector<double>{0, 0, 0}));
  }
}

TEST_F(TableTitleTest, Refusals) {
  Mark none = MarkNow();
  Choose(Cmd::TrimTableTitle);
  ExpectLastAlert("First select a table. Then try again.", kAlertError);
  EXPECT_TRUE(Writes(none).empty());
  ObjectId text = model().AddTextFrame(frame, {0, 0, 400, 200});
  ObjectId t = model().AddTable(model().AddParagraph(text, "anchor"), zvhost::TableSpec{});
  ASSERT_TRUE(host().SelectTable(doc, t));
  Mark untitled = MarkNow();
  Choose(Cmd::TrimTableTitle);
  ExpectLastAlert("Table has no title.", kAlertError);
  EXPECT_TRUE(Writes(untitled).empty());
}

}  // namespace
}  // namespace zvtest
