#include "shell/MainForm.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>

#include "Version.h"
#include "calib/PriceView.h"
#include "data/FileSystem.h"
#include "data/ParFile.h"
#include "data/SeriesFile.h"
#include "dialogs/OptionsDialog.h"
#include "documents/DocumentSet.h"
#include "help/HelpTopics.h"
#include "help/HelpWindow.h"
#include "model/Driver.h"
#include "output/OutputRouter.h"
#include "run/RunControl.h"
#include "session/Companions.h"
#include "session/OptionsIni.h"
#include "shell/ActionTable.h"
#include "shell/Icons.h"
#include "shell/StatusBar.h"
#include "shell/WindowRegistry.h"
#include "views/GraphCommands.h"
#include "views/GraphView.h"

namespace kelmar::gui {

void DeclareCommands(TMainForm& f, ActionTable& t);

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

static UserDialogs* ChosenDialogs(UserDialogs* given, std::unique_ptr<UserDialogs>& own, QWidget* parent) {
  if (given) return given;
  own = std::make_unique<QtUserDialogs>(parent);
  return own.get();
}

TMainForm::TMainForm(const StartupConfig& cfg, UserDialogs* dialogs, QWidget* parent)
    : QMainWindow(parent), cfg_(cfg), ws_(MakeWorkspace()),
      dialogs_(ChosenDialogs(dialogs, ownDialogs_, this)), services_{*ws_, ini_, *dialogs_, this} {
  setObjectName(QStringLiteral("TMainForm"));
  setWindowTitle(QStringLiteral("Kelmar"));
  setWindowIcon(AppIcon());
  const QString iniPath = cfg_.iniPath.isEmpty() ? IniFilePathFor(cfg_.exePath) : cfg_.iniPath;
  ini_ = IniFile(iniPath.toStdString());
  const QString exeDir = QFileInfo(cfg_.exePath).absolutePath();
  helpDir_ = cfg_.helpDir.isEmpty() ? QDir(exeDir).filePath(QStringLiteral("help")) : cfg_.helpDir;

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

  services_.scheduleIdle = [this] { scheduleIdle(); };
  windows_ = new WindowRegistry(mdi_, ini_, ws_->options, this);
  docs_ = std::make_unique<DocumentSet>(services_);
  run_ = std::make_unique<RunControl>(services_);
  output_ = std::make_unique<OutputRouter>(services_);
  graphs_ = std::make_unique<GraphSettings>();
  graphCommands_ = std::make_unique<GraphCommands>(services_, *graphs_);
  services_.graphs = graphs_.get();
  services_.graphCommands = graphCommands_.get();
  services_.showHelp = [this](int topic) { ShowHelp(topic); };
  services_.windows = windows_;
  services_.docs = docs_.get();
  services_.run = run_.get();
  services_.output = output_.get();
  connect(windows_, &WindowRegistry::resultsRefreshed, this, [this] {
    scheduleIdle();
    emit resultsRefreshed();
  });
  connect(windows_, &WindowRegistry::windowsChanged, this, [this] { scheduleIdle(); });
  connect(mdi_, &QMdiArea::subWindowActivated, this, [this] { scheduleIdle(); });
  registerWindows();

  actions_ = new ActionTable(this, [this] { scheduleIdle(); });
  DeclareCommands(*this, *actions_);
  buildMenus();
  buildSpeedBar();
  status_ = new StatusPanels(statusBar());
  connect(status_, &StatusPanels::rangeDoubleClicked, this, [this] {
    run_->ModifyRange();
    scheduleIdle();
  });
  // Parameter Fitting opens from this panel once that window exists.
  connect(status_, &StatusPanels::parmDoubleClicked, this, [this] {
    if (QAction* a = action(QStringLiteral("MIRunParmFitting")); a && a->isEnabled()) a->trigger();
  });
  resize(900, 650);
  RestoreWindowPosition(ini_, QStringLiteral("TMainForm"), this);
  qApp->installEventFilter(this);
  scheduleIdle();
}

TMainForm::~TMainForm() {
  // The MDI area is destroyed with the QMainWindow base and reports its last
  // window change then; by that time this object is no TMainForm any more.
  disconnect(mdi_, nullptr, this, nullptr);
  disconnect(windows_, nullptr, this, nullptr);
}

QAction* TMainForm::action(const QString& name) const { return actions_->action(name); }
QString TMainForm::statusLineText() const { return status_->hintText(); }
QString TMainForm::rangePanelText() const { return status_->rangeText(); }
QString TMainForm::parmPanelText() const { return status_->parmText(); }
bool TMainForm::calculateButtonDown() const { return action(QStringLiteral("SBRunCalculate"))->isChecked(); }

bool TMainForm::event(QEvent* e) {
  if (e->type() == QEvent::StatusTip) {
    status_->showHint(static_cast<QStatusTipEvent*>(e)->tip());
    return true;
  }
  return QMainWindow::event(e);
}

// What depends on the state of everything (the calculate button, the enabled
// commands, the status panels) is brought up to date once after each command,
// on a zero timer.
void TMainForm::scheduleIdle() {
  if (idlePending_) return;
  idlePending_ = true;
  QTimer::singleShot(0, this, [this] { idle(); });
}

void TMainForm::idle() {
  idlePending_ = false;
  const bool pending = windows_->anyPendingEdits();
  action(QStringLiteral("SBRunCalculate"))->setChecked(!pending && !docs_->hasStatus(kResultsStale));
  // The target values of a Price population were computed from the data as
  // it was; once the results are stale they no longer describe it.
  if (docs_->hasStatus(kResultsStale))
    if (auto* price = windows_->get<TPriceView>(QStringLiteral("TPriceView"))) price->VoidPopulation();
  actions_->updateEnabled();
  status_->update(*ws_);
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
    if (r.status != LoadStatus::InvalidId && r.status != LoadStatus::ReadError)
      docs_->ShowLoadedEditors(r, false);
    QString msg = QString::fromStdString(r.message);
    switch (r.status) {
    case LoadStatus::Ok:
      break;
    case LoadStatus::ReadError:
      // At start-up the message names the file without the word "scenario".
      msg.replace(0, int(qstrlen("Loading scenario ")), QStringLiteral("Loading "));
      [[fallthrough]];
    case LoadStatus::InvalidId:
      docs_->setCaption();
      if (st.ShowMessages) dialogs_->inform(BoxType::Error, msg);
      return;
    case LoadStatus::EnvMissing: {
      const std::string name = ExtractFileName(ws_->scenario.EnviFile);
      if (!name.empty() && !EqualsIgnoreCase(name, "NEW.ENV") && st.ShowMessages)
        dialogs_->inform(BoxType::Error, msg);
      break;
    }
    default:
      if (st.ShowMessages) dialogs_->inform(BoxType::Error, msg);
      break;
    }
  } else {
    docs_->ShowScenarioEditor();
  }
  docs_->setCaption();
  ws_->parms.Backup(ws_->scenario);
  if (ws_->options.has(kOptCalcOnLoad)) run_->RunWith([](Workspace& w) { RunModel(w); });
  if (ws_->options.has(kOptKeepWindowPos)) windows_->restoreOpenWindows();
  docs_->RefreshScenarioWindows();
}

