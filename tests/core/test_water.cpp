#include <gtest/gtest.h>

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <sstream>
#include <stdexcept>
#include <string>

#include "Workspace.h"
#include "model/Driver.h"
#include "model/Processes.h"
#include "model/Water.h"

using namespace kelmar;
using namespace kelmar::model;

// The whole-run water balance over generated scenarios is checked with the
// mineral-N balance in test_nitrogen.cpp.

namespace {

// The run window as the driver sets it before the weekly passes, from a week
// of year 1.
void SetRun(Workspace& ws, int week, int weeks) {
  ws.scenario.Year = 1, ws.scenario.Week = week, ws.scenario.Weeks = weeks;
  ws.run.RunStart = week, ws.run.RunEnd = week + weeks - 1;
}

void RunWater(Workspace& ws) { InitWaterConstants(ws), GroundWater(ws), WaterBalance(ws); }

// A sandy topsoil over a loamy subsoil, both dry at the start; water table
// from 150 cm (week 10) to 250 cm (week 36); the run starts in week 10.
// The crop asks 0.8 x ET0 with three quarters of its roots in the topsoil.
std::unique_ptr<Workspace> HandScenario() {
  auto ws = MakeWorkspace();
  Scenario& s = ws->scenario;
  const float soil[2][8] = {{30, 0.4f, 0.02f, 600, 50, 20, 10, 0.3f},
                            {70, 0.35f, 0.015f, 1000, 80, 25, 15, 0.2f}};
  for (int k = 0; k < 2; ++k) {
    SoilLayer& l = s.Soil[k];
    const float* v = soil[k];
    l.THL = v[0], l.SMO = v[1], l.GAM = v[2], l.IFi = v[3], l.CRc = v[4], l.CRx = v[5], l.FI = v[6],
    l.BPF = v[7];
  }
  s.WaterTable[0] = {10, 150, 10};
  s.WaterTable[1] = {36, 250, 20};
  SetRun(*ws, 10, 4);
  const float weather[5][4] = {
      {12, 0, 0, 25}, {5, 50, 10, 10}, {20, 8, 4, 20}, {-3, 10, 0, 5}, {30, 80, 0, 5}};
  for (int r = 1; r <= 5; ++r) {
    WeekRecord& w = ws->weeks[r];
    const float* v = weather[r - 1];
    w.Tc = v[0], w.Rain = v[1], w.Irr = v[2], w.ET0 = v[3], w.UPTi = 0.8f * w.ET0, w.RF1 = 0.75f;
  }
  return ws;
}

} // namespace

TEST(WaterBalance, HandComputedWeeks) {
  auto ws = HandScenario();
  RunWater(*ws);
  // exp(-0.02 x ln(16000)^2) x 30 x 0.4 x 10 = exp(-1.874181) x 120
  EXPECT_NEAR(ws->run.WiltWater[1], 18.41767, 1e-4);
  EXPECT_NEAR(ws->run.WiltWater[2], 60.07671, 1e-4);
  // Worked from the formulas in double, rounded to float where stored.
  // Week 1: pF1 = log10(600) = 2.778151, pF2 = 3 > 2.7: the topsoil takes the
  //   whole demand with stress (4.21 - 2.778151) / 1.51 = 0.948244, UPT1 =
  //   20 x 0.948244; UPT2 = (20 - 18.96488) x (4.21 - 3) / 1.51. The table is
  //   85 cm below the subsoil middle: (3 - log10 85) x 2.5 > 1, so CR2 =
  //   CRmax2 = 7 exp(-5/25); the subsoil is far below field capacity:
  //   MFOUT2 = -CR2.
  // Week 2: GWT = 150 + 100 / 26; P = 60 > 10: BPF1 = 18; topsoil drier than
  //   the subsoil, CR1 = CRmax1 = 0.474071 < deficit: MFOUT1 = -CR1; FOUT1 =
  //   17.52593 > 15: BPF2 = 17.52593 x 0.2 - 18, MFIN2 = -0.474071 + 14.49481.
  // Week 4: P = 10 equals FI: no bypass. Tc -3: fT 0.
  // Week 5: Tc 30: fT 3.52; NTeta1 = 75.81747 + 56, UPT1 = 4 x 0.75 = 3,
  //   x1 = 131.8175 - 3 - 78.51894 drains; BPF2 = 74.29853 x 0.2 - 24.
  // Each row: a record, then its fields and their values.
  const char* const rows[] = {
      "0 Teta1 52.93568 Teta2 119.7615 Fi1 600.0001 pF2 3",
      "1 FC2 182.2175 CRmax2 5.731115 fTheta 0.9482442 fT_fTheta2 0.8884531 UPT1 18.96488 UPT2 0.8294641 "
      "MFOUT2 -5.731115",
      "2 GWT 153.8462 Teta1 33.97079 Teta2 124.6631 pF1 3.449827 BPF1 18 UPT1 4.027404 MFOUT1 -0.4740711 "
      "BPF2 -14.49481 MFIN2 14.02074 UPT2 3.407688 FOUT2 -1.408693",
      "3 Teta1 72.41747 fT 2.053091 UPT1 12 BPF2 -3.6",
      "4 fT 0 BP1 0 MFIN1 10 UPT2 1 MFOUT1 0",
      "5 Teta1 75.81747 Teta2 146.6156 fT 3.52 MFOUT1 50.29853 FOUT1 74.29853 BPF2 -9.140294 MFOUT2 26.81207 "
      "FOUT2 41.67178"};
  for (const char* row : rows) {
    std::istringstream in(row);
    int r = 0;
    in >> r;
    std::string field;
    double expected = 0;
    while (in >> field >> expected) {
      const int i = WeekFieldIndex(field);
      ASSERT_GE(i, 0) << field;
      EXPECT_NEAR(ws->weeks[r].*kWeekFields[i].member, expected, std::max(1e-5, std::fabs(expected) * 1e-5))
          << "record " << r << " " << field << " (relative 1e-5: values are stored in float)";
    }
  }
}

