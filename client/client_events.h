// The client's COM-style objects, written out as explicit layouts and method tables.
// RefCountedObject: the identity part (table + count) that every object starts with.
// ClientEvents: adds the event interface that the host calls on its one thread.
#pragma once

#include "hostapi/abi.h"

namespace zv {

struct RefCountedObject;

// The identity table. Slots 0 to 2 are what the host calls; 3 to 5 are the object's own.
struct RefCountedTable {
  HResult(ZV_CALL* QueryInterface)(RefCountedObject* self, const Guid* iid, void** out);
  uint32_t(ZV_CALL* AddRef)(RefCountedObject* self);
  uint32_t(ZV_CALL* Release)(RefCountedObject* self);
  // Stores an interface pointer (with a reference) for iid; leaves out untouched otherwise.
  void(ZV_CALL* FindInterface)(RefCountedObject* self, const Guid* iid, void** out);
  int32_t(ZV_CALL* MayDestroy)(RefCountedObject* self);  // nonzero: the last release destroys
  void(ZV_CALL* Destroy)(RefCountedObject* self, int32_t freeStorage);
};

struct RefCountedObject {
  const RefCountedTable* table;  // first: the object's address is its identity
  int32_t refCount;
};

// The identity, then the event interface, whose table (ZvClientEventsMethods, in the
// interface's slot order) gets the event interface part as `self`.
struct ClientEvents {
  RefCountedObject base;
  const ZvClientEventsMethods* events;  // handed out for the event interface identifier
};

extern const RefCountedTable RefCountedObjectTable;  // the base behaviour
extern const RefCountedTable ClientEventsIdentityTable;
extern const ZvClientEventsMethods ClientEventsEventTable;

// A new event object with refCount 1, or null when memory runs out.
ClientEvents* ClientEventsCreate();

// The base behaviour, for objects that reuse it in their own tables.
HResult ZV_CALL RefCountedQueryInterface(RefCountedObject* self, const Guid* iid, void** out);
uint32_t ZV_CALL RefCountedAddRef(RefCountedObject* self);
uint32_t ZV_CALL RefCountedRelease(RefCountedObject* self);

}  // namespace zv
