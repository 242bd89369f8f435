// Parser of the scenario language: one step per line, '#' starts a comment.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <string_view>
#include <unordered_map>

#include "host/scenario/scenario.h"
#include "host/model/text_lines.h"

namespace zvhost {

ScenarioError::ScenarioError(const std::string& f, int l, const std::string& what)
    : std::runtime_error(f + ":" + std::to_string(l) + ": " + what), file(f), line(l), detail(what) {}

int64_t Quantity::Metric() const {
  return static_cast<int64_t>(std::llround(points * 65536.0)) + units;
}

int64_t Quantity::Integer() const {
  return static_cast<int64_t>(points) + units;
}

std::string Quantity::Text() const {
  std::string s;
  if (points != 0 || units == 0) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.10g", points);
    s = buf;
  }
  if (units != 0) {
    if (!s.empty()) s += units < 0 ? " - " : " + ";
    s += std::to_string(!s.empty() && units < 0 ? -units : units) + "u";
  }
  return s;
}

std::string ObjectRef::Text() const {
  std::string s = name;
  if (row >= 0 && column >= 0)
    s += "[" + std::to_string(row) + "," + std::to_string(column) + "]";
  else if (row >= 0)
    s += "[" + std::to_string(row) + "]";
  return s;
}

namespace {

struct KindName {
  int type;
  const char* name;
};
// Graphic kinds 9 to 21 and the anchored frame, by the names a scenario uses.
const KindName kKinds[] = {{9, "frame"}, {10, "arc"},      {11, "oval"},     {12, "rect"},    {13, "roundrect"},
                           {14, "line"}, {15, "polyline"}, {16, "polygon"},  {17, "inset"},   {18, "group"},
                           {19, "text"}, {20, "textline"}, {21, "equation"}, {23, "anchored"}};

enum class Tok { Word, Number, String, Punct, End };

struct Token {
  Tok kind = Tok::End;
  std::string text;
  double number = 0;
  bool unitsSuffix = false;  // "u": raw metric units (in, mm and cm are converted to them)
  bool unit = false;         // any unit was written
  bool fraction = false;     // a decimal point was written
  size_t pos = 0;
};

class Lexer {
 public:
  Lexer(const std::string& line, const std::string& file, int lineNo) : s_(line), file_(file), line_(lineNo) {}

