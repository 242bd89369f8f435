// The checks' host session and its rules, the check page, its selections and random pages.
#include "host/cli/check_session.h"

#include <algorithm>
#include <cstdio>

#include "host/scenario/scenario.h"

namespace zvhost {

namespace {

void CollectCommands(const Model& m, ObjectId menu, const std::string& path, std::vector<ModuleCommand>* out,
                     std::vector<ObjectId>* seen) {
  const Object* mu = m.Find(menu);
  if (!mu) return;
  for (ObjectId c : mu->children) {
    const Object* o = m.Find(c);
    if (!o) continue;
    const std::string p = path.empty() ? o->label : path + " > " + o->label;
    if (o->type == obj::Menu && std::find(seen->begin(), seen->end(), c) == seen->end()) {
      seen->push_back(c);  // a menu that holds itself is walked once
      CollectCommands(m, c, p, out, seen);
    } else if (o->type == obj::Command) {
      bool known = false;
      for (const ModuleCommand& k : *out) known = known || k.number == o->number;
      if (!known) out->push_back({o->number, p});
    }
  }
}

std::string HexText(HResult hr) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(hr));
  return buf;
}

}  // namespace

std::vector<ModuleCommand> MenuCommands(const Model& m) {
  std::vector<ModuleCommand> out;
  std::vector<ObjectId> seen{m.MainMenu()};
  CollectCommands(m, m.MainMenu(), "", &out, &seen);
  return out;
}

HostOptions CheckHostOptions(const CheckSettings& settings) {
  HostOptions o;
  o.modulePath = settings.module;
  o.selectionStepMs = 0;  // no waits; the module's own clock (any module: it may read none)
  return o;
}

CheckSession::CheckSession(CheckContext& c) : CheckSession(c, CheckHostOptions(c.settings())) {}

CheckSession::CheckSession(CheckContext& c, const HostOptions& options)
    : c_(c), host_(std::make_unique<Host>(options)) {}

std::string ReferencesNotBack(const RefAudit& audit) {
  std::string out;
  for (const RefCountEntry& e : audit.entries)
    if (e.now != e.atStart)
      out += (out.empty() ? "" : ", ") + e.name + " at " + std::to_string(e.now) + " (the host's own is " +
             std::to_string(e.atStart) + ")";
  return out;
}

bool CheckSession::Start() {
  c_.Step("start-up: loading the module, F_ApiClientInit, Initialize(1)");
  host_->options().initialize = false;
  if (!host_->Start()) {
    c_.Fail("expected the module to start, found: " + host_->LastError());
    return false;
  }
  const size_t bound = host_->Problems().size();
  const HResult hr = host_->Initialize(1);
  if (hr != hr::Ok) c_.Fail("Initialize(1): expected the event to answer 0 (S_OK), found " + HexText(hr));
  const std::vector<std::string> problems = host_->Problems();
  initializeProblems_.assign(problems.begin() + static_cast<std::ptrdiff_t>(bound), problems.end());
  problemsSeen_ = problems.size();
  commands_ = MenuCommands(host_->model());
  refs_ = host_->AuditReferences().entries;
  return hr == hr::Ok;
}

bool CheckSession::NoNewProblems(const std::string& when) {
  const std::vector<std::string> problems = host_->Problems();
  bool ok = problems.size() == problemsSeen_;
  for (size_t i = problemsSeen_; i < problems.size(); ++i)
    c_.Fail(when + ": expected no problem, the host noticed: " + problems[i]);
  problemsSeen_ = problems.size();
  return ok;
}

bool CheckSession::AfterEvent(const std::string& event, HResult hr, const std::string& when, bool faulted) {
  bool ok = NoNewProblems(event + " " + when);
  if (hr != 0) {
    c_.Fail(event + " " + when + ": expected the event to answer 0 (S_OK), found " + HexText(hr));
    ok = false;
  }
  const std::vector<RefCountEntry> now = host_->AuditReferences().entries;
  for (size_t i = 0; i < now.size() && i < refs_.size(); ++i) {
    if (now[i].now == refs_[i].now) continue;
    c_.Fail(event + " " + when + ": expected the module to give back the references it took, found " + now[i].name +
            " at " + std::to_string(now[i].now) + " (" + std::to_string(refs_[i].now) + " before)");
    ok = false;
  }
  refs_ = now;
  if (!faulted && host_->model().screenUpdates != 1) {
    c_.Fail(event + " " + when + ": expected screen updates on again after the event, found them off");
    host_->model().screenUpdates = 1;
    ok = false;
  }
  host_->DropPromptAnswers();  // an answer no prompt took is no fault of the module
  return ok;
}

bool CheckSession::Choose(const ModuleCommand& command, const std::string& when, bool faulted) {
  const std::string event = "Command(" + std::to_string(command.number) + ") " + command.path;
  c_.Step(event + " " + when);
  host_->log().Clear();  // the log holds one event's calls: what a crash report names
  const ChooseResult r = host_->ChooseCommand(command.number);
  return AfterEvent(event, r.hresult, when, faulted);
}

