// The root object, the interfaces it hands out and the held object: interface lookup and
// reference counting written once for all of them, with every count kept for the audit.
#include <array>
#include <cstdio>
#include <cstring>
#include <utility>

#include "host/binding/host_impl.h"

namespace zvhost {

namespace {

constexpr Iid kRootIid = {0x7A6B0001, 0x5A56, 0x4F53, {0x48, 0x4F, 0x53, 0x54, 0x52, 0x4F, 0x4F, 0x54}};
constexpr Iid kHeldIid = {0x7A6B0002, 0x5A56, 0x4F53, {0x48, 0x4F, 0x53, 0x54, 0x48, 0x45, 0x4C, 0x44}};

ComObject* Obj(void* self) {
  return static_cast<ComObject*>(self);
}

std::string IidText(const Iid* iid) {
  if (!iid) return "null";
  for (int i = 0; i < RefCount_; ++i)
    if (SameIid(*iid, RefIid(i))) return RefName(i);
  if (SameIid(*iid, iid::Unknown)) return "IUnknown";
  if (SameIid(*iid, iid::ClientEvents)) return "ClientEvents";
  char buf[64];
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", iid->data1, iid->data2,
                iid->data3, iid->data4[0], iid->data4[1], iid->data4[2], iid->data4[3], iid->data4[4], iid->data4[5],
                iid->data4[6], iid->data4[7]);
  return buf;
}

size_t LogStandard(HostImpl& h, ComObject* o, const char* op, int slot, const std::string& args,
                   bool sessionOp = false) {
  CallRecord r;
  r.direction = Direction::ToHost;
  r.iface = RefName(o->index);
  r.op = op;
  r.slot = slot;
  r.args = args;
  return h.log.Add(std::move(r), sessionOp);
}

}  // namespace

HResult ZVH_CALL ObjQueryInterface(void* self, const Iid* iid, void** out) {
  ComObject* o = Obj(self);
  HostImpl& h = *o->host;
  size_t rec = LogStandard(h, o, "QueryInterface", slot::QueryInterface, IidText(iid));
  HResult result = hr::NoInterface;
  void* answer = nullptr;
  if (!out || !iid) {
    h.Problem(std::string("QueryInterface on ") + RefName(o->index) + " with a null pointer");
    result = hr::Pointer;
  } else if (o->index == RefRoot) {
    h.interfaceRequests.push_back(IidText(iid));
    for (int i = RefSession; i <= RefExtension; ++i) {
      if (!SameIid(*iid, RefIid(i))) continue;
      if (h.options.refused.count(static_cast<Interface>(i)) == 0) {
        answer = &h.objects[i];
        ++h.refs[i];
        h.handedOut[i] = true;
        result = hr::Ok;
      }
    }
    if (SameIid(*iid, iid::Unknown) || SameIid(*iid, kRootIid)) {
      answer = o;
      ++h.refs[RefRoot];
      result = hr::Ok;
    }
  } else if (SameIid(*iid, iid::Unknown) || SameIid(*iid, RefIid(o->index))) {
    answer = o;
    ++h.refs[o->index];
    result = hr::Ok;
  }
  if (out) *out = answer;
  CallRecord& r = h.log.At(rec);
  r.hresult = result;
  r.result = answer ? "granted" : "refused";
  return result;
}

uint32_t ZVH_CALL ObjAddRef(void* self) {
  ComObject* o = Obj(self);
  HostImpl& h = *o->host;
  size_t rec = LogStandard(h, o, "AddRef", slot::AddRef, "");
  int32_t n = ++h.refs[o->index];
  h.log.At(rec).result = std::to_string(n);
  return static_cast<uint32_t>(n);
}

uint32_t ZVH_CALL ObjRelease(void* self) {
  ComObject* o = Obj(self);
  HostImpl& h = *o->host;
  size_t rec = LogStandard(h, o, "Release", slot::Release, "");
  int32_t n = --h.refs[o->index];
  if (n < 0) h.Problem(std::string("Release of ") + RefName(o->index) + " below the host's own reference");
  h.log.At(rec).result = std::to_string(n);
  return static_cast<uint32_t>(n < 0 ? 0 : n);
}

