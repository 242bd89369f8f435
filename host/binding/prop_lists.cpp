// The lists the host hands to the client (ReadAllProps, GetMetricListProp): built in task
// allocator blocks with every value type the client must copy and release, and tracked block by
// block so the host knows whether the client gave them back.
#include <cstring>

#include "host/binding/high_memory.h"
#include "host/binding/host_impl.h"

namespace zvhost {

size_t BlockTable::Home(const void* block) const {
  // Fibonacci hashing: the top bits of the product mix every bit of the address.
  return static_cast<size_t>((reinterpret_cast<uintptr_t>(block) * 0x9E3779B97F4A7C15ull) >> shift_);
}

void BlockTable::Put(void* block, uint64_t list) {
  if ((used_ + 1) * 2 > slots_.size()) {
    std::vector<Slot> old(slots_.empty() ? FirstSize : slots_.size() * 2);
    old.swap(slots_);
    used_ = 0;
    shift_ = 64;
    for (size_t n = slots_.size(); n > 1; n /= 2) --shift_;
    for (const Slot& s : old)
      if (s.block) Put(s.block, s.list);
  }
  size_t i = Home(block);
  while (slots_[i].block && slots_[i].block != block) i = (i + 1) & (slots_.size() - 1);
  if (!slots_[i].block) ++used_;
  slots_[i] = {block, list};
}

bool BlockTable::Take(void* block, uint64_t* list) {
  if (slots_.empty() || !block) return false;
  const size_t mask = slots_.size() - 1;
  size_t i = Home(block);
  while (slots_[i].block != block) {
    if (!slots_[i].block) return false;
    i = (i + 1) & mask;
  }
  *list = slots_[i].list;
  // Later slots of the same run move back into the gap, so every search still ends at an
  // empty slot only after passing what it looks for.
  size_t gap = i;
  for (size_t j = (i + 1) & mask; slots_[j].block; j = (j + 1) & mask) {
    size_t home = Home(slots_[j].block);
    bool stays = gap <= j ? (gap < home && home <= j) : (gap < home || home <= j);
    if (stays) continue;
    slots_[gap] = slots_[j];
    gap = j;
  }
  slots_[gap] = {};
  --used_;
  return true;
}

void BlockTable::Clear() {
  if (used_ == 0) return;
  // A table that one burst of blocks made large is dropped, and the next Put makes it anew at
  // its first size: clearing it whole after every event would cost in proportion to the
  // largest burst ever seen.
  if (slots_.size() > FirstSize)
    std::vector<Slot>().swap(slots_);
  else
    for (Slot& s : slots_) s = {};
  used_ = 0;
}

uint64_t HostImpl::NewList() {
  uint64_t id = nextList++;
  lists[id];
  ++counters.returned;
  return id;
}

void* HostImpl::ListAlloc(uint64_t list, size_t size) {
  return ListAlloc(list, lists[list], size);
}

void* HostImpl::ListAlloc(uint64_t list, ListInfo& info, size_t size) {
  // High memory only where the client's frees come to the host's watch, which tells the
  // blocks apart; an in-process client frees with the task allocator itself.
  void* p = hookInstalled ? HighAlloc(size ? size : 1) : TaskAlloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  std::memset(p, 0, size ? size : 1);
  blockOwner.Put(p, list);
  ++info.blocks;
  return p;
}

void HostImpl::ListDone(uint64_t list, void* array) {
  lists[list].array = array;
}

namespace {

struct Builder {
  HostImpl& h;
  uint64_t list;
  HostImpl::ListInfo& info;

