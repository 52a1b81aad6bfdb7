// The progress dialog of long commands (Price, MultiRun): two text lines, a
// gauge, the elapsed and the estimated remaining time, and Abort. It is
// application-modal while shown, so the other windows take no input but keep
// repainting; the work itself runs elsewhere and polls cancelled().
#pragma once

#include <QDialog>
#include <QElapsedTimer>

class QLabel;
class QProgressBar;
class QPushButton;

namespace kelmar::gui {

class UserDialogs;

class TProgressDlg : public QDialog {
  Q_OBJECT
public:
  TProgressDlg(UserDialogs& dialogs, QWidget* parent = nullptr);
  // Clears the result and shows the dialog with a gauge from 0 to `max`.
  void start(const QString& caption, const QString& line1, int max);
  void setLine2(const QString& text);
  void setProgress(int position);
  bool cancelled() const { return cancelled_; }
  // Asks "Abort operation ?"; Yes cancels.
  void AbortClick();

  QString line1() const;
  QString line2() const;
  QString timeText() const;
  int position() const;
  int maximum() const;

signals:
  void abortRequested();

protected:
  void changeEvent(QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void reject() override;

private:
  UserDialogs& dialogs_;
  QLabel* line1_;
  QLabel* line2_;
  QLabel* time_;
  QProgressBar* gauge_;
  QPushButton* abort_;
  QElapsedTimer clock_;
  bool cancelled_ = false;
};

} // namespace kelmar::gui
