// The choices of the calibration: which of the nine target functions count,
// their weights, how they are combined, whether the initial organic matter
// keeps its total, and when an iteration stops. Kept in the INI section
// "Price Options".
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kelmar {

class IniFile;

inline constexpr const char* kPriceOptionsSection = "Price Options";
inline constexpr int kTargetCount = 9;

// How the selected target functions make the one value that is minimised.
enum QTTypeKind : int32_t {
  kQTSum = 0,       // "Minimize sum": the weighted sum
  kQTMax = 1,       // "Minimize maximum": the largest weighted target (at least 0)
  kQTCarrousel = 2, // "Carrousel": the sum, but each trial judged by one target in turn
};

struct PriceOptions {
  std::array<bool, kTargetCount + 1> Selected{}; // [1..9]; [0] unused
  std::array<float, kTargetCount + 1> Weight{};  // [1..9] manual weights, 0.01..100
  int32_t QTType = kQTSum;
  bool AutoWeigh = false; // multiply the weights by the automatic weights
  bool KeepOM = true;     // "Constant sum OM": oOM + yOM + fOM keep their sum
  int32_t NIterPSet = 6;  // trials per set that one Iterate may make (0: no limit)
  float Ftol = 0.001f;    // minimum relative range of the combined target

  PriceOptions(); // the defaults: targets 1..5, every weight 1
};

// The nine "1"/"0" characters of a selection, target 1 first.
std::string TargetsText(const std::array<bool, kTargetCount + 1>& selected);
// The selection written by TargetsText. Only "1" selects; a shorter text
// leaves the missing targets unselected and characters beyond the ninth are
// ignored.
std::array<bool, kTargetCount + 1> ParseTargets(std::string_view text);

// The options of section "Price Options"; a missing key or a value that is no
// number gives its default. A weight outside 0.01..100 is taken at the nearer
// limit; a negative NIterPSet and a negative or infinite Ftol give their
// defaults.
PriceOptions ReadPriceOptions(const IniFile& ini);
// Writes every key: "Targets", "Weight1".."Weight9" (two decimals), "QTType",
// "AutoWeigh", "KeepOM", "NIterPSet" and "Ftol" (three decimals).
void WritePriceOptions(IniFile& ini, const PriceOptions& opt);

} // namespace kelmar
