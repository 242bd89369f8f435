// The import of a host property list into client memory, and of its release with it:
// element by element for the lists objects have, in chunks without a jump on the value type
// for long ones.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "hostapi/prop_list.h"
#include "hostapi/prop_parts.h"
#include "util/memory.h"

namespace zv {

namespace {

// The size of a block's items, for the types with one owned part in the order of their bits
// (text, metric list, points, int pairs, int list, bytes, id list, block): a text counts no
// items, the 24-byte block is one item of 24 bytes.
constexpr uint8_t ItemSizes[8] = {0, 4, 8, 8, 4, 1, 4, 24};
static_assert(SingleTypes == (Bit(VtText) | Bit(VtMetricList) | Bit(VtPoints) | Bit(VtIntPairs) | Bit(VtIntList) |
                              Bit(VtBytes) | Bit(VtIdList) | Bit(VtBlock24)),
              "ItemSizes lists every type with one owned part, in the order of its bit");
static_assert(sizeof(WordPair) == 8 && sizeof(int32_t) == 4, "pairs are 8 bytes, integers 4");
inline uint32_t ItemSize(uint32_t bit) {  // bit: one of SingleTypes
  return ItemSizes[__builtin_popcount(SingleTypes & (bit - 1))];
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
      if ((bit & CountedTypes) != 0) out->u.ints.count = 0;  // where every counted value keeps its count
      return true;
    }
    const bool text = (bit & TextTypes) != 0;
    const uint32_t count = (bit & CountedTypes) != 0 ? src.u.ints.count : 1u;  // a text's item size is 0
    size_t bytes = 0;
    // GCOVR_EXCL_BR_START: only Win32 can overflow
    if (!ArrayBytes(count, ItemSize(bit), &bytes)) return false;
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
      case VtTextList:
        return Texts(s.texts, &u.texts);
      case VtTabs:
        return Entries(s.tabs.count, s.tabs.items, &u.tabs.count, &u.tabs.items);
      case VtElements:
        return Entries(s.elements.count, s.elements.items, &u.elements.count, &u.elements.items);
      default:  // VtAttributes, the only other nested type
        return Entries(s.attributes.count, s.attributes.items, &u.attributes.count, &u.attributes.items);
    }
  }

 private:
  static void Detach(TabEntry* e) { e->leader = nullptr; }
  static void Detach(ElementEntry* e) {
    e->name = e->firstText = e->secondText = nullptr;
    e->firstList = {0, nullptr};
    e->secondList = {0, nullptr};
  }
  static void Detach(AttributeEntry* e) {
    e->name = nullptr;
    e->values = {0, nullptr};
  }

  bool Entry(const TabEntry& src, TabEntry* out) { return Text(src.leader, &out->leader); }
  bool Entry(const ElementEntry& src, ElementEntry* out) {
    return Text(src.name, &out->name) && Text(src.firstText, &out->firstText) &&
           Text(src.secondText, &out->secondText) && Texts(src.firstList, &out->firstList) &&
           Texts(src.secondList, &out->secondList);
  }
  bool Entry(const AttributeEntry& src, AttributeEntry* out) {
    return Text(src.name, &out->name) && Texts(src.values, &out->values);
  }

  AllocFn alloc_;
};

