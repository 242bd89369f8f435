// Objects and documents: ids, lookup, removal, names and the questions people and pictures ask
// about what a document holds.
#include <algorithm>

#include "host/model/model.h"

namespace zvhost {

Model::Model(ModelOptions options) : options_(options) {
  mainMenu_ = NewObject(obj::Menu, 0, 0);
  objects_[mainMenu_].name = "!MakerMainMenu";
  objects_[mainMenu_].label = "Main Menu";
  for (int i = 1; i <= 6; ++i) {
    ObjectId s = NewObject(obj::Separator, 0, 0);
    objects_[s].name = "Separator" + std::to_string(i);
  }
}

ObjectId Model::NewObject(int type, ObjectId doc, ObjectId parent) {
  TouchAll();
  return MakeObject(type, doc, parent);
}

ObjectId Model::MakeObject(int type, ObjectId doc, ObjectId parent) {
  counter_ = (counter_ + 1) & 0xFFFFFFu;
  if (counter_ == 0) counter_ = 1;
  ObjectId id = (static_cast<ObjectId>(type) << 24) | counter_;
  if (watching_) madeSince_.insert(id);
  Object& o = objects_[id];
  o.id = id;
  o.type = type;
  o.doc = doc;
  o.parent = parent;
  return id;
}

const Object* Model::Find(ObjectId id) const {
  return const_cast<Model*>(this)->FindMutable(id);
}

Object* Model::FindMutable(ObjectId id) {
  if (id == lastFound_.id && id != 0) return lastFound_.object;
  auto it = objects_.find(id);
  if (it == objects_.end()) return nullptr;
  lastFound_.id = id;
  lastFound_.object = &it->second;
  return &it->second;
}

DocState* Model::Doc(ObjectId doc) {
  auto it = docs_.find(doc);
  return it == docs_.end() ? nullptr : &it->second;
}
const DocState* Model::Doc(ObjectId doc) const {
  auto it = docs_.find(doc);
  return it == docs_.end() ? nullptr : &it->second;
}

std::vector<ObjectId> Model::Documents() const {
  std::vector<ObjectId> out;
  for (const auto& d : docs_) out.push_back(d.first);
  return out;
}

std::vector<ObjectId> Model::ObjectsOf(ObjectId doc) const {
  std::vector<ObjectId> out;
  for (const auto& o : objects_)
    if (o.second.doc == doc && doc != 0) out.push_back(o.first);
  return out;
}

void Model::RemoveTree(ObjectId id) {
  auto it = objects_.find(id);
  if (it == objects_.end()) return;
  std::vector<ObjectId> children = it->second.children;
  for (ObjectId c : children) RemoveTree(c);
  if (it->second.type == obj::Table) {
    // The title row is not among the table's rows.
    auto tp = it->second.props.find(prop::TblTitleParagraph);
    if (tp != it->second.props.end() && tp->second.word != 0) {
      const Object* para = Find(static_cast<ObjectId>(tp->second.word));
      const Object* cell = para ? Find(para->parent) : nullptr;
      if (cell) RemoveTree(cell->parent);
    }
  }
  it = objects_.find(id);
  ObjectId doc = it->second.doc;
  if (DocState* d = Doc(doc)) {
    auto& sel = d->selection;
    sel.erase(std::remove(sel.begin(), sel.end(), id), sel.end());
    d->selectionIndex.clear();
    if (d->cells.table == id) d->cells = {};
    if (d->textSelection.begin.object == id || d->textSelection.end.object == id) d->textSelection = {};
  }
  if (active_ == id) active_ = 0;
  lastFound_ = {};
  objects_.erase(it);
}

bool Model::RemoveDocument(ObjectId doc) {
  if (!Doc(doc)) return false;
  TouchAll();
  RemoveTree(doc);
  // Objects of the document that hang off no tree (none expected) go too.
  lastFound_ = {};
  for (auto it = objects_.begin(); it != objects_.end();)
    it = it->second.doc == doc ? objects_.erase(it) : std::next(it);
  docs_.erase(doc);
  if (active_ == doc || active_ == 0) active_ = docs_.empty() ? 0 : docs_.begin()->first;
  return true;
}

ObjectId Model::CreateGraphic(ObjectId doc, int type, ObjectId frame, int32_t* status) {
  int32_t ignored = 0;
  if (!status) status = &ignored;
  *status = status::Ok;
  if (!Doc(doc)) return *status = status::BadDocument, 0;
  const Object* f = Find(frame);
  if (!f) return *status = status::BadObject, 0;
  if (f->doc != doc) return *status = status::BadDocument, 0;
  if (!IsFrameType(f->type)) return *status = status::BadObject, 0;
  if (!IsGraphicType(type) || type == obj::AnchoredFrame) return *status = status::Unsupported, 0;
  ObjectId id = AddGraphic(frame, type, {});
  return id;
}

int32_t Model::DeleteObject(ObjectId doc, ObjectId id) {
  if (!Doc(doc)) return status::BadDocument;
  const Object* o = Find(id);
  if (!o) return status::BadObject;
  if (o->doc != doc) return status::BadDocument;
  if (!IsGraphicType(o->type)) return status::Unsupported;
  TouchAll();
  ObjectId parent = o->parent ? o->parent : doc;
  if (Object* p = FindMutable(parent)) {
    auto& ch = p->children;
    ch.erase(std::remove(ch.begin(), ch.end(), id), ch.end());
    p->childIndex.clear();
  }
  RemoveTree(id);
  return status::Ok;
}

Geometry Model::GeometryOf(ObjectId graphic) const {
  return {ReadPt(graphic, prop::PosX), ReadPt(graphic, prop::PosY), ReadPt(graphic, prop::Width),
          ReadPt(graphic, prop::Height)};
}

std::vector<ObjectId> Model::PageFrames(ObjectId doc) const {
  const Object* d = Find(doc);
  std::vector<ObjectId> out;
  if (!d || d->type != obj::Document) return out;
  for (ObjectId c : d->children)
    if (Find(c)) out.push_back(c);
  return out;
}

void Model::SetName(ObjectId id, const std::string& name) {
  Object* o = FindMutable(id);
  if (!o || o->type == obj::Menu || o->type == obj::Command || o->type == obj::Separator) return;
  Touch(id);
  o->name = name;
  if (o->props.count(prop::Name)) o->props[prop::Name] = Value::Text(name);
}

ObjectId Model::FindByName(ObjectId doc, const std::string& name) const {
  if (name.empty()) return 0;
  for (const auto& o : objects_)
    if (o.second.doc == doc && o.second.name == name && o.second.type != obj::Paragraph) return o.first;
  for (const auto& o : objects_)
    if (o.second.doc == doc && o.second.name == name) return o.first;
  return 0;
}

std::string Model::Describe(ObjectId id) const {
  const Object* o = Find(id);
  if (!o) return FormatId(id) + " (absent)";
  std::string s = std::string(TypeName(o->type)) + " " + FormatId(id);
  if (!o->name.empty()) s += " \"" + o->name + "\"";
  return s;
}

std::vector<ObjectId> Model::Contents(ObjectId frame) const {
  const Object* f = Find(frame);
  std::vector<ObjectId> out;
  if (!f || !IsFrameType(f->type)) return out;
  for (ObjectId c : f->children)
    if (const Object* g = Find(c); g && IsGraphicType(g->type)) out.push_back(c);
  return out;
}

}  // namespace zvhost
