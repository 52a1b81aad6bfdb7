// The contract of `kelmar multirun`, `kelmar stats` and `kelmar merge-sum`:
// the summary files they write, their exit codes and messages, checked by
// running the program.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

#include "Workspace.h"
#include "fitting/ParFile.h"

namespace fs = std::filesystem;

namespace {

struct Result {
  int code = -1;
  std::string out, err;
};

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

int Lines(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

const std::string kWage = std::string(KELMAR_WEATHER) + "/montecarlo/WAGE";

class CliMultiRun : public ::testing::Test {
protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("kelmar_climr_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (const char* f : {"SANDY6.DAT", "SANDY6.ENV"}) fs::copy_file(fs::path(KELMAR_EXAMPLES) / f, dir / f);
  }
  void TearDown() override { fs::remove_all(dir); }

  Result Kelmar(const std::string& args) {
    std::string cmd = std::string("cd '") + dir.string() + "' && '" KELMAR_EXE "' " + args +
                      " >out.txt 2>err.txt </dev/null";
    int st = std::system(cmd.c_str());
    Result r;
    r.code = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    r.out = Slurp(dir / "out.txt");
    r.err = Slurp(dir / "err.txt");
    return r;
  }
  void Write(const std::string& name, const std::string& text) {
    std::ofstream(dir / name, std::ios::binary) << text;
  }

  fs::path dir;
};

} // namespace

TEST_F(CliMultiRun, EnvironmentsWithTwoJobsAndInShardsWriteTheSameFile) {
  Result one = Kelmar("multirun envs SANDY6.DAT '" + kWage + "' -o ONE.SUM");
  ASSERT_EQ(one.code, 0) << one.err;
  const std::string whole = Slurp(dir / "ONE.SUM");
  const int runs = static_cast<int>(std::distance(fs::directory_iterator(kWage), fs::directory_iterator{}));
  EXPECT_EQ(Lines(whole), 4 + runs);
  EXPECT_NE(whole.find("\r\nSANDY6               WAGE1972   "), std::string::npos);

  Result two = Kelmar("multirun envs SANDY6.DAT '" + kWage + "' -o TWO.SUM --jobs 2");
  ASSERT_EQ(two.code, 0) << two.err;
  EXPECT_EQ(Slurp(dir / "TWO.SUM"), whole);

  for (int s = 1; s <= 3; ++s) {
    Result part = Kelmar("multirun envs SANDY6.DAT '" + kWage + "' -o P" + std::to_string(s) +
                         ".SUM --shard " + std::to_string(s) + "/3");
    ASSERT_EQ(part.code, 0) << part.err;
  }
  Result merged = Kelmar("merge-sum P3.SUM P1.SUM P2.SUM -o ALL.SUM");
  ASSERT_EQ(merged.code, 0) << merged.err;
  EXPECT_EQ(Slurp(dir / "ALL.SUM"), whole);

  Result missing = Kelmar("merge-sum P1.SUM P2.SUM -o BAD.SUM");
  EXPECT_EQ(missing.code, 2);
  EXPECT_NE(missing.err.find("3 shards"), std::string::npos) << missing.err;
  EXPECT_FALSE(fs::exists(dir / "BAD.SUM"));
  Result mixed = Kelmar("merge-sum P1.SUM P2.SUM P3.SUM ONE.SUM -o BAD.SUM");
  EXPECT_EQ(mixed.code, 2) << mixed.err;
  // Plain summary files are joined one after the other.
  Result plain = Kelmar("merge-sum ONE.SUM TWO.SUM -o TWICE.SUM");
  ASSERT_EQ(plain.code, 0) << plain.err;
  EXPECT_EQ(Lines(Slurp(dir / "TWICE.SUM")), 4 + 2 * runs);

  // An existing summary file is replaced only when asked to.
  Result again = Kelmar("multirun envs SANDY6.DAT '" + kWage + "' -o ONE.SUM");
  EXPECT_EQ(again.code, 4);
  EXPECT_NE(again.err.find("already exists"), std::string::npos) << again.err;
  Result replaced = Kelmar("multirun envs SANDY6.DAT '" + kWage + "' -o ONE.SUM --overwrite --jobs 2");
  EXPECT_EQ(replaced.code, 0) << replaced.err;
  EXPECT_EQ(Slurp(dir / "ONE.SUM"), whole);
}

TEST_F(CliMultiRun, ScenariosOfADirectoryCountLoadErrors) {
  fs::copy_file(dir / "SANDY6.DAT", dir / "COPY.DAT");
  Write("BROKEN.DAT", "Kelmar 459 Summ File\r\n");
  Result r = Kelmar("multirun scenarios . --save-results");
  EXPECT_EQ(r.code, 4) << "a batch with failed runs is no success";
  EXPECT_NE(r.err.find("Scenario loading errors encountered: 1"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("BROKEN.DAT"), std::string::npos) << "the failed file is named";
  const std::string sum = Slurp(dir / "MULTIRUN.SUM");
  EXPECT_EQ(Lines(sum), 4 + 2);
  EXPECT_TRUE(fs::exists(dir / "COPY.PRN"));
  EXPECT_TRUE(fs::exists(dir / "SANDY6.PRN"));
  // Without --overwrite existing result files are kept and named.
  fs::remove(dir / "MULTIRUN.SUM");
  Write("COPY.PRN", "mine");
  Result keep = Kelmar("multirun scenarios . --save-results");
  EXPECT_EQ(Slurp(dir / "COPY.PRN"), "mine");
  EXPECT_NE(keep.err.find("COPY.PRN"), std::string::npos) << keep.err;

  Result none = Kelmar("multirun scenarios '" + kWage + "'");
  EXPECT_EQ(none.code, 2);
  EXPECT_NE(none.err.find("No scenarios found in"), std::string::npos) << none.err;
}

TEST_F(CliMultiRun, StatsGridCorrelationAndHistogram) {
  ASSERT_EQ(Kelmar("multirun envs SANDY6.DAT '" + kWage + "' -o W.SUM").code, 0);
  std::string items(76, '0');
  items[0] = items[33] = items[62] = '1'; // Ini, NAVG, Corr1
  Result grid = Kelmar("stats W.SUM --items " + items);
  ASSERT_EQ(grid.code, 0) << grid.err;
  std::istringstream in(grid.out);
  std::string header;
  std::getline(in, header);
  EXPECT_EQ(header.substr(0, 2), "ID");
  EXPECT_NE(header.find("NAVG"), std::string::npos);
  EXPECT_EQ(header.find("FinOM"), std::string::npos);
  for (const char* label : {"\nlow ", "\nhigh ", "\navg ", "\nSE "})
    EXPECT_NE(grid.out.find(label), std::string::npos) << label;
  EXPECT_NE(grid.out.find("Summary items: 3"), std::string::npos);

  Result corr = Kelmar("stats W.SUM --items " + items + " --corr W.COR");
  ASSERT_EQ(corr.code, 0) << corr.err;
  EXPECT_EQ(Lines(Slurp(dir / "W.COR")), 1 + 4);
  EXPECT_NE(corr.out.find("R-Crit (0.05%): "), std::string::npos);

  Result hist = Kelmar("stats W.SUM --hist navg");
  ASSERT_EQ(hist.code, 0) << hist.err;
  EXPECT_NE(hist.out.find("Histogram of NAVG"), std::string::npos);
  const int runs = static_cast<int>(std::distance(fs::directory_iterator(kWage), fs::directory_iterator{}));
  EXPECT_NE(hist.out.find("values: " + std::to_string(runs)), std::string::npos) << hist.out;

  EXPECT_EQ(Kelmar("stats W.SUM --items 101").code, 2);
  EXPECT_EQ(Kelmar("stats W.SUM --hist NOSUCH").code, 2);
  EXPECT_EQ(Kelmar("stats W.SUM --items " + items + " --hist FinOM").code, 2);
  EXPECT_EQ(Kelmar("stats SANDY6.DAT").code, 3);
  EXPECT_EQ(Kelmar("stats NONE.SUM").code, 4);
}

TEST_F(CliMultiRun, PriceSetsOfASeededSearch) {
  {
    auto ws = kelmar::MakeWorkspace();
    for (int i = 1; i <= kelmar::kParmCount; ++i) ws->parms[i].fit = 0;
    ws->parms[2].fit = 1;
    kelmar::SavePar(*ws, (dir / "SANDY6.PAR").string());
  }
  const std::string fit = "multirun price SANDY6.DAT --targets 000010000 --seed 11 --init-only";
  Result a = Kelmar(fit + " -o A.SUM");
  ASSERT_EQ(a.code, 0) << a.err;
  EXPECT_EQ(Lines(Slurp(dir / "A.SUM")), 4 + 10) << "ten sets for one fitted parameter";
  Result b = Kelmar(fit + " -o B.SUM --jobs 2");
  ASSERT_EQ(b.code, 0) << b.err;
  EXPECT_EQ(Slurp(dir / "B.SUM"), Slurp(dir / "A.SUM"));

  Result unseeded = Kelmar("multirun price SANDY6.DAT --targets 000010000 --init-only --shard 1/2");
  EXPECT_EQ(unseeded.code, 2);
  EXPECT_NE(unseeded.err.find("--seed"), std::string::npos) << unseeded.err;
}
