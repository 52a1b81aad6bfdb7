#include "model/Driver.h"

#include <cfenv>
#include <cmath>
#include <utility>

#include "Workspace.h"
#include "model/Processes.h"
#include "model/Weeks.h"

namespace kelmar {

namespace {

constexpr int kFaultFlags = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;

// Turns the floating-point status flags raised by a step into an exception.
void CheckFlags(const char* step) {
  int raised = std::fetestexcept(kFaultFlags);
  if (raised == 0) return;
  std::feclearexcept(FE_ALL_EXCEPT);
  if (raised & FE_INVALID) throw FloatingPointFault("Invalid floating point operation", step);
  if (raised & FE_DIVBYZERO) throw FloatingPointFault("Floating point division by zero", step);
  throw FloatingPointFault("Floating point overflow", step);
}

// A value stored as infinity or NaN without raising a flag (for example copied
// from an input) is a fault too; results never leave a run non-finite.
void CheckRecords(const Workspace& ws) {
  const int last = ws.scenario.Weeks + 1;
  for (int r = 0; r <= last; ++r)
    for (const WeekField& f : kWeekFields)
      if (!std::isfinite(ws.weeks[r].*f.member))
        throw FloatingPointFault("Invalid floating point operation", std::string(f.name));
}

template <typename Key> void SelectionSort(int first, int last, Key key, auto swapRecords) {
  for (int i = first; i < last; ++i) {
    int best = i;
    for (int j = i + 1; j <= last; ++j)
      if (key(j) < key(best)) best = j; // the earlier record wins a tie
    if (best != i) swapRecords(i, best);
  }
}

// Years outside 1..520 count as year 1, and are stored so.
void NormaliseYears(Scenario& s) {
  if (s.Year < 1 || s.Year > 520) s.Year = 1;
  for (int i = 1; i <= s.CropCount; ++i)
    if (s.Crops[i].YEAR < 1 || s.Crops[i].YEAR > 520) s.Crops[i].YEAR = 1;
  for (int i = 1; i <= s.ApplCount; ++i)
    if (s.Appls[i].YR < 1 || s.Appls[i].YR > 520) s.Appls[i].YR = 1;
}

} // namespace

void SortCrops(Workspace& ws) {
  Scenario& s = ws.scenario;
  SelectionSort(
      1, s.CropCount, [&](int i) { return AbsWeek(s.Crops[i].YEAR, s.Crops[i].WEEK1); },
      [&](int i, int j) { std::swap(s.Crops[i], s.Crops[j]); });
}

void SortApplications(Workspace& ws) {
  Scenario& s = ws.scenario;
  if (s.ApplCount <= 4) return;
  SelectionSort(
      4, s.ApplCount, [&](int i) { return AbsWeek(s.Appls[i].YR, s.Appls[i].WK); },
      [&](int i, int j) { std::swap(s.Appls[i], s.Appls[j]); });
}

void RunModel(Workspace& ws) {
  Scenario& s = ws.scenario;
  RunState& run = ws.run;
  run.calculated = false;
  std::feclearexcept(FE_ALL_EXCEPT);

  NormaliseYears(s);
  SortCrops(ws);
  model::ComputeCropWork(ws);
  CheckFlags("crop dry matter and N");

  run.RunStart = AbsWeek(s.Year, s.Week);
  if (s.Weeks < 1) s.Weeks = 1;
  if (s.Weeks > kMaxWeeks) s.Weeks = kMaxWeeks; // the week records end at 521
  run.RunEnd = run.RunStart + s.Weeks - 1;
  model::InitWaterConstants(ws);
  CheckFlags("initial water");
  model::InitSoilFactors(ws);
  model::InitDeposition(ws);
  CheckFlags("soil factors");

  SortApplications(ws);
  model::GroundWater(ws);
  CheckFlags("ground water");
  model::CropCover(ws);
  CheckFlags("crop cover");
  model::WaterBalance(ws);
  CheckFlags("water balance");
  model::TopsoilOrganicMatter(ws);
  CheckFlags("topsoil organic matter");
  model::SubsoilOrganicMatter(ws);
  CheckFlags("subsoil organic matter");
  model::CropNitrogenDemand(ws);
  CheckFlags("crop N demand");
  model::MineralNitrogen(ws);
  CheckFlags("mineral N balance");
  model::CropPeriods(ws);
  CheckFlags("crop periods");
  CheckRecords(ws);
  run.calculated = true;
}

void RepeatRun(Workspace& ws) {
  Scenario& s = ws.scenario;
  RunState& run = ws.run;
  if (ws.options.has(kOpt2KeepTotalIOM)) {
    double total = static_cast<double>(s.Appls[1].QUANT) + s.Appls[2].QUANT + s.Appls[3].QUANT;
    run.EndPools[kOldPool].amount =
        static_cast<float>(total - run.EndPools[kYoungPool].amount - run.EndPools[kFreshPool].amount);
  }
  const WeekRecord& last = ws.weeks[s.Weeks];
  s.Soil[0].IFi = last.Fi1;
  s.Soil[0].NMIN = last.N1;
  s.Soil[1].IFi = last.Fi2;
  s.Soil[1].NMIN = last.N2;
  for (int k = 0; k < 3; ++k) {
    Application& a = s.Appls[k + 1];
    const EndPool& p = run.EndPools[k];
    a.QUANT = p.amount;
    a.DMpct = 100;
    a.OMpctdm = 100;
    // An Old pool that comes out exactly empty under "keep constant total
    // IOM" holds no N; any other amount keeps the ratio (a pool that ends
    // empty in a run is already set to 1 by the run).
    a.Npctdm = a.QUANT == 0 ? 0.0f : static_cast<float>(static_cast<double>(p.N) / a.QUANT * 100.0);
    a.IAGE = p.age;
  }
  RunModel(ws);
}

void ContinueRun(Workspace& ws) {
  Scenario& s = ws.scenario;
  s.Year += s.Weeks / 52;
  s.Week += s.Weeks % 52;
  RepeatRun(ws);
}

} // namespace kelmar
