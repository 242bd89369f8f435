// The session interface: its method table, filled by the families of operations (session_*.cpp),
// and what every operation shares: the common begin and end that log the call and choose its
// fault, and the readable forms of arguments for the log.
#include <cstdio>

#include "host/binding/session_op.h"

namespace zvhost {

HostImpl& ImplOf(void* self) {
  return *static_cast<ComObject*>(self)->host;
}

void AppendTextArg(std::string& s, const char* text) {
  if (!text) {
    s += "null";
    return;
  }
  const size_t open = s.size();
  s += '"';
  for (const char* p = text; *p && s.size() - open < 200; ++p) {  // cut after 200 characters
    unsigned char ch = static_cast<unsigned char>(*p);
    if (ch == '\n')
      s += "\\n";
    else if (ch == '"' || ch == '\\')
      s += {'\\', static_cast<char>(ch)};
    else if (ch < 0x20 || ch >= 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", ch);
      s += buf;
    } else {
      s += static_cast<char>(ch);
    }
  }
  s += '"';
}

std::string TextArg(const char* text) {
  std::string s;
  AppendTextArg(s, text);
  return s;
}

namespace {

// The argument texts are built in one block each: a chain of `+` makes a new string per step,
// and these are made for nearly every call the client makes.
void AppendKey(std::string& s, const zv::PropKey* key) {
  if (!key) {
    s += "key=null";
    return;
  }
  s += "key=";
  if (key->number == 0) {
    AppendTextArg(s, key->name);
    return;
  }
  s += PropName(key->number);
  if (key->name) s += "+name";
}

void AppendDocObj(std::string& s, ObjectId doc, ObjectId object) {
  s += "doc=";
  s += FormatId(doc);
  s += " obj=";
  s += FormatId(object);
}

}  // namespace

std::string KeyText(const zv::PropKey* key) {
  std::string s;
  s.reserve(48);
  AppendKey(s, key);
  return s;
}

std::string HrText(HResult h) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(h));
  return buf;
}

std::string DocObj(ObjectId doc, ObjectId object) {
  std::string s;
  s.reserve(48);
  AppendDocObj(s, doc, object);
  return s;
}

std::string DocObjKey(ObjectId doc, ObjectId object, const zv::PropKey* key) {
  std::string s;
  s.reserve(96);
  AppendDocObj(s, doc, object);
  s += ' ';
  AppendKey(s, key);
  return s;
}

void RedirectStatus(const OpCall& c, int32_t*& status) {
  static int32_t unwritten = 0;
  if (c.fault.statusUnwritten) status = &unwritten;
}

namespace {

// The session's table is longer than the interface's: every slot past it, and every one the
// interface reserves, records the call and fails.
struct SessionTableData {
  HostTable<ZvHostSessionMethods, slot::SessionSlotCount> t;
  SessionTableData() {
    FillUnknown(&t);
    PutStandardOps(t.methods);
    PutMenuOps(t.methods);
    PutDialogOps(t.methods);
    PutObjectOps(t.methods);
    PutPropertyOps(t.methods);
  }
};

}  // namespace

const void* SessionTable() {
  static const SessionTableData table;
  return &table.t;
}

OpCall HostImpl::BeginOp(const char* op, int s) {
  OpCall c;
  c.op = op;
  c.logging = log.enabled;
  if (c.logging) {
    CallRecord r;
    r.direction = Direction::ToHost;
    r.iface = "Session";
    r.op = op;
    r.slot = s;
    c.record = log.Add(std::move(r), true);
  } else {
    log.Skip(true);
  }
  if (!faults.Empty()) c.fault = faults.Take(op, log.SessionOps());
  return c;
}

void HostImpl::SetArgs(OpCall& c, std::string args) {
  log.At(c.record).args = std::move(args);
}

HResult HostImpl::EndOp(OpCall& c, HResult h, const int32_t* status, const char* result) {
  if (c.logging) RecordEnd(c, h, status, result);
  return h;
}

void HostImpl::RecordEnd(OpCall& c, HResult h, const int32_t* status, std::string result) {
  CallRecord& r = log.At(c.record);
  r.hresult = h;
  r.hasStatus = status != nullptr;
  r.status = status ? *status : 0;
  r.result = std::move(result);
  r.faulted = c.fault.active();
}

HResult HostImpl::NullArgument(OpCall& c, const char* what) {
  Problem(std::string(c.op) + " with a null " + what + " pointer");
  return EndOp(c, hr::Pointer, nullptr);
}

}  // namespace zvhost
