// The user's selection actions on the reference host: graphics selected, added, cleared, cells
// and text selected, each wrapped in the notifications FrameMaker sends around a selection.
#include <algorithm>
#include <chrono>
#include <ctime>
#include <thread>
#include <unordered_set>

#include "host/binding/host.h"
#include "host/binding/host_impl.h"

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace zvhost {

namespace {

// The operating system's millisecond tick, the clock the module stamps selections with.
uint32_t SystemTick() {
#if defined(_WIN32)
  return GetTickCount();
#else
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u +
                               static_cast<uint64_t>(now.tv_nsec) / 1000000u);
#endif
}

// The module's selection history stamps each newly selected graphic with the tick of the
// selection action. A graphic newly selected in this action must not share its stamp with one
// stamped by an earlier action that is still selected, or the order between them would be lost:
// in that case only, wait until the tick has moved on (at most selectionStepMs). Under the
// virtual clock every reading is a new tick: no wait.
template <typename Fn>
void AroundSelection(Host& host, HostImpl& h, ObjectId doc, const std::vector<ObjectId>& after, Fn change) {
  // The selection before the change, read in place: nothing reads it once change() has run.
  static const std::vector<ObjectId> none;
  const DocState* state = h.model.Doc(doc);
  const std::vector<ObjectId>& selected = state ? state->selection : none;
  std::vector<ObjectId> newly;
  // A small selection is searched as it is; a large one through a set.
  const bool large = selected.size() > 32;
  std::unordered_set<ObjectId> index;
  if (large) index.insert(selected.begin(), selected.end());
  auto wasSelected = [&](ObjectId g) {
    return large ? index.count(g) != 0 : std::find(selected.begin(), selected.end(), g) != selected.end();
  };
  for (ObjectId g : after)
    if (!wasSelected(g) && IsGraphicType(TypeOf(g))) newly.push_back(g);
  if (h.options.selectionStepMs > 0 && h.clockSlot == nullptr && !newly.empty()) {
    std::unordered_set<ObjectId> fresh(h.freshGraphics.begin(), h.freshGraphics.end());
    bool tie = false;
    for (ObjectId g : after)
      if (wasSelected(g) && fresh.count(g) != 0) tie = true;
    auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(h.options.selectionStepMs);
    while (tie && SystemTick() == h.freshTick && std::chrono::steady_clock::now() < limit)
      std::this_thread::sleep_for(std::chrono::microseconds(100));
  }
  if (NotificationOn(h, note::BeforeFunction)) host.Notify(note::BeforeFunction, doc, "", note::SelectionFunction);
  change();
  if (NotificationOn(h, note::AfterFunction)) host.Notify(note::AfterFunction, doc, "", note::SelectionFunction);
  uint32_t now = SystemTick();
  if (now != h.freshTick) h.freshGraphics.clear();
  h.freshTick = now;
  h.freshGraphics.insert(h.freshGraphics.end(), newly.begin(), newly.end());
}

}  // namespace

void Host::SelectGraphics(ObjectId doc, const std::vector<ObjectId>& graphics) {
  Model& m = impl_->model;
  AroundSelection(*this, *impl_, doc, graphics, [&] {
    m.ClearGraphicSelection(doc);
    m.SetTextSelection(doc, {});
    m.ClearCellSelection(doc);
    for (ObjectId g : graphics) m.SetSelected(g, true);
  });
}

void Host::SelectInOrder(ObjectId doc, const std::vector<ObjectId>& graphics) {
  for (size_t i = 0; i < graphics.size(); ++i) {
    if (i == 0) {
      SelectGraphics(doc, {graphics[0]});
      continue;
    }
    AddToSelection(doc, graphics[i]);
  }
}

void Host::AddToSelection(ObjectId doc, ObjectId graphic) {
  const DocState* state = impl_->model.Doc(doc);
  std::vector<ObjectId> after;
  after.reserve((state ? state->selection.size() : 0) + 1);
  if (state) after = state->selection;
  after.push_back(graphic);
  AroundSelection(*this, *impl_, doc, after, [&] { impl_->model.SetSelected(graphic, true); });
}

void Host::ClearSelection(ObjectId doc) {
  Model& m = impl_->model;
  AroundSelection(*this, *impl_, doc, {}, [&] {
    m.ClearGraphicSelection(doc);
    m.SetTextSelection(doc, {});
    m.ClearCellSelection(doc);
  });
}

bool Host::SelectCells(ObjectId doc, ObjectId table, int32_t top, int32_t bottom, int32_t left, int32_t right) {
  Model& m = impl_->model;
  int32_t st = status::Ok;
  AroundSelection(*this, *impl_, doc, {}, [&] {
    m.ClearGraphicSelection(doc);
    m.SetTextSelection(doc, {});
    st = m.SelectTableCells(doc, table, top, bottom, left, right);
  });
  return st == status::Ok;
}

bool Host::SelectTable(ObjectId doc, ObjectId table) {
  return SelectCells(doc, table, WholeTable, 0, 0, 0);
}

void Host::PlaceCursor(ObjectId doc, ObjectId paragraph, int32_t offset) {
  Model& m = impl_->model;
  AroundSelection(*this, *impl_, doc, {}, [&] {
    m.ClearGraphicSelection(doc);
    m.SetTextSelection(doc, {{paragraph, offset}, {paragraph, offset}});
  });
}

}  // namespace zvhost
