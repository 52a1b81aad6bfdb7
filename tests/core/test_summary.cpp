#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

#include "Workspace.h"
#include "data/Errors.h"
#include "data/FileSystem.h"
#include "data/TextFormat.h"
#include "data/TextReader.h"
#include "report/Summary.h"
#include "report/Tables.h"

using namespace kelmar;
namespace fs = std::filesystem;

namespace {

int ItemIndex(std::string_view name) {
  for (int i = 0; i < kSummaryItemCount; ++i)
    if (kSummaryItems[i].name == name) return i;
  ADD_FAILURE() << "no summary item " << name;
  return 0;
}

std::vector<std::string> Fields(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> out;
  for (std::string f; in >> f;) out.push_back(f);
  return out;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t i; (i = text.find("\r\n", start)) != std::string::npos; start = i + 2)
    out.push_back(text.substr(start, i - start));
  EXPECT_EQ(start, text.size()) << "every line ends in CR LF";
  return out;
}

// A run of 52 weeks from year 1, week 1, filled by hand: a crop period, a
// bare period and the TOTAL row; a harvested crop with planting material, an
// organic application, irrigation N in week 40 and two mineral N
// measurements in the topsoil.
// clang-format off
std::unique_ptr<Workspace> FilledRun() {
  auto ws = MakeWorkspace();
  Scenario& s = ws->scenario;
  s.Weeks = 52; s.NDep = 20; s.P2O5Dep = 2; s.K2ODep = 6;
  ws->run.RunStart = 1;
  ws->run.RunEnd = 52;

  Crop& c = s.Crops[1];
  c.PRODi = 10000; c.DMpct = 50; c.DMdistr = {0.5f, 0.3f, 0.2f}; c.Npctdm = {2, 1, 1}; c.Applied = {0, 1};
  c.P2O5pct = {1, 0}; c.K2Opct = {2, 0}; c.PlantQUANT = 100; c.PlantDMpct = 80; c.PlantNpctdm = 2.5f;
  c.PlantP2O5pct = 1; c.PlantK2Opct = 1;

  s.ApplCount = 4;
  Application& a = s.Appls[4];
  a.Name = "manure"; a.ACT = 1; a.YR = 1; a.WK = 30; a.QUANT = 1000; a.DMpct = 50; a.Npctdm = 2;
  a.P2O5pct = 1; a.K2Opct = 2;

  WeekRecord& r1 = ws->weeks[1];
  r1.Teta1 = 100.4f; r1.Teta2 = 200.2f; r1.OMt1 = 50000; r1.Nt1 = 2500; r1.OMt2 = 1234567; r1.Nt2 = 600;
  r1.N1 = 20.2f; r1.N2 = 30.4f;
  WeekRecord& r53 = ws->weeks[53]; // the state after the last run week
  r53.Teta1 = 90; r53.Teta2 = 210; r53.OMt1 = 49000; r53.Nt1 = 2450; r53.OMt2 = 1234000; r53.Nt2 = 590;
  r53.N1 = 10; r53.N2 = 5;
  ws->weeks[40].NIrr = 5;
  ws->weeks[52].cNout = 30;
  ws->weeks[10].Ni1 = 20;
  ws->weeks[10].N1 = 25;
  ws->weeks[20].Ni1 = 40;
  ws->weeks[20].N1 = 35;

  RunState& run = ws->run;
  run.PeriodCount = 3;
  CropPeriodRow& p1 = run.Periods[1];
  p1.Name = "winter wheat"; // shorter than the field
  p1.Week = 1; p1.LastWeek = 30; p1.Avail = 120.4f; p1.UPTi = 50.6f; p1.UPTm = 40; p1.OUT = 30; p1.AVG = 15;
  p1.IOM = 1.4f; p1.CULT = 2; p1.RESI = 3; p1.GRMA = 4; p1.APPL = 5; p1.FERT = 6; p1.SNM = 21;
  p1.SNMAVG = 10.6f; p1.SNM2 = 7.7f; p1.Den2 = 0.4f; p1.NAvail = 80.2f; p1.NUPTi = 70; p1.NUPTm = 65;
  p1.Den = 3.3f; p1.NOUT = 12; p1.NAVG = 6.04f;
  CropPeriodRow& p2 = run.Periods[2];
  p2.Name = "bare                "; p2.Week = 31; p2.LastWeek = 52;
  CropPeriodRow& t = run.Periods[3];
  t.Name = "TOTAL               "; t.Week = 53; t.LastWeek = 52; t.Avail = 500; t.UPTi = 400; t.UPTm = 350;
  t.OUT = 150; t.AVG = 2.9f; t.IOM = 11; t.CULT = 12; t.RESI = 13; t.GRMA = 14; t.APPL = 15; t.FERT = 16;
  t.SNM = 81; t.SNMAVG = 1.6f; t.SNM2 = 7.7f; t.Den2 = 0.4f; t.NAvail = 80.2f; t.Fix = 1.6f; t.NUPTi = 70;
  t.NUPTm = 65; t.Den = 3.3f; t.NOUT = 12; t.NAVG = 1234.56f;

  // The views show another range and other options: the summary ignores both.
  ws->state.RangeFrom = 1;
  ws->state.RangeTill = 10;
  ws->options.KelmOpti = kOptShowPK | kOptIncludeDate;
  return ws;
}
// clang-format on

