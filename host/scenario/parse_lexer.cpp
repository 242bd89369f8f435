// The scenario language's lexer: texts in double quotes, numbers with their units, words and
// punctuation; anything else is a bad line.
#include "host/scenario/parse_lexer.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "host/scenario/scenario.h"

namespace zvhost {
namespace parser {

std::vector<Token> Lexer::Run() {
  std::vector<Token> out;
  out.reserve(12);
  i_ = 0;
  while (i_ < s_.size()) {
    unsigned char c = static_cast<unsigned char>(s_[i_]);
    if (std::isspace(c)) {
      ++i_;
      continue;
    }
    Token t;
    t.pos = i_;
    if (c == '"') {
      Text(t);
    } else if (std::isdigit(c) || (c == '.' && i_ + 1 < s_.size() && std::isdigit((unsigned char)s_[i_ + 1]))) {
      Number(t);
    } else if (c == '!' && i_ + 1 < s_.size() && s_[i_ + 1] == '=') {
      t.kind = Tok::Punct;
      t.text = "!=";
      i_ += 2;
    } else if (std::isalpha(c) || c == '_' || c == '\\' || c == '!') {
      Word(t);
    } else if (std::string("[],=+-|<>:").find(static_cast<char>(c)) != std::string::npos) {
      t.kind = Tok::Punct;
      t.text = std::string(1, static_cast<char>(c));
      ++i_;
    } else {
      Unexpected(c);
    }
    out.push_back(std::move(t));
  }
  Token end;
  end.pos = s_.size();
  out.push_back(end);
  return out;
}

// A text in double quotes; \" and \\ stand for " and \.
void Lexer::Text(Token& t) {
  size_t i = i_;
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
  CheckUtf8(t.pos + 1, i - 1);
  i_ = i;
}

namespace {

// The length of the UTF-8 character that starts `p` (n bytes left), or 0 when the bytes there
// are not one: a stray continuation byte, a character cut short, an overlong form, a surrogate,
// a code point past U+10FFFF, a byte never used (0xC0, 0xC1, 0xF5 to 0xFF). `bad` gets how many
// bytes show the fault.
size_t Utf8Length(const unsigned char* p, size_t n, size_t* bad) {
  const unsigned char c = p[0];
  if (c < 0x80) return 1;
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (c >= 0xC2 && c <= 0xDF) {
    length = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    length = 3;
    if (c == 0xE0) low = 0xA0;   // below: overlong
    if (c == 0xED) high = 0x9F;  // above: a surrogate
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4;
    if (c == 0xF0) low = 0x90;   // below: overlong
    if (c == 0xF4) high = 0x8F;  // above: past U+10FFFF
  } else {
    *bad = 1;
    return 0;
  }
  for (size_t k = 1; k < length; ++k) {
    if (k == n) {
      *bad = n;
      return 0;
    }
    if (p[k] < (k == 1 ? low : 0x80) || p[k] > (k == 1 ? high : 0xBF)) {
      *bad = k + 1;
      return 0;
    }
  }
  return length;
}

}  // namespace

// Texts are UTF-8: the bytes between the quotes, [from, to), are checked as written.
void Lexer::CheckUtf8(size_t from, size_t to) const {
  const auto* p = reinterpret_cast<const unsigned char*>(s_.data());
  for (size_t i = from; i < to;) {
    size_t bad = 0, length = Utf8Length(p + i, to - i, &bad);
    if (length) {
      i += length;
      continue;
    }
    std::string found;
    for (size_t k = 0; k < bad; ++k) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "%s0x%02X", k ? " " : "", p[i + k]);
      found += buf;
    }
    throw ScenarioError(file_, line_,
                        "text is not UTF-8: found " + found + " at byte " + std::to_string(i - from + 1) +
                            " of the text (" + SaveAsUtf8() + ")");
  }
}

// How to mend a file in another encoding (most often Windows' Western one).
std::string Lexer::SaveAsUtf8() const {
  return "the file is not UTF-8: save it as UTF-8, for example with iconv -f WINDOWS-1252 -t UTF-8 " + Shown(file_) +
         " > new.zvs";
}

