// Price's controlled random search on plain objectives (functions of the
// live parameter values, no model run): the draw order, the reflection and
// its clamps, acceptance, the stop rules, failed runs, aborts, "Constant sum
// OM", the carrousel, the weights, and resuming from a saved state.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

#include "Workspace.h"
#include "model/Driver.h"
#include "optim/PriceAlg.h"
#include "optim/PriceSets.h"

using namespace kelmar;

namespace {

struct Range {
  int nr;
  float lower, upper;
};

// A workspace whose table marks exactly the given parameters, and a search on it.
struct Search {
  std::unique_ptr<Workspace> ws = MakeWorkspace();
  std::unique_ptr<TPriceAlg> alg;

  explicit Search(std::initializer_list<Range> fitted, uint32_t seed = 4711) {
    for (int i = 1; i <= ParmTable::size(); ++i) ws->parms[i].fit = 0;
    for (const Range& r : fitted) {
      ws->parms[r.nr].fit = 1;
      ws->parms[r.nr].lower = r.lower;
      ws->parms[r.nr].upper = r.upper;
    }
    alg = std::make_unique<TPriceAlg>(*ws);
    alg->Rng.seed(seed);
    alg->Ftol = 0;
    alg->Selected.fill(false);
    alg->Selected[1] = true; // the objective is target 1, weight 1
    alg->NTargets = 1;
  }
  float& value(int nr) { return ws->parms.value(ws->scenario, nr); }
  // Target 1, and so the combined target, computed from the live values.
  void objective(std::function<double()> f) {
    alg->OnQTFunction = [this, f](int s) {
      alg->QT(1, s) = static_cast<float>(f());
      alg->CombineQT(s);
      return alg->QT(0, s);
    };
  }
  // Abort when `stop` says so, asked at every progress call.
  void abortWhen(std::function<bool(const TPriceAlg&)> stop) {
    alg->OnProgress = [this, stop] { return stop(*alg); };
  }
};

constexpr int CNM = 4, NDep = 6, DNF = 9, pH = 3;

} // namespace

TEST(PriceAlg, InitialSetsAndTheFirstTrialFollowTheDrawOrder) {
  // One fitted parameter: ten sets, and the centroid is a single set, so the
  // trial point is 2 x (chosen value) - (reflected value), clamped to the range.
  Search t({{CNM, 2, 12}}, 99);
  t.objective([&] { return std::fabs(t.value(CNM) - 7.0); });
  t.alg->Initialise();
  ASSERT_EQ(t.alg->PriceState, kPriceInitialised);
  ASSERT_EQ(t.alg->NSets(), 10);

  Random ref(99);
  for (int s = 1; s <= 10; ++s)
    EXPECT_EQ(t.alg->PSet(s, 1), static_cast<float>(2 + ref.real() * 10)) << "set " << s;

  std::vector<float> before;
  for (int s = 1; s <= 10; ++s) before.push_back(t.alg->PSet(s, 1));
  const float worst = t.alg->QTMax[0];
  const int worstSet = t.alg->QTHighSet[0];

  t.abortWhen([](const TPriceAlg& a) { return a.Iterations == 1; });
  t.alg->Iterate();
  EXPECT_EQ(t.alg->PriceState, kPriceIterated) << "an aborted Iterate keeps a usable population";

  const int c = ref.integer(10) + 1;
  int r;
  do r = ref.integer(10) + 1;
  while (r == c);
  float expect = static_cast<float>(2.0 * before[c - 1] - before[r - 1]);
  expect = std::min(12.0f, std::max(2.0f, expect));
  EXPECT_EQ(t.value(CNM), expect) << "the live parameter holds the trial point";
  EXPECT_EQ(t.alg->Rng.state(), ref.state()) << "no other draws were made";

  const bool accepted = std::fabs(expect - 7.0) < worst;
  EXPECT_EQ(t.alg->PSet(worstSet, 1), accepted ? expect : before[worstSet - 1]);
}

