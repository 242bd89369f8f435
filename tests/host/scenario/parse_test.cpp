// The scenario language's parser: what a line means, and what a bad line says.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "host/model/model.h"
#include "host/scenario/scenario.h"

namespace zvhost {
namespace {

std::string ErrorOf(const std::string& text, int* line = nullptr, std::string* file = nullptr) {
  try {
    ParseScenario(text, "page.zvs");
  } catch (const ScenarioError& e) {
    if (line) *line = e.line;
    if (file) *file = e.file;
    return e.detail;
  }
  return "";
}

TEST(ScenarioParse, BuildsAPageFromNamedObjects) {
  auto steps = ParseScenario(
      "# a figure with its caption\n"
      "\n"
      "document report page 595.5 842\n"
      "grid 12\n"
      "frame f1 at 36 36 size 400 300   # the frame\n"
      "graphic fig rect at 10 20 size 100 50 in f1\n"
      "graphic logo 17 at 0 0 size 20pt 1310720u in f1\n"
      "textframe cap at 120 20 size 200 40 in f1\n"
      "paragraph p1 in cap \"Figure 1: #1 of many\" align 4 indent 1 2 3\n"
      "table t in p1 columns 100 112 100 rows 3 margins 6 6 indent 36 placement 1 title tt \"Table 1\" align 1\n",
      "page.zvs");
  ASSERT_EQ(steps.size(), 8u);
  EXPECT_EQ(steps[0].kind, StepKind::Document);
  EXPECT_EQ(steps[0].line, 3);
  EXPECT_EQ(steps[0].values[0].Metric(), 595 * 65536 + 32768);
  EXPECT_EQ(steps[2].source, "frame f1 at 36 36 size 400 300");
  EXPECT_EQ(steps[3].word, "rect");
  EXPECT_EQ(steps[3].refs[0].name, "f1");
  EXPECT_EQ(steps[4].word, "inset");  // kind given by its number
  EXPECT_EQ(steps[4].values[2].Metric(), steps[4].values[3].Metric());
  EXPECT_EQ(steps[5].kind, StepKind::Graphic);
  EXPECT_EQ(steps[5].word, "text");
  EXPECT_EQ(steps[6].text, "Figure 1: #1 of many");  // '#' inside a text is no comment
  EXPECT_EQ(steps[6].align.Integer(), 4);
  EXPECT_EQ(steps[6].values.size(), 3u);
  const Step& t = steps[7];
  EXPECT_EQ(t.values.size(), 3u);
  EXPECT_EQ(t.rows, 3);
  EXPECT_EQ(t.indent.Metric(), 36 * 65536);
  EXPECT_EQ(t.placement.Integer(), 1);
  EXPECT_EQ(t.titleName, "tt");
  EXPECT_EQ(t.text, "Table 1");
}

TEST(ScenarioParse, LengthsSumPointsAndMetricUnits) {
  auto s = ParseScenario(
      "expect title.x = 110pt + 928856u\n"
      "expect t.columns = 100 -5 0.5 within 1u\n"
      "expect p.right-indent = 468 - 300 - 36\n"
      "set fig.x = -12.25\n",
      "f");
  EXPECT_EQ(s[0].values[0].Metric(), 110 * 65536 + 928856);
  ASSERT_EQ(s[1].values.size(), 3u);
  EXPECT_EQ(s[1].values[1].Metric(), -5 * 65536);
  EXPECT_EQ(s[1].values[2].Metric(), 32768);
  EXPECT_EQ(s[1].tolerance.Metric(), 1);
  EXPECT_EQ(s[2].values[0].Metric(), 132 * 65536);
  EXPECT_EQ(s[3].values[0].Metric(), -(12 * 65536 + 16384));
  EXPECT_EQ(s[3].name, "x");
  EXPECT_EQ(s[3].refs[0].name, "fig");
}

// Inches, millimetres and centimetres become metric units exactly (1 in = 72 pt = 25.4 mm),
// rounded to the nearest unit; a byte-order mark at the start is skipped.
TEST(ScenarioParse, UnitsConvertExactlyAndComparisonsParse) {
  auto s = ParseScenario(
      "\xEF\xBB\xBF"
      "expect a.x = 1in\n"
      "expect a.x = 25.4mm\n"
      "expect a.x = 2.54cm + 1u\n"
      "expect a.x = 0.5cm\n"
      "expect a.x = 1mm\n"
      "expect a.x != 3\n"
      "expect a.x<3\n"
      "expect a.x > -3 within 1u\n"
      "expect a.kind = rect\n"
      "expect p.text != \"Figure 1\"\n"
      "expect no prompt\n"
      "expect unchanged a b\n",
      "f");
  ASSERT_EQ(s.size(), 12u);
  EXPECT_EQ(s[0].values[0].Metric(), 72 * 65536);
  EXPECT_EQ(s[1].values[0].Metric(), 72 * 65536);
  EXPECT_EQ(s[2].values[0].Metric(), 72 * 65536 + 1);
  EXPECT_EQ(s[3].values[0].Metric(), 928857);  // 928856.69...
  EXPECT_EQ(s[4].values[0].Metric(), 185771);  // 185771.34...
  EXPECT_TRUE(s[0].values[0].unitWritten);
  EXPECT_EQ(s[5].op, "!=");
  EXPECT_EQ(s[6].op, "<");
  EXPECT_EQ(s[7].op, ">");
  EXPECT_EQ(s[7].values[0].Metric(), -3 * 65536);
  EXPECT_EQ(s[8].word, "word");
  EXPECT_EQ(s[8].text, "rect");
  EXPECT_EQ(s[9].word, "text");
  EXPECT_EQ(s[9].op, "!=");
  EXPECT_EQ(s[10].kind, StepKind::ExpectPrompt);
  EXPECT_EQ(s[10].word, "none");
  EXPECT_EQ(s[11].kind, StepKind::ExpectUnchanged);
  EXPECT_EQ(s[11].refs.size(), 2u);
}

TEST(ScenarioParse, CommandsByMenuPathShortcutOrNumber) {
  auto s = ParseScenario(
      "choose Zorvan > Select > Select Parent Object\n"
      "choose   Zorvan>Resize Graphic To Grid Height...  \n"
      "choose \\!pgp\n"
      "choose !rggh\n"
      "command 19\n"
      "answer 3\nanswer -2\nanswer cancel\n",
      "f");
  EXPECT_EQ(s[0].items, (std::vector<std::string>{"Zorvan", "Select", "Select Parent Object"}));
  EXPECT_EQ(s[1].items, (std::vector<std::string>{"Zorvan", "Resize Graphic To Grid Height..."}));
  EXPECT_EQ(s[2].word, "shortcut");
  EXPECT_EQ(s[2].name, "\\!pgp");
  EXPECT_EQ(s[3].name, "\\!rggh");
  EXPECT_EQ(s[4].values[0].Integer(), 19);
  EXPECT_EQ(s[5].values[0].Integer(), 3);
  EXPECT_EQ(s[6].values[0].Integer(), -2);
  EXPECT_TRUE(s[7].negate);
}

TEST(ScenarioParse, SelectionsAndExpectations) {
  auto s = ParseScenario(
      "select title fig\n"
      "select a+b c\n"
      "select cells t[1,0] to t[2,2]\n"
      "select row t[2]\n"
      "cursor in t[0,1] at 3\n"
      "expect selection none\n"
      "expect selection = a b\n"
      "expect alert error \"First select an object. Then try again.\"\n"
      "expect no alert\n"
      "expect prompt \"Height Factor? (x * Grid Spacing)\" default \"3\"\n"
      "expect menu Zorvan > Select = Select Parent Object | Select Next Object Above | -\n",
      "f");
  EXPECT_EQ(s[0].refs.size(), 2u);
  EXPECT_FALSE(s[1].refs[0].together);
  EXPECT_TRUE(s[1].refs[1].together);
  EXPECT_FALSE(s[1].refs[2].together);
  EXPECT_EQ(s[2].kind, StepKind::SelectCells);
  EXPECT_EQ(s[2].refs[1].row, 2);
  EXPECT_EQ(s[2].refs[1].column, 2);
  EXPECT_EQ(s[3].refs[0].row, 2);
  EXPECT_EQ(s[4].refs[0].column, 1);
  EXPECT_EQ(s[4].values[0].Integer(), 3);
  EXPECT_TRUE(s[5].negate);
  EXPECT_EQ(s[6].refs.size(), 2u);
  EXPECT_EQ(s[7].word, "error");
  EXPECT_EQ(s[7].text, "First select an object. Then try again.");
  EXPECT_TRUE(s[8].negate);
  EXPECT_EQ(s[9].text2, "3");
  EXPECT_EQ(s[10].items, (std::vector<std::string>{"Zorvan", "Select"}));
  EXPECT_EQ(s[10].text, "Select Parent Object\nSelect Next Object Above\n-");
}

// Each bad line names the file, its line and what was expected there.
TEST(ScenarioParse, BadLinesSayWhereAndWhatWasExpected) {
  struct Case {
    const char* line;
    const char* says;
  } cases[] = {
      {"graphic fig rect at 10 size 100 50 in f1", "expected the y position, found 'size'"},
      {"graphic fig blob at 10 20 size 100 50 in f1", "expected a graphic kind (frame, arc"},
      {"graphic fig 22 at 10 20 size 100 50 in f1", "graphic kind from 9 to 21"},
      {"graphic fig rect at 10 20 size 100 50", "expected in FRAME, found the end of the line"},
      {"frame f at 1ft 2 size 3 4", "unknown unit 'ft' after 1 (units are pt, u, in, mm and cm"},
      {"frame 1f at 1 2 size 3 4", "a name starts with a letter"},
      {"set fig.x = 1.5u", "metric units are whole numbers"},
      {"paragraph p in tf \"unfinished", "unterminated text"},
      {"jump fig", "expected a step (document"},
      {"choose Zorvan >  > Paste", "empty item in menu path"},
      {"choose", "expected a menu path"},
      {"choose \\!pgp extra", "a shortcut is one word"},
      {"expect fig = 3", "expected OBJECT.PROPERTY"},
      {"expect fig.x 3", "expected '=', '!=', '<' or '>' and the expected value"},
      {"expect fig.kind < rect", "expected a number after '<'"},
      {"expect clipboard = 1 2 3", "expected the copied height, found the end of the line"},
      {"expect undo", "expected the object the next undo acts on, or none"},
      {"answer 2.5", "a number to answer, or cancel (a whole number without a unit), found '2.5'"},
      {"answer 3pt", "(a whole number without a unit), found '3pt'"},
      {"answer 1u", "(a whole number without a unit), found '1u'"},
      {"command 2.5", "a command number (a whole number"},
      {"paragraph p in tf align 1pt", "an alignment code (a whole number"},
      {"expect alert First select", "the alert's text in double quotes"},
      {"select cells t[1] to t[2,2]", "expected TABLE[row,column]"},
      {"document 3", "expected a document name"},
      {"grid", "expected the grid spacing, found the end of the line"},
      {"show me", "expected the end of the line, found 'me'"},
      {"table t in p columns 100 rows 0", "a table's number of rows lies between 1 and 1000, found 0"},
      {"frame f at 1 2 size 3 4 ~", "unexpected character '~'"},
      // A byte that is not UTF-8 outside a text says how to convert the file; a character that is
      // UTF-8 says where it may stand.
      {"frame f\xFF at 1 2 size 3 4",
       "unexpected byte 0xFF (the file is not UTF-8: save it as UTF-8, for example with iconv -f WINDOWS-1252 -t "
       "UTF-8 page.zvs > new.zvs)"},
      {"frame f\xC3\xA9 at 1 2 size 3 4", "unexpected character '\xC3\xA9': names are ASCII letters, digits"},
      {"answer", "a number to answer, or cancel"},
      // Texts are UTF-8; the bytes that show the fault are named, counted from the opening quote.
      // A property no object has is found while parsing, before any step runs.
      {"expect f.colour = 3", "unknown property 'colour' (x, y, width, height"},
      {"set f.nosuchprop = 3", "unknown property 'nosuchprop'"},
      {"expect f.x = 3 within -1", "a tolerance is 0 or more, found -1"},
      {"expect console \"a\x80\"",
       "text is not UTF-8: found 0x80 at byte 2 of the text (the file is not UTF-8: save it as UTF-8"},
      {"expect console \"ab\xE2\x82\"", "text is not UTF-8: found 0xE2 0x82 at byte 3 of the text"},
      {"expect console \"\xC3\"", "text is not UTF-8: found 0xC3 at byte 1"},
      {"expect console \"\xC3(\"", "text is not UTF-8: found 0xC3 0x28 at byte 1"},
      {"expect console \"\xC0\xAF\"", "text is not UTF-8: found 0xC0 at byte 1"},
      {"expect console \"\xE0\x80\xAF\"", "text is not UTF-8: found 0xE0 0x80 at byte 1"},
      {"expect console \"\xF0\x8F\xBF\xBF\"", "text is not UTF-8: found 0xF0 0x8F at byte 1"},
      {"expect console \"\xED\xA0\x80\"", "text is not UTF-8: found 0xED 0xA0 at byte 1"},
      {"expect console \"\xF4\x90\x80\x80\"", "text is not UTF-8: found 0xF4 0x90 at byte 1"},
      {"expect alert \"\\\"\xFF\"", "text is not UTF-8: found 0xFF at byte 3"},
      {"paragraph p in tf \"\xE2\x82\xAC\xF0\x9F\x98\"", "text is not UTF-8: found 0xF0 0x9F 0x98 at byte 4"},
  };
  for (const Case& c : cases) {
    int line = 0;
    std::string file;
    std::string text = "document d\n# comment\n\n" + std::string(c.line) + "\nshow\n";
    std::string err = ErrorOf(text, &line, &file);
    EXPECT_NE(err.find(c.says), std::string::npos) << c.line << "\n  said: " << err;
    EXPECT_EQ(line, 4) << c.line;
    EXPECT_EQ(file, "page.zvs");
  }
  // A long bad token is cut to its first 32 bytes (not inside a character) and its length said.
  const std::string steps =
      "expected a step (document, grid, frame, textframe, graphic, paragraph, anchored, table, "
      "select, deselect, cursor, choose, command, answer, close, set, name, fault, show, expect)";
  EXPECT_EQ(ErrorOf(std::string(5000000, 'a') + "\n"),
            steps + ", found '" + std::string(32, 'a') + "... (5000000 bytes)'");
  const std::string text = ErrorOf("\"" + std::string(31, 'a') + "\xC3\xA9" + std::string(60, 'b') + "\"\n");
  EXPECT_EQ(text.substr(text.find(", found")), ", found text \"" + std::string(31, 'a') + "... (93 bytes)\"");
  try {
    ParseScenario("frame f at 1 2 size 3\n", "x.zvs");
    FAIL();
  } catch (const ScenarioError& e) {
    EXPECT_STREQ(e.what(), "x.zvs:1: expected the height, found the end of the line");
  }
}

// Characters of two, three and four bytes, up to the last code point, are read as written.
TEST(ScenarioParse, TextsInUtf8AreReadAsWritten) {
  for (const char* text :
       {"\xC2\x80 \xC3\xA9 \xDF\xBF", "\xE0\xA0\x80 \xE2\x82\xAC \xED\x9F\xBF \xEE\x80\x80 \xEF\xBF\xBF",
        "\xF0\x90\x80\x80 \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF"}) {
    auto s = ParseScenarioLine("expect alert \"" + std::string(text) + "\"", "f", 1);
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].text, text);
  }
}

