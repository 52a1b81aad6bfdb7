// The four weekly series editors driven as a user drives them: typing into
// cells and inputs, refusals with their messages, apply and undo, copy and
// paste (also from a spreadsheet), next, last, select week, closing, the
// questions of load and exit, and a saved file compared byte for byte.
#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QToolBar>

#include "ScriptedDialogs.h"
#include "editors/SeriesEditors.h"
#include "widgets/Grid.h"
#include "widgets/NumInput.h"

using namespace kelmar;
using namespace kelmar::gui;

namespace {

TSeriesEditor* Open(Program& p, const char* action, const char* cls) {
  p.form->show();
  p.trigger(action);
  return p.form->windows().get<TSeriesEditor>(cls);
}

// Types into the cell of a week and a column and presses Enter.
void TypeCell(TSeriesEditor* e, int week, int column, const QString& text) {
  GridView* g = e->grid();
  g->setFocus();
  g->setCurrentIndex(g->gridModel()->index(week - 1, column));
  g->edit(g->currentIndex());
  GridCellEdit* ed = g->openEditor();
  QVERIFY(ed);
  ed->selectAll();
  QTest::keyClicks(ed, text);
  QTest::keyClick(ed, Qt::Key_Return);
}

void SelectWeeks(TSeriesEditor* e, int from, int till, int column) {
  GridModel* m = e->model();
  e->grid()->setCurrentIndex(m->index(from - 1, column));
  e->grid()->selectionModel()->select(QItemSelection(m->index(from - 1, column), m->index(till - 1, column)),
                                      QItemSelectionModel::ClearAndSelect);
}

int g_pickedWeek = 0;
std::optional<int> PickWeek(int, QWidget*) { return g_pickedWeek; }

} // namespace

