#include <gtest/gtest.h>

#include <algorithm>

#include "Workspace.h"
#include "data/Errors.h"
#include "report/SumFile.h"

using namespace kelmar;

namespace {

// A summary line as the summary writer produces it for a run of the given
// scenario and environment, every item set to `base` + its index / 10.
std::string Line(Workspace& ws, const std::string& scen, const std::string& env, float base) {
  ws.scenario.ScenarioFile = "/data/" + scen + ".DAT";
  ws.scenario.series(SeriesKind::Environment).FileName = "/env/" + env + ".ENV";
  SummaryValues v{};
  for (int i = 0; i < kSummaryItemCount; ++i) v[i] = base + i / 10.0f;
  return SummaryDataLine(ws, v);
}

// An unsplit batch of `runs` runs in which the runs listed in `failed` left
// no line, and the same batch dealt out in turn to `shards` shards.
struct Batch {
  std::string whole;
  std::vector<SumFileData> files;
  std::vector<ShardIndex> indexes;
};
Batch MakeBatch(int runs, int shards, std::vector<int> failed) {
  auto ws = MakeWorkspace();
  Batch b;
  std::vector<std::string> text(shards);
  for (int s = 1; s <= shards; ++s) b.indexes.push_back(ShardIndex{s, shards, runs, true, {}});
  for (int r = 1; r <= runs; ++r) {
    if (std::count(failed.begin(), failed.end(), r)) continue;
    // Each run's header names its own environment directory: the merged
    // file must take the header of the earliest line, as the unsplit one did.
    std::string line = Line(*ws, "S", std::to_string(r) + "/E" + std::to_string(r), r) + "\r\n";
    for (std::string* f : {&b.whole, &text[(r - 1) % shards]})
      *f += f->empty() ? SummaryHeaderLines(*ws) + line : line;
    b.indexes[(r - 1) % shards].lineRuns.push_back(r);
  }
  for (const std::string& t : text) b.files.push_back(t.empty() ? SumFileData{} : ReadSumText(t, "part"));
  return b;
}

} // namespace

TEST(FmtFixed, SignificantDigitsThenDecimals) {
  EXPECT_EQ(FmtFixed(123456.7, 6, 0), "123457");
  EXPECT_EQ(FmtFixed(12345.67, 6, 2), "12345.70"); // digits beyond the precision are zeros
  EXPECT_EQ(FmtFixed(-12.3456, 6, 2), "-12.35");
  EXPECT_EQ(FmtFixed(99999.96, 6, 2), "100000.00");
  EXPECT_EQ(FmtFixed(999999.6, 6, 0), "1.00000E+06"); // rounding into a seventh whole digit
  EXPECT_EQ(FmtFixed(-0.0001, 6, 0), "0");
  EXPECT_EQ(FmtFixed(0, 6, 3), "0.000");
  EXPECT_EQ(FmtFixed(0.000123456789, 6, 10), "0.0001234570");
}

TEST(SumFile, ReadsWhatTheSummaryWriterWritesAndRejectsTheRest) {
  auto ws = MakeWorkspace();
  ws->scenario.Week = 10;
  const std::string l1 = Line(*ws, "ROTATION2", "WAGE1972", 1), l2 = Line(*ws, "my rotation", "WAGE1973", 2);
  const std::string header = SummaryHeaderLines(*ws);
  // LF and CR line ends and a blank line at the end are read alike.
  for (std::string eol : {"\r\n", "\n", "\r"}) {
    SumFileData d = ReadSumText(header + l1 + eol + l2 + eol + "   " + eol, "runs.sum");
    ASSERT_EQ(d.lines.size(), 2u);
    EXPECT_EQ(d.lines[1].Scenario + "|" + d.lines[1].Environment, "my rotation|WAGE1973");
    EXPECT_EQ((std::array{d.lines[0].Year, d.lines[0].Week, d.lines[0].Weeks}), (std::array{1, 10, 312}));
    // Items are written with their decimals: item 1 with none, item 34 (NAVG)
    // with one, item 63 (Corr1) with three.
    EXPECT_EQ((std::array{d.lines[1].items[0], d.lines[1].items[33], d.lines[1].items[62]}),
              (std::array{2.0f, 5.3f, 8.2f}));
  }
  EXPECT_TRUE(ReadSumText(header, "x").lines.empty());
  EXPECT_TRUE(ReadSumText("Kelmar 459 Summ File", "x").lines.empty());

  const std::string body = header + l1 + "\r\n";
  const std::pair<std::string, std::string> cases[] = {
      {"", "Loading x\rInvalid file ID: "},
      {"Kelmar 459 Data File\r\n", "Loading x\rInvalid file ID: Kelmar 459 Data File"},
      {body + "short", "x, line 6: the line is too short for the Scenario and Environment names"},
      {body + l1.substr(0, l1.size() - 7), "x, line 6: the line ends where a number was expected for Ez2"},
      {body + l1 + " 1.0", "x, line 6: more than 76 summary items, found '1.0'"},
      {body + l1.substr(0, 54) + "x" + l1.substr(55), "x, line 6: a whole number was expected for Week"},
      {body + l1.substr(0, l1.size() - 4) + "abcd", "x, line 6: a number was expected for Ez2, found"},
      // A blank line between data lines is damage, not the end of the data.
      {body + "\r\n" + l1, "x, line 6: "},
  };
  for (const auto& [text, message] : cases) {
    try {
      ReadSumText(text, "x");
      ADD_FAILURE() << text;
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(std::string(e.what()).substr(0, message.size()), message) << text;
    }
  }
}

