// Inside of the reference host: the COM objects it hands out, the state behind Host, and the
// pieces each source file provides. Not for users of the host; they include host/binding/host.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "host/binding/host.h"
#include "hostapi/abi.h"

namespace zvhost {

class HostImpl;

// The blocks of returned lists the client holds, by address, each with its list: a table with
// open addressing, so that handing out and taking back a block allocates nothing.
class BlockTable {
 public:
  void Put(void* block, uint64_t list);
  bool Take(void* block, uint64_t* list);  // false when the block is not in the table
  template <typename Fn>
  void ForEach(Fn fn) const {
    if (used_ == 0) return;
    for (const Slot& s : slots_)
      if (s.block) fn(s.block, s.list);
  }
  void Clear();

 private:
  struct Slot {
    void* block = nullptr;
    uint64_t list = 0;
  };
  static constexpr size_t FirstSize = 256;
  size_t Home(const void* block) const;
  std::vector<Slot> slots_;  // a power of two in size, at most half full
  size_t used_ = 0;
  int shift_ = 64;  // 64 - log2(size)
};

// Every object the host hands out: its method table first, then the host behind it.
struct ComObject {
  const void* methods;  // a HostTable of the interface's methods
  HostImpl* host;
  int index;  // which reference count (see RefIndex)
};

enum RefIndex : int {
  RefSession = 0,
  RefAux1,
  RefAux2,
  RefMemoryPolicy,
  RefModuleLink,
  RefExtension,
  RefRoot,
  RefHeld,
  RefCount_
};
const char* RefName(int index);
const Iid& RefIid(int index);

// Method tables (com_objects.cpp, session.cpp).
const void* SessionTable();
const void* SmallTable(int index);
const void* RootTable();
const void* HeldTable();

// A slot the host does not serve: records the call and fails. UnknownSlots()[s] serves slot s
// for every slot of the session's table.
using UnknownSlotFn = HResult(ZVH_CALL*)(void* self);
const UnknownSlotFn* UnknownSlots();

// A method table as the host builds it: the interface's table of typed methods, so that a
// function of another shape does not compile, then slots up to `Count` that answer as unknown.
template <typename Methods, int Count>
struct HostTable {
  Methods methods;
  UnknownSlotFn further[Count - sizeof(Methods) / sizeof(void*)];
};
// Every slot of `t` (the interface's reserved ones too) answering as unknown, until the
// methods are put in.
template <typename Table>
void FillUnknown(Table* t) {
  static_assert(sizeof(Table) <= slot::SessionSlotCount * sizeof(UnknownSlotFn),
                "a table no longer than the session's");
  std::memcpy(static_cast<void*>(t), UnknownSlots(), sizeof(Table));
}
// Puts `fn` into method `name` of `table`, once it is checked that the interface's table holds
// `name` at the host's own slot number.
#define ZVH_PUT(table, name, fn)                                                                        \
  static_assert(offsetof(std::remove_reference_t<decltype(table)>, name) == slot::name * sizeof(void*), \
                #name " sits at the host's slot number");                                               \
  (table).name = (fn)

// The standard three, on every object the host hands out.
HResult ZVH_CALL ObjQueryInterface(void* self, const Iid* iid, void** out);
uint32_t ZVH_CALL ObjAddRef(void* self);
uint32_t ZVH_CALL ObjRelease(void* self);
template <typename Methods>
void PutStandardOps(Methods& t) {
  ZVH_PUT(t, QueryInterface, &ObjQueryInterface);
  ZVH_PUT(t, AddRef, &ObjAddRef);
  ZVH_PUT(t, Release, &ObjRelease);
}

// One session operation in progress: its log record and the fault chosen for it.
struct OpCall {
  const char* op = "";
  size_t record = SIZE_MAX;
  Fault fault;
  bool logging = false;
};

class HostImpl {
 public:
  explicit HostImpl(HostOptions o);
  ~HostImpl();
  // In high memory (host/binding/high_memory.h), with the COM objects it holds.
  static void* operator new(size_t size);
  static void operator delete(void* p);

  HostOptions options;
  Model model;
  CallLog log;
  Faults faults;

  // Loading (loader.cpp).
  void* module = nullptr;
  void* initFn = nullptr;
  std::string modulePath;
  std::string lastError;
  bool LoadModule();
  void UnloadModule();
  bool hookInstalled = false;
  void* hookSlot = nullptr;      // the client's import slot of the task-free function
  void* hookOriginal = nullptr;  // what it held
  void InstallFreeHook();
  void RemoveFreeHook();
  // While on, the client's task allocator (CoTaskMemAlloc; malloc on Linux) answers null.
  // False when it could not be switched on.
  bool RefuseTaskAlloc(bool on);
  void* refuseSlot = nullptr;
  void* refuseOriginal = nullptr;
  void* clockSlot = nullptr;      // the client's import slot of the clock (virtual clock)
  void* clockOriginal = nullptr;  // what it held
  void InstallClockHook();
  void RemoveClockHook();

  // COM objects (com_objects.cpp).
  ComObject objects[RefCount_];
  int32_t refs[RefCount_] = {};
  bool handedOut[RefCount_] = {};
  std::vector<std::string> interfaceRequests;
  void* clientIdentity = nullptr;
  void* events = nullptr;  // the event interface the host holds a reference to
  int32_t initResult = -2;
  bool initCalled = false;
  std::vector<RegistrationEntry> registration;
  bool registrationNull = false;
  uint32_t registeredVersion = 0;
  void* recordedModule = nullptr;
  bool moduleRecorded = false;
  std::vector<std::string> problems;
  void Problem(const std::string& what);

  // Records of the session's operations (session_*.cpp).
  std::vector<AlertRecord> alerts;
  std::vector<PromptRecord> prompts;
  std::deque<std::pair<bool, int32_t>> answers;  // {answered, value}
  std::vector<std::string> console;
  std::vector<int32_t> notifications;  // requested, in first-request order
  std::map<int32_t, bool> notificationOn;
  int screenUpdateChanges = 0;

  // Selection actions (host.cpp): the graphics the last actions newly selected within the
  // millisecond tick `freshTick`; the module stamps them with that tick.
  uint32_t freshTick = 0;
  std::vector<ObjectId> freshGraphics;

  // The client's successful whole-object reads (session_props.cpp): how many, and of which object.
  uint64_t readAllCount = 0;
  ObjectId lastReadAll = 0;

  // The common begin and end of a session operation (session.cpp). EndOp records the call's
  // HRESULT, status and result text when the call is logged; given `show`, it calls it for the
  // result text only then, so an unlogged call formats nothing.
  OpCall BeginOp(const char* op, int slot);
  HResult EndOp(OpCall& call, HResult hr, const int32_t* status, const char* result = "");
  template <typename Show, typename = std::enable_if_t<std::is_invocable_r_v<std::string, Show&>>>
  HResult EndOp(OpCall& call, HResult hr, const int32_t* status, Show show) {
    if (call.logging) RecordEnd(call, hr, status, show());
    return hr;
  }
  HResult NullArgument(OpCall& call, const char* what);
  void SetArgs(OpCall& call, std::string args);  // moved into the record
  void RecordEnd(OpCall& call, HResult hr, const int32_t* status, std::string result);

  // Events (host.cpp), and the text of each one in progress (innermost at eventDepth - 1).
  int eventDepth = 0;
  static constexpr int kEventTexts = 4;
  char eventText[kEventTexts][96] = {};
  size_t BeginEvent(const char* op, int slot, std::string args);  // args moved into the record
  HResult EndEvent(size_t record, HResult hr, const std::string& result = "");

  // Returned lists (prop_lists.cpp).
  struct ListInfo {
    void* array = nullptr;
    size_t blocks = 0;  // blocks of the list the client holds, the array included
    bool released = false;
  };
  std::map<uint64_t, ListInfo> lists;
  BlockTable blockOwner;  // every block the client holds, with its list
  uint64_t nextList = 1;
  ListCounters counters;
  void* ListAlloc(uint64_t list, size_t size);  // a tracked block of the given list
  void* ListAlloc(uint64_t list, ListInfo& info, size_t size);
  uint64_t NewList();
  void ListDone(uint64_t list, void* array);
  bool BuildPropList(ObjectId object, const std::vector<std::pair<int32_t, Value>>& props, zv::PropList* out);
  void BuildMetricList(const std::vector<Metric>& items, zv::MetricList* out);
  void OnClientFree(void* block);  // called from the task-free hook
  void FreeKeptLists();            // keeps-results: the host frees what it handed out
  void CountLeaks();               // at stop: lists the client never released

  // Teardown (host.cpp): the client's references once its event object is gone, its calls on
  // interfaces it gave back, and calls after the teardown (the log's sequence numbers go on
  // with every call, logged or not; the host's own tries to deliver events are counted apart).
  bool tornDown = false;
  bool referencesAudited = true;
  uint64_t seqAtTeardown = 0;
  uint64_t eventsSinceTeardown = 0;
  uint64_t lateCalls = 0;     // calls on given-back interfaces or after the teardown
  std::string firstLateCall;  // "Session.PrintToConsole"
  void LateCall(uint64_t calls, const std::string& what);
  void AuditReferencesAtTeardown();
  void FindCallsOnReleased(const Mark& from, const int32_t (&counts)[RefCount_]);
  void CountCallsAfterTeardown();

  // Registration list copy (com_objects.cpp).
  void CopyRegistration(const zv::PropList* list);
};

HostImpl& ImplOf(void* self);

// Whether the client asked for notification `code` and events are being delivered.
bool NotificationOn(const HostImpl& h, int32_t code);

// Readable forms for the log.
std::string KeyText(const zv::PropKey* key);
std::string TextArg(const char* text);
void AppendTextArg(std::string& s, const char* text);  // the same, at the end of s
std::string HrText(HResult hr);

}  // namespace zvhost
