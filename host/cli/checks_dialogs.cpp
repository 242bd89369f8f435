// The checks of the module's dialogs and notifications: prompts cancelled and answered with
// values no one should type, and storms of notifications and selection changes.
#include <climits>
#include <string>
#include <vector>

#include "host/cli/check_session.h"

namespace zvhost {

namespace {

// The selections the prompt checks choose each command on.
std::vector<PageSelection> PromptCases() {
  return {GraphicSelections()[0], GraphicSelections()[7], TableSelections()[0], TableSelections()[3]};
}

}  // namespace

void CheckPromptsCancelled(CheckContext& c) {
  CheckSession s(c);
  if (!s.Start()) return;
  int asked = 0;
  for (const PageSelection& how : PromptCases()) {
    const CheckPage page = BuildCheckPage(s.host());
    for (const ModuleCommand& command : s.Commands()) {
      if (c.Failed()) return;
      how.apply(s.host(), page);
      const Snapshot before = s.host().model().TakeSnapshot();
      const size_t prompts = s.host().Prompts().size();
      for (int i = 0; i < 3; ++i) s.host().CancelNextPrompt();
      s.Choose(command, std::string(how.what) + ", its prompt cancelled");
      if (s.host().Prompts().size() == prompts) continue;
      ++asked;
      const std::vector<Change> changes = Diff(before, s.host().model().TakeSnapshot());
      if (!changes.empty())
        c.Fail("Command(" + std::to_string(command.number) + ") " + command.path + " " + how.what +
               ": expected a cancelled prompt to change nothing, found " + std::to_string(changes.size()) +
               " change(s), the first: " + changes.front().ToString());
    }
    s.host().CloseDocument(page.doc);
  }
  if (asked == 0) c.Note("empty: no command asked anything");
  s.Finish("after the prompts");
}

void CheckPromptsBadValues(CheckContext& c) {
  CheckSession s(c);
  if (!s.Start()) return;
  const int32_t values[] = {0, -1, 1, INT32_MIN, INT32_MAX, 1000000, -1000000, 32768, 65536};
  int asked = 0;
  for (const PageSelection& how : PromptCases()) {
    for (const ModuleCommand& command : s.Commands()) {
      for (int32_t value : values) {
        if (c.Failed()) return;
        const CheckPage page = BuildCheckPage(s.host());
        how.apply(s.host(), page);
        const size_t prompts = s.host().Prompts().size();
        // The same answer to a prompt asked again, then a cancel, so that the command ends.
        for (int i = 0; i < 3; ++i) s.host().AnswerNextPrompt(value);
        s.host().CancelNextPrompt();
        s.Choose(command, std::string(how.what) + ", answered " + std::to_string(value));
        s.host().CloseDocument(page.doc);
        if (s.host().Prompts().size() == prompts) break;  // it asks nothing here
        ++asked;
      }
    }
  }
  if (asked == 0) c.Note("empty: no command asked anything");
  s.Finish("after the prompts");
}

namespace {

// A text the host may hand with a notification: none, empty, short, long, fields, odd bytes.
const char* NotificationText(uint32_t pick) {
  static const std::string kLong(4096, 'A');
  static const char* const texts[] = {nullptr,
                                      "",
                                      "report.fm",
                                      "a\x1E"
                                      "b\x1E"
                                      "c",
                                      "\x1E\x1E",
                                      "\xFF\xFE\x80",
                                      kLong.c_str()};
  return texts[pick % (sizeof texts / sizeof texts[0])];
}

// Selections in quick succession: one after another, several at once, cells, the cursor, none.
void SelectionStorm(CheckContext& c, CheckSession& s, const CheckPage& page, int rounds) {
  Host& h = s.host();
  for (int i = 0; i < rounds && !c.Failed(); ++i) {
    c.Step("a storm of selection changes, change " + std::to_string(i + 1));
    h.log().Clear();
    std::vector<ObjectId> some;
    for (int n = 1 + static_cast<int>(c.rng()() % 4); n > 0; --n)
      some.push_back(page.graphics[c.rng()() % page.graphics.size()]);
    switch (c.rng()() % 5) {
      case 0:
        h.SelectInOrder(page.doc, some);
        break;
      case 1:
        h.SelectGraphics(page.doc, some);
        break;
      case 2:
        h.SelectCells(page.doc, page.table, 0, static_cast<int32_t>(c.rng()() % 3), 0, 1);
        break;
      case 3:
        h.PlaceCursor(page.doc, page.cellParagraph, 0);
        break;
      default:
        h.ClearSelection(page.doc);
    }
    s.AfterEvent("a selection change", hr::Ok, "in a storm of selection changes");
  }
}

}  // namespace

void CheckNotificationStorms(CheckContext& c) {
  CheckSession s(c);
  if (!s.Start()) return;
  Host& h = s.host();
  const CheckPage page = BuildCheckPage(h);
  const std::vector<int32_t> codes = h.RequestedNotifications();
  if (codes.empty()) c.Note("the module asked for no notification: only selection changes are stormed");
  const ObjectId docs[] = {0, page.doc, 0x04FFFFFFu};
  for (int i = 0; i < 100 * c.level() && !codes.empty() && !c.Failed(); ++i) {
    const int32_t code = codes[c.rng()() % codes.size()];
    const std::string event = "Notify(" + std::to_string(code) + ")";
    c.Step(event + " in a storm of notifications, number " + std::to_string(i + 1));
    h.log().Clear();
    const HResult hr =
        h.Notify(code, docs[c.rng()() % 3], NotificationText(c.rng()()), static_cast<int32_t>(c.rng()()));
    s.AfterEvent(event, hr, "in a storm of notifications");
  }
  SelectionStorm(c, s, page, 50 * c.level());
  // Then the document closes under the selection, and each command runs with none left.
  c.Step("closing the document after the storm");
  h.CloseDocument(page.doc);
  s.AfterEvent("closing the document", hr::Ok, "after the storm");
  for (const ModuleCommand& command : s.Commands()) {
    if (c.Failed()) return;
    s.Choose(command, "after the storm, its document closed");
  }
  s.Finish("after the storm");
}

}  // namespace zvhost
