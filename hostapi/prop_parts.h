// What the values of a property list own, for the walks over whole lists: shared by the
// import of host lists (prop_import.cpp) and the release and copies (prop_list.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "hostapi/abi.h"

namespace zv {

// What a value of each type owns, as one bit per type (types past 31 own nothing), computed
// from the value types' rows in abi.h. A list's types are as good as random, and a jump the
// processor fails to foresee costs about what a free does, so the walks compute with these
// bits instead of branching on the type.
constexpr uint32_t Bit(ValueType type) {
  return 1u << type;
}
enum class Owns { Nothing, Text, Items, Block, Nested };  // the last column of ZV_VALUE_TYPES
constexpr uint32_t TypesThatOwn(Owns what) {
  uint32_t bits = 0;
#define ZV_OWNED_BIT(name, code, member, owns) bits |= Owns::owns == what ? Bit(Vt##name) : 0u;
  ZV_VALUE_TYPES(ZV_OWNED_BIT)
#undef ZV_OWNED_BIT
  return bits;
}
constexpr uint32_t TextTypes = TypesThatOwn(Owns::Text);                   // a text
constexpr uint32_t CountedTypes = TypesThatOwn(Owns::Items);               // count items
constexpr uint32_t BlockTypes = CountedTypes | TypesThatOwn(Owns::Block);  // and one 24-byte block
constexpr uint32_t NestedTypes = TypesThatOwn(Owns::Nested);               // texts, entries
constexpr uint32_t SingleTypes = TextTypes | BlockTypes;                   // one owned pointer
constexpr uint32_t OwningTypes = SingleTypes | NestedTypes;

inline uint32_t TypeBit(int32_t type) {
  const uint32_t t = static_cast<uint32_t>(type);
  return (1u << (t & 31u)) & (0u - static_cast<uint32_t>(t < 32));  // computed, not chosen
}

// Counted values keep their items after the count ({count, pointer}); texts and the 24-byte
// block are the value's first field. Every row's member is checked to be laid out so.
constexpr size_t ItemsAt = offsetof(ValueUnion, ints.items);
static_assert(offsetof(ValueUnion, pairs.items) == ItemsAt && offsetof(ValueUnion, bytes.bytes) == ItemsAt,
              "counted values keep their items at one place");
constexpr bool LaidOutForTheWalks(Owns owns, size_t memberSize) {
  switch (owns) {
    case Owns::Items:
      return memberSize == ItemsAt + sizeof(void*);  // {count, pointer}
    case Owns::Text:
    case Owns::Block:
      return memberSize == sizeof(void*);  // the pointer alone
    default:
      return true;
  }
}
#define ZV_LAID_OUT(name, code, member, owns) \
  static_assert(LaidOutForTheWalks(Owns::owns, sizeof(ValueUnion::member)), "Vt" #name " as the walks read it");
ZV_VALUE_TYPES(ZV_LAID_OUT)
#undef ZV_LAID_OUT

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
void ClearOwned(TypedValue* value);

// Releases every part a value owns (not the value itself) with `release`.
void ReleaseOwned(const TypedValue& value, ReleaseFn release);
// Releases what the elements own: a name when its number is 0, or always with `allNames`.
void ReleaseElements(const PropVal* vals, uint32_t count, ReleaseFn release, bool allNames);

}  // namespace zv
