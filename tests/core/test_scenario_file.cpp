#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <iterator>
#include <sstream>
#include <unistd.h>

#include "Workspace.h"
#include "data/Errors.h"
#include "data/FileSystem.h"
#include "data/ScenarioFile.h"
#include "data/TextFormat.h"
#include "data/TextReader.h"

using namespace kelmar;

namespace {

// Every column of a row gets a different value, so that a field written or
// read in the wrong column shows; the values are exact at their decimals.
void FillCrop(Crop& c, int i) {
  c.Name = "crop " + std::to_string(i);
  c.YEAR = i;
  c.WEEK1 = 10 + i;
  c.WEEK2 = 20 + i % 5;
  c.WEEK3 = 30;
  c.WEEK4 = 40;
  c.PRODi = i == 1 ? 1234567 : 1000 * i + 7; // 1234567 fills its 7 columns
  c.DMpct = 85.5f;
  c.NFIXi = 12 + i;
  c.DMdistr = {0.5f, 0.25f, 0.75f};
  c.Npctdm = {1.75f, 0.5f, 1.25f};
  c.Applied = {0.25f, 1};
  c.InitAge = {1.5f, 2.25f, 3.75f};
  c.ETMAX = 1.25f;
  c.DMpctResi = 22.5f;
  c.PlantQUANT = 150;
  c.PlantDMpct = 87.5f;
  c.PlantNpctdm = 2.75f;
  c.P2O5pct = {0.75f, 0.25f};
  c.K2Opct = {0.5f, 1.5f};
  c.PlantP2O5pct = 1.25f;
  c.PlantK2Opct = 1.75f;
  c.RDepth = 80 + i;
  c.Code = i == 1 ? -12345 : i % 7;
}

void FillAppl(Application& a, int i) {
  a.Name = "manure " + std::to_string(i);
  a.ACT = 1 + i % 3;
  a.YR = 1 + i % 6;
  a.WK = 5 + i;
  a.QUANT = 20000 + i;
  a.DMpct = 25.5f;
  a.OMpctdm = 60.5f;
  a.Npctdm = 2.25f;
  a.IAGE = 0.75f;
  a.P2O5pct = 1.5f;
  a.K2Opct = 2.5f;
  a.Nminpct = 0.25f;
}

// A scenario with every field set; the fittable parameters lie inside their
// ranges except where a test says otherwise.
std::unique_ptr<Workspace> Sample(int crops = 3, int appls = 5) {
  auto ws = MakeWorkspace();
  Scenario& s = ws->scenario;
  s.Title = "Rotation A";
  s.ScenarioFile = "/data/rot/A.DAT";
  s.EnviFile = "/data/env/DEBILT 1990.ENV";
  s.Year = 2;
  s.Week = 14;
  s.Weeks = 260;
  s.ETbare = 0.75f;
  s.MWU = 0.5f;
  s.pH = 6.5f;
  s.CNM = 8.25f;
  s.ADM = 0.25f;
  s.NDep = 35.5f;
  s.NFix0 = 12.5f;
  s.DN0 = 24.5f;
  s.DNF = 0.25f;
  s.P2O5Dep = 2.5f;
  s.K2ODep = 6.5f;
  s.oOM2 = 1200;
  s.oNc2 = 4.25f;
  s.oAge2 = 23.5f;
  s.DN02 = 45.5f;
  s.DNF2 = 0.75f;
  s.WaterTable[0] = {12, 95.5f, 9.75f};
  s.WaterTable[1] = {38, 140.5f, 11.25f};
  s.Soil[0] = {"loamy sand", 30, 100, 10.5f, 0.5f, 0.025f, 99.5f, 22.5f, 1.25f, 0.75f, 35.5f, 0.25f};
  s.Soil[1] = {"coarse sand", 40, 200, 5.5f, 0.75f, 0.05f, 50.5f, 20.5f, 0.5f, 1.5f, 30.5f, 0.5f};
  s.CropCount = crops;
  for (int i = 1; i <= crops; ++i) FillCrop(s.Crops[i], i);
  s.ApplCount = appls;
  for (int i = 1; i <= appls; ++i) {
    if (i > 3) FillAppl(s.Appls[i], i);
    s.Appls[i].P2O5pct = 0.5f; // the pools' defaults leave these zero
    s.Appls[i].K2Opct = 0.75f;
    s.Appls[i].Nminpct = 0.25f;
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
  std::size_t b = 0;
  for (std::size_t e; (e = text.find("\r\n", b)) != std::string::npos; b = e + 2)
    v.push_back(text.substr(b, e - b));
  if (b < text.size()) v.push_back(text.substr(b));
  return v;
}

std::string Join(const std::vector<std::string>& lines, std::string_view eol = "\r\n") {
  std::string t;
  for (const std::string& l : lines) t += l + std::string(eol);
  return t;
}

std::size_t Find(const std::vector<std::string>& lines, std::string_view prefix, std::size_t from = 0) {
  for (std::size_t i = from; i < lines.size(); ++i)
    if (lines[i].rfind(prefix, 0) == 0) return i;
  ADD_FAILURE() << "no line starts with '" << prefix << "'";
  return lines.size();
}

// A row with its 20-character name and only its first n numbers.
std::string KeepNumbers(const std::string& row, int n) {
  std::istringstream in(row.substr(20));
  std::string out = row.substr(0, 20), tok;
  for (int i = 0; i < n && in >> tok; ++i) out += " " + tok;
  return out;
}

// The file of `ws` rewritten in an older layout.
std::string OlderLayout(const Workspace& ws, std::string_view id) {
  std::vector<std::string> l = Lines(Text(ws));
  const int crops = ws.scenario.CropCount, appls = ws.scenario.ApplCount;
  const std::string v(id.substr(7, 3));
  l[0].replace(0, 20, id);
  const int applNumbers = v == "400" ? 5 : v == "410" || v == "403" ? 7 : 8;
  const int table4Numbers = v == "459" ? 8 : v == "403" ? 6 : 7;
  std::size_t a = Find(l, "APPLICATIONS");
  for (int i = 0; i < appls; ++i) l[a + 2 + i] = KeepNumbers(l[a + 2 + i], 3 + applNumbers);
  std::size_t t4 = Find(l, "CROPS:                P2O5%");
  if (v == "400") {
    l.erase(l.begin() + t4, l.begin() + t4 + 2 + crops);
    l.erase(l.begin() + 7, l.begin() + 9);
  } else {
    for (int i = 0; i < crops; ++i) l[t4 + 2 + i] = KeepNumbers(l[t4 + 2 + i], table4Numbers);
    if (v == "403") l[8] = KeepNumbers(std::string(20, ' ') + l[8], 2).substr(20);
  }
  return Join(l);
}

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const FileError& e) {
    return e.what();
  }
  return "no error";
}

} // namespace

