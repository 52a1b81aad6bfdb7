// Editing the fittable parameters by hand: a typed lower range, value or
// upper range is checked against the entry's limits and stored, corrected or
// refused, with the message the user is shown. The table never leaves
// default lower <= lower <= value <= upper <= default upper through an edit.
#pragma once

#include <optional>
#include <string>

namespace kelmar {

struct Workspace;

enum class ParmColumn { Lower = 1, Value = 2, Upper = 3 };

struct ParmEditResult {
  float stored = 0;    // what the column holds now
  std::string message; // shown to the user when not empty
};

// Stores `typed` (nothing: text that is no number) into column c of entry i
// (1..51). Text that is no number takes `oldNumber`, the number the cell held
// before the edit. A lower or upper range outside its limits is refused with
// a message and takes `oldNumber`; a value outside the fitting range is set to
// the nearer bound with a message. A value edit marks the results stale.
ParmEditResult EditParm(Workspace& ws, int i, ParmColumn c, std::optional<double> typed, double oldNumber);

// The text of a lower range, value or upper range in the grid: fixed with the
// entry's decimals, at most 6 significant digits.
std::string ParmCellText(double v, int decimals);

// Marks (or clears) the fit mark of every entry.
void SetAllFitMarks(Workspace& ws, bool marked);

} // namespace kelmar
