// Host lists built from the input (every value type, null arrays and texts where the layout
// allows) go through import, release and free; then the client list goes through copies,
// puts and a final free. A refusing client heap is part of the input. Every host block must
// be released exactly once and every client block freed.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "fuzz/fuzz_support.h"
#include "hostapi/prop_list.h"
#include "tests/typed_value_compare.h"
#include "util/memory.h"

namespace {

using fuzzheap::g_grants;
using fuzzheap::g_live;

// ---- The host heap ----
std::set<void*> g_hostBlocks;
void* HostAlloc(size_t n) {
  void* p = std::malloc(n == 0 ? 1 : n);
  g_hostBlocks.insert(p);
  return p;
}
void HostRelease(void* p) {
  Check(g_hostBlocks.erase(p) == 1);
  std::free(p);
}

// ---- The client heap: counted, refusing once its grants are spent ----

// ---- Host values from the input ----
class HostBuilder {
 public:
  explicit HostBuilder(FuzzedDataProvider& in) : in_(in) {}

  char* Text() {
    if (in_.ConsumeIntegralInRange(0, 5) == 0) return nullptr;
    std::string s = in_.ConsumeRandomLengthString(12);
    char* t = static_cast<char*>(HostAlloc(s.size() + 1));
    std::memcpy(t, s.c_str(), s.size() + 1);  // stops at an embedded NUL like any text
    return t;
  }
  template <typename T>
  T* Array(uint32_t* count) {
    *count = in_.ConsumeIntegralInRange<uint32_t>(0, 5);
    if (in_.ConsumeIntegralInRange(0, 7) == 0) return nullptr;  // a host list without array
    T* a = static_cast<T*>(HostAlloc(*count * sizeof(T)));
    for (uint32_t i = 0; i < *count; ++i) {
      std::string raw = in_.ConsumeBytesAsString(sizeof(T));
      raw.resize(sizeof(T));
      std::memcpy(static_cast<void*>(&a[i]), raw.data(), sizeof(T));
    }
    return a;
  }
  zv::TextList Texts() {
    zv::TextList l{};
    l.texts = Array<char*>(&l.count);
    for (uint32_t i = 0; l.texts != nullptr && i < l.count; ++i) l.texts[i] = Text();
    return l;
  }
  void Value(zv::TypedValue* v) {
    v->type = in_.ConsumeIntegralInRange(0, 20);
    std::string raw = in_.ConsumeBytesAsString(sizeof v->u);
    raw.resize(sizeof v->u);
    std::memcpy(&v->u, raw.data(), sizeof v->u);
    zv::ValueUnion& u = v->u;
    switch (v->type) {
      case zv::VtText:
        u.text = Text();
        break;
      case zv::VtMetricList:
      case zv::VtIntList:
      case zv::VtIdList:
        u.ints.items = Array<int32_t>(&u.ints.count);
        break;
      case zv::VtTextList:
        u.texts = Texts();
        break;
      case zv::VtPoints:
      case zv::VtIntPairs:
        u.pairs.items = Array<zv::WordPair>(&u.pairs.count);
        break;
      case zv::VtBytes:
        u.bytes.bytes = Array<uint8_t>(&u.bytes.count);
        break;
      case zv::VtTabs:
        u.tabs.items = Array<zv::TabEntry>(&u.tabs.count);
        for (uint32_t i = 0; u.tabs.items && i < u.tabs.count; ++i) u.tabs.items[i].leader = Text();
        break;
      case zv::VtElements:
        u.elements.items = Array<zv::ElementEntry>(&u.elements.count);
        for (uint32_t i = 0; u.elements.items && i < u.elements.count; ++i) {
          zv::ElementEntry& e = u.elements.items[i];
          e.name = Text();
          e.firstList = Texts();
          e.secondList = Texts();
          e.firstText = Text();
          e.secondText = Text();
        }
        break;
      case zv::VtAttributes:
        u.attributes.items = Array<zv::AttributeEntry>(&u.attributes.count);
        for (uint32_t i = 0; u.attributes.items && i < u.attributes.count; ++i) {
          u.attributes.items[i].name = Text();
          u.attributes.items[i].values = Texts();
        }
        break;
      case zv::VtBlock24:
        u.block24 = nullptr;
        if (in_.ConsumeBool()) {
          u.block24 = static_cast<uint8_t*>(HostAlloc(24));
          std::memset(u.block24, in_.ConsumeIntegral<uint8_t>(), 24);
        }
        break;
      default:
        break;
    }
  }
  zv::PropList List() {
    zv::PropList list{};
    list.count = in_.ConsumeIntegralInRange<uint32_t>(0, 12);
    if (in_.ConsumeIntegralInRange(0, 15) == 0) {
      list.vals = nullptr;
      return list;
    }
    list.vals = static_cast<zv::PropVal*>(HostAlloc(list.count * sizeof(zv::PropVal)));
    for (uint32_t i = 0; i < list.count; ++i) {
      zv::PropVal& pv = list.vals[i];
      pv.key.number = in_.ConsumeBool() ? 0 : in_.ConsumeIntegralInRange(1, 6);
      pv.key.name = pv.key.number == 0 ? Text() : nullptr;
      Value(&pv.value);
    }
    return list;
  }

