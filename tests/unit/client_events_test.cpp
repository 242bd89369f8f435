// The event object: its two method tables in slot order, one shared count and identity,
// interface lookup, and the teardown that its final release runs exactly once.
#include "client/client_events.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <iterator>
#include <string>

#include "client/client.h"
#include "host/binding/host.h"
#include "hostapi/host_call.h"
#include "tests/support/commands.h"
#include "tests/unit/abi_layout_figures.h"
#include "util/memory.h"

extern "C" const size_t ZvLayoutInC[];  // abi_c_check.c
extern "C" const size_t ZvLayoutInCCount;

namespace {

using namespace zv;

// A host interface that counts what the module does with it: a table of the interface's
// methods, of which only AddRef and Release are there.
struct FakeIface {
  const void* methods;
  int addRefs = 0;
  int releases = 0;
  void (*onRelease)() = nullptr;
  // As the module holds it.
  template <typename Interface>
  Interface* As() {
    return static_cast<Interface*>(static_cast<void*>(this));
  }
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
template <typename Methods>
const Methods FakeMethods = [] {
  Methods m{};
  m.AddRef = &FakeAddRef;
  m.Release = &FakeRelease;
  return m;
}();

const Guid OtherIid = {0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};

// Identifiers as hosts write them, read here without the module's constants.
Guid Iid(const char* text) {
  unsigned v[11] = {};
  EXPECT_EQ(std::sscanf(text, "{%8x-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x}", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5],
                        &v[6], &v[7], &v[8], &v[9], &v[10]),
            11)
      << text;
  Guid g = {v[0], uint16_t(v[1]), uint16_t(v[2]), {}};
  for (int i = 0; i < 8; ++i) g.data4[i] = uint8_t(v[3 + i]);
  return g;
}
const Guid UnknownIid = Iid("{00000000-0000-0000-C000-000000000046}");
const Guid EventsIid = Iid("{EB813990-B81C-11D0-985E-0060970BEC0B}");

class Events : public ::testing::Test {
 protected:
  FakeIface session{&FakeMethods<ZvHostSessionMethods>}, aux1{&FakeMethods<ZvUnknownMethods>},
      aux2{&FakeMethods<ZvUnknownMethods>}, policy{&FakeMethods<ZvHostMemoryPolicyMethods>},
      link{&FakeMethods<ZvHostModuleLinkMethods>}, extension{&FakeMethods<ZvUnknownMethods>},
      held{&FakeMethods<ZvUnknownMethods>};
  ClientEvents* object = nullptr;

