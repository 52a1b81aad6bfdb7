// The scenario editors driven as a user drives them: typing into inputs and
// grid cells, the speed-bar commands, the library selection, the limits that
// keep refused values out of the scenario, and a run-through whose saved file
// is compared with a hand-made one.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>

#include "ScriptedDialogs.h"
#include "data/FileSystem.h"
#include "editors/DirEdit.h"
#include "editors/EditParm.h"
#include "editors/EditRecords.h"
#include "editors/EditSoil.h"
#include "report/GraphAxis.h"
#include "views/GraphView.h"
#include "widgets/Grid.h"
#include "widgets/NumInput.h"
#include "widgets/TzkGraph.h"

using namespace kelmar;
using namespace kelmar::gui;

namespace {

template <class T> T* Open(Program& p, const char* action, const char* cls) {
  p.trigger(QString::fromLatin1(action));
  return p.form->windows().get<T>(QString::fromLatin1(cls));
}

// Types `text` into cell (row, column) of a record editor and commits it
// with Enter; false when the cell editor refused it (it stays open).
bool TypeCell(TRecordEditor* e, int row, int column, const QString& text) {
  GridView* v = e->grid();
  const QModelIndex i = e->model()->index(row, column);
  v->setFocus();
  v->setCurrentIndex(i);
  v->edit(i);
  GridCellEdit* edit = v->openEditor();
  if (!edit) return false;
  edit->selectAll();
  QTest::keyClicks(edit, text);
  return v->commitEditing();
}

void TypeInput(QLineEdit* edit, const QString& text) {
  edit->setFocus();
  edit->selectAll();
  QTest::keyClicks(edit, text);
}

const char* kLibraryCrops = "Kelmar 459 Crop File\r\n"
                            "3 crops\r\n"
                            "        oats in test     2    12    22    30    32   6000  85.0     0"
                            "  0.45  0.42  0.13  1.60  0.60  1.00  0.00  0.00  1.00  1.30  1.20  1.00  85.0"
                            "   140  85.0  1.80  0.80  0.20  0.55  1.60  0.80  0.55    80     5\r\n"
                            "          second one     3    12    22    30    32   7000  85.0     0"
                            "  0.45  0.42  0.13  1.60  0.60  1.00  0.00  0.00  1.00  1.30  1.20  1.00  85.0"
                            "   140  85.0  1.80  0.80  0.20  0.55  1.60  0.80  0.55    80     5\r\n"
                            "           third one     4    12    22    30    32   8000  85.0     0"
                            "  0.45  0.42  0.13  1.60  0.60  1.00  0.00  0.00  1.00  1.30  1.20  1.00  85.0"
                            "   140  85.0  1.80  0.80  0.20  0.55  1.60  0.80  0.55    80     5\r\n"
                            "        not counted      5    12    22    30    32   9000  85.0     0"
                            "  0.45  0.42  0.13  1.60  0.60  1.00  0.00  0.00  1.00  1.30  1.20  1.00  85.0"
                            "   140  85.0  1.80  0.80  0.20  0.55  1.60  0.80  0.55    80     5\r\n";

const char* kLibrarySoils = "Kelmar 459 Soil File\r\n"
                            "1   SMO   GAM   CRc   CRx  Text   NLF    FI   BPF\r\n"
                            "           test clay  0.45 0.011 120.0  30.0  0.80  0.70  20.0  0.25\r\n";

} // namespace

class ScenarioEditors : public QObject {
  Q_OBJECT
private slots:
  void init() { QApplication::clipboard()->clear(); }

