// The commands of a tool window (the calibration and statistics windows):
// each is a speed-bar button with its hint and an entry of the window's popup
// menu, which F10 and a right click in the window's grid open; the commands'
// shortcuts are live while the window has the focus.
#pragma once

#include <QStyle>
#include <QToolBar>
#include <functional>
#include <initializer_list>

class QAbstractItemView;
class QLabel;
class QMenu;

namespace kelmar::gui {

class CommandBar : public QToolBar {
  Q_OBJECT
public:
  explicit CommandBar(QWidget* window);

  // A command on the speed bar and in the popup menu; `name` is its object
  // name, by which tests and the window find it.
  QAction* add(const char* name, const char* caption, const char* hint, QStyle::StandardPixmap icon,
               const std::function<void()>& run);
  // A command of the popup menu only.
  QAction* addToMenu(const char* name, const char* caption, const char* hint,
                     const std::function<void()>& run);
  // "Copy selected rows" (with `shortcut`) and "Copy all rows" at the end
  // of the popup menu: the grid's text, with its header, to the clipboard.
  void addCopyRows(const std::function<QString(bool all)>& text, const QKeySequence& shortcut);
  QMenu* popup() const { return popup_; }
  // A right click in `view` opens the popup where it was clicked, F10 at
  // `place` (global; default the middle of the window).
  void openOver(QAbstractItemView* view);
  void setF10Place(std::function<QPoint()> place) { place_ = std::move(place); }

private:
  QAction* make(const char* name, const char* caption, const char* hint, const std::function<void()>& run);

  QWidget* window_;
  QMenu* popup_;
  std::function<QPoint()> place_;
};

// A sunken panel for the status line at the bottom of a tool window.
QLabel* NewStatusPanel(QWidget* parent);
// Lays the parts of a tool window out top to bottom, edge to edge; the first
// item view among them takes the spare height.
void StackParts(QWidget* window, std::initializer_list<QWidget*> parts);

} // namespace kelmar::gui
