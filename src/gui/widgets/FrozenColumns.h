// Leading columns of a table that stay in place while the others scroll
// sideways: a second view over the same model and selection, laid over the
// table's left edge and scrolled vertically with it.
//
// The owner of the table holds it and lets it go before the table: a table
// being destroyed still clears its model, and the overlay must not answer
// that from a half-destroyed table.
#pragma once

#include <QObject>

class QTableView;

namespace kelmar::gui {

class FrozenColumns : public QObject {
  Q_OBJECT
public:
  // The table must have its model.
  explicit FrozenColumns(QTableView* table);
  ~FrozenColumns() override;
  // How many leading columns stay in place; 0 lets every column scroll.
  void setCount(int n);
  int count() const { return count_; }
  // The overlay, for a delegate or edit triggers of its own.
  QTableView* view() const { return frozen_; }
  // Places the overlay again (after the table's geometry changed).
  void layout();

protected:
  bool eventFilter(QObject* obj, QEvent* e) override;

private:
  void sync();

  QTableView* table_;
  QTableView* frozen_;
  int count_ = 0;
};

} // namespace kelmar::gui
