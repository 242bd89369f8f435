// The building steps: a document, its grid, frames and graphics, paragraphs, anchored frames and
// tables, each made in the model directly (as the document would be before the user starts).
#include "host/model/lengths.h"
#include "host/scenario/runner.h"
#include "host/scenario/runner_support.h"

namespace zvhost {

// A length a building step takes lies in the host's range, as "set" would have it.
void ScenarioRunner::CheckLength(const Step& st, const std::string& what, const Quantity& q, bool size) const {
  if (!LengthInRange(q.Metric(), size))
    throw ScenarioError(st.file, st.line, what + " lies " + LengthRangeText(size) + ", found " + q.Text());
}

// The names are checked before anything is made, so a refused step leaves the page as it was.
void ScenarioRunner::CheckNewNames(const Step& st) const {
  for (const std::string* n : {&st.name, &st.titleName})
    if (!n->empty() && (names_.count(*n) || (n == &st.titleName && *n == st.name)))
      throw ScenarioError(st.file, st.line, "the name '" + Shown(*n) + "' is already used");
}

void ScenarioRunner::BuildDocument(const Step& st, StepOutcome&) {
  Model& m = host_->model();
  double w = st.values.empty() ? 612 : static_cast<double>(st.values[0].Metric()) / 65536.0;
  double h = st.values.empty() ? 792 : static_cast<double>(st.values[1].Metric()) / 65536.0;
  if (w <= 0 || h <= 0 || w > 16000 || h > 16000)
    throw ScenarioError(st.file, st.line, "a page is more than 0 and at most 16000 pt wide and high");
  ObjectId d = m.NewDocument(st.name, w, h);
  Define(st, st.name, d);
  m.SetActiveDocument(d);
  doc_ = d;
}

void ScenarioRunner::BuildGrid(const Step& st, StepOutcome&) {
  Model& m = host_->model();
  ObjectId d = RequireDoc(st);
  CheckLength(st, "grid", st.values[0], true);
  m.Doc(d)->grid = static_cast<Metric>(st.values[0].Metric());
}

void ScenarioRunner::BuildGraphic(const Step& st, StepOutcome&) {
  Model& m = host_->model();
  ObjectId d = RequireDoc(st);
  const char* const what[] = {"x", "y", "width", "height"};
  for (size_t i = 0; i < 4; ++i) CheckLength(st, what[i], st.values[i], i >= 2);
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
      throw ScenarioError(st.file, st.line, "'" + Shown(st.refs[0].name) + "' is not a frame (frame or anchored)");
    id = m.AddGraphic(f, type, g);
  }
  Define(st, st.name, id);
}

void ScenarioRunner::BuildParagraph(const Step& st, StepOutcome&) {
  Model& m = host_->model();
  ObjectId d = RequireDoc(st);
  ObjectId c = Resolve(st, st.refs[0]);
  if (TypeOf(c) != obj::TextFrame && TypeOf(c) != obj::Cell)
    throw ScenarioError(st.file, st.line, "'" + st.refs[0].Text() + "' is not a text frame or a table cell");
  const char* const what[] = {"left-indent", "first-indent", "right-indent"};
  for (size_t i = 0; i < st.values.size() && i < 3; ++i) CheckLength(st, what[i], st.values[i], false);
  ObjectId p = m.AddParagraph(c, st.text, static_cast<int32_t>(st.align.Integer()));
  Define(st, st.name, p);
  if (st.values.size() == 3) {
    m.Set(d, p, prop::ParaLeftIndent, Value::OfMetric(static_cast<Metric>(st.values[0].Metric())));
    m.Set(d, p, prop::ParaFirstIndent, Value::OfMetric(static_cast<Metric>(st.values[1].Metric())));
    m.Set(d, p, prop::ParaRightIndent, Value::OfMetric(static_cast<Metric>(st.values[2].Metric())));
  }
}

void ScenarioRunner::BuildAnchored(const Step& st, StepOutcome&) {
  Model& m = host_->model();
  RequireDoc(st);
  ObjectId p = Resolve(st, st.refs[0]);
  if (TypeOf(p) != obj::Paragraph)
    throw ScenarioError(st.file, st.line, "'" + Shown(st.refs[0].name) + "' is not a paragraph");
  CheckLength(st, "width", st.values[0], true);
  CheckLength(st, "height", st.values[1], true);
  Geometry g = GeometryFrom({Quantity(), Quantity(), st.values[0], st.values[1]}, 0);
  Define(st, st.name, m.AddAnchoredFrame(p, 0, g));
}

void ScenarioRunner::BuildTable(const Step& st, StepOutcome&) {
  Model& m = host_->model();
  RequireDoc(st);
  ObjectId p = Resolve(st, st.refs[0]);
  if (TypeOf(p) != obj::Paragraph)
    throw ScenarioError(st.file, st.line, "'" + Shown(st.refs[0].name) + "' is not a paragraph");
  if (st.values.size() > 200) throw ScenarioError(st.file, st.line, "a table has at most 200 columns");
  for (const Quantity& q : st.values) CheckLength(st, "a column width", q, true);
  if (st.marginA.present) CheckLength(st, "margin-a", st.marginA, true);
  if (st.marginB.present) CheckLength(st, "margin-b", st.marginB, true);
  if (st.indent.present) CheckLength(st, "left-indent", st.indent, false);
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
}

}  // namespace zvhost
