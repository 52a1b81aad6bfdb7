#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <tuple>
#include <unistd.h>

#include "data/Errors.h"
#include "data/FileSystem.h"
#include "data/ScenarioFile.h"
#include "data/TextReader.h"

using namespace kelmar;

namespace {

// A scenario with every field set; the fittable parameters lie inside their
// ranges. Every column of a row gets a different value, so that a field
// written or read in the wrong column shows; the values are exact at their decimals.
std::unique_ptr<Workspace> Sample(int crops = 3, int appls = 5) {
  auto ws = MakeWorkspace();
  Scenario& s = ws->scenario;
  std::tie(s.Title, s.ScenarioFile, s.EnviFile) =
      std::tuple("Rotation A", "/data/rot/A.DAT", "/data/env/DEBILT 1990.ENV");
  std::tie(s.Year, s.Week, s.Weeks, s.ETbare, s.MWU, s.pH, s.CNM, s.ADM, s.NDep, s.NFix0, s.DN0, s.DNF) =
      std::tuple(2, 14, 260, 0.75f, 0.5f, 6.5f, 8.25f, 0.25f, 35.5f, 12.5f, 24.5f, 0.25f);
  std::tie(s.P2O5Dep, s.K2ODep, s.oOM2, s.oNc2, s.oAge2, s.DN02, s.DNF2) =
      std::tuple(2.5f, 6.5f, 1200, 4.25f, 23.5f, 45.5f, 0.75f);
  s.WaterTable = {WaterTablePoint{12, 95.5f, 9.75f}, {38, 140.5f, 11.25f}};
  s.Soil[0] = {"loamy sand", 30, 100, 10.5f, 0.5f, 0.025f, 99.5f, 22.5f, 1.25f, 0.75f, 35.5f, 0.25f};
  s.Soil[1] = {"coarse sand", 40, 200, 5.5f, 0.75f, 0.05f, 50.5f, 20.5f, 0.5f, 1.5f, 30.5f, 0.5f};
  std::tie(s.CropCount, s.ApplCount) = std::pair(crops, appls);
  for (int i = 1; i <= crops; ++i) {
    Crop& c = s.Crops[i];
    c.Name = "crop " + std::to_string(i); // PRODi 1234567 fills its 7 columns
    std::tie(c.YEAR, c.WEEK1, c.WEEK2, c.WEEK3, c.WEEK4, c.PRODi, c.DMpct, c.NFIXi) =
        std::tuple(i, 10 + i, 20 + i % 5, 30, 40, i == 1 ? 1234567 : 1000 * i + 7, 85.5f, 12 + i);
    std::tie(c.DMdistr, c.Npctdm, c.InitAge) = std::tuple(
        std::array{0.5f, 0.25f, 0.75f}, std::array{1.75f, 0.5f, 1.25f}, std::array{1.5f, 2.25f, 3.75f});
    std::tie(c.Applied, c.P2O5pct, c.K2Opct) =
        std::tuple(std::array{0.25f, 1.0f}, std::array{0.75f, 0.25f}, std::array{0.5f, 1.5f});
    std::tie(c.ETMAX, c.DMpctResi, c.PlantQUANT, c.PlantDMpct, c.PlantNpctdm, c.PlantP2O5pct, c.PlantK2Opct,
             c.RDepth, c.Code) =
        std::tuple(1.25f, 22.5f, 150, 87.5f, 2.75f, 1.25f, 1.75f, 80 + i, i == 1 ? -12345 : i % 7);
  }
  for (int i = 1; i <= appls; ++i) {
    const Name20 name("manure " + std::to_string(i));
    s.Appls[i] = {name,  1 + i % 3, 1 + i % 6, 5 + i, 20000.0f + i, 25.5f,
                  60.5f, 2.25f,     0.75f,     0.5f,  2.5f,         0.25f};
  }
  return ws;
}

std::string Text(const Workspace& ws, bool listing = false) {
  OutText out(listing);
  WriteScenario(ws, out);
  return out.text();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> v;
  for (std::size_t b = 0, e; (e = text.find("\r\n", b)) != std::string::npos; b = e + 2)
    v.push_back(text.substr(b, e - b));
  return v;
}

std::string Join(const std::vector<std::string>& lines, std::string_view eol = "\r\n") {
  std::string t;
  for (const std::string& l : lines) t += l + std::string(eol);
  return t;
}

// The file of `ws` rewritten in the layout of an older version: rows cut
// after their last column in that version, and no P2O5/K2O table in 400.
std::string OlderLayout(const Workspace& ws, int version) {
  std::vector<std::string> l = Lines(Text(ws));
  l[0].replace(7, 3, std::to_string(version));
  const std::size_t n = static_cast<std::size_t>(ws.scenario.CropCount), t4 = 20 + 3 * (n + 2),
                    a = t4 + n + 2;
  for (std::size_t i = t4 + 2; i < a; ++i)
    l[i] = l[i].substr(0, version == 459 ? std::string::npos : version == 403 ? 56 : 62);
  for (std::size_t i = a + 2; i < l.size(); ++i)
    l[i] = l[i].substr(0, version == 400 ? 62 : version <= 410 ? 74 : std::string::npos);
  if (version == 403) l[8] = l[8].substr(0, 12);
  if (version == 400) l.erase(l.begin() + static_cast<long>(t4), l.begin() + static_cast<long>(a));
  if (version == 400) l.erase(l.begin() + 7, l.begin() + 9);
  return Join(l);
}

// The message of a FileError, or of an InvalidFileId after its identifier in brackets.
std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const FileError& e) {
    return e.what();
  } catch (const InvalidFileId& e) {
    return "[" + e.id() + "] " + e.what();
  }
  return "no error";
}

