// The Price window: its refusals, a search on the worker thread that ends in
// the same sets as the command line with the same seed, the progress dialog
// and Abort, saving and resuming a search, the options, the grid's order and
// copying, and closing the program while a search runs.
#include <QCheckBox>
#include <QClipboard>
#include <QDoubleSpinBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QProcess>
#include <QSpinBox>
#include <QTableWidget>

#include "ScriptedDialogs.h"
#include "calib/AutoDialog.h"
#include "calib/PriceView.h"
#include "calib/ProgressDlg.h"
#include "data/ParFile.h"
#include "documents/DocumentSet.h"
#include "editors/EditParm.h"
#include "widgets/NumInput.h"

using namespace kelmar;
using namespace kelmar::gui;

namespace {

constexpr int kCNM = 4, kNFix0 = 7, kDNF = 9;

// The example with its measured mineral N, and only the given parameters marked.
void Start(Program& p, std::initializer_list<int> marked) {
  QFile::copy(QDir(KELMAR_EXAMPLES).filePath("SANDY6.MIN"), p.data("SANDY6.MIN"));
  p.start({"SANDY6.DAT"});
  Workspace& ws = p.form->ws();
  for (int i = 1; i <= kParmCount; ++i) ws.parms[i].fit = 0;
  for (int i : marked) ws.parms[i].fit = 1;
}

TPriceView* OpenPrice(Program& p) {
  p.trigger("MIRunPrice");
  return p.form->windows().get<TPriceView>(QStringLiteral("TPriceView"));
}

void SetIterations(TPriceView* v, int n) {
  v->execOptions = [n](TPricOptiDialog& d) {
    d.iterPerSet()->setValue(n);
    return true;
  };
  v->command("SBOptions")->trigger();
}

bool Done(TPriceView* v, int state) { return !v->busy() && v->alg().PriceState == state; }

} // namespace

class PriceWindow : public QObject {
  Q_OBJECT
private slots:
  // Before a population exists the commands that need one refuse; the
  // checks before a search say what is missing.
  void refusals() {
    Program p(QStringList{}, {}, false);
    p.start({"SANDY6.DAT"}); // no measurements
    TPriceView* v = OpenPrice(p);
    QVERIFY(v);
    QCOMPARE(v->windowTitle(), QStringLiteral("Price Algoritm"));
    QCOMPARE(v->statusText(), QStringLiteral("Not initialised"));
    for (const char* c : {"SBCopySet", "SBFileSaveAs", "SBLowest", "SBSaveState"}) {
      p.dlg.clear();
      v->command(c)->trigger();
      QCOMPARE(p.dlg.texts(), QStringList{"Price Algoritm not initialised!"});
    }
    // Target 5 needs no measurement; the others do.
    v->execOptions = [](TPricOptiDialog& d) {
      d.target(5)->setChecked(false);
      return true;
    };
    v->command("SBOptions")->trigger();
    p.dlg.clear();
    v->command("SBInitialise")->trigger();
    QCOMPARE(p.dlg.texts(), QStringList{"No measurements available for fitting!"});
    QVERIFY(!v->busy());

    Program q(QStringList{}, {}, false);
    Start(q, {});
    v = OpenPrice(q);
    v->command("SBIterate")->trigger();
    QCOMPARE(q.dlg.texts(), QStringList{"No parameters selected in Parameter Fitting dialog!"});
    QVERIFY(!v->busy());
  }

