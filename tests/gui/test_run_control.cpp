// Run control: the refusals of Repeat and Continue, moving the series on
// Continue, parameter selection, range stepping, the Range dialog and the
// info week.
#include <QSpinBox>

#include "ScriptedDialogs.h"
#include "report/Summary.h"
#include "report/Tables.h"

using namespace kelmar;
using namespace kelmar::gui;

namespace {
struct Session {
  Sandbox sb;
  ScriptedDialogs dlg;
  std::unique_ptr<TMainForm> form;
  Session() {
    sb.copyExample();
    form = std::make_unique<TMainForm>(sb.config({sb.data(QStringLiteral("SANDY6.DAT"))}), &dlg);
    form->Startup();
    dlg.clear();
  }
};
} // namespace

class RunControl : public QObject {
  Q_OBJECT
private slots:
  void repeatAndContinueNeedAResult_data();
  void repeatAndContinueNeedAResult();
  void continueMovesSeriesWhenAsked();
  void continueKeepsSeriesWhenSaveIsCancelled();
  void increaseStepsSelectedParameterAndReruns();
  void parameterSelectionWraps();
  void rangeStepping_data();
  void rangeStepping();
  void rangeDialogResetAndApply();
  void infoWeekWraps();
  void resultViewsFollowRunsAndRange();
};

void RunControl::repeatAndContinueNeedAResult_data() {
  QTest::addColumn<bool>("repeat");
  QTest::addColumn<QString>("message");
  QTest::newRow("repeat") << true << "Can only Repeat when model has been Calculated first!";
  QTest::newRow("continue") << false << "Can only Continue when model has been Calculated first!";
}

void RunControl::repeatAndContinueNeedAResult() {
  QFETCH(bool, repeat);
  QFETCH(QString, message);
  Session s;
  repeat ? s.form->MIRunRepeatClick() : s.form->MIRunContinueClick();
  QCOMPARE(s.dlg.texts(), QStringList{message});
  QCOMPARE(s.dlg.asked[0].type, BoxType::Information);
  QVERIFY(!s.form->ws().run.calculated);
  // After a calculation the same command runs and refreshes the results.
  s.form->MIRunCalculateClick();
  s.dlg.clear();
  repeat ? s.form->MIRunRepeatClick() : s.form->MIRunContinueClick();
  QVERIFY(s.dlg.asked.isEmpty());
  QVERIFY(!(s.form->ws().state.DocStatus & kResultsStale));
}

void RunControl::continueMovesSeriesWhenAsked() {
  Session s;
  TMainForm& f = *s.form;
  f.ws().options.KelmOpti |= kOptMoveEnvOnContinue;
  f.MIRunCalculateClick();
  const int weeks = f.ws().scenario.Weeks;
  QVERIFY(weeks < 520);
  const float later = f.ws().weeks[size_t(1 + weeks)].Tc;
  f.MIRunContinueClick();
  QVERIFY(s.dlg.asked.isEmpty());
  QCOMPARE(f.ws().weeks[1].Tc, later);
  QCOMPARE(f.ws().weeks[520].Tc, 0.0f);
  for (int k = 0; k < kSeriesCount; ++k)
    QCOMPARE(f.ws().scenario.Series[size_t(k)].Name.str(), std::string("Continued"));
  QVERIFY(!(f.ws().state.DocStatus & kResultsStale));
}

void RunControl::continueKeepsSeriesWhenSaveIsCancelled() {
  Session s;
  TMainForm& f = *s.form;
  f.ws().options.KelmOpti |= kOptMoveEnvOnContinue;
  f.MIRunCalculateClick();
  f.ws().state.DocStatus &= ~kIrriSaved;
  const float first = f.ws().weeks[1].Tc;
  s.dlg.answers.enqueue(Answer::Cancel);
  f.MIRunContinueClick();
  QCOMPARE(s.dlg.texts(), QStringList{QStringLiteral("Irrigation data have been modified. Save ?")});
  QCOMPARE(f.ws().weeks[1].Tc, first);
  // The run still follows.
  QVERIFY(!(f.ws().state.DocStatus & kResultsStale));
}

void RunControl::increaseStepsSelectedParameterAndReruns() {
  Session s;
  TMainForm& f = *s.form;
  f.MIRunCalculateClick();
  f.ws().state.DocStatus |= kScenarioSaved;
  // A parameter whose range leaves room above its value.
  int p = 1;
  for (; p <= kParmCount; ++p)
    if (f.ws().parms.value(f.ws().scenario, p) * 1.1f < f.ws().parms[p].upper) break;
  QVERIFY(p <= kParmCount);
  f.ws().state.SelParm = p;
  const float before = f.ws().parms.value(f.ws().scenario, p);
  f.MIRunIncreaseClick();
  QVERIFY(f.ws().parms.value(f.ws().scenario, p) > before);
  QVERIFY(!(f.ws().state.DocStatus & kResultsStale));
  QVERIFY(!(f.ws().state.DocStatus & kScenarioSaved));
  f.MIRunRestoreClick();
  QCOMPARE(f.ws().parms.value(f.ws().scenario, p), before);
}

void RunControl::parameterSelectionWraps() {
  Session s;
  ProgramState& st = s.form->ws().state;
  st.SelParm = kParmCount;
  s.form->MIRunNextParameterClick();
  QCOMPARE(st.SelParm, 1);
  s.form->MIRunPreviousParameterClick();
  QCOMPARE(st.SelParm, kParmCount);
  s.form->MIRunPreviousParameterClick();
  QCOMPARE(st.SelParm, kParmCount - 1);
  QTest::qWait(1);
  const AutoParm& a = s.form->ws().parms[kParmCount - 1];
  QVERIFY2(s.form->parmPanelText().startsWith(QString::fromLatin1(a.name.data(), qsizetype(a.name.size())) +
                                              " = "),
           qPrintable(s.form->parmPanelText()));
}

