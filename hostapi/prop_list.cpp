#include "hostapi/prop_list.h"

#include <cstdint>
#include <cstring>

#include "util/memory.h"
#include "util/text.h"

namespace zv {

namespace {

// The value types with parts of their own (texts, arrays, entries, blocks): 3, 5 to 8, 12 to
// 15, 17 to 19. Most values of a list own none; one test passes them by, where a switch on the
// type would be a jump the processor mostly fails to foresee.
constexpr uint32_t OwningTypes = (1u << 3) | (0xFu << 5) | (0xFu << 12) | (0x7u << 17);
inline bool OwnsParts(int32_t type) {
  return static_cast<uint32_t>(type) < 32 && ((OwningTypes >> type) & 1u) != 0;
}

// Empties the owned parts of a value: pointers null, counts 0. Used after a release, and on
// a value just copied from the host, before its parts are copied.
void ClearOwned(TypedValue* value) {
  switch (value->type) {
    case 3:
    case 5:
    case 6:
    case 7:
    case 8:
    case 12:
    case 13:
    case 14:
    case 15:
    case 17:
    case 18:
    case 19:
      std::memset(&value->u, 0, sizeof value->u);
      break;
    default:
      break;
  }
}

// ---- Import from the host ----

// Copies the host blocks of one list with `alloc`. Every field is first set to null, then
// replaced by its copy, so a half-built copy can always be released with the client functions.
class Importer {
 public:
  explicit Importer(AllocFn alloc) : alloc_(alloc) {}

  // A new block for count items; arrays are allocated also for a count of 0.
  bool Allocate(size_t count, size_t size, void** out) {
    *out = nullptr;
    size_t bytes = 0;
    // A 32-bit count times an element size overflows only where size_t has 32 bits (Win32).
    if (!ArrayBytes(count, size, &bytes)) return false;  // GCOVR_EXCL_BR_LINE
    *out = alloc_(bytes != 0 ? bytes : 1);
    return *out != nullptr;
  }

  // A new block with the bytes of src; null stays null.
  bool Block(const void* src, size_t count, size_t size, void** out) {
    *out = nullptr;
    if (src == nullptr) return true;
    if (!Allocate(count, size, out)) return false;
    if (count != 0) std::memcpy(*out, src, count * size);
    return true;
  }

  bool Text(const char* src, char** out) {
    *out = nullptr;
    if (src == nullptr) return true;
    return Block(src, std::strlen(src) + 1, 1, reinterpret_cast<void**>(out));
  }

  // The texts of a list are nulled as soon as the array exists, then copied one by one.
  bool Texts(const TextList& src, TextList* out) {
    *out = {0, nullptr};
    char** texts = nullptr;
    if (!Block(src.texts, src.count, sizeof(char*), reinterpret_cast<void**>(&texts))) return false;
    if (texts == nullptr) return true;
    for (uint32_t i = 0; i < src.count; ++i) texts[i] = nullptr;
    *out = {src.count, texts};
    for (uint32_t i = 0; i < src.count; ++i)
      if (!Text(src.texts[i], &texts[i])) return false;
    return true;
  }

  template <typename T>
  bool Flat(uint32_t count, const T* src, uint32_t* outCount, T** out) {
    *outCount = 0;
    if (!Block(src, count, sizeof(T), reinterpret_cast<void**>(out))) return false;
    if (*out != nullptr) *outCount = count;
    return true;
  }

  // Entries are copied whole, their owned parts nulled, then each part copied.
  template <typename T>
  bool Entries(uint32_t count, const T* src, uint32_t* outCount, T** out) {
    if (!Flat(count, src, outCount, out)) return false;
    T* entries = *out;
    if (entries == nullptr) return true;
    for (uint32_t i = 0; i < *outCount; ++i) Detach(&entries[i]);
    for (uint32_t i = 0; i < *outCount; ++i)
      if (!Entry(src[i], &entries[i])) return false;
    return true;
  }

