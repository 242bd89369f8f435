// The session's operations, called by slot from an in-process client: answers from the model,
// returned lists, dialogs, faults, the log and the user's actions.
#include <gtest/gtest.h>

#include <cstring>

#include "fake_client.h"
#include "host/binding/high_memory.h"
#include "host/binding/host_impl.h"

using namespace zvhost;

namespace {

using GetIdFn = HResult(ZVH_CALL*)(void*, ObjectId, ObjectId, zv::PropKey*, int32_t*, ObjectId*);
using GetIntFn = HResult(ZVH_CALL*)(void*, ObjectId, ObjectId, zv::PropKey*, int32_t*, int32_t*);
using GetMetricFn = HResult(ZVH_CALL*)(void*, ObjectId, ObjectId, zv::PropKey*, int32_t*, Metric*);
using SetMetricFn = HResult(ZVH_CALL*)(void*, ObjectId, ObjectId, zv::PropKey*, Metric, int32_t*);
using ReadAllFn = HResult(ZVH_CALL*)(void*, ObjectId, ObjectId, int32_t*, zv::PropList*);
using WriteAllFn = HResult(ZVH_CALL*)(void*, ObjectId, ObjectId, zv::PropList*, int32_t*);
using GetListFn = HResult(ZVH_CALL*)(void*, ObjectId, ObjectId, zv::PropKey*, int32_t*, zv::MetricList*);
using SetListFn = HResult(ZVH_CALL*)(void*, ObjectId, ObjectId, zv::PropKey*, zv::MetricList*, int32_t*);
using AskFn = HResult(ZVH_CALL*)(void*, int32_t*, int32_t*, const char*, const char*);
using AlertFn = HResult(ZVH_CALL*)(void*, const char*, int32_t, int32_t*);
using NotifyFn = HResult(ZVH_CALL*)(void*, int32_t, int32_t, int32_t*);
using LookupFn = HResult(ZVH_CALL*)(void*, ObjectId, int32_t, const char*, int32_t*, ObjectId*);
using FindItemFn = HResult(ZVH_CALL*)(void*, ObjectId, ObjectId, int32_t, int32_t*, ObjectId*);
using DefineCommandFn = HResult(ZVH_CALL*)(void*, int32_t, ObjectId, const char*, const char*, const char*, int32_t*,
                                           ObjectId*);
using SetIntFn = HResult(ZVH_CALL*)(void*, ObjectId, ObjectId, zv::PropKey*, int32_t, int32_t*);
using UnknownFn = HResult(ZVH_CALL*)(void*);

void (*gFree)(void*) = &TaskFree;

// Releases a list the host returned, every owned part first, as a client must.
void ReleaseHostList(zv::PropList* list) {
  for (uint32_t i = 0; i < list->count; ++i) {
    zv::PropVal& v = list->vals[i];
    if (v.key.number == 0) gFree(v.key.name);
    zv::ValueUnion& u = v.value.u;
    auto freeTexts = [](zv::TextList& l) {
      for (uint32_t k = 0; k < l.count; ++k) gFree(l.texts[k]);
      gFree(l.texts);
    };
    switch (v.value.type) {
      case vt::Text:
        gFree(u.text);
        break;
      case vt::MetricList:
      case vt::Points:
      case vt::IntPairs:
      case vt::IntList:
      case vt::Bytes:
      case vt::IdList:
        gFree(u.ints.items);
        break;
      case vt::TextList:
        freeTexts(u.texts);
        break;
      case vt::Tabs:
        for (uint32_t k = 0; k < u.tabs.count; ++k) gFree(u.tabs.items[k].leader);
        gFree(u.tabs.items);
        break;
      case vt::Elements:
        for (uint32_t k = 0; k < u.elements.count; ++k) {
          zv::ElementEntry& e = u.elements.items[k];
          gFree(e.name);
          gFree(e.firstText);
          gFree(e.secondText);
          freeTexts(e.firstList);
          freeTexts(e.secondList);
        }
        gFree(u.elements.items);
        break;
      case 18:
        for (uint32_t k = 0; k < u.attributes.count; ++k) {
          gFree(u.attributes.items[k].name);
          freeTexts(u.attributes.items[k].values);
        }
        gFree(u.attributes.items);
        break;
      case vt::Block24:
        gFree(u.block24);
        break;
    }
  }
  gFree(list->vals);
  *list = {0, nullptr};
}

const zv::PropVal* Find(const zv::PropList& l, int32_t number) {
  for (uint32_t i = 0; i < l.count; ++i)
    if (l.vals[i].key.number == number) return &l.vals[i];
  return nullptr;
}

struct Bound : ::testing::Test {
  Host host{fake::Options()};
  Model& m = host.model();
  ObjectId doc = m.NewDocument("doc");
  ObjectId frame = m.AddFrame(doc, {36, 36, 400, 300});
  ObjectId a = m.AddRectangle(frame, {10, 20, 100, 50});
  ObjectId b = m.AddTextFrame(frame, {200, 20, 80, 40});
  void* s = nullptr;
  void SetUp() override {
    ASSERT_TRUE(host.Start());
    s = fake::current->Session();
  }
  zv::PropKey Key(int32_t n) { return {n, nullptr}; }
};

TEST_F(Bound, TypedReadsAnswerFromTheModelWithStatusesForAbsentThings) {
  int32_t st = -1;
  ObjectId id = 99;
  zv::PropKey k = Key(prop::ActiveDocument);
  EXPECT_EQ(fake::Slot<GetIdFn>(slot::GetIdProp)(s, 0, 0, &k, &st, &id), hr::Ok);
  EXPECT_EQ(st, 0);
  EXPECT_EQ(id, doc);
  Metric v = -1;
  k = Key(prop::PosY);
  fake::Slot<GetMetricFn>(slot::GetMetricProp)(s, doc, a, &k, &st, &v);
  EXPECT_EQ(v, Pt(20));
  // Wrong document argument, absent object, wrong kind, name key: a status and a zero value.
  fake::Slot<GetMetricFn>(slot::GetMetricProp)(s, 0, a, &k, &st, &v);
  EXPECT_EQ(st, status::BadDocument);
  EXPECT_EQ(v, 0);
  v = -1;
  fake::Slot<GetMetricFn>(slot::GetMetricProp)(s, doc, a + 1000, &k, &st, &v);
  EXPECT_EQ(st, status::BadObject);
  EXPECT_EQ(v, 0);
  k = Key(prop::ContainingFrame);
  fake::Slot<GetMetricFn>(slot::GetMetricProp)(s, doc, a, &k, &st, &v);
  EXPECT_EQ(st, status::WrongKind);
  char name[] = "Something";
  zv::PropKey named = {0, name};
  fake::Slot<GetIdFn>(slot::GetIdProp)(s, doc, a, &named, &st, &id);
  EXPECT_EQ(st, status::BadProperty);
  // Previous row and first row are read as integers.
  ObjectId para = m.AddParagraph(b, "anchor");
  ObjectId t = m.AddTable(para, {});
  int32_t n = 0;
  k = Key(prop::TblFirstRow);
  fake::Slot<GetIntFn>(slot::GetIntProp)(s, doc, t, &k, &st, &n);
  EXPECT_EQ(static_cast<ObjectId>(n), m.Row(t, 0));
  EXPECT_TRUE(host.Problems().empty());
}

TEST_F(Bound, WritesChangeTheModelAndTheLogShowsThemInPoints) {
  Mark mark = host.log().MarkNow();
  int32_t st = -1;
  zv::PropKey k = Key(prop::PosX);
  fake::Slot<SetMetricFn>(slot::SetMetricProp)(s, doc, a, &k, Pt(12.5), &st);
  EXPECT_EQ(st, 0);
  EXPECT_EQ(m.ReadMetric(a, prop::PosX), Pt(12.5));
  k = Key(prop::ScreenUpdates);
  fake::Slot<SetIntFn>(slot::SetIntProp)(s, 0, 0, &k, 0, &st);
  k = Key(prop::Height);
  fake::Slot<GetMetricFn>(slot::GetMetricProp)(s, doc, a, &k, &st, nullptr);
  auto writes = host.log().WritesSince(mark);
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0].op, "SetMetricProp");
  EXPECT_EQ(writes[0].slot, 92);
  EXPECT_EQ(writes[0].args, "doc=" + FormatId(doc) + " obj=" + FormatId(a) + " key=PosX value=12.5pt");
  EXPECT_EQ(host.ScreenUpdateChanges(), 1);
  EXPECT_EQ(m.screenUpdates, 0);
  EXPECT_EQ(host.log().OpsSince(mark), (std::vector<std::string>{"SetMetricProp", "SetIntProp", "GetMetricProp"}));
  auto last = host.log().Named("GetMetricProp", mark);
  ASSERT_EQ(last.size(), 1u);
  EXPECT_EQ(last[0].hresult, hr::Pointer) << "a null output pointer is refused";
  ASSERT_EQ(host.Problems().size(), 1u);
  EXPECT_NE(host.log().Text(mark).find("SetMetricProp[92](doc="), std::string::npos) << host.log().Text(mark);
}

