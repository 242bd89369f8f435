#include "hostapi/prop_list.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "hostapi/prop_parts.h"
#include "util/memory.h"
#include "util/text.h"

namespace zv {

void ClearOwned(TypedValue* value) {
  if ((TypeBit(value->type) & OwningTypes) != 0) std::memset(&value->u, 0, sizeof value->u);
}

namespace {

// ---- Release of host blocks ----

void ReleaseBlock(void* block, ReleaseFn release) {
  if (block != nullptr) release(block);
}

void ReleaseTexts(const TextList& list, ReleaseFn release) {
  if (list.texts == nullptr) return;
  for (uint32_t i = 0; i < list.count; ++i) ReleaseBlock(list.texts[i], release);
  release(list.texts);
}

void ReleaseEntry(const TabEntry& e, ReleaseFn release) {
  ReleaseBlock(e.leader, release);
}
void ReleaseEntry(const ElementEntry& e, ReleaseFn release) {
  ReleaseBlock(e.name, release);
  ReleaseTexts(e.firstList, release);
  ReleaseTexts(e.secondList, release);
  ReleaseBlock(e.firstText, release);
  ReleaseBlock(e.secondText, release);
}
void ReleaseEntry(const AttributeEntry& e, ReleaseFn release) {
  ReleaseBlock(e.name, release);
  ReleaseTexts(e.values, release);
}

template <typename T>
void ReleaseEntries(uint32_t count, T* items, ReleaseFn release) {
  if (items == nullptr) return;
  for (uint32_t i = 0; i < count; ++i) ReleaseEntry(items[i], release);
  release(items);
}

}  // namespace

// Releases every part a value owns, by type, and writes nothing: callers that keep the value
// clear it themselves, and the list functions release the element array right after.
void ReleaseOwned(const TypedValue& value, ReleaseFn release) {
  const ValueUnion& u = value.u;
  switch (value.type) {
    case VtText:
      ReleaseBlock(u.text, release);
      break;
    case VtMetricList:
    case VtPoints:
    case VtIntPairs:
    case VtIntList:
    case VtBytes:
    case VtIdList:
      ReleaseBlock(u.ints.items, release);  // the flat layouts share {count, pointer}
      break;
    case VtTextList:
      ReleaseTexts(u.texts, release);
      break;
    case VtTabs:
      ReleaseEntries(u.tabs.count, u.tabs.items, release);
      break;
    case VtElements:
      ReleaseEntries(u.elements.count, u.elements.items, release);
      break;
    case VtAttributes:
      ReleaseEntries(u.attributes.count, u.attributes.items, release);
      break;
    case VtBlock24:
      ReleaseBlock(u.block24, release);
      break;
    default:
      break;
  }
}

namespace {

// Releases what the elements own. A name is the element's own when its number is 0, or always
// when `allNames` (a client element owns its name, a host list may hold names that stay the
// host's).
void ReleaseEach(const PropVal* vals, uint32_t count, ReleaseFn release, bool allNames) {
  for (uint32_t i = 0; i < count; ++i) {
    const PropVal& val = vals[i];
    if (allNames || val.key.number == 0) ReleaseBlock(val.key.name, release);
    if ((TypeBit(val.value.type) & OwningTypes) != 0) ReleaseOwned(val.value, release);
  }
}

// The same chunk by chunk: the texts and blocks of a chunk are gathered without a jump on the
// type, then released in one loop; nested values one by one after them.
void ReleaseChunks(const PropVal* vals, uint32_t count, ReleaseFn release, bool allNames) {
  void* blocks[2 * ChunkSize];
  const PropVal* nested[ChunkSize];
  for (uint32_t base = 0; base < count; base += ChunkSize) {
    const PropVal* const end = vals + base + std::min(ChunkSize, count - base);
    void** block = blocks;
    const PropVal** nest = nested;
    for (const PropVal* val = vals + base; val != end; ++val) {
      // Names are rare: a jump on them is foreseen right nearly every time.
      if (val->key.name != nullptr && (allNames || val->key.number == 0)) *block++ = val->key.name;
      const uint32_t bit = TypeBit(val->value.type);
      void* part = PartAt(val->value.u, bit);
      *block = part;
      block += ((bit & SingleTypes) != 0) & (part != nullptr);
      *nest = val;
      nest += (bit & NestedTypes) != 0;
    }
    for (void** b = blocks; b != block; ++b) release(*b);
    for (const PropVal** n = nested; n != nest; ++n) ReleaseOwned((*n)->value, release);
  }
}

}  // namespace

void ReleaseElements(const PropVal* vals, uint32_t count, ReleaseFn release, bool allNames) {
  if (count <= LongList)
    ReleaseEach(vals, count, release, allNames);
  else
    ReleaseChunks(vals, count, release, allNames);
}

namespace {

// ---- Copies within the client ----

// A zero-filled array of count items, or null with count 0 when it cannot be had.
template <typename T>
T* NewArray(uint32_t* count) {
  T* items = static_cast<T*>(ClientAllocZeroed(*count, sizeof(T)));
  if (items == nullptr) *count = 0;
  return items;
}

template <typename T>
void CopyFlat(uint32_t srcCount, const T* src, uint32_t* count, T** items) {
  *count = srcCount;
  *items = NewArray<T>(count);
  if (*items != nullptr && src != nullptr)
    for (uint32_t i = srcCount; i-- > 0;) (*items)[i] = src[i];
}

void CopyTexts(const TextList& src, TextList* out) {
  out->count = src.count;
  out->texts = NewArray<char*>(&out->count);
  if (out->texts != nullptr && src.texts != nullptr)
    for (uint32_t i = src.count; i-- > 0;) out->texts[i] = TextDuplicate(src.texts[i]);
}

void CopyEntry(const TabEntry& src, TabEntry* out) {
  *out = src;
  out->leader = TextDuplicate(src.leader);
}
void CopyEntry(const ElementEntry& src, ElementEntry* out) {
  *out = src;
  out->name = TextDuplicate(src.name);
  CopyTexts(src.firstList, &out->firstList);
  CopyTexts(src.secondList, &out->secondList);
  out->firstText = TextDuplicate(src.firstText);
  out->secondText = TextDuplicate(src.secondText);
}
void CopyEntry(const AttributeEntry& src, AttributeEntry* out) {
  *out = src;
  out->name = TextDuplicate(src.name);
  CopyTexts(src.values, &out->values);
}

template <typename T>
void CopyEntries(uint32_t srcCount, const T* src, uint32_t* count, T** items) {
  *count = srcCount;
  *items = NewArray<T>(count);
  if (*items != nullptr && src != nullptr)
    for (uint32_t i = srcCount; i-- > 0;) CopyEntry(src[i], &(*items)[i]);
}

uint32_t CapacityFor(uint32_t count) {
  if (count < 8) return 8;
  uint32_t capacity = 16;
  while (capacity != 0 && capacity <= count) capacity <<= 1;  // GCOVR_EXCL_BR_LINE: 0 needs 2^31 entries
  return capacity;                                            // 0 when no power of two above count fits in 32 bits
}

}  // namespace

// ---- Lists ----

void PropListRelease(PropList* host, ReleaseFn release) {
  if (host == nullptr) return;
  if (host->vals != nullptr && release != nullptr) {
    ReleaseElements(host->vals, host->count, release, false);
    release(host->vals);
  }
  *host = {0, nullptr};
}

int32_t PropListIndexOf(const PropList* list, int32_t number) {
  if (list == nullptr || list->vals == nullptr) return -4;
  for (uint32_t i = 0; i < list->count; ++i)
    if (list->vals[i].key.number == number) return static_cast<int32_t>(i);
  return -4;
}

void PropListPut(PropList* list, int32_t number, const TypedValue* value) {
  if (list == nullptr || value == nullptr) return;
  // The copy is taken first: `value` may live inside the list that is about to change.
  TypedValue copy = TypedValueCopy(value);
  int32_t index = PropListIndexOf(list, number);
  PropVal* slot = nullptr;
  if (index >= 0) {
    slot = &list->vals[index];
    PropValFree(slot);
  } else {
    size_t bytes = 0;
    uint32_t capacity = CapacityFor(list->count);
    void* grown = nullptr;
    // GCOVR_EXCL_BR_START: no room left needs 2^31 entries, and their size overflows only on Win32.
    if (capacity != 0 && ArrayBytes(capacity, sizeof(PropVal), &bytes)) grown = ClientRealloc(list->vals, bytes);
    // GCOVR_EXCL_BR_STOP
    if (grown == nullptr) {
      TypedValueFree(&copy);
      return;
    }
    list->vals = static_cast<PropVal*>(grown);
    slot = &list->vals[list->count++];
  }
  slot->key.number = number;
  slot->key.name = nullptr;
  slot->value = copy;
}

void PropListPutString(PropList* list, int32_t number, const char* text) {
  TypedValue value{};
  value.type = VtText;
  value.u.text = const_cast<char*>(text);
  PropListPut(list, number, &value);
}

TypedValue TypedValueCopy(const TypedValue* value) {
  TypedValue copy{};
  if (value == nullptr) return copy;
  copy.type = value->type;
  const ValueUnion& s = value->u;
  ValueUnion& u = copy.u;
  switch (value->type) {
    case VtInt:
    case VtMetric:
      u.number = s.number;
      break;
    case VtId:
      u.id = s.id;
      break;
    case VtTextLoc:
      u.loc = s.loc;
      break;
    case VtTextRange:
      u.range = s.range;
      break;
    case VtText:
      u.text = TextDuplicate(s.text);
      break;
    case VtMetricList:
    case VtIntList:
    case VtIdList:
      CopyFlat(s.ints.count, s.ints.items, &u.ints.count, &u.ints.items);
      break;
    case VtPoints:
    case VtIntPairs:
      CopyFlat(s.pairs.count, s.pairs.items, &u.pairs.count, &u.pairs.items);
      break;
    case VtBytes:
      CopyFlat(s.bytes.count, s.bytes.bytes, &u.bytes.count, &u.bytes.bytes);
      break;
    case VtTextList:
      CopyTexts(s.texts, &u.texts);
      break;
    case VtTabs:
      CopyEntries(s.tabs.count, s.tabs.items, &u.tabs.count, &u.tabs.items);
      break;
    case VtElements:
      CopyEntries(s.elements.count, s.elements.items, &u.elements.count, &u.elements.items);
      break;
    case VtAttributes:
      CopyEntries(s.attributes.count, s.attributes.items, &u.attributes.count, &u.attributes.items);
      break;
    case VtBlock24:
      if (s.block24 != nullptr) {
        u.block24 = static_cast<uint8_t*>(ClientAllocZeroed(24, 1));
        if (u.block24 != nullptr) std::memcpy(u.block24, s.block24, 24);
      }
      break;
    default:
      break;
  }
  return copy;
}

void TypedValueFree(TypedValue* value) {
  if (value == nullptr) return;
  ReleaseOwned(*value, ClientFree);
  ClearOwned(value);
}

void PropValFree(PropVal* val) {
  if (val == nullptr) return;
  ClientFreeAndClear(reinterpret_cast<void**>(&val->key.name));
  TypedValueFree(&val->value);
}

void PropListFree(PropList* list) {
  if (list == nullptr) return;
  if (list->vals != nullptr) {
    // The heap's own free, called directly: the walk never passes it null.
    ReleaseElements(list->vals, list->count, ClientHeap().free, true);
    ClientFree(list->vals);
  }
  *list = {0, nullptr};
}

void MetricListFree(MetricList* list) {
  if (list == nullptr) return;
  ClientFree(list->items);
  *list = {0, nullptr};
}

}  // namespace zv
