// The statistics windows: the correlation matrix of MultiRun summaries and
// of Price sets (the numbers and the .COR file of "kelmar stats"), the marks,
// scatter plots of any cell and ten-class histograms with their refusals.
#include <QProcess>
#include <QTableWidget>

#include "ScriptedDialogs.h"
#include "calib/CorrWindows.h"
#include "calib/MRunView.h"
#include "calib/PriceView.h"
#include "widgets/TzkGraph.h"

using namespace kelmar;
using namespace kelmar::gui;

namespace {

const QString kWeather = QStringLiteral(KELMAR_WEATHER "/wageningen/montecarlo/");

QByteArray Ini(const QByteArray& items) {
  return "[MultiRun Options]\r\nEnviDir=" + kWeather.toUtf8() + "\r\nSummItems=" + items + "\r\n";
}

TMRunView* RunEnvironments(Program& p) {
  p.trigger("MIMultiRun");
  auto* v = p.form->windows().get<TMRunView>(QStringLiteral("TMRunView"));
  v->command("SBMonteCarlo")->trigger();
  [&] { QTRY_VERIFY_WITH_TIMEOUT(!v->busy(), 120000); }();
  return v;
}

// What the plot window was given, captured instead of showing it.
struct Captured {
  QString caption, xTitle, yTitle;
  int points = 0;
  std::optional<Histogram> histogram;
};

Captured Capture(const std::function<void()>& command) {
  Captured c;
  TScatterPlot::execHook = [&c](TScatterPlot& plot) {
    c.caption = plot.windowTitle();
    c.xTitle = QString::fromStdString(std::string(plot.graph()->setup().XAxisTitle.view()));
    c.yTitle = QString::fromStdString(std::string(plot.graph()->setup().YAxisTitle.view()));
    c.points = plot.graph()->data().series[0].count;
    c.histogram = plot.histogram();
    QVERIFY(!plot.graph()->picture().isNull());
  };
  command();
  TScatterPlot::execHook = nullptr;
  return c;
}

} // namespace

class CorrWindows : public QObject {
  Q_OBJECT
private slots:
  // The matrix of the summary items: the cells and the .COR file of
  // "kelmar stats", significant cells on red, a scatter plot of a cell.
  void summaryMatrixAsTheCommandLine() {
    QByteArray items(76, '0');
    for (int i : {0, 7, 25, 26, 56, 57}) items[i] = '1';
    Program p({"SANDY6.DAT"}, Ini(items));
    TMRunView* v = RunEnvironments(p);
    v->command("SBCorrMatrix")->trigger();
    auto* m = p.form->windows().get<TCorrMatrixView>(QStringLiteral("TCorrMatrx"));
    QVERIFY(m);
    QCOMPARE(m->windowTitle(), QStringLiteral("Correlation matrix"));
    const int n = v->sums().NSumm;
    QVERIFY(m->statusText().startsWith(
        QStringLiteral("Summary items: 6  Summaries: %1  R-Crit (0.05%): ").arg(n)));
    QCOMPARE(m->grid()->rowCount(), 6);
    int red = 0, marked = 0;
    for (int r = 0; r < 6; ++r)
      for (int c = 0; c < 6; ++c) {
        red += m->grid()->item(r, c)->background().color() == Qt::red;
        marked += m->matrix().isMarked(r + 1, c + 1);
        if (c > r) QVERIFY(m->grid()->item(r, c)->text().isEmpty());
      }
    QCOMPARE(red, marked);
    QCOMPARE(m->grid()->item(2, 2)->text(), QStringLiteral("1.000"));

    p.dlg.files << p.data("GUI.txt");
    m->findChild<QAction*>("SBFileSaveAs")->trigger();
    QCOMPARE(p.dlg.requests.last().title, QStringLiteral("Save correlation matrix"));
    QProcess cli;
    cli.setWorkingDirectory(p.dataDir());
    cli.start(KELMAR_EXE,
              {"stats", "SANDY6.SUM", "--items", QString::fromLatin1(items), "--corr", "CLI.COR"});
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitCode(), 0);
    QCOMPARE(ReadAll(p.data("GUI.COR")), ReadAll(p.data("CLI.COR")));
    QCOMPARE(ReadAll(p.data("GUI.COR")).count("\r\n"), 1 + 7);