  std::vector<Token> Run() {
    std::vector<Token> out;
    out.reserve(12);
    size_t i = 0;
    while (i < s_.size()) {
      unsigned char c = static_cast<unsigned char>(s_[i]);
      if (std::isspace(c)) {
        ++i;
        continue;
      }
      Token t;
      t.pos = i;
      if (c == '"') {
        t.kind = Tok::String;
        ++i;
        bool closed = false;
        while (i < s_.size()) {
          if (s_[i] == '\\' && i + 1 < s_.size() && (s_[i + 1] == '"' || s_[i + 1] == '\\')) {
            t.text += s_[i + 1];
            i += 2;
          } else if (s_[i] == '"') {
            closed = true;
            ++i;
            break;
          } else {
            t.text += s_[i++];
          }
        }
        if (!closed) throw ScenarioError(file_, line_, "unterminated text: a closing \" is missing");
      } else if (std::isdigit(c) || (c == '.' && i + 1 < s_.size() && std::isdigit((unsigned char)s_[i + 1]))) {
        t.kind = Tok::Number;
        size_t start = i;
        while (i < s_.size() && (std::isdigit((unsigned char)s_[i]) || s_[i] == '.')) ++i;
        std::string num = s_.substr(start, i - start);
        if (num.find('.') != num.rfind('.')) throw ScenarioError(file_, line_, "bad number '" + num + "'");
        t.number = std::strtod(num.c_str(), nullptr);
        std::string suffix;
        while (i < s_.size() && std::isalpha((unsigned char)s_[i])) suffix += s_[i++];
        if (t.number > 1e12) throw ScenarioError(file_, line_, "number too large: " + num);
        t.fraction = num.find('.') != std::string::npos;
        if (suffix == "u") {
          if (t.fraction) throw ScenarioError(file_, line_, "metric units are whole numbers: '" + num + "u'");
          t.unitsSuffix = true;
        } else if (suffix == "in" || suffix == "mm" || suffix == "cm") {
          // Exact: 1 in = 72 pt = 72 * 65536 u, 1 in = 25.4 mm; rounded to the nearest unit.
          long double per = suffix == "in" ? 254.0L : suffix == "cm" ? 100.0L : 10.0L;  // tenths of a mm
          t.number =
              static_cast<double>(std::llroundl(std::strtold(num.c_str(), nullptr) * per * 72.0L * 65536.0L / 254.0L));
          t.unitsSuffix = true;
        } else if (!suffix.empty() && suffix != "pt") {
          throw ScenarioError(file_, line_,
                              "unknown unit '" + suffix + "' after " + num +
                                  " (units are pt, u, in, mm and cm; a name starts with a letter)");
        }
        t.unit = !suffix.empty();
        t.text = s_.substr(start, i - start);
      } else if (c == '!' && i + 1 < s_.size() && s_[i + 1] == '=') {
        t.kind = Tok::Punct;
        t.text = "!=";
        i += 2;
      } else if (std::isalpha(c) || c == '_' || c == '\\' || c == '!') {
        t.kind = Tok::Word;
        size_t start = i;
        while (i < s_.size()) {
          unsigned char d = static_cast<unsigned char>(s_[i]);
          if (d == '!' && i + 1 < s_.size() && s_[i + 1] == '=') break;
          if (!(std::isalnum(d) || d == '_' || d == '-' || d == '.' || d == '\\' || d == '!')) break;
          ++i;
        }
        t.text.assign(s_, start, i - start);
      } else if (std::string("[],=+-|<>:").find(static_cast<char>(c)) != std::string::npos) {
        t.kind = Tok::Punct;
        t.text = std::string(1, static_cast<char>(c));
        ++i;
      } else {
        char buf[8];
        if (std::isprint(c))
          std::snprintf(buf, sizeof buf, "'%c'", c);
        else
          std::snprintf(buf, sizeof buf, "0x%02X", c);
        throw ScenarioError(file_, line_, std::string("unexpected character ") + buf);
      }
      out.push_back(std::move(t));
    }
    Token end;
    end.pos = s_.size();
    out.push_back(end);
    return out;
  }

 private:
  const std::string& s_;
  const std::string& file_;
  int line_;
};

std::string Describe(const Token& t) {
  switch (t.kind) {
    case Tok::End:
      return "the end of the line";
    case Tok::String:
      return "text \"" + t.text + "\"";
    default:
      return "'" + t.text + "'";
  }
}

bool ValidName(const std::string& w) {
  if (w.empty() || !(std::isalpha((unsigned char)w[0]) || w[0] == '_')) return false;
  for (char c : w)
    if (!(std::isalnum((unsigned char)c) || c == '_' || c == '-')) return false;
  return true;
}

class LineParser {
 public:
  LineParser(const std::string& line, const std::string& file, int lineNo)
      : line_(line), file_(file), lineNo_(lineNo), toks_(Lexer(line, file, lineNo).Run()) {}

