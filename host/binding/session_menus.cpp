// The session's operations for the client's place in the application: registering, asking for
// notifications, and building its menus and commands.
#include <cstdio>

#include "host/binding/session_op.h"

namespace zvhost {
namespace {

HResult ZVH_CALL RegisterClient(void* self, void* client, uint32_t version, zv::PropList* registration) {
  HostImpl& h = ImplOf(self);
  OpCall c = h.BeginOp("RegisterClient", slot::RegisterClient);
  char buf[64];
  std::snprintf(buf, sizeof buf, "client=%p version=0x%08X", client, version);
  if (c.logging) h.SetArgs(c, std::string(buf) + (registration ? " list" : " list=null"));
  if (c.fault.hresult < 0) return h.EndOp(c, c.fault.hresult, nullptr);
  h.registeredVersion = version;
  if (version != ExpectedClientVersion) h.Problem("RegisterClient with an unexpected version");
  h.CopyRegistration(registration);
  h.clientIdentity = client;
  if (!client) {
    h.Problem("RegisterClient with a null client");
    return h.EndOp(c, hr::Pointer, nullptr);
  }
  if (h.options.keepsEventObject && !h.events) {
    // The host keeps the client's event interface, obtained by the client's own query.
    void* events = nullptr;
    size_t rec = h.BeginEvent("QueryInterface", slot::QueryInterface, "ClientEvents");
    auto qi = zv::SlotOf<HResult(ZVH_CALL*)(void*, const Iid*, void**)>(client, slot::QueryInterface);
    HResult r = qi(client, &iid::ClientEvents, &events);
    h.EndEvent(rec, r, events ? "granted" : "refused");
    if (r == hr::Ok && events)
      h.events = events;
    else
      h.Problem("the client refused its event interface");
  }
  if (h.options.initializeDuringRegistration && h.events) {
    size_t rec = h.BeginEvent("Initialize", slot::Initialize, "1");
    h.EndEvent(rec, zv::SlotOf<HResult(ZVH_CALL*)(void*, int32_t)>(h.events, slot::Initialize)(h.events, 1), "");
  }
  return h.EndOp(c, hr::Ok, nullptr, h.events ? "kept" : "not kept");
}

HResult ZVH_CALL RequestNotification(void* self, int32_t code, int32_t state, int32_t* status) {
  HostImpl& h = ImplOf(self);
  OpCall c = h.BeginOp("RequestNotification", slot::RequestNotification);
  if (c.logging) h.SetArgs(c, "code=" + std::to_string(code) + " state=" + std::to_string(state));
  if (!status) return h.NullArgument(c, "status");
  HResult r;
  if (Faulted(h, c, status, &r, kNothing)) return r;
  if (state != 0 && state != 1) {
    *status = status::BadValue;
  } else {
    if (!h.notificationOn.count(code)) h.notifications.push_back(code);
    h.notificationOn[code] = state == 1;
    *status = status::Ok;
  }
  return h.EndOp(c, hr::Ok, status);
}

HResult ZVH_CALL AddItemToMenu(void* self, ObjectId menu, ObjectId item, int32_t* status) {
  HostImpl& h = ImplOf(self);
  OpCall c = h.BeginOp("AddItemToMenu", slot::AddItemToMenu);
  if (c.logging) h.SetArgs(c, "menu=" + FormatId(menu) + " item=" + FormatId(item));
  if (!status) return h.NullArgument(c, "status");
  HResult r;
  if (Faulted(h, c, status, &r, kNothing)) return r;
  *status = h.model.AddToMenu(menu, item);
  return h.EndOp(c, hr::Ok, status);
}

// The rest of defining a submenu or a command, once the arguments are logged: both need a tag
// and a label; `define` makes the object, writing its status where the call's status goes.
template <typename Define>
HResult DefineTagged(HostImpl& h, OpCall& c, const char* tag, const char* label, int32_t* status, ObjectId* id,
                     Define define) {
  if (!status || !id) return h.NullArgument(c, "output");
  HResult r;
  if (Faulted(h, c, status, &r, [&] { *id = 0; })) return r;
  if (!tag || !label) {
    *status = status::BadValue;
    *id = 0;
  } else {
    *id = define(status);
  }
  return h.EndOp(c, hr::Ok, status, [&] { return FormatId(*id); });
}

HResult ZVH_CALL DefineSubmenu(void* self, ObjectId parent, const char* tag, const char* label, int32_t* status,
                               ObjectId* id) {
  HostImpl& h = ImplOf(self);
  OpCall c = h.BeginOp("DefineSubmenu", slot::DefineSubmenu);
  if (c.logging) h.SetArgs(c, "parent=" + FormatId(parent) + " tag=" + TextArg(tag) + " label=" + TextArg(label));
  return DefineTagged(h, c, tag, label, status, id,
                      [&](int32_t* st) { return h.model.DefineMenu(parent, tag, label, st); });
}

HResult ZVH_CALL FindItemInMenu(void* self, ObjectId menu, ObjectId item, int32_t flags, int32_t* status,
                                ObjectId* id) {
  HostImpl& h = ImplOf(self);
  OpCall c = h.BeginOp("FindItemInMenu", slot::FindItemInMenu);
  if (c.logging) h.SetArgs(c, "menu=" + FormatId(menu) + " item=" + FormatId(item) + " flags=" + std::to_string(flags));
  if (!status || !id) return h.NullArgument(c, "output");
  HResult r;
  if (Faulted(h, c, status, &r, [&] { *id = 0; })) return r;
  *id = 0;
  const Object* m = h.model.Find(menu);
  if (!m || m->type != obj::Menu) {
    *status = status::BadObject;
  } else {
    *status = status::NotFound;
    for (ObjectId x : m->children)
      if (x == item && item != 0) {
        *id = item;
        *status = status::Ok;
      }
  }
  return h.EndOp(c, hr::Ok, status, [&] { return FormatId(*id); });
}

HResult ZVH_CALL DefineMenuCommand(void* self, int32_t number, ObjectId menu, const char* tag, const char* label,
                                   const char* shortcut, int32_t* status, ObjectId* id) {
  HostImpl& h = ImplOf(self);
  OpCall c = h.BeginOp("DefineMenuCommand", slot::DefineMenuCommand);
  if (c.logging)
    h.SetArgs(c, "number=" + std::to_string(number) + " menu=" + FormatId(menu) + " tag=" + TextArg(tag) +
                     " label=" + TextArg(label) + " shortcut=" + TextArg(shortcut));
  return DefineTagged(h, c, tag, label, status, id, [&](int32_t* st) {
    return h.model.DefineCommand(number, menu, tag, label, shortcut ? shortcut : "", st);
  });
}

}  // namespace

void PutMenuOps(ZvHostSessionMethods& t) {
  ZVH_PUT(t, RegisterClient, &RegisterClient);
  ZVH_PUT(t, RequestNotification, &RequestNotification);
  ZVH_PUT(t, AddItemToMenu, &AddItemToMenu);
  ZVH_PUT(t, DefineSubmenu, &DefineSubmenu);
  ZVH_PUT(t, FindItemInMenu, &FindItemInMenu);
  ZVH_PUT(t, DefineMenuCommand, &DefineMenuCommand);
}

}  // namespace zvhost
