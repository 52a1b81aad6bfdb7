#include "calib/PriceView.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>
#include <chrono>
#include <vector>

#include "calc/Corr.h"
#include "calib/CalibFiles.h"
#include "calib/CorrWindows.h"
#include "calib/GridText.h"
#include "calib/MRunView.h"
#include "calib/ProgressDlg.h"
#include "data/Errors.h"
#include "data/IniFile.h"
#include "data/TextFormat.h"
#include "dialogs/UserDialogs.h"
#include "documents/DocumentSet.h"
#include "model/Driver.h"
#include "optim/Histogram.h"
#include "optim/Targets.h"
#include "run/RunControl.h"
#include "session/PriceSession.h"
#include "shell/Services.h"
#include "shell/WindowRegistry.h"
#include "widgets/CommandBar.h"

namespace kelmar::gui {

namespace {

const QColor kAqua(0x00, 0xff, 0xff);
// Progress reaches the window at most this often (besides every change of state).
constexpr long long kProgressIntervalMs = 50;

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

} // namespace

// ---- The window ----

TPriceView::TPriceView(Services& s, QWidget* parent) : TIniForm(parent), s_(s), work_(MakeWorkspace()) {
  setWindowTitle(QStringLiteral("Price Algoritm"));
  setObjectName(QStringLiteral("TPriceView"));
  *work_ = s_.ws;
  alg_ = std::make_unique<TPriceAlg>(*work_);
  opts_ = ReadPriceOptions(s_.ini);
  alg_->SetOptions(opts_);
  for (int k = 1; k <= kTargetCount; ++k) alg_->AutoWeight[k] = 1.0f;
  alg_->OnSetNParms = [this] {
    setStateButtons();
    showStatus();
  };
  progress_ = new TProgressDlg(s_.dialogs, s_.window);
  connect(progress_, &TProgressDlg::abortRequested, this, [this] {
    abort_ = true;
    if (session_) session_->RequestAbort();
  });

  auto* bar = new CommandBar(this);
  bar->add("SBFileSaveAs", "&Save As...", "Save parametersets", QStyle::SP_DialogSaveButton,
           [this] { SaveAsClick(); });
  bar->add("SBClose", "Cl&ose", "Close window", QStyle::SP_DialogCloseButton, [this] { frame()->close(); });
  bar->addSeparator();
  bar->add("SBLowest", "Copy &Lowest", "Copy set with lowest target function value", QStyle::SP_ArrowDown,
           [this] { CopyLowestClick(); });
  bar->add("SBHighest", "Copy Hi&ghest", "Copy set with highest target function value", QStyle::SP_ArrowUp,
           [this] { CopyHighestClick(); });
  bar->add("SBCopySet", "Copy C&urrent", "Copy current set", QStyle::SP_ArrowRight,
           [this] { CopyCurrentClick(); })
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
  bar->addSeparator();
  sbInit_ = bar->add("SBInitialise", "I&nitialise", "Initialise Price Algoritm", QStyle::SP_MediaPlay,
                     [this] { InitialiseClick(); });
  sbIter_ = bar->add("SBIterate", "&Iterate", "Iterate Price Algoritm", QStyle::SP_MediaSeekForward,
                     [this] { IterateClick(); });
  sbInit_->setCheckable(true);
  sbIter_->setCheckable(true);
  bar->add("SBSaveState", "Save s&tate...", "Save the search, to resume it later", QStyle::SP_DriveFDIcon,
           [this] { SaveStateClick(); });
  bar->add("SBResume", "&Resume...", "Resume a saved search", QStyle::SP_BrowserReload,
           [this] { ResumeClick(); });
  bar->addSeparator();
  // The windows these open come with the MultiRun and statistics windows.
  bar->add("SBRunAllPrice", "MultiRun &Price", "MultiRun all Price parametersets",
           QStyle::SP_FileDialogListView,
           [this] {
             if (busy() || !guard(PopulationGuard(alg_->PriceState))) return;
             if (auto* m = qobject_cast<TMRunView*>(s_.windows->show(QStringLiteral("TMRunView"))))
               m->RunClick(kRunAllPriceSets);
           })
      ->setEnabled(s_.windows && s_.windows->has(QStringLiteral("TMRunView")));
  bar->add("SBCorrMatrix", "&Correlation", "Show correlation matrix", QStyle::SP_FileDialogContentsView,
           [this] {
             if (busy() || !guard(PopulationGuard(alg_->PriceState))) return;
             if (TIniForm* m = s_.windows->show(QStringLiteral("TCorrMatrix"))) m->Refresh();
           });
  bar->add("SBHistogram", "&Histogram", "Show histogram of parameter", QStyle::SP_FileDialogInfoView,
           [this] { HistogramClick(); });
  bar->add("SBOptions", "O&ptions", "Change Price Algoritm options", QStyle::SP_FileDialogDetailedView,
           [this] { OptionsClick(); });
  bar->addCopyRows([this](bool all) { return copyText(all); }, QKeySequence(Qt::CTRL | Qt::Key_Insert));

  grid_ = new QTableWidget(this);
  grid_->setObjectName(QStringLiteral("PriceGrid"));
  grid_->verticalHeader()->hide();
  grid_->verticalHeader()->setDefaultSectionSize(20);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  bar->openOver(grid_);
  grid_->horizontalHeader()->setSectionsClickable(true);
  connect(grid_, &QTableWidget::cellDoubleClicked, this, [this] { HistogramClick(); });
  connect(grid_->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int c) {
    if (!busy() && alg_->PriceState != kPriceNotInitialised) sortBy(c);
  });
  status_ = NewStatusPanel(this);
  StackParts(this, {bar, grid_, status_});
  resize(640, 420);
  showStatus();
}

