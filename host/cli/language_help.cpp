// The help text of the scenario language ("zorvan-host help", the shell's "help TOPIC").
#include "host/cli/scenario_files.h"
#include "host/model/text_lines.h"
#include "host/scenario/runner.h"

namespace zvhost {

namespace {

// Long lines of a help text wrapped at spaces into 80 columns, continued further indented.
std::string Wrap80(const std::string& text) {
  std::string o;
  ForEachLine(text, [&](std::string& line) {
    std::string pad(line.find_first_not_of(' ') == std::string::npos ? 0 : line.find_first_not_of(' ') + 4, ' ');
    while (line.size() > 80) {
      size_t cut = line.rfind(' ', 80);
      if (cut == std::string::npos || cut <= pad.size()) break;
      o += line.substr(0, cut) + "\n";
      line = pad + line.substr(line.find_first_not_of(' ', cut));
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    o += line + "\n";
    return true;
  });
  return o;
}

}  // namespace

std::string LanguageHelp(const std::string& topic) {
  const std::string build = R"(Building the page (one step per line, '#' starts a comment). Lengths in
points, or with a unit: 12u (metric units, 65536u = 1 pt), 1in, 25.4mm, 2.54cm:
  document NAME [page W H]                    a new document, the active one
  grid SPACING                                the document's grid spacing
  frame NAME at X Y size W H [in FRAME]       an unanchored frame
  graphic NAME KIND at X Y size W H in FRAME  a graphic: )" +
                            GraphicKindNames() + R"(
  textframe NAME at X Y size W H in FRAME     a text frame
  paragraph NAME in TEXTFRAME|T[r,c] ["text"] [align N] [indent L F R]
  anchored NAME size W H in PARAGRAPH         a frame anchored in text
  table NAME in PARAGRAPH columns W... [rows N] [margins A B] [indent I]
        [placement K] [title NAME ["text"] [align N]]
)";
  const std::string act = R"(Acting as the user:
  select A B ...      one selection action each (A+B: in one action)
  select cells T[r,c] [to T[r,c]] | select table T | select row T[r] | deselect
  cursor in PARAGRAPH|TEXTFRAME|T[r,c] [at OFFSET]
  choose Zorvan > Paste Graphic Pos | choose \!pgp | command N
  answer N | answer cancel                    the answer to the next prompt
  set OBJ.PROP = VALUE                        change a property by hand
  name NAME = selection | created   name the selected graphic, or what the last
                                    command made
  close [DOC]                                 close a document (the active one)
  fault busy|fail|status N [OPERATION [TIMES]] | fault off
  show                                        the page as text
)";
  const std::string expect = R"(Expectations (a failed one is counted, the scenario goes on):
  expect OBJ.PROP = VALUE... [within TOL]     also !=, <, >; properties: )" +
                             ScenarioPropertyNames() + R"(
  expect selection A B | none      expect cells T[r,c] [to T[r,c]] | none
  expect cursor in P | none        expect unchanged [A B ...]
  expect alert [error|note] "text"            expect no alert
  expect prompt "text" [default "text"]       expect no prompt
  expect console "text"            expect clipboard = X Y W H
  expect undo OBJ | none           the object the next Undo Operation acts on
  expect menu Zorvan > Select [= Item | Item | - | ...]
)";
  if (topic == "build") return Wrap80(build);
  if (topic == "act") return Wrap80(act);
  if (topic == "expect") return Wrap80(expect);
  return Wrap80(build + act + expect);
}

}  // namespace zvhost
