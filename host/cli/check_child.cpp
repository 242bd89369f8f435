// The table of checks, and the child's side of a check: the context a check is given, its
// lines to the parent, and the crash report written should the module bring the child down.
#include <string>

#include "host/cli/check.h"
#include "host/cli/crash_report.h"

namespace zvhost {

const std::vector<CheckRow>& CheckTable() {
  static const std::vector<CheckRow> rows = {
      {"binding.export", "the module loads and exports its entry point", CheckExport},
      {"binding.interfaces", "F_ApiClientInit answers 0, asks for six interfaces", CheckInterfaces},
      {"binding.version", "RegisterClient names version 0x06000000", CheckVersion},
      {"binding.registration", "the registration list: keys and well-formed texts", CheckRegistration},
      {"binding.module-handle", "SetClientModule gives the module's own handle", CheckModuleHandle},
      {"events.query-interface", "IUnknown, event interface granted; others refused", CheckQueryInterface},
      {"events.reference-counts", "AddRef, Release count; teardown waits for the last", CheckReferenceCounts},
      {"startup.menus", "Initialize(1) adds menus and well-formed commands", CheckMenus},
      {"startup.console", "the module writes to the console at start-up", CheckConsole},
      {"teardown.references", "every reference given back at the teardown", CheckTeardownReferences},
      {"teardown.lists", "every returned list given back, either policy", CheckTeardownLists},
      {"teardown.no-calls-after", "no host call after the teardown or at unloading", CheckNoCallsAfterTeardown},
      {"lifecycle.load-cycles", "loaded, used, torn down, unloaded, again and again", CheckLoadCycles},
      {"commands.empty-session", "every command with no document open", CheckCommandsEmptySession},
      {"commands.nothing-selected", "every command with nothing selected", CheckCommandsNothingSelected},
      {"commands.graphic-selected", "every command with graphics of each kind selected", CheckCommandsGraphicSelected},
      {"commands.table-selected", "every command with a table, cells or a cell cursor", CheckCommandsTableSelected},
      {"commands.host-failures", "every command with the host failing its calls", CheckCommandsHostFailures},
      {"commands.random-selections", "every command on random pages and selections", CheckCommandsRandomSelections},
      {"prompts.cancelled", "a cancelled prompt changes nothing", CheckPromptsCancelled},
      {"prompts.bad-values", "prompts answered with values no one should type", CheckPromptsBadValues},
      {"notifications.storm", "storms of notifications and selection changes", CheckNotificationStorms},
  };
  return rows;
}

namespace {

// A line for the parent, written at once: the parent reads it even if the module crashes next.
void ToParent(const std::string& kind, const std::string& text) {
  std::string line = "@" + kind + " " + text;
  for (char& ch : line)
    if (ch == '\n' || ch == '\r') ch = ' ';
  line += '\n';
  crash::WriteOut(line.data(), line.size());
}

void CrashedInCheck(const crash::Report& r) {
  crash::Text t;
  t.Add("@crash ").Add(r.cause).Add("\n@step ").Add(r.step).Add("\n@event ").Add(r.event).Add("\n@call ");
  t.Add(r.lastCall).Add("\n@calls ").Number(r.callsInStep).Add("\n");
  crash::WriteOut(t.c_str(), t.size());
}

uint32_t NameHash(const std::string& name) {
  uint32_t h = 2166136261u;
  for (char ch : name) h = (h ^ static_cast<unsigned char>(ch)) * 16777619u;
  return h;
}

}  // namespace

// Each check draws from a sequence of its own, so that --only picks the same pages.
CheckContext::CheckContext(const CheckSettings& settings, const std::string& name)
    : settings_(settings), rng_(settings.seed ^ NameHash(name)) {}

void CheckContext::Step(const std::string& what) {
  crash::SetStep("", what);
  ToParent("step", what);
}

void CheckContext::Fail(const std::string& what) {
  ++failures_;
  if (failures_ <= 20) ToParent("fail", what);
}

void CheckContext::Note(const std::string& what) {
  ToParent("note", what);
}

int RunOneCheck(const CheckSettings& settings, const std::string& name) {
  for (const CheckRow& row : CheckTable()) {
    if (name != row.name) continue;
    crash::Install(CrashedInCheck);
    CheckContext c(settings, name);
    row.run(c);
    ToParent("done", c.Failed() ? "failed" : "passed");
    return c.Failed() ? 1 : 0;
  }
  ToParent("fail", "no check is called " + name);
  return 2;
}

}  // namespace zvhost
