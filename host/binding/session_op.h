// What every session operation shares: the readable forms of its arguments, the fault of the
// call applied before it does anything, and the slots each family of operations fills in the
// session's method table (session.cpp builds the table and holds the common begin and end).
#pragma once

#include <string>

#include "host/binding/host_impl.h"

namespace zvhost {

// Each family puts its operations into the session's methods (ZVH_PUT).
void PutMenuOps(ZvHostSessionMethods& t);      // session_menus.cpp: registration, notifications, menus, commands
void PutDialogOps(ZvHostSessionMethods& t);    // session_dialogs.cpp: alerts, prompts, the console
void PutObjectOps(ZvHostSessionMethods& t);    // session_objects.cpp: documents, objects, table cells
void PutPropertyOps(ZvHostSessionMethods& t);  // session_props.cpp: whole-object lists, typed reads and writes

std::string DocObj(ObjectId doc, ObjectId object);
std::string DocObjKey(ObjectId doc, ObjectId object, const zv::PropKey* key);

// A call whose status goes unwritten writes it here instead of to the client.
void RedirectStatus(const OpCall& c, int32_t*& status);

// The fault of this call, applied: a failed HRESULT ends the call with nothing written; a
// status is written (and `zero` clears the outputs); an unwritten status lets the call go on
// with its status redirected. Returns true when the call is over.
template <typename Zero>
bool Faulted(HostImpl& h, OpCall& c, int32_t*& status, HResult* result, Zero zero) {
  RedirectStatus(c, status);
  if (c.fault.hresult < 0) {
    *result = h.EndOp(c, c.fault.hresult, nullptr);
    return true;
  }
  if (c.fault.status != 0) {
    *status = c.fault.status;
    zero();
    *result = h.EndOp(c, hr::Ok, status);
    return true;
  }
  return false;
}

inline constexpr auto kNothing = [] {};

}  // namespace zvhost
