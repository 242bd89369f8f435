#include "host/model/numbers.h"

#include <cstdio>

namespace zvhost {

bool SameIid(const Iid& a, const Iid& b) {
  if (a.data1 != b.data1 || a.data2 != b.data2 || a.data3 != b.data3) return false;
  for (int i = 0; i < 8; ++i)
    if (a.data4[i] != b.data4[i]) return false;
  return true;
}

namespace {

struct NameRow {
  int32_t number;
  const char* name;
};

// The name of `number` in `rows`, or null.
template <size_t N>
const char* NameIn(const NameRow (&rows)[N], int32_t number) {
  for (const NameRow& row : rows)
    if (row.number == number) return row.name;
  return nullptr;
}

// The properties the host answers, by name; adding one is one row.
constexpr NameRow kPropNames[] = {
    {prop::ActiveDocument, "ActiveDocument"},
    {prop::ScreenUpdates, "ScreenUpdates"},
    {prop::TextSelection, "TextSelection"},
    {prop::FirstSelectedGraphic, "FirstSelectedGraphic"},
    {prop::SelectedTable, "SelectedTable"},
    {prop::GridSpacing, "GridSpacing"},
    {prop::ParaAlignment, "ParaAlignment"},
    {prop::ParaFirstIndent, "ParaFirstIndent"},
    {prop::ParaLeftIndent, "ParaLeftIndent"},
    {prop::ParaRightIndent, "ParaRightIndent"},
    {prop::OutlineWidth, "OutlineWidth"},
    {prop::FillPattern, "FillPattern"},
    {prop::SelectedFlag, "SelectedFlag"},
    {prop::ContainingFrame, "ContainingFrame"},
    {prop::GraphicBelow, "GraphicBelow"},
    {prop::GraphicAbove, "GraphicAbove"},
    {prop::PosX, "PosX"},
    {prop::PosY, "PosY"},
    {prop::Width, "Width"},
    {prop::Height, "Height"},
    {prop::NextSelectedGraphic, "NextSelectedGraphic"},
    {prop::AnchorLocation, "AnchorLocation"},
    {prop::TblTitleParagraph, "TblTitleParagraph"},
    {prop::TextContainer, "TextContainer"},
    {prop::CellRow, "CellRow"},
    {prop::CellColumn, "CellColumn"},
    {prop::PreviousRow, "PreviousRow"},
    {prop::RowTable, "RowTable"},
    {prop::TblLeftIndent, "TblLeftIndent"},
    {prop::TblPlacement, "TblPlacement"},
    {prop::TblCellMarginA, "TblCellMarginA"},
    {prop::TblCellMarginB, "TblCellMarginB"},
    {prop::TblColumnCount, "TblColumnCount"},
    {prop::TblFirstRow, "TblFirstRow"},
    {prop::TblWidth, "TblWidth"},
    {prop::TblSelTop, "TblSelTop"},
    {prop::TblSelFirstCol, "TblSelFirstCol"},
    {prop::TblSelLastCol, "TblSelLastCol"},
    {prop::TblColWidths, "TblColWidths"},
    {prop::EnableCondition, "EnableCondition"},
    {prop::Name, "Name"},
    {prop::Order, "Order"},
};

// The object types the host names; other graphic types read "Graphic<n>", the rest "type<n>".
constexpr NameRow kTypeNames[] = {
    {obj::Session, "Session"},
    {obj::Document, "Document"},
    {obj::UnanchoredFrame, "UnanchoredFrame"},
    {obj::Rectangle, "Rectangle"},
    {obj::TextFrame, "TextFrame"},
    {obj::AnchoredFrame, "AnchoredFrame"},
    {obj::Paragraph, "Paragraph"},
    {obj::Table, "Table"},
    {obj::Row, "Row"},
    {obj::Cell, "Cell"},
    {obj::Menu, "Menu"},
    {obj::Command, "Command"},
    {obj::Separator, "Separator"},
    {obj::FrameContent, "FrameContent"},
};

}  // namespace

const char* PropName(int32_t number) {
  if (const char* name = NameIn(kPropNames, number)) return name;
  static thread_local char buf[24];
  std::snprintf(buf, sizeof buf, "Prop%d", static_cast<int>(number));
  return buf;
}

const char* TypeName(int type) {
  if (const char* name = NameIn(kTypeNames, type)) return name;
  static thread_local char buf[24];
  if (IsGraphicType(type))
    std::snprintf(buf, sizeof buf, "Graphic%d", type);
  else
    std::snprintf(buf, sizeof buf, "type%d", type);
  return buf;
}

}  // namespace zvhost
