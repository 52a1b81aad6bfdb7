// The soil editor (names, thickness, initial Fi and initial Nmin of both
// layers, library soils) and the soil parameters of one layer.
#pragma once

#include <QPointer>

#include "editors/EditForm.h"
#include "help/HelpTopics.h"

class QLineEdit;

namespace kelmar::gui {

class TSoilParmDialog;

class TSoilDialog : public TFormEditor {
  Q_OBJECT
public:
  explicit TSoilDialog(Services& s, QWidget* parent = nullptr);
  ~TSoilDialog() override;
  int HelpContext() const override { return kHelpSoilEditor; }
  // "&TopSoil" / "&SubSoil": a soil of the library for layer 1 or 2.
  void selectSoil(int layer);
  // "P&arms 1" / "Par&ms 2": the soil parameters of a layer (a modal window).
  TSoilParmDialog* editParameters(int layer);
  TSoilParmDialog* parameterDialog() const { return parms_; }
  QLineEdit* nameEdit(int layer) const { return layer == 1 ? name1_ : name2_; }

protected:
  QString dirEditName() const override { return QStringLiteral("Soil"); }

private:
  QLineEdit* name1_;
  QLineEdit* name2_;
  QPointer<TSoilParmDialog> parms_;
};

class TSoilParmDialog : public TFormEditor {
  Q_OBJECT
public:
  TSoilParmDialog(Services& s, int layer, QWidget* parent = nullptr);
  int layer() const { return layer_; }
  int HelpContext() const override { return kHelpSoilEditor; }

protected:
  QString dirEditName() const override { return QStringLiteral("SoilParameters"); }
  void keyPressEvent(QKeyEvent* e) override;

private:
  int layer_;
};

// Places a modal editor of the main window: `top` pixels below the top of
// the frame, centred horizontally on the screen.
void PlaceModal(QWidget* dialog, QWidget* frame, int top);

} // namespace kelmar::gui
