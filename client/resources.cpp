// Answers the host's request for one of the module's resources, or for its file path
// (type 0), in a block from the COM task allocator that the host then owns.
#include <cstring>

#include "client/client.h"
#include "platform/platform.h"

namespace zv {

HResult ClientGetResource(int32_t type, const char* name, ByteBlock* out) {
  if (out == nullptr) return HrPointer;
  const void* bytes = nullptr;
  uint32_t count = 0;
  char path[260];
  if (type != 0) {
    if (name == nullptr || !PlatformFindResource(ClientModule, name, static_cast<uint32_t>(type), &bytes, &count))
      return HrFail;
  } else {
    uint32_t length = PlatformModuleFileName(ClientModule, path, sizeof path);
    if (length == 0) return HrFail;
    bytes = path;
    count = length + 1;  // the terminator goes with it
  }
  auto* block = static_cast<uint8_t*>(PlatformTaskAlloc(count));
  // GCOVR_EXCL_BR_START: count 0 is a found resource without bytes; the module's only
  // resource, its version block, never is one.
  if (block == nullptr && count != 0) return HrFail;
  if (count != 0) std::memcpy(block, bytes, count);
  // GCOVR_EXCL_BR_STOP
  out->count = count;
  out->bytes = block;
  return HrOk;
}

}  // namespace zv
