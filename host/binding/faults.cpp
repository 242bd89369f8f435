#include "host/binding/faults.h"

#include <algorithm>
#include <cstdio>

namespace zvhost {

std::string Fault::ToString() const {
  char buf[48];
  if (hresult < 0)
    std::snprintf(buf, sizeof buf, "hr=0x%08X", static_cast<unsigned>(hresult));
  else if (status != 0)
    std::snprintf(buf, sizeof buf, "status=%d", static_cast<int>(status));
  else if (statusUnwritten)
    std::snprintf(buf, sizeof buf, "status unwritten");
  else
    std::snprintf(buf, sizeof buf, "none");
  return buf;
}

void Faults::FailAll(Fault fault) {
  all_ = fault;
}

void Faults::FailNth(uint64_t n, Fault fault, uint64_t fromOps) {
  nth_.push_back({fromOps + n, fault});
}

void Faults::FailOperation(const std::string& op, Fault fault, int times) {
  byOp_.push_back({op, fault, times});
}

void Faults::Clear() {
  all_ = {};
  nth_.clear();
  byOp_.clear();
}

Fault Faults::Take(const std::string& op, uint64_t opIndex) {
  for (auto it = nth_.begin(); it != nth_.end(); ++it) {
    if (it->index == opIndex) {
      Fault f = it->fault;
      nth_.erase(it);
      return f;
    }
  }
  for (auto it = byOp_.begin(); it != byOp_.end(); ++it) {
    if (it->op != op || it->remaining == 0) continue;
    Fault f = it->fault;
    if (it->remaining > 0 && --it->remaining == 0) byOp_.erase(it);
    return f;
  }
  return all_;
}

}  // namespace zvhost