TEST(ScenarioFile, FileLayoutOfANewScenario) {
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
}

TEST(ScenarioFile, WriteReadWriteGivesTheSameText) {
  const std::pair<int, int> cases[] = {{3, 5}, {0, 0}, {40, 100}};
  for (auto [crops, appls] : cases) {
    auto ws = Sample(crops, appls);
    ws->scenario.Title = "   Leading blanks";
    ws->scenario.Crops[crops > 1 ? 2 : 0].Name = "abcdefghijklmnopqrs9"; // a full name before a number
    const std::string first = Text(*ws);
    auto back = MakeWorkspace();
    for (std::string_view eol : {"\n", "\r", "\r\n"}) {
      LoadScenarioText(*back, Join(Lines(first), eol), "/data/rot/A.DAT");
      EXPECT_EQ(Text(*back), first) << crops << " crops, " << appls << " applications, line end "
                                    << int(eol[0]);
    }
    EXPECT_EQ(back->scenario.FileId, kScenarioId);
    EXPECT_EQ(back->scenario.CropCount, crops);
    EXPECT_EQ(back->scenario.ApplCount, appls);
    EXPECT_EQ(back->state.DataDir, "/data/rot/");
    EXPECT_EQ(back->scenario.EnviFile, "/data/env/DEBILT 1990.ENV");
    EXPECT_EQ(back->scenario.Title.str(), "Leading blanks      ")
        << "leading blanks go, trailing ones are read";
    if (crops > 0) {
      EXPECT_EQ(back->scenario.Crops[1].Name.str(), FmtName("crop 1")) << "the name field is read whole";
      EXPECT_EQ(back->scenario.Crops[1].PRODi, 1234567);
      EXPECT_EQ(back->scenario.Crops[1].Code, -12345);
    }
  }
}

