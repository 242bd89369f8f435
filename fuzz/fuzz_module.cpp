// The whole module driven through the reference host, in-process: the input builds documents
// (frames, graphics of every kind, text frames, paragraphs, tables with titles, anchored
// frames), selects, runs commands with prompt answers or cancels, sends notifications, makes
// host calls fail and the client heap refuse, and lets the host lie about properties. After
// every step and every input the host and the document are checked (fuzz/module_oracles.h and
// Session::Check*).
//
// Between inputs neither the module nor the host is made again (that would cost more than the
// input): each input binds the module anew (the memory policy, the held object and the
// registration list are the input's), and after it the host drops its reference (the module
// tears down, as the protocol allows before binding again) and its audits run. What a fresh load
// of the module would start with is then restored: the undo record, the geometry clipboard and
// the selection history emptied, the last function code and the closing document back to 0 (by
// the module's own notifications), the clock back to its start. The host removes its documents,
// records and faults; its menu stays, as Initialize(1) made it for the first binding (a second
// Initialize(1) finds every item by name and makes the same menu), so it is not sent again.
// So every input runs as on a freshly loaded module, and replays alike (only the numbers of the
// host's new objects go on counting).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "client/client.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/module_host.h"
#include "fuzz/module_input.h"
#include "fuzz/module_oracles.h"
#include "fuzz/module_platform.h"
#include "host/binding/host.h"
#include "host/binding/host_impl.h"
#include "hostapi/host_call.h"
#include "tests/module/undo_tracker.h"
#include "tests/support/commands.h"
#include "tools/tools_internal.h"
#include "util/memory.h"

extern "C" int32_t F_ApiClientInit(zv::ModuleHandle module, void* root, void* held, zv::PropList* registration);

namespace fuzzmodule {

using zvhost::Host;
using zvhost::ObjectId;
namespace obj = zvhost::obj;

constexpr size_t kMaxSteps = 400;
bool g_trace = false;  // ZORVAN_FUZZ_TRACE=1: every call between host and module, per input
constexpr size_t kMaxObjects = 120;

// Failing calls: a busy host, another failing HRESULT, a host status, a status left unwritten.
zvhost::Fault FaultOfKind(uint8_t kind, uint8_t status) {
  switch (kind % 4) {
    case 0:
      return zvhost::Fault::Busy();
    case 1:
      return zvhost::Fault::Failed();
    case 2:
      return zvhost::Fault::Status(1 + status % 40);
    default:
      return zvhost::Fault::StatusUnwritten();
  }
}

const char* const kOperations[] = {"GetIdProp",         "GetIntProp",       "SetIntProp",       "GetMetricProp",
                                   "SetMetricProp",     "ReadAllProps",     "WriteAllProps",    "RefreshDocument",
                                   "ShowAlert",         "AskForInteger",    "CreateGraphic",    "DeleteObject",
                                   "GetTextLocProp",    "GetTextRangeProp", "SetTextRangeProp", "GetMetricListProp",
                                   "SetMetricListProp", "SelectTableCells"};

class Session {
 public:
  Session(Host& host, Bytes& in) : host_(host), m_(host.model()), in_(in) {}

  void Run() {
    for (size_t n = 0; n < kMaxSteps && in_.More(); ++n) {
      Step(static_cast<uint8_t>(in_.U8() % StepCount));
      CheckAfterStep();
    }
  }

 private:
  // ---- The page ----
  ObjectId Doc() const { return m_.ActiveDocument(); }
  bool Room() const { return objects_ < kMaxObjects; }
  ObjectId Live(const std::vector<ObjectId>& ids) {
    ObjectId id = Pick(ids, in_.U8());
    return m_.Exists(id) ? id : 0;
  }
  void Keep(std::vector<ObjectId>& into, ObjectId id) {
    if (id == 0) return;
    into.push_back(id);
    ++objects_;
  }
  zvhost::Geometry Geometry() { return {in_.Length(), in_.Length(), in_.Length(), in_.Length()}; }

