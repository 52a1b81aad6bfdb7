// The run driver: one call computes a whole run over the scenario in the
// workspace and fills its week records, run-level values and period rows.
#pragma once

#include <stdexcept>
#include <string>

namespace kelmar {

struct Workspace;

// A floating-point fault in a run (an invalid operation, a division by zero,
// an overflow). what() is the plain message the user sees; step() names the
// process in which it was detected.
class FloatingPointFault : public std::runtime_error {
public:
  FloatingPointFault(const std::string& message, std::string step)
      : std::runtime_error(message), step_(std::move(step)) {}
  const std::string& step() const { return step_; }

private:
  std::string step_;
};

// One full run. Throws FloatingPointFault; the results of such a run are not
// valid (run.calculated is false afterwards).
void RunModel(Workspace& ws);
// The end state of the previous run becomes the initial state, then RunModel.
void RepeatRun(Workspace& ws);
// The start moves to the week after the previous run, then RepeatRun.
void ContinueRun(Workspace& ws);

// The crop sort of the driver (by sowing week, selection with exchange) and
// the application sort (applications 4..n by application week).
void SortCrops(Workspace& ws);
void SortApplications(Workspace& ws);

} // namespace kelmar