class TempDir {
public:
  TempDir() {
    path_ = fs::temp_directory_path() / ("kelmar_summary_" + std::to_string(::getpid()));
    fs::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
  fs::path path_;
};

} // namespace

TEST(Summary, PeriodRowsOfTheFourTables) {
  auto ws = FilledRun();
  const std::string wheat = "winter wheat        ";
  const std::string total = "TOTAL               ";
  struct Case {
    int row, kind;
    std::string text;
  };
  const Case cases[] = {
      {1, 16, wheat + "    1  301   120    51    40    30   15"},
      {1, 17, wheat + "    1  50000  2500    1    2    3    4    5    6   21   11"},
      // the subsoil organic matter fills its 7 places and keeps a blank before it
      {1, 18, wheat + "    1 1234567   600     8     0"},
      {1, 19, wheat + "    1   51   80    0   70   65    4   12  6.0"},
      // the TOTAL row reads the state after the last run week
      {3, 16, total + "   53  300   500   400   350   150    3"},
      {3, 18, total + "   53 1234000   590     8     0"},
      {3, 19, total + "   53   15   80    2   70   65    4   12 1234.6"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SummaryRow(*ws, c.row, c.kind), c.text) << "row " << c.row << " kind " << c.kind;
}

TEST(Summary, RowsOutsideTheRunAreRejected) {
  auto ws = FilledRun();
  EXPECT_THROW(SummaryRow(*ws, 0, 16), std::out_of_range);
  EXPECT_THROW(SummaryRow(*ws, 4, 16), std::out_of_range);
  EXPECT_THROW(SummaryRow(*ws, 1, 15), std::out_of_range);
  EXPECT_THROW(SummaryRow(*ws, 1, 20), std::out_of_range);
  ws->run.Periods[2].Week = 600; // a damaged row must not read past the records
  EXPECT_THROW(SummaryRow(*ws, 2, 17), std::out_of_range);

  auto fresh = MakeWorkspace(); // before any run there are no rows
  EXPECT_EQ(SummaryCount(*fresh), 0);
  OutText out;
  WriteTable(*fresh, out, 16, 1, 520);
  EXPECT_EQ(Lines(out.text()).size(), 6u);
}

TEST(Summary, ItemsOfAWholeRun) {
  auto ws = FilledRun();
  const SummaryValues v = ComputeSummaryItems(*ws);
  // Hand values. N/P/K per year over the whole run (52 weeks = 1 year), P and K
  // as elements: seed N 2, P2O5 0.8, K2O 0.8; applied N 10, P2O5 5, K2O 10;
  // irrigation N 5; harvest N 100, P2O5 50, K2O 100.
  const struct {
    const char* name;
    double value;
  } expected[] = {
      // clang-format off
      {"Ini", 300.6}, {"Fin", 300}, {"Avail", 500}, {"UPTi", 400}, {"UPTm", 350},
      {"OUT", 150}, {"AVG", 2.9}, {"IniOM", 50000}, {"FinOM", 49000}, {"IniON", 2500},
      {"FinON", 2450}, {"IOM", 11}, {"CULT", 12}, {"RESI", 13}, {"GRMA", 14},
      {"APPL", 15}, {"FERT", 16}, {"SNM", 81}, {"SNMAVG", 1.6}, {"IniOM2", 1234567},
      {"FinOM2", 1234000}, {"IniON2", 600}, {"FinON2", 590}, {"SNM2", 7.7}, {"Den2", 0.4},
      {"NIni", 50.6}, {"NFin", 15}, {"NAvail", 80.2}, {"Fix", 1.6}, {"NUPTi", 70},
      {"NUPTm", 65}, {"Den", 3.7}, {"NOUT", 12}, {"NAVG", 1234.56}, {"NAppl", 17},
      {"NHarv", 100}, {"NBal", -83}, {"NEff1", 100 / 17.}, {"NDep", 20}, {"NFix", 0},
      {"NEff2", 100 / 37.}, {"ONDecr", 60}, {"NmDecr", 35.6}, {"NLeach", 30}, {"NDen", 0},
      {"NEff3", 100 / 132.6}, {"PAppl", 0.8 * 0.436 + 2.18}, {"PHarv", 21.8}, {"PBal", 0.8 * 0.436 + 2.18 - 21.8}, {"PEff1", 21.8 / (0.8 * 0.436 + 2.18)},
      {"PDep", 0.872}, {"KAppl", 0.8 * 0.83 + 8.3}, {"KHarv", 83}, {"KBal", 0.8 * 0.83 + 8.3 - 83}, {"KEff1", 83 / (0.8 * 0.83 + 8.3)},
      {"KDep", 4.98},
      // measured 20 and 40 against modelled 25 and 35
      {"NMeas1", 2}, {"Ex1", 30}, {"EDif1", 0}, {"SEDif1", std::sqrt(50.)}, {"Abcis1", 15},
      {"Tan1", 0.5}, {"Corr1", 1}, {"n1_1", 2}, {"n2_1", 2}, {"Ez1", 5},
      // no subsoil measurements: the mean measured value shows 1, the rest 0
      {"NMeas2", 0}, {"Ex2", 1}, {"EDif2", 0}, {"SEDif2", 0}, {"Abcis2", 0},
      {"Tan2", 0}, {"Corr2", 0}, {"n1_2", 0}, {"n2_2", 0}, {"Ez2", 0},
      // clang-format on
  };
  ASSERT_EQ(std::size(expected), static_cast<size_t>(kSummaryItemCount));
  for (const auto& e : expected) {
    const int i = ItemIndex(e.name);
    EXPECT_NEAR(v[i], e.value, 1e-5 * std::max(1.0, std::fabs(e.value))) << "item " << i + 1 << " " << e.name;
  }

  // Without the option the P and K figures are oxides; N is unchanged.
  ws->options.KelmOpti = 0;
  const SummaryValues oxides = ComputeSummaryItems(*ws);
  EXPECT_NEAR(oxides[ItemIndex("PHarv")], 50, 1e-4);
  EXPECT_NEAR(oxides[ItemIndex("KDep")], 6, 1e-5);
  EXPECT_EQ(oxides[ItemIndex("NBal")], v[ItemIndex("NBal")]);
}

TEST(Summary, BaseNames) {
  const struct {
    std::string path, base;
  } cases[] = {
      {"/data/ROTATION2.DAT", "ROTATION2"},
      {"C:\\DATA\\ROTATION2.DAT", "ROTATION2"},
      {"/data/exactly_twenty_chars.ENV", "exactly_twenty_chars"},
      {"/data/twenty_one_characters.ENV", "TWENTY~1"},
      {"/data/my.rotation.DAT", "my.rotation"},
      {"/data/v1.2/NOEXT", "NOEXT"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(SummaryBaseName(c.path), c.base) << c.path;
}

TEST(Summary, HeaderAndDataLines) {
  auto ws = FilledRun();
  ws->scenario.ScenarioFile = "/data/runs/ROTATION2.DAT";
  ws->scenario.series(SeriesKind::Environment).FileName = "/weather/a_very_long_environment_name.ENV";

  std::vector<std::string> header = Lines(SummaryHeaderLines(*ws));
  ASSERT_EQ(header.size(), 4u);
  EXPECT_EQ(header[0], "Kelmar 459 Summ File");
  EXPECT_EQ(header[1], "/data/runs/");
  EXPECT_EQ(header[2], "/weather/");
  EXPECT_EQ(header[3].substr(0, 90),
            "Scenario             Environment          Year   Week   Weeks  Ini    Fin    Avail  UPTi  ");
  EXPECT_EQ(header[3].size(), 62u + 76 * 7);
  EXPECT_EQ(header[3].substr(header[3].size() - 14), " n2_2   Ez2   ");

  const std::string line = SummaryDataLine(*ws, ComputeSummaryItems(*ws));
  EXPECT_EQ(line.substr(0, 62),
            "ROTATION2" + std::string(12, ' ') + "A_VERY~1" + std::string(13, ' ') + "     1      1     52");
  // Every value has a blank before it; IniOM2 and FinOM2 need one place more.
  EXPECT_EQ(line.size(), 62u + 76 * 7 + 2);
  std::vector<std::string> f = Fields(line);
  ASSERT_EQ(f.size(), 5u + 76);
  const struct {
    const char* name;
    const char* text;
  } cases[] = {{"Ini", "301"},     {"IniOM2", "1234567"}, {"NAVG", "1234.6"}, {"NBal", "-83.0"},
               {"NEff1", "5.88"},  {"PDep", "0.9"},       {"Corr1", "1.000"}, {"n1_1", "2"},
               {"SEDif1", "7.07"}, {"Ex2", "1.00"}};
  for (const auto& c : cases) EXPECT_EQ(f[5 + ItemIndex(c.name)], c.text) << c.name;
}

TEST(Summary, NewFileGetsTheHeaderAndLaterRunsOnlyALine) {
  TempDir dir;
  const std::string file = dir.file("RUNS.SUM");
  auto ws = FilledRun();
  const std::string data = SummaryDataLine(*ws, ComputeSummaryItems(*ws));

  AppendSummary(*ws, file, false); // no file yet: created with its header
  std::vector<std::string> lines = Lines(ReadFileText(file));
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "Kelmar 459 Summ File");
  EXPECT_EQ(lines[4], data);

  AppendSummary(*ws, file, false);
  lines = Lines(ReadFileText(file));
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[5], data);

  AppendSummary(*ws, file, true); // a new file replaces the old lines
  EXPECT_EQ(Lines(ReadFileText(file)).size(), 5u);
}

TEST(Summary, AppendingKeepsEveryExistingLineWhole) {
  TempDir dir;
  auto ws = FilledRun();
  const std::string data = SummaryDataLine(*ws, ComputeSummaryItems(*ws));

  // The last line of a file edited elsewhere may lack its line end.
  const std::string unterminated = dir.file("OLD.SUM");
  WriteFileAtomic(unterminated, "Kelmar 459 Summ File\r\n/a/\r\n/b/\r\nheader\r\nold line");
  AppendSummary(*ws, unterminated, false);
  EXPECT_EQ(ReadFileText(unterminated),
            "Kelmar 459 Summ File\r\n/a/\r\n/b/\r\nheader\r\nold line\r\n" + data + "\r\n");

  // LF-only lines stay as they are.
  const std::string lf = dir.file("LF.SUM");
  WriteFileAtomic(lf, "Kelmar 459 Summ File\n/a/\n/b/\nheader\n");
  AppendSummary(*ws, lf, false);
  EXPECT_EQ(ReadFileText(lf), "Kelmar 459 Summ File\n/a/\n/b/\nheader\n" + data + "\r\n");

  // An empty file has no header yet: it gets one, so that it can be loaded.
  const std::string empty = dir.file("EMPTY.SUM");
  WriteFileAtomic(empty, "");
  AppendSummary(*ws, empty, false);
  EXPECT_EQ(ReadFileText(empty), SummaryHeaderLines(*ws) + data + "\r\n");
}

TEST(Summary, FailedWriteIsReported) {
  TempDir dir;
  auto ws = FilledRun();
  EXPECT_THROW(AppendSummary(*ws, dir.file("missing/RUNS.SUM"), false), FileError);
  fs::create_directory(dir.file("ADIR.SUM"));
  EXPECT_THROW(AppendSummary(*ws, dir.file("ADIR.SUM"), false), FileError);
  EXPECT_TRUE(fs::is_directory(dir.file("ADIR.SUM")));
}
