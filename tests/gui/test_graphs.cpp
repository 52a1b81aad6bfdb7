// The graph windows: opening from the menu, refilling after runs, the
// overlay after a parameter step, keys and mouse, the customisation dialog,
// setup files, printing and export.
#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTimer>

#include "ScriptedDialogs.h"
#include "data/GraphSetupFile.h"
#include "dialogs/GraphCustomDialog.h"
#include "report/GraphData.h"
#include "report/Tables.h"
#include "views/GraphCommands.h"
#include "views/GraphView.h"
#include "widgets/TzkGraph.h"

using namespace kelmar;
using namespace kelmar::gui;

namespace {

const char* kGraphNames[11] = {"CumulativeNbalance",
                               "Temperature",
                               "Environment",
                               "WaterFlow",
                               "SoilpF",
                               "OrganicMatter",
                               "OrganicNitrogen",
                               "SourcesofMineralisation",
                               "NitrogenFlow",
                               "MineralNitrogen",
                               "NmodelledvsNmeasured"};

int Points(const TGraphView* v) {
  int n = 0;
  for (const GraphSeries& s : v->graph()->data().series) n += s.count;
  return n;
}

bool AllFinite(const TGraphView* v) {
  for (const GraphSeries& s : v->graph()->data().series)
    for (int i = 0; i < s.count; ++i)
      if (!std::isfinite(s.points[i].x) || !std::isfinite(s.points[i].y)) return false;
  return true;
}

// Pixels of a colour in a picture (antialiased edges excepted).
int CountColour(const QImage& img, QRgb colour) {
  int n = 0;
  const QImage im = img.convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < im.height(); ++y)
    for (int x = 0; x < im.width(); ++x)
      if ((im.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) ++n;
  return n;
}

// The example with its measured mineral N.
void StartWithMeasurements(Program& p) {
  QFile::copy(QDir(KELMAR_EXAMPLES).filePath("SANDY6.MIN"), p.data("SANDY6.MIN"));
  p.start({"SANDY6.DAT"});
}

TGraphView* OpenGraph(Program& p, int kind) {
  p.trigger(QStringLiteral("MIGraph") + kGraphNames[kind]);
  return qobject_cast<TGraphView*>(p.form->windows().active());
}

// Runs `script` on the modal dialog once it is shown.
void OnModal(std::function<void(TFormGrphCust*)> script) {
  QTimer::singleShot(0, [script] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* d = qobject_cast<TFormGrphCust*>(w); d && d->isVisible()) return script(d);
  });
}

} // namespace

class GraphsTest : public QObject {
  Q_OBJECT
private slots:
  // Every Graph menu item opens its own window, titled by its kind, with
  // the kind's help topic; opening again raises the same window.
  void menuOpensEveryGraph() {
    Program p;
    p.form->show();
    p.form->windows().closeAll(); // the editors the example's files opened
    for (int k = 0; k < 11; ++k) {
      TGraphView* v = OpenGraph(p, k);
      QVERIFY2(v, kGraphNames[k]);
      QCOMPARE(v->kind(), k);
      QCOMPARE(v->windowTitle(), "Graph " + QString::fromLatin1(GraphKindName(k).data()));
      QCOMPARE(v->WindowKey(), QStringLiteral("TGraphView_%1").arg(k));
      QCOMPARE(v->HelpContext(), 1610 + 10 * k);
    }
    QCOMPARE(p.form->mdiArea()->subWindowList().size(), 11);
    QCOMPARE(OpenGraph(p, 3), p.form->windows().find("TGraphView", 3));
    QCOMPARE(p.form->mdiArea()->subWindowList().size(), 11);
  }

  // Before a run and after a failed one there are no points; a run fills
  // every series the kind shows, with finite values only, over the range.
  void refillFollowsRunsAndRange() {
    Program p({}, {}, false);
    StartWithMeasurements(p);
    TGraphView* v = OpenGraph(p, 9);
    TGraphView* scatter = OpenGraph(p, 10);
    QCOMPARE(Points(v), 0);
    p.trigger("MIRunCalculate");
    QVERIFY(Points(v) > 0 && Points(scatter) > 0);
    const GraphData& d = v->graph()->data();
    QCOMPARE(d.series[0].count, std::min(520, p.form->ws().scenario.Weeks));
    QVERIFY(AllFinite(v) && AllFinite(scatter));

    // A one-week range still plots two weeks.
    p.form->ws().state.RangeFrom = p.form->ws().state.RangeTill = 30;
    p.form->windows().RefreshResultWindows();
    QCOMPARE(d.series[0].count, 2);
    QCOMPARE(d.series[0].points[1].x, 31.0f);

    p.form->ws().scenario.Soil[1].GAM = 0;
    p.trigger("MIRunCalculate");
    p.form->windows().RefreshResultWindows();
    QCOMPARE(Points(v), 0);
    QCOMPARE(Points(scatter), 0);
  }

