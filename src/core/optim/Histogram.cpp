#include "optim/Histogram.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>
#include <vector>

#include "Workspace.h"
#include "optim/PriceAlg.h"
#include "report/SumFile.h"

namespace kelmar {

int Histogram::total() const { return std::accumulate(Count.begin(), Count.end(), 0); }

std::array<std::pair<float, float>, kHistogramClasses> Histogram::points() const {
  std::array<std::pair<float, float>, kHistogramClasses> p{};
  for (int k = 0; k < kHistogramClasses; ++k)
    p[k] = {static_cast<float>(Edge[k] - w / 2.0), static_cast<float>(Count[k])};
  return p;
}

Histogram CountClasses(float low, float w, float high, std::span<const double> values) {
  Histogram h;
  h.low = low;
  h.w = w;
  h.high = high;
  h.Edge[0] = low + w;
  for (int k = 1; k < kHistogramClasses; ++k) h.Edge[k] = h.Edge[k - 1] + w;
  for (double value : values) {
    // Compared in single precision, as stored, so that the largest value is
    // not lost against a limit taken from it.
    float v = static_cast<float>(value);
    int k = 0;
    while (k < kHistogramClasses && h.Edge[k] < v) ++k;
    if (k == kHistogramClasses) {
      // The ten widths added in single precision can end just below the
      // top of the range; the top value itself still belongs to the last class.
      if (v > high) continue;
      k = kHistogramClasses - 1;
    }
    ++h.Count[k];
  }
  return h;
}

Histogram ParameterHistogram(std::string name, float lower, float upper, std::span<const double> values) {
  float w = static_cast<float>((static_cast<double>(upper) - lower) * 0.1);
  Histogram h = CountClasses(lower, w, upper, values);
  h.title = std::move(name);
  return h;
}

Histogram PriceHistogram(const TPriceAlg& alg, int j) {
  if (j < 1 || j > alg.NParms()) throw Refusal("No parameter selected !");
  const AutoParm& p = alg.workspace().parms[alg.ParmNr(j)];
  std::vector<double> values;
  values.reserve(static_cast<std::size_t>(alg.NSets()));
  for (int s = 1; s <= alg.NSets(); ++s) values.push_back(alg.PSet(s, j));
  return ParameterHistogram(std::string(p.name), p.lower, p.upper, values);
}

Histogram SummaryHistogram(const SumGrid& grid, int column) {
  if (column < kFirstItemColumn)
    throw Refusal("Cursor must be in column 6 or higher for showing a histogram !");
  if (column >= grid.columns()) throw std::out_of_range("no grid column " + std::to_string(column));
  if (grid.NSumm < 2) throw Refusal("There must be more than one summary record for showing a histogram !");
  std::vector<double> values;
  values.reserve(static_cast<std::size_t>(grid.NSumm));
  for (int r = 1; r <= grid.NSumm; ++r) values.push_back(grid.cellValue(r, column));
  auto [mn, mx] = std::minmax_element(values.begin(), values.end());
  float low = static_cast<float>(*mn);
  float high = static_cast<float>(*mx);
  float w = static_cast<float>((static_cast<double>(high) - low) * 0.1);
  Histogram h = CountClasses(low, w, high, values);
  h.title = grid.cell(0, column);
  return h;
}

} // namespace kelmar
