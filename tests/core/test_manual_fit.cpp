// Manual fitting: the proportional step, the range it never leaves, and the
// fallback to the old value when the run with the new one fails.
#include <gtest/gtest.h>

#include <memory>

#include "Workspace.h"
#include "data/Companions.h"
#include "fitting/ManualFit.h"

using namespace kelmar;

namespace {

std::unique_ptr<Workspace> LoadExample() {
  auto ws = MakeWorkspace();
  LoadOutcome r = LoadScenarioWithCompanions(*ws, KELMAR_EXAMPLES "/SANDY6.DAT");
  EXPECT_TRUE(r.ok()) << r.message;
  ws->scenario.Weeks = 52;
  return ws;
}

} // namespace

TEST(ManualFit, StepsByFitDeltaInsideTheRange) {
  auto ws = LoadExample();
  Scenario& s = ws->scenario;
  ws->state.SelParm = 3; // pH, range 1..14
  s.pH = 7;
  ManualFitResult r = Increase(*ws);
  EXPECT_TRUE(r.ran && !r.restored);
  EXPECT_EQ(s.pH, static_cast<float>(7 * 1.1)) << "computed in double, stored as float";
  EXPECT_TRUE(ws->run.calculated);
  for (int i = 0; i < 10; ++i) Increase(*ws);
  EXPECT_EQ(s.pH, 14.0f) << "stays on the upper range";

  struct Row {
    int parm;
    float value, lower, upper, delta;
    bool increase;
    float expected;
  };
  const Row rows[] = {
      {4, 8.3f, 0, 99, 10, false, static_cast<float>(8.3f * 0.9)}, // CNM
      {4, 0, 0, 99, 10, false, 0},                                 // proportional: 0 stays 0
      {4, 5, 4.8f, 99, 10, false, 4.8f},                           // not below the lower range
      {9, 0.3f, 0, 0.5f, 100, true, 0.5f},                         // DNF, not above the upper
      {4, 2, 3, 99, 10, true, 3},                                  // a value below its range comes into it
  };
  for (const Row& row : rows) {
    ws->state.SelParm = row.parm;
    ws->state.FitDelta = row.delta;
    ws->parms[row.parm].lower = row.lower;
    ws->parms[row.parm].upper = row.upper;
    float& v = ws->parms.value(s, row.parm);
    v = row.value;
    row.increase ? Increase(*ws) : Decrease(*ws);
    EXPECT_EQ(v, row.expected) << "parameter " << row.parm << " from " << row.value;
  }
}

TEST(ManualFit, AFailedRunBringsTheOldValueBack) {
  auto ws = LoadExample();
  Scenario& s = ws->scenario;
  ws->state.SelParm = 31; // GAM2: 0 leaves the retention curve without an inverse
  ws->state.FitDelta = 100;
  s.Soil[1].GAM = 0.03f;
  ManualFitResult r = Decrease(*ws);
  EXPECT_TRUE(r.restored);
  EXPECT_TRUE(r.ran) << "the run with the old value worked";
  EXPECT_EQ(s.Soil[1].GAM, 0.03f);
  EXPECT_TRUE(ws->run.calculated);

  s.Soil[0].GAM = 0; // now the run fails whatever GAM2 is
  r = Decrease(*ws);
  EXPECT_FALSE(r.ran);
  EXPECT_FALSE(r.error.empty());
  EXPECT_EQ(s.Soil[1].GAM, 0.03f);
  EXPECT_FALSE(ws->run.calculated);
  EXPECT_TRUE(ws->state.DocStatus & kResultsStale);
  EXPECT_EQ(CalculatingMessage(*ws, r.error), "Calculating " + s.ScenarioFile + "\r" + r.error);

  ws->state.SelParm = 0;
  EXPECT_THROW(Increase(*ws), std::out_of_range);
}
