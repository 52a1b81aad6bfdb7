// Correlation matrices of a set of variables over their observations: the
// fitted parameters over the sets of a Price population, or the included
// summary items over the lines of a MultiRun. Coefficients whose absolute
// value exceeds the critical value for the number of observations are
// marked; the matrix can be saved as a .COR text file, and any pair of
// variables gives the points of a scatter plot.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelmar {

struct SumGrid;
class TPriceAlg;

// The critical correlation coefficient for n observations: the absolute value
// of r that a sample of n uncorrelated pairs exceeds with probability 0.001
// (two-sided). 1 for n <= 3, where no coefficient is marked.
float RCrit(int n);

// What the diagonal shows: the coefficient of a variable with itself as
// computed (1, or 0 for a constant variable), or 1 throughout.
enum class CorrDiagonal { Computed, One };

struct CorrMatrix {
  std::vector<std::string> names;           // variables 1..k
  std::vector<std::vector<double>> columns; // columns[i - 1][o]: variable i, observation o
  int n = 0;                                // observations
  float RCrit = 1;
  // The grid: (k + 1) x (k + 1) texts, names in row 0 and column 0, the
  // coefficients below (and on) the diagonal with 3 decimals, the upper
  // triangle empty.
  std::vector<std::vector<std::string>> cells;
  // Cells strictly below the diagonal whose coefficient, as shown, exceeds RCrit.
  std::vector<std::vector<bool>> marked;

  int size() const { return static_cast<int>(names.size()); }
  const std::string& cell(int row, int column) const { return cells.at(row).at(column); }
  bool isMarked(int row, int column) const { return marked.at(row).at(column); }
};

// The matrix of the given variables. Sxy = sum(xy) - sum(x) sum(y) / n and
// likewise Sxx and Syy; r = Sxy / sqrt(Sxx Syy) when Sxx Syy >= 1e-6,
// otherwise 0. Every column must hold the same number of observations
// (std::invalid_argument otherwise).
CorrMatrix ComputeCorrMatrix(std::vector<std::string> names, std::vector<std::vector<double>> columns,
                             CorrDiagonal diagonal);

// The matrix of the fitted parameters over the sets of a Price population,
// named as in the parameter table; the diagonal as computed.
CorrMatrix PriceCorrMatrix(const TPriceAlg& alg);

// The matrix of the included summary items over the lines of a MultiRun
// grid, from the values as the grid shows them; 1.000 on the diagonal.
CorrMatrix SummaryCorrMatrix(const SumGrid& grid);

// "Parameters: " + NParms + "  Sets: " + NSets + "  R-Crit (0.05%): " + RCrit.
std::string ParameterCorrStatus(const CorrMatrix& m);
// "Summary items: " + NItems + "  Summaries: " + NSumm + "  R-Crit (0.05%): " + RCrit.
std::string SummaryCorrStatus(const CorrMatrix& m);

// The grid as text lines for a terminal: every cell right-aligned in the
// width of the widest, a "*" after each marked coefficient, then the status
// line `status` followed by a note on the mark.
std::vector<std::string> CorrMatrixLines(const CorrMatrix& m, const std::string& status);

// The text of a .COR file: an empty line, then one line per grid row, header
// row included, every cell right-aligned in 7 characters (a longer text
// whole, after a blank). Lines end in CR LF.
std::string CorFileText(const CorrMatrix& m);
// Writes the file so that a failed write leaves any previous file as it
// was. Throws FileError; the caller shows "Error saving correlation matrix !".
void WriteCorFile(const std::string& path, const CorrMatrix& m);

// The points of a scatter plot of grid cell (row, column), both 1..k: x is
// variable `column`, y variable `row`; the series is titled with the number
// of observations.
struct ScatterData {
  std::string xTitle;
  std::string yTitle;
  std::string seriesTitle;
  std::vector<std::pair<double, double>> points;
};
ScatterData ScatterOf(const CorrMatrix& m, int row, int column);

} // namespace kelmar