// Texts in the log are quoted, escaped and cut after 200 characters, alone or inside the
// arguments of a call (a named key) and of an event (a notification's text).
TEST_F(Bound, TextsInTheLogAreQuotedEscapedAndCut) {
  const std::string longText(300, 'x'), cut = '"' + std::string(199, 'x') + '"';
  const struct {
    const char* text;
    std::string quoted;
  } rows[] = {{nullptr, "null"},
              {"", "\"\""},
              {"a\"b\\c\nd\x01\xE9", "\"a\\\"b\\\\c\\nd\\x01\\xE9\""},
              {longText.c_str(), cut}};
  for (const auto& row : rows) {
    EXPECT_EQ(TextArg(row.text), row.quoted);
    Mark mark = host.log().MarkNow();
    zv::PropKey named{0, const_cast<char*>(row.text)};
    int32_t st = -1, value = 0;
    fake::Slot<GetIntFn>(slot::GetIntProp)(s, doc, a, &named, &st, &value);
    host.Notify(note::AfterFunction, doc, row.text, 7);
    auto calls = host.log().Since(mark);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].args, "doc=" + FormatId(doc) + " obj=" + FormatId(a) + " key=" + row.quoted);
    EXPECT_NE(calls[1].args.find(" text=" + row.quoted + " value=7"), std::string::npos) << calls[1].args;
  }
}

