// The scenario runner: each step is carried out on the reference host as a FrameMaker user
// would, and its effects are described by name, in points.
#include "host/scenario/runner.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <set>

namespace zvhost {

namespace {

struct PropNameEntry {
  const char* name;
  int32_t number;
  int onType;  // 0: any object; otherwise only this type (tables reuse "width" and "left-indent")
};
const PropNameEntry kProps[] = {
    {"x", prop::PosX, 0},
    {"y", prop::PosY, 0},
    {"width", prop::TblWidth, obj::Table},
    {"width", prop::Width, 0},
    {"height", prop::Height, 0},
    {"outline", prop::OutlineWidth, 0},
    {"fill", prop::FillPattern, 0},
    {"selected", prop::SelectedFlag, 0},
    {"align", prop::ParaAlignment, 0},
    {"left-indent", prop::TblLeftIndent, obj::Table},
    {"left-indent", prop::ParaLeftIndent, 0},
    {"first-indent", prop::ParaFirstIndent, 0},
    {"right-indent", prop::ParaRightIndent, 0},
    {"columns", prop::TblColWidths, 0},
    {"column-count", prop::TblColumnCount, 0},
    {"placement", prop::TblPlacement, 0},
    {"margin-a", prop::TblCellMarginA, 0},
    {"margin-b", prop::TblCellMarginB, 0},
    {"grid", prop::GridSpacing, 0},
};

bool IsMetricProp(int32_t p) {
  switch (p) {
    case prop::PosX:
    case prop::PosY:
    case prop::Width:
    case prop::Height:
    case prop::OutlineWidth:
    case prop::ParaFirstIndent:
    case prop::ParaLeftIndent:
    case prop::ParaRightIndent:
    case prop::TblLeftIndent:
    case prop::TblWidth:
    case prop::TblCellMarginA:
    case prop::TblCellMarginB:
    case prop::GridSpacing:
      return true;
    default:
      return false;
  }
}

Geometry GeometryFrom(const std::vector<Quantity>& v, size_t at) {
  Geometry g;
  g.x = static_cast<double>(v[at].Metric()) / 65536.0;
  g.y = static_cast<double>(v[at + 1].Metric()) / 65536.0;
  g.w = static_cast<double>(v[at + 2].Metric()) / 65536.0;
  g.h = static_cast<double>(v[at + 3].Metric()) / 65536.0;
  return g;
}

std::string PtText(int64_t metric) {
  return FormatPoints(metric) + "pt";
}

// Lengths a property holds: positions and indents may be negative, sizes may not.
bool IsSizeProp(int32_t p) {
  return p != prop::PosX && p != prop::PosY && p != prop::ParaFirstIndent && p != prop::ParaLeftIndent &&
         p != prop::ParaRightIndent && p != prop::TblLeftIndent;
}

// The operations of the host's session, by the names fault injection takes.
const char* const kOperations[] = {"RegisterClient",   "RequestNotification", "AddItemToMenu",     "DefineSubmenu",
                                   "FindItemInMenu",   "ShowAlert",           "AskForInteger",     "PrintToConsole",
                                   "RefreshDocument",  "DeleteObject",        "LookupNamedObject", "CreateGraphic",
                                   "ReadAllProps",     "WriteAllProps",       "GetIntProp",        "SetIntProp",
                                   "GetIdProp",        "GetMetricProp",       "SetMetricProp",     "GetTextLocProp",
                                   "GetTextRangeProp", "SetTextRangeProp",    "GetMetricListProp", "SetMetricListProp",
                                   "SelectTableCells", "DefineMenuCommand"};

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Edit distance, for "did you mean".
size_t Distance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diag = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      size_t up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diag + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diag = up;
    }
  }
  return row[b.size()];
}

// Up to three of `known` nearest to `wanted` (case does not count): "did you mean A, B or C?".
std::string Nearest(const std::string& wanted, const std::vector<std::string>& known) {
  std::vector<std::pair<size_t, std::string>> scored;
  for (const std::string& k : known) scored.push_back({Distance(Lower(wanted), Lower(k)), k});
  std::stable_sort(scored.begin(), scored.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  size_t n = 0;  // the nearest ones: at most three, none much farther than the nearest
  while (n < scored.size() && n < 3 && scored[n].first <= scored[0].first + (scored[0].first == 0 ? 0 : 2)) ++n;
  std::string s;
  for (size_t i = 0; i < n; ++i) s += (i == 0 ? "" : i + 1 == n ? " or " : ", ") + scored[i].second;
  return s.empty() ? s : " (did you mean " + s + "?)";
}

std::string AlertKind(int32_t kind) {
  return kind == alert::Error ? "error" : kind == alert::Note ? "note" : "kind " + std::to_string(kind);
}

bool FitsMetric(int64_t v) {
  return v >= INT32_MIN && v <= INT32_MAX;
}

}  // namespace

int32_t ScenarioPropertyNumber(const std::string& name, int objectType) {
  if (!name.empty() && std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
      name.size() < 10)
    return static_cast<int32_t>(std::stol(name));
  for (const auto& p : kProps)
    if (name == p.name && (p.onType == 0 || p.onType == objectType)) return p.number;
  return 0;
}

std::string ScenarioPropertyName(int32_t number) {
  for (const auto& p : kProps)
    if (p.number == number) return p.name;
  return PropName(number);
}

std::string ScenarioPropertyNames() {
  std::string s;
  std::set<std::string> seen;
  for (const auto& p : kProps)
    if (seen.insert(p.name).second) s += (s.empty() ? "" : ", ") + std::string(p.name);
  return s + ", text, kind";
}

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
  return "console:\n" + banner + "\n\nmenu:\n" + MenuText();
}

std::string ScenarioRunner::MenuText(const std::string& top) const {
  const Model& m = const_cast<Host&>(*host_).model();
  const Object* bar = m.Find(m.MainMenu());
  if (!bar) return "(no main menu)\n";
  const Object* menu = nullptr;
  for (ObjectId c : bar->children) {
    const Object* o = m.Find(c);
    if (o && o->type == obj::Menu && o->label == top) menu = o;
  }
  if (!menu) return "(no menu \"" + top + "\")\n";
  std::string out = menu->label + "\n";
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
        walk(o, depth + 1);
      } else {
        std::snprintf(line, sizeof line, "%s%-*s %-7s (%d)\n", pad.c_str(), 40 - depth * 2, o->label.c_str(),
                      o->shortcut.c_str(), o->number);
        out += line;
      }
    }
  };
  walk(menu, 1);
  return out;
}

