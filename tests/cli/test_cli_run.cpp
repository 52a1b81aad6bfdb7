// The contract of `kelmar run` and `kelmar convert`: exit codes, messages and
// the files they write, checked by running the program.
#include <gtest/gtest.h>

#include "CliSupport.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <tuple>
#include <vector>

#include "Workspace.h"
#include "data/ParFile.h"

namespace fs = std::filesystem;

namespace {

using Result = kelmar::test::CliResult;
using kelmar::test::Slurp;

class CliRun : public kelmar::test::CliFixture {
protected:
  void SetUp() override {
    CliFixture::SetUp();
    CopyExamples({"SANDY6.DAT", "SANDY6.ENV"});
  }

  Result Kelmar(const std::string& args) { return kelmar::test::RunKelmar(dir, args); }
};

TEST_F(CliRun, DefaultPrintsNitrogenSummaryAndMineralBalance) {
  Result r = Kelmar("run SANDY6.DAT");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("Summary Nitrogen Balance"), std::string::npos);
  EXPECT_NE(r.out.find("Mineral Balance"), std::string::npos);
  EXPECT_NE(r.out.find("TOTAL"), std::string::npos);
}

// Every field of every week record, as `kelmar run --weeks-csv` prints it
// (%.9g, enough to give back the single-precision value stored), equals the
// checked-in reference run of three scenarios: the example, a dry profile
// over a shallow water table, and one with every kind of application, a green
// manure and irrigation with N. The comparison is exact text, so a changed
// rounding, order of operations or process shows here. A deliberate change of
// the model regenerates tests/data/reference/*.csv in the same commit, whose
// message gives the reason:
//   kelmar run X.DAT --weeks-csv tests/data/reference/X.csv
// (with SANDY6.ENV, and the example's SANDY6.MIN, beside the scenario).
TEST_F(CliRun, WeeksCsvEqualsTheReferenceRunsExactly) {
  const fs::path ref = fs::path(KELMAR_TEST_DATA) / "reference";
  fs::copy_file(fs::path(KELMAR_EXAMPLES) / "SANDY6.MIN", dir / "SANDY6.MIN");
  for (const char* f : {"DRYGWT.DAT", "APPLY2.DAT", "APPLY2.IRR"}) fs::copy_file(ref / f, dir / f);
  // {scenario, the number of records: 0..Weeks+1}
  for (const auto& [name, records] :
       {std::pair("SANDY6", 314), std::pair("DRYGWT", 106), std::pair("APPLY2", 106)}) {
    SCOPED_TRACE(name);
    const std::string csvName = std::string(name) + ".csv";
    Result r = Kelmar(std::string("run ") + name + ".DAT --weeks-csv " + csvName);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(r.out.empty()) << "an output option replaces the human summary";
    std::istringstream got(Slurp(dir / csvName)), want(Slurp(ref / csvName));
    std::string header, g, w;
    std::getline(want, header);
    std::getline(got, g);
    ASSERT_EQ(g, header);
    EXPECT_EQ(std::count(header.begin(), header.end(), ','), 86) << "r and 86 fields";
    std::vector<std::string> names;
    for (std::istringstream h(header); std::getline(h, w, ',');) names.push_back(w);
    int rows = 0, differences = 0;
    while (std::getline(want, w)) {
      ASSERT_TRUE(std::getline(got, g)) << "record " << rows << " missing";
      ++rows;
      if (g == w) continue;
      std::istringstream gs(g), ws(w);
      std::string a, b;
      for (std::size_t i = 0; std::getline(ws, b, ',') && differences < 10; ++i)
        if (!std::getline(gs, a, ',') || a != b)
          ADD_FAILURE() << "record " << rows - 1 << " " << (i < names.size() ? names[i] : "?") << ": " << a
                        << " instead of " << b
                        << (++differences == 10 ? " (further differences not shown)" : "");
    }
    EXPECT_FALSE(std::getline(got, g)) << "more records than the reference: " << g;
    EXPECT_EQ(rows, records);
  }
}

