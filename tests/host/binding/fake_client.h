// A tiny client for testing the host on its own: binds like a real client (six interfaces in
// order, the memory question, registration, module handle, held object), records the events it
// receives and gives every reference back when its last reference goes.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "host/binding/host.h"

namespace fake {

struct Client;

// The COM part: identity table first, the event interface table second.
struct Com {
  const void* const* identity;
  const void* const* events;
  Client* owner;
};

struct Client {
  Com com;
  int refs = 1;
  void* iface[6] = {};
  void* held = nullptr;
  bool keeps = false;
  bool tornDown = false;
  bool forgetSession = false;  // teardown does not release the session (a leak to detect)
  std::vector<std::string> events;
  std::function<void(int32_t)> onCommand;  // runs inside the Command event
  void* Session() const { return iface[0]; }
};

// The client the entry point creates (one at a time); null before the first start.
extern Client* current;
// Settings for the next start.
extern bool nextForgetsSession;

int32_t ZVH_CALL Init(void* module, void* root, void* held, zv::PropList* registration);

// Options for a host that runs the fake client in-process.
zvhost::HostOptions Options();

// Calls a session slot with the given method shape.
template <typename Fn>
Fn Slot(int slot) {
  return zv::SlotOf<Fn>(current->Session(), slot);
}

}  // namespace fake
