// Walks a text line by line: each line without its '\n'; a final '\n' ends the last line rather
// than starting an empty one.
#pragma once

#include <string>

namespace zvhost {

// Calls each(line) for every line; stops early when each returns false. The line is one string
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

}  // namespace zvhost
