// The week range: the "Modify Range" editor and the year/week selection
// dialog it shares with the series Insert commands.
#pragma once

#include <QDialog>
#include <optional>

#include "help/HelpTopics.h"
#include "widgets/IniForm.h"

class QListWidget;
class QSpinBox;

namespace kelmar {
struct Workspace;
}

namespace kelmar::gui {

// Week n (1..520) as year (n - 1) div 52 + 1 and week (n - 1) mod 52 + 1.
struct YearWeek {
  int year;
  int week;
};
YearWeek SplitWeek(int n);
int JoinWeek(int year, int week);

class TSelectWeekDialog : public QDialog {
  Q_OBJECT
public:
  TSelectWeekDialog(int week, QWidget* parent = nullptr);
  int selectedWeek() const;
  QListWidget* yearList() const { return years_; }
  QListWidget* weekList() const { return weeks_; }

private:
  QListWidget* years_;
  QListWidget* weeks_;
};

// Asks for a week; nothing when cancelled. Replaceable, so that tests and
// the commands that use it need no modal loop.
using SelectWeekFn = std::optional<int> (*)(int week, QWidget* parent);
std::optional<int> ExecSelectWeek(int week, QWidget* parent);

class TRangeDialog : public TMyDialog {
  Q_OBJECT
public:
  TRangeDialog(Workspace& ws, QWidget* parent = nullptr);
  int HelpContext() const override { return kHelpModifyRange; }
  void Refresh() override;
  void Apply() override;
  bool Validate() override;
  QSpinBox* fromInput() const { return from_; }
  QSpinBox* tillInput() const { return till_; }
  void setSelectWeek(SelectWeekFn fn) { selectWeek_ = fn; }

  // "&Reset": the whole range 1..520.
  void ResetClick();
  void FromClick();
  void TillClick();

signals:
  // The range differs from the one last handled: the result windows redraw.
  void rangeChanged();

protected:
  void closeEvent(QCloseEvent* e) override;

private:
  void rangeChangedStep();
  Workspace& ws_;
  QSpinBox* from_;
  QSpinBox* till_;
  int lastFrom_ = -1;
  int lastTill_ = -1;
  bool refreshing_ = false;
  SelectWeekFn selectWeek_ = &ExecSelectWeek;
};

} // namespace kelmar::gui
