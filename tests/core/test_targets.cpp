// The target functions, the checks and refusals before a calibration, the
// Price options in the INI file, the grid of sets with its statistics rows
// (the number format itself is tested with FmtFixed in test_sumfile.cpp),
// copying a set into the scenario, the .PS and state files, and a calibration
// with the model that recovers known parameters from measurements it made.
#include <gtest/gtest.h>

#include <algorithm>

#include "Workspace.h"
#include "data/IniFile.h"
#include "model/Driver.h"
#include "optim/PriceSets.h"
#include "optim/Targets.h"
#include "report/Statistics.h"
#include "session/Companions.h"

using namespace kelmar;

namespace {

// A population of ten sets of one parameter (pH, range 4..8, two decimals):
// set s holds 4 + s / 4, combined target 10 - s and target 2 s / 10.
struct SmallPopulation {
  std::unique_ptr<Workspace> ws = MakeWorkspace();
  TPriceAlg a{*ws};
  SmallPopulation() {
    for (int i = 1; i <= ParmTable::size(); ++i) ws->parms[i].fit = i == 3;
    ws->parms[3].lower = 4, ws->parms[3].upper = 8;
    a.SetNParms();
    for (int s = 1; s <= 10; ++s) a.PSet(s, 1) = 4 + s / 4.0f, a.QT(0, s) = 10.0f - s, a.QT(2, s) = s / 10.0f;
    for (int k = 0; k <= 9; ++k) a.UpdateQTStats(k);
    a.UpdateParmStats();
    a.PriceState = kPriceIterated;
    a.SetsDone = 10;
  }
};

} // namespace

TEST(Targets, FromTheComparisonAndTheWholeRunAndTheMeasurementsTheyCanUse) {
  auto ws = MakeWorkspace();
  CorrResult c;
  c.Layer[0] = {.NMeas = 8, .Ex = 40, .Ez = 10, .Corr = -0.6f, .n2 = 5};
  c.Layer[1] = {.NMeas = 3, .Ex = 20, .Ez = 1, .Corr = 0.9f, .n2 = 3};
  c.NOMi = 2, c.OMiAvg = 50000, c.OMDifAbs = 2500, c.NONi = 1, c.ONiAvg = 3000, c.ONDifAbs = 600;
  ws->run.PeriodCount = 4;
  ws->run.Periods[4].NUPTi = 200, ws->run.Periods[4].NUPTm = 250;
  const QTColumn qt = ComputeTargets(*ws, c),
                 expected{0, 0.25f, 0.05f, 0.05f, 0.2f, -0.25f, 3, 0, 0.4f, 0.1f};
  for (int k = 0; k <= 9; ++k) EXPECT_NEAR(qt[k], expected[k], 1e-6) << "target " << k;

  // No measurements, no intended uptake: every target is 0 except the
  // correlations, which count as absent (1 - 0).
  ws->run.Periods[4].NUPTi = 0;
  EXPECT_EQ(ComputeTargets(*ws, CorrResult{}), (QTColumn{0, 0, 0, 0, 0, 0, 0, 0, 1, 1}));
  EXPECT_EQ(TargetCaption(6), "6: Measurements not in range 2 TopSoil");

  // The measurements that the selected targets can use.
  const std::pair<const char*, int> rows[] = {{"100000000", 8},  {"000001010", 8}, {"010000001", 3},
                                              {"001000000", 2},  {"000100000", 1}, {"000010000", 1},
                                              {"111110000", 15}, {"000000000", 0}, {"100000011", 11}};
  for (const auto& [targets, n] : rows) EXPECT_EQ(UsableMeasurements(c, ParseTargets(targets)), n) << targets;
}

TEST(Targets, GuardsByState) {
  const std::string init = "Price Algoritm busy initialising!", iter = "Price Algoritm busy iterating!";
  const std::string expected[] = {
      "Price Algoritm not initialised!", init, init, init, "", iter, iter, iter, ""};
  for (int s = 0; s <= 8; ++s)
    EXPECT_EQ(std::pair(PopulationGuard(s), BusyGuard(s)), std::pair(expected[s], s ? expected[s] : "")) << s;
}

TEST(PriceOptions, DefaultsOddValuesAsWrittenAndReadBack) {
  PriceOptions d = ReadPriceOptions(IniFile());
  EXPECT_EQ(TargetsText(d.Selected), "111110000");
  EXPECT_TRUE(d.Weight[9] == 1 && d.QTType == kQTSum && !d.AutoWeigh && d.KeepOM && d.NIterPSet == 6);
  EXPECT_FLOAT_EQ(d.Ftol, 0.001f) << "not the search's own 0.01";

  // Only "1" selects and missing targets are off; a weight or an Ftol that is
  // no number takes its default.
  PriceOptions o =
      ReadPriceOptions(IniFile::FromText("[Price Options]\nTargets=1x01\nWeight2=heavy\nWeight3= 2.50\n"
                                         "QTType=2\nAutoWeigh=1\nKeepOM=0\nNIterPSet=12\nFtol=,01\n"));
  EXPECT_FLOAT_EQ(o.Ftol, 0.001f);
  o.Weight[4] = 0.126f, o.Ftol = 0.0125f; // two and three decimals; 0.0125f lies above .0125
  IniFile out, again;
  WritePriceOptions(out, o);
  EXPECT_EQ(out.text(),
            "[Price Options]\r\nTargets=100100000\r\nWeight1=1.00\r\nWeight2=1.00\r\nWeight3=2.50\r\n"
            "Weight4=0.13\r\nWeight5=1.00\r\nWeight6=1.00\r\nWeight7=1.00\r\nWeight8=1.00\r\n"
            "Weight9=1.00\r\nQTType=2\r\nAutoWeigh=1\r\nKeepOM=0\r\nNIterPSet=12\r\nFtol=0.013\r\n");
  WritePriceOptions(again, ReadPriceOptions(IniFile::FromText(out.text())));
  EXPECT_EQ(again.text(), out.text()) << "read back unchanged";
}

