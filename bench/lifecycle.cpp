// Start-up and teardown through the reference host and the real module.
// StartUp: F_ApiClientInit and Initialize(1) (binding, banner, menus, commands,
// notifications), after the module file is loaded; floor: loading the module file alone
// (what every client costs the host before its entry point runs).
// Teardown: the host's release of the event object (the module gives back its interfaces);
// floor: stopping a host whose client was never bound.
// Counters: host_calls, the calls the module made into the host (every interface), counted
// in one run with the call log on; the steps fix those of binding and of Initialize(1)
// (tests/support/commands.h), and 6 for teardown.
// ClientHeapAfterTeardown: the module code linked in and run in-process with a counting
// client allocator; after start-up, every command on the typical page and teardown,
// counters give the client heap blocks still allocated: after teardown (the undo record's
// list lives until the module is unloaded) and after the module's unload-time release.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "bench/bench_goal.h"
#include "client/client.h"
#include "host/binding/host.h"
#include "tests/support/pages.h"
#include "tools/tools_internal.h"
#include "util/memory.h"

namespace {

using zvhost::Host;
using zvhost::HostOptions;

HostOptions Quiet() {
  HostOptions o;
  o.initialize = false;
  return o;
}

uint64_t CallsToHost(const zvhost::CallLog& log, const zvhost::Mark& since) {
  uint64_t n = 0;
  for (const auto& r : log.Since(since))
    if (r.direction == zvhost::Direction::ToHost) ++n;
  return n;
}

void BM_StartUp(benchmark::State& state) {
  uint64_t calls = 0;
  {
    Host counted(Quiet());
    counted.Start();
    counted.Initialize(1);
    calls = CallsToHost(counted.log(), {});
  }
  for (auto _ : state) {
    state.PauseTiming();
    auto host = std::make_unique<Host>(Quiet());
    host->log().enabled = false;
    host->Load();
    state.ResumeTiming();
    host->CallClientInit();
    host->Initialize(1);
    state.PauseTiming();
    host.reset();
    state.ResumeTiming();
  }
  const double expected = zvspec::kBindingCalls + static_cast<double>(zvspec::InitializeOps().size());
  state.counters["host_calls"] = static_cast<double>(calls);
  state.counters["expected_calls"] = expected;
  state.counters["extra_calls"] = static_cast<double>(calls) - expected;
}
void BM_StartUp_Floor(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto host = std::make_unique<Host>(Quiet());
    host->log().enabled = false;
    state.ResumeTiming();
    host->Load();
    state.PauseTiming();
    host.reset();
    state.ResumeTiming();
  }
}

void BM_Teardown(benchmark::State& state) {
  uint64_t calls = 0;
  {
    Host counted(Quiet());
    counted.Start();
    counted.Initialize(1);
    zvhost::Mark m = counted.log().MarkNow();
    counted.Stop();
    calls = CallsToHost(counted.log(), m);
  }
  for (auto _ : state) {
    state.PauseTiming();
    auto host = std::make_unique<Host>(Quiet());
    host->log().enabled = false;
    host->Start();
    host->Initialize(1);
    state.ResumeTiming();
    host->Stop();
    state.PauseTiming();
    host.reset();
    state.ResumeTiming();
  }
  state.counters["host_calls"] = static_cast<double>(calls);
  state.counters["expected_calls"] = 6;
  state.counters["extra_calls"] = static_cast<double>(calls) - 6;
}
void BM_Teardown_Floor(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto host = std::make_unique<Host>(Quiet());
    host->log().enabled = false;
    host->Load();
    state.ResumeTiming();
    host->Stop();
    state.PauseTiming();
    host.reset();
    state.ResumeTiming();
  }
}

// The client heap, counted block by block.
int64_t LiveBlocks = 0;
void* CountAlloc(size_t size) {
  void* p = std::malloc(size);
  if (p) ++LiveBlocks;
  return p;
}
void* CountAllocZeroed(size_t count, size_t size) {
  void* p = std::calloc(count, size);
  if (p) ++LiveBlocks;
  return p;
}
void* CountRealloc(void* block, size_t size) {
  void* p = std::realloc(block, size);
  if (block == nullptr && p != nullptr) ++LiveBlocks;
  return p;
}
void CountFree(void* block) {
  if (block) --LiveBlocks;
  std::free(block);
}

void BM_ClientHeapAfterTeardown(benchmark::State& state) {
  const zv::ClientAllocator counting = {CountAlloc, CountAllocZeroed, CountRealloc, CountFree};
  int64_t afterTeardown = 0, afterRelease = 0, peak = 0;
  for (auto _ : state) {
    zv::SetClientAllocator(&counting);
    LiveBlocks = 0;
    {
      HostOptions o;
      o.entryPoint = &F_ApiClientInit;  // the module code of this program, in-process
      Host host(o);
      host.Start();
      zvpages::TypicalPage page = zvpages::BuildTypicalPage(host.model());
      for (const zvspec::CommandSpec& c : zvspec::kCommands) {
        zvpages::Prepare(host, page, c);
        host.Command(c.number);
        peak = std::max<int64_t>(peak, LiveBlocks);
      }
      host.Stop();
      afterTeardown = LiveBlocks;
      zv::UndoEmptyProps();  // what unloading the module releases
      zv::SelectionHistoryRelease();
      afterRelease = LiveBlocks;
    }
    zv::SetClientAllocator(nullptr);
  }
  state.counters["blocks_after_teardown"] = static_cast<double>(afterTeardown);
  state.counters["blocks_after_unload"] = static_cast<double>(afterRelease);
  state.counters["blocks_peak"] = static_cast<double>(peak);
}

BENCHMARK(BM_StartUp);
BENCHMARK(BM_StartUp_Floor);
BENCHMARK(BM_Teardown);
BENCHMARK(BM_Teardown_Floor);
BENCHMARK(BM_ClientHeapAfterTeardown)->Iterations(1);

}  // namespace
