// The checks of start-up and teardown: the menus and the console after Initialize, every
// reference and returned list given back, no call after the teardown, load and unload cycles.
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "host/cli/check_session.h"

namespace zvhost {

namespace {

// Every command chosen once on the check page, with a graphic selected and with the table
// selected: a session that has used what the module offers.
void UseEveryCommand(CheckSession& s) {
  const CheckPage page = BuildCheckPage(s.host());
  for (const auto* rows : {&GraphicSelections(), &TableSelections()}) {
    const PageSelection& how = rows->front();
    for (const ModuleCommand& command : s.Commands()) {
      how.apply(s.host(), page);
      s.Choose(command, how.what);
    }
  }
}

// What the menu bar holds, a line per top item: "Zorvan (19 commands)".
std::string MenuSummary(const Model& m) {
  std::string out;
  const Object* bar = m.Find(m.MainMenu());
  for (ObjectId id : bar ? bar->children : std::vector<ObjectId>{}) {
    const Object* o = m.Find(id);
    if (!o) continue;
    out += (out.empty() ? "" : ", ") + o->label;
    if (o->type == obj::Menu) {
      std::vector<ModuleCommand> inside;
      for (const ModuleCommand& c : MenuCommands(m))
        if (c.path.compare(0, o->label.size() + 3, o->label + " > ") == 0) inside.push_back(c);
      out += " (" + std::to_string(inside.size()) + (inside.size() == 1 ? " command)" : " commands)");
    }
  }
  return out;
}

// Every command object the menus hold (each menu walked once).
std::vector<ObjectId> CommandsIn(const Model& m, ObjectId menu, std::vector<ObjectId>* seen = nullptr) {
  std::vector<ObjectId> walked, out;
  if (!seen) seen = &walked;
  seen->push_back(menu);
  const Object* mu = m.Find(menu);
  for (ObjectId id : mu ? mu->children : std::vector<ObjectId>{}) {
    const Object* o = m.Find(id);
    if (o && o->type == obj::Command) out.push_back(id);
    if (o && o->type == obj::Menu && std::find(seen->begin(), seen->end(), id) == seen->end())
      for (ObjectId inner : CommandsIn(m, id, seen)) out.push_back(inner);
  }
  return out;
}

}  // namespace

void CheckMenus(CheckContext& c) {
  CheckSession s(c);
  if (!s.Start()) return;
  const Model& m = s.host().model();
  const Object* bar = m.Find(m.MainMenu());
  if (!bar || bar->children.empty()) {
    c.Fail("expected Initialize(1) to add a menu or a command to the menu bar, found the bar empty");
    return;
  }
  c.Note("menus: " + MenuSummary(m));
  for (const std::string& p : s.InitializeProblems())
    c.Fail("Initialize(1): expected no problem, the host noticed: " + p);
  // Each command in the menus: a tag, a label, a number of its own.
  std::map<int32_t, ObjectId> numbers;
  for (ObjectId id : CommandsIn(m, m.MainMenu())) {
    const Object* o = m.Find(id);
    const std::string named = "the command \"" + o->label + "\" (" + std::to_string(o->number) + ")";
    if (o->name.empty()) c.Fail(named + ": expected a tag, found none");
    if (o->label.empty()) c.Fail(named + ": expected a label, found none");
    auto [at, fresh] = numbers.emplace(o->number, id);
    if (!fresh && at->second != id)
      c.Fail("expected a number of its own for each command, found " + std::to_string(o->number) + " for both \"" +
             m.Find(at->second)->label + "\" and \"" + o->label + "\"");
  }
  s.Finish("after start-up");
}

void CheckConsole(CheckContext& c) {
  CheckSession s(c);
  if (!s.Start()) return;
  if (s.host().ConsoleText().empty())
    c.Fail("expected the module to write to the console at start-up (its banner), found nothing written");
  for (const std::string& p : s.InitializeProblems())
    c.Fail("Initialize(1): expected no problem, the host noticed: " + p);
  s.Finish("after start-up");
}

void CheckTeardownReferences(CheckContext& c) {
  HostOptions o = CheckHostOptions(c.settings());
  o.passHeldObject = true;  // the held object's count is audited too
  CheckSession s(c, o);
  if (!s.Start()) return;
  UseEveryCommand(s);
  s.Finish("after the teardown", CheckSession::References);
  // The event object's last release is the host's: it answers 0 when the object is gone.
  for (const CallRecord& r : s.host().log().Named("Release"))
    if (r.direction == Direction::ToClient && r.args == "the host's reference" && r.result != "0")
      c.Fail("expected the host's release of the event object to answer 0 (the object gone), found " + r.result);
}

void CheckTeardownLists(CheckContext& c) {
  for (bool keeps : {false, true}) {
    HostOptions o = CheckHostOptions(c.settings());
    o.keepsResults = keeps;
    CheckSession s(c, o);
    if (!s.Start()) return;
    UseEveryCommand(s);
    const ListCounters lists = s.host().Lists();
    c.Note(std::string(keeps ? "the host keeping its lists: " : "the module releasing the lists: ") +
           std::to_string(lists.returned) + " lists returned");
    if (!keeps && lists.returned > 0 && !lists.tracked)
      c.Note("the host could not watch the module's task-free function: lists given back are not counted");
    s.Finish(keeps ? "after the teardown, the host keeping its lists" : "after the teardown", CheckSession::Lists);
  }
}

void CheckNoCallsAfterTeardown(CheckContext& c) {
  CheckSession s(c);
  if (!s.Start()) return;
  UseEveryCommand(s);
  s.NoNewProblems("before the teardown");
  c.Step("teardown: the host releases the event object");
  s.host().Stop();
  // Events the host no longer delivers: none may reach the module.
  c.Step("after the teardown: events the host no longer delivers");
  s.host().Command(s.Commands().empty() ? 1 : s.Commands().front().number);
  s.host().Notify(note::DocClosed, 0, "", 0);
  std::string first;
  const uint64_t late = s.host().CallsAfterTeardown(&first);
  if (late)
    c.Fail("at the teardown: expected no call on an interface the module had given back or after, found " +
           std::to_string(late) + " (the first: " + first + ")");
  c.Step("unloading the module");
  s.host().Unload();
  if (const uint64_t calls = s.host().CallsAfterTeardown(&first); calls > late)
    c.Fail("at the unloading: expected no call to the host after the teardown, found " + std::to_string(calls - late) +
           " (the first: " + first + ")");
}

void CheckLoadCycles(CheckContext& c) {
  std::vector<std::string> first;
  for (int cycle = 1; cycle <= 1 + c.level() && !c.Failed(); ++cycle) {
    CheckSession s(c);
    if (!s.Start()) return;
    std::vector<std::string> paths;
    for (const ModuleCommand& command : s.Commands()) paths.push_back(command.path);
    if (cycle == 1) first = paths;
    if (paths != first)
      c.Fail("load " + std::to_string(cycle) + ": expected the same " + std::to_string(first.size()) +
             " commands in the menus as at the first load, found " + std::to_string(paths.size()));
    UseEveryCommand(s);
    s.Finish("at the end of load " + std::to_string(cycle), CheckSession::All);
  }
}

}  // namespace zvhost
