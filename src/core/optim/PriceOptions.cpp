#include "optim/PriceOptions.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <system_error>

#include "data/IniFile.h"
#include "data/TextFormat.h"

namespace kelmar {

namespace {

// The whole text (blanks around it aside) as a number, or `def`.
double NumberOr(std::string_view text, double def) {
  const std::string t = Trim(text);
  double v = 0;
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (t.empty() || ec != std::errc() || end != t.data() + t.size()) return def;
  return v;
}

std::string Fixed(double v, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

} // namespace

PriceOptions::PriceOptions() {
  Selected = ParseTargets("111110000");
  Weight.fill(1.0f);
  Weight[0] = 0;
}

std::string TargetsText(const std::array<bool, kTargetCount + 1>& selected) {
  std::string s;
  for (int k = 1; k <= kTargetCount; ++k) s += selected[k] ? '1' : '0';
  return s;
}

std::array<bool, kTargetCount + 1> ParseTargets(std::string_view text) {
  std::array<bool, kTargetCount + 1> sel{};
  for (int k = 1; k <= kTargetCount && k <= static_cast<int>(text.size()); ++k) sel[k] = text[k - 1] == '1';
  return sel;
}

PriceOptions ReadPriceOptions(const IniFile& ini) {
  const char* sec = kPriceOptionsSection;
  PriceOptions o;
  o.Selected = ParseTargets(ini.readString(sec, "Targets", "111110000"));
  for (int k = 1; k <= kTargetCount; ++k) {
    // "nan", "inf" and out-of-range weights would poison every combined
    // target of the search; the dialog offers 0.01..100 only.
    const double w = NumberOr(ini.readString(sec, "Weight" + std::to_string(k), "1.00"), 1.0);
    o.Weight[k] = std::isfinite(w) ? static_cast<float>(std::clamp(w, 0.01, 100.0)) : 1.0f;
  }
  const long type = ini.readInteger(sec, "QTType", kQTSum);
  // Any other number would combine as a sum anyway; keep it a valid choice.
  o.QTType = type >= kQTSum && type <= kQTCarrousel ? static_cast<int32_t>(type) : kQTSum;
  o.AutoWeigh = ini.readBool(sec, "AutoWeigh", false);
  o.KeepOM = ini.readBool(sec, "KeepOM", true);
  const long trials = ini.readInteger(sec, "NIterPSet", 6);
  o.NIterPSet = trials >= 0 && trials <= INT32_MAX ? static_cast<int32_t>(trials) : 6;
  const double ftol = NumberOr(ini.readString(sec, "Ftol", "0.001"), 0.001);
  o.Ftol = std::isfinite(ftol) && ftol >= 0 && ftol <= FLT_MAX ? static_cast<float>(ftol) : 0.001f;
  return o;
}

void WritePriceOptions(IniFile& ini, const PriceOptions& o) {
  const char* sec = kPriceOptionsSection;
  ini.writeString(sec, "Targets", TargetsText(o.Selected));
  for (int k = 1; k <= kTargetCount; ++k)
    ini.writeString(sec, "Weight" + std::to_string(k), Fixed(o.Weight[k], 2));
  ini.writeInteger(sec, "QTType", o.QTType);
  ini.writeBool(sec, "AutoWeigh", o.AutoWeigh);
  ini.writeBool(sec, "KeepOM", o.KeepOM);
  ini.writeInteger(sec, "NIterPSet", o.NIterPSet);
  ini.writeString(sec, "Ftol", Fixed(o.Ftol, 3));
}

} // namespace kelmar
