#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "Workspace.h"
#include "model/Driver.h"
#include "model/Processes.h"
#include "model/Weeks.h"

using namespace kelmar;
using namespace kelmar::model;

namespace {

// A run window of `weeks` weeks from absolute week 1 with moist soil in both
// layers (N1 40 in 60 mm, N2 30 in 90 mm) and no flows: every test switches
// on what it looks at.
std::unique_ptr<Workspace> Window(int weeks) {
  auto ws = MakeWorkspace();
  Scenario& s = ws->scenario;
  s.Weeks = weeks;
  s.NDep = 0;
  s.NFix0 = 100;
  s.DN0 = 25;
  s.DN02 = 50;
  s.DNF = s.DNF2 = 0.3f;
  s.Soil[0].NMIN = 40;
  s.Soil[1].NMIN = 30;
  s.Soil[0].NLF = s.Soil[1].NLF = 1;
  ws->run.RunStart = 1;
  ws->run.RunEnd = weeks;
  ws->run.WiltWater = {0, 20, 30};
  for (int r = 1; r <= weeks + 1; ++r) {
    WeekRecord& w = ws->weeks[r];
    w.Teta1 = 60;
    w.Teta2 = 90;
    w.FC1 = 70;
    w.FC2 = 100;
  }
  return ws;
}

// Seeded, plausible scenarios over several years: seasonal weather with
// irrigation, crops (some fixing N, some green manures), slurry, fertiliser,
// cultivations and soils within their editing limits. With otherKinds some
// applications have a kind outside the six source columns.
void Generate(Workspace& ws, uint32_t seed, bool otherKinds) {
  uint32_t state = seed * 2654435761u + 1;
  auto u = [&state](double lo, double hi) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<float>(lo + (hi - lo) * (state >> 8) / 16777216.0);
  };
  auto i = [&u](int lo, int hi) { return lo + static_cast<int>(u(0, hi - lo + 0.999)); };
  Scenario& s = ws.scenario;
  s.Year = i(1, 3);
  s.Week = i(1, 52);
  s.Weeks = i(30, 520);
  s.pH = u(4.5, 8);
  s.CNM = u(6, 12);
  s.ADM = u(0.2, 0.8);
  s.NDep = u(5, 60);
  s.NFix0 = u(0, 60);
  s.DN0 = u(5, 40);
  s.DNF = u(0, 2);
  s.ETbare = u(0.3, 0.7);
  s.MWU = u(0.3, 0.9);
  s.oOM2 = u(0, 1) < 0.3 ? 0 : u(1000, 80000);
  s.oNc2 = u(2, 6);
  s.oAge2 = u(5, 40);
  s.DN02 = u(10, 80);
  s.DNF2 = u(0, 1);
  s.WaterTable[0] = {static_cast<float>(i(5, 20)), u(60, 200), u(0, 20)};
  s.WaterTable[1] = {static_cast<float>(i(30, 45)), u(120, 300), u(0, 20)};
  for (SoilLayer& l : s.Soil)
    l = {"loam",     u(20, 45), u(30, 500),  u(5, 80),  u(0.35, 0.5), u(0.02, 0.04),
         u(50, 150), u(15, 40), u(0.5, 1.2), u(0.4, 1), u(10, 50),    u(0, 0.5)};
  const int years = s.Weeks / 52 + 2;
  s.CropCount = 0;
  for (int y = s.Year; y < s.Year + years && s.CropCount < kMaxCrops; ++y) {
    if (u(0, 1) < 0.15) continue; // a bare year
    Crop& c = s.Crops[++s.CropCount] = Crop{};
    c.YEAR = y;
    c.WEEK1 = i(8, 20);
    c.WEEK2 = c.WEEK1 + i(0, 12);
    c.WEEK3 = c.WEEK2 + i(5, 15);
    c.WEEK4 = c.WEEK3 + i(1, 40); // some into the next year, overlapping the next crop
    c.PRODi = u(4000, 60000);
    c.DMpct = u(15, 88);
    c.NFIXi = u(0, 1) < 0.3 ? u(50, 250) : 0;
    c.DMdistr = {0.5f, 0.3f, 0.2f};
    c.Npctdm = {u(1, 4), u(0.5, 2.5), u(0.8, 2)};
    c.Applied = {u(0, 1) < 0.2 ? 1.0f : 0.0f, u(0, 1)};
    c.InitAge = {u(0.3, 1.5), u(0.3, 1.5), u(0.5, 2)};
    c.ETMAX = u(0.8, 1.2);
    c.PlantQUANT = u(0, 300);
    c.PlantDMpct = 85;
    c.PlantNpctdm = 2;
    c.RDepth = u(20, 120);
    c.Code = u(0, 1) < 0.2 ? 6 : 5;
  }
  // Initial pools around the program's defaults, then the applications:
  // {ACT, QUANT, DM%, OM%dm, N%dm, IAGE, Nmin%} with a random quantity factor.
  const float pools[3][3] = {{94000, 6, 24}, {8000, 4, 4}, {3000, 3, 1.41f}};
  s.ApplCount = 3;
  for (int k = 1; k <= 3; ++k)
    s.Appls[k] = {"pool",          3, 1, 1, pools[k - 1][0] * u(0.5, 1.5), 100, 100, pools[k - 1][1],
                  pools[k - 1][2], 0, 0, 0};
  const float kinds[4][7] = {{1, 30000, 8, 65, 5, 0.5f, 4},   // slurry; Nmin% at times above N%dm
                             {4, 250, 100, 0, 27, 0, 27},     // fertiliser
                             {2, 3000, 100, 100, 2, 1, 0.1f}, // cultivation
                             {7, 10000, 60, 40, 1.5f, 2, 0}}; // compost, a kind of its own
  for (int n = i(0, 40); n > 0 && s.ApplCount < kMaxAppls; --n) {
    const float* k = kinds[i(0, otherKinds ? 3 : 2)];
    s.Appls[++s.ApplCount] = {"appl",
                              static_cast<int>(k[0]),
                              s.Year + i(0, years - 1),
                              i(1, 52),
                              k[1] * u(0.3, 1.7),
                              k[2],
                              k[3],
                              k[4],
                              k[5] * u(0.5, 2),
                              0,
                              0,
                              k[6] * u(0.5, 1.5)};
  }
  for (int r = 1; r <= 521; ++r) {
    WeekRecord& w = ws.weeks[r];
    const double season = std::sin(2 * 3.14159265358979 * (WeekOfYear(r) - 16) / 52.0);
    w.Tc = static_cast<float>(10 + 8 * season) + u(-4, 4);
    w.ET0 = std::max(0.0f, static_cast<float>(15 + 14 * season) + u(-5, 5));
    w.Rain = u(0, 1) < 0.3 ? 0 : u(0, 60);
    const bool irrigated = season > 0.3 && u(0, 1) < 0.2;
    w.Irr = irrigated ? u(10, 30) : 0;
    w.NIrr = irrigated ? u(0, 4) : 0;
  }
}

} // namespace

