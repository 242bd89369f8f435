// Runs scenario steps against the reference host with the real module loaded: builds the
// page, acts as the user, and reports what each step changed, in words and in pictures.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "host/binding/host.h"
#include "host/scenario/scenario.h"
#include "host/view/svg_page.h"

namespace zvhost {

struct RunOptions {
  std::string modulePath;    // empty: the host's default (the module beside the program)
  bool trace = false;        // add the call log of each step to its transcript
  bool pictures = false;     // keep before/after pictures of changing steps
  bool pictureMoves = true;  // ... also of those that only move the graphics' selection
  double svgScale = 1.5;     // pixels per point of the pictures
};

struct StepOutcome {
  std::string transcript;          // what the step printed (empty lines are dropped)
  int failures = 0;                // expectations of this step that failed
  bool changed = false;            // the step changed the document model
  bool reshaped = false;           // ... more than the selection: an object made, deleted or changed
  PageView viewBefore, viewAfter;  // the page before and after, when pictures are kept and it changed
};

class ScenarioRunner {
 public:
  explicit ScenarioRunner(RunOptions options);
  ~ScenarioRunner();

  // Loads the module and initializes it. On failure `error` says why.
  bool Start(std::string* error);
  // The banner from the console and the module's menus as the host shows them.
  std::string Preamble() const;
  std::string RegistrationText() const;  // the registration list the module passed, a line each
  // Runs one step. Throws ScenarioError when the step cannot be carried out (an unknown name,
  // no document yet); an expectation that does not hold is a failure, not an error.
  StepOutcome Run(const Step& step);
  // The end of a scenario: answers that no prompt took are failures.
  StepOutcome Finish();

  PageView View() const;         // the current document's page
  std::string ShowText() const;  // the page as text: objects nested, frame-relative positions
  // The menus and commands the module put on the menu bar (or only the menu labelled `top`),
  // with numbers and shortcuts.
  std::string MenuText(const std::string& top = "") const;
  Host& host() { return *host_; }
  void SetTrace(bool on) { options_.trace = on; }
  void SetPictures(bool on) { options_.pictures = on; }
  void SetPictureMoves(bool on) { options_.pictureMoves = on; }
  // The name a scenario uses for an object: the one it was given, or one derived from it
  // ("t[2,1]" for a cell, "t[2]" for a row, "new1" for what a command made).
  std::string NameOf(ObjectId id) const;
  // The text with every object id ("12:5") replaced by the object's name.
  std::string WithNames(const std::string& text) const;
  ObjectId IdOf(const std::string& name) const;  // 0 when unknown
  std::vector<std::string> Names() const;        // every name the scenario uses, sorted
  ObjectId CurrentDocument() const { return doc_; }

 private:
  // Each step kind has a handler, found through kHandlers; its family says what frames it.
  using Handler = void (ScenarioRunner::*)(const Step&, StepOutcome&);
  enum class Family {
    Build,   // makes objects in the model; its new names are checked first
    Act,     // acts as the user; selection and console are reported
    Change,  // acts and may change the document: the changes are described and pictured
    Expect,  // reads only
  };
  struct StepHandler {
    StepKind kind;
    Family family;
    Handler run;
  };
  static const StepHandler kHandlers[];

  ObjectId Resolve(const Step& st, const ObjectRef& ref) const;
  ObjectId RequireDoc(const Step& st) const;
  void Define(const Step& st, const std::string& name, ObjectId id);
  void CheckNewNames(const Step& st) const;
  void CheckLength(const Step& st, const std::string& what, const Quantity& q, bool size) const;
  void Act(const Step& st, StepOutcome& out, Handler run, bool changes);
  void ReportChanges(const Step& st, StepOutcome& out, const std::string& selectionBefore);
  void Pictures(StepOutcome& out);
  // Marks the selection of `view` anew from the model, reading no object; false when text or
  // cells are selected (the page must be read again).
  bool Reselect(PageView& view) const;
  void Describe(const Snapshot& before, const Snapshot& after, const std::string& selectionBefore, StepOutcome& out);
  std::string SelectionText() const;  // "fig, pie", "cells of t [1,0] to [1,1]", "cursor in p1"
  std::string PropLabel(ObjectId id, int32_t prop) const;
  ObjectId FirstParagraph(ObjectId container);
  void Fail(StepOutcome& out, const std::string& text);
  void UnusedAnswers(StepOutcome& out, const std::string& when);
  [[noreturn]] void NoSuchCommand(const Step& st, const std::string& what) const;
  void CheckCode(const Step& st, const Quantity& q) const;  // a whole number without a unit

