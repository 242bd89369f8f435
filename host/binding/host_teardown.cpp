// The client's teardown as the host sees it: the references it still holds once its event
// object is gone, and its calls on interfaces it gave back or after the teardown.
#include <algorithm>
#include <iterator>

#include "host/binding/host_impl.h"

namespace zvhost {

void HostImpl::AuditReferencesAtTeardown() {
  if (referencesAudited) return;
  referencesAudited = true;
  for (int i = 0; i < RefCount_; ++i)
    if (refs[i] > 1)
      Problem("the client never gave back " + std::to_string(refs[i] - 1) + " reference" + (refs[i] > 2 ? "s" : "") +
              " to " + RefName(i) + " (its count is " + std::to_string(refs[i]) + ", the host's own is 1)");
}

// Replays the counts of the client's references through the teardown's calls (as logged): a
// call on an interface the client no longer holds is a problem.
void HostImpl::FindCallsOnReleased(const Mark& from, const int32_t (&counts)[RefCount_]) {
  int32_t now[RefCount_];
  std::copy(std::begin(counts), std::end(counts), now);
  bool told[RefCount_] = {};
  for (const CallRecord& r : log.Records()) {
    if (r.seq <= from.seq || r.direction != Direction::ToHost) continue;
    int i = 0;
    while (i < RefCount_ && r.iface != RefName(i)) ++i;
    if (i == RefCount_) continue;
    if (r.op == "AddRef" || (r.op == "QueryInterface" && r.result == "granted" && i != RefRoot)) {
      ++now[i];
    } else if (r.op == "QueryInterface" && r.result == "granted") {
      for (int j = 0; j < RefCount_; ++j) now[j] += r.args == RefName(j) ? 1 : 0;
    } else if (r.op == "Release") {
      --now[i];
    } else if (now[i] <= 1 && i != RefRoot && !told[i]) {
      told[i] = true;
      LateCall(1, r.iface + "." + r.op);
      Problem("the client called " + r.iface + "." + r.op + " after it gave back its last reference to " + r.iface +
              ", during its teardown");
    }
  }
}

void HostImpl::LateCall(uint64_t calls, const std::string& what) {
  if (lateCalls == 0) firstLateCall = what;
  lateCalls += calls;
}

void HostImpl::CountCallsAfterTeardown() {
  if (!tornDown) return;
  const uint64_t seq = log.MarkNow().seq;
  const uint64_t calls = seq - seqAtTeardown - eventsSinceTeardown;
  seqAtTeardown = seq;
  eventsSinceTeardown = 0;
  if (calls == 0) return;
  std::string first;
  for (const CallRecord& r : log.Records())
    if (r.seq > seq - calls && r.direction == Direction::ToHost && first.empty()) first = r.iface + "." + r.op;
  LateCall(calls, first);
  Problem("the client made " + std::to_string(calls) + " call" + (calls > 1 ? "s" : "") +
          " to the host after its teardown" + (first.empty() ? "" : " (the first: " + first + ")"));
}

uint64_t Host::CallsAfterTeardown(std::string* first) const {
  impl_->CountCallsAfterTeardown();
  if (first) *first = impl_->firstLateCall;
  return impl_->lateCalls;
}

}  // namespace zvhost