  // A crop's yield, an application's quantity, a soil parameter and the
  // title, typed in their editors and saved: the file is the example with
  // exactly those four values changed.
  void runThroughSavesExactFile() {
    Program p;
    auto* crops = Open<TCropDialog>(p, "MIEditCrops", "TCropDialog");
    QVERIFY(crops);
    QVERIFY(TypeCell(crops, 1, 7, "9500"));
    auto* appls = Open<TApplDialog>(p, "MIEditApplications", "TApplDialog");
    QVERIFY(TypeCell(appls, 3, 4, "30000"));
    auto* soil = Open<TSoilDialog>(p, "MIEditSoil", "TSoilDialog");
    TSoilParmDialog* parms = soil->editParameters(2);
    QVERIFY(parms && parms->isModal());
    QCOMPARE(parms->windowTitle(), QStringLiteral("Parameters SubSoil"));
    TypeInput(parms->input("SMO2"), "0.31");
    parms->findChild<QPushButton*>("OK")->click();
    auto* parm = Open<TParmDialog>(p, "MIEditParameters", "TParmDialog");
    TypeInput(parm->titleEdit(), "Edited rotation");
    QVERIFY(parm->modified());
    QVERIFY(!(p.status() & kScenarioSaved));

    p.dlg.answers << Answer::Ok; // replace the existing file
    p.trigger("MIFileSave");
    QVERIFY(p.status() & kScenarioSaved);
    QVERIFY(!parm->modified());
    QByteArray expected = ReadAll(QStringLiteral(KELMAR_TEST_DATA "/editors/SANDY6-edited.DAT"));
    expected.replace("@FILE@", p.data("SANDY6.DAT").toUtf8());
    QCOMPARE(ReadAll(p.data("SANDY6.DAT")), expected);
  }

  // Values outside the limits are refused with the control's own message
  // and never reach the scenario, whichever way they are typed.
  void limitsKeepRefusedValuesOut() {
    Program p;
    Workspace& ws = p.form->ws();
    auto* crops = Open<TCropDialog>(p, "MIEditCrops", "TCropDialog");
    const float yield = ws.scenario.Crops[1].PRODi;
    QVERIFY(!TypeCell(crops, 0, 7, "-5"));
    QCOMPARE(ws.scenario.Crops[1].PRODi, yield);
    QVERIFY(p.dlg.texts().contains("Value must be between 0 and 999999 !"));
    // Pending refused text: committing the editors refuses, closing stays open.
    QVERIFY(!p.form->docs().CommitEditors());
    QVERIFY(!crops->frame()->close());
    crops->grid()->openEditor()->setText("1234");
    QVERIFY(p.form->docs().CommitEditors());
    QCOMPARE(ws.scenario.Crops[1].PRODi, 1234.0f);

    auto* soil = Open<TSoilDialog>(p, "MIEditSoil", "TSoilDialog");
    p.dlg.clear();
    TypeInput(soil->input("THL1"), "4");
    QVERIFY(!p.form->docs().CommitEditors());
    QCOMPARE(ws.scenario.Soil[0].THL, 30.0f);
    QCOMPARE(p.dlg.texts().value(0), QStringLiteral("Value must be between 5 and 100 !"));
    QVERIFY(!soil->frame()->close());
    TypeInput(soil->input("THL1"), "45");
    QVERIFY(soil->frame()->close());
    QCOMPARE(ws.scenario.Soil[0].THL, 45.0f);
  }

  // Undo after typing in three fields restores all three; nothing reached
  // the scenario, and an opened-and-applied editor changes no value.
  void undoRestoresEveryField() {
    Program p;
    Workspace& ws = p.form->ws();
    auto* parm = Open<TParmDialog>(p, "MIEditParameters", "TParmDialog");
    const Scenario before = ws.scenario;
    TypeInput(parm->input("NDep"), "40");
    TypeInput(parm->input("pH"), "6.5");
    TypeInput(parm->titleEdit(), "Other");
    parm->findChild<QPushButton*>("Undo")->click();
    QVERIFY(!parm->modified());
    QCOMPARE(parm->input("NDep")->text(), QStringLiteral("25.0"));
    QCOMPARE(parm->input("pH")->text(), QStringLiteral("5.50"));
    QCOMPARE(parm->titleEdit()->text(), QStringLiteral("Sandy rotation 6 yr"));
    // Applying unchanged inputs stores nothing (no rounding to the shown decimals).
    ws.scenario.MWU = 0.756f;
    parm->Refresh();
    parm->Apply();
    QCOMPARE(ws.scenario.MWU, 0.756f);
    QCOMPARE(ws.scenario.NDep, before.NDep);
  }

