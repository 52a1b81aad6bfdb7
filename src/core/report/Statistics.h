// Statistics shared by the grids of Price sets and of summary files.
#pragma once

#include <cmath>

namespace kelmar {

// The standard deviation from a sum and a sum of squares of n values; 0 when
// n < 2 or the variance is below 1e-9 (what rounding leaves of a constant).
inline double StdDev(double sum, double sumSq, int n) {
  if (n < 2) return 0;
  const double var = (sumSq - sum * sum / n) / (n - 1);
  return var >= 1e-9 ? std::sqrt(var) : 0.0;
}

} // namespace kelmar