  Step Parse() {
    Step st;
    st.file = file_;
    st.line = lineNo_;
    st.source = line_;
    const std::string_view verb = ExpectWord("a step (document, frame, graphic, select, choose, expect ... )");
    if (verb == "document") {
      st.kind = StepKind::Document;
      st.name = Name("a document name");
      if (AcceptWord("page")) {
        st.values.push_back(Length("the page width"));
        st.values.push_back(Length("the page height"));
      }
    } else if (verb == "grid") {
      st.kind = StepKind::Grid;
      st.values.push_back(Length("the grid spacing"));
    } else if (verb == "frame" || verb == "textframe") {
      st.kind = verb == "frame" ? StepKind::Frame : StepKind::Graphic;
      st.word = verb == "frame" ? "frame" : "text";
      st.name = Name("a name for the frame");
      Geometry(st);
      if (AcceptWord("in")) st.refs.push_back(Ref("the frame that holds it"));
    } else if (verb == "graphic") {
      st.kind = StepKind::Graphic;
      st.name = Name("a name for the graphic");
      const Token& k = Next();
      if (k.kind == Tok::Number) {
        int type = static_cast<int>(k.number);
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
    } else if (verb == "paragraph") {
      st.kind = StepKind::Paragraph;
      st.name = Name("a name for the paragraph");
      ExpectKeyword("in", "in TEXTFRAME (or in TABLE[row,column])");
      st.refs.push_back(Ref("the text frame or table cell that holds it"));
      if (Peek().kind == Tok::String) st.text = Next().text;
      while (!AtEnd()) {
        if (AcceptWord("align")) {
          st.align = Code("an alignment code");
        } else if (AcceptWord("indent")) {
          for (int i = 0; i < 3; ++i) st.values.push_back(Length("the left, first-line and right indents"));
        } else {
          Fail("align N or indent LEFT FIRST RIGHT", Peek());
        }
      }
    } else if (verb == "anchored") {
      st.kind = StepKind::Anchored;
      st.name = Name("a name for the anchored frame");
      ExpectKeyword("size", "size WIDTH HEIGHT");
      st.values.push_back(Length("the width"));
      st.values.push_back(Length("the height"));
      ExpectKeyword("in", "in PARAGRAPH (where its anchor stands)");
      st.refs.push_back(Ref("the paragraph of the anchor"));
    } else if (verb == "table") {
      TableStep(st);
    } else if (verb == "select") {
      SelectStep(st);
    } else if (verb == "deselect") {
      st.kind = StepKind::Deselect;
    } else if (verb == "cursor") {
      st.kind = StepKind::Cursor;
      ExpectKeyword("in", "in PARAGRAPH (or in TEXTFRAME, or in TABLE[row,column])");
      st.refs.push_back(Ref("a paragraph, text frame or table cell"));
      if (AcceptWord("at")) st.values.push_back(Code("an offset in the text"));
    } else if (verb == "choose") {
      st.kind = StepKind::Choose;
      ChooseRest(st);
      return st;
    } else if (verb == "command") {
      st.kind = StepKind::Choose;
      st.values.push_back(Code("a command number"));
    } else if (verb == "answer") {
      st.kind = StepKind::Answer;
      if (AcceptWord("cancel"))
        st.negate = true;
      else
        st.values.push_back(Code("a number to answer, or cancel", true));
    } else if (verb == "close") {
      st.kind = StepKind::Close;
      if (!AtEnd()) st.name = Name("a document name");
    } else if (verb == "set") {
      st.kind = StepKind::Set;
      PropTarget(st);
      ExpectPunct("=", "'=' and a value");
      ValueList(st);
    } else if (verb == "name") {
      st.kind = StepKind::Name;
      st.name = Name("a new name");
      ExpectPunct("=", "'= selection' or '= created'");
      if (AcceptWord("selection"))
        st.word = "selection";
      else if (AcceptWord("created"))
        st.word = "created";
      else
        Fail("selection (the selected graphic) or created (what the last command created)", Peek());
    } else if (verb == "fault") {
      st.kind = StepKind::Fault;
      st.word = ExpectWord("a fault (busy, fail, status, off)");
      while (!AtEnd()) {
        const Token& t = Next();
        if (t.kind == Tok::Punct) Fail("a word or number", t);
        st.items.push_back(t.text);
      }
    } else if (verb == "show") {
      st.kind = StepKind::Show;
    } else if (verb == "expect") {
      ExpectStep(st);
      return st;
    } else {
      Fail(
          "a step (document, grid, frame, textframe, graphic, paragraph, anchored, table, select, deselect, "
          "cursor, choose, command, answer, close, set, name, fault, show, expect)",
          toks_[0]);
    }
    if (!AtEnd()) Fail("the end of the line", Peek());
    return st;
  }

 private:
  [[noreturn]] void Fail(const std::string& expected, const Token& got) const {
    throw ScenarioError(file_, lineNo_, "expected " + expected + ", found " + Describe(got));
  }
  const Token& Peek() const { return toks_[pos_]; }
  const Token& Next() {
    const Token& t = toks_[pos_];
    if (t.kind != Tok::End) ++pos_;
    return t;
  }
  bool AtEnd() const { return Peek().kind == Tok::End; }
  bool AcceptWord(const char* w) {
    if (Peek().kind == Tok::Word && std::string_view(Peek().text) == w) {
      ++pos_;
      return true;
    }
    return false;
  }
  bool AcceptPunct(const char* p) {
    if (Peek().kind == Tok::Punct && std::string_view(Peek().text) == p) {
      ++pos_;
      return true;
    }
    return false;
  }
  void ExpectKeyword(const char* w, const char* what) {
    if (!AcceptWord(w)) Fail(what, Peek());
  }
  void ExpectPunct(const char* p, const char* what) {
    if (!AcceptPunct(p)) Fail(what, Peek());
  }
  const std::string& ExpectWord(const char* what) {
    const Token& t = Next();
    if (t.kind != Tok::Word) Fail(what, t);
    return t.text;
  }
  std::string Name(const char* what) {
    const Token& t = Next();
    if (t.kind != Tok::Word || !ValidName(t.text)) Fail(std::string(what) + " (letters, digits, _ and -)", t);
    return t.text;
  }
  Quantity Number(const char* what) {
    Quantity q;
    const Token& t = Next();
    if (t.kind != Tok::Number) Fail(what, t);
    if (t.unitsSuffix)
      q.units = static_cast<int64_t>(t.number);
    else
      q.points = t.number;
    q.present = true;
    q.unitWritten = t.unit;
    q.fraction = t.fraction;
    return q;
  }
  // A whole number without a unit: codes, counts, offsets, answers.
  Quantity Code(const char* what, bool allowSign = false) {
    const Token& t = Peek();
    Quantity q = allowSign ? SignedNumber(what) : Number(what);
    if (q.unitWritten || q.fraction)
      throw ScenarioError(file_, lineNo_,
                          "expected " + std::string(what) + " (a whole number without a unit), found '" + t.text + "'");
    return q;
  }
  Quantity SignedNumber(const char* what) {
    bool neg = AcceptPunct("-");
    Quantity q = Number(what);
    if (neg) {
      q.points = -q.points;
      q.units = -q.units;
    }
    return q;
  }
  // A sum: "110pt + 928856u", "-5", "468 - 300 - 36".
  Quantity Length(const char* what) {
    Quantity q = SignedNumber(what);
    while (Peek().kind == Tok::Punct && (Peek().text == "+" || Peek().text == "-")) {
      // "100 -5" is two values; "100 - 5" and "100-5" are one.
      const Token& prev = toks_[pos_ - 1];
      if (Peek().text == "-" && Peek().pos > prev.pos + prev.text.size() && toks_[pos_ + 1].pos == Peek().pos + 1)
        break;
      bool minus = Next().text == "-";
      Quantity r = Number(minus ? "a number after '-'" : "a number after '+'");
      q.points += minus ? -r.points : r.points;
      q.units += minus ? -r.units : r.units;
      q.unitWritten = q.unitWritten || r.unitWritten;
      q.fraction = q.fraction || r.fraction;
    }
    return q;
  }
  int Index(const char* what) {
    const Token& t = Next();
    if (t.kind != Tok::Number || t.unitsSuffix || t.number != static_cast<int>(t.number) || t.number > 100000)
      Fail(what, t);
    return static_cast<int>(t.number);
  }
  ObjectRef Ref(const char* what) {
    ObjectRef r;
    r.name = Name(what);
    if (AcceptPunct("[")) {
      r.row = Index("a row index (0 = first row)");
      if (AcceptPunct(",")) r.column = Index("a column index (0 = first column)");
      ExpectPunct("]", "']'");
    }
    return r;
  }
  void Geometry(Step& st) {
    ExpectKeyword("at", "at X Y");
    st.values.push_back(Length("the x position"));
    st.values.push_back(Length("the y position"));
    ExpectKeyword("size", "size WIDTH HEIGHT");
    st.values.push_back(Length("the width"));
    st.values.push_back(Length("the height"));
  }
  void TableStep(Step& st) {
    st.kind = StepKind::Table;
    st.name = Name("a name for the table");
    ExpectKeyword("in", "in PARAGRAPH (where its anchor stands)");
    st.refs.push_back(Ref("the paragraph of the table's anchor"));
    ExpectKeyword("columns", "columns WIDTH...");
    st.values.push_back(Length("a column width"));
    while (Peek().kind == Tok::Number) st.values.push_back(Length("a column width"));
    while (!AtEnd()) {
      if (AcceptWord("rows")) {
        st.rows = Index("a number of rows");
        if (st.rows < 1 || st.rows > 1000) throw ScenarioError(file_, lineNo_, "a table has 1 to 1000 rows");
      } else if (AcceptWord("margins")) {
        st.marginA = Length("the first cell margin");
        st.marginB = Length("the second cell margin");
      } else if (AcceptWord("indent")) {
        st.indent = Length("the table's left indent");
      } else if (AcceptWord("placement")) {
        st.placement = Code("a placement code");
      } else if (AcceptWord("title")) {
        st.titleName = Name("a name for the title paragraph");
        if (Peek().kind == Tok::String) st.text = Next().text;
        if (AcceptWord("align")) st.align = Code("an alignment code");
      } else {
        Fail("rows N, margins A B, indent I, placement K or title NAME \"text\" [align N]", Peek());
      }
    }
  }
  void SelectStep(Step& st) {
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
      st.kind = StepKind::Select;
      st.refs.push_back(Ref("an object to select"));
      while (!AtEnd()) {
        bool together = AcceptPunct("+");
        st.refs.push_back(Ref("an object to select"));
        st.refs.back().together = together;
      }
    }
  }
  ObjectRef CellRef(const char* what) {
    ObjectRef r = Ref(what);
    if (r.row < 0 || r.column < 0) Fail(what, toks_[pos_ > 0 ? pos_ - 1 : 0]);
    return r;
  }
  void PropTarget(Step& st) {
    const Token& t = Next();
    size_t dot = t.text.rfind('.');
    if (t.kind != Tok::Word || dot == std::string::npos || dot == 0 || dot + 1 == t.text.size())
      Fail("OBJECT.PROPERTY (for example fig.x)", t);
    ObjectRef r;
    r.name = t.text.substr(0, dot);
    st.name = t.text.substr(dot + 1);
    if (r.name.find('.') != std::string::npos || !ValidName(r.name)) Fail("OBJECT.PROPERTY", t);
    st.refs.push_back(r);
  }
  void ValueList(Step& st) {
    st.values.push_back(Length("a value"));
    while (Peek().kind == Tok::Number ||
           (Peek().kind == Tok::Punct && Peek().text == "-" && toks_[pos_ + 1].kind == Tok::Number))
      st.values.push_back(Length("a value"));
  }
  // The rest of the line after "choose": a shortcut or a menu path "Zorvan > Select > Label".
  void ChooseRest(Step& st) {
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
  std::vector<std::string> SplitPath(const std::string& rest) {
    std::vector<std::string> parts;
    std::string cur;
    for (size_t i = 0; i <= rest.size(); ++i) {
      if (i == rest.size() || rest[i] == '>') {
        size_t a = cur.find_first_not_of(" \t"), b = cur.find_last_not_of(" \t");
        std::string part = a == std::string::npos ? "" : cur.substr(a, b - a + 1);
        if (part.empty()) throw ScenarioError(file_, lineNo_, "empty item in menu path '" + rest + "'");
        parts.push_back(part);
        cur.clear();
      } else {
        cur += rest[i];
      }
    }
    return parts;
  }
  void ExpectStep(Step& st) {
    if (AcceptWord("no")) {
      if (AcceptWord("prompt")) {
        st.kind = StepKind::ExpectPrompt;
        st.word = "none";
      } else {
        ExpectKeyword("alert", "alert or prompt (expect no alert, expect no prompt)");
        st.kind = StepKind::ExpectAlert;
        st.negate = true;
      }
    } else if (AcceptWord("clipboard")) {
      st.kind = StepKind::ExpectClipboard;
      ExpectPunct("=", "'= X Y WIDTH HEIGHT'");
      for (const char* what : {"the copied x", "the copied y", "the copied width", "the copied height"})
        st.values.push_back(Length(what));
    } else if (AcceptWord("undo")) {
      st.kind = StepKind::ExpectUndo;
      if (AcceptWord("none"))
        st.negate = true;
      else
        st.refs.push_back(Ref("the object the next undo acts on, or none"));
    } else if (AcceptWord("unchanged")) {
      st.kind = StepKind::ExpectUnchanged;
      while (!AtEnd()) st.refs.push_back(Ref("an object"));
    } else if (AcceptWord("alert")) {
      st.kind = StepKind::ExpectAlert;
      if (AcceptWord("error"))
        st.word = "error";
      else if (AcceptWord("note"))
        st.word = "note";
      if (Peek().kind != Tok::String) Fail("the alert's text in double quotes", Peek());
      st.text = Next().text;
    } else if (AcceptWord("prompt")) {
      st.kind = StepKind::ExpectPrompt;
      if (Peek().kind != Tok::String) Fail("the prompt's text in double quotes", Peek());
      st.text = Next().text;
      if (AcceptWord("default")) {
        if (Peek().kind != Tok::String) Fail("the default answer in double quotes", Peek());
        st.text2 = Next().text;
        st.negate = true;  // a default is given
      }
    } else if (AcceptWord("console")) {
      st.kind = StepKind::ExpectConsole;
      if (Peek().kind != Tok::String) Fail("a text in double quotes that the console holds", Peek());
      st.text = Next().text;
    } else if (AcceptWord("menu")) {
      st.kind = StepKind::ExpectMenu;
      size_t start = Peek().pos;
      std::string rest = line_.substr(start);
      size_t eq = rest.find('=');
      st.items = SplitPath(eq == std::string::npos ? rest : rest.substr(0, eq));
      if (eq != std::string::npos) {
        std::string list = rest.substr(eq + 1);
        std::string cur;
        for (size_t i = 0; i <= list.size(); ++i) {
          if (i == list.size() || list[i] == '|') {
            size_t a = cur.find_first_not_of(" \t"), b = cur.find_last_not_of(" \t");
            if (a == std::string::npos) throw ScenarioError(file_, lineNo_, "empty item in the menu's item list");
            st.text += (st.text.empty() ? "" : "\n") + cur.substr(a, b - a + 1);
            cur.clear();
          } else {
            cur += list[i];
          }
        }
        st.negate = true;  // an item list is given
      }
      return;
    } else if (AcceptWord("selection")) {
      st.kind = StepKind::ExpectSelection;
      AcceptPunct("=");
      if (AcceptWord("none")) {
        st.negate = true;
      } else {
        st.refs.push_back(Ref("an object, or none"));
        while (!AtEnd()) st.refs.push_back(Ref("an object"));
      }
    } else if (AcceptWord("cells")) {
      st.kind = StepKind::ExpectCells;
      if (AcceptWord("none")) {
        st.negate = true;
      } else {
        st.refs.push_back(CellRef("TABLE[row,column]"));
        if (AcceptWord("to")) st.refs.push_back(CellRef("TABLE[row,column] after 'to'"));
      }
    } else if (AcceptWord("cursor")) {
      st.kind = StepKind::ExpectCursor;
      if (AcceptWord("none")) {
        st.negate = true;
      } else {
        ExpectKeyword("in", "in PARAGRAPH, or none");
        st.refs.push_back(Ref("a paragraph"));
      }
    } else {
      st.kind = StepKind::ExpectProp;
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
        if (AcceptWord("within")) st.tolerance = Length("a tolerance");
      }
    }
    if (!AtEnd()) Fail("the end of the line", Peek());
  }

