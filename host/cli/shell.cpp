// The interactive shell: scenario steps one line at a time, prompts asked at the terminal,
// Tab completion, history between sessions, pictures and a report of the session.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <sstream>

#include "host/binding/file_names.h"
#include "host/cli/scenario_files.h"
#include "host/cli/shell_input.h"
#include "host/view/report_html.h"

namespace zvhost {

namespace {

const char* const kStepWords[] = {"document", "grid",   "frame",    "graphic", "textframe", "paragraph", "anchored",
                                  "table",    "select", "deselect", "cursor",  "choose",    "command",   "answer",
                                  "set",      "name",   "close",    "fault",   "show",      "expect"};
const char* const kShellWords[] = {"help", "menu", "svg", "html", "trace", "quit", "exit"};
const char* const kExpectWords[] = {"selection", "cells", "cursor",    "alert", "no",       "prompt",
                                    "console",   "menu",  "clipboard", "undo",  "unchanged"};
const char* const kOtherWords[] = {"at",      "size",    "in",        "to",    "page",  "columns", "rows",
                                   "margins", "indent",  "placement", "title", "align", "within",  "cancel",
                                   "none",    "created", "selection", "cells", "table", "row",     "default"};

const char* kShellHelp =
    "The shell's own commands:\n"
    "  show                 the page as text, after the module's registration list\n"
    "  menu                 the module's menus\n"
    "  svg FILE             the page as a picture   html FILE   the session's report\n"
    "  trace [on|off]       calls between host and module after each step\n"
    "  help [TOPIC], quit   (Ctrl-D also quits; Ctrl-C drops the line; Tab completes)\n";

// "help" alone: the topics, on one screen.
const char* kHelpTopics =
    "help build     the steps that build the page\n"
    "help act       the steps that act as the user (select, choose, answer, set ...)\n"
    "help expect    the expectations\n"
    "help shell     the shell's own commands\n"
    "help all       all of it (as zorvan-host help prints it)\n";

bool WriteFileWithReason(const std::string& path, const std::string& text, std::string* why) {
  std::FILE* f = OpenFile(path, "wb");
  if (!f) return *why = std::strerror(errno), false;
  bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  int e = errno;
  if (std::fclose(f) != 0 && ok) ok = false, e = errno;
  if (!ok) *why = std::strerror(e);
  return ok;
}

// Whether FILE can be written, found before the session starts; a file made for the check goes.
bool Writable(const std::string& path, std::string* why) {
  std::error_code ec;
  bool existed = std::filesystem::exists(FsPath(path), ec);
  std::FILE* f = OpenFile(path, "ab");
  if (!f) return *why = std::strerror(errno), false;
  std::fclose(f);
  if (!existed) std::remove(path.c_str());
  return true;
}

std::string Indent(const std::string& text, const std::string& pad) {
  std::string o;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) o += pad + line + "\n";
  return o;
}

std::vector<std::string> Split(const std::string& s) {
  std::vector<std::string> words;
  std::istringstream in(s);
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

void MenuPaths(const Model& m, ObjectId menu, const std::string& path, std::vector<std::string>* out) {
  const Object* mu = m.Find(menu);
  if (!mu) return;
  for (ObjectId c : mu->children) {
    const Object* o = m.Find(c);
    if (!o || o->type == obj::Separator) continue;
    std::string p = path.empty() ? o->label : path + " > " + o->label;
    if (o->type == obj::Menu)
      MenuPaths(m, c, p, out);
    else
      out->push_back(p);
  }
}

// What a building step made, read back from the document: "made fig (rect) in f1 at 10 20 size 100 x 50".
std::string Made(ScenarioRunner& runner, const Step& st) {
  Model& m = runner.host().model();
  if (st.kind == StepKind::Grid) {
    ObjectId d = runner.CurrentDocument();
    const DocState* ds = m.Doc(d);
    return ds ? "grid spacing of " + runner.NameOf(d) + ": " + FormatPoints(ds->grid) + " pt" : "";
  }
  ObjectId id = runner.IdOf(st.name);
  const Object* o = m.Find(id);
  if (!o) return "";
  std::string s = "made " + st.name;
  switch (st.kind) {
    case StepKind::Document: {
      Value w = m.Read(id, prop::Width), h = m.Read(id, prop::Height);
      return s + " (document), page " + FormatPoints(w.word) + " x " + FormatPoints(h.word) + " pt, the active one";
    }
    case StepKind::Paragraph:
      return s + " (paragraph) in " + st.refs[0].Text() + ": \"" + o->name + "\"";
    case StepKind::Table: {
      int rows = 0;
      for (ObjectId r : o->children) rows += TypeOf(r) == obj::Row;
      int columns = m.Read(id, prop::TblColumnCount).word;
      s += " (table) in " + st.refs[0].Text() + ": " + std::to_string(columns) +
           (columns == 1 ? " column, " : " columns, ") + std::to_string(rows) + (rows == 1 ? " row" : " rows");
      return st.titleName.empty() ? s : s + ", title " + st.titleName;
    }
    default: {
      Geometry g = m.GeometryOf(id);
      return s + " (" + GraphicKindName(o->type) + ")" + (o->parent ? " in " + runner.NameOf(o->parent) : "") + " at " +
             FormatPoints(Pt(g.x)) + " " + FormatPoints(Pt(g.y)) + " size " + FormatPoints(Pt(g.w)) + " x " +
             FormatPoints(Pt(g.h));
    }
  }
}

bool IsBuilding(StepKind k) {
  return k == StepKind::Document || k == StepKind::Grid || k == StepKind::Frame || k == StepKind::Graphic ||
         k == StepKind::Paragraph || k == StepKind::Anchored || k == StepKind::Table;
}

// A whole number as an answer to a prompt: optional sign and digits, within 32 bits.
bool WholeNumber(const std::string& text, int32_t* value) {
  std::vector<std::string> w = Split(text);
  if (w.size() != 1) return false;
  const std::string& s = w[0];
  size_t i = s[0] == '-' || s[0] == '+' ? 1 : 0;
  if (i == s.size() || s.size() > 11 || s.find_first_not_of("0123456789", i) != std::string::npos) return false;
  long long v = std::stoll(s);
  if (v < INT32_MIN || v > INT32_MAX) return false;
  *value = static_cast<int32_t>(v);
  return true;
}

}  // namespace

// Whether the object (0: unknown) has the scenario property `name`, as "expect" reads it.
bool HasProperty(ScenarioRunner& runner, ObjectId id, const std::string& name) {
  if (id == 0) return true;  // an unknown name: every property, as before it is made
  int type = TypeOf(id);
  if (name == "kind") return true;
  if (name == "text") return type == obj::Paragraph || type == obj::TextFrame || type == obj::Cell;
  int32_t p = ScenarioPropertyNumber(name, type);
  if (p == prop::GridSpacing) return type == obj::Document;
  return runner.host().model().Read(id, p).kind != ValueKind::None;
}

std::vector<std::string> CompleteShellLine(ScenarioRunner& runner, const std::string& before) {
  std::vector<std::string> words = Split(before);
  bool fresh = before.empty() || before.back() == ' ' || before.back() == '\t';
  std::string partial = fresh || words.empty() ? "" : words.back();
  if (!fresh && !words.empty()) words.pop_back();  // the complete words before the one being typed
  std::set<std::string> found;
  auto offer = [&](const std::string& w) {
    if (w.compare(0, partial.size(), partial) == 0) found.insert(w);
  };
  if (words.empty()) {
    for (const char* w : kStepWords) offer(w);
    for (const char* w : kShellWords) offer(w);
  } else if (words[0] == "choose") {
    // Menu paths, a word at a time: the words typed so far must lead the path. When only one
    // path is left, the rest of it comes at once ("Add" gives "Add Frame To Graphic").
    std::vector<std::string> paths, rests;
    const Model& m = runner.host().model();
    MenuPaths(m, m.MainMenu(), "", &paths);
    for (const std::string& p : paths) {
      std::vector<std::string> pw = Split(p);
      if (pw.size() < words.size() || !std::equal(words.begin() + 1, words.end(), pw.begin())) continue;
      if (pw[words.size() - 1].compare(0, partial.size(), partial) != 0) continue;
      std::string rest;
      for (size_t i = words.size() - 1; i < pw.size(); ++i) rest += (rest.empty() ? "" : " ") + pw[i];
      rests.push_back(rest);
    }
    for (const std::string& r : rests) offer(rests.size() == 1 ? r : r.substr(0, r.find(' ')));
  } else if (words[0] == "trace" && words.size() == 1) {
    offer("on");
    offer("off");
  } else if (words[0] == "fault" && words.size() == 1) {
    for (const char* w : {"busy", "fail", "status", "off"}) offer(w);
  } else if (partial.find('.') != std::string::npos) {
    // NAME.PROPERTY: the properties this object has.
    std::string object = partial.substr(0, partial.find('.'));
    std::istringstream props(ScenarioPropertyNames());
    for (std::string p; std::getline(props, p, ',');) {
      p = p.substr(p.find_first_not_of(' '));
      if (HasProperty(runner, runner.IdOf(object), p)) offer(object + "." + p);
    }
  } else if ((words[0] == "graphic" || words[0] == "textframe") && words.size() == 2) {
    std::istringstream kinds(GraphicKindNames());  // the kind comes next, nothing else
    for (std::string k; std::getline(kinds, k, ',');) offer(k.substr(k.find_first_not_of(' ')));
  } else {
    if (words[0] == "expect" && words.size() == 1)
      for (const char* w : kExpectWords) offer(w);
    bool selecting = words[0] == "select";  // a document is not selected
    for (const std::string& n : runner.Names())
      if (!selecting || TypeOf(runner.IdOf(n)) != obj::Document) offer(n);
    if (words.size() > 1)
      for (const char* w : kOtherWords) offer(w);
  }
  return {found.begin(), found.end()};
}

namespace {

// One shell session: the runner, the line input, and the session as the report shows it.
class ShellSession {
 public:
  ShellSession(const CliOptions& options, ScenarioRunner& runner, LineInput& input, const Output& out,
               const Output& err)
      : options_(options), runner_(runner), input_(input), out_(out), err_(err), trace_(options.run.trace) {
    session_.file = "shell session";
    session_.module = runner.host().ModulePath();
    session_.preamble = runner.Preamble();
  }

