// The last run judged against measurements: modelled mineral N of each soil
// layer paired with the measured mineral N of the weeks that have one, with
// the mean and spread of the differences, the regression of modelled on
// measured N, the correlation and the pairs within two tolerances; and the
// modelled topsoil organic matter and organic N against their measurements.
// The calibration calls it after every trial run, so it allocates nothing.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kelmar {

struct Workspace;

// Which modelled mineral N is set against a measurement (option CorrOpti).
enum CorrMode : int32_t {
  kCorrSameWeek = 0,     // the week of the measurement
  kCorrHalfWeekAvg = 1,  // averaged with the half-way values to the neighbours
  kCorrWholeWeekAvg = 2, // averaged with the neighbouring weeks
};

// One soil layer. x is measured, y modelled mineral N, both kg N/ha. A result
// that cannot be computed (too few pairs, no spread) keeps the value given.
struct CorrLayer {
  int32_t NMeas = 0; // number of pairs (weeks with a measurement above 0)
  float Ex = 1;      // kg N/ha: mean measured mineral N ("Avg. Ni")
  float Ey = 1;      // kg N/ha: mean modelled mineral N of the pairs
  float Ez = 0;      // kg N/ha: mean absolute difference |y - x|
  float EDif = 0;    // kg N/ha: mean difference y - x
  float SEDif = 0;   // kg N/ha: standard deviation of the differences
  float Abcis = 0;   // kg N/ha: intercept of the regression of y on x
  float Tan = 0;     // -: slope of that regression
  float Corr = 0;    // -: correlation coefficient of x and y
  int32_t n1 = 0;    // pairs with |y - x| <= CorrRng1
  int32_t n2 = 0;    // pairs with |y - x| <= CorrRng2
};

struct CorrResult {
  // [0] TopSoil, [1] SubSoil: the summary items NMeas1, Ex1, ..., n1_1, n2_1
  // come from Layer[0] and NMeas2, ..., n1_2, n2_2 from Layer[1].
  std::array<CorrLayer, 2> Layer{};
  int32_t CorrOpti = kCorrSameWeek; // the modelled value used
  float CorrRng1 = 0;               // kg N/ha: the lower tolerance used
  float CorrRng2 = 0;               // kg N/ha: the higher tolerance used

  // Topsoil organic matter against its measurements (weeks with OMi > 0).
  int32_t NOMi = 0;   // number of weeks with a measured organic matter
  float OMiAvg = 1;   // kg/ha: mean measured organic matter
  float OMDifAbs = 0; // kg/ha: mean |OMt1 - OMi|
  // Topsoil organic N against its measurements (weeks with ONi > 0).
  int32_t NONi = 0;   // number of weeks with a measured organic N
  float ONiAvg = 1;   // kg/ha: mean measured organic N
  float ONDifAbs = 0; // kg/ha: mean |Nt1 - ONi|
};

// Compares run weeks 1..Weeks of the last run with the measurements, using
// the options CorrOpti, CorrRng1 and CorrRng2.
CorrResult CalcCorr(const Workspace& ws);

// The 19 lines of the "N-modelled vs N-measured" window, without line ends.
std::vector<std::string> NmVsNiLines(const CorrResult& r);
std::vector<std::string> NmVsNiLines(const Workspace& ws);

} // namespace kelmar
