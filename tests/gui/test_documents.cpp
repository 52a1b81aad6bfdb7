// The document commands: save questions, DocStatus transitions, the file
// dialogs' defaults and the messages of each command.
#include "ScriptedDialogs.h"
#include "data/FileSystem.h"
#include "data/SeriesFile.h"

using namespace kelmar;
using namespace kelmar::gui;

Q_DECLARE_METATYPE(kelmar::gui::Answer)
Q_DECLARE_METATYPE(kelmar::gui::Doc)

namespace {
// A started program with the example scenario loaded.
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
  uint32_t status() const { return form->ws().state.DocStatus; }
};
} // namespace

class Documents : public QObject {
  Q_OBJECT
private slots:
  void saveQuestion_data();
  void saveQuestion();
  void docStatusTransitions_data();
  void docStatusTransitions();
  void saveOfNewScenarioAsksForAName();
  void replaceQuestionGuardsExistingFile();
  void chooseOutputFileTitles_data();
  void chooseOutputFileTitles();
  void seriesWithoutDataIsNotWritten();
  void loadAsksBeforeEmptyingAMissingCompanion();
  void shiftWrapsYearsAndKeepsPools();
  void insertWithoutRoomReadsNothing();
  void saveSummaryAppendNewCancel();
  void damagedSeriesFileLeavesSeriesAlone();
};

void Documents::saveQuestion_data() {
  QTest::addColumn<Doc>("doc");
  QTest::addColumn<Answer>("answer");
  QTest::addColumn<bool>("result");
  QTest::addColumn<QString>("question");
  const QString scen = QStringLiteral("Scenario has been modified. Save ?");
  const QString irri = QStringLiteral("Irrigation data have been modified. Save ?");
  QTest::newRow("scenario yes") << Doc::Scenario << Answer::Yes << true << scen;
  QTest::newRow("scenario no") << Doc::Scenario << Answer::No << true << scen;
  QTest::newRow("scenario cancel") << Doc::Scenario << Answer::Cancel << false << scen;
  QTest::newRow("irrigation yes") << Doc::Irrigation << Answer::Yes << true << irri;
  QTest::newRow("irrigation no") << Doc::Irrigation << Answer::No << true << irri;
  QTest::newRow("irrigation cancel") << Doc::Irrigation << Answer::Cancel << false << irri;
}

void Documents::saveQuestion() {
  QFETCH(Doc, doc);
  QFETCH(Answer, answer);
  QFETCH(bool, result);
  QFETCH(QString, question);
  Session s;
  TMainForm& f = *s.form;
  QString file;
  if (doc == Doc::Scenario) {
    file = s.sb.data(QStringLiteral("SANDY6.DAT"));
    f.ws().scenario.Title = "Changed title";
  } else {
    // Irrigation inserted from a file of its own: the series is unsaved.
    file = s.sb.data(QStringLiteral("WATER.IRR"));
    f.ws().weeks[10].Irr = 25;
    f.ws().scenario.series(SeriesKind::Irrigation).FileName = file.toStdString();
    QVERIFY(SaveSeries(f.ws(), SeriesKind::Irrigation, file.toStdString(), false).written);
    f.ws().weeks[11].Irr = 30;
  }
  f.ws().state.DocStatus &= ~SavedBit(doc);
  const QByteArray before = ReadAll(file);
  s.dlg.answers.enqueue(answer);
  if (answer == Answer::Yes) s.dlg.answers.enqueue(Answer::Ok); // replace the existing file
  QCOMPARE(f.SaveQuery(doc), result);
  QCOMPARE(s.dlg.asked.first().text, question);
  QCOMPARE(s.dlg.asked.first().type, BoxType::Warning);
  QCOMPARE(s.dlg.asked.first().buttons, Buttons::YesNoCancel);
  const bool saved = answer == Answer::Yes;
  QCOMPARE(bool(s.status() & SavedBit(doc)), saved);
  QCOMPARE(ReadAll(file) != before, saved);
  QVERIFY(s.dlg.unexpected.isEmpty());
}

