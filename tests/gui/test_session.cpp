// A whole session: load the example, calculate, look at a table and the
// summaries, print a table to a text file and to a PDF, save the results and
// a summary, close.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinterInfo>

#include "Printing.h"
#include "ScriptedDialogs.h"
#include "Version.h"
#include "data/TextFormat.h"
#include "report/Tables.h"

using namespace kelmar;
using namespace kelmar::gui;

class Session : public QObject {
  Q_OBJECT
private slots:
  void wholeSession();
  void printerOutputHasMarginAndPages();
  void pagesSplitAtFormFeeds_data();
  void pagesSplitAtFormFeeds();
  void helpWithoutPagesSaysSo();
};

void Session::wholeSession() {
  Sandbox sb;
  sb.copyExample();
  ScriptedDialogs dlg;
  TMainForm f(sb.config(), &dlg);
  f.resize(1100, 760);
  f.show();
  f.Startup();
  QCOMPARE(f.statusLineText(), QString::fromLatin1(kVersionText));

  dlg.files.enqueue(sb.data(QStringLiteral("SANDY6.DAT")));
  f.MIFileLoadClick();
  QCOMPARE(dlg.requests[0].title, QStringLiteral("Load scenario"));
  QCOMPARE(dlg.requests[0].filter, QStringLiteral("Data files (*.DAT)"));
  QVERIFY2(dlg.asked.isEmpty(), qPrintable(dlg.texts().join('|')));
  QCOMPARE(f.windowTitle(), QStringLiteral("Kelmar: ") + sb.data(QStringLiteral("SANDY6.DAT")));

  f.action(QStringLiteral("MIRunCalculate"))->trigger();
  QVERIFY(!(f.ws().state.DocStatus & kResultsStale));
  QTRY_VERIFY(f.calculateButtonDown());

  f.action(QStringLiteral("MIViewNitrogenBalance"))->trigger();
  QVERIFY(f.resultView());
  QCOMPARE(f.resultView()->lines().size(), f.ws().scenario.Weeks);
  f.action(QStringLiteral("MISummaryNitrogenBalance"))->trigger();
  f.action(QStringLiteral("MISummaryMineralBalance"))->trigger();
  QCOMPARE(f.npkView()->lines().size(), 16);
  f.action(QStringLiteral("MISummaryNmodelledvsNmeasured"))->trigger();
  QCOMPARE(f.corrView()->lines().size(), 19);
  f.action(QStringLiteral("MIWindowTile"))->trigger();

  const QByteArray shot = qgetenv("KELMAR_GUI_SCREENSHOT");
  if (!shot.isEmpty()) {
    f.mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(f.resultView()->frame()));
    QTest::qWait(50);
    f.grab().save(QString::fromLocal8Bit(shot));
  }

  // Print the active table with the print command, to a text file.
  f.ws().options.PrntType = 2;
  f.mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(f.resultView()->frame()));
  dlg.clear();
  dlg.answers.enqueue(Answer::Ok);
  dlg.files.enqueue(sb.data(QStringLiteral("table")));
  f.action(QStringLiteral("MIPrintPrint"))->trigger();
  QCOMPARE(dlg.texts(), QStringList{QStringLiteral("Print \"View Nitrogen Balance\" ?")});
  QCOMPARE(dlg.requests[0].title, QStringLiteral("Save to *.PRN file"));
  OutText expected(false);
  WriteTable(f.ws(), expected, kTableNBalance, 1, 520);
  const QByteArray table = ReadAll(sb.data(QStringLiteral("table.PRN")));
  // The header's stamp carries the time: compare from line 2 on.
  QCOMPARE(table.mid(table.indexOf('\n')),
           QByteArray::fromStdString(expected.text()).mid(int(expected.text().find('\n'))));
  QVERIFY(!table.contains('\f'));

  // Save Results (the graph data) and a summary.
  dlg.files.enqueue(sb.data(QStringLiteral("results.PRN")));
  f.action(QStringLiteral("MIFileSaveResults"))->trigger();
  QVERIFY(ReadAll(sb.data(QStringLiteral("results.PRN"))).contains("Graph Data"));
  dlg.files.enqueue(sb.data(QStringLiteral("KELMAR.SUM")));
  f.action(QStringLiteral("MIFileSaveSummary"))->trigger();
  QVERIFY(ReadAll(sb.data(QStringLiteral("KELMAR.SUM"))).startsWith("Kelmar 459 Summ File"));

  // Stale results are announced before printing; Cancel writes nothing.
  dlg.clear();
  dlg.answers.enqueue(Answer::Ok);
  f.MIEditShiftUpClick();
  dlg.answers.enqueue(Answer::Cancel);
  f.PrintTable(kSummaryWater);
  QCOMPARE(dlg.texts().last(), QStringLiteral("Results may not be up to date. Continue anyway ?"));
  QVERIFY(dlg.requests.isEmpty());

  // Closing asks about the shifted scenario only.
  dlg.clear();
  dlg.answers.enqueue(Answer::No);
  QVERIFY(f.close());
  QCOMPARE(dlg.texts(), QStringList{QStringLiteral("Scenario has been modified. Save ?")});
}

