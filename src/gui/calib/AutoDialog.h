// The "Parameter Fitting" window: the 51 fittable parameters with their
// fitting ranges and fit marks, edited in place under the table's limits, and
// the commands of manual fitting (step, backup, restore) and of .PAR files.
#pragma once

#include <QDialog>
#include <functional>

#include "widgets/IniForm.h"

class QAction;
class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QMenu;
class QTableWidget;

namespace kelmar::gui {

struct Services;

// "Parameter fitting options": FitDelta and which columns a .PAR file loaded
// from the fitting window supplies (INI section "Parameter Options").
class TParmOptiDialog : public QDialog {
  Q_OBJECT
public:
  TParmOptiDialog(Services& s, QWidget* parent = nullptr);
  // Stores FitDelta and writes the four keys.
  void Accept();
  QDoubleSpinBox* deltaInput() const { return delta_; }
  QCheckBox* box(int i) const { return boxes_[i]; } // 0 Value, 1 Lower, 2 Upper, 3 Fit

private:
  Services& s_;
  QDoubleSpinBox* delta_;
  QCheckBox* boxes_[4];
};

class TAutoDialog : public TMyDialog {
  Q_OBJECT
public:
  enum Column { kName = 0, kLower = 1, kValue = 2, kUpper = 3, kFit = 4 };

  explicit TAutoDialog(Services& s, QWidget* parent = nullptr);
  void Refresh() override;
  void Apply() override;
  // Validates the cell being edited (always accepted after correction).
  bool Validate() override;

  QTableWidget* grid() const { return grid_; }
  QString statusText() const;
  QMenu* popupMenu() const { return popup_; }

  // Selects a cell the way a click does: a pending edit is validated first.
  void selectCell(int row, int col);
  // Types text into a text cell and validates it, as Enter does.
  void enterText(int row, int col, const QString& text);
  void toggleMark(int row);

  void LoadClick();
  void SaveAsClick();
  void CheckAllClick();
  void OptionsClick();

  // Shows the options dialog modally; replaceable in tests.
  std::function<bool(TParmOptiDialog&)> execOptions = [](TParmOptiDialog& d) {
    return d.exec() == QDialog::Accepted;
  };
  // The fit marks or ranges may have changed: the Price population is void.
  std::function<void()> onMarksChanged;

protected:
  bool eventFilter(QObject* obj, QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

private:
  void fillRow(int row);
  void commitCell(int row, int col, const QString& text);
  void marksChanged();
  void showCount();

  Services& s_;
  QTableWidget* grid_;
  QLabel* status_;
  QMenu* popup_;
  QString oldText_;
  bool filling_ = false;
  bool checkAllMarks_ = true; // what the next Check all does
};

} // namespace kelmar::gui
