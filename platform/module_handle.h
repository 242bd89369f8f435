// The handle of a loaded module: HMODULE on Win32, the handle dlopen returned on Linux.
#pragma once

namespace zv {

using ModuleHandle = void*;

}  // namespace zv
