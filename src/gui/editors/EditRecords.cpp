#include "editors/EditRecords.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "Workspace.h"
#include "data/Columns.h"
#include "data/FieldLimits.h"
#include "data/TextFormat.h"
#include "dialogs/UserDialogs.h"
#include "editors/DirEdit.h"
#include "editors/EditParm.h"
#include "editors/EditSoil.h"
#include "editors/LibrarySelect.h"
#include "model/Driver.h"
#include "shell/Services.h"
#include "widgets/Grid.h"

namespace kelmar::gui {

namespace {

QString L(const char* s) { return QString::fromLatin1(s); }

} // namespace

// ---- The record editors ----

TRecordEditor::TRecordEditor(Services& s, RecordKind kind, QWidget* parent)
    : TEditorBase(s, Doc::Scenario, parent), kind_(kind),
      fields_(kind == RecordKind::Crop ? CropGridFields() : ApplGridFields()) {
  const bool crops = kind == RecordKind::Crop;
  setWindowTitle(crops ? L("Crops") : L("Applications"));
  auto* top = new QVBoxLayout(this);
  top->setContentsMargins(2, 2, 2, 2);
  top->addWidget(speedBar());

  model_ = new GridModel(this);
  std::vector<GridColumn> cols;
  GridColumn nr{QString(), QString(), FieldLimits{FieldType::Text, 0, 0, 0}, 24};
  nr.text = [](int row) { return QString::number(row + 1); };
  cols.push_back(nr);
  const QFontMetrics fm(font());
  GridColumn name{L("Name"), crops ? L("Crop name") : L("Application name"),
                  FieldLimits{FieldType::Text, 0, 0, 0},
                  std::max(128, fm.horizontalAdvance(QStringLiteral("Young Organic Matter")) + 12)};
  name.text = [this](int row) {
    Scenario& sc = s_.ws.scenario;
    const std::string_view n = kind_ == RecordKind::Crop
                                   ? std::string_view(sc.Crops[static_cast<size_t>(row + 1)].Name)
                                   : std::string_view(sc.Appls[static_cast<size_t>(row + 1)].Name);
    return QString::fromStdString(Trim(n));
  };
  name.setText = [this](int row, const QString& t) {
    Scenario& sc = s_.ws.scenario;
    StoreName(kind_ == RecordKind::Crop ? sc.Crops[static_cast<size_t>(row + 1)].Name
                                        : sc.Appls[static_cast<size_t>(row + 1)].Name,
              t);
  };
  cols.push_back(name);
  // The narrow widths of the columns grow to what their largest value
  // needs in the font of this screen.
  for (const ScenarioField& f : fields_) {
    const FieldLimits& lim = f.limits;
    const int digits =
        QString::number(static_cast<long long>(lim.max)).size() + (lim.decimals ? lim.decimals + 1 : 0);
    const int need = fm.horizontalAdvance(QString(digits, QLatin1Char('0'))) + 12;
    GridColumn c{QString::fromStdString(f.caption), QString::fromStdString(f.unit), lim,
                 std::max(f.whole() ? 36 : 52, need)};
    c.value = [this, f](int row) { return f.get(s_.ws.scenario, row + 1); };
    c.setValue = [this, f](int row, double v) { f.set(s_.ws.scenario, row + 1, v); };
    cols.push_back(c);
  }
  model_->setColumns(std::move(cols));
  model_->setRowSource([this] { return count(); });
  view_ = new GridView(s_.dialogs, this);
  view_->setObjectName(L("Grid"));
  view_->setGridModel(model_);
  view_->setFixedColumns(2);
  top->addWidget(view_, 1);
  status_ = new QLabel(this);
  status_->setObjectName(L("Status"));
  top->addWidget(status_);

  addCommand("Add", "&Add...", "Add record from standard file", &TRecordEditor::add);
  addCommand("Delete", "&Delete...", "Delete record", &TRecordEditor::deleteRecord);
  QAction* close = addCommand("Close", "Cl&ose", "Close dialog", nullptr);
  connect(close, &QAction::triggered, this, [this] { closeWindow(); });
  addCommand("Copy", "&Copy", "Copy selected record(s)", &TRecordEditor::copy);
  addCommand("Paste", "Pas&te", "Append copied record(s)", &TRecordEditor::paste);
  addCommand("Sort", "&Sort", "Sort records", &TRecordEditor::sort);
  addCommand("SelectWeek", "Select &week...", "Select week", &TRecordEditor::selectWeek);
  addCommand("File", "&File...", "Select standard file", &TRecordEditor::chooseFile);
  QAction* lock = new QAction(L("Lock"), this);
  lock->setObjectName(L("Lock"));
  lock->setToolTip(L("Lock/unlock name column"));
  lock->setCheckable(true);
  lock->setChecked(true);
  // Locked, the name scrolls with the record number; unlocked, it scrolls
  // away with the other fields.
  connect(lock, &QAction::toggled, this, [this](bool on) { view_->setFixedColumns(on ? 2 : 1); });
  speedBar()->addAction(lock);
  popupMenu()->addAction(lock);
  if (view_->lockButton()) view_->lockButton()->hide(); // the speed bar carries the lock

  connect(view_, &GridView::currentRowChanged, this, [this](int row) {
    if (row >= 0) selected() = row + 1;
  });
  connect(model_, &GridModel::cellEdited, this, [this] {
    markChanged();
    setModified(false);
  });
  // Typing in a cell is a pending edit the shell must commit.
  view_->viewport()->installEventFilter(this);
}

bool TRecordEditor::eventFilter(QObject* obj, QEvent* e) {
  if (e->type() == QEvent::ChildPolished)
    if (auto* edit = qobject_cast<GridCellEdit*>(static_cast<QChildEvent*>(e)->child());
        edit && !edit->property("kelmarWatched").toBool()) {
      edit->setProperty("kelmarWatched", true);
      connect(edit, &QLineEdit::textEdited, this, [this] { setModified(true); });
    }
  return TEditorBase::eventFilter(obj, e);
}

QAction* TRecordEditor::addCommand(const char* name, const char* caption, const char* hint,
                                   void (TRecordEditor::*fn)()) {
  return TEditorBase::addCommand(L(name), L(caption), L(hint), [this, fn] {
    if (fn) (this->*fn)();
  });
}

int TRecordEditor::count() const {
  return kind_ == RecordKind::Crop ? s_.ws.scenario.CropCount : s_.ws.scenario.ApplCount;
}

int& TRecordEditor::selected() const {
  return kind_ == RecordKind::Crop ? s_.ws.state.SelCrop : s_.ws.state.SelAppl;
}

int TRecordEditor::current() const { return selected(); }

void TRecordEditor::setCurrent(int record) {
  if (record < 1 || record > count()) return;
  selected() = record;
  view_->goToRow(record - 1);
}

QString TRecordEditor::statusText() const { return status_->text(); }

void TRecordEditor::Refresh() {
  model_->reload();
  if (selected() < 1 || selected() > count()) selected() = count() > 0 ? 1 : 0;
  if (selected() >= 1) view_->goToRow(selected() - 1);
  status_->setText(QString::number(count()) + L(" records"));
  TEditorBase::Refresh();
}

bool TRecordEditor::Validate() { return view_->validateEditing(); }

void TRecordEditor::Apply() {
  if (view_->commitEditing()) TEditorBase::Apply();
}

void TRecordEditor::markChanged(bool stale) {
  if (stale) s_.ws.state.DocStatus |= kResultsStale;
  s_.ws.state.DocStatus &= ~kScenarioSaved;
  if (s_.scheduleIdle) s_.scheduleIdle();
}

void TRecordEditor::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_F1 && e->modifiers() == Qt::NoModifier && s_.showHelp) {
    s_.showHelp(HelpContext());
    return;
  }
  TEditorBase::keyPressEvent(e);
}

