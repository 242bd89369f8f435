// The session's menus and commands: defining them, finding a command by number, shortcut or
// path, and the menu tree as text.
#include <algorithm>
#include <functional>

#include "host/model/model.h"

namespace zvhost {

ObjectId Model::LookupNamed(int type, const std::string& name) const {
  if (type != obj::Menu && type != obj::Command && type != obj::Separator) return 0;
  for (const auto& o : objects_)
    if (o.second.type == type && o.second.doc == 0 && o.second.name == name) return o.first;
  return 0;
}

static bool Holds(const Object& menu, ObjectId item) {
  return std::find(menu.children.begin(), menu.children.end(), item) != menu.children.end();
}

ObjectId Model::DefineMenu(ObjectId parent, const std::string& tag, const std::string& label, int32_t* status) {
  int32_t ignored = 0;
  if (!status) status = &ignored;
  *status = status::Ok;
  const Object* p = Find(parent);
  if (!p || p->type != obj::Menu) return *status = status::BadObject, 0;
  if (tag.empty()) return *status = status::BadValue, 0;
  ObjectId m = LookupNamed(obj::Menu, tag);
  if (m == 0) {
    m = NewObject(obj::Menu, 0, 0);
    objects_[m].name = tag;
  }
  objects_[m].label = label;
  if (!Holds(objects_[parent], m)) objects_[parent].children.push_back(m);
  return m;
}

ObjectId Model::DefineCommand(int32_t number, ObjectId menu, const std::string& tag, const std::string& label,
                              const std::string& shortcut, int32_t* status) {
  int32_t ignored = 0;
  if (!status) status = &ignored;
  *status = status::Ok;
  const Object* p = Find(menu);
  if (!p || p->type != obj::Menu) return *status = status::BadObject, 0;
  if (tag.empty()) return *status = status::BadValue, 0;
  ObjectId c = LookupNamed(obj::Command, tag);
  if (c == 0) {
    c = NewObject(obj::Command, 0, 0);
    objects_[c].name = tag;
    commands_.insert(c);
  }
  Object& o = objects_[c];
  o.number = number;
  o.label = label;
  o.shortcut = shortcut;
  if (!Holds(objects_[menu], c)) objects_[menu].children.push_back(c);
  return c;
}

int32_t Model::AddToMenu(ObjectId menu, ObjectId item) {
  const Object* m = Find(menu);
  const Object* i = Find(item);
  if (!m || m->type != obj::Menu) return status::BadObject;
  if (!i || (i->type != obj::Menu && i->type != obj::Command && i->type != obj::Separator)) return status::BadObject;
  if (item == menu) return status::BadValue;
  objects_[menu].children.push_back(item);
  return status::Ok;
}

ObjectId Model::CommandByNumber(int32_t number) const {
  for (ObjectId c : commands_)
    if (const Object* o = Find(c); o && o->number == number) return c;
  return 0;
}

ObjectId Model::CommandByShortcut(const std::string& shortcut) const {
  for (ObjectId c : commands_)
    if (const Object* o = Find(c); o && !shortcut.empty() && o->shortcut == shortcut) return c;
  return 0;
}

static std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  size_t e = s.find_last_not_of(" \t");
  return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

ObjectId Model::CommandByPath(const std::string& path) const {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    size_t gt = path.find('>', start);
    parts.push_back(Trim(path.substr(start, gt == std::string::npos ? std::string::npos : gt - start)));
    if (gt == std::string::npos) break;
    start = gt + 1;
  }
  ObjectId current = mainMenu_;
  for (size_t i = 0; i < parts.size(); ++i) {
    const Object* m = Find(current);
    ObjectId next = 0;
    bool last = i + 1 == parts.size();
    for (ObjectId c : m->children) {
      const Object* x = Find(c);
      if (!x || (x->label != parts[i] && x->name != parts[i])) continue;
      if ((last && x->type == obj::Command) || (!last && x->type == obj::Menu)) {
        next = c;
        break;
      }
    }
    if (next == 0) return 0;
    current = next;
  }
  return current;
}

std::string Model::MenuTree(ObjectId menu) const {
  std::string out;
  std::vector<ObjectId> path;
  std::function<void(ObjectId, int)> walk = [&](ObjectId id, int depth) {
    const Object* m = Find(id);
    if (!m) return;
    for (ObjectId c : m->children) {
      const Object* x = Find(c);
      std::string indent(static_cast<size_t>(depth) * 2, ' ');
      if (!x) {
        out += indent + "(missing " + FormatId(c) + ")\n";
        continue;
      }
      if (x->type == obj::Separator) {
        out += indent + "---- " + x->name + "\n";
      } else if (x->type == obj::Command) {
        Value e = Read(c, prop::EnableCondition);
        out += indent + x->label + " [" + x->name + "] " + x->shortcut + " #" + std::to_string(x->number) +
               " enable=" + std::to_string(e.word) + "\n";
      } else {
        out += indent + x->label + " [" + x->name + "] >\n";
        if (std::find(path.begin(), path.end(), c) == path.end()) {
          path.push_back(c);
          walk(c, depth + 1);
          path.pop_back();
        }
      }
    }
  };
  walk(menu ? menu : mainMenu_, 0);
  return out;
}

}  // namespace zvhost
