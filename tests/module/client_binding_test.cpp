// The real module bound by the reference host: start-up in each of its branches, the
// registration it hands over, and the references it gives back when the binding ends.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/binding/host.h"

namespace {

using zvhost::Host;
using zvhost::HostOptions;
using zvhost::Interface;

const std::vector<std::string> AllInterfaces() {
  std::vector<std::string> names;
  for (int i = 0; i < int(Interface::Count); ++i) names.push_back(zvhost::InterfaceName(Interface(i)));
  return names;
}

HostOptions Options() {
  HostOptions options;
  options.initialize = false;
  return options;
}

TEST(ClientBinding, BindsAsksInOrderAndRegistersItsFourEntries) {
  Host host(Options());
  ASSERT_TRUE(host.Start()) << host.LastError();
  EXPECT_EQ(host.InitResult(), 0);
  EXPECT_TRUE(host.Bound());
  EXPECT_EQ(host.InterfaceRequests(), AllInterfaces());
  EXPECT_EQ(host.RegisteredVersion(), 0x06000000u);
  ASSERT_FALSE(host.RegistrationWasNull());
  const auto& entries = host.Registration();
  ASSERT_EQ(entries.size(), 4u);
  const int32_t numbers[] = {2, 3, 4, 5};
  const char* texts[] = {"ZorvanShapes", "Standard", "ZorvanShapes", "Maker MakerSGML"};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(entries[i].number, numbers[i]);
    EXPECT_EQ(entries[i].type, zvhost::vt::Text);
    EXPECT_EQ(entries[i].text, texts[i]);
  }
  EXPECT_TRUE(host.ClientModuleRecorded());
  EXPECT_EQ(host.RecordedClientModule(), host.ModuleHandle());
  EXPECT_EQ(host.ClientIdentity() != nullptr, true);
  host.Stop();
  EXPECT_TRUE(host.AuditReferences().AllBack()) << host.AuditReferences().ToString();
  EXPECT_TRUE(host.Problems().empty());
}

TEST(ClientBinding, NullRootIsRefusedWithoutAnyRequest) {
  HostOptions options = Options();
  options.nullRoot = true;
  Host host(options);
  EXPECT_FALSE(host.Start());
  EXPECT_EQ(host.InitResult(), -1);
  EXPECT_TRUE(host.InterfaceRequests().empty());
}

TEST(ClientBinding, NoSessionMeansNoEventObjectAndEverythingGivenBack) {
  HostOptions options = Options();
  options.refused = {Interface::Session};
  Host host(options);
  EXPECT_FALSE(host.Start());
  EXPECT_EQ(host.InitResult(), -1);
  // Only the first three are asked for; the two granted ones are released again.
  EXPECT_EQ(host.InterfaceRequests().size(), 3u);
  EXPECT_EQ(host.ClientIdentity(), nullptr);
  EXPECT_TRUE(host.log().Named("RegisterClient").empty());
  EXPECT_TRUE(host.AuditReferences().AllBack()) << host.AuditReferences().ToString();
}

TEST(ClientBinding, OptionalInterfacesMayBeRefused) {
  HostOptions options = Options();
  options.refused = {Interface::Aux1, Interface::Aux2, Interface::MemoryPolicy, Interface::ModuleLink,
                     Interface::Extension};
  Host host(options);
  ASSERT_TRUE(host.Start()) << host.LastError();
  EXPECT_FALSE(host.ClientModuleRecorded());
  EXPECT_EQ(host.Registration().size(), 4u);
  host.Stop();
  EXPECT_TRUE(host.AuditReferences().AllBack()) << host.AuditReferences().ToString();
}

TEST(ClientBinding, CallersListIsPassedUnchangedAndNullWhenThereIsNothingToRead) {
  HostOptions options = Options();
  options.passRegistration = true;
  options.registration = {{7, "Mine"}, {2, "Other"}};
  {
    Host host(options);
    ASSERT_TRUE(host.Start()) << host.LastError();
    const auto& entries = host.Registration();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].number, 7);
    EXPECT_EQ(entries[0].text, "Mine");
    EXPECT_EQ(entries[1].text, "Other");
    host.Stop();
    EXPECT_TRUE(host.Problems().empty());  // the host's own list was neither changed nor freed
  }
  options = Options();
  options.nullModuleHandle = true;
  Host host(options);
  ASSERT_TRUE(host.Start()) << host.LastError();
  EXPECT_TRUE(host.RegistrationWasNull());
}

TEST(ClientBinding, HostThatKeepsNoReferenceUnbindsAtOnce) {
  HostOptions options = Options();
  options.keepsEventObject = false;
  options.passHeldObject = true;
  Host host(options);
  EXPECT_FALSE(host.Start());
  EXPECT_EQ(host.InitResult(), -1);
  EXPECT_FALSE(host.Bound());
  EXPECT_TRUE(host.AuditReferences().AllBack()) << host.AuditReferences().ToString();
}

TEST(ClientBinding, HeldObjectKeepsOneReferenceWhileBound) {
  HostOptions options = Options();
  options.passHeldObject = true;
  Host host(options);
  ASSERT_TRUE(host.Start()) << host.LastError();
  int32_t bound = host.HeldObjectRefs();
  host.Stop();
  EXPECT_EQ(host.HeldObjectRefs(), bound - 1);
  EXPECT_TRUE(host.AuditReferences().AllBack()) << host.AuditReferences().ToString();
}

TEST(ClientBinding, TeardownWaitsForTheLastReference) {
  Host host(Options());
  ASSERT_TRUE(host.Start()) << host.LastError();
  EXPECT_EQ(host.CallClientInit(), -1);  // bound already: refused, the binding as it was
  EXPECT_TRUE(host.Bound());
  EXPECT_EQ(host.log().Named("RegisterClient").size(), 1u);
  EXPECT_EQ(host.EventAddRef(), 2u);
  EXPECT_EQ(host.EventRelease(), 1u);
  EXPECT_EQ(host.Quit(), 0);  // changes nothing
  host.Stop();
  EXPECT_TRUE(host.AuditReferences().AllBack()) << host.AuditReferences().ToString();
  // Binding again after the teardown works like the first time.
  ASSERT_EQ(host.CallClientInit(), 0);
  EXPECT_TRUE(host.Bound());
  host.Stop();
  EXPECT_TRUE(host.AuditReferences().AllBack()) << host.AuditReferences().ToString();
}

}  // namespace
