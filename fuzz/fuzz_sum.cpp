// Feeds arbitrary bytes to the readers of summary files (.SUM) and of the run
// lists (.RUNS) of split MultiRuns, and to the joiner behind merge-sum. What
// loads must write back to the same text (a summary file through the plain
// joiner, a run list through its writer), show as the MultiRun grid with its
// statistics, histogram and correlation matrix (.COR text), and every joined
// text must read back with all the lines joined.
//
// Input: one control byte, then up to three summary files, each followed by
// its run list, separated by form feeds. Control bit 0 joins them as shards
// (with their run lists), otherwise one after the other; bits 1 and 2 both
// set build the correlation matrix; bit 3 takes the histogram of an item
// column rather than of a column before the items; the byte as a whole picks
// the items of the grid and the column.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include "data/Errors.h"
#include "optim/CorrMatrix.h"
#include "optim/Histogram.h"
#include "report/SumFile.h"

using namespace kelmar;
using kelmar::fuzz::Check;

namespace {

void CheckSummary(const SumFileData& data, uint8_t control) {
  const std::string once = ConcatenateSumText({data});
  const SumFileData back = ReadSumText(once, data.fileName); // must not throw
  Check(back.lines.size() == data.lines.size(), "summary lines lost on the way back");
  Check(ConcatenateSumText({back}) == once, "summary round trip");

  ItemSelection included{};
  for (int i = 0; i < kSummaryItemCount; ++i) included[i] = (i + control) % 5 != 0;
  const SumGrid grid = BuildSumGrid(data, included);
  (void)SumGridLines(grid);
  // The histogram of an item column, as the window's current column or the
  // command line's item gives it (never a column past the grid), or of a
  // column before the items, which is refused.
  if (grid.NSumm > 0) {
    const int column = grid.NItems() > 0 && (control & 0x08) ? kFirstItemColumn + control % grid.NItems()
                                                             : control % kFirstItemColumn;
    try {
      (void)SummaryHistogram(grid, column);
    } catch (const Refusal&) {
    }
  }
  // The matrix and its texts cost more than all the rest and reach the same
  // code for almost every grid: one input in four builds them.
  if ((control & 0x06) != 0x06) return;
  const CorrMatrix m = SummaryCorrMatrix(grid);
  (void)CorFileText(m);
  (void)CorrMatrixLines(m, SummaryCorrStatus(m));
}

void CheckJoined(const std::string& joined, size_t lines) {
  if (joined.empty()) {
    Check(lines == 0, "lines joined into nothing");
    return;
  }
  const SumFileData back = ReadSumText(joined, "JOINED.SUM"); // must not throw
  Check(back.lines.size() == lines, "joined lines lost");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t control = data[0];
  const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
  const auto parts = fuzz::SplitFiles(input, 6);

  std::vector<SumFileData> files;
  std::vector<ShardIndex> indexes;
  size_t lines = 0;
  bool allLoaded = true;
  for (size_t i = 0; i < parts.size(); i += 2) {
    const std::string name = "SHARD" + std::to_string(i / 2 + 1) + ".SUM";
    try {
      files.push_back(ReadSumText(parts[i], name));
      lines += files.back().lines.size();
      CheckSummary(files.back(), control);
    } catch (const InvalidFileId&) {
      allLoaded = false;
    } catch (const FileError&) {
      allLoaded = false;
    }
    if (i + 1 >= parts.size()) continue;
    try {
      const ShardIndex idx = ReadShardIndexText(parts[i + 1], ShardIndexFileName(name));
      const std::string text = ShardIndexText(idx);
      const ShardIndex back = ReadShardIndexText(text, ShardIndexFileName(name)); // must not throw
      Check(ShardIndexText(back) == text, "run list round trip");
      indexes.push_back(idx);
    } catch (const InvalidFileId&) {
    } catch (const FileError&) {
    }
  }
  if (!allLoaded || files.empty()) return 0;
  try {
    if (control & 1)
      CheckJoined(MergeShardText(files, indexes), lines);
    else
      CheckJoined(ConcatenateSumText(files), lines);
  } catch (const Refusal&) {
  }
  return 0;
}