TEST(WaterBalance, TopsoilDrainageRegimes) {
  // A wet subsoil (pF 1) under a drier topsoil mobilises the full rise
  // CRmax1 = 21 mm; without rain or demand x1 = 21 - deficit. MFOUT1 is
  // x1 - CR1 for x1 > 0, x1 for -CR1 <= x1 <= 0, else -CR1.
  for (auto [deficit, mfout1] : {std::pair{5.0, -5.0}, {30.0, -9.0}, {50.0, -21.0}}) {
    auto ws = HandScenario();
    ws->scenario.Soil[0].CRc = 300, ws->scenario.Soil[1].IFi = 10;
    SetRun(*ws, 10, 1);
    ws->weeks[1] = WeekRecord{};
    InitWaterConstants(*ws);
    GroundWater(*ws);
    ws->run.InitWater[1] = static_cast<float>(ws->weeks[1].FC1 - deficit);
    WaterBalance(*ws);
    ASSERT_EQ(ws->weeks[1].CRmax1, 21);
    EXPECT_NEAR(ws->weeks[1].MFOUT1, mfout1, 1e-4) << "deficit " << deficit;
  }
}

TEST(GroundWater, InterpolatesOnACyclicYear) {
  auto ws = HandScenario();
  SetRun(*ws, 1, 60); // record r is absolute week r
  GroundWater(*ws);
  // Point 1 week 10 (150 cm, 10 mg/l), point 2 week 36 (250 cm, 20 mg/l);
  // back from week 36 to week 10 of the next year takes 26 weeks. Rows: the
  // week and its fraction of the way from point 1 to point 2; record 61 is
  // record Weeks + 1.
  const double rows[][2] = {{1, 9 / 26.0}, {10, 0},         {23, 0.5},      {36, 1},
                            {49, 0.5},     {52, 10 / 26.0}, {53, 9 / 26.0}, {61, 1 / 26.0}};
  for (const auto& [r, f] : rows) {
    EXPECT_NEAR(ws->weeks[static_cast<int>(r)].GWT, 150 + 100 * f, 1e-4) << "week " << r;
    EXPECT_NEAR(ws->weeks[static_cast<int>(r)].NGW, 10 + 10 * f, 1e-5) << "week " << r;
  }
}