bool TRecordEditor::dirEditTarget(DirEditTarget& t) {
  const QModelIndex i = view_->currentIndex();
  if (!i.isValid() || i.column() < 2) return false;
  const ScenarioField& f = fields_[static_cast<size_t>(i.column() - 2)];
  t.mode = kind_ == RecordKind::Crop ? DirEditTarget::Mode::Crop : DirEditTarget::Mode::Application;
  t.item = i.row() + 1;
  t.name = model_->data(model_->index(i.row(), 1)).toString().left(kNameWidth).toStdString();
  t.label = f.caption;
  t.field = f;
  GridCellEdit* open = view_->openEditor();
  t.newValue = (open ? open->text() : model_->data(i).toString()).trimmed().toStdString();
  return true;
}

void TRecordEditor::add() {
  if (!Validate()) return;
  Apply();
  const bool added = kind_ == RecordKind::Crop ? AddCropFromLibrary(s_) : AddApplicationFromLibrary(s_);
  if (added) Refresh();
}

void TRecordEditor::chooseFile() {
  ChooseLibraryFile(s_, kind_ == RecordKind::Crop ? LibraryKind::Crop : LibraryKind::Application);
}

void TRecordEditor::deleteRecord() {
  if (!Validate()) return;
  Apply();
  const bool crops = kind_ == RecordKind::Crop;
  const int n = selected();
  if (n < 1 || n > count()) return;
  if (!crops && n < 4) {
    s_.dialogs.inform(BoxType::Information, L("Cannot delete: first 3 records reserved for initial OM!"));
    return;
  }
  Scenario& sc = s_.ws.scenario;
  const QString name = model_->data(model_->index(n - 1, 1)).toString();
  const QString question = (crops ? L("Delete Crop ") : L("Delete Application ")) +
                           QString::fromStdString(FmtInt(n, 3)) + L(": ") + name + L("?");
  if (s_.dialogs.ask(BoxType::Confirmation, Buttons::OkCancel, question, QString()) != Answer::Ok) return;
  int& cnt = crops ? sc.CropCount : sc.ApplCount;
  if (cnt > 1) {
    cnt -= 1;
    if (n <= cnt) {
      for (int i = n; i <= cnt; ++i) {
        if (crops)
          sc.Crops[static_cast<size_t>(i)] = sc.Crops[static_cast<size_t>(i + 1)];
        else
          sc.Appls[static_cast<size_t>(i)] = sc.Appls[static_cast<size_t>(i + 1)];
      }
    } else {
      selected() = cnt;
    }
  } else if (crops) {
    sc.Crops[1] = sc.Crops[0];
  } else {
    sc.Appls[1] = sc.Appls[0];
    sc.Appls[1].YR = 1;
    sc.Appls[1].WK = 1;
  }
  markChanged();
  Refresh();
}

