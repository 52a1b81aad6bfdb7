#include "views/SensitivityView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "Workspace.h"
#include "data/Errors.h"
#include "data/FileSystem.h"
#include "dialogs/UserDialogs.h"
#include "optim/PriceOptions.h"
#include "optim/Targets.h"
#include "shell/Services.h"
#include "widgets/TzkGraph.h"

namespace kelmar::gui {

namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

QString Num(double v, int d) { return QString::number(v, 'f', d); }

QSpinBox* Spin(const char* name, int lo, int hi, int value, int step = 1) {
  auto* b = new QSpinBox;
  b->setObjectName(QLatin1String(name));
  b->setRange(lo, hi);
  b->setSingleStep(step);
  b->setValue(value);
  return b;
}

} // namespace

TSensitivityView::TSensitivityView(Services& s, QWidget* parent) : TIniForm(parent), s_(s) {
  setWindowTitle(QStringLiteral("Sensitivity"));
  auto* settings = new QGroupBox(QStringLiteral("Method"));
  auto* form = new QFormLayout(settings);
  method_ = new QComboBox;
  method_->setObjectName(QStringLiteral("Method"));
  method_->addItems(
      {QStringLiteral("Morris (elementary effects)"), QStringLiteral("Sobol (variance indices)")});
  form->addRow(QStringLiteral("&Method:"), method_);
  trajectories_ = Spin("Trajectories", 2, 10000, 20);
  levels_ = Spin("Levels", 2, 100, 4, 2);
  samples_ = Spin("Samples", 2, 1 << 20, 1024);
  seed_ = Spin("Seed", 0, 2147483647, 1);
  jobs_ = Spin("Jobs", 1, 64, std::max(1, static_cast<int>(std::thread::hardware_concurrency())));
  form->addRow(QStringLiteral("&Trajectories r:"), trajectories_);
  form->addRow(QStringLiteral("&Levels p:"), levels_);
  form->addRow(QStringLiteral("&Samples N:"), samples_);
  form->addRow(QStringLiteral("S&eed:"), seed_);
  form->addRow(QStringLiteral("&Jobs:"), jobs_);

  auto* outputs = new QGroupBox(QStringLiteral("Outputs"));
  auto* ol = new QVBoxLayout(outputs);
  outputs_ = new QLineEdit;
  outputs_->setObjectName(QStringLiteral("Outputs"));
  outputs_->setPlaceholderText(QStringLiteral("summary items, e.g. NLeach,NOUT"));
  ol->addWidget(new QLabel(QStringLiteral("Summary items:")));
  ol->addWidget(outputs_);
  ol->addWidget(new QLabel(QStringLiteral("Targets:")));
  auto* tl = new QHBoxLayout;
  for (int k = 1; k <= kTargetCount; ++k) {
    auto* c = new QCheckBox(QString::number(k));
    c->setObjectName(QStringLiteral("Target%1").arg(k));
    c->setToolTip(Q(TargetCaption(k)));
    c->setChecked(k <= 5);
    targets_[k - 1] = c;
    tl->addWidget(c);
  }
  ol->addLayout(tl);
  parms_ = new QLabel;
  parms_->setObjectName(QStringLiteral("Parameters"));
  runs_ = new QLabel;
  runs_->setObjectName(QStringLiteral("Runs"));
  ol->addWidget(parms_);
  ol->addWidget(runs_);
  ol->addStretch();

  run_ = new QPushButton(QStringLiteral("&Run"));
  run_->setObjectName(QStringLiteral("Run"));
  abort_ = new QPushButton(QStringLiteral("&Abort"));
  abort_->setObjectName(QStringLiteral("Abort"));
  save_ = new QPushButton(QStringLiteral("Sa&ve CSV..."));
  save_->setObjectName(QStringLiteral("SaveCsv"));
  progress_ = new QProgressBar;
  progress_->setObjectName(QStringLiteral("Progress"));
  status_ = new QLabel;
  status_->setObjectName(QStringLiteral("Status"));
  status_->setWordWrap(true);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(run_);
  buttons->addWidget(abort_);
  buttons->addWidget(save_);
  buttons->addWidget(progress_, 1);

  table_ = new QTableWidget;
  table_->setObjectName(QStringLiteral("Results"));
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->verticalHeader()->setVisible(false);
  chartOutput_ = new QComboBox;
  chartOutput_->setObjectName(QStringLiteral("ChartOutput"));
  chart_ = new TzkGraph;
  chart_->setObjectName(QStringLiteral("Chart"));
  chart_->setMinimumSize(320, 240);
  auto* chartBox = new QWidget;
  auto* cl = new QVBoxLayout(chartBox);
  cl->setContentsMargins(0, 0, 0, 0);
  auto* chooser = new QHBoxLayout;
  chooser->addWidget(new QLabel(QStringLiteral("Chart of:")));
  chooser->addWidget(chartOutput_, 1);
  cl->addLayout(chooser);
  cl->addWidget(chart_, 1);
  auto* split = new QSplitter;
  split->addWidget(table_);
  split->addWidget(chartBox);
  split->setStretchFactor(0, 1);
  split->setStretchFactor(1, 1);

  auto* top = new QHBoxLayout;
  top->addWidget(settings);
  top->addWidget(outputs, 1);
  auto* main = new QVBoxLayout(this);
  main->addLayout(top);
  main->addLayout(buttons);
  main->addWidget(status_);
  main->addWidget(split, 1);

  timer_ = new QTimer(this);
  timer_->setInterval(50);
  connect(timer_, &QTimer::timeout, this, &TSensitivityView::poll);
  connect(run_, &QPushButton::clicked, this, &TSensitivityView::run);
  connect(abort_, &QPushButton::clicked, this, &TSensitivityView::abort);
  connect(save_, &QPushButton::clicked, this, &TSensitivityView::saveCsv);
  connect(method_, &QComboBox::currentIndexChanged, this, [this] { methodChanged(); });
  for (QSpinBox* b : {trajectories_, samples_})
    connect(b, &QSpinBox::valueChanged, this, [this] { Refresh(); });
  connect(chartOutput_, &QComboBox::currentIndexChanged, this, [this] { showChart(); });
  methodChanged();
  setBusy(false);
  resize(1000, 700);
}

