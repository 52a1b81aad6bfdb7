// Manual fitting: step the selected fittable parameter up or down by
// FitDelta percent, within its fitting range, and run the model again.
#pragma once

#include <string>

namespace kelmar {

struct Workspace;

struct ManualFitResult {
  bool ran = true;       // the model ran with the new (or, after a failure, the old) value
  bool restored = false; // the run with the new value failed; the old value is back
  std::string error;     // when !ran: the text of the second failure
};

// value * (1 + FitDelta / 100) of parameter SelParm, kept inside its range,
// then a model run. When that run fails the parameter gets its value back and
// the model runs once more; a second failure is returned (the caller shows
// CalculatingMessage() when ShowMessages is set).
ManualFitResult Increase(Workspace& ws);
// The same with value * (1 - FitDelta / 100).
ManualFitResult Decrease(Workspace& ws);

// "Calculating " + ScenarioFile + "\r" + error text.
std::string CalculatingMessage(const Workspace& ws, const std::string& error);

} // namespace kelmar
