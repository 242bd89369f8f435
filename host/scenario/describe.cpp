// What a step changed, in words: objects created and deleted, properties from and to, and the
// selection before and after, every object by its scenario name.
#include <cstdio>
#include <set>

#include "host/scenario/runner.h"

namespace zvhost {

std::string ScenarioRunner::PropLabel(ObjectId id, int32_t p) const {
  std::string label = NameOf(id);
  label += '.';
  label += ScenarioPropertyName(p);
  return label;
}

std::string ScenarioRunner::SelectionText() const {
  const Model& m = host_->model();
  if (!m.Exists(doc_)) return "nothing";
  std::string s;
  for (ObjectId id : m.SelectedGraphics(doc_)) s += (s.empty() ? "" : ", ") + NameOf(id);
  const DocState* ds = m.Doc(doc_);
  if (ds && ds->cells.table) {
    s += (s.empty() ? "" : ", ") + std::string("cells of ") + NameOf(ds->cells.table);
    if (ds->cells.top != WholeTable)
      s += " [" + std::to_string(ds->cells.top) + "," + std::to_string(ds->cells.left) + "] to [" +
           std::to_string(ds->cells.bottom) + "," + std::to_string(ds->cells.right) + "]";
  }
  if (ds && ds->textSelection.begin.object)
    s += (s.empty() ? "" : ", ") + std::string("cursor in ") + NameOf(ds->textSelection.begin.object);
  return s.empty() ? "nothing" : s;
}

void ScenarioRunner::Describe(const Snapshot& before, const Snapshot& after, const std::string& selectionBefore,
                              StepOutcome& out) {
  Model& m = host_->model();
  std::vector<Change> changes = Diff(before, after);
  std::set<ObjectId> created;
  for (const Change& c : changes) {
    if (c.prop == -1 && !c.after.empty()) {
      created.insert(c.object);
      lastCreated_ = c.object;
      if (!byId_.count(c.object)) {
        std::string name = "new" + std::to_string(++newCount_);
        while (names_.count(name)) name = "new" + std::to_string(++newCount_);
        names_[name] = c.object;
        byId_[c.object] = name;
      }
    }
  }
  std::string objects, props;
  for (const Change& c : changes) {
    out.changed = true;
    // A new object is described once, by its kind, frame and geometry; the selection and the
    // stacking links follow from other lines and are summed up in one selection line.
    if (c.prop != -1 && created.count(c.object)) continue;
    switch (c.prop) {
      case prop::FirstSelectedGraphic:
      case prop::NextSelectedGraphic:
      case prop::SelectedTable:
      case prop::TextSelection:
      case prop::SelectedFlag:
        continue;
      case prop::GraphicAbove:  // the stacking changed: not described, but the page is drawn anew
      case prop::GraphicBelow:
        out.reshaped = true;
        continue;
      default:
        break;
    }
    changed_.insert(c.object);
    out.reshaped = true;
    std::string line;
    if (c.prop == -1) {
      const Object* o = m.Find(c.object);
      if (o && !c.after.empty()) {
        Geometry g = m.GeometryOf(c.object);
        char buf[256];
        std::snprintf(buf, sizeof buf, "created %s (%s) in %s at %s %s size %s x %s", NameOf(c.object).c_str(),
                      GraphicKindName(o->type).c_str(), NameOf(o->parent).c_str(), FormatPoints(Pt(g.x)).c_str(),
                      FormatPoints(Pt(g.y)).c_str(), FormatPoints(Pt(g.w)).c_str(), FormatPoints(Pt(g.h)).c_str());
        line = buf;
      } else {
        line = "deleted " + NameOf(c.object);
      }
    } else {
      line = PropLabel(c.object, c.prop);
      line.append(": ").append(c.before.empty() ? "(none)" : c.before);
      line.append(" -> ").append(c.after.empty() ? "(none)" : c.after);
    }
    line = WithNames(line);  // ids inside values read as names
    (c.prop == -1 ? objects : props) += line + "\n";
  }
  std::string selectionAfter = SelectionText();
  out.transcript += objects + props;
  if (selectionAfter != selectionBefore) {
    out.changed = true;
    out.transcript += "selection: " + selectionBefore + " -> " + selectionAfter + "\n";
  }
}

}  // namespace zvhost
