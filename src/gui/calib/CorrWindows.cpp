#include "calib/CorrWindows.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include "Workspace.h"
#include "calib/CalibFiles.h"
#include "dialogs/UserDialogs.h"
#include "report/GraphData.h"
#include "shell/Services.h"
#include "widgets/CommandBar.h"
#include "widgets/TzkGraph.h"

namespace kelmar::gui {

namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

// The bars of a histogram, drawn over the plot with the graph's own scales.
class BarLayer : public QWidget {
public:
  BarLayer(TzkGraph* graph, const std::optional<Histogram>& h) : QWidget(graph), graph_(graph), h_(h) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
  }

protected:
  void paintEvent(QPaintEvent*) override {
    if (!h_ || !graph_->hasMapping()) return;
    const GraphMapping& g = graph_->mapping();
    QPainter p(this);
    for (int k = 0; k < kHistogramClasses; ++k) {
      if (h_->Count[k] <= 0) continue;
      const auto [x1, x2] = h_->bar(k);
      QRectF r(QPointF(g.XToPixel(x1) + 2, g.YToPixel(h_->Count[k])),
               QPointF(g.XToPixel(x2) - 2, g.YToPixel(0)));
      p.fillRect(r, Qt::blue);
      p.setPen(Qt::black);
      p.drawRect(r);
    }
  }

private:
  TzkGraph* graph_;
  const std::optional<Histogram>& h_;
};

void SetTitle(auto& field, const std::string& text) { field = text; }

} // namespace

std::function<void(TScatterPlot&)> TScatterPlot::execHook;

TScatterPlot::TScatterPlot(QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("TScatterPlot"));
  graph_ = new TzkGraph(this);
  graph_->installEventFilter(this);
  bars_ = new BarLayer(graph_, histogram_);
  auto* l = new QVBoxLayout(this);
  l->setContentsMargins(0, 0, 0, 0);
  l->addWidget(graph_);
  resize(480, 360);
}

void TScatterPlot::setScatter(const ScatterData& d) {
  setWindowTitle(QStringLiteral("Scatter plot"));
  GraphSetup s = graph_->setup();
  SetTitle(s.GraphTitle, "");
  SetTitle(s.XAxisTitle, d.xTitle);
  SetTitle(s.YAxisTitle, d.yTitle);
  for (SeriesSetup& ser : s.Series) ser.Active = false;
  s.Series[0].Active = true;
  SetTitle(s.Series[0].Title, d.seriesTitle);
  s.Series[0].HasLine = false;
  s.Series[0].HasPoints = true;
  graph_->setSetup(s);
  GraphData& data = graph_->data();
  for (GraphSeries& ser : data.series) ser.Clear();
  data.title.clear();
  for (const auto& [x, y] : d.points) data.series[0].AddPoint(static_cast<float>(x), static_cast<float>(y));
  graph_->dataChanged();
}

void TScatterPlot::setHistogram(const Histogram& h) {
  setWindowTitle(QStringLiteral("Histogram"));
  histogram_ = h;
  GraphSetup s = graph_->setup();
  SetTitle(s.GraphTitle, "");
  SetTitle(s.XAxisTitle, h.title);
  SetTitle(s.YAxisTitle, "Number in category");
  for (SeriesSetup& ser : s.Series) ser.Active = false;
  s.Series[0].Active = true;
  s.Series[0].HasLine = false;
  s.Series[0].HasPoints = false;
  graph_->setSetup(s);
  GraphData& data = graph_->data();
  for (GraphSeries& ser : data.series) ser.Clear();
  data.title.clear();
  GraphSeries& ser = data.series[0];
  for (const auto& [x, y] : h.points()) ser.AddPoint(x, y);
  // The axes take in the bars: from 0 up, across the class limits.
  ser.xMin = std::min(ser.xMin, h.Edge[0] - h.w);
  ser.xMax = std::max(ser.xMax, h.Edge[kHistogramClasses - 1]);
  ser.yMin = 0;
  graph_->dataChanged();
}