TPriceView::~TPriceView() {
  if (stopReader_) stopReader_();
  // The program may end while a search runs: stop it and wait for it.
  if (worker_.joinable()) {
    abort_ = true;
    if (session_) session_->RequestAbort();
    worker_.join();
  }
  delete progress_.data();
}

QAction* TPriceView::command(const char* name) const {
  return findChild<QAction*>(QString::fromLatin1(name));
}

QString TPriceView::statusText() const { return status_->text(); }

void TPriceView::showStatus() {
  if (!busy()) status_->setText(Q(PriceStatusLine(*alg_)));
}

void TPriceView::setStateButtons() {
  const int st = alg_->PriceState;
  sbInit_->setChecked(st >= kPriceSetsEvaluated);
  sbIter_->setChecked(st >= kPriceIterFinished);
}

bool TPriceView::guard(const std::string& refusal) {
  if (refusal.empty()) return true;
  s_.dialogs.inform(BoxType::Plain, Q(refusal));
  return false;
}

// ---- Initialise and Iterate ----

void TPriceView::InitialiseClick() {
  sbInit_->setChecked(alg_->PriceState >= kPriceSetsEvaluated);
  if (busy() || !guard(BusyGuard(alg_->PriceState))) return;
  if (!s_.docs->CommitEditors()) return;
  *work_ = s_.ws;
  session_ = std::make_unique<PriceSession>(*work_, *alg_);
  const PriceStep step = session_->Prepare(opts_, seed_);
  seed_.reset();
  if (!step.ok()) {
    iterateAfterInit_ = false;
    if (step.kind == PriceStep::kModelFault)
      s_.dialogs.inform(BoxType::Error, Q(step.message));
    else
      guard(step.message);
    return;
  }
  startWork(Work::Initialise);
}

void TPriceView::IterateClick() {
  sbIter_->setChecked(alg_->PriceState >= kPriceIterFinished);
  if (busy()) return;
  if (alg_->PriceState == kPriceNotInitialised) {
    iterateAfterInit_ = true;
    InitialiseClick();
    return;
  }
  if (!guard(PopulationGuard(alg_->PriceState))) return;
  if (!s_.docs->CommitEditors()) return;
  *work_ = s_.ws;
  try {
    if (s_.ws.state.DocStatus & kResultsStale) RunModel(*work_);
  } catch (const std::exception& e) {
    s_.dialogs.inform(BoxType::Error, QStringLiteral("Calculating ") + Q(s_.ws.scenario.ScenarioFile) +
                                          QLatin1Char('\r') + Q(e.what()));
    return;
  }
  if (UsableMeasurements(CalcCorr(*work_), alg_->Selected) == 0) {
    guard(std::string(kNoMeasurements));
    return;
  }
  session_.reset();
  startWork(Work::Iterate);
}

