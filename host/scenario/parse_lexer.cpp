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
  t.kind = Tok::String;
  ++i_;
  bool closed = false;
  while (i_ < s_.size()) {
    if (s_[i_] == '\\' && i_ + 1 < s_.size() && (s_[i_ + 1] == '"' || s_[i_ + 1] == '\\')) {
      t.text += s_[i_ + 1];
      i_ += 2;
    } else if (s_[i_] == '"') {
      closed = true;
      ++i_;
      break;
    } else {
      t.text += s_[i_++];
    }
  }
  if (!closed) throw ScenarioError(file_, line_, "unterminated text: a closing \" is missing");
}

// Digits with at most one decimal point, then a unit: pt (or none), u, in, mm or cm.
void Lexer::Number(Token& t) {
  t.kind = Tok::Number;
  size_t start = i_;
  while (i_ < s_.size() && (std::isdigit((unsigned char)s_[i_]) || s_[i_] == '.')) ++i_;
  std::string num = s_.substr(start, i_ - start);
  if (num.find('.') != num.rfind('.')) throw ScenarioError(file_, line_, "bad number '" + num + "'");
  t.number = std::strtod(num.c_str(), nullptr);
  std::string suffix;
  while (i_ < s_.size() && std::isalpha((unsigned char)s_[i_])) suffix += s_[i_++];
  if (t.number > 1e12) throw ScenarioError(file_, line_, "number too large: " + num);
  t.fraction = num.find('.') != std::string::npos;
  if (suffix == "u") {
    if (t.fraction) throw ScenarioError(file_, line_, "metric units are whole numbers: '" + num + "u'");
    t.unitsSuffix = true;
  } else if (suffix == "in" || suffix == "mm" || suffix == "cm") {
    // Exact: 1 in = 72 pt = 72 * 65536 u, 1 in = 25.4 mm; rounded to the nearest unit.
    long double per = suffix == "in" ? 254.0L : suffix == "cm" ? 100.0L : 10.0L;  // tenths of a mm
    t.number = static_cast<double>(std::llroundl(std::strtold(num.c_str(), nullptr) * per * 72.0L * 65536.0L / 254.0L));
    t.unitsSuffix = true;
  } else if (!suffix.empty() && suffix != "pt") {
    throw ScenarioError(file_, line_,
                        "unknown unit '" + suffix + "' after " + num +
                            " (units are pt, u, in, mm and cm; a name starts with a letter)");
  }
  t.unit = !suffix.empty();
  t.text = s_.substr(start, i_ - start);
}

// A word: letters, digits, _ - . \ and ! (a shortcut), up to a "!=".
void Lexer::Word(Token& t) {
  t.kind = Tok::Word;
  size_t start = i_;
  while (i_ < s_.size()) {
    unsigned char d = static_cast<unsigned char>(s_[i_]);
    if (d == '!' && i_ + 1 < s_.size() && s_[i_ + 1] == '=') break;
    if (!(std::isalnum(d) || d == '_' || d == '-' || d == '.' || d == '\\' || d == '!')) break;
    ++i_;
  }
  t.text.assign(s_, start, i_ - start);
}

void Lexer::Unexpected(unsigned char c) const {
  char buf[8];
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
      return "text \"" + t.text + "\"";
    default:
      return "'" + t.text + "'";
  }
}

}  // namespace parser
}  // namespace zvhost
