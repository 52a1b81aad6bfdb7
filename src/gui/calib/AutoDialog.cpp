#include "calib/AutoDialog.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include "Workspace.h"
#include "calib/CalibFiles.h"
#include "data/Errors.h"
#include "data/IniFile.h"
#include "data/ParFile.h"
#include "dialogs/UserDialogs.h"
#include "documents/DocumentSet.h"
#include "fitting/ParmEdit.h"
#include "run/RunControl.h"
#include "session/OptionsIni.h"
#include "shell/Services.h"
#include "shell/WindowRegistry.h"
#include "widgets/CommandBar.h"

namespace kelmar::gui {

namespace {

constexpr const char* kParmOptionsSection = "Parameter Options";
const QColor kAqua(0x00, 0xff, 0xff);

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The grid's cells: a line editor that lets only a number be typed, committed
// through the window's validation; the fit column drawn as a centred box.
class ParmDelegate : public QStyledItemDelegate {
public:
  ParmDelegate(TAutoDialog* owner, std::function<void(int, int, const QString&)> commit)
      : QStyledItemDelegate(owner), owner_(owner), commit_(std::move(commit)) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override {
    auto* e = new QLineEdit(parent);
    e->setAlignment(Qt::AlignRight);
    e->setFrame(false);
    return e;
  }
  void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override {
    commit_(index.row(), index.column(), static_cast<QLineEdit*>(editor)->text());
  }
  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    if (index.column() != TAutoDialog::kFit) {
      QStyledItemDelegate::paint(p, option, index);
      return;
    }
    p->fillRect(option.rect, kAqua);
    QStyleOptionButton box;
    const QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    const QRect r = style->subElementRect(QStyle::SE_CheckBoxIndicator, &box, option.widget);
    box.rect = QRect(option.rect.center() - QPoint(r.width() / 2, r.height() / 2), r.size());
    box.state =
        QStyle::State_Enabled |
        (index.data(Qt::CheckStateRole).toInt() == Qt::Checked ? QStyle::State_On : QStyle::State_Off);
    style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, p, option.widget);
    if (option.state & QStyle::State_HasFocus) {
      p->setPen(QPen(option.palette.highlight(), 1, Qt::DotLine));
      p->drawRect(option.rect.adjusted(1, 1, -2, -2));
    }
  }

protected:
  // Digits and Backspace; one "-"; "." or "," as the one decimal point.
  // Every other character is dropped; Enter, Escape and the movement keys
  // keep their meaning.
  bool eventFilter(QObject* obj, QEvent* ev) override {
    auto* e = qobject_cast<QLineEdit*>(obj);
    if (e && ev->type() == QEvent::KeyPress) {
      auto* k = static_cast<QKeyEvent*>(ev);
      const QString t = k->text();
      if (k->key() == Qt::Key_Backspace || (t.size() == 1 && t[0].isDigit())) {
        owner_->setModified(true);
        return false;
      }
      if (t == QLatin1String("-")) {
        if (e->text().contains(QLatin1Char('-'))) return true;
        owner_->setModified(true);
        return false;
      }
      if (t == QLatin1String(".") || t == QLatin1String(",")) {
        if (!e->text().contains(QLatin1Char('.'))) {
          e->insert(QStringLiteral("."));
          owner_->setModified(true);
        }
        return true;
      }
      if (t.size() == 1 && t[0].isPrint() && !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return true;
    }
    return QStyledItemDelegate::eventFilter(obj, ev);
  }

private:
  TAutoDialog* owner_;
  std::function<void(int, int, const QString&)> commit_;
};

} // namespace

// ---- Options ----

