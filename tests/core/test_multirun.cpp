#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

#include "Workspace.h"
#include "data/FileSystem.h"
#include "data/IniFile.h"
#include "data/TextReader.h"
#include "optim/MultiRun.h"
#include "optim/PriceAlg.h"
#include "report/SumFile.h"
#include "session/Companions.h"

using namespace kelmar;
namespace fs = std::filesystem;

namespace {

const std::string kWage = std::string(KELMAR_WEATHER) + "/wageningen/montecarlo/";

MultiRunJob Job(MultiRunMode m, const std::string& sum, int jobs = 1) {
  MultiRunJob j;
  j.Mode = m;
  j.SumFile = sum;
  j.Jobs = jobs;
  j.Load = LoadScenarioForBatch;
  return j;
}

// A batch in one line: MRunState, scenarios x environments, runs made, the
// run of every line written (#run), the failures, then the message shown at
// the end (which counts the load errors).
std::string Outcome(const MultiRunResult& r) {
  std::ostringstream s;
  s << r.status.MRunState << " " << r.status.NScen << "x" << r.status.NEnv << " done " << r.status.DoneRuns;
  for (int32_t run : r.LineRuns) s << " #" << run;
  for (const RunFailure& f : r.Failures) s << (f.kind == RunFailure::kLoad ? " load@" : " model@") << f.run;
  s << ": " << MultiRunEndMessage(r);
  return s.str();
}

// A scratch directory of its own per test, removed afterwards.
class MultiRunTest : public ::testing::Test {
protected:
  void SetUp() override {
    dir = fs::temp_directory_path().string() + "/kelmar_mr_" + std::to_string(::getpid()) + "_" +
          ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
    envDir = dir + "env/";
    fs::remove_all(dir);
    fs::create_directories(envDir);
  }
  void TearDown() override { fs::remove_all(dir); }

  void copy(fs::path from, fs::path to) { fs::copy_file(from, to, fs::copy_options::overwrite_existing); }
  void write(const std::string& path, const std::string& s) { std::ofstream(path, std::ios::binary) << s; }

  // The example scenario loaded from the scratch directory, and `n` weather
  // years as environment files (the first with a lower-case extension).
  std::unique_ptr<Workspace> loadExample(int n) {
    for (std::string f : {"SANDY6.DAT", "SANDY6.ENV"}) copy(fs::path(KELMAR_EXAMPLES) / f, dir + f);
    for (int i = 0; i < n; ++i) {
      std::string name = "WAGE" + std::to_string(1972 + i);
      copy(kWage + name + ".ENV", envDir + name + (i == 0 ? ".env" : ".ENV"));
    }
    auto ws = MakeWorkspace();
    EXPECT_TRUE(LoadScenarioWithCompanions(*ws, dir + "SANDY6.DAT").ok());
    return ws;
  }
  MultiRunOptions envOptions() { return MultiRunOptions{{}, envDir}; }

  std::string dir, envDir;
};

} // namespace