TEST(SumGrid, IncludedItemsAndStatisticsRows) {
  auto ws = MakeWorkspace();
  std::string text = SummaryHeaderLines(*ws);
  for (float base : {100010.f, 99990.f, 100000.f}) text += Line(*ws, "LONGER_NAME", "E", base) + "\r\n";
  const ItemSelection sel = ParseItemSelection("1" + std::string(61, '0') + "1"); // items 1 and 63
  // Items shown with 6 significant digits and their decimals: item 1 with
  // none, item 63 (Corr1) with three. The spread of values around 1e5
  // survives the sum of squares.
  EXPECT_EQ(SumGridLines(BuildSumGrid(ReadSumText(text, "s"), sel)),
            (std::vector<std::string>{
                "ID   Scenario    Environment Year Week Weeks    Ini      Corr1",
                "1    LONGER_NAME E              1    1   312 100010 100016.000",
                "2    LONGER_NAME E              1    1   312  99990  99996.200",
                "3    LONGER_NAME E              1    1   312 100000 100006.000",
                "",
                "low                                           99990  99996.200",
                "high                                         100010 100016.000",
                "avg                                          100000 100006.000",
                "SE                                               10     10.000",
                "Summary items: 2",
            }));
  // One line has no statistics: the rows below it stay empty.
  auto one =
      SumGridLines(BuildSumGrid(ReadSumText(SummaryHeaderLines(*ws) + Line(*ws, "A", "B", 1), "s"), sel));
  EXPECT_EQ(std::vector(one.begin() + 2, one.end()),
            (std::vector<std::string>{"", "", "", "", "", "Summary items: 2"}));
}

TEST(MergeShards, JoinInRunOrderRefuseForeignShardsAndKeepAnIndex) {
  Batch b = MakeBatch(11, 3, {1, 5});
  EXPECT_EQ(MergeShardText(b.files, b.indexes), b.whole);
  // The shards may be given in any order.
  std::swap(b.files[0], b.files[2]);
  std::swap(b.indexes[0], b.indexes[2]);
  EXPECT_EQ(MergeShardText(b.files, b.indexes), b.whole);
  Batch none = MakeBatch(2, 2, {1, 2});
  EXPECT_EQ(MergeShardText(none.files, none.indexes), "");
  // Plain summary files, without an index, are joined one after the other.
  SumFileData d = ReadSumText(ConcatenateSumText(MakeBatch(4, 2, {}).files), "j");
  EXPECT_EQ(d.lines.size(), 4u);
  EXPECT_EQ(d.lines.at(1).Environment + d.lines.at(2).Environment, "E3E2");
  // Shards of another batch, missing or damaged, are refused.
  const std::pair<const char*, void (*)(Batch&)> damage[] = {
      {"a shard missing", [](Batch& b) { b.files.pop_back(), b.indexes.pop_back(); }},
      {"a shard given twice", [](Batch& b) { b.files[2] = b.files[1], b.indexes[2] = b.indexes[1]; }},
      {"an aborted shard", [](Batch& b) { b.indexes[1].complete = false; }},
      {"another batch", [](Batch& b) { b.indexes[2].totalRuns = 8; }},
      {"index and summary disagree", [](Batch& b) { b.indexes[0].lineRuns.pop_back(); }},
      {"a run of another shard", [](Batch& b) { b.indexes[0].lineRuns[1] = 2; }},
  };
  for (const auto& [what, change] : damage) {
    Batch damaged = MakeBatch(7, 3, {});
    change(damaged);
    EXPECT_THROW(MergeShardText(damaged.files, damaged.indexes), Refusal) << what;
  }
  // The index kept beside each shard's summary file.
  const std::string text = "Kelmar MultiRun shard 2 of 3, 23 runs, complete\r\n2\r\n5\r\n11\r\n";
  EXPECT_EQ(ShardIndexText(ShardIndex{2, 3, 23, true, {2, 5, 11}}), text);
  EXPECT_EQ(ShardIndexText(ReadShardIndexText(text, "p.RUNS")), text);
  EXPECT_THROW(ReadShardIndexText("Kelmar MultiRun shard 4 of 3, 23 runs, complete\r\n", "p"), FileError);
  EXPECT_THROW(ReadShardIndexText("Kelmar 459 Summ File\r\n", "p"), FileError);
  EXPECT_THROW(ReadShardIndexText(text + "7 8\r\n", "p"), FileError);
  EXPECT_EQ(ShardIndexFileName("/x/part1.SUM"), "/x/part1.RUNS");
}
