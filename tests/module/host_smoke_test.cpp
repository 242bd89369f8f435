// The reference host with the real module: it loads, binds, builds its menu, runs a command
// chosen from the menu, gives back every list and every reference.
#include <gtest/gtest.h>

#include "host/binding/host.h"

using namespace zvhost;

namespace {

TEST(HostSmoke, LoadsBindsAndGivesEveryReferenceBack) {
  Host host;
  ASSERT_TRUE(host.Start()) << host.LastError() << " (" << host.ModulePath() << ")";
  EXPECT_TRUE(host.Bound());
  EXPECT_EQ(host.RecordedClientModule(), host.ModuleHandle());
  EXPECT_TRUE(host.Lists().tracked) << "the host watches the module's task-free function";
  host.Stop();
  EXPECT_TRUE(host.AuditReferences().AllBack()) << host.AuditReferences().ToString();
  EXPECT_TRUE(host.Problems().empty()) << host.Problems().front();
}

}  // namespace

namespace {

TEST(HostSmoke, MenuCommandsChangeTheModelAndEveryListIsReleased) {
  Host host;
  Model& m = host.model();
  ObjectId doc = m.NewDocument("smoke");
  ObjectId frame = m.AddFrame(doc, {36, 36, 400, 300});
  ObjectId from = m.AddRectangle(frame, {10, 20, 100, 50});
  ObjectId to = m.AddRectangle(frame, {200, 150, 60, 30});
  ASSERT_TRUE(host.Start()) << host.LastError();
  EXPECT_NE(host.ConsoleText().find("ZorvanShapes"), std::string::npos);
  EXPECT_EQ(host.RequestedNotifications(), (std::vector<int32_t>{44, 45, 11, 40}));
  EXPECT_NE(host.model().MenuTree().find("Paste Graphic Pos [PASTE_GRAPHIC_POS_DocMenu] \\!pgp #2 enable=15"),
            std::string::npos)
      << host.model().MenuTree();

  host.SelectGraphics(doc, {from});
  ASSERT_TRUE(host.ChooseMenu("Zorvan > Copy Graphic Props"));
  host.SelectGraphics(doc, {to});
  Snapshot before = m.TakeSnapshot();
  Mark mark = host.log().MarkNow();
  ASSERT_TRUE(host.ChooseShortcut("\\!pgp"));
  EXPECT_EQ(FormatChanges(Diff(before, m.TakeSnapshot())),
            FormatId(to) + " PosX: 200pt -> 10pt\n" + FormatId(to) + " PosY: 150pt -> 20pt\n");
  EXPECT_EQ(host.log().Named("ReadAllProps", mark).size(), 1u) << "the undo snapshot";
  EXPECT_EQ(host.Refreshes(doc), 1);

  ASSERT_TRUE(host.ChooseMenu("Zorvan > Undo Operation"));
  EXPECT_EQ(m.GeometryOf(to).x, 200);
  EXPECT_TRUE(host.Alerts().empty());
  ASSERT_TRUE(host.ChooseMenu("Zorvan > Undo Operation"));
  EXPECT_EQ(m.GeometryOf(to).x, 10) << "the second undo redoes";

  host.ClearSelection(doc);
  ASSERT_TRUE(host.ChooseMenu("Zorvan > Select > Select Next Object Above"));
  ASSERT_EQ(host.Alerts().size(), 1u);
  EXPECT_EQ(host.Alerts()[0].text, "First select an object. Then try again.");
  EXPECT_EQ(host.Alerts()[0].kind, 3);

  host.Stop();
  ListCounters lists = host.Lists();
  EXPECT_GE(lists.returned, 3u);
  EXPECT_EQ(lists.releasedByClient, lists.returned);
  EXPECT_EQ(lists.leaked, 0u);
  EXPECT_TRUE(host.AuditReferences().AllBack()) << host.AuditReferences().ToString();
  EXPECT_TRUE(host.Problems().empty()) << host.Problems().front();
}

}  // namespace

namespace {

struct Scene {
  ObjectId doc = 0, graphic = 0, corner = 0;
  void Build(Model& m) {
    doc = m.NewDocument("lists");
    ObjectId frame = m.AddFrame(doc, {0, 0, 300, 300});
    graphic = m.AddRectangle(frame, {10, 10, 40, 20});
    corner = m.AddRectangle(frame, {0, 0, 5, 5});
  }
};

TEST(HostSmoke, AHostThatKeepsResultsFreesThemItselfAfterEachEvent) {
  HostOptions o;
  o.keepsResults = true;
  Host host(o);
  Scene s;
  s.Build(host.model());
  ASSERT_TRUE(host.Start()) << host.LastError();
  host.SelectGraphics(s.doc, {s.graphic});
  ASSERT_TRUE(host.ChooseMenu("Zorvan > Copy Graphic Props"));
  ASSERT_TRUE(host.ChooseMenu("Zorvan > Paste Graphic Size"));
  ASSERT_TRUE(host.ChooseMenu("Zorvan > Undo Operation"));
  ListCounters lists = host.Lists();
  EXPECT_EQ(lists.returned, 2u);
  EXPECT_EQ(lists.releasedByClient, 0u) << "the module must leave kept lists alone";
  EXPECT_EQ(lists.freedByHost, 2u);
  EXPECT_EQ(lists.outstanding, 0u);
  EXPECT_EQ(host.model().GeometryOf(s.graphic).w, 40) << "the undo still worked from the module's copy";
  host.Stop();
  EXPECT_TRUE(host.Problems().empty()) << host.Problems().front();
}

TEST(HostSmoke, AListHandedOverWithAnErrorStatusIsStillReleased) {
  Host host;
  Scene s;
  s.Build(host.model());
  ASSERT_TRUE(host.Start()) << host.LastError();
  host.SelectGraphics(s.doc, {s.corner});
  ASSERT_TRUE(host.ChooseMenu("Zorvan > Copy Graphic Props"));
  host.SelectGraphics(s.doc, {s.graphic});
  host.faults().FailOperation("ReadAllProps", Fault::Status(7));
  ASSERT_TRUE(host.ChooseMenu("Zorvan > Paste Graphic Pos"));
  EXPECT_EQ(host.model().GeometryOf(s.graphic).x, 0) << "the paste itself goes on";
  host.faults().Clear();
  EXPECT_EQ(host.Lists().returned, 1u);
  EXPECT_EQ(host.Lists().releasedByClient, 1u);
  ASSERT_TRUE(host.ChooseMenu("Zorvan > Undo Operation"));
  ASSERT_EQ(host.Alerts().size(), 1u) << "the failed snapshot left nothing to undo";
  EXPECT_EQ(host.Alerts()[0].text, "Nothing to undo.");
  EXPECT_EQ(host.Alerts()[0].kind, 2);
}

}  // namespace
