// The start-up and shut-down sequences of the main window.
#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>

#include "ScriptedDialogs.h"
#include "data/IniFile.h"
#include "report/Tables.h"

using namespace kelmar;
using namespace kelmar::gui;

class StartupShutdown : public QObject {
  Q_OBJECT
private slots:
  void startsEmptyWithoutIniOrScenario();
  void startsWithScenarioOfFirstArgument();
  void secondArgumentNamesTheEnvironment();
  void missingEnvironmentIsReported();
  void calculatesOnLoadWhenAsked();
  void unreadableScenarioBecomesErrorFile();
  void cancelAtShutdownKeepsRunningAndWritesNothing();
  void shutdownWritesMultiRunFlagOpenWindowsAndOptions();
  void openWindowsComeBack();
  void laterWindowsAreDisabled();
};

void StartupShutdown::startsEmptyWithoutIniOrScenario() {
  Sandbox sb;
  ScriptedDialogs dlg;
  TMainForm form(sb.config(), &dlg);
  form.Startup();
  QVERIFY2(dlg.asked.isEmpty(), qPrintable(dlg.texts().join('|')));
  QCOMPARE(form.windowTitle(), QStringLiteral("Kelmar: ") + sb.data(QStringLiteral("NEW.DAT")));
  const uint32_t all = kScenarioSaved | kEnviSaved | kIrriSaved | kNminSaved | kOmonSaved | kResultsStale;
  QCOMPARE(form.ws().state.DocStatus, all);
  QCOMPARE(QString::fromStdString(form.ws().scenario.series(SeriesKind::Irrigation).FileName),
           sb.data(QStringLiteral("NEW.IRR")));
  // Nothing changed, so closing asks nothing.
  QVERIFY(form.Shutdown());
  QVERIFY(dlg.asked.isEmpty());
}

void StartupShutdown::startsWithScenarioOfFirstArgument() {
  Sandbox sb;
  sb.copyExample();
  ScriptedDialogs dlg;
  QDir::setCurrent(sb.tmp.path());
  TMainForm form(sb.config({sb.data(QStringLiteral("SANDY6.DAT"))}), &dlg);
  form.Startup();
  QVERIFY2(dlg.asked.isEmpty(), qPrintable(dlg.texts().join('|')));
  QCOMPARE(form.windowTitle(), QStringLiteral("Kelmar: ") + sb.data(QStringLiteral("SANDY6.DAT")));
  // The process moves into the scenario's directory.
  QCOMPARE(QDir::currentPath(), QDir(sb.dataDir()).canonicalPath());
  QCOMPARE(QString::fromStdString(form.ws().state.DataDir), sb.dataDir() + '/');
  QVERIFY(form.ws().scenario.series(SeriesKind::Environment).Count > 0);
  QVERIFY(form.ws().state.DocStatus & kResultsStale);
  QVERIFY(!form.calculateButtonDown());
}

void StartupShutdown::secondArgumentNamesTheEnvironment() {
  Sandbox sb;
  sb.copyExample();
  QFile::copy(sb.data(QStringLiteral("SANDY6.ENV")), sb.data(QStringLiteral("OTHER.ENV")));
  ScriptedDialogs dlg;
  TMainForm form(sb.config({sb.data(QStringLiteral("SANDY6.DAT")), sb.data(QStringLiteral("OTHER.ENV"))}),
                 &dlg);
  form.Startup();
  QVERIFY(dlg.asked.isEmpty());
  QCOMPARE(QString::fromStdString(form.ws().scenario.series(SeriesKind::Environment).FileName),
           sb.data(QStringLiteral("OTHER.ENV")));
}

void StartupShutdown::missingEnvironmentIsReported() {
  Sandbox sb;
  sb.copyExample(false);
  ScriptedDialogs dlg;
  TMainForm form(sb.config({sb.data(QStringLiteral("SANDY6.DAT"))}), &dlg);
  form.Startup();
  QCOMPARE(dlg.asked.size(), 1);
  QCOMPARE(dlg.asked[0].type, BoxType::Error);
  QVERIFY2(dlg.asked[0].text.startsWith(QStringLiteral("Auto-load Environment file not found !\r")),
           qPrintable(dlg.asked[0].text));
  QVERIFY(dlg.asked[0].text.endsWith(QStringLiteral("SANDY6.ENV"), Qt::CaseInsensitive));
  QCOMPARE(form.ws().scenario.series(SeriesKind::Environment).Count, 0);
}

void StartupShutdown::calculatesOnLoadWhenAsked() {
  Sandbox sb;
  sb.copyExample();
  sb.writeIni("[Kelmar Options]\r\nKelmOpti=2\r\n");
  ScriptedDialogs dlg;
  TMainForm form(sb.config({sb.data(QStringLiteral("SANDY6.DAT"))}), &dlg);
  form.Startup();
  QVERIFY(dlg.asked.isEmpty());
  QVERIFY(!(form.ws().state.DocStatus & kResultsStale));
  QVERIFY(form.ws().run.calculated);
  QTest::qWait(1);
  QVERIFY(form.calculateButtonDown());
}

