// A status-bar panel that reports double-clicks (the range and the selected
// parameter panels open their dialogs that way).
#pragma once

#include <QLabel>

namespace kelmar::gui {

class ClickLabel : public QLabel {
  Q_OBJECT
public:
  using QLabel::QLabel;

signals:
  void doubleClicked();

protected:
  void mouseDoubleClickEvent(QMouseEvent*) override { emit doubleClicked(); }
};

} // namespace kelmar::gui
