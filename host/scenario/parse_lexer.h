// The scenario language's words: a line cut into tokens (words, numbers, texts, punctuation).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace zvhost {
namespace parser {

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

// Cuts one line (without its comment) into tokens ending with a Tok::End; throws ScenarioError
// at a bad text, number or character.
class Lexer {
 public:
  Lexer(const std::string& line, const std::string& file, int lineNo) : s_(line), file_(file), line_(lineNo) {}
  std::vector<Token> Run();

 private:
  void Text(Token& t);
  void CheckUtf8(size_t from, size_t to) const;
  void Number(Token& t);
  void Word(Token& t);
  [[noreturn]] void Unexpected(unsigned char c) const;
  std::string SaveAsUtf8() const;

  const std::string& s_;
  const std::string& file_;
  int line_;
  size_t i_ = 0;  // the next byte; a reader works on a local copy (kept in a register)
};

// A token as an error message names it: 'word', text "...", the end of the line.
std::string Describe(const Token& t);

}  // namespace parser
}  // namespace zvhost