void StartupShutdown::unreadableScenarioBecomesErrorFile() {
  Sandbox sb;
  sb.copyExample();
  // A scenario cut off after a few lines: the reader fails part-way.
  QByteArray text = ReadAll(sb.data(QStringLiteral("SANDY6.DAT")));
  {
    QFile f(sb.data(QStringLiteral("BROKEN.DAT")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text.left(text.indexOf('\n', text.indexOf('\n', text.indexOf('\n') + 1) + 1) + 1) + "oops\r\n");
  }
  ScriptedDialogs dlg;
  TMainForm form(sb.config({sb.data(QStringLiteral("BROKEN.DAT"))}), &dlg);
  form.Startup();
  QCOMPARE(dlg.asked.size(), 1);
  QCOMPARE(dlg.asked[0].type, BoxType::Error);
  QVERIFY2(
      dlg.asked[0].text.startsWith(QStringLiteral("Loading ") + sb.data(QStringLiteral("BROKEN.DAT")) + '\r'),
      qPrintable(dlg.asked[0].text));
  QCOMPARE(form.windowTitle(), QStringLiteral("Kelmar: ") + sb.data(QStringLiteral("@Error.dat")));
}

void StartupShutdown::cancelAtShutdownKeepsRunningAndWritesNothing() {
  Sandbox sb;
  sb.copyExample();
  sb.writeIni("[Kelmar Options]\r\nKelmOpti=33024\r\n"); // autosave + keep window positions
  const QByteArray before = sb.readIni();
  ScriptedDialogs dlg;
  TMainForm form(sb.config({sb.data(QStringLiteral("SANDY6.DAT"))}), &dlg);
  form.Startup();
  dlg.answers.enqueue(Answer::Ok);
  form.MIEditShiftUpClick();
  dlg.clear();
  dlg.answers.enqueue(Answer::Cancel);
  QVERIFY(!form.close());
  QCOMPARE(dlg.texts(), QStringList{QStringLiteral("Scenario has been modified. Save ?")});
  QCOMPARE(dlg.asked[0].buttons, Buttons::YesNoCancel);
  QCOMPARE(sb.readIni(), before);
  // No: the program closes without saving the scenario.
  dlg.answers.enqueue(Answer::No);
  QVERIFY(form.close());
}

void StartupShutdown::shutdownWritesMultiRunFlagOpenWindowsAndOptions() {
  Sandbox sb;
  sb.copyExample();
  sb.writeIni("[MultiRun Options]\r\nSaveRslts=1\r\n[Kelmar Options]\r\nKelmOpti=33024\r\nCorrRng1=7\r\n");
  ScriptedDialogs dlg;
  {
    TMainForm form(sb.config({sb.data(QStringLiteral("SANDY6.DAT"))}), &dlg);
    form.show();
    form.Startup();
    form.MIRunCalculateClick();
    form.ShowResultView(kTableNBalance);
    form.ShowSummaryView(kSummaryWater);
    QVERIFY(form.close());
  }
  IniFile ini(sb.iniPath().toStdString());
  QCOMPARE(ini.readBool("MultiRun Options", "SaveRslts", true), false);
  const std::vector<std::string> open = ini.sectionKeys("Open Windows");
  QCOMPARE(open.size(), size_t(2));
  QVERIFY(ini.hasKey("Open Windows", "TRsltView_12"));
  QVERIFY(ini.hasKey("Open Windows", "TSummView_16"));
  QVERIFY(ini.hasKey("Window Position", "TMainForm"));
  QVERIFY(ini.hasKey("Window Position", "TRsltView_12"));
  // Autosave wrote the options, the scenario to reopen among them.
  QCOMPARE(QString::fromStdString(ini.readString("Kelmar Options", "DataFile", "")),
           sb.data(QStringLiteral("SANDY6.DAT")));
  QCOMPARE(ini.readInteger("Kelmar Options", "CorrRng1", 0), 7L);
}

void StartupShutdown::openWindowsComeBack() {
  Sandbox sb;
  sb.copyExample();
  sb.writeIni("[Kelmar Options]\r\nKelmOpti=256\r\n[Open Windows]\r\nTRsltView_6=0\r\nTSummView_19=1\r\n"
              "TGraphView_12=2\r\nTSummView_15=3\r\nTNoSuchView=4\r\nTNPKView=5\r\n"
              "[Window Position]\r\nTNPKView=31,41,300,200,0\r\n");
  ScriptedDialogs dlg;
  TMainForm form(sb.config({sb.data(QStringLiteral("SANDY6.DAT"))}), &dlg);
  form.show();
  form.Startup();
  QVERIFY(form.resultView());
  QCOMPARE(form.resultView()->kind(), 6);
  QVERIFY(form.summaryView(19));
  QVERIFY(form.npkView());
  QCOMPARE(form.mdiArea()->subWindowList().size(), 3);
  QCOMPARE(form.npkView()->frame()->geometry(), QRect(31, 41, 300, 200));
}

void StartupShutdown::laterWindowsAreDisabled() {
  Sandbox sb;
  ScriptedDialogs dlg;
  TMainForm form(sb.config(), &dlg);
  for (const char* n :
       {"MIEditParameters", "MIEditEnvironment", "MIGraphTemperature", "MIRunPrice", "MIMultiRun",
        "MIRunParmFitting", "MICustGraph", "MIPrintGraphSoilpF", "MILoadGrphCust"}) {
    QAction* a = form.action(QString::fromLatin1(n));
    QVERIFY2(a, n);
    QVERIFY2(!a->isEnabled(), n);
  }
  QCOMPARE(form.action(QStringLiteral("MIRunCalculate"))->shortcut(), QKeySequence(Qt::Key_F9));
  QCOMPARE(form.action(QStringLiteral("MIRunIncrease"))->shortcut(), QKeySequence(Qt::Key_F8));
  QCOMPARE(form.action(QStringLiteral("MIRunDecrease"))->shortcut(), QKeySequence(Qt::Key_F7));
  QCOMPARE(form.action(QStringLiteral("MIInfoView"))->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_I));
  QCOMPARE(form.action(QStringLiteral("MIGraphNmodelledvsNmeasured"))->shortcut(),
           QKeySequence(Qt::CTRL | Qt::Key_F10));
  QVERIFY(!form.action(QStringLiteral("MIFileChangeDir"))->isVisible());
}

QTEST_MAIN(StartupShutdown)
#include "test_startup_shutdown.moc"
