// The session's operations on documents and the objects in them: refreshing, deleting, looking
// up by name, creating graphics and selecting table cells.
#include "host/binding/session_op.h"

namespace zvhost {
namespace {

HResult ZVH_CALL RefreshDocument(void* self, ObjectId doc, int32_t* status) {
  HostImpl& h = ImplOf(self);
  OpCall c = h.BeginOp("RefreshDocument", slot::RefreshDocument);
  if (c.logging) h.SetArgs(c, "doc=" + FormatId(doc));
  if (!status) return h.NullArgument(c, "status");
  HResult r;
  if (Faulted(h, c, status, &r, kNothing)) return r;
  DocState* d = h.model.Doc(doc);
  if (d) ++d->refreshes;
  *status = d ? status::Ok : status::BadDocument;
  return h.EndOp(c, hr::Ok, status);
}

HResult ZVH_CALL DeleteObject(void* self, ObjectId doc, ObjectId object, int32_t* status) {
  HostImpl& h = ImplOf(self);
  OpCall c = h.BeginOp("DeleteObject", slot::DeleteObject);
  if (c.logging) h.SetArgs(c, DocObj(doc, object));
  if (!status) return h.NullArgument(c, "status");
  HResult r;
  if (Faulted(h, c, status, &r, kNothing)) return r;
  *status = h.model.DeleteObject(doc, object);
  return h.EndOp(c, hr::Ok, status);
}

HResult ZVH_CALL LookupNamedObject(void* self, ObjectId doc, int32_t type, const char* name, int32_t* status,
                                   ObjectId* id) {
  HostImpl& h = ImplOf(self);
  OpCall c = h.BeginOp("LookupNamedObject", slot::LookupNamedObject);
  if (c.logging) h.SetArgs(c, "doc=" + FormatId(doc) + " type=" + TypeName(type) + " name=" + TextArg(name));
  if (!status || !id) return h.NullArgument(c, "output");
  HResult r;
  if (Faulted(h, c, status, &r, [&] { *id = 0; })) return r;
  *id = 0;
  if (!name) {
    *status = status::BadValue;
  } else if (doc != 0) {
    *status = h.model.Doc(doc) ? status::NotFound : status::BadDocument;  // no named objects per document
  } else {
    *id = h.model.LookupNamed(type, name);
    *status = *id ? status::Ok : status::NotFound;
  }
  return h.EndOp(c, hr::Ok, status, [&] { return FormatId(*id); });
}

HResult ZVH_CALL CreateGraphic(void* self, ObjectId doc, int32_t type, ObjectId parent, int32_t* status, ObjectId* id) {
  HostImpl& h = ImplOf(self);
  OpCall c = h.BeginOp("CreateGraphic", slot::CreateGraphic);
  if (c.logging) h.SetArgs(c, "doc=" + FormatId(doc) + " type=" + TypeName(type) + " parent=" + FormatId(parent));
  if (!status || !id) return h.NullArgument(c, "output");
  HResult r;
  if (Faulted(h, c, status, &r, [&] { *id = 0; })) return r;
  *id = h.model.CreateGraphic(doc, type, parent, status);
  return h.EndOp(c, hr::Ok, status, [&] { return FormatId(*id); });
}

HResult ZVH_CALL SelectTableCells(void* self, ObjectId doc, ObjectId table, int32_t top, int32_t bottom, int32_t left,
                                  int32_t right, int32_t* status) {
  HostImpl& h = ImplOf(self);
  OpCall c = h.BeginOp("SelectTableCells", slot::SelectTableCells);
  if (c.logging)
    h.SetArgs(c, "doc=" + FormatId(doc) + " table=" + FormatId(table) + " rows=" +
                     (top == WholeTable ? "whole" + (bottom != 0 ? " bottom=" + std::to_string(bottom) : "")
                                        : std::to_string(top) + ".." + std::to_string(bottom)) +
                     " cols=" + std::to_string(left) + ".." + std::to_string(right));
  if (!status) return h.NullArgument(c, "status");
  HResult r;
  if (Faulted(h, c, status, &r, kNothing)) return r;
  *status = h.model.SelectTableCells(doc, table, top, bottom, left, right);
  return h.EndOp(c, hr::Ok, status);
}

}  // namespace

void PutObjectOps(ZvHostSessionMethods& t) {
  ZVH_PUT(t, RefreshDocument, &RefreshDocument);
  ZVH_PUT(t, DeleteObject, &DeleteObject);
  ZVH_PUT(t, LookupNamedObject, &LookupNamedObject);
  ZVH_PUT(t, CreateGraphic, &CreateGraphic);
  ZVH_PUT(t, SelectTableCells, &SelectTableCells);
}

}  // namespace zvhost
