// The scenario runner: each step is carried out on the reference host as a FrameMaker user
// would, and its effects are described by name, in points.
#include "host/scenario_run.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <set>
#include <thread>

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
  return FormatPoints(metric) + " pt";
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
  return s;
}

ScenarioRunner::ScenarioRunner(RunOptions options) : options_(std::move(options)) {}

ScenarioRunner::~ScenarioRunner() = default;

bool ScenarioRunner::Start(std::string* error) {
  HostOptions ho;
  ho.modulePath = options_.modulePath;
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
  return it != byId_.end() ? it->second : "#" + FormatId(id);
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
  if (names_.count(name)) throw ScenarioError(st.file, st.line, "the name '" + name + "' is already used");
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

StepOutcome ScenarioRunner::Run(const Step& st) {
  StepOutcome out;
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
    std::string log = host_->log().Text(mark);
    if (!log.empty()) out.transcript += "calls:\n" + log + (log.back() == '\n' ? "" : "\n");
  }
  return out;
}

void ScenarioRunner::Build(const Step& st, StepOutcome& out) {
  Model& m = host_->model();
  switch (st.kind) {
    case StepKind::Document: {
      double w = st.values.empty() ? 612 : static_cast<double>(st.values[0].Metric()) / 65536.0;
      double h = st.values.empty() ? 792 : static_cast<double>(st.values[1].Metric()) / 65536.0;
      if (w <= 0 || h <= 0 || w > 16000 || h > 16000)
        throw ScenarioError(st.file, st.line, "a page is 0 to 16000 pt wide and high");
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
  Snapshot before = m.TakeSnapshot();
  std::string selectionBefore = SelectionText();
  PageView viewBefore = options_.pictures ? View() : PageView{};
  bool describe = false;
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
        out.transcript += "selected " + st.refs[0].Text() + "\n";
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
        for (; i < ids.size(); ++i) {
          std::this_thread::sleep_for(std::chrono::milliseconds(host_->options().selectionStepMs));
          host_->AddToSelection(d, ids[i]);
        }
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
        what = "command " + std::to_string(st.values[0].Integer());
      }
      lastAlerts_.assign(host_->Alerts().begin() + static_cast<long>(alerts), host_->Alerts().end());
      lastPrompts_.assign(host_->Prompts().begin() + static_cast<long>(prompts), host_->Prompts().end());
      if (!r.found) {
        Fail(out, "no command " + what + " in the host's menus");
        break;
      }
      if (!r.enabled) out.transcript += "(command " + std::to_string(r.number) + " is disabled here)\n";
      for (const PromptRecord& p : lastPrompts_)
        out.transcript += "prompt: \"" + p.prompt + "\" [" + p.defaultText + "] -> " +
                          (p.answered ? std::to_string(p.answer) : std::string("cancelled")) + "\n";
      for (const AlertRecord& a : lastAlerts_)
        out.transcript += "alert (" + AlertKind(a.kind) + "): \"" + a.text + "\"\n";
      describe = true;
      break;
    }
    case StepKind::Answer:
      if (st.negate) {
        host_->CancelNextPrompt();
      } else {
        int64_t v = st.values[0].Integer();
        if (v < INT32_MIN || v > INT32_MAX) throw ScenarioError(st.file, st.line, "the answer is a 32-bit number");
        host_->AnswerNextPrompt(static_cast<int32_t>(v));
      }
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
      Value v;
      if (p == prop::TblColWidths) {
        std::vector<Metric> list;
        for (const Quantity& q : st.values) list.push_back(static_cast<Metric>(q.Metric()));
        v = Value::List(list);
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
        long s = std::strtol(st.items[0].c_str(), &end, 10);
        if (*end || s == 0) throw ScenarioError(st.file, st.line, "expected a nonzero status number");
        fault = Fault::Status(static_cast<int32_t>(s));
        at = 1;
      } else {
        throw ScenarioError(st.file, st.line, "expected a fault: busy, fail, status N or off");
      }
      if (at >= st.items.size()) {
        f.FailAll(fault);
        out.transcript += "every host operation now answers " + fault.ToString() + "\n";
      } else {
        int times = -1;
        if (at + 1 < st.items.size()) {
          char* end = nullptr;
          times = static_cast<int>(std::strtol(st.items[at + 1].c_str(), &end, 10));
          if (*end || times <= 0) throw ScenarioError(st.file, st.line, "expected a count of calls to fail");
        }
        f.FailOperation(st.items[at], fault, times);
        out.transcript += st.items[at] + " now answers " + fault.ToString() +
                          (times > 0 ? " (" + std::to_string(times) + " time(s))" : "") + "\n";
      }
      break;
    }
    case StepKind::Show:
      out.transcript += PageText(View());
      break;
    default:
      break;
  }
  if (describe) {
    lastCreated_ = 0;
    Snapshot after = m.TakeSnapshot();
    Describe(before, after, selectionBefore, out);
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
  return NameOf(id) + "." + ScenarioPropertyName(p);
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
      line = PropLabel(c.object, c.prop) + ": " + (c.before.empty() ? "(none)" : c.before) + " -> " +
             (c.after.empty() ? "(none)" : c.after);
    }
    // Ids inside values read as names.
    for (const auto& kv : byId_) {
      std::string id = FormatId(kv.first);
      for (size_t p = line.find(id); p != std::string::npos; p = line.find(id, p + kv.second.size())) {
        bool startOk = p == 0 || line[p - 1] == ' ' || line[p - 1] == '[' || line[p - 1] == ',';
        size_t e = p + id.size();
        bool endOk = e == line.size() || line[e] == ' ' || line[e] == ']' || line[e] == ',';
        if (!startOk || !endOk) continue;
        line.replace(p, id.size(), kv.second);
      }
    }
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
    case StepKind::ExpectPrompt: {
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
  int32_t p = ScenarioPropertyNumber(st.name, type);
  if (p == 0)
    throw ScenarioError(st.file, st.line, "unknown property '" + st.name + "' (" + ScenarioPropertyNames() + ")");
  Value v;
  if (p == prop::GridSpacing && type == obj::Document)
    v = Value::OfMetric(m.Doc(id)->grid);
  else
    v = m.Read(id, p);
  std::string what = st.refs[0].name + "." + st.name;
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
  std::vector<int64_t> want;
  for (const Quantity& q : st.values) want.push_back(metric ? q.Metric() : q.Integer());
  int64_t tol = metric ? st.tolerance.Metric() : st.tolerance.Integer();
  if (tol < 0) tol = -tol;
  bool ok = have.size() == want.size();
  for (size_t i = 0; ok && i < have.size(); ++i)
    if (std::llabs(have[i] - want[i]) > tol) ok = false;
  auto show = [&](const std::vector<int64_t>& xs) {
    std::string s;
    for (int64_t x : xs) s += (s.empty() ? "" : " ") + (metric ? PtText(x) : std::to_string(x));
    if (metric && xs.size() == 1) s += " (" + std::to_string(xs[0]) + "u)";
    return s;
  };
  if (ok)
    out.transcript += "ok: " + what + " = " + show(have) + "\n";
  else
    Fail(out, what + " is " + show(have) + ", expected " + show(want) +
                  (tol ? " within " + (metric ? PtText(tol) : std::to_string(tol)) : std::string()));
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
