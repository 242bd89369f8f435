// The column range of "Paste Graphic Width" on a table, cut to the width list: entries past
// the list's end are never written (the list is followed by guard entries that must survive).
#include <gtest/gtest.h>

#include <vector>

#include "tools/tools_internal.h"

namespace {

TEST(ColumnWidths, ARangeIsCutToTheListAndNothingPastItIsWritten) {
  constexpr zv::MetricValue Guard = -1;
  struct Case {
    int32_t first, last;
    std::vector<zv::MetricValue> widths;  // the four entries of the list after the change
  };
  const Case cases[] = {
      {1, 3, {1, 9, 9, 9}},   // last = count - 1
      {3, 4, {1, 2, 3, 9}},   // last = count
      {2, 5, {1, 2, 9, 9}},   // last = count + 1
      {0, 9, {9, 9, 9, 9}},   // last = count + 5
      {4, 4, {1, 2, 3, 4}},   // first past the end
      {4, 9, {1, 2, 3, 4}},   // wholly past the end
      {-3, 0, {9, 2, 3, 4}},  // before the start: cut at the first
      {INT32_MIN, INT32_MAX, {9, 9, 9, 9}},
      {3, 1, {1, 2, 3, 4}},  // reversed: nothing
  };
  for (const Case& c : cases) {
    std::vector<zv::MetricValue> items = {1, 2, 3, 4, Guard, Guard, Guard, Guard, Guard, Guard};
    zv::MetricList list{4, items.data()};
    zv::SetColumnWidths(&list, c.first, c.last, 9);
    std::vector<zv::MetricValue> want = c.widths;
    want.resize(items.size(), Guard);
    EXPECT_EQ(items, want) << c.first << ".." << c.last;
  }
}

}  // namespace
