#include "widgets/Grid.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QToolButton>
#include <algorithm>

#include "dialogs/UserDialogs.h"
#include "widgets/FrozenColumns.h"
#include "widgets/NumInput.h"

namespace kelmar::gui {

// ---- Model ----

void GridModel::setColumns(std::vector<GridColumn> columns) {
  beginResetModel();
  columns_ = std::move(columns);
  rowCount_ = rows_();
  endResetModel();
}

void GridModel::setRowSource(std::function<int()> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  rowCount_ = rows_();
  endResetModel();
}

int GridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rowCount_; }

int GridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QString GridModel::cellText(int c, double v) const {
  return QString::fromStdString(GridCellText(column(c).limits, v));
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount_ || index.column() >= columnCountTotal()) return {};
  const GridColumn& col = column(index.column());
  switch (role) {
  case Qt::DisplayRole:
  case Qt::EditRole:
    if (col.limits.type == FieldType::Text) return col.text ? col.text(index.row()) : QString();
    return col.value ? cellText(index.column(), col.value(index.row())) : QString();
  case Qt::TextAlignmentRole:
    return col.limits.type == FieldType::Text ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                                              : QVariant(Qt::AlignRight | Qt::AlignVCenter);
  case Qt::ToolTipRole:
    return col.hint;
  default:
    return {};
  }
}

QVariant GridModel::headerData(int section, Qt::Orientation o, int role) const {
  if (o != Qt::Horizontal || section < 0 || section >= columnCountTotal()) return {};
  if (role == Qt::DisplayRole) return column(section).header;
  if (role == Qt::ToolTipRole) return column(section).hint;
  return {};
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  const GridColumn& col = column(index.column());
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (col.setValue || col.setText) f |= Qt::ItemIsEditable;
  return f;
}

std::optional<QString> GridModel::refusal(int c, const QString& text) const {
  const FieldLimits& l = column(c).limits;
  if (l.type == FieldType::Text) return std::nullopt;
  double v = 0;
  if (ParseUserNumber(text.toStdString(), l.type, v) && l.accepts(v)) return std::nullopt;
  return QString::fromStdString(GridRangeMessage(l));
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !index.isValid() || !(flags(index) & Qt::ItemIsEditable)) return false;
  const GridColumn& col = column(index.column());
  const QString text = value.toString();
  if (col.limits.type == FieldType::Text) {
    col.setText(index.row(), text);
  } else {
    if (refusal(index.column(), text)) return false;
    double v = 0;
    ParseUserNumber(text.toStdString(), col.limits.type, v);
    // An unchanged value is no edit (leaving a cell commits it again).
    if (col.value && static_cast<float>(col.value(index.row())) == static_cast<float>(v)) return true;
    col.setValue(index.row(), v);
  }
  emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
  emit cellEdited(index.row(), index.column());
  return true;
}

void GridModel::reload() {
  beginResetModel();
  rowCount_ = rows_();
  endResetModel();
}

void GridModel::rowsChangedOutside(int first, int last) {
  if (rowCount_ == 0 || columns_.empty()) return;
  first = std::clamp(first, 0, rowCount_ - 1);
  last = std::clamp(last, first, rowCount_ - 1);
  emit dataChanged(index(first, 0), index(last, columnCountTotal() - 1));
}

// ---- Cell editor and delegate ----

GridCellEdit::GridCellEdit(const GridModel* model, int column, QWidget* parent)
    : QLineEdit(parent), model_(model), column_(column) {
  if (model_->column(column_).limits.type != FieldType::Text)
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  else
    setMaxLength(kNameWidth);
}

void GridCellEdit::keyPressEvent(QKeyEvent* e) {
  const FieldType t = model_->column(column_).limits.type;
  if (t != FieldType::Text && FilterNumericKey(this, e, t == FieldType::Real)) {
    e->accept();
    return;
  }
  QLineEdit::keyPressEvent(e);
}

GridDelegate::GridDelegate(UserDialogs& dialogs, QObject* parent)
    : QStyledItemDelegate(parent), dialogs_(dialogs) {}

QWidget* GridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                    const QModelIndex& index) const {
  const auto* model = qobject_cast<const GridModel*>(index.model());
  if (!model) return nullptr;
  auto* e = new GridCellEdit(model, index.column(), parent);
  e->setFrame(false);
  connect(e, &QLineEdit::textEdited, this, &GridDelegate::cellTextEdited);
  return e;
}

void GridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  if (auto* e = qobject_cast<GridCellEdit*>(editor)) {
    // A cell whose editor was opened by typing keeps what was typed.
    if (e->property("kelmarLoaded").toBool()) return;
    e->setText(index.data(Qt::EditRole).toString());
    e->setProperty("kelmarLoaded", true);
  }
}

void GridDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
  if (auto* e = qobject_cast<GridCellEdit*>(editor)) model->setData(index, e->text(), Qt::EditRole);
}

bool GridDelegate::check(GridCellEdit* editor) const {
  const std::optional<QString> msg = editor->refusal();
  if (!msg) return true;
  if (!reporting_) {
    reporting_ = true;
    dialogs_.inform(BoxType::Plain, *msg);
    reporting_ = false;
  }
  editor->selectAll();
  editor->setFocus(Qt::OtherFocusReason);
  return false;
}

