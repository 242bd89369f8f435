// What changed between two moments: snapshots of every client-visible property, the changes a
// command makes as the model watches its writes, and the differences told line by line.
#include "host/model/model.h"

namespace zvhost {

std::string Change::ToString() const {
  if (prop < 0) return FormatId(object) + (after.empty() ? " deleted" : " created");
  return FormatId(object) + " " + PropName(prop) + ": " + (before.empty() ? "-" : before) + " -> " +
         (after.empty() ? "-" : after);
}

std::vector<Change> Diff(const Snapshot& before, const Snapshot& after) {
  std::vector<Change> out;
  auto b = before.objects.begin();
  auto a = after.objects.begin();
  using Props = std::vector<std::pair<int32_t, Value>>;
  auto propsDiff = [&out](ObjectId id, const Props& x, const Props& y) {
    auto i = x.begin();
    auto j = y.begin();
    while (i != x.end() || j != y.end()) {
      if (j == y.end() || (i != x.end() && i->first < j->first)) {
        out.push_back({id, i->first, i->second.Format(), ""});
        ++i;
      } else if (i == x.end() || j->first < i->first) {
        out.push_back({id, j->first, "", j->second.Format()});
        ++j;
      } else {
        if (i->second != j->second) out.push_back({id, i->first, i->second.Format(), j->second.Format()});
        ++i;
        ++j;
      }
    }
  };
  static const Props kNone;
  while (b != before.objects.end() || a != after.objects.end()) {
    if (a == after.objects.end() || (b != before.objects.end() && b->first < a->first)) {
      out.push_back({b->first, -1, "exists", ""});
      ++b;
    } else if (b == before.objects.end() || a->first < b->first) {
      out.push_back({a->first, -1, "", "exists"});
      propsDiff(a->first, kNone, a->second);
      ++a;
    } else {
      propsDiff(a->first, b->second, a->second);
      ++a;
      ++b;
    }
  }
  return out;
}

std::string FormatChanges(const std::vector<Change>& changes) {
  std::string s;
  for (const Change& c : changes) s += c.ToString() + "\n";
  return s;
}

// Session properties (object 0), documents and what they hold; not menus and commands.
bool Model::InSnapshot(ObjectId id) const {
  if (id == 0) return true;
  const Object* o = Find(id);
  return o && (o->doc != 0 || o->type == obj::Document);
}

Snapshot Model::TakeSnapshot() const {
  Snapshot s;
  s.objects.emplace(0, Properties(0));
  for (const auto& o : objects_)
    if (o.second.doc != 0 || o.second.type == obj::Document)
      s.objects.emplace_hint(s.objects.end(), o.first, Properties(o.first));
  return s;
}

void Model::BeginChanges() {
  watching_ = true;
  watchingAll_ = false;
  watched_.objects.clear();
  storedBefore_.clear();
  madeSince_.clear();
}

void Model::Touch(ObjectId id) {
  if (!watching_) return;
  // Stored properties change only after a Touch of their object, also where the whole model is
  // watched: kept here at the first one.
  if (madeSince_.count(id)) return;  // made in the watch: nothing of it was there before
  if (const Object* o = Find(id)) storedBefore_.emplace(id, o->props);
  if (watchingAll_ || watched_.objects.count(id) || !InSnapshot(id)) return;
  watched_.objects.emplace(id, Properties(id));
}

const std::map<int32_t, Value>* Model::StoredBefore(ObjectId id) const {
  const Object* o = Find(id);
  if (!o || madeSince_.count(id)) return nullptr;
  auto it = storedBefore_.find(id);
  return it != storedBefore_.end() ? &it->second : &o->props;
}

void Model::TouchAll() {
  if (!watching_ || watchingAll_) return;
  // Objects written so far are taken as they were before their first write.
  Snapshot whole = TakeSnapshot();
  for (ObjectId id : madeSince_) whole.objects.erase(id);
  for (auto& o : watched_.objects) whole.objects[o.first] = std::move(o.second);
  watched_ = std::move(whole);
  watchingAll_ = true;
}

void Model::EndChanges(Snapshot* before, Snapshot* after) {
  after->objects.clear();
  if (watching_ && watchingAll_) {
    *after = TakeSnapshot();
  } else if (watching_) {
    for (const auto& o : watched_.objects)
      after->objects.emplace_hint(after->objects.end(), o.first, Properties(o.first));
    for (ObjectId id : madeSince_)
      if (InSnapshot(id)) after->objects.emplace(id, Properties(id));  // made and still there
  }
  *before = std::move(watched_);
  watched_.objects.clear();
  watching_ = false;
}

}  // namespace zvhost