std::string ScenarioRunner::NameOf(ObjectId id) const {
  auto it = byId_.find(id);
  if (it != byId_.end()) return it->second;
  const Model& m = const_cast<Host&>(*host_).model();
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
        if (type < 256 && number <= 0xFFFFFFu && (byId_.count(id) || const_cast<Host&>(*host_).model().Exists(id))) {
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
  if (id == 0) throw ScenarioError(st.file, st.line, "the host could not create '" + name + "'");
  names_[name] = id;
  byId_[id] = name;
}

ObjectId ScenarioRunner::RequireDoc(const Step& st) const {
  if (doc_ == 0 || !const_cast<Host&>(*host_).model().Exists(doc_))
    throw ScenarioError(st.file, st.line, "no open document: start with 'document NAME'");
  return doc_;
}

ObjectId ScenarioRunner::Resolve(const Step& st, const ObjectRef& ref) const {
  const Model& m = const_cast<Host&>(*host_).model();
  ObjectId id = IdOf(ref.name);
  if (id == 0) throw ScenarioError(st.file, st.line, "unknown object '" + ref.name + "'");
  if (!m.Exists(id)) throw ScenarioError(st.file, st.line, "'" + ref.name + "' no longer exists");
  if (ref.row < 0) return id;
  if (TypeOf(id) != obj::Table) throw ScenarioError(st.file, st.line, "'" + ref.name + "' is not a table");
  ObjectId r = ref.column < 0 ? m.Row(id, ref.row) : m.Cell(id, ref.row, ref.column);
  if (r == 0)
    throw ScenarioError(st.file, st.line, "table '" + ref.name + "' has no " + ref.Text().substr(ref.name.size()));
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
  UnusedAnswers(out, "no command came after it");
  return out;
}

void ScenarioRunner::NoSuchCommand(const Step& st, const std::string& what) const {
  // Every command of the main menu, by menu path, shortcut and number, to say what is near.
  const Model& m = const_cast<Host&>(*host_).model();
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
    why = "no command " + what + " in the host's menus" + Nearest(what, paths) +
          "; labels are matched exactly, with their case and any '...'";
  } else if (st.word == "shortcut") {
    why = "no command has the shortcut " + what + Nearest(what, shortcuts);
  } else {
    why = "no command " + what + " in the host's menus (the module's commands are " + std::to_string(lo) + " to " +
          std::to_string(hi) + ")";
  }
  throw ScenarioError(st.file, st.line, why);
}

void ScenarioRunner::CheckCode(const Step& st, const Quantity& q) const {
  if (q.unitWritten || q.fraction)
    throw ScenarioError(st.file, st.line,
                        st.name + " is a code, a whole number without a unit: found " + q.Text() +
                            (q.unitWritten ? " (units belong to lengths)" : ""));
}

StepOutcome ScenarioRunner::Run(const Step& st) {
  StepOutcome out;
  // The call log is kept only for --trace, and holds the calls of one step: a long scenario
  // does not accumulate it, nor spend time describing calls nobody reads.
  host_->log().Clear();
  host_->log().enabled = options_.trace;
  Mark mark = host_->log().MarkNow();
  switch (st.kind) {
    case StepKind::Document:
    case StepKind::Grid:
    case StepKind::Frame:
    case StepKind::Graphic:
    case StepKind::Paragraph:
    case StepKind::Anchored:
    case StepKind::Table:
      Build(st, out);
      break;
    default:
      if (IsExpectation(st.kind))
        Expect(st, out);
      else
        Act(st, out);
  }
  if (options_.trace) {
    std::string log = WithNames(host_->log().Text(mark));
    if (!log.empty()) out.transcript += "calls:\n" + log + (log.back() == '\n' ? "" : "\n");
  }
  return out;
}

void ScenarioRunner::Build(const Step& st, StepOutcome& out) {
  Model& m = host_->model();
  // The names are checked before anything is made, so a refused step leaves the page as it was.
  for (const std::string* n : {&st.name, &st.titleName})
    if (!n->empty() && (names_.count(*n) || (n == &st.titleName && *n == st.name)))
      throw ScenarioError(st.file, st.line, "the name '" + *n + "' is already used");
  switch (st.kind) {
    case StepKind::Document: {
      double w = st.values.empty() ? 612 : static_cast<double>(st.values[0].Metric()) / 65536.0;
      double h = st.values.empty() ? 792 : static_cast<double>(st.values[1].Metric()) / 65536.0;
      if (w <= 0 || h <= 0 || w > 16000 || h > 16000)
        throw ScenarioError(st.file, st.line, "a page is more than 0 and at most 16000 pt wide and high");
      ObjectId d = m.NewDocument(st.name, w, h);
      Define(st, st.name, d);
      m.SetActiveDocument(d);
      doc_ = d;
      break;
    }
    case StepKind::Grid: {
      ObjectId d = RequireDoc(st);
      int64_t g = st.values[0].Metric();
      if (!FitsMetric(g)) throw ScenarioError(st.file, st.line, "grid spacing out of range");
      m.Doc(d)->grid = static_cast<Metric>(g);
      break;
    }
    case StepKind::Frame:
    case StepKind::Graphic: {
      ObjectId d = RequireDoc(st);
      for (const Quantity& q : st.values)
        if (!FitsMetric(q.Metric()) || std::fabs(static_cast<double>(q.Metric())) >= 32768.0 * 65536.0)
          throw ScenarioError(st.file, st.line, "positions and sizes lie between -32768 and 32767 pt");
      Geometry g = GeometryFrom(st.values, 0);
      int type = st.kind == StepKind::Frame ? obj::UnanchoredFrame : GraphicKindByName(st.word);
      if (type == obj::AnchoredFrame)
        throw ScenarioError(st.file, st.line, "an anchored frame is made with 'anchored NAME size W H in PARAGRAPH'");
      ObjectId id;
      if (st.refs.empty()) {
        if (type != obj::UnanchoredFrame)
          throw ScenarioError(st.file, st.line, "expected 'in FRAME': a graphic lies in a frame");
        id = m.AddFrame(d, g);
      } else {
        ObjectId f = Resolve(st, st.refs[0]);
        if (!IsFrameType(TypeOf(f)))
          throw ScenarioError(st.file, st.line, "'" + st.refs[0].name + "' is not a frame (frame or anchored)");
        id = m.AddGraphic(f, type, g);
      }
      Define(st, st.name, id);
      break;
    }
    case StepKind::Paragraph: {
      ObjectId d = RequireDoc(st);
      ObjectId c = Resolve(st, st.refs[0]);
      if (TypeOf(c) != obj::TextFrame && TypeOf(c) != obj::Cell)
        throw ScenarioError(st.file, st.line, "'" + st.refs[0].Text() + "' is not a text frame or a table cell");
      ObjectId p = m.AddParagraph(c, st.text, static_cast<int32_t>(st.align.Integer()));
      Define(st, st.name, p);
      if (st.values.size() == 3) {
        m.Set(d, p, prop::ParaLeftIndent, Value::OfMetric(static_cast<Metric>(st.values[0].Metric())));
        m.Set(d, p, prop::ParaFirstIndent, Value::OfMetric(static_cast<Metric>(st.values[1].Metric())));
        m.Set(d, p, prop::ParaRightIndent, Value::OfMetric(static_cast<Metric>(st.values[2].Metric())));
      }
      break;
    }
    case StepKind::Anchored: {
      RequireDoc(st);
      ObjectId p = Resolve(st, st.refs[0]);
      if (TypeOf(p) != obj::Paragraph)
        throw ScenarioError(st.file, st.line, "'" + st.refs[0].name + "' is not a paragraph");
      Geometry g = GeometryFrom({Quantity(), Quantity(), st.values[0], st.values[1]}, 0);
      Define(st, st.name, m.AddAnchoredFrame(p, 0, g));
      break;
    }
    case StepKind::Table: {
      RequireDoc(st);
      ObjectId p = Resolve(st, st.refs[0]);
      if (TypeOf(p) != obj::Paragraph)
        throw ScenarioError(st.file, st.line, "'" + st.refs[0].name + "' is not a paragraph");
      if (st.values.size() > 200) throw ScenarioError(st.file, st.line, "a table has at most 200 columns");
      TableSpec spec;
      spec.columnWidths.clear();
      for (const Quantity& q : st.values) spec.columnWidths.push_back(static_cast<double>(q.Metric()) / 65536.0);
      spec.rows = st.rows;
      if (st.marginA.present) spec.marginA = static_cast<double>(st.marginA.Metric()) / 65536.0;
      if (st.marginB.present) spec.marginB = static_cast<double>(st.marginB.Metric()) / 65536.0;
      if (st.indent.present) spec.leftIndent = static_cast<double>(st.indent.Metric()) / 65536.0;
      if (st.placement.present) spec.placement = static_cast<int32_t>(st.placement.Integer());
      spec.title = !st.titleName.empty();
      if (spec.title) {
        if (!st.text.empty()) spec.titleText = st.text;
        if (st.align.present) spec.titleAlignment = static_cast<int32_t>(st.align.Integer());
      }
      ObjectId t = m.AddTable(p, spec);
      Define(st, st.name, t);
      if (spec.title) Define(st, st.titleName, static_cast<ObjectId>(m.Read(t, prop::TblTitleParagraph).word));
      break;
    }
    default:
      break;
  }
  (void)out;
}

