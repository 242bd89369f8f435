#include "hostapi/prop_list.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/typed_value_compare.h"
#include "util/memory.h"
#include "util/text.h"

namespace {

// ---- A client heap that counts its blocks and can refuse after a number of grants ----

std::map<void*, size_t> g_clientBlocks;
std::vector<size_t> g_reallocSizes;
long g_grantsLeft = -1;  // -1: never refuse

bool Grant() {
  if (g_grantsLeft == 0) return false;
  if (g_grantsLeft > 0) --g_grantsLeft;
  return true;
}
void* CountedAlloc(size_t size) {
  // An allocator may answer 0 bytes with null, which would read as memory running out.
  EXPECT_NE(size, 0u) << "a request for 0 bytes";
  if (!Grant()) return nullptr;
  void* p = std::malloc(size ? size : 1);
  std::memset(p, 0xA5, size);  // fresh blocks hold no leftovers of blocks just freed
  g_clientBlocks[p] = size;
  return p;
}
void* CountedAllocZeroed(size_t count, size_t size) {
  if (!Grant()) return nullptr;
  void* p = std::calloc(count ? count : 1, size ? size : 1);
  g_clientBlocks[p] = count * size;
  return p;
}
void* CountedRealloc(void* block, size_t size) {
  if (!Grant()) return nullptr;
  if (block != nullptr) {
    EXPECT_EQ(g_clientBlocks.erase(block), 1u) << "realloc of a foreign block";
  }
  void* p = std::realloc(block, size ? size : 1);
  g_clientBlocks[p] = size;
  g_reallocSizes.push_back(size);
  return p;
}
void CountedFree(void* block) {
  EXPECT_EQ(g_clientBlocks.erase(block), 1u) << "free of a foreign block";
  std::free(block);
}

class PropListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_clientBlocks.clear();
    g_reallocSizes.clear();
    g_grantsLeft = -1;
    zv::ClientAllocator counted = {CountedAlloc, CountedAllocZeroed, CountedRealloc, CountedFree};
    previous_ = zv::SetClientAllocator(&counted);
  }
  void TearDown() override {
    zv::SetClientAllocator(&previous_);
    EXPECT_TRUE(g_clientBlocks.empty()) << g_clientBlocks.size() << " client blocks leaked";
    for (void* p : hostBlocks_) std::free(p);
  }

  // ---- The host's side: its own heap, its own release function ----
  static std::set<void*> hostBlocks_;
  static void* HostAlloc(size_t size) {
    void* p = std::malloc(size ? size : 1);
    hostBlocks_.insert(p);
    return p;
  }
  static void HostRelease(void* p) {
    EXPECT_EQ(hostBlocks_.erase(p), 1u) << "host released a block it does not own";
    std::free(p);
  }
  char* HostText(const char* s) {
    char* t = static_cast<char*>(HostAlloc(std::strlen(s) + 1));
    std::strcpy(t, s);
    return t;
  }
  template <typename T>
  T* HostArray(size_t n) {
    T* a = static_cast<T*>(HostAlloc(n * sizeof(T)));
    std::memset(static_cast<void*>(a), 0, n * sizeof(T));
    return a;
  }
  zv::TextList HostTexts(std::vector<const char*> texts) {
    zv::TextList l{static_cast<uint32_t>(texts.size()), HostArray<char*>(texts.size())};
    for (size_t i = 0; i < texts.size(); ++i) l.texts[i] = texts[i] ? HostText(texts[i]) : nullptr;
    return l;
  }

  // One element of every value type, some keyed by name, some texts null; `copies` times over
  // (lists of over 1,024 elements are copied and released by another walk).
  zv::PropList HostListOfEveryType(int copies = 1) {
    std::vector<zv::PropVal> v;
    for (int copy = 0; copy < copies; ++copy) AddEveryType(&v);
    zv::PropList list{static_cast<uint32_t>(v.size()), HostArray<zv::PropVal>(v.size())};
    std::memcpy(static_cast<void*>(list.vals), v.data(), v.size() * sizeof(zv::PropVal));
    return list;
  }
  void AddEveryType(std::vector<zv::PropVal>* list) {
    std::vector<zv::PropVal>& v = *list;
    auto add = [&](int32_t number, const char* name, int32_t type) -> zv::TypedValue& {
      zv::PropVal pv{};
      pv.key.number = number;
      pv.key.name = name ? HostText(name) : nullptr;
      pv.value.type = type;
      v.push_back(pv);
      return v.back().value;
    };
    add(1, nullptr, zv::VtInt).u.number = -7;
    add(0, "Named", zv::VtMetric).u.number = 42;
    add(2, nullptr, zv::VtText).u.text = HostText("text");
    add(3, nullptr, zv::VtText).u.text = nullptr;
    add(0, nullptr, zv::VtId).u.number = 9;  // a name-keyed element whose name is null
    for (int32_t type : {zv::VtMetricList, zv::VtIntList, zv::VtIdList}) {
      zv::TypedValue& t = add(10 + type, nullptr, type);
      t.u.ints = {3, HostArray<int32_t>(3)};
      for (int i = 0; i < 3; ++i) t.u.ints.items[i] = type * 100 + i;
    }
    add(20, nullptr, zv::VtTextList).u.texts = HostTexts({"one", nullptr, "three"});
    for (int32_t type : {zv::VtPoints, zv::VtIntPairs}) {
      zv::TypedValue& t = add(20 + type, nullptr, type);
      t.u.pairs = {2, HostArray<zv::WordPair>(2)};
      t.u.pairs.items[1] = {0xDEADBEEF, 17};
    }
    {
      zv::TypedValue& t = add(40, nullptr, zv::VtTabs);
      t.u.tabs = {2, HostArray<zv::TabEntry>(2)};
      t.u.tabs.items[0] = {1, 2, HostText("tab"), 4};
      t.u.tabs.items[1] = {5, 6, nullptr, 8};
    }
    {
      zv::TypedValue& t = add(41, nullptr, zv::VtTextLoc);
      t.u.loc = {98, 99};
    }
    {
      zv::TypedValue& t = add(42, nullptr, zv::VtTextRange);
      t.u.range = {{1000, 1001}, {1002, 1003}};
    }
    add(43, nullptr, 11).u.range.end.offset = 5;  // not interpreted
    {
      zv::TypedValue& t = add(0, "Bytes", zv::VtBytes);
      t.u.bytes = {5, HostArray<uint8_t>(5)};
      std::memcpy(t.u.bytes.bytes, "\1\2\0\4\5", 5);
    }
    add(45, nullptr, zv::VtBytes).u.bytes = {0, HostArray<uint8_t>(0)};
    {
      zv::TypedValue& t = add(46, nullptr, zv::VtElements);
      t.u.elements = {2, HostArray<zv::ElementEntry>(2)};
      zv::ElementEntry& e = t.u.elements.items[0];
      e.name = HostText("t0");
      e.firstNumber = 4;
      e.secondNumber = 8;
      e.thirdNumber = 12;
      e.firstList = HostTexts({"a", "b"});
      e.secondList = HostTexts({nullptr});
      e.firstText = HostText("t32");
      e.secondText = nullptr;
      t.u.elements.items[1].secondText = HostText("t36");  // the last text of an entry to copy
    }
    {
      zv::TypedValue& t = add(47, nullptr, zv::VtAttributes);
      t.u.attributes = {1, HostArray<zv::AttributeEntry>(1)};
      t.u.attributes.items[0].name = HostText("n");
      t.u.attributes.items[0].values = HostTexts({"x", "yy"});
      t.u.attributes.items[0].flags[0] = 0xAB;
      t.u.attributes.items[0].flags[1] = 0xCD;
    }
    {
      zv::TypedValue& t = add(48, nullptr, zv::VtBlock24);
      t.u.block24 = HostArray<uint8_t>(24);
      for (int i = 0; i < 24; ++i) t.u.block24[i] = static_cast<uint8_t>(i * 3);
    }
    add(49, nullptr, zv::VtBlock24).u.block24 = nullptr;
    add(50, nullptr, zv::VtMetricList).u.ints = {0, nullptr};
    add(51, nullptr, zv::VtTabs).u.tabs = {0, nullptr};  // entries of their own, but none
    add(52, nullptr, zv::VtTextList).u.texts = {0, nullptr};
    add(53, nullptr, zv::VtIntList).u.ints = {4, nullptr};  // a count without an array: no items
  }

  zv::ClientAllocator previous_{};
};
std::set<void*> PropListTest::hostBlocks_;