TEST_F(CliRun, TablesInOrderToFileAndListingForm) {
  Result r = Kelmar("run --table 1 --table 19 SANDY6.DAT --range 1-60 -o t.prn");
  ASSERT_EQ(r.code, 0) << r.err;
  std::string t = Slurp(dir / "t.prn");
  auto env = t.find("  wk    Tc  Rain   ET0   Irr  NIrr");
  auto sum = t.find("Summary Nitrogen Balance");
  ASSERT_NE(env, std::string::npos);
  ASSERT_NE(sum, std::string::npos);
  EXPECT_LT(env, sum) << "tables come in the order given";
  EXPECT_EQ(t.find('\f'), std::string::npos);
  Result l = Kelmar("run SANDY6.DAT --table 1 --listing -o l.prn");
  ASSERT_EQ(l.code, 0) << l.err;
  std::string lt = Slurp(dir / "l.prn");
  EXPECT_NE(lt.find('\f'), std::string::npos) << "520 weeks need several pages";
  EXPECT_NE(lt.find("\r\n     "), std::string::npos) << "a listing has a left margin";
}

TEST_F(CliRun, UsageErrors) {
  EXPECT_EQ(Kelmar("run SANDY6.DAT --corr-opti 3").code, 2);
  EXPECT_EQ(Kelmar("run SANDY6.DAT --range 0-520").code, 2);
  EXPECT_EQ(Kelmar("run SANDY6.DAT --range 1-521").code, 2);
  EXPECT_EQ(Kelmar("run SANDY6.DAT --range 60-59").code, 2);
  EXPECT_EQ(Kelmar("run SANDY6.DAT --table 22").code, 2);
  EXPECT_EQ(Kelmar("run SANDY6.DAT --opt 12x").code, 2);
  EXPECT_EQ(Kelmar("run").code, 2);
  EXPECT_EQ(Kelmar("nonsense").code, 2);
}

TEST_F(CliRun, FileErrorsAndInvalidIdentifiers) {
  Write("BAD.DAT", "Kelmar 999 Data File    x\r\n");
  Result bad = Kelmar("run BAD.DAT");
  EXPECT_EQ(bad.code, 3);
  EXPECT_NE(bad.err.find("Invalid file ID: Kelmar 999 Data File"), std::string::npos) << bad.err;

  Result missing = Kelmar("run NOSUCH.DAT");
  EXPECT_EQ(missing.code, 4);
  EXPECT_EQ(missing.err.rfind("Loading scenario NOSUCH.DAT\n", 0), 0u) << missing.err;

  fs::remove(dir / "SANDY6.ENV");
  Result noEnv = Kelmar("run SANDY6.DAT");
  EXPECT_EQ(noEnv.code, 4);
  EXPECT_EQ(noEnv.err.rfind("Auto-load Environment file not found !\n", 0), 0u) << noEnv.err;

  // The weather of another file replaces the missing one.
  fs::copy_file(fs::path(KELMAR_EXAMPLES) / "SANDY6.ENV", dir / "OTHER.ENV");
  EXPECT_EQ(Kelmar("run SANDY6.DAT --env OTHER.ENV --table 1 -o x.prn").code, 0);

  Write("SANDY6.MIN",
        "Kelmar 400 Nmin File    x\r\nx\r\nYear  week weeks\r\n   1     1     2\r\n  wk   Ni1   Ni2\r\n"
        "-----\r\n   5  10.0  abc\r\n");
  Result comp = Kelmar("run SANDY6.DAT --env OTHER.ENV");
  EXPECT_EQ(comp.code, 4) << "a read error in a companion ends the command";
  EXPECT_EQ(Kelmar("run SANDY6.DAT --env OTHER.ENV --no-companions").code, 0);
}

