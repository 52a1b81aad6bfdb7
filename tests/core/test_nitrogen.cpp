#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>

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
  s.Weeks = weeks, s.NDep = 0, s.NFix0 = 100, s.DN0 = 25, s.DN02 = 50, s.DNF = s.DNF2 = 0.3f;
  s.Soil[0].NMIN = 40, s.Soil[1].NMIN = 30, s.Soil[0].NLF = s.Soil[1].NLF = 1;
  ws->run.RunStart = 1, ws->run.RunEnd = weeks, ws->run.WiltWater = {0, 20, 30};
  for (int r = 1; r <= weeks + 1; ++r)
    ws->weeks[r].Teta1 = 60, ws->weeks[r].Teta2 = 90, ws->weeks[r].FC1 = 70, ws->weeks[r].FC2 = 100;
  return ws;
}

// Seeded, plausible scenarios of up to ten years: seasonal weather with
// irrigation, a crop in most years (some fixing N, some green manures, some
// harvested in the next year across the next crop), slurry, fertiliser,
// cultivations and soils within their editing limits. With otherKinds some
// applications are compost, a kind outside the six source columns.
void Generate(Workspace& ws, uint32_t seed, bool otherKinds) {
  std::mt19937 rng(seed);
  auto u = [&rng](double lo, double hi) { return float(std::uniform_real_distribution<>(lo, hi)(rng)); };
  auto i = [&rng](int lo, int hi) { return std::uniform_int_distribution<>(lo, hi)(rng); };
  Scenario& s = ws.scenario;
  s.Year = i(1, 3), s.Week = i(1, 52), s.Weeks = i(30, 520), s.pH = u(4.5, 8), s.CNM = u(6, 12);
  s.ADM = u(0.2, 0.8), s.NDep = u(5, 60), s.NFix0 = u(0, 60), s.DN0 = u(5, 40), s.DNF = u(0, 2);
  s.ETbare = u(0.3, 0.8), s.MWU = u(0, 0.9), s.oOM2 = i(0, 2) ? u(1000, 80000) : 0, s.oNc2 = u(2, 6);
  s.oAge2 = u(5, 40), s.DN02 = u(10, 80), s.DNF2 = u(0, 1);
  s.WaterTable = {{{float(i(1, 20)), u(60, 250), u(0, 30)}, {float(i(21, 52)), u(100, 400), u(0, 30)}}};
  for (SoilLayer& l : s.Soil) // THL, IFi, NMIN, SMO, GAM, CRc, CRx, Text, NLF, FI, BPF
    l = {"loam",     u(15, 100), u(5, 3000),  u(5, 80),  u(0.3, 0.5), u(0.005, 0.05),
         u(10, 150), u(10, 60),  u(0.5, 1.2), u(0.4, 1), u(5, 50),    u(0, 0.5)};
  const int years = s.Weeks / 52 + 2;
  s.CropCount = 0;
  for (int y = s.Year; y < s.Year + years && s.CropCount < kMaxCrops; ++y) {
    if (u(0, 1) < 0.15) continue; // a bare year
    Crop& c = s.Crops[++s.CropCount] = Crop{};
    c.YEAR = y, c.WEEK1 = i(8, 20), c.WEEK2 = c.WEEK1 + i(0, 12), c.WEEK3 = c.WEEK2 + i(5, 15);
    c.WEEK4 = c.WEEK3 + i(1, 40), c.PRODi = u(4000, 60000), c.DMpct = u(15, 88), c.ETMAX = u(0.8, 1.2);
    c.NFIXi = u(0, 1) < 0.3 ? u(50, 250) : 0, c.Code = u(0, 1) < 0.2 ? 6 : 5, c.RDepth = u(20, 120);
    c.DMdistr = {0.5f, 0.3f, 0.2f}, c.Npctdm = {u(1, 4), u(0.5, 2.5), u(0.8, 2)};
    c.Applied = {u(0, 1) < 0.2 ? 1.0f : 0.0f, u(0, 1)}, c.InitAge = {u(0.3, 1.5), u(0.3, 1.5), u(0.5, 2)};
    c.PlantQUANT = u(0, 300), c.PlantDMpct = 85, c.PlantNpctdm = 2;
  }
  // The initial pools (applications 1..3) around the program's defaults,
  // then applications of four kinds with random quantity, date, age and
  // mineral share.
  const float pools[3][3] = {{94000, 6, 24}, {8000, 4, 4}, {3000, 3, 1.41f}};
  for (int k = 1; k <= 3; ++k)
    s.Appls[k].QUANT = pools[k - 1][0] * u(0.5, 1.5), s.Appls[k].Npctdm = pools[k - 1][1],
    s.Appls[k].IAGE = pools[k - 1][2];
  const Application kinds[] = {
      {"slurry", 1, 0, 0, 30000, 8, 65, 5, 0.5f, 0, 0, 4}, // Nmin% at times above N%dm
      {"fertiliser", 4, 0, 0, 250, 100, 0, 27, 0, 0, 0, 27},
      {"cultivation", 2, 0, 0, 3000, 100, 100, 2, 1, 0, 0, 0.1f},
      {"compost", 7, 0, 0, 10000, 60, 40, 1.5f, 2, 0, 0, 0}}; // a kind of its own
  s.ApplCount = 3;
  for (int n = i(0, 40); n > 0 && s.ApplCount < kMaxAppls; --n) {
    Application& a = s.Appls[++s.ApplCount] = kinds[i(0, otherKinds ? 3 : 2)];
    a.YR = s.Year + i(0, years - 1), a.WK = i(1, 52), a.QUANT *= u(0.3, 1.7), a.IAGE *= u(0.5, 2);
    a.Nminpct *= u(0.5, 1.5);
  }
  for (int r = 1; r <= kMaxWeeks + 1; ++r) {
    WeekRecord& w = ws.weeks[r];
    const double season = std::sin(2 * 3.14159265358979 * (WeekOfYear(r) - 16) / 52.0);
    const bool irrigated = season > 0.3 && u(0, 1) < 0.2;
    w.Tc = static_cast<float>(10 + 8 * season) + u(-4, 4), w.Rain = u(0, 1) < 0.3 ? 0 : u(0, 60);
    w.ET0 = std::max(0.0f, static_cast<float>(15 + 14 * season) + u(-5, 5));
    w.Irr = irrigated ? u(10, 30) : 0, w.NIrr = irrigated ? u(0, 4) : 0;
  }
}

} // namespace