TParmOptiDialog::TParmOptiDialog(Services& s, QWidget* parent) : QDialog(parent), s_(s) {
  setWindowTitle(QStringLiteral("Parameter fitting options"));
  setObjectName(QStringLiteral("TParmOptiDialog"));
  delta_ = new QDoubleSpinBox(this);
  delta_->setRange(0, 100);
  delta_->setDecimals(2);
  delta_->setValue(s.ws.state.FitDelta);
  delta_->setToolTip(QStringLiteral("Rate to increase or decrease parameter"));
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("&Delta for increase/ decrease [%]:"), delta_);

  auto* group = new QGroupBox(QStringLiteral("When loading parameters from *.PAR file include:"), this);
  auto* gl = new QVBoxLayout(group);
  const ParIncludes inc = ReadParIncludes(s.ini);
  const char* captions[4] = {" Value", " Lower range", " Upper range", " Fit"};
  const bool values[4] = {inc.value, inc.lower, inc.upper, inc.fit};
  for (int i = 0; i < 4; ++i) {
    boxes_[i] = new QCheckBox(QString::fromLatin1(captions[i]), group);
    boxes_[i]->setChecked(values[i]);
    gl->addWidget(boxes_[i]);
  }
  // Loading from the fitting window never takes the values over; the box
  // only shows what a scenario's companion file does.
  boxes_[0]->setEnabled(false);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    Accept();
    accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* l = new QVBoxLayout(this);
  l->addLayout(form);
  l->addWidget(group);
  l->addWidget(buttons);
}

void TParmOptiDialog::Accept() {
  s_.ws.state.FitDelta = static_cast<float>(delta_->value());
  const char* keys[4] = {"Value", "BPRL", "BPRU", "Fit"};
  for (int i = 0; i < 4; ++i) s_.ini.writeBool(kParmOptionsSection, keys[i], boxes_[i]->isChecked());
}

// ---- The fitting window ----

TAutoDialog::TAutoDialog(Services& s, QWidget* parent) : TMyDialog(parent), s_(s) {
  setWindowTitle(QStringLiteral("Parameter Fitting"));
  setObjectName(QStringLiteral("TAutoDialog"));

  auto* bar = new CommandBar(this);
  popup_ = bar->popup();
  bar->add("SBLoad", "&Load...", "Load parameters lower range, upper range and/or fit checked",
           QStyle::SP_DialogOpenButton, [this] { LoadClick(); });
  bar->add("SBSaveAs", "&Save As...", "Save parameters lower range, upper range and fit checked",
           QStyle::SP_DialogSaveButton, [this] { SaveAsClick(); });
  bar->add("SBClose", "Cl&ose", "Close dialog", QStyle::SP_DialogCloseButton, [this] { frame()->close(); });
  popup_->addSeparator();
  bar->addSeparator();
  bar->add("SBBackup", "&Backup", "Backup parameters", QStyle::SP_DriveHDIcon, [this] {
    if (Validate()) s_.run->Backup();
  });
  bar->add("SBRestore", "&Restore", "Restore parameters", QStyle::SP_BrowserReload, [this] {
    if (Validate()) s_.run->Restore();
  });
  bar->add("SBIncrease", "&Increase", "Increase selected parameter", QStyle::SP_ArrowUp, [this] {
    if (Validate()) s_.run->Increase();
  });
  bar->add("SBDecrease", "&Decrease", "Decrease selected parameter", QStyle::SP_ArrowDown, [this] {
    if (Validate()) s_.run->Decrease();
  });
  QAction* price =
      bar->add("SBPrice", "Price &Algoritm...", "Price Algoritm", QStyle::SP_ComputerIcon, [this] {
        if (Validate()) s_.windows->show(QStringLiteral("TPriceView"));
      });
  // Live only once the Price window exists in this program.
  price->setEnabled(s_.windows && s_.windows->has(QStringLiteral("TPriceView")));
  popup_->addSeparator();
  bar->addSeparator();
  bar->add("SBCheckAll", "&Check all", "Check or uncheck all", QStyle::SP_DialogApplyButton,
           [this] { CheckAllClick(); });
  bar->add("SBOptions", "O&ptions...", "Parameter fitting options", QStyle::SP_FileDialogDetailedView,
           [this] { OptionsClick(); });
  // F10 opens the popup over the current cell.
  bar->setF10Place(
      [this] { return grid_->viewport()->mapToGlobal(grid_->visualRect(grid_->currentIndex()).center()); });

  grid_ = new QTableWidget(kParmCount, 5, this);
  grid_->setObjectName(QStringLiteral("ParmGrid"));
  grid_->setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Lower"), QStringLiteral("Value"),
                                    QStringLiteral("Upper"), QStringLiteral("Fit")});
  grid_->verticalHeader()->hide();
  grid_->verticalHeader()->setDefaultSectionSize(18);
  grid_->setColumnWidth(kFit, grid_->horizontalHeader()->defaultSectionSize() / 2);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                         QAbstractItemView::AnyKeyPressed);
  grid_->setItemDelegate(
      new ParmDelegate(this, [this](int r, int c, const QString& t) { commitCell(r, c, t); }));
  bar->openOver(grid_);
  for (int r = 0; r < kParmCount; ++r) {
    for (int c = 0; c < 5; ++c) {
      auto* item = new QTableWidgetItem;
      Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
      if (c >= kLower && c <= kUpper) {
        flags |= Qt::ItemIsEditable;
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      }
      if (c == kValue) item->setBackground(kAqua);
      item->setFlags(flags);
      grid_->setItem(r, c, item);
    }
    grid_->item(r, kName)->setText(Q(std::string(s_.ws.parms[r + 1].name)));
  }
  connect(grid_, &QTableWidget::currentCellChanged, this, [this](int row, int col, int, int) {
    if (row < 0 || col < 0) return;
    oldText_ = grid_->item(row, col)->text();
    if (!filling_) s_.ws.state.SelParm = row + 1;
  });
  connect(grid_, &QTableWidget::cellClicked, this, [this](int row, int col) {
    if (col == kFit) toggleMark(row);
  });
  grid_->installEventFilter(this);

  status_ = NewStatusPanel(this);
  status_->setObjectName(QStringLiteral("AutoStatus"));
  StackParts(this, {bar, grid_, status_});
  // Wide enough for all five columns beside the scroll bar.
  resize(480, 560);
  Refresh();
}