// The file to insert or append: Year 1, Weeks 104, three crops in years 1..3
// and the applications after the three pools; its pH and first pool must stay out.
std::string InsertFile(int appls = 5) {
  auto f = Sample(3, appls);
  std::tie(f->scenario.Year, f->scenario.Weeks, f->scenario.pH, f->scenario.Appls[1].QUANT) =
      std::tuple(1, 104, 4, 1);
  return Text(*f);
}

} // namespace

TEST(ScenarioFile, FileAndListingLayoutOfANewScenario) {
  auto ws = MakeWorkspace();
  const std::vector<std::string> expected = {
      "Kelmar 459 Data File    Untitled                ",
      "NEW.DAT",
      "NEW.ENV",
      std::string(70, '-'),
      "PARAMETERS",
      " Year Week Weeks ETbare  MWU    pH   CNM   ADM  NDep NFix0   DN0   DNF",
      "    1    1   312  0.50  0.75  7.00  8.30  0.50  35.0  10.0  25.0  0.30",
      "P2O5Dep K2ODep oOM2  oNc2 oAge2  DN02  DNF2",
      "   2.0   6.0      0  4.50 24.00  50.0  0.30",
      "WATERTABLE",
      "  Week   GWT   NGW",
      "    12 100.0 10.00",
      "    38 130.0 10.00",
      "SOIL",
      "                   2   THL   IFi  NMIN   SMO   GAM   CRc   CRx",
      "fine sand               30   100  10.0  0.36 0.029  99.2  22.4",
      "fine sand               30   100  10.0  0.36 0.029  99.2  22.4",
      "                   2  Text   NLF    FI   BPF",
      "fine sand             1.00  1.00  35.0  0.00",
      "fine sand             1.00  1.00  35.0  0.00",
      "CROPS:                      sow  fcov  ripe  harv   kg/ha      kgN/ha",
      "                   1  YEAR WEEK1 WEEK2 WEEK3 WEEK4  PRODi   DM% NFIXi",
      "Untitled                 1     1     1    52    52      0 100.0     0",
      "CROPS:                DMdistr [-]       N%dm              Applied",
      "                   1  PROD  RESI  ROOT  PROD  RESI  ROOT  PROD  RESI",
      "Untitled              0.00  0.00  0.00  0.00  0.00  0.00  0.00  0.00",
      "CROPS:                Initial Age      [-]    DM%  Planting",
      "                   1  PROD  RESI  ROOT ETMAX  RESI QUANT   DM%  N%dm",
      "Untitled              0.00  0.00  0.00  0.00   0.0     0   0.0  0.00",
      "CROPS:                P2O5%       K2O%       Planting    [cm]   Crop",
      "                   1  PROD  RESI  PROD  RESI P2O5%  K2O% RDepth Code",
      "Untitled              0.00  0.00  0.00  0.00  0.00  0.00     0     5",
      "APPLICATIONS",
      "                   3 ACT YR  WK  QUANT   DM% OM%dm  N%dm  IAGE  P2O5% K2O% Nmin%",
      "Old Organic Matter    3   1   1  94000 100.0 100.0  6.00 24.00  0.00  0.00  0.00",
      "Young Organic Matter  3   1   1   8000 100.0 100.0  4.00  4.00  0.00  0.00  0.00",
      "Fresh Organic Matter  3   1   1   3000 100.0 100.0  3.00  1.41  0.00  0.00  0.00",
  };
  EXPECT_EQ(Text(*ws), Join(expected));
  std::string listing = "\r\n\r\n\r\n\r\n"; // a margin and empty lines before the header
  for (const std::string& l : expected) listing += "     " + l + "\r\n";
  EXPECT_EQ(Text(*ws, true), listing);
}