void Session::printerOutputHasMarginAndPages() {
  if (!QPrinterInfo::availablePrinters().isEmpty())
    QSKIP("a real printer is installed; nothing is sent to it");
  Sandbox sb;
  sb.copyExample();
  ScriptedDialogs dlg;
  TMainForm f(sb.config({sb.data(QStringLiteral("SANDY6.DAT"))}), &dlg);
  f.Startup();
  f.MIRunCalculateClick();
  // Without a printer the printout goes to a PDF file the user names.
  const QString pdf = sb.data(QStringLiteral("table.pdf"));
  dlg.files.enqueue(pdf);
  f.PrintTable(kTableEnvironment);
  QCOMPARE(dlg.requests.size(), 1);
  QCOMPARE(dlg.requests[0].filter, QStringLiteral("PDF files (*.pdf)"));
  QVERIFY(ReadAll(pdf).startsWith("%PDF"));
  // Cancelling the file writes nothing.
  f.PrintData(Doc::Scenario);
  QCOMPARE(dlg.requests.size(), 2);
}

void Session::pagesSplitAtFormFeeds_data() {
  QTest::addColumn<QByteArray>("text");
  QTest::addColumn<QList<int>>("linesPerPage");
  QTest::newRow("one page") << QByteArray("a\r\nb\r\n") << QList<int>{2};
  QTest::newRow("form feed with its line end") << QByteArray("a\r\nb\r\n\f\r\nc\r\n") << QList<int>{2, 1};
  QTest::newRow("empty lines count") << QByteArray("\r\n\r\nx\r\n") << QList<int>{3};
  QTest::newRow("trailing form feed") << QByteArray("a\r\n\f\r\n") << QList<int>{1};
  QTest::newRow("bare line feeds") << QByteArray("a\nb\n\fc") << QList<int>{2, 1};
}

void Session::pagesSplitAtFormFeeds() {
  QFETCH(QByteArray, text);
  QFETCH(QList<int>, linesPerPage);
  const auto pages = SplitPages(text.toStdString());
  QList<int> got;
  for (const QStringList& p : pages) got << int(p.size());
  QCOMPARE(got, linesPerPage);
}

void Session::helpWithoutPagesSaysSo() {
  Sandbox sb;
  ScriptedDialogs dlg;
  TMainForm f(sb.config(), &dlg);
  f.action(QStringLiteral("MIHelpContents"))->trigger();
  QCOMPARE(dlg.asked.size(), 1);
  QVERIFY(dlg.asked[0].text.startsWith(QStringLiteral("No help is installed")));
  dlg.clear();
  f.MIHelpAboutClick();
  QVERIFY(dlg.asked[0].text.startsWith(QString::fromLatin1(kVersionText)));
}

QTEST_MAIN(Session)
#include "test_session.moc"
