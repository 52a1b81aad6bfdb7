// The contract of `kelmar fit`: what it prints and writes, that a seed fixes
// the result, that an interrupted fit resumes to the same sets, Ctrl+C, and
// the refusals with their exit codes.
#include <gtest/gtest.h>

#include "CliSupport.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "Workspace.h"
#include "data/ParFile.h"
#include "data/TextFormat.h"

namespace fs = std::filesystem;
using namespace kelmar;

namespace {

// The words of line n (0 first) of a text.
std::vector<std::string> Words(const std::string& text, int n) {
  std::istringstream in(text);
  std::string line;
  for (int i = 0; i <= n; ++i) std::getline(in, line);
  std::istringstream words(line);
  return {std::istream_iterator<std::string>(words), {}};
}

void ExpectParts(const std::string& text, std::initializer_list<const char*> parts) {
  for (const char* part : parts) EXPECT_NE(text.find(part), std::string::npos) << part << " in\n" << text;
}

class CliFit : public kelmar::test::CliFixture {
protected:
  void SetUp() override {
    CliFixture::SetUp();
    CopyExamples({"SANDY6.DAT", "SANDY6.ENV", "SANDY6.MIN"});
    WriteParFile("TWO.PAR", {4, 24}); // CNM and NLF1
  }

  // A parameter file that marks exactly the given table entries.
  void WriteParFile(const std::string& name, std::initializer_list<int> marked) {
    auto ws = MakeWorkspace();
    for (int i = 1; i <= ParmTable::size(); ++i) ws->parms[i].fit = std::ranges::count(marked, i);
    OutText text;
    WritePar(*ws, text);
    Write(name, text.text());
  }
  std::string Command(const std::string& args) const {
    return "cd '" + dir.string() + "' && exec '" KELMAR_EXE "' " + args + " >out.txt 2>err.txt";
  }
};

const std::string kSmallFit = "fit SANDY6.DAT --par TWO.PAR --seed 7 --iter-per-set 3";

} // namespace

TEST_F(CliFit, ReportsWritesTheSetsBestFirstAndSavesTheBestOne) {
  ASSERT_EQ(Kelmar(kSmallFit + " --ps A.PS --save FITTED.DAT"), 0) << err;
  EXPECT_TRUE(err.empty()) << err;
  ExpectParts(out, {"Parameters: 2  Sets: 20  Iterations: 60  Retries: ", "\nModel runs: ", "\nCNM ",
                    "\nNLF1 ", "\n1: |Ni-Nm|/Ni TopSoil *"});
  const std::string ps = Read("A.PS"), dat = Read("FITTED.DAT");
  EXPECT_EQ(std::count(ps.begin(), ps.end(), '\n'), 4 + 20);
  auto qt0 = [&](int row) { return std::stod(Words(ps, 3 + row)[3]); }; // words: SetNr CNM NLF1 QT0 ...
  for (int row = 1; row < 20; ++row) EXPECT_LE(qt0(row), qt0(row + 1)) << "best first, row " << row;
  // The values below the header of section PARAMETERS: Year Week Weeks ETbare MWU pH CNM ...
  const int params = std::count(dat.begin(), dat.begin() + dat.find("PARAMETERS\r\n"), '\n');
  EXPECT_EQ(Words(dat, params + 2)[6], Words(ps, 4)[1]) << "the saved scenario holds the best set";
}

TEST_F(CliFit, TheSameSeedGivesTheSameSetsAndAnInterruptedFitResumesToThem) {
  for (const char* ps : {"A.PS", "B.PS"}) ASSERT_EQ(Kelmar(kSmallFit + " --ps " + ps), 0);
  EXPECT_EQ(Read("A.PS"), Read("B.PS"));
  ASSERT_EQ(Kelmar("fit SANDY6.DAT --par TWO.PAR --seed 8 --iter-per-set 3 --ps C.PS"), 0);
  EXPECT_NE(Read("A.PS"), Read("C.PS")) << "another seed, other sets";

  // Stopped twice: once while the initial sets are made, once while iterating;
  // an interrupted fit writes no results.
  EXPECT_EQ(Kelmar(kSmallFit + " --state S.TXT --stop-after 9 --ps PART.PS"), 130) << err;
  ExpectParts(err, {"resumes it from S.TXT"});
  EXPECT_FALSE(fs::exists(dir / "PART.PS"));
  EXPECT_EQ(Kelmar(kSmallFit + " --state S.TXT --stop-after 30"), 130) << err;
  ExpectParts(err, {"Resuming from S.TXT"});
  // The seed given now does not matter: the state brings its own.
  ASSERT_EQ(Kelmar("fit SANDY6.DAT --par TWO.PAR --seed 99 --state S.TXT --ps RESUMED.PS"), 0) << err;
  EXPECT_EQ(Read("RESUMED.PS"), Read("A.PS"));
  ExpectParts(out, {"Iterations: 60"});
}

TEST_F(CliFit, CtrlCStopsCleanlyAndKeepsTheState) {
  // Without a trial budget or a range limit only an interruption ends the fit.
  const std::string cmd = Command("fit SANDY6.DAT --par TWO.PAR --iter-per-set 0 --ftol 0 --state S.TXT");
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) ::_exit(::execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr)));
  // Wait until the state file says the search is iterating.
  auto iterating = [&] { return Read("S.TXT").find("\r\n6 2 20\r\n") != std::string::npos; };
  for (int i = 0; i < 400 && !iterating(); ++i) ::usleep(50000);
  const bool wasIterating = iterating();
  ::kill(pid, SIGINT);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(wasIterating) << "the fit never got to iterate";
  // The first Ctrl+C stops the fit with status 130; it does not kill the program.
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 130) << status;
  ExpectParts(Read("err.txt"), {"Fit interrupted"});
  // The saved state is whole and resumes.
  EXPECT_EQ(Kelmar("fit SANDY6.DAT --par TWO.PAR --state S.TXT --stop-after 1"), 130) << err;
}

