// Axis arithmetic of the graphs: round limits and steps, the layout of the
// plot area, pixel mapping and the spreading of names along the top.
#include <gtest/gtest.h>

#include <cmath>

#include "report/GraphAxis.h"

using namespace kelmar;

TEST(GraphAxis, ScaleChoosesRoundStepsAndWidensLimits) {
  struct Case {
    const char* what;
    double min, max, length, minTick;
    double step, lo, hi;
    int decimals;
  };
  const Case cases[] = {
      {"0..7.3 in eight ticks", 0, 7.3, 384, 48, 1, 0, 8, 0},
      {"one point: span raised to 0.01", 5, 5.01, 300, 48, 0.01, 5, 5.01, 2},
      {"hand-set 3..97, step 10", 3, 97, 480, 48, 10, 0, 100, 0},
      {"negative minimum widened downward", -7.3, 12, 200, 48, 5, -10, 15, 0},
      {"small values", 0, 0.37, 400, 40, 0.05, 0, 0.4, 2},
      {"thousands", 0, 4500, 250, 48, 1000, 0, 5000, 0},
      {"tenths", 1.2, 2.9, 400, 48, 0.5, 1, 3, 1},
      {"no room for ticks: one step over the span", 0, 7, 10, 48, 10, 0, 10, 0},
      {"all negative", -55, -12, 300, 30, 5, -55, -10, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    AxisScale a = ScaleAxis({c.min, c.max}, c.length, c.minTick);
    EXPECT_NEAR(a.step, c.step, 1e-12);
    EXPECT_NEAR(a.min, c.lo, 1e-9);
    EXPECT_NEAR(a.max, c.hi, 1e-9);
    EXPECT_EQ(a.decimals, c.decimals);
    EXPECT_NEAR(a.scale, c.length < 1 ? 1 : c.length / (c.hi - c.lo), 1e-6);
  }
}

TEST(GraphAxis, StartLimits) {
  struct Case {
    const char* what;
    bool automatic;
    double setMin, setMax;
    bool hasPoints;
    double extMin, extMax;
    double lo, hi;
  };
  const double nan = std::nan("");
  const Case cases[] = {
      {"automatic without points", true, 40, 50, false, 0, 0, 0, 1},
      {"automatic from the extents", true, 40, 50, true, -3, 17, -3, 17},
      {"one point is widened to 0.01", true, 0, 1, true, 5, 5, 5, 5.01},
      {"hand-set limits are kept", false, 3, 97, true, -100, 100, 3, 97},
      {"hand-set limits without points", false, 3, 97, false, 0, 0, 3, 97},
      {"hand-set empty range", false, 7, 7, true, 0, 1, 7, 7.01},
      {"a damaged hand-set limit", false, nan, 97, true, 0, 1, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    AxisLimits l = AxisStartLimits(c.automatic, c.setMin, c.setMax, c.hasPoints, c.extMin, c.extMax);
    EXPECT_NEAR(l.min, c.lo, 1e-12);
    EXPECT_NEAR(l.max, c.hi, 1e-12);
  }
}

TEST(GraphAxis, LabelsStartAtTheMinimumGridOneStepLater) {
  AxisScale a = ScaleAxis({0, 7.3}, 384, 48);
  std::vector<double> labels = AxisTicks(a, true), grid = AxisTicks(a, false);
  ASSERT_EQ(labels.size(), 9u);
  ASSERT_EQ(grid.size(), 8u);
  EXPECT_EQ(labels.front(), 0);
  EXPECT_EQ(grid.front(), 1);
  EXPECT_NEAR(labels.back(), 8, 1e-9);
  // Steps of 0.01 accumulate no rounding error that would add or drop a tick.
  AxisScale s = ScaleAxis({5, 5.01}, 300, 48);
  EXPECT_EQ(AxisTicks(s, true).size(), 2u);
  EXPECT_EQ(FormatTick(AxisTicks(s, true)[1], s.decimals), "5.01");
}

TEST(GraphAxis, TickText) {
  EXPECT_EQ(FormatTick(5, 2), "5.00");
  EXPECT_EQ(FormatTick(-1e-9, 1), "0.0");
  EXPECT_EQ(FormatTick(-10, 0), "-10");
  EXPECT_EQ(FormatTick(0.05, 2), "0.05");
}

TEST(GraphAxis, LayoutLeavesRoomForLabelsTitlesAndLegend) {
  GraphMetrics m;
  m.textHeight = 13;
  m.digitWidth = 8;
  GraphLayout l = ComputeGraphLayout(640, 480, m);
  EXPECT_EQ(l.plotLeft, 13 + 3 + 1 + 48 + 6);
  EXPECT_EQ(l.plotTop, 13 + 4 + 6);
  EXPECT_EQ(l.plotRight, 640 - 19);
  EXPECT_EQ(l.plotBottom, 480 - (39 + 3 + 6));
  EXPECT_EQ(l.minTickDistX, 48);
  EXPECT_EQ(l.minTickDistY, 19);

  // Printed on the upper half of a portrait page.
  PageOffsets off = PageOffsetsFromPercent(2000, 3000, 10, 10, 10, 50);
  EXPECT_EQ(off.left, 200);
  EXPECT_EQ(off.bottom, 1500);
  GraphLayout p = ComputeGraphLayout(2000, 3000, m, off);
  EXPECT_EQ(p.plotLeft, l.plotLeft + 200);
  EXPECT_EQ(p.plotBottom, 3000 - 48 - 1500);
  // Percentages above 90 are limited, and a tiny surface keeps a plot area.
  EXPECT_EQ(PageOffsetsFromPercent(1000, 1000, 95, 0, 0, 200).bottom, 900);
  GraphLayout tiny = ComputeGraphLayout(20, 20, m);
  EXPECT_GT(tiny.width(), 0);
  EXPECT_GT(tiny.height(), 0);
}

TEST(GraphAxis, PixelMappingAndWeekUnderThePointer) {
  GraphMetrics m;
  GraphMapping g = MapGraph({1, 104}, {0, 100}, 800, 500, m);
  EXPECT_NEAR(g.XToPixel(g.x.min), g.layout.plotLeft, 1e-9);
  EXPECT_NEAR(g.XToPixel(g.x.max), g.layout.plotRight, 1e-9);
  EXPECT_NEAR(g.YToPixel(g.y.max), g.layout.plotTop, 1e-9);
  EXPECT_NEAR(g.YToPixel(g.y.min), g.layout.plotBottom, 1e-9);
  EXPECT_EQ(WeekAtPixel(g, g.XToPixel(37.4), 104), 37);
  EXPECT_EQ(WeekAtPixel(g, g.XToPixel(37.6), 104), 38);
  EXPECT_EQ(WeekAtPixel(g, 0, 104), 1);
  EXPECT_EQ(WeekAtPixel(g, 5000, 104), 104);
}

TEST(GraphAxis, NamesCloserThanHalfAnMAreSpread) {
  struct Case {
    std::vector<double> in, out;
  };
  const Case cases[] = {
      {{100, 100}, {100, 110}},           // same week: one "M" apart
      {{100, 103, 104}, {100, 110, 120}}, // a run of close names
      {{100, 200}, {100, 200}},           // far apart: unchanged
      {{100, 50}, {100, 110}},            // out of order: kept right of the previous
      {{-20000, -19990}, {-9994, -9984}}, // the limit starts at -9999
  };
  for (const Case& c : cases) EXPECT_EQ(SpreadLabels(c.in, 5), c.out);
}

TEST(GraphAxis, PenScaleFollowsPrintScaleAndResolution) {
  EXPECT_DOUBLE_EQ(PenScale(100, 96, 96), 1);
  EXPECT_DOUBLE_EQ(PenScale(200, 600, 300), 2 * 300.0 / 96);
  EXPECT_DOUBLE_EQ(PenScale(50, 192, 192), 1);
}
