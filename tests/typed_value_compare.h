// Deep comparison of a typed value with its copy, for the property-list tests and the fuzz
// target: the same contents, no pointer of the copy shared with the source, and the counts the
// copy routines give (an import empties a list without array; a copy within the client keeps
// its count, zero-filled, and turns a null text into "").
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "hostapi/abi.h"

namespace zvtest {

struct TypedValueCompare {
  bool withinClient;  // a copy within the client (else an import from the host)
  // When set: whether `block` is a block of exactly `size` bytes of the copy's heap.
  bool (*ownsBlock)(const void* block, size_t size) = nullptr;
  std::string failure;  // the first difference found; empty when there is none

  bool Same() const { return failure.empty(); }
  void Fail(const char* what) {
    if (failure.empty()) failure = what;
  }
  void Block(const void* copy, size_t size) {
    if (ownsBlock != nullptr && copy != nullptr && !ownsBlock(copy, size)) Fail("copy not in a block of its size");
  }
  void Text(const char* a, const char* b) {
    if (a != nullptr && a == b) Fail("shared text");
    if (a == nullptr && withinClient) a = "";
    if ((a == nullptr) != (b == nullptr) || (a != nullptr && std::strcmp(a, b) != 0)) return Fail("text differs");
    if (b != nullptr) Block(b, std::strlen(b) + 1);
  }
  // Whether the items of a counted list are there to compare.
  template <typename T>
  bool Counts(uint32_t n, const T* a, uint32_t m, const T* b) {
    if (a == nullptr && !withinClient) {
      if (m != 0 || b != nullptr) Fail("a list without array imported with items");
      return false;
    }
    if (n != m) Fail("count differs");
    if (n != 0 && b == nullptr) Fail("no array");
    if (a != nullptr && a == b) Fail("shared array");
    return Same() && a != nullptr;
  }
  void Texts(const zv::TextList& a, const zv::TextList& b) {
    if (!Counts(a.count, a.texts, b.count, b.texts)) return;
    for (uint32_t i = 0; i < a.count; ++i) Text(a.texts[i], b.texts[i]);
  }
  template <typename T>
  void Flat(uint32_t n, const T* a, uint32_t m, const T* b) {
    if (!Counts(n, a, m, b) || n == 0) return;
    if (std::memcmp(a, b, n * sizeof(T)) != 0) Fail("items differ");
    Block(b, n * sizeof(T));
  }
  template <typename T>
  void Words(const T& a, const T& b) {  // a value held in the union itself
    if (std::memcmp(&a, &b, sizeof a) != 0) Fail("words differ");
  }
  void Value(const zv::TypedValue& x, const zv::TypedValue& y);
};

inline void TypedValueCompare::Value(const zv::TypedValue& x, const zv::TypedValue& y) {
  if (x.type != y.type) return Fail("type differs");
  const zv::ValueUnion &a = x.u, &b = y.u;
  switch (x.type) {
    case zv::VtInt:
    case zv::VtMetric:
      return Words(a.number, b.number);
    case zv::VtId:
      return Words(a.id, b.id);
    case zv::VtTextLoc:
      return Words(a.loc, b.loc);
    case zv::VtTextRange:
      return Words(a.range, b.range);
    case zv::VtText:
      return Text(a.text, b.text);
    case zv::VtMetricList:
    case zv::VtIntList:
    case zv::VtIdList:
      return Flat(a.ints.count, a.ints.items, b.ints.count, b.ints.items);
    case zv::VtPoints:
    case zv::VtIntPairs:
      return Flat(a.pairs.count, a.pairs.items, b.pairs.count, b.pairs.items);
    case zv::VtBytes:
      return Flat(a.bytes.count, a.bytes.bytes, b.bytes.count, b.bytes.bytes);
    case zv::VtTextList:
      return Texts(a.texts, b.texts);
    case zv::VtTabs:
      if (Counts(a.tabs.count, a.tabs.items, b.tabs.count, b.tabs.items))
        for (uint32_t i = 0; i < a.tabs.count; ++i) {
          const zv::TabEntry &e = a.tabs.items[i], &f = b.tabs.items[i];
          if (e.position != f.position || e.kind != f.kind || e.decimal != f.decimal) Fail("tab words differ");
          Text(e.leader, f.leader);
        }
      return;
    case zv::VtElements:
      if (Counts(a.elements.count, a.elements.items, b.elements.count, b.elements.items))
        for (uint32_t i = 0; i < a.elements.count; ++i) {
          const zv::ElementEntry &e = a.elements.items[i], &f = b.elements.items[i];
          if (e.firstNumber != f.firstNumber || e.secondNumber != f.secondNumber || e.thirdNumber != f.thirdNumber)
            Fail("element words differ");
          Text(e.name, f.name);
          Text(e.firstText, f.firstText);
          Text(e.secondText, f.secondText);
          Texts(e.firstList, f.firstList);
          Texts(e.secondList, f.secondList);
        }
      return;
    case zv::VtAttributes:
      if (Counts(a.attributes.count, a.attributes.items, b.attributes.count, b.attributes.items))
        for (uint32_t i = 0; i < a.attributes.count; ++i) {
          const zv::AttributeEntry &e = a.attributes.items[i], &f = b.attributes.items[i];
          if (std::memcmp(e.flags, f.flags, 2) != 0) Fail("attribute field differs");
          Text(e.name, f.name);
          Texts(e.values, f.values);
        }
      return;
    case zv::VtBlock24:
      if ((a.block24 == nullptr) != (b.block24 == nullptr)) return Fail("block differs");
      if (a.block24 != nullptr && a.block24 == b.block24) return Fail("shared block");
      if (a.block24 != nullptr && std::memcmp(a.block24, b.block24, 24) != 0) Fail("block differs");
      if (b.block24 != nullptr) Block(b.block24, 24);
      return;
    default:
      return;  // other codes: only the code is kept
  }
}

}  // namespace zvtest
