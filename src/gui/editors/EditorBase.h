// What every editor window shares: the commands of its speed bar and popup
// menu (F10 or the context menu), declared once each; closing only with
// acceptable values, pending edits applied first; and marking its document
// unsaved and the results stale whenever the user changes data.
#pragma once

#include <QIcon>
#include <QList>
#include <functional>

#include "Workspace.h"
#include "shell/Services.h"
#include "widgets/IniForm.h"

class QAction;
class QMenu;
class QToolBar;

namespace kelmar::gui {

class TEditorBase : public TMyDialog {
  Q_OBJECT
public:
  TEditorBase(Services& s, Doc doc, QWidget* parent = nullptr);

  Doc document() const { return doc_; }
  QToolBar* speedBar() const { return speedBar_; }
  QMenu* popupMenu() const { return popup_; }
  // The command of the speed bar and popup with this object name.
  QAction* command(const QString& name) const;
  // Opens the popup menu (F10) at the middle of the window.
  void showPopup();

protected:
  // Declares a command: it appears on the speed bar (with `hint` as its tip)
  // and in the popup menu. A "-" name adds a separator to both.
  QAction* addCommand(const QString& name, const QString& caption, const QString& hint,
                      std::function<void()> run, const QIcon& icon = {});
  void addSeparator();
  // The user changed the document: unsaved, results stale, and "modified".
  void markEdited();
  // Closes the window (through its frame when it sits in one).
  void closeWindow();

  void keyPressEvent(QKeyEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

  Services& s_;

private:
  Doc doc_;
  QToolBar* speedBar_;
  QMenu* popup_;
};

} // namespace kelmar::gui