TEST(MineralNitrogen, OneWeekWithEveryFlowMatchesHandComputation) {
  auto ws = Window(2);
  Scenario& s = ws->scenario;
  s.NDep = 26, s.DN02 = 20, s.Soil[0].NLF = 0.9f, s.Soil[1].NLF = 0.8f;
  InitDeposition(*ws);
  ASSERT_EQ(ws->run.DepWeek, 0.5f);
  WeekRecord& w = ws->weeks[1];
  w.NIrr = 2, w.BP1 = 0.25f, w.dNt1 = 3, w.dOMt1 = 400, w.dNt2 = 0.5f, w.dOMt2 = 100, w.NUPTi = 6, w.NFIX = 1;
  w.UPT1 = 10, w.UPT2 = 5, w.MFOUT1 = 8, w.MFOUT2 = 6, w.BPF1 = 4, w.BPF2 = 1;
  // The whole record as expected: the inputs, and every result worked out
  // from the figures above.
  WeekRecord e = w;
  MineralNitrogen(*ws);
  const double nlf1 = 0.9f, nlf2 = 0.8f, dnf = 0.3f;
  e.N1 = 40, e.N2 = 30, e.BPFN1 = 2.5 * 0.25, e.MNin1 = 3 + 2 + 0.5 - e.BPFN1;
  e.Den1 = 0.001 * dnf * 400 * (40 - 25) * (60.0 - 20) / (70 - 20), e.NewN1 = 40 + e.MNin1 - e.Den1;
  e.NUPT1 = 5 / (5 / 10.001 * 60 / 90 * 30 / 40.001 + 1), e.MNout1 = 8.0 / 60 * 40 * nlf1;
  e.Nout1 = e.BPFN1 + e.MNout1, e.BPFN2 = 1.0 * 40 / 60 * nlf1, e.MNin2 = 0.5 + e.MNout1 - e.BPFN2;
  e.Den2 = 0.001 * dnf * 100 * (30 - 20) * (90.0 - 30) / (100 - 30), e.NewN2 = 30 + e.MNin2 - e.Den2;
  e.NUPT2 = 5 - e.NUPT1, e.MNout2 = 6.0 / 90 * 30 * nlf2, e.Nout2 = e.BPFN1 + e.BPFN2 + e.MNout2, e.NUPTm = 6;
  e.cAvail = 70 + 3 + 2 + 0.5 + 1 + 0.5, e.cNUPTi = e.cNUPTm = 6, e.cNout = e.Nout2;
  e.NetAvail = e.cAvail - e.Nout2 - e.Den1 - e.Den2;
  for (const WeekField& f : kWeekFields)
    EXPECT_NEAR(w.*f.member, e.*f.member, 1e-6 * (std::abs(e.*f.member) + 1))
        << f.name << ": single-precision storage of a few operations";
  EXPECT_NEAR(ws->weeks[2].N1, e.NewN1 - e.NUPT1 - e.MNout1, 1e-5);
  EXPECT_NEAR(ws->weeks[2].N2, e.NewN2 - e.NUPT2 - e.MNout2, 1e-5);
  EXPECT_TRUE(ws->weeks[0].cAvail == 70 && ws->weeks[0].NetAvail == 70) << "the initial mineral N";
}