// Every layout, current and older, with tables of every size and any line
// end: an older file gets defaults for the columns it lacks and its fittable
// parameters brought into range; the run start and length are clamped to
// 1..520 weeks; line ends typed into a text field become blanks. The file is
// written back in the current layout and inserts what it loads.
TEST(ScenarioFile, EveryLayoutLoadsAndInsertsWithDefaultsForMissingColumns) {
  const std::array<int, 8> sizes[] = {{3, 5, 0, 1, 600, 1, 1, 520},
                                      {0, 0, -5, 0, 1300, 1, 1, 520},
                                      {40, 100, 600, 521, 0, 520, 520, 1},
                                      {1, 3, 520, 52, 520, 520, 52, 520}};
  for (auto [crops, appls, year, week, weeks, wantYear, wantWeek, wantWeeks] : sizes) {
    for (int v : {459, 420, 410, 403, 400}) {
      SCOPED_TRACE(std::to_string(v) + ", " + std::to_string(crops) + " crops");
      auto ws = Sample(crops, appls);
      Scenario& w = ws->scenario;
      std::tie(w.Year, w.Week, w.Weeks, w.Title, w.EnviFile) =
          std::tuple(year, week, weeks, "   Leading blanks", "x\r\ny.ENV");
      w.pH = 15;                                // outside 1..14: only an older file is brought into range
      w.Crops[2].Name = "abcdefghijklmnopqrs9"; // a full name before a number
      w.Crops[3].Name = "a\nb";
      const std::string file = OlderLayout(*ws, v);
      EXPECT_EQ(Lines(file)[6].substr(0, 16), FmtInt(year, 5) + FmtInt(week, 5) + FmtInt(weeks, 6))
          << "as the dialog allows";
      // From here on `w` is what the file should give.
      std::tie(w.Year, w.Week, w.Weeks, w.pH) = std::tuple(wantYear, wantWeek, wantWeeks, v < 459 ? 14 : 15);
      if (v == 400) w.P2O5Dep = w.K2ODep = 0;
      if (v < 410) std::tie(w.oOM2, w.oNc2, w.oAge2, w.DN02, w.DNF2) = std::tuple(0, 4.5f, 24, 50, 0.3f);
      for (int i = 1; i <= crops; ++i) {
        Crop& c = w.Crops[i];
        if (v == 400) c.P2O5pct = c.K2Opct = {}; // no P2O5/K2O table
        if (v == 400) c.PlantP2O5pct = c.PlantK2Opct = 0;
        if (v < 410) c.RDepth = 60; // twice the topsoil thickness
        if (v < 459) c.Code = 5;
      }
      for (int i = 1; i <= appls; ++i) {
        if (v == 400) w.Appls[i].P2O5pct = w.Appls[i].K2Opct = 0;
        if (v < 420) w.Appls[i].Nminpct = 0;
      }
      auto back = MakeWorkspace();
      for (std::string_view eol : {"\n", "\r", "\r\n"}) {
        LoadScenarioText(*back, Join(Lines(file), eol), "/data/rot/A.DAT");
        EXPECT_EQ(Text(*back), Text(*ws)) << "line end " << int(eol[0]);
      }
      const Scenario& s = back->scenario; // leading blanks of the title go, trailing ones are read
      EXPECT_EQ(std::tuple(s.FileId, back->state.DataDir, s.EnviFile, s.Title.str()),
                std::tuple(kScenarioId, "/data/rot/", "x  y.ENV", "Leading blanks      "));
      EXPECT_TRUE(crops < 3 || std::tuple(s.Crops[1].Name.str(), s.Crops[3].Name.str(), s.Crops[1].PRODi,
                                          s.Crops[1].Code) == std::tuple(FmtName("crop 1"), FmtName("a b"),
                                                                         1234567, v < 459 ? 5 : -12345))
          << "the name field is read whole";

      // The same scenario without its crops and applications, and other values
      // where an older file has no column.
      Crop crop;
      std::tie(crop.P2O5pct, crop.K2Opct, crop.PlantP2O5pct, crop.PlantK2Opct, crop.RDepth, crop.Code) =
          std::tuple(std::array{9.0f, 9.0f}, std::array{9.0f, 9.0f}, 9, 9, 9, 9);
      Application appl;
      appl.P2O5pct = appl.K2Opct = appl.Nminpct = 9;
      auto ins = MakeWorkspace();
      ins->scenario = w;
      std::fill(ins->scenario.Crops.begin() + 1, ins->scenario.Crops.end(), crop);
      std::fill(ins->scenario.Appls.begin() + 4, ins->scenario.Appls.end(), appl);
      std::tie(ins->scenario.CropCount, ins->scenario.ApplCount) = std::pair(0, std::min(appls, 3));
      EXPECT_EQ(InsertScenarioText(*ins, file, "i.dat", false), v == 459 ? "" : file.substr(0, 20));
      EXPECT_EQ(Text(*ins), Text(*ws)) << "the file's pools are not taken over";
    }
  }
}