TEST(ScenarioFile, OlderLayoutsGetDefaultsAndAreWrittenInTheCurrentOne) {
  struct Row {
    std::string_view id;
    bool deposition, subsoil, rdepth, code, applPK, applNmin;
  };
  const Row rows[] = {
      {"Kelmar 459 Data File", true, true, true, true, true, true},
      {"Kelmar 420 Data File", true, true, true, false, true, true},
      {"Kelmar 410 Data File", true, true, true, false, true, false},
      {"Kelmar 403 Data File", true, false, false, false, true, false},
      {"Kelmar 400 Data File", false, false, false, false, false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.id));
    auto ws = Sample();
    ws->scenario.pH = 15; // outside 1..14: only an older file is brought into range
    auto back = MakeWorkspace();
    LoadScenarioText(*back, OlderLayout(*ws, row.id), "old.dat");
    const Scenario& s = back->scenario;
    const bool current = row.id == kScenarioId;
    EXPECT_EQ(s.pH, current ? 15 : 14);
    EXPECT_EQ(s.FileId, kScenarioId);
    EXPECT_EQ(s.P2O5Dep, row.deposition ? 2.5f : 0);
    EXPECT_EQ(s.K2ODep, row.deposition ? 6.5f : 0);
    EXPECT_EQ(s.oOM2, row.subsoil ? 1200 : 0);
    EXPECT_EQ(s.oNc2, row.subsoil ? 4.25f : 4.5f);
    EXPECT_EQ(s.oAge2, row.subsoil ? 23.5f : 24);
    EXPECT_EQ(s.DN02, row.subsoil ? 45.5f : 50);
    EXPECT_EQ(s.DNF2, row.subsoil ? 0.75f : 0.3f);
    EXPECT_EQ(s.WaterTable[1].NGW, 11.25f) << "the water table follows the parameters";
    for (int i = 1; i <= 3; ++i) {
      const Crop& c = s.Crops[i];
      EXPECT_EQ(c.PRODi, ws->scenario.Crops[i].PRODi);
      EXPECT_EQ(c.PlantK2Opct, row.deposition ? 1.75f : 0) << "the P2O5/K2O table is absent only in 400";
      EXPECT_EQ(c.K2Opct[kResi], row.deposition ? 1.5f : 0);
      EXPECT_EQ(c.RDepth, row.rdepth ? 80 + i : 60) << "default: twice the topsoil thickness";
      EXPECT_EQ(c.Code, row.code ? ws->scenario.Crops[i].Code : 5);
    }
    for (int i = 1; i <= 5; ++i) {
      const Application& a = s.Appls[i];
      EXPECT_EQ(a.QUANT, ws->scenario.Appls[i].QUANT);
      EXPECT_EQ(a.IAGE, ws->scenario.Appls[i].IAGE);
      EXPECT_EQ(a.K2Opct, row.applPK ? ws->scenario.Appls[i].K2Opct : 0);
      EXPECT_EQ(a.Nminpct, row.applNmin ? 0.25f : 0);
    }
    // Written back: the current identifier and every column, readable again.
    const std::string again = Text(*back);
    EXPECT_EQ(again.substr(0, 20), kScenarioId);
    auto third = MakeWorkspace();
    LoadScenarioText(*third, again, "old.dat");
    EXPECT_EQ(Text(*third), again);
  }
}

