// Every host call the module makes is one its steps ask for: each command on the typical page,
// each refusal, start-up and teardown make exactly the listed operations, in order, no more.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "bench/command_steps.h"
#include "host/binding/host.h"
#include "tests/command_numbers.h"

namespace {

using zvhost::Host;
using zvhost::HostOptions;
using zvhost::Mark;
using zvsteps::Expand;
using zvsteps::Join;

std::vector<std::string> Ops(Host& host, const Mark& since) {
  return host.log().OpsSince(since);
}

// Run with either memory policy: the host releasing returned lists or keeping them.
class HostCalls : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    HostOptions options;
    options.keepsResults = GetParam();
    host_ = std::make_unique<Host>(options);
    ASSERT_TRUE(host_->Start()) << host_->LastError();
    page_ = zvsteps::BuildTypicalPage(host_->model());
  }
  void TearDown() override {
    host_->Stop();
    EXPECT_TRUE(host_->Problems().empty());
  }

  std::unique_ptr<Host> host_;
  zvsteps::TypicalPage page_;
};

TEST_P(HostCalls, EachCommandOnTheTypicalPageMakesExactlyTheCallsOfItsSteps) {
  ASSERT_EQ(zvsteps::TypicalSteps().size(), size_t(Cmd::Count));
  for (const zvsteps::CommandSteps& c : zvsteps::TypicalSteps()) {
    zvsteps::Prepare(*host_, page_, c.number);
    Mark before = host_->log().MarkNow();
    ASSERT_TRUE(host_->ChooseCommand(c.number)) << "command " << c.number;
    std::vector<std::string> expected = Expand(c.steps);
    std::vector<std::string> made = Ops(*host_, before);
    EXPECT_EQ(made.size(), expected.size()) << "command " << c.number << ": " << c.why;
    EXPECT_EQ(Join(made), Join(expected)) << "command " << c.number << ": " << c.why;
    EXPECT_EQ(host_->log().SessionOps() - before.ops, expected.size()) << "command " << c.number;
  }
  EXPECT_TRUE(host_->Alerts().empty());
}

// With nothing selected every command stops after the reads that find nothing.
TEST_P(HostCalls, RefusedCommandsStopRightAfterTheirAlert) {
  const struct {
    int32_t number;
    const char* steps;
  } cases[] = {
      {Cmd::UndoOperation, "ShowAlert"},  // nothing recorded yet: the undo reads nothing
      {Cmd::CopyGraphicProps, "S ShowAlert"},
      {Cmd::PasteGraphicPos, "S ShowAlert"},
      {Cmd::PasteGraphicLeftPos, "S ShowAlert"},
      {Cmd::PasteGraphicTopPos, "S ShowAlert"},
      {Cmd::PasteGraphicRightPos, "S ShowAlert"},
      {Cmd::PasteGraphicBottomPos, "S ShowAlert"},
      {Cmd::PasteGraphicSize, "S ShowAlert"},
      {Cmd::PasteGraphicWidth, "S GetIdProp ShowAlert"},  // no graphic, then no table
      {Cmd::PasteGraphicHeight, "S ShowAlert"},
      {Cmd::ResizeGraphicToCopiedWidth, "S ShowAlert"},
      {Cmd::ResizeGraphicToCopiedHeight, "S ShowAlert"},
      {Cmd::ResizeGraphicToGridHeight, "S ShowAlert"},
      {Cmd::MakeFigureTitleRight, "GetIdProp GetIdProp GetIdProp ShowAlert"},  // all three ids are read before the test
      {Cmd::AddFrameToGraphic, "S ShowAlert"},
      {Cmd::SelectParentObject, "S GetIdProp GetTextRangeProp"},  // no graphic, no table, no text selection: silent
      {Cmd::SelectNextObjectAbove, "S ShowAlert"},
      {Cmd::SelectNextObjectBelow, "S ShowAlert"},
      {Cmd::TrimTableTitle, "GetIdProp GetIdProp ShowAlert"},
  };
  zvsteps::SelectOnly(host_->model(), page_.doc, {});
  for (const auto& c : cases) {
    Mark before = host_->log().MarkNow();
    ASSERT_TRUE(host_->ChooseCommand(c.number));
    EXPECT_EQ(Join(Ops(*host_, before)), Join(Expand(c.steps))) << "command " << c.number;
  }
  EXPECT_EQ(host_->Alerts().size(), Cmd::Count - 1u);  // every case but Select Parent Object
}

INSTANTIATE_TEST_SUITE_P(MemoryPolicy, HostCalls, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "HostKeepsLists" : "ClientReleasesLists";
                         });

// Start-up asks for the six interfaces, the memory policy, the registration and the module
// link; Initialize(1) prints the banner, builds the menu (5 separators, 2 submenus, 19
// commands with their enabling conditions) and requests 4 notifications; teardown gives
// back the six references.
TEST(HostCallsLifecycle, StartUpInitializeAndTeardownMakeOnlyTheirCalls) {
  HostOptions options;
  options.initialize = false;
  Host host(options);
  ASSERT_TRUE(host.Start()) << host.LastError();
  std::vector<std::string> start;
  for (const zvhost::CallRecord& r : host.log().Records())
    if (r.direction == zvhost::Direction::ToHost) start.push_back(r.iface + "." + r.op);
  EXPECT_EQ(Join(start),
            "Root.QueryInterface Root.QueryInterface Root.QueryInterface Root.QueryInterface Root.QueryInterface "
            "Root.QueryInterface MemoryPolicy.AskHostKeepsResults Session.RegisterClient "
            "ModuleLink.SetClientModule");
  EXPECT_EQ(host.log().Named("AskHostKeepsResults")[0].args, "1");  // the question hosts know

  Mark before = host.log().MarkNow();
  host.Initialize(1);
  std::string command = "DefineMenuCommand SetIntProp";
  std::string separator = "LookupNamedObject AddItemToMenu";
  std::string expected =
      "PrintToConsole LookupNamedObject LookupNamedObject DefineSubmenu "
      "LookupNamedObject FindItemInMenu "  // the shared menu's separator: not needed
      "DefineSubmenu";
  for (int i = 0; i < 3; ++i) expected += " " + command;  // the Select submenu
  expected += " DefineSubmenu " + command;                // the Table submenu
  expected += " " + separator + " " + command + " " + separator;
  for (int i = 0; i < 5; ++i) expected += " " + command;  // the positions
  expected += " " + separator;
  for (int i = 0; i < 5; ++i) expected += " " + command;  // the sizes
  expected += " " + separator;
  for (int i = 0; i < 3; ++i) expected += " " + command;  // grid, figure title, frame
  expected += " " + separator + " " + command;            // undo
  expected += " RequestNotification RequestNotification RequestNotification RequestNotification";
  std::vector<std::string> init = Ops(host, before);
  EXPECT_EQ(init.size(), 60u);
  EXPECT_EQ(Join(init), expected);
  const std::string find = host.log().Named("FindItemInMenu", before).at(0).args;
  EXPECT_EQ(find.substr(find.find(" flags=")), " flags=0");  // the only flags hosts know here

  before = host.log().MarkNow();
  host.Stop();
  std::vector<std::string> down;
  for (const zvhost::CallRecord& r : host.log().Since(before))
    if (r.direction == zvhost::Direction::ToHost) down.push_back(r.iface + "." + r.op);
  EXPECT_EQ(Join(down),
            "Session.Release SessionAux1.Release SessionAux2.Release MemoryPolicy.Release ModuleLink.Release "
            "Extension.Release");
  EXPECT_TRUE(host.AuditReferences().AllBack()) << host.AuditReferences().ToString();
}

}  // namespace
