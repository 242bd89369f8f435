// Reference counts across the binding: every interface the host hands out, and the held object,
// come back to their count before start-up once the binding ends; the event object dies exactly
// once, on the last release, whatever order of AddRef, Release and QueryInterface the host uses.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "host/binding/host.h"
#include "hostapi/abi.h"
#include "tests/support/commands.h"

namespace {

using zvhost::Host;
using zvhost::HostOptions;

constexpr zv::HResult kNoInterface = static_cast<zv::HResult>(0x80004002u);
constexpr zv::HResult kPointer = static_cast<zv::HResult>(0x80004003u);

#if defined(_WIN32)
constexpr int kSequences = 60;  // Wine: every call crosses the emulated module boundary
#else
constexpr int kSequences = 400;
#endif
constexpr int kStepsPerSequence = 60;

zv::HResult Query(void* iface, const zv::Guid& iid, void** out) {
  return zv::SlotOf<zv::fn::QueryInterface>(iface, 0)(iface, &iid, out);
}
uint32_t AddRef(void* iface) {
  return zv::SlotOf<zv::fn::AddRef>(iface, 1)(iface);
}
uint32_t Release(void* iface) {
  return zv::SlotOf<zv::fn::Release>(iface, 2)(iface);
}

// The host's interfaces other than the event object are still held by the client.
bool InterfacesHeld(const Host& host) {
  for (const auto& e : host.AuditReferences().entries)
    if (e.name == "Session") return e.now == e.atStart + 1;
  return false;
}

HostOptions Options(bool keepsResults) {
  HostOptions options;
  options.passHeldObject = true;
  options.keepsResults = keepsResults;
  options.initialize = false;
  return options;
}

TEST(RefCountAudit, EverythingHandedOutComesBackAfterABusySession) {
  for (bool keeps : {false, true}) {
    SCOPED_TRACE(keeps ? "host keeps results" : "client releases results");
    Host host(Options(keeps));
    int32_t heldBefore = host.HeldObjectRefs();
    ASSERT_TRUE(host.Start()) << host.LastError();
    EXPECT_EQ(host.HeldObjectRefs(), heldBefore + 1);
    EXPECT_EQ(host.Initialize(1), 0);
    auto& m = host.model();
    auto doc = m.NewDocument("refs");
    m.SetActiveDocument(doc);
    auto frame = m.AddFrame(doc, {36, 36, 300, 200});
    auto g = m.AddRectangle(frame, {10, 10, 50, 40});
    host.SelectGraphics(doc, {g});
    for (int32_t command = Cmd::First; command <= Cmd::Last; ++command) host.ChooseCommand(command);
    host.Command(Cmd::UndoOperation);
    EXPECT_TRUE(InterfacesHeld(host));
    host.Stop();
    EXPECT_TRUE(host.AuditReferences().AllBack()) << host.AuditReferences().ToString();
    EXPECT_EQ(host.HeldObjectRefs(), heldBefore);
    EXPECT_EQ(host.Lists().outstanding, 0u);
    EXPECT_EQ(host.Lists().leaked, 0u);
    EXPECT_TRUE(host.Problems().empty());
  }
}

TEST(RefCountAudit, QueriesOnBothInterfacesShareOneCountAndOneIdentity) {
  Host host(Options(false));
  ASSERT_TRUE(host.Start()) << host.LastError();
  void* identity = host.ClientIdentity();
  void* events = host.EventInterface();
  ASSERT_NE(identity, nullptr);
  ASSERT_NE(events, nullptr);
  for (void* on : {identity, events}) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(Query(on, zv::IidClientEvents, &out), 0);
    EXPECT_EQ(out, events);
    EXPECT_EQ(Query(on, zv::IidUnknown, &out), 0);
    EXPECT_EQ(out, identity);
    EXPECT_EQ(Query(on, zv::IidHostSession, &out), kNoInterface);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(Query(on, zv::IidClientEvents, nullptr), kPointer);
    // Host's reference + the two granted queries.
    EXPECT_EQ(AddRef(on), 4u);
    EXPECT_EQ(Release(events), 3u);
    EXPECT_EQ(Release(identity), 2u);
    EXPECT_EQ(Release(on), 1u);
  }
  host.Stop();
  EXPECT_TRUE(host.AuditReferences().AllBack()) << host.AuditReferences().ToString();
}