  bool Value(const TypedValue& src, TypedValue* out) {
    if (!OwnsParts(src.type)) return true;
    ValueUnion& u = out->u;
    const ValueUnion& s = src.u;
    switch (src.type) {
      case 3:
        return Text(s.text, &u.text);
      case 5:
      case 13:
      case 15:
        return Flat(s.ints.count, s.ints.items, &u.ints.count, &u.ints.items);
      case 6:
        return Texts(s.texts, &u.texts);
      case 7:
      case 12:
        return Flat(s.pairs.count, s.pairs.items, &u.pairs.count, &u.pairs.items);
      case 8:
        return Entries(s.tabs.count, s.tabs.items, &u.tabs.count, &u.tabs.items);
      case 14:
        return Flat(s.bytes.count, s.bytes.bytes, &u.bytes.count, &u.bytes.bytes);
      case 17:
        return Entries(s.rich.count, s.rich.items, &u.rich.count, &u.rich.items);
      case 18:
        return Entries(s.named.count, s.named.items, &u.named.count, &u.named.items);
      case 19:
        return Block(s.block24, 24, 1, reinterpret_cast<void**>(&u.block24));
      default:
        return true;
    }
  }

 private:
  static void Detach(Entry8* e) { e->text = nullptr; }
  static void Detach(Entry17* e) {
    e->text0 = e->text32 = e->text36 = nullptr;
    e->list16 = {0, nullptr};
    e->list24 = {0, nullptr};
  }
  static void Detach(Entry18* e) {
    e->text0 = nullptr;
    e->list4 = {0, nullptr};
  }

  bool Entry(const Entry8& src, Entry8* out) { return Text(src.text, &out->text); }
  bool Entry(const Entry17& src, Entry17* out) {
    return Text(src.text0, &out->text0) && Text(src.text32, &out->text32) && Text(src.text36, &out->text36) &&
           Texts(src.list16, &out->list16) && Texts(src.list24, &out->list24);
  }
  bool Entry(const Entry18& src, Entry18* out) { return Text(src.text0, &out->text0) && Texts(src.list4, &out->list4); }

