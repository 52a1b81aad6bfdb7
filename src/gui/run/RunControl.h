// Run control: Calculate, Repeat and Continue, the manual stepping of the
// fittable parameters, the week range and the info week. Every run goes
// through RunWith, which shows the hourglass and reports a fault.
#pragma once

#include <functional>

#include "fitting/ManualFit.h"
#include "shell/Services.h"

namespace kelmar::gui {

class RunControl {
public:
  explicit RunControl(Services& s) : s_(s) {}

  // Runs f (a model entry) with the hourglass; a fault leaves the results
  // stale and is shown. True when the run completed.
  bool RunWith(const std::function<void(Workspace&)>& f);
  // After a completed run: scenario and result windows, results current.
  void AfterRun();

  void Calculate();
  void Repeat();
  void Continue();
  void Backup();
  void Restore();
  void Increase();
  void Decrease();
  void NextParameter();
  void PreviousParameter();

  void NextRange();
  void PreviousRange();
  void ModifyRange();
  void ToggleInfoView();
  void NextInfoWeek();
  void PreviousInfoWeek();

private:
  void ReportRunFault(const QString& error);
  // Increase or Decrease of the selected parameter, then the results.
  void StepParameter(ManualFitResult (*step)(Workspace&));
  // Applies a pending edit of the Range dialog; false when it is not valid.
  bool CommitRange();
  void RangeChanged(int from, int till);

  Services& s_;
};

} // namespace kelmar::gui
