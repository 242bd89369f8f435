// The shell as a person meets it. Through a pipe (both targets): help in 80 columns, what each
// building step made, arguments of the shell's own commands checked, --svg and --html, queued
// answers. At a terminal (Linux, through a pseudo-terminal): prompts asked with the default
// editable, Ctrl-C, Ctrl-D, history kept between sessions, Tab completion.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "host/cli/scenario_files.h"
#include "host/cli/shell_input.h"

#if defined(__linux__)
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#endif

namespace zvhost {
namespace {

namespace fs = std::filesystem;

bool ModulePresent() {
  return static_cast<bool>(std::ifstream(Host::DefaultModulePath(), std::ios::binary));
}

struct ShellResult {
  int status;
  std::string out;  // both outputs, in the order a person sees them
  std::string err;  // the error output alone
};

ShellResult PipeShell(const std::string& input, CliOptions opt = {}) {
  ShellResult r;
  std::FILE* in = std::tmpfile();
  std::fwrite(input.data(), 1, input.size(), in);
  std::rewind(in);
  r.status = RunShell(
      opt, in, [&](const std::string& s) { r.out += s; },
      [&](const std::string& s) {
        r.out += s;
        r.err += s;
      });
  std::fclose(in);
  return r;
}

class Shell : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ModulePresent()) GTEST_SKIP() << "no module beside the test program";
  }
};

const char* kPage =
    "document d\n"
    "grid 12\n"
    "frame f at 36 36 size 300 200\n"
    "graphic fig rect at 10 10 size 50 40 in f\n";

TEST_F(Shell, HelpFitsEightyColumnsAndBuildingStepsSayWhatTheyMade) {
  ShellResult r = PipeShell(std::string(kPage) +
                            "textframe tf at 0 100 size 200 80 in f\n"
                            "paragraph p in tf \"Hello\"\n"
                            "table t in p columns 40 50 rows 3 title tt\n"
                            "help\nhelp all\n");
  EXPECT_EQ(r.status, 0) << r.out;
  for (const char* made : {"made d (document), page 612 x 792 pt", "grid spacing of d: 12 pt",
                           "made f (frame) at 36 36 size 300 x 200", "made fig (rect) in f at 10 10 size 50 x 40",
                           "made p (paragraph) in tf: \"Hello\"", "made t (table) in p: 2 columns, 3 rows, title tt"})
    EXPECT_NE(r.out.find(made), std::string::npos) << made << "\n" << r.out;
  std::string help = r.out.substr(r.out.find("zorvan> help"));
  std::istringstream lines(help);
  for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 80u) << line;
  // "help" alone fits a 24-line terminal; "help all" holds every step and the units.
  size_t topics = help.find("zorvan> help all");
  EXPECT_LT(std::count(help.begin(), help.begin() + static_cast<long>(topics), '\n'), 24);
  for (const char* word : {"html FILE", "expect unchanged", "expect no prompt", "expect clipboard", "expect undo",
                           "25.4mm", "fault busy", "name NAME"})
    EXPECT_NE(help.find(word, topics), std::string::npos) << word;
  std::istringstream all(LanguageHelp());
  for (std::string line; std::getline(all, line);) EXPECT_LE(line.size(), 80u) << line;
}

