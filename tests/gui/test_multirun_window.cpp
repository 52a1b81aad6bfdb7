// The MultiRun window: a batch over environment files on worker threads
// gives the lines of "kelmar multirun envs"; failing scenarios are counted
// and listed without a line; the refusals, loading, saving and reloading of
// summary files, copying the grid and aborting a batch.
#include <QProcess>
#include <QTableWidget>

#include "ScriptedDialogs.h"
#include "calib/MRunView.h"
#include "calib/PriceView.h"
#include "calib/ProgressDlg.h"
#include "widgets/FrozenColumns.h"

using namespace kelmar;
using namespace kelmar::gui;

namespace {

const QString kWeather = QStringLiteral(KELMAR_WEATHER "/wageningen/montecarlo/");

QByteArray Ini() {
  return "[MultiRun Options]\r\nEnviDir=" + kWeather.toUtf8() + "\r\nSummItems=" + QByteArray(76, '1') +
         "\r\n";
}

TMRunView* OpenMRun(Program& p) {
  p.trigger("MIMultiRun");
  return p.form->windows().get<TMRunView>(QStringLiteral("TMRunView"));
}

QStringList DataLines(const QString& sumFile) {
  QStringList lines;
  for (const SumLine& l : ReadSumFile(sumFile.toStdString()).lines) lines << QString::fromStdString(l.text);
  return lines;
}

} // namespace