void TScatterPlot::run() {
  if (execHook)
    execHook(*this);
  else
    exec();
}

bool TScatterPlot::eventFilter(QObject* obj, QEvent* e) {
  if (obj == graph_) {
    if (e->type() == QEvent::MouseButtonPress) {
      accept();
      return true;
    }
    if (e->type() == QEvent::Resize) bars_->resize(graph_->size());
    if (e->type() == QEvent::Paint) bars_->update();
  }
  return QDialog::eventFilter(obj, e);
}

void TScatterPlot::keyPressEvent(QKeyEvent*) { accept(); }

// ---- Correlation matrix ----

TCorrMatrixView::TCorrMatrixView(Services& s, Source source,
                                 std::function<std::optional<CorrMatrix>()> compute, QWidget* parent)
    : TIniForm(parent), s_(s), source_(source), compute_(std::move(compute)) {
  setWindowTitle(QStringLiteral("Correlation matrix"));
  setObjectName(source == kPriceSets ? QStringLiteral("TCorrMatrix") : QStringLiteral("TCorrMatrx"));
  auto* bar = new CommandBar(this);
  bar->add("SBFileSaveAs", "&Save as...", "Save correlation matrix", QStyle::SP_DialogSaveButton,
           [this] { SaveAsClick(); });
  bar->add("SBClose", "Cl&ose", "Close window", QStyle::SP_DialogCloseButton, [this] { frame()->close(); });
  bar->add("SBScatter", "Scatter &plot", "Show scatter plot for selected combination of parameters",
           QStyle::SP_FileDialogContentsView, [this] { ScatterClick(); });
  grid_ = new QTableWidget(this);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  bar->openOver(grid_);
  connect(grid_, &QTableWidget::cellDoubleClicked, this, [this] { ScatterClick(); });
  status_ = NewStatusPanel(this);
  StackParts(this, {bar, grid_, status_});
  resize(520, 360);
  Refresh();
}

QString TCorrMatrixView::WindowKey() const { return objectName(); }

QString TCorrMatrixView::statusText() const { return status_->text(); }

void TCorrMatrixView::Refresh() {
  if (!compute_) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  std::optional<CorrMatrix> m = compute_();
  QApplication::restoreOverrideCursor();
  if (!m) return;
  m_ = std::move(*m);
  const int k = m_.size();
  grid_->clear();
  grid_->setRowCount(k);
  grid_->setColumnCount(k);
  QStringList names;
  for (int i = 1; i <= k; ++i) names << Q(m_.cell(0, i));
  grid_->setHorizontalHeaderLabels(names);
  grid_->setVerticalHeaderLabels(names);
  for (int r = 1; r <= k; ++r)
    for (int c = 1; c <= k; ++c) {
      auto* item = new QTableWidgetItem(Q(m_.cell(r, c)));
      item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      if (m_.isMarked(r, c)) item->setBackground(Qt::red);
      grid_->setItem(r - 1, c - 1, item);
    }
  grid_->resizeColumnsToContents();
  status_->setText(Q(source_ == kPriceSets ? ParameterCorrStatus(m_) : SummaryCorrStatus(m_)));
}

void TCorrMatrixView::SaveAsClick() {
  const QString name = AskSaveName(s_, {QStringLiteral("Save correlation matrix"), Q(s_.ws.state.DataDir),
                                        QStringLiteral("*.COR"), QStringLiteral("Correlations (*.COR)"),
                                        QStringLiteral("COR")});
  if (name.isEmpty()) return;
  try {
    WriteCorFile(name.toStdString(), m_);
  } catch (const std::exception&) {
    s_.dialogs.inform(BoxType::Plain, QStringLiteral("Error saving correlation matrix !"));
  }
}

void TCorrMatrixView::ScatterClick() {
  const int r = grid_->currentRow() + 1, c = grid_->currentColumn() + 1;
  if (r < 1 || c < 1 || m_.size() == 0) return;
  TScatterPlot plot(s_.window);
  plot.setScatter(ScatterOf(m_, r, c));
  plot.run();
}

} // namespace kelmar::gui
