// The expectations ("expect ..."), each read by a small handler that the word after "expect"
// finds in kExpectations; any other word starts OBJECT.PROPERTY = VALUE. A new expectation is
// a row there, a handler here and its docs.
#include "host/scenario/parse_line.h"

namespace zvhost {
namespace parser {

const LineParser::StepSyntax LineParser::kExpectations[] = {
    {"no", StepKind::ExpectAlert, &LineParser::ExpectNo},
    {"clipboard", StepKind::ExpectClipboard, &LineParser::ExpectClipboard},
    {"undo", StepKind::ExpectUndo, &LineParser::ExpectUndo},
    {"unchanged", StepKind::ExpectUnchanged, &LineParser::ExpectUnchanged},
    {"alert", StepKind::ExpectAlert, &LineParser::ExpectAlert},
    {"prompt", StepKind::ExpectPrompt, &LineParser::ExpectPrompt},
    {"console", StepKind::ExpectConsole, &LineParser::ExpectConsole},
    {"menu", StepKind::ExpectMenu, &LineParser::ExpectMenu},
    {"selection", StepKind::ExpectSelection, &LineParser::ExpectSelection},
    {"cells", StepKind::ExpectCells, &LineParser::ExpectCells},
    {"cursor", StepKind::ExpectCursor, &LineParser::ExpectCursor},
};

void LineParser::ExpectStep(Step& st) {
  if (Peek().kind == Tok::Word)
    for (const StepSyntax& k : kExpectations)
      if (std::string_view(Peek().text) == k.word) {
        ++pos_;
        st.kind = k.kind;
        (this->*k.read)(st);
        return;
      }
  st.kind = StepKind::ExpectProp;
  ExpectProp(st);
}

// expect no alert, expect no prompt
void LineParser::ExpectNo(Step& st) {
  if (AcceptWord("prompt")) {
    st.kind = StepKind::ExpectPrompt;
    st.word = "none";
  } else {
    ExpectKeyword("alert", "alert or prompt (expect no alert, expect no prompt)");
    st.negate = true;
  }
}

void LineParser::ExpectClipboard(Step& st) {
  ExpectPunct("=", "'= X Y WIDTH HEIGHT'");
  for (const char* what : {"the copied x", "the copied y", "the copied width", "the copied height"})
    st.values.push_back(Length(what));
}

void LineParser::ExpectUndo(Step& st) {
  if (AcceptWord("none"))
    st.negate = true;
  else
    st.refs.push_back(Ref("the object the next undo acts on, or none"));
}

void LineParser::ExpectUnchanged(Step& st) {
  while (!AtEnd()) st.refs.push_back(Ref("an object"));
}

void LineParser::ExpectAlert(Step& st) {
  if (AcceptWord("error"))
    st.word = "error";
  else if (AcceptWord("note"))
    st.word = "note";
  if (Peek().kind != Tok::String) Fail("the alert's text in double quotes", Peek());
  st.text = Next().text;
}

void LineParser::ExpectPrompt(Step& st) {
  if (Peek().kind != Tok::String) Fail("the prompt's text in double quotes", Peek());
  st.text = Next().text;
  if (AcceptWord("default")) {
    if (Peek().kind != Tok::String) Fail("the default answer in double quotes", Peek());
    st.text2 = Next().text;
    st.negate = true;  // a default is given
  }
}

void LineParser::ExpectConsole(Step& st) {
  if (Peek().kind != Tok::String) Fail("a text in double quotes that the console holds", Peek());
  st.text = Next().text;
}

// expect menu PATH [= ITEM | ITEM ...], read from the raw rest of the line.
void LineParser::ExpectMenu(Step& st) {
  size_t start = Peek().pos;
  std::string rest = line_.substr(start);
  size_t eq = rest.find('=');
  st.items = SplitPath(eq == std::string::npos ? rest : rest.substr(0, eq));
  if (eq != std::string::npos) {
    st.text = MenuItems(rest.substr(eq + 1));
    st.negate = true;  // an item list is given
  }
  SkipToEnd();
}

// "A | B | -" as "A\nB\n-", each item trimmed; an empty item is a bad line.
std::string LineParser::MenuItems(const std::string& list) {
  std::string text, cur;
  for (size_t i = 0; i <= list.size(); ++i) {
    if (i == list.size() || list[i] == '|') {
      size_t a = cur.find_first_not_of(" \t"), b = cur.find_last_not_of(" \t");
      if (a == std::string::npos) throw ScenarioError(file_, lineNo_, "empty item in the menu's item list");
      text += (text.empty() ? "" : "\n") + cur.substr(a, b - a + 1);
      cur.clear();
    } else {
      cur += list[i];
    }
  }
  return text;
}

void LineParser::ExpectSelection(Step& st) {
  AcceptPunct("=");
  if (AcceptWord("none")) {
    st.negate = true;
  } else {
    st.refs.push_back(Ref("an object, or none"));
    while (!AtEnd()) st.refs.push_back(Ref("an object"));
  }
}

void LineParser::ExpectCells(Step& st) {
  if (AcceptWord("none")) {
    st.negate = true;
  } else {
    st.refs.push_back(CellRef("TABLE[row,column]"));
    if (AcceptWord("to")) st.refs.push_back(CellRef("TABLE[row,column] after 'to'"));
  }
}

void LineParser::ExpectCursor(Step& st) {
  if (AcceptWord("none")) {
    st.negate = true;
  } else {
    ExpectKeyword("in", "in PARAGRAPH, or none");
    st.refs.push_back(Ref("a paragraph"));
  }
}

// expect OBJECT.PROPERTY =|!=|<|> VALUE... [within TOLERANCE], or = "text", or = word.
void LineParser::ExpectProp(Step& st) {
  if (Peek().kind != Tok::Word)
    Fail(
        "what to expect: OBJECT.PROPERTY = VALUE, selection, cells, cursor, alert, no alert, prompt, "
        "console or menu",
        Peek());
  PropTarget(st);
  if (AcceptPunct("!="))
    st.op = "!=";
  else if (AcceptPunct("<"))
    st.op = "<";
  else if (AcceptPunct(">"))
    st.op = ">";
  else
    ExpectPunct("=", "'=', '!=', '<' or '>' and the expected value");
  if (Peek().kind == Tok::String || (Peek().kind == Tok::Word && Peek().text != "within")) {
    // A text ("expect p.text = \"Figure 1\"") or a word ("expect g.kind = rect").
    st.word = Peek().kind == Tok::String ? "text" : "word";
    st.text = Next().text;
    if (st.op == "<" || st.op == ">") Fail("a number after '" + st.op + "'", toks_[pos_ - 1]);
  } else {
    ValueList(st);
    if (AcceptWord("within")) {
      st.tolerance = Length("a tolerance");
      if (st.tolerance.Metric() < 0 || st.tolerance.Integer() < 0)
        throw ScenarioError(file_, lineNo_, "a tolerance is 0 or more, found " + st.tolerance.Text());
    }
  }
}

}  // namespace parser
}  // namespace zvhost