class SeriesEditors : public QObject {
  Q_OBJECT
private slots:
  // Each editor from its Edit menu item: caption, columns, commands with
  // their texts, and File > Load aimed at its series while it is active.
  void editorsOpen_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("cls");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<QStringList>("hints");
    QTest::addColumn<QString>("loadTitle");
    QTest::newRow("environment") << "MIEditEnvironment"
                                 << "TEnviDialog"
                                 << "Environment: SANDY6.ENV" << QStringList{"Wk", "Temp", "Rain", "ET"}
                                 << QStringList{"Load environment", "Save environment", "Goto last record"}
                                 << "Load environment";
    QTest::newRow("irrigation") << "MIEditIrrigation"
                                << "TIrriDialog"
                                << "Irrigation: NEW.IRR" << QStringList{"Wk", "Irr", "NIrr"}
                                << QStringList{"Load irrigation", "Save irrigation", "Go to last record"}
                                << "Load irrigation";
    QTest::newRow("N-mineral") << "MIEditNmineral"
                               << "TNminDialog"
                               << "NMineral: NEW.MIN" << QStringList{"Wk", "N1", "N2"}
                               << QStringList{"Load N-mineral", "Save N-mineral", "Go to last record"}
                               << "Load N-mineral";
    QTest::newRow("organic matter") << "MIEditOmon"
                                    << "TOmonDialog"
                                    << "Organic Matter: NEW.OM" << QStringList{"Wk", "OM1", "ON1"}
                                    << QStringList{"Load Organic Matter", "Save Organic Matter",
                                                   "Go to last record"}
                                    << "Load Organic Matter";
  }
  void editorsOpen() {
    QFETCH(QString, action);
    QFETCH(QString, cls);
    QFETCH(QString, caption);
    QFETCH(QStringList, headers);
    QFETCH(QStringList, hints);
    QFETCH(QString, loadTitle);
    Program p;
    TSeriesEditor* e = Open(p, qPrintable(action), qPrintable(cls));
    QVERIFY(e);
    QCOMPARE(e->windowTitle(), caption);
    QAbstractItemModelTester tester(e->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(e->model()->rowCount(), 520);
    QStringList shown;
    for (int c = 0; c < e->model()->columnCount(); ++c)
      shown << e->model()->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(shown, headers);
    QCOMPARE(e->model()->data(e->model()->index(519, 0)).toString(), QString("520"));
    QStringList captions;
    for (QAction* a : e->popupMenu()->actions())
      if (!a->isSeparator()) captions << a->text();
    QCOMPARE(captions, (QStringList{"&Load...", "&Save As...", "Cl&ose", "&Copy", "Pas&te", "&Undo", "&Next",
                                    "L&ast", "Select &week..."}));
    QCOMPARE((QStringList{e->command("SBLoad")->toolTip(), e->command("SBSaveAs")->toolTip(),
                          e->command("SBLast")->toolTip()}),
             hints);
    QCOMPARE(e->command("SBCopy")->toolTip(), QString("Copy record(s)"));
    QCOMPARE(e->command("SBPaste")->toolTip(), QString("Paste record(s)"));
    QCOMPARE(e->command("SBSelWeek")->toolTip(), QString("Select week"));
    QCOMPARE(e->command("SBClose")->toolTip(), QString("Close dialog"));
    QVERIFY(e->statusText().endsWith(" records"));
    QTest::keyClick(e, Qt::Key_F10);
    QTRY_VERIFY(e->popupMenu()->isVisible());
    e->popupMenu()->hide();
    p.trigger("MIFileOpen");
    QCOMPARE(p.dlg.requests.last().title, loadTitle);
    // The same command from the editor's own speed bar.
    e->command("SBLoad")->trigger();
    QCOMPARE(p.dlg.requests.last().title, loadTitle);
  }

  // A typed value reaches the week record and marks the document unsaved and
  // the results stale; a value outside the column's limits is refused with
  // its message and blocks the commands that read the data.
  void cellEditsAndRefusals() {
    Program p;
    Workspace& ws = p.form->ws();
    p.trigger("MIRunCalculate");
    QVERIFY(!(p.status() & kResultsStale));
    TSeriesEditor* e = Open(p, "MIEditEnvironment", "TEnviDialog");
    QTRY_VERIFY(p.form->calculateButtonDown());
    TypeCell(e, 10, 1, "-99.9");
    QTRY_VERIFY(!p.form->calculateButtonDown());
    QTRY_VERIFY(!e->grid()->openEditor());
    QCOMPARE(ws.weeks[10].Tc, -99.9f);
    QCOMPARE(e->model()->data(e->model()->index(9, 1)).toString(), QString("-99.9"));
    QVERIFY(p.status() & kResultsStale);
    QVERIFY(!(p.status() & kEnviSaved));
    QVERIFY(e->modified());
    TypeCell(e, 11, 2, "-100");
    QCOMPARE(p.dlg.texts(), QStringList{"Value must be between -99.9 and 999.9 !"});
    QCOMPARE(p.dlg.asked[0].type, BoxType::Plain);
    const float rain = ws.weeks[11].Rain;
    QVERIFY(e->grid()->openEditor());
    // Calculate commits the editors first: the refusal stops it.
    p.trigger("MIRunCalculate");
    QVERIFY(p.status() & kResultsStale);
    QCOMPARE(ws.weeks[11].Rain, rain);
    QCOMPARE(p.dlg.asked.size(), 2);
    e->grid()->openEditor()->selectAll();
    QTest::keyClicks(e->grid()->openEditor(), "12");
    p.trigger("MIRunCalculate");
    QCOMPARE(ws.weeks[11].Rain, 12.f);
    QVERIFY(!(p.status() & kResultsStale));
    QVERIFY(!e->modified());
    QTRY_VERIFY(p.form->calculateButtonDown());
  }

  // Title, year and week are stored by Apply; a long title keeps its first
  // 20 characters.
  void headerInputs() {
    Program p;
    Workspace& ws = p.form->ws();
    TSeriesEditor* e = Open(p, "MIEditNmineral", "TNminDialog");
    e->titleInput()->setFocus();
    e->titleInput()->selectAll();
    QTest::keyClicks(e->titleInput(), "  Twenty-five characters!");
    e->yearInput()->selectAll();
    QTest::keyClicks(e->yearInput(), "1990x");
    e->weekInput()->selectAll();
    QTest::keyClicks(e->weekInput(), "14");
    QVERIFY(e->modified());
    QVERIFY(p.form->docs().CommitEditors());
    QCOMPARE(ws.scenario.series(SeriesKind::Nmineral).Name.str(), std::string("Twenty-five characte"));
    QCOMPARE(ws.scenario.series(SeriesKind::Nmineral).Year, 1990);
    QCOMPARE(ws.scenario.series(SeriesKind::Nmineral).Week, 14);
    QVERIFY(!(p.status() & kNminSaved));
    QVERIFY(!e->modified());
  }

  // Undo brings back every field changed since the last Apply, and only those.
  void undo() {
    Program p;
    Workspace& ws = p.form->ws();
    TSeriesEditor* e = Open(p, "MIEditNmineral", "TNminDialog");
    TypeCell(e, 3, 1, "40");
    QTRY_VERIFY(!e->grid()->openEditor());
    QVERIFY(p.form->docs().CommitEditors());
    TypeCell(e, 4, 1, "50");
    QTRY_VERIFY(!e->grid()->openEditor());
    TypeCell(e, 5, 2, "60");
    QTRY_VERIFY(!e->grid()->openEditor());
    e->titleInput()->setText("Changed");
    e->command("SBUndo")->trigger();
    QCOMPARE(ws.weeks[3].Ni1, 40.f);
    QCOMPARE(ws.weeks[4].Ni1, 0.f);
    QCOMPARE(ws.weeks[5].Ni2, 0.f);
    QCOMPARE(e->titleInput()->text(), QString("Empty"));
    QVERIFY(!e->modified());
  }

  // Four rows pasted at week 518 fill weeks 518..520 and drop the fourth;
  // one selected cell copies every column of its row.
  void copyAndPaste() {
    Program p;
    Workspace& ws = p.form->ws();
    TSeriesEditor* e = Open(p, "MIEditEnvironment", "TEnviDialog");
    SelectWeeks(e, 1, 4, 2);
    e->command("SBCopy")->trigger();
    QCOMPARE(e->clipboard().size(), 12);
    QCOMPARE(e->clipboard()[0], e->model()->data(e->model()->index(0, 1)).toString());
    const QString sheet = QGuiApplication::clipboard()->text();
    QVERIFY(sheet.startsWith("Wk\tTemp\tRain\tET\n1\t"));
    QCOMPARE(sheet.count('\n'), 5);
    const WeekRecord before521 = ws.weeks[521];
    ws.state.DocStatus |= kEnviSaved;
    e->goToWeek(518);
    e->command("SBPaste")->trigger();
    for (int w = 518; w <= 520; ++w) {
      QCOMPARE(ws.weeks[size_t(w)].Tc, ws.weeks[size_t(w - 517)].Tc);
      QCOMPARE(ws.weeks[size_t(w)].ET0, ws.weeks[size_t(w - 517)].ET0);
    }
    QCOMPARE(ws.weeks[521].Tc, before521.Tc);
    QVERIFY(!(p.status() & kEnviSaved));
    QVERIFY(p.status() & kResultsStale);

    SelectWeeks(e, 5, 5, 3);
    e->command("SBCopy")->trigger();
    QCOMPARE(e->clipboard().size(), 3);
    QCOMPARE(e->clipboard()[1], e->model()->data(e->model()->index(4, 2)).toString());
  }

  // Tab-separated numbers from a spreadsheet: a header line is skipped, the
  // week column of our own copies dropped; one value outside its column's
  // limits refuses the whole paste with the cell's message.
  void pasteFromSpreadsheet() {
    Program p;
    Workspace& ws = p.form->ws();
    TSeriesEditor* e = Open(p, "MIEditNmineral", "TNminDialog");
    QGuiApplication::clipboard()->setText("N top\tN sub\r\n10\t20\r\n30,5\t40\r\n");
    e->goToWeek(7);
    e->command("SBPaste")->trigger();
    QCOMPARE(ws.weeks[7].Ni1, 10.f);
    QCOMPARE(ws.weeks[7].Ni2, 20.f);
    QCOMPARE(ws.weeks[8].Ni1, 30.5f);
    QCOMPARE(ws.weeks[8].Ni2, 40.f);
    QVERIFY(p.dlg.asked.isEmpty());

    QGuiApplication::clipboard()->setText("Wk\tN1\tN2\n20\t1\t2\n21\t3\t1000\n");
    e->goToWeek(20);
    e->command("SBPaste")->trigger();
    QCOMPARE(p.dlg.texts(), QStringList{"Value must be between 0.0 and 999.9 !"});
    QCOMPARE(ws.weeks[20].Ni1, 0.f);
    QCOMPARE(ws.weeks[21].Ni1, 0.f);
    QGuiApplication::clipboard()->setText("Wk\tN1\tN2\n20\t1\t2\n21\t3\t4\n");
    e->goToWeek(20);
    e->command("SBPaste")->trigger();
    QCOMPARE(ws.weeks[20].Ni1, 1.f);
    QCOMPARE(ws.weeks[21].Ni2, 4.f);
  }

  // Next walks the weeks with data and wraps to week 1; Last counts.
  void nextAndLast() {
    Program p;
    Workspace& ws = p.form->ws();
    TSeriesEditor* e = Open(p, "MIEditIrrigation", "TIrriDialog");
    e->command("SBLast")->trigger();
    QCOMPARE(ws.scenario.series(SeriesKind::Irrigation).Count, 0);
    QCOMPARE(e->currentWeek(), 1);
    QCOMPARE(e->statusText(), QString("0 records"));
    ws.weeks[5].NIrr = 2.5f;
    ws.weeks[9].Irr = 20;
    e->Refresh();
    e->goToWeek(1);
    QList<int> visited;
    for (int i = 0; i < 3; ++i) {
      e->command("SBNext")->trigger();
      visited << e->currentWeek();
    }
    QCOMPARE(visited, (QList<int>{5, 9, 1}));
    e->command("SBLast")->trigger();
    QCOMPARE(e->currentWeek(), 9);
    QCOMPARE(e->statusText(), QString("2 records"));

    TSeriesEditor* env = Open(p, "MIEditEnvironment", "TEnviDialog");
    int last = 0;
    for (int w = 1; w <= 520; ++w)
      if (ws.weeks[size_t(w)].Tc != 0 || ws.weeks[size_t(w)].Rain != 0 || ws.weeks[size_t(w)].ET0 != 0)
        last = w;
    QVERIFY(last > 1);
    env->command("SBLast")->trigger();
    QCOMPARE(env->currentWeek(), last);
    QCOMPARE(ws.scenario.series(SeriesKind::Environment).Count, last);
  }

  // The chosen week becomes the current row, the series' insert week and
  // the week the info window shows.
  void selectWeek() {
    Program p;
    g_pickedWeek = 105;
    p.form->setSelectWeek(&PickWeek);
    TSeriesEditor* e = Open(p, "MIEditOmon", "TOmonDialog");
    e->command("SBSelWeek")->trigger();
    QCOMPARE(e->currentWeek(), 105);
    QCOMPARE(p.form->ws().scenario.series(SeriesKind::Omon).InsertWeek, 105);
    QCOMPARE(p.form->ws().state.InfoWeek, 105);
  }

  // A refused value keeps the window open; acceptable pending edits are
  // applied when it closes.
  void closing() {
    Program p;
    Workspace& ws = p.form->ws();
    TSeriesEditor* e = Open(p, "MIEditOmon", "TOmonDialog");
    TypeCell(e, 2, 1, "1000000");
    QCOMPARE(p.dlg.texts(), QStringList{"Value must be between 0 and 999999 !"});
    e->command("SBClose")->trigger();
    QCoreApplication::processEvents();
    QVERIFY(p.form->windows().find("TOmonDialog"));
    QCOMPARE(ws.weeks[2].OMi, 0.f);
    e->grid()->openEditor()->setText("25000");
    e->titleInput()->setText("Plot 3");
    e->setModified(true);
    e->command("SBClose")->trigger();
    QTRY_VERIFY(!p.form->windows().find("TOmonDialog"));
    QCOMPARE(ws.weeks[2].OMi, 25000.f);
    QCOMPARE(ws.scenario.series(SeriesKind::Omon).Name.str().substr(0, 6), std::string("Plot 3"));
    QVERIFY(!(p.status() & kOmonSaved));
  }

  // New of the environment opens its editor; the measured series' New only
  // refreshes an open one.
  void newOpensTheEditor() {
    Program p;
    p.form->show();
    p.trigger("MIFileEnviNew");
    auto* e = p.form->windows().get<TSeriesEditor>("TEnviDialog");
    QVERIFY(e);
    QCOMPARE(e->titleInput()->text(), QString("Empty"));
    QCOMPARE(e->windowTitle(), QString("Environment: NEW.ENV"));
    p.trigger("MIFileNminNew");
    QVERIFY(!p.form->windows().find("TNminDialog"));
  }

  // Unsaved edits raise the save question of load and exit; Cancel keeps
  // the data, the editor and the program.
  void questionsKeepEdits() {
    Program p;
    Workspace& ws = p.form->ws();
    TSeriesEditor* e = Open(p, "MIEditNmineral", "TNminDialog");
    TypeCell(e, 6, 1, "33");
    QTRY_VERIFY(!e->grid()->openEditor());
    p.trigger("MIFileOpen");
    QCOMPARE(p.dlg.texts(), QStringList{"N-mineral data have been modified. Save ?"});
    QVERIFY(p.dlg.requests.isEmpty());
    p.dlg.clear();
    QVERIFY(!p.form->Shutdown());
    QCOMPARE(p.dlg.texts(), QStringList{"N-mineral data have been modified. Save ?"});
    QCOMPARE(ws.weeks[6].Ni1, 33.f);
    QVERIFY(p.form->windows().find("TNminDialog"));
  }

  // An editor keeps its place through the INI file.
  void windowPosition() {
    Program p;
    p.form->ws().options.KelmOpti |= kOptKeepWindowPos;
    TSeriesEditor* e = Open(p, "MIEditIrrigation", "TIrriDialog");
    const QRect where(30, 40, 460, 380);
    e->frame()->setGeometry(where);
    e->command("SBClose")->trigger();
    QTRY_VERIFY(!p.form->windows().find("TIrriDialog"));
    e = Open(p, "MIEditIrrigation", "TIrriDialog");
    QCOMPARE(e->frame()->geometry(), where);
  }

  // Three weeks of measured N typed in, saved through the editor's Save As,
  // and compared with the file written by hand.
  void measuredNRunThrough() {
    Program p;
    Workspace& ws = p.form->ws();
    ws.options.KelmOpti &= ~(kOptIncludeDate | kOptIncludeTime);
    TSeriesEditor* e = Open(p, "MIEditNmineral", "TNminDialog");
    e->titleInput()->setFocus();
    e->titleInput()->selectAll();
    QTest::keyClicks(e->titleInput(), "Field 7 sampling");
    e->yearInput()->selectAll();
    QTest::keyClicks(e->yearInput(), "1995");
    e->weekInput()->selectAll();
    QTest::keyClicks(e->weekInput(), "10");
    const std::tuple<int, const char*, const char*> rows[] = {
        {5, "20.5", "12"}, {12, "35", "18.3"}, {30, "8.2", "4"}};
    for (auto [week, n1, n2] : rows) {
      TypeCell(e, week, 1, n1);
      QTRY_VERIFY(!e->grid()->openEditor());
      TypeCell(e, week, 2, n2);
      QTRY_VERIFY(!e->grid()->openEditor());
    }
    const QString file = p.data("FIELD7.MIN");
    p.dlg.files << file;
    e->command("SBSaveAs")->trigger();
    QCOMPARE(p.dlg.requests.last().title, QString("Save N-mineral"));
    QByteArray expected = ReadAll(QDir(KELMAR_TEST_DATA).filePath("editors/FIELD7.MIN"));
    QVERIFY(!expected.isEmpty());
    expected.replace("@FILE@", file.toUtf8());
    QCOMPARE(ReadAll(file), expected);
    QVERIFY(p.status() & kNminSaved);
    QCOMPARE(e->windowTitle(), QString("NMineral: FIELD7.MIN"));
    QCOMPARE(e->statusText(), QString("3 records"));
  }
};

QTEST_MAIN(SeriesEditors)
#include "test_series_editors.moc"
