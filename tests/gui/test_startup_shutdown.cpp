// The start-up and shut-down sequences of the main window.
#include <QMdiArea>
#include <QMdiSubWindow>

#include "ScriptedDialogs.h"
#include "data/IniFile.h"
#include "documents/DocumentSet.h"
#include "report/Tables.h"

using namespace kelmar;
using namespace kelmar::gui;

namespace {
const uint32_t kAllSaved = kScenarioSaved | kEnviSaved | kIrriSaved | kNminSaved | kOmonSaved;
}

class StartupShutdown : public QObject {
  Q_OBJECT
private slots:
  // Start-up with command-line arguments (names in the data directory) and
  // INI text: the scenario in the title, the start of the one message if any
  // (%1: the data directory), whether results are stale, and the environment
  // file ("": none).
  void startup_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("stale");
    QTest::addColumn<QString>("envi");
    const QStringList dat{"SANDY6.DAT"};
    const QByteArray none, calc("[Kelmar Options]\r\nKelmOpti=2\r\n");
    QTest::newRow("nothing") << QStringList() << "NEW.DAT" << none << "" << true << "";
    QTest::newRow("scenario") << dat << "SANDY6.DAT" << none << "" << true << "SANDY6.ENV";
    QTest::newRow("second argument") << dat + QStringList("OTHER.ENV") << "SANDY6.DAT" << none << "" << true
                                     << "OTHER.ENV";
    QTest::newRow("calculate on load") << dat << "SANDY6.DAT" << calc << "" << false << "SANDY6.ENV";
    QTest::newRow("missing environment")
        << QStringList("NOENV.DAT") << "NOENV.DAT" << none
        << "Auto-load Environment file not found !\r%1/MISSING.ENV" << true << "";
    // A scenario cut off after a few lines: the reader fails part-way and the
    // new scenario stays, under its own name, so a later Save cannot overwrite
    // the damaged file.
    QTest::newRow("damaged scenario")
        << QStringList("BROKEN.DAT") << "~/NEW.DAT" << none << "Loading %1/BROKEN.DAT\r" << true << "";
  }
  void startup() {
    QFETCH(QStringList, args);
    QFETCH(QString, title);
    QFETCH(QByteArray, ini);
    QFETCH(QString, message);
    QFETCH(bool, stale);
    QFETCH(QString, envi);
    Program p({}, ini, false);
    const QByteArray dat = ReadAll(p.data("SANDY6.DAT"));
    QFile::copy(p.data("SANDY6.ENV"), p.data("OTHER.ENV"));
    WriteFile(p.data("NOENV.DAT"), QByteArray(dat).replace("SANDY6.ENV", "MISSING.ENV"));
    WriteFile(p.data("BROKEN.DAT"), dat.split('\n').mid(0, 3).join('\n') + "\noops\r\n");
    // The process moves into the scenario's directory.
    if (!args.isEmpty()) QDir::setCurrent(p.tmp.path());
    p.start(args);
    QCOMPARE(QDir::currentPath(), QDir(p.dataDir()).canonicalPath());
    QCOMPARE(QString::fromStdString(p.form->ws().state.DataDir), p.dataDir() + '/');
    // "~/" names a file of the directory the program started in.
    const QString shown = title.startsWith("~/") ? p.tmp.filePath(title.mid(2)) : p.data(title);
    QCOMPARE(p.form->windowTitle(), "Kelmar: " + shown);
    message.replace("%1", p.dataDir());
    QCOMPARE(p.dlg.texts().value(0).left(message.size()), message);
    if (!message.isEmpty()) QCOMPARE(p.dlg.asked[0].type, BoxType::Error);
    const SeriesHeader& env = p.form->ws().scenario.series(SeriesKind::Environment);
    QCOMPARE(env.Count > 0, !envi.isEmpty());
    if (!envi.isEmpty()) QCOMPARE(QString::fromStdString(env.FileName), p.data(envi));
    QCOMPARE(p.status(), stale ? kAllSaved | kResultsStale : kAllSaved);
    QTest::qWait(1);
    QCOMPARE(p.form->calculateButtonDown(), !stale);
    // Nothing changed, so closing asks nothing.
    QVERIFY(p.form->Shutdown());
    QCOMPARE(p.dlg.asked.size(), message.isEmpty() ? 0 : 1);
  }

  // The files that come with a scenario show their editors: the scenario
  // parameters in front, each series read minimised; loading a scenario
  // without a series' file closes that series' editor. Users who keep their
  // window positions arrange the windows themselves.
  void loadedFilesShowTheirEditors() {
    for (const bool keep : {false, true}) {
      Program p({}, keep ? "[Kelmar Options]\r\nKelmOpti=256\r\n" : QByteArray(), false);
      QFile::copy(QDir(KELMAR_EXAMPLES).filePath("SANDY6.MIN"), p.data("SANDY6.MIN"));
      QFile::copy(p.data("SANDY6.DAT"), p.data("OTHER.DAT"));
      p.start({"SANDY6.DAT"});
      const auto state = [&p](const char* cls) {
        TIniForm* f = p.form->windows().find(QString::fromLatin1(cls));
        return QString::fromLatin1(!f ? "closed" : f->frame()->isMinimized() ? "minimised" : "normal");
      };
      if (keep) {
        QVERIFY(p.form->mdiArea()->subWindowList().isEmpty());
        QVERIFY(p.form->docs().LoadScenarioWithCompanions(p.data("OTHER.DAT")));
        QVERIFY(p.form->mdiArea()->subWindowList().isEmpty());
        continue;
      }
      QCOMPARE(p.form->mdiArea()->subWindowList().size(), 3);
      QCOMPARE(state("TParmDialog"), QString("normal"));
      QCOMPARE(p.form->windows().active(), p.form->windows().find("TParmDialog"));
      QCOMPARE(state("TNminDialog"), QString("minimised"));
      QCOMPARE(state("TEnviDialog"), QString("minimised"));
      QVERIFY(p.form->docs().LoadScenarioWithCompanions(p.data("OTHER.DAT")));
      QTRY_COMPARE(state("TNminDialog"), QString("closed"));
      QCOMPARE(state("TEnviDialog"), QString("minimised"));
      QCOMPARE(p.form->windows().active(), p.form->windows().find("TParmDialog"));
    }
  }

  // Shut-down asks about the changed scenario: Cancel keeps the program
  // running and writes nothing; No closes it and writes the INI file (with
  // autosave and window positions on).
  void shutdown() {
    Program p({"SANDY6.DAT"},
              "[MultiRun Options]\r\nSaveRslts=1\r\n[Kelmar Options]\r\nKelmOpti=33024\r\nCorrRng1=7\r\n");
    const QByteArray before = ReadAll(p.iniPath());
    p.form->show();
    p.trigger("MIRunCalculate");
    p.form->windows().show("TRsltView", kTableNBalance);
    p.form->windows().show("TSummView", kSummaryWater);
    p.dlg.answers << Answer::Ok << Answer::Cancel << Answer::No;
    p.trigger("MIEditShiftUp");
    p.dlg.clear();
    QVERIFY(!p.form->close());
    QCOMPARE(p.dlg.texts(), QStringList{"Scenario has been modified. Save ?"});
    QCOMPARE(ReadAll(p.iniPath()), before);
    QVERIFY(p.form->close());
    p.form.reset();
    IniFile ini(p.iniPath().toStdString());
    QCOMPARE(ini.readBool("MultiRun Options", "SaveRslts", true), false);
    QCOMPARE(ini.sectionKeys("Open Windows"), (std::vector<std::string>{"TRsltView_12", "TSummView_16"}));
    QVERIFY(ini.hasKey("Window Position", "TMainForm") && ini.hasKey("Window Position", "TRsltView_12"));
    // Autosave wrote the options, the scenario to reopen among them.
    QCOMPARE(QString::fromStdString(ini.readString("Kelmar Options", "DataFile", "")), p.data("SANDY6.DAT"));
    QCOMPARE(ini.readInteger("Kelmar Options", "CorrRng1", 0), 7L);
  }

  // Known windows of the Open Windows section come back (unknown and later
  // ones are skipped), with their saved positions.
  void openWindowsComeBack() {
    Program p({"SANDY6.DAT"}, "[Kelmar Options]\r\nKelmOpti=256\r\n[Open Windows]\r\nTRsltView_6=0\r\n"
                              "TSummView_19=1\r\nTGraphView_12=2\r\nTSummView_15=3\r\nTNoSuchView=4\r\n"
                              "TNPKView=5\r\n[Window Position]\r\nTNPKView=31,41,300,200,0\r\n");
    QVERIFY(p.form->windows().find("TRsltView") && p.form->windows().find("TSummView", 19) &&
            p.form->windows().find("TNPKView"));
    QCOMPARE(p.form->windows().get<TRsltView>("TRsltView")->kind(), 6);
    QCOMPARE(p.form->mdiArea()->subWindowList().size(), 3);
    QCOMPARE(p.form->windows().find("TNPKView")->frame()->geometry(), QRect(31, 41, 300, 200));
  }

  // The windows of later versions are disabled; the run keys are the ones
  // users know.
  // The windows open at shut-down, the floating Info View included, are
  // listed and come back at the next start where they were.
  void openWindowsRoundTrip() {
    Program p({"SANDY6.DAT"}, "[Kelmar Options]\r\nKelmOpti=256\r\n");
    p.form->resize(1000, 700);
    p.form->show();
    p.trigger("MISummaryMineralisation");
    p.trigger("MIModifyRange");
    p.trigger("MIInfoView");
    WindowRegistry& w = p.form->windows();
    w.find("TSummView", kSummaryMinTopSoil)->frame()->setGeometry(20, 30, 400, 250);
    QVERIFY(p.form->close());
    p.form.reset();
    IniFile ini(p.iniPath().toStdString());
    QCOMPARE(ini.sectionKeys("Open Windows"),
             (std::vector<std::string>{"TSummView_17", "TRangeDialog", "TInfoView"}));
    QDir::setCurrent(p.tmp.path());
    p.start({});
    WindowRegistry& again = p.form->windows();
    QVERIFY(again.find("TSummView", kSummaryMinTopSoil) && again.find("TRangeDialog") &&
            again.find("TInfoView"));
    QVERIFY(again.find("TInfoView")->isWindow());
    QCOMPARE(again.find("TSummView", kSummaryMinTopSoil)->frame()->geometry(), QRect(20, 30, 400, 250));
    QCOMPARE(p.form->mdiArea()->subWindowList().size(), 2);
  }

  void commandsAndShortcuts() {
    Program p(QStringList{});
    for (const char* n : {"MIEditEnvironment", "MIEditIrrigation", "MIEditNmineral", "MIEditOmon"})
      QVERIFY2(p.form->action(n)->isEnabled(), n);
    for (const QString k : {"MIRunCalculate=F9", "MIRunIncrease=F8", "MIRunDecrease=F7", "MIInfoView=Ctrl+I",
                            "MIGraphNmodelledvsNmeasured=Ctrl+F10"})
      QCOMPARE(k.section('=', 0, 0) + '=' + p.form->action(k.section('=', 0, 0))->shortcut().toString(), k);
    QVERIFY(!p.form->action("MIFileChangeDir")->isVisible());
  }
};

QTEST_MAIN(StartupShutdown)
#include "test_startup_shutdown.moc"