bool CheckSession::Finish(const std::string& when, unsigned audit) {
  bool ok = NoNewProblems(when + ", before the teardown");
  c_.Step("teardown: the host releases the event object, then unloads the module");
  host_->log().Clear();
  host_->Unload();
  if ((audit & Problems) && !NoNewProblems(when)) ok = false;
  const std::string refs = ReferencesNotBack(host_->AuditReferences());
  if ((audit & References) && !refs.empty()) {
    c_.Fail(when + ": expected every reference given back, found " + refs);
    ok = false;
  }
  const ListCounters lists = host_->Lists();
  if ((audit & Lists) && (lists.outstanding || lists.leaked)) {
    c_.Fail(when + ": expected every list the host returned given back, found " + std::to_string(lists.outstanding) +
            " of " + std::to_string(lists.returned) + " outstanding");
    ok = false;
  }
  return ok;
}

// ---- The check page ----

CheckPage BuildCheckPage(Host& host) {
  Model& m = host.model();
  CheckPage p;
  p.doc = m.NewDocument("check");
  m.SetActiveDocument(p.doc);
  m.SetGridSpacing(p.doc, 12);
  p.frame = m.AddFrame(p.doc, {36, 36, 468, 560});
  const struct {
    int type;
    Geometry g;
  } shapes[] = {{12, {10, 10, 60, 40}},  {11, {80, 20, 90, 50}},  {14, {180, 10, 100, 0}},
                {16, {290, 20, 70, 60}}, {13, {370, 20, 80, 40}}, {10, {10, 90, 50, 50}},
                {18, {80, 90, 100, 60}}, {9, {200, 90, 120, 80}}, {21, {340, 100, 60, 20}}};
  for (const auto& s : shapes) p.graphics.push_back(m.AddGraphic(p.frame, s.type, s.g));
  p.title = m.AddTextFrame(p.frame, {180, 180, 150, 24});
  m.AddParagraph(p.title, "Figure 1: Check", 1);
  p.graphics.push_back(p.title);
  p.body = m.AddTextFrame(p.frame, {10, 240, 440, 300});
  p.paragraph = m.AddParagraph(p.body, "Table anchor");
  TableSpec spec;
  spec.columnWidths = {100, 120, 80};
  spec.rows = 3;
  spec.leftIndent = 24;
  spec.title = true;
  p.table = m.AddTable(p.paragraph, spec);
  p.cellParagraph = m.AddParagraph(m.Cell(p.table, 1, 0), "cell");
  ObjectId figureAnchor = m.AddParagraph(p.body, "Figure anchor");
  ObjectId anchored = m.AddAnchoredFrame(figureAnchor, 0, {0, 0, 160, 80});
  p.graphics.push_back(m.AddRectangle(anchored, {10, 10, 60, 30}));
  return p;
}

const std::vector<PageSelection>& GraphicSelections() {
  static const std::vector<PageSelection> rows = {
      {"with a rectangle selected", [](Host& h, const CheckPage& p) { h.SelectGraphics(p.doc, {p.graphics[0]}); }},
      {"with an oval selected", [](Host& h, const CheckPage& p) { h.SelectGraphics(p.doc, {p.graphics[1]}); }},
      {"with a line selected", [](Host& h, const CheckPage& p) { h.SelectGraphics(p.doc, {p.graphics[2]}); }},
      {"with a group selected", [](Host& h, const CheckPage& p) { h.SelectGraphics(p.doc, {p.graphics[6]}); }},
      {"with a frame selected", [](Host& h, const CheckPage& p) { h.SelectGraphics(p.doc, {p.graphics[7]}); }},
      {"with a text frame selected", [](Host& h, const CheckPage& p) { h.SelectGraphics(p.doc, {p.title}); }},
      {"with an anchored graphic selected",
       [](Host& h, const CheckPage& p) { h.SelectGraphics(p.doc, {p.graphics.back()}); }},
      {"with a rectangle and the figure title selected, one after the other",
       [](Host& h, const CheckPage& p) {
         h.SelectInOrder(p.doc, {p.graphics[0], p.title});
       }},
      {"with three graphics selected in one action",
       [](Host& h, const CheckPage& p) {
         h.SelectGraphics(p.doc, {p.graphics[3], p.graphics[4], p.graphics[5]});
       }},
  };
  return rows;
}

