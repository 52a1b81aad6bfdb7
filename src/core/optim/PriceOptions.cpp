#include "optim/PriceOptions.h"

#include <charconv>
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
  for (int k = 1; k <= kTargetCount; ++k)
    o.Weight[k] =
        static_cast<float>(NumberOr(ini.readString(sec, "Weight" + std::to_string(k), "1.00"), 1.0));
  const long type = ini.readInteger(sec, "QTType", kQTSum);
  // Any other number would combine as a sum anyway; keep it a valid choice.
  o.QTType = type >= kQTSum && type <= kQTCarrousel ? static_cast<int32_t>(type) : kQTSum;
  o.AutoWeigh = ini.readBool(sec, "AutoWeigh", false);
  o.KeepOM = ini.readBool(sec, "KeepOM", true);
  o.NIterPSet = static_cast<int32_t>(ini.readInteger(sec, "NIterPSet", 6));
  o.Ftol = static_cast<float>(NumberOr(ini.readString(sec, "Ftol", "0.001"), 0.001));
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
