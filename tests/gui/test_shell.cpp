// The frame built from the command table: menus, speed bar and icons, and
// the window registry's bookkeeping.

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include "ScriptedDialogs.h"
#include "report/Tables.h"
#include "shell/ActionTable.h"

using namespace kelmar;
using namespace kelmar::gui;

namespace {

QMenu* SubMenu(QWidget* parentMenuOwner, const QStringList& path) {
  QList<QAction*> items = parentMenuOwner->actions();
  QMenu* menu = nullptr;
  for (const QString& title : path) {
    menu = nullptr;
    for (QAction* a : items)
      if (a->menu() && a->text() == title) menu = a->menu();
    if (!menu) return nullptr;
    items = menu->actions();
  }
  return menu;
}

QStringList Names(const QMenu* m) {
  QStringList out;
  for (QAction* a : m->actions()) out << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
  return out;
}

} // namespace

class Shell : public QObject {
  Q_OBJECT
private slots:
  // Every command has one action of its own; the Print > Graph menu lists
  // the eleven graphs and then both composite pages, all available.
  void commandsAreUniqueAndPrintGraphIsComplete() {
    Program p(QStringList{});
    QStringList names;
    for (QAction* a : p.form->findChildren<QAction*>())
      if (!a->objectName().isEmpty() && !a->objectName().startsWith("qt_")) names << a->objectName();
    QStringList dups;
    for (const QString& n : names)
      if (names.count(n) > 1 && !dups.contains(n)) dups << n;
    QVERIFY2(dups.isEmpty(), qPrintable(dups.join(' ')));

    QMenu* graphs = SubMenu(p.form->menuBar(), {"&Print", "&Graph"});
    QVERIFY(graphs);
    const QStringList expected{"MIPrintGraphCumulativeNbalance",
                               "MIPrintGraphTemperature",
                               "MIPrintGraphEnvironment",
                               "MIPrintGraphWaterFlow",
                               "MIPrintGraphSoilpF",
                               "MIPrintGraphOrganicMatter",
                               "MIPrintGraphOrganicNitrogen",
                               "MIPrintGraphSourcesofMineralisation",
                               "MIPrintGraphNitrogenFlow",
                               "MIPrintGraphMineralNitrogen",
                               "MIPrintGraphNmodelledvsNmeasured",
                               "-",
                               "MIPrintGraphSOM",
                               "MIPrintGraphWaterFlowPFNFlow"};
    QCOMPARE(Names(graphs), expected);
    QStringList captions;
    for (QAction* a : graphs->actions().mid(12)) captions << a->text();
    QCOMPARE(captions, QStringList({"SOM, Nm&ineral and Nbalance", "W&aterFlow, Soil pF and NFlow"}));
    for (QAction* a : graphs->actions()) QVERIFY(a->isSeparator() || a->isEnabled());
  }

  // The menus show the commands in their groups (spot checks of each kind
  // of layout entry: plain, sub-menu, separator).
  void menusAreBuiltFromTheTable() {
    Program p(QStringList{});
    QCOMPARE(Names(SubMenu(p.form->menuBar(), {"&File", "&Scenario"})),
             QStringList({"MIFileLoad", "MIFileInsert", "MIFileAppend", "MIFileSave", "MIFileSaveAs"}));
    QCOMPARE(Names(SubMenu(p.form->menuBar(), {"&File", "Ex&tract Range"})),
             QStringList(
                 {"MIFileExtrEnvironment", "MIFileExtrIrrigation", "MIFileExtrNmineral", "MIFileExtrOmon"}));
    QCOMPARE(Names(SubMenu(p.form->menuBar(), {"&Summary"})),
             QStringList({"MISummaryWaterBalance", "MISummaryMineralisation",
                          "MISummaryMineralisationSubSoil", "MISummaryNitrogenBalance",
                          "MISummaryNmodelledvsNmeasured", "MISummaryMineralBalance"}));
    QCOMPARE(Names(SubMenu(p.form->menuBar(), {"&Run"})).mid(0, 4),
             QStringList({"MIRunCalculate", "MIRunRepeat", "MIRunContinue", "-"}));
  }

