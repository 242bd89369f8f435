// The selection history's refresh (notification 44 with a function code that changes the
// selection, then 45) with 10, 1,000 and 100,000 selected graphics.
//
// HistoryRefresh: the module's own cost. The module code is linked in and bound to an
// in-process session whose GetIdProp answers the selection walk from a precomputed array, so
// the time is the adapter, the tick count and the ordered maps. Each pass starts from an empty
// history (the document's history is dropped by notifications 11 and 40 afterwards), so every
// selected graphic is inserted. Floor: the same keys, in the same order, inserted into a bare
// std::map and the map destroyed (goal: within 1.5 times).
// HistoryRefreshAgain: a refresh that finds the same selection (every record already there),
// against finding the same keys in a std::map (shown for information).
// HistoryRefreshHost: the same refresh through the reference host and the real module: host
// events and the host's answers included (for information; the reference host keeps the
// selection in a list that it searches, so 100,000 graphics are left out there).
#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "bench/bench_goal.h"
#include "host/binding/host.h"
#include "hostapi/host_call.h"
#include "hostapi/host_constants.h"
#include "platform/platform.h"
#include "tools/tools.h"

namespace {

using zv::ObjectId;

constexpr ObjectId FirstGraphic = 0x0C000001;  // rectangles, numbered from 1
constexpr ObjectId Doc = 0x05000001;
constexpr int32_t SelectionFunction = 0x3E;

struct Stamp {  // what the history keeps per graphic
  double selectedSince;
  int32_t generation;
};

// The selection, in the host's order (not the ids' order): a fixed shuffle.
struct Selection {
  std::vector<ObjectId> order;
  std::vector<ObjectId> next;  // next[id - FirstGraphic]: the graphic after id, 0 at the end
};
Selection Current;

void MakeSelection(size_t n) {
  Current.order.resize(n);
  for (size_t i = 0; i < n; ++i) Current.order[i] = FirstGraphic + static_cast<ObjectId>(i);
  uint32_t seed = 12345;
  for (size_t i = n; i > 1; --i) {  // Fisher-Yates with a fixed linear congruential generator
    seed = seed * 1664525u + 1013904223u;
    std::swap(Current.order[i - 1], Current.order[seed % i]);
  }
  Current.next.assign(n, 0);
  for (size_t i = 0; i + 1 < n; ++i) Current.next[Current.order[i] - FirstGraphic] = Current.order[i + 1];
}

ObjectId First() {
  return Current.order.empty() ? 0 : Current.order[0];
}
ObjectId Next(ObjectId g) {
  return Current.next[g - FirstGraphic];
}

// The in-process session: only GetIdProp is ever called by a refresh.
zv::HResult ZV_CALL FakeGetIdProp(void*, ObjectId, ObjectId object, zv::PropKey* key, int32_t* status,
                                  ObjectId* value) {
  *status = 0;
  *value = key->number == zv::PropFirstSelectedGraphic ? First() : Next(object);
  return zv::HrOk;
}
ZvHostSessionMethods Methods{};  // null everywhere else: no other method is called
ZvHostSession FakeSession{&Methods};

void BindFakeSession() {
  Methods.GetIdProp = &FakeGetIdProp;
  zv::HostSession = &FakeSession;
}

void Refresh() {
  zv::ToolsNotify(zv::NoteBeforeFunction, Doc, nullptr, SelectionFunction);
  zv::ToolsNotify(zv::NoteAfterFunction, Doc, nullptr, 0);
}
void Forget() {
  zv::ToolsNotify(zv::NoteDocClosing, Doc, nullptr, 0);
  zv::ToolsNotify(zv::NoteDocClosed, Doc, nullptr, 0);
}

void BM_HistoryRefresh(benchmark::State& state) {
  MakeSelection(static_cast<size_t>(state.range(0)));
  BindFakeSession();
  for (auto _ : state) {
    Refresh();
    Forget();
  }
  zv::HostSession = nullptr;
  state.SetItemsProcessed(state.iterations() * state.range(0));
  zvbench::Goal(state, 1.5);
}
void BM_HistoryRefresh_Floor(benchmark::State& state) {
  MakeSelection(static_cast<size_t>(state.range(0)));
  int32_t generation = 0;
  for (auto _ : state) {
    std::map<ObjectId, Stamp> stamps;
    double now = static_cast<double>(zv::PlatformTickCount());
    ++generation;
    for (ObjectId g = First(); g != 0; g = Next(g)) stamps[g] = Stamp{now, generation};
    benchmark::DoNotOptimize(stamps);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_HistoryRefreshAgain(benchmark::State& state) {
  MakeSelection(static_cast<size_t>(state.range(0)));
  BindFakeSession();
  Refresh();
  for (auto _ : state) Refresh();
  Forget();
  zv::HostSession = nullptr;
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
void BM_HistoryRefreshAgain_Floor(benchmark::State& state) {
  MakeSelection(static_cast<size_t>(state.range(0)));
  std::map<ObjectId, Stamp> stamps;
  for (ObjectId g = First(); g != 0; g = Next(g)) stamps[g] = Stamp{1.0, 1};
  for (auto _ : state) {
    for (ObjectId g = First(); g != 0; g = Next(g)) benchmark::DoNotOptimize(stamps.find(g)->second.generation = 2);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Through the reference host: the real module, loaded once, with a page holding the graphics.
struct HostPage {
  std::unique_ptr<zvhost::Host> host;
  zvhost::ObjectId doc = 0;
};
HostPage& PageWith(size_t n) {
  static HostPage page;
  static size_t built = SIZE_MAX;
  if (built != n) {
    page.host.reset();
    page.host = std::make_unique<zvhost::Host>();
    page.host->Start();
    page.host->log().enabled = false;  // the log would grow with every call
    zvhost::Model& m = page.host->model();
    page.doc = m.NewDocument("many");
    m.SetActiveDocument(page.doc);
    zvhost::ObjectId frame = m.AddFrame(page.doc, {0, 0, 500, 500});
    for (size_t i = 0; i < n; ++i) m.SetSelected(m.AddRectangle(frame, {1, 1, 1, 1}), true);
    built = n;
  }
  return page;
}

void BM_HistoryRefreshHost(benchmark::State& state) {
  HostPage& p = PageWith(static_cast<size_t>(state.range(0)));
  zvhost::Host& host = *p.host;
  for (auto _ : state) {
    host.Notify(zv::NoteBeforeFunction, p.doc, "", SelectionFunction);
    host.Notify(zv::NoteAfterFunction, p.doc, "", 0);
    host.Notify(zv::NoteDocClosing, p.doc, "", 0);
    host.Notify(zv::NoteDocClosed, p.doc, "", 0);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
void BM_HistoryRefreshHost_Floor(benchmark::State& state) {
  BM_HistoryRefresh_Floor(state);
}

BENCHMARK(BM_HistoryRefresh)->Arg(10)->Arg(1000)->Arg(100000);
BENCHMARK(BM_HistoryRefresh_Floor)->Arg(10)->Arg(1000)->Arg(100000);
BENCHMARK(BM_HistoryRefreshAgain)->Arg(10)->Arg(1000)->Arg(100000);
BENCHMARK(BM_HistoryRefreshAgain_Floor)->Arg(10)->Arg(1000)->Arg(100000);
BENCHMARK(BM_HistoryRefreshHost)->Arg(10)->Arg(1000);
BENCHMARK(BM_HistoryRefreshHost_Floor)->Arg(10)->Arg(1000);

}  // namespace