void TPriceView::startWork(Work w) {
  // Set numbers are about to change: the summaries of a MultiRun of them are void.
  if (auto* m = s_.windows->get<TMRunView>(QStringLiteral("TMRunView"))) m->PriceChanged();
  work_kind_ = w;
  abort_ = false;
  workError_.clear();
  pState_ = alg_->PriceState;
  pSteps_ = 0;
  progressPosted_ = false;
  lastPost_ = 0;
  // Runs on the worker: keeps what the window shows and asks for a repaint,
  // at every change of state and otherwise at most every 50 ms.
  auto report = [this](const TPriceAlg& a) {
    const int before = pState_.exchange(a.PriceState);
    pSteps_ = a.StepCount;
    pMin_ = a.QTMin[0];
    pMax_ = a.QTMax[0];
    const long long now = NowMs();
    if (before != a.PriceState || now - lastPost_ >= kProgressIntervalMs) {
      lastPost_ = now;
      if (!progressPosted_.exchange(true))
        QMetaObject::invokeMethod(
            this, [this] { onProgress(); }, Qt::QueuedConnection);
    }
  };
  if (session_) {
    session_->OnProgress = report;
    session_->StopRequested = [this] { return abort_.load(); };
  } else {
    alg_->OnProgress = [this, report] {
      report(*alg_);
      return abort_.load();
    };
  }
  status_->setText(QStringLiteral("Running !"));
  worker_ = std::thread([this, w] {
    try {
      if (w == Work::Iterate)
        alg_->Iterate();
      else
        session_->Search(w == Work::Initialise);
    } catch (const std::exception& e) {
      workError_ = e.what();
    }
    QMetaObject::invokeMethod(
        this, [this] { onFinished(); }, Qt::QueuedConnection);
  });
  onProgress();
}

void TPriceView::onProgress() {
  progressPosted_ = false;
  if (!busy()) return;
  const int st = pState_;
  const bool initialising = st <= kPriceSetsEvaluated || work_kind_ == Work::Initialise;
  const int sets = alg_->NSets();
  if (initialising) {
    const QString caption = QStringLiteral("Initializing Price Algoritm");
    if (progress_->isHidden() || progress_->windowTitle() != caption)
      progress_->start(caption, QStringLiteral("Creating %1 initial parametersets...").arg(sets), sets);
  } else {
    const QString caption = QStringLiteral("Iterating Price Algoritm");
    const int trials = sets * alg_->NIterPSet;
    if (progress_->isHidden() || progress_->windowTitle() != caption)
      progress_->start(caption, QStringLiteral("Iterating %1 times...").arg(trials), trials);
    if (st == kPriceIterating)
      progress_->setLine2(QStringLiteral("Target function range: ") + Q(LeftTrim(FmtReal(pMin_, 0, 3))) +
                          QStringLiteral(" - ") + Q(LeftTrim(FmtReal(pMax_, 0, 3))));
  }
  progress_->setProgress(pSteps_);
}

void TPriceView::onFinished() {
  if (!worker_.joinable()) return;
  worker_.join();
  alg_->OnProgress = nullptr;
  progress_->hide();
  const Work w = work_kind_;
  if (session_) session_->OnProgress = nullptr, session_->StopRequested = nullptr;
  setStateButtons();
  QApplication::beep();
  if (!workError_.empty()) {
    iterateAfterInit_ = false;
    s_.dialogs.inform(BoxType::Error, Q(workError_));
  }
  const int st = alg_->PriceState;
  if (st == kPriceNotInitialised) {
    iterateAfterInit_ = false;
    order_.Reset(*alg_);
    fillGrid();
    guard(std::string(kNotInitialised));
  } else if (st == kPriceInitialised || st == kPriceIterated) {
    order_.SortBy(*alg_, PriceGrid::CombinedColumn(*alg_));
    fillGrid();
    QApplication::beep();
    showStatus();
    grid_->setCurrentCell(0, 0);
    copyRow(1);
  }
  showStatus();
  if (s_.window) {
    if (s_.window->isMinimized()) s_.window->showNormal();
    s_.window->raise();
  }
  const bool goOn = iterateAfterInit_ && w == Work::Initialise && st == kPriceInitialised && !abort_;
  iterateAfterInit_ = false;
  emit workFinished();
  if (goOn) IterateClick();
}

// ---- The grid ----