TEST(ScenarioFile, SurplusRowsAreSkippedAndTheNextTableReadCorrectly) {
  auto ws = Sample(40, 100);
  std::vector<std::string> l = Lines(Text(*ws));
  // Announce five more rows in every table and put them after the last row.
  std::size_t i = 0;
  for (int table = 0; table < 5; ++table) {
    i = Find(l, table < 4 ? "CROPS:" : "APPLICATIONS", i) + 1;
    const int n = table < 4 ? 40 : 100;
    l[i].replace(0, 20, FmtInt(n + 5, 20));
    std::vector<std::string> surplus(5, FmtName("SURPLUS") + "  9  9  9  9  9  9  9  9  9  9  9  9  9");
    l.insert(l.begin() + static_cast<long>(i) + 1 + n, surplus.begin(), surplus.end());
  }
  auto back = MakeWorkspace();
  LoadScenarioText(*back, Join(l), "/data/rot/A.DAT");
  EXPECT_EQ(back->scenario.CropCount, 40);
  EXPECT_EQ(back->scenario.ApplCount, 100);
  EXPECT_EQ(Text(*back), Text(*ws)) << "no surplus row may land anywhere";
}

TEST(ScenarioFile, RunStartAndLengthAreClampedTo520Weeks) {
  struct Row {
    int year, week, weeks, wantYear, wantWeek, wantWeeks;
  };
  for (const Row& r : {Row{0, 1, 600, 1, 1, 520}, Row{-5, 0, 1300, 1, 1, 520}, Row{600, 521, 0, 520, 520, 1},
                       Row{520, 52, 520, 520, 52, 520}}) {
    auto ws = Sample();
    std::vector<std::string> l = Lines(Text(*ws));
    l[6] = FmtInt(r.year, 5) + FmtInt(r.week, 5) + FmtInt(r.weeks, 6) + l[6].substr(16);
    auto back = MakeWorkspace();
    LoadScenarioText(*back, Join(l), "a.dat");
    EXPECT_EQ(back->scenario.Year, r.wantYear) << r.year;
    EXPECT_EQ(back->scenario.Week, r.wantWeek) << r.week;
    EXPECT_EQ(back->scenario.Weeks, r.wantWeeks) << r.weeks;
  }
  auto ws = Sample();
  ws->scenario.Weeks = 1300; // as the dialog allows: written as it is
  EXPECT_EQ(Lines(Text(*ws))[6].substr(10, 6), "  1300");
}

TEST(ScenarioFile, CountsBelowZeroAreEmptyTablesAndHugeOnesEndAtTheFileEnd) {
  auto ws = Sample(3, 100);
  std::vector<std::string> l = Lines(Text(*ws));
  std::size_t i = 0;
  for (int table = 0; table < 4; ++table) {
    i = Find(l, "CROPS:", i) + 1;
    l[i].replace(0, 20, FmtInt(-3, 20));
    l.erase(l.begin() + static_cast<long>(i) + 1, l.begin() + static_cast<long>(i) + 4);
  }
  i = Find(l, "APPLICATIONS") + 1;
  l[i].replace(0, 20, FmtInt(2000000000, 20));
  auto back = MakeWorkspace();
  LoadScenarioText(*back, Join(l), "a.dat");
  EXPECT_EQ(back->scenario.CropCount, 0);
  EXPECT_EQ(back->scenario.ApplCount, 100);
  EXPECT_EQ(back->scenario.Appls[100].WK, ws->scenario.Appls[100].WK);
}

