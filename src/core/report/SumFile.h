// Summary files (.SUM) read back: the data lines of a MultiRun or of saved
// summaries, the grid of included items with its low/high/avg/SE rows, and
// the joining of the summary files that the shards of a split MultiRun write.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "data/Errors.h"
#include "data/TextFormat.h"
#include "report/Summary.h"

namespace kelmar {

// The identifier line every summary file starts with.
inline constexpr std::string_view kSummaryFileId = "Kelmar 459 Summ File";

struct Workspace;

// Which of the 76 summary items a MultiRun shows; item i at index i - 1.
using ItemSelection = std::array<bool, kSummaryItemCount>;

// "SummItems" form: 76 characters "1"/"0", item 1 first. Parsing takes the
// characters present: only "1" includes, missing characters exclude.
std::string ItemSelectionText(const ItemSelection& sel);
ItemSelection ParseItemSelection(std::string_view text);
int CountIncluded(const ItemSelection& sel);

// One data line of a summary file.
struct SumLine {
  std::string Scenario;    // base name, blanks trimmed
  std::string Environment; // base name, blanks trimmed
  int32_t Year = 0;
  int32_t Week = 0;
  int32_t Weeks = 0;
  SummaryValues items{}; // item i at index i - 1
  std::string text;      // the line as read, without its line end
};

struct SumFileData {
  std::string fileName;
  std::array<std::string, 4> header; // lines 1..4 as read, without line ends
  std::vector<SumLine> lines;
};

// Reads a summary file. A first line that does not start with the summary
// file identification throws InvalidFileId ("Loading " + name + "\r" +
// "Invalid file ID: " + the characters read); a data line that is not 42
// characters of names followed by Year, Week, Weeks and the 76 items throws
// FileError naming the file, the line and the field. Blank lines at the end
// are ignored. A file with the header lines only gives no lines.
SumFileData ReadSumText(std::string_view text, const std::string& fileName);
SumFileData ReadSumFile(const std::string& fileName);

// Statistics of one included item over the lines shown.
struct ItemStatistics {
  float ItemMin = 0; // smallest value
  float ItemMax = 0; // largest value
  double ItemSum = 0;
  double ItemSumSq = 0;
};

// The MultiRun grid: NItems + 6 columns and NSumm + 6 rows. Row 0 holds
// "ID", "Scenario", "Environment", "Year", "Week", "Weeks" and the names of
// the included items; rows 1..NSumm the lines; row NSumm + 1 is empty; rows
// NSumm + 2..NSumm + 5 hold "low", "high", "avg" and "SE" when NSumm >= 2.
// Item values are shown with 6 significant digits and the item's decimals.
struct SumGrid {
  std::vector<int> Items; // included item numbers 1..76; item Items[j] is column j + 6
  int32_t NSumm = 0;
  std::vector<std::vector<std::string>> cells; // [row][column]
  std::vector<ItemStatistics> stats;           // per included item
  int32_t NameWidth = 8;                       // characters of columns 1 and 2: the longest name, at least 8

  int32_t NItems() const { return static_cast<int32_t>(Items.size()); }
  int rows() const { return static_cast<int>(cells.size()); }
  int columns() const { return static_cast<int>(Items.size()) + 6; }
  const std::string& cell(int row, int column) const { return cells.at(row).at(column); }
  // The text of a cell read back as a number (what the histogram and the
  // correlation matrix use); 0 for a cell that holds no number.
  double cellValue(int row, int column) const;
};

inline constexpr int kFirstItemColumn = 6;

SumGrid BuildSumGrid(const SumFileData& data, const ItemSelection& included);

// The grid as text lines for a terminal or a listing: every column as wide as
// its widest cell, ID and the names left-aligned, the rest right-aligned, then the
// status line "Summary items: " + NItems.
std::vector<std::string> SumGridLines(const SumGrid& grid);

// The mean and the standard deviation ("SE" row) of an item: the square root
// of (sum of squares - sum^2 / n) / (n - 1), 0 when that variance is below
// 1e-9 or n < 2.
double ItemAverage(const ItemStatistics& s, int n);
double ItemDeviation(const ItemStatistics& s, int n);

// The list of run numbers kept beside the summary file of one shard of a
// split MultiRun, so that the shards can be joined back in run order even
// where a run left no line.
struct ShardIndex {
  int32_t shard = 1;             // 1..shards
  int32_t shards = 1;            // number of shards of the batch
  int32_t totalRuns = 0;         // runs of the whole batch
  bool complete = false;         // every run of the shard was made
  std::vector<int32_t> lineRuns; // run number (1..totalRuns) of each data line
};

// The index file's name: the summary file with the extension ".RUNS".
std::string ShardIndexFileName(const std::string& sumFile);
std::string ShardIndexText(const ShardIndex& idx);
ShardIndex ReadShardIndexText(std::string_view text, const std::string& fileName);
ShardIndex ReadShardIndexFile(const std::string& fileName);

// Joins the summary files of all shards of one batch into the file an
// unsplit run writes: the header lines of the shard holding the earliest
// line, then every line in run order. Refuses (Refusal) shards of different
// batches, a missing or repeated shard, an incomplete shard, or an index that
// does not match its summary file.
std::string MergeShardText(const std::vector<SumFileData>& files, const std::vector<ShardIndex>& indexes);
// Joins summary files that carry no index, one after the other: the header
// lines of the first, then the lines of every file in the order given.
std::string ConcatenateSumText(const std::vector<SumFileData>& files);

// --- Writing -------------------------------------------------------------

// The name of a file as the summary file shows it: without directory and
// extension; a name longer than 20 characters becomes its first six
// characters in upper case followed by "~1", so that the column stays
// 21 characters wide.
std::string SummaryBaseName(const std::string& path);

// The four header lines of a new summary file, each ending in CR LF.
std::string SummaryHeaderLines(const Workspace& ws);
// The data line of one run, without a line end.
std::string SummaryDataLine(const Workspace& ws, const SummaryValues& items);

// Adds the data line of the last run to a summary file. A new file (newFile
// set, or no file of that name) starts with the header lines; otherwise the
// line is appended to the existing lines. The file is replaced only when the
// new version is completely written. Throws FileError.
void AppendSummary(const Workspace& ws, const std::string& sumFile, bool newFile);

// --- Joining -------------------------------------------------------------

// Joins summary files into the text of one: the shards of a split MultiRun
// (each with its run list beside it) in run order, into the file an unsplit
// run writes; plain summary files one after the other. A shard all of whose
// runs failed has a run list and no summary file. Refuses (Refusal) shards
// mixed with plain files and shards that do not belong together; throws
// InvalidFileId and FileError. "" when no file has a summary line.
std::string JoinSumFiles(const std::vector<std::string>& inputs);

} // namespace kelmar