TEST(PriceAlg, TrialPointsOutsideTheRangeLandOnItsBounds) {
  // A target far outside the range pulls the population to the bound, and the
  // reflections beyond it are stored as exactly the bound.
  Search t({{CNM, 3, 5}, {NDep, 10, 20}});
  t.objective([&] { return std::fabs(t.value(CNM) - 50.0) + std::fabs(t.value(NDep) + 50.0); });
  t.alg->NIterPSet = 20;
  t.alg->Initialise();
  t.alg->Iterate();
  const int best = t.alg->QTLowSet[0];
  EXPECT_EQ(t.alg->PSet(best, 1), 5.0f);
  EXPECT_EQ(t.alg->PSet(best, 2), 10.0f);
  for (int s = 1; s <= t.alg->NSets(); ++s) {
    ASSERT_GE(t.alg->PSet(s, 1), 3.0f);
    ASSERT_LE(t.alg->PSet(s, 1), 5.0f);
    ASSERT_GE(t.alg->PSet(s, 2), 10.0f);
    ASSERT_LE(t.alg->PSet(s, 2), 20.0f);
  }
}

TEST(PriceAlg, FindsTheMinimumOfRosenbrocksFunction) {
  // (1 - x)^2 + 100 (y - x^2)^2 on [-2, 3] x [-2, 3], minimum 0 at (1, 1):
  // x = CNM - 2 and y = NDep - 2, so that the minimum lies well inside the ranges.
  Search t({{CNM, 0, 5}, {NDep, 0, 5}}, 20240611);
  t.objective([&] {
    const double x = t.value(CNM) - 2.0, y = t.value(NDep) - 2.0;
    return (1 - x) * (1 - x) + 100 * (y - x * x) * (y - x * x);
  });
  t.alg->NIterPSet = 200;
  t.alg->Ftol = 1e-3f;
  t.alg->Initialise();
  t.alg->Iterate();
  const int best = t.alg->QTLowSet[0];
  EXPECT_NEAR(t.alg->PSet(best, 1), 3.0, 0.05);
  EXPECT_NEAR(t.alg->PSet(best, 2), 3.0, 0.1);
  EXPECT_LT(t.alg->QTMin[0], 1e-3);
  EXPECT_LT(t.alg->Iterations, 200 * 20) << "the range test ends it before the budget";
}

TEST(PriceAlg, StopsOnTheTrialBudgetOrTheTargetRange) {
  struct Row {
    const char* what;
    int nIterPSet;
    float ftol;
    bool flat; // every set has the same target
    int iterations;
  };
  const Row rows[] = {
      {"budget of 3 trials per set", 3, 0, false, 3 * 20},
      {"a flat population stops after one trial", 5, 0.001f, true, 1},
      {"a flat population with Ftol 0 runs the whole budget", 2, 0, true, 2 * 20},
  };
  for (const Row& row : rows) {
    Search t({{CNM, 0, 10}, {NDep, 0, 10}});
    t.objective([&] { return row.flat ? 1.0 : t.value(CNM) + t.value(NDep); });
    t.alg->NIterPSet = row.nIterPSet;
    t.alg->Ftol = row.ftol;
    t.alg->Initialise();
    std::vector<float> before;
    for (int s = 1; s <= 20; ++s) before.push_back(t.alg->PSet(s, 1));
    t.alg->Iterate();
    EXPECT_EQ(t.alg->PriceState, kPriceIterated) << row.what;
    EXPECT_EQ(t.alg->Iterations, row.iterations) << row.what;
    EXPECT_EQ(t.alg->StepCount, row.iterations) << row.what;
    if (row.flat) {
      for (int s = 1; s <= 20; ++s)
        EXPECT_EQ(t.alg->PSet(s, 1), before[s - 1])
            << row.what << ": a trial equal to the worst is not taken";
    }
  }
}

TEST(PriceAlg, WithoutABudgetOnlyTheRangeOrAnAbortEnds) {
  Search t({{CNM, 0, 10}});
  t.objective([&] { return t.value(CNM); });
  t.alg->NIterPSet = 0;
  t.alg->Ftol = 0;
  t.alg->Initialise();
  t.abortWhen([](const TPriceAlg& a) { return a.Iterations == 123; });
  t.alg->Iterate();
  EXPECT_EQ(t.alg->Iterations, 123);
  EXPECT_EQ(t.alg->PriceState, kPriceIterated);
}

