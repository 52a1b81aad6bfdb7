// Speed of a model run. The decomposition of the organic-matter batches
// dominates a run: about 220 trajectories of up to 521 weeks, each step one
// pow. BM_PowFloor does just those pow calls and float stores; the worst-case
// run reports its time as a ratio to that floor ("vs_pow_floor").
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <vector>

#include "Workspace.h"
#include "model/Driver.h"
#include "session/Companions.h"

using namespace kelmar;

namespace {

std::unique_ptr<Workspace> Example() {
  auto ws = MakeWorkspace();
  LoadOutcome r = LoadScenarioWithCompanions(*ws, KELMAR_EXAMPLES "/SANDY6.DAT");
  if (!r.ok()) throw std::runtime_error(r.message);
  return ws;
}

// 40 crops and 100 applications over 520 weeks, all taken from the example.
std::unique_ptr<Workspace> WorstCase() {
  auto ws = Example();
  Scenario& s = ws->scenario;
  const int crops = s.CropCount, appls = s.ApplCount;
  s.Weeks = 520;
  for (int i = 1; i <= kMaxCrops; ++i) {
    Crop c = s.Crops[1 + (i - 1) % crops];
    c.YEAR = 1 + (i - 1) / 4;
    s.Crops[i] = c;
  }
  s.CropCount = kMaxCrops;
  for (int i = 4; i <= kMaxAppls; ++i) {
    Application a = s.Appls[4 + (i - 4) % (appls - 3)];
    a.YR = 1 + (i - 4) / 10;
    s.Appls[i] = a;
  }
  s.ApplCount = kMaxAppls;
  RunModel(*ws);
  return ws;
}

// The floor: one pow and a few float stores per trajectory week, for as many
// trajectory weeks as the worst-case run decomposes.
double PowFloorOnce(std::vector<float>& out, int batches, int weeks) {
  double sink = 0;
  for (int b = 0; b < batches; ++b) {
    double age = 0.4 + 0.01 * b;
    const int len = weeks - (b * weeks) / (2 * batches); // batches start through the run
    for (int j = 0; j < len; ++j) {
      age += 0.01;
      double rate = 2.82 * std::pow(age, -1.6);
      out[j] = static_cast<float>(rate);
      sink += out[j];
    }
  }
  return sink;
}

constexpr int kBatches = 220;
constexpr int kTrajectoryWeeks = 521;

void BM_RunExample(benchmark::State& state) {
  auto ws = Example();
  for (auto _ : state) {
    RunModel(*ws);
    benchmark::DoNotOptimize(ws->weeks[ws->scenario.Weeks].cNout);
  }
}
BENCHMARK(BM_RunExample)->Unit(benchmark::kMillisecond);

void BM_PowFloor(benchmark::State& state) {
  std::vector<float> out(kTrajectoryWeeks);
  for (auto _ : state) benchmark::DoNotOptimize(PowFloorOnce(out, kBatches, kTrajectoryWeeks));
}
BENCHMARK(BM_PowFloor)->Unit(benchmark::kMillisecond);

void BM_RunWorstCase(benchmark::State& state) {
  auto ws = WorstCase();
  // Time the floor in the same process so the ratio compares like with like.
  std::vector<float> out(kTrajectoryWeeks);
  auto t0 = std::chrono::steady_clock::now();
  const int floorReps = 20;
  for (int i = 0; i < floorReps; ++i) benchmark::DoNotOptimize(PowFloorOnce(out, kBatches, kTrajectoryWeeks));
  double floorSec = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() / floorReps;

  double runSec = 0;
  long runs = 0;
  for (auto _ : state) {
    auto t = std::chrono::steady_clock::now();
    RunModel(*ws);
    runSec += std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
    ++runs;
    benchmark::DoNotOptimize(ws->weeks[ws->scenario.Weeks].cNout);
  }
  state.counters["pow_floor_ms"] = floorSec * 1e3;
  state.counters["vs_pow_floor"] = runs ? (runSec / runs) / floorSec : 0;
}
BENCHMARK(BM_RunWorstCase)->Unit(benchmark::kMillisecond);

} // namespace