  // Speed buttons of disabled commands are disabled, and every picture has
  // a greyed form for that; different commands have different pictures; the
  // program has an icon.
  void speedBarShowsStateAndDistinctIcons() {
    Program p(QStringList{});
    p.form->show();
    QTest::qWait(1);
    QVERIFY(!p.form->windowIcon().isNull());
    QList<QImage> pictures;
    for (QAction* a : p.form->speedBar()->actions()) {
      if (a->isSeparator()) continue;
      auto* button = qobject_cast<QToolButton*>(p.form->speedBar()->widgetForAction(a));
      QVERIFY(button);
      QCOMPARE(button->isEnabled(), a->isEnabled());
      const QImage normal = a->icon().pixmap(20, QIcon::Normal).toImage();
      QVERIFY2(!normal.isNull(), qPrintable(a->objectName()));
      QVERIFY2(!pictures.contains(normal), qPrintable(a->objectName() + " looks like another command"));
      pictures << normal;
      {
        const QImage grey =
            a->icon().pixmap(20, QIcon::Disabled).toImage().convertToFormat(QImage::Format_ARGB32);
        QVERIFY(grey != normal.convertToFormat(QImage::Format_ARGB32));
        // Greyed: no pixel keeps a colour.
        for (int y = 0; y < grey.height(); ++y)
          for (int x = 0; x < grey.width(); ++x) {
            const QRgb c = grey.pixel(x, y);
            QVERIFY(qAlpha(c) == 0 || (qRed(c) == qGreen(c) && qGreen(c) == qBlue(c)));
          }
      }
    }
  }

  // A command comes alive through its rule: Directory Edit follows its
  // option, Calculate's button shows whether the results are current.
  void enablingRulesFollowState() {
    Program p;
    QTest::qWait(1);
    QVERIFY(!p.form->calculateButtonDown());
    p.trigger("MIRunCalculate");
    QTest::qWait(1);
    QVERIFY(p.form->calculateButtonDown());
    QVERIFY(!p.form->action("MIOptionsDirEdit")->isEnabled());
    p.form->ws().options.KelmOpti |= kOptDirEdit;
    p.form->scheduleIdle();
    QTest::qWait(1);
    QVERIFY(p.form->action("MIOptionsDirEdit")->isEnabled());
  }

  // Opening raises the existing window (restoring it when minimised) and
  // Close All empties the frame; windows are found by their keys.
  void registryOpensRaisesAndCloses() {
    Program p;
    p.form->show();
    WindowRegistry& w = p.form->windows();
    TIniForm* table = w.show("TRsltView", kTableWaterBalance);
    TIniForm* summary = w.show("TSummView", kSummaryNBalance);
    QVERIFY(table && summary && table != summary);
    QVERIFY(!w.show("TSummView", 15) && !w.show("TNoSuchView"));
    table->frame()->showMinimized();
    QCOMPARE(w.show("TRsltView", kTableNBalance), table);
    QVERIFY(!table->frame()->isMinimized());
    QCOMPARE(w.active(), table);
    QCOMPARE(w.get<TRsltView>("TRsltView")->kind(), int(kTableNBalance));
    // A number the open table window does not have leaves it as it was.
    QVERIFY(!w.show("TRsltView", kSummaryWater) && !w.show("TRsltView", 0));
    QCOMPARE(w.get<TRsltView>("TRsltView")->kind(), int(kTableNBalance));
    QCOMPARE(w.find("TSummView", kSummaryNBalance), summary);
    QVERIFY(!w.find("TSummView", kSummaryWater));
    p.trigger("MIInfoView");
    QVERIFY(w.find("TInfoView"));
    p.trigger("MIWindowCloseAll");
    QTRY_VERIFY(p.form->mdiArea()->subWindowList().isEmpty());
    QTRY_VERIFY(!w.find("TInfoView") && !w.find("TRsltView"));
  }
};

QTEST_MAIN(Shell)
#include "test_shell.moc"