TEST(ScenarioFile, InvalidIdentifierChangesNothing) {
  auto ws = Sample();
  const std::string before = Text(*ws);
  std::string text = before;
  text.replace(7, 3, "460");
  try {
    LoadScenarioText(*ws, text, "B.DAT");
    FAIL() << "an unknown identifier must be refused";
  } catch (const InvalidFileId& e) {
    EXPECT_EQ(e.id(), "Kelmar 460 Data File");
    EXPECT_EQ(std::string(e.what()), "Loading B.DAT\rInvalid file ID: Kelmar 460 Data File");
  }
  EXPECT_THROW(InsertScenarioText(*ws, text, "B.DAT", false), InvalidFileId);
  EXPECT_THROW(LoadScenarioText(*ws, "", "B.DAT"), InvalidFileId);
  EXPECT_THROW(LoadScenarioText(*ws, "\x7f\x45LF\x02\x01\x01\0\0\0garbage", "B.DAT"), InvalidFileId);
  EXPECT_EQ(Text(*ws), before);
}

TEST(ScenarioFile, ReadErrorsNameFileLineAndField) {
  struct Row {
    std::string linePrefix; // first line starting with it, or "" for line 7
    bool named;             // the line starts with a 20-character name
    int token;              // number on the line to replace, counted from 0 after any name
    std::string replacement, message;
  };
  const Row rows[] = {
      {"", false, 3, "abc", "a.dat, line 7: a number was expected for ETbare, found 'abc'"},
      {"", false, 0, "1.5", "a.dat, line 7: a whole number was expected for Year, found '1.5'"},
      {"    38", false, 2, "1e39", "a.dat, line 13: the value of NGW of water-table point 2 is too large"},
      {FmtName("loamy sand"), true, 3, "0.5x",
       "a.dat, line 16: a number was expected for SMO of soil layer 1, found '0.5x'"},
      {FmtName("crop 2"), true, 5, "7-",
       "a.dat, line 24: a number was expected for PRODi of crop 2, found '7-'"},
      {FmtInt(3, 20) + "  YEAR", false, 0, "three",
       "a.dat, line 22: a whole number was expected for the crop count, found 'three'"},
      {FmtName("manure 5"), true, 1, "x",
       "a.dat, line 47: a whole number was expected for YR of application 5, found 'x'"},
  };
  for (const Row& r : rows) {
    auto ws = Sample();
    std::vector<std::string> l = Lines(Text(*ws));
    const std::size_t at = r.linePrefix.empty() ? 6 : Find(l, r.linePrefix);
    const std::size_t start = r.named ? 20 : 0;
    std::istringstream in(l[at].substr(start));
    std::vector<std::string> toks{std::istream_iterator<std::string>(in), {}};
    toks[static_cast<std::size_t>(r.token)] = r.replacement;
    std::string line = l[at].substr(0, start);
    for (const std::string& t : toks) line += " " + t;
    l[at] = line;
    EXPECT_EQ(ErrorOf([&] { LoadScenarioText(*MakeWorkspace(), Join(l), "a.dat"); }), r.message);
  }
}

TEST(ScenarioFile, EveryTruncationFailsCleanly) {
  auto ws = Sample(2, 4);
  const std::string text = Text(*ws);
  const std::size_t lastRow = text.rfind("manure 4");
  auto back = MakeWorkspace();
  for (std::size_t n = 0; n < text.size(); ++n) {
    std::string_view cut(text.data(), n);
    try {
      LoadScenarioText(*back, cut, "t.dat");
      EXPECT_GT(n, lastRow) << "a file cut at " << n << " must not load";
    } catch (const InvalidFileId&) {
      EXPECT_LT(n, 20u);
    } catch (const FileError& e) {
      EXPECT_EQ(std::string(e.what()).rfind("t.dat, line ", 0), 0u) << e.what();
    }
  }
}

