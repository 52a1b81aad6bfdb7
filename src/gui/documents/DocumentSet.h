// The five documents over the workspace: the scenario and the four weekly
// series, their saved marks in DocStatus, the save questions, and the file
// commands that load, insert, save and extract them. A document's name and
// saved mark change only after its file was written.
#pragma once

#include <QString>

#include "Workspace.h"
#include "session/Companions.h"
#include "shell/Services.h"

namespace kelmar::gui {

class DocumentSet {
public:
  explicit DocumentSet(Services& s) : s_(s) {}

  bool hasStatus(uint32_t bit) const { return (s_.ws.state.DocStatus & bit) != 0; }
  void setStatus(uint32_t bit) { s_.ws.state.DocStatus |= bit; }
  void clearStatus(uint32_t bit) { s_.ws.state.DocStatus &= ~bit; }

  // Commits the pending edits of the editors before a command reads the data.
  bool CommitEditors();
  bool CommitScenarioEditors();
  bool CommitSeriesEditor(SeriesKind kind);
  // After the scenario changed: selections, caption and scenario windows.
  void RefreshScenarioWindows();
  void setCaption();

  // "... has been modified. Save ?": true when the document may be replaced.
  bool SaveQuery(Doc d);
  bool SaveQueryAll();

  // The scenario.
  void OpenAny();   // the series of the active series editor, else the scenario
  void SaveAnyAs(); // likewise for Save As
  void LoadScenario();
  bool LoadScenarioWithCompanions(const QString& fileName);
  // After a scenario was read with its companions: the scenario parameters
  // editor in front, the editor of every series read from a file minimised,
  // and (on a load, not at start-up) the editor of a series emptied for want
  // of its file closed. Nothing opens or closes while the windows are kept
  // where the user left them.
  void ShowLoadedEditors(const LoadOutcome& r, bool closeEmptied);
  // The scenario parameters editor, unless the windows are kept.
  void ShowScenarioEditor();
  void InsertScenario(bool append);
  void SaveScenario();
  void SaveScenarioAs();
  void ShiftRotation(int delta);

  // The series.
  void SeriesNew(SeriesKind k);
  void SeriesLoad(SeriesKind k);
  void SeriesInsert(SeriesKind k);
  // Reads a series file from startWeek (1: load, emptying the series first;
  // above 1: insert); a refused file is reported and changes nothing.
  bool ReadSeriesFile(SeriesKind k, const QString& name, int startWeek);
  void SeriesSave(SeriesKind k);
  void SeriesSaveAs(SeriesKind k);
  void SeriesExtract(SeriesKind k);
  // Refills the open series editors after their data changed elsewhere.
  void RefreshSeriesEditors();

  // Results, summary and directory.
  void SaveResults();
  void SaveSummary();
  void ChangeDir();

  // The title of the save dialog and the current file name of a document
  // (for ".DAT", ".ENV", ".IRR", ".MIN" and ".OM"); false for other extensions.
  bool SaveRequestFor(const QString& ext, bool extractRange, QString& title, QString& initial) const;

private:
  bool SaveScenarioTo(const QString& path);
  void SeriesSaveAsImpl(SeriesKind k, bool extract);
  void ShowError(const QString& text);
  // Shows the editor of a series after a command filled it, unless the
  // windows are kept where the user left them.
  void ShowSeriesEditor(SeriesKind k);
  QString dataDir() const { return QString::fromStdString(s_.ws.state.DataDir); }
  QString newDocName(SeriesKind k) const;

  Services& s_;
};

} // namespace kelmar::gui