bool TMainForm::Shutdown() {
  if (shutDown_) return true;
  if (!docs_->SaveQueryAll()) return false;
  ini_.writeBool("MultiRun Options", "SaveRslts", false);
  if (ws_->options.has(kOptKeepWindowPos)) windows_->saveOpenWindows();
  if (ws_->options.has(kOptAutoSave)) SaveOptions(ini_, *ws_, ws_->scenario.ScenarioFile);
  SaveWindowPosition(ini_, QStringLiteral("TMainForm"), this);
  if (help_ && help_->isVisible()) SaveWindowPosition(ini_, help_->WindowKey(), help_);
  // The settings are lost, the data are not: the program still closes.
  saveIni(false);
  shutDown_ = true;
  // The windows close now without saving their positions a second time.
  windows_->closeAll(true);
  return true;
}

void TMainForm::closeEvent(QCloseEvent* e) {
  if (Shutdown())
    e->accept();
  else
    e->ignore();
}

// ---- Options and help ----

bool TMainForm::saveIni(bool errorBox) {
  try {
    ini_.save();
  } catch (const std::exception& e) {
    dialogs_->inform(errorBox ? BoxType::Error : BoxType::Warning,
                     QStringLiteral("Saving ") + QString::fromStdString(ini_.path()) + QLatin1Char('\r') +
                         QString::fromStdString(e.what()));
    return false;
  }
  return true;
}