// Announced rows beyond a table's capacity are skipped, a huge count ends at
// the end of the file, and a count below zero is an empty table.
TEST(ScenarioFile, CountsBeyondTheCapacityOrBelowZero) {
  const std::string surplus = FmtName("SURPLUS") + "  9  9  9  9  9  9  9  9  9  9  9  9";
  for (int announced : {45, -3}) { // 45: five surplus rows after the 40 a crop table holds
    auto ws = Sample(announced > 0 ? 40 : 0, 100);
    std::vector<std::string> l = Lines(Text(*ws));
    const std::size_t table = announced > 0 ? 47 : 2, extra = announced > 0 ? 5 : 0; // lines a table takes
    for (std::size_t t = 0; t < 4; ++t) { // the crop tables start on line 21
      l[21 + t * table].replace(0, 20, FmtInt(announced, 20));
      l.insert(l.begin() + static_cast<long>(22 + t * table) + ws->scenario.CropCount, extra, surplus);
    }
    // 100 applications and five surplus rows, announced as 105 or as a count that ends at the file end.
    l[21 + 4 * table].replace(0, 20, FmtInt(announced > 0 ? 105 : 2000000000, 20));
    l.insert(l.end(), 5, surplus);
    auto back = MakeWorkspace();
    LoadScenarioText(*back, Join(l), "/data/rot/A.DAT");
    EXPECT_EQ(Text(*back), Text(*ws)) << "no surplus row may land anywhere";
    EXPECT_EQ(back->scenario.CropCount, ws->scenario.CropCount);
  }
}

