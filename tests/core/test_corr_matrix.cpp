#include <gtest/gtest.h>

#include <cmath>

#include "Workspace.h"
#include "optim/CorrMatrix.h"
#include "optim/Histogram.h"
#include "optim/PriceAlg.h"
#include "optim/SumFile.h"
#include "report/Summary.h"

using namespace kelmar;

TEST(RCrit, FewObservationsAndTableValues) {
  for (int n : {-1, 0, 1, 2, 3}) EXPECT_EQ(RCrit(n), 1.0f) << n;
  EXPECT_EQ(RCrit(4), 0.999f);
  EXPECT_EQ(RCrit(5), 0.991f);
  EXPECT_EQ(RCrit(6), 0.974f);
  EXPECT_EQ(RCrit(7), 0.951f);
}

TEST(RCrit, MatchesPublishedCriticalValues) {
  // Critical values of r, two-sided p = 0.001, df = n - 2 (Fisher and Yates).
  struct Row {
    int df;
    double r;
  } rows[] = {{6, 0.9249},  {8, 0.8721},  {10, 0.8233}, {12, 0.7800}, {15, 0.7247},
              {18, 0.6787}, {20, 0.6524}, {25, 0.5974}, {30, 0.5541}, {40, 0.4896},
              {50, 0.4433}, {60, 0.4078}, {80, 0.3568}, {100, 0.3211}};
  for (const Row& row : rows) EXPECT_NEAR(RCrit(row.df + 2), row.r, 6e-4) << "df " << row.df;
  // Continuous from the table into the computed values, and falling with n:
  // eight observations must not need more than seven.
  for (int n = 5; n <= 300; ++n) EXPECT_LT(RCrit(n), RCrit(n - 1)) << n;
}

TEST(CorrMatrix, PerfectConstantAndScaledVariables) {
  std::vector<double> x = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  std::vector<double> up, down, flat, tiny, noise;
  double wiggle[10] = {3, -1, 4, -1, -5, 9, -2, 6, -5, 3};
  for (int i = 0; i < 10; ++i) {
    up.push_back(2 * x[i] + 3);
    down.push_back(100 - 0.5 * x[i]);
    flat.push_back(42.5);
    tiny.push_back((x[i] + wiggle[i]) * 1e-4);
    noise.push_back(x[i] + wiggle[i]);
  }
  CorrMatrix m = ComputeCorrMatrix({"x", "up", "down", "flat", "tiny", "noise"},
                                   {x, up, down, flat, tiny, noise}, CorrDiagonal::Computed);
  ASSERT_EQ(m.size(), 6);
  EXPECT_EQ(m.n, 10);
  EXPECT_EQ(m.cell(0, 2), "up");
  EXPECT_EQ(m.cell(3, 0), "down");
  EXPECT_EQ(m.cell(2, 1), "1.000");
  EXPECT_EQ(m.cell(3, 1), "-1.000");
  EXPECT_EQ(m.cell(3, 2), "-1.000");
  for (int j = 1; j <= 3; ++j) EXPECT_EQ(m.cell(4, j), "0.000") << "constant against " << j;
  EXPECT_EQ(m.cell(4, 4), "0.000") << "a constant variable with itself";
  EXPECT_EQ(m.cell(1, 1), "1.000");
  // Units do not decide: a variable in units 10^4 times larger correlates alike.
  EXPECT_EQ(m.cell(5, 1), m.cell(6, 1));
  EXPECT_NE(m.cell(6, 1), "0.000");
  // Upper triangle empty, nothing on or above the diagonal marked.
  for (int i = 1; i <= 6; ++i)
    for (int j = i; j <= 6; ++j) {
      EXPECT_FALSE(m.isMarked(i, j));
      if (j > i) {
        EXPECT_EQ(m.cell(i, j), "");
      }
    }
  EXPECT_TRUE(m.isMarked(2, 1));
  EXPECT_TRUE(m.isMarked(3, 1));
  EXPECT_FALSE(m.isMarked(4, 1));
  double r = std::strtod(m.cell(6, 1).c_str(), nullptr);
  EXPECT_EQ(m.isMarked(6, 1), std::fabs(r) > m.RCrit);

  CorrMatrix one = ComputeCorrMatrix({"x", "flat"}, {x, flat}, CorrDiagonal::One);
  EXPECT_EQ(one.cell(2, 2), "1.000");
  EXPECT_EQ(one.cell(2, 1), "0.000");
}

TEST(CorrMatrix, MarkingFollowsTheShownValue) {
  // With 8 observations a perfect correlation is significant.
  std::vector<double> x = {1, 2, 3, 4, 5, 6, 7, 8};
  CorrMatrix m = ComputeCorrMatrix({"a", "b"}, {x, x}, CorrDiagonal::One);
  EXPECT_LT(m.RCrit, 1.0f);
  EXPECT_TRUE(m.isMarked(2, 1));
  // Three observations never mark anything.
  CorrMatrix few = ComputeCorrMatrix({"a", "b"}, {{1, 2, 3}, {1, 2, 3}}, CorrDiagonal::One);
  EXPECT_EQ(few.cell(2, 1), "1.000");
  EXPECT_FALSE(few.isMarked(2, 1));
  EXPECT_THROW(ComputeCorrMatrix({"a", "b"}, {{1, 2}, {1}}, CorrDiagonal::One), std::invalid_argument);
}