TEST_F(Bound, ReadAllPropsReturnsAFullListWithEveryOwnedValueType) {
  int32_t st = -1;
  zv::PropList list{0, nullptr};
  ASSERT_EQ(fake::Slot<ReadAllFn>(slot::ReadAllProps)(s, doc, a, &st, &list), hr::Ok);
  EXPECT_EQ(st, 0);
  EXPECT_EQ(list.count, 200u);
  const zv::PropVal* x = Find(list, prop::PosX);
  ASSERT_NE(x, nullptr);
  EXPECT_EQ(x->value.type, vt::Metric);
  EXPECT_EQ(x->value.u.number, Pt(10));
  EXPECT_EQ(x->key.name, nullptr);
  const zv::PropVal* frameProp = Find(list, prop::ContainingFrame);
  ASSERT_NE(frameProp, nullptr);
  EXPECT_EQ(frameProp->value.type, vt::Id);
  EXPECT_EQ(frameProp->value.u.id, frame);
  std::set<int32_t> types;
  bool named = false;
  for (uint32_t i = 0; i < list.count; ++i) {
    types.insert(list.vals[i].value.type);
    if (list.vals[i].key.number == 0) named = list.vals[i].key.name && std::strlen(list.vals[i].key.name) > 0;
  }
  for (int t : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 13, 14, 15, 17, 18, 19}) EXPECT_TRUE(types.count(t)) << t;
  EXPECT_TRUE(named);
  EXPECT_EQ(host.Lists().returned, 1u);
  EXPECT_EQ(host.Lists().outstanding, 1u);
  ReleaseHostList(&list);

  // An absent object: a status and the empty list.
  fake::Slot<ReadAllFn>(slot::ReadAllProps)(s, doc, a + 1000, &st, &list);
  EXPECT_EQ(st, status::BadObject);
  EXPECT_EQ(list.count, 0u);
  EXPECT_EQ(list.vals, nullptr);
}

