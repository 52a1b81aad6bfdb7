// The main window: the MDI frame with its menus, speed bar and status bar,
// the five documents (the scenario and four weekly series), the registry of
// child windows, run control, options, printing, and the start-up and
// shut-down sequences.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "InfoView.h"
#include "IniForm.h"
#include "Printing.h"
#include "RangeDialogs.h"
#include "ResultViews.h"
#include "UserDialogs.h"
#include "Workspace.h"
#include "data/IniFile.h"
#include "fitting/ManualFit.h"

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QPrinter;
class QToolBar;

namespace kelmar {
class OutText;
}

namespace kelmar::gui {

class ClickLabel;

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

// Where a printout or saved text goes.
struct Output {
  bool ok = false;      // false: nothing chosen, nothing is written
  bool printer = false; // to the printer (or a PDF file standing in for it)
  bool listing = false; // the writers' printed form: margin and pages
  QString file;         // the text file, or the PDF file of the printer
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
  QAction* action(const QString& name) const;
  QString statusLineText() const;
  QString rangePanelText() const;
  QString parmPanelText() const;
  bool calculateButtonDown() const;
  int resultKind() const { return rsltKind_; }
  void setSelectWeek(SelectWeekFn fn) { selectWeek_ = fn; }

  // The start-up sequence, run once after the window is first shown.
  void Startup();
  // The shut-down questions and INI writes; false when the user cancelled.
  bool Shutdown();

  // Editor protocol.
  bool CommitEditors();
  bool CommitScenarioEditors();
  bool CommitSeriesEditor(SeriesKind kind);
  void RefreshScenarioWindows();
  void RefreshResultWindows();
  void AfterRun();

  // Document questions.
  bool SaveQuery(Doc d);
  bool SaveQueryScenario() { return SaveQuery(Doc::Scenario); }
  bool SaveQueryAll();
  bool LoadScenarioWithCompanions(const QString& fileName);
  // extractRange: the title names the range of an Extract Range.
  QString ChooseOutputFile(const QString& ext, bool extractRange = false);
  Output OpenOutput(bool toPrinter, const QString& ext);
  // Writes the text to the chosen target; false (after a message) on failure.
  bool FinishOutput(const Output& out, const OutText& text);

  // Child windows ("show" creates or brings to the front).
  TRsltView* ShowResultView(int kind);
  TSummView* ShowSummaryView(int kind);
  TNPKView* ShowNPKView();
  TCorrView* ShowCorrView();
  TRangeDialog* ShowRangeDialog();
  TRsltView* resultView() const { return rsltView_; }
  TSummView* summaryView(int kind) const;
  TNPKView* npkView() const { return npkView_; }
  TCorrView* corrView() const { return corrView_; }
  TRangeDialog* rangeDialog() const { return rangeDialog_; }
  TInfoView* infoView() const { return infoView_; }
  void RestoreOpenWindows();

  // Run control.
  void MIRunCalculateClick();
  void MIRunRepeatClick();
  void MIRunContinueClick();
  void MIRunBackupClick();
  void MIRunRestoreClick();
  void MIRunIncreaseClick();
  void MIRunDecreaseClick();
  void MIRunNextParameterClick();
  void MIRunPreviousParameterClick();
  void MINextRangeClick();
  void MIPreviousRangeClick();
  void MIModifyRangeClick() { ShowRangeDialog(); }
  void MIInfoViewClick();
  void MIIncrInfoWkClick();
  void MIDecrInfoWkClick();

  // Document commands.
  void MIFileOpenClick();
  void MIFileSaveAnyClick();
  void MIFileLoadClick();
  void MIFileInsertClick() { InsertScenario(false); }
  void MIFileAppendClick() { InsertScenario(true); }
  void MIFileSaveClick();
  void MIFileSaveAsClick();
  void SeriesNew(SeriesKind k);
  void SeriesLoad(SeriesKind k);
  void SeriesInsert(SeriesKind k);
  // Reads a series file from startWeek (1: load, emptying the series first;
  // above 1: insert); a refused file is reported and changes nothing.
  bool ReadSeriesFile(SeriesKind k, const QString& name, int startWeek);
  void SeriesSave(SeriesKind k);
  void SeriesSaveAs(SeriesKind k);
  void SeriesExtract(SeriesKind k);
  void MIEditShiftUpClick() { ShiftRotation(+1); }
  void MIEditShiftDownClick() { ShiftRotation(-1); }
  void MIFileSaveResultsClick();
  void MIFileSaveSummaryClick();
  void MIFileChangeDirClick();

