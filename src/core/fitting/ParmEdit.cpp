#include "fitting/ParmEdit.h"

#include <cstdio>

#include "Workspace.h"
#include "data/TextFormat.h"

namespace kelmar {

namespace {

// printf's "%.*f" conversions, as the messages are worded.
std::string Format(const char* fmt, int d1, double a, int d2 = 0, double b = 0) {
  char buf[160];
  std::snprintf(buf, sizeof buf, fmt, d1, a, d2, b);
  return buf;
}

} // namespace

ParmEditResult EditParm(Workspace& ws, int i, ParmColumn c, std::optional<double> typed, double oldNumber) {
  AutoParm& e = ws.parms[i];
  float& value = ws.parms.value(ws.scenario, i);
  const int d = e.decimals;
  const float x = static_cast<float>(typed.value_or(oldNumber));
  ParmEditResult r;
  switch (c) {
  case ParmColumn::Lower:
    if (x >= e.defLower && x <= value) {
      e.lower = x;
    } else {
      r.message = Format("Lower range must be between %.*f and %.*f !", d, e.defLower, d, value);
      // The number the cell held is the range itself unless the cell text was
      // damaged: only a number inside the limits may go back into the table.
      const float old = static_cast<float>(oldNumber);
      if (old >= e.defLower && old <= value) e.lower = old;
    }
    r.stored = e.lower;
    break;
  case ParmColumn::Value: {
    float v = x;
    if (v < e.lower) {
      r.message = Format("Value must be >= %.*f !", d, e.lower);
      v = e.lower;
    }
    if (v > e.upper) {
      r.message = Format("Value must be <= %.*f !", d, e.upper);
      v = e.upper;
    }
    value = v;
    ws.state.DocStatus |= kResultsStale;
    r.stored = v;
    break;
  }
  case ParmColumn::Upper:
    if (x >= value && x <= e.defUpper) {
      e.upper = x;
    } else {
      r.message = Format("Upper range must be between %.*f and %.*f !", d, value, d, e.defUpper);
      const float old = static_cast<float>(oldNumber);
      if (old >= value && old <= e.defUpper) e.upper = old;
    }
    r.stored = e.upper;
    break;
  }
  return r;
}

std::string ParmCellText(double v, int decimals) { return FmtFixed(v, 6, decimals); }

void SetAllFitMarks(Workspace& ws, bool marked) {
  for (int i = 1; i <= ParmTable::size(); ++i) ws.parms[i].fit = marked ? 1 : 0;
}

} // namespace kelmar
