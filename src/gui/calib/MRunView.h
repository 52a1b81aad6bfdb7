// The "MultiRun" window: batches of runs (every scenario of a directory, the
// scenario with every environment file of a directory, the scenario with
// every Price set) on a worker thread, the grid of their summary lines with
// low/high/avg/SE rows, loading and saving summary files, and reloading a
// line into the program. "MultiRun Options" chooses the items shown.
#pragma once

#include <QDialog>
#include <QPointer>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <thread>

#include "Workspace.h"
#include "calib/ProgressDlg.h"
#include "optim/MultiRun.h"
#include "report/SumFile.h"
#include "widgets/IniForm.h"

class QAction;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QMenu;
class QSpinBox;
class QTableWidget;
class QToolButton;

namespace kelmar::gui {

class FrozenColumns;
struct Services;

class TMRunOptiDialog : public QDialog {
  Q_OBJECT
public:
  // The item selection is changed in place (it counts even when the dialog
  // is cancelled); onItemsChanged follows every change.
  TMRunOptiDialog(Services& s, MultiRunOptions& opt, int jobs, std::function<void()> onItemsChanged,
                  QWidget* parent = nullptr);
  void toggleItem(int item); // 1..76
  void setGroup(int g, bool on);
  void setAll(bool on);
  QString enviDir() const;
  bool saveResults() const;
  bool overwrite() const;
  int jobs() const;
  QString statusText() const;
  QTableWidget* grid() const { return grid_; }

private:
  void itemsChanged();
  Services& s_;
  MultiRunOptions& opt_;
  std::function<void()> onItemsChanged_;
  QTableWidget* grid_;
  QLabel* dir_;
  QCheckBox* save_;
  QCheckBox* overwrite_;
  QSpinBox* jobs_;
  QLabel* status_;
  QToolButton* groups_[7];
  QToolButton* all_;
};

class TMRunView : public TIniForm {
  Q_OBJECT
public:
  explicit TMRunView(Services& s, QWidget* parent = nullptr);
  ~TMRunView() override;
  int HelpContext() const override { return 2680; }

  void RunClick(int mode);
  void LoadClick();
  void SaveAsClick();
  void ReloadClick();
  void OptionsClick();
  void HistogramClick();
  // The Price sets are about to change: summaries of a Price batch are void.
  void PriceChanged();
  // Stops a batch under way and waits for its worker (the program ends).
  void StopAndWait();
  QString copyText(bool all) const;

  bool busy() const { return worker_.joinable(); }
  int state() const { return mrunState_; }
  const SumGrid& sums() const { return sums_; }
  QString sumFile() const { return sumFile_; }
  QTableWidget* grid() const { return grid_; }
  FrozenColumns* fixedColumns() const { return fixed_.get(); }
  QString statusText() const;
  QString failuresText() const;
  TProgressDlg* progress() const { return progress_; }
  QAction* command(const char* name) const;
  MultiRunOptions& options() { return opt_; }
  int jobs() const { return jobs_; }
  void setJobs(int n) { jobs_ = n; }

  std::function<bool(TMRunOptiDialog&)> execOptions = [](TMRunOptiDialog& d) {
    return d.exec() == QDialog::Accepted;
  };

signals:
  void workFinished();

protected:
  void closeEvent(QCloseEvent* e) override;

private:
  bool guardSummaries();
  void showSums(const QString& file);
  void fillGrid();
  void showStatus();
  void onProgress();
  void onFinished();
  void writeOptions();

  Services& s_;
  MultiRunOptions opt_;
  int jobs_ = 1;
  int32_t mrunState_ = kMRunInvalid;
  bool priceRun_ = false;
  std::vector<int32_t> lineRuns_;
  SumGrid sums_;
  QString sumFile_;
  QTableWidget* grid_;
  std::unique_ptr<FrozenColumns> fixed_;
  QLabel* status_;
  QLabel* failures_;
  QPointer<TProgressDlg> progress_;

  // The batch on the worker thread.
  std::thread worker_;
  std::unique_ptr<Workspace> work_;
  MultiRunJob job_;
  MultiRunOptions runOpt_;
  MultiRunCallbacks cb_;
  MultiRunResult result_;
  std::string error_;
  std::map<std::string, ReplaceAnswer> replies_;
  std::atomic<bool> abort_{false};
  std::atomic<int> pState_{0}, pDone_{0}, pScen_{0}, pEnv_{0};
  std::atomic<bool> posted_{false};
  std::atomic<long long> lastPost_{0};
};

} // namespace kelmar::gui
