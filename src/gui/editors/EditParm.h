// The form-style scenario editors: general parameters, the two soil layers,
// the soil parameters of one layer and the subsoil organic matter.
#pragma once

#include "editors/EditForm.h"
#include "help/HelpTopics.h"

class QLineEdit;
class QPushButton;

namespace kelmar::gui {

class TParmDialog : public TFormEditor {
  Q_OBJECT
public:
  explicit TParmDialog(Services& s, QWidget* parent = nullptr);
  int HelpContext() const override { return kHelpScenarioEditor; }
  void Refresh() override;
  void Apply() override;
  // "Envi&File": chooses the environment file loaded with the scenario.
  void chooseEnviFile();
  QLineEdit* titleEdit() const { return title_; }
  QLineEdit* enviEdit() const { return envi_; }

protected:
  QString dirEditName() const override { return QStringLiteral("Parameters"); }

private:
  QLineEdit* title_;
  QLineEdit* envi_;
  QString enviShown_;
};

class TSSOMDialog : public TFormEditor {
  Q_OBJECT
public:
  explicit TSSOMDialog(Services& s, QWidget* parent = nullptr);
  int HelpContext() const override { return kHelpSubSoilOMEditor; }

protected:
  QString dirEditName() const override { return QStringLiteral("SubSoil OM"); }
};

// Adds the "&Undo" button every form editor has.
QPushButton* AddUndoButton(TFormEditor* editor, QWidget* parent);

} // namespace kelmar::gui