TEST_F(Bound, WriteAllPropsAppliesWhatItKnowsAndIgnoresTheRest) {
  int32_t st = -1;
  zv::PropList list{0, nullptr};
  m.SetSelected(b, true);
  fake::Slot<ReadAllFn>(slot::ReadAllProps)(s, doc, b, &st, &list);
  Snapshot before = m.TakeSnapshot();
  ASSERT_EQ(fake::Slot<WriteAllFn>(slot::WriteAllProps)(s, doc, a, &list, &st), hr::Ok);
  EXPECT_EQ(st, 0);
  EXPECT_EQ(m.GeometryOf(a).x, 200);
  EXPECT_EQ(m.GeometryOf(a).w, 80);
  EXPECT_EQ(m.Read(a, prop::SelectedFlag).word, 1);
  EXPECT_EQ(m.Read(a, prop::GraphicAbove).word, static_cast<int32_t>(b)) << "the stacking order is not written";
  auto log = host.log().Named("WriteAllProps");
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].result, "4 applied") << "PosX, Width, Height and the selected flag";
  ReleaseHostList(&list);
  fake::Slot<WriteAllFn>(slot::WriteAllProps)(s, doc, a, nullptr, &st);
  EXPECT_EQ(st, status::BadValue);
}

// A host that lies about a property still writes it: the write is compared with what the
// object holds, not with the lie (an undo through such a host once left the old position).
TEST_F(Bound, WriteAllPropsWritesWhatALieSaysIsThereAlready) {
  int32_t st = -1;
  zv::PropList list{0, nullptr};
  fake::Slot<ReadAllFn>(slot::ReadAllProps)(s, doc, b, &st, &list);
  m.ForceAnswer(a, prop::PosX, m.Read(b, prop::PosX));
  ASSERT_EQ(fake::Slot<WriteAllFn>(slot::WriteAllProps)(s, doc, a, &list, &st), hr::Ok);
  m.ClearForcedAnswers();
  EXPECT_EQ(st, 0);
  EXPECT_EQ(m.GeometryOf(a).x, 200);
  ReleaseHostList(&list);
}

TEST_F(Bound, KeptListsAreFreedByTheHostAfterTheEvent) {
  host.Stop();
  HostOptions o = fake::Options();
  o.keepsResults = true;
  Host keeper(o);
  ObjectId d = keeper.model().NewDocument();
  ObjectId f = keeper.model().AddFrame(d, {0, 0, 10, 10});
  ObjectId p = keeper.model().AddParagraph(keeper.model().AddTextFrame(f, {0, 0, 5, 5}));
  ObjectId t = keeper.model().AddTable(p, {});
  ASSERT_TRUE(keeper.Start());
  uint32_t seen = 0;
  int reads = 1;
  fake::current->onCommand = [&](int32_t) {
    void* session = fake::current->Session();
    int32_t st = -1;
    for (int i = 0; i < reads; ++i) {
      zv::PropList list{0, nullptr};
      fake::Slot<ReadAllFn>(slot::ReadAllProps)(session, d, f, &st, &list);
    }
    zv::MetricList widths{0, nullptr};
    zv::PropKey k{prop::TblColWidths, nullptr};
    fake::Slot<GetListFn>(slot::GetMetricListProp)(session, d, t, &k, &st, &widths);
    seen = widths.count;
    widths.items[0] = Pt(1);
    fake::Slot<SetListFn>(slot::SetMetricListProp)(session, d, t, &k, &widths, &st);
  };
  keeper.Command(3);
  EXPECT_EQ(seen, 2u);
  EXPECT_EQ(keeper.model().Read(t, prop::TblColWidths).list, (std::vector<Metric>{Pt(1), Pt(100)}));
  ListCounters c = keeper.Lists();
  EXPECT_EQ(c.returned, 2u);
  EXPECT_EQ(c.freedByHost, 2u);
  EXPECT_EQ(c.outstanding, 0u);
  // A burst of thousands of blocks in one event, then one list again: all are freed each time.
  for (int burst : {40, 1}) {
    reads = burst;
    keeper.Command(3);
    c = keeper.Lists();
    EXPECT_EQ(c.freedByHost, c.returned) << burst;
    EXPECT_EQ(c.outstanding, 0u) << burst;
  }
  EXPECT_EQ(c.returned, 2u + 41u + 2u);
}

