#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <type_traits>
#include <vector>

#include "Workspace.h"
#include "calc/Corr.h"

using namespace kelmar;

// The calibration compares once per trial: the result is a plain value that
// costs no allocation.
static_assert(std::is_trivially_copyable_v<CorrResult>);

namespace {

// A run of `weeks` weeks with topsoil pairs (measured, modelled) from week 1 on.
std::unique_ptr<Workspace> Pairs(int weeks, std::vector<std::pair<float, float>> xy) {
  auto ws = MakeWorkspace();
  ws->scenario.Weeks = weeks;
  for (size_t i = 0; i < xy.size(); ++i) {
    ws->weeks[i + 1].Ni1 = xy[i].first;
    ws->weeks[i + 1].N1 = xy[i].second;
  }
  return ws;
}

} // namespace

TEST(NmVsNi, HandComputedTopsoil) {
  // Differences 2, -2, 5; a week without a measurement plays no part.
  auto ws = Pairs(10, {{10, 12}, {0, 500}, {20, 18}, {30, 35}});
  ws->options.CorrRng1 = 2; // exactly 2 is within it
  ws->options.CorrRng2 = 5;
  const CorrResult r = CalcCorr(*ws);
  const CorrLayer& L = r.Layer[0];
  EXPECT_EQ(L.NMeas, 3);
  EXPECT_FLOAT_EQ(L.Ex, 20);
  EXPECT_FLOAT_EQ(L.Ey, 65.0f / 3);
  EXPECT_FLOAT_EQ(L.EDif, 5.0f / 3);
  EXPECT_FLOAT_EQ(L.Ez, 3);
  EXPECT_NEAR(L.SEDif, std::sqrt((33 - 25.0 / 3) / 2), 1e-5); // Sdd 33, D 5
  EXPECT_NEAR(L.Tan, 1.15, 1e-6);                             // Qxy 230 / Qxx 200
  EXPECT_NEAR(L.Abcis, 65.0 / 3 - 1.15 * 20, 1e-5);
  EXPECT_NEAR(L.Corr, 230 / std::sqrt(200 * (1693 - 65.0 * 65 / 3)), 1e-6);
  EXPECT_EQ(L.n1, 2);
  EXPECT_EQ(L.n2, 3);
  EXPECT_EQ(r.Layer[1].NMeas, 0);
  EXPECT_EQ(r.Layer[1].Ex, 1);
  EXPECT_EQ(r.Layer[1].Ey, 1);
}

TEST(NmVsNi, ModelledValueOfEachSettingAtTheRunEdges) {
  // Records 0 and Weeks + 1 are not run weeks and must never be averaged in.
  const float N[] = {9999, 10, 20, 40, 80, 160, 9999};
  const struct {
    int32_t mode;
    int week;
    double y;
  } rows[] = {
      {kCorrSameWeek, 1, 10},
      {kCorrHalfWeekAvg, 1, (10 + 10 + 15) / 3.0},
      {kCorrHalfWeekAvg, 3, (30 + 40 + 60) / 3.0},
      {kCorrHalfWeekAvg, 5, (120 + 160 + 160) / 3.0},
      {kCorrWholeWeekAvg, 1, (10 + 10 + 20) / 3.0},
      {kCorrWholeWeekAvg, 3, (20 + 40 + 80) / 3.0},
      {kCorrWholeWeekAvg, 5, (80 + 160 + 160) / 3.0},
      {7, 3, 40}, // an unknown setting compares the same week
  };
  for (const auto& row : rows) {
    auto ws = Pairs(5, {});
    for (int r = 0; r <= 6; ++r) ws->weeks[r].N1 = ws->weeks[r].N2 = N[r];
    ws->weeks[row.week].Ni1 = ws->weeks[row.week].Ni2 = 1;
    ws->options.CorrOpti = row.mode;
    for (const CorrLayer& L : CalcCorr(*ws).Layer) {
      EXPECT_EQ(L.NMeas, 1);
      EXPECT_NEAR(L.Ey, row.y, 1e-4) << "setting " << row.mode << ", week " << row.week;
    }
  }
}

TEST(NmVsNi, ToleranceClassification) {
  // |differences| 0, 5, 10, 10.5, 20, 25.
  auto ws = Pairs(20, {{50, 50}, {50, 55}, {50, 40}, {50, 60.5f}, {50, 70}, {50, 25}});
  const struct {
    float rng1, rng2;
    int n1, n2;
  } rows[] = {{10, 20, 3, 5}, {0, 100, 1, 6}, {9.99f, 10.49f, 2, 3}};
  for (const auto& row : rows) {
    ws->options.CorrRng1 = row.rng1;
    ws->options.CorrRng2 = row.rng2;
    const CorrLayer L = CalcCorr(*ws).Layer[0];
    EXPECT_EQ(L.n1, row.n1) << "ranges " << row.rng1 << " / " << row.rng2;
    EXPECT_EQ(L.n2, row.n2) << "ranges " << row.rng1 << " / " << row.rng2;
  }
}