// The copy's blocks are client blocks of exactly their size.
bool OwnsClientBlock(const void* block, size_t size) {
  auto found = g_clientBlocks.find(const_cast<void*>(block));
  return found != g_clientBlocks.end() && found->second == size;
}
using Compare = zvtest::TypedValueCompare;

// Taking a list (import and release in one walk) leaves what an import then a release leave.
void Import(bool take, zv::PropList* client, zv::PropList* host, zv::AllocFn alloc, zv::ReleaseFn release) {
  if (take) {
    zv::PropListTake(client, host, alloc, release);
  } else {
    zv::PropListImport(client, host, alloc);
    zv::PropListRelease(host, release);
  }
}

TEST_F(PropListTest, ImportCopiesEveryTypeAndReleaseFreesEveryHostBlock) {
  for (int run = 0; run < 4; ++run) {
    const bool take = run >= 2;
    const int copies = run % 2 == 0 ? 1 : 50;
    SCOPED_TRACE(testing::Message() << "take " << take << ", copies " << copies);
    zv::PropList host = HostListOfEveryType(copies), expected = HostListOfEveryType(copies);
    char* stray = HostText("stray");  // a name beside a nonzero number stays the host's
    host.vals[host.count - 1].key.name = stray;
    zv::PropList client{};
    if (take) {
      zv::PropListTake(&client, &host, nullptr, HostRelease);  // no allocator given: the client heap
    } else {
      zv::PropListImport(&client, &host, nullptr);
      for (const auto& block : g_clientBlocks) EXPECT_EQ(hostBlocks_.count(block.first), 0u);
      zv::PropListRelease(&host, HostRelease);
    }
    ASSERT_EQ(client.count, expected.count);
    Compare cmp{false, OwnsClientBlock, {}};
    for (uint32_t i = 0; i < expected.count; ++i) {
      EXPECT_EQ(client.vals[i].key.number, expected.vals[i].key.number);
      cmp.Text(expected.vals[i].key.number == 0 ? expected.vals[i].key.name : nullptr, client.vals[i].key.name);
      cmp.Value(expected.vals[i].value, client.vals[i].value);
      EXPECT_EQ(cmp.failure, "") << "element " << i << " type " << expected.vals[i].value.type;
      cmp.failure.clear();
    }
    zv::PropListRelease(&expected, HostRelease);
    // Arrays are allocated also for a count of 0; a null array stays null.
    EXPECT_NE(client.vals[zv::PropListIndexOf(&client, 45)].value.u.bytes.bytes, nullptr);
    EXPECT_EQ(client.vals[zv::PropListIndexOf(&client, 50)].value.u.ints.items, nullptr);
    EXPECT_EQ(client.vals[zv::PropListIndexOf(&client, 51)].value.u.tabs.items, nullptr);

    EXPECT_EQ(host.count, 0u);
    EXPECT_EQ(host.vals, nullptr);
    EXPECT_EQ(hostBlocks_.size(), 1u) << "host blocks not released, or the stray name released";
    HostRelease(stray);

    // Freeing a value empties its owned parts: the list's release after it frees nothing twice.
    for (uint32_t i = 0; i < client.count; i += 2) zv::TypedValueFree(&client.vals[i].value);
    zv::PropVal& named = client.vals[zv::PropListIndexOf(&client, 0)];  // so does freeing an element
    const size_t blocks = g_clientBlocks.size();
    zv::PropValFree(&named);
    EXPECT_EQ(named.key.name, nullptr);
    EXPECT_EQ(g_clientBlocks.size(), blocks - 1);
    client.vals[0].key.name = zv::TextDuplicate("own");  // a client element owns its name, numbered or not
    zv::PropListFree(&client);
    EXPECT_EQ(client.count, 0u);
    EXPECT_EQ(client.vals, nullptr);
    EXPECT_TRUE(g_clientBlocks.empty());
  }
}

