#include "shell/ActionTable.h"

#include <QAction>
#include <QMenu>
#include <QToolBar>
#include <QWidget>

namespace kelmar::gui {

ActionTable::ActionTable(QWidget* owner, std::function<void()> afterCommand)
    : QObject(owner), owner_(owner), after_(std::move(afterCommand)) {}

QAction* ActionTable::add(Command c) {
  auto* a = new QAction(c.caption, owner_);
  a->setObjectName(c.name);
  a->setStatusTip(c.hint);
  a->setToolTip(c.hint);
  if (!c.key.isEmpty()) a->setShortcut(c.key);
  if (!c.icon.isNull()) a->setIcon(c.icon);
  a->setCheckable(c.checkable);
  a->setVisible(c.visible);
  if (c.run) {
    connect(a, &QAction::triggered, this, [this, run = std::move(c.run)] {
      run();
      if (after_) after_();
    });
    if (c.enabled) {
      a->setEnabled(c.enabled());
      rules_.emplace_back(a, std::move(c.enabled));
    }
  } else {
    a->setEnabled(false);
  }
  return a;
}

QAction* ActionTable::action(const QString& name) const { return owner_->findChild<QAction*>(name); }

void ActionTable::updateEnabled() {
  for (auto& [a, rule] : rules_) {
    const bool on = rule();
    if (a->isEnabled() != on) a->setEnabled(on);
  }
}

void ActionTable::fillMenu(QMenu* menu, const QStringList& layout) const {
  std::vector<QMenu*> stack{menu};
  for (const QString& item : layout) {
    if (item == QLatin1String("-")) {
      stack.back()->addSeparator();
    } else if (item.startsWith(QLatin1Char('>'))) {
      stack.push_back(stack.back()->addMenu(item.mid(1)));
    } else if (item == QLatin1String("<")) {
      if (stack.size() > 1) stack.pop_back();
    } else if (QAction* a = action(item)) {
      stack.back()->addAction(a);
    } else {
      qWarning("menu layout names no command: %s", qPrintable(item));
    }
  }
}

void ActionTable::fillToolBar(QToolBar* bar, const QStringList& layout) const {
  for (const QString& item : layout) {
    if (item == QLatin1String("-")) {
      bar->addSeparator();
      continue;
    }
    QAction* a = action(item.section(QLatin1Char('|'), 0, 0));
    if (!a) continue;
    const QString text = item.section(QLatin1Char('|'), 1, 1);
    const QString tip = item.section(QLatin1Char('|'), 2, 2);
    if (!text.isEmpty()) a->setIconText(text);
    bar->addAction(a);
    // The button's own tip; the menu item keeps its status hint.
    if (!tip.isEmpty())
      if (QWidget* w = bar->widgetForAction(a)) w->setToolTip(tip);
  }
}

} // namespace kelmar::gui