TEST_F(CliRun, FloatingPointFaultExitsWithFive) {
  // A retention curve with GAM = 0 has no inverse: the run must stop, not print NaN.
  std::string dat = Slurp(dir / "SANDY6.DAT");
  auto pos = dat.find(" 0.029 ");
  ASSERT_NE(pos, std::string::npos);
  dat.replace(pos, 7, " 0.000 ");
  Write("SANDY6.DAT", dat);
  Result r = Kelmar("run SANDY6.DAT");
  EXPECT_EQ(r.code, 5) << r.out << r.err;
  EXPECT_EQ(r.err.rfind("Calculating ", 0), 0u) << r.err;
  EXPECT_TRUE(r.out.empty()) << "no results of a failed run";
}

TEST_F(CliRun, SaveSummaryRepeatContinue) {
  Result r = Kelmar("run SANDY6.DAT --repeat 1 --continue 1 --opt 0x40 --save OUT.DAT --summary RUNS.SUM");
  ASSERT_EQ(r.code, 0) << r.err;
  std::string saved = Slurp(dir / "OUT.DAT");
  EXPECT_EQ(saved.rfind("Kelmar 459 Data File", 0), 0u);
  // Continue moved the start of the run six years on.
  EXPECT_NE(saved.find("\r\n    7    1   312"), std::string::npos) << saved.substr(0, 400);
  std::string sum1 = Slurp(dir / "RUNS.SUM");
  ASSERT_EQ(Kelmar("run SANDY6.DAT --summary RUNS.SUM").code, 0);
  std::string sum2 = Slurp(dir / "RUNS.SUM");
  EXPECT_EQ(sum2.rfind(sum1, 0), 0u) << "a second run appends one line";
  EXPECT_EQ(std::count(sum2.begin(), sum2.end(), '\n'), std::count(sum1.begin(), sum1.end(), '\n') + 1);
}

TEST_F(CliRun, ConvertRoundTripsEveryKind) {
  ASSERT_EQ(Kelmar("convert SANDY6.DAT A.DAT").code, 0);
  ASSERT_EQ(Kelmar("convert A.DAT B.DAT").code, 0);
  std::string a = Slurp(dir / "A.DAT"), b = Slurp(dir / "B.DAT");
  auto body = [](const std::string& s) { return s.substr(s.find('\n', s.find('\n') + 1)); };
  EXPECT_EQ(body(a), body(b)) << "apart from the stamp and the path, a converted file converts to itself";
  EXPECT_EQ(body(a), body(Slurp(dir / "SANDY6.DAT"))) << "the example is in the current layout";
  ASSERT_EQ(Kelmar("convert SANDY6.ENV A.ENV").code, 0);
  EXPECT_EQ(body(Slurp(dir / "A.ENV")), body(Slurp(dir / "SANDY6.ENV")));

  Write(
      "EMPTY.IRR",
      "Kelmar 400 Irri File    x\r\nx\r\nYear  week weeks\r\n   1     1     0\r\n  wk   Irr  NIrr\r\n-\r\n");
  Result none = Kelmar("convert EMPTY.IRR OUT.IRR");
  EXPECT_EQ(none.code, 0);
  EXPECT_NE(none.err.find("No irrigation data! Nothing to do."), std::string::npos) << none.err;
  EXPECT_FALSE(fs::exists(dir / "OUT.IRR"));

  EXPECT_EQ(Kelmar("convert SANDY6.DAT A.XYZ").code, 0) << "the kind comes from the input";
  EXPECT_EQ(Kelmar("convert SANDY6.TXT A.DAT").code, 2);
  Write("W.ENV", "Kelmar 400 Irri File    x\r\n");
  EXPECT_EQ(Kelmar("convert W.ENV X.ENV").code, 3);
  EXPECT_EQ(Kelmar("convert SANDY6.DAT nodir/A.DAT").code, 4);
}

} // namespace

