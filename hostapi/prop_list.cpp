#include "hostapi/prop_list.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "util/memory.h"
#include "util/text.h"

namespace zv {

namespace {

// What a value of each type owns, for the walks over whole lists, as one bit per type (types
// past 31 own nothing). A list's types are as good as random, and a jump the processor fails
// to foresee costs about what a free does, so the walks compute with these bits instead of
// branching on the type.
constexpr uint32_t TextTypes = 1u << 3;                                  // a text
constexpr uint32_t CountedTypes = (1u << 5) | (1u << 7) | (0xFu << 12);  // count items
constexpr uint32_t BlockTypes = CountedTypes | (1u << 19);               // 19: 24 bytes
constexpr uint32_t NestedTypes = (1u << 6) | (1u << 8) | (3u << 17);     // texts, entries
constexpr uint32_t SingleTypes = TextTypes | BlockTypes;                 // one owned pointer

inline uint32_t TypeBit(int32_t type) {
  const uint32_t t = static_cast<uint32_t>(type);
  return (1u << (t & 31u)) & (0u - static_cast<uint32_t>(t < 32));  // computed, not chosen
}

// The size of a block's items by type: an array of count items, or one 24-byte block (19).
constexpr uint8_t ItemSizes[32] = {0, 0, 0, 0, 0, 4, 0, 8, 0, 0, 0, 0, 8, 4, 1, 4, 0, 0, 0, 24};
static_assert(sizeof(Item8) == 8, "pairs are 8 bytes");

// Counted values keep their items after the count ({count, pointer}); texts and 19's block
// are the value's first field.
constexpr size_t ItemsAt = offsetof(ValueUnion, ints.items);
static_assert(offsetof(ValueUnion, pairs.items) == ItemsAt && offsetof(ValueUnion, bytes.bytes) == ItemsAt,
              "counted values keep their items at one place");
inline size_t PartOffset(uint32_t bit) {  // computed, not chosen: a choice compiles to a jump
  return static_cast<size_t>((bit & CountedTypes) != 0) * ItemsAt;
}

// The owned pointer of a value with one part, read as bytes: the union's members are pointers
// of several types. For other values, bits that mean nothing.
inline void* PartAt(const ValueUnion& u, uint32_t bit) {
  void* part = nullptr;
  std::memcpy(&part, reinterpret_cast<const unsigned char*>(&u) + PartOffset(bit), sizeof part);
  return part;
}

// Lists up to this long are walked element by element: the processor learns the pattern of
// their types, which repeats from call to call (an object's list has the same types every
// time). Longer lists are walked in chunks, without a jump on the type: their patterns are too
// long to learn, and a jump foreseen wrongly costs about what a free does.
constexpr uint32_t LongList = 1024;

// The walks take a long list in chunks: a chunk's parts are gathered into arrays small enough
// to stay in the first-level cache, then handled in loops that branch alike for every part.
constexpr uint32_t ChunkSize = 64;

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

  // The owned parts of a value, by what its type owns.
  bool Value(const TypedValue& src, TypedValue* out) {
    const uint32_t bit = TypeBit(src.type);
    if ((bit & SingleTypes) != 0) return Part(src, out);
    if ((bit & NestedTypes) != 0) return Nested(src, out);
    return true;
  }

  // The text or block of a value with one part. Its pointer is nulled first, and a count
  // without an array beside it zeroed. A text is measured and a block counted in one path,
  // without a jump on which it is: a block measures "" and a text counts no items.
  bool Part(const TypedValue& src, TypedValue* out) {
    const uint32_t bit = TypeBit(src.type);
    const void* owned = PartAt(src.u, bit);
    unsigned char* const at = reinterpret_cast<unsigned char*>(&out->u) + PartOffset(bit);
    void* copy = nullptr;
    std::memcpy(at, &copy, sizeof copy);
    if (owned == nullptr) {
      if ((bit & CountedTypes) != 0) out->u.words[0] = 0;
      return true;
    }
    const bool text = (bit & TextTypes) != 0;
    const uint32_t count = (bit & CountedTypes) != 0 ? src.u.words[0] : 1u;  // a text's item size is 0
    size_t bytes = 0;
    // GCOVR_EXCL_BR_START: only Win32 can overflow
    if (!ArrayBytes(count, ItemSizes[static_cast<uint32_t>(src.type) & 31u], &bytes)) return false;
    // GCOVR_EXCL_BR_STOP
    bytes += (std::strlen(text ? static_cast<const char*>(owned) : "") + 1) * text;
    if (!Block(owned, bytes, 1, &copy)) return false;
    std::memcpy(at, &copy, sizeof copy);
    return true;
  }

