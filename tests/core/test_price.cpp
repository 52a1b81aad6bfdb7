// Price's controlled random search on plain objectives (functions of the
// live parameter values, no model run): the draw order, the reflection and
// its clamps, acceptance, the statistics, the stop rules, failed runs, aborts,
// "Constant sum OM", the carrousel and the weights. Resuming from a saved state
// is checked through `kelmar fit` (tests/cli/test_cli_fit.cpp).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <tuple>

#include "Workspace.h"
#include "model/Driver.h"
#include "optim/PriceAlg.h"

using namespace kelmar;

namespace {

// A workspace whose table marks exactly the given parameters {table number,
// lower, upper}, and a search on it whose objective (target 1, weight 1) is
// computed from the live values.
struct Search {
  std::unique_ptr<Workspace> ws = MakeWorkspace();
  TPriceAlg a{*ws};

  Search(std::initializer_list<std::array<float, 3>> fitted, std::function<double(Search&)> objective) {
    for (int i = 1; i <= ParmTable::size(); ++i) ws->parms[i].fit = 0;
    for (const auto& r : fitted) {
      AutoParm& p = ws->parms[static_cast<int>(r[0])];
      p.fit = 1, p.lower = r[1], p.upper = r[2];
    }
    a.SetNParms();
    a.Rng.seed(4711);
    a.Ftol = 0;
    a.Selected = ParseTargets("1");
    a.OnQTFunction = [this, objective](int s) {
      a.QT(1, s) = static_cast<float>(objective(*this));
      a.CombineQT(s);
      return a.QT(0, s);
    };
  }
  float& value(int nr) { return ws->parms.value(ws->scenario, nr); }
  std::vector<float> column(int j) const { // fitted parameter j (0: the combined target) of every set
    std::vector<float> v;
    for (int s = 1; s <= a.NSets(); ++s) v.push_back(j ? a.PSet(s, j) : a.QT(0, s));
    return v;
  }
  void run(int nIterPSet) {
    a.NIterPSet = nIterPSet;
    a.Initialise();
    a.Iterate();
  }
};

constexpr int CNM = 4, NDep = 6, DNF = 9, pH = 3, oOM = 38, yOM = 41, fOM = 44;

double CNMOnly(Search& t) { return t.value(CNM); }
double Sum(Search& t) { return t.value(CNM) + t.value(NDep); }
double Flat(Search&) { return 1; }

} // namespace

TEST(PriceAlg, InitialSetsAndTheFirstTrialFollowTheDrawOrder) {
  // One fitted parameter: ten sets, and the centroid is a single set, so the
  // trial point is 2 x (chosen value) - (reflected value), clamped to the range.
  Search t({{CNM, 2, 12}}, [](Search& t) { return std::fabs(t.value(CNM) - 7.0); });
  TPriceAlg& a = t.a;
  a.Rng.seed(99);
  a.Initialise();
  Random ref(99);
  for (int s = 1; s <= 10; ++s) EXPECT_EQ(a.PSet(s, 1), static_cast<float>(2 + ref.real() * 10));
  const std::vector<float> before = t.column(1);
  const auto [worst, worstSet] = std::pair(a.QTMax[0], a.QTHighSet[0]);
  a.OnProgress = [&] { return a.Iterations == 1; };
  a.Iterate();

  const int c = ref.integer(10) + 1;
  int r = c;
  while (r == c) r = ref.integer(10) + 1;
  const float expect = std::clamp(static_cast<float>(2.0 * before[c - 1] - before[r - 1]), 2.0f, 12.0f);
  EXPECT_EQ(t.value(CNM), expect) << "the live parameter holds the trial point";
  EXPECT_EQ(a.Rng.state(), ref.state()) << "no other draws were made";
  EXPECT_EQ(a.PSet(worstSet, 1), std::fabs(expect - 7.0) < worst ? expect : before[worstSet - 1]);
}

