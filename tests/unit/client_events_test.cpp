// The event object: its two method tables in slot order, one shared count and identity,
// interface lookup, and the teardown that its final release runs exactly once.
#include "client/client_events.h"

#include <gtest/gtest.h>

#include "client/client.h"
#include "hostapi/host_call.h"

namespace {

using namespace zv;

// A host interface that counts what the module does with it.
struct FakeIface {
  void* const* table;
  int addRefs = 0;
  int releases = 0;
  void (*onRelease)() = nullptr;
};
uint32_t ZV_CALL FakeAddRef(void* self) {
  return uint32_t(++static_cast<FakeIface*>(self)->addRefs);
}
uint32_t ZV_CALL FakeRelease(void* self) {
  auto* f = static_cast<FakeIface*>(self);
  ++f->releases;
  if (f->onRelease) f->onRelease();
  return 0;
}
void* const FakeTable[] = {nullptr, reinterpret_cast<void*>(&FakeAddRef), reinterpret_cast<void*>(&FakeRelease)};

const Guid OtherIid = {0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};

class Events : public ::testing::Test {
 protected:
  FakeIface session{FakeTable}, aux1{FakeTable}, aux2{FakeTable}, policy{FakeTable}, link{FakeTable},
      extension{FakeTable}, held{FakeTable};
  ClientEvents* object = nullptr;