  // Reads and carries out lines until quit or the end of the input; the exit status.
  int Loop() {
    std::string line;
    while (input_.Read("zorvan> ", &line)) {
      ++lineNo_;
      if (!input_.Interactive()) out_("zorvan> " + line + "\n");
      std::vector<std::string> words = Split(line);
      std::string word = words.empty() ? "" : words[0];
      std::string rest = line.substr(std::min(line.size(), line.find(word) + word.size()));
      rest.erase(0, std::min(rest.size(), rest.find_first_not_of(" \t")));
      while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t')) rest.pop_back();
      if (word == "quit" || word == "exit") break;
      if (!ShellWord(words, word, rest)) RunSteps(line);
    }
    return failures_ || errors_ ? 1 : 0;
  }

  bool WriteReport(const std::string& path) {
    if (!WriteFileWithReason(path, RenderHtmlReport({session_}, "ZorvanShapes shell session"), &why_)) {
      Error("cannot write " + path + ": " + why_ + "\n");
      return false;
    }
    out_("wrote " + path + "\n");
    return true;
  }

 private:
  // A line that could not be carried out: said on the error output, and the session's status
  // becomes 1, as a scenario's would.
  void Error(const std::string& text) {
    ++errors_;
    err_("error: " + text);
  }

  // The shell's own words (help, menu, trace, svg, html); false for a line of the language.
  bool ShellWord(const std::vector<std::string>& words, const std::string& word, const std::string& rest) {
    if (word == "help" || word == "?") {
      if (rest.empty())
        out_(kHelpTopics);
      else if (rest == "shell")
        out_(kShellHelp);
      else if (rest == "build" || rest == "act" || rest == "expect" || rest == "all")
        out_(LanguageHelp(rest) + (rest == "all" ? kShellHelp : ""));
      else
        Error("help " + rest + ": no such topic; help alone lists them\n");
    } else if (word == "menu" && words.size() == 1) {
      out_(runner_.MenuText());
    } else if (word == "trace") {
      if (words.size() > 2 || (words.size() == 2 && rest != "on" && rest != "off")) {
        Error("trace on or trace off, found '" + rest + "'\n");
        return true;
      }
      if (words.size() == 2) trace_ = rest == "on";
      out_(std::string("trace ") + (trace_ ? "on" : "off") + "\n");
    } else if (word == "show" && words.size() == 1) {
      out_(runner_.RegistrationText());
      return false;  // the page follows, as the language's show gives it
    } else if (word == "svg" || word == "html") {
      if (rest.empty()) {
        Error(word + " FILE: the file to write is missing\n");
      } else if (word == "html") {
        WriteReport(rest);
      } else if (WriteFileWithReason(rest, RenderSvg(runner_.View(), {options_.run.svgScale, true, ""}), &why_)) {
        out_("wrote " + rest + "\n");
      } else {
        Error("cannot write " + rest + ": " + why_ + "\n");
      }
    } else {
      return false;
    }
    return true;
  }