void Documents::docStatusTransitions_data() {
  QTest::addColumn<QString>("command");
  QTest::addColumn<uint>("setBits");
  QTest::addColumn<uint>("clearedBits");
  QTest::newRow("shift up") << "shiftUp" << uint(kResultsStale) << uint(kScenarioSaved);
  QTest::newRow("restore") << "restore" << 0u << uint(kScenarioSaved | kResultsStale);
  QTest::newRow("calculate") << "calculate" << 0u << uint(kResultsStale);
  QTest::newRow("environment new") << "enviNew" << uint(kEnviSaved | kResultsStale) << 0u;
  QTest::newRow("n-mineral new keeps results") << "nminNew" << uint(kNminSaved) << uint(kResultsStale);
  QTest::newRow("scenario save") << "save" << uint(kScenarioSaved) << 0u;
}

void Documents::docStatusTransitions() {
  QFETCH(QString, command);
  QFETCH(uint, setBits);
  QFETCH(uint, clearedBits);
  Session s;
  TMainForm& f = *s.form;
  f.MIRunCalculateClick();
  QVERIFY(!(s.status() & kResultsStale));
  f.ws().state.DocStatus &= ~kScenarioSaved;
  f.ws().state.DocStatus |= kNminSaved;
  if (command == "shiftUp") {
    s.dlg.answers.enqueue(Answer::Ok);
    f.MIEditShiftUpClick();
  } else if (command == "restore") {
    f.MIRunRestoreClick();
  } else if (command == "calculate") {
    f.ws().state.DocStatus |= kResultsStale;
    f.MIRunCalculateClick();
  } else if (command == "enviNew") {
    f.SeriesNew(SeriesKind::Environment);
  } else if (command == "nminNew") {
    f.SeriesNew(SeriesKind::Nmineral);
  } else if (command == "save") {
    s.dlg.answers.enqueue(Answer::Ok);
    f.MIFileSaveClick();
  }
  QCOMPARE(s.status() & setBits, uint32_t(setBits));
  QCOMPARE(s.status() & clearedBits, 0u);
}

void Documents::saveOfNewScenarioAsksForAName() {
  Sandbox sb;
  ScriptedDialogs dlg;
  TMainForm f(sb.config(), &dlg);
  f.Startup();
  f.ws().state.DocStatus &= ~kScenarioSaved;
  dlg.files.enqueue(sb.data(QStringLiteral("first.txt")));
  f.MIFileSaveClick();
  QCOMPARE(dlg.requests.size(), 1);
  QCOMPARE(dlg.requests[0].title, QStringLiteral("Save scenario"));
  QCOMPARE(dlg.requests[0].fileName, QStringLiteral("NEW.DAT"));
  // The chosen name gets the document's extension.
  QVERIFY(QFileInfo::exists(sb.data(QStringLiteral("first.DAT"))));
  QCOMPARE(f.windowTitle(), QStringLiteral("Kelmar: ") + sb.data(QStringLiteral("first.DAT")));
  QVERIFY(f.ws().state.DocStatus & kScenarioSaved);
}

void Documents::replaceQuestionGuardsExistingFile() {
  Session s;
  TMainForm& f = *s.form;
  const QString file = s.sb.data(QStringLiteral("SANDY6.DAT"));
  const QByteArray before = ReadAll(file);
  f.ws().scenario.Title = "Other";
  f.ws().state.DocStatus &= ~kScenarioSaved;
  s.dlg.answers.enqueue(Answer::Cancel);
  f.MIFileSaveClick();
  QCOMPARE(s.dlg.texts(), QStringList{QStringLiteral("Scenario file already exists. Replace ?")});
  QCOMPARE(s.dlg.asked[0].buttons, Buttons::OkCancel);
  QCOMPARE(ReadAll(file), before);
  QVERIFY(!(s.status() & kScenarioSaved));
  // Save As onto another existing file asks with that file's name.
  QFile::copy(file, s.sb.data(QStringLiteral("B.DAT")));
  s.dlg.clear();
  s.dlg.files.enqueue(s.sb.data(QStringLiteral("B.DAT")));
  s.dlg.answers.enqueue(Answer::Cancel);
  f.MIFileSaveAsClick();
  QCOMPARE(s.dlg.texts(), QStringList{QStringLiteral("File ") + s.sb.data(QStringLiteral("B.DAT")) +
                                      QStringLiteral(" already exists. Replace ?")});
  QCOMPARE(ReadAll(s.sb.data(QStringLiteral("B.DAT"))), before);
}

