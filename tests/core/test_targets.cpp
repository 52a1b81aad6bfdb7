// The target functions, the checks and refusals before a calibration, the
// Price options in the INI file, the grid of sets with its statistics rows,
// copying a set into the scenario, the .PS file, and a calibration with the
// model that recovers known parameters from measurements the model made.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "Workspace.h"
#include "calc/Corr.h"
#include "data/Companions.h"
#include "data/Errors.h"
#include "data/IniFile.h"
#include "model/Driver.h"
#include "optim/PriceAlg.h"
#include "optim/PriceOptions.h"
#include "optim/PriceSets.h"
#include "optim/Targets.h"

using namespace kelmar;

namespace {

std::unique_ptr<Workspace> LoadExample() {
  auto ws = MakeWorkspace();
  LoadOutcome r = LoadScenarioWithCompanions(*ws, KELMAR_EXAMPLES "/SANDY6.DAT");
  EXPECT_TRUE(r.ok()) << r.message;
  return ws;
}

std::array<bool, kQTRows> Sel(std::string_view targets) { return ParseTargets(targets); }

void FitOnly(Workspace& ws, std::initializer_list<int> nrs) {
  for (int i = 1; i <= ParmTable::size(); ++i) ws.parms[i].fit = 0;
  for (int nr : nrs) ws.parms[nr].fit = 1;
}

} // namespace

TEST(Targets, FromTheComparisonAndTheWholeRun) {
  auto ws = MakeWorkspace();
  CorrResult c;
  c.Layer[0].NMeas = 8, c.Layer[0].Ex = 40, c.Layer[0].Ez = 10, c.Layer[0].n2 = 5, c.Layer[0].Corr = -0.6f;
  c.Layer[1].NMeas = 3, c.Layer[1].Ex = 20, c.Layer[1].Ez = 1, c.Layer[1].n2 = 3, c.Layer[1].Corr = 0.9f;
  c.NOMi = 2, c.OMiAvg = 50000, c.OMDifAbs = 2500;
  c.NONi = 1, c.ONiAvg = 3000, c.ONDifAbs = 600;
  RunState& run = ws->run;
  run.PeriodCount = 4;
  run.Periods[4].NUPTi = 200;
  run.Periods[4].NUPTm = 250;
  QTColumn qt = ComputeTargets(*ws, c);
  const float expected[] = {0, 0.25f, 0.05f, 0.05f, 0.2f, -0.25f, 3, 0, 0.4f, 0.1f};
  for (int k = 0; k <= 9; ++k) EXPECT_NEAR(qt[k], expected[k], 1e-6) << "target " << k;

  // No measurements, no intended uptake: every target is 0 except the
  // correlations, which count as absent (1 - 0).
  run.Periods[4].NUPTi = 0;
  qt = ComputeTargets(*ws, CorrResult{});
  const float none[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1};
  for (int k = 0; k <= 9; ++k) EXPECT_EQ(qt[k], none[k]) << "target " << k;
  EXPECT_EQ(TargetCaption(6), "6: Measurements not in range 2 TopSoil");
}

TEST(Targets, MeasurementsTheSelectedTargetsCanUse) {
  CorrResult c;
  c.Layer[0].NMeas = 7, c.Layer[1].NMeas = 5, c.NOMi = 2, c.NONi = 1;
  const struct {
    const char* targets;
    int n;
  } rows[] = {{"100000000", 7}, {"000001010", 7},  {"010000001", 5}, {"001000000", 2}, {"000100000", 1},
              {"000010000", 1}, {"111110000", 16}, {"000000000", 0}, {"100000011", 12}};
  for (const auto& r : rows) EXPECT_EQ(UsableMeasurements(c, Sel(r.targets)), r.n) << r.targets;
}

TEST(Targets, RefusalsBeforeACalibrationComeInOrder) {
  auto ws = MakeWorkspace(); // a new scenario: no measurements at all
  TPriceAlg alg(*ws);
  FitOnly(*ws, {});
  PriceOptions o;
  o.Selected = Sel("110000000");
  alg.SetOptions(o);
  EXPECT_EQ(CheckFitStart(alg, *ws), kNoMeasurements) << "checked before the parameters";
  ws->weeks[10].Ni1 = 30;
  EXPECT_EQ(CheckFitStart(alg, *ws), kNoParmsSelected);
  FitOnly(*ws, {4, 9});
  EXPECT_EQ(CheckFitStart(alg, *ws), "");
  EXPECT_EQ(alg.NParms(), 2) << "the check recounts the fitted parameters";

  // Only target 5 selected and no measurements: the crops' uptake counts as one.
  ws->weeks[10].Ni1 = 0;
  o.Selected = Sel("000010000");
  alg.SetOptions(o);
  EXPECT_EQ(CheckFitStart(alg, *ws), "");
  o.Selected = Sel("000000000");
  alg.SetOptions(o);
  EXPECT_EQ(CheckFitStart(alg, *ws), kNoMeasurements) << "no target can use a measurement";
}

