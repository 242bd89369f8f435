// Follows the module's undo record from outside, by the calls each command makes to the host,
// and checks "Undo Operation" with it. A changing command reads its object's stored properties
// (ReadAllProps) before it writes; an undo writes them back whole (WriteAllProps), and the next
// undo writes back the ones the first replaced. Shared by the random walk of the module tests
// and the module fuzzer, which report a failure each in their own way.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "host/binding/call_log.h"
#include "host/model/model.h"

namespace zvtest {

// The client's calls to the host after the mark, in order.
inline std::vector<const zvhost::CallRecord*> CallsToHostSince(const zvhost::CallLog& log, const zvhost::Mark& mark) {
  const std::vector<zvhost::CallRecord>& all = log.Records();
  size_t i = all.size();
  while (i > 0 && all[i - 1].seq > mark.seq) --i;
  std::vector<const zvhost::CallRecord*> calls;
  for (; i < all.size(); ++i)
    if (all[i].direction == zvhost::Direction::ToHost) calls.push_back(&all[i]);
  return calls;
}

class UndoTracker {
 public:
  // An object's stored properties in property order: one block to copy before every command.
  using Props = std::vector<std::pair<int32_t, zvhost::Value>>;
  using Stored = std::map<zvhost::ObjectId, Props>;

  // The stored properties of the objects a command may change: those of the document and the
  // object of the record.
  Stored Before(const zvhost::Model& m, zvhost::ObjectId doc) const {
    Stored out;
    std::vector<zvhost::ObjectId> ids = m.ObjectsOf(doc);
    ids.push_back(object_);
    for (zvhost::ObjectId id : ids)
      if (const zvhost::Object* o = m.Find(id)) out[id] = Props(o->props.begin(), o->props.end());
    return out;
  }

  // Follows command `number`, which made `calls`, from the properties `before` it ran. Returns
  // what an undo failed to put back, empty when nothing. A call the host failed on purpose or
  // answered with a nonzero status (a value it refused) leaves nothing to compare.
  std::string Follow(const zvhost::Model& m, int32_t number, const std::vector<const zvhost::CallRecord*>& calls,
                     const Stored& before) {
    const bool madeOrDeleted = Find(calls, "CreateGraphic", false) || Find(calls, "DeleteObject", false);
    if (number != 19) {
      // A command that read an object's properties recorded them; one that added a rectangle
      // recorded that; any other kept the record it found.
      const zvhost::CallRecord* read = Find(calls, "ReadAllProps", true);
      if (read != nullptr) {
        Forget();
        zvhost::ObjectId target = ObjectArg(read, before);
        if (target && read->status == 0 && !read->faulted) Keep(target, before);
      } else if (number == 14 && madeOrDeleted) {
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
    zvhost::ObjectId target = ObjectArg(write, before);
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
    Keep(target, before);  // the state this undo replaced comes back on the next one
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
  // The object a call names ("obj=4:1"), among those whose properties were copied.
  static zvhost::ObjectId ObjectArg(const zvhost::CallRecord* r, const Stored& known) {
    size_t at = r->args.find("obj=");
    if (at == std::string::npos) return 0;
    std::string text = r->args.substr(at + 4, r->args.find(' ', at) - at - 4);
    for (const auto& o : known)
      if (zvhost::FormatId(o.first) == text) return o.first;
    return 0;
  }
  void Keep(zvhost::ObjectId target, const Stored& before) {
    auto it = before.find(target);
    object_ = target;
    props_ = it != before.end() ? it->second : Props{};
  }

  zvhost::ObjectId object_ = 0;
  Props props_;
  uint64_t checks_ = 0;
};

}  // namespace zvtest
