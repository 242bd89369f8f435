// The scenario runner: each step is carried out on the reference host as a FrameMaker user
// would, and its effects are described by name, in points. This file holds the runner's life
// (start, names, the end of a scenario) and the table that finds each step kind's handler; the
// handlers live in build_steps.cpp, act_steps.cpp, change_steps.cpp and expect_steps.cpp.
#include "host/scenario/runner.h"

#include <algorithm>
#include <cstdio>
#include <functional>

#include "host/scenario/runner_support.h"

namespace zvhost {

ScenarioRunner::ScenarioRunner(RunOptions options) : options_(std::move(options)) {}

ScenarioRunner::~ScenarioRunner() = default;

bool ScenarioRunner::Start(std::string* error) {
  HostOptions ho;
  ho.modulePath = options_.modulePath;
  // The module's tick comes from the host: every selection gets its own stamp at once, and a
  // scenario plays the same on every run.
  ho.virtualClock = true;
  host_ = std::make_unique<Host>(ho);
  if (!host_->Start()) {
    if (error) *error = "cannot start the module " + host_->ModulePath() + ": " + host_->LastError();
    return false;
  }
  consoleSeen_ = host_->ConsoleWrites().size();
  return true;
}

std::string ScenarioRunner::Preamble() const {
  std::string banner = host_->ConsoleText();
  while (!banner.empty() && banner.front() == '\n') banner.erase(0, 1);
  while (!banner.empty() && banner.back() == '\n') banner.pop_back();
  // The list is the module's name to FrameMaker: shown when tracing, and always when empty.
  const bool registration = options_.trace || host_->Registration().empty();
  return "console:\n" + banner + "\n\n" + (registration ? RegistrationText() + "\n" : "") + "menu:\n" + MenuText();
}

std::string ScenarioRunner::RegistrationText() const {
  const std::vector<RegistrationEntry>& list = host_->Registration();
  if (list.empty())
    return "registration: none\nwarning: the module registered with an empty list: FrameMaker would not know its "
           "name\n";
  std::string out = "registration:\n";
  for (const RegistrationEntry& e : list)
    out += "  " + (e.number != 0 ? std::to_string(e.number) : e.name) + " " +
           (e.type == 3 ? "\"" + e.text + "\"" : "(type " + std::to_string(e.type) + ")") + "\n";
  return out;
}

std::string ScenarioRunner::MenuText(const std::string& top) const {
  const Model& m = host_->model();
  const Object* bar = m.Find(m.MainMenu());
  if (!bar) return "(no main menu)\n";
  // Every item the module put on the menu bar: its menus with what they hold, its commands.
  std::string out;
  std::function<void(const Object*, int)> walk = [&](const Object* mu, int depth) {
    for (ObjectId c : mu->children) {
      const Object* o = m.Find(c);
      if (!o) continue;
      std::string pad(static_cast<size_t>(depth) * 2, ' ');
      char line[256];
      if (o->type == obj::Separator) {
        out += pad + "----\n";
      } else if (o->type == obj::Menu) {
        out += pad + o->label + " >\n";
        if (depth < 16) walk(o, depth + 1);
      } else {
        std::snprintf(line, sizeof line, "%s%-*s %-7s (%d)\n", pad.c_str(), std::max(0, 40 - depth * 2),
                      o->label.c_str(), o->shortcut.c_str(), o->number);
        out += line;
      }
    }
  };
  for (ObjectId c : bar->children) {
    const Object* o = m.Find(c);
    if (!o || o->type == obj::Separator || (!top.empty() && o->label != top)) continue;
    if (o->type == obj::Menu) {
      out += o->label + "\n";
      walk(o, 1);
    } else {
      Object holder;  // a command right on the bar: shown as a menu of its own would show it
      holder.children = {c};
      walk(&holder, 0);
    }
  }
  if (out.empty()) return top.empty() ? "(the module added no menu)\n" : "(no menu \"" + top + "\")\n";
  return out;
}

std::string ScenarioRunner::NameOf(ObjectId id) const {
  auto it = byId_.find(id);
  if (it != byId_.end()) return it->second;
  const Model& m = host_->model();
  const Object* o = m.Find(id);
  if (o && o->type == obj::Row) {
    const Object* t = m.Find(o->parent);
    for (size_t r = 0; t && r < t->children.size(); ++r)
      if (t->children[r] == id) return NameOf(t->id) + "[" + std::to_string(r) + "]";
    if (t) return NameOf(t->id) + ".title-row";
  }
  if (o && o->type == obj::Cell) {
    const Object* row = m.Find(o->parent);
    std::string rowName = row ? NameOf(row->id) : "";
    for (size_t c = 0; row && c < row->children.size(); ++c)
      if (row->children[c] == id)
        return !rowName.empty() && rowName.back() == ']'
                   ? rowName.substr(0, rowName.size() - 1) + "," + std::to_string(c) + "]"
                   : rowName + "[" + std::to_string(c) + "]";  // the title row's cell: t.title-row[0]
  }
  if (o && o->type == obj::Paragraph && o->parent) {
    // The paragraph a cell or text frame holds goes by the container's name.
    const Object* c = m.Find(o->parent);
    if (c && !c->children.empty() && c->children[0] == id) return NameOf(c->id);
  }
  std::string kind = o ? GraphicKindName(o->type) : "object";
  if (o && o->type == obj::Paragraph) kind = "paragraph";
  if (o && o->type == obj::Table) kind = "table";
  if (o && o->type == obj::Document) kind = "document";
  if (kind.compare(0, 5, "type ") == 0) kind = "object";
  return kind + "-" + std::to_string(id & 0xFFFFFFu);
}

std::string ScenarioRunner::WithNames(const std::string& text) const {
  // Most texts hold no id at all: a digit, ':' and a digit.
  bool id = false;
  for (size_t c = text.find(':'); c != std::string::npos && !id; c = text.find(':', c + 1))
    id = c > 0 && c + 1 < text.size() && std::isdigit(static_cast<unsigned char>(text[c - 1])) &&
         std::isdigit(static_cast<unsigned char>(text[c + 1]));
  if (!id) return text;
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    // An id is "TYPE:NUMBER", digits on both sides, not inside a longer word or a time of day.
    if (std::isdigit(static_cast<unsigned char>(text[i])) &&
        (i == 0 ||
         !(std::isalnum(static_cast<unsigned char>(text[i - 1])) || text[i - 1] == ':' || text[i - 1] == '.'))) {
      size_t j = i;
      while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) ++j;
      size_t k = j + 1;
      while (k < text.size() && std::isdigit(static_cast<unsigned char>(text[k]))) ++k;
      bool shaped = j < text.size() && text[j] == ':' && k > j + 1 && j - i <= 3 && k - j <= 9 &&
                    (k == text.size() || !(std::isalnum(static_cast<unsigned char>(text[k])) || text[k] == ':'));
      if (shaped) {
        unsigned long type = std::stoul(text.substr(i, j - i)), number = std::stoul(text.substr(j + 1, k - j - 1));
        ObjectId id = static_cast<ObjectId>((type << 24) | (number & 0xFFFFFFu));
        if (type < 256 && number <= 0xFFFFFFu && (byId_.count(id) || host_->model().Exists(id))) {
          out += NameOf(id);
          i = k;
          continue;
        }
      }
      out.append(text, i, j - i);
      i = j;
      continue;
    }
    out += text[i++];
  }
  return out;
}

