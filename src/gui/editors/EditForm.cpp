#include "editors/EditForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include "Workspace.h"
#include "data/TextFormat.h"
#include "shell/Services.h"
#include "widgets/NumInput.h"

namespace kelmar::gui {

void StoreName(Name20& field, const QString& text) {
  const std::string n = LeftTrim(text.toStdString());
  field = PadRight(n.substr(0, std::min<size_t>(n.size(), kNameWidth)), kNameWidth);
}

TFormEditor::TFormEditor(Services& s, QWidget* parent) : TMyDialog(parent), s_(s) {}

TzkNumInp* TFormEditor::addInput(QGridLayout* grid, int row, int col, const ScenarioField& f) {
  auto* edit = new TzkNumInp(s_.dialogs, this);
  edit->setObjectName(QString::fromStdString(f.key));
  edit->setLimits(f.limits);
  edit->setAlignment(Qt::AlignRight);
  edit->setMaximumWidth(90);
  auto* label = new QLabel(QString::fromStdString(f.caption), this);
  label->setBuddy(edit);
  grid->addWidget(label, row, col);
  grid->addWidget(edit, row, col + 1);
  if (!f.unit.empty()) grid->addWidget(new QLabel(QString::fromStdString(f.unit), this), row, col + 2);
  connect(edit, &QLineEdit::textEdited, this, [this] { setModified(true); });
  inputs_.push_back({f, edit, label, {}});
  return edit;
}

QLineEdit* TFormEditor::addName(QGridLayout* grid, int row, int col, const QString& caption,
                                Name20* (*field)(Scenario&, int), int itemNo) {
  auto* edit = new QLineEdit(this);
  edit->setMaxLength(kNameWidth);
  auto* label = new QLabel(caption, this);
  label->setBuddy(edit);
  grid->addWidget(label, row, col);
  grid->addWidget(edit, row, col + 1);
  connect(edit, &QLineEdit::textEdited, this, [this] { setModified(true); });
  names_.push_back({edit, field, itemNo, {}});
  return edit;
}

TzkNumInp* TFormEditor::input(const QString& key) const {
  for (const Input& in : inputs_)
    if (QString::fromStdString(in.def.key) == key) return in.edit;
  return nullptr;
}

void TFormEditor::Refresh() {
  Scenario& sc = s_.ws.scenario;
  for (Input& in : inputs_) {
    in.edit->setValue(in.def.get(sc, item()));
    in.shown = in.edit->text();
  }
  for (NameInput& n : names_) {
    n.edit->setText(QString::fromStdString(Trim(std::string_view(*n.field(sc, n.item)))));
    n.shown = n.edit->text();
  }
  TMyDialog::Refresh();
}

bool TFormEditor::Validate() {
  for (Input& in : inputs_) {
    if (in.edit->text() == in.shown) continue;
    double v = 0;
    if (in.def.parse(in.edit->text().toStdString(), v)) continue;
    in.edit->check(); // reports the refusal
    in.edit->setFocus();
    in.edit->selectAll();
    return false;
  }
  return true;
}

void TFormEditor::Apply() {
  Scenario& sc = s_.ws.scenario;
  for (Input& in : inputs_) {
    if (in.edit->text() == in.shown) continue;
    double v = 0;
    if (!in.def.parse(in.edit->text().toStdString(), v)) continue; // never stores a refused value
    in.def.set(sc, item(), v);
    in.edit->setValue(in.def.get(sc, item()));
    in.shown = in.edit->text();
  }
  for (NameInput& n : names_) {
    if (n.edit->text() == n.shown) continue;
    StoreName(*n.field(sc, n.item), n.edit->text());
    n.shown = n.edit->text();
  }
  markChanged();
  TMyDialog::Apply();
}

void TFormEditor::markChanged() {
  s_.ws.state.DocStatus |= kResultsStale;
  s_.ws.state.DocStatus &= ~kScenarioSaved;
  if (s_.scheduleIdle) s_.scheduleIdle();
}

void TFormEditor::Undo() {
  if (!modified()) return;
  Refresh();
}

bool TFormEditor::dirEditTarget(DirEditTarget& t) {
  QWidget* f = focusWidget();
  for (const Input& in : inputs_) {
    if (in.edit != f) continue;
    t.mode = dirEditMode();
    t.name = dirEditName().left(kNameWidth).toStdString();
    t.label = QString::fromStdString(in.def.caption).remove(QLatin1Char('&')).left(40).toStdString();
    t.newValue = in.edit->text().trimmed().toStdString();
    t.field = in.def;
    t.item = item();
    return true;
  }
  return false;
}

void TFormEditor::closeEvent(QCloseEvent* e) {
  if (modified()) {
    if (!Validate()) {
      e->ignore();
      return;
    }
    Apply();
  }
  TMyDialog::closeEvent(e);
}

void TFormEditor::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_F1 && e->modifiers() == Qt::NoModifier && s_.showHelp && HelpContext()) {
    s_.showHelp(HelpContext());
    return;
  }
  TMyDialog::keyPressEvent(e);
}

} // namespace kelmar::gui