// A read error names file, line and field; a file cut anywhere before its
// last row fails cleanly. Whatever the error, the scenario in memory and the
// data directory are unchanged: no field of the damaged file is taken over.
TEST(ScenarioFile, ReadErrorsNameFileLineAndField) {
  // Line, text whose first occurrence on the line is replaced, its replacement, and the message.
  const std::tuple<std::size_t, std::string, std::string, std::string> rows[] = {
      {1, "459", "460", "[Kelmar 460 Data File] Loading a.dat\rInvalid file ID: Kelmar 460 Data File"},
      {7, "0.75", "abc", "a.dat, line 7: a number was expected for ETbare, found 'abc'"},
      {7, "2", "1.5", "a.dat, line 7: a whole number was expected for Year, found '1.5'"},
      {13, "11.25", "1e39", "a.dat, line 13: the value of NGW of water-table point 2 is too large"},
      {16, "0.50", "0.5x", "a.dat, line 16: a number was expected for SMO of soil layer 1, found '0.5x'"},
      {29, "0.25", "0.2?", "a.dat, line 29: a number was expected for DMdistr RESI of crop 2, found '0.2?'"},
      {22, "3", "three", "a.dat, line 22: a whole number was expected for the crop count, found 'three'"},
      {47, " 6 ", " x ", "a.dat, line 47: a whole number was expected for YR of application 5, found 'x'"},
  };
  const std::string text = Text(*Sample()), fresh = Text(*MakeWorkspace());
  for (const auto& [at, from, to, message] : rows) {
    std::vector<std::string> l = Lines(text);
    std::string& line = l[at - 1];
    ASSERT_NE(line.find(from), std::string::npos) << line;
    line.replace(line.find(from), from.size(), to);
    auto ws = MakeWorkspace();
    EXPECT_EQ(ErrorOf([&] { LoadScenarioText(*ws, Join(l), "a.dat"); }), message);
    EXPECT_EQ(Text(*ws), fresh) << "line " << at;
    EXPECT_EQ(ws->state.DataDir, MakeWorkspace()->state.DataDir);
    EXPECT_TRUE(at != 1 || ErrorOf([&] { InsertScenarioText(*ws, Join(l), "a.dat", false); })[0] == '[');
  }
  const char raw[] = "\x7f\x45LF\x02\x01\x01\0\0\0garbage";
  const std::string binary(raw, sizeof raw - 1);
  EXPECT_EQ(ErrorOf([&] { LoadScenarioText(*MakeWorkspace(), binary, "b"); })[0], '[');
  for (std::size_t n = 0; n < text.size(); ++n) {
    const std::string e = ErrorOf([&] { LoadScenarioText(*MakeWorkspace(), text.substr(0, n), "a.dat"); });
    EXPECT_TRUE(e == "no error" ? n > text.rfind("manure 5") : e.rfind(n < 20 ? "[" : "a.dat, line ", 0) == 0)
        << "cut at " << n << ": " << e;
  }
}

TEST(ScenarioFile, InsertKeepsYearsAndAppendMovesThemBehindTheRun) {
  for (bool append : {false, true}) {
    auto ws = Sample(2, 4); // Year 2, Weeks 260: the run covers five whole years
    EXPECT_EQ(InsertScenarioText(*ws, InsertFile(), "i.dat", append), "");
    const int shift = append ? 5 + 2 - 1 : 0;
    auto want = Sample(5, 6), file = Sample(3, 5);
    want->scenario.Weeks = append ? 260 + 104 : 260;
    for (int k = 1; k <= 3; ++k) (want->scenario.Crops[2 + k] = file->scenario.Crops[k]).YEAR += shift;
    for (int k = 4; k <= 5; ++k) (want->scenario.Appls[1 + k] = file->scenario.Appls[k]).YR += shift;
    EXPECT_EQ(Text(*ws), Text(*want)) << (append ? "append" : "insert");
  }
}

TEST(ScenarioFile, InsertStopsAtCapacityAndYearLimitAndFailsWhole) {
  auto ws = Sample(39, 99); // room for one crop and one application; years stop at 520
  std::tie(ws->scenario.Year, ws->scenario.Weeks) = std::pair(520, 520);
  InsertScenarioText(*ws, InsertFile(), "i.dat", true);
  const Scenario& s = ws->scenario;
  EXPECT_EQ(std::tuple(s.CropCount, s.ApplCount, s.Crops[40].YEAR, s.Appls[100].Name.str(), s.Weeks),
            std::tuple(40, 100, 520, FmtName("manure 4"), 520));

  auto early = Sample(2, 4); // no whole year of the run: the file's run length; crops move at least a year
  std::tie(early->scenario.Year, early->scenario.Weeks) = std::pair(1, 20);
  InsertScenarioText(*early, InsertFile(), "i.dat", true);
  EXPECT_EQ(std::pair(early->scenario.Weeks, early->scenario.Crops[3].YEAR), std::pair(104, 2));

  auto few = Sample(2, 4); // a file with fewer than three applications removes none
  InsertScenarioText(*few, InsertFile(2), "i.dat", false);
  EXPECT_EQ(std::pair(few->scenario.CropCount, few->scenario.ApplCount), std::pair(5, 4));

  const std::string before = Text(*few);
  std::string file = InsertFile();
  file.resize(file.rfind("manure 5") + 30); // the last application row is cut short
  EXPECT_THROW(InsertScenarioText(*few, file, "i.dat", true), FileError);
  EXPECT_EQ(Text(*few), before);
}

