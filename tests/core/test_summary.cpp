#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <tuple>
#include <unistd.h>
#include <utility>

#include "Workspace.h"
#include "data/Errors.h"
#include "data/FileSystem.h"
#include "data/TextFormat.h"
#include "data/TextReader.h"
#include "report/SumFile.h"
#include "report/Summary.h"
#include "report/Tables.h"

using namespace kelmar;
namespace fs = std::filesystem;

namespace {

// A run of 52 weeks from year 1, week 1, filled by hand: a crop period and
// the TOTAL row; a harvested crop with planting material, an organic
// application, irrigation N in week 40 and two mineral N measurements in the
// topsoil.
// clang-format off
std::unique_ptr<Workspace> FilledRun() {
  auto ws = MakeWorkspace();
  Scenario& s = ws->scenario;
  s.Weeks = 52; s.NDep = 20; ws->run.RunStart = 1; // P2O5 and K2O deposition 2 and 6
  s.ScenarioFile = "/data/runs/ROTATION2.DAT";
  s.series(SeriesKind::Environment).FileName = "/weather/a_very_long_environment_name.ENV";

  Crop& c = s.Crops[1];
  c.PRODi = 10000; c.DMpct = 50; c.DMdistr = {0.5f, 0.3f, 0.2f}; c.Npctdm = {2, 1, 1}; c.Applied = {0, 1};
  c.P2O5pct = {1, 0}; c.K2Opct = {2, 0}; c.PlantQUANT = 100; c.PlantDMpct = 80; c.PlantNpctdm = 2.5f;
  c.PlantP2O5pct = 1; c.PlantK2Opct = 1;

  // An organic application of N 10, P2O5 5 and K2O 10.
  s.ApplCount = 4; s.Appls[4] = {{}, 1, 1, 30, 1000, 50, 0, 2, 0, 1, 2, 0};

  WeekRecord& r1 = ws->weeks[1];
  r1.Teta1 = 100.4f; r1.Teta2 = 200.2f; r1.OMt1 = 50000; r1.Nt1 = 2500; r1.OMt2 = 1234567; r1.Nt2 = 600;
  r1.N1 = 20.2f; r1.N2 = 30.4f;
  WeekRecord& r53 = ws->weeks[53]; // the state after the last run week
  r53.Teta1 = 90; r53.Teta2 = 210; r53.OMt1 = 49000; r53.Nt1 = 2450; r53.OMt2 = 1234000; r53.Nt2 = 590;
  r53.N1 = 10; r53.N2 = 5;
  ws->weeks[40].NIrr = 5; ws->weeks[52].cNout = 30;
  ws->weeks[10].Ni1 = 20; ws->weeks[10].N1 = 25; ws->weeks[20].Ni1 = 40; ws->weeks[20].N1 = 35;

  ws->run.PeriodCount = 2;
  ws->run.Periods[1].Name = "winter wheat"; ws->run.Periods[1].Week = 1; // a name shorter than the field
  CropPeriodRow& t = ws->run.Periods[2];
  t.Name = "TOTAL               "; t.Week = 53; t.Avail = 500; t.UPTi = 400; t.UPTm = 350;
  t.OUT = 150; t.AVG = 2.9f; t.IOM = 11; t.CULT = 12; t.RESI = 13; t.GRMA = 14; t.APPL = 15; t.FERT = 16;
  t.SNM = 81; t.SNMAVG = 1.6f; t.SNM2 = 7.7f; t.Den2 = 0.4f; t.NAvail = 80.2f; t.Fix = 1.6f; t.NUPTi = 70;
  t.NUPTm = 65; t.Den = 3.3f; t.NOUT = 12; t.NAVG = 1234.56f;

  // The views show another range and other options: the summary ignores both.
  ws->state.RangeFrom = 1; ws->state.RangeTill = 10; ws->options.KelmOpti = kOptShowPK | kOptIncludeDate;
  return ws;
}
// clang-format on

struct TempDir {
  fs::path path = fs::temp_directory_path() / ("kelmar_summary_" + std::to_string(::getpid()));
  TempDir() { fs::create_directories(path); }
  ~TempDir() { fs::remove_all(path, ec); }
  std::error_code ec;
};

} // namespace

TEST(Summary, PeriodRowsOfTheFourTablesAndRowsOutsideThem) {
  auto ws = FilledRun();
  const std::tuple<int, int, std::string> cases[] = {
      // the TOTAL row reads the state after the last run week
      {2, 16, "TOTAL                  53  300   500   400   350   150    3"},
      {2, 17, "TOTAL                  53  49000  2450   11   12   13   14   15   16   81    2"},
      {2, 18, "TOTAL                  53 1234000   590     8     0"},
      {2, 19, "TOTAL                  53   15   80    2   70   65    4   12 1234.6"},
      // a short name is padded; the subsoil organic matter fills its 7 places
      {1, 16, "winter wheat            1  301     0     0     0     0    0"},
      {1, 18, "winter wheat            1 1234567   600     0     0"},
  };
  for (const auto& [row, kind, text] : cases)
    EXPECT_EQ(SummaryRow(*ws, row, kind), text) << row << " " << kind;

  for (auto [row, kind] : {std::pair{0, 16}, {3, 16}, {1, 15}, {1, 20}})
    EXPECT_THROW(SummaryRow(*ws, row, kind), std::out_of_range) << row << " " << kind;
  ws->run.Periods[2].Week = 600; // a damaged row must not read past the records
  EXPECT_THROW(SummaryRow(*ws, 2, 17), std::out_of_range);
  OutText out; // before any run there are no rows, only the header block
  WriteTable(*MakeWorkspace(), out, 16, 1, 520);
  EXPECT_EQ(std::count(out.text().begin(), out.text().end(), '\n'), 6);
}

