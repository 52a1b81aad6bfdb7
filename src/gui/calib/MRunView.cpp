#include "calib/MRunView.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <chrono>

#include "calib/CalibFiles.h"
#include "calib/CorrWindows.h"
#include "calib/GridText.h"
#include "calib/PriceView.h"
#include "data/Errors.h"
#include "data/FileSystem.h"
#include "data/IniFile.h"
#include "dialogs/UserDialogs.h"
#include "documents/DocumentSet.h"
#include "optim/Histogram.h"
#include "optim/Targets.h"
#include "run/RunControl.h"
#include "session/Companions.h"
#include "session/OptionsIni.h"
#include "shell/Services.h"
#include "shell/WindowRegistry.h"
#include "widgets/CommandBar.h"
#include "widgets/FrozenColumns.h"

namespace kelmar::gui {

namespace {

const QColor kAqua(0x00, 0xff, 0xff);
constexpr long long kProgressIntervalMs = 50;
constexpr const char* kJobsKey = "Jobs";

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

int DefaultJobs() { return std::max(1u, std::thread::hardware_concurrency()); }

} // namespace

// ---- The window ----

TMRunView::TMRunView(Services& s, QWidget* parent) : TIniForm(parent), s_(s) {
  setWindowTitle(QStringLiteral("MultiRun"));
  setObjectName(QStringLiteral("TMRunView"));
  opt_ = ReadMultiRunOptions(s_.ini, s_.ws.state.DataDir);
  jobs_ = static_cast<int>(s_.ini.readInteger(kMultiRunSection, kJobsKey, DefaultJobs()));
  if (jobs_ < 1) jobs_ = DefaultJobs();
  progress_ = new TProgressDlg(s_.dialogs, s_.window);
  connect(progress_, &TProgressDlg::abortRequested, this, [this] { abort_ = true; });

  auto* bar = new CommandBar(this);
  bar->add("SBClose", "Cl&ose", "Close window", QStyle::SP_DialogCloseButton, [this] { frame()->close(); });
  bar->add("SBReload", "R&eload", "Reload selected scenario and environment", QStyle::SP_BrowserReload,
           [this] { ReloadClick(); });
  bar->addSeparator();
  bar->add("SBRunAll", "&Run all", "Run all scenarios in current directory", QStyle::SP_MediaPlay,
           [this] { RunClick(kRunAllScenarios); });
  bar->add("SBMonteCarlo", "&Monte Carlo", "Run current scenario with all environments in a directory",
           QStyle::SP_MediaSeekForward, [this] { RunClick(kRunAllEnvironments); });
  bar->add("SBRunAllPrice", "MultiRun &Price", "MultiRun all Price parametersets",
           QStyle::SP_FileDialogListView, [this] { RunClick(kRunAllPriceSets); });
  bar->add("SBOptions", "O&ptions...", "Change MultiRun options, incl. environment directory",
           QStyle::SP_FileDialogDetailedView, [this] { OptionsClick(); });
  bar->addSeparator();
  // The statistics windows of the summaries come with the correlation windows.
  bar->add("SBHistogram", "&Histogram", "Show histogram of summary values in selected column",
           QStyle::SP_FileDialogInfoView, [this] { HistogramClick(); });
  bar->add("SBCorrMatrix", "&Correlation", "Show correlation matrix", QStyle::SP_FileDialogContentsView,
           [this] {
             if (!guardSummaries()) return;
             if (TIniForm* m = s_.windows->show(QStringLiteral("TCorrMatrx"))) m->Refresh();
           });
  bar->add("SBLoad", "&Load", "Load MultiRun summaries", QStyle::SP_DialogOpenButton,
           [this] { LoadClick(); });
  bar->add("SBFileSaveAs", "&Save As...", "Save the summaries shown", QStyle::SP_DialogSaveButton,
           [this] { SaveAsClick(); });
  bar->addCopyRows([this](bool all) { return copyText(all); }, QKeySequence::Copy);

  grid_ = new QTableWidget(this);
  grid_->setObjectName(QStringLiteral("MRunGrid"));
  grid_->verticalHeader()->hide();
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  bar->openOver(grid_);
  connect(grid_, &QTableWidget::cellDoubleClicked, this, [this] { HistogramClick(); });
  // The lock keeps the run's ID, then also its scenario, then also its
  // environment in view while the summary items scroll past.
  fixed_ = std::make_unique<FrozenColumns>(grid_);
  fixed_->setCount(1);
  auto* lock =
      new QAction(style()->standardIcon(QStyle::SP_TitleBarShadeButton), QStringLiteral("Lock"), this);
  lock->setObjectName(QStringLiteral("SBLock"));
  lock->setToolTip(QStringLiteral("Lock/unlock name column"));
  connect(lock, &QAction::triggered, this, [this] { fixed_->setCount(fixed_->count() % 3 + 1); });
  bar->addAction(lock);
  status_ = NewStatusPanel(this);
  failures_ = new QLabel(this);
  failures_->setWordWrap(true);
  failures_->hide();
  StackParts(this, {bar, grid_, failures_, status_});
  resize(700, 420);
  showStatus();
}

TMRunView::~TMRunView() {
  StopAndWait();
  delete progress_.data();
}

void TMRunView::StopAndWait() {
  if (!worker_.joinable()) return;
  abort_ = true;
  worker_.join();
  if (progress_) progress_->hide();
  mrunState_ = kMRunInvalid;
  showStatus();
}

QAction* TMRunView::command(const char* name) const { return findChild<QAction*>(QString::fromLatin1(name)); }
QString TMRunView::statusText() const { return status_->text(); }
QString TMRunView::failuresText() const { return failures_->isHidden() ? QString() : failures_->text(); }

void TMRunView::showStatus() {
  status_->setText(Q(MultiRunStatusLine(busy() ? kMRunRunning : mrunState_, CountIncluded(opt_.Included))));
}

bool TMRunView::guardSummaries() {
  if (busy()) {
    s_.dialogs.inform(BoxType::Plain, QStringLiteral("Running !"));
    return false;
  }
  if (mrunState_ == kMRunInvalid) {
    s_.dialogs.inform(BoxType::Plain, QStringLiteral("Invalid! Execute, or load summaries, first."));
    return false;
  }
  return true;
}

// ---- Running a batch ----

void TMRunView::RunClick(int mode) {
  if (busy()) {
    s_.dialogs.inform(BoxType::Plain, QStringLiteral("Running !"));
    return;
  }
  const TPriceAlg* price = nullptr;
  if (mode == kRunAllPriceSets) {
    auto* pv = s_.windows->get<TPriceView>(QStringLiteral("TPriceView"));
    if (!pv) {
      s_.dialogs.inform(BoxType::Plain, QStringLiteral("Price algoritm not initialised !"));
      return;
    }
    if (std::string g = PopulationGuard(pv->busy() ? kPriceCreatingSets : pv->alg().PriceState); !g.empty()) {
      s_.dialogs.inform(BoxType::Plain, Q(g));
      return;
    }
    price = &pv->alg();
    QPointer<TMRunView> self(this);
    pv->setReader([self] {
      if (self) self->StopAndWait();
    });
  }
  if (!s_.docs->CommitEditors()) return;
  const auto m = static_cast<MultiRunMode>(mode);
  std::vector<std::string> work;
  try {
    work = MultiRunWork(s_.ws, m, opt_, price);
  } catch (const std::exception& e) {
    s_.dialogs.inform(BoxType::Plain, Q(e.what()));
    return;
  }
  const std::string sumFile = DefaultSumFile(s_.ws, m);
  if (FileExists(sumFile) && !opt_.Overwrite &&
      s_.dialogs.ask(BoxType::Warning, Buttons::YesNo, Q(SumFileExistsQuestion(sumFile)), QString()) !=
          Answer::Yes)
    return;
  // The result files that exist are asked about now, not from the worker.
  replies_.clear();
  runOpt_ = opt_;
  if (runOpt_.SaveRslts && m != kRunAllPriceSets) {
    for (const std::string& item : work) {
      const std::string prn = ChangeFileExt(item, ".PRN");
      if (runOpt_.Overwrite || !FileExists(prn)) continue;
      const std::string q = "Result " + prn + " already exists. Replace ?";
      const Answer a = s_.dialogs.ask(BoxType::Warning, Buttons::YesNoCancel, Q(q), QString());
      if (a == Answer::Cancel) return;
      replies_[q] = a == Answer::Yes ? ReplaceAnswer::Yes : ReplaceAnswer::No;
    }
  }

  work_ = MakeWorkspace();
  *work_ = s_.ws;
  job_ = MultiRunJob{};
  job_.Mode = m;
  job_.SumFile = sumFile;
  job_.Jobs = jobs_;
  job_.Price = price;
  job_.Par = ReadParIncludes(s_.ini);
  job_.Load = LoadScenarioForBatch;
  mrunState_ = kMRunInvalid;
  sumFile_ = Q(sumFile);
  abort_ = false;
  error_.clear();
  posted_ = false;
  lastPost_ = 0;
  pState_ = kMRunStarting;
  pDone_ = 0;
  pScen_ = m == kRunAllEnvironments ? 1 : static_cast<int>(work.size());
  pEnv_ = m == kRunAllEnvironments ? static_cast<int>(work.size()) : 1;
  cb_ = MultiRunCallbacks{};
  cb_.OnProgress = [this](const MultiRunStatus& st) {
    const int before = pState_.exchange(st.MRunState);
    pDone_ = st.DoneRuns;
    pScen_ = st.NScen;
    pEnv_ = st.NEnv;
    const long long now = NowMs();
    if (before != st.MRunState || now - lastPost_ >= kProgressIntervalMs) {
      lastPost_ = now;
      if (!posted_.exchange(true))
        QMetaObject::invokeMethod(
            this, [this] { onProgress(); }, Qt::QueuedConnection);
    }
  };
  cb_.AbortRequested = [this] { return abort_.load(); };
  cb_.AskReplaceResult = [this](const std::string& q) {
    auto it = replies_.find(q);
    return it == replies_.end() ? ReplaceAnswer::No : it->second;
  };
  fillGrid();
  worker_ = std::thread([this] {
    try {
      result_ = RunMultiRun(*work_, job_, runOpt_, cb_);
    } catch (const std::exception& e) {
      error_ = e.what();
      result_ = MultiRunResult{};
    }
    QMetaObject::invokeMethod(
        this, [this] { onFinished(); }, Qt::QueuedConnection);
  });
  showStatus();
  onProgress();
}

void TMRunView::onProgress() {
  posted_ = false;
  if (!busy()) return;
  const int runs = pScen_ * pEnv_;
  if (progress_->isHidden())
    progress_->start(Q(kMultiRunCaption),
                     Q(MultiRunProgressLine({kMRunStarting, pScen_.load(), pEnv_.load(), 0, 0})), runs);
  progress_->setProgress(pDone_);
}

void TMRunView::onFinished() {
  if (!worker_.joinable()) return;
  worker_.join();
  progress_->hide();
  work_.reset();
  opt_.Overwrite = runOpt_.Overwrite;
  QApplication::beep();
  QStringList failed;
  for (const RunFailure& f : result_.Failures) failed << Q(f.item) + QStringLiteral(": ") + Q(f.message);
  failures_->setText(failed.isEmpty() ? QString()
                                      : QStringLiteral("Failed (%1): ").arg(failed.size()) +
                                            failed.join(QStringLiteral("; ")));
  failures_->setVisible(!failed.isEmpty());
  if (!error_.empty()) {
    showStatus();
    s_.dialogs.inform(BoxType::Error, Q(error_));
  } else if (result_.status.MRunState == kMRunShown) {
    priceRun_ = result_.PriceRun;
    lineRuns_ = result_.LineRuns;
    if (result_.SumFileWritten) showSums(sumFile_);
    QApplication::beep();
    mrunState_ = kMRunShown;
    showStatus();
    if (grid_->rowCount() > 0) grid_->setCurrentCell(0, 0);
    if (result_.status.LoadErrors >= 1) s_.dialogs.inform(BoxType::Plain, Q(MultiRunEndMessage(result_)));
  } else {
    mrunState_ = kMRunInvalid;
    showStatus();
    s_.dialogs.inform(BoxType::Plain, Q(MultiRunEndMessage(result_)));
  }
  if (s_.window) {
    if (s_.window->isMinimized()) s_.window->showNormal();
    s_.window->raise();
  }
  emit workFinished();
}

// ---- Summaries ----

void TMRunView::showSums(const QString& file) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  try {
    const SumFileData data = ReadSumFile(file.toStdString());
    sums_ = BuildSumGrid(data, opt_.Included);
  } catch (...) {
    QApplication::restoreOverrideCursor();
    throw;
  }
  QApplication::restoreOverrideCursor();
  fillGrid();
}

