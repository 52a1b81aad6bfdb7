// The document commands, run control and printing of the main window.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QPrinterInfo>

#include "InfoView.h"
#include "MainForm.h"
#include "session/OptionsIni.h"
#include "ResultViews.h"
#include "session/Companions.h"
#include "data/Errors.h"
#include "data/FileSystem.h"
#include "data/ScenarioFile.h"
#include "data/SeriesFile.h"
#include "data/TextFormat.h"
#include "fitting/ManualFit.h"
#include "model/Driver.h"
#include "report/SumFile.h"
#include "report/Summary.h"
#include "report/Tables.h"

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

QString TMainForm::newDocName(SeriesKind k) const {
  return dataDir() + QStringLiteral("NEW") + Q(std::string(SeriesExtension(k)));
}

// ---- Runs ----

void TMainForm::ReportRunFault(const QString& error) {
  setStatus(kResultsStale);
  if (ws_->state.ShowMessages)
    ShowError(QStringLiteral("Calculating ") + Q(ws_->scenario.ScenarioFile) + QLatin1Char('\r') + error);
}

bool TMainForm::RunWith(const std::function<void(Workspace&)>& f) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  bool ok = true;
  try {
    f(*ws_);
  } catch (const std::exception& e) {
    ok = false;
    QApplication::restoreOverrideCursor();
    ReportRunFault(Q(e.what()));
  }
  if (ok) {
    AfterRun();
    QApplication::restoreOverrideCursor();
  }
  return ok;
}

void TMainForm::MIRunCalculateClick() {
  if (!CommitEditors()) return;
  RunWith([](Workspace& w) { RunModel(w); });
}

void TMainForm::MIRunRepeatClick() {
  if (hasStatus(kResultsStale)) {
    dialogs_->inform(BoxType::Information,
                     QStringLiteral("Can only Repeat when model has been Calculated first!"));
    return;
  }
  RunWith([](Workspace& w) { RepeatRun(w); });
}

void TMainForm::MIRunContinueClick() {
  if (hasStatus(kResultsStale)) {
    dialogs_->inform(BoxType::Information,
                     QStringLiteral("Can only Continue when model has been Calculated first!"));
    return;
  }
  if (ws_->options.has(kOptMoveEnvOnContinue)) {
    if (SaveQuery(Doc::Environment) && SaveQuery(Doc::Irrigation) && SaveQuery(Doc::Nmineral)) {
      MoveSeries(*ws_);
      setStatus(kResultsStale | kEnviSaved | kIrriSaved | kNminSaved);
    }
  }
  RunWith([](Workspace& w) { ContinueRun(w); });
}

void TMainForm::MIRunBackupClick() {
  if (!CommitEditors()) return;
  ws_->parms.Backup(ws_->scenario);
}

void TMainForm::MIRunRestoreClick() {
  if (!CommitEditors()) return;
  ws_->parms.Restore(ws_->scenario);
  setStatus(kResultsStale);
  clearStatus(kScenarioSaved);
  RunWith([](Workspace& w) { RunModel(w); });
}

void TMainForm::StepParameter(ManualFitResult (*step)(Workspace&)) {
  if (!CommitEditors()) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const ManualFitResult r = step(*ws_);
  QApplication::restoreOverrideCursor();
  // The parameter changed (or came back after a failed run): the scenario
  // differs from its file either way.
  clearStatus(kScenarioSaved);
  if (!r.ran) {
    ReportRunFault(Q(r.error));
    RefreshScenarioWindows();
    return;
  }
  AfterRun();
}

void TMainForm::MIRunIncreaseClick() { StepParameter(Increase); }

void TMainForm::MIRunDecreaseClick() { StepParameter(Decrease); }

void TMainForm::MIRunNextParameterClick() {
  int& p = ws_->state.SelParm;
  p = p < kParmCount ? p + 1 : 1;
}

void TMainForm::MIRunPreviousParameterClick() {
  int& p = ws_->state.SelParm;
  p = p >= 2 ? p - 1 : kParmCount;
}

// ---- Range and info week ----

static void ClampRange(ProgramState& st) {
  if (st.RangeFrom > st.RangeTill) st.RangeTill = st.RangeFrom;
}