TSensitivityView::~TSensitivityView() {
  abortFlag_ = true;
  if (worker_.joinable()) worker_.join();
}

void TSensitivityView::methodChanged() {
  const bool morris = method_->currentIndex() == 0;
  trajectories_->setEnabled(morris);
  levels_->setEnabled(morris);
  samples_->setEnabled(!morris);
  Refresh();
}

void TSensitivityView::Refresh() {
  const int k = static_cast<int>(MarkedFactors(s_.ws).size());
  parms_->setText(QStringLiteral("Marked parameters: %1").arg(k));
  SensitivitySettings st;
  st.method = method_->currentIndex() == 0 ? SensitivityMethod::Morris : SensitivityMethod::Sobol;
  st.trajectories = trajectories_->value();
  st.samples = samples_->value();
  runs_->setText(QStringLiteral("Model runs: %1").arg(k > 0 ? SensitivityRuns(st, k) : 0));
}

void TSensitivityView::setBusy(bool busy) {
  run_->setEnabled(!busy);
  abort_->setEnabled(busy);
  save_->setEnabled(!busy && !result_.entries.empty());
  for (QWidget* w : std::initializer_list<QWidget*>{method_, seed_, jobs_, outputs_}) w->setEnabled(!busy);
  if (!busy)
    methodChanged();
  else
    for (QWidget* w : std::initializer_list<QWidget*>{trajectories_, levels_, samples_}) w->setEnabled(false);
}

void TSensitivityView::run() {
  if (running()) return;
  std::vector<SensitivityFactor> factors = MarkedFactors(s_.ws);
  if (factors.empty()) {
    s_.dialogs.inform(BoxType::Error, Q(kNoParmsSelected));
    return;
  }
  std::vector<SensitivityOutput> outputs;
  try {
    outputs = ParseSummaryOutputs(outputs_->text().toStdString());
  } catch (const std::invalid_argument& e) {
    s_.dialogs.inform(BoxType::Error, QStringLiteral("Outputs: %1").arg(QString::fromStdString(e.what())));
    return;
  }
  std::array<bool, 10> sel{};
  for (int k = 1; k <= kTargetCount; ++k) sel[k] = targets_[k - 1]->isChecked();
  for (const SensitivityOutput& t : TargetOutputs(sel)) outputs.push_back(t);
  if (outputs.empty()) {
    s_.dialogs.inform(BoxType::Error,
                      QStringLiteral("No outputs selected: give summary items or select targets."));
    return;
  }
  SensitivitySettings st;
  st.method = method_->currentIndex() == 0 ? SensitivityMethod::Morris : SensitivityMethod::Sobol;
  st.trajectories = trajectories_->value();
  st.levels = levels_->value() % 2 == 0 ? levels_->value() : levels_->value() + 1;
  st.samples = samples_->value();
  st.seed = static_cast<uint32_t>(seed_->value());
  st.jobs = jobs_->value();

  try {
    CheckSettings(st, static_cast<int>(factors.size()));
  } catch (const std::invalid_argument& e) {
    s_.dialogs.inform(BoxType::Error, QString::fromStdString(e.what()));
    return;
  }
  base_ = MakeWorkspace();
  *base_ = s_.ws;
  factors_ = factors;
  outputNames_.clear();
  for (const SensitivityOutput& o : outputs) outputNames_.push_back(o.name());
  runsTotal_ = SensitivityRuns(st, static_cast<int>(factors.size()));
  runsDone_ = 0;
  abortFlag_ = false;
  done_ = false;
  error_.clear();
  result_ = {};
  progress_->setRange(0, static_cast<int>(runsTotal_));
  progress_->setValue(0);
  status_->setText(QStringLiteral("Running %1 model runs...").arg(runsTotal_));
  table_->clear();
  table_->setRowCount(0);
  setBusy(true);
  const int nOut = static_cast<int>(outputs.size());
  worker_ = std::thread([this, st, nOut, outputs, factors] {
    SensitivityCallbacks cb;
    cb.Abort = &abortFlag_;
    cb.OnProgress = [this](long done, long) { runsDone_ = done; };
    try {
      pending_ = RunSensitivity(factors, nOut, st, ModelEvaluators(*base_, factors, outputs), cb);
    } catch (const std::exception& e) {
      error_ = e.what();
    }
    done_ = true;
  });
  timer_->start();
}

