// The acting steps as a user does them: selecting, placing the cursor, answering prompts,
// closing, naming, showing, and the host faults a scenario plants; and what every acting step
// shares: the changes it made, described by name, with pictures before and after when kept.
#include <algorithm>
#include <cstdlib>

#include "host/model/text_lines.h"
#include "host/scenario/runner.h"
#include "host/scenario/runner_support.h"

namespace zvhost {

namespace {

// A page as it stands before a step: nothing marked as changed by the step before.
PageView Unmarked(PageView v) {
  v.previous.clear();
  for (PageItem& it : v.items) it.changed = false;
  return v;
}

}  // namespace

void ScenarioRunner::Act(const Step& st, StepOutcome& out, Handler run, bool changes) {
  Model& m = host_->model();
  changed_.clear();
  // The model notes what the step writes; a step that stops at an error leaves no watch behind.
  struct Watch {
    Model& m;
    ~Watch() { m.CancelChanges(); }
  } watch{m};
  if (changes) m.BeginChanges();
  std::string selectionBefore = changes ? SelectionText() : std::string();  // what Describe compares
  // The page before, read once and then kept up to date from step to step (see Pictures).
  if (options_.pictures && changes && !lastViewValid_) lastView_ = View(), lastViewValid_ = true;
  (this->*run)(st, out);
  if (changes)
    ReportChanges(st, out, selectionBefore);
  else if (st.kind == StepKind::Select || st.kind == StepKind::Deselect)
    lastViewValid_ = lastViewValid_ && Reselect(lastView_);
  else
    lastViewValid_ = false;
  // Console output from the module outside start-up is shown as it comes.
  const auto& writes = host_->ConsoleWrites();
  for (; consoleSeen_ < writes.size(); ++consoleSeen_) out.transcript += "console: " + writes[consoleSeen_] + "\n";
}

// After a command or "set": what changed, the undo record, and the pictures.
void ScenarioRunner::ReportChanges(const Step& st, StepOutcome& out, const std::string& selectionBefore) {
  lastCreated_ = 0;
  Snapshot before, after;
  host_->model().EndChanges(&before, &after);
  Describe(before, after, selectionBefore, out);
  // The undo record: what the command created, else what it read whole.
  if (st.kind == StepKind::Choose && lastCreated_)
    undo_ = lastCreated_;
  else if (st.kind == StepKind::Choose && host_->ReadAllCount() > readsBefore_)
    undo_ = host_->LastReadAllObject();
  // A command that ends silently (a cancelled prompt, a title it does not handle) says so.
  if (st.kind == StepKind::Choose && out.transcript.empty()) out.transcript = "no change\n";
  if (out.changed) Pictures(out);
}

// The pages before and after a changing step. The page is read from the model only after a
// step that changed more than the graphics' selection; a selection move marks the page kept
// from the step before anew, and gives its pages only when they are asked for (pictureMoves),
// so that a long walk through a crowded page costs no reading of the page.
void ScenarioRunner::Pictures(StepOutcome& out) {
  if (!options_.pictures || !lastViewValid_) {
    lastViewValid_ = false;
    return;
  }
  if (!out.reshaped) {
    if (options_.pictureMoves) out.viewBefore = Unmarked(lastView_);
    if (!Reselect(lastView_)) lastView_ = View();
    if (options_.pictureMoves) out.viewAfter = lastView_;
    return;
  }
  out.viewBefore = Unmarked(std::move(lastView_));
  out.viewAfter = View();
  // Where the changed objects were before, to be drawn dashed in the picture after.
  for (const PageItem& now : out.viewAfter.items) {
    if (!now.changed) continue;
    for (const PageItem& was : out.viewBefore.items)
      if (was.id == now.id && (was.x != now.x || was.y != now.y || was.w != now.w || was.h != now.h))
        out.viewAfter.previous.push_back(was);
  }
  lastView_ = out.viewAfter;
}

void ScenarioRunner::ActSelect(const Step& st, StepOutcome& out) {
  Model& m = host_->model();
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
    return;
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
}

void ScenarioRunner::ActSelectCells(const Step& st, StepOutcome& out) {
  Model& m = host_->model();
  ObjectId d = RequireDoc(st);
  ObjectId t = Resolve(st, ObjectRef{st.refs[0].name});
  if (TypeOf(t) != obj::Table) throw ScenarioError(st.file, st.line, "'" + Shown(st.refs[0].name) + "' is not a table");
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
}

void ScenarioRunner::ActDeselect(const Step& st, StepOutcome& out) {
  host_->ClearSelection(RequireDoc(st));
  out.transcript += "selected nothing\n";
}

void ScenarioRunner::ActCursor(const Step& st, StepOutcome& out) {
  ObjectId d = RequireDoc(st);
  ObjectId c = Resolve(st, st.refs[0]);
  int t = TypeOf(c);
  if (t != obj::Paragraph && t != obj::TextFrame && t != obj::Cell)
    throw ScenarioError(st.file, st.line, "the cursor stands in a paragraph, a text frame or a table cell");
  ObjectId p = FirstParagraph(c);
  int32_t offset = st.values.empty() ? 0 : static_cast<int32_t>(st.values[0].Integer());
  host_->PlaceCursor(d, p, offset);
  out.transcript += "cursor in " + NameOf(p) + "\n";
}

void ScenarioRunner::ActAnswer(const Step& st, StepOutcome&) {
  if (st.negate) {
    host_->CancelNextPrompt();
  } else {
    host_->AnswerNextPrompt(static_cast<int32_t>(st.values[0].Integer()));  // in range: see the parser
  }
  answers_.push_back(st.source + " (line " + std::to_string(st.line) + ")");
}

void ScenarioRunner::ActClose(const Step& st, StepOutcome& out) {
  Model& m = host_->model();
  ObjectId d = st.name.empty() ? RequireDoc(st) : Resolve(st, ObjectRef{st.name});
  if (!host_->CloseDocument(d)) throw ScenarioError(st.file, st.line, "no such open document");
  out.transcript += "closed " + NameOf(d) + "\n";
  if (d == doc_) {
    std::vector<ObjectId> docs = m.Documents();
    doc_ = docs.empty() ? 0 : docs.back();
    if (doc_) m.SetActiveDocument(doc_);
  }
}

void ScenarioRunner::ActName(const Step& st, StepOutcome& out) {
  Model& m = host_->model();
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
  if (names_.count(st.name)) throw ScenarioError(st.file, st.line, "the name '" + Shown(st.name) + "' is already used");
  std::string old = NameOf(id);
  if (byId_.count(id)) names_.erase(byId_[id]);
  names_[st.name] = id;
  byId_[id] = st.name;
  out.transcript += old + " is now called " + st.name + "\n";
}

void ScenarioRunner::ActShow(const Step&, StepOutcome& out) {
  out.transcript += ShowText();
}

void ScenarioRunner::ActFault(const Step& st, StepOutcome& out) {
  Faults& f = host_->faults();
  if (st.word == "off") {
    f.Clear();
    out.transcript += "faults cleared\n";
    return;
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
    const std::vector<std::string>& ops = HostOperations();
    if (std::find(ops.begin(), ops.end(), st.items[at]) == ops.end()) {
      std::string all;
      for (const std::string& o : ops) all += (all.empty() ? "" : ", ") + o;
      throw ScenarioError(st.file, st.line,
                          "no host operation '" + Shown(st.items[at]) + "'" + Nearest(st.items[at], ops) +
                              "; the operations are " + all);
    }
    if (at + 2 < st.items.size()) throw ScenarioError(st.file, st.line, "expected the end of the line after the count");
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
                      (times > 0 ? " (" + Plural(times, "time") + ")" : "") + "\n";
  }
}

}  // namespace zvhost