  void NewDocument() {
    ObjectId doc = m_.NewDocument("fuzz");
    docs_.push_back(doc);
    uint8_t b = in_.U8();
    if (b & 1) m_.SetActiveDocument(doc);
    if (b & 2) m_.SetGridSpacing(doc, (b >> 2) % 4 == 0 ? 0 : in_.Length());
  }
  void AddGraphic(ObjectId frame) {
    uint8_t t = in_.U8();
    int type = 10 + t % 12;  // 10 to 21: every graphic kind, 19 a text frame
    ObjectId g = m_.AddGraphic(frame, type, Geometry());
    Keep(graphics_, g);
    if (type == obj::TextFrame && g) Keep(paragraphs_, m_.AddParagraph(g, in_.Text(8), in_.Below(6)));
  }
  void AddTable(ObjectId para) {
    zvhost::TableSpec spec;
    uint8_t a = in_.U8(), b = in_.U8();
    spec.columnWidths.assign(1 + a % 4, in_.Length());
    spec.rows = 1 + (a >> 2) % 4;
    spec.firstRow = (a >> 4) % spec.rows;
    spec.placement = static_cast<int32_t>(b % 4);
    spec.title = (b & 4) != 0;
    spec.titleAlignment = static_cast<int32_t>((b >> 3) % 6);
    spec.leftIndent = in_.Length();
    if (b & 0x80) spec.titleRowWidth = in_.Length();
    Keep(tables_, m_.AddTable(para, spec));
  }

  void Build(uint8_t step) {
    if (!Room() && step != StepNewDocument) return;
    switch (step) {
      case StepNewDocument:
        if (docs_.size() < 6) NewDocument();
        break;
      case StepAddFrame:
        if (ObjectId doc = Doc(); m_.Exists(doc)) Keep(frames_, m_.AddFrame(doc, Geometry()));
        break;
      case StepAddGraphic:
        if (ObjectId frame = Live(frames_)) AddGraphic(frame);
        break;
      case StepAddTextFrame:
        if (ObjectId frame = Live(frames_)) {
          ObjectId text = m_.AddTextFrame(frame, Geometry());
          Keep(graphics_, text);
          if (text) Keep(paragraphs_, m_.AddParagraph(text, in_.Text(8), in_.Below(6)));
        }
        break;
      case StepAddAnchoredFrame:
        if (ObjectId para = Live(paragraphs_)) {
          ObjectId frame = m_.AddAnchoredFrame(para, in_.Below(4), Geometry());
          Keep(frames_, frame);
          Keep(graphics_, frame);
        }
        break;
      case StepAddTable:
        if (ObjectId para = Live(paragraphs_)) AddTable(para);
        break;
      case StepAddCellParagraph:
        if (ObjectId table = Live(tables_))
          Keep(paragraphs_, m_.AddParagraph(m_.Cell(table, in_.Below(4), in_.Below(4)), in_.Text(6)));
        break;
      default:  // StepAddFrameContent
        if (ObjectId frame = Live(frames_)) Keep(graphics_, m_.AddFrameContent(frame));
        break;
    }
  }

