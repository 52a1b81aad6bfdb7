#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Workspace.h"
#include "calc/NPK.h"

using namespace kelmar;

namespace {

// A three-year run from absolute week 1 looked at over years 2 and 3 (run
// weeks 53..156, Y = 2): one crop, two applications that count and five
// that must not, and hand-picked weekly flows and stocks.
// clang-format off
std::unique_ptr<Workspace> TwoYears() {
  auto ws = MakeWorkspace();
  Scenario& s = ws->scenario;
  s.Weeks = 156; s.NDep = 20;
  ws->run.RunStart = 1; ws->state.RangeFrom = 53;
  Crop& c = s.Crops[1];
  c.YEAR = 2; c.WEEK1 = 5; c.WEEK4 = 40; // sown in run week 57, harvested in 92
  // DMplant 1000: N 20, P2O5 10, K2O 15
  c.PlantQUANT = 2000; c.PlantDMpct = 50; c.PlantNpctdm = 2; c.PlantP2O5pct = 1; c.PlantK2Opct = 1.5f;
  // DMprod 10000, DMtot 20000, DMresi 6000 of which half is returned; roots never leave the field
  c.PRODi = 50000; c.DMpct = 20; c.DMdistr = {0.5f, 0.3f, 0.2f}; c.Applied = {0, 0.5f};
  c.Npctdm = {2, 1.5f, 3}; c.P2O5pct = {0.8f, 0.4f}; c.K2Opct = {1.2f, 2};
  s.ApplCount = 9;
  s.Appls[1].QUANT = 10000; s.Appls[1].Npctdm = 5; // initial organic matter is no input
  // {Name, ACT, YR, WK, QUANT, DMpct, OMpctdm, Npctdm, IAGE, P2O5pct, K2Opct, Nminpct}
  s.Appls[4] = {{}, 1,  2,  10, 30000, 25,  0, 2,  0, 1,  3, 0}; // manure: N 150, P2O5 75, K2O 225
  s.Appls[5] = {{}, 4,  2,  20, 500,   100, 0, 20, 0, 10, 5, 0}; // fertiliser: N 100, P2O5 50, K2O 25
  s.Appls[6] = {{}, 2,  2,  15, 1000,  100, 0, 5,  0, 5,  5, 0}; // cultivation: brings nothing in
  s.Appls[7] = {{}, 1,  1,  52, 30000, 25,  0, 2,  0, 1,  3, 0}; // the week before the range
  s.Appls[8] = {{}, 1,  4,  1,  30000, 25,  0, 2,  0, 1,  3, 0}; // the week after it
  s.Appls[9] = {{}, 1,  2,  11, -500,  100, 0, 20, 0, 10, 5, 0}; // no quantity
  WeekRecords& w = ws->weeks; // weeks 30, 52 and 157 lie outside the range
  w[62].NIrr = 3; w[30].NIrr = 100;
  w[70].NFIX = w[71].NFIX = 5;
  w[80].Den1 = 2; w[81].Den2 = 1; w[52].Den1 = w[157].Den1 = 50;
  w[52].cNout = 100; w[156].cNout = 140;
  w[53].Nt1 = 3000; w[53].Nt2 = 1000; w[157].Nt1 = 2980; w[157].Nt2 = 995;
  w[53].N1 = 40; w[53].N2 = 20; w[157].N1 = 30; w[157].N2 = 25;
  return ws;
}
// clang-format on

} // namespace

TEST(NPKBalance, HandComputedWindowText) {
  // The sums over the two years halved; deposition is per year already.
  auto ws = TwoYears();
  const std::vector<std::string> want = {
      "  Range: week  53 - 156       N     P2O5      K2O", // the range 1..520 ends with the run
      "  Input kg/ha/year",
      "    + Seed/Planting        10.0      5.0      7.5",
      "    + Applications        126.5     62.5    125.0", // N with irrigation
      "  Output kg/ha/year",
      "    - Produkt Removal     122.5     46.0     90.0",
      "  Balance (In-Out)         14.0     21.5     42.5",
      "  Efficiency 1              0.90     0.68     0.68",
      "    + Deposition           20.0      2.0      6.0",
      "    + Fixation              5.0",
      "  Efficiency 2              0.76",
      "    + Organic Stock        12.5",
      "    + Mineral Stock         2.5",
      "    - Leaching             20.0",
      "    - Denitrification       1.5",
      "  Efficiency 3              0.69",
  };
  EXPECT_EQ(MineralBalanceLines(*ws), want);
  // A figure too wide for its nine characters stays apart from the one before.
  ws->scenario.Crops[1].PlantQUANT = 4e9f;
  EXPECT_EQ(MineralBalanceLines(*ws)[2], "    + Seed/Planting   20000000.0 10000000.0 15000000.0");
}

