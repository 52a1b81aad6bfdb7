// The "Kelmar Options" dialog: the two option words as check boxes, the
// print-to-file switch, and the settings of the N-modelled vs N-measured
// comparison and of printed graphs.
#pragma once

#include <QDialog>
#include <QMap>

#include "Options.h"

class QCheckBox;
class QButtonGroup;
class QDoubleSpinBox;
class QSpinBox;

namespace kelmar::gui {

class TKelmOptiDialog : public QDialog {
  Q_OBJECT
public:
  TKelmOptiDialog(Options& options, QWidget* parent = nullptr);
  QCheckBox* optiBox(uint32_t bit) const { return opti_.value(bit); }
  QCheckBox* opt2Box(uint32_t bit) const { return opt2_.value(bit); }
  QCheckBox* printToFileBox() const { return printToFile_; }
  QButtonGroup* corrGroup() const { return corr_; }
  QDoubleSpinBox* lowerInput() const { return lower_; }
  QDoubleSpinBox* higherInput() const { return higher_; }
  QSpinBox* scaleInput() const { return scale_; }

  void accept() override;

private:
  Options& options_;
  QMap<uint32_t, QCheckBox*> opti_;
  QMap<uint32_t, QCheckBox*> opt2_;
  QCheckBox* printToFile_;
  QButtonGroup* corr_;
  QDoubleSpinBox* lower_;
  QDoubleSpinBox* higher_;
  QSpinBox* scale_;
};

} // namespace kelmar::gui
