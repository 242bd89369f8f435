// A minimal client module for the tests of zorvan-host check and run: one menu, "Planted", with
// one command, "Say Hello", which writes to the console. Built sound and once per planted fault
// (ZV_PLANTED_FAULT, one of the values below), so that the tests see each fault caught.
#include <cstdint>
#include <cstring>
#include <ctime>

#if defined(_WIN32)
#include <windows.h>
#endif

#include "hostapi/abi.h"
#include "hostapi/host_constants.h"

#define PLANTED_SOUND 0
#define PLANTED_LEAK 1           // never gives back its Session at the teardown
#define PLANTED_OLD_VERSION 2    // registers with version 0x05000000
#define PLANTED_CRASH_INIT 3     // writes through a null pointer in Initialize
#define PLANTED_CRASH_COMMAND 4  // writes through a null pointer in its command, after a call
#define PLANTED_LATE_CALL 5      // calls the host's console while it is unloaded

#ifndef ZV_PLANTED_FAULT
#define ZV_PLANTED_FAULT PLANTED_SOUND
#endif

#if defined(_WIN64)
#define PLANTED_EXPORT __declspec(dllexport)
#elif defined(_WIN32)
#define PLANTED_EXPORT  // planted.win32.def names the decorated export
#else
#define PLANTED_EXPORT __attribute__((visibility("default")))
#endif

using namespace zv;

namespace {

constexpr int kInterfaces = 6;
const Guid* const kAsked[kInterfaces] = {&IidHostSession,      &IidHostSessionAux1, &IidHostSessionAux2,
                                         &IidHostMemoryPolicy, &IidHostModuleLink,  &IidHostExtension};
void* gHost[kInterfaces] = {};  // the interfaces granted, in the order asked
void* gLastSession = nullptr;   // kept past the teardown by the late caller only

void* Session() {
  return gHost[0];
}

void Print(const char* text) {
  int32_t status = 0;
  SlotOf<fn::PrintToConsole>(Session(), SlotPrintToConsole)(Session(), text, &status);
}

// A write through a pointer the compiler cannot see is null, to a place it must write.
void Crash() {
  volatile int* volatile nowhere = nullptr;
  *nowhere = 1;
}

// The tick, read as a module that stamps its work would read it (so the host's virtual clock,
// which scenarios run on, has a clock to replace).
uint32_t Tick() {
#if defined(_WIN32)
  return GetTickCount();
#else
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint32_t>(now.tv_sec * 1000 + now.tv_nsec / 1000000);
#endif
}

// Gives back every interface (but the Session, when planted so).
void Teardown() {
  for (int i = 0; i < kInterfaces; ++i) {
    void* held = gHost[i];
    gHost[i] = nullptr;
    if (held && !(ZV_PLANTED_FAULT == PLANTED_LEAK && i == 0)) SlotOf<fn::Release>(held, SlotRelease)(held);
  }
}

// The event object: one static object, whose identity and event interface are one pointer.
struct EventTable {
  fn::QueryInterface queryInterface;
  fn::AddRef addRef;
  fn::Release release;
  fn::Initialize initialize;
  fn::Quit quit;
  fn::Command command;
  fn::Message message;
  fn::DialogEvent dialogEvent;
  fn::Notify notify;
  fn::GetResource getResource;
};
struct Events {
  const EventTable* table;
  int32_t count;
};
Events gEvents = {nullptr, 0};

HResult ZV_CALL QueryInterface(void* self, const Guid* iid, void** out) {
  if (out == nullptr) return HrPointer;
  *out = nullptr;
  if (iid == nullptr || !(GuidEqual(*iid, IidUnknown) || GuidEqual(*iid, IidClientEvents))) return HrNoInterface;
  ++gEvents.count;
  *out = self;
  return HrOk;
}

uint32_t ZV_CALL AddRef(void*) {
  return static_cast<uint32_t>(++gEvents.count);
}

uint32_t ZV_CALL Release(void*) {
  if (--gEvents.count == 0) Teardown();
  return static_cast<uint32_t>(gEvents.count);
}

HResult ZV_CALL Initialize(void*, int32_t kind) {
  if (kind != 1) return HrOk;
  void* s = Session();
  int32_t status = 0;
  ObjectId bar = 0, menu = 0, command = 0;
  SlotOf<fn::LookupNamedObject>(s, SlotLookupNamedObject)(s, 0, ObjMenu, "!MakerMainMenu", &status, &bar);
  SlotOf<fn::DefineSubmenu>(s, SlotDefineSubmenu)(s, bar, "PlantedMenu", "Planted", &status, &menu);
  SlotOf<fn::DefineMenuCommand>(s, SlotDefineMenuCommand)(s, 1, menu, "PlantedHello", "Say Hello", "", &status,
                                                          &command);
  Print(Tick() != 0 ? "Planted module, ready.\n" : "Planted module, ready at tick 0.\n");
  if (ZV_PLANTED_FAULT == PLANTED_CRASH_INIT) Crash();
  return HrOk;
}

HResult ZV_CALL Command(void*, int32_t number) {
  if (number != 1) return HrOk;
  Print("Hello.\n");
  if (ZV_PLANTED_FAULT == PLANTED_CRASH_COMMAND) Crash();
  return HrOk;
}

HResult ZV_CALL Quit(void*) {
  return HrOk;
}
HResult ZV_CALL Ignored(void*, int32_t, int32_t, int32_t) {
  return HrOk;
}
HResult ZV_CALL Notify(void*, int32_t, ObjectId, const char*, int32_t) {
  return HrOk;
}
HResult ZV_CALL GetResource(void*, int32_t, const char*, ByteBlock* out) {
  return out == nullptr ? HrPointer : HrFail;
}

const EventTable kTable = {QueryInterface, AddRef,  Release, Initialize, Quit,
                           Command,        Ignored, Ignored, Notify,     GetResource};

// The late caller's farewell, when the module is unloaded: a call to a host it was done with.
struct Farewell {
  ~Farewell() {
    int32_t status = 0;
    if (ZV_PLANTED_FAULT == PLANTED_LATE_CALL && gLastSession)
      SlotOf<fn::PrintToConsole>(gLastSession, SlotPrintToConsole)(gLastSession, "Goodbye.\n", &status);
  }
} gFarewell;

}  // namespace

