// The guide for writers, from real runs: each source is a scenario whose comments are the words
// of the guide and whose "#:" notes say what the section is about and what each picture shows.
#include "host/cli/guide.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>

#include "host/binding/file_names.h"
#include "host/model/text_lines.h"
#include "host/view/guide_html.h"

namespace zvhost {

namespace {

const char* kGuideUsage =
    "usage: zorvan-host guide [--module PATH] --output FILE DIR\n"
    "  runs every DIR/*.zvs against the module and writes the guide for writers to FILE;\n"
    "  fails (status 1, nothing written) when an expectation fails or a command of the\n"
    "  module's menu has no section\n";

// What a source says besides its steps: the section's title or command, the command's one-line
// summary, and before each step the words that come before it and the caption of its pictures.
struct SourceNotes {
  std::string title, command, summary;
  std::string closing;  // words after the last step
  int commandLine = 0;
  std::map<int, std::string> prose;    // by the line of the step they stand before
  std::map<int, std::string> caption;  // by the line of the step whose pictures they caption
  std::map<int, std::string> show;     // names of objects its pictures show besides the changes
};

std::string Trimmed(const std::string& s) {
  size_t a = s.find_first_not_of(" \t\r"), b = s.find_last_not_of(" \t\r");
  return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

// "#: key words" notes; "# words" lines are prose, a "#" line alone ends a paragraph.
SourceNotes ReadNotes(const std::string& text, const std::string& file, std::string* error) {
  SourceNotes n;
  std::string prose, caption, show;
  int lineNo = 0;
  ForEachLine(text, [&](const std::string& raw) {
    ++lineNo;
    const std::string line = Trimmed(raw);
    if (line.empty()) return true;
    if (line.compare(0, 2, "#:") == 0) {
      const std::string note = Trimmed(line.substr(2));
      const size_t space = note.find(' ');
      const std::string key = note.substr(0, space),
                        value = space == std::string::npos ? "" : Trimmed(note.substr(space));
      std::string* slot = key == "title"     ? &n.title
                          : key == "command" ? &n.command
                          : key == "summary" ? &n.summary
                          : key == "caption" ? &caption
                          : key == "show"    ? &show
                                             : nullptr;
      if (!slot || value.empty()) {
        *error = file + ":" + std::to_string(lineNo) +
                 ": expected '#: title|command|summary|caption|show WORDS', found '" + line + "'";
        return false;
      }
      *slot += (slot->empty() ? "" : " ") + value;
      if (key == "command") n.commandLine = lineNo;
    } else if (line[0] == '#') {
      const std::string words = Trimmed(line.substr(1));
      if (words.empty()) {
        if (!prose.empty() && prose.back() != '\n') prose += '\n';
      } else {
        prose += (prose.empty() || prose.back() == '\n' ? "" : " ") + words;
      }
    } else {
      if (!prose.empty()) n.prose[lineNo] = prose;
      if (!caption.empty()) n.caption[lineNo] = caption;
      if (!show.empty()) n.show[lineNo] = show;
      prose.clear();
      caption.clear();
      show.clear();
    }
    return true;
  });
  n.closing = prose;
  if (error->empty() && n.title.empty() == n.command.empty())
    *error = file + ":1: expected one '#: title WORDS' or '#: command LABEL' note, found " +
             (n.title.empty() ? "neither" : "both");
  if (error->empty() && !n.command.empty() && n.summary.empty())
    *error = file + ":" + std::to_string(n.commandLine) + ": a command's section needs '#: summary WORDS'";
  return n;
}

bool ReadText(const std::string& path, std::string* text) {
  std::FILE* f = OpenFile(path, "rb");
  if (!f) return false;
  char buf[65536];
  size_t got;
  while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) text->append(buf, got);
  const bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

std::string Anchor(const std::string& words) {
  std::string o;
  for (char c : words) {
    if (std::isalnum(static_cast<unsigned char>(c)))
      o += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    else if (!o.empty() && o.back() != '-')
      o += '-';
  }
  while (!o.empty() && o.back() == '-') o.pop_back();
  return o;
}

// The commands of the menu labelled "Zorvan", depth first, as the module built it.
void WalkMenu(const Model& m, ObjectId menu, const std::string& path, std::vector<GuideCommand>& out, int depth) {
  const Object* x = m.Find(menu);
  if (!x || depth > 8) return;
  for (ObjectId c : x->children) {
    const Object* item = m.Find(c);
    if (!item || item->type == obj::Separator) continue;
    const std::string here = path + " > " + item->label;
    if (item->type == obj::Command) {
      out.push_back({here, item->label, item->shortcut, "", "cmd-" + Anchor(item->label)});
    } else if (item->type == obj::Menu) {
      WalkMenu(m, c, here, out, depth + 1);
    }
  }
}

std::vector<GuideCommand> MenuCommands(const Model& m) {
  std::vector<GuideCommand> commands;
  const Object* bar = m.Find(m.MainMenu());
  if (!bar) return commands;
  for (ObjectId c : bar->children) {
    const Object* item = m.Find(c);
    if (item && item->type == obj::Menu && item->label == "Zorvan") WalkMenu(m, c, "Zorvan", commands, 0);
  }
  return commands;
}

// The label of the command a choose step chose, as the menu holds it; empty when none.
std::string ChosenLabel(const Model& m, const Step& st) {
  if (st.kind != StepKind::Choose) return "";
  ObjectId id = st.word == "menu"       ? m.CommandByPath(st.name)
                : st.word == "shortcut" ? m.CommandByShortcut(st.name)
                                        : m.CommandByNumber(static_cast<int32_t>(st.values[0].Integer()));
  const Object* c = m.Find(id);
  return c ? c->label : "";
}

// "274.1732178pt" as "274.17 pt".
std::string RoundPoints(const std::string& line) {
  std::string o;
  size_t i = 0;
  while (i < line.size()) {
    size_t j = i;
    if (line[j] == '-' && j + 1 < line.size() && std::isdigit(static_cast<unsigned char>(line[j + 1]))) ++j;
    size_t digits = j;
    while (j < line.size() && (std::isdigit(static_cast<unsigned char>(line[j])) || line[j] == '.')) ++j;
    const bool number = j > digits && (i == 0 || !std::isalnum(static_cast<unsigned char>(line[i - 1])));
    if (number && line.compare(j, 2, "pt") == 0) {
      char buf[48];
      std::snprintf(buf, sizeof buf, "%.2f", std::strtod(line.substr(i, j - i).c_str(), nullptr));
      std::string v = buf;
      while (v.back() == '0') v.pop_back();
      if (v.back() == '.') v.pop_back();
      o += (v == "-0" ? "0" : v) + " pt";
      i = j + 2;
    } else {
      o += line.substr(i, std::max<size_t>(1, j - i));
      i += std::max<size_t>(1, j - i);
    }
  }
  return o;
}

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  size_t start = 0;
  while ((start = text.find_first_not_of(' ', start)) != std::string::npos) {
    const size_t end = std::min(text.find(' ', start), text.size());
    words.push_back(text.substr(start, end - start));
    start = end;
  }
  return words;
}

}  // namespace

std::string ChangeWords(const std::string& transcript) {
  std::string o;
  ForEachLine(transcript, [&](const std::string& raw) {
    std::string line = RoundPoints(Trimmed(raw));
    if (line.empty() || line.compare(0, 6, "alert ") == 0 || line.compare(0, 7, "prompt:") == 0) return true;
    const size_t colon = line.find(": "), arrow = line.find(" -> ");
    if (colon != std::string::npos && arrow != std::string::npos && colon < arrow) {
      std::string what = line.substr(0, colon);
      std::replace(what.begin(), what.end(), '.', ' ');
      line = what + " from " + line.substr(colon + 2, arrow - colon - 2) + " to " + line.substr(arrow + 4);
    }
    o += (o.empty() ? "" : "; ") + line;
    return true;
  });
  return o.empty() ? "nothing changed" : o;
}

namespace {

// One run of the guide's sources.
class GuideRun {
 public:
  GuideRun(std::string module, const Output& err) : module_(std::move(module)), err_(err) {}