void Documents::chooseOutputFileTitles_data() {
  QTest::addColumn<QString>("ext");
  QTest::addColumn<bool>("extract");
  QTest::addColumn<QString>("title");
  QTest::addColumn<QString>("fileName");
  QTest::newRow("scenario") << ".DAT" << false << "Save scenario"
                            << "SANDY6.DAT";
  QTest::newRow("environment") << ".ENV" << false << "Save environment"
                               << "SANDY6.ENV";
  QTest::newRow("environment range") << ".ENV" << true << "Save environment 53 - 104"
                                     << "SANDY6.ENV";
  QTest::newRow("organic matter") << ".OM" << false << "Save Organic matter"
                                  << "NEW.OM";
  QTest::newRow("organic matter range") << ".OM" << true << "Save Organic Matter 53 - 104"
                                        << "NEW.OM";
  QTest::newRow("printout") << ".PRN" << false << "Save to *.PRN file"
                            << "SANDY6.PRN";
}

void Documents::chooseOutputFileTitles() {
  QFETCH(QString, ext);
  QFETCH(bool, extract);
  QFETCH(QString, title);
  QFETCH(QString, fileName);
  Session s;
  s.form->ws().state.RangeFrom = 53;
  s.form->ws().state.RangeTill = 104;
  QVERIFY(s.form->ChooseOutputFile(ext, extract).isEmpty());
  QCOMPARE(s.dlg.requests.size(), 1);
  QCOMPARE(s.dlg.requests[0].title, title);
  QCOMPARE(s.dlg.requests[0].fileName, fileName);
  QCOMPARE(s.dlg.requests[0].directory, s.sb.dataDir());
}

void Documents::seriesWithoutDataIsNotWritten() {
  Session s;
  s.form->SeriesSaveAs(SeriesKind::Omon);
  QCOMPARE(s.dlg.texts(), QStringList{QStringLiteral("No Organic matter data! Nothing to do.")});
  QCOMPARE(s.dlg.asked[0].type, BoxType::Information);
  QVERIFY(s.dlg.requests.isEmpty());
  // Save of a NEW series goes to Save As.
  s.dlg.clear();
  s.form->SeriesSave(SeriesKind::Irrigation);
  QCOMPARE(s.dlg.texts(), QStringList{QStringLiteral("No irrigation data! Nothing to do.")});
}

void Documents::loadAsksBeforeEmptyingAMissingCompanion() {
  Session s;
  TMainForm& f = *s.form;
  f.ws().weeks[5].Ni1 = 40;
  f.ws().state.DocStatus &= ~kNminSaved;
  // Cancel: nothing is read and the measurements stay.
  s.dlg.answers.enqueue(Answer::Cancel);
  QVERIFY(!f.LoadScenarioWithCompanions(s.sb.data(QStringLiteral("SANDY6.DAT"))));
  QCOMPARE(s.dlg.texts(), QStringList{QStringLiteral("N-mineral data have been modified. Save ?")});
  QCOMPARE(f.ws().weeks[5].Ni1, 40.0f);
  // No: the series is emptied with the load.
  s.dlg.clear();
  s.dlg.answers.enqueue(Answer::No);
  QVERIFY(f.LoadScenarioWithCompanions(s.sb.data(QStringLiteral("SANDY6.DAT"))));
  QCOMPARE(f.ws().weeks[5].Ni1, 0.0f);
  QVERIFY(s.status() & kNminSaved);
}