TEST(PriceSets, GridCellsSortingStatisticsAndTheFileOfTheRowsAsShown) {
  SmallPopulation p;
  TPriceAlg& a = p.a;
  PriceGrid g;
  g.Reset(a);
  using Cells = std::vector<std::string>;
  auto row = [&](int r, int columns) {
    Cells cells;
    for (int col = 0; col < columns; ++col) cells.push_back(g.Cell(a, r, col));
    return cells;
  };
  EXPECT_EQ(row(0, PriceGrid::ColumnCount(a)),
            (Cells{"ID", "pH", "QTsum", "QT1*", "QT2*", "QT3*", "QT4*", "QT5*", "QT6", "QT7", "QT8", "QT9"}));
  a.QTType = kQTMax;
  EXPECT_EQ(g.Cell(a, 0, 2), "QTmax");
  EXPECT_EQ(row(3, 5), (Cells{"3", "4.75", "7.000", "0.000", "0.300"}));
  EXPECT_EQ(row(12, 3), (Cells{"low", "4.25", "0.000"}));
  EXPECT_EQ(row(13, 3), (Cells{"high", "6.50", "9.000"}));
  EXPECT_EQ(row(14, 3), (Cells{"avg", "5.38", "4.500"}));
  EXPECT_EQ(row(15, 3), (Cells{"SE", "0.76", "3.028"})); // of 4.25..6.5 in steps of 0.25
  EXPECT_EQ(std::pair(StdDev(3, 3, 3), StdDev(5, 25, 1)), std::pair(0.0, 0.0)) << "equal values; one value";

  g.SortBy(a, PriceGrid::CombinedColumn(a)); // ascending: the best first
  EXPECT_EQ(std::tuple(g.SetOfRow(1), g.RowOfSet(10), g.Cell(a, 1, 0)), std::tuple(10, 1, "10"));
  g.SortBy(a, 5); // target 3, all equal: ties in the order of the set numbers, whatever the order before
  EXPECT_EQ(g.SetOfRow(7), 7);
  g.SortBy(a, PriceGrid::CombinedColumn(a));

  // The .PS file lists the rows as shown. A value too wide for its field
  // grows, with a blank before it.
  a.PSet(4, 1) = 123456.0f;
  const std::string text = PriceSetsText(a, g);
  const std::string expect = "Kelmar 430 PSet File\r\n"
                             "   BPRL   4.00\r\n"
                             "   BPRU   8.00\r\n"
                             "  SetNr     pH       QT0       QT1       QT2       QT3       QT4       QT5     "
                             "  QT6       QT7       QT8       QT9\r\n"
                             "      1   6.50     0.000     0.000     1.000     0.000     0.000     0.000     "
                             "0.000     0.000     0.000     0.000\r\n";
  EXPECT_EQ(text.substr(0, expect.size()), expect);
  EXPECT_NE(text.find("\r\n      7 123456.00     6.000 "), std::string::npos) << text;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4 + 10);
}

TEST(PriceState, ReadsBackExactlyAndDamagedFilesChangeNothing) {
  SmallPopulation p;
  const std::string good = PriceStateText(p.a);
  auto replace = [&](const std::string& from, const std::string& to) {
    std::string t = good;
    return t.replace(t.find(from), from.size(), to);
  };
  const std::pair<const char*, std::string> rows[] = {
      {"another identifier", replace("PStt", "Data")},
      {"cut short", good.substr(0, good.size() / 2)},
      {"a word for a number", replace("\r\n3 ", "\r\nthree ")},
      {"other fitted parameters", replace("\r\n3 4 8 ", "\r\n4 4 8 ")},
      {"a state that is never saved", replace("\r\n8 1 10", "\r\n5 1 10")},
  };
  for (const auto& [what, text] : rows) {
    SmallPopulation q;
    q.a.Rng.seed(77);
    EXPECT_ANY_THROW(LoadPriceStateText(q.a, text, "x.state")) << what;
    EXPECT_EQ(std::pair(q.a.Rng.state(), q.a.PSet(1, 1)), std::pair(77u, 4.25f)) << what;
  }
  SmallPopulation q;
  q.ws->scenario.pH = 1; // the live value comes from the state too
  LoadPriceStateText(q.a, good, "x.state");
  EXPECT_EQ(PriceStateText(q.a), good);
}

