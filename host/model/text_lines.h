// Small helpers for the texts the host writes: walking a text line by line, counting in words.
#pragma once

#include <string>

namespace zvhost {

// Calls each(line) for every line (without its '\n'; a final '\n' ends the last line rather
// than starting an empty one); stops early when each returns false. The line is one string
// filled again for every line (a long text is not copied line by line into new strings); each
// may change it or take it.
template <typename Fn>
void ForEachLine(const std::string& text, Fn each) {
  std::string line;
  size_t start = 0;
  while (start < text.size()) {
    size_t nl = text.find('\n', start);
    size_t end = nl == std::string::npos ? text.size() : nl;
    line.assign(text, start, end - start);
    if (!each(line)) return;
    start = end + 1;
  }
}

// "1 row", "3 rows": a count and its word, in the plural unless the count is 1.
inline std::string Plural(int n, const char* word) {
  return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

}  // namespace zvhost