ObjectId ScenarioRunner::IdOf(const std::string& name) const {
  auto it = names_.find(name);
  return it == names_.end() ? 0 : it->second;
}

std::vector<std::string> ScenarioRunner::Names() const {
  std::vector<std::string> r;
  for (const auto& kv : names_) r.push_back(kv.first);
  return r;
}

void ScenarioRunner::Define(const Step& st, const std::string& name, ObjectId id) {
  if (id == 0) throw ScenarioError(st.file, st.line, "the host could not create '" + Shown(name) + "'");
  names_[name] = id;
  byId_[id] = name;
}

ObjectId ScenarioRunner::RequireDoc(const Step& st) const {
  if (doc_ == 0 || !host_->model().Exists(doc_))
    throw ScenarioError(st.file, st.line, "no open document: start with 'document NAME'");
  return doc_;
}

ObjectId ScenarioRunner::Resolve(const Step& st, const ObjectRef& ref) const {
  const Model& m = host_->model();
  ObjectId id = IdOf(ref.name);
  if (id == 0) throw ScenarioError(st.file, st.line, "unknown object '" + Shown(ref.name) + "'");
  if (!m.Exists(id)) throw ScenarioError(st.file, st.line, "'" + Shown(ref.name) + "' no longer exists");
  if (ref.row < 0) return id;
  if (TypeOf(id) != obj::Table) throw ScenarioError(st.file, st.line, "'" + Shown(ref.name) + "' is not a table");
  ObjectId r = ref.column < 0 ? m.Row(id, ref.row) : m.Cell(id, ref.row, ref.column);
  if (r == 0)
    throw ScenarioError(st.file, st.line,
                        "table '" + Shown(ref.name) + "' has no " + ref.Text().substr(Shown(ref.name).size()));
  return r;
}

