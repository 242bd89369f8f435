// The line parser's readers: what a step's handler takes from the tokens (names, numbers,
// lengths, codes, object references, menu paths), each failing with what was expected there.
#include "host/scenario/parse_line.h"

#include <cctype>

#include "host/scenario/runner.h"

namespace zvhost {
namespace parser {

bool ValidName(const std::string& w) {
  if (w.empty() || !(std::isalpha((unsigned char)w[0]) || w[0] == '_')) return false;
  for (char c : w)
    if (!(std::isalnum((unsigned char)c) || c == '_' || c == '-')) return false;
  return true;
}

void LineParser::Fail(const std::string& expected, const Token& got) const {
  throw ScenarioError(file_, lineNo_, "expected " + expected + ", found " + Describe(got));
}

const std::string& LineParser::ExpectWord(const char* what) {
  const Token& t = Next();
  if (t.kind != Tok::Word) Fail(what, t);
  return t.text;
}

std::string LineParser::Name(const char* what) {
  const Token& t = Next();
  if (t.kind != Tok::Word || !ValidName(t.text)) Fail(std::string(what) + " (letters, digits, _ and -)", t);
  return t.text;
}

Quantity LineParser::Number(const char* what) {
  Quantity q;
  const Token& t = Next();
  if (t.kind != Tok::Number) Fail(what, t);
  if (t.unitsSuffix)
    q.units = Quantity::Held(t.number);
  else
    q.points = t.number;
  q.present = true;
  q.unitWritten = t.unit;
  q.fraction = t.fraction;
  q.written = t.text;
  return q;
}

std::string LineParser::WrittenSince(size_t first) const {
  const Token& last = toks_[pos_ - 1];
  return line_.substr(toks_[first].pos, last.pos + last.text.size() - toks_[first].pos);
}

// A whole number without a unit from `lo` to `hi`: codes, counts, offsets, answers. The range is
// checked here, as the line is read, so that no step gets a number its field cannot hold.
Quantity LineParser::Code(const char* what, int64_t lo, int64_t hi) {
  Quantity q = lo < 0 ? SignedNumber(what) : Number(what);
  if (q.unitWritten || q.fraction)
    throw ScenarioError(file_, lineNo_,
                        "expected " + std::string(what) + " (a whole number without a unit), found '" + q.Text() + "'");
  if (q.Integer() < lo || q.Integer() > hi)
    throw ScenarioError(file_, lineNo_,
                        std::string(what) + " lies between " + std::to_string(lo) + " and " + std::to_string(hi) +
                            ", found " + q.Text());
  return q;
}

Quantity LineParser::SignedNumber(const char* what) {
  const size_t first = pos_;
  bool neg = AcceptPunct("-");
  Quantity q = Number(what);
  if (neg) {
    q.points = -q.points;
    q.units = -q.units;
    q.written = WrittenSince(first);
  }
  return q;
}

// A sum: "110pt + 928856u", "-5", "468 - 300 - 36".
Quantity LineParser::Length(const char* what) {
  const size_t first = pos_;
  Quantity q = SignedNumber(what);
  while (Peek().kind == Tok::Punct && (Peek().text == "+" || Peek().text == "-")) {
    // "100 -5" is two values; "100 - 5" and "100-5" are one.
    const Token& prev = toks_[pos_ - 1];
    if (Peek().text == "-" && Peek().pos > prev.pos + prev.text.size() && toks_[pos_ + 1].pos == Peek().pos + 1) break;
    bool minus = Next().text == "-";
    Quantity r = Number(minus ? "a number after '-'" : "a number after '+'");
    q.points += minus ? -r.points : r.points;
    q.units = Quantity::Held(static_cast<double>(q.units) + static_cast<double>(minus ? -r.units : r.units));
    q.unitWritten = q.unitWritten || r.unitWritten;
    q.fraction = q.fraction || r.fraction;
    q.written = WrittenSince(first);
  }
  return q;
}

int LineParser::Index(const char* what, int lo, int hi) {
  return static_cast<int>(Code(what, lo, hi).Integer());
}

ObjectRef LineParser::Ref(const char* what) {
  ObjectRef r;
  r.name = Name(what);
  if (AcceptPunct("[")) {
    r.row = Index("a row index (0 = first row)", 0, 100000);
    if (AcceptPunct(",")) r.column = Index("a column index (0 = first column)", 0, 100000);
    ExpectPunct("]", "']'");
  }
  return r;
}

ObjectRef LineParser::CellRef(const char* what) {
  ObjectRef r = Ref(what);
  if (r.row < 0 || r.column < 0) Fail(what, toks_[pos_ > 0 ? pos_ - 1 : 0]);
  return r;
}

// OBJECT.PROPERTY, as one word: the object goes to the refs, the property to the name.
void LineParser::PropTarget(Step& st) {
  const Token& t = Next();
  size_t dot = t.text.rfind('.');
  if (t.kind != Tok::Word || dot == std::string::npos || dot == 0 || dot + 1 == t.text.size())
    Fail("OBJECT.PROPERTY (for example fig.x)", t);
  ObjectRef r;
  r.name = t.text.substr(0, dot);
  st.name = t.text.substr(dot + 1);
  if (r.name.find('.') != std::string::npos || !ValidName(r.name)) Fail("OBJECT.PROPERTY", t);
  // A name no object has is a bad line, found before any step runs (which kinds have which
  // property is known only when the step runs).
  if (st.name != "text" && st.name != "kind" && ScenarioPropertyNumber(st.name, 0) == 0)
    throw ScenarioError(file_, lineNo_, "unknown property '" + Shown(st.name) + "' (" + ScenarioPropertyNames() + ")");
  st.refs.push_back(r);
}

void LineParser::ValueList(Step& st) {
  st.values.push_back(Length("a value"));
  while (Peek().kind == Tok::Number ||
         (Peek().kind == Tok::Punct && Peek().text == "-" && toks_[pos_ + 1].kind == Tok::Number))
    st.values.push_back(Length("a value"));
}

// "Zorvan > Select > Label" into its items, each trimmed; an empty item is a bad line.
std::vector<std::string> LineParser::SplitPath(const std::string& rest) {
  std::vector<std::string> parts;
  std::string cur;
  for (size_t i = 0; i <= rest.size(); ++i) {
    if (i == rest.size() || rest[i] == '>') {
      size_t a = cur.find_first_not_of(" \t"), b = cur.find_last_not_of(" \t");
      std::string part = a == std::string::npos ? "" : cur.substr(a, b - a + 1);
      if (part.empty()) throw ScenarioError(file_, lineNo_, "empty item in menu path '" + Shown(rest) + "'");
      parts.push_back(part);
      cur.clear();
    } else {
      cur += rest[i];
    }
  }
  return parts;
}

}  // namespace parser
}  // namespace zvhost
