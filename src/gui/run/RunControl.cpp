#include "run/RunControl.h"

#include <QApplication>

#include "data/SeriesFile.h"
#include "dialogs/RangeDialogs.h"
#include "dialogs/UserDialogs.h"
#include "documents/DocumentSet.h"
#include "model/Driver.h"
#include "shell/WindowRegistry.h"
#include "views/GraphView.h"
#include "views/InfoView.h"
#include "widgets/TzkGraph.h"

namespace kelmar::gui {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
} // namespace

void RunControl::ReportRunFault(const QString& error) {
  s_.docs->setStatus(kResultsStale);
  if (s_.ws.state.ShowMessages)
    s_.dialogs.inform(BoxType::Error, QStringLiteral("Calculating ") + Q(s_.ws.scenario.ScenarioFile) +
                                          QLatin1Char('\r') + error);
}

bool RunControl::RunWith(const std::function<void(Workspace&)>& f) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  try {
    f(s_.ws);
  } catch (const std::exception& e) {
    QApplication::restoreOverrideCursor();
    ReportRunFault(Q(e.what()));
    return false;
  }
  AfterRun();
  QApplication::restoreOverrideCursor();
  return true;
}

void RunControl::AfterRun() {
  s_.docs->RefreshScenarioWindows();
  s_.windows->RefreshResultWindows();
  s_.docs->clearStatus(kResultsStale);
  s_.scheduleIdle();
}

void RunControl::Calculate() {
  if (!s_.docs->CommitEditors()) return;
  RunWith([](Workspace& w) { RunModel(w); });
}

void RunControl::Repeat() {
  if (s_.docs->hasStatus(kResultsStale)) {
    s_.dialogs.inform(BoxType::Information,
                      QStringLiteral("Can only Repeat when model has been Calculated first!"));
    return;
  }
  RunWith([](Workspace& w) { RepeatRun(w); });
}

void RunControl::Continue() {
  DocumentSet& d = *s_.docs;
  if (d.hasStatus(kResultsStale)) {
    s_.dialogs.inform(BoxType::Information,
                      QStringLiteral("Can only Continue when model has been Calculated first!"));
    return;
  }
  if (s_.ws.options.has(kOptMoveEnvOnContinue)) {
    if (d.SaveQuery(Doc::Environment) && d.SaveQuery(Doc::Irrigation) && d.SaveQuery(Doc::Nmineral)) {
      MoveSeries(s_.ws);
      d.setStatus(kResultsStale | kEnviSaved | kIrriSaved | kNminSaved);
      d.RefreshSeriesEditors();
    }
  }
  RunWith([](Workspace& w) { ContinueRun(w); });
}

void RunControl::Backup() {
  if (!s_.docs->CommitEditors()) return;
  s_.ws.parms.Backup(s_.ws.scenario);
}

void RunControl::Restore() {
  if (!s_.docs->CommitEditors()) return;
  s_.ws.parms.Restore(s_.ws.scenario);
  s_.docs->setStatus(kResultsStale);
  s_.docs->clearStatus(kScenarioSaved);
  RunWith([](Workspace& w) { RunModel(w); });
}

void RunControl::StepParameter(ManualFitResult (*step)(Workspace&)) {
  if (!s_.docs->CommitEditors()) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const ManualFitResult r = step(s_.ws);
  QApplication::restoreOverrideCursor();
  // The parameter changed (or came back after a failed run): the scenario
  // differs from its file either way.
  s_.docs->clearStatus(kScenarioSaved);
  if (!r.ran) {
    ReportRunFault(Q(r.error));
    s_.docs->RefreshScenarioWindows();
    return;
  }
  // Unless the user wants clean graphs, the new curves are drawn over the
  // previous ones, so the effect of the step can be seen.
  if (!s_.ws.options.has(kOptClearGraph))
    for (int slot = 0; slot < kGraphKindCount; ++slot)
      if (auto* g = s_.windows->get<TGraphView>(QStringLiteral("TGraphView"), slot))
        g->graph()->setUpdateSeriesOnly(true);
  AfterRun();
}

void RunControl::Increase() { StepParameter(kelmar::Increase); }

void RunControl::Decrease() { StepParameter(kelmar::Decrease); }

void RunControl::NextParameter() {
  int& p = s_.ws.state.SelParm;
  p = p < kParmCount ? p + 1 : 1;
}

void RunControl::PreviousParameter() {
  int& p = s_.ws.state.SelParm;
  p = p >= 2 ? p - 1 : kParmCount;
}

// ---- Range and info week ----

bool RunControl::CommitRange() {
  auto* range = s_.windows->get<TRangeDialog>(QStringLiteral("TRangeDialog"));
  if (range && range->modified()) {
    if (!range->Validate()) return false;
    range->Apply();
  }
  return true;
}

void RunControl::RangeChanged(int from, int till) {
  ProgramState& st = s_.ws.state;
  if (st.RangeFrom > st.RangeTill) st.RangeTill = st.RangeFrom;
  if (st.RangeFrom == from && st.RangeTill == till) return;
  if (auto* range = s_.windows->get<TRangeDialog>(QStringLiteral("TRangeDialog"))) range->Refresh();
  s_.windows->RefreshResultWindows();
}

void RunControl::NextRange() {
  if (!CommitRange()) return;
  ProgramState& st = s_.ws.state;
  const int from = st.RangeFrom, till = st.RangeTill;
  const int weeks = s_.ws.scenario.Weeks;
  const int width = st.RangeTill - st.RangeFrom + 1;
  if (st.RangeTill < weeks) {
    if (st.RangeTill + width > weeks) {
      st.RangeFrom = weeks - width + 1;
      st.RangeTill = weeks;
    } else {
      st.RangeFrom += width;
      st.RangeTill += width;
    }
  }
  RangeChanged(from, till);
}

void RunControl::PreviousRange() {
  if (!CommitRange()) return;
  ProgramState& st = s_.ws.state;
  const int from = st.RangeFrom, till = st.RangeTill;
  if (st.RangeFrom > 1) {
    const int width = st.RangeTill - st.RangeFrom + 1;
    if (st.RangeFrom - width < 1) {
      st.RangeFrom = 1;
      st.RangeTill = width;
    } else {
      st.RangeFrom -= width;
      st.RangeTill -= width;
    }
  }
  RangeChanged(from, till);
}

void RunControl::ModifyRange() { s_.windows->show(QStringLiteral("TRangeDialog")); }

void RunControl::ToggleInfoView() { s_.windows->toggle(QStringLiteral("TInfoView")); }

void RunControl::NextInfoWeek() {
  auto* info = s_.windows->get<TInfoView>(QStringLiteral("TInfoView"));
  if (!info) return;
  int& w = s_.ws.state.InfoWeek;
  w = w < s_.ws.scenario.Weeks ? w + 1 : 1;
  info->Refresh();
}

void RunControl::PreviousInfoWeek() {
  auto* info = s_.windows->get<TInfoView>(QStringLiteral("TInfoView"));
  if (!info) return;
  int& w = s_.ws.state.InfoWeek;
  w = w >= 2 ? w - 1 : std::max(1, s_.ws.scenario.Weeks);
  info->Refresh();
}

} // namespace kelmar::gui
