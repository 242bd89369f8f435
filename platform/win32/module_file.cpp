// The module's file, version information and resources, from the system.
#define WIN32_LEAN_AND_MEAN
#define NOGDI
#include <windows.h>
#include <winver.h>

#include "platform/platform.h"

namespace zv {

uint32_t PlatformModuleFileName(ModuleHandle module, char* buffer, uint32_t size) {
  if (buffer == nullptr || size == 0) return 0;
  DWORD length = GetModuleFileNameA(static_cast<HMODULE>(module), buffer, size);
  if (length >= size) return 0;  // a cut path is no path; a failed call answers 0 too
  return length;
}

int PlatformFileVersionInfo(const char* path, uint32_t size, void* block) {
  if (path == nullptr || block == nullptr) return 0;
  return GetFileVersionInfoA(path, 0, size, block) ? 1 : 0;
}

int PlatformVersionQuery(const void* block, const char* query, const void** value, uint32_t* length) {
  if (block == nullptr || query == nullptr || value == nullptr || length == nullptr) return 0;
  void* found = nullptr;
  UINT size = 0;
  if (!VerQueryValueA(block, query, &found, &size)) return 0;
  *value = found;
  *length = size;
  return 1;
}

int PlatformFindResource(ModuleHandle module, const char* name, uint32_t type, const void** bytes, uint32_t* size) {
  if (name == nullptr || bytes == nullptr || size == nullptr || (type & 0xFFFF) == 0) return 0;
  auto handle = static_cast<HMODULE>(module);
  HRSRC resource = FindResourceA(handle, name, MAKEINTRESOURCEA(type & 0xFFFF));
  if (resource == nullptr) return 0;
  DWORD length = SizeofResource(handle, resource);
  HGLOBAL loaded = LoadResource(handle, resource);
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (data == nullptr) return 0;
  *bytes = data;
  *size = length;
  return 1;
}

}  // namespace zv