void TMRunView::fillGrid() {
  if (mrunState_ == kMRunInvalid && busy()) {
    grid_->setRowCount(0);
    grid_->setColumnCount(0);
    return;
  }
  const int rows = sums_.rows(), cols = sums_.columns();
  grid_->setColumnCount(rows > 0 ? cols : 0);
  grid_->setRowCount(std::max(rows - 1, 0));
  if (rows == 0) return;
  QStringList header;
  for (int c = 0; c < cols; ++c) header << Q(sums_.cell(0, c));
  grid_->setHorizontalHeaderLabels(header);
  for (int r = 1; r < rows; ++r)
    for (int c = 0; c < cols; ++c) {
      auto* item = new QTableWidgetItem(Q(sums_.cell(r, c)));
      if (c >= 3) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      grid_->setItem(r - 1, c, item);
    }
  grid_->resizeColumnsToContents();
}

void TMRunView::LoadClick() {
  if (busy()) {
    s_.dialogs.inform(BoxType::Plain, QStringLiteral("Running !"));
    return;
  }
  const QString name =
      s_.dialogs.openFile({QStringLiteral("Load summaries"), Q(s_.ws.state.DataDir), QStringLiteral("*.SUM"),
                           QStringLiteral("Summaries (*.SUM)"), QStringLiteral("SUM")});
  if (name.isEmpty()) return;
  SumFileData data;
  try {
    data = ReadSumFile(name.toStdString());
  } catch (const std::exception& e) {
    s_.dialogs.inform(BoxType::Error, Q(e.what()));
    return;
  }
  if (data.lines.empty()) return;
  sums_ = BuildSumGrid(data, opt_.Included);
  mrunState_ = kMRunShown;
  priceRun_ = false;
  lineRuns_.clear();
  sumFile_ = name;
  const QFileInfo fi(name);
  const bool inDataDir = QDir(fi.absolutePath()) == QDir(Q(s_.ws.state.DataDir));
  setWindowTitle(QStringLiteral("MultiRun: ") + (inDataDir ? fi.fileName() : fi.absoluteFilePath()));
  failures_->hide();
  fillGrid();
  showStatus();
  grid_->setCurrentCell(0, 0);
}