TEST(Calibration, RefusesThenRecoversParametersFromMeasurementsTheModelMadeAndCopiesSets) {
  auto ws = MakeWorkspace();
  ASSERT_TRUE(LoadScenarioWithCompanions(*ws, KELMAR_EXAMPLES "/SANDY6.DAT").ok());
  Scenario& s = ws->scenario;
  s.Weeks = 156; // three years are enough and keep the test fast
  const float knownCNM = s.CNM, knownNLF1 = s.Soil[0].NLF;
  RunModel(*ws);
  TPriceAlg alg(*ws);
  auto check = [&](const char* targets) { // the refusals come in order
    PriceOptions o;
    o.Selected = ParseTargets(targets);
    alg.SetOptions(o);
    return CheckFitStart(alg, *ws);
  };
  for (WeekRecord& w : ws->weeks) w.Ni1 = w.Ni2 = w.OMi = w.ONi = 0; // only what the model made
  for (int i = 1; i <= ParmTable::size(); ++i) ws->parms[i].fit = 0;
  EXPECT_EQ(check("11"), kNoMeasurements) << "checked before the parameters";
  EXPECT_EQ(check("00001"), kNoParmsSelected) << "target 5 alone: the crops' uptake counts as a measurement";
  EXPECT_EQ(check("0"), kNoMeasurements) << "no target can use a measurement";
  for (int r = 3; r <= s.Weeks; r += 3)
    ws->weeks[r].Ni1 = ws->weeks[r].N1, ws->weeks[r].Ni2 = ws->weeks[r].N2;
  EXPECT_EQ(check("11"), kNoParmsSelected);
  ws->parms[4].fit = ws->parms[24].fit = 1; // CNM, NLF1
  ASSERT_EQ(check("11"), "") << "the check recounts the fitted parameters";
  ws->parms[4].lower = 4, ws->parms[4].upper = 16, ws->parms[24].lower = 0.2f, ws->parms[24].upper = 3;
  s.CNM = 13, s.Soil[0].NLF = 2.5f;
  RunModel(*ws);
  alg.NIterPSet = 20, alg.Ftol = 1e-4f;
  alg.Rng.seed(1);
  ConnectModel(alg, *ws);
  EXPECT_GT(EvaluateTargets(alg, *ws, 0), 1) << "the start is far from the measurements";
  PriceGrid g;
  EXPECT_EQ(CopyCurrent(alg, g, *ws, 1).message, kNotInitialised);
  alg.Initialise();
  alg.Iterate();
  g.SortBy(alg, PriceGrid::CombinedColumn(alg));
  ASSERT_EQ(CopyCurrent(alg, g, *ws, 1).kind, CopyResult::kCopied);
  EXPECT_LT(EvaluateTargets(alg, *ws, 0), 0.01) << "the fitted model nearly reproduces them";
  EXPECT_NEAR(s.CNM, knownCNM, 0.01 * knownCNM);
  EXPECT_NEAR(s.Soil[0].NLF, knownNLF1, 0.01 * knownNLF1);
  EXPECT_EQ(alg.Runs, 20 + 20 * 20) << "one run per set and per trial, none for an accepted trial";

  // The avg row applies the averages as shown (CNM with two decimals); the
  // empty row and the statistics rows hold no set.
  const int avg = PriceGrid::AvgRow(alg);
  EXPECT_EQ(CopyCurrent(alg, g, *ws, avg).kind, CopyResult::kCopied);
  EXPECT_EQ(s.CNM, std::stof(g.Cell(alg, avg, 1)));
  EXPECT_NE(s.CNM, alg.ParmSum[1] / 20) << "not the average itself";
  for (int row : {0, 21, 22}) EXPECT_EQ(CopyCurrent(alg, g, *ws, row).message, kNoSetSelected) << row;

  // A copy of the workspace takes the set, its own model runs; the search's
  // workspace keeps its values.
  auto other = MakeWorkspace();
  *other = *ws;
  other->scenario.CNM = 1;
  const float liveCNM = s.CNM;
  ASSERT_EQ(CopyCurrent(alg, g, *other, 2).kind, CopyResult::kCopied);
  EXPECT_EQ(other->scenario.CNM, alg.PSet(g.SetOfRow(2), 1));
  EXPECT_EQ(other->scenario.Soil[0].NLF, alg.PSet(g.SetOfRow(2), 2));
  EXPECT_EQ(s.CNM, liveCNM);
  EXPECT_NEAR(EvaluateTargets(alg, *other, 0), alg.QT(0, g.SetOfRow(2)), 1e-4);

  s.Soil[1].GAM = 0; // every run now fails
  CopyResult r = CopyCurrent(alg, g, *ws, 1);
  EXPECT_EQ(r.kind, CopyResult::kRunFailed);
  EXPECT_EQ(r.message.rfind("Calculating " + s.ScenarioFile + "\r", 0), 0u) << r.message;
  EXPECT_TRUE(ws->state.DocStatus & kResultsStale);
}
