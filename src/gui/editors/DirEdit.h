// Directory Edit: one field of the active editor, listed and replaced in
// every scenario file of the data directory. Each file is read into a
// workspace of its own and written back by the same atomic save a user's
// Save uses, so the scenario being edited is never overwritten and a file
// that cannot be read or written is reported while the others go on.
#pragma once

#include <QDialog>
#include <vector>

#include "editors/EditForm.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace kelmar::gui {

class TMyDialog;

struct DirEditLine {
  QString file; // full path
  int item = 0; // the crop or application number, 0 in plain mode
  QString value;
  QString error; // why the file could not be read or written
};

// The list lines of one file (list mode), or the lines it would hold; a
// file with another identifier has none.
std::vector<DirEditLine> ScanScenarioFile(const DirEditTarget& t, const QString& file);
// Writes the new value into one file: into item `item`, or with item 0 into
// every item of the target (in crop and application modes every record of
// the target's name). Returns the error, empty on success. Nothing is
// written when the file cannot be read or holds no such item.
QString ReplaceInScenarioFile(const DirEditTarget& t, const QString& file, int item);

// "NAME                   3 value" as the list shows it.
QString DirEditLineText(const DirEditLine& line);

class TDirEditDialog : public QDialog {
  Q_OBJECT
public:
  TDirEditDialog(Services& s, const DirEditTarget& target, QWidget* parent = nullptr);
  const std::vector<DirEditLine>& lines() const { return lines_; }
  QListWidget* list() const { return list_; }
  void replaceAll();
  void replaceFile();
  void replace();
  void goTo();
  // The line chosen by Goto, or -1.
  int gotoLine() const { return goto_; }
  // Files that were rewritten.
  const QStringList& written() const { return written_; }

private:
  void scan();
  void showLines();
  int selected() const;
  void report(const QStringList& failures);

  Services& s_;
  DirEditTarget t_;
  std::vector<DirEditLine> lines_;
  QListWidget* list_;
  int goto_ = -1;
  QStringList written_;
};

// Opens Directory Edit for the focused field of `editor` (the active
// window when null); nothing happens unless the option allows it and the
// editor names a field. Afterwards the scenario chosen by Goto is loaded; an
// open scenario whose own file was rewritten is read again only when it
// held no unsaved changes.
void RunDirEdit(Services& s, TMyDialog* editor);

// Replaceable, so that tests can drive the dialog.
using DirEditExec = std::function<void(TDirEditDialog&)>;
void SetDirEditExec(DirEditExec exec);

} // namespace kelmar::gui
