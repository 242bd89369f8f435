// The module's file, version information and resources, from the system.
#define WIN32_LEAN_AND_MEAN
#define NOGDI
#include <windows.h>
#include <winver.h>

#include "platform/platform.h"

namespace zv {

namespace {

// Windows paths reach 32,767 characters with the \\?\ prefix. Two such paths take 128 KiB:
// taken from the process heap for the call, not kept in the module's image.
constexpr DWORD WidePathSize = 32768;
struct WidePaths {
  wchar_t module[WidePathSize];  // the module's own path, as the system knows it
  wchar_t other[WidePathSize];   // a second path: the ANSI path widened, or the short path
};

WidePaths* TakePaths() {
  return static_cast<WidePaths*>(HeapAlloc(GetProcessHeap(), 0, sizeof(WidePaths)));
}
void GivePaths(WidePaths* paths) {
  HeapFree(GetProcessHeap(), 0, paths);
}

// The module's path in UTF-16, any length, in paths->module; 0 on failure.
DWORD WideModulePath(HMODULE module, WidePaths* paths) {
  DWORD length = GetModuleFileNameW(module, paths->module, WidePathSize);
  return length < WidePathSize ? length : 0;
}

// The module's path with the \\?\ prefix the system's file calls need past 259 characters
// (in paths->other), or as it is.
const wchar_t* LongForm(WidePaths* paths, DWORD length) {
  const wchar_t* path = paths->module;
  if (length < MAX_PATH || path[0] == L'\\') return path;  // short enough, or already prefixed or UNC
  if (length + 4 >= WidePathSize) return path;
  lstrcpyW(paths->other, L"\\\\?\\");
  lstrcpyW(paths->other + 4, path);
  return paths->other;
}

// True when the ANSI path names the same file as the module's wide path: the code page spells
// every character of it (no '?' put in for a letter it lacks, no look-alike chosen).
bool AnsiNamesModule(HMODULE module, const char* ansi, WidePaths* paths) {
  DWORD length = WideModulePath(module, paths);
  if (length == 0) return false;
  int widened = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi, -1, paths->other, WidePathSize);
  return widened > 0 && lstrcmpW(paths->other, paths->module) == 0;
}

// The module's short (8.3) path in the ANSI code page, where the volume keeps short names and
// the code page spells it; 0 otherwise.
uint32_t ShortModulePath(HMODULE module, char* buffer, uint32_t size, WidePaths* paths) {
  DWORD length = WideModulePath(module, paths);
  if (length == 0) return 0;
  DWORD shortLength = GetShortPathNameW(LongForm(paths, length), paths->other, WidePathSize);
  if (shortLength == 0 || shortLength >= WidePathSize) return 0;
  const wchar_t* path = paths->other;
  if (lstrlenW(path) > 4 && path[0] == L'\\' && path[1] == L'\\' && path[2] == L'?' && path[3] == L'\\') path += 4;
  BOOL substituted = FALSE;
  int bytes = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path, -1, buffer, static_cast<int>(size), nullptr,
                                  &substituted);
  if (bytes <= 0 || substituted) return 0;  // too long for the buffer, or not spelt by the code page
  return static_cast<uint32_t>(bytes - 1);
}

}  // namespace

uint32_t PlatformModuleFileName(void* module, char* buffer, uint32_t size) {
  if (buffer == nullptr || size == 0) return 0;
  auto handle = static_cast<HMODULE>(module);
  DWORD length = GetModuleFileNameA(handle, buffer, size);
  WidePaths* paths = TakePaths();
  if (paths == nullptr) return 0;  // no room to check the path: no path
  // A cut path is no path, and neither is one with letters the code page replaced: then the
  // short path, which names the same file in letters every code page has.
  uint32_t answer = length != 0 && length < size && AnsiNamesModule(handle, buffer, paths)
                        ? length
                        : ShortModulePath(handle, buffer, size, paths);
  GivePaths(paths);
  return answer;
}

int PlatformFileVersionInfo(const char* path, uint32_t size, void* block) {
  if (path == nullptr || block == nullptr) return 0;
  return GetFileVersionInfoA(path, 0, size, block) ? 1 : 0;
}

int PlatformModuleVersionInfo(void* module, uint32_t size, void* block) {
  if (block == nullptr) return 0;
  WidePaths* paths = TakePaths();
  if (paths == nullptr) return 0;
  DWORD length = WideModulePath(static_cast<HMODULE>(module), paths);
  int read = length != 0 && GetFileVersionInfoW(LongForm(paths, length), 0, size, block) ? 1 : 0;
  GivePaths(paths);
  return read;
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

int PlatformFindResource(void* module, const char* name, uint32_t type, const void** bytes, uint32_t* size) {
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
