// Process-wide state of the client framework and the entry point.
#pragma once

#include "hostapi/abi.h"

namespace zv {

extern ModuleHandle ClientModule;
extern ZvUnknown* HostSessionAux1;
extern ZvUnknown* HostSessionAux2;
extern ZvHostMemoryPolicy* HostMemoryPolicy;
extern ZvHostModuleLink* HostModuleLink;
extern ZvUnknown* HostExtension;
extern ZvUnknown* HeldHostObject;
struct ClientEvents;
extern ClientEvents* RegisteredEvents;

// Releases every host interface and the held object (each once, each pointer cleared).
void ClientTeardown();

// Builds the registration list from the module's version information; 1 when it was read.
int ReadClientRegistration(ModuleHandle module, PropList* list);

// Adds the registration entries found in a version block (at least 4096 bytes, as read by
// PlatformFileVersionInfo) to the list; 1.
int RegistrationFromVersionBlock(const void* block, PropList* list);

// Answers the host's resource request (event slot 9).
HResult ClientGetResource(int32_t type, const char* name, ByteBlock* out);

}  // namespace zv

#if defined(_WIN32)
#define ZV_EXPORT  // the .def file names the export
#else
#define ZV_EXPORT __attribute__((visibility("default")))
#endif

extern "C" ZV_EXPORT int32_t ZV_CALL F_ApiClientInit(zv::ModuleHandle module, void* root, void* held,
                                                     zv::PropList* registration);
