#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>

#include "Workspace.h"
#include "data/Companions.h"
#include "data/FileSystem.h"
#include "data/IniFile.h"
#include "data/TextReader.h"
#include "optim/MultiRun.h"
#include "optim/PriceAlg.h"
#include "optim/SumFile.h"

using namespace kelmar;
namespace fs = std::filesystem;

namespace {

const std::string kExamples = KELMAR_EXAMPLES;
const std::string kWage = std::string(KELMAR_WEATHER) + "/montecarlo/WAGE/";

// A scratch directory of its own per test, removed afterwards.
class MultiRunTest : public ::testing::Test {
protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = (fs::temp_directory_path() / ("kelmar_mr_" + std::to_string(::getpid()) + "_" + info->name()))
              .string() +
          "/";
    fs::remove_all(dir);
    fs::create_directories(dir + "env");
    envDir = dir + "env/";
  }
  void TearDown() override { fs::remove_all(dir); }

  void copy(const std::string& from, const std::string& to) {
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
  }
  void write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }

  // The example scenario loaded from the scratch directory, and `n` weather
  // years as environment files (the first with a lower-case extension).
  std::unique_ptr<Workspace> loadExample(int n) {
    copy(kExamples + "/SANDY6.DAT", dir + "SANDY6.DAT");
    copy(kExamples + "/SANDY6.ENV", dir + "SANDY6.ENV");
    for (int i = 0; i < n; ++i) {
      std::string name = "WAGE" + std::to_string(1972 + i);
      copy(kWage + name + ".ENV", envDir + name + (i == 0 ? ".env" : ".ENV"));
    }
    auto ws = MakeWorkspace();
    EXPECT_TRUE(LoadScenarioWithCompanions(*ws, dir + "SANDY6.DAT").ok());
    return ws;
  }

  MultiRunOptions envOptions() {
    MultiRunOptions o;
    o.EnviDir = envDir;
    return o;
  }

  std::string dir, envDir;
};

MultiRunJob Job(MultiRunMode mode, const std::string& sum, int jobs = 1, int shard = 1, int shards = 1) {
  MultiRunJob j;
  j.Mode = mode;
  j.SumFile = sum;
  j.Jobs = jobs;
  j.Shard = shard;
  j.Shards = shards;
  return j;
}

} // namespace

TEST_F(MultiRunTest, EnvironmentsGiveOneLineEachAndCountBadFiles) {
  auto ws = loadExample(3);
  write(envDir + "BROKEN.ENV", "Kelmar 400 Irri File\r\n");
  ws->options.KelmOpti = 0x0002 | 0x0010;
  const uint32_t opti = ws->options.KelmOpti;
  std::vector<MultiRunStatus> seen;
  MultiRunCallbacks cb;
  cb.OnProgress = [&](const MultiRunStatus& s) { seen.push_back(s); };
  MultiRunOptions opt = envOptions();
  MultiRunResult r = RunMultiRun(*ws, Job(kRunAllEnvironments, dir + "OUT.SUM"), opt, cb);

  EXPECT_EQ(r.status.MRunState, kMRunShown);
  EXPECT_EQ(r.status.NScen, 1);
  EXPECT_EQ(r.status.NEnv, 4);
  EXPECT_EQ(r.status.DoneRuns, 4);
  EXPECT_EQ(r.status.LoadErrors, 1);
  ASSERT_EQ(r.Failures.size(), 1u);
  EXPECT_EQ(r.Failures[0].kind, RunFailure::kLoad);
  EXPECT_EQ(r.LineRuns, (std::vector<int32_t>{2, 3, 4})); // BROKEN sorts first
  EXPECT_EQ(MultiRunEndMessage(r), "Scenario loading errors encountered: 1");
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.front().MRunState, kMRunStarting);
  EXPECT_EQ(seen.back().MRunState, kMRunShown);
  EXPECT_EQ(MultiRunProgressLine(seen.front()), "Running 1 scenario(s) with 4 environment(s)");

  SumFileData d = ReadSumFile(dir + "OUT.SUM");
  ASSERT_EQ(d.lines.size(), 3u);
  for (const SumLine& l : d.lines) EXPECT_EQ(l.Scenario, "SANDY6");
  EXPECT_EQ(d.lines[0].Environment, "WAGE1972");
  EXPECT_EQ(d.lines[2].Environment, "WAGE1974");
  EXPECT_NE(d.lines[0].items, d.lines[1].items) << "different weather, different runs";
  EXPECT_EQ(d.header[2], envDir);

  // The workspace holds the last run, with the options it had.
  EXPECT_EQ(ws->options.KelmOpti, opti);
  EXPECT_TRUE(ws->state.ShowMessages);
  EXPECT_EQ(ExtractFileName(ws->scenario.series(SeriesKind::Environment).FileName), "WAGE1974.ENV");
}

