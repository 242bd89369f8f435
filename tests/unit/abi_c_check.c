// The interface header read as C11 alone: it compiles, puts the methods at their slots, and
// lays out what C++ lays out (client_events_test.cpp compares the figures below).
#include "hostapi/abi.h"
#include "tests/unit/abi_layout_figures.h"

_Static_assert(offsetof(ZvHostSessionMethods, GetMetricListProp) == 101 * sizeof(void*), "a session slot");
_Static_assert(offsetof(ZvClientEventsMethods, GetResource) == 9 * sizeof(void*), "an event slot");
_Static_assert(offsetof(ZvTypedValue, u) == sizeof(void*), "the value after its type");

// The figures the C++ test compares with its own.
const size_t ZvLayoutInC[] = {ZV_ABI_LAYOUT_FIGURES};
const size_t ZvLayoutInCCount = sizeof ZvLayoutInC / sizeof ZvLayoutInC[0];
