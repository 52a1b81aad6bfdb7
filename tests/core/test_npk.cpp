#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "Workspace.h"
#include "calc/NPK.h"

using namespace kelmar;

namespace {

// A three-year run from absolute week 1 looked at over years 2 and 3 (run
// weeks 53..156, Y = 2): one crop, two applications that count and five
// that must not, and hand-picked weekly flows and stocks.
std::unique_ptr<Workspace> TwoYears() {
  auto ws = MakeWorkspace();
  Scenario& s = ws->scenario;
  s.Weeks = 156;
  ws->run.RunStart = 1;
  ws->state.RangeFrom = 53;
  s.NDep = 20;
  Crop& c = s.Crops[1];
  c.YEAR = 2;
  c.WEEK1 = 5; // run week 57
  c.WEEK4 = 40;
  c.PlantQUANT = 2000; // DMplant 1000
  c.PlantDMpct = 50;
  c.PlantNpctdm = 2;
  c.PlantP2O5pct = 1;
  c.PlantK2Opct = 1.5f;
  c.PRODi = 50000; // DMprod 10000, DMtot 20000, DMresi 6000
  c.DMpct = 20;
  c.DMdistr = {0.5f, 0.3f, 0.2f};
  c.Npctdm = {2, 1.5f, 3}; // roots never leave the field
  c.Applied = {0, 0.5f};
  c.P2O5pct = {0.8f, 0.4f};
  c.K2Opct = {1.2f, 2};
  s.Appls[1].QUANT = 10000; // initial organic matter is no input
  s.Appls[1].Npctdm = 5;
  s.ApplCount = 9;
  auto appl = [&](int i, int act, int yr, int wk, float quant, float dm, float n, float p, float k) {
    s.Appls[i] = Application{{}, act, yr, wk, quant, dm, 0, n, 0, p, k, 0};
  };
  appl(4, 1, 2, 10, 30000, 25, 2, 1, 3);   // manure: N 150, P2O5 75, K2O 225
  appl(5, 4, 2, 20, 500, 100, 20, 10, 5);  // fertiliser: N 100, P2O5 50, K2O 25
  appl(6, 2, 2, 15, 1000, 100, 5, 5, 5);   // cultivation: brings nothing in
  appl(7, 1, 1, 52, 30000, 25, 2, 1, 3);   // the week before the range
  appl(8, 1, 4, 1, 30000, 25, 2, 1, 3);    // the week after it
  appl(9, 1, 2, 11, -500, 100, 20, 10, 5); // no quantity
  WeekRecords& w = ws->weeks;
  w[62].NIrr = 3;
  w[30].NIrr = 100; // outside
  w[70].NFIX = w[71].NFIX = 5;
  w[80].Den1 = 2;
  w[81].Den2 = 1;
  w[52].Den1 = w[157].Den1 = 50; // outside
  w[52].cNout = 100;
  w[156].cNout = 140;
  w[53].Nt1 = 3000;
  w[53].Nt2 = 1000;
  w[157].Nt1 = 2980;
  w[157].Nt2 = 995;
  w[53].N1 = 40;
  w[53].N2 = 20;
  w[157].N1 = 30;
  w[157].N2 = 25;
  return ws;
}

// Every figure, with its value for TwoYears(): the sums over the two years
// halved, deposition per year already.
const struct Figure {
  const char* name;
  float NPKResult::*field;
  double twoYears;
} kFigures[] = {
    {"NSeed", &NPKResult::NSeed, 10},
    {"PSeed", &NPKResult::PSeed, 5},
    {"KSeed", &NPKResult::KSeed, 7.5},
    {"NApplied", &NPKResult::NApplied, 125},
    {"PAppl", &NPKResult::PAppl, 62.5},
    {"KAppl", &NPKResult::KAppl, 125},
    {"NIrrig", &NPKResult::NIrrig, 1.5},
    {"NHarv", &NPKResult::NHarv, 122.5},
    {"PHarv", &NPKResult::PHarv, 46},
    {"KHarv", &NPKResult::KHarv, 90},
    {"NBal", &NPKResult::NBal, 14},
    {"PBal", &NPKResult::PBal, 21.5},
    {"KBal", &NPKResult::KBal, 42.5},
    {"NEff1", &NPKResult::NEff1, 122.5 / 136.5},
    {"PEff1", &NPKResult::PEff1, 46 / 67.5},
    {"KEff1", &NPKResult::KEff1, 90 / 132.5},
    {"NDep", &NPKResult::NDep, 20},
    {"PDep", &NPKResult::PDep, 2},
    {"KDep", &NPKResult::KDep, 6},
    {"NFix", &NPKResult::NFix, 5},
    {"NEff2", &NPKResult::NEff2, 122.5 / (136.5 + 5 + 20)},
    {"ONDecr", &NPKResult::ONDecr, 12.5},
    {"NmDecr", &NPKResult::NmDecr, 2.5},
    {"NLeach", &NPKResult::NLeach, 20},
    {"NDen", &NPKResult::NDen, 1.5},
    {"NEff3", &NPKResult::NEff3, 122.5 / (161.5 + 12.5 + 2.5)},
};

} // namespace

