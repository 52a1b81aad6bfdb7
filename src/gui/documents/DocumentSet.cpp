#include "documents/DocumentSet.h"

#include <QDir>
#include <QFileInfo>
#include <QWidget>

#include "data/Errors.h"
#include "data/FileSystem.h"
#include "data/ScenarioFile.h"
#include "data/SeriesFile.h"
#include "data/TextFormat.h"
#include "dialogs/UserDialogs.h"
#include "model/Driver.h"
#include "output/OutputRouter.h"
#include "report/Summary.h"
#include "report/Tables.h"
#include "run/RunControl.h"
#include "session/Companions.h"
#include "session/OptionsIni.h"
#include "shell/WindowRegistry.h"

namespace kelmar::gui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

struct SeriesTexts {
  const char* modified; // the save question
  const char* exists;   // the replace question
  const char* load;     // open dialog title
  const char* pattern;  // "*.ENV"
  const char* filter;   // open dialog filter
  const char* insert;   // insert dialog title, the week follows
  const char* save;     // save dialog title
  const char* saveRange;
};

const SeriesTexts& TextsOf(SeriesKind k) {
  static const SeriesTexts t[4] = {
      {"Environment data have been modified. Save ?", "Environment file already exists. Replace ?",
       "Load environment", "*.ENV", "Environment files (*.ENV)", "Insert environment at week ",
       "Save environment", "Save environment "},
      {"Irrigation data have been modified. Save ?", "Irrigation file already exists. Replace ?",
       "Load irrigation", "*.IRR", "Irrigation files (*.IRR)", "Insert irrigation at week ",
       "Save irrigation", "Save irrigation "},
      {"N-mineral data have been modified. Save ?", "N-mineral file already exists. Replace ?",
       "Load N-mineral", "*.MIN", "Nmineral files (*.MIN)", "Insert N-mineral at week ", "Save N-mineral",
       "Save N-mineral "},
      {"Organic Matter data have been modified. Save ?", "Organic Matter file already exists. Replace ?",
       "Load Organic Matter", "*.OM", "Organic matter files (*.OM)", "Insert Organic Matter at week ",
       "Save Organic matter", "Save Organic Matter "},
  };
  return t[static_cast<int>(k)];
}

// The extension of a file name as the program gives it: ext replaces any
// extension the user typed.
QString WithExt(const QString& name, const QString& ext) { return Q(ChangeFileExt(S(name), S(ext))); }

} // namespace

QString DocumentSet::newDocName(SeriesKind k) const {
  return dataDir() + QStringLiteral("NEW") + Q(std::string(SeriesExtension(k)));
}

void DocumentSet::ShowError(const QString& text) { s_.dialogs.inform(BoxType::Error, text); }

// ---- Editors and scenario windows ----

bool DocumentSet::CommitEditors() { return s_.windows->commitEditors(); }

bool DocumentSet::CommitScenarioEditors() { return s_.windows->commitEditors(Doc::Scenario); }

bool DocumentSet::CommitSeriesEditor(SeriesKind k) { return s_.windows->commitEditors(DocOf(k)); }

void DocumentSet::setCaption() {
  s_.window->setWindowTitle(QStringLiteral("Kelmar: ") + QString::fromStdString(s_.ws.scenario.ScenarioFile));
}

void DocumentSet::RefreshScenarioWindows() {
  ProgramState& st = s_.ws.state;
  if (st.SelCrop > s_.ws.scenario.CropCount) st.SelCrop = 1;
  if (st.SelAppl > s_.ws.scenario.ApplCount) st.SelAppl = 1;
  setCaption();
  s_.windows->refresh(kScenarioWindow);
  s_.scheduleIdle();
}

// ---- Save questions ----

bool DocumentSet::SaveQuery(Doc d) {
  if (d == Doc::Scenario ? !CommitScenarioEditors() : !CommitSeriesEditor(SeriesOf(d))) return false;
  if (hasStatus(SavedBit(d))) return true;
  const QString text = d == Doc::Scenario ? QStringLiteral("Scenario has been modified. Save ?")
                                          : QString::fromLatin1(TextsOf(SeriesOf(d)).modified);
  switch (s_.dialogs.ask(BoxType::Warning, Buttons::YesNoCancel, text, QString())) {
  case Answer::Yes:
    if (d == Doc::Scenario)
      SaveScenario();
    else
      SeriesSave(SeriesOf(d));
    return hasStatus(SavedBit(d));
  case Answer::No:
    return true;
  default:
    return false;
  }
}

