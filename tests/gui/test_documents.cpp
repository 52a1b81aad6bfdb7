// The document commands: save questions, DocStatus transitions, the file
// dialogs' defaults and the messages of each command.
#include "ScriptedDialogs.h"
#include "data/SeriesFile.h"

using namespace kelmar;
using namespace kelmar::gui;

Q_DECLARE_METATYPE(kelmar::gui::Answer)
Q_DECLARE_METATYPE(kelmar::Doc)

class Documents : public QObject {
  Q_OBJECT
private slots:
  // Every save question, answered each way: Yes saves (after the question
  // about replacing the file), No goes on without saving, Cancel - also of the
  // replace question - stops the command.
  void saveQuestion_data() {
    QTest::addColumn<Doc>("doc");
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<Answer>("replace");
    using enum Answer;
    const std::tuple<const char*, Answer, Answer> answers[] = {
        {"yes", Yes, Ok}, {"yes, replace cancelled", Yes, Cancel}, {"no", No, Ok}, {"cancel", Cancel, Ok}};
    for (Doc d : {Doc::Scenario, Doc::Irrigation})
      for (auto [name, a, r] : answers)
        QTest::addRow("%s %s", d == Doc::Scenario ? "scenario" : "irrigation", name) << d << a << r;
  }
  void saveQuestion() {
    QFETCH(Doc, doc);
    QFETCH(Answer, answer);
    QFETCH(Answer, replace);
    Program p;
    Workspace& ws = p.form->ws();
    QString file = p.data("SANDY6.DAT");
    QStringList texts{"Scenario has been modified. Save ?", "Scenario file already exists. Replace ?"};
    ws.scenario.Title = "Changed title";
    if (doc == Doc::Irrigation) {
      // Irrigation inserted from a file of its own: the series is unsaved.
      file = p.data("WATER.IRR");
      texts = QStringList{"Irrigation data have been modified. Save ?",
                          "Irrigation file already exists. Replace ?"};
      ws.weeks[10].Irr = 25;
      ws.scenario.series(SeriesKind::Irrigation).FileName = file.toStdString();
      QVERIFY(SaveSeries(ws, SeriesKind::Irrigation, file.toStdString(), false).written);
      ws.weeks[11].Irr = 30;
    }
    ws.state.DocStatus &= ~SavedBit(doc);
    const QByteArray before = ReadAll(file);
    p.dlg.answers << answer << replace;
    const bool saved = answer == Answer::Yes && replace == Answer::Ok;
    QCOMPARE(p.form->docs().SaveQuery(doc), saved || answer == Answer::No);
    QCOMPARE(p.dlg.texts(), answer == Answer::Yes ? texts : texts.mid(0, 1));
    QCOMPARE(p.dlg.asked[0].buttons, Buttons::YesNoCancel);
    QCOMPARE(bool(p.status() & SavedBit(doc)), saved);
    QCOMPARE(ReadAll(file) != before, saved);
  }

  // From a calculated run: the bits a command sets and clears.
  void docStatusTransitions() {
    const std::tuple<const char*, uint32_t, uint32_t> rows[] = {
        {"MIEditShiftUp", kResultsStale, kScenarioSaved},
        {"MIRunRestore", 0, kScenarioSaved | kResultsStale},
        {"MIFileEnviNew", kEnviSaved | kResultsStale, 0},
        {"MIFileNminNew", kNminSaved, kResultsStale}}; // new measurements keep the results
    for (auto [action, set, cleared] : rows) {
      Program p;
      p.trigger("MIRunCalculate");
      p.dlg.answers.enqueue(Answer::Ok); // the shift's confirmation
      p.form->action(action)->trigger();
      QVERIFY2((p.status() & set) == set && !(p.status() & cleared), action);
    }
  }