  const std::string& line_;
  const std::string& file_;
  int lineNo_;
  std::vector<Token> toks_;
  size_t pos_ = 0;
};

// Where a comment starts: '#' outside double quotes (the line's size when there is none).
size_t CommentAt(const std::string& line) {
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\\' && quoted && i + 1 < line.size()) {
      ++i;
    } else if (line[i] == '"') {
      quoted = !quoted;
    } else if (line[i] == '#' && !quoted) {
      return i;
    }
  }
  return line.size();
}

// Parses one line into `step`; false for an empty or comment line.
bool ParseLine(const std::string& raw, const std::string& file, int lineNo, Step* step) {
  size_t end = CommentAt(raw);
  if (end > 0 && raw[end - 1] == '\r') --end;
  size_t a = raw.find_first_not_of(" \t\r");
  if (a == std::string::npos || a >= end) return false;
  size_t b = raw.find_last_not_of(" \t\r", end - 1);
  std::string line = raw.substr(a, b - a + 1);
  for (unsigned char c : line)
    if (c == 0) throw ScenarioError(file, lineNo, "unexpected NUL byte");
  *step = LineParser(line, file, lineNo).Parse();
  return true;
}

}  // namespace

bool IsExpectation(StepKind kind) {
  switch (kind) {
    case StepKind::ExpectProp:
    case StepKind::ExpectSelection:
    case StepKind::ExpectCells:
    case StepKind::ExpectCursor:
    case StepKind::ExpectAlert:
    case StepKind::ExpectPrompt:
    case StepKind::ExpectConsole:
    case StepKind::ExpectMenu:
    case StepKind::ExpectUnchanged:
    case StepKind::ExpectClipboard:
    case StepKind::ExpectUndo:
      return true;
    default:
      return false;
  }
}

