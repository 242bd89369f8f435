// Line input for the interactive shell: line editing, history kept between sessions and Tab
// completion with libedit when the program was built with it and standard input is a terminal;
// plain reading otherwise (pipes, files, builds without libedit such as Win32).
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace zvhost {

class LineInput {
 public:
  // `in` is read when it is not the terminal (tests drive the shell through a pipe). With line
  // editing, the history is read from `historyFile` (when not empty) and written back at the end.
  explicit LineInput(std::FILE* in = stdin, std::string historyFile = "");
  ~LineInput();
  LineInput(const LineInput&) = delete;
  LineInput& operator=(const LineInput&) = delete;

  // Reads one line without its line end; false at the end of the input. At a terminal, Ctrl-C
  // discards the line being typed and starts a new one; Ctrl-D on an empty line ends the input
  // after a line end, so that what comes next starts on a line of its own.
  bool Read(const std::string& prompt, std::string* line);
  // Asks a question at the terminal with `initial` already typed (editable with line editing;
  // offered in brackets and taken on an empty line without). True with the answer on Enter;
  // false when the person cancelled with Ctrl-D (or Ctrl-C).
  bool Ask(const std::string& question, const std::string& initial, std::string* answer);
  // Tab completion: given the line up to the cursor, the words that can replace its last word.
  using Completer = std::function<std::vector<std::string>(const std::string& before)>;
  void SetCompleter(Completer completer);

  bool editing() const { return editing_; }
  // True when a person types at a terminal (no echo of the lines needed).
  bool Interactive() const;
  // True when the build has libedit at all.
  static bool LineEditingBuiltIn();
  // Where the shell keeps its history: $XDG_STATE_HOME/zorvan-host/history, else
  // ~/.local/state/zorvan-host/history; empty when neither variable is set.
  static std::string DefaultHistoryFile();

 private:
  bool ReadPlain(std::string* line);

  std::FILE* in_;
  std::string historyFile_;
  bool editing_ = false;
  Completer completer_;
};

}  // namespace zvhost
