// The module's task memory and clock in the whole-module target. In a module file the host
// watches the module's imports of free, malloc and clock_gettime; linked into the target, the
// module reaches them through these definitions instead, which tell the host the same.
#pragma once

#include <cstdint>

namespace zvhost {
class HostImpl;
}

namespace fuzzplatform {

inline zvhost::HostImpl* g_watcher = nullptr;  // told of every block the module gives back
inline bool g_refuseTaskAlloc = false;         // the task allocator answers null
inline uint32_t g_ticks = 1000;                // the virtual clock, one tick more at each reading

}  // namespace fuzzplatform