ObjectId ScenarioRunner::FirstParagraph(ObjectId container) {
  Model& m = host_->model();
  const Object* o = m.Find(container);
  if (!o) return 0;
  if (o->type == obj::Paragraph) return container;
  for (ObjectId c : o->children)
    if (TypeOf(c) == obj::Paragraph) return c;
  return m.AddParagraph(container, "");
}

void ScenarioRunner::Fail(StepOutcome& out, const std::string& text) {
  out.failures++;
  out.transcript += "FAILED: " + text + "\n";
}

void ScenarioRunner::UnusedAnswers(StepOutcome& out, const std::string& when) {
  if (answers_.empty()) return;
  std::string list;
  for (const std::string& a : answers_) list += (list.empty() ? "" : ", ") + a;
  Fail(out, list + (answers_.size() == 1 ? " was" : " were") + " not used: " + when);
  answers_.clear();
  host_->DropPromptAnswers();
}

StepOutcome ScenarioRunner::Finish() {
  StepOutcome out;
  UnusedAnswers(out, answers_.size() == 1 ? "no command came after it" : "no command came after them");
  return out;
}

void ScenarioRunner::NoSuchCommand(const Step& st, const std::string& what) const {
  // Every command of the main menu, by menu path, shortcut and number, to say what is near.
  const Model& m = host_->model();
  std::vector<std::string> paths, shortcuts;
  int lo = 0, hi = 0;
  std::function<void(const Object*, const std::string&)> walk = [&](const Object* menu, const std::string& path) {
    for (ObjectId c : menu->children) {
      const Object* o = m.Find(c);
      if (!o) continue;
      std::string p = path.empty() ? o->label : path + " > " + o->label;
      if (o->type == obj::Menu) walk(o, p);
      if (o->type != obj::Command) continue;
      paths.push_back(p);
      if (!o->shortcut.empty()) shortcuts.push_back(o->shortcut);
      lo = lo == 0 ? o->number : std::min(lo, o->number);
      hi = std::max(hi, o->number);
    }
  };
  if (const Object* bar = m.Find(m.MainMenu())) walk(bar, "");
  std::string why;
  if (st.word == "menu") {
    why = "no command " + Shown(what) + " in the host's menus" + Nearest(what, paths) +
          "; labels are matched exactly, with their case and any '...'";
  } else if (st.word == "shortcut") {
    why = "no command has the shortcut " + Shown(what) + Nearest(what, shortcuts);
  } else {
    why = "no command " + Shown(what) + " in the host's menus (the module's commands are " + std::to_string(lo) +
          " to " + std::to_string(hi) + ")";
  }
  throw ScenarioError(st.file, st.line, why);
}

void ScenarioRunner::CheckCode(const Step& st, const Quantity& q) const {
  if (q.unitWritten || q.fraction)
    throw ScenarioError(st.file, st.line,
                        st.name + " is a code, a whole number without a unit: found " + q.Text() +
                            (q.unitWritten ? " (units belong to lengths)" : ""));
  if (q.Integer() < INT32_MIN || q.Integer() > INT32_MAX)
    throw ScenarioError(st.file, st.line, st.name + " lies between -2147483648 and 2147483647, found " + q.Text());
}

