#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "Workspace.h"
#include "calc/Corr.h"
#include "calc/NPK.h"
#include "data/TextFormat.h"
#include "report/Summary.h"
#include "report/Tables.h"

using namespace kelmar;

namespace {

const std::string kE9(1, '\xE9');
const std::string kMargin = "     ";

// Positions just after every run of non-blank characters.
std::vector<size_t> TokenEnds(const std::string& s) {
  std::vector<size_t> ends;
  for (size_t i = 0; i < s.size(); ++i)
    if (s[i] != ' ' && (i + 1 == s.size() || s[i + 1] == ' ')) ends.push_back(i + 1);
  return ends;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t i; (i = text.find("\r\n", start)) != std::string::npos; start = i + 2)
    out.push_back(text.substr(start, i - start));
  EXPECT_EQ(start, text.size()) << "every line ends in CR LF";
  return out;
}

// The header block as a listing prints it.
std::string ListingHeader(const std::string& title, const std::string& header) {
  std::string t = "\r\n\r\n\r\n\r\n";
  for (const std::string& l :
       {"Kelmar 420 Rslt File    Untitled" + std::string(16, ' '), std::string("NEW.DAT"),
        std::string("NEW.ENV"), title, header, std::string(70, '-')})
    t += kMargin + l + "\r\n";
  return t;
}

} // namespace