TEST_F(PropListTest, CopyWithinTheClientIsDeepAndTurnsNullTextsIntoEmpty) {
  zv::PropList host = HostListOfEveryType();
  zv::PropList client{};
  zv::PropListImport(&client, &host, zv::ClientAlloc);
  zv::PropListRelease(&host, HostRelease);
  for (uint32_t i = 0; i < client.count; ++i) {
    zv::TypedValue copy = zv::TypedValueCopy(&client.vals[i].value);
    Compare cmp{true, OwnsClientBlock, {}};
    cmp.Value(client.vals[i].value, copy);
    EXPECT_EQ(cmp.failure, "") << "type " << copy.type;
    zv::TypedValueFree(&copy);
  }
  // Copies that run out of memory part way give back what they took and crash nowhere.
  for (long grants = 0; grants < 12; ++grants) {
    for (uint32_t i = 0; i < client.count; ++i) {
      g_grantsLeft = grants;
      zv::TypedValue copy = zv::TypedValueCopy(&client.vals[i].value);
      g_grantsLeft = -1;
      zv::TypedValueFree(&copy);
    }
  }
  const zv::TypedValue& nullText = client.vals[zv::PropListIndexOf(&client, 3)].value;
  EXPECT_EQ(nullText.u.text, nullptr);  // imported as it was
  zv::TypedValue copied = zv::TypedValueCopy(&nullText);
  EXPECT_STREQ(copied.u.text, "");
  zv::TypedValueFree(&copied);
  EXPECT_EQ(copied.u.text, nullptr);
  zv::PropListFree(&client);
}

