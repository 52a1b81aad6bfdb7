// How long a Price search of the example takes from the Price window compared
// with `kelmar fit` on the same seed, and the longest pause between repaints
// of the progress dialog meanwhile. Not a test: the times depend on the
// machine; run a Release build on an otherwise idle machine:
//
//   QT_QPA_PLATFORM=offscreen kelmar-price-speed [FITTED=51] [ITER_PER_SET=6] [SEED=7]
//
// Both searches fit the first FITTED parameters of the table, within their
// default ranges, against the example's measured mineral N.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "QuietDialogs.h"
#include "calib/PriceView.h"
#include "calib/ProgressDlg.h"
#include "data/ParFile.h"
#include "shell/MainForm.h"
#include "shell/WindowRegistry.h"

using namespace kelmar;
using namespace kelmar::gui;

namespace {

// The longest time between two paint events of a widget while it is shown
// (a hidden dialog has nothing to repaint).
class PaintGaps : public QObject {
public:
  bool eventFilter(QObject* obj, QEvent* e) override {
    if (e->type() == QEvent::Show || e->type() == QEvent::Hide) {
      clock_.invalidate();
    } else if (e->type() == QEvent::Paint) {
      if (clock_.isValid())
        longest = std::max(longest, clock_.restart());
      else
        clock_.start();
    }
    return QObject::eventFilter(obj, e);
  }
  qint64 longest = 0;

private:
  QElapsedTimer clock_;
};

} // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const int fitted = argc > 1 ? std::clamp(atoi(argv[1]), 1, kParmCount) : kParmCount;
  const int iterPerSet = argc > 2 ? std::max(1, atoi(argv[2])) : 6;
  const uint32_t seed = argc > 3 ? static_cast<uint32_t>(atol(argv[3])) : 7u;

  QTemporaryDir tmp;
  for (const char* name : {"SANDY6.DAT", "SANDY6.ENV", "SANDY6.MIN"})
    QFile::copy(QDir(KELMAR_EXAMPLES).filePath(QString::fromLatin1(name)),
                tmp.filePath(QString::fromLatin1(name)));
  QDir::setCurrent(tmp.path());
  QuietDialogs dialogs;
  StartupConfig cfg{
      tmp.filePath("kelmar-gui"), tmp.filePath("kelmar-gui.INI"), QString(), {tmp.filePath("SANDY6.DAT")}};
  TMainForm form(cfg, &dialogs);
  form.show();
  form.Startup();
  // The marks go into the scenario's .PAR companion, which the command line
  // reads with the scenario.
  Workspace& ws = form.ws();
  for (int i = 1; i <= kParmCount; ++i) ws.parms[i].fit = i <= fitted ? 1 : 0;
  SavePar(ws, tmp.filePath("SANDY6.PAR").toStdString());

  QElapsedTimer clock;
  clock.start();
  QProcess cli;
  cli.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  cli.start(QStringLiteral(KELMAR_EXE), {"fit", "SANDY6.DAT", "--seed", QString::number(seed),
                                         "--iter-per-set", QString::number(iterPerSet), "--ps", "CLI.PS"});
  if (!cli.waitForFinished(-1) || cli.exitCode() != 0) {
    std::fprintf(stderr, "kelmar fit failed\n");
    return 1;
  }
  const double cliSecs = clock.elapsed() / 1000.0;

  form.action(QStringLiteral("MIRunPrice"))->trigger();
  auto* v = form.windows().get<TPriceView>(QStringLiteral("TPriceView"));
  if (!v) return 1;
  v->execOptions = [iterPerSet](TPricOptiDialog& d) {
    d.iterPerSet()->setValue(iterPerSet);
    return true;
  };
  v->command("SBOptions")->trigger();
  v->setSeed(seed);
  PaintGaps gaps;
  v->progress()->installEventFilter(&gaps);

  // A timer of 5 ms on the user-interface thread: the longest time between
  // two of its ticks is the longest time the window could not repaint.
  QEventLoop loop;
  QTimer poll;
  QElapsedTimer tick;
  qint64 busiest = 0;
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    busiest = std::max(busiest, tick.restart());
    if (!v->busy() && v->alg().PriceState == kPriceIterated) loop.quit();
  });
  poll.start(5);
  tick.start();
  clock.restart();
  // The command runs from the event loop, as a click would.
  QTimer::singleShot(0, v, [v] { v->command("SBIterate")->trigger(); }); // initialises first
  loop.exec();
  const double winSecs = clock.elapsed() / 1000.0;

  std::printf("%d parameters, %d trials per set, seed %u\n", fitted, iterPerSet, seed);
  std::printf("kelmar fit:    %.2f s\n", cliSecs);
  std::printf("Price window:  %.2f s (%.2f times)\n", winSecs, winSecs / cliSecs);
  std::printf("longest pause between repaints of the progress dialog: %lld ms\n",
              static_cast<long long>(gaps.longest));
  std::printf("longest time the window could not repaint: %lld ms\n", static_cast<long long>(busiest));
  return 0;
}
