#include "widgets/FrozenColumns.h"

#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <algorithm>

namespace kelmar::gui {

FrozenColumns::FrozenColumns(QTableView* table) : table_(table), frozen_(new QTableView(table)) {
  frozen_->setObjectName(QStringLiteral("FixedColumns"));
  frozen_->setModel(table->model());
  frozen_->setSelectionModel(table->selectionModel());
  frozen_->setSelectionBehavior(table->selectionBehavior());
  frozen_->setSelectionMode(table->selectionMode());
  frozen_->setEditTriggers(table->editTriggers());
  frozen_->setFocusPolicy(Qt::NoFocus);
  frozen_->setContextMenuPolicy(Qt::NoContextMenu);
  frozen_->verticalHeader()->hide();
  frozen_->verticalHeader()->setDefaultSectionSize(table->verticalHeader()->defaultSectionSize());
  frozen_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  frozen_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  frozen_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  frozen_->setStyleSheet(QStringLiteral("QTableView { border: none; background: palette(button); }"));
  frozen_->hide();
  table->viewport()->stackUnder(frozen_);

  connect(frozen_->verticalScrollBar(), &QScrollBar::valueChanged, table->verticalScrollBar(),
          &QScrollBar::setValue);
  connect(table->verticalScrollBar(), &QScrollBar::valueChanged, frozen_->verticalScrollBar(),
          &QScrollBar::setValue);
  connect(table->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int col, int, int size) {
    frozen_->setColumnWidth(col, size);
    layout();
  });
  connect(table->verticalHeader(), &QHeaderView::sectionResized, this,
          [this](int row, int, int size) { frozen_->setRowHeight(row, size); });
  // Columns come and go with the model (a grid refilled with other items).
  QAbstractItemModel* m = table->model();
  connect(m, &QAbstractItemModel::modelReset, this, &FrozenColumns::sync);
  connect(m, &QAbstractItemModel::columnsInserted, this, &FrozenColumns::sync);
  connect(m, &QAbstractItemModel::columnsRemoved, this, &FrozenColumns::sync);
  table->installEventFilter(this);
}

FrozenColumns::~FrozenColumns() {
  table_->removeEventFilter(this);
  delete frozen_;
}

void FrozenColumns::setCount(int n) {
  count_ = std::max(0, n);
  sync();
}

void FrozenColumns::sync() {
  frozen_->setVisible(count_ > 0);
  const int columns = table_->model() ? table_->model()->columnCount() : 0;
  for (int c = 0; c < columns; ++c) {
    frozen_->setColumnHidden(c, c >= count_);
    frozen_->setColumnWidth(c, table_->columnWidth(c));
  }
  layout();
}

void FrozenColumns::layout() {
  if (!frozen_->isVisible()) return;
  int w = 0;
  const int columns = table_->model() ? table_->model()->columnCount() : 0;
  for (int c = 0; c < count_ && c < columns; ++c) w += table_->columnWidth(c);
  const int f = table_->frameWidth();
  frozen_->setGeometry(f, f, w, table_->viewport()->height() + table_->horizontalHeader()->height());
  frozen_->verticalScrollBar()->setValue(table_->verticalScrollBar()->value());
}

bool FrozenColumns::eventFilter(QObject* obj, QEvent* e) {
  if (obj == table_ && (e->type() == QEvent::Resize || e->type() == QEvent::LayoutRequest)) layout();
  return QObject::eventFilter(obj, e);
}

} // namespace kelmar::gui