TEST(ScenarioFile, FieldsReadBeforeAnErrorKeepTheirNewValues) {
  auto file = Sample(3, 5);
  file->scenario.Year = 7;
  std::string text = Text(*file);
  text.replace(text.find("crop 2", text.find("DMdistr")) + 10, 1, "?"); // breaks crop table 2
  auto ws = MakeWorkspace();
  EXPECT_THROW(LoadScenarioText(*ws, text, "/d/e.dat"), FileError);
  EXPECT_EQ(ws->scenario.Year, 7);
  EXPECT_EQ(ws->scenario.ScenarioFile, "/d/e.dat");
  EXPECT_EQ(ws->scenario.Crops[3].PRODi, 3007) << "crop table 1 was read";
  EXPECT_EQ(ws->scenario.CropCount, 1) << "the count comes after the last crop table";
  EXPECT_EQ(ws->scenario.Appls[1].QUANT, 94000) << "not reached";
}

TEST(ScenarioFile, LoadFromDiskReportsMissingFilesAndDirectories) {
  auto ws = MakeWorkspace();
  EXPECT_NE(ErrorOf([&] { LoadScenario(*ws, "/no/such/dir/X.DAT"); }).find("/no/such/dir/X.DAT"),
            std::string::npos);
  EXPECT_NE(ErrorOf([&] { LoadScenario(*ws, "/tmp"); }), "no error");
  EXPECT_NE(ErrorOf([&] { InsertScenario(*ws, "/tmp", true); }), "no error");
  EXPECT_EQ(ws->scenario.ScenarioFile, "NEW.DAT");
}

namespace {
// The file to insert or append: Year 1, Weeks 104, three crops in years 1..3
// and two applications after the three pools.
std::string InsertFile(std::string_view id = kScenarioId, int appls = 5) {
  auto f = Sample(3, appls);
  f->scenario.Year = 1;
  f->scenario.Weeks = 104;
  f->scenario.pH = 4;
  f->scenario.Appls[1].QUANT = 1;
  return OlderLayout(*f, id);
}
} // namespace

TEST(ScenarioFile, InsertKeepsYearsAndAppendMovesThemBehindTheRun) {
  for (bool append : {false, true}) {
    SCOPED_TRACE(append ? "append" : "insert");
    auto ws = Sample(2, 4); // Year 2, Weeks 260: the run covers five whole years
    const Scenario before = ws->scenario;
    auto file = Sample(3, 5);
    EXPECT_EQ(InsertScenarioText(*ws, InsertFile(), "i.dat", append), "");
    const Scenario& s = ws->scenario;
    const int shift = append ? 5 + 2 - 1 : 0;
    EXPECT_EQ(s.Weeks, append ? 260 + 104 : 260);
    ASSERT_EQ(s.CropCount, 5);
    for (int k = 1; k <= 3; ++k) {
      EXPECT_EQ(s.Crops[2 + k].YEAR, k + shift);
      EXPECT_EQ(s.Crops[2 + k].PRODi, file->scenario.Crops[k].PRODi);
    }
    ASSERT_EQ(s.ApplCount, 6) << "the file's pools are not taken over";
    EXPECT_EQ(s.Appls[5].Name.str(), FmtName("manure 4"));
    EXPECT_EQ(s.Appls[5].YR, 1 + 4 % 6 + shift);
    EXPECT_EQ(s.Appls[6].YR, 1 + 5 % 6 + shift);
    EXPECT_EQ(s.Appls[1].QUANT, before.Appls[1].QUANT);
    EXPECT_EQ(s.pH, before.pH) << "nothing of the file's parameters";
    EXPECT_EQ(s.Title.str(), before.Title.str());
    EXPECT_EQ(s.ScenarioFile, before.ScenarioFile);
  }
}