TEST_F(MultiRunTest, AFailedRunLeavesNoLine) {
  auto ws = loadExample(2);
  // Weather no soil survives: the water balance fails on it.
  std::string env = ReadFileText(dir + "SANDY6.ENV");
  std::string hot = env.substr(0, env.find("\r\n", env.find("-----")) + 2) +
                    "   1 1e38 1e38 1e38\r\n   2 1e38 1e38 1e38\r\n";
  write(envDir + "HOT.ENV", hot);
  MultiRunOptions opt = envOptions();
  MultiRunResult r = RunMultiRun(*ws, Job(kRunAllEnvironments, dir + "F.SUM", 2), opt, {});
  EXPECT_EQ(r.status.MRunState, kMRunShown);
  EXPECT_EQ(r.status.LoadErrors, 1);
  ASSERT_EQ(r.Failures.size(), 1u);
  EXPECT_EQ(r.Failures[0].kind, RunFailure::kModel);
  EXPECT_EQ(r.Failures[0].run, 1);
  EXPECT_EQ(r.Failures[0].message.rfind("Calculating " + dir + "SANDY6.DAT\r", 0), 0u)
      << r.Failures[0].message;
  SumFileData d = ReadSumFile(dir + "F.SUM");
  ASSERT_EQ(d.lines.size(), 2u);
  EXPECT_EQ(d.lines[0].Environment, "WAGE1972");
  EXPECT_EQ(r.LineRuns, (std::vector<int32_t>{2, 3}));
}

TEST_F(MultiRunTest, JobsAndShardsWriteTheSameFile) {
  auto ws = loadExample(5);
  MultiRunOptions opt = envOptions();
  RunMultiRun(*ws, Job(kRunAllEnvironments, dir + "ONE.SUM"), opt, {});
  const std::string one = ReadFileText(dir + "ONE.SUM");

  auto ws2 = loadExample(5);
  std::atomic<int> progressCalls{0};
  MultiRunCallbacks cb;
  cb.OnProgress = [&](const MultiRunStatus&) { ++progressCalls; };
  MultiRunResult two = RunMultiRun(*ws2, Job(kRunAllEnvironments, dir + "TWO.SUM", 2), opt, cb);
  EXPECT_EQ(ReadFileText(dir + "TWO.SUM"), one);
  EXPECT_EQ(two.status.DoneRuns, 5);
  EXPECT_EQ(progressCalls, 7); // start, five runs, end
  EXPECT_EQ(ws2->scenario.series(SeriesKind::Environment).FileName,
            ws->scenario.series(SeriesKind::Environment).FileName);

  std::vector<SumFileData> files;
  std::vector<ShardIndex> indexes;
  for (int s = 1; s <= 3; ++s) {
    auto w = loadExample(5);
    std::string sum = dir + "PART" + std::to_string(s) + ".SUM";
    MultiRunResult part = RunMultiRun(*w, Job(kRunAllEnvironments, sum, 2, s, 3), opt, {});
    EXPECT_EQ(part.TotalRuns, 5);
    EXPECT_EQ(part.status.NEnv, s == 3 ? 1 : 2);
    files.push_back(ReadSumFile(sum));
    indexes.push_back(ReadShardIndexFile(ShardIndexFileName(sum)));
    EXPECT_TRUE(indexes.back().complete);
  }
  EXPECT_EQ(MergeShardText(files, indexes), one);
}

