// zorvan-host check: a validator any client module of this host can be run through. Named
// checks, each in a child process of its own (this same program, "check --one NAME"), so that a
// module that crashes takes down only that child and the report names the check, its step and
// the last host call. check_main.cpp is the parent, check_child.cpp the child's side, and the
// checks themselves live in checks_*.cpp, found through the table in check_table.cpp.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "host/cli/scenario_files.h"

namespace zvhost {

// `zorvan-host check MODULE [--level N] [--only PATTERN] [--seed N] [--junit FILE]`: the
// arguments after "check". Returns 0 when every check that ran passed (and one ran at least),
// 1 when one failed, 2 for a usage error (also an --only that matches no check, or a module
// file that cannot be read).
int RunCheck(const std::vector<std::string>& args, const Output& out, const Output& err);

struct CheckSettings {
  std::string module;  // the module file, as given
  int level = 1;       // 1 to 5: how much each check repeats (pages, random selections, faults)
  uint32_t seed = 0;   // the random pages and selections of levels 2 and above
};

// What a check is given in its child: the settings, a random source of its own, and the means
// to say what it is doing and what it found. Every line goes to the parent at once.
class CheckContext {
 public:
  CheckContext(const CheckSettings& settings, const std::string& name);
  const CheckSettings& settings() const { return settings_; }
  int level() const { return settings_.level; }
  std::mt19937& rng() { return rng_; }
  // Pages the random checks build at this level: 1, 2, 4, 8, 16.
  int Pages() const { return 1 << (settings_.level - 1); }

  // The step under way, named in the report should the module crash in it.
  void Step(const std::string& what);
  // A failure: what was expected, what was found. The check goes on unless it asks Failed().
  void Fail(const std::string& what);
  // A remark for the report (what was found to check, what could not be seen).
  void Note(const std::string& what);
  bool Failed() const { return failures_ > 0; }

 private:
  CheckSettings settings_;
  std::mt19937 rng_;
  int failures_ = 0;
};

struct CheckRow {
  const char* name;  // "binding.version"
  const char* what;  // what it expects, for --list (at most 52 characters)
  void (*run)(CheckContext& c);
};
const std::vector<CheckRow>& CheckTable();

// The child's side: runs the one named check and writes its lines for the parent on standard
// output ("@step ...", "@fail ...", "@note ...", "@done"). Returns the exit status.
int RunOneCheck(const CheckSettings& settings, const std::string& name);

// The checks, one function each (checks_*.cpp).
void CheckExport(CheckContext& c);
void CheckInterfaces(CheckContext& c);
void CheckVersion(CheckContext& c);
void CheckRegistration(CheckContext& c);
void CheckModuleHandle(CheckContext& c);
void CheckQueryInterface(CheckContext& c);
void CheckReferenceCounts(CheckContext& c);
void CheckMenus(CheckContext& c);
void CheckConsole(CheckContext& c);
void CheckTeardownReferences(CheckContext& c);
void CheckTeardownLists(CheckContext& c);
void CheckNoCallsAfterTeardown(CheckContext& c);
void CheckLoadCycles(CheckContext& c);
void CheckCommandsEmptySession(CheckContext& c);
void CheckCommandsNothingSelected(CheckContext& c);
void CheckCommandsGraphicSelected(CheckContext& c);
void CheckCommandsTableSelected(CheckContext& c);
void CheckCommandsHostFailures(CheckContext& c);
void CheckCommandsRandomSelections(CheckContext& c);
void CheckPromptsCancelled(CheckContext& c);
void CheckPromptsBadValues(CheckContext& c);
void CheckNotificationStorms(CheckContext& c);

}  // namespace zvhost