  // Runs one source into a section; false when it cannot stand in the guide (said on err).
  bool Source(const std::string& file) {
    std::string text, error;
    if (!ReadText(file, &text)) return Fail(file + ": cannot read it: " + std::strerror(errno ? errno : EIO));
    notes_ = ReadNotes(text, file, &error);
    if (!error.empty()) return Fail(error);
    RunOptions ro;
    ro.modulePath = module_;
    ro.pictures = true;
    ScenarioRunner runner(ro);
    if (!runner.Start(&error)) {
      moduleDown_ = true;
      return Fail(error);
    }
    if (guide_.commands.empty()) Menu(runner);
    GuideSection s;
    s.title = notes_.command.empty() ? notes_.title : notes_.command;
    s.anchor = notes_.command.empty() ? Anchor(s.title) : "cmd-" + Anchor(notes_.command);
    failed_ = false;
    try {
      ForEachStep(text, file, [&](Step& st) { return RunStep(runner, st, s); });
    } catch (const ScenarioError& e) {
      return Fail(std::string(e.what()));
    }
    if (!failed_) Finished(runner.Finish(), file + ": at the end");
    if (!notes_.closing.empty()) s.blocks.push_back({notes_.closing, ""});
    runner.host().Stop();
    if (!notes_.command.empty() && !Commanded(file, s)) return false;
    guide_.sections.push_back(std::move(s));
    return !failed_;
  }