TEST_F(Shell, ShellCommandsCheckTheirArgumentsAndSayWhy) {
  fs::path dir = "zv_shell_test_args";
  fs::remove_all(dir);
  struct Case {
    const char* line;
    const char* says;
  } cases[] = {
      {"trace maybe", "error: trace on or trace off, found 'maybe'"},
      {"trace on off", "error: trace on or trace off, found 'on off'"},
      {"trace", "trace off"},  // the one case that is not an error
      {"svg", "error: svg FILE: the file to write is missing"},
      {"html", "error: html FILE: the file to write is missing"},
      {"svg zv_shell_test_args/no/such/dir/x.svg",
       "error: cannot write zv_shell_test_args/no/such/dir/x.svg: No such file"},
      {"html zv_shell_test_args/no/r.html", "error: cannot write zv_shell_test_args/no/r.html: No such file"},
      {"clear", "or a shell command: help, show, menu, svg FILE, html FILE, trace on|off, quit"},
  };
  for (const Case& c : cases) {
    ShellResult r = PipeShell(std::string("document d\n") + c.line + "\n");
    bool error = std::string(c.line) != "trace";  // said on the error output, and the status is 1
    EXPECT_NE((error ? r.err : r.out).find(c.says), std::string::npos) << c.line << "\n" << r.out;
    EXPECT_EQ(r.status, error ? 1 : 0) << c.line;
  }
  // --svg DIR is made when missing; --html FILE is written when the session ends, and html FILE
  // writes the report so far.
  CliOptions opt;
  opt.svgDir = (dir / "pics" / "deeper").string();
  opt.htmlFile = (dir / "session.html").string();
  std::string now = (dir / "now.html").string();
  ShellResult r = PipeShell(std::string(kPage) + "select fig\nchoose \\!af\nhtml " + now + "\n", opt);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(fs::exists(dir / "pics" / "deeper" / "shell-0006.svg")) << r.out;
  EXPECT_NE(r.out.find("wrote " + now), std::string::npos) << r.out;
  for (const fs::path& html : {fs::path(now), fs::path(opt.htmlFile)}) {
    std::ifstream f(html);
    std::stringstream ss;
    ss << f.rdbuf();
    EXPECT_NE(ss.str().find("choose \\!af"), std::string::npos) << html;
    EXPECT_NE(ss.str().find("<svg"), std::string::npos) << html;
  }
  // An --html file that cannot be written is found before the session starts.
  opt.svgDir.clear();
  opt.htmlFile = (dir / "missing" / "r.html").string();
  EXPECT_EQ(PipeShell("quit\n", opt).status, 2);
  fs::remove_all(dir);
}

