// Every host call the module makes is one its steps ask for: each command on the typical page,
// each refusal, start-up and teardown make exactly the listed operations, in order, no more.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "host/binding/host.h"
#include "tests/support/pages.h"

namespace {

using zvhost::Host;
using zvhost::HostOptions;
using zvhost::Mark;
using zvspec::CommandSpec;
using zvspec::Expand;
using zvspec::Join;

std::vector<std::string> Ops(Host& host, const Mark& since) {
  return host.log().OpsSince(since);
}

// The operations since the mark, with the screen-update switches written as their steps
// (D0, D1), so the value each one sets is held to the steps too.
std::vector<std::string> OpsWithDisplay(Host& host, const Mark& since) {
  std::vector<std::string> ops;
  for (const zvhost::CallRecord& r : host.log().Since(since)) {
    if (r.direction != zvhost::Direction::ToHost || r.iface != "Session") continue;
    const bool display = r.op == "SetIntProp" && r.args.find("key=ScreenUpdates ") != std::string::npos;
    ops.push_back(display ? "D" + r.args.substr(r.args.find("value=") + 6) : r.op);
  }
  return ops;
}

// The steps expanded, the screen-update switches left as D0 and D1.
std::vector<std::string> ExpandWithDisplay(const std::string& steps) {
  std::vector<std::string> ops;
  std::istringstream in(steps);
  for (std::string token; in >> token;)
    for (const std::string& op : token == "D0" || token == "D1" ? std::vector<std::string>{token} : Expand(token))
      ops.push_back(op);
  return ops;
}

// Run with either memory policy: the host releasing returned lists or keeping them.
class HostCalls : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    HostOptions options;
    options.keepsResults = GetParam();
    host_ = std::make_unique<Host>(options);
    ASSERT_TRUE(host_->Start()) << host_->LastError();
    page_ = zvpages::BuildTypicalPage(host_->model());
  }
  void TearDown() override {
    host_->Stop();
    EXPECT_TRUE(host_->Problems().empty());
  }

  std::unique_ptr<Host> host_;
  zvpages::TypicalPage page_;
};

TEST_P(HostCalls, EachCommandOnTheTypicalPageMakesExactlyTheCallsOfItsSteps) {
  for (const CommandSpec& c : zvspec::kCommands) {
    zvpages::Prepare(*host_, page_, c);
    Mark before = host_->log().MarkNow();
    ASSERT_TRUE(host_->ChooseCommand(c.number)) << c.label;
    std::vector<std::string> expected = Expand(c.steps);
    EXPECT_EQ(Join(OpsWithDisplay(*host_, before)), Join(ExpandWithDisplay(c.steps))) << c.label << ": " << c.why;
    EXPECT_EQ(host_->log().SessionOps() - before.ops, expected.size()) << c.label;
  }
  EXPECT_TRUE(host_->Alerts().empty());
}

// With nothing selected every command stops right after the reads that find nothing, with its
// alert (or silently), and changes nothing.
TEST_P(HostCalls, RefusedCommandsStopRightAfterTheirAlert) {
  zvpages::SelectOnly(host_->model(), page_.doc, {});
  for (const CommandSpec& c : zvspec::kCommands) {
    size_t alerts = host_->Alerts().size();
    Mark before = host_->log().MarkNow();
    ASSERT_TRUE(host_->ChooseCommand(c.number));
    EXPECT_EQ(Join(Ops(*host_, before)), Join(Expand(c.refusal))) << c.label;
    ASSERT_EQ(host_->Alerts().size(), alerts + (c.refusalAlert ? 1 : 0)) << c.label;
    if (c.refusalAlert == nullptr) continue;
    EXPECT_EQ(host_->Alerts().back().text, c.refusalAlert) << c.label;
    EXPECT_EQ(host_->Alerts().back().kind, c.undo == zvspec::Undo::IsUndo ? 2 : 3) << c.label;  // note, error
  }
}

INSTANTIATE_TEST_SUITE_P(MemoryPolicy, HostCalls, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "HostKeepsLists" : "ClientReleasesLists";
                         });

// Start-up asks for the six interfaces, the memory policy, the registration and the module
// link; Initialize(1) prints the banner, builds the menu and requests 4 notifications;
// teardown gives back the six references.
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
  EXPECT_EQ(start.size(), size_t(zvspec::kBindingCalls));
  EXPECT_EQ(host.log().Named("AskHostKeepsResults")[0].args, "1");  // the question hosts know

  Mark before = host.log().MarkNow();
  host.Initialize(1);
  EXPECT_EQ(Join(Ops(host, before)), Join(zvspec::InitializeOps()));
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