namespace {

HResult ZVH_CALL AskHostKeepsResults(void* self, int32_t question) {
  ComObject* o = Obj(self);
  HostImpl& h = *o->host;
  size_t rec = LogStandard(h, o, "AskHostKeepsResults", slot::AskHostKeepsResults, std::to_string(question));
  HResult result = h.options.keepsResults ? hr::Ok : hr::False;
  CallRecord& r = h.log.At(rec);
  r.hresult = result;
  r.result = h.options.keepsResults ? "keeps" : "client releases";
  return result;
}

HResult ZVH_CALL SetClientModule(void* self, void* module) {
  ComObject* o = Obj(self);
  HostImpl& h = *o->host;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%p", module);
  LogStandard(h, o, "SetClientModule", slot::SetClientModule, buf);
  h.recordedModule = module;
  h.moduleRecorded = true;
  return hr::Ok;
}

template <int Slot>
HResult ZVH_CALL UnknownSlot(void* self) {
  // A slot the host does not serve. On Win32 only the interface pointer is removed from the
  // stack, so a client that calls here with more arguments will not survive it: the record
  // above is what explains the crash.
  ComObject* o = Obj(self);
  HostImpl& h = *o->host;
  char op[16];
  std::snprintf(op, sizeof op, "Slot%d", Slot);
  size_t rec = LogStandard(h, o, op, Slot, "", o->index == RefSession);
  h.log.At(rec).hresult = hr::NotImplemented;
  h.Problem(std::string("call of unknown slot ") + std::to_string(Slot) + " on " + RefName(o->index));
  return hr::NotImplemented;
}

template <size_t... I>
std::array<UnknownSlotFn, sizeof...(I)> MakeUnknownSlots(std::index_sequence<I...>) {
  return {{&UnknownSlot<static_cast<int>(I)>...}};
}

// The tables of the objects other than the session: the memory policy's and the module link's
// with their one method each, and the one the others share, which has only the standard three.
template <typename Methods>
using SmallHostTable = HostTable<Methods, slot::SmallInterfaceSlotCount>;
struct SmallTables {
  SmallHostTable<ZvUnknownMethods> plain;
  SmallHostTable<ZvHostMemoryPolicyMethods> policy;
  SmallHostTable<ZvHostModuleLinkMethods> link;
  SmallTables() {
    FillUnknown(&plain);
    FillUnknown(&policy);
    FillUnknown(&link);
    PutStandardOps(plain.methods);
    PutStandardOps(policy.methods);
    PutStandardOps(link.methods);
    ZVH_PUT(policy.methods, AskHostKeepsResults, &AskHostKeepsResults);
    ZVH_PUT(link.methods, SetClientModule, &SetClientModule);
  }
};

const SmallTables& Tables() {
  static const SmallTables tables;
  return tables;
}

}  // namespace

const UnknownSlotFn* UnknownSlots() {
  static const auto table = MakeUnknownSlots(std::make_index_sequence<slot::SessionSlotCount>{});
  return table.data();
}

const void* SmallTable(int index) {
  const SmallTables& t = Tables();
  if (index == RefMemoryPolicy) return &t.policy;
  if (index == RefModuleLink) return &t.link;
  return &t.plain;
}
const void* RootTable() {
  return SmallTable(RefRoot);
}
const void* HeldTable() {
  return SmallTable(RefHeld);
}

const char* RefName(int index) {
  static const char* const names[RefCount_] = {"Session",    "SessionAux1", "SessionAux2", "MemoryPolicy",
                                               "ModuleLink", "Extension",   "Root",        "Held"};
  return index >= 0 && index < RefCount_ ? names[index] : "?";
}

const Iid& RefIid(int index) {
  static const Iid iids[RefCount_] = {iid::Session,    iid::SessionAux1, iid::SessionAux2, iid::MemoryPolicy,
                                      iid::ModuleLink, iid::Extension,   kRootIid,         kHeldIid};
  return iids[index];
}

const char* InterfaceName(Interface i) {
  return RefName(static_cast<int>(i));
}

void HostImpl::CopyRegistration(const zv::PropList* list) {
  registration.clear();
  registrationNull = list == nullptr;
  if (!list) return;
  if (list->count > 0 && !list->vals) {
    Problem("registration list with a count and no elements");
    return;
  }
  for (uint32_t i = 0; i < list->count && i < 4096; ++i) {
    const zv::PropVal& v = list->vals[i];
    RegistrationEntry e;
    e.number = v.key.number;
    if (v.key.number == 0 && v.key.name) e.name = v.key.name;
    if (v.key.number != 0 && v.key.name) Problem("registration entry with both a number and a name");
    e.type = v.value.type;
    if (e.type == vt::Text && v.value.u.text) e.text = v.value.u.text;
    if (e.type != vt::Text) std::memcpy(e.words, &v.value.u.range, sizeof e.words);  // the value's 16 bytes
    registration.push_back(e);
  }
}

}  // namespace zvhost
