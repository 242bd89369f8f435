// What the whole-module target holds the module to, beyond not crashing: the host operations
// each command's steps may make (the operations of bench/command_steps.h on the typical page,
// with those of its refusals and of the other paths its routine takes on other pages), and the
// properties a selection change may touch.
#pragma once

#include <cstdint>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "host/model/model.h"
#include "host/model/numbers.h"

namespace fuzzmodule {

// Operations shared by several commands.
#define ZV_FIND "GetIdProp ShowAlert "
#define ZV_CHANGE "ReadAllProps SetIntProp SetMetricProp RefreshDocument "
#define ZV_SELECT "GetIdProp GetIntProp SetIntProp SetTextRangeProp SelectTableCells GetTextLocProp "

// Index = command number - 1.
inline const std::vector<std::set<std::string>>& AllowedOperations() {
  static const std::vector<std::set<std::string>> table = [] {
    const char* const lists[19] = {
        ZV_FIND "GetMetricProp",            // 1 copy
        ZV_FIND ZV_CHANGE,                  // 2
        ZV_FIND ZV_CHANGE,                  // 3
        ZV_FIND ZV_CHANGE,                  // 4
        ZV_FIND ZV_CHANGE "GetMetricProp",  // 5
        ZV_FIND ZV_CHANGE "GetMetricProp",  // 6
        ZV_FIND ZV_CHANGE,                  // 7
        ZV_FIND
        "ReadAllProps SetMetricProp GetIntProp GetTextRangeProp "                       // 8: graphic or
        "GetMetricProp GetMetricListProp SetMetricListProp",                            //    table columns
        ZV_FIND "ReadAllProps SetMetricProp",                                           // 9
        ZV_FIND ZV_CHANGE "GetMetricProp",                                              // 10
        ZV_FIND ZV_CHANGE "GetMetricProp",                                              // 11
        ZV_FIND ZV_CHANGE "GetMetricProp AskForInteger",                                // 12
        ZV_FIND ZV_CHANGE "GetMetricProp",                                              // 13
        ZV_FIND ZV_SELECT "GetMetricProp CreateGraphic SetMetricProp RefreshDocument",  // 14
        ZV_SELECT "GetTextRangeProp",                                                   // 15
        ZV_FIND ZV_SELECT,                                                              // 16
        ZV_FIND ZV_SELECT,                                                              // 17
        ZV_FIND ZV_CHANGE "GetMetricProp GetIntProp",                                   // 18
        "ShowAlert ReadAllProps WriteAllProps DeleteObject CreateGraphic",              // 19 undo
    };
    std::vector<std::set<std::string>> out;
    for (const char* list : lists) {
      std::set<std::string> ops;
      std::istringstream in(list);
      for (std::string op; in >> op;) ops.insert(op);
      out.push_back(ops);
    }
    return out;
  }();
  return table;
}

#undef ZV_FIND
#undef ZV_CHANGE
#undef ZV_SELECT

// Properties that say what is selected: the only ones commands 15 to 17 may change.
inline bool IsSelectionProperty(int32_t p) {
  namespace prop = zvhost::prop;
  return p == prop::TextSelection || p == prop::FirstSelectedGraphic || p == prop::SelectedTable ||
         p == prop::SelectedFlag || p == prop::NextSelectedGraphic ||
         (p >= prop::TblSelTop && p <= prop::TblSelLastCol);
}

// Properties a lying host may answer with anything (ForceAnswer): not the chains the module
// walks up to its walk limit (next selected, previous row, containing frame), which would
// only make an input slow.
struct Forced {
  int32_t prop;
  zvhost::ValueKind kind;
};
inline const std::vector<Forced>& ForcedProperties() {
  namespace prop = zvhost::prop;
  using K = zvhost::ValueKind;
  static const std::vector<Forced> table = {
      {prop::PosX, K::Metric},
      {prop::PosY, K::Metric},
      {prop::Width, K::Metric},
      {prop::Height, K::Metric},
      {prop::GridSpacing, K::Metric},
      {prop::TblLeftIndent, K::Metric},
      {prop::TblWidth, K::Metric},
      {prop::TblCellMarginA, K::Metric},
      {prop::TblCellMarginB, K::Metric},
      {prop::TblColumnCount, K::Int},
      {prop::TblSelTop, K::Int},
      {prop::TblSelFirstCol, K::Int},
      {prop::TblSelLastCol, K::Int},
      {prop::TblPlacement, K::Int},
      {prop::ParaAlignment, K::Int},
      {prop::CellColumn, K::Int},
      {prop::TblFirstRow, K::Int},
      {prop::GraphicAbove, K::Id},
      {prop::GraphicBelow, K::Id},
      {prop::SelectedTable, K::Id},
      {prop::TblTitleParagraph, K::Id},
      {prop::TextContainer, K::Id},
      {prop::CellRow, K::Id},
      {prop::RowTable, K::Id},
      {prop::FirstSelectedGraphic, K::Id},
      {prop::AnchorLocation, K::TextLoc},
      {prop::TextSelection, K::TextRange},
      {prop::TblColWidths, K::MetricList},
  };
  return table;
}

}  // namespace fuzzmodule
