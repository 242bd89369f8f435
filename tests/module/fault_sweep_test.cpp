// Fault sweep: every command, on a page where it acts, with the k-th host call of its run
// failing (host busy, another failing HRESULT, a nonzero host status, a success that leaves the
// status unwritten) for every k up to the number of calls the command makes, with either
// memory policy. After each faulted run:
//   - the module is alive and has leaked no returned list;
//   - the document holds nothing the command's own steps would not produce: every property
//     that changed is one the command changes in a clean run, objects appear or vanish only as
//     in a clean run, and when the failed call was a write, every property is at its value
//     before the command or at the value of the clean run (the lost write and nothing else);
//   - every kind of failure leaves the same document (each is the same fallback value), but
//     for a write that a call without its status still made;
//   - a following normal command works, and screen updates are on again after it.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "host/binding/host.h"
#include "tests/module/harden_pages.h"

namespace {

using zvharden::Normalize;
using zvharden::State;
using zvhost::Fault;
using zvhost::Host;
using zvhost::HostOptions;
using zvhost::ObjectId;

struct Run {
  ObjectId doc = 0;
  State before;
  State after;
  std::string faultedOp;  // the call that failed, "" when none did
  uint64_t calls = 0;     // host calls the command made
};

// Builds the page, runs the command with `fault` on its k-th host call (k = 0: no fault).
Run RunCase(Host& host, const zvharden::CommandCase& c, uint64_t k, Fault fault) {
  host.ClearRecords();
  Run run;
  run.doc = c.prepare(host);
  zvharden::State before = zvharden::DocumentState(host, run.doc);
  run.before = Normalize(before, before);
  auto mark = host.log().MarkNow();
  if (k > 0) host.faults().FailNth(k, fault, mark.ops);
  EXPECT_EQ(host.Command(c.command), 0);
  host.faults().Clear();
  run.calls = host.log().SessionOps() - mark.ops;
  run.after = Normalize(zvharden::DocumentState(host, run.doc), before);
  for (const auto& r : host.log().Since(mark))
    if (r.faulted) run.faultedOp = r.op;
  return run;
}

// Changes of `run` that the command's own steps cannot explain, given the clean run.
std::vector<std::string> StrayChanges(const Run& run, const Run& clean) {
  std::vector<std::string> stray;
  const bool lostWrite = zvhost::IsWriteOperation(run.faultedOp);
  auto id = [](ObjectId o) { return zvhost::FormatId(o); };
  for (const auto& o : run.before)
    if (!run.after.count(o.first) && clean.after.count(o.first)) stray.push_back(id(o.first) + " deleted");
  for (const auto& o : run.after) {
    auto b = run.before.find(o.first);
    auto cl = clean.after.find(o.first);
    if (b == run.before.end()) {
      if (cl == clean.after.end()) stray.push_back(id(o.first) + " created");
      continue;
    }
    for (const auto& p : o.second) {
      // The selection order (first selected, next selected) follows from the selected flags,
      // which are checked themselves.
      if (p.first == zvhost::prop::FirstSelectedGraphic || p.first == zvhost::prop::NextSelectedGraphic) continue;
      auto was = b->second.find(p.first);
      zvhost::Value old = was == b->second.end() ? zvhost::Value{} : was->second;
      if (old == p.second) continue;
      zvhost::Value cleanValue;
      if (cl != clean.after.end() && cl->second.count(p.first)) cleanValue = cl->second.at(p.first);
      const bool commandWritesIt = cleanValue != old;
      if (!commandWritesIt || (lostWrite && p.second != cleanValue))
        stray.push_back(id(o.first) + " prop " + std::to_string(p.first) + ": " + old.Format() + " -> " +
                        p.second.Format() + " (clean run: " + cleanValue.Format() + ")");
    }
  }
  return stray;
}

// A normal command after the fault: a frame added to a fresh rectangle, with screen updates on.
void ExpectNormalCommandWorks(Host& host, ObjectId doc) {
  auto& m = host.model();
  ObjectId frame = m.AddFrame(doc, {0, 0, 100, 100});
  ObjectId r = m.AddRectangle(frame, {10, 10, 40, 20});
  host.SelectGraphics(doc, {r});
  EXPECT_EQ(host.Command(Cmd::AddFrameToGraphic), 0);
  auto contents = m.Contents(frame);
  ASSERT_EQ(contents.size(), 2u) << "the following Add Frame To Graphic made no rectangle";
  zvhost::Geometry g = m.GeometryOf(contents[1]);
  EXPECT_DOUBLE_EQ(g.x, 10.25);
  EXPECT_DOUBLE_EQ(g.w, 39.5);
  EXPECT_EQ(m.screenUpdates, 1);
}

void Sweep(bool keepsResults) {
  uint64_t injected = 0;
  int swept = 0;
  const Fault faults[] = {Fault::Busy(), Fault::Failed(static_cast<zvhost::HResult>(0x80004005u)), Fault::Status(7),
                          Fault::StatusUnwritten()};
  for (const auto& c : zvharden::CommandCases()) {
    SCOPED_TRACE(c.name);
    HostOptions options;
    options.keepsResults = keepsResults;
    options.selectionStepMs = 0;
    Host host(options);
    ASSERT_TRUE(host.Start()) << host.LastError();

    Run clean = RunCase(host, c, 0, Fault{});
    const uint64_t calls = clean.calls;
    ASSERT_GT(calls, 0u);
    if (zvspec::ChangesThePage(zvspec::SpecOf(c.command))) {
      EXPECT_FALSE(clean.before == clean.after) << "the clean run changed nothing";
    }
    host.CloseDocument(clean.doc);

    for (uint64_t k = 1; k <= calls; ++k) {
      State firstAfter;
      for (size_t f = 0; f < 4; ++f) {
        SCOPED_TRACE("call " + std::to_string(k) + " of " + std::to_string(calls) + " fails with " +
                     faults[f].ToString());
        Run run = RunCase(host, c, k, faults[f]);
        ++injected;
        ASSERT_FALSE(run.faultedOp.empty()) << "no call was failed";
        std::vector<std::string> stray = StrayChanges(run, clean);
        EXPECT_TRUE(stray.empty()) << "failed " << run.faultedOp << ":\n"
                                   << [&] {
                                        std::string s;
                                        for (const auto& l : stray) s += "  " + l + "\n";
                                        return s;
                                      }();
        // A call that succeeds without its status counts as failed, though a write it made stays.
        const bool madeItsWrite = faults[f].statusUnwritten && zvhost::IsWriteOperation(run.faultedOp);
        if (f == 0) {
          firstAfter = run.after;
        } else if (!madeItsWrite) {
          EXPECT_TRUE(run.after == firstAfter)
              << "failed " << run.faultedOp << ": another failure left another document";
        }
        EXPECT_EQ(host.Lists().outstanding, 0u);
        ExpectNormalCommandWorks(host, run.doc);
        host.CloseDocument(run.doc);
        if (::testing::Test::HasFailure()) return;
      }
    }
    ++swept;
    host.Stop();
    EXPECT_EQ(host.Lists().leaked, 0u);
    EXPECT_TRUE(host.Problems().empty()) << host.Problems().front();
    EXPECT_TRUE(host.AuditReferences().AllBack()) << host.AuditReferences().ToString();
  }
  EXPECT_EQ(swept, static_cast<int>(zvharden::CommandCases().size()));
  std::printf("fault sweep (%s): %d command cases swept, %llu faults injected\n",
              keepsResults ? "host keeps results" : "client releases results", swept,
              static_cast<unsigned long long>(injected));
}

TEST(FaultSweep, EveryCallOfEveryCommandFailsCleanly) {
  Sweep(false);
}

TEST(FaultSweep, EveryCallOfEveryCommandFailsCleanlyWhenTheHostKeepsResults) {
  Sweep(true);
}

}  // namespace
