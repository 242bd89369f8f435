// The names and helpers the scenario runner's steps share.
#include "host/scenario/runner_support.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <set>


namespace zvhost {

namespace {

struct PropNameEntry {
  const char* name;
  int32_t number;
  int onType;  // 0: any object; otherwise only this type (tables reuse "width" and "left-indent")
};
const PropNameEntry kProps[] = {
    {"x", prop::PosX, 0},
    {"y", prop::PosY, 0},
    {"width", prop::TblWidth, obj::Table},
    {"width", prop::Width, 0},
    {"height", prop::Height, 0},
    {"outline", prop::OutlineWidth, 0},
    {"fill", prop::FillPattern, 0},
    {"selected", prop::SelectedFlag, 0},
    {"align", prop::ParaAlignment, 0},
    {"left-indent", prop::TblLeftIndent, obj::Table},
    {"left-indent", prop::ParaLeftIndent, 0},
    {"first-indent", prop::ParaFirstIndent, 0},
    {"right-indent", prop::ParaRightIndent, 0},
    {"columns", prop::TblColWidths, 0},
    {"column-count", prop::TblColumnCount, 0},
    {"placement", prop::TblPlacement, 0},
    {"margin-a", prop::TblCellMarginA, 0},
    {"margin-b", prop::TblCellMarginB, 0},
    {"grid", prop::GridSpacing, 0},
};

}  // namespace

bool IsMetricProp(int32_t p) {
  switch (p) {
    case prop::PosX:
    case prop::PosY:
    case prop::Width:
    case prop::Height:
    case prop::OutlineWidth:
    case prop::ParaFirstIndent:
    case prop::ParaLeftIndent:
    case prop::ParaRightIndent:
    case prop::TblLeftIndent:
    case prop::TblWidth:
    case prop::TblCellMarginA:
    case prop::TblCellMarginB:
    case prop::GridSpacing:
      return true;
    default:
      return false;
  }
}

Geometry GeometryFrom(const std::vector<Quantity>& v, size_t at) {
  Geometry g;
  g.x = static_cast<double>(v[at].Metric()) / 65536.0;
  g.y = static_cast<double>(v[at + 1].Metric()) / 65536.0;
  g.w = static_cast<double>(v[at + 2].Metric()) / 65536.0;
  g.h = static_cast<double>(v[at + 3].Metric()) / 65536.0;
  return g;
}

std::string PtText(int64_t metric) {
  return FormatPoints(metric) + "pt";
}

const std::vector<std::string>& HostOperations() {
  static const std::vector<std::string> operations = {
      "RegisterClient",    "RequestNotification", "AddItemToMenu",     "DefineSubmenu",     "FindItemInMenu",
      "ShowAlert",         "AskForInteger",       "PrintToConsole",    "RefreshDocument",   "DeleteObject",
      "LookupNamedObject", "CreateGraphic",       "ReadAllProps",      "WriteAllProps",     "GetIntProp",
      "SetIntProp",        "GetIdProp",           "GetMetricProp",     "SetMetricProp",     "GetTextLocProp",
      "GetTextRangeProp",  "SetTextRangeProp",    "GetMetricListProp", "SetMetricListProp", "SelectTableCells",
      "DefineMenuCommand"};
  return operations;
}

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Edit distance, for "did you mean".
size_t Distance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diag = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      size_t up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diag + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diag = up;
    }
  }
  return row[b.size()];
}

}  // namespace

std::string Nearest(const std::string& wanted, const std::vector<std::string>& known) {
  if (wanted.size() > 200) return "";  // nothing is near, and the distances would cost its length squared
  std::vector<std::pair<size_t, std::string>> scored;
  for (const std::string& k : known) scored.push_back({Distance(Lower(wanted), Lower(k)), k});
  std::stable_sort(scored.begin(), scored.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  size_t n = 0;  // the nearest ones: at most three, none much farther than the nearest
  while (n < scored.size() && n < 3 && scored[n].first <= scored[0].first + (scored[0].first == 0 ? 0 : 2)) ++n;
  std::string s;
  for (size_t i = 0; i < n; ++i) s += (i == 0 ? "" : i + 1 == n ? " or " : ", ") + scored[i].second;
  return s.empty() ? s : " (did you mean " + s + "?)";
}

std::string AlertKind(int32_t kind) {
  return kind == alert::Error ? "error" : kind == alert::Note ? "note" : "kind " + std::to_string(kind);
}

int32_t ScenarioPropertyNumber(const std::string& name, int objectType) {
  if (!name.empty() && std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
      name.size() < 10)
    return static_cast<int32_t>(std::stol(name));
  for (const auto& p : kProps)
    if (name == p.name && (p.onType == 0 || p.onType == objectType)) return p.number;
  return 0;
}

std::string ScenarioPropertyName(int32_t number) {
  for (const auto& p : kProps)
    if (p.number == number) return p.name;
  return PropName(number);
}

std::string ScenarioPropertyNames() {
  std::string s;
  std::set<std::string> seen;
  for (const auto& p : kProps)
    if (seen.insert(p.name).second) s += (s.empty() ? "" : ", ") + std::string(p.name);
  return s + ", text, kind";
}

}  // namespace zvhost
