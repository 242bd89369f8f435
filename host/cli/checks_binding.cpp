// The checks of the entry point and the binding: the export, the six interfaces, the
// registration, the module handle, and the event object's interface lookup and counts.
#include <cstdio>
#include <string>
#include <vector>

#include "host/cli/check_session.h"

namespace zvhost {

namespace {

constexpr uint32_t kRegistrationVersion = 0x06000000;

// Method `s` of an interface pointer, read as Fn.
template <typename Fn>
Fn Method(void* iface, int s) {
  return reinterpret_cast<Fn>((*static_cast<void* const* const*>(iface))[s]);
}
using QueryFn = HResult(ZVH_CALL*)(void*, const Iid*, void**);
using CountFn = uint32_t(ZVH_CALL*)(void*);

HResult Query(void* iface, const Iid& iid, void** out) {
  return Method<QueryFn>(iface, slot::QueryInterface)(iface, &iid, out);
}
uint32_t AddRef(void* iface) {
  return Method<CountFn>(iface, slot::AddRef)(iface);
}
uint32_t Release(void* iface) {
  return Method<CountFn>(iface, slot::Release)(iface);
}

std::string Hex(uint32_t n) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", n);
  return buf;
}

std::string Pointer(const void* p) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%p", p);
  return buf;
}

// The module bound (F_ApiClientInit called) but not initialized; false when it did not bind.
bool Bind(CheckContext& c, Host& host) {
  c.Step("F_ApiClientInit");
  if (!host.Load()) {
    c.Fail("expected the module to load, found: " + host.LastError());
    return false;
  }
  const int32_t result = host.CallClientInit();
  if (result != 0) c.Fail("expected F_ApiClientInit to answer 0, found " + std::to_string(result));
  if (!host.Bound()) c.Fail("expected the module to register its event object (RegisterClient), found none kept");
  return result == 0 && host.Bound();
}

HostOptions Unstarted(const CheckContext& c) {
  HostOptions o = CheckHostOptions(c.settings());
  o.initialize = false;
  return o;
}

// Text fit for a registration entry: printable UTF-8, no control characters, at most 255 bytes.
std::string TextFault(const std::string& s) {
  if (s.empty()) return "an empty text";
  if (s.size() > 255) return "a text of " + std::to_string(s.size()) + " bytes (at most 255)";
  for (size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    const size_t n = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
    bool ok = n > 0 && i + n <= s.size() && b >= 0x20 && b != 0x7F && !(n == 2 && b < 0xC2);
    for (size_t k = 1; ok && k < n; ++k) ok = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
    if (!ok) return "byte " + Hex(b).substr(8) + " at " + std::to_string(i) + " (not printable UTF-8)";
    i += n;
  }
  return "";
}

}  // namespace

void CheckExport(CheckContext& c) {
  c.Step("loading the module and finding its entry point");
  Host host(Unstarted(c));
  if (!host.Load()) c.Fail("expected the module to load and export its entry point, found: " + host.LastError());
}

void CheckInterfaces(CheckContext& c) {
  Host host(Unstarted(c));
  if (!Bind(c, host)) return;
  const std::vector<std::string> asked = host.InterfaceRequests();
  std::string list;
  for (const std::string& a : asked) list += (list.empty() ? "" : ", ") + a;
  for (int i = 0; i < static_cast<int>(Interface::Count); ++i) {
    const std::string name = InterfaceName(static_cast<Interface>(i));
    if (std::find(asked.begin(), asked.end(), name) == asked.end())
      c.Fail("expected the module to ask the root object for " + name + ", found it asked for " +
             (list.empty() ? "nothing" : list));
  }
  // What the host noticed while binding (the registration and its version have checks of their own).
  for (const std::string& p : host.Problems())
    if (p.find("registration") == std::string::npos && p.find("RegisterClient with an unexpected version") != 0)
      c.Fail("F_ApiClientInit: expected no problem, the host noticed: " + p);
  host.Stop();
}

void CheckVersion(CheckContext& c) {
  Host host(Unstarted(c));
  if (!Bind(c, host)) return;
  if (host.RegisteredVersion() != kRegistrationVersion)
    c.Fail("expected RegisterClient with version " + Hex(kRegistrationVersion) + ", found " +
           Hex(host.RegisteredVersion()));
  host.Stop();
}

void CheckRegistration(CheckContext& c) {
  Host host(Unstarted(c));
  if (!Bind(c, host)) return;
  if (host.RegistrationWasNull()) c.Fail("expected a registration list with RegisterClient, found a null list");
  const std::vector<RegistrationEntry>& list = host.Registration();
  if (!host.RegistrationWasNull() && list.empty())
    c.Fail("expected a registration list naming the module, found an empty list");
  for (size_t i = 0; i < list.size(); ++i) {
    const RegistrationEntry& e = list[i];
    const std::string at = "registration entry " + std::to_string(i + 1) + ": ";
    if (e.number == 0 && e.name.empty()) c.Fail(at + "expected a key number or name, found neither");
    if (e.type != vt::Text)
      c.Fail(at + "expected a text (value type 3), found value type " + std::to_string(e.type));
    else if (std::string fault = TextFault(e.text); !fault.empty())
      c.Fail(at + "expected printable UTF-8 text, found " + fault);
  }
  // What the host noticed of the list (its version is binding.version's).
  for (const std::string& p : host.Problems())
    if (p.find("registration") != std::string::npos) c.Fail("expected a well-formed list, the host noticed: " + p);
  host.Stop();
}