void RunControl::rangeStepping_data() {
  QTest::addColumn<int>("weeks");
  QTest::addColumn<int>("from");
  QTest::addColumn<int>("till");
  QTest::addColumn<bool>("next");
  QTest::addColumn<int>("newFrom");
  QTest::addColumn<int>("newTill");
  QTest::newRow("next moves a width") << 312 << 1 << 52 << true << 53 << 104;
  QTest::newRow("next stops at the run end") << 100 << 1 << 52 << true << 49 << 100;
  QTest::newRow("next at the end stays") << 100 << 49 << 100 << true << 49 << 100;
  QTest::newRow("next beyond the end stays") << 100 << 1 << 520 << true << 1 << 520;
  QTest::newRow("previous moves a width") << 312 << 53 << 104 << false << 1 << 52;
  QTest::newRow("previous stops at week 1") << 312 << 30 << 60 << false << 1 << 31;
  QTest::newRow("previous at week 1 stays") << 312 << 1 << 31 << false << 1 << 31;
}

void RunControl::rangeStepping() {
  QFETCH(int, weeks);
  QFETCH(int, from);
  QFETCH(int, till);
  QFETCH(bool, next);
  QFETCH(int, newFrom);
  QFETCH(int, newTill);
  Session s;
  s.form->ws().scenario.Weeks = weeks;
  s.form->ws().state.RangeFrom = from;
  s.form->ws().state.RangeTill = till;
  next ? s.form->MINextRangeClick() : s.form->MIPreviousRangeClick();
  QCOMPARE(s.form->ws().state.RangeFrom, newFrom);
  QCOMPARE(s.form->ws().state.RangeTill, newTill);
  QTest::qWait(1);
  QCOMPARE(s.form->rangePanelText(), QStringLiteral("Range: %1 - %2").arg(newFrom, 3).arg(newTill, 3));
}

void RunControl::rangeDialogResetAndApply() {
  Session s;
  TMainForm& f = *s.form;
  f.show();
  f.MIRunCalculateClick();
  f.ws().state.RangeFrom = 10;
  f.ws().state.RangeTill = 20;
  TRangeDialog* d = f.ShowRangeDialog();
  QCOMPARE(d->fromInput()->value(), 10);
  // Typed edits are applied before the range steps on.
  d->fromInput()->setValue(100);
  d->tillInput()->setValue(150);
  QVERIFY(d->modified());
  f.MINextRangeClick();
  QCOMPARE(f.ws().state.RangeFrom, 151);
  QCOMPARE(f.ws().state.RangeTill, 201);
  QCOMPARE(d->fromInput()->value(), 151);
  QVERIFY(!d->modified());
  f.ShowResultView(kTableEnvironment);
  QCOMPARE(f.resultView()->lines().size(), 51);
  d->ResetClick();
  QCOMPARE(f.ws().state.RangeFrom, 1);
  QCOMPARE(f.ws().state.RangeTill, 520);
  QCOMPARE(f.resultView()->lines().size(), f.ws().scenario.Weeks);
  // A week chosen with the year/week dialog: year 2, week 1.
  d->setSelectWeek([](int, QWidget*) -> std::optional<int> { return 53; });
  d->TillClick();
  QCOMPARE(f.ws().state.RangeTill, 53);
  QCOMPARE(f.resultView()->lines().size(), 53);
}

void RunControl::infoWeekWraps() {
  Session s;
  TMainForm& f = *s.form;
  ProgramState& st = f.ws().state;
  const int weeks = f.ws().scenario.Weeks;
  st.InfoWeek = weeks;
  f.MIIncrInfoWkClick(); // no Info View: nothing
  QCOMPARE(st.InfoWeek, weeks);
  f.MIInfoViewClick();
  QVERIFY(f.infoView());
  f.MIIncrInfoWkClick();
  QCOMPARE(st.InfoWeek, 1);
  f.MIDecrInfoWkClick();
  QCOMPARE(st.InfoWeek, weeks);
  QVERIFY(f.infoView()->lines().first().startsWith(QStringLiteral("Wk:%1 L1    L2").arg(weeks, 4)));
  QCOMPARE(f.infoView()->lines().size(), 9);
  f.MIInfoViewClick();
  QTRY_VERIFY(!f.infoView());
}

void RunControl::resultViewsFollowRunsAndRange() {
  Session s;
  TMainForm& f = *s.form;
  f.show();
  TRsltView* v = f.ShowResultView(kTableMineralN);
  QCOMPARE(v->windowTitle(), QStringLiteral("View Mineral Nitrogen"));
  QCOMPARE(v->headerText(), QStringLiteral("  wk    N1   Ni1    N2   Ni2"));
  const QStringList stale = v->lines();
  f.MIRunCalculateClick();
  QVERIFY(v->lines() != stale);
  QCOMPARE(v->lines().first(), QString::fromLatin1(TableRow(f.ws(), 1, kTableMineralN).c_str()));
  // One window: another kind replaces the table shown.
  QCOMPARE(f.ShowResultView(kTableWaterBalance), v);
  QCOMPARE(v->WindowKey(), QStringLiteral("TRsltView_6"));
  TSummView* sv = f.ShowSummaryView(kSummaryNBalance);
  QCOMPARE(sv->lines().size(), SummaryCount(f.ws()));
  QVERIFY(sv->lines().last().startsWith(QStringLiteral("TOTAL")));
  // Closing clears the registry; the next show creates it anew.
  sv->frame()->close();
  QTRY_VERIFY(!f.summaryView(kSummaryNBalance));
}

QTEST_MAIN(RunControl)
#include "test_run_control.moc"
