// Each of the nineteen commands on the typical page, through the reference host and the real
// module. Counters: host_calls, the session operations the command made; expected_calls, the
// number its steps fix (bench/command_steps.h, which says why); extra_calls, the difference,
// which must be 0. Time: against the floor of a Command event that the module ignores (number
// 0), the round trip every command pays; shown for information, the host's answers included.
// The host's call log is off while timing, so only the host's counters run.
#include <algorithm>
#include <cstdint>
#include <memory>

#include "bench/bench_goal.h"
#include "bench/command_steps.h"
#include "host/binding/host.h"
#include "tests/command_numbers.h"

namespace {

struct Page {
  std::unique_ptr<zvhost::Host> host;
  zvsteps::TypicalPage page;
};

Page& TheHostWithPage() {
  static Page p;
  if (!p.host) {
    p.host = std::make_unique<zvhost::Host>();
    p.host->Start();
    p.host->log().enabled = false;
    p.page = zvsteps::BuildTypicalPage(p.host->model());
  }
  return p;
}

const zvsteps::CommandSteps* StepsOf(int32_t number) {
  for (const auto& c : zvsteps::TypicalSteps())
    if (c.number == number) return &c;
  return nullptr;
}

// Commands that move the selection or add to the page get the page back before each run, with
// the clock stopped (the floor pays the same pauses).
bool NeedsRestore(int32_t number) {
  return number == Cmd::AddFrameToGraphic || number == Cmd::SelectParentObject ||
         number == Cmd::SelectNextObjectAbove || number == Cmd::SelectNextObjectBelow;
}

void Restore(Page& p, int32_t number) {
  if (number == Cmd::AddFrameToGraphic) p.host->Command(Cmd::UndoOperation);  // delete the added rectangle
  zvsteps::Prepare(*p.host, p.page, number);
}

void BM_Command(benchmark::State& state) {
  Page& p = TheHostWithPage();
  const int32_t number = static_cast<int32_t>(state.range(0));
  const zvsteps::CommandSteps* steps = StepsOf(number);
  zvhost::CallLog& log = p.host->log();
  zvsteps::Prepare(*p.host, p.page, number);
  uint64_t most = 0, fewest = UINT64_MAX;
  for (auto _ : state) {
    if (number == Cmd::ResizeGraphicToGridHeight) p.host->AnswerNextPrompt(3);
    uint64_t before = log.SessionOps();
    p.host->Command(number);
    uint64_t calls = log.SessionOps() - before;
    most = std::max(most, calls);
    fewest = std::min(fewest, calls);
    if (NeedsRestore(number)) {
      state.PauseTiming();
      Restore(p, number);
      state.ResumeTiming();
    }
  }
  const double expected = steps ? static_cast<double>(zvsteps::Expand(steps->steps).size()) : -1;
  // When runs differ, the count that strays from the steps is the one shown.
  const double made = static_cast<double>(most) != expected ? static_cast<double>(most) : static_cast<double>(fewest);
  state.counters["host_calls"] = made;
  state.counters["expected_calls"] = expected;
  state.counters["extra_calls"] = made - expected;
  state.SetLabel(steps ? steps->why : "");
}

void BM_Command_Floor(benchmark::State& state) {
  Page& p = TheHostWithPage();
  const int32_t number = static_cast<int32_t>(state.range(0));
  for (auto _ : state) {
    p.host->Command(0);
    if (NeedsRestore(number)) {
      state.PauseTiming();
      state.ResumeTiming();
    }
  }
}

BENCHMARK(BM_Command)->DenseRange(Cmd::First, Cmd::Last);
BENCHMARK(BM_Command_Floor)->DenseRange(Cmd::First, Cmd::Last);

}  // namespace