  char* Text(const char* s, size_t size) {
    char* p = static_cast<char*>(h.ListAlloc(list, info, size + 1));
    std::memcpy(p, s, size + 1);
    return p;
  }
  char* Text(const std::string& s) { return Text(s.c_str(), s.size()); }
  char* Text(const char* s) { return Text(s, std::strlen(s)); }
  template <typename T>
  T* Array(size_t count) {
    return static_cast<T*>(h.ListAlloc(list, info, count * sizeof(T)));
  }
  zv::TextList Texts(std::initializer_list<const char*> items) {
    zv::TextList l;
    l.count = static_cast<uint32_t>(items.size());
    l.texts = Array<char*>(items.size());
    size_t i = 0;
    for (const char* t : items) l.texts[i++] = Text(t);
    return l;
  }
};

void PutValue(Builder& b, zv::TypedValue& tv, const Value& v) {
  switch (v.kind) {
    case ValueKind::None:
    case ValueKind::Int:
      tv.type = vt::Int;
      tv.u.number = v.word;
      break;
    case ValueKind::Metric:
      tv.type = vt::Metric;
      tv.u.number = v.word;
      break;
    case ValueKind::Id:
      tv.type = vt::Id;
      tv.u.id = static_cast<ObjectId>(v.word);
      break;
    case ValueKind::TextLoc:
      tv.type = vt::TextLoc;
      tv.u.loc = {v.range.begin.object, v.range.begin.offset};
      break;
    case ValueKind::TextRange:
      tv.type = vt::TextRange;
      tv.u.range = {{v.range.begin.object, v.range.begin.offset}, {v.range.end.object, v.range.end.offset}};
      break;
    case ValueKind::MetricList:
      tv.type = vt::MetricList;
      tv.u.ints.count = static_cast<uint32_t>(v.list.size());
      tv.u.ints.items = b.Array<int32_t>(v.list.size());
      for (size_t i = 0; i < v.list.size(); ++i) tv.u.ints.items[i] = v.list[i];
      break;
    case ValueKind::Text:
      tv.type = vt::Text;
      tv.u.text = b.Text(v.text);
      break;
  }
}

// Where one padding element sits: its index among the padding, the seed of its numbers, and
// the object whose list it pads.
struct PadAt {
  int i;
  uint32_t seed;
  ObjectId object;
};

void PadNamedText(Builder& b, zv::PropVal& pv, const PadAt&) {  // an element keyed by name
  pv.key.number = 0;
  pv.key.name = b.Text("ZorvanHostNote");
  pv.value.type = vt::Text;
  pv.value.u.text = b.Text("kept by the host");
}

void PadTextList(Builder& b, zv::PropVal& pv, const PadAt&) {
  pv.value.type = vt::TextList;
  pv.value.u.texts = b.Texts({"Body", "Heading", "Caption"});
}

void PadTabs(Builder& b, zv::PropVal& pv, const PadAt&) {
  zv::TypedValue& tv = pv.value;
  tv.type = vt::Tabs;
  tv.u.tabs.count = 2;
  tv.u.tabs.items = b.Array<zv::TabEntry>(2);
  for (int k = 0; k < 2; ++k) {
    tv.u.tabs.items[k].position = Pt(36.0 * (k + 1));
    tv.u.tabs.items[k].kind = k;
    tv.u.tabs.items[k].leader = b.Text(k ? "." : " ");
    tv.u.tabs.items[k].decimal = 46;
  }
}

void PadElements(Builder& b, zv::PropVal& pv, const PadAt&) {
  zv::TypedValue& tv = pv.value;
  tv.type = vt::Elements;
  tv.u.elements.count = 1;
  tv.u.elements.items = b.Array<zv::ElementEntry>(1);
  zv::ElementEntry& e = tv.u.elements.items[0];
  e.name = b.Text("Figure");
  e.firstNumber = 1;
  e.secondNumber = 2;
  e.thirdNumber = 3;
  e.firstList = b.Texts({"a", "b"});
  e.secondList = b.Texts({"c"});
  e.firstText = b.Text("x");
  e.secondText = b.Text("y");
}

void PadAttributes(Builder& b, zv::PropVal& pv, const PadAt&) {
  zv::TypedValue& tv = pv.value;
  tv.type = vt::Attributes;
  tv.u.attributes.count = 1;
  tv.u.attributes.items = b.Array<zv::AttributeEntry>(1);
  zv::AttributeEntry& e = tv.u.attributes.items[0];
  e.name = b.Text("Role");
  e.values = b.Texts({"figure", "title"});
  e.flags[0] = 1;
  e.flags[1] = 2;
}

void PadBlock24(Builder& b, zv::PropVal& pv, const PadAt& at) {
  zv::TypedValue& tv = pv.value;
  tv.type = vt::Block24;
  tv.u.block24 = b.Array<uint8_t>(24);
  for (int k = 0; k < 24; ++k) tv.u.block24[k] = static_cast<uint8_t>(at.seed + k);
}

void PadBytes(Builder& b, zv::PropVal& pv, const PadAt&) {
  zv::TypedValue& tv = pv.value;
  tv.type = vt::Bytes;
  tv.u.bytes.count = 5;
  tv.u.bytes.bytes = b.Array<uint8_t>(5);
  std::memcpy(tv.u.bytes.bytes, "zorv", 5);
}

void PadInts(Builder& b, zv::PropVal& pv, const PadAt& at) {  // an integer list, then an id list
  zv::TypedValue& tv = pv.value;
  tv.type = at.i == 7 ? vt::IntList : vt::IdList;
  tv.u.ints.count = 3;
  tv.u.ints.items = b.Array<int32_t>(3);
  for (int k = 0; k < 3; ++k) tv.u.ints.items[k] = static_cast<int32_t>(at.seed) + k;
}

void PadPairs(Builder& b, zv::PropVal& pv, const PadAt& at) {  // points, then integer pairs
  zv::TypedValue& tv = pv.value;
  tv.type = at.i == 9 ? vt::Points : vt::IntPairs;
  tv.u.pairs.count = 2;
  tv.u.pairs.items = b.Array<zv::WordPair>(2);
  tv.u.pairs.items[1].first = at.seed;
  tv.u.pairs.items[1].second = at.seed + 1;
}

void PadTextLoc(Builder&, zv::PropVal& pv, const PadAt& at) {
  pv.value.type = vt::TextLoc;
  pv.value.u.loc = {at.object, static_cast<int32_t>(at.seed)};
}

void PadTextRange(Builder&, zv::PropVal& pv, const PadAt& at) {
  pv.value.type = vt::TextRange;
  pv.value.u.range = {{at.seed, static_cast<int32_t>(at.seed + 1)}, {at.seed + 2, static_cast<int32_t>(at.seed + 3)}};
}

void PadNullText(Builder&, zv::PropVal& pv, const PadAt&) {  // a text the host leaves null
  pv.value.type = vt::Text;
  pv.value.u.text = nullptr;
}

void PadEmptyList(Builder& b, zv::PropVal& pv, const PadAt&) {  // empty lists still have arrays
  pv.value.type = vt::MetricList;
  pv.value.u.ints.count = 0;
  pv.value.u.ints.items = b.Array<int32_t>(0);
}

void PadNumber(Builder&, zv::PropVal& pv, const PadAt& at) {  // every later element
  const int i = at.i;
  pv.value.type = i % 3 == 0 ? vt::Int : (i % 3 == 1 ? vt::Metric : vt::Id);
  pv.value.u.id = i % 3 == 2 ? 0 : at.seed;  // a number, a length or an object, in the same word
}

// The padding elements in list order, one of every value type that owns memory first.
using PadFn = void (*)(Builder&, zv::PropVal&, const PadAt&);
constexpr PadFn kPadding[] = {PadNamedText, PadTextList, PadTabs,      PadElements, PadAttributes,
                              PadBlock24,   PadBytes,    PadInts,      PadInts,     PadPairs,
                              PadPairs,     PadTextLoc,  PadTextRange, PadNullText, PadEmptyList};

// Host-only properties that fill a list to the size a real host returns, with one of every
// value type that owns memory, so the client's copy and release paths run for real.
void PutPadding(Builder& b, zv::PropVal& pv, int i, ObjectId object) {
  pv.key.number = 3000 + i;
  const PadAt at{i, (object & 0xFFFFFFu) * 31u + static_cast<uint32_t>(i), object};
  const size_t kinds = sizeof kPadding / sizeof kPadding[0];
  (static_cast<size_t>(i) < kinds ? kPadding[i] : PadNumber)(b, pv, at);
}

}  // namespace

bool HostImpl::BuildPropList(ObjectId object, const std::vector<std::pair<int32_t, Value>>& props, zv::PropList* out) {
  const size_t total = IsGraphicType(TypeOf(object)) ? 200 : 48;
  const size_t count = props.size() < total ? total : props.size() + 15;
  uint64_t list = NewList();
  Builder b{*this, list, lists[list]};
  zv::PropVal* vals = b.Array<zv::PropVal>(count);
  size_t n = 0;
  for (const auto& p : props) {
    vals[n].key.number = p.first;
    PutValue(b, vals[n].value, p.second);
    ++n;
  }
  for (int i = 0; n < count; ++i, ++n) PutPadding(b, vals[n], i, object);
  ListDone(list, vals);
  out->count = static_cast<uint32_t>(count);
  out->vals = vals;
  return true;
}

void HostImpl::BuildMetricList(const std::vector<Metric>& items, zv::MetricList* out) {
  uint64_t list = NewList();
  auto* array = static_cast<Metric*>(ListAlloc(list, items.size() * sizeof(Metric)));
  for (size_t i = 0; i < items.size(); ++i) array[i] = items[i];
  ListDone(list, array);
  out->count = static_cast<uint32_t>(items.size());
  out->items = array;
}

void HostImpl::OnClientFree(void* block) {
  uint64_t id = 0;
  if (!blockOwner.Take(block, &id)) return;
  auto owner = lists.find(id);
  ListInfo& l = owner->second;
  --l.blocks;
  if (block == l.array) {
    l.released = true;
    ++counters.releasedByClient;
    if (options.keepsResults) Problem("the client released a list the host keeps");
  }
  if (l.released && l.blocks == 0) lists.erase(owner);
}

void HostImpl::FreeKeptLists() {
  if (!options.keepsResults) return;
  for (auto& entry : lists)
    if (!entry.second.released && entry.second.array) ++counters.freedByHost;
  blockOwner.ForEach([](void* block, uint64_t) { TaskFree(block); });
  blockOwner.Clear();
  lists.clear();
}

void HostImpl::CountLeaks() {
  FreeKeptLists();
  if (!hookInstalled) {
    // Without a watch on the client's frees the host cannot tell; it forgets the lists.
    lists.clear();
    blockOwner.Clear();
    return;
  }
  for (auto& entry : lists) {
    ListInfo& l = entry.second;
    if (!l.released)
      ++counters.leaked;
    else if (l.blocks)
      Problem("the client released a list but kept " + std::to_string(l.blocks) + " of its blocks");
  }
  blockOwner.Clear();
  if (counters.leaked) Problem("the client never released " + std::to_string(counters.leaked) + " list(s)");
  lists.clear();
}

}  // namespace zvhost
