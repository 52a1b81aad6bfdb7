#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "Workspace.h"
#include "calc/Corr.h"
#include "calc/NPK.h"
#include "data/TextFormat.h"
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

// The header block of a table of the run below, each line after `margin`; a
// listing (with a margin) starts it with four empty lines.
std::string HeaderBlock(const std::string& margin, const std::string& title, const std::string& header) {
  std::string t = margin.empty() ? "" : "\r\n\r\n\r\n\r\n";
  for (const std::string& l :
       {std::string("Kelmar 420 Rslt File      Rotation              "), std::string("/data/ROT.DAT"),
        std::string("/data/WET.ENV"), title, header, std::string(70, '-')})
    t += margin + l + "\r\n";
  return t;
}

} // namespace

TEST(Tables, KindsHeadersAndColumns) {
  const std::tuple<int, std::string, std::string> cases[] = {
      {3, "View Ground Water Table", "  wk   GWT   NGW  " + kE9 + "FC1 CRmax  " + kE9 + "FC2 CRmax"},
      {7, "View Mineralisation Factor", "  wk    fT    f" + kE9 + " fT_f" + kE9 + " fT_f" + kE9 + "2"},
      {15, "Graph Data",
       "  wk    Tc Avail   ET0  UPTi  UPTm   OUT   pF1   pF2    OMt    Nt   IOM  CULT  RESI  APPL Avail   "
       "Fix NUPTi NUPTm  NOUT    N1   Ni1    N2   Ni2 Avail UPTic UPTmc NetAv"},
  };
  for (const auto& [kind, title, header] : cases)
    EXPECT_EQ(std::pair(TableTitle(kind), TableHeader(kind)), std::pair(title, header)) << "kind " << kind;
  EXPECT_EQ(TableTitle(0) + TableHeader(0) + TableTitle(22) + TableHeader(22), "");

  // A value in every field, so that each column shows where it ends.
  auto ws = MakeWorkspace();
  for (const WeekField& f : kWeekFields) ws->weeks[1].*f.member = 1;
  ws->run.DepWeek = 1;
  for (int kind = 1; kind <= 15; ++kind) {
    std::vector<size_t> header = TokenEnds(TableHeader(kind));
    std::vector<size_t> row = TokenEnds(TableRow(*ws, 1, kind));
    // The last labels of these two are wider than their columns.
    if (kind == 7 || kind == 14) row.back() = header.back();
    EXPECT_EQ(row, header) << "kind " << kind << "\n" << TableHeader(kind) << "\n" << TableRow(*ws, 1, kind);
  }

  // Rows of other kinds and weeks are rejected.
  for (auto [week, kind] : {std::pair{1, 0}, {1, 16}, {522, 1}, {-1, 1}})
    EXPECT_THROW(TableRow(*ws, week, kind), std::out_of_range) << week << " " << kind;
  EXPECT_NO_THROW(TableRow(*ws, 521, 15));
  OutText out;
  EXPECT_THROW(WriteTable(*ws, out, 22, 1, 10), std::out_of_range);
}