void CheckModuleHandle(CheckContext& c) {
  Host host(Unstarted(c));
  if (!Bind(c, host)) return;
  if (!host.ClientModuleRecorded())
    c.Fail("expected the module to tell the host its handle (SetClientModule), found no such call");
  else if (host.RecordedClientModule() != host.ModuleHandle())
    c.Fail("expected SetClientModule with the module's handle " + Pointer(host.ModuleHandle()) + ", found " +
           Pointer(host.RecordedClientModule()));
  host.Stop();
}

void CheckQueryInterface(CheckContext& c) {
  Host host(Unstarted(c));
  if (!Bind(c, host)) return;
  void* identity = host.ClientIdentity();
  void* events = host.EventInterface();
  const Iid stranger = {0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}};
  const struct {
    const char* name;
    const Iid* iid;
    void* granted;  // null: refused
  } rows[] = {{"IUnknown", &iid::Unknown, identity},
              {"the event interface", &iid::ClientEvents, events},
              {"the host's Session interface", &iid::Session, nullptr},
              {"an unknown interface", &stranger, nullptr}};
  const struct {
    const char* name;
    void* object;
  } on[] = {{"the object RegisterClient received", identity}, {"the event interface", events}};
  for (const auto& o : on) {
    for (const auto& r : rows) {
      c.Step(std::string("QueryInterface for ") + r.name + " on " + o.name);
      void* out = reinterpret_cast<void*>(&c);  // not null: a refusal must clear it
      const HResult hr = Query(o.object, *r.iid, &out);
      const std::string what = std::string("QueryInterface for ") + r.name + " on " + o.name + ": expected ";
      if (r.granted && (hr != hr::Ok || out != r.granted))
        c.Fail(what + "S_OK and " + Pointer(r.granted) + ", found " + Hex(hr) + " and " + Pointer(out));
      if (!r.granted && (hr != hr::NoInterface || out != nullptr))
        c.Fail(what + "E_NOINTERFACE (0x80004002) and a null pointer, found " + Hex(hr) + " and " + Pointer(out));
      if (hr == hr::Ok && out) Release(out);
    }
    c.Step(std::string("QueryInterface with a null output on ") + o.name);
    const HResult hr = Query(o.object, iid::ClientEvents, nullptr);
    if (hr != hr::Pointer)
      c.Fail(std::string("QueryInterface with a null output on ") + o.name +
             ": expected E_POINTER (0x80004003), found " + Hex(hr));
  }
  host.Stop();
}

namespace {

// One seeded sequence of AddRef, Release and QueryInterface on both of the client's pointers,
// each count checked; the host releases its own reference first or last. The module must hold
// its Session while any reference is left.
void ReferenceSequence(CheckContext& c, int sequence) {
  Host host(Unstarted(c));
  if (!Bind(c, host)) return;
  void* identity = host.ClientIdentity();
  void* events = host.EventInterface();
  const int32_t sessionBound = host.AuditReferences().entries[0].now;
  std::vector<void*> mine;
  uint32_t expected = 1;  // the host's reference
  const std::string seq = "reference sequence " + std::to_string(sequence) + ": ";
  for (int step = 0; step < 40 && !c.Failed(); ++step) {
    void* on = c.rng()() % 2 ? identity : events;
    const uint32_t kind = c.rng()() % 3;
    c.Step(seq + "step " + std::to_string(step + 1));
    uint32_t got = 0;
    if (kind == 0) {
      got = AddRef(on);
      mine.push_back(on);
      ++expected;
    } else if (kind == 1 && !mine.empty()) {
      got = Release(mine.back());
      mine.pop_back();
      --expected;
    } else {
      void* out = nullptr;  // QueryInterface answers no count; a granted one adds a reference
      if (Query(on, c.rng()() % 2 ? iid::Unknown : iid::ClientEvents, &out) == hr::Ok && out) {
        mine.push_back(out);
        ++expected;
      }
      continue;
    }
    if (got != expected)
      c.Fail(seq + "expected the count " + std::to_string(expected) + " from AddRef or Release, found " +
             std::to_string(got));
  }
  const bool hostFirst = sequence % 2 == 1;
  if (hostFirst) {
    host.Stop();  // the references taken here keep the event object alive
    --expected;
  }
  while (!mine.empty() && !c.Failed()) {
    if (host.AuditReferences().entries[0].now != sessionBound)
      c.Fail(seq + "expected the module to keep its Session while " + std::to_string(mine.size() + !hostFirst) +
             " reference(s) to its event object remain, found it gave it back");
    const uint32_t got = Release(mine.back());
    mine.pop_back();
    if (got != --expected)
      c.Fail(seq + "expected Release to answer " + std::to_string(expected) + ", found " + std::to_string(got));
  }
  if (!hostFirst) host.Stop();  // what comes back after the last reference: teardown.references
}

}  // namespace

void CheckReferenceCounts(CheckContext& c) {
  for (int s = 0; s < 4 * c.level() && !c.Failed(); ++s) ReferenceSequence(c, s + 1);
}

}  // namespace zvhost
