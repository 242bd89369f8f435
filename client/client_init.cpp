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
void* HostSessionAux1 = nullptr;
void* HostSessionAux2 = nullptr;
void* HostMemoryPolicy = nullptr;
void* HostModuleLink = nullptr;
void* HostExtension = nullptr;
void* HeldHostObject = nullptr;
ClientEvents* RegisteredEvents = nullptr;

namespace {

constexpr uint32_t RegistrationVersion = 0x06000000;
constexpr int32_t KeepsResultsQuestion = 1;

// Asks the root object for an interface; what the host did not fill stays null.
void* QueryHost(void* root, const Guid& iid) {
  void* iface = nullptr;
  SlotOf<fn::QueryInterface>(root, SlotQueryInterface)(root, &iid, &iface);
  return iface;
}

// Gives back the one reference a pointer holds; the pointer is cleared first, so a host
// that calls back during the release finds the module already unbound.
void ReleaseHost(void** iface) {
  void* held = *iface;
  if (held == nullptr) return;
  *iface = nullptr;
  SlotOf<fn::Release>(held, SlotRelease)(held);
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
  // Bound already: a second binding would leak the first one's references.
  if (HostSession != nullptr || RegisteredEvents != nullptr) return -1;
  ClientModule = module;
  if (root == nullptr) return -1;

  HostSession = QueryHost(root, IidHostSession);
  HostSessionAux1 = QueryHost(root, IidHostSessionAux1);
  HostSessionAux2 = QueryHost(root, IidHostSessionAux2);
  if (HostSession == nullptr) {
    ClientTeardown();  // gives back whatever was granted
    return -1;
  }
  HostMemoryPolicy = QueryHost(root, IidHostMemoryPolicy);
  HostModuleLink = QueryHost(root, IidHostModuleLink);
  HostExtension = QueryHost(root, IidHostExtension);

  // Each binding asks afresh: a host bound before may have kept its lists, this one may not.
  HostKeepsResults =
      HostMemoryPolicy != nullptr && SlotOf<fn::AskHostKeepsResults>(HostMemoryPolicy, SlotAskHostKeepsResults)(
                                         HostMemoryPolicy, KeepsResultsQuestion) == HrOk;

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
  SlotOf<fn::RegisterClient>(HostSession, SlotRegisterClient)(HostSession, &events->base, RegistrationVersion, chosen);
  if (HostModuleLink != nullptr)
    SlotOf<fn::SetClientModule>(HostModuleLink, SlotSetClientModule)(HostModuleLink, ClientModule);
  PropListFree(&built);

  HeldHostObject = held;
  if (held != nullptr) SlotOf<fn::AddRef>(held, SlotAddRef)(held);

  // The creation reference goes; a host that kept none tears the binding down here.
  events->base.table->Release(&events->base);

  SetConsoleWriter(PrintToConsole);
  return HostSession != nullptr ? 0 : -1;
}
