// The binding room (host/binding/): loading the client module, the COM objects the host hands
// out, the session's operations (session_*.cpp, one file per family), the lists returned to the
// client, the call log and fault injection. It uses the document model (host/model/) and the
// binary interface (hostapi/) only; the scenario language, the views and the program build on it.
//
// The reference host: loads the client module, binds it through the root object and the six
// host interfaces, serves the session's operations from a document model, delivers events by
// the event interface's slots, and records everything for tests, scenarios and people.
//
//   zvhost::Host host;
//   if (!host.Start()) { puts(host.LastError().c_str()); }   // load, bind, Initialize(1)
//   auto& m = host.model();
//   auto doc = m.NewDocument("demo");
//   auto frame = m.AddFrame(doc, {36, 36, 400, 300});
//   auto g = m.AddRectangle(frame, {10, 20, 100, 50});
//   host.SelectGraphics(doc, {g});
//   auto before = m.TakeSnapshot();
//   host.ChooseMenu("Zorvan > Add Frame To Graphic");
//   puts(zvhost::FormatChanges(zvhost::Diff(before, m.TakeSnapshot())).c_str());
//   host.Stop();   // the host drops the event object: the client tears down
//   host.AuditReferences().AllBack();
//
// One Host at a time per process: the client module keeps process-wide state.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "host/binding/call_log.h"
#include "host/binding/faults.h"
#include "host/binding/high_memory.h"
#include "host/model/model.h"
#include "host/model/numbers.h"
#include "hostapi/abi.h"

namespace zvhost {

// The interfaces the root object hands out, in the order a client asks for them.
enum class Interface : int { Session = 0, Aux1, Aux2, MemoryPolicy, ModuleLink, Extension, Count };
const char* InterfaceName(Interface i);

// TaskAlloc and TaskFree, the COM task allocator: host/binding/high_memory.h.

struct RegistrationEntry {  // one element of the registration list the client passed
  int32_t number = 0;
  std::string name;  // key name when number is 0
  int32_t type = 0;
  std::string text;  // type 3
  uint32_t words[4] = {0, 0, 0, 0};
};

// The client's entry point, F_ApiClientInit: module handle, root object, held object,
// registration list; 0 = bound.
using ClientEntry = int32_t(ZVH_CALL*)(void* module, void* root, void* held, zv::PropList* registration);

struct HostOptions {
  std::string modulePath;            // empty: $ZORVAN_MODULE, else the module beside the executable
  ClientEntry entryPoint = nullptr;  // set: an in-process client, no module file is loaded
  void* inProcessModule = nullptr;   // the module handle passed to an in-process client
  bool keepsResults = false;         // AskHostKeepsResults answers 0 (keeps) instead of 1 (S_FALSE)
  bool keepsEventObject = true;      // RegisterClient takes (and keeps) a reference to the client
  std::set<Interface> refused;       // the root object refuses these
  bool nullRoot = false;             // F_ApiClientInit gets a null root object
  bool nullModuleHandle = false;     // ... a null module handle
  bool passHeldObject = false;       // ... a held object whose references the host counts
  bool passRegistration = false;     // ... the registration list below instead of null
  std::vector<std::pair<int32_t, std::string>> registration;  // number -> text (type 3)
  bool initialize = true;                                     // Start() also delivers Initialize(1)
  bool initializeDuringRegistration = false;                  // RegisterClient delivers Initialize(1) before it returns
  bool enforceEnableConditions = false;                       // Choose* refuses a command whose condition is not met
  bool refuseResourceBlocks = false;  // the task allocator refuses the block of a GetResource answer
  int32_t alertAnswer = 0;            // what ShowAlert answers
  // Longest wait for the millisecond tick to move on before a selection action, so that the
  // module's selection history tells earlier selections from later ones; 0: never wait.
  int selectionStepMs = 20;
  // Asks a person when a prompt comes and no answer is queued (the shell at a terminal): true
  // with the value given, false when the person cancelled. Unset: such a prompt is cancelled.
  std::function<bool(const std::string& prompt, const std::string& defaultText, int32_t* value)> askPerson;
  // The client's tick count comes from the host: 1000 at loading, one more at each reading, so
  // a session replays identically on any machine and target (selections never wait).
  bool virtualClock = false;
  ModelOptions model;
};

struct AlertRecord {
  std::string text;
  int32_t kind = 0;
};
struct PromptRecord {
  std::string prompt;
  std::string defaultText;
  bool answered = false;  // false: cancelled (no answer queued)
  int32_t answer = 0;
};

struct ListCounters {
  uint64_t returned = 0;          // lists (PropList, MetricList) handed to the client
  uint64_t releasedByClient = 0;  // ... whose element array the client gave back
  uint64_t freedByHost = 0;       // ... the host freed itself (keeps results)
  uint64_t leaked = 0;            // ... still unreleased when the host checked at shutdown
  uint64_t outstanding = 0;       // ... neither released nor freed yet
  bool tracked = false;           // the client's task-free function could be watched
};

struct RefCountEntry {
  std::string name;
  int32_t atStart = 0;  // the host's own reference
  int32_t now = 0;
  bool handedOut = false;  // the client received it at least once
};
struct RefAudit {
  std::vector<RefCountEntry> entries;
  bool AllBack() const;          // every count is back where it started
  std::string ToString() const;  // one line per object, "Session 1 -> 1 ok"
};

struct ChooseResult {
  bool found = false;      // the command exists
  bool enabled = true;     // its enabling condition is met (checked only when enforced)
  bool delivered = false;  // the Command event was sent
  int32_t number = 0;
  HResult hresult = 0;
  explicit operator bool() const { return delivered; }
};

class HostImpl;

class Host {
 public:
  explicit Host(HostOptions options = {});
  ~Host();  // Stop(), then unloads the module
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  HostOptions& options();
  Model& model();
  const Model& model() const;
  CallLog& log();
  const CallLog& log() const;
  Faults& faults();