void ScenarioRunner::Act(const Step& st, StepOutcome& out) {
  Model& m = host_->model();
  changed_.clear();
  // Only commands and "set" change the document; other acting steps change the selection alone.
  bool changes = st.kind == StepKind::Choose || st.kind == StepKind::Set;
  // The model notes what the step writes; a step that stops at an error leaves no watch behind.
  struct Watch {
    Model& m;
    ~Watch() { m.CancelChanges(); }
  } watch{m};
  if (changes) m.BeginChanges();
  std::string selectionBefore = changes ? SelectionText() : std::string();  // what Describe compares
  PageView viewBefore = options_.pictures ? View() : PageView{};
  bool describe = false;
  uint64_t readsBefore = 0;
  switch (st.kind) {
    case StepKind::Select: {
      ObjectId d = RequireDoc(st);
      std::vector<ObjectId> ids;
      for (const ObjectRef& r : st.refs) ids.push_back(Resolve(st, r));
      if (ids.size() == 1 && !IsGraphicType(TypeOf(ids[0]))) {
        int t = TypeOf(ids[0]);
        if (t == obj::Table) {
          host_->SelectTable(d, ids[0]);
        } else if (t == obj::Cell) {
          const ObjectRef& r = st.refs[0];
          host_->SelectCells(d, IdOf(r.name), r.row, r.row, r.column, r.column);
        } else if (t == obj::Paragraph || t == obj::TextFrame) {
          host_->PlaceCursor(d, FirstParagraph(ids[0]), 0);
        } else {
          throw ScenarioError(st.file, st.line, "'" + st.refs[0].Text() + "' cannot be selected");
        }
        out.transcript += (t == obj::Paragraph ? "cursor in " : "selected ") + st.refs[0].Text() + "\n";
        break;
      }
      for (size_t i = 0; i < ids.size(); ++i)
        if (!IsGraphicType(TypeOf(ids[i])))
          throw ScenarioError(st.file, st.line, "'" + st.refs[i].Text() + "' is not a graphic");
      bool grouped = std::any_of(st.refs.begin(), st.refs.end(), [](const ObjectRef& r) { return r.together; });
      if (!grouped) {
        host_->SelectInOrder(d, ids);
      } else {
        size_t i = 1;
        std::vector<ObjectId> first = {ids[0]};
        while (i < ids.size() && st.refs[i].together) first.push_back(ids[i++]);
        host_->SelectGraphics(d, first);
        for (; i < ids.size(); ++i) host_->AddToSelection(d, ids[i]);
      }
      std::string names;
      for (ObjectId id : m.SelectedGraphics(d)) names += (names.empty() ? "" : ", ") + NameOf(id);
      out.transcript += "selected " + (names.empty() ? std::string("nothing") : names) + "\n";
      break;
    }
    case StepKind::SelectCells: {
      ObjectId d = RequireDoc(st);
      ObjectId t = Resolve(st, ObjectRef{st.refs[0].name});
      if (TypeOf(t) != obj::Table) throw ScenarioError(st.file, st.line, "'" + st.refs[0].name + "' is not a table");
      if (st.word == "table") {
        host_->SelectTable(d, t);
      } else if (st.word == "row") {
        Resolve(st, st.refs[0]);
        int32_t n = m.Read(t, prop::TblColumnCount).word;
        host_->SelectCells(d, t, st.refs[0].row, st.refs[0].row, 0, n - 1);
      } else {
        const ObjectRef& a = st.refs[0];
        const ObjectRef& b = st.refs.size() > 1 ? st.refs[1] : st.refs[0];
        if (b.name != a.name) throw ScenarioError(st.file, st.line, "both corners must be cells of one table");
        Resolve(st, a);
        Resolve(st, b);
        host_->SelectCells(d, t, std::min(a.row, b.row), std::max(a.row, b.row), std::min(a.column, b.column),
                           std::max(a.column, b.column));
      }
      out.transcript += "selected " + st.source.substr(7) + "\n";
      break;
    }
    case StepKind::Deselect:
      host_->ClearSelection(RequireDoc(st));
      out.transcript += "selected nothing\n";
      break;
    case StepKind::Cursor: {
      ObjectId d = RequireDoc(st);
      ObjectId c = Resolve(st, st.refs[0]);
      int t = TypeOf(c);
      if (t != obj::Paragraph && t != obj::TextFrame && t != obj::Cell)
        throw ScenarioError(st.file, st.line, "the cursor stands in a paragraph, a text frame or a table cell");
      ObjectId p = FirstParagraph(c);
      int32_t offset = st.values.empty() ? 0 : static_cast<int32_t>(st.values[0].Integer());
      host_->PlaceCursor(d, p, offset);
      out.transcript += "cursor in " + NameOf(p) + "\n";
      break;
    }
    case StepKind::Choose: {
      size_t alerts = host_->Alerts().size(), prompts = host_->Prompts().size();
      readsBefore = host_->ReadAllCount();
      ChooseResult r;
      std::string what;
      if (st.word == "menu") {
        r = host_->ChooseMenu(st.name);
        what = st.name;
      } else if (st.word == "shortcut") {
        r = host_->ChooseShortcut(st.name);
        what = st.name;
      } else {
        r = host_->ChooseCommand(static_cast<int32_t>(st.values[0].Integer()));
        what = std::to_string(st.values[0].Integer());
      }
      lastAlerts_.assign(host_->Alerts().begin() + static_cast<long>(alerts), host_->Alerts().end());
      lastPrompts_.assign(host_->Prompts().begin() + static_cast<long>(prompts), host_->Prompts().end());
      if (!r.found) NoSuchCommand(st, what);
      // The prompts took the first answers in the queue; any left over were meant for this command.
      answers_.erase(answers_.begin(),
                     answers_.begin() + static_cast<long>(std::min(answers_.size(), lastPrompts_.size())));
      if (!r.enabled) out.transcript += "(command " + std::to_string(r.number) + " is disabled here)\n";
      for (const PromptRecord& p : lastPrompts_)
        out.transcript += "prompt: \"" + p.prompt + "\" [" + p.defaultText + "] -> " +
                          (p.answered ? std::to_string(p.answer) : std::string("cancelled")) + "\n";
      for (const AlertRecord& a : lastAlerts_)
        out.transcript += "alert (" + AlertKind(a.kind) + "): \"" + a.text + "\"\n";
      UnusedAnswers(out, lastPrompts_.empty() ? "the command asked nothing" : "the command asked fewer prompts");
      std::vector<ObjectId> selection = m.Exists(doc_) ? m.SelectedGraphics(doc_) : std::vector<ObjectId>{};
      ObjectId copied = selection.empty() ? 0 : selection[0];
      if (r.number == 1 && r.delivered && lastAlerts_.empty() && copied) {
        const int32_t keys[4] = {prop::PosX, prop::PosY, prop::Width, prop::Height};
        std::string text;
        for (int i = 0; i < 4; ++i) {
          clipboard_[i] = m.Read(copied, keys[i]).word;
          text += (i ? " " : "") + PtText(clipboard_[i]);
        }
        out.transcript += "clipboard: " + text + " (x y width height of " + NameOf(copied) + ")\n";
      }
      describe = true;
      break;
    }
    case StepKind::Answer:
      if (st.negate) {
        host_->CancelNextPrompt();
      } else {
        int64_t v = st.values[0].Integer();
        if (v < INT32_MIN || v > INT32_MAX)
          throw ScenarioError(st.file, st.line, "an answer lies between -2147483648 and 2147483647");
        host_->AnswerNextPrompt(static_cast<int32_t>(v));
      }
      answers_.push_back(st.source + " (line " + std::to_string(st.line) + ")");
      break;
    case StepKind::Close: {
      ObjectId d = st.name.empty() ? RequireDoc(st) : Resolve(st, ObjectRef{st.name});
      if (!host_->CloseDocument(d)) throw ScenarioError(st.file, st.line, "no such open document");
      out.transcript += "closed " + NameOf(d) + "\n";
      if (d == doc_) {
        std::vector<ObjectId> docs = m.Documents();
        doc_ = docs.empty() ? 0 : docs.back();
        if (doc_) m.SetActiveDocument(doc_);
      }
      break;
    }
    case StepKind::Set: {
      ObjectId d = RequireDoc(st);
      ObjectId id = Resolve(st, st.refs[0]);
      int32_t p = ScenarioPropertyNumber(st.name, TypeOf(id));
      if (p == 0)
        throw ScenarioError(st.file, st.line, "unknown property '" + st.name + "' (" + ScenarioPropertyNames() + ")");
      if (!st.word.empty()) throw ScenarioError(st.file, st.line, "set takes a number: " + st.name + " is not a text");
      bool list = p == prop::TblColWidths;
      if (!list && st.values.size() != 1)
        throw ScenarioError(st.file, st.line, st.name + " takes one value, found " + std::to_string(st.values.size()));
      for (const Quantity& q : st.values) {
        if (list || IsMetricProp(p)) {
          bool size = list || IsSizeProp(p);
          int64_t u = q.Metric();
          if (u >= 32768LL * 65536 || u <= -32768LL * 65536 || (size && u < 0))
            throw ScenarioError(st.file, st.line,
                                st.name +
                                    (size ? " lies between 0 and 32767 pt" : " lies between -32768 and 32767 pt") +
                                    ", found " + q.Text());
        } else {
          CheckCode(st, q);
          if (q.Integer() < INT32_MIN || q.Integer() > INT32_MAX)
            throw ScenarioError(st.file, st.line,
                                st.name + " lies between -2147483648 and 2147483647, found " + q.Text());
        }
      }
      Value v;
      if (list) {
        std::vector<Metric> widths;
        for (const Quantity& q : st.values) widths.push_back(static_cast<Metric>(q.Metric()));
        v = Value::List(widths);
      } else if (IsMetricProp(p)) {
        v = Value::OfMetric(static_cast<Metric>(st.values[0].Metric()));
      } else {
        v = Value::Int(static_cast<int32_t>(st.values[0].Integer()));
      }
      int32_t status = TypeOf(id) == obj::Document ? m.Set(0, id, p, v) : m.Set(d, id, p, v);
      if (status != status::Ok)
        throw ScenarioError(st.file, st.line,
                            "the host refused to set " + st.name + " (status " + std::to_string(status) + ")");
      describe = true;
      break;
    }
    case StepKind::Name: {
      ObjectId d = RequireDoc(st);
      ObjectId id = 0;
      if (st.word == "created") {
        id = lastCreated_;
        if (id == 0 || !m.Exists(id))
          throw ScenarioError(st.file, st.line, "the last command created nothing that still exists");
      } else {
        std::vector<ObjectId> sel = m.SelectedGraphics(d);
        if (sel.empty()) throw ScenarioError(st.file, st.line, "nothing is selected to name");
        id = sel[0];
      }
      if (names_.count(st.name)) throw ScenarioError(st.file, st.line, "the name '" + st.name + "' is already used");
      std::string old = NameOf(id);
      if (byId_.count(id)) names_.erase(byId_[id]);
      names_[st.name] = id;
      byId_[id] = st.name;
      out.transcript += old + " is now called " + st.name + "\n";
      break;
    }
    case StepKind::Fault: {
      Faults& f = host_->faults();
      if (st.word == "off") {
        f.Clear();
        out.transcript += "faults cleared\n";
        break;
      }
      Fault fault;
      size_t at = 0;
      if (st.word == "busy") {
        fault = Fault::Busy();
      } else if (st.word == "fail") {
        fault = Fault::Failed();
      } else if (st.word == "status") {
        if (st.items.empty()) throw ScenarioError(st.file, st.line, "expected a status number after 'fault status'");
        char* end = nullptr;
        long long s = std::strtoll(st.items[0].c_str(), &end, 10);
        if (*end || s == 0 || s < INT32_MIN || s > INT32_MAX)
          throw ScenarioError(st.file, st.line,
                              "expected a nonzero status number from -2147483648 to 2147483647, found " + st.items[0]);
        fault = Fault::Status(static_cast<int32_t>(s));
        at = 1;
      } else {
        throw ScenarioError(st.file, st.line, "expected a fault: busy, fail, status N or off, found " + st.word);
      }
      if (at < st.items.size()) {
        std::vector<std::string> ops(std::begin(kOperations), std::end(kOperations));
        if (std::find(ops.begin(), ops.end(), st.items[at]) == ops.end()) {
          std::string all;
          for (const std::string& o : ops) all += (all.empty() ? "" : ", ") + o;
          throw ScenarioError(
              st.file, st.line,
              "no host operation '" + st.items[at] + "'" + Nearest(st.items[at], ops) + "; the operations are " + all);
        }
        if (at + 2 < st.items.size())
          throw ScenarioError(st.file, st.line, "expected the end of the line after the count");
      }
      if (at >= st.items.size()) {
        f.FailAll(fault);
        out.transcript += "every host operation now answers " + fault.ToString() + "\n";
      } else {
        int times = -1;
        if (at + 1 < st.items.size()) {
          char* end = nullptr;
          long long n = std::strtoll(st.items[at + 1].c_str(), &end, 10);
          if (*end || n <= 0 || n > 1000000000)
            throw ScenarioError(st.file, st.line,
                                "expected a count of calls to fail (1 to 1000000000), found " + st.items[at + 1]);
          times = static_cast<int>(n);
        }
        f.FailOperation(st.items[at], fault, times);
        out.transcript += st.items[at] + " now answers " + fault.ToString() +
                          (times > 0 ? " (" + std::to_string(times) + " time(s))" : "") + "\n";
      }
      break;
    }
    case StepKind::Show:
      out.transcript += ShowText();
      break;
    default:
      break;
  }
  if (describe) {
    lastCreated_ = 0;
    Snapshot before, after;
    if (changes) m.EndChanges(&before, &after);
    Describe(before, after, selectionBefore, out);
    // The undo record: what the command created, else what it read whole.
    if (st.kind == StepKind::Choose && lastCreated_)
      undo_ = lastCreated_;
    else if (st.kind == StepKind::Choose && host_->ReadAllCount() > readsBefore)
      undo_ = host_->LastReadAllObject();
    // A command that ends silently (a cancelled prompt, a title it does not handle) says so.
    if (st.kind == StepKind::Choose && out.transcript.empty()) out.transcript = "no change\n";
    if (out.changed && options_.pictures) {
      out.viewAfter = View();
      // Where the changed objects were before, to be drawn dashed in the picture after.
      for (const PageItem& now : out.viewAfter.items) {
        if (!now.changed) continue;
        for (const PageItem& was : viewBefore.items)
          if (was.id == now.id && (was.x != now.x || was.y != now.y || was.w != now.w || was.h != now.h))
            out.viewAfter.previous.push_back(was);
      }
      out.viewBefore = std::move(viewBefore);
      out.svgBefore = RenderSvg(out.viewBefore, {options_.svgScale, true, ""});
      out.svgAfter = RenderSvg(out.viewAfter, {options_.svgScale, true, ""});
    }
  }
  // Console output from the module outside start-up is shown as it comes.
  const auto& writes = host_->ConsoleWrites();
  for (; consoleSeen_ < writes.size(); ++consoleSeen_) out.transcript += "console: " + writes[consoleSeen_] + "\n";
}