// Digits with at most one decimal point, then a unit: pt (or none), u, in, mm or cm.
void Lexer::Number(Token& t) {
  size_t i = i_;
  t.kind = Tok::Number;
  size_t start = i;
  while (i < s_.size() && (std::isdigit((unsigned char)s_[i]) || s_[i] == '.')) ++i;
  std::string num = s_.substr(start, i - start);
  if (num.find('.') != num.rfind('.')) throw ScenarioError(file_, line_, "bad number '" + Shown(num) + "'");
  t.number = std::strtod(num.c_str(), nullptr);
  std::string suffix;
  while (i < s_.size() && std::isalpha((unsigned char)s_[i])) suffix += s_[i++];
  if (t.number > 1e12) throw ScenarioError(file_, line_, "number too large: " + Shown(num));
  t.fraction = num.find('.') != std::string::npos;
  if (suffix == "u") {
    if (t.fraction) throw ScenarioError(file_, line_, "metric units are whole numbers: '" + Shown(num + "u") + "'");
    t.unitsSuffix = true;
  } else if (suffix == "in" || suffix == "mm" || suffix == "cm") {
    // Exact: 1 in = 72 pt = 72 * 65536 u, 1 in = 25.4 mm; rounded to the nearest unit.
    long double per = suffix == "in" ? 254.0L : suffix == "cm" ? 100.0L : 10.0L;  // tenths of a mm
    t.number = static_cast<double>(std::llroundl(std::strtold(num.c_str(), nullptr) * per * 72.0L * 65536.0L / 254.0L));
    t.unitsSuffix = true;
  } else if (!suffix.empty() && suffix != "pt") {
    throw ScenarioError(file_, line_,
                        "unknown unit '" + Shown(suffix) + "' after " + Shown(num) +
                            " (units are pt, u, in, mm and cm; a name starts with a letter)");
  }
  t.unit = !suffix.empty();
  t.text = s_.substr(start, i - start);
  i_ = i;
}

// A word: letters, digits, _ - . \ and ! (a shortcut), up to a "!=".
void Lexer::Word(Token& t) {
  size_t i = i_;
  t.kind = Tok::Word;
  size_t start = i;
  while (i < s_.size()) {
    unsigned char d = static_cast<unsigned char>(s_[i]);
    if (d == '!' && i + 1 < s_.size() && s_[i + 1] == '=') break;
    if (!(std::isalnum(d) || d == '_' || d == '-' || d == '.' || d == '\\' || d == '!')) break;
    ++i;
  }
  t.text.assign(s_, start, i - start);
  i_ = i;
}

void Lexer::Unexpected(unsigned char c) const {
  char buf[8];
  if (c >= 0x80) {
    size_t bad = 0;
    const size_t n = Utf8Length(reinterpret_cast<const unsigned char*>(s_.data()) + i_, s_.size() - i_, &bad);
    if (n)  // a character in UTF-8, where only ASCII words may stand
      throw ScenarioError(file_, line_,
                          "unexpected character '" + s_.substr(i_, n) +
                              "': names are ASCII letters, digits, _ and -; other characters go in \"texts\"");
    std::snprintf(buf, sizeof buf, "0x%02X", c);
    throw ScenarioError(file_, line_, std::string("unexpected byte ") + buf + " (" + SaveAsUtf8() + ")");
  }
  if (std::isprint(c))
    std::snprintf(buf, sizeof buf, "'%c'", c);
  else
    std::snprintf(buf, sizeof buf, "0x%02X", c);
  throw ScenarioError(file_, line_, std::string("unexpected character ") + buf);
}

std::string Describe(const Token& t) {
  switch (t.kind) {
    case Tok::End:
      return "the end of the line";
    case Tok::String:
      return "text \"" + Shown(t.text) + "\"";
    default:
      return "'" + Shown(t.text) + "'";
  }
}

}  // namespace parser
}  // namespace zvhost
