// The "Price Algoritm" window: the population of Price's controlled random
// search as a grid of parameter sets, its commands and the "Price Options"
// dialog. Initialise and Iterate run on a worker thread over the window's own
// copy of the workspace, with the progress dialog; the program's workspace
// takes the best set when the work ends.
#pragma once

#include <QDialog>
#include <QPointer>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include "Workspace.h"
#include "calib/ProgressDlg.h"
#include "optim/PriceAlg.h"
#include "optim/PriceOptions.h"
#include "optim/PriceSets.h"
#include "widgets/IniForm.h"

class QAction;
class QButtonGroup;
class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QMenu;
class QSpinBox;
class QTableWidget;

namespace kelmar {
class PriceSession;
}

namespace kelmar::gui {

struct Services;

// "Price Options": targets, weights, their combination, the constant sum of
// organic matter and the limits of an iteration.
class TPricOptiDialog : public QDialog {
  Q_OBJECT
public:
  TPricOptiDialog(const PriceOptions& o, const std::array<float, kQTRows>& autoWeight,
                  QWidget* parent = nullptr);
  PriceOptions options() const;
  QCheckBox* target(int k) const { return targets_[k]; }
  QDoubleSpinBox* weight(int k) const { return weights_[k]; }
  QButtonGroup* qtType() const { return qtType_; }
  QCheckBox* autoWeigh() const { return autoWeigh_; }
  QCheckBox* keepOM() const { return keepOM_; }
  QSpinBox* iterPerSet() const { return iter_; }
  QDoubleSpinBox* ftol() const { return ftol_; }

private:
  std::array<QCheckBox*, kQTRows> targets_{};
  std::array<QDoubleSpinBox*, kQTRows> weights_{};
  QButtonGroup* qtType_;
  QCheckBox* autoWeigh_;
  QCheckBox* keepOM_;
  QSpinBox* iter_;
  QDoubleSpinBox* ftol_;
};

class TPriceView : public TIniForm {
  Q_OBJECT
public:
  explicit TPriceView(Services& s, QWidget* parent = nullptr);
  ~TPriceView() override;
  int HelpContext() const override { return 2670; }

  void InitialiseClick();
  void IterateClick();
  void CopyCurrentClick();
  void CopyLowestClick();
  void CopyHighestClick();
  void SaveAsClick();
  void OptionsClick();
  void SaveStateClick();
  void ResumeClick();
  void HistogramClick();
  // Ctrl+C of the grid: the selected rows (or all) with the header, tab-separated.
  QString copyText(bool all) const;
  // Sorts by a grid column (0: set order) and refills the grid.
  void sortBy(int column);
  // The fit marks changed: the population is void.
  void ResetParms();
  // ResetParms when there is a population to discard (not while busy).
  void VoidPopulation();

  bool busy() const { return worker_.joinable(); }
  const TPriceAlg& alg() const { return *alg_; }
  // The population, for reloading a line of a MultiRun of its sets.
  TPriceAlg* priceAlg() { return busy() ? nullptr : alg_.get(); }
  const PriceGrid& order() const { return order_; }
  QTableWidget* grid() const { return grid_; }
  QString statusText() const;
  TProgressDlg* progress() const { return progress_; }
  QAction* command(const char* name) const;
  // The next Initialise seeds the random generator with it (else the clock
  // seed of the program's start continues).
  void setSeed(uint32_t seed) { seed_ = seed; }
  // A batch that reads the population: stopped and waited for before the
  // population goes away.
  void setReader(std::function<void()> stopAndWait) { stopReader_ = std::move(stopAndWait); }

  // Shows the options dialog modally; replaceable in tests.
  std::function<bool(TPricOptiDialog&)> execOptions = [](TPricOptiDialog& d) {
    return d.exec() == QDialog::Accepted;
  };

signals:
  // The work on the worker thread ended and its result is shown.
  void workFinished();

protected:
  void closeEvent(QCloseEvent* e) override;

private:
  enum class Work { Initialise, Iterate, Resume };
  bool guard(const std::string& refusal);
  bool prepareWork(); // copies the workspace and checks the measurements
  void startWork(Work w);
  void onProgress(); // on the user interface thread
  void onFinished(); // on the user interface thread
  void fillGrid();
  void showStatus();
  void copyRow(int row);
  void setStateButtons();

  Services& s_;
  std::unique_ptr<Workspace> work_; // the search's own workspace
  std::unique_ptr<TPriceAlg> alg_;
  std::unique_ptr<PriceSession> session_;
  PriceOptions opts_;
  PriceGrid order_;
  std::optional<uint32_t> seed_;
  QTableWidget* grid_;
  QLabel* status_;
  QPointer<TProgressDlg> progress_;
  QAction* sbInit_ = nullptr;
  QAction* sbIter_ = nullptr;

  // The worker and what it reports to the user interface thread.
  std::thread worker_;
  Work work_kind_ = Work::Initialise;
  bool iterateAfterInit_ = false;
  std::string stateFile_;
  std::atomic<bool> abort_{false};
  std::atomic<int> pState_{0}, pSteps_{0};
  std::atomic<float> pMin_{0}, pMax_{0};
  std::atomic<bool> progressPosted_{false};
  std::atomic<long long> lastPost_{0};
  std::string workError_;
  std::function<void()> stopReader_;
};

} // namespace kelmar::gui