void TMainForm::MINextRangeClick() {
  if (rangeDialog_ && rangeDialog_->modified()) {
    if (!rangeDialog_->Validate()) return;
    rangeDialog_->Apply();
  }
  ProgramState& st = ws_->state;
  const int from = st.RangeFrom, till = st.RangeTill;
  const int weeks = ws_->scenario.Weeks;
  const int width = st.RangeTill - st.RangeFrom + 1;
  if (st.RangeTill < weeks) {
    if (st.RangeTill + width > weeks) {
      st.RangeFrom = weeks - width + 1;
      st.RangeTill = weeks;
    } else {
      st.RangeFrom += width;
      st.RangeTill += width;
    }
  }
  ClampRange(st);
  if (st.RangeFrom != from || st.RangeTill != till) {
    if (rangeDialog_) rangeDialog_->Refresh();
    RefreshResultWindows();
  }
}

void TMainForm::MIPreviousRangeClick() {
  if (rangeDialog_ && rangeDialog_->modified()) {
    if (!rangeDialog_->Validate()) return;
    rangeDialog_->Apply();
  }
  ProgramState& st = ws_->state;
  const int from = st.RangeFrom, till = st.RangeTill;
  if (st.RangeFrom > 1) {
    const int width = st.RangeTill - st.RangeFrom + 1;
    if (st.RangeFrom - width < 1) {
      st.RangeFrom = 1;
      st.RangeTill = width;
    } else {
      st.RangeFrom -= width;
      st.RangeTill -= width;
    }
  }
  ClampRange(st);
  if (st.RangeFrom != from || st.RangeTill != till) {
    if (rangeDialog_) rangeDialog_->Refresh();
    RefreshResultWindows();
  }
}

void TMainForm::MIInfoViewClick() {
  if (infoView_) {
    infoView_->close();
    return;
  }
  infoView_ = new TInfoView(*ws_, this);
  infoView_->setWindowFlags(infoView_->windowFlags() | Qt::Tool | Qt::WindowStaysOnTopHint);
  connect(infoView_, &TIniForm::closing, this, &TMainForm::onChildClosing);
  if (ws_->options.has(kOptKeepWindowPos))
    RestoreWindowPosition(ini_, QStringLiteral("TInfoView"), infoView_);
  infoView_->show();
}

void TMainForm::MIIncrInfoWkClick() {
  if (!infoView_) return;
  int& w = ws_->state.InfoWeek;
  w = w < ws_->scenario.Weeks ? w + 1 : 1;
  infoView_->update();
}

void TMainForm::MIDecrInfoWkClick() {
  if (!infoView_) return;
  int& w = ws_->state.InfoWeek;
  w = w >= 2 ? w - 1 : std::max(1, ws_->scenario.Weeks);
  infoView_->update();
}

// ---- Save questions ----

bool TMainForm::SaveQuery(Doc d) {
  if (d == Doc::Scenario ? !CommitScenarioEditors() : !CommitSeriesEditor(SeriesOf(d))) return false;
  if (hasStatus(SavedBit(d))) return true;
  const QString text = d == Doc::Scenario ? QStringLiteral("Scenario has been modified. Save ?")
                                          : QString::fromLatin1(TextsOf(SeriesOf(d)).modified);
  switch (dialogs_->ask(BoxType::Warning, Buttons::YesNoCancel, text, QString())) {
  case Answer::Yes:
    if (d == Doc::Scenario)
      MIFileSaveClick();
    else
      SeriesSave(SeriesOf(d));
    return hasStatus(SavedBit(d));
  case Answer::No:
    return true;
  default:
    return false;
  }
}

bool TMainForm::SaveQueryAll() {
  for (int d = 0; d < kDocCount; ++d)
    if (!SaveQuery(static_cast<Doc>(d))) return false;
  return true;
}

// ---- Scenario ----

void TMainForm::MIFileOpenClick() {
  // The series editors choose the series to load once they exist.
  MIFileLoadClick();
}

void TMainForm::MIFileSaveAnyClick() { MIFileSaveAsClick(); }

void TMainForm::MIFileLoadClick() {
  if (!SaveQueryScenario()) return;
  const QString name =
      dialogs_->openFile({QStringLiteral("Load scenario"), dataDir(), QStringLiteral("*.DAT"),
                          QStringLiteral("Data files (*.DAT)"), QString()});
  if (name.isEmpty()) return;
  LoadScenarioWithCompanions(name);
}

