// The notification handler and the selection history it feeds: for every graphic selected in
// a document, the moment it was first seen selected, so that "Make Figure Title Right" can
// tell which of two graphics the user picked first.
#include <cstdlib>
#include <map>
#include <new>

#include "hostapi/host_constants.h"
#include "hostapi/host_ops.h"
#include "platform/platform.h"
#include "tools/tools.h"
#include "tools/tools_internal.h"

namespace zv {

namespace {

// The history lives on the process heap; the module has no exceptions to report a refused
// allocation with, so running out of memory here ends the process as new would.
template <class T>
struct HeapAllocator {
  using value_type = T;
  HeapAllocator() = default;
  template <class U>
  HeapAllocator(const HeapAllocator<U>&) {}
  T* allocate(size_t n) {
    void* block = std::malloc(n * sizeof(T));
    if (block == nullptr) std::abort();  // GCOVR_EXCL_BR_LINE: out of memory, no way on
    return static_cast<T*>(block);
  }
  void deallocate(T* block, size_t) { std::free(block); }
  template <class U>
  bool operator==(const HeapAllocator<U>&) const {
    return true;
  }
  template <class U>
  bool operator!=(const HeapAllocator<U>&) const {
    return false;
  }
};

template <class V>
using IdMap = std::map<ObjectId, V, std::less<ObjectId>, HeapAllocator<std::pair<const ObjectId, V>>>;
using DocumentStamps = IdMap<SelectionStamp>;

struct SelectionHistory {
  uint32_t generation = 0;  // the latest refresh pass, wrapping
  IdMap<DocumentStamps> documents;
};

// Made on first use, so loading the module runs no constructor.
SelectionHistory* History = nullptr;
ObjectId PendingClosingDoc = 0;
int32_t LastFunctionCode = 0;

SelectionHistory& TheHistory() {
  if (History == nullptr) {
    void* block = std::malloc(sizeof(SelectionHistory));
    if (block == nullptr) std::abort();  // GCOVR_EXCL_BR_LINE: out of memory, no way on
    History = new (block) SelectionHistory();
  }
  return *History;
}

// Host functions after which the selection may have changed.
bool ChangesSelection(int32_t functionCode) {
  switch (functionCode & 0xFFFF) {
    case 0x0000:
    case 0x003E:
    case 0x003F:
    case 0x0047:
    case 0x0048:
      return true;
    default:
      return false;
  }
}

// The history goes with the module.
__attribute__((destructor)) void ReleaseAtUnload() {
  SelectionHistoryRelease();
}

}  // namespace

SelectionStamp SelectionLookup(ObjectId doc, ObjectId graphic) {
  return TheHistory().documents[doc][graphic];
}

void SelectionRefresh(ObjectId doc) {
  SelectionHistory& history = TheHistory();
  double now = static_cast<double>(PlatformTickCount());
  int32_t pass = static_cast<int32_t>(++history.generation);
  DocumentStamps& stamps = history.documents[doc];
  size_t renewed = 0;  // records this pass moved to its own generation
  ObjectId g = GetIdProp(SessionId, doc, PropFirstSelectedGraphic);
  for (uint32_t steps = 0; g != 0 && steps < HostWalkLimit; ++steps) {
    SelectionStamp& stamp = stamps[g];
    if (stamp.selectedSince < 0.001) stamp.selectedSince = now;
    if (stamp.generation != pass) ++renewed;
    stamp.generation = pass;
    g = GetIdProp(doc, g, PropNextSelectedGraphic);
  }
  // When this pass renewed every record, none is stale: the removal walk is skipped.
  if (renewed == stamps.size()) return;
  for (auto it = stamps.begin(); it != stamps.end();) {
    if (it->second.generation != pass)
      it = stamps.erase(it);
    else
      ++it;
  }
}

void SelectionForget(ObjectId doc) {
  if (History != nullptr) History->documents.erase(doc);
}

void SelectionHistoryRelease() {
  if (History == nullptr) return;
  History->~SelectionHistory();
  std::free(History);
  History = nullptr;
}

void ToolsNotify(int32_t code, ObjectId doc, const void* /*text*/, int32_t value) {
  switch (code) {
    case NoteDocClosing:
      PendingClosingDoc = doc;
      break;
    case NoteDocClosed:
      SelectionForget(PendingClosingDoc);  // the closed document is the one named at closing
      break;
    case NoteBeforeFunction:
      LastFunctionCode = value;
      break;
    case NoteAfterFunction:
      if (ChangesSelection(LastFunctionCode)) SelectionRefresh(doc);
      break;
    default:
      break;
  }
}

}  // namespace zv