  // ---- The user's and the host's actions ----
  void Activate() {
    uint8_t b = in_.U8();
    m_.SetActiveDocument(b % 8 == 0 ? 0 : Live(docs_));
  }
  void SelectGraphics() {
    ObjectId doc = Doc();
    if (!m_.Exists(doc)) return;
    uint8_t how = in_.U8();
    std::vector<ObjectId> pick;
    pick.reserve(3);
    for (uint32_t i = 1 + (how >> 2) % 3; i > 0; --i)
      if (ObjectId g = Live(graphics_)) pick.push_back(g);
    switch (how % 4) {
      case 0:
        host_.SelectGraphics(doc, pick);
        break;
      case 1:
        host_.SelectInOrder(doc, pick);
        break;
      case 2:
        if (!pick.empty()) host_.AddToSelection(doc, pick[0]);
        break;
      default:
        host_.ClearSelection(doc);
    }
  }
  void SelectText() {
    ObjectId doc = Doc();
    uint8_t how = in_.U8();
    if (how % 3 == 0) {
      if (ObjectId para = Live(paragraphs_)) host_.PlaceCursor(doc, para, in_.Below(4));
      return;
    }
    ObjectId table = Live(tables_);
    if (table == 0) return;
    if (how % 3 == 1) {
      host_.SelectTable(doc, table);
      return;
    }
    int32_t top = in_.Below(4), left = in_.Below(4);
    host_.SelectCells(doc, table, top, top + in_.Below(3), left, left + in_.Below(3));
  }
  void Notify() {
    const int32_t codes[] = {zvhost::note::BeforeFunction, zvhost::note::AfterFunction, zvhost::note::SeparatedText,
                             zvhost::note::DocClosing, zvhost::note::DocClosed};
    const int32_t functions[] = {0, 0x3E, 0x3F, 0x47, 0x48, 0x40, 0x1003E};
    uint8_t a = in_.U8();
    int32_t code = a % 8 < 5 ? codes[a % 8] : in_.I32();
    ObjectId doc = (a >> 3) % 4 == 0 ? static_cast<ObjectId>(in_.I32()) : Doc();
    int32_t value = (a >> 5) % 4 == 0 ? in_.I32() : functions[in_.Below(7)];
    std::string text = in_.Text(40);
    Check(host_.Notify(code, doc, (a & 0x80) ? nullptr : text.c_str(), value) == 0);
  }
  void ArmFault() {
    uint8_t a = in_.U8(), b = in_.U8();
    zvhost::Fault fault = FaultOfKind(a, b);
    if (a & 4)
      host_.faults().FailOperation(kOperations[b % (sizeof kOperations / sizeof *kOperations)], fault,
                                   1 + (a >> 3) % 3);
    else
      host_.faults().FailNth(1 + b % 24, fault, host_.log().MarkNow().ops);
  }
  void RefuseMemory() {
    uint8_t a = in_.U8();
    if (a & 1)
      fuzzplatform::g_refuseTaskAlloc = true;  // for the next event
    else
      fuzzheap::g_grants = (a >> 1) % 24;  // the client heap grants this many, then refuses
  }
  void CloseDocument() {
    ObjectId doc = Live(docs_);
    if (doc == 0) return;
    undo_.ForgetIn(m_, doc);
    host_.CloseDocument(doc);
    if (!m_.Exists(m_.ActiveDocument())) m_.SetActiveDocument(m_.Documents().empty() ? 0 : m_.Documents().front());
  }
  void OtherEvent() {
    uint8_t a = in_.U8();
    switch (a % 5) {
      case 0:
        Check(host_.Quit() == 0);
        break;
      case 1:
        Check(host_.Message(in_.I32(), in_.I32(), in_.I32()) == 0);
        break;
      case 2:
        Check(host_.DialogEvent(in_.I32(), in_.I32(), in_.I32()) == 0);
        break;
      case 3: {
        const char* names[] = {"#1", "#2", "#16", "x", "", nullptr};
        int32_t type = (a >> 3) % 4 == 0 ? in_.I32() : static_cast<int32_t>(in_.Below(3) * 8);
        std::vector<uint8_t> bytes;
        zvhost::HResult r = host_.GetResource(type, names[in_.Below(6)], &bytes);
        Check(r == 0 || r == zvhost::hr::Fail);
        break;
      }
      default:
        Check(host_.Initialize(2 + in_.Below(6)) == 0);  // kinds other than 1 change nothing
    }
  }
  void ForceAnswer() {
    const Forced& f = ForcedProperties()[in_.Below(static_cast<uint32_t>(ForcedProperties().size()))];
    std::vector<ObjectId> all = graphics_;
    all.insert(all.end(), tables_.begin(), tables_.end());
    all.insert(all.end(), paragraphs_.begin(), paragraphs_.end());
    all.insert(all.end(), docs_.begin(), docs_.end());
    ObjectId target = Live(all);
    if (target == 0) return;
    zvhost::Value v;
    switch (f.kind) {
      case zvhost::ValueKind::Id:
        v = zvhost::Value::Id(in_.Bit() ? Live(all) : static_cast<ObjectId>(in_.I32()));
        break;
      case zvhost::ValueKind::TextLoc:
        v = zvhost::Value::Loc({Live(paragraphs_), in_.I32()});
        break;
      case zvhost::ValueKind::TextRange:
        v = zvhost::Value::Range({{Live(paragraphs_), static_cast<int32_t>(in_.Below(4))},
                                  {Live(paragraphs_), static_cast<int32_t>(in_.Below(4))}});
        break;
      case zvhost::ValueKind::MetricList: {
        std::vector<zvhost::Metric> list(in_.Below(5));
        for (auto& w : list) w = in_.I32();
        v = zvhost::Value::List(list);
        break;
      }
      case zvhost::ValueKind::Int:
        v = zvhost::Value::Int(in_.Bit() ? in_.I32() : static_cast<int32_t>(in_.Below(8)) - 2);
        break;
      default:
        v = zvhost::Value::OfMetric(in_.I32());
    }
    m_.ForceAnswer(target, f.prop, v);
  }