  // A new scenario's Save asks for a name; Save As onto an existing file asks
  // before replacing it.
  void saveOfNewScenarioAsksForAName() {
    Program p(QStringList{});
    p.form->ws().state.DocStatus &= ~kScenarioSaved;
    p.dlg.files.enqueue(p.data("first.txt"));
    p.trigger("MIFileSave");
    QCOMPARE(p.dlg.requests.value(0).title, "Save scenario");
    QCOMPARE(p.dlg.requests.value(0).fileName, "NEW.DAT");
    // The chosen name gets the document's extension.
    QCOMPARE(p.form->windowTitle(), "Kelmar: " + p.data("first.DAT"));
    QVERIFY(QFileInfo::exists(p.data("first.DAT")) && (p.status() & kScenarioSaved));
    const QByteArray before = ReadAll(p.data("SANDY6.DAT"));
    p.dlg.files.enqueue(p.data("SANDY6.DAT"));
    p.dlg.answers.enqueue(Answer::Cancel);
    p.trigger("MIFileSaveAs");
    QCOMPARE(p.dlg.texts(), QStringList{"File " + p.data("SANDY6.DAT") + " already exists. Replace ?"});
    QCOMPARE(ReadAll(p.data("SANDY6.DAT")), before);
  }

  // Commands with nothing to work on say so and change nothing.
  void refusals() {
    const std::tuple<const char*, int, QString> rows[] = {
        {"MIFileOmonSaveAs", 0, "No Organic matter data! Nothing to do."},
        {"MIFileIrriSave", 0, "No irrigation data! Nothing to do."}, // Save of a new series
        {"MIFileSaveSummary", 0, "Can not save uncalculated summary !"},
        {"MIFileInsert", 1, "No room for adding crops or applications."}};
    for (const auto& [action, fileDialogs, message] : rows) {
      Program p;
      p.form->ws().scenario.CropCount = kMaxCrops;
      p.dlg.files.enqueue(p.data("SANDY6.DAT"));
      p.form->action(action)->trigger();
      QCOMPARE(p.dlg.texts(), QStringList{message});
      QCOMPARE(p.dlg.requests.size(), fileDialogs);
      QVERIFY(p.status() & kScenarioSaved);
    }
  }

  // A damaged series file leaves the series in memory as it was. A scenario
  // load asks about unsaved data of a series that a missing companion empties:
  // Cancel keeps them, No empties them after this one question.
  void loadsKeepDataUntilItIsSafe() {
    Program p;
    Workspace& ws = p.form->ws();
    const float tc = ws.weeks[3].Tc;
    const QByteArray env = ReadAll(p.data("SANDY6.ENV"));
    WriteFile(p.data("BAD.ENV"), env.left(env.size() / 2) + "x y z\r\n");
    p.dlg.files.enqueue(p.data("BAD.ENV"));
    p.trigger("MIFileEnviLoad");
    QCOMPARE(p.dlg.asked.size(), 1);
    QCOMPARE(p.dlg.asked[0].type, BoxType::Error);
    QCOMPARE(ws.weeks[3].Tc, tc);
    QVERIFY(ws.scenario.series(SeriesKind::Environment).FileName == p.data("SANDY6.ENV").toStdString());

    ws.weeks[5].Ni1 = 40;
    ws.state.DocStatus &= ~kNminSaved;
    p.dlg.clear();
    p.dlg.answers.enqueue(Answer::Cancel);
    QVERIFY(!p.form->docs().LoadScenarioWithCompanions(p.data("SANDY6.DAT")));
    QCOMPARE(p.dlg.texts(), QStringList{"N-mineral data have been modified. Save ?"});
    QCOMPARE(ws.weeks[5].Ni1, 40.0f);
    p.dlg.clear();
    p.dlg.answers.enqueue(Answer::No);
    QVERIFY(p.form->docs().LoadScenarioWithCompanions(p.data("SANDY6.DAT")));
    QCOMPARE(p.dlg.texts(), QStringList{"N-mineral data have been modified. Save ?"});
    QCOMPARE(ws.weeks[5].Ni1, 0.0f);
    QVERIFY(p.status() & kNminSaved);
  }

  // Years wrap at 1 and 520; applications 1..3 (the organic-matter pools)
  // keep theirs; Cancel shifts nothing.
  void shiftWrapsYearsAndKeepsPools() {
    Program p;
    Scenario& sc = p.form->ws().scenario;
    sc.Crops[1].YEAR = 520;
    sc.Appls[4].YR = 1;
    const int pool = sc.Appls[1].YR;
    using enum Answer;
    const std::tuple<bool, Answer, int, int> steps[] = {
        {true, Ok, 1, 2}, {false, Ok, 520, 1}, {false, Ok, 519, 520}, {true, Cancel, 519, 520}};
    for (auto [up, answer, crop, appl] : steps) {
      p.dlg.answers.enqueue(answer);
      up ? p.trigger("MIEditShiftUp") : p.trigger("MIEditShiftDown");
      QCOMPARE(sc.Crops[1].YEAR, crop);
      QCOMPARE(sc.Appls[4].YR, appl);
      QCOMPARE(sc.Appls[1].YR, pool);
    }
    QCOMPARE(p.dlg.asked[0].type, BoxType::Confirmation);
  }