std::string ScenarioRunner::PropLabel(ObjectId id, int32_t p) const {
  std::string label = NameOf(id);
  label += '.';
  label += ScenarioPropertyName(p);
  return label;
}

std::string ScenarioRunner::SelectionText() const {
  const Model& m = const_cast<Host&>(*host_).model();
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
      case prop::GraphicAbove:
      case prop::GraphicBelow:
        continue;
      default:
        break;
    }
    changed_.insert(c.object);
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

void ScenarioRunner::Expect(const Step& st, StepOutcome& out) {
  Model& m = host_->model();
  std::string what = st.source.substr(std::min<size_t>(7, st.source.size()));
  switch (st.kind) {
    case StepKind::ExpectProp:
      ExpectProperty(st, out);
      return;
    case StepKind::ExpectSelection: {
      ObjectId d = RequireDoc(st);
      std::vector<ObjectId> sel = m.SelectedGraphics(d);
      std::set<ObjectId> want;
      for (const ObjectRef& r : st.refs) want.insert(Resolve(st, r));
      std::set<ObjectId> have(sel.begin(), sel.end());
      std::string names;
      for (ObjectId id : sel) names += (names.empty() ? "" : " ") + NameOf(id);
      if (have != want)
        Fail(out, what + ": selected is " + (names.empty() ? std::string("nothing") : names));
      else
        out.transcript += "ok: " + what + "\n";
      return;
    }
    case StepKind::ExpectCells: {
      ObjectId d = RequireDoc(st);
      const DocState* ds = m.Doc(d);
      std::string have = "none";
      if (ds->cells.table) {
        have = NameOf(ds->cells.table) + "[" + std::to_string(ds->cells.top) + "," + std::to_string(ds->cells.left) +
               "] to [" + std::to_string(ds->cells.bottom) + "," + std::to_string(ds->cells.right) + "]";
        if (ds->cells.top == WholeTable) have = "the whole table " + NameOf(ds->cells.table);
      }
      bool ok;
      if (st.negate) {
        ok = ds->cells.table == 0;
      } else {
        const ObjectRef& a = st.refs[0];
        const ObjectRef& b = st.refs.size() > 1 ? st.refs[1] : a;
        Resolve(st, a);
        Resolve(st, b);
        ok = ds->cells.table == IdOf(a.name) && ds->cells.top == a.row && ds->cells.left == a.column &&
             ds->cells.bottom == b.row && ds->cells.right == b.column;
      }
      if (ok)
        out.transcript += "ok: " + what + "\n";
      else
        Fail(out, what + ": cells selected: " + have);
      return;
    }
    case StepKind::ExpectCursor: {
      ObjectId d = RequireDoc(st);
      const TextRange& r = m.Doc(d)->textSelection;
      bool ok = st.negate ? r.begin.object == 0 : (r.begin.object == FirstParagraph(Resolve(st, st.refs[0])));
      if (ok)
        out.transcript += "ok: " + what + "\n";
      else
        Fail(out, what + ": text selection begins in " + (r.begin.object ? NameOf(r.begin.object) : "nothing"));
      return;
    }
    case StepKind::ExpectAlert: {
      std::string shown;
      for (const AlertRecord& a : lastAlerts_) shown += " (" + AlertKind(a.kind) + ") \"" + a.text + "\"";
      if (st.negate) {
        if (lastAlerts_.empty())
          out.transcript += "ok: no alert\n";
        else
          Fail(out, "no alert expected, the last command showed" + shown);
        return;
      }
      bool ok = false;
      for (const AlertRecord& a : lastAlerts_)
        if (a.text == st.text && (st.word.empty() || st.word == AlertKind(a.kind))) ok = true;
      if (ok)
        out.transcript += "ok: " + what + "\n";
      else
        Fail(out, what + ": the last command showed " + (shown.empty() ? std::string("no alert") : shown.substr(1)));
      return;
    }
    case StepKind::ExpectClipboard: {
      std::string have, want;
      bool ok = true;
      for (int i = 0; i < 4; ++i) {
        have += (i ? " " : "") + PtText(clipboard_[i]);
        want += (i ? " " : "") + PtText(st.values[i].Metric());
        ok = ok && clipboard_[i] == st.values[i].Metric();
      }
      if (ok)
        out.transcript += "ok: clipboard = " + have + "\n";
      else
        Fail(out, "clipboard holds " + have + ", expected " + want + " (x y width height)");
      return;
    }
    case StepKind::ExpectUndo: {
      std::string have = undo_ == 0        ? "nothing (\"Nothing to undo.\")"
                         : m.Exists(undo_) ? NameOf(undo_)
                                           : "the deleted " + NameOf(undo_) + " (the next undo makes it again)";
      // A deleted object is still named: after undoing "Add Frame To Graphic" the record holds it.
      const ObjectRef& ref = st.negate ? ObjectRef{} : st.refs[0];
      ObjectId want = st.negate ? 0 : ref.row < 0 && IdOf(ref.name) ? IdOf(ref.name) : Resolve(st, ref);
      bool ok = st.negate ? undo_ == 0 : undo_ != 0 && undo_ == want;
      if (ok)
        out.transcript += "ok: undo acts on " + have + "\n";
      else
        Fail(out, what + ": the next undo acts on " + have);
      return;
    }
    case StepKind::ExpectUnchanged: {
      // Nothing the last acting step changed (or nothing of the objects named).
      std::set<ObjectId> named;
      for (const ObjectRef& r : st.refs) named.insert(Resolve(st, r));
      std::string changed;
      for (ObjectId id : changed_)
        if (named.empty() || named.count(id)) changed += (changed.empty() ? "" : ", ") + NameOf(id);
      if (changed.empty())
        out.transcript += "ok: " + what + "\n";
      else
        Fail(out, what + ": the last step changed " + changed);
      return;
    }
    case StepKind::ExpectPrompt: {
      if (st.word == "none") {
        if (lastPrompts_.empty())
          out.transcript += "ok: no prompt\n";
        else
          Fail(out, "no prompt expected, the last command asked \"" + lastPrompts_[0].prompt + "\"");
        return;
      }
      std::string shown;
      bool ok = false;
      for (const PromptRecord& p : lastPrompts_) {
        shown += " \"" + p.prompt + "\" [" + p.defaultText + "]";
        if (p.prompt == st.text && (!st.negate || p.defaultText == st.text2)) ok = true;
      }
      if (ok)
        out.transcript += "ok: " + what + "\n";
      else
        Fail(out, what + ": the last command asked " + (shown.empty() ? std::string("nothing") : shown.substr(1)));
      return;
    }
    case StepKind::ExpectConsole: {
      if (host_->ConsoleText().find(st.text) != std::string::npos)
        out.transcript += "ok: " + what + "\n";
      else
        Fail(out, what + ": the console does not hold it");
      return;
    }
    case StepKind::ExpectMenu:
      ExpectMenu(st, out);
      return;
    default:
      return;
  }
}

