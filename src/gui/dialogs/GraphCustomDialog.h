// The dialog that changes the appearance of one graph: titles, axis ranges,
// grid, colours, font and the style of each of the four series. It works on
// a private copy of the graph's setup; the caller applies the result on OK.
// One-graph setups (".GSU") are loaded into and saved from the copy.
#pragma once

#include <QDialog>
#include <functional>

#include "data/GraphSetup.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QWidget;

namespace kelmar::gui {

class UserDialogs;

class TFormGrphCust : public QDialog {
  Q_OBJECT
public:
  // `setupDir`: where the Load and Save file dialogs start.
  TFormGrphCust(const GraphSetup& setup, UserDialogs& dialogs, QString setupDir, QWidget* parent = nullptr);
  // The working record as the controls last stored it (after OK: the result).
  const GraphSetup& record() const { return rec_; }
  int currentSeries() const { return cur_; }
  // Copies the controls into the working record; false (after a message)
  // when a range field holds no number.
  bool storeRecord();
  void showRecord();
  void loadSetup();
  void saveSetup();
  void accept() override;

  std::function<void(int)> showHelp;

protected:
  void keyPressEvent(QKeyEvent* e) override;

private:
  void seriesClicked(int id);
  void updateVisibility();
  void paintPanels();
  void chooseColor(QColor& target, const QString& title);
  void chooseFont();

  UserDialogs& dialogs_;
  QString dir_;
  GraphSetup rec_;
  int cur_ = 0;
  // The colours and font the panels show until the record is stored.
  QColor back_, fontColor_, grid_, axis_, line_, point_;
  QFont font_;

  QLineEdit *edit1_, *edit2_, *edit3_, *edit4_, *edit5_, *edit6_, *edit7_, *edit8_;
  QPushButton *panel1_, *panel2_, *panel3_, *panel4_, *panel5_, *panel6_;
  QCheckBox *check1_, *check2_, *check3_, *check4_, *check5_, *check6_, *check7_;
  QComboBox *combo1_, *combo2_, *combo3_;
  QSpinBox *spin1_, *spin2_;
  QButtonGroup* series_;
  QGroupBox *group1_, *lineGroup_, *pointGroup_;
};

// The QFont of a setup's font (size in points) and back.
QFont FontOfSetup(const FontSetup& f);
void FontToSetup(const QFont& font, FontSetup& f);

} // namespace kelmar::gui