TEST(GroundWater, CorrectedPointsAndCapillaryRiseLimits) {
  auto ws = HandScenario();
  Scenario& s = ws->scenario;
  s.Soil[0].CRc = 100, s.Soil[0].CRx = 20, s.Soil[1].CRc = 50, s.Soil[1].CRx = 20;
  SetRun(*ws, 10, 1);
  // Both points in week 10; levels at or above the profile bottom (100 cm)
  // go to 105 cm. The subsoil middle then lies 40 cm above the table.
  s.WaterTable[1].Week = 10, s.WaterTable[0].GWT = 0, s.WaterTable[1].GWT = 100;
  GroundWater(*ws);
  EXPECT_TRUE(s.WaterTable[0].Week == 9 && s.WaterTable[0].GWT == 105 && s.WaterTable[1].GWT == 105);
  const WeekRecord& w = ws->weeks[1];
  EXPECT_NEAR(w.FC1, WaterAtSuction(0.02f, 30, 0.4f, 90), 1e-4);
  EXPECT_NEAR(w.FC2, WaterAtSuction(0.015f, 70, 0.35f, 40), 1e-4);
  EXPECT_EQ(w.CRmax1, 21) << "7 x exp((100 - 15 - 40) / 20) = 66.4 is capped";
  EXPECT_NEAR(w.CRmax2, 7 * std::exp(0.5), 1e-5) << "7 x exp((50 - 40) / 20)";
  // Table at 300 cm: the heights are limited to 100 cm for field capacity
  // and the topsoil's rise; the rise from the ground water uses the real 235.
  s.WaterTable[0].GWT = s.WaterTable[1].GWT = 300;
  GroundWater(*ws);
  EXPECT_NEAR(w.FC1, WaterAtSuction(0.02f, 30, 0.4f, 100), 1e-4);
  EXPECT_NEAR(w.FC2, WaterAtSuction(0.015f, 70, 0.35f, 100), 1e-4);
  EXPECT_NEAR(w.CRmax1, 7 * std::exp(-0.75), 1e-5) << "7 x exp((100 - 15 - 100) / 20)";
  EXPECT_NEAR(w.CRmax2, 7 * std::exp(-9.25), 1e-7) << "7 x exp((50 - 235) / 20)";
}

// A dry profile over a shallow water table: the topsoil, drier than the
// subsoil, draws up more than the almost dry subsoil holds above its wilting
// point. The rise stops at that point; the ground water refills the subsoil
// from below later in the week.
TEST(WaterBalance, CapillaryRiseNeverDriesTheSubsoilBelowWiltingPoint) {
  auto ws = HandScenario();
  Scenario& s = ws->scenario;
  s.Soil[0].IFi = 100000, s.Soil[1].IFi = 15000;
  s.WaterTable[0].GWT = s.WaterTable[1].GWT = 105;
  for (int r = 1; r <= 5; ++r) ws->weeks[r].Rain = ws->weeks[r].Irr = 0;
  RunWater(*ws);
  const double wilt2 = ws->run.WiltWater[2];
  const WeekRecord& w = ws->weeks[1];
  ASSERT_GT(w.CRmax1 * std::min(1.0, (w.pF1 - w.pF2) * 2.5), w.Teta2 - wilt2 + 1) << "the limit must bind";
  EXPECT_NEAR(-w.MFOUT1, w.Teta2 - wilt2, 1e-4) << "the rise is what the subsoil holds above wilting point";
  EXPECT_NEAR(w.NTeta2, wilt2, 1e-4);
  for (int r = 1; r <= 5; ++r) EXPECT_GE(ws->weeks[r].NTeta2, wilt2 - 1e-4) << "week " << r;
}

TEST(WaterBalance, SaturatedLayerRunsWithoutFault) {
  // An initial suction of 1 cm fills a layer exactly. Rounding the water to
  // float and back to a fraction puts it a step above or below SMO: above,
  // the inverse curve has no value; below, it is steep (0.2 % per step).
  auto ws = HandScenario();
  SetRun(*ws, 10, 1);
  ws->scenario.Soil[0].IFi = 1;
  for (int thl = 5; thl <= 100; ++thl)
    for (int smo = 5; smo <= 60; ++smo) {
      ws->scenario.Soil[0].THL = static_cast<float>(thl);
      ws->scenario.Soil[0].SMO = static_cast<float>(smo / 100.0);
      std::feclearexcept(FE_ALL_EXCEPT);
      RunWater(*ws);
      ASSERT_FALSE(std::fetestexcept(FE_INVALID | FE_DIVBYZERO)) << "THL " << thl << " SMO " << smo;
      ASSERT_TRUE(ws->weeks[0].Fi1 >= 1 && ws->weeks[0].Fi1 < 1.01) << "THL " << thl << " SMO " << smo;
    }
}

TEST(WaterBalance, RefusesARunWindowBeyondTheWeekRecords) {
  auto ws = HandScenario();
  SetRun(*ws, 1, 521);
  EXPECT_THROW(GroundWater(*ws), std::logic_error);
  SetRun(*ws, 1, 520);
  ws->run.RunEnd += 1;
  EXPECT_THROW(WaterBalance(*ws), std::logic_error);
}

TEST(WaterBalance, ZeroGammaFailsTheRun) {
  ASSERT_NO_THROW(RunModel(*HandScenario()));
  for (int layer = 0; layer < 2; ++layer) {
    auto ws = HandScenario();
    ws->scenario.Soil[layer].GAM = 0;
    EXPECT_THROW(RunModel(*ws), FloatingPointFault) << "layer " << layer + 1;
    EXPECT_FALSE(ws->run.calculated);
  }
}
