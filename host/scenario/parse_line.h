// The scenario language's line parser: one line's tokens read into one Step. The first word
// finds the step's handler in a table (parse_steps.cpp); the word after "expect" finds the
// expectation's handler in another (parse_expect.cpp). The handlers read through the small
// readers below (parse_line.cpp): names, numbers, lengths, codes, object references.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "host/scenario/parse_lexer.h"
#include "host/scenario/scenario.h"

namespace zvhost {
namespace parser {

// A name: a letter or _, then letters, digits, _ and -.
bool ValidName(const std::string& w);

class LineParser {
 public:
  LineParser(const std::string& line, const std::string& file, int lineNo)
      : line_(line), file_(file), lineNo_(lineNo), toks_(Lexer(line, file, lineNo).Run()) {}

  // The step the line says; throws ScenarioError when it says none.
  Step Parse();

 private:
  // A step's handler reads the words after its first one into the step; the line must end
  // where it stops (a handler that reads the raw rest of the line moves to its end).
  using Handler = void (LineParser::*)(Step&);
  struct StepSyntax {
    std::string_view word;  // the first word of the line (kExpectations: the word after "expect")
    StepKind kind;          // the step's kind, unless its handler sets another
    Handler read;
  };
  static const StepSyntax kSteps[];
  static const StepSyntax kExpectations[];

  // Building and acting steps (parse_steps.cpp).
  static const std::string& StepWords();
  void DocumentStep(Step& st);
  void GridStep(Step& st);
  void FrameStep(Step& st);
  void TextFrameStep(Step& st);
  void PlacedFrame(Step& st);
  void Geometry(Step& st);
  void GraphicStep(Step& st);
  void ParagraphStep(Step& st);
  void AnchoredStep(Step& st);
  void TableStep(Step& st);
  void SelectStep(Step& st);
  void NoArguments(Step& st);
  void CursorStep(Step& st);
  void ChooseStep(Step& st);
  void ChooseRest(Step& st);
  void CommandStep(Step& st);
  void AnswerStep(Step& st);
  void CloseStep(Step& st);
  void SetStep(Step& st);
  void NameStep(Step& st);
  void FaultStep(Step& st);

  // Expectations (parse_expect.cpp).
  void ExpectStep(Step& st);
  void ExpectNo(Step& st);
  void ExpectClipboard(Step& st);
  void ExpectUndo(Step& st);
  void ExpectUnchanged(Step& st);
  void ExpectAlert(Step& st);
  void ExpectPrompt(Step& st);
  void ExpectConsole(Step& st);
  void ExpectMenu(Step& st);
  void ExpectSelection(Step& st);
  void ExpectCells(Step& st);
  void ExpectCursor(Step& st);
  void ExpectProp(Step& st);
  std::string MenuItems(const std::string& list);

  // Readers (parse_line.cpp).
  [[noreturn]] void Fail(const std::string& expected, const Token& got) const;
  const Token& Peek() const { return toks_[pos_]; }
  const Token& Next() {
    const Token& t = toks_[pos_];
    if (t.kind != Tok::End) ++pos_;
    return t;
  }
  bool AtEnd() const { return Peek().kind == Tok::End; }
  // Moves past every token: the handler has read the raw rest of the line.
  void SkipToEnd() { pos_ = toks_.size() - 1; }
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
  const std::string& ExpectWord(const char* what);
  std::string Name(const char* what);
  Quantity Number(const char* what);
  Quantity Code(const char* what, int64_t lo, int64_t hi);
  std::string WrittenSince(size_t firstToken) const;  // the line from that token to the last read
  Quantity SignedNumber(const char* what);
  Quantity Length(const char* what);
  int Index(const char* what, int lo, int hi);
  ObjectRef Ref(const char* what);
  ObjectRef CellRef(const char* what);
  void PropTarget(Step& st);
  void ValueList(Step& st);
  std::vector<std::string> SplitPath(const std::string& rest);

  const std::string& line_;
  const std::string& file_;
  int lineNo_;
  std::vector<Token> toks_;
  size_t pos_ = 0;
};

}  // namespace parser
}  // namespace zvhost