// Pages hold at most 58 lines after four empty ones and never split a table,
// and break only where a table does not fit.
TEST(ScenarioFile, ListingBreaksPagesOnlyWhereATableDoesNotFit) {
  // 18 crops: table 1 ends on line 40, so table 2 (20 lines) needs a new page; table 4 too.
  // The 32 applications (34 lines) then fill page 3 exactly, 33 do not. 37 crops do not
  // fit below the soils at all; every table then has a page of its own.
  const std::array<int, 3> rows[] = {{0, 0, 0},  {1, 3, 0},   {18, 32, 2}, {18, 33, 3},
                                     {30, 3, 3}, {36, 36, 4}, {37, 0, 4},  {40, 52, 5}};
  for (auto [crops, appls, formFeeds] : rows) {
    SCOPED_TRACE(std::to_string(crops) + " crops, " + std::to_string(appls) + " applications");
    std::vector<std::string> l = Lines(Text(*Sample(crops, appls), true));
    l.insert(l.begin(), "\f"); // every page now starts with a form feed line
    for (std::size_t top = 0, i = 0; i < l.size(); ++i) {
      top = l[i] == "\f" ? i : top;
      const std::size_t row = i - top, end = std::find(l.begin() + i + 1, l.end(), "\f") - l.begin();
      EXPECT_TRUE(row == 0 || row > 4 || l[i].empty()) << "line " << i;
      EXPECT_TRUE(row != 5 || l[i].rfind("     Kelmar 459 Data File", 0) == 0) << "line " << i;
      EXPECT_LT(row, 5u + 58u) << "line " << i;
      EXPECT_TRUE(l[i].rfind("     CROPS:", 0) != 0 || i + 2 + crops <= end) << "line " << i;
      EXPECT_TRUE(l[i] != "     APPLICATIONS" || i + 2 + appls <= end) << "line " << i;
    }
    EXPECT_EQ(std::count(l.begin(), l.end(), "\f"), formFeeds + 1);
  }
}

// A failed save leaves the old file and no temporary one; a directory in the
// way is left alone. Loading a missing file or a directory fails.
// The scenario takes the new name only once the file is written.
TEST(ScenarioFile, SaveWritesTheExpandedPathAndNeverHalfAFile) {
  const auto dir = std::filesystem::temp_directory_path() / ("kelmar_scenario_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir / "B.DAT" / "inside");
  auto ws = Sample();
  SaveScenario(*ws, (dir / "rot" / ".." / "A.DAT").string());
  const std::string saved = (dir / "A.DAT").string(), text = ReadFileText(saved);
  EXPECT_EQ(ws->scenario.ScenarioFile, saved);
  EXPECT_EQ(text, Text(*ws));
  auto back = MakeWorkspace();
  LoadScenario(*back, saved);
  EXPECT_EQ(Text(*back), text);
  EXPECT_THROW(SaveScenario(*ws, (dir / "missing" / "A.DAT").string()), FileError);
  EXPECT_THROW(SaveScenario(*ws, (dir / "B.DAT").string()), FileError);
  EXPECT_TRUE(std::filesystem::exists(dir / "B.DAT" / "inside"));
  // A failed save leaves the scenario under its old name.
  EXPECT_EQ(ws->scenario.ScenarioFile, saved);
  EXPECT_EQ(ReadFileText(saved), text);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2);
  EXPECT_NE(ErrorOf([&] { LoadScenario(*back, "/no/such/dir/X.DAT"); }).find("/no/such/dir/X.DAT"),
            std::string::npos);
  EXPECT_NE(ErrorOf([&] { LoadScenario(*back, dir.string()); }), "no error");
  EXPECT_NE(ErrorOf([&] { InsertScenario(*back, dir.string(), true); }), "no error");
  EXPECT_EQ(Text(*back), text);
  std::filesystem::remove_all(dir);
}

// The example file, written by the program, comes back byte for byte from its
// third line on (line 1 holds the writer's stamp, line 2 the path).
TEST(ScenarioFile, ExampleRoundTripsByteForByte) {
  const std::string file = ReadFileText(KELMAR_EXAMPLES "/SANDY6.DAT");
  auto ws = MakeWorkspace();
  LoadScenarioText(*ws, file, "SANDY6.DAT");
  const std::string written = Text(*ws);
  auto fromLine3 = [](const std::string& t) { return t.substr(t.find('\n', t.find('\n') + 1) + 1); };
  EXPECT_EQ(fromLine3(written), fromLine3(file));
}
