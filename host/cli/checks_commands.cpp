// The checks of the module's commands, each found in the menus after Initialize: chosen with no
// document, with nothing selected, with graphics and with tables selected, with the host
// failing the calls they make, and on random pages with random selections.
#include <algorithm>
#include <string>
#include <vector>

#include "host/cli/check_session.h"

namespace zvhost {

namespace {

// The commands in a random order from level 2 on (the order they change the page in matters).
std::vector<ModuleCommand> InOrder(CheckContext& c, const std::vector<ModuleCommand>& commands) {
  std::vector<ModuleCommand> order = commands;
  if (c.level() >= 2) std::shuffle(order.begin(), order.end(), c.rng());
  return order;
}

bool NoteWhenNoCommand(CheckContext& c, const CheckSession& s) {
  if (!s.Commands().empty()) return false;
  c.Note("empty: the menus hold no command to choose");
  return true;
}

// Every command on the check page after each selection of `rows`.
void OnSelections(CheckContext& c, const std::vector<PageSelection>& rows) {
  CheckSession s(c);
  if (!s.Start() || NoteWhenNoCommand(c, s)) return;
  const CheckPage page = BuildCheckPage(s.host());
  for (const PageSelection& how : rows) {
    for (const ModuleCommand& command : InOrder(c, s.Commands())) {
      if (c.Failed()) return;
      how.apply(s.host(), page);
      s.Choose(command, how.what);
    }
  }
  s.Finish("after the commands");
}

// The faults a call is made to fail with at this level.
std::vector<Fault> FaultKinds(int level) {
  std::vector<Fault> kinds = {Fault::Failed(hr::Fail), Fault::Status(5)};
  if (level >= 2) {
    kinds.push_back(Fault::Busy());
    kinds.push_back(Fault::StatusUnwritten());
  }
  return kinds;
}

// The session operations a command made, in the order first made, and how many calls in all.
std::vector<std::string> OperationsOf(Host& host, size_t* calls) {
  std::vector<std::string> ops;
  *calls = 0;
  for (const CallRecord& r : host.log().Records()) {
    if (r.direction != Direction::ToHost || r.iface != "Session") continue;
    ++*calls;
    if (std::find(ops.begin(), ops.end(), r.op) == ops.end()) ops.push_back(r.op);
  }
  return ops;
}

// One faulted run: a fresh check page, the selection, the fault armed, the command, then the
// fault cleared and the page closed.
void FaultedRun(CheckSession& s, const PageSelection& how, const ModuleCommand& command, const std::string& what,
                void (*arm)(Host&, const std::string&, uint64_t, const Fault&), const std::string& op, uint64_t nth,
                const Fault& fault) {
  const CheckPage page = BuildCheckPage(s.host());
  how.apply(s.host(), page);
  arm(s.host(), op, nth, fault);
  s.Choose(command, std::string(how.what) + ", " + what, true);
  s.host().faults().Clear();
  s.host().CloseDocument(page.doc);
}

void FailEveryCall(Host& h, const std::string& op, uint64_t, const Fault& f) {
  h.faults().FailOperation(op, f);
}

void FailNthCall(Host& h, const std::string&, uint64_t nth, const Fault& f) {
  h.faults().FailNth(nth, f, h.log().MarkNow().ops);
}

// Each operation the command makes failing (every call of it), then from level 3 each call in
// turn, with every kind of fault of the level.
void FaultsForCommand(CheckContext& c, CheckSession& s, const PageSelection& how, const ModuleCommand& command) {
  const CheckPage page = BuildCheckPage(s.host());
  how.apply(s.host(), page);
  s.Choose(command, how.what);
  size_t calls = 0;
  const std::vector<std::string> ops = OperationsOf(s.host(), &calls);
  s.host().CloseDocument(page.doc);
  for (const Fault& fault : FaultKinds(c.level())) {
    for (const std::string& op : ops) {
      if (c.Failed()) return;
      FaultedRun(s, how, command, op + " answering " + fault.ToString(), FailEveryCall, op, 0, fault);
    }
    for (size_t k = 1; c.level() >= 3 && k <= calls; ++k) {
      if (c.Failed()) return;
      FaultedRun(s, how, command, "host call " + std::to_string(k) + " answering " + fault.ToString(), FailNthCall, "",
                 k, fault);
    }
  }
}

}  // namespace

void CheckCommandsEmptySession(CheckContext& c) {
  CheckSession s(c);
  if (!s.Start() || NoteWhenNoCommand(c, s)) return;
  for (const ModuleCommand& command : InOrder(c, s.Commands())) {
    if (c.Failed()) return;
    s.Choose(command, "with no document open");
  }
  s.Finish("after the commands");
}

void CheckCommandsNothingSelected(CheckContext& c) {
  CheckSession s(c);
  if (!s.Start() || NoteWhenNoCommand(c, s)) return;
  const ObjectId blank = s.host().model().NewDocument("blank");
  s.host().model().SetActiveDocument(blank);
  for (const ModuleCommand& command : InOrder(c, s.Commands())) s.Choose(command, "in an empty document");
  const CheckPage page = BuildCheckPage(s.host());
  for (const ModuleCommand& command : InOrder(c, s.Commands())) {
    if (c.Failed()) return;
    s.host().ClearSelection(page.doc);
    s.Choose(command, "with nothing selected");
  }
  s.Finish("after the commands");
}

void CheckCommandsGraphicSelected(CheckContext& c) {
  OnSelections(c, GraphicSelections());
}

void CheckCommandsTableSelected(CheckContext& c) {
  OnSelections(c, TableSelections());
}

void CheckCommandsHostFailures(CheckContext& c) {
  CheckSession s(c);
  if (!s.Start() || NoteWhenNoCommand(c, s)) return;
  const std::vector<PageSelection> cases = {GraphicSelections()[0], GraphicSelections()[7], TableSelections()[0],
                                            TableSelections()[3]};
  for (const ModuleCommand& command : s.Commands())
    for (const PageSelection& how : cases) FaultsForCommand(c, s, how, command);
  if (!c.Failed()) s.Finish("after the commands");
}

void CheckCommandsRandomSelections(CheckContext& c) {
  CheckSession s(c);
  if (!s.Start() || NoteWhenNoCommand(c, s)) return;
  for (int p = 1; p <= c.Pages(); ++p) {
    const ObjectId doc = BuildRandomPage(s.host(), c.rng());
    for (int round = 0; round < 2 + 2 * c.level(); ++round) {
      const std::string selected = SelectAtRandom(s.host(), doc, c.rng());
      const std::string when = "on random page " + std::to_string(p) + " " + selected;
      for (const ModuleCommand& command : InOrder(c, s.Commands())) {
        if (c.Failed()) return;
        // Now and then an answer ready for a prompt: a plain one, an odd one, or a cancel.
        switch (c.rng()() % 4) {
          case 0:
            s.host().AnswerNextPrompt(static_cast<int32_t>(c.rng()() % 8));
            break;
          case 1:
            s.host().AnswerNextPrompt(static_cast<int32_t>(c.rng()()));
            break;
          case 2:
            s.host().CancelNextPrompt();
            break;
        }
        s.Choose(command, when);
      }
    }
    s.host().CloseDocument(doc);
  }
  s.Finish("after the random pages");
}

}  // namespace zvhost
