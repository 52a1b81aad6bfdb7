#include "editors/EditorBase.h"

#include <QAction>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QToolBar>

namespace kelmar::gui {

TEditorBase::TEditorBase(Services& s, Doc doc, QWidget* parent)
    : TMyDialog(parent), s_(s), doc_(doc), speedBar_(new QToolBar(this)), popup_(new QMenu(this)) {
  speedBar_->setObjectName(QStringLiteral("SpeedBar"));
  speedBar_->setIconSize(QSize(20, 20));
  speedBar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
  popup_->setObjectName(QStringLiteral("PopupMenu"));
}

QAction* TEditorBase::addCommand(const QString& name, const QString& caption, const QString& hint,
                                 std::function<void()> run, const QIcon& icon) {
  auto* a = new QAction(icon, caption, this);
  a->setObjectName(name);
  a->setToolTip(hint);
  a->setStatusTip(hint);
  connect(a, &QAction::triggered, this, [run = std::move(run)] { run(); });
  speedBar_->addAction(a);
  popup_->addAction(a);
  return a;
}

void TEditorBase::addSeparator() {
  speedBar_->addSeparator();
  popup_->addSeparator();
}

QAction* TEditorBase::command(const QString& name) const {
  for (QAction* a : popup_->actions())
    if (a->objectName() == name) return a;
  return nullptr;
}

void TEditorBase::showPopup() { popup_->popup(mapToGlobal(rect().center())); }

void TEditorBase::markEdited() {
  s_.ws.state.DocStatus &= ~SavedBit(doc_);
  s_.ws.state.DocStatus |= kResultsStale;
  setModified(true);
  if (s_.scheduleIdle) s_.scheduleIdle();
}

void TEditorBase::closeWindow() { frame()->close(); }

void TEditorBase::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_F10 && (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    showPopup();
    e->accept();
    return;
  }
  TMyDialog::keyPressEvent(e);
}

void TEditorBase::contextMenuEvent(QContextMenuEvent* e) {
  popup_->popup(e->globalPos());
  e->accept();
}

void TEditorBase::closeEvent(QCloseEvent* e) {
  // Pending edits are applied when they are acceptable; otherwise the window
  // stays open with the refused value for the user to correct.
  if (!Validate()) {
    e->ignore();
    return;
  }
  if (modified()) Apply();
  TMyDialog::closeEvent(e);
}

} // namespace kelmar::gui
