// Every command of the module, run on a page that suits it: the host must answer every
// property the command reads and take every value it writes (no host error status anywhere).
#include <gtest/gtest.h>

#include "host/binding/host.h"
#include "tests/support/commands.h"

using namespace zvhost;

namespace {

struct Page {
  Host host;
  Model& m = host.model();
  ObjectId doc = m.NewDocument("answers");
  ObjectId frame = m.AddFrame(doc, {36, 36, 468, 600});
  ObjectId fig = m.AddRectangle(frame, {10, 20, 100, 50});
  ObjectId title = m.AddTextFrame(frame, {10, 80, 100, 20});
  ObjectId body = m.AddTextFrame(frame, {0, 120, 468, 400});
  ObjectId para = m.AddParagraph(body, "Body text", 1);
  ObjectId anchored = m.AddAnchoredFrame(para, 4, {0, 0, 200, 100});
  ObjectId inner = m.AddRectangle(anchored, {5, 5, 50, 20});
  ObjectId table = 0;
  Mark start;

  Page() {
    TableSpec spec;
    spec.columnWidths = {100, 150, 50};
    spec.rows = 3;
    spec.leftIndent = 36;
    spec.title = true;
    table = m.AddTable(para, spec);
    m.SetGridSpacing(doc, 12);
    EXPECT_TRUE(host.Start()) << host.LastError();
    start = host.log().MarkNow();
  }

  // Session calls since start-up that the host answered with an error status.
  std::string Errors() const {
    std::string s;
    for (const CallRecord& r : host.log().Since(start))
      if (r.direction == Direction::ToHost && r.iface == "Session" && (r.hresult != 0 || (r.hasStatus && r.status)))
        s += r.ToString() + "\n";
    return s;
  }
};

TEST(HostAnswers, GraphicCommandsFindEveryPropertyTheyUse) {
  Page p;
  p.host.SelectGraphics(p.doc, {p.fig});
  for (int32_t n = Cmd::CopyGraphicProps; n <= Cmd::ResizeGraphicToCopiedHeight; ++n)
    ASSERT_TRUE(p.host.ChooseCommand(n)) << n;
  p.host.AnswerNextPrompt(3);
  ASSERT_TRUE(p.host.ChooseCommand(Cmd::ResizeGraphicToGridHeight));
  EXPECT_EQ(p.m.GeometryOf(p.fig).h, 36);
  ASSERT_TRUE(p.host.ChooseCommand(Cmd::AddFrameToGraphic));
  ASSERT_TRUE(p.host.ChooseCommand(Cmd::UndoOperation));
  ASSERT_TRUE(p.host.ChooseCommand(Cmd::UndoOperation));
  p.host.SelectInOrder(p.doc, {p.fig, p.title});
  ASSERT_TRUE(p.host.ChooseCommand(Cmd::MakeFigureTitleRight));
  EXPECT_NEAR(p.m.GeometryOf(p.title).x, p.m.GeometryOf(p.fig).x + p.m.GeometryOf(p.fig).w + 14.173, 0.001);
  p.host.SelectGraphics(p.doc, {p.fig});
  ASSERT_TRUE(p.host.ChooseCommand(Cmd::SelectNextObjectAbove));
  ASSERT_TRUE(p.host.ChooseCommand(Cmd::SelectNextObjectBelow));
  EXPECT_TRUE(p.host.Alerts().empty());
  EXPECT_EQ(p.Errors(), "");
}

TEST(HostAnswers, NavigationAndTableCommandsFindEveryPropertyTheyUse) {
  Page p;
  p.host.SelectGraphics(p.doc, {p.m.AddRectangle(p.frame, {0, 0, 0, 0})});
  ASSERT_TRUE(p.host.ChooseCommand(Cmd::CopyGraphicProps));  // a copied width of 0 for the columns below
  // Up from a graphic in an anchored frame: the frame, then the text frame of its anchor.
  p.host.SelectGraphics(p.doc, {p.inner});
  ASSERT_TRUE(p.host.ChooseCommand(Cmd::SelectParentObject));
  EXPECT_EQ(p.m.SelectedGraphics(p.doc), std::vector<ObjectId>{p.anchored});
  ASSERT_TRUE(p.host.ChooseCommand(Cmd::SelectParentObject));
  EXPECT_EQ(p.m.SelectedGraphics(p.doc), std::vector<ObjectId>{p.body});
  // From a cursor in a cell: the table's anchor container (the table is reported selected).
  ObjectId cellPara = p.m.AddParagraph(p.m.Cell(p.table, 1, 2), "cell");
  p.host.PlaceCursor(p.doc, cellPara, 0);
  p.host.faults().Clear();
  ASSERT_TRUE(p.host.ChooseCommand(Cmd::PasteGraphicWidth));
  EXPECT_EQ(p.m.Read(p.table, prop::TblColWidths).list[2], Pt(12)) << "copied width 0 plus both margins";
  // A block of cells, then the whole table by its rows.
  ASSERT_TRUE(p.host.SelectCells(p.doc, p.table, 1, 2, 0, 1));
  ASSERT_TRUE(p.host.ChooseCommand(Cmd::PasteGraphicWidth));
  ASSERT_TRUE(p.host.ChooseCommand(Cmd::SelectParentObject));
  EXPECT_EQ(p.m.SelectedGraphics(p.doc), std::vector<ObjectId>{p.body});
  ASSERT_TRUE(p.host.SelectTable(p.doc, p.table));
  ASSERT_TRUE(p.host.ChooseCommand(Cmd::TrimTableTitle));
  ObjectId titlePara = static_cast<ObjectId>(p.m.Read(p.table, prop::TblTitleParagraph).word);
  EXPECT_EQ(p.m.ReadMetric(titlePara, prop::ParaLeftIndent), Pt(36));
  EXPECT_EQ(p.m.ReadMetric(titlePara, prop::ParaRightIndent), Pt(468 - 36 - 36)) << "three 12pt columns";
  ASSERT_TRUE(p.host.ChooseCommand(Cmd::UndoOperation));
  EXPECT_EQ(p.m.ReadMetric(titlePara, prop::ParaLeftIndent), 0);
  // Up from a graphic anchored in a cell: its frame, then that cell (row index by the chain).
  ObjectId cellFrame = p.m.AddAnchoredFrame(cellPara, 0, {0, 0, 40, 40});
  ObjectId deep = p.m.AddRectangle(cellFrame, {1, 1, 10, 10});
  p.host.SelectGraphics(p.doc, {deep});
  ASSERT_TRUE(p.host.ChooseCommand(Cmd::SelectParentObject));
  ASSERT_TRUE(p.host.ChooseCommand(Cmd::SelectParentObject));
  const DocState* d = p.m.Doc(p.doc);
  EXPECT_EQ(d->cells.table, p.table);
  EXPECT_EQ(d->cells.top, 1);
  EXPECT_EQ(d->cells.bottom, 1);
  EXPECT_EQ(d->cells.left, 2);
  EXPECT_EQ(d->cells.right, 2);
  EXPECT_TRUE(p.m.SelectedGraphics(p.doc).empty());
  EXPECT_TRUE(p.host.Alerts().empty());
  EXPECT_EQ(p.Errors(), "");
}

}  // namespace
