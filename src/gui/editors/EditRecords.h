// The record editors: the crop rotation and the applications as grids over
// the scenario's records, one row per record, with the commands of their
// speed bar and popup menu (F10).
#pragma once

#include <QPointer>
#include <vector>

#include "editors/EditForm.h"
#include "editors/EditorBase.h"
#include "help/HelpTopics.h"

class QAction;
class QLabel;
class QMenu;
class QToolBar;

namespace kelmar::gui {

class GridModel;
class GridView;
class TCropParmDialog;

enum class RecordKind { Crop, Application };

// The numeric columns of the grids, after the record number and the name.

class TRecordEditor : public TEditorBase, public DirEditSource {
  Q_OBJECT
public:
  TRecordEditor(Services& s, RecordKind kind, QWidget* parent = nullptr);
  RecordKind kind() const { return kind_; }
  void Refresh() override;
  void Apply() override;
  bool Validate() override;
  bool dirEditTarget(DirEditTarget& t) override;

  int count() const;
  int current() const; // the selected record number
  void setCurrent(int record);
  GridView* grid() const { return view_; }
  GridModel* model() const { return model_; }
  QString statusText() const;

  // The commands.
  void add();
  void deleteRecord();
  void copy();
  void paste();
  void sort();
  void selectWeek();
  void chooseFile();

protected:
  QAction* addCommand(const char* name, const char* caption, const char* hint, void (TRecordEditor::*fn)());
  void keyPressEvent(QKeyEvent* e) override;
  int& selected() const;
  void markChanged(bool stale = true);
  // Pastes tab-separated values from a spreadsheet at the current cell.
  bool pasteValues(const QString& text);

  RecordKind kind_;
  std::vector<ScenarioField> fields_;
  GridModel* model_;
  GridView* view_;
  QLabel* status_;

  bool eventFilter(QObject* obj, QEvent* e) override;
};

class TCropDialog : public TRecordEditor {
  Q_OBJECT
public:
  explicit TCropDialog(Services& s, QWidget* parent = nullptr);
  int HelpContext() const override { return kHelpCropsEditor; }
  // "Edit crop parameters": the crop parameters of the current crop.
  TCropParmDialog* editParameters();
  TCropParmDialog* parameterDialog() const { return parms_; }
  ~TCropDialog() override;

private:
  QPointer<TCropParmDialog> parms_;
};

class TApplDialog : public TRecordEditor {
  Q_OBJECT
public:
  explicit TApplDialog(Services& s, QWidget* parent = nullptr);
  int HelpContext() const override { return kHelpApplicationsEditor; }
};

class TCropParmDialog : public TFormEditor {
  Q_OBJECT
public:
  TCropParmDialog(Services& s, QWidget* parent = nullptr);
  int HelpContext() const override { return kHelpCropsEditor; }

protected:
  int item() const override;
  QString dirEditName() const override;
  DirEditTarget::Mode dirEditMode() const override { return DirEditTarget::Mode::Crop; }
  void keyPressEvent(QKeyEvent* e) override;
};

} // namespace kelmar::gui
