// Pictures of the program's windows for the user guide: starts the real main
// window on the example scenario, calculates, opens a table, a summary, the
// options dialog and the help window, and saves each as a PNG.
//
//   kelmar-screenshots OUTDIR EXAMPLESDIR HELPDIR
//
// Run under a display (scripts/screenshots.sh uses xvfb-run); no message box
// is shown: every question is answered Cancel.

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "QuietDialogs.h"
#include "dialogs/OptionsDialog.h"
#include "help/HelpTopics.h"
#include "help/HelpWindow.h"
#include "shell/MainForm.h"
#include "shell/WindowRegistry.h"

using namespace kelmar::gui;

namespace {

void Settle(int ms = 300) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

bool Save(QWidget* w, const QDir& out, const QString& name) {
  Settle();
  const QString path = out.filePath(name);
  if (!w->grab().save(path)) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

} // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 4) {
    std::fprintf(stderr, "usage: kelmar-screenshots OUTDIR EXAMPLESDIR HELPDIR\n");
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  const QDir examples(QString::fromLocal8Bit(argv[2]));
  QDir().mkpath(out.absolutePath());

  // The example is copied to a scratch directory, where the INI file goes too.
  QTemporaryDir tmp;
  for (const char* name : {"SANDY6.DAT", "SANDY6.ENV", "SANDY6.MIN"})
    QFile::copy(examples.filePath(QString::fromLatin1(name)), tmp.filePath(QString::fromLatin1(name)));
  QDir::setCurrent(tmp.path());
  QuietDialogs dialogs;
  StartupConfig cfg{tmp.filePath("kelmar-gui"),
                    tmp.filePath("kelmar-gui.INI"),
                    QDir(QString::fromLocal8Bit(argv[3])).absolutePath(),
                    {tmp.filePath("SANDY6.DAT")}};
  TMainForm form(cfg, &dialogs);
  form.resize(1000, 700);
  form.show();
  form.Startup();
  bool ok = true;
  // As the program opens: the scenario's parameters in front, the series
  // files it read minimised below.
  ok &= Save(&form, out, QStringLiteral("start-up.png"));
  form.action(QStringLiteral("MIRunCalculate"))->trigger();

  WindowRegistry& win = form.windows();
  win.closeAll();
  TIniForm* summary = win.show(QStringLiteral("TSummView"), 19);
  TIniForm* table = win.show(QStringLiteral("TRsltView"), 13);
  if (!table || !summary) return 1;
  summary->frame()->move(330, 230);
  table->frame()->move(10, 10);
  ok &= Save(&form, out, QStringLiteral("main-window.png"));
  ok &= Save(table->frame(), out, QStringLiteral("table-window.png"));
  win.show(QStringLiteral("TSummView"), 19);
  ok &= Save(summary->frame(), out, QStringLiteral("summary-window.png"));

  // A graph, an editor and the calibration windows, each on its own.
  const struct {
    const char* cls;
    int number;
    const char* file;
    QSize size;
  } windows[] = {{"TGraphView", 9, "graph-window.png", {760, 460}},
                 {"TCropDialog", 0, "crops-editor.png", {}},
                 {"TAutoDialog", 0, "fitting-window.png", {}},
                 {"TPriceView", 0, "price-window.png", {}}};
  for (const auto& w : windows) {
    TIniForm* f = win.show(QString::fromLatin1(w.cls), w.number);
    if (!f) return 1;
    if (w.size.isValid()) f->frame()->resize(w.size);
    ok &= Save(f->frame(), out, QString::fromLatin1(w.file));
  }

  TKelmOptiDialog options(form.ws().options, &dialogs, &form);
  options.show();
  ok &= Save(&options, out, QStringLiteral("options-dialog.png"));
  options.reject();

  form.ShowHelp(kHelpContents);
  THelpWindow* help = form.helpWindow();
  if (!help) return 1;
  help->resize(820, 560);
  Settle();
  form.ShowHelp(TableHelpContext(13));
  ok &= Save(help, out, QStringLiteral("help-window.png"));
  help->search(QStringLiteral("modify range"));
  ok &= Save(help, out, QStringLiteral("help-search.png"));
  form.Shutdown();
  return ok ? 0 : 1;
}