TEST(NmVsNi, DegenerateSamples) {
  CorrLayer L = CalcCorr(*Pairs(10, {{30, 36}})).Layer[0]; // one pair: means only
  EXPECT_FLOAT_EQ(L.Ex, 30);
  EXPECT_FLOAT_EQ(L.EDif, 6);
  EXPECT_EQ(L.SEDif + L.Abcis + L.Tan + L.Corr, 0);

  L = CalcCorr(*Pairs(10, {{30, 20}, {30, 30}, {30, 46}})).Layer[0]; // one measured level
  EXPECT_EQ(L.Tan + L.Abcis + L.Corr, 0);
  EXPECT_NEAR(L.SEDif, std::sqrt((356 - 36.0 / 3) / 2), 1e-4);

  // Equal differences whose variance rounding leaves a hair below zero: no
  // spread, never NaN.
  std::vector<std::pair<float, float>> xy;
  for (int i = 1; i <= 5; ++i) xy.push_back({0.013f * i + 0.37f, 0.013f * i + 0.37f + 2.9f});
  L = CalcCorr(*Pairs(10, xy)).Layer[0];
  EXPECT_EQ(L.SEDif, 0);
  EXPECT_NEAR(L.Corr, 1, 1e-3);
}

TEST(NmVsNi, OnlyPositiveMeasurementsInsideTheRunCount) {
  auto ws = Pairs(8, {{-5, 0}, {20, 25}});
  ws->weeks[0].Ni1 = 40;  // the initial state
  ws->weeks[9].Ni1 = 40;  // the state after the run
  ws->weeks[30].Ni1 = 40; // left from a longer run
  EXPECT_EQ(CalcCorr(*ws).Layer[0].NMeas, 1);

  ws = Pairs(1300, {}); // a run length beyond the records stops at week 520
  ws->options.CorrOpti = kCorrWholeWeekAvg;
  ws->weeks[519].N1 = 30;
  ws->weeks[520].N1 = 60;
  ws->weeks[520].Ni1 = 50;
  ws->weeks[521].N1 = 9999;
  EXPECT_FLOAT_EQ(CalcCorr(*ws).Layer[0].Ey, 50);
}

TEST(NmVsNi, OrganicMatterAgainstItsMeasurements) {
  auto ws = Pairs(10, {});
  WeekRecords& w = ws->weeks;
  w[2].OMi = 40000;
  w[2].OMt1 = 41000;
  w[6].OMi = 42000;
  w[6].OMt1 = 40000;
  w[7].OMi = -1;
  w[5].ONi = 2000;
  w[5].Nt1 = 1900;
  const CorrResult r = CalcCorr(*ws);
  EXPECT_EQ(r.NOMi, 2);
  EXPECT_FLOAT_EQ(r.OMiAvg, 41000);
  EXPECT_FLOAT_EQ(r.OMDifAbs, 1500);
  EXPECT_EQ(r.NONi, 1);
  EXPECT_FLOAT_EQ(r.ONDifAbs, 100);
  const CorrResult none = CalcCorr(*Pairs(10, {}));
  EXPECT_EQ(none.ONiAvg, 1);
  EXPECT_EQ(none.ONDifAbs, 0);
}

TEST(NmVsNi, WindowText) {
  const std::vector<std::string> none = {
      "              TopSoil  SubSoil",
      "    n:              0        0",
      "    Avg. Ni:     1.00     1.00 [kg N/ha]",
      " ",
      "  Sample of difference N-Ni:",
      "    Average:     0.00     0.00 [kg N/ha]",
      "    SE:          0.00     0.00 [kg N/ha]",
      " ",
      "  Regression of N on Ni:",
      "    Abcis:       0.00     0.00 [kg N/ha]",
      "    Tangent:     0.00     0.00 [-]",
      "    r:          0.000    0.000 [-]",
      " ",
      "  Number in range:",
      "    +/- 10 kg:      0        0 [-]",
      "    +/- 20 kg:      0        0 [-]",
      " ",
      "  Average absolute difference:",
      "                 0.00     0.00 [kg N/ha]",
  };
  EXPECT_EQ(NmVsNiLines(*Pairs(52, {})), none);

  auto ws = Pairs(10, {{10, 12}, {20, 18}, {30, 35}});
  ws->weeks[5].Ni2 = ws->weeks[5].N2 = 1234567;
  ws->options.CorrRng1 = 2;
  ws->options.CorrRng2 = 100;
  const std::vector<std::string> lines = NmVsNiLines(*ws);
  EXPECT_EQ(lines[2], "    Avg. Ni:    20.00 1234567.00 [kg N/ha]"); // too wide, yet apart
  EXPECT_EQ(lines[9], "    Abcis:      -1.33     0.00 [kg N/ha]");
  EXPECT_EQ(lines[11], "    r:          0.964    0.000 [-]");
  EXPECT_EQ(lines[14], "    +/-  2 kg:      2        1 [-]");
  EXPECT_EQ(lines[15], "    +/-100 kg:      3        1 [-]");
  EXPECT_EQ(lines[18], "                 3.00     0.00 [kg N/ha]");
}
