// The scenario language: a page is built, commands are chosen as a FrameMaker user would, and
// expectations are stated, one step per line. Parsing turns text into steps; it never touches a
// host. docs/scenarios.md describes the language.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace zvhost {

// A bad line: names the file, the line and what was expected there.
class ScenarioError : public std::runtime_error {
 public:
  ScenarioError(const std::string& file, int line, const std::string& what);
  std::string file;
  int line;
  std::string detail;
};

// A length or number as written: points (plain or "pt") plus raw metric units ("u", 65536 per
// point), summed: "110pt + 928856u". Inches, millimetres and centimetres are turned into metric
// units as they are read (1 in = 72 pt = 25.4 mm), rounded to the nearest unit.
struct Quantity {
  double points = 0;
  int64_t units = 0;
  bool present = false;
  bool unitWritten = false;  // a unit (pt, u, in, mm, cm) was written: not a plain code
  bool fraction = false;     // a decimal point was written: not a whole number
  std::string written;       // as the scenario wrote it ("15pt", "468 - 300"), for messages

  // Far beyond any range a step takes, and still far from int64's ends: sums, conversions and
  // written numbers are held within it, so that the range checks refuse them rather than wrap.
  static constexpr double kHeld = 4e18;
  static int64_t Held(double v) { return static_cast<int64_t>(v < kHeld ? (v > -kHeld ? v : -kHeld) : kHeld); }

  // The value in metric units (65536 per point), rounded to the nearest unit.
  int64_t Metric() const;
  // The value as a plain integer (for alignment codes, counts, placements).
  int64_t Integer() const;
  // As written (cut to a few dozen characters), or worked out from the value.
  std::string Text() const;
};

// Input shown in a message: a text over 40 bytes is cut to its first 32 (at a character's start)
// and its length is said, so that a 50 MB line does not make a 50 MB message.
std::string Shown(const std::string& text);

// A reference to a scenario object: a name, optionally with a row or a [row,column] of a table.
struct ObjectRef {
  std::string name;
  int row = -1;
  int column = -1;
  bool together = false;  // "a+b" in select: chosen in the same action as the previous one
  std::string Text() const;
};

enum class StepKind {
  Document,         // document NAME [page W H]
  Grid,             // grid SPACING
  Frame,            // frame NAME at X Y size W H [in FRAME]
  Graphic,          // graphic NAME KIND at X Y size W H in FRAME   (also textframe)
  Paragraph,        // paragraph NAME in CONTAINER ["text"] [align N] [indent L F R]
  Anchored,         // anchored NAME size W H in PARAGRAPH
  Table,            // table NAME in PARAGRAPH columns W... [rows N] [margins A B] [indent I] [placement K]
                    //    [title NAME ["text"] [align N]]
  Select,           // select REF...   (each one an action; "a+b" in one action)
  SelectCells,      // select cells T[r,c] [to T[r,c]]  |  select table T  |  select row T[r]
  Deselect,         // deselect
  Cursor,           // cursor in REF [at N]
  Choose,           // choose Zorvan > ... > Label  |  choose \!pgp   |  command N
  Answer,           // answer N | answer cancel
  Close,            // close [DOC]
  Set,              // set REF.PROP = VALUE
  Name,             // name NAME = selection
  Fault,            // fault WHAT [ARGS...]  |  fault off
  Show,             // show
  ExpectProp,       // expect REF.PROP = VALUE... [within TOL]  (also !=, <, >; "text" or a word)
  ExpectSelection,  // expect selection REF... | none
  ExpectCells,      // expect cells T[r,c] [to T[r,c]] | expect cells none
  ExpectCursor,     // expect cursor in REF | expect cursor none
  ExpectAlert,      // expect alert [error|note] "text"   |   expect no alert
  ExpectPrompt,     // expect prompt "text" [default "text"]
  ExpectConsole,    // expect console "text"
  ExpectMenu,       // expect menu PATH [= ITEM | ITEM ...]
  ExpectUnchanged,  // expect unchanged [REF...]
  ExpectClipboard,  // expect clipboard = X Y W H
  ExpectUndo,       // expect undo REF | expect undo none
};

struct Step {
  StepKind kind;
  std::string file;
  int line = 0;
  std::string source;  // the line as written, without its comment

  std::string name;                // object name, property name, command path, alert text ...
  std::string word;                // kind of graphic, alert kind, fault name, "cancel" ...
  std::string text;                // quoted text (paragraph text, alert, prompt, console)
  std::string text2;               // second text (title text, prompt default)
  std::vector<ObjectRef> refs;     // objects the step names
  std::vector<Quantity> values;    // numbers in their order (geometry, widths, answers)
  std::vector<std::string> items;  // menu path / menu items / fault arguments
  Quantity tolerance;
  std::string op = "=";  // comparison of ExpectProp: =, !=, <, >
  bool negate = false;   // "expect no alert", "selection none", "answer cancel"

  // Table options (Table step): rows, margins, indent, placement, title.
  int rows = 1;
  Quantity marginA, marginB, indent, placement, align;
  std::string titleName;
};

// Parses scenario text. Throws ScenarioError at the first bad line.
std::vector<Step> ParseScenario(const std::string& text, const std::string& file);
// Parses scenario text one step at a time, handing each to `each` (false: stop there), so a
// long scenario is never held as steps all at once. Throws ScenarioError at a bad line.
void ForEachStep(const std::string& text, const std::string& file, const std::function<bool(Step&)>& each);
// Checks every line of a scenario text and counts its steps. Throws ScenarioError at a bad line.
size_t CheckScenario(const std::string& text, const std::string& file);
// Parses one line (for the shell); an empty or comment line gives no step.
std::vector<Step> ParseScenarioLine(const std::string& line, const std::string& file, int lineNo);

// True for the expect steps.
bool IsExpectation(StepKind kind);

// Graphic kinds by name ("rect", "oval", "text" ...) and back; 0 when unknown.
int GraphicKindByName(const std::string& word);
std::string GraphicKindName(int type);
// Every kind name, for help texts and error messages.
std::string GraphicKindNames();

}  // namespace zvhost