void TRecordEditor::copy() {
  std::vector<int> rows = view_->selectedRowSpan();
  if (rows.empty()) return;
  // The record numbers lead each line, so that Paste can append copies of
  // them; a spreadsheet gets the values with their headers.
  QStringList lines;
  QStringList head{L("Nr")};
  for (int c = 1; c < model_->columnCountTotal(); ++c) head << model_->column(c).header;
  lines << head.join(QLatin1Char('\t'));
  for (int r : rows) {
    QStringList cells;
    for (int c = 0; c < model_->columnCountTotal(); ++c)
      cells << model_->data(model_->index(r, c)).toString();
    lines << cells.join(QLatin1Char('\t'));
  }
  QApplication::clipboard()->clear();
  QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

void TRecordEditor::paste() {
  if (!Validate()) return;
  Apply();
  const QString text = QApplication::clipboard()->text();
  QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  for (QString& l : lines) l.remove(QLatin1Char('\r'));
  if (lines.isEmpty()) return;
  if (!lines.first().startsWith(L("Nr\t"))) {
    pasteValues(text);
    return;
  }
  // Copies of the records named in the first column, appended in order.
  Scenario& sc = s_.ws.scenario;
  const bool crops = kind_ == RecordKind::Crop;
  int& cnt = crops ? sc.CropCount : sc.ApplCount;
  const int cap = crops ? kMaxCrops : kMaxAppls;
  bool any = false;
  for (int i = 1; i < lines.size() && cnt < cap; ++i) {
    bool ok = false;
    const int n = lines[i].section(QLatin1Char('\t'), 0, 0).trimmed().toInt(&ok);
    if (!ok || n < 1 || n > cnt) continue;
    if (crops)
      sc.Crops[static_cast<size_t>(cnt + 1)] = sc.Crops[static_cast<size_t>(n)];
    else
      sc.Appls[static_cast<size_t>(cnt + 1)] = sc.Appls[static_cast<size_t>(n)];
    ++cnt;
    any = true;
  }
  if (!any) return;
  markChanged(false);
  Refresh();
}

bool TRecordEditor::pasteValues(const QString& text) {
  const QModelIndex at = view_->currentIndex();
  if (!at.isValid()) return false;
  QStringList lines = text.split(QLatin1Char('\n'));
  while (!lines.isEmpty() && lines.last().trimmed().isEmpty()) lines.removeLast();
  struct Cell {
    int row, col;
    QString text;
  };
  std::vector<Cell> cells;
  for (int r = 0; r < lines.size(); ++r) {
    const QStringList parts = QString(lines[r]).remove(QLatin1Char('\r')).split(QLatin1Char('\t'));
    for (int c = 0; c < parts.size(); ++c) {
      const int row = at.row() + r, col = at.column() + c;
      if (row >= count() || col >= model_->columnCountTotal() || col < 1) continue;
      cells.push_back({row, col, parts[c].trimmed()});
    }
  }
  // Every value is checked before the first is stored: one refused value
  // refuses the whole paste.
  for (const Cell& c : cells) {
    if (c.col < 2) continue;
    if (auto refusal = model_->refusal(c.col, c.text)) {
      view_->setCurrentIndex(model_->index(c.row, c.col));
      s_.dialogs.inform(BoxType::Plain, *refusal);
      return false;
    }
  }
  if (cells.empty()) return false;
  for (const Cell& c : cells) model_->setData(model_->index(c.row, c.col), c.text);
  markChanged();
  Refresh();
  return true;
}

void TRecordEditor::sort() {
  if (!Validate()) return;
  Apply();
  if (kind_ == RecordKind::Crop)
    SortCrops(s_.ws);
  else
    SortApplications(s_.ws);
  markChanged(false); // the order is stored; the model sorts anyway
  Refresh();
}

void TRecordEditor::selectWeek() {
  const QModelIndex i = view_->currentIndex();
  const bool weekColumn = kind_ == RecordKind::Crop ? i.column() >= 3 && i.column() <= 6 : i.column() == 3;
  if (!i.isValid() || !weekColumn) return;
  if (!Validate()) return;
  Apply();
  const int week = model_->data(i).toString().toInt();
  const std::optional<int> chosen = s_.selectWeek(week, s_.window);
  if (!chosen) return;
  if (model_->setData(i, QString::number(*chosen))) {
    markChanged();
    setModified(false);
  } else {
    s_.dialogs.inform(BoxType::Plain,
                      model_->refusal(i.column(), QString::number(*chosen)).value_or(QString()));
  }
}

// ---- Crops ----

TCropDialog::TCropDialog(Services& s, QWidget* parent) : TRecordEditor(s, RecordKind::Crop, parent) {
  QAction* parms = addCommand("CropParameters", "O&ptions...", "Edit crop parameters", nullptr);
  connect(parms, &QAction::triggered, this, [this] { editParameters(); });
  Refresh();
}

TCropDialog::~TCropDialog() { delete parms_.data(); }

TCropParmDialog* TCropDialog::editParameters() {
  if (!Validate()) return nullptr;
  Apply();
  if (current() < 1) return nullptr;
  if (parms_) parms_->close();
  parms_ = new TCropParmDialog(s_, s_.window);
  parms_->setWindowFlag(Qt::Dialog);
  parms_->setWindowModality(Qt::ApplicationModal);
  connect(parms_, &TIniForm::closing, this, [this] { Refresh(); });
  PlaceModal(parms_, s_.window, 140);
  parms_->show();
  return parms_;
}

TApplDialog::TApplDialog(Services& s, QWidget* parent) : TRecordEditor(s, RecordKind::Application, parent) {
  Refresh();
}

// ---- Crop parameters ----

TCropParmDialog::TCropParmDialog(Services& s, QWidget* parent) : TFormEditor(s, parent) {
  setWindowTitle(L("Crop Parameters"));
  auto* top = new QVBoxLayout(this);
  auto* head = new QLabel(
      QString::fromStdString(Trim(std::string_view(s.ws.scenario.Crops[static_cast<size_t>(item())].Name))),
      this);
  head->setObjectName(L("CropName"));
  top->addWidget(head);
  auto* g = new QGridLayout;
  const std::vector<ScenarioField> f = CropParameterFields();
  const int perColumn = 8;
  for (size_t i = 0; i < f.size(); ++i)
    addInput(g, static_cast<int>(i) % perColumn, static_cast<int>(i) / perColumn * 3, f[i]);
  top->addLayout(g);
  auto* ok = new QPushButton(L("OK"), this);
  ok->setObjectName(L("OK"));
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(AddUndoButton(this, this));
  row->addWidget(ok);
  top->addLayout(row);
  connect(ok, &QPushButton::clicked, this, &QWidget::close);
  Refresh();
}

int TCropParmDialog::item() const { return std::max(1, s_.ws.state.SelCrop); }

QString TCropParmDialog::dirEditName() const {
  return QString::fromStdString(
      Trim(std::string_view(s_.ws.scenario.Crops[static_cast<size_t>(item())].Name)));
}

void TCropParmDialog::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_E && e->modifiers() == Qt::ControlModifier) {
    RunDirEdit(s_, this);
    return;
  }
  TFormEditor::keyPressEvent(e);
}

} // namespace kelmar::gui
