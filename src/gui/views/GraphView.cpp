#include "views/GraphView.h"

#include <QKeyEvent>
#include <QVBoxLayout>

#include "Workspace.h"
#include "dialogs/UserDialogs.h"
#include "editors/EditRecords.h"
#include "model/Weeks.h"
#include "report/GraphData.h"
#include "run/RunControl.h"
#include "shell/Services.h"
#include "shell/WindowRegistry.h"
#include "views/InfoView.h"
#include "widgets/TzkGraph.h"

namespace kelmar::gui {

TGraphView::TGraphView(Services& s, GraphSettings& g, int kind, QWidget* parent)
    : TIniForm(parent), s_(s), g_(g), kind_(kind), graph_(new TzkGraph(this)) {
  g_.store.EnsureInitialised();
  setWindowTitle(QStringLiteral("Graph ") +
                 QString::fromLatin1(GraphKindName(kind).data(), int(GraphKindName(kind).size())));
  setFocusPolicy(Qt::StrongFocus);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(graph_);
  connect(graph_, &TzkGraph::mouseDown, this, &TGraphView::mouseDown);
  connect(graph_, &TzkGraph::doubleClicked, this, [this] {
    if (onCustomize) onCustomize(this);
  });
  resize(560, 400);
  graph_->setPlotting(false);
  graph_->setSetup(g_.store.setups[kind_]);
  Refresh();
}

QString TGraphView::WindowKey() const { return QStringLiteral("TGraphView_%1").arg(kind_); }

void TGraphView::Refresh() {
  graph_->setPlotting(false);
  GraphData& d = graph_->data();
  GraphFillOptions opt;
  opt.labelMode = g_.labelMode;
  opt.pointLabelMode = g_.pointLabelMode;
  // Without a completed run the week records hold no results to show (and a
  // failed run may have left values that are not numbers).
  FillGraphData(s_.ws, kind_, graph_->setup(), opt, d);
  if (!s_.ws.run.calculated) {
    for (GraphSeries& series : d.series) series.Clear();
    d.pointLabels.clear();
  }
  graph_->dataChanged();
  graph_->setPlotting(true);
}

void TGraphView::applySetup(const GraphSetup& setup) {
  graph_->setSetup(setup);
  Refresh();
}

void TGraphView::labelsChanged() {
  s_.windows->RefreshResultWindows();
  s_.scheduleIdle();
}

void TGraphView::mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF pos) {
  if (!graph_->hasMapping() || !graph_->plotArea().contains(pos)) return;
  ProgramState& st = s_.ws.state;
  const int before = st.InfoWeek;
  st.InfoWeek = WeekAtPixel(graph_->mapping(), pos.x(), std::max(1, s_.ws.scenario.Weeks));
  if (button == Qt::RightButton && (modifiers & Qt::ShiftModifier)) {
    openRecordAt(st.InfoWeek);
    return;
  }
  if (st.InfoWeek != before)
    if (auto* info = s_.windows->get<TInfoView>(QStringLiteral("TInfoView"))) info->Refresh();
}

void TGraphView::openRecordAt(int week) {
  const Scenario& sc = s_.ws.scenario;
  const int start = s_.ws.run.RunStart > 0 ? s_.ws.run.RunStart : AbsWeek(sc.Year, sc.Week);
  auto runWeek = [start](int year, int wk) { return AbsWeek(year, wk) - start + 1; };
  if (g_.labelMode == 1) {
    for (int i = 1; i <= sc.CropCount; ++i) {
      const Crop& c = sc.Crops[static_cast<size_t>(i)];
      if (runWeek(c.YEAR, c.WEEK1) <= week && week <= runWeek(c.YEAR, c.WEEK4)) {
        s_.ws.state.SelCrop = i;
        if (auto* e = s_.windows->show<TRecordEditor>(QStringLiteral("TCropDialog"))) e->setCurrent(i);
        return;
      }
    }
  } else if (g_.labelMode == 2 || g_.labelMode == 3) {
    for (int i = 4; i <= sc.ApplCount; ++i) {
      const Application& a = sc.Appls[static_cast<size_t>(i)];
      if (runWeek(a.YR, a.WK) >= week) {
        s_.ws.state.SelAppl = i;
        if (auto* e = s_.windows->show<TRecordEditor>(QStringLiteral("TApplDialog"))) e->setCurrent(i);
        return;
      }
    }
  }
}

void TGraphView::keyReleaseEvent(QKeyEvent* e) {
  const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
  if (e->key() == Qt::Key_F1 && mods == Qt::NoModifier) {
    if (s_.showHelp) s_.showHelp(HelpContext());
    return;
  }
  if (mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return TIniForm::keyReleaseEvent(e);
  switch (e->key()) {
  case Qt::Key_B:
    if (s_.dialogs.ask(BoxType::Confirmation, Buttons::OkCancel,
                       QStringLiteral("Backup auto-changeable parameters ?"), QString()) == Answer::Ok)
      s_.run->Backup();
    break;
  case Qt::Key_C:
    s_.run->Calculate();
    break;
  case Qt::Key_R:
    if (s_.dialogs.ask(BoxType::Confirmation, Buttons::OkCancel,
                       QStringLiteral("Restore auto-changeable parameters ?"), QString()) == Answer::Ok)
      s_.run->Restore();
    break;
  case Qt::Key_T:
    g_.labelMode = (g_.labelMode + 1) % 4;
    labelsChanged();
    break;
  case Qt::Key_W:
    g_.pointLabelMode = (g_.pointLabelMode + 1) % 3;
    labelsChanged();
    break;
  default:
    TIniForm::keyReleaseEvent(e);
    return;
  }
  s_.scheduleIdle();
}

} // namespace kelmar::gui