TEST(ScenarioFile, InsertRespectsCapacityAndYearLimit) {
  auto ws = Sample(39, 99);
  ws->scenario.Year = 520;
  ws->scenario.Weeks = 520;
  const std::string file = InsertFile("Kelmar 410 Data File");
  EXPECT_EQ(InsertScenarioText(*ws, file, "i.dat", true), "Kelmar 410 Data File")
      << "older: shown to the user";
  EXPECT_EQ(ws->scenario.CropCount, 40);
  EXPECT_EQ(ws->scenario.ApplCount, 100);
  EXPECT_EQ(ws->scenario.Crops[40].YEAR, 520) << "years stop at 520";
  EXPECT_EQ(ws->scenario.Crops[40].Code, 5) << "410 has no crop code";
  EXPECT_EQ(ws->scenario.Appls[100].Name.str(), FmtName("manure 4"));
  EXPECT_EQ(ws->scenario.Weeks, 520);

  auto early = Sample(2, 4);
  early->scenario.Year = 1;
  early->scenario.Weeks = 20;
  InsertScenarioText(*early, InsertFile(), "i.dat", true);
  EXPECT_EQ(early->scenario.Weeks, 104) << "no whole year of the run: the file's run length";
  EXPECT_EQ(early->scenario.Crops[3].YEAR, 2) << "appended crops move by at least one year";

  auto few = Sample(2, 4);
  InsertScenarioText(*few, InsertFile(kScenarioId, 2), "i.dat", false);
  EXPECT_EQ(few->scenario.ApplCount, 4) << "a file with fewer than three applications removes none";
  EXPECT_EQ(few->scenario.CropCount, 5);
}

TEST(ScenarioFile, InsertReadsEveryLayout) {
  auto file = Sample(3, 5);
  for (std::string_view id : {"Kelmar 459 Data File", "Kelmar 420 Data File", "Kelmar 410 Data File",
                              "Kelmar 403 Data File", "Kelmar 400 Data File"}) {
    auto ws = Sample(2, 4);
    EXPECT_EQ(InsertScenarioText(*ws, InsertFile(id), "i.dat", false), id == kScenarioId ? "" : id);
    ASSERT_EQ(ws->scenario.CropCount, 5) << id;
    EXPECT_EQ(ws->scenario.Crops[5].PRODi, file->scenario.Crops[3].PRODi) << id;
    EXPECT_EQ(ws->scenario.Crops[5].InitAge[kRoot], 3.75f) << id;
    EXPECT_EQ(ws->scenario.Crops[5].RDepth, id.substr(7, 3) < "410" ? 60 : 83) << id;
    ASSERT_EQ(ws->scenario.ApplCount, 6) << id;
    EXPECT_EQ(ws->scenario.Appls[6].IAGE, 0.75f) << id;
    EXPECT_EQ(ws->scenario.Appls[6].K2Opct, id == "Kelmar 400 Data File" ? 0 : 0.75f) << id;
  }
}

TEST(ScenarioFile, LineEndsInsideTextFieldsCannotBreakTheFile) {
  auto ws = Sample();
  ws->scenario.EnviFile = "x\r\ny.ENV";
  ws->scenario.Crops[1].Name = "a\nb";
  auto back = MakeWorkspace();
  LoadScenarioText(*back, Text(*ws), "a.dat");
  EXPECT_EQ(back->scenario.EnviFile, "x  y.ENV");
  EXPECT_EQ(back->scenario.Crops[1].Name.str(), FmtName("a b"));
  EXPECT_EQ(back->scenario.Crops[1].PRODi, 1234567);
}

TEST(ScenarioFile, FailedInsertLeavesTheScenarioAsItWas) {
  auto ws = Sample(2, 4);
  const std::string before = Text(*ws);
  std::string file = InsertFile();
  file.resize(file.rfind("manure 5") + 30); // the last application row is cut short
  EXPECT_THROW(InsertScenarioText(*ws, file, "i.dat", true), FileError);
  EXPECT_EQ(Text(*ws), before);
}