  // Printing.
  void PrintData(Doc d);
  void PrintTable(int kind);
  void MIPrintPrintClick();
  void MIOptionsPrinterSetUpClick();

  // Options.
  void MIOptionsKelmarOptionsClick();
  void MIOptionsSaveClick();
  void MIOptionsDeleteClick();
  // Applies what the options dialog changed (menu state, balance windows).
  void OptionsChanged();

  // Help.
  void ShowHelp(int topic);
  void MIHelpAboutClick();

  // Window menu.
  void MIWindowSendToBackClick();
  void MIWindowMinimizeAllClick();
  void MIWindowRestoreAllClick();
  void MIWindowCloseAllClick();

signals:
  // After a run, a range change or a data change: for tests and repaint.
  void resultsRefreshed();

protected:
  void closeEvent(QCloseEvent* e) override;
  bool event(QEvent* e) override;
  bool eventFilter(QObject* obj, QEvent* e) override;

private:
  void createActions();
  void createMenus();
  void createSpeedBar();
  void createStatusBar();
  QAction* makeAction(const QString& name, const QString& caption, const QString& hint,
                      std::function<void()> slot, const QKeySequence& key = {});
  QAction* laterAction(const QString& name, const QString& caption, const QString& hint,
                       const QKeySequence& key = {});
  void scheduleIdle();
  void idle();
  void setCaption();
  bool hasStatus(uint32_t bit) const { return (ws_->state.DocStatus & bit) != 0; }
  void setStatus(uint32_t bit) { ws_->state.DocStatus |= bit; }
  void clearStatus(uint32_t bit) { ws_->state.DocStatus &= ~bit; }

  // Runs f (a model entry) with the hourglass; a fault leaves the results
  // stale and is shown. True when the run completed.
  bool RunWith(const std::function<void(Workspace&)>& f);
  void ReportRunFault(const QString& error);
  // Increase or Decrease of the selected parameter, then the results.
  void StepParameter(ManualFitResult (*step)(Workspace&));
  void InsertScenario(bool append);
  void ShiftRotation(int delta);
  bool SaveScenarioTo(const QString& path);
  void SeriesSaveAsImpl(SeriesKind k, bool extract);
  bool ResultsMayBeStale();
  void ShowError(const QString& text) { dialogs_->inform(BoxType::Error, text); }
  QString dataDir() const { return QString::fromStdString(ws_->state.DataDir); }
  QString newDocName(SeriesKind k) const;

  // Wraps a form into an MDI sub-window with the registry's rules.
  QMdiSubWindow* addChild(TIniForm* form, const QSize& size, bool centre);
  void bringToFront(TIniForm* form);
  void onChildClosing(TIniForm* form);
  TIniForm* activeForm() const;

  StartupConfig cfg_;
  std::unique_ptr<Workspace> ws_;
  IniFile ini_;
  std::unique_ptr<UserDialogs> ownDialogs_;
  UserDialogs* dialogs_;
  HelpLayer help_;
  std::unique_ptr<QPrinter> printer_;
  SelectWeekFn selectWeek_ = &ExecSelectWeek;

  QMdiArea* mdi_ = nullptr;
  QToolBar* speedBar_ = nullptr;
  QLabel* statusLine_ = nullptr;
  ClickLabel* rangePanel_ = nullptr;
  ClickLabel* parmPanel_ = nullptr;
  QAction* sbCalculate_ = nullptr;
  bool idlePending_ = false;
  bool started_ = false;
  bool shutDown_ = false;

  int rsltKind_ = 1;
  QPointer<TRsltView> rsltView_;
  std::array<QPointer<TSummView>, 4> summViews_;
  QPointer<TNPKView> npkView_;
  QPointer<TCorrView> corrView_;
  QPointer<TRangeDialog> rangeDialog_;
  QPointer<TInfoView> infoView_;
};

} // namespace kelmar::gui
