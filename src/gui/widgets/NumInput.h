// The numeric input field every form-style editor uses: a line edit that
// lets through only the characters of a number, checks the value against its
// limits when it is committed, refuses it with a fixed message, and keeps the
// focus while it holds a refused value.
#pragma once

#include <QLineEdit>

#include "data/FieldLimits.h"

class QKeyEvent;

namespace kelmar::gui {

class UserDialogs;

// The key filter of numeric text, shared by the input field and the grid
// cells: digits pass; "." and "," become the decimal point, which passes only
// once and not in front of a minus sign (never in an integer field); "-"
// passes only once and only at the start; editing and navigation keys and
// the clipboard shortcuts pass; every other character is dropped.
// True when the key was consumed (dropped or inserted by the filter).
bool FilterNumericKey(QLineEdit* edit, QKeyEvent* e, bool allowDecimal);

class TzkNumInp : public QLineEdit {
  Q_OBJECT
public:
  explicit TzkNumInp(UserDialogs& dialogs, QWidget* parent = nullptr);

  // Type, range and decimals of the value.
  void setLimits(const FieldLimits& limits);
  const FieldLimits& limits() const { return limits_; }
  // Precision of the shown value, and the most characters the field takes.
  void setDigits(int digits);
  int digits() const { return digits_; }
  // Enter commits the value and moves to the next control.
  void setTabOnEnterKey(bool on) { tabOnEnter_ = on; }

  // Stores, shows and accepts a value.
  void setValue(double v);
  double value() const { return value_; }
  // Converts the text (empty is 0) and checks it against the limits; a
  // refused value is reported with "Value must be between %g and %g !".
  bool check();
  // Whether the text is the last accepted one (nothing to check).
  bool unchanged() const { return text() == accepted_; }
  bool isValid() const { return valid_; }
  QString acceptedText() const { return accepted_; }

protected:
  void keyPressEvent(QKeyEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;

private:
  UserDialogs& dialogs_;
  FieldLimits limits_{FieldType::Real, -3.4e38, 3.4e38, 0};
  int digits_ = 12;
  bool tabOnEnter_ = true;
  double value_ = 0;
  QString accepted_;
  bool valid_ = true;
  bool checking_ = false;
};

} // namespace kelmar::gui
