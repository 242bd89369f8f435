// The host operations against an in-test session: slots, parameter order, the fallbacks of
// every result kind, the last error, and the release of returned host blocks.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

#include "hostapi/host_call.h"
#include "hostapi/host_ops.h"
#include "hostapi/prop_list.h"
#include "platform/platform.h"

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
uintptr_t K(const PropKey* key) {
  g.keyNameNull = key->name == nullptr;
  return static_cast<uint32_t>(key->number);
}

HResult ZV_CALL RequestNotificationFake(void*, int32_t code, int32_t state, int32_t* status) {
  Saw(SlotRequestNotification, {uint32_t(code), uint32_t(state)});
  *status = g.status;
  return g.hr;
}
HResult ZV_CALL AddItemToMenuFake(void*, ObjectId menu, ObjectId item, int32_t* status) {
  Saw(SlotAddItemToMenu, {menu, item});
  *status = g.status;
  return g.hr;
}
HResult ZV_CALL DefineSubmenuFake(void*, ObjectId parent, const char* tag, const char* label, int32_t* status,
                                  ObjectId* id) {
  Saw(SlotDefineSubmenu, {parent, P(tag), P(label)});
  *status = g.status;
  *id = g.value;
  return g.hr;
}
HResult ZV_CALL FindItemInMenuFake(void*, ObjectId menu, ObjectId item, int32_t flags, int32_t* status, ObjectId* id) {
  Saw(SlotFindItemInMenu, {menu, item, uint32_t(flags)});
  *status = g.status;
  *id = g.value;
  return g.hr;
}
HResult ZV_CALL ShowAlertFake(void*, const char* message, int32_t kind, int32_t* answer) {
  Saw(SlotShowAlert, {P(message), uint32_t(kind)});
  *answer = int32_t(g.value);
  return g.hr;
}
HResult ZV_CALL AskForIntegerFake(void*, int32_t* status, int32_t* reply, const char* prompt, const char* def) {
  Saw(SlotAskForInteger, {P(prompt), P(def)});
  *status = g.status;
  *reply = int32_t(g.value);
  return g.hr;
}
HResult ZV_CALL PrintToConsoleFake(void*, const char* text, int32_t* status) {
  Saw(SlotPrintToConsole, {P(text)});
  *status = g.status;
  return g.hr;
}
HResult ZV_CALL RefreshDocumentFake(void*, ObjectId doc, int32_t* status) {
  Saw(SlotRefreshDocument, {doc});
  *status = g.status;
  return g.hr;
}
HResult ZV_CALL DeleteObjectFake(void*, ObjectId doc, ObjectId object, int32_t* status) {
  Saw(SlotDeleteObject, {doc, object});
  *status = g.status;
  return g.hr;
}
HResult ZV_CALL LookupNamedObjectFake(void*, ObjectId doc, int32_t type, const char* name, int32_t* status,
                                      ObjectId* id) {
  Saw(SlotLookupNamedObject, {doc, uint32_t(type), P(name)});
  *status = g.status;
  *id = g.value;
  return g.hr;
}
HResult ZV_CALL CreateGraphicFake(void*, ObjectId doc, int32_t type, ObjectId parent, int32_t* status, ObjectId* id) {
  Saw(SlotCreateGraphic, {doc, uint32_t(type), parent});
  *status = g.status;
  *id = g.value;
  return g.hr;
}
HResult ZV_CALL ReadAllPropsFake(void*, ObjectId doc, ObjectId object, int32_t* status, PropList* out) {
  Saw(SlotReadAllProps, {doc, object});
  *status = g.status;
  *out = g.hostList;
  return g.hr;
}
HResult ZV_CALL WriteAllPropsFake(void*, ObjectId doc, ObjectId object, PropList* list, int32_t* status) {
  Saw(SlotWriteAllProps, {doc, object, P(list)});
  *status = g.status;
  return g.hr;
}
template <typename T>
HResult ZV_CALL GetFake(void*, ObjectId doc, ObjectId object, PropKey* key, int32_t* status, T* value) {
  Saw(-2, {doc, object, K(key)});
  *status = g.status;
  std::memcpy(value, &g.value, sizeof(uint32_t) < sizeof(T) ? sizeof(uint32_t) : sizeof(T));
  return g.hr;
}
HResult ZV_CALL GetTextLocPropFake(void*, ObjectId doc, ObjectId object, PropKey* key, int32_t* status,
                                   TextLoc* value) {
  Saw(SlotGetTextLocProp, {doc, object, K(key)});
  *status = g.status;
  *value = g.range.begin;
  return g.hr;
}
HResult ZV_CALL GetTextRangePropFake(void*, ObjectId doc, ObjectId object, PropKey* key, int32_t* status,
                                     TextRange* value) {
  Saw(SlotGetTextRangeProp, {doc, object, K(key)});
  *status = g.status;
  *value = g.range;
  return g.hr;
}
HResult ZV_CALL SetIntPropFake(void*, ObjectId doc, ObjectId object, PropKey* key, int32_t value, int32_t* status) {
  Saw(SlotSetIntProp, {doc, object, K(key), uint32_t(value)});
  *status = g.status;
  return g.hr;
}
HResult ZV_CALL SetMetricPropFake(void*, ObjectId doc, ObjectId object, PropKey* key, MetricValue value,
                                  int32_t* status) {
  Saw(SlotSetMetricProp, {doc, object, K(key), uint32_t(value)});
  *status = g.status;
  return g.hr;
}
HResult ZV_CALL SetTextRangePropFake(void*, ObjectId doc, ObjectId object, PropKey* key, TextRange* value,
                                     int32_t* status) {
  Saw(SlotSetTextRangeProp, {doc, object, K(key), value->begin.object, uint32_t(value->end.offset)});
  *status = g.status;
  return g.hr;
}
HResult ZV_CALL GetMetricListPropFake(void*, ObjectId doc, ObjectId object, PropKey* key, int32_t* status,
                                      MetricList* value) {
  Saw(SlotGetMetricListProp, {doc, object, K(key)});
  *status = g.status;
  *value = g.hostMetrics;
  return g.hr;
}
HResult ZV_CALL SetMetricListPropFake(void*, ObjectId doc, ObjectId object, PropKey* key, MetricList* value,
                                      int32_t* status) {
  Saw(SlotSetMetricListProp, {doc, object, K(key), value->count, P(value->items)});
  *status = g.status;
  return g.hr;
}
HResult ZV_CALL SelectTableCellsFake(void*, ObjectId doc, ObjectId table, int32_t top, int32_t bottom, int32_t left,
                                     int32_t right, int32_t* status) {
  Saw(SlotSelectTableCells, {doc, table, uint32_t(top), uint32_t(bottom), uint32_t(left), uint32_t(right)});
  *status = g.status;
  return g.hr;
}
HResult ZV_CALL DefineMenuCommandFake(void*, int32_t number, ObjectId menu, const char* tag, const char* label,
                                      const char* shortcut, int32_t* status, ObjectId* id) {
  Saw(SlotDefineMenuCommand, {uint32_t(number), menu, P(tag), P(label), P(shortcut)});
  *status = g.status;
  *id = g.value;
  return g.hr;
}
// Any slot that nothing should call.
HResult ZV_CALL Unexpected(void*) {
  ADD_FAILURE() << "a slot without an operation was called";
  return HrFail;
}

