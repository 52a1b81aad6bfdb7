// MultiRun of the example scenario over the measured weather years of one
// site, with one and with two worker threads: the cost of a batch and what
// the second job buys.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <unistd.h>

#include "Workspace.h"
#include "optim/MultiRun.h"
#include "session/Companions.h"

using namespace kelmar;

static void BM_MultiRunWeatherYears(benchmark::State& state) {
  const std::string scenario = std::string(KELMAR_EXAMPLES) + "/SANDY6.DAT";
  const std::string sum =
      (std::filesystem::temp_directory_path() / ("kelmar_bench_mr_" + std::to_string(::getpid()) + ".SUM"))
          .string();
  auto ws = MakeWorkspace();
  if (!LoadScenarioWithCompanions(*ws, scenario).ok()) {
    state.SkipWithError("the example scenario does not load");
    return;
  }
  MultiRunOptions opt;
  opt.EnviDir = std::string(KELMAR_WEATHER) + "/wageningen/montecarlo/";
  MultiRunJob job;
  job.Mode = kRunAllEnvironments;
  job.SumFile = sum;
  job.Jobs = static_cast<int32_t>(state.range(0));
  int64_t runs = 0;
  for (auto _ : state) {
    MultiRunResult r = RunMultiRun(*ws, job, opt, {});
    runs += r.status.DoneRuns;
    benchmark::DoNotOptimize(r.LineRuns.data());
  }
  state.counters["runs/s"] = benchmark::Counter(static_cast<double>(runs), benchmark::Counter::kIsRate);
  std::filesystem::remove(sum);
}
BENCHMARK(BM_MultiRunWeatherYears)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