void ScenarioRunner::ExpectProperty(const Step& st, StepOutcome& out) {
  Model& m = host_->model();
  ObjectId id = Resolve(st, st.refs[0]);
  int type = TypeOf(id);
  std::string what = st.refs[0].Text() + "." + st.name;
  auto verdict = [&](bool ok, const std::string& have, const std::string& want) {
    std::string op = st.op == "=" ? "" : st.op + " ";
    if (ok)
      out.transcript +=
          "ok: " + what + (st.op == "=" ? " = " : " is ") + have + (st.op == "=" ? "" : ", " + op + want) + "\n";
    else
      Fail(out, what + " is " + have + ", expected " + op + want);
  };
  if (st.name == "text" || st.name == "kind") {
    // Words and texts: the kind of an object, the text of a paragraph (of a text frame or a cell:
    // its first paragraph).
    std::string have;
    if (st.name == "kind") {
      have = type == obj::Paragraph  ? "paragraph"
             : type == obj::Table    ? "table"
             : type == obj::Row      ? "row"
             : type == obj::Cell     ? "cell"
             : type == obj::Document ? "document"
                                     : GraphicKindName(type);
    } else {
      if (type != obj::Paragraph && type != obj::TextFrame && type != obj::Cell)
        throw ScenarioError(st.file, st.line,
                            "'" + st.refs[0].Text() + "' holds no text (a paragraph, text frame or cell does)");
      const Object* o = m.Find(type == obj::Paragraph ? id : FirstParagraph(id));
      have = o ? o->name : "";
    }
    if (st.word.empty())
      throw ScenarioError(st.file, st.line,
                          st.name + " is compared with a " +
                              (st.name == "kind" ? "word (rect, oval, paragraph ...)" : "text in double quotes"));
    bool same = have == st.text;
    std::string show = st.name == "text" ? "\"" + have + "\"" : have;
    verdict(st.op == "=" ? same : !same, show, st.name == "text" ? "\"" + st.text + "\"" : st.text);
    return;
  }
  int32_t p = ScenarioPropertyNumber(st.name, type);
  if (p == 0)
    throw ScenarioError(st.file, st.line, "unknown property '" + st.name + "' (" + ScenarioPropertyNames() + ")");
  if (!st.word.empty()) throw ScenarioError(st.file, st.line, st.name + " is a number, found " + st.text);
  Value v;
  if (p == prop::GridSpacing && type == obj::Document)
    v = Value::OfMetric(m.Doc(id)->grid);
  else
    v = m.Read(id, p);
  std::vector<int64_t> have;
  bool metric = v.kind == ValueKind::Metric || (v.kind == ValueKind::MetricList) ||
                (v.kind == ValueKind::None && IsMetricProp(p));
  if (v.kind == ValueKind::MetricList) {
    for (Metric x : v.list) have.push_back(x);
  } else if (v.kind == ValueKind::None) {
    Fail(out, what + ": " + NameOf(id) + " has no such property");
    return;
  } else {
    have.push_back(v.word);
  }
  if (!metric) {
    for (const Quantity& q : st.values) CheckCode(st, q);
    if (st.tolerance.present) CheckCode(st, st.tolerance);
  }
  if (st.op != "=" && st.values.size() != 1)
    throw ScenarioError(st.file, st.line,
                        "'" + st.op + "' compares one value, found " + std::to_string(st.values.size()));
  std::vector<int64_t> want;
  for (const Quantity& q : st.values) want.push_back(metric ? q.Metric() : q.Integer());
  int64_t tol = metric ? st.tolerance.Metric() : st.tolerance.Integer();
  if (tol < 0) tol = -tol;
  bool ok = have.size() == want.size();
  for (size_t i = 0; ok && i < have.size(); ++i) {
    int64_t d = have[i] - want[i];
    if (st.op == "=") ok = std::llabs(d) <= tol;
    if (st.op == "!=") ok = std::llabs(d) > tol;
    if (st.op == "<") ok = d < -tol;
    if (st.op == ">") ok = d > tol;
  }
  auto show = [&](const std::vector<int64_t>& xs) {
    std::string s;
    for (int64_t x : xs) {
      if (!s.empty()) s += ' ';
      s += metric ? FormatPoints(x) + "pt" : std::to_string(x);
    }
    if (metric && xs.size() == 1) s.append(" (").append(std::to_string(xs[0])).append("u)");
    return s;
  };
  if (ok && st.op == "=") {  // the common case, said without the expected value
    out.transcript.append("ok: ").append(what).append(" = ").append(show(have)).push_back('\n');
    return;
  }
  verdict(ok, show(have),
          show(want) + (tol ? " within " + (metric ? PtText(tol) : std::to_string(tol)) : std::string()));
}

