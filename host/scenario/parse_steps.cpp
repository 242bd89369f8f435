// The steps that build a page and act on it, each read by a small handler that the step's
// first word finds in kSteps. A new step kind is a row there, a handler here and its docs.
#include <cctype>

#include "host/scenario/parse_line.h"

namespace zvhost {
namespace parser {

// In the order the error message for an unknown step lists them.
const LineParser::StepSyntax LineParser::kSteps[] = {
    {"document", StepKind::Document, &LineParser::DocumentStep},
    {"grid", StepKind::Grid, &LineParser::GridStep},
    {"frame", StepKind::Frame, &LineParser::FrameStep},
    {"textframe", StepKind::Graphic, &LineParser::TextFrameStep},
    {"graphic", StepKind::Graphic, &LineParser::GraphicStep},
    {"paragraph", StepKind::Paragraph, &LineParser::ParagraphStep},
    {"anchored", StepKind::Anchored, &LineParser::AnchoredStep},
    {"table", StepKind::Table, &LineParser::TableStep},
    {"select", StepKind::Select, &LineParser::SelectStep},
    {"deselect", StepKind::Deselect, &LineParser::NoArguments},
    {"cursor", StepKind::Cursor, &LineParser::CursorStep},
    {"choose", StepKind::Choose, &LineParser::ChooseStep},
    {"command", StepKind::Choose, &LineParser::CommandStep},
    {"answer", StepKind::Answer, &LineParser::AnswerStep},
    {"close", StepKind::Close, &LineParser::CloseStep},
    {"set", StepKind::Set, &LineParser::SetStep},
    {"name", StepKind::Name, &LineParser::NameStep},
    {"fault", StepKind::Fault, &LineParser::FaultStep},
    {"show", StepKind::Show, &LineParser::NoArguments},
    {"expect", StepKind::ExpectProp, &LineParser::ExpectStep},
};

const std::string& LineParser::StepWords() {
  static const std::string words = [] {
    std::string s;
    for (const StepSyntax& k : kSteps) s += (s.empty() ? "" : ", ") + std::string(k.word);
    return "a step (" + s + ")";
  }();
  return words;
}

Step LineParser::Parse() {
  Step st;
  st.file = file_;
  st.line = lineNo_;
  st.source = line_;
  const std::string_view verb = ExpectWord("a step (document, frame, graphic, select, choose, expect ... )");
  const StepSyntax* found = nullptr;
  for (const StepSyntax& k : kSteps)
    if (verb == k.word) {
      found = &k;
      break;
    }
  if (!found) Fail(StepWords(), toks_[0]);
  st.kind = found->kind;
  (this->*found->read)(st);
  if (!AtEnd()) Fail("the end of the line", Peek());
  return st;
}

void LineParser::DocumentStep(Step& st) {
  st.name = Name("a document name");
  if (AcceptWord("page")) {
    st.values.push_back(Length("the page width"));
    st.values.push_back(Length("the page height"));
  }
}

void LineParser::GridStep(Step& st) {
  st.values.push_back(Length("the grid spacing"));
}

void LineParser::FrameStep(Step& st) {
  st.word = "frame";
  PlacedFrame(st);
}

void LineParser::TextFrameStep(Step& st) {
  st.word = "text";
  PlacedFrame(st);
}

void LineParser::PlacedFrame(Step& st) {
  st.name = Name("a name for the frame");
  Geometry(st);
  if (AcceptWord("in")) st.refs.push_back(Ref("the frame that holds it"));
}

void LineParser::Geometry(Step& st) {
  ExpectKeyword("at", "at X Y");
  st.values.push_back(Length("the x position"));
  st.values.push_back(Length("the y position"));
  ExpectKeyword("size", "size WIDTH HEIGHT");
  st.values.push_back(Length("the width"));
  st.values.push_back(Length("the height"));
}

void LineParser::GraphicStep(Step& st) {
  st.name = Name("a name for the graphic");
  const Token& k = Next();
  if (k.kind == Tok::Number) {
    int type = k.number >= 0 && k.number <= 23 ? static_cast<int>(k.number) : 0;  // far numbers: none
    if (k.number != type || ((type < 9 || type > 21) && type != 23)) Fail("a graphic kind from 9 to 21 (or 23)", k);
    st.word = GraphicKindName(type);
  } else if (k.kind == Tok::Word && GraphicKindByName(k.text) != 0) {
    st.word = k.text;
  } else {
    Fail("a graphic kind (" + GraphicKindNames() + ", or a number 9 to 21)", k);
  }
  Geometry(st);
  ExpectKeyword("in", "in FRAME");
  st.refs.push_back(Ref("the frame that holds it"));
}

void LineParser::ParagraphStep(Step& st) {
  st.name = Name("a name for the paragraph");
  ExpectKeyword("in", "in TEXTFRAME (or in TABLE[row,column])");
  st.refs.push_back(Ref("the text frame or table cell that holds it"));
  if (Peek().kind == Tok::String) st.text = Next().text;
  while (!AtEnd()) {
    if (AcceptWord("align")) {
      st.align = Code("an alignment code", 0, INT32_MAX);
    } else if (AcceptWord("indent")) {
      for (int i = 0; i < 3; ++i) st.values.push_back(Length("the left, first-line and right indents"));
    } else {
      Fail("align N or indent LEFT FIRST RIGHT", Peek());
    }
  }
}

void LineParser::AnchoredStep(Step& st) {
  st.name = Name("a name for the anchored frame");
  ExpectKeyword("size", "size WIDTH HEIGHT");
  st.values.push_back(Length("the width"));
  st.values.push_back(Length("the height"));
  ExpectKeyword("in", "in PARAGRAPH (where its anchor stands)");
  st.refs.push_back(Ref("the paragraph of the anchor"));
}

void LineParser::TableStep(Step& st) {
  st.name = Name("a name for the table");
  ExpectKeyword("in", "in PARAGRAPH (where its anchor stands)");
  st.refs.push_back(Ref("the paragraph of the table's anchor"));
  ExpectKeyword("columns", "columns WIDTH...");
  st.values.push_back(Length("a column width"));
  while (Peek().kind == Tok::Number) st.values.push_back(Length("a column width"));
  while (!AtEnd()) {
    if (AcceptWord("rows")) {
      st.rows = Index("a table's number of rows", 1, 1000);
    } else if (AcceptWord("margins")) {
      st.marginA = Length("the first cell margin");
      st.marginB = Length("the second cell margin");
    } else if (AcceptWord("indent")) {
      st.indent = Length("the table's left indent");
    } else if (AcceptWord("placement")) {
      st.placement = Code("a placement code", 0, INT32_MAX);
    } else if (AcceptWord("title")) {
      st.titleName = Name("a name for the title paragraph");
      if (Peek().kind == Tok::String) st.text = Next().text;
      if (AcceptWord("align")) st.align = Code("an alignment code", 0, INT32_MAX);
    } else {
      Fail("rows N, margins A B, indent I, placement K or title NAME \"text\" [align N]", Peek());
    }
  }
}

void LineParser::SelectStep(Step& st) {
  if (AcceptWord("cells")) {
    st.kind = StepKind::SelectCells;
    st.word = "cells";
    st.refs.push_back(CellRef("TABLE[row,column]"));
    if (AcceptWord("to")) st.refs.push_back(CellRef("TABLE[row,column] after 'to'"));
  } else if (AcceptWord("table")) {
    st.kind = StepKind::SelectCells;
    st.word = "table";
    st.refs.push_back(Ref("a table"));
  } else if (AcceptWord("row")) {
    st.kind = StepKind::SelectCells;
    st.word = "row";
    st.refs.push_back(Ref("TABLE[row]"));
    if (st.refs.back().row < 0 || st.refs.back().column >= 0) Fail("TABLE[row]", Peek());
  } else {
    st.refs.push_back(Ref("an object to select"));
    while (!AtEnd()) {
      bool together = AcceptPunct("+");
      st.refs.push_back(Ref("an object to select"));
      st.refs.back().together = together;
    }
  }
}

// deselect, show: the first word is the whole step.
void LineParser::NoArguments(Step&) {}

void LineParser::CursorStep(Step& st) {
  ExpectKeyword("in", "in PARAGRAPH (or in TEXTFRAME, or in TABLE[row,column])");
  st.refs.push_back(Ref("a paragraph, text frame or table cell"));
  if (AcceptWord("at")) st.values.push_back(Code("an offset in the text", 0, INT32_MAX));
}

void LineParser::ChooseStep(Step& st) {
  ChooseRest(st);
  SkipToEnd();
}

// The rest of the line after "choose": a shortcut or a menu path "Zorvan > Select > Label".
void LineParser::ChooseRest(Step& st) {
  size_t start = toks_[1].pos;
  std::string rest = line_.substr(start < line_.size() ? start : line_.size());
  while (!rest.empty() && std::isspace((unsigned char)rest.back())) rest.pop_back();
  if (rest.empty()) Fail("a menu path (Zorvan > Paste Graphic Pos) or a shortcut (\\!pgp)", toks_[1]);
  if (rest[0] == '\\' || rest[0] == '!') {
    if (rest.find_first_of(" \t>") != std::string::npos)
      throw ScenarioError(file_, lineNo_, "a shortcut is one word, for example \\!pgp");
    st.word = "shortcut";
    st.name = rest[0] == '!' ? "\\" + rest : rest;
    return;
  }
  st.word = "menu";
  st.items = SplitPath(rest);
  st.name = rest;
}

void LineParser::CommandStep(Step& st) {
  st.values.push_back(Code("a command number", 0, INT32_MAX));
}

void LineParser::AnswerStep(Step& st) {
  if (AcceptWord("cancel"))
    st.negate = true;
  else
    st.values.push_back(Code("a number to answer, or cancel", INT32_MIN, INT32_MAX));
}

void LineParser::CloseStep(Step& st) {
  if (!AtEnd()) st.name = Name("a document name");
}

void LineParser::SetStep(Step& st) {
  PropTarget(st);
  ExpectPunct("=", "'=' and a value");
  ValueList(st);
}

void LineParser::NameStep(Step& st) {
  st.name = Name("a new name");
  ExpectPunct("=", "'= selection' or '= created'");
  if (AcceptWord("selection"))
    st.word = "selection";
  else if (AcceptWord("created"))
    st.word = "created";
  else
    Fail("selection (the selected graphic) or created (what the last command created)", Peek());
}

void LineParser::FaultStep(Step& st) {
  st.word = ExpectWord("a fault (busy, fail, status, off)");
  while (!AtEnd()) {
    const Token& t = Next();
    if (t.kind == Tok::Punct) Fail("a word or number", t);
    st.items.push_back(t.text);
  }
}

}  // namespace parser
}  // namespace zvhost