void Documents::shiftWrapsYearsAndKeepsPools() {
  Session s;
  Scenario& sc = s.form->ws().scenario;
  QVERIFY(sc.CropCount >= 1);
  QVERIFY(sc.ApplCount >= 4);
  sc.Crops[1].YEAR = 520;
  sc.Appls[4].YR = 1;
  const int pool = sc.Appls[1].YR;
  s.dlg.answers.enqueue(Answer::Ok);
  s.form->MIEditShiftUpClick();
  QCOMPARE(s.dlg.asked[0].type, BoxType::Confirmation);
  QCOMPARE(sc.Crops[1].YEAR, 1);
  QCOMPARE(sc.Appls[4].YR, 2);
  QCOMPARE(sc.Appls[1].YR, pool);
  s.dlg.answers.enqueue(Answer::Ok);
  s.form->MIEditShiftDownClick();
  QCOMPARE(sc.Crops[1].YEAR, 520);
  QCOMPARE(sc.Appls[4].YR, 1);
  s.dlg.answers.enqueue(Answer::Ok);
  s.form->MIEditShiftDownClick();
  QCOMPARE(sc.Crops[1].YEAR, 519);
  QCOMPARE(sc.Appls[4].YR, 520);
  QCOMPARE(sc.Appls[1].YR, pool);
  // Cancel shifts nothing.
  s.dlg.answers.enqueue(Answer::Cancel);
  s.form->MIEditShiftUpClick();
  QCOMPARE(sc.Crops[1].YEAR, 519);
}

void Documents::insertWithoutRoomReadsNothing() {
  Session s;
  Scenario& sc = s.form->ws().scenario;
  sc.CropCount = kMaxCrops;
  s.dlg.files.enqueue(s.sb.data(QStringLiteral("SANDY6.DAT")));
  s.form->MIFileInsertClick();
  QCOMPARE(s.dlg.requests[0].title, QStringLiteral("Insert scenario"));
  QCOMPARE(s.dlg.texts(), QStringList{QStringLiteral("No room for adding crops or applications.")});
  QVERIFY(s.status() & kScenarioSaved);
}

void Documents::saveSummaryAppendNewCancel() {
  Session s;
  TMainForm& f = *s.form;
  f.MIFileSaveSummaryClick();
  QCOMPARE(s.dlg.texts(), QStringList{QStringLiteral("Can not save uncalculated summary !")});
  QVERIFY(s.dlg.requests.isEmpty());
  f.MIRunCalculateClick();
  const QString sum = s.sb.data(QStringLiteral("RUNS.SUM"));
  auto lines = [&] { return ReadAll(sum).count('\n'); };
  s.dlg.clear();
  s.dlg.files.enqueue(s.sb.data(QStringLiteral("RUNS")));
  f.MIFileSaveSummaryClick();
  QCOMPARE(s.dlg.requests[0].title, QStringLiteral("Save Summary"));
  QCOMPARE(s.dlg.requests[0].fileName, QStringLiteral("KELMAR.SUM"));
  QCOMPARE(lines(), 5);
  const QString question = QStringLiteral("File ") + sum + QStringLiteral(" already exists. Append ?");
  s.dlg.files.enqueue(sum);
  s.dlg.answers.enqueue(Answer::Yes);
  f.MIFileSaveSummaryClick();
  QCOMPARE(lines(), 6);
  s.dlg.files.enqueue(sum);
  s.dlg.answers.enqueue(Answer::Cancel);
  f.MIFileSaveSummaryClick();
  QCOMPARE(lines(), 6);
  s.dlg.files.enqueue(sum);
  s.dlg.answers.enqueue(Answer::No);
  f.MIFileSaveSummaryClick();
  QCOMPARE(lines(), 5);
  QCOMPARE(s.dlg.texts().count(question), 3);
}

void Documents::damagedSeriesFileLeavesSeriesAlone() {
  Session s;
  TMainForm& f = *s.form;
  const float tc = f.ws().weeks[3].Tc;
  QByteArray env = ReadAll(s.sb.data(QStringLiteral("SANDY6.ENV")));
  QFile bad(s.sb.data(QStringLiteral("BAD.ENV")));
  QVERIFY(bad.open(QIODevice::WriteOnly));
  bad.write(env.left(env.size() / 2) + "x y z\r\n");
  bad.close();
  s.dlg.files.enqueue(bad.fileName());
  f.SeriesLoad(SeriesKind::Environment);
  QCOMPARE(s.dlg.asked.size(), 1);
  QCOMPARE(s.dlg.asked[0].type, BoxType::Error);
  QCOMPARE(f.ws().weeks[3].Tc, tc);
  QCOMPARE(QString::fromStdString(f.ws().scenario.series(SeriesKind::Environment).FileName),
           s.sb.data(QStringLiteral("SANDY6.ENV")));
}

QTEST_MAIN(Documents)
#include "test_documents.moc"