TEST(PriceAlg, StatisticsDescribeThePopulation) {
  Search t({{CNM, 0, 10}, {NDep, 0, 10}});
  t.objective([&] { return std::fabs(t.value(CNM) - 3) + std::fabs(t.value(NDep) - 4); });
  t.alg->NIterPSet = 4;
  t.alg->Initialise();
  t.alg->Iterate();
  const TPriceAlg& a = *t.alg;
  double sum = 0;
  float lo = 1e30f, hi = -1e30f;
  int loSet = 0;
  for (int s = 1; s <= a.NSets(); ++s) {
    sum += a.QT(0, s);
    if (a.QT(0, s) < lo) lo = a.QT(0, s), loSet = s;
    hi = std::max(hi, a.QT(0, s));
  }
  EXPECT_EQ(a.QTMin[0], lo);
  EXPECT_EQ(a.QTMax[0], hi);
  EXPECT_EQ(a.QTLowSet[0], loSet);
  EXPECT_NEAR(a.QTAvg[0], sum / a.NSets(), 1e-5);
  float pmin = 1e30f;
  for (int s = 1; s <= a.NSets(); ++s) pmin = std::min(pmin, a.PSet(s, 2));
  EXPECT_EQ(a.ParmMin[2], pmin);
}

TEST(PriceAlg, FailedRunsAreRetried) {
  Search t({{CNM, 0, 10}, {NDep, 0, 10}});
  int runs = 0;
  bool failAll = false;
  t.alg->OnRunModel = [&] {
    ++runs;
    if (failAll || runs % 3 == 0) throw FloatingPointFault("Floating point overflow", "test");
  };
  std::vector<std::pair<float, float>> evaluated; // values of every successful run
  t.objective([&] {
    evaluated.emplace_back(t.value(CNM), t.value(NDep));
    return t.value(CNM) + t.value(NDep);
  });
  t.alg->Initialise();
  ASSERT_EQ(t.alg->PriceState, kPriceInitialised);
  EXPECT_EQ(t.alg->Retries, 0) << "failures while creating the sets are not retries";
  EXPECT_EQ(t.alg->Runs, runs);
  EXPECT_EQ(runs, 20 + 9) << "every third run failed and was drawn again";
  EXPECT_EQ(t.alg->StepCount, runs) << "progress counts every attempt";
  for (int s = 1; s <= 20; ++s)
    EXPECT_EQ(t.alg->PSet(s, 1), evaluated[s - 1].first) << "set " << s << " comes from a successful run";

  t.alg->NIterPSet = 1;
  t.alg->Iterate();
  EXPECT_EQ(t.alg->Iterations, 20);
  EXPECT_GT(t.alg->Retries, 0);
  EXPECT_EQ(t.alg->Runs, runs);

  // Every run fails: each trial is dropped after ten tries and counts nothing,
  // but progress is still reported, so the user can stop it.
  failAll = true;
  std::vector<float> before;
  for (int s = 1; s <= 20; ++s) before.push_back(t.alg->PSet(s, 1));
  const int retries = t.alg->Retries;
  int calls = 0;
  t.alg->OnProgress = [&] { return ++calls == 6; }; // state 5, then five dropped trials
  t.alg->Iterate();
  EXPECT_EQ(t.alg->PriceState, kPriceIterated);
  EXPECT_EQ(t.alg->Iterations, 20) << "dropped trials are not counted";
  EXPECT_EQ(t.alg->Retries - retries, 5 * kMaxTrialFailures);
  for (int s = 1; s <= 20; ++s) EXPECT_EQ(t.alg->PSet(s, 1), before[s - 1]);
}

TEST(PriceAlg, AbortsEndInTheDocumentedStates) {
  struct Row {
    const char* what;
    int abortInState; // abort at the first progress call in this state
    bool iterate;
    int expected;
  };
  const Row rows[] = {
      {"Initialise started", kPriceInitStarted, false, kPriceNotInitialised},
      {"creating the sets", kPriceCreatingSets, false, kPriceNotInitialised},
      {"sets evaluated", kPriceSetsEvaluated, false, kPriceInitialised},
      {"Iterate started", kPriceIterStarted, true, kPriceInitialised},
      {"iterating", kPriceIterating, true, kPriceIterated},
      {"iteration finished", kPriceIterFinished, true, kPriceIterated},
  };
  for (const Row& row : rows) {
    Search t({{CNM, 0, 10}});
    t.objective([&] { return t.value(CNM); });
    t.alg->NIterPSet = 1;
    std::vector<int> seen;
    t.alg->OnProgress = [&] {
      seen.push_back(t.alg->PriceState);
      return t.alg->PriceState == row.abortInState;
    };
    if (row.iterate) t.alg->Initialise();
    seen.clear();
    row.iterate ? t.alg->Iterate() : t.alg->Initialise();
    EXPECT_EQ(t.alg->PriceState, row.expected) << row.what;
    EXPECT_EQ(seen.back(), row.expected) << row.what << ": AbortRun reports the state it leaves";
  }
}

