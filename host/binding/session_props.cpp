// The session's property operations: whole-object lists read and written, and the typed reads
// and writes, whose key must name the property by number and whose value must be of the
// operation's kind.
#include <algorithm>

#include "host/binding/session_op.h"

namespace zvhost {
namespace {

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

HResult ZVH_CALL ReadAllProps(void* self, ObjectId doc, ObjectId object, int32_t* status, zv::PropList* out) {
  HostImpl& h = ImplOf(self);
  OpCall c = h.BeginOp("ReadAllProps", slot::ReadAllProps);
  if (c.logging) h.SetArgs(c, DocObj(doc, object));
  if (!status || !out) return h.NullArgument(c, "output");
  if (c.fault.hresult < 0) return h.EndOp(c, c.fault.hresult, nullptr);
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
  return h.EndOp(c, hr::Ok, status, [&] { return "{" + std::to_string(out->count) + " props}"; });
}

// The value of one element of a list the client writes, in the model's form; false for the
// value types a whole-object write does not take.
bool ValueOfElement(const zv::TypedValue& tv, Value* out) {
  Value& v = *out;
  const zv::ValueUnion& u = tv.u;
  switch (tv.type) {
    case vt::Int:
      v.kind = ValueKind::Int;
      v.word = u.number;
      return true;
    case vt::Metric:
      v.kind = ValueKind::Metric;
      v.word = u.number;
      return true;
    case vt::Id:
      v.kind = ValueKind::Id;
      v.word = static_cast<int32_t>(u.id);
      return true;
    case vt::TextRange:
      v = Value::Range({{u.range.begin.object, u.range.begin.offset}, {u.range.end.object, u.range.end.offset}});
      return true;
    case vt::MetricList:
      v = Value::List(u.ints.items ? std::vector<Metric>(u.ints.items, u.ints.items + u.ints.count)
                                   : std::vector<Metric>());
      return u.ints.items || !u.ints.count;
    default:
      return false;
  }
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
  bool refused = false;
  if (st == status::Ok) {
    // The object's properties are read once, not once for each of the list's hundreds of
    // entries; a property written here is read again (the model may keep it in its own form).
    // A value is compared with what the object holds, never with a forced answer: a lie about
    // a property must not make its write look done already.
    std::vector<std::pair<int32_t, Value>> props = h.model.Properties(object);
    const bool forced = h.model.HasForcedAnswers();
    auto at = props.begin();  // lists mostly come back in property-number order: a walk finds them
    for (uint32_t i = 0; i < list->count; ++i) {
      const zv::PropVal& pv = list->vals[i];
      if (pv.key.number == 0) continue;
      auto before = [](const std::pair<int32_t, Value>& e, int32_t k) { return e.first < k; };
      if (at != props.begin() && (at - 1)->first >= pv.key.number)
        at = std::lower_bound(props.begin(), at, pv.key.number, before);
      while (at != props.end() && at->first < pv.key.number) ++at;
      if (at == props.end() || at->first != pv.key.number) continue;
      Value* current = &at->second;
      Value v;
      if (!ValueOfElement(pv.value, &v)) continue;
      if (v.kind != current->kind || v == *current) continue;
      int32_t set = h.model.Set(doc, object, pv.key.number, v);
      if (set == status::Ok) {
        ++applied;
        if (forced)
          *current = v;  // a read again could give the lie
        else
          h.model.Get(doc, object, pv.key.number, current);
      } else if (set == status::BadValue) {
        refused = true;  // the other values still go in; the caller learns that one did not
      }
    }
  }
  if (refused) st = status::BadValue;
  *status = st;
  return h.EndOp(c, hr::Ok, status, [&] { return std::to_string(applied) + " applied"; });
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
  return h.EndOp(c, hr::Ok, status, [&] { return show(*value, v); });
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
  return h.EndOp(c, hr::Ok, status);
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
  if (c.fault.hresult < 0) return h.EndOp(c, c.fault.hresult, nullptr);
  RedirectStatus(c, status);
  Value v;
  int32_t st = GetTyped(h, doc, object, key, ValueKind::MetricList, &v);
  if (st == status::Ok)
    h.BuildMetricList(v.list, value);
  else
    *value = {0, nullptr};
  *status = c.fault.status != 0 ? c.fault.status : st;
  return h.EndOp(c, hr::Ok, status, [&] { return st == status::Ok ? v.Format() : ""; });
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
  return h.EndOp(c, hr::Ok, status);
}

}  // namespace

void PutPropertyOps(ZvHostSessionMethods& t) {
  ZVH_PUT(t, ReadAllProps, &ReadAllProps);
  ZVH_PUT(t, WriteAllProps, &WriteAllProps);
  ZVH_PUT(t, GetIntProp, &GetIntProp);
  ZVH_PUT(t, SetIntProp, &SetIntProp);
  ZVH_PUT(t, GetIdProp, &GetIdProp);
  ZVH_PUT(t, GetMetricProp, &GetMetricProp);
  ZVH_PUT(t, SetMetricProp, &SetMetricProp);
  ZVH_PUT(t, GetTextLocProp, &GetTextLocProp);
  ZVH_PUT(t, GetTextRangeProp, &GetTextRangeProp);
  ZVH_PUT(t, SetTextRangeProp, &SetTextRangeProp);
  ZVH_PUT(t, GetMetricListProp, &GetMetricListProp);
  ZVH_PUT(t, SetMetricListProp, &SetMetricListProp);
}

}  // namespace zvhost
