#include "hostapi/host_call.h"

#include "platform/platform.h"

namespace zv {

ZvHostSession* HostSession = nullptr;
int32_t LastHostError = 0;
bool HostKeepsResults = false;
void (*HostBlockFree)(void* block) = PlatformTaskFree;

int32_t RecordHostFailure(HResult hr) {
  if (hr >= 0) return 0;
  LastHostError = hr == HrBusy ? -88 : -1;
  return LastHostError;
}

int32_t RecordHostStatus(int32_t status) {
  if (status != 0) LastHostError = status;
  return status;
}

}  // namespace zv
