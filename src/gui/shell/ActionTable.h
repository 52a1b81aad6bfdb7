// Every command of the program, declared once: its object name, caption,
// hint, shortcut, icon, handler and enabling rule. Menus and the speed bar are
// built from the declarations, so a command looks and behaves the same
// wherever the user meets it.
#pragma once

#include <QIcon>
#include <QKeySequence>
#include <QObject>
#include <QStringList>
#include <functional>
#include <vector>

class QAction;
class QMenu;
class QToolBar;

namespace kelmar::gui {

struct Command {
  QString name;    // object name of the action, "MIFileOpen"
  QString caption; // menu text with its accelerator
  QString hint;    // status-bar hint and tooltip
  QKeySequence key = {};
  // Empty: the command's window is not part of the program yet; the action
  // is there, disabled.
  std::function<void()> run = {};
  // Empty: enabled whenever it has a handler.
  std::function<bool()> enabled = {};
  QIcon icon = {};
  bool checkable = false;
  bool visible = true;
};

class ActionTable : public QObject {
  Q_OBJECT
public:
  // `afterCommand` runs after every handler (the idle update).
  ActionTable(QWidget* owner, std::function<void()> afterCommand);
  QAction* add(Command c);
  QAction* action(const QString& name) const;
  // Re-evaluates every enabling rule.
  void updateEnabled();
  // Fills a menu from a layout: action names; "-" a separator; ">Caption"
  // opens a sub-menu, "<" closes it.
  void fillMenu(QMenu* menu, const QStringList& layout) const;
  // Fills the speed bar: action names (with the button's own text and tip
  // after "|": "MIFileOpen|Load|Load scenario or series"), "-" a separator.
  void fillToolBar(QToolBar* bar, const QStringList& layout) const;

private:
  QWidget* owner_;
  std::function<void()> after_;
  std::vector<std::pair<QAction*, std::function<bool()>>> rules_;
};

} // namespace kelmar::gui