TEST(CorrMatrix, StatusLines) {
  std::vector<double> x = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  CorrMatrix m = ComputeCorrMatrix({"a", "b"}, {x, x}, CorrDiagonal::Computed);
  EXPECT_EQ(ParameterCorrStatus(m), "Parameters: 2  Sets: 10  R-Crit (0.05%): 0.872");
  EXPECT_EQ(SummaryCorrStatus(m), "Summary items: 2  Summaries: 10  R-Crit (0.05%): 0.872");
}

TEST(CorFile, OneEmptyLineThenEveryGridRow) {
  std::vector<double> a = {1, 2, 3, 4}, b = {2, 1, 4, 3}, c = {5, 5, 5, 5};
  CorrMatrix m = ComputeCorrMatrix({"oOM", "yOM", "LongNam"}, {a, b, c}, CorrDiagonal::Computed);
  std::string text = CorFileText(m);
  EXPECT_EQ(text, "\r\n"
                  "           oOM    yOM LongNam\r\n"
                  "    oOM  1.000              \r\n"
                  "    yOM  0.600  1.000       \r\n"
                  "LongNam  0.000  0.000  0.000\r\n");
  // A text wider than its field never runs into the one before.
  CorrMatrix wide = ComputeCorrMatrix({"Abcdefg", "Hijklmnop"}, {a, b}, CorrDiagonal::One);
  EXPECT_NE(CorFileText(wide).find("Abcdefg Hijklmnop"), std::string::npos);
}

TEST(Scatter, AxesFromColumnAndRow) {
  CorrMatrix m = ComputeCorrMatrix({"a", "b", "c"}, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}, CorrDiagonal::One);
  ScatterData s = ScatterOf(m, 3, 1);
  EXPECT_EQ(s.xTitle, "a");
  EXPECT_EQ(s.yTitle, "c");
  EXPECT_EQ(s.seriesTitle, "3");
  ASSERT_EQ(s.points.size(), 3u);
  EXPECT_EQ(s.points[1], (std::pair<double, double>{2, 8}));
  // The upper triangle and the diagonal are valid choices; the headers are not.
  EXPECT_NO_THROW(ScatterOf(m, 1, 3));
  EXPECT_NO_THROW(ScatterOf(m, 2, 2));
  EXPECT_THROW(ScatterOf(m, 0, 1), std::out_of_range);
  EXPECT_THROW(ScatterOf(m, 1, 4), std::out_of_range);
}

TEST(CorrMatrix, SummaryItemsUseTheShownValues) {
  auto ws = MakeWorkspace();
  std::string text = SummaryHeaderLines(*ws);
  for (int r = 0; r < 5; ++r) {
    SummaryValues v{};
    v[33] = 1.0f + r;          // NAVG
    v[62] = 0.1234f * (5 - r); // Corr1, written with three decimals
    v[0] = 5;                  // Ini, constant
    text += SummaryDataLine(*ws, v) + "\r\n";
  }
  ItemSelection sel{};
  sel[0] = sel[33] = sel[62] = true;
  SumGrid g = BuildSumGrid(ReadSumText(text, "s.sum"), sel);
  CorrMatrix m = SummaryCorrMatrix(g);
  ASSERT_EQ(m.size(), 3);
  EXPECT_EQ(m.names[1], "NAVG");
  EXPECT_EQ(m.n, 5);
  EXPECT_EQ(m.cell(1, 1), "1.000");
  EXPECT_EQ(m.cell(2, 1), "0.000");
  EXPECT_EQ(m.cell(3, 2), "-1.000");
  EXPECT_DOUBLE_EQ(m.columns[2][0], 0.617); // as shown, not as computed
  EXPECT_EQ(SummaryCorrStatus(m), "Summary items: 3  Summaries: 5  R-Crit (0.05%): 0.991");
}

TEST(CorrMatrix, PriceSetsWithAParameterHeldFixed) {
  auto ws = MakeWorkspace();
  for (int i = 1; i <= kParmCount; ++i) ws->parms[i].fit = 0;
  ws->parms[1].fit = ws->parms[2].fit = 1;
  ws->parms[2].lower = ws->parms[2].upper; // a range of one value
  TPriceAlg alg(*ws);
  alg.Rng.seed(3);
  alg.Initialise(); // random targets: no model runs needed
  ASSERT_EQ(alg.NSets(), 20);
  CorrMatrix m = PriceCorrMatrix(alg);
  EXPECT_EQ(m.cell(0, 1), std::string(ws->parms[1].name));
  EXPECT_EQ(m.n, 20);
  EXPECT_EQ(m.cell(1, 1), "1.000");
  EXPECT_EQ(m.cell(2, 2), "0.000") << "a parameter that never varies";
  EXPECT_EQ(m.cell(2, 1), "0.000");
  EXPECT_EQ(ParameterCorrStatus(m).substr(0, 22), "Parameters: 2  Sets: 2");

  Histogram h = PriceHistogram(alg, 1);
  EXPECT_EQ(h.total(), 20);
  EXPECT_FLOAT_EQ(h.low, ws->parms[1].lower);
  EXPECT_EQ(PriceHistogram(alg, 2).Count[0], 20);
  for (int bad : {0, 3}) {
    try {
      PriceHistogram(alg, bad);
      FAIL() << bad;
    } catch (const Refusal& e) {
      EXPECT_STREQ(e.what(), "No parameter selected !");
    }
  }
}
