// The contract of `kelmar sensitivity`: the ranked CSV and table, results
// independent of --jobs, the checks of its options and its refusals.
#include <gtest/gtest.h>

#include "CliSupport.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "Workspace.h"
#include "data/ParFile.h"
#include "data/TextFormat.h"
#include "session/Companions.h"

namespace fs = std::filesystem;
using namespace kelmar;

namespace {

class CliSensitivity : public kelmar::test::CliFixture {
protected:
  void SetUp() override {
    CliFixture::SetUp();
    CopyExamples({"SANDY6.DAT", "SANDY6.ENV", "SANDY6.MIN"});
    WriteParFile("FOUR.PAR", {4, 9, 24, 40}); // CNM, DNF, NLF1, oAge
    WriteParFile("NONE.PAR", {});
  }

  // Marks exactly the given entries, each 10 % either side of the example's value.
  void WriteParFile(const std::string& name, std::initializer_list<int> marked) {
    auto ws = MakeWorkspace();
    ASSERT_TRUE(LoadScenarioWithCompanions(*ws, (dir / "SANDY6.DAT").string()).ok());
    for (int i = 1; i <= ParmTable::size(); ++i) {
      AutoParm& p = ws->parms[i];
      p.fit = std::ranges::count(marked, i);
      const float v = ws->parms.value(ws->scenario, i);
      if (p.fit) p.lower = 0.9f * v, p.upper = 1.1f * v;
    }
    OutText text;
    WritePar(*ws, text);
    Write(name, text.text());
  }
};

long Lines(const std::string& s) { return std::count(s.begin(), s.end(), '\n'); }

} // namespace

TEST_F(CliSensitivity, RankedCsvAndTableTheSameForAnyNumberOfJobs) {
  struct Case {
    const char* args;
    const char* header;
    long rows; // parameters x outputs
  } cases[] = {
      {"--method morris --trajectories 6 --outputs NLeach,NOUT --targets 100000000",
       "parameter,output,mu_star,mu_star_conf,mu,sigma,effects\n", 4 * 3},
      {"--method sobol --samples 32 --outputs nleach", "parameter,output,ST,ST_conf,S1,S1_conf,samples\n",
       4 * 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const std::string base = std::string("sensitivity SANDY6.DAT --par FOUR.PAR ") + c.args;
    ASSERT_EQ(Kelmar(base + " --seed 5 --jobs 1 -o ONE.CSV"), 0) << err;
    EXPECT_TRUE(err.empty()) << err;
    EXPECT_NE(out.find("Parameter Output"), std::string::npos) << out;
    ASSERT_EQ(Kelmar(base + " --seed 5 --jobs 2 -o TWO.CSV"), 0) << err;
    const std::string csv = Read("ONE.CSV");
    EXPECT_EQ(csv, Read("TWO.CSV"));
    EXPECT_EQ(csv.rfind(c.header, 0), 0u) << csv;
    EXPECT_EQ(Lines(csv), c.rows + 1);
    // Sorted by importance, the largest first.
    std::istringstream in(csv);
    std::string line;
    std::getline(in, line);
    double previous = 1e300;
    while (std::getline(in, line)) {
      const std::size_t a = line.find(',', line.find(',') + 1);
      const double v = std::stod(line.substr(a + 1));
      EXPECT_LE(v, previous) << line;
      previous = v;
    }
    ASSERT_EQ(Kelmar(base + " --jobs 2 --seed 6 -o OTHER.CSV"), 0) << err;
    EXPECT_NE(csv, Read("OTHER.CSV")) << "another seed, another design";
  }
}

TEST_F(CliSensitivity, OptionsAreCheckedAndRefusalsExplained) {
  struct Case {
    const char* args;
    int code;
    const char* message;
  } cases[] = {
      {"--levels 3", 2, "an even number of levels"},
      {"--outputs NLeach,Foo", 2, "unknown summary item 'Foo'"},
      {"--method saltelli", 2, "morris or sobol"},
      {"--targets 1111", 2, "nine characters 1 or 0"},
      {"--jobs 0", 2, "a number of jobs"},
      {"--trajectories 1", 2, "a number of trajectories"},
      {"--method sobol --samples 1048576", 2, "too many runs"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    EXPECT_EQ(Kelmar(std::string("sensitivity SANDY6.DAT --par FOUR.PAR -o X.CSV ") + c.args), c.code);
    EXPECT_NE(err.find(c.message), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(dir / "X.CSV"));
  }
  EXPECT_EQ(Kelmar("sensitivity SANDY6.DAT --par NONE.PAR -o X.CSV"), 2);
  EXPECT_NE(err.find("No parameters selected in Parameter Fitting dialog!"), std::string::npos) << err;
  EXPECT_EQ(Kelmar("sensitivity MISSING.DAT --par FOUR.PAR -o X.CSV"), 4) << err;
  EXPECT_FALSE(fs::exists(dir / "X.CSV"));
}

// Runs that fail are counted and reported; the estimates rest on the others.
TEST_F(CliSensitivity, FailedRunsAreReported) {
  // CNM's default range reaches 0, where the model cannot run.
  auto ws = MakeWorkspace();
  ws->parms[4].fit = 1;
  OutText text;
  WritePar(*ws, text);
  std::ofstream(dir / "WIDE.PAR") << text.text();
  ASSERT_EQ(Kelmar("sensitivity SANDY6.DAT --par WIDE.PAR --trajectories 8 --outputs NLeach -o W.CSV"), 0)
      << err;
  EXPECT_NE(err.find(" runs failed and are left out, the first: "), std::string::npos) << err;
  EXPECT_NE(out.find(" failed"), std::string::npos) << out;
}

TEST_F(CliSensitivity, CtrlCStopsWithoutWritingTheResult) {
  const std::string cmd = "cd '" + dir.string() +
                          "' && exec '" KELMAR_EXE
                          "' sensitivity SANDY6.DAT --par FOUR.PAR --method sobol --samples 100000 -o R.CSV "
                          ">out.txt 2>err.txt";
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) ::_exit(::execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr)));
  ::usleep(1500000);
  ::kill(pid, SIGINT);
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 130) << status;
  EXPECT_NE(Read("err.txt").find("Sensitivity analysis interrupted after "), std::string::npos)
      << Read("err.txt");
  EXPECT_FALSE(fs::exists(dir / "R.CSV"));
}
