#include "fitting/ManualFit.h"

#include <stdexcept>

#include "Workspace.h"
#include "model/Driver.h"

namespace kelmar {

namespace {

ManualFitResult Step(Workspace& ws, double sign) {
  const int sel = ws.state.SelParm;
  if (sel < 1 || sel > ParmTable::size()) throw std::out_of_range("SelParm must be 1..51");
  const AutoParm& e = ws.parms[sel];
  float& value = ws.parms.value(ws.scenario, sel);
  const float old = value;
  float v = static_cast<float>(old * (1.0 + sign * 0.01 * ws.state.FitDelta));
  // Never past the range, whichever way the step went.
  if (v > e.upper) v = e.upper;
  if (v < e.lower) v = e.lower;
  value = v;

  ManualFitResult result;
  try {
    RunModel(ws);
    return result;
  } catch (const FloatingPointFault&) {
    result.restored = true;
  }
  value = old;
  try {
    RunModel(ws);
  } catch (const FloatingPointFault& f) {
    result.ran = false;
    result.error = f.what();
    ws.state.DocStatus |= kResultsStale;
  }
  return result;
}

} // namespace

ManualFitResult Increase(Workspace& ws) { return Step(ws, +1.0); }
ManualFitResult Decrease(Workspace& ws) { return Step(ws, -1.0); }

std::string CalculatingMessage(const Workspace& ws, const std::string& error) {
  return "Calculating " + ws.scenario.ScenarioFile + "\r" + error;
}

} // namespace kelmar
