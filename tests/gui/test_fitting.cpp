// The Parameter Fitting window: cell validation under the table's limits,
// the key filter, fit marks and Check all, stepping and backup/restore from
// its tool bar, .PAR files and the options dialog, and how the shell reaches
// it (menu, status panel, editor commit).
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QTableWidget>

#include "ScriptedDialogs.h"
#include "calib/AutoDialog.h"
#include "data/ParFile.h"
#include "shell/StatusBar.h"

using namespace kelmar;
using namespace kelmar::gui;

namespace {

TAutoDialog* OpenFitting(Program& p) {
  p.trigger("MIRunParmFitting");
  return p.form->windows().get<TAutoDialog>(QStringLiteral("TAutoDialog"));
}

QAction* Command(TAutoDialog* d, const char* name) {
  return d->findChild<QAction*>(QString::fromLatin1(name));
}

constexpr int kPH = 3; // table number of pH: 5.5 in the example, range 1..14, 2 decimals

} // namespace

class Fitting : public QObject {
  Q_OBJECT
private slots:
  // Each column's checks: what is stored, the cell text and the message.
  void cellValidation_data() {
    QTest::addColumn<int>("col");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("message");
    QTest::addRow("value inside") << 2 << "8.5"
                                  << "8.50"
                                  << "";
    QTest::addRow("value above upper") << 2 << "15"
                                       << "14.00"
                                       << "Value must be <= 14.00 !";
    QTest::addRow("value below lower") << 2 << "0.5"
                                       << "1.00"
                                       << "Value must be >= 1.00 !";
    QTest::addRow("value not a number") << 2 << "-"
                                        << "5.50"
                                        << "";
    QTest::addRow("lower inside") << 1 << "2"
                                  << "2.00"
                                  << "";
    QTest::addRow("lower above value") << 1 << "6"
                                       << "1.00"
                                       << "Lower range must be between 1.00 and 5.50 !";
    QTest::addRow("lower below default") << 1 << "0"
                                         << "1.00"
                                         << "Lower range must be between 1.00 and 5.50 !";
    QTest::addRow("upper inside") << 3 << "9"
                                  << "9.00"
                                  << "";
    QTest::addRow("upper below value") << 3 << "5"
                                       << "14.00"
                                       << "Upper range must be between 5.50 and 14.00 !";
    QTest::addRow("upper above default") << 3 << "20"
                                         << "14.00"
                                         << "Upper range must be between 5.50 and 14.00 !";
  }
  void cellValidation() {
    QFETCH(int, col);
    QFETCH(QString, typed);
    QFETCH(QString, cell);
    QFETCH(QString, message);
    Program p;
    TAutoDialog* d = OpenFitting(p);
    QVERIFY(d);
    Workspace& ws = p.form->ws();
    p.dlg.clear();
    d->enterText(kPH - 1, col, typed);
    QCOMPARE(d->grid()->item(kPH - 1, col)->text(), cell);
    QCOMPARE(p.dlg.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    if (!message.isEmpty()) QCOMPARE(p.dlg.asked[0].type, BoxType::Plain);
    const AutoParm& e = ws.parms[kPH];
    const float stored = col == 1 ? e.lower : col == 2 ? ws.parms.value(ws.scenario, kPH) : e.upper;
    QCOMPARE(stored, cell.toFloat());
    QVERIFY(e.defLower <= e.lower && e.lower <= ws.parms.value(ws.scenario, kPH));
    QVERIFY(ws.parms.value(ws.scenario, kPH) <= e.upper && e.upper <= e.defUpper);
    QCOMPARE(ws.state.SelParm, kPH);
    // Only a new value makes the results stale and the scenario unsaved.
    const bool changed = col == 2 && cell != "5.50";
    QCOMPARE(bool(p.status() & kScenarioSaved), !changed);
  }

  // Typing goes through the key filter: letters are dropped, one "-" and one
  // decimal point ("," becomes "."), and Enter validates.
  void keyFilter() {
    Program p;
    TAutoDialog* d = OpenFitting(p);
    QTableWidget* g = d->grid();
    d->selectCell(kPH - 1, TAutoDialog::kValue);
    g->editItem(g->item(kPH - 1, TAutoDialog::kValue));
    auto* edit = g->findChild<QLineEdit*>();
    QVERIFY(edit);
    edit->clear();
    QTest::keyClicks(edit, "1x2,5.7a");
    QCOMPARE(edit->text(), QStringLiteral("12.57"));
    QVERIFY(d->modified());
    QTest::keyClicks(edit, "--");
    QCOMPARE(edit->text().count(QLatin1Char('-')), 1);
    edit->setText("9,5");
    QTest::keyClick(edit, Qt::Key_Return);
    QTRY_COMPARE(p.form->ws().parms.value(p.form->ws().scenario, kPH), 9.5f);
    QCOMPARE(g->item(kPH - 1, TAutoDialog::kValue)->text(), QStringLiteral("9.50"));
  }

  // A pending edit is committed before a command runs, and Calculate sees it.
  void pendingEditCommittedByCalculate() {
    Program p;
    TAutoDialog* d = OpenFitting(p);
    QTableWidget* g = d->grid();
    d->selectCell(kPH - 1, TAutoDialog::kValue);
    g->editItem(g->item(kPH - 1, TAutoDialog::kValue));
    auto* edit = g->findChild<QLineEdit*>();
    edit->clear();
    QTest::keyClicks(edit, "8");
    QVERIFY(d->modified());
    p.trigger("MIRunCalculate");
    QCOMPARE(p.form->ws().parms.value(p.form->ws().scenario, kPH), 8.0f);
    QVERIFY(!(p.status() & kResultsStale));
    QVERIFY(!d->modified());
  }

  // Marks: a click or Space in the Fit column toggles; Check all marks all,
  // then clears all; the status panel counts them.
  void marksAndCheckAll() {
    Program p;
    TAutoDialog* d = OpenFitting(p);
    Workspace& ws = p.form->ws();
    int resets = 0;
    d->onMarksChanged = [&resets] { ++resets; };
    const int initial = ws.parms.MarkedCount();
    QCOMPARE(d->statusText(), QString::number(initial) + " selected");
    d->selectCell(0, TAutoDialog::kFit);
    QTest::keyClick(d->grid(), Qt::Key_Space);
    QCOMPARE(ws.parms[1].fit, 1);
    QCOMPARE(d->statusText(), QString::number(initial + 1) + " selected");
    const QRect cell = d->grid()->visualItemRect(d->grid()->item(0, TAutoDialog::kFit));
    QTest::mouseClick(d->grid()->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(ws.parms[1].fit, 0);
    Command(d, "SBCheckAll")->trigger();
    QCOMPARE(ws.parms.MarkedCount(), kParmCount);
    QCOMPARE(d->statusText(), QStringLiteral("51 selected"));
    Command(d, "SBCheckAll")->trigger();
    QCOMPARE(ws.parms.MarkedCount(), 0);
    QCOMPARE(resets, 4);
  }

  // Increase and Decrease from the tool bar step the selected parameter
  // within its range and recalculate; Restore brings the backup back.
  void stepAndRestore() {
    Program p;
    TAutoDialog* d = OpenFitting(p);
    Workspace& ws = p.form->ws();
    const float original = ws.parms.value(ws.scenario, kPH);
    d->selectCell(kPH - 1, TAutoDialog::kValue);
    Command(d, "SBIncrease")->trigger();
    QCOMPARE(ws.parms.value(ws.scenario, kPH), float(original * 1.1));
    QCOMPARE(d->grid()->item(kPH - 1, TAutoDialog::kValue)->text(), QStringLiteral("6.05"));
    QVERIFY(!(p.status() & kResultsStale));
    for (int i = 0; i < 15; ++i) Command(d, "SBIncrease")->trigger();
    QCOMPARE(ws.parms.value(ws.scenario, kPH), 14.0f);
    Command(d, "SBRestore")->trigger();
    QCOMPARE(ws.parms.value(ws.scenario, kPH), original);
    QCOMPARE(d->grid()->item(kPH - 1, TAutoDialog::kValue)->text(), QStringLiteral("5.50"));
    Command(d, "SBDecrease")->trigger();
    QCOMPARE(ws.parms.value(ws.scenario, kPH), float(original * 0.9));
    Command(d, "SBBackup")->trigger();
    QCOMPARE(ws.parms[kPH].backup, float(original * 0.9));
    // Next Parameter moves the window's selection too.
    p.trigger("MIRunNextParameter");
    QCOMPARE(d->grid()->currentRow(), kPH);
  }

  // .PAR files: Save As asks before replacing and writes the table; Load
  // takes ranges and marks (as the options say) but never values; a file of
  // another kind changes nothing.
  void parFiles() {
    Program p;
    TAutoDialog* d = OpenFitting(p);
    Workspace& ws = p.form->ws();
    ws.parms[kPH].lower = 2;
    ws.parms[kPH].fit = 1;
    const QString par = p.data("SANDY6.PAR");
    p.dlg.files << p.data("SANDY6.txt");
    Command(d, "SBSaveAs")->trigger();
    QCOMPARE(p.dlg.requests.last().title, QStringLiteral("Save parameters"));
    QCOMPARE(p.dlg.requests.last().fileName, QStringLiteral("SANDY6.PAR"));
    QVERIFY(ReadAll(par).startsWith("Kelmar 430 Parm File"));
    // Replacing: Cancel keeps the file, OK writes it.
    ws.parms[kPH].lower = 3;
    p.dlg.clear();
    p.dlg.files << par;
    Command(d, "SBSaveAs")->trigger();
    QCOMPARE(p.dlg.texts(), QStringList{"File " + par + " already exists. Replace ?"});
    QCOMPARE(p.dlg.asked[0].type, BoxType::Warning);

    ws.parms[kPH].lower = 1;
    ws.parms[kPH].fit = 0;
    ws.parms.value(ws.scenario, kPH) = 5;
    p.form->ini().writeBool("Parameter Options", "Value", true); // the window ignores it
    p.form->ini().writeBool("Parameter Options", "Fit", false);
    int resets = 0;
    d->onMarksChanged = [&resets] { ++resets; };
    p.dlg.files << par;
    Command(d, "SBLoad")->trigger();
    QCOMPARE(p.dlg.requests.last().title, QStringLiteral("Load parameters"));
    QCOMPARE(ws.parms[kPH].lower, 2.0f);
    QCOMPARE(ws.parms[kPH].fit, 0);
    QCOMPARE(ws.parms.value(ws.scenario, kPH), 5.0f);
    QCOMPARE(d->grid()->item(kPH - 1, TAutoDialog::kLower)->text(), QStringLiteral("2.00"));
    QVERIFY(p.status() & kResultsStale);
    QCOMPARE(resets, 1);

    WriteFile(p.data("OTHER.PAR"), "Kelmar 459 Data File\r\n");
    p.dlg.clear();
    p.dlg.files << p.data("OTHER.PAR");
    Command(d, "SBLoad")->trigger();
    QCOMPARE(p.dlg.texts(), QStringList{"Invalid file ID!: Kelmar 459 Data File"});
    QCOMPARE(ws.parms[kPH].lower, 2.0f);
  }

  // A file that cannot be written leaves nothing behind and says so.
  void saveErrorLeavesNoFile() {
    Program p;
    TAutoDialog* d = OpenFitting(p);
    const QString target = p.data("missing/dir/X.PAR");
    p.dlg.files << target;
    Command(d, "SBSaveAs")->trigger();
    QCOMPARE(p.dlg.texts(), QStringList{"Error saving parameters !"});
    QVERIFY(!QFileInfo::exists(target));
  }

  // The options dialog: OK stores FitDelta and the four keys; Cancel nothing.
  void optionsDialog() {
    for (bool ok : {false, true}) {
      Program p;
      TAutoDialog* d = OpenFitting(p);
      d->execOptions = [ok](TParmOptiDialog& o) {
        if (!o.box(0)->isEnabled() && o.deltaInput()->value() == 10) {
          o.deltaInput()->setValue(25);
          o.box(1)->setChecked(false);
        }
        if (ok) o.Accept();
        return ok;
      };
      Command(d, "SBOptions")->trigger();
      QCOMPARE(p.form->ws().state.FitDelta, ok ? 25.0f : 10.0f);
      QCOMPARE(p.form->ini().readBool("Parameter Options", "BPRL", true), !ok);
      QCOMPARE(p.form->ini().hasKey("Parameter Options", "Fit"), ok);
    }
  }

  // The window opens once, from the menu or the status bar's parameter panel.
  void opensFromMenuAndPanel() {
    Program p;
    QVERIFY(p.form->action("MIRunParmFitting")->isEnabled());
    const QList<QLabel*> panel = p.form->findChildren<QLabel*>();
    QLabel* parm = nullptr;
    for (QLabel* l : panel)
      if (l->text() == p.form->parmPanelText() && qobject_cast<ClickLabel*>(l)) parm = l;
    QVERIFY(parm);
    QTest::mouseDClick(parm, Qt::LeftButton);
    TAutoDialog* d = p.form->windows().get<TAutoDialog>(QStringLiteral("TAutoDialog"));
    QVERIFY(d);
    QCOMPARE(d->windowTitle(), QStringLiteral("Parameter Fitting"));
    QCOMPARE(d->grid()->horizontalHeaderItem(4)->text(), QStringLiteral("Fit"));
    QCOMPARE(d->grid()->item(50, 0)->text(), QStringLiteral("DNF2"));
    p.trigger("MIRunParmFitting");
    QCOMPARE(p.form->findChildren<TAutoDialog*>().size(), 1);
  }
};

QTEST_MAIN(Fitting)
#include "test_fitting.moc"
