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
#include "data/FileSystem.h"
#include "data/ScenarioFile.h"
#include "dialogs/UserDialogs.h"
#include "documents/DocumentSet.h"
#include "shell/Services.h"
#include "shell/WindowRegistry.h"

namespace kelmar::gui {

namespace {

DirEditExec& Exec() {
  static DirEditExec exec = [](TDirEditDialog& d) { d.exec(); };
  return exec;
}

QString Q(const std::string& s) { return QString::fromStdString(s); }

} // namespace

void SetDirEditExec(DirEditExec exec) { Exec() = std::move(exec); }

TDirEditDialog::TDirEditDialog(Services& s, const DirEditTarget& target, QWidget* parent)
    : QDialog(parent), s_(s), t_(target) {
  setWindowTitle(QStringLiteral("Directory Edit"));
  setObjectName(QStringLiteral("TDirEditDialog"));
  auto* top = new QVBoxLayout(this);
  auto* head = new QGridLayout;
  head->addWidget(new QLabel(QStringLiteral("Name:"), this), 0, 0);
  head->addWidget(new QLabel(Q(t_.name).toUpper(), this), 0, 1);
  head->addWidget(new QLabel(QStringLiteral("Label:"), this), 1, 0);
  head->addWidget(new QLabel(Q(t_.label), this), 1, 1);
  auto* value = new QLabel(Q(t_.newValue), this);
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
  lines_ = ScanScenarioDirectory(t_, s_.ws.state.DataDir);
  showLines();
  if (!lines_.empty()) list_->setCurrentRow(0);
}

void TDirEditDialog::showLines() {
  const int row = list_->currentRow();
  list_->clear();
  for (const DirEditLine& l : lines_) list_->addItem(Q(DirEditLineText(l)));
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
                     QStringLiteral("Replace ") + Q(t_.label) +
                         QStringLiteral(" in all datafiles in the directory:\n\r") + dir +
                         QStringLiteral("\n\rwith the value: ") + Q(t_.newValue) + QStringLiteral(" ?"),
                     QString()) != Answer::Ok)
    return;
  QStringList failures;
  for (const std::string& file : ListFiles(s_.ws.state.DataDir, ".DAT")) {
    // Files left out of the list (another identifier) are not touched.
    const bool listed = std::any_of(lines_.begin(), lines_.end(),
                                    [&](const DirEditLine& l) { return l.file == file && l.error.empty(); });
    if (!listed) continue;
    const std::string error = ReplaceInScenarioFile(t_, file, 0);
    noteResult(file, error, 0);
    if (!error.empty()) failures << Q(ExtractFileName(file) + ": " + error);
  }
  showLines();
  report(failures);
}

void TDirEditDialog::replaceFile() {
  const int i = selected();
  if (i < 0 || !lines_[static_cast<size_t>(i)].error.empty()) return;
  const std::string file = lines_[static_cast<size_t>(i)].file;
  const std::string error = ReplaceInScenarioFile(t_, file, 0);
  noteResult(file, error, 0);
  showLines();
  if (!error.empty()) report({Q(ExtractFileName(file) + ": " + error)});
}

void TDirEditDialog::replace() {
  const int i = selected();
  if (i < 0 || !lines_[static_cast<size_t>(i)].error.empty()) return;
  const DirEditLine l = lines_[static_cast<size_t>(i)];
  const int item = t_.mode == DirEditTarget::Mode::Plain ? 0 : l.item;
  const std::string error = ReplaceInScenarioFile(t_, l.file, item);
  noteResult(l.file, error, item);
  showLines();
  if (!error.empty()) report({Q(ExtractFileName(l.file) + ": " + error)});
}

void TDirEditDialog::noteResult(const std::string& file, const std::string& error, int item) {
  if (error.empty()) written_ << Q(file);
  for (DirEditLine& l : lines_) {
    if (l.file != file || (item > 0 && l.item != item)) continue;
    if (error.empty())
      l.value = t_.newValue;
    else
      l.error = error;
  }
}

void TDirEditDialog::goTo() {
  const int i = selected();
  if (i < 0 || !lines_[static_cast<size_t>(i)].error.empty()) return;
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
    if (!s.docs->LoadScenarioWithCompanions(Q(l.file))) return;
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