void ScenarioRunner::ExpectMenu(const Step& st, StepOutcome& out) {
  Model& m = host_->model();
  const Object* cur = m.Find(m.MainMenu());
  std::string path;
  for (const std::string& label : st.items) {
    const Object* next = nullptr;
    if (cur)
      for (ObjectId c : cur->children) {
        const Object* o = m.Find(c);
        if (o && o->label == label) next = o;
      }
    path += (path.empty() ? "" : " > ") + label;
    if (!next) {
      Fail(out, "menu: no item " + path);
      return;
    }
    cur = next;
  }
  if (!st.negate) {
    out.transcript += "ok: menu " + path + "\n";
    return;
  }
  std::string have;
  for (ObjectId c : cur->children) {
    const Object* o = m.Find(c);
    if (!o) continue;
    have += (have.empty() ? "" : "\n") + (o->type == obj::Separator ? std::string("-") : o->label);
  }
  if (have == st.text) {
    out.transcript += "ok: menu " + path + " holds its " + std::to_string(cur->children.size()) + " items\n";
  } else {
    std::string h = have, w = st.text;
    std::replace(h.begin(), h.end(), '\n', '|');
    std::replace(w.begin(), w.end(), '\n', '|');
    Fail(out, "menu " + path + " holds: " + h + "\n        expected: " + w);
  }
}

