#include "MainForm.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTimer>
#include <QToolBar>

#include "InfoView.h"
#include "OptionsDialog.h"
#include "ResultViews.h"
#include "StatusPanel.h"
#include "Version.h"
#include "data/Errors.h"
#include "data/FileSystem.h"
#include "data/ParFile.h"
#include "data/SeriesFile.h"
#include "data/TextFormat.h"
#include "model/Driver.h"
#include "report/Tables.h"
#include "session/Companions.h"
#include "session/OptionsIni.h"

namespace kelmar::gui {

QString IniFilePathFor(const QString& exePath) {
  const QFileInfo fi(exePath);
  const QString name = fi.completeBaseName() + QStringLiteral(".INI");
  const QFileInfo dir(fi.absolutePath());
  if (dir.isDir() && dir.isWritable()) return QDir(fi.absolutePath()).filePath(name);
  const QString conf = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
  QDir().mkpath(conf);
  return QDir(conf).filePath(name);
}

static std::string DirWithSlash(const QString& dir) {
  QString d = QDir::cleanPath(QDir(dir).absolutePath());
  if (!d.endsWith(QLatin1Char('/'))) d += QLatin1Char('/');
  return d.toStdString();
}

TMainForm::TMainForm(const StartupConfig& cfg, UserDialogs* dialogs, QWidget* parent)
    : QMainWindow(parent), cfg_(cfg), ws_(MakeWorkspace()) {
  if (dialogs) {
    dialogs_ = dialogs;
  } else {
    ownDialogs_ = std::make_unique<QtUserDialogs>(this);
    dialogs_ = ownDialogs_.get();
  }
  setObjectName(QStringLiteral("TMainForm"));
  setWindowTitle(QStringLiteral("Kelmar"));
  const QString iniPath = cfg_.iniPath.isEmpty() ? IniFilePathFor(cfg_.exePath) : cfg_.iniPath;
  ini_ = IniFile(iniPath.toStdString());
  const QString exeDir = QFileInfo(cfg_.exePath).absolutePath();
  help_.setDirectory(cfg_.helpDir.isEmpty() ? QDir(exeDir).filePath(QStringLiteral("help")) : cfg_.helpDir);

  // The names the shell keeps: the program's and the current directory.
  ProgramState& st = ws_->state;
  st.ExeDir = DirWithSlash(exeDir);
  st.CurrentDir = DirWithSlash(QDir::currentPath());
  st.DataDir = st.CurrentDir;
  st.SelParm = 1;

  mdi_ = new QMdiArea(this);
  mdi_->setObjectName(QStringLiteral("MDI"));
  mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setCentralWidget(mdi_);
  connect(mdi_, &QMdiArea::subWindowActivated, this, [this] { scheduleIdle(); });
  createActions();
  createMenus();
  createSpeedBar();
  createStatusBar();
  resize(900, 650);
  RestoreWindowPosition(ini_, QStringLiteral("TMainForm"), this);
  scheduleIdle();
}

TMainForm::~TMainForm() {
  // The MDI area is destroyed with the QMainWindow base and reports its last
  // window change then; by that time this object is no TMainForm any more.
  disconnect(mdi_, nullptr, this, nullptr);
}

QAction* TMainForm::action(const QString& name) const { return findChild<QAction*>(name); }

QString TMainForm::statusLineText() const { return statusLine_->text(); }
QString TMainForm::rangePanelText() const { return rangePanel_->text(); }
QString TMainForm::parmPanelText() const { return parmPanel_->text(); }
bool TMainForm::calculateButtonDown() const { return sbCalculate_->isChecked(); }

QAction* TMainForm::makeAction(const QString& name, const QString& caption, const QString& hint,
                               std::function<void()> slot, const QKeySequence& key) {
  auto* a = new QAction(caption, this);
  a->setObjectName(name);
  a->setStatusTip(hint);
  a->setToolTip(hint);
  if (!key.isEmpty()) a->setShortcut(key);
  connect(a, &QAction::triggered, this, [this, slot = std::move(slot)] {
    slot();
    scheduleIdle();
  });
  return a;
}

// A command whose window is not part of the program yet: present, disabled.
QAction* TMainForm::laterAction(const QString& name, const QString& caption, const QString& hint,
                                const QKeySequence& key) {
  auto* a = new QAction(caption, this);
  a->setObjectName(name);
  a->setStatusTip(hint);
  a->setToolTip(hint);
  if (!key.isEmpty()) a->setShortcut(key);
  a->setEnabled(false);
  return a;
}

namespace {
struct ViewItem {
  const char* name;
  const char* caption;
};
constexpr ViewItem kViewItems[14] = {
    {"Environment", "&Environment"},
    {"CropDevelopment", "&Crop Development"},
    {"GroundWaterTable", "&Ground Water Table"},
    {"WaterBalanceTopSoil", "Water Balance &TopSoil"},
    {"WaterBalanceSubSoil", "Water Balance &SubSoil"},
    {"WaterBalance", "&Water Balance"},
    {"CorrectionFactor", "Correction &Factor"},
    {"OrganicMatterTopSoil", "&Organic Matter TopSoil"},
    {"OrganicMatterSubSoil", "Organic &Matter SubSoil"},
    {"NitrogenBalanceTopSoil", "&Nitrogen Balance TopSoil"},
    {"NitrogenBalanceSubSoil", "Nitrogen Balance S&ubSoil"},
    {"NitrogenBalance", "Nitrogen &Balance"},
    {"MineralNitrogen", "M&ineral Nitrogen"},
    {"CumulativeNbalance", "C&umulative N balance"},
};
struct SummItem {
  const char* name;
  const char* caption;
  int kind;
};
constexpr SummItem kSummItems[6] = {
    {"WaterBalance", "&Water Balance", 16},
    {"Mineralisation", "&Mineralisation", 17},
    {"MineralisationSubSoil", "Mineralisation &SubSoil", 18},
    {"NitrogenBalance", "&Nitrogen Balance", 19},
    {"NmodelledvsNmeasured", "N-modelled vs N-&measured", 20},
    {"MineralBalance", "Mineral &Balance", 21},
};
constexpr const char* kGraphItems[11][2] = {
    {"CumulativeNbalance", "C&umulative N balance"},
    {"Temperature", "&Temperature"},
    {"Environment", "&Environment"},
    {"WaterFlow", "&WaterFlow"},
    {"SoilpF", "Soil &pF"},
    {"OrganicMatter", "&Organic Matter"},
    {"OrganicNitrogen", "Organic &Nitrogen"},
    {"SourcesofMineralisation", "&Sources of Mineralisation"},
    {"NitrogenFlow", "Nitrogen &Flow"},
    {"MineralNitrogen", "&Mineral Nitrogen"},
    {"NmodelledvsNmeasured", "N-modelled vs N-measu&red"},
};
struct SeriesItem {
  SeriesKind kind;
  const char* name; // Envi, Irri, Nmin, Omon
  const char* menu;
  const char* extract;
  const char* extractName;
};
constexpr SeriesItem kSeriesItems[4] = {
    {SeriesKind::Environment, "Envi", "&Environment", "&Environment...", "Environment"},
    {SeriesKind::Irrigation, "Irri", "Irri&gation", "&Irrigation...", "Irrigation"},
    {SeriesKind::Nmineral, "Nmin", "N-&Mineral", "&N-Mineral...", "Nmineral"},
    {SeriesKind::Omon, "Omon", "&Organic Matter", "&Organic Matter...", "Omon"},
};
} // namespace

void TMainForm::createActions() {
  auto S = [](const char* s) { return QString::fromLatin1(s); };
  // File
  makeAction(
      S("MIFileOpen"), S("&Load..."), S("Load a scenario, or the series of the active editor"),
      [this] { MIFileOpenClick(); }, QKeySequence(Qt::CTRL | Qt::Key_L));
  makeAction(
      S("MIFileSaveAny"), S("Save &As..."), S("Save the scenario, or the series of the active editor, as"),
      [this] { MIFileSaveAnyClick(); }, QKeySequence(Qt::CTRL | Qt::Key_A));
  makeAction(S("MIFileLoad"), S("&Load..."), S("Load a scenario with its companion files"),
             [this] { MIFileLoadClick(); });
  makeAction(S("MIFileInsert"), S("&Insert..."), S("Insert the crops and applications of another scenario"),
             [this] { MIFileInsertClick(); });
  makeAction(S("MIFileAppend"), S("A&ppend..."), S("Append another scenario behind the current run"),
             [this] { MIFileAppendClick(); });
  makeAction(S("MIFileSave"), S("&Save"), S("Save the scenario"), [this] { MIFileSaveClick(); });
  makeAction(S("MIFileSaveAs"), S("Save &As..."), S("Save the scenario under another name"),
             [this] { MIFileSaveAsClick(); });
  for (const SeriesItem& s : kSeriesItems) {
    const QString n = S(s.name);
    const SeriesKind k = s.kind;
    makeAction(S("MIFile") + n + S("New"), S("&New"), S("Start an empty series"),
               [this, k] { SeriesNew(k); });
    makeAction(S("MIFile") + n + S("Load"), S("&Load..."), S("Load a series file"),
               [this, k] { SeriesLoad(k); });
    makeAction(S("MIFile") + n + S("Insert"), S("&Insert..."), S("Insert a series file at a chosen week"),
               [this, k] { SeriesInsert(k); });
    makeAction(S("MIFile") + n + S("Save"), S("&Save"), S("Save the series"), [this, k] { SeriesSave(k); });
    makeAction(S("MIFile") + n + S("SaveAs"), S("Save &As..."), S("Save the series under another name"),
               [this, k] { SeriesSaveAs(k); });
    makeAction(S("MIFileExtr") + S(s.extractName), S(s.extract),
               S("Save the weeks of the range as a new file"), [this, k] { SeriesExtract(k); });
  }
  makeAction(S("MIFileSaveResults"), S("Save &Results..."),
             S("Save the graph data of the range to a text file"), [this] { MIFileSaveResultsClick(); });
  makeAction(S("MIFileSaveSummary"), S("Save Summary..."), S("Add the summary of the run to a summary file"),
             [this] { MIFileSaveSummaryClick(); });
  QAction* changeDir = makeAction(S("MIFileChangeDir"), S("&Change dir..."),
                                  S("Change the current directory"), [this] { MIFileChangeDirClick(); });
  changeDir->setVisible(false);
  makeAction(S("MIFileExit"), S("E&xit"), S("Quit Kelmar"), [this] { close(); });

  // Edit
  laterAction(S("MIEditParameters"), S("Scenario &Parameters"), S("Edit the scenario parameters"));
  laterAction(S("MIEditSoil"), S("&Soil"), S("Edit the soil layers"));
  laterAction(S("MIEditCrops"), S("&Crops"), S("Edit the crop rotation"));
  laterAction(S("MIEditApplications"), S("&Applications"), S("Edit the applications"));
  laterAction(S("MIEditSubSoilOM"), S("Su&bSoil OM"), S("Edit the subsoil organic matter"));
  laterAction(S("MIEditEnvironment"), S("&Environment"), S("Edit the environment"));
  laterAction(S("MIEditIrrigation"), S("&Irrigation"), S("Edit the irrigation"));
  laterAction(S("MIEditNmineral"), S("N-&Mineral"), S("Edit the measured mineral N"));
  laterAction(S("MIEditOmon"), S("&Organic Matter"), S("Edit the measured organic matter"));
  makeAction(S("MIEditShiftUp"), S("Shift &Up"), S("Increase all crops and applications by 1 year"),
             [this] { MIEditShiftUpClick(); });
  makeAction(S("MIEditShiftDown"), S("Shift &Down"), S("Decrease all crops and applications by 1 year"),
             [this] { MIEditShiftDownClick(); });

  // Run
  makeAction(
      S("MIRunCalculate"), S("&Calculate"), S("Calculate the model"), [this] { MIRunCalculateClick(); },
      QKeySequence(Qt::Key_F9));
  makeAction(S("MIRunRepeat"), S("R&epeat"),
             S("Recalculate using the same time-axis and the final water, OM and N state"),
             [this] { MIRunRepeatClick(); });
  makeAction(S("MIRunContinue"), S("C&ontinue"), S("Recalculate using the final time, water, OM and N state"),
             [this] { MIRunContinueClick(); });
  laterAction(S("MIRunParmFitting"), S("Parameter &Fitting..."),
              S("Select and step the auto-changeable parameters"), QKeySequence(Qt::CTRL | Qt::Key_F));
  makeAction(S("MIRunBackup"), S("&Backup"), S("Backup auto-changeable parameters"),
             [this] { MIRunBackupClick(); });
  makeAction(S("MIRunRestore"), S("&Restore"), S("Restore auto-changeable parameters and recalculate"),
             [this] { MIRunRestoreClick(); });
  makeAction(
      S("MIRunIncrease"), S("&Increase"), S("Increase selected auto-changeable parameter and recalculate"),
      [this] { MIRunIncreaseClick(); }, QKeySequence(Qt::Key_F8));
  makeAction(
      S("MIRunDecrease"), S("&Decrease"), S("Decrease selected auto-changeable parameter and recalculate"),
      [this] { MIRunDecreaseClick(); }, QKeySequence(Qt::Key_F7));
  makeAction(
      S("MIRunNextParameter"), S("Ne&xt Parameter"), S("Select the next auto-changeable parameter"),
      [this] { MIRunNextParameterClick(); }, QKeySequence(Qt::CTRL | Qt::Key_F8));
  makeAction(
      S("MIRunPreviousParameter"), S("&Previous Parameter"),
      S("Select the previous auto-changeable parameter"), [this] { MIRunPreviousParameterClick(); },
      QKeySequence(Qt::CTRL | Qt::Key_F7));
  laterAction(S("MIRunPrice"), S("Price &Algoritm..."),
              S("Fit the marked parameters with Price's algorithm"));
  laterAction(S("MIMultiRun"), S("&MultiRun..."), S("Run a series of scenarios or environments"));

  // View
  for (int i = 0; i < 14; ++i) {
    const int kind = i + 1;
    makeAction(S("MIView") + S(kViewItems[i].name), S(kViewItems[i].caption),
               S("Show the table ") + CoreText(TableTitle(kind)).mid(5),
               [this, kind] { ShowResultView(kind); });
  }
  makeAction(
      S("MIModifyRange"), S("Modify &Range..."), S("Modify the range of weeks shown"),
      [this] { MIModifyRangeClick(); }, QKeySequence(Qt::CTRL | Qt::Key_R));
  makeAction(S("MINextRange"), S("Ne&xt Range"), S("Set range to the following range"),
             [this] { MINextRangeClick(); });
  makeAction(S("MIPreviousRange"), S("&Previous Range"), S("Set range to the preceding range"),
             [this] { MIPreviousRangeClick(); });

  // Summary
  for (const SummItem& s : kSummItems) {
    const int kind = s.kind;
    makeAction(S("MISummary") + S(s.name), S(s.caption), S("Show the ") + CoreText(TableTitle(kind)),
               [this, kind] {
                 if (kind <= 19)
                   ShowSummaryView(kind);
                 else if (kind == 20)
                   ShowCorrView();
                 else
                   ShowNPKView();
               });
  }

  // Graph
  for (int g = 0; g < 11; ++g)
    laterAction(S("MIGraph") + S(kGraphItems[g][0]), S(kGraphItems[g][1]), S("Show a graph"),
                g == 10 ? QKeySequence(Qt::CTRL | Qt::Key_F10) : QKeySequence());
  laterAction(S("MICustGraph"), S("C&ustomize"), S("Customize the active graph"));
  makeAction(
      S("MIInfoView"), S("&InfoView"), S("Show some results for a selected week always on top"),
      [this] { MIInfoViewClick(); }, QKeySequence(Qt::CTRL | Qt::Key_I));
  makeAction(S("MIIncrInfoWk"), S("Ne&xt InfoWeek"), S("Show the next week in the Info View"),
             [this] { MIIncrInfoWkClick(); });
  makeAction(S("MIDecrInfoWk"), S("&Previous InfoWeek"), S("Show the previous week in the Info View"),
             [this] { MIDecrInfoWkClick(); });

  // Print
  makeAction(
      S("MIPrintPrint"), S("Print"), S("Print selected data or results"), [this] { MIPrintPrintClick(); },
      QKeySequence(Qt::CTRL | Qt::Key_P));
  makeAction(S("MIPrintScenario"), S("&Scenario"), S("Print the scenario"),
             [this] { PrintData(Doc::Scenario); });
  makeAction(S("MIPrintEnvironment"), S("&Environment"), S("Print the environment"),
             [this] { PrintData(Doc::Environment); });
  makeAction(S("MIPrintIrrigation"), S("&Irrigation"), S("Print the irrigation"),
             [this] { PrintData(Doc::Irrigation); });
  makeAction(S("MIPrintNmineral"), S("&N-Mineral"), S("Print the measured mineral N"),
             [this] { PrintData(Doc::Nmineral); });
  makeAction(S("MIPrintOmon"), S("&Organic Matter"), S("Print the measured organic matter"),
             [this] { PrintData(Doc::Omon); });
  for (int i = 0; i < 14; ++i) {
    const int kind = i + 1;
    makeAction(S("MIPrintView") + S(kViewItems[i].name), S(kViewItems[i].caption), S("Print a result table"),
               [this, kind] { PrintTable(kind); });
  }
  for (const SummItem& s : kSummItems) {
    const int kind = s.kind;
    makeAction(S("MIPrintSummary") + S(s.name), S(s.caption), S("Print a summary"),
               [this, kind] { PrintTable(kind); });
  }
  for (int g = 0; g < 11; ++g)
    laterAction(S("MIPrintGraph") + S(kGraphItems[g][0]), S(kGraphItems[g][1]), S("Print a graph"));
  laterAction(S("MIPrintGraphSOM"), S("SOM, Nm&ineral and Nbalance"), S("Print three graphs on one page"));
  laterAction(S("MIPrintGraphWaterFlow"), S("W&aterFlow, Soil pF and NFlow"),
              S("Print three graphs on one page"));

  // Options
  makeAction(S("MIOptionsPrinterSetUp"), S("Printer Set&up..."), S("Choose and set up the printer"),
             [this] { MIOptionsPrinterSetUpClick(); });
  laterAction(S("MIOptionsDirEdit"), S("Directory &Edit..."), S("Edit the library directories"),
              QKeySequence(Qt::CTRL | Qt::Key_E));
  makeAction(S("MIOptionsKelmarOptions"), S("Kelmar &Options..."), S("Change the Kelmar program options"),
             [this] { MIOptionsKelmarOptionsClick(); });
  makeAction(S("MIOptionsSave"), S("&Save Kelmar Options"), S("Save some Kelmar program settings"),
             [this] { MIOptionsSaveClick(); });
  makeAction(S("MIOptionsDelete"), S("&Delete Kelmar Options"), S("Delete the Kelmar program settings"),
             [this] { MIOptionsDeleteClick(); });
  laterAction(S("MISaveGrphCust"), S("S&ave Graphs Setup..."), S("Save the setup of all graphs"));
  laterAction(S("MILoadGrphCust"), S("&Load Graphs Setup..."), S("Load the setup of all graphs"));

  // Window
  makeAction(S("MIWindowSendToBack"), S("Send To &Back"), S("Send the active window to the back"),
             [this] { MIWindowSendToBackClick(); });
  makeAction(S("MIWindowCascade"), S("&Cascade"), S("Cascade the windows"),
             [this] { mdi_->cascadeSubWindows(); });
  makeAction(S("MIWindowTile"), S("&Tile"), S("Tile the windows"), [this] { mdi_->tileSubWindows(); });
  makeAction(S("MIWindowArrangeIcons"), S("&Arrange Icons"), S("Arrange the minimised windows"), [this] {
    int x = 0;
    for (QMdiSubWindow* w : mdi_->subWindowList())
      if (w->isMinimized()) {
        w->move(x, mdi_->viewport()->height() - w->height());
        x += w->width();
      }
  });
  makeAction(S("MIWindowMinimizeAll"), S("&Minimize All"), S("Minimise every window"),
             [this] { MIWindowMinimizeAllClick(); });
  makeAction(S("MIWindowRestoreAll"), S("&Restore All"), S("Restore every window"),
             [this] { MIWindowRestoreAllClick(); });
  makeAction(S("MIWindowCloseAll"), S("C&lose All"), S("Close every window"),
             [this] { MIWindowCloseAllClick(); });

  // Help
  makeAction(S("MIHelpContents"), S("&Contents"), S("Show the contents of the help"),
             [this] { ShowHelp(0); });
  makeAction(S("MIHelpSearch"), S("&Search for Help On..."), S("Search the help"), [this] { ShowHelp(0); });
  makeAction(S("MIHelpHowToUse"), S("&How to Use Help"), S("How to use the help"), [this] { ShowHelp(0); });
  makeAction(S("MIHelpAbout"), S("&About..."), S("About Kelmar"), [this] { MIHelpAboutClick(); });

  // The shortcuts assigned when the window is shown.
  const std::pair<const char*, QKeySequence> shortcuts[] = {
      {"MIEditParameters", QKeySequence(Qt::ALT | Qt::Key_1)},
      {"MIEditSoil", QKeySequence(Qt::ALT | Qt::Key_2)},
      {"MIEditCrops", QKeySequence(Qt::ALT | Qt::Key_3)},
      {"MIEditApplications", QKeySequence(Qt::ALT | Qt::Key_4)},
      {"MIEditEnvironment", QKeySequence(Qt::ALT | Qt::Key_5)},
      {"MIEditIrrigation", QKeySequence(Qt::ALT | Qt::Key_6)},
      {"MIEditNmineral", QKeySequence(Qt::ALT | Qt::Key_7)},
      {"MISummaryWaterBalance", QKeySequence(Qt::ALT | Qt::Key_8)},
      {"MISummaryMineralisation", QKeySequence(Qt::ALT | Qt::Key_9)},
      {"MISummaryNitrogenBalance", QKeySequence(Qt::ALT | Qt::Key_0)},
      {"MINextRange", QKeySequence(Qt::CTRL | Qt::Key_Right)},
      {"MIPreviousRange", QKeySequence(Qt::CTRL | Qt::Key_Left)},
      {"MIIncrInfoWk", QKeySequence(Qt::CTRL | Qt::Key_PageUp)},
      {"MIDecrInfoWk", QKeySequence(Qt::CTRL | Qt::Key_PageDown)},
  };
  for (const auto& [name, key] : shortcuts) action(S(name))->setShortcut(key);
  for (int g = 0; g < 10; ++g)
    action(S("MIGraph") + S(kGraphItems[g][0]))->setShortcut(QKeySequence(Qt::CTRL | (Qt::Key_0 + g)));
}

void TMainForm::createMenus() {
  auto S = [](const char* s) { return QString::fromLatin1(s); };
  auto add = [this](QMenu* m, const char* name) { m->addAction(action(QString::fromLatin1(name))); };
  QMenuBar* bar = menuBar();

  QMenu* file = bar->addMenu(S("&File"));
  add(file, "MIFileOpen");
  add(file, "MIFileSaveAny");
  file->addSeparator();
  QMenu* scen = file->addMenu(S("&Scenario"));
  for (const char* n : {"MIFileLoad", "MIFileInsert", "MIFileAppend", "MIFileSave", "MIFileSaveAs"})
    add(scen, n);
  for (const SeriesItem& s : kSeriesItems) {
    QMenu* m = file->addMenu(S(s.menu));
    for (const char* cmd : {"New", "Load", "Insert", "Save", "SaveAs"})
      m->addAction(action(S("MIFile") + S(s.name) + S(cmd)));
  }
  QMenu* extr = file->addMenu(S("Ex&tract Range"));
  for (const SeriesItem& s : kSeriesItems) extr->addAction(action(S("MIFileExtr") + S(s.extractName)));
  file->addSeparator();
  add(file, "MIFileSaveResults");
  add(file, "MIFileSaveSummary");
  add(file, "MIFileChangeDir");
  file->addSeparator();
  add(file, "MIFileExit");

  QMenu* edit = bar->addMenu(S("&Edit"));
  for (const char* n :
       {"MIEditParameters", "MIEditSoil", "MIEditCrops", "MIEditApplications", "MIEditSubSoilOM"})
    add(edit, n);
  edit->addSeparator();
  for (const char* n : {"MIEditEnvironment", "MIEditIrrigation", "MIEditNmineral", "MIEditOmon"})
    add(edit, n);
  edit->addSeparator();
  add(edit, "MIEditShiftUp");
  add(edit, "MIEditShiftDown");

  QMenu* run = bar->addMenu(S("&Run"));
  for (const char* n : {"MIRunCalculate", "MIRunRepeat", "MIRunContinue"}) add(run, n);
  run->addSeparator();
  for (const char* n : {"MIRunParmFitting", "MIRunBackup", "MIRunRestore", "MIRunIncrease", "MIRunDecrease",
                        "MIRunNextParameter", "MIRunPreviousParameter"})
    add(run, n);
  run->addSeparator();
  add(run, "MIRunPrice");
  add(run, "MIMultiRun");

  QMenu* view = bar->addMenu(S("&View"));
  for (const ViewItem& v : kViewItems) view->addAction(action(S("MIView") + S(v.name)));
  view->addSeparator();
  for (const char* n : {"MIModifyRange", "MINextRange", "MIPreviousRange"}) add(view, n);

  QMenu* summ = bar->addMenu(S("&Summary"));
  for (const SummItem& s : kSummItems) summ->addAction(action(S("MISummary") + S(s.name)));

  QMenu* graph = bar->addMenu(S("&Graph"));
  for (const auto& g : kGraphItems) graph->addAction(action(S("MIGraph") + S(g[0])));
  graph->addSeparator();
  for (const char* n : {"MICustGraph", "MIInfoView", "MIIncrInfoWk", "MIDecrInfoWk"}) add(graph, n);

  QMenu* print = bar->addMenu(S("&Print"));
  add(print, "MIPrintPrint");
  print->addSeparator();
  QMenu* pData = print->addMenu(S("&Data"));
  for (const char* n :
       {"MIPrintScenario", "MIPrintEnvironment", "MIPrintIrrigation", "MIPrintNmineral", "MIPrintOmon"})
    add(pData, n);
  QMenu* pView = print->addMenu(S("&View"));
  for (const ViewItem& v : kViewItems) pView->addAction(action(S("MIPrintView") + S(v.name)));
  QMenu* pSumm = print->addMenu(S("&Summary"));
  for (const SummItem& s : kSummItems) pSumm->addAction(action(S("MIPrintSummary") + S(s.name)));
  QMenu* pGraph = print->addMenu(S("&Graph"));
  for (const auto& g : kGraphItems) pGraph->addAction(action(S("MIPrintGraph") + S(g[0])));
  pGraph->addSeparator();
  add(pGraph, "MIPrintGraphSOM");
  add(pGraph, "MIPrintGraphWaterFlow");

  QMenu* opt = bar->addMenu(S("&Options"));
  for (const char* n : {"MIOptionsPrinterSetUp", "MIOptionsDirEdit", "MIOptionsKelmarOptions",
                        "MIOptionsSave", "MIOptionsDelete"})
    add(opt, n);
  opt->addSeparator();
  add(opt, "MISaveGrphCust");
  add(opt, "MILoadGrphCust");

  QMenu* win = bar->addMenu(S("&Window"));
  win->setObjectName(S("MIWindow"));
  connect(win, &QMenu::aboutToShow, this, [this, win] {
    // The fixed items, then the list of open windows.
    win->clear();
    for (const char* n : {"MIWindowSendToBack", "MIWindowCascade", "MIWindowTile", "MIWindowArrangeIcons",
                          "MIWindowMinimizeAll", "MIWindowRestoreAll", "MIWindowCloseAll", "Speedbar1"})
      win->addAction(action(QString::fromLatin1(n)));
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

  QMenu* helpMenu = bar->addMenu(S("&Help"));
  for (const char* n : {"MIHelpContents", "MIHelpSearch", "MIHelpHowToUse"}) add(helpMenu, n);
  helpMenu->addSeparator();
  add(helpMenu, "MIHelpAbout");
}

void TMainForm::createSpeedBar() {
  auto S = [](const char* s) { return QString::fromLatin1(s); };
  speedBar_ = new QToolBar(S("Speedbar"), this);
  speedBar_->setObjectName(S("SpeedBar"));
  speedBar_->setIconSize(QSize(20, 20));
  speedBar_->setMovable(false);
  addToolBar(Qt::TopToolBarArea, speedBar_);
  QAction* toggle = speedBar_->toggleViewAction();
  toggle->setObjectName(S("Speedbar1"));
  toggle->setText(S("&Speedbar"));
  toggle->setVisible(false);

  QStyle* st = style();
  auto button = [&](const char* actionName, QStyle::StandardPixmap icon, const char* text, const char* hint) {
    QAction* a = action(S(actionName));
    a->setIcon(st->standardIcon(icon));
    a->setIconText(S(text));
    speedBar_->addAction(a);
    if (hint) {
      // The button's own hint; the menu item keeps its status tip.
      if (QWidget* w = speedBar_->widgetForAction(a)) w->setToolTip(S(hint));
    }
  };
  button("MIFileOpen", QStyle::SP_DialogOpenButton, "Load", "Load scenario or series");
  button("MIFileSaveAny", QStyle::SP_DialogSaveButton, "Save as", "Save scenario or series as");
  sbCalculate_ = new QAction(st->standardIcon(QStyle::SP_MediaPlay), S("Calculate"), this);
  sbCalculate_->setObjectName(S("SBRunCalculate"));
  sbCalculate_->setCheckable(true);
  sbCalculate_->setToolTip(S("Calculate model"));
  sbCalculate_->setStatusTip(S("Calculate model"));
  connect(sbCalculate_, &QAction::triggered, this, [this] {
    MIRunCalculateClick();
    scheduleIdle();
  });
  speedBar_->addAction(sbCalculate_);
  speedBar_->addSeparator();
  button("MIEditEnvironment", QStyle::SP_FileDialogDetailedView, "Environment", "Edit environment");
  button("MIEditCrops", QStyle::SP_FileDialogListView, "Crops", "Edit crops");
  button("MIEditSoil", QStyle::SP_DriveHDIcon, "Soil", "Edit soil");
  button("MIEditApplications", QStyle::SP_FileIcon, "Applications", "Edit applications");
  button("MIGraphMineralNitrogen", QStyle::SP_ComputerIcon, "Graph", "Graph N-mineral");
  button("MIViewWaterBalance", QStyle::SP_FileDialogContentsView, "Water", "View water balance");
  button("MISummaryWaterBalance", QStyle::SP_FileDialogInfoView, "Sum water", "Summary water balance");
  button("MIViewNitrogenBalance", QStyle::SP_FileDialogContentsView, "Nitrogen", "View nitrogen balance");
  button("MISummaryNitrogenBalance", QStyle::SP_FileDialogInfoView, "Sum N", "Summary nitrogen balance");
  button("MIEditIrrigation", QStyle::SP_DirIcon, "Irrigation", "Edit irrigation");
  button("MIEditParameters", QStyle::SP_FileDialogNewFolder, "Parameters", "Edit scenario parameters");
  speedBar_->addSeparator();
  button("MIPrintPrint", QStyle::SP_DialogApplyButton, "Print", "Print selected data or results");
  button("MIWindowTile", QStyle::SP_TitleBarNormalButton, "Tile", "Tile windows");
  button("MIWindowCascade", QStyle::SP_TitleBarShadeButton, "Cascade", "Cascade windows");
  button("MIHelpContents", QStyle::SP_DialogHelpButton, "Help", "Help");
  button("MIWindowCloseAll", QStyle::SP_DialogCloseButton, "Close all", "Close all windows");
  button("MIEditNmineral", QStyle::SP_DirOpenIcon, "N-mineral", "Edit N-mineral");
}

void TMainForm::createStatusBar() {
  statusLine_ = new QLabel(QString::fromLatin1(kVersionText), this);
  statusLine_->setObjectName(QStringLiteral("StatusLine"));
  rangePanel_ = new ClickLabel(this);
  rangePanel_->setObjectName(QStringLiteral("RangePanel"));
  rangePanel_->setFixedWidth(130);
  parmPanel_ = new ClickLabel(this);
  parmPanel_->setObjectName(QStringLiteral("ParmPanel"));
  parmPanel_->setFixedWidth(150);
  statusBar()->addWidget(statusLine_, 1);
  statusBar()->addPermanentWidget(rangePanel_);
  statusBar()->addPermanentWidget(parmPanel_);
  connect(rangePanel_, &ClickLabel::doubleClicked, this, [this] {
    MIModifyRangeClick();
    scheduleIdle();
  });
  // Parameter Fitting opens from this panel once that window exists.
  connect(parmPanel_, &ClickLabel::doubleClicked, this, [this] {
    if (QAction* a = action(QStringLiteral("MIRunParmFitting")); a && a->isEnabled()) a->trigger();
  });
}

bool TMainForm::event(QEvent* e) {
  if (e->type() == QEvent::StatusTip) {
    const QString tip = static_cast<QStatusTipEvent*>(e)->tip();
    statusLine_->setText(tip.isEmpty() ? QString::fromLatin1(kVersionText) : tip);
    return true;
  }
  return QMainWindow::event(e);
}

// The work the original did when the message queue ran empty is done once
// after each command, on a zero timer.
void TMainForm::scheduleIdle() {
  if (idlePending_) return;
  idlePending_ = true;
  QTimer::singleShot(0, this, [this] { idle(); });
}

void TMainForm::idle() {
  idlePending_ = false;
  bool pending = rangeDialog_ && rangeDialog_->modified();
  sbCalculate_->setChecked(!pending && !hasStatus(kResultsStale));
  const ProgramState& st = ws_->state;
  const QString range = QStringLiteral("Range: ") + CoreText(FmtInt(st.RangeFrom, 3)) +
                        QStringLiteral(" - ") + CoreText(FmtInt(st.RangeTill, 3));
  if (rangePanel_->text() != range) rangePanel_->setText(range);
  const int p = std::clamp(st.SelParm, 1, kParmCount);
  const AutoParm& a = ws_->parms[p];
  const QString parm = CoreText(std::string(a.name)) + QStringLiteral(" = ") +
                       CoreText(FmtReal(ws_->parms.value(ws_->scenario, p), 6, a.decimals));
  if (parmPanel_->text() != parm) parmPanel_->setText(parm);
}

void TMainForm::setCaption() {
  setWindowTitle(QStringLiteral("Kelmar: ") + QString::fromStdString(ws_->scenario.ScenarioFile));
}

// ---- Editor protocol ----

bool TMainForm::CommitEditors() {
  // The scenario editors, the series editors and the fitting window join
  // this list when they exist; the Range dialog commits through its own steps.
  return CommitScenarioEditors();
}

bool TMainForm::CommitScenarioEditors() { return true; }

bool TMainForm::CommitSeriesEditor(SeriesKind) { return true; }

void TMainForm::RefreshScenarioWindows() {
  ProgramState& st = ws_->state;
  if (st.SelCrop > ws_->scenario.CropCount) st.SelCrop = 1;
  if (st.SelAppl > ws_->scenario.ApplCount) st.SelAppl = 1;
  setCaption();
  if (rangeDialog_) rangeDialog_->Refresh();
  scheduleIdle();
}

void TMainForm::RefreshResultWindows() {
  if (rsltView_) rsltView_->Refresh();
  for (auto& s : summViews_)
    if (s) s->Refresh();
  if (corrView_) corrView_->Refresh();
  if (npkView_) npkView_->Refresh();
  if (infoView_) infoView_->update();
  scheduleIdle();
  emit resultsRefreshed();
}

void TMainForm::AfterRun() {
  RefreshScenarioWindows();
  RefreshResultWindows();
  clearStatus(kResultsStale);
  scheduleIdle();
}

// ---- Window registry ----

QMdiSubWindow* TMainForm::addChild(TIniForm* form, const QSize& size, bool centre) {
  QMdiSubWindow* sub = mdi_->addSubWindow(form);
  sub->setAttribute(Qt::WA_DeleteOnClose);
  sub->installEventFilter(this);
  connect(form, &TIniForm::closing, this, &TMainForm::onChildClosing);
  sub->resize(size);
  if (centre) {
    // Centred horizontally, or as wide as the frame at its left edge.
    const int w = mdi_->viewport()->width();
    if (w < size.width())
      sub->setGeometry(0, 0, w, size.height());
    else
      sub->move((w - size.width()) / 2, 0);
  }
  sub->setProperty("kelmarNormalBounds", sub->geometry());
  if (ws_->options.has(kOptKeepWindowPos)) RestoreWindowPosition(ini_, form->WindowKey(), sub);
  if (!sub->isMinimized() && !sub->isMaximized()) sub->show();
  return sub;
}

void TMainForm::bringToFront(TIniForm* form) {
  QWidget* f = form->frame();
  if (f->isMinimized()) f->showNormal();
  f->show();
  if (auto* sub = qobject_cast<QMdiSubWindow*>(f)) mdi_->setActiveSubWindow(sub);
  f->raise();
}

void TMainForm::onChildClosing(TIniForm* form) {
  if (ws_->options.has(kOptKeepWindowPos)) SaveWindowPosition(ini_, form->WindowKey(), form->frame());
  scheduleIdle();
}

bool TMainForm::eventFilter(QObject* obj, QEvent* e) {
  // An MDI sub-window's normal bounds are remembered while it is normal, so
  // that a minimised or maximised window can still save them.
  if ((e->type() == QEvent::Move || e->type() == QEvent::Resize)) {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(obj); sub && !sub->isMinimized() && !sub->isMaximized())
      sub->setProperty("kelmarNormalBounds", sub->geometry());
  }
  return QMainWindow::eventFilter(obj, e);
}

TIniForm* TMainForm::activeForm() const {
  QMdiSubWindow* sub = mdi_->activeSubWindow();
  return sub ? qobject_cast<TIniForm*>(sub->widget()) : nullptr;
}

static QSize ResultSize() { return {60 * ResultFont().pointSize(), 420}; }

TRsltView* TMainForm::ShowResultView(int kind) {
  rsltKind_ = kind;
  if (!rsltView_) {
    rsltView_ = new TRsltView(*ws_, kind);
    addChild(rsltView_, ResultSize(), true);
  } else {
    rsltView_->setKind(kind);
  }
  bringToFront(rsltView_);
  return rsltView_;
}

TSummView* TMainForm::summaryView(int kind) const {
  return kind >= 16 && kind <= 19 ? summViews_[static_cast<size_t>(kind - 16)].data() : nullptr;
}

TSummView* TMainForm::ShowSummaryView(int kind) {
  if (kind < 16 || kind > 19) return nullptr;
  auto& ref = summViews_[static_cast<size_t>(kind - 16)];
  if (!ref) {
    ref = new TSummView(*ws_, kind);
    addChild(ref, ResultSize(), true);
  }
  bringToFront(ref);
  return ref;
}

TNPKView* TMainForm::ShowNPKView() {
  if (!npkView_) {
    npkView_ = new TNPKView(*ws_);
    addChild(npkView_, npkView_->size() + QSize(10, 30), true);
  }
  bringToFront(npkView_);
  return npkView_;
}

TCorrView* TMainForm::ShowCorrView() {
  if (!corrView_) {
    corrView_ = new TCorrView(*ws_);
    addChild(corrView_, corrView_->size() + QSize(10, 30), true);
  }
  bringToFront(corrView_);
  return corrView_;
}

TRangeDialog* TMainForm::ShowRangeDialog() {
  if (!rangeDialog_) {
    rangeDialog_ = new TRangeDialog(*ws_);
    rangeDialog_->setSelectWeek(selectWeek_);
    connect(rangeDialog_, &TRangeDialog::rangeChanged, this, &TMainForm::RefreshResultWindows);
    connect(rangeDialog_, &TMyDialog::modifiedChanged, this, [this] { scheduleIdle(); });
    const QSize size = rangeDialog_->sizeHint() + QSize(20, 40);
    QMdiSubWindow* sub = addChild(rangeDialog_, size, false);
    if (!ws_->options.has(kOptKeepWindowPos) || !ini_.hasKey(kWindowPositionSection, "TRangeDialog"))
      sub->move(std::max(0, mdi_->viewport()->width() - size.width() - 10),
                std::max(0, mdi_->viewport()->height() - size.height() - 100));
  }
  bringToFront(rangeDialog_);
  return rangeDialog_;
}

void TMainForm::RestoreOpenWindows() {
  const std::vector<std::string> keys = ini_.sectionKeys(kOpenWindowsSection);
  for (auto it = keys.rbegin(); it != keys.rend(); ++it) {
    const QString key = QString::fromStdString(*it);
    const int us = key.indexOf(QLatin1Char('_'));
    const QString cls = us < 0 ? key : key.left(us);
    int number = 0;
    if (us >= 0) {
      bool ok = false;
      number = key.mid(us + 1).toInt(&ok);
      if (!ok) number = 0;
    }
    if (cls == QLatin1String("TRsltView")) {
      if (number >= 1 && number <= 14) ShowResultView(number);
    } else if (cls == QLatin1String("TSummView")) {
      ShowSummaryView(number);
    } else if (cls == QLatin1String("TCorrView")) {
      ShowCorrView();
    } else if (cls == QLatin1String("TNPKView")) {
      ShowNPKView();
    } else if (cls == QLatin1String("TRangeDialog")) {
      ShowRangeDialog();
    } else if (cls == QLatin1String("TInfoView")) {
      if (!infoView_) MIInfoViewClick();
    }
    // Editors, graphs and the fitting window reopen here once they exist.
  }
}

// ---- Start-up and shut-down ----

void TMainForm::Startup() {
  if (started_) return;
  started_ = true;
  ProgramState& st = ws_->state;
  st.DocStatus = kScenarioSaved | kEnviSaved | kIrriSaved | kNminSaved | kOmonSaved | kResultsStale;
  std::string dataFile = ReadOptions(ini_, *ws_);
  if (!cfg_.arguments.isEmpty()) {
    const std::string arg = ExpandFileName(cfg_.arguments.at(0).toStdString());
    if (FileExists(arg)) dataFile = arg;
  }
  for (int k = 0; k < kSeriesCount; ++k) ResetSeries(*ws_, static_cast<SeriesKind>(k));
  ws_->scenario.ScenarioFile = st.DataDir + "NEW.DAT";

  if (FileExists(dataFile)) {
    dataFile = ExpandFileName(dataFile);
    st.DataDir = ExtractFilePath(dataFile);
    QDir::setCurrent(QString::fromStdString(st.DataDir));
    st.CurrentDir = st.DataDir;
    for (int k = 0; k < kSeriesCount; ++k) ResetSeries(*ws_, static_cast<SeriesKind>(k));
    CompanionOptions opt;
    if (cfg_.arguments.size() > 1) {
      const std::string env = ExpandFileName(cfg_.arguments.at(1).toStdString());
      if (FileExists(env)) opt.envFile = env;
    }
    opt.par = ReadParIncludes(ini_);
    const LoadOutcome r = kelmar::LoadScenarioWithCompanions(*ws_, dataFile, opt);
    QString msg = QString::fromStdString(r.message);
    switch (r.status) {
    case LoadStatus::Ok:
      break;
    case LoadStatus::ReadError:
      // At start-up the message names the file without the word "scenario".
      msg.replace(0, int(qstrlen("Loading scenario ")), QStringLiteral("Loading "));
      [[fallthrough]];
    case LoadStatus::InvalidId:
      setCaption();
      if (st.ShowMessages) ShowError(msg);
      return;
    case LoadStatus::EnvMissing: {
      const std::string name = ExtractFileName(ws_->scenario.EnviFile);
      if (!name.empty() && !EqualsIgnoreCase(name, "NEW.ENV") && st.ShowMessages) ShowError(msg);
      break;
    }
    default:
      if (st.ShowMessages) ShowError(msg);
      break;
    }
  }
  setCaption();
  ws_->parms.Backup(ws_->scenario);
  if (ws_->options.has(kOptCalcOnLoad)) {
    if (RunWith([](Workspace& w) { RunModel(w); })) clearStatus(kResultsStale);
  }
  if (ws_->options.has(kOptKeepWindowPos)) RestoreOpenWindows();
  RefreshScenarioWindows();
}

bool TMainForm::Shutdown() {
  if (shutDown_) return true;
  if (!SaveQueryAll()) return false;
  ini_.writeBool("MultiRun Options", "SaveRslts", false);
  if (ws_->options.has(kOptKeepWindowPos)) {
    ini_.eraseSection(kOpenWindowsSection);
    const QList<QMdiSubWindow*> subs = mdi_->subWindowList();
    for (int i = 0; i < subs.size(); ++i) {
      auto* form = qobject_cast<TIniForm*>(subs[i]->widget());
      if (!form || !subs[i]->isVisible()) continue;
      ini_.writeInteger(kOpenWindowsSection, form->WindowKey().toStdString(), i);
      SaveWindowPosition(ini_, form->WindowKey(), subs[i]);
    }
    if (infoView_) {
      ini_.writeInteger(kOpenWindowsSection, "TInfoView", static_cast<long>(subs.size()));
      SaveWindowPosition(ini_, QStringLiteral("TInfoView"), infoView_);
    }
  }
  if (ws_->options.has(kOptAutoSave)) SaveOptions(ini_, *ws_, ws_->scenario.ScenarioFile);
  SaveWindowPosition(ini_, QStringLiteral("TMainForm"), this);
  try {
    ini_.save();
  } catch (const std::exception& e) {
    // The settings are lost, the data are not: the program still closes.
    dialogs_->inform(BoxType::Warning, QStringLiteral("Saving ") + QString::fromStdString(ini_.path()) +
                                           QLatin1Char('\r') + QString::fromStdString(e.what()));
  }
  shutDown_ = true;
  // The windows close now without saving their positions a second time.
  if (infoView_) infoView_->close();
  for (QMdiSubWindow* sub : mdi_->subWindowList())
    if (auto* form = qobject_cast<TIniForm*>(sub->widget()))
      disconnect(form, &TIniForm::closing, this, &TMainForm::onChildClosing);
  mdi_->closeAllSubWindows();
  return true;
}

void TMainForm::closeEvent(QCloseEvent* e) {
  if (Shutdown())
    e->accept();
  else
    e->ignore();
}

// ---- Options ----

void TMainForm::MIOptionsKelmarOptionsClick() {
  TKelmOptiDialog dlg(ws_->options, this);
  if (dlg.exec() == QDialog::Accepted) OptionsChanged();
}

void TMainForm::OptionsChanged() {
  // Directory Edit follows its option once its dialog exists; until then the
  // item stays disabled.
  if (corrView_) corrView_->Refresh();
  if (npkView_) npkView_->Refresh();
  if (infoView_) infoView_->update();
  scheduleIdle();
}

void TMainForm::MIOptionsSaveClick() {
  SaveOptions(ini_, *ws_, ws_->scenario.ScenarioFile);
  try {
    ini_.save();
  } catch (const std::exception& e) {
    ShowError(QStringLiteral("Saving ") + QString::fromStdString(ini_.path()) + QLatin1Char('\r') +
              QString::fromStdString(e.what()));
  }
}

void TMainForm::MIOptionsDeleteClick() {
  if (dialogs_->ask(BoxType::Confirmation, Buttons::YesNo, QStringLiteral("Delete KELMAR options?"),
                    QString()) != Answer::Yes)
    return;
  for (const char* sec : {"Kelmar Options", "Window Position", "Open Windows", "Parameter Options",
                          "Price Options", "MultiRun Options"})
    ini_.eraseSection(sec);
  ReadOptions(ini_, *ws_);
  try {
    ini_.save();
  } catch (const std::exception& e) {
    ShowError(QStringLiteral("Saving ") + QString::fromStdString(ini_.path()) + QLatin1Char('\r') +
              QString::fromStdString(e.what()));
  }
  OptionsChanged();
}

void TMainForm::MIOptionsPrinterSetUpClick() {
  if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
  QPrintDialog dlg(printer_.get(), this);
  dlg.setWindowTitle(QStringLiteral("Printer Setup"));
  dlg.exec();
}

// ---- Help ----

void TMainForm::ShowHelp(int topic) {
  if (topic == 0)
    if (TIniForm* f = activeForm()) topic = f->HelpContext();
  if (!help_.show(topic))
    dialogs_->inform(BoxType::Information,
                     QStringLiteral("No help is installed: the help pages are looked for in ") +
                         help_.directory() + QLatin1Char('.'));
}

void TMainForm::MIHelpAboutClick() {
  dialogs_->inform(BoxType::Plain,
                   QString::fromLatin1(kVersionText) +
                       QStringLiteral("\rNitrogen dynamics of an arable crop rotation, week by week."),
                   QStringLiteral("About Kelmar"));
}

// ---- Window menu ----

void TMainForm::MIWindowSendToBackClick() {
  QMdiSubWindow* sub = mdi_->activeSubWindow();
  if (!sub) return;
  sub->lower();
  mdi_->activateNextSubWindow();
}

void TMainForm::MIWindowMinimizeAllClick() {
  const QList<QMdiSubWindow*> subs = mdi_->subWindowList();
  for (auto it = subs.rbegin(); it != subs.rend(); ++it) (*it)->showMinimized();
}

void TMainForm::MIWindowRestoreAllClick() {
  for (QMdiSubWindow* sub : mdi_->subWindowList()) sub->showNormal();
}

void TMainForm::MIWindowCloseAllClick() {
  if (infoView_) infoView_->close();
  const QList<QMdiSubWindow*> subs = mdi_->subWindowList();
  for (auto it = subs.rbegin(); it != subs.rend(); ++it) (*it)->close();
}

} // namespace kelmar::gui
