// Text made safe inside XML and HTML, whatever its bytes.
#include <cstdint>
#include <string>

#include "host/view/svg_page.h"

namespace zvhost {

namespace {

// The length of the UTF-8 sequence at s[i] if XML accepts it (a whole character in its shortest
// form, not a surrogate, U+FFFE or U+FFFF), else 0.
size_t Utf8Length(const std::string& s, size_t i) {
  const unsigned char c = static_cast<unsigned char>(s[i]);
  size_t n = 0;
  uint32_t cp = 0;
  if (c < 0x80) return 1;
  if ((c & 0xE0) == 0xC0)
    n = 2, cp = c & 0x1Fu;
  else if ((c & 0xF0) == 0xE0)
    n = 3, cp = c & 0x0Fu;
  else if ((c & 0xF8) == 0xF0)
    n = 4, cp = c & 0x07u;
  else
    return 0;
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    const unsigned char d = static_cast<unsigned char>(s[i + k]);
    if ((d & 0xC0) != 0x80) return 0;
    cp = cp << 6 | (d & 0x3Fu);
  }
  static const uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kLeast[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF) || cp == 0xFFFE || cp == 0xFFFF) return 0;
  return n;
}

}  // namespace

void AppendXmlText(std::string& o, const std::string& s, bool markupOnly) {
  for (size_t i = 0; i < s.size();) {
    const char c = s[i];
    if (static_cast<unsigned char>(c) >= 0x80) {
      const size_t n = Utf8Length(s, i);
      if (n)
        o.append(s, i, n);
      else
        o += "\xEF\xBF\xBD";  // U+FFFD for each byte that is not UTF-8
      i += n ? n : 1;
      continue;
    }
    ++i;
    if (c == '&') {
      o += "&amp;";
    } else if (c == '<') {
      o += "&lt;";
    } else if (c == '>') {
      // "]]>" may not stand in XML text.
      o += markupOnly && (o.size() < 2 || o.compare(o.size() - 2, 2, "]]") != 0) ? ">" : "&gt;";
    } else if (c == '"') {
      o += markupOnly ? "\"" : "&quot;";
    } else {
      // Control bytes are not allowed in XML text.
      o += static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\t' ? '?' : c;
    }
  }
}

std::string XmlEscape(const std::string& s) {
  std::string o;
  AppendXmlText(o, s);
  return o;
}

}  // namespace zvhost
