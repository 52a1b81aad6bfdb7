// Manual fitting: the proportional step, the range it never leaves, and the
// fallback to the old value when the run with the new one fails.
#include <gtest/gtest.h>

#include <memory>

#include "Workspace.h"
#include "fitting/ManualFit.h"
#include "session/Companions.h"

using namespace kelmar;

static std::unique_ptr<Workspace> LoadExample() {
  auto ws = MakeWorkspace();
  LoadOutcome r = LoadScenarioWithCompanions(*ws, KELMAR_EXAMPLES "/SANDY6.DAT");
  EXPECT_TRUE(r.ok()) << r.message;
  ws->scenario.Weeks = 52;
  return ws;
}

TEST(ManualFit, StepsByFitDeltaInsideTheRange) {
  auto ws = LoadExample();
  const struct {
    int parm;
    float value, lower, upper, delta;
    bool increase;
    float expected;
  } rows[] = {
      {3, 7, 1, 14, 10, true, static_cast<float>(7 * 1.1)},        // pH: computed in double, stored as float
      {4, 8.3f, 0, 99, 10, false, static_cast<float>(8.3f * 0.9)}, // CNM
      {9, 0, 0, 0.5f, 10, true, 0},                                // proportional: 0 stays 0
      {4, 5, 4.8f, 99, 10, false, 4.8f},                           // not below the lower range
      {9, 0.3f, 0, 0.5f, 100, true, 0.5f},                         // DNF, not above the upper
      {4, 2, 3, 99, 10, true, 3},                                  // a value below its range comes into it
  };
  for (const auto& row : rows) {
    ws->state.SelParm = row.parm, ws->state.FitDelta = row.delta;
    ws->parms[row.parm].lower = row.lower, ws->parms[row.parm].upper = row.upper;
    float& v = ws->parms.value(ws->scenario, row.parm);
    v = row.value, ws->run.calculated = false;
    ManualFitResult r = row.increase ? Increase(*ws) : Decrease(*ws);
    EXPECT_EQ(v, row.expected) << "parameter " << row.parm << " from " << row.value;
    EXPECT_TRUE(r.ran && !r.restored && ws->run.calculated) << "parameter " << row.parm;
  }
}

TEST(ManualFit, AFailedRunBringsTheOldValueBack) {
  auto ws = LoadExample();
  Scenario& s = ws->scenario;
  ws->state.SelParm = 31, ws->state.FitDelta = 100; // GAM2: 0 leaves the retention curve without an inverse
  s.Soil[1].GAM = 0.03f;
  ManualFitResult r = Decrease(*ws);
  EXPECT_TRUE(r.restored && r.ran) << "the run with the old value worked";
  EXPECT_TRUE(s.Soil[1].GAM == 0.03f && ws->run.calculated);

  s.Soil[0].GAM = 0; // now the run fails whatever GAM2 is
  r = Decrease(*ws);
  EXPECT_TRUE(!r.ran && !r.error.empty());
  EXPECT_TRUE(s.Soil[1].GAM == 0.03f && !ws->run.calculated && (ws->state.DocStatus & kResultsStale));
  EXPECT_EQ(CalculatingMessage(*ws, r.error), "Calculating " + s.ScenarioFile + "\r" + r.error);

  ws->state.SelParm = 0;
  EXPECT_THROW(Increase(*ws), std::out_of_range);
}
