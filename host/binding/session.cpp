// The session interface: every operation slot with its exact parameter list, served from the
// document model, logged, and open to fault injection.
#include <algorithm>
#include <array>
#include <cstdio>

#include "host/binding/host_impl.h"

namespace zvhost {

HostImpl& ImplOf(void* self) {
  return *static_cast<ComObject*>(self)->host;
}

std::string TextArg(const char* text) {
  if (!text) return "null";
  std::string s = "\"";
  for (const char* p = text; *p && s.size() < 200; ++p) {
    unsigned char ch = static_cast<unsigned char>(*p);
    if (ch == '\n')
      s += "\\n";
    else if (ch == '"' || ch == '\\')
      s += std::string("\\") + static_cast<char>(ch);
    else if (ch < 0x20 || ch >= 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", ch);
      s += buf;
    } else {
      s += static_cast<char>(ch);
    }
  }
  return s + "\"";
}

std::string KeyText(const zv::PropKey* key) {
  if (!key) return "key=null";
  if (key->number == 0) return "key=" + TextArg(key->name);
  std::string s = std::string("key=") + PropName(key->number);
  if (key->name) s += "+name";
  return s;
}

std::string HrText(HResult h) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(h));
  return buf;
}

namespace {

std::string DocObj(ObjectId doc, ObjectId object) {
  return "doc=" + FormatId(doc) + " obj=" + FormatId(object);
}

std::string DocObjKey(ObjectId doc, ObjectId object, const zv::PropKey* key) {
  return DocObj(doc, object) + " " + KeyText(key);
}

// Reads a property through the typed operations: the key must name it by number, and the
// property must hold the operation's kind of value.
int32_t GetTyped(HostImpl& h, ObjectId doc, ObjectId object, const zv::PropKey* key, ValueKind kind, Value* out) {
  if (key->number != 0 && key->name) h.Problem("property key with both a number and a name");
  if (key->number == 0) return status::BadProperty;
  int32_t st = h.model.Get(doc, object, key->number, out);
  if (st == status::Ok && out->kind != kind) {
    *out = Value{};
    return status::WrongKind;
  }
  return st;
}

int32_t SetTyped(HostImpl& h, ObjectId doc, ObjectId object, const zv::PropKey* key, const Value& v) {
  if (key->number != 0 && key->name) h.Problem("property key with both a number and a name");
  if (key->number == 0) return status::BadProperty;
  int32_t st = h.model.Set(doc, object, key->number, v);
  if (st == status::Ok && object == 0 && key->number == prop::ScreenUpdates) ++h.screenUpdateChanges;
  return st;
}

// A call whose status goes unwritten writes it here instead of to the client.
void RedirectStatus(const OpCall& c, int32_t*& status) {
  static int32_t unwritten = 0;
  if (c.fault.statusUnwritten) status = &unwritten;
}

// The fault of this call, applied: a failed HRESULT ends the call with nothing written; a
// status is written (and `zero` clears the outputs); an unwritten status lets the call go on
// with its status redirected. Returns true when the call is over.
template <typename Zero>
bool Faulted(HostImpl& h, OpCall& c, int32_t*& status, HResult* result, Zero zero) {
  RedirectStatus(c, status);
  if (c.fault.hresult < 0) {
    *result = h.EndOp(c, c.fault.hresult, nullptr, "");
    return true;
  }
  if (c.fault.status != 0) {
    *status = c.fault.status;
    zero();
    *result = h.EndOp(c, hr::Ok, status, "");
    return true;
  }
  return false;
}

auto kNothing = [] {};

HResult ZVH_CALL RegisterClient(void* self, void* client, uint32_t version, zv::PropList* registration) {
  HostImpl& h = ImplOf(self);
  OpCall c = h.BeginOp("RegisterClient", slot::RegisterClient);
  char buf[64];
  std::snprintf(buf, sizeof buf, "client=%p version=0x%08X", client, version);
  if (c.logging) h.SetArgs(c, std::string(buf) + (registration ? " list" : " list=null"));
  if (c.fault.hresult < 0) return h.EndOp(c, c.fault.hresult, nullptr, "");
  h.registeredVersion = version;
  if (version != ExpectedClientVersion) h.Problem("RegisterClient with an unexpected version");
  h.CopyRegistration(registration);
  h.clientIdentity = client;
  if (!client) {
    h.Problem("RegisterClient with a null client");
    return h.EndOp(c, hr::Pointer, nullptr, "");
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
  return h.EndOp(c, hr::Ok, status, "");
}

HResult ZVH_CALL AddItemToMenu(void* self, ObjectId menu, ObjectId item, int32_t* status) {
  HostImpl& h = ImplOf(self);
  OpCall c = h.BeginOp("AddItemToMenu", slot::AddItemToMenu);
  if (c.logging) h.SetArgs(c, "menu=" + FormatId(menu) + " item=" + FormatId(item));
  if (!status) return h.NullArgument(c, "status");
  HResult r;
  if (Faulted(h, c, status, &r, kNothing)) return r;
  *status = h.model.AddToMenu(menu, item);
  return h.EndOp(c, hr::Ok, status, "");
}

HResult ZVH_CALL DefineSubmenu(void* self, ObjectId parent, const char* tag, const char* label, int32_t* status,
                               ObjectId* id) {
  HostImpl& h = ImplOf(self);
  OpCall c = h.BeginOp("DefineSubmenu", slot::DefineSubmenu);
  if (c.logging) h.SetArgs(c, "parent=" + FormatId(parent) + " tag=" + TextArg(tag) + " label=" + TextArg(label));
  if (!status || !id) return h.NullArgument(c, "output");
  HResult r;
  if (Faulted(h, c, status, &r, [&] { *id = 0; })) return r;
  if (!tag || !label) {
    *status = status::BadValue;
    *id = 0;
  } else {
    *id = h.model.DefineMenu(parent, tag, label, status);
  }
  return h.EndOp(c, hr::Ok, status, c.logging ? FormatId(*id) : std::string());
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
  return h.EndOp(c, hr::Ok, status, c.logging ? FormatId(*id) : std::string());
}

HResult ZVH_CALL ShowAlert(void* self, const char* message, int32_t kind, int32_t* answer) {
  HostImpl& h = ImplOf(self);
  OpCall c = h.BeginOp("ShowAlert", slot::ShowAlert);
  if (c.logging) h.SetArgs(c, TextArg(message) + " kind=" + std::to_string(kind));
  if (c.fault.hresult < 0) return h.EndOp(c, c.fault.hresult, nullptr, "");
  h.alerts.push_back({message ? message : "", kind});
  if (!message) h.Problem("ShowAlert with a null message");
  if (!answer) return h.NullArgument(c, "answer");
  *answer = h.options.alertAnswer;
  return h.EndOp(c, hr::Ok, nullptr, c.logging ? std::to_string(*answer) : std::string());
}

HResult ZVH_CALL AskForInteger(void* self, int32_t* status, int32_t* reply, const char* prompt,
                               const char* defaultText) {
  HostImpl& h = ImplOf(self);
  OpCall c = h.BeginOp("AskForInteger", slot::AskForInteger);
  if (c.logging) h.SetArgs(c, TextArg(prompt) + " default=" + TextArg(defaultText));
  if (!status || !reply) return h.NullArgument(c, "output");
  HResult r;
  if (Faulted(h, c, status, &r, kNothing)) return r;
  PromptRecord p;
  p.prompt = prompt ? prompt : "";
  p.defaultText = defaultText ? defaultText : "";
  if (!h.answers.empty() && h.answers.front().first) {
    p.answered = true;
    p.answer = h.answers.front().second;
  } else if (h.answers.empty() && h.options.askPerson) {
    p.answered = h.options.askPerson(p.prompt, p.defaultText, &p.answer);
  }
  if (p.answered) {
    *reply = p.answer;
    *status = status::Ok;
  } else {
    *status = status::Cancelled;
  }
  if (!h.answers.empty()) h.answers.pop_front();
  h.prompts.push_back(p);
  return h.EndOp(c, hr::Ok, status, c.logging ? (p.answered ? std::to_string(p.answer) : "cancelled") : std::string());
}

HResult ZVH_CALL PrintToConsole(void* self, const char* text, int32_t* status) {
  HostImpl& h = ImplOf(self);
  OpCall c = h.BeginOp("PrintToConsole", slot::PrintToConsole);
  if (c.logging) h.SetArgs(c, TextArg(text));
  if (!status) return h.NullArgument(c, "status");
  HResult r;
  if (Faulted(h, c, status, &r, kNothing)) return r;
  if (!text) {
    *status = status::BadValue;
  } else {
    h.console.emplace_back(text);
    *status = status::Ok;
  }
  return h.EndOp(c, hr::Ok, status, "");
}

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
  return h.EndOp(c, hr::Ok, status, "");
}

HResult ZVH_CALL DeleteObject(void* self, ObjectId doc, ObjectId object, int32_t* status) {
  HostImpl& h = ImplOf(self);
  OpCall c = h.BeginOp("DeleteObject", slot::DeleteObject);
  if (c.logging) h.SetArgs(c, DocObj(doc, object));
  if (!status) return h.NullArgument(c, "status");
  HResult r;
  if (Faulted(h, c, status, &r, kNothing)) return r;
  *status = h.model.DeleteObject(doc, object);
  return h.EndOp(c, hr::Ok, status, "");
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
  return h.EndOp(c, hr::Ok, status, c.logging ? FormatId(*id) : std::string());
}

HResult ZVH_CALL CreateGraphic(void* self, ObjectId doc, int32_t type, ObjectId parent, int32_t* status, ObjectId* id) {
  HostImpl& h = ImplOf(self);
  OpCall c = h.BeginOp("CreateGraphic", slot::CreateGraphic);
  if (c.logging) h.SetArgs(c, "doc=" + FormatId(doc) + " type=" + TypeName(type) + " parent=" + FormatId(parent));
  if (!status || !id) return h.NullArgument(c, "output");
  HResult r;
  if (Faulted(h, c, status, &r, [&] { *id = 0; })) return r;
  *id = h.model.CreateGraphic(doc, type, parent, status);
  return h.EndOp(c, hr::Ok, status, c.logging ? FormatId(*id) : std::string());
}

HResult ZVH_CALL ReadAllProps(void* self, ObjectId doc, ObjectId object, int32_t* status, zv::PropList* out) {
  HostImpl& h = ImplOf(self);
  OpCall c = h.BeginOp("ReadAllProps", slot::ReadAllProps);
  if (c.logging) h.SetArgs(c, DocObj(doc, object));
  if (!status || !out) return h.NullArgument(c, "output");
  if (c.fault.hresult < 0) return h.EndOp(c, c.fault.hresult, nullptr, "");
  RedirectStatus(c, status);
  Value probe;
  int32_t st =
      object == 0 ? (doc == 0 ? status::Ok : status::BadDocument) : h.model.Get(doc, object, prop::Name, &probe);
  if (st == status::BadProperty) st = status::Ok;  // the object exists; it just has no name
  std::vector<std::pair<int32_t, Value>> props;
  if (st == status::Ok) {
    props = h.model.Properties(object);
    h.readAllCount++;
    h.lastReadAll = object;
  }
  // With an injected status the list is still handed over, so the client's release runs.
  if (st == status::Ok || c.fault.status != 0) {
    h.BuildPropList(object, props, out);
  } else {
    *out = {0, nullptr};
  }
  *status = c.fault.status != 0 ? c.fault.status : st;
  return h.EndOp(c, hr::Ok, status, c.logging ? "{" + std::to_string(out->count) + " props}" : std::string());
}

HResult ZVH_CALL WriteAllProps(void* self, ObjectId doc, ObjectId object, zv::PropList* list, int32_t* status) {
  HostImpl& h = ImplOf(self);
  OpCall c = h.BeginOp("WriteAllProps", slot::WriteAllProps);
  if (c.logging)
    h.SetArgs(c, DocObj(doc, object) + (list ? " {" + std::to_string(list->count) + " props}" : " list=null"));
  if (!status) return h.NullArgument(c, "status");
  HResult r;
  if (Faulted(h, c, status, &r, kNothing)) return r;
  Value probe;
  int32_t st = h.model.Get(doc, object, prop::Name, &probe);
  if (st == status::BadProperty) st = status::Ok;
  if (!list || (list->count > 0 && !list->vals) || list->count > 100000) st = status::BadValue;
  int applied = 0;
  if (st == status::Ok) {
    // The object's properties are read once, not once for each of the list's hundreds of
    // entries; a property written here is read again (the model may keep it in its own form).
    // Forced answers come from single reads only.
    const bool readOnce = !h.model.HasForcedAnswers();
    std::vector<std::pair<int32_t, Value>> props;
    if (readOnce) props = h.model.Properties(object);
    Value read;
    auto at = props.begin();  // lists mostly come back in property-number order: a walk finds them
    for (uint32_t i = 0; i < list->count; ++i) {
      const zv::PropVal& pv = list->vals[i];
      if (pv.key.number == 0) continue;
      Value* current = &read;
      if (readOnce) {
        auto before = [](const std::pair<int32_t, Value>& e, int32_t k) { return e.first < k; };
        if (at != props.begin() && (at - 1)->first >= pv.key.number)
          at = std::lower_bound(props.begin(), at, pv.key.number, before);
        while (at != props.end() && at->first < pv.key.number) ++at;
        if (at == props.end() || at->first != pv.key.number) continue;
        current = &at->second;
      } else if (h.model.Get(doc, object, pv.key.number, &read) != status::Ok) {
        continue;
      }
      Value v;
      const zv::ValueUnion& u = pv.value.u;
      switch (pv.value.type) {
        case vt::Int:
          v.kind = ValueKind::Int;
          v.word = u.number;
          break;
        case vt::Metric:
          v.kind = ValueKind::Metric;
          v.word = u.number;
          break;
        case vt::Id:
          v.kind = ValueKind::Id;
          v.word = static_cast<int32_t>(u.words[0]);
          break;
        case vt::TextRange:
          v = Value::Range(
              {{u.words[0], static_cast<int32_t>(u.words[1])}, {u.words[2], static_cast<int32_t>(u.words[3])}});
          break;
        case vt::MetricList:
          v = Value::List(u.ints.items ? std::vector<Metric>(u.ints.items, u.ints.items + u.ints.count)
                                       : std::vector<Metric>());
          if (!u.ints.items && u.ints.count) continue;
          break;
        default:
          continue;
      }
      if (v.kind != current->kind || v == *current) continue;
      if (h.model.Set(doc, object, pv.key.number, v) == status::Ok) {
        ++applied;
        if (readOnce) h.model.Get(doc, object, pv.key.number, current);
      }
    }
  }
  *status = st;
  return h.EndOp(c, hr::Ok, status, c.logging ? std::to_string(applied) + " applied" : std::string());
}

// The typed property reads share one pattern: log, check, fault, read, convert, log the answer.
// `convert` turns the model's value into what the caller receives (0 when the status says no).
template <typename T, typename Convert, typename Show>
HResult TypedGet(void* self, const char* name, int slotNumber, ObjectId doc, ObjectId object, zv::PropKey* key,
                 int32_t* status, T* value, ValueKind kind, Convert convert, Show show) {
  HostImpl& h = ImplOf(self);
  OpCall c = h.BeginOp(name, slotNumber);
  if (c.logging) h.SetArgs(c, DocObjKey(doc, object, key));
  if (!status || !value || !key) return h.NullArgument(c, "argument");
  HResult r;
  if (Faulted(h, c, status, &r, [&] { *value = T{}; })) return r;
  Value v;
  *status = GetTyped(h, doc, object, key, kind, &v);
  *value = convert(*status, v);
  return h.EndOp(c, hr::Ok, status, c.logging ? show(*value, v) : std::string());
}

// The typed property writes: log, check, fault, write.
HResult TypedSet(void* self, const char* name, int slotNumber, ObjectId doc, ObjectId object, zv::PropKey* key,
                 int32_t* status, const Value& value, bool valuePresent) {
  HostImpl& h = ImplOf(self);
  OpCall c = h.BeginOp(name, slotNumber);
  if (c.logging)
    h.SetArgs(c, DocObjKey(doc, object, key) + " value=" + (valuePresent ? value.Format() : std::string("null")));
  if (!status || !valuePresent || !key) return h.NullArgument(c, "argument");
  HResult r;
  if (Faulted(h, c, status, &r, kNothing)) return r;
  *status = SetTyped(h, doc, object, key, value);
  return h.EndOp(c, hr::Ok, status, "");
}

HResult ZVH_CALL GetIntProp(void* self, ObjectId doc, ObjectId object, zv::PropKey* key, int32_t* status,
                            int32_t* value) {
  return TypedGet(
      self, "GetIntProp", slot::GetIntProp, doc, object, key, status, value, ValueKind::Int,
      [](int32_t st, const Value& v) { return st ? 0 : v.word; },
      [](int32_t n, const Value&) { return std::to_string(n); });
}

HResult ZVH_CALL SetIntProp(void* self, ObjectId doc, ObjectId object, zv::PropKey* key, int32_t value,
                            int32_t* status) {
  return TypedSet(self, "SetIntProp", slot::SetIntProp, doc, object, key, status, Value::Int(value), true);
}

HResult ZVH_CALL GetIdProp(void* self, ObjectId doc, ObjectId object, zv::PropKey* key, int32_t* status,
                           ObjectId* value) {
  return TypedGet(
      self, "GetIdProp", slot::GetIdProp, doc, object, key, status, value, ValueKind::Id,
      [](int32_t st, const Value& v) { return st ? 0 : static_cast<ObjectId>(v.word); },
      [](ObjectId id, const Value&) { return FormatId(id); });
}

HResult ZVH_CALL GetMetricProp(void* self, ObjectId doc, ObjectId object, zv::PropKey* key, int32_t* status,
                               Metric* value) {
  return TypedGet(
      self, "GetMetricProp", slot::GetMetricProp, doc, object, key, status, value, ValueKind::Metric,
      [](int32_t st, const Value& v) { return st ? 0 : v.word; }, [](Metric m, const Value&) { return FormatPt(m); });
}

HResult ZVH_CALL SetMetricProp(void* self, ObjectId doc, ObjectId object, zv::PropKey* key, Metric value,
                               int32_t* status) {
  return TypedSet(self, "SetMetricProp", slot::SetMetricProp, doc, object, key, status, Value::OfMetric(value), true);
}

HResult ZVH_CALL GetTextLocProp(void* self, ObjectId doc, ObjectId object, zv::PropKey* key, int32_t* status,
                                zv::TextLoc* value) {
  return TypedGet(
      self, "GetTextLocProp", slot::GetTextLocProp, doc, object, key, status, value, ValueKind::TextLoc,
      [](int32_t, const Value& v) {
        return zv::TextLoc{v.range.begin.object, v.range.begin.offset};
      },
      [](const zv::TextLoc&, const Value& v) { return v.Format(); });
}

HResult ZVH_CALL GetTextRangeProp(void* self, ObjectId doc, ObjectId object, zv::PropKey* key, int32_t* status,
                                  zv::TextRange* value) {
  return TypedGet(
      self, "GetTextRangeProp", slot::GetTextRangeProp, doc, object, key, status, value, ValueKind::TextRange,
      [](int32_t, const Value& v) {
        return zv::TextRange{{v.range.begin.object, v.range.begin.offset}, {v.range.end.object, v.range.end.offset}};
      },
      [](const zv::TextRange&, const Value& v) { return v.Format(); });
}

HResult ZVH_CALL SetTextRangeProp(void* self, ObjectId doc, ObjectId object, zv::PropKey* key, zv::TextRange* value,
                                  int32_t* status) {
  TextRange range;
  if (value) range = {{value->begin.object, value->begin.offset}, {value->end.object, value->end.offset}};
  return TypedSet(self, "SetTextRangeProp", slot::SetTextRangeProp, doc, object, key, status, Value::Range(range),
                  value != nullptr);
}

HResult ZVH_CALL GetMetricListProp(void* self, ObjectId doc, ObjectId object, zv::PropKey* key, int32_t* status,
                                   zv::MetricList* value) {
  HostImpl& h = ImplOf(self);
  OpCall c = h.BeginOp("GetMetricListProp", slot::GetMetricListProp);
  if (c.logging) h.SetArgs(c, DocObjKey(doc, object, key));
  if (!status || !value || !key) return h.NullArgument(c, "argument");
  if (c.fault.hresult < 0) return h.EndOp(c, c.fault.hresult, nullptr, "");
  RedirectStatus(c, status);
  Value v;
  int32_t st = GetTyped(h, doc, object, key, ValueKind::MetricList, &v);
  if (st == status::Ok)
    h.BuildMetricList(v.list, value);
  else
    *value = {0, nullptr};
  *status = c.fault.status != 0 ? c.fault.status : st;
  return h.EndOp(c, hr::Ok, status, c.logging ? (st == status::Ok ? v.Format() : "") : std::string());
}

HResult ZVH_CALL SetMetricListProp(void* self, ObjectId doc, ObjectId object, zv::PropKey* key, zv::MetricList* value,
                                   int32_t* status) {
  HostImpl& h = ImplOf(self);
  OpCall c = h.BeginOp("SetMetricListProp", slot::SetMetricListProp);
  std::vector<Metric> items;
  bool ok = value && (value->count == 0 || value->items) && value->count < 100000;
  if (ok && value->items) items.assign(value->items, value->items + value->count);
  if (c.logging) h.SetArgs(c, DocObjKey(doc, object, key) + " value=" + (ok ? Value::List(items).Format() : "invalid"));
  if (!status || !key) return h.NullArgument(c, "argument");
  HResult r;
  if (Faulted(h, c, status, &r, kNothing)) return r;
  *status = ok ? SetTyped(h, doc, object, key, Value::List(items)) : status::BadValue;
  return h.EndOp(c, hr::Ok, status, "");
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
  return h.EndOp(c, hr::Ok, status, "");
}

HResult ZVH_CALL DefineMenuCommand(void* self, int32_t number, ObjectId menu, const char* tag, const char* label,
                                   const char* shortcut, int32_t* status, ObjectId* id) {
  HostImpl& h = ImplOf(self);
  OpCall c = h.BeginOp("DefineMenuCommand", slot::DefineMenuCommand);
  if (c.logging)
    h.SetArgs(c, "number=" + std::to_string(number) + " menu=" + FormatId(menu) + " tag=" + TextArg(tag) +
                     " label=" + TextArg(label) + " shortcut=" + TextArg(shortcut));
  if (!status || !id) return h.NullArgument(c, "output");
  HResult r;
  if (Faulted(h, c, status, &r, [&] { *id = 0; })) return r;
  if (!tag || !label) {
    *status = status::BadValue;
    *id = 0;
  } else {
    *id = h.model.DefineCommand(number, menu, tag, label, shortcut ? shortcut : "", status);
  }
  return h.EndOp(c, hr::Ok, status, c.logging ? FormatId(*id) : std::string());
}

template <typename Fn>
const void* F(Fn fn) {
  return reinterpret_cast<const void*>(fn);
}

struct SessionTableData {
  std::array<const void*, slot::SessionSlotCount> t;
  SessionTableData() {
    for (int s = 0; s < slot::SessionSlotCount; ++s) t[static_cast<size_t>(s)] = UnknownSlotFn(s);
    for (int s = 0; s < 3; ++s) t[static_cast<size_t>(s)] = StandardSlotFn(s);
    t[slot::RegisterClient] = F(&RegisterClient);
    t[slot::RequestNotification] = F(&RequestNotification);
    t[slot::AddItemToMenu] = F(&AddItemToMenu);
    t[slot::DefineSubmenu] = F(&DefineSubmenu);
    t[slot::FindItemInMenu] = F(&FindItemInMenu);
    t[slot::ShowAlert] = F(&ShowAlert);
    t[slot::AskForInteger] = F(&AskForInteger);
    t[slot::PrintToConsole] = F(&PrintToConsole);
    t[slot::RefreshDocument] = F(&RefreshDocument);
    t[slot::DeleteObject] = F(&DeleteObject);
    t[slot::LookupNamedObject] = F(&LookupNamedObject);
    t[slot::CreateGraphic] = F(&CreateGraphic);
    t[slot::ReadAllProps] = F(&ReadAllProps);
    t[slot::WriteAllProps] = F(&WriteAllProps);
    t[slot::GetIntProp] = F(&GetIntProp);
    t[slot::SetIntProp] = F(&SetIntProp);
    t[slot::GetIdProp] = F(&GetIdProp);
    t[slot::GetMetricProp] = F(&GetMetricProp);
    t[slot::SetMetricProp] = F(&SetMetricProp);
    t[slot::GetTextLocProp] = F(&GetTextLocProp);
    t[slot::GetTextRangeProp] = F(&GetTextRangeProp);
    t[slot::SetTextRangeProp] = F(&SetTextRangeProp);
    t[slot::GetMetricListProp] = F(&GetMetricListProp);
    t[slot::SetMetricListProp] = F(&SetMetricListProp);
    t[slot::SelectTableCells] = F(&SelectTableCells);
    t[slot::DefineMenuCommand] = F(&DefineMenuCommand);
  }
};

}  // namespace

const void* const* SessionTable() {
  static const SessionTableData table;
  return table.t.data();
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

void HostImpl::SetArgs(OpCall& c, const std::string& args) {
  log.At(c.record).args = args;
}

HResult HostImpl::EndOp(OpCall& c, HResult h, const int32_t* status, const std::string& result) {
  if (c.logging) {
    CallRecord& r = log.At(c.record);
    r.hresult = h;
    r.hasStatus = status != nullptr;
    r.status = status ? *status : 0;
    r.result = result;
    r.faulted = c.fault.active();
  }
  return h;
}

HResult HostImpl::NullArgument(OpCall& c, const char* what) {
  Problem(std::string(c.op) + " with a null " + what + " pointer");
  return EndOp(c, hr::Pointer, nullptr, "");
}

}  // namespace zvhost