  // The values with nested parts: lists of texts and of entries. Rare, and called from both
  // import walks: one copy of it in the module is enough.
  [[gnu::noinline]] bool Nested(const TypedValue& src, TypedValue* out) {
    ValueUnion& u = out->u;
    const ValueUnion& s = src.u;
    switch (src.type) {
      case 6:
        return Texts(s.texts, &u.texts);
      case 8:
        return Entries(s.tabs.count, s.tabs.items, &u.tabs.count, &u.tabs.items);
      case 17:
        return Entries(s.rich.count, s.rich.items, &u.rich.count, &u.rich.items);
      default:  // 18, the only other nested type
        return Entries(s.named.count, s.named.items, &u.named.count, &u.named.items);
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

// The parts of a chunk of elements to copy. The client array starts as a copy of the host's,
// so each element still holds the host's pointers: Gather lists the parts in element order
// (the order the host allocated them in, which the heap serves best) and nulls their pointers
// (the elements are then client elements that own nothing yet, and a failed copy can always
// be freed as a client list); Copy replaces them by copies.
class ChunkImport {
 public:
  // Reads the host's elements, which the client's are copies of, and writes the client's.
  void Gather(const PropVal* host, PropVal* vals, uint32_t size) {
    uint16_t* part = parts_;
    for (uint32_t k = 0; k < size; ++k) {
      const PropVal& src = host[k];
      PropVal& val = vals[k];
      // A name beside a nonzero number is the host's, never ours. Names are rare: a jump on
      // them is foreseen right nearly every time.
      if (src.key.number == 0) *part++ = static_cast<uint16_t>(k | NamePart);
      val.key.name = nullptr;
      const uint32_t bit = TypeBit(src.value.type);
      void* owned = PartAt(src.value.u, bit);
      const bool single = (bit & SingleTypes) != 0;
      const bool nested = (bit & NestedTypes) != 0;
      *part = static_cast<uint16_t>(k | (nested ? NestedPart : 0u));
      part += single | nested;
      // The pointer of a text or block is nulled; any other value is written back as it was.
      void* kept = single ? nullptr : owned;
      std::memcpy(reinterpret_cast<unsigned char*>(&val.value.u) + PartOffset(bit), &kept, sizeof kept);
      if (nested) ClearOwned(&val.value);
    }
    end_ = part;
  }

  // False when an allocation fails; what was copied is then in the elements.
  bool Copy(Importer& importer, const PropVal* host, PropVal* vals) {
    for (const uint16_t* part = parts_; part != end_; ++part) {
      const uint32_t k = *part & IndexMask;
      if ((*part & NamePart) != 0) {
        if (!importer.Text(host[k].key.name, &vals[k].key.name)) return false;
      } else if ((*part & NestedPart) != 0) {
        if (!importer.Nested(host[k].value, &vals[k].value)) return false;
      } else if (!importer.Part(host[k].value, &vals[k].value)) {
        return false;
      }
    }
    return true;
  }

 private:
  // A part to copy: the element's index in the chunk and whether it is the name or nested
  // parts (else the value's text or block).
  static constexpr uint32_t IndexMask = 0xFFu;
  static constexpr uint32_t NamePart = 0x100u;
  static constexpr uint32_t NestedPart = 0x200u;
  static_assert(ChunkSize <= IndexMask + 1, "a chunk index fits in the mask");

  uint16_t parts_[2 * ChunkSize];  // a name and a value's part per element at most
  const uint16_t* end_ = parts_;
};

// The elements are copied in one block (a copy the processor streams, where element by element
// each store would wait for its line), then each one's parts. Only the first `count` elements
// are the client's: the rest still hold host pointers. False when an allocation fails.
bool ImportEach(Importer& importer, const PropList& host, PropList* dest) {
  if (host.count != 0) std::memcpy(dest->vals, host.vals, host.count * sizeof(PropVal));
  for (uint32_t i = 0; i < host.count; ++i) {
    const PropVal& src = host.vals[i];
    PropVal& val = dest->vals[i];
    val.key.name = nullptr;  // a name beside a nonzero number is the host's, never ours
    dest->count = i + 1;
    // Value() empties the owned fields it copies before its first allocation, so a failed
    // copy never leaves a host pointer in the element.
    if (!importer.Value(src.value, &val.value)) return false;
    if (src.key.number == 0 && !importer.Text(src.key.name, &val.key.name)) return false;
  }
  return true;
}

// The same a chunk at a time: the elements in one block, then their parts, while both chunks
// are in the first-level cache.
bool ImportChunks(Importer& importer, const PropList& host, PropList* dest) {
  ChunkImport chunk;
  for (uint32_t base = 0; base < host.count; base += ChunkSize) {
    const uint32_t size = std::min(ChunkSize, host.count - base);
    std::memcpy(dest->vals + base, host.vals + base, size * sizeof(PropVal));
    chunk.Gather(host.vals + base, dest->vals + base, size);
    dest->count = base + size;
    if (!chunk.Copy(importer, host.vals + base, dest->vals + base)) return false;
  }
  return true;
}

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

// Releases what the elements own. A name is the element's own when its number is 0, or always
// when `allNames` (a client element owns its name, a host list may hold names that stay the
// host's).
void ReleaseEach(const PropVal* vals, uint32_t count, ReleaseFn release, bool allNames) {
  for (uint32_t i = 0; i < count; ++i) {
    const PropVal& val = vals[i];
    if (allNames || val.key.number == 0) ReleaseBlock(val.key.name, release);
    if ((TypeBit(val.value.type) & (SingleTypes | NestedTypes)) != 0) ReleaseOwned(val.value, release);
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

void ReleaseElements(const PropVal* vals, uint32_t count, ReleaseFn release, bool allNames) {
  if (count <= LongList)
    ReleaseEach(vals, count, release, allNames);
  else
    ReleaseChunks(vals, count, release, allNames);
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
  PropVal* vals = nullptr;
  if (!importer.Allocate(host->count, sizeof(PropVal), reinterpret_cast<void**>(&vals))) return;
  *dest = {0, vals};
  if (!(host->count <= LongList ? ImportEach(importer, *host, dest) : ImportChunks(importer, *host, dest)))
    PropListFree(dest);
}

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