std::string ScenarioRunner::ShowText() const {
  const Model& m = const_cast<Host&>(*host_).model();
  const Object* d = m.Find(doc_);
  if (!d) return "no open document\n";
  Value pw = m.Read(doc_, prop::Width), ph = m.Read(doc_, prop::Height);
  std::string o = "document " + NameOf(doc_) + ", page " + FormatPoints(pw.word) + " x " + FormatPoints(ph.word) +
                  " pt (at X Y: from the top left of the enclosing frame, or of the page)\n";
  std::vector<ObjectId> all = m.ObjectsOf(doc_);
  std::vector<ObjectId> selected = m.SelectedGraphics(doc_);
  const DocState* ds = m.Doc(doc_);
  auto pad = [](int depth) { return std::string(static_cast<size_t>(depth) * 2 + 2, ' '); };
  std::function<void(ObjectId, int)> item = [&](ObjectId id, int depth) {
    const Object* x = m.Find(id);
    if (!x) return;
    char line[512];
    if (x->type == obj::Paragraph) {
      bool cursor = ds && ds->textSelection.begin.object == id;
      std::snprintf(line, sizeof line, "%s%-12s paragraph \"%s\"%s\n", pad(depth).c_str(), NameOf(id).c_str(),
                    x->name.c_str(), cursor ? "  [cursor]" : "");
      o += line;
      for (ObjectId a : all) {
        const Object* ao = m.Find(a);
        if (ao && ao->parent == id && (ao->type == obj::AnchoredFrame || ao->type == obj::Table)) item(a, depth + 1);
      }
      return;
    }
    if (x->type == obj::Table) {
      std::string cols;
      for (Metric c : m.Read(id, prop::TblColWidths).list) cols += (cols.empty() ? "" : " ") + FormatPoints(c);
      std::string cells;
      if (ds && ds->cells.table == id)
        cells = ds->cells.top == WholeTable
                    ? "  [table selected]"
                    : "  [cells [" + std::to_string(ds->cells.top) + "," + std::to_string(ds->cells.left) + "] to [" +
                          std::to_string(ds->cells.bottom) + "," + std::to_string(ds->cells.right) + "] selected]";
      int rows = 0;
      for (ObjectId r : x->children) rows += TypeOf(r) == obj::Row ? 1 : 0;
      std::snprintf(line, sizeof line, "%s%-12s table     %d row(s), columns %s%s\n", pad(depth).c_str(),
                    NameOf(id).c_str(), rows, cols.c_str(), cells.c_str());
      o += line;
      ObjectId title = static_cast<ObjectId>(m.Read(id, prop::TblTitleParagraph).word);
      if (title) item(title, depth + 1);
      for (ObjectId r : x->children)
        for (ObjectId c : m.Find(r) ? m.Find(r)->children : std::vector<ObjectId>{})
          for (ObjectId p : m.Find(c) ? m.Find(c)->children : std::vector<ObjectId>{}) item(p, depth + 1);
      return;
    }
    Geometry g = m.GeometryOf(id);
    bool sel = std::find(selected.begin(), selected.end(), id) != selected.end();
    std::snprintf(line, sizeof line, "%s%-12s %-9s at %s %s  size %s x %s%s\n", pad(depth).c_str(), NameOf(id).c_str(),
                  GraphicKindName(x->type).c_str(), FormatPoints(Pt(g.x)).c_str(), FormatPoints(Pt(g.y)).c_str(),
                  FormatPoints(Pt(g.w)).c_str(), FormatPoints(Pt(g.h)).c_str(), sel ? "  [selected]" : "");
    o += line;
    if (IsFrameType(x->type))
      for (ObjectId c : m.Contents(id)) item(c, depth + 1);
    if (x->type == obj::TextFrame)
      for (ObjectId p : x->children)
        if (TypeOf(p) == obj::Paragraph) item(p, depth + 1);
  };
  for (ObjectId f : d->children) item(f, 0);
  return o;
}

