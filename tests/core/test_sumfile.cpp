#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "Workspace.h"
#include "data/Errors.h"
#include "optim/SumFile.h"
#include "report/Summary.h"

using namespace kelmar;

namespace {

// A summary line as the summary writer produces it for a run of the given
// scenario and environment, every item set to `base` + its index / 10.
std::string Line(Workspace& ws, const std::string& scen, const std::string& env, float base,
                 const std::string& envDir = "/env/") {
  ws.scenario.ScenarioFile = "/data/" + scen + ".DAT";
  ws.scenario.series(SeriesKind::Environment).FileName = envDir + env + ".ENV";
  SummaryValues v{};
  for (int i = 0; i < kSummaryItemCount; ++i) v[i] = base + i / 10.0f;
  return SummaryDataLine(ws, v);
}

ItemSelection Only(std::initializer_list<int> items) {
  ItemSelection s{};
  for (int i : items) s[i - 1] = true;
  return s;
}

} // namespace

TEST(FmtFixed, SignificantDigitsThenDecimals) {
  struct Row {
    double v;
    int prec, dec;
    const char* text;
  } rows[] = {
      {123456.7, 6, 0, "123457"},
      {12345.67, 6, 2, "12345.70"},
      {0.1234, 6, 3, "0.123"},
      {-12.3456, 6, 2, "-12.35"},
      {99999.96, 6, 2, "100000.00"},
      {999999.6, 6, 0, "1.00000E+06"},
      {1234567.0, 6, 0, "1.23457E+06"},
      {-0.0001, 6, 0, "0"},
      {0, 6, 3, "0.000"},
      {0.000123456789, 6, 10, "0.0001234570"},
  };
  for (const Row& r : rows) EXPECT_EQ(FmtFixed(r.v, r.prec, r.dec), r.text) << r.v;
}

TEST(ItemSelection, TextRoundTripAndShortText) {
  ItemSelection s = ParseItemSelection("1011x1");
  EXPECT_EQ(CountIncluded(s), 4);
  EXPECT_TRUE(s[0] && !s[1] && s[2] && s[3] && !s[4] && s[5] && !s[75]);
  std::string text = ItemSelectionText(s);
  EXPECT_EQ(text.size(), 76u);
  EXPECT_EQ(ParseItemSelection(text), s);
}

TEST(SumFile, ReadsWhatTheSummaryWriterWrites) {
  auto ws = MakeWorkspace();
  ws->scenario.Year = 2;
  ws->scenario.Week = 10;
  ws->scenario.Weeks = 312;
  std::string l1 = Line(*ws, "ROTATION2", "WAGE1972", 1);
  std::string l2 = Line(*ws, "my rotation", "WAGE1973", 2);
  std::string header = SummaryHeaderLines(*ws);
  // LF and CR line ends and a blank line at the end are read alike.
  for (std::string eol : {"\r\n", "\n", "\r"}) {
    std::string text = header + l1 + eol + l2 + eol + "   " + eol;
    SumFileData d = ReadSumText(text, "runs.sum");
    ASSERT_EQ(d.lines.size(), 2u);
    EXPECT_EQ(d.header[0], "Kelmar 459 Summ File");
    EXPECT_EQ(d.header[1], "/data/");
    EXPECT_EQ(d.lines[0].Scenario, "ROTATION2");
    EXPECT_EQ(d.lines[1].Scenario, "my rotation");
    EXPECT_EQ(d.lines[1].Environment, "WAGE1973");
    EXPECT_EQ(d.lines[0].Year, 2);
    EXPECT_EQ(d.lines[0].Week, 10);
    EXPECT_EQ(d.lines[0].Weeks, 312);
    EXPECT_EQ(d.lines[0].text, l1);
    // Items are written with their decimals: item 34 (NAVG) with one,
    // item 63 (Corr1) with three, item 1 with none.
    EXPECT_FLOAT_EQ(d.lines[1].items[0], 2);
    EXPECT_FLOAT_EQ(d.lines[1].items[33], 5.3f);
    EXPECT_FLOAT_EQ(d.lines[1].items[62], 8.2f);
  }
}