TEST(Tables, TitlesAndHeadersOfTheKinds) {
  struct Case {
    int kind;
    std::string title;
    std::string header;
  };
  const Case cases[] = {
      {1, "View Environment", "  wk    Tc  Rain   ET0   Irr  NIrr"},
      {3, "View Ground Water Table", "  wk   GWT   NGW  " + kE9 + "FC1 CRmax  " + kE9 + "FC2 CRmax"},
      {7, "View Mineralisation Factor", "  wk    fT    f" + kE9 + " fT_f" + kE9 + " fT_f" + kE9 + "2"},
      {14, "View Cumulative Nitrogen Balance", "  wk Avail NUPTi NUPTm  Nout NetAvail"},
      {15, "Graph Data",
       "  wk    Tc Avail   ET0  UPTi  UPTm   OUT   pF1   pF2    OMt    Nt   IOM  CULT  RESI  APPL Avail   "
       "Fix "
       "NUPTi NUPTm  NOUT    N1   Ni1    N2   Ni2 Avail UPTic UPTmc NetAv"},
      {16, "Summary Water Balance", "CROP                 Week Init Avail  UPTi  UPTm   OUT  AVG"},
      {19, "Summary Nitrogen Balance", "CROP                 Week Init Avail Fix UPTi UPTm  Den  OUT  AVG"},
      {20, "Summary N-modelled vs N-measured", ""},
      {21, "Summary Mineral Balance", ""},
      {0, "", ""},
      {22, "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TableTitle(c.kind), c.title) << "kind " << c.kind;
    EXPECT_EQ(TableHeader(c.kind), c.header) << "kind " << c.kind;
  }
}

TEST(Tables, EveryWeeklyColumnEndsUnderItsHeader) {
  // A value in every field, so that each column shows where it ends.
  auto ws = MakeWorkspace();
  for (const WeekField& f : kWeekFields) ws->weeks[1].*f.member = 1;
  ws->run.DepWeek = 1;
  for (int kind = 1; kind <= 15; ++kind) {
    std::vector<size_t> header = TokenEnds(TableHeader(kind));
    std::vector<size_t> row = TokenEnds(TableRow(*ws, 1, kind));
    // The last labels of these two are wider than their columns.
    if (kind == 7 || kind == 14) {
      header.pop_back();
      row.pop_back();
    }
    EXPECT_EQ(row, header) << "kind " << kind << "\n" << TableHeader(kind) << "\n" << TableRow(*ws, 1, kind);
  }
  EXPECT_EQ(TokenEnds(TableRow(*ws, 1, 15)).size(), 28u) << "week index and 27 graph data columns";
}

TEST(Tables, RowsWithDerivedAndOverflowingColumns) {
  // clang-format off
  auto ws = MakeWorkspace();
  WeekRecord& r3 = ws->weeks[3];
  r3.Teta2 = 250.4f; r3.theta2 = 0.3125f; r3.Fi2 = 100; r3.pF2 = 2; r3.BP2 = 0.5f;
  r3.BPF1 = 1.2f; // the subsoil's bypass column adds both layers' flows
  r3.BPF2 = 2.5f; r3.MFIN2 = 10.04f; r3.NTeta2 = 260; r3.UPT2 = 1.5f; r3.MFOUT2 = -3.2f;
  r3.FOUT2 = 123456.7f; // too wide for 6:1: widens and keeps a blank before it

  WeekRecord& r10 = ws->weeks[10];
  r10.N1 = 20.4f; r10.N2 = 30.3f; r10.dNt1 = 1; r10.NIrr = 0.5f; r10.dNt2 = 0.2f;
  ws->run.DepWeek = 0.3f;
  r10.NUPTi = 2.24f; r10.NUPTm = 1.96f; r10.Den1 = 0.3f; r10.Den2 = 0.4f; r10.Nout2 = 12.34f;

  WeekRecord& r7 = ws->weeks[7];
  r7.OMt1 = 12345678; // eight digits in 7:0
  r7.Nt1 = 4567; r7.dOMt1 = 12.4f; r7.dNt1 = 0.56f; r7.IOM = 1; r7.CULT = 2; r7.RESI = 3; r7.GRMA = 4;
  r7.APPL = 5; r7.FERT = 6; r7.SNM1 = 21;
  ws->weeks[8] = r7;
  ws->weeks[8].OMt1 = 1234567; // exactly fills 7:0
  // clang-format on

  struct Case {
    int week, kind;
    std::string row;
  };
  const Case cases[] = {
      {3, 5, "   3   250  0.31   100   2.0  0.50   3.7  10.0   260   1.5  -3.2 123456.7"},
      {3, 6, "   3   250   0.0   0.0   0.0 123456.7"},
      {10, 12, "  10    51   2.0   0.0   2.2   2.0   0.7  12.3"},
      {10, 11, "  10    30   0.0   0.0     0   0.4   0.0   0.0  12.3"},
      {7, 8, "   7 12345678  4567    12   0.6     1     2     3     4     5     6    21"},
      {8, 8, "   8 1234567  4567    12   0.6     1     2     3     4     5     6    21"},
      // graph data: N made available leaves out the subsoil's mineralisation
      {10, 15,
       "  10   0.0   0.0   0.0   0.0   0.0   0.0   0.0   0.0      0     0     0     0     0     0"
       "   1.8   0.0   2.2   2.0  12.3  20.4   0.0  30.3   0.0     0     0     0     0"},
  };
  for (const Case& c : cases) EXPECT_EQ(TableRow(*ws, c.week, c.kind), c.row) << "kind " << c.kind;
}

TEST(Tables, RejectsKindsAndWeeksOutsideTheTables) {
  auto ws = MakeWorkspace();
  EXPECT_THROW(TableRow(*ws, 1, 0), std::out_of_range);
  EXPECT_THROW(TableRow(*ws, 1, 16), std::out_of_range);
  EXPECT_THROW(TableRow(*ws, 522, 1), std::out_of_range);
  EXPECT_THROW(TableRow(*ws, -1, 1), std::out_of_range);
  EXPECT_NO_THROW(TableRow(*ws, 521, 15));
  OutText out;
  EXPECT_THROW(WriteTable(*ws, out, 22, 1, 10), std::out_of_range);
}

TEST(Tables, ListingPagesAfter58Lines) {
  auto ws = MakeWorkspace();
  ws->scenario.Weeks = 60;
  for (int w = 1; w <= 60; ++w) ws->weeks[w].Tc = static_cast<float>(w) / 10;
  OutText out(true);
  WriteTable(*ws, out, 1, 1, 520);

  const std::string header = ListingHeader("View Environment", TableHeader(1));
  std::string expected = header;
  for (int w = 1; w <= 52; ++w) expected += kMargin + TableRow(*ws, w, 1) + "\r\n";
  expected += "\f\r\n" + header;
  for (int w = 53; w <= 60; ++w) expected += kMargin + TableRow(*ws, w, 1) + "\r\n";
  EXPECT_EQ(out.text(), expected);
}

TEST(Tables, FormFeedsByNumberOfRows) {
  auto ws = MakeWorkspace();
  ws->scenario.Weeks = 200;
  const struct { int rows, formFeeds; } cases[] = {{0, 0}, {52, 0}, {53, 1}, {104, 1}, {105, 2}, {200, 3}};
  for (const auto& c : cases) {
    OutText out(true);
    WriteTable(*ws, out, 13, 1, c.rows);
    const std::string& t = out.text();
    EXPECT_EQ(std::count(t.begin(), t.end(), '\f'), c.formFeeds) << c.rows << " rows";
    EXPECT_EQ(static_cast<int>(Lines(t).size()), (c.formFeeds + 1) * 10 + c.rows + c.formFeeds)
        << c.rows << " rows";
  }
}

TEST(Tables, FileFormHasOneHeaderAndNoMargin) {
  auto ws = MakeWorkspace();
  ws->scenario.Weeks = 100;
  ws->scenario.Title = "  Rotation";
  ws->scenario.ScenarioFile = "/data/ROT.DAT";
  ws->scenario.series(SeriesKind::Environment).FileName = "/data/WET.ENV";
  OutText out(false);
  WriteTable(*ws, out, 14, 1, 100);
  std::vector<std::string> lines = Lines(out.text());
  ASSERT_EQ(lines.size(), 106u);
  // The title is padded as stored: leading blanks stay.
  EXPECT_EQ(lines[0], "Kelmar 420 Rslt File      Rotation" + std::string(10 + 4, ' '));
  EXPECT_EQ(lines[1], "/data/ROT.DAT");
  EXPECT_EQ(lines[2], "/data/WET.ENV");
  EXPECT_EQ(lines[3], "View Cumulative Nitrogen Balance");
  EXPECT_EQ(lines[4], TableHeader(14));
  EXPECT_EQ(lines[5], std::string(70, '-'));
  EXPECT_EQ(lines[6], TableRow(*ws, 1, 14));
  EXPECT_EQ(lines[105], TableRow(*ws, 100, 14));
  EXPECT_EQ(out.text().find('\f'), std::string::npos);
}

TEST(Tables, RangeStopsAtTheLastRunWeek) {
  auto ws = MakeWorkspace();
  ws->scenario.Weeks = 10;
  const struct {
    int from, till;
    int firstRow, rows;
  } cases[] = {{5, 520, 5, 6}, {1, 3, 1, 3}, {11, 20, 0, 0}, {8, 4, 0, 0}};
  for (const auto& c : cases) {
    OutText out;
    WriteTable(*ws, out, 2, c.from, c.till);
    std::vector<std::string> lines = Lines(out.text());
    ASSERT_EQ(static_cast<int>(lines.size()), 6 + c.rows) << c.from << ".." << c.till;
    if (c.rows > 0) {
      EXPECT_EQ(lines[6], TableRow(*ws, c.firstRow, 2));
    }
  }
}

TEST(Tables, SummaryTablesListEveryPeriodRow) {
  auto ws = MakeWorkspace();
  ws->scenario.Weeks = 60;
  RunState& run = ws->run;
  run.PeriodCount = 60;
  for (int r = 1; r <= 60; ++r) {
    run.Periods[r].Name = r == 60 ? "TOTAL" : "bare";
    run.Periods[r].Week = r;
  }
  OutText out(true);
  WriteTable(*ws, out, 18, 1, 1); // the week range does not limit the rows
  const std::string header = ListingHeader("Summary Mineralisation SubSoil", TableHeader(18));
  std::string expected = header;
  for (int r = 1; r <= 52; ++r) expected += kMargin + SummaryRow(*ws, r, 18) + "\r\n";
  expected += "\f\r\n" + header;
  for (int r = 53; r <= 60; ++r) expected += kMargin + SummaryRow(*ws, r, 18) + "\r\n";
  EXPECT_EQ(out.text(), expected);
}

TEST(Tables, BalanceWindowsPrintTheirLinesAfterTheHeader) {
  auto ws = MakeWorkspace();
  ws->scenario.Weeks = 52;
  ws->weeks[5].Ni1 = 30;
  ws->weeks[5].N1 = 25;
  const struct {
    int kind;
    std::vector<std::string> lines;
  } cases[] = {{20, NmVsNiLines(*ws)}, {21, MineralBalanceLines(*ws)}};
  for (const auto& c : cases) {
    OutText out(true);
    WriteTable(*ws, out, c.kind, 1, 52);
    std::string expected = ListingHeader(TableTitle(c.kind), "");
    for (const std::string& l : c.lines) expected += kMargin + l + "\r\n";
    EXPECT_EQ(out.text(), expected) << "kind " << c.kind;
  }
}