TEST(Targets, GuardsByState) {
  const char* expected[] = {"Price Algoritm not initialised!",
                            "Price Algoritm busy initialising!",
                            "Price Algoritm busy initialising!",
                            "Price Algoritm busy initialising!",
                            "",
                            "Price Algoritm busy iterating!",
                            "Price Algoritm busy iterating!",
                            "Price Algoritm busy iterating!",
                            ""};
  for (int s = 0; s <= 8; ++s) {
    EXPECT_EQ(PopulationGuard(s), expected[s]) << "state " << s;
    EXPECT_EQ(BusyGuard(s), s == 0 ? "" : expected[s]) << "state " << s;
  }
}

TEST(PriceOptions, DefaultsOddValuesAndRoundTrip) {
  PriceOptions d = ReadPriceOptions(IniFile());
  EXPECT_EQ(TargetsText(d.Selected), "111110000");
  EXPECT_EQ(d.Weight[9], 1.0f);
  EXPECT_EQ(d.QTType, kQTSum);
  EXPECT_FALSE(d.AutoWeigh);
  EXPECT_TRUE(d.KeepOM);
  EXPECT_EQ(d.NIterPSet, 6);
  EXPECT_FLOAT_EQ(d.Ftol, 0.001f);

  IniFile odd = IniFile::FromText("[Price Options]\nTargets=1x01\nWeight2=heavy\nWeight3= 2.50\n"
                                  "QTType=2\nAutoWeigh=1\nKeepOM=0\nNIterPSet=12\nFtol=,01\n");
  PriceOptions o = ReadPriceOptions(odd);
  EXPECT_EQ(TargetsText(o.Selected), "100100000") << "only \"1\" selects; missing targets are off";
  EXPECT_EQ(o.Weight[2], 1.0f) << "a weight that is no number is 1";
  EXPECT_EQ(o.Weight[3], 2.5f);
  EXPECT_EQ(o.QTType, kQTCarrousel);
  EXPECT_TRUE(o.AutoWeigh);
  EXPECT_FALSE(o.KeepOM);
  EXPECT_EQ(o.NIterPSet, 12);
  EXPECT_FLOAT_EQ(o.Ftol, 0.001f);

  o.Weight[4] = 0.126f;
  o.Ftol = 0.0125f;
  IniFile out;
  WritePriceOptions(out, o);
  EXPECT_EQ(out.readString("Price Options", "Weight4", ""), "0.13") << "two decimals";
  EXPECT_EQ(out.readString("Price Options", "Ftol", ""), "0.013")
      << "three decimals"; // 0.0125f lies above .0125
  PriceOptions back = ReadPriceOptions(IniFile::FromText(out.text()));
  EXPECT_EQ(TargetsText(back.Selected), TargetsText(o.Selected));
  EXPECT_EQ(back.QTType, o.QTType);
  EXPECT_EQ(back.NIterPSet, 12);
  EXPECT_EQ(back.Weight[3], 2.5f);
}

TEST(PriceSets, FixedNotationWithSignificantDigits) {
  const struct {
    double v;
    int precision, digits;
    const char* text;
  } rows[] = {
      {94000.1234, 7, 3, "94000.120"}, // rounded to 7 digits first
      {8.3, 7, 2, "8.30"},
      {0.000123456, 7, 3, "0.000"},
      {-0.0004, 7, 3, "0.000"}, // no "-0.000"
      {-12.5, 6, 1, "-12.5"},
      {1234567.8, 7, 0, "1234568"},
      {12345678.0, 7, 2, "1.234568E+07"}, // more digits than the precision
      {0, 7, 2, "0.00"},
  };
  for (const auto& r : rows) EXPECT_EQ(FmtFixedSig(r.v, r.precision, r.digits), r.text) << r.v;
  EXPECT_DOUBLE_EQ(StdDev(6, 14, 3), 1.0); // 1, 2, 3
  EXPECT_EQ(StdDev(3, 3, 3), 0.0);         // equal values
  EXPECT_EQ(StdDev(5, 25, 1), 0.0);
}

namespace {

// A population of ten sets of one parameter (pH, two decimals): set s holds
// 4 + s / 4 and combined target 10 - s, target 2 s / 10.
struct SmallPopulation {
  std::unique_ptr<Workspace> ws = MakeWorkspace();
  std::unique_ptr<TPriceAlg> alg;
  SmallPopulation() {
    FitOnly(*ws, {3});
    ws->parms[3].lower = 4;
    ws->parms[3].upper = 8;
    alg = std::make_unique<TPriceAlg>(*ws);
    for (int s = 1; s <= 10; ++s) {
      alg->PSet(s, 1) = 4 + s / 4.0f;
      alg->QT(0, s) = 10.0f - s;
      alg->QT(2, s) = s / 10.0f;
    }
    for (int k = 0; k <= 9; ++k) alg->UpdateQTStats(k);
    alg->UpdateParmStats();
    alg->PriceState = kPriceIterated;
    alg->SetsDone = 10;
  }
};

} // namespace