// From a pipe nobody is asked: prompts take the queued answers, and cancel without one.
TEST_F(Shell, PipedPromptsTakeQueuedAnswers) {
  ShellResult r = PipeShell(std::string(kPage) +
                            "select fig\nanswer 4\nchoose Zorvan > Resize Graphic To Grid Height...\n"
                            "choose Zorvan > Resize Graphic To Grid Height...\n");
  EXPECT_NE(r.out.find("] -> 4"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("] -> cancelled"), std::string::npos) << r.out;
}

TEST_F(Shell, TabCompletesStepsNamesPropertiesAndMenuLabels) {
  ScenarioRunner runner{RunOptions{}};
  std::string err;
  ASSERT_TRUE(runner.Start(&err)) << err;
  for (const Step& st : ParseScenario(kPage, "t")) runner.Run(st);
  using V = std::vector<std::string>;
  struct Case {
    const char* before;
    V words;
  } cases[] = {
      {"sel", {"select"}},
      {"t", {"table", "textframe", "trace"}},
      {"select f", {"fig", "f"}},
      {"expect fig.wi", {"fig.width"}},
      {"expect s", {"selection"}},
      {"set fig.x = 3 w", {"within"}},
      {"choose Zor", {"Zorvan"}},
      {"choose Zorvan > Add", {"Add Frame To Graphic"}},  // the one path left comes whole
      {"choose Zorvan > Paste Graphic ", {"Pos", "Left", "Right", "Top", "Bottom", "Size", "Width", "Height"}},
      {"choose Zorvan > Paste Graphic L", {"Left Pos"}},
      {"choose Zorvan > Select > Select Next Object ", {"Above", "Below"}},
      {"trace o", {"off", "on"}},
      {"graphic g o", {"oval"}},
      {"graphic g ",
       {"arc", "equation", "frame", "group", "inset", "line", "oval", "polygon", "polyline", "rect", "roundrect",
        "text", "textline"}},  // kinds only
      {"expect fig.c", {}},    // a rect has no columns
      {"expect fig.t", {}},    // nor text
      {"expect d.g", {"d.grid"}},
      {"select d", {}},  // a document is not selected
      {"nothing", {}},
  };
  for (const Case& c : cases) {
    V got = CompleteShellLine(runner, c.before);
    V want = c.words;
    std::sort(want.begin(), want.end());
    EXPECT_EQ(got, want) << c.before;
  }
  runner.host().Stop();
}

#if defined(__linux__)
// zorvan-host's shell on a pseudo-terminal, driven by keys as a person types them.
class Terminal {
 public:
  explicit Terminal(const std::string& stateDir) {
    std::string program = fs::read_symlink("/proc/self/exe").parent_path() / "zorvan-host";
    if (!fs::exists(program)) return;
    struct winsize ws = {};
    ws.ws_row = 40;
    ws.ws_col = 120;
    pid_ = forkpty(&fd_, nullptr, nullptr, &ws);
    if (pid_ == 0) {
      setenv("XDG_STATE_HOME", stateDir.c_str(), 1);
      setenv("TERM", "xterm", 1);
      execl(program.c_str(), program.c_str(), "shell", static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  ~Terminal() {
    if (pid_ > 0 && !done_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (fd_ >= 0) close(fd_);
  }
  bool Running() const { return pid_ > 0; }
  void Type(const std::string& keys) {
    for (char c : keys) {  // a key at a time, as typed
      (void)!write(fd_, &c, 1);
      usleep(2000);
    }
  }
  // Reads until `text` shows after what was already looked at; false after 20 s.
  bool Expect(const std::string& text) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (;;) {
      size_t at = seen_.find(text, mark_);
      if (at != std::string::npos) {
        mark_ = at + text.size();
        return true;
      }
      int left = static_cast<int>(
          std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count());
      if (left <= 0 || !ReadSome(left)) return false;
    }
  }
  int Finish() {
    while (ReadSome(20000)) {
    }
    int status = 0;
    waitpid(pid_, &status, 0);
    done_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  const std::string& seen() const { return seen_; }
  std::string Since(size_t from) const { return seen_.substr(from); }
  size_t mark() const { return mark_; }

 private:
  bool ReadSome(int ms) {
    struct pollfd p = {fd_, POLLIN, 0};
    if (poll(&p, 1, ms) <= 0) return false;
    char buf[4096];
    ssize_t n = read(fd_, buf, sizeof buf);
    if (n <= 0) return false;
    seen_.append(buf, static_cast<size_t>(n));
    return true;
  }
  int fd_ = -1;
  pid_t pid_ = -1;
  bool done_ = false;
  std::string seen_;
  size_t mark_ = 0;
};

const char* kNoTerminal = "no pseudo-terminal here, or no zorvan-host beside the tests";

class ShellAtATerminal : public Shell {
 protected:
  void SetUp() override {
    Shell::SetUp();
    if (IsSkipped()) return;
    if (!LineInput::LineEditingBuiltIn()) GTEST_SKIP() << "built without libedit: the shell reads plain lines";
    state = fs::absolute("zv_shell_test_state");
    fs::remove_all(state);
  }
  void TearDown() override { fs::remove_all(state); }
  void Page(Terminal& t) {
    ASSERT_TRUE(t.Expect("zorvan> ")) << t.seen();
    std::istringstream lines(kPage);
    for (std::string line; std::getline(lines, line);) {
      t.Type(line + "\r");
      ASSERT_TRUE(t.Expect("zorvan> ")) << t.seen();
    }
  }
  fs::path state;
};

TEST_F(ShellAtATerminal, PromptsAreAskedWithTheDefaultReadyToEdit) {
  Terminal t(state.string());
  if (!t.Running()) GTEST_SKIP() << kNoTerminal;
  Page(t);
  t.Type("select fig\r");
  ASSERT_TRUE(t.Expect("zorvan> "));
  const std::string choose = "choose Zorvan > Resize Graphic To Grid Height...\r";
  t.Type(choose);
  ASSERT_TRUE(t.Expect("Height Factor? (x * Grid Spacing) 3")) << t.seen();  // 40 pt is about 3 x 12
  t.Type("\b5\r");                                                           // the default edited
  ASSERT_TRUE(t.Expect("] -> 5")) << t.seen();
  ASSERT_TRUE(t.Expect("fig.height: 40pt -> 60pt")) << t.seen();
  t.Type(choose);
  ASSERT_TRUE(t.Expect("Height Factor? (x * Grid Spacing) 5"));
  t.Type("\r");  // Enter takes the default
  ASSERT_TRUE(t.Expect("] -> 5")) << t.seen();
  t.Type(choose);
  ASSERT_TRUE(t.Expect("Height Factor? (x * Grid Spacing) 5"));
  t.Type("x\r");  // not a whole number: asked again
  ASSERT_TRUE(t.Expect("a whole number, please (Ctrl-D cancels)")) << t.seen();
  ASSERT_TRUE(t.Expect("Height Factor? (x * Grid Spacing) 5x"));
  t.Type("\x04");  // Ctrl-D, with something typed
  ASSERT_TRUE(t.Expect("] -> cancelled")) << t.seen();
  ASSERT_TRUE(t.Expect("zorvan> "));
  t.Type("answer 2\r");  // a queued answer is still taken without asking
  ASSERT_TRUE(t.Expect("zorvan> "));
  size_t from = t.mark();
  t.Type(choose);
  ASSERT_TRUE(t.Expect("] -> 2")) << t.seen();
  EXPECT_EQ(t.Since(from).find("Height Factor? (x * Grid Spacing) 5"), std::string::npos);
  t.Type("quit\r");
  EXPECT_EQ(t.Finish(), 0);
}

TEST_F(ShellAtATerminal, CtrlCDropsTheLineCtrlDEndsOnANewLineHistoryStays) {
  {
    Terminal t(state.string());
    if (!t.Running()) GTEST_SKIP() << kNoTerminal;
    Page(t);
    t.Type("select fig");
    t.Type("\x03");  // Ctrl-C: the line is dropped, the session goes on
    ASSERT_TRUE(t.Expect("zorvan> ")) << t.seen();
    t.Type("expect selection none\r");
    ASSERT_TRUE(t.Expect("ok: selection none")) << t.seen();
    t.Type("menu\r");
    ASSERT_TRUE(t.Expect("Select Parent Object"));
    ASSERT_TRUE(t.Expect("zorvan> "));
    t.Type("\x04");  // Ctrl-D on an empty line ends, with a line end after the prompt
    EXPECT_EQ(t.Finish(), 0);
    std::string last = t.seen().substr(t.seen().rfind("zorvan> "));
    EXPECT_NE(last.find('\n'), std::string::npos) << last;
  }
  ASSERT_TRUE(fs::exists(state / "zorvan-host" / "history"));
  Terminal t(state.string());
  ASSERT_TRUE(t.Running());
  ASSERT_TRUE(t.Expect("zorvan> "));
  t.Type("\x1b[A\r");  // Up: the last line of the previous session
  ASSERT_TRUE(t.Expect("Select Parent Object")) << t.seen();
  t.Type("quit\r");
  EXPECT_EQ(t.Finish(), 0);
}

TEST_F(ShellAtATerminal, TabCompletesWhatIsTyped) {
  Terminal t(state.string());
  if (!t.Running()) GTEST_SKIP() << kNoTerminal;
  Page(t);
  t.Type("sel\t fi\t\r");
  ASSERT_TRUE(t.Expect("selected fig")) << t.seen();
  t.Type("choose Zorvan > Add\t\t\t\t\r");
  ASSERT_TRUE(t.Expect("created new1 (rect) in f")) << t.seen();
  t.Type("quit\r");
  EXPECT_EQ(t.Finish(), 0);
}
#endif  // the shell at a terminal is tested on Linux, through a pseudo-terminal; Windows reads plain lines

}  // namespace
}  // namespace zvhost