TEST(NPKBalance, HandComputedPerYear) {
  const NPKResult r = CalcNPK(*TwoYears());
  EXPECT_EQ(r.first, 53);
  EXPECT_EQ(r.last, 156); // the range 1..520 ends with the run
  EXPECT_FLOAT_EQ(r.Y, 2);
  for (const Figure& f : kFigures)
    EXPECT_NEAR(r.*f.field, f.twoYears, 1e-4 * (1 + std::fabs(f.twoYears))) << f.name;
  EXPECT_FLOAT_EQ(r.NSupply(), 136.5);
  EXPECT_FLOAT_EQ(r.PSupply(), 67.5);
}

TEST(NPKBalance, PAndKAsElementsScaleOnlyPAndK) {
  auto ws = TwoYears();
  const NPKResult oxides = CalcNPK(*ws);
  ws->options.KelmOpti |= kOptShowPK;
  const NPKResult elements = CalcNPK(*ws);
  for (const Figure& f : kFigures) {
    const std::string n = f.name; // efficiencies are ratios and do not change
    const double factor = n == "PEff1" || n == "KEff1" ? 1 : n[0] == 'P' ? 0.436 : n[0] == 'K' ? 0.83 : 1;
    EXPECT_NEAR(elements.*f.field, oxides.*f.field * factor, 1e-4 * (1 + std::fabs(oxides.*f.field)))
        << f.name;
  }
  EXPECT_EQ(MineralBalanceLines(*ws)[0], "  Range: week  53 - 156       N        P        K");
}

TEST(NPKBalance, SeedAtSowingAndRemovalAtHarvestInsideTheRange) {
  // A run from absolute week 11: the range 53..104 is absolute weeks 63..114.
  const struct {
    int sow, harv;
    float seed, removal;
  } rows[] = {{63, 114, 10, 10}, {62, 114, 0, 10}, {100, 115, 10, 0}, {40, 62, 0, 0}, {115, 130, 0, 0}};
  for (const auto& row : rows) {
    auto ws = MakeWorkspace();
    ws->scenario.Weeks = 200;
    ws->run.RunStart = 11;
    Crop& c = ws->scenario.Crops[1];
    c.WEEK1 = row.sow; // weeks above 52 lie in following years
    c.WEEK4 = row.harv;
    c.PlantQUANT = c.PRODi = 1000;
    c.PlantDMpct = 10;
    c.PlantNpctdm = 10;
    c.DMdistr = {1, 0, 0};
    c.Npctdm = {1, 0, 0};
    const NPKResult r = CalcNPK(*ws, 53, 104, false);
    EXPECT_FLOAT_EQ(r.NSeed, row.seed) << "sown at " << row.sow;
    EXPECT_FLOAT_EQ(r.NHarv, row.removal) << "harvested at " << row.harv;
  }
}

TEST(NPKBalance, ZeroDenominatorsGiveZeroEfficiency) {
  auto ws = TwoYears();
  ws->scenario.Crops[1].Applied = {1, 1}; // everything returned: no removal
  EXPECT_EQ(CalcNPK(*ws).NHarv, 0);

  ws = MakeWorkspace();
  ws->scenario.Weeks = 52;
  ws->run.RunStart = 1;
  ws->scenario.NDep = 40;
  Crop& c = ws->scenario.Crops[1];
  c.PRODi = 1000; // harvested in week 52 with 20 kg N
  c.DMdistr = {1, 0, 0};
  c.Npctdm = {2, 0, 0};
  NPKResult r = CalcNPK(*ws);
  EXPECT_EQ(r.NEff1, 0) << "no inputs";
  EXPECT_FLOAT_EQ(r.NEff2, 0.5f);
  ws->weeks[53].N1 = 40; // the mineral stock grows by what deposition brings
  r = CalcNPK(*ws);
  EXPECT_EQ(r.NEff3, 0);
  EXPECT_EQ(r.PEff1, 0);
}

TEST(NPKBalance, EmptyOrOversizedRange) {
  auto ws = TwoYears();
  ws->state.RangeFrom = 300; // after the run: no years, every figure 0
  const NPKResult r = CalcNPK(*ws);
  EXPECT_EQ(r.last, 156);
  EXPECT_EQ(r.Y, 0);
  for (const Figure& f : kFigures) EXPECT_EQ(r.*f.field, 0) << f.name;
  EXPECT_EQ(MineralBalanceLines(*ws)[0], "  Range: week 300 - 156       N     P2O5      K2O");

  ws->scenario.Weeks = 1300; // accepted by the parameters dialog before a run
  ws->weeks[0].cNout = 7;
  ws->weeks[520].cNout = 50;
  const NPKResult all = CalcNPK(*ws, 0, 1300, false);
  EXPECT_EQ(all.first, 1);
  EXPECT_EQ(all.last, 520);
  EXPECT_FLOAT_EQ(all.NLeach, 4.3f);
}

TEST(NPKBalance, WindowText) {
  auto ws = TwoYears();
  const std::vector<std::string> want = {
      "  Range: week  53 - 156       N     P2O5      K2O",
      "  Input kg/ha/year",
      "    + Seed/Planting        10.0      5.0      7.5",
      "    + Applications        126.5     62.5    125.0",
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
