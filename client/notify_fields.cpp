// Splits the text of notification 75 into its fields (separated by 0x1E). The first six go
// into fixed slots, the rest into `more`, which grows by 16 entries at a time.
#include "client/notify_fields.h"

#include <cstring>

#include "util/memory.h"

namespace zv {
namespace {

constexpr char FieldSeparator = 0x1E;
constexpr uint32_t MoreGrowth = 16;

char* CopyField(const char* begin, size_t length) {
  auto* field = static_cast<char*>(ClientAlloc(length + 1));
  if (field == nullptr) return nullptr;
  std::memcpy(field, begin, length);
  field[length] = '\0';
  return field;
}

bool AddField(NotifyFields* fields, char* field) {
  for (char*& slot : fields->fields) {
    if (slot == nullptr) {
      slot = field;
      return true;
    }
  }
  if (fields->moreCount % MoreGrowth == 0) {
    size_t entries = size_t{fields->moreCount} + MoreGrowth;
    void* grown = ClientRealloc(fields->more, entries * sizeof(char*));
    if (grown == nullptr) return false;
    fields->more = static_cast<char**>(grown);
  }
  fields->more[fields->moreCount++] = field;
  return true;
}

}  // namespace

NotifyFields* NotifyFieldsSplit(const char* text) {
  if (text == nullptr) text = "";  // a null text counts as the empty text: one empty field
  auto* fields = static_cast<NotifyFields*>(ClientAllocZeroed(1, sizeof(NotifyFields)));
  if (fields == nullptr) return nullptr;
  const char* start = text;
  for (const char* p = text;; ++p) {
    if (*p != FieldSeparator && *p != '\0') continue;
    char* field = CopyField(start, static_cast<size_t>(p - start));
    if (field == nullptr || !AddField(fields, field)) {
      ClientFree(field);
      NotifyFieldsFree(fields);
      return nullptr;
    }
    if (*p == '\0') break;
    start = p + 1;
  }
  return fields;
}

void NotifyFieldsFree(NotifyFields* fields) {
  if (fields == nullptr) return;
  for (char* field : fields->fields) ClientFree(field);
  for (uint32_t i = 0; i < fields->moreCount; ++i) ClientFree(fields->more[i]);
  ClientFree(fields->more);
  ClientFree(fields);
}

}  // namespace zv