// The parts of a chunk of elements to copy. The client array starts as a copy of the host's,
// so each element still holds the host's pointers: Gather lists the parts in element order
// and nulls their pointers (the elements are then client elements that own nothing yet, and a
// failed copy can always be freed as a client list); Copy replaces them by copies.
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

  // Copies the parts. With `release`, each host part is released once copied, while it is
  // still in the cache (and its block is at hand for the next copy). False when an allocation
  // fails: what was copied is then in the elements, and the host parts from the failed one on
  // are released too.
  bool Copy(Importer& importer, const PropVal* host, PropVal* vals, ReleaseFn release) const {
    for (const uint16_t* part = parts_; part != end_; ++part) {
      if (!CopyPart(importer, *part, host, vals)) {
        for (; release != nullptr && part != end_; ++part) ReleasePart(*part, host, release);
        return false;
      }
      if (release != nullptr) ReleasePart(*part, host, release);
    }
    return true;
  }

 private:
  static bool CopyPart(Importer& importer, uint16_t part, const PropVal* host, PropVal* vals) {
    const uint32_t k = part & IndexMask;
    if ((part & NamePart) != 0) return importer.Text(host[k].key.name, &vals[k].key.name);
    if ((part & NestedPart) != 0) return importer.Nested(host[k].value, &vals[k].value);
    return importer.Part(host[k].value, &vals[k].value);
  }
  static void ReleasePart(uint16_t part, const PropVal* host, ReleaseFn release) {
    const PropVal& src = host[part & IndexMask];
    if ((part & NestedPart) != 0) {
      ReleaseOwned(src.value, release);
      return;
    }
    void* block = (part & NamePart) != 0 ? src.key.name : PartAt(src.value.u, TypeBit(src.value.type));
    if (block != nullptr) release(block);
  }

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
// are the client's: the rest still hold host pointers. With `release`, each host element's
// parts are released once copied, and all the rest when a copy fails. False when an
// allocation fails.
bool ImportEach(Importer& importer, const PropList& host, PropList* dest, ReleaseFn release) {
  if (host.count != 0) std::memcpy(dest->vals, host.vals, host.count * sizeof(PropVal));
  for (uint32_t i = 0; i < host.count; ++i) {
    const PropVal& src = host.vals[i];
    PropVal& val = dest->vals[i];
    val.key.name = nullptr;  // a name beside a nonzero number is the host's, never ours
    dest->count = i + 1;
    // Value() empties the owned fields it copies before its first allocation, so a failed
    // copy never leaves a host pointer in the element.
    const bool copied =
        importer.Value(src.value, &val.value) && (src.key.number != 0 || importer.Text(src.key.name, &val.key.name));
    if (release != nullptr) ReleaseElements(&src, copied ? 1 : host.count - i, release, false);
    if (!copied) return false;
  }
  return true;
}

// The same a chunk at a time: the elements in one block, then their parts, while both chunks
// are in the first-level cache.
bool ImportChunks(Importer& importer, const PropList& host, PropList* dest, ReleaseFn release) {
  ChunkImport chunk;
  for (uint32_t base = 0; base < host.count; base += ChunkSize) {
    const uint32_t size = std::min(ChunkSize, host.count - base);
    std::memcpy(dest->vals + base, host.vals + base, size * sizeof(PropVal));
    chunk.Gather(host.vals + base, dest->vals + base, size);
    dest->count = base + size;
    if (!chunk.Copy(importer, host.vals + base, dest->vals + base, release)) {
      if (release != nullptr) ReleaseElements(host.vals + base + size, host.count - base - size, release, false);
      return false;
    }
  }
  return true;
}

// Copies a host list into dest; with `release`, every part the host's elements own is
// released as well (all of them, whatever fails), but not the element array.
void ImportList(PropList* dest, const PropList& host, AllocFn alloc, ReleaseFn release) {
  *dest = {0, nullptr};
  // The client heap's own function is called directly: ClientAlloc would only pass each call on.
  if (alloc == nullptr || alloc == ClientAlloc) alloc = ClientHeap().alloc;

  Importer importer(alloc);
  PropVal* vals = nullptr;
  if (!importer.Allocate(host.count, sizeof(PropVal), reinterpret_cast<void**>(&vals))) {
    if (release != nullptr) ReleaseElements(host.vals, host.count, release, false);
    return;
  }
  *dest = {0, vals};
  if (!(host.count <= LongList ? ImportEach(importer, host, dest, release)
                               : ImportChunks(importer, host, dest, release)))
    PropListFree(dest);
}

}  // namespace

void PropListImport(PropList* dest, const PropList* host, AllocFn alloc) {
  if (dest == nullptr) return;
  *dest = {0, nullptr};
  if (host == nullptr || host->vals == nullptr) return;
  ImportList(dest, *host, alloc, nullptr);
}

void PropListTake(PropList* dest, PropList* host, AllocFn alloc, ReleaseFn release) {
  if (dest == nullptr || host == nullptr || host->vals == nullptr || release == nullptr) {
    PropListImport(dest, host, alloc);
    PropListRelease(host, release);
    return;
  }
  ImportList(dest, *host, alloc, release);
  release(host->vals);
  *host = {0, nullptr};
}

}  // namespace zv