TEST(ScenarioFile, ListingHasMarginAndEmptyLinesBeforeTheHeader) {
  auto ws = MakeWorkspace();
  std::string expected = "\r\n\r\n\r\n\r\n";
  for (const std::string& l : Lines(Text(*ws))) expected += "     " + l + "\r\n";
  EXPECT_EQ(Text(*ws, true), expected);
}

TEST(ScenarioFile, ListingBreaksPagesOnlyWhereATableDoesNotFit) {
  struct Row {
    int crops, appls, formFeeds;
  };
  // 18 crops: table 1 ends on line 40, so table 2 (20 lines) needs a new page; table 4 too.
  // The 32 applications (34 lines) then fill page 3 exactly, 33 do not. 37 crops do not
  // fit below the soils at all; every table then has a page of its own.
  for (const Row& r :
       {Row{1, 3, 0}, Row{18, 32, 2}, Row{18, 33, 3}, Row{30, 3, 3}, Row{36, 36, 4}, Row{37, 0, 4}}) {
    const std::string listing = Text(*Sample(r.crops, r.appls), true);
    EXPECT_EQ(std::count(listing.begin(), listing.end(), '\f'), r.formFeeds)
        << r.crops << " crops, " << r.appls << " applications";
  }
}

TEST(ScenarioFile, ListingPagesHoldAtMost58LinesAndNeverSplitATable) {
  for (int crops : {0, 1, 17, 18, 19, 30, 36, 37, 40}) {
    for (int appls : {0, 3, 30, 52}) {
      SCOPED_TRACE(std::to_string(crops) + " crops, " + std::to_string(appls) + " applications");
      const std::string listing = Text(*Sample(crops, appls), true);
      std::size_t b = 0;
      int page = 0;
      for (;;) {
        std::size_t e = listing.find('\f', b);
        std::vector<std::string> lines = Lines(listing.substr(b, e == std::string::npos ? e : e - b));
        if (page > 0) lines.erase(lines.begin()); // the line end after the form feed
        ASSERT_GE(lines.size(), 8u);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(lines[i], "") << "page " << page;
        lines.erase(lines.begin(), lines.begin() + 4);
        EXPECT_EQ(lines[0].substr(0, 25), "     Kelmar 459 Data File");
        EXPECT_LE(lines.size(), 58u) << "page " << page;
        for (std::size_t i = 0; i < lines.size(); ++i) {
          const bool crop = lines[i].rfind("     CROPS:", 0) == 0, appl = lines[i] == "     APPLICATIONS";
          if (crop || appl) {
            EXPECT_LE(i + 2 + static_cast<std::size_t>(crop ? crops : appls), lines.size());
          }
        }
        if (e == std::string::npos) break;
        b = e + 1;
        ++page;
      }
    }
  }
}

TEST(ScenarioFile, SaveWritesTheExpandedPathAndNeverHalfAFile) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("kelmar_scenario_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "rot" / ".." / "A.DAT").string();
  auto ws = Sample();
  SaveScenario(*ws, path);
  const std::string saved = (dir / "A.DAT").string();
  EXPECT_EQ(ws->scenario.ScenarioFile, saved);
  const std::string text = ReadFileText(saved);
  EXPECT_EQ(text, Text(*ws));
  EXPECT_EQ(Lines(text)[1], saved);

  auto back = MakeWorkspace();
  LoadScenario(*back, saved);
  EXPECT_EQ(Text(*back), text);

  EXPECT_THROW(SaveScenario(*ws, (dir / "missing" / "A.DAT").string()), FileError);
  std::filesystem::create_directories(dir / "B.DAT" / "inside");
  EXPECT_THROW(SaveScenario(*ws, (dir / "B.DAT").string()), FileError);
  EXPECT_TRUE(std::filesystem::exists(dir / "B.DAT" / "inside")) << "a directory in the way is left alone";
  EXPECT_EQ(ReadFileText(saved), text);
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir)) ++entries;
  EXPECT_EQ(entries, 2) << "no temporary file left behind";
  std::filesystem::remove_all(dir);
}