TEST(MineralNitrogen, FixationAndDenitrificationThresholds) {
  // Fixation: full up to NFix0 of mineral N, none from twice NFix0 on.
  // Denitrification: 0.001 x 0.3 x 400 x (N1 - 25) x (60 - 20) / (70 - 20)
  // from the threshold on; the subsoil as far above its threshold of 50, at
  // (90 - 30) / (100 - 30).
  const float rows[][4] = {
      {10, 9, 4, 0},  {10, 10, 4, 0}, {10, 15, 2, 0}, {10, 19, 0.4f, 0},  {10, 20, 0, 0},
      {10, 25, 0, 0}, {0, 0, 0, 0},   {0, 5, 0, 0},   {100, 35, 4, 0.96f}}; // NFix0, N1, NFIX, Den1
  for (const auto& [nfix0, n1, fix, den1] : rows) {
    auto ws = Window(1);
    ws->scenario.NFix0 = nfix0, ws->scenario.Soil[0].NMIN = n1, ws->scenario.Soil[1].NMIN = n1 + 25;
    WeekRecord& w = ws->weeks[1];
    w.NFIX = w.NUPTi = 4, w.dOMt1 = w.dOMt2 = 400;
    MineralNitrogen(*ws);
    EXPECT_NEAR(w.NFIX, fix, 1e-6) << "NFix0 " << nfix0 << ", N1 " << n1;
    EXPECT_NEAR(w.NUPTm, 4, 1e-5) << "the soil supplies what fixation does not";
    EXPECT_NEAR(w.Den1, den1, 1e-6) << "N1 " << n1;
    EXPECT_NEAR(w.Den2, den1 * (60.0 / 70) / (40.0 / 50), 1e-6) << "N2 " << n1 + 25;
  }
}