struct Session {
  void* const* vtbl;
};
void* Table[HostSessionSlotCount];
Session FakeSession{Table};

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
    for (auto& slot : Table) slot = reinterpret_cast<void*>(&Unexpected);
    auto set = [](int slot, auto f) { Table[slot] = reinterpret_cast<void*>(f); };
    set(SlotRequestNotification, &RequestNotificationFake);
    set(SlotAddItemToMenu, &AddItemToMenuFake);
    set(SlotDefineSubmenu, &DefineSubmenuFake);
    set(SlotFindItemInMenu, &FindItemInMenuFake);
    set(SlotShowAlert, &ShowAlertFake);
    set(SlotAskForInteger, &AskForIntegerFake);
    set(SlotPrintToConsole, &PrintToConsoleFake);
    set(SlotRefreshDocument, &RefreshDocumentFake);
    set(SlotDeleteObject, &DeleteObjectFake);
    set(SlotLookupNamedObject, &LookupNamedObjectFake);
    set(SlotCreateGraphic, &CreateGraphicFake);
    set(SlotReadAllProps, &ReadAllPropsFake);
    set(SlotWriteAllProps, &WriteAllPropsFake);
    set(SlotGetIntProp, &GetFake<int32_t>);
    set(SlotSetIntProp, &SetIntPropFake);
    set(SlotGetIdProp, &GetFake<ObjectId>);
    set(SlotGetMetricProp, &GetFake<MetricValue>);
    set(SlotSetMetricProp, &SetMetricPropFake);
    set(SlotGetTextLocProp, &GetTextLocPropFake);
    set(SlotGetTextRangeProp, &GetTextRangePropFake);
    set(SlotSetTextRangeProp, &SetTextRangePropFake);
    set(SlotGetMetricListProp, &GetMetricListPropFake);
    set(SlotSetMetricListProp, &SetMetricListPropFake);
    set(SlotSelectTableCells, &SelectTableCellsFake);
    set(SlotDefineMenuCommand, &DefineMenuCommandFake);
    g = Fake{};
    HostSession = &FakeSession;
    LastHostError = 0;
    HostKeepsResults = false;
    Freed.clear();
    FreeCount = 0;
    savedFree = HostBlockFree;
    HostBlockFree = CountingFree;
  }
  void TearDown() override {
    HostSession = nullptr;
    HostKeepsResults = false;
    HostBlockFree = savedFree;
  }
  void (*savedFree)(void*) = nullptr;
};

using Args = std::vector<uintptr_t>;