TEST(MineralNitrogen, OneWeekWithEveryFlowMatchesHandComputation) {
  auto ws = Window(2);
  Scenario& s = ws->scenario;
  s.NDep = 26; // 0.5 a week
  s.DN02 = 20;
  s.Soil[0].NLF = 0.9f;
  s.Soil[1].NLF = 0.8f;
  InitDeposition(*ws);
  ASSERT_EQ(ws->run.DepWeek, 0.5f);
  WeekRecord& w = ws->weeks[1];
  w.NIrr = 2;
  w.BP1 = 0.25f;
  w.dNt1 = 3;
  w.dOMt1 = 400;
  w.dNt2 = 0.5f;
  w.dOMt2 = 100;
  w.NUPTi = 6;
  w.NFIX = 1;
  w.UPT1 = 10;
  w.UPT2 = 5;
  w.MFOUT1 = 8;
  w.MFOUT2 = 6;
  w.BPF1 = 4;
  w.BPF2 = 1;
  MineralNitrogen(*ws);

  const double nlf1 = 0.9f, nlf2 = 0.8f, dnf = 0.3f;
  const double bpfn1 = 2.5 * 0.25;
  const double mnin1 = 3 + 2 + 0.5 - bpfn1;
  const double den1 = 0.001 * dnf * 400 * (40 - 25) * (60.0 - 20) / (70 - 20);
  const double newN1 = 40 + mnin1 - den1;
  const double nupt1 = 5 / (5 / 10.001 * 60 / 90 * 30 / 40.001 + 1);
  const double mnout1 = 8.0 / 60 * 40 * nlf1;
  const double bpfn2 = 1.0 * 40 / 60 * nlf1;
  const double mnin2 = 0.5 + mnout1 - bpfn2;
  const double den2 = 0.001 * dnf * 100 * (30 - 20) * (90.0 - 30) / (100 - 30);
  const double newN2 = 30 + mnin2 - den2;
  const double nupt2 = 5 - nupt1;
  const double mnout2 = 6.0 / 90 * 30 * nlf2;
  const double nout2 = bpfn1 + bpfn2 + mnout2;
  struct Row {
    const char* name;
    float got;
    double expected;
  };
  const Row rows[] = {{"BPFN1", w.BPFN1, bpfn1},
                      {"MNin1", w.MNin1, mnin1},
                      {"NFIX", w.NFIX, 1},
                      {"Den1", w.Den1, den1},
                      {"NewN1", w.NewN1, newN1},
                      {"NUPT1", w.NUPT1, nupt1},
                      {"MNout1", w.MNout1, mnout1},
                      {"Nout1", w.Nout1, bpfn1 + mnout1},
                      {"BPFN2", w.BPFN2, bpfn2},
                      {"MNin2", w.MNin2, mnin2},
                      {"Den2", w.Den2, den2},
                      {"NewN2", w.NewN2, newN2},
                      {"NUPT2", w.NUPT2, nupt2},
                      {"MNout2", w.MNout2, mnout2},
                      {"Nout2", w.Nout2, nout2},
                      {"NUPTm", w.NUPTm, 6},
                      {"cAvail", w.cAvail, 70 + 3 + 2 + 0.5 + 1 + 0.5},
                      {"cNUPTi", w.cNUPTi, 6},
                      {"cNUPTm", w.cNUPTm, 6},
                      {"cNout", w.cNout, nout2},
                      {"NetAvail", w.NetAvail, 70 + 3 + 2 + 0.5 + 1 - nout2 - den1 + 0.5 - den2},
                      {"next N1", ws->weeks[2].N1, newN1 - nupt1 - mnout1},
                      {"next N2", ws->weeks[2].N2, newN2 - nupt2 - mnout2},
                      {"initial cAvail", ws->weeks[0].cAvail, 70},
                      {"initial NetAvail", ws->weeks[0].NetAvail, 70}};
  for (const Row& row : rows)
    EXPECT_NEAR(row.got, row.expected, 1e-6 * (std::abs(row.expected) + 1))
        << row.name << ": single-precision storage of a few operations";
}