  // ---- Life cycle ----
  // Loads the module, calls F_ApiClientInit and (when options.initialize) Initialize(1).
  // True when the client is bound (init returned 0 and the host holds the event object).
  bool Start();
  bool Load();               // only loads the module file and finds the entry point
  int32_t CallClientInit();  // F_ApiClientInit with the configured arguments; its result
  bool Bound() const;        // the host holds the client's event interface
  int32_t InitResult() const;
  // Releases the host's reference to the event object (the client tears down), frees kept
  // lists, counts leaks. When the client says its event object is gone, every reference it
  // still holds is a problem (Problems()), and so is a call on an interface it gave back
  // during the teardown (seen while the log is on). The module stays loaded until Unload() or
  // destruction; calls the client makes after the teardown, until then, are problems too.
  void Stop();
  void Unload();
  std::string LastError() const;  // why Start/Load failed
  std::string ModulePath() const;
  static std::string DefaultModulePath();

  // ---- Events, delivered by the event interface's slots; each returns the HRESULT ----
  HResult Initialize(int32_t kind);
  HResult Command(int32_t number);
  HResult Notify(int32_t code, ObjectId doc, const char* text, int32_t value);
  HResult Quit();
  HResult Message(int32_t a, int32_t b, int32_t c);
  HResult DialogEvent(int32_t a, int32_t b, int32_t c);
  // The block the client fills is copied into `bytes` and freed with the task allocator.
  HResult GetResource(int32_t type, const char* name, std::vector<uint8_t>* bytes);
  HResult GetResourceRaw(int32_t type, const char* name, zv::ByteBlock* block);  // block stays the caller's
  // Standard methods on the event interface (slot 0, 1, 2); results as the client gave them.
  HResult EventQueryInterface(const Iid& iid, void** out);
  uint32_t EventAddRef();
  uint32_t EventRelease();
  void* EventInterface() const;  // the pointer the host holds, or null
  void* ClientIdentity() const;  // the object RegisterClient received
  bool NotificationRequested(int32_t code) const;
  std::vector<int32_t> RequestedNotifications() const;  // in the order they were first requested

  // ---- What the client told the host at start-up ----
  const std::vector<RegistrationEntry>& Registration() const;
  bool RegistrationWasNull() const;
  uint32_t RegisteredVersion() const;
  void* ModuleHandle() const;          // the handle the module was loaded with
  void* RecordedClientModule() const;  // what SetClientModule told the host
  bool ClientModuleRecorded() const;
  std::vector<std::string> InterfaceRequests() const;  // names asked of the root object, in order

  // ---- The user's actions (notifications 44/45 around each selection change) ----
  void SelectGraphics(ObjectId doc, const std::vector<ObjectId>& graphics);  // one action
  void SelectInOrder(ObjectId doc, const std::vector<ObjectId>& graphics);   // one action each
  void AddToSelection(ObjectId doc, ObjectId graphic);
  void ClearSelection(ObjectId doc);  // graphics, cells and text
  // False when the table or the block is not in the document.
  bool SelectCells(ObjectId doc, ObjectId table, int32_t top, int32_t bottom, int32_t left, int32_t right);
  bool SelectTable(ObjectId doc, ObjectId table);
  void PlaceCursor(ObjectId doc, ObjectId paragraph, int32_t offset = 0);
  // Notification 11, removal, notification 40 (each when requested); false if no such document.
  bool CloseDocument(ObjectId doc);
  ChooseResult ChooseCommand(int32_t number);
  ChooseResult ChooseMenu(const std::string& path);          // "Zorvan > Select > Select Parent Object"
  ChooseResult ChooseShortcut(const std::string& shortcut);  // "\\!pgp"
  bool CommandEnabled(ObjectId command) const;

  // ---- Dialogs and console ----
  void AnswerNextPrompt(int32_t value);
  void CancelNextPrompt();
  size_t PendingPromptAnswers() const;
  void DropPromptAnswers();
  const std::vector<AlertRecord>& Alerts() const;
  const std::vector<PromptRecord>& Prompts() const;
  const std::vector<std::string>& ConsoleWrites() const;  // each PrintToConsole text
  std::string ConsoleText() const;                        // all of them joined
  int Refreshes(ObjectId doc) const;
  int ScreenUpdateChanges() const;  // writes of the session's screen-update property
  void ClearRecords();              // alerts, prompts, console, log

  // ---- Memory and references ----
  ListCounters Lists() const;
  // The client's successful ReadAllProps calls so far, and the object of the last one.
  uint64_t ReadAllCount() const;
  ObjectId LastReadAllObject() const;
  RefAudit AuditReferences() const;
  int32_t HeldObjectRefs() const;
  std::vector<std::string> Problems() const;  // contract breaches seen (bad pointers, leaks...)
  // Calls the client made on interfaces it had given back during its teardown, or after the
  // teardown (each also a problem); `first` gets the first of them ("Session.PrintToConsole").
  uint64_t CallsAfterTeardown(std::string* first = nullptr) const;

  // The event the host is delivering, innermost first ("Command(5)"), or "" between events.
  // A fixed buffer, readable from a crash handler.
  const char* EventInProgress() const;
  // The Host of this process (one at a time), or null: what a crash handler reports on.
  static Host* Current();

  HostImpl& impl() { return *impl_; }

 private:
  std::unique_ptr<HostImpl> impl_;
};

}  // namespace zvhost