TEST(PriceAlg, NothingToFitAndRecountingDiscardThePopulation) {
  Search none({});
  int calls = 0;
  none.alg->OnProgress = [&] { return ++calls, false; };
  EXPECT_EQ(none.alg->NParms(), 0);
  none.alg->Initialise();
  EXPECT_EQ(none.alg->PriceState, kPriceNotInitialised);
  EXPECT_EQ(calls, 0);
  EXPECT_THROW(none.alg->Iterate(), std::logic_error);

  Search t({{CNM, 0, 10}, {DNF, 0, 1}});
  t.objective([&] { return t.value(CNM); });
  int notified = 0;
  t.alg->OnSetNParms = [&] { ++notified; };
  t.alg->NIterPSet = 1;
  t.alg->Initialise();
  t.alg->Iterate();
  t.alg->SetNParms(7);
  EXPECT_EQ(t.alg->PriceState, kPriceNotInitialised) << "even with the same parameters";
  EXPECT_EQ(t.alg->NParms(), 2);
  EXPECT_EQ(notified, 1);
  t.ws->parms[pH].fit = 1;
  t.alg->SetNParms();
  EXPECT_EQ(t.alg->NParms(), 3);
  EXPECT_EQ(t.alg->NSets(), 30);
  EXPECT_EQ(t.alg->ParmNr(1), pH) << "fitted parameters in table order";
}

TEST(PriceAlg, ConstantSumOfOrganicMatter) {
  // Which of oOM (38), yOM (41) and fOM (44) are fitted, beside CNM.
  struct Row {
    std::vector<int> om;
  };
  const Row rows[] = {{{38, 41, 44}}, {{38, 44}}, {{41, 44}}, {{38, 41}}, {{41}}};
  for (const Row& row : rows) {
    Search t({{CNM, 0, 20}});
    for (int nr : row.om) t.ws->parms[nr].fit = 1;
    t.alg->SetNParms();
    t.value(38) = 94000;
    t.value(41) = 8000;
    t.value(44) = 3000;
    double sum0 = 0;
    for (int nr : row.om) sum0 += t.value(nr);
    int checked = 0;
    t.objective([&] {
      double sum = 0;
      for (int nr : row.om) sum += t.value(nr);
      EXPECT_NEAR(sum, sum0, 0.05) << row.om.size() << " members, evaluation " << checked;
      if (row.om.size() == 1) {
        EXPECT_EQ(t.value(41), 8000) << "a lone member keeps its value";
      }
      ++checked;
      return std::fabs(t.value(CNM) - 8) + std::fabs(t.value(38) - 90000) / 1000;
    });
    t.alg->NIterPSet = 3;
    t.alg->Initialise();
    t.alg->Iterate();
    EXPECT_GT(checked, 0);
  }
}

