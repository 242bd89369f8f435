#include "host/binding/call_log.h"

#include <cstdint>
#include <cstdio>

namespace zvhost {

std::string CallRecord::ToString() const {
  char head[64];
  std::snprintf(head, sizeof head, "#%llu %s ", static_cast<unsigned long long>(seq),
                direction == Direction::ToClient ? "=>" : "<-");
  std::string s = head;
  if (iface != "Session" && iface != "Events") s += iface + ".";
  s += op + "[" + std::to_string(slot) + "](" + args + ")";
  if (!result.empty()) s += " -> " + result;
  if (hasStatus) s += " status=" + std::to_string(status);
  char hr[24];
  std::snprintf(hr, sizeof hr, " hr=0x%X", static_cast<unsigned>(hresult));
  s += hr;
  if (faulted) s += " (injected)";
  return s;
}

size_t CallLog::Add(CallRecord record, bool sessionOperation) {
  record.seq = nextSeq_++;
  if (sessionOperation) ++sessionOps_;
  if (!enabled) return SIZE_MAX;
  records_.push_back(std::move(record));
  return records_.size() - 1;
}

CallRecord& CallLog::At(size_t index) {
  return index < records_.size() ? records_[index] : scratch_;
}

std::vector<CallRecord> CallLog::Select(const std::function<bool(const CallRecord&)>& keep, const Mark& from) const {
  std::vector<CallRecord> out;
  for (const CallRecord& r : records_)
    if (r.seq > from.seq && keep(r)) out.push_back(r);
  return out;
}

std::vector<CallRecord> CallLog::Since(const Mark& mark) const {
  return Select([](const CallRecord&) { return true; }, mark);
}

std::vector<CallRecord> CallLog::Named(const std::string& op, const Mark& from) const {
  return Select([&op](const CallRecord& r) { return r.op == op; }, from);
}

bool IsWriteOperation(const std::string& op) {
  return op == "SetIntProp" || op == "SetMetricProp" || op == "SetTextRangeProp" || op == "SetMetricListProp" ||
         op == "WriteAllProps" || op == "CreateGraphic" || op == "DeleteObject" || op == "SelectTableCells";
}

std::vector<CallRecord> CallLog::WritesSince(const Mark& mark) const {
  return Select([](const CallRecord& r) { return r.direction == Direction::ToHost && IsWriteOperation(r.op); }, mark);
}

std::vector<std::string> CallLog::OpsSince(const Mark& mark, bool includeEvents) const {
  std::vector<std::string> out;
  for (const CallRecord& r : records_)
    if (r.seq > mark.seq && (includeEvents || r.direction == Direction::ToHost)) out.push_back(r.op);
  return out;
}

std::string CallLog::Text(const Mark& from) const {
  std::string s;
  for (const CallRecord& r : records_)
    if (r.seq > from.seq) s += r.ToString() + "\n";
  return s;
}

void CallLog::Clear() {
  records_.clear();
}

}  // namespace zvhost
