// The record that replaces the text of notification 75: the fields of a text separated by 0x1E.
#pragma once

#include <cstdint>

namespace zv {

struct NotifyFields {
  char* fields[6];     // the first six fields, null where the text had fewer
  uint32_t moreCount;  // fields after the sixth
  char** more;         // those fields in order; null when there are none
};

// Splits `text` (null counts as empty); null when memory runs out.
NotifyFields* NotifyFieldsSplit(const char* text);
void NotifyFieldsFree(NotifyFields* fields);

}  // namespace zv
