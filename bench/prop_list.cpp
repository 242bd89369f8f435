// Importing a host property list, releasing the host's blocks and freeing the copy, against a
// floor that makes only the same allocations and byte copies and frees (goal: within 1.5x).
#include "hostapi/prop_list.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_goal.h"
#include "util/memory.h"

namespace {

// A host list of a realistic mix: mostly numbers and lengths, some texts and metric lists,
// a few text lists, tab entries, rich and named entries and blocks. Every host block is
// recorded with its size, in the order the import copies them.
class HostList {
 public:
  zv::PropList Build(size_t count) {
    blocks_.clear();
    uint32_t s = 12345;
    auto next = [&s](uint32_t n) {
      s = s * 1103515245u + 12345u;
      return (s >> 16) % n;
    };
    zv::PropList list{static_cast<uint32_t>(count), Alloc<zv::PropVal>(count)};
    for (size_t i = 0; i < count; ++i) {
      zv::PropVal& pv = list.vals[i];
      const bool named = next(32) == 0;
      pv.key.number = named ? 0 : static_cast<int32_t>(i + 1);
      pv.key.name = named ? Text("UserProperty") : nullptr;
      zv::TypedValue& v = pv.value;
      std::memset(&v.u, 0, sizeof v.u);
      uint32_t kind = next(100);
      if (kind < 65) {
        v.type = next(2) == 0 ? zv::VtInt : zv::VtId;
        v.u.number = static_cast<int32_t>(next(1 << 24));
      } else if (kind < 80) {
        v.type = zv::VtText;
        v.u.text = Text(next(4) == 0 ? "" : "Paragraph text of a typical length");
      } else if (kind < 88) {
        v.type = zv::VtMetricList;
        v.u.ints.count = 4 + next(5);
        v.u.ints.items = Alloc<int32_t>(v.u.ints.count);
      } else if (kind < 93) {
        v.type = next(2) == 0 ? zv::VtTextLoc : zv::VtTextRange;
      } else if (kind < 95) {
        v.type = zv::VtTextList;
        v.u.texts = Texts(3);
      } else if (kind < 97) {
        v.type = zv::VtTabs;
        v.u.tabs = {3, Alloc<zv::TabEntry>(3)};
        for (int k = 0; k < 3; ++k) v.u.tabs.items[k].leader = Text(".");
      } else if (kind < 98) {
        v.type = zv::VtElements;
        v.u.elements = {1, Alloc<zv::ElementEntry>(1)};
        zv::ElementEntry& e = v.u.elements.items[0];
        e.name = Text("Heading");
        e.firstList = Texts(2);
        e.secondList = Texts(1);
        e.firstText = Text("Body");
        e.secondText = Text("");
      } else if (kind < 99) {
        v.type = zv::VtAttributes;
        v.u.attributes = {2, Alloc<zv::AttributeEntry>(2)};
        for (int k = 0; k < 2; ++k) {
          v.u.attributes.items[k].name = Text("Name");
          v.u.attributes.items[k].values = Texts(2);
        }
      } else {
        v.type = zv::VtBlock24;
        v.u.block24 = Alloc<uint8_t>(24);
      }
    }
    return list;
  }
  struct Block {
    void* data;
    size_t size;
  };
  const std::vector<Block>& blocks() const { return blocks_; }

 private:
  template <typename T>
  T* Alloc(size_t n) {
    size_t size = n * sizeof(T);
    void* p = std::malloc(size == 0 ? 1 : size);
    std::memset(p, 0x11, size);
    blocks_.push_back({p, size});
    return static_cast<T*>(p);
  }
  char* Text(const char* s) {
    char* t = Alloc<char>(std::strlen(s) + 1);
    std::memcpy(t, s, std::strlen(s) + 1);
    return t;
  }
  zv::TextList Texts(uint32_t n) {
    zv::TextList l{n, Alloc<char*>(n)};
    for (uint32_t i = 0; i < n; ++i) l.texts[i] = Text("Entry");
    return l;
  }
  std::vector<Block> blocks_;
};

void BM_PropListImport(benchmark::State& state) {
  HostList host;
  for (auto _ : state) {
    state.PauseTiming();
    zv::PropList hostList = host.Build(static_cast<size_t>(state.range(0)));
    state.ResumeTiming();
    zv::PropList client{};
    zv::PropListTake(&client, &hostList, zv::ClientAlloc, std::free);  // as the module reads a list
    zv::PropListFree(&client);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  zvbench::Goal(state, 1.5);
}

void BM_PropListImport_Floor(benchmark::State& state) {
  HostList host;
  std::vector<void*> copies;
  for (auto _ : state) {
    state.PauseTiming();
    host.Build(static_cast<size_t>(state.range(0)));
    copies.clear();
    copies.reserve(host.blocks().size());
    state.ResumeTiming();
    for (const HostList::Block& b : host.blocks()) {
      void* p = std::malloc(b.size == 0 ? 1 : b.size);
      std::memcpy(p, b.data, b.size);
      copies.push_back(p);
    }
    // Released in the order the list functions release them: each element's blocks, then
    // the element array (recorded first).
    const std::vector<HostList::Block>& blocks = host.blocks();
    for (size_t i = 1; i < blocks.size(); ++i) std::free(blocks[i].data);
    std::free(blocks[0].data);
    for (size_t i = 1; i < copies.size(); ++i) std::free(copies[i]);
    std::free(copies[0]);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_PropListImport)->Arg(200)->Arg(10000);
BENCHMARK(BM_PropListImport_Floor)->Arg(200)->Arg(10000);

}  // namespace
