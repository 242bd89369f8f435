// Property value lists: copies within the client, the import of a
// host list and the release of one, and the few list operations the module uses.
#pragma once

#include <cstddef>

#include "hostapi/abi.h"

namespace zv {

using AllocFn = void* (*)(size_t);
using ReleaseFn = void (*)(void*);

// Copies a host list into client memory. When an allocation fails, whatever was copied
// is released and dest becomes {0, null}.
void PropListImport(PropList* dest, const PropList* host, AllocFn alloc);
// Releases every owned part of a host list with `release`; the list becomes {0, null}.
void PropListRelease(PropList* host, ReleaseFn release);
// The two above in one walk over the list, each host part released once copied: what
// PropListImport(dest, host, alloc) then PropListRelease(host, release) would leave.
void PropListTake(PropList* dest, PropList* host, AllocFn alloc, ReleaseFn release);

int32_t PropListIndexOf(const PropList* list, int32_t number);  // -4 when absent
// Sets or replaces the value of `number`. When the array cannot grow the list stays as it was.
void PropListPut(PropList* list, int32_t number, const TypedValue* value);
void PropListPutString(PropList* list, int32_t number, const char* text);

TypedValue TypedValueCopy(const TypedValue* value);
void TypedValueFree(TypedValue* value);
void PropValFree(PropVal* val);
void PropListFree(PropList* list);
void MetricListFree(MetricList* list);

}  // namespace zv
