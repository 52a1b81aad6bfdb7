// The Sensitivity window: opened from the Run menu, a Morris and a Sobol
// analysis on the worker thread with the table and chart they fill, Abort,
// the refusals, and saving the CSV.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>

#include "ScriptedDialogs.h"
#include "Workspace.h"
#include "report/GraphData.h"
#include "views/SensitivityView.h"
#include "widgets/TzkGraph.h"

using namespace kelmar;
using namespace kelmar::gui;

namespace {

// Marks the given parameter-table entries, 10 % either side of their values.
void Mark(Workspace& ws, std::initializer_list<int> entries) {
  for (int i = 1; i <= ParmTable::size(); ++i) ws.parms[i].fit = 0;
  for (int i : entries) {
    const float v = ws.parms.value(ws.scenario, i);
    ws.parms[i].fit = 1;
    ws.parms[i].lower = 0.9f * v;
    ws.parms[i].upper = 1.1f * v;
  }
}

TSensitivityView* Open(Program& p) {
  p.trigger(QStringLiteral("MIRunSensitivity"));
  return qobject_cast<TSensitivityView*>(p.form->windows().active());
}

template <class T> T* Child(QWidget* w, const char* name) {
  T* c = w->findChild<T*>(QLatin1String(name));
  if (!c) qFatal("no child %s", name);
  return c;
}

int ChartPoints(TSensitivityView* v) {
  int n = 0;
  for (const GraphSeries& s : Child<TzkGraph>(v, "Chart")->data().series) n += s.count;
  return n;
}

} // namespace

class SensitivityTest : public QObject {
  Q_OBJECT
private slots:
  void morrisAndSobolFillTableAndChart() {
    Program p;
    Mark(p.form->ws(), {4, 9, 24}); // CNM, DNF, NLF1
    TSensitivityView* v = Open(p);
    QVERIFY(v);
    v->Refresh();
    QCOMPARE(Child<QLabel>(v, "Parameters")->text(), QStringLiteral("Marked parameters: 3"));
    Child<QLineEdit>(v, "Outputs")->setText(QStringLiteral("NLeach,NOUT"));
    for (int k = 1; k <= 9; ++k)
      Child<QCheckBox>(v, qPrintable(QStringLiteral("Target%1").arg(k)))->setChecked(false);
    struct Case {
      int method, size;
      int points; // on the chart of one output
      const char* firstHeader;
    } cases[] = {{0, 5, 3, "mu*"}, {1, 16, 6, "ST"}};
    for (const Case& c : cases) {
      Child<QComboBox>(v, "Method")->setCurrentIndex(c.method);
      Child<QSpinBox>(v, c.method == 0 ? "Trajectories" : "Samples")->setValue(c.size);
      Child<QSpinBox>(v, "Jobs")->setValue(2);
      QSignalSpy done(v, &TSensitivityView::finished);
      Child<QPushButton>(v, "Run")->click();
      QVERIFY(v->running());
      QVERIFY(!Child<QPushButton>(v, "Run")->isEnabled());
      QVERIFY(done.wait(30000));
      QVERIFY(!v->running());
      QCOMPARE(v->result().failedRuns, 0L);
      auto* table = Child<QTableWidget>(v, "Results");
      QCOMPARE(table->rowCount(), 3 * 2);
      QCOMPARE(table->horizontalHeaderItem(2)->text(), QString::fromLatin1(c.firstHeader));
      QCOMPARE(Child<QComboBox>(v, "ChartOutput")->count(), 2);
      QCOMPARE(ChartPoints(v), c.points);
      QCOMPARE(Child<QProgressBar>(v, "Progress")->value(), Child<QProgressBar>(v, "Progress")->maximum());
      QVERIFY(Child<QLabel>(v, "Status")->text().contains(QStringLiteral(" runs")));
    }
    // The analysis ran on copies: the scenario's parameters are as they were.
    QCOMPARE(MarkedFactors(p.form->ws()).size(), std::size_t(3));
    QVERIFY(p.dlg.asked.isEmpty());
  }

  void abortStopsTheRunWithoutResults() {
    Program p;
    Mark(p.form->ws(), {4, 9, 24});
    TSensitivityView* v = Open(p);
    Child<QComboBox>(v, "Method")->setCurrentIndex(1);
    Child<QSpinBox>(v, "Samples")->setValue(100000);
    Child<QSpinBox>(v, "Jobs")->setValue(1);
    QSignalSpy done(v, &TSensitivityView::finished);
    Child<QPushButton>(v, "Run")->click();
    QTRY_VERIFY(Child<QProgressBar>(v, "Progress")->value() > 0);
    Child<QPushButton>(v, "Abort")->click();
    QVERIFY(done.wait(30000));
    QVERIFY(v->result().aborted);
    QVERIFY(Child<QLabel>(v, "Status")->text().contains(QStringLiteral("aborted")));
    QCOMPARE(Child<QTableWidget>(v, "Results")->rowCount(), 0);
    QVERIFY(!Child<QPushButton>(v, "SaveCsv")->isEnabled());
    QVERIFY(Child<QPushButton>(v, "Run")->isEnabled());
  }

  void refusalsAndSavingTheCsv() {
    Program p;
    Mark(p.form->ws(), {});
    TSensitivityView* v = Open(p);
    Child<QPushButton>(v, "Run")->click();
    QCOMPARE(p.dlg.texts(),
             QStringList{QStringLiteral("No parameters selected in Parameter Fitting dialog!")});
    QVERIFY(!v->running());

    Mark(p.form->ws(), {4, 24});
    p.dlg.clear();
    Child<QLineEdit>(v, "Outputs")->setText(QStringLiteral("NLeach,Foo"));
    Child<QPushButton>(v, "Run")->click();
    QCOMPARE(p.dlg.texts(), QStringList{QStringLiteral("Outputs: unknown summary item 'Foo'")});

    p.dlg.clear();
    Child<QLineEdit>(v, "Outputs")->setText(QStringLiteral("NLeach"));
    for (int k = 1; k <= 9; ++k)
      Child<QCheckBox>(v, qPrintable(QStringLiteral("Target%1").arg(k)))->setChecked(false);
    Child<QSpinBox>(v, "Trajectories")->setValue(4);
    QSignalSpy done(v, &TSensitivityView::finished);
    Child<QPushButton>(v, "Run")->click();
    QVERIFY(done.wait(30000));
    QVERIFY(Child<QPushButton>(v, "SaveCsv")->isEnabled());
    const QString csv = p.data(QStringLiteral("S.CSV"));
    WriteFile(csv, "old");
    p.dlg.files.enqueue(csv);
    p.dlg.answers.enqueue(Answer::Cancel); // keep the file there
    Child<QPushButton>(v, "SaveCsv")->click();
    QCOMPARE(ReadAll(csv), QByteArray("old"));
    p.dlg.files.enqueue(csv);
    p.dlg.answers.enqueue(Answer::Ok);
    Child<QPushButton>(v, "SaveCsv")->click();
    QVERIFY(ReadAll(csv).startsWith("parameter,output,mu_star,mu_star_conf,mu,sigma,effects\n"));
    QCOMPARE(ReadAll(csv).count('\n'), 1 + 2);
  }
};

QTEST_MAIN(SensitivityTest)
#include "test_sensitivity.moc"