TEST_F(CliFit, OptionsComeFromTheIniFileAndTheFlagsAndInitOnlyStopsAfterTheSets) {
  Write("K.INI", "[Price Options]\r\nTargets=110000000\r\nNIterPSet=1\r\nQTType=1\r\n");
  const std::string fit = "fit SANDY6.DAT --par TWO.PAR --seed 7 --ini K.INI";
  ASSERT_EQ(Kelmar(fit), 0) << err;
  ExpectParts(out, {"Iterations: 20  Retries: ", "QT: 110000000", "QTmax (combined)"});
  ASSERT_EQ(Kelmar(fit + " --targets 100000001 --qttype carrousel --init-only"), 0) << err;
  ExpectParts(out, {"Sets: 20  Iterations: 0", "QT: 100000001", "QTsum (combined)"});
}

TEST_F(CliFit, RefusalsAndErrors) {
  WriteParFile("NONE.PAR", {});
  Write("BAD.PAR", "Kelmar 430 Data File\r\n");
  Write("BAD.STATE", "Kelmar 459 Data File\r\n");
  // {arguments, exit code, part of the message}
  const std::tuple<const char*, int, const char*> rows[] = {
      {"fit SANDY6.DAT --par TWO.PAR --targets 000100000", 2, "No measurements available for fitting!"},
      {"fit SANDY6.DAT --par NONE.PAR", 2, "No parameters selected in Parameter Fitting dialog!"},
      {"fit SANDY6.DAT --par TWO.PAR --targets 11111", 2, "--targets"},
      {"fit SANDY6.DAT --par TWO.PAR --weights 1,0", 2, "--weights"},
      {"fit SANDY6.DAT --par TWO.PAR --weights 1,0.005", 2, "--weights"},
      {"fit SANDY6.DAT --par TWO.PAR --qttype median", 2, "--qttype"},
      {"fit SANDY6.DAT --par TWO.PAR --ftol 2", 2, "--ftol"},
      {"fit SANDY6.DAT --par TWO.PAR --keepom --no-keepom", 2, "exclude"},
      {"fit SANDY6.DAT --par BAD.PAR", 3, "Invalid file ID!: Kelmar 430 Data File"},
      {"fit SANDY6.DAT --par MISSING.PAR", 4, "MISSING.PAR"},
      {"fit SANDY6.DAT --par TWO.PAR --state BAD.STATE", 3, "Invalid file ID: Kelmar 459 Data File"},
      {"fit NOSUCH.DAT", 4, "NOSUCH.DAT"},
  };
  for (const auto& [args, code, message] : rows) {
    EXPECT_EQ(Kelmar(args), code) << args << "\n" << err;
    EXPECT_NE(err.find(message), std::string::npos) << args << "\n" << err;
    EXPECT_TRUE(out.empty()) << args;
  }
}

// Each weight of --weights belongs to its own target: the combined target
// before the fit is the weighted sum of the selected targets as printed.
// Distinct weights make a weight that lands on a neighbouring target show.
TEST_F(CliFit, EachWeightMultipliesItsOwnTarget) {
  const std::string targets = "110010011";
  ASSERT_EQ(Kelmar("fit SANDY6.DAT --par TWO.PAR --seed 7 --init-only --targets " + targets +
                   " --weights 1,2,3,4,5,6,7,8,9"),
            0)
      << err;
  std::istringstream report(out);
  std::string line;
  double combined = -1, weighted = 0;
  int targetsSeen = 0;
  while (std::getline(report, line)) {
    if (line.rfind("QTsum (combined)", 0) == 0) combined = std::stod(line.substr(42, 11));
    const int k = line.size() > 2 && line[1] == ':' ? line[0] - '0' : 0;
    if (k < 1 || k > 9) continue;
    ++targetsSeen;
    const double before = std::stod(line.substr(42, 11));
    EXPECT_EQ(line.find(" *") != std::string::npos, targets[k - 1] == '1') << line;
    if (targets[k - 1] == '1') weighted += k * before;
  }
  ASSERT_EQ(targetsSeen, 9) << out;
  EXPECT_GT(weighted, 0.1) << "the example's measurements give targets above zero";
  EXPECT_NEAR(combined, weighted, 0.01) << out;
}

// --ftol is the relative range 2 (max - min) / (max + min) of the combined
// target below which the search ends: a search that stops before its trial
// budget has reached it, one that has not reached it uses the whole budget.
TEST_F(CliFit, FtolEndsTheSearchOnlyBelowTheRelativeRange) {
  int early = 0;
  for (const char* ftol : {"0.1", "1"}) {
    ASSERT_EQ(
        Kelmar(std::string("fit SANDY6.DAT --targets 110000000 --seed 7 --iter-per-set 3 --ftol ") + ftol), 0)
        << err;
    const std::vector<std::string> w =
        Words(out, 0); // Parameters: 7 Sets: 70 Iterations: N ... Range: lo - hi
    ASSERT_GE(w.size(), 14u) << out;
    const int sets = std::stoi(w[3]), iterations = std::stoi(w[5]);
    const double lo = std::stod(w[11]), hi = std::stod(w[13]);
    const double range = 2 * (hi - lo) / (hi + lo);
    if (iterations < 3 * sets) {
      ++early;
      EXPECT_LT(range, std::stod(ftol) + 0.005) << out;
    } else {
      EXPECT_GE(range, std::stod(ftol) - 0.005) << out;
    }
  }
  EXPECT_EQ(early, 1) << "Ftol 1 ends the search early, 0.1 does not";
}
