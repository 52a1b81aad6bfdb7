// Sensitivity analyses of the example scenario with two worker threads:
// Morris with 20 trajectories over all 51 parameters (1,040 runs) and Sobol
// with 1,024 base samples over 10 parameters (12,288 runs). Ranges are 10 %
// either side of the example's values, where every run succeeds.
#include <benchmark/benchmark.h>

#include "Workspace.h"
#include "optim/Sensitivity.h"
#include "session/Companions.h"

using namespace kelmar;

namespace {

bool Setup(Workspace& ws, int parameters) {
  if (!LoadScenarioWithCompanions(ws, std::string(KELMAR_EXAMPLES) + "/SANDY6.DAT").ok()) return false;
  for (int i = 1; i <= ParmTable::size(); ++i) {
    AutoParm& p = ws.parms[i];
    const float v = ws.parms.value(ws.scenario, i);
    p.fit = i <= parameters ? 1 : 0;
    p.lower = v > 0 ? 0.9f * v : 0;
    p.upper = v > 0 ? 1.1f * v : 1;
  }
  return true;
}

void Run(benchmark::State& state, SensitivitySettings s, int parameters) {
  auto ws = MakeWorkspace();
  if (!Setup(*ws, parameters)) {
    state.SkipWithError("the example scenario does not load");
    return;
  }
  const std::vector<SensitivityFactor> f = MarkedFactors(*ws);
  std::vector<SensitivityOutput> outputs = ParseSummaryOutputs("NLeach,NOUT,NAVG,FinOM");
  std::array<bool, 10> sel{};
  for (int k = 1; k <= 5; ++k) sel[k] = true;
  for (const SensitivityOutput& t : TargetOutputs(sel)) outputs.push_back(t);
  s.jobs = static_cast<int32_t>(state.range(0));
  long runs = 0, failed = 0;
  for (auto _ : state) {
    const SensitivityResult r =
        RunSensitivity(f, static_cast<int>(outputs.size()), s, ModelEvaluators(*ws, f, outputs));
    runs += r.done;
    failed += r.failedRuns;
    benchmark::DoNotOptimize(r.entries.data());
  }
  state.counters["runs/s"] = benchmark::Counter(static_cast<double>(runs), benchmark::Counter::kIsRate);
  state.counters["failed"] = static_cast<double>(failed);
}

void BM_SensitivityMorris51(benchmark::State& state) {
  SensitivitySettings s;
  s.method = SensitivityMethod::Morris;
  s.trajectories = 20;
  Run(state, s, 51);
}

void BM_SensitivitySobol10(benchmark::State& state) {
  SensitivitySettings s;
  s.method = SensitivityMethod::Sobol;
  s.samples = 1024;
  Run(state, s, 10);
}

} // namespace

BENCHMARK(BM_SensitivityMorris51)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_SensitivitySobol10)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
