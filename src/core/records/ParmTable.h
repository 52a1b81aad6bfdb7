// The 51 fittable ("auto-changeable") parameters: scalar fields of the
// scenario that the manual fitting, Price's algorithm and MultiRun vary, each
// with a fit mark and a fitting range inside fixed default limits.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "records/Scenario.h"

namespace kelmar {

inline constexpr int kParmCount = 51;

// Where a parameter's value lives in the scenario. A function rather than a
// pointer, so that copying a workspace keeps every entry bound to its own copy.
using ParmField = float& (*)(Scenario&);

struct AutoParm {
  std::string_view name; // short name, at most 7 characters
  float backup = 0;      // value saved by Backup, put back by Restore
  float defLower = 0;    // lowest value the lower range may take
  float defUpper = 0;    // highest value the upper range may take
  int32_t decimals = 0;  // decimals for showing and writing
  int32_t fit = 0;       // fit mark: > 0 = marked
  ParmField field = nullptr;
  float lower = 0; // lower fitting range
  float upper = 0; // upper fitting range
};

class ParmTable {
public:
  ParmTable(); // the table's initial contents, ranges at their defaults

  // Entries are numbered 1..51, as the user sees them.
  AutoParm& operator[](int i) { return entries_[i - 1]; }
  const AutoParm& operator[](int i) const { return entries_[i - 1]; }
  static constexpr int size() { return kParmCount; }

  float& value(Scenario& s, int i) const { return entries_[i - 1].field(s); }
  float value(const Scenario& s, int i) const { return entries_[i - 1].field(const_cast<Scenario&>(s)); }

  void ResetRanges();
  void Clamp(Scenario& s) const;
  void Backup(const Scenario& s);
  // Puts the backed-up values and Year/Week back; the caller marks results stale.
  void Restore(Scenario& s) const;

  int32_t BackupYear = 1;
  int32_t BackupWeek = 1;

  int MarkedCount() const;

private:
  std::array<AutoParm, kParmCount> entries_;
};

} // namespace kelmar