  void RunSteps(const std::string& line) {
    try {
      for (Step& st : ParseScenarioLine(line, "<shell>", lineNo_)) RunStep(st);
    } catch (const ScenarioError& e) {
      std::string detail = e.detail;
      if (detail.rfind("expected a step", 0) == 0)
        detail += "; or a shell command: help, show, menu, svg FILE, html FILE, trace on|off, quit";
      Error("line " + std::to_string(e.line) + ": " + detail + "\n");
      ReportStep rs;
      rs.source = line;
      rs.line = lineNo_;
      rs.transcript = "error: " + detail;
      rs.failed = true;
      session_.steps.push_back(rs);
    }
  }

  void RunStep(const Step& st) {
    runner_.SetTrace(trace_);
    StepOutcome o = runner_.Run(st);
    failures_ += o.failures;
    std::string said = o.transcript;
    if (IsBuilding(st.kind)) said = Made(runner_, st) + "\n" + said;
    if (!said.empty()) out_(Indent(said, "  "));
    if (o.changed && !options_.svgDir.empty()) {
      char num[16];
      std::snprintf(num, sizeof num, "%04d", lineNo_);
      std::string path = options_.svgDir + "/shell-" + num + ".svg";
      if (WriteFileWithReason(path, RenderSvg(o.viewAfter, {options_.run.svgScale, true, ""}), &why_))
        out_("  picture: " + path + "\n");
      else
        Error("cannot write " + path + ": " + why_ + "\n");
    }
    session_.steps.push_back(ReportStepOf(st, o, "shell" + std::to_string(session_.steps.size())));
    session_.failures += o.failures;
  }