TEST(PriceAlg, TrialPointsOutsideTheRangeLandOnItsBoundsAndTheStatisticsFollow) {
  Search t({{CNM, 3, 5}, {NDep, 10, 20}}, [](Search& t) { return t.value(NDep) - t.value(CNM); });
  TPriceAlg& a = t.a;
  t.run(8);
  EXPECT_EQ((std::array{a.PSet(a.QTLowSet[0], 1), a.PSet(a.QTLowSet[0], 2)}), (std::array{5.0f, 10.0f}));
  for (float v : t.column(1)) ASSERT_TRUE(v >= 3 && v <= 5) << v;
  for (float v : t.column(2)) ASSERT_TRUE(v >= 10 && v <= 20) << v;

  // Five sets now share the corner (5, 10): the low set is the first of them.
  const std::vector<float> qt = t.column(0), ndep = t.column(2);
  const auto [lo, hi] = std::minmax_element(qt.begin(), qt.end());
  EXPECT_EQ(std::tuple(a.QTMin[0], a.QTMax[0], a.QTLowSet[0]), std::tuple(*lo, *hi, lo - qt.begin() + 1));
  EXPECT_NEAR(a.QTAvg[0], std::accumulate(qt.begin(), qt.end(), 0.0) / qt.size(), 1e-5);
  EXPECT_EQ(a.ParmMin[2], *std::min_element(ndep.begin(), ndep.end()));
}

TEST(PriceAlg, StopsOnTheTrialBudgetTheTargetRangeOrAnAbort) {
  // {what, NIterPSet, Ftol, every set has the same target, trials made}
  const std::tuple<const char*, int, float, bool, int> rows[] = {
      {"budget of 3 trials per set", 3, 0, false, 3 * 20},
      {"a flat population stops after one trial", 5, 0.001f, true, 1},
      {"a flat population with Ftol 0 runs the whole budget", 2, 0, true, 2 * 20},
      {"no budget and Ftol 0: only the abort after 123 trials", 0, 0, false, 123},
  };
  for (const auto& [what, nIterPSet, ftol, flat, trials] : rows) {
    Search t({{CNM, 0, 10}, {NDep, 0, 10}}, flat ? Flat : Sum);
    t.a.Ftol = ftol;
    t.a.OnProgress = [&] { return t.a.Iterations == 123; };
    t.a.Initialise();
    const std::vector<float> before = t.column(1);
    t.a.NIterPSet = nIterPSet;
    t.a.Iterate();
    EXPECT_EQ(std::pair(t.a.Iterations, t.a.StepCount), std::pair(trials, trials)) << what;
    // Only a trial better than the worst set replaces it: never in a flat population.
    EXPECT_EQ(t.column(1) == before, flat) << what;
  }
}

// The search ends once the relative range 2 |max - min| / |max + min| of the
// combined target lies below Ftol, also when the population is not flat: a
// range of two thirds of Ftol stops at the first test, one a little above
// Ftol goes on until the trials have narrowed it.
TEST(PriceAlg, StopsOnceTheRelativeTargetRangeFallsBelowFtol) {
  for (const auto& [ftolPerRange, stopsAtOnce] : {std::pair(1.5, true), std::pair(0.9, false)}) {
    Search t({{CNM, 0, 10}}, [](Search& s) { return 100 + 0.003 * s.value(CNM); });
    t.a.Initialise();
    const double hi = t.a.QTMax[0], lo = t.a.QTMin[0];
    const double range = 2 * (hi - lo) / (hi + lo);
    ASSERT_GT(range, 1e-5);
    t.a.Ftol = static_cast<float>(range * ftolPerRange);
    t.a.NIterPSet = 5;
    t.a.Iterate();
    if (stopsAtOnce)
      EXPECT_EQ(t.a.Iterations, 1) << "range " << range << ", Ftol " << t.a.Ftol;
    else
      EXPECT_TRUE(t.a.Iterations > 1 && t.a.Iterations < 5 * 20) << t.a.Iterations;
  }
}

TEST(PriceAlg, FailedRunsAreRetried) {
  std::vector<float> good; // CNM of every successful run
  Search t({{CNM, 0, 10}, {NDep, 0, 10}}, [&](Search& t) { return good.push_back(t.value(CNM)), Sum(t); });
  TPriceAlg& a = t.a;
  int runs = 0;
  bool failAll = false;
  a.OnRunModel = [&] {
    if (++runs % 3 == 0 || failAll) throw FloatingPointFault("Floating point overflow", "test");
  };
  a.Initialise();
  // Every third run failed and its set was drawn again; that is no retry, and
  // progress counts every attempt. Each set comes from a successful run.
  EXPECT_EQ(std::tuple(a.PriceState, runs, a.Retries, a.StepCount), std::tuple(kPriceInitialised, 29, 0, 29));
  EXPECT_EQ(t.column(1), good);
  a.NIterPSet = 1;
  a.Iterate();
  EXPECT_EQ(std::tuple(a.Iterations, a.Runs, a.Retries > 0), std::tuple(20, int64_t{runs}, true));

  // Every run fails: each trial is dropped after ten tries and counts nothing,
  // but progress is still reported, so the user can stop it.
  failAll = true;
  const std::vector<float> before = t.column(1);
  const int retries = a.Retries;
  int calls = 0;
  a.OnProgress = [&] { return ++calls == 6; }; // state 5, then five dropped trials
  a.Iterate();
  EXPECT_EQ(std::tuple(a.PriceState, a.Iterations, a.Retries - retries),
            std::tuple(kPriceIterated, 20, 5 * kMaxTrialFailures));
  EXPECT_EQ(t.column(1), before);
}

