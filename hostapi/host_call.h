// The one calling pattern shared by every host operation: the bound session, the last
// error, and whether the host keeps the lists it returns.
#pragma once

#include "hostapi/abi.h"

namespace zv {

extern ZvHostSession* HostSession;  // null = not bound; every operation then fails without a call
extern int32_t LastHostError;       // a host status, -1 (failed call, no session) or -88 (busy); never cleared
extern bool HostKeepsResults;       // set once at start-up: host blocks are then never released by us

// Releases one block that the host returned (the COM task allocator's free). A variable so
// that tests can watch which host blocks the adapter gives back.
extern void (*HostBlockFree)(void* block);

// Records a failed HRESULT in LastHostError (-88 for busy, else -1) and returns the stored
// value; a non-negative HRESULT changes nothing and gives 0.
int32_t RecordHostFailure(HResult hr);

// Records a nonzero host status in LastHostError and returns it; 0 changes nothing.
int32_t RecordHostStatus(int32_t status);

}  // namespace zv