bool TMainForm::LoadScenarioWithCompanions(const QString& fileName) {
  ProgramState& st = ws_->state;
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
  opt.par = ReadParIncludes(ini_);
  // The series asked about above are not asked about again.
  opt.mayReplace = [this, emptied](SeriesKind k) {
    return (emptied & SavedBit(DocOf(k))) != 0 || SaveQuery(DocOf(k));
  };
  const LoadOutcome r = kelmar::LoadScenarioWithCompanions(*ws_, S(fileName), opt);
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
  if (ws_->options.has(kOptCalcOnLoad) && CommitEditors()) RunWith([](Workspace& w) { RunModel(w); });
  return true;
}

void TMainForm::InsertScenario(bool append) {
  if (!SaveQueryScenario()) return;
  const QString name = dialogs_->openFile(
      {append ? QStringLiteral("Append scenario") : QStringLiteral("Insert scenario"), dataDir(),
       QStringLiteral("*.DAT"), QStringLiteral("Data files (*.DAT)"), QString()});
  if (name.isEmpty()) return;
  if (ws_->scenario.CropCount >= kMaxCrops || ws_->scenario.ApplCount >= kMaxAppls) {
    dialogs_->inform(BoxType::Information, QStringLiteral("No room for adding crops or applications."));
    return;
  }
  ws_->scenario.FileId.clear();
  try {
    const std::string older = kelmar::InsertScenario(*ws_, S(name), append);
    if (!older.empty() && ws_->state.ShowMessages) dialogs_->inform(BoxType::Information, Q(older));
  } catch (const InvalidFileId& e) {
    if (ws_->state.ShowMessages) ShowError(Q(e.what()));
    return;
  } catch (const std::exception& e) {
    ShowError((append ? QStringLiteral("Appending scenario ") : QStringLiteral("Inserting scenario ")) +
              name + QLatin1Char('\r') + Q(e.what()));
    return;
  }
  setStatus(kResultsStale);
  clearStatus(kScenarioSaved);
  RefreshScenarioWindows();
  if (ws_->options.has(kOptCalcOnLoad) && CommitEditors()) RunWith([](Workspace& w) { RunModel(w); });
}

bool TMainForm::SaveScenarioTo(const QString& path) {
  try {
    SaveScenario(*ws_, S(path));
  } catch (const std::exception& e) {
    ShowError(QStringLiteral("Saving scenario ") + path + QLatin1Char('\r') + Q(e.what()));
    return false;
  }
  setStatus(kScenarioSaved);
  if (!ws_->options.has(kOptNoParmBackup)) ws_->parms.Backup(ws_->scenario);
  return true;
}

void TMainForm::MIFileSaveClick() {
  const std::string& file = ws_->scenario.ScenarioFile;
  if (file == ws_->state.DataDir + "NEW.DAT") {
    MIFileSaveAsClick();
    return;
  }
  if (!CommitScenarioEditors()) return;
  if (FileExists(file) &&
      dialogs_->ask(BoxType::Warning, Buttons::OkCancel,
                    QStringLiteral("Scenario file already exists. Replace ?"), QString()) != Answer::Ok)
    return;
  SaveScenarioTo(Q(file));
}

void TMainForm::MIFileSaveAsClick() {
  if (!CommitScenarioEditors()) return;
  const QString name = ChooseOutputFile(QStringLiteral(".DAT"));
  if (name.isEmpty()) return;
  if (SaveScenarioTo(name)) RefreshScenarioWindows();
}