TEST(SumFile, RejectsWhatItCannotRead) {
  auto ws = MakeWorkspace();
  std::string header = SummaryHeaderLines(*ws);
  std::string good = Line(*ws, "A", "B", 1);
  try {
    ReadSumText("Kelmar 459 Data File\r\n", "x.sum");
    FAIL() << "a scenario file is no summary file";
  } catch (const InvalidFileId& e) {
    EXPECT_EQ(e.id(), "Kelmar 459 Data File");
    EXPECT_EQ(std::string(e.what()), "Loading x.sum\rInvalid file ID: Kelmar 459 Data File");
  }
  EXPECT_THROW(ReadSumText("", "x.sum"), InvalidFileId);
  struct Case {
    std::string line;
    std::string message;
  } cases[] = {
      {"short", "x.sum, line 6: the line is too short for the Scenario and Environment names"},
      {good.substr(0, good.size() - 7), "x.sum, line 6: the line ends where a number was expected for Ez2"},
      {good + " 1.0", "x.sum, line 6: more than 76 summary items, found '1.0'"},
      {good.substr(0, 54) + "x" + good.substr(55), "x.sum, line 6: a whole number was expected for Week"},
      {good.substr(0, good.size() - 4) + "abcd", "x.sum, line 6: a number was expected for Ez2, found"},
  };
  for (const Case& c : cases) {
    try {
      ReadSumText(header + good + "\r\n" + c.line + "\r\n", "x.sum");
      FAIL() << c.line;
    } catch (const FileError& e) {
      EXPECT_EQ(std::string(e.what()).substr(0, c.message.size()), c.message) << c.line;
    }
  }
  // A blank line between data lines is damage, not the end of the data.
  EXPECT_THROW(ReadSumText(header + good + "\r\n\r\n" + good + "\r\n", "x.sum"), FileError);
}

TEST(SumFile, HeaderOnlyFileHoldsNoLines) {
  auto ws = MakeWorkspace();
  EXPECT_TRUE(ReadSumText(SummaryHeaderLines(*ws), "x.sum").lines.empty());
  EXPECT_TRUE(ReadSumText("Kelmar 459 Summ File", "x.sum").lines.empty());
}

TEST(SumGrid, IncludedItemsAndStatisticsRows) {
  auto ws = MakeWorkspace();
  std::string text = SummaryHeaderLines(*ws);
  // Item 9 (FinOM, no decimals) around 100000 kg/ha, item 63 (Corr1) with three decimals.
  const float om[3] = {100010, 99990, 100000};
  const float corr[3] = {0.5f, 0.25f, 0.75f};
  for (int r = 0; r < 3; ++r) {
    SummaryValues v{};
    v[8] = om[r];
    v[62] = corr[r];
    v[0] = 7; // the same in every line
    ws->scenario.ScenarioFile = "/d/LONGER_NAME_" + std::to_string(r) + ".DAT";
    text += SummaryDataLine(*ws, v) + "\r\n";
  }
  SumGrid g = BuildSumGrid(ReadSumText(text, "s.sum"), Only({1, 9, 63}));
  ASSERT_EQ(g.NSumm, 3);
  ASSERT_EQ(g.columns(), 9);
  ASSERT_EQ(g.rows(), 9);
  EXPECT_EQ(g.cell(0, 6), "Ini");
  EXPECT_EQ(g.cell(0, 7), "FinOM");
  EXPECT_EQ(g.cell(0, 8), "Corr1");
  EXPECT_EQ(g.cell(2, 0), "2");
  EXPECT_EQ(g.cell(2, 1), "LONGER_NAME_1");
  EXPECT_EQ(g.NameWidth, 13);
  EXPECT_EQ(g.cell(1, 7), "100010");
  EXPECT_EQ(g.cell(2, 8), "0.250");
  EXPECT_EQ(g.cell(4, 0), ""); // the empty row
  const char* label[4] = {"low", "high", "avg", "SE"};
  const char* ini[4] = {"7", "7", "7", "0"};
  const char* fin[4] = {"99990", "100010", "100000", "10"};
  const char* cor[4] = {"0.250", "0.750", "0.500", "0.250"};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(g.cell(5 + k, 0), label[k]);
    EXPECT_EQ(g.cell(5 + k, 1), "");
    EXPECT_EQ(g.cell(5 + k, 6), ini[k]) << label[k];
    // The spread of values around 1e5 survives the sum of squares.
    EXPECT_EQ(g.cell(5 + k, 7), fin[k]) << label[k];
    EXPECT_EQ(g.cell(5 + k, 8), cor[k]) << label[k];
  }
  EXPECT_DOUBLE_EQ(g.cellValue(3, 8), 0.75);
  EXPECT_DOUBLE_EQ(g.cellValue(0, 8), 0.0);
}

TEST(SumGrid, NoItemsAndSingleLine) {
  auto ws = MakeWorkspace();
  std::string text = SummaryHeaderLines(*ws) + Line(*ws, "A", "B", 1) + "\r\n";
  SumGrid g = BuildSumGrid(ReadSumText(text, "s.sum"), ItemSelection{});
  EXPECT_EQ(g.columns(), 6);
  EXPECT_EQ(g.rows(), 7);
  // One line has no statistics: the rows below it stay empty.
  SumGrid one = BuildSumGrid(ReadSumText(text, "s.sum"), Only({5}));
  for (int r = 2; r < one.rows(); ++r)
    for (int c = 0; c < one.columns(); ++c) EXPECT_EQ(one.cell(r, c), "") << r << "," << c;
}

