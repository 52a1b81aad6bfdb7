#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include "Workspace.h"
#include "optim/Sensitivity.h"
#include "report/Summary.h"
#include "session/Companions.h"

using namespace kelmar;

namespace {

using Fn = std::function<void(std::span<const double>, std::span<double>)>;

EvaluatorFactory Plain(Fn f) {
  return [f] { return SensitivityEvaluator(f); };
}

std::vector<SensitivityFactor> Factors(int k, double lo, double hi) {
  std::vector<SensitivityFactor> f;
  for (int i = 0; i < k; ++i) f.push_back({"x" + std::to_string(i + 1), lo, hi, 0});
  return f;
}

const SensitivityEntry& Find(const SensitivityResult& r, int factor, int output = 0) {
  for (const SensitivityEntry& e : r.entries)
    if (e.factor == factor && e.output == output) return e;
  throw std::logic_error("no entry");
}

SensitivitySettings Sobol(int n, uint32_t seed = 7) {
  SensitivitySettings s;
  s.method = SensitivityMethod::Sobol;
  s.samples = n;
  s.seed = seed;
  return s;
}

SensitivitySettings Morris(int r, int p = 4, uint32_t seed = 7) {
  SensitivitySettings s;
  s.method = SensitivityMethod::Morris;
  s.trajectories = r;
  s.levels = p;
  s.seed = seed;
  return s;
}

// y = sin x1 + 7 sin^2 x2 + 0.1 x3^4 sin x1 over [-pi, pi]^3.
void Ishigami(std::span<const double> x, std::span<double> y) {
  y[0] = std::sin(x[0]) + 7 * std::pow(std::sin(x[1]), 2) + 0.1 * std::pow(x[2], 4) * std::sin(x[0]);
}

const std::vector<double> kGa{0, 1, 4.5, 9, 99, 99};
void SobolG(std::span<const double> x, std::span<double> y) {
  double p = 1;
  for (std::size_t i = 0; i < kGa.size(); ++i) p *= (std::abs(4 * x[i] - 2) + kGa[i]) / (1 + kGa[i]);
  y[0] = p;
}

struct Analytic {
  std::vector<double> s1, st;
};

Analytic GAnalytic() {
  std::vector<double> vi;
  double prod = 1;
  for (double a : kGa) {
    vi.push_back(1.0 / (3 * (1 + a) * (1 + a)));
    prod *= 1 + vi.back();
  }
  const double v = prod - 1;
  Analytic r;
  for (double x : vi) {
    r.s1.push_back(x / v);
    r.st.push_back(x * prod / (1 + x) / v);
  }
  return r;
}

// The estimates of the test functions with known indices agree with them
// within their confidence intervals.
TEST(Sensitivity, SobolIndicesOfTestFunctionsLieWithinTheirIntervals) {
  const double pi = std::numbers::pi;
  const Analytic ishigami{{0.3139, 0.4424, 0.0}, {0.5576, 0.4424, 0.2437}};
  struct Case {
    const char* name;
    Fn f;
    std::vector<SensitivityFactor> factors;
    Analytic want;
  } cases[] = {
      {"Ishigami", Ishigami, Factors(3, -pi, pi), ishigami},
      {"Sobol G", SobolG, Factors(6, 0, 1), GAnalytic()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const SensitivityResult r = RunSensitivity(c.factors, 1, Sobol(2048), Plain(c.f));
    ASSERT_FALSE(r.aborted);
    EXPECT_EQ(r.runs, 2048L * (static_cast<long>(c.factors.size()) + 2));
    EXPECT_EQ(r.failedRuns, 0);
    for (std::size_t i = 0; i < c.factors.size(); ++i) {
      SCOPED_TRACE(i);
      const SensitivityEntry& e = Find(r, static_cast<int>(i));
      EXPECT_EQ(e.used, 2048);
      EXPECT_GT(e.stConf, 0.0);
      EXPECT_LT(e.stConf, 0.1);
      EXPECT_NEAR(e.s1, c.want.s1[i], e.s1Conf + 1e-9);
      EXPECT_NEAR(e.st, c.want.st[i], e.stConf + 1e-9);
    }
  }
}

// A factor the function ignores gets exactly zero by either method; a linear
// function's elementary effects are its slopes times the ranges, without spread.
TEST(Sensitivity, IgnoredFactorsAreZeroAndLinearEffectsExact) {
  auto linear = [](std::span<const double> x, std::span<double> y) {
    y[0] = 3 * x[0] - 2 * x[1];
    y[1] = x[0] * x[1];
  };
  std::vector<SensitivityFactor> f = Factors(3, 0, 2);
  const SensitivityResult m = RunSensitivity(f, 2, Morris(10), Plain(linear));
  EXPECT_DOUBLE_EQ(Find(m, 0).mu, 6.0);
  EXPECT_DOUBLE_EQ(Find(m, 0).muStar, 6.0);
  EXPECT_NEAR(Find(m, 0).sigma, 0.0, 1e-12);
  EXPECT_DOUBLE_EQ(Find(m, 1).mu, -4.0);
  EXPECT_DOUBLE_EQ(Find(m, 1).muStar, 4.0);
  EXPECT_EQ(Find(m, 0).used, 10);
  for (int o = 0; o < 2; ++o) {
    EXPECT_EQ(Find(m, 2, o).muStar, 0.0);
    EXPECT_EQ(Find(m, 2, o).sigma, 0.0);
  }
  // Ranked within each output: x1 before x2 before the ignored x3.
  EXPECT_EQ(m.entries[0].factor, 0);
  EXPECT_EQ(m.entries[2].factor, 2);

  const SensitivityResult s = RunSensitivity(f, 2, Sobol(256), Plain(linear));
  for (int o = 0; o < 2; ++o) {
    EXPECT_EQ(Find(s, 2, o).s1, 0.0);
    EXPECT_EQ(Find(s, 2, o).st, 0.0);
    EXPECT_EQ(Find(s, 2, o).stConf, 0.0);
  }
  // Additive: first-order and total indices coincide.
  EXPECT_NEAR(Find(s, 0).s1, 9.0 / 13, Find(s, 0).s1Conf);
  EXPECT_NEAR(Find(s, 0).st, 9.0 / 13, Find(s, 0).stConf);
}

// The design is made before any run and the runs land in their own slots:
// any number of workers gives identical numbers, the seed fixes them.
TEST(Sensitivity, ResultsIndependentOfJobsAndFixedBySeed) {
  for (SensitivitySettings s : {Morris(12, 6), Sobol(128)}) {
    SCOPED_TRACE(MethodName(s.method));
    const double pi = std::numbers::pi;
    auto run = [&](int jobs, uint32_t seed) {
      s.jobs = jobs;
      s.seed = seed;
      return RunSensitivity(Factors(3, -pi, pi), 1, s, Plain(Ishigami));
    };
    const SensitivityResult one = run(1, 3), two = run(2, 3), four = run(4, 3), other = run(1, 4);
    ASSERT_EQ(one.entries.size(), 3u);
    for (const SensitivityResult* r : {&two, &four}) {
      ASSERT_EQ(r->entries.size(), one.entries.size());
      for (std::size_t i = 0; i < one.entries.size(); ++i) {
        EXPECT_EQ(r->entries[i].factor, one.entries[i].factor);
        EXPECT_EQ(r->entries[i].muStar, one.entries[i].muStar);
        EXPECT_EQ(r->entries[i].muStarConf, one.entries[i].muStarConf);
        EXPECT_EQ(r->entries[i].st, one.entries[i].st);
        EXPECT_EQ(r->entries[i].s1Conf, one.entries[i].s1Conf);
      }
    }
    const std::vector<SensitivityFactor> f = Factors(3, -pi, pi);
    EXPECT_EQ(SensitivityCsv(one, f, {"y"}), SensitivityCsv(run(1, 3), f, {"y"}));
    EXPECT_NE(SensitivityCsv(one, f, {"y"}), SensitivityCsv(other, f, {"y"}));
  }
}

// Morris trajectories stay on the grid and move one factor at a time by delta.
TEST(Sensitivity, MorrisTrajectoriesStepOneFactorByDelta) {
  for (int p : {2, 4, 8}) {
    SensitivitySettings s = Morris(15, p);
    const int k = 5;
    const std::vector<double> x = SensitivityDesign(s, k);
    ASSERT_EQ(x.size(), 15u * (k + 1) * k);
    const double delta = p / (2.0 * (p - 1));
    for (int t = 0; t < 15; ++t) {
      std::vector<int> moved(k, 0);
      for (int j = 0; j < k; ++j) {
        const double* a = &x[(t * (k + 1) + j) * k];
        const double* b = a + k;
        int changed = 0;
        for (int i = 0; i < k; ++i) {
          EXPECT_GE(b[i], 0.0);
          EXPECT_LE(b[i], 1.0);
          const double level = b[i] * (p - 1);
          EXPECT_NEAR(level, std::round(level), 1e-9);
          if (a[i] != b[i]) {
            ++changed;
            ++moved[i];
            EXPECT_NEAR(std::abs(b[i] - a[i]), delta, 1e-12);
          }
        }
        EXPECT_EQ(changed, 1);
      }
      for (int i = 0; i < k; ++i) EXPECT_EQ(moved[i], 1);
    }
  }
}

// Failed runs are counted, reported and left out of the estimates, which say
// on how many effects or samples they rest.
TEST(Sensitivity, FailedRunsAreCountedAndLeftOut) {
  auto failing = [](std::span<const double> x, std::span<double> y) {
    if (x[0] > 0.8) throw std::runtime_error("no convergence");
    y[0] = x[0] + (x[1] > 0.9 ? std::nan("") : x[1]);
  };
  for (SensitivitySettings s : {Morris(20), Sobol(256)}) {
    SCOPED_TRACE(MethodName(s.method));
    s.jobs = 2;
    const SensitivityResult r = RunSensitivity(Factors(2, 0, 1), 1, s, Plain(failing));
    EXPECT_FALSE(r.aborted);
    EXPECT_EQ(r.done, r.runs);
    EXPECT_GT(r.failedRuns, 0);
    ASSERT_FALSE(r.failures.empty());
    EXPECT_LE(r.failures.size(), 10u);
    const bool threw = r.failures[0].message == "no convergence",
               nan = r.failures[0].message == "an output is not a number";
    EXPECT_TRUE(threw || nan) << r.failures[0].message;
    const int full = s.method == SensitivityMethod::Morris ? 20 : 256;
    for (const SensitivityEntry& e : r.entries) {
      EXPECT_LT(e.used, full);
      EXPECT_GT(e.used, 0);
      EXPECT_TRUE(std::isfinite(e.importance()));
    }
    EXPECT_NE(SensitivitySummaryLine(r).find("failed"), std::string::npos);
  }
  // Every run failed: no estimate is made up; the CSV leaves the measures empty.
  auto never = [](std::span<const double>, std::span<double>) { throw std::runtime_error("fault"); };
  const SensitivityResult none = RunSensitivity(Factors(1, 0, 1), 1, Morris(3), Plain(never));
  EXPECT_EQ(none.failedRuns, 6);
  EXPECT_EQ(none.entries.at(0).used, 0);
  EXPECT_TRUE(std::isnan(none.entries[0].muStar));
  EXPECT_EQ(SensitivityCsv(none, Factors(1, 0, 1), {"y"}),
            "parameter,output,mu_star,mu_star_conf,mu,sigma,effects\nx1,y,,,,,0\n");
}

TEST(Sensitivity, AbortStopsWithoutEstimatesAndProgressReachesTheEnd) {
  for (int jobs : {1, 2}) {
    std::atomic<bool> abort{false};
    long last = -1, total = 0;
    SensitivityCallbacks cb;
    cb.Abort = &abort;
    cb.OnProgress = [&](long done, long n) {
      last = done;
      total = n;
      if (done >= 10) abort = true;
    };
    SensitivitySettings s = Sobol(1024);
    s.jobs = jobs;
    auto slow = [](std::span<const double> x, std::span<double> y) {
      std::this_thread::sleep_for(std::chrono::microseconds(200));
      y[0] = x[0];
    };
    const SensitivityResult r = RunSensitivity(Factors(2, 0, 1), 1, s, Plain(slow), cb);
    EXPECT_TRUE(r.aborted);
    EXPECT_LT(r.done, r.runs);
    EXPECT_TRUE(r.entries.empty());
    EXPECT_EQ(total, r.runs);

    abort = false;
    cb.OnProgress = [&](long done, long) { last = done; };
    const SensitivityResult full = RunSensitivity(Factors(2, 0, 1), 1, Morris(4), Plain(slow), cb);
    EXPECT_FALSE(full.aborted);
    EXPECT_EQ(last, full.runs);
  }
}

TEST(Sensitivity, SettingsAreChecked) {
  struct Case {
    SensitivitySettings s;
    int k;
    const char* what;
  };
  SensitivitySettings odd = Morris(10, 3), fewR = Morris(1), fewN = Sobol(1), noJobs = Morris(10);
  noJobs.jobs = 0;
  for (const Case& c : {Case{odd, 3, "levels"}, Case{fewR, 3, "trajectories"}, Case{fewN, 3, "samples"},
                        Case{noJobs, 3, "jobs"}, Case{Morris(10), 0, "no parameters"},
                        Case{Sobol(1 << 20), 51, "too many runs"}}) {
    try {
      CheckSettings(c.s, c.k);
      ADD_FAILURE() << c.what;
    } catch (const std::invalid_argument& e) {
      EXPECT_NE(std::string(e.what()).find(c.what), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(SensitivityRuns(Morris(20), 51), 1040);
  EXPECT_EQ(SensitivityRuns(Sobol(1024), 10), 12288);
}

TEST(Sensitivity, SummaryOutputsByNameOrNumber) {
  const std::vector<SensitivityOutput> o = ParseSummaryOutputs(" nleach, 34 ,NLEACH,1");
  ASSERT_EQ(o.size(), 3u);
  EXPECT_EQ(o[0].name(), "NLeach");
  EXPECT_EQ(o[1].name(), "NAVG");
  EXPECT_EQ(o[2].name(), "Ini");
  for (const char* bad : {"NLeach,Foo", "77", "0"})
    EXPECT_THROW(ParseSummaryOutputs(bad), std::invalid_argument) << bad;
  std::array<bool, 10> sel{};
  sel[1] = sel[5] = true;
  const std::vector<SensitivityOutput> t = TargetOutputs(sel);
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t[1].name(), "QT5");
}

TEST(Sensitivity, CsvIsRankedOverAllOutputs) {
  SensitivityResult r;
  r.method = SensitivityMethod::Sobol;
  r.entries = {{0, 0, 0, 0, 0, 0, 0.1, 0.01, 0.2, 0.02, 64},
               {1, 0, 0, 0, 0, 0, 0.5, 0.01, 0.6, 0.03, 64},
               {0, 1, 0, 0, 0, 0, 0.3, 0.01, 0.4, 0.02, 60}};
  const std::string csv = SensitivityCsv(r, Factors(2, 0, 1), {"NLeach", "a,b"});
  EXPECT_EQ(csv, "parameter,output,ST,ST_conf,S1,S1_conf,samples\n"
                 "x2,NLeach,0.6,0.03,0.5,0.01,64\n"
                 "x1,\"a,b\",0.4,0.02,0.3,0.01,60\n"
                 "x1,NLeach,0.2,0.02,0.1,0.01,64\n");
}

// The example with no old organic matter in its subsoil (oOM2 = 0): the N
// content and age of that pool are marked but never used by the run; they
// get no effect on any output, while the parameters the run depends on do.
TEST(Sensitivity, ExampleScenarioUnusedParameterHasNoEffect) {
  auto ws = MakeWorkspace();
  ws->state.ShowMessages = false;
  ASSERT_TRUE(LoadScenarioWithCompanions(*ws, std::string(KELMAR_EXAMPLES) + "/SANDY6.DAT").ok());
  // Every parameter but oOM2, 10 % either side of its value (the default
  // ranges reach values no soil has, where runs fail).
  int unusedOne = 0, unusedTwo = 0;
  for (int i = 1; i <= ParmTable::size(); ++i) {
    AutoParm& p = ws->parms[i];
    const float v = ws->parms.value(ws->scenario, i);
    if (p.name == "oOM2") {
      ws->parms.value(ws->scenario, i) = 0;
      continue;
    }
    p.fit = 1;
    p.lower = v > 0 ? 0.9f * v : 0;
    p.upper = v > 0 ? 1.1f * v : 1;
  }
  const std::vector<SensitivityFactor> f = MarkedFactors(*ws);
  ASSERT_EQ(f.size(), 50u);
  for (int i = 0; i < 50; ++i) {
    if (f[i].name == "oNc2") unusedOne = i;
    if (f[i].name == "oAge2") unusedTwo = i;
  }
  std::vector<SensitivityOutput> outputs = ParseSummaryOutputs("NLeach,NOUT,FinOM2,FinON2,SNM2");
  std::array<bool, 10> sel{};
  sel[1] = sel[2] = true;
  for (const SensitivityOutput& t : TargetOutputs(sel)) outputs.push_back(t);
  const int m = static_cast<int>(outputs.size());
  for (SensitivitySettings s : {Morris(3), Sobol(16)}) {
    SCOPED_TRACE(MethodName(s.method));
    s.jobs = 2;
    const SensitivityResult r = RunSensitivity(f, m, s, ModelEvaluators(*ws, f, outputs));
    ASSERT_FALSE(r.aborted);
    EXPECT_EQ(r.failedRuns, 0);
    std::vector<double> total(50, 0.0);
    for (const SensitivityEntry& e : r.entries) total[e.factor] += e.muStar + e.st + std::abs(e.s1);
    EXPECT_EQ(total[unusedOne], 0.0);
    EXPECT_EQ(total[unusedTwo], 0.0);
    EXPECT_GT(std::count_if(total.begin(), total.end(), [](double t) { return t > 0; }), 30);
  }
  // The workspace the runs started from is left as it was.
  EXPECT_EQ(MarkedFactors(*ws).size(), 50u);
}

} // namespace