TEST_F(Bound, PromptsTakeQueuedAnswersAndCancelWhenNoneIsLeft) {
  host.AnswerNextPrompt(3);
  host.CancelNextPrompt();
  int32_t st = -1, reply = -5;
  auto ask = fake::Slot<AskFn>(slot::AskForInteger);
  ask(s, &st, &reply, "Height Factor? (x * Grid Spacing)", "2");
  EXPECT_EQ(st, 0);
  EXPECT_EQ(reply, 3);
  reply = -5;
  ask(s, &st, &reply, "again", "");
  EXPECT_EQ(st, status::Cancelled);
  EXPECT_EQ(reply, -5) << "a cancelled prompt leaves the reply alone";
  ask(s, &st, &reply, "third", "7");
  EXPECT_EQ(st, status::Cancelled);
  ASSERT_EQ(host.Prompts().size(), 3u);
  EXPECT_EQ(host.Prompts()[0].prompt, "Height Factor? (x * Grid Spacing)");
  EXPECT_EQ(host.Prompts()[0].defaultText, "2");
  EXPECT_TRUE(host.Prompts()[0].answered);
  EXPECT_FALSE(host.Prompts()[2].answered);

  int32_t answer = -1;
  host.options().alertAnswer = 1;
  fake::Slot<AlertFn>(slot::ShowAlert)(s, "First select an object. Then try again.", 3, &answer);
  EXPECT_EQ(answer, 1);
  ASSERT_EQ(host.Alerts().size(), 1u);
  EXPECT_EQ(host.Alerts()[0].text, "First select an object. Then try again.");
  EXPECT_EQ(host.Alerts()[0].kind, 3);
}

TEST_F(Bound, FaultsHitTheNthCallOneOperationOrEveryCall) {
  auto get = fake::Slot<GetIdFn>(slot::GetIdProp);
  zv::PropKey k = Key(prop::ActiveDocument);
  int32_t st = -1;
  ObjectId id = 0;
  Mark mark = host.log().MarkNow();
  host.faults().FailNth(2, Fault::Busy(), mark.ops);
  EXPECT_EQ(get(s, 0, 0, &k, &st, &id), hr::Ok);
  st = -1;
  id = 77;
  EXPECT_EQ(get(s, 0, 0, &k, &st, &id), hr::Busy);
  EXPECT_EQ(st, -1) << "a failed call writes nothing";
  EXPECT_EQ(id, 77u);
  EXPECT_EQ(get(s, 0, 0, &k, &st, &id), hr::Ok) << "only the second call";
  EXPECT_TRUE(host.log().Since(mark)[1].faulted);

  host.faults().FailOperation("GetIdProp", Fault::Status(7), 1);
  EXPECT_EQ(get(s, 0, 0, &k, &st, &id), hr::Ok);
  EXPECT_EQ(st, 7);
  EXPECT_EQ(id, 0u) << "a refused read answers 0";
  get(s, 0, 0, &k, &st, &id);
  EXPECT_EQ(st, 0);

  host.faults().FailAll(Fault::Failed());
  int32_t answer = 5;
  EXPECT_EQ(fake::Slot<AlertFn>(slot::ShowAlert)(s, "x", 3, &answer), hr::Fail);
  EXPECT_TRUE(host.Alerts().empty()) << "a failed call shows nothing";
  zv::PropKey px = Key(prop::PosX);
  EXPECT_EQ(fake::Slot<SetMetricFn>(slot::SetMetricProp)(s, doc, a, &px, 0, &st), hr::Fail);
  EXPECT_EQ(m.ReadMetric(a, prop::PosX), Pt(10));
  host.faults().Clear();
  EXPECT_EQ(get(s, 0, 0, &k, &st, &id), hr::Ok);

  // A status on ReadAllProps still hands the list over, so the client's release runs.
  host.faults().FailOperation("ReadAllProps", Fault::Status(7));
  zv::PropList list{0, nullptr};
  fake::Slot<ReadAllFn>(slot::ReadAllProps)(s, doc, a, &st, &list);
  EXPECT_EQ(st, 7);
  EXPECT_EQ(list.count, 200u);
  ReleaseHostList(&list);
}