TEST_F(MultiRunTest, EnvironmentsAndScenariosGiveOneLineEachCountFailuresAndReload) {
  auto ws = loadExample(3);
  write(envDir + "BROKEN.ENV", "Kelmar 400 Irri File\r\n");
  // Weather no soil survives: the water balance fails on it.
  std::string env = ReadFileText(dir + "SANDY6.ENV");
  write(envDir + "HOT.ENV", env.substr(0, env.find("\r\n", env.find("-----")) + 2) +
                                "   1 1e38 1e38 1e38\r\n   2 1e38 1e38 1e38\r\n");
  ws->options.KelmOpti = 0x0002 | 0x0010;
  std::string progress;
  MultiRunCallbacks cb;
  cb.OnProgress = [&](const MultiRunStatus& s) {
    progress += (progress.empty() ? MultiRunProgressLine(s) + " " : "") + std::to_string(s.MRunState);
  };
  MultiRunOptions opt = envOptions();
  MultiRunResult r = RunMultiRun(*ws, Job(kRunAllEnvironments, dir + "OUT.SUM", 2), opt, cb);
  // BROKEN and HOT sort first; a failed run leaves no line.
  ASSERT_EQ(Outcome(r), "3 1x5 done 5 #3 #4 #5 load@1 model@2: Scenario loading errors encountered: 2");
  EXPECT_TRUE(r.Failures[1].message.starts_with("Calculating " + dir + "SANDY6.DAT\r"));
  EXPECT_EQ(progress, "Running 1 scenario(s) with 5 environment(s) 1222223") << "start, five runs, end";
  SumFileData d = ReadSumFile(dir + "OUT.SUM");
  ASSERT_EQ(d.lines.size(), 3u);
  EXPECT_EQ(d.lines[0].Scenario + " " + d.lines[0].Environment, "SANDY6 WAGE1972");
  EXPECT_NE(d.lines[0].items, d.lines[1].items) << "different weather, different runs";
  EXPECT_EQ(d.header[2], envDir);
  // The workspace holds the last run, with the options it had.
  EXPECT_EQ(ws->options.KelmOpti, 0x0002u | 0x0010u);
  EXPECT_TRUE(ws->state.ShowMessages);
  EXPECT_EQ(ws->scenario.series(SeriesKind::Environment).FileName, envDir + "WAGE1974.ENV");

  // A row reloaded into a fresh workspace finds its environment whatever the case of the extension.
  SumGrid g = BuildSumGrid(d, ItemSelection{});
  auto fresh = MakeWorkspace();
  fresh->state.DataDir = dir;
  EXPECT_TRUE(ReloadSummaryRow(*fresh, g, 1, false, {}, envDir, nullptr, LoadScenarioForBatch).ran);
  EXPECT_EQ(fresh->scenario.series(SeriesKind::Environment).FileName, envDir + "WAGE1972.env");
  EXPECT_EQ(ReloadSummaryRow(*fresh, g, 2, false, {}, dir, nullptr, LoadScenarioForBatch).message,
            "Environment file not found !");
  EXPECT_EQ(ReloadSummaryRow(*fresh, g, 0, false, {}, "", nullptr, LoadScenarioForBatch).message,
            "No summary record selected!");
  fresh->state.DataDir = envDir;
  EXPECT_EQ(ReloadSummaryRow(*fresh, g, 1, false, {}, envDir, nullptr, LoadScenarioForBatch).message,
            "Error loading scenario");

  // Every scenario of the data directory, each with its own environment.
  copy(dir + "SANDY6.DAT", dir + "second.dat");
  write(dir + "BAD.DAT", "Kelmar 459 Data File\r\nBAD.DAT\r\nSANDY6.ENV\r\n---\r\nPARAMETERS\r\nx\r\n");
  r = RunMultiRun(*ws, Job(kRunAllScenarios, DefaultSumFile(*ws, kRunAllScenarios)), opt, {});
  EXPECT_EQ(Outcome(r), "3 3x1 done 3 #2 #3 load@1: Scenario loading errors encountered: 1");
  d = ReadSumFile(dir + "MULTIRUN.SUM");
  ASSERT_EQ(d.lines.size(), 2u);
  EXPECT_EQ(d.lines[0].Scenario + " " + d.lines[0].Environment, "SANDY6 SANDY6");
  EXPECT_EQ(d.lines[1].Scenario, "second");
  EXPECT_EQ(d.lines[0].items, d.lines[1].items) << "every run starts from the same state";
}

// An abort after two runs keeps their lines and leaves the workspace as it was.
TEST_F(MultiRunTest, AbortKeepsTheLinesMadeAndTheWorkspace) {
  for (int jobs : {1, 2}) {
    auto ws = loadExample(5);
    MultiRunOptions opt = envOptions();
    int runs = 0;
    MultiRunCallbacks cb;
    cb.OnProgress = [&](const MultiRunStatus& s) { runs = s.MRunState == kMRunRunning ? s.DoneRuns : runs; };
    cb.AbortRequested = [&] { return runs >= 2; };
    MultiRunResult r = RunMultiRun(*ws, Job(kRunAllEnvironments, dir + "ABORT.SUM", jobs), opt, cb);
    EXPECT_EQ(Outcome(r), "0 1x5 done 2 #1 #2: MultiRun aborted !") << jobs;
    EXPECT_EQ(ReadSumFile(dir + "ABORT.SUM").lines.size(), 2u);
    EXPECT_EQ(ws->scenario.series(SeriesKind::Environment).FileName, dir + "SANDY6.ENV");
  }
}

TEST_F(MultiRunTest, ResultFilesAndTheReplaceQuestion) {
  auto ws = loadExample(3);
  MultiRunOptions opt = envOptions();
  opt.SaveRslts = true;
  RunMultiRun(*ws, Job(kRunAllEnvironments, dir + "R.SUM"), opt, {});
  EXPECT_NE(ReadFileText(envDir + "WAGE1973.PRN").find("Graph Data"), std::string::npos);
  // The marked file is answered as given, the others with No; the lines made stay. Columns: the
  // marked file, the answer, the questions asked, the marked file written again, Overwrite after.
  using A = ReplaceAnswer;
  const std::tuple<const char*, A, std::size_t, bool, bool, const char*> cases[] = {
      {"WAGE1972", A::No, 3, false, false, "3 1x3 done 3 #1 #2 #3: "},
      {"WAGE1972", A::Yes, 3, true, false, "3 1x3 done 3 #1 #2 #3: "},
      {"WAGE1972", A::All, 1, true, true, "3 1x3 done 3 #1 #2 #3: "},
      {"WAGE1972", A::Abort, 1, false, false, "0 1x3 done 1 #1: MultiRun aborted !"},
      // An abort answered at the last run still ends the batch as aborted.
      {"WAGE1974", A::Abort, 3, false, false, "0 1x3 done 3 #1 #2 #3: MultiRun aborted !"},
  };
  for (const auto& [mark, answer, questions, replaced, overwriteAfter, outcome] : cases) {
    write(envDir + mark + ".PRN", "mark");
    std::vector<std::string> asked;
    MultiRunCallbacks cb;
    cb.AskReplaceResult = [&asked, m = std::string(mark), a = answer](const std::string& q) {
      asked.push_back(q);
      return q.find(m) != std::string::npos ? a : A::No;
    };
    MultiRunOptions o = opt;
    MultiRunResult r = RunMultiRun(*ws, Job(kRunAllEnvironments, dir + "R.SUM"), o, cb);
    EXPECT_EQ(Outcome(r), outcome);
    EXPECT_EQ(ReadSumFile(dir + "R.SUM").lines.size(), r.LineRuns.size());
    EXPECT_EQ(asked.size(), questions);
    EXPECT_EQ(asked.at(0), "Result " + envDir + "WAGE1972.PRN already exists. Replace ?");
    EXPECT_EQ(ReadFileText(envDir + mark + ".PRN") != "mark", replaced);
    EXPECT_EQ(o.Overwrite, overwriteAfter);
  }
}