TEST_F(MultiRunTest, ScenariosOfADirectory) {
  auto ws = loadExample(0);
  copy(dir + "SANDY6.DAT", dir + "second.dat");
  write(dir + "BAD.DAT",
        "Kelmar 459 Data File    broken\r\nBAD.DAT\r\nSANDY6.ENV\r\n---\r\nPARAMETERS\r\nx\r\n");
  MultiRunOptions opt;
  MultiRunResult r = RunMultiRun(*ws, Job(kRunAllScenarios, DefaultSumFile(*ws, kRunAllScenarios)), opt, {});
  EXPECT_EQ(r.status.NScen, 3);
  EXPECT_EQ(r.status.NEnv, 1);
  EXPECT_EQ(r.status.LoadErrors, 1);
  SumFileData d = ReadSumFile(dir + "MULTIRUN.SUM");
  ASSERT_EQ(d.lines.size(), 2u);
  EXPECT_EQ(d.lines[0].Scenario, "SANDY6");
  EXPECT_EQ(d.lines[1].Scenario, "second");
  EXPECT_EQ(d.lines[0].Environment, "SANDY6");
  EXPECT_EQ(d.lines[0].items, d.lines[1].items);

  fs::create_directories(dir + "empty");
  ws->state.DataDir = dir + "empty/";
  try {
    RunMultiRun(*ws, Job(kRunAllScenarios, dir + "X.SUM"), opt, {});
    FAIL();
  } catch (const Refusal& e) {
    EXPECT_EQ(std::string(e.what()), "No scenarios found in " + dir + "empty/");
  }
}

TEST_F(MultiRunTest, AbortKeepsTheLinesMadeAndTheWorkspace) {
  for (int jobs : {1, 2}) {
    auto ws = loadExample(5);
    const std::string envBefore = ws->scenario.series(SeriesKind::Environment).FileName;
    int runs = 0;
    MultiRunCallbacks cb;
    cb.OnProgress = [&](const MultiRunStatus& s) {
      if (s.MRunState == kMRunRunning) runs = s.DoneRuns;
    };
    cb.AbortRequested = [&] { return runs >= 2; };
    MultiRunOptions opt = envOptions();
    std::string sum = dir + "ABORT" + std::to_string(jobs) + ".SUM";
    MultiRunResult r = RunMultiRun(*ws, Job(kRunAllEnvironments, sum, jobs), opt, cb);
    EXPECT_EQ(r.status.MRunState, kMRunInvalid);
    EXPECT_EQ(MultiRunEndMessage(r), "MultiRun aborted !");
    EXPECT_EQ(r.status.DoneRuns, 2);
    SumFileData d = ReadSumFile(sum);
    ASSERT_EQ(d.lines.size(), 2u) << jobs;
    for (std::size_t i = 0; i < d.lines.size(); ++i)
      EXPECT_EQ(d.lines[i].Environment, "WAGE" + std::to_string(1972 + i)) << "lines in run order";
    EXPECT_EQ(ws->scenario.series(SeriesKind::Environment).FileName, envBefore);
  }
}

