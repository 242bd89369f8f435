// What the module needs of the operating system. win32/ calls the real API; posix/ gives
// the same contracts on Linux (task allocator = malloc/free). A `module` is the handle the
// system gave for a loaded module: HMODULE on Windows, the handle dlopen returned on Linux.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zv {

// Path of the module's file; returns its length without the terminator, 0 on failure. The
// path always names the file: where the system's 8-bit path cannot (letters its code page
// lacks, or too long for `size`), the short path is given if it can, else 0.
uint32_t PlatformModuleFileName(void* module, char* buffer, uint32_t size);
// Reads the version-information block of the file at `path`; 0 on failure.
int PlatformFileVersionInfo(const char* path, uint32_t size, void* block);
// Reads the version-information block of the module's own file, found by its full path in
// whatever letters and at whatever length; 0 on failure.
int PlatformModuleVersionInfo(void* module, uint32_t size, void* block);
// Finds the value stored under `query` in a version block; 0 when absent.
int PlatformVersionQuery(const void* block, const char* query, const void** value, uint32_t* length);
// Finds a resource of the module by integer type (low 16 bits) and name; the bytes stay the
// module's. Returns 0 when it is not found or cannot be loaded.
int PlatformFindResource(void* module, const char* name, uint32_t type, const void** bytes, uint32_t* size);
// The C runtime's own formatter for one conversion: vsnprintf on Linux, the system C
// library's _vsnprintf on Win32 (mingw's C99 printf would triple the DLL's size). The result
// is the text's length; when it is `size` or more the text was cut to size - 1 characters.
int PlatformFormat(char* buffer, size_t size, const char* format, ...);
uint32_t PlatformTickCount();  // milliseconds since system start, wrapping
void* PlatformTaskAlloc(size_t size);
void PlatformTaskFree(void* block);

}  // namespace zv