bool GridDelegate::eventFilter(QObject* obj, QEvent* e) {
  auto* editor = qobject_cast<GridCellEdit*>(obj);
  if (!editor) return QStyledItemDelegate::eventFilter(obj, e);
  if (e->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(e)->key();
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Return || key == Qt::Key_Enter) {
      if (!check(editor)) return true;
    }
  } else if (e->type() == QEvent::FocusOut) {
    const Qt::FocusReason r = static_cast<QFocusEvent*>(e)->reason();
    if (reporting_) return true;
    if (editor->refusal()) {
      // Leaving the window is not leaving the cell: keep the editor as it is.
      if (r == Qt::ActiveWindowFocusReason || r == Qt::PopupFocusReason) return true;
      // A click into the grid itself is answered by the grid (it keeps the
      // current cell); anywhere else the refusal is reported here.
      QWidget* to = QApplication::focusWidget();
      const bool intoGrid = to && editor->parentWidget() && to == editor->parentWidget()->parentWidget();
      QTimer::singleShot(0, editor, [this, editor, intoGrid] {
        if (intoGrid)
          editor->setFocus(Qt::OtherFocusReason);
        else
          check(editor);
      });
      QApplication::beep();
      return true;
    }
  }
  return QStyledItemDelegate::eventFilter(obj, e);
}

// ---- View ----

GridView::GridView(UserDialogs& dialogs, QWidget* parent)
    : QTableView(parent), delegate_(new GridDelegate(dialogs, this)), lock_(new QToolButton(this)) {
  setItemDelegate(delegate_);
  setSelectionMode(QAbstractItemView::ContiguousSelection);
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                  QAbstractItemView::AnyKeyPressed);
  verticalHeader()->hide();
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  horizontalHeader()->setHighlightSections(false);
  lock_->setObjectName(QStringLiteral("GridLock"));
  lock_->setCheckable(true);
  lock_->setChecked(true);
  lock_->setText(QStringLiteral("Lock"));
  lock_->setToolTip(QStringLiteral("Keep the first column(s) in place while scrolling"));
  lock_->hide();
  connect(lock_, &QToolButton::toggled, this, &GridView::setColumnsLocked);
}

GridView::~GridView() = default;

void GridView::setGridModel(GridModel* model) {
  model_ = model;
  setModel(model);
  for (int c = 0; c < model->columnCountTotal(); ++c) setColumnWidth(c, model->column(c).width);
  frozen_.reset(); // the old overlay goes before the new one covers the table
  frozen_ = std::make_unique<FrozenColumns>(this);
  frozen_->view()->setItemDelegate(delegate_);
  syncFrozen();
}

void GridView::setFixedColumns(int n) {
  fixed_ = std::max(0, n);
  lock_->setVisible(fixed_ > 0);
  syncFrozen();
}

void GridView::setColumnsLocked(bool locked) {
  locked_ = locked;
  if (lock_->isChecked() != locked) lock_->setChecked(locked);
  syncFrozen();
}

void GridView::syncFrozen() {
  if (frozen_) frozen_->setCount(locked_ ? fixed_ : 0);
}

void GridView::updateGeometries() {
  QTableView::updateGeometries();
  if (frozen_) frozen_->layout();
}

GridCellEdit* GridView::openEditor() const {
  if (state() != QAbstractItemView::EditingState) return nullptr;
  return qobject_cast<GridCellEdit*>(indexWidget(currentIndex()));
}

bool GridView::validateEditing() const {
  GridCellEdit* e = openEditor();
  return !e || delegate_->check(e);
}

bool GridView::commitEditing() {
  GridCellEdit* e = openEditor();
  if (!e) return true;
  if (!delegate_->check(e)) return false;
  commitData(e);
  closeEditor(e, QAbstractItemDelegate::NoHint);
  return true;
}

void GridView::goToRow(int row) {
  if (!model_ || row < 0 || row >= model_->rowCount()) return;
  const int col =
      currentIndex().isValid() ? currentIndex().column() : std::min(fixed_, model_->columnCountTotal() - 1);
  const QModelIndex idx = model_->index(row, std::max(0, col));
  setCurrentIndex(idx);
  // Below the visible rows it becomes the bottom row, above them the top row.
  scrollTo(idx, QAbstractItemView::EnsureVisible);
}

std::vector<int> GridView::selectedRowSpan() const {
  std::vector<int> rows;
  const QModelIndexList sel = selectionModel() ? selectionModel()->selectedIndexes() : QModelIndexList{};
  int top = -1, bottom = -1;
  for (const QModelIndex& i : sel) {
    top = top < 0 ? i.row() : std::min(top, i.row());
    bottom = std::max(bottom, i.row());
  }
  if (top < 0) top = bottom = currentRow();
  for (int r = top; r >= 0 && r <= bottom; ++r) rows.push_back(r);
  return rows;
}

void GridView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTableView::currentChanged(current, previous);
  if (current.row() != previous.row() && current.isValid()) emit currentRowChanged(current.row());
}

void GridView::mousePressEvent(QMouseEvent* e) {
  // A refused value keeps its cell: the click only reports it.
  if (GridCellEdit* ed = openEditor(); ed && ed->refusal()) {
    delegate_->check(ed);
    e->accept();
    return;
  }
  QTableView::mousePressEvent(e);
}

void GridView::focusOutEvent(QFocusEvent* e) {
  QTableView::focusOutEvent(e);
  // The cell editor taking the focus is not the grid losing it.
  QWidget* now = QApplication::focusWidget();
  if (now && isAncestorOf(now)) return;
  if (e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason) return;
  emit focusLeft();
}

} // namespace kelmar::gui
