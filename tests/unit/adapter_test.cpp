// The host operations against an in-test session: slots, parameter order, the fallbacks of
// every result kind, the last error, and the release of returned host blocks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <set>
#include <utility>
#include <vector>

#include "hostapi/host_call.h"
#include "hostapi/host_ops.h"
#include "hostapi/prop_list.h"
#include "platform/platform.h"
#include "util/memory.h"

namespace {

using namespace zv;

// What the fake session answers and what it saw.
struct Fake {
  HResult hr = HrOk;
  int32_t status = 0;
  uint32_t value = 0;  // scalar outputs, the alert answer and the integer reply
  TextRange range{};
  PropList hostList{0, nullptr};
  MetricList hostMetrics{0, nullptr};
  int lastSlot = -1;
  int calls = 0;
  std::vector<uintptr_t> args;  // inputs in the host's parameter order
  bool keyNameNull = true;
  bool writesStatus = true;  // a host may succeed without writing its status
  bool writesOutput = true;  // or without writing the output
};
Fake g;

void Saw(int slot, std::vector<uintptr_t> args) {
  g.lastSlot = slot;
  ++g.calls;
  g.args = std::move(args);
}
uintptr_t P(const void* p) {
  return reinterpret_cast<uintptr_t>(p);
}

// How each kind of input is recorded.
uintptr_t Arg(const void* p) {
  return P(p);
}
uintptr_t Arg(int32_t v) {
  return uint32_t(v);
}
uintptr_t Arg(uint32_t v) {
  return v;
}
uintptr_t Arg(const PropKey* key) {
  g.keyNameNull = key->name == nullptr;
  return uint32_t(key->number);
}
uintptr_t Arg(const TextRange* r) {
  return r->begin.object << 16 | uint32_t(r->end.offset);
}
uintptr_t Arg(const MetricList* m) {
  return P(m->items) + m->count;
}

// What the fake writes into each kind of output.
void Fill(uint32_t* out) {
  *out = g.value;
}
void Fill(int32_t* out) {
  *out = int32_t(g.value);
}
void Fill(TextLoc* out) {
  *out = g.range.begin;
}
void Fill(TextRange* out) {
  *out = g.range;
}
void Fill(PropList* out) {
  *out = g.hostList;
}
void Fill(MetricList* out) {
  *out = g.hostMetrics;
}

// The host's shape: the inputs, then the status; or the inputs, the status and one output.
template <int Slot, typename... In>
HResult ZV_CALL StatusFake(void*, In... in, int32_t* status) {
  Saw(Slot, {Arg(in)...});
  if (g.writesStatus) *status = g.status;
  return g.hr;
}
template <int Slot, typename Out, typename... In>
HResult ZV_CALL OutFake(void*, In... in, int32_t* status, Out* out) {
  Saw(Slot, {Arg(in)...});
  if (g.writesStatus) *status = g.status;
  if (g.writesOutput) Fill(out);
  return g.hr;
}
HResult ZV_CALL ShowAlertFake(void*, const char* message, int32_t kind, int32_t* answer) {
  Saw(SlotShowAlert, {P(message), uint32_t(kind)});
  *answer = int32_t(g.value);
  return g.hr;
}
HResult ZV_CALL AskForIntegerFake(void*, int32_t* status, int32_t* reply, const char* prompt, const char* def) {
  Saw(SlotAskForInteger, {P(prompt), P(def)});
  if (g.writesStatus) *status = g.status;
  if (g.writesOutput) *reply = int32_t(g.value);
  return g.hr;
}
// The session's methods; those no operation calls stay null.
ZvHostSessionMethods Methods;
ZvHostSession FakeSession{&Methods};

// The client heap, counted: every copy the operations make is freed by someone.
int LiveClientBlocks = 0;
bool RefuseClientBlocks = false;
void* CountedAlloc(size_t n) {
  ++LiveClientBlocks;
  return std::malloc(n);
}
void* CountedAllocZeroed(size_t count, size_t size) {
  if (RefuseClientBlocks) return nullptr;
  ++LiveClientBlocks;
  return std::calloc(count, size);
}
void* CountedRealloc(void* block, size_t n) {
  if (block == nullptr) ++LiveClientBlocks;
  return std::realloc(block, n);
}
void CountedFree(void* block) {
  if (block != nullptr) --LiveClientBlocks;
  std::free(block);
}

std::set<void*> Freed;
int FreeCount = 0;
void CountingFree(void* block) {
  ++FreeCount;
  EXPECT_TRUE(Freed.insert(block).second) << "host block released twice";
  PlatformTaskFree(block);
}

class Adapter : public ::testing::Test {
 protected:
  void SetUp() override {
    // Each fake must have exactly the host method's type to be stored as that method.
    Methods = ZvHostSessionMethods{};
    using Id = ObjectId;
    using Key = PropKey*;
    using Text = const char*;
    Methods.RequestNotification = &StatusFake<SlotRequestNotification, int32_t, int32_t>;
    Methods.AddItemToMenu = &StatusFake<SlotAddItemToMenu, Id, Id>;
    Methods.DefineSubmenu = &OutFake<SlotDefineSubmenu, Id, Id, Text, Text>;
    Methods.FindItemInMenu = &OutFake<SlotFindItemInMenu, Id, Id, Id, int32_t>;
    Methods.ShowAlert = &ShowAlertFake;
    Methods.AskForInteger = &AskForIntegerFake;
    Methods.PrintToConsole = &StatusFake<SlotPrintToConsole, Text>;
    Methods.RefreshDocument = &StatusFake<SlotRefreshDocument, Id>;
    Methods.DeleteObject = &StatusFake<SlotDeleteObject, Id, Id>;
    Methods.LookupNamedObject = &OutFake<SlotLookupNamedObject, Id, Id, int32_t, Text>;
    Methods.CreateGraphic = &OutFake<SlotCreateGraphic, Id, Id, int32_t, Id>;
    Methods.ReadAllProps = &OutFake<SlotReadAllProps, PropList, Id, Id>;
    Methods.WriteAllProps = &StatusFake<SlotWriteAllProps, Id, Id, PropList*>;
    Methods.GetIntProp = &OutFake<SlotGetIntProp, int32_t, Id, Id, Key>;
    Methods.SetIntProp = &StatusFake<SlotSetIntProp, Id, Id, Key, int32_t>;
    Methods.GetIdProp = &OutFake<SlotGetIdProp, Id, Id, Id, Key>;
    Methods.GetMetricProp = &OutFake<SlotGetMetricProp, MetricValue, Id, Id, Key>;
    Methods.SetMetricProp = &StatusFake<SlotSetMetricProp, Id, Id, Key, MetricValue>;
    Methods.GetTextLocProp = &OutFake<SlotGetTextLocProp, TextLoc, Id, Id, Key>;
    Methods.GetTextRangeProp = &OutFake<SlotGetTextRangeProp, TextRange, Id, Id, Key>;
    Methods.SetTextRangeProp = &StatusFake<SlotSetTextRangeProp, Id, Id, Key, TextRange*>;
    Methods.GetMetricListProp = &OutFake<SlotGetMetricListProp, MetricList, Id, Id, Key>;
    Methods.SetMetricListProp = &StatusFake<SlotSetMetricListProp, Id, Id, Key, MetricList*>;
    Methods.SelectTableCells = &StatusFake<SlotSelectTableCells, Id, Id, int32_t, int32_t, int32_t, int32_t>;
    Methods.DefineMenuCommand = &OutFake<SlotDefineMenuCommand, Id, int32_t, Id, Text, Text, Text>;
    g = Fake{};
    HostSession = &FakeSession;
    LastHostError = 0;
    HostKeepsResults = false;
    Freed.clear();
    FreeCount = 0;
    savedFree = HostBlockFree;
    HostBlockFree = CountingFree;
    LiveClientBlocks = 0;
    RefuseClientBlocks = false;
    ClientAllocator counted = {CountedAlloc, CountedAllocZeroed, CountedRealloc, CountedFree};
    savedHeap = SetClientAllocator(&counted);
  }
  void TearDown() override {
    HostSession = nullptr;
    HostKeepsResults = false;
    HostBlockFree = savedFree;
    SetClientAllocator(&savedHeap);
    EXPECT_EQ(LiveClientBlocks, 0) << "client copies left behind";
  }
  void (*savedFree)(void*) = nullptr;
  ClientAllocator savedHeap{};
};

using Args = std::vector<uintptr_t>;

// One row per host operation: the call, the slot it must reach and its inputs in the host's
// parameter order (a key as its number, with a null name; a range as begin << 16 | end).
TEST_F(Adapter, EveryOperationReachesItsSlotWithItsArgumentsInHostOrder) {
  const char* a = "a";
  const char* b = "b";
  const char* c = "c";
  int32_t reply = 0;
  PropList list{0, nullptr};
  TextRange range{{7, 1}, {7, 9}};
  MetricValue items[2] = {1, 2};
  MetricList metrics{2, items};
  const struct {
    int slot;
    std::function<void()> call;
    Args args;
  } rows[] = {
      {SlotRequestNotification, [] { RequestNotification(7, 1); }, {7, 1}},
      {SlotAddItemToMenu, [] { AddItemToMenu(11, 12); }, {11, 12}},
      {SlotDefineSubmenu, [&] { DefineSubmenu(13, a, b); }, {13, P(a), P(b)}},
      {SlotFindItemInMenu, [] { FindItemInMenu(14, 15, 0); }, {14, 15, 0}},
      {SlotShowAlert, [&] { ShowAlert(a, 3); }, {P(a), 3}},
      {SlotAskForInteger, [&] { AskForInteger(&reply, a, b); }, {P(a), P(b)}},
      {SlotPrintToConsole, [&] { PrintToConsole(c); }, {P(c)}},
      {SlotRefreshDocument, [] { RefreshDocument(16); }, {16}},
      {SlotDeleteObject, [] { DeleteObject(17, 18); }, {17, 18}},
      {SlotLookupNamedObject, [&] { LookupNamedObject(0, 55, a); }, {0, 55, P(a)}},
      {SlotCreateGraphic, [] { CreateGraphic(19, 12, 20); }, {19, 12, 20}},
      {SlotReadAllProps, [] { ReadAllProps(8, 9); }, {8, 9}},
      {SlotWriteAllProps, [&] { WriteAllProps(21, 22, &list); }, {21, 22, P(&list)}},
      {SlotGetIntProp, [] { GetIntProp(1, 2, 547); }, {1, 2, 547}},
      {SlotSetIntProp, [] { SetIntProp(1, 2, 92, -5); }, {1, 2, 92, uint32_t(-5)}},
      {SlotGetIdProp, [] { GetIdProp(0, 3, 128); }, {0, 3, 128}},
      {SlotGetMetricProp, [] { GetMetricProp(0, 4, 393); }, {0, 4, 393}},
      {SlotSetMetricProp, [] { SetMetricProp(5, 6, 781, 65536); }, {5, 6, 781, 65536}},
      {SlotGetTextLocProp, [] { GetTextLocProp(1, 2, 879); }, {1, 2, 879}},
      {SlotGetTextRangeProp, [] { GetTextRangeProp(3, 4, 109); }, {3, 4, 109}},
      {SlotSetTextRangeProp, [&] { SetTextRangeProp(1, 2, 109, &range); }, {1, 2, 109, 7 << 16 | 9}},
      {SlotGetMetricListProp, [] { GetMetricListProp(5, 6, 1300); }, {5, 6, 1300}},
      {SlotSetMetricListProp, [&] { SetMetricListProp(1, 2, 1300, &metrics); }, {1, 2, 1300, P(items) + 2}},
      {SlotSelectTableCells,
       [] { SelectTableCells(1, 2, int32_t(0x80000000), 0, 3, 4); },
       {1, 2, 0x80000000u, 0, 3, 4}},
      {SlotDefineMenuCommand, [&] { DefineMenuCommand(9, 23, a, b, c); }, {9, 23, P(a), P(b), P(c)}},
  };
  std::set<int> slots;
  for (const auto& r : rows) {
    g.lastSlot = -1;
    g.args.clear();
    int calls = g.calls;
    r.call();
    EXPECT_EQ(g.lastSlot, r.slot);
    EXPECT_EQ(g.args, r.args) << "slot " << r.slot;
    EXPECT_EQ(g.calls, calls + 1) << "slot " << r.slot;
    slots.insert(r.slot);
  }
  EXPECT_EQ(slots.size(), std::size(rows));  // every operation once
  EXPECT_TRUE(g.keyNameNull);
  EXPECT_EQ(LastHostError, 0);
}

TEST_F(Adapter, SuccessGivesTheHostsValues) {
  g.value = 0x0C000042;
  EXPECT_EQ(GetIdProp(0, 1, 128), 0x0C000042u);
  EXPECT_EQ(GetIntProp(0, 1, 547), 0x0C000042);
  EXPECT_EQ(GetMetricProp(0, 1, 783), 0x0C000042);
  EXPECT_EQ(DefineSubmenu(1, "T", "L"), 0x0C000042u);
  EXPECT_EQ(LookupNamedObject(0, 55, "!MakerMainMenu"), 0x0C000042u);
  EXPECT_EQ(ShowAlert("m", 2), 0x0C000042);
  g.value = 12;
  int32_t reply = -7;
  EXPECT_EQ(AskForInteger(&reply, "p", "3"), 0);
  EXPECT_EQ(reply, 12);
  EXPECT_EQ(AskForInteger(nullptr, "p", "3"), 0);  // the answer may be left unread
  EXPECT_EQ(RequestNotification(1, 1), 0);
  EXPECT_EQ(SetIntProp(0, 0, 92, 0), 0);
  g.range = TextRange{{5, 2}, {6, 3}};
  TextRange r = GetTextRangeProp(0, 1, 109);
  EXPECT_EQ(r.begin.object, 5u);
  EXPECT_EQ(r.end.offset, 3);
  EXPECT_EQ(GetTextLocProp(0, 1, 879).offset, 2);
  EXPECT_EQ(LastHostError, 0);
}

TEST_F(Adapter, NoSessionMeansNoCallAndEachKindsFailureValue) {
  HostSession = nullptr;
  EXPECT_EQ(GetIdProp(0, 1, 128), 0u);
  EXPECT_EQ(LastHostError, -1);
  LastHostError = 0;
  EXPECT_EQ(RequestNotification(1, 1), -1);
  EXPECT_EQ(LastHostError, -1);
  LastHostError = 0;
  EXPECT_EQ(SetIntProp(0, 0, 92, 1), -1);
  EXPECT_EQ(LastHostError, -1);
  EXPECT_EQ(ShowAlert("x", 3), 0);
  int32_t reply = 55;
  EXPECT_EQ(AskForInteger(&reply, "p", "1"), -1);
  EXPECT_EQ(reply, 55);
  PropList list = ReadAllProps(0, 1);
  EXPECT_EQ(list.count, 0u);
  EXPECT_EQ(list.vals, nullptr);
  TextRange r = GetTextRangeProp(0, 1, 109);
  EXPECT_EQ(r.begin.object | r.end.object | uint32_t(r.begin.offset | r.end.offset), 0u);
  MetricList m = GetMetricListProp(0, 1, 1);
  EXPECT_EQ(m.count, 0u);
  EXPECT_EQ(m.items, nullptr);
  SetMetricListProp(0, 1, 1, &m);
  EXPECT_EQ(PrintToConsole("t"), -1);
  EXPECT_EQ(g.calls, 0);
  EXPECT_EQ(LastHostError, -1);
}

TEST_F(Adapter, NullInputsAreRefusedBeforeAnyCall) {
  SetMetricListProp(0, 1, 1300, nullptr);
  EXPECT_EQ(LastHostError, -1);
  LastHostError = 0;
  EXPECT_EQ(SetTextRangeProp(0, 1, 109, nullptr), -1);
  EXPECT_EQ(LastHostError, -1);
  EXPECT_EQ(g.calls, 0);
}

// A host that answers success but leaves the status unwritten has not done the call: each
// kind gives its failure value. One that writes status 0 but not the output gives zeros.
TEST_F(Adapter, HostThatSucceedsWithoutWritingGetsTheFailureValues) {
  g.value = 77;
  g.range = TextRange{{1, 2}, {3, 4}};
  PropList list{0, nullptr};
  TextRange range{};
  MetricValue one = 1;
  MetricList metrics{1, &one};
  const std::pair<int64_t, std::function<int64_t()>> ops[] = {
      {-1, [] { return RequestNotification(1, 1); }},
      {-1, [] { return AddItemToMenu(1, 2); }},
      {-1, [] { return PrintToConsole("t"); }},
      {-1, [] { return RefreshDocument(1); }},
      {-1, [] { return DeleteObject(1, 2); }},
      {-1, [] { return SelectTableCells(1, 2, 0, 0, 0, 0); }},
      {-1, [&] { return WriteAllProps(1, 2, &list); }},
      {-1, [] { return SetIntProp(1, 2, 92, 0); }},
      {-1, [] { return SetMetricProp(1, 2, 781, 0); }},
      {-1, [&] { return SetTextRangeProp(1, 2, 109, &range); }},
      {-1, [&] { return (SetMetricListProp(1, 2, 1300, &metrics), LastHostError); }},
      {0, [] { return DefineSubmenu(1, "T", "L"); }},
      {0, [] { return FindItemInMenu(1, 2, 0); }},
      {0, [] { return LookupNamedObject(0, 55, "n"); }},
      {0, [] { return CreateGraphic(1, 12, 2); }},
      {0, [] { return DefineMenuCommand(1, 2, "T", "L", ""); }},
      {0, [] { return GetIntProp(1, 2, 547); }},
      {0, [] { return GetIdProp(1, 2, 128); }},
      {0, [] { return GetMetricProp(1, 2, 393); }},
      {0, [] { return GetTextLocProp(1, 2, 879).offset; }},
      {0, [] { return GetTextRangeProp(1, 2, 109).end.offset; }},
  };
  for (bool writesStatus : {false, true}) {
    g.writesStatus = writesStatus;
    g.writesOutput = false;
    for (size_t i = 0; i < sizeof ops / sizeof ops[0]; ++i) {
      LastHostError = 0;
      int64_t expected = writesStatus ? 0 : ops[i].first;
      EXPECT_EQ(ops[i].second(), expected) << "operation " << i << (writesStatus ? " with status 0" : "");
      EXPECT_EQ(LastHostError, writesStatus ? 0 : -1) << "operation " << i;
    }
  }
  int32_t reply = 41;
  g.writesStatus = false;
  EXPECT_EQ(AskForInteger(&reply, "p", "d"), -1);
  EXPECT_EQ(reply, 41);
  g.writesStatus = true;  // status 0, no answer written: the answer is 0
  EXPECT_EQ(AskForInteger(&reply, "p", "d"), 0);
  EXPECT_EQ(reply, 0);
  g.writesStatus = false;
  EXPECT_EQ(ReadAllProps(1, 2).vals, nullptr);
  EXPECT_EQ(GetMetricListProp(1, 2, 1300).items, nullptr);
}

TEST_F(Adapter, BusyHostIsRecordedAsMinus88AndSurvivesLaterSuccess) {
  g.hr = HrBusy;
  g.value = 99;
  EXPECT_EQ(SetMetricProp(0, 1, 781, 5), -88);  // setters give the recorded code
  EXPECT_EQ(LastHostError, -88);
  EXPECT_EQ(RequestNotification(1, 1), -1);  // status kind: -1 whatever the failure
  EXPECT_EQ(GetIdProp(0, 1, 128), 0u);
  EXPECT_EQ(ShowAlert("x", 3), 0);
  g.hr = HrOk;
  EXPECT_EQ(GetIdProp(0, 1, 128), 99u);
  EXPECT_EQ(LastHostError, -88);
  g.hr = HrFail;
  EXPECT_EQ(SetIntProp(0, 1, 92, 1), -1);
  EXPECT_EQ(LastHostError, -1);
}

TEST_F(Adapter, HostStatusIsRecordedAndTurnedIntoTheKindsValue) {
  g.status = 7;
  g.value = 1234;
  g.range = TextRange{{1, 2}, {3, 4}};
  EXPECT_EQ(GetIdProp(0, 1, 128), 0u);
  EXPECT_EQ(LastHostError, 7);
  EXPECT_EQ(RequestNotification(1, 1), 7);
  EXPECT_EQ(SetIntProp(0, 1, 92, 0), 7);
  EXPECT_EQ(DefineMenuCommand(1, 2, "T", "L", ""), 0u);
  TextLoc loc = GetTextLocProp(0, 1, 879);
  EXPECT_EQ(loc.object, 0u);
  EXPECT_EQ(loc.offset, 0);
  g.status = 9;
  SetMetricListProp(0, 1, 1300, nullptr);  // refused before any call
  MetricList none{0, nullptr};
  SetMetricListProp(0, 1, 1300, &none);
  EXPECT_EQ(LastHostError, 9);
  // A cancelled prompt is not an error: the status is not recorded.
  LastHostError = 0;
  g.status = 3;
  int32_t reply = 41;
  EXPECT_EQ(AskForInteger(&reply, "p", "d"), -1);
  EXPECT_EQ(reply, 41);
  EXPECT_EQ(LastHostError, 0);
  // No status at all for alerts.
  EXPECT_EQ(ShowAlert("m", 3), 1234);
  EXPECT_EQ(LastHostError, 0);
}

// A host list as the host would return it: one named text, one numbered text, one int array.
PropList HostPropList() {
  auto* vals = static_cast<PropVal*>(PlatformTaskAlloc(3 * sizeof(PropVal)));
  std::memset(vals, 0, 3 * sizeof(PropVal));
  auto text = [](const char* s) {
    char* t = static_cast<char*>(PlatformTaskAlloc(std::strlen(s) + 1));
    std::strcpy(t, s);
    return t;
  };
  vals[0].key = PropKey{0, text("Custom")};
  vals[0].value.type = VtText;
  vals[0].value.u.text = text("named");
  vals[1].key = PropKey{781, nullptr};
  vals[1].value.type = VtText;
  vals[1].value.u.text = text("x");
  vals[2].key = PropKey{1300, nullptr};
  vals[2].value.type = VtMetricList;
  vals[2].value.u.ints.count = 2;
  vals[2].value.u.ints.items = static_cast<int32_t*>(PlatformTaskAlloc(8));
  vals[2].value.u.ints.items[0] = 10;
  vals[2].value.u.ints.items[1] = 20;
  return PropList{3, vals};
}

TEST_F(Adapter, ReadAllPropsCopiesAndReleasesEveryHostBlockOnce) {
  g.hostList = HostPropList();
  PropList list = ReadAllProps(0, 1);
  ASSERT_EQ(list.count, 3u);
  EXPECT_NE(list.vals, g.hostList.vals);
  EXPECT_STREQ(list.vals[0].key.name, "Custom");
  EXPECT_STREQ(list.vals[0].value.u.text, "named");
  EXPECT_STREQ(list.vals[1].value.u.text, "x");
  EXPECT_EQ(list.vals[2].value.u.ints.items[1], 20);
  EXPECT_EQ(FreeCount, 5);  // key name, two texts, the int array, the element array
  EXPECT_TRUE(Freed.count(g.hostList.vals));
  PropListFree(&list);
}

TEST_F(Adapter, ReadAllPropsWithHostStatusGivesEmptyListAndStillReleases) {
  g.hostList = HostPropList();
  g.status = 4;
  PropList list = ReadAllProps(0, 1);
  EXPECT_EQ(list.count, 0u);
  EXPECT_EQ(list.vals, nullptr);
  EXPECT_EQ(LastHostError, 4);
  EXPECT_EQ(FreeCount, 5);
}

TEST_F(Adapter, HostThatKeepsResultsNeverGetsABlockBack) {
  HostKeepsResults = true;
  g.hostList = HostPropList();
  MetricValue hostItems[3] = {1, -2, 3};
  g.hostMetrics = MetricList{3, hostItems};
  PropList list = ReadAllProps(0, 1);
  EXPECT_EQ(list.count, 3u);
  MetricList m = GetMetricListProp(0, 1, 1300);
  ASSERT_EQ(m.count, 3u);
  EXPECT_NE(m.items, hostItems);
  EXPECT_EQ(m.items[1], -2);
  g.status = 2;
  EXPECT_EQ(ReadAllProps(0, 1).vals, nullptr);
  EXPECT_EQ(FreeCount, 0);
  PropListFree(&list);
  MetricListFree(&m);
  HostBlockFree = PlatformTaskFree;
  PropListRelease(&g.hostList, PlatformTaskFree);
}

TEST_F(Adapter, GetMetricListPropCopiesFlatAndReleasesTheHostArray) {
  auto* items = static_cast<MetricValue*>(PlatformTaskAlloc(2 * sizeof(MetricValue)));
  items[0] = 65536;
  items[1] = -1;
  g.hostMetrics = MetricList{2, items};
  MetricList m = GetMetricListProp(0, 1, 1300);
  ASSERT_EQ(m.count, 2u);
  EXPECT_NE(m.items, items);
  EXPECT_EQ(m.items[0], 65536);
  EXPECT_EQ(m.items[1], -1);
  EXPECT_EQ(FreeCount, 1);
  EXPECT_TRUE(Freed.count(items));
  MetricListFree(&m);
  Freed.clear();  // the allocator may hand out the same address again

  // A nonzero status: the host array is still released, the caller gets {0, null}.
  items = static_cast<MetricValue*>(PlatformTaskAlloc(sizeof(MetricValue)));
  g.hostMetrics = MetricList{1, items};
  g.status = 5;
  m = GetMetricListProp(0, 1, 1300);
  EXPECT_EQ(m.count, 0u);
  EXPECT_EQ(m.items, nullptr);
  EXPECT_EQ(FreeCount, 2);

  // No memory for the copy: {0, null}, and the host array is still released.
  Freed.clear();
  items = static_cast<MetricValue*>(PlatformTaskAlloc(sizeof(MetricValue)));
  g.hostMetrics = MetricList{1, items};
  g.status = 0;
  RefuseClientBlocks = true;
  m = GetMetricListProp(0, 1, 1300);
  RefuseClientBlocks = false;
  EXPECT_EQ(m.count, 0u);
  EXPECT_EQ(m.items, nullptr);
  EXPECT_EQ(FreeCount, 3);

  // Nothing there, or a count without items: {0, null}, nothing released.
  g.status = 0;
  for (uint32_t count : {0u, 2u}) {
    g.hostMetrics = MetricList{count, nullptr};
    m = GetMetricListProp(0, 1, 1300);
    EXPECT_EQ(m.count, 0u);
    EXPECT_EQ(m.items, nullptr);
  }
  EXPECT_EQ(FreeCount, 3);
}

TEST_F(Adapter, FailedCallNeitherCopiesNorReleases) {
  g.hostList = HostPropList();
  g.hr = HrFail;
  PropList list = ReadAllProps(0, 1);
  EXPECT_EQ(list.vals, nullptr);
  EXPECT_EQ(FreeCount, 0);
  EXPECT_EQ(LastHostError, -1);
  g.hostMetrics = MetricList{3, nullptr};  // the host's answer of a failed call is not read
  MetricList m = GetMetricListProp(0, 1, 1300);
  EXPECT_EQ(m.count, 0u);
  EXPECT_EQ(m.items, nullptr);
  HostBlockFree = PlatformTaskFree;
  PropListRelease(&g.hostList, PlatformTaskFree);
  EXPECT_EQ(g.hostList.count, 0u);
  EXPECT_EQ(g.hostList.vals, nullptr);
}

// Read before any test runs: the module is loaded with no error recorded.
const int32_t LastHostErrorAtLoad = LastHostError;

TEST(RecordHostFailure, OnlyNegativeResultsAreRecorded) {
  EXPECT_EQ(LastHostErrorAtLoad, 0);
  LastHostError = 3;
  EXPECT_EQ(RecordHostFailure(HrOk), 0);
  EXPECT_EQ(RecordHostFailure(HrFalse), 0);
  EXPECT_EQ(LastHostError, 3);
  EXPECT_EQ(RecordHostFailure(HrBusy), -88);
  EXPECT_EQ(RecordHostFailure(HrNoInterface), -1);
  EXPECT_EQ(LastHostError, -1);
  LastHostError = 0;
}

}  // namespace
