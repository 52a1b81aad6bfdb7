// The contract of `kelmar multirun`, `kelmar stats` and `kelmar merge-sum`:
// the summary files they write, their exit codes and messages, checked by
// running the program.
#include <gtest/gtest.h>

#include "CliSupport.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <sys/wait.h>
#include <vector>

#include "Workspace.h"
#include "data/ParFile.h"

namespace fs = std::filesystem;

namespace {

using kelmar::test::Slurp;
int Lines(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }
bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Normalised, as the program names directories in its messages.
const std::string kWage = fs::weakly_canonical(fs::path(KELMAR_WEATHER) / "wageningen/montecarlo").string();
int Runs() { return int(std::distance(fs::directory_iterator(kWage), fs::directory_iterator())); }

class CliMultiRun : public kelmar::test::CliFixture {
protected:
  void SetUp() override {
    CliFixture::SetUp();
    CopyExamples({"SANDY6.DAT", "SANDY6.ENV"});
  }

  // Runs the program in the scratch directory, expecting exit code `code` and
  // the `texts` among its messages (stderr); returns its output (stdout).
  std::string Kelmar(const std::string& args, int code = 0, std::vector<std::string> texts = {}) {
    const kelmar::test::CliResult r = kelmar::test::RunKelmar(dir, args);
    EXPECT_EQ(r.code, code) << args << ": " << r.err;
    for (const std::string& text : texts) EXPECT_TRUE(Has(r.err, text)) << args << ": " << r.err;
    return r.out;
  }
};

} // namespace

TEST_F(CliMultiRun, EnvironmentsWithTwoJobsAndInShardsWriteTheSameFileAndStats) {
  // A batch of the example scenario with every WAGE weather year.
  const std::string envs = "multirun envs SANDY6.DAT '" + kWage + "' ";
  Kelmar(envs + "-o ONE.SUM");
  const std::string whole = Slurp(dir / "ONE.SUM");
  ASSERT_EQ(Lines(whole), 4 + Runs());
  Kelmar(envs + "-o TWO.SUM --jobs 2");
  EXPECT_EQ(Slurp(dir / "TWO.SUM"), whole);
  for (std::string s : {"1", "2", "3"}) Kelmar(envs + "-o P" + s + ".SUM --shard " + s + "/3");
  Kelmar("merge-sum P3.SUM P1.SUM P2.SUM -o ALL.SUM");
  EXPECT_EQ(Slurp(dir / "ALL.SUM"), whole);

  Kelmar("merge-sum P1.SUM P2.SUM -o BAD.SUM", 2, {"3 shards"});
  Kelmar("merge-sum P1.SUM P2.SUM P3.SUM ONE.SUM -o BAD.SUM", 2); // shards mixed with other files
  EXPECT_FALSE(fs::exists(dir / "BAD.SUM"));
  // Plain summary files are joined one after the other.
  Kelmar("merge-sum ONE.SUM TWO.SUM -o TWICE.SUM");
  EXPECT_EQ(Lines(Slurp(dir / "TWICE.SUM")), 4 + 2 * Runs());
  // An existing summary file is replaced only when asked to.
  Kelmar(envs + "-o ONE.SUM", 4, {"already exists"});
  Write("TWO.SUM", "old");
  Kelmar(envs + "-o TWO.SUM --overwrite --jobs 2");
  EXPECT_EQ(Slurp(dir / "TWO.SUM"), whole);

  // The grid of the included items with its statistics rows, the correlation matrix and a histogram.
  const auto items = "1" + std::string(32, '0') + "1" + std::string(28, '0') + "1" + std::string(13, '0');
  // Items 1, 34 and 63 (Ini, NAVG, Corr1) only, then the statistics rows and the status line.
  const std::string grid = Kelmar("stats ONE.SUM --items " + items);
  for (const char* part : {"ID ", " NAVG ", "\nlow ", "\nhigh ", "\navg ", "\nSE ", "\nSummary items: 3"})
    EXPECT_TRUE(Has(grid, part)) << part;
  EXPECT_FALSE(Has(grid, "FinOM"));
  EXPECT_TRUE(Has(Kelmar("stats ONE.SUM --items " + items + " --corr W.COR"), "R-Crit (0.05%): "));
  EXPECT_EQ(Lines(Slurp(dir / "W.COR")), 1 + 4);
  const std::string hist = Kelmar("stats ONE.SUM --hist navg");
  EXPECT_TRUE(Has(hist, "Histogram of NAVG") && Has(hist, "values: " + std::to_string(Runs()))) << hist;
  Kelmar("stats ONE.SUM --items 101", 2);
  Kelmar("stats ONE.SUM --hist NOSUCH", 2);
  Kelmar("stats ONE.SUM --items " + items + " --hist FinOM", 2);
  Kelmar("stats SANDY6.DAT", 3);
  Kelmar("stats NONE.SUM", 4);
}