TEST(MineralNitrogen, FixationAndDenitrificationThresholds) {
  // Fixation: full up to NFix0 of mineral N, none from twice NFix0 on.
  // Denitrification: 0.001 x 0.3 x 400 x (N1 - 25) x (60 - 20) / (70 - 20)
  // from the threshold on; the subsoil as far above its threshold of 50, at
  // (90 - 30) / (100 - 30).
  struct Row {
    float NFix0, N1, fix, den1;
  };
  const Row rows[] = {{10, 9, 4, 0},  {10, 10, 4, 0}, {10, 15, 2, 0}, {10, 19, 0.4f, 0},  {10, 20, 0, 0},
                      {10, 25, 0, 0}, {0, 0, 0, 0},   {0, 5, 0, 0},   {100, 35, 4, 0.96f}};
  for (const Row& row : rows) {
    auto ws = Window(1);
    ws->scenario.NFix0 = row.NFix0;
    ws->scenario.Soil[0].NMIN = row.N1;
    ws->scenario.Soil[1].NMIN = row.N1 + 25;
    WeekRecord& w = ws->weeks[1];
    w.NFIX = w.NUPTi = 4;
    w.dOMt1 = w.dOMt2 = 400;
    MineralNitrogen(*ws);
    EXPECT_NEAR(w.NFIX, row.fix, 1e-6) << "NFix0 " << row.NFix0 << ", N1 " << row.N1;
    EXPECT_NEAR(w.NUPTm, 4, 1e-5) << "the soil supplies what fixation does not";
    EXPECT_NEAR(w.Den1, row.den1, 1e-6) << "N1 " << row.N1;
    EXPECT_NEAR(w.Den2, row.den1 * (60.0 / 70) / (40.0 / 50), 1e-6) << "N2 " << row.N1 + 25;
  }
}

