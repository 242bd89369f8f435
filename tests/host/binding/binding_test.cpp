// Start-up and shut-down against a tiny in-process client: the interfaces handed out, what the
// host records, the reference audit, and the configurable host behaviours.
#include <gtest/gtest.h>

#include "fake_client.h"

using namespace zvhost;

namespace {

TEST(Binding, StartHandsOutSixInterfacesAndStopGivesEveryReferenceBack) {
  HostOptions o = fake::Options();
  o.inProcessModule = reinterpret_cast<void*>(0x1234);
  Host host(o);
  ASSERT_TRUE(host.Start()) << host.LastError();
  EXPECT_TRUE(host.Bound());
  EXPECT_EQ(host.InitResult(), 0);
  EXPECT_EQ(host.InterfaceRequests(), (std::vector<std::string>{"Session", "SessionAux1", "SessionAux2", "MemoryPolicy",
                                                                "ModuleLink", "Extension"}));
  EXPECT_EQ(host.RegisteredVersion(), 0x06000000u);
  EXPECT_TRUE(host.RegistrationWasNull());
  EXPECT_TRUE(host.ClientModuleRecorded());
  EXPECT_EQ(host.RecordedClientModule(), reinterpret_cast<void*>(0x1234));
  EXPECT_FALSE(fake::current->keeps) << "by default the client releases returned lists";
  EXPECT_EQ(fake::current->events, (std::vector<std::string>{"Initialize 1"}));
  EXPECT_EQ(fake::current->refs, 1) << "the host keeps exactly one reference";
  EXPECT_FALSE(host.AuditReferences().AllBack()) << "the client holds its interfaces while bound";

  host.Stop();
  EXPECT_FALSE(host.Bound());
  EXPECT_TRUE(fake::current->tornDown);
  RefAudit audit = host.AuditReferences();
  EXPECT_TRUE(audit.AllBack()) << audit.ToString();
  EXPECT_TRUE(host.Problems().empty());
  // Events after the binding ended are not delivered.
  EXPECT_EQ(host.Command(1), hr::Unexpected);
}

TEST(Binding, RefusedSessionNullRootAndAHostThatKeepsNoReference) {
  {
    HostOptions o = fake::Options();
    o.refused = {Interface::Session};
    Host host(o);
    EXPECT_FALSE(host.Start());
    EXPECT_EQ(host.InitResult(), -1);
    EXPECT_EQ(host.InterfaceRequests().size(), 3u);
    EXPECT_TRUE(host.AuditReferences().AllBack()) << host.AuditReferences().ToString();
  }
  {
    HostOptions o = fake::Options();
    o.nullRoot = true;
    Host host(o);
    EXPECT_FALSE(host.Start());
    EXPECT_TRUE(host.InterfaceRequests().empty());
  }
  {
    HostOptions o = fake::Options();
    o.keepsEventObject = false;
    Host host(o);
    EXPECT_FALSE(host.Start());
    EXPECT_EQ(host.InitResult(), -1);
    EXPECT_TRUE(fake::current->tornDown) << "the creation reference was the last";
    EXPECT_TRUE(host.AuditReferences().AllBack()) << host.AuditReferences().ToString();
  }
  {
    HostOptions o = fake::Options();
    o.refused = {Interface::MemoryPolicy, Interface::Extension};
    Host host(o);
    EXPECT_TRUE(host.Start());
    host.Stop();
    EXPECT_TRUE(host.AuditReferences().AllBack()) << host.AuditReferences().ToString();
  }
}

TEST(Binding, KeepsResultsHeldObjectAndGivenRegistrationList) {
  HostOptions o = fake::Options();
  o.keepsResults = true;
  o.passHeldObject = true;
  o.passRegistration = true;
  o.registration = {{2, "Other"}, {5, "Maker"}};
  Host host(o);
  ASSERT_TRUE(host.Start());
  EXPECT_TRUE(fake::current->keeps);
  EXPECT_EQ(host.HeldObjectRefs(), 2) << "the client holds the object while bound";
  ASSERT_EQ(host.Registration().size(), 2u);
  EXPECT_EQ(host.Registration()[1].number, 5);
  EXPECT_EQ(host.Registration()[1].type, vt::Text);
  EXPECT_EQ(host.Registration()[1].text, "Maker");
  EXPECT_FALSE(host.RegistrationWasNull());
  host.Stop();
  EXPECT_EQ(host.HeldObjectRefs(), 1);
  EXPECT_TRUE(host.AuditReferences().AllBack());
}

TEST(Binding, AuditNamesAReferenceTheClientNeverGaveBack) {
  fake::nextForgetsSession = true;
  Host host(fake::Options());
  ASSERT_TRUE(host.Start());
  fake::nextForgetsSession = false;
  host.Stop();
  RefAudit audit = host.AuditReferences();
  EXPECT_FALSE(audit.AllBack());
  EXPECT_NE(audit.ToString().find("Session 1 -> 2 NOT BACK"), std::string::npos) << audit.ToString();
  EXPECT_NE(audit.ToString().find("SessionAux1 1 -> 1 ok"), std::string::npos);
}

TEST(Binding, EventsGoToTheirSlotsAndTheLogShowsThem) {
  Host host(fake::Options());
  ASSERT_TRUE(host.Start());
  Mark m = host.log().MarkNow();
  EXPECT_EQ(host.Quit(), hr::Ok);
  EXPECT_EQ(host.Message(1, 2, 3), hr::Ok);
  EXPECT_EQ(host.DialogEvent(4, 5, 6), hr::Ok);
  EXPECT_EQ(host.Command(19), hr::Ok);
  EXPECT_EQ(host.Notify(75, 0,
                        "a\x1e"
                        "b",
                        9),
            hr::Ok);
  std::vector<uint8_t> bytes;
  EXPECT_EQ(host.GetResource(0, "abc", &bytes), hr::Ok);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end() - 1), "abc");
  EXPECT_EQ(host.GetResource(6, "x", &bytes), hr::Fail);
  EXPECT_EQ(fake::current->events,
            (std::vector<std::string>{"Initialize 1", "Quit", "Message 6", "DialogEvent 15", "Command 19",
                                      "Notify 75 0 a\x1e"
                                      "b 9",
                                      "GetResource 0", "GetResource 6"}));
  EXPECT_EQ(host.log().OpsSince(m, true), (std::vector<std::string>{"Quit", "Message", "DialogEvent", "Command",
                                                                    "Notify", "GetResource", "GetResource"}));
  // The event interface's standard methods act on the client's one count.
  EXPECT_EQ(host.EventAddRef(), 2u);
  EXPECT_EQ(host.EventRelease(), 1u);
  void* identity = nullptr;
  EXPECT_EQ(host.EventQueryInterface(iid::Unknown, &identity), hr::Ok);
  EXPECT_EQ(identity, host.ClientIdentity());
  zv::SlotOf<uint32_t(ZVH_CALL*)(void*)>(identity, slot::Release)(identity);
  EXPECT_EQ(fake::current->refs, 1);
}

}  // namespace
