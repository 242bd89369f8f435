#include "host/model/numbers.h"

#include <cstdio>

namespace zvhost {

bool SameIid(const Iid& a, const Iid& b) {
  if (a.data1 != b.data1 || a.data2 != b.data2 || a.data3 != b.data3) return false;
  for (int i = 0; i < 8; ++i)
    if (a.data4[i] != b.data4[i]) return false;
  return true;
}

const char* PropName(int32_t number) {
  switch (number) {
    case prop::ActiveDocument:
      return "ActiveDocument";
    case prop::ScreenUpdates:
      return "ScreenUpdates";
    case prop::TextSelection:
      return "TextSelection";
    case prop::FirstSelectedGraphic:
      return "FirstSelectedGraphic";
    case prop::SelectedTable:
      return "SelectedTable";
    case prop::GridSpacing:
      return "GridSpacing";
    case prop::ParaAlignment:
      return "ParaAlignment";
    case prop::ParaFirstIndent:
      return "ParaFirstIndent";
    case prop::ParaLeftIndent:
      return "ParaLeftIndent";
    case prop::ParaRightIndent:
      return "ParaRightIndent";
    case prop::OutlineWidth:
      return "OutlineWidth";
    case prop::FillPattern:
      return "FillPattern";
    case prop::SelectedFlag:
      return "SelectedFlag";
    case prop::ContainingFrame:
      return "ContainingFrame";
    case prop::GraphicBelow:
      return "GraphicBelow";
    case prop::GraphicAbove:
      return "GraphicAbove";
    case prop::PosX:
      return "PosX";
    case prop::PosY:
      return "PosY";
    case prop::Width:
      return "Width";
    case prop::Height:
      return "Height";
    case prop::NextSelectedGraphic:
      return "NextSelectedGraphic";
    case prop::AnchorLocation:
      return "AnchorLocation";
    case prop::TblTitleParagraph:
      return "TblTitleParagraph";
    case prop::TextContainer:
      return "TextContainer";
    case prop::CellRow:
      return "CellRow";
    case prop::CellColumn:
      return "CellColumn";
    case prop::PreviousRow:
      return "PreviousRow";
    case prop::RowTable:
      return "RowTable";
    case prop::TblLeftIndent:
      return "TblLeftIndent";
    case prop::TblPlacement:
      return "TblPlacement";
    case prop::TblCellMarginA:
      return "TblCellMarginA";
    case prop::TblCellMarginB:
      return "TblCellMarginB";
    case prop::TblColumnCount:
      return "TblColumnCount";
    case prop::TblFirstRow:
      return "TblFirstRow";
    case prop::TblWidth:
      return "TblWidth";
    case prop::TblSelTop:
      return "TblSelTop";
    case prop::TblSelFirstCol:
      return "TblSelFirstCol";
    case prop::TblSelLastCol:
      return "TblSelLastCol";
    case prop::TblColWidths:
      return "TblColWidths";
    case prop::EnableCondition:
      return "EnableCondition";
    case prop::Name:
      return "Name";
    case prop::Order:
      return "Order";
  }
  static thread_local char buf[24];
  std::snprintf(buf, sizeof buf, "Prop%d", static_cast<int>(number));
  return buf;
}

const char* TypeName(int type) {
  switch (type) {
    case obj::Session:
      return "Session";
    case obj::Document:
      return "Document";
    case obj::UnanchoredFrame:
      return "UnanchoredFrame";
    case obj::Rectangle:
      return "Rectangle";
    case obj::TextFrame:
      return "TextFrame";
    case obj::AnchoredFrame:
      return "AnchoredFrame";
    case obj::Paragraph:
      return "Paragraph";
    case obj::Table:
      return "Table";
    case obj::Row:
      return "Row";
    case obj::Cell:
      return "Cell";
    case obj::Menu:
      return "Menu";
    case obj::Command:
      return "Command";
    case obj::Separator:
      return "Separator";
    case obj::FrameContent:
      return "FrameContent";
  }
  static thread_local char buf[24];
  if (IsGraphicType(type))
    std::snprintf(buf, sizeof buf, "Graphic%d", type);
  else
    std::snprintf(buf, sizeof buf, "type%d", type);
  return buf;
}

}  // namespace zvhost
