// The "Kelmar Options" dialog: the two option words as check boxes, the
// print-to-file switch, and the settings of the N-modelled vs N-measured
// comparison and of printed graphs.
#pragma once

#include <QDialog>
#include <QMap>
#include <memory>

#include "Options.h"
#include "dialogs/UserDialogs.h"

class QCheckBox;
class QButtonGroup;
class QDoubleSpinBox;
class QSpinBox;

namespace kelmar::gui {

class UserDialogs;

class TKelmOptiDialog : public QDialog {
  Q_OBJECT
public:
  // Out-of-range values are reported through `dialogs` (nullptr: message boxes).
  TKelmOptiDialog(Options& options, UserDialogs* dialogs = nullptr, QWidget* parent = nullptr);
  QCheckBox* optiBox(uint32_t bit) const { return opti_.value(bit); }
  QCheckBox* opt2Box(uint32_t bit) const { return opt2_.value(bit); }
  QCheckBox* printToFileBox() const { return printToFile_; }
  QButtonGroup* corrGroup() const { return corr_; }
  QDoubleSpinBox* lowerInput() const { return lower_; }
  QDoubleSpinBox* higherInput() const { return higher_; }
  QSpinBox* scaleInput() const { return scale_; }

  void accept() override;

private:
  // True when every numeric input lies within its limits; otherwise the
  // first one outside them is reported and takes the focus.
  bool checkLimits();
  Options& options_;
  UserDialogs* dialogs_;
  std::unique_ptr<UserDialogs> ownDialogs_;
  QMap<uint32_t, QCheckBox*> opti_;
  QMap<uint32_t, QCheckBox*> opt2_;
  QCheckBox* printToFile_;
  QButtonGroup* corr_;
  QDoubleSpinBox* lower_;
  QDoubleSpinBox* higher_;
  QSpinBox* scale_;
};

} // namespace kelmar::gui