TEST(PriceAlg, TrialBoundsOfTheOrganicMatterGroup) {
  // Live values o = 1000, y = 300, f = 200; ranges o [0, oUpper], y [100, 400],
  // f [50, 250]. Bounds are asked in table order, as the search does.
  struct Row {
    const char* what;
    std::vector<int> om; // fitted members
    float oUpper;
    std::vector<std::array<float, 2>> bounds; // expected [lo, up] per member
  };
  const Row rows[] = {
      {"all three: the sum 1500 less what the others can take",
       {38, 41, 44},
       5000,
       {{850, 1350}, {250, 400}, {200, 200}}},
      {"oOM and fOM", {38, 44}, 5000, {{950, 1150}, {200, 200}}},
      {"yOM and fOM", {41, 44}, 5000, {{250, 400}, {200, 200}}},
      {"oOM alone keeps its value", {38}, 5000, {{1000, 1000}}},
      {"a sum the ranges cannot reach: lo above up stands", {38, 44}, 900, {{950, 900}, {200, 200}}},
  };
  for (const Row& row : rows) {
    Search t({});
    t.ws->parms[38].upper = row.oUpper;
    t.ws->parms[41].lower = 100, t.ws->parms[41].upper = 400;
    t.ws->parms[44].lower = 50, t.ws->parms[44].upper = 250;
    for (int nr : row.om) t.ws->parms[nr].fit = 1;
    t.alg->SetNParms();
    t.alg->KeepOM = true;
    t.value(38) = 1000, t.value(41) = 300, t.value(44) = 200;
    for (std::size_t j = 1; j <= row.om.size(); ++j) {
      t.alg->TrialBounds(static_cast<int>(j));
      EXPECT_EQ(t.alg->TrialLo, row.bounds[j - 1][0]) << row.what << ", member " << j;
      EXPECT_EQ(t.alg->TrialUp, row.bounds[j - 1][1]) << row.what << ", member " << j;
    }
    t.alg->KeepOM = false;
    t.alg->TrialBounds(1);
    EXPECT_EQ(t.alg->TrialLo, t.ws->parms[row.om[0]].lower) << row.what << ": without KeepOM, the range";
  }
}

TEST(PriceAlg, CombinedTargetAndAutomaticWeights) {
  Search t({{CNM, 0, 10}});
  QTColumn qt{};
  qt[1] = 0.5f, qt[2] = -2, qt[3] = 4, qt[5] = 1;
  t.alg->Selected = {false, true, true, true, false, false, false, false, false, false};
  t.alg->Weight.fill(1);
  t.alg->Weight[3] = 0.5f;
  t.alg->AutoWeight.fill(1);
  t.alg->AutoWeight[1] = 10;
  struct Row {
    int type;
    bool autoWeigh;
    float expected;
  };
  const Row rows[] = {{kQTSum, false, 0.5f - 2 + 2},
                      {kQTCarrousel, false, 0.5f},
                      {kQTMax, false, 2},
                      {kQTSum, true, 5 - 2 + 2},
                      {kQTMax, true, 5}};
  for (const Row& r : rows) {
    t.alg->QTType = r.type;
    t.alg->AutoWeigh = r.autoWeigh;
    EXPECT_FLOAT_EQ(t.alg->Combine(qt), r.expected) << "type " << r.type << " auto " << r.autoWeigh;
  }
  QTColumn negative{};
  negative[1] = -1, negative[2] = -3;
  t.alg->QTType = kQTMax;
  EXPECT_EQ(t.alg->Combine(negative), 0.0f) << "the maximum starts from 0";

  // Initialise derives a weight per target from its mean over the sets.
  t.alg->QTType = kQTSum;
  t.alg->AutoWeigh = false;
  t.alg->OnQTFunction = [&](int s) {
    const float means[] = {0, 0.001f, 4, 500, 0.01f, -3, 100, 100.5f, 0, 0};
    for (int k = 1; k <= 9; ++k) t.alg->QT(k, s) = means[k];
    t.alg->CombineQT(s);
    return t.alg->QT(0, s);
  };
  t.alg->Initialise();
  const float expected[] = {0, 100, 0.25f, 0.01f, 100, 100, 0.01f, 0.01f, 100, 100};
  for (int k = 1; k <= 9; ++k) EXPECT_FLOAT_EQ(t.alg->AutoWeight[k], expected[k]) << "target " << k;
  EXPECT_FLOAT_EQ(t.alg->QTMax[0], 0.001f + 4 + 0.5f * 500) << "combined with the new weights";

  // New options between commands: the sets are combined anew.
  t.alg->AutoWeigh = true;
  t.alg->Recombine();
  EXPECT_FLOAT_EQ(t.alg->QTMax[0], 0.001f * 100 + 4 * 0.25f + 0.5f * 500 * 0.01f);
}