extern "C" PLANTED_EXPORT int32_t ZV_CALL F_ApiClientInit(ModuleHandle module, void* root, void*,
                                                          PropList* registration) {
  if (Session() != nullptr || root == nullptr) return -1;
  for (int i = 0; i < kInterfaces; ++i)
    SlotOf<fn::QueryInterface>(root, SlotQueryInterface)(root, kAsked[i], &gHost[i]);
  if (Session() == nullptr) {
    Teardown();
    return -1;
  }
  gLastSession = Session();
  gEvents = {&kTable, 1};  // the creation reference
  static const char* const texts[] = {"Planted", "Standard", "Planted", "Maker"};
  PropVal entries[4];
  std::memset(entries, 0, sizeof entries);
  for (int i = 0; i < 4; ++i) {
    entries[i].key.number = 2 + i;
    entries[i].value.type = VtText;
    entries[i].value.u.text = const_cast<char*>(texts[i]);
  }
  PropList list = {4, entries};
  const uint32_t version = ZV_PLANTED_FAULT == PLANTED_OLD_VERSION ? 0x05000000 : 0x06000000;
  SlotOf<fn::RegisterClient>(Session(), SlotRegisterClient)(Session(), &gEvents, version,
                                                            registration ? registration : &list);
  if (void* link = gHost[4]) SlotOf<fn::SetClientModule>(link, SlotSetClientModule)(link, module);
  Release(&gEvents);  // a host that kept no reference tears the binding down here
  return Session() != nullptr ? 0 : -1;
}
