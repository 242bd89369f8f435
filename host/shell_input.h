// Line input for the interactive shell: line editing and history with libedit when the
// program was built with it and standard input is a terminal; plain reading otherwise (pipes,
// files, builds without libedit).
#pragma once

#include <cstdio>
#include <string>

namespace zvhost {

class LineInput {
 public:
  // `in` is read when it is not the terminal (tests drive the shell through a pipe).
  explicit LineInput(std::FILE* in = stdin);
  ~LineInput();
  LineInput(const LineInput&) = delete;
  LineInput& operator=(const LineInput&) = delete;

  // Reads one line without its line end; false at the end of the input.
  bool Read(const std::string& prompt, std::string* line);
  bool editing() const { return editing_; }
  // True when a person types at a terminal (no echo of the lines needed).
  bool Interactive() const;
  // True when the build has libedit at all.
  static bool LineEditingBuiltIn();

 private:
  std::FILE* in_;
  bool editing_ = false;
};

}  // namespace zvhost