// A save never destroys or bypasses what is on disk: a write-protected file is
// refused (even for root, who could write it), a symbolic link keeps being a
// link while the file it names gets the new content, and the replaced file's
// permission bits survive.
TEST_F(CliRun, SaveRespectsProtectionLinksAndPermissions) {
  const std::string original = "keep me\r\n";
  Write("Y.DAT", original);
  fs::permissions(dir / "Y.DAT", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  Result r = Kelmar("run SANDY6.DAT --save Y.DAT");
  EXPECT_EQ(r.code, 4);
  EXPECT_NE(r.err.find("Y.DAT"), std::string::npos) << r.err;
  EXPECT_EQ(Slurp(dir / "Y.DAT"), original);

  fs::create_directories(dir / "real");
  Write("real/T.DAT", original);
  fs::permissions(dir / "real/T.DAT", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink("real/T.DAT", dir / "L.DAT");
  r = Kelmar("run SANDY6.DAT --save L.DAT");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(fs::is_symlink(dir / "L.DAT"));
  const std::string saved = Slurp(dir / "real/T.DAT");
  EXPECT_EQ(saved.rfind("Kelmar 459 Data File", 0), 0u);
  EXPECT_EQ(fs::status(dir / "real/T.DAT").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  // No temporary file is left beside the target or the link.
  for (const auto& e : fs::directory_iterator(dir / "real")) EXPECT_EQ(e.path().filename(), "T.DAT");
}

namespace {

// The value of a field in record r of a --weeks-csv text.
double CsvValue(const std::string& csv, const std::string& field, int r) {
  std::istringstream in(csv);
  std::string line, cell;
  std::getline(in, line);
  std::istringstream head(line);
  int column = 0;
  while (std::getline(head, cell, ',') && cell != field) ++column;
  for (int i = 0; i <= r; ++i) std::getline(in, line);
  std::istringstream row(line);
  for (int i = 0; i <= column; ++i) std::getline(row, cell, ',');
  return std::stod(cell);
}

} // namespace

// Companion files are found whatever the case of their names: measurements,
// irrigation, organic matter and fit marks in lower-case files beside an
// upper-case scenario all take part.
TEST_F(CliRun, CompanionsWhoseNamesDifferInCaseAreFound) {
  fs::copy_file(fs::path(KELMAR_EXAMPLES) / "SANDY6.MIN", dir / "sandy6.min");
  Write("sandy6.irr", "Kelmar 400 Irri File    x\r\nx\r\nYear  week weeks\r\n   1     1     1\r\n"
                      "  wk   Irr  NIrr\r\n-\r\n  20  25.0   3.5\r\n");
  Write("sandy6.om", "Kelmar 430 OMon File    x\r\nx\r\nYear  week weeks\r\n   1     1     1\r\n"
                     "  wk    OMi    ONi\r\n-\r\n  30  95000   5000\r\n");
  Result r = Kelmar("run SANDY6.DAT --table 20 -o t.prn --weeks-csv w.csv");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(Slurp(dir / "t.prn").find("\r\n    n:             18       18\r\n"), std::string::npos)
      << Slurp(dir / "t.prn");
  const std::string csv = Slurp(dir / "w.csv");
  EXPECT_EQ(std::tuple(CsvValue(csv, "Irr", 20), CsvValue(csv, "NIrr", 20), CsvValue(csv, "OMi", 30)),
            std::tuple(25.0, 3.5, 95000.0));

  // The fit takes its marks from sandy6.par (CNM only) and its targets from sandy6.min.
  auto ws = kelmar::MakeWorkspace();
  for (int i = 1; i <= kelmar::ParmTable::size(); ++i) ws->parms[i].fit = i == 4;
  kelmar::SavePar(*ws, (dir / "sandy6.par").string());
  Result fit = Kelmar("fit SANDY6.DAT --targets 110000000 --seed 3 --init-only");
  ASSERT_EQ(fit.code, 0) << fit.err;
  EXPECT_EQ(fit.out.rfind("Parameters: 1  Sets: 10 ", 0), 0u) << fit.out;
  EXPECT_NE(fit.out.find("\nCNM "), std::string::npos) << fit.out;
}