TEST_F(MultiRunTest, ResultFilesAndTheReplaceQuestion) {
  auto ws = loadExample(3);
  MultiRunOptions opt = envOptions();
  opt.SaveRslts = true;
  RunMultiRun(*ws, Job(kRunAllEnvironments, dir + "R.SUM"), opt, {});
  for (const char* name : {"WAGE1972.PRN", "WAGE1973.PRN", "WAGE1974.PRN"})
    EXPECT_TRUE(FileExists(envDir + name)) << name;
  EXPECT_NE(ReadFileText(envDir + "WAGE1973.PRN").find("Graph Data"), std::string::npos);

  struct Case {
    ReplaceAnswer answer;
    int questions; // questions asked over the three existing files
    bool replaced; // the marked file was written again
    int32_t doneRuns;
    bool overwriteAfter;
  } cases[] = {
      {ReplaceAnswer::No, 3, false, 3, false},
      {ReplaceAnswer::Yes, 3, true, 3, false},
      {ReplaceAnswer::All, 1, true, 3, true},
      {ReplaceAnswer::Abort, 1, false, 1, false},
  };
  // An abort answered at the last run still ends the batch as aborted.
  {
    write(envDir + "WAGE1974.PRN", "mark");
    MultiRunCallbacks cb;
    cb.AskReplaceResult = [](const std::string& q) {
      return q.find("WAGE1974") != std::string::npos ? ReplaceAnswer::Abort : ReplaceAnswer::No;
    };
    MultiRunOptions o = opt;
    MultiRunResult r = RunMultiRun(*ws, Job(kRunAllEnvironments, dir + "R.SUM"), o, cb);
    EXPECT_EQ(r.status.DoneRuns, 3);
    EXPECT_EQ(r.status.MRunState, kMRunInvalid);
    EXPECT_EQ(ReadSumFile(dir + "R.SUM").lines.size(), 3u) << "the lines made stay";
  }
  for (const Case& c : cases) {
    write(envDir + "WAGE1972.PRN", "mark");
    int questions = 0;
    MultiRunCallbacks cb;
    cb.AskReplaceResult = [&](const std::string& q) {
      if (questions++ == 0) {
        EXPECT_EQ(q, "Result " + envDir + "WAGE1972.PRN already exists. Replace ?");
      }
      return c.answer;
    };
    MultiRunOptions o = opt;
    MultiRunResult r = RunMultiRun(*ws, Job(kRunAllEnvironments, dir + "R.SUM"), o, cb);
    EXPECT_EQ(questions, c.questions);
    EXPECT_EQ(ReadFileText(envDir + "WAGE1972.PRN") != "mark", c.replaced);
    EXPECT_EQ(r.status.DoneRuns, c.doneRuns);
    EXPECT_EQ(o.Overwrite, c.overwriteAfter);
  }
}

TEST_F(MultiRunTest, PriceSetsAndReload) {
  auto ws = loadExample(0);
  TPriceAlg alg(*ws);
  for (int i = 1; i <= kParmCount; ++i) ws->parms[i].fit = 0;
  ws->parms[1].fit = 1;
  alg.SetNParms();
  MultiRunOptions opt;
  try {
    RunMultiRun(*ws,
                [&] {
                  MultiRunJob j = Job(kRunAllPriceSets, dir + "P.SUM");
                  j.Price = &alg;
                  return j;
                }(),
                opt, {});
    FAIL();
  } catch (const Refusal& e) {
    EXPECT_STREQ(e.what(), "Price Algoritm not initialised!");
  }
  alg.Rng.seed(7);
  alg.Initialise(); // targets drawn at random: no runs needed for a population
  ASSERT_EQ(alg.PriceState, kPriceInitialised);
  ASSERT_EQ(alg.NSets(), 10);
  MultiRunJob job = Job(kRunAllPriceSets, dir + "P.SUM", 2);
  job.Price = &alg;
  MultiRunResult r = RunMultiRun(*ws, job, opt, {});
  EXPECT_TRUE(r.PriceRun);
  EXPECT_EQ(r.LineRuns.size(), 10u);
  EXPECT_EQ(ws->parms.value(ws->scenario, alg.ParmNr(1)), alg.PSet(10, 1)) << "the last set stays live";

  SumGrid g = BuildSumGrid(ReadSumFile(dir + "P.SUM"), ItemSelection{});
  ReloadResult rr = ReloadSummaryRow(*ws, g, 5, true, r.LineRuns, "", &alg);
  EXPECT_TRUE(rr.ran) << rr.message;
  EXPECT_EQ(ws->parms.value(ws->scenario, alg.ParmNr(1)), alg.PSet(5, 1));
  // The line knows its set even where earlier sets left no line.
  std::vector<int32_t> gap = r.LineRuns;
  gap.erase(gap.begin() + 1);
  gap.push_back(11);
  ReloadSummaryRow(*ws, g, 5, true, gap, "", &alg);
  EXPECT_EQ(ws->parms.value(ws->scenario, alg.ParmNr(1)), alg.PSet(6, 1));
  EXPECT_EQ(ReloadSummaryRow(*ws, g, 5, true, r.LineRuns, "", nullptr).message,
            "Price Algoritm dialog must be open!");
  EXPECT_EQ(ReloadSummaryRow(*ws, g, 11, true, r.LineRuns, "", &alg).message, "No summary record selected!");
}