TEST(MineralNitrogen, UptakeSplitWithoutSubsoilWater) {
  struct Row {
    float N1, N2, nupt1, nupt2, nextN1, nextN2;
  };
  // 12 kg demanded: all from the topsoil while it holds enough, the rest
  // from the subsoil as far as it holds it; nothing from a negative layer.
  // The leaching limit (NewN1 - NUPT1) x NLF1 of a negative topsoil is an
  // upward flow that makes it up from the subsoil.
  const Row rows[] = {
      {40, 30, 12, 0, 28, 30}, {5, 30, 5, 7, 0, 23}, {-2, 30, 0, 12, 0, 16}, {5, 4, 5, 4, 0, 0}};
  for (const Row& row : rows) {
    auto ws = Window(1);
    ws->scenario.NFix0 = 0;
    ws->scenario.Soil[0].NMIN = row.N1;
    ws->scenario.Soil[1].NMIN = row.N2;
    ws->weeks[1].NUPTi = 12;
    ws->weeks[1].UPT1 = 20;
    MineralNitrogen(*ws);
    EXPECT_NEAR(ws->weeks[1].NUPT1, row.nupt1, 1e-5) << "N1 " << row.N1 << ", N2 " << row.N2;
    EXPECT_NEAR(ws->weeks[1].NUPT2, row.nupt2, 1e-5) << "N1 " << row.N1 << ", N2 " << row.N2;
    EXPECT_NEAR(ws->weeks[2].N1, row.nextN1, 1e-5) << "N1 " << row.N1 << ", N2 " << row.N2;
    EXPECT_NEAR(ws->weeks[2].N2, row.nextN2, 1e-5) << "N1 " << row.N1 << ", N2 " << row.N2;
  }
}

TEST(MineralNitrogen, LeachingDirectionsLimitsAndBypass) {
  struct Row {
    const char* what;
    float MFOUT1, MFOUT2, NGW, NLF, BPF2;
    double MNout1, MNout2, BPFN2;
  };
  // 4 kg N of deposition and irrigation, half of it bypassing the topsoil
  // matrix (BPFN1 = 2, topsoil bypass flow 10 mm).
  const Row rows[] = {{"downward", 6, 9, 10, 1, 0, 4, 3, 0},
                      {"upward from the subsoil, rise from ground water", -6, -10, 10, 1, 0, -2, -1, 0},
                      {"ground water without N", 0, -10, 0, 1, 0, 0, 0, 0},
                      {"no matrix leaching", 6, 9, 10, 0, 0, 0, 0, 0},
                      {"limited to what is left", 120, 9, 10, 0.5f, 0, 21, 1.5, 0},
                      {"extra subsoil bypass", 0, 0, 10, 1, 3, 0, 0, 2},
                      {"subsoil absorbs bypass water", 0, 0, 10, 1, -4, 0, 0, -0.8}};
  for (const Row& row : rows) {
    auto ws = Window(1);
    Scenario& s = ws->scenario;
    s.NDep = 52;
    s.DN0 = s.DN02 = 999;
    s.Soil[0].NLF = s.Soil[1].NLF = row.NLF;
    InitDeposition(*ws);
    WeekRecord& w = ws->weeks[1];
    w.NIrr = 3;
    w.BP1 = 0.5f;
    w.BPF1 = 10;
    w.MFOUT1 = row.MFOUT1;
    w.MFOUT2 = row.MFOUT2;
    w.NGW = row.NGW;
    w.BPF2 = row.BPF2;
    MineralNitrogen(*ws);
    EXPECT_NEAR(w.BPFN1, 2, 1e-6) << row.what;
    EXPECT_NEAR(w.MNout1, row.MNout1, 1e-5) << row.what;
    EXPECT_NEAR(w.MNout2, row.MNout2, 1e-5) << row.what;
    EXPECT_NEAR(w.BPFN2, row.BPFN2, 1e-5) << row.what;
    EXPECT_NEAR(w.Nout2, 2 + row.BPFN2 + row.MNout2, 1e-5) << row.what << ": bypass N always leaves";
  }
}