  const CliOptions& options_;
  ScenarioRunner& runner_;
  LineInput& input_;
  const Output& out_;
  const Output& err_;
  ReportScenario session_;
  std::string why_;
  int failures_ = 0, errors_ = 0, lineNo_ = 0;
  bool trace_;
};

// At a terminal, a prompt with no queued answer is asked: the default is already typed.
void AskAtTerminal(ScenarioRunner& runner, LineInput& input, const Output& out) {
  runner.host().options().askPerson = [&input, &out](const std::string& prompt, const std::string& def,
                                                     int32_t* value) {
    std::string initial = def;
    for (;;) {
      std::string answer;
      if (!input.Ask(prompt, initial, &answer)) return false;
      if (WholeNumber(answer, value)) return true;
      out("  a whole number, please (Ctrl-D cancels)\n");
      initial = answer;
    }
  };
}

}  // namespace

int RunShell(const CliOptions& options, std::FILE* in, const Output& out, const Output& err) {
  std::string why;
  if (!options.svgDir.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(FsPath(options.svgDir), ec);
    if (ec) return err("zorvan-host: cannot create " + options.svgDir + ": " + ec.message() + "\n"), 2;
  }
  if (!options.htmlFile.empty() && !Writable(options.htmlFile, &why))
    return err("zorvan-host: cannot write " + options.htmlFile + ": " + why + "\n"), 2;
  RunOptions ro = options.run;
  ro.pictures = true;  // for svg, html and the report at the end
  ScenarioRunner runner(ro);
  std::string startError;
  if (!runner.Start(&startError)) {
    err("error: " + startError + "\n");
    return 2;
  }
  LineInput input(in, in == stdin ? LineInput::DefaultHistoryFile() : "");
  input.SetCompleter([&](const std::string& before) { return CompleteShellLine(runner, before); });
  if (input.Interactive()) AskAtTerminal(runner, input, out);
  out("ZorvanShapes reference host, module " + runner.host().ModulePath() + "\n" + runner.Preamble() +
      "\nType help for the steps, show for the page, menu for the menu, quit to leave.\n");
  ShellSession session(options, runner, input, out, err);
  int status = session.Loop();
  runner.host().options().askPerson = nullptr;
  runner.host().Unload();
  // What the host noticed over the session (a reference kept, a call after the teardown...).
  for (const std::string& p : runner.host().Problems()) {
    out("problem: " + p + "\n");
    status = 1;
  }
  // The report asked for on the command line is an output like run's: not written is status 2.
  if (!options.htmlFile.empty() && !session.WriteReport(options.htmlFile)) return 2;
  return status;
}

}  // namespace zvhost