TEST(PriceAlg, AbortsEndInTheDocumentedStates) {
  // {abort at the first progress call in this state, in Iterate, the state it leaves}
  const std::tuple<int, bool, int> rows[] = {
      {kPriceInitStarted, false, kPriceNotInitialised}, {kPriceCreatingSets, false, kPriceNotInitialised},
      {kPriceSetsEvaluated, false, kPriceInitialised},  {kPriceIterStarted, true, kPriceInitialised},
      {kPriceIterating, true, kPriceIterated},          {kPriceIterFinished, true, kPriceIterated},
  };
  for (const auto& [state, iterate, expected] : rows) {
    Search t({{CNM, 0, 10}}, CNMOnly);
    t.a.NIterPSet = 1;
    std::vector<int> seen;
    t.a.OnProgress = [&, abortIn = state] { return seen.push_back(t.a.PriceState), seen.back() == abortIn; };
    if (iterate) t.a.Initialise();
    iterate ? t.a.Iterate() : t.a.Initialise();
    // AbortRun reports the state it leaves.
    EXPECT_EQ(std::pair(t.a.PriceState, seen.back()), std::pair(expected, expected)) << "abort in " << state;
  }
}

TEST(PriceAlg, NothingToFitAndRecountingDiscardThePopulation) {
  Search none({}, CNMOnly);
  none.a.OnProgress = [] { return ADD_FAILURE() << "no progress without parameters", false; };
  none.a.Initialise();
  EXPECT_EQ(none.a.PriceState, kPriceNotInitialised);
  EXPECT_THROW(none.a.Iterate(), std::logic_error);

  Search t({{CNM, 0, 10}, {DNF, 0, 1}}, CNMOnly);
  int notified = 0;
  t.a.OnSetNParms = [&] { ++notified; };
  t.run(1);
  t.a.SetNParms(7); // even with the same parameters
  EXPECT_EQ(std::pair(t.a.PriceState, notified), std::pair(int32_t{kPriceNotInitialised}, 1));
  t.ws->parms[pH].fit = 1;
  t.a.SetNParms();
  EXPECT_EQ(std::pair(t.a.NSets(), t.a.ParmNr(1)), std::pair(30, pH)) << "fitted parameters in table order";
}

TEST(PriceAlg, OrganicMatterKeepsItsSumInTheTrialBoundsAndThroughTheWholeSearch) {
  // Beside CNM, the fitted members of the group. Live values o = 1000, y = 300,
  // f = 200; ranges o [0, oUpper], y [100, 400], f [50, 250]. Bounds are asked
  // in table order, as the search does. {what, members, oUpper, [lo, up] per member}
  const std::tuple<const char*, std::vector<int>, float, std::vector<std::array<float, 2>>> rows[] = {
      {"all three share the sum 1500", {oOM, yOM, fOM}, 5000, {{850, 1350}, {250, 400}, {200, 200}}},
      {"oOM and fOM", {oOM, fOM}, 5000, {{950, 1150}, {200, 200}}},
      {"oOM and yOM", {oOM, yOM}, 5000, {{900, 1200}, {300, 300}}},
      {"yOM and fOM", {yOM, fOM}, 5000, {{250, 400}, {200, 200}}},
      {"oOM alone keeps its value", {oOM}, 5000, {{1000, 1000}}},
      {"yOM alone keeps its value", {yOM}, 5000, {{300, 300}}},
      {"a sum the ranges cannot reach: lo above up stands", {oOM, fOM}, 900, {{950, 900}, {200, 200}}},
  };
  for (const auto& [what, om, oUpper, bounds] : rows) {
    double sum0 = 0;
    int checked = 0;
    Search t({{CNM, 0, 20}}, [&, m = om](Search& t) {
      double sum = 0;
      for (int nr : m) sum += t.value(nr);
      EXPECT_NEAR(sum, sum0, 0.05) << m.size() << " members, evaluation " << checked;
      ++checked;
      return std::fabs(t.value(CNM) - 8) + std::fabs(t.value(oOM) - 900) / 100;
    });
    ParmTable& p = t.ws->parms;
    p[oOM].upper = oUpper, p[yOM].lower = 100, p[yOM].upper = 400, p[fOM].lower = 50, p[fOM].upper = 250;
    for (int nr : om) p[nr].fit = 1;
    t.a.SetNParms();
    t.value(oOM) = 1000, t.value(yOM) = 300, t.value(fOM) = 200;
    for (std::size_t j = 1; j <= om.size(); ++j) {
      t.a.TrialBounds(static_cast<int>(j) + 1);
      EXPECT_EQ((std::array{t.a.TrialLo, t.a.TrialUp}), bounds[j - 1]) << what << ", member " << j;
    }
    t.a.KeepOM = false;
    t.a.TrialBounds(2);
    EXPECT_EQ(t.a.TrialLo, p[om[0]].lower) << what << ": without KeepOM, the range";
    if (oUpper < 1000) continue;
    t.a.KeepOM = true;
    for (int nr : om) sum0 += t.value(nr);
    t.run(3);
    EXPECT_GT(checked, 60) << what;
  }
}

