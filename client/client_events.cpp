// Reference counting and interface lookup written once (RefCounted*), and the event object
// whose identity table overrides lookup and destruction and whose event table hands each
// host event on to the tools.
#include "client/client_events.h"

#include <cstddef>

#include "client/client.h"
#include "client/notify_fields.h"
#include "hostapi/host_constants.h"
#include "tools/tools.h"
#include "util/memory.h"

namespace zv {
namespace {

// While an object is being destroyed its count sits here, so references taken and given
// back during the teardown never reach 0 again.
constexpr int32_t DestroyingCount = 100;

void ZV_CALL RefCountedFindInterface(RefCountedObject* self, const Guid* iid, void** out) {
  if (!GuidEqual(*iid, IidUnknown)) return;
  self->table->AddRef(self);
  *out = self;
}

int32_t ZV_CALL RefCountedMayDestroy(RefCountedObject*) {
  return 1;
}

void ZV_CALL RefCountedDestroy(RefCountedObject* self, int32_t freeStorage) {
  if (freeStorage) ClientFree(self);
}

ClientEvents* FromEvents(void* events) {
  return reinterpret_cast<ClientEvents*>(static_cast<char*>(events) - offsetof(ClientEvents, events));
}

void ZV_CALL EventsFindInterface(RefCountedObject* self, const Guid* iid, void** out) {
  if (GuidEqual(*iid, IidClientEvents)) {
    self->table->AddRef(self);
    *out = &reinterpret_cast<ClientEvents*>(self)->events;
    return;
  }
  RefCountedFindInterface(self, iid, out);
}

// The event object's destruction is the client's teardown.
void ZV_CALL EventsDestroy(RefCountedObject* self, int32_t freeStorage) {
  ClientTeardown();
  RefCountedDestroy(self, freeStorage);
}

HResult ZV_CALL EventsQueryInterface(void* self, const Guid* iid, void** out) {
  RefCountedObject* object = &FromEvents(self)->base;
  return object->table->QueryInterface(object, iid, out);
}

uint32_t ZV_CALL EventsAddRef(void* self) {
  RefCountedObject* object = &FromEvents(self)->base;
  return object->table->AddRef(object);
}

uint32_t ZV_CALL EventsRelease(void* self) {
  RefCountedObject* object = &FromEvents(self)->base;
  return object->table->Release(object);
}

HResult ZV_CALL EventsInitialize(void*, int32_t kind) {
  ToolsInitialize(kind);
  return HrOk;
}

HResult ZV_CALL EventsQuit(void*) {
  return HrOk;
}

HResult ZV_CALL EventsCommand(void*, int32_t number) {
  ToolsCommand(number);
  return HrOk;
}

HResult ZV_CALL EventsIgnored(void*, int32_t, int32_t, int32_t) {
  return HrOk;
}

// Notification 75 carries fields separated by 0x1E; the tools get them split, and the
// split copies are freed as soon as the handler returns.
HResult ZV_CALL EventsNotify(void*, int32_t code, ObjectId doc, const char* text, int32_t value) {
  if (code != NoteSeparatedText) {
    ToolsNotify(code, doc, text, value);
    return HrOk;
  }
  NotifyFields* fields = NotifyFieldsSplit(text);
  if (fields == nullptr) return HrOk;  // out of memory: nothing sound to hand on
  ToolsNotify(code, doc, fields, value);
  NotifyFieldsFree(fields);
  return HrOk;
}

HResult ZV_CALL EventsGetResource(void*, int32_t type, const char* name, ByteBlock* out) {
  return ClientGetResource(type, name, out);
}

}  // namespace

HResult ZV_CALL RefCountedQueryInterface(RefCountedObject* self, const Guid* iid, void** out) {
  if (out == nullptr) return HrPointer;
  *out = nullptr;
  if (iid == nullptr) return HrNoInterface;
  self->table->FindInterface(self, iid, out);
  return *out != nullptr ? HrOk : HrNoInterface;
}

uint32_t ZV_CALL RefCountedAddRef(RefCountedObject* self) {
  return static_cast<uint32_t>(++self->refCount);
}

uint32_t ZV_CALL RefCountedRelease(RefCountedObject* self) {
  if (--self->refCount != 0) return static_cast<uint32_t>(self->refCount);
  self->refCount = DestroyingCount;
  if (self->table->MayDestroy(self)) {
    self->table->Destroy(self, 1);
    return 0;
  }
  self->refCount -= DestroyingCount;
  return 0;
}

const RefCountedTable RefCountedObjectTable = {RefCountedQueryInterface, RefCountedAddRef,     RefCountedRelease,
                                               RefCountedFindInterface,  RefCountedMayDestroy, RefCountedDestroy};

const RefCountedTable ClientEventsIdentityTable = {RefCountedQueryInterface, RefCountedAddRef,     RefCountedRelease,
                                                   EventsFindInterface,      RefCountedMayDestroy, EventsDestroy};

const ZvClientEventsMethods ClientEventsEventTable = {
    EventsQueryInterface, EventsAddRef,  EventsRelease, EventsInitialize, EventsQuit,
    EventsCommand,        EventsIgnored, EventsIgnored, EventsNotify,     EventsGetResource};

ClientEvents* ClientEventsCreate() {
  auto* object = static_cast<ClientEvents*>(ClientAlloc(sizeof(ClientEvents)));
  if (object == nullptr) return nullptr;
  object->base.table = &ClientEventsIdentityTable;
  object->base.refCount = 1;
  object->events = &ClientEventsEventTable;
  return object;
}

}  // namespace zv
