#include <gtest/gtest.h>

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <random>
#include <stdexcept>

#include "Workspace.h"
#include "model/Driver.h"
#include "model/Processes.h"
#include "model/Water.h"
#include "model/Weeks.h"

using namespace kelmar;
using namespace kelmar::model;

namespace {

void SetLayer(SoilLayer& l, float thl, float smo, float gam, float ifi, float crc, float crx, float fi,
              float bpf) {
  l.THL = thl, l.SMO = smo, l.GAM = gam, l.IFi = ifi, l.CRc = crc, l.CRx = crx, l.FI = fi, l.BPF = bpf;
}

// The run window as the driver sets it before the weekly passes.
void SetRun(Workspace& ws, int year, int week, int weeks) {
  ws.scenario.Year = year, ws.scenario.Week = week, ws.scenario.Weeks = weeks;
  ws.run.RunStart = AbsWeek(year, week);
  ws.run.RunEnd = ws.run.RunStart + weeks - 1;
}

void RunWater(Workspace& ws) {
  InitWaterConstants(ws);
  GroundWater(ws);
  WaterBalance(ws);
}

float Field(const WeekRecord& w, std::string_view name) {
  for (const WeekField& f : kWeekFields)
    if (f.name == name) return w.*f.member;
  ADD_FAILURE() << "no week field " << name;
  return 0;
}

// A sandy topsoil over a loamy subsoil, both dry at the start; water table
// from 150 cm (week 10) to 250 cm (week 36); the run starts in week 10.
// The crop asks 0.8 x ET0 with three quarters of its roots in the topsoil.
std::unique_ptr<Workspace> HandScenario() {
  auto ws = MakeWorkspace();
  Scenario& s = ws->scenario;
  SetLayer(s.Soil[0], 30, 0.4f, 0.02f, 600, 50, 20, 10, 0.3f);
  SetLayer(s.Soil[1], 70, 0.35f, 0.015f, 1000, 80, 25, 15, 0.2f);
  s.WaterTable[0] = {10, 150, 10};
  s.WaterTable[1] = {36, 250, 20};
  SetRun(*ws, 1, 10, 4);
  const float weather[5][4] = {
      {12, 0, 0, 25}, {5, 50, 10, 10}, {20, 8, 4, 20}, {-3, 10, 0, 5}, {30, 80, 0, 5}};
  for (int r = 1; r <= 5; ++r) {
    WeekRecord& w = ws->weeks[r];
    w.Tc = weather[r - 1][0], w.Rain = weather[r - 1][1], w.Irr = weather[r - 1][2],
    w.ET0 = weather[r - 1][3];
    w.UPTi = 0.8f * w.ET0;
    w.RF1 = 0.75f;
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
  struct Row {
    int r;
    const char* field;
    double expected;
  };
  const Row rows[] = {
      {0, "Teta1", 52.93568},
      {0, "Teta2", 119.7615},
      {0, "Fi1", 600.0001},
      {0, "pF2", 3},
      {1, "FC2", 182.2175},
      {1, "CRmax2", 5.731115},
      {1, "fTheta", 0.9482442},
      {1, "fT_fTheta2", 0.8884531},
      {1, "UPT1", 18.96488},
      {1, "UPT2", 0.8294641},
      {1, "MFOUT2", -5.731115},
      {2, "GWT", 153.8462},
      {2, "Teta1", 33.97079},
      {2, "Teta2", 124.6631},
      {2, "pF1", 3.449827},
      {2, "BPF1", 18},
      {2, "UPT1", 4.027404},
      {2, "MFOUT1", -0.4740711},
      {2, "BPF2", -14.49481},
      {2, "MFIN2", 14.02074},
      {2, "UPT2", 3.407688},
      {2, "FOUT2", -1.408693},
      {3, "Teta1", 72.41747},
      {3, "fT", 2.053091},
      {3, "UPT1", 12},
      {3, "BPF2", -3.6},
      {4, "fT", 0},
      {4, "BP1", 0},
      {4, "MFIN1", 10},
      {4, "UPT2", 1},
      {4, "MFOUT1", 0},
      {5, "Teta1", 75.81747},
      {5, "Teta2", 146.6156},
      {5, "fT", 3.52},
      {5, "MFOUT1", 50.29853},
      {5, "FOUT1", 74.29853},
      {5, "BPF2", -9.140294},
      {5, "MFOUT2", 26.81207},
      {5, "FOUT2", 41.67178},
  };
  for (const Row& row : rows)
    EXPECT_NEAR(Field(ws->weeks[row.r], row.field), row.expected,
                std::max(1e-5, std::fabs(row.expected) * 1e-5))
        << "record " << row.r << " " << row.field << " (relative 1e-5: values are stored in float)";
}

TEST(WaterBalance, TopsoilDrainageRegimes) {
  // A wet subsoil (pF 1) under a drier topsoil mobilises the full rise
  // CRmax1 = 21 mm; without rain or demand x1 = 21 - deficit.
  struct Row {
    double deficit, mfout1;
  };
  const Row rows[] = {{5, -5}, {30, -9}, {50, -21}}; // x1 > 0: x1 - CR1; -CR1 <= x1 <= 0: x1; else -CR1
  for (const Row& row : rows) {
    auto ws = HandScenario();
    ws->scenario.Soil[0].CRc = 300;
    ws->scenario.Soil[1].IFi = 10;
    SetRun(*ws, 1, 10, 1);
    ws->weeks[1] = WeekRecord{};
    InitWaterConstants(*ws);
    GroundWater(*ws);
    ws->run.InitWater[1] = static_cast<float>(ws->weeks[1].FC1 - row.deficit);
    WaterBalance(*ws);
    ASSERT_EQ(ws->weeks[1].CRmax1, 21);
    EXPECT_NEAR(ws->weeks[1].MFOUT1, row.mfout1, 1e-4) << "deficit " << row.deficit;
  }
}

TEST(GroundWater, InterpolatesOnACyclicYear) {
  auto ws = HandScenario();
  SetRun(*ws, 1, 1, 60); // record r is absolute week r
  GroundWater(*ws);
  // Point 1 week 10 (150 cm, 10 mg/l), point 2 week 36 (250 cm, 20 mg/l);
  // back from week 36 to week 10 of the next year takes 26 weeks.
  const double rows[][3] = {
      {1, 250 - 100 * 17 / 26.0, 20 - 10 * 17 / 26.0},
      {10, 150, 10},
      {23, 200, 15},
      {36, 250, 20},
      {49, 200, 15},
      {52, 250 - 100 * 16 / 26.0, 20 - 10 * 16 / 26.0},
      {53, 250 - 100 * 17 / 26.0, 20 - 10 * 17 / 26.0},
      {61, 250 - 100 * 25 / 26.0, 20 - 10 * 25 / 26.0}, // record Weeks + 1
  };
  for (const auto& r : rows) {
    EXPECT_NEAR(ws->weeks[static_cast<int>(r[0])].GWT, r[1], 1e-4) << "week " << r[0];
    EXPECT_NEAR(ws->weeks[static_cast<int>(r[0])].NGW, r[2], 1e-5) << "week " << r[0];
  }
}

TEST(GroundWater, CorrectedPointsAndCapillaryRiseLimits) {
  auto ws = HandScenario();
  Scenario& s = ws->scenario;
  s.Soil[0].CRc = 100, s.Soil[0].CRx = 20, s.Soil[1].CRc = 50, s.Soil[1].CRx = 20;
  SetRun(*ws, 1, 10, 1);
  // Both points in week 10; levels at or above the profile bottom (100 cm)
  // go to 105 cm. The subsoil middle then lies 40 cm above the table.
  s.WaterTable[1].Week = 10, s.WaterTable[0].GWT = 0, s.WaterTable[1].GWT = 100;
  GroundWater(*ws);
  EXPECT_EQ(s.WaterTable[0].Week, 9);
  EXPECT_EQ(s.WaterTable[0].GWT, 105);
  EXPECT_EQ(s.WaterTable[1].GWT, 105);
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

TEST(WaterBalance, SaturatedLayerRunsWithoutFault) {
  // An initial suction of 1 cm fills a layer exactly. Rounding the water to
  // float and back to a fraction puts it a step above or below SMO: above,
  // the inverse curve has no value; below, it is steep (0.2 % per step).
  auto ws = HandScenario();
  SetRun(*ws, 1, 10, 1);
  ws->scenario.Soil[0].IFi = 1;
  for (int thl = 5; thl <= 100; ++thl)
    for (int smo = 5; smo <= 60; ++smo) {
      ws->scenario.Soil[0].THL = static_cast<float>(thl);
      ws->scenario.Soil[0].SMO = static_cast<float>(smo / 100.0);
      std::feclearexcept(FE_ALL_EXCEPT);
      RunWater(*ws);
      ASSERT_FALSE(std::fetestexcept(FE_INVALID | FE_DIVBYZERO)) << "THL " << thl << " SMO " << smo;
      ASSERT_GE(ws->weeks[0].Fi1, 1) << "THL " << thl << " SMO " << smo;
      ASSERT_LT(ws->weeks[0].Fi1, 1.01) << "THL " << thl << " SMO " << smo;
    }
}

TEST(WaterBalance, RefusesARunWindowBeyondTheWeekRecords) {
  auto ws = HandScenario();
  SetRun(*ws, 1, 1, 521);
  EXPECT_THROW(GroundWater(*ws), std::logic_error);
  SetRun(*ws, 1, 1, 520);
  ws->run.RunEnd += 1;
  EXPECT_THROW(WaterBalance(*ws), std::logic_error);
}

namespace {

// A plausible scenario from a seeded generator: two layers, a water table,
// a crop a year, initial organic matter and a weather with a yearly cycle.
void Generate(Workspace& ws, unsigned seed) {
  std::mt19937 rng(seed);
  auto real = [&](double lo, double hi) {
    return static_cast<float>(std::uniform_real_distribution<>(lo, hi)(rng));
  };
  auto whole = [&](int lo, int hi) { return std::uniform_int_distribution<>(lo, hi)(rng); };
  Scenario& s = ws.scenario;
  s.Year = 1, s.Week = whole(1, 52), s.Weeks = whole(30, 520);
  s.ETbare = real(0.3, 0.8), s.MWU = real(0, 0.8), s.pH = real(5, 7.5), s.CNM = real(8, 12),
  s.ADM = real(0.2, 0.5);
  s.NDep = real(10, 50), s.NFix0 = real(50, 200), s.DN0 = real(10, 50), s.DNF = real(0, 1);
  s.oOM2 = real(0, 40000), s.oNc2 = real(2, 6), s.oAge2 = real(10, 40), s.DN02 = 50, s.DNF2 = 0.3f;
  for (int k = 0; k < 2; ++k) {
    SoilLayer& l = s.Soil[k];
    SetLayer(l, k == 0 ? real(15, 40) : real(30, 100), real(0.3, 0.5), real(0.005, 0.05), real(5, 3000),
             real(10, 150), real(10, 60), real(5, 40), real(0, 0.5));
    l.NLF = real(0.5, 1), l.Text = real(0.5, 1), l.NMIN = real(10, 80);
  }
  s.WaterTable[0] = {static_cast<float>(whole(1, 20)), real(60, 250), real(0, 30)};
  s.WaterTable[1] = {static_cast<float>(whole(21, 52)), real(100, 400), real(0, 30)};
  s.CropCount = std::min(6, s.Weeks / 52 + 1);
  for (int i = 1; i <= s.CropCount; ++i) {
    Crop& c = s.Crops[i];
    c.YEAR = i, c.WEEK1 = whole(8, 24), c.WEEK2 = c.WEEK1 + whole(0, 12);
    c.WEEK3 = c.WEEK2 + whole(4, 20), c.WEEK4 = c.WEEK3 + whole(0, 8);
    c.ETMAX = real(0.8, 1.2), c.RDepth = real(20, 120), c.PRODi = real(5000, 60000), c.DMpct = real(15, 90);
    c.NFIXi = whole(0, 3) == 0 ? real(0, 200) : 0;
    c.DMdistr = {real(0, 0.7), real(0.1, 0.3), real(0.05, 0.2)};
    c.Npctdm = {real(0.5, 3), real(0.5, 3), real(0.5, 2)};
    c.Applied = {real(0, 0.2), real(0, 1)};
    c.InitAge = {real(0.4, 2), real(0.4, 2), real(0.4, 3)};
    c.PlantQUANT = real(0, 3000), c.PlantDMpct = real(20, 90), c.PlantNpctdm = real(0.5, 3);
  }
  const float pools[3][3] = {{60000, 1.5f, 20}, {5000, 2.5f, 4}, {1000, 3, 1}}; // QUANT, N%dm, IAGE
  for (int i = 1; i <= 3; ++i)
    s.Appls[i].QUANT = pools[i - 1][0] * real(0.5, 1.5), s.Appls[i].Npctdm = pools[i - 1][1],
    s.Appls[i].IAGE = pools[i - 1][2];
  for (int r = 1; r <= kMaxWeeks; ++r) {
    WeekRecord& w = ws.weeks[r];
    const double season = std::sin(2 * 3.14159265358979 * (r + s.Week - 16) / 52.0);
    w.Tc = static_cast<float>(10 + 8 * season) + real(-4, 4);
    w.Rain = whole(0, 3) == 0 ? 0 : real(0, 50) * real(0, 1.5);
    w.ET0 = std::max(0.0f, static_cast<float>(14 + 12 * season) + real(-5, 5));
    w.Irr = whole(0, 12) == 0 ? real(10, 30) : 0;
  }
}

} // namespace

TEST(WaterBalance, ClosesInEveryWeekOfGeneratedRuns) {
  // Change of water stored in both layers = rain + irrigation - modelled
  // uptake - flow out of the profile (negative when ground water rises into
  // it), up to the rounding of the stored values.
  auto ws = MakeWorkspace();
  int weeksChecked = 0;
  for (unsigned seed = 1; seed <= 200; ++seed) {
    Generate(*ws, seed);
    try {
      RunModel(*ws);
    } catch (const FloatingPointFault& e) {
      ADD_FAILURE() << "seed " << seed << ": " << e.what() << " in " << e.step();
      continue;
    }
    for (int r = 1; r <= ws->scenario.Weeks; ++r, ++weeksChecked) {
      const WeekRecord& w = ws->weeks[r];
      const WeekRecord& n = ws->weeks[r + 1];
      const double change =
          (static_cast<double>(n.Teta1) + n.Teta2) - (static_cast<double>(w.Teta1) + w.Teta2);
      const double flows = static_cast<double>(w.Rain) + w.Irr - w.UPTm - w.FOUT2;
      // Each stored value is off by at most half a float step (6e-8) of its
      // size, and each enters a few times.
      const double scale = std::fabs(w.Teta1) + std::fabs(w.Teta2) + std::fabs(n.Teta1) + std::fabs(n.Teta2) +
                           w.Rain + w.Irr + std::fabs(w.UPT1) + std::fabs(w.UPT2) + std::fabs(w.MFOUT1) +
                           std::fabs(w.MFOUT2) + std::fabs(w.BPF1) + std::fabs(w.BPF2);
      ASSERT_NEAR(change, flows, 5e-7 * scale) << "seed " << seed << " week " << r;
    }
  }
  EXPECT_GT(weeksChecked, 20000);
}

TEST(WaterBalance, ZeroGammaFailsTheRun) {
  auto ws = MakeWorkspace();
  for (int layer = 0; layer < 2; ++layer) {
    Generate(*ws, 7);
    ws->scenario.Soil[layer].GAM = 0;
    EXPECT_THROW(RunModel(*ws), FloatingPointFault) << "layer " << layer + 1;
    EXPECT_FALSE(ws->run.calculated);
  }
}