void TPriceView::fillGrid() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const TPriceAlg& a = *alg_;
  if (a.PriceState == kPriceNotInitialised) {
    grid_->clear();
    grid_->setRowCount(0);
    grid_->setColumnCount(0);
    QApplication::restoreOverrideCursor();
    return;
  }
  const int cols = PriceGrid::ColumnCount(a), rows = PriceGrid::RowCount(a);
  const int combined = PriceGrid::CombinedColumn(a);
  // Up to 510 sets by 61 columns: filled without repainting in between, and
  // the widths measured on the first rows only, so that the window stays
  // responsive. A longer text further down (a number with more digits) widens
  // its column by the width of its extra characters: digits are equally wide.
  constexpr int kMeasuredRows = 25;
  grid_->setUpdatesEnabled(false);
  grid_->setColumnCount(cols);
  grid_->setRowCount(rows - 1);
  QStringList header;
  for (int c = 0; c < cols; ++c) header << Q(order_.Cell(a, 0, c));
  grid_->setHorizontalHeaderLabels(header);
  std::vector<qsizetype> measured(static_cast<size_t>(cols)), longest(static_cast<size_t>(cols));
  for (int c = 0; c < cols; ++c) measured[static_cast<size_t>(c)] = header[c].size();
  for (int r = 1; r < rows; ++r)
    for (int c = 0; c < cols; ++c) {
      const QString text = Q(order_.Cell(a, r, c));
      const auto i = static_cast<size_t>(c);
      longest[i] = std::max(longest[i], text.size());
      if (r <= kMeasuredRows) measured[i] = std::max(measured[i], text.size());
      auto* item = new QTableWidgetItem(text);
      item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      if (c == combined) item->setBackground(kAqua);
      grid_->setItem(r - 1, c, item);
    }
  grid_->horizontalHeader()->setResizeContentsPrecision(kMeasuredRows);
  grid_->resizeColumnsToContents();
  const int digit = grid_->fontMetrics().horizontalAdvance(QLatin1Char('0'));
  for (int c = 0; c < cols; ++c) {
    const auto i = static_cast<size_t>(c);
    if (longest[i] > measured[i])
      grid_->setColumnWidth(c, grid_->columnWidth(c) + static_cast<int>(longest[i] - measured[i]) * digit);
  }
  grid_->setUpdatesEnabled(true);
  QApplication::restoreOverrideCursor();
}

void TPriceView::sortBy(int column) {
  const int row = grid_->currentRow() + 1;
  const int set = row >= 1 && row <= alg_->NSets() ? order_.SetOfRow(row) : 0;
  order_.SortBy(*alg_, column);
  fillGrid();
  if (set > 0) grid_->setCurrentCell(order_.RowOfSet(set) - 1, std::max(grid_->currentColumn(), 0));
}

QString TPriceView::copyText(bool all) const { return GridText(*grid_, all); }

// ---- Copying sets into the scenario ----

void TPriceView::copyRow(int row) {
  if (busy() || !guard(PopulationGuard(alg_->PriceState))) return;
  const CopyResult r = CopyCurrent(*alg_, order_, s_.ws, row);
  if (r.kind == CopyResult::kRefused) {
    guard(r.message);
    return;
  }
  // The scenario's parameters changed: it differs from its file.
  s_.docs->clearStatus(kScenarioSaved);
  if (r.kind == CopyResult::kRunFailed) {
    s_.docs->setStatus(kResultsStale);
    s_.docs->RefreshScenarioWindows();
    if (s_.ws.state.ShowMessages) s_.dialogs.inform(BoxType::Error, Q(r.message));
    return;
  }
  s_.run->AfterRun();
}

void TPriceView::CopyCurrentClick() { copyRow(grid_->currentRow() + 1); }

void TPriceView::CopyLowestClick() {
  if (busy() || !guard(PopulationGuard(alg_->PriceState))) return;
  grid_->setCurrentCell(order_.RowOfSet(alg_->QTLowSet[0]) - 1, std::max(grid_->currentColumn(), 0));
  CopyCurrentClick();
}

void TPriceView::CopyHighestClick() {
  if (busy() || !guard(PopulationGuard(alg_->PriceState))) return;
  grid_->setCurrentCell(order_.RowOfSet(alg_->QTHighSet[0]) - 1, std::max(grid_->currentColumn(), 0));
  CopyCurrentClick();
}

// ---- Files ----

