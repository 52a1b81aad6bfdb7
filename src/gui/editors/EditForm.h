// The base of the form-style scenario editors: numeric inputs built from a
// field table, the editor protocol over them, Undo, and the target a
// Directory Edit takes from the focused input. Only inputs whose text was
// changed since the last Refresh are stored, so a value is never rounded to
// the shown decimals by merely opening and applying an editor.
#pragma once

#include <QPointer>
#include <vector>

#include "data/ScenarioFields.h"
#include "session/DirectoryEdit.h"
#include "widgets/IniForm.h"

class QGridLayout;
class QLabel;
class QLineEdit;

namespace kelmar::gui {

struct Services;
class TzkNumInp;

// An editor Directory Edit can work from.
class DirEditSource {
public:
  virtual ~DirEditSource() = default;
  // The target of the focused control; false when it names none.
  virtual bool dirEditTarget(DirEditTarget& t) = 0;
};

class TFormEditor : public TMyDialog, public DirEditSource {
  Q_OBJECT
public:
  TFormEditor(Services& s, QWidget* parent = nullptr);
  void Refresh() override;
  void Apply() override;
  // Checks every changed input; the first refused one is reported and takes
  // the focus.
  bool Validate() override;
  // Discards every change since the last Refresh or Apply.
  void Undo();
  bool dirEditTarget(DirEditTarget& t) override;
  TzkNumInp* input(const QString& key) const;

protected:
  // Adds an input with its label (column col of the grid, label before it,
  // unit after it).
  TzkNumInp* addInput(QGridLayout* grid, int row, int col, const ScenarioField& f);
  // A text field (a name): left-trimmed, padded and cut to 20 characters on Apply.
  QLineEdit* addName(QGridLayout* grid, int row, int col, const QString& caption,
                     Name20* (*field)(Scenario&, int), int item);
  // The record number the fields refer to (the crop of the crop parameters).
  virtual int item() const { return 0; }
  // The name Directory Edit shows for this editor.
  virtual QString dirEditName() const = 0;
  virtual DirEditTarget::Mode dirEditMode() const { return DirEditTarget::Mode::Plain; }
  void markChanged();
  void closeEvent(QCloseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

  Services& s_;

private:
  struct Input {
    ScenarioField def;
    TzkNumInp* edit;
    QLabel* label;
    QString shown; // the text of the last Refresh
  };
  struct NameInput {
    QLineEdit* edit;
    Name20* (*field)(Scenario&, int);
    int item;
    QString shown;
  };
  std::vector<Input> inputs_;
  std::vector<NameInput> names_;
};

// Stores a name as the scenario keeps it: left-trimmed, at most 20
// characters, padded with blanks.
void StoreName(Name20& field, const QString& text);

} // namespace kelmar::gui