  // The output dialogs' titles name the document (and an extracted range);
  // the name offered is the scenario's companion, or NEW for a new series.
  // The summary's question: Yes appends a line, Cancel writes nothing, No
  // starts the file anew.
  // A save that cannot be written is reported and changes neither the
  // document's name (nor the caption) nor its saved mark, for Save and Save
  // As of every document.
  void failedSavesKeepNameAndMark() {
    const std::tuple<const char*, Doc, bool> rows[] = {
        {"MIFileSaveAs", Doc::Scenario, true},      {"MIFileSave", Doc::Scenario, false},
        {"MIFileSaveAny", Doc::Scenario, true},     {"MIFileEnviSaveAs", Doc::Environment, true},
        {"MIFileIrriSave", Doc::Irrigation, false}, {"MIFileNminSaveAs", Doc::Nmineral, true},
        {"MIFileOmonSave", Doc::Omon, false}};
    for (const auto& [action, doc, asks] : rows) {
      Program p;
      Workspace& ws = p.form->ws();
      const QString unwritable = p.data("no such dir/FILE");
      std::string* name = &ws.scenario.ScenarioFile;
      if (doc != Doc::Scenario) {
        const SeriesKind k = SeriesOf(doc);
        name = &ws.scenario.series(k).FileName;
        // Data in every series, so that there is something to save.
        ws.weeks[12].Irr = 5, ws.weeks[12].Ni1 = 30, ws.weeks[12].OMi = 2;
      }
      if (!asks) *name = unwritable.toStdString() + std::string(doc == Doc::Scenario ? ".DAT" : ".X");
      ws.state.DocStatus &= ~SavedBit(doc);
      const std::string before = *name;
      const QString caption = p.form->windowTitle();
      p.dlg.files.enqueue(unwritable);
      p.trigger(action);
      QCOMPARE(p.dlg.requests.size(), asks ? 1 : 0);
      QCOMPARE(p.dlg.asked.size(), 1);
      QVERIFY2(p.dlg.asked[0].type == BoxType::Error && p.dlg.asked[0].text.startsWith("Saving "),
               qPrintable(p.dlg.texts().join('|')));
      QCOMPARE(*name, before);
      QCOMPARE(p.form->windowTitle(), caption);
      QVERIFY2(!(p.status() & SavedBit(doc)), action);
    }
  }

  void outputFilesAndSummary() {
    Program p;
    p.form->ws().state.RangeFrom = 53;
    p.form->ws().state.RangeTill = 104;
    QVERIFY(p.form->output().ChooseOutputFile(".ENV", false).isEmpty() &&
            p.form->output().ChooseOutputFile(".OM", true).isEmpty());
    p.trigger("MIRunCalculate");
    const QString sum = p.data("RUNS.SUM");
    p.dlg.files.enqueue(p.data("RUNS"));
    p.trigger("MIFileSaveSummary");
    QStringList got;
    for (const FileRequest& r : p.dlg.requests) got << r.title << r.fileName;
    QCOMPARE(got, QStringList({"Save environment", "SANDY6.ENV", "Save Organic Matter 53 - 104", "NEW.OM",
                               "Save Summary", "KELMAR.SUM"}));
    QCOMPARE(p.dlg.requests[0].directory, p.dataDir());
    QCOMPARE(ReadAll(sum).count('\n'), 5);
    const std::pair<Answer, int> appends[] = {{Answer::Yes, 6}, {Answer::Cancel, 6}, {Answer::No, 5}};
    for (auto [answer, lines] : appends) {
      p.dlg.files.enqueue(sum);
      p.dlg.answers.enqueue(answer);
      p.trigger("MIFileSaveSummary");
      QCOMPARE(ReadAll(sum).count('\n'), lines);
    }
    QCOMPARE(p.dlg.texts().count("File " + sum + " already exists. Append ?"), 3);
  }
};

QTEST_MAIN(Documents)
#include "test_documents.moc"