// One randomised sequence: the host's own reference plus the references this test takes and
// gives back through either interface. The expected count is tracked here and checked against
// every value the object returns; teardown must wait for the last reference and happen once.
void RunSequence(Host& host, std::mt19937& rng, bool hostReleasesFirst) {
  ASSERT_EQ(host.CallClientInit(), 0);
  void* identity = host.ClientIdentity();
  void* events = host.EventInterface();
  ASSERT_TRUE(identity && events);
  const zv::Guid others[] = {zv::IidHostSession, zv::IidHostExtension, {0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}}};
  std::vector<void*> mine;  // each entry: one reference taken by this test, and the pointer it came on
  uint32_t expected = 1;    // the host's reference
  auto pick = [&] { return rng() % 2 ? identity : events; };
  for (int step = 0; step < kStepsPerSequence; ++step) {
    switch (rng() % 6) {
      case 0: {
        void* on = pick();
        ASSERT_EQ(AddRef(on), ++expected);
        mine.push_back(on);
        break;
      }
      case 1:
      case 2:
        if (!mine.empty()) {
          size_t i = rng() % mine.size();
          ASSERT_EQ(Release(mine[i]), --expected);
          mine.erase(mine.begin() + static_cast<std::ptrdiff_t>(i));
        }
        break;
      case 3: {
        void* out = nullptr;
        bool wantEvents = rng() % 2;
        ASSERT_EQ(Query(pick(), wantEvents ? zv::IidClientEvents : zv::IidUnknown, &out), 0);
        ASSERT_EQ(out, wantEvents ? events : identity);
        ++expected;
        mine.push_back(out);
        break;
      }
      case 4: {
        void* out = reinterpret_cast<void*>(1);
        ASSERT_EQ(Query(pick(), others[rng() % 3], &out), kNoInterface);
        ASSERT_EQ(out, nullptr);
        ASSERT_EQ(Query(pick(), zv::IidUnknown, nullptr), kPointer);
        break;
      }
      default:
        // The object works whatever the count: an event in the middle of the sequence.
        ASSERT_EQ(host.Message(step, 0, 0), 0);
        break;
    }
    ASSERT_TRUE(InterfacesHeld(host)) << "torn down with " << expected << " references left";
  }
  if (hostReleasesFirst) {
    host.Stop();  // the host's reference; the test's references keep the object alive
    --expected;
  } else {
    for (void* on : mine) ASSERT_EQ(Release(on), --expected);
    mine.clear();
  }
  while (!mine.empty()) {
    ASSERT_TRUE(InterfacesHeld(host)) << "torn down with " << expected << " references left";
    ASSERT_EQ(Release(mine.back()), --expected);
    mine.pop_back();
  }
  if (!hostReleasesFirst) {
    ASSERT_TRUE(InterfacesHeld(host)) << "torn down while the host still held its reference";
    host.Stop();
    --expected;
  }
  EXPECT_EQ(expected, 0u);
  // Back exactly at the start: each interface given back once, none twice.
  ASSERT_TRUE(host.AuditReferences().AllBack()) << host.AuditReferences().ToString();
}

TEST(RefCountAudit, RandomSequencesOfReferencesTearDownExactlyOnce) {
  Host host(Options(false));
  ASSERT_TRUE(host.Load()) << host.LastError();
  int32_t heldBefore = host.HeldObjectRefs();
  std::mt19937 rng(20261207);
  for (int s = 0; s < kSequences; ++s) {
    SCOPED_TRACE("sequence " + std::to_string(s));
    RunSequence(host, rng, s % 2 == 1);
    if (HasFatalFailure()) return;
    ASSERT_EQ(host.HeldObjectRefs(), heldBefore);
  }
  EXPECT_TRUE(host.Problems().empty());
}

}  // namespace
