// The steps that change the document: choosing a command (with its prompts, alerts and what it
// copied) and setting a property.
#include <algorithm>

#include "host/model/lengths.h"
#include "host/model/text_lines.h"
#include "host/scenario/runner.h"
#include "host/scenario/runner_support.h"

namespace zvhost {

void ScenarioRunner::ChangeChoose(const Step& st, StepOutcome& out) {
  Model& m = host_->model();
  size_t alerts = host_->Alerts().size(), prompts = host_->Prompts().size(), refused = m.RefusedWrites().size();
  readsBefore_ = host_->ReadAllCount();
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
  for (const AlertRecord& a : lastAlerts_) out.transcript += "alert (" + AlertKind(a.kind) + "): \"" + a.text + "\"\n";
  // What the host would not store: the object keeps its value, the module sees a nonzero status.
  for (size_t i = refused; i < m.RefusedWrites().size(); ++i) {
    const RefusedWrite& w = m.RefusedWrites()[i];
    const bool size = IsSizeProp(w.prop);  // column widths too
    out.transcript += "refused by the host: " + PropLabel(w.object, w.prop) + " = " + w.value.Format() + " (" +
                      (size ? "a size" : "a position") + " lies " + LengthRangeText(size) + ")\n";
  }
  UnusedAnswers(out, lastPrompts_.empty() ? "the command asked nothing" : "the command asked fewer prompts");
  std::vector<ObjectId> selection = m.Exists(doc_) ? m.SelectedGraphics(doc_) : std::vector<ObjectId>{};
  ObjectId copied = selection.empty() ? 0 : selection[0];
  // The clipboard the host shows is what the module's own "Copy Graphic Props", found by the
  // label it gave its command, read from the selected graphic.
  const Object* command = m.Find(m.CommandByNumber(r.number));
  const bool copy = command && command->label == "Copy Graphic Props";
  if (copy && r.delivered && lastAlerts_.empty() && copied) {
    const int32_t keys[4] = {prop::PosX, prop::PosY, prop::Width, prop::Height};
    std::string text;
    for (int i = 0; i < 4; ++i) {
      clipboard_[i] = m.Read(copied, keys[i]).word;
      text += (i ? " " : "") + PtText(clipboard_[i]);
    }
    out.transcript += "clipboard: " + text + " (x y width height of " + NameOf(copied) + ")\n";
  }
}

void ScenarioRunner::ChangeSet(const Step& st, StepOutcome&) {
  Model& m = host_->model();
  ObjectId d = RequireDoc(st);
  ObjectId id = Resolve(st, st.refs[0]);
  int32_t p = ScenarioPropertyNumber(st.name, TypeOf(id));
  if (p == 0)
    throw ScenarioError(st.file, st.line,
                        "unknown property '" + Shown(st.name) + "' (" + ScenarioPropertyNames() + ")");
  if (!st.word.empty()) throw ScenarioError(st.file, st.line, "set takes a number: " + st.name + " is not a text");
  bool list = p == prop::TblColWidths;
  if (!list && st.values.size() != 1)
    throw ScenarioError(st.file, st.line, st.name + " takes one value, found " + std::to_string(st.values.size()));
  for (const Quantity& q : st.values) {
    if (list || IsMetricProp(p)) {
      CheckLength(st, st.name, q, list || IsSizeProp(p));
    } else {
      CheckCode(st, q);
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
}

}  // namespace zvhost