TEST_F(PropListTest, FailedImportAllocationLeavesNothingBehind) {
  for (int run = 0; run < 4; ++run) {  // 1,250 elements: the long list fails at every 13th allocation
    const bool take = run >= 2;
    const int copies = run % 2 == 0 ? 1 : 50;
    SCOPED_TRACE(testing::Message() << "take " << take << ", copies " << copies);
    zv::PropList probe = HostListOfEveryType(copies);
    zv::PropList full{};
    zv::PropListImport(&full, &probe, zv::ClientAlloc);
    const size_t needed = g_clientBlocks.size();
    zv::PropListFree(&full);
    zv::PropListRelease(&probe, HostRelease);

    for (size_t grants = 0; grants < needed; grants += copies == 1 ? 1 : 13) {
      zv::PropList host = HostListOfEveryType(copies);
      zv::PropList client{7, reinterpret_cast<zv::PropVal*>(&host)};  // overwritten
      g_grantsLeft = static_cast<long>(grants);
      Import(take, &client, &host, zv::ClientAlloc, HostRelease);  // the host's blocks are released as usual
      g_grantsLeft = -1;
      EXPECT_EQ(client.count, 0u) << "after " << grants << " grants";
      EXPECT_EQ(client.vals, nullptr);
      EXPECT_TRUE(g_clientBlocks.empty()) << "after " << grants << " grants";
      EXPECT_TRUE(hostBlocks_.empty()) << "after " << grants << " grants";
    }
  }
}

TEST_F(PropListTest, ImportOfUnusualHostLists) {
  zv::PropList client{};
  zv::PropListImport(&client, nullptr, zv::ClientAlloc);
  EXPECT_EQ(client.vals, nullptr);
  zv::PropList noArray{3, nullptr};
  zv::PropListImport(&client, &noArray, zv::ClientAlloc);
  EXPECT_EQ(client.count, 0u);
  EXPECT_EQ(client.vals, nullptr);
  zv::PropListRelease(&noArray, HostRelease);
  zv::PropListRelease(nullptr, HostRelease);
  zv::PropList unreleased{1, HostArray<zv::PropVal>(1)};  // without a release function: only forgotten
  zv::PropVal* kept = unreleased.vals;
  zv::PropListRelease(&unreleased, nullptr);
  EXPECT_EQ(unreleased.vals, nullptr);
  EXPECT_EQ(hostBlocks_.count(kept), 1u);
  HostRelease(kept);
  // Taking such a list is importing it then releasing it: with nowhere to copy to, without an
  // array, without a release function (the host's blocks are then only forgotten).
  zv::PropList nowhere = HostListOfEveryType(), odd{2, nullptr}, forgotten{1, HostArray<zv::PropVal>(1)};
  zv::PropListTake(nullptr, &nowhere, zv::ClientAlloc, HostRelease);
  zv::PropListTake(&client, nullptr, zv::ClientAlloc, HostRelease);
  zv::PropListTake(&client, &odd, zv::ClientAlloc, HostRelease);
  EXPECT_EQ(client.vals, nullptr);
  kept = forgotten.vals;
  zv::PropListTake(&client, &forgotten, zv::ClientAlloc, nullptr);
  EXPECT_EQ(client.count, 1u);
  EXPECT_EQ(hostBlocks_.size(), 1u) << "only the forgotten array is left";
  EXPECT_TRUE(nowhere.vals == nullptr && odd.vals == nullptr && forgotten.vals == nullptr);
  HostRelease(kept);
  zv::PropListFree(&client);
  zv::PropList none{0, HostArray<zv::PropVal>(1)};  // an array, but no elements
  zv::PropListImport(&client, &none, zv::ClientAlloc);
  EXPECT_EQ(client.count, 0u);
  zv::PropListFree(&client);
  zv::PropListRelease(&none, HostRelease);

  // A name beside a nonzero number stays the host's: the client copy does not take it over.
  zv::PropList host{1, HostArray<zv::PropVal>(1)};
  char* stray = HostText("stray");
  host.vals[0].key = {5, stray};
  host.vals[0].value.type = 35;  // a type past the known ones (32 past a text): its value is copied as it is
  host.vals[0].value.u.number = 77;
  zv::PropListImport(&client, &host, zv::ClientAlloc);
  EXPECT_EQ(client.vals[0].key.name, nullptr);
  EXPECT_EQ(client.vals[0].key.number, 5);  // a one-element list is copied whole too
  EXPECT_EQ(client.vals[0].value.type, 35);
  EXPECT_EQ(client.vals[0].value.u.number, 77);
  zv::PropListFree(&client);
  static int given = 0;  // an allocator the caller gives is the one the copy comes from
  zv::PropListImport(&client, &host, [](size_t n) {
    ++given;
    return CountedAlloc(n);
  });
  EXPECT_EQ(given, 1);
  zv::PropListFree(&client);
  zv::PropListRelease(&host, HostRelease);
  HostRelease(stray);
}