  // Every command of the menu has a section; the table takes their summaries.
  bool Complete() {
    bool ok = true;
    for (GuideCommand& c : guide_.commands) {
      auto told = summaries_.find(c.label);
      if (told == summaries_.end()) {
        ok = Fail("the guide has no section for the command '" + c.path + "' (" + c.shortcut +
                  "): add a source with '#: command " + c.label + "'");
      } else {
        c.summary = told->second;
      }
    }
    for (GuideSection& s : guide_.sections)
      for (const GuideCommand& c : guide_.commands)
        if (s.anchor == c.anchor) s.command = &c;
    return ok;
  }

  const Guide& guide() const { return guide_; }
  bool moduleDown() const { return moduleDown_; }

 private:
  bool Fail(const std::string& what) {
    err_("error: " + what + "\n");
    return failed_ = true, false;
  }

  void Menu(ScenarioRunner& runner) {
    guide_.commands = MenuCommands(runner.host().model());
    const std::string console = runner.host().ConsoleText();
    ForEachLine(console, [&](const std::string& line) {
      if (guide_.console.empty()) guide_.console = Trimmed(line);
      return guide_.console.empty();
    });
  }

  void Finished(const StepOutcome& o, const std::string& where) {
    if (o.failures) Fail(where + ": " + Trimmed(o.transcript));
  }

  bool RunStep(ScenarioRunner& runner, const Step& st, GuideSection& s) {
    const std::string at = st.file + ":" + std::to_string(st.line);
    auto prose = notes_.prose.find(st.line);
    if (prose != notes_.prose.end()) s.blocks.push_back({prose->second, ""});
    const size_t alerts = runner.host().Alerts().size(), prompts = runner.host().Prompts().size();
    const StepOutcome o = runner.Run(st);
    if (o.failures) Fail(at + ": " + st.source + ": " + Trimmed(o.transcript));
    auto caption = notes_.caption.find(st.line);
    if (caption != notes_.caption.end()) {
      if (!o.changed || o.viewAfter.items.empty())
        return Fail(at + ": the step after '#: caption' changed nothing on the page: there is no picture to caption");
      s.blocks.push_back({"", GuidePictures(o.viewBefore, o.viewAfter, caption->second, ChangeWords(o.transcript),
                                            Words(notes_.show[st.line]))});
    }
    if (!notes_.command.empty() && ChosenLabel(runner.host().model(), st) == notes_.command) {
      const auto& as = runner.host().Alerts();
      for (size_t i = alerts; i < as.size(); ++i) AddOnce(s.refuses, as[i].text);
      const auto& ps = runner.host().Prompts();
      for (size_t i = prompts; i < ps.size(); ++i) {  // each question once, with the answer it first offered
        const std::string asked = ps[i].prompt + "\n";
        if (std::none_of(s.asks.begin(), s.asks.end(), [&](const std::string& a) { return a.rfind(asked, 0) == 0; }))
          s.asks.push_back(asked + "(offered: " + ps[i].defaultText + ")");
      }
    }
    return true;
  }