TEST_F(MultiRunTest, PriceSetsAndReload) {
  auto ws = loadExample(0);
  TPriceAlg alg(*ws);
  for (int i = 1; i <= kParmCount; ++i) ws->parms[i].fit = i == 1;
  alg.SetNParms();
  MultiRunOptions opt;
  MultiRunJob job = Job(kRunAllPriceSets, dir + "P.SUM", 2);
  job.Price = &alg;
  try {
    RunMultiRun(*ws, job, opt, {});
    FAIL();
  } catch (const Refusal& e) {
    EXPECT_STREQ(e.what(), "Price Algoritm not initialised!");
  }
  alg.Initialise(); // targets drawn at random: no runs needed for a population
  MultiRunResult r = RunMultiRun(*ws, job, opt, {});
  EXPECT_TRUE(r.PriceRun);
  EXPECT_EQ(Outcome(r), "3 10x1 done 10 #1 #2 #3 #4 #5 #6 #7 #8 #9 #10: ");
  auto live = [&] { return ws->parms.value(ws->scenario, alg.ParmNr(1)); };
  EXPECT_EQ(live(), alg.PSet(10, 1)) << "the last set stays live";

  SumGrid g = BuildSumGrid(ReadSumFile(dir + "P.SUM"), ItemSelection{});
  EXPECT_TRUE(ReloadSummaryRow(*ws, g, 5, true, r.LineRuns, "", &alg, LoadScenarioForBatch).ran);
  EXPECT_EQ(live(), alg.PSet(5, 1));
  // The line knows its set even where earlier sets left no line.
  ReloadSummaryRow(*ws, g, 5, true, {1, 3, 4, 5, 6, 7, 8, 9, 10, 11}, "", &alg, LoadScenarioForBatch);
  EXPECT_EQ(live(), alg.PSet(6, 1));
  EXPECT_EQ(ReloadSummaryRow(*ws, g, 5, true, {}, "", nullptr, LoadScenarioForBatch).message,
            "Price Algoritm dialog must be open!");
  EXPECT_EQ(ReloadSummaryRow(*ws, g, 11, true, r.LineRuns, "", &alg, LoadScenarioForBatch).message,
            "No summary record selected!");
}

TEST(MultiRunOptions, IniSectionAndGroups) {
  // Only "1" includes an item, missing characters exclude; EnviDir defaults to the data directory.
  IniFile ini = IniFile::FromText("[MultiRun Options]\r\nSummItems=1x1000001\r\nSaveRslts=1\r\n");
  MultiRunOptions o = ReadMultiRunOptions(ini, "/data");
  EXPECT_EQ(SelectionStatus(o.Included), "Selected: 3 of 76 summary items");
  EXPECT_FALSE(o.Overwrite);
  SetItemGroup(o.Included, 4, true);  // items 35..56
  SetItemGroup(o.Included, 0, false); // items 1..7
  o.Overwrite = true;
  IniFile out;
  WriteMultiRunOptions(out, o);
  EXPECT_EQ(out.text(), "[MultiRun Options]\r\nSummItems=" + std::string(8, '0') + "1" +
                            std::string(25, '0') + std::string(22, '1') + std::string(20, '0') +
                            "\r\nEnviDir=/data/\r\nOverwrite=1\r\nSaveRslts=1\r\n");
  MultiRunOptions back = ReadMultiRunOptions(out, "/elsewhere/");
  EXPECT_EQ(back.Included, o.Included);
  EXPECT_TRUE(back.EnviDir == "/data/" && back.Overwrite && back.SaveRslts);
  EXPECT_EQ(MultiRunStatusLine(kMRunInvalid, 3), "Invalid! Execute, or load summaries, first.");
  EXPECT_EQ(MultiRunStatusLine(kMRunRunning, 3), "Running !");
  EXPECT_EQ(MultiRunStatusLine(kMRunShown, 3), "Summary items: 3");
}