bool DocumentSet::SaveQueryAll() {
  for (int d = 0; d < kDocCount; ++d)
    if (!SaveQuery(static_cast<Doc>(d))) return false;
  return true;
}

// ---- Scenario ----

void DocumentSet::OpenAny() {
  const std::optional<Doc> d = s_.windows->activeEditorDoc();
  if (d && *d != Doc::Scenario)
    SeriesLoad(SeriesOf(*d));
  else
    LoadScenario();
}

void DocumentSet::SaveAnyAs() {
  const std::optional<Doc> d = s_.windows->activeEditorDoc();
  if (d && *d != Doc::Scenario)
    SeriesSaveAs(SeriesOf(*d));
  else
    SaveScenarioAs();
}

void DocumentSet::LoadScenario() {
  if (!SaveQuery(Doc::Scenario)) return;
  const QString name =
      s_.dialogs.openFile({QStringLiteral("Load scenario"), dataDir(), QStringLiteral("*.DAT"),
                           QStringLiteral("Data files (*.DAT)"), QString()});
  if (name.isEmpty()) return;
  LoadScenarioWithCompanions(name);
}

bool DocumentSet::LoadScenarioWithCompanions(const QString& fileName) {
  ProgramState& st = s_.ws.state;
  // A companion that is missing empties its series. Ask about unsaved data
  // of such a series before anything is read, so that nothing is lost
  // without the question; Cancel abandons the load.
  uint32_t emptied = 0; // saved bits of the series a missing companion empties
  {
    const std::string path = ExpandFileName(S(fileName));
    const std::string dir = ExtractFilePath(path);
    for (SeriesKind k : {SeriesKind::Irrigation, SeriesKind::Nmineral, SeriesKind::Omon}) {
      const std::string comp = dir + ChangeFileExt(ExtractFileName(path), SeriesExtension(k));
      if (!FindFileCaseInsensitive(comp).empty()) continue;
      if (!SaveQuery(DocOf(k))) return false;
      emptied |= SavedBit(DocOf(k));
    }
  }
  CompanionOptions opt;
  opt.par = ReadParIncludes(s_.ini);
  // The series asked about above are not asked about again.
  opt.mayReplace = [this, emptied](SeriesKind k) {
    return (emptied & SavedBit(DocOf(k))) != 0 || SaveQuery(DocOf(k));
  };
  const LoadOutcome r = kelmar::LoadScenarioWithCompanions(s_.ws, S(fileName), opt);
  if (r.status != LoadStatus::InvalidId && r.status != LoadStatus::ReadError) ShowLoadedEditors(r, true);
  if (st.ShowMessages) RefreshSeriesEditors();
  const QString msg = Q(r.message);
  // An emptied series is a new document: nothing to save.
  if (r.status != LoadStatus::InvalidId && r.status != LoadStatus::ReadError) setStatus(emptied);
  switch (r.status) {
  case LoadStatus::Ok:
    break;
  case LoadStatus::InvalidId:
    if (st.ShowMessages) ShowError(msg);
    return false;
  case LoadStatus::ReadError:
    setCaption();
    if (st.ShowMessages) ShowError(msg);
    return false;
  case LoadStatus::EnvMissing:
    if (st.ShowMessages) {
      RefreshScenarioWindows();
      ShowError(msg);
    }
    return false;
  default:
    if (st.ShowMessages) {
      RefreshScenarioWindows();
      ShowError(msg);
    }
    return false;
  }
  if (st.ShowMessages) RefreshScenarioWindows();
  if (s_.ws.options.has(kOptCalcOnLoad) && CommitEditors())
    s_.run->RunWith([](Workspace& w) { RunModel(w); });
  return true;
}

void DocumentSet::InsertScenario(bool append) {
  if (!SaveQuery(Doc::Scenario)) return;
  const QString name = s_.dialogs.openFile(
      {append ? QStringLiteral("Append scenario") : QStringLiteral("Insert scenario"), dataDir(),
       QStringLiteral("*.DAT"), QStringLiteral("Data files (*.DAT)"), QString()});
  if (name.isEmpty()) return;
  if (s_.ws.scenario.CropCount >= kMaxCrops || s_.ws.scenario.ApplCount >= kMaxAppls) {
    s_.dialogs.inform(BoxType::Information, QStringLiteral("No room for adding crops or applications."));
    return;
  }
  s_.ws.scenario.FileId.clear();
  try {
    const std::string older = kelmar::InsertScenario(s_.ws, S(name), append);
    if (!older.empty() && s_.ws.state.ShowMessages) s_.dialogs.inform(BoxType::Information, Q(older));
  } catch (const InvalidFileId& e) {
    if (s_.ws.state.ShowMessages) ShowError(Q(e.what()));
    return;
  } catch (const std::exception& e) {
    ShowError((append ? QStringLiteral("Appending scenario ") : QStringLiteral("Inserting scenario ")) +
              name + QLatin1Char('\r') + Q(e.what()));
    return;
  }
  setStatus(kResultsStale);
  clearStatus(kScenarioSaved);
  RefreshScenarioWindows();
  if (s_.ws.options.has(kOptCalcOnLoad) && CommitEditors())
    s_.run->RunWith([](Workspace& w) { RunModel(w); });
}