TEST(MineralNitrogen, UptakeSplitWithoutSubsoilWater) {
  // 12 kg demanded: all from the topsoil while it holds enough, the rest
  // from the subsoil as far as it holds it; nothing from a negative layer.
  // The leaching limit (NewN1 - NUPT1) x NLF1 of a negative topsoil is an
  // upward flow that makes it up from the subsoil.
  const float rows[][6] = {
      {40, 30, 12, 0, 28, 30}, {5, 30, 5, 7, 0, 23}, {-2, 30, 0, 12, 0, 16}, {5, 4, 5, 4, 0, 0}};
  for (const auto& [n1, n2, nupt1, nupt2, nextN1, nextN2] : rows) {
    auto ws = Window(1);
    ws->scenario.NFix0 = 0, ws->scenario.Soil[0].NMIN = n1, ws->scenario.Soil[1].NMIN = n2;
    ws->weeks[1].NUPTi = 12, ws->weeks[1].UPT1 = 20;
    MineralNitrogen(*ws);
    EXPECT_NEAR(ws->weeks[1].NUPT1, nupt1, 1e-5) << "N1 " << n1 << ", N2 " << n2;
    EXPECT_NEAR(ws->weeks[1].NUPT2, nupt2, 1e-5) << "N1 " << n1 << ", N2 " << n2;
    EXPECT_NEAR(ws->weeks[2].N1, nextN1, 1e-5) << "N1 " << n1 << ", N2 " << n2;
    EXPECT_NEAR(ws->weeks[2].N2, nextN2, 1e-5) << "N1 " << n1 << ", N2 " << n2;
    EXPECT_NEAR(ws->weeks[1].cNUPTm, nupt1 + nupt2, 1e-5) << "N1 " << n1 << ", N2 " << n2;
  }
}

TEST(MineralNitrogen, LeachingDirectionsLimitsAndBypass) {
  // 4 kg N of deposition and irrigation, half of it bypassing the topsoil
  // matrix (BPFN1 = 2 whatever the flows, topsoil bypass flow 10 mm). Rows: downward; upward
  // from the subsoil with a rise from ground water; ground water without N;
  // no matrix leaching; limited to what is left; extra subsoil bypass; the
  // subsoil absorbs bypass water.
  const float rows[][8] = {
      {6, 9, 10, 1, 0, 4, 3, 0},     {-6, -10, 10, 0.5f, 0, -1, -0.5f, 0}, {0, -10, 0, 1, 0, 0, 0, 0},
      {6, 9, 10, 0, 0, 0, 0, 0},     {120, 9, 10, 0.5f, 0, 21, 1.5, 0},    {0, 0, 10, 1, 3, 0, 0, 2},
      {0, 0, 10, 1, -4, 0, 0, -0.8f}}; // MFOUT1, MFOUT2, NGW, NLF, BPF2, MNout1, MNout2, BPFN2
  for (int row = 0; row < 7; ++row) {
    const auto [mfout1, mfout2, ngw, nlf, bpf2, mnout1, mnout2, bpfn2] = rows[row];
    auto ws = Window(1);
    Scenario& s = ws->scenario;
    s.NDep = 52, s.DN0 = s.DN02 = 999, s.Soil[0].NLF = s.Soil[1].NLF = nlf;
    InitDeposition(*ws);
    WeekRecord& w = ws->weeks[1];
    w.NIrr = 3, w.BP1 = 0.5f, w.BPF1 = 10, w.MFOUT1 = mfout1, w.MFOUT2 = mfout2, w.NGW = ngw, w.BPF2 = bpf2;
    MineralNitrogen(*ws);
    EXPECT_NEAR(w.MNout1, mnout1, 1e-5) << "row " << row;
    EXPECT_NEAR(w.MNout2, mnout2, 1e-5) << "row " << row;
    EXPECT_NEAR(w.BPFN2, bpfn2, 1e-5) << "row " << row;
    EXPECT_NEAR(w.Nout2, 2 + bpfn2 + mnout2, 1e-5) << "row " << row << ": bypass N always leaves";
  }
}