QString TMainForm::ChooseOutputFile(const QString& ext, bool extractRange) {
  const QString upper = ext.toUpper();
  QString title;
  QString initial;
  const ProgramState& st = ws_->state;
  const QString range = QStringLiteral("%1 - %2").arg(st.RangeFrom).arg(st.RangeTill);
  int series = -1;
  if (upper == QLatin1String(".ENV")) series = 0;
  if (upper == QLatin1String(".IRR")) series = 1;
  if (upper == QLatin1String(".MIN")) series = 2;
  if (upper == QLatin1String(".OM")) series = 3;
  if (upper == QLatin1String(".DAT")) {
    title = QStringLiteral("Save scenario");
    initial = Q(ws_->scenario.ScenarioFile);
  } else if (series >= 0) {
    const auto k = static_cast<SeriesKind>(series);
    title = extractRange ? QString::fromLatin1(TextsOf(k).saveRange) + range
                         : QString::fromLatin1(TextsOf(k).save);
    initial = Q(ws_->scenario.series(k).FileName);
  } else {
    title = QStringLiteral("Save to *") + ext + QStringLiteral(" file");
    initial = WithExt(Q(ws_->scenario.ScenarioFile), ext);
  }
  const QFileInfo fi(initial);
  QString dir = fi.path();
  if (dir.isEmpty() || dir == QLatin1String(".")) dir = dataDir();
  QString name = dialogs_->saveFile(
      {title, dir, fi.fileName(), QStringLiteral("*") + ext + QStringLiteral(" (*") + ext + QLatin1Char(')'),
       ext.mid(1)});
  if (name.isEmpty()) return {};
  name = WithExt(name, ext);
  if (QFileInfo::exists(name) &&
      dialogs_->ask(BoxType::Warning, Buttons::OkCancel,
                    QStringLiteral("File ") + name + QStringLiteral(" already exists. Replace ?"),
                    QString()) != Answer::Ok)
    return {};
  return name;
}

// ---- Series ----

void TMainForm::SeriesNew(SeriesKind k) {
  if (!SaveQuery(DocOf(k))) return;
  ResetSeries(*ws_, k);
  setStatus(SavedBit(DocOf(k)));
  // The measured series do not drive the model.
  if (k == SeriesKind::Environment || k == SeriesKind::Irrigation) setStatus(kResultsStale);
}

bool TMainForm::ReadSeriesFile(SeriesKind k, const QString& name, int startWeek) {
  // The file is read into a copy of the series first, so that a refused or
  // damaged file leaves the series in memory as it was.
  auto trial = std::make_unique<Workspace>(*ws_);
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
  for (size_t w = 1; w <= static_cast<size_t>(kMaxWeeks); ++w) ws_->weeks[w] = trial->weeks[w];
  ws_->scenario.series(k) = trial->scenario.series(k);
  return true;
}

void TMainForm::SeriesLoad(SeriesKind k) {
  if (!SaveQuery(DocOf(k))) return;
  const SeriesTexts& t = TextsOf(k);
  const QString name =
      dialogs_->openFile({QString::fromLatin1(t.load), dataDir(), QString::fromLatin1(t.pattern),
                          QString::fromLatin1(t.filter), QString()});
  if (name.isEmpty()) return;
  if (!ReadSeriesFile(k, name, 1)) return;
  setStatus(kResultsStale | SavedBit(DocOf(k)));
}

void TMainForm::SeriesInsert(SeriesKind k) {
  if (!SaveQuery(DocOf(k))) return;
  SeriesHeader& h = ws_->scenario.series(k);
  const std::optional<int> week = selectWeek_(std::max(1, h.InsertWeek), this);
  if (!week) return;
  h.InsertWeek = *week;
  const SeriesTexts& t = TextsOf(k);
  const QString name =
      dialogs_->openFile({QString::fromLatin1(t.insert) + QString::number(*week), dataDir(),
                          QString::fromLatin1(t.pattern), QString::fromLatin1(t.filter), QString()});
  if (name.isEmpty()) return;
  if (!ReadSeriesFile(k, name, *week)) return;
  setStatus(kResultsStale);
  clearStatus(SavedBit(DocOf(k)));
}

void TMainForm::SeriesSave(SeriesKind k) {
  const std::string file = ws_->scenario.series(k).FileName;
  if (Q(file) == newDocName(k) || file.empty()) {
    SeriesSaveAs(k);
    return;
  }
  if (!CommitSeriesEditor(k)) return;
  if (FileExists(file) && dialogs_->ask(BoxType::Warning, Buttons::OkCancel,
                                        QString::fromLatin1(TextsOf(k).exists), QString()) != Answer::Ok)
    return;
  try {
    const SeriesSaveResult r = SaveSeries(*ws_, k, file, false);
    if (!r.written) {
      dialogs_->inform(BoxType::Information, Q(r.message));
      return;
    }
  } catch (const std::exception& e) {
    ShowError(QStringLiteral("Saving ") + Q(file) + QLatin1Char('\r') + Q(e.what()));
    return;
  }
  setStatus(SavedBit(DocOf(k)));
}

