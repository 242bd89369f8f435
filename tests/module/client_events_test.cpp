// Events delivered to the real module: resources, notification 75, console output around
// start-up, returned lists with either memory policy, and host errors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/host.h"
#include "version/version_block.h"

namespace {

using zvhost::Host;
using zvhost::HostOptions;

HostOptions Options(bool initialize = false) {
  HostOptions options;
  options.initialize = initialize;
  return options;
}

TEST(ClientEvents, ResourcesAreThePathAndTheVersionBlock) {
  Host host(Options());
  ASSERT_TRUE(host.Start()) << host.LastError();
  std::vector<uint8_t> bytes;
  ASSERT_EQ(host.GetResource(0, "anything", &bytes), 0);
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(bytes.back(), 0);
  std::string path(bytes.begin(), bytes.end() - 1);
  EXPECT_NE(path.find("ZorvanShapes"), std::string::npos) << path;

  constexpr zv::ModuleVersionBytes block = zv::BuildModuleVersionBlock();
  ASSERT_EQ(host.GetResource(16, "#1", &bytes), 0);
  EXPECT_EQ(bytes, std::vector<uint8_t>(block.bytes, block.bytes + sizeof block.bytes));

  zv::ByteBlock record{5, nullptr};
  EXPECT_EQ(host.GetResourceRaw(16, "#7", &record), static_cast<int32_t>(0x80004005u));
  EXPECT_EQ(host.GetResourceRaw(3, nullptr, &record), static_cast<int32_t>(0x80004005u));
  EXPECT_EQ(record.count, 5u);
  EXPECT_EQ(host.GetResourceRaw(16, "#1", nullptr), static_cast<int32_t>(0x80004003u));
  host.Stop();
  EXPECT_TRUE(host.Problems().empty());
}

TEST(ClientEvents, EventsAnswerZeroIncludingSeparatedText) {
  Host host(Options(true));
  ASSERT_TRUE(host.Start()) << host.LastError();
  EXPECT_EQ(host.Notify(75, 0,
                        "a\x1E"
                        "b\x1E\x1E"
                        "d",
                        0),
            0);
  EXPECT_EQ(host.Notify(75, 0, nullptr, 3), 0);
  EXPECT_EQ(host.Notify(75, 0, std::string(2000, '\x1E').c_str(), 0), 0);
  EXPECT_EQ(host.Message(1, 2, 3), 0);
  EXPECT_EQ(host.DialogEvent(1, 2, 3), 0);
  EXPECT_EQ(host.Command(0), 0);
  EXPECT_EQ(host.Command(99), 0);
  host.Stop();
  EXPECT_TRUE(host.Problems().empty());
}

TEST(ClientEvents, ConsoleReachesTheHostOnlyAfterStartUp) {
  Host host(Options());
  ASSERT_TRUE(host.Start()) << host.LastError();
  EXPECT_TRUE(host.ConsoleWrites().empty());
  EXPECT_EQ(host.Initialize(1), 0);
  EXPECT_FALSE(host.ConsoleText().empty());
  host.Stop();
}

TEST(ClientEvents, ConsoleTextFromAnEventDuringRegistrationIsDropped) {
  HostOptions options = Options();
  options.initializeDuringRegistration = true;
  Host host(options);
  ASSERT_TRUE(host.Start()) << host.LastError();
  EXPECT_FALSE(host.log().Named("DefineSubmenu").empty());  // the event did run
  EXPECT_TRUE(host.ConsoleWrites().empty());
  EXPECT_EQ(host.Initialize(1), 0);
  EXPECT_FALSE(host.ConsoleWrites().empty());
  host.Stop();
  EXPECT_TRUE(host.AuditReferences().AllBack()) << host.AuditReferences().ToString();
}

TEST(ClientEvents, BusyAndRefusedConsoleDoNotStopTheClient) {
  Host host(Options());
  ASSERT_TRUE(host.Start()) << host.LastError();
  host.faults().FailOperation("PrintToConsole", zvhost::Fault::Busy());
  host.faults().FailOperation("RequestNotification", zvhost::Fault::Status(7));
  EXPECT_EQ(host.Initialize(1), 0);
  EXPECT_TRUE(host.ConsoleWrites().empty());
  host.faults().Clear();
  host.Stop();
  EXPECT_TRUE(host.AuditReferences().AllBack()) << host.AuditReferences().ToString();
}

// Copy, then paste: the paste's undo snapshot reads a whole property list from the host.
void CopyThenPaste(Host& host) {
  zvhost::Model& model = host.model();
  auto doc = model.NewDocument("lists");
  model.SetActiveDocument(doc);
  auto frame = model.AddFrame(doc, {36, 36, 400, 300});
  auto a = model.AddRectangle(frame, {10, 20, 100, 50});
  auto b = model.AddRectangle(frame, {200, 40, 60, 30});
  host.SelectGraphics(doc, {a});
  ASSERT_TRUE(host.ChooseCommand(1));
  host.SelectGraphics(doc, {b});
  ASSERT_TRUE(host.ChooseCommand(2));
}

TEST(ClientEvents, ReturnedListsAreGivenBackUnlessTheHostKeepsThem) {
  for (bool keeps : {false, true}) {
    HostOptions options = Options(true);
    options.keepsResults = keeps;
    Host host(options);
    ASSERT_TRUE(host.Start()) << host.LastError();
    CopyThenPaste(host);
    host.Stop();
    zvhost::ListCounters lists = host.Lists();
    ASSERT_TRUE(lists.tracked);
    EXPECT_GT(lists.returned, 0u);
    EXPECT_EQ(lists.releasedByClient, keeps ? 0u : lists.returned) << keeps;
    EXPECT_EQ(lists.freedByHost, keeps ? lists.returned : 0u) << keeps;
    EXPECT_EQ(lists.leaked, 0u);
    EXPECT_TRUE(host.Problems().empty());
  }
}

TEST(ClientEvents, HostErrorsDuringACommandLeakNothing) {
  for (zvhost::Fault fault : {zvhost::Fault::Status(4), zvhost::Fault::Busy(), zvhost::Fault::Failed()}) {
    Host host(Options(true));
    ASSERT_TRUE(host.Start()) << host.LastError();
    host.faults().FailOperation("ReadAllProps", fault);
    CopyThenPaste(host);
    host.Stop();
    EXPECT_EQ(host.Lists().leaked, 0u) << fault.ToString();
    EXPECT_EQ(host.Lists().outstanding, 0u) << fault.ToString();
    EXPECT_TRUE(host.Problems().empty()) << fault.ToString();
  }
}

}  // namespace