  // After Increase the previous curves stay on the picture unless the
  // option asks for clean graphs.
  void increaseOverlaysUnlessCleared() {
    for (const bool clear : {false, true}) {
      Program p;
      Workspace& ws = p.form->ws();
      if (clear)
        ws.options.KelmOpti |= kOptClearGraph;
      else
        ws.options.KelmOpti &= ~kOptClearGraph;
      ws.state.FitDelta = 50;
      p.trigger("MIRunCalculate");
      TGraphView* v = OpenGraph(p, 8);
      v->graph()->resize(700, 450);
      const QRgb red = qRgb(255, 0, 0);
      const int before = CountColour(v->graph()->picture(), red);
      QVERIFY(before > 0);
      bool changed = false;
      for (int parm = 1; parm <= kParmCount && !changed; ++parm) {
        GraphSeries first = v->graph()->data().series[0];
        ws.state.SelParm = parm;
        p.trigger("MIRunIncrease");
        const GraphSeries& now = v->graph()->data().series[0];
        for (int i = 0; i < now.count && !changed; ++i) changed = now.points[i].y != first.points[i].y;
        if (!changed) v->graph()->picture(); // the step changed nothing here; take the next one
      }
      QVERIFY(changed);
      const int after = CountColour(v->graph()->picture(), red);
      // A fresh drawing of the same data, for comparison.
      TzkGraph fresh;
      fresh.resize(v->graph()->size());
      fresh.setSetup(v->graph()->setup());
      fresh.data() = v->graph()->data();
      fresh.dataChanged();
      const int alone = CountColour(fresh.picture(), red);
      if (clear)
        QCOMPARE(after, alone);
      else
        QVERIFY2(after > alone, qPrintable(QStringLiteral("%1 <= %2").arg(after).arg(alone)));
      QVERIFY(!v->graph()->updateSeriesOnly());
      // A new size draws the graph anew, without the old curves.
      v->graph()->resize(701, 450);
      fresh.resize(701, 450);
      QCOMPARE(CountColour(v->graph()->picture(), red), CountColour(fresh.picture(), red));
    }
  }

  // T cycles the names along the top through four modes, W the week numbers
  // of the scatter graph through three; B and R ask first; C runs.
  void keysOfAGraphWindow() {
    Program p({}, {}, false);
    StartWithMeasurements(p);
    p.trigger("MIRunCalculate");
    TGraphView* v = OpenGraph(p, 9);
    TGraphView* scatter = OpenGraph(p, 10);
    GraphSettings& g = p.form->graphs();
    QCOMPARE(g.labelMode, 1);
    const size_t crops = v->graph()->data().labels.size();
    QVERIFY(crops > 0);
    QList<size_t> labels;
    for (int i = 0; i < 4; ++i) {
      QTest::keyClick(v, Qt::Key_T);
      labels << v->graph()->data().labels.size();
    }
    QCOMPARE(g.labelMode, 1);
    QCOMPARE(labels[2], size_t(0)); // mode 0: no names
    QCOMPARE(labels[3], crops);
    for (int i = 0; i < 3; ++i) {
      QTest::keyClick(v, Qt::Key_W);
      if (i == 0) QVERIFY(!scatter->graph()->data().pointLabels.empty());
    }
    QCOMPARE(g.pointLabelMode, 0);
    QVERIFY(scatter->graph()->data().pointLabels.empty());

    p.dlg.clear();
    QSignalSpy runs(p.form.get(), &TMainForm::resultsRefreshed);
    QTest::keyClick(v, Qt::Key_B); // cancelled
    QTest::keyClick(v, Qt::Key_R); // cancelled: no run
    QCOMPARE(p.dlg.texts(),
             QStringList({"Backup auto-changeable parameters ?", "Restore auto-changeable parameters ?"}));
    QTest::qWait(1);
    QVERIFY(runs.isEmpty());
    p.form->ws().state.DocStatus |= kResultsStale;
    QTest::keyClick(v, Qt::Key_C);
    QVERIFY(!(p.status() & kResultsStale));
  }

