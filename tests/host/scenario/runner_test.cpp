// zorvan-host's run with the real module: transcripts, exit status, errors that name the
// line, faults and lengths the host refuses.
#include "runner_test_support.h"
#include "tests/support/commands.h"

namespace zvhost {
namespace {

TEST_F(ScenarioRun, TranscriptShowsBannerMenuAndChangesByName) {
  RunResult r = RunText(std::string(kPage) +
                        "select fig\n"
                        "choose Zorvan > Copy Graphic Props\n"
                        "select chip\n"
                        "choose Zorvan > Paste Graphic Pos\n"
                        "expect chip.x = 10\n"
                        "expect chip.y = 20\n");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("ZorvanShapes v1.3"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Paste Graphic Pos"), std::string::npos);
  EXPECT_NE(r.out.find("\\!pgp"), std::string::npos);
  EXPECT_NE(r.out.find("chip.x: 200"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("ok: chip.x = 10pt"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("2 expectations, 0 failed"), std::string::npos) << r.out;
}

TEST_F(ScenarioRun, FailedExpectationsSayWhatWasFoundAndSetTheExitStatus) {
  RunResult r = RunText(std::string(kPage) +
                        "expect fig.x = 11\n"
                        "expect fig.width = 100.001 within 0.01\n"
                        "choose Zorvan > Paste Graphic Pos\n"
                        "expect alert error \"Something else.\"\n"
                        "expect no alert\n"
                        "expect selection chip\n"
                        "expect menu Zorvan > Nothing Here\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("FAILED: fig.x is 10pt (655360u), expected 11pt (720896u)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("ok: fig.width"), std::string::npos);
  EXPECT_NE(r.out.find("the last command showed (error) \"First select an object. Then try again.\""),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("FAILED: selection chip: selected is nothing"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("FAILED: menu: no item Zorvan > Nothing Here"), std::string::npos);
  EXPECT_NE(r.out.find(": 6 expectations, 5 failed\n"), std::string::npos) << r.out;
}

const std::string kNoCommand99 =
    ":2: no command 99 in the host's menus (the module's commands are 1 to " + std::to_string(Cmd::Last) + ")";

// A line that cannot be carried out stops its scenario with the file and line; the next file
// still runs.
TEST_F(ScenarioRun, StepsThatCannotBeCarriedOutNameFileAndLine) {
  struct Case {
    std::string text;
    const char* says;
  } cases[] = {
      {"frame f at 0 0 size 10 10\n", ":1: no open document"},
      {"document d\ngraphic g rect at 0 0 size 5 5 in nowhere\n", ":2: unknown object 'nowhere'"},
      {"document d\nframe f at 0 0 size 9 9\ngraphic g rect at 0 0 size 5 5 in f\ngraphic h rect at 0 0 size 1 1 in "
       "g\n",
       ":4: 'g' is not a frame"},
      {"document d\ndocument d\n", ":2: the name 'd' is already used"},
      {"document d\nframe f at 0 0 size 9 9\nexpect f.colour = 3\n", ":3: unknown property 'colour'"},
      {"document d\nframe f at 0 0 size 9 9\nparagraph p in f\n", ":3: 'f' is not a text frame or a table cell"},
      {"document d\nframe f at 0 0 size 9 9\nselect f[1,2]\n", ":3: 'f' is not a table"},
      // Building steps hold to the range "set" does: sizes from 0, every length at most 32767 pt.
      {"document d\nframe f at 0 0 size 40000 9\n", ":2: width lies between 0 and 32767 pt, found 40000"},
      {"document d\nframe h at 0 0 size 5 -7\n", ":2: height lies between 0 and 32767 pt, found -7"},
      {"document d\nframe k at 32767.99 0 size 10 10\n", ":2: x lies between -32768 and 32767 pt"},
      {"document d\ngrid -3\n", ":2: grid lies between 0 and 32767 pt, found -3"},
      {"document d\nframe f at 0 0 size 99 99\ntextframe t at 0 0 size 9 9 in f\nparagraph p in t indent 0 -40000 0\n",
       ":4: first-indent lies"},
      {"document d\nframe f at 0 0 size 99 99\ntextframe t at 0 0 size 9 9 in f\nparagraph p in t\nanchored a size -1 "
       "5 in p\n",
       ":5: width lies"},
      {"document d\nframe f at 0 0 size 99 99\ntextframe t at 0 0 size 9 9 in f\nparagraph p in t\ntable u in p "
       "columns -20\n",
       ":5: a column width lies"},
      {"document d\nframe f at 0 0 size 9 9\nset f.width = 32767.5\n", ":3: width lies between 0 and 32767 pt"},
      // Numbers far past what a kind, a length or an index holds are refused, never wrapped.
      {"document d\nframe f at 0 0 size 9 9\ngraphic b 5000000000mm at 0 0 size 1 1 in f\n",
       ":3: expected a graphic kind"},
      {"document d\nframe f at 0 0 size 9 9\nset f.x = 999999999999in + 999999999999in\n", ":3: x lies between"},
      {"document d\nselect t[99999999999]\n", ":2: a row index (0 = first row) lies between 0 and 100000"},
      {"document d\nname x = selection\n", ":2: nothing is selected to name"},
      {"document d\nclose\nframe f at 0 0 size 9 9\n", ":3: no open document"},
      {"document d\nfault sideways\n", ":2: expected a fault"},
      // Values a property cannot hold, codes with units, faults that cannot fire, menu labels
      // that do not exist: the scenario stops at the line.
      {"document d\nframe f at 0 0 size 9 9\nset f.x = 40000\n", ":3: x lies between -32768 and 32767 pt, found 40000"},
      {"document d\nframe f at 0 0 size 9 9\nset f.width = -5\n", ":3: width lies between 0 and 32767 pt"},
      {"document d\nframe f at 0 0 size 9 9\nset f.fill = 2.5\n", ":3: fill is a code, a whole number"},
      {"document d\nframe f at 0 0 size 9 9\nexpect f.fill = 15pt\n",
       ":3: fill is a code, a whole number without a unit: found 15pt (units belong to lengths)"},
      {"document d\nfault fail NoSuchOperation\n",
       ":2: no host operation 'NoSuchOperation'"},  // ... "; the operations are RegisterClient, ..."
      {"document d\nfault fail GetIdprop\n", "(did you mean GetIdProp?)"},
      {"document d\nfault status 99999999999\n", ":2: expected a nonzero status number from -2147483648"},
      {"document d\nfault busy GetIdProp 0\n", ":2: expected a count of calls to fail"},
      {"document d\nchoose zorvan > undo operation\n",
       ":2: no command zorvan > undo operation in the host's menus (did you mean Zorvan > Undo Operation?)"},
      {"document d\nchoose Zorvan > Resize Graphic To Grid Height\n",
       "(did you mean Zorvan > Resize Graphic To Grid Height... or"},
      {"document d\ncommand 99\n", kNoCommand99.c_str()},
      {"document d\nchoose \\!pgq\n", ":2: no command has the shortcut \\!pgq (did you mean"},
      {"document d\nframe f at 0 0 size 1 1\ngraphic g rect at 0 0 size 5 5 in f oops\n",
       ":3: expected the end of the line"},
      // Every whole number a step takes, one past its field's range: refused at its line, as
      // written, never wrapped (4294967311 would be 15 in 32 bits).
      {"document d\ncommand 4294967311\n", ":2: a command number lies between 0 and 2147483647, found 4294967311"},
      {"document d\nanswer 2147483648\n", ":2: a number to answer, or cancel lies between -2147483648 and 2147483647"},
      {"document d\nanswer -2147483649\n", "2147483647, found -2147483649"},
      {"document d\nframe f at 0 0 size 99 99\ntextframe t at 0 0 size 90 50 in f\nparagraph p in t align 4294967297\n",
       ":4: an alignment code lies between 0 and 2147483647, found 4294967297"},
      {"document d\nframe f at 0 0 size 99 99\ntextframe t at 0 0 size 90 50 in f\nparagraph p in t\ncursor in p at "
       "4294967296\n",
       ":5: an offset in the text lies between 0 and 2147483647, found 4294967296"},
      {"document d\nframe f at 0 0 size 99 99\ntextframe t at 0 0 size 90 50 in f\nparagraph p in t\ntable u in p "
       "columns 20 placement 4294967296\n",
       ":5: a placement code lies between 0 and 2147483647"},
      {"document d\nframe f at 0 0 size 99 99\ntextframe t at 0 0 size 90 50 in f\nparagraph p in t\ntable u in p "
       "columns 20 title ut align 2147483648\n",
       ":5: an alignment code lies between 0 and 2147483647"},
      {"document d\nframe f at 0 0 size 99 99\ntextframe t at 0 0 size 90 50 in f\nparagraph p in t\ntable u in p "
       "columns 20 rows 1001\n",
       ":5: a table's number of rows lies between 1 and 1000, found 1001"},
      {"document d\nselect cells u[0,100001]\n", ":2: a column index (0 = first column) lies between 0 and 100000"},
      {"document d\nexpect cells u[100001,0]\n", ":2: a row index (0 = first row) lies between 0 and 100000"},
      {"document d\nframe f at 0 0 size 9 9\nset f.fill = 2147483648\n",
       ":3: fill lies between -2147483648 and 2147483647, found 2147483648"},
      {"document d\nframe f at 0 0 size 9 9\nexpect f.fill = -2147483649\n", ":3: fill lies between -2147483648"},
      {"document d\nframe f at 0 0 size 9 9\nexpect f.fill = 1 within 4294967296\n", ":3: fill lies between"},
      {"document d\nfault status 2147483648\n", ":2: expected a nonzero status number from -2147483648 to 2147483647"},
      {"document d\nfault busy GetIdProp 1000000001\n", ":2: expected a count of calls to fail (1 to 1000000000)"},
  };
  for (const Case& c : cases) {
    std::string bad = WriteTemp("bad.zvs", c.text);
    std::string good = WriteTemp("good.zvs", "document ok\nexpect ok.grid = 12\n");
    RunResult r = RunFiles({bad, good});
    EXPECT_EQ(r.status, 1) << c.text;
    EXPECT_NE(r.err.find(c.says[0] == ':' ? bad + c.says : c.says), std::string::npos) << c.text << "\n" << r.err;
    bool parsed = r.out.find(bad + ": not run: line") == std::string::npos;  // else it never started
    EXPECT_NE(r.out.find(parsed ? "stopped at line" : "not run"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(good + ": 1 expectation, 0 failed"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(parsed ? "2 scenarios: 1 passed, 1 failed, 0 not run" : "1 passed, 0 failed, 1 not run"),
              std::string::npos)
        << r.out;
    std::remove(bad.c_str());
    std::remove(good.c_str());
  }
}

// A building step whose name is taken is refused before anything is made: the page is as it was.
TEST_F(ScenarioRun, StepRefusedForAUsedNameLeavesThePageAlone) {
  ScenarioRunner runner{RunOptions{}};
  std::string err;
  ASSERT_TRUE(runner.Start(&err)) << err;
  for (const Step& st : ParseScenario("document d\nframe f at 36 36 size 300 200\n"
                                      "graphic g rect at 10 10 size 50 50 in f\n"
                                      "textframe tf at 60 10 size 200 100 in f\nparagraph p in tf \"x\"\n"
                                      "table t in p columns 50 rows 2 title tt\nanchored a size 20 20 in p\n",
                                      "page.zvs"))
    runner.Run(st);
  const char* refused[] = {
      "document d",
      "frame f at 0 0 size 10 10",
      "frame g at 0 0 size 10 10 in f",
      "graphic g oval at 1 1 size 5 5 in f",
      "textframe tf at 1 1 size 5 5 in f",
      "paragraph p in tf \"y\"",
      "anchored a size 10 10 in p",
      "table t in p columns 20",
      "table u in p columns 20 title tt",  // only the title's name is taken
      "table u in p columns 20 title u",   // the title would take the table's own name
  };
  Model& m = runner.host().model();
  for (const char* line : refused) {
    Snapshot before = m.TakeSnapshot();
    try {
      for (const Step& st : ParseScenarioLine(line, "page.zvs", 9)) runner.Run(st);
      ADD_FAILURE() << line << ": not refused";
    } catch (const ScenarioError& e) {
      EXPECT_NE(std::string(e.what()).find("is already used"), std::string::npos) << line << ": " << e.what();
    }
    EXPECT_EQ(FormatChanges(Diff(before, m.TakeSnapshot())), "") << line;
  }
  EXPECT_EQ(runner.IdOf("u"), 0u);
}

// Objects read by their names everywhere (cells and rows by their table's), lengths with one
// precision, "show" nests objects with frame-relative positions and marks the cursor.
TEST_F(ScenarioRun, NamesPrecisionAndShowAreTheSameEverywhere) {
  CliOptions opt;
  opt.run.trace = true;
  RunResult r = RunText(std::string(kPage) +
                            "textframe cap at 30 100 size 200 100 in f1\n"
                            "paragraph p in cap \"Results\"\n"
                            "table t in p columns 100 100 rows 3\n"
                            "select cap\n"
                            "choose \\!sao\n"  // cap is on top already
                            "select fig\n"
                            "choose \\!cgs\n"
                            "cursor in t[2,1]\n"
                            "choose Zorvan > Paste Graphic Width\n"
                            "set fig.x = 110pt + 928856u\n"
                            "expect fig.x = 124.1732178\n"
                            "show\n",
                        opt);
  EXPECT_EQ(r.status, 0) << r.out;
  for (const char* says :
       {"cursor in t[2,1]", "choose \\!sao\n        no change\n", "t.columns: [100pt, 100pt] -> [100pt, 112pt]",
        "fig.x: 10pt -> 124.1732178pt", "ok: fig.x = 124.1732178pt (8137816u)", "obj=t[2,1] key=CellColumn",
        "\n            fig          rect      at 124.1732178 20  size 100 x 50\n",
        "\n              p            paragraph \"Results\"\n",
        "\n                  t[2,1]       paragraph \"\"  [cursor]\n"})
    EXPECT_NE(r.out.find(says), std::string::npos) << says << "\n" << r.out;
  EXPECT_EQ(r.out.find("#3"), std::string::npos) << r.out;  // no "#31:62" ids
  EXPECT_EQ(r.out.find("=31:"), std::string::npos) << r.out;
}

// The comparisons, units, kinds and texts an expectation can state: each line of `holds`
// holds, each line of `fails` fails.
TEST_F(ScenarioRun, ExpectationsCompareUnitsKindsTextsAndWhatDidNotHappen) {
  std::string page = std::string(kPage) + "textframe cap at 30 100 size 200 100 in f1\nparagraph p in cap \"Fig 1\"\n";
  const char* holds =
      "expect undo none\nexpect clipboard = 0 0 0 0\nexpect fig.x != 11\nexpect fig.x < 10.5\nexpect fig.x > "
      "9.5\nexpect fig.x < 11 within 0.5\n"
      "expect fig.width = 100pt + 1u within 1u\nexpect fig.kind = rect\nexpect chip.kind != rect\n"
      "expect cap.kind = text\nexpect p.kind = paragraph\nexpect p.text = \"Fig 1\"\nexpect cap.text != \"x\"\n"
      "set fig.x = 1in\nexpect fig.x = 72\nexpect fig.x = 25.4mm\nexpect fig.x = 2.54cm\n"
      "select fig\nchoose \\!cgs\nexpect no prompt\nexpect no alert\nexpect unchanged\n"
      "expect clipboard = 1in 20 100 50\nexpect undo none\n"
      "select chip\nchoose \\!pgp\nexpect unchanged fig\nexpect chip.x = 1in\nexpect undo chip\n";
  RunResult r = RunText(page + holds);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find(": 24 expectations, 0 failed"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("clipboard: 72pt 20pt 100pt 50pt (x y width height of fig)"), std::string::npos) << r.out;
  std::string text =
      page + "grid 12\nselect fig\nchoose \\!cgs\nselect chip\nchoose \\!rggh\nexpect no prompt\nchoose \\!pgp\n" +
      "expect unchanged chip\nexpect unchanged\nexpect fig.x != 10\nexpect fig.x < 10\n" +
      "expect fig.x > 10\nexpect fig.kind = oval\nexpect p.text = \"Fig 2\"\n" +
      "deselect\nchoose \\!pgp\nexpect no alert\nexpect undo fig\nexpect clipboard = 0 0 0 1u\n";
  r = RunText(text);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find(": 11 expectations, 11 failed"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("FAILED: undo fig: the next undo acts on chip"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("FAILED: fig.x is 10pt (655360u), expected < 10pt (655360u)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("FAILED: unchanged chip: the last step changed chip"), std::string::npos) << r.out;
}

TEST_F(ScenarioRun, ModuleThatCannotBeLoadedIsReported) {
  CliOptions opt;
  opt.run.modulePath = "no/such/module.bin";
  std::string f = WriteTemp("s.zvs", "document d\n");
  RunResult r = RunFiles({f, f}, opt);
  std::remove(f.c_str());
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("cannot start the module no/such/module.bin"), std::string::npos) << r.err;
  EXPECT_NE(r.out.find("2 scenarios: 0 passed, 0 failed, 2 not run"), std::string::npos) << r.out;
  // A name without a folder is a file in the current directory: a copy of the module there
  // loads, and a missing one is reported with the full path looked for.
  namespace fs = std::filesystem;
  std::string copy = TempPath("module") + fs::path(Host::DefaultModulePath()).extension().string();
  fs::copy_file(Host::DefaultModulePath(), copy);
  for (const std::string& name : {copy, TempPath("missing.so")}) {
    opt.run.modulePath = name;
    r = RunText("document d\nexpect d.grid = 12\n", opt);
    bool present = name == copy;
    EXPECT_EQ(r.status, present ? 0 : 2) << name << "\n" << r.err;
    std::string looked = "No such file or directory (looked for " + (fs::current_path() / name).string() + ")";
    EXPECT_EQ(r.err.find(looked) != std::string::npos, !present) << r.err;
  }
  fs::remove(copy);
  // A module built for another host: the message says what the file is, what this host loads
  // and which host to run. {file header, the hint on Linux, on Win32, on Win64}
  std::string elf(
      "\x7F"
      "ELF\x02\x01\x01",
      7);
  auto pe = [](char machineLow, char machineHigh, bool farHeader = false) {
    std::string h(0x48, '\0');
    h[0] = 'M', h[1] = 'Z', h[0x3C] = 0x40, h[0x40] = 'P', h[0x41] = 'E', h[0x44] = machineLow, h[0x45] = machineHigh;
    if (farHeader) h[0x3C] = h[0x3D] = h[0x3E] = h[0x3F] = '\xFF';  // a header offset far past the end
    return h;
  };
  const struct {
    std::string header;
    const char* hint[3];
  } rows[] = {
      {elf,
       {"",
        "it is a Linux x86-64 module and this host loads the 32-bit DLL, out/win32/ZorvanShapes.dll; load it "
        "with the Linux host, build/linux/bin/zorvan-host on Linux",
        "it is a Linux x86-64 module and this host loads the 64-bit DLL, out/win64/ZorvanShapes.dll; load it "
        "with the Linux host, build/linux/bin/zorvan-host on Linux"}},
      {pe('\x4C', '\x01'),
       {"it is a 32-bit Windows DLL (i386) and this host loads the Linux module, ZorvanShapes.so; load it with the "
        "Win32 host, build/win32/bin/zorvan-host.exe, under Wine",
        "",
        "it is a 32-bit Windows DLL (i386) and this host loads the 64-bit DLL, out/win64/ZorvanShapes.dll; load "
        "it with the Win32 host, build/win32/bin/zorvan-host.exe"}},
      {pe('\x64', '\x86'),
       {"it is a 64-bit Windows DLL (x86-64) and this host loads the Linux module, ZorvanShapes.so; load it with "
        "the Win64 host, build/win64/bin/zorvan-host.exe, under Wine",
        "it is a 64-bit Windows DLL (x86-64) and this host loads the 32-bit DLL, out/win32/ZorvanShapes.dll; "
        "load it with the Win64 host, build/win64/bin/zorvan-host.exe",
        ""}},
      {pe('\x64', '\x86', true), {"", "", ""}},
  };
#if defined(_WIN64)
  const int self = 2;
#elif defined(_WIN32)
  const int self = 1;
#else
  const int self = 0;
#endif
  for (const auto& row : rows) {
    opt.run.modulePath = WriteTemp("other.bin", row.header);
    r = RunText("document d\n", opt);
    std::remove(opt.run.modulePath.c_str());
    EXPECT_EQ(r.status, 2);
    const char* hint = row.hint[self];
    // A file of this host's own kind that does not load gets the system's reason, file named.
    EXPECT_NE(r.err.find(*hint ? hint : "cannot load"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("it is a") == std::string::npos, !*hint) << r.err;
    EXPECT_EQ(r.err.find("%1"), std::string::npos) << r.err;
  }
}

// The program's verdicts: usage errors exit 2, diagnostics go to standard error with the
// system's reason, files that could not be run count as not run and never pass.
TEST_F(ScenarioRun, ProgramExitStatusAndSummaryCountWhatHappened) {
  std::string good = WriteTemp("good.zvs",
                               "\xEF\xBB\xBF"
                               "document d\nexpect d.grid = 12\n");  // a byte-order mark
  std::string empty = WriteTemp("empty.zvs", "");
  std::string comments = WriteTemp("comments.zvs", "# nothing\n\n");
  std::string binary = WriteTemp("binary.zvs", "\x89PNG\r\n");
  std::string dir = TempPath("dir");
  std::filesystem::create_directory(dir);
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* out;  // in standard output
    const char* err;  // in standard error
  } cases[] = {
      {{"run", good}, 0, ": 1 expectation, 0 failed", ""},
      {{"run", empty}, 1, ": not run: it has no steps", ": no steps: the file is empty or holds only comments"},
      {{"run", comments}, 1, ": not run: it has no steps", "no steps"},
      {{"run", dir}, 1, ": not run: cannot read it: Is a directory", ": Is a directory"},
      {{"run", "no-such.zvs"}, 1, "not run", "error: cannot read no-such.zvs: No such file or directory"},
      {{"run", "no-such.zvs", binary, good},
       1,
       "3 scenarios: 1 passed, 0 failed, 2 not run; 1 expectation, 0 failed",
       ":1: unexpected byte 0x89 (the file is not UTF-8"},
      {{"run", "--html", "no-such-dir/r.html", good},
       2,
       "",
       "error: cannot write no-such-dir/r.html: No such file or directory"},
      {{"run", "--svg", good, good}, 2, "", "error: cannot create"},  // a file where a folder should be
      {{"run"}, 2, "", "run needs at least one scenario file"},
      {{"run", "--module"}, 2, "", "--module needs a value"},
      {{"run", "--svg-all", good}, 2, "", "--svg-all needs --svg DIR"},
      {{"run", "--colour", good}, 2, "", "unknown option '--colour'"},
      {{"shell", good}, 2, "", "shell takes no files"},
      {{"walk"}, 2, "", "unknown mode 'walk'"},
      {{"run", "--help"}, 0, "usage: zorvan-host run", ""},
      {{"shell", "--help"}, 0, "exit status: 0", ""},
  };
  for (const Case& c : cases) {
    RunResult r = Program(c.args);
    std::string what = c.args.size() > 1 ? c.args[0] + " " + c.args[1] : c.args[0];
    EXPECT_EQ(r.status, c.status) << what << "\n" << r.out << r.err;
    EXPECT_NE(r.out.find(c.out), std::string::npos) << what << "\n" << r.out;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << what << "\n" << r.err;
    if (c.status == 2) {
      EXPECT_EQ(r.out.find("== "), std::string::npos) << what;  // nothing ran
    }
  }
  for (const std::string& f : {good, empty, comments, binary}) std::remove(f.c_str());
  std::filesystem::remove(dir);
}

// Failures of steps that are not expectations (an answer no prompt took) are counted apart
// from expectations; names the host makes never take a name the scenario gave.
TEST_F(ScenarioRun, LeftoverAnswersFailAndGeneratedNamesKeepClear) {
  RunResult r = RunText(std::string(kPage) +
                        "graphic new1 rect at 1 2 size 3 4 in f1\n"
                        "select fig\n"
                        "answer 3\n"
                        "choose \\!cgs\n"
                        "choose \\!af\n"
                        "expect new1.x = 1\n"
                        "expect new2.x = 10.25\n"
                        "answer 4\n"
                        "answer cancel\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("FAILED: answer 3 (line 7) was not used: the command asked nothing"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("created new2 (rect) in f1"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("FAILED: answer 4 (line 12), answer cancel (line 13) were not used: no command came after them"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find(": 2 expectations, 0 failed, 2 other steps failed\n"), std::string::npos) << r.out;
  // An answer that a prompt took is no leftover.
  r = RunText(std::string(kPage) + "grid 12\nselect fig\nanswer 3\nchoose \\!rggh\nexpect fig.height = 36\n");
  EXPECT_EQ(r.status, 0) << r.out;
}

// Faults injected by the scenario reach the module; it falls back without crashing the host.
TEST_F(ScenarioRun, InjectedFaultsLeaveTheDocumentAlone) {
  RunResult r = RunText(std::string(kPage) +
                        "select fig\n"
                        "fault busy\n"
                        "choose Zorvan > Add Frame To Graphic\n"
                        "fault off\n"
                        "expect selection fig\n"
                        "expect fig.x = 10\n"
                        "fault status 7 GetIdProp 1\n"
                        "choose Zorvan > Paste Graphic Pos\n"
                        "expect fig.x = 10\n");
  EXPECT_EQ(r.status, 0) << r.out;
}

TEST_F(ScenarioRun, LengthsTheHostRefusesAreShownAndLeaveTheGraphic) {
  RunResult r = RunText(std::string(kPage) +
                        "select fig\n"
                        "answer -2\n"
                        "choose Zorvan > Resize Graphic To Grid Height...\n"
                        "expect fig.height = 50\n"
                        "expect fig.width = 100\n");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("refused by the host: fig.height = -24pt (a size lies between 0 and 32767 pt)\n"),
            std::string::npos)
      << r.out;
}

}  // namespace
}  // namespace zvhost