PageView ScenarioRunner::View() const {
  const Model& m = const_cast<Host&>(*host_).model();
  PageView v;
  const Object* d = m.Find(doc_);
  if (!d) return v;
  v.document = NameOf(doc_);
  Value pw = m.Read(doc_, prop::Width), ph = m.Read(doc_, prop::Height);
  if (pw.kind == ValueKind::Metric && pw.word > 0) v.width = ToPt(pw.word);
  if (ph.kind == ValueKind::Metric && ph.word > 0) v.height = ToPt(ph.word);
  std::vector<ObjectId> all = m.ObjectsOf(doc_);
  std::set<ObjectId> selected;
  for (ObjectId id : m.SelectedGraphics(doc_)) selected.insert(id);
  const DocState* ds = m.Doc(doc_);

  std::function<void(ObjectId, double, double)> graphic;
  std::function<void(ObjectId, const PageItem&)> text;
  auto anchoredIn = [&](ObjectId para, int type) {
    std::vector<ObjectId> r;
    for (ObjectId id : all) {
      const Object* o = m.Find(id);
      if (o && o->type == type && o->parent == para) r.push_back(id);
    }
    return r;
  };
  graphic = [&](ObjectId id, double ox, double oy) {
    const Object* o = m.Find(id);
    if (!o) return;
    Geometry g = m.GeometryOf(id);
    PageItem it;
    it.id = id;
    it.name = NameOf(id);
    it.changed = changed_.count(id) > 0;
    it.type = o->type;
    it.kind = GraphicKindName(o->type);
    it.x = ox + g.x;
    it.y = oy + g.y;
    it.w = g.w;
    it.h = g.h;
    it.selected = selected.count(id) > 0;
    Value ow = m.Read(id, prop::OutlineWidth);
    it.outline = ow.kind == ValueKind::Metric ? ToPt(ow.word) : 1;
    it.filled = m.Read(id, prop::FillPattern).word != FillNone;
    v.items.push_back(it);
    if (IsFrameType(o->type))
      for (ObjectId c : m.Contents(id)) graphic(c, it.x, it.y);
    if (o->type == obj::TextFrame) text(id, it);
  };
  // Text is laid out schematically: one 14 pt line per paragraph, anchored frames and tables
  // below the paragraph that holds their anchor.
  text = [&](ObjectId tf, const PageItem& box) {
    double y = box.y + 2;
    const Object* o = m.Find(tf);
    for (ObjectId p : o->children) {
      if (TypeOf(p) != obj::Paragraph) continue;
      const Object* po = m.Find(p);
      PageItem pi;
      pi.id = p;
      pi.name = NameOf(p);
      pi.changed = changed_.count(p) > 0;
      pi.type = obj::Paragraph;
      pi.kind = "paragraph";
      pi.text = po ? po->name : "";
      double li = m.ReadPt(p, prop::ParaLeftIndent), ri = m.ReadPt(p, prop::ParaRightIndent);
      pi.x = box.x + li;
      pi.w = box.w - li - ri;
      pi.y = y;
      pi.h = 14;
      pi.cursor = ds && ds->textSelection.begin.object == p;
      v.items.push_back(pi);
      y += 16;
      for (ObjectId a : anchoredIn(p, obj::AnchoredFrame)) {
        Geometry g = m.GeometryOf(a);
        graphic(a, box.x + 4 - g.x, y - g.y);
        y += g.h + 4;
      }
      for (ObjectId t : anchoredIn(p, obj::Table)) {
        ObjectId title = static_cast<ObjectId>(m.Read(t, prop::TblTitleParagraph).word);
        if (title) {
          const Object* to = m.Find(title);
          PageItem ti;
          ti.id = title;
          ti.name = NameOf(title);
          ti.changed = changed_.count(title) > 0;
          ti.type = obj::Paragraph;
          ti.kind = "paragraph";
          ti.text = to ? to->name : "";
          double li = m.ReadPt(title, prop::ParaLeftIndent), ri = m.ReadPt(title, prop::ParaRightIndent);
          ti.x = box.x + li;
          ti.w = box.w - li - ri;
          ti.y = y;
          ti.h = 14;
          v.items.push_back(ti);
          y += 16;
        }
        PageItem ti;
        ti.id = t;
        ti.name = NameOf(t);
        ti.changed = changed_.count(t) > 0;
        ti.type = obj::Table;
        ti.kind = "table";
        Value cols = m.Read(t, prop::TblColWidths);
        for (Metric c : cols.list) ti.columns.push_back(ToPt(c));
        const Object* to = m.Find(t);
        ti.rows = 0;
        if (to)
          for (ObjectId r : to->children)
            if (TypeOf(r) == obj::Row) ti.rows++;
        ti.x = box.x + m.ReadPt(t, prop::TblLeftIndent);
        ti.y = y;
        ti.h = 16.0 * std::max(ti.rows, 1);
        for (double c : ti.columns) ti.w += c;
        if (ds && ds->textSelection.begin.object)
          for (int r = 0; r < ti.rows && ti.cursorRow < 0; ++r)
            for (int c = 0; c < static_cast<int>(ti.columns.size()); ++c) {
              const Object* cell = m.Find(m.Cell(t, r, c));
              if (cell && std::count(cell->children.begin(), cell->children.end(), ds->textSelection.begin.object))
                ti.cursorRow = r, ti.cursorCol = c;
            }
        if (ds && ds->cells.table == t) {
          if (ds->cells.top == WholeTable) {
            ti.selRow0 = 0, ti.selRow1 = ti.rows - 1, ti.selCol0 = 0, ti.selCol1 = static_cast<int>(ti.columns.size());
          } else {
            ti.selRow0 = ds->cells.top, ti.selRow1 = ds->cells.bottom;
            ti.selCol0 = ds->cells.left, ti.selCol1 = ds->cells.right;
          }
        }
        v.items.push_back(ti);
        y += ti.h + 12;
      }
    }
  };
  for (ObjectId f : d->children) graphic(f, 0, 0);
  return v;
}

}  // namespace zvhost