 private:
  FuzzedDataProvider& in_;
};

// Import, compare, release; a list of odd length is taken instead (imported and released in
// one walk) and compared with a copy imported before. Gives the client list.
zv::PropList ImportAndCompare(HostBuilder& host) {
  zv::PropList hostList = host.List();
  zv::PropList client{}, before{};
  const bool take = (hostList.count & 1) != 0;
  if (take) {
    const long grants = g_grants;
    g_grants = -1;
    zv::PropListImport(&before, &hostList, zv::ClientAlloc);
    g_grants = grants;
  }
  const long beforeBlocks = g_live;
  if (take)
    zv::PropListTake(&client, &hostList, zv::ClientAlloc, HostRelease);
  else
    zv::PropListImport(&client, &hostList, zv::ClientAlloc);
  const zv::PropList& expected = take ? before : hostList;
  if (client.vals == nullptr) {
    Check(client.count == 0 && g_live == beforeBlocks);
  } else {
    Check(client.count == expected.count);
    for (uint32_t i = 0; i < client.count; ++i) {
      zvtest::TypedValueCompare same{false, nullptr, {}};
      const zv::PropVal &h = expected.vals[i], &c = client.vals[i];
      Check(h.key.number == c.key.number);
      same.Text(h.key.name, c.key.name);
      same.Value(h.value, c.value);
      Check(same.Same());
    }
  }
  zv::PropListRelease(&hostList, HostRelease);
  zv::PropListFree(&before);
  Check(g_hostBlocks.empty() && hostList.count == 0 && hostList.vals == nullptr);
  g_grants = -1;
  return client;
}

// Client operations: copies, puts (also of a value taken from the list), index lookups.
void ClientOperations(FuzzedDataProvider& in, HostBuilder& host, zv::PropList& client) {
  while (in.remaining_bytes() > 0) {
    switch (in.ConsumeIntegralInRange(0, 4)) {
      case 0: {
        zv::PropList one{};
        one.count = 1;
        one.vals = static_cast<zv::PropVal*>(HostAlloc(sizeof(zv::PropVal)));
        one.vals[0].key = {0, nullptr};
        host.Value(&one.vals[0].value);
        int32_t number = in.ConsumeIntegralInRange(-2, 20);
        g_grants = in.ConsumeBool() ? -1 : in.ConsumeIntegralInRange<long>(0, 20);
        zv::PropList before = client;
        zv::PropListPut(&client, number, &one.vals[0].value);
        g_grants = -1;
        int32_t index = zv::PropListIndexOf(&client, number);
        if (index < 0) {
          Check(client.count == before.count && client.vals == before.vals);  // refused: unchanged
        } else {
          zvtest::TypedValueCompare same{true, nullptr, {}};
          same.Value(one.vals[0].value, client.vals[index].value);
          Check(client.vals[index].key.name == nullptr);
          (void)same;  // a refused inner allocation may leave a value partly empty
        }
        zv::PropListRelease(&one, HostRelease);
        break;
      }
      case 1: {
        std::string s = in.ConsumeRandomLengthString(16);
        int32_t number = in.ConsumeIntegralInRange(-2, 20);
        zv::PropListPutString(&client, number, in.ConsumeBool() ? nullptr : s.c_str());
        int32_t index = zv::PropListIndexOf(&client, number);
        Check(index >= 0 && client.vals[index].value.type == zv::VtText);
        break;
      }
      case 2:
        if (client.count > 0 && client.vals != nullptr) {
          uint32_t i = in.ConsumeIntegralInRange<uint32_t>(0, client.count - 1);
          zv::TypedValue copy = zv::TypedValueCopy(&client.vals[i].value);
          zvtest::TypedValueCompare same{true, nullptr, {}};
          same.Value(client.vals[i].value, copy);
          Check(same.Same());
          zv::TypedValueFree(&copy);
        }
        break;
      case 3:
        if (client.count > 0 && client.vals != nullptr) {
          uint32_t i = in.ConsumeIntegralInRange<uint32_t>(0, client.count - 1);
          zv::PropListPut(&client, in.ConsumeIntegralInRange(-2, 20), &client.vals[i].value);
        }
        break;
      default: {
        int32_t number = in.ConsumeIntegralInRange(-2, 20);
        int32_t index = zv::PropListIndexOf(&client, number);
        for (uint32_t i = 0; client.vals != nullptr && i < client.count; ++i)
          if (client.vals[i].key.number == number) {
            Check(index == static_cast<int32_t>(i));
            break;
          }
        if (index >= 0) Check(client.vals[index].key.number == number);
        break;
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const zv::ClientAllocator counted = fuzzheap::Counted();
  const zv::ClientAllocator previous = zv::SetClientAllocator(&counted);
  g_live = 0;
  g_grants = in.ConsumeBool() ? -1 : in.ConsumeIntegralInRange<long>(0, 60);
  HostBuilder host(in);
  zv::PropList client = ImportAndCompare(host);
  ClientOperations(in, host, client);
  zv::PropListFree(&client);
  Check(client.count == 0 && client.vals == nullptr && g_live == 0);
  zv::SetClientAllocator(&previous);
  return 0;
}