bool DocumentSet::SaveScenarioTo(const QString& path) {
  // The core puts the new name into the scenario (its file holds it) before
  // writing; a failed write must leave the document as it was.
  const std::string previous = s_.ws.scenario.ScenarioFile;
  try {
    kelmar::SaveScenario(s_.ws, S(path));
  } catch (const std::exception& e) {
    s_.ws.scenario.ScenarioFile = previous;
    ShowError(QStringLiteral("Saving scenario ") + path + QLatin1Char('\r') + Q(e.what()));
    return false;
  }
  setStatus(kScenarioSaved);
  if (!s_.ws.options.has(kOptNoParmBackup)) s_.ws.parms.Backup(s_.ws.scenario);
  return true;
}

void DocumentSet::SaveScenario() {
  const std::string& file = s_.ws.scenario.ScenarioFile;
  if (file == s_.ws.state.DataDir + "NEW.DAT") {
    SaveScenarioAs();
    return;
  }
  if (!CommitScenarioEditors()) return;
  if (FileExists(file) &&
      s_.dialogs.ask(BoxType::Warning, Buttons::OkCancel,
                     QStringLiteral("Scenario file already exists. Replace ?"), QString()) != Answer::Ok)
    return;
  SaveScenarioTo(Q(file));
}

void DocumentSet::SaveScenarioAs() {
  if (!CommitScenarioEditors()) return;
  const QString name = s_.output->ChooseOutputFile(QStringLiteral(".DAT"));
  if (name.isEmpty()) return;
  if (SaveScenarioTo(name)) RefreshScenarioWindows();
}

bool DocumentSet::SaveRequestFor(const QString& ext, bool extractRange, QString& title,
                                 QString& initial) const {
  const QString upper = ext.toUpper();
  if (upper == QLatin1String(".DAT")) {
    title = QStringLiteral("Save scenario");
    initial = Q(s_.ws.scenario.ScenarioFile);
    return true;
  }
  for (int i = 0; i < kSeriesCount; ++i) {
    const auto k = static_cast<SeriesKind>(i);
    if (upper != Q(std::string(SeriesExtension(k)))) continue;
    const ProgramState& st = s_.ws.state;
    title = extractRange ? QString::fromLatin1(TextsOf(k).saveRange) +
                               QStringLiteral("%1 - %2").arg(st.RangeFrom).arg(st.RangeTill)
                         : QString::fromLatin1(TextsOf(k).save);
    initial = Q(s_.ws.scenario.series(k).FileName);
    return true;
  }
  return false;
}

// ---- Series ----

void DocumentSet::SeriesNew(SeriesKind k) {
  if (!SaveQuery(DocOf(k))) return;
  ResetSeries(s_.ws, k);
  setStatus(SavedBit(DocOf(k)));
  // The measured series do not drive the model.
  if (k == SeriesKind::Environment || k == SeriesKind::Irrigation) setStatus(kResultsStale);
  s_.windows->refreshEditors(DocOf(k));
  if (k == SeriesKind::Environment) ShowSeriesEditor(k);
}

void DocumentSet::ShowLoadedEditors(const LoadOutcome& r, bool closeEmptied) {
  if (s_.ws.options.has(kOptKeepWindowPos)) return;
  for (SeriesKind k :
       {SeriesKind::Irrigation, SeriesKind::Nmineral, SeriesKind::Omon, SeriesKind::Environment}) {
    const QString cls = s_.windows->editorClass(DocOf(k));
    const auto i = static_cast<size_t>(k);
    if (r.seriesRead[i])
      s_.windows->showMinimised(cls);
    else if (closeEmptied && r.seriesEmptied[i] && k != SeriesKind::Environment)
      s_.windows->close(cls);
    else if (r.seriesEmptied[i] && s_.windows->find(cls))
      s_.windows->show(cls); // the new, empty environment waits to be filled in
  }
  // Last, so that it is the active window above the minimised ones.
  ShowScenarioEditor();
}