TEST(MineralNitrogen, BalanceClosesInEveryWeekOfGeneratedRuns) {
  // Every term of the balance must have been active somewhere, or the test
  // would prove little.
  struct Seen {
    const char* what;
    bool (*test)(const WeekRecord&);
    bool seen = false;
  };
  Seen seen[] = {
      {"denitrification", [](const WeekRecord& w) { return w.Den1 > 0 && w.Den2 > 0; }},
      {"uptake from both layers", [](const WeekRecord& w) { return w.NUPT1 > 0 && w.NUPT2 > 0; }},
      {"fixation", [](const WeekRecord& w) { return w.NFIX > 0; }},
      {"upward flows with N", [](const WeekRecord& w) { return w.MNout1 < 0 && w.MNout2 < 0; }},
      {"bypass of both layers", [](const WeekRecord& w) { return w.BPFN1 > 0 && w.BPFN2 > 0; }},
      {"bypass absorbed by the subsoil", [](const WeekRecord& w) { return w.BPFN2 < 0; }},
      {"irrigation N", [](const WeekRecord& w) { return w.NIrr > 0; }},
      {"immobilisation", [](const WeekRecord& w) { return w.dNt1 < 0; }},
      {"subsoil mineralisation", [](const WeekRecord& w) { return w.dNt2 > 0; }},
      {"every source", [](const WeekRecord& w) { return w.CULT * w.GRMA * w.FERT * w.APPL * w.RESI != 0; }}};
  auto ws = MakeWorkspace();
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    const bool otherKinds = seed % 3 == 0;
    Generate(*ws, seed, otherKinds);
    ws->options.KelmOpt2 = seed % 2 ? uint32_t{kOpt2CContentWithAge} : 0u;
    ASSERT_NO_THROW(RunModel(*ws)) << "seed " << seed;
    const int weeks = ws->scenario.Weeks;
    for (int r = 1; r <= weeks; ++r) {
      const WeekRecord& w = ws->weeks[r];
      const WeekRecord& next = ws->weeks[r + 1];
      const double change = (static_cast<double>(next.N1) + next.N2) - (static_cast<double>(w.N1) + w.N2);
      const double flows = static_cast<double>(w.dNt1) + w.dNt2 + w.NIrr + ws->run.DepWeek - w.Den1 - w.Den2 -
                           w.NUPT1 - w.NUPT2 - w.Nout2;
      const double scale = std::abs(w.N1) + std::abs(w.N2) + std::abs(w.dNt1) + std::abs(w.dNt2) + w.NIrr +
                           w.Den1 + w.Den2 + std::abs(w.NUPT1) + std::abs(w.NUPT2) + std::abs(w.BPFN1) +
                           std::abs(w.BPFN2) + std::abs(w.MNout1) + std::abs(w.MNout2) + 1;
      ASSERT_NEAR(change, flows, 2e-6 * scale)
          << "seed " << seed << ", week " << r
          << ": change of mineral N against the flows, float rounding only";
      for (Seen& s : seen) s.seen = s.seen || s.test(w);
    }
    // The sources of the topsoil mineralisation add up to the whole; a kind
    // outside the six columns counts in the whole only.
    for (int r = 1; r <= weeks + 1 && !otherKinds; ++r) {
      const WeekRecord& w = ws->weeks[r];
      const float parts[] = {w.APPL, w.CULT, w.FERT, w.IOM, w.RESI, w.GRMA};
      double sum = 0, scale = 1;
      for (float p : parts) sum += p, scale += std::abs(p);
      ASSERT_NEAR(sum, w.SNM1, 2e-6 * scale)
          << "seed " << seed << ", week " << r << ": SNM1 against its sources";
    }
  }
  for (const Seen& s : seen) EXPECT_TRUE(s.seen) << s.what << " never occurred in the generated runs";
}
