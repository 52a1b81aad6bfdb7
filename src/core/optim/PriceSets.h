// A population of parameter sets as the user sees it: the grid of sets in a
// chosen order with the low/high/avg/SE rows, copying a row into the
// scenario, the parameter-set file (.PS), and the state file that lets an
// interrupted calibration resume exactly where it stopped.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "optim/PriceAlg.h"

namespace kelmar {

struct Workspace;

inline constexpr std::string_view kPriceSetsId = "Kelmar 430 PSet File";
inline constexpr std::string_view kPriceStateId = "Kelmar 459 PStt File";
inline constexpr std::string_view kSavePriceSetsError = "Error saving parameter sets !";
inline constexpr std::string_view kNoSetSelected = "No parameterset selected!";

// The sets of a population in the order they are shown. Row r (1..NSets)
// shows set SetOfRow(r). Columns: 0 the set number, 1..NParms the fitted
// parameters, NParms + 1 the combined target, NParms + 1 + k target k.
class PriceGrid {
public:
  // Set order: row i shows set i.
  void Reset(const TPriceAlg& alg);
  // Ascending by the values of a column; column 0 restores set order. Equal
  // values keep the order of their set numbers.
  void SortBy(const TPriceAlg& alg, int column);
  int SortColumn() const { return sortColumn_; }

  int SetOfRow(int row) const { return sortIdx_.at(row); }
  int RowOfSet(int set) const { return rowOfSet_.at(set); }
  int Sets() const { return static_cast<int>(sortIdx_.size()) - 1; }

  static int ColumnCount(const TPriceAlg& alg) { return alg.NParms() + 11; }
  static int RowCount(const TPriceAlg& alg) { return alg.NSets() + 6; }
  static int CombinedColumn(const TPriceAlg& alg) { return alg.NParms() + 1; }
  static int AvgRow(const TPriceAlg& alg) { return alg.NSets() + 4; }

  // The text of one cell: the header row, the set rows, an empty row and,
  // with at least two sets, the rows "low", "high", "avg" and "SE".
  std::string Cell(const TPriceAlg& alg, int row, int column) const;

private:
  std::vector<int> sortIdx_{0};  // [row] -> set
  std::vector<int> rowOfSet_{0}; // [set] -> row
  int sortColumn_ = 0;
};

// "Not initialised", or "Parameters: n  Sets: n  Iterations: n  Retries: n
// QT: 111110000  Range: lo - hi" with the combined target's range.
std::string PriceStatusLine(const TPriceAlg& alg);

// Copies grid row `row` into the parameters of ws and runs its model. ws is
// normally the search's own workspace; a search that ran on a copy of the
// program's workspace hands its result back this way. The avg
// row applies the averages as shown (rounded to each parameter's decimals).
struct CopyResult {
  enum Kind { kCopied, kRefused, kRunFailed } kind = kCopied;
  std::string message; // the refusal, or "Calculating " + file + "\r" + error
};
CopyResult CopyCurrent(const TPriceAlg& alg, const PriceGrid& grid, Workspace& ws, int row);

// The .PS text: identifier, the BPRL and BPRU lines, the column header and
// one line per grid row in the order shown, numbered 1, 2, 3, ...
std::string PriceSetsText(const TPriceAlg& alg, const PriceGrid& grid);
// Writes it to path (atomically: a failed write leaves no partial file).
// Throws FileError.
void SavePriceSets(const std::string& path, const TPriceAlg& alg, const PriceGrid& grid);

// The complete state of a search: options, automatic weights, ranges and live
// values of the fitted parameters, population, statistics, counters and the
// generator's state. Floats are written so that they read back exactly.
std::string PriceStateText(const TPriceAlg& alg);
void SavePriceState(const std::string& path, const TPriceAlg& alg);
// Restores a state into alg, whose NParms must already have been written for
// the same fitted parameters (FileError otherwise). The saved options, ranges
// and live values are taken over, so that the search goes on as it would have
// without the interruption. Throws InvalidFileId or FileError; alg is
// unchanged on failure.
void LoadPriceStateText(TPriceAlg& alg, std::string_view text, const std::string& fileName);
void LoadPriceState(TPriceAlg& alg, const std::string& path);

} // namespace kelmar
