// Follows the module's undo record from outside, by the calls each command makes to the host,
// and checks "Undo Operation" with it. A changing command reads its object's stored properties
// (ReadAllProps) before it writes; an undo writes them back whole (WriteAllProps), and the next
// undo writes back the ones the first replaced. Shared by the random walk of the module tests
// and the module fuzzer, which report a failure each in their own way.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "host/binding/call_log.h"
#include "host/model/model.h"
#include "tests/support/commands.h"

namespace zvtest {

// The client's calls to the host after the mark, in order.
inline std::vector<const zvhost::CallRecord*> CallsToHostSince(const zvhost::CallLog& log, const zvhost::Mark& mark) {
  const std::vector<zvhost::CallRecord>& all = log.Records();
  size_t i = all.size();
  while (i > 0 && all[i - 1].seq > mark.seq) --i;
  std::vector<const zvhost::CallRecord*> calls;
  calls.reserve(all.size() - i);
  for (; i < all.size(); ++i)
    if (all[i].direction == zvhost::Direction::ToHost) calls.push_back(&all[i]);
  return calls;
}

class UndoTracker {
 public:
  // An object's stored properties in property order.
  using Props = std::vector<std::pair<int32_t, zvhost::Value>>;

  // Called as a command starts, right after m.BeginChanges(): the objects it may change are
  // those of `doc` and the object of the record, and the model keeps the stored properties each
  // had (Model::StoredBefore) at its first write, so nothing is copied for the objects a command
  // leaves alone.
  void Start(zvhost::ObjectId doc) { doc_ = doc; }

  // Follows command `number`, which made `calls` (before the next BeginChanges). Returns
  // what an undo failed to put back, empty when nothing. A call the host failed on purpose or
  // answered with a nonzero status (a value it refused) leaves nothing to compare.
  std::string Follow(const zvhost::Model& m, int32_t number, const std::vector<const zvhost::CallRecord*>& calls) {
    const bool madeOrDeleted = Find(calls, "CreateGraphic", false) || Find(calls, "DeleteObject", false);
    if (number != Cmd::UndoOperation) {
      // A command that read an object's properties recorded them; one that added a rectangle
      // recorded that; any other kept the record it found.
      const zvhost::CallRecord* read = Find(calls, "ReadAllProps", true);
      if (read != nullptr) {
        Forget();
        zvhost::ObjectId target = ObjectArg(m, read);
        if (target && read->status == 0 && !read->faulted) Keep(m, target);
      } else if (number == Cmd::AddFrameToGraphic && madeOrDeleted) {
        Forget();
      }
      return {};
    }
    if (madeOrDeleted) {  // the undo of an added rectangle: no properties to follow
      Forget();
      return {};
    }
    const zvhost::CallRecord* write = Find(calls, "WriteAllProps", false);
    if (object_ == 0 || write == nullptr) return {};
    zvhost::ObjectId target = ObjectArg(m, write);
    const zvhost::Object* o = m.Find(target);
    if (target != object_ || o == nullptr) {  // the record is not the one followed here
      Forget();
      return {};
    }
    std::string fault;
    if (!write->faulted && write->status == 0) {
      ++checks_;
      for (const auto& p : props_) {
        auto it = o->props.find(p.first);
        if (it != o->props.end() && it->second == p.second) continue;
        fault = "undo left property " + std::to_string(p.first) + " of " + zvhost::FormatId(target) + " at " +
                (it == o->props.end() ? "(none)" : it->second.Format()) + ", saved " + p.second.Format();
        break;
      }
    }
    Keep(m, target);  // the state this undo replaced comes back on the next one
    return fault;
  }

  void Forget() {
    object_ = 0;
    props_.clear();
  }
  // A document about to close takes the record of one of its objects with it.
  void ForgetIn(const zvhost::Model& m, zvhost::ObjectId doc) {
    const zvhost::Object* o = m.Find(object_);
    if (o && o->doc == doc) Forget();
  }
  uint64_t checks() const { return checks_; }  // undos whose whole write was compared

 private:
  static const zvhost::CallRecord* Find(const std::vector<const zvhost::CallRecord*>& calls, const char* op,
                                        bool last) {
    const zvhost::CallRecord* found = nullptr;
    for (const zvhost::CallRecord* r : calls) {
      if (r->op != op) continue;
      found = r;
      if (!last) break;
    }
    return found;
  }
  // The object a call names ("obj=4:1"), when it is one the command may change.
  zvhost::ObjectId ObjectArg(const zvhost::Model& m, const zvhost::CallRecord* r) const {
    size_t at = r->args.find("obj=");
    if (at == std::string::npos) return 0;
    const char* text = r->args.c_str() + at + 4;
    char* end = nullptr;
    unsigned long type = std::strtoul(text, &end, 10);
    if (*end != ':') return 0;
    unsigned long number = std::strtoul(end + 1, &end, 10);
    if (type > 0xFF || number > 0xFFFFFF) return 0;
    zvhost::ObjectId id = static_cast<zvhost::ObjectId>(type << 24 | number);
    const zvhost::Object* o = m.Find(id);
    if (o == nullptr || m.StoredBefore(id) == nullptr) return 0;
    return (doc_ != 0 && o->doc == doc_) || id == object_ ? id : 0;
  }
  void Keep(const zvhost::Model& m, zvhost::ObjectId target) {
    const std::map<int32_t, zvhost::Value>* stored = m.StoredBefore(target);
    object_ = target;
    props_ = stored ? Props(stored->begin(), stored->end()) : Props{};
  }

  zvhost::ObjectId doc_ = 0;
  zvhost::ObjectId object_ = 0;
  Props props_;
  uint64_t checks_ = 0;
};

}  // namespace zvtest