TEST(PriceSets, GridCellsSortingAndStatistics) {
  SmallPopulation p;
  TPriceAlg& a = *p.alg;
  PriceGrid g;
  g.Reset(a);
  EXPECT_EQ(PriceGrid::ColumnCount(a), 12);
  EXPECT_EQ(PriceGrid::RowCount(a), 16);
  EXPECT_EQ(g.Cell(a, 0, 0), "ID");
  EXPECT_EQ(g.Cell(a, 0, 1), "pH");
  EXPECT_EQ(g.Cell(a, 0, 2), "QTsum");
  EXPECT_EQ(g.Cell(a, 0, 3), "QT1*");
  EXPECT_EQ(g.Cell(a, 0, 8), "QT6");
  a.QTType = kQTMax;
  EXPECT_EQ(g.Cell(a, 0, 2), "QTmax");
  EXPECT_EQ(g.Cell(a, 3, 1), "4.75");
  EXPECT_EQ(g.Cell(a, 3, 4), "0.300");

  g.SortBy(a, PriceGrid::CombinedColumn(a));
  EXPECT_EQ(g.SetOfRow(1), 10) << "best first";
  EXPECT_EQ(g.RowOfSet(10), 1);
  EXPECT_EQ(g.Cell(a, 1, 0), "10");
  g.SortBy(a, 4); // target 2, ascending
  EXPECT_EQ(g.SetOfRow(1), 1);
  g.SortBy(a, 0);
  EXPECT_EQ(g.SetOfRow(7), 7);

  EXPECT_EQ(g.Cell(a, 11, 0), "");
  const char* labels[] = {"low", "high", "avg", "SE"};
  const char* pH[] = {"4.25", "6.50", "5.38", "0.76"}; // avg 5.375, SE of 4.25..6.5 step 0.25
  const char* qt0[] = {"0.000", "9.000", "4.500", "3.028"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(g.Cell(a, 12 + i, 0), labels[i]);
    EXPECT_EQ(g.Cell(a, 12 + i, 1), pH[i]) << labels[i];
    EXPECT_EQ(g.Cell(a, 12 + i, 2), qt0[i]) << labels[i];
  }
}

TEST(PriceSets, FileListsTheRowsAsShown) {
  SmallPopulation p;
  TPriceAlg& a = *p.alg;
  a.PSet(4, 1) = 123456.0f; // too wide for its field: it grows, with a blank before it
  PriceGrid g;
  g.SortBy(a, PriceGrid::CombinedColumn(a));
  const std::string text = PriceSetsText(a, g);
  const std::string expect = "Kelmar 430 PSet File\r\n"
                             "   BPRL   4.00\r\n"
                             "   BPRU   8.00\r\n"
                             "  SetNr     pH       QT0       QT1       QT2       QT3       QT4       QT5     "
                             "  QT6       QT7       QT8"
                             "       QT9\r\n"
                             "      1   6.50     0.000     0.000     1.000     0.000     0.000     0.000     "
                             "0.000     0.000     0.000"
                             "     0.000\r\n";
  EXPECT_EQ(text.substr(0, expect.size()), expect);
  EXPECT_NE(text.find("\r\n      7 123456.00     6.000 "), std::string::npos) << text;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4 + 10);
}

TEST(PriceSets, CopyCurrentAppliesARowOrTheShownAverages) {
  auto ws = LoadExample();
  FitOnly(*ws, {4, 9}); // CNM, DNF
  TPriceAlg alg(*ws);
  PriceGrid g;
  g.Reset(alg);
  EXPECT_EQ(CopyCurrent(alg, g, *ws, 1).message, kNotInitialised);

  for (int s = 1; s <= 20; ++s) {
    alg.PSet(s, 1) = 6 + s * 0.1234f;
    alg.PSet(s, 2) = 0.2f + s * 0.001f;
  }
  alg.UpdateParmStats();
  alg.PriceState = kPriceInitialised;
  g.Reset(alg);

  CopyResult r = CopyCurrent(alg, g, *ws, 3);
  EXPECT_EQ(r.kind, CopyResult::kCopied);
  EXPECT_EQ(ws->scenario.CNM, alg.PSet(3, 1));
  EXPECT_TRUE(ws->run.calculated) << "the model ran with the set";

  r = CopyCurrent(alg, g, *ws, PriceGrid::AvgRow(alg));
  EXPECT_EQ(r.kind, CopyResult::kCopied);
  EXPECT_FLOAT_EQ(ws->scenario.CNM, 7.30f) << "the average 7.2957 as shown, two decimals";
  EXPECT_FLOAT_EQ(ws->scenario.DNF, 0.21f);

  for (int row : {0, 21, 22}) {
    r = CopyCurrent(alg, g, *ws, row);
    EXPECT_EQ(r.kind, CopyResult::kRefused);
    EXPECT_EQ(r.message, kNoSetSelected) << "row " << row;
  }

  ws->scenario.Soil[1].GAM = 0; // every run now fails
  r = CopyCurrent(alg, g, *ws, 1);
  EXPECT_EQ(r.kind, CopyResult::kRunFailed);
  EXPECT_EQ(r.message.rfind("Calculating " + ws->scenario.ScenarioFile + "\r", 0), 0u) << r.message;
  EXPECT_TRUE(ws->state.DocStatus & kResultsStale);
}