void DocumentSet::ShowScenarioEditor() {
  if (!s_.ws.options.has(kOptKeepWindowPos)) s_.windows->show(QStringLiteral("TParmDialog"));
}

void DocumentSet::ShowSeriesEditor(SeriesKind k) {
  if (s_.ws.options.has(kOptKeepWindowPos)) return;
  const QString cls = s_.windows->editorClass(DocOf(k));
  if (!cls.isEmpty()) s_.windows->show(cls);
}

void DocumentSet::RefreshSeriesEditors() {
  for (int i = 0; i < kSeriesCount; ++i) s_.windows->refreshEditors(DocOf(static_cast<SeriesKind>(i)));
}

bool DocumentSet::ReadSeriesFile(SeriesKind k, const QString& name, int startWeek) {
  // The file is read into a copy of the series first, so that a refused or
  // damaged file leaves the series in memory as it was.
  auto trial = std::make_unique<Workspace>(s_.ws);
  try {
    if (startWeek == 1) ResetSeries(*trial, k);
    LoadSeries(*trial, k, S(name), startWeek);
  } catch (const InvalidFileId& e) {
    ShowError(Q(e.what()));
    return false;
  } catch (const std::exception& e) {
    ShowError(QStringLiteral("Loading ") + name + QLatin1Char('\r') + Q(e.what()));
    return false;
  }
  for (size_t w = 1; w <= static_cast<size_t>(kMaxWeeks); ++w) s_.ws.weeks[w] = trial->weeks[w];
  s_.ws.scenario.series(k) = trial->scenario.series(k);
  return true;
}

void DocumentSet::SeriesLoad(SeriesKind k) {
  if (!SaveQuery(DocOf(k))) return;
  const SeriesTexts& t = TextsOf(k);
  const QString name =
      s_.dialogs.openFile({QString::fromLatin1(t.load), dataDir(), QString::fromLatin1(t.pattern),
                           QString::fromLatin1(t.filter), QString()});
  if (name.isEmpty()) return;
  if (!ReadSeriesFile(k, name, 1)) return;
  setStatus(kResultsStale | SavedBit(DocOf(k)));
  s_.windows->refreshEditors(DocOf(k));
  ShowSeriesEditor(k);
}

void DocumentSet::SeriesInsert(SeriesKind k) {
  if (!SaveQuery(DocOf(k))) return;
  SeriesHeader& h = s_.ws.scenario.series(k);
  const std::optional<int> week = s_.selectWeek(std::max(1, h.InsertWeek), s_.window);
  if (!week) return;
  h.InsertWeek = *week;
  const SeriesTexts& t = TextsOf(k);
  const QString name =
      s_.dialogs.openFile({QString::fromLatin1(t.insert) + QString::number(*week), dataDir(),
                           QString::fromLatin1(t.pattern), QString::fromLatin1(t.filter), QString()});
  if (name.isEmpty()) return;
  if (!ReadSeriesFile(k, name, *week)) return;
  setStatus(kResultsStale);
  clearStatus(SavedBit(DocOf(k)));
  s_.windows->refreshEditors(DocOf(k));
  ShowSeriesEditor(k);
}

void DocumentSet::SeriesSave(SeriesKind k) {
  const std::string file = s_.ws.scenario.series(k).FileName;
  if (Q(file) == newDocName(k) || file.empty()) {
    SeriesSaveAs(k);
    return;
  }
  if (!CommitSeriesEditor(k)) return;
  if (FileExists(file) && s_.dialogs.ask(BoxType::Warning, Buttons::OkCancel,
                                         QString::fromLatin1(TextsOf(k).exists), QString()) != Answer::Ok)
    return;
  try {
    const SeriesSaveResult r = SaveSeries(s_.ws, k, file, false);
    if (!r.written) {
      s_.dialogs.inform(BoxType::Information, Q(r.message));
      return;
    }
  } catch (const std::exception& e) {
    ShowError(QStringLiteral("Saving ") + Q(file) + QLatin1Char('\r') + Q(e.what()));
    return;
  }
  setStatus(SavedBit(DocOf(k)));
  s_.windows->refreshEditors(DocOf(k));
}

void DocumentSet::SeriesSaveAs(SeriesKind k) { SeriesSaveAsImpl(k, false); }
void DocumentSet::SeriesExtract(SeriesKind k) { SeriesSaveAsImpl(k, true); }

