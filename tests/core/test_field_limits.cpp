#include <gtest/gtest.h>

#include "Workspace.h"
#include "data/FieldLimits.h"

using namespace kelmar;

// The refusal texts: the input field names its limits the %g way, a grid
// cell with its column's decimals.
TEST(FieldLimits, RefusalMessages) {
  EXPECT_EQ(NumInputRangeMessage(1, 520), "Value must be between 1 and 520 !");
  EXPECT_EQ(NumInputRangeMessage(-99.9, 1e7), "Value must be between -99.9 and 1e+07 !");
  EXPECT_EQ(GridRangeMessage({FieldType::Real, -99.9, 999.9, 1}), "Value must be between -99.9 and 999.9 !");
  EXPECT_EQ(GridRangeMessage({FieldType::Real, 0, 999999, 0}), "Value must be between 0 and 999999 !");
  EXPECT_EQ(GridCellText({FieldType::Real, -99.9, 999.9, 1}, 12), "12.0");
}

TEST(FieldLimits, UserNumbers) {
  struct Case {
    const char* text;
    FieldType type;
    bool ok;
    double value;
  };
  const Case cases[] = {
      {"", FieldType::Real, true, 0},       {"  12,5 ", FieldType::Real, true, 12.5},
      {"-3", FieldType::Integer, true, -3}, {"2.5", FieldType::Integer, false, 0},
      {"1e3", FieldType::Real, true, 1000}, {"12abc", FieldType::Real, false, 0},
      {"-", FieldType::Real, false, 0},     {"nan", FieldType::Real, false, 0},
  };
  for (const Case& c : cases) {
    double v = 0;
    EXPECT_EQ(ParseUserNumber(c.text, c.type, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_DOUBLE_EQ(v, c.value) << c.text;
    }
  }
}

// Each series shows the week-record fields its file holds, with the limits
// of its kind, and week 1..520 counts as holding data when any is not 0.
TEST(FieldLimits, SeriesColumns) {
  ASSERT_EQ(SeriesColumns(SeriesKind::Environment).size(), 3u);
  EXPECT_EQ(SeriesColumns(SeriesKind::Environment)[2].field, &WeekRecord::ET0);
  EXPECT_EQ(SeriesColumns(SeriesKind::Irrigation)[1].hint, "N irrigation kg/ha");
  EXPECT_EQ(SeriesColumns(SeriesKind::Nmineral)[0].limits.min, 0);
  EXPECT_EQ(SeriesColumns(SeriesKind::Omon)[0].limits.decimals, 0);
  EXPECT_EQ(WeekColumn().header, "Wk");
  auto ws = MakeWorkspace();
  ws->weeks[7].ONi = 3;
  ws->weeks[8].Tc = -1;
  EXPECT_TRUE(SeriesWeekNonZero(*ws, SeriesKind::Omon, 7));
  EXPECT_FALSE(SeriesWeekNonZero(*ws, SeriesKind::Nmineral, 7));
  EXPECT_TRUE(SeriesWeekNonZero(*ws, SeriesKind::Environment, 8));
  EXPECT_FALSE(SeriesWeekNonZero(*ws, SeriesKind::Environment, 521));
}
