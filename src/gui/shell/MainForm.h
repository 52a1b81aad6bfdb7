// The main window: the MDI frame with its menus, speed bar and status bar,
// the idle update, and the start-up and shut-down sequences. The documents,
// run control, output and the child windows are parts of their own that the
// frame owns and wires together.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <memory>

#include "Workspace.h"
#include "data/IniFile.h"
#include "dialogs/UserDialogs.h"
#include "output/Printing.h"
#include "shell/Services.h"

class QAction;
class QMdiArea;
class QToolBar;

namespace kelmar::gui {

class ActionTable;
class StatusPanels;
class WindowRegistry;
class DocumentSet;
class RunControl;
class OutputRouter;
class GraphCommands;
struct GraphSettings;
class THelpWindow;

// Where the program keeps its INI file: beside the program file, named after
// it with the extension ".INI"; when that directory cannot be written, in the
// user's configuration directory.
QString IniFilePathFor(const QString& exePath);

struct StartupConfig {
  QString exePath;       // the program file
  QString iniPath;       // empty: IniFilePathFor(exePath)
  QString helpDir;       // empty: "help" beside the program
  QStringList arguments; // the command-line arguments after the program name
};

class TMainForm : public QMainWindow {
  Q_OBJECT
public:
  TMainForm(const StartupConfig& cfg, UserDialogs* dialogs, QWidget* parent = nullptr);
  ~TMainForm() override;

  Workspace& ws() { return *ws_; }
  IniFile& ini() { return ini_; }
  UserDialogs& dialogs() { return *dialogs_; }
  QMdiArea* mdiArea() const { return mdi_; }
  WindowRegistry& windows() { return *windows_; }
  DocumentSet& docs() { return *docs_; }
  RunControl& run() { return *run_; }
  OutputRouter& output() { return *output_; }
  ActionTable& actions() { return *actions_; }
  GraphSettings& graphs() { return *graphs_; }
  GraphCommands& graphCommands() { return *graphCommands_; }
  QToolBar* speedBar() const { return speedBar_; }
  QAction* action(const QString& name) const;
  QString statusLineText() const;
  QString rangePanelText() const;
  QString parmPanelText() const;
  bool calculateButtonDown() const;
  void setSelectWeek(SelectWeekFn fn) { services_.selectWeek = fn; }

  // The start-up sequence, run once after the window is first shown.
  void Startup();
  // The shut-down questions and INI writes; false when the user cancelled.
  bool Shutdown();
  // Applies what the options dialog changed (menu state, balance windows).
  void OptionsChanged();
  // Opens the help window at the page of a help context (0: the contents).
  void ShowHelp(int context);
  // Opens the help window ready to search.
  void SearchHelp();
  // The help window, once it has been opened.
  THelpWindow* helpWindow() const;
  // The help context of the window a widget belongs to: the nearest form's
  // or the "helpContext" property of a dialog; in the frame, the active
  // child's; 0 when there is none.
  int HelpContextOf(QWidget* w) const;
  void scheduleIdle();

signals:
  // After a run, a range change or a data change: for tests and repaint.
  void resultsRefreshed();

protected:
  void closeEvent(QCloseEvent* e) override;
  bool event(QEvent* e) override;
  // F1 anywhere in the program asks the window in front for its help.
  bool eventFilter(QObject* obj, QEvent* e) override;

private:
  friend void DeclareCommands(TMainForm& f, ActionTable& t);
  void registerWindows();
  void buildMenus();
  void buildSpeedBar();
  void idle();
  // The commands of the Options and Help menus, too small for a part of their own.
  void editOptions();
  void saveOptions();
  void deleteOptions();
  void about();
  bool saveIni(bool errorBox);
  THelpWindow* openHelp();

  StartupConfig cfg_;
  std::unique_ptr<Workspace> ws_;
  IniFile ini_;
  std::unique_ptr<UserDialogs> ownDialogs_;
  UserDialogs* dialogs_;
  QString helpDir_;
  QPointer<THelpWindow> help_;
  Services services_;
  QMdiArea* mdi_ = nullptr;
  QToolBar* speedBar_ = nullptr;
  StatusPanels* status_ = nullptr;
  ActionTable* actions_ = nullptr;
  WindowRegistry* windows_ = nullptr;
  std::unique_ptr<DocumentSet> docs_;
  std::unique_ptr<RunControl> run_;
  std::unique_ptr<OutputRouter> output_;
  std::unique_ptr<GraphSettings> graphs_;
  std::unique_ptr<GraphCommands> graphCommands_;
  bool idlePending_ = false;
  bool started_ = false;
  bool shutDown_ = false;
};

} // namespace kelmar::gui
