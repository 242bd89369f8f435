// The expectations: each reads the model or what the last command did, and says "ok" or why
// not. None changes the document.
#include <algorithm>
#include <cstdlib>
#include <set>

#include "host/model/text_lines.h"
#include "host/scenario/runner.h"
#include "host/scenario/runner_support.h"

namespace zvhost {

namespace {

// The expectation as written, without "expect ".
std::string Said(const Step& st) {
  return st.source.substr(std::min<size_t>(7, st.source.size()));
}

}  // namespace

void ScenarioRunner::ExpectSelection(const Step& st, StepOutcome& out) {
  Model& m = host_->model();
  const std::string what = Said(st);
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
}

void ScenarioRunner::ExpectCells(const Step& st, StepOutcome& out) {
  Model& m = host_->model();
  const std::string what = Said(st);
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
}

void ScenarioRunner::ExpectCursor(const Step& st, StepOutcome& out) {
  Model& m = host_->model();
  const std::string what = Said(st);
  ObjectId d = RequireDoc(st);
  const TextRange& r = m.Doc(d)->textSelection;
  bool ok = st.negate ? r.begin.object == 0 : (r.begin.object == FirstParagraph(Resolve(st, st.refs[0])));
  if (ok)
    out.transcript += "ok: " + what + "\n";
  else
    Fail(out, what + ": text selection begins in " + (r.begin.object ? NameOf(r.begin.object) : "nothing"));
}

void ScenarioRunner::ExpectAlert(const Step& st, StepOutcome& out) {
  const std::string what = Said(st);
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
}

void ScenarioRunner::ExpectClipboard(const Step& st, StepOutcome& out) {
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
}

void ScenarioRunner::ExpectUndo(const Step& st, StepOutcome& out) {
  Model& m = host_->model();
  const std::string what = Said(st);
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
}

void ScenarioRunner::ExpectUnchanged(const Step& st, StepOutcome& out) {
  const std::string what = Said(st);
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
}

void ScenarioRunner::ExpectPrompt(const Step& st, StepOutcome& out) {
  const std::string what = Said(st);
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
}

void ScenarioRunner::ExpectConsole(const Step& st, StepOutcome& out) {
  const std::string what = Said(st);
  if (host_->ConsoleText().find(st.text) != std::string::npos)
    out.transcript += "ok: " + what + "\n";
  else
    Fail(out, what + ": the console does not hold it");
}

// "ok: x.width = 10pt" or "x.width is 10pt, expected 12pt" (with the comparison when not "=").
void ScenarioRunner::PropertyVerdict(const Step& st, StepOutcome& out, bool ok, const std::string& have,
                                     const std::string& want) {
  std::string what = st.refs[0].Text() + "." + st.name;
  std::string op = st.op == "=" ? "" : st.op + " ";
  if (ok)
    out.transcript +=
        "ok: " + what + (st.op == "=" ? " = " : " is ") + have + (st.op == "=" ? "" : ", " + op + want) + "\n";
  else
    Fail(out, what + " is " + have + ", expected " + op + want);
}

// Words and texts: the kind of an object, the text of a paragraph (of a text frame or a cell:
// its first paragraph).
void ScenarioRunner::ExpectWord(const Step& st, StepOutcome& out, ObjectId id) {
  Model& m = host_->model();
  int type = TypeOf(id);
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
  PropertyVerdict(st, out, st.op == "=" ? same : !same, show, st.name == "text" ? "\"" + st.text + "\"" : st.text);
}

void ScenarioRunner::ExpectProperty(const Step& st, StepOutcome& out) {
  Model& m = host_->model();
  ObjectId id = Resolve(st, st.refs[0]);
  if (st.name == "text" || st.name == "kind") return ExpectWord(st, out, id);
  int type = TypeOf(id);
  std::string what = st.refs[0].Text() + "." + st.name;
  int32_t p = ScenarioPropertyNumber(st.name, type);
  if (p == 0)
    throw ScenarioError(st.file, st.line,
                        "unknown property '" + Shown(st.name) + "' (" + ScenarioPropertyNames() + ")");
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
  PropertyVerdict(st, out, ok, show(have),
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
    out.transcript +=
        "ok: menu " + path + " holds its " + Plural(static_cast<int>(cur->children.size()), "item") + "\n";
  } else {
    std::string h = have, w = st.text;
    std::replace(h.begin(), h.end(), '\n', '|');
    std::replace(w.begin(), w.end(), '\n', '|');
    Fail(out, "menu " + path + " holds: " + h + "\n        expected: " + w);
  }
}

}  // namespace zvhost
