#include "calib/ProgressDlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "dialogs/UserDialogs.h"

namespace kelmar::gui {

namespace {
QString Clock(qint64 ms) {
  const qint64 s = ms / 1000;
  return QStringLiteral("%1:%2:%3")
      .arg(s / 3600)
      .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
      .arg(s % 60, 2, 10, QLatin1Char('0'));
}
} // namespace

TProgressDlg::TProgressDlg(UserDialogs& dialogs, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::CustomizeWindowHint |
                          Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint),
      dialogs_(dialogs) {
  setObjectName(QStringLiteral("TProgressDlg"));
  setWindowModality(Qt::ApplicationModal);
  line1_ = new QLabel(this);
  line2_ = new QLabel(this);
  time_ = new QLabel(this);
  gauge_ = new QProgressBar(this);
  abort_ = new QPushButton(QStringLiteral("&Abort"), this);
  abort_->setObjectName(QStringLiteral("Abort"));
  abort_->setToolTip(QStringLiteral("Abort operation"));
  connect(abort_, &QPushButton::clicked, this, &TProgressDlg::AbortClick);
  auto* l = new QVBoxLayout(this);
  l->addWidget(line1_);
  l->addWidget(line2_);
  l->addWidget(gauge_);
  l->addWidget(time_);
  l->addWidget(abort_, 0, Qt::AlignHCenter);
  setMinimumWidth(360);
}

void TProgressDlg::start(const QString& caption, const QString& line1, int max) {
  cancelled_ = false;
  setWindowTitle(caption);
  line1_->setText(line1);
  line2_->clear();
  gauge_->setRange(0, std::max(max, 1));
  gauge_->setValue(0);
  clock_.start();
  time_->setText(QStringLiteral("Elapsed: ") + Clock(0));
  showNormal();
  raise();
}

void TProgressDlg::changeEvent(QEvent* e) {
  QDialog::changeEvent(e);
  if (e->type() != QEvent::WindowStateChange) return;
  QWidget* main = parentWidget() ? parentWidget()->window() : nullptr;
  if (!main) return;
  const bool wasMinimized = static_cast<QWindowStateChangeEvent*>(e)->oldState() & Qt::WindowMinimized;
  if (isMinimized() && !main->isMinimized()) {
    // Minimising the progress of a long command puts the whole program
    // aside, not just the dialog that the program waits behind; the dialog
    // itself stays as it was, so that it comes back with the main window.
    QTimer::singleShot(0, this, [this, main] {
      setWindowState(windowState() & ~Qt::WindowMinimized);
      main->showMinimized();
    });
  } else if (isMaximized() || (wasMinimized && !isMinimized() && main->isMinimized())) {
    // There is nothing to fill a screen with: maximising, or restoring the
    // dialog while the program is minimised, brings the main window back into
    // view behind the dialog, which keeps its size.
    QTimer::singleShot(0, this, [this, main] {
      setWindowState(windowState() & ~Qt::WindowMaximized);
      if (main->isMinimized()) {
        main->setAttribute(Qt::WA_ShowWithoutActivating);
        main->showNormal();
        main->setAttribute(Qt::WA_ShowWithoutActivating, false);
      }
      raise();
    });
  }
}

void TProgressDlg::setLine2(const QString& text) { line2_->setText(text); }

void TProgressDlg::setProgress(int position) {
  gauge_->setValue(std::min(position, gauge_->maximum()));
  const qint64 ms = clock_.isValid() ? clock_.elapsed() : 0;
  QString t = QStringLiteral("Elapsed: ") + Clock(ms);
  // The remaining time at the pace so far; unknown before the first step.
  if (position > 0 && position < gauge_->maximum())
    t += QStringLiteral("   Remaining: ") + Clock(ms * (gauge_->maximum() - position) / position);
  time_->setText(t);
}

void TProgressDlg::AbortClick() {
  if (cancelled_) return;
  QApplication::beep();
  if (dialogs_.ask(BoxType::Confirmation, Buttons::YesNo, QStringLiteral("Abort operation ?"), QString()) !=
      Answer::Yes)
    return;
  cancelled_ = true;
  emit abortRequested();
}

void TProgressDlg::closeEvent(QCloseEvent* e) {
  // Closing from the window menu is an Abort; the work hides the dialog.
  e->ignore();
  AbortClick();
}

void TProgressDlg::reject() { AbortClick(); }

QString TProgressDlg::line1() const { return line1_->text(); }
QString TProgressDlg::line2() const { return line2_->text(); }
QString TProgressDlg::timeText() const { return time_->text(); }
int TProgressDlg::position() const { return gauge_->value(); }
int TProgressDlg::maximum() const { return gauge_->maximum(); }

} // namespace kelmar::gui