QString TAutoDialog::statusText() const { return status_->text(); }

void TAutoDialog::fillRow(int row) {
  const Workspace& ws = s_.ws;
  const int i = row + 1;
  const AutoParm& e = ws.parms[i];
  grid_->item(row, kLower)->setText(Q(ParmCellText(e.lower, e.decimals)));
  grid_->item(row, kValue)->setText(Q(ParmCellText(ws.parms.value(ws.scenario, i), e.decimals)));
  grid_->item(row, kUpper)->setText(Q(ParmCellText(e.upper, e.decimals)));
  grid_->item(row, kFit)->setData(Qt::CheckStateRole, e.fit > 0 ? Qt::Checked : Qt::Unchecked);
}

void TAutoDialog::showCount() {
  status_->setText(QString::number(s_.ws.parms.MarkedCount()) + QStringLiteral(" selected"));
}

void TAutoDialog::Refresh() {
  filling_ = true;
  for (int r = 0; r < kParmCount; ++r) fillRow(r);
  int& sel = s_.ws.state.SelParm;
  if (sel < 1 || sel > kParmCount) sel = 1;
  grid_->setCurrentCell(sel - 1, std::max(grid_->currentColumn(), int(kValue)));
  oldText_ = grid_->currentItem() ? grid_->currentItem()->text() : QString();
  filling_ = false;
  showCount();
  setModified(false);
}

void TAutoDialog::Apply() { setModified(false); }

bool TAutoDialog::Validate() {
  // An open cell editor holds the pending edit: closing it commits it
  // through the cell validation, which corrects what it cannot accept.
  if (QWidget* editor = grid_->indexWidget(grid_->currentIndex())) {
    emit grid_->itemDelegate()->commitData(editor);
    emit grid_->itemDelegate()->closeEditor(editor, QAbstractItemDelegate::NoHint);
  }
  return true;
}

void TAutoDialog::selectCell(int row, int col) {
  Validate();
  grid_->setCurrentCell(row, col);
}

void TAutoDialog::enterText(int row, int col, const QString& text) {
  selectCell(row, col);
  commitCell(row, col, text);
}

