// Reading and writing properties with the host's addressing rules: which document argument an
// object takes, which properties are computed, read-only or of another kind.
#include "host/model/computed.h"
#include "host/model/lengths.h"

namespace zvhost {

namespace {

bool IsSessionObjectType(int type) {
  return type == obj::Menu || type == obj::Command || type == obj::Separator || type == obj::Document;
}

bool ReadOnlyStored(int32_t p) {
  return p == prop::AnchorLocation || p == prop::TblTitleParagraph || p == prop::CellColumn || p == prop::TblFirstRow ||
         p == prop::Name;
}

// Whether a written length lies in the host's range; values of other kinds are not lengths.
bool FitsRange(int32_t p, const Value& v) {
  if (v.kind == ValueKind::Metric) return LengthInRange(v.word, IsSizeProp(p));
  if (v.kind != ValueKind::MetricList) return true;
  for (Metric w : v.list)
    if (!LengthInRange(w, true)) return false;
  return true;
}

}  // namespace

int32_t Model::Get(ObjectId doc, ObjectId object, int32_t p, Value* out) const {
  // Emptied in place: reads are many (a whole-object write reads every property it is given).
  out->kind = ValueKind::None;
  out->word = 0;
  out->range = {};
  out->list.clear();
  out->text.clear();
  if (object == 0) {
    if (doc != 0) return status::BadDocument;
    if (p == prop::ActiveDocument) return *out = Value::Id(active_), status::Ok;
    if (p == prop::ScreenUpdates) return *out = Value::Int(screenUpdates), status::Ok;
    return status::BadProperty;
  }
  const Object* o = Find(object);
  if (!o) return status::BadObject;
  ObjectId expectedDoc = IsSessionObjectType(o->type) ? 0 : o->doc;
  if (doc != expectedDoc) return status::BadDocument;
  if (!forced_.empty())
    if (auto f = forced_.find({object, p}); f != forced_.end()) return *out = f->second, status::Ok;
  if (Computed(*this, options_, *o, p, out)) return status::Ok;
  auto it = o->props.find(p);
  if (it == o->props.end()) return status::BadProperty;
  *out = it->second;
  return status::Ok;
}

int32_t Model::Set(ObjectId doc, ObjectId object, int32_t p, const Value& v) {
  if (object == 0) {
    if (doc != 0) return status::BadDocument;
    if (p == prop::ScreenUpdates) {
      if (v.kind != ValueKind::Int) return status::WrongKind;
      Touch(0);
      screenUpdates = v.word;
      return status::Ok;
    }
    if (p == prop::ActiveDocument) return status::ReadOnly;
    return status::BadProperty;
  }
  Object* o = FindMutable(object);
  if (!o) return status::BadObject;
  ObjectId expectedDoc = IsSessionObjectType(o->type) ? 0 : o->doc;
  if (doc != expectedDoc) return status::BadDocument;
  if (o->type == obj::Document && p == prop::TextSelection) {
    if (v.kind != ValueKind::TextRange) return status::WrongKind;
    for (ObjectId t : {v.range.begin.object, v.range.end.object}) {
      const Object* x = Find(t);
      if (t != 0 && (!x || x->type != obj::Paragraph || x->doc != object)) return status::BadValue;
    }
    SetTextSelection(object, v.range);
    return status::Ok;
  }
  const bool refuse = options_.refuseLengthsOutOfRange && !FitsRange(p, v);
  if (o->type == obj::Document && p == prop::GridSpacing) {
    if (v.kind != ValueKind::Metric) return status::WrongKind;
    if (refuse) return Refuse(object, p, v);
    Touch(object);
    Doc(object)->grid = v.word;
    return status::Ok;
  }
  if (IsGraphicType(o->type) && p == prop::SelectedFlag) {
    if (v.kind != ValueKind::Int) return status::WrongKind;
    SetSelected(object, v.word != 0);
    return status::Ok;
  }
  if (o->type == obj::Command && p == prop::EnableCondition) {
    if (v.kind != ValueKind::Int) return status::WrongKind;
    Touch(object);
    o->props[p] = v;
    return status::Ok;
  }
  Value current;
  if (Computed(*this, options_, *o, p, &current)) return status::ReadOnly;
  auto it = o->props.find(p);
  if (it == o->props.end()) return status::BadProperty;
  if (ReadOnlyStored(p) || (o->type == obj::Row && p == prop::Width)) return status::ReadOnly;
  if (it->second.kind != v.kind) return status::WrongKind;
  if (p == prop::TblColWidths && v.list.size() != it->second.list.size()) return status::BadValue;
  if (refuse) return Refuse(object, p, v);
  // A table's widths are also the width of its rows.
  Touch(object);
  if (o->type == obj::Table)
    for (ObjectId row : o->children) Touch(row);
  it->second = v;
  return status::Ok;
}

int32_t Model::Refuse(ObjectId object, int32_t p, const Value& v) {
  refused_.push_back({object, p, v});
  return status::BadValue;
}

Value Model::Read(ObjectId object, int32_t p) const {
  const Object* o = object ? Find(object) : nullptr;
  ObjectId doc = (!o || IsSessionObjectType(o->type)) ? 0 : o->doc;
  Value v;
  Get(doc, object, p, &v);
  return v;
}

std::vector<std::pair<int32_t, Value>> Model::Properties(ObjectId object) const {
  std::vector<std::pair<int32_t, Value>> out;
  if (object == 0) {
    out.push_back({prop::ActiveDocument, Value::Id(active_)});
    out.push_back({prop::ScreenUpdates, Value::Int(screenUpdates)});
    return out;
  }
  const Object* o = Find(object);
  if (!o) return out;
  // The stored properties in order, with the computed ones merged in (they win); each computed
  // value is worked out in its place in the list.
  ComputedList computed = ComputedProps(o->type);
  out.reserve(o->props.size() + 5);
  auto stored = o->props.begin();
  for (const ComputedProp* c = computed.begin; c != computed.end; ++c) {
    for (; stored != o->props.end() && stored->first < c->prop; ++stored)
      out.emplace_back(stored->first, stored->second);
    out.emplace_back(c->prop, Value());
    if (!c->get(*this, options_, *o, &out.back().second))
      out.pop_back();  // a stored value of that number, if any, follows in its turn
    else if (stored != o->props.end() && stored->first == c->prop)
      ++stored;
  }
  for (; stored != o->props.end(); ++stored) out.emplace_back(stored->first, stored->second);
  return out;
}

}  // namespace zvhost