  void SetUp() override {
    object = ClientEventsCreate();
    ASSERT_NE(object, nullptr);
    RegisteredEvents = object;
    HostSession = session.As<ZvHostSession>();
    HostSessionAux1 = aux1.As<ZvUnknown>();
    HostSessionAux2 = aux2.As<ZvUnknown>();
    HostMemoryPolicy = policy.As<ZvHostMemoryPolicy>();
    HostModuleLink = link.As<ZvHostModuleLink>();
    HostExtension = extension.As<ZvUnknown>();
    HeldHostObject = held.As<ZvUnknown>();
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
  ASSERT_EQ(qiIdentity(Identity(), &EventsIid, &out), HrOk);
  EXPECT_EQ(out, EventIface());
  EXPECT_EQ(Count(), 2);

  auto qiEvents = SlotOf<fn::QueryInterface>(EventIface(), SlotQueryInterface);
  out = nullptr;
  ASSERT_EQ(qiEvents(EventIface(), &UnknownIid, &out), HrOk);
  EXPECT_EQ(out, static_cast<void*>(Identity()));
  EXPECT_EQ(Count(), 3);
  out = nullptr;
  ASSERT_EQ(qiEvents(EventIface(), &EventsIid, &out), HrOk);
  EXPECT_EQ(out, EventIface());
  EXPECT_EQ(Count(), 4);

  // Identifiers that differ from a granted one in a single field or in the last byte only.
  Guid nearEvents[] = {EventsIid, EventsIid, EventsIid, UnknownIid};
  nearEvents[0].data2 ^= 1;
  nearEvents[1].data3 ^= 1;
  nearEvents[2].data4[7] ^= 1;
  nearEvents[3].data4[7] ^= 1;
  for (const Guid& iid : {OtherIid, nearEvents[0], nearEvents[1], nearEvents[2], nearEvents[3]}) {
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(qiEvents(EventIface(), &iid, &out), HrNoInterface);
    EXPECT_EQ(out, nullptr);
  }
  EXPECT_EQ(qiIdentity(Identity(), &EventsIid, nullptr), HrPointer);
  EXPECT_EQ(qiEvents(EventIface(), &UnknownIid, nullptr), HrPointer);
  out = reinterpret_cast<void*>(1);
  EXPECT_EQ(qiEvents(EventIface(), nullptr, &out), HrNoInterface);
  EXPECT_EQ(out, nullptr);
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
  EXPECT_EQ(SlotOf<fn::Initialize>(e, 3)(e, 0), HrOk);
  EXPECT_EQ(SlotOf<fn::Quit>(e, 4)(e), HrOk);
  EXPECT_EQ(SlotOf<fn::Command>(e, 5)(e, 0), HrOk);
  EXPECT_EQ(SlotOf<fn::Message>(e, 6)(e, 1, 2, 3), HrOk);
  EXPECT_EQ(SlotOf<fn::DialogEvent>(e, 7)(e, 4, 5, 6), HrOk);
  EXPECT_EQ(SlotOf<fn::Notify>(e, 8)(e, 75, 0,
                                     "a\x1E"
                                     "b",
                                     0),
            HrOk);
  EXPECT_EQ(SlotOf<fn::GetResource>(e, 9)(e, 16, "#1", nullptr), HrPointer);
  EXPECT_EQ(Count(), 1);
  EXPECT_EQ(session.releases + aux1.releases + held.releases, 0);
  EXPECT_EQ(RegisteredEvents, object);
}

// The blocks given back to the client heap, in order, while a test watches.
std::vector<void*> Freed;
void (*FreeBefore)(void*) = nullptr;
void WatchFree(void* block) {
  Freed.push_back(block);
  FreeBefore(block);
}

TEST_F(Events, FinalReleaseTearsDownOnceInOrder) {
  static std::vector<char> order;
  order.clear();
  Freed.clear();
  FreeBefore = ClientHeap().free;
  const ClientAllocator watching = {nullptr, nullptr, nullptr, WatchFree};
  ClientAllocator previous = SetClientAllocator(&watching);
  session.onRelease = [] { order.push_back('S'); };
  aux2.onRelease = [] { order.push_back('2'); };
  policy.onRelease = [] { order.push_back('P'); };
  extension.onRelease = [] { order.push_back('E'); };
  held.onRelease = [] { order.push_back('H'); };
  EXPECT_EQ(SlotOf<fn::Release>(EventIface(), SlotRelease)(EventIface()), 0u);
  SetClientAllocator(&previous);
  EXPECT_EQ(order, (std::vector<char>{'S', '2', 'P', 'E', 'H'}));
  // The event object's own block goes back to the client heap, last.
  ASSERT_FALSE(Freed.empty());
  EXPECT_EQ(Freed.back(), static_cast<void*>(object));
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
  table.Destroy(&object, 0);  // the storage is the caller's: not freed
  // The base answers the identity and nothing else.
  void* out = nullptr;
  EXPECT_EQ(table.QueryInterface(&object, &UnknownIid, &out), HrOk);
  EXPECT_EQ(out, &object);
  EXPECT_EQ(object.refCount, 1);
  EXPECT_EQ(table.QueryInterface(&object, &EventsIid, &out), HrNoInterface);
  EXPECT_EQ(out, nullptr);
}

// The client heap refusing: every request (`all`) or only zeroed blocks.
struct RefusedHeap {
  static void* Null(size_t) { return nullptr; }
  static void* NullZeroed(size_t, size_t) { return nullptr; }
  static void* NullRealloc(void*, size_t) { return nullptr; }
  explicit RefusedHeap(bool all) {
    ClientAllocator refusing = {all ? Null : nullptr, NullZeroed, all ? NullRealloc : nullptr, nullptr};
    previous = SetClientAllocator(&refusing);
  }
  ~RefusedHeap() { SetClientAllocator(&previous); }
  ClientAllocator previous{};
};

// The module linked into the test and bound by the reference host, with memory running out.
TEST(OutOfMemory, StartUpAndEventsFailSoundly) {
  zvhost::HostOptions options;
  options.entryPoint = F_ApiClientInit;
  {
    // No event object: nothing registered, every interface given back.
    zvhost::Host host(options);
    RefusedHeap heap(true);
    EXPECT_FALSE(host.Start());
    EXPECT_EQ(host.InitResult(), -1);
    EXPECT_TRUE(host.log().Named("RegisterClient").empty());
    EXPECT_TRUE(host.AuditReferences().AllBack()) << host.AuditReferences().ToString();
  }
  zvhost::Host host(options);
  ASSERT_TRUE(host.Start()) << host.LastError();
  auto& m = host.model();
  auto doc = m.NewDocument("memory");
  auto g = m.AddRectangle(m.AddFrame(doc, {0, 0, 300, 300}), {10, 10, 40, 24});
  m.SetGridSpacing(doc, 12);
  host.SelectGraphics(doc, {g});
  {
    RefusedHeap heap(false);
    // Notification 75 that cannot be split is answered and goes no further.
    EXPECT_EQ(host.Notify(75, doc,
                          "a\x1E"
                          "b",
                          0),
              HrOk);
    // Other notifications need no memory: a selecting function is still followed.
    zvhost::Mark mark = host.log().MarkNow();
    EXPECT_EQ(host.Notify(44, doc, nullptr, 0x3E), HrOk);
    EXPECT_EQ(host.Notify(45, doc, nullptr, 0), HrOk);
    EXPECT_FALSE(host.log().Named("GetIdProp", mark).empty());
    // The grid prompt without its default text still asks and resizes.
    host.AnswerNextPrompt(3);
    EXPECT_TRUE(host.ChooseCommand(Cmd::ResizeGraphicToGridHeight));
  }
  ASSERT_EQ(host.Prompts().size(), 1u);
  EXPECT_EQ(host.Prompts()[0].defaultText, "");
  EXPECT_EQ(m.ReadPt(g, zvhost::prop::Height), 36);
  host.Stop();
  EXPECT_TRUE(host.AuditReferences().AllBack()) << host.AuditReferences().ToString();
}

// The binary interface as hosts know it, written down here once more: a change on the
// module's side alone must show up as a failure.
std::string Text(const Guid& g) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", unsigned(g.data1),
                unsigned(g.data2), unsigned(g.data3), g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4],
                g.data4[5], g.data4[6], g.data4[7]);
  return text;
}