namespace {
// An unsplit batch of `runs` runs in which the runs listed in `failed`
// left no line, and the same batch split into `shards` shards.
struct Batch {
  std::string whole;
  std::vector<SumFileData> files;
  std::vector<ShardIndex> indexes;
};
Batch MakeBatch(int runs, int shards, std::vector<int> failed) {
  auto ws = MakeWorkspace();
  Batch b;
  std::vector<std::string> shardText(shards);
  std::vector<ShardIndex> idx(shards);
  for (int s = 0; s < shards; ++s) idx[s] = ShardIndex{s + 1, shards, runs, true, {}};
  for (int r = 1; r <= runs; ++r) {
    if (std::find(failed.begin(), failed.end(), r) != failed.end()) continue;
    // Each run's header names its own environment directory: the merged
    // file must take the header of the earliest line, as the unsplit one did.
    std::string line =
        Line(*ws, "S", "E" + std::to_string(r), static_cast<float>(r), "/env" + std::to_string(r) + "/");
    std::string header = SummaryHeaderLines(*ws);
    if (b.whole.empty()) b.whole = header;
    b.whole += line + "\r\n";
    int s = (r - 1) % shards;
    if (shardText[s].empty()) shardText[s] = header;
    shardText[s] += line + "\r\n";
    idx[s].lineRuns.push_back(r);
  }
  for (int s = 0; s < shards; ++s) {
    b.files.push_back(shardText[s].empty() ? SumFileData{}
                                           : ReadSumText(shardText[s], "part" + std::to_string(s + 1)));
    b.indexes.push_back(idx[s]);
  }
  return b;
}
} // namespace

TEST(MergeShards, JoinsInRunOrderDespiteFailedRuns) {
  Batch b = MakeBatch(11, 3, {1, 5});
  EXPECT_EQ(MergeShardText(b.files, b.indexes), b.whole);
  // The shards may be given in any order.
  std::swap(b.files[0], b.files[2]);
  std::swap(b.indexes[0], b.indexes[2]);
  EXPECT_EQ(MergeShardText(b.files, b.indexes), b.whole);
  Batch none = MakeBatch(2, 2, {1, 2});
  EXPECT_EQ(MergeShardText(none.files, none.indexes), "");
}

TEST(MergeShards, RefusesIncompleteOrForeignShards) {
  Batch b = MakeBatch(7, 3, {});
  auto refused = [](std::vector<SumFileData> f, std::vector<ShardIndex> i) {
    try {
      MergeShardText(f, i);
    } catch (const Refusal&) {
      return true;
    }
    return false;
  };
  EXPECT_TRUE(refused({b.files[0], b.files[1]}, {b.indexes[0], b.indexes[1]})) << "a shard missing";
  EXPECT_TRUE(refused({b.files[0], b.files[1], b.files[1]}, {b.indexes[0], b.indexes[1], b.indexes[1]}))
      << "a shard given twice";
  auto idx = b.indexes;
  idx[1].complete = false;
  EXPECT_TRUE(refused(b.files, idx)) << "an aborted shard";
  idx = b.indexes;
  idx[2].totalRuns = 8;
  EXPECT_TRUE(refused(b.files, idx)) << "another batch";
  idx = b.indexes;
  idx[0].lineRuns.pop_back();
  EXPECT_TRUE(refused(b.files, idx)) << "index and summary disagree";
  idx = b.indexes;
  idx[0].lineRuns[1] = 2;
  EXPECT_TRUE(refused(b.files, idx)) << "a run of another shard";
}

TEST(MergeShards, IndexTextRoundTrip) {
  ShardIndex idx{2, 3, 23, true, {2, 5, 11}};
  std::string text = ShardIndexText(idx);
  EXPECT_EQ(text, "Kelmar MultiRun shard 2 of 3, 23 runs, complete\r\n2\r\n5\r\n11\r\n");
  ShardIndex back = ReadShardIndexText(text, "p.RUNS");
  EXPECT_EQ(back.shard, 2);
  EXPECT_EQ(back.shards, 3);
  EXPECT_EQ(back.totalRuns, 23);
  EXPECT_TRUE(back.complete);
  EXPECT_EQ(back.lineRuns, idx.lineRuns);
  EXPECT_THROW(ReadShardIndexText("Kelmar MultiRun shard 4 of 3, 23 runs, complete\r\n", "p"), FileError);
  EXPECT_THROW(ReadShardIndexText("Kelmar 459 Summ File\r\n", "p"), FileError);
  EXPECT_THROW(ReadShardIndexText(ShardIndexText(idx) + "7 8\r\n", "p"), FileError);
  EXPECT_EQ(ShardIndexFileName("/x/part1.SUM"), "/x/part1.RUNS");
}

TEST(MergeShards, ConcatenatesPlainFiles) {
  Batch b = MakeBatch(4, 2, {});
  std::string joined = ConcatenateSumText(b.files);
  SumFileData d = ReadSumText(joined, "j");
  ASSERT_EQ(d.lines.size(), 4u);
  EXPECT_EQ(d.lines[0].Environment, "E1");
  EXPECT_EQ(d.lines[1].Environment, "E3");
  EXPECT_EQ(d.lines[2].Environment, "E2");
}
