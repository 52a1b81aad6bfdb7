#include "editors/DirEdit.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "Workspace.h"
#include "data/Errors.h"
#include "data/FileSystem.h"
#include "data/ScenarioFile.h"
#include "data/TextFormat.h"
#include "dialogs/UserDialogs.h"
#include "documents/DocumentSet.h"
#include "model/Driver.h"
#include "run/RunControl.h"
#include "shell/Services.h"
#include "shell/WindowRegistry.h"

namespace kelmar::gui {

namespace {

DirEditExec& Exec() {
  static DirEditExec exec = [](TDirEditDialog& d) { d.exec(); };
  return exec;
}

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The items of a target in a scenario: the one field (plain), or every
// record whose name is the target's name.
std::vector<int> ItemsOf(const DirEditTarget& t, const Scenario& s) {
  if (t.mode == DirEditTarget::Mode::Plain) return {0};
  std::vector<int> items;
  const bool crops = t.mode == DirEditTarget::Mode::Crop;
  const int count = crops ? s.CropCount : s.ApplCount;
  for (int i = 1; i <= count; ++i) {
    const std::string n = crops ? std::string(s.Crops[static_cast<size_t>(i)].Name)
                                : std::string(s.Appls[static_cast<size_t>(i)].Name);
    if (Q(Trim(n)).toUpper() == t.name) items.push_back(i);
  }
  return items;
}

// Reads a scenario file into a workspace of its own; the error, or empty.
QString Read(Workspace& ws, const QString& file, bool& current) {
  current = false;
  try {
    LoadScenario(ws, file.toStdString());
  } catch (const InvalidFileId&) {
    return {}; // not a scenario of this program: left out
  } catch (const std::exception& e) {
    return Q(e.what()).replace(QLatin1Char('\r'), QLatin1Char(' '));
  }
  current = ws.scenario.FileId == kScenarioId;
  return {};
}

} // namespace

void SetDirEditExec(DirEditExec exec) { Exec() = std::move(exec); }

std::vector<DirEditLine> ScanScenarioFile(const DirEditTarget& t, const QString& file) {
  auto ws = MakeWorkspace();
  bool current = false;
  const QString error = Read(*ws, file, current);
  if (!error.isEmpty()) return {{file, 0, {}, error}};
  if (!current) return {};
  std::vector<DirEditLine> lines;
  for (int item : ItemsOf(t, ws->scenario))
    lines.push_back({file, item, QString::fromStdString(t.field.text(ws->scenario, item)), {}});
  return lines;
}

QString ReplaceInScenarioFile(const DirEditTarget& t, const QString& file, int item) {
  double v = 0;
  if (!t.field.parse(t.newValue.toStdString(), v)) return QString::fromStdString(t.field.limitMessage());
  auto ws = MakeWorkspace();
  bool current = false;
  QString error = Read(*ws, file, current);
  if (!error.isEmpty()) return error;
  if (!current) return QStringLiteral("Invalid file ID: ") + Q(ws->scenario.FileId);
  Scenario& s = ws->scenario;
  const int count = t.mode == DirEditTarget::Mode::Crop ? s.CropCount : s.ApplCount;
  std::vector<int> items = item > 0 ? std::vector<int>{item} : ItemsOf(t, s);
  if (t.mode != DirEditTarget::Mode::Plain && item > count) return QStringLiteral("No record %1").arg(item);
  if (items.empty()) return {};
  for (int i : items) t.field.set(s, i, v);
  try {
    SaveScenario(*ws, file.toStdString());
  } catch (const std::exception& e) {
    return Q(e.what()).replace(QLatin1Char('\r'), QLatin1Char(' '));
  }
  return {};
}

QString DirEditLineText(const DirEditLine& line) {
  QString name = QFileInfo(line.file).completeBaseName();
  if (name.size() > kNameWidth) name = name.left(kNameWidth);
  QString text = name.leftJustified(21) + QStringLiteral("%1").arg(line.item, 3) + QLatin1Char(' ');
  return line.error.isEmpty() ? text + line.value : text + QStringLiteral("! ") + line.error;
}

TDirEditDialog::TDirEditDialog(Services& s, const DirEditTarget& target, QWidget* parent)
    : QDialog(parent), s_(s), t_(target) {
  setWindowTitle(QStringLiteral("Directory Edit"));
  setObjectName(QStringLiteral("TDirEditDialog"));
  auto* top = new QVBoxLayout(this);
  auto* head = new QGridLayout;
  head->addWidget(new QLabel(QStringLiteral("Name:"), this), 0, 0);
  head->addWidget(new QLabel(t_.name, this), 0, 1);
  head->addWidget(new QLabel(QStringLiteral("Label:"), this), 1, 0);
  head->addWidget(new QLabel(t_.label, this), 1, 1);
  auto* value = new QLabel(t_.newValue, this);
  value->setObjectName(QStringLiteral("NewValue"));
  head->addWidget(value, 1, 2);
  top->addLayout(head);
  auto* caption =
      new QLabel(QStringLiteral("F&ileName") + QString(13, QLatin1Char(' ')) + QStringLiteral("Nr"), this);
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setPointSize(10);
  caption->setFont(fixed);
  top->addWidget(caption);
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("List"));
  list_->setFont(fixed);
  list_->setMinimumSize(420, 260);
  caption->setBuddy(list_);
  top->addWidget(list_, 1);
  auto* buttons = new QHBoxLayout;
  struct B {
    const char* name;
    const char* caption;
    const char* hint;
    void (TDirEditDialog::*fn)();
  };
  const B bs[] = {
      {"ReplaceAll", "Replace &All", "Replace parameter value in all files in current directory",
       &TDirEditDialog::replaceAll},
      {"ReplaceFile", "Replace &File", "Replace parameter value in selected file",
       &TDirEditDialog::replaceFile},
      {"Replace", "&Replace", "Replace parameter value", &TDirEditDialog::replace},
      {"Goto", "&Goto", "Load selected scenario and close dialog", &TDirEditDialog::goTo},
      {"Quit", "&Quit", "Close directory edit dialog", nullptr},
  };
  for (const B& b : bs) {
    auto* button = new QPushButton(QString::fromLatin1(b.caption), this);
    button->setObjectName(QString::fromLatin1(b.name));
    button->setToolTip(QString::fromLatin1(b.hint));
    button->setAutoDefault(false);
    if (b.fn)
      connect(button, &QPushButton::clicked, this, b.fn);
    else
      connect(button, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(button);
  }
  top->addLayout(buttons);
  connect(list_, &QListWidget::itemDoubleClicked, this, &TDirEditDialog::goTo);
  scan();
}

void TDirEditDialog::scan() {
  lines_.clear();
  for (const std::string& f : ListFiles(s_.ws.state.DataDir, ".DAT"))
    for (DirEditLine& l : ScanScenarioFile(t_, Q(f))) lines_.push_back(std::move(l));
  std::stable_sort(lines_.begin(), lines_.end(), [](const DirEditLine& a, const DirEditLine& b) {
    return DirEditLineText(a) < DirEditLineText(b);
  });
  showLines();
  if (!lines_.empty()) list_->setCurrentRow(0);
}

void TDirEditDialog::showLines() {
  const int row = list_->currentRow();
  list_->clear();
  for (const DirEditLine& l : lines_) list_->addItem(DirEditLineText(l));
  if (row >= 0 && row < list_->count()) list_->setCurrentRow(row);
}

int TDirEditDialog::selected() const {
  const int row = list_->currentRow();
  return row >= 0 && row < static_cast<int>(lines_.size()) ? row : -1;
}

void TDirEditDialog::report(const QStringList& failures) {
  if (!failures.isEmpty())
    s_.dialogs.inform(BoxType::Error,
                      QStringLiteral("Not replaced in:\r") + failures.join(QLatin1Char('\r')));
}

void TDirEditDialog::replaceAll() {
  const QString dir = Q(s_.ws.state.DataDir);
  if (s_.dialogs.ask(BoxType::Warning, Buttons::OkCancel,
                     QStringLiteral("Replace ") + t_.label +
                         QStringLiteral(" in all datafiles in the directory:\n\r") + dir +
                         QStringLiteral("\n\rwith the value: ") + t_.newValue + QStringLiteral(" ?"),
                     QString()) != Answer::Ok)
    return;
  QStringList failures;
  for (const std::string& f : ListFiles(s_.ws.state.DataDir, ".DAT")) {
    const QString file = Q(f);
    // Files left out of the list (another identifier) are not touched.
    const bool listed = std::any_of(lines_.begin(), lines_.end(), [&](const DirEditLine& l) {
      return l.file == file && l.error.isEmpty();
    });
    if (!listed) continue;
    const QString error = ReplaceInScenarioFile(t_, file, 0);
    if (error.isEmpty()) written_ << file;
    for (DirEditLine& l : lines_)
      if (l.file == file) error.isEmpty() ? (void)(l.value = t_.newValue) : (void)(l.error = error);
    if (!error.isEmpty()) failures << QFileInfo(file).fileName() + QStringLiteral(": ") + error;
  }
  showLines();
  report(failures);
}

void TDirEditDialog::replaceFile() {
  const int i = selected();
  if (i < 0 || !lines_[static_cast<size_t>(i)].error.isEmpty()) return;
  const QString file = lines_[static_cast<size_t>(i)].file;
  const QString error = ReplaceInScenarioFile(t_, file, 0);
  if (error.isEmpty()) written_ << file;
  for (DirEditLine& l : lines_)
    if (l.file == file) error.isEmpty() ? (void)(l.value = t_.newValue) : (void)(l.error = error);
  showLines();
  if (!error.isEmpty()) report({QFileInfo(file).fileName() + QStringLiteral(": ") + error});
}

void TDirEditDialog::replace() {
  const int i = selected();
  if (i < 0 || !lines_[static_cast<size_t>(i)].error.isEmpty()) return;
  DirEditLine& l = lines_[static_cast<size_t>(i)];
  const QString error = ReplaceInScenarioFile(t_, l.file, t_.mode == DirEditTarget::Mode::Plain ? 0 : l.item);
  if (error.isEmpty()) {
    written_ << l.file;
    l.value = t_.newValue;
  } else {
    l.error = error;
  }
  showLines();
  if (!error.isEmpty()) report({QFileInfo(l.file).fileName() + QStringLiteral(": ") + error});
}

void TDirEditDialog::goTo() {
  const int i = selected();
  if (i < 0 || !lines_[static_cast<size_t>(i)].error.isEmpty()) return;
  goto_ = i;
  accept();
}

void RunDirEdit(Services& s, TMyDialog* editor) {
  if (!s.ws.options.has(kOptDirEdit)) return;
  if (!editor) editor = qobject_cast<TMyDialog*>(s.windows->active());
  auto* source = dynamic_cast<DirEditSource*>(editor);
  if (!source || !editor->Validate()) return;
  DirEditTarget t;
  if (!source->dirEditTarget(t)) return;
  // What the user typed into the open scenario is kept there: the list is
  // read from the files, and the scenario is read again afterwards only when
  // it holds no unsaved change.
  if (editor->modified()) editor->Apply();
  if (!s.docs->CommitScenarioEditors()) return;
  const std::string before = s.ws.scenario.ScenarioFile;
  TDirEditDialog d(s, t, s.window);
  s.ws.state.ShowMessages = false;
  Exec()(d);
  s.ws.state.ShowMessages = true;

  if (d.gotoLine() >= 0) {
    const DirEditLine& l = d.lines()[static_cast<size_t>(d.gotoLine())];
    if (!s.docs->SaveQuery(Doc::Scenario)) return;
    if (!s.docs->LoadScenarioWithCompanions(l.file)) return;
    if (t.mode == DirEditTarget::Mode::Crop) s.ws.state.SelCrop = l.item;
    if (t.mode == DirEditTarget::Mode::Application) s.ws.state.SelAppl = l.item;
    s.docs->RefreshScenarioWindows();
    return;
  }
  const QString own = Q(before);
  const bool rewritten = std::any_of(d.written().begin(), d.written().end(), [&](const QString& f) {
    return QFileInfo(f).absoluteFilePath() == QFileInfo(own).absoluteFilePath();
  });
  // The open scenario's file changed under it: read it again, unless that
  // would throw away the user's unsaved changes.
  if (!rewritten || !(s.ws.state.DocStatus & kScenarioSaved)) return;
  try {
    LoadScenario(s.ws, before);
  } catch (const std::exception& e) {
    s.dialogs.inform(BoxType::Error, QStringLiteral("Loading ") + own + QLatin1Char('\r') + Q(e.what()));
    return;
  }
  s.ws.state.DocStatus |= kScenarioSaved | kResultsStale;
  s.docs->RefreshScenarioWindows();
  if (!s.ws.options.has(kOptNoParmBackup)) s.ws.parms.Backup(s.ws.scenario);
}

} // namespace kelmar::gui