TEST_F(MultiRunTest, ReloadOfAnEnvironmentRow) {
  auto ws = loadExample(2);
  MultiRunOptions opt = envOptions();
  RunMultiRun(*ws, Job(kRunAllEnvironments, dir + "E.SUM"), opt, {});
  SumGrid g = BuildSumGrid(ReadSumFile(dir + "E.SUM"), ItemSelection{});
  auto fresh = MakeWorkspace();
  fresh->state.DataDir = dir;
  ReloadResult r = ReloadSummaryRow(*fresh, g, 1, false, {}, envDir, nullptr);
  EXPECT_TRUE(r.ran) << r.message;
  EXPECT_EQ(ExtractFileName(fresh->scenario.series(SeriesKind::Environment).FileName), "WAGE1972.env");
  EXPECT_EQ(ReloadSummaryRow(*fresh, g, 2, false, {}, dir, nullptr).message, "Environment file not found !");
  EXPECT_EQ(ReloadSummaryRow(*fresh, g, 0, false, {}, envDir, nullptr).message,
            "No summary record selected!");
  fresh->state.DataDir = envDir;
  EXPECT_EQ(ReloadSummaryRow(*fresh, g, 1, false, {}, envDir, nullptr).message, "Error loading scenario");
}

TEST(MultiRunOptions, IniSectionAndGroups) {
  IniFile ini = IniFile::FromText("[MultiRun Options]\r\nSummItems=11\r\nSaveRslts=1\r\n");
  MultiRunOptions o = ReadMultiRunOptions(ini, "/data");
  EXPECT_EQ(CountIncluded(o.Included), 2);
  EXPECT_EQ(o.EnviDir, "/data/");
  EXPECT_TRUE(o.SaveRslts);
  EXPECT_FALSE(o.Overwrite);
  EXPECT_EQ(SelectionStatus(o.Included), "Selected: 2 of 76 summary items");
  SetItemGroup(o.Included, 4, true);
  EXPECT_EQ(CountIncluded(o.Included), 24);
  SetItemGroup(o.Included, 0, false);
  EXPECT_EQ(CountIncluded(o.Included), 22);
  int covered = 0;
  for (const ItemGroup& g : kItemGroups) covered += g.last - g.first + 1;
  EXPECT_EQ(covered, 76);
  o.Overwrite = true;
  IniFile out;
  WriteMultiRunOptions(out, o);
  MultiRunOptions back = ReadMultiRunOptions(out, "/elsewhere/");
  EXPECT_EQ(back.Included, o.Included);
  EXPECT_EQ(back.EnviDir, "/data/");
  EXPECT_TRUE(back.Overwrite);
  EXPECT_EQ(MultiRunStatusLine(kMRunInvalid, 3), "Invalid! Execute, or load summaries, first.");
  EXPECT_EQ(MultiRunStatusLine(kMRunRunning, 3), "Running !");
  EXPECT_EQ(MultiRunStatusLine(kMRunShown, 3), "Summary items: 3");
}
