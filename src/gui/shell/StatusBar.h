// The status bar: the hint line (the version when there is no hint), the
// week range and the selected fittable parameter. The two panels open their
// dialogs on a double click.
#pragma once

#include <QLabel>

class QStatusBar;

namespace kelmar {
struct Workspace;
}

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

class StatusPanels : public QObject {
  Q_OBJECT
public:
  explicit StatusPanels(QStatusBar* bar);
  void showHint(const QString& hint);
  // Follows the range and the selected parameter.
  void update(const Workspace& ws);
  QString hintText() const { return line_->text(); }
  QString rangeText() const { return range_->text(); }
  QString parmText() const { return parm_->text(); }

signals:
  void rangeDoubleClicked();
  void parmDoubleClicked();

private:
  QLabel* line_;
  ClickLabel* range_;
  ClickLabel* parm_;
};

} // namespace kelmar::gui