void TSensitivityView::abort() {
  if (running()) {
    abortFlag_ = true;
    status_->setText(QStringLiteral("Aborting..."));
  }
}

void TSensitivityView::poll() {
  progress_->setValue(static_cast<int>(runsDone_.load()));
  if (!done_.load()) return;
  timer_->stop();
  worker_.join();
  base_.reset();
  result_ = std::move(pending_);
  pending_ = {};
  progress_->setValue(static_cast<int>(result_.done));
  setBusy(false);
  if (!error_.empty()) {
    status_->setText(QString::fromStdString(error_));
    s_.dialogs.inform(BoxType::Error, QString::fromStdString(error_));
  } else {
    showResult();
  }
  emit finished();
}

void TSensitivityView::showResult() {
  QString text = Q(SensitivitySummaryLine(result_));
  if (!result_.failures.empty())
    text += QStringLiteral("; first failure: ") +
            DisplayText(QString::fromStdString(result_.failures.front().message));
  status_->setText(text);
  save_->setEnabled(!result_.entries.empty());
  const bool morris = result_.method == SensitivityMethod::Morris;
  const QStringList head =
      morris ? QStringList{QStringLiteral("Parameter"), QStringLiteral("Output"), QStringLiteral("mu*"),
                           QStringLiteral("+/-"),       QStringLiteral("mu"),     QStringLiteral("sigma"),
                           QStringLiteral("Effects")}
             : QStringList{QStringLiteral("Parameter"), QStringLiteral("Output"), QStringLiteral("ST"),
                           QStringLiteral("+/-"),       QStringLiteral("S1"),     QStringLiteral("+/-"),
                           QStringLiteral("Samples")};
  table_->setColumnCount(static_cast<int>(head.size()));
  table_->setHorizontalHeaderLabels(head);
  const std::vector<SensitivityEntry> ranked = RankedEntries(result_);
  table_->setRowCount(static_cast<int>(ranked.size()));
  for (int row = 0; row < static_cast<int>(ranked.size()); ++row) {
    const SensitivityEntry& e = ranked[row];
    const double values[] = {morris ? e.muStar : e.st, morris ? e.muStarConf : e.stConf, morris ? e.mu : e.s1,
                             morris ? e.sigma : e.s1Conf};
    table_->setItem(row, 0, new QTableWidgetItem(QString::fromStdString(factors_[e.factor].name)));
    table_->setItem(row, 1, new QTableWidgetItem(QString::fromStdString(outputNames_[e.output])));
    for (int c = 0; c < 4; ++c) {
      auto* item = new QTableWidgetItem(Num(values[c], morris ? 4 : 3));
      item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      table_->setItem(row, 2 + c, item);
    }
    auto* n = new QTableWidgetItem(QString::number(e.used));
    n->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    table_->setItem(row, 6, n);
  }
  table_->resizeColumnsToContents();
  const QSignalBlocker block(chartOutput_);
  chartOutput_->clear();
  for (const std::string& n : outputNames_) chartOutput_->addItem(QString::fromStdString(n));
  showChart();
}

void TSensitivityView::showChart() {
  const int o = chartOutput_->currentIndex();
  if (o < 0 || result_.entries.empty()) return;
  GraphSetup setup = chart_->setup();
  FillSensitivityGraph(result_, factors_, outputNames_[o], o, setup, chart_->data());
  chart_->setSetup(setup);
  chart_->dataChanged();
}

void TSensitivityView::saveCsv() {
  if (result_.entries.empty()) return;
  FileRequest req{QStringLiteral("Save sensitivity results"), QString::fromStdString(s_.ws.state.CurrentDir),
                  QStringLiteral("SENSITIVITY.CSV"), QStringLiteral("CSV files (*.CSV *.csv)"),
                  QStringLiteral("CSV")};
  const QString path = s_.dialogs.saveFile(req);
  if (path.isEmpty()) return;
  if (QFileInfo::exists(path) &&
      s_.dialogs.ask(BoxType::Warning, Buttons::OkCancel,
                     QStringLiteral("File ") + path + QStringLiteral(" already exists. Replace ?"),
                     QString()) != Answer::Ok)
    return;
  try {
    WriteFileAtomic(path.toStdString(), SensitivityCsv(result_, factors_, outputNames_));
    status_->setText(QStringLiteral("Saved %1").arg(path));
  } catch (const FileError& e) {
    s_.dialogs.inform(BoxType::Error, DisplayText(QString::fromStdString(e.what())));
  }
}

} // namespace kelmar::gui