  void SetUp() override {
    object = ClientEventsCreate();
    ASSERT_NE(object, nullptr);
    RegisteredEvents = object;
    HostSession = &session;
    HostSessionAux1 = &aux1;
    HostSessionAux2 = &aux2;
    HostMemoryPolicy = &policy;
    HostModuleLink = &link;
    HostExtension = &extension;
    HeldHostObject = &held;
  }
  void TearDown() override {
    if (RegisteredEvents != nullptr) Identity()->table->Release(Identity());
    EXPECT_EQ(HostSession, nullptr);
  }
  RefCountedObject* Identity() { return &object->base; }
  void* EventIface() { return &object->events; }
  int32_t Count() { return object->base.refCount; }
};

TEST_F(Events, QueryInterfaceHandsOutBothPartsOfOneObject) {
  void* out = nullptr;
  auto qiIdentity = SlotOf<fn::QueryInterface>(Identity(), SlotQueryInterface);
  ASSERT_EQ(qiIdentity(Identity(), &IidClientEvents, &out), HrOk);
  EXPECT_EQ(out, EventIface());
  EXPECT_EQ(Count(), 2);

  auto qiEvents = SlotOf<fn::QueryInterface>(EventIface(), SlotQueryInterface);
  out = nullptr;
  ASSERT_EQ(qiEvents(EventIface(), &IidUnknown, &out), HrOk);
  EXPECT_EQ(out, static_cast<void*>(Identity()));
  EXPECT_EQ(Count(), 3);
  out = nullptr;
  ASSERT_EQ(qiEvents(EventIface(), &IidClientEvents, &out), HrOk);
  EXPECT_EQ(out, EventIface());
  EXPECT_EQ(Count(), 4);

  out = reinterpret_cast<void*>(1);
  EXPECT_EQ(qiEvents(EventIface(), &OtherIid, &out), HrNoInterface);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(qiIdentity(Identity(), &IidClientEvents, nullptr), HrPointer);
  EXPECT_EQ(qiEvents(EventIface(), &IidUnknown, nullptr), HrPointer);
  EXPECT_EQ(Count(), 4);  // no reference for refused queries

  auto release = SlotOf<fn::Release>(EventIface(), SlotRelease);
  EXPECT_EQ(release(EventIface()), 3u);
  EXPECT_EQ(release(EventIface()), 2u);
  EXPECT_EQ(SlotOf<fn::Release>(Identity(), SlotRelease)(Identity()), 1u);
  EXPECT_EQ(session.releases, 0);
}

TEST_F(Events, AddRefAndReleaseThroughEitherTableShareTheCount) {
  EXPECT_EQ(SlotOf<fn::AddRef>(EventIface(), SlotAddRef)(EventIface()), 2u);
  EXPECT_EQ(SlotOf<fn::AddRef>(Identity(), SlotAddRef)(Identity()), 3u);
  EXPECT_EQ(SlotOf<fn::Release>(Identity(), SlotRelease)(Identity()), 2u);
  EXPECT_EQ(SlotOf<fn::Release>(EventIface(), SlotRelease)(EventIface()), 1u);
}

TEST_F(Events, EventSlotsAnswerZeroAndGetResourceIsSlotNine) {
  void* e = EventIface();
  EXPECT_EQ(SlotOf<fn::Quit>(e, SlotQuit)(e), HrOk);
  EXPECT_EQ(SlotOf<fn::Message>(e, SlotMessage)(e, 1, 2, 3), HrOk);
  EXPECT_EQ(SlotOf<fn::DialogEvent>(e, SlotDialogEvent)(e, 4, 5, 6), HrOk);
  EXPECT_EQ(SlotOf<fn::GetResource>(e, SlotGetResource)(e, 16, "#1", nullptr), HrPointer);
  EXPECT_EQ(Count(), 1);
  EXPECT_EQ(session.releases + aux1.releases + held.releases, 0);
  EXPECT_EQ(RegisteredEvents, object);
}

TEST_F(Events, FinalReleaseTearsDownOnceInOrder) {
  static std::vector<char> order;
  order.clear();
  session.onRelease = [] { order.push_back('S'); };
  aux2.onRelease = [] { order.push_back('2'); };
  policy.onRelease = [] { order.push_back('P'); };
  extension.onRelease = [] { order.push_back('E'); };
  held.onRelease = [] { order.push_back('H'); };
  EXPECT_EQ(SlotOf<fn::Release>(EventIface(), SlotRelease)(EventIface()), 0u);
  EXPECT_EQ(order, (std::vector<char>{'S', '2', 'P', 'E', 'H'}));
  for (FakeIface* f : {&session, &aux1, &aux2, &policy, &link, &extension, &held}) EXPECT_EQ(f->releases, 1);
  EXPECT_EQ(RegisteredEvents, nullptr);
  EXPECT_EQ(HostSessionAux1, nullptr);
  EXPECT_EQ(HostMemoryPolicy, nullptr);
  EXPECT_EQ(HostModuleLink, nullptr);
  EXPECT_EQ(HostExtension, nullptr);
  EXPECT_EQ(HeldHostObject, nullptr);
}

// A host that touches the event object while the module gives its session back must not
// bring about a second destruction.
ClientEvents* Reentered = nullptr;
TEST_F(Events, ReferencesTakenDuringTeardownDoNotDestroyAgain) {
  Reentered = object;
  session.onRelease = [] {
    RefCountedObject* identity = &Reentered->base;
    EXPECT_EQ(identity->refCount, 100);
    identity->table->AddRef(identity);
    EXPECT_EQ(identity->table->Release(identity), 100u);
  };
  EXPECT_EQ(Identity()->table->Release(Identity()), 0u);
  EXPECT_EQ(session.releases, 1);
  EXPECT_EQ(held.releases, 1);
}

int32_t ZV_CALL Refuse(RefCountedObject*) {
  return 0;
}

TEST(RefCountedObject, StaysWhenItMayNotBeDestroyed) {
  RefCountedTable table = RefCountedObjectTable;
  table.MayDestroy = Refuse;
  RefCountedObject object{&table, 1};
  EXPECT_EQ(table.Release(&object), 0u);
  EXPECT_EQ(object.refCount, 0);
  // The base answers the identity and nothing else.
  void* out = nullptr;
  EXPECT_EQ(table.QueryInterface(&object, &IidUnknown, &out), HrOk);
  EXPECT_EQ(out, &object);
  EXPECT_EQ(object.refCount, 1);
  EXPECT_EQ(table.QueryInterface(&object, &IidClientEvents, &out), HrNoInterface);
  EXPECT_EQ(out, nullptr);
}

}  // namespace