int GraphicKindByName(const std::string& word) {
  for (const auto& k : kKinds)
    if (word == k.name) return k.type;
  return 0;
}

std::string GraphicKindName(int type) {
  for (const auto& k : kKinds)
    if (type == k.type) return k.name;
  return "type " + std::to_string(type);
}

std::string GraphicKindNames() {
  std::string s;
  for (const auto& k : kKinds) {
    if (k.type == 23) continue;
    s += (s.empty() ? "" : ", ") + std::string(k.name);
  }
  return s;
}

std::vector<Step> ParseScenarioLine(const std::string& raw, const std::string& file, int lineNo) {
  Step st;
  if (!ParseLine(raw, file, lineNo, &st)) return {};
  return {std::move(st)};
}

namespace {

// Walks the steps of a text; `each` gets each step, or null for a line parsed before when
// `copies` is false (a check needs no copy of it). A long scenario says the same lines over
// and over: a step depends on its line's text alone (and the line number), so the first few
// thousand short lines are parsed once each.
template <typename Each>
void WalkSteps(const std::string& text, const std::string& file, bool copies, Each each) {
  constexpr size_t kKeptLines = 4096, kKeptLength = 200;
  std::unordered_map<std::string, Step> parsed;
  int n = 0;
  Step st;
  ForEachLine(text, [&](std::string& line) {
    ++n;
    if (n == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);  // a UTF-8 byte-order mark
    auto known = parsed.find(line);
    if (known != parsed.end()) {
      if (!copies) return each(nullptr);
      st = known->second;
      st.line = n;
      return each(&st);
    }
    if (!ParseLine(line, file, n, &st)) return true;
    if (parsed.size() < kKeptLines && line.size() <= kKeptLength) parsed.emplace(std::move(line), st);
    return each(&st);
  });
}

}  // namespace

void ForEachStep(const std::string& text, const std::string& file, const std::function<bool(Step&)>& each) {
  WalkSteps(text, file, true, [&each](Step* st) { return each(*st); });
}

size_t CheckScenario(const std::string& text, const std::string& file) {
  size_t steps = 0;
  WalkSteps(text, file, false, [&steps](Step*) { return ++steps > 0; });
  return steps;
}

std::vector<Step> ParseScenario(const std::string& text, const std::string& file) {
  std::vector<Step> steps;
  ForEachStep(text, file, [&](Step& s) {
    steps.push_back(std::move(s));
    return true;
  });
  return steps;
}

}  // namespace zvhost