void TAutoDialog::commitCell(int row, int col, const QString& text) {
  if (col < kLower || col > kUpper || row < 0 || row >= kParmCount) return;
  const int i = row + 1;
  bool ok = false;
  const double typed = QString(text).replace(QLatin1Char(','), QLatin1Char('.')).trimmed().toDouble(&ok);
  const double old = oldText_.trimmed().toDouble();
  Workspace& ws = s_.ws;
  const float before = ws.parms.value(ws.scenario, i);
  const ParmEditResult r =
      EditParm(ws, i, static_cast<ParmColumn>(col), ok ? std::optional<double>(typed) : std::nullopt, old);
  grid_->item(row, col)->setText(Q(ParmCellText(r.stored, ws.parms[i].decimals)));
  oldText_ = grid_->item(row, col)->text();
  if (!r.message.empty()) s_.dialogs.inform(BoxType::Plain, Q(r.message));
  // A new value is a change of the scenario as much as an edit in its editors.
  if (col == kValue && ws.parms.value(ws.scenario, i) != before) s_.docs->clearStatus(kScenarioSaved);
  s_.docs->RefreshScenarioWindows();
}

void TAutoDialog::toggleMark(int row) {
  if (row < 0 || row >= kParmCount) return;
  int32_t& fit = s_.ws.parms[row + 1].fit;
  fit = fit > 0 ? 0 : 1;
  fillRow(row);
  showCount();
  if (onMarksChanged) onMarksChanged();
}

void TAutoDialog::marksChanged() {
  s_.docs->RefreshScenarioWindows();
  if (onMarksChanged) onMarksChanged();
}

void TAutoDialog::CheckAllClick() {
  Validate();
  SetAllFitMarks(s_.ws, checkAllMarks_);
  checkAllMarks_ = !checkAllMarks_;
  Refresh();
  marksChanged();
}

void TAutoDialog::LoadClick() {
  Validate();
  const QString name =
      s_.dialogs.openFile({QStringLiteral("Load parameters"), Q(s_.ws.state.DataDir), QStringLiteral("*.PAR"),
                           QStringLiteral("Parameters (*.PAR)"), QStringLiteral("PAR")});
  if (name.isEmpty()) return;
  ParIncludes inc = ReadParIncludes(s_.ini);
  inc.value = false;
  try {
    LoadPar(s_.ws, name.toStdString(), inc);
  } catch (const InvalidFileId& e) {
    s_.dialogs.inform(BoxType::Plain, Q(e.what()));
    return;
  } catch (const std::exception& e) {
    s_.dialogs.inform(BoxType::Error, QStringLiteral("Loading ") + name + QLatin1Char('\r') + Q(e.what()));
    return;
  }
  s_.docs->setStatus(kResultsStale);
  marksChanged();
}

void TAutoDialog::SaveAsClick() {
  Validate();
  const QString name =
      AskSaveName(s_, {QStringLiteral("Save parameters"), Q(s_.ws.state.DataDir),
                       QFileInfo(Q(s_.ws.scenario.ScenarioFile)).completeBaseName() + QStringLiteral(".PAR"),
                       QStringLiteral("Parameters (*.PAR)"), QStringLiteral("PAR")});
  if (name.isEmpty()) return;
  try {
    SavePar(s_.ws, name.toStdString());
  } catch (const std::exception&) {
    s_.dialogs.inform(BoxType::Plain, Q(std::string(kParSaveError)));
  }
}

void TAutoDialog::OptionsClick() {
  Validate();
  TParmOptiDialog d(s_, this);
  execOptions(d);
}

bool TAutoDialog::eventFilter(QObject* obj, QEvent* e) {
  if (obj == grid_ && e->type() == QEvent::KeyPress && !grid_->indexWidget(grid_->currentIndex())) {
    auto* k = static_cast<QKeyEvent*>(e);
    if (k->key() == Qt::Key_Space && grid_->currentColumn() == kFit) {
      toggleMark(grid_->currentRow());
      return true;
    }
  }
  return TMyDialog::eventFilter(obj, e);
}

void TAutoDialog::closeEvent(QCloseEvent* e) {
  Validate();
  TMyDialog::closeEvent(e);
}

} // namespace kelmar::gui
