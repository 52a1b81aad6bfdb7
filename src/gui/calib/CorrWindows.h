// The statistics of the Price sets and of MultiRun summaries: the
// correlation matrix windows (significant coefficients on red, a scatter plot
// of any cell, the .COR file) and the small modal plot window that shows a
// scatter plot or a ten-class histogram with the graph control.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>

#include "optim/CorrMatrix.h"
#include "optim/Histogram.h"
#include "widgets/IniForm.h"

class QLabel;
class QMenu;
class QTableWidget;

namespace kelmar::gui {

struct Services;
class TzkGraph;

class TScatterPlot : public QDialog {
  Q_OBJECT
public:
  explicit TScatterPlot(QWidget* parent = nullptr);
  void setScatter(const ScatterData& d);
  void setHistogram(const Histogram& h);
  TzkGraph* graph() const { return graph_; }
  const std::optional<Histogram>& histogram() const { return histogram_; }
  // Shows it modally; tests replace it to look at the plot instead.
  static std::function<void(TScatterPlot&)> execHook;
  void run();

protected:
  bool eventFilter(QObject* obj, QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

private:
  TzkGraph* graph_;
  QWidget* bars_;
  std::optional<Histogram> histogram_;
};

// "Correlation matrix" of the fitted parameters over the Price sets
// (TCorrMatrix) or of the included summary items over the MultiRun lines
// (TCorrMatrx); the matrix is taken from its source window on every Refresh.
class TCorrMatrixView : public TIniForm {
  Q_OBJECT
public:
  enum Source { kPriceSets, kSummaries };
  TCorrMatrixView(Services& s, Source source, std::function<std::optional<CorrMatrix>()> compute,
                  QWidget* parent = nullptr);
  QString WindowKey() const override;
  void Refresh() override;
  void SaveAsClick();
  void ScatterClick();

  const CorrMatrix& matrix() const { return m_; }
  QTableWidget* grid() const { return grid_; }
  QString statusText() const;

private:
  Services& s_;
  Source source_;
  std::function<std::optional<CorrMatrix>()> compute_;
  CorrMatrix m_;
  QTableWidget* grid_;
  QLabel* status_;
};

} // namespace kelmar::gui
