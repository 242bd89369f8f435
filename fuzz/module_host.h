// The host of the whole-module target between inputs: made once and bound anew for each input,
// and what is reset after each (see fuzz/fuzz_module.cpp for why that is sound).
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "client/client.h"
#include "fuzz/fuzz_support.h"
#include "host/binding/host.h"
#include "host/binding/host_impl.h"
#include "hostapi/host_call.h"
#include "tools/tools_internal.h"

extern "C" int32_t F_ApiClientInit(zv::ModuleHandle module, void* root, void* held, zv::PropList* registration);

namespace fuzzmodule {

using zvhost::Host;

// What a fresh load of the module starts with, for the state a teardown leaves behind.
inline void ResetModule() {
  zv::UndoEmptyProps();
  Check(fuzzheap::g_live == 0);  // no client block is left once the binding is gone
  zv::Undo = {zv::UndoNothing, {0, nullptr}, 0, 0, 0};
  zv::Copied = {0, 0, 0, 0};
  zv::GeometryCopied = false;
  zv::SelectionHistoryRelease();
  zv::LastHostError = 0;
}

// The host's audits once the binding is released: every reference back, no list leaked, no
// contract breach.
inline void AuditTeardown(Host& host) {
  if (!host.AuditReferences().AllBack()) {
    std::fprintf(stderr, "references not back:\n%s\n", host.AuditReferences().ToString().c_str());
    std::abort();
  }
  Check(host.Lists().leaked == 0);
  Check(host.Problems().empty());
}

// The host's options for this input.
inline void Configure(Host& host, uint8_t flags, const std::string& registration) {
  zvhost::Model& m = host.model();
  m.options().successorAfterDeselect = (flags & 8) == 0;
  m.options().tableSelectedByTextCursor = (flags & 16) == 0;
  zvhost::HostOptions& o = host.options();
  o.keepsResults = (flags & 1) != 0;
  o.enforceEnableConditions = (flags & 2) != 0;
  o.passHeldObject = (flags & 4) != 0;
  o.passRegistration = (flags & 32) != 0;
  o.registration = {{1, registration}, {static_cast<int32_t>(flags >> 6), "Zorvan"}};
}

// The host back as it was after Initialize(1): no documents, forced answers, records, faults
// or queued answers. Done at the end of an input, so that what an input allocates it also
// frees (libFuzzer looks for leaks in an input that does not).
inline void ResetHost(Host& host) {
  zvhost::Model& m = host.model();
  for (zvhost::ObjectId doc : m.Documents()) m.RemoveDocument(doc);
  m.SetActiveDocument(0);
  m.ClearForcedAnswers();
  m.screenUpdates = 1;
  host.faults().Clear();
  host.ClearRecords();
  host.DropPromptAnswers();
  host.impl().interfaceRequests.clear();
}

// One host for many inputs: made, bound and initialised (the menu, its commands and the
// notification requests now stand in its model), then released. Made afresh now and then, so
// that its object counter and log stay small.
inline Host& SharedHost() {
  static std::unique_ptr<Host> host;
  static unsigned uses = 0;
  if (host && ++uses < 512) return *host;
  host.reset();
  uses = 0;
  zvhost::HostOptions options;
  options.entryPoint = &F_ApiClientInit;
  options.selectionStepMs = 0;
  host = std::make_unique<Host>(options);
  Check(host->Start());
  host->Stop();
  AuditTeardown(*host);
  ResetModule();
  ResetHost(*host);
  host->options().initialize = false;  // later bindings find the menu standing
  return *host;
}

}  // namespace fuzzmodule