TEST(GeneratedRuns, WaterAndMineralNBalancesCloseInEveryWeek) {
  // Every term of the N balance must have been active somewhere, or the test
  // would prove little.
  const char* const terms[] = {
      "denitrification",     "uptake from both layers", "fixation",
      "upward flows with N", "bypass of both layers",   "bypass absorbed by the subsoil",
      "irrigation N",        "immobilisation",          "subsoil mineralisation",
      "every source"};
  bool seen[std::size(terms)] = {};
  auto ws = MakeWorkspace();
  for (uint32_t seed = 1; seed <= 200; ++seed) {
    const bool otherKinds = seed % 3 == 0;
    Generate(*ws, seed, otherKinds);
    ws->options.KelmOpt2 = seed % 2 ? uint32_t{kOpt2CContentWithAge} : 0u;
    ASSERT_NO_THROW(RunModel(*ws)) << "seed " << seed;
    for (int r = 1; r <= ws->scenario.Weeks; ++r) {
      const WeekRecord& w = ws->weeks[r];
      const WeekRecord& n = ws->weeks[r + 1];
      // Change of the water in both layers against rain + irrigation -
      // modelled uptake - flow out of the profile (negative when ground water
      // rises into it). Each stored value is off by at most half a float step
      // (6e-8) of its size, and each enters a few times.
      const double water =
          static_cast<double>(n.Teta1) + n.Teta2 - w.Teta1 - w.Teta2 - w.Rain - w.Irr + w.UPTm + w.FOUT2;
      double waterScale = 0, nScale = 1;
      for (float x : {w.Teta1, w.Teta2, n.Teta1, n.Teta2, w.Rain, w.Irr, w.UPT1, w.UPT2, w.MFOUT1, w.MFOUT2,
                      w.BPF1, w.BPF2})
        waterScale += std::fabs(x);
      for (float x : {w.N1, w.N2, w.dNt1, w.dNt2, w.NIrr, w.Den1, w.Den2, w.NUPT1, w.NUPT2, w.BPFN1, w.BPFN2,
                      w.MNout1, w.MNout2})
        nScale += std::fabs(x);
      ASSERT_NEAR(water, 0, 5e-7 * waterScale) << "seed " << seed << ", week " << r << ": water";
      // Change of mineral N against its flows, float rounding only.
      const double nitrogen = static_cast<double>(n.N1) + n.N2 - w.N1 - w.N2 - w.dNt1 - w.dNt2 - w.NIrr -
                              ws->run.DepWeek + w.Den1 + w.Den2 + w.NUPT1 + w.NUPT2 + w.Nout2;
      ASSERT_NEAR(nitrogen, 0, 2e-6 * nScale) << "seed " << seed << ", week " << r << ": mineral N";
      seen[0] |= (w.Den1 > 0 && w.Den2 > 0), seen[1] |= (w.NUPT1 > 0 && w.NUPT2 > 0), seen[2] |= (w.NFIX > 0);
      seen[3] |= (w.MNout1 < 0 && w.MNout2 < 0), seen[4] |= (w.BPFN1 > 0 && w.BPFN2 > 0);
      seen[5] |= (w.BPFN2 < 0), seen[6] |= (w.NIrr > 0), seen[7] |= (w.dNt1 < 0), seen[8] |= (w.dNt2 > 0);
      seen[9] |= (w.CULT * w.GRMA * w.FERT * w.APPL * w.RESI != 0);
      // The sources of the topsoil mineralisation add up to the whole; a kind
      // outside the six columns counts in the whole only.
      double sum = 0, scale = 1;
      for (float p : {n.APPL, n.CULT, n.FERT, n.IOM, n.RESI, n.GRMA}) sum += p, scale += std::abs(p);
      ASSERT_TRUE(otherKinds || std::abs(sum - n.SNM1) <= 2e-6 * scale)
          << "seed " << seed << ", record " << r + 1 << ": SNM1 " << n.SNM1 << " against its sources " << sum;
    }
  }
  for (size_t k = 0; k < std::size(terms); ++k) EXPECT_TRUE(seen[k]) << terms[k] << " never occurred";
}