void TMainForm::SeriesSaveAs(SeriesKind k) { SeriesSaveAsImpl(k, false); }
void TMainForm::SeriesExtract(SeriesKind k) { SeriesSaveAsImpl(k, true); }

void TMainForm::SeriesSaveAsImpl(SeriesKind k, bool extract) {
  if (!CommitSeriesEditor(k)) return;
  if (CountSeriesData(*ws_, k) < 1) {
    dialogs_->inform(BoxType::Information, Q(NoSeriesDataMessage(k, true)));
    return;
  }
  const QString name = ChooseOutputFile(Q(std::string(SeriesExtension(k))), extract);
  if (name.isEmpty()) return;
  try {
    const ProgramState& st = ws_->state;
    const SeriesSaveResult r = extract ? ExtractSeries(*ws_, k, S(name), st.RangeFrom, st.RangeTill)
                                       : SaveSeries(*ws_, k, S(name), true);
    if (!r.written) {
      dialogs_->inform(BoxType::Information, Q(r.message));
      return;
    }
  } catch (const std::exception& e) {
    ShowError(QStringLiteral("Saving ") + name + QLatin1Char('\r') + Q(e.what()));
    return;
  }
  if (!extract) setStatus(SavedBit(DocOf(k)));
}

// ---- Shift, results, summary, directory ----

void TMainForm::ShiftRotation(int delta) {
  const QString q = delta > 0 ? QStringLiteral("Increase all crops and applications by 1 year?")
                              : QStringLiteral("Decrease all crops and applications by 1 year?");
  if (dialogs_->ask(BoxType::Confirmation, Buttons::OkCancel, q, QString()) != Answer::Ok) return;
  if (!CommitEditors()) return;
  auto wrap = [delta](int32_t& y) {
    y += delta;
    if (y > 520) y = 1;
    if (y < 1) y = 520;
  };
  Scenario& s = ws_->scenario;
  for (int i = 1; i <= s.CropCount; ++i) wrap(s.Crops[static_cast<size_t>(i)].YEAR);
  // Applications 1..3 are the initial organic-matter pools and keep their year.
  for (int i = 4; i <= s.ApplCount; ++i) wrap(s.Appls[static_cast<size_t>(i)].YR);
  setStatus(kResultsStale);
  clearStatus(kScenarioSaved);
  RefreshScenarioWindows();
}

bool TMainForm::ResultsMayBeStale() {
  if (!hasStatus(kResultsStale)) return true;
  return dialogs_->ask(BoxType::Warning, Buttons::OkCancel,
                       QStringLiteral("Results may not be up to date. Continue anyway ?"),
                       QString()) == Answer::Ok;
}

void TMainForm::MIFileSaveResultsClick() {
  if (!CommitEditors()) return;
  if (!ResultsMayBeStale()) return;
  const Output out = OpenOutput(false, QStringLiteral(".PRN"));
  if (!out.ok) return;
  OutText text(false);
  WriteTable(*ws_, text, kTableGraphData, ws_->state.RangeFrom, ws_->state.RangeTill);
  FinishOutput(out, text);
}

