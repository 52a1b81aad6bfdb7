// A whole session: load the example, calculate, look at a table and the
// summaries, print a table to a text file and to a PDF, save the results and
// a summary, close.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>

#include "ScriptedDialogs.h"
#include "Version.h"
#include "data/TextFormat.h"
#include "output/Printing.h"
#include "report/Tables.h"

using namespace kelmar;
using namespace kelmar::gui;

class Session : public QObject {
  Q_OBJECT
private slots:
  void wholeSession() {
    Program p(QStringList{});
    TMainForm& f = *p.form;
    f.resize(1100, 760);
    f.show();
    QCOMPARE(f.statusLineText(), QString::fromLatin1(kVersionText));

    p.dlg.files.enqueue(p.data("SANDY6.DAT"));
    p.trigger("MIFileLoad");
    QCOMPARE(p.dlg.requests[0].title, "Load scenario");
    QCOMPARE(p.dlg.requests[0].filter, "Data files (*.DAT)");
    QVERIFY2(p.dlg.asked.isEmpty(), qPrintable(p.dlg.texts().join('|')));
    QCOMPARE(f.windowTitle(), "Kelmar: " + p.data("SANDY6.DAT"));

    f.action("MIRunCalculate")->trigger();
    QVERIFY(!(p.status() & kResultsStale));
    QTRY_VERIFY(f.calculateButtonDown());
    f.action("MIViewNitrogenBalance")->trigger();
    QCOMPARE(f.windows().get<TRsltView>("TRsltView")->lines().size(), f.ws().scenario.Weeks);
    f.action("MISummaryNitrogenBalance")->trigger();
    f.action("MISummaryMineralBalance")->trigger();
    QCOMPARE(f.windows().get<TNPKView>("TNPKView")->lines().size(), 16);
    f.action("MISummaryNmodelledvsNmeasured")->trigger();
    QCOMPARE(f.windows().get<TCorrView>("TCorrView")->lines().size(), 19);
    f.action("MIWindowTile")->trigger();
    f.mdiArea()->setActiveSubWindow(
        qobject_cast<QMdiSubWindow*>(f.windows().get<TRsltView>("TRsltView")->frame()));
    if (const QByteArray shot = qgetenv("KELMAR_GUI_SCREENSHOT"); !shot.isEmpty()) {
      QTest::qWait(50);
      f.grab().save(QString::fromLocal8Bit(shot));
    }

    // Print the active table with the print command, to a text file.
    f.ws().options.PrntType = 2;
    p.dlg.clear();
    p.dlg.answers.enqueue(Answer::Ok);
    p.dlg.files.enqueue(p.data("table"));
    f.action("MIPrintPrint")->trigger();
    QCOMPARE(p.dlg.texts(), QStringList{"Print \"View Nitrogen Balance\" ?"});
    QCOMPARE(p.dlg.requests[0].title, "Save to *.PRN file");
    OutText expected(false);
    WriteTable(f.ws(), expected, kTableNBalance, 1, 520);
    const QByteArray table = ReadAll(p.data("table.PRN"));
    // The header's stamp carries the time: compare from line 2 on.
    QCOMPARE(table.mid(table.indexOf('\n')),
             QByteArray::fromStdString(expected.text()).mid(int(expected.text().find('\n'))));
    QVERIFY(!table.contains('\f'));

    // Save Results (the graph data) and a summary.
    p.dlg.files << p.data("results.PRN") << p.data("KELMAR.SUM");
    f.action("MIFileSaveResults")->trigger();
    QVERIFY(ReadAll(p.data("results.PRN")).contains("Graph Data"));
    f.action("MIFileSaveSummary")->trigger();
    QVERIFY(ReadAll(p.data("KELMAR.SUM")).startsWith("Kelmar 459 Summ File"));

    // Stale results are announced before printing; Cancel writes nothing.
    p.dlg.clear();
    p.dlg.answers << Answer::Ok << Answer::Cancel;
    p.trigger("MIEditShiftUp");
    f.output().PrintTable(kSummaryWater);
    QCOMPARE(p.dlg.texts().last(), "Results may not be up to date. Continue anyway ?");
    QVERIFY(p.dlg.requests.isEmpty());

    // Closing asks about the shifted scenario only.
    p.dlg.clear();
    p.dlg.answers.enqueue(Answer::No);
    QVERIFY(f.close());
    QCOMPARE(p.dlg.texts(), QStringList{"Scenario has been modified. Save ?"});
  }