    // Any cell, the empty upper triangle too, gives the pair's points.
    m->grid()->setCurrentCell(1, 4);
    Captured c = Capture([m] { m->findChild<QAction*>("SBScatter")->trigger(); });
    QCOMPARE(c.caption, QStringLiteral("Scatter plot"));
    QCOMPARE(c.points, n);
    QCOMPARE(c.xTitle, m->grid()->horizontalHeaderItem(4)->text());
    QCOMPARE(c.yTitle, m->grid()->horizontalHeaderItem(1)->text());

    // A file that cannot be written is reported and leaves nothing.
    p.dlg.clear();
    p.dlg.files << p.data("no/such/dir/X.COR");
    m->findChild<QAction*>("SBFileSaveAs")->trigger();
    QCOMPARE(p.dlg.texts(), QStringList{"Error saving correlation matrix !"});
  }

  // Histograms of a summary column: refused left of the items, otherwise
  // ten classes over the column's values.
  void summaryHistogram() {
    Program p({"SANDY6.DAT"}, Ini(QByteArray(76, '1')));
    TMRunView* v = RunEnvironments(p);
    v->grid()->setCurrentCell(0, 3);
    v->command("SBHistogram")->trigger();
    QCOMPARE(p.dlg.texts(), QStringList{"Cursor must be in column 6 or higher for showing a histogram !"});
    v->grid()->setCurrentCell(0, 6);
    Captured c = Capture([v] { v->command("SBHistogram")->trigger(); });
    QCOMPARE(c.caption, QStringLiteral("Histogram"));
    QCOMPARE(c.yTitle, QStringLiteral("Number in category"));
    QCOMPARE(c.xTitle, v->grid()->horizontalHeaderItem(6)->text().trimmed());
    QVERIFY(c.histogram);
    QCOMPARE(c.histogram->total(), v->sums().NSumm);
    QCOMPARE(c.points, 10);
  }

  // The Price sets: the matrix of the fitted parameters and the histogram of
  // a parameter over its fitting range.
  void priceMatrixAndHistogram() {
    Program p(QStringList{}, {}, false);
    QFile::copy(QDir(KELMAR_EXAMPLES).filePath("SANDY6.MIN"), p.data("SANDY6.MIN"));
    p.start({"SANDY6.DAT"});
    Workspace& ws = p.form->ws();
    for (int i = 1; i <= kParmCount; ++i) ws.parms[i].fit = i == 4 || i == 7 || i == 9;
    p.trigger("MIRunPrice");
    auto* v = p.form->windows().get<TPriceView>(QStringLiteral("TPriceView"));
    v->command("SBCorrMatrix")->trigger();
    QCOMPARE(p.dlg.texts(), QStringList{"Price Algoritm not initialised!"});
    v->command("SBInitialise")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!v->busy(), 60000);
    v->command("SBCorrMatrix")->trigger();
    auto* m = p.form->windows().get<TCorrMatrixView>(QStringLiteral("TCorrMatrix"));
    QVERIFY(m);
    QVERIFY(m->statusText().startsWith("Parameters: 3  Sets: 30  R-Crit (0.05%): "));
    QCOMPARE(m->grid()->horizontalHeaderItem(0)->text(), QStringLiteral("CNM"));
    QCOMPARE(m->grid()->item(1, 1)->text(), QStringLiteral("1.000"));

    p.dlg.clear();
    v->grid()->setCurrentCell(0, 0);
    v->command("SBHistogram")->trigger();
    QCOMPARE(p.dlg.texts(), QStringList{"No parameter selected !"});
    v->grid()->setCurrentCell(0, 2);
    Captured c = Capture([v] { v->command("SBHistogram")->trigger(); });
    QVERIFY(c.histogram);
    QCOMPARE(c.xTitle, QStringLiteral("NFix0"));
    QCOMPARE(c.histogram->low, ws.parms[7].lower);
    QCOMPARE(c.histogram->total(), 30);
  }
};

QTEST_MAIN(CorrWindows)
#include "test_corr_windows.moc"