void TMainForm::MIFileSaveSummaryClick() {
  if (!CommitEditors()) return;
  if (hasStatus(kResultsStale)) {
    dialogs_->inform(BoxType::Plain, QStringLiteral("Can not save uncalculated summary !"));
    return;
  }
  QString name = dialogs_->saveFile({QStringLiteral("Save Summary"), dataDir(), QStringLiteral("KELMAR.SUM"),
                                     QStringLiteral("Summaries (*.SUM)"), QStringLiteral("SUM")});
  if (name.isEmpty()) return;
  name = WithExt(name, QStringLiteral(".SUM"));
  bool newFile = false;
  if (QFileInfo::exists(name)) {
    switch (dialogs_->ask(BoxType::Warning, Buttons::YesNoCancel,
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
    AppendSummary(*ws_, S(name), newFile);
  } catch (const std::exception& e) {
    ShowError(QStringLiteral("Saving ") + name + QLatin1Char('\r') + Q(e.what()));
  }
}

void TMainForm::MIFileChangeDirClick() {
  const QString dir = dialogs_->chooseDirectory(QStringLiteral("Change dir"), QDir::currentPath());
  if (dir.isEmpty() || !QDir::setCurrent(dir)) return;
  QString cur = QDir::currentPath();
  if (!cur.endsWith(QLatin1Char('/'))) cur += QLatin1Char('/');
  ws_->state.CurrentDir = S(cur);
  RefreshScenarioWindows();
}

// ---- Output and printing ----

Output TMainForm::OpenOutput(bool toPrinter, const QString& ext) {
  Output out;
  if (toPrinter && ws_->options.PrntType != 2) {
    out.printer = true;
    out.listing = true;
    if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (QPrinterInfo::availablePrinters().isEmpty()) {
      // No printer on this machine: the printout goes to a PDF file.
      QString pdf = dialogs_->saveFile(
          {QStringLiteral("Print to PDF file"), dataDir(),
           QFileInfo(WithExt(Q(ws_->scenario.ScenarioFile), QStringLiteral(".pdf"))).fileName(),
           QStringLiteral("PDF files (*.pdf)"), QStringLiteral("pdf")});
      if (pdf.isEmpty()) return out;
      out.file = pdf;
    }
    out.ok = true;
    return out;
  }
  out.file = ChooseOutputFile(ext);
  out.ok = !out.file.isEmpty();
  return out;
}

bool TMainForm::FinishOutput(const Output& out, const OutText& text) {
  if (!out.ok) return false;
  if (!out.printer) {
    try {
      WriteFileAtomic(S(out.file), text.text());
    } catch (const std::exception& e) {
      ShowError(QStringLiteral("Saving ") + out.file + QLatin1Char('\r') + Q(e.what()));
      return false;
    }
    return true;
  }
  QPrinter* p = printer_.get();
  std::unique_ptr<QPrinter> pdf;
  if (!out.file.isEmpty()) {
    pdf = std::make_unique<QPrinter>(QPrinter::HighResolution);
    pdf->setOutputFormat(QPrinter::PdfFormat);
    pdf->setOutputFileName(out.file);
    p = pdf.get();
  }
  p->setDocName(QStringLiteral("Kelmar"));
  if (!PrintText(*p, text.text())) {
    ShowError(QStringLiteral("The printer could not be started."));
    return false;
  }
  return true;
}

void TMainForm::PrintData(Doc d) {
  if (d != Doc::Scenario) {
    const SeriesKind k = SeriesOf(d);
    if (!CommitSeriesEditor(k)) return;
    if (CountSeriesData(*ws_, k) < 1) {
      dialogs_->inform(BoxType::Information, Q(NoSeriesDataMessage(k, true)));
      return;
    }
  } else if (!CommitScenarioEditors()) {
    return;
  }
  const Output out = OpenOutput(true, QStringLiteral(".PRN"));
  if (!out.ok) return;
  OutText text(out.listing);
  if (d == Doc::Scenario)
    WriteScenario(*ws_, text);
  else
    WriteSeries(*ws_, SeriesOf(d), text, 1, kMaxWeeks);
  FinishOutput(out, text);
}

void TMainForm::PrintTable(int kind) {
  if (!CommitEditors()) return;
  if (!ResultsMayBeStale()) return;
  // The balance windows are opened first, so that the user sees what is printed.
  if (kind == kSummaryNmVsNi && !corrView_) ShowCorrView();
  if (kind == kSummaryMineralBalance && !npkView_) ShowNPKView();
  const Output out = OpenOutput(true, QStringLiteral(".PRN"));
  if (!out.ok) return;
  OutText text(out.listing);
  WriteTable(*ws_, text, kind, ws_->state.RangeFrom, ws_->state.RangeTill);
  FinishOutput(out, text);
}

void TMainForm::MIPrintPrintClick() {
  TIniForm* form = activeForm();
  auto* view = qobject_cast<TTextView*>(form);
  if (!view) return; // the Range dialog and windows without a printout print nothing
  const QString q = QStringLiteral("Print \"") + view->windowTitle() + QStringLiteral("\" ?");
  if (dialogs_->ask(BoxType::Confirmation, Buttons::OkCancel, q, QString()) != Answer::Ok) return;
  PrintTable(view->PrintKind());
}

} // namespace kelmar::gui