TEST_F(PropListTest, PutGrowsBy8Then16Then32AndReplacesInPlace) {
  zv::PropList list{};
  zv::TypedValue v{};
  v.type = zv::VtInt;
  for (int32_t n = 1; n <= 17; ++n) {
    v.u.number = n * 10;
    zv::PropListPut(&list, n, &v);
    ASSERT_EQ(list.count, static_cast<uint32_t>(n));
  }
  const size_t e = sizeof(zv::PropVal);
  ASSERT_EQ(g_reallocSizes.size(), 17u);
  EXPECT_EQ(g_reallocSizes[0], 8 * e);
  EXPECT_EQ(g_reallocSizes[7], 8 * e);
  EXPECT_EQ(g_reallocSizes[8], 16 * e);  // ninth
  EXPECT_EQ(g_reallocSizes[15], 16 * e);
  EXPECT_EQ(g_reallocSizes[16], 32 * e);  // seventeenth
  for (int32_t n = 1; n <= 17; ++n) EXPECT_EQ(list.vals[zv::PropListIndexOf(&list, n)].value.u.number, n * 10);

  zv::PropListPutString(&list, 5, "first");
  zv::PropListPutString(&list, 5, "second");  // the old text is released (the leak check sees it)
  EXPECT_EQ(list.count, 17u);
  EXPECT_EQ(zv::PropListIndexOf(&list, 5), 4);
  EXPECT_STREQ(list.vals[4].value.u.text, "second");
  zv::PropListPutString(&list, 30, nullptr);
  EXPECT_STREQ(list.vals[17].value.u.text, "");

  // A value taken from the list itself survives its own replacement and the array's move.
  zv::PropListPut(&list, 5, &list.vals[4].value);
  EXPECT_STREQ(list.vals[4].value.u.text, "second");
  zv::PropListPut(&list, 31, &list.vals[4].value);
  EXPECT_STREQ(list.vals[18].value.u.text, "second");

  EXPECT_EQ(zv::PropListIndexOf(&list, 99), -4);
  EXPECT_EQ(zv::PropListIndexOf(nullptr, 1), -4);
  zv::PropList noArray{4, nullptr};
  EXPECT_EQ(zv::PropListIndexOf(&noArray, 1), -4);
  zv::PropListFree(&list);
}

TEST_F(PropListTest, RefusedGrowthLeavesTheListAsItWas) {
  zv::PropList list{};
  for (int32_t n = 1; n <= 8; ++n) zv::PropListPutString(&list, n, "v");
  zv::PropVal* before = list.vals;
  g_grantsLeft = 1;  // the value's copy is granted, the resize refused
  zv::PropListPutString(&list, 9, "new");
  EXPECT_EQ(g_grantsLeft, 0);
  g_grantsLeft = -1;
  EXPECT_EQ(list.count, 8u);
  EXPECT_EQ(list.vals, before);
  for (uint32_t i = 0; i < 8; ++i) {
    EXPECT_EQ(list.vals[i].key.number, static_cast<int32_t>(i + 1));
    EXPECT_STREQ(list.vals[i].value.u.text, "v");
  }
  zv::PropListFree(&list);
}