TEST(BinaryInterface, IdentifiersSlotsAndLayoutsAreTheHostsOnes) {
  const std::pair<Guid, const char*> iids[] = {{IidHostSession, "{CA913130-7B0A-11D0-985E-0060970BEC0B}"},
                                               {IidHostSessionAux1, "{5B0455F0-0DB8-11D1-986D-0060970BEC0B}"},
                                               {IidHostSessionAux2, "{EA34B890-2289-11D3-BC05-00805FD98389}"},
                                               {IidHostMemoryPolicy, "{04C8B860-BC3B-11D0-8E04-444553540000}"},
                                               {IidHostModuleLink, "{F5AE87C2-3FF6-11D1-9457-00805F292B02}"},
                                               {IidHostExtension, "{E1E9B610-97D0-11D3-BC10-00805FD98389}"},
                                               {IidUnknown, "{00000000-0000-0000-C000-000000000046}"},
                                               {IidClientEvents, "{EB813990-B81C-11D0-985E-0060970BEC0B}"}};
  for (const auto& [iid, text] : iids) EXPECT_EQ(Text(iid), text);

  // {the method's place in the module's table, in pointers; the host's slot}
  using Unknown = ZvUnknownMethods;
  using Session = ZvHostSessionMethods;
  using Policy = ZvHostMemoryPolicyMethods;
  using Link = ZvHostModuleLinkMethods;
  using Events = ZvClientEventsMethods;
#define AT(table, name) int(offsetof(table, name) / sizeof(void*))
  // clang-format off
  const int slots[][2] = {
      {AT(Unknown, QueryInterface), 0},     {AT(Unknown, AddRef), 1},              {AT(Unknown, Release), 2},
      {AT(Session, QueryInterface), 0},     {AT(Session, AddRef), 1},              {AT(Session, Release), 2},
      {AT(Session, RegisterClient), 3},     {AT(Session, RequestNotification), 8}, {AT(Session, AddItemToMenu), 14},
      {AT(Session, DefineSubmenu), 16},     {AT(Session, FindItemInMenu), 19},     {AT(Session, ShowAlert), 20},
      {AT(Session, AskForInteger), 21},     {AT(Session, PrintToConsole), 24},     {AT(Session, RefreshDocument), 66},
      {AT(Session, DeleteObject), 67},      {AT(Session, LookupNamedObject), 68},  {AT(Session, CreateGraphic), 69},
      {AT(Session, ReadAllProps), 83},      {AT(Session, WriteAllProps), 84},      {AT(Session, GetIntProp), 85},
      {AT(Session, SetIntProp), 86},        {AT(Session, GetIdProp), 89},          {AT(Session, GetMetricProp), 91},
      {AT(Session, SetMetricProp), 92},     {AT(Session, GetTextLocProp), 93},     {AT(Session, GetTextRangeProp), 95},
      {AT(Session, SetTextRangeProp), 96},  {AT(Session, GetMetricListProp), 101}, {AT(Session, SetMetricListProp), 102},
      {AT(Session, SelectTableCells), 138}, {AT(Session, DefineMenuCommand), 164}, {AT(Policy, AskHostKeepsResults), 3},
      {AT(Link, SetClientModule), 3},       {AT(Events, QueryInterface), 0},       {AT(Events, AddRef), 1},
      {AT(Events, Release), 2},             {AT(Events, Initialize), 3},           {AT(Events, Quit), 4},
      {AT(Events, Command), 5},             {AT(Events, Message), 6},              {AT(Events, DialogEvent), 7},
      {AT(Events, Notify), 8},              {AT(Events, GetResource), 9}};
  // clang-format on
#undef AT
  for (const auto& slot : slots) EXPECT_EQ(slot[0], slot[1]);

  // {size or offset, on Win32 (the host's 32-bit layout), on Win64 (LLP64: 32-bit long, 64-bit
  // pointers, natural alignment), on Linux x86-64 (natural alignment)}
  // clang-format off
  const size_t layouts[][4] = {
      {sizeof(Guid),                     16, 16, 16},
      {sizeof(PropKey),                   8, 16, 16},
      {sizeof(TypedValue),               20, 24, 24},
      {offsetof(TypedValue, u),           4,  8,  8},
      {sizeof(PropVal),                  28, 40, 40},
      {offsetof(PropVal, value),          8, 16, 16},
      {sizeof(PropList),                  8, 16, 16},
      {offsetof(PropList, vals),          4,  8,  8},
      {sizeof(TabEntry),                 16, 24, 24},
      {offsetof(TabEntry, leader),        8,  8,  8},
      {offsetof(TabEntry, decimal),      12, 16, 16},
      {sizeof(ElementEntry),             40, 72, 72},
      {offsetof(ElementEntry, firstList), 16, 24, 24},
      {offsetof(ElementEntry, secondList), 24, 40, 40},
      {offsetof(ElementEntry, firstText), 32, 56, 56},
      {offsetof(ElementEntry, secondText), 36, 64, 64},
      {sizeof(AttributeEntry),           16, 32, 32},
      {offsetof(AttributeEntry, values),  4,  8,  8},
      {offsetof(AttributeEntry, flags),  12, 24, 24},
      {sizeof(TextLoc),                   8,  8,  8},
      {sizeof(TextRange),                16, 16, 16},
      {offsetof(TextRange, end),          8,  8,  8},
      {sizeof(MetricList),                8, 16, 16},
      {sizeof(ByteBlock),                 8, 16, 16}};
  // clang-format on
#if defined(_WIN64)
  const size_t target = 2;
#elif defined(_WIN32)
  const size_t target = 1;
#else
  const size_t target = 3;
#endif
  for (size_t i = 0; i < sizeof layouts / sizeof layouts[0]; ++i) EXPECT_EQ(layouts[i][0], layouts[i][target]) << i;
}

TEST(BinaryInterface, CLaysOutTheHeaderAsCxxDoes) {
  const size_t cxx[] = {ZV_ABI_LAYOUT_FIGURES};
  ASSERT_EQ(ZvLayoutInCCount, std::size(cxx));
  for (size_t i = 0; i < std::size(cxx); ++i) EXPECT_EQ(ZvLayoutInC[i], cxx[i]) << "figure " << i;
}

}  // namespace
