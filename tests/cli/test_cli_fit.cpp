// The contract of `kelmar fit`: what it prints and writes, that a seed fixes
// the result, that an interrupted fit resumes to the same sets, Ctrl+C, and
// the refusals with their exit codes.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "Workspace.h"
#include "data/TextFormat.h"
#include "fitting/ParFile.h"

namespace fs = std::filesystem;
using namespace kelmar;

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

int Lines(const std::string& s) { return static_cast<int>(std::count(s.begin(), s.end(), '\n')); }

class CliFit : public ::testing::Test {
protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("kelmar_fit_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (const char* f : {"SANDY6.DAT", "SANDY6.ENV", "SANDY6.MIN"})
      fs::copy_file(fs::path(KELMAR_EXAMPLES) / f, dir / f);
    WriteParFile("TWO.PAR", {4, 24}); // CNM and NLF1
  }
  void TearDown() override { fs::remove_all(dir); }

  // A parameter file that marks exactly the given table entries.
  void WriteParFile(const std::string& name, std::initializer_list<int> marked) {
    auto ws = MakeWorkspace();
    for (int i = 1; i <= ParmTable::size(); ++i) ws->parms[i].fit = 0;
    for (int nr : marked) ws->parms[nr].fit = 1;
    OutText out;
    WritePar(*ws, out);
    Write(name, out.text());
  }
  std::string Command(const std::string& args) const {
    return std::string("cd '") + dir.string() + "' && exec '" KELMAR_EXE "' " + args;
  }
  Result Kelmar(const std::string& args) {
    int st = std::system((Command(args) + " >out.txt 2>err.txt").c_str());
    Result r;
    r.code = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    r.out = Slurp(dir / "out.txt");
    r.err = Slurp(dir / "err.txt");
    return r;
  }
  void Write(const std::string& name, const std::string& text) {
    std::ofstream(dir / name, std::ios::binary) << text;
  }
  std::string Read(const std::string& name) { return Slurp(dir / name); }

  fs::path dir;
};

const char* kSmallFit = "fit SANDY6.DAT --par TWO.PAR --seed 7 --iter-per-set 3";

} // namespace