TEST(NPKBalance, PAndKAsElementsScaleOnlyPAndK) {
  auto ws = TwoYears();
  const NPKResult ox = CalcNPK(*ws);
  ws->options.KelmOpti |= kOptShowPK;
  const NPKResult el = CalcNPK(*ws);
  for (auto f : {&NPKResult::PSeed, &NPKResult::PAppl, &NPKResult::PHarv, &NPKResult::PBal, &NPKResult::PDep})
    EXPECT_NEAR(el.*f, ox.*f * 0.436, 1e-3);
  for (auto f : {&NPKResult::KSeed, &NPKResult::KAppl, &NPKResult::KHarv, &NPKResult::KBal, &NPKResult::KDep})
    EXPECT_NEAR(el.*f, ox.*f * 0.83, 1e-3);
  // N and the efficiencies, which are ratios, do not change.
  for (auto f : {&NPKResult::NBal, &NPKResult::NEff3, &NPKResult::PEff1, &NPKResult::KEff1})
    EXPECT_FLOAT_EQ(el.*f, ox.*f);
  EXPECT_EQ(MineralBalanceLines(*ws)[0], "  Range: week  53 - 156       N        P        K");
}

TEST(NPKBalance, SeedAtSowingAndRemovalAtHarvestInsideTheRange) {
  auto ws = TwoYears();
  ws->run.RunStart = 11; // sown in run week 47, harvested in run week 82
  // First and last week of the range, seed N and removed N.
  const int rows[][4] = {{47, 98, 20, 245}, {48, 99, 0, 245}, {31, 82, 20, 245}, {30, 81, 20, 0}};
  for (const auto& row : rows) {
    const NPKResult r = CalcNPK(*ws, row[0], row[1], false);
    EXPECT_FLOAT_EQ(r.NSeed, row[2]) << "weeks " << row[0] << " - " << row[1];
    EXPECT_FLOAT_EQ(r.NHarv, row[3]) << "weeks " << row[0] << " - " << row[1];
  }
}

TEST(NPKBalance, ZeroDenominatorsGiveZeroEfficiency) {
  auto ws = TwoYears(); // without seed, applications or irrigation
  ws->scenario.ApplCount = 0;
  ws->scenario.Crops[1].PlantQUANT = 0;
  ws->weeks[62].NIrr = 0;
  NPKResult r = CalcNPK(*ws);
  EXPECT_EQ(r.NEff1, 0);
  EXPECT_EQ(r.PEff1, 0);
  EXPECT_FLOAT_EQ(r.NEff2, 122.5f / 25);
  ws->weeks[157].N1 = 110; // the mineral stock grows by all the other supply
  EXPECT_EQ(CalcNPK(*ws).NEff3, 0);
}

TEST(NPKBalance, EmptyOrOversizedRange) {
  auto ws = TwoYears();
  ws->state.RangeFrom = 300; // after the run: no years, every figure 0
  const NPKResult r = CalcNPK(*ws);
  for (float v : {r.Y, r.NSeed, r.KAppl, r.NHarv, r.NDep, r.NLeach, r.ONDecr, r.NEff3}) EXPECT_EQ(v, 0);
  EXPECT_EQ(MineralBalanceLines(*ws)[0], "  Range: week 300 - 156       N     P2O5      K2O");

  ws->scenario.Weeks = 1300; // accepted by the parameters dialog before a run
  ws->weeks[0].cNout = 7;
  ws->weeks[520].cNout = 50;
  const NPKResult all = CalcNPK(*ws, 0, 1300, false); // weeks 1..520
  EXPECT_FLOAT_EQ(all.NLeach, 4.3f);                  // (50 - 7) / 10 years
}