TEST_F(Adapter, EveryOperationReachesItsSlotWithItsArgumentsInHostOrder) {
  const char* a = "a";
  const char* b = "b";
  const char* c = "c";
  RequestNotification(7, 1);
  EXPECT_EQ(g.lastSlot, SlotRequestNotification);
  EXPECT_EQ(g.args, (Args{7, 1}));
  AddItemToMenu(11, 12);
  EXPECT_EQ(g.args, (Args{11, 12}));
  DefineSubmenu(13, a, b);
  EXPECT_EQ(g.args, (Args{13, P(a), P(b)}));
  FindItemInMenu(14, 15, 0);
  EXPECT_EQ(g.args, (Args{14, 15, 0}));
  ShowAlert(a, 3);
  EXPECT_EQ(g.args, (Args{P(a), 3}));
  int32_t reply = 0;
  AskForInteger(&reply, a, b);
  EXPECT_EQ(g.args, (Args{P(a), P(b)}));
  PrintToConsole(c);
  EXPECT_EQ(g.args, (Args{P(c)}));
  RefreshDocument(16);
  EXPECT_EQ(g.args, (Args{16}));
  DeleteObject(17, 18);
  EXPECT_EQ(g.args, (Args{17, 18}));
  LookupNamedObject(0, 55, a);
  EXPECT_EQ(g.args, (Args{0, 55, P(a)}));
  CreateGraphic(19, 12, 20);
  EXPECT_EQ(g.args, (Args{19, 12, 20}));
  PropList list{0, nullptr};
  WriteAllProps(21, 22, &list);
  EXPECT_EQ(g.args, (Args{21, 22, P(&list)}));
  SelectTableCells(1, 2, int32_t(0x80000000), 0, 3, 4);
  EXPECT_EQ(g.args, (Args{1, 2, 0x80000000u, 0, 3, 4}));
  DefineMenuCommand(9, 23, a, b, c);
  EXPECT_EQ(g.args, (Args{9, 23, P(a), P(b), P(c)}));
  EXPECT_EQ(g.lastSlot, SlotDefineMenuCommand);

  // Typed property operations: the key is {number, null}.
  GetIntProp(1, 2, 547);
  EXPECT_EQ(g.args, (Args{1, 2, 547}));
  SetIntProp(1, 2, 92, -5);
  EXPECT_EQ(g.args, (Args{1, 2, 92, uint32_t(-5)}));
  GetIdProp(0, 3, 128);
  EXPECT_EQ(g.args, (Args{0, 3, 128}));
  GetMetricProp(0, 4, 393);
  EXPECT_EQ(g.args, (Args{0, 4, 393}));
  SetMetricProp(5, 6, 781, 65536);
  EXPECT_EQ(g.args, (Args{5, 6, 781, 65536}));
  GetTextLocProp(1, 2, 879);
  EXPECT_EQ(g.lastSlot, SlotGetTextLocProp);
  GetTextRangeProp(1, 2, 109);
  EXPECT_EQ(g.lastSlot, SlotGetTextRangeProp);
  TextRange range{{7, 1}, {7, 9}};
  SetTextRangeProp(1, 2, 109, &range);
  EXPECT_EQ(g.args, (Args{1, 2, 109, 7, 9}));
  MetricValue items[2] = {1, 2};
  MetricList metrics{2, items};
  SetMetricListProp(1, 2, 1300, &metrics);
  EXPECT_EQ(g.args, (Args{1, 2, 1300, 2, P(items)}));
  GetMetricListProp(1, 2, 1300);
  EXPECT_EQ(g.lastSlot, SlotGetMetricListProp);
  ReadAllProps(8, 9);
  EXPECT_EQ(g.args, (Args{8, 9}));
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
  EXPECT_EQ(m.items, nullptr);
  SetMetricListProp(0, 1, 1, &m);
  EXPECT_EQ(PrintToConsole("t"), -1);
  EXPECT_EQ(g.calls, 0);
  EXPECT_EQ(LastHostError, -1);
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
  vals[0].value.type = 3;
  vals[0].value.u.text = text("named");
  vals[1].key = PropKey{781, nullptr};
  vals[1].value.type = 3;
  vals[1].value.u.text = text("x");
  vals[2].key = PropKey{1300, nullptr};
  vals[2].value.type = 5;
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

  // Nothing there: {0, null}, nothing released.
  g.status = 0;
  g.hostMetrics = MetricList{0, nullptr};
  m = GetMetricListProp(0, 1, 1300);
  EXPECT_EQ(m.items, nullptr);
  EXPECT_EQ(FreeCount, 2);
}

TEST_F(Adapter, FailedCallNeitherCopiesNorReleases) {
  g.hostList = HostPropList();
  g.hr = HrFail;
  PropList list = ReadAllProps(0, 1);
  EXPECT_EQ(list.vals, nullptr);
  EXPECT_EQ(FreeCount, 0);
  EXPECT_EQ(LastHostError, -1);
  HostBlockFree = PlatformTaskFree;
  PropListRelease(&g.hostList, PlatformTaskFree);
  EXPECT_EQ(g.hostList.count, 0u);
  EXPECT_EQ(g.hostList.vals, nullptr);
}

TEST(RecordHostFailure, OnlyNegativeResultsAreRecorded) {
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
