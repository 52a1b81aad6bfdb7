#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
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
  for (size_t i = 0; i < xy.size(); ++i) std::tie(ws->weeks[i + 1].Ni1, ws->weeks[i + 1].N1) = xy[i];
  return ws;
}

} // namespace

TEST(NmVsNi, HandComputedWindowText) {
  // Topsoil differences 2, -2, 5 (Sdd 33, D 5, Qxx 200, Qxy 230); a week
  // without a measurement plays no part. The subsoil's single pair gives means
  // only, its figure too wide for the column yet apart from the one before.
  auto ws = Pairs(10, {{10, 12}, {0, 500}, {20, 18}, {30, 35}});
  ws->weeks[5].Ni2 = ws->weeks[5].N2 = 1234567;
  ws->options.CorrRng1 = 2; // the limits count as within
  ws->options.CorrRng2 = 5;
  const std::vector<std::string> want = {
      "              TopSoil  SubSoil",
      "    n:              3        1",
      "    Avg. Ni:    20.00 1234567.00 [kg N/ha]",
      " ",
      "  Sample of difference N-Ni:",
      "    Average:     1.67     0.00 [kg N/ha]",
      "    SE:          3.51     0.00 [kg N/ha]",
      " ",
      "  Regression of N on Ni:",
      "    Abcis:      -1.33     0.00 [kg N/ha]",
      "    Tangent:     1.15     0.00 [-]",
      "    r:          0.964    0.000 [-]",
      " ",
      "  Number in range:",
      "    +/-  2 kg:      2        1 [-]",
      "    +/-  5 kg:      3        1 [-]",
      " ",
      "  Average absolute difference:",
      "                 3.00     0.00 [kg N/ha]",
  };
  EXPECT_EQ(NmVsNiLines(*ws), want);
}

TEST(NmVsNi, ModelledValueOfEachSettingAtTheRunEdges) {
  // Measured in the first and last run week; records 0 and Weeks + 1 are not
  // run weeks and must never be averaged in.
  const float N[] = {9999, 10, 20, 40, 80, 160, 9999};
  const std::pair<int32_t, double> rows[] = {
      {kCorrSameWeek, (10 + 160) / 2.0},
      {kCorrHalfWeekAvg, ((10 + 10 + 15) + (120 + 160 + 160)) / 6.0},
      {kCorrWholeWeekAvg, ((10 + 10 + 20) + (80 + 160 + 160)) / 6.0},
      {7, (10 + 160) / 2.0}, // an unknown setting compares the same week
  };
  for (const auto& row : rows) {
    auto ws = Pairs(5, {});
    for (int r = 0; r <= 6; ++r) ws->weeks[r].N1 = ws->weeks[r].N2 = N[r];
    ws->weeks[1].Ni1 = ws->weeks[1].Ni2 = ws->weeks[5].Ni1 = ws->weeks[5].Ni2 = 1;
    ws->options.CorrOpti = row.first;
    for (const CorrLayer& L : CalcCorr(*ws).Layer)
      EXPECT_NEAR(L.Ey, row.second, 1e-4) << "setting " << row.first;
  }
  auto ws = Pairs(1300, {}); // a run length beyond the records stops at week 520
  ws->options.CorrOpti = kCorrWholeWeekAvg;
  ws->weeks[520].N1 = 60;
  ws->weeks[520].Ni1 = 50;
  ws->weeks[521].N1 = 9999;
  EXPECT_FLOAT_EQ(CalcCorr(*ws).Layer[0].Ey, 40);
}

TEST(NmVsNi, DegenerateSamples) {
  CorrLayer L = CalcCorr(*Pairs(10, {{30, 20}, {30, 30}, {30, 46}})).Layer[0]; // one measured level
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
  WeekRecords& w = ws->weeks;
  // The states before and after the run, and a week left from a longer run.
  w[0].Ni1 = w[9].Ni1 = w[30].Ni1 = w[9].OMi = 40;
  w[7].OMi = -1;
  w[3].OMi = 40000;
  w[3].OMt1 = 41000;
  w[6].OMi = 42000;
  w[6].OMt1 = 40000;
  w[5].ONi = 2000;
  w[5].Nt1 = 1900;
  const CorrResult r = CalcCorr(*ws);
  EXPECT_EQ(r.Layer[0].NMeas, 1);
  EXPECT_FLOAT_EQ(r.OMiAvg, 41000);
  EXPECT_FLOAT_EQ(r.OMDifAbs, 1500);
  EXPECT_FLOAT_EQ(r.ONDifAbs, 100);
  // No measurements: the means show 1, the differences 0.
  const CorrResult no = CalcCorr(*Pairs(10, {}));
  EXPECT_EQ(no.Layer[0].Ex + no.Layer[0].Ez + no.OMiAvg + no.OMDifAbs + no.ONiAvg + no.ONDifAbs, 3);
}
