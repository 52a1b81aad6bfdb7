// The run driver: the order-independent guarantees of a whole run (no
// allocation, the run window, Repeat and Continue, the sorts) on the bundled
// example and on generated scenarios.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "Workspace.h"
#include "model/Driver.h"
#include "model/Weeks.h"
#include "optim/PriceAlg.h"
#include "optim/PriceOptions.h"
#include "optim/Targets.h"
#include "session/Companions.h"

// Every allocation of the test program is counted while `g_counting` is set.
namespace {
std::atomic<bool> g_counting{false};
std::atomic<long> g_allocations{0};
} // namespace

// All forms are replaced together, so that every allocation is counted and
// every block is freed by the allocator that made it.
namespace {
void* CountedAlloc(std::size_t n) {
  if (g_counting.load(std::memory_order_relaxed)) g_allocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(n ? n : 1);
}
void* CountedAlloc(std::size_t n, std::align_val_t a) {
  if (g_counting.load(std::memory_order_relaxed)) g_allocations.fetch_add(1, std::memory_order_relaxed);
  std::size_t al = static_cast<std::size_t>(a);
  return std::aligned_alloc(al, (n + al - 1) / al * al);
}
} // namespace

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t n) {
  if (void* p = CountedAlloc(n)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
  if (void* p = CountedAlloc(n)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t n, std::align_val_t a) {
  if (void* p = CountedAlloc(n, a)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n, std::align_val_t a) {
  if (void* p = CountedAlloc(n, a)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return CountedAlloc(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return CountedAlloc(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
#pragma GCC diagnostic pop

using namespace kelmar;

namespace {

std::unique_ptr<Workspace> LoadExample() {
  auto ws = MakeWorkspace();
  LoadOutcome r = LoadScenarioWithCompanions(*ws, KELMAR_EXAMPLES "/SANDY6.DAT");
  EXPECT_TRUE(r.ok()) << r.message;
  return ws;
}

// A rotation at full capacity: 40 crops and 100 applications over 520 weeks.
void MakeWorstCase(Workspace& ws) {
  Scenario& s = ws.scenario;
  s.Weeks = 520;
  for (int i = 1; i <= kMaxCrops; ++i) {
    Crop c = s.Crops[1 + (i - 1) % std::max(1, std::min(s.CropCount, 7))];
    c.YEAR = 1 + (i - 1) / 4;
    s.Crops[i] = c;
  }
  s.CropCount = kMaxCrops;
  for (int i = 4; i <= kMaxAppls; ++i) {
    Application a = s.Appls[4 + (i - 4) % 13];
    a.YR = 1 + (i - 4) / 10;
    s.Appls[i] = a;
  }
  s.ApplCount = kMaxAppls;
}

} // namespace

TEST(RunModel, AllocatesNothing) {
  auto ws = LoadExample();
  RunModel(*ws); // a first run may touch nothing new either, but warm up anyway
  for (bool worst : {false, true}) {
    if (worst) MakeWorstCase(*ws);
    g_allocations = 0;
    g_counting = true;
    RunModel(*ws);
    RepeatRun(*ws);
    g_counting = false;
    EXPECT_EQ(g_allocations.load(), 0) << (worst ? "worst case" : "example");
  }
}

TEST(RunModel, RunWindowLimits) {
  auto ws = LoadExample();
  ws->scenario.Weeks = 0;
  RunModel(*ws);
  EXPECT_EQ(ws->scenario.Weeks, 1) << "a run covers at least one week";
  EXPECT_EQ(ws->run.RunEnd, ws->run.RunStart);

  // A length the parameters dialog allows but the week records cannot hold.
  ws->scenario.Weeks = 1300;
  RunModel(*ws);
  EXPECT_EQ(ws->scenario.Weeks, 520);
  EXPECT_NE(ws->weeks[521].Teta1, 0.0f) << "the state after week 520 lives in record 521";
  EXPECT_EQ(ws->run.Periods[ws->run.PeriodCount].Week, 521);

  ws->scenario.Crops[1].YEAR = 0;
  ws->scenario.Appls[5].YR = 600;
  RunModel(*ws);
  bool foundYear1 = false;
  for (int i = 1; i <= ws->scenario.CropCount; ++i) foundYear1 |= ws->scenario.Crops[i].YEAR == 1;
  EXPECT_TRUE(foundYear1);
  for (int i = 1; i <= ws->scenario.ApplCount; ++i) {
    EXPECT_GE(ws->scenario.Appls[i].YR, 1);
    EXPECT_LE(ws->scenario.Appls[i].YR, 520);
  }
}

TEST(RunModel, SortExchangesWholeRecordsAndKeepsTheFirstOnATie) {
  auto ws = MakeWorkspace();
  Scenario& s = ws->scenario;
  s.CropCount = 3;
  const char* names[] = {"", "late", "tie A", "tie B"};
  int weeks[] = {0, 30, 10, 10};
  for (int i = 1; i <= 3; ++i) {
    s.Crops[i] = s.Crops[0];
    s.Crops[i].Name = names[i];
    s.Crops[i].WEEK1 = weeks[i];
    s.Crops[i].PRODi = static_cast<float>(i);
  }
  SortCrops(*ws);
  // Selection with exchange: "tie A" moves to 1 (exchanged with "late"),
  // then "tie B" (week 10) beats "late" (week 30) at position 2.
  EXPECT_EQ(s.Crops[1].Name, "tie A");
  EXPECT_EQ(s.Crops[2].Name, "tie B");
  EXPECT_EQ(s.Crops[3].Name, "late");
  EXPECT_EQ(s.Crops[3].PRODi, 1.0f) << "the whole record moves";

  s.ApplCount = 6;
  int aw[] = {0, 0, 0, 0, 20, 5, 20};
  for (int i = 4; i <= 6; ++i) {
    s.Appls[i].YR = 1;
    s.Appls[i].WK = aw[i];
    s.Appls[i].QUANT = static_cast<float>(i);
  }
  s.Appls[1].YR = 9; // the initial pools never move
  SortApplications(*ws);
  EXPECT_EQ(s.Appls[1].YR, 9);
  EXPECT_EQ(s.Appls[4].QUANT, 5.0f);
  EXPECT_EQ(s.Appls[5].QUANT, 4.0f) << "the earlier of two equal weeks stays first";
  EXPECT_EQ(s.Appls[6].QUANT, 6.0f);
}

TEST(RunModel, RepeatStartsFromTheEndStateAndContinueMovesTheStart) {
  auto ws = LoadExample();
  RunModel(*ws);
  const int weeks = ws->scenario.Weeks;
  const float fi1 = ws->weeks[weeks].Fi1, n2 = ws->weeks[weeks].N2;
  const EndPool young = ws->run.EndPools[kYoungPool];
  RepeatRun(*ws);
  EXPECT_EQ(ws->scenario.Soil[0].IFi, fi1) << "the suction of the last run week, not of the week after";
  EXPECT_EQ(ws->scenario.Soil[1].NMIN, n2);
  EXPECT_EQ(ws->scenario.Appls[2].QUANT, young.amount);
  EXPECT_FLOAT_EQ(ws->scenario.Appls[2].Npctdm,
                  static_cast<float>(young.N / static_cast<double>(young.amount) * 100));
  EXPECT_EQ(ws->scenario.Appls[2].IAGE, young.age);

  ws->scenario.Year = 1;
  ws->scenario.Week = 50;
  ws->scenario.Weeks = 60;
  ContinueRun(*ws);
  EXPECT_EQ(ws->scenario.Year, 2);
  EXPECT_EQ(ws->scenario.Week, 58) << "the week is not brought back into 1..52";
  EXPECT_EQ(ws->run.RunStart, AbsWeek(2, 58));
}

TEST(RunModel, KeepConstantTotalInitialMatterOnRepeat) {
  auto ws = LoadExample();
  ws->options.KelmOpt2 = kOpt2KeepTotalIOM;
  RunModel(*ws);
  double total =
      double(ws->scenario.Appls[1].QUANT) + ws->scenario.Appls[2].QUANT + ws->scenario.Appls[3].QUANT;
  RepeatRun(*ws);
  double after =
      double(ws->scenario.Appls[1].QUANT) + ws->scenario.Appls[2].QUANT + ws->scenario.Appls[3].QUANT;
  EXPECT_NEAR(after, total, total * 1e-6);

  // An Old pool that comes out exactly empty holds no N instead of dividing by zero.
  ws->scenario.Appls[1].QUANT = 0;
  ws->scenario.Appls[2].QUANT = 0;
  ws->scenario.Appls[3].QUANT = 0;
  ws->run.EndPools = {};
  ws->run.EndPools[kOldPool].N = 5;
  RepeatRun(*ws);
  EXPECT_EQ(ws->scenario.Appls[1].Npctdm, 0.0f);
}

TEST(RunModel, FaultLeavesNoValidResults) {
  auto ws = LoadExample();
  RunModel(*ws);
  EXPECT_TRUE(ws->run.calculated);
  ws->scenario.Soil[1].GAM = 0;
  try {
    RunModel(*ws);
    FAIL() << "a retention curve without an inverse must stop the run";
  } catch (const FloatingPointFault& e) {
    std::string m = e.what();
    EXPECT_TRUE(m == "Floating point division by zero" || m == "Invalid floating point operation") << m;
  }
  EXPECT_FALSE(ws->run.calculated);
  // The next valid run works again: no floating-point state leaks between runs.
  ws->scenario.Soil[1].GAM = 0.03f;
  RunModel(*ws);
  EXPECT_TRUE(ws->run.calculated);
}

TEST(PriceTrial, CostsOneRunAndNoAllocation) {
  auto ws = LoadExample();
  RunModel(*ws);
  TPriceAlg alg(*ws);
  PriceOptions o;
  o.Selected = {false, true, true}; // topsoil and subsoil mineral N
  o.NIterPSet = 2;
  o.Ftol = 0;
  alg.SetOptions(o);
  alg.Rng.seed(7);
  // Ranges of +/- 20 % around the example's values: trials that stay
  // plausible, so that no run fails (a failed run reports by exception).
  for (int i = 1; i <= kParmCount; ++i) {
    AutoParm& p = ws->parms[i];
    const float v = ws->parms.value(ws->scenario, i);
    p.lower = std::max(p.defLower, 0.8f * v);
    p.upper = std::min(p.defUpper, 1.2f * v);
  }
  ConnectModel(alg, *ws);
  alg.OnProgress = [] { return false; };
  ASSERT_EQ(CheckFitStart(alg, *ws), "");
  alg.Initialise(); // sizes the population
  ASSERT_EQ(alg.PriceState, kPriceInitialised);
  const int runsBefore = alg.Runs;
  g_allocations = 0;
  g_counting = true;
  alg.Iterate();
  g_counting = false;
  EXPECT_GT(alg.Runs, runsBefore);
  EXPECT_EQ(alg.Retries, 0);
  EXPECT_EQ(g_allocations.load(), 0) << "over " << alg.Runs - runsBefore << " trial runs";
}
