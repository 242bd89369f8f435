// Parser of the scenario language: one step per line, '#' starts a comment. Here: the values a
// step holds, the graphic kinds by name, and the walk over a text's lines; a line's words are
// read by the lexer (parse_lexer.cpp) and the line parser (parse_line.cpp, parse_steps.cpp,
// parse_expect.cpp).
#include <cmath>
#include <cstdio>
#include <unordered_map>

#include "host/model/text_lines.h"
#include "host/scenario/parse_line.h"
#include "host/scenario/scenario.h"

namespace zvhost {

ScenarioError::ScenarioError(const std::string& f, int l, const std::string& what)
    : std::runtime_error(f + ":" + std::to_string(l) + ": " + what), file(f), line(l), detail(what) {}

int64_t Quantity::Metric() const {
  return Held(std::round(points * 65536.0)) + units;
}

int64_t Quantity::Integer() const {
  return Held(points) + units;
}

std::string Shown(const std::string& text) {
  if (text.size() <= 40) return text;
  size_t cut = 32;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;  // not inside a character
  return text.substr(0, cut) + "... (" + std::to_string(text.size()) + " bytes)";
}

std::string Quantity::Text() const {
  if (!written.empty()) return Shown(written);
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
  std::string s = Shown(name);
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
  *step = parser::LineParser(line, file, lineNo).Parse();
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
