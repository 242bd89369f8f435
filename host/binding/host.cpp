// Host: start-up and shut-down of the binding, event delivery by the event interface's slots,
// the user's actions, and the records and audits tests read.
#include "host/binding/host.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "host/binding/high_memory.h"
#include "host/binding/host_impl.h"

namespace zvhost {

HostImpl::HostImpl(HostOptions o) : options(std::move(o)), model(options.model) {
  for (int i = 0; i < RefCount_; ++i) {
    objects[i].methods = i == RefSession ? SessionTable() : SmallTable(i);
    objects[i].host = this;
    objects[i].index = i;
    refs[i] = 1;  // the host's own reference
  }
}

HostImpl::~HostImpl() = default;

// The host object holds the COM objects the client is handed: it lives in high memory too.
void* HostImpl::operator new(size_t size) {
  void* p = HighAlloc(size);
  if (!p) throw std::bad_alloc();
  return p;
}
void HostImpl::operator delete(void* p) {
  HighFree(p);
}

void HostImpl::Problem(const std::string& what) {
  if (problems.size() < 1000) problems.push_back(what);
}

size_t HostImpl::BeginEvent(const char* op, int s, std::string args) {
  ++eventDepth;
  if (eventDepth <= kEventTexts) {
    char* text = eventText[eventDepth - 1];
    std::snprintf(text, sizeof eventText[0], "%s(%s)", op, args.c_str());
  }
  if (tornDown) ++eventsSinceTeardown;
  if (!log.enabled) {
    log.Skip(false);
    return SIZE_MAX;
  }
  CallRecord r;
  r.direction = Direction::ToClient;
  r.iface = "Events";
  r.op = op;
  r.slot = s;
  r.args = std::move(args);
  return log.Add(std::move(r), false);
}

HResult HostImpl::EndEvent(size_t record, HResult h, const std::string& result) {
  --eventDepth;
  if (record != SIZE_MAX) {
    CallRecord& r = log.At(record);
    r.hresult = h;
    r.result = result;
  }
  // Lists the host keeps live until the client's event is over; then the host frees them.
  if (eventDepth == 0) FreeKeptLists();
  return h;
}

namespace {

template <typename... A>
HResult Deliver(HostImpl& h, const char* op, int s, std::string args, A... a) {
  if (!h.events) {
    size_t rec = h.BeginEvent(op, s, std::move(args));
    return h.EndEvent(rec, hr::Unexpected, "no client bound");
  }
  size_t rec = h.BeginEvent(op, s, std::move(args));
  auto fn = zv::SlotOf<HResult(ZVH_CALL*)(void*, A...)>(h.events, s);
  HResult r = fn(h.events, a...);
  return h.EndEvent(rec, r);
}

}  // namespace

bool NotificationOn(const HostImpl& h, int32_t code) {
  auto it = h.notificationOn.find(code);
  return h.events && it != h.notificationOn.end() && it->second;
}

// ---- Host ----

namespace {
Host* gCurrent = nullptr;  // one Host at a time per process
}  // namespace

Host::Host(HostOptions options) : impl_(std::make_unique<HostImpl>(std::move(options))) {
  gCurrent = this;
}

Host::~Host() {
  try {
    Unload();
  } catch (...) {
  }
  if (gCurrent == this) gCurrent = nullptr;
}

Host* Host::Current() {
  return gCurrent;
}

const char* Host::EventInProgress() const {
  const int depth = impl_->eventDepth;
  return depth <= 0 ? "" : impl_->eventText[std::min(depth, HostImpl::kEventTexts) - 1];
}

HostOptions& Host::options() {
  return impl_->options;
}
Model& Host::model() {
  return impl_->model;
}
CallLog& Host::log() {
  return impl_->log;
}
const Model& Host::model() const {
  return impl_->model;
}
const CallLog& Host::log() const {
  return impl_->log;
}
Faults& Host::faults() {
  return impl_->faults;
}

bool Host::Load() {
  return impl_->LoadModule();
}

int32_t Host::CallClientInit() {
  HostImpl& h = *impl_;
  if (!h.LoadModule()) return -1;
  void* root = h.options.nullRoot ? nullptr : &h.objects[RefRoot];
  void* held = h.options.passHeldObject ? &h.objects[RefHeld] : nullptr;
  if (root) h.handedOut[RefRoot] = true;
  if (held) h.handedOut[RefHeld] = true;
  void* moduleArg =
      h.options.nullModuleHandle ? nullptr : (h.options.entryPoint ? h.options.inProcessModule : h.module);

  // A caller-supplied registration list, in the host's own (high) memory.
  const size_t count = h.options.passRegistration ? h.options.registration.size() : 0;
  std::vector<std::unique_ptr<HighText>> texts;
  struct Free {
    void operator()(void* p) const { HighFree(p); }
  };
  std::unique_ptr<zv::PropVal, Free> valsBlock(count ? static_cast<zv::PropVal*>(HighAlloc(count * sizeof(zv::PropVal)))
                                                     : nullptr);
  zv::PropVal* vals = valsBlock.get();
  if (count && !vals) throw std::bad_alloc();
  zv::PropList reg{0, nullptr};
  if (h.options.passRegistration) {
    for (size_t i = 0; i < count; ++i) {
      texts.push_back(std::make_unique<HighText>(h.options.registration[i].second.c_str()));
      std::memset(&vals[i], 0, sizeof vals[i]);
      vals[i].key.number = h.options.registration[i].first;
      vals[i].value.type = vt::Text;
      vals[i].value.u.text = texts[i]->get();
    }
    reg = {static_cast<uint32_t>(count), vals};
  }
  const zv::PropList regBefore = reg;

  char args[96];
  std::snprintf(args, sizeof args, "module=%p root=%p held=%p list=%s", moduleArg, root, held,
                h.options.passRegistration ? "given" : "null");
  h.CountCallsAfterTeardown();
  h.tornDown = false;  // a new binding: what follows is no call after a teardown
  h.referencesAudited = false;
  size_t rec = h.BeginEvent("F_ApiClientInit", -1, args);
  auto init = reinterpret_cast<int32_t(ZVH_CALL*)(void*, void*, void*, zv::PropList*)>(h.initFn);
  h.initCalled = true;
  h.initResult = init(moduleArg, root, held, h.options.passRegistration ? &reg : nullptr);
  h.EndEvent(rec, 0, std::to_string(h.initResult));

  if (h.options.passRegistration) {
    bool same = reg.count == regBefore.count && reg.vals == regBefore.vals;
    for (size_t i = 0; same && i < count; ++i)
      same = vals[i].value.u.text == texts[i]->get() && h.options.registration[i].second == texts[i]->get();
    if (!same) h.Problem("the client changed the registration list it was given");
  }
  return h.initResult;
}

bool Host::Start() {
  HostImpl& h = *impl_;
  if (!Load()) return false;
  int32_t r = CallClientInit();
  if (r != 0 || !h.events) {
    h.lastError = "F_ApiClientInit returned " + std::to_string(r) + (h.events ? "" : " and the host holds no client");
    return false;
  }
  if (h.options.initialize) Initialize(1);
  return true;
}

bool Host::Bound() const {
  return impl_->events != nullptr;
}
int32_t Host::InitResult() const {
  return impl_->initResult;
}

void Host::Stop() {
  HostImpl& h = *impl_;
  if (h.events) {
    int32_t counts[RefCount_];
    std::copy(std::begin(h.refs), std::end(h.refs), counts);
    const Mark before = h.log.MarkNow();
    size_t rec = h.BeginEvent("Release", slot::Release, "the host's reference");
    void* events = h.events;
    h.events = nullptr;
    uint32_t n = zv::SlotOf<uint32_t(ZVH_CALL*)(void*)>(events, slot::Release)(events);
    h.EndEvent(rec, 0, std::to_string(n));
    h.FindCallsOnReleased(before, counts);
    // A count left means another holder keeps the event object alive: its teardown comes
    // later, and the audit waits for the unloading.
    if (n == 0) {
      h.tornDown = true;
      h.seqAtTeardown = h.log.MarkNow().seq;
      h.eventsSinceTeardown = 0;
      h.AuditReferencesAtTeardown();
    }
  }
  h.CountLeaks();
}

void Host::Unload() {
  Stop();
  HostImpl& h = *impl_;
  const bool loaded = h.module != nullptr;
  h.UnloadModule();
  if (!loaded) return;
  h.CountCallsAfterTeardown();  // the module's own clean-up at unloading included
  h.AuditReferencesAtTeardown();
}

std::string Host::LastError() const {
  return impl_->lastError;
}
std::string Host::ModulePath() const {
  return impl_->modulePath.empty()
             ? (impl_->options.modulePath.empty() ? DefaultModulePath() : impl_->options.modulePath)
             : impl_->modulePath;
}

// ---- Events ----

HResult Host::Initialize(int32_t kind) {
  return Deliver(*impl_, "Initialize", slot::Initialize, std::to_string(kind), kind);
}

HResult Host::Command(int32_t number) {
  return Deliver(*impl_, "Command", slot::Command, std::to_string(number), number);
}

HResult Host::Notify(int32_t code, ObjectId doc, const char* text, int32_t value) {
  std::string args;
  if (impl_->log.enabled) {
    args.reserve(96);  // one block, not one per `+`
    args.append("code=").append(std::to_string(code)).append(" doc=").append(FormatId(doc));
    args.append(" text=");
    AppendTextArg(args, text);
    args.append(" value=").append(std::to_string(value));
  }
  if (!impl_->log.enabled) args = "code=" + std::to_string(code);  // what a crash report names
  HighText given(text);
  return Deliver(*impl_, "Notify", slot::Notify, std::move(args), code, doc, static_cast<const char*>(given.get()),
                 value);
}

HResult Host::Quit() {
  return Deliver(*impl_, "Quit", slot::Quit, "");
}

HResult Host::Message(int32_t a, int32_t b, int32_t c) {
  return Deliver(*impl_, "Message", slot::Message,
                 std::to_string(a) + " " + std::to_string(b) + " " + std::to_string(c), a, b, c);
}

HResult Host::DialogEvent(int32_t a, int32_t b, int32_t c) {
  return Deliver(*impl_, "DialogEvent", slot::DialogEvent,
                 std::to_string(a) + " " + std::to_string(b) + " " + std::to_string(c), a, b, c);
}

HResult Host::GetResourceRaw(int32_t type, const char* name, zv::ByteBlock* block) {
  HostImpl& h = *impl_;
  if (h.options.refuseResourceBlocks && !h.RefuseTaskAlloc(true)) h.Problem("cannot refuse the task allocator");
  HighText given(name);
  HResult r = Deliver(h, "GetResource", slot::GetResource, "type=" + std::to_string(type) + " " + TextArg(name), type,
                      static_cast<const char*>(given.get()), block);
  h.RefuseTaskAlloc(false);
  return r;
}

HResult Host::GetResource(int32_t type, const char* name, std::vector<uint8_t>* bytes) {
  zv::ByteBlock block{0, nullptr};
  HResult r = GetResourceRaw(type, name, &block);
  if (bytes) bytes->clear();
  if (r == hr::Ok) {
    if (bytes && block.bytes) bytes->assign(block.bytes, block.bytes + block.count);
    if (block.bytes) TaskFree(block.bytes);
  }
  return r;
}

HResult Host::EventQueryInterface(const Iid& iid, void** out) {
  HostImpl& h = *impl_;
  if (!h.events) return hr::Unexpected;
  size_t rec = h.BeginEvent("QueryInterface", slot::QueryInterface, "");
  HResult r =
      zv::SlotOf<HResult(ZVH_CALL*)(void*, const Iid*, void**)>(h.events, slot::QueryInterface)(h.events, &iid, out);
  return h.EndEvent(rec, r);
}

uint32_t Host::EventAddRef() {
  HostImpl& h = *impl_;
  if (!h.events) return 0;
  size_t rec = h.BeginEvent("AddRef", slot::AddRef, "");
  uint32_t n = zv::SlotOf<uint32_t(ZVH_CALL*)(void*)>(h.events, slot::AddRef)(h.events);
  h.EndEvent(rec, 0, std::to_string(n));
  return n;
}

uint32_t Host::EventRelease() {
  HostImpl& h = *impl_;
  if (!h.events) return 0;
  size_t rec = h.BeginEvent("Release", slot::Release, "");
  uint32_t n = zv::SlotOf<uint32_t(ZVH_CALL*)(void*)>(h.events, slot::Release)(h.events);
  h.EndEvent(rec, 0, std::to_string(n));
  return n;
}

void* Host::EventInterface() const {
  return impl_->events;
}
void* Host::ClientIdentity() const {
  return impl_->clientIdentity;
}

bool Host::NotificationRequested(int32_t code) const {
  auto it = impl_->notificationOn.find(code);
  return it != impl_->notificationOn.end() && it->second;
}

std::vector<int32_t> Host::RequestedNotifications() const {
  return impl_->notifications;
}

const std::vector<RegistrationEntry>& Host::Registration() const {
  return impl_->registration;
}
bool Host::RegistrationWasNull() const {
  return impl_->registrationNull;
}
uint32_t Host::RegisteredVersion() const {
  return impl_->registeredVersion;
}
void* Host::ModuleHandle() const {
  return impl_->module;
}
void* Host::RecordedClientModule() const {
  return impl_->recordedModule;
}
bool Host::ClientModuleRecorded() const {
  return impl_->moduleRecorded;
}
std::vector<std::string> Host::InterfaceRequests() const {
  return impl_->interfaceRequests;
}

// ---- The user's actions (the selection's are in host_selection.cpp) ----

bool Host::CloseDocument(ObjectId doc) {
  HostImpl& h = *impl_;
  const Object* d = h.model.Find(doc);
  if (!d || d->type != obj::Document) return false;
  std::string name = d->name;
  if (NotificationOn(h, note::DocClosing)) Notify(note::DocClosing, doc, name.c_str(), 0);
  h.model.RemoveDocument(doc);
  if (NotificationOn(h, note::DocClosed)) Notify(note::DocClosed, doc, name.c_str(), 0);
  return true;
}

bool Host::CommandEnabled(ObjectId command) const {
  const Model& m = impl_->model;
  const Object* c = m.Find(command);
  if (!c || c->type != obj::Command) return false;
  ObjectId doc = m.ActiveDocument();
  bool graphic = doc && !m.SelectedGraphics(doc).empty();
  bool table = doc && m.SelectedTable(doc) != 0;
  switch (m.Read(command, prop::EnableCondition).word) {
    case enable::ObjectCommands:
      return graphic;
    case enable::WidthCommand:
      return graphic || table;
    case enable::TableCommand:
      return table;
    default:
      return true;
  }
}

namespace {

ChooseResult Choose(Host& host, HostImpl& h, ObjectId command) {
  ChooseResult r;
  const Object* c = h.model.Find(command);
  if (!c || c->type != obj::Command) return r;
  r.found = true;
  r.number = c->number;
  if (h.options.enforceEnableConditions && !host.CommandEnabled(command)) {
    r.enabled = false;
    return r;
  }
  r.hresult = host.Command(c->number);
  r.delivered = h.events != nullptr;
  return r;
}

}  // namespace

ChooseResult Host::ChooseCommand(int32_t number) {
  return Choose(*this, *impl_, impl_->model.CommandByNumber(number));
}
ChooseResult Host::ChooseMenu(const std::string& path) {
  return Choose(*this, *impl_, impl_->model.CommandByPath(path));
}
ChooseResult Host::ChooseShortcut(const std::string& shortcut) {
  return Choose(*this, *impl_, impl_->model.CommandByShortcut(shortcut));
}

// ---- Dialogs and console ----

void Host::AnswerNextPrompt(int32_t value) {
  impl_->answers.push_back({true, value});
}
void Host::CancelNextPrompt() {
  impl_->answers.push_back({false, 0});
}
size_t Host::PendingPromptAnswers() const {
  return impl_->answers.size();
}
void Host::DropPromptAnswers() {
  impl_->answers.clear();
}
uint64_t Host::ReadAllCount() const {
  return impl_->readAllCount;
}
ObjectId Host::LastReadAllObject() const {
  return impl_->lastReadAll;
}
const std::vector<AlertRecord>& Host::Alerts() const {
  return impl_->alerts;
}
const std::vector<PromptRecord>& Host::Prompts() const {
  return impl_->prompts;
}
const std::vector<std::string>& Host::ConsoleWrites() const {
  return impl_->console;
}

std::string Host::ConsoleText() const {
  std::string s;
  for (const std::string& t : impl_->console) s += t;
  return s;
}

int Host::Refreshes(ObjectId doc) const {
  const DocState* d = impl_->model.Doc(doc);
  return d ? d->refreshes : 0;
}

int Host::ScreenUpdateChanges() const {
  return impl_->screenUpdateChanges;
}

void Host::ClearRecords() {
  impl_->alerts.clear();
  impl_->prompts.clear();
  impl_->console.clear();
  impl_->log.Clear();
  impl_->model.ClearRefusedWrites();
}

// ---- Memory and references ----

ListCounters Host::Lists() const {
  ListCounters c = impl_->counters;
  c.outstanding = 0;
  for (const auto& l : impl_->lists)
    if (!l.second.released) ++c.outstanding;
  return c;
}

RefAudit Host::AuditReferences() const {
  RefAudit a;
  for (int i = 0; i < RefCount_; ++i) a.entries.push_back({RefName(i), 1, impl_->refs[i], impl_->handedOut[i]});
  return a;
}

bool RefAudit::AllBack() const {
  for (const RefCountEntry& e : entries)
    if (e.now != e.atStart) return false;
  return true;
}

std::string RefAudit::ToString() const {
  std::string s;
  for (const RefCountEntry& e : entries)
    s += e.name + " " + std::to_string(e.atStart) + " -> " + std::to_string(e.now) +
         (e.now == e.atStart ? " ok" : " NOT BACK") + (e.handedOut ? "" : " (never handed out)") + "\n";
  return s;
}

int32_t Host::HeldObjectRefs() const {
  return impl_->refs[RefHeld];
}
std::vector<std::string> Host::Problems() const {
  impl_->CountCallsAfterTeardown();
  return impl_->problems;
}

}  // namespace zvhost
