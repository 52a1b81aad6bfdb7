// Run control: the refusals of Repeat and Continue, moving the series on
// Continue, parameter selection, range stepping, the Range dialog and the
// info week.
#include <QSignalSpy>
#include <QSpinBox>

#include "ScriptedDialogs.h"
#include "report/Tables.h"

using namespace kelmar;
using namespace kelmar::gui;

class RunControlTest : public QObject {
  Q_OBJECT
private slots:
  // Repeat and Continue need a calculated run; after one they run and
  // refresh the results.
  void repeatAndContinueNeedAResult() {
    for (const QString command : {"Repeat", "Continue"}) {
      Program p;
      QSignalSpy runs(p.form.get(), &TMainForm::resultsRefreshed);
      p.form->action("MIRun" + command)->trigger();
      QCOMPARE(p.dlg.texts(), QStringList{"Can only " + command + " when model has been Calculated first!"});
      QVERIFY(runs.isEmpty() && !p.form->ws().run.calculated);
      p.trigger("MIRunCalculate");
      p.dlg.clear();
      runs.clear();
      p.form->action("MIRun" + command)->trigger();
      QVERIFY(p.dlg.asked.isEmpty() && !runs.isEmpty());
    }
  }

  // A run that hits a floating-point fault says so and leaves no results
  // that look valid.
  void faultedRunIsReportedAndStale() {
    Program p;
    p.trigger("MIRunCalculate");
    p.dlg.clear();
    p.form->ws().scenario.Soil[1].GAM = 0;
    p.trigger("MIRunCalculate");
    QCOMPARE(p.dlg.texts().size(), 1);
    QVERIFY2(p.dlg.texts()[0].startsWith("Calculating " + p.data("SANDY6.DAT")),
             qPrintable(p.dlg.texts()[0]));
    QVERIFY(!p.form->ws().run.calculated && (p.status() & kResultsStale));
  }

  // With its option, Continue moves the series on by the run's length - but
  // not when the question about changed series is cancelled; the run follows
  // either way.
  void continueMovesSeriesWhenAsked() {
    Program p;
    Workspace& ws = p.form->ws();
    ws.options.KelmOpti |= kOptMoveEnvOnContinue;
    ws.scenario.Weeks = 52;
    p.trigger("MIRunCalculate");
    const float first = ws.weeks[1].Tc, later = ws.weeks[53].Tc;
    QVERIFY(first != later);
    ws.state.DocStatus &= ~kIrriSaved;
    p.dlg.answers.enqueue(Answer::Cancel);
    QSignalSpy runs(p.form.get(), &TMainForm::resultsRefreshed);
    p.trigger("MIRunContinue");
    QCOMPARE(p.dlg.texts(), QStringList{"Irrigation data have been modified. Save ?"});
    QCOMPARE(ws.weeks[1].Tc, first);
    QVERIFY(!runs.isEmpty());
    ws.state.DocStatus |= kIrriSaved;
    p.trigger("MIRunContinue");
    QCOMPARE(ws.weeks[1].Tc, later);
    QCOMPARE(ws.weeks[520].Tc, 0.0f);
    for (const SeriesHeader& s : ws.scenario.Series) QCOMPARE(s.Name.str(), std::string("Continued"));
    QVERIFY(!(p.status() & kResultsStale));
  }