TEST(ScenarioParse, WindowsLineEndsAndBlankLines) {
  auto s = ParseScenario("document d\r\n\r\n   \t\r\ngrid 12\r\n", "f");
  ASSERT_EQ(s.size(), 2u);
  EXPECT_EQ(s[1].line, 4);
  EXPECT_EQ(s[1].values[0].Metric(), 12 * 65536);
  // A line said again (parsed once) is the same step at its own line; the check counts it.
  s = ParseScenario("grid 12\ngrid 6\ngrid 12\n", "f");
  ASSERT_EQ(s.size(), 3u);
  EXPECT_EQ(s[2].line, 3);
  EXPECT_EQ(s[2].values[0].Metric(), 12 * 65536);
  EXPECT_EQ(CheckScenario("grid 12\n# note\ngrid 12\n", "f"), 2u);
}

// Random lines, built from the language's own words and from arbitrary bytes, either parse or
// give a ScenarioError: no other exception, no crash.
TEST(ScenarioParse, RandomLinesNeverEscapeAsAnythingButScenarioErrors) {
  const char* words[] = {"document", "grid",  "frame",  "graphic", "textframe", "paragraph", "anchored", "table",
                         "select",   "cells", "to",     "choose",  "command",   "answer",    "cancel",   "expect",
                         "alert",    "no",    "menu",   "prompt",  "default",   "selection", "none",     "at",
                         "size",     "in",    "rect",   "columns", "rows",      "title",     "within",   "fig.x",
                         "t[1,2]",   "12",    "-3.5",   "928856u", "1e9",       "\"txt\"",   "\"",       ">",
                         "=",        "+",     "|",      "[",       "]",         ",",         "#",        "\\!pgp",
                         "Zorvan",   "fault", "status", "set",     "cursor",    "name",      "close",    "show"};
  std::mt19937 rng(20261207);
  int parsed = 0, rejected = 0;
  for (int i = 0; i < 20000; ++i) {
    std::string line;
    int n = static_cast<int>(rng() % 12);
    for (int k = 0; k < n; ++k) {
      if (rng() % 8 == 0) {
        line += static_cast<char>(rng() % 256);
      } else {
        line += words[rng() % (sizeof words / sizeof *words)];
        if (rng() % 4) line += ' ';
      }
    }
    try {
      ParseScenarioLine(line, "fuzz", i + 1);
      ++parsed;
    } catch (const ScenarioError& e) {
      EXPECT_EQ(e.line, i + 1);
      EXPECT_FALSE(e.detail.empty());
      ++rejected;
    }
  }
  EXPECT_GT(parsed, 0);
  EXPECT_GT(rejected, 0);
}

TEST(ScenarioParse, PointsAreWrittenWithoutTrailingZeros) {
  EXPECT_EQ(FormatPoints(10 * 65536 + 16384), "10.25");
  EXPECT_EQ(FormatPoints(110 * 65536 + 928856), "124.1732178");
  EXPECT_EQ(FormatPoints(-32768), "-0.5");
  EXPECT_EQ(FormatPoints(0), "0");
  EXPECT_EQ(FormatPoints(1), "0.0000153");
}

}  // namespace
}  // namespace zvhost
