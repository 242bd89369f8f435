// Pictures as text, on both targets: labels that would cover each other move apart, and the
// page's text form lists what a person needs to see.
#include "host/view/svg_page.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace zvhost {
namespace {

PageItem Item(const std::string& name, double x, double y) {
  PageItem it;
  it.name = name;
  it.kind = "rect";
  it.type = 12;
  it.x = x, it.y = y, it.w = 40, it.h = 20;
  return it;
}

// Graphics stacked on the same spot (a paste of the same position onto several) have labels at
// the same place: each later label moves right of the earlier ones. Positions with fractions
// that x87 arithmetic rounds differently once caught the placement in an endless loop.
TEST(SvgPage, LabelsOnTheSameSpotAreSetSideBySide) {
  PageView page;
  for (double x : {330.0, 330.1, 1.0 / 3.0})
    for (int i = 0; i < 12; ++i) page.items.push_back(Item("g" + std::to_string(i), x, 150 + 0.1 * i));
  std::string svg = RenderSvg(page);
  std::set<std::string> xs;
  for (size_t p = svg.find("<text x=\""); p != std::string::npos; p = svg.find("<text x=\"", p + 1))
    xs.insert(svg.substr(p + 9, svg.find('"', p + 9) - p - 9) + "@" + svg.substr(svg.find("y=\"", p), 12));
  EXPECT_EQ(xs.size(), 36u);  // no two labels at the same place
}

TEST(SvgPage, TextFormNamesKindsPlacesAndSelection) {
  PageView page;
  page.document = "report";
  page.items.push_back(Item("fig", 10.25, 20));
  page.items.back().selected = true;
  PageItem t;
  t.name = "t";
  t.kind = "table";
  t.rows = 2;
  t.columns = {100, 62.5};
  page.items.push_back(t);
  std::string text = PageText(page);
  EXPECT_NE(text.find("document report, page 612 x 792 pt"), std::string::npos) << text;
  EXPECT_NE(text.find("fig        rect      at 10.25 20  size 40 x 20  [selected]"), std::string::npos) << text;
  EXPECT_NE(text.find("t          table 2 rows, columns 100 62.5"), std::string::npos) << text;
}

}  // namespace
}  // namespace zvhost
