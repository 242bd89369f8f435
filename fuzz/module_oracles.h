// What the whole-module target holds the module to, beyond not crashing, besides the host
// operations each command may make (tests/support/commands.h): the properties a selection
// change may touch, and the answers a lying host may force.
#pragma once

#include <cstdint>
#include <vector>

#include "host/model/model.h"
#include "host/model/numbers.h"

namespace fuzzmodule {

// Properties that say what is selected: the only ones the commands of the Select submenu may change.
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