  static void AddOnce(std::vector<std::string>& list, const std::string& text) {
    if (std::find(list.begin(), list.end(), text) == list.end()) list.push_back(text);
  }

  // A command's section names a command of the menu, once, and shows it in a picture.
  bool Commanded(const std::string& file, const GuideSection& s) {
    const std::string at = file + ":" + std::to_string(notes_.commandLine);
    bool known = std::any_of(guide_.commands.begin(), guide_.commands.end(),
                             [&](const GuideCommand& c) { return c.label == notes_.command; });
    if (!known) return Fail(at + ": '" + notes_.command + "' is not a command of the module's Zorvan menu");
    if (summaries_.count(notes_.command)) return Fail(at + ": a second section for '" + notes_.command + "'");
    if (std::none_of(s.blocks.begin(), s.blocks.end(), [](const GuideBlock& b) { return !b.pictures.empty(); }))
      return Fail(at + ": the section for '" + notes_.command + "' has no picture (a '#: caption' before a step)");
    summaries_[notes_.command] = notes_.summary;
    return true;
  }

  std::string module_;
  const Output& err_;
  Guide guide_;
  SourceNotes notes_;
  std::map<std::string, std::string> summaries_;
  bool failed_ = false, moduleDown_ = false;
};

bool WriteText(const std::string& path, const std::string& text, const Output& err) {
  std::error_code ec;
  const std::filesystem::path parent = FsPath(path).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent, ec);  // a failure shows at the open
  errno = 0;
  std::FILE* f = OpenFile(path, "wb");
  bool ok = f && std::fwrite(text.data(), 1, text.size(), f) == text.size();
  const int e = errno;
  if (f && std::fclose(f) != 0) ok = false;
  if (!ok) err("error: cannot write " + path + ": " + std::strerror(e ? e : EIO) + "\n");
  return ok;
}

}  // namespace

int RunGuide(const std::vector<std::string>& args, const Output& out, const Output& err) {
  std::string module, output, dir;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if ((a == "--module" || a == "--output" || a == "-o") && i + 1 >= args.size()) {
      err("zorvan-host: " + a + " needs a value\n");
      return 2;
    }
    if (a == "--help" || a == "-h") {
      out(kGuideUsage);
      return 0;
    } else if (a == "--module") {
      module = args[++i];
    } else if (a == "--output" || a == "-o") {
      output = args[++i];
    } else if (!a.empty() && a[0] == '-') {
      err("zorvan-host: unknown option '" + a + "'\n" + kGuideUsage);
      return 2;
    } else if (dir.empty()) {
      dir = a;
    } else {
      err("zorvan-host: guide takes one folder of sources, found '" + dir + "' and '" + a + "'\n");
      return 2;
    }
  }
  if (dir.empty() || output.empty()) {
    err(std::string("zorvan-host: guide needs --output FILE and the folder of its sources\n") + kGuideUsage);
    return 2;
  }
  std::vector<std::string> files;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(FsPath(dir), ec))
    if (e.path().extension() == ".zvs") files.push_back(Utf8Of(e.path()));
  if (ec || files.empty()) {
    err("error: " + dir + ": expected a folder of guide sources (*.zvs), found " +
        (ec ? ec.message() : std::string("none")) + "\n");
    return 1;
  }
  std::sort(files.begin(), files.end());
  GuideRun run(module, err);
  bool ok = true;
  for (const std::string& f : files) {
    ok = run.Source(f) && ok;
    if (run.moduleDown()) return 2;  // said once: the next sources would say it again
  }
  ok = run.Complete() && ok;
  if (!ok) {
    err("error: the guide was not written (the reasons are above)\n");
    return 1;
  }
  if (!WriteText(output, RenderGuideHtml(run.guide()), err)) return 2;
  out("guide: " + output + " (" + std::to_string(run.guide().sections.size()) + " sections, " +
      std::to_string(run.guide().commands.size()) + " commands)\n");
  return 0;
}

}  // namespace zvhost