  // The selected parameter wraps at both ends of the list, and Increase steps
  // it and reruns; the info week wraps between week 1 and the run's last week
  // while the Info View is shown.
  void selectionsWrapAndStep() {
    Program p;
    Workspace& ws = p.form->ws();
    ProgramState& st = ws.state;
    st.SelParm = kParmCount;
    for (auto [next, selected] : {std::pair{true, 1}, {false, kParmCount}, {false, kParmCount - 1}}) {
      next ? p.trigger("MIRunNextParameter") : p.trigger("MIRunPreviousParameter");
      QCOMPARE(st.SelParm, selected);
    }
    QTest::qWait(1);
    const AutoParm& a = ws.parms[kParmCount - 1];
    QVERIFY(p.form->parmPanelText().startsWith(QString::fromLatin1(a.name.data(), a.name.size()) + " = "));

    p.trigger("MIRunCalculate");
    // A parameter whose range leaves room above its value.
    int k = 1;
    while (k <= kParmCount && ws.parms.value(ws.scenario, k) * 1.1f >= ws.parms[k].upper) ++k;
    QVERIFY(k <= kParmCount);
    st.SelParm = k;
    st.DocStatus |= kScenarioSaved | kResultsStale;
    const float before = ws.parms.value(ws.scenario, k);
    p.trigger("MIRunIncrease");
    QVERIFY(ws.parms.value(ws.scenario, k) > before);
    QCOMPARE(p.status() & (kScenarioSaved | kResultsStale), 0u);
    p.trigger("MIRunRestore");
    QCOMPARE(ws.parms.value(ws.scenario, k), before);

    const int weeks = p.form->ws().scenario.Weeks;
    st.InfoWeek = weeks;
    p.trigger("MIIncrInfoWk"); // no Info View: nothing
    QCOMPARE(st.InfoWeek, weeks);
    p.trigger("MIInfoView");
    for (auto [next, week] : {std::pair{true, 1}, {false, weeks}}) {
      next ? p.trigger("MIIncrInfoWk") : p.trigger("MIDecrInfoWk");
      QCOMPARE(st.InfoWeek, week);
    }
    QVERIFY(p.form->windows()
                .get<TInfoView>("TInfoView")
                ->lines()
                .first()
                .startsWith(QStringLiteral("Wk:%1 L1    L2").arg(weeks, 4)));
  }

  // Next and Previous Range move by the range's width and stop at week 1 and
  // at the run's end.
  void rangeStepping() {
    Program p;
    ProgramState& st = p.form->ws().state;
    const int rows[][6] = {// weeks, from, till, next?, new from, new till
                           {312, 1, 52, 1, 53, 104}, {100, 1, 52, 1, 49, 100}, {100, 49, 100, 1, 49, 100},
                           {100, 1, 520, 1, 1, 520}, {312, 53, 104, 0, 1, 52}, {312, 30, 60, 0, 1, 31},
                           {312, 1, 31, 0, 1, 31}};
    for (const auto& r : rows) {
      p.form->ws().scenario.Weeks = r[0];
      st.RangeFrom = r[1];
      st.RangeTill = r[2];
      r[3] ? p.trigger("MINextRange") : p.trigger("MIPreviousRange");
      QCOMPARE(QPoint(st.RangeFrom, st.RangeTill), QPoint(r[4], r[5]));
    }
    QTest::qWait(1);
    QCOMPARE(p.form->rangePanelText(), "Range:   1 -  31");
  }

  // The one result view refreshes after a run and follows the range set
  // with the Range dialog.
  void resultViewFollowsRunsAndRange() {
    Program p;
    TMainForm& f = *p.form;
    ProgramState& st = f.ws().state;
    f.show();
    TRsltView* v = f.windows().show<TRsltView>("TRsltView", kTableMineralN);
    QCOMPARE(v->headerText(), "  wk    N1   Ni1    N2   Ni2");
    p.trigger("MIRunCalculate");
    QCOMPARE(v->lines().first(), QString::fromLatin1(TableRow(f.ws(), 1, kTableMineralN).c_str()));
    // Another kind replaces the table shown.
    QCOMPARE(f.windows().show<TRsltView>("TRsltView", kTableEnvironment), v);
    TRangeDialog* d = f.windows().show<TRangeDialog>("TRangeDialog");
    // Typed edits are applied before the range steps on.
    d->fromInput()->setValue(100);
    d->tillInput()->setValue(150);
    p.trigger("MINextRange");
    QCOMPARE(QPoint(st.RangeFrom, st.RangeTill), QPoint(151, 201));
    QCOMPARE(d->fromInput()->value(), 151);
    QCOMPARE(v->lines().size(), 51);
    d->ResetClick();
    QCOMPARE(QPoint(st.RangeFrom, st.RangeTill), QPoint(1, 520));
    // A week chosen with the year/week dialog: year 2, week 1.
    d->setSelectWeek([](int, QWidget*) -> std::optional<int> { return 53; });
    d->TillClick();
    QCOMPARE(st.RangeTill, 53);
    QCOMPARE(v->lines().size(), 53);
  }
};

QTEST_MAIN(RunControlTest)
#include "test_run_control.moc"
