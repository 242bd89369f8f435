// Lengths in points and metric units, ids, and the property values of the model with their
// readable forms.
#include <cmath>
#include <cstdio>

#include "host/model/model.h"

namespace zvhost {

Metric Pt(double points) {
  return static_cast<Metric>(std::llround(points * kUnitsPerPoint));
}

double ToPt(Metric value) {
  return static_cast<double>(value) / kUnitsPerPoint;
}

std::string FormatPoints(int64_t metric) {
  // 7 decimals tell every unit apart. A unit is 1/65536 pt = 152587890625e-16 pt exactly, so
  // the decimals are worked out in integers, rounded half to even as printf("%.7f") rounds.
  uint64_t a = metric < 0 ? 0 - static_cast<uint64_t>(metric) : static_cast<uint64_t>(metric);
  if (a >= (uint64_t{1} << 53)) {  // beyond what a double holds exactly: as printf says it
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.7f", static_cast<double>(metric) / kUnitsPerPoint);
    std::string s = buf;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s;
  }
  uint64_t whole = a >> 16;
  uint64_t scaled = (a & 0xFFFFu) * 152587890625u;  // the fraction in units of 1e-16
  uint64_t frac = scaled / 1000000000u, rest = scaled % 1000000000u;
  if (rest > 500000000u || (rest == 500000000u && (frac & 1u))) ++frac;
  if (frac == 10000000u) frac = 0, ++whole;
  char buf[40];
  char* end = buf + sizeof buf;
  char* p = end;
  int digits = 7;
  while (digits > 0 && frac % 10 == 0) frac /= 10, --digits;  // no trailing zeros
  if (digits > 0) {
    for (int i = 0; i < digits; ++i, frac /= 10) *--p = static_cast<char>('0' + frac % 10);
    *--p = '.';
  }
  do *--p = static_cast<char>('0' + whole % 10);
  while (whole /= 10);
  if (metric < 0 && (digits > 0 || p[0] != '0')) *--p = '-';
  return std::string(p, end);
}

std::string FormatPt(Metric value) {
  return FormatPoints(value) + "pt";
}

std::string FormatId(ObjectId id) {
  if (id == 0) return "0";
  return std::to_string(id >> 24) + ":" + std::to_string(id & 0xFFFFFFu);
}

Value Value::Int(int32_t v) {
  Value x;
  x.kind = ValueKind::Int;
  x.word = v;
  return x;
}
Value Value::OfMetric(Metric v) {
  Value x;
  x.kind = ValueKind::Metric;
  x.word = v;
  return x;
}
Value Value::Id(ObjectId v) {
  Value x;
  x.kind = ValueKind::Id;
  x.word = static_cast<int32_t>(v);
  return x;
}
Value Value::Loc(TextLoc v) {
  Value x;
  x.kind = ValueKind::TextLoc;
  x.range.begin = v;
  x.range.end = v;
  return x;
}
Value Value::Range(TextRange v) {
  Value x;
  x.kind = ValueKind::TextRange;
  x.range = v;
  return x;
}
Value Value::List(std::vector<Metric> v) {
  Value x;
  x.kind = ValueKind::MetricList;
  x.list = std::move(v);
  return x;
}
Value Value::Text(std::string v) {
  Value x;
  x.kind = ValueKind::Text;
  x.text = std::move(v);
  return x;
}

static std::string FormatLoc(const TextLoc& l) {
  return FormatId(l.object) + "@" + std::to_string(l.offset);
}

std::string Value::Format() const {
  switch (kind) {
    case ValueKind::None:
      return "-";
    case ValueKind::Int:
      return std::to_string(word);
    case ValueKind::Metric:
      return FormatPt(word);
    case ValueKind::Id:
      return FormatId(static_cast<ObjectId>(word));
    case ValueKind::TextLoc:
      return "{" + FormatLoc(range.begin) + "}";
    case ValueKind::TextRange:
      return "{" + FormatLoc(range.begin) + " .. " + FormatLoc(range.end) + "}";
    case ValueKind::MetricList: {
      std::string s = "[";
      for (size_t i = 0; i < list.size(); ++i) s += (i ? ", " : "") + FormatPt(list[i]);
      return s + "]";
    }
    case ValueKind::Text:
      return "\"" + text + "\"";
  }
  return "?";
}

bool operator==(const Value& a, const Value& b) {
  if (a.kind != b.kind) return false;
  switch (a.kind) {
    case ValueKind::None:
      return true;
    case ValueKind::Int:
    case ValueKind::Metric:
    case ValueKind::Id:
      return a.word == b.word;
    case ValueKind::TextLoc:
      return a.range.begin.object == b.range.begin.object && a.range.begin.offset == b.range.begin.offset;
    case ValueKind::TextRange:
      return a.range.begin.object == b.range.begin.object && a.range.begin.offset == b.range.begin.offset &&
             a.range.end.object == b.range.end.object && a.range.end.offset == b.range.end.offset;
    case ValueKind::MetricList:
      return a.list == b.list;
    case ValueKind::Text:
      return a.text == b.text;
  }
  return false;
}

}  // namespace zvhost
