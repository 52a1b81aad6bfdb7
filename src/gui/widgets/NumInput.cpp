#include "widgets/NumInput.h"

#include <algorithm>

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>

#include "data/TextFormat.h"
#include "dialogs/UserDialogs.h"

namespace kelmar::gui {

bool FilterNumericKey(QLineEdit* edit, QKeyEvent* e, bool allowDecimal) {
  const Qt::KeyboardModifiers mods = e->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
  if (mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
  const QString t = e->text();
  if (t.isEmpty() || !t.at(0).isPrint()) return false; // editing, navigation, Tab, Backspace
  if (t.size() != 1) return true;
  const QChar c = t.at(0);
  if (c.isDigit() && c.unicode() < 128) return false;
  // The text as it will be once the selection is replaced.
  QString rest = edit->text();
  int cursor = edit->cursorPosition();
  if (edit->hasSelectedText()) {
    cursor = edit->selectionStart();
    rest.remove(cursor, edit->selectedText().size());
  }
  if (c == QLatin1Char('.') || c == QLatin1Char(',')) {
    if (allowDecimal && !rest.contains(QLatin1Char('.')) && rest.mid(cursor, 1) != QLatin1String("-"))
      edit->insert(QStringLiteral("."));
    return true;
  }
  if (c == QLatin1Char('-')) return rest.contains(QLatin1Char('-')) || cursor != 0;
  return true;
}

TzkNumInp::TzkNumInp(UserDialogs& dialogs, QWidget* parent) : QLineEdit(parent), dialogs_(dialogs) {
  setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  setMaxLength(digits_);
  setValue(0);
}

void TzkNumInp::setLimits(const FieldLimits& limits) {
  limits_ = limits;
  setValue(value_);
}

void TzkNumInp::setDigits(int digits) {
  digits_ = std::max(1, digits);
  setMaxLength(std::max(digits_, 1));
  setValue(value_);
}

void TzkNumInp::setValue(double v) {
  value_ = v;
  setText(QString::fromStdString(FmtFixed(v, digits_, limits_.decimals)));
  accepted_ = text();
  valid_ = true;
}

bool TzkNumInp::check() {
  double v = 0;
  const bool ok = ParseUserNumber(text().toStdString(), limits_.type, v);
  if (ok) value_ = v;
  valid_ = ok && limits_.accepts(v);
  if (valid_) {
    accepted_ = text();
    return true;
  }
  if (!checking_) {
    checking_ = true;
    dialogs_.inform(BoxType::Error, QString::fromStdString(NumInputRangeMessage(limits_.min, limits_.max)));
    checking_ = false;
  }
  return false;
}

void TzkNumInp::keyPressEvent(QKeyEvent* e) {
  const int key = e->key();
  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    if (tabOnEnter_ && check()) focusNextChild();
    e->accept();
    return;
  }
  if (key == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
    setText(accepted_);
    selectAll();
    e->accept();
    return;
  }
  if (FilterNumericKey(this, e, limits_.type != FieldType::Integer)) {
    e->accept();
    return;
  }
  QLineEdit::keyPressEvent(e);
}

void TzkNumInp::focusOutEvent(QFocusEvent* e) {
  QLineEdit::focusOutEvent(e);
  // Leaving the window (a message box, another program) is not leaving the
  // field; the value is checked when the user moves on inside the window.
  const Qt::FocusReason r = e->reason();
  if (checking_ || r == Qt::ActiveWindowFocusReason || r == Qt::PopupFocusReason) return;
  if (unchanged() && valid_) return;
  if (check()) return;
  selectAll();
  QApplication::beep();
  QTimer::singleShot(0, this, [this] {
    if (isVisible() && isEnabled()) setFocus(Qt::OtherFocusReason);
  });
}

} // namespace kelmar::gui
