#include "fake_client.h"

#include <cstdio>

namespace fake {

using zvhost::HResult;
using zvhost::Iid;
namespace hr = zvhost::hr;
namespace slot = zvhost::slot;

Client* current = nullptr;
bool nextForgetsSession = false;

namespace {

Client* FromIdentity(void* p) {
  return static_cast<Com*>(p)->owner;
}
Client* FromEvents(void* p) {
  return reinterpret_cast<Com*>(static_cast<char*>(p) - sizeof(void*))->owner;
}

void ReleaseIface(void*& p) {
  if (!p) return;
  zv::SlotOf<uint32_t(ZVH_CALL*)(void*)>(p, slot::Release)(p);
  p = nullptr;
}

void Teardown(Client* c) {
  c->tornDown = true;
  for (int i = 0; i < 6; ++i)
    if (!(i == 0 && c->forgetSession)) ReleaseIface(c->iface[i]);
  ReleaseIface(c->held);
}

HResult ZVH_CALL QueryInterface(Client* c, const Iid* iid, void** out) {
  if (!out) return hr::Pointer;
  *out = nullptr;
  if (zvhost::SameIid(*iid, zvhost::iid::ClientEvents))
    *out = &c->com.events;
  else if (zvhost::SameIid(*iid, zvhost::iid::Unknown))
    *out = &c->com;
  if (!*out) return hr::NoInterface;
  ++c->refs;
  return hr::Ok;
}

uint32_t ZVH_CALL AddRef(Client* c) {
  return static_cast<uint32_t>(++c->refs);
}

uint32_t ZVH_CALL Release(Client* c) {
  if (--c->refs == 0) {
    Teardown(c);
    return 0;
  }
  return static_cast<uint32_t>(c->refs);
}

HResult ZVH_CALL IdQuery(void* self, const Iid* iid, void** out) {
  return QueryInterface(FromIdentity(self), iid, out);
}
uint32_t ZVH_CALL IdAddRef(void* self) {
  return AddRef(FromIdentity(self));
}
uint32_t ZVH_CALL IdRelease(void* self) {
  return Release(FromIdentity(self));
}
HResult ZVH_CALL EvQuery(void* self, const Iid* iid, void** out) {
  return QueryInterface(FromEvents(self), iid, out);
}
uint32_t ZVH_CALL EvAddRef(void* self) {
  return AddRef(FromEvents(self));
}
uint32_t ZVH_CALL EvRelease(void* self) {
  return Release(FromEvents(self));
}

HResult ZVH_CALL Initialize(void* self, int32_t kind) {
  FromEvents(self)->events.push_back("Initialize " + std::to_string(kind));
  return hr::Ok;
}
HResult ZVH_CALL Quit(void* self) {
  FromEvents(self)->events.push_back("Quit");
  return hr::Ok;
}
HResult ZVH_CALL Command(void* self, int32_t number) {
  Client* c = FromEvents(self);
  c->events.push_back("Command " + std::to_string(number));
  if (c->onCommand) c->onCommand(number);
  return hr::Ok;
}
HResult ZVH_CALL Message(void* self, int32_t a, int32_t b, int32_t d) {
  FromEvents(self)->events.push_back("Message " + std::to_string(a + b + d));
  return hr::Ok;
}
HResult ZVH_CALL DialogEvent(void* self, int32_t a, int32_t b, int32_t d) {
  FromEvents(self)->events.push_back("DialogEvent " + std::to_string(a + b + d));
  return hr::Ok;
}
HResult ZVH_CALL Notify(void* self, int32_t code, zvhost::ObjectId doc, const char* text, int32_t value) {
  FromEvents(self)->events.push_back("Notify " + std::to_string(code) + " " + zvhost::FormatId(doc) + " " +
                                     (text ? text : "null") + " " + std::to_string(value));
  return hr::Ok;
}
HResult ZVH_CALL GetResource(void* self, int32_t type, const char* name, zv::ByteBlock* out) {
  FromEvents(self)->events.push_back("GetResource " + std::to_string(type));
  if (type != 0 || !out) return hr::Fail;
  auto* p = static_cast<uint8_t*>(zvhost::TaskAlloc(4));
  std::snprintf(reinterpret_cast<char*>(p), 4, "%s", name ? name : "");
  *out = {4, p};
  return hr::Ok;
}

const void* const kIdentity[] = {reinterpret_cast<const void*>(&IdQuery), reinterpret_cast<const void*>(&IdAddRef),
                                 reinterpret_cast<const void*>(&IdRelease)};
const void* const kEvents[] = {reinterpret_cast<const void*>(&EvQuery),   reinterpret_cast<const void*>(&EvAddRef),
                               reinterpret_cast<const void*>(&EvRelease), reinterpret_cast<const void*>(&Initialize),
                               reinterpret_cast<const void*>(&Quit),      reinterpret_cast<const void*>(&Command),
                               reinterpret_cast<const void*>(&Message),   reinterpret_cast<const void*>(&DialogEvent),
                               reinterpret_cast<const void*>(&Notify),    reinterpret_cast<const void*>(&GetResource)};

const Iid* const kOrder[6] = {&zvhost::iid::Session,      &zvhost::iid::SessionAux1, &zvhost::iid::SessionAux2,
                              &zvhost::iid::MemoryPolicy, &zvhost::iid::ModuleLink,  &zvhost::iid::Extension};

}  // namespace

int32_t ZVH_CALL Init(void* module, void* root, void* held, zv::PropList* registration) {
  if (!root) return -1;
  auto query = zv::SlotOf<HResult(ZVH_CALL*)(void*, const Iid*, void**)>(root, slot::QueryInterface);
  static Client storage[64];
  static int used = 0;
  Client* c = &storage[used++ % 64];
  *c = Client{};
  c->com = {kIdentity, kEvents, c};
  c->forgetSession = nextForgetsSession;
  current = c;
  for (int i = 0; i < 3; ++i) query(root, kOrder[i], &c->iface[i]);
  if (!c->iface[0]) {
    ReleaseIface(c->iface[1]);
    ReleaseIface(c->iface[2]);
    return -1;
  }
  for (int i = 3; i < 6; ++i) query(root, kOrder[i], &c->iface[i]);
  if (c->iface[3])
    c->keeps =
        zv::SlotOf<HResult(ZVH_CALL*)(void*, int32_t)>(c->iface[3], slot::AskHostKeepsResults)(c->iface[3], 1) == 0;
  zv::SlotOf<HResult(ZVH_CALL*)(void*, void*, uint32_t, zv::PropList*)>(c->iface[0], slot::RegisterClient)(
      c->iface[0], &c->com, 0x06000000u, registration);
  if (c->iface[4])
    zv::SlotOf<HResult(ZVH_CALL*)(void*, void*)>(c->iface[4], slot::SetClientModule)(c->iface[4], module);
  if (held) {
    c->held = held;
    zv::SlotOf<uint32_t(ZVH_CALL*)(void*)>(held, slot::AddRef)(held);
  }
  Release(c);
  return c->tornDown ? -1 : 0;
}

zvhost::HostOptions Options() {
  zvhost::HostOptions o;
  o.entryPoint = &Init;
  o.selectionStepMs = 0;
  return o;
}

}  // namespace fake
