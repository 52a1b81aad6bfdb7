#include "widgets/IniForm.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QStringList>

#include "data/IniFile.h"
#include "widgets/Grid.h"
#include "widgets/NumInput.h"

namespace kelmar::gui {

QString FormatPosition(const QRect& r, int state) {
  return QStringLiteral("%1,%2,%3,%4,%5")
      .arg(r.left())
      .arg(r.top())
      .arg(r.width())
      .arg(r.height())
      .arg(state);
}

void ParsePosition(const QString& value, QRect& r, int& state) {
  const QStringList parts = value.split(QLatin1Char(','));
  int v[4] = {r.left(), r.top(), r.width(), r.height()};
  for (int i = 0; i < 4 && i < parts.size(); ++i) {
    bool ok = false;
    int n = parts[i].trimmed().toInt(&ok);
    if (ok) v[i] = n;
  }
  state = kStateNormal;
  if (parts.size() > 4) {
    bool ok = false;
    int n = parts[4].trimmed().toInt(&ok);
    if (ok && n >= kStateNormal && n <= kStateMaximized) state = n;
  }
  r = QRect(v[0], v[1], v[2], v[3]);
}

static int StateOf(const QWidget* w) {
  if (w->isMinimized()) return kStateMinimized;
  if (w->isMaximized()) return kStateMaximized;
  return kStateNormal;
}

void SaveWindowPosition(IniFile& ini, const QString& key, QWidget* frame) {
  if (!frame || !frame->testAttribute(Qt::WA_WState_Created)) return;
  const int state = StateOf(frame);
  QRect r;
  if (frame->isWindow()) {
    r = state == kStateNormal ? frame->geometry() : frame->normalGeometry();
  } else if (auto* sub = qobject_cast<QMdiSubWindow*>(frame); sub && state != kStateNormal) {
    // An MDI sub-window keeps no normal bounds of its own that can be read
    // while minimised or maximised; the one remembered at the last change is
    // used.
    QVariant v = sub->property("kelmarNormalBounds");
    r = v.isValid() ? v.toRect() : sub->geometry();
  } else {
    r = frame->geometry();
  }
  if (r.isEmpty()) return;
  ini.writeString(kWindowPositionSection, key.toStdString(), FormatPosition(r, state).toStdString());
}

bool RestoreWindowPosition(const IniFile& ini, const QString& key, QWidget* frame) {
  const std::string k = key.toStdString();
  if (!frame || !ini.hasKey(kWindowPositionSection, k)) return false;
  QRect r = frame->geometry();
  int state = kStateNormal;
  ParsePosition(QString::fromStdString(ini.readString(kWindowPositionSection, k, "")), r, state);
  if (r.width() > 0 && r.height() > 0) frame->setGeometry(r);
  frame->setProperty("kelmarNormalBounds", r);
  if (state == kStateMinimized)
    frame->showMinimized();
  else if (state == kStateMaximized)
    frame->showMaximized();
  return true;
}

TIniForm::TIniForm(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_DeleteOnClose); }

QString TIniForm::WindowKey() const {
  return QString::fromLatin1(metaObject()->className()).section(QLatin1String("::"), -1);
}

QWidget* TIniForm::frame() {
  if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) return sub;
  return this;
}

void TIniForm::closeEvent(QCloseEvent* e) {
  emit closing(this);
  QWidget::closeEvent(e);
}

bool TMyDialog::Validate() {
  // Every numeric input and open grid cell must hold an acceptable value,
  // not only the focused one: a refused value may sit in a window that is
  // not active.
  for (TzkNumInp* in : findChildren<TzkNumInp*>()) {
    if (in->unchanged() && in->isValid()) continue;
    if (!in->check()) {
      in->setFocus(Qt::OtherFocusReason);
      in->selectAll();
      return false;
    }
  }
  for (GridView* g : findChildren<GridView*>())
    if (!g->validateEditing()) return false;
  QWidget* f = QApplication::focusWidget();
  if (!f || !isAncestorOf(f)) return true;
  if (auto* spin = qobject_cast<QAbstractSpinBox*>(f)) return spin->hasAcceptableInput();
  if (auto* spin = qobject_cast<QAbstractSpinBox*>(f->parentWidget())) return spin->hasAcceptableInput();
  if (auto* edit = qobject_cast<QLineEdit*>(f)) return edit->hasAcceptableInput();
  return true;
}

void TMyDialog::setModified(bool m) {
  if (m == modified_) return;
  modified_ = m;
  emit modifiedChanged(m);
}

} // namespace kelmar::gui
