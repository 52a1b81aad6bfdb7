// The Directory Edit dialog over the core's listing and replacing of one
// field in every scenario file of the data directory, and the command that
// opens it from the focused field of an editor.
#pragma once

#include <QDialog>
#include <vector>

#include "editors/EditForm.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace kelmar::gui {

class TMyDialog;

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
  // Shows the outcome of a replacement in the lines of that file (of that
  // item only, when one was named).
  void noteResult(const std::string& file, const std::string& error, int item);

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