  // Initialise and Iterate of three parameters on the worker thread reach the
  // sets of "kelmar fit" with the same seed; the best set is copied into the
  // scenario and its results are current.
  void sameSetsAsTheCommandLine() {
    Program p(QStringList{}, {}, false);
    Start(p, {kCNM, kNFix0, kDNF});
    Workspace& ws = p.form->ws();
    SavePar(ws, p.data("SANDY6.PAR").toStdString());
    TPriceView* v = OpenPrice(p);
    SetIterations(v, 2);
    v->setSeed(12345);
    v->command("SBIterate")->trigger(); // initialises first
    QVERIFY(v->busy());
    QTRY_VERIFY_WITH_TIMEOUT(Done(v, kPriceIterated), 120000);
    QVERIFY(p.dlg.texts().isEmpty());
    QVERIFY(v->command("SBInitialise")->isChecked() && v->command("SBIterate")->isChecked());
    QVERIFY(v->progress()->isHidden());

    // Best first; the scenario holds row 1 with fresh results.
    const TPriceAlg& a = v->alg();
    const int best = v->order().SetOfRow(1);
    QCOMPARE(best, a.QTLowSet[0]);
    QCOMPARE(ws.scenario.CNM, a.PSet(best, 1));
    QCOMPARE(ws.parms.value(ws.scenario, kDNF), a.PSet(best, 3));
    QVERIFY(!(p.status() & kResultsStale));
    QVERIFY(!(p.status() & kScenarioSaved));
    QCOMPARE(v->grid()->rowCount(), 30 + 5);
    QCOMPARE(v->grid()->horizontalHeaderItem(1)->text(), QStringLiteral("CNM"));
    QVERIFY(v->statusText().startsWith("Parameters: 3  Sets: 30  Iterations: "));

    p.dlg.files << p.data("GUI.PS");
    v->command("SBFileSaveAs")->trigger();
    QCOMPARE(p.dlg.requests.last().fileName, QStringLiteral("SANDY6.PS"));
    QProcess cli;
    cli.setWorkingDirectory(p.dataDir());
    cli.start(KELMAR_EXE, {"fit", "SANDY6.DAT", "--seed", "12345", "--iter-per-set", "2", "--ps", "CLI.PS"});
    QVERIFY(cli.waitForFinished(120000));
    QCOMPARE(cli.exitCode(), 0);
    const QByteArray gui = ReadAll(p.data("GUI.PS")), line = ReadAll(p.data("CLI.PS"));
    QVERIFY(!gui.isEmpty());
    QCOMPARE(gui, line);

    // The grid as text: the header and the chosen rows, tab-separated.
    v->grid()->selectRow(0);
    const QStringList rows = v->copyText(false).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), 2);
    QVERIFY(rows[0].startsWith("ID\tCNM\tNFix0\tDNF\tQTsum"));
    QCOMPARE(rows[1].section('\t', 0, 0), QString::number(best));
    QCOMPARE(v->copyText(true).count('\n'), 1 + 30 + 5);

    // Sorting by set number, then Copy Lowest finds the best set's row.
    v->sortBy(0);
    QCOMPARE(v->order().SetOfRow(1), 1);
    ws.scenario.CNM = 1;
    v->command("SBLowest")->trigger();
    QCOMPARE(v->grid()->currentRow() + 1, v->order().RowOfSet(best));
    QCOMPARE(ws.scenario.CNM, a.PSet(best, 1));
  }

  // The progress dialog while the sets are drawn; Abort asks first and
  // leaves no population.
  void abortWhileInitialising() {
    Program p(QStringList{}, {}, false);
    Start(p, {kCNM, kNFix0, kDNF, 23, 24, 35, 40});
    TPriceView* v = OpenPrice(p);
    v->command("SBInitialise")->trigger();
    QTRY_VERIFY(v->progress()->isVisible());
    QCOMPARE(v->progress()->windowTitle(), QStringLiteral("Initializing Price Algoritm"));
    QCOMPARE(v->progress()->line1(), QStringLiteral("Creating 70 initial parametersets..."));
    QCOMPARE(v->progress()->maximum(), 70);
    p.dlg.answers << Answer::No;
    v->progress()->AbortClick();
    QVERIFY(!v->progress()->cancelled());
    // Minimising the dialog puts the whole program aside; maximising it
    // brings the program back, the dialog at its own size.
    v->progress()->setWindowState(Qt::WindowMinimized);
    QTRY_VERIFY(p.form->isMinimized());
    QTRY_VERIFY(!v->progress()->isMinimized());
    v->progress()->setWindowState(Qt::WindowMaximized);
    QTRY_VERIFY(!p.form->isMinimized());
    QTRY_VERIFY(!v->progress()->isMaximized());
    // With the program already minimised, the dialog minimises on its own,
    // and restoring it brings the program back.
    QTest::qWait(50); // the platform's own state changes settle first
    p.form->showMinimized();
    v->progress()->setWindowState(Qt::WindowMinimized);
    QTest::qWait(20);
    QVERIFY(p.form->isMinimized());
    QVERIFY(v->progress()->isMinimized());
    v->progress()->setWindowState(Qt::WindowNoState);
    QTRY_VERIFY(!p.form->isMinimized());
    // Closing the window now is refused.
    p.dlg.clear();
    v->frame()->close();
    QCOMPARE(p.dlg.texts(), QStringList{"Price Algoritm busy initialising!"});
    QVERIFY(p.form->windows().get<TPriceView>(QStringLiteral("TPriceView")));
    p.dlg.clear();
    p.dlg.answers << Answer::Yes;
    v->progress()->AbortClick();
    QCOMPARE(p.dlg.asked[0].type, BoxType::Confirmation);
    QCOMPARE(p.dlg.asked[0].buttons, Buttons::YesNo);
    QTRY_VERIFY_WITH_TIMEOUT(!v->busy(), 60000);
    QCOMPARE(v->alg().PriceState, int(kPriceNotInitialised));
    QCOMPARE(p.dlg.texts().last(), QStringLiteral("Price Algoritm not initialised!"));
    QVERIFY(v->progress()->isHidden());
  }

  // An aborted iteration keeps its population; a saved search resumes in a
  // new window and ends where an uninterrupted one does.
  void saveAndResume() {
    Program p(QStringList{}, {}, false);
    Start(p, {kCNM, kDNF});
    TPriceView* v = OpenPrice(p);
    SetIterations(v, 3);
    v->setSeed(99);
    v->command("SBInitialise")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(Done(v, kPriceInitialised), 60000);
    p.dlg.files << p.data("SEARCH.PST");
    v->command("SBSaveState")->trigger();
    QVERIFY(QFileInfo::exists(p.data("SEARCH.PST")));
    v->command("SBIterate")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(Done(v, kPriceIterated), 60000);
    QVector<float> whole;
    for (int s = 1; s <= v->alg().NSets(); ++s) whole << v->alg().PSet(s, 1) << v->alg().PSet(s, 2);

    v->frame()->close();
    QTRY_VERIFY(!p.form->windows().get<TPriceView>(QStringLiteral("TPriceView")));
    v = OpenPrice(p);
    p.dlg.files << p.data("SEARCH.PST");
    v->command("SBResume")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(Done(v, kPriceIterated), 60000);
    QVector<float> resumed;
    for (int s = 1; s <= v->alg().NSets(); ++s) resumed << v->alg().PSet(s, 1) << v->alg().PSet(s, 2);
    QCOMPARE(resumed, whole);
  }

  // Options: taken over on OK, kept in the INI file; a mark changed in the
  // fitting window voids the population.
  void optionsAndMarks() {
    Program p(QStringList{}, {}, false);
    Start(p, {kCNM});
    TPriceView* v = OpenPrice(p);
    v->execOptions = [](TPricOptiDialog& d) {
      d.target(1)->setChecked(false);
      d.target(6)->setChecked(true);
      d.weight(6)->setValue(2.5);
      d.ftol()->setValue(0.02);
      return true;
    };
    v->command("SBOptions")->trigger();
    QCOMPARE(QString::fromStdString(p.form->ini().readString("Price Options", "Targets", "")),
             QStringLiteral("011111000"));
    QCOMPARE(QString::fromStdString(p.form->ini().readString("Price Options", "Weight6", "")),
             QStringLiteral("2.50"));
    v->command("SBInitialise")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(Done(v, kPriceInitialised), 60000);
    QVERIFY(v->grid()->horizontalHeaderItem(2 + 6)->text().endsWith('*'));
    p.trigger("MIRunParmFitting");
    auto* fit = p.form->windows().get<TAutoDialog>(QStringLiteral("TAutoDialog"));
    fit->toggleMark(kDNF - 1);
    QCOMPARE(v->alg().PriceState, int(kPriceNotInitialised));
    QCOMPARE(v->statusText(), QStringLiteral("Not initialised"));
    QVERIFY(!v->command("SBInitialise")->isChecked());
  }

  // Results that become stale void the population, since its targets were
  // computed from the data as it was; the fresh results of its own best set
  // keep it.
  void staleResultsVoidThePopulation() {
    Program p(QStringList{}, {}, false);
    Start(p, {kCNM});
    TPriceView* v = OpenPrice(p);
    v->command("SBInitialise")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(Done(v, kPriceInitialised), 60000);
    QTest::qWait(50);
    QCOMPARE(v->alg().PriceState, int(kPriceInitialised));
    p.trigger("MIEditParameters");
    auto* parm = p.form->windows().get<TParmDialog>(QStringLiteral("TParmDialog"));
    parm->input("NDep")->setFocus();
    parm->input("NDep")->selectAll();
    QTest::keyClicks(parm->input("NDep"), "40");
    QVERIFY(p.form->docs().CommitEditors());
    QTRY_COMPARE(v->alg().PriceState, int(kPriceNotInitialised));
    QCOMPARE(v->statusText(), QStringLiteral("Not initialised"));
  }

  // Ending the program while a search runs stops the search and waits for it.
  void programEndsDuringSearch() {
    Program p(QStringList{}, {}, false);
    Start(p, {kCNM, kNFix0, kDNF, 23, 24, 35, 40});
    TPriceView* v = OpenPrice(p);
    v->command("SBInitialise")->trigger();
    QTRY_VERIFY(v->progress()->isVisible());
    p.form.reset();
  }
};

QTEST_MAIN(PriceWindow)
#include "test_price_window.moc"