// Every step kind, the family that frames it and its handler. Building steps check their new
// names first; acting steps report what changed; expectations only read.
const ScenarioRunner::StepHandler ScenarioRunner::kHandlers[] = {
    {StepKind::Document, Family::Build, &ScenarioRunner::BuildDocument},
    {StepKind::Grid, Family::Build, &ScenarioRunner::BuildGrid},
    {StepKind::Frame, Family::Build, &ScenarioRunner::BuildGraphic},
    {StepKind::Graphic, Family::Build, &ScenarioRunner::BuildGraphic},
    {StepKind::Paragraph, Family::Build, &ScenarioRunner::BuildParagraph},
    {StepKind::Anchored, Family::Build, &ScenarioRunner::BuildAnchored},
    {StepKind::Table, Family::Build, &ScenarioRunner::BuildTable},
    {StepKind::Select, Family::Act, &ScenarioRunner::ActSelect},
    {StepKind::SelectCells, Family::Act, &ScenarioRunner::ActSelectCells},
    {StepKind::Deselect, Family::Act, &ScenarioRunner::ActDeselect},
    {StepKind::Cursor, Family::Act, &ScenarioRunner::ActCursor},
    {StepKind::Choose, Family::Change, &ScenarioRunner::ChangeChoose},
    {StepKind::Answer, Family::Act, &ScenarioRunner::ActAnswer},
    {StepKind::Close, Family::Act, &ScenarioRunner::ActClose},
    {StepKind::Set, Family::Change, &ScenarioRunner::ChangeSet},
    {StepKind::Name, Family::Act, &ScenarioRunner::ActName},
    {StepKind::Fault, Family::Act, &ScenarioRunner::ActFault},
    {StepKind::Show, Family::Act, &ScenarioRunner::ActShow},
    {StepKind::ExpectProp, Family::Expect, &ScenarioRunner::ExpectProperty},
    {StepKind::ExpectSelection, Family::Expect, &ScenarioRunner::ExpectSelection},
    {StepKind::ExpectCells, Family::Expect, &ScenarioRunner::ExpectCells},
    {StepKind::ExpectCursor, Family::Expect, &ScenarioRunner::ExpectCursor},
    {StepKind::ExpectAlert, Family::Expect, &ScenarioRunner::ExpectAlert},
    {StepKind::ExpectPrompt, Family::Expect, &ScenarioRunner::ExpectPrompt},
    {StepKind::ExpectConsole, Family::Expect, &ScenarioRunner::ExpectConsole},
    {StepKind::ExpectMenu, Family::Expect, &ScenarioRunner::ExpectMenu},
    {StepKind::ExpectUnchanged, Family::Expect, &ScenarioRunner::ExpectUnchanged},
    {StepKind::ExpectClipboard, Family::Expect, &ScenarioRunner::ExpectClipboard},
    {StepKind::ExpectUndo, Family::Expect, &ScenarioRunner::ExpectUndo},
};

StepOutcome ScenarioRunner::Run(const Step& st) {
  StepOutcome out;
  // The call log is kept only for --trace, and holds the calls of one step: a long scenario
  // does not accumulate it, nor spend time describing calls nobody reads.
  host_->log().Clear();
  host_->log().enabled = options_.trace;
  Mark mark = host_->log().MarkNow();
  for (const StepHandler& h : kHandlers) {
    if (h.kind != st.kind) continue;
    if (h.family == Family::Build) lastViewValid_ = false;  // the page changes: read it again
    if (h.family == Family::Build) {
      CheckNewNames(st);
      (this->*h.run)(st, out);
    } else if (h.family == Family::Expect) {
      (this->*h.run)(st, out);
    } else {
      Act(st, out, h.run, h.family == Family::Change);
    }
    break;
  }
  if (options_.trace) {
    std::string log = WithNames(host_->log().Text(mark));
    if (!log.empty()) out.transcript += "calls:\n" + log + (log.back() == '\n' ? "" : "\n");
  }
  return out;
}

}  // namespace zvhost