  void Step(uint8_t step) {
    switch (step) {
      case StepActivate:
        return Activate();
      case StepSelectGraphics:
        return SelectGraphics();
      case StepSelectText:
        return SelectText();
      case StepCommand:
      case StepCommand2:
      case StepCommand3:
        return RunCommand();
      case StepNotify:
        return Notify();
      case StepFault:
        return ArmFault();
      case StepRefuseMemory:
        return RefuseMemory();
      case StepCloseDocument:
        return CloseDocument();
      case StepOtherEvent:
        return OtherEvent();
      case StepForceAnswer:
        return ForceAnswer();
      default:
        return Build(step);
    }
  }

  // ---- Commands and what they may do ----
  struct Calls {
    std::vector<const zvhost::CallRecord*> records;  // the client's calls to the host
    bool faulted = false;
    const zvhost::CallRecord* First(const char* op) const {
      for (const auto* r : records)
        if (r->op == op) return r;
      return nullptr;
    }
    const zvhost::CallRecord* Last(const char* op) const {
      for (auto it = records.rbegin(); it != records.rend(); ++it)
        if ((*it)->op == op) return *it;
      return nullptr;
    }
  };
  Calls CallsSince(const zvhost::Mark& mark) const {
    Calls calls;
    calls.records = zvtest::CallsToHostSince(host_.log(), mark);
    for (const zvhost::CallRecord* r : calls.records)
      calls.faulted = calls.faulted || r->faulted;  // faults hit host calls only
    return calls;
  }

  void QueueAnswer() {
    uint8_t a = in_.U8();
    const int32_t extremes[] = {INT32_MIN, INT32_MAX, -1, 0, 1 << 20};
    if (a % 4 == 1) host_.AnswerNextPrompt(static_cast<int32_t>(in_.Below(40)));
    if (a % 4 == 2) host_.AnswerNextPrompt(extremes[in_.Below(5)]);
    if (a % 4 == 3) host_.CancelNextPrompt();
  }

  void RunCommand() {
    uint8_t b = in_.U8();
    const int32_t odd[] = {0, -1, Cmd::Last + 1, INT32_MIN};
    const int32_t pick = b % (Cmd::Count + 5);  // a command, or one of the odd numbers (0 twice)
    int32_t number = pick < Cmd::Count ? Cmd::First + pick : odd[pick - Cmd::Count < 4 ? pick - Cmd::Count : 0];
    bool viaMenu = (b & 0x80) != 0;
    QueueAnswer();
    zvhost::Mark mark = host_.log().MarkNow();
    size_t alerts = host_.Alerts().size();
    m_.BeginChanges();
    undo_.Start(Doc());
    zvhost::HResult hr = 0;
    if (viaMenu) {
      zvhost::ChooseResult r = host_.ChooseCommand(number);
      hr = r.hresult;
    } else {
      hr = host_.Command(number);
    }
    zvhost::Snapshot was, now;
    m_.EndChanges(&was, &now);
    host_.DropPromptAnswers();
    Check(hr == 0);
    Calls calls = CallsSince(mark);
    faultSinceUpdatesOn_ = faultSinceUpdatesOn_ || calls.faulted;
    CheckCalls(number, calls);
    std::vector<zvhost::Change> changes = zvhost::Diff(was, now);
    // A command that alerts or is refused leaves the document as it was.
    if (host_.Alerts().size() != alerts && !changes.empty()) Fail("an alerting command changed", changes);
    // The commands of the Select submenu change only the selection; a command whose steps
    // write nothing (Copy Graphic Props) changes nothing.
    const zvspec::CommandSpec& spec = zvspec::SpecOf(number);
    for (const zvhost::Change& c : changes) {
      if (spec.number == 0) break;  // not a command: the module ignores it
      if (spec.group == zvspec::Group::Select && (c.prop < 0 || !IsSelectionProperty(c.prop)))
        Fail("a selection command changed more than the selection", changes);
      if (!zvspec::ChangesThePage(spec)) Fail("a command that writes nothing changed", changes);
    }
    // "Undo Operation" after a changing command puts back exactly the stored properties it
    // saved, and a second one those before the first.
    std::string fault = undo_.Follow(m_, number, calls.records);
    if (!fault.empty()) {
      if (g_trace) std::fputs(host_.log().Text().c_str(), stderr);  // the calls that led here
      std::fprintf(stderr, "%s\n", fault.c_str());
      std::abort();
    }
  }

