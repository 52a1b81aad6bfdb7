// The record grids of the editors: a table model whose columns are read from
// and written to the workspace's records through accessors (the grid holds
// no copy of the data), a cell editor with the numeric key filter, a delegate
// that refuses a value outside its column's limits with the column's
// message, and a view with fixed leading columns that a lock button frees.
#pragma once

#include <QAbstractTableModel>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QTableView>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "data/FieldLimits.h"

class QToolButton;

namespace kelmar::gui {

class UserDialogs;

struct GridColumn {
  QString header;
  QString hint;
  FieldLimits limits;
  int width = 64;
  // Numeric columns: the value of a row and its store. Text columns: text
  // and setText. A column without a store is read-only.
  std::function<double(int row)> value = {};
  std::function<void(int row, double v)> setValue = {};
  std::function<QString(int row)> text = {};
  std::function<void(int row, const QString& t)> setText = {};
};

class GridModel : public QAbstractTableModel {
  Q_OBJECT
public:
  explicit GridModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}
  void setColumns(std::vector<GridColumn> columns);
  // The number of rows, asked for at every reset.
  void setRowSource(std::function<int()> rows);
  const GridColumn& column(int c) const { return columns_[static_cast<size_t>(c)]; }
  int columnCountTotal() const { return static_cast<int>(columns_.size()); }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation o, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // Stores a text typed into a cell; false (and nothing stored) when the
  // column refuses it.
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

  // The message that refuses `text` in column c, or nothing when it passes.
  std::optional<QString> refusal(int c, const QString& text) const;
  // The cell text of a value in column c.
  QString cellText(int c, double v) const;
  // Re-reads every cell from the records.
  void reload();
  // Re-reads rows first..last.
  void rowsChangedOutside(int first, int last);

signals:
  // A user's edit reached the records.
  void cellEdited(int row, int column);

private:
  std::vector<GridColumn> columns_;
  std::function<int()> rows_ = [] { return 0; };
  int rowCount_ = 0;
};

// The editor of a grid cell.
class GridCellEdit : public QLineEdit {
  Q_OBJECT
public:
  GridCellEdit(const GridModel* model, int column, QWidget* parent);
  // The refusal message of the current text, or nothing.
  std::optional<QString> refusal() const { return model_->refusal(column_, text()); }

protected:
  void keyPressEvent(QKeyEvent* e) override;

private:
  const GridModel* model_;
  int column_;
};

class GridDelegate : public QStyledItemDelegate {
  Q_OBJECT
public:
  GridDelegate(UserDialogs& dialogs, QObject* parent);
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
  // Checks an open cell editor; a refused value is reported (plain box) and
  // the editor keeps the focus.
  bool check(GridCellEdit* editor) const;

signals:
  // The user typed into a cell editor (the edit is pending until committed).
  void cellTextEdited();

protected:
  bool eventFilter(QObject* obj, QEvent* e) override;

private:
  UserDialogs& dialogs_;
  mutable bool reporting_ = false;
};

class FrozenColumns;

class GridView : public QTableView {
  Q_OBJECT
public:
  GridView(UserDialogs& dialogs, QWidget* parent = nullptr);
  ~GridView() override;
  void setGridModel(GridModel* model);
  GridModel* gridModel() const { return model_; }
  GridDelegate* delegate() const { return delegate_; }

  // Leading columns that stay in place while the others scroll; the lock
  // button frees them.
  void setFixedColumns(int n);
  int fixedColumns() const { return fixed_; }
  void setColumnsLocked(bool locked);
  bool columnsLocked() const { return locked_; }
  QToolButton* lockButton() const { return lock_; }

  // The open cell editor, if any.
  GridCellEdit* openEditor() const;
  // Checks the open cell editor (true when none is open).
  bool validateEditing() const;
  // Checks and stores the open cell editor, then closes it; false when its
  // value is refused (the editor stays open).
  bool commitEditing();
  // The current row, or -1.
  int currentRow() const { return currentIndex().isValid() ? currentIndex().row() : -1; }
  // Makes `row` current (keeping the column) and scrolls only as far as needed.
  void goToRow(int row);
  // The rows of the selection, top to bottom (the current row when nothing
  // is selected).
  std::vector<int> selectedRowSpan() const;

signals:
  void currentRowChanged(int row);
  void focusLeft();

protected:
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void focusOutEvent(QFocusEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void updateGeometries() override;

private:
  void syncFrozen();

  GridModel* model_ = nullptr;
  GridDelegate* delegate_;
  std::unique_ptr<FrozenColumns> frozen_;
  QToolButton* lock_;
  int fixed_ = 0;
  bool locked_ = true;
};

} // namespace kelmar::gui