TEST_F(CliFit, ReportsWritesTheSetsAndSavesTheBestOne) {
  Result r = Kelmar(std::string(kSmallFit) + " --ps A.PS --save FITTED.DAT");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(r.err.empty()) << r.err;
  EXPECT_NE(r.out.find("Parameters: 2  Sets: 20  Iterations: 60  Retries: "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Model runs: "), std::string::npos);
  EXPECT_NE(r.out.find("\nCNM "), std::string::npos);
  EXPECT_NE(r.out.find("\nNLF1 "), std::string::npos);
  EXPECT_NE(r.out.find("1: |Ni-Nm|/Ni TopSoil *"), std::string::npos);

  const std::string ps = Read("A.PS");
  ASSERT_EQ(ps.rfind("Kelmar 430 PSet File\r\n", 0), 0u);
  EXPECT_EQ(Lines(ps), 4 + 20);
  // Row 1 is the best set, and it is the one saved in the scenario.
  std::istringstream rows(ps);
  std::string line;
  for (int i = 0; i < 5; ++i) std::getline(rows, line);
  std::istringstream best(line);
  int row = 0;
  std::string cnm;
  best >> row >> cnm;
  EXPECT_EQ(row, 1);
  const std::string dat = Read("FITTED.DAT");
  const std::size_t params = dat.find("PARAMETERS\r\n");
  ASSERT_NE(params, std::string::npos);
  std::istringstream values(dat.substr(dat.find("\r\n", dat.find("DNF", params)) + 2));
  std::string year, week, weeks, etbare, mwu, ph, savedCnm;
  values >> year >> week >> weeks >> etbare >> mwu >> ph >> savedCnm;
  EXPECT_EQ(savedCnm, cnm) << "the saved scenario holds the best set";
}

TEST_F(CliFit, TheSameSeedGivesTheSameSets) {
  ASSERT_EQ(Kelmar(std::string(kSmallFit) + " --ps A.PS").code, 0);
  ASSERT_EQ(Kelmar(std::string(kSmallFit) + " --ps B.PS").code, 0);
  EXPECT_EQ(Read("A.PS"), Read("B.PS"));
  ASSERT_EQ(Kelmar("fit SANDY6.DAT --par TWO.PAR --seed 8 --iter-per-set 3 --ps C.PS").code, 0);
  EXPECT_NE(Read("A.PS"), Read("C.PS")) << "another seed, other sets";
}

TEST_F(CliFit, AnInterruptedFitResumesToTheSameSets) {
  ASSERT_EQ(Kelmar(std::string(kSmallFit) + " --ps WHOLE.PS").code, 0);
  // Stopped twice: once while the initial sets are made, once while iterating.
  Result r = Kelmar(std::string(kSmallFit) + " --state S.TXT --stop-after 9 --ps PART.PS");
  EXPECT_EQ(r.code, 130) << r.err;
  EXPECT_NE(r.err.find("resumes it from S.TXT"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir / "PART.PS")) << "an interrupted fit writes no results";
  r = Kelmar(std::string(kSmallFit) + " --state S.TXT --stop-after 30");
  EXPECT_EQ(r.code, 130) << r.err;
  EXPECT_NE(r.err.find("Resuming from S.TXT"), std::string::npos) << r.err;
  // The seed given now does not matter: the state brings its own.
  r = Kelmar("fit SANDY6.DAT --par TWO.PAR --seed 99 --state S.TXT --ps RESUMED.PS");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(Read("RESUMED.PS"), Read("WHOLE.PS"));
  EXPECT_NE(r.out.find("Iterations: 60"), std::string::npos) << r.out;
}

TEST_F(CliFit, CtrlCStopsCleanlyAndKeepsTheState) {
  // Without a trial budget or a range limit only an interruption ends the fit.
  const std::string cmd = Command("fit SANDY6.DAT --par TWO.PAR --seed 3 --iter-per-set 0 --ftol 0 "
                                  "--state S.TXT >out.txt 2>err.txt");
  pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  // Wait until the search is iterating (the state file says so).
  bool iterating = false;
  for (int i = 0; i < 400 && !iterating; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const std::string st = Read("S.TXT");
    iterating = st.find("\r\n6 2 20\r\n") != std::string::npos;
  }
  ::kill(pid, SIGINT);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(iterating) << "the fit never got to iterate";
  ASSERT_TRUE(WIFEXITED(status)) << "the first Ctrl+C stops the fit, it does not kill the program";
  EXPECT_EQ(WEXITSTATUS(status), 130);
  EXPECT_NE(Read("err.txt").find("Fit interrupted"), std::string::npos);
  Result r = Kelmar("fit SANDY6.DAT --par TWO.PAR --state S.TXT --stop-after 1");
  EXPECT_EQ(r.code, 130) << "the saved state is whole and resumes: " << r.err;
}

TEST_F(CliFit, InitOnlyStopsAfterTheInitialSets) {
  Result r = Kelmar("fit SANDY6.DAT --par TWO.PAR --seed 7 --init-only --ps INIT.PS");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("Sets: 20  Iterations: 0"), std::string::npos) << r.out;
  std::istringstream ps(Read("INIT.PS"));
  std::string line;
  for (int i = 0; i < 4; ++i) std::getline(ps, line);
  double last = -1;
  int rows = 0;
  while (std::getline(ps, line)) {
    std::istringstream f(line);
    double row, cnm, nlf, qt0;
    f >> row >> cnm >> nlf >> qt0;
    EXPECT_GE(qt0, last) << "best first";
    last = qt0;
    ++rows;
  }
  EXPECT_EQ(rows, 20);
}

TEST_F(CliFit, OptionsComeFromTheIniFileAndTheFlags) {
  Write("K.INI", "[Price Options]\r\nTargets=110000000\r\nNIterPSet=1\r\nQTType=1\r\n");
  Result r = Kelmar("fit SANDY6.DAT --par TWO.PAR --seed 7 --ini K.INI");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("Iterations: 20  Retries: "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("QT: 110000000"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("QTmax (combined)"), std::string::npos);
  r = Kelmar("fit SANDY6.DAT --par TWO.PAR --seed 7 --ini K.INI --targets 100000001 --qttype carrousel");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("QT: 100000001"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("QTsum (combined)"), std::string::npos);
}

TEST_F(CliFit, RefusalsAndErrors) {
  WriteParFile("NONE.PAR", {});
  Write("BAD.PAR", "Kelmar 430 Data File\r\n");
  Write("BAD.STATE", "Kelmar 459 Data File\r\n");
  struct Row {
    const char* args;
    int code;
    const char* message;
  };
  const Row rows[] = {
      {"fit SANDY6.DAT --par TWO.PAR --targets 000100000", 2, "No measurements available for fitting!"},
      {"fit SANDY6.DAT --par NONE.PAR", 2, "No parameters selected in Parameter Fitting dialog!"},
      {"fit SANDY6.DAT --par TWO.PAR --targets 11111", 2, "--targets"},
      {"fit SANDY6.DAT --par TWO.PAR --weights 1,0", 2, "--weights"},
      {"fit SANDY6.DAT --par TWO.PAR --qttype median", 2, "--qttype"},
      {"fit SANDY6.DAT --par TWO.PAR --ftol 2", 2, "--ftol"},
      {"fit SANDY6.DAT --par TWO.PAR --keepom --no-keepom", 2, "exclude"},
      {"fit SANDY6.DAT --par BAD.PAR", 3, "Invalid file ID!: Kelmar 430 Data File"},
      {"fit SANDY6.DAT --par MISSING.PAR", 4, "MISSING.PAR"},
      {"fit SANDY6.DAT --par TWO.PAR --state BAD.STATE", 3, "Invalid file ID: Kelmar 459 Data File"},
      {"fit NOSUCH.DAT", 4, "NOSUCH.DAT"},
  };
  for (const Row& row : rows) {
    Result r = Kelmar(row.args);
    EXPECT_EQ(r.code, row.code) << row.args << "\n" << r.err;
    EXPECT_NE(r.err.find(row.message), std::string::npos) << row.args << "\n" << r.err;
    EXPECT_TRUE(r.out.empty()) << row.args;
  }
}