TEST(PriceAlg, CombinedTargetAndAutomaticWeights) {
  Search t({{CNM, 0, 10}}, CNMOnly);
  TPriceAlg& a = t.a;
  const QTColumn qt{0, 0.5f, -2, 4, 0, 1};
  a.Selected = ParseTargets("111");
  a.Weight[3] = 0.5f, a.AutoWeight[1] = 10; // the others 1
  // {QTType, AutoWeigh, the target values, combined}: the sum 0.5 - 2 + 0.5 x 4,
  // with the automatic weight of target 1: 5 - 2 + 2; the maximum starts from 0.
  const std::tuple<int, bool, QTColumn, float> rows[] = {
      {kQTSum, false, qt, 0.5f}, {kQTCarrousel, false, qt, 0.5f}, {kQTMax, false, qt, 2},
      {kQTSum, true, qt, 5},     {kQTMax, true, qt, 5},           {kQTMax, false, {0, -1, -3}, 0},
  };
  for (const auto& [type, autoWeigh, column, expected] : rows) {
    a.QTType = type, a.AutoWeigh = autoWeigh;
    EXPECT_FLOAT_EQ(a.Combine(column), expected) << "type " << type << " auto " << autoWeigh;
  }

  // Initialise derives a weight per target from its mean over the sets.
  a.QTType = kQTSum, a.AutoWeigh = false;
  a.OnQTFunction = [&](int s) {
    const QTColumn means{0, 0.001f, 4, 500, 0.01f, -3, 100, 100.5f, 0, 0};
    for (int k = 1; k <= 9; ++k) a.QT(k, s) = means[k];
    a.CombineQT(s);
    return a.QT(0, s);
  };
  a.Initialise();
  const QTColumn weights{0, 100, 0.25f, 0.01f, 100, 100, 0.01f, 0.01f, 100, 100};
  for (int k = 1; k <= 9; ++k) EXPECT_FLOAT_EQ(a.AutoWeight[k], weights[k]) << "target " << k;
  EXPECT_FLOAT_EQ(a.QTMax[0], 0.001f + 4 + 0.5f * 500) << "combined with the new weights";
  a.AutoWeigh = true; // new options between commands: the sets are combined anew
  a.Recombine();
  EXPECT_FLOAT_EQ(a.QTMax[0], 0.001f * 100 + 4 * 0.25f + 0.5f * 500 * 0.01f);
}

TEST(PriceAlg, CarrouselJudgesEachTrialByTheNextSelectedTarget) {
  Search t({{CNM, 0, 10}, {NDep, 0, 10}}, CNMOnly);
  TPriceAlg& a = t.a;
  a.QTType = kQTCarrousel;
  a.Selected = ParseTargets("01001");
  a.OnQTFunction = [&](int s) {
    a.QT(2, s) = t.value(CNM), a.QT(5, s) = t.value(NDep);
    a.CombineQT(s);
    return a.QT(0, s);
  };
  a.Initialise();
  std::vector<int> turns;
  a.OnCheckpoint = [&] { turns.push_back(a.Turn); }; // after every counted trial
  a.OnProgress = [&] { return a.Iterations == 4; };
  a.Iterate();
  EXPECT_EQ(turns, (std::vector<int>{3, 6, 3, 6})) << "after target 2 the turn passes to 3, after 5 to 6";

  a.Selected.fill(false); // with no target selected the combined target judges the trials
  t.run(1);
  EXPECT_EQ(a.PriceState, kPriceIterated);
}