TEST(Tables, RowsWithDerivedAndOverflowingColumns) {
  // clang-format off
  auto ws = MakeWorkspace();
  WeekRecord &r3 = ws->weeks[3], &r7 = ws->weeks[7], &r10 = ws->weeks[10];
  r3.Teta2 = 250.4f; r3.theta2 = 0.3125f; r3.Fi2 = 100; r3.pF2 = 2; r3.BP2 = 0.5f; r3.MFIN2 = 10.04f;
  r3.BPF1 = 1.2f; r3.BPF2 = 2.5f; // the subsoil's bypass column adds both layers' flows
  r3.NTeta2 = 260; r3.UPT2 = 1.5f; r3.MFOUT2 = -3.2f; r3.FOUT2 = 123456.7f; // too wide for 6:1
  r10.N1 = 20.4f; r10.N2 = 30.3f; r10.dNt1 = 1; r10.NIrr = 0.5f; r10.dNt2 = 0.2f; ws->run.DepWeek = 0.3f;
  r10.NUPTi = 2.24f; r10.NUPTm = 1.96f; r10.Den1 = 0.3f; r10.Den2 = 0.4f; r10.Nout2 = 12.34f;
  r7.Nt1 = 4567; r7.dOMt1 = 12.4f; r7.dNt1 = 0.56f; r7.IOM = 1; r7.CULT = 2; r7.RESI = 3; r7.GRMA = 4;
  r7.APPL = 5; r7.FERT = 6; r7.SNM1 = 21; r7.OMt1 = 12345678; // eight digits in 7:0
  // clang-format on
  // Numbers too wide for their columns widen them and keep a blank before.
  const std::tuple<int, int, std::string> cases[] = {
      {3, 5, "   3   250  0.31   100   2.0  0.50   3.7  10.0   260   1.5  -3.2 123456.7"},
      {10, 12, "  10    51   2.0   0.0   2.2   2.0   0.7  12.3"},
      {7, 8, "   7 12345678  4567    12   0.6     1     2     3     4     5     6    21"},
      // graph data: N made available leaves out the subsoil's mineralisation
      {10, 15,
       "  10   0.0   0.0   0.0   0.0   0.0   0.0   0.0   0.0      0     0     0     0     0     0"
       "   1.8   0.0   2.2   2.0  12.3  20.4   0.0  30.3   0.0     0     0     0     0"},
  };
  for (const auto& [week, kind, row] : cases) EXPECT_EQ(TableRow(*ws, week, kind), row) << "kind " << kind;
}

TEST(Tables, ListingPagesAfter58LinesTheFileNeverAndBalanceWindows) {
  auto ws = MakeWorkspace();
  ws->scenario.Weeks = 60;
  ws->scenario.Title = "  Rotation"; // padded as stored: leading blanks stay
  ws->scenario.ScenarioFile = "/data/ROT.DAT";
  ws->scenario.series(SeriesKind::Environment).FileName = "/data/WET.ENV";
  for (int w = 1; w <= 60; ++w) ws->weeks[w].Tc = static_cast<float>(w) / 10;
  for (bool listing : {true, false}) {
    OutText out(listing);
    WriteTable(*ws, out, 1, 1, 520);
    const std::string margin = listing ? kMargin : "";
    const std::string header = HeaderBlock(margin, "View Environment", TableHeader(1));
    std::string expected = header;
    for (int w = 1; w <= 60; ++w)
      expected += (listing && w == 53 ? "\f\r\n" + header : "") + margin + TableRow(*ws, w, 1) + "\r\n";
    EXPECT_EQ(out.text(), expected) << (listing ? "listing" : "file");
  }

  // The balance windows print their lines after a header block without column header.
  for (auto [kind, title] :
       {std::pair{20, "Summary N-modelled vs N-measured"}, {21, "Summary Mineral Balance"}}) {
    OutText out(true);
    WriteTable(*ws, out, kind, 1, 52);
    std::string expected = HeaderBlock(kMargin, title, "");
    for (const std::string& l : kind == 20 ? NmVsNiLines(*ws) : MineralBalanceLines(*ws))
      expected += kMargin + l + "\r\n";
    EXPECT_EQ(out.text(), expected) << "kind " << kind;
  }
}

TEST(Tables, RowsOfTheRangeAndFormFeeds) {
  auto ws = MakeWorkspace();
  ws->scenario.Weeks = 200;
  ws->run.PeriodCount = 60;
  // Kind, first and last week, rows and form feeds of a listing. Rows stop at
  // the last run week; graph data never page; the week range does not limit
  // the period rows of a summary.
  const int cases[][5] = {{13, 1, 52, 52, 0},   {13, 1, 53, 53, 1},   {13, 1, 104, 104, 1},
                          {13, 1, 105, 105, 2}, {13, 195, 520, 6, 0}, {13, 201, 300, 0, 0},
                          {13, 8, 4, 0, 0},     {15, 1, 200, 200, 0}, {18, 1, 1, 60, 1}};
  for (const auto& c : cases) {
    OutText out(true);
    WriteTable(*ws, out, c[0], c[1], c[2]);
    const std::string& t = out.text();
    SCOPED_TRACE(testing::Message() << "kind " << c[0] << ", weeks " << c[1] << ".." << c[2]);
    EXPECT_EQ(std::count(t.begin(), t.end(), '\f'), c[4]);
    EXPECT_EQ(std::count(t.begin(), t.end(), '\n'), (c[4] + 1) * 10 + c[3] + c[4]); // 10 lines a header block
  }
}
