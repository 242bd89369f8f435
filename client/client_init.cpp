// The entry point: binds the module to the host's interfaces, registers the event object
// and installs the host console; and the teardown that the event object's destruction runs.
#include "client/client.h"
#include "client/client_events.h"
#include "hostapi/host_call.h"
#include "hostapi/host_ops.h"
#include "hostapi/prop_list.h"
#include "util/format.h"

namespace zv {

ModuleHandle ClientModule = nullptr;
ZvUnknown* HostSessionAux1 = nullptr;
ZvUnknown* HostSessionAux2 = nullptr;
ZvHostMemoryPolicy* HostMemoryPolicy = nullptr;
ZvHostModuleLink* HostModuleLink = nullptr;
ZvUnknown* HostExtension = nullptr;
ZvUnknown* HeldHostObject = nullptr;
ClientEvents* RegisteredEvents = nullptr;

namespace {

constexpr uint32_t RegistrationVersion = 0x06000000;
constexpr int32_t KeepsResultsQuestion = 1;

// Asks the root object for an interface of type Interface; what the host did not fill stays
// null.
template <typename Interface>
void QueryHost(ZvUnknown* root, const Guid& iid, Interface** iface) {
  void* answer = nullptr;
  root->methods->QueryInterface(root, &iid, &answer);
  *iface = static_cast<Interface*>(answer);
}

// Gives back the one reference a pointer holds; the pointer is cleared first, so a host
// that calls back during the release finds the module already unbound.
template <typename Interface>
void ReleaseHost(Interface** iface) {
  Interface* held = *iface;
  if (held == nullptr) return;
  *iface = nullptr;
  held->methods->Release(held);
}

}  // namespace

void ClientTeardown() {
  RegisteredEvents = nullptr;
  ReleaseHost(&HostSession);
  ReleaseHost(&HostSessionAux1);
  ReleaseHost(&HostSessionAux2);
  ReleaseHost(&HostMemoryPolicy);
  ReleaseHost(&HostModuleLink);
  ReleaseHost(&HostExtension);
  ReleaseHost(&HeldHostObject);
}

}  // namespace zv

using namespace zv;

extern "C" int32_t ZV_CALL F_ApiClientInit(ModuleHandle module, void* root, void* held, PropList* registration) {
  // Bound already: a second binding would leak the first one's references. (The event object
  // exists only while the session is held, so the session alone tells.)
  if (HostSession != nullptr) return -1;
  ClientModule = module;
  if (root == nullptr) return -1;

  auto* rootObject = static_cast<ZvUnknown*>(root);
  QueryHost(rootObject, IidHostSession, &HostSession);
  QueryHost(rootObject, IidHostSessionAux1, &HostSessionAux1);
  QueryHost(rootObject, IidHostSessionAux2, &HostSessionAux2);
  if (HostSession == nullptr) {
    ClientTeardown();  // gives back whatever was granted
    return -1;
  }
  QueryHost(rootObject, IidHostMemoryPolicy, &HostMemoryPolicy);
  QueryHost(rootObject, IidHostModuleLink, &HostModuleLink);
  QueryHost(rootObject, IidHostExtension, &HostExtension);

  // Each binding asks afresh: a host bound before may have kept its lists, this one may not.
  HostKeepsResults = HostMemoryPolicy != nullptr &&
                     HostMemoryPolicy->methods->AskHostKeepsResults(HostMemoryPolicy, KeepsResultsQuestion) == HrOk;

  ClientEvents* events = ClientEventsCreate();
  if (events == nullptr) {
    ClientTeardown();
    return -1;
  }
  RegisteredEvents = events;

  PropList built{0, nullptr};
  PropList* chosen = registration;
  if (chosen == nullptr && ClientModule != nullptr) {
    ReadClientRegistration(ClientModule, &built);
    chosen = &built;  // passed even when it stayed empty
  }
  HostSession->methods->RegisterClient(HostSession, &events->base, RegistrationVersion, chosen);
  if (HostModuleLink != nullptr) HostModuleLink->methods->SetClientModule(HostModuleLink, ClientModule);
  PropListFree(&built);

  HeldHostObject = static_cast<ZvUnknown*>(held);
  if (HeldHostObject != nullptr) HeldHostObject->methods->AddRef(HeldHostObject);

  // The creation reference goes; a host that kept none tears the binding down here.
  events->base.table->Release(&events->base);

  SetConsoleWriter(PrintToConsole);
  return HostSession != nullptr ? 0 : -1;
}