TEST_F(Bound, UnknownSlotsAreRecordedAndFail) {
  Mark mark = host.log().MarkNow();
  EXPECT_EQ(fake::Slot<UnknownFn>(50)(s), hr::NotImplemented);
  auto r = host.log().Since(mark);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].op, "Slot50");
  EXPECT_EQ(host.log().SessionOps(), mark.ops + 1);
  ASSERT_EQ(host.Problems().size(), 1u);
}

TEST_F(Bound, MenusLookupsAndNotificationRequestsBySlot) {
  int32_t st = -1;
  ObjectId id = 0;
  auto lookup = fake::Slot<LookupFn>(slot::LookupNamedObject);
  lookup(s, 0, obj::Menu, "!MakerMainMenu", &st, &id);
  EXPECT_EQ(id, m.MainMenu());
  lookup(s, 0, obj::Command, "SEARCH_BOOK_DocMenu", &st, &id);
  EXPECT_EQ(id, 0u);
  EXPECT_EQ(st, status::NotFound);
  ObjectId cmd = 0;
  fake::Slot<DefineCommandFn>(slot::DefineMenuCommand)(s, 2, m.MainMenu(), "PASTE_GRAPHIC_POS_DocMenu",
                                                       "Paste Graphic Pos", "\\!pgp", &st, &cmd);
  EXPECT_EQ(TypeOf(cmd), obj::Command);
  fake::Slot<FindItemFn>(slot::FindItemInMenu)(s, m.MainMenu(), cmd, 0, &st, &id);
  EXPECT_EQ(id, cmd);
  fake::Slot<FindItemFn>(slot::FindItemInMenu)(s, m.MainMenu(), m.MainMenu(), 0, &st, &id);
  EXPECT_EQ(id, 0u);

  auto request = fake::Slot<NotifyFn>(slot::RequestNotification);
  for (int code : {44, 45, 11, 40}) request(s, code, 1, &st);
  EXPECT_EQ(host.RequestedNotifications(), (std::vector<int32_t>{44, 45, 11, 40}));

  // The user's actions now reach the client as notifications and commands.
  fake::current->events.clear();
  host.SelectInOrder(doc, {b, a});
  EXPECT_EQ(m.SelectedGraphics(doc), (std::vector<ObjectId>{b, a}));
  std::string d = FormatId(doc);
  EXPECT_EQ(fake::current->events, (std::vector<std::string>{"Notify 44 " + d + "  62", "Notify 45 " + d + "  62",
                                                             "Notify 44 " + d + "  62", "Notify 45 " + d + "  62"}));
  fake::current->events.clear();
  EXPECT_TRUE(host.ChooseMenu("Paste Graphic Pos"));
  EXPECT_TRUE(host.ChooseShortcut("\\!pgp"));
  EXPECT_FALSE(host.ChooseShortcut("\\!zzz").found);
  request(s, 45, 0, &st);
  host.ClearSelection(doc);
  EXPECT_TRUE(host.CloseDocument(doc));
  EXPECT_FALSE(host.CloseDocument(doc));
  EXPECT_EQ(fake::current->events,
            (std::vector<std::string>{"Command 2", "Command 2", "Notify 44 " + d + "  62", "Notify 11 " + d + " doc 0",
                                      "Notify 40 " + d + " doc 0"}));
}

TEST_F(Bound, EnforcedEnableConditionsKeepCommandsFromTheClient) {
  int32_t st = -1;
  ObjectId cmd = 0;
  fake::Slot<DefineCommandFn>(slot::DefineMenuCommand)(s, 1, m.MainMenu(), "COPY", "Copy", "\\!cgs", &st, &cmd);
  zv::PropKey k = Key(prop::EnableCondition);
  fake::Slot<SetIntFn>(slot::SetIntProp)(s, 0, cmd, &k, enable::ObjectCommands, &st);
  host.options().enforceEnableConditions = true;
  ChooseResult r = host.ChooseCommand(1);
  EXPECT_TRUE(r.found);
  EXPECT_FALSE(r.enabled);
  EXPECT_FALSE(r.delivered);
  host.SelectGraphics(doc, {a});
  EXPECT_TRUE(host.ChooseCommand(1));
  EXPECT_EQ(fake::current->events.back(), "Command 1");
}

}  // namespace

