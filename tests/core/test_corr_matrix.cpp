#include <gtest/gtest.h>

#include <array>

#include "Workspace.h"
#include "optim/CorrMatrix.h"
#include "optim/Histogram.h"
#include "optim/PriceAlg.h"
#include "report/SumFile.h"

using namespace kelmar;

TEST(RCrit, TableThenPublishedCriticalValues) {
  EXPECT_EQ((std::array{RCrit(-1), RCrit(0), RCrit(3), RCrit(4), RCrit(5), RCrit(6), RCrit(7)}),
            (std::array{1.0f, 1.0f, 1.0f, 0.999f, 0.991f, 0.974f, 0.951f}));
  // Critical values of r, two-sided p = 0.001, df = n - 2 (Fisher and Yates).
  const std::pair<int, double> rows[] = {{6, 0.9249},  {8, 0.8721},  {12, 0.7800}, {18, 0.6787},
                                         {25, 0.5974}, {40, 0.4896}, {60, 0.4078}, {100, 0.3211}};
  for (auto [df, r] : rows) EXPECT_NEAR(RCrit(df + 2), r, 6e-4) << "df " << df;
  // Continuous from the table into the computed values, and falling with n:
  // eight observations must not need more than seven.
  for (int n = 5; n <= 300; ++n) EXPECT_LT(RCrit(n), RCrit(n - 1)) << n;
}

TEST(CorrMatrix, PerfectConstantScaledAndMarked) {
  std::vector<double> x = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, flat(10, 42.5), tiny;
  std::vector<double> down = {99.5, 99, 98.5, 98, 97.5, 97, 96.5, 96, 95.5, 95};
  std::vector<double> noise = {4, 1, 7, 3, 0, 15, 5, 14, 4, 13}; // x plus a wiggle: r = 0.5289
  for (double v : noise) tiny.push_back(v * 1e-4);
  CorrMatrix m = ComputeCorrMatrix({"x", "down", "flat", "tiny", "noise"}, {x, down, flat, tiny, noise},
                                   CorrDiagonal::Computed);
  // Units do not decide: "tiny" is "noise" in units 10^4 times smaller. A
  // constant variable correlates with nothing, itself included. Only
  // coefficients below the diagonal are marked.
  EXPECT_EQ(CorrMatrixLines(m, ParameterCorrStatus(m)),
            (std::vector<std::string>{
                "              x    down    flat    tiny   noise",
                "      x   1.000",
                "   down  -1.000*  1.000",
                "   flat   0.000   0.000   0.000",
                "   tiny   0.529  -0.529   0.000   1.000",
                "  noise   0.529  -0.529   0.000   1.000*  1.000",
                "Parameters: 5  Sets: 10  R-Crit (0.05%): 0.872  (* |r| > R-Crit)",
            }));
  EXPECT_THROW(ComputeCorrMatrix({"a", "b"}, {{1, 2}, {1}}, CorrDiagonal::One), std::invalid_argument);
}

TEST(CorrMatrix, CorFileAndScatter) {
  std::vector<double> a = {1, 2, 3, 4}, b = {2, 1, 4, 3}, c = {5, 5, 5, 5};
  CorrMatrix m = ComputeCorrMatrix({"oOM", "yOM", "LongNam"}, {a, b, c}, CorrDiagonal::Computed);
  // One empty line, then every grid row; a text as wide as its field keeps a blank before it.
  EXPECT_EQ(CorFileText(m), "\r\n"
                            "           oOM    yOM LongNam\r\n"
                            "    oOM  1.000              \r\n"
                            "    yOM  0.600  1.000       \r\n"
                            "LongNam  0.000  0.000  0.000\r\n");
  // x is the cell's column, y its row, the series the number of observations.
  ScatterData s = ScatterOf(m, 3, 1);
  EXPECT_EQ(s.xTitle + "|" + s.yTitle + "|" + s.seriesTitle, "oOM|LongNam|4");
  EXPECT_EQ(s.points, (std::vector<std::pair<double, double>>{{1, 5}, {2, 5}, {3, 5}, {4, 5}}));
  // The upper triangle and the diagonal are valid choices; the headers are not.
  EXPECT_EQ(ScatterOf(m, 1, 2).points[0], (std::pair<double, double>{2, 1}));
  EXPECT_NO_THROW(ScatterOf(m, 2, 2));
  EXPECT_THROW(ScatterOf(m, 0, 1), std::out_of_range);
  EXPECT_THROW(ScatterOf(m, 1, 4), std::out_of_range);
}

TEST(CorrMatrix, SummaryItemsUseTheShownValues) {
  auto ws = MakeWorkspace();
  std::string text = SummaryHeaderLines(*ws);
  for (int r = 0; r < 3; ++r) {
    SummaryValues v{};         // item 1 (Ini) constant
    v[33] = 1.0f + r;          // NAVG
    v[62] = 0.1234f * (3 - r); // Corr1, written with three decimals
    text += SummaryDataLine(*ws, v) + "\r\n";
  }
  ItemSelection sel = ParseItemSelection("1" + std::string(32, '0') + "1" + std::string(28, '0') + "1");
  CorrMatrix m = SummaryCorrMatrix(BuildSumGrid(ReadSumText(text, "s.sum"), sel));
  EXPECT_EQ(m.names, (std::vector<std::string>{"Ini", "NAVG", "Corr1"}));
  EXPECT_EQ(m.cell(1, 1), "1.000") << "1 on the diagonal, even for a constant item";
  EXPECT_DOUBLE_EQ(m.columns[2][0], 0.370); // as shown, not as computed
  // Three observations never mark anything, not even a shown -1.000.
  EXPECT_EQ(m.cell(3, 2), "-1.000");
  EXPECT_FALSE(m.isMarked(3, 2));
  EXPECT_EQ(SummaryCorrStatus(m), "Summary items: 3  Summaries: 3  R-Crit (0.05%): 1.000");
}

TEST(CorrMatrix, PriceSetsWithAParameterHeldFixed) {
  auto ws = MakeWorkspace();
  for (int i = 1; i <= kParmCount; ++i) ws->parms[i].fit = i <= 2;
  ws->parms[2].lower = ws->parms[2].upper; // a range of one value
  TPriceAlg alg(*ws);
  alg.Initialise(); // random targets: no model runs needed
  CorrMatrix m = PriceCorrMatrix(alg);
  EXPECT_EQ(m.cell(0, 1), std::string(ws->parms[1].name));
  EXPECT_EQ(m.cell(2, 2), "0.000") << "a parameter that never varies";
  EXPECT_EQ(ParameterCorrStatus(m), "Parameters: 2  Sets: 20  R-Crit (0.05%): 0.679");

  // Classes span the fitting range, not the values drawn.
  EXPECT_EQ(PriceHistogram(alg, 1).total(), 20);
  EXPECT_FLOAT_EQ(PriceHistogram(alg, 1).low, ws->parms[1].lower);
  EXPECT_EQ(PriceHistogram(alg, 2).Count[0], 20);
  EXPECT_THROW(PriceHistogram(alg, 0), Refusal);
  try {
    PriceHistogram(alg, 3);
    FAIL();
  } catch (const Refusal& e) {
    EXPECT_STREQ(e.what(), "No parameter selected !");
  }
}
