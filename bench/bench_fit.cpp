// Speed of a whole calibration of the bundled example: Initialise and Iterate
// with the default options (6 trials per set, Ftol 0.001), 5 and 10 fitted
// parameters (50 and 100 sets). Every run is a full model run over the
// example's 312 weeks, so the time per run should match the model benchmark.
#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>

#include "Workspace.h"
#include "optim/PriceAlg.h"
#include "optim/Targets.h"
#include "session/Companions.h"

using namespace kelmar;

namespace {

struct Fitted {
  int nr;
  float lower, upper;
};

// Parameters the measurements of the example respond to, with ranges in
// which the model stays well defined.
constexpr Fitted kParms[] = {
    {4, 5, 15},      // CNM
    {24, 0.5f, 2},   // NLF1
    {35, 0.5f, 2},   // NLF2
    {9, 0.1f, 0.6f}, // DNF
    {23, 0.5f, 2},   // Text1
    {6, 20, 50},     // NDep
    {8, 10, 40},     // DN0
    {40, 15, 35},    // oAge
    {5, 0.3f, 0.7f}, // ADM
    {18, 10, 50},    // NMin1
};

std::unique_ptr<Workspace> Example(int nParms) {
  auto ws = MakeWorkspace();
  LoadOutcome r = LoadScenarioWithCompanions(*ws, KELMAR_EXAMPLES "/SANDY6.DAT");
  if (!r.ok()) throw std::runtime_error(r.message);
  for (int i = 1; i <= ParmTable::size(); ++i) ws->parms[i].fit = 0;
  for (int j = 0; j < nParms; ++j) {
    AutoParm& p = ws->parms[kParms[j].nr];
    p.fit = 1;
    p.lower = kParms[j].lower;
    p.upper = kParms[j].upper;
  }
  return ws;
}

void BM_Calibration(benchmark::State& state) {
  const int nParms = static_cast<int>(state.range(0));
  const auto loaded = Example(nParms);
  auto ws = MakeWorkspace();
  int64_t runs = 0, trials = 0;
  for (auto _ : state) {
    state.PauseTiming();
    *ws = *loaded; // every calibration starts from the scenario as loaded
    TPriceAlg alg(*ws);
    ConnectModel(alg, *ws);
    alg.SetOptions(PriceOptions());
    alg.Rng.seed(12345);
    if (!CheckFitStart(alg, *ws).empty()) throw std::runtime_error("the example cannot be fitted");
    state.ResumeTiming();
    alg.Initialise();
    alg.Iterate();
    benchmark::DoNotOptimize(alg.QTMin[0]);
    runs += alg.Runs;
    trials += alg.Iterations;
  }
  state.counters["runs"] = benchmark::Counter(static_cast<double>(runs), benchmark::Counter::kAvgIterations);
  state.counters["trials"] =
      benchmark::Counter(static_cast<double>(trials), benchmark::Counter::kAvgIterations);
  state.counters["runs_per_s"] = benchmark::Counter(static_cast<double>(runs), benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(BM_Calibration)->Arg(5)->Arg(10)->Unit(benchmark::kMillisecond);