void DocumentSet::SeriesSaveAsImpl(SeriesKind k, bool extract) {
  if (!CommitSeriesEditor(k)) return;
  if (CountSeriesData(s_.ws, k) < 1) {
    s_.dialogs.inform(BoxType::Information, Q(NoSeriesDataMessage(k, true)));
    return;
  }
  const QString name = s_.output->ChooseOutputFile(Q(std::string(SeriesExtension(k))), extract);
  if (name.isEmpty()) return;
  try {
    const ProgramState& st = s_.ws.state;
    const SeriesSaveResult r = extract ? ExtractSeries(s_.ws, k, S(name), st.RangeFrom, st.RangeTill)
                                       : SaveSeries(s_.ws, k, S(name), true);
    if (!r.written) {
      s_.dialogs.inform(BoxType::Information, Q(r.message));
      return;
    }
  } catch (const std::exception& e) {
    ShowError(QStringLiteral("Saving ") + name + QLatin1Char('\r') + Q(e.what()));
    return;
  }
  if (!extract) {
    setStatus(SavedBit(DocOf(k)));
    s_.windows->refreshEditors(DocOf(k));
  }
}

// ---- Shift, results, summary, directory ----

void DocumentSet::ShiftRotation(int delta) {
  const QString q = delta > 0 ? QStringLiteral("Increase all crops and applications by 1 year?")
                              : QStringLiteral("Decrease all crops and applications by 1 year?");
  if (s_.dialogs.ask(BoxType::Confirmation, Buttons::OkCancel, q, QString()) != Answer::Ok) return;
  if (!CommitEditors()) return;
  auto wrap = [delta](int32_t& y) {
    y += delta;
    if (y > 520) y = 1;
    if (y < 1) y = 520;
  };
  Scenario& s = s_.ws.scenario;
  for (int i = 1; i <= s.CropCount; ++i) wrap(s.Crops[static_cast<size_t>(i)].YEAR);
  // Applications 1..3 are the initial organic-matter pools and keep their year.
  for (int i = 4; i <= s.ApplCount; ++i) wrap(s.Appls[static_cast<size_t>(i)].YR);
  setStatus(kResultsStale);
  clearStatus(kScenarioSaved);
  RefreshScenarioWindows();
}

void DocumentSet::SaveResults() {
  if (!CommitEditors()) return;
  if (!s_.output->ResultsMayBeStale()) return;
  const Output out = s_.output->OpenOutput(false, QStringLiteral(".PRN"));
  if (!out.ok) return;
  OutText text(false);
  WriteTable(s_.ws, text, kTableGraphData, s_.ws.state.RangeFrom, s_.ws.state.RangeTill);
  s_.output->FinishOutput(out, text);
}

void DocumentSet::SaveSummary() {
  if (!CommitEditors()) return;
  if (hasStatus(kResultsStale)) {
    s_.dialogs.inform(BoxType::Plain, QStringLiteral("Can not save uncalculated summary !"));
    return;
  }
  QString name = s_.dialogs.saveFile({QStringLiteral("Save Summary"), dataDir(), QStringLiteral("KELMAR.SUM"),
                                      QStringLiteral("Summaries (*.SUM)"), QStringLiteral("SUM")});
  if (name.isEmpty()) return;
  name = WithExt(name, QStringLiteral(".SUM"));
  bool newFile = false;
  if (QFileInfo::exists(name)) {
    switch (s_.dialogs.ask(BoxType::Warning, Buttons::YesNoCancel,
                           QStringLiteral("File ") + name + QStringLiteral(" already exists. Append ?"),
                           QString())) {
    case Answer::Yes:
      break;
    case Answer::No:
      newFile = true;
      break;
    default:
      return;
    }
  }
  try {
    AppendSummary(s_.ws, S(name), newFile);
  } catch (const std::exception& e) {
    ShowError(QStringLiteral("Saving ") + name + QLatin1Char('\r') + Q(e.what()));
  }
}

void DocumentSet::ChangeDir() {
  const QString dir = s_.dialogs.chooseDirectory(QStringLiteral("Change dir"), QDir::currentPath());
  if (dir.isEmpty() || !QDir::setCurrent(dir)) return;
  QString cur = QDir::currentPath();
  if (!cur.endsWith(QLatin1Char('/'))) cur += QLatin1Char('/');
  s_.ws.state.CurrentDir = S(cur);
  RefreshScenarioWindows();
  RefreshSeriesEditors();
}

} // namespace kelmar::gui