TEST(Summary, HandComputedItemsOnTheDataLineUnderTheHeader) {
  auto ws = FilledRun();
  // N/P/K per year over the whole run (52 weeks = 1 year), P and K as
  // elements: seed N 2, P2O5 0.8, K2O 0.8; applied N 10, P2O5 5, K2O 10;
  // irrigation N 5; harvest N 100, P2O5 50, K2O 100. Measured mineral N 20
  // and 40 against modelled 25 and 35; none in the subsoil, whose mean
  // measured value shows 1. Every value has a blank before it; IniOM2 and
  // FinOM2 need one place more.
  EXPECT_EQ(SummaryDataLine(*ws, ComputeSummaryItems(*ws)),
            "ROTATION2            A_VERY~1                  1      1     52"
            // water balance, mm
            "    301    300    500    400    350    150      3"
            // topsoil organic matter and its mineralisation
            "  50000  49000   2500   2450     11     12     13     14     15     16     81      2"
            // subsoil organic matter
            " 1234567 1234000    600    590      8      0"
            // mineral N balance
            "     51     15     80      2     70     65      4     12 1234.6"
            // N balance per year and its efficiencies
            "   17.0  100.0  -83.0   5.88   20.0    0.0   2.70   60.0   35.6   30.0    0.0   0.75"
            // P and K balances per year
            "    2.5   21.8  -19.3   8.62    0.9    9.0   83.0  -74.0   9.26    5.0"
            // modelled against measured mineral N, topsoil
            "      2  30.00   0.00   7.07  15.00   0.50  1.000      2      2   5.00"
            // the same, subsoil
            "      0   1.00   0.00   0.00   0.00   0.00  0.000      0      0   0.00");

  ws->options.KelmOpti = 0; // without the option P and K are oxides; N is unchanged
  const std::string oxides = SummaryDataLine(*ws, ComputeSummaryItems(*ws));
  EXPECT_NE(oxides.find("  -83.0   5.88   20.0    0.0   2.70   60.0   35.6   30.0    0.0   0.75"
                        "    5.8   50.0  -44.2   8.62    2.0   10.8  100.0  -89.2   9.26    6.0"),
            std::string::npos);

  const std::string header = SummaryHeaderLines(*ws);
  EXPECT_EQ(header.substr(0, 123),
            "Kelmar 459 Summ File\r\n/data/runs/\r\n/weather/\r\n"
            "Scenario             Environment          Year   Week   Weeks  Ini    Fin    ");
  EXPECT_EQ(header.size(), 46u + 62 + 76 * 7 + 2); // every name padded to 6 after a blank
}

TEST(Summary, BaseNames) {
  const std::pair<std::string, std::string> cases[] = {
      {"/data/ROTATION2.DAT", "ROTATION2"},
      {"C:\\DATA\\ROTATION2.DAT", "ROTATION2"},
      {"/data/exactly_twenty_chars.ENV", "exactly_twenty_chars"},
      {"/data/twenty_one_characters.ENV", "TWENTY~1"},
      {"/data/my.rotation.DAT", "my.rotation"},
      {"/data/v1.2/NOEXT", "NOEXT"}};
  for (const auto& [path, base] : cases) EXPECT_EQ(SummaryBaseName(path), base) << path;
}

TEST(Summary, AppendingKeepsEveryExistingLineWhole) {
  TempDir dir;
  const std::string file = (dir.path / "RUNS.SUM").string(), adir = (dir.path / "ADIR.SUM").string();
  auto ws = FilledRun();
  const std::string header = SummaryHeaderLines(*ws);
  const std::string data = SummaryDataLine(*ws, ComputeSummaryItems(*ws)) + "\r\n";
  AppendSummary(*ws, file, false); // no file yet: created with its header
  EXPECT_EQ(ReadFileText(file), header + data);
  const std::string crlf = "Kelmar 459 Summ File\r\n/a/\r\n/b/\r\nheader\r\nold line";
  const std::string lf = "Kelmar 459 Summ File\n/a/\n/b/\nheader\n";
  const std::pair<std::string, std::string> cases[] = {
      {crlf, crlf + "\r\n"}, // the last line of a file edited elsewhere may lack its line end
      {lf, lf},              // LF-only lines stay as they are
      {"", header},          // an empty file has no header yet: it gets one, so that it can be loaded
  };
  for (const auto& [before, kept] : cases) {
    WriteFileAtomic(file, before);
    AppendSummary(*ws, file, false);
    EXPECT_EQ(ReadFileText(file), kept + data) << before;
  }
  AppendSummary(*ws, file, true); // a new file replaces the old lines
  EXPECT_EQ(ReadFileText(file), header + data);

  EXPECT_THROW(AppendSummary(*ws, (dir.path / "missing" / "RUNS.SUM").string(), false), FileError);
  fs::create_directory(adir);
  EXPECT_THROW(AppendSummary(*ws, adir, false), FileError);
  EXPECT_TRUE(fs::is_directory(adir));
}
