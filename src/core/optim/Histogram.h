// Ten-class histograms: of one fitted parameter over the sets of a Price
// population (classes spanning the parameter's fitting range) and of one
// summary item over the lines of a MultiRun (classes spanning the values).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <utility>

namespace kelmar {

struct SumGrid;
class TPriceAlg;

inline constexpr int kHistogramClasses = 10;

struct Histogram {
  float low = 0;                               // lower limit of class 0
  float high = 0;                              // upper limit of the range
  float w = 0;                                 // class width
  std::array<float, kHistogramClasses> Edge{}; // upper limit of each class
  std::array<int32_t, kHistogramClasses> Count{};
  std::string title; // x-axis title: the variable's name

  int total() const;
  // The graph points: (Edge[k] - w/2, Count[k]).
  std::array<std::pair<float, float>, kHistogramClasses> points() const;
  // The bar of class k spans Edge[k] - w .. Edge[k].
  std::pair<float, float> bar(int k) const { return {Edge[k] - w, Edge[k]}; }
};

// Classes of width w from low: Edge[0] = low + w, Edge[k] = Edge[k - 1] + w,
// accumulated in single precision. A value goes to the first class whose
// upper limit is at least the value; a value below low goes to class 0. A
// value above Edge[9] but not above `high` (where the accumulated limits fall
// a rounding short of the range) goes to class 9; one above both is left out.
Histogram CountClasses(float low, float w, float high, std::span<const double> values);

// A fitted parameter over the sets: the fitting range BPRL..BPRU in ten classes.
Histogram ParameterHistogram(std::string name, float lower, float upper, std::span<const double> values);

// Fitted parameter j (1..NParms) over the sets of a Price population; refuses
// (Refusal) any other column: "No parameter selected !".
Histogram PriceHistogram(const TPriceAlg& alg, int j);

// A column of the MultiRun grid: the values of rows 1..NSumm as shown,
// classes from their minimum to their maximum. Refuses (Refusal) a column
// left of the items ("Cursor must be in column 6 or higher for showing a
// histogram !") and a grid of fewer than two lines ("There must be more than
// one summary record for showing a histogram !").
Histogram SummaryHistogram(const SumGrid& grid, int column);

} // namespace kelmar
