#include "widgets/CommandBar.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QVBoxLayout>

namespace kelmar::gui {

CommandBar::CommandBar(QWidget* window) : QToolBar(window), window_(window), popup_(new QMenu(window)) {
  setObjectName(QStringLiteral("SpeedBar"));
  auto* f10 = new QAction(window);
  f10->setObjectName(QStringLiteral("PopupMenu"));
  f10->setShortcut(QKeySequence(Qt::Key_F10));
  f10->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  connect(f10, &QAction::triggered, this,
          [this] { popup_->popup(place_ ? place_() : window_->mapToGlobal(window_->rect().center())); });
  window->addAction(f10);
}

QAction* CommandBar::make(const char* name, const char* caption, const char* hint,
                          const std::function<void()>& run) {
  auto* a = new QAction(QString::fromLatin1(caption), window_);
  a->setObjectName(QString::fromLatin1(name));
  a->setToolTip(QString::fromLatin1(hint));
  a->setStatusTip(QString::fromLatin1(hint));
  a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  if (run) connect(a, &QAction::triggered, window_, run);
  popup_->addAction(a);
  window_->addAction(a);
  return a;
}

QAction* CommandBar::add(const char* name, const char* caption, const char* hint, QStyle::StandardPixmap icon,
                         const std::function<void()>& run) {
  QAction* a = make(name, caption, hint, run);
  a->setIcon(window_->style()->standardIcon(icon));
  addAction(a);
  return a;
}

QAction* CommandBar::addToMenu(const char* name, const char* caption, const char* hint,
                               const std::function<void()>& run) {
  return make(name, caption, hint, run);
}

void CommandBar::addCopyRows(const std::function<QString(bool all)>& text, const QKeySequence& shortcut) {
  popup_->addSeparator();
  addToMenu("CopyRows", "Copy selected &rows", "Copy the selected rows as text, with the header", [text] {
    QApplication::clipboard()->setText(text(false));
  })->setShortcut(shortcut);
  addToMenu("CopyAll", "Copy all ro&ws", "Copy the whole grid as text",
            [text] { QApplication::clipboard()->setText(text(true)); });
}

void CommandBar::openOver(QAbstractItemView* view) {
  view->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(view, &QWidget::customContextMenuRequested, this,
          [this, view](const QPoint& pos) { popup_->popup(view->viewport()->mapToGlobal(pos)); });
}

QLabel* NewStatusPanel(QWidget* parent) {
  auto* l = new QLabel(parent);
  l->setFrameShape(QFrame::Panel);
  l->setFrameShadow(QFrame::Sunken);
  return l;
}

void StackParts(QWidget* window, std::initializer_list<QWidget*> parts) {
  auto* l = new QVBoxLayout(window);
  l->setContentsMargins(0, 0, 0, 0);
  l->setSpacing(0);
  bool stretched = false;
  for (QWidget* w : parts) {
    const bool grows = !stretched && qobject_cast<QAbstractItemView*>(w);
    l->addWidget(w, grows ? 1 : 0);
    stretched = stretched || grows;
  }
}

} // namespace kelmar::gui
