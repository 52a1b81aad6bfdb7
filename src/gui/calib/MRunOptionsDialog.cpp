// The "MultiRun Options" dialog: the summary items shown, the environment
// directory, result files and the number of jobs.
#include "calib/MRunView.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
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

namespace kelmar::gui {

namespace {

const QColor kAqua(0x00, 0xff, 0xff);

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

} // namespace

TMRunOptiDialog::TMRunOptiDialog(Services& s, MultiRunOptions& opt, int jobs,
                                 std::function<void()> onItemsChanged, QWidget* parent)
    : QDialog(parent), s_(s), opt_(opt), onItemsChanged_(std::move(onItemsChanged)) {
  setWindowTitle(QStringLiteral("MultiRun Options"));
  setObjectName(QStringLiteral("TMRunOptiDialog"));
  grid_ = new QTableWidget(kSummaryItemCount, 3, this);
  grid_->setHorizontalHeaderLabels(
      {QStringLiteral("ID"), QStringLiteral("Name"), QStringLiteral("Included")});
  grid_->verticalHeader()->hide();
  grid_->verticalHeader()->setDefaultSectionSize(20);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  for (int i = 1; i <= kSummaryItemCount; ++i) {
    grid_->setItem(i - 1, 0, new QTableWidgetItem(QString::number(i)));
    grid_->setItem(i - 1, 1, new QTableWidgetItem(Q(kSummaryItems[i - 1].name)));
    auto* inc = new QTableWidgetItem;
    inc->setBackground(kAqua);
    inc->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    grid_->setItem(i - 1, 2, inc);
  }
  grid_->setCurrentCell(0, 2);
  connect(grid_, &QTableWidget::cellClicked, this, [this](int r, int c) {
    if (c == 2) toggleItem(r + 1);
  });
  dir_ = new QLabel(Q(opt.EnviDir), this);
  auto* dirButton = new QPushButton(QStringLiteral("*.&Env"), this);
  dirButton->setToolTip(QStringLiteral("Select environment directory"));
  connect(dirButton, &QPushButton::clicked, this, [this] {
    QString d = s_.dialogs.chooseDirectory(QStringLiteral("Environment directory"), dir_->text());
    if (d.isEmpty()) return;
    if (!d.endsWith(QLatin1Char('/'))) d += QLatin1Char('/');
    dir_->setText(d);
  });
  save_ = new QCheckBox(QStringLiteral("Save graph results"), this);
  save_->setChecked(opt.SaveRslts);
  overwrite_ = new QCheckBox(QStringLiteral("Overwrite files without warning"), this);
  overwrite_->setChecked(opt.Overwrite);
  jobs_ = new QSpinBox(this);
  jobs_->setRange(1, 256);
  jobs_->setValue(jobs);
  jobs_->setToolTip(QStringLiteral("Runs made at the same time"));
  auto* groups = new QHBoxLayout;
  for (int g = 0; g < 7; ++g) {
    groups_[g] = new QToolButton(this);
    groups_[g]->setText(Q(kItemGroups[g].caption));
    groups_[g]->setToolTip(Q(kItemGroups[g].hint));
    groups_[g]->setCheckable(true);
    connect(groups_[g], &QToolButton::clicked, this, [this, g](bool on) { setGroup(g, on); });
    groups->addWidget(groups_[g]);
  }
  all_ = new QToolButton(this);
  all_->setText(QStringLiteral("Check all"));
  all_->setCheckable(true);
  connect(all_, &QToolButton::clicked, this, [this](bool on) { setAll(on); });
  groups->addWidget(all_);
  auto* close = new QPushButton(QStringLiteral("&Close"), this);
  close->setToolTip(QStringLiteral("Accept changes and close window"));
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  status_ = new QLabel(this);
  auto* dirRow = new QHBoxLayout;
  dirRow->addWidget(dir_, 1);
  dirRow->addWidget(dirButton);
  auto* jobsRow = new QHBoxLayout;
  jobsRow->addWidget(new QLabel(QStringLiteral("&Jobs:"), this));
  jobsRow->addWidget(jobs_);
  jobsRow->addStretch();
  jobsRow->addWidget(close);
  auto* l = new QVBoxLayout(this);
  l->addWidget(grid_);
  l->addLayout(groups);
  l->addLayout(dirRow);
  l->addWidget(save_);
  l->addWidget(overwrite_);
  l->addLayout(jobsRow);
  l->addWidget(status_);
  resize(360, 520);
  itemsChanged();
}

void TMRunOptiDialog::toggleItem(int item) {
  opt_.Included[item - 1] = !opt_.Included[item - 1];
  itemsChanged();
  if (onItemsChanged_) onItemsChanged_();
}

void TMRunOptiDialog::setGroup(int g, bool on) {
  SetItemGroup(opt_.Included, g, on);
  groups_[g]->setChecked(on);
  itemsChanged();
  if (onItemsChanged_) onItemsChanged_();
}

void TMRunOptiDialog::setAll(bool on) {
  opt_.Included.fill(on);
  for (QToolButton* b : groups_) b->setChecked(on);
  all_->setChecked(on);
  itemsChanged();
  if (onItemsChanged_) onItemsChanged_();
}

void TMRunOptiDialog::itemsChanged() {
  for (int i = 0; i < kSummaryItemCount; ++i)
    grid_->item(i, 2)->setData(Qt::CheckStateRole, opt_.Included[i] ? Qt::Checked : Qt::Unchecked);
  status_->setText(Q(SelectionStatus(opt_.Included)));
}

QString TMRunOptiDialog::enviDir() const { return dir_->text(); }
bool TMRunOptiDialog::saveResults() const { return save_->isChecked(); }
bool TMRunOptiDialog::overwrite() const { return overwrite_->isChecked(); }
int TMRunOptiDialog::jobs() const { return jobs_->value(); }
QString TMRunOptiDialog::statusText() const { return status_->text(); }

} // namespace kelmar::gui
