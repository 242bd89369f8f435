// Each command on the typical page, through the reference host and the real module; the page
// is restored between runs with the clock stopped, so every run does the whole command.
// Counters: host_calls, the session operations the command made; expected_calls, the number
// its steps fix (tests/support/commands.h, which says why); extra_calls, the difference,
// which must be 0. Time: against the floor of a Command event that the module ignores (number
// 0), the round trip every command pays; shown for information, the host's answers included.
// The host's call log is off while timing, so only the host's counters run.
#include <algorithm>
#include <cstdint>
#include <memory>

#include "bench/bench_goal.h"
#include "host/binding/host.h"
#include "tests/support/pages.h"

namespace {

struct Page {
  std::unique_ptr<zvhost::Host> host;
  zvpages::TypicalPage page;
};

Page& TheHostWithPage() {
  static Page p;
  if (!p.host) {
    p.host = std::make_unique<zvhost::Host>();
    p.host->Start();
    p.host->log().enabled = false;
    p.page = zvpages::BuildTypicalPage(p.host->model());
  }
  return p;
}

void BM_Command(benchmark::State& state) {
  Page& p = TheHostWithPage();
  const zvspec::CommandSpec& c = zvspec::SpecOf(static_cast<int32_t>(state.range(0)));
  zvhost::CallLog& log = p.host->log();
  zvpages::Prepare(*p.host, p.page, c);
  uint64_t most = 0, fewest = UINT64_MAX;
  for (auto _ : state) {
    uint64_t before = log.SessionOps();
    p.host->Command(c.number);
    uint64_t calls = log.SessionOps() - before;
    most = std::max(most, calls);
    fewest = std::min(fewest, calls);
    if (c.restore != zvspec::Restore::None) {
      state.PauseTiming();
      zvpages::Restore(*p.host, p.page, c);
      state.ResumeTiming();
    }
  }
  const double expected = static_cast<double>(zvspec::Expand(c.steps).size());
  // When runs differ, the count that strays from the steps is the one shown.
  const double made = static_cast<double>(most) != expected ? static_cast<double>(most) : static_cast<double>(fewest);
  state.counters["host_calls"] = made;
  state.counters["expected_calls"] = expected;
  state.counters["extra_calls"] = made - expected;
  state.SetLabel(c.why);
}

void BM_Command_Floor(benchmark::State& state) {
  Page& p = TheHostWithPage();
  const zvspec::CommandSpec& c = zvspec::SpecOf(static_cast<int32_t>(state.range(0)));
  for (auto _ : state) {
    p.host->Command(0);
    if (c.restore != zvspec::Restore::None) {
      state.PauseTiming();
      state.ResumeTiming();
    }
  }
}

BENCHMARK(BM_Command)->DenseRange(Cmd::First, Cmd::Last);
BENCHMARK(BM_Command_Floor)->DenseRange(Cmd::First, Cmd::Last);

}  // namespace