TEST_F(CliMultiRun, ScenariosOfADirectoryCountLoadErrors) {
  fs::copy_file(dir / "SANDY6.DAT", dir / "COPY.DAT");
  Write("BROKEN.DAT", "Kelmar 459 Summ File\r\n");
  // A batch with failed runs is no success; the failed file is named.
  Kelmar("multirun scenarios . --save-results", 4, {"Scenario loading errors encountered: 1", "BROKEN.DAT"});
  EXPECT_EQ(Lines(Slurp(dir / "MULTIRUN.SUM")), 4 + 2);
  EXPECT_TRUE(fs::exists(dir / "COPY.PRN") && fs::exists(dir / "SANDY6.PRN"));
  // Without --overwrite existing result files are kept and named.
  fs::remove(dir / "MULTIRUN.SUM");
  Write("COPY.PRN", "mine");
  Kelmar("multirun scenarios . --save-results", 4, {"COPY.PRN"});
  EXPECT_EQ(Slurp(dir / "COPY.PRN"), "mine");
  Kelmar("multirun scenarios '" + kWage + "'", 2, {"No scenarios found in " + kWage});
}

TEST_F(CliMultiRun, PriceSetsOfASeededSearch) {
  auto ws = kelmar::MakeWorkspace();
  for (int i = 1; i <= kelmar::kParmCount; ++i) ws->parms[i].fit = i == 2;
  kelmar::SavePar(*ws, (dir / "SANDY6.PAR").string());
  const std::string fit = "multirun price SANDY6.DAT --targets 000010000 --seed 11 --init-only";
  Kelmar(fit + " -o A.SUM");
  EXPECT_EQ(Lines(Slurp(dir / "A.SUM")), 4 + 10) << "ten sets for one fitted parameter";
  Kelmar(fit + " -o B.SUM --jobs 2");
  EXPECT_EQ(Slurp(dir / "B.SUM"), Slurp(dir / "A.SUM"));
  Kelmar("multirun price SANDY6.DAT --targets 000010000 --init-only --shard 1/2", 2, {"--seed"});
}

// --weights: each weight multiplies its own target in the combined target of
// every set, as the saved search state shows (the weights 1..9 in order, then
// per set the parameter value and QT0..QT9).
TEST_F(CliMultiRun, PriceWeightsMultiplyTheirOwnTargets) {
  fs::copy_file(fs::path(KELMAR_EXAMPLES) / "SANDY6.MIN", dir / "SANDY6.MIN");
  auto ws = kelmar::MakeWorkspace();
  for (int i = 1; i <= kelmar::kParmCount; ++i) ws->parms[i].fit = i == 4;
  kelmar::SavePar(*ws, (dir / "SANDY6.PAR").string());
  const std::string targets = "110010011";
  Kelmar("multirun price SANDY6.DAT --targets " + targets +
         " --weights 1,2,3,4,5,6,7,8,9 --seed 5 --init-only --state S.TXT -o P.SUM");
  std::istringstream state(Slurp(dir / "S.TXT"));
  std::string line;
  while (std::getline(state, line) && line.rfind("Weight", 0) != 0) continue;
  std::getline(state, line);
  EXPECT_EQ(line, "1 2 3 4 5 6 7 8 9\r");
  while (std::getline(state, line) && line.rfind("Sets:", 0) != 0) continue;
  int sets = 0;
  for (double v[11]; std::getline(state, line) && !std::isalpha(line[0]); ++sets) {
    std::istringstream row(line);
    for (double& x : v) row >> x; // the parameter value, QT0..QT9
    ASSERT_TRUE(row) << line;
    double weighted = 0;
    for (int k = 1; k <= 9; ++k) weighted += targets[k - 1] == '1' ? k * v[1 + k] : 0;
    EXPECT_NEAR(v[1], weighted, std::fabs(weighted) * 1e-5) << line;
  }
  EXPECT_EQ(sets, 10);
}

// Values the options refuse are usage errors named by the option, before any
// file is read or written.
TEST_F(CliMultiRun, RefusedOptionValuesAreUsageErrors) {
  const std::pair<const char*, const char*> rows[] = {
      {"multirun envs SANDY6.DAT . --shard 3/2", "--shard: I/N with 1 <= I <= N was expected, found '3/2'"},
      {"multirun envs SANDY6.DAT . --shard 1/x", "--shard: I/N"},
      {"multirun envs SANDY6.DAT . --items 101", "--items: 76 characters 1 or 0 were expected, item 1 first"},
      {"multirun envs SANDY6.DAT . --jobs 0", "--jobs"},
      {"multirun price SANDY6.DAT --weights 1,,2", "--weights: up to nine weights 0.01..100"},
      {"multirun price SANDY6.DAT --ftol nan", "--ftol: a number 0..1 was expected"},
      {"multirun price SANDY6.DAT --qttype median",
       "--qttype: sum, max or carrousel was expected, found 'median'"},
      {"stats NONE.SUM --hist nope",
       "--hist: a summary item name or number 1..76 was expected, found 'nope'"},
      {"run SANDY6.DAT --corr-range '1;2'", "--corr-range: LOW,HIGH was expected, found '1;2'"},
      {"run SANDY6.DAT --range 5-4", "--range: FROM-TILL with 1 <= FROM <= TILL <= 520 was expected"},
      {"run SANDY6.DAT --opt 0x1FFFFFFFF", "--opt: a number (decimal or 0x hex) was expected"},
  };
  for (const auto& [args, message] : rows) {
    const std::string a = args;
    EXPECT_EQ(Kelmar(a.rfind("multirun", 0) == 0 ? a + " -o X.SUM" : a, 2, {message}), "") << args;
    EXPECT_FALSE(fs::exists(dir / "X.SUM")) << args;
  }
}