TEST_F(PropListTest, RefusedCopyGivesAnEmptyValueNotACountWithoutItems) {
  int32_t items[3] = {1, 2, 3};
  zv::TypedValue v{};
  v.type = zv::VtMetricList;
  v.u.ints = {3, items};
  g_grantsLeft = 0;
  zv::TypedValue copy = zv::TypedValueCopy(&v);
  g_grantsLeft = -1;
  EXPECT_EQ(copy.u.ints.items, nullptr);
  EXPECT_EQ(copy.u.ints.count, 0u);
  zv::TypedValueFree(&copy);

  // A source list without array still gives room for its count, zero-filled.
  zv::TypedValue texts{};
  texts.type = zv::VtTextList;
  texts.u.texts = {2, nullptr};
  zv::TypedValue copied = zv::TypedValueCopy(&texts);
  ASSERT_NE(copied.u.texts.texts, nullptr);
  EXPECT_EQ(copied.u.texts.texts[1], nullptr);
  zv::TypedValueFree(&copied);
  EXPECT_EQ(copied.u.texts.count, 0u);
}

TEST_F(PropListTest, ReleaseHelpersAcceptEmptyAndNull) {
  zv::PropList empty{};
  zv::PropListFree(&empty);
  zv::PropListFree(nullptr);
  EXPECT_EQ(empty.vals, nullptr);
  zv::MetricList metrics{2, static_cast<zv::MetricValue*>(zv::ClientAlloc(8))};
  zv::MetricListFree(&metrics);
  EXPECT_EQ(metrics.count, 0u);
  EXPECT_EQ(metrics.items, nullptr);
  zv::MetricListFree(nullptr);
  zv::ClientFree(zv::ClientAllocZeroed(3, 0));  // an element size of 0 is no overflow
  EXPECT_EQ(zv::ClientAllocZeroed(SIZE_MAX / 2, 3), nullptr);
  size_t bytes = 0;  // the largest count that fits, and one more
  EXPECT_TRUE(zv::ArrayBytes(SIZE_MAX / 8, 8, &bytes));
  EXPECT_EQ(bytes, SIZE_MAX / 8 * 8);
  EXPECT_FALSE(zv::ArrayBytes(SIZE_MAX / 8 + 1, 8, &bytes));
  // Null lists, values and allocators are refused or replaced, never followed.
  zv::PropList host{1, nullptr};
  zv::PropListImport(nullptr, &host, zv::ClientAlloc);
  zv::PropListImport(&empty, nullptr, nullptr);
  EXPECT_EQ(empty.vals, nullptr);
  zv::PropListRelease(&host, nullptr);
  EXPECT_EQ(host.count, 0u);
  zv::TypedValue text{};
  text.type = zv::VtText;
  zv::PropListPut(nullptr, 1, &text);
  zv::PropListPut(&empty, 1, nullptr);
  EXPECT_EQ(empty.count, 0u);
  EXPECT_EQ(zv::TypedValueCopy(nullptr).type, 0);
  g_grantsLeft = 0;
  EXPECT_EQ(zv::TextDuplicate("x"), nullptr);
  g_grantsLeft = -1;
  // No allocator, or one without functions: the process heap.
  zv::ClientAllocator none{};
  zv::ClientAllocator counted = zv::SetClientAllocator(&none);
  zv::ClientFree(zv::TextDuplicate("process heap"));
  zv::SetClientAllocator(nullptr);
  zv::ClientFree(zv::ClientAllocZeroed(2, 2));
  zv::SetClientAllocator(&counted);
  zv::TypedValueFree(nullptr);
  zv::PropValFree(nullptr);
  zv::ClientFreeAndClear(nullptr);
  char* dup = zv::TextDuplicate(nullptr);
  EXPECT_STREQ(dup, "");
  zv::ClientFreeAndClear(reinterpret_cast<void**>(&dup));
  EXPECT_EQ(dup, nullptr);
}

}  // namespace