void TPriceView::SaveAsClick() {
  if (busy() || !guard(PopulationGuard(alg_->PriceState))) return;
  const QString name =
      AskSaveName(s_, {QStringLiteral("Save Price sets"), Q(s_.ws.state.DataDir),
                       QFileInfo(Q(s_.ws.scenario.ScenarioFile)).completeBaseName() + QStringLiteral(".PS"),
                       QStringLiteral("Price sets (*.PS)"), QStringLiteral("PS")});
  if (name.isEmpty()) return;
  try {
    SavePriceSets(name.toStdString(), *alg_, order_);
  } catch (const std::exception&) {
    s_.dialogs.inform(BoxType::Plain, Q(kSavePriceSetsError));
  }
}

void TPriceView::SaveStateClick() {
  if (busy() || !guard(PopulationGuard(alg_->PriceState))) return;
  const QString name =
      AskSaveName(s_, {QStringLiteral("Save Price search"), Q(s_.ws.state.DataDir),
                       QFileInfo(Q(s_.ws.scenario.ScenarioFile)).completeBaseName() + QStringLiteral(".PST"),
                       QStringLiteral("Price searches (*.PST)"), QStringLiteral("PST")});
  if (name.isEmpty()) return;
  try {
    SavePriceState(name.toStdString(), *alg_);
  } catch (const std::exception& e) {
    s_.dialogs.inform(BoxType::Error, QStringLiteral("Saving ") + name + QLatin1Char('\r') + Q(e.what()));
  }
}

void TPriceView::ResumeClick() {
  if (busy() || !guard(BusyGuard(alg_->PriceState))) return;
  const QString name = s_.dialogs.openFile({QStringLiteral("Resume Price search"), Q(s_.ws.state.DataDir),
                                            QStringLiteral("*.PST"), QStringLiteral("Price searches (*.PST)"),
                                            QStringLiteral("PST")});
  if (name.isEmpty() || !s_.docs->CommitEditors()) return;
  *work_ = s_.ws;
  session_ = std::make_unique<PriceSession>(*work_, *alg_);
  PriceStep step = session_->Prepare(opts_, std::nullopt);
  if (step.ok()) step = session_->UseCheckpoint(name.toStdString());
  if (!step.ok()) {
    session_.reset();
    alg_->SetNParms();
    fillGrid();
    s_.dialogs.inform(step.kind == PriceStep::kRefused ? BoxType::Plain : BoxType::Error, Q(step.message));
    return;
  }
  // The search goes on with the options it was saved with.
  opts_ = alg_->Options();
  startWork(Work::Resume);
}

// ---- Options, marks, closing ----

void TPriceView::OptionsClick() {
  if (busy() || !guard(BusyGuard(alg_->PriceState))) return;
  TPricOptiDialog d(opts_, alg_->AutoWeight, this);
  if (!execOptions(d)) return;
  opts_ = d.options();
  // Written at once as well as on closing, so that the program's shut-down,
  // which saves the INI file before it closes the windows, keeps them.
  WritePriceOptions(s_.ini, opts_);
  alg_->SetOptions(opts_);
  alg_->Recombine();
  if (alg_->PriceState != kPriceNotInitialised) fillGrid();
  showStatus();
}

void TPriceView::ResetParms() {
  if (busy()) return;
  work_->parms = s_.ws.parms;
  alg_->SetNParms();
  order_.Reset(*alg_);
  fillGrid();
  showStatus();
}

void TPriceView::VoidPopulation() {
  if (!busy() && alg_->PriceState != kPriceNotInitialised) ResetParms();
}

void TPriceView::closeEvent(QCloseEvent* e) {
  if (busy()) {
    const int st = pState_;
    guard(st >= kPriceIterStarted ? std::string(kBusyIterating) : std::string(kBusyInitialising));
    e->ignore();
    return;
  }
  if (!guard(BusyGuard(alg_->PriceState))) {
    e->ignore();
    return;
  }
  WritePriceOptions(s_.ini, opts_);
  TIniForm::closeEvent(e);
}

} // namespace kelmar::gui

namespace kelmar::gui {

void TPriceView::HistogramClick() {
  if (busy() || !guard(PopulationGuard(alg_->PriceState))) return;
  Histogram h;
  try {
    h = PriceHistogram(*alg_, grid_->currentColumn());
  } catch (const std::exception& e) {
    guard(e.what());
    return;
  }
  TScatterPlot plot(s_.window);
  plot.setHistogram(h);
  plot.run();
}

} // namespace kelmar::gui