  void deleteRecords_data() {
    QTest::addColumn<bool>("crops");
    QTest::addColumn<int>("keep");    // records before the delete (0: as loaded)
    QTest::addColumn<int>("record");  // the one deleted
    QTest::addColumn<int>("count");   // afterwards
    QTest::addColumn<int>("current"); // afterwards
    QTest::addColumn<QString>("asked");
    QTest::addRow("reserved application")
        << false << 0 << 2 << 16 << 2 << "Cannot delete: first 3 records reserved for initial OM!";
    QTest::addRow("application in the middle")
        << false << 0 << 5 << 15 << 5 << "Delete Application   5: ploughing?";
    QTest::addRow("last crop of several") << true << 0 << 7 << 6 << 6 << "Delete Crop   7: silage maize?";
    QTest::addRow("first crop") << true << 0 << 1 << 6 << 1 << "Delete Crop   1: ware potatoes?";
    QTest::addRow("only crop") << true << 1 << 1 << 1 << 1 << "Delete Crop   1: ware potatoes?";
  }
  void deleteRecords() {
    QFETCH(bool, crops);
    QFETCH(int, keep);
    QFETCH(int, record);
    QFETCH(int, count);
    QFETCH(int, current);
    QFETCH(QString, asked);
    Program p;
    Workspace& ws = p.form->ws();
    Scenario& s = ws.scenario;
    if (keep) s.CropCount = keep;
    const Scenario before = s;
    TRecordEditor* e = crops ? static_cast<TRecordEditor*>(Open<TCropDialog>(p, "MIEditCrops", "TCropDialog"))
                             : Open<TApplDialog>(p, "MIEditApplications", "TApplDialog");
    e->setCurrent(record);
    p.dlg.answers << Answer::Ok;
    e->command("Delete")->trigger();
    QCOMPARE(p.dlg.texts(), QStringList{asked});
    QCOMPARE(crops ? s.CropCount : s.ApplCount, count);
    QCOMPARE(e->current(), current);
    QCOMPARE(e->statusText(), QString::number(count) + " records");
    if (asked.startsWith("Cannot")) {
      QVERIFY(p.status() & kScenarioSaved);
    } else if (keep == 1) {
      QCOMPARE(std::string_view(s.Crops[1].Name), std::string_view(s.Crops[0].Name));
      QCOMPARE(s.Crops[1].WEEK3, s.Crops[0].WEEK3);
    } else if (crops && record == 1) {
      QCOMPARE(std::string_view(s.Crops[1].Name), std::string_view(before.Crops[2].Name));
      QCOMPARE(std::string_view(s.Crops[6].Name), std::string_view(before.Crops[7].Name));
    }
    QCOMPARE(bool(p.status() & kScenarioSaved), asked.startsWith("Cannot"));
  }

