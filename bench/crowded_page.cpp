// Steps on a crowded frame, as a scenario costs them: for each, the change record opened, the
// step done through the real module, the record closed and its changes listed. The argument is
// the number of graphics in the frame: the cost of a step should hardly grow with it.
// NavigateCrowdedFrame: "Select Next Object Above", then "Below" (the selection stays near the
// bottom). PasteAndUndoCrowdedFrame: select a graphic, "Paste Graphic Size", select another,
// "Undo Operation".
#include <benchmark/benchmark.h>

#include <cstdint>

#include "host/binding/host.h"
#include "tests/support/commands.h"

namespace {

template <typename Fn>
void Step(zvhost::Host& host, Fn step) {
  zvhost::Model& m = host.model();
  zvhost::Snapshot before, after;
  m.BeginChanges();
  step();
  m.EndChanges(&before, &after);
  benchmark::DoNotOptimize(zvhost::Diff(before, after));
}
void Choose(zvhost::Host& host, int32_t command) {
  Step(host, [&] { host.ChooseCommand(command); });
}

// A started host with a document whose one frame holds `count` graphics; the bottom two.
struct CrowdedPage {
  zvhost::Host host;
  zvhost::ObjectId doc = 0, bottom = 0, second = 0;
  explicit CrowdedPage(benchmark::State& state);
};

CrowdedPage::CrowdedPage(benchmark::State& state) {
  if (!host.Start()) {
    state.SkipWithError(host.LastError().c_str());
    return;
  }
  host.log().enabled = false;
  zvhost::Model& m = host.model();
  doc = m.NewDocument("crowded");
  m.SetActiveDocument(doc);
  zvhost::ObjectId frame = m.AddFrame(doc, {0, 0, 16000, 16000});
  for (int64_t i = 0; i < state.range(0); ++i) {
    zvhost::ObjectId g =
        m.AddRectangle(frame, {static_cast<double>(i % 100) * 150, static_cast<double>(i / 100) * 50, 100, 40});
    if (!bottom)
      bottom = g;
    else if (!second)
      second = g;
  }
}

void BM_NavigateCrowdedFrame(benchmark::State& state) {
  CrowdedPage page(state);
  page.host.SelectGraphics(page.doc, {page.bottom});
  for (auto _ : state) {
    Choose(page.host, Cmd::SelectNextObjectAbove);
    Choose(page.host, Cmd::SelectNextObjectBelow);
  }
  state.SetItemsProcessed(state.iterations() * 2);
}

void BM_PasteAndUndoCrowdedFrame(benchmark::State& state) {
  CrowdedPage page(state);
  zvhost::Host& host = page.host;
  for (auto _ : state) {
    Step(host, [&] { host.SelectGraphics(page.doc, {page.bottom}); });
    Choose(host, Cmd::PasteGraphicSize);
    Step(host, [&] { host.SelectGraphics(page.doc, {page.second}); });
    Choose(host, Cmd::UndoOperation);
  }
  state.SetItemsProcessed(state.iterations() * 4);
}

BENCHMARK(BM_NavigateCrowdedFrame)->Arg(300)->Arg(3000)->Arg(30000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PasteAndUndoCrowdedFrame)->Arg(300)->Arg(3000)->Arg(30000)->Unit(benchmark::kMicrosecond);

}  // namespace