void TMRunView::SaveAsClick() {
  if (!guardSummaries()) return;
  const QString name = AskSaveName(s_, {QStringLiteral("Save summaries"), Q(s_.ws.state.DataDir),
                                        QFileInfo(sumFile_).fileName(), QStringLiteral("Summaries (*.SUM)"),
                                        QStringLiteral("SUM")});
  if (name.isEmpty() || QFileInfo(name) == QFileInfo(sumFile_)) return;
  try {
    QFile in(sumFile_);
    if (!in.open(QIODevice::ReadOnly)) throw FileError("Cannot read " + sumFile_.toStdString());
    const QByteArray text = in.readAll();
    WriteFileAtomic(name.toStdString(), std::string_view(text.constData(), static_cast<size_t>(text.size())));
  } catch (const std::exception& e) {
    s_.dialogs.inform(BoxType::Error, QStringLiteral("Saving ") + name + QLatin1Char('\r') + Q(e.what()));
  }
}

void TMRunView::ReloadClick() {
  if (!guardSummaries()) return;
  const int row = grid_->currentRow() + 1;
  if (row < 1 || row > sums_.NSumm) {
    s_.dialogs.inform(BoxType::Plain, QStringLiteral("No summary record selected!"));
    return;
  }
  TPriceAlg* price = nullptr;
  if (priceRun_) {
    auto* pv = s_.windows->get<TPriceView>(QStringLiteral("TPriceView"));
    if (!pv) {
      s_.dialogs.inform(BoxType::Plain, QStringLiteral("Price Algoritm dialog must be open!"));
      return;
    }
    if (std::string g = PopulationGuard(pv->busy() ? kPriceCreatingSets : pv->alg().PriceState); !g.empty()) {
      s_.dialogs.inform(BoxType::Plain, Q(g));
      return;
    }
    price = pv->priceAlg();
  }
  if (!s_.docs->CommitEditors()) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const ReloadResult r =
      ReloadSummaryRow(s_.ws, sums_, row, priceRun_, lineRuns_, opt_.EnviDir, price, LoadScenarioForBatch);
  QApplication::restoreOverrideCursor();
  if (r.ran) {
    s_.docs->clearStatus(kScenarioSaved);
    s_.run->AfterRun();
  } else {
    s_.docs->setStatus(kResultsStale);
    s_.docs->RefreshScenarioWindows();
  }
  if (!r.message.empty()) s_.dialogs.inform(BoxType::Error, Q(r.message));
}