TEST(PriceAlg, CarrouselJudgesEachTrialByTheNextSelectedTarget) {
  Search t({{CNM, 0, 10}, {NDep, 0, 10}});
  t.alg->QTType = kQTCarrousel;
  t.alg->Selected = {false, false, true, false, false, true, false, false, false, false};
  t.alg->OnQTFunction = [&](int s) {
    t.alg->QT(2, s) = t.value(CNM);
    t.alg->QT(5, s) = t.value(NDep);
    t.alg->CombineQT(s);
    return t.alg->QT(0, s);
  };
  t.alg->Initialise();
  std::vector<int> turns;
  t.alg->OnCheckpoint = [&] {
    if (t.alg->PriceState == kPriceIterating) turns.push_back(t.alg->Turn);
  };
  t.abortWhen([](const TPriceAlg& a) { return a.Iterations == 4; });
  t.alg->Iterate();
  EXPECT_EQ(turns, (std::vector<int>{3, 6, 3, 6})) << "after target 2 the turn passes to 3, after 5 to 6";

  // With no target selected the combined target judges the trials.
  t.alg->Selected.fill(false);
  t.alg->NIterPSet = 1;
  t.alg->OnProgress = nullptr;
  t.alg->Iterate();
  EXPECT_EQ(t.alg->PriceState, kPriceIterated);
}

TEST(PriceAlg, ResumingFromASavedStateEndsInTheSameSets) {
  // Interrupt after k counted steps, restore the last saved state into a fresh
  // workspace and search, and finish: the sets are those of a run that was
  // never interrupted. Once while creating the sets, once while iterating.
  auto setup = [](Search& t) {
    t.value(38) = 94000, t.value(41) = 8000, t.value(44) = 3000;
    t.objective([&t] {
      return std::fabs(t.value(CNM) - 5) + std::fabs(t.value(DNF) - 0.4) +
             std::fabs(t.value(38) - 90000) / 1e4;
    });
    t.alg->NIterPSet = 5;
    t.alg->KeepOM = true;
  };
  const std::initializer_list<Range> fitted = {{CNM, 0, 20}, {DNF, 0, 2}, {38, 0, 200000}, {44, 0, 20000}};
  Search whole(fitted, 31337);
  setup(whole);
  whole.alg->Initialise();
  whole.alg->Iterate();
  PriceGrid g;
  g.Reset(*whole.alg);
  const std::string expected = PriceSetsText(*whole.alg, g);

  for (int stopAt : {7, 57}) {
    Search first(fitted, 31337);
    setup(first);
    std::string saved;
    first.alg->OnCheckpoint = [&] { saved = PriceStateText(*first.alg); };
    int steps = 0;
    first.alg->OnProgress = [&] {
      return (first.alg->PriceState == kPriceCreatingSets || first.alg->PriceState == kPriceIterating) &&
             ++steps == stopAt;
    };
    first.alg->Initialise();
    if (first.alg->PriceState == kPriceInitialised) first.alg->Iterate();
    ASSERT_FALSE(saved.empty());

    Search second(fitted, 1); // another seed: the state brings its own
    setup(second);
    second.value(38) = 1; // and another live value
    LoadPriceStateText(*second.alg, saved, "state");
    second.alg->Resume();
    if (second.alg->PriceState == kPriceInitialised) second.alg->Iterate();
    ASSERT_EQ(second.alg->PriceState, kPriceIterated) << "stopped at " << stopAt;
    PriceGrid g2;
    g2.Reset(*second.alg);
    EXPECT_EQ(PriceSetsText(*second.alg, g2), expected) << "stopped at " << stopAt;
    EXPECT_EQ(second.alg->Iterations, whole.alg->Iterations);
    EXPECT_EQ(second.alg->Runs, whole.alg->Runs);
  }
}

TEST(PriceAlg, TheSameSeedGivesTheSameSets) {
  std::string text[2];
  for (std::string& out : text) {
    Search t({{CNM, 0, 20}, {NDep, 0, 100}, {pH, 4, 8}}, 2024);
    t.objective([&] { return std::fabs(t.value(CNM) - 5) + std::fabs(t.value(NDep) - 40) / 10; });
    t.alg->NIterPSet = 2;
    t.alg->Initialise();
    t.alg->Iterate();
    PriceGrid g;
    g.SortBy(*t.alg, PriceGrid::CombinedColumn(*t.alg));
    out = PriceSetsText(*t.alg, g);
  }
  EXPECT_EQ(text[0], text[1]);
  EXPECT_NE(text[0].find("Kelmar 430 PSet File\r\n"), std::string::npos);
}