  void CheckCalls(int32_t number, const Calls& calls) {
    const std::set<std::string> allowed = zvspec::AllowedOperations(zvspec::SpecOf(number));  // none: unknown
    for (const auto* r : calls.records) {
      if (r->iface != "Session" || allowed.count(r->op) == 0) {
        std::fprintf(stderr, "command %d called %s.%s(%s), which its steps never call\n", static_cast<int>(number),
                     r->iface.c_str(), r->op.c_str(), r->args.c_str());
        std::abort();
      }
    }
  }

  [[noreturn]] static void Fail(const char* what, const std::vector<zvhost::Change>& changes) {
    std::fprintf(stderr, "%s:\n%s\n", what, zvhost::FormatChanges(changes).c_str());
    std::abort();
  }

  void CheckAfterStep() {
    fuzzheap::g_grants = -1;  // a refusing heap lasts one step
    fuzzplatform::g_refuseTaskAlloc = false;
    if (!host_.Problems().empty()) {
      std::fprintf(stderr, "the host saw a contract breach: %s\n", host_.Problems().front().c_str());
      std::abort();
    }
    Check(host_.Lists().outstanding == 0);
    // Screen updates are on after every step, unless a failed call since they were last on
    // kept them off (the module does not look at the results of its writes).
    if (m_.screenUpdates == 1) faultSinceUpdatesOn_ = false;
    Check(m_.screenUpdates == 1 || faultSinceUpdatesOn_);
  }

  Host& host_;
  zvhost::Model& m_;
  Bytes& in_;
  std::vector<ObjectId> docs_, frames_, graphics_, paragraphs_, tables_;
  size_t objects_ = 0;
  zvtest::UndoTracker undo_;
  bool faultSinceUpdatesOn_ = false;
};

void RunInput(const uint8_t* data, size_t size) {
  Bytes in(data, size);
  uint8_t flags = in.U8();
  Host& host = SharedHost();
  Configure(host, flags, in.Text(12));
  host.impl().hookInstalled = true;  // the module's frees reach the host (module_platform.cpp)
  host.impl().counters.tracked = true;
  fuzzplatform::g_watcher = &host.impl();
  fuzzplatform::g_ticks = 1000;
  Check(host.Start());
  {
    Session session(host, in);
    session.Run();
  }
  if (g_trace) std::fputs(host.log().Text().c_str(), stderr);
  host.faults().Clear();
  host.Notify(zvhost::note::BeforeFunction, 0, "", 0);  // the last function code back to 0
  host.Notify(zvhost::note::DocClosing, 0, "", 0);      // no document closing
  host.Stop();
  AuditTeardown(host);
  ResetModule();
  ResetHost(host);
  fuzzplatform::g_watcher = nullptr;
}

}  // namespace fuzzmodule

// Allocation stacks one frame deep: recording them whole took a tenth of the time of a run. For a
// finding's full stacks, rerun its input with ASAN_OPTIONS=malloc_context_size=30.
extern "C" const char* __asan_default_options() {
  return "malloc_context_size=1";
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* trace = std::getenv("ZORVAN_FUZZ_TRACE");
  fuzzmodule::g_trace = trace != nullptr && *trace == '1';
  static const zv::ClientAllocator counted = fuzzheap::Counted();
  zv::SetClientAllocator(&counted);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzheap::g_live = 0;
  fuzzheap::g_grants = -1;
  fuzzmodule::RunInput(data, size);
  return 0;
}
