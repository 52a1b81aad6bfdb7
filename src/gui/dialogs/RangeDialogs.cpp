#include "dialogs/RangeDialogs.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "Workspace.h"

namespace kelmar::gui {

YearWeek SplitWeek(int n) {
  n = std::clamp(n, 1, 520);
  return {(n - 1) / 52 + 1, (n - 1) % 52 + 1};
}

int JoinWeek(int year, int week) { return (year - 1) * 52 + week; }

TSelectWeekDialog::TSelectWeekDialog(int week, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Select Week"));
  years_ = new QListWidget(this);
  weeks_ = new QListWidget(this);
  for (int y = 1; y <= 10; ++y) years_->addItem(QString::number(y));
  for (int w = 1; w <= 52; ++w) weeks_->addItem(QString::number(w));
  const YearWeek yw = SplitWeek(week);
  years_->setCurrentRow(yw.year - 1);
  weeks_->setCurrentRow(yw.week - 1);
  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(QStringLiteral("Year"), this), 0, 0);
  grid->addWidget(new QLabel(QStringLiteral("Week"), this), 0, 1);
  grid->addWidget(years_, 1, 0);
  grid->addWidget(weeks_, 1, 1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(years_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
  connect(weeks_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
  auto* v = new QVBoxLayout(this);
  v->addLayout(grid);
  v->addWidget(buttons);
}

int TSelectWeekDialog::selectedWeek() const {
  return JoinWeek(std::max(0, years_->currentRow()) + 1, std::max(0, weeks_->currentRow()) + 1);
}

std::optional<int> ExecSelectWeek(int week, QWidget* parent) {
  TSelectWeekDialog dlg(week, parent);
  if (dlg.exec() != QDialog::Accepted) return std::nullopt;
  return dlg.selectedWeek();
}

TRangeDialog::TRangeDialog(Workspace& ws, QWidget* parent) : TMyDialog(parent), ws_(ws) {
  setWindowTitle(QStringLiteral("Modify Range"));
  from_ = new QSpinBox(this);
  till_ = new QSpinBox(this);
  for (QSpinBox* s : {from_, till_}) {
    s->setRange(1, 520);
    s->setKeyboardTracking(true);
    connect(s, &QSpinBox::valueChanged, this, [this] {
      if (!refreshing_) setModified(true);
    });
    // Leaving an input applies the dialog.
    connect(s, &QSpinBox::editingFinished, this, [this] {
      if (!modified() || !Validate()) return;
      Apply();
      rangeChangedStep();
    });
  }
  auto* fromBtn = new QPushButton(QStringLiteral("&From"), this);
  fromBtn->setToolTip(QStringLiteral("Select starting week for range"));
  auto* tillBtn = new QPushButton(QStringLiteral("&Till"), this);
  tillBtn->setToolTip(QStringLiteral("Select ending week for range"));
  auto* resetBtn = new QPushButton(QStringLiteral("&Reset"), this);
  resetBtn->setToolTip(QStringLiteral("Restore to maximum range (1-520)"));
  auto* closeBtn = new QPushButton(QStringLiteral("Close"), this);
  for (QPushButton* b : {fromBtn, tillBtn, resetBtn}) b->setStatusTip(b->toolTip());
  connect(fromBtn, &QPushButton::clicked, this, &TRangeDialog::FromClick);
  connect(tillBtn, &QPushButton::clicked, this, &TRangeDialog::TillClick);
  connect(resetBtn, &QPushButton::clicked, this, &TRangeDialog::ResetClick);
  connect(closeBtn, &QPushButton::clicked, this, &QWidget::close);
  auto* grid = new QGridLayout(this);
  grid->addWidget(fromBtn, 0, 0);
  grid->addWidget(from_, 0, 1);
  grid->addWidget(tillBtn, 1, 0);
  grid->addWidget(till_, 1, 1);
  auto* row = new QHBoxLayout;
  row->addWidget(resetBtn);
  row->addWidget(closeBtn);
  grid->addLayout(row, 2, 0, 1, 2);
  Refresh();
  lastFrom_ = ws_.state.RangeFrom;
  lastTill_ = ws_.state.RangeTill;
}

void TRangeDialog::Refresh() {
  refreshing_ = true;
  from_->setValue(ws_.state.RangeFrom);
  till_->setValue(ws_.state.RangeTill);
  refreshing_ = false;
  setModified(false);
}

void TRangeDialog::Apply() {
  ws_.state.RangeFrom = from_->value();
  ws_.state.RangeTill = till_->value();
  setModified(false);
}

bool TRangeDialog::Validate() { return from_->hasAcceptableInput() && till_->hasAcceptableInput(); }

void TRangeDialog::rangeChangedStep() {
  ProgramState& st = ws_.state;
  if (st.RangeFrom > st.RangeTill) st.RangeTill = st.RangeFrom;
  if (st.RangeFrom == lastFrom_ && st.RangeTill == lastTill_) {
    Refresh();
    return;
  }
  lastFrom_ = st.RangeFrom;
  lastTill_ = st.RangeTill;
  Refresh();
  emit rangeChanged();
}

void TRangeDialog::ResetClick() {
  ws_.state.RangeFrom = 1;
  ws_.state.RangeTill = 520;
  rangeChangedStep();
}

void TRangeDialog::FromClick() {
  if (auto w = selectWeek_(ws_.state.RangeFrom, this)) {
    ws_.state.RangeFrom = *w;
    rangeChangedStep();
  }
}

void TRangeDialog::TillClick() {
  if (auto w = selectWeek_(ws_.state.RangeTill, this)) {
    ws_.state.RangeTill = *w;
    rangeChangedStep();
  }
}

void TRangeDialog::closeEvent(QCloseEvent* e) {
  if (Validate() && modified()) {
    Apply();
    rangeChangedStep();
  }
  TMyDialog::closeEvent(e);
}

} // namespace kelmar::gui