void TMainForm::editOptions() {
  TKelmOptiDialog dlg(ws_->options, dialogs_, this);
  dlg.setProperty("helpContext", int(kHelpOptions));
  if (dlg.exec() == QDialog::Accepted) OptionsChanged();
}

void TMainForm::OptionsChanged() {
  windows_->refresh(kOptionsWindow);
  scheduleIdle();
}

void TMainForm::saveOptions() {
  SaveOptions(ini_, *ws_, ws_->scenario.ScenarioFile);
  saveIni(true);
}

void TMainForm::deleteOptions() {
  if (dialogs_->ask(BoxType::Confirmation, Buttons::YesNo, QStringLiteral("Delete KELMAR options?"),
                    QString()) != Answer::Yes)
    return;
  for (const char* sec : {"Kelmar Options", "Window Position", "Open Windows", "Parameter Options",
                          "Price Options", "MultiRun Options"})
    ini_.eraseSection(sec);
  ReadOptions(ini_, *ws_);
  saveIni(true);
  OptionsChanged();
}

THelpWindow* TMainForm::openHelp() {
  if (!help_) {
    help_ = new THelpWindow(helpDir_, this);
    help_->setWindowFlag(Qt::Window);
    RestoreWindowPosition(ini_, help_->WindowKey(), help_);
    connect(help_, &TIniForm::closing, this,
            [this](TIniForm* f) { SaveWindowPosition(ini_, f->WindowKey(), f); });
  }
  if (!help_->available()) {
    dialogs_->inform(BoxType::Information,
                     QStringLiteral("No help is installed: the help pages are looked for in ") + helpDir_ +
                         QLatin1Char('.'));
    return nullptr;
  }
  // Over a modal dialog the help window is modal itself, else the dialog
  // would block it; the dialog goes on when the help window closes.
  QWidget* modal = QApplication::activeModalWidget();
  const bool overModal = modal && modal != help_;
  if (help_->isModal() != overModal) {
    help_->hide();
    help_->setWindowModality(overModal ? Qt::ApplicationModal : Qt::NonModal);
  }
  help_->show();
  help_->raise();
  help_->activateWindow();
  return help_;
}

THelpWindow* TMainForm::helpWindow() const { return help_; }

void TMainForm::ShowHelp(int context) {
  if (THelpWindow* h = openHelp()) h->showContext(context);
}

void TMainForm::SearchHelp() {
  if (THelpWindow* h = openHelp()) {
    if (h->browser()->source().isEmpty()) h->showContext(kHelpContents);
    h->search(h->searchBox()->text());
  }
}

int TMainForm::HelpContextOf(QWidget* w) const {
  for (; w; w = w->parentWidget()) {
    if (auto* f = qobject_cast<TIniForm*>(w)) return f->HelpContext();
    if (const QVariant v = w->property("helpContext"); v.isValid()) return v.toInt();
    if (w == this) break;
  }
  if (w == this)
    if (TIniForm* f = windows_->active()) return f->HelpContext();
  return kHelpContents;
}

bool TMainForm::eventFilter(QObject* obj, QEvent* e) {
  if (e->type() == QEvent::KeyPress && obj->isWidgetType()) {
    auto* k = static_cast<QKeyEvent*>(e);
    if (k->key() == Qt::Key_F1 && k->modifiers() == Qt::NoModifier) {
      // Only for this program's windows: the frame and what it owns.
      auto* w = static_cast<QWidget*>(obj);
      QWidget* top = w;
      while (top && top != this) top = top->parentWidget();
      if (top == this) {
        ShowHelp(HelpContextOf(w));
        return true;
      }
    }
  }
  return QMainWindow::eventFilter(obj, e);
}

void TMainForm::about() {
  dialogs_->inform(BoxType::Plain,
                   QString::fromLatin1(kVersionText) +
                       QStringLiteral("\rNitrogen dynamics of an arable crop rotation, week by week."),
                   QStringLiteral("About Kelmar"));
}

} // namespace kelmar::gui
