// A Price search run through the session: refusal before the start, stopping
// on request or by abort, checkpoints that resume to the same population as an
// uninterrupted search, and a checkpoint that cannot be written.
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "Workspace.h"
#include "optim/PriceAlg.h"
#include "session/Companions.h"
#include "session/PriceSession.h"

using namespace kelmar;
namespace fs = std::filesystem;

namespace {

// SANDY6 with two fitted parameters (CNM, NFix0) and the first target.
std::unique_ptr<Workspace> Fittable(bool marked = true) {
  auto ws = MakeWorkspace();
  EXPECT_TRUE(LoadScenarioWithCompanions(*ws, KELMAR_EXAMPLES "/SANDY6.DAT").ok());
  for (int i = 1; i <= ParmTable::size(); ++i) ws->parms[i].fit = marked && (i == 4 || i == 7);
  return ws;
}

PriceOptions SearchOptions() {
  PriceOptions o;
  o.Selected = {false, true};
  o.NIterPSet = 2;
  return o;
}

std::vector<float> Population(const TPriceAlg& a) {
  std::vector<float> v;
  for (int s = 1; s <= a.NSets(); ++s)
    for (int j = 1; j <= a.NParms(); ++j) v.push_back(a.PSet(s, j));
  return v;
}

std::string TempFile(const char* name) {
  return (fs::temp_directory_path() / ("kelmar_ps_" + std::to_string(::getpid()) + "_" + name)).string();
}

} // namespace

TEST(PriceSession, RefusesWithoutParametersAndStopsAtAnUnwritableCheckpoint) {
  auto ws = Fittable(false);
  TPriceAlg alg(*ws);
  PriceSession session(*ws, alg);
  const PriceStep step = session.Prepare(SearchOptions(), 1u);
  EXPECT_EQ(step.kind, PriceStep::kRefused);
  EXPECT_EQ(step.message, "No parameters selected in Parameter Fitting dialog!");

  // A checkpoint that cannot be written stops the search and names the file.
  auto ws2 = Fittable();
  TPriceAlg alg2(*ws2);
  PriceSession s2(*ws2, alg2);
  ASSERT_TRUE(s2.Prepare(SearchOptions(), 1u).ok());
  const std::string bad = TempFile("nodir") + "/S.STATE";
  ASSERT_TRUE(s2.UseCheckpoint(bad).ok());
  const PriceStep failed = s2.Search(false);
  EXPECT_EQ(failed.kind, PriceStep::kFileError);
  EXPECT_NE(failed.message.find(bad), std::string::npos) << failed.message;
  EXPECT_LE(s2.StepsDone(), 1);
}

// Stopped after a few steps (by request, or by abort from the progress
// callback as a window would) and resumed from the checkpoint, the search ends
// in the population of one that was never stopped.
TEST(PriceSession, StoppedAndResumedEndsLikeAnUninterruptedSearch) {
  auto ws = Fittable();
  TPriceAlg whole(*ws);
  PriceSession once(*ws, whole);
  ASSERT_TRUE(once.Prepare(SearchOptions(), 42u).ok());
  int progressCalls = 0;
  once.OnProgress = [&](const TPriceAlg&) { ++progressCalls; };
  ASSERT_TRUE(once.Search(false).ok());
  EXPECT_GT(progressCalls, whole.NSets());
  EXPECT_EQ(whole.PriceState, kPriceIterated);

  for (bool viaAbort : {false, true}) {
    const std::string state = TempFile(viaAbort ? "abort.state" : "stop.state");
    fs::remove(state);
    auto w1 = Fittable();
    TPriceAlg a1(*w1);
    PriceSession first(*w1, a1);
    ASSERT_TRUE(first.Prepare(SearchOptions(), 42u).ok());
    ASSERT_TRUE(first.UseCheckpoint(state).ok());
    EXPECT_FALSE(first.resumed());
    const long stopAt = a1.NSets() + 3; // inside the iterations
    if (viaAbort)
      first.OnProgress = [&](const TPriceAlg&) {
        if (first.StepsDone() >= stopAt) first.RequestAbort();
      };
    else
      first.StopRequested = [&] { return first.StepsDone() >= stopAt; };
    EXPECT_EQ(first.Search(false).kind, PriceStep::kStopped);
    EXPECT_EQ(first.StepsDone(), stopAt);

    auto w2 = Fittable();
    TPriceAlg a2(*w2);
    PriceSession second(*w2, a2);
    ASSERT_TRUE(second.Prepare(SearchOptions(), 7u).ok()); // the checkpoint's random state wins
    ASSERT_TRUE(second.UseCheckpoint(state).ok());
    EXPECT_TRUE(second.resumed());
    ASSERT_TRUE(second.Search(false).ok());
    EXPECT_EQ(Population(a2), Population(whole)) << (viaAbort ? "abort" : "stop");
    fs::remove(state);
  }
}
