// The menu bar and the speed bar, built from the command table.
#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QToolBar>

#include "documents/DocumentSet.h"
#include "editors/DirEdit.h"
#include "help/HelpTopics.h"
#include "output/OutputRouter.h"
#include "report/Tables.h"
#include "run/RunControl.h"
#include "shell/ActionTable.h"
#include "shell/CommandItems.h"
#include "shell/Icons.h"
#include "shell/MainForm.h"
#include "shell/WindowRegistry.h"
#include "views/CoreText.h"
#include "views/GraphCommands.h"
#include "views/GraphView.h"

namespace kelmar::gui {

using namespace commands;

void TMainForm::buildMenus() {
  QMenuBar* bar = menuBar();
  QStringList series;
  for (const SeriesItem& s : kSeriesItems) {
    series << L(">") + L(s.menu);
    for (const char* cmd : {"New", "Load", "Insert", "Save", "SaveAs"})
      series << L("MIFile") + L(s.name) + L(cmd);
    if (s.kind == SeriesKind::Environment) series << L("-") << L("MIFileEnviImport");
    series << L("<");
  }
  QStringList extract{L(">Ex&tract Range")};
  for (const SeriesItem& s : kSeriesItems) extract << L("MIFileExtr") + L(s.extractName);
  extract << L("<");
  actions_->fillMenu(
      bar->addMenu(L("&File")),
      QStringList{"MIFileOpen", "MIFileSaveAny", "-", ">&Scenario", "MIFileLoad", "MIFileInsert",
                  "MIFileAppend", "MIFileSave", "MIFileSaveAs", "<"} +
          series + extract +
          QStringList{"-", "MIFileSaveResults", "MIFileSaveSummary", "MIFileChangeDir", "-", "MIFileExit"});
  actions_->fillMenu(bar->addMenu(L("&Edit")),
                     {"MIEditParameters", "MIEditSoil", "MIEditCrops", "MIEditApplications",
                      "MIEditSubSoilOM", "-", "MIEditEnvironment", "MIEditIrrigation", "MIEditNmineral",
                      "MIEditOmon", "-", "MIEditShiftUp", "MIEditShiftDown"});
  actions_->fillMenu(bar->addMenu(L("&Run")),
                     {"MIRunCalculate", "MIRunRepeat", "MIRunContinue", "-", "MIRunParmFitting",
                      "MIRunBackup", "MIRunRestore", "MIRunIncrease", "MIRunDecrease", "MIRunNextParameter",
                      "MIRunPreviousParameter", "-", "MIRunPrice", "MIMultiRun", "MIRunSensitivity"});
  QStringList views, printViews, summs, printSumms, graphs, printGraphs;
  for (const NamedItem& v : kViewItems) {
    views << L("MIView") + L(v.name);
    printViews << L("MIPrintView") + L(v.name);
  }
  for (const NamedItem& s : kSummItems) {
    summs << L("MISummary") + L(s.name);
    printSumms << L("MIPrintSummary") + L(s.name);
  }
  for (const NamedItem& g : kGraphItems) {
    graphs << L("MIGraph") + L(g.name);
    printGraphs << L("MIPrintGraph") + L(g.name);
  }
  actions_->fillMenu(bar->addMenu(L("&View")),
                     views + QStringList{"-", "MIModifyRange", "MINextRange", "MIPreviousRange"});
  actions_->fillMenu(bar->addMenu(L("&Summary")), summs);
  actions_->fillMenu(bar->addMenu(L("&Graph")),
                     graphs + QStringList{"-", "MICustGraph", "MIExportGraph", "MIInfoView", "MIIncrInfoWk",
                                          "MIDecrInfoWk"});
  actions_->fillMenu(bar->addMenu(L("&Print")),
                     QStringList{"MIPrintPrint", "-", ">&Data", "MIPrintScenario", "MIPrintEnvironment",
                                 "MIPrintIrrigation", "MIPrintNmineral", "MIPrintOmon", "<", ">&View"} +
                         printViews + QStringList{"<", ">&Summary"} + printSumms +
                         QStringList{"<", ">&Graph"} + printGraphs +
                         QStringList{"-", "MIPrintGraphSOM", "MIPrintGraphWaterFlowPFNFlow", "<"});
  actions_->fillMenu(bar->addMenu(L("&Options")),
                     {"MIOptionsPrinterSetUp", "MIOptionsDirEdit", "MIOptionsKelmarOptions", "MIOptionsSave",
                      "MIOptionsDelete", "-", "MISaveGrphCust", "MILoadGrphCust"});

  QMenu* win = bar->addMenu(L("&Window"));
  win->setObjectName(L("MIWindow"));
  connect(win, &QMenu::aboutToShow, this, [this, win] {
    // The fixed items, then the list of open windows.
    win->clear();
    actions_->fillMenu(win, {"MIWindowSendToBack", "MIWindowCascade", "MIWindowTile", "MIWindowArrangeIcons",
                             "MIWindowMinimizeAll", "MIWindowRestoreAll", "MIWindowCloseAll", "Speedbar1"});
    const QList<QMdiSubWindow*> subs = mdi_->subWindowList();
    if (!subs.isEmpty()) win->addSeparator();
    int i = 1;
    for (QMdiSubWindow* sub : subs) {
      QAction* a = win->addAction(QStringLiteral("&%1 %2").arg(i++).arg(sub->windowTitle()));
      a->setCheckable(true);
      a->setChecked(sub == mdi_->activeSubWindow());
      connect(a, &QAction::triggered, this, [this, sub] {
        if (sub->isMinimized()) sub->showNormal();
        mdi_->setActiveSubWindow(sub);
      });
    }
  });
  actions_->fillMenu(bar->addMenu(L("&Help")),
                     {"MIHelpContents", "MIHelpSearch", "MIHelpHowToUse", "-", "MIHelpAbout"});
}

void TMainForm::buildSpeedBar() {
  speedBar_ = new QToolBar(L("Speedbar"), this);
  speedBar_->setObjectName(L("SpeedBar"));
  speedBar_->setIconSize(QSize(20, 20));
  speedBar_->setMovable(false);
  addToolBar(Qt::TopToolBarArea, speedBar_);
  QAction* toggle = speedBar_->toggleViewAction();
  toggle->setObjectName(L("Speedbar1"));
  toggle->setText(L("&Speedbar"));
  toggle->setVisible(false);
  actions_->fillToolBar(speedBar_, {"MIFileOpen|Load|Load scenario or series",
                                    "MIFileSaveAny|Save as|Save scenario or series as",
                                    "SBRunCalculate",
                                    "-",
                                    "MIEditEnvironment|Environment|Edit environment",
                                    "MIEditCrops|Crops|Edit crops",
                                    "MIEditSoil|Soil|Edit soil",
                                    "MIEditApplications|Applications|Edit applications",
                                    "MIGraphMineralNitrogen|Graph|Graph N-mineral",
                                    "MIViewWaterBalance|Water|View water balance",
                                    "MISummaryWaterBalance|Sum water|Summary water balance",
                                    "MIViewNitrogenBalance|Nitrogen|View nitrogen balance",
                                    "MISummaryNitrogenBalance|Sum N|Summary nitrogen balance",
                                    "MIEditIrrigation|Irrigation|Edit irrigation",
                                    "MIEditParameters|Parameters|Edit scenario parameters",
                                    "-",
                                    "MIPrintPrint|Print|Print selected data or results",
                                    "MIWindowTile|Tile|Tile windows",
                                    "MIWindowCascade|Cascade|Cascade windows",
                                    "MIHelpContents|Help|Help",
                                    "MIWindowCloseAll|Close all|Close all windows",
                                    "MIEditNmineral|N-mineral|Edit N-mineral"});
}

} // namespace kelmar::gui