  // A click in the plot area selects the week under the pointer as the info
  // week; outside the plot nothing changes.
  void clickSelectsTheInfoWeek() {
    Program p;
    p.trigger("MIRunCalculate");
    TGraphView* v = OpenGraph(p, 9);
    v->graph()->resize(700, 450);
    v->graph()->picture();
    const GraphMapping& m = v->graph()->mapping();
    const QPoint at(int(std::lround(m.XToPixel(100))), int(m.YToPixel((m.y.min + m.y.max) / 2)));
    QTest::mouseClick(v->graph(), Qt::RightButton, Qt::NoModifier, at);
    QCOMPARE(p.form->ws().state.InfoWeek, 100);
    QTest::mouseClick(v->graph(), Qt::LeftButton, Qt::ShiftModifier, at + QPoint(int(m.x.scale * 3), 0));
    QCOMPARE(p.form->ws().state.InfoWeek, 103);
    QTest::mouseClick(v->graph(), Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    QCOMPARE(p.form->ws().state.InfoWeek, 103);
  }

  // Customize: OK applies the edits (with the scripted colour and font) to
  // the graph and the setup of its kind; Cancel changes nothing.
  void customizeAppliesOnOkOnly() {
    for (const bool ok : {true, false}) {
      Program p;
      p.form->show();
      TGraphView* v = OpenGraph(p, 9);
      const GraphSetup before = v->graph()->setup();
      p.dlg.colors.enqueue(QColor(10, 20, 30));
      QFont font(QStringLiteral("Courier New"), 12);
      font.setBold(true);
      p.dlg.fonts.enqueue({font, QColor(200, 0, 0)});
      QString caption;
      QTest::qWait(1);
      OnModal([&](TFormGrphCust* d) {
        caption = d->windowTitle();
        d->findChild<QLineEdit*>("Edit1")->setText("My graph");
        d->findChild<QPushButton*>("Panel3")->click();
        d->findChild<QPushButton*>("Panel5")->click();
        if (ok)
          d->findChild<QPushButton*>("OKBtn")->click();
        else
          d->findChild<QPushButton*>("CancelBtn")->click();
      });
      p.trigger("MICustGraph");
      QCOMPARE(caption, QStringLiteral("Customize Graph: Graph Mineral Nitrogen"));
      QCOMPARE(p.dlg.chosen, QStringList({"Line Color", "Font"}));
      const GraphSetup& now = v->graph()->setup();
      if (!ok) {
        QVERIFY(now == before);
        QVERIFY(p.form->graphs().store.setups[9] == before);
        continue;
      }
      QCOMPARE(now.GraphTitle.str(), std::string("My graph"));
      QCOMPARE(now.Series[0].LineColor, MakeColor(10, 20, 30));
      QCOMPARE(now.Font.Name.str(), std::string("Courier New"));
      QCOMPARE(now.Font.Size, 12);
      QCOMPARE(int(now.Font.Style), int(kFontBold));
      QCOMPARE(now.Font.Color, MakeColor(200, 0, 0));
      QVERIFY(p.form->graphs().store.setups[9] == now);
      QCOMPARE(QString::fromStdString(v->graph()->data().title), QStringLiteral("My graph"));
      // The setup outlives the window.
      v->frame()->close();
      QTest::qWait(1);
      QCOMPARE(OpenGraph(p, 9)->graph()->setup().GraphTitle.str(), std::string("My graph"));
    }
  }

  // Customize needs an active graph window.
  void customizeAndExportNeedAGraph() {
    Program p;
    p.form->show();
    p.form->windows().show("TSummView", kSummaryWater);
    p.form->scheduleIdle();
    QTest::qWait(1);
    QVERIFY(!p.form->action("MICustGraph")->isEnabled());
    QVERIFY(!p.form->action("MIExportGraph")->isEnabled());
    OpenGraph(p, 1);
    QTest::qWait(1);
    QVERIFY(p.form->action("MICustGraph")->isEnabled());
    QVERIFY(p.form->action("MIExportGraph")->isEnabled());
  }

  // The dialog's record: switching series keeps the edits of the one left,
  // a maximum not above its minimum becomes minimum + 1, a range field that
  // holds no number refuses OK.
  void dialogStoresTheRecord() {
    ScriptedDialogs dlg;
    TFormGrphCust d(DefaultGraphSetup(9), dlg, QString());
    d.findChild<QLineEdit*>("Edit4")->setText("Top");
    d.findChild<QRadioButton*>("Series3")->click();
    QCOMPARE(d.currentSeries(), 2);
    QCOMPARE(d.findChild<QLineEdit*>("Edit4")->text(), QStringLiteral("SubSoil"));
    d.findChild<QRadioButton*>("Series1")->click();
    QCOMPARE(d.findChild<QLineEdit*>("Edit4")->text(), QStringLiteral("Top"));

    d.findChild<QCheckBox*>("CheckBox6")->setChecked(true);
    QVERIFY(d.findChild<QLineEdit*>("Edit5")->isEnabled());
    for (const char* max : {"100", "50"}) {
      d.findChild<QLineEdit*>("Edit5")->setText("100");
      d.findChild<QLineEdit*>("Edit6")->setText(max);
      QVERIFY(d.storeRecord());
      QCOMPARE(d.record().XMax, 101.0f);
      QVERIFY(!d.record().XAuto);
    }
    d.findChild<QLineEdit*>("Edit8")->setText("0.25");
    d.findChild<QLineEdit*>("Edit7")->setText("0");
    QVERIFY(d.storeRecord());
    d.showRecord();
    QCOMPARE(d.findChild<QLineEdit*>("Edit8")->text(), QStringLiteral("0.25"));

    d.findChild<QCheckBox*>("CheckBox2")->setChecked(false);
    QVERIFY(d.findChild<QWidget*>("GroupBox1")->isHidden());
    d.findChild<QLineEdit*>("Edit7")->setText("abc");
    d.accept();
    QCOMPARE(d.result(), int(QDialog::Rejected));
    QCOMPARE(dlg.texts(), QStringList{"'abc' is not a valid number"});
    QVERIFY(d.record().Series[0].Active);
  }

  // One-graph setup files: saved and loaded by the dialog; an existing file
  // is replaced only after the question; another kind of file is refused.
  void dialogLoadsAndSavesOneSetup() {
    QTemporaryDir tmp;
    ScriptedDialogs dlg;
    const QString gsu = tmp.filePath("one.GSU");
    {
      TFormGrphCust d(DefaultGraphSetup(3), dlg, tmp.path());
      d.findChild<QLineEdit*>("Edit1")->setText("Saved");
      dlg.files.enqueue(tmp.filePath("one.txt")); // the extension becomes .GSU
      d.saveSetup();
      QCOMPARE(ReadAll(gsu).size(), kGraphSetupOneFileSize);
      QCOMPARE(dlg.requests.last().title, QStringLiteral("Save Graph Setup"));
      dlg.files.enqueue(gsu); // exists: Cancel keeps the file
      d.findChild<QLineEdit*>("Edit1")->setText("Not saved");
      d.saveSetup();
      QCOMPARE(dlg.texts(), QStringList{"File " + gsu + " already exists. Replace ?"});
      QCOMPARE(LoadGraphSetup(gsu.toStdString()).GraphTitle.str(), std::string("Saved"));
    }
    dlg.clear();
    TFormGrphCust d(DefaultGraphSetup(5), dlg, tmp.path());
    dlg.files.enqueue(gsu);
    d.loadSetup();
    QCOMPARE(d.findChild<QLineEdit*>("Edit1")->text(), QStringLiteral("Saved"));
    GraphSetupStore store;
    SaveAllGraphSetups(tmp.filePath("all.GSA").toStdString(), store);
    dlg.files.enqueue(tmp.filePath("all.GSA"));
    d.findChild<QLineEdit*>("Edit1")->setText("Kept");
    d.loadSetup();
    QCOMPARE(dlg.texts(), QStringList{"Error loading graph setup !"});
    QCOMPARE(dlg.asked.last().type, BoxType::Plain);
    QCOMPARE(d.findChild<QLineEdit*>("Edit1")->text(), QStringLiteral("Kept"));
  }

  // All setups through the Options menu: saved, changed, loaded back into
  // the open graphs; a foreign file is refused and changes nothing.
  void allSetupsRoundTrip() {
    Program p;
    QVERIFY(!p.form->graphs().store.initialised);
    p.dlg.files.enqueue(p.data("all"));
    p.trigger("MISaveGrphCust");
    QVERIFY(p.form->windows().find("TGraphView", 9)); // opened to build the setups
    QCOMPARE(p.dlg.requests.last().filter, QStringLiteral("Graph Setup (*.GSA)"));
    QCOMPARE(ReadAll(p.data("all.GSA")).size(), kGraphSetupAllFileSize);

    GraphSetupStore& store = p.form->graphs().store;
    const GraphSetupStore saved = store;
    TGraphView* v = OpenGraph(p, 4);
    GraphSetup changed = store.setups[4];
    changed.GraphTitle = "Changed";
    store.setups[4] = changed;
    v->applySetup(changed);
    p.dlg.files.enqueue(p.data("all.GSA"));
    p.trigger("MILoadGrphCust");
    QVERIFY(store.setups == saved.setups);
    QCOMPARE(v->graph()->setup().GraphTitle.str(), std::string(GraphKindName(4)));

    // Saving again asks before replacing.
    p.dlg.clear();
    p.dlg.files.enqueue(p.data("all.GSA"));
    p.trigger("MISaveGrphCust");
    QCOMPARE(p.dlg.texts(), QStringList{"File " + p.data("all.GSA") + " already exists. Replace ?"});

    // A file of another kind.
    p.dlg.clear();
    QByteArray foreign = ReadAll(p.data("all.GSA"));
    foreign.replace(1, 20, "Kelmar 459 Data File");
    WriteFile(p.data("foreign.GSA"), foreign);
    store.setups[4] = changed;
    v->applySetup(changed);
    p.dlg.files.enqueue(p.data("foreign.GSA"));
    p.trigger("MILoadGrphCust");
    QCOMPARE(p.dlg.texts(), QStringList{"Invalid file ID!: Kelmar 459 Data File"});
    QCOMPARE(store.setups[4].GraphTitle.str(), std::string("Changed"));
    QCOMPARE(v->graph()->setup().GraphTitle.str(), std::string("Changed"));
  }

  // A graph and both composite pages go to the printer's stand-in PDF,
  // after the question about stale results.
  void printGraphsToPdf() {
    if (!QPrinterInfo::availablePrinters().isEmpty())
      QSKIP("a real printer is installed; nothing is sent to it");
    Program p;
    p.dlg.files.enqueue(p.data("stale.pdf"));
    p.trigger("MIPrintGraphMineralNitrogen"); // stale: Cancel prints nothing
    QCOMPARE(p.dlg.texts(), QStringList{"Results may not be up to date. Continue anyway?"});
    QVERIFY(!QFileInfo::exists(p.data("stale.pdf")));
    p.dlg.files.clear();
    p.trigger("MIRunCalculate");
    p.form->ws().options.KelmOpti |= kOptGraphBW | kOptGraphFileName;
    const QStringList commands{"MIPrintGraphMineralNitrogen", "MIPrintGraphSOM",
                               "MIPrintGraphWaterFlowPFNFlow"};
    for (const QString& c : commands) {
      p.dlg.clear();
      p.dlg.files.enqueue(p.data(c + ".pdf"));
      p.trigger(c);
      QVERIFY2(p.dlg.texts().isEmpty(), qPrintable(p.dlg.texts().join('|')));
      const QByteArray pdf = ReadAll(p.data(c + ".pdf"));
      QVERIFY2(pdf.startsWith("%PDF") && pdf.size() > 2000, qPrintable(c));
    }
    // The printer keeps its own orientation.
    QCOMPARE(p.form->output().printer().pageLayout().orientation(), QPageLayout::Portrait);

    // Print on an active graph asks first.
    p.dlg.clear();
    OpenGraph(p, 1);
    p.trigger("MIPrintPrint");
    QCOMPARE(p.dlg.texts(), QStringList{"Print \"Graph Temperature\" ?"});
  }

  // Export Graph writes PNG (in the chosen size), SVG and PDF files and
  // asks before replacing one.
  void exportGraph() {
    Program p;
    p.form->show();
    p.trigger("MIRunCalculate");
    TGraphView* v = OpenGraph(p, 9);
    v->frame()->resize(640, 480);
    QTest::qWait(1);
    const QSize shown = v->graph()->size();
    for (const int choice : {0, 3}) {
      const QString png = p.data(QStringLiteral("g%1.png").arg(choice));
      p.dlg.files.enqueue(png);
      p.dlg.items.enqueue(choice);
      p.trigger("MIExportGraph");
      const QImage img(png);
      QVERIFY(!img.isNull());
      QCOMPARE(img.size(), choice == 0 ? shown : (QSizeF(shown) * (300.0 / 96)).toSize());
    }
    p.dlg.files.enqueue(p.data("g.svg"));
    p.trigger("MIExportGraph");
    QVERIFY(ReadAll(p.data("g.svg")).contains("<svg"));
    p.dlg.files.enqueue(p.data("g.pdf"));
    p.trigger("MIExportGraph");
    QVERIFY(ReadAll(p.data("g.pdf")).startsWith("%PDF"));

    p.dlg.clear();
    WriteFile(p.data("g.svg"), "old");
    p.dlg.files.enqueue(p.data("g.svg"));
    p.trigger("MIExportGraph");
    QCOMPARE(p.dlg.texts(), QStringList{"File " + p.data("g.svg") + " already exists. Replace ?"});
    QCOMPARE(ReadAll(p.data("g.svg")), QByteArray("old"));
  }
};

QTEST_MAIN(GraphsTest)
#include "test_graphs.moc"