  // Building steps (build_steps.cpp).
  void BuildDocument(const Step& st, StepOutcome& out);
  void BuildGrid(const Step& st, StepOutcome& out);
  void BuildGraphic(const Step& st, StepOutcome& out);  // frames too
  void BuildParagraph(const Step& st, StepOutcome& out);
  void BuildAnchored(const Step& st, StepOutcome& out);
  void BuildTable(const Step& st, StepOutcome& out);
  // Acting steps (act_steps.cpp).
  void ActSelect(const Step& st, StepOutcome& out);
  void ActSelectCells(const Step& st, StepOutcome& out);
  void ActDeselect(const Step& st, StepOutcome& out);
  void ActCursor(const Step& st, StepOutcome& out);
  void ActAnswer(const Step& st, StepOutcome& out);
  void ActClose(const Step& st, StepOutcome& out);
  void ActName(const Step& st, StepOutcome& out);
  void ActFault(const Step& st, StepOutcome& out);
  void ActShow(const Step& st, StepOutcome& out);
  // Changing steps (change_steps.cpp).
  void ChangeChoose(const Step& st, StepOutcome& out);
  void ChangeSet(const Step& st, StepOutcome& out);
  // Expectations (expect_steps.cpp).
  void ExpectProperty(const Step& st, StepOutcome& out);
  void ExpectWord(const Step& st, StepOutcome& out, ObjectId id);
  void PropertyVerdict(const Step& st, StepOutcome& out, bool ok, const std::string& have, const std::string& want);
  void ExpectSelection(const Step& st, StepOutcome& out);
  void ExpectCells(const Step& st, StepOutcome& out);
  void ExpectCursor(const Step& st, StepOutcome& out);
  void ExpectAlert(const Step& st, StepOutcome& out);
  void ExpectPrompt(const Step& st, StepOutcome& out);
  void ExpectConsole(const Step& st, StepOutcome& out);
  void ExpectMenu(const Step& st, StepOutcome& out);
  void ExpectUnchanged(const Step& st, StepOutcome& out);
  void ExpectClipboard(const Step& st, StepOutcome& out);
  void ExpectUndo(const Step& st, StepOutcome& out);

  RunOptions options_;
  std::unique_ptr<Host> host_;
  std::map<std::string, ObjectId> names_;
  std::map<ObjectId, std::string> byId_;
  ObjectId doc_ = 0;
  int newCount_ = 0;
  ObjectId lastCreated_ = 0;    // the newest object the last command created
  std::set<ObjectId> changed_;  // objects the last acting step changed (marked in pictures)
  PageView lastView_;           // the page as it stands, for the next changing step's picture before
  bool lastViewValid_ = false;  // ... kept up to date since it was read (not after building or other acts)
  size_t consoleSeen_ = 0;
  std::vector<AlertRecord> lastAlerts_;
  std::vector<PromptRecord> lastPrompts_;
  std::vector<std::string> answers_;  // the queued answer lines not yet taken by a prompt
  // What the module keeps to itself, as the host saw it happen: the geometry the last "Copy
  // Graphic Props" read (x, y, width, height; zeros at start), and the object the next "Undo
  // Operation" acts on (the last object a command read whole or created; 0: nothing recorded).
  Metric clipboard_[4] = {0, 0, 0, 0};
  ObjectId undo_ = 0;
  uint64_t readsBefore_ = 0;  // whole-object reads before the command being chosen
};

// Property names a scenario uses ("x", "width", "left-indent", "columns" ...) and their numbers;
// 0 when unknown. A number written as such ("781") is taken as it is.
int32_t ScenarioPropertyNumber(const std::string& name, int objectType);
std::string ScenarioPropertyName(int32_t number);
std::string ScenarioPropertyNames();

}  // namespace zvhost