  // Copy puts the record numbers (and a spreadsheet's header and values) on
  // the clipboard; Paste appends copies until the table is full.
  void copyAndPasteRecords() {
    Program p;
    Scenario& s = p.form->ws().scenario;
    auto* crops = Open<TCropDialog>(p, "MIEditCrops", "TCropDialog");
    crops->grid()->selectionModel()->select(
        QItemSelection(crops->model()->index(0, 0), crops->model()->index(1, 10)),
        QItemSelectionModel::ClearAndSelect);
    crops->command("Copy")->trigger();
    const QStringList lines = QApplication::clipboard()->text().split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.value(0), QStringLiteral("Nr\tName\tYear\tSow\tFulC\tRipe\tHarv\tYield\tDM%\tNFix\tCode"));
    QCOMPARE(lines.value(1), QStringLiteral("1\tware potatoes\t1\t16\t25\t34\t38\t50000\t22.0\t0\t1"));
    QCOMPARE(lines.size(), 3);
    for (int i = 8; i <= 39; ++i) s.Crops[static_cast<size_t>(i)] = s.Crops[7];
    s.CropCount = 39;
    p.form->docs().RefreshScenarioWindows();
    const uint32_t stale = p.status() & kResultsStale;
    crops->command("Paste")->trigger();
    QCOMPARE(s.CropCount, 40);
    QCOMPARE(std::string_view(s.Crops[40].Name), std::string_view(s.Crops[1].Name));
    QVERIFY(!(p.status() & kScenarioSaved));
    QCOMPARE(p.status() & kResultsStale, stale);
  }

  // Values from a spreadsheet go into the cells from the current one on;
  // one refused value refuses the whole paste.
  void pasteSpreadsheetValues() {
    Program p;
    Scenario& s = p.form->ws().scenario;
    auto* appls = Open<TApplDialog>(p, "MIEditApplications", "TApplDialog");
    appls->grid()->setCurrentIndex(appls->model()->index(3, 4));
    QApplication::clipboard()->setText("26000\t9.5\n27000\t150\n");
    appls->command("Paste")->trigger();
    QCOMPARE(p.dlg.texts(), QStringList{"Value must be between 0.0 and 100.0 !"});
    QCOMPARE(s.Appls[4].QUANT, 25000.0f);
    QVERIFY(p.status() & kScenarioSaved);
    appls->grid()->setCurrentIndex(appls->model()->index(3, 4));
    QApplication::clipboard()->setText("26000\t9.5\r\n27000\t10\r\n");
    appls->command("Paste")->trigger();
    QCOMPARE(s.Appls[4].QUANT, 26000.0f);
    QCOMPARE(s.Appls[5].DMpct, 10.0f);
    QVERIFY(!(p.status() & kScenarioSaved));
  }

  // Sort of the applications never moves the initial organic matter.
  void sortKeepsInitialPools() {
    Program p;
    Scenario& s = p.form->ws().scenario;
    std::swap(s.Appls[4], s.Appls[16]);
    const Scenario before = s;
    auto* appls = Open<TApplDialog>(p, "MIEditApplications", "TApplDialog");
    appls->command("Sort")->trigger();
    for (size_t i = 1; i <= 3; ++i)
      QCOMPARE(std::string_view(s.Appls[i].Name), std::string_view(before.Appls[i].Name));
    for (int i = 5; i <= s.ApplCount; ++i)
      QVERIFY((s.Appls[static_cast<size_t>(i)].YR - 1) * 52 + s.Appls[static_cast<size_t>(i)].WK >=
              (s.Appls[static_cast<size_t>(i - 1)].YR - 1) * 52 + s.Appls[static_cast<size_t>(i - 1)].WK);
  }

  // Select week writes the chosen week into a week cell only.
  void selectWeekOnlyInWeekColumns() {
    Program p;
    p.form->setSelectWeek([](int, QWidget*) -> std::optional<int> { return 20; });
    Scenario& s = p.form->ws().scenario;
    auto* crops = Open<TCropDialog>(p, "MIEditCrops", "TCropDialog");
    crops->grid()->setCurrentIndex(crops->model()->index(0, 1));
    crops->command("SelectWeek")->trigger();
    QCOMPARE(std::string_view(s.Crops[1].Name).substr(7), std::string_view("ware potatoes"));
    crops->grid()->setCurrentIndex(crops->model()->index(0, 3));
    crops->command("SelectWeek")->trigger();
    QCOMPARE(s.Crops[1].WEEK1, 20);
    QVERIFY(!(p.status() & kScenarioSaved));
  }

  // Library: the count of line 2 limits the names offered; the chosen entry
  // becomes the last crop; a soil for the SubSoil keeps its thickness.
  void librarySelection() {
    Program p;
    Workspace& ws = p.form->ws();
    WriteFile(p.data("TEST.CRO"), kLibraryCrops);
    WriteFile(p.data("TEST.SOI"), kLibrarySoils);
    auto* crops = Open<TCropDialog>(p, "MIEditCrops", "TCropDialog");
    p.dlg.files << p.data("TEST.CRO");
    crops->command("File")->trigger();
    QCOMPARE(p.dlg.requests.value(0).title, QStringLiteral("Select Standard Crops File"));
    QCOMPARE(QString::fromStdString(p.form->ini().readString("Kelmar Options", "CropFile", "")),
             p.data("TEST.CRO"));
    p.dlg.items << 1;
    crops->command("Add")->trigger();
    QCOMPARE(p.dlg.chosen.value(0), QStringLiteral("Add Crop"));
    QCOMPARE(p.dlg.itemLists.value(0), (QStringList{"oats in test", "second one", "third one"}));
    QCOMPARE(ws.scenario.CropCount, 8);
    QCOMPARE(ws.scenario.Crops[8].PRODi, 7000.0f);
    QCOMPARE(crops->current(), 8);
    QCOMPARE(crops->statusText(), QStringLiteral("8 records"));

    auto* soil = Open<TSoilDialog>(p, "MIEditSoil", "TSoilDialog");
    ws.state.SoilFile = p.data("TEST.SOI").toStdString();
    p.dlg.items << 0;
    soil->findChild<QPushButton*>("SubSoil")->click();
    QCOMPARE(soil->nameEdit(2)->text(), QStringLiteral("test clay"));
    QCOMPARE(ws.scenario.Soil[1].SMO, 0.45f);
    QCOMPARE(ws.scenario.Soil[1].THL, 60.0f);

    // With 40 crops Add offers nothing.
    ws.scenario.CropCount = 40;
    p.dlg.clear();
    crops->command("Add")->trigger();
    QVERIFY(p.dlg.chosen.isEmpty());
  }

  // An environment file in another directory is kept with its full path,
  // one in the data directory by its name alone.
  void environmentFileChoice() {
    Program p;
    auto* parm = Open<TParmDialog>(p, "MIEditParameters", "TParmDialog");
    const QString other = p.tmp.filePath("bin/OTHER.ENV");
    p.dlg.files << other << p.data("SANDY6.ENV");
    parm->chooseEnviFile();
    QCOMPARE(p.dlg.requests.value(0).title, QStringLiteral("Select auto-load environment file"));
    QVERIFY(p.form->docs().CommitEditors());
    QCOMPARE(QString::fromStdString(p.form->ws().scenario.EnviFile), other);
    parm->chooseEnviFile();
    QCOMPARE(parm->enviEdit()->text(), QStringLiteral("SANDY6.ENV"));
  }

  // Shift + right click in a graph opens the crop growing in that week, or
  // with application labels the first application from that week on.
  void graphShiftRightClickOpensRecord() {
    Program p;
    p.trigger("MIRunCalculate");
    p.trigger("MIGraphMineralNitrogen");
    auto* v = qobject_cast<TGraphView*>(p.form->windows().active());
    QVERIFY(v);
    v->graph()->resize(700, 450);
    v->graph()->picture();
    const GraphMapping& m = v->graph()->mapping();
    const QPoint at(int(std::lround(m.XToPixel(60))), int(m.YToPixel((m.y.min + m.y.max) / 2)));
    p.form->graphs().labelMode = 1;
    QTest::mouseClick(v->graph(), Qt::RightButton, Qt::ShiftModifier, at);
    auto* crops = p.form->windows().get<TCropDialog>("TCropDialog");
    QVERIFY(crops);
    QCOMPARE(crops->current(), 2);
    QCOMPARE(crops->grid()->currentRow(), 1);
    p.form->graphs().labelMode = 2;
    QTest::mouseClick(v->graph(), Qt::RightButton, Qt::ShiftModifier, at);
    auto* appls = p.form->windows().get<TApplDialog>("TApplDialog");
    QVERIFY(appls);
    QCOMPARE(appls->current(), 8);
    QCOMPARE(appls->grid()->currentRow(), 7);
  }

  // The crop parameters edit the current crop; Shift + right click in a
  // graph is covered by the graph tests' mapping, here the editor side.
  void cropParameters() {
    Program p;
    Scenario& s = p.form->ws().scenario;
    auto* crops = Open<TCropDialog>(p, "MIEditCrops", "TCropDialog");
    crops->setCurrent(3);
    const float other = s.Crops[2].ETMAX;
    TCropParmDialog* d = crops->editParameters();
    QVERIFY(d);
    TypeInput(d->input("ETMAX"), "1.25");
    d->findChild<QPushButton*>("OK")->click();
    QCOMPARE(s.Crops[3].ETMAX, 1.25f);
    QCOMPARE(s.Crops[2].ETMAX, other);

    // The lock frees the name column but never the record number.
    auto* lock = crops->findChild<QAction*>("Lock");
    QCOMPARE(crops->grid()->fixedColumns(), 2);
    lock->trigger();
    QCOMPARE(crops->grid()->fixedColumns(), 1);
    lock->trigger();
    QCOMPARE(crops->grid()->fixedColumns(), 2);
  }
};

QTEST_MAIN(ScenarioEditors)
#include "test_scenario_editors.moc"