class MultiRunWindow : public QObject {
  Q_OBJECT
private slots:
  // Some twenty weather years on two jobs: the lines of the command line, in the
  // same order, shown with their statistics rows.
  void environmentsAsTheCommandLine() {
    Program p({"SANDY6.DAT"}, Ini());
    TMRunView* v = OpenMRun(p);
    QVERIFY(v);
    QCOMPARE(v->windowTitle(), QStringLiteral("MultiRun"));
    QCOMPARE(v->statusText(), QStringLiteral("Invalid! Execute, or load summaries, first."));
    v->setJobs(2);
    v->command("SBMonteCarlo")->trigger();
    QVERIFY(v->busy());
    QCOMPARE(v->statusText(), QStringLiteral("Running !"));
    QTRY_VERIFY_WITH_TIMEOUT(!v->busy(), 120000);
    QCOMPARE(p.dlg.texts(), QStringList());
    QCOMPARE(v->state(), int(kMRunShown));
    QCOMPARE(v->statusText(), QStringLiteral("Summary items: 76"));
    QCOMPARE(v->sumFile(), p.data("SANDY6.SUM"));
    const int n = v->sums().NSumm;
    const QStringList envs = QDir(kWeather).entryList({"*.ENV"}, QDir::Files, QDir::Name);
    QCOMPARE(n, envs.size());
    QVERIFY(n >= 20);
    QCOMPARE(v->grid()->rowCount(), n + 5);
    QCOMPARE(v->grid()->columnCount(), 76 + 6);
    QCOMPARE(v->grid()->item(n + 1, 0)->text(), QStringLiteral("low"));
    QCOMPARE(v->grid()->item(n + 4, 0)->text(), QStringLiteral("SE"));

    QProcess cli;
    cli.setWorkingDirectory(p.dataDir());
    cli.start(KELMAR_EXE, {"multirun", "envs", "SANDY6.DAT", kWeather, "-o", "CLI.SUM"});
    QVERIFY(cli.waitForFinished(120000));
    QCOMPARE(cli.exitCode(), 0);
    QCOMPARE(DataLines(p.data("SANDY6.SUM")), DataLines(p.data("CLI.SUM")));
    for (int r = 0; r < n; ++r)
      QCOMPARE(v->grid()->item(r, 2)->text(), QFileInfo(envs[r]).completeBaseName());

    // The grid as text; the file saved elsewhere, asking before replacing.
    v->grid()->selectRow(1);
    const QStringList rows = v->copyText(false).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), 2);
    QVERIFY(rows[0].startsWith("ID\tScenario\tEnvironment\tYear\tWeek\tWeeks\t"));
    QCOMPARE(rows[1].section('\t', 2, 2), QStringLiteral("WAGE1973"));
    p.dlg.files << p.data("COPY.txt");
    v->command("SBFileSaveAs")->trigger();
    QCOMPARE(ReadAll(p.data("COPY.SUM")), ReadAll(p.data("SANDY6.SUM")));
    p.dlg.clear();
    p.dlg.files << p.data("COPY.SUM");
    v->command("SBFileSaveAs")->trigger();
    QCOMPARE(p.dlg.texts(), QStringList{"File " + p.data("COPY.SUM") + " already exists. Replace ?"});

    // A second run asks before replacing the summary file; No runs nothing.
    p.dlg.clear();
    p.dlg.answers << Answer::No;
    v->command("SBMonteCarlo")->trigger();
    QCOMPARE(p.dlg.texts(), QStringList{"File " + p.data("SANDY6.SUM") + " already exists. Replace ?"});
    QVERIFY(!v->busy());
    QCOMPARE(v->state(), int(kMRunShown));

    // Reload of a line runs the scenario with that line's environment.
    v->grid()->setCurrentCell(3, 0);
    p.form->ws().state.DocStatus |= kResultsStale;
    v->command("SBReload")->trigger();
    QCOMPARE(p.dlg.texts().size(), 1);
    QVERIFY(!(p.status() & kResultsStale));
    QVERIFY(QString::fromStdString(p.form->ws().scenario.series(SeriesKind::Environment).FileName)
                .endsWith("WAGE1975.ENV"));
  }

  // A scenario that cannot be loaded is counted and named, and gives no line.
  void failingScenarioCounted() {
    Program p({"SANDY6.DAT"}, Ini());
    WriteFile(p.data("BROKEN.DAT"), "Kelmar 459 Data File\r\nnot a scenario\r\n");
    TMRunView* v = OpenMRun(p);
    v->command("SBRunAll")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!v->busy(), 60000);
    QCOMPARE(p.dlg.texts(), QStringList{"Scenario loading errors encountered: 1"});
    QCOMPARE(v->sums().NSumm, 1);
    QCOMPARE(v->grid()->item(0, 1)->text(), QStringLiteral("SANDY6"));
    QVERIFY(v->failuresText().contains("BROKEN.DAT"));
    QVERIFY(QFileInfo::exists(p.data("MULTIRUN.SUM")));
  }

  // Commands that need summaries, or a Price population, refuse without.
  void refusals() {
    Program p({"SANDY6.DAT"}, Ini());
    TMRunView* v = OpenMRun(p);
    for (const char* c : {"SBReload", "SBFileSaveAs"}) {
      p.dlg.clear();
      v->command(c)->trigger();
      QCOMPARE(p.dlg.texts(), QStringList{"Invalid! Execute, or load summaries, first."});
    }
    p.dlg.clear();
    v->command("SBRunAllPrice")->trigger();
    QCOMPARE(p.dlg.texts(), QStringList{"Price algoritm not initialised !"});
    p.trigger("MIRunPrice");
    p.dlg.clear();
    v->command("SBRunAllPrice")->trigger();
    QCOMPARE(p.dlg.texts(), QStringList{"Price Algoritm not initialised!"});
  }

  // Loading: another kind of file is refused; a file of headers only
  // changes nothing; a good file fills the grid with the items chosen.
  void loadSummaries() {
    Program p({"SANDY6.DAT"}, Ini());
    TMRunView* v = OpenMRun(p);
    WriteFile(p.data("WRONG.SUM"), "Kelmar 459 Data File\r\n");
    p.dlg.files << p.data("WRONG.SUM");
    v->command("SBLoad")->trigger();
    QCOMPARE(p.dlg.texts(),
             QStringList{"Loading " + p.data("WRONG.SUM") + "\rInvalid file ID: Kelmar 459 Data File"});
    QCOMPARE(p.dlg.asked[0].type, BoxType::Error);
    v->options().Included.fill(false);
    v->options().Included[0] = v->options().Included[75] = true;
    v->command("SBRunAll")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!v->busy(), 60000);
    QCOMPARE(v->grid()->columnCount(), 8);
    QByteArray headers = ReadAll(p.data("MULTIRUN.SUM"));
    headers.truncate(
        headers.indexOf(
            "\r\n", headers.indexOf("\r\n", headers.indexOf("\r\n", headers.indexOf("\r\n") + 2) + 2) + 2) +
        2);
    WriteFile(p.data("EMPTY.SUM"), headers);
    p.dlg.files << p.data("EMPTY.SUM");
    v->command("SBLoad")->trigger();
    QCOMPARE(v->sumFile(), p.data("MULTIRUN.SUM"));
    QCOMPARE(v->sums().NSumm, 1);
    p.dlg.files << p.data("MULTIRUN.SUM");
    v->command("SBLoad")->trigger();
    QCOMPARE(v->windowTitle(), QStringLiteral("MultiRun: MULTIRUN.SUM"));
    QCOMPARE(v->state(), int(kMRunShown));

    // The lock keeps ID, then ID and scenario, then ID, scenario and
    // environment in place, then ID alone again.
    FrozenColumns* fixed = v->fixedColumns();
    QVERIFY(fixed);
    QList<int> counts{fixed->count()};
    for (int i = 0; i < 3; ++i) {
      v->findChild<QAction*>("SBLock")->trigger();
      counts << fixed->count();
    }
    QCOMPARE(counts, (QList<int>{1, 2, 3, 1}));
    QCOMPARE(fixed->view()->isColumnHidden(0), false);
    QCOMPARE(fixed->view()->isColumnHidden(1), true);
    QCOMPARE(fixed->view()->model(), v->grid()->model());
  }

  // A batch of the Price sets, started from the Price window: one line per
  // set in set order; reloading line 5 writes set 5, whatever the Price
  // window's order; a new Initialise voids the lines.
  void priceSets() {
    Program p(QStringList{}, Ini(), false);
    QFile::copy(QDir(KELMAR_EXAMPLES).filePath("SANDY6.MIN"), p.data("SANDY6.MIN"));
    p.start({"SANDY6.DAT"});
    Workspace& ws = p.form->ws();
    for (int i = 1; i <= kParmCount; ++i) ws.parms[i].fit = i == 4 || i == 9;
    p.trigger("MIRunPrice");
    auto* pv = p.form->windows().get<TPriceView>(QStringLiteral("TPriceView"));
    pv->command("SBInitialise")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!pv->busy() && pv->alg().PriceState == kPriceInitialised, 60000);
    pv->command("SBRunAllPrice")->trigger();
    auto* v = p.form->windows().get<TMRunView>(QStringLiteral("TMRunView"));
    QVERIFY(v);
    QTRY_VERIFY_WITH_TIMEOUT(!v->busy(), 60000);
    QCOMPARE(v->state(), int(kMRunShown));
    QCOMPARE(v->sums().NSumm, 20);
    v->grid()->setCurrentCell(4, 0);
    v->command("SBReload")->trigger();
    QCOMPARE(ws.scenario.CNM, pv->alg().PSet(5, 1));
    QCOMPARE(ws.parms.value(ws.scenario, 9), pv->alg().PSet(5, 2));
    pv->command("SBInitialise")->trigger();
    QCOMPARE(v->state(), int(kMRunInvalid));
    QTRY_VERIFY_WITH_TIMEOUT(!pv->busy(), 60000);
  }

  // Abort asks, stops the batch and leaves no valid summaries.
  void abortBatch() {
    Program p({"SANDY6.DAT"}, Ini());
    TMRunView* v = OpenMRun(p);
    v->setJobs(1);
    v->command("SBMonteCarlo")->trigger();
    QVERIFY(v->progress()->isVisible());
    QCOMPARE(v->progress()->windowTitle(), QStringLiteral("MultiRun progress..."));
    const int envs = int(QDir(kWeather).entryList({"*.ENV"}, QDir::Files).size());
    QCOMPARE(v->progress()->line1(),
             QStringLiteral("Running 1 scenario(s) with %1 environment(s)").arg(envs));
    p.dlg.answers << Answer::Yes;
    v->progress()->AbortClick();
    QTRY_VERIFY_WITH_TIMEOUT(!v->busy(), 60000);
    QCOMPARE(p.dlg.texts(), (QStringList{"Abort operation ?", "MultiRun aborted !"}));
    QCOMPARE(v->state(), int(kMRunInvalid));
    QCOMPARE(v->statusText(), QStringLiteral("Invalid! Execute, or load summaries, first."));
  }
};

QTEST_MAIN(MultiRunWindow)
#include "test_multirun_window.moc"
