// The Sensitivity window: Morris or Sobol analysis of the marked parameters
// over their fitting ranges. The analysis runs on a worker thread over a
// copy of the workspace taken when Run is pressed, so the program stays
// usable (and the scenario may even change) while it runs; Abort stops it
// after the runs under way. The ranked estimates fill a table, and a chart
// shows sigma against mu* (Morris) or S1 and ST per parameter (Sobol) for the
// output chosen.
#pragma once

#include <QPointer>
#include <array>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "optim/Sensitivity.h"
#include "widgets/IniForm.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QTimer;

namespace kelmar::gui {

struct Services;
class TzkGraph;

class TSensitivityView : public TIniForm {
  Q_OBJECT
public:
  explicit TSensitivityView(Services& s, QWidget* parent = nullptr);
  ~TSensitivityView() override;

  QString WindowKey() const override { return QStringLiteral("TSensitivityView"); }
  void Refresh() override; // the count of marked parameters

  bool running() const { return worker_.joinable(); }
  const SensitivityResult& result() const { return result_; }

public slots:
  void run();
  void abort();
  void saveCsv();

signals:
  void finished();

private:
  void methodChanged();
  void poll();
  void showResult();
  void showChart();
  void setBusy(bool busy);

  Services& s_;
  QComboBox* method_;
  QSpinBox* trajectories_;
  QSpinBox* levels_;
  QSpinBox* samples_;
  QSpinBox* seed_;
  QSpinBox* jobs_;
  QLineEdit* outputs_;
  std::array<QCheckBox*, 9> targets_{};
  QLabel* parms_;
  QLabel* runs_;
  QPushButton* run_;
  QPushButton* abort_;
  QPushButton* save_;
  QProgressBar* progress_;
  QLabel* status_;
  QTableWidget* table_;
  QComboBox* chartOutput_;
  TzkGraph* chart_;
  QTimer* timer_;

  // The analysis under way: its own workspace, the thread and what it shares.
  std::unique_ptr<Workspace> base_;
  std::thread worker_;
  std::atomic<bool> abortFlag_{false};
  std::atomic<bool> done_{false};
  std::atomic<long> runsDone_{0};
  long runsTotal_ = 0;
  SensitivityResult pending_; // written by the worker, taken after the join
  std::string error_;         // what the worker caught, read after the join

  // The last finished analysis.
  SensitivityResult result_;
  std::vector<SensitivityFactor> factors_;
  std::vector<std::string> outputNames_;
};

} // namespace kelmar::gui