const std::vector<PageSelection>& TableSelections() {
  static const std::vector<PageSelection> rows = {
      {"with the whole table selected", [](Host& h, const CheckPage& p) { h.SelectTable(p.doc, p.table); }},
      {"with a block of cells selected",
       [](Host& h, const CheckPage& p) { h.SelectCells(p.doc, p.table, 0, 1, 1, 2); }},
      {"with one cell selected", [](Host& h, const CheckPage& p) { h.SelectCells(p.doc, p.table, 2, 2, 0, 0); }},
      {"with the cursor in a cell", [](Host& h, const CheckPage& p) { h.PlaceCursor(p.doc, p.cellParagraph, 2); }},
      {"with the cursor in the table's anchor",
       [](Host& h, const CheckPage& p) { h.PlaceCursor(p.doc, p.paragraph, 0); }},
  };
  return rows;
}

// ---- Random pages ----

namespace {

int Between(std::mt19937& rng, int low, int high) {
  return low + static_cast<int>(rng() % static_cast<uint32_t>(high - low + 1));
}

void AddRandomTable(Model& m, ObjectId frame, std::mt19937& rng) {
  ObjectId text = m.AddTextFrame(frame, {double(Between(rng, 0, 40)), double(Between(rng, 100, 200)), 300, 150});
  ObjectId para = m.AddParagraph(text, "anchor", Between(rng, 0, 4));
  TableSpec spec;
  spec.columnWidths.clear();
  for (int i = Between(rng, 1, 4); i > 0; --i) spec.columnWidths.push_back(Between(rng, 0, 160));
  spec.rows = Between(rng, 1, 4);
  spec.marginA = Between(rng, 0, 12);
  spec.marginB = Between(rng, 0, 12);
  spec.leftIndent = Between(rng, 0, 60);
  spec.placement = Between(rng, 0, 2);
  spec.title = rng() % 2 == 0;
  spec.titleAlignment = Between(rng, 0, 4);
  ObjectId table = m.AddTable(para, spec);
  if (rng() % 2) m.AddParagraph(m.Cell(table, 0, 0), "cell");
  if (rng() % 2) m.AddAnchoredFrame(m.AddParagraph(text, "figure"), 0, {0, 0, 100, 50});
}

}  // namespace

ObjectId BuildRandomPage(Host& host, std::mt19937& rng) {
  Model& m = host.model();
  ObjectId doc = m.NewDocument("random");
  m.SetActiveDocument(doc);
  m.SetGridSpacing(doc, Between(rng, 0, 36));
  for (int f = Between(rng, 1, 3); f > 0; --f) {
    ObjectId frame = m.AddFrame(doc, {double(Between(rng, 0, 200)), double(Between(rng, 0, 300)), 400, 400});
    for (int g = Between(rng, 1, 8); g > 0; --g) {
      const int type = Between(rng, 9, 21);
      const Geometry geometry{double(Between(rng, -20, 380)), double(Between(rng, -20, 380)),
                              double(Between(rng, 0, 200)), double(Between(rng, 0, 120))};
      ObjectId made = m.AddGraphic(frame, type, geometry);
      if (type == obj::TextFrame) m.AddParagraph(made, "Figure 2: Random", Between(rng, 0, 4));
    }
    if (rng() % 2) AddRandomTable(m, frame, rng);
  }
  return doc;
}

std::string SelectAtRandom(Host& host, ObjectId doc, std::mt19937& rng) {
  Model& m = host.model();
  std::vector<ObjectId> graphics, paragraphs, tables;
  for (ObjectId id : m.ObjectsOf(doc)) {
    const int type = TypeOf(id);
    if (IsGraphicType(type)) graphics.push_back(id);
    if (type == obj::Paragraph) paragraphs.push_back(id);
    if (type == obj::Table) tables.push_back(id);
  }
  auto pick = [&rng](const std::vector<ObjectId>& from) { return from[rng() % from.size()]; };
  switch (rng() % 6) {
    case 1:
      if (graphics.empty()) break;
      host.SelectGraphics(doc, {pick(graphics)});
      return "with a random graphic selected";
    case 2:
    case 3: {
      if (graphics.empty()) break;
      std::vector<ObjectId> some;
      for (int n = Between(rng, 2, 4); n > 0; --n) some.push_back(pick(graphics));
      if (rng() % 2)
        host.SelectInOrder(doc, some);
      else
        host.SelectGraphics(doc, some);
      return "with random graphics selected";
    }
    case 4: {
      if (tables.empty()) break;
      ObjectId t = pick(tables);
      const Object* table = m.Find(t);
      const int rows = table ? static_cast<int>(table->children.size()) : 1;
      const int columns = m.Read(t, prop::TblColumnCount).word;
      const int top = Between(rng, 0, rows), left = Between(rng, 0, columns);
      host.SelectCells(doc, t, top, Between(rng, top, rows), left, Between(rng, left, columns));
      return "with random cells selected";
    }
    case 5:
      if (paragraphs.empty()) break;
      host.PlaceCursor(doc, pick(paragraphs), Between(rng, 0, 3));
      return "with the cursor in a random paragraph";
    default:
      break;
  }
  host.ClearSelection(doc);
  return "with nothing selected";
}

}  // namespace zvhost
