// Splitting any bytes into notification fields, with a client heap that may refuse: the
// fields match a plain split at 0x1E, and every block is freed.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "client/notify_fields.h"
#include "fuzz/fuzz_support.h"
#include "util/memory.h"

using fuzzheap::g_grants;
using fuzzheap::g_live;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The first byte chooses the heap: odd values refuse after (value / 2) grants.
  long grants = -1;
  if (size > 0) {
    if (data[0] & 1) grants = data[0] / 2;
    ++data;
    --size;
  }
  const bool nullText = size == 1 && data[0] == 0xFF;
  std::string text(reinterpret_cast<const char*>(data), size);
  text = text.c_str();  // up to the first NUL, as the host's text would end

  std::vector<std::string> expected(1);
  for (char c : text) {
    if (c == 0x1E)
      expected.emplace_back();
    else
      expected.back() += c;
  }

  const zv::ClientAllocator counted = fuzzheap::Counted();
  const zv::ClientAllocator previous = zv::SetClientAllocator(&counted);
  g_live = 0;
  g_grants = grants;
  zv::NotifyFields* fields = zv::NotifyFieldsSplit(nullText ? nullptr : text.c_str());
  g_grants = -1;
  if (nullText) expected.assign(1, "");
  if (fields == nullptr) {
    Check(grants >= 0 && g_live == 0);  // only a refused allocation gives no record
  } else {
    for (size_t i = 0; i < 6; ++i) {
      if (i < expected.size())
        Check(fields->fields[i] != nullptr && expected[i] == fields->fields[i]);
      else
        Check(fields->fields[i] == nullptr);
    }
    const size_t more = expected.size() > 6 ? expected.size() - 6 : 0;
    Check(fields->moreCount == more);
    Check((more == 0) == (fields->more == nullptr));
    for (size_t i = 0; i < more; ++i) Check(fields->more[i] != nullptr && expected[6 + i] == fields->more[i]);
    zv::NotifyFieldsFree(fields);
    Check(g_live == 0);
  }
  zv::SetClientAllocator(&previous);
  return 0;
}