namespace {

HostImpl* gImpl = nullptr;
void WatchedFree(void* p) {
  if (p) gImpl->OnClientFree(p);
  TaskFree(p);
}

TEST_F(Bound, ReleaseTrackingTellsReleasedListsFromLeakedOnes) {
  // The host watches the client's task-free function; here the test plays that watch.
  HostImpl& impl = host.impl();
  impl.hookInstalled = true;
  gImpl = &impl;
  gFree = &WatchedFree;
  int32_t st = -1;
  zv::PropList released{0, nullptr}, leaked{0, nullptr};
  fake::Slot<ReadAllFn>(slot::ReadAllProps)(s, doc, a, &st, &released);
  fake::Slot<ReadAllFn>(slot::ReadAllProps)(s, 0, doc, &st, &leaked);
  EXPECT_EQ(leaked.count, 48u) << "documents have fewer properties than graphics";
  ReleaseHostList(&released);
  EXPECT_EQ(host.Lists().releasedByClient, 1u);
  EXPECT_EQ(host.Lists().outstanding, 1u);
  host.Stop();
  EXPECT_EQ(host.Lists().leaked, 1u);
  EXPECT_EQ(host.Problems().size(), 1u);
  // What the client never gave back is the test's to free.
  gFree = &TaskFree;
  ReleaseHostList(&leaked);
  impl.hookInstalled = false;
}

}  // namespace

namespace {

TEST_F(Bound, WithTheLogOffCallsAreStillCountedAndFaultsStillHit) {
  host.log().enabled = false;
  size_t records = host.log().Records().size();
  Mark mark = host.log().MarkNow();
  host.faults().FailNth(2, Fault::Busy(), mark.ops);
  zv::PropKey k{prop::ActiveDocument, nullptr};
  int32_t st = -1;
  ObjectId id = 0;
  auto get = fake::Slot<GetIdFn>(slot::GetIdProp);
  EXPECT_EQ(get(s, 0, 0, &k, &st, &id), hr::Ok);
  EXPECT_EQ(get(s, 0, 0, &k, &st, &id), hr::Busy);
  EXPECT_EQ(host.log().SessionOps(), mark.ops + 2);
  EXPECT_EQ(host.log().Records().size(), records);
  EXPECT_EQ(get(s, 0, 0, nullptr, &st, &id), hr::Pointer);
  EXPECT_EQ(host.Problems().size(), 1u) << "problems are kept with the log off";
}

// On Win64 whatever the host hands the client lies above 4 GiB: its interfaces, the lists it
// returns with their texts, the texts of its events. A pointer the client cuts to 32 bits then
// points at nothing. (Linux puts its heap there by itself; Win32 has no such addresses.)
TEST_F(Bound, WhatTheClientIsHandedLiesAbove4GiBOnWin64) {
#if !defined(_WIN64)
  GTEST_SKIP() << "Win64 only";
#else
  auto high = [](const void* p) { return (reinterpret_cast<uintptr_t>(p) >> 32) != 0; };
  HostImpl& impl = host.impl();
  impl.hookInstalled = true;  // as when the client's frees come to the host's watch
  EXPECT_TRUE(high(s)) << s;
  int32_t st = -1;
  zv::PropList list{0, nullptr};
  fake::Slot<ReadAllFn>(slot::ReadAllProps)(s, doc, b, &st, &list);
  ASSERT_GT(list.count, 0u);
  EXPECT_TRUE(high(list.vals)) << list.vals;
  int texts = 0;
  for (uint32_t i = 0; i < list.count; ++i) {
    const char* text = list.vals[i].value.type == vt::Text ? list.vals[i].value.u.text : nullptr;
    if (!text) continue;
    EXPECT_TRUE(high(text)) << "text " << texts;
    ++texts;
  }
  EXPECT_GT(texts, 0);
  ReleaseHostList(&list);
  impl.hookInstalled = false;
  HighText text("closing");
  EXPECT_TRUE(high(text.get()));
  EXPECT_STREQ(text.get(), "closing");
#endif
}

}  // namespace
