// What the checks share: a host with the module under check, the commands its menus hold, the
// rules every event must keep, and the pages and selections commands are chosen on.
#pragma once

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "host/binding/host.h"
#include "host/cli/check.h"

namespace zvhost {

struct ModuleCommand {
  int32_t number = 0;
  std::string path;  // "Zorvan > Select > Select Parent Object"
};

// Every command the menu bar holds, with its path of labels, in menu order (each number once).
std::vector<ModuleCommand> MenuCommands(const Model& m);

// A started host and the rules of each event: it answers HrOk, the host notices no new problem,
// the module holds the same references after a command as before it, and a command leaves
// screen updates on (unless the host was made to fail a call). A broken rule fails the check.
class CheckSession {
 public:
  explicit CheckSession(CheckContext& c);
  CheckSession(CheckContext& c, const HostOptions& options);
  // Loads, binds and initializes the module; false (and the check failed) when it cannot. What
  // the host noticed meanwhile belongs to the binding and start-up checks: InitializeProblems()
  // holds what it noticed during Initialize(1).
  bool Start();
  std::vector<std::string> InitializeProblems() const { return initializeProblems_; }
  Host& host() { return *host_; }
  const std::vector<ModuleCommand>& Commands() const { return commands_; }

  // Delivers the command; `when` says on what ("with a graphic selected"). False when a rule broke.
  bool Choose(const ModuleCommand& command, const std::string& when, bool faulted = false);
  // The rules after any event the caller delivered (`event`: "Notify(44)").
  bool AfterEvent(const std::string& event, HResult hr, const std::string& when, bool faulted = false);
  // No problem noticed since the last look; false (and the check failed) for each new one.
  bool NoNewProblems(const std::string& when);
  // What Finish() audits after the teardown and the unloading.
  enum Audit : unsigned {
    None = 0,
    References = 1,  // every reference back at its start
    Lists = 2,       // no returned list outstanding or leaked
    Problems = 4,    // nothing noticed at the teardown or the unloading
    All = 7,
  };
  // No problem up to the teardown; then tears the module down and unloads it, and audits.
  bool Finish(const std::string& when, unsigned audit = None);

 private:
  CheckContext& c_;
  std::unique_ptr<Host> host_;
  std::vector<ModuleCommand> commands_;
  std::vector<RefCountEntry> refs_;  // the counts after the last command
  size_t problemsSeen_ = 0;
  std::vector<std::string> initializeProblems_;
};

// The counts not back where they started: "Session at 2 (the host's own is 1)"; "" when all are.
std::string ReferencesNotBack(const RefAudit& audit);

// Host options for checks: the module given, no waits between selections.
HostOptions CheckHostOptions(const CheckSettings& settings);

// The page commands are chosen on: a frame of graphics of several kinds, a figure title, a
// text frame whose paragraphs anchor a table with a title and a frame with a graphic.
struct CheckPage {
  ObjectId doc = 0;
  ObjectId frame = 0;
  std::vector<ObjectId> graphics;  // one of each kind, the title and the anchored one included
  ObjectId title = 0;              // a text frame holding "Figure 1: ..."
  ObjectId body = 0;               // the text frame holding the anchors
  ObjectId paragraph = 0;          // the table's anchor
  ObjectId table = 0;
  ObjectId cellParagraph = 0;  // a paragraph in the table's first cell of the second row
};
CheckPage BuildCheckPage(Host& host);

// The ways to select on the check page before a command: one row each.
struct PageSelection {
  const char* what;  // "with a rectangle selected"
  void (*apply)(Host& host, const CheckPage& page);
};
const std::vector<PageSelection>& GraphicSelections();
const std::vector<PageSelection>& TableSelections();

// A page of random frames, graphics, text frames and tables in a new active document.
ObjectId BuildRandomPage(Host& host, std::mt19937& rng);
// A random selection on the document (graphics, cells, the cursor, or nothing); what it is.
std::string SelectAtRandom(Host& host, ObjectId doc, std::mt19937& rng);

}  // namespace zvhost