  AllocFn alloc_;
};

// ---- Release of host blocks ----

void ReleaseBlock(void* block, ReleaseFn release) {
  if (block != nullptr) release(block);
}

void ReleaseTexts(const TextList& list, ReleaseFn release) {
  if (list.texts == nullptr) return;
  for (uint32_t i = 0; i < list.count; ++i) ReleaseBlock(list.texts[i], release);
  release(list.texts);
}

void ReleaseEntry(const Entry8& e, ReleaseFn release) {
  ReleaseBlock(e.text, release);
}
void ReleaseEntry(const Entry17& e, ReleaseFn release) {
  ReleaseBlock(e.text0, release);
  ReleaseTexts(e.list16, release);
  ReleaseTexts(e.list24, release);
  ReleaseBlock(e.text32, release);
  ReleaseBlock(e.text36, release);
}
void ReleaseEntry(const Entry18& e, ReleaseFn release) {
  ReleaseBlock(e.text0, release);
  ReleaseTexts(e.list4, release);
}

template <typename T>
void ReleaseEntries(uint32_t count, T* items, ReleaseFn release) {
  if (items == nullptr) return;
  for (uint32_t i = 0; i < count; ++i) ReleaseEntry(items[i], release);
  release(items);
}

// Releases every part a value owns, by type, and writes nothing: callers that keep the value
// clear it themselves, and the list functions release the element array right after.
void ReleaseOwned(const TypedValue& value, ReleaseFn release) {
  const ValueUnion& u = value.u;
  switch (value.type) {
    case 3:
      ReleaseBlock(u.text, release);
      break;
    case 5:
    case 7:
    case 12:
    case 13:
    case 14:
    case 15:
      ReleaseBlock(u.ints.items, release);  // the flat layouts share {count, pointer}
      break;
    case 6:
      ReleaseTexts(u.texts, release);
      break;
    case 8:
      ReleaseEntries(u.tabs.count, u.tabs.items, release);
      break;
    case 17:
      ReleaseEntries(u.rich.count, u.rich.items, release);
      break;
    case 18:
      ReleaseEntries(u.named.count, u.named.items, release);
      break;
    case 19:
      ReleaseBlock(u.block24, release);
      break;
    default:
      break;
  }
}

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

void CopyEntry(const Entry8& src, Entry8* out) {
  *out = src;
  out->text = TextDuplicate(src.text);
}
void CopyEntry(const Entry17& src, Entry17* out) {
  *out = src;
  out->text0 = TextDuplicate(src.text0);
  CopyTexts(src.list16, &out->list16);
  CopyTexts(src.list24, &out->list24);
  out->text32 = TextDuplicate(src.text32);
  out->text36 = TextDuplicate(src.text36);
}
void CopyEntry(const Entry18& src, Entry18* out) {
  *out = src;
  out->text0 = TextDuplicate(src.text0);
  CopyTexts(src.list4, &out->list4);
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

void PropListImport(PropList* dest, const PropList* host, AllocFn alloc) {
  if (dest == nullptr) return;
  *dest = {0, nullptr};
  if (host == nullptr || host->vals == nullptr) return;
  // The client heap's own function is called directly: ClientAlloc would only pass each call on.
  if (alloc == nullptr || alloc == ClientAlloc) alloc = ClientHeap().alloc;

  Importer importer(alloc);
  // The elements are copied in one block (a copy the processor streams, where element by
  // element each store would wait for its line), then each one's own parts are copied.
  // Only the first `count` elements are the client's: the rest still hold host pointers.
  PropVal* vals = nullptr;
  if (!importer.Allocate(host->count, sizeof(PropVal), reinterpret_cast<void**>(&vals))) return;
  if (host->count != 0) std::memcpy(vals, host->vals, host->count * sizeof(PropVal));
  *dest = {0, vals};
  for (uint32_t i = 0; i < host->count; ++i) {
    const PropVal& src = host->vals[i];
    PropVal& val = vals[i];
    val.key.name = nullptr;  // a name beside a nonzero number is the host's, never ours
    dest->count = i + 1;
    // Value() empties the owned fields it copies before its first allocation, so a failed
    // copy never leaves a host pointer in the element.
    bool copied =
        importer.Value(src.value, &val.value) && (src.key.number != 0 || importer.Text(src.key.name, &val.key.name));
    if (!copied) {
      PropListFree(dest);
      return;
    }
  }
}

void PropListRelease(PropList* host, ReleaseFn release) {
  if (host == nullptr) return;
  if (host->vals != nullptr && release != nullptr) {
    for (uint32_t i = 0; i < host->count; ++i) {
      const PropVal& val = host->vals[i];
      if (val.key.number == 0) ReleaseBlock(val.key.name, release);
      if (OwnsParts(val.value.type)) ReleaseOwned(val.value, release);
    }
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
  value.type = 3;
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
    case 1:
    case 2:
    case 4:
      u.words[0] = s.words[0];
      break;
    case 9:
      u.words[0] = s.words[0];
      u.words[1] = s.words[1];
      break;
    case 10:
      for (int i = 0; i < 4; ++i) u.words[i] = s.words[i];
      break;
    case 3:
      u.text = TextDuplicate(s.text);
      break;
    case 5:
    case 13:
    case 15:
      CopyFlat(s.ints.count, s.ints.items, &u.ints.count, &u.ints.items);
      break;
    case 7:
    case 12:
      CopyFlat(s.pairs.count, s.pairs.items, &u.pairs.count, &u.pairs.items);
      break;
    case 14:
      CopyFlat(s.bytes.count, s.bytes.bytes, &u.bytes.count, &u.bytes.bytes);
      break;
    case 6:
      CopyTexts(s.texts, &u.texts);
      break;
    case 8:
      CopyEntries(s.tabs.count, s.tabs.items, &u.tabs.count, &u.tabs.items);
      break;
    case 17:
      CopyEntries(s.rich.count, s.rich.items, &u.rich.count, &u.rich.items);
      break;
    case 18:
      CopyEntries(s.named.count, s.named.items, &u.named.count, &u.named.items);
      break;
    case 19:
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
    // The elements are released as PropValFree would, without clearing them: the array
    // goes right after.
    // The heap's own free, called directly: the release functions never pass it null.
    const ReleaseFn release = ClientHeap().free;
    for (uint32_t i = 0; i < list->count; ++i) {
      ReleaseBlock(list->vals[i].key.name, release);
      if (OwnsParts(list->vals[i].value.type)) ReleaseOwned(list->vals[i].value, release);
    }
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