TEST(PriceState, DamagedFilesChangeNothing) {
  SmallPopulation p;
  const std::string good = PriceStateText(*p.alg);
  struct Row {
    const char* what;
    std::string text;
  };
  auto replace = [&](const std::string& from, const std::string& to) {
    std::string t = good;
    t.replace(t.find(from), from.size(), to);
    return t;
  };
  const Row rows[] = {
      {"another identifier", replace("PStt", "Data")},
      {"cut short", good.substr(0, good.size() / 2)},
      {"a word for a number", replace("\r\n3 ", "\r\nthree ")},
      {"other fitted parameters", replace("\r\n3 4 8 ", "\r\n4 4 8 ")},
      {"a state that is never saved", replace("\r\n8 1 10", "\r\n5 1 10")},
  };
  for (const Row& row : rows) {
    SmallPopulation q;
    q.alg->Rng.seed(77);
    EXPECT_ANY_THROW(LoadPriceStateText(*q.alg, row.text, "x.state")) << row.what;
    EXPECT_EQ(q.alg->Rng.state(), 77u) << row.what;
    EXPECT_EQ(q.alg->PSet(1, 1), 4.25f) << row.what;
  }
  SmallPopulation q;
  LoadPriceStateText(*q.alg, good, "x.state");
  EXPECT_EQ(PriceStateText(*q.alg), good) << "a state reads back exactly";
}

TEST(Calibration, RecoversParametersFromMeasurementsTheModelMade) {
  auto ws = LoadExample();
  Scenario& s = ws->scenario;
  s.Weeks = 156; // three years are enough and keep the test fast
  const float knownCNM = s.CNM, knownNLF1 = s.Soil[0].NLF;
  RunModel(*ws);
  for (WeekRecord& w : ws->weeks) w.Ni1 = w.Ni2 = w.OMi = w.ONi = 0; // only what the model made
  for (int r = 3; r <= s.Weeks; r += 3) {
    ws->weeks[r].Ni1 = ws->weeks[r].N1;
    ws->weeks[r].Ni2 = ws->weeks[r].N2;
  }

  FitOnly(*ws, {4, 24}); // CNM, NLF1
  ws->parms[4].lower = 4, ws->parms[4].upper = 16;
  ws->parms[24].lower = 0.2f, ws->parms[24].upper = 3;
  s.CNM = 13;
  s.Soil[0].NLF = 2.5f;
  RunModel(*ws);

  TPriceAlg alg(*ws);
  PriceOptions o;
  o.Selected = Sel("110000000");
  o.NIterPSet = 20;
  o.Ftol = 1e-4f;
  alg.SetOptions(o);
  alg.Rng.seed(1);
  ConnectModel(alg, *ws);
  ASSERT_EQ(CheckFitStart(alg, *ws), "");
  const float before = EvaluateTargets(alg, *ws, 0);

  alg.Initialise();
  alg.Iterate();
  ASSERT_EQ(alg.PriceState, kPriceIterated);
  PriceGrid g;
  g.SortBy(alg, PriceGrid::CombinedColumn(alg));
  ASSERT_EQ(CopyCurrent(alg, g, *ws, 1).kind, CopyResult::kCopied);
  const float after = EvaluateTargets(alg, *ws, 0);
  EXPECT_GT(before, 1) << "the start is far from the measurements";
  EXPECT_LT(after, 0.01) << "the fitted model nearly reproduces them";
  EXPECT_NEAR(s.CNM, knownCNM, 0.01 * knownCNM);
  EXPECT_NEAR(s.Soil[0].NLF, knownNLF1, 0.01 * knownNLF1);
  EXPECT_EQ(alg.Runs, 20 + 20 * 20) << "one run per set and per trial, none for an accepted trial";
}