  // Without a printer the printout goes to a PDF file the user names;
  // cancelling the file writes nothing.
  void printerOutputGoesToAPdfFile() {
    if (!QPrinterInfo::availablePrinters().isEmpty())
      QSKIP("a real printer is installed; nothing is sent to it");
    Program p;
    p.trigger("MIRunCalculate");
    p.dlg.files.enqueue(p.data("table.pdf"));
    p.form->output().PrintTable(kTableEnvironment);
    QCOMPARE(p.dlg.requests.size(), 1);
    QCOMPARE(p.dlg.requests[0].filter, "PDF files (*.pdf)");
    QVERIFY(ReadAll(p.data("table.pdf")).startsWith("%PDF"));
    p.form->output().PrintData(Doc::Scenario);
    QCOMPARE(p.dlg.requests.size(), 2);
  }

  // A PDF file is replaced only after the question; it has the paper and
  // orientation of the printer setup.
  void pdfOutputAsksBeforeReplacingAndFollowsPrinterSetup() {
    if (!QPrinterInfo::availablePrinters().isEmpty())
      QSKIP("a real printer is installed; nothing is sent to it");
    Program p;
    p.trigger("MIRunCalculate");
    const QString pdf = p.data("table.pdf");
    WriteFile(pdf, "keep");
    const QString question = "File " + pdf + " already exists. Replace ?";
    p.dlg.files.enqueue(pdf);
    p.dlg.answers.enqueue(Answer::Cancel);
    p.trigger("MIPrintViewEnvironment");
    QCOMPARE(p.dlg.texts(), QStringList{question});
    QCOMPARE(p.dlg.asked[0].buttons, Buttons::OkCancel);
    QCOMPARE(ReadAll(pdf), QByteArray("keep"));

    QPrinter& printer = p.form->output().printer();
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setPageSize(QPageSize(QPageSize::A5));
    p.dlg.clear();
    p.dlg.files.enqueue(pdf);
    p.dlg.answers.enqueue(Answer::Ok);
    p.trigger("MIPrintViewEnvironment");
    QCOMPARE(p.dlg.texts(), QStringList{question});
    const QByteArray out = ReadAll(pdf);
    QVERIFY(out.startsWith("%PDF"));
    // A5 is 420 x 595 points; landscape puts the long side across.
    const QRegularExpression box(R"(/MediaBox \[0 0 ([0-9.]+) ([0-9.]+)\])");
    const QRegularExpressionMatch m = box.match(QString::fromLatin1(out));
    QVERIFY(m.hasMatch());
    QCOMPARE(qRound(m.captured(1).toDouble()), 595);
    QCOMPARE(qRound(m.captured(2).toDouble()), 420);
  }

  // Pages end at form feeds (with their line ends); rows: the text | the
  // number of lines of each page.
  void pagesSplitAtFormFeeds() {
    for (const QString row :
         {"a\r\nb\r\n|2", "a\r\nb\r\n\f\r\nc\r\n|2 1", "\r\n\r\nx\r\n|3", "a\r\n\f\r\n|1", "a\nb\n\fc|2 1"}) {
      QStringList got;
      for (const QStringList& page : SplitPages(row.section('|', 0, 0).toStdString()))
        got << QString::number(page.size());
      QCOMPARE(got.join(' '), row.section('|', 1));
    }
  }

  void helpWithoutPagesSaysSo() {
    Program p(QStringList{});
    p.form->action("MIHelpContents")->trigger();
    p.trigger("MIHelpAbout");
    QCOMPARE(p.dlg.asked.size(), 2);
    QVERIFY(p.dlg.asked[0].text.startsWith("No help is installed"));
    QVERIFY(p.dlg.asked[1].text.startsWith(QString::fromLatin1(kVersionText)));
  }
};

QTEST_MAIN(Session)
#include "test_session.moc"