void TMRunView::OptionsClick() {
  if (busy()) {
    s_.dialogs.inform(BoxType::Plain, QStringLiteral("Running !"));
    return;
  }
  TMRunOptiDialog d(s_, opt_, jobs_, [this] {
    mrunState_ = kMRunInvalid;
    showStatus();
  });
  if (!execOptions(d)) return;
  opt_.EnviDir = d.enviDir().toStdString();
  opt_.SaveRslts = d.saveResults();
  opt_.Overwrite = d.overwrite();
  jobs_ = d.jobs();
  writeOptions();
}

void TMRunView::PriceChanged() {
  if (!busy() && priceRun_ && mrunState_ == kMRunShown) {
    mrunState_ = kMRunInvalid;
    showStatus();
  }
}

QString TMRunView::copyText(bool all) const { return GridText(*grid_, all); }

void TMRunView::writeOptions() {
  WriteMultiRunOptions(s_.ini, opt_);
  s_.ini.writeInteger(kMultiRunSection, kJobsKey, jobs_);
}

void TMRunView::closeEvent(QCloseEvent* e) {
  if (busy()) {
    s_.dialogs.inform(BoxType::Plain, QStringLiteral("Running !"));
    e->ignore();
    return;
  }
  writeOptions();
  TIniForm::closeEvent(e);
}

} // namespace kelmar::gui

namespace kelmar::gui {

void TMRunView::HistogramClick() {
  if (!guardSummaries()) return;
  Histogram h;
  try {
    h = SummaryHistogram(sums_, grid_->currentColumn());
  } catch (const std::exception& e) {
    s_.dialogs.inform(BoxType::Plain, Q(e.what()));
    return;
  }
  TScatterPlot plot(s_.window);
  plot.setHistogram(h);
  plot.run();
}

} // namespace kelmar::gui
